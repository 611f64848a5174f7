// SPDX-License-Identifier: Apache-2.0
/*
 * Publication of refreshed images: readers (like the interrogation answer on
 * a connection thread) see either the previous or the new image, never one
 * that a refresh is still writing.
 */
#include <atomic>
#include <string>
#include <thread>

#include "gateway_test_fixture.h"

namespace
{

using Publish = GatewayTest;

TEST_F(Publish, HeldSnapshot_UnchangedByLaterRefresh)
{
    auto gw = InitGateway();
    PointImageSnapshot before = gw->Snapshot();
    const float old = before->measured[1];
    Data("update tbPower set V01=5550 where SID=1");
    Data("delete from tbDio");
    Capture([&] { gw->UpdDat(); });
    EXPECT_EQ(before->measured[1], old);
    EXPECT_EQ(before->status[0], 1);
    PointImageSnapshot after = gw->Snapshot();
    EXPECT_NE(after, before);
    EXPECT_EQ(after->measured[1], Scaled(5550, 10));
    EXPECT_EQ(after->status[0], 0);
}

/* The main thread refreshes over and over while a reader thread checks
 * invariants that only a half-written image breaks: with an empty tbDio every
 * refresh first clears the status image, and the two stations' V40015 always
 * hold the same value in the database. */
TEST_F(Publish, ReaderThread_NeverSeesHalfRefreshedImage)
{
    Data("delete from tbDio");
    Data("update tbModbusDat set Val=0 where Fld='V40015'");
    auto gw = InitGateway();
    ASSERT_EQ(gw->Snapshot()->status[259], 1);

    std::atomic<bool> stop{false};
    std::atomic<long> reads{0};
    std::atomic<long> torn{0};
    std::thread reader([&] {
        while (!stop.load()) {
            PointImageSnapshot img = gw->Snapshot();
            bool ok = img->status[9] == 1 && img->status[259] == 1 && img->status[771] == 1 &&
                      img->measured[143] == img->measured[143 + 1280] &&
                      img->PointsOf("tbPower") == 4;
            if (!ok)
                torn.fetch_add(1);
            reads.fetch_add(1);
        }
    });
    for (int round = 1; round <= 40; ++round) {
        Data("update tbModbusDat set Val=" + std::to_string(round) + " where Fld='V40015'");
        Capture([&] { gw->UpdDat(); });
    }
    stop.store(true);
    reader.join();
    EXPECT_EQ(torn.load(), 0) << "of " << reads.load() << " reads";
    EXPECT_GT(reads.load(), 0);
    EXPECT_EQ(gw->Snapshot()->measured[143], static_cast<float>(40 * 0.1));
}

} // namespace
