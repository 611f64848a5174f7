// SPDX-License-Identifier: Apache-2.0
/*
 * Linux implementation of the wake-up (hal_wakeup.h): an eventfd, opened
 * non-blocking and close-on-exec. Signalling adds 1 to its counter (a full
 * counter already signals), clearing reads the counter back to 0.
 */
#include "hal_wakeup.h"

#include "lib_memory.h"

#include <cstdint>
#include <sys/eventfd.h>
#include <unistd.h>

struct sWakeUp {
    int fd;
};

WakeUp WakeUp_create(void)
{
    auto self = static_cast<WakeUp>(Memory_malloc(sizeof(struct sWakeUp)));
    if (self == nullptr)
        return nullptr;
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
    uint64_t one = 1;
    if (write(self->fd, &one, sizeof(one)) < 0) {
        /* EAGAIN: the counter is full, so the descriptor is readable anyway */
    }
}

void WakeUp_clear(WakeUp self)
{
    if (self == nullptr)
        return;
    uint64_t count;
    if (read(self->fd, &count, sizeof(count)) < 0) {
        /* EAGAIN: nothing was signalled */
    }
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
