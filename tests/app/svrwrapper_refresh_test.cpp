// SPDX-License-Identifier: Apache-2.0
/*
 * CSvrWrapper104::UpdDat and UpdYxBy against the demo data set: device
 * inputs, station states, register bits, Modbus values, value tables with
 * their divisors, and every failure message.
 */
#include <string>
#include <vector>

#include "demo_data.h"
#include "gateway_test_fixture.h"

namespace
{

using Refresh = GatewayTest;

/* Register-bit blocks as the gateway documents them: first status index for
 * station 49, register before the first one, number of registers. */
const int kBlocks[][3] = {{256, 4096, 2}, {304, 4099, 1}, {320, 4101, 1},
                          {336, 4118, 5}, {416, 4138, 5}, {496, 4154, 2},
                          {528, 4161, 2}, {560, 4168, 2}, {592, 5141, 6}};

TEST_F(Refresh, DeviceInputs_ExtDiZeroGivesEightTwelveGivesTwelve_Type2317Skipped)
{
    auto gw = InitGateway();
    PointImageSnapshot img = gw->Snapshot();
    /* SID 1, type 2301 (ExtDi 0): D01..D08 at 0..7; its D09/D10 are not read. */
    const int sid1[] = {1, 0, 1, 1, 0, 0, 1, 0};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(img->status[i], sid1[i]) << i;
    /* SID 2 (type 2317, all ones) is skipped; SID 3 (ExtDi 12) follows at 8:
     * D01 at 8, D02..D04 (9..11) are then overwritten by the station states,
     * D05..D12 at 12..19. */
    EXPECT_EQ(img->status[8], 1);
    const int sid3[] = {1, 0, 1, 1, 0, 1, 1, 1};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(img->status[12 + i], sid3[i]) << 12 + i;
    /* SID 4 (type 2301) at 20..27: 12 inputs before it, not 14. */
    const int sid4[] = {0, 1, 1, 0, 1, 0, 0, 1};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(img->status[20 + i], sid4[i]) << 20 + i;
    EXPECT_EQ(img->status[28], 0);
}

TEST_F(Refresh, StationStates_FromIndex9InRowOrder_OnlyStationsBelow49)
{
    Data("delete from tbDio");
    auto gw = InitGateway();
    PointImageSnapshot img = gw->Snapshot();
    EXPECT_EQ(img->status[9], 1);  /* SID 1 */
    EXPECT_EQ(img->status[10], 0); /* SID 2 */
    EXPECT_EQ(img->status[11], 1); /* SID 3 */
    EXPECT_EQ(img->status[12], 0) << "stations 49 and 50 are not station states";
}

TEST_F(Refresh, EmptyTbDio_ClearsWholeStatusImageThenRewritesStatesAndBits)
{
    auto gw = InitGateway();
    ASSERT_EQ(gw->Snapshot()->status[0], 1);
    Data("delete from tbDio");
    Data("update tbModbusDat set Val=0 where Fld='V44097-3'");
    Capture([&] { gw->UpdDat(); });
    PointImageSnapshot img = gw->Snapshot();
    EXPECT_EQ(img->status[0], 0);
    EXPECT_EQ(img->status[3], 0);
    EXPECT_EQ(img->status[9], 1) << "station state written again";
    EXPECT_EQ(img->status[259], 0) << "register bit written again";
    EXPECT_EQ(img->status[256 + 16 + 0], qxdemo::RegisterBit(49, 4098, 0));
}

TEST_F(Refresh, RegisterBits_Stations49And50_LandInTheirBlocks)
{
    auto gw = InitGateway();
    PointImageSnapshot img = gw->Snapshot();
    EXPECT_EQ(img->status[259], 1) << "V44097-3 of station 49";
    EXPECT_EQ(img->status[771], 1) << "V44097-3 of station 50";
    int checked = 0;
    for (int sid : {49, 50}) {
        for (const auto& b : kBlocks) {
            for (int k = 0; k < b[2]; ++k) {
                for (int bit = 0; bit < 16; ++bit) {
                    int index = b[0] + (sid == 50 ? 512 : 0) + 16 * k + bit;
                    ASSERT_EQ(img->status[index], qxdemo::RegisterBit(sid, b[1] + 1 + k, bit))
                        << "sid " << sid << " register " << b[1] + 1 + k << " bit " << bit;
                    ++checked;
                }
            }
        }
    }
    EXPECT_EQ(checked, 2 * 26 * 16);
}

TEST_F(Refresh, UpdYxBy_CalledAlone_PublishesOnlyThatBlock)
{
    auto gw = InitGateway();
    Data("update tbModbusDat set Val=0 where Fld like 'V44097-%' or Fld like 'V44100-%'");
    Capture([&] { gw->UpdYxBy(256, 4096, 1, 50); });
    PointImageSnapshot img = gw->Snapshot();
    EXPECT_EQ(img->status[771], 0) << "station 50, register 4097 reloaded";
    EXPECT_EQ(img->status[259], 1) << "station 49 untouched";
    EXPECT_EQ(img->status[816 + 1], qxdemo::RegisterBit(50, 4100, 1)) << "other block untouched";
}

TEST_F(Refresh, ModbusValues_FixedIndicesScaledByTenth)
{
    auto gw = InitGateway();
    PointImageSnapshot img = gw->Snapshot();
    EXPECT_EQ(img->measured[143], static_cast<float>(qxdemo::RegisterValue(49, 15) * 0.1))
        << "V40015 of station 49 -> index 143 (IOA 16527)";
    EXPECT_EQ(img->measured[1480], static_cast<float>(qxdemo::RegisterValue(50, 200) * 0.1))
        << "V40200 of station 50 -> index 1480 (IOA 17864)";
    EXPECT_EQ(img->measured[200], static_cast<float>(qxdemo::RegisterValue(49, 200) * 0.1))
        << "registers above 127 keep their number";
    EXPECT_EQ(img->measured[257], static_cast<float>(qxdemo::RegisterValue(49, 257) * 0.1));
    EXPECT_EQ(img->measured[129], 0.0f) << "V40001 sorts below V40015: not loaded";
    int rows = 0;
    for (int reg : qxdemo::HoldingRegisters())
        rows += reg >= 15 ? 2 : 0;
    EXPECT_EQ(img->PointsOf("tbModbusDat"), rows);
}

TEST_F(Refresh, ValueTable_Base4001TwoColumns_FourPointsWithDivisors)
{
    auto gw = InitGateway();
    PointImageSnapshot img = gw->Snapshot();
    /* tbPower rows (SID order), Svr.Flds 2: V01, V02 of each. Divisors:
     * 2401: 10 and 0 (-> 1); 2402: -5 (-> 1) and 100. */
    EXPECT_EQ(img->measured[1], Scaled(2305, 10)) << "IOA 16385";
    EXPECT_EQ(img->measured[2], Scaled(1234, 1)) << "IOA 16386, divisor 0";
    EXPECT_EQ(img->measured[3], Scaled(-150, 1)) << "IOA 16387, divisor -5";
    EXPECT_EQ(img->measured[4], Scaled(5000, 100)) << "IOA 16388";
    EXPECT_EQ(img->measured[5], 0.0f) << "V03 is beyond Svr.Flds";
    EXPECT_EQ(img->PointsOf("tbPower"), 4);
}

TEST_F(Refresh, ValueTable_NoFldsKey_AllColumnsInSidOrder)
{
    auto gw = InitGateway();
    PointImageSnapshot img = gw->Snapshot();
    /* tbEnv at 0x4010, rows inserted as SID 7, 5, 6; divisors 1, 10, 100. */
    const float expected[] = {Scaled(-42, 1), Scaled(300, 10), Scaled(99000, 100),
                              Scaled(0, 1),   Scaled(1, 10),   Scaled(100, 100),
                              Scaled(215, 1), Scaled(655, 10), Scaled(101325, 100)};
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(img->measured[0x10 + i], expected[i]) << i;
    EXPECT_EQ(img->PointsOf("tbEnv"), 9);
}

TEST_F(Refresh, MissingDivisorRow_TableEndsWithMessageOthersLoaded)
{
    Data("delete from tbSMDef where Type=2403 and Fld=2");
    std::string out;
    auto gw = InitGateway(&out);
    EXPECT_NE(out.find("[CSvrWrapper104::UpdDat] db exception: 1000 CPPSQLITE_ERROR[1000]: "
                       "Invalid scalar query, sql:select vfactor from tbSMDef where "
                       "Type=2403 and Fld=2\r\n"),
              std::string::npos)
        << out;
    PointImageSnapshot img = gw->Snapshot();
    EXPECT_EQ(img->PointsOf("tbEnv"), 0);
    EXPECT_EQ(img->PointsOf("tbPower"), 4);
    EXPECT_EQ(img->measured[1], Scaled(2305, 10));
}

TEST_F(Refresh, RowGone_ValueKeepsLastRefresh)
{
    auto gw = InitGateway();
    Data("delete from tbPower where SID=2");
    Data("update tbPower set V01=990 where SID=1");
    Capture([&] { gw->UpdDat(); });
    PointImageSnapshot img = gw->Snapshot();
    EXPECT_EQ(img->measured[1], Scaled(990, 10));
    EXPECT_EQ(img->measured[3], Scaled(-150, 1)) << "kept from the earlier refresh";
    EXPECT_EQ(img->PointsOf("tbPower"), 2);
}

TEST_F(Refresh, TbDioMissing_MessageSkipsPhasesOneToThreeValuesStillLoaded)
{
    Data("drop table tbDio");
    Data("update tbModbusDat set Val=0 where Fld='V44097-3'");
    std::string out;
    auto gw = InitGateway(&out);
    EXPECT_NE(out.find("[CSvrWrapper104::UpdDat] tbDio db exception: 1 SQLITE_ERROR[1]: "
                       "no such table: tbDio\r\n"),
              std::string::npos)
        << out;
    PointImageSnapshot img = gw->Snapshot();
    EXPECT_EQ(img->status[9], 0) << "phase 2 skipped";
    EXPECT_EQ(img->PointsOf("tbPower"), 4) << "phase 4 runs in any case";
}

TEST_F(Refresh, ServedTableDropped_MessageNamesStatementNextTableFollows)
{
    auto gw = InitGateway();
    Data("drop table tbPower");
    std::string out = Capture([&] { gw->UpdDat(); });
    EXPECT_EQ(out, "[CSvrWrapper104::UpdDat] db exception: 1 SQLITE_ERROR[1]: no such table: "
                   "tbPower, sql:select * from \"tbPower\" order by SID\r\n");
    PointImageSnapshot img = gw->Snapshot();
    EXPECT_EQ(img->PointsOf("tbPower"), 0);
    EXPECT_EQ(img->PointsOf("tbEnv"), 9);
}

TEST_F(Refresh, UpdYxBy_TableMissing_MessageAndNextBlockStillRuns)
{
    auto gw = InitGateway();
    Data("alter table tbModbusDat rename to tbModbusOld");
    std::string out = Capture([&] { gw->UpdYxBy(256, 4096, 2, 49); });
    EXPECT_EQ(out, "[CSvrWrapper104::UpdYxBy] exception: 1 SQLITE_ERROR[1]: no such table: "
                   "tbModbusDat\r\n");
}

TEST_F(Refresh, OddTableNames_QuotedAndAnyLength)
{
    const std::string longName = "tb" + std::string(120, 'L');
    const std::string quoted = "tb\"Odd\" name";
    for (const std::string& name : {longName, quoted}) {
        qxdemo::ValueTable t{name, 0, 0, 2, {{1, 2403, {30, 40}}}};
        CppSQLite3DB db;
        db.open("tmp/dbDat0.db3");
        qxdemo::CreateValueTable(db, name, 2);
        qxdemo::InsertValueRow(db, name, t.rows[0]);
    }
    WriteIni("[Svr.BaseAddr]\n" + longName + "=4100\n" + quoted + "=4200\n");
    std::string out;
    auto gw = InitGateway(&out);
    EXPECT_EQ(gw->ServedTables(), (std::vector<std::string>{longName, quoted}));
    PointImageSnapshot img = gw->Snapshot();
    EXPECT_EQ(img->measured[0x100], Scaled(30, 1));
    EXPECT_EQ(img->measured[0x101], Scaled(40, 10));
    EXPECT_EQ(img->measured[0x200], Scaled(30, 1));
    EXPECT_EQ(img->PointsOf(quoted), 2);
    EXPECT_EQ(out.find("exception"), std::string::npos) << out;
}

TEST_F(Refresh, NegativeExtDi_DeviceContributesNoInputs)
{
    Cfg("update tbSMType set ExtDi=-4 where Type=2312");
    auto gw = InitGateway();
    PointImageSnapshot img = gw->Snapshot();
    /* SID 3 adds nothing; SID 4 follows SID 1 at 8..15. */
    const int sid4[] = {0, 1, 1, 0, 1, 0, 0, 1};
    for (int i : {0, 4, 5, 6, 7})
        EXPECT_EQ(img->status[8 + i], sid4[i]) << 8 + i;
}

TEST_F(Refresh, ValuesBeyondImage_SkippedNotCounted)
{
    /* Base 0x5000 leaves 0x7FFF - 0x1000 + 1 = 28672 slots: fill past it. */
    CppSQLite3DB db;
    db.open("tmp/dbDat0.db3");
    qxdemo::CreateValueTable(db, "tbBig", 16);
    db.execDML("begin");
    for (int sid = 0; sid < 1800; ++sid)
        qxdemo::InsertValueRow(db, "tbBig", {sid, 2403, std::vector<int>(16, 7)});
    db.execDML("commit");
    db.execDML("insert into tbSMDef select 2403, n, 1 from (with recursive c(n) as (select 4 "
               "union all select n + 1 from c where n < 16) select n from c)");
    WriteIni("[Svr.BaseAddr]\ntbBig=5000\n");
    auto gw = InitGateway();
    PointImageSnapshot img = gw->Snapshot();
    EXPECT_EQ(img->PointsOf("tbBig"), 0x8000 - 0x1000);
    EXPECT_EQ(img->measured[0x7FFF], 7.0f);
}

} // namespace
