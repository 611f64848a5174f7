// SPDX-License-Identifier: Apache-2.0
/*
 * The real gateway with StatusFile set: the document after a refresh on
 * healthy demo data and with a table made unreadable, and a master's entry
 * as it connects, starts, is answered and closes.
 */
#include "gateway_sandbox.h"

#include "fakes/file_helpers.h"
#include "qx_paths.h"

#include <cstdlib>
#include <functional>

namespace qxtest
{
namespace
{

/* The whole number after "key": in text (from position from on), or -1. */
long long numberAfter(const std::string& text, const std::string& key, size_t from = 0)
{
    const size_t at = text.find("\"" + key + "\": ", from);
    if (at == std::string::npos)
        return -1;
    return std::atoll(text.c_str() + at + key.size() + 4);
}

/* The line of the master entry whose address starts with prefix, or "". */
std::string masterLine(const std::string& text, const std::string& prefix)
{
    const size_t at = text.find("{\"address\": \"" + prefix);
    return at == std::string::npos ? "" : text.substr(at, text.find('\n', at) - at);
}

class GatewayStatusFile : public GatewaySandbox
{
  protected:
    std::string statusPath() const { return work_ + "/run/status.json"; }

    /* Polls the document until it satisfies done (5 s at most); the last one read. */
    std::string waitForStatus(const std::function<bool(const std::string&)>& done)
    {
        std::string text;
        for (int i = 0; i < 100; ++i) {
            text = readFile(statusPath());
            if (!text.empty() && done(text))
                break;
            usleep(50 * 1000);
        }
        return text;
    }
};

TEST_F(GatewayStatusFile, AfterRefresh_HealthyThenATableFails)
{
    ASSERT_TRUE(makeDirs(work_ + "/run"));
    setPeriodic("1");
    setSvr104Key("StatusFile", "run/status.json"); /* from the working directory */
    startGateway();
    std::string doc = waitForStatus([](const std::string&) { return true; });
    ASSERT_FALSE(doc.empty()) << "no status file";
    EXPECT_NE(doc.find("\"version\": \"" QX_VERSION "\""), std::string::npos) << doc;
    EXPECT_GE(numberAfter(doc, "uptime_s"), 0);
    EXPECT_NE(doc.find("\"masters\": []"), std::string::npos) << doc;
    EXPECT_NE(doc.find("\"tables_failed\": []"), std::string::npos) << doc;
    EXPECT_NE(doc.find("\"time\": \"20"), std::string::npos) << doc;
    EXPECT_GE(numberAfter(doc, "duration_ms"), 0);
    EXPECT_EQ(numberAfter(doc, "events_lost"), 0);
    EXPECT_EQ(numberAfter(doc, "invalid"), 0) << doc;
    EXPECT_EQ(numberAfter(doc, "not_topical"), 0) << doc;
    EXPECT_FALSE(pathExists(statusPath() + ".tmp"));

    ASSERT_TRUE(execSql(dataDb(), "alter table tbPower rename to tbPowerGone"));
    doc = waitForStatus([](const std::string& text) {
        return text.find("\"tables_failed\": [\"tbPower\"]") != std::string::npos;
    });
    EXPECT_NE(doc.find("\"tables_failed\": [\"tbPower\"]"), std::string::npos) << doc;
    EXPECT_GT(numberAfter(doc, "not_topical"), 0) << doc;

    ASSERT_TRUE(execSql(dataDb(), "alter table tbPowerGone rename to tbPower"));
    doc = waitForStatus([](const std::string& text) {
        return text.find("\"tables_failed\": []") != std::string::npos;
    });
    EXPECT_EQ(numberAfter(doc, "not_topical"), 0) << doc;
}

TEST_F(GatewayStatusFile, Master_StartedWithCountersThenGone)
{
    ASSERT_TRUE(makeDirs(work_ + "/run"));
    setPeriodic("0");
    setSvr104Key("StatusFile", work_ + "/run/status.json");
    startGateway();
    connectClient(); /* connects and sends STARTDT act */
    std::string doc = waitForStatus([](const std::string& text) {
        return text.find("\"state\": \"started\"") != std::string::npos;
    });
    std::string line = masterLine(doc, "127.0.0.1:");
    ASSERT_NE(line, "") << doc;
    EXPECT_NE(line.find("\"group\": \"single\""), std::string::npos) << line;
    EXPECT_NE(line.find("\"state\": \"started\""), std::string::npos) << line;
    EXPECT_NE(line.find("\"since\": \"20"), std::string::npos) << line;

    std::vector<IFrame> frames;
    ASSERT_TRUE(client_.sendAsdu(interrogationAsdu(0x06, 20)));
    client_.collectUntil(frames, answerComplete, 10000);
    ASSERT_TRUE(answerComplete(frames));
    /* The answer itself changes no connection: the next change (a refresh
     * needs Periodic) is a second master, which rewrites the document. */
    StationClient second;
    ASSERT_TRUE(second.connect(2404));
    doc = waitForStatus([](const std::string& text) {
        return text.find("\"state\": \"standby\"") != std::string::npos;
    });
    line = masterLine(doc, "127.0.0.1:");
    EXPECT_GT(numberAfter(line, "i_frames_sent"), 0) << line;
    EXPECT_EQ(numberAfter(line, "i_frames_received"), 1) << line;
    EXPECT_GE(numberAfter(line, "unconfirmed"), 0) << line;

    client_.close();
    second.close();
    doc = waitForStatus(
        [](const std::string& text) { return text.find("\"masters\": []") != std::string::npos; });
    EXPECT_NE(doc.find("\"masters\": []"), std::string::npos) << doc;
}

} // namespace
} // namespace qxtest
