/*
 * Fuzzing stand-ins for the socket layer and the clock (see fake_hal.cpp):
 * one scripted peer per connection, a clock that the script moves.
 */
#ifndef QX_FUZZ_FAKE_HAL_H
#define QX_FUZZ_FAKE_HAL_H

#include "hal_socket.h"

#include <cstddef>
#include <cstdint>

/* A connected socket whose peer plays script (not copied; keep it alive). */
Socket FakeSocket_create(const uint8_t* script, size_t size);

/* Puts the clock back to its start time. */
void FakeClock_reset();

#endif
