// SPDX-License-Identifier: Apache-2.0
/*
 * Clocks of the platform layer.
 */
#ifndef HAL_TIME_H
#define HAL_TIME_H

#include <cstdint>

/*
 * Milliseconds since 1970-01-01 00:00 UTC from the system clock, in 64 bits
 * (far above 2^32 for any present-day date, and right after 2038 also on
 * 32-bit targets). The clock jumps when the system time is set: use it for
 * time tags, not for measuring periods.
 */
uint64_t Hal_getTimeInMs(void);

/*
 * Milliseconds from a fixed but unspecified point (boot), in 64 bits. Never
 * goes backwards and does not move when the system time is set, so it is
 * the clock for time-outs and link timers. Values only mean something as
 * differences within one boot.
 */
uint64_t Hal_getMonotonicTimeInMs(void);

#endif
