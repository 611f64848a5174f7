// SPDX-License-Identifier: Apache-2.0
/*
 * CSvrWrapper104 start-up: configuration, loading the data store, the
 * tbSMType copy from the configuration database and the served tables.
 */
#include <dlfcn.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sqlite3.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "demo_data.h"
#include "gateway_test_fixture.h"

namespace
{

using Init = GatewayTest;

TEST_F(Init, Constructor_InitialValues)
{
    CSvrWrapper104 gw;
    EXPECT_EQ(gw.GetPeriodic(), 10);
    EXPECT_EQ(gw.OriginatorAddress(), 2);
    EXPECT_EQ(gw.CommonAddress(), 1);
    EXPECT_FALSE(gw.IsOk());
    EXPECT_TRUE(gw.ServedTables().empty());
    PointImageSnapshot img = gw.Snapshot();
    ASSERT_NE(img, nullptr);
    for (int i = 0; i < PointImage::kStatusPoints; ++i)
        ASSERT_EQ(img->status[i], 0) << i;
    for (int j = 0; j < PointImage::kMeasuredPoints; ++j)
        ASSERT_EQ(img->measured[j], 0.0f) << j;
}

TEST_F(Init, DemoData_PrintsServedTablesAndIsOk)
{
    std::string out;
    auto gw = InitGateway(&out);
    EXPECT_TRUE(gw->IsOk());
    EXPECT_EQ(out, "   tbModbusDat...on 0X4081\n"
                   "   tbEvent...is detail\n"
                   "   tbPower...on 0X4001\n"
                   "   tbEnv...on 0X4010\n"
                   "  Init done\n");
    EXPECT_EQ(gw->ServedTables(), (std::vector<std::string>{"tbModbusDat", "tbPower", "tbEnv"}));
}

/* Measured IOA ranges tbModbusDat serves for stations 49 and 50, written out. */
const std::vector<std::pair<int, int>> kModbusRanges = {
    {16513, 16519}, {16527, 16537}, {16641, 16670}, {16897, 16920}, {17153, 17176}, {17409, 17432},
    {17793, 17799}, {17807, 17817}, {17921, 17950}, {18177, 18200}, {18433, 18456}, {18689, 18712}};

TEST_F(Init, DemoData_NoTwoServedRangesOverlap)
{
    auto gw = InitGateway();
    PointImageSnapshot img = gw->Snapshot();
    std::vector<std::pair<int, int>> ranges; /* first, last IOA */
    std::vector<std::string> owners;
    for (const std::string& table : gw->ServedTables()) {
        if (table == "tbModbusDat") {
            for (const auto& r : kModbusRanges) {
                ranges.push_back(r);
                owners.push_back(table);
            }
            continue;
        }
        int points = img->PointsOf(table);
        ASSERT_GT(points, 0) << table << " serves no point: its range would not be checked";
        int base = gw->BaseAddrOf(table);
        ranges.push_back({base, base + points - 1});
        owners.push_back(table);
    }
    ASSERT_GE(ranges.size(), 14u);
    for (size_t a = 0; a < ranges.size(); ++a)
        for (size_t b = a + 1; b < ranges.size(); ++b)
            EXPECT_TRUE(ranges[a].second < ranges[b].first || ranges[b].second < ranges[a].first)
                << owners[a] << " " << ranges[a].first << "-" << ranges[a].second << " overlaps "
                << owners[b] << " " << ranges[b].first << "-" << ranges[b].second;
}

TEST_F(Init, NoIniFile_DefaultsAndOnlyStatusPoints)
{
    ASSERT_EQ(unlink("qxSvr.ini"), 0);
    std::string out;
    auto gw = InitGateway(&out);
    EXPECT_TRUE(gw->IsOk());
    EXPECT_EQ(gw->OriginatorAddress(), 2);
    EXPECT_EQ(gw->CommonAddress(), 1);
    EXPECT_EQ(gw->GetPeriodic(), 10);
    EXPECT_TRUE(gw->ServedTables().empty());
    EXPECT_EQ(out,
              "qxSvr.ini not found in " + m_dir + ": all keys at their defaults\n  Init done\n");
    EXPECT_EQ(gw->Snapshot()->status[0], 1) << "status points are loaded without configuration";

    /* There but not readable (a link to itself): the reason is named. */
    ASSERT_EQ(symlink("qxSvr.ini", "qxSvr.ini"), 0);
    InitGateway(&out);
    EXPECT_EQ(out.rfind("qxSvr.ini cannot be read in " + m_dir + ": " + strerror(ELOOP) +
                            ": all keys at their defaults\n",
                        0),
              0u)
        << out;
}

TEST_F(Init, IniValues_OaKeptInEightBits)
{
    struct Case {
        const char* oa;
        int expectedOa;
    } cases[] = {{"258", 2}, {"7", 7}, {"255", 255}, {"256", 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.oa);
        WriteIni(std::string("[Svr104]\nOa=") + c.oa + "\nCa=301\nPeriodic=3\n");
        auto gw = InitGateway();
        EXPECT_EQ(gw->OriginatorAddress(), c.expectedOa);
        EXPECT_EQ(gw->CommonAddress(), 301);
        EXPECT_EQ(gw->GetPeriodic(), 3);
    }
}

TEST_F(Init, LibraryMissing_DlopenMessageAndNotOk)
{
    /* An earlier test's copy may stay mapped under the name (ThreadSanitizer
     * keeps unloaded libraries), so the loader would still answer by name. */
    if (RunInFreshProcess())
        return;
    ASSERT_EQ(unlink("libqxdb.so"), 0);
    ASSERT_EQ(dlopen("./libqxdb.so", RTLD_NOW | RTLD_NOLOAD), nullptr);
    std::string out;
    auto gw = InitGateway(&out);
    EXPECT_FALSE(gw->IsOk());
    const std::string head = "[CSvrWrapper104::Init] dlopen ./libqxdb.so error:";
    ASSERT_EQ(out.compare(0, head.size(), head), 0) << out;
    EXPECT_NE(out.find("libqxdb.so"), std::string::npos);
    EXPECT_EQ(out.substr(out.size() - 14), "\r\n  Init done\n") << out;
    gw->Free(); /* nothing held: harmless */
    EXPECT_FALSE(gw->IsOk());
}

TEST_F(Init, LibraryWithoutEntryPoints_MngrNullThenPdbErrAndNotOk)
{
    /* A loadable library that exports neither GetDbManager nor FreeDbManager:
     * the SQLite library this test is linked with. It stays loaded, now also
     * under the name "./libqxdb.so", so this runs in a process of its own. */
    if (RunInFreshProcess())
        return;
    Dl_info info;
    ASSERT_NE(dladdr(reinterpret_cast<void*>(&sqlite3_libversion), &info), 0);
    ASSERT_NE(info.dli_fname, nullptr);
    ASSERT_EQ(unlink("libqxdb.so"), 0);
    ASSERT_EQ(symlink(info.dli_fname, "libqxdb.so"), 0);
    std::string out;
    auto gw = InitGateway(&out);
    EXPECT_FALSE(gw->IsOk());
    EXPECT_EQ(out, "libDb.mngr==NULL\r\npDb err: cannot open " + m_dir +
                       "/tmp/dbDat0.db3: ./libqxdb.so exports no GetDbManager or "
                       "FreeDbManager\r\n  Init done\n");
    gw->Free(); /* nothing held: harmless */
    EXPECT_FALSE(gw->IsOk());
}

TEST_F(Init, DataDbMissing_PdbErrAndNotOk)
{
    ASSERT_EQ(unlink("tmp/dbDat0.db3"), 0);
    std::string out;
    auto gw = InitGateway(&out);
    EXPECT_FALSE(gw->IsOk());
    EXPECT_EQ(out, "pDb err: cannot open " + m_dir +
                       "/tmp/dbDat0.db3: No such file or directory\r\n  Init done\n");
    EXPECT_NE(access("tmp/dbDat0.db3", F_OK), 0) << "no empty database may be created";
}

TEST_F(Init, DataDbUnusable_PdbErrSaysWhy)
{
    const std::string pdbErr = "pDb err: cannot open " + m_dir + "/tmp/dbDat0.db3: ";
    ASSERT_EQ(unlink("tmp/dbDat0.db3"), 0);
    ASSERT_EQ(mkdir("tmp/dbDat0.db3", 0755), 0);
    std::string out;
    EXPECT_FALSE(InitGateway(&out)->IsOk());
    EXPECT_EQ(out, pdbErr + "not a regular file\r\n  Init done\n");

    ASSERT_EQ(rmdir("tmp/dbDat0.db3"), 0);
    std::ofstream("tmp/dbDat0.db3") << "these 40 octets are no SQLite database header at all";
    EXPECT_FALSE(InitGateway(&out)->IsOk());
    EXPECT_EQ(out, pdbErr + "26 UNKNOWN_ERROR[26]: file is not a database\r\n  Init done\n");
}

TEST_F(Init, CfgDbWithoutSMType_MessageKeepsPreviousCopyAndContinues)
{
    Cfg("drop table tbSMType");
    Data("insert into tbSMType values (9999, 3, 0, 'previous copy')");
    std::string out;
    auto gw = InitGateway(&out);
    EXPECT_TRUE(gw->IsOk());
    EXPECT_EQ(out.rfind("[CSvrWrapper104::Init] db exception: copying tbSMType from " + m_cfgPath +
                            " into " + m_dir +
                            "/tmp/dbDat0.db3: 1 SQLITE_ERROR[1]: no such table: cfg.tbSMType\r\n",
                        0),
              0u)
        << out;
    EXPECT_NE(out.find("   tbPower...on 0X4001\n"), std::string::npos) << "start-up goes on";
    EXPECT_EQ(DataScalar("select count(*) from tbSMType where Type=9999"), 1);
    EXPECT_EQ(DataScalar("select count(*) from tbSMType"),
              static_cast<int>(qxdemo::SMTypeRows().size()) + 1);
    EXPECT_EQ(gw->Snapshot()->status[0], 1) << "the refresh runs with the previous copy";

    /* "cfg" must not stay attached to the gateway's connection, which the
     * library hands to every user of the same file. */
    void* lib = dlopen("./libqxdb.so", RTLD_NOW);
    ASSERT_NE(lib, nullptr);
    auto get = reinterpret_cast<GetDbManagerFn>(dlsym(lib, "GetDbManager"));
    DbConnection* db = get()->OpenDb("tmp/dbDat0.db3", 0);
    ASSERT_NE(db, nullptr);
    EXPECT_EQ(db->ExecScalar("select count(*) from pragma_database_list where name='cfg'"), 0);
    dlclose(lib);
}

TEST_F(Init, CfgDbMissing_MessageNamesPathNoFileCreatedPreviousCopyKept)
{
    ASSERT_EQ(unlink(m_cfgPath.c_str()), 0);
    Data("insert into tbSMType values (9999, 3, 0, 'previous copy')");
    std::string out;
    auto gw = InitGateway(&out);
    EXPECT_TRUE(gw->IsOk());
    EXPECT_EQ(out.rfind("[CSvrWrapper104::Init] configuration database " + m_cfgPath +
                            " missing: No such file or directory\r\n",
                        0),
              0u)
        << out;
    EXPECT_NE(access(m_cfgPath.c_str(), F_OK), 0) << "the attach must not create the file";
    EXPECT_EQ(DataScalar("select count(*) from tbSMType where Type=9999"), 1);
    EXPECT_EQ(gw->Snapshot()->status[0], 1) << "the refresh runs with the previous copy";
}

TEST_F(Init, CfgDbSMType_ReplacesTheLiveCopy)
{
    Cfg("update tbSMType set ExtDi=4 where Type=2301");
    Data("insert into tbSMType values (9999, 3, 0, 'stale row')");
    auto gw = InitGateway();
    EXPECT_EQ(DataScalar("select ExtDi from tbSMType where Type=2301"), 4);
    EXPECT_EQ(DataScalar("select count(*) from tbSMType where Type=9999"), 0);
}

TEST_F(Init, CfgDbPathWithApostrophe_QuotedAsLiteralAndCopied)
{
    Cfg("update tbSMType set ExtDi=4 where Type=2301");
    const std::string oddPath = m_dir + "/NandFlash/it's cfg.db3";
    ASSERT_EQ(rename(m_cfgPath.c_str(), oddPath.c_str()), 0);
    auto gw = MakeGateway();
    gw->SetConfigDbPath(oddPath);
    std::string out = Capture([&] { gw->Init(); });
    EXPECT_EQ(out.find("db exception"), std::string::npos) << out;
    EXPECT_EQ(DataScalar("select ExtDi from tbSMType where Type=2301"), 4);
}

TEST_F(Init, Free_ReleasesLibraryAtMostOnce)
{
    auto gw = InitGateway();
    ASSERT_TRUE(gw->IsOk());
    gw->Free();
    EXPECT_FALSE(gw->IsOk());
    gw->Free();
    EXPECT_FALSE(gw->IsOk());
    EXPECT_EQ(gw->UpdDat(), 3u) << "a refresh without database changes nothing";
}

/* ------------------------------------------------------------ GetTbls */

using GetTbls = GatewayTest;

TEST_F(GetTbls, BaseAddressBounds_OnlyAbove4000UpTo5000Served)
{
    for (const char* t : {"tbA", "tbB", "tbC", "tbD", "tbE", "tbF"})
        Data(std::string("create table ") + t + " (SID integer, Type integer)");
    WriteIni("[Svr.BaseAddr]\ntbA=4000\ntbB=4001\ntbC=5000\ntbD=5001\ntbE=zz\n"
             "tbF=0x4100\n");
    std::string out;
    auto gw = InitGateway(&out);
    EXPECT_EQ(gw->ServedTables(), (std::vector<std::string>{"tbB", "tbC", "tbF"}));
    EXPECT_NE(out.find("   tbC...on 0X5000\n"), std::string::npos);
    EXPECT_EQ(out.find("tbD"), std::string::npos);
}

TEST_F(GetTbls, BaseAddressBeyondInt_NotServedAsItsLowBits)
{
    /* Hexadecimal texts whose value does not fit an int must not wrap into
     * the served range (0x100004001 and -0xFFFFBFFF both end in 0x4001). */
    for (const char* t : {"tbWide", "tbNegWide", "tbOk"})
        Data(std::string("create table ") + t + " (SID integer, Type integer)");
    WriteIni("[Svr.BaseAddr]\ntbWide=100004001\ntbNegWide=-FFFFBFFF\ntbOk=4001\n");
    std::string out;
    auto gw = InitGateway(&out);
    EXPECT_EQ(gw->ServedTables(), (std::vector<std::string>{"tbOk"}));
    EXPECT_EQ(out.find("Wide"), std::string::npos) << out;
}

TEST_F(GetTbls, DetailAndSMTables_NeverServed)
{
    Data("create table tbSMExtra (SID integer, Type integer)");
    Data("create table tbLog (SID integer, Type integer)");
    WriteIni("[Svr.Detail]\ntbLog=1\ntbPower=2\n[Svr.BaseAddr]\ntbSMExtra=4100\ntbSMDef=4200\n"
             "tbLog=4300\ntbPower=4001\n");
    std::string out;
    auto gw = InitGateway(&out);
    EXPECT_EQ(gw->ServedTables(), (std::vector<std::string>{"tbPower"}));
    EXPECT_NE(out.find("   tbLog...is detail\n"), std::string::npos);
    EXPECT_EQ(out.find("tbSM"), std::string::npos);
}

TEST_F(GetTbls, DatabaseLockedByWriter_MessageAndListEmpty)
{
    auto gw = InitGateway();
    CppSQLite3DB writer;
    writer.open("tmp/dbDat0.db3");
    writer.execDML("begin exclusive");
    std::string out = Capture([&] { gw->GetTbls(); });
    writer.execDML("rollback");
    EXPECT_EQ(out, "[CSvrWrapper104::GetTbls] db exception: 5 SQLITE_BUSY[5]: database is "
                   "locked\r\n");
    EXPECT_TRUE(gw->ServedTables().empty());
    Capture([&] { gw->GetTbls(); });
    EXPECT_EQ(gw->ServedTables().size(), 3u) << "the cursor of the failed step was released";
}

TEST_F(GetTbls, PointCounts_ServedTablesStartAtZero)
{
    auto gw = MakeGateway();
    Capture([&] { gw->Init(); });
    Data("delete from tbPower");
    Capture([&] { gw->UpdDat(); });
    PointImageSnapshot img = gw->Snapshot();
    EXPECT_EQ(img->PointsOf("tbPower"), 0);
    EXPECT_EQ(img->tablePoints.count("tbPower"), 1u);
    EXPECT_EQ(img->PointsOf("tbEnv"), 9);
    EXPECT_EQ(img->tablePoints.count("tbDio"), 0u) << "unserved tables get no entry";
}

} // namespace
