// SPDX-License-Identifier: Apache-2.0
/*
 * scan_schedule.cpp - the deadlines of scans and periodic reports (see
 * scan_schedule.h).
 */
#include "scan_schedule.h"

#include <algorithm>

ScanSchedule::ScanSchedule(int64_t startMs, int scanMs, int periodicSeconds)
    : m_scanPeriod(std::max(scanMs, 1)),
      m_reportPeriod(periodicSeconds > 0 ? static_cast<int64_t>(periodicSeconds) * 1000 : 0),
      m_nextScan(startMs + m_scanPeriod), m_nextReport(startMs + m_reportPeriod)
{
}

int64_t ScanSchedule::NextWakeMs() const
{
    return m_reportPeriod > 0 ? std::min(m_nextScan, m_nextReport) : m_nextScan;
}

ScanSchedule::Due ScanSchedule::Take(int64_t nowMs)
{
    Due due = {nowMs >= m_nextScan, m_reportPeriod > 0 && nowMs >= m_nextReport};
    if (due.scan)
        m_nextScan = Advance(m_nextScan, m_scanPeriod, nowMs);
    if (due.report)
        m_nextReport = Advance(m_nextReport, m_reportPeriod, nowMs);
    return due;
}

int64_t ScanSchedule::Advance(int64_t deadline, int64_t period, int64_t nowMs)
{
    const int64_t next = deadline + period;
    return next > nowMs ? next : nowMs + period;
}
