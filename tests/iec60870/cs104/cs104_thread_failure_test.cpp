// SPDX-License-Identifier: Apache-2.0
/*
 * The slave when the system refuses a thread (thread or address-space limit):
 * a connection whose thread cannot start is closed at once and forgotten,
 * the counts stay right, later masters are served and destroy returns.
 * Thread creation is refused through the thread layer's test hook.
 */
#include "slave_fixture.h"

#include <atomic>
#include <cerrno>
#include <dirent.h>
#include <vector>

namespace qxtest
{
namespace
{

/* Every refuseEvery-th creation fails (0: none, 1: all). */
std::atomic<int> refuseEvery{0};
std::atomic<int> creations{0};

int sometimesRefuse(pthread_t* id, const pthread_attr_t* attributes, void* (*function)(void*),
                    void* parameter)
{
    int every = refuseEvery.load();
    int number = ++creations;
    if (every > 0 && number % every == 0)
        return EAGAIN;
    return pthread_create(id, attributes, function, parameter);
}

int threadCount()
{
    DIR* dir = ::opendir("/proc/self/task");
    if (dir == nullptr)
        return -1;
    int count = 0;
    while (dirent* entry = ::readdir(dir))
        if (entry->d_name[0] != '.')
            count++;
    ::closedir(dir);
    return count;
}

class RefusedThreadTest : public SlaveTest
{
  protected:
    void SetUp() override
    {
        refuseEvery = 0;
        creations = 0;
        Thread_setCreateFunction(sometimesRefuse);
    }
    void TearDown() override
    {
        SlaveTest::TearDown(); // must return although starts failed
        Thread_setCreateFunction(nullptr);
    }
};

TEST_F(RefusedThreadTest, EveryThreadRefused_FloodClosedAtOnce_BaselineKept_LaterMasterServed)
{
    for (CS104_ServerMode mode :
         {CS104_MODE_SINGLE_REDUNDANCY_GROUP, CS104_MODE_CONNECTION_IS_REDUNDANCY_GROUP}) {
        SCOPED_TRACE(mode);
        startSlave(mode);
        int fdsBefore = openFdCount();
        int threadsBefore = threadCount();
        refuseEvery = 1;
        // In batches below the listen backlog, so no connect waits for a SYN retry.
        for (int batch = 0; batch < 5; batch++) {
            std::vector<RawMaster> flood(8);
            for (RawMaster& master : flood)
                ASSERT_TRUE(master.connect(port));
            for (RawMaster& master : flood)
                EXPECT_TRUE(master.waitClosed(2000)); // closed by the slave, not left unserved
        }
        EXPECT_EQ(CS104_Slave_getOpenConnections(slave), 0);
        EXPECT_EQ(threadCount(), threadsBefore);
        // The slave's ends are closed too (the last one a moment after its shutdown).
        EXPECT_TRUE(waitFor([&] { return openFdCount() == fdsBefore; }, 1000)) << openFdCount();

        refuseEvery = 0;
        RawMaster later;
        connectActive(later);
        ASSERT_TRUE(later.sendU(U_TESTFR_ACT));
        std::optional<Apdu> reply = later.receive();
        ASSERT_TRUE(reply.has_value());
        EXPECT_EQ(reply->octets, uFrame(U_TESTFR_CON));
        EXPECT_EQ(CS104_Slave_getOpenConnections(slave), 1);

        int64_t start = monotonicMs();
        CS104_Slave_destroy(slave);
        slave = nullptr;
        EXPECT_LT(monotonicMs() - start, 2000);
        EXPECT_TRUE(later.waitClosed(2000));
    }
}

TEST_F(RefusedThreadTest, EverySecondThreadRefused_ServedOnesCountedAndWorking)
{
    startSlave(CS104_MODE_CONNECTION_IS_REDUNDANCY_GROUP);
    refuseEvery = 2;
    creations = 0;
    std::vector<RawMaster> masters(10);
    int served = 0;
    for (RawMaster& master : masters) {
        ASSERT_TRUE(master.connect(port));
        ASSERT_TRUE(master.sendU(U_STARTDT_ACT));
        std::optional<Apdu> con = master.receive(2000);
        if (con.has_value()) {
            EXPECT_EQ(con->octets, uFrame(U_STARTDT_CON));
            served++;
        } else {
            EXPECT_TRUE(master.waitClosed(2000));
        }
    }
    EXPECT_EQ(served, 5);
    EXPECT_EQ(CS104_Slave_getOpenConnections(slave), 5);
    masters.clear();
    EXPECT_TRUE(waitFor([&] { return CS104_Slave_getOpenConnections(slave) == 0; }));
}

TEST_F(RefusedThreadTest, ListeningThreadRefused_StartReturnsNotRunning_DestroyReturns)
{
    refuseEvery = 1;
    slave = CS104_Slave_create(10, 10);
    ASSERT_NE(slave, nullptr);
    CS104_Slave_setLocalAddress(slave, "127.0.0.1");
    CS104_Slave_setLocalPort(slave, freeTcpPort());
    int64_t start = monotonicMs();
    CS104_Slave_start(slave); // waited for ever for a thread that never ran
    EXPECT_LT(monotonicMs() - start, 1000);
    EXPECT_FALSE(CS104_Slave_isRunning(slave));
    CS104_Slave_stop(slave);
    refuseEvery = 0;
    CS104_Slave_start(slave); // the next start works
    EXPECT_TRUE(CS104_Slave_isRunning(slave));
}

} // namespace
} // namespace qxtest
