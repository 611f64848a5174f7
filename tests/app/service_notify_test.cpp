// SPDX-License-Identifier: Apache-2.0
/*
 * ServiceNotifier against a datagram socket made by the test: the address
 * forms of NOTIFY_SOCKET, the messages as sent, the watchdog variables and
 * the ping cadence on a clock the test sets.
 */
#include "service_notify.h"

#include "fakes/file_helpers.h"
#include "fakes/notify_socket.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sys/un.h>
#include <unistd.h>

namespace
{

using qxtest::FakeManager;

std::string abstractName()
{
    return "@qxsvr104-notify-test-" + std::to_string(getpid());
}

TEST(ServiceNotifier, AbstractAndPathSockets_GetEachMessageAsOneDatagram)
{
    /* The build tree may be too deep for a socket path: the test's folder is
     * reached as the working directory through /proc/self/cwd. */
    const std::string dir = qxtest::freshTestDir();
    char oldCwd[4096];
    ASSERT_NE(nullptr, getcwd(oldCwd, sizeof(oldCwd)));
    ASSERT_EQ(0, chdir(dir.c_str()));
    const std::string path = "/proc/self/cwd/notify";
    for (const std::string& name : {abstractName(), path}) {
        SCOPED_TRACE(name);
        FakeManager manager(name);
        ASSERT_TRUE(manager.bound());
        ServiceNotifier notifier(name.c_str(), nullptr, nullptr, getpid());
        ASSERT_TRUE(notifier.Enabled());
        EXPECT_TRUE(notifier.Send("READY=1\nSTATUS=serving"));
        EXPECT_TRUE(notifier.Send("STOPPING=1"));
        EXPECT_EQ("READY=1\nSTATUS=serving", manager.next());
        EXPECT_EQ("STOPPING=1", manager.next());
        EXPECT_EQ(0, notifier.PingIntervalMs()) << "no watchdog asked for";
    }
    EXPECT_TRUE(qxtest::pathExists(dir + "/notify"));
    EXPECT_EQ(0, chdir(oldCwd));
}

TEST(ServiceNotifier, UnusableAddresses_LeaveItOff)
{
    const std::string tooLong = "/" + std::string(sizeof(sockaddr_un::sun_path), 'x');
    const std::string longestAbstract = "@" + std::string(sizeof(sockaddr_un::sun_path) - 1, 'y');
    struct Case {
        const char* address;
        bool enabled;
    } cases[] = {{nullptr, false},
                 {"", false},
                 {"@", false},
                 {"relative/notify", false},
                 {"vsock:2:1234", false},
                 {tooLong.c_str(), false},
                 {longestAbstract.c_str(), true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.address == nullptr ? "(unset)" : c.address);
        ServiceNotifier notifier(c.address, "30000000", nullptr, getpid());
        EXPECT_EQ(c.enabled, notifier.Enabled());
        if (!c.enabled) {
            EXPECT_FALSE(notifier.Send("READY=1"));
            EXPECT_EQ(0, notifier.PingIntervalMs()) << "no watchdog without a socket";
            EXPECT_EQ(5000, notifier.WaitLimitMs(0, 5000));
        }
    }
}

TEST(ServiceNotifier, SendToAManagerThatIsGone_FailsWithoutSignal)
{
    ServiceNotifier notifier(abstractName().c_str(), nullptr, nullptr, getpid());
    ASSERT_TRUE(notifier.Enabled());
    EXPECT_FALSE(notifier.Send("READY=1")); /* nobody bound the name */
}

TEST(ServiceNotifier, WatchdogVariables_PeriodHalvedOnlyForThisProcess)
{
    const std::string self = std::to_string(getpid());
    const std::string other = std::to_string(getpid() + 1);
    struct Case {
        const char* usec;
        const char* pid;
        int64_t intervalMs;
    } cases[] = {{"30000000", nullptr, 15000},
                 {"30000000", self.c_str(), 15000},
                 {"30000000", other.c_str(), 0},
                 {"1000000", nullptr, 500},
                 {"1500", nullptr, 1},
                 {"0", nullptr, 0},
                 {"-30000000", nullptr, 0},
                 {"30s", nullptr, 0},
                 {"", nullptr, 0},
                 {nullptr, self.c_str(), 0},
                 {"99999999999999999999", nullptr, 0},
                 {"30000000", "12x", 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.usec ? c.usec : "(unset)") + " / " +
                     (c.pid ? c.pid : "(unset)"));
        ServiceNotifier notifier(abstractName().c_str(), c.usec, c.pid, getpid());
        EXPECT_EQ(c.intervalMs, notifier.PingIntervalMs());
    }
}

TEST(ServiceNotifier, Pings_FirstAtOnceThenEveryInterval_WaitsNeverOutlastThem)
{
    FakeManager manager(abstractName());
    ASSERT_TRUE(manager.bound());
    ServiceNotifier notifier(abstractName().c_str(), "1000000", nullptr, getpid());
    ASSERT_EQ(500, notifier.PingIntervalMs());

    EXPECT_EQ(0, notifier.WaitLimitMs(10000, 3000)) << "the first ping is due at once";
    EXPECT_TRUE(notifier.PingIfDue(10000));
    EXPECT_EQ("WATCHDOG=1", manager.next());
    EXPECT_EQ(500, notifier.WaitLimitMs(10000, 3000));
    EXPECT_EQ(200, notifier.WaitLimitMs(10000, 200)) << "a shorter wait stays as it is";
    EXPECT_EQ(100, notifier.WaitLimitMs(10400, 3000));
    EXPECT_FALSE(notifier.PingIfDue(10499));
    EXPECT_TRUE(notifier.PingIfDue(10500));
    EXPECT_EQ("WATCHDOG=1", manager.next());
    /* A late wake-up (the loop was busy) pings once and counts from then. */
    EXPECT_TRUE(notifier.PingIfDue(12000));
    EXPECT_FALSE(notifier.PingIfDue(12499));
    EXPECT_TRUE(notifier.PingIfDue(12500));
    EXPECT_EQ("WATCHDOG=1", manager.next());
    EXPECT_EQ("WATCHDOG=1", manager.next());
    EXPECT_EQ("(none)", manager.next(50)) << "one datagram per ping";
}

TEST(ServiceNotifier, ManagerThatDoesNotRead_NeverHoldsTheCaller)
{
    /* The receive queue of a datagram socket holds a few messages only; a
     * blocking send would then wait for ever, and the main loop with it. */
    FakeManager manager(abstractName());
    ASSERT_TRUE(manager.bound());
    ServiceNotifier notifier(abstractName().c_str(), "1000000", nullptr, getpid());
    int sent = 0;
    for (int i = 0; i < 5000; ++i)
        sent += notifier.Send("WATCHDOG=1") ? 1 : 0;
    EXPECT_GT(sent, 0);
    EXPECT_LT(sent, 5000) << "the queue never filled: the test proves nothing";
    EXPECT_EQ("WATCHDOG=1", manager.next()) << "what was queued still arrives";
}

TEST(ServiceNotifier, Move_HandsOverTheSocket)
{
    FakeManager manager(abstractName());
    ASSERT_TRUE(manager.bound());
    ServiceNotifier first(abstractName().c_str(), "2000000", nullptr, getpid());
    ServiceNotifier second(std::move(first));
    EXPECT_FALSE(first.Enabled());
    EXPECT_FALSE(first.Send("READY=1"));
    ASSERT_TRUE(second.Enabled());
    EXPECT_EQ(1000, second.PingIntervalMs());
    EXPECT_TRUE(second.Send("READY=1"));
    EXPECT_EQ("READY=1", manager.next());
}

} // namespace
