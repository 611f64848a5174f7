// SPDX-License-Identifier: Apache-2.0
/*
 * Values the data store cannot read as numbers reach the master with the
 * invalid bit (IV, 0x80) of their quality set, in an interrogation answer and
 * in a periodic report; numbers keep good quality and their values.
 */
#include "gateway_sandbox.h"

#include <map>
#include <utility>

namespace qxtest
{
namespace
{

class GatewayQuality : public GatewaySandbox
{
  protected:
    void SetUp() override
    {
        GatewaySandbox::SetUp();
        ASSERT_TRUE(execSql(dataDb(), "update tbDio set D01='abc', D02='12abc' where SID=1;"
                                      "update tbPower set V01='NaN' where SID=1;"
                                      "update tbPower set V02='1e999' where SID=2;"
                                      "update tbModbusDat set Val='1e999' where SID=49 and "
                                      "Fld='V40015'"));
    }

    /* (value, quality) of every point of the given type and cause. */
    static std::map<int, std::pair<double, int>> pointsOf(const std::vector<IFrame>& frames,
                                                          int type, int cot)
    {
        std::map<int, std::pair<double, int>> points;
        for (const auto& f : framesOf(frames, type, cot))
            for (const auto& p : decodePoints(f))
                points[p.ioa] = {p.value, p.quality};
        return points;
    }

    static void expectQualities(const std::map<int, std::pair<double, int>>& status,
                                const std::map<int, std::pair<double, int>>& measured)
    {
        ASSERT_TRUE(status.count(1) && status.count(2) && status.count(3));
        EXPECT_EQ(0x80, status.at(1).second) << "'abc' in a device input";
        EXPECT_EQ(0x80, status.at(2).second) << "'12abc' in a device input";
        EXPECT_EQ(0, status.at(2).first);
        EXPECT_EQ(0, status.at(3).second);
        EXPECT_EQ(1, status.at(3).first);
        ASSERT_TRUE(measured.count(0x4001) && measured.count(0x4002) && measured.count(0x4004));
        EXPECT_EQ(0x80, measured.at(0x4001).second) << "'NaN'";
        EXPECT_EQ(0x80, measured.at(0x4004).second) << "'1e999' in a value column";
        EXPECT_EQ(0, measured.at(0x4002).second);
        EXPECT_FLOAT_EQ(1234.0f, static_cast<float>(measured.at(0x4002).first));
        ASSERT_TRUE(measured.count(16527) && measured.count(16528));
        EXPECT_EQ(0x80, measured.at(16527).second) << "'1e999' in a register";
        EXPECT_EQ(0, measured.at(16528).second);
    }
};

TEST_F(GatewayQuality, InterrogationAnswer_NotANumberCarriesInvalidBit)
{
    setPeriodic("0");
    startGateway();
    connectClient();
    ASSERT_TRUE(client_.sendAsdu(interrogationAsdu(0x06)));
    std::vector<IFrame> frames;
    client_.collectUntil(
        frames, [](const std::vector<IFrame>& f) { return framesOf(f, 13, 20).size() >= 16; },
        10000);
    expectQualities(pointsOf(frames, 1, 20), pointsOf(frames, 13, 20));
}

TEST_F(GatewayQuality, PeriodicReport_NotANumberCarriesInvalidBit)
{
    setPeriodic("1");
    startGateway();
    connectClient();
    std::vector<IFrame> frames;
    client_.collectUntil(
        frames, [](const std::vector<IFrame>& f) { return framesOf(f, 13, 1).size() >= 16; },
        10000);
    expectQualities(pointsOf(frames, 1, 1), pointsOf(frames, 13, 1));
}

} // namespace
} // namespace qxtest
