// SPDX-License-Identifier: Apache-2.0
/*
 * Frame: the abstract byte sink that information objects and ASDUs encode into.
 *
 * A frame is a record whose first field points to its operation table. The
 * Frame_ functions dispatch through that table and check nothing. The two
 * implementations are BufferFrame (buffer_frame.h) and the ASDU object.
 */
#ifndef FRAME_H
#define FRAME_H

#include <cstdint>

typedef struct sFrame* Frame;

struct sFrameVFT {
    void (*destroy)(Frame self);
    void (*resetFrame)(Frame self);
    void (*setNextByte)(Frame self, uint8_t byte);
    void (*appendBytes)(Frame self, const uint8_t* bytes, int numberOfBytes);
    int (*getMsgSize)(Frame self);
    uint8_t* (*getBuffer)(Frame self);
    int (*getSpaceLeft)(Frame self);
};

struct sFrame {
    const struct sFrameVFT* virtualFunctionTable;
};

void Frame_destroy(Frame self);
void Frame_resetFrame(Frame self);
void Frame_setNextByte(Frame self, uint8_t byte);
void Frame_appendBytes(Frame self, const uint8_t* bytes, int numberOfBytes);
int Frame_getMsgSize(Frame self);
uint8_t* Frame_getBuffer(Frame self);
int Frame_getSpaceLeft(Frame self);

#endif
