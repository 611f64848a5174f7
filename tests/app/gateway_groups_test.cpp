// SPDX-License-Identifier: Apache-2.0
/*
 * Several control centres at once: the keys Redundancy and Svr.Groups seen
 * by raw-octet masters bound to different 127.0.0.x source addresses. Events
 * come from register changes of station 49 (tbModbusDat) made between scans;
 * each step changes five registers in one statement, so a step's events
 * arrive in IOA order and steps in the order they were made.
 */
#include "gateway_sandbox.h"

#include <chrono>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace qxtest
{
namespace
{

const int kScanMs = 100;
const int kRegisters[] = {15, 16, 17, 18, 19};
const int kPerStep = 5;

/* tbModbusDat register r of station 49 is measured IOA 0x4000 + 128 + r. */
int modbusIoa(int reg)
{
    return 0x4000 + 128 + reg;
}

/* C_IC_NA_1 station interrogation (cause 6), common address 1. */
Octets stationInterrogation()
{
    return {0x64, 0x01, 0x06, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x14};
}

/* (IOA, value x 10) of every time-tagged event, in arrival order. */
using Event = std::pair<int, int>;

std::vector<Event> eventsOf(const std::vector<IFrame>& frames)
{
    std::vector<Event> events;
    for (const IFrame& f : framesOf(frames, 36, 3))
        for (const PointValue& p : decodeTaggedPoints(f))
            events.emplace_back(p.ioa, static_cast<int>(p.value * 10 + 0.5));
    return events;
}

/* The events of steps 1..steps, in the order they were made. */
std::vector<Event> expectedEvents(int firstStep, int lastStep)
{
    std::vector<Event> events;
    for (int step = firstStep; step <= lastStep; ++step)
        for (int reg : kRegisters)
            events.emplace_back(modbusIoa(reg), step * 100 + reg);
    return events;
}

/* A whole periodic report: 36 status and 16 measured ASDUs with cause 1. */
bool reportComplete(const std::vector<IFrame>& frames)
{
    return framesOf(frames, 1, 1).size() >= 36 && framesOf(frames, 13, 1).size() >= 16;
}

class GatewayGroups : public GatewaySandbox
{
  protected:
    void SetUp() override
    {
        GatewaySandbox::SetUp();
        setPeriodic("0");
    }

    /* Two groups: CentreA = 127.0.0.2 and .3, CentreB = 127.0.0.4/32. */
    void useGroups(const std::string& moreSvr104Lines = "")
    {
        setSvr104Lines("Redundancy=groups\nSpontaneous=1\nScanMs=" + std::to_string(kScanMs) +
                       "\n" + moreSvr104Lines);
        appendIni("\n[Svr.Groups]\nCentreA=127.0.0.2, 127.0.0.3\nCentreB=127.0.0.4/32\n");
    }

    /* Starts and waits until the first (silent) scan has surely run. */
    void startScanning()
    {
        startGateway();
        std::this_thread::sleep_for(std::chrono::milliseconds(5 * kScanMs));
    }

    void connectFrom(StationClient& client, const char* source, bool start = true)
    {
        ASSERT_TRUE(client.connect(kGatewayPort, source));
        ASSERT_TRUE(gateway_.waitFor(std::string("New connection from ") + source, 3000))
            << gateway_.transcript();
        if (start) {
            ASSERT_TRUE(client.startDataTransfer()) << gateway_.transcript();
        }
    }

    /* One step: the five registers change together to step * 100 + register. */
    void changeStep(int step)
    {
        std::string cases;
        for (int reg : kRegisters)
            cases +=
                " when 'V400" + std::to_string(reg) + "' then " + std::to_string(step * 100 + reg);
        ASSERT_TRUE(execSql(dataDb(), "update tbModbusDat set Val=case Fld" + cases +
                                          " end where SID=49 and Fld in ('V40015','V40016',"
                                          "'V40017','V40018','V40019')"));
    }

    /* Steps first..last, each awaited on the witness until its events arrived. */
    void runSteps(int first, int last, StationClient& witness, std::vector<IFrame>& seen)
    {
        const size_t before = eventsOf(seen).size();
        for (int step = first; step <= last; ++step) {
            changeStep(step);
            const size_t want = before + static_cast<size_t>((step - first + 1) * kPerStep);
            ASSERT_TRUE(witness.collectUntil(
                seen, [want](const std::vector<IFrame>& f) { return eventsOf(f).size() >= want; },
                3000))
                << "step " << step << "\n"
                << gateway_.transcript();
        }
    }

    /* Frames until count events arrived, or timeoutMs. */
    std::vector<IFrame> eventsFrom(StationClient& client, size_t count, int timeoutMs = 5000)
    {
        std::vector<IFrame> frames;
        client.collectUntil(
            frames, [count](const std::vector<IFrame>& f) { return eventsOf(f).size() >= count; },
            timeoutMs);
        return frames;
    }
};

/* ------------------------------------------------ data to every group */

TEST_F(GatewayGroups, TwoGroupsStarted_EachReceivesEveryReportAndEveryEventInOrder)
{
    useGroups();
    setPeriodic("1");
    startScanning();
    StationClient a, b;
    connectFrom(a, "127.0.0.2");
    connectFrom(b, "127.0.0.4");
    EXPECT_EQ(1, gateway_.countFrom(0, "New connection from 127.0.0.2 (group CentreA)"));
    EXPECT_EQ(1, gateway_.countFrom(0, "New connection from 127.0.0.4 (group CentreB)"));

    std::vector<IFrame> seenA, seenB;
    runSteps(1, 8, a, seenA);
    ASSERT_TRUE(b.collectUntil(
        seenB, [](const std::vector<IFrame>& f) { return eventsOf(f).size() >= 40; }, 3000));
    EXPECT_EQ(expectedEvents(1, 8), eventsOf(seenA));
    EXPECT_EQ(expectedEvents(1, 8), eventsOf(seenB));
    /* Each group gets whole periodic reports of its own. */
    EXPECT_TRUE(a.collectUntil(seenA, reportComplete, 3000));
    EXPECT_TRUE(b.collectUntil(seenB, reportComplete, 3000));
}

TEST_F(GatewayGroups, TakeoverInsideAGroup_KeepsOrder_OtherGroupUntouched)
{
    useGroups();
    startScanning();
    /* The first member of CentreA never acknowledges: its window fills. */
    RawMaster first;
    ASSERT_TRUE(first.connect(kGatewayPort, "127.0.0.2"));
    ASSERT_TRUE(first.sendU(U_STARTDT_ACT));
    std::optional<Apdu> con = first.receive();
    ASSERT_TRUE(con.has_value());
    ASSERT_TRUE(con->isU(U_STARTDT_CON));
    StationClient second, other;
    connectFrom(second, "127.0.0.3", false);
    connectFrom(other, "127.0.0.4");

    std::vector<IFrame> seenOther;
    runSteps(1, 6, other, seenOther);
    int sentToFirst = 0;
    while (first.receive(300).has_value())
        ++sentToFirst;
    EXPECT_GT(sentToFirst, 0);

    /* The second member takes over: every event from the first step on,
     * once and in order (nothing was confirmed). */
    ASSERT_TRUE(second.startDataTransfer());
    std::vector<IFrame> seenSecond = eventsFrom(second, 30);
    runSteps(7, 10, other, seenOther);
    ASSERT_TRUE(second.collectUntil(
        seenSecond, [](const std::vector<IFrame>& f) { return eventsOf(f).size() >= 50; }, 3000));
    EXPECT_EQ(expectedEvents(1, 10), eventsOf(seenSecond));
    /* CentreB saw each event once: the takeover resent nothing there. */
    EXPECT_EQ(expectedEvents(1, 10), eventsOf(seenOther));
    /* The first member is silent but open and answers test frames. */
    EXPECT_TRUE(first.quietFor(200));
    ASSERT_TRUE(first.sendU(U_TESTFR_ACT));
    std::optional<Apdu> test = first.receive();
    ASSERT_TRUE(test.has_value());
    EXPECT_TRUE(test->isU(U_TESTFR_CON));
}

/* A group without a started member keeps its events for its next STARTDT. */
TEST_F(GatewayGroups, GroupWithoutStartedMember_GetsItsWaitingEventsInOrderOnStartDt)
{
    useGroups();
    startScanning();
    StationClient waiting, active;
    connectFrom(waiting, "127.0.0.2", false);
    connectFrom(active, "127.0.0.4");
    std::vector<IFrame> seenActive;
    runSteps(1, 20, active, seenActive); /* 100 changes */
    ASSERT_TRUE(waiting.startDataTransfer());
    std::vector<IFrame> seenWaiting = eventsFrom(waiting, 100);
    EXPECT_EQ(expectedEvents(1, 20), eventsOf(seenWaiting));
    EXPECT_EQ(expectedEvents(1, 20), eventsOf(seenActive));
    EXPECT_EQ(0, gateway_.countFrom(0, "events lost"));
}

/* ----------------------------------------------- answers to the asker */

TEST_F(GatewayGroups, InterrogationAnswer_OnlyToTheAskingMastersGroup)
{
    useGroups();
    startGateway();
    StationClient asker, other;
    connectFrom(asker, "127.0.0.3");
    connectFrom(other, "127.0.0.4");
    ASSERT_TRUE(asker.sendAsdu(stationInterrogation()));
    std::vector<IFrame> frames;
    asker.collectUntil(
        frames,
        [](const std::vector<IFrame>& f) {
            return framesOf(f, 1, 1).size() == 34 && framesOf(f, 13, 20).size() == 16;
        },
        10000);
    EXPECT_EQ(34u, framesOf(frames, 1, 1).size());
    EXPECT_EQ(2u, framesOf(frames, 1, 20).size());
    std::vector<IFrame> elsewhere;
    other.collectUntil(
        elsewhere, [](const std::vector<IFrame>&) { return false; }, 1000);
    EXPECT_TRUE(elsewhere.empty()) << elsewhere.size() << " frames reached the other group";
}

/* ------------------------------------------------------- who connects */

TEST_F(GatewayGroups, MasterInNoGroup_RefusedAndNamed_AllowedMastersStillApplies)
{
    useGroups("AllowedMasters=127.0.0.2, 127.0.0.4, 127.0.0.9\n");
    startGateway();
    StationClient outsider, barred, member;
    ASSERT_TRUE(outsider.connect(kGatewayPort, "127.0.0.9"));
    EXPECT_TRUE(outsider.waitClosed(2000));
    EXPECT_TRUE(
        gateway_.waitFor("Connection from 127.0.0.9 refused: in no group of Svr.Groups", 2000))
        << gateway_.transcript();
    ASSERT_TRUE(barred.connect(kGatewayPort, "127.0.0.3"));
    EXPECT_TRUE(barred.waitClosed(2000));
    EXPECT_TRUE(gateway_.waitFor("Connection from 127.0.0.3 refused: not in AllowedMasters", 2000));
    connectFrom(member, "127.0.0.2");
    EXPECT_EQ(0, gateway_.countFrom(0, "New connection from 127.0.0.9"));
    EXPECT_EQ(0, gateway_.countFrom(0, "New connection from 127.0.0.3"));
}

TEST_F(GatewayGroups, BadRedundancyValues_NamedAndTheGatewayDoesNotStart)
{
    struct Case {
        const char* svr104;
        const char* groups;
        const char* message;
    };
    const Case cases[] = {
        {"Redundancy=dual\n", "", "bad value in qxSvr.ini [Svr104] Redundancy=dual"},
        {"Redundancy=groups\n", "",
         "bad value in qxSvr.ini [Svr104] Redundancy=groups: without a group in [Svr.Groups]"},
        {"Redundancy=groups\n", "\n[Svr.Groups]\nCentreA=127.0.0.2, 127.0.0/24\n",
         "bad value in qxSvr.ini [Svr.Groups] CentreA=127.0.0.2, 127.0.0/24"},
    };
    const std::string ini = readFile(work_ + "/qxSvr.ini");
    for (const Case& c : cases) {
        ASSERT_TRUE(writeFile(work_ + "/qxSvr.ini", ini));
        setSvr104Lines(c.svr104);
        appendIni(c.groups);
        GatewayProcess gateway;
        ASSERT_TRUE(gateway.start(QX_GATEWAY_BINARY, work_));
        EXPECT_TRUE(gateway.waitFor(c.message, 5000)) << gateway.transcript();
        EXPECT_TRUE(gateway.waitFor("exit -1 !IsOk", 5000)) << gateway.transcript();
        EXPECT_EQ(0, gateway.countFrom(0, "running..."));
        gateway.waitExit(5000);
    }
}

/* ------------------------------------------- every connection a group */

TEST_F(GatewayGroups, RedundancyConnection_EveryStartedConnectionGetsTheFullData)
{
    setSvr104Lines("Redundancy=connection\nSpontaneous=1\nScanMs=" + std::to_string(kScanMs) +
                   "\n");
    setPeriodic("1");
    startScanning();
    StationClient a, b, c;
    connectFrom(a, "127.0.0.2");
    connectFrom(b, "127.0.0.3");
    connectFrom(c, "127.0.0.4");
    EXPECT_EQ(1, gateway_.countFrom(0, "New connection from 127.0.0.3 (group of its own)"));
    std::vector<IFrame> seenA, seenB, seenC;
    runSteps(1, 4, a, seenA);
    auto twentyEvents = [](const std::vector<IFrame>& f) { return eventsOf(f).size() >= 20; };
    ASSERT_TRUE(b.collectUntil(seenB, twentyEvents, 3000));
    ASSERT_TRUE(c.collectUntil(seenC, twentyEvents, 3000));
    for (auto* seen : {&seenA, &seenB, &seenC})
        EXPECT_EQ(expectedEvents(1, 4), eventsOf(*seen));
    EXPECT_TRUE(a.collectUntil(seenA, reportComplete, 3000));
    EXPECT_TRUE(b.collectUntil(seenB, reportComplete, 3000));
    EXPECT_TRUE(c.collectUntil(seenC, reportComplete, 3000));
}

} // namespace
} // namespace qxtest
