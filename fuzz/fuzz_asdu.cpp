// SPDX-License-Identifier: Apache-2.0
/*
 * A received ASDU: CS101_ASDU_createFromBuffer with every header size the
 * coding accepts (chosen by the first input octet), every accessor, every
 * element decoded and encoded again, and the ASDU re-encoded, which must
 * give back exactly the received octets.
 */
#include "buffer_frame.h"
#include "cs101_information_objects.h"
#include "iec60870_common.h"

#include <cstdlib>
#include <cstring>
#include <vector>

namespace
{

void encodeEveryElement(CS101_ASDU asdu, CS101_AppLayerParameters parameters)
{
    // Beyond the count too: an element is decoded wherever it lies wholly
    // inside the received octets (AddressSanitizer sees any read past them).
    int count = CS101_ASDU_getNumberOfElements(asdu);
    for (int index = -1; index <= count + 1; index++) {
        InformationObject io = CS101_ASDU_getElement(asdu, index);
        if (io == nullptr)
            continue;
        if (index < 0)
            std::abort(); // negative indices are refused
        (void)InformationObject_getObjectAddress(io);
        (void)TypeID_toString(InformationObject_getType(io));
        uint8_t buffer[BUFFER_FRAME_CAPACITY];
        sBufferFrame frameRecord;
        Frame frame = BufferFrame_initialize(&frameRecord, buffer, 0);
        InformationObject_encode(io, frame, parameters, false);
        InformationObject_destroy(io);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    uint8_t sizes = data[0];
    sCS101_AppLayerParameters parameters{
        1, 1, 1 + (sizes & 1), 0, 1 + ((sizes >> 1) & 1), 1 + ((sizes >> 2) & 3) % 3};
    // An exact heap copy, so a read past the received octets is caught.
    std::vector<uint8_t> received(data + 1, data + size);
    uint8_t* octets = received.empty() ? nullptr : new uint8_t[received.size()];
    if (octets != nullptr)
        std::memcpy(octets, received.data(), received.size());
    CS101_ASDU asdu =
        CS101_ASDU_createFromBuffer(&parameters, octets, static_cast<int>(received.size()));
    if (asdu != nullptr) {
        (void)TypeID_toString(CS101_ASDU_getTypeID(asdu));
        (void)CS101_CauseOfTransmission_toString(CS101_ASDU_getCOT(asdu));
        (void)CS101_ASDU_isSequence(asdu);
        (void)CS101_ASDU_isTest(asdu);
        (void)CS101_ASDU_isNegative(asdu);
        (void)CS101_ASDU_getOA(asdu);
        (void)CS101_ASDU_getCA(asdu);
        (void)CS101_ASDU_isStackCreated(asdu);
        encodeEveryElement(asdu, &parameters);

        uint8_t buffer[BUFFER_FRAME_CAPACITY];
        sBufferFrame frameRecord;
        Frame frame = BufferFrame_initialize(&frameRecord, buffer, 0);
        CS101_ASDU_encode(asdu, frame);
        int length = CS101_ASDU_getLength(asdu);
        if (length != static_cast<int>(received.size()))
            std::abort();
        if (Frame_getMsgSize(frame) == length &&
            std::memcmp(buffer, received.data(), received.size()) != 0)
            std::abort();
        CS101_ASDU_destroy(asdu);
    }
    delete[] octets;
    return 0;
}
