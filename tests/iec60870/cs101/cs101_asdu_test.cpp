// SPDX-License-Identifier: Apache-2.0
// The ASDU object: header coding for every size combination, the limits of
// appending (249 octets, 127 objects, sequence addresses), header access on
// received octets and element decoding on truncated or lying ASDUs.
#include "cs101_asdu_internal.h"
#include "cs101_test_util.h"
#include "information_objects_internal.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

using namespace cs101test;

namespace
{

TEST(CS101_ASDU, create_defaultSizes_writesSixOctetHeaderThenObject)
{
    sCS101_AppLayerParameters parameters = defaultParameters();
    CS101_ASDU asdu =
        CS101_ASDU_create(&parameters, false, CS101_COT_SPONTANEOUS, 0, 1, false, false);
    ASSERT_NE(nullptr, asdu);
    EXPECT_FALSE(CS101_ASDU_isStackCreated(asdu));
    EXPECT_EQ((Octets{0x00, 0x00, 0x03, 0x00, 0x01, 0x00}), encodeAsdu(asdu));

    sSinglePointInformation point;
    SinglePointInformation_create(&point, 1, true, 0);
    ASSERT_TRUE(CS101_ASDU_addInformationObject(asdu, reinterpret_cast<InformationObject>(&point)));
    EXPECT_EQ((Octets{0x01, 0x01, 0x03, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00, 0x01}),
              encodeAsdu(asdu));
    EXPECT_EQ(10, CS101_ASDU_getLength(asdu));
    CS101_ASDU_destroy(asdu);
}

struct HeaderCase {
    int sizeOfCOT, sizeOfCA, sizeOfIOA;
    Octets expected; // header, then a single point with address 0x030201
    int oa;          // what getOA answers
};

TEST(CS101_ASDU, create_everySizeCombination_placesFieldsExactly)
{
    const HeaderCase cases[] = {
        {1, 1, 1, {0x01, 0x01, 0xC6, 0x34, 0x01, 0x01}, -1},
        {1, 2, 2, {0x01, 0x01, 0xC6, 0x34, 0x12, 0x01, 0x02, 0x01}, -1},
        {2, 1, 3, {0x01, 0x01, 0xC6, 0x7F, 0x34, 0x01, 0x02, 0x03, 0x01}, 0x7F},
        {2, 2, 1, {0x01, 0x01, 0xC6, 0x7F, 0x34, 0x12, 0x01, 0x01}, 0x7F},
        {2, 2, 3, {0x01, 0x01, 0xC6, 0x7F, 0x34, 0x12, 0x01, 0x02, 0x03, 0x01}, 0x7F},
    };
    for (const HeaderCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.sizeOfCOT << c.sizeOfCA << c.sizeOfIOA);
        sCS101_AppLayerParameters parameters{1, 1, c.sizeOfCOT, 0, c.sizeOfCA, c.sizeOfIOA};
        // Test and negative set, originator 0x17F (low octet kept), common address 0x1234.
        CS101_ASDU asdu =
            CS101_ASDU_create(&parameters, false, CS101_COT_ACTIVATION, 0x17F, 0x1234, true, true);
        ASSERT_NE(nullptr, asdu);
        sSinglePointInformation point;
        SinglePointInformation_create(&point, 0x030201, true, 0);
        ASSERT_TRUE(
            CS101_ASDU_addInformationObject(asdu, reinterpret_cast<InformationObject>(&point)));
        EXPECT_EQ(c.expected, encodeAsdu(asdu));
        EXPECT_EQ(c.oa, CS101_ASDU_getOA(asdu));
        EXPECT_EQ(c.sizeOfCA == 2 ? 0x1234 : 0x34, CS101_ASDU_getCA(asdu));
        EXPECT_TRUE(CS101_ASDU_isTest(asdu));
        EXPECT_TRUE(CS101_ASDU_isNegative(asdu));
        EXPECT_EQ(CS101_COT_ACTIVATION, CS101_ASDU_getCOT(asdu));
        CS101_ASDU_destroy(asdu);
    }
}

TEST(CS101_ASDU, create_unusableSizes_givesNull)
{
    const sCS101_AppLayerParameters bad[] = {
        {1, 1, 0, 0, 2, 3}, {1, 1, 3, 0, 2, 3}, {1, 1, 2, 0, 0, 3},
        {1, 1, 2, 0, 3, 3}, {1, 1, 2, 0, 2, 0}, {1, 1, 2, 0, 2, 4},
    };
    uint8_t msg[16] = {0};
    for (sCS101_AppLayerParameters parameters : bad) {
        EXPECT_EQ(nullptr,
                  CS101_ASDU_create(&parameters, false, CS101_COT_PERIODIC, 0, 1, false, false));
        EXPECT_EQ(nullptr, CS101_ASDU_createFromBuffer(&parameters, msg, sizeof(msg)));
    }
}

TEST(CS101_ASDU, initializeStatic_usesCallerRecord)
{
    sCS101_AppLayerParameters parameters = defaultParameters();
    sCS101_StaticASDU record;
    CS101_ASDU asdu = CS101_ASDU_initializeStatic(
        &record, &parameters, true, CS101_COT_INTERROGATED_BY_STATION, 0, 0x0201, false, false);
    ASSERT_EQ(reinterpret_cast<CS101_ASDU>(&record), asdu);
    sMeasuredValueShort value;
    MeasuredValueShort_create(&value, 0x4000, 1.5f, 0);
    ASSERT_TRUE(CS101_ASDU_addInformationObject(asdu, reinterpret_cast<InformationObject>(&value)));
    EXPECT_EQ((Octets{0x0D, 0x81, 0x14, 0x00, 0x01, 0x02, 0x00, 0x40, 0x00, 0x00, 0x00, 0xC0, 0x3F,
                      0x00}),
              encodeAsdu(asdu));
}

TEST(CS101_ASDU, addInformationObject_sequenceNeedsNextAddress)
{
    sCS101_AppLayerParameters parameters = defaultParameters();
    CS101_ASDU asdu = CS101_ASDU_create(&parameters, true, CS101_COT_PERIODIC, 0, 1, false, false);
    sSinglePointInformation point;
    auto add = [&](int ioa, bool value) {
        SinglePointInformation_create(&point, ioa, value, 0);
        return CS101_ASDU_addInformationObject(asdu, reinterpret_cast<InformationObject>(&point));
    };
    EXPECT_TRUE(add(100, true));
    EXPECT_TRUE(add(101, false));
    EXPECT_FALSE(add(103, true));
    EXPECT_FALSE(add(100, true));
    EXPECT_EQ(2, CS101_ASDU_getNumberOfElements(asdu));
    EXPECT_TRUE(CS101_ASDU_isSequence(asdu));
    EXPECT_EQ((Octets{0x01, 0x82, 0x01, 0x00, 0x01, 0x00, 0x64, 0x00, 0x00, 0x01, 0x00}),
              encodeAsdu(asdu));
    CS101_ASDU_destroy(asdu);
}

TEST(CS101_ASDU, addInformationObject_sequenceStopsAt127ObjectsWithSpaceLeft)
{
    sCS101_AppLayerParameters parameters = defaultParameters();
    CS101_ASDU asdu = CS101_ASDU_create(&parameters, true, CS101_COT_PERIODIC, 0, 1, false, false);
    sSinglePointInformation point;
    for (int i = 0; i < 127; i++) {
        SinglePointInformation_create(&point, 1 + i, i % 2 == 0, 0);
        ASSERT_TRUE(
            CS101_ASDU_addInformationObject(asdu, reinterpret_cast<InformationObject>(&point)))
            << i;
    }
    SinglePointInformation_create(&point, 128, true, 0);
    EXPECT_FALSE(
        CS101_ASDU_addInformationObject(asdu, reinterpret_cast<InformationObject>(&point)));
    EXPECT_EQ(127, CS101_ASDU_getNumberOfElements(asdu));
    EXPECT_TRUE(CS101_ASDU_isSequence(asdu));
    EXPECT_EQ(6 + 3 + 127, CS101_ASDU_getLength(asdu));
    CS101_ASDU_destroy(asdu);
}

TEST(CS101_ASDU, addInformationObject_61stAddressedSinglePointDoesNotFit)
{
    sCS101_AppLayerParameters parameters = defaultParameters();
    CS101_ASDU asdu = CS101_ASDU_create(&parameters, false, CS101_COT_PERIODIC, 0, 1, false, false);
    sSinglePointInformation point;
    for (int i = 0; i < 60; i++) {
        SinglePointInformation_create(&point, 1 + i, true, 0);
        ASSERT_TRUE(
            CS101_ASDU_addInformationObject(asdu, reinterpret_cast<InformationObject>(&point)));
    }
    EXPECT_EQ(246, CS101_ASDU_getLength(asdu));
    SinglePointInformation_create(&point, 61, true, 0);
    EXPECT_FALSE(
        CS101_ASDU_addInformationObject(asdu, reinterpret_cast<InformationObject>(&point)));
    EXPECT_EQ(60, CS101_ASDU_getNumberOfElements(asdu));
    EXPECT_EQ(246, CS101_ASDU_getLength(asdu));
    CS101_ASDU_destroy(asdu);
}

TEST(CS101_ASDU, addInformationObject_fillsExactly249Octets)
{
    // Read commands are address only: 6 + 81 x 3 = 249, the 82nd finds no room.
    sCS101_AppLayerParameters parameters = defaultParameters();
    CS101_ASDU asdu = CS101_ASDU_create(&parameters, false, CS101_COT_REQUEST, 0, 1, false, false);
    sReadCommand read;
    for (int i = 0; i < 81; i++) {
        ReadCommand_create(&read, 1000 + i);
        ASSERT_TRUE(
            CS101_ASDU_addInformationObject(asdu, reinterpret_cast<InformationObject>(&read)))
            << i;
    }
    EXPECT_EQ(249, CS101_ASDU_getLength(asdu));
    ReadCommand_create(&read, 2000);
    EXPECT_FALSE(CS101_ASDU_addInformationObject(asdu, reinterpret_cast<InformationObject>(&read)));
    EXPECT_EQ(81, CS101_ASDU_getNumberOfElements(asdu));
    EXPECT_EQ(249, CS101_ASDU_getLength(asdu));
    CS101_ASDU_destroy(asdu);
}

TEST(CS101_ASDU, addInformationObject_firstObjectTooLargeStillSetsType)
{
    sCS101_AppLayerParameters parameters = defaultParameters();
    CS101_ASDU asdu =
        CS101_ASDU_create(&parameters, false, CS101_COT_FILE_TRANSFER, 0, 1, false, false);
    static uint8_t data[243] = {0};
    sFileSegment segment;
    FileSegment_create(&segment, 1, 1, 1, data, 237); // 6 + 3 + 4 + 237 = 250
    EXPECT_FALSE(
        CS101_ASDU_addInformationObject(asdu, reinterpret_cast<InformationObject>(&segment)));
    EXPECT_EQ(F_SG_NA_1, CS101_ASDU_getTypeID(asdu));
    EXPECT_EQ(0, CS101_ASDU_getNumberOfElements(asdu));
    EXPECT_EQ(6, CS101_ASDU_getLength(asdu));

    FileSegment_create(&segment, 1, 1, 1, data, 236); // the longest that fits: 249 octets
    EXPECT_TRUE(
        CS101_ASDU_addInformationObject(asdu, reinterpret_cast<InformationObject>(&segment)));
    EXPECT_EQ(249, CS101_ASDU_getLength(asdu));
    CS101_ASDU_destroy(asdu);
}

TEST(CS101_ASDU, addInformationObject_otherTypeOrReceivedAsduIsRefused)
{
    sCS101_AppLayerParameters parameters = defaultParameters();
    CS101_ASDU asdu = CS101_ASDU_create(&parameters, false, CS101_COT_PERIODIC, 0, 1, false, false);
    sSinglePointInformation point;
    SinglePointInformation_create(&point, 1, true, 0);
    sMeasuredValueShort value;
    MeasuredValueShort_create(&value, 2, 1.0f, 0);
    ASSERT_TRUE(CS101_ASDU_addInformationObject(asdu, reinterpret_cast<InformationObject>(&point)));
    EXPECT_FALSE(
        CS101_ASDU_addInformationObject(asdu, reinterpret_cast<InformationObject>(&value)));
    EXPECT_EQ(1, CS101_ASDU_getNumberOfElements(asdu));
    CS101_ASDU_destroy(asdu);

    // A received ASDU has no room behind its octets.
    HeapCopy msg(defaultHeader(M_SP_NA_1, 0x00));
    CS101_ASDU received = CS101_ASDU_createFromBuffer(&parameters, msg.data.get(), msg.size);
    ASSERT_NE(nullptr, received);
    EXPECT_TRUE(CS101_ASDU_isStackCreated(received));
    EXPECT_FALSE(
        CS101_ASDU_addInformationObject(received, reinterpret_cast<InformationObject>(&point)));
    EXPECT_EQ(0, CS101_ASDU_getNumberOfElements(received));
    CS101_ASDU_destroy(received);
}

TEST(CS101_ASDU, addInformationObject_reusedRecordAddsEachValue)
{
    sCS101_AppLayerParameters parameters = defaultParameters();
    CS101_ASDU asdu = CS101_ASDU_create(&parameters, false, CS101_COT_INTERROGATED_BY_STATION, 0, 1,
                                        false, false);
    SinglePointInformation point = SinglePointInformation_create(nullptr, 1, false, 0);
    ASSERT_TRUE(CS101_ASDU_addInformationObject(asdu, reinterpret_cast<InformationObject>(point)));
    SinglePointInformation_create(point, 2, true, 0);
    ASSERT_TRUE(CS101_ASDU_addInformationObject(asdu, reinterpret_cast<InformationObject>(point)));
    InformationObject_destroy(reinterpret_cast<InformationObject>(point));
    // The ASDU keeps the octets after the object is gone.
    EXPECT_EQ((Octets{0x01, 0x02, 0x14, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00,
                      0x01}),
              encodeAsdu(asdu));
    CS101_ASDU_destroy(asdu);
}

TEST(CS101_ASDU, setCA_clampsToFieldWidth)
{
    struct Case {
        int sizeOfCA;
        int ca;
        Octets octets;
        int readBack;
    };
    const Case cases[] = {
        {2, -5, {0x00, 0x00}, 0},
        {2, 70000, {0xFF, 0xFF}, 65535},
        {2, 0x1234, {0x34, 0x12}, 0x1234},
        {1, 300, {0xFF}, 255},
        {1, -1, {0x00}, 0},
        {1, 200, {0xC8}, 200},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ca);
        sCS101_AppLayerParameters parameters{1, 1, 2, 0, c.sizeOfCA, 3};
        CS101_ASDU asdu =
            CS101_ASDU_create(&parameters, false, CS101_COT_PERIODIC, 0, 7, false, false);
        CS101_ASDU_setCA(asdu, c.ca);
        const Octets wire = encodeAsdu(asdu);
        EXPECT_EQ(c.octets, Octets(wire.begin() + 4, wire.end()));
        EXPECT_EQ(c.readBack, CS101_ASDU_getCA(asdu));
        CS101_ASDU_destroy(asdu);
    }
}

TEST(CS101_ASDU, headerSetters_onReceivedOctets_changeOnlyTheirBits)
{
    sCS101_AppLayerParameters parameters = defaultParameters();
    Octets octets = {C_IC_NA_1, 0x01, 0xC6, 0x05, 0x01, 0x00, 0x00, 0x00, 0x00, 0x14};
    CS101_ASDU asdu =
        CS101_ASDU_createFromBuffer(&parameters, octets.data(), static_cast<int>(octets.size()));
    ASSERT_NE(nullptr, asdu);
    CS101_ASDU_setCOT(asdu, CS101_COT_ACTIVATION_CON);
    EXPECT_EQ(0xC7, octets[2]);
    CS101_ASDU_setCOT(asdu, static_cast<CS101_CauseOfTransmission>(0xFF)); // six bits only
    EXPECT_EQ(0xFF, octets[2]);
    CS101_ASDU_setTest(asdu, false);
    EXPECT_EQ(0x7F, octets[2]);
    CS101_ASDU_setNegative(asdu, false);
    EXPECT_EQ(0x3F, octets[2]);
    CS101_ASDU_setNegative(asdu, true);
    EXPECT_TRUE(CS101_ASDU_isNegative(asdu));
    EXPECT_FALSE(CS101_ASDU_isTest(asdu));
    EXPECT_EQ(5, CS101_ASDU_getOA(asdu));
    EXPECT_EQ(1, CS101_ASDU_getCA(asdu));
    CS101_ASDU_destroy(asdu);
}

TEST(CS101_ASDU, createFromBuffer_lengthAgainstHeader)
{
    sCS101_AppLayerParameters parameters = defaultParameters();
    HeapCopy shortMsg(Octets{M_SP_NA_1, 0x01, 0x03, 0x00, 0x01});
    EXPECT_EQ(nullptr, CS101_ASDU_createFromBuffer(&parameters, shortMsg.data.get(), 5));
    EXPECT_EQ(nullptr, CS101_ASDU_createFromBuffer(&parameters, nullptr, 6));

    HeapCopy headerOnly(defaultHeader(M_SP_NA_1, 0x05)); // claims 5 objects, carries none
    CS101_ASDU asdu = CS101_ASDU_createFromBuffer(&parameters, headerOnly.data.get(), 6);
    ASSERT_NE(nullptr, asdu);
    EXPECT_EQ(6, CS101_ASDU_getLength(asdu));
    EXPECT_EQ(5, CS101_ASDU_getNumberOfElements(asdu));
    for (int i = 0; i < 5; i++)
        EXPECT_EQ(nullptr, CS101_ASDU_getElement(asdu, i));
    CS101_ASDU_destroy(asdu);
}

TEST(CS101_ASDU, getElement_sequenceGivesConsecutiveAddressesAndStopsAtPayloadEnd)
{
    sCS101_AppLayerParameters parameters = defaultParameters();
    // Sequence of scaled values claiming 9 objects but carrying 3, first address 0x010000.
    HeapCopy msg(
        concat(defaultHeader(M_ME_NB_1, 0x89),
               Octets{0x00, 0x00, 0x01, 0x01, 0x00, 0x00, 0xFF, 0xFF, 0x10, 0x00, 0x80, 0x80}));
    CS101_ASDU asdu = CS101_ASDU_createFromBuffer(&parameters, msg.data.get(), msg.size);
    ASSERT_NE(nullptr, asdu);
    const int expectedValue[] = {1, -1, -32768};
    const int expectedQuality[] = {0x00, 0x10, 0x80};
    for (int i = 0; i < 3; i++) {
        MeasuredValueScaled value =
            reinterpret_cast<MeasuredValueScaled>(CS101_ASDU_getElement(asdu, i));
        ASSERT_NE(nullptr, value) << i;
        EXPECT_EQ(0x010000 + i,
                  InformationObject_getObjectAddress(reinterpret_cast<InformationObject>(value)));
        EXPECT_EQ(expectedValue[i], MeasuredValueScaled_getValue(value));
        EXPECT_EQ(expectedQuality[i], MeasuredValueScaled_getQuality(value));
        MeasuredValueScaled_destroy(value);
    }
    for (int index : {3, 8, 127, -1, INT_MAX, INT_MIN})
        EXPECT_EQ(nullptr, CS101_ASDU_getElement(asdu, index)) << index;
    CS101_ASDU_destroy(asdu);
}

TEST(CS101_ASDU, getElement_addressedObjectsAndHugeIndices)
{
    sCS101_AppLayerParameters parameters = defaultParameters();
    HeapCopy msg(concat(defaultHeader(C_SC_NA_1, 0x02),
                        Octets{0x88, 0x13, 0x00, 0x81, 0x89, 0x13, 0x00, 0x00}));
    CS101_ASDU asdu = CS101_ASDU_createFromBuffer(&parameters, msg.data.get(), msg.size);
    ASSERT_NE(nullptr, asdu);
    SingleCommand second = reinterpret_cast<SingleCommand>(CS101_ASDU_getElement(asdu, 1));
    ASSERT_NE(nullptr, second);
    EXPECT_EQ(5001,
              InformationObject_getObjectAddress(reinterpret_cast<InformationObject>(second)));
    EXPECT_FALSE(SingleCommand_getState(second));
    SingleCommand_destroy(second);
    for (int index : {2, 1 << 28, INT_MAX, -1})
        EXPECT_EQ(nullptr, CS101_ASDU_getElement(asdu, index)) << index;
    CS101_ASDU_destroy(asdu);
}

TEST(CS101_ASDU, getElement_systemCommandGivesFirstObjectForEveryIndex)
{
    sCS101_AppLayerParameters parameters = defaultParameters();
    HeapCopy msg(concat(defaultHeader(C_IC_NA_1, 0x01), Octets{0x00, 0x00, 0x00, 0x14}));
    CS101_ASDU asdu = CS101_ASDU_createFromBuffer(&parameters, msg.data.get(), msg.size);
    ASSERT_NE(nullptr, asdu);
    for (int index : {0, 1, 50}) {
        InterrogationCommand command =
            reinterpret_cast<InterrogationCommand>(CS101_ASDU_getElement(asdu, index));
        ASSERT_NE(nullptr, command) << index;
        EXPECT_EQ(20, InterrogationCommand_getQOI(command));
        InterrogationCommand_destroy(command);
    }
    CS101_ASDU_destroy(asdu);
}

TEST(CS101_ASDU, getElement_unsupportedTypeGivesNull)
{
    sCS101_AppLayerParameters parameters = defaultParameters();
    for (int type : {0, 22, 29, 41, 52, 65, 99, 107, 114, 127, 200, 255}) {
        HeapCopy msg(concat(defaultHeader(type, 0x01), Octets(16, 0x00)));
        CS101_ASDU asdu = CS101_ASDU_createFromBuffer(&parameters, msg.data.get(), msg.size);
        ASSERT_NE(nullptr, asdu);
        EXPECT_EQ(nullptr, CS101_ASDU_getElement(asdu, 0)) << type;
        CS101_ASDU_destroy(asdu);
    }
}

TEST(CS101_ASDU, encode_frameWithoutRoomForWholeAsduGetsNothing)
{
    sCS101_AppLayerParameters parameters = defaultParameters();
    CS101_ASDU asdu = CS101_ASDU_create(&parameters, false, CS101_COT_PERIODIC, 0, 1, false, false);
    sMeasuredValueShort value;
    MeasuredValueShort_create(&value, 1, 2.0f, 0);
    ASSERT_TRUE(CS101_ASDU_addInformationObject(asdu, reinterpret_cast<InformationObject>(&value)));
    uint8_t buffer[BUFFER_FRAME_CAPACITY];
    sBufferFrame frameRecord;
    Frame frame = BufferFrame_initialize(&frameRecord, buffer, BUFFER_FRAME_CAPACITY - 13);
    CS101_ASDU_encode(asdu, frame); // 14 octets do not fit into 13
    EXPECT_EQ(BUFFER_FRAME_CAPACITY - 13, Frame_getMsgSize(frame));
    frame = BufferFrame_initialize(&frameRecord, buffer, BUFFER_FRAME_CAPACITY - 14);
    CS101_ASDU_encode(asdu, frame);
    EXPECT_EQ(BUFFER_FRAME_CAPACITY, Frame_getMsgSize(frame));
    CS101_ASDU_destroy(asdu);
}

TEST(CS101_ASDU, encodeToBuffer_copiesWireOctetsOnlyIntoRoomForAll)
{
    sCS101_AppLayerParameters parameters = defaultParameters();
    CS101_ASDU asdu = CS101_ASDU_create(&parameters, false, CS101_COT_PERIODIC, 0, 1, false, false);
    sMeasuredValueShort value;
    MeasuredValueShort_create(&value, 1, 2.0f, 0);
    ASSERT_TRUE(CS101_ASDU_addInformationObject(asdu, reinterpret_cast<InformationObject>(&value)));
    const Octets wire = encodeAsdu(asdu);
    ASSERT_EQ(14u, wire.size());

    Octets buffer(wire.size(), 0xEE);
    EXPECT_EQ(-1, CS101_ASDU_encodeToBuffer(asdu, buffer.data(), 13)); // one octet short
    EXPECT_EQ(Octets(wire.size(), 0xEE), buffer);
    EXPECT_EQ(14, CS101_ASDU_encodeToBuffer(asdu, buffer.data(), 14));
    EXPECT_EQ(wire, buffer);

    EXPECT_EQ(-1, CS101_ASDU_encodeToBuffer(asdu, nullptr, 14));
    EXPECT_EQ(-1, CS101_ASDU_encodeToBuffer(nullptr, buffer.data(), 14));
    CS101_ASDU_destroy(asdu);

    // A received ASDU gives back the octets it wraps.
    HeapCopy received(wire);
    asdu = CS101_ASDU_createFromBuffer(&parameters, received.data.get(), received.size);
    ASSERT_NE(nullptr, asdu);
    Octets copy(CS101_MAX_ASDU_LENGTH, 0x00);
    ASSERT_EQ(14, CS101_ASDU_encodeToBuffer(asdu, copy.data(), CS101_MAX_ASDU_LENGTH));
    EXPECT_EQ(wire, Octets(copy.begin(), copy.begin() + 14));
    CS101_ASDU_destroy(asdu);
}

TEST(TypeIDAndCause, receivedTypeIdAbove127_keptExactly_noElement_unknownName)
{
    // Every octet value is a TypeID: the decoders read it without undefined
    // behaviour (clang's UBSan checks loads of enumerations against their range).
    sCS101_AppLayerParameters parameters = defaultParameters();
    for (int type : {22, 128, 129, 200, 254, 255}) {
        SCOPED_TRACE(type);
        const Octets received = {
            static_cast<uint8_t>(type), 0x01, 0x06, 0x00, 0x01, 0x00, 0x05, 0x00, 0x00, 0x81};
        HeapCopy copy(received);
        CS101_ASDU asdu = CS101_ASDU_createFromBuffer(&parameters, copy.data.get(), copy.size);
        ASSERT_NE(nullptr, asdu);
        TypeID typeId = CS101_ASDU_getTypeID(asdu);
        EXPECT_EQ(type, static_cast<int>(typeId));
        EXPECT_STREQ("unknown", TypeID_toString(typeId));
        EXPECT_EQ(CS101_COT_ACTIVATION, CS101_ASDU_getCOT(asdu));
        EXPECT_EQ(nullptr, CS101_ASDU_getElement(asdu, 0));
        EXPECT_EQ(received, encodeAsdu(asdu));
        CS101_ASDU_destroy(asdu);
    }
}

TEST(TypeIDAndCause, toString_namesAndUnknowns)
{
    EXPECT_STREQ("M_SP_NA_1", TypeID_toString(M_SP_NA_1));
    EXPECT_STREQ("M_EP_TF_1", TypeID_toString(M_EP_TF_1));
    EXPECT_STREQ("C_TS_TA_1", TypeID_toString(C_TS_TA_1));
    EXPECT_STREQ("F_SC_NB_1", TypeID_toString(F_SC_NB_1));
    EXPECT_STREQ("unknown", TypeID_toString(static_cast<TypeID>(22)));
    EXPECT_STREQ("unknown", TypeID_toString(static_cast<TypeID>(0)));

    struct Case {
        int cause;
        const char* text;
    };
    const Case causes[] = {{0, "UNKNOWN_COT"},
                           {1, "PERIODIC"},
                           {7, "ACTIVATION_CON"},
                           {16, "MAINTENANCE_OF_USER_ROLE_AND_UPDATE_KEY"},
                           {17, "UNKNOWN_COT"},
                           {20, "INTERROGATED_BY_STATION"},
                           {21, "INTERROGATED_BY_GROUP_1"},
                           {36, "INTERROGATED_BY_GROUP_16"},
                           {37, "REQUESTED_BY_GENERAL_COUNTER"},
                           {41, "REQUESTED_BY_GROUP_4_COUNTER"},
                           {42, "UNKNOWN_COT"},
                           {44, "UNKNOWN_TYPE_ID"},
                           {45, "UNKNOWN_CAUSE_OF_TRANSMISSION"},
                           {46, "UNKNOWN_COMMON_ADDRESS_OF_ASDU"},
                           {47, "UNKNOWN_INFORMATION_OBJECT_ADDRESS"},
                           {63, "UNKNOWN_COT"}};
    for (const Case& c : causes)
        EXPECT_STREQ(c.text, CS101_CauseOfTransmission_toString(
                                 static_cast<CS101_CauseOfTransmission>(c.cause)))
            << c.cause;
}

} // namespace
