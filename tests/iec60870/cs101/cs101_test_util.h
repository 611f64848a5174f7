// SPDX-License-Identifier: Apache-2.0
// Helpers shared by the application-layer tests: encoding into a plain
// buffer and exactly sized heap copies that let AddressSanitizer catch any
// read past the octets handed to a decoder.
#ifndef CS101_TEST_UTIL_H
#define CS101_TEST_UTIL_H

#include "buffer_frame.h"
#include "cs101_information_objects.h"
#include "fakes/octets.h"
#include "iec60870_common.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace cs101test
{

using qxtest::Octets;

// The slave's sizes: type 1, VSQ 1, cause 2, originator 0, common address 2, address 3.
inline sCS101_AppLayerParameters defaultParameters()
{
    return sCS101_AppLayerParameters{1, 1, 2, 0, 2, 3};
}

// Encodes io on its own into a buffer frame; empty when the encoder refuses.
inline Octets encodeObject(InformationObject io, CS101_AppLayerParameters parameters,
                           bool isSequence = false)
{
    uint8_t buffer[BUFFER_FRAME_CAPACITY];
    sBufferFrame frameRecord;
    Frame frame = BufferFrame_initialize(&frameRecord, buffer, 0);
    if (!InformationObject_encode(io, frame, parameters, isSequence))
        return Octets();
    return Octets(buffer, buffer + Frame_getMsgSize(frame));
}

// All octets of an ASDU as it would go on the wire.
inline Octets encodeAsdu(CS101_ASDU asdu)
{
    uint8_t buffer[BUFFER_FRAME_CAPACITY];
    sBufferFrame frameRecord;
    Frame frame = BufferFrame_initialize(&frameRecord, buffer, 0);
    CS101_ASDU_encode(asdu, frame);
    return Octets(buffer, buffer + Frame_getMsgSize(frame));
}

// A heap block of exactly bytes.size() octets holding bytes.
struct HeapCopy {
    explicit HeapCopy(const Octets& bytes)
        : data(new uint8_t[bytes.size()]), size(static_cast<int>(bytes.size()))
    {
        std::copy(bytes.begin(), bytes.end(), data.get());
    }
    std::unique_ptr<uint8_t[]> data;
    int size;
};

// Header with the default sizes: type, VSQ, cause 3, originator 0, common address 1.
inline Octets defaultHeader(int type, uint8_t vsq)
{
    return Octets{static_cast<uint8_t>(type), vsq, 0x03, 0x00, 0x01, 0x00};
}

inline Octets concat(Octets a, const Octets& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

} // namespace cs101test

#endif
