// SPDX-License-Identifier: Apache-2.0
/*
 * status_file.cpp - the operator's status file (see status_file.h).
 */
#include "status_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

namespace
{

std::string Number(uint64_t value)
{
    return std::to_string(static_cast<unsigned long long>(value));
}

/* Writes all of text to fd; false with errno set on failure. */
bool WriteAll(int fd, const std::string& text)
{
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

} // namespace

std::string JsonString(const std::string& text)
{
    std::string out = "\"";
    for (const char c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (u < 0x20 || u == 0x7F) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

std::string IsoUtc(uint64_t msSince1970)
{
    const time_t seconds = static_cast<time_t>(msSince1970 / 1000);
    struct tm parts;
    if (gmtime_r(&seconds, &parts) == nullptr)
        return "";
    char text[80]; /* room for any int fields the format could print */
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03uZ", parts.tm_year + 1900,
                  parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec,
                  static_cast<unsigned>(msSince1970 % 1000));
    return text;
}

std::string StatusJson(const GatewayStatus& s)
{
    std::string out = "{\n";
    out += "  \"version\": " + JsonString(s.version) + ",\n";
    out += "  \"uptime_s\": " + Number(s.uptimeS) + ",\n";
    out += "  \"masters\": [";
    for (size_t i = 0; i < s.masters.size(); ++i) {
        const MasterStatus& m = s.masters[i];
        out += i == 0 ? "\n" : ",\n";
        out += "    {\"address\": " + JsonString(m.address) +
               ", \"group\": " + JsonString(m.group) +
               ", \"state\": " + (m.started ? "\"started\"" : "\"standby\"") +
               ", \"since\": " + JsonString(IsoUtc(m.sinceMs)) +
               ", \"i_frames_sent\": " + Number(m.iFramesSent) +
               ", \"i_frames_received\": " + Number(m.iFramesReceived) +
               ", \"unconfirmed\": " + std::to_string(m.unconfirmed) + "}";
    }
    out += s.masters.empty() ? "],\n" : "\n  ],\n";
    out += "  \"last_refresh\": {\"time\": " + JsonString(IsoUtc(s.refreshTimeMs)) +
           ", \"duration_ms\": " + Number(s.refreshDurationMs) + ", \"tables_failed\": [";
    for (size_t i = 0; i < s.tablesFailed.size(); ++i)
        out += (i == 0 ? "" : ", ") + JsonString(s.tablesFailed[i]);
    out += "]},\n";
    out += "  \"events_lost\": " + Number(s.eventsLost) + ",\n";
    if (s.groups) {
        out += "  \"events_lost_groups\": {";
        for (size_t i = 0; i < s.groupEventsLost.size(); ++i)
            out += (i == 0 ? "" : ", ") + JsonString(s.groupEventsLost[i].first) + ": " +
                   Number(s.groupEventsLost[i].second);
        out += "},\n";
    }
    out += "  \"quality\": {\"invalid\": " + Number(s.invalid) +
           ", \"not_topical\": " + Number(s.notTopical) + "}\n";
    return out + "}\n";
}

bool StatusFile::Write(const std::string& document)
{
    const std::string temporary = m_path + ".tmp";
    std::string failure;
    const int fd =
        open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
        failure = std::strerror(errno);
    } else {
        const bool written = WriteAll(fd, document);
        const int writeErrno = errno;
        const bool closed = close(fd) == 0;
        if (!written || !closed)
            failure = std::strerror(written ? errno : writeErrno);
        else if (rename(temporary.c_str(), m_path.c_str()) != 0)
            failure = std::strerror(errno);
        if (!failure.empty())
            unlink(temporary.c_str());
    }
    std::vector<std::string> lines;
    if (!failure.empty())
        lines.push_back("[StatusFile] cannot write " + m_path + ": " + failure);
    const std::string text = m_console.Round(lines);
    if (!text.empty())
        fputs(text.c_str(), stdout);
    return failure.empty();
}
