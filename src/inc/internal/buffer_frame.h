// SPDX-License-Identifier: Apache-2.0
/*
 * BufferFrame: a Frame over a byte buffer of the caller.
 *
 * Both the sBufferFrame record and its buffer belong to the caller (senders
 * use locals), so encoding an outgoing message allocates nothing. The frame
 * has no capacity field: callers hand it a buffer of at least
 * BUFFER_FRAME_CAPACITY octets, enough for the largest APDU (255 octets).
 * getSpaceLeft answers the room left below that capacity, and a byte or a
 * run of bytes that would not fit below it is dropped whole (msgSize stays),
 * so a faulty encoder can never write past the buffer. Encoders check
 * getSpaceLeft before they write.
 */
#ifndef BUFFER_FRAME_H
#define BUFFER_FRAME_H

#include "frame.h"

#include <cstdint>

/* Room every buffer handed to a buffer frame must have. */
#define BUFFER_FRAME_CAPACITY 256

typedef struct sBufferFrame* BufferFrame;

struct sBufferFrame {
    const struct sFrameVFT* virtualFunctionTable;
    uint8_t* buffer;
    int msgSize;   /* octets written so far, counted from the buffer's start */
    int startSize; /* octets reserved before the message body */
    bool isUsed;
};

/* Initialises self over buffer with startSize reserved octets; gives self as a Frame. */
Frame BufferFrame_initialize(BufferFrame self, uint8_t* buffer, int startSize);

void BufferFrame_destroy(Frame self);
void BufferFrame_resetFrame(Frame self);
void BufferFrame_setNextByte(Frame self, uint8_t byte);
void BufferFrame_appendBytes(Frame self, const uint8_t* bytes, int numberOfBytes);
int BufferFrame_getMsgSize(Frame self);
uint8_t* BufferFrame_getBuffer(Frame self);
int BufferFrame_getSpaceLeft(Frame self);
bool BufferFrame_isUsed(BufferFrame self);
void BufferFrame_markAsUsed(BufferFrame self);

#endif
