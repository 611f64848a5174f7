// SPDX-License-Identifier: Apache-2.0
/*
 * APCI framing of IEC 60870-5-104: classification of received frames,
 * sequence number packing and the frames the slave writes itself.
 */
#include "cs104_apci.h"

#include "buffer_frame.h"

#include <cstring>

const uint8_t STARTDT_CON_MSG[CS104_APCI_LENGTH] = {0x68, 0x04, 0x0b, 0x00, 0x00, 0x00};
const uint8_t STOPDT_CON_MSG[CS104_APCI_LENGTH] = {0x68, 0x04, 0x23, 0x00, 0x00, 0x00};
const uint8_t TESTFR_CON_MSG[CS104_APCI_LENGTH] = {0x68, 0x04, 0x83, 0x00, 0x00, 0x00};
const uint8_t TESTFR_ACT_MSG[CS104_APCI_LENGTH] = {0x68, 0x04, 0x43, 0x00, 0x00, 0x00};

CS104_FrameKind CS104_classifyFrame(uint8_t controlOctet1)
{
    // Mask tests in a fixed order: the first matching function wins.
    if ((controlOctet1 & 0x01) == 0)
        return CS104_FRAME_I;
    if ((controlOctet1 & 0x43) == 0x43)
        return CS104_FRAME_TESTFR_ACT;
    if ((controlOctet1 & 0x07) == 0x07)
        return CS104_FRAME_STARTDT_ACT;
    if ((controlOctet1 & 0x13) == 0x13)
        return CS104_FRAME_STOPDT_ACT;
    if ((controlOctet1 & 0x83) == 0x83)
        return CS104_FRAME_TESTFR_CON;
    if (controlOctet1 == 0x01)
        return CS104_FRAME_S;
    return CS104_FRAME_OTHER;
}

void CS104_encodeSequenceNumber(uint8_t* out, int n)
{
    n &= (CS104_SEQUENCE_MODULUS - 1);
    out[0] = (uint8_t)((n % 128) * 2);
    out[1] = (uint8_t)(n / 128);
}

int CS104_decodeSequenceNumber(const uint8_t* in)
{
    return ((in[1] * 256) + (in[0] & 0xfe)) / 2;
}

int CS104_nextSequenceNumber(int n)
{
    return (n + 1) % CS104_SEQUENCE_MODULUS;
}

int CS104_previousSequenceNumber(int n)
{
    return (n + CS104_SEQUENCE_MODULUS - 1) % CS104_SEQUENCE_MODULUS;
}

void CS104_buildSFrame(uint8_t* out, int receiveCount)
{
    out[0] = CS104_START_OCTET;
    out[1] = 0x04;
    out[2] = 0x01;
    out[3] = 0x00;
    CS104_encodeSequenceNumber(out + 4, receiveCount);
}

void CS104_writeIFrameHeader(uint8_t* frame, int msgSize, int sendCount, int receiveCount)
{
    frame[0] = CS104_START_OCTET;
    frame[1] = (uint8_t)(msgSize - 2);
    CS104_encodeSequenceNumber(frame + 2, sendCount);
    CS104_encodeSequenceNumber(frame + 4, receiveCount);
}

bool CS104_encodeASDU(FrameBuffer* buffer, CS101_ASDU asdu)
{
    if (asdu == nullptr)
        return false;
    // A received ASDU mirrored back can be longer than a frame buffer takes
    // (length octet 255 leaves 251 octets): check before encoding.
    int length = CS101_ASDU_getLength(asdu);
    if (length < 1 || length > CS104_MAX_ASDU_LENGTH)
        return false;
    struct sBufferFrame bufferFrame;
    Frame frame = BufferFrame_initialize(&bufferFrame, buffer->msg, CS104_APCI_LENGTH);
    CS101_ASDU_encode(asdu, frame);
    int msgSize = BufferFrame_getMsgSize(frame);
    if (msgSize != CS104_APCI_LENGTH + length)
        return false;
    buffer->msgSize = msgSize;
    return true;
}

bool CS104_setASDUOctets(FrameBuffer* buffer, const uint8_t* asduOctets, int asduLength)
{
    if (asduLength < 1 || asduLength > CS104_MAX_ASDU_LENGTH)
        return false;
    std::memcpy(buffer->msg + CS104_APCI_LENGTH, asduOctets, (size_t)asduLength);
    buffer->msgSize = CS104_APCI_LENGTH + asduLength;
    return true;
}
