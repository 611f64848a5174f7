// SPDX-License-Identifier: Apache-2.0
/*
 * Fixture of the gateway's process tests: a sandbox working directory under
 * the build tree with the demo data set, the data-store library linked in,
 * and the real qxsvr104 started there and watched through its console.
 *
 * The flash root and the run-state directory are the ones configured into
 * this build (qx_paths.h), both inside the build tree. Every test uses TCP
 * port 2404, so CTest runs these tests one at a time; a test fails with a
 * clear message when another program holds the port.
 *
 * Expected values are computed here from the rows of the data set (the
 * qxdemo description), never read back from the gateway.
 */
#ifndef QX_TESTS_APP_GATEWAY_SANDBOX_H
#define QX_TESTS_APP_GATEWAY_SANDBOX_H

#include "gateway_process.h"
#include "station_client.h"

#include "fakes/file_helpers.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace qxtest
{

const uint16_t kGatewayPort = 2404;

/* True when port 2404 can be bound on every interface right now. */
bool gatewayPortFree();

/* Runs SQL on a database file (for changing data under a running gateway). */
bool execSql(const std::string& dbPath, const std::string& sql);

/* Expected image values from the demo data set. */
std::map<int, int> expectedStationStatus();        /* IOAs 1..29 */
std::map<int, float> expectedMeasured();           /* every served measured IOA */
std::vector<std::pair<int, int>> measuredRanges(); /* the served IOA ranges, in order */

class GatewaySandbox : public ::testing::Test
{
  protected:
    void SetUp() override;
    void TearDown() override;

    /* Replaces the "Periodic=" line of the sample configuration. */
    void setPeriodic(const std::string& value);
    /* Adds key=value to section "Svr104" of the configuration. */
    void setSvr104Key(const std::string& key, const std::string& value);
    /* Adds whole lines ("key=value\n" each) to section "Svr104". */
    void setSvr104Lines(const std::string& lines);
    /* Appends text to the configuration file. */
    void appendIni(const std::string& text);

    /* Starts the gateway (with env_ added to its environment) and waits for
     * "running..."; fails the test otherwise. */
    void startGateway();
    /* Holds TCP port 2404 on every interface with a listener of the test's
     * own; fails the test when the port is taken. */
    void occupyGatewayPort(RawSocket& blocker);
    /* Connects the client and starts data transfer; fails the test otherwise. */
    void connectClient();
    /* SIGINT, then the exit status (wait status), -1 after timeoutMs. */
    int interruptGateway(int timeoutMs = 8000);
    /* With the gateway started and a client connected: every thread but the
     * main one blocks all of signals (a mask of bit (signal - 1) each), and
     * the main thread none of them. Reads the masks from /proc. */
    void expectOnlyMainThreadTakes(uint64_t signals);

    std::string dataDb() const { return work_ + "/tmp/dbDat0.db3"; }
    std::string pidFile() const;

    std::string root_;
    std::string work_;
    GatewayProcess gateway_;
    StationClient client_;
    std::vector<std::string> env_; /* "NAME=value" for the gateway's environment */
};

/* I frames of the given type and cause. */
std::vector<IFrame> framesOf(const std::vector<IFrame>& frames, int type, int cot);

/*
 * The demo data set's whole station interrogation answer is among frames:
 * 2 status and 16 measured ASDUs with cause 20, and 34 cause-1 groups;
 * exactly 34, or at least 34 when periodic reports run alongside.
 */
bool interrogationAnswered(const std::vector<IFrame>& frames, bool periodicAlongside);

/* interrogationAnswered() with no periodic reports running. */
bool answerComplete(const std::vector<IFrame>& frames);

} // namespace qxtest

#endif
