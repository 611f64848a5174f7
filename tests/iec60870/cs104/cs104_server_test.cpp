// SPDX-License-Identifier: Apache-2.0
/*
 * The slave object: lifecycle, connection limit and request handler, the
 * two server modes, redundancy switch-over, and a connect/enqueue storm.
 */
#include "slave_fixture.h"

#include "hal_time.h"

#include <atomic>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace qxtest
{
namespace
{

struct Requests {
    std::mutex lock;
    std::vector<std::string> addresses;
    bool accept = true;
};

bool onConnectionRequest(void* parameter, const char* ipAddress)
{
    Requests* requests = static_cast<Requests*>(parameter);
    std::lock_guard<std::mutex> guard(requests->lock);
    requests->addresses.push_back(ipAddress);
    return requests->accept;
}

/* ------------------------------------------------------------ lifecycle */

TEST(SlaveLifecycle, Create_Defaults_AsDocumented)
{
    CS104_Slave slave = CS104_Slave_create(0, 0);
    ASSERT_NE(slave, nullptr);
    CS104_APCIParameters p = CS104_Slave_getConnectionParameters(slave);
    EXPECT_EQ(p->k, 12);
    EXPECT_EQ(p->w, 8);
    EXPECT_EQ(p->t0, 10);
    EXPECT_EQ(p->t1, 15);
    EXPECT_EQ(p->t2, 10);
    EXPECT_EQ(p->t3, 20);
    CS101_AppLayerParameters al = CS104_Slave_getAppLayerParameters(slave);
    EXPECT_EQ(al->sizeOfTypeId, 1);
    EXPECT_EQ(al->sizeOfVSQ, 1);
    EXPECT_EQ(al->sizeOfCOT, 2);
    EXPECT_EQ(al->originatorAddress, 0);
    EXPECT_EQ(al->sizeOfCA, 2);
    EXPECT_EQ(al->sizeOfIOA, 3);
    EXPECT_FALSE(CS104_Slave_isRunning(slave));
    EXPECT_EQ(CS104_Slave_getOpenConnections(slave), 0);
    CS104_Slave_destroy(slave);
}

TEST(SlaveLifecycle, NeverStarted_StopEnqueueDestroy_Harmless)
{
    CS104_Slave slave = CS104_Slave_create(10, 10);
    CS104_Slave_setLocalAddress(slave, "127.0.0.1");
    CS104_Slave_setLocalAddress(slave, "127.0.0.2"); // the first copy is freed
    CS101_ASDU asdu = CS101_ASDU_create(CS104_Slave_getAppLayerParameters(slave), false,
                                        CS101_COT_SPONTANEOUS, 0, 1, false, false);
    CS104_Slave_enqueueASDU(slave, asdu); // no queue yet: dropped
    CS101_ASDU_destroy(asdu);
    CS104_Slave_stop(slave);
    CS104_Slave_stop(slave);
    EXPECT_FALSE(CS104_Slave_isRunning(slave));
    CS104_Slave_destroy(slave);
    CS104_Slave_destroy(nullptr);
}

TEST(SlaveLifecycle, StartTwiceStopTwice_OneListenerThenNone)
{
    CS104_Slave slave = CS104_Slave_create(10, 10);
    uint16_t port = freeTcpPort();
    CS104_Slave_setLocalAddress(slave, "127.0.0.1");
    CS104_Slave_setLocalPort(slave, port);
    CS104_Slave_start(slave);
    ASSERT_TRUE(CS104_Slave_isRunning(slave));
    CS104_Slave_start(slave);
    EXPECT_TRUE(CS104_Slave_isRunning(slave));
    CS104_Slave_stop(slave);
    EXPECT_FALSE(CS104_Slave_isRunning(slave));
    CS104_Slave_stop(slave);
    RawSocket refused = rawConnect(port);
    EXPECT_FALSE(refused.valid());
    CS104_Slave_start(slave); // a start after a stop listens again
    EXPECT_TRUE(CS104_Slave_isRunning(slave));
    RawMaster master;
    EXPECT_TRUE(master.connect(port));
    CS104_Slave_destroy(slave);
    EXPECT_TRUE(master.waitClosed(2000));
}

TEST(SlaveLifecycle, Start_PortBusy_ReturnsPromptlyNotRunning)
{
    RawSocket holder = rawListen();
    uint16_t port = localPort(holder.fd());
    CS104_Slave slave = CS104_Slave_create(10, 10);
    CS104_Slave_setLocalAddress(slave, "127.0.0.1");
    CS104_Slave_setLocalPort(slave, port);
    int64_t start = monotonicMs();
    CS104_Slave_start(slave);
    EXPECT_FALSE(CS104_Slave_isRunning(slave));
    EXPECT_LT(monotonicMs() - start, 1000);
    CS104_Slave_destroy(slave);
}

/* ------------------------------------------------- accepting connections */

class ServerTest : public SlaveTest
{
  protected:
    void configure() override
    {
        CS104_Slave_setConnectionRequestHandler(slave, onConnectionRequest, &requests);
    }
    size_t requestCount()
    {
        std::lock_guard<std::mutex> guard(requests.lock);
        return requests.addresses.size();
    }
    Requests requests;
};

TEST_F(ServerTest, ConnectionLimit_ThirdConnection_ClosedWithoutAskingHandler)
{
    startSlave();
    CS104_Slave_setMaxOpenConnections(slave, 2);
    RawMaster first, second, third;
    connect(first);
    connect(second);
    ASSERT_TRUE(third.connect(port));
    EXPECT_TRUE(third.waitClosed(2000));
    EXPECT_EQ(requestCount(), 2u);
    EXPECT_EQ(CS104_Slave_getOpenConnections(slave), 2);
    // The first two are still served.
    ASSERT_TRUE(second.sendU(U_TESTFR_ACT));
    std::optional<Apdu> reply = second.receive();
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ(reply->octets, uFrame(U_TESTFR_CON));
}

TEST_F(ServerTest, RequestHandler_Refuses_ClosedAndGivenBareAddress)
{
    requests.accept = false;
    startSlave();
    RawMaster master;
    ASSERT_TRUE(master.connect(port));
    EXPECT_TRUE(master.waitClosed(2000));
    std::lock_guard<std::mutex> guard(requests.lock);
    ASSERT_EQ(requests.addresses.size(), 1u);
    EXPECT_EQ(requests.addresses[0], "127.0.0.1");
}

TEST_F(ServerTest, Stop_OpenConnection_KeepsBeingServed)
{
    startSlave();
    RawMaster master;
    connectActive(master);
    CS104_Slave_stop(slave);
    enqueueSinglePoint(3);
    std::optional<Apdu> data = master.receive();
    ASSERT_TRUE(data.has_value());
    EXPECT_EQ(data->octets, expectedSinglePointFrame(0, 0, 3));
    RawSocket late = rawConnect(port);
    EXPECT_FALSE(late.valid());
}

TEST_F(ServerTest, Destroy_WithOpenConnections_ClosesThemAndReturns)
{
    startSlave();
    RawMaster a, b;
    connectActive(a);
    connect(b);
    CS104_Slave_destroy(slave);
    slave = nullptr;
    EXPECT_TRUE(a.waitClosed(2000));
    EXPECT_TRUE(b.waitClosed(2000));
}

/* ------------------------------------------------------------ the modes */

/*
 * True once the slave has handled everything the master sent so far: a
 * connection handles its frames in order, so the answer to a test frame
 * sent last shows that the frames before it were handled.
 */
bool handledSoFar(RawMaster& master)
{
    if (!master.sendU(U_TESTFR_ACT))
        return false;
    std::optional<Apdu> con = master.receive();
    return con.has_value() && con->octets == uFrame(U_TESTFR_CON);
}

TEST_F(ServerTest, Mode0_SecondStartDt_DeactivatesFirstWhichStillAnswersTests)
{
    startSlave(CS104_MODE_SINGLE_REDUNDANCY_GROUP);
    RawMaster first, second;
    connectActive(first);
    connectActive(second);
    enqueueSinglePoint(5);
    std::optional<Apdu> data = second.receive();
    ASSERT_TRUE(data.has_value());
    EXPECT_EQ(data->octets, expectedSinglePointFrame(0, 0, 5));
    EXPECT_TRUE(first.quietFor(300));
    ASSERT_TRUE(first.sendU(U_TESTFR_ACT));
    std::optional<Apdu> reply = first.receive();
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ(reply->octets, uFrame(U_TESTFR_CON));
}

TEST_F(ServerTest, Mode0_TwoStartDtAtOnce_ExactlyOneConnectionSends)
{
    startSlave(CS104_MODE_SINGLE_REDUNDANCY_GROUP);
    for (int round = 0; round < 5; round++) {
        RawMaster a, b;
        connect(a);
        connect(b);
        expectOneSenderAfterStartDtAtOnce(a, b, round + 1);
        a.close();
        b.close();
        ASSERT_TRUE(waitFor([&] { return CS104_Slave_getOpenConnections(slave) == 0; }));
    }
}

TEST_F(ServerTest, Mode0_ConnectionClosedWithUnconfirmedData_NextConnectionSendsIt)
{
    startSlave(CS104_MODE_SINGLE_REDUNDANCY_GROUP);
    {
        RawMaster first;
        connectActive(first);
        enqueueSinglePoint(11);
        enqueueSinglePoint(12);
        std::optional<Apdu> a = first.receive();
        std::optional<Apdu> b = first.receive();
        ASSERT_TRUE(a.has_value() && b.has_value());
        ASSERT_TRUE(first.send(sFrame(1))); // confirms the first only
        ASSERT_TRUE(handledSoFar(first));
    }
    ASSERT_TRUE(waitFor([&] { return CS104_Slave_getOpenConnections(slave) == 0; }));
    RawMaster next;
    connectActive(next);
    std::optional<Apdu> resent = next.receive();
    ASSERT_TRUE(resent.has_value());
    EXPECT_EQ(resent->octets, expectedSinglePointFrame(0, 0, 12));
    EXPECT_TRUE(next.quietFor(300));
}

/* Receives single-point frames for the IOAs in order, numbered from N(S) 0. */
void expectSinglePoints(RawMaster& master, std::initializer_list<int> ioas)
{
    int ns = 0;
    for (int ioa : ioas) {
        std::optional<Apdu> data = master.receive(3000);
        ASSERT_TRUE(data.has_value()) << ioa;
        EXPECT_EQ(data->octets, expectedSinglePointFrame(ns++, 0, ioa)) << ioa;
    }
}

TEST_F(ServerTest, Mode0_SwitchOverWhileFirstStillOpen_UnconfirmedDataFirstAndInOrder)
{
    startSlave(CS104_MODE_SINGLE_REDUNDANCY_GROUP);
    RawMaster first, second;
    connectActive(first);
    enqueueSinglePoint(21);
    enqueueSinglePoint(22);
    expectSinglePoints(first, {21, 22});
    // The master switches to the second link; the first stays open and
    // confirms nothing. What it was sent goes out again first, before newer data.
    connectActive(second);
    enqueueSinglePoint(23);
    expectSinglePoints(second, {21, 22, 23});
    EXPECT_TRUE(second.quietFor(200));
    // A late confirmation on the old link frees nothing the new one carries:
    // when the second closes unconfirmed, all three go to the next link.
    ASSERT_TRUE(first.send(sFrame(2)));
    ASSERT_TRUE(handledSoFar(first));
    second.close();
    ASSERT_TRUE(waitFor([&] { return CS104_Slave_getOpenConnections(slave) == 1; }));
    RawMaster third;
    connectActive(third);
    expectSinglePoints(third, {21, 22, 23});
    EXPECT_TRUE(third.quietFor(200));
}

TEST_F(ServerTest, Mode0_StopDtWithUnconfirmedData_NextActiveLinkSendsItAtOnce)
{
    startSlave(CS104_MODE_SINGLE_REDUNDANCY_GROUP);
    RawMaster first, second;
    connectActive(first);
    enqueueSinglePoint(31);
    enqueueSinglePoint(32);
    expectSinglePoints(first, {31, 32});
    ASSERT_TRUE(first.sendU(U_STOPDT_ACT));
    std::optional<Apdu> con = first.receive();
    ASSERT_TRUE(con.has_value());
    ASSERT_EQ(con->octets, uFrame(U_STOPDT_CON));
    // The first link stays open; the second gets the data without waiting for it to close.
    connectActive(second);
    expectSinglePoints(second, {31, 32});
    EXPECT_TRUE(first.quietFor(100));
}

/* ------------------------------------------- connection infos and events */

TEST(SlaveLifecycle, GetConnectionInfos_RefusesBadArguments)
{
    CS104_ConnectionInfo info;
    EXPECT_EQ(CS104_Slave_getConnectionInfos(nullptr, &info, 1), -1);
    CS104_Slave slave = CS104_Slave_create(10, 10);
    ASSERT_NE(slave, nullptr);
    EXPECT_EQ(CS104_Slave_getConnectionInfos(slave, &info, -1), -1);
    EXPECT_EQ(CS104_Slave_getConnectionInfos(slave, nullptr, 1), -1);
    EXPECT_EQ(CS104_Slave_getConnectionInfos(slave, nullptr, 0), 0);
    EXPECT_EQ(CS104_Slave_getConnectionInfos(slave, &info, 1), 0);
    CS104_Slave_destroy(slave);
}

/* The events a slave reported, in order. */
struct EventLog {
    std::mutex lock;
    std::vector<CS104_ConnectionEvent> events;
    std::vector<CS104_ConnectionEvent> take()
    {
        std::lock_guard<std::mutex> guard(lock);
        return std::move(events);
    }
};

void onConnectionEvent(void* parameter, CS104_ConnectionEvent event)
{
    EventLog* log = static_cast<EventLog*>(parameter);
    std::lock_guard<std::mutex> guard(log->lock);
    log->events.push_back(event);
}

class ConnectionInfoTest : public ServerTest
{
  protected:
    void configure() override
    {
        CS104_Slave_setConnectionEventHandler(slave, onConnectionEvent, &log);
    }
    std::vector<CS104_ConnectionInfo> infos()
    {
        std::vector<CS104_ConnectionInfo> out(4);
        int n = CS104_Slave_getConnectionInfos(slave, out.data(), (int)out.size());
        EXPECT_GE(n, 0);
        out.resize(n < 0 ? 0 : (size_t)n);
        return out;
    }
    /* Waits until the log holds `count` events and returns them. */
    std::vector<CS104_ConnectionEvent> events(size_t count)
    {
        EXPECT_TRUE(waitFor([&] {
            std::lock_guard<std::mutex> guard(log.lock);
            return log.events.size() >= count;
        }));
        return log.take();
    }
    EventLog log;
};

TEST_F(ConnectionInfoTest, StartSendStopClose_InfosAndEventsFollowTheConnection)
{
    startSlave(CS104_MODE_SINGLE_REDUNDANCY_GROUP);
    RawMaster first, second;
    connect(first);
    EXPECT_EQ(events(1), std::vector<CS104_ConnectionEvent>{CS104_CONNECTION_OPENED});
    std::vector<CS104_ConnectionInfo> now = infos();
    ASSERT_EQ(now.size(), 1u);
    EXPECT_EQ(std::string(now[0].address), "127.0.0.1:" + std::to_string(localPort(first.fd())));
    EXPECT_EQ(now[0].group, -1);
    EXPECT_FALSE(now[0].active);
    EXPECT_EQ(now[0].connectedMs, Hal_getTimeInMs()); /* the frozen fake wall clock */

    ASSERT_TRUE(first.sendU(U_STARTDT_ACT));
    ASSERT_TRUE(first.receive().has_value());
    EXPECT_EQ(events(1), std::vector<CS104_ConnectionEvent>{CS104_CONNECTION_STARTED});
    enqueueSinglePoint(5);
    enqueueSinglePoint(6);
    ASSERT_TRUE(first.receiveI().has_value());
    ASSERT_TRUE(first.receiveI().has_value());
    now = infos();
    EXPECT_TRUE(now[0].active);
    EXPECT_EQ(now[0].iFramesSent, 2u);
    EXPECT_EQ(now[0].iFramesReceived, 0u);
    EXPECT_EQ(now[0].unconfirmed, 2);
    /* An I frame confirming both; the slave mirrors it (a monitoring type). */
    ASSERT_TRUE(first.sendI(singlePointAsdu(0x03, 1, true)));
    ASSERT_TRUE(first.receiveI().has_value());
    ASSERT_TRUE(waitFor([&] { return infos().at(0).iFramesReceived == 1; }));
    EXPECT_EQ(infos().at(0).iFramesSent, 3u);
    EXPECT_EQ(infos().at(0).unconfirmed, 1);
    ASSERT_TRUE(first.sendS());
    ASSERT_TRUE(waitFor([&] { return infos().at(0).unconfirmed == 0; }));

    /* A second master's STARTDT displaces the first: one STARTED, two infos. */
    connect(second);
    ASSERT_TRUE(second.sendU(U_STARTDT_ACT));
    ASSERT_TRUE(second.receive().has_value());
    EXPECT_EQ(events(2), (std::vector<CS104_ConnectionEvent>{CS104_CONNECTION_OPENED,
                                                             CS104_CONNECTION_STARTED}));
    now = infos();
    ASSERT_EQ(now.size(), 2u);
    EXPECT_FALSE(now[0].active);
    EXPECT_TRUE(now[1].active);
    EXPECT_EQ(now[1].iFramesSent, 0u);

    ASSERT_TRUE(second.sendU(U_STOPDT_ACT));
    ASSERT_TRUE(second.receive().has_value());
    EXPECT_EQ(events(1), std::vector<CS104_ConnectionEvent>{CS104_CONNECTION_STOPPED});
    EXPECT_FALSE(infos().at(1).active);

    first.close();
    EXPECT_EQ(events(1), std::vector<CS104_ConnectionEvent>{CS104_CONNECTION_CLOSED});
    now = infos();
    ASSERT_EQ(now.size(), 1u);
    EXPECT_EQ(std::string(now[0].address), "127.0.0.1:" + std::to_string(localPort(second.fd())));
    CS104_ConnectionInfo one;
    EXPECT_EQ(CS104_Slave_getConnectionInfos(slave, &one, 0), 0); /* no room: none written */
}

TEST_F(ServerTest, Mode1_EnqueuedAsdu_ReachesEveryActiveConnection)
{
    startSlave(CS104_MODE_CONNECTION_IS_REDUNDANCY_GROUP);
    RawMaster first, second, inactive;
    connectActive(first);
    connectActive(second);
    connect(inactive);
    enqueueSinglePoint(8);
    for (RawMaster* master : {&first, &second}) {
        std::optional<Apdu> data = master->receive();
        ASSERT_TRUE(data.has_value());
        EXPECT_EQ(data->octets, expectedSinglePointFrame(0, 0, 8));
    }
    EXPECT_TRUE(inactive.quietFor(300));
    // The inactive connection holds it in its own queue until it starts.
    ASSERT_TRUE(inactive.sendU(U_STARTDT_ACT));
    std::optional<Apdu> con = inactive.receive();
    ASSERT_TRUE(con.has_value());
    EXPECT_EQ(con->octets, uFrame(U_STARTDT_CON));
    std::optional<Apdu> data = inactive.receive();
    ASSERT_TRUE(data.has_value());
    EXPECT_EQ(data->octets, expectedSinglePointFrame(0, 0, 8));
}

TEST_F(ServerTest, Mode1_QueueSizesZero_DefaultSizesHoldSeveralEntries)
{
    startSlave(CS104_MODE_CONNECTION_IS_REDUNDANCY_GROUP, 0, 0);
    RawMaster master;
    connect(master);
    for (int ioa = 1; ioa <= 3; ioa++)
        enqueueSinglePoint(ioa);
    ASSERT_TRUE(master.sendU(U_STARTDT_ACT));
    std::optional<Apdu> con = master.receive();
    ASSERT_TRUE(con.has_value());
    for (int ioa = 1; ioa <= 3; ioa++) {
        std::optional<Apdu> data = master.receive();
        ASSERT_TRUE(data.has_value()) << ioa;
        EXPECT_EQ(data->octets, expectedSinglePointFrame(ioa - 1, 0, ioa));
    }
}

/* ------------------------------------------------------------------ idle */

/* Voluntary context switches of every thread of this process so far. */
long voluntarySwitches()
{
    long total = 0;
    DIR* tasks = opendir("/proc/self/task");
    if (tasks == nullptr)
        return -1;
    while (dirent* task = readdir(tasks)) {
        if (task->d_name[0] == '.')
            continue;
        std::ifstream status(std::string("/proc/self/task/") + task->d_name + "/status");
        std::string line;
        while (std::getline(status, line))
            if (line.compare(0, 24, "voluntary_ctxt_switches:") == 0)
                total += std::atol(line.c_str() + 24);
    }
    closedir(tasks);
    return total;
}

TEST_F(ServerTest, Idle_TenMastersConnected_NoThreadWakesWhileNothingIsDue)
{
    startSlave(CS104_MODE_SINGLE_REDUNDANCY_GROUP);
    std::vector<RawMaster> masters(10);
    for (size_t i = 0; i < masters.size(); i++) {
        if (i < 5)
            connect(masters[i]);
        else
            connectActive(masters[i]); // the last one stays active
    }
    Thread_sleep(200);
    long before = voluntarySwitches();
    ASSERT_GE(before, 0);
    Thread_sleep(1500); // t3 is 20 s: nothing is due for any thread
    long woken = voluntarySwitches() - before;
    // Polling every 10 ms or 100 ms gives hundreds; the test's own sleep gives one or two,
    // a sanitizer's background thread about ten more.
    EXPECT_LT(woken, 60);
    enqueueSinglePoint(41); // and a queued ASDU still goes out at once
    std::optional<Apdu> data = masters.back().receive(1000);
    ASSERT_TRUE(data.has_value());
    EXPECT_EQ(data->octets, expectedSinglePointFrame(0, 0, 41));
}

/* --------------------------------------------------- a master that stalls */

class StalledMasterTest : public ServerTest
{
  protected:
    // A window so wide that only the socket's buffers hold the sender back.
    void configure() override
    {
        ServerTest::configure();
        params()->k = 32767;
    }
};

TEST_F(StalledMasterTest, Enqueue_MasterStopsReading_NeverWaitsForTheBlockedWrite)
{
    startSlave(CS104_MODE_SINGLE_REDUNDANCY_GROUP, 40000, 10);
    RawMaster master;
    connectActive(master); // and never reads again: the slave's writes block
    CS101_ASDU full = CS101_ASDU_create(CS104_Slave_getAppLayerParameters(slave), false,
                                        CS101_COT_PERIODIC, 0, 1, false, false);
    ASSERT_NE(full, nullptr);
    for (int ioa = 1; ioa <= 28; ioa++) {
        InformationObject io = (InformationObject)MeasuredValueShort_create(nullptr, ioa, 1.5f, 0);
        ASSERT_TRUE(CS101_ASDU_addInformationObject(full, io));
        InformationObject_destroy(io);
    }
    int small = 4096;
    ::setsockopt(master.fd(), SOL_SOCKET, SO_RCVBUF, &small, sizeof(small));
    // Rounds of about 1 MB each, for well over a second: the socket's buffers
    // fill within the first rounds and the connection thread then waits in
    // its write while later rounds are queued.
    int64_t longest = 0;
    for (int round = 0; round < 15; round++) {
        for (int i = 0; i < 4000; i++) {
            int64_t before = monotonicMs();
            CS104_Slave_enqueueASDU(slave, full);
            int64_t took = monotonicMs() - before;
            if (took > longest)
                longest = took;
        }
        Thread_sleep(100);
    }
    CS101_ASDU_destroy(full);
    // The writer holds no queue lock while it waits for room (up to the
    // 10 s send time-out), so the application's thread never waits for it.
    EXPECT_LT(longest, 1000);
    master.close(); // the blocked write fails at once
}

/* ---------------------------------------------------------------- storm */

TEST_F(ServerTest, Storm_ConnectDisconnectEnqueue_StaysConsistent)
{
    startSlave(CS104_MODE_CONNECTION_IS_REDUNDANCY_GROUP, 20, 5);
    std::atomic<bool> stop{false};
    std::vector<std::thread> threads;
    for (int t = 0; t < 3; t++) {
        threads.emplace_back([&, t] {
            while (!stop) {
                RawMaster master;
                if (!master.connect(port))
                    continue;
                if (t != 0) {
                    master.sendU(U_STARTDT_ACT);
                    master.sendI(interrogationAsdu(0x06));
                }
                Thread_sleep(5 + 7 * t);
                master.close();
            }
        });
    }
    std::thread enqueuer([&] {
        while (!stop) {
            enqueueSinglePoint(1);
            Thread_sleep(1);
        }
    });
    Thread_sleep(2500);
    stop = true;
    for (std::thread& thread : threads)
        thread.join();
    enqueuer.join();
    ASSERT_TRUE(waitFor([&] { return CS104_Slave_getOpenConnections(slave) == 0; }));
    EXPECT_GT(requestCount(), 10u);
    // Still serving afterwards.
    RawMaster last;
    connectActive(last);
}

TEST_F(ServerTest, Storm_Mode0DestroyDuringTraffic_Returns)
{
    startSlave(CS104_MODE_SINGLE_REDUNDANCY_GROUP, 20, 5);
    std::vector<RawMaster> masters(4);
    for (RawMaster& master : masters)
        connectActive(master);
    for (int i = 0; i < 50; i++)
        enqueueSinglePoint(i);
    CS104_Slave_destroy(slave);
    slave = nullptr;
    for (RawMaster& master : masters)
        EXPECT_TRUE(master.waitClosed(2000));
}

} // namespace
} // namespace qxtest
