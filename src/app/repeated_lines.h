// SPDX-License-Identifier: Apache-2.0
/*
 * repeated_lines.h - a quiet console for errors that last.
 *
 * The refresh reports its errors round by round (one round per refresh). A
 * line new in a round is printed at once (each time it occurs in that round); while it keeps coming
 * back, its repeats are counted and summed up at most once a minute ("... 58 more in the last 60 s:
 * <line>"); a round without it prints one line that it cleared (with the repeats not yet summed
 * up). So a lasting fault costs a line a minute instead of one per scan.
 *
 * Time: the platform layer's monotonic clock (Hal_getMonotonicTimeInMs), so
 * the tests drive it with the fake clock. Threads: one caller at a time.
 */
#ifndef REPEATED_LINES_H
#define REPEATED_LINES_H

#include <cstdint>
#include <map>
#include <string>
#include <vector>

class RepeatedLines
{
  public:
    static constexpr uint64_t kSummaryPeriodMs = 60000;

    /* The lines of one round (each may end in "\r\n" or "\n"); returns the
     * text to print for it, every line ending in "\r\n". */
    std::string Round(const std::vector<std::string>& lines);

    /* Lines currently repeating. */
    size_t Active() const { return m_active.size(); }

  private:
    struct State {
        uint64_t sinceMs = 0; /* start of the period being counted */
        int repeats = 0;      /* times seen since sinceMs, not yet printed */
    };
    std::map<std::string, State> m_active; /* by text without its line end */
};

#endif
