// SPDX-License-Identifier: Apache-2.0
/*
 * The main loop's decisions on the fake platform clock: pause lengths,
 * report and scan times, early wake-ups, wall-clock steps, stops and the
 * watchdog pings between passes.
 */
#include "main_loop.h"

#include "fakes/notify_socket.h"
#include "service_notify.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

#include "fakes/fake_clock.h"

namespace
{

/* Records what the loop does, in milliseconds since the test's start on the
 * monotonic clock; a wait moves the clock by what it was asked, at most
 * wakeStepMs (an earlier wake-up, as a signal gives). With a watchdog it
 * attends and limits waits as the process host does. */
class FakeHost : public MainLoopHost
{
  public:
    FakeHost() : m_start(qxfake::clockMonotonicMs()) {}

    bool Running() override { return !stopped && (stopWhen == nullptr || !stopWhen(*this)); }
    void Wait(int ms) override
    {
        waits.push_back(ms);
        EXPECT_GT(ms, 0);
        int64_t step = ms < wakeStepMs ? ms : wakeStepMs;
        if (!notices.empty() && notices.front() - Now() < step) {
            step = notices.front() - Now(); /* a change notice ends the wait */
            noticedMs = std::min(noticedMs, notices.front());
            notices.erase(notices.begin());
        }
        qxfake::clockAdvance(static_cast<uint64_t>(step));
        qxfake::clockStepWall(wallStepPerWaitMs);
        if (onWait)
            onWait(*this);
    }
    int Periodic() override { return periodic; }
    void Scan() override
    {
        events.push_back("s@" + std::to_string(Now()));
        noticedMs = INT64_MAX;
        qxfake::clockAdvance(nextScanCostMs);
        nextScanCostMs = 0;
    }
    void Report() override
    {
        events.push_back("r@" + std::to_string(Now()));
        ++reports;
    }
    void Attend(int64_t nowMs) override
    {
        if (watchdog != nullptr && watchdog->PingIfDue(nowMs))
            pings.push_back(Now());
    }
    int64_t ScanWantedFromMs(int64_t nowMs) override
    {
        (void)nowMs;
        if (!toldOfChanges)
            return INT64_MIN;
        return noticedMs == INT64_MAX ? INT64_MAX : noticedMs + static_cast<int64_t>(m_start);
    }
    int64_t WaitLimitMs(int64_t nowMs, int64_t wantedMs) override
    {
        return watchdog != nullptr ? watchdog->WaitLimitMs(nowMs, wantedMs) : wantedMs;
    }
    int64_t Now() const { return static_cast<int64_t>(qxfake::clockMonotonicMs() - m_start); }

    int periodic = 10;
    int wakeStepMs = INT_MAX;
    int64_t wallStepPerWaitMs = 0;
    uint64_t nextScanCostMs = 0;   /* time the next scan takes */
    bool toldOfChanges = false;    /* ScanWantedFromMs from the notices */
    std::vector<int64_t> notices;  /* when changes are noticed, ascending */
    int64_t noticedMs = INT64_MAX; /* the first notice since the last scan */
    bool stopped = false;
    int reports = 0;
    std::function<bool(const FakeHost&)> stopWhen;
    std::function<void(FakeHost&)> onWait;
    std::vector<int> waits;
    std::vector<std::string> events;
    ServiceNotifier* watchdog = nullptr;
    std::vector<int64_t> pings; /* when the watchdog was pinged */

  private:
    uint64_t m_start;
};

class MainLoopTest : public ::testing::Test
{
  protected:
    void SetUp() override { qxfake::clockReset(); }
};

std::function<bool(const FakeHost&)> AfterReports(int n)
{
    return [n](const FakeHost& h) { return h.reports >= n; };
}

std::function<bool(const FakeHost&)> AtMs(int64_t ms)
{
    return [ms](const FakeHost& h) { return h.Now() >= ms; };
}

TEST(MainLoopPause, PeriodicSeconds_ToMilliseconds_IdleAndSaturated)
{
    EXPECT_EQ(1000, PeriodicPauseMs(1));
    EXPECT_EQ(600000, PeriodicPauseMs(600));
    EXPECT_EQ(3000, PeriodicPauseMs(0));
    EXPECT_EQ(3000, PeriodicPauseMs(-5));
    EXPECT_EQ(INT_MAX, PeriodicPauseMs(INT_MAX / 1000 + 1));
    EXPECT_EQ(INT_MAX / 1000 * 1000, PeriodicPauseMs(INT_MAX / 1000));
}

TEST_F(MainLoopTest, PeriodicLoop_ReportsEveryPeriod_ReadsPeriodicAfreshEachPass)
{
    FakeHost host;
    host.periodic = 2;
    host.stopWhen = AfterReports(3);
    host.onWait = [](FakeHost& h) {
        if (h.reports == 1)
            h.periodic = 5; /* edited between passes */
    };
    RunPeriodicLoop(host);
    /* The edit during the second pause counts from the third pass on. */
    EXPECT_EQ((std::vector<std::string>{"r@2000", "r@4000", "r@9000"}), host.events);
    EXPECT_EQ((std::vector<int>{2000, 2000, 5000}), host.waits);
}

TEST_F(MainLoopTest, PeriodicLoop_PeriodicZero_PausesIn3000MsStepsWithoutReports)
{
    FakeHost host;
    host.periodic = 0;
    host.stopWhen = AtMs(9000);
    RunPeriodicLoop(host);
    EXPECT_TRUE(host.events.empty());
    EXPECT_EQ((std::vector<int>{3000, 3000, 3000}), host.waits);
}

TEST_F(MainLoopTest, Pause_EarlyWakeUpsAndWallSteps_StillEndOnTheMonotonicDeadline)
{
    FakeHost host;
    host.periodic = 2;
    host.wakeStepMs = 700;                 /* every wait ends after at most 700 ms */
    host.wallStepPerWaitMs = -3600 * 1000; /* and the wall clock steps back an hour */
    host.stopWhen = AfterReports(2);
    const uint64_t wallBefore = qxfake::clockWallMs();
    RunPeriodicLoop(host);
    EXPECT_EQ((std::vector<std::string>{"r@2000", "r@4000"}), host.events);
    /* Each wait asks for the time left to the deadline. */
    EXPECT_EQ((std::vector<int>{2000, 1300, 600, 2000, 1300, 600}), host.waits);
    EXPECT_LT(qxfake::clockWallMs(), wallBefore); /* the steps happened */
}

TEST_F(MainLoopTest, Stop_EndsThePauseAtOnce_NoReportAfterIt)
{
    FakeHost host;
    host.periodic = 600;
    host.wakeStepMs = 1000;
    host.onWait = [](FakeHost& h) { h.stopped = true; }; /* a stop one second in */
    RunPeriodicLoop(host);
    EXPECT_TRUE(host.events.empty());
    EXPECT_EQ(std::vector<int>{600000}, host.waits);
    EXPECT_EQ(1000, host.Now());
}

TEST_F(MainLoopTest, ScanLoop_ScansAndReportsEachOnItsOwnDeadline)
{
    FakeHost host;
    host.periodic = 1;
    host.stopWhen = AfterReports(2);
    RunScanLoop(host, 400);
    EXPECT_EQ((std::vector<std::string>{"s@400", "s@800", "r@1000", "s@1200", "s@1600", "s@2000",
                                        "r@2000"}),
              host.events);
}

TEST_F(MainLoopTest, ScanLoop_SlowScan_SkipsTheMissedScansInsteadOfABurst)
{
    FakeHost host;
    host.periodic = 0;
    host.nextScanCostMs = 350;
    host.stopWhen = AtMs(1000);
    RunScanLoop(host, 100);
    /* The first scan ends at 450: one late scan at once instead of those due
     * at 200, 300 and 400, then the period again from there. */
    EXPECT_EQ(
        (std::vector<std::string>{"s@100", "s@450", "s@550", "s@650", "s@750", "s@850", "s@950"}),
        host.events);
}

TEST_F(MainLoopTest, ScanLoop_ToldOfChanges_SleepsThroughQuietDeadlines_ScansANoticeOnTime)
{
    FakeHost host;
    host.periodic = 0;
    host.toldOfChanges = true;
    host.notices = {250};
    host.stopWhen = AtMs(2600);
    RunScanLoop(host, 100);
    /* The notice at 250 ends the first wait and is scanned on the deadline
     * at 300; then one scan a second, without a wake-up in between. */
    EXPECT_EQ((std::vector<std::string>{"s@300", "s@1300", "s@2300"}), host.events);
    EXPECT_EQ((std::vector<int>{1000, 50, 1000, 1000, 1000}), host.waits);
}

TEST_F(MainLoopTest, ScanLoop_StopDuringThePause_NoScanAfterIt)
{
    FakeHost host;
    host.periodic = 1;
    host.wakeStepMs = 100;
    host.onWait = [](FakeHost& h) {
        if (h.Now() >= 300)
            h.stopped = true;
    };
    RunScanLoop(host, 400);
    EXPECT_TRUE(host.events.empty());
    EXPECT_EQ(300, host.Now());
}

TEST_F(MainLoopTest, Watchdog_PausesWakeEveryHalfPeriodToPing_ReportsKeepTheirTimes)
{
    const std::string name = "@qxsvr104-main-loop-test-" + std::to_string(getpid());
    qxtest::FakeManager manager(name);
    ASSERT_TRUE(manager.bound());
    ServiceNotifier notifier(name.c_str(), "3000000", nullptr, getpid()); /* 3 s */
    ASSERT_EQ(1500, notifier.PingIntervalMs());
    FakeHost host;
    host.watchdog = &notifier;
    host.stopWhen = AfterReports(2);
    /* The manager reads as it goes: a full datagram queue would block a send. */
    size_t received = 0;
    auto receive = [&manager, &received]() {
        while (manager.next(0) == "WATCHDOG=1")
            ++received;
    };
    host.onWait = [&receive](FakeHost&) { receive(); };
    RunPeriodicLoop(host);
    receive();

    EXPECT_EQ((std::vector<std::string>{"r@10000", "r@20000"}), host.events);
    /* The first ping at once, then one every 1500 ms counted from the last,
     * across the report at 10000; no 10 s wait in between. */
    EXPECT_EQ((std::vector<int64_t>{0, 1500, 3000, 4500, 6000, 7500, 9000, 10500, 12000, 13500,
                                    15000, 16500, 18000, 19500}),
              host.pings);
    for (int ms : host.waits)
        EXPECT_LE(ms, 1500);
    EXPECT_EQ(host.pings.size(), received) << "one datagram per ping";
}

} // namespace
