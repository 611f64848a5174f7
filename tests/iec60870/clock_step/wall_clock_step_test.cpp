/*
 * Setting the system time while a master is connected: a clock
 * synchronisation, NTP or an operator may move the wall clock by hours in
 * either direction. The link timers t1, t2, t3 and the frame receive
 * time-out must neither run out at once (a step forward) nor stall (a step
 * back): each still runs out one period after it started, as the master
 * expects.
 *
 * Each case starts a timer on a running slave, steps the wall clock (the
 * test's own wall clock, see settable_wall_clock.h), then checks that nothing happens during the
 * first half of the period and that the timer's action follows within the period plus a margin.
 */
#include "settable_wall_clock.h"

#include "iec60870/cs104/slave_fixture.h"

#include <array>
#include <optional>
#include <string>

namespace qxtest
{
namespace
{

constexpr int kPeriodSeconds = 2;
constexpr int kQuietMs = 1000;                             /* half the period: nothing yet */
constexpr int kDueWithinMs = kPeriodSeconds * 1000 + 1500; /* from the step on */
constexpr int64_t kHourMs = 3600 * 1000;

class WallClockStepTest : public SlaveTest, public ::testing::WithParamInterface<int64_t>
{
  protected:
    void TearDown() override
    {
        SlaveTest::TearDown();
        resetWallClock();
    }

    /* Starts the slave with the timer under test at kPeriodSeconds, the others long. */
    void startWith(int t1, int t2, int t3)
    {
        timers = {t1, t2, t3};
        startSlave();
    }

    void configure() override
    {
        params()->t1 = timers[0];
        params()->t2 = timers[1];
        params()->t3 = timers[2];
    }

    /*
     * Steps the wall clock once the slave's connection thread has surely
     * handled what the master just sent (it wakes on data within
     * milliseconds), so the timer started before the step.
     */
    void stepClock()
    {
        Thread_sleep(200);
        stepWallClock(GetParam());
    }

    std::array<int, 3> timers{30, 20, 30};
};

TEST_P(WallClockStepTest, T1_UnconfirmedFrame_ClosedOnePeriodAfterSending)
{
    startWith(kPeriodSeconds, 20, 30);
    RawMaster master;
    connectActive(master);
    enqueueSinglePoint(1);
    ASSERT_TRUE(master.receive().has_value());
    stepClock();
    int64_t stepped = monotonicMs();
    EXPECT_FALSE(master.waitClosed(kQuietMs)) << "t1 ran out at the step";
    EXPECT_TRUE(master.waitClosed(kDueWithinMs - kQuietMs)) << "t1 stalled after the step";
    EXPECT_LE(monotonicMs() - stepped, kDueWithinMs);
}

TEST_P(WallClockStepTest, T2_UnacknowledgedFrame_SFrameOnePeriodAfterReceiving)
{
    startWith(30, kPeriodSeconds, 30);
    RawMaster master;
    connect(master);
    // Before STARTDT: acknowledged but not dispatched, so no reply carries N(R).
    ASSERT_TRUE(master.sendI(interrogationAsdu(0x06)));
    stepClock();
    EXPECT_TRUE(master.quietFor(kQuietMs)) << "t2 ran out at the step";
    std::optional<Apdu> ack = master.receive(kDueWithinMs - kQuietMs);
    ASSERT_TRUE(ack.has_value()) << "t2 stalled after the step";
    EXPECT_EQ(ack->octets, sFrame(1));
}

TEST_P(WallClockStepTest, T3_IdleLink_TestFrameOnePeriodAfterLastFrame)
{
    startWith(30, 20, kPeriodSeconds);
    RawMaster master;
    connect(master);
    stepClock();
    EXPECT_TRUE(master.quietFor(kQuietMs)) << "t3 ran out at the step";
    std::optional<Apdu> act = master.receive(kDueWithinMs - kQuietMs);
    ASSERT_TRUE(act.has_value()) << "t3 stalled after the step";
    EXPECT_EQ(act->octets, uFrame(U_TESTFR_ACT));
}

TEST_P(WallClockStepTest, ReceiveTimeout_FrameNeverCompleted_ClosedOnePeriodAfterItBegan)
{
    startWith(kPeriodSeconds, 20, 30);
    RawMaster master;
    connect(master);
    ASSERT_TRUE(master.send({0x68, 0x04, 0x07})); // a U frame missing its last three octets
    stepClock();
    EXPECT_FALSE(master.waitClosed(kQuietMs)) << "the receive time-out ran out at the step";
    EXPECT_TRUE(master.waitClosed(kDueWithinMs - kQuietMs))
        << "the receive time-out stalled after the step";
}

INSTANTIATE_TEST_SUITE_P(AnHour, WallClockStepTest, ::testing::Values(kHourMs, -kHourMs),
                         [](const ::testing::TestParamInfo<int64_t>& info) {
                             return info.param > 0 ? std::string("Forward") : std::string("Back");
                         });

} // namespace
} // namespace qxtest
