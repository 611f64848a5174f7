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

    /* scanMs below 1 is taken as 1. */
    ScanSchedule(int64_t startMs, int scanMs, int periodicSeconds);

    /* The earliest deadline. */
    int64_t NextWakeMs() const;

    /* What is due at nowMs; the deadlines of what is due move on. */
    Due Take(int64_t nowMs);

  private:
    static int64_t Advance(int64_t deadline, int64_t period, int64_t nowMs);

    int64_t m_scanPeriod;
    int64_t m_reportPeriod; /* 0: no periodic report */
    int64_t m_nextScan;
    int64_t m_nextReport;
};

#endif
