// SPDX-License-Identifier: Apache-2.0
/*
 * Multiple redundancy groups: placing connections by peer address, data to
 * every group, one active member per group with takeover, a group without
 * an active member keeping its data, losses per group, and queued answers
 * for the asking connection's group only. Masters bind 127.0.0.x source
 * addresses over loopback.
 */
#include "slave_fixture.h"

#include <cstring>
#include <string>
#include <thread>

namespace qxtest
{
namespace
{

/* 127.0.0.2 and .3: group 0; 127.0.0.4: group 1; anyone else is refused. */
int selectGroup(void*, const char* ipAddress)
{
    if (std::strcmp(ipAddress, "127.0.0.2") == 0 || std::strcmp(ipAddress, "127.0.0.3") == 0)
        return 0;
    if (std::strcmp(ipAddress, "127.0.0.4") == 0)
        return 1;
    return -1;
}

const char* const kGroup0A = "127.0.0.2";
const char* const kGroup0B = "127.0.0.3";
const char* const kGroup1 = "127.0.0.4";

class GroupsTest : public SlaveTest
{
  protected:
    void configure() override
    {
        ASSERT_TRUE(CS104_Slave_setRedundancyGroups(slave, 2, selectGroup, nullptr));
    }

    void start(int lowPrio = 100) { startSlave(CS104_MODE_MULTIPLE_REDUNDANCY_GROUPS, lowPrio); }

    void connectFrom(RawMaster& master, const char* source)
    {
        int before = CS104_Slave_getOpenConnections(slave);
        ASSERT_TRUE(master.connect(port, source));
        ASSERT_TRUE(waitFor([&] { return CS104_Slave_getOpenConnections(slave) > before; }));
    }

    void startDt(RawMaster& master)
    {
        ASSERT_TRUE(master.sendU(U_STARTDT_ACT));
        std::optional<Apdu> con = master.receive();
        ASSERT_TRUE(con.has_value());
        ASSERT_EQ(con->octets, uFrame(U_STARTDT_CON));
    }

    void connectActiveFrom(RawMaster& master, const char* source)
    {
        connectFrom(master, source);
        startDt(master);
    }
};

/* Receives single-point frames for the IOAs in order, numbered from N(S) firstNs. */
void expectPoints(RawMaster& master, std::initializer_list<int> ioas, int firstNs = 0)
{
    int ns = firstNs;
    for (int ioa : ioas) {
        std::optional<Apdu> data = master.receive(3000);
        ASSERT_TRUE(data.has_value()) << ioa;
        EXPECT_EQ(data->octets, expectedSinglePointFrame(ns++, 0, ioa)) << ioa;
    }
}

/* ------------------------------------------------------- configuration */

TEST(GroupsSetup, SetRedundancyGroups_ChecksArgumentsAndState)
{
    EXPECT_FALSE(CS104_Slave_setRedundancyGroups(nullptr, 2, selectGroup, nullptr));
    CS104_Slave slave = CS104_Slave_create(10, 10);
    ASSERT_NE(slave, nullptr);
    EXPECT_FALSE(CS104_Slave_setRedundancyGroups(slave, 0, selectGroup, nullptr));
    EXPECT_FALSE(CS104_Slave_setRedundancyGroups(slave, -1, selectGroup, nullptr));
    EXPECT_FALSE(CS104_Slave_setRedundancyGroups(slave, CS104_MAX_REDUNDANCY_GROUPS + 1,
                                                 selectGroup, nullptr));
    EXPECT_TRUE(
        CS104_Slave_setRedundancyGroups(slave, CS104_MAX_REDUNDANCY_GROUPS, selectGroup, nullptr));
    EXPECT_TRUE(CS104_Slave_setRedundancyGroups(slave, 3, selectGroup, nullptr));
    CS104_Slave_setServerMode(slave, CS104_MODE_MULTIPLE_REDUNDANCY_GROUPS);
    CS104_Slave_setLocalAddress(slave, "127.0.0.1");
    CS104_Slave_setLocalPort(slave, freeTcpPort());
    CS104_Slave_start(slave);
    ASSERT_TRUE(CS104_Slave_isRunning(slave));
    // The groups exist now: their number no longer changes.
    EXPECT_FALSE(CS104_Slave_setRedundancyGroups(slave, 2, selectGroup, nullptr));
    CS104_QueueLosses none = CS104_Slave_getGroupQueueLosses(slave, 3);
    EXPECT_EQ(none.asdus, 0u);
    CS104_Slave_stop(slave);
    EXPECT_FALSE(CS104_Slave_setRedundancyGroups(slave, 2, selectGroup, nullptr));
    CS104_Slave_destroy(slave);
}

TEST_F(GroupsTest, SelectorRefuses_ConnectionClosedAtOnceOthersServed)
{
    start();
    RawMaster outsider, member;
    ASSERT_TRUE(outsider.connect(port, "127.0.0.9"));
    EXPECT_TRUE(outsider.closedWithNothingFirst(2000));
    connectActiveFrom(member, kGroup1);
    EXPECT_EQ(CS104_Slave_getOpenConnections(slave), 1);
}

/* ----------------------------------------------------- data to groups */

TEST_F(GroupsTest, ConnectionInfos_NameEachConnectionsGroup)
{
    start();
    RawMaster a, b;
    connectFrom(a, kGroup1);
    connectFrom(b, kGroup0A);
    CS104_ConnectionInfo infos[3];
    ASSERT_EQ(CS104_Slave_getConnectionInfos(slave, infos, 3), 2);
    EXPECT_EQ(infos[0].group, 1);
    EXPECT_EQ(std::string(infos[0].address).rfind("127.0.0.4:", 0), 0u) << infos[0].address;
    EXPECT_EQ(infos[1].group, 0);
}

TEST_F(GroupsTest, TwoGroupsStarted_EachReceivesEveryEntryInOrder)
{
    start();
    RawMaster a, b;
    connectActiveFrom(a, kGroup0A);
    connectActiveFrom(b, kGroup1);
    for (int ioa = 1; ioa <= 8; ioa++)
        enqueueSinglePoint(ioa);
    expectPoints(a, {1, 2, 3, 4, 5, 6, 7, 8});
    expectPoints(b, {1, 2, 3, 4, 5, 6, 7, 8});
    EXPECT_TRUE(a.quietFor(150));
    EXPECT_TRUE(b.quietFor(50));
}

TEST_F(GroupsTest, TakeoverInsideGroup_UnconfirmedFirstInOrder_OtherGroupUntouched)
{
    start();
    RawMaster first, second, other;
    connectActiveFrom(first, kGroup0A);
    connectActiveFrom(other, kGroup1);
    enqueueSinglePoint(21);
    enqueueSinglePoint(22);
    expectPoints(first, {21, 22});
    expectPoints(other, {21, 22});
    // The second member of group 0 takes over; the first confirmed nothing.
    connectActiveFrom(second, kGroup0B);
    enqueueSinglePoint(23);
    expectPoints(second, {21, 22, 23});
    // The other group gets only the new entry, no repetition.
    expectPoints(other, {23}, 2);
    EXPECT_TRUE(other.quietFor(150));
    // The first member is silent but open and answers test frames.
    EXPECT_TRUE(first.quietFor(50));
    ASSERT_TRUE(first.sendU(U_TESTFR_ACT));
    std::optional<Apdu> con = first.receive();
    ASSERT_TRUE(con.has_value());
    EXPECT_EQ(con->octets, uFrame(U_TESTFR_CON));
    EXPECT_EQ(CS104_Slave_getOpenConnections(slave), 3);
}

TEST_F(GroupsTest, TwoStartDtAtOnceInOneGroup_ExactlyOneMemberSends)
{
    start();
    RawMaster other;
    connectActiveFrom(other, kGroup1);
    for (int round = 0; round < 4; round++) {
        RawMaster a, b;
        connectFrom(a, kGroup0A);
        connectFrom(b, kGroup0B);
        expectOneSenderAfterStartDtAtOnce(a, b, round + 1);
        // The other group's active member is never deactivated by group 0.
        expectPoints(other, {round + 1}, round);
        a.close();
        b.close();
        ASSERT_TRUE(waitFor([&] { return CS104_Slave_getOpenConnections(slave) == 1; }));
    }
}

TEST_F(GroupsTest, GroupWithoutStartedMember_KeepsEntriesInOrderUntilStartDt)
{
    start();
    RawMaster waiting, active;
    connectFrom(waiting, kGroup0A);
    connectActiveFrom(active, kGroup1);
    for (int ioa = 41; ioa <= 50; ioa++)
        enqueueSinglePoint(ioa);
    expectPoints(active, {41, 42, 43, 44, 45, 46, 47, 48, 49, 50});
    EXPECT_TRUE(waiting.quietFor(150));
    startDt(waiting);
    expectPoints(waiting, {41, 42, 43, 44, 45, 46, 47, 48, 49, 50});
    EXPECT_TRUE(waiting.quietFor(150));
    EXPECT_EQ(CS104_Slave_getQueueLosses(slave).asdus, 0u);
}

TEST_F(GroupsTest, NoMemberConnected_GroupQueueStillFills_LossesCountedPerGroup)
{
    start(4);
    RawMaster active;
    connectActiveFrom(active, kGroup1);
    for (int ioa = 1; ioa <= 7; ioa++) {
        enqueueSinglePoint(ioa);
        // Group 1 confirms each entry, so only group 0 (nobody connected) overflows.
        expectPoints(active, {ioa}, ioa - 1);
        ASSERT_TRUE(active.send(sFrame(ioa)));
        ASSERT_TRUE(active.sendU(U_TESTFR_ACT)); // its answer: the confirmation was handled
        std::optional<Apdu> con = active.receive();
        ASSERT_TRUE(con.has_value());
        ASSERT_EQ(con->octets, uFrame(U_TESTFR_CON));
    }
    CS104_QueueLosses group0 = CS104_Slave_getGroupQueueLosses(slave, 0);
    CS104_QueueLosses group1 = CS104_Slave_getGroupQueueLosses(slave, 1);
    EXPECT_EQ(group0.asdus, 3u);
    EXPECT_EQ(group0.spontaneousObjects, 3u);
    EXPECT_EQ(group1.asdus, 0u);
    EXPECT_EQ(CS104_Slave_getQueueLosses(slave).spontaneousObjects, 3u);
    // The newest four wait for group 0, in order.
    RawMaster late;
    connectActiveFrom(late, kGroup0B);
    expectPoints(late, {4, 5, 6, 7});
    EXPECT_TRUE(late.quietFor(150));
}

/* A new report supersedes cyclic data still waiting in every group's queue,
 * started or not, with or without a member; events keep their order. */
TEST_F(GroupsTest, DropWaitingCyclic_EveryGroupsQueue_EventsStayInOrder)
{
    start();
    RawMaster waiting;
    connectFrom(waiting, kGroup0A); /* group 1 has nobody connected */
    enqueueSinglePoint(60, CS101_COT_PERIODIC);
    enqueueSinglePoint(61);
    enqueueSinglePoint(62, CS101_COT_BACKGROUND_SCAN);
    enqueueSinglePoint(63);
    EXPECT_EQ(4, CS104_Slave_dropWaitingCyclicASDUs(slave)) << "two cyclic entries in each group";
    EXPECT_EQ(0, CS104_Slave_dropWaitingCyclicASDUs(slave));
    startDt(waiting);
    expectPoints(waiting, {61, 63});
    EXPECT_TRUE(waiting.quietFor(150));
    RawMaster late;
    connectActiveFrom(late, kGroup1);
    expectPoints(late, {61, 63});
    EXPECT_TRUE(late.quietFor(150));
    EXPECT_EQ(CS104_Slave_getQueueLosses(slave).asdus, 0u) << "dropped is not lost";
}

/* ---------------------------------------------- answers for one group */

bool enqueueForAsker(void* parameter, IMasterConnection connection, CS101_ASDU asdu, uint8_t)
{
    CS104_Slave slave = static_cast<CS104_Slave>(*static_cast<CS104_Slave*>(parameter));
    IMasterConnection_sendACT_CON(connection, asdu, false);
    CS101_ASDU out = CS101_ASDU_create(CS104_Slave_getAppLayerParameters(slave), false,
                                       CS101_COT_SPONTANEOUS, 0, 1, false, false);
    InformationObject io = (InformationObject)SinglePointInformation_create(nullptr, 77, true, 0);
    CS101_ASDU_addInformationObject(out, io);
    InformationObject_destroy(io);
    CS104_Slave_enqueueASDUForConnection(slave, connection, out);
    CS101_ASDU_destroy(out);
    return true;
}

class AskerGroupsTest : public GroupsTest
{
  protected:
    void configure() override
    {
        GroupsTest::configure();
        CS104_Slave_setInterrogationHandler(slave, enqueueForAsker, &slave);
    }
};

TEST_F(AskerGroupsTest, EnqueueForConnection_ReachesOnlyTheAskersGroup)
{
    start();
    RawMaster asker, standby, other;
    connectActiveFrom(asker, kGroup0A);
    connectFrom(standby, kGroup0B);
    connectActiveFrom(other, kGroup1);
    ASSERT_TRUE(asker.sendI(interrogationAsdu(0x06)));
    std::optional<Apdu> con = asker.receiveI();
    ASSERT_TRUE(con.has_value());
    EXPECT_EQ(con->cause(), 7);
    std::optional<Apdu> data = asker.receiveI();
    ASSERT_TRUE(data.has_value());
    EXPECT_EQ(data->asduOctets(), singlePointAsdu(0x03, 77, true));
    EXPECT_TRUE(other.quietFor(300));
    // It sits in group 0's queue: the standby member that takes over without
    // a confirmation gets it again, the other group never.
    startDt(standby);
    std::optional<Apdu> again = standby.receiveI();
    ASSERT_TRUE(again.has_value());
    EXPECT_EQ(again->asduOctets(), singlePointAsdu(0x03, 77, true));
    EXPECT_TRUE(other.quietFor(50));
}

} // namespace
} // namespace qxtest
