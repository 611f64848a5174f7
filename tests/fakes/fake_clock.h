/*
 * fake_clock.h - the platform clocks (hal_time.h) under a test's control.
 *
 * A test program that links fake_clock.cpp gets Hal_getTimeInMs and
 * Hal_getMonotonicTimeInMs from here instead of src/hal/time: both clocks
 * stand still until the test moves them. Safe from any thread.
 */
#ifndef QX_FAKE_CLOCK_H
#define QX_FAKE_CLOCK_H

#include <cstdint>

namespace qxfake
{

/* wall = 1700000000000 ms, monotonic = 1000000 ms, frozen. */
void clockReset();
/* Moves both clocks forward. */
void clockAdvance(uint64_t ms);
/* Moves only the wall clock (either sign). */
void clockStepWall(int64_t deltaMs);
uint64_t clockWallMs();
uint64_t clockMonotonicMs();

} // namespace qxfake

#endif
