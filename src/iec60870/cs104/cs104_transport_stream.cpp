// SPDX-License-Identifier: Apache-2.0
/*
 * The transport seam's shared code: a gathered write of whole frames with
 * the fallback of one write per frame, and the resuming of short gathered
 * writes (see cs104_transport_stream.h).
 */
#include "cs104_transport_stream.h"

bool TransportStream_writeFrames(TransportStream self, const TransportFrame* frames, int count)
{
    if (count <= 0)
        return count == 0;
    if (self->methods->writeFrames != nullptr)
        return self->methods->writeFrames(self, frames, count);
    for (int i = 0; i < count; i++) {
        if (!self->methods->write(self, frames[i].octets, frames[i].size))
            return false;
    }
    return true;
}

bool TransportFrames_writeAll(const TransportFrame* frames, int count, int maxBuffers,
                              int (*writeSome)(void* context, const TransportFrame* buffers,
                                               int count),
                              void* context)
{
    if (maxBuffers < 1)
        maxBuffers = 1;
    int next = 0;       /* first frame not wholly written */
    int doneInNext = 0; /* its octets already written */
    while (next < count) {
        if (frames[next].size - doneInNext <= 0) {
            ++next;
            doneInNext = 0;
            continue;
        }
        /* Only the first buffer may start inside its frame: a local copy of
         * the head, the rest offered as they are. */
        TransportFrame parts[SOCKET_MAX_GATHER];
        int offered = count - next;
        if (offered > maxBuffers)
            offered = maxBuffers;
        if (offered > SOCKET_MAX_GATHER)
            offered = SOCKET_MAX_GATHER;
        for (int i = 0; i < offered; i++)
            parts[i] = frames[next + i];
        parts[0].octets += doneInNext;
        parts[0].size -= doneInNext;
        int taken = writeSome(context, parts, offered);
        if (taken <= 0)
            return false;
        /* Skip what was taken: whole frames, then a part of the next. */
        while (taken > 0 && next < count) {
            int left = frames[next].size - doneInNext;
            if (taken >= left) {
                taken -= left;
                ++next;
                doneInNext = 0;
            } else {
                doneInNext += taken;
                taken = 0;
            }
        }
    }
    return true;
}
