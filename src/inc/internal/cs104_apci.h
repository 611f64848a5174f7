// SPDX-License-Identifier: Apache-2.0
/*
 * APCI framing of IEC 60870-5-104 as the slave engine uses it: frame
 * classification, 15-bit sequence number packing, the constant U frames,
 * S frames, I-frame headers and the FrameBuffer an outgoing I frame is built
 * in. Pure functions over caller buffers: no allocation, no locking.
 */
#ifndef CS104_APCI_H
#define CS104_APCI_H

#include "iec60870_common.h"

#include <cstdint>

#define CS104_START_OCTET 0x68
#define CS104_APCI_LENGTH 6
/* Smallest length octet: the four control octets. */
#define CS104_MIN_LENGTH_OCTET 4
/* Receive buffer of a connection; the largest frame is 2 + 255 octets. */
#define CS104_RECEIVE_BUFFER_SIZE 260
/* Octets of a FrameBuffer and so of the largest I frame the slave sends. */
#define CS104_FRAME_BUFFER_SIZE 256
/* Largest encoded ASDU that fits a FrameBuffer behind the APCI. */
#define CS104_MAX_ASDU_LENGTH (CS104_FRAME_BUFFER_SIZE - CS104_APCI_LENGTH)
/* Sequence numbers count modulo this. */
#define CS104_SEQUENCE_MODULUS 32768

/*
 * An outgoing I frame: the ASDU encoded at offset 6 of msg, the six APCI
 * octets written in front of it just before sending. msgSize counts the APCI.
 */
struct FrameBuffer {
    uint8_t msg[CS104_FRAME_BUFFER_SIZE];
    int msgSize;
};

/* The four U frames the slave sends, six octets each. */
extern const uint8_t STARTDT_CON_MSG[CS104_APCI_LENGTH];
extern const uint8_t STOPDT_CON_MSG[CS104_APCI_LENGTH];
extern const uint8_t TESTFR_CON_MSG[CS104_APCI_LENGTH];
extern const uint8_t TESTFR_ACT_MSG[CS104_APCI_LENGTH];

/* What a received frame is, by its first control octet. */
typedef enum {
    CS104_FRAME_I,
    CS104_FRAME_TESTFR_ACT,
    CS104_FRAME_STARTDT_ACT,
    CS104_FRAME_STOPDT_ACT,
    CS104_FRAME_TESTFR_CON,
    CS104_FRAME_S,
    CS104_FRAME_OTHER /* anything else, STARTDT con and STOPDT con among it: ignored */
} CS104_FrameKind;

/*
 * Classifies by the first control octet; the mask tests run in the order
 * I, TESTFR act, STARTDT act, STOPDT act, TESTFR con, S, so an octet with
 * several function bits is taken as the first of them (0xC3: TESTFR act).
 */
CS104_FrameKind CS104_classifyFrame(uint8_t controlOctet1);

/* Writes n (taken modulo 32768) as two octets: (n mod 128) * 2, n / 128. */
void CS104_encodeSequenceNumber(uint8_t* out, int n);

/* Reads a sequence number from two octets; bit 0 of the first is ignored. */
int CS104_decodeSequenceNumber(const uint8_t* in);

/* (n + 1) mod 32768 and (n - 1) mod 32768. */
int CS104_nextSequenceNumber(int n);
int CS104_previousSequenceNumber(int n);

/* Writes the S frame 68 04 01 00 N(R) into out (six octets). */
void CS104_buildSFrame(uint8_t* out, int receiveCount);

/*
 * Writes the six APCI octets of an I frame in front of the ASDU in frame:
 * 0x68, msgSize - 2, N(S), N(R). msgSize counts the APCI (7..257).
 */
void CS104_writeIFrameHeader(uint8_t* frame, int msgSize, int sendCount, int receiveCount);

/*
 * Encodes the ASDU at offset 6 of buffer and sets msgSize. False (buffer
 * unchanged apart from msg) when the ASDU is null or longer than
 * CS104_MAX_ASDU_LENGTH octets, which a received ASDU mirrored back can be.
 */
bool CS104_encodeASDU(FrameBuffer* buffer, CS101_ASDU asdu);

/*
 * Copies asduLength pre-encoded ASDU octets to offset 6 of buffer and sets
 * msgSize. False when asduLength is outside 1..CS104_MAX_ASDU_LENGTH.
 */
bool CS104_setASDUOctets(FrameBuffer* buffer, const uint8_t* asduOctets, int asduLength);

#endif
