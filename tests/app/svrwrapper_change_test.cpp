// SPDX-License-Identifier: Apache-2.0
/*
 * CSvrWrapper104's change detection: a scan or periodic report refreshes only
 * when the data store changed since the last refresh, and every real change
 * (another connection's commit, a file copied over the database) is still
 * read into the image.
 */
#include <cstdio>
#include <string>

#include "fakes/file_helpers.h"
#include "gateway_test_fixture.h"

namespace
{

using ChangeDetection = GatewayTest;

/* tbPower SID 1 V01 (IOA 16385, measured index 1) has divisor 10. */
const char* const kSetPower = "update tbPower set V01=%d where SID=1";

std::string SetPower(int value)
{
    char sql[64];
    std::snprintf(sql, sizeof sql, kSetPower, value);
    return sql;
}

TEST_F(ChangeDetection, NothingChanged_ScanAndReportSkipTheRefresh)
{
    auto gw = InitGateway(); /* Init writes tbSMType itself and refreshes */
    const unsigned long long atInit = gw->Refreshes();
    EXPECT_FALSE(gw->RefreshIfChanged()) << "the gateway's own writes at Init are read already";
    gw->SvrScan(); /* the first scan records the state */
    gw->SvrScan();
    EXPECT_EQ(Capture([&] { gw->SvrPeriodic(); }), "SvrPeriodic... 1\n")
        << "the report still goes out";
    EXPECT_EQ(gw->Refreshes(), atInit);
}

TEST_F(ChangeDetection, OtherConnectionCommits_NextScanOrReportReadsIt)
{
    auto gw = InitGateway();
    gw->SvrScan();
    Data(SetPower(4615));
    gw->SvrScan();
    EXPECT_EQ(gw->Snapshot()->measured[1], Scaled(4615, 10)) << "the scan read the commit";
    const unsigned long long afterScan = gw->Refreshes();
    EXPECT_FALSE(gw->RefreshIfChanged()) << "read once";

    Data(SetPower(4700));
    EXPECT_EQ(Capture([&] { gw->SvrPeriodic(); }), "SvrPeriodic... 1\n");
    EXPECT_EQ(gw->Snapshot()->measured[1], Scaled(4700, 10)) << "the report read the commit";
    EXPECT_EQ(gw->Refreshes(), afterScan + 1);
}

TEST_F(ChangeDetection, DatabaseFileCopiedOver_Seen)
{
    auto gw = InitGateway();
    /* An updater writes a newer copy of the database over the file in place. */
    const std::string live = m_dir + "/tmp/dbDat0.db3";
    const std::string update = m_dir + "/update.db3";
    ASSERT_TRUE(qxtest::writeFile(update, qxtest::readFile(live)));
    {
        CppSQLite3DB db;
        db.open(update.c_str());
        db.execDML(SetPower(5123).c_str());
    }
    ASSERT_NE(gw->Snapshot()->measured[1], Scaled(5123, 10));
    ASSERT_TRUE(qxtest::writeFile(live, qxtest::readFile(update)));
    EXPECT_TRUE(gw->RefreshIfChanged());
    EXPECT_EQ(gw->Snapshot()->measured[1], Scaled(5123, 10));
}

TEST_F(ChangeDetection, RefreshCutShortByError_RetriedEveryTimeWithItsMessage)
{
    auto gw = InitGateway();
    Data("drop table tbPower");
    const std::string message = "[CSvrWrapper104::UpdDat] db exception: 1 SQLITE_ERROR[1]: no "
                                "such table: tbPower, sql:select * from \"tbPower\" order by "
                                "SID\r\n";
    for (int pass = 0; pass < 2; ++pass) {
        bool refreshed = false;
        EXPECT_EQ(Capture([&] { refreshed = gw->RefreshIfChanged(); }), message) << pass;
        EXPECT_TRUE(refreshed) << "an incomplete image is never taken as current, pass " << pass;
    }
    Data("create table tbPower as select * from tbEnv where 0");
    EXPECT_EQ(Capture([&] { gw->RefreshIfChanged(); }), "");
    EXPECT_FALSE(gw->RefreshIfChanged()) << "complete again: the version counts";
}

TEST_F(ChangeDetection, PartialRefresh_NewImageCountedButTheCommitStillRead)
{
    auto gw = InitGateway();
    gw->SvrScan();
    const unsigned long long before = gw->Refreshes();
    Data("update tbModbusDat set Val=1-Val where SID=49 and Fld like 'V44097-%'");
    gw->UpdYxBy(256, 4096, 1, 49); /* a refresh that is not a scan's */
    EXPECT_EQ(gw->Refreshes(), before + 1);
    EXPECT_EQ(gw->Snapshot()->status[256], DataScalar("select Val from tbModbusDat where SID=49 "
                                                      "and Fld='V44097-0'"));
    EXPECT_TRUE(gw->RefreshIfChanged()) << "the commit is more than the bits read";
    EXPECT_FALSE(gw->RefreshIfChanged());
}

} // namespace
