// SPDX-License-Identifier: Apache-2.0
/*
 * The real gateway under a (fake) service manager and as a service: the
 * notify protocol (READY, watchdog pings from the main loop, STOPPING),
 * SIGHUP, the pid file and the start-up failure lines with their causes.
 */
#include "gateway_sandbox.h"

#include "fakes/notify_socket.h"
#include "qx_paths.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sys/ptrace.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qxtest
{
namespace
{

class GatewayService : public GatewaySandbox
{
  protected:
    void SetUp() override
    {
        GatewaySandbox::SetUp();
        notifyName_ = "@qxsvr104-service-test-" + std::to_string(getpid());
    }

    /* Runs the gateway under the fake manager; watchdogUsec empty: none. */
    void startNotified(const std::string& watchdogUsec, const std::string& watchdogPid = "")
    {
        env_.push_back("NOTIFY_SOCKET=" + notifyName_);
        if (!watchdogUsec.empty())
            env_.push_back("WATCHDOG_USEC=" + watchdogUsec);
        if (!watchdogPid.empty())
            env_.push_back("WATCHDOG_PID=" + watchdogPid);
        startGateway();
    }

    /* Arrival times of the WATCHDOG=1 pings in the next windowMs; any other
     * message fails the test. */
    std::vector<int64_t> pingsDuring(FakeManager& manager, int windowMs)
    {
        std::vector<int64_t> times;
        const int64_t end = monotonicMs() + windowMs;
        for (int64_t left = windowMs; left > 0; left = end - monotonicMs()) {
            int64_t at = 0;
            std::string message = manager.next(static_cast<int>(left), &at);
            if (message == "(none)")
                break;
            EXPECT_EQ("WATCHDOG=1", message);
            times.push_back(at);
        }
        return times;
    }

    static int64_t longestGap(int64_t from, const std::vector<int64_t>& times, int64_t to)
    {
        int64_t gap = 0, last = from;
        for (int64_t t : times) {
            gap = std::max(gap, t - last);
            last = t;
        }
        return std::max(gap, to - last);
    }

    std::string notifyName_;
};

/* User and system CPU ticks of a process so far (/proc/<pid>/stat). */
long cpuTicks(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    size_t at = stat.rfind(')');
    if (at == std::string::npos)
        return -1;
    std::istringstream fields(stat.substr(at + 2));
    std::string field;
    long utime = 0, stime = 0;
    for (int i = 3; fields >> field; ++i) {
        if (i == 14)
            utime = std::stol(field);
        if (i == 15) {
            stime = std::stol(field);
            break;
        }
    }
    return utime + stime;
}

TEST_F(GatewayService, Notify_ReadyThenWatchdogEveryHalfPeriod_StoppingAtStop)
{
    FakeManager manager(notifyName_);
    ASSERT_TRUE(manager.bound());
    setPeriodic("600"); /* the pause alone must wake for the pings */
    startNotified("1000000");
    EXPECT_EQ("READY=1\nSTATUS=serving on 0.0.0.0:2404", manager.next(2000));
    int64_t first = 0;
    ASSERT_EQ("WATCHDOG=1", manager.next(2000, &first)) << "the first ping follows READY";

    std::vector<int64_t> pings = pingsDuring(manager, 3000);
    const int64_t end = monotonicMs();
    ASSERT_GE(pings.size(), 5u) << "pings every 500 ms for 3 s";
    EXPECT_LE(pings.size(), 7u) << "no more pings than the half period asks for";
    const int64_t gap = longestGap(first, pings, end);
    EXPECT_LT(gap, 900) << "a ping must come well within the 1 s period";
    std::vector<int64_t> gaps;
    for (size_t i = 0; i < pings.size(); ++i)
        gaps.push_back(pings[i] - (i == 0 ? first : pings[i - 1]));
    printf("watchdog ping gaps with WATCHDOG_USEC=1000000 (ms):");
    for (int64_t g : gaps)
        printf(" %lld", static_cast<long long>(g));
    printf("\n");
    EXPECT_GE(*std::min_element(gaps.begin(), gaps.end()), 450) << "not faster than needed";

    ASSERT_TRUE(gateway_.signal(SIGTERM));
    std::string message;
    do
        message = manager.next(3000);
    while (message == "WATCHDOG=1");
    EXPECT_EQ("STOPPING=1", message);
    EXPECT_EQ(0, exitCodeOf(gateway_.waitExit(5000))) << gateway_.transcript();
    EXPECT_EQ("(none)", manager.next(100)) << "nothing after STOPPING";
}

/* Stops one thread of the gateway (the main thread: its tid is the pid)
 * while the others run on, the way a main loop stuck in a call would look.
 * False where the platform refuses to trace (an emulator, a sandbox). */
class ThreadHold
{
  public:
    explicit ThreadHold(pid_t tid) : tid_(tid)
    {
        if (ptrace(PTRACE_SEIZE, tid_, nullptr, nullptr) != 0)
            return;
        seized_ = true;
        int status = 0;
        held_ = ptrace(PTRACE_INTERRUPT, tid_, nullptr, nullptr) == 0 &&
                waitpid(tid_, &status, __WALL) == tid_ && WIFSTOPPED(status);
    }
    ~ThreadHold()
    {
        if (seized_)
            ptrace(PTRACE_DETACH, tid_, nullptr, nullptr);
    }
    bool held() const { return held_; }

  private:
    pid_t tid_;
    bool seized_ = false;
    bool held_ = false;
};

TEST_F(GatewayService, Watchdog_MainThreadHeld_PingsStopThenResume)
{
    FakeManager manager(notifyName_);
    ASSERT_TRUE(manager.bound());
    setPeriodic("1");
    startNotified("1000000");
    ASSERT_EQ("READY=1\nSTATUS=serving on 0.0.0.0:2404", manager.next(2000));
    ASSERT_FALSE(pingsDuring(manager, 1200).empty());

    int64_t lockedAt = 0, releasedAt = 0;
    std::vector<int64_t> held;
    {
        ThreadHold hold(gateway_.pid());
        if (!hold.held())
            GTEST_SKIP() << "this platform does not let the test stop one thread: "
                         << strerror(errno);
        lockedAt = monotonicMs();
        held = pingsDuring(manager, 3000);
        releasedAt = monotonicMs();
        connectClient(); /* the other threads still serve: pings are the loop's alone */
    }
    EXPECT_TRUE(held.empty()) << "no ping while the main loop is held";
    EXPECT_GT(longestGap(lockedAt, held, releasedAt), 1000);

    int64_t resumed = 0;
    std::string message;
    do
        message = manager.next(8000, &resumed);
    while (message == "WATCHDOG=1" && resumed < releasedAt);
    EXPECT_EQ("WATCHDOG=1", message) << "pings resume once the loop runs again\n"
                                     << gateway_.transcript();
    EXPECT_TRUE(gateway_.isRunning());
}

TEST_F(GatewayService, WatchdogForAnotherProcess_NoPings_WithoutSocketNothingSent)
{
    {
        FakeManager manager(notifyName_);
        ASSERT_TRUE(manager.bound());
        setPeriodic("600");
        startNotified("1000000", "1"); /* WATCHDOG_PID names init, not the gateway */
        EXPECT_EQ("READY=1\nSTATUS=serving on 0.0.0.0:2404", manager.next(2000));
        EXPECT_EQ("(none)", manager.next(1200)) << "the watchdog is not the gateway's";
        EXPECT_EQ(0, exitCodeOf(interruptGateway())) << gateway_.transcript();
        EXPECT_EQ("STOPPING=1", manager.next(1000));
    }
    /* The sandbox's other tests run without NOTIFY_SOCKET; a socket bound now
     * under the same name hears nothing from a gateway that was not told. */
    FakeManager bystander(notifyName_);
    ASSERT_TRUE(bystander.bound());
    GatewayProcess plain;
    ASSERT_TRUE(plain.start(QX_GATEWAY_BINARY, work_));
    ASSERT_TRUE(plain.waitFor("running...", 10000)) << plain.transcript();
    EXPECT_EQ("(none)", bystander.next(700));
    ASSERT_TRUE(plain.signal(SIGINT));
    EXPECT_EQ(0, exitCodeOf(plain.waitExit(8000)));
}

TEST_F(GatewayService, Sighup_PrintsItsLine_GatewayKeepsServing_NoBusyLoop)
{
    setPeriodic("600");
    startGateway();
    connectClient();
    ASSERT_TRUE(gateway_.signal(SIGHUP));
    EXPECT_TRUE(
        gateway_.waitFor("SIGHUP: nothing to re-read; qxSvr.ini changes need a restart", 3000))
        << gateway_.transcript();

    ASSERT_TRUE(client_.sendAsdu(interrogationAsdu(0x06)));
    std::vector<IFrame> frames;
    client_.collectUntil(
        frames, [](const std::vector<IFrame>& f) { return !framesOf(f, 13, 20).empty(); }, 5000);
    EXPECT_EQ(1u, framesOf(frames, 100, 7).size()) << "interrogation confirmed after SIGHUP";
    EXPECT_FALSE(framesOf(frames, 13, 20).empty()) << "and answered";

    /* The wake-up is used up: the pause sleeps again instead of spinning. */
    const long before = cpuTicks(gateway_.pid());
    usleep(1000 * 1000);
    const long used = cpuTicks(gateway_.pid()) - before;
    EXPECT_LT(used, sysconf(_SC_CLK_TCK) / 5) << "CPU ticks in 1 s after SIGHUP: " << used;

    ASSERT_TRUE(gateway_.signal(SIGHUP));
    EXPECT_TRUE(gateway_.waitFor("SIGHUP: nothing to re-read", 3000));
    EXPECT_EQ(2, gateway_.countFrom(0, "SIGHUP:")) << gateway_.transcript();
    EXPECT_EQ(0, gateway_.countFrom(0, "SvrPeriodic")) << "a SIGHUP does not end the pause";
}

TEST_F(GatewayService, Sighup_OnlyTheMainThreadTakesIt)
{
    if (RunsUnderEmulator())
        GTEST_SKIP() << "the emulator keeps the target's signal masks to itself";
    startGateway();
    connectClient();
    expectOnlyMainThreadTakes(1ull << (SIGHUP - 1));
}

TEST_F(GatewayService, PidFile_RemovedAtCleanExit)
{
    startGateway();
    EXPECT_EQ(std::to_string(gateway_.pid()), readFile(pidFile()));
    EXPECT_EQ(0, exitCodeOf(interruptGateway())) << gateway_.transcript();
    EXPECT_FALSE(pathExists(pidFile()));
}

TEST_F(GatewayService, PidFileIsASymbolicLink_RefusedWithExit1_LinkAndTargetUntouched)
{
    const std::string target = root_ + "/not-a-pid-file";
    ASSERT_TRUE(writeFile(target, "keep me"));
    unlink(pidFile().c_str()); /* left by an earlier run; no gateway runs now */
    ASSERT_EQ(0, symlink(target.c_str(), pidFile().c_str()));
    ASSERT_TRUE(gateway_.start(QX_GATEWAY_BINARY, work_));
    const int status = gateway_.waitExit(10000);
    char link[4096];
    const ssize_t n = readlink(pidFile().c_str(), link, sizeof(link));
    unlink(pidFile().c_str()); /* later tests need the place */
    EXPECT_EQ(1, exitCodeOf(status)) << gateway_.transcript();
    EXPECT_EQ(std::vector<std::string>{"Open file failed, error : " + std::string(strerror(ELOOP)) +
                                       ", file: " + pidFile() + " (a symbolic link is refused)"},
              gateway_.lines());
    EXPECT_EQ("keep me", readFile(target));
    ASSERT_GT(n, 0);
    EXPECT_EQ(target, std::string(link, static_cast<size_t>(n)));
}

TEST_F(GatewayService, DataDbMissing_PdbErrNamesPathAndReason_Exits255_PidFileRemoved)
{
    ASSERT_EQ(0, unlink(dataDb().c_str()));
    ASSERT_TRUE(gateway_.start(QX_GATEWAY_BINARY, work_));
    EXPECT_EQ(255, exitCodeOf(gateway_.waitExit(10000))) << gateway_.transcript();
    EXPECT_TRUE(
        gateway_.waitFor("pDb err: cannot open " + dataDb() + ": No such file or directory\r", 100))
        << gateway_.transcript();
    EXPECT_TRUE(gateway_.waitFor("exit -1 !IsOk", 100)) << gateway_.transcript();
    EXPECT_FALSE(pathExists(pidFile()));
}

TEST_F(GatewayService, IniMissing_AnnouncedOnce_GatewayStartsOnDefaults)
{
    ASSERT_EQ(0, unlink((work_ + "/qxSvr.ini").c_str()));
    startGateway();
    EXPECT_EQ(1, gateway_.countFrom(0, "qxSvr.ini not found in " + work_ +
                                           ": all keys at their defaults"))
        << gateway_.transcript();
    connectClient(); /* serving on the default port and addresses */
}

} // namespace
} // namespace qxtest
