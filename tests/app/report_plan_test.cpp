// SPDX-License-Identifier: Apache-2.0
/*
 * The report plan without a data store: the ranges of the interrogation
 * answer, the scan's watched ranges, the lookup of a read command's range
 * and the ASDU bound that sizes the slave's queues.
 */
#include "report_plan.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace
{

const int kStation = 20; /* cause 20: on the interrogating connection */
const int kQueued = 1;   /* cause 1: queued for every master */
const int kStationRanges = 2 + 2 * 17;

struct PlanTest : ::testing::Test {
    std::unique_ptr<PointImage> image{new PointImage()};
};

/* Bases beyond the Modbus ranges of station 50 (up to IOA 18712). */
std::vector<ServedTable> DemoTables()
{
    return {{"tbModbusDat", 0x4001}, {"tbPower", 0x4A01}, {"tbEmpty", 0x4B01}, {"tbOff", 0x3000}};
}

TEST_F(PlanTest, AnswerRanges_StationStatusThenStationsThenTablesInServedOrder)
{
    image->tablePoints["tbPower"] = 5;
    ReportPlan plan(false, DemoTables());
    std::vector<AnswerRange> r = plan.AnswerRanges(*image);
    /* Station ranges, 12 Modbus ranges, tbPower and tbEmpty; tbOff is not served. */
    ASSERT_EQ(size_t(kStationRanges + 12 + 2), r.size());

    EXPECT_FALSE(r[0].measured);
    EXPECT_EQ(1, r[0].first);
    EXPECT_EQ(8, r[0].last);
    EXPECT_EQ(kStation, r[0].cause);
    EXPECT_EQ(9, r[1].first);
    EXPECT_EQ(29, r[1].last);
    EXPECT_EQ(kStation, r[1].cause);
    /* Station 49, then station 50 at +512, both queued. */
    EXPECT_EQ(256, r[2].first);
    EXPECT_EQ(270, r[2].last);
    EXPECT_EQ(kQueued, r[2].cause);
    EXPECT_EQ(256 + 512, r[2 + 17].first);
    EXPECT_EQ(681 + 512, r[1 + 34].last);
    for (int i = 2; i < kStationRanges; ++i) {
        EXPECT_FALSE(r[i].measured) << i;
        EXPECT_EQ(kQueued, r[i].cause) << i;
        EXPECT_EQ("", r[i].table) << i;
    }
    /* tbModbusDat: six fixed ranges of station 49, the same +1280 for 50. */
    const AnswerRange& modbus = r[kStationRanges];
    EXPECT_TRUE(modbus.measured);
    EXPECT_EQ(16513, modbus.first);
    EXPECT_EQ(16519, modbus.last);
    EXPECT_EQ("tbModbusDat", modbus.table);
    EXPECT_EQ(16513 + 1280, r[kStationRanges + 6].first);
    EXPECT_EQ(17432 + 1280, r[kStationRanges + 11].last);
    /* Another table: its base on, as many IOAs as its point count. */
    const AnswerRange& power = r[kStationRanges + 12];
    EXPECT_EQ("tbPower", power.table);
    EXPECT_EQ(0x4A01, power.first);
    EXPECT_EQ(0x4A05, power.last);
    EXPECT_EQ(kStation, power.cause);
    const AnswerRange& empty = r[kStationRanges + 13];
    EXPECT_EQ("tbEmpty", empty.table);
    EXPECT_LT(empty.last, empty.first); /* no points: an empty range */
}

TEST_F(PlanTest, Strict_EveryRangeOnTheInterrogatingConnection)
{
    ReportPlan plan(true, DemoTables());
    for (const AnswerRange& r : plan.AnswerRanges(*image))
        EXPECT_EQ(kStation, r.cause) << r.first;
}

TEST_F(PlanTest, WatchedRanges_AnswerOrder_MeasuredWithTheirTablesDeadband)
{
    image->tablePoints["tbPower"] = 3;
    SpontaneousSettings settings;
    settings.deadband = 0.5;
    settings.tableDeadbands["tbModbusDat"] = 2.0;
    ReportPlan plan(false, DemoTables());
    std::vector<AnswerRange> answer = plan.AnswerRanges(*image);
    std::vector<WatchedRange> watched = plan.WatchedRanges(*image, settings);
    ASSERT_EQ(answer.size(), watched.size());
    for (size_t i = 0; i < answer.size(); ++i) {
        EXPECT_EQ(answer[i].first, watched[i].firstIoa) << i;
        EXPECT_EQ(answer[i].last, watched[i].lastIoa) << i;
        if (!answer[i].measured) {
            EXPECT_EQ(EventType::SinglePoint, watched[i].type) << i;
            EXPECT_EQ(0.0, watched[i].deadband) << i;
        } else {
            EXPECT_EQ(EventType::MeasuredFloat, watched[i].type) << i;
            EXPECT_EQ(answer[i].table == "tbModbusDat" ? 2.0 : 0.5, watched[i].deadband) << i;
        }
    }
}

TEST_F(PlanTest, FindAnswerRange_ServedAddressesOnly_ClippedToTheImages)
{
    image->tablePoints["tbPower"] = 5;
    image->tablePoints["tbTop"] = 10; /* from 0x5000 on: runs past the image's end */
    std::vector<ServedTable> tables = DemoTables();
    tables.push_back({"tbTop", 0x5000});
    ReportPlan plan(false, tables);
    AnswerRange found;
    ASSERT_TRUE(plan.FindAnswerRange(*image, 1, &found));
    EXPECT_FALSE(found.measured);
    EXPECT_EQ(kStation, found.cause);
    ASSERT_TRUE(plan.FindAnswerRange(*image, 256 + 512, &found));
    EXPECT_EQ(kQueued, found.cause);
    EXPECT_FALSE(plan.FindAnswerRange(*image, 271, &found)); /* a gap between station ranges */
    EXPECT_FALSE(plan.FindAnswerRange(*image, 30, &found));
    ASSERT_TRUE(plan.FindAnswerRange(*image, 0x4A05, &found));
    EXPECT_EQ("tbPower", found.table);
    EXPECT_FALSE(plan.FindAnswerRange(*image, 0x4A06, &found));
    ASSERT_TRUE(plan.FindAnswerRange(*image, 0x5000, &found));
    EXPECT_EQ("tbTop", found.table);
    const int lastMeasuredIoa = PointImage::kMeasuredIoaBase + PointImage::kMeasuredPoints - 1;
    EXPECT_TRUE(plan.FindAnswerRange(*image, 0x5009, &found));
    image->tablePoints["tbTop"] = lastMeasuredIoa - 0x5000 + 5;
    EXPECT_TRUE(plan.FindAnswerRange(*image, lastMeasuredIoa, &found));
    EXPECT_FALSE(plan.FindAnswerRange(*image, lastMeasuredIoa + 1, &found));
}

TEST(ReportPlanClip, RangesClippedToTheImages_AsdusOf28)
{
    IoaRange s = ReportPlan::ClipStatus(-5, 40000);
    EXPECT_EQ(1, s.first);
    EXPECT_EQ(PointImage::kStatusPoints, s.last);
    IoaRange m = ReportPlan::ClipMeasured(0x3000, 0x4005);
    EXPECT_EQ(0x4000, m.first);
    EXPECT_EQ(0x4005, m.last);
    m = ReportPlan::ClipMeasured(0x4100, 0x10000);
    EXPECT_EQ(0x4100, m.first);
    EXPECT_EQ(0x4000 + PointImage::kMeasuredPoints - 1, m.last);
    EXPECT_EQ(0, ReportPlan::AsdusFor(0));
    EXPECT_EQ(0, ReportPlan::AsdusFor(-3));
    EXPECT_EQ(1, ReportPlan::AsdusFor(1));
    EXPECT_EQ(1, ReportPlan::AsdusFor(28));
    EXPECT_EQ(2, ReportPlan::AsdusFor(29));
}

/* ASDUs the answer over img sends: every range clipped, 28 objects per ASDU,
 * plus the confirmation and the termination. */
int AsdusSent(const ReportPlan& plan, const PointImage& img)
{
    int asdus = 2;
    for (const AnswerRange& r : plan.AnswerRanges(img)) {
        IoaRange c = r.measured ? ReportPlan::ClipMeasured(r.first, r.last)
                                : ReportPlan::ClipStatus(r.first, r.last);
        asdus += ReportPlan::AsdusFor(c.last - c.first + 1);
    }
    return asdus;
}

TEST_F(PlanTest, AsduBound_StationsModbusAndFullTables_NeverBelowAnAnswer)
{
    /* 2 + 2 station ranges + 2 x 17 station ranges of one ASDU each. */
    EXPECT_EQ(38, ReportPlan(false, {}).AsduBoundOfOneReport());
    /* tbModbusDat: 2 x (1 + 1 + 2 + 1 + 1 + 1); tbOff adds nothing. */
    EXPECT_EQ(
        52, ReportPlan(false, {{"tbModbusDat", 0x4001}, {"tbOff", 0x3000}}).AsduBoundOfOneReport());
    /* A table from 0x5000 on may fill the image's last 28672 points. */
    EXPECT_EQ(38 + 1024, ReportPlan(false, {{"tbTop", 0x5000}}).AsduBoundOfOneReport());

    /* Every table as full as its base allows: the answer stays in bound. */
    std::vector<ServedTable> tables = DemoTables();
    for (const ServedTable& t : tables)
        image->tablePoints[t.name] =
            PointImage::kMeasuredPoints - (t.base - PointImage::kMeasuredIoaBase);
    for (bool strict : {false, true}) {
        ReportPlan plan(strict, tables);
        EXPECT_LE(AsdusSent(plan, *image), plan.AsduBoundOfOneReport()) << strict;
    }
}

} // namespace
