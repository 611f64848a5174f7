// SPDX-License-Identifier: Apache-2.0
/*
 * The data file's change notice against real SQLite commits in a directory
 * of the test: what a writer does shows, what a reader does and what other
 * files do stay silent, and a watch that cannot be trusted is not armed.
 */
#include "change_notice.h"

#include "fakes/file_helpers.h"

#include <gtest/gtest.h>

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace
{

/* Whether a notice was pending; drops it. */
bool TakeNotice(ChangeNotice& notice)
{
    const bool pending = notice.Take();
    notice.Clear();
    return pending;
}

class ChangeNoticeTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        dir_ = qxtest::freshTestDir();
        ASSERT_FALSE(dir_.empty());
        path_ = dir_ + "/dbDat0.db3";
    }
    void TearDown() override { CloseBoth(); }

    /* Opens the writer and the reader on path, in a journal mode. */
    void OpenBoth(const std::string& path, const char* journalMode)
    {
        ASSERT_EQ(SQLITE_OK, sqlite3_open(path.c_str(), &writer_));
        Exec(writer_, std::string("PRAGMA journal_mode=") + journalMode +
                          "; CREATE TABLE t(v INTEGER); INSERT INTO t VALUES(0);");
        ASSERT_EQ(SQLITE_OK, sqlite3_open(path.c_str(), &reader_));
        Exec(reader_, "SELECT v FROM t;");
    }
    void CloseBoth()
    {
        for (sqlite3** db : {&writer_, &reader_}) {
            sqlite3_close(*db);
            *db = nullptr;
        }
    }
    static void Exec(sqlite3* db, const std::string& sql)
    {
        char* error = nullptr;
        ASSERT_EQ(SQLITE_OK, sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error))
            << (error != nullptr ? error : "");
    }

    std::string dir_;
    std::string path_;
    sqlite3* writer_ = nullptr;
    sqlite3* reader_ = nullptr;
};

TEST_F(ChangeNoticeTest, CommitsInEitherJournalMode_ShowReadsDoNot)
{
    for (const char* mode : {"DELETE", "WAL"}) {
        SCOPED_TRACE(mode);
        const std::string sub = dir_ + "/" + mode;
        ASSERT_EQ(0, mkdir(sub.c_str(), 0755));
        OpenBoth(sub + "/dbDat0.db3", mode);
        ChangeNotice notice(sub + "/dbDat0.db3");
        ASSERT_TRUE(notice.Armed());
        ASSERT_GE(notice.WaitFd(), 0);
        EXPECT_FALSE(TakeNotice(notice)) << "nothing happened yet";

        Exec(reader_, "SELECT v FROM t; BEGIN; SELECT count(*) FROM t; COMMIT;");
        EXPECT_FALSE(TakeNotice(notice)) << "a reader gave a notice";

        Exec(writer_, "UPDATE t SET v = v + 1;");
        EXPECT_TRUE(TakeNotice(notice));
        EXPECT_FALSE(TakeNotice(notice)) << "a notice is cleared once taken";

        Exec(reader_, "SELECT v FROM t;");
        EXPECT_FALSE(TakeNotice(notice)) << "a reader after a commit gave a notice";
        CloseBoth();
    }
}

TEST_F(ChangeNoticeTest, PendingNotice_NotWaitedOnUntilCleared_ClearDropsTheEventsSoFar)
{
    ASSERT_TRUE(qxtest::writeFile(path_, "0"));
    ChangeNotice notice(path_);
    const int fd = notice.WaitFd();
    ASSERT_GE(fd, 0);
    ASSERT_TRUE(qxtest::writeFile(path_, "1"));
    EXPECT_TRUE(notice.Take());
    /* A busy writer must not wake the waiter for every write. */
    EXPECT_EQ(-1, notice.WaitFd());
    ASSERT_TRUE(qxtest::writeFile(path_, "2"));
    EXPECT_TRUE(notice.Take()) << "pending until cleared";
    ASSERT_TRUE(qxtest::writeFile(path_, "2b")); /* not taken before the clear */

    notice.Clear(); /* the scan reads the file now */
    EXPECT_EQ(fd, notice.WaitFd());
    EXPECT_FALSE(notice.Take()) << "the writes before the clear are read by that scan";
    ASSERT_TRUE(qxtest::writeFile(path_, "3"));
    EXPECT_TRUE(notice.Take());
}

TEST_F(ChangeNoticeTest, OtherFilesAreSilent_ReplacementAndRemovalShow)
{
    ASSERT_TRUE(qxtest::writeFile(path_, "old"));
    ChangeNotice notice(path_);
    ASSERT_TRUE(notice.Armed());

    ASSERT_TRUE(qxtest::writeFile(dir_ + "/status.json", "{}"));
    ASSERT_TRUE(qxtest::writeFile(dir_ + "/dbDat0.db3x", "a longer name"));
    EXPECT_FALSE(TakeNotice(notice));

    ASSERT_TRUE(qxtest::writeFile(dir_ + "/new.db3", "new"));
    EXPECT_FALSE(TakeNotice(notice));
    ASSERT_EQ(0, rename((dir_ + "/new.db3").c_str(), path_.c_str()));
    EXPECT_TRUE(TakeNotice(notice)) << "renamed over the name";

    ASSERT_EQ(0, unlink(path_.c_str()));
    EXPECT_TRUE(TakeNotice(notice)) << "removed";
    EXPECT_TRUE(notice.Armed());
}

TEST_F(ChangeNoticeTest, DirectoryMovedAway_NoticeAndDisarmed_RearmWatchesTheNewOne)
{
    const std::string sub = dir_ + "/tmp";
    ASSERT_EQ(0, mkdir(sub.c_str(), 0755));
    const std::string path = sub + "/dbDat0.db3";
    ChangeNotice notice(path);
    ASSERT_TRUE(notice.Armed());

    ASSERT_EQ(0, rename(sub.c_str(), (dir_ + "/old").c_str()));
    EXPECT_TRUE(TakeNotice(notice));
    EXPECT_FALSE(notice.Armed());
    EXPECT_FALSE(notice.Rearm()) << "no directory of that name";

    ASSERT_EQ(0, mkdir(sub.c_str(), 0755));
    EXPECT_TRUE(notice.Rearm());
    ASSERT_TRUE(qxtest::writeFile(dir_ + "/old/dbDat0.db3", "the old directory"));
    EXPECT_FALSE(TakeNotice(notice));
    ASSERT_TRUE(qxtest::writeFile(path, "the new one"));
    EXPECT_TRUE(TakeNotice(notice));
}

TEST_F(ChangeNoticeTest, NameIsASymbolicLink_NotArmed_EvenWhenItAppearsLater)
{
    ASSERT_TRUE(qxtest::writeFile(dir_ + "/target.db3", "data"));
    ASSERT_EQ(0, symlink("target.db3", path_.c_str()));
    ChangeNotice linked(path_);
    EXPECT_FALSE(linked.Armed());
    EXPECT_FALSE(linked.Rearm());

    ASSERT_EQ(0, unlink(path_.c_str()));
    ChangeNotice notice(path_);
    ASSERT_TRUE(notice.Armed());
    ASSERT_EQ(0, symlink("target.db3", (dir_ + "/link").c_str()));
    ASSERT_EQ(0, rename((dir_ + "/link").c_str(), path_.c_str()));
    EXPECT_TRUE(TakeNotice(notice));
    EXPECT_FALSE(notice.Armed()) << "writes would land beside the target";
}

} // namespace
