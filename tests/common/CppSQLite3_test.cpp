// SPDX-License-Identifier: Apache-2.0
#include "CppSQLite3.h"

#include "fakes/file_helpers.h"

#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cstring>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace
{

std::string dbPath(const std::string& name)
{
    return qxtest::testPath(name + ".db3");
}

/* Runs f and returns the message it threw ("" when it did not throw). */
std::string thrownMessage(const std::function<void()>& f)
{
    try {
        f();
    } catch (const CppSQLite3Exception& e) {
        return e.errorMessage() ? e.errorMessage() : "(null)";
    }
    return "";
}

/* A fresh database file per test with a small table t(id, name, score, data). */
class CppSQLite3Db : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_path = dbPath(std::string("wrap_") + info->name());
        std::remove(m_path.c_str());
        db.open(m_path.c_str());
        db.execDML("create table t(id integer primary key, name text unique, score real, "
                   "data blob);");
        db.execDML("insert into t values(1, 'one', 1.5, x'00ff');"
                   "insert into t values(2, 'two', null, null);"
                   "insert into t values(3, 'three', -2.25, x'');");
    }

    std::string m_path;
    CppSQLite3DB db;
};

} // namespace

TEST_F(CppSQLite3Db, ExecDmlAndScalar_GiveChangesAndFirstColumn)
{
    EXPECT_EQ(2, db.execDML("update t set score = 9 where id >= 2;"));
    EXPECT_EQ(3, db.execScalar("select count(*) from t;"));
    EXPECT_EQ(-4, db.execScalar("select null;", -4));
    EXPECT_EQ(9, db.execScalar("select score from t where id = 3;"));
    db.execDML("insert into t(name) values('four');");
    EXPECT_EQ(4, db.lastRowId());
}

TEST_F(CppSQLite3Db, ErrorPaths_ThrowDescribedMessages)
{
    EXPECT_EQ("SQLITE_ERROR[1]: near \"selec\": syntax error",
              thrownMessage([&] { db.execDML("selec 1;"); }));
    EXPECT_EQ("SQLITE_ERROR[1]: no such table: nothere",
              thrownMessage([&] { db.execQuery("select * from nothere;"); }));
    EXPECT_EQ("SQLITE_ERROR[1]: no such table: nothere",
              thrownMessage([&] { db.getTable("select * from nothere;"); }));
    EXPECT_EQ("SQLITE_ERROR[1]: no such table: nothere",
              thrownMessage([&] { db.compileStatement("select * from nothere;"); }));
    EXPECT_EQ("CPPSQLITE_ERROR[1000]: Invalid scalar query",
              thrownMessage([&] { db.execScalar("select id from t where id = 99;"); }));
    EXPECT_EQ("SQLITE_CONSTRAINT[19]: UNIQUE constraint failed: t.name",
              thrownMessage([&] { db.execDML("insert into t(name) values('one');"); }));
}

TEST(CppSQLite3DbState, NotOpen_EveryOperationThrowsDatabaseNotOpen)
{
    CppSQLite3DB db;
    const std::function<void()> calls[] = {
        [&] { db.execDML("select 1;"); },
        [&] { db.execQuery("select 1;"); },
        [&] { db.execScalar("select 1;"); },
        [&] { db.getTable("select 1;"); },
        [&] { db.compileStatement("select 1;"); },
        [&] { db.IsAutoCommitOn(); },
        [&] { db.tableExists("t"); },
        [&] { db.BeginTransaction(); },
    };
    for (const auto& call : calls)
        EXPECT_EQ("CPPSQLITE_ERROR[1000]: Database not open", thrownMessage(call));
    EXPECT_EQ(-1, db.saveDatabase(nullptr));
    EXPECT_NO_THROW(db.close());
}

TEST(CppSQLite3DbState, OpenInMissingFolder_ThrowsCantOpen)
{
    CppSQLite3DB db;
    const std::string path = qxtest::testPath("no_such_dir/x.db3");
    EXPECT_EQ("SQLITE_CANTOPEN[14]: unable to open database file",
              thrownMessage([&] { db.open(path.c_str()); }));
    EXPECT_EQ("CPPSQLITE_ERROR[1000]: Database not open",
              thrownMessage([&] { db.execDML("select 1;"); }));
}

TEST_F(CppSQLite3Db, CloseWithOpenStatement_ThrowsAndCanBeRetried)
{
    CppSQLite3Statement stmt = db.compileStatement("select id from t;");
    EXPECT_EQ("CPPSQLITE_ERROR[1000]: Unable to close database",
              thrownMessage([&] { db.close(); }));
    EXPECT_EQ(3, db.execScalar("select count(*) from t;"));
    stmt.finalize();
    EXPECT_NO_THROW(db.close());
    EXPECT_EQ("CPPSQLITE_ERROR[1000]: Database not open",
              thrownMessage([&] { db.execDML("select 1;"); }));
}

TEST_F(CppSQLite3Db, TableExists_QuotesTheNameAsLiteral)
{
    EXPECT_TRUE(db.tableExists("t"));
    EXPECT_FALSE(db.tableExists("missing"));
    EXPECT_FALSE(db.tableExists("x' or '1'='1"));
    db.execDML("create table \"it's\"(a);");
    EXPECT_TRUE(db.tableExists("it's"));
    EXPECT_FALSE(db.tableExists(std::string(300, 'n').c_str()));
}

TEST_F(CppSQLite3Db, Query_ReadsRowsByIndexAndName)
{
    CppSQLite3Query q = db.execQuery("select id, name, score, data from t order by id;");
    ASSERT_FALSE(q.eof());
    EXPECT_EQ(4, q.numFields());
    EXPECT_STREQ("name", q.fieldName(1));
    EXPECT_STREQ("TEXT", q.fieldDeclType(1));
    EXPECT_EQ(SQLITE_INTEGER, q.fieldDataType(0));
    EXPECT_EQ(2, q.fieldIndex("score"));
    EXPECT_EQ(1, q.getIntField("id"));
    EXPECT_STREQ("one", q.getStringField(1));
    EXPECT_DOUBLE_EQ(1.5, q.getFloatField("score"));
    int length = -1;
    const unsigned char* blob = q.getBlobField("data", length);
    ASSERT_EQ(2, length);
    EXPECT_EQ(0x00, blob[0]);
    EXPECT_EQ(0xff, blob[1]);

    q.nextRow();
    ASSERT_FALSE(q.eof());
    EXPECT_TRUE(q.fieldIsNull("score"));
    EXPECT_FALSE(q.fieldIsNull(0));
    EXPECT_DOUBLE_EQ(7.5, q.getFloatField(2, 7.5));
    EXPECT_EQ(-1, q.getIntField(3, -1));
    EXPECT_EQ(-9, q.getInt64Field("score", -9));
    EXPECT_STREQ("null!", q.getStringField("score", "null!"));
    EXPECT_EQ(nullptr, q.fieldValue(2));

    q.nextRow();
    EXPECT_STREQ("three", q.fieldValue("name"));
    q.nextRow();
    EXPECT_TRUE(q.eof());
}

TEST_F(CppSQLite3Db, Query_BadFieldIndexOrName_Throws)
{
    CppSQLite3Query q = db.execQuery("select id, name from t;");
    const std::function<void()> badIndex[] = {
        [&] { q.fieldValue(2); },  [&] { q.fieldValue(-1); },   [&] { q.fieldName(2); },
        [&] { q.getIntField(5); }, [&] { q.fieldDataType(2); }, [&] { q.fieldIsNull(2); },
    };
    for (const auto& call : badIndex)
        EXPECT_EQ("CPPSQLITE_ERROR[1000]: Invalid field index requested", thrownMessage(call));
    const std::function<void()> badName[] = {
        [&] { q.fieldValue("Name"); },
        [&] { q.fieldIndex("nope"); },
        [&] { q.fieldValue(static_cast<const char*>(nullptr)); },
    };
    for (const auto& call : badName)
        EXPECT_EQ("CPPSQLITE_ERROR[1000]: Invalid field name requested", thrownMessage(call));
}

TEST_F(CppSQLite3Db, Query_CopyMovesStatementAndSourceThrows)
{
    CppSQLite3Query source = db.execQuery("select id from t order by id;");
    CppSQLite3Query target(source);
    EXPECT_EQ(1, target.getIntField(0));
    const std::function<void()> calls[] = {
        [&] { source.eof(); },
        [&] { source.nextRow(); },
        [&] { source.numFields(); },
        [&] { source.getIntField(0); },
        [&] { source.fieldIndex("id"); },
    };
    for (const auto& call : calls)
        EXPECT_EQ("CPPSQLITE_ERROR[1000]: Null Virtual Machine pointer", thrownMessage(call));

    CppSQLite3Query assigned = db.execQuery("select name from t order by id;");
    assigned = target;
    assigned.nextRow();
    EXPECT_EQ(2, assigned.getIntField(0));
    EXPECT_EQ("CPPSQLITE_ERROR[1000]: Null Virtual Machine pointer",
              thrownMessage([&] { target.eof(); }));
}

TEST_F(CppSQLite3Db, Query_StepErrorOnLaterRow_ThrowsAndDropsStatement)
{
    db.execDML("create table big(v integer); insert into big values(1);"
               "insert into big values(-9223372036854775808);");
    CppSQLite3Query q = db.execQuery("select abs(v) from big order by rowid;");
    EXPECT_EQ(1, q.getIntField(0));
    EXPECT_EQ("SQLITE_ERROR[1]: integer overflow", thrownMessage([&] { q.nextRow(); }));
    EXPECT_EQ("CPPSQLITE_ERROR[1000]: Null Virtual Machine pointer",
              thrownMessage([&] { q.eof(); }));
    EXPECT_NO_THROW(db.close());
}

TEST_F(CppSQLite3Db, BorrowedQuery_StepErrorLeavesStatementReusable)
{
    db.execDML("create table big(v integer); insert into big values(1);"
               "insert into big values(-9223372036854775808);");
    CppSQLite3Statement stmt = db.compileStatement("select abs(v) from big where rowid <= ?;");
    stmt.bind(1, 2);
    {
        CppSQLite3Query q = stmt.execQuery();
        EXPECT_EQ("SQLITE_ERROR[1]: integer overflow", thrownMessage([&] { q.nextRow(); }));
    }
    stmt.reset();
    stmt.bind(1, 1);
    CppSQLite3Query again = stmt.execQuery();
    ASSERT_FALSE(again.eof());
    EXPECT_EQ(1, again.getIntField(0));
}

TEST_F(CppSQLite3Db, Statement_BindsEveryTypeAndRuns)
{
    CppSQLite3Statement ins = db.compileStatement("insert into t values(?, ?, ?, ?);");
    const unsigned char bytes[] = {0, 1, 39, 255};
    ins.bind(1, 10);
    ins.bind(2, "ten");
    ins.bind(3, 0.125);
    ins.bind(4, bytes, 4);
    EXPECT_EQ(1, ins.execDML());
    ins.bind(1, 11);
    ins.bind(2, "eleven");
    ins.bindNull(3);
    ins.bindNull(4);
    EXPECT_EQ(1, ins.execDML());

    CppSQLite3Statement named =
        db.compileStatement("select name, score from t where id = :id or name = @name;");
    named.bind(":id", 10);
    named.bind("@name", "eleven");
    CppSQLite3Query q = named.execQuery();
    EXPECT_STREQ("ten", q.getStringField(0));
    EXPECT_DOUBLE_EQ(0.125, q.getFloatField(1));
    q.nextRow();
    EXPECT_STREQ("eleven", q.getStringField(0));
    EXPECT_TRUE(q.fieldIsNull(1));
    q.nextRow();
    EXPECT_TRUE(q.eof());

    CppSQLite3Query blob = db.execQuery("select data from t where id = 10;");
    int length = 0;
    const unsigned char* data = blob.getBlobField(0, length);
    ASSERT_EQ(4, length);
    EXPECT_EQ(0, std::memcmp(bytes, data, 4));
}

TEST_F(CppSQLite3Db, Statement_BindErrors_ThrowPerTypeMessage)
{
    CppSQLite3Statement stmt = db.compileStatement("select ?;");
    const unsigned char b = 1;
    const std::pair<std::function<void()>, const char*> cases[] = {
        {[&] { stmt.bind(2, "x"); }, "SQLITE_RANGE[25]: Error binding string param"},
        {[&] { stmt.bind(2, 1); }, "SQLITE_RANGE[25]: Error binding int param"},
        {[&] { stmt.bind(2, 1.0); }, "SQLITE_RANGE[25]: Error binding double param"},
        {[&] { stmt.bind(2, &b, 1); }, "SQLITE_RANGE[25]: Error binding blob param"},
        {[&] { stmt.bindNull(2); }, "SQLITE_RANGE[25]: Error binding NULL param"},
        {[&] { stmt.bind(":nope", 1); },
         "CPPSQLITE_ERROR[1000]: Parameter ':nope' is not valid for this statement"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.second, thrownMessage(c.first));
    const std::string longName = ":" + std::string(400, 'p');
    EXPECT_EQ("CPPSQLITE_ERROR[1000]: Parameter '" + longName + "' is not valid for this statement",
              thrownMessage([&] { stmt.bindNull(longName.c_str()); }));
}

TEST_F(CppSQLite3Db, Statement_ConstraintError_ThrowsAndStatementStaysUsable)
{
    CppSQLite3Statement ins = db.compileStatement("insert into t(name) values(?);");
    ins.bind(1, "one");
    EXPECT_EQ("SQLITE_CONSTRAINT[19]: UNIQUE constraint failed: t.name",
              thrownMessage([&] { ins.execDML(); }));
    ins.bind(1, "fresh");
    EXPECT_EQ(1, ins.execDML());
    EXPECT_EQ(4, db.execScalar("select count(*) from t;"));
}

TEST_F(CppSQLite3Db, Statement_CopyMovesStatementAndSourceThrows)
{
    CppSQLite3Statement source = db.compileStatement("delete from t where id = 1;");
    CppSQLite3Statement target(source);
    EXPECT_EQ("CPPSQLITE_ERROR[1000]: Null Virtual Machine pointer",
              thrownMessage([&] { source.execDML(); }));
    EXPECT_EQ("CPPSQLITE_ERROR[1000]: Null Virtual Machine pointer",
              thrownMessage([&] { source.bind(1, 1); }));
    CppSQLite3Statement assigned = db.compileStatement("select 1;");
    assigned = target;
    EXPECT_EQ(1, assigned.execDML());
    EXPECT_EQ("CPPSQLITE_ERROR[1000]: Null Virtual Machine pointer",
              thrownMessage([&] { target.execQuery(); }));
    CppSQLite3Statement empty;
    EXPECT_EQ("CPPSQLITE_ERROR[1000]: Database not open", thrownMessage([&] { empty.execDML(); }));
}

TEST_F(CppSQLite3Db, Table_ReadsRowsAndRejectsBadRowsAndFields)
{
    CppSQLite3Table table = db.getTable("select id, name, score from t order by id;");
    EXPECT_EQ(3, table.numRows());
    EXPECT_EQ(3, table.numFields());
    EXPECT_STREQ("score", table.fieldName(2));
    EXPECT_EQ(1, table.getIntField("id"));
    table.setRow(1);
    EXPECT_STREQ("two", table.fieldValue(1));
    EXPECT_TRUE(table.fieldIsNull("score"));
    EXPECT_DOUBLE_EQ(3.5, table.getFloatField(2, 3.5));
    EXPECT_STREQ("-", table.getStringField("score", "-"));
    table.setRow(2);
    EXPECT_DOUBLE_EQ(-2.25, table.getFloatField("score"));

    const std::pair<std::function<void()>, const char*> cases[] = {
        {[&] { table.setRow(3); }, "CPPSQLITE_ERROR[1000]: Invalid row index requested"},
        {[&] { table.setRow(-1); }, "CPPSQLITE_ERROR[1000]: Invalid row index requested"},
        {[&] { table.fieldValue(3); }, "CPPSQLITE_ERROR[1000]: Invalid field index requested"},
        {[&] { table.fieldName(-1); }, "CPPSQLITE_ERROR[1000]: Invalid field index requested"},
        {[&] { table.fieldValue("Name"); }, "CPPSQLITE_ERROR[1000]: Invalid field name requested"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.second, thrownMessage(c.first));

    CppSQLite3Table none = db.getTable("select id from t where id > 100;");
    EXPECT_EQ(0, none.numRows());
    EXPECT_EQ("CPPSQLITE_ERROR[1000]: Invalid field index requested",
              thrownMessage([&] { none.fieldValue(0); }));
}

TEST_F(CppSQLite3Db, Table_WithoutRows_HasNoCurrentRow)
{
    char** results = nullptr;
    int rows = 0;
    int cols = 0;
    sqlite3* raw = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(m_path.c_str(), &raw));
    ASSERT_EQ(SQLITE_OK,
              sqlite3_get_table(raw, "select id from t;", &results, &rows, &cols, nullptr));
    sqlite3_close(raw);
    CppSQLite3Table headerOnly(results, 0, cols);
    EXPECT_STREQ("id", headerOnly.fieldName(0));
    EXPECT_EQ("CPPSQLITE_ERROR[1000]: Invalid row index requested",
              thrownMessage([&] { headerOnly.fieldValue(0); }));
}

TEST_F(CppSQLite3Db, Table_CopyMovesResultsAndSourceThrows)
{
    CppSQLite3Table source = db.getTable("select name from t order by id;");
    CppSQLite3Table target(source);
    EXPECT_STREQ("one", target.fieldValue(0));
    EXPECT_EQ("CPPSQLITE_ERROR[1000]: Null Results pointer",
              thrownMessage([&] { source.numRows(); }));
    CppSQLite3Table assigned = db.getTable("select 1;");
    assigned = target;
    EXPECT_EQ(3, assigned.numRows());
    EXPECT_EQ("CPPSQLITE_ERROR[1000]: Null Results pointer",
              thrownMessage([&] { target.fieldValue(0); }));
}

TEST_F(CppSQLite3Db, Transactions_CommitRollbackAndNamesOfAnyLength)
{
    EXPECT_TRUE(db.IsAutoCommitOn());
    db.BeginTransaction();
    EXPECT_FALSE(db.IsAutoCommitOn());
    db.execDML("delete from t;");
    db.RollbackTransaction();
    EXPECT_TRUE(db.IsAutoCommitOn());
    EXPECT_EQ(3, db.execScalar("select count(*) from t;"));

    const std::string longName(500, 'n');
    db.BeginTransaction(longName.c_str());
    db.execDML("delete from t where id = 1;");
    db.CommitTransaction(longName.c_str());
    EXPECT_EQ(2, db.execScalar("select count(*) from t;"));

    db.BeginTransaction("x\"; drop table t; --");
    db.RollbackTransaction("x");
    EXPECT_TRUE(db.tableExists("t"));

    db.BeginTransaction();
    db.execDML("delete from t where id = 2;");
    db.EndTransaction();
    EXPECT_TRUE(db.IsAutoCommitOn());
    EXPECT_EQ(1, db.execScalar("select count(*) from t;"));
}

TEST_F(CppSQLite3Db, BusyTimeout_WaitsThenThrowsBusy)
{
    CppSQLite3DB other;
    other.open(m_path.c_str());
    other.setBusyTimeout(200);
    db.execDML("begin immediate;");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ("SQLITE_BUSY[5]: database is locked",
              thrownMessage([&] { other.execDML("insert into t(name) values('x');"); }));
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(150));
    db.execDML("commit;");
    EXPECT_EQ(1, other.execDML("insert into t(name) values('x');"));
}

TEST_F(CppSQLite3Db, SaveAndLoadDatabase_CopyWholeContent)
{
    const std::string copyPath = dbPath("wrap_backup_copy");
    std::remove(copyPath.c_str());
    EXPECT_EQ(SQLITE_OK, db.saveDatabase(copyPath.c_str()));

    CppSQLite3DB copy;
    copy.open(copyPath.c_str());
    EXPECT_EQ(3, copy.execScalar("select count(*) from t;"));

    CppSQLite3DB memory;
    memory.open(":memory:");
    memory.execDML("create table old(x);");
    EXPECT_EQ(SQLITE_OK, memory.loadDatabase(copyPath.c_str()));
    EXPECT_FALSE(memory.tableExists("old"));
    EXPECT_EQ(6, memory.execScalar("select sum(id) from t;"));

    EXPECT_EQ(-1, memory.loadDatabase(nullptr));
    const std::string badPath = qxtest::testPath("no_such_dir/x.db3");
    EXPECT_EQ(SQLITE_CANTOPEN, db.saveDatabase(badPath.c_str()));
}

TEST(CppSQLite3Buffer, Format_UsesSqlitePrintfAndReplacesText)
{
    CppSQLite3Buffer buffer;
    EXPECT_EQ(nullptr, static_cast<const char*>(buffer));
    EXPECT_STREQ("name='it''s' n=3", buffer.format("name=%Q n=%d", "it's", 3));
    EXPECT_STREQ("[name='it''s' n=3]", buffer.format("[%s]", static_cast<const char*>(buffer)));
    buffer.clear();
    EXPECT_EQ(nullptr, static_cast<const char*>(buffer));
}

TEST(SqliteBinaryCoding, HandWrittenEncodings)
{
    struct Case {
        std::vector<unsigned char> in;
        std::vector<unsigned char> out;
    };
    const Case cases[] = {
        {{}, {'x'}},
        {{0x05}, {0x01, 0x04}},
        {{0x00}, {0x01, 0xff}},
        {{0x01}, {0x02, 0xff}},
        {{0x01, 0x02, 0x28}, {0x03, 0xfe, 0xff, 0x25}},
    };
    for (const Case& c : cases) {
        unsigned char out[16] = {0xAA};
        const int n = sqlite3_encode_binary(c.in.data(), static_cast<int>(c.in.size()), out);
        ASSERT_EQ(static_cast<int>(c.out.size()), n);
        EXPECT_EQ(c.out, std::vector<unsigned char>(out, out + n));
        EXPECT_EQ(0, out[n]);
    }

    std::vector<unsigned char> all(256);
    for (int i = 0; i < 256; ++i)
        all[i] = static_cast<unsigned char>(i);
    std::vector<unsigned char> out(300);
    /* Every value once: each offset needs 3 escapes, so the first (1) wins. */
    ASSERT_EQ(260, sqlite3_encode_binary(all.data(), 256, out.data()));
    const std::vector<unsigned char> head = {0x01, 0xff, 0x01, 0x01, 0x01, 0x02, 0x02, 0x03};
    EXPECT_EQ(head, std::vector<unsigned char>(out.begin(), out.begin() + 8));
    /* 40 - 1 is the apostrophe: escaped as 0x01 0x03 at its place. */
    EXPECT_EQ(0x26, out[42]);
    EXPECT_EQ(0x01, out[43]);
    EXPECT_EQ(0x03, out[44]);
    EXPECT_EQ(0x28, out[45]);
}

TEST(SqliteBinaryCoding, HandWrittenDecodings)
{
    struct Case {
        std::vector<unsigned char> in;
        int length;
        std::vector<unsigned char> out;
    };
    const Case cases[] = {
        {{'x', 0}, 0, {}},
        {{0x05, 0x01, 0x01, 0x01, 0x02, 0x01, 0x03, 0x10, 0}, 4, {0x05, 0x06, 0x2c, 0x15}},
        {{0xf0, 0x20, 0}, 1, {0x10}},
        {{0x05, 0x01, 0x04, 0}, -1, {}},
        {{0x05, 0x01, 0}, -1, {}},
        {{0}, -1, {}},
    };
    for (const Case& c : cases) {
        unsigned char out[16];
        const int n = sqlite3_decode_binary(c.in.data(), out);
        ASSERT_EQ(c.length, n);
        if (n >= 0) {
            EXPECT_EQ(c.out, std::vector<unsigned char>(out, out + n));
        }
    }
}

TEST(SqliteBinaryCoding, RandomData_RoundTripsWithoutZeroOrApostrophe)
{
    std::mt19937 random(60870);
    for (int round = 0; round < 400; ++round) {
        const int n = round < 300 ? round : static_cast<int>(random() % 5000);
        std::vector<unsigned char> in(static_cast<size_t>(n));
        /* Some rounds favour the escaped values to force escapes. */
        for (auto& b : in)
            b = static_cast<unsigned char>(round % 3 == 0 ? random() % 4 : random());
        std::vector<unsigned char> enc(static_cast<size_t>(n) * 257 / 254 + 3, 0xAA);
        const int encLen = sqlite3_encode_binary(in.data(), n, enc.data());
        ASSERT_GE(encLen, 1);
        ASSERT_LT(encLen, static_cast<int>(enc.size()));
        for (int i = 0; i < encLen; ++i) {
            ASSERT_NE(0, enc[i]) << "round " << round;
            ASSERT_NE('\'', enc[i]) << "round " << round;
        }
        ASSERT_EQ(0, enc[encLen]);
        /* Decoding in place must not run ahead of its input. */
        ASSERT_EQ(n, sqlite3_decode_binary(enc.data(), enc.data()));
        ASSERT_EQ(in, std::vector<unsigned char>(enc.begin(), enc.begin() + n));
    }
}

TEST(CppSQLite3Binary, SetGetEncodedAndBinary_RoundTrip)
{
    CppSQLite3Binary binary;
    std::vector<unsigned char> bytes(254);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<unsigned char>(i * 7);
    binary.setBinary(bytes.data(), 254);
    EXPECT_EQ(260, binary.getBufferLength());
    const std::string encoded(reinterpret_cast<const char*>(binary.getEncoded()));
    EXPECT_EQ(std::string::npos, encoded.find('\''));

    CppSQLite3Binary other;
    other.setEncoded(reinterpret_cast<const unsigned char*>(encoded.c_str()));
    ASSERT_EQ(254, other.getBinaryLength());
    EXPECT_EQ(bytes, std::vector<unsigned char>(other.getBinary(), other.getBinary() + 254));
    EXPECT_EQ(encoded, reinterpret_cast<const char*>(other.getEncoded()));
    other.clear();
    EXPECT_EQ(0, other.getBufferLength());
    EXPECT_STREQ("x", reinterpret_cast<const char*>(other.getEncoded()));
}

TEST(CppSQLite3Binary, InvalidEncoding_ThrowsAndKeepsText)
{
    CppSQLite3Binary binary;
    const unsigned char bad[] = {0x05, 0x41, 0x01, 0x04, 0};
    binary.setEncoded(bad);
    EXPECT_EQ("CPPSQLITE_ERROR[1000]: Cannot decode binary",
              thrownMessage([&] { binary.getBinary(); }));
    EXPECT_STREQ(reinterpret_cast<const char*>(bad),
                 reinterpret_cast<const char*>(binary.getEncoded()));
}

TEST_F(CppSQLite3Db, Binary_StoredAsSqlTextAndReadBack)
{
    std::vector<unsigned char> bytes = {0, 1, 39, 39, 0, 255, 128, 1};
    CppSQLite3Binary binary;
    binary.setBinary(bytes.data(), static_cast<int>(bytes.size()));
    CppSQLite3Buffer sql;
    sql.format("insert into t(id, name) values(50, '%s');", binary.getEncoded());
    EXPECT_EQ(1, db.execDML(sql));
    CppSQLite3Query q = db.execQuery("select name from t where id = 50;");
    CppSQLite3Binary back;
    back.setEncoded(reinterpret_cast<const unsigned char*>(q.getStringField(0)));
    ASSERT_EQ(static_cast<int>(bytes.size()), back.getBinaryLength());
    EXPECT_EQ(bytes, std::vector<unsigned char>(back.getBinary(), back.getBinary() + bytes.size()));
}

TEST(CppSQLite3Binary, LengthBeyondIntEncoding_ThrowsCannotAllocate)
{
    CppSQLite3Binary binary;
    const unsigned char byte = 0;
    EXPECT_EQ("CPPSQLITE_ERROR[1000]: Cannot allocate memory",
              thrownMessage([&] { binary.setBinary(&byte, INT_MAX); }));
    EXPECT_EQ(0, binary.getBufferLength());
    EXPECT_EQ(0, binary.getBinaryLength());
}
