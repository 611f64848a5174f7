// SPDX-License-Identifier: Apache-2.0
/*
 * Address space of the running gateway as masters connect: neither the
 * connection threads' stacks nor per-thread malloc arenas may reserve
 * megabytes per master (a 32-bit controller must hold hundreds of them).
 */
#include "gateway_sandbox.h"

#include "fakes/build_traits.h"
#include "fakes/proc_usage.h"

#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

namespace qxtest
{
namespace
{

using GatewayMemory = GatewaySandbox;

TEST_F(GatewayMemory, TwentyMasters_VirtualSizeGrowsLessThanOneMiBEach)
{
    if (kSanitizedBuild)
        GTEST_SKIP() << "the sanitizers reserve address space per thread themselves";
    if (RunsUnderEmulator())
        GTEST_SKIP() << "the virtual size would be the emulator's, not the gateway's";
    setPeriodic("0");
    startGateway();
    const long before = ProcStatusKb(gateway_.pid(), "VmSize:");
    ASSERT_GT(before, 0);
    const int masters = 20;
    std::vector<std::unique_ptr<StationClient>> clients;
    for (int i = 0; i < masters; ++i) {
        clients.emplace_back(new StationClient);
        ASSERT_TRUE(clients.back()->connect(kGatewayPort));
        ASSERT_TRUE(clients.back()->startDataTransfer()) << gateway_.transcript();
    }
    const long after = ProcStatusKb(gateway_.pid(), "VmSize:");
    ASSERT_GT(after, 0);
    const double growthKiB = static_cast<double>(after - before);
    EXPECT_LT(growthKiB / masters, 1024.0) << "virtual size grew by " << growthKiB << " KiB";
}

} // namespace
} // namespace qxtest
