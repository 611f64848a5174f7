// SPDX-License-Identifier: Apache-2.0
/*
 * The operator's status file: JSON strings and times, the document's exact
 * form (what a collector parses), the atomic replacement and the quiet
 * report of a failing write.
 */
#include "status_file.h"

#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <gtest/gtest.h>

#include "fakes/file_helpers.h"

namespace
{

TEST(StatusJson, StringsAreEscapedAndUtf8PassesThrough)
{
    EXPECT_EQ(JsonString("plain"), "\"plain\"");
    EXPECT_EQ(JsonString("a\"b\\c"), "\"a\\\"b\\\\c\"");
    EXPECT_EQ(JsonString("l1\nl2\r\t"), "\"l1\\nl2\\r\\t\"");
    EXPECT_EQ(JsonString(std::string("\x01\x1f\x7f", 3)), "\"\\u0001\\u001f\\u007f\"");
    EXPECT_EQ(JsonString(std::string("nul\0x", 5)), "\"nul\\u0000x\"");
    EXPECT_EQ(JsonString("Zähler"), "\"Zähler\"");
}

TEST(StatusJson, TimesAreUtcWithMillisecondsAlsoAfter2038)
{
    EXPECT_EQ(IsoUtc(0), "1970-01-01T00:00:00.000Z");
    EXPECT_EQ(IsoUtc(1714564800123ULL), "2024-05-01T12:00:00.123Z");
    EXPECT_EQ(IsoUtc(4102444800999ULL), "2100-01-01T00:00:00.999Z");
}

TEST(StatusJson, Document_FieldsInTheirDocumentedForm)
{
    GatewayStatus s;
    s.version = "1.2.3";
    s.uptimeS = 3600;
    MasterStatus m;
    m.address = "10.0.0.5:40001";
    m.group = "control \"A\"";
    m.started = true;
    m.sinceMs = 1714564800123ULL;
    m.iFramesSent = 5000000000ULL; /* beyond 32 bits */
    m.iFramesReceived = 7;
    m.unconfirmed = 3;
    s.masters.push_back(m);
    m.address = "10.0.0.6:40002";
    m.group = "B";
    m.started = false;
    m.iFramesSent = 0;
    m.iFramesReceived = 0;
    m.unconfirmed = 0;
    s.masters.push_back(m);
    s.refreshTimeMs = 1714564801000ULL;
    s.refreshDurationMs = 42;
    s.tablesFailed = {"tbPower", "tbEnv"};
    s.eventsLost = 9;
    s.groups = true;
    s.groupEventsLost = {{"control \"A\"", 4}, {"B", 5}};
    s.invalid = 2;
    s.notTopical = 11;
    EXPECT_EQ(StatusJson(s),
              "{\n"
              "  \"version\": \"1.2.3\",\n"
              "  \"uptime_s\": 3600,\n"
              "  \"masters\": [\n"
              "    {\"address\": \"10.0.0.5:40001\", \"group\": \"control \\\"A\\\"\", "
              "\"state\": \"started\", \"since\": \"2024-05-01T12:00:00.123Z\", "
              "\"i_frames_sent\": 5000000000, \"i_frames_received\": 7, \"unconfirmed\": 3},\n"
              "    {\"address\": \"10.0.0.6:40002\", \"group\": \"B\", \"state\": \"standby\", "
              "\"since\": \"2024-05-01T12:00:00.123Z\", \"i_frames_sent\": 0, "
              "\"i_frames_received\": 0, \"unconfirmed\": 0}\n"
              "  ],\n"
              "  \"last_refresh\": {\"time\": \"2024-05-01T12:00:01.000Z\", \"duration_ms\": 42, "
              "\"tables_failed\": [\"tbPower\", \"tbEnv\"]},\n"
              "  \"events_lost\": 9,\n"
              "  \"events_lost_groups\": {\"control \\\"A\\\"\": 4, \"B\": 5},\n"
              "  \"quality\": {\"invalid\": 2, \"not_topical\": 11}\n"
              "}\n");

    GatewayStatus empty; /* no master, no group section */
    const std::string text = StatusJson(empty);
    EXPECT_NE(text.find("\"masters\": [],\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\"tables_failed\": []}"), std::string::npos) << text;
    EXPECT_EQ(text.find("events_lost_groups"), std::string::npos) << text;
}

TEST(StatusFileWrite, ReplacesByRename_OldFileStaysWholeForItsReaders)
{
    const std::string dir = qxtest::freshTestDir();
    const std::string path = dir + "/status.json";
    StatusFile file(path);
    ASSERT_TRUE(file.Write("old document\n"));
    std::ifstream reader(path); /* a reader holding the old file open */
    struct stat before;
    ASSERT_EQ(stat(path.c_str(), &before), 0);

    ASSERT_TRUE(file.Write("new document, longer than the old one\n"));
    struct stat after;
    ASSERT_EQ(stat(path.c_str(), &after), 0);
    EXPECT_NE(before.st_ino, after.st_ino) << "written in place, not renamed over";
    std::stringstream held;
    held << reader.rdbuf();
    EXPECT_EQ(held.str(), "old document\n");
    EXPECT_EQ(qxtest::readFile(path), "new document, longer than the old one\n");
    EXPECT_NE(access((path + ".tmp").c_str(), F_OK), 0) << "the temporary file stays behind";
}

TEST(StatusFileWrite, MissingDirectory_ReportedOnceThenCleared)
{
    const std::string dir = qxtest::freshTestDir() + "/later";
    StatusFile file(dir + "/status.json");
    testing::internal::CaptureStdout();
    EXPECT_FALSE(file.Write("{}\n"));
    EXPECT_FALSE(file.Write("{}\n"));
    EXPECT_FALSE(file.Write("{}\n"));
    ASSERT_EQ(mkdir(dir.c_str(), 0755), 0);
    EXPECT_TRUE(file.Write("{}\n"));
    const std::string out = testing::internal::GetCapturedStdout();
    const std::string line =
        "[StatusFile] cannot write " + dir + "/status.json: No such file or directory\r\n";
    EXPECT_EQ(out, line + "... 2 more in the last 0 s: " + line.substr(0, line.size() - 2) +
                       "\r\ncleared: " + line);
    EXPECT_EQ(qxtest::readFile(dir + "/status.json"), "{}\n");
}

TEST(StatusFileWrite, TargetIsADirectory_FailsAndLeavesNoTemporaryFile)
{
    const std::string dir = qxtest::freshTestDir();
    ASSERT_EQ(mkdir((dir + "/status.json").c_str(), 0755), 0);
    StatusFile file(dir + "/status.json");
    testing::internal::CaptureStdout();
    EXPECT_FALSE(file.Write("{}\n"));
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("cannot write " + dir + "/status.json: "), std::string::npos) << out;
    EXPECT_NE(access((dir + "/status.json.tmp").c_str(), F_OK), 0);
}

} // namespace
