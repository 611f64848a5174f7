// SPDX-License-Identifier: Apache-2.0
#include "gateway_sandbox.h"

#include "demo_data.h"
#include "fakes/build_traits.h"
#include "qx_paths.h"

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <ftw.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace qxtest
{

bool gatewayPortFree()
{
    RawSocket probe(::socket(AF_INET, SOCK_STREAM, 0));
    int one = 1;
    ::setsockopt(probe.fd(), SOL_SOCKET, SO_REUSEADDR, &one, sizeof(one));
    sockaddr_in address;
    std::memset(&address, 0, sizeof(address));
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    address.sin_port = htons(kGatewayPort);
    return probe.valid() &&
           ::bind(probe.fd(), reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
}

bool execSql(const std::string& dbPath, const std::string& sql)
{
    sqlite3* db = nullptr;
    bool ok = sqlite3_open(dbPath.c_str(), &db) == SQLITE_OK;
    if (ok) {
        sqlite3_busy_timeout(db, 5000);
        ok = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    sqlite3_close(db);
    return ok;
}

/* ------------------------------------------------------- expected values */

static int extDiOf(int type)
{
    for (const auto& t : qxdemo::SMTypeRows())
        if (t.type == type)
            return t.extDi;
    return 0;
}

std::map<int, int> expectedStationStatus()
{
    std::vector<int> image(29, 0);
    /* Device inputs in SID order, type 2317 left out, ExtDi 0 counting as 8. */
    auto rows = qxdemo::DioRows();
    std::sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) { return a.sid < b.sid; });
    int index = 0;
    for (const auto& row : rows) {
        if (row.type == 2317)
            continue;
        int n = extDiOf(row.type) == 0 ? 8 : extDiOf(row.type);
        for (int i = 0; i < n; ++i)
            if (index + i < 29)
                image[index + i] = i < static_cast<int>(row.d.size()) && row.d[i] != 0;
        index += n;
    }
    /* Station states (V30002 of stations below 49) from index 9 on, in SID order. */
    auto modbus = qxdemo::ModbusRows();
    std::vector<std::pair<int, int>> states;
    for (const auto& m : modbus)
        if (m.fld == "V30002" && m.sid < 49)
            states.push_back({m.sid, m.val});
    std::sort(states.begin(), states.end());
    index = 9;
    for (const auto& s : states)
        if (index < 29)
            image[index++] = s.second != 0;
    std::map<int, int> byIoa;
    for (int i = 0; i < 29; ++i)
        byIoa[i + 1] = image[i];
    return byIoa;
}

static int divisorOf(int type, int column)
{
    for (const auto& d : qxdemo::SMDefRows())
        if (d.type == type && d.fld == column)
            return d.vfactor < 1 ? 1 : d.vfactor;
    return 1;
}

std::vector<std::pair<int, int>> measuredRanges()
{
    std::vector<std::pair<int, int>> ranges = {{16513, 16519}, {16527, 16537}, {16641, 16670},
                                               {16897, 16920}, {17153, 17176}, {17409, 17432}};
    for (int i = 0; i < 6; ++i)
        ranges.push_back({ranges[i].first + 1280, ranges[i].second + 1280});
    for (const auto& t : qxdemo::ValueTables()) {
        int columns = t.flds != 0 ? t.flds : t.valueColumns;
        int n = columns * static_cast<int>(t.rows.size());
        ranges.push_back({t.baseAddr, t.baseAddr + n - 1});
    }
    return ranges;
}

std::map<int, float> expectedMeasured()
{
    std::map<int, float> values;
    for (const auto& range : measuredRanges())
        for (int ioa = range.first; ioa <= range.second; ++ioa)
            values[ioa] = 0.0f; /* never loaded points stay 0 */
    /* Holding registers from V40015 on: register r (+128 up to 127, +1280 for station 50). */
    for (const auto& m : qxdemo::ModbusRows()) {
        if (m.fld.size() != 6 || m.fld.compare(0, 2, "V4") != 0 || m.fld < "V40015")
            continue;
        int r = std::atoi(m.fld.c_str() + 2);
        if (r <= 127)
            r += 128;
        if (m.sid == 50)
            r += 1280;
        if (values.count(0x4000 + r))
            values[0x4000 + r] = static_cast<float>(m.val * 0.1);
    }
    /* Value tables: rows in SID order, value columns from 1, divided by tbSMDef. */
    for (const auto& t : qxdemo::ValueTables()) {
        auto rows = t.rows;
        std::sort(rows.begin(), rows.end(),
                  [](const auto& a, const auto& b) { return a.sid < b.sid; });
        int columns = t.flds != 0 ? t.flds : t.valueColumns;
        int ioa = t.baseAddr;
        for (const auto& row : rows)
            for (int v = 1; v <= columns; ++v)
                values[ioa++] = static_cast<float>(static_cast<double>(row.values[v - 1]) /
                                                   divisorOf(row.type, v));
    }
    return values;
}

std::vector<IFrame> framesOf(const std::vector<IFrame>& frames, int type, int cot)
{
    std::vector<IFrame> found;
    for (const auto& f : frames)
        if (f.type == type && f.cot == cot)
            found.push_back(f);
    return found;
}

bool interrogationAnswered(const std::vector<IFrame>& frames, bool periodicAlongside)
{
    const size_t groups = framesOf(frames, 1, 1).size();
    return framesOf(frames, 1, 20).size() == 2 &&
           (periodicAlongside ? groups >= 34 : groups == 34) &&
           framesOf(frames, 13, 20).size() == 16;
}

bool answerComplete(const std::vector<IFrame>& frames)
{
    return interrogationAnswered(frames, false);
}

/* --------------------------------------------------------------- fixture */

void GatewaySandbox::SetUp()
{
    root_ = freshTestDir();
    ASSERT_FALSE(root_.empty());
    work_ = root_ + "/work";
    ASSERT_TRUE(makeDirs(work_));
    ASSERT_TRUE(makeDirs(QX_FLASH_ROOT "/tmp"));
    ASSERT_TRUE(makeDirs(QX_RUN_DIR));
    /* A test that puts a directory in the pid file's place and then crashes
     * leaves it behind; every later gateway would refuse to start. */
    struct stat pidInfo;
    if (lstat(pidFile().c_str(), &pidInfo) == 0 && S_ISDIR(pidInfo.st_mode))
        removeTree(pidFile());
    qxdemo::BuildAll(work_, QX_CFG_DB_PATH);
    ASSERT_EQ(0, symlink(QX_QXDB_LIBRARY, (work_ + "/libqxdb.so").c_str()));
    setPeriodic("1"); /* short passes: a stop never waits long */
}

/*
 * ThreadSanitizer's runtime now and then never runs the handler of an
 * asynchronous signal: a 30-line program with a SIGINT handler, a self-pipe
 * and a poll loop, stopped right after start, stayed running after 1 of 600
 * SIGINTs under it and after none of 600 without it. Under that runtime only,
 * the clean-up stop therefore asks a second time after 3 s, and says so; the
 * stop tests themselves (server_104b_test.cpp) still ask once.
 */
void GatewaySandbox::TearDown()
{
    client_.close();
    /* Every test ends with an orderly stop: a sanitizer finding or a hang in
     * the shutdown shows as a status other than 0. */
    if (!gateway_.isRunning())
        return;
    int status = interruptGateway(kThreadSanitizer ? 3000 : 8000);
    if (status == -1 && kThreadSanitizer && gateway_.isRunning()) {
        fprintf(stderr, "note: SIGINT not taken within 3 s under ThreadSanitizer, sent again\n");
        status = interruptGateway(5000);
    }
    if (status == -1 && gateway_.isRunning()) {
        /* Say which thread holds what before the child is killed, and
         * whether a further signal ends it: that tells a lost signal from
         * a stop that hangs. */
        std::string threads = gateway_.threadStates();
        int again = interruptGateway(3000);
        ADD_FAILURE() << "no exit after SIGINT; after another SIGINT: "
                      << (again == -1 ? std::string("still running")
                                      : "exit status " + std::to_string(exitCodeOf(again)))
                      << "\n"
                      << threads << gateway_.transcript();
        return;
    }
    EXPECT_EQ(0, exitCodeOf(status)) << gateway_.transcript();
}

std::string GatewaySandbox::pidFile() const
{
    return std::string(QX_RUN_DIR) + "/qxsvr104.pid";
}

void GatewaySandbox::setPeriodic(const std::string& value)
{
    std::string ini = readFile(work_ + "/qxSvr.ini");
    size_t at = ini.find("Periodic=");
    ASSERT_NE(std::string::npos, at) << ini;
    size_t end = ini.find('\n', at);
    ini.replace(at, end - at, "Periodic=" + value);
    ASSERT_TRUE(writeFile(work_ + "/qxSvr.ini", ini));
}

void GatewaySandbox::setSvr104Key(const std::string& key, const std::string& value)
{
    setSvr104Lines(key + "=" + value + "\n");
}

void GatewaySandbox::setSvr104Lines(const std::string& lines)
{
    std::string ini = readFile(work_ + "/qxSvr.ini");
    const std::string section = "[Svr104]\n";
    size_t at = ini.find(section);
    ASSERT_NE(std::string::npos, at) << ini;
    ini.insert(at + section.size(), lines);
    ASSERT_TRUE(writeFile(work_ + "/qxSvr.ini", ini));
}

void GatewaySandbox::appendIni(const std::string& text)
{
    ASSERT_TRUE(writeFile(work_ + "/qxSvr.ini", readFile(work_ + "/qxSvr.ini") + text));
}

void GatewaySandbox::startGateway()
{
    ASSERT_TRUE(gatewayPortFree())
        << "TCP port 2404 is in use by another program; the gateway process tests need it free";
    ASSERT_TRUE(gateway_.start(QX_GATEWAY_BINARY, work_, env_));
    ASSERT_TRUE(gateway_.waitFor("running...", 10000)) << gateway_.transcript();
}

void GatewaySandbox::occupyGatewayPort(RawSocket& blocker)
{
    ASSERT_TRUE(gatewayPortFree()) << "TCP port 2404 is in use by another program";
    blocker = RawSocket(::socket(AF_INET, SOCK_STREAM, 0));
    sockaddr_in address = loopbackAddress(kGatewayPort);
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    int one = 1; /* connections of earlier tests may still be in TIME_WAIT */
    ::setsockopt(blocker.fd(), SOL_SOCKET, SO_REUSEADDR, &one, sizeof(one));
    ASSERT_EQ(0, ::bind(blocker.fd(), reinterpret_cast<sockaddr*>(&address), sizeof(address)));
    ASSERT_EQ(0, ::listen(blocker.fd(), 1));
}

void GatewaySandbox::connectClient()
{
    ASSERT_TRUE(client_.connect(kGatewayPort));
    ASSERT_TRUE(client_.startDataTransfer()) << gateway_.transcript();
}

void GatewaySandbox::expectOnlyMainThreadTakes(uint64_t signals)
{
    auto masks = gateway_.blockedSignals();
    ASSERT_GE(masks.size(), 3u) << "main, listener and one connection thread";
    for (const auto& thread : masks) {
        if (thread.first == gateway_.pid())
            EXPECT_EQ(0u, thread.second & signals) << "main thread " << std::hex << thread.second;
        else
            EXPECT_EQ(signals, thread.second & signals)
                << "thread " << thread.first << " mask " << std::hex << thread.second;
    }
}

int GatewaySandbox::interruptGateway(int timeoutMs)
{
    if (!gateway_.signal(SIGINT))
        return -1;
    return gateway_.waitExit(timeoutMs);
}

} // namespace qxtest
