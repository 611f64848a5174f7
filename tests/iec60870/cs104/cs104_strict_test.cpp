// SPDX-License-Identifier: Apache-2.0
/*
 * The engine's strict IEC 60870-5-104 mode (CS104_Slave_setStrictIec), each
 * behaviour next to its default, whose octets must stay today's:
 * deactivation of an interrogation, the common-address check, the negative
 * bit of causes 44-47, C_TS_TA_1, TESTFR within t1 and STOPDT con after the
 * last acknowledgement.
 */
#include "connection_harness.h"
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
    sendSinglePointAnswers(connection, 6, CS101_ASDU_getCA(asdu));
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
    std::vector<Octets> replies(int count) { return receiveAsdus(master, count); }

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

/* The link timers of one connection, octets over a fake stream and the fake clock. */
class StrictTimerTest : public ::testing::TestWithParam<bool>
{
  protected:
    void SetUp() override
    {
        link.host.strict = strict();
        link.host.commonAddress = 1;
        link.host.apci.t1 = 1;
        link.host.apci.t3 = 1;
        link.open();
    }

    bool strict() const { return GetParam(); }

    ConnectionHarness link;
};

TEST_P(StrictTimerTest, P9_SilentMaster_StrictClosedAfterT3PlusT1)
{
    // t3 runs out when more than t3 has passed since the last frame or test frame.
    EXPECT_EQ(link.advance(1000), Frames{});
    EXPECT_EQ(link.advance(1), Frames{uFrame(U_TESTFR_ACT)});
    if (strict()) {
        EXPECT_EQ(link.advance(999), Frames{});
        EXPECT_FALSE(link.closed());
        EXPECT_EQ(link.advance(1), Frames{});
        EXPECT_TRUE(link.closed()) << "t1 after the unconfirmed test frame";
    } else {
        /* Today: three test frames, closed at the fourth t3. */
        expectTestFramesThenClose(link, 2);
    }
}

TEST_P(StrictTimerTest, P9_TestFrameAnswered_StaysOpen)
{
    for (int i = 0; i < 3; i++) {
        ASSERT_EQ(link.advance(1001), Frames{uFrame(U_TESTFR_ACT)}) << i;
        ASSERT_EQ(link.exchange(uFrame(U_TESTFR_CON)), Frames{}) << i;
    }
    EXPECT_FALSE(link.closed());
}

TEST_P(StrictTimerTest, P9_StopDtWithUnacknowledgedFrames_StrictConfirmedAfterTheAcknowledgement)
{
    link.start();
    link.enqueue(singlePointAsdu(0x03, 17, true));
    ASSERT_EQ(link.advance(0), Frames{expectedSinglePointFrame(0, 0, 17)});
    if (strict()) {
        EXPECT_EQ(link.exchange(uFrame(U_STOPDT_ACT)), Frames{})
            << "STOPDT con before the acknowledgement";
        EXPECT_EQ(link.exchange(sFrame(1)), Frames{uFrame(U_STOPDT_CON)});
    } else {
        EXPECT_EQ(link.exchange(uFrame(U_STOPDT_ACT)), Frames{uFrame(U_STOPDT_CON)});
    }
}

TEST_P(StrictTimerTest, P9_StopDtNeverAcknowledged_ClosedByT1)
{
    link.start();
    link.enqueue(singlePointAsdu(0x03, 17, true));
    ASSERT_EQ(link.advance(0), Frames{expectedSinglePointFrame(0, 0, 17)});
    /* No STOPDT con in strict mode, and nothing else before the close. */
    EXPECT_EQ(link.exchange(uFrame(U_STOPDT_ACT)),
              strict() ? Frames{} : Frames{uFrame(U_STOPDT_CON)});
    EXPECT_EQ(link.advance(999), Frames{});
    EXPECT_FALSE(link.closed());
    EXPECT_EQ(link.advance(1), Frames{});
    EXPECT_TRUE(link.closed());
}

INSTANTIATE_TEST_SUITE_P(Profiles, StrictTimerTest, ::testing::Bool(), profileName);

} // namespace
} // namespace qxtest
