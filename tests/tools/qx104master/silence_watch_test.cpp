// SPDX-License-Identifier: Apache-2.0
/*
 * SilenceWatch: qx104master's notice of a started connection that receives
 * no data for longer than the station's report period.
 */
#include <gtest/gtest.h>

#include "silence_watch.h"

namespace
{

TEST(SilenceWatch, ReportsOncePerStretchLongerThanThePeriod)
{
    SilenceWatch watch(10000, 1000); /* STARTDT con at 1 s */
    EXPECT_FALSE(watch.silentTooLong(11000)) << "exactly one period is not longer";
    EXPECT_TRUE(watch.silentTooLong(11001));
    EXPECT_FALSE(watch.silentTooLong(30000)) << "once per stretch";
    EXPECT_EQ(watch.silentMs(30000), 29000);

    watch.dataReceived(30000);
    EXPECT_FALSE(watch.silentTooLong(39000));
    watch.dataReceived(39000); /* data keeps coming: never reported */
    EXPECT_FALSE(watch.silentTooLong(49000));
    EXPECT_TRUE(watch.silentTooLong(49001)) << "a new stretch is reported again";
}

TEST(SilenceWatch, PeriodZero_NeverReports)
{
    SilenceWatch watch(0, 0);
    EXPECT_FALSE(watch.silentTooLong(1000000));
}

} // namespace
