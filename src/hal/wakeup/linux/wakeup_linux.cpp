// SPDX-License-Identifier: Apache-2.0
/*
 * Linux implementation of the wake-up (hal_wakeup.h): an eventfd, opened
 * non-blocking and close-on-exec. Signalling adds 1 to its counter (a full
 * counter already signals), clearing reads the counter back to 0.
 *
 * An answer queues dozens of ASDUs, each with a signal, and a connection
 * clears its wake-ups on every pass, so both sides skip the system call
 * when it would change nothing. `signalled` is raised by the signal that
 * writes (the first since the flag was lowered) and lowered only by a clear
 * whose read took that write. So a counter above 0 always has the flag up:
 * a clear that finds the flag down has nothing to read. A clear whose read
 * finds nothing has overtaken the raising signal between its flag and its
 * write; it leaves the flag up and the write, when it lands, wakes the next
 * wait. The lowering is an exchange, so the waiter, which looks at its work
 * after the clear, sees the work of every signal that found the flag up.
 */
#include "hal_wakeup.h"

#include "lib_memory.h"

#include <atomic>
#include <cstdint>
#include <new>
#include <sys/eventfd.h>
#include <unistd.h>

struct sWakeUp {
    int fd;
    std::atomic<bool> signalled;
};

WakeUp WakeUp_create(void)
{
    auto self = static_cast<WakeUp>(Memory_malloc(sizeof(struct sWakeUp)));
    if (self == nullptr)
        return nullptr;
    new (&self->signalled) std::atomic<bool>(false);
    self->fd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (self->fd < 0) {
        Memory_free(self);
        return nullptr;
    }
    return self;
}

void WakeUp_signal(WakeUp self)
{
    if (self == nullptr)
        return;
    if (self->signalled.exchange(true, std::memory_order_acq_rel))
        return; /* the descriptor is readable, or about to be */
    uint64_t one = 1;
    if (write(self->fd, &one, sizeof(one)) < 0) {
        /* EAGAIN: the counter is full, so the descriptor is readable anyway */
    }
}

void WakeUp_clear(WakeUp self)
{
    if (self == nullptr)
        return;
    if (!self->signalled.load(std::memory_order_acquire))
        return;
    uint64_t count;
    if (read(self->fd, &count, sizeof(count)) == sizeof(count))
        self->signalled.exchange(false, std::memory_order_acq_rel);
}

void WakeUp_addTo(WakeUp self, HandleSet handleSet)
{
    if (self != nullptr)
        Handleset_addDescriptor(handleSet, self->fd);
}

void WakeUp_destroy(WakeUp self)
{
    if (self == nullptr)
        return;
    close(self->fd);
    Memory_free(self);
}
