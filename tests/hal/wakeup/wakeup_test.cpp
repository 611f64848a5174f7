// SPDX-License-Identifier: Apache-2.0
/*
 * The wake-up descriptor: a signal wakes a handle-set wait at once, stays
 * until cleared, and a clear never blocks.
 */
#include "hal_wakeup.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace
{

class WakeUpTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        wakeUp = WakeUp_create();
        set = Handleset_new();
        ASSERT_NE(wakeUp, nullptr);
        ASSERT_NE(set, nullptr);
        WakeUp_addTo(wakeUp, set);
    }
    void TearDown() override
    {
        Handleset_destroy(set);
        WakeUp_destroy(wakeUp);
    }
    WakeUp wakeUp = nullptr;
    HandleSet set = nullptr;
};

TEST_F(WakeUpTest, SignalBeforeWait_KeptUntilCleared)
{
    EXPECT_EQ(Handleset_waitReady(set, 0), 0) << "a new wake-up is clear";
    WakeUp_signal(wakeUp);
    WakeUp_signal(wakeUp);
    EXPECT_EQ(Handleset_waitReady(set, 0), 1);
    EXPECT_EQ(Handleset_waitReady(set, 0), 1) << "waiting does not clear";
    WakeUp_clear(wakeUp); // one clear takes every signal
    EXPECT_EQ(Handleset_waitReady(set, 0), 0);
    WakeUp_clear(wakeUp); // nothing signalled: returns at once
    EXPECT_EQ(Handleset_waitReady(set, 0), 0);
}

TEST_F(WakeUpTest, SignalFromAnotherThread_EndsALongWait)
{
    std::thread signaller([&] { WakeUp_signal(wakeUp); });
    EXPECT_EQ(Handleset_waitReady(set, 10000), 1);
    signaller.join();
}

/* Signals and clears race: a signal given while a clear runs must still
 * wake the next wait, and a cleared wake-up must not stay readable (every
 * wait would return at once). The signaller's pauses vary, so its signals
 * land at every point of the waiter's clears; the waiter clears, then
 * takes the count of items, as the connection thread does with its queue. */
TEST_F(WakeUpTest, SignalsRacingClears_NoneLost_NoneLeftReadable)
{
    const int kRounds = 200000;
    std::atomic<int> produced{0};
    std::atomic<int> taken{0};
    std::thread signaller([&] {
        for (int i = 1; i <= kRounds; ++i) {
            for (volatile int pause = 0; pause < (i * 7) % 200; pause = pause + 1) {
            }
            produced.store(i, std::memory_order_release);
            WakeUp_signal(wakeUp);
        }
    });
    while (taken.load() < kRounds) {
        if (Handleset_waitReady(set, 5000) != 1) {
            ADD_FAILURE() << "a signal was lost after item " << taken.load();
            taken.store(kRounds); /* lets the signaller end */
            break;
        }
        WakeUp_clear(wakeUp);
        taken.store(produced.load(std::memory_order_acquire), std::memory_order_release);
    }
    signaller.join();
    WakeUp_clear(wakeUp);
    EXPECT_EQ(Handleset_waitReady(set, 0), 0) << "cleared, yet readable";
    WakeUp_signal(wakeUp);
    EXPECT_EQ(Handleset_waitReady(set, 0), 1) << "a signal after the race still wakes";
}

TEST(WakeUpNull, EveryFunction_IgnoresNull)
{
    WakeUp_signal(nullptr);
    WakeUp_clear(nullptr);
    WakeUp_addTo(nullptr, nullptr);
    WakeUp_destroy(nullptr);
    HandleSet set = Handleset_new();
    Handleset_addDescriptor(set, -1);
    Handleset_addServerSocket(set, nullptr);
    EXPECT_EQ(Handleset_waitReady(set, 0), -1) << "still empty";
    Handleset_destroy(set);
}

} // namespace
