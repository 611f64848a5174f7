// SPDX-License-Identifier: Apache-2.0
#include "buffer_frame.h"

#include <cstring>

static const struct sFrameVFT bufferFrameVFT = {BufferFrame_destroy,     BufferFrame_resetFrame,
                                                BufferFrame_setNextByte, BufferFrame_appendBytes,
                                                BufferFrame_getMsgSize,  BufferFrame_getBuffer,
                                                BufferFrame_getSpaceLeft};

static BufferFrame asBufferFrame(Frame frame)
{
    return reinterpret_cast<BufferFrame>(frame);
}

Frame BufferFrame_initialize(BufferFrame self, uint8_t* buffer, int startSize)
{
    self->virtualFunctionTable = &bufferFrameVFT;
    self->buffer = buffer;
    self->startSize = startSize;
    self->msgSize = startSize;
    self->isUsed = false;
    return reinterpret_cast<Frame>(self);
}

void BufferFrame_destroy(Frame self)
{
    asBufferFrame(self)->isUsed = false;
}

void BufferFrame_resetFrame(Frame self)
{
    BufferFrame frame = asBufferFrame(self);
    frame->msgSize = frame->startSize;
}

void BufferFrame_setNextByte(Frame self, uint8_t byte)
{
    BufferFrame frame = asBufferFrame(self);
    if (frame->msgSize < 0 || frame->msgSize >= BUFFER_FRAME_CAPACITY)
        return; /* never write past the room every caller provides */
    frame->buffer[frame->msgSize++] = byte;
}

void BufferFrame_appendBytes(Frame self, const uint8_t* bytes, int numberOfBytes)
{
    BufferFrame frame = asBufferFrame(self);
    if (numberOfBytes <= 0 || frame->msgSize < 0 ||
        numberOfBytes > BUFFER_FRAME_CAPACITY - frame->msgSize)
        return; /* all or nothing: a partly copied run would look complete */
    memcpy(frame->buffer + frame->msgSize, bytes, static_cast<size_t>(numberOfBytes));
    frame->msgSize += numberOfBytes;
}

int BufferFrame_getMsgSize(Frame self)
{
    return asBufferFrame(self)->msgSize;
}

uint8_t* BufferFrame_getBuffer(Frame self)
{
    return asBufferFrame(self)->buffer;
}

int BufferFrame_getSpaceLeft(Frame self)
{
    int left = BUFFER_FRAME_CAPACITY - asBufferFrame(self)->msgSize;
    return left > 0 ? left : 0;
}

bool BufferFrame_isUsed(BufferFrame self)
{
    return self->isUsed;
}

void BufferFrame_markAsUsed(BufferFrame self)
{
    self->isUsed = true;
}
