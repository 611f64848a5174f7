/*
 * The link procedure of a connection, driven over loopback by the raw
 * master: STARTDT/STOPDT/TESTFR, framing of a byte stream, sequence
 * numbers, the k window, the w threshold and the timers t1, t2, t3.
 */
#include "slave_fixture.h"

#include "cs104_slave_internal.h"
#include "hal_socket.h"
#include "hal_time.h"

#include <atomic>
#include <poll.h>

namespace qxtest
{
namespace
{

class LinkTest : public SlaveTest
{
  protected:
    static bool countInterrogation(void* parameter, IMasterConnection, CS101_ASDU, uint8_t)
    {
        static_cast<std::atomic<int>*>(parameter)->fetch_add(1);
        return true;
    }

    void configure() override
    {
        CS104_Slave_setInterrogationHandler(slave, countInterrogation, &interrogations);
        tweak(params());
    }

    /* Changes link parameters before the slave starts. */
    virtual void tweak(CS104_APCIParameters) {}

    std::atomic<int> interrogations{0};
};

/* ------------------------------------------------------------ U frames */

TEST_F(LinkTest, UFrames_StartStopTest_AnsweredWithConfirmations)
{
    startSlave();
    RawMaster master;
    connect(master);
    const std::pair<uint8_t, uint8_t> exchanges[] = {{U_TESTFR_ACT, U_TESTFR_CON},
                                                     {U_STARTDT_ACT, U_STARTDT_CON},
                                                     {U_STOPDT_ACT, U_STOPDT_CON},
                                                     {U_TESTFR_ACT, U_TESTFR_CON}};
    for (const auto& exchange : exchanges) {
        ASSERT_TRUE(master.sendU(exchange.first));
        std::optional<Apdu> reply = master.receive();
        ASSERT_TRUE(reply.has_value());
        EXPECT_EQ(reply->octets, uFrame(exchange.second));
    }
}

TEST_F(LinkTest, UFrames_ConfirmationsFromMaster_IgnoredWithoutReply)
{
    startSlave();
    RawMaster master;
    connect(master);
    ASSERT_TRUE(master.sendU(U_STARTDT_CON));
    ASSERT_TRUE(master.sendU(U_STOPDT_CON));
    ASSERT_TRUE(master.sendU(U_TESTFR_CON));
    EXPECT_TRUE(master.quietFor(300));
}

TEST_F(LinkTest, IFrame_BeforeStartDt_AcknowledgedButNotDispatched)
{
    startSlave();
    params()->w = 1;
    RawMaster master;
    connect(master);
    ASSERT_TRUE(master.sendI(interrogationAsdu(0x06)));
    std::optional<Apdu> ack = master.receive();
    ASSERT_TRUE(ack.has_value());
    EXPECT_EQ(ack->octets, sFrame(1));
    EXPECT_TRUE(master.quietFor(300));
    EXPECT_EQ(interrogations.load(), 0);
}

TEST_F(LinkTest, StopDt_WithQueuedData_DataStaysQueuedUntilStartDt)
{
    startSlave();
    RawMaster master;
    connectActive(master);
    ASSERT_TRUE(master.sendU(U_STOPDT_ACT));
    std::optional<Apdu> con = master.receive();
    ASSERT_TRUE(con.has_value());
    EXPECT_EQ(con->octets, uFrame(U_STOPDT_CON));
    enqueueSinglePoint(7);
    EXPECT_TRUE(master.quietFor(400));
    ASSERT_TRUE(master.sendU(U_STARTDT_ACT));
    con = master.receive();
    ASSERT_TRUE(con.has_value());
    EXPECT_EQ(con->octets, uFrame(U_STARTDT_CON));
    std::optional<Apdu> data = master.receive();
    ASSERT_TRUE(data.has_value());
    EXPECT_EQ(data->octets, expectedSinglePointFrame(0, 0, 7));
}

/* ------------------------------------------------------------- framing */

TEST_F(LinkTest, Framing_OneOctetAtATime_FramesCompleted)
{
    startSlave();
    params()->w = 1;
    RawMaster master;
    connect(master);
    Octets stream = uFrame(U_STARTDT_ACT);
    Octets iframe = iFrame(0, 0, interrogationAsdu(0x06));
    stream.insert(stream.end(), iframe.begin(), iframe.end());
    for (uint8_t octet : stream) {
        ASSERT_TRUE(master.send(Octets{octet}));
        Thread_sleep(15);
    }
    std::optional<Apdu> con = master.receive();
    ASSERT_TRUE(con.has_value());
    EXPECT_EQ(con->octets, uFrame(U_STARTDT_CON));
    std::optional<Apdu> ack = master.receive();
    ASSERT_TRUE(ack.has_value());
    EXPECT_EQ(ack->octets, sFrame(1));
    EXPECT_EQ(interrogations.load(), 1);
}

TEST_F(LinkTest, Framing_SeveralFramesInOneSegment_AllHandledInOrder)
{
    startSlave();
    RawMaster master;
    connect(master);
    Octets segment = uFrame(U_TESTFR_ACT);
    for (uint8_t function : {U_STARTDT_ACT, U_TESTFR_ACT, U_STOPDT_ACT}) {
        Octets frame = uFrame(function);
        segment.insert(segment.end(), frame.begin(), frame.end());
    }
    ASSERT_TRUE(master.send(segment));
    for (uint8_t expected : {U_TESTFR_CON, U_STARTDT_CON, U_TESTFR_CON, U_STOPDT_CON}) {
        std::optional<Apdu> reply = master.receive();
        ASSERT_TRUE(reply.has_value());
        EXPECT_EQ(reply->octets, uFrame(expected));
    }
}

TEST_F(LinkTest, Framing_MalformedStarts_CloseTheConnection)
{
    startSlave();
    const Octets cases[] = {
        {0x67, 0x04, 0x07, 0x00, 0x00, 0x00}, // wrong start octet
        {0x68, 0x03, 0x07, 0x00, 0x00},       // length octet below 4
        {0x68, 0x00},                         // empty frame
        {0x68, 0x04, 0x00, 0x00, 0x00, 0x00}, // I frame without an ASDU
    };
    for (const Octets& bad : cases) {
        RawMaster master;
        connect(master);
        ASSERT_TRUE(master.send(bad));
        EXPECT_TRUE(master.waitClosed(2000)) << int(bad[0]) << " " << int(bad[1]);
    }
}

class ShortT1LinkTest : public LinkTest
{
    void tweak(CS104_APCIParameters p) override { p->t1 = 1; }
};

TEST_F(ShortT1LinkTest, Framing_FrameNeverCompleted_ClosedAfterT1)
{
    startSlave();
    RawMaster master;
    connect(master);
    int64_t start = monotonicMs();
    ASSERT_TRUE(master.send(Octets{0x68, 0x04, 0x43}));
    EXPECT_TRUE(master.waitClosed(4000));
    EXPECT_GE(monotonicMs() - start, 900);
}

TEST_F(ShortT1LinkTest, Framing_SplitBetweenStartAndLength_CompletedLater)
{
    startSlave();
    RawMaster master;
    connect(master);
    ASSERT_TRUE(master.send(Octets{0x68}));
    Thread_sleep(300);
    ASSERT_TRUE(master.send(Octets{0x04, 0x43, 0x00}));
    Thread_sleep(300);
    ASSERT_TRUE(master.send(Octets{0x00, 0x00}));
    std::optional<Apdu> reply = master.receive();
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ(reply->octets, uFrame(U_TESTFR_CON));
}

/* ----------------------------------------------------- sequence numbers */

TEST_F(LinkTest, ReceiveSequence_RepeatedNs_Closes)
{
    startSlave();
    RawMaster master;
    connect(master);
    ASSERT_TRUE(master.send(iFrame(0, 0, interrogationAsdu(0x06))));
    ASSERT_TRUE(master.send(iFrame(0, 0, interrogationAsdu(0x06))));
    EXPECT_TRUE(master.waitClosed(2000));
}

TEST_F(LinkTest, ReceiveSequence_IFramesAcrossTheWrap_Accepted)
{
    startSlave();
    params()->w = 100000; // no acknowledgement while the burst runs
    params()->t2 = 60;
    RawMaster master;
    connect(master);
    // 32770 frames: N(S) runs 0..32767 and wraps to 0, 1 (not active: no dispatch).
    Octets burst;
    const Octets body = interrogationAsdu(0x06);
    for (int i = 0; i < 32770; i++) {
        Octets frame = iFrame(i % 32768, 0, body);
        burst.insert(burst.end(), frame.begin(), frame.end());
    }
    ASSERT_TRUE(master.send(burst));
    ASSERT_TRUE(master.sendU(U_TESTFR_ACT));
    std::optional<Apdu> reply = master.receive(8000);
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ(reply->octets, uFrame(U_TESTFR_CON));
    // The wrapped N(S) 2 is the one expected next.
    ASSERT_TRUE(master.send(iFrame(2, 0, body)));
    ASSERT_TRUE(master.sendU(U_TESTFR_ACT));
    reply = master.receive();
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ(reply->octets, uFrame(U_TESTFR_CON));
}

class WindowLinkTest : public LinkTest
{
    void tweak(CS104_APCIParameters p) override { p->k = 3; }
};

/* Receives count I frames and checks their N(S) run from firstNs. */
void expectIFrames(RawMaster& master, int count, int firstNs)
{
    for (int i = 0; i < count; i++) {
        std::optional<Apdu> frame = master.receive();
        ASSERT_TRUE(frame.has_value()) << i;
        ASSERT_TRUE(frame->isI()) << i;
        EXPECT_EQ(frame->ns(), firstNs + i);
    }
}

struct NrCase {
    int nr;
    bool closes;
    int released; // frames the slave may send afterwards
};

TEST_F(WindowLinkTest, SendWindow_NrAtTheWindowEdges_ValidatedAndReleased)
{
    // Window holds N(S) 5, 6, 7 (confirmed by N(R) 6, 7, 8) when the N(R) arrives.
    const NrCase cases[] = {
        {4, true, 0}, {5, false, 0}, {7, false, 2}, {8, false, 3}, {9, true, 0}};
    startSlave();
    for (const NrCase& c : cases) {
        RawMaster master;
        connectActive(master);
        for (int ioa = 1; ioa <= 12; ioa++)
            enqueueSinglePoint(ioa);
        expectIFrames(master, 3, 0);
        EXPECT_TRUE(master.quietFor(200)); // k = 3 reached
        ASSERT_TRUE(master.send(sFrame(3)));
        expectIFrames(master, 3, 3);
        ASSERT_TRUE(master.send(sFrame(5)));
        expectIFrames(master, 2, 6);
        EXPECT_TRUE(master.quietFor(200));

        ASSERT_TRUE(master.send(sFrame(c.nr)));
        if (c.closes) {
            EXPECT_TRUE(master.waitClosed(2000)) << c.nr;
        } else {
            expectIFrames(master, c.released, 8);
            EXPECT_TRUE(master.quietFor(200)) << c.nr;
        }
        master.close();
        ASSERT_TRUE(waitFor([&] { return CS104_Slave_getOpenConnections(slave) == 0; }));
        // The next case starts from an empty queue.
        CS104_Slave_destroy(slave);
        slave = nullptr;
        startSlave();
    }
}

TEST_F(WindowLinkTest, SendWindow_Full_ReplyQueuedAndSentFirstWhenWindowOpens)
{
    startSlave();
    RawMaster master;
    connectActive(master);
    for (int ioa = 1; ioa <= 4; ioa++)
        enqueueSinglePoint(ioa);
    expectIFrames(master, 3, 0);
    EXPECT_TRUE(master.quietFor(200));
    // A test command while the window is full; its N(R) 0 confirms nothing.
    Octets testCommand = asdu(104, 0x01, 0x06, 1, Octets{0x00, 0x00, 0x00, 0xCC, 0x55});
    ASSERT_TRUE(master.send(iFrame(0, 0, testCommand)));
    EXPECT_TRUE(master.quietFor(300));
    ASSERT_TRUE(master.send(sFrame(3)));
    std::optional<Apdu> first = master.receive();
    ASSERT_TRUE(first.has_value());
    Octets mirrored = testCommand;
    mirrored[2] = 0x07;
    EXPECT_EQ(first->octets, iFrame(3, 1, mirrored));
    std::optional<Apdu> second = master.receive();
    ASSERT_TRUE(second.has_value());
    EXPECT_EQ(second->octets, expectedSinglePointFrame(4, 1, 4));
}

TEST_F(WindowLinkTest, SendWindow_RepeatedStartDt_DiscardsQueuedReplies)
{
    startSlave();
    RawMaster master;
    connectActive(master);
    for (int ioa = 1; ioa <= 3; ioa++)
        enqueueSinglePoint(ioa);
    expectIFrames(master, 3, 0);
    Octets testCommand = asdu(104, 0x01, 0x06, 1, Octets{0x00, 0x00, 0x00, 0xCC, 0x55});
    ASSERT_TRUE(master.send(iFrame(0, 0, testCommand))); // its reply waits: window full
    EXPECT_TRUE(master.quietFor(300));
    ASSERT_TRUE(master.sendU(U_STARTDT_ACT));
    std::optional<Apdu> con = master.receive();
    ASSERT_TRUE(con.has_value());
    EXPECT_EQ(con->octets, uFrame(U_STARTDT_CON));
    ASSERT_TRUE(master.send(sFrame(3)));
    // The window is open again but the queued reply went with the new STARTDT.
    EXPECT_TRUE(master.quietFor(600));
}

/* --------------------------------------------------- window unit tests */

/* A connection object over a real socket, its thread never started. */
class WindowUnitTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        slave = CS104_Slave_create(10, 10);
        CS104_Slave_getConnectionParameters(slave)->k = 4;
        listener = rawListen();
        Socket socket = TcpSocket_create();
        ASSERT_TRUE(Socket_connect(socket, "127.0.0.1", localPort(listener.fd())));
        peer = RawSocket(::accept(listener.fd(), nullptr, nullptr));
        low = MessageQueue_create(10);
        high = HighPriorityASDUQueue_create(10);
        connection = MasterConnection_create(slave, socket, low, high, false);
        ASSERT_NE(connection, nullptr);
    }

    void TearDown() override
    {
        MasterConnection_destroy(connection);
        MessageQueue_destroy(low);
        HighPriorityASDUQueue_destroy(high);
        CS104_Slave_destroy(slave);
    }

    /* Sends one reply I frame and reads its N(S) on the peer side. */
    int sendOne()
    {
        FrameBuffer frame;
        uint8_t body = 0x2A;
        CS104_setASDUOctets(&frame, &body, 1);
        Semaphore_wait(connection->sentASDUsLock);
        MasterConnection_sendIFrame(connection, &frame, 0, -1);
        Semaphore_post(connection->sentASDUsLock);
        uint8_t octets[7];
        EXPECT_TRUE(readExactly(peer.fd(), octets, 7));
        return Apdu::seq(octets[2], octets[3]);
    }

    int windowSize()
    {
        if (connection->oldestSentASDU == -1)
            return 0;
        return (connection->newestSentASDU - connection->oldestSentASDU + 4) % 4 + 1;
    }

    CS104_Slave slave = nullptr;
    RawSocket listener;
    RawSocket peer;
    MessageQueue low = nullptr;
    HighPriorityASDUQueue high = nullptr;
    MasterConnection connection = nullptr;
};

TEST_F(WindowUnitTest, CheckSequenceNumber_EmptyWindow_OnlySendCountValid)
{
    connection->sendCount = 100;
    EXPECT_FALSE(MasterConnection_checkSequenceNumber(connection, 99));
    EXPECT_FALSE(MasterConnection_checkSequenceNumber(connection, 101));
    EXPECT_TRUE(MasterConnection_checkSequenceNumber(connection, 100));
}

struct WrapCase {
    int nr;
    bool valid;
    int left;
};

TEST_F(WindowUnitTest, CheckSequenceNumber_AcrossTheWrap_ConfirmsUpToNr)
{
    // N(S) 32766, 32767, 0 unconfirmed: confirmed by N(R) 32767, 0, 1.
    const WrapCase cases[] = {{32766, true, 3}, {32767, true, 2}, {0, true, 1},
                              {1, true, 0},     {2, false, 3},    {32765, false, 3}};
    for (const WrapCase& c : cases) {
        connection->oldestSentASDU = -1;
        connection->sendCount = 32766;
        EXPECT_EQ(sendOne(), 32766);
        EXPECT_EQ(sendOne(), 32767);
        EXPECT_EQ(sendOne(), 0);
        EXPECT_EQ(connection->sendCount, 1);
        EXPECT_EQ(MasterConnection_checkSequenceNumber(connection, c.nr), c.valid) << c.nr;
        EXPECT_EQ(windowSize(), c.left) << c.nr;
    }
}

TEST_F(WindowUnitTest, CheckSequenceNumber_StepwiseConfirmation_ReleasesOldestFirst)
{
    connection->sendCount = 5;
    sendOne();
    sendOne();
    sendOne(); // N(S) 5, 6, 7
    EXPECT_TRUE(MasterConnection_checkSequenceNumber(connection, 6));
    EXPECT_EQ(windowSize(), 2);
    EXPECT_TRUE(MasterConnection_checkSequenceNumber(connection, 6)); // repeated: nothing new
    EXPECT_EQ(windowSize(), 2);
    EXPECT_FALSE(MasterConnection_checkSequenceNumber(connection, 5)); // goes backwards
    EXPECT_TRUE(MasterConnection_checkSequenceNumber(connection, 8));
    EXPECT_EQ(windowSize(), 0);
    EXPECT_TRUE(MasterConnection_checkSequenceNumber(connection, 8));
}

TEST_F(WindowUnitTest, CheckSequenceNumber_ConfirmsQueueEntries_FreesThem)
{
    uint8_t body = 0x11;
    ASSERT_TRUE(MessageQueue_enqueueOctets(low, &body, 1));
    ASSERT_TRUE(MessageQueue_enqueueOctets(low, &body, 1));
    for (int i = 0; i < 2; i++) {
        uint64_t timestamp = 0;
        int index = -1;
        Semaphore_wait(connection->sentASDUsLock);
        MessageQueue_lock(low);
        FrameBuffer* next = MessageQueue_getNextWaitingASDU(low, &timestamp, &index);
        ASSERT_NE(next, nullptr);
        MasterConnection_sendIFrame(connection, next, timestamp, index);
        MessageQueue_unlock(low);
        Semaphore_post(connection->sentASDUsLock);
    }
    EXPECT_TRUE(MasterConnection_checkSequenceNumber(connection, 1));
    EXPECT_EQ(low->entryCounter, 1);
    EXPECT_TRUE(MasterConnection_checkSequenceNumber(connection, 2));
    EXPECT_EQ(low->entryCounter, 0);
}

TEST_F(WindowUnitTest, NextTimeout_EarliestDueTimerWithinItsPeriod)
{
    // Defaults t1 15 s, t2 10 s, t3 20 s; the wait covers the timer it ends on.
    uint64_t now = Hal_getMonotonicTimeInMs();
    connection->nextT3Timeout = now + 20000;
    int wait = MasterConnection_nextTimeoutMs(connection);
    EXPECT_GT(wait, 19900);
    EXPECT_LE(wait, 20001) << "t3 alone";
    sendOne();
    wait = MasterConnection_nextTimeoutMs(connection);
    EXPECT_GT(wait, 14900);
    EXPECT_LE(wait, 15001) << "t1 of the unconfirmed frame";
    connection->unconfirmedReceivedIMessages = 1;
    connection->lastConfirmationTime = now;
    wait = MasterConnection_nextTimeoutMs(connection);
    EXPECT_GT(wait, 9900);
    EXPECT_LE(wait, 10001) << "t2 of the unacknowledged frame";
    connection->lastConfirmationTime = now - 20000;
    EXPECT_EQ(MasterConnection_nextTimeoutMs(connection), 0) << "t2 overdue: due at once";
}

TEST_F(WindowUnitTest, NextTimeout_ReferencesInTheFuture_NeverBeyondThePeriod)
{
    // A reference an hour ahead (a clock step) must not make the connection sleep an hour.
    uint64_t later = Hal_getMonotonicTimeInMs() + 3600u * 1000u;
    connection->nextT3Timeout = later;
    EXPECT_LE(MasterConnection_nextTimeoutMs(connection), 20001);
    connection->unconfirmedReceivedIMessages = 1;
    connection->lastConfirmationTime = later;
    EXPECT_LE(MasterConnection_nextTimeoutMs(connection), 10001);
    connection->unconfirmedReceivedIMessages = 0;
    connection->recvBufPos = 1;
    connection->recvStartTime = later;
    EXPECT_LE(MasterConnection_nextTimeoutMs(connection), 15001);
}

/*
 * A timer reference an hour ahead of the timer clock. The timers run on the
 * monotonic clock, so a wall-clock step cannot cause this
 * (test_cs104_clock_step steps the wall clock itself); should a reference
 * still lie ahead, each timer must run out within its own period, or a dead
 * peer goes unnoticed and the master's own t1 expires waiting for an S frame.
 */
class ClockSetBackTest : public WindowUnitTest
{
  protected:
    static constexpr uint64_t HOUR_MS = 3600u * 1000u;

    void setTimers(int t1, int t2, int t3)
    {
        CS104_APCIParameters p = CS104_Slave_getConnectionParameters(slave);
        p->t1 = t1;
        p->t2 = t2;
        p->t3 = t3;
        connection->nextT3Timeout = Hal_getMonotonicTimeInMs() + (uint64_t)t3 * 1000u;
    }

    bool peerQuiet(int ms)
    {
        pollfd entry = {peer.fd(), POLLIN, 0};
        return ::poll(&entry, 1, ms) == 0;
    }

    Octets peerReceive(size_t count)
    {
        Octets octets(count);
        if (!readExactly(peer.fd(), octets.data(), count, 2000))
            octets.clear();
        return octets;
    }
};

TEST_F(ClockSetBackTest, T1_SentTimeInTheFuture_StillClosesAfterT1)
{
    setTimers(1, 100, 100);
    sendOne();
    connection->sentASDUs[connection->oldestSentASDU].sentTime =
        Hal_getMonotonicTimeInMs() + HOUR_MS;
    EXPECT_TRUE(MasterConnection_handleTimeouts(connection));
    Thread_sleep(1100);
    EXPECT_FALSE(MasterConnection_handleTimeouts(connection));
}

TEST_F(ClockSetBackTest, T2_LastConfirmationInTheFuture_SFrameAfterT2)
{
    setTimers(100, 1, 100);
    connection->receiveCount = 1;
    connection->unconfirmedReceivedIMessages = 1;
    connection->lastConfirmationTime = Hal_getMonotonicTimeInMs() + HOUR_MS;
    EXPECT_TRUE(MasterConnection_handleTimeouts(connection));
    EXPECT_TRUE(peerQuiet(50));
    Thread_sleep(1100);
    EXPECT_TRUE(MasterConnection_handleTimeouts(connection));
    EXPECT_EQ(peerReceive(6), sFrame(1));
}

TEST_F(ClockSetBackTest, T3_DeadlineAnHourAway_TestFrameAfterT3)
{
    setTimers(100, 100, 1);
    connection->nextT3Timeout = Hal_getMonotonicTimeInMs() + HOUR_MS;
    EXPECT_TRUE(MasterConnection_handleTimeouts(connection));
    EXPECT_TRUE(peerQuiet(50));
    Thread_sleep(1100);
    EXPECT_TRUE(MasterConnection_handleTimeouts(connection));
    EXPECT_EQ(peerReceive(6), uFrame(U_TESTFR_ACT));
}

/* --------------------------------------------------------------- w, t2 */

class AckLinkTest : public LinkTest
{
    void tweak(CS104_APCIParameters p) override
    {
        p->w = 3;
        p->t2 = 1;
    }
};

TEST_F(AckLinkTest, Acknowledge_AfterWFrames_SFrameAtOnce)
{
    startSlave();
    params()->t2 = 30;
    RawMaster master;
    connect(master);
    ASSERT_TRUE(master.sendI(interrogationAsdu(0x06)));
    ASSERT_TRUE(master.sendI(interrogationAsdu(0x06)));
    EXPECT_TRUE(master.quietFor(300));
    ASSERT_TRUE(master.sendI(interrogationAsdu(0x06)));
    std::optional<Apdu> ack = master.receive(500);
    ASSERT_TRUE(ack.has_value());
    EXPECT_EQ(ack->octets, sFrame(3));
}

TEST_F(AckLinkTest, Acknowledge_FewerThanW_SFrameAfterT2)
{
    startSlave();
    RawMaster master;
    connect(master);
    int64_t start = monotonicMs();
    ASSERT_TRUE(master.sendI(interrogationAsdu(0x06)));
    std::optional<Apdu> ack = master.receive(3000);
    ASSERT_TRUE(ack.has_value());
    EXPECT_EQ(ack->octets, sFrame(1));
    int64_t elapsed = monotonicMs() - start;
    EXPECT_GE(elapsed, 900);
    EXPECT_LE(elapsed, 2500);
}

TEST_F(AckLinkTest, Acknowledge_AfterQuietPeriod_SFrameWithTheNextIFrame)
{
    startSlave();
    RawMaster master;
    connect(master);
    ASSERT_TRUE(master.sendI(interrogationAsdu(0x06)));
    std::optional<Apdu> ack = master.receive(3000); // t2 after the first I frame
    ASSERT_TRUE(ack.has_value());
    ASSERT_EQ(ack->octets, sFrame(1));
    Thread_sleep(1500); // longer than t2 since that S frame
    int64_t sent = monotonicMs();
    ASSERT_TRUE(master.sendI(interrogationAsdu(0x06)));
    ack = master.receive(3000);
    ASSERT_TRUE(ack.has_value());
    EXPECT_EQ(ack->octets, sFrame(2));
    EXPECT_LE(monotonicMs() - sent, 500);
}

/* ------------------------------------------------------------------ t3 */

class T3LinkTest : public LinkTest
{
    void tweak(CS104_APCIParameters p) override { p->t3 = 1; }
};

TEST_F(T3LinkTest, T3_SilentPeer_ThreeTestFramesThenClosed)
{
    startSlave();
    RawMaster master;
    connect(master);
    int64_t start = monotonicMs();
    for (int i = 1; i <= 3; i++) {
        std::optional<Apdu> act = master.receive(2500);
        ASSERT_TRUE(act.has_value()) << i;
        EXPECT_EQ(act->octets, uFrame(U_TESTFR_ACT));
        int64_t elapsed = monotonicMs() - start;
        EXPECT_GE(elapsed, i * 1000 - 100) << i;
        EXPECT_LE(elapsed, i * 1000 + 900) << i;
    }
    // After the third unanswered act only the close follows, one t3 later.
    EXPECT_TRUE(master.closedWithNothingFirst(1900));
    EXPECT_GE(monotonicMs() - start, 3900);
}

TEST_F(T3LinkTest, T3_TestFramesAnswered_ConnectionStaysOpen)
{
    startSlave();
    RawMaster master;
    connect(master);
    for (int i = 0; i < 4; i++) {
        std::optional<Apdu> act = master.receive(2500);
        ASSERT_TRUE(act.has_value()) << i;
        ASSERT_EQ(act->octets, uFrame(U_TESTFR_ACT));
        ASSERT_TRUE(master.sendU(U_TESTFR_CON));
    }
    EXPECT_EQ(CS104_Slave_getOpenConnections(slave), 1);
}

/* ------------------------------------------------------------------ t1 */

class T1LinkTest : public LinkTest
{
    void tweak(CS104_APCIParameters p) override
    {
        p->t1 = 1;
        p->t3 = 30;
    }
};

TEST_F(T1LinkTest, T1_SentFrameNeverConfirmed_Closed)
{
    startSlave();
    RawMaster master;
    connectActive(master);
    enqueueSinglePoint(1);
    int64_t start = monotonicMs();
    std::optional<Apdu> data = master.receive();
    ASSERT_TRUE(data.has_value());
    EXPECT_TRUE(master.waitClosed(3000));
    EXPECT_GE(monotonicMs() - start, 900);
}

TEST_F(T1LinkTest, T1_SentFrameConfirmed_StaysOpen)
{
    startSlave();
    RawMaster master;
    connectActive(master);
    enqueueSinglePoint(1);
    std::optional<Apdu> data = master.receive();
    ASSERT_TRUE(data.has_value());
    ASSERT_TRUE(master.sendS());
    EXPECT_TRUE(master.quietFor(1800));
    EXPECT_EQ(CS104_Slave_getOpenConnections(slave), 1);
}

/* ----------------------------------------------------- malformed ASDUs */

TEST_F(LinkTest, ShortAsdu_Active_CountedAcknowledgedNotDispatched)
{
    startSlave();
    params()->w = 1;
    RawMaster master;
    connectActive(master);
    ASSERT_TRUE(master.sendI(Octets{100, 0x01, 0x06})); // shorter than a header
    std::optional<Apdu> ack = master.receive();
    ASSERT_TRUE(ack.has_value());
    EXPECT_EQ(ack->octets, sFrame(1));
    EXPECT_TRUE(master.quietFor(300));
    EXPECT_EQ(interrogations.load(), 0);
}

TEST_F(LinkTest, SystemCommandWithoutObject_HandlerNotCalled_MirroredWithCause44)
{
    startSlave();
    RawMaster master;
    connectActive(master);
    Octets headerOnly = asdu(100, 0x01, 0x06, 1, Octets{});
    ASSERT_TRUE(master.sendI(headerOnly));
    std::optional<Apdu> reply = master.receiveI();
    ASSERT_TRUE(reply.has_value());
    Octets expected = headerOnly;
    expected[2] = 44;
    EXPECT_EQ(reply->octets, iFrame(0, 1, expected));
    EXPECT_EQ(interrogations.load(), 0);
}

} // namespace
} // namespace qxtest
