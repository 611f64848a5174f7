// SPDX-License-Identifier: Apache-2.0
/*
 * Stack sizes of platform-layer threads (Thread_setStackSize).
 */
#include "hal_thread.h"

#include "fakes/build_traits.h"
#include "fakes/net_helpers.h"

#include <gtest/gtest.h>

#include <atomic>
#include <unistd.h>

using qxtest::monotonicMs;
using qxtest::ownStackSize;

namespace
{

/* Stack size the running thread was given, as the system reports it. */
struct StackProbe {
    std::atomic<size_t> size{0};
    std::atomic<bool> done{false};
};

void* probeStack(void* parameter)
{
    auto probe = static_cast<StackProbe*>(parameter);
    probe->size = ownStackSize();
    probe->done = true;
    return nullptr;
}

size_t runProbe(size_t requested, bool autodestroy)
{
    StackProbe probe;
    Thread thread = Thread_create(probeStack, &probe, autodestroy);
    if (thread == nullptr)
        return 0;
    Thread_setStackSize(thread, requested);
    Thread_start(thread);
    if (autodestroy) {
        int64_t deadline = monotonicMs() + 3000;
        while (!probe.done && monotonicMs() < deadline)
            Thread_sleep(1);
    } else {
        Thread_destroy(thread);
    }
    return probe.size;
}

size_t defaultStackSize()
{
    pthread_attr_t attributes;
    size_t size = 0;
    if (pthread_getattr_default_np(&attributes) == 0) {
        pthread_attr_getstacksize(&attributes, &size);
        pthread_attr_destroy(&attributes);
    }
    return size;
}

/* The C library may hand a thread a cached stack of an ended thread that is
 * larger than asked, but never more than four times as large; what matters
 * is that it is not the default of several MiB. */
void expectStackOf(size_t seen, size_t wanted)
{
#ifdef QX_SANITIZED_BUILD
    /* The sanitizers run threads on their own larger stacks: only the default
     * is ruled out. */
    EXPECT_LT(seen, static_cast<size_t>(2 * 1024 * 1024));
    return;
#endif
    EXPECT_GE(seen, wanted);
    EXPECT_LE(seen, 4 * wanted);
}

} // namespace

TEST(ThreadStackSize, SetSize_ThreadRunsOnStackOfThatSize)
{
    const size_t requested = 256 * 1024;
    expectStackOf(runProbe(requested, false), requested);
    expectStackOf(runProbe(requested, true), requested);
}

TEST(ThreadStackSize, OddOrTinySize_RoundedUpToPagesAndSystemMinimum)
{
    const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    const size_t odd = 200 * 1024 + 1;
    expectStackOf(runProbe(odd, false), (odd + page - 1) / page * page);
    expectStackOf(runProbe(1, false), static_cast<size_t>(PTHREAD_STACK_MIN));
}

TEST(ThreadStackSize, NoSizeOrNullThread_SystemDefaultKept)
{
    Thread_setStackSize(nullptr, 4096); /* ignored */
    StackProbe probe;
    Thread thread = Thread_create(probeStack, &probe, false);
    ASSERT_NE(thread, nullptr);
    EXPECT_EQ(thread->stackSize, 0u);
    Thread_start(thread);
    Thread_destroy(thread);
    EXPECT_EQ(probe.size.load(), defaultStackSize());
}
