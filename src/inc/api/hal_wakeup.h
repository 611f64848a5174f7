// SPDX-License-Identifier: Apache-2.0
/*
 * A wake-up of the platform layer: a descriptor that one thread signals and
 * another waits on in a HandleSet, so a waiting thread wakes at once when
 * something is due for it instead of polling.
 *
 * Signals are counted and kept until cleared: a signal given while nobody
 * waits makes the next wait return at once. The waiter clears the wake-up
 * first and then looks at what is due, so a signal given meanwhile is not
 * lost. WakeUp_signal may be called from any thread; it never blocks and
 * takes no lock.
 *
 * Failures are results (null); a null wake-up is ignored by every function.
 */
#ifndef HAL_WAKEUP_H
#define HAL_WAKEUP_H

#include "hal_socket.h"

typedef struct sWakeUp* WakeUp;

/* A new, cleared wake-up, or null when out of memory or descriptors. */
WakeUp WakeUp_create(void);

/* Makes the wake-up's descriptor readable until the next clear. */
void WakeUp_signal(WakeUp self);

/* Clears every signal given so far (never blocks). */
void WakeUp_clear(WakeUp self);

/* Adds the wake-up's descriptor to a handle set. */
void WakeUp_addTo(WakeUp self, HandleSet handleSet);

/* Closes the descriptor and frees the record. */
void WakeUp_destroy(WakeUp self);

#endif
