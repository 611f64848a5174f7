// SPDX-License-Identifier: Apache-2.0
/*
 * The platform layer's two clocks under the test's control. Linked into a
 * program, fake_clock.cpp defines Hal_getTimeInMs and
 * Hal_getMonotonicTimeInMs, so src/hal/time is not used: both clocks stand
 * still until the test moves them, and the engine's timers t1, t2, t3 run
 * out exactly when the test says.
 */
#ifndef QX_TESTS_FAKES_FAKE_CLOCK_H
#define QX_TESTS_FAKES_FAKE_CLOCK_H

#include <cstdint>

namespace qxfake
{

/* Wall clock 1700000000000 ms, monotonic clock 1000000 ms, both frozen. */
void clockReset();

/* Moves both clocks forward by ms. */
void clockAdvance(uint64_t ms);

/* Moves only the wall clock (either sign), as setting the system time does. */
void clockStepWall(int64_t deltaMs);

uint64_t clockWallMs();
uint64_t clockMonotonicMs();

} // namespace qxfake

#endif
