// SPDX-License-Identifier: Apache-2.0
/*
 * silence_watch.h - notices when a started connection receives no data.
 *
 * In the gateway's single redundancy group only the master that sent the
 * latest STARTDT act is served: a second master silently takes over and the
 * first receives nothing more, though its link stays up. The watch tells the
 * operator so, instead of leaving a silent screen that looks like a dead
 * gateway.
 *
 * Times are milliseconds of one steady clock, given by the caller. A period
 * of 0 or less never reports.
 */
#ifndef QX_TOOLS_SILENCE_WATCH_H
#define QX_TOOLS_SILENCE_WATCH_H

#include <cstdint>

class SilenceWatch
{
  public:
    /* Starts watching at startMs (the STARTDT con). */
    SilenceWatch(int64_t periodMs, int64_t startMs) : m_period(periodMs), m_last(startMs) {}

    /* Data (an ASDU) arrived: a new silent stretch starts. */
    void dataReceived(int64_t nowMs)
    {
        m_last = nowMs;
        m_reported = false;
    }

    /* True once per silent stretch, when it has lasted longer than the period. */
    bool silentTooLong(int64_t nowMs)
    {
        if (m_period <= 0 || m_reported || nowMs - m_last <= m_period)
            return false;
        m_reported = true;
        return true;
    }

    /* Length of the current stretch. */
    int64_t silentMs(int64_t nowMs) const { return nowMs - m_last; }

  private:
    int64_t m_period;
    int64_t m_last;
    bool m_reported = false;
};

#endif
