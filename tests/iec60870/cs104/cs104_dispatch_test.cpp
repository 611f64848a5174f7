// SPDX-License-Identifier: Apache-2.0
/*
 * Dispatch of received ASDUs: typed handlers with their values, the general
 * ASDU handler, the engine's mirrored replies (causes 44 and 45), the test
 * command, and the IMasterConnection operations.
 */
#include "slave_fixture.h"

#include <mutex>
#include <string>
#include <vector>

namespace qxtest
{
namespace
{

/* What the handlers saw, shared with the connection thread. */
struct Seen {
    std::mutex lock;
    std::vector<std::string> calls;
    int value = -1;
    Octets time;
    bool asduHandlerResult = false;
    bool typedHandlerResult = true;
    bool answerNegative = false;

    void add(const std::string& call, int v)
    {
        std::lock_guard<std::mutex> guard(lock);
        calls.push_back(call);
        value = v;
    }
    int lastValue()
    {
        std::lock_guard<std::mutex> guard(lock);
        return value;
    }
    Octets lastTime()
    {
        std::lock_guard<std::mutex> guard(lock);
        return time;
    }
    std::vector<std::string> snapshot()
    {
        std::lock_guard<std::mutex> guard(lock);
        return calls;
    }
};

bool onInterrogation(void* parameter, IMasterConnection connection, CS101_ASDU asdu, uint8_t qoi)
{
    Seen* seen = static_cast<Seen*>(parameter);
    seen->add("interrogation", qoi);
    IMasterConnection_sendACT_CON(connection, asdu, seen->answerNegative);
    IMasterConnection_sendACT_TERM(connection, asdu);
    return seen->typedHandlerResult;
}

bool onCounterInterrogation(void* parameter, IMasterConnection, CS101_ASDU, QualifierOfCIC qcc)
{
    static_cast<Seen*>(parameter)->add("counter", qcc);
    return true;
}

bool onRead(void* parameter, IMasterConnection, CS101_ASDU, int ioa)
{
    static_cast<Seen*>(parameter)->add("read", ioa);
    return true;
}

bool onClockSync(void* parameter, IMasterConnection, CS101_ASDU, CP56Time2a newTime)
{
    Seen* seen = static_cast<Seen*>(parameter);
    uint8_t* octets = CP56Time2a_getEncodedValue(newTime);
    {
        std::lock_guard<std::mutex> guard(seen->lock);
        seen->time.assign(octets, octets + 7);
    }
    seen->add("clock", 0);
    return true;
}

bool onAsdu(void* parameter, IMasterConnection, CS101_ASDU asdu)
{
    Seen* seen = static_cast<Seen*>(parameter);
    seen->add("asdu", CS101_ASDU_getCOT(asdu));
    return seen->asduHandlerResult;
}

class DispatchTest : public SlaveTest
{
  protected:
    /* Sends an ASDU on an active connection and collects I-frame replies for a moment. */
    std::vector<Octets> exchange(const Octets& request, int expectedReplies)
    {
        if (!master.connected())
            connectActive(master);
        master.sendI(request);
        return receiveAsdus(master, expectedReplies);
    }

    void withTypedHandlers()
    {
        CS104_Slave_setInterrogationHandler(slave, onInterrogation, &seen);
        CS104_Slave_setCounterInterrogationHandler(slave, onCounterInterrogation, &seen);
        CS104_Slave_setReadHandler(slave, onRead, &seen);
        CS104_Slave_setClockSyncHandler(slave, onClockSync, &seen);
    }

    Seen seen;
    RawMaster master;
};

TEST_F(DispatchTest, NoHandlers_SystemAndMonitorTypes_MirroredWithCause44)
{
    startSlave();
    // Counter interrogation and read get no default answer from the engine,
    // and only the plain test command (104) is answered by it, not 107.
    const Octets testWithTime = {0, 0, 0, 0xCC, 0x55, 1, 2, 3, 4, 5, 6, 7};
    const Octets requests[] = {interrogationAsdu(0x06),
                               singlePointAsdu(0x03, 17, true),
                               asdu(101, 0x01, 0x06, 1, Octets{0, 0, 0, 0x05}),
                               asdu(102, 0x01, 0x05, 1, ioa3(4000)),
                               asdu(105, 0x01, 0x06, 1, Octets{0, 0, 0, 1}),
                               asdu(107, 0x01, 0x06, 1, testWithTime),
                               asdu(200, 0x01, 0x06, 7, Octets{1, 2, 3, 4})};
    for (const Octets& request : requests) {
        std::vector<Octets> replies = exchange(request, 1);
        ASSERT_EQ(replies.size(), 1u) << int(request[0]);
        EXPECT_EQ(replies[0], withCause(request, 44)) << int(request[0]);
    }
}

TEST_F(DispatchTest, WrongCause_NoAsduHandler_Cause45ThenCause44)
{
    startSlave();
    withTypedHandlers();
    // Interrogation with 7, read with 6, clock sync with 8: each outside its causes.
    const Octets requests[] = {interrogationAsdu(0x07), asdu(102, 0x01, 0x06, 1, ioa3(300)),
                               asdu(103, 0x01, 0x08, 1, Octets{0, 0, 0, 1, 2, 3, 4, 5, 6, 7})};
    for (const Octets& request : requests) {
        std::vector<Octets> replies = exchange(request, 2);
        ASSERT_EQ(replies.size(), 2u) << int(request[0]);
        EXPECT_EQ(replies[0], withCause(request, 45));
        EXPECT_EQ(replies[1], withCause(request, 44));
    }
    EXPECT_TRUE(seen.snapshot().empty());
}

TEST_F(DispatchTest, WrongCause_AsduHandlerTakesIt_SeesCause45)
{
    startSlave();
    seen.asduHandlerResult = true;
    CS104_Slave_setASDUHandler(slave, onAsdu, &seen);
    CS104_Slave_setInterrogationHandler(slave, onInterrogation, &seen);
    Octets request = interrogationAsdu(0x03);
    std::vector<Octets> replies = exchange(request, 1);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0], withCause(request, 45));
    EXPECT_EQ(seen.snapshot(), std::vector<std::string>{"asdu"});
    EXPECT_EQ(seen.lastValue(), 45);
}

TEST_F(DispatchTest, Interrogation_Handler_GetsQualifierAndAnswersConAndTerm)
{
    startSlave();
    withTypedHandlers();
    Octets request = interrogationAsdu(0x06, 21, 0x0102);
    std::vector<Octets> replies = exchange(request, 2);
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_EQ(replies[0], withCause(request, 0x07));
    EXPECT_EQ(replies[1], withCause(request, 0x0A));
    EXPECT_EQ(seen.lastValue(), 21);
}

TEST_F(DispatchTest, SendActCon_Negative_SetsPnBitAndActTermClearsIt)
{
    startSlave();
    withTypedHandlers();
    seen.answerNegative = true;
    Octets request = interrogationAsdu(0x08); // deactivation is an allowed cause
    std::vector<Octets> replies = exchange(request, 2);
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_EQ(replies[0], withCause(request, 0x47));
    EXPECT_EQ(replies[1], withCause(request, 0x0A));
}

TEST_F(DispatchTest, Interrogation_HandlerAnswersButReturnsFalse_Cause44Follows)
{
    startSlave();
    withTypedHandlers();
    seen.typedHandlerResult = false;
    Octets request = interrogationAsdu(0x06);
    std::vector<Octets> replies = exchange(request, 3);
    ASSERT_EQ(replies.size(), 3u);
    EXPECT_EQ(replies[2][2], 44);
}

TEST_F(DispatchTest, TypedHandlers_ValuesTakenFromFirstObject)
{
    startSlave();
    withTypedHandlers();
    Octets counter = asdu(101, 0x01, 0x06, 1, Octets{0, 0, 0, 0x45});
    EXPECT_TRUE(exchange(counter, 0).empty());
    EXPECT_EQ(seen.lastValue(), 0x45);

    Octets read = asdu(102, 0x01, 0x05, 1, ioa3(0x012345));
    EXPECT_TRUE(exchange(read, 0).empty());
    EXPECT_EQ(seen.lastValue(), 0x012345);

    const Octets time = {0x10, 0x27, 0x1E, 0x0C, 0x07, 0x0C, 0x1A};
    Octets clockPayload = ioa3(0);
    clockPayload.insert(clockPayload.end(), time.begin(), time.end());
    EXPECT_TRUE(exchange(asdu(103, 0x01, 0x06, 1, clockPayload), 0).empty());
    EXPECT_EQ(seen.lastTime(), time);
    EXPECT_EQ(seen.snapshot(), (std::vector<std::string>{"counter", "read", "clock"}));
}

TEST_F(DispatchTest, TestCommand_EngineAnswers_Cause7Or45WithoutAsduHandler)
{
    startSlave();
    seen.asduHandlerResult = true;
    CS104_Slave_setASDUHandler(slave, onAsdu, &seen);
    const Octets payload = {0, 0, 0, 0xCC, 0x55};
    Octets activation = asdu(104, 0x01, 0x06, 1, payload);
    std::vector<Octets> replies = exchange(activation, 1);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0], withCause(activation, 0x07));

    Octets spontaneous = asdu(104, 0x01, 0x83, 1, payload); // test bit kept
    replies = exchange(spontaneous, 1);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0], withCause(spontaneous, 0x80 | 45));
    EXPECT_TRUE(seen.snapshot().empty());
}

TEST_F(DispatchTest, ResetAndDelay_NoTypedSetter_GoToAsduHandler)
{
    startSlave();
    seen.asduHandlerResult = true;
    CS104_Slave_setASDUHandler(slave, onAsdu, &seen);
    EXPECT_TRUE(exchange(asdu(105, 0x01, 0x06, 1, Octets{0, 0, 0, 1}), 0).empty());
    EXPECT_TRUE(exchange(asdu(106, 0x01, 0x03, 1, Octets{0, 0, 0, 0x10, 0x00}), 0).empty());
    EXPECT_EQ(seen.snapshot(), (std::vector<std::string>{"asdu", "asdu"}));
}

TEST_F(DispatchTest, AsduHandlerRefuses_MonitorType_MirroredWithCause44)
{
    startSlave();
    CS104_Slave_setASDUHandler(slave, onAsdu, &seen);
    Octets request = singlePointAsdu(0x03, 9, false);
    std::vector<Octets> replies = exchange(request, 1);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0], withCause(request, 44));
    EXPECT_EQ(seen.snapshot(), std::vector<std::string>{"asdu"});
}

bool onAsduRecordType(void* parameter, IMasterConnection, CS101_ASDU asdu)
{
    static_cast<Seen*>(parameter)->add("asdu", CS101_ASDU_getTypeID(asdu));
    return false;
}

TEST_F(DispatchTest, TypeIdAbove127_HandlerSeesItExactly_MirroredWithCause44)
{
    startSlave();
    withTypedHandlers();
    CS104_Slave_setASDUHandler(slave, onAsduRecordType, &seen);
    for (int type : {128, 200, 255}) {
        SCOPED_TRACE(type);
        Octets request = asdu(static_cast<uint8_t>(type), 0x01, 0x06, 1, Octets{0, 0, 0, 20});
        std::vector<Octets> replies = exchange(request, 1);
        ASSERT_EQ(replies.size(), 1u);
        EXPECT_EQ(replies[0], withCause(request, 44));
        EXPECT_EQ(seen.lastValue(), type);
    }
    EXPECT_EQ(seen.snapshot(), (std::vector<std::string>{"asdu", "asdu", "asdu"}));
}

TEST(MasterConnectionInterface, Forwarders_CallTheRecordOperations)
{
    static int calls;
    calls = 0;
    struct sIMasterConnection record = {};
    struct sCS101_AppLayerParameters al = {1, 1, 2, 0, 2, 3};
    static CS101_AppLayerParameters alp;
    alp = &al;
    record.sendASDU = [](IMasterConnection, CS101_ASDU) { calls += 1; };
    record.sendACT_CON = [](IMasterConnection, CS101_ASDU, bool negative) {
        calls += negative ? 10 : 100;
    };
    record.sendACT_TERM = [](IMasterConnection, CS101_ASDU) { calls += 1000; };
    record.getApplicationLayerParameters = [](IMasterConnection) { return alp; };
    IMasterConnection_sendASDU(&record, nullptr);
    IMasterConnection_sendACT_CON(&record, nullptr, true);
    IMasterConnection_sendACT_TERM(&record, nullptr);
    EXPECT_EQ(calls, 1011);
    EXPECT_EQ(IMasterConnection_getApplicationLayerParameters(&record), &al);
}

} // namespace
} // namespace qxtest

namespace qxtest
{
namespace
{

/* An interrogation answer of kBurst single points, IOA 1..kBurst, far beyond the window k. */
const int kBurst = 1500;

bool onBurstInterrogation(void*, IMasterConnection connection, CS101_ASDU asdu, uint8_t)
{
    IMasterConnection_sendACT_CON(connection, asdu, false);
    sendSinglePointAnswers(connection, kBurst, 1);
    return true;
}

class ReplyBurstTest : public SlaveTest, public ::testing::WithParamInterface<int>
{
  protected:
    void configure() override
    {
        CS104_Slave_setInterrogationHandler(slave, onBurstInterrogation, nullptr);
    }
};

/* Replies queued beyond the window are never dropped up to the queue's bound, nor reordered. */
TEST_P(ReplyBurstTest, AnswerFarBeyondTheWindow_EveryReplyArrivesInOrder)
{
    const int w = GetParam();
    startSlave(CS104_MODE_SINGLE_REDUNDANCY_GROUP, 10, kBurst + 1);
    RawMaster master;
    connectActive(master);
    ASSERT_TRUE(master.sendI(interrogationAsdu(0x06)));
    std::optional<Apdu> con = master.receiveI();
    ASSERT_TRUE(con.has_value());
    EXPECT_EQ(con->cause(), 7);
    int unacknowledged = 1;
    for (int ioa = 1; ioa <= kBurst; ioa++) {
        if (unacknowledged >= w || (unacknowledged > 0 && master.quietFor(50))) {
            ASSERT_TRUE(master.sendS());
            unacknowledged = 0;
        }
        std::optional<Apdu> data = master.receiveI();
        ASSERT_TRUE(data.has_value()) << "IOA " << ioa << " never arrived";
        ASSERT_EQ(data->asduOctets(), singlePointAsdu(0x14, ioa, true)) << ioa;
        unacknowledged++;
    }
    master.sendS();
    EXPECT_TRUE(master.quietFor(200));
}

INSTANTIATE_TEST_SUITE_P(Acknowledging, ReplyBurstTest, ::testing::Values(1, 8));

} // namespace
} // namespace qxtest
