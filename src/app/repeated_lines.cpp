// SPDX-License-Identifier: Apache-2.0
/*
 * repeated_lines.cpp - a quiet console for errors that last (see
 * repeated_lines.h).
 */
#include "repeated_lines.h"

#include <set>

#include "hal_time.h"

namespace
{

std::string WithoutLineEnd(std::string line)
{
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    return line;
}

std::string Summary(int repeats, uint64_t spanMs, const std::string& text)
{
    const unsigned long long seconds = (spanMs + 500) / 1000;
    return "... " + std::to_string(repeats) + " more in the last " + std::to_string(seconds) +
           " s: " + text + "\r\n";
}

} // namespace

std::string RepeatedLines::Round(const std::vector<std::string>& lines)
{
    const uint64_t now = Hal_getMonotonicTimeInMs();
    std::string out;
    std::set<std::string> seen;
    std::set<std::string> fresh; /* new in this round: every occurrence prints */
    for (const std::string& line : lines) {
        const std::string text = WithoutLineEnd(line);
        seen.insert(text);
        auto it = m_active.find(text);
        if (it == m_active.end() || fresh.count(text) != 0) {
            m_active[text].sinceMs = now;
            fresh.insert(text);
            out += text + "\r\n";
            continue;
        }
        State& state = it->second;
        ++state.repeats;
        if (now - state.sinceMs >= kSummaryPeriodMs) {
            out += Summary(state.repeats, now - state.sinceMs, text);
            state.sinceMs = now;
            state.repeats = 0;
        }
    }
    for (auto it = m_active.begin(); it != m_active.end();) {
        if (seen.count(it->first) != 0) {
            ++it;
            continue;
        }
        if (it->second.repeats > 0)
            out += Summary(it->second.repeats, now - it->second.sinceMs, it->first);
        out += "cleared: " + it->first + "\r\n";
        it = m_active.erase(it);
    }
    return out;
}
