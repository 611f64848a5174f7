// SPDX-License-Identifier: Apache-2.0
/*
 * status_file.h - the operator's status file (key StatusFile): a small JSON
 * document that a monitoring agent reads.
 *
 * StatusJson writes a GatewayStatus as JSON by hand (no library): strings
 * escaped as JSON requires (quote, backslash, control characters as \uXXXX;
 * other octets pass through, so UTF-8 stays UTF-8), numbers as decimal
 * integers, times as ISO-8601 UTC with milliseconds.
 *
 * StatusFile::Write replaces the file atomically: the document goes into
 * "<path>.tmp" in the same directory, which is then renamed over the path,
 * so a reader sees the old document or the new one, never half of one. No
 * fsync: the document is a status rewritten at every refresh, not data; after
 * a power loss the next refresh writes it again, and an fsync per refresh
 * would cost the flash wear and the main loop a wait. A failing write (full
 * disk, missing directory, read-only file system) removes the temporary
 * file, prints one line through a RepeatedLines console (a lasting failure
 * costs a line a minute, a recovery says "cleared") and returns false; the
 * caller goes on.
 *
 * Threads: one writer (the main thread). Pure apart from Write's file and
 * console output.
 */
#ifndef STATUS_FILE_H
#define STATUS_FILE_H

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "repeated_lines.h"

/* One connected master. */
struct MasterStatus {
    std::string address; /* "ip:port" */
    std::string group;   /* redundancy group name, or the Redundancy word */
    bool started = false;
    uint64_t sinceMs = 0; /* wall clock of the connect, ms since 1970 */
    uint64_t iFramesSent = 0;
    uint64_t iFramesReceived = 0;
    int unconfirmed = 0;
};

struct GatewayStatus {
    std::string version;
    uint64_t uptimeS = 0;
    std::vector<MasterStatus> masters;
    uint64_t refreshTimeMs = 0; /* wall clock when the last refresh ended */
    uint64_t refreshDurationMs = 0;
    std::vector<std::string> tablesFailed;
    uint64_t eventsLost = 0; /* spontaneous objects lost, all queues */
    /* Redundancy=groups: (group name, events lost in its queue). */
    std::vector<std::pair<std::string, uint64_t>> groupEventsLost;
    bool groups = false;     /* write events_lost_groups */
    uint64_t invalid = 0;    /* served points carrying IV */
    uint64_t notTopical = 0; /* served points carrying NT */
};

/* text as a JSON string, quotes included. */
std::string JsonString(const std::string& text);
/* "2024-05-01T12:00:00.123Z" for ms since 1970 (UTC). */
std::string IsoUtc(uint64_t msSince1970);
/* The whole document, ending in a line feed. */
std::string StatusJson(const GatewayStatus& status);

class StatusFile
{
  public:
    explicit StatusFile(std::string path) : m_path(std::move(path)) {}
    const std::string& Path() const { return m_path; }
    /* Replaces the file with document (see above); false when it failed. */
    bool Write(const std::string& document);

  private:
    std::string m_path;
    RepeatedLines m_console;
};

#endif
