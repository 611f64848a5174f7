#include "settable_wall_clock.h"

#include "hal_time.h"

#include <atomic>
#include <time.h>

namespace
{

std::atomic<int64_t> wallOffsetMs{0};

int64_t systemMs(clockid_t clock)
{
    struct timespec now;
    clock_gettime(clock, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

} // namespace

namespace qxtest
{

void stepWallClock(int64_t deltaMs)
{
    wallOffsetMs += deltaMs;
}

void resetWallClock()
{
    wallOffsetMs = 0;
}

} // namespace qxtest

uint64_t Hal_getTimeInMs(void)
{
    return static_cast<uint64_t>(systemMs(CLOCK_REALTIME) + wallOffsetMs.load());
}

uint64_t Hal_getMonotonicTimeInMs(void)
{
    return static_cast<uint64_t>(systemMs(CLOCK_MONOTONIC));
}
