// SPDX-License-Identifier: Apache-2.0
/*
 * The scaled data set (qxdemo --status/--measured) as the gateway reads it:
 * the bulk devices fill the status image, the bulk table's values land from
 * its base address on with their divisors, and full images fit.
 */
#include "demo_data.h"
#include "gateway_test_fixture.h"
#include "scaled_data.h"

#include <stdexcept>

namespace
{

class ScaledData : public GatewayTest
{
  protected:
    std::unique_ptr<CSvrWrapper104> InitScaled(int status, int measured)
    {
        qxdemo::BuildScaled(m_dir, m_cfgPath, status, measured);
        return InitGateway();
    }
};

const int kBulkIndex = qxdemo::kBulkBaseAddr - PointImage::kMeasuredIoaBase;

TEST_F(ScaledData, SmallSize_BulkInputsAfterDemoDevices_BulkValuesScaledFromBase)
{
    auto gw = InitScaled(100, 25);
    PointImageSnapshot img = gw->Snapshot();
    /* 72 inputs beyond the demo's 28: five 16-input devices from index 28. */
    EXPECT_EQ(qxdemo::BulkDevices(100), 5);
    for (int d = 0; d < 5; ++d)
        for (int c = 1; c <= 16; ++c) {
            const int index = qxdemo::kDemoInputs + d * 16 + c - 1;
            EXPECT_EQ(img->status[index], qxdemo::BulkInput(qxdemo::kFirstBulkSid + d, c)) << index;
        }
    /* 25 values need 3 rows of 10: 30 values served. */
    EXPECT_EQ(img->PointsOf(qxdemo::kBulkTable), 30);
    for (int v = 0; v < 30; ++v) {
        const int sid = 1 + v / 10, column = 1 + v % 10;
        EXPECT_FLOAT_EQ(img->measured[kBulkIndex + v],
                        Scaled(qxdemo::BulkRaw(sid, column), qxdemo::BulkDivisor(column)))
            << v;
    }
    EXPECT_EQ(img->measured[kBulkIndex + 30], 0.0f);
    /* The demo's own tables are served beside the bulk table. */
    EXPECT_EQ(img->PointsOf("tbPower"), 4);
}

TEST_F(ScaledData, FullImages_EveryStatusIndexAndAllValuesLoaded)
{
    auto gw = InitScaled(qxdemo::kMaxStatusPoints, qxdemo::kMaxBulkValues);
    PointImageSnapshot img = gw->Snapshot();
    EXPECT_EQ(img->PointsOf(qxdemo::kBulkTable), qxdemo::kMaxBulkValues);
    const int last = qxdemo::kMaxBulkValues - 1;
    EXPECT_FLOAT_EQ(img->measured[kBulkIndex + last],
                    Scaled(qxdemo::BulkRaw(3000, 10), qxdemo::BulkDivisor(10)));
    /* The last status index belongs to the last bulk device's input. */
    const int devices = qxdemo::BulkDevices(qxdemo::kMaxStatusPoints);
    const int lastIndex = PointImage::kStatusPoints - 1;
    const int device = (lastIndex - qxdemo::kDemoInputs) / 16;
    ASSERT_LT(device, devices);
    EXPECT_EQ(img->status[lastIndex],
              qxdemo::BulkInput(qxdemo::kFirstBulkSid + device,
                                (lastIndex - qxdemo::kDemoInputs) % 16 + 1));
}

TEST_F(ScaledData, SizesBeyondTheImages_Refused)
{
    EXPECT_THROW(qxdemo::BuildScaled(m_dir, m_cfgPath, qxdemo::kMaxStatusPoints + 1, 0),
                 std::invalid_argument);
    EXPECT_THROW(qxdemo::BuildScaled(m_dir, m_cfgPath, 0, qxdemo::kMaxBulkValues + 1),
                 std::invalid_argument);
    EXPECT_THROW(qxdemo::BuildScaled(m_dir, m_cfgPath, -1, 0), std::invalid_argument);
}

} // namespace
