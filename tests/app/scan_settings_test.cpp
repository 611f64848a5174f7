// SPDX-License-Identifier: Apache-2.0
/*
 * The keys of reporting by exception and the main loop's deadlines.
 */
#include "hal_time.h"
#include "scan_schedule.h"
#include "spontaneous_settings.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <vector>

namespace
{

TEST(SpontaneousSettingsTest, NoKeys_TodaysBehaviour)
{
    SimpleIni ini("");
    SpontaneousSettings s = SpontaneousSettings::Read(ini);
    EXPECT_FALSE(s.enabled);
    EXPECT_EQ(1000, s.scanMs);
    EXPECT_EQ(0.0, s.deadband);
    EXPECT_EQ(0.0, s.DeadbandOf("tbModbusDat"));
}

TEST(SpontaneousSettingsTest, Keys_ReadWithTheirLimits_TableDeadbandsOverrideTheCommonOne)
{
    SimpleIni ini("");
    ini.SetValue("Svr104", "Spontaneous", "1");
    ini.SetValue("Svr104", "ScanMs", "40");
    ini.SetValue("Svr104", "Deadband", "0.5");
    ini.SetValue("Svr.Deadband", "tbModbusDat", "2.5");
    ini.SetValue("Svr.Deadband", "tbPower", "-3");
    ini.SetValue("Svr.Deadband", "tbEnv", "abc");
    SpontaneousSettings s = SpontaneousSettings::Read(ini);
    EXPECT_TRUE(s.enabled);
    EXPECT_EQ(100, s.scanMs); /* at least 100 */
    EXPECT_EQ(0.5, s.deadband);
    EXPECT_EQ(2.5, s.DeadbandOf("tbModbusDat"));
    EXPECT_EQ(0.0, s.DeadbandOf("tbPower")); /* negative: any change */
    EXPECT_EQ(0.0, s.DeadbandOf("tbEnv"));   /* not a number: any change */
    EXPECT_EQ(0.5, s.DeadbandOf("tbOther"));

    ini.SetValue("Svr104", "Spontaneous", "2");
    ini.SetValue("Svr104", "ScanMs", "250");
    s = SpontaneousSettings::Read(ini);
    EXPECT_FALSE(s.enabled); /* only 1 turns it on */
    EXPECT_EQ(250, s.scanMs);
}

/* The dues of a schedule polled every millisecond from start to end. */
std::vector<std::pair<int64_t, char>> Dues(ScanSchedule& schedule, int64_t start, int64_t end)
{
    std::vector<std::pair<int64_t, char>> dues;
    for (int64_t now = start; now <= end; ++now) {
        ScanSchedule::Due due = schedule.Take(now);
        if (due.scan)
            dues.push_back({now, 's'});
        if (due.report)
            dues.push_back({now, 'r'});
    }
    return dues;
}

TEST(ScanScheduleTest, ScansAndReports_EachOnItsOwnPeriod)
{
    ScanSchedule schedule(5000, 400, 1);
    EXPECT_EQ(5400, schedule.NextWakeMs());
    std::vector<std::pair<int64_t, char>> expected = {
        {5400, 's'}, {5800, 's'}, {6000, 'r'}, {6200, 's'}, {6600, 's'}, {7000, 's'}, {7000, 'r'}};
    EXPECT_EQ(expected, Dues(schedule, 5000, 7000));
    EXPECT_EQ(7400, schedule.NextWakeMs());
}

TEST(ScanScheduleTest, NoPeriodicReport_OnlyScans)
{
    ScanSchedule schedule(0, 100, 0);
    std::vector<std::pair<int64_t, char>> dues = Dues(schedule, 0, 1000);
    EXPECT_EQ(10u, dues.size());
    for (const auto& due : dues)
        EXPECT_EQ('s', due.second);
    EXPECT_EQ(1100, schedule.NextWakeMs());
}

TEST(ScanScheduleTest, LateWake_RunsOnceAndSkipsTheMissedScans)
{
    ScanSchedule schedule(0, 100, 0);
    ScanSchedule::Due due = schedule.Take(350); /* a slow refresh held the loop */
    EXPECT_TRUE(due.scan);
    EXPECT_EQ(450, schedule.NextWakeMs());
    EXPECT_FALSE(schedule.Take(449).scan);
    due = schedule.Take(450); /* on time again: the period holds */
    EXPECT_TRUE(due.scan);
    EXPECT_EQ(550, schedule.NextWakeMs());
    /* Slightly late: the deadline keeps its own rhythm. */
    EXPECT_TRUE(schedule.Take(570).scan);
    EXPECT_EQ(650, schedule.NextWakeMs());
}

/* Scans of a schedule with a quiet period, polled every millisecond, with
 * changes noticed at the given times. */
std::vector<int64_t> QuietScans(ScanSchedule& schedule, int64_t end, std::vector<int64_t> notices)
{
    std::vector<int64_t> scans;
    int64_t wantedFrom = ScanSchedule::kScanNever;
    for (int64_t now = 0; now <= end; ++now) {
        if (!notices.empty() && notices.front() == now) {
            wantedFrom = std::min(wantedFrom, now);
            notices.erase(notices.begin());
        }
        if (schedule.Take(now, wantedFrom).scan) {
            scans.push_back(now);
            wantedFrom = ScanSchedule::kScanNever;
        }
    }
    return scans;
}

TEST(ScanScheduleTest, QuietPeriod_ScansTheChangesOnTheirDeadlines_ElseOncePerQuietPeriod)
{
    ScanSchedule quiet(0, 100, 0, 1000);
    /* A change at 250 is scanned at 300 as every-100-ms scans would; one at
     * 300 exactly is scanned on that deadline; two at 1420 and 1480 share the
     * scan at 1500. Without changes, a scan 1000 ms after the last one. */
    EXPECT_EQ((std::vector<int64_t>{300, 1300, 1500, 2500, 3500}),
              QuietScans(quiet, 3500, {250, 1420, 1480}));

    ScanSchedule wantedAt(0, 100, 0, 1000);
    EXPECT_EQ((std::vector<int64_t>{400, 1400}), QuietScans(wantedAt, 1450, {400}));
}

TEST(ScanScheduleTest, QuietPeriod_NextWakeSkipsUnwantedScansButNotReports)
{
    ScanSchedule schedule(0, 100, 1, 1000);
    EXPECT_EQ(1000, schedule.NextWakeMs(ScanSchedule::kScanNever)); /* scan and report */
    EXPECT_EQ(100, schedule.NextWakeMs(ScanSchedule::kScanAlways));
    EXPECT_EQ(700, schedule.NextWakeMs(640)); /* a time-driven change at 640 */
    ScanSchedule::Due due = schedule.Take(1000, ScanSchedule::kScanNever);
    EXPECT_TRUE(due.scan);
    EXPECT_TRUE(due.report);
    EXPECT_EQ(2000, schedule.NextWakeMs(ScanSchedule::kScanNever));
    EXPECT_EQ(1100, schedule.NextWakeMs(1010));

    /* Without a quiet period every deadline scans, whatever is wanted. */
    ScanSchedule always(0, 100, 0);
    EXPECT_EQ(100, always.NextWakeMs(ScanSchedule::kScanNever));
    EXPECT_TRUE(always.Take(100, ScanSchedule::kScanNever).scan);
}

TEST(ScanScheduleTest, MonotonicClock_NeverGoesBack)
{
    int64_t first = Hal_getMonotonicTimeInMs();
    int64_t second = Hal_getMonotonicTimeInMs();
    EXPECT_LE(first, second);
    EXPECT_GT(first, 0);
}

} // namespace
