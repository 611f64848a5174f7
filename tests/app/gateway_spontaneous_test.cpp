// SPDX-License-Identifier: Apache-2.0
/*
 * Reporting by exception seen by a raw-octet master over loopback: the real
 * gateway scans its database every ScanMs and sends changes as time-tagged
 * events with cause 3. Objects and time tags are decoded by hand
 * (station_client.h); the time tag is judged against the C library's calendar.
 */
#include "gateway_sandbox.h"

#include "demo_data.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <string>
#include <thread>

namespace qxtest
{
namespace
{

const int kScanMs = 100;
/* Time a scan may take beyond its period before a test gives up on an event. */
const int kMarginMs = 1000;

/* tbModbusDat register r of station 49 is measured IOA 0x4000 + 128 + r (r <= 127). */
int modbusIoa(int reg)
{
    return 0x4000 + 128 + reg;
}

int64_t wallClockMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

using TaggedPoint = PointValue;

/* Every event object of the frames, in arrival order. */
std::vector<TaggedPoint> eventsOf(const std::vector<IFrame>& frames)
{
    std::vector<TaggedPoint> events;
    for (const IFrame& f : frames)
        for (const TaggedPoint& p : decodeTaggedPoints(f))
            events.push_back(p);
    return events;
}

bool never(const std::vector<IFrame>&)
{
    return false;
}

class GatewaySpontaneous : public GatewaySandbox
{
  protected:
    void SetUp() override
    {
        GatewaySandbox::SetUp();
        setPeriodic("0"); /* no periodic traffic: every frame is an event */
    }

    void enableScans()
    {
        setSvr104Lines("Spontaneous=1\nScanMs=" + std::to_string(kScanMs) + "\n");
    }

    /* Starts and waits until the first (silent) scan has surely run. */
    void startScanning()
    {
        startGateway();
        std::this_thread::sleep_for(std::chrono::milliseconds(5 * kScanMs));
    }

    void sql(const std::string& statement)
    {
        ASSERT_TRUE(execSql(dataDb(), statement)) << statement;
    }

    void setRegister(int reg, int value)
    {
        sql("update tbModbusDat set Val=" + std::to_string(value) + " where SID=49 and Fld='V4" +
            (reg < 10 ? "000" : "00") + std::to_string(reg) + "'");
    }

    /* I frames arriving within ms. */
    std::vector<IFrame> collectFor(int ms)
    {
        std::vector<IFrame> frames;
        client_.collectUntil(frames, never, ms);
        return frames;
    }

    /* Frames until the first one of the given type arrives, or the time-out. */
    std::vector<IFrame> collectUntilType(int type, int timeoutMs)
    {
        std::vector<IFrame> frames;
        client_.collectUntil(
            frames,
            [type](const std::vector<IFrame>& f) { return !f.empty() && f.back().type == type; },
            timeoutMs);
        return frames;
    }
};

TEST_F(GatewaySpontaneous, ValueChange_ArrivesOnceWithinAScanTaggedBetweenChangeAndArrival)
{
    enableScans();
    startScanning();
    connectClient();
    EXPECT_TRUE(collectFor(8 * kScanMs).empty()) << "nothing changed, nothing may be sent";

    const int64_t changedAt = wallClockMs();
    const auto started = std::chrono::steady_clock::now();
    setRegister(15, 1234);
    std::vector<IFrame> frames = collectUntilType(36, kScanMs + kMarginMs);
    const int64_t arrivedAt = wallClockMs();
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
                          std::chrono::steady_clock::now() - started)
                          .count();
    ASSERT_EQ(1u, frames.size()) << gateway_.transcript();
    EXPECT_LT(took, kScanMs + kMarginMs);
    const IFrame& event = frames[0];
    EXPECT_EQ(36, event.type);
    EXPECT_EQ(3, event.cot);
    EXPECT_EQ(2, event.oa);
    EXPECT_EQ(1, event.ca);
    std::vector<TaggedPoint> points = decodeTaggedPoints(event);
    ASSERT_EQ(1u, points.size());
    EXPECT_EQ(modbusIoa(15), points[0].ioa);
    EXPECT_EQ(static_cast<float>(1234 * 0.1), static_cast<float>(points[0].value));
    EXPECT_EQ(0, points[0].quality);
    EXPECT_LE(changedAt, points[0].tagMs);
    EXPECT_GE(arrivedAt, points[0].tagMs);

    EXPECT_TRUE(collectFor(5 * kScanMs).empty()) << "a change is reported once";
}

/* Context switches of a process's main thread so far (-1: unreadable). */
long mainThreadSwitches(pid_t pid)
{
    const std::string path =
        "/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) + "/status";
    std::ifstream status(path);
    long total = -1;
    std::string line;
    while (std::getline(status, line)) {
        long n = 0;
        if (std::sscanf(line.c_str(), "voluntary_ctxt_switches: %ld", &n) == 1 ||
            std::sscanf(line.c_str(), "nonvoluntary_ctxt_switches: %ld", &n) == 1)
            total = (total < 0 ? 0 : total) + n;
    }
    return total;
}

TEST_F(GatewaySpontaneous, NoChange_ScansSleep_AChangeIsStillScannedWithinItsPeriod)
{
    enableScans();
    startScanning();
    connectClient();
    /* 20 scan deadlines pass in 2 s; without a change of the data file the
     * main loop wakes for about 2 of them. */
    const long before = mainThreadSwitches(gateway_.pid());
    ASSERT_GE(before, 0);
    EXPECT_TRUE(collectFor(20 * kScanMs).empty());
    EXPECT_LT(mainThreadSwitches(gateway_.pid()) - before, 10);

    /* A scan once a second alone would leave a change waiting up to 1 s. */
    long slowest = 0;
    for (int i = 0; i < 5; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(130 + 170 * i));
        const auto changed = std::chrono::steady_clock::now();
        setRegister(15, 2000 + i);
        std::vector<IFrame> frames = collectUntilType(36, kScanMs + kMarginMs);
        ASSERT_EQ(1u, frames.size()) << gateway_.transcript();
        slowest = std::max<long>(slowest, std::chrono::duration_cast<std::chrono::milliseconds>(
                                              std::chrono::steady_clock::now() - changed)
                                              .count());
    }
    EXPECT_LT(slowest, 6 * kScanMs);
}

TEST_F(GatewaySpontaneous, TableDeadband_ChangeInsideSendsNothing_ChangeBeyondSendsOneEvent)
{
    enableScans();
    setSvr104Lines("Deadband=0.01\n");
    appendIni("[Svr.Deadband]\ntbModbusDat=5\n");
    const int start = qxdemo::RegisterValue(49, 16);
    startScanning();
    connectClient();

    setRegister(16, start + 30); /* 3.0: inside the table's deadband of 5 */
    EXPECT_TRUE(collectFor(6 * kScanMs).empty());
    setRegister(16, start + 60); /* 6.0 from the last reported value: beyond */
    std::vector<IFrame> frames = collectUntilType(36, kScanMs + kMarginMs);
    std::vector<IFrame> more = collectFor(4 * kScanMs);
    frames.insert(frames.end(), more.begin(), more.end());
    ASSERT_EQ(1u, frames.size());
    std::vector<TaggedPoint> points = decodeTaggedPoints(frames[0]);
    ASSERT_EQ(1u, points.size());
    EXPECT_EQ(modbusIoa(16), points[0].ioa);
    EXPECT_EQ(static_cast<float>((start + 60) * 0.1), static_cast<float>(points[0].value));
}

TEST_F(GatewaySpontaneous, StatusFlip_SendsOneSinglePointWithTimeTag)
{
    enableScans();
    startScanning();
    connectClient();
    const int64_t changedAt = wallClockMs();
    sql("update tbDio set D01=0 where SID=1"); /* IOA 1, on in the data set */
    std::vector<IFrame> frames = collectUntilType(30, kScanMs + kMarginMs);
    ASSERT_EQ(1u, frames.size()) << gateway_.transcript();
    EXPECT_EQ(30, frames[0].type);
    EXPECT_EQ(3, frames[0].cot);
    std::vector<TaggedPoint> points = decodeTaggedPoints(frames[0]);
    ASSERT_EQ(1u, points.size());
    EXPECT_EQ(1, points[0].ioa);
    EXPECT_EQ(0, points[0].value);
    EXPECT_LE(changedAt, points[0].tagMs);
}

TEST_F(GatewaySpontaneous, BurstOfChanges_EventsArriveInTheOrderTheyHappened)
{
    enableScans();
    startScanning();
    connectClient();
    /* Falling IOAs and alternating types, so neither an IOA nor a type order
     * could pass for the order of the changes. */
    setRegister(25, 900);
    std::this_thread::sleep_for(std::chrono::milliseconds(3 * kScanMs));
    sql("update tbDio set D02=1 where SID=1");
    std::this_thread::sleep_for(std::chrono::milliseconds(3 * kScanMs));
    setRegister(20, 901);
    std::this_thread::sleep_for(std::chrono::milliseconds(3 * kScanMs));
    sql("update tbDio set D01=0 where SID=1");
    std::this_thread::sleep_for(std::chrono::milliseconds(3 * kScanMs));
    setRegister(16, 902);

    std::vector<IFrame> frames;
    client_.collectUntil(
        frames, [](const std::vector<IFrame>& f) { return eventsOf(f).size() >= 5; },
        kScanMs + kMarginMs);
    std::vector<IFrame> more = collectFor(3 * kScanMs);
    frames.insert(frames.end(), more.begin(), more.end());
    std::vector<TaggedPoint> events = eventsOf(frames);
    std::vector<int> ioas;
    for (const TaggedPoint& e : events)
        ioas.push_back(e.ioa);
    EXPECT_EQ((std::vector<int>{modbusIoa(25), 2, modbusIoa(20), 1, modbusIoa(16)}), ioas)
        << gateway_.transcript();
    for (size_t i = 1; i < events.size(); ++i)
        EXPECT_LT(events[i - 1].tagMs, events[i].tagMs) << "event " << i;
}

TEST_F(GatewaySpontaneous, FullQueueWithoutMaster_SaysHowManyEventsWereLost_KeepsTheNewest)
{
    /* The queues hold two whole reports of the configuration (every served
     * table up to the image's end), so bursts of changes without a master
     * must pile up for a few scans before the ring overwrites events. */
    const int rows = 1000, columns = 16, base = 0x4C00;
    const int perBurst = rows * columns;
    {
        CppSQLite3DB db;
        db.open(dataDb().c_str());
        qxdemo::CreateValueTable(db, "tbBig", columns);
        for (int sid = 1; sid <= rows; ++sid)
            qxdemo::InsertValueRow(db, "tbBig", {sid, 2999, std::vector<int>(columns, 0)});
        for (int fld = 1; fld <= columns; ++fld)
            db.execDML(
                ("insert into tbSMDef values (2999, " + std::to_string(fld) + ", 1)").c_str());
    }
    appendIni("[Svr.BaseAddr]\ntbBig=4C00\n");
    enableScans();
    startScanning();

    /* Every value of the table changes at once, burst after burst, with no
     * master to send to: burst b sets every value to b. */
    std::string update = "update tbBig set V01=V01+1";
    for (int v = 2; v <= columns; ++v) {
        char column[16];
        std::snprintf(column, sizeof column, "V%02d", v);
        update += std::string(", ") + column + "=" + column + "+1";
    }
    int bursts = 0;
    while (bursts < 40 && gateway_.countFrom(0, "events lost, queue full") == 0) {
        sql(update);
        ++bursts;
        /* Two scan periods: the burst is scanned once before the next. */
        std::this_thread::sleep_for(std::chrono::milliseconds(2 * kScanMs));
        gateway_.waitFor("events lost, queue full", kScanMs);
    }
    ASSERT_GT(gateway_.countFrom(0, "events lost, queue full"), 0)
        << "after " << bursts << " bursts\n"
        << gateway_.transcript();
    std::this_thread::sleep_for(std::chrono::milliseconds(3 * kScanMs));
    int lost = 0;
    int lines = 0;
    for (const std::string& line : gateway_.lines()) {
        int n = 0;
        if (std::sscanf(line.c_str(), "SvrScan: %d events lost, queue full", &n) == 1) {
            lost += n;
            ++lines;
        }
    }
    /* At most one line per scan: only the scan after the last burst lost. */
    EXPECT_EQ(1, lines) << gateway_.transcript();
    const int total = bursts * perBurst;
    ASSERT_GT(lost, 0);
    ASSERT_LT(lost, total);

    /* The next master gets what the queue kept: the newest events, in order. */
    connectClient();
    std::vector<IFrame> frames;
    client_.collectUntil(
        frames,
        /* Whole ASDUs of 16 floats are overwritten, so the kept events fill
         * whole frames (counting frames keeps the wait linear). */
        [&](const std::vector<IFrame>& f) {
            return 16 * static_cast<int>(f.size()) >= total - lost;
        },
        20000);
    std::vector<IFrame> more = collectFor(3 * kScanMs);
    frames.insert(frames.end(), more.begin(), more.end());
    std::vector<TaggedPoint> events = eventsOf(frames);
    ASSERT_EQ(total - lost, static_cast<int>(events.size())) << "lost " << lost;
    /* Event k of all bursts (0-based, in the order seen) is IOA base + k mod
     * perBurst with the value of its burst; the kept ones are the last. */
    for (size_t i = 0; i < events.size(); ++i) {
        const int k = lost + static_cast<int>(i);
        ASSERT_EQ(base + k % perBurst, events[i].ioa) << "event " << i;
        ASSERT_EQ(static_cast<double>(k / perBurst + 1), events[i].value) << "event " << i;
    }
}

/* Every I frame's ASDU octets of one complete periodic report (52 ASDUs). */
std::vector<Octets> firstReport(StationClient& client)
{
    std::vector<IFrame> frames;
    client.collectUntil(
        frames, [](const std::vector<IFrame>& f) { return f.size() >= 52; }, 8000);
    std::vector<Octets> asdus;
    for (const IFrame& f : frames)
        asdus.push_back(f.asdu());
    return asdus;
}

TEST_F(GatewaySpontaneous,
       SpontaneousOff_SendsExactlyThePeriodicTrafficOfAConfigurationWithoutTheKeys)
{
    setPeriodic("1");
    startGateway();
    connectClient();
    std::vector<Octets> withoutKeys = firstReport(client_);
    ASSERT_EQ(52u, withoutKeys.size());
    client_.close();
    ASSERT_EQ(0, exitCodeOf(interruptGateway()));

    setSvr104Lines("Spontaneous=0\nScanMs=100\nDeadband=0.5\n");
    appendIni("[Svr.Deadband]\ntbModbusDat=1\n");
    GatewayProcess gateway;
    ASSERT_TRUE(gatewayPortFree());
    ASSERT_TRUE(gateway.start(QX_GATEWAY_BINARY, work_));
    ASSERT_TRUE(gateway.waitFor("running...", 10000)) << gateway.transcript();
    StationClient client;
    ASSERT_TRUE(client.connect(kGatewayPort));
    ASSERT_TRUE(client.startDataTransfer());
    EXPECT_EQ(withoutKeys, firstReport(client));

    /* A change waits for the next report: no event, only cause-1 reports. */
    setRegister(15, 1);
    std::vector<IFrame> frames;
    client.collectUntil(frames, never, 1500);
    for (const IFrame& f : frames) {
        EXPECT_TRUE(f.type == 1 || f.type == 13) << "type " << f.type;
        EXPECT_EQ(1, f.cot);
    }
    EXPECT_EQ(0, gateway.countFrom(0, "SvrScan"));
    client.close();
    ASSERT_TRUE(gateway.signal(SIGINT));
    EXPECT_EQ(0, exitCodeOf(gateway.waitExit(8000))) << gateway.transcript();
}

} // namespace
} // namespace qxtest
