// SPDX-License-Identifier: Apache-2.0
/*
 * Millisecond wall clock of the platform layer.
 */
#include "hal_thread.h"
#include "hal_time.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <ctime>
#include <type_traits>

TEST(HalGetTimeInMs, PresentDay_IsSixtyFourBitMillisecondsSince1970)
{
    static_assert(std::is_same<decltype(Hal_getTimeInMs()), uint64_t>::value,
                  "the clock must be 64 bits wide");
    uint64_t now = Hal_getTimeInMs();
    int64_t reference = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::system_clock::now().time_since_epoch())
                            .count();
    EXPECT_GT(now, UINT64_C(1) << 32);
    EXPECT_GT(now, UINT64_C(1600000000000)); /* later than September 2020, in ms */
    int64_t difference = static_cast<int64_t>(now) - reference;
    EXPECT_LT(difference < 0 ? -difference : difference, 1000);
}

TEST(HalGetTimeInMs, AcrossSleep_AdvancesBySleptTime)
{
    uint64_t before = Hal_getTimeInMs();
    Thread_sleep(250);
    uint64_t after = Hal_getTimeInMs();
    ASSERT_GE(after, before);
    EXPECT_GE(after - before, 240u);
    EXPECT_LT(after - before, 2000u);
}

TEST(HalTimeWidth, TimeT_IsSixtyFourBitsAlsoOnThirtyTwoBitTargets)
{
    // Compiled into this test too, so a build that lost -D_TIME_BITS=64 on a
    // 32-bit target fails here as well as in the platform layer.
    static_assert(sizeof(time_t) == 8, "time_t must be 64 bits");
    time_t after2038 = static_cast<time_t>(INT64_C(2147483648)); /* 2038-01-19 03:14:08 */
    EXPECT_GT(after2038, 0);
}

TEST(HalGetMonotonicTimeInMs, AcrossSleep_AdvancesBySleptTimeAndNeverGoesBack)
{
    static_assert(std::is_same<decltype(Hal_getMonotonicTimeInMs()), uint64_t>::value,
                  "the clock must be 64 bits wide");
    uint64_t before = Hal_getMonotonicTimeInMs();
    uint64_t previous = before;
    for (int i = 0; i < 5; i++) {
        Thread_sleep(50);
        uint64_t now = Hal_getMonotonicTimeInMs();
        ASSERT_GE(now, previous);
        previous = now;
    }
    EXPECT_GE(previous - before, 240u);
    EXPECT_LT(previous - before, 2000u);
}

TEST(HalGetMonotonicTimeInMs, DiffersFromTheWallClock_NotMillisecondsSince1970)
{
    // The monotonic clock counts from boot: far below the wall clock's
    // present-day value, so the two cannot be swapped unnoticed.
    EXPECT_LT(Hal_getMonotonicTimeInMs() + UINT64_C(86400000) * 365, Hal_getTimeInMs());
}
