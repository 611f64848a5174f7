// SPDX-License-Identifier: Apache-2.0
/*
 * CSvrWrapper104's periodic report and slave lifecycle members called in
 * process, without a listening slave (port 2404 stays free): the report
 * counter and its console line, the refresh a report runs first, and the
 * members that must be harmless before or without a slave.
 */
#include <string>

#include "gateway_test_fixture.h"

namespace
{

using Periodic = GatewayTest;

TEST_F(Periodic, SvrPeriodic_NoSlave_RefreshesAndCountsWithoutReporting)
{
    auto gw = InitGateway();
    ASSERT_TRUE(gw->IsOk());
    /* tbPower SID 1 V01 (IOA 16385, index 1) has divisor 10. */
    Data("update tbPower set V01=4615 where SID=1");
    EXPECT_EQ(Capture([&] { gw->SvrPeriodic(); }), "SvrPeriodic... 1\n");
    EXPECT_EQ(gw->Snapshot()->measured[1], Scaled(4615, 10)) << "the report refreshes first";
    EXPECT_EQ(Capture([&] { gw->SvrPeriodic(); }), "SvrPeriodic... 2\n");
}

TEST_F(Periodic, SvrPeriodic_SlaveCreatedNotStarted_QueuesAndCounts)
{
    auto gw = InitGateway();
    gw->SvrInit();
    EXPECT_FALSE(gw->SvrIsOk()) << "created is not running";
    /* Two reports of 52 ASDUs each overflow the queue of 100: the oldest go. */
    EXPECT_EQ(Capture([&] { gw->SvrPeriodic(); }), "SvrPeriodic... 1\n");
    EXPECT_EQ(Capture([&] { gw->SvrPeriodic(); }), "SvrPeriodic... 2\n");
    gw->SvrClose();
    gw->SvrFree();
    EXPECT_FALSE(gw->SvrIsOk());
}

TEST_F(Periodic, Lifecycle_WithoutSvrInit_StartCloseFreeAreHarmless)
{
    auto gw = InitGateway();
    EXPECT_EQ(Capture([&] { gw->SvrStart(); }), "") << "nothing to start, nothing printed";
    EXPECT_FALSE(gw->SvrIsOk());
    gw->SvrClose();
    gw->SvrFree();
    gw->SvrFree();
    EXPECT_FALSE(gw->SvrIsOk());
    EXPECT_TRUE(gw->IsOk()) << "the data store stays open until the destructor";
}

} // namespace
