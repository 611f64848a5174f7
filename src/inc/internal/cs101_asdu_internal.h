// SPDX-License-Identifier: Apache-2.0
/*
 * Records of the ASDU object (operations in iec60870_common.h).
 *
 * A CS101_ASDU either wraps received octets (stackCreated true: asdu points
 * into the caller's buffer, payloadSize is what arrived after the header) or
 * is a CS101_StaticASDU that holds header and payload in its own buffer
 * (stackCreated false). A CS101_StaticASDU begins with the same fields, so
 * it is usable wherever a CS101_ASDU is expected; a caller may keep one on
 * the stack and set it up with CS101_ASDU_initializeStatic.
 */
#ifndef CS101_ASDU_INTERNAL_H
#define CS101_ASDU_INTERNAL_H

#include "iec60870_common.h"
#include "frame.h"

#include <cstdint>

/* Size of the buffer of a CS101_StaticASDU (room for the largest ASDU). */
#define CS101_STATIC_ASDU_BUFFER_SIZE 256

#define CS101_ASDU_FIELDS                                                                          \
    bool stackCreated;                                                                             \
    CS101_AppLayerParameters parameters; /* borrowed */                                            \
    uint8_t* asdu;                       /* header octet 0 */                                      \
    int asduHeaderLength;                                                                          \
    uint8_t* payload; /* first octet after the header */                                           \
    int payloadSize

struct sCS101_ASDU {
    CS101_ASDU_FIELDS;
};

struct sCS101_StaticASDU {
    CS101_ASDU_FIELDS;
    uint8_t encodedData[CS101_STATIC_ASDU_BUFFER_SIZE];
};

/* The frame an ASDU hands to information-object encoders (lives on the stack). */
struct sASDUFrame {
    const struct sFrameVFT* virtualFunctionTable;
    CS101_ASDU asdu;
};
typedef struct sASDUFrame* ASDUFrame;

#endif
