// SPDX-License-Identifier: Apache-2.0
/*
 * CSvrWrapper104's change detection: a scan or periodic report refreshes only
 * when the data store changed since the last refresh, and every real change
 * (another connection's commit, a file copied over the database) is still
 * read into the image.
 */
#include <cstdint>
#include <cstdio>
#include <string>

#include "fakes/file_helpers.h"
#include "gateway_test_fixture.h"
#include "hal_time.h"

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

/* In both journal modes: without a commit nothing is read again; a commit
 * (which a write-ahead log keeps out of the database header) is read once. */
TEST_F(ChangeDetection, RollbackAndWalJournal_OnlyCommitsRefresh)
{
    for (const char* mode : {"delete", "wal"}) {
        SCOPED_TRACE(mode);
        Data(std::string("pragma journal_mode=") + mode);
        auto gw = InitGateway();
        gw->SvrScan();
        const unsigned long long idle = gw->Refreshes();
        gw->SvrScan();
        EXPECT_FALSE(gw->RefreshIfChanged());
        EXPECT_EQ(gw->Refreshes(), idle) << "nothing committed";
        for (int value : {4801, 4802}) {
            Data(SetPower(value));
            EXPECT_TRUE(gw->RefreshIfChanged());
            EXPECT_EQ(gw->Snapshot()->measured[1], Scaled(value, 10));
            EXPECT_FALSE(gw->RefreshIfChanged()) << "read once";
        }
    }
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

/* A file renamed over the name is another file: its data version may well
 * equal the number read from the old one, so the file is checked first. */
TEST_F(ChangeDetection, FileReplacedUnderTheName_RefreshedWhateverTheVersion)
{
    auto gw = InitGateway();
    EXPECT_FALSE(gw->RefreshIfChanged());
    const std::string live = m_dir + "/tmp/dbDat0.db3";
    const std::string update = m_dir + "/tmp/update.db3";
    ASSERT_TRUE(qxtest::writeFile(update, qxtest::readFile(live)));
    {
        CppSQLite3DB db;
        db.open(update.c_str());
        db.execDML(SetPower(5321).c_str());
    }
    ASSERT_EQ(std::rename(update.c_str(), live.c_str()), 0);
    bool refreshed = false;
    const std::string out = Capture([&] { refreshed = gw->RefreshIfChanged(); });
    EXPECT_TRUE(refreshed);
    EXPECT_NE(out.find("tmp/dbDat0.db3 replaced: reopened"), std::string::npos) << out;
    EXPECT_EQ(gw->Snapshot()->measured[1], Scaled(5321, 10));
    EXPECT_FALSE(gw->RefreshIfChanged()) << "the new file read, its version counts";

    ASSERT_EQ(std::remove(live.c_str()), 0);
    EXPECT_TRUE(gw->RefreshIfChanged()) << "a missing file is a change of quality";
    EXPECT_EQ(gw->Snapshot()->allQuality, IEC60870_QUALITY_NON_TOPICAL);
    EXPECT_TRUE(gw->RefreshIfChanged()) << "retried while missing";
}

TEST_F(ChangeDetection, RefreshCutShortByError_RetriedEveryTimeWithItsMessage)
{
    auto gw = InitGateway();
    Data("drop table tbPower");
    const std::string message = "[CSvrWrapper104::UpdDat] db exception: 1 SQLITE_ERROR[1]: no "
                                "such table: tbPower, sql:select * from \"tbPower\" order by "
                                "SID\r\n";
    /* Retried every time; the quiet console prints the line once, counts
     * the repeats and says when the error cleared. */
    for (int pass = 0; pass < 2; ++pass) {
        bool refreshed = false;
        const unsigned long long before = gw->Refreshes();
        EXPECT_EQ(Capture([&] { refreshed = gw->RefreshIfChanged(); }), pass == 0 ? message : "")
            << pass;
        EXPECT_TRUE(refreshed) << "an incomplete image is never taken as current, pass " << pass;
        EXPECT_EQ(gw->Refreshes(), before + 1) << pass;
    }
    Data("create table tbPower as select * from tbEnv where 0");
    const std::string repaired = Capture([&] { gw->RefreshIfChanged(); });
    EXPECT_EQ(repaired.rfind("... 1 more in the last ", 0), 0u) << repaired;
    EXPECT_NE(repaired.find("\r\ncleared: " + message), std::string::npos) << repaired;
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

/* The scan loop sleeps through the scans that the data file's change
 * notice does not call for; the gateway says which ones it needs anyway. */
TEST_F(ChangeDetection, ScanWantedWithoutAFileChange_OnlyWhenTheImageOrTheClockCallsForIt)
{
    auto gw = InitGateway();
    EXPECT_EQ(INT64_MIN, gw->ScanWantedFromMs()) << "the first scan records the state";
    gw->SvrScan();
    EXPECT_EQ(INT64_MAX, gw->ScanWantedFromMs()) << "nothing can come without a change";

    gw->UpdYxBy(256, 4096, 1, 49);
    EXPECT_EQ(INT64_MIN, gw->ScanWantedFromMs()) << "an image the detector has not seen";
    gw->SvrScan();
    EXPECT_EQ(INT64_MAX, gw->ScanWantedFromMs());

    Data("drop table tbPower");
    Capture([&] { gw->SvrScan(); });
    EXPECT_EQ(INT64_MIN, gw->ScanWantedFromMs()) << "an incomplete refresh is retried";
}

TEST_F(ChangeDetection, ScanWantedWithoutAFileChange_WhenStaleAfterRunsOut)
{
    std::string ini = qxtest::readFile(m_dir + "/qxSvr.ini");
    ini.replace(ini.find("[Svr104]\n"), 9, "[Svr104]\nStaleAfter=5\n");
    WriteIni(ini);
    const int64_t before = static_cast<int64_t>(Hal_getMonotonicTimeInMs());
    auto gw = InitGateway(); /* its first refresh is the last change seen */
    const int64_t after = static_cast<int64_t>(Hal_getMonotonicTimeInMs());
    gw->SvrScan();
    const int64_t staleAt = gw->ScanWantedFromMs();
    EXPECT_GE(staleAt, before + 5000);
    EXPECT_LE(staleAt, after + 5000);
}

} // namespace
