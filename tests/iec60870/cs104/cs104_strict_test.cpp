/*
 * The engine's strict IEC 60870-5-104 mode (CS104_Slave_setStrictIec), each
 * behaviour next to its default, whose octets must stay today's:
 * deactivation of an interrogation, the common-address check, the negative
 * bit of causes 44-47, C_TS_TA_1, TESTFR within t1 and STOPDT con after the
 * last acknowledgement.
 */
#include "slave_fixture.h"

#include <atomic>
#include <string>
#include <vector>

namespace qxtest
{
namespace
{

/* A data ASDU of the interrogation answer: M_SP_NA_1, cause 20, one object. */
Octets answerData(int ioa)
{
    return singlePointAsdu(20, ioa, true);
}

Octets withCause(Octets octets, uint8_t causeOctet)
{
    octets[2] = causeOctet;
    return octets;
}

Octets withCommonAddress(Octets octets, int ca)
{
    octets[4] = static_cast<uint8_t>(ca & 0xff);
    octets[5] = static_cast<uint8_t>(ca >> 8);
    return octets;
}

/* What the handlers saw, shared with the connection thread. */
struct Calls {
    std::atomic<int> interrogations{0};
    std::atomic<int> lastCommonAddress{-1};
    std::atomic<int> asdus{0};
    std::atomic<bool> takeAsdus{true}; /* false: the ASDU handler declines */
};

/* Answers a station interrogation: ACT_CON, 6 data ASDUs with cause 20, ACT_TERM. */
bool answerInterrogation(void* parameter, IMasterConnection connection, CS101_ASDU asdu, uint8_t)
{
    Calls* calls = static_cast<Calls*>(parameter);
    calls->interrogations++;
    calls->lastCommonAddress = CS101_ASDU_getCA(asdu);
    IMasterConnection_sendACT_CON(connection, asdu, false);
    for (int ioa = 1; ioa <= 6; ioa++) {
        CS101_ASDU data = CS101_ASDU_create(
            IMasterConnection_getApplicationLayerParameters(connection), false,
            CS101_COT_INTERROGATED_BY_STATION, 0, CS101_ASDU_getCA(asdu), false, false);
        InformationObject io =
            (InformationObject)SinglePointInformation_create(nullptr, ioa, true, 0);
        CS101_ASDU_addInformationObject(data, io);
        InformationObject_destroy(io);
        IMasterConnection_sendASDU(connection, data);
        CS101_ASDU_destroy(data);
    }
    IMasterConnection_sendACT_TERM(connection, asdu);
    return true;
}

/* Takes every other ASDU and answers it with cause 47 (unknown address). */
bool refuseAddress(void* parameter, IMasterConnection connection, CS101_ASDU asdu)
{
    Calls* calls = static_cast<Calls*>(parameter);
    if (!calls->takeAsdus)
        return false;
    calls->asdus++;
    CS101_ASDU_setCOT(asdu, CS101_COT_UNKNOWN_IOA);
    IMasterConnection_sendASDU(connection, asdu);
    return true;
}

/* Parameter: strict mode on or off. */
class StrictTest : public SlaveTest, public ::testing::WithParamInterface<bool>
{
  protected:
    void configure() override
    {
        CS104_Slave_setStrictIec(slave, strict());
        CS104_Slave_setCommonAddress(slave, 1);
        CS104_Slave_setInterrogationHandler(slave, answerInterrogation, &calls);
        CS104_Slave_setASDUHandler(slave, refuseAddress, &calls);
        tweak(params());
    }
    virtual void tweak(CS104_APCIParameters) {}

    bool strict() const { return GetParam(); }
    /* The cause octet of a refusal: negative only in strict mode. */
    uint8_t refusal(uint8_t cause) const { return strict() ? (cause | 0x40) : cause; }

    /* Receives count I frames' ASDUs, then expects a quiet moment. */
    std::vector<Octets> replies(int count)
    {
        std::vector<Octets> got;
        for (int i = 0; i < count; i++) {
            std::optional<Apdu> reply = master.receiveI();
            if (!reply)
                break;
            got.push_back(reply->asduOctets());
        }
        EXPECT_TRUE(master.quietFor(200)) << "more replies than expected";
        return got;
    }

    Calls calls;
    RawMaster master;
};

std::string profileName(const ::testing::TestParamInfo<bool>& info)
{
    return info.param ? "Strict" : "Default";
}

/* ------------------------------------------------------ 2: deactivation */

class StrictWindowTest : public StrictTest
{
    void tweak(CS104_APCIParameters p) override { p->k = 2; }
};

TEST_P(StrictWindowTest, P2_DeactivationDuringAnswer_StrictConfirmsAndDropsTheRest)
{
    startSlave();
    connectActive(master);
    master.sendI(interrogationAsdu(0x06));
    /* k = 2: ACT_CON and the first data ASDU go out, the rest waits. */
    std::vector<Octets> first;
    for (int i = 0; i < 2; i++) {
        std::optional<Apdu> apdu = master.receiveI();
        ASSERT_TRUE(apdu.has_value());
        first.push_back(apdu->asduOctets());
    }
    EXPECT_EQ(first[0], interrogationAsdu(0x07));
    EXPECT_EQ(first[1], answerData(1));
    ASSERT_TRUE(master.quietFor(200));

    master.sendI(interrogationAsdu(0x08)); /* acknowledges both */
    if (strict()) {
        /* Positive deactivation confirmation; no rest, no termination. */
        EXPECT_EQ(replies(1), std::vector<Octets>{interrogationAsdu(0x09)});
        EXPECT_EQ(calls.interrogations, 1);
        /* Nothing in progress any more: negative. */
        master.sendI(interrogationAsdu(0x08));
        EXPECT_EQ(replies(1), std::vector<Octets>{interrogationAsdu(0x49)});
        EXPECT_EQ(calls.interrogations, 1);
    } else {
        /* Today: the rest of the answer, then the deactivation reaches the
         * handler, which answers it as an activation. */
        std::vector<Octets> expected;
        for (int ioa = 2; ioa <= 6; ioa++)
            expected.push_back(answerData(ioa));
        expected.push_back(interrogationAsdu(0x0A));
        expected.push_back(interrogationAsdu(0x07));
        for (int ioa = 1; ioa <= 6; ioa++)
            expected.push_back(answerData(ioa));
        expected.push_back(interrogationAsdu(0x0A));
        std::vector<Octets> got;
        for (size_t i = 0; i < expected.size(); i++) {
            std::optional<Apdu> apdu = master.receiveI();
            ASSERT_TRUE(apdu.has_value()) << i;
            got.push_back(apdu->asduOctets());
            master.sendS();
        }
        EXPECT_EQ(expected, got);
        EXPECT_EQ(calls.interrogations, 2);
    }
}

INSTANTIATE_TEST_SUITE_P(Profiles, StrictWindowTest, ::testing::Bool(), profileName);

/* ------------------------------------------- 3 and 4: address, negative bit */

TEST_P(StrictTest, P3_OtherCommonAddress_StrictRefusedWith46BeforeAnyHandler)
{
    startSlave();
    connectActive(master);
    Octets request = interrogationAsdu(0x06, 20, 5);
    master.sendI(request);
    if (strict()) {
        EXPECT_EQ(replies(1), std::vector<Octets>{withCause(request, 0x6E)});
        EXPECT_EQ(calls.interrogations, 0);
    } else {
        EXPECT_EQ(replies(8).front(), withCause(request, 0x07));
        EXPECT_EQ(calls.interrogations, 1);
        EXPECT_EQ(calls.lastCommonAddress, 5);
    }
}

TEST_P(StrictTest, P3_Broadcast_StrictHandlersSeeTheStationAddress)
{
    startSlave();
    connectActive(master);
    Octets request = interrogationAsdu(0x06, 20, 0xFFFF);
    master.sendI(request);
    std::vector<Octets> got = replies(8);
    ASSERT_EQ(got.size(), 8u);
    int expectedCa = strict() ? 1 : 0xFFFF;
    EXPECT_EQ(got.front(), withCommonAddress(withCause(request, 0x07), expectedCa));
    EXPECT_EQ(got.back(), withCommonAddress(withCause(request, 0x0A), expectedCa));
    EXPECT_EQ(calls.lastCommonAddress, expectedCa);
}

TEST_P(StrictTest, P4_RefusalCauses_StrictCarryTheNegativeBit)
{
    startSlave();
    connectActive(master);
    /* 44: a type the engine and no handler take (counter interrogation). */
    calls.takeAsdus = false;
    Octets counter = asdu(101, 0x01, 0x06, 1, Octets{0, 0, 0, 0x05});
    master.sendI(counter);
    EXPECT_EQ(replies(1), std::vector<Octets>{withCause(counter, refusal(44))});
    /* 45: interrogation with cause 3 (today followed by a 44 reply). */
    Octets wrongCause = interrogationAsdu(0x03);
    master.sendI(wrongCause);
    std::vector<Octets> expected = {withCause(wrongCause, refusal(45))};
    if (!strict())
        expected.push_back(withCause(wrongCause, 44));
    EXPECT_EQ(replies(static_cast<int>(expected.size())), expected);
    /* 47 sent by a handler through IMasterConnection. */
    calls.takeAsdus = true;
    Octets command = asdu(45, 0x01, 0x06, 1, Octets{0x89, 0x13, 0x00, 0x01});
    master.sendI(command);
    EXPECT_EQ(replies(1), std::vector<Octets>{withCause(command, refusal(47))});
}

/* ------------------------------------------------------------ 7: C_TS_TA_1 */

TEST_P(StrictTest, P7_TestCommandWithTime_StrictMirroredAsActivationConfirmation)
{
    startSlave();
    connectActive(master);
    calls.takeAsdus = false;
    Octets request = asdu(107, 0x01, 0x06, 1, Octets{0, 0, 0, 0xCC, 0x55, 1, 2, 3, 4, 5, 6, 7});
    master.sendI(request);
    EXPECT_EQ(replies(1), std::vector<Octets>{withCause(request, strict() ? 0x07 : 0x2C)});
    Octets spontaneous = withCause(request, 0x03);
    master.sendI(spontaneous);
    std::vector<Octets> expected = {withCause(request, strict() ? 0x6D : 0x2C)};
    EXPECT_EQ(replies(1), expected);
}

INSTANTIATE_TEST_SUITE_P(Profiles, StrictTest, ::testing::Bool(), profileName);

/* ------------------------------------------------------- 9: link layer */

class StrictTimerTest : public StrictTest
{
    void tweak(CS104_APCIParameters p) override
    {
        p->t1 = 1;
        p->t3 = 1;
    }
};

TEST_P(StrictTimerTest, P9_SilentMaster_StrictClosedAfterT3PlusT1)
{
    startSlave();
    connect(master);
    int64_t start = monotonicMs();
    std::optional<Apdu> act = master.receive(2500);
    ASSERT_TRUE(act.has_value());
    EXPECT_EQ(act->octets, uFrame(U_TESTFR_ACT));
    if (strict()) {
        EXPECT_TRUE(master.waitClosed(2500));
        int64_t closedAfter = monotonicMs() - start;
        EXPECT_GE(closedAfter, 1900);
        EXPECT_LE(closedAfter, 3000);
    } else {
        /* Today: three test frames, closed at the fourth t3. */
        for (int i = 2; i <= 3; i++) {
            act = master.receive(2500);
            ASSERT_TRUE(act.has_value()) << i;
            EXPECT_EQ(act->octets, uFrame(U_TESTFR_ACT));
        }
        EXPECT_TRUE(master.waitClosed(2500));
        EXPECT_GE(monotonicMs() - start, 3900);
    }
}

TEST_P(StrictTimerTest, P9_TestFrameAnswered_StaysOpen)
{
    startSlave();
    connect(master);
    for (int i = 0; i < 3; i++) {
        std::optional<Apdu> act = master.receive(2500);
        ASSERT_TRUE(act.has_value()) << i;
        ASSERT_EQ(act->octets, uFrame(U_TESTFR_ACT));
        ASSERT_TRUE(master.sendU(U_TESTFR_CON));
    }
    EXPECT_EQ(CS104_Slave_getOpenConnections(slave), 1);
}

TEST_P(StrictTimerTest, P9_StopDtWithUnacknowledgedFrames_StrictConfirmedAfterTheAcknowledgement)
{
    startSlave();
    connectActive(master);
    enqueueSinglePoint(17);
    std::optional<Apdu> data = master.receive();
    ASSERT_TRUE(data.has_value());
    ASSERT_EQ(data->octets, expectedSinglePointFrame(0, 0, 17));
    ASSERT_TRUE(master.sendU(U_STOPDT_ACT));
    if (strict()) {
        EXPECT_TRUE(master.quietFor(300)) << "STOPDT con before the acknowledgement";
        ASSERT_TRUE(master.sendS());
    }
    std::optional<Apdu> con = master.receive();
    ASSERT_TRUE(con.has_value());
    EXPECT_EQ(con->octets, uFrame(U_STOPDT_CON));
}

TEST_P(StrictTimerTest, P9_StopDtNeverAcknowledged_ClosedByT1)
{
    startSlave();
    connectActive(master);
    enqueueSinglePoint(17);
    ASSERT_TRUE(master.receive().has_value());
    int64_t start = monotonicMs();
    ASSERT_TRUE(master.sendU(U_STOPDT_ACT));
    if (!strict()) {
        std::optional<Apdu> con = master.receive();
        ASSERT_TRUE(con.has_value());
        EXPECT_EQ(con->octets, uFrame(U_STOPDT_CON));
    }
    /* Only test frames may come before the close; no STOPDT con in strict mode. */
    for (;;) {
        std::optional<Apdu> apdu = master.receive(2500);
        if (!apdu)
            break;
        EXPECT_TRUE(apdu->isU(U_TESTFR_ACT)) << "unexpected frame";
    }
    EXPECT_FALSE(master.receive(100).has_value());
    EXPECT_LE(monotonicMs() - start, 2500);
    EXPECT_TRUE(waitFor([&] { return CS104_Slave_getOpenConnections(slave) == 0; }));
}

INSTANTIATE_TEST_SUITE_P(Profiles, StrictTimerTest, ::testing::Bool(), profileName);

} // namespace
} // namespace qxtest
