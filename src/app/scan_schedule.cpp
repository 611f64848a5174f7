// SPDX-License-Identifier: Apache-2.0
/*
 * scan_schedule.cpp - the deadlines of scans and periodic reports (see
 * scan_schedule.h).
 */
#include "scan_schedule.h"

#include <algorithm>

ScanSchedule::ScanSchedule(int64_t startMs, int scanMs, int periodicSeconds, int quietMs)
    : m_scanPeriod(std::max(scanMs, 1)),
      m_reportPeriod(periodicSeconds > 0 ? static_cast<int64_t>(periodicSeconds) * 1000 : 0),
      m_quietPeriod(std::max(quietMs, 0)), m_nextScan(startMs + m_scanPeriod),
      m_nextReport(startMs + m_reportPeriod), m_lastScan(startMs)
{
}

int64_t ScanSchedule::NextWakeMs(int64_t scanWantedFromMs) const
{
    const int64_t scan = NextScanMs(scanWantedFromMs);
    return m_reportPeriod > 0 ? std::min(scan, m_nextReport) : scan;
}

ScanSchedule::Due ScanSchedule::Take(int64_t nowMs, int64_t scanWantedFromMs)
{
    const int64_t scanAt = NextScanMs(scanWantedFromMs);
    Due due = {nowMs >= scanAt, m_reportPeriod > 0 && nowMs >= m_nextReport};
    if (due.scan) {
        m_nextScan = Advance(scanAt, m_scanPeriod, nowMs);
        m_lastScan = nowMs;
    } else if (nowMs >= m_nextScan) {
        m_nextScan = ScanDeadlineAtOrAfter(nowMs + 1); /* passed unwanted */
    }
    if (due.report)
        m_nextReport = Advance(m_nextReport, m_reportPeriod, nowMs);
    return due;
}

int64_t ScanSchedule::Advance(int64_t deadline, int64_t period, int64_t nowMs)
{
    const int64_t next = deadline + period;
    return next > nowMs ? next : nowMs + period;
}

/* The first scan deadline at or after ms, on the rhythm of the next one. */
int64_t ScanSchedule::ScanDeadlineAtOrAfter(int64_t ms) const
{
    if (ms <= m_nextScan)
        return m_nextScan;
    return m_nextScan + (ms - m_nextScan + m_scanPeriod - 1) / m_scanPeriod * m_scanPeriod;
}

int64_t ScanSchedule::NextScanMs(int64_t scanWantedFromMs) const
{
    if (m_quietPeriod == 0 || scanWantedFromMs <= m_nextScan)
        return m_nextScan;
    const int64_t quietEnd = ScanDeadlineAtOrAfter(m_lastScan + m_quietPeriod);
    if (scanWantedFromMs == kScanNever)
        return quietEnd;
    return std::min(quietEnd, ScanDeadlineAtOrAfter(scanWantedFromMs));
}
