// SPDX-License-Identifier: Apache-2.0
/*
 * Interrogation answers and periodic reports of the running gateway, seen by
 * a raw-octet master over loopback. Expected values come from the demo data
 * set's rows; expected octets are written by hand from the codings.
 */
#include "gateway_sandbox.h"

#include <algorithm>
#include <tuple>
#include <unistd.h>

namespace qxtest
{
namespace
{

class GatewayInterrogation : public GatewaySandbox
{
  protected:
    void SetUp() override
    {
        GatewaySandbox::SetUp();
        setPeriodic("0"); /* cause-1 ASDUs then come from the interrogation alone */
    }

    /* Sends a request and collects the answer until it is complete or 10 s pass. */
    std::vector<IFrame> interrogate(const Octets& asdu)
    {
        std::vector<IFrame> frames;
        EXPECT_TRUE(client_.sendAsdu(asdu));
        client_.collectUntil(frames, answerComplete, 10000);
        return frames;
    }
};

TEST_F(GatewayInterrogation, StationInterrogation_ConfirmsThenSendsEveryRangeWithItsCause)
{
    startGateway();
    connectClient();
    std::vector<IFrame> frames = interrogate(interrogationAsdu(0x06, 20));
    ASSERT_TRUE(answerComplete(frames)) << "frames received: " << frames.size();

    EXPECT_EQ((Octets{0x64, 0x01, 0x07, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x14}),
              frames.front().asdu());
    EXPECT_TRUE(gateway_.waitFor("Received interrogation for group 20", 2000));

    /* Status points 1-29 with cause 20, values as in the data set. */
    std::map<int, int> status;
    for (const auto& f : framesOf(frames, 1, 20))
        for (const auto& p : decodePoints(f))
            status[p.ioa] = static_cast<int>(p.value);
    EXPECT_EQ(expectedStationStatus(), status);

    /* The other 34 status ranges with cause 1: stations 49 and 50. */
    std::vector<int> firstIoas;
    for (const auto& f : framesOf(frames, 1, 1))
        firstIoas.push_back(decodePoints(f).front().ioa);
    std::sort(firstIoas.begin(), firstIoas.end());
    EXPECT_EQ(256, firstIoas.front());
    EXPECT_EQ(1168, firstIoas.back());

    /* Measured values with cause 20 for every served range. */
    std::map<int, float> measured;
    for (const auto& f : framesOf(frames, 13, 20))
        for (const auto& p : decodePoints(f))
            measured[p.ioa] = static_cast<float>(p.value);
    std::map<int, float> expected = expectedMeasured();
    ASSERT_EQ(expected.size(), measured.size());
    for (const auto& e : expected)
        EXPECT_FLOAT_EQ(e.second, measured[e.first]) << "IOA " << e.first;

    /* Every ASDU: originator 2, common address 1, 1..28 objects; no termination. */
    for (const auto& f : frames) {
        EXPECT_NE(10, f.cot);
        if (f.type == 1 || f.type == 13) {
            EXPECT_EQ(2, f.oa);
            EXPECT_EQ(1, f.ca);
            EXPECT_GE(f.count, 1);
            EXPECT_LE(f.count, 28);
        }
    }
    IFrame extra;
    while (client_.receive(extra, 800))
        EXPECT_NE(10, extra.cot) << "an activation termination was sent";
}

TEST_F(GatewayInterrogation, StationInterrogation_FirstAsdusMatchHandWrittenOctets)
{
    startGateway();
    connectClient();
    std::vector<IFrame> frames = interrogate(interrogationAsdu(0x06, 20));
    ASSERT_TRUE(answerComplete(frames));

    /* IOAs 1-8: device 1 (8 inputs) D01..D08 = 1 0 1 1 0 0 1 0. */
    const Octets ioa1to8 = {0x01, 0x08, 0x14, 0x02, 0x01, 0x00, 0x01, 0x00, 0x00, 0x01,
                            0x02, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x01, 0x04, 0x00,
                            0x00, 0x01, 0x05, 0x00, 0x00, 0x00, 0x06, 0x00, 0x00, 0x00,
                            0x07, 0x00, 0x00, 0x01, 0x08, 0x00, 0x00, 0x00};
    ASSERT_GE(frames.size(), 2u);
    EXPECT_EQ(ioa1to8, frames[1].asdu());
    /* APCI of the first data frame: length 4 + 38, N(S) 1, N(R) 1. */
    EXPECT_EQ((Octets{0x68, 0x2A, 0x02, 0x00, 0x02, 0x00}),
              Octets(frames[1].octets.begin(), frames[1].octets.begin() + 6));

    /* tbPower (base 0x4001, two columns): 2305/10, 1234/1, -150/1, 5000/100. */
    const Octets power = {0x0D, 0x04, 0x14, 0x02, 0x01, 0x00, 0x01, 0x40, 0x00, 0x00,
                          0x80, 0x66, 0x43, 0x00, 0x02, 0x40, 0x00, 0x00, 0x40, 0x9A,
                          0x44, 0x00, 0x03, 0x40, 0x00, 0x00, 0x00, 0x16, 0xC3, 0x00,
                          0x04, 0x40, 0x00, 0x00, 0x00, 0x48, 0x42, 0x00};
    bool found = false;
    for (const auto& f : framesOf(frames, 13, 20))
        if (f.asdu() == power)
            found = true;
    EXPECT_TRUE(found) << "tbPower ASDU not received as expected";

    /* 30 points 16641-16670 of station 49 go as 28 + 2 objects. */
    int sizes28 = 0, sizes2 = 0;
    for (const auto& f : framesOf(frames, 13, 20)) {
        int first = decodePoints(f).front().ioa;
        sizes28 += first == 16641 && f.count == 28;
        sizes2 += first == 16669 && f.count == 2;
    }
    EXPECT_EQ(1, sizes28);
    EXPECT_EQ(1, sizes2);
}

TEST_F(GatewayInterrogation, StationInterrogation_QueuesTheStationRangesExactlyInOrder)
{
    startGateway();
    connectClient();
    std::vector<IFrame> frames = interrogate(interrogationAsdu(0x06, 20));
    ASSERT_TRUE(answerComplete(frames)) << "frames received: " << frames.size();

    /* Station 49, then the same ranges of station 50 (each + 512); every
     * range fits one ASDU. Written out, not derived. */
    const std::vector<std::pair<int, int>> expected = {
        {256, 270},   {272, 280},   {304, 323},   {336, 350},  {352, 366},   {368, 382},
        {384, 398},   {400, 414},   {416, 439},   {448, 469},  {480, 482},   {496, 519},
        {528, 551},   {560, 583},   {592, 617},   {624, 649},  {656, 681},   {768, 782},
        {784, 792},   {816, 835},   {848, 862},   {864, 878},  {880, 894},   {896, 910},
        {912, 926},   {928, 951},   {960, 981},   {992, 994},  {1008, 1031}, {1040, 1063},
        {1072, 1095}, {1104, 1129}, {1136, 1161}, {1168, 1193}};
    std::vector<std::pair<int, int>> received;
    for (const auto& f : framesOf(frames, 1, 1)) {
        std::vector<PointValue> points = decodePoints(f);
        ASSERT_EQ(static_cast<size_t>(f.count), points.size());
        for (size_t i = 1; i < points.size(); ++i)
            EXPECT_EQ(points[i - 1].ioa + 1, points[i].ioa) << "IOAs of a range are consecutive";
        received.push_back({points.front().ioa, points.back().ioa});
    }
    EXPECT_EQ(expected, received);
}

TEST_F(GatewayInterrogation, ConfiguredAddresses_CarriedByEveryDataAsdu)
{
    /* Oa 263 is kept in 8 bits (7); Ca 301 is 0x012D on the wire. */
    std::string ini = readFile(work_ + "/qxSvr.ini");
    ini.replace(ini.find("Oa=2\n"), 5, "Oa=263\n");
    ini.replace(ini.find("Ca=1\n"), 5, "Ca=301\n");
    ASSERT_TRUE(writeFile(work_ + "/qxSvr.ini", ini));
    startGateway();
    connectClient();
    std::vector<IFrame> frames = interrogate(interrogationAsdu(0x06, 20));
    ASSERT_TRUE(answerComplete(frames)) << "frames received: " << frames.size();

    /* The confirmation mirrors the request (originator 0, address 1). */
    EXPECT_EQ((Octets{0x64, 0x01, 0x07, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x14}),
              frames.front().asdu());
    for (size_t i = 1; i < frames.size(); ++i) {
        const Octets asdu = frames[i].asdu();
        ASSERT_GE(asdu.size(), 6u);
        EXPECT_EQ(0x07, asdu[3]) << "ASDU " << i;
        EXPECT_EQ(0x2D, asdu[4]) << "ASDU " << i;
        EXPECT_EQ(0x01, asdu[5]) << "ASDU " << i;
    }
}

TEST_F(GatewayInterrogation, GroupInterrogation_GetsOnlyNegativeConfirmation)
{
    startGateway();
    connectClient();
    ASSERT_TRUE(client_.sendAsdu(interrogationAsdu(0x06, 21)));
    std::vector<IFrame> frames;
    client_.collectUntil(
        frames, [](const std::vector<IFrame>&) { return false; }, 1500);
    ASSERT_EQ(1u, frames.size());
    EXPECT_EQ((Octets{0x64, 0x01, 0x47, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x15}),
              frames[0].asdu());
    EXPECT_TRUE(gateway_.waitFor("Received interrogation for group 21", 1000));
}

TEST_F(GatewayInterrogation, DeactivationCause_IsAnsweredLikeActivation)
{
    startGateway();
    connectClient();
    std::vector<IFrame> frames = interrogate(interrogationAsdu(0x08, 20));
    ASSERT_TRUE(answerComplete(frames)) << "frames received: " << frames.size();
    EXPECT_EQ((Octets{0x64, 0x01, 0x07, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x14}),
              frames.front().asdu());
}

TEST_F(GatewayInterrogation, TableOf28Values_SendsOneAsdu_EmptyTableSendsNone)
{
    /* 14 rows x 2 values = 28 points at 0x4A00; an empty table at 0x4C00. */
    std::string sql = "create table tbFull (SID integer, Type integer, Name text, Addr integer, "
                      "Port integer, Online integer, Ctime text, Rsv integer, V01 integer, "
                      "V02 integer);"
                      "create table tbNone (SID integer, Type integer, Name text, Addr integer, "
                      "Port integer, Online integer, Ctime text, Rsv integer, V01 integer);";
    for (int sid = 1; sid <= 14; ++sid)
        sql += "insert into tbFull values (" + std::to_string(sid) +
               ", 2403, 'x', 0, 0, 0, '', 0, " + std::to_string(sid) + ", 0);";
    ASSERT_TRUE(execSql(dataDb(), sql));
    std::string ini = readFile(work_ + "/qxSvr.ini");
    ini.replace(ini.find("[Svr.BaseAddr]\n"), 15, "[Svr.BaseAddr]\ntbFull=4A00\ntbNone=4C00\n");
    ASSERT_TRUE(writeFile(work_ + "/qxSvr.ini", ini));

    startGateway();
    EXPECT_EQ(1, gateway_.countFrom(0, "   tbFull...on 0X4A00")) << gateway_.transcript();
    EXPECT_EQ(1, gateway_.countFrom(0, "   tbNone...on 0X4C00")) << gateway_.transcript();
    connectClient();
    ASSERT_TRUE(client_.sendAsdu(interrogationAsdu(0x06, 20)));
    std::vector<IFrame> frames;
    client_.collectUntil(
        frames,
        [](const std::vector<IFrame>& f) {
            return framesOf(f, 1, 1).size() == 34 && framesOf(f, 13, 20).size() >= 17;
        },
        10000);
    IFrame extra;
    while (client_.receive(extra, 800))
        frames.push_back(extra);

    int fullAsdus = 0;
    for (const auto& f : frames) {
        EXPECT_GT(f.count, 0) << "an ASDU without information objects was sent";
        auto points = decodePoints(f);
        if (f.type == 13 && !points.empty() && points.front().ioa >= 0x4A00) {
            ++fullAsdus;
            EXPECT_EQ(28, f.count);
            EXPECT_EQ(0x4A00, points.front().ioa);
            EXPECT_EQ(0x4A00 + 27, points.back().ioa);
            /* row 14, column 1 = 14 with divisor 1 */
            EXPECT_FLOAT_EQ(14.0f, static_cast<float>(points[26].value));
        }
    }
    EXPECT_EQ(1, fullAsdus);
}

using GatewayPeriodic = GatewaySandbox;

TEST_F(GatewayPeriodic, EverySecond_CountsReports_AndQueuesAllRangesWithCause1)
{
    setPeriodic("1");
    startGateway();
    ASSERT_TRUE(gateway_.waitFor("SvrPeriodic... 1", 5000)) << gateway_.transcript();
    ASSERT_TRUE(gateway_.waitFor("SvrPeriodic... 2", 5000)) << gateway_.transcript();
    connectClient();
    std::vector<IFrame> frames;
    client_.collectUntil(
        frames, [](const std::vector<IFrame>& f) { return framesOf(f, 13, 1).size() >= 16; }, 6000);
    ASSERT_GE(framesOf(frames, 13, 1).size(), 16u);
    for (const auto& f : frames) {
        EXPECT_EQ(1, f.cot) << "periodic data must carry cause 1";
        EXPECT_GE(f.count, 1);
        EXPECT_LE(f.count, 28);
    }
}

TEST_F(GatewayPeriodic, FirstReport_QueuesEveryStatusThenMeasuredRangeInOrder)
{
    setPeriodic("2");
    startGateway();
    connectClient(); /* before the first report: the queue keeps all of it */
    std::vector<IFrame> frames;
    client_.collectUntil(
        frames, [](const std::vector<IFrame>& f) { return f.size() >= 52; }, 10000);
    ASSERT_GE(frames.size(), 52u) << gateway_.transcript();

    /* (type, first IOA, last IOA) of every ASDU of one report, written out:
     * 36 status ranges, the 12 tbModbusDat ranges (16641-16670 and 17921-17950
     * in 28 + 2), tbPower (0x4001, 4 values), tbEnv (0x4010, 9 values). */
    const std::vector<std::tuple<int, int, int>> expected = {
        {1, 1, 8},          {1, 9, 29},         {1, 256, 270},      {1, 272, 280},
        {1, 304, 323},      {1, 336, 350},      {1, 352, 366},      {1, 368, 382},
        {1, 384, 398},      {1, 400, 414},      {1, 416, 439},      {1, 448, 469},
        {1, 480, 482},      {1, 496, 519},      {1, 528, 551},      {1, 560, 583},
        {1, 592, 617},      {1, 624, 649},      {1, 656, 681},      {1, 768, 782},
        {1, 784, 792},      {1, 816, 835},      {1, 848, 862},      {1, 864, 878},
        {1, 880, 894},      {1, 896, 910},      {1, 912, 926},      {1, 928, 951},
        {1, 960, 981},      {1, 992, 994},      {1, 1008, 1031},    {1, 1040, 1063},
        {1, 1072, 1095},    {1, 1104, 1129},    {1, 1136, 1161},    {1, 1168, 1193},
        {13, 16513, 16519}, {13, 16527, 16537}, {13, 16641, 16668}, {13, 16669, 16670},
        {13, 16897, 16920}, {13, 17153, 17176}, {13, 17409, 17432}, {13, 17793, 17799},
        {13, 17807, 17817}, {13, 17921, 17948}, {13, 17949, 17950}, {13, 18177, 18200},
        {13, 18433, 18456}, {13, 18689, 18712}, {13, 16385, 16388}, {13, 16400, 16408}};
    std::vector<std::tuple<int, int, int>> received;
    for (size_t i = 0; i < expected.size(); ++i) {
        const IFrame& f = frames[i];
        EXPECT_EQ(1, f.cot);
        std::vector<PointValue> points = decodePoints(f);
        ASSERT_FALSE(points.empty()) << "ASDU " << i;
        received.emplace_back(f.type, points.front().ioa, points.back().ioa);
    }
    EXPECT_EQ(expected, received);
    EXPECT_TRUE(gateway_.waitFor("SvrPeriodic... 1", 2000)) << gateway_.transcript();
}

TEST_F(GatewayPeriodic, ValueChangedInDatabase_ArrivesChangedInNextReport)
{
    setPeriodic("1");
    startGateway();
    connectClient();
    /* tbPower, SID 1, V01 is IOA 16385 with divisor 10. */
    ASSERT_TRUE(execSql(dataDb(), "update tbPower set V01=4615 where SID=1"));
    std::vector<IFrame> frames;
    bool changed = client_.collectUntil(
        frames,
        [](const std::vector<IFrame>& f) {
            for (const auto& a : framesOf(f, 13, 1))
                for (const auto& p : decodePoints(a))
                    if (p.ioa == 16385 && static_cast<float>(p.value) == 461.5f)
                        return true;
            return false;
        },
        8000);
    EXPECT_TRUE(changed) << gateway_.transcript();
}

} // namespace
} // namespace qxtest
