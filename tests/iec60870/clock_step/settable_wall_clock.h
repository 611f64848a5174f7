/*
 * The platform layer's two clocks for the wall-clock step tests: the
 * monotonic clock is the system's, the wall clock is the system's shifted by
 * an offset the test sets. Linked into the test program instead of
 * src/hal/time (the program defines both clock functions, so the archive's
 * member is never pulled in), it lets a test set the time as an operator or
 * NTP would, without root and without touching the machine's clock.
 */
#ifndef QX_TESTS_CLOCK_STEP_SETTABLE_WALL_CLOCK_H
#define QX_TESTS_CLOCK_STEP_SETTABLE_WALL_CLOCK_H

#include <cstdint>

namespace qxtest
{

/* Moves the wall clock seen through Hal_getTimeInMs by deltaMs (either sign). */
void stepWallClock(int64_t deltaMs);

/* Puts the wall clock back on the system time. */
void resetWallClock();

} // namespace qxtest

#endif
