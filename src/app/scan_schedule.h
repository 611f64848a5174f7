// SPDX-License-Identifier: Apache-2.0
/*
 * scan_schedule.h - when the main loop scans and reports while reporting by
 * exception is on.
 *
 * Two deadlines on a monotonic clock: a scan every scanMs, a periodic report
 * every periodic seconds (none when periodic is 0 or less). Both start one
 * period after the start time. A deadline that has passed moves on by its
 * period; when the loop fell behind by a whole period or more (a slow
 * refresh), it moves to one period after now instead, so missed scans are
 * skipped rather than run in a burst. Pure: the caller passes the times.
 *
 * With a quiet period, a scan deadline runs only when it is wanted: the
 * caller passes the time from which a scan may find something (a change
 * was noticed then; kScanAlways when it cannot tell, kScanNever when
 * nothing is known to change). A deadline before that time passes without
 * a scan and without a wake-up; the first deadline at or after it scans, so
 * a change is scanned when a scan every scanMs would have scanned it. A
 * deadline at least the quiet period after the last scan scans in any case.
 */
#ifndef SCAN_SCHEDULE_H
#define SCAN_SCHEDULE_H

#include <cstdint>

class ScanSchedule
{
  public:
    /* What is due at a given time. */
    struct Due {
        bool scan;
        bool report;
    };

    static constexpr int64_t kScanAlways = INT64_MIN;
    static constexpr int64_t kScanNever = INT64_MAX;

    /* scanMs below 1 is taken as 1; quietMs 0 or less: every scan deadline
     * scans. */
    ScanSchedule(int64_t startMs, int scanMs, int periodicSeconds, int quietMs = 0);

    /* The earliest deadline that runs something. */
    int64_t NextWakeMs(int64_t scanWantedFromMs = kScanAlways) const;

    /* What is due at nowMs; the deadlines of what is due, and the scan
     * deadlines that passed unwanted, move on. */
    Due Take(int64_t nowMs, int64_t scanWantedFromMs = kScanAlways);

  private:
    static int64_t Advance(int64_t deadline, int64_t period, int64_t nowMs);
    int64_t ScanDeadlineAtOrAfter(int64_t ms) const;
    int64_t NextScanMs(int64_t scanWantedFromMs) const;

    int64_t m_scanPeriod;
    int64_t m_reportPeriod; /* 0: no periodic report */
    int64_t m_quietPeriod;  /* 0: every scan deadline scans */
    int64_t m_nextScan;
    int64_t m_nextReport;
    int64_t m_lastScan; /* when the last scan ran (the start before the first) */
};

#endif
