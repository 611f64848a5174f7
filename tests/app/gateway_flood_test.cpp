// SPDX-License-Identifier: Apache-2.0
/*
 * A connection flood against the real gateway when the system refuses
 * threads: its address space is limited to a few more thread stacks than it
 * uses at rest, then many masters connect at once. Connections whose thread
 * cannot start must be closed at once; when the masters leave, threads and
 * descriptors return to where they were, a new master is served completely
 * and SIGINT still ends the process with "exit 0".
 */
#include "gateway_sandbox.h"

#include "fakes/build_traits.h"
#include "fakes/proc_usage.h"

#include <dirent.h>
#include <poll.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

namespace qxtest
{
namespace
{

const bool kAddressSpaceLimitUsable = !kSanitizedBuild; /* the runtimes reserve terabytes */

const int kFloodSize = 200;
const int kBurst = 10;
const long kHeadroomKb = 16 * 1024; /* room for one or two 8 MiB stacks */

/* True when the gateway has closed this master's connection (end of stream). */
bool closedByGateway(const RawMaster& master)
{
    pollfd entry = {master.fd(), POLLIN, 0};
    if (poll(&entry, 1, 0) != 1)
        return false;
    char octet;
    return recv(master.fd(), &octet, 1, MSG_PEEK) <= 0;
}

struct Usage {
    int threads;
    int descriptors;
};

class GatewayFlood : public GatewaySandbox
{
  protected:
    void SetUp() override
    {
        GatewaySandbox::SetUp();
        setPeriodic("0"); /* no report: the interrogation answer stands alone */
    }
    Usage usage()
    {
        std::string proc = "/proc/" + std::to_string(gateway_.pid());
        return {CountDirectoryEntries(proc + "/task"), CountDirectoryEntries(proc + "/fd")};
    }
    bool usageBecomes(const Usage& expected, int timeoutMs)
    {
        int64_t deadline = monotonicMs() + timeoutMs;
        for (;;) {
            Usage now = usage();
            if (now.threads == expected.threads && now.descriptors == expected.descriptors)
                return true;
            if (monotonicMs() > deadline)
                return false;
            usleep(50 * 1000);
        }
    }
};

TEST_F(GatewayFlood, ThreadsRefused_FloodClosedAtOnce_BaselineBack_NewMasterServed_Exit0)
{
    if (!kAddressSpaceLimitUsable)
        GTEST_SKIP() << "an address-space limit cannot be used under this sanitizer";
    if (RunsUnderEmulator())
        GTEST_SKIP() << "the limit would bind the emulator, whose address space is not the "
                        "gateway's";
    startGateway();
    usleep(200 * 1000);
    const Usage before = usage();
    long vm = ProcStatusKb(gateway_.pid(), "VmSize:");
    ASSERT_GT(vm, 0);
    rlimit limit;
    limit.rlim_cur = limit.rlim_max = static_cast<rlim_t>(vm + kHeadroomKb) * 1024;
    ASSERT_EQ(0, prlimit(gateway_.pid(), RLIMIT_AS, &limit, nullptr));

    /* Masters connect in bursts of the listen backlog; the request handler
     * prints a line for every accepted connection. */
    std::vector<RawMaster> flood(kFloodSize);
    for (int first = 0; first < kFloodSize; first += kBurst) {
        for (int i = first; i < first + kBurst; i++)
            ASSERT_TRUE(flood[i].connect(kGatewayPort));
        int64_t deadline = monotonicMs() + 5000;
        while (gateway_.countFrom(0, "New connection from") < first + kBurst &&
               monotonicMs() < deadline)
            usleep(5 * 1000);
    }
    ASSERT_EQ(kFloodSize, gateway_.countFrom(0, "New connection from")) << gateway_.transcript();
    usleep(300 * 1000);
    int closed = 0;
    for (const RawMaster& master : flood)
        closed += closedByGateway(master) ? 1 : 0;
    const Usage during = usage();
    std::printf("flood of %d: threads %d -> %d, descriptors %d -> %d, closed at once %d\n",
                kFloodSize, before.threads, during.threads, before.descriptors, during.descriptors,
                closed);
    EXPECT_GT(closed, 0) << "the address-space limit refused no thread";
    /* Each served master holds its socket, its wake-up descriptor and one
     * thread; a refused one none of them. */
    EXPECT_EQ(during.descriptors, before.descriptors + 2 * (kFloodSize - closed));
    EXPECT_EQ(during.threads, before.threads + kFloodSize - closed);

    flood.clear();
    EXPECT_TRUE(usageBecomes(before, 5000))
        << "threads " << usage().threads << " descriptors " << usage().descriptors;
    const Usage after = usage();
    std::printf("after the flood: threads %d, descriptors %d\n", after.threads, after.descriptors);

    connectClient();
    std::vector<IFrame> frames;
    ASSERT_TRUE(client_.sendAsdu(interrogationAsdu(0x06)));
    EXPECT_TRUE(client_.collectUntil(frames, answerComplete, 10000));

    int status = interruptGateway();
    EXPECT_EQ(0, exitCodeOf(status)) << gateway_.transcript();
    EXPECT_TRUE(gateway_.waitFor("exit 0", 1000)) << gateway_.transcript();
}

} // namespace
} // namespace qxtest
