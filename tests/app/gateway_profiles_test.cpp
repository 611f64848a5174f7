// SPDX-License-Identifier: Apache-2.0
/*
 * The gateway's two profiles on the wire: the default ("StrictIec" absent,
 * today's answers octet for octet) and the standard's ("StrictIec=1").
 *
 * Every exchange is also handed to Wireshark's IEC 60870-5-104 dissector
 * (fakes/dissector.h): it must find no error and no malformed frame, must
 * read the same type, cause, negative bit, common address and object count
 * as the hand-written octets, and the link rules it does not check (N(S)
 * consecutive, at most k unacknowledged, no I frame outside started data
 * transfer) are checked on its fields.
 */
#include "fakes/dissector.h"
#include "gateway_sandbox.h"

#include <ostream>
#include <set>

namespace qxtest
{
namespace
{

const int kWindow = 12; /* the gateway's k */

/* C_SC_NA_1 at ioa with the given SCO octet. */
Octets singleCommand(uint8_t causeOctet, int ioa, uint8_t sco, int ca = 1)
{
    Octets payload = ioa3(ioa);
    payload.push_back(sco);
    return asdu(45, 0x01, causeOctet, ca, payload);
}

/* 2024-03-05 14:07:09.250 as CP56Time2a. */
const Octets kTime = {0x22, 0x24, 0x07, 0x0E, 0x05, 0x03, 0x18};

Octets clockSync(uint8_t causeOctet, int ca = 1)
{
    Octets payload = ioa3(0);
    payload.insert(payload.end(), kTime.begin(), kTime.end());
    return asdu(103, 0x01, causeOctet, ca, payload);
}

/* C_TS_TA_1: test sequence counter 0x1234 and the time tag. */
Octets testCommandWithTime(uint8_t causeOctet)
{
    Octets payload = ioa3(0);
    payload.push_back(0x34);
    payload.push_back(0x12);
    payload.insert(payload.end(), kTime.begin(), kTime.end());
    return asdu(107, 0x01, causeOctet, 1, payload);
}

Octets readCommand(uint8_t causeOctet, int ioa)
{
    return asdu(102, 0x01, causeOctet, 1, ioa3(ioa));
}

/* ---------------------------------------------------------------- fixture */

class GatewayProfile : public GatewaySandbox
{
  protected:
    /* Starts the gateway without periodic reports, strict or not, and connects. */
    void startProfile(bool strict, const std::string& periodic = "0")
    {
        setPeriodic(periodic);
        if (strict)
            setSvr104Key("StrictIec", "1");
        startGateway();
        connectClient();
    }

    /* Receives I frames until count arrived; false on time-out. */
    bool receiveFrames(std::vector<IFrame>& frames, size_t count, int timeoutMs = 3000)
    {
        return client_.collectUntil(
            frames, [count](const std::vector<IFrame>& f) { return f.size() >= count; }, timeoutMs);
    }

    /* True when no I frame arrives within ms. */
    bool quiet(int ms = 400)
    {
        IFrame extra;
        bool arrived = client_.receive(extra, ms);
        if (arrived)
            received_.push_back(extra);
        return !arrived;
    }

    /* Sends request; the replies must be exactly expected, then nothing more. */
    void exchange(const Octets& request, const std::vector<Octets>& expected)
    {
        ASSERT_TRUE(client_.sendAsdu(request));
        std::vector<IFrame> frames;
        receiveFrames(frames, expected.size(), 2000);
        received_.insert(received_.end(), frames.begin(), frames.end());
        std::vector<Octets> asdus;
        for (const IFrame& f : frames)
            asdus.push_back(f.asdu());
        EXPECT_EQ(expected, asdus);
        EXPECT_TRUE(quiet()) << "a reply more than expected";
    }

    /* Decodes the whole exchange with the dissector and checks it. */
    Dissection decodeAndCheck()
    {
        Dissection d = dissect(client_.capture(), root_);
        EXPECT_TRUE(d.ok()) << d.error;
        EXPECT_EQ("", d.badness) << "dissector errors or malformed frames";
        for (const std::string& v : linkRuleViolations(d.frames, kWindow))
            ADD_FAILURE() << v;
        std::vector<DissectedFrame> iFrames = slaveIFrames(d);
        EXPECT_EQ(received_.size(), iFrames.size());
        for (size_t i = 0; i < iFrames.size() && i < received_.size(); ++i) {
            const DissectedFrame& df = iFrames[i];
            const IFrame& f = received_[i];
            SCOPED_TRACE("I frame " + std::to_string(i));
            EXPECT_EQ(f.type, df.typeId);
            EXPECT_EQ(f.cot, df.cause);
            EXPECT_EQ(f.negative ? 1 : 0, df.negative);
            EXPECT_EQ(f.ca, df.commonAddress);
            EXPECT_EQ(f.count, df.objects);
        }
        return d;
    }

    static std::vector<DissectedFrame> slaveIFrames(const Dissection& d)
    {
        std::vector<DissectedFrame> frames;
        for (const DissectedFrame& f : d.frames)
            if (!f.fromMaster && f.kind == 'I')
                frames.push_back(f);
        return frames;
    }

    /* Interrogates and collects until the termination or count frames arrived. */
    std::vector<IFrame> interrogate(const Octets& request, size_t count)
    {
        EXPECT_TRUE(client_.sendAsdu(request));
        std::vector<IFrame> frames;
        client_.collectUntil(
            frames,
            [count](const std::vector<IFrame>& f) {
                return f.size() >= count || (!f.empty() && f.back().cot == 10);
            },
            10000);
        received_.insert(received_.end(), frames.begin(), frames.end());
        return frames;
    }

    std::vector<IFrame> received_; /* every I frame of the gateway, in order */
};

/* ------------------------------------------------ points 3 to 8, table-driven */

struct Exchange {
    Octets request;
    std::vector<Octets> strict;   /* replies with StrictIec=1 */
    std::vector<Octets> standard; /* replies with the default (today's) */
};

struct PointCase {
    const char* name;
    std::vector<Exchange> exchanges;
};

void PrintTo(const PointCase& c, std::ostream* os)
{
    *os << c.name;
}

const PointCase kPointCases[] = {
    /* 3: an ASDU to another common address is refused with 46, negative. */
    {"P3_CommonAddress",
     {{singleCommand(0x06, 5000, 0x01, 5),
       {singleCommand(0x6E, 5000, 0x01, 5)},
       {singleCommand(0x07, 5000, 0x01, 5)}},
      {clockSync(0x06, 5), {clockSync(0x6E, 5)}, {}},
      /* broadcast: confirmed with the station's own address */
      {clockSync(0x06, 0xFFFF), {clockSync(0x07, 1)}, {}}}},
    /* 4: causes 44, 45, 47 carry the negative bit. */
    {"P4_NegativeBit",
     {{asdu(46, 0x01, 0x06, 1, {0x88, 0x13, 0x00, 0x02}),
       {asdu(46, 0x01, 0x6C, 1, {0x88, 0x13, 0x00, 0x02})},
       {asdu(46, 0x01, 0x2C, 1, {0x88, 0x13, 0x00, 0x02})}},
      {singleCommand(0x08, 5000, 0x01),
       {singleCommand(0x6D, 5000, 0x01)},
       {singleCommand(0x2D, 5000, 0x01)}},
      /* today a system command with a wrong cause gets 45 and then 44 */
      {interrogationAsdu(0x03),
       {interrogationAsdu(0x6D)},
       {interrogationAsdu(0x2D), interrogationAsdu(0x2C)}},
      {singleCommand(0x06, 5001, 0x01),
       {singleCommand(0x6F, 5001, 0x01)},
       {singleCommand(0x2F, 5001, 0x01)}}}},
    /* 5: select confirmed; execute confirmed and terminated. */
    {"P5_SingleCommand",
     {{singleCommand(0x06, 5000, 0x81),
       {singleCommand(0x07, 5000, 0x81)},
       {singleCommand(0x07, 5000, 0x81)}},
      {singleCommand(0x06, 5000, 0x01),
       {singleCommand(0x07, 5000, 0x01), singleCommand(0x0A, 5000, 0x01)},
       {singleCommand(0x07, 5000, 0x01)}},
      {singleCommand(0x06, 5000, 0x00),
       {singleCommand(0x07, 5000, 0x00), singleCommand(0x0A, 5000, 0x00)},
       {singleCommand(0x07, 5000, 0x00)}}}},
    /* 6: clock synchronisation confirmed with the received time. */
    {"P6_ClockSync", {{clockSync(0x06), {clockSync(0x07)}, {}}}},
    /* 7: C_TS_TA_1 mirrored as activation confirmation. */
    {"P7_TestCommandWithTime",
     {{testCommandWithTime(0x06), {testCommandWithTime(0x07)}, {testCommandWithTime(0x2C)}}}},
    /* 8: read: the point's value with cause 5, or 47 for an address not served. */
    {"P8_Read",
     {{readCommand(0x05, 1),
       {asdu(1, 0x01, 0x05, 1, {0x01, 0x00, 0x00, 0x01}, 2)},
       {readCommand(0x2C, 1)}},
      {readCommand(0x05, 0x4001),
       {asdu(13, 0x01, 0x05, 1, {0x01, 0x40, 0x00, 0x00, 0x80, 0x66, 0x43, 0x00}, 2)},
       {readCommand(0x2C, 0x4001)}},
      {readCommand(0x05, 30), {readCommand(0x6F, 30)}, {readCommand(0x2C, 30)}},
      {readCommand(0x06, 1),
       {readCommand(0x6D, 1)},
       {readCommand(0x2D, 1), readCommand(0x2C, 1)}}}},
};

class GatewayProfilePoints : public GatewayProfile,
                             public ::testing::WithParamInterface<std::tuple<PointCase, bool>>
{
};

TEST_P(GatewayProfilePoints, RepliesAreExactlyTheProfilesOctets)
{
    const PointCase& c = std::get<0>(GetParam());
    const bool strict = std::get<1>(GetParam());
    startProfile(strict);
    for (size_t i = 0; i < c.exchanges.size(); ++i) {
        SCOPED_TRACE("exchange " + std::to_string(i));
        const Exchange& e = c.exchanges[i];
        exchange(e.request, strict ? e.strict : e.standard);
    }
    decodeAndCheck();
}

INSTANTIATE_TEST_SUITE_P(Profiles, GatewayProfilePoints,
                         ::testing::Combine(::testing::ValuesIn(kPointCases), ::testing::Bool()),
                         [](const ::testing::TestParamInfo<std::tuple<PointCase, bool>>& info) {
                             return std::string(std::get<0>(info.param).name) +
                                    (std::get<1>(info.param) ? "_Strict" : "_Default");
                         });

/* The console lines of the commands stay in the strict profile. */
TEST_F(GatewayProfile, P5P6_Strict_ConsoleLinesUnchanged)
{
    startProfile(true);
    exchange(singleCommand(0x06, 5000, 0x01),
             {singleCommand(0x07, 5000, 0x01), singleCommand(0x0A, 5000, 0x01)});
    EXPECT_TRUE(gateway_.waitFor("received single command", 2000)) << gateway_.transcript();
    EXPECT_TRUE(gateway_.waitFor("IOA: 5000 switch to 1", 2000)) << gateway_.transcript();
    exchange(clockSync(0x06), {clockSync(0x07)});
    EXPECT_TRUE(gateway_.waitFor("Process time sync command with time 14:07:09 05/03/2024", 2000))
        << gateway_.transcript();
    Dissection d = decodeAndCheck();
    /* The confirmation carries the received time, as the dissector reads it. */
    std::vector<DissectedFrame> iFrames = slaveIFrames(d);
    ASSERT_EQ(3u, iFrames.size());
    EXPECT_EQ((std::vector<long>{9250, 7, 14, 5, 3, 24}), iFrames[2].time);
    EXPECT_EQ(1, iFrames[0].commandOn);
    EXPECT_EQ(0, iFrames[0].commandSelect);
}

/* ------------------------------------------------ point 1: station interrogation */

/*
 * Status values and measured values with the given cause, as the dissector
 * read them; stationRanges: the station ranges 256 .. 1193 come with it too.
 */
void checkAnswerValues(const std::vector<DissectedFrame>& frames, int cause, bool stationRanges)
{
    std::map<int, int> status;
    std::set<int> stationIoas;
    std::map<int, float> measured;
    for (const DissectedFrame& f : frames) {
        if (f.cause != cause)
            continue;
        if (f.typeId == 1) {
            ASSERT_EQ(f.ioas.size(), f.singlePoints.size());
            for (size_t i = 0; i < f.ioas.size(); ++i) {
                if (f.ioas[i] <= 29)
                    status[static_cast<int>(f.ioas[i])] = static_cast<int>(f.singlePoints[i]);
                else
                    stationIoas.insert(static_cast<int>(f.ioas[i]));
            }
        } else if (f.typeId == 13) {
            ASSERT_EQ(f.ioas.size(), f.floats.size());
            for (size_t i = 0; i < f.ioas.size(); ++i)
                measured[static_cast<int>(f.ioas[i])] = static_cast<float>(f.floats[i]);
        }
    }
    EXPECT_EQ(expectedStationStatus(), status);
    std::map<int, float> expected = expectedMeasured();
    ASSERT_EQ(expected.size(), measured.size());
    for (const auto& e : expected)
        EXPECT_FLOAT_EQ(e.second, measured[e.first]) << "IOA " << e.first;
    if (!stationRanges) {
        EXPECT_TRUE(stationIoas.empty());
    } else {
        ASSERT_EQ(2u * (15 + 9 + 20 + 15 * 5 + 24 + 22 + 3 + 24 * 3 + 26 * 3), stationIoas.size());
        EXPECT_EQ(256, *stationIoas.begin());
        EXPECT_EQ(1193, *stationIoas.rbegin());
    }
}

TEST_F(GatewayProfile, P1_Strict_StationInterrogation_AllWithCause20ThenTermination)
{
    startProfile(true);
    /* 1 confirmation + 2 + 34 status + 16 measured ASDUs + 1 termination */
    std::vector<IFrame> frames = interrogate(interrogationAsdu(0x06), 54);
    ASSERT_EQ(54u, frames.size());
    EXPECT_EQ(interrogationAsdu(0x07), frames.front().asdu());
    EXPECT_EQ(interrogationAsdu(0x0A), frames.back().asdu());
    EXPECT_EQ(36u, framesOf(frames, 1, 20).size());
    EXPECT_EQ(16u, framesOf(frames, 13, 20).size());
    EXPECT_TRUE(quiet());

    /* A broadcast interrogation is answered with the station's address. */
    std::vector<IFrame> broadcast = interrogate(interrogationAsdu(0x06, 20, 0xFFFF), 54);
    ASSERT_EQ(54u, broadcast.size());
    EXPECT_EQ(interrogationAsdu(0x07), broadcast.front().asdu());
    EXPECT_EQ(interrogationAsdu(0x0A), broadcast.back().asdu());
    EXPECT_TRUE(quiet());

    Dissection d = decodeAndCheck();
    std::vector<DissectedFrame> iFrames = slaveIFrames(d);
    ASSERT_EQ(108u, iFrames.size());
    for (const DissectedFrame& f : iFrames) {
        EXPECT_EQ(1, f.commonAddress);
        EXPECT_NE(1, f.cause) << "frame " << f.number;
    }
    EXPECT_EQ(100, iFrames[53].typeId);
    EXPECT_EQ(10, iFrames[53].cause);
    EXPECT_EQ(20, iFrames[53].qoi);
    checkAnswerValues(std::vector<DissectedFrame>(iFrames.begin(), iFrames.begin() + 54), 20, true);
}

TEST_F(GatewayProfile, P1_Default_StationInterrogation_StationRangesWithCause1NoTermination)
{
    startProfile(false);
    std::vector<IFrame> frames = interrogate(interrogationAsdu(0x06), 53);
    ASSERT_EQ(53u, frames.size());
    EXPECT_EQ(interrogationAsdu(0x07), frames.front().asdu());
    EXPECT_EQ(2u, framesOf(frames, 1, 20).size());
    EXPECT_EQ(34u, framesOf(frames, 1, 1).size());
    EXPECT_EQ(16u, framesOf(frames, 13, 20).size());
    EXPECT_TRUE(quiet()) << "more than today's answer (a termination?)";

    Dissection d = decodeAndCheck();
    std::vector<DissectedFrame> iFrames = slaveIFrames(d);
    for (const DissectedFrame& f : iFrames)
        EXPECT_NE(10, f.cause);
    checkAnswerValues(iFrames, 20, false);
}

/* ------------------------------------------------ point 2: deactivation */

/* Receives n I frames without acknowledging them. */
void receiveUnacknowledged(RawMaster& master, std::vector<IFrame>& into, int n)
{
    for (int i = 0; i < n; ++i) {
        std::optional<Apdu> apdu = master.receiveI(3000);
        ASSERT_TRUE(apdu.has_value()) << i;
        into.push_back(toIFrame(*apdu));
    }
}

TEST_F(GatewayProfile, P2_Strict_Deactivation_PositiveDuringAnswerAndRestDropped_NegativeAfter)
{
    startProfile(true);
    ASSERT_TRUE(client_.sendAsdu(interrogationAsdu(0x06)));
    /* The window fills; the rest of the answer waits in the gateway. */
    receiveUnacknowledged(client_.master(), received_, kWindow);
    ASSERT_TRUE(client_.master().quietFor(300));
    EXPECT_EQ(interrogationAsdu(0x07), received_.front().asdu());

    exchange(interrogationAsdu(0x08), {interrogationAsdu(0x09)});
    /* Nothing is in progress any more: negative, and never data. */
    exchange(interrogationAsdu(0x08), {interrogationAsdu(0x49)});

    Dissection d = decodeAndCheck();
    for (const DissectedFrame& f : slaveIFrames(d))
        EXPECT_NE(10, f.cause) << "the deactivated answer was terminated";
}

TEST_F(GatewayProfile, P2_Default_Deactivation_AnsweredAsActivation)
{
    startProfile(false);
    std::vector<IFrame> frames = interrogate(interrogationAsdu(0x08), 53);
    ASSERT_EQ(53u, frames.size());
    EXPECT_EQ(interrogationAsdu(0x07), frames.front().asdu());
    EXPECT_EQ(34u, framesOf(frames, 1, 1).size());
    decodeAndCheck();
}

/* ------------------------------------------------ point 9: STOPDT */

TEST_F(GatewayProfile, P9_Strict_StopDt_ConfirmedOnlyOnceEveryFrameIsAcknowledged)
{
    startProfile(true);
    RawMaster& master = client_.master();
    ASSERT_TRUE(client_.sendAsdu(interrogationAsdu(0x06)));
    receiveUnacknowledged(master, received_, kWindow);
    ASSERT_TRUE(master.sendU(U_STOPDT_ACT));
    EXPECT_TRUE(master.quietFor(500)) << "STOPDT con or data before the acknowledgement";
    ASSERT_TRUE(master.sendS());
    std::optional<Apdu> con = master.receive(2000);
    ASSERT_TRUE(con.has_value());
    EXPECT_EQ(uFrame(U_STOPDT_CON), con->octets);
    EXPECT_TRUE(master.quietFor(400)) << "data after STOPDT con";
    decodeAndCheck();
}

TEST_F(GatewayProfile, P9_Default_StopDt_ConfirmedAtOnce)
{
    startProfile(false);
    RawMaster& master = client_.master();
    ASSERT_TRUE(client_.sendAsdu(interrogationAsdu(0x06)));
    receiveUnacknowledged(master, received_, kWindow);
    ASSERT_TRUE(master.sendU(U_STOPDT_ACT));
    std::optional<Apdu> con = master.receive(2000);
    ASSERT_TRUE(con.has_value());
    EXPECT_EQ(uFrame(U_STOPDT_CON), con->octets);
    decodeAndCheck();
}

/* ------------------------------------------------ periodic report, both profiles */

class GatewayProfileReport : public GatewayProfile, public ::testing::WithParamInterface<bool>
{
};

TEST_P(GatewayProfileReport, PeriodicReport_SameInBothProfiles)
{
    startProfile(GetParam(), "1");
    /* One report: 2 + 34 status and 16 measured ASDUs with cause 1. */
    std::vector<IFrame> frames;
    ASSERT_TRUE(receiveFrames(frames, 52, 8000)) << frames.size();
    received_ = frames;
    for (const IFrame& f : frames) {
        EXPECT_EQ(1, f.cot);
        EXPECT_FALSE(f.negative);
        EXPECT_EQ(1, f.ca);
        EXPECT_EQ(2, f.oa);
    }
    EXPECT_EQ(36u, framesOf(frames, 1, 1).size());
    EXPECT_EQ(16u, framesOf(frames, 13, 1).size());
    Dissection d = decodeAndCheck();
    checkAnswerValues(slaveIFrames(d), 1, true);
}

INSTANTIATE_TEST_SUITE_P(Profiles, GatewayProfileReport, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "Strict" : "Default");
                         });

} // namespace
} // namespace qxtest
