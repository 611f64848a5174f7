// SPDX-License-Identifier: Apache-2.0
#include "hal_time.h"

#include <sys/types.h>
#include <time.h>

// The controller is 32-bit ARM: a 32-bit time_t turns negative in 2038, a
// 32-bit off_t stops files at 2 GiB. The build defines _TIME_BITS=64 and
// _FILE_OFFSET_BITS=64 on 32-bit targets; refuse to build without them.
static_assert(sizeof(time_t) == 8, "time_t must be 64 bits (build with -D_TIME_BITS=64)");
static_assert(sizeof(off_t) == 8, "off_t must be 64 bits (build with -D_FILE_OFFSET_BITS=64)");

namespace
{

uint64_t milliseconds(clockid_t clock)
{
    struct timespec now;
    if (clock_gettime(clock, &now) != 0)
        return 0;
    return static_cast<uint64_t>(now.tv_sec) * 1000u +
           static_cast<uint64_t>(now.tv_nsec) / 1000000u;
}

} // namespace

uint64_t Hal_getTimeInMs(void)
{
    return milliseconds(CLOCK_REALTIME);
}

uint64_t Hal_getMonotonicTimeInMs(void)
{
    return milliseconds(CLOCK_MONOTONIC);
}
