// SPDX-License-Identifier: Apache-2.0
/*
 * The wake-up descriptor: a signal wakes a handle-set wait at once, stays
 * until cleared, and a clear never blocks.
 */
#include "hal_wakeup.h"

#include <gtest/gtest.h>

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
