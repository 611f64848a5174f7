// SPDX-License-Identifier: Apache-2.0
/*
 * The link procedure of one connection, octets in and octets out over a
 * fake stream and the fake clock (connection_harness.h): STARTDT/STOPDT/
 * TESTFR, framing of a byte stream, sequence numbers, the k window, the w
 * threshold and the timers t1, t2, t3, each checked to the millisecond.
 */
#include "connection_harness.h"
#include "slave_fixture.h"

#include <atomic>

namespace qxtest
{
namespace
{

bool countInterrogation(void* parameter, IMasterConnection, CS101_ASDU, uint8_t)
{
    static_cast<std::atomic<int>*>(parameter)->fetch_add(1);
    return true;
}

/* A connection whose host counts interrogations; tweak the host's parameters, then open(). */
class LinkTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        link.host.handlers.interrogationHandler = countInterrogation;
        link.host.handlers.interrogationHandlerParameter = &interrogations;
    }

    CS104_APCIParameters params() { return &link.host.apci; }

    /* The I frame of a queued single point, as enqueueSinglePoint queues it. */
    void enqueueSinglePoint(int ioa) { link.enqueue(singlePointAsdu(0x03, ioa, true)); }

    ConnectionHarness link;
    std::atomic<int> interrogations{0};
};

/* N(S) of each I frame, or -1 for another frame. */
std::vector<int> sendNumbers(const Frames& frames)
{
    std::vector<int> numbers;
    for (const Octets& frame : frames) {
        Apdu apdu{frame};
        numbers.push_back(apdu.isI() ? apdu.ns() : -1);
    }
    return numbers;
}

/* ------------------------------------------------------------ U frames */

TEST_F(LinkTest, UFrames_StartStopTest_AnsweredWithConfirmations)
{
    link.open();
    const std::pair<uint8_t, uint8_t> exchanges[] = {{U_TESTFR_ACT, U_TESTFR_CON},
                                                     {U_STARTDT_ACT, U_STARTDT_CON},
                                                     {U_STOPDT_ACT, U_STOPDT_CON},
                                                     {U_TESTFR_ACT, U_TESTFR_CON}};
    for (const auto& exchange : exchanges)
        EXPECT_EQ(link.exchange(uFrame(exchange.first)), Frames{uFrame(exchange.second)});
    EXPECT_EQ(link.host.activations.load(), 1);
}

TEST_F(LinkTest, UFrames_ConfirmationsFromMaster_IgnoredWithoutReply)
{
    link.open();
    Octets confirmations = uFrame(U_STARTDT_CON);
    for (uint8_t function : {U_STOPDT_CON, U_TESTFR_CON}) {
        Octets frame = uFrame(function);
        confirmations.insert(confirmations.end(), frame.begin(), frame.end());
    }
    EXPECT_EQ(link.exchange(confirmations), Frames{});
    EXPECT_FALSE(link.closed());
}

TEST_F(LinkTest, IFrame_BeforeStartDt_AcknowledgedButNotDispatched)
{
    params()->w = 1;
    link.open();
    EXPECT_EQ(link.exchange(iFrame(0, 0, interrogationAsdu(0x06))), Frames{sFrame(1)});
    EXPECT_EQ(link.advance(30000), Frames{uFrame(U_TESTFR_ACT)}) << "t3 only, nothing else";
    EXPECT_EQ(interrogations.load(), 0);
    EXPECT_EQ(link.host.dispatched.load(), 0);
}

TEST_F(LinkTest, StopDt_WithQueuedData_DataStaysQueuedUntilStartDt)
{
    link.open();
    link.start();
    EXPECT_EQ(link.exchange(uFrame(U_STOPDT_ACT)), Frames{uFrame(U_STOPDT_CON)});
    enqueueSinglePoint(7);
    EXPECT_EQ(link.advance(0), Frames{});
    EXPECT_EQ(link.exchange(uFrame(U_STARTDT_ACT)),
              (Frames{uFrame(U_STARTDT_CON), expectedSinglePointFrame(0, 0, 7)}));
}

/* ------------------------------------------------------------- framing */

TEST_F(LinkTest, Framing_OneOctetAtATime_FramesCompleted)
{
    params()->w = 1;
    link.open();
    Octets stream = uFrame(U_STARTDT_ACT);
    Octets iframe = iFrame(0, 0, interrogationAsdu(0x06));
    stream.insert(stream.end(), iframe.begin(), iframe.end());
    Frames written;
    for (uint8_t octet : stream) {
        for (const Octets& frame : link.exchange(Octets{octet}))
            written.push_back(frame);
        qxfake::clockAdvance(15);
    }
    EXPECT_EQ(written, (Frames{uFrame(U_STARTDT_CON), sFrame(1)}));
    EXPECT_EQ(interrogations.load(), 1);
}

TEST_F(LinkTest, Framing_SeveralFramesInOneSegment_AllHandledInOrder)
{
    link.open();
    Octets segment = uFrame(U_TESTFR_ACT);
    for (uint8_t function : {U_STARTDT_ACT, U_TESTFR_ACT, U_STOPDT_ACT}) {
        Octets frame = uFrame(function);
        segment.insert(segment.end(), frame.begin(), frame.end());
    }
    EXPECT_EQ(link.exchange(segment), (Frames{uFrame(U_TESTFR_CON), uFrame(U_STARTDT_CON),
                                              uFrame(U_TESTFR_CON), uFrame(U_STOPDT_CON)}));
}

/* A frame's APCI comes in one read, the rest of an I frame in a second one,
 * and nothing of the frame after it is read. */
TEST_F(LinkTest, Framing_ApciInOneRead_NextFrameLeftInTheStream)
{
    link.open();
    link.start();
    int ns = 0;
    auto interrogation = [&ns] { return iFrame(ns++, 0, interrogationAsdu(0x06)); };
    /* The frame read first (none: an I frame) and the reads it takes. */
    const std::pair<Octets, int> cases[] = {{sFrame(0), 1}, {uFrame(U_TESTFR_ACT), 1}, {{}, 2}};
    for (const auto& c : cases) {
        Octets segment = c.first.empty() ? interrogation() : c.first;
        const Octets next = interrogation();
        segment.insert(segment.end(), next.begin(), next.end());
        link.peer->takeReadCalls();
        link.peer->send(segment);
        link.pass();
        EXPECT_EQ(link.peer->takeReadCalls(), c.second) << int(segment[2]);
        EXPECT_EQ(link.peer->unread(), next.size()) << int(segment[2]);
        link.run();
    }
    EXPECT_FALSE(link.closed());
    EXPECT_EQ(interrogations.load(), 4);
}

/* After a pass that read a frame the next one reads before it waits; an
 * empty read sends the pass after it back to waiting. */
TEST_F(LinkTest, Framing_AfterAFrame_NextReadWithoutWaiting)
{
    link.open();
    link.start();
    link.pass(); /* the read after STARTDT finds nothing */
    link.peer->takeReadCalls();
    link.peer->takeWaitCalls();
    Octets segment = uFrame(U_TESTFR_ACT);
    Octets second = uFrame(U_TESTFR_ACT);
    segment.insert(segment.end(), second.begin(), second.end());
    link.peer->send(segment);
    const struct {
        int waits;
        int reads;
        Frames written;
    } passes[] = {
        {1, 1, {uFrame(U_TESTFR_CON)}}, {0, 1, {uFrame(U_TESTFR_CON)}}, {0, 1, {}}, {1, 0, {}}};
    for (const auto& p : passes) {
        link.pass();
        EXPECT_EQ(link.peer->takeWaitCalls(), p.waits);
        EXPECT_EQ(link.peer->takeReadCalls(), p.reads);
        EXPECT_EQ(link.peer->takeWritten(), p.written);
    }
    EXPECT_FALSE(link.closed());
}

TEST(LinkFramingTest, Framing_MalformedStarts_CloseTheConnection)
{
    const Octets cases[] = {
        {0x67, 0x04, 0x07, 0x00, 0x00, 0x00}, // wrong start octet
        {0x68, 0x03, 0x07, 0x00, 0x00},       // length octet below 4
        {0x68, 0x00},                         // empty frame
        {0x68, 0x04, 0x00, 0x00, 0x00, 0x00}, // I frame without an ASDU
    };
    for (const Octets& bad : cases) {
        ConnectionHarness link;
        link.open();
        EXPECT_EQ(link.exchange(bad), Frames{}) << int(bad[0]) << " " << int(bad[1]);
        EXPECT_TRUE(link.closed()) << int(bad[0]) << " " << int(bad[1]);
    }
}

TEST_F(LinkTest, Framing_FrameNeverCompleted_ClosedAfterT1)
{
    params()->t1 = 1;
    link.open();
    EXPECT_EQ(link.exchange(Octets{0x68, 0x04, 0x43}), Frames{});
    EXPECT_EQ(link.advance(999), Frames{});
    EXPECT_FALSE(link.closed());
    EXPECT_EQ(link.advance(1), Frames{});
    EXPECT_TRUE(link.closed());
}

TEST_F(LinkTest, Framing_SplitBetweenStartAndLength_CompletedLater)
{
    params()->t1 = 1;
    link.open();
    EXPECT_EQ(link.exchange(Octets{0x68}), Frames{});
    qxfake::clockAdvance(300);
    EXPECT_EQ(link.exchange(Octets{0x04, 0x43, 0x00}), Frames{});
    qxfake::clockAdvance(300);
    EXPECT_EQ(link.exchange(Octets{0x00, 0x00}), Frames{uFrame(U_TESTFR_CON)});
    EXPECT_EQ(link.advance(1000), Frames{}) << "the receive time-out ended with the frame";
    EXPECT_FALSE(link.closed());
}

/* ----------------------------------------------------- sequence numbers */

TEST_F(LinkTest, ReceiveSequence_RepeatedNs_Closes)
{
    link.open();
    EXPECT_EQ(link.exchange(iFrame(0, 0, interrogationAsdu(0x06))), Frames{});
    EXPECT_FALSE(link.closed());
    EXPECT_EQ(link.exchange(iFrame(0, 0, interrogationAsdu(0x06))), Frames{});
    EXPECT_TRUE(link.closed());
}

TEST_F(LinkTest, ReceiveSequence_IFramesAcrossTheWrap_Accepted)
{
    params()->w = 100000; // no acknowledgement while the burst runs
    params()->t2 = 60;
    link.open();
    // 32770 frames: N(S) runs 0..32767 and wraps to 0, 1 (not active: no dispatch).
    Octets burst;
    const Octets body = interrogationAsdu(0x06);
    for (int i = 0; i < 32770; i++) {
        Octets frame = iFrame(i % 32768, 0, body);
        burst.insert(burst.end(), frame.begin(), frame.end());
    }
    Octets test = uFrame(U_TESTFR_ACT);
    burst.insert(burst.end(), test.begin(), test.end());
    EXPECT_EQ(link.exchange(burst), Frames{uFrame(U_TESTFR_CON)});
    // The wrapped N(S) 2 is the one expected next.
    Octets next = iFrame(2, 0, body);
    next.insert(next.end(), test.begin(), test.end());
    EXPECT_EQ(link.exchange(next), Frames{uFrame(U_TESTFR_CON)});
    EXPECT_FALSE(link.closed());
}

class WindowLinkTest : public LinkTest
{
  protected:
    void SetUp() override
    {
        LinkTest::SetUp();
        params()->k = 3;
    }
};

struct NrCase {
    int nr;
    bool closes;
    int released; // frames the slave may send afterwards
};

TEST(WindowEdgeTest, SendWindow_NrAtTheWindowEdges_ValidatedAndReleased)
{
    // Window holds N(S) 5, 6, 7 (confirmed by N(R) 6, 7, 8) when the N(R) arrives.
    const NrCase cases[] = {
        {4, true, 0}, {5, false, 0}, {7, false, 2}, {8, false, 3}, {9, true, 0}};
    for (const NrCase& c : cases) {
        ConnectionHarness link;
        link.host.apci.k = 3;
        link.open();
        link.start();
        for (int ioa = 1; ioa <= 12; ioa++)
            link.enqueue(singlePointAsdu(0x03, ioa, true));
        EXPECT_EQ(sendNumbers(link.advance(0)), (std::vector<int>{0, 1, 2})) << "k = 3 reached";
        EXPECT_EQ(sendNumbers(link.exchange(sFrame(3))), (std::vector<int>{3, 4, 5}));
        EXPECT_EQ(sendNumbers(link.exchange(sFrame(5))), (std::vector<int>{6, 7}));

        Frames after = link.exchange(sFrame(c.nr));
        EXPECT_EQ(link.closed(), c.closes) << c.nr;
        std::vector<int> released;
        for (int i = 0; i < c.released; i++)
            released.push_back(8 + i);
        EXPECT_EQ(sendNumbers(after), released) << c.nr;
    }
}

TEST_F(WindowLinkTest, SendWindow_Full_ReplyQueuedAndSentFirstWhenWindowOpens)
{
    link.open();
    link.start();
    for (int ioa = 1; ioa <= 4; ioa++)
        enqueueSinglePoint(ioa);
    EXPECT_EQ(sendNumbers(link.advance(0)), (std::vector<int>{0, 1, 2}));
    // A test command while the window is full; its N(R) 0 confirms nothing.
    Octets testCommand = asdu(104, 0x01, 0x06, 1, Octets{0x00, 0x00, 0x00, 0xCC, 0x55});
    EXPECT_EQ(link.exchange(iFrame(0, 0, testCommand)), Frames{});
    Octets mirrored = testCommand;
    mirrored[2] = 0x07;
    EXPECT_EQ(link.exchange(sFrame(3)),
              (Frames{iFrame(3, 1, mirrored), expectedSinglePointFrame(4, 1, 4)}));
}

TEST_F(WindowLinkTest, SendWindow_RepeatedStartDt_DiscardsQueuedReplies)
{
    link.open();
    link.start();
    for (int ioa = 1; ioa <= 3; ioa++)
        enqueueSinglePoint(ioa);
    EXPECT_EQ(sendNumbers(link.advance(0)), (std::vector<int>{0, 1, 2}));
    Octets testCommand = asdu(104, 0x01, 0x06, 1, Octets{0x00, 0x00, 0x00, 0xCC, 0x55});
    EXPECT_EQ(link.exchange(iFrame(0, 0, testCommand)), Frames{}); // its reply waits: window full
    link.start();
    // The window is open again but the queued reply went with the new STARTDT.
    EXPECT_EQ(link.exchange(sFrame(3)), Frames{});
    EXPECT_EQ(link.advance(0), Frames{});
}

/* --------------------------------------------------- window unit tests */

/* The window functions called directly on a connection that never runs a pass. */
class WindowUnitTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        link.host.apci.k = 4;
        link.open(10, 10);
        connection = link.connection;
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
        Frames written = link.peer->takeWritten();
        EXPECT_EQ(written.size(), 1u);
        return written.empty() ? -1 : Apdu{written[0]}.ns();
    }

    int windowSize()
    {
        if (connection->oldestSentASDU == -1)
            return 0;
        return (connection->newestSentASDU - connection->oldestSentASDU + 4) % 4 + 1;
    }

    ConnectionHarness link;
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
    EXPECT_EQ(sendOne(), 5);
    EXPECT_EQ(sendOne(), 6);
    EXPECT_EQ(sendOne(), 7);
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
    MessageQueue low = link.low;
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
    uint64_t now = qxfake::clockMonotonicMs();
    connection->nextT3Timeout = now + 20000;
    EXPECT_EQ(MasterConnection_nextTimeoutMs(connection), 20001) << "t3 alone";
    sendOne();
    EXPECT_EQ(MasterConnection_nextTimeoutMs(connection), 15001) << "t1 of the unconfirmed frame";
    connection->unconfirmedReceivedIMessages = 1;
    connection->lastConfirmationTime = now;
    EXPECT_EQ(MasterConnection_nextTimeoutMs(connection), 10001)
        << "t2 of the unacknowledged frame";
    qxfake::clockAdvance(4000);
    EXPECT_EQ(MasterConnection_nextTimeoutMs(connection), 6001) << "t2 runs on the clock";
    connection->lastConfirmationTime = now - 20000;
    EXPECT_EQ(MasterConnection_nextTimeoutMs(connection), 0) << "t2 overdue: due at once";
}

TEST_F(WindowUnitTest, NextTimeout_ReferencesInTheFuture_NeverBeyondThePeriod)
{
    // A reference an hour ahead (a clock step) must not make the connection sleep an hour.
    uint64_t later = qxfake::clockMonotonicMs() + 3600u * 1000u;
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
        link.host.apci.t1 = t1;
        link.host.apci.t2 = t2;
        link.host.apci.t3 = t3;
        connection->nextT3Timeout = qxfake::clockMonotonicMs() + (uint64_t)t3 * 1000u;
    }
};

TEST_F(ClockSetBackTest, T1_SentTimeInTheFuture_StillClosesAfterT1)
{
    setTimers(1, 100, 100);
    sendOne();
    connection->sentASDUs[connection->oldestSentASDU].sentTime =
        qxfake::clockMonotonicMs() + HOUR_MS;
    EXPECT_TRUE(MasterConnection_handleTimeouts(connection));
    qxfake::clockAdvance(999);
    EXPECT_TRUE(MasterConnection_handleTimeouts(connection));
    qxfake::clockAdvance(1);
    EXPECT_FALSE(MasterConnection_handleTimeouts(connection));
}

TEST_F(ClockSetBackTest, T2_LastConfirmationInTheFuture_SFrameAfterT2)
{
    setTimers(100, 1, 100);
    connection->receiveCount = 1;
    connection->unconfirmedReceivedIMessages = 1;
    connection->lastConfirmationTime = qxfake::clockMonotonicMs() + HOUR_MS;
    EXPECT_TRUE(MasterConnection_handleTimeouts(connection));
    qxfake::clockAdvance(999);
    EXPECT_TRUE(MasterConnection_handleTimeouts(connection));
    EXPECT_EQ(link.peer->takeWritten(), Frames{});
    qxfake::clockAdvance(1);
    EXPECT_TRUE(MasterConnection_handleTimeouts(connection));
    EXPECT_EQ(link.peer->takeWritten(), Frames{sFrame(1)});
}

TEST_F(ClockSetBackTest, T3_DeadlineAnHourAway_TestFrameAfterT3)
{
    setTimers(100, 100, 1);
    connection->nextT3Timeout = qxfake::clockMonotonicMs() + HOUR_MS;
    EXPECT_TRUE(MasterConnection_handleTimeouts(connection));
    qxfake::clockAdvance(1000);
    EXPECT_TRUE(MasterConnection_handleTimeouts(connection));
    EXPECT_EQ(link.peer->takeWritten(), Frames{});
    qxfake::clockAdvance(1);
    EXPECT_TRUE(MasterConnection_handleTimeouts(connection));
    EXPECT_EQ(link.peer->takeWritten(), Frames{uFrame(U_TESTFR_ACT)});
}

/* --------------------------------------------------------------- w, t2 */

class AckLinkTest : public LinkTest
{
  protected:
    void SetUp() override
    {
        LinkTest::SetUp();
        params()->w = 3;
        params()->t2 = 1;
    }
};

TEST_F(AckLinkTest, Acknowledge_AfterWFrames_SFrameAtOnce)
{
    params()->t2 = 30;
    link.open();
    EXPECT_EQ(link.exchange(iFrame(0, 0, interrogationAsdu(0x06))), Frames{});
    EXPECT_EQ(link.exchange(iFrame(1, 0, interrogationAsdu(0x06))), Frames{});
    EXPECT_EQ(link.exchange(iFrame(2, 0, interrogationAsdu(0x06))), Frames{sFrame(3)});
}

TEST_F(AckLinkTest, Acknowledge_FewerThanW_SFrameAfterT2)
{
    link.open();
    EXPECT_EQ(link.exchange(iFrame(0, 0, interrogationAsdu(0x06))), Frames{});
    EXPECT_EQ(link.advance(999), Frames{});
    EXPECT_EQ(link.advance(1), Frames{sFrame(1)});
    EXPECT_EQ(link.advance(5000), Frames{}) << "acknowledged once";
}

TEST_F(AckLinkTest, Acknowledge_AfterQuietPeriod_SFrameWithTheNextIFrame)
{
    link.open();
    EXPECT_EQ(link.exchange(iFrame(0, 0, interrogationAsdu(0x06))), Frames{});
    EXPECT_EQ(link.advance(1000), Frames{sFrame(1)}); // t2 after the first I frame
    qxfake::clockAdvance(1500);                       // longer than t2 since that S frame
    EXPECT_EQ(link.exchange(iFrame(1, 0, interrogationAsdu(0x06))), Frames{sFrame(2)});
}

/* ------------------------------------------------------------------ t3 */

class T3LinkTest : public LinkTest
{
  protected:
    void SetUp() override
    {
        LinkTest::SetUp();
        params()->t3 = 1;
    }
};

TEST_F(T3LinkTest, T3_SilentPeer_ThreeTestFramesThenClosed)
{
    link.open();
    // t3 runs out when more than t3 has passed since the last frame or test
    // frame; after the third unanswered act only the close follows.
    expectTestFramesThenClose(link);
}

TEST_F(T3LinkTest, T3_TestFramesAnswered_ConnectionStaysOpen)
{
    link.open();
    for (int i = 0; i < 4; i++) {
        ASSERT_EQ(link.advance(1001), Frames{uFrame(U_TESTFR_ACT)}) << i;
        ASSERT_EQ(link.exchange(uFrame(U_TESTFR_CON)), Frames{}) << i;
    }
    EXPECT_FALSE(link.closed());
}

/* ------------------------------------------------------------------ t1 */

class T1LinkTest : public LinkTest
{
  protected:
    void SetUp() override
    {
        LinkTest::SetUp();
        params()->t1 = 1;
        params()->t3 = 30;
    }
};

TEST_F(T1LinkTest, T1_SentFrameNeverConfirmed_Closed)
{
    link.open();
    link.start();
    enqueueSinglePoint(1);
    EXPECT_EQ(link.advance(0), Frames{expectedSinglePointFrame(0, 0, 1)});
    EXPECT_EQ(link.advance(999), Frames{});
    EXPECT_FALSE(link.closed());
    EXPECT_EQ(link.advance(1), Frames{});
    EXPECT_TRUE(link.closed());
}

TEST_F(T1LinkTest, T1_SentFrameConfirmed_StaysOpen)
{
    link.open();
    link.start();
    enqueueSinglePoint(1);
    EXPECT_EQ(link.advance(0), Frames{expectedSinglePointFrame(0, 0, 1)});
    EXPECT_EQ(link.exchange(sFrame(1)), Frames{});
    EXPECT_EQ(link.advance(1800), Frames{});
    EXPECT_FALSE(link.closed());
}

/* ----------------------------------------------------- malformed ASDUs */

TEST_F(LinkTest, ShortAsdu_Active_CountedAcknowledgedNotDispatched)
{
    params()->w = 1;
    link.open();
    link.start();
    EXPECT_EQ(link.exchange(iFrame(0, 0, Octets{100, 0x01, 0x06})), Frames{sFrame(1)});
    EXPECT_EQ(link.advance(0), Frames{});
    EXPECT_EQ(interrogations.load(), 0);
    EXPECT_EQ(link.host.dispatched.load(), 0);
}

TEST_F(LinkTest, SystemCommandWithoutObject_HandlerNotCalled_MirroredWithCause44)
{
    link.open();
    link.start();
    Octets headerOnly = asdu(100, 0x01, 0x06, 1, Octets{});
    Octets expected = headerOnly;
    expected[2] = 44;
    EXPECT_EQ(link.exchange(iFrame(0, 0, headerOnly)), Frames{iFrame(0, 1, expected)});
    EXPECT_EQ(interrogations.load(), 0);
}

} // namespace
} // namespace qxtest
