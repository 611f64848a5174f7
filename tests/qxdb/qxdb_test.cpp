// SPDX-License-Identifier: Apache-2.0
/*
 * Tests of libqxdb.so through dlopen, as the gateway uses it: opening,
 * cursors, errors thrown across the library boundary, the statement cache,
 * change detection (data_version and the commit stamp), read transactions
 * and the busy time-out. Databases are written under the test's
 * scratch folder.
 */
#include <dlfcn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "CppSQLite3.h"
#include "fakes/file_helpers.h"
#include "qxdb.h"

namespace
{

/* Runs body and returns the CppSQLite3Exception it throws (by reference). A
 * throw of another type, or none, fails the test. */
template <typename F> CppSQLite3Exception expectDbError(F body)
{
    try {
        body();
    } catch (CppSQLite3Exception& e) {
        return e;
    } catch (...) {
        ADD_FAILURE() << "an exception of another type escaped";
        return CppSQLite3Exception(-1, "wrong type");
    }
    ADD_FAILURE() << "nothing thrown";
    return CppSQLite3Exception(-1, "nothing thrown");
}

class QxDbTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        m_dir = qxtest::freshTestDir();
        ASSERT_FALSE(m_dir.empty());
        m_file = m_dir + "/data.db3";
        CppSQLite3DB db;
        db.open(m_file.c_str());
        db.execDML("create table t (id integer primary key, name text, val integer);"
                   "insert into t values (1, 'one', 10);"
                   "insert into t values (2, 'two', 20);"
                   "insert into t values (3, null, null);");

        m_lib = dlopen(QXDB_LIB_PATH, RTLD_NOW);
        ASSERT_NE(m_lib, nullptr) << dlerror();
        m_get = reinterpret_cast<GetDbManagerFn>(dlsym(m_lib, "GetDbManager"));
        m_free = reinterpret_cast<FreeDbManagerFn>(dlsym(m_lib, "FreeDbManager"));
        ASSERT_NE(m_get, nullptr);
        ASSERT_NE(m_free, nullptr);
        m_mgr = m_get();
        ASSERT_NE(m_mgr, nullptr);
        m_db = m_mgr->OpenDb(m_file.c_str(), 0);
        ASSERT_NE(m_db, nullptr);
    }

    void TearDown() override
    {
        if (m_free != nullptr)
            m_free();
        if (m_lib != nullptr)
            dlclose(m_lib);
    }

    /* All values of one integer column of a query, walking the cursor. */
    std::vector<int> column(int cursor, const char* name)
    {
        std::vector<int> out;
        for (; !m_db->Eof(cursor); m_db->NextRow(cursor))
            out.push_back(m_db->GetIntField(cursor, name));
        return out;
    }

    std::string m_dir;
    std::string m_file;
    void* m_lib = nullptr;
    GetDbManagerFn m_get = nullptr;
    FreeDbManagerFn m_free = nullptr;
    DbManager* m_mgr = nullptr;
    DbConnection* m_db = nullptr;
};

/* ------------------------------------------------------------ opening */

TEST_F(QxDbTest, GetDbManager_CalledTwice_ReturnsSameManagerUntilFreed)
{
    EXPECT_EQ(m_get(), m_mgr);
    EXPECT_EQ(m_mgr->OpenDb(m_file.c_str(), 0), m_db);
    EXPECT_EQ(m_mgr->OpenDb((m_dir + "/./data.db3").c_str(), 0), m_db)
        << "one file under another name is the same connection";
    m_free();
    DbManager* fresh = m_get();
    ASSERT_NE(fresh, nullptr);
    DbConnection* again = fresh->OpenDb(m_file.c_str(), 0);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->ExecScalar("select count(*) from t"), 3);
}

TEST_F(QxDbTest, OpenDb_MissingFile_NullUnlessCreateFlag)
{
    const std::string missing = m_dir + "/missing.db3";
    EXPECT_EQ(m_mgr->OpenDb(missing.c_str(), 0), nullptr);
    EXPECT_NE(access(missing.c_str(), F_OK), 0) << "a failed open must not create the file";
    DbConnection* created = m_mgr->OpenDb(missing.c_str(), QXDB_OPEN_CREATE);
    ASSERT_NE(created, nullptr);
    EXPECT_TRUE(created->IsReady(0, 0));
    EXPECT_EQ(m_mgr->OpenDb(nullptr, QXDB_OPEN_CREATE), nullptr);
}

TEST_F(QxDbTest, IsReady_FileIsNotADatabase_False)
{
    const std::string junk = m_dir + "/junk.db3";
    std::ofstream(junk) << std::string(4096, 'x');
    DbConnection* db = m_mgr->OpenDb(junk.c_str(), 0);
    ASSERT_NE(db, nullptr); /* SQLite reads the header lazily */
    EXPECT_FALSE(db->IsReady(0, 0));
    EXPECT_TRUE(m_db->IsReady(0, 0));
}

/* ------------------------------------------------------------ cursors */

TEST_F(QxDbTest, Query_WalksRowsWithNamedAndIndexedFields)
{
    int c = m_db->Query("select id, name, val from t order by id", -1);
    ASSERT_GT(c, 0);
    EXPECT_EQ(m_db->NumFields(c), 3);
    ASSERT_FALSE(m_db->Eof(c));
    EXPECT_EQ(m_db->GetIntField(c, 0), 1);
    EXPECT_STREQ(m_db->GetStringField(c, "name"), "one");
    EXPECT_EQ(m_db->GetIntField(c, "val"), 10);
    m_db->NextRow(c);
    EXPECT_EQ(m_db->GetIntField(c, 2), 20);
    m_db->NextRow(c);
    EXPECT_STREQ(m_db->GetStringField(c, "name"), "") << "NULL text reads as empty";
    EXPECT_EQ(m_db->GetIntField(c, "val"), 0) << "NULL integer reads as 0";
    m_db->NextRow(c);
    EXPECT_TRUE(m_db->Eof(c));
    m_db->Finalize(c);
    EXPECT_EQ(m_db->OpenCursors(), 0);
}

TEST_F(QxDbTest, Query_EmptyResult_EofAtOnce)
{
    int c = m_db->Query("select * from t where id > 99", -1);
    EXPECT_TRUE(m_db->Eof(c));
    m_db->Finalize(c);
}

TEST_F(QxDbTest, Query_WithLength_UsesOnlyThatManyBytes)
{
    const char* text = "select 5 + 12";
    int c = m_db->Query(text, 8); /* "select 5" */
    EXPECT_EQ(m_db->GetIntField(c, 0), 5);
    m_db->Finalize(c);
}

TEST_F(QxDbTest, Cursors_TwoOpenAtOnce_AreIndependent)
{
    int a = m_db->Query("select id from t order by id", -1);
    int b = m_db->Query("select id from t order by id desc", -1);
    EXPECT_NE(a, b);
    EXPECT_EQ(m_db->GetIntField(a, 0), 1);
    EXPECT_EQ(m_db->GetIntField(b, 0), 3);
    m_db->NextRow(b);
    EXPECT_EQ(m_db->GetIntField(a, 0), 1) << "moving b must not move a";
    EXPECT_EQ(m_db->GetIntField(b, 0), 2);
    m_db->Finalize(a);
    EXPECT_EQ(m_db->GetIntField(b, 0), 2) << "releasing a must not touch b";
    m_db->Finalize(b);
}

TEST_F(QxDbTest, Cursors_SameSqlOpenTwice_EachWalksAllRows)
{
    const char* sql = "select id from t order by id";
    int a = m_db->Query(sql, -1);
    m_db->NextRow(a);
    int b = m_db->Query(sql, -1);
    EXPECT_EQ(column(b, "id"), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(column(a, "id"), (std::vector<int>{2, 3}));
    m_db->Finalize(a);
    m_db->Finalize(b);
}

TEST_F(QxDbTest, NextRow_AtEnd_StaysAtEndInsteadOfRestarting)
{
    int c = m_db->Query("select id from t where id = 1", -1);
    m_db->NextRow(c);
    ASSERT_TRUE(m_db->Eof(c));
    m_db->NextRow(c);
    EXPECT_TRUE(m_db->Eof(c));
    m_db->Finalize(c);
}

TEST_F(QxDbTest, CursorHandle_UnknownOrReleased_ThrowsForEveryOperation)
{
    int c = m_db->Query("select id from t", -1);
    m_db->Finalize(c);
    for (int handle : {c, 0, -1, 424242}) {
        SCOPED_TRACE(handle);
        const char* msg = "CPPSQLITE_ERROR[1000]: Invalid cursor handle";
        EXPECT_STREQ(expectDbError([&] { m_db->Eof(handle); }).errorMessage(), msg);
        EXPECT_STREQ(expectDbError([&] { m_db->NextRow(handle); }).errorMessage(), msg);
        EXPECT_STREQ(expectDbError([&] { m_db->Finalize(handle); }).errorMessage(), msg);
        EXPECT_STREQ(expectDbError([&] { m_db->NumFields(handle); }).errorMessage(), msg);
        EXPECT_STREQ(expectDbError([&] { m_db->GetIntField(handle, 0); }).errorMessage(), msg);
        EXPECT_STREQ(expectDbError([&] { m_db->GetIntField(handle, "id"); }).errorMessage(), msg);
        EXPECT_STREQ(expectDbError([&] { m_db->GetStringField(handle, "id"); }).errorMessage(),
                     msg);
    }
}

TEST_F(QxDbTest, FieldAccess_BadColumnOrNoRow_ThrowsWithWrapperMessage)
{
    int c = m_db->Query("select id from t where id = 1", -1);
    auto e = expectDbError([&] { m_db->GetIntField(c, 1); });
    EXPECT_EQ(e.errorCode(), CPPSQLITE_ERROR);
    EXPECT_STREQ(e.errorMessage(), "CPPSQLITE_ERROR[1000]: Invalid field index requested");
    e = expectDbError([&] { m_db->GetIntField(c, "ID2"); });
    EXPECT_STREQ(e.errorMessage(), "CPPSQLITE_ERROR[1000]: Invalid field name requested");
    m_db->NextRow(c);
    e = expectDbError([&] { m_db->GetIntField(c, 0); });
    EXPECT_STREQ(e.errorMessage(), "CPPSQLITE_ERROR[1000]: No current row");
    m_db->Finalize(c);
}

TEST_F(QxDbTest, IsNumericField_FollowsNumericAffinity_FieldValueUnchanged)
{
    /* Column n has no affinity, so every text stays text; v is an integer
     * column, where SQLite turns '1e999' into an infinite REAL on insert. */
    m_db->ExecDML("create table num (id integer primary key, n, v integer);"
                  "insert into num values (1, 42, '1e999');"
                  "insert into num values (2, '42', 7);"
                  "insert into num values (3, ' 4.5 ', 'abc');"
                  "insert into num values (4, '1e3', '12abc');"
                  "insert into num values (5, 'NaN', null);"
                  "insert into num values (6, '0x10', 2.5);"
                  "insert into num values (7, x'3432', '');"
                  "insert into num values (8, '1e999', -3);");
    const bool nNumeric[] = {true, true, true, true, false, false, false, false};
    const bool vNumeric[] = {false, true, false, false, true, true, false, true};
    int c = m_db->Query("select n, v from num order by id", -1);
    for (int row = 0; row < 8; ++row, m_db->NextRow(c)) {
        ASSERT_FALSE(m_db->Eof(c));
        EXPECT_EQ(nNumeric[row], m_db->IsNumericField(c, 0)) << "n of row " << row + 1;
        EXPECT_EQ(vNumeric[row], m_db->IsNumericField(c, "v")) << "v of row " << row + 1;
    }
    m_db->Finalize(c);
    /* The test leaves the row's own text as it was. */
    c = m_db->Query("select n from num where id = 2", -1);
    EXPECT_TRUE(m_db->IsNumericField(c, "n"));
    EXPECT_STREQ("42", m_db->GetStringField(c, "n"));
    EXPECT_EQ(42, m_db->GetIntField(c, 0));
    EXPECT_STREQ("n", m_db->FieldName(c, 0));
    auto e = expectDbError([&] { m_db->IsNumericField(c, 2); });
    EXPECT_STREQ(e.errorMessage(), "CPPSQLITE_ERROR[1000]: Invalid field index requested");
    m_db->Finalize(c);
}

/* ------------------------------------------------------------ statements */

TEST_F(QxDbTest, Errors_FromSqlite_CarryCodeAndMessageAcrossTheLibrary)
{
    auto e = expectDbError([&] { m_db->Query("select * from nope", -1); });
    EXPECT_EQ(e.errorCode(), SQLITE_ERROR);
    EXPECT_STREQ(e.errorMessage(), "SQLITE_ERROR[1]: no such table: nope");
    EXPECT_EQ(m_db->OpenCursors(), 0) << "a failed query leaves no cursor";

    e = expectDbError([&] { m_db->ExecDML("insert into t values (1, 'dup', 0)"); });
    EXPECT_EQ(e.errorCode(), SQLITE_CONSTRAINT);

    e = expectDbError([&] { m_db->ExecScalar("select val from t where id = 99"); });
    EXPECT_STREQ(e.errorMessage(), "CPPSQLITE_ERROR[1000]: Invalid scalar query");

    e = expectDbError([&] { m_db->ExecScalar(nullptr); });
    EXPECT_EQ(e.errorCode(), CPPSQLITE_ERROR);
}

TEST_F(QxDbTest, ExecDmlAndScalar_ChangeAndReadData)
{
    EXPECT_EQ(m_db->ExecDML("update t set val = val + 1 where id < 3"), 2);
    EXPECT_EQ(m_db->ExecScalar("select sum(val) from t"), 32);
    EXPECT_EQ(m_db->ExecScalar("select val from t where id = 3"), 0) << "NULL gives 0";
    EXPECT_TRUE(m_db->TableExists("t"));
    EXPECT_FALSE(m_db->TableExists("t2"));
    EXPECT_FALSE(m_db->TableExists("x' or '1'='1")) << "the name is a literal, not SQL";
}

TEST_F(QxDbTest, StatementCache_RepeatedText_PreparedOnceAndSeesNewData)
{
    const char* sql = "select val from t where id = 1";
    const int before = m_db->CachedStatements();
    EXPECT_EQ(m_db->ExecScalar(sql), 10);
    EXPECT_EQ(m_db->CachedStatements(), before + 1);
    m_db->ExecDML("update t set val = 77 where id = 1");
    EXPECT_EQ(m_db->ExecScalar(sql), 77) << "a reused statement reads current data";
    int c = m_db->Query(sql, -1);
    EXPECT_EQ(m_db->GetIntField(c, 0), 77);
    m_db->Finalize(c);
    EXPECT_EQ(m_db->CachedStatements(), before + 1) << "same text, no new statement";
}

TEST_F(QxDbTest, StatementCache_SchemaChanged_ReusedStatementStillWorks)
{
    const char* sql = "select count(*) from t";
    EXPECT_EQ(m_db->ExecScalar(sql), 3);
    m_db->ExecDML("drop table t; create table t (x integer); insert into t values (5)");
    EXPECT_EQ(m_db->ExecScalar(sql), 1);
}

TEST_F(QxDbTest, StatementCache_ManyTexts_StaysBounded)
{
    for (int i = 0; i < 700; ++i)
        EXPECT_EQ(m_db->ExecScalar(("select " + std::to_string(i)).c_str()), i);
    EXPECT_LE(m_db->CachedStatements(), 512);
    EXPECT_GT(m_db->CachedStatements(), 0);
}

TEST_F(QxDbTest, StatementCache_Off_KeepsNothingAndStillAnswers)
{
    m_db->ExecScalar("select 1");
    m_db->SetStatementCache(false);
    EXPECT_EQ(m_db->CachedStatements(), 0);
    EXPECT_EQ(m_db->ExecScalar("select 2"), 2);
    int c = m_db->Query("select id from t order by id", -1);
    EXPECT_EQ(column(c, "id"), (std::vector<int>{1, 2, 3}));
    m_db->Finalize(c);
    EXPECT_EQ(m_db->CachedStatements(), 0);

    const std::string other = m_dir + "/other.db3";
    DbConnection* plain = m_mgr->OpenDb(other.c_str(), QXDB_OPEN_CREATE | QXDB_OPEN_NO_STMT_CACHE);
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(plain->ExecScalar("select 3"), 3);
    EXPECT_EQ(plain->CachedStatements(), 0);
}

TEST_F(QxDbTest, StatementCache_TurnedOffWhileCursorOpen_CursorStillReadable)
{
    int c = m_db->Query("select id from t order by id", -1);
    m_db->SetStatementCache(false);
    EXPECT_EQ(column(c, "id"), (std::vector<int>{1, 2, 3}));
    m_db->Finalize(c);
    EXPECT_EQ(m_db->CachedStatements(), 0);
}

TEST_F(QxDbTest, FreeDbManager_WithOpenCursors_ReleasesEverything)
{
    m_db->Query("select id from t", -1);
    m_db->Query("select id from t", -1);
    m_free(); /* LeakSanitizer and the closing connection check the release */
    m_mgr = m_get();
    ASSERT_NE(m_mgr, nullptr);
    m_db = m_mgr->OpenDb(m_file.c_str(), 0);
    ASSERT_NE(m_db, nullptr);
    EXPECT_EQ(m_db->OpenCursors(), 0);
}

/* ------------------------------------------------------------ change detection */

TEST_F(QxDbTest, DataVersion_MovesOnEveryKindOfChangeAndOnlyThen)
{
    const long long start = m_db->DataVersion();
    ASSERT_EQ(m_db->ExecScalar("select count(*) from t"), 3);
    EXPECT_EQ(m_db->DataVersion(), start) << "reading changes nothing";

    CppSQLite3DB other;
    other.open(m_file.c_str());
    other.execDML("update t set val = 11 where id = 1");
    const long long afterOther = m_db->DataVersion();
    EXPECT_NE(afterOther, start) << "a commit by another connection";
    EXPECT_EQ(m_db->DataVersion(), afterOther) << "seen once, then steady";

    other.execDML("begin; update t set val = 12 where id = 1; rollback");
    EXPECT_EQ(m_db->DataVersion(), afterOther) << "a rolled-back write changed nothing";

    m_db->ExecDML("update t set val = 13 where id = 1");
    const long long afterOwn = m_db->DataVersion();
    EXPECT_NE(afterOwn, afterOther) << "data_version misses own commits: the library counts them";
    EXPECT_EQ(m_db->ExecScalar("select val from t where id = 1"), 13);
    EXPECT_EQ(m_db->DataVersion(), afterOwn);
}

TEST_F(QxDbTest, DataVersion_FileOverwrittenInPlace_MovesAndNewRowsAreRead)
{
    /* An updater copies a new database over the file (same inode). */
    const std::string copy = m_dir + "/new.db3";
    {
        ASSERT_TRUE(qxtest::writeFile(copy, qxtest::readFile(m_file)));
        CppSQLite3DB db;
        db.open(copy.c_str());
        db.execDML("update t set val = 99 where id = 2");
    }
    ASSERT_EQ(m_db->ExecScalar("select val from t where id = 2"), 20);
    const long long before = m_db->DataVersion();
    ASSERT_TRUE(qxtest::writeFile(m_file, qxtest::readFile(copy)));
    EXPECT_NE(m_db->DataVersion(), before);
    EXPECT_EQ(m_db->ExecScalar("select val from t where id = 2"), 99);
}

TEST_F(QxDbTest, CommitStamp_MovesExactlyWhenDataVersionDoes)
{
    auto other = [this](const char* sql) {
        CppSQLite3DB db;
        db.open(m_file.c_str());
        db.execDML(sql);
    };
    struct Step {
        const char* what;
        std::function<void()> act;
        bool moves;
    };
    const std::string copy = m_dir + "/new.db3";
    const std::vector<Step> steps = {
        {"nothing", [] {}, false},
        {"a read", [&] { m_db->ExecScalar("select count(*) from t"); }, false},
        {"a read transaction",
         [&] {
             m_db->BeginRead(0);
             m_db->EndRead();
         },
         false},
        {"another connection's insert", [&] { other("insert into t values (4, 'four', 40)"); },
         true},
        {"an update of no row", [&] { other("update t set val = 1 where id = 99"); }, false},
        {"another connection's delete", [&] { other("delete from t where id = 4"); }, true},
        {"this connection's ExecDML", [&] { m_db->ExecDML("update t set val = 11 where id = 1"); },
         true},
        {"this connection's ExecDML of no row",
         [&] { m_db->ExecDML("update t set val = 1 where id = 99"); }, true},
        {"a copy written over the file",
         [&] {
             ASSERT_TRUE(qxtest::writeFile(copy, qxtest::readFile(m_file)));
             {
                 CppSQLite3DB db;
                 db.open(copy.c_str());
                 db.execDML("update t set val = 99 where id = 2");
             }
             ASSERT_TRUE(qxtest::writeFile(m_file, qxtest::readFile(copy)));
         },
         true},
    };
    long long stamp = m_db->CommitStamp();
    long long version = m_db->DataVersion();
    ASSERT_GE(stamp, 0);
    EXPECT_EQ(m_db->CommitStamp(), stamp) << "a second call without a change";
    for (const Step& step : steps) {
        step.act();
        const long long newStamp = m_db->CommitStamp();
        const long long newVersion = m_db->DataVersion();
        ASSERT_GE(newStamp, 0) << step.what;
        EXPECT_EQ(newVersion != version, step.moves) << "data_version: " << step.what;
        EXPECT_EQ(newStamp != stamp, step.moves) << "stamp: " << step.what;
        stamp = newStamp;
        version = newVersion;
    }
}

TEST_F(QxDbTest, CommitStamp_NoneWhileAnotherProcessWritesOrInWalMode_NewOnAReplacedFile)
{
    /* A child process holds BEGIN EXCLUSIVE until told to commit. */
    int ready[2], go[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(go), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        int rc = 1;
        try {
            CppSQLite3DB db;
            db.open(m_file.c_str());
            db.execDML("begin exclusive");
            char c = 'r';
            if (write(ready[1], &c, 1) == 1 && read(go[0], &c, 1) == 1) {
                db.execDML("insert into t values (5, 'five', 50); commit");
                rc = 0;
            }
        } catch (...) {
        }
        _exit(rc);
    }
    char c = 0;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    EXPECT_EQ(m_db->CommitStamp(), -1) << "a writer holds the file";
    ASSERT_EQ(write(go[1], &c, 1), 1);
    int status = -1;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_EQ(status, 0);
    for (int fd : {ready[0], ready[1], go[0], go[1]})
        close(fd);
    const long long free = m_db->CommitStamp();
    EXPECT_GE(free, 0) << "the writer is gone";

    /* A file replaced under the name: a stamp of its own once reopened. */
    const std::string copy = m_dir + "/new.db3";
    ASSERT_TRUE(qxtest::writeFile(copy, qxtest::readFile(m_file)));
    ASSERT_EQ(std::rename(copy.c_str(), m_file.c_str()), 0);
    ASSERT_EQ(m_db->CheckFile(), QXDB_FILE_REOPENED);
    const long long reopened = m_db->CommitStamp();
    EXPECT_GE(reopened, 0);
    EXPECT_NE(reopened, free) << "same octets, another file";

    /* A write-ahead log takes the commits: the header cannot vouch. */
    {
        CppSQLite3DB db;
        db.open(m_file.c_str());
        db.execDML("pragma journal_mode=wal");
    }
    EXPECT_EQ(m_db->CommitStamp(), -1);
}

/* CheckFile looks the name up at most once a second while the file held
 * open keeps its link count: a rename over the name or a delete shows at
 * once, also for a file with a second link; a directory swapped under the
 * name shows by the next lookup. */
TEST_F(QxDbTest, CheckFile_ReplacedDeletedOrDirectorySwapped_SeenAtOnceOrWithinASecond)
{
    const std::string octets = qxtest::readFile(m_file);
    auto replaceWithCopy = [&octets](const std::string& dir) {
        const std::string copy = dir + "/new.db3";
        ASSERT_TRUE(qxtest::writeFile(copy, octets));
        ASSERT_EQ(std::rename(copy.c_str(), (dir + "/data.db3").c_str()), 0);
    };
    ASSERT_EQ(m_db->CheckFile(), QXDB_FILE_SAME);

    const std::string other = m_dir + "/other-link.db3";
    ASSERT_EQ(link(m_file.c_str(), other.c_str()), 0);
    EXPECT_EQ(m_db->CheckFile(), QXDB_FILE_SAME) << "a new link: looked up, same file";
    replaceWithCopy(m_dir);
    EXPECT_EQ(m_db->CheckFile(), QXDB_FILE_REOPENED) << "the name lost its link";

    ASSERT_EQ(std::remove(m_file.c_str()), 0);
    EXPECT_EQ(m_db->CheckFile(), QXDB_FILE_MISSING);
    replaceWithCopy(m_dir);
    EXPECT_EQ(m_db->CheckFile(), QXDB_FILE_REOPENED);

    const std::string moved = m_dir + ".moved";
    qxtest::removeTree(moved);
    ASSERT_EQ(std::rename(m_dir.c_str(), moved.c_str()), 0) << std::strerror(errno);
    ASSERT_EQ(mkdir(m_dir.c_str(), 0755), 0);
    ASSERT_TRUE(qxtest::writeFile(m_file, octets));
    const auto start = std::chrono::steady_clock::now();
    int result = QXDB_FILE_SAME;
    while (result == QXDB_FILE_SAME &&
           std::chrono::steady_clock::now() - start < std::chrono::milliseconds(1500)) {
        usleep(20000);
        result = m_db->CheckFile();
    }
    EXPECT_EQ(result, QXDB_FILE_REOPENED) << "the directory swap is seen by the next lookup";
    EXPECT_EQ(m_db->ExecScalar("select count(*) from t"), 3);
    qxtest::removeTree(moved);
}

/* ------------------------------------------------------------ read transactions */

TEST_F(QxDbTest, ReadTransaction_HoldsTheSnapshotUntilEnded_AlsoAfterTheFileIsReplaced)
{
    /* A writer without a busy time-out: refused while a read holds the
     * file, admitted once the read ended. Twice per file, since "begin" and
     * "commit" are prepared once and run again; then on a replaced file. */
    auto writeVal = [this](int val) {
        CppSQLite3DB writer;
        writer.open(m_file.c_str());
        writer.execDML(("update t set val = " + std::to_string(val) + " where id = 1").c_str());
    };
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(m_db->BeginRead(0));
        const int before = m_db->ExecScalar("select val from t where id = 1");
        (void)expectDbError([&] { writeVal(before + 1); });
        EXPECT_EQ(m_db->ExecScalar("select val from t where id = 1"), before);
        m_db->EndRead();
        writeVal(before + 1);
        EXPECT_EQ(m_db->ExecScalar("select val from t where id = 1"), before + 1);
    }
    const std::string copy = m_dir + "/new.db3";
    ASSERT_TRUE(qxtest::writeFile(copy, qxtest::readFile(m_file)));
    {
        CppSQLite3DB db;
        db.open(copy.c_str());
        db.execDML("update t set val = 77 where id = 1");
    }
    ASSERT_EQ(std::rename(copy.c_str(), m_file.c_str()), 0);
    ASSERT_EQ(m_db->CheckFile(), QXDB_FILE_REOPENED);
    ASSERT_TRUE(m_db->BeginRead(0));
    EXPECT_EQ(m_db->ExecScalar("select val from t where id = 1"), 77);
    (void)expectDbError([&] { writeVal(78); });
    m_db->EndRead();
    writeVal(78);
    EXPECT_EQ(m_db->ExecScalar("select val from t where id = 1"), 78);
}

/* ------------------------------------------------------------ busy time-out */

TEST_F(QxDbTest, BusyTimeout_WriterHoldsLockBriefly_ReaderWaitsAndSucceeds)
{
    /* Warm up so that the reader's connection holds no lock of its own. */
    ASSERT_EQ(m_db->ExecScalar("select count(*) from t"), 3);
    CppSQLite3DB writer;
    writer.open(m_file.c_str());
    writer.execDML("begin exclusive; insert into t values (4, 'four', 40)");
    std::thread release([&writer] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        writer.execDML("commit");
    });
    const auto start = std::chrono::steady_clock::now();
    int count = -1;
    try {
        count = m_db->ExecScalar("select count(*) from t");
    } catch (CppSQLite3Exception& e) {
        ADD_FAILURE() << "the reader gave up: " << e.errorMessage();
    }
    const auto waited = std::chrono::steady_clock::now() - start;
    release.join();
    EXPECT_EQ(count, 4);
    EXPECT_GE(waited, std::chrono::milliseconds(200));
}

} // namespace
