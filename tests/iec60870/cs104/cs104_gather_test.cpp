// SPDX-License-Identifier: Apache-2.0
/*
 * Gathered writes of queued frames: a connection over a stream that takes
 * several frames per call writes exactly the octets it would write frame by
 * frame, in fewer calls, also when the stream cuts a call short inside a
 * frame; and the seam's fallback for a stream without gathered writes.
 */
#include "connection_harness.h"
#include "slave_fixture.h"

#include <algorithm>
#include <initializer_list>

namespace qxtest
{
namespace
{

/* Queued single points and replies through k = 12 and two confirmations. */
struct Transcript {
    Frames frames;
    int writeCalls = 0;
    bool closed = false;
};

/* The frames the connection sends on each confirmation of nrs, appended to out. */
void appendAnswersToConfirmations(ConnectionHarness& link, std::initializer_list<int> nrs,
                                  Frames& out)
{
    for (int nr : nrs) {
        Frames part = link.exchange(sFrame(nr));
        out.insert(out.end(), part.begin(), part.end());
    }
}

/* maxOctets < 0: a stream without gathered writes; otherwise its limit per call. */
Transcript runScript(int maxOctets)
{
    ConnectionHarness link;
    link.host.apci.k = 12;
    if (maxOctets >= 0)
        link.peer->gatherWrites(maxOctets);
    link.open(100, 100);
    link.start();
    link.peer->takeWriteCalls();
    Transcript out;
    for (int ioa = 1; ioa <= 30; ioa++)
        link.enqueue(singlePointAsdu(0x03, ioa, ioa % 2 == 0));
    Frames part = link.advance(0);
    out.frames.insert(out.frames.end(), part.begin(), part.end());
    /* A test command while the window is full: its mirror goes first when it opens. */
    Octets testCommand = asdu(104, 0x01, 0x06, 1, Octets{0x00, 0x00, 0x00, 0xCC, 0x55});
    link.peer->send(iFrame(0, 0, testCommand));
    link.run();
    appendAnswersToConfirmations(link, {8, 12, 20, 25}, out.frames);
    out.writeCalls = link.peer->takeWriteCalls();
    out.closed = link.closed();
    return out;
}

TEST(GatherTest, GatheredWrites_OctetsIdenticalToSingleWritesInFewerCalls)
{
    const Transcript single = runScript(-1);
    ASSERT_FALSE(single.closed);
    ASSERT_EQ(single.frames.size(), 31u) << "30 points and the mirrored command";
    EXPECT_EQ(single.writeCalls, 31) << "one write per frame without gathering";

    const Transcript gathered = runScript(0);
    EXPECT_FALSE(gathered.closed);
    EXPECT_EQ(gathered.frames, single.frames);
    /* Windows of 12 points (two calls: the fake takes at most 8 buffers per
     * call), then 8 (the mirror and 7 points), 4 and 7 points. */
    EXPECT_EQ(gathered.writeCalls, 5);
}

TEST(GatherTest, ShortWrites_ResumedFromTheFirstOctetNotTaken)
{
    const Transcript single = runScript(-1);
    /* Limits that end calls inside frames of 16 octets (points) and 17 (the
     * mirror), on a frame's end, and across several frames. */
    for (int limit : {1, 7, 13, 16, 100}) {
        const Transcript cut = runScript(limit);
        EXPECT_FALSE(cut.closed) << limit;
        EXPECT_EQ(cut.frames, single.frames) << limit;
        EXPECT_GT(cut.writeCalls, 5) << limit;
    }
}

TEST(GatherTest, GatheredWriteFails_ConnectionClosesAndEntriesWaitAgain)
{
    ConnectionHarness link;
    link.host.apci.k = 12;
    link.peer->gatherWrites(0);
    link.open(100, 100);
    link.start();
    for (int ioa = 1; ioa <= 5; ioa++)
        link.enqueue(singlePointAsdu(0x03, ioa, true));
    link.peer->failWrites(true);
    link.advance(0);
    EXPECT_TRUE(link.closed());
    MasterConnection_deactivate(link.connection);
    /* Every entry taken for the failed write is waiting again for the next master. */
    FrameBuffer frame;
    uint64_t timestamp = 0;
    int index = -1;
    int waiting = 0;
    while (MessageQueue_takeNextWaitingASDU(link.low, nullptr, &frame, &timestamp, &index))
        ++waiting;
    EXPECT_EQ(waiting, 5);
}

/* An interrogation answered by its confirmation and kReplies single points. */
const int kReplies = 40;

bool answerInterrogation(void*, IMasterConnection connection, CS101_ASDU asdu, uint8_t)
{
    IMasterConnection_sendACT_CON(connection, asdu, false);
    CS101_AppLayerParameters parameters =
        IMasterConnection_getApplicationLayerParameters(connection);
    for (int ioa = 1; ioa <= kReplies; ioa++) {
        CS101_ASDU out = CS101_ASDU_create(parameters, false, CS101_COT_INTERROGATED_BY_STATION, 0,
                                           1, false, false);
        InformationObject io =
            (InformationObject)SinglePointInformation_create(nullptr, ioa, ioa % 3 == 0, 0);
        CS101_ASDU_addInformationObject(out, io);
        InformationObject_destroy(io);
        IMasterConnection_sendASDU(connection, out);
        CS101_ASDU_destroy(out);
    }
    return true;
}

/* The answer with k = 20 (more than one collection of replies) and its
 * confirmations; maxOctets as runScript. */
Transcript runAnswer(int maxOctets)
{
    ConnectionHarness link;
    link.host.apci.k = 20;
    link.host.handlers.interrogationHandler = answerInterrogation;
    if (maxOctets >= 0)
        link.peer->gatherWrites(maxOctets);
    link.open(100, 100);
    link.start();
    link.peer->takeWriteCalls();
    Transcript out;
    out.frames = link.exchange(iFrame(0, 0, interrogationAsdu(0x06)));
    appendAnswersToConfirmations(link, {8, 20, 33}, out.frames);
    out.writeCalls = link.peer->takeWriteCalls();
    out.closed = link.closed();
    return out;
}

TEST(GatherTest, RepliesOfOneHandling_CollectedIntoGatheredWrites)
{
    const Transcript single = runAnswer(-1);
    ASSERT_FALSE(single.closed);
    ASSERT_EQ(single.frames.size(), size_t(kReplies + 1)) << "confirmation and every point";
    EXPECT_EQ(single.writeCalls, kReplies + 1);

    for (int limit : {0, 5}) {
        const Transcript gathered = runAnswer(limit);
        EXPECT_FALSE(gathered.closed) << limit;
        EXPECT_EQ(gathered.frames, single.frames) << limit;
        if (limit == 0) {
            /* The handling fills the window with 20 frames: 16 collected and
             * written (two calls of at most 8 buffers), 4 more when it ends;
             * then 8, 12 (two calls) and 1 from the queue. */
            EXPECT_EQ(gathered.writeCalls, 2 + 1 + 1 + 2 + 1) << limit;
        }
    }
}

/* A window filled inside the handling is written at once, not when the
 * handling ends: the master reads and confirms it while the rest of the
 * answer is built. The handler looks at what was written when its twelfth
 * frame (k = 12) is sent. */
struct WindowLook {
    ConnectionHarness* link;
    size_t writtenAtFullWindow = 0;
};

bool answerAndLook(void* parameter, IMasterConnection connection, CS101_ASDU asdu, uint8_t)
{
    auto* look = static_cast<WindowLook*>(parameter);
    IMasterConnection_sendACT_CON(connection, asdu, false);
    for (int ioa = 1; ioa <= kReplies; ioa++) {
        Octets point = singlePointAsdu(0x14, ioa, true);
        CS101_ASDU out =
            CS101_ASDU_createFromBuffer(IMasterConnection_getApplicationLayerParameters(connection),
                                        point.data(), static_cast<int>(point.size()));
        IMasterConnection_sendASDU(connection, out);
        CS101_ASDU_destroy(out);
        if (ioa == 11)
            look->writtenAtFullWindow = look->link->peer->takeWritten().size();
    }
    return true;
}

TEST(GatherTest, WindowFilledInsideTheHandling_WrittenBeforeTheHandlingEnds)
{
    ConnectionHarness link;
    link.host.apci.k = 12;
    WindowLook look{&link};
    link.host.handlers.interrogationHandler = answerAndLook;
    link.host.handlers.interrogationHandlerParameter = &look;
    link.peer->gatherWrites(0);
    link.open(100, 100);
    link.start();
    EXPECT_TRUE(link.exchange(iFrame(0, 0, interrogationAsdu(0x06))).empty())
        << "the window was written inside the handling";
    EXPECT_EQ(look.writtenAtFullWindow, 12u) << "the confirmation and 11 points";
    EXPECT_EQ(link.exchange(sFrame(12)).size(), 12u) << "the answer goes on from the queue";
    EXPECT_FALSE(link.closed());
}

/* ------------------------------------------------ the seam's shared code */

struct Sink {
    Octets octets;
    std::vector<int> offered; /* buffers offered per call */
    int takeAtMost;
};

int sinkSome(void* context, const TransportFrame* buffers, int count)
{
    Sink* sink = static_cast<Sink*>(context);
    sink->offered.push_back(count);
    int taken = 0;
    for (int i = 0; i < count && taken < sink->takeAtMost; i++) {
        int part = std::min(buffers[i].size, sink->takeAtMost - taken);
        sink->octets.insert(sink->octets.end(), buffers[i].octets, buffers[i].octets + part);
        taken += part;
    }
    return taken;
}

TEST(GatherTest, WriteAll_BufferLimitShortWritesAndStalls)
{
    Octets a{1, 2, 3}, b{4, 5, 6, 7, 8}, c{}, d{9};
    const TransportFrame frames[] = {{a.data(), 3}, {b.data(), 5}, {c.data(), 0}, {d.data(), 1}};

    Sink whole{{}, {}, 100};
    EXPECT_TRUE(TransportFrames_writeAll(frames, 4, 2, sinkSome, &whole));
    EXPECT_EQ(whole.octets, (Octets{1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(whole.offered, (std::vector<int>{2, 1})) << "two buffers per call at most";

    Sink cut{{}, {}, 2};
    EXPECT_TRUE(TransportFrames_writeAll(frames, 4, 4, sinkSome, &cut));
    EXPECT_EQ(cut.octets, (Octets{1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(cut.offered, (std::vector<int>{4, 4, 3, 3, 1})) << "each call resumes mid-frame";

    Sink stalled{{}, {}, 0};
    EXPECT_FALSE(TransportFrames_writeAll(frames, 4, 4, sinkSome, &stalled))
        << "a call that takes nothing fails instead of spinning";
    EXPECT_TRUE(TransportFrames_writeAll(frames, 0, 4, sinkSome, &stalled));
}

} // namespace
} // namespace qxtest
