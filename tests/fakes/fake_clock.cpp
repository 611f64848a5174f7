/*
 * fake_clock.cpp - the platform clocks of a test (see fake_clock.h).
 */
#include "fake_clock.h"

#include <atomic>

#include "hal_time.h"

namespace
{

const uint64_t kWallStartMs = UINT64_C(1700000000000);
const uint64_t kMonotonicStartMs = UINT64_C(1000000);

std::atomic<uint64_t> g_wallMs{kWallStartMs};
std::atomic<uint64_t> g_monotonicMs{kMonotonicStartMs};

} // namespace

namespace qxfake
{

void clockReset()
{
    g_wallMs.store(kWallStartMs);
    g_monotonicMs.store(kMonotonicStartMs);
}

void clockAdvance(uint64_t ms)
{
    g_wallMs.fetch_add(ms);
    g_monotonicMs.fetch_add(ms);
}

void clockStepWall(int64_t deltaMs)
{
    g_wallMs.fetch_add(static_cast<uint64_t>(deltaMs)); /* modulo 2^64: a negative step */
}

uint64_t clockWallMs()
{
    return g_wallMs.load();
}

uint64_t clockMonotonicMs()
{
    return g_monotonicMs.load();
}

} // namespace qxfake

uint64_t Hal_getTimeInMs(void)
{
    return g_wallMs.load();
}

uint64_t Hal_getMonotonicTimeInMs(void)
{
    return g_monotonicMs.load();
}
