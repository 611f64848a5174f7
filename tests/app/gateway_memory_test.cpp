/*
 * Address space of the running gateway as masters connect: neither the
 * connection threads' stacks nor per-thread malloc arenas may reserve
 * megabytes per master (a 32-bit controller must hold hundreds of them).
 */
#include "gateway_sandbox.h"

#include "fakes/build_traits.h"

#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

namespace qxtest
{
namespace
{

using GatewayMemory = GatewaySandbox;

/* VmSize of a process in KiB, 0 when it cannot be read. */
double virtualKiB(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line))
        if (line.compare(0, 7, "VmSize:") == 0)
            return std::atof(line.c_str() + 7);
    return 0;
}

TEST_F(GatewayMemory, TwentyMasters_VirtualSizeGrowsLessThanOneMiBEach)
{
    if (kSanitizedBuild)
        GTEST_SKIP() << "the sanitizers reserve address space per thread themselves";
    if (RunsUnderEmulator())
        GTEST_SKIP() << "the virtual size would be the emulator's, not the gateway's";
    setPeriodic("0");
    startGateway();
    const double before = virtualKiB(gateway_.pid());
    ASSERT_GT(before, 0);
    const int masters = 20;
    std::vector<std::unique_ptr<StationClient>> clients;
    for (int i = 0; i < masters; ++i) {
        clients.emplace_back(new StationClient);
        ASSERT_TRUE(clients.back()->connect(kGatewayPort));
        ASSERT_TRUE(clients.back()->startDataTransfer()) << gateway_.transcript();
    }
    const double growthKiB = virtualKiB(gateway_.pid()) - before;
    EXPECT_LT(growthKiB / masters, 1024.0) << "virtual size grew by " << growthKiB << " KiB";
}

} // namespace
} // namespace qxtest
