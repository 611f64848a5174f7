/*
 * Millisecond wall clock of the platform layer.
 */
#include "hal_thread.h"
#include "hal_time.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
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
