// SPDX-License-Identifier: Apache-2.0
/*
 * Setting the system time while a master is connected: a clock
 * synchronisation, NTP or an operator may move the wall clock by hours in
 * either direction. The link timers t1, t2, t3 and the frame receive
 * time-out must neither run out at once (a step forward) nor stall (a step
 * back): each still runs out one period after it started, as the master
 * expects.
 *
 * Each case starts a timer on a connection (octets over a fake stream, see
 * connection_harness.h), steps the fake wall clock by an hour, then checks
 * that nothing happens until the period is over and that the timer's
 * action follows exactly then.
 */
#include "iec60870/cs104/connection_harness.h"
#include "iec60870/cs104/slave_fixture.h"

#include <string>

namespace qxtest
{
namespace
{

constexpr int kPeriodSeconds = 2;
constexpr uint64_t kPeriodMs = kPeriodSeconds * 1000;
constexpr int64_t kHourMs = 3600 * 1000;

class WallClockStepTest : public ::testing::TestWithParam<int64_t>
{
  protected:
    /* Opens the connection with the timer under test at kPeriodSeconds, the others long. */
    void openWith(int t1, int t2, int t3)
    {
        link.host.apci.t1 = t1;
        link.host.apci.t2 = t2;
        link.host.apci.t3 = t3;
        link.open();
    }

    void stepWallClock()
    {
        uint64_t before = qxfake::clockWallMs();
        qxfake::clockStepWall(GetParam());
        ASSERT_EQ(qxfake::clockWallMs() - before, static_cast<uint64_t>(GetParam()));
    }

    ConnectionHarness link;
};

TEST_P(WallClockStepTest, T1_UnconfirmedFrame_ClosedOnePeriodAfterSending)
{
    openWith(kPeriodSeconds, 20, 30);
    link.start();
    link.enqueue(singlePointAsdu(0x03, 1, true));
    ASSERT_EQ(link.advance(0), Frames{expectedSinglePointFrame(0, 0, 1)});
    stepWallClock();
    EXPECT_EQ(link.advance(kPeriodMs - 1), Frames{});
    EXPECT_FALSE(link.closed()) << "t1 ran out at the step";
    link.advance(1);
    EXPECT_TRUE(link.closed()) << "t1 stalled after the step";
}

TEST_P(WallClockStepTest, T2_UnacknowledgedFrame_SFrameOnePeriodAfterReceiving)
{
    openWith(30, kPeriodSeconds, 30);
    // Before STARTDT: acknowledged but not dispatched, so no reply carries N(R).
    ASSERT_EQ(link.exchange(iFrame(0, 0, interrogationAsdu(0x06))), Frames{});
    stepWallClock();
    EXPECT_EQ(link.advance(kPeriodMs - 1), Frames{}) << "t2 ran out at the step";
    EXPECT_EQ(link.advance(1), Frames{sFrame(1)}) << "t2 stalled after the step";
}

TEST_P(WallClockStepTest, T3_IdleLink_TestFrameOnePeriodAfterLastFrame)
{
    openWith(30, 20, kPeriodSeconds);
    stepWallClock();
    EXPECT_EQ(link.advance(kPeriodMs), Frames{}) << "t3 ran out at the step";
    EXPECT_EQ(link.advance(1), Frames{uFrame(U_TESTFR_ACT)}) << "t3 stalled after the step";
}

TEST_P(WallClockStepTest, ReceiveTimeout_FrameNeverCompleted_ClosedOnePeriodAfterItBegan)
{
    openWith(kPeriodSeconds, 20, 30);
    ASSERT_EQ(link.exchange(Octets{0x68, 0x04, 0x07}), Frames{}); // a U frame missing 3 octets
    stepWallClock();
    link.advance(kPeriodMs - 1);
    EXPECT_FALSE(link.closed()) << "the receive time-out ran out at the step";
    link.advance(1);
    EXPECT_TRUE(link.closed()) << "the receive time-out stalled after the step";
}

INSTANTIATE_TEST_SUITE_P(AnHour, WallClockStepTest, ::testing::Values(kHourMs, -kHourMs),
                         [](const ::testing::TestParamInfo<int64_t>& info) {
                             return info.param > 0 ? std::string("Forward") : std::string("Back");
                         });

} // namespace
} // namespace qxtest
