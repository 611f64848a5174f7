// SPDX-License-Identifier: Apache-2.0
/*
 * The process host's service units: PidFile (what it writes, what it refuses
 * in the file's place and leaves as it is, the lock seen from another
 * process, the removal), the start-up diagnosis texts and the SIGHUP line.
 */
#include "pid_file.h"
#include "startup_diagnosis.h"
#include "hangup_reload.h"

#include "fakes/file_helpers.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace
{

using qxtest::pathExists;
using qxtest::readFile;
using qxtest::writeFile;

/* Console output of one call. */
template <typename F> std::string Capture(F body)
{
    ::testing::internal::CaptureStdout();
    body();
    return ::testing::internal::GetCapturedStdout();
}

class PidFileTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        dir_ = qxtest::freshTestDir();
        ASSERT_FALSE(dir_.empty());
        path_ = dir_ + "/qxsvr104.pid";
    }

    /* Acquire in a child process: its outcome as the exit status. */
    int outcomeInChild()
    {
        fflush(stdout);
        pid_t child = fork();
        if (child == 0) {
            PidFile other;
            _exit(static_cast<int>(other.Acquire(path_)));
        }
        int status = 0;
        EXPECT_EQ(child, waitpid(child, &status, 0));
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string dir_;
    std::string path_;
};

TEST_F(PidFileTest, Acquire_WritesThePidOverOldText_ReleaseRemovesIt)
{
    ASSERT_TRUE(writeFile(path_, "999999 left over from a crashed run\n"));
    PidFile pidFile;
    std::string out = Capture([&] { EXPECT_EQ(PidFile::kHeld, pidFile.Acquire(path_)); });
    EXPECT_EQ("", out);
    EXPECT_EQ(std::to_string(getpid()), readFile(path_));
    struct stat info;
    ASSERT_EQ(0, stat(path_.c_str(), &info));
    EXPECT_EQ(0u, info.st_mode & 0022) << "nobody else may write the pid file";
    pidFile.Release();
    EXPECT_FALSE(pathExists(path_));
    pidFile.Release(); /* a second release is harmless */
}

TEST_F(PidFileTest, Lock_KeepsASecondProcessOut_UntilReleased)
{
    {
        PidFile pidFile;
        ASSERT_EQ(PidFile::kHeld, pidFile.Acquire(path_));
        EXPECT_EQ(static_cast<int>(PidFile::kHeldByOther), outcomeInChild());
        EXPECT_EQ(std::to_string(getpid()), readFile(path_)) << "the loser writes nothing";
    } /* the destructor releases */
    EXPECT_FALSE(pathExists(path_));
    EXPECT_EQ(static_cast<int>(PidFile::kHeld), outcomeInChild());
}

TEST_F(PidFileTest, LockedFileRemovedMeanwhile_IsNotTakenForTheLock)
{
    /* The holder removes its file: a new gateway makes a new one and locks
     * that, so a third finds the lock where the path points. */
    PidFile first;
    ASSERT_EQ(PidFile::kHeld, first.Acquire(path_));
    first.Release();
    PidFile second;
    ASSERT_EQ(PidFile::kHeld, second.Acquire(path_));
    EXPECT_EQ(static_cast<int>(PidFile::kHeldByOther), outcomeInChild());
}

TEST_F(PidFileTest, SymbolicLinkInItsPlace_IsRefusedAndLeftUntouched)
{
    const std::string target = dir_ + "/precious";
    ASSERT_TRUE(writeFile(target, "keep me"));
    ASSERT_EQ(0, symlink(target.c_str(), path_.c_str()));
    PidFile pidFile;
    std::string out = Capture([&] { EXPECT_EQ(PidFile::kFailed, pidFile.Acquire(path_)); });
    EXPECT_EQ("Open file failed, error : " + std::string(strerror(ELOOP)) + ", file: " + path_ +
                  " (a symbolic link is refused)\n",
              out);
    EXPECT_EQ("keep me", readFile(target));
    char link[4096];
    ssize_t n = readlink(path_.c_str(), link, sizeof(link));
    ASSERT_GT(n, 0);
    EXPECT_EQ(target, std::string(link, static_cast<size_t>(n)));

    /* A dangling link is not followed into a new file either. */
    ASSERT_EQ(0, unlink(target.c_str()));
    Capture([&] { EXPECT_EQ(PidFile::kFailed, pidFile.Acquire(path_)); });
    EXPECT_FALSE(pathExists(target));
}

TEST_F(PidFileTest, OtherThingsInItsPlace_AreRefusedWithTheirReason)
{
    const std::string other = dir_ + "/other";
    ASSERT_TRUE(writeFile(other, "another file"));
    ASSERT_EQ(0, link(other.c_str(), path_.c_str()));
    PidFile pidFile;
    std::string out = Capture([&] { EXPECT_EQ(PidFile::kFailed, pidFile.Acquire(path_)); });
    EXPECT_EQ("Open file failed, error : the file has other hard links, file: " + path_ + "\n",
              out);
    EXPECT_EQ("another file", readFile(other));

    ASSERT_EQ(0, unlink(path_.c_str()));
    ASSERT_EQ(0, mkfifo(path_.c_str(), 0600));
    out = Capture([&] { EXPECT_EQ(PidFile::kFailed, pidFile.Acquire(path_)); });
    EXPECT_EQ("Open file failed, error : not a regular file, file: " + path_ + "\n", out);

    ASSERT_EQ(0, unlink(path_.c_str()));
    const std::string missingDir = dir_ + "/no such dir/qxsvr104.pid";
    out = Capture([&] { EXPECT_EQ(PidFile::kFailed, pidFile.Acquire(missingDir)); });
    EXPECT_EQ("Open file failed, error : No such file or directory, file: " + missingDir + "\n",
              out);
}

TEST_F(PidFileTest, ReleaseAfterTheFileWasReplaced_LeavesTheNewFile)
{
    PidFile pidFile;
    ASSERT_EQ(PidFile::kHeld, pidFile.Acquire(path_));
    ASSERT_EQ(0, unlink(path_.c_str()));
    ASSERT_TRUE(writeFile(path_, "someone else's"));
    pidFile.Release();
    EXPECT_EQ("someone else's", readFile(path_));
}

TEST(PidFilePath, IsTheRunDirectoryAndTheProgramName)
{
    char self[4096];
    ssize_t n = readlink("/proc/self/exe", self, sizeof(self) - 1);
    ASSERT_GT(n, 0);
    self[n] = '\0';
    EXPECT_EQ(std::string("/run/x/") + (strrchr(self, '/') + 1) + ".pid",
              PidFile::PathFor("/run/x"));
}

/* ------------------------------------------------- start-up diagnosis */

TEST(StartupDiagnosis, FileProblem_NamesWhatIsWrongWithThePath)
{
    const std::string dir = qxtest::freshTestDir();
    ASSERT_TRUE(writeFile(dir + "/file", "x"));
    EXPECT_EQ("", FileProblem(dir + "/file"));
    EXPECT_EQ("No such file or directory", FileProblem(dir + "/missing"));
    EXPECT_EQ("Not a directory", FileProblem(dir + "/file/below"));
    EXPECT_EQ("not a regular file", FileProblem(dir));
}

TEST(StartupDiagnosis, AbsolutePath_JoinsTheWorkingDirectory)
{
    char cwd[4096];
    ASSERT_NE(nullptr, getcwd(cwd, sizeof(cwd)));
    EXPECT_EQ(std::string(cwd), WorkingDirectory());
    EXPECT_EQ(std::string(cwd) + "/tmp/dbDat0.db3", AbsolutePath("tmp/dbDat0.db3"));
    EXPECT_EQ("/abs/x", AbsolutePath("/abs/x"));
}

TEST(StartupDiagnosis, ListenProblem_NamesAPortInUse)
{
    /* A listener of this test on a port the kernel picks. */
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    struct sockaddr_in address;
    memset(&address, 0, sizeof(address));
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(0, bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)));
    ASSERT_EQ(0, listen(fd, 1));
    socklen_t length = sizeof(address);
    ASSERT_EQ(0, getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length));
    const int port = ntohs(address.sin_port);
    EXPECT_EQ(strerror(EADDRINUSE), ListenProblem("127.0.0.1", port));
    EXPECT_EQ("not an IPv4 address", ListenProblem("localhost", port));
    close(fd);
    EXPECT_EQ("", ListenProblem("127.0.0.1", port)) << "free again";
}

/* ------------------------------------------------------ SIGHUP re-reads */

TEST(HangupReload, LineSaysWhatWasReread_AndThatTheIniNeedsARestart)
{
    HangupReload reload;
    EXPECT_EQ("SIGHUP: nothing to re-read; qxSvr.ini changes need a restart", reload.Run());
    std::vector<std::string> calls;
    reload.Add([&] {
        calls.push_back("certificates");
        return std::string("certificates re-read");
    });
    reload.Add([&] {
        calls.push_back("keys");
        return std::string("private key kept: unreadable");
    });
    EXPECT_EQ("SIGHUP: certificates re-read; private key kept: unreadable; qxSvr.ini changes "
              "need a restart",
              reload.Run());
    EXPECT_EQ((std::vector<std::string>{"certificates", "keys"}), calls);
    reload.Run();
    EXPECT_EQ(4u, calls.size()) << "every SIGHUP runs every hook again";
}

} // namespace
