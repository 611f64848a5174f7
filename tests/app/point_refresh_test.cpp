// SPDX-License-Identifier: Apache-2.0
/*
 * The refresh rules (PointRefresh) beyond the image values: divisors asked
 * once per distinct pair, values that are not numbers served invalid, the
 * source record the point-list tool prints, and the one-pass reading of the
 * register bits against the statement per register it stands for.
 */
#include <dlfcn.h>

#include <cstring>
#include <memory>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "point_refresh.h"
#include "demo_data.h"
#include "gateway_test_fixture.h"

namespace
{

using PointRefreshTest = GatewayTest;

/* Forwards every call to a real connection and counts the statements. */
class CountingDb : public DbConnection
{
  public:
    explicit CountingDb(DbConnection* db) : m_db(db) {}
    bool IsReady(int a, int b) override { return m_db->IsReady(a, b); }
    bool TableExists(const char* t) override { return m_db->TableExists(t); }
    int ExecDML(const char* sql) override { return m_db->ExecDML(sql); }
    int ExecScalar(const char* sql) override
    {
        ++scalars[sql];
        return m_db->ExecScalar(sql);
    }
    int Query(const char* sql, int length) override
    {
        ++queries;
        return m_db->Query(sql, length);
    }
    bool Eof(int c) override { return m_db->Eof(c); }
    void NextRow(int c) override { m_db->NextRow(c); }
    void Finalize(int c) override { m_db->Finalize(c); }
    int NumFields(int c) override { return m_db->NumFields(c); }
    int GetIntField(int c, int col) override { return m_db->GetIntField(c, col); }
    int GetIntField(int c, const char* col) override { return m_db->GetIntField(c, col); }
    const char* GetStringField(int c, const char* col) override
    {
        return m_db->GetStringField(c, col);
    }
    void SetStatementCache(bool on) override { m_db->SetStatementCache(on); }
    int CachedStatements() override { return m_db->CachedStatements(); }
    int OpenCursors() override { return m_db->OpenCursors(); }
    bool IsNumericField(int c, int col) override { return m_db->IsNumericField(c, col); }
    bool IsNumericField(int c, const char* col) override { return m_db->IsNumericField(c, col); }
    const char* FieldName(int c, int col) override { return m_db->FieldName(c, col); }
    int FieldType(int c, int col) override { return m_db->FieldType(c, col); }
    long long GetInt64Field(int c, int col) override { return m_db->GetInt64Field(c, col); }
    double GetDoubleField(int c, int col) override { return m_db->GetDoubleField(c, col); }
    bool BeginRead(int budgetMs) override { return m_db->BeginRead(budgetMs); }
    void EndRead() override { m_db->EndRead(); }
    long long DataVersion() override { return m_db->DataVersion(); }
    int CheckFile() override { return m_db->CheckFile(); }
    long long CommitStamp() override { return m_db->CommitStamp(); }

    std::map<std::string, int> scalars;
    int queries = 0;

  private:
    DbConnection* m_db;
};

/* The connection the gateway uses: the library keeps one per file. */
class SharedConnection
{
  public:
    SharedConnection()
    {
        m_lib = dlopen("./libqxdb.so", RTLD_NOW);
        if (m_lib == nullptr)
            return;
        auto get = reinterpret_cast<GetDbManagerFn>(dlsym(m_lib, "GetDbManager"));
        DbManager* mngr = get != nullptr ? get() : nullptr;
        db = mngr != nullptr ? mngr->OpenDb("tmp/dbDat0.db3", 0) : nullptr;
    }
    ~SharedConnection()
    {
        if (m_lib != nullptr)
            dlclose(m_lib);
    }
    DbConnection* db = nullptr;

  private:
    void* m_lib = nullptr;
};

TEST_F(PointRefreshTest, Divisors_AskedOncePerDistinctPair_SameImage)
{
    /* 20 more tbEnv rows: today's rule would ask 3 more divisors per row. */
    for (int sid = 100; sid < 120; ++sid)
        Data("insert into tbEnv (SID, Type, V01, V02, V03) values (" + std::to_string(sid) +
             ", 2403, " + std::to_string(sid) + ", 7, 9)");
    auto gw = InitGateway();
    SharedConnection shared;
    ASSERT_NE(shared.db, nullptr);
    CountingDb counting(shared.db);

    PointImage img;
    PointRefresh refresh(&counting, &gw->Config());
    Capture([&] { refresh.Build(img, gw->ServedTables()); });

    /* tbPower (2 columns) of types 2401 and 2402, tbEnv (3) of type 2403. */
    std::set<std::pair<int, int>> pairs;
    for (const qxdemo::ValueTable& t : qxdemo::ValueTables())
        for (const qxdemo::ValueRow& r : t.rows)
            for (int f = 1; f <= (t.flds != 0 ? t.flds : t.valueColumns); ++f)
                pairs.insert({r.type, f});
    ASSERT_EQ(pairs.size(), 7u);
    int divisorQueries = 0;
    for (const auto& s : counting.scalars) {
        EXPECT_NE(s.first.find("tbSMDef"), std::string::npos) << s.first;
        EXPECT_EQ(s.second, 1) << s.first;
        divisorQueries += s.second;
    }
    EXPECT_EQ(divisorQueries, 7);

    PointImageSnapshot published = gw->Snapshot();
    EXPECT_EQ(img.PointsOf("tbEnv"), 69);
    EXPECT_EQ(img.tablePoints, published->tablePoints);
    for (int j = 0; j < PointImage::kMeasuredPoints; ++j)
        ASSERT_EQ(img.measured[j], published->measured[j]) << j;
    int envIndex = -1;
    for (const qxdemo::ValueTable& t : qxdemo::ValueTables())
        if (t.name == "tbEnv")
            envIndex = t.baseAddr - PointImage::kMeasuredIoaBase;
    ASSERT_GE(envIndex, 0);
    EXPECT_EQ(img.measured[envIndex + 3 * 23 - 2], Scaled(7, 10)) << "last row's V02";
}

TEST_F(PointRefreshTest, MissingDivisor_EndsEachTableThatNeedsIt)
{
    /* Two tables need the missing pair: both end, each with its message. */
    Data("create table tbEnv2 as select * from tbEnv");
    WriteIni("[Svr.BaseAddr]\ntbEnv=4A00\ntbEnv2=4B00\n");
    Data("delete from tbSMDef where Type=2403 and Fld=3");
    std::string out;
    auto gw = InitGateway(&out);
    const std::string message = "Invalid scalar query, sql:select vfactor from tbSMDef where "
                                "Type=2403 and Fld=3\r\n";
    size_t first = out.find(message);
    ASSERT_NE(first, std::string::npos) << out;
    EXPECT_NE(out.find(message, first + 1), std::string::npos) << out;
    EXPECT_EQ(gw->Snapshot()->PointsOf("tbEnv"), 0);
    EXPECT_EQ(gw->Snapshot()->PointsOf("tbEnv2"), 0);
}

TEST_F(PointRefreshTest, NotANumber_ServedInvalidWithValueZero_NumbersGoodAgainLater)
{
    Data("update tbDio set D01='abc', D02='12abc' where SID=1");
    Data("update tbPower set V01='NaN' where SID=1");
    Data("update tbPower set V02='1e999' where SID=2");
    Data("update tbModbusDat set Val='abc' where SID=49 and Fld='V40015'");
    Data("update tbModbusDat set Val='x' where SID=1 and Fld='V30002'");
    Data("update tbModbusDat set Val='on' where SID=49 and Fld='V44097-3'");
    auto gw = InitGateway();
    PointImageSnapshot img = gw->Snapshot();
    const uint8_t iv = 0x80;
    EXPECT_EQ(img->statusQuality[0], iv);
    EXPECT_EQ(img->statusQuality[1], iv);
    EXPECT_EQ(img->status[0], 0);
    EXPECT_EQ(img->status[1], 0) << "'12abc' is not read as 1";
    EXPECT_EQ(img->statusQuality[2], 0);
    EXPECT_EQ(img->status[2], 1);
    EXPECT_EQ(img->statusQuality[9], iv) << "station state";
    EXPECT_EQ(img->statusQuality[259], iv) << "register bit";
    EXPECT_EQ(img->measuredQuality[1], iv);
    EXPECT_EQ(img->measured[1], 0.0f);
    EXPECT_EQ(img->measuredQuality[2], 0);
    EXPECT_EQ(img->measured[2], Scaled(1234, 1));
    EXPECT_EQ(img->measuredQuality[4], iv) << "'1e999' is stored as Inf";
    EXPECT_EQ(img->measuredQuality[143], iv) << "holding register V40015";
    EXPECT_EQ(img->measuredQuality[144], 0);

    Data("update tbPower set V01=2305 where SID=1");
    Data("update tbDio set D01=1 where SID=1");
    Capture([&] { gw->UpdDat(); });
    img = gw->Snapshot();
    EXPECT_EQ(img->measuredQuality[1], 0);
    EXPECT_EQ(img->measured[1], Scaled(2305, 10));
    EXPECT_EQ(img->statusQuality[0], 0);
    EXPECT_EQ(img->status[0], 1);
}

TEST_F(PointRefreshTest, SourceRecord_NamesEverySourceReplacementAndOutsideRow)
{
    /* tbPower overlaps station 49's registers V40015.. (IOA 0x408F on). */
    WriteIni("[Svr.BaseAddr]\ntbModbusDat=4081\ntbPower=4090\n[Svr.Flds]\ntbPower=2\n");
    Data("insert into tbModbusDat (SID, Fld, Val) values (49, 'V4100000', 5)");
    auto gw = InitGateway();
    PointSourceRecord record;
    Capture([&] { gw->UpdDat(&record); });

    ASSERT_EQ(record.status.size(), static_cast<size_t>(PointImage::kStatusPoints));
    const PointSource& d1 = record.status[0];
    EXPECT_EQ(d1.kind, PointSource::kDeviceInput);
    EXPECT_EQ(d1.sid, 1);
    EXPECT_EQ(d1.number, 1);
    EXPECT_EQ(d1.field, "D01");
    const PointSource& bit = record.status[259];
    EXPECT_EQ(bit.kind, PointSource::kRegisterBit);
    EXPECT_EQ(bit.sid, 49);
    EXPECT_EQ(bit.number, 44097);
    EXPECT_EQ(bit.bit, 3);

    ASSERT_EQ(record.measured.size(), static_cast<size_t>(PointImage::kMeasuredPoints));
    const PointSource& reg = record.measured[0x98]; /* V40024: after tbPower's four */
    EXPECT_EQ(reg.kind, PointSource::kModbusRegister);
    EXPECT_EQ(reg.sid, 49);
    EXPECT_EQ(reg.number, 40024);
    const PointSource& power = record.measured[0x90];
    EXPECT_EQ(power.kind, PointSource::kTableColumn);
    EXPECT_EQ(power.table, "tbPower");
    EXPECT_EQ(power.sid, 1);
    EXPECT_EQ(power.field, "V01");
    EXPECT_EQ(power.divisor, 10);

    /* tbPower's four values replaced registers 40016..40019 of station 49;
     * station states replaced device inputs at 9..11. */
    std::set<long long> replacedMeasured, replacedStatus;
    for (const auto& e : record.replaced)
        (e.measured ? replacedMeasured : replacedStatus).insert(e.index);
    EXPECT_EQ(replacedMeasured, (std::set<long long>{0x90, 0x91, 0x92, 0x93}));
    EXPECT_TRUE(replacedStatus.count(9) && replacedStatus.count(11));

    /* Holding register 100000 lies beyond the measured image. */
    ASSERT_EQ(record.outside.size(), 1u);
    EXPECT_TRUE(record.outside[0].measured);
    EXPECT_EQ(record.outside[0].index, 100000);
    EXPECT_EQ(record.outside[0].source.kind, PointSource::kModbusRegister);
    EXPECT_EQ(record.outside[0].source.field, "V4100000");
}

/* One Build with the register bits read either way: image, sources and
 * messages, and the statements it ran. */
struct BuildResult {
    std::unique_ptr<PointImage> img = std::make_unique<PointImage>();
    PointSourceRecord record;
    std::vector<std::string> errors;
    int queries = 0;
};

BuildResult BuildWith(DbConnection* db, const GatewayConfig& config,
                      const std::vector<std::string>& tables, bool onePass)
{
    BuildResult r;
    CountingDb counting(db);
    PointRefresh refresh(&counting, &config);
    refresh.SetOnePassRegisterBits(onePass);
    refresh.SetSourceRecord(&r.record);
    refresh.SetErrorSink(&r.errors);
    refresh.Build(*r.img, tables);
    r.queries = counting.queries;
    return r;
}

bool SameSource(const PointSource& a, const PointSource& b)
{
    return a.kind == b.kind && a.sid == b.sid && a.number == b.number && a.bit == b.bit &&
           a.divisor == b.divisor && a.table == b.table && a.field == b.field;
}

void ExpectSameEvents(const std::vector<PointSourceRecord::Event>& a,
                      const std::vector<PointSourceRecord::Event>& b, const char* what)
{
    ASSERT_EQ(a.size(), b.size()) << what;
    for (size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i].measured, b[i].measured) << what << " " << i;
        EXPECT_EQ(a[i].index, b[i].index) << what << " " << i;
        EXPECT_TRUE(SameSource(a[i].source, b[i].source)) << what << " " << i;
    }
}

void ExpectSameBuild(const BuildResult& one, const BuildResult& each)
{
    const PointImage& a = *one.img;
    const PointImage& b = *each.img;
    for (int i = 0; i < PointImage::kStatusPoints; ++i) {
        ASSERT_EQ(a.status[i], b.status[i]) << i;
        ASSERT_EQ(a.statusQuality[i], b.statusQuality[i]) << i;
        ASSERT_EQ(a.statusSource[i], b.statusSource[i]) << i;
    }
    EXPECT_EQ(std::memcmp(a.measured, b.measured, sizeof a.measured), 0);
    EXPECT_EQ(std::memcmp(a.measuredQuality, b.measuredQuality, sizeof a.measuredQuality), 0);
    EXPECT_EQ(a.tablePoints, b.tablePoints);
    ASSERT_EQ(one.record.status.size(), each.record.status.size());
    for (size_t i = 0; i < one.record.status.size(); ++i)
        ASSERT_TRUE(SameSource(one.record.status[i], each.record.status[i])) << i;
    ExpectSameEvents(one.record.replaced, each.record.replaced, "replaced");
    ExpectSameEvents(one.record.outside, each.record.outside, "outside");
    EXPECT_EQ(one.errors, each.errors);
}

TEST_F(PointRefreshTest, RegisterBits_OnePass_SameAsStatementPerRegister)
{
    /* Rows the per-register pattern 'V4<n>-%' must tell apart: prefixes of
     * other registers, leading zeros and signs, the case of the V, literal
     * wildcards, duplicates (the later row wins), bits beyond 15 that land
     * in the next register or block, negative bits, bits beyond the image,
     * absent registers, other stations, NULL and text values, NULL and
     * numeric names. */
    const char* rows[][3] = {
        {"49", "'V44097-1'", "1"},    {"49", "'V4409-2'", "1"},      {"49", "'V440970-3'", "1"},
        {"49", "'V404097-4'", "1"},   {"49", "'V4+4097-4'", "1"},    {"49", "'v44097-5'", "1"},
        {"49", "'V44097-5'", "0"},    {"49", "'V44097-17'", "1"},    {"49", "'V44098-1'", "0"},
        {"49", "'V44097-'", "1"},     {"49", "'V44097-x'", "1"},     {"49", "'V4_4097-6'", "1"},
        {"49", "'V4%-7'", "1"},       {"49", "'V44097-%'", "1"},     {"49", "'V44097--3'", "1"},
        {"49", "'V44102-60'", "1"},   {"49", "'V45147-99999'", "1"}, {"49", "'V44099-1'", "1"},
        {"49", "'V44101-2'", "1"},    {"49", "' V44100-2'", "1"},    {"49", "'V44100-2 '", "1"},
        {"49", "'V44100-3'", "NULL"}, {"49", "'V44100-4'", "'abc'"}, {"49", "NULL", "1"},
        {"49", "44097", "1"},         {"50", "'V44097-1'", "1"},     {"50", "'V45147-15'", "1"},
        {"50", "'v45142-0'", "'1'"},  {"51", "'V44097-2'", "1"},     {"NULL", "'V44097-2'", "1"},
        {"49", "'V44123-2'", "1"},    {"49", "'V44123-2'", "0"},     {"50", "'V44143-02'", "1"},
    };
    /* The demo table is keyed (SID, Fld), so the data store scans it in key
     * order and keeps one row per key (a later insert replaces it); a plain copy is scanned in
     * insertion order and keeps the duplicates. */
    for (bool keyed : {true, false}) {
        SCOPED_TRACE(keyed ? "keyed table" : "plain table");
        if (!keyed) {
            Data("create table plain as select * from tbModbusDat");
            Data("drop table tbModbusDat");
            Data("alter table plain rename to tbModbusDat");
        }
        for (const auto& r : rows)
            Data(std::string("insert or replace into tbModbusDat (SID, Fld, Val) values (") + r[0] +
                 ", " + r[1] + ", " + r[2] + ")");
        auto gw = InitGateway();
        SharedConnection shared;
        ASSERT_NE(shared.db, nullptr);

        BuildResult one = BuildWith(shared.db, gw->Config(), gw->ServedTables(), true);
        BuildResult each = BuildWith(shared.db, gw->Config(), gw->ServedTables(), false);
        ExpectSameBuild(one, each);
        EXPECT_TRUE(one.errors.empty());
        /* Two statements for the 2 x 26 registers: the one pass did run. */
        EXPECT_EQ(one.queries, each.queries - 52 + 2);
        /* The data set reaches the cases it names. */
        EXPECT_EQ(one.img->status[256 + 5], keyed ? 1 : 0) << "'V44097-5' over 'v44097-5'";
        EXPECT_EQ(one.img->statusQuality[304 + 4], 0x80) << "'abc' of V44100";
        EXPECT_FALSE(one.record.replaced.empty());
        EXPECT_FALSE(one.record.outside.empty());
        if (!keyed) {
            EXPECT_EQ(one.img->status[336 + 16 * 4 + 2], 0) << "the later duplicate wins";
        }
    }
}

TEST_F(PointRefreshTest, RegisterBits_OnePassFails_BlocksFailAsPerRegister)
{
    /* No "Val" column: the blocks with rows fail, each naming its own
     * register's statement; the blocks without rows still succeed. */
    Data("drop table tbModbusDat");
    Data("create table tbModbusDat (SID integer, Fld text, Value integer)");
    Data("insert into tbModbusDat values (49, 'V44119-1', 1)");
    Data("insert into tbModbusDat values (50, 'V45147-2', 1)");
    std::string out;
    auto gw = InitGateway(&out);
    SharedConnection shared;
    ASSERT_NE(shared.db, nullptr);

    BuildResult one = BuildWith(shared.db, gw->Config(), gw->ServedTables(), true);
    BuildResult each = BuildWith(shared.db, gw->Config(), gw->ServedTables(), false);
    ExpectSameBuild(one, each);
    int bitErrors = 0;
    for (const std::string& e : one.errors)
        bitErrors += e.find("Fld like 'V44119-%'") != std::string::npos ||
                     e.find("Fld like 'V45147-%'") != std::string::npos;
    EXPECT_EQ(bitErrors, 2);
}

} // namespace
