// SPDX-License-Identifier: Apache-2.0
/*
 * Process host of qxsvr104: start-up console, single-instance lock, exit
 * statuses, log removal, SIGINT shutdown and the main loop's pauses.
 */
#include "gateway_sandbox.h"

#include "qx_paths.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qxtest
{
namespace
{

using GatewayStartup = GatewaySandbox;

TEST_F(GatewayStartup, NormalStart_PrintsProgressLinesInOrder)
{
    startGateway();
    const std::vector<std::string> expected = {"   tbModbusDat...on 0X4081",
                                               "   tbEvent...is detail",
                                               "   tbPower...on 0X4001",
                                               "   tbEnv...on 0X4010",
                                               "  Init done",
                                               "SvrInit ...Ok",
                                               "SvrStart ...SvrStart ok!",
                                               "running..."};
    std::vector<std::string> lines = gateway_.lines();
    size_t at = 0;
    for (const auto& text : expected) {
        while (at < lines.size() && lines[at] != text)
            ++at;
        ASSERT_LT(at, lines.size()) << "missing or out of order: \"" << text << "\"\n"
                                    << gateway_.transcript();
    }
}

TEST_F(GatewayStartup, Sigint_PrintsExit0_ExitsZero_AndClosesMasterConnection)
{
    setPeriodic("1");
    startGateway();
    connectClient();
    int status = interruptGateway();
    EXPECT_EQ(0, exitCodeOf(status)) << gateway_.transcript();
    EXPECT_TRUE(gateway_.waitFor("exit 0", 1000)) << gateway_.transcript();
    EXPECT_TRUE(client_.waitClosed(3000));
}

/* Periodic 600: a stop one second into the first pause ends it at once. */
void expectPromptStop(GatewayProcess& gateway, int sig)
{
    usleep(1000 * 1000);
    int64_t before = monotonicMs();
    ASSERT_TRUE(gateway.signal(sig));
    int status = gateway.waitExit(2000);
    EXPECT_LT(monotonicMs() - before, 2000);
    EXPECT_EQ(0, exitCodeOf(status)) << gateway.transcript();
    EXPECT_TRUE(gateway.waitFor("exit 0", 100)) << gateway.transcript();
    EXPECT_EQ(0, gateway.countFrom(0, "SvrPeriodic")) << "no report after the stop";
}

TEST_F(GatewayStartup, LongPeriodic_Sigint_EndsThePauseAtOnce)
{
    setPeriodic("600");
    startGateway();
    expectPromptStop(gateway_, SIGINT);
}

/*
 * A stop must reach the main thread's pause: every other thread (the
 * listener, a master's connection, a sanitizer's own) has SIGINT and SIGTERM
 * blocked, the main thread has neither. A stop taken by an idle worker ran
 * its handler late under ThreadSanitizer, which defers a handler until that
 * thread next calls into the C library.
 */
TEST_F(GatewayStartup, StopSignals_OnlyTheMainThreadTakesThem)
{
    if (RunsUnderEmulator())
        GTEST_SKIP() << "the emulator keeps the target's signal masks to itself";
    startGateway();
    connectClient();
    expectOnlyMainThreadTakes((1ull << (SIGINT - 1)) | (1ull << (SIGTERM - 1)));
}

TEST_F(GatewayStartup, LongPeriodic_Sigterm_StopsLikeSigint)
{
    setPeriodic("600");
    startGateway();
    connectClient();
    expectPromptStop(gateway_, SIGTERM);
    EXPECT_TRUE(client_.waitClosed(1000));
}

TEST_F(GatewayStartup, SecondInstance_IsRefusedWith253_WhileFirstKeepsServing)
{
    startGateway();
    std::string otherWork = root_ + "/second";
    ASSERT_TRUE(makeDirs(otherWork));
    GatewayProcess second;
    ASSERT_TRUE(second.start(QX_GATEWAY_BINARY, otherWork));
    EXPECT_EQ(253, exitCodeOf(second.waitExit(10000))) << second.transcript();
    EXPECT_TRUE(second.waitFor(pidFile() + " already locked, error: ", 100)) << second.transcript();
    EXPECT_TRUE(second.waitFor("exit -3 !is already running", 100)) << second.transcript();

    EXPECT_TRUE(gateway_.isRunning());
    connectClient(); /* the first still answers STARTDT */
    EXPECT_EQ(std::to_string(gateway_.pid()), readFile(pidFile()));
}

TEST_F(GatewayStartup, StalePidFile_DoesNotBlockStart_AndIsRewrittenWithNewPid)
{
    ASSERT_TRUE(writeFile(pidFile(), "999999 left over from a crashed run\n"));
    startGateway();
    EXPECT_EQ(std::to_string(gateway_.pid()), readFile(pidFile()));
}

TEST_F(GatewayStartup, PidFileCannotBeOpened_PrintsOpenFailureOnly_Exits1)
{
    /* A directory in the pid file's place cannot be opened read-write. */
    unlink(pidFile().c_str()); /* left by an earlier run; no gateway runs now */
    ASSERT_EQ(0, mkdir(pidFile().c_str(), 0755));
    ASSERT_TRUE(gateway_.start(QX_GATEWAY_BINARY, work_));
    int status = gateway_.waitExit(10000);
    EXPECT_EQ(0, rmdir(pidFile().c_str())); /* later tests need the file */
    EXPECT_EQ(1, exitCodeOf(status)) << gateway_.transcript();
    EXPECT_EQ(
        std::vector<std::string>{"Open file failed, error : Is a directory, file: " + pidFile()},
        gateway_.lines());
}

TEST_F(GatewayStartup, MissingDataStoreLibrary_PrintsIsOkFailure_Exits255)
{
    ASSERT_EQ(0, unlink((work_ + "/libqxdb.so").c_str()));
    ASSERT_TRUE(gateway_.start(QX_GATEWAY_BINARY, work_));
    EXPECT_EQ(255, exitCodeOf(gateway_.waitExit(10000))) << gateway_.transcript();
    EXPECT_TRUE(gateway_.waitFor("[CSvrWrapper104::Init] dlopen ./libqxdb.so error:", 100))
        << gateway_.transcript();
    EXPECT_TRUE(gateway_.waitFor("  Init done", 100)) << gateway_.transcript();
    EXPECT_TRUE(gateway_.waitFor("exit -1 !IsOk", 100)) << gateway_.transcript();
    EXPECT_EQ(0, gateway_.countFrom(0, "SvrInit"));
}

TEST_F(GatewayStartup, PortTakenByAnotherListener_ExitLineNamesAddressAndReason_Exits254)
{
    RawSocket blocker;
    occupyGatewayPort(blocker);
    if (HasFatalFailure())
        return;

    ASSERT_TRUE(gateway_.start(QX_GATEWAY_BINARY, work_));
    EXPECT_EQ(254, exitCodeOf(gateway_.waitExit(10000))) << gateway_.transcript();
    EXPECT_TRUE(gateway_.waitFor("SvrInit ...Ok", 100)) << gateway_.transcript();
    EXPECT_EQ(1, gateway_.countFrom(0, "exit -2 !IedIsOk: cannot listen on 0.0.0.0:2404: " +
                                           std::string(strerror(EADDRINUSE))))
        << gateway_.transcript();
    EXPECT_EQ(0, gateway_.countFrom(0, "SvrStart ok!"));
}

TEST_F(GatewayStartup, OldLogFile_IsRemovedAtStart)
{
    ASSERT_TRUE(writeFile(QX_LOG_PATH, "[old]\nline=1\n"));
    startGateway();
    EXPECT_FALSE(pathExists(QX_LOG_PATH));
}

TEST_F(GatewayStartup, OldLogDirectoryTree_IsRemovedWithoutFollowingLinks)
{
    const std::string log = QX_LOG_PATH;
    const std::string keep = root_ + "/keep.txt";
    ASSERT_TRUE(writeFile(keep, "outside the log"));
    ASSERT_TRUE(makeDirs(log + "/sub dir"));
    ASSERT_TRUE(writeFile(log + "/sub dir/a b.txt", "x"));
    ASSERT_EQ(0, symlink(keep.c_str(), (log + "/link").c_str()));
    startGateway();
    EXPECT_FALSE(pathExists(log));
    EXPECT_EQ("outside the log", readFile(keep));
}

TEST_F(GatewayStartup, ZeroPeriodic_SendsNoReport_AndStopsWithinOnePause)
{
    setPeriodic("0");
    startGateway();
    usleep(2500 * 1000);
    EXPECT_EQ(0, gateway_.countFrom(0, "SvrPeriodic")) << gateway_.transcript();
    int64_t before = monotonicMs();
    EXPECT_EQ(0, exitCodeOf(interruptGateway(8000))) << gateway_.transcript();
    EXPECT_LT(monotonicMs() - before, 6000); /* one 3000 ms pause plus shutdown */
}

TEST_F(GatewayStartup, NegativePeriodic_BehavesLikeZero_NoReportNoBusyLoop)
{
    setPeriodic("-2");
    startGateway();
    usleep(2500 * 1000);
    EXPECT_EQ(0, gateway_.countFrom(0, "SvrPeriodic")) << gateway_.transcript();
    EXPECT_EQ(0, exitCodeOf(interruptGateway(8000))) << gateway_.transcript();
    EXPECT_TRUE(gateway_.waitFor("exit 0", 100));
}

} // namespace
} // namespace qxtest
