// SPDX-License-Identifier: Apache-2.0
#include "fakes/fake_clock.h"

#include "hal_time.h"

#include <atomic>

namespace
{

constexpr uint64_t kWallStartMs = 1700000000000ULL;
constexpr uint64_t kMonotonicStartMs = 1000000ULL;

std::atomic<uint64_t> wallMs{kWallStartMs};
std::atomic<uint64_t> monotonicMs{kMonotonicStartMs};

} // namespace

namespace qxfake
{

void clockReset()
{
    wallMs = kWallStartMs;
    monotonicMs = kMonotonicStartMs;
}

void clockAdvance(uint64_t ms)
{
    wallMs += ms;
    monotonicMs += ms;
}

void clockStepWall(int64_t deltaMs)
{
    wallMs += static_cast<uint64_t>(deltaMs); // modulo 2^64: a negative step goes back
}

uint64_t clockWallMs()
{
    return wallMs.load();
}

uint64_t clockMonotonicMs()
{
    return monotonicMs.load();
}

} // namespace qxfake

uint64_t Hal_getTimeInMs(void)
{
    return wallMs.load();
}

uint64_t Hal_getMonotonicTimeInMs(void)
{
    return monotonicMs.load();
}
