/*
 * Wall clock of the platform layer.
 */
#ifndef HAL_TIME_H
#define HAL_TIME_H

#include <cstdint>

/*
 * Milliseconds since 1970-01-01 00:00 UTC from the system clock, in 64 bits
 * (far above 2^32 for any present-day date). The clock jumps when the
 * system time is set.
 */
uint64_t Hal_getTimeInMs(void);

#endif
