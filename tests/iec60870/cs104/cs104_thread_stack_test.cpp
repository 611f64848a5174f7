// SPDX-License-Identifier: Apache-2.0
/*
 * The engine's threads run on their sized stacks, not the system's 8 MiB
 * default: the server thread (seen from the connection-request handler) and
 * a connection thread (seen from the interrogation handler).
 */
#include "cs104_master_connection.h"
#include "cs104_slave_internal.h"
#include "slave_fixture.h"

#include "fakes/build_traits.h"

#include <atomic>

namespace qxtest
{
namespace
{

struct SeenStacks {
    std::atomic<size_t> server{0};
    std::atomic<size_t> connection{0};
};

bool recordServerStack(void* parameter, const char*)
{
    static_cast<SeenStacks*>(parameter)->server = ownStackSize();
    return true;
}

bool recordConnectionStack(void* parameter, IMasterConnection connection, CS101_ASDU asdu, uint8_t)
{
    static_cast<SeenStacks*>(parameter)->connection = ownStackSize();
    IMasterConnection_sendACT_CON(connection, asdu, false);
    return true;
}

class ThreadStackTest : public SlaveTest
{
  protected:
    void configure() override
    {
        CS104_Slave_setConnectionRequestHandler(slave, recordServerStack, &seen);
        CS104_Slave_setInterrogationHandler(slave, recordConnectionStack, &seen);
    }
    SeenStacks seen;
};

TEST_F(ThreadStackTest, ServerAndConnectionThreads_RunOnSizedStacks)
{
    startSlave();
    RawMaster master;
    connectActive(master);
    ASSERT_TRUE(master.sendI(interrogationAsdu(0x06)));
    ASSERT_TRUE(master.receive().has_value()); /* the activation confirmation */
    /* A cached stack of an ended thread may be up to four times larger. */
    EXPECT_GE(seen.server.load(), CS104_SERVER_STACK_SIZE);
    EXPECT_LE(seen.server.load(), 4 * CS104_SERVER_STACK_SIZE);
    EXPECT_GE(seen.connection.load(), CS104_CONNECTION_STACK_SIZE);
    EXPECT_LE(seen.connection.load(), 4 * CS104_CONNECTION_STACK_SIZE);
}

} // namespace
} // namespace qxtest
