// SPDX-License-Identifier: Apache-2.0
// Value codings at and beyond their limits (normalized, scaled, step
// position, set-points, command octets), the quality masking of point
// objects, accessors of decoded objects, and the decoders called directly
// at the edges of their messages.
#include "cs101_test_util.h"
#include "information_objects_internal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace cs101test;

namespace
{

const float NaN = std::numeric_limits<float>::quiet_NaN();
const float INF = std::numeric_limits<float>::infinity();

// Element octets after a 1-octet address.
Octets elementOf(InformationObject io)
{
    sCS101_AppLayerParameters parameters{1, 1, 2, 0, 2, 1};
    Octets all = encodeObject(io, &parameters);
    InformationObject_destroy(io);
    return all.empty() ? all : Octets(all.begin() + 1, all.end());
}

#define IO(expr) reinterpret_cast<InformationObject>(expr)

struct FloatCoding {
    float value;
    Octets octets;
};

TEST(MeasuredValueNormalized, setValue_clampsAndTruncates)
{
    const FloatCoding cases[] = {
        {0.5f, {0xFF, 0x3F}},  {-0.5f, {0x01, 0xC0}}, {1.0f, {0xFF, 0x7F}},
        {-1.0f, {0x01, 0x80}}, {1.5f, {0xFF, 0x7F}},  {-7.0f, {0x01, 0x80}},
        {0.0f, {0x00, 0x00}},  {NaN, {0x00, 0x00}},   {INF, {0xFF, 0x7F}},
    };
    for (const FloatCoding& c : cases) {
        Octets expected = c.octets;
        expected.push_back(0x00);
        EXPECT_EQ(expected, elementOf(IO(MeasuredValueNormalized_create(nullptr, 1, c.value, 0))))
            << c.value;
    }
}

TEST(MeasuredValueNormalized, getValue_dividesBy32767)
{
    MeasuredValueNormalized value = MeasuredValueNormalized_create(nullptr, 1, 0.0f, 0);
    value->encodedValue[0] = 0x00;
    value->encodedValue[1] = 0x80; // -32768
    EXPECT_FLOAT_EQ(-32768.0f / 32767.0f, MeasuredValueNormalized_getValue(value));
    MeasuredValueNormalized_setValue(value, 0.25f); // 8191.75 -> 8191
    EXPECT_EQ(0xFF, value->encodedValue[0]);
    EXPECT_EQ(0x1F, value->encodedValue[1]);
    EXPECT_FLOAT_EQ(8191.0f / 32767.0f, MeasuredValueNormalized_getValue(value));
    MeasuredValueNormalized_destroy(value);
}

TEST(MeasuredValueNormalizedWithoutQuality, codingUsesHalfStepOffset)
{
    const FloatCoding cases[] = {
        {-0.5f, {0x00, 0xC0}}, {1.0f, {0xFF, 0x7F}},  {-1.0f, {0x00, 0x80}},
        {2.0f, {0xFF, 0x7F}},  {-2.0f, {0x00, 0x80}}, {NaN, {0x00, 0x00}}, // NaN taken as 0
    };
    for (const FloatCoding& c : cases)
        EXPECT_EQ(c.octets,
                  elementOf(IO(MeasuredValueNormalizedWithoutQuality_create(nullptr, 1, c.value))))
            << c.value;

    MeasuredValueNormalizedWithoutQuality zero =
        MeasuredValueNormalizedWithoutQuality_create(nullptr, 1, 0.0f);
    EXPECT_FLOAT_EQ(0.5f / 32767.5f, MeasuredValueNormalizedWithoutQuality_getValue(zero));
    MeasuredValueNormalizedWithoutQuality_destroy(zero);
}

TEST(MeasuredValueScaled, setValue_keepsLow16Bits)
{
    struct Case {
        int value;
        Octets octets;
        int readBack;
    };
    const Case cases[] = {
        {40000, {0x40, 0x9C}, -25536}, {32767, {0xFF, 0x7F}, 32767}, {-32768, {0x00, 0x80}, -32768},
        {65535, {0xFF, 0xFF}, -1},     {70000, {0x70, 0x11}, 4464},  {-1, {0xFF, 0xFF}, -1},
        {-65537, {0xFF, 0xFF}, -1},
    };
    for (const Case& c : cases) {
        MeasuredValueScaled value = MeasuredValueScaled_create(nullptr, 1, 0, 0x80);
        MeasuredValueScaled_setValue(value, c.value);
        EXPECT_EQ(c.readBack, MeasuredValueScaled_getValue(value)) << c.value;
        Octets expected = c.octets;
        expected.push_back(0x80);
        EXPECT_EQ(expected, elementOf(IO(value))) << c.value;
    }
}

TEST(StepPositionInformation, create_clampsAndCodesTransientBit)
{
    struct Case {
        int value;
        bool transient;
        uint8_t vti;
        int readBack;
    };
    const Case cases[] = {
        {100, false, 0x3F, 63},  {63, false, 0x3F, 63}, {-100, true, 0xC0, -64},
        {-64, false, 0x40, -64}, {-1, false, 0x7F, -1}, {0, true, 0x80, 0},
    };
    for (const Case& c : cases) {
        StepPositionInformation step =
            StepPositionInformation_create(nullptr, 1, c.value, c.transient, 0);
        EXPECT_EQ(c.readBack, StepPositionInformation_getValue(step)) << c.value;
        EXPECT_EQ(c.transient, StepPositionInformation_isTransient(step)) << c.value;
        EXPECT_EQ((Octets{c.vti, 0x00}), elementOf(IO(step))) << c.value;
    }
}

TEST(StepPositionInformation, getFromBuffer_signExtendsSevenBits)
{
    sCS101_AppLayerParameters parameters = defaultParameters();
    struct Case {
        uint8_t vti;
        int value;
        bool transient;
    };
    for (Case c : {Case{0x7F, -1, false}, Case{0xFF, -1, true}, Case{0xC0, -64, true},
                   Case{0x3F, 63, false}}) {
        HeapCopy msg(Octets{0x05, 0x00, 0x00, c.vti, 0x10});
        StepPositionInformation step = StepPositionInformation_getFromBuffer(
            nullptr, &parameters, msg.data.get(), msg.size, 0, false);
        ASSERT_NE(nullptr, step);
        EXPECT_EQ(5, StepPositionInformation_getObjectAddress(step));
        EXPECT_EQ(c.value, StepPositionInformation_getValue(step)) << int(c.vti);
        EXPECT_EQ(c.transient, StepPositionInformation_isTransient(step)) << int(c.vti);
        EXPECT_EQ(0x10, StepPositionInformation_getQuality(step));
        StepPositionInformation_destroy(step);
    }
}

TEST(SetpointCommandNormalized, create_codesWithHalfStepAndWraps)
{
    const FloatCoding untimed[] = {
        {0.5f, {0xFF, 0x3F}},
        {-0.5f, {0x00, 0xC0}},
        {1.0f, {0xFF, 0x7F}},
        {-1.0f, {0x00, 0x80}},
        {1.5f, {0xFE, 0xBF}}, // 49150.75 -> 49150 = 0xBFFE, wrapped in 16
                              // bits
        {1e6f, {0xDF, 0x5E}}, // 32767499999 mod 65536 = 24287
        {NaN, {0x00, 0x00}},  // not a number: coded as 0
        {-INF, {0x00, 0x00}},
    };
    for (const FloatCoding& c : untimed) {
        Octets expected = c.octets;
        expected.push_back(0x00);
        EXPECT_EQ(expected,
                  elementOf(IO(SetpointCommandNormalized_create(nullptr, 1, c.value, false, 0))))
            << c.value;
    }
    const FloatCoding timed[] = {
        {-0.5f, {0x01, 0xC0}}, {1.0f, {0xFF, 0x7F}}, {-1.0f, {0x01, 0x80}}};
    for (const FloatCoding& c : timed) {
        Octets element = elementOf(IO(SetpointCommandNormalizedWithCP56Time2a_create(
            nullptr, 1, c.value, false, 0, nullptr)));
        ASSERT_EQ(10u, element.size());
        EXPECT_EQ(c.octets, Octets(element.begin(), element.begin() + 2)) << c.value;
    }
}

TEST(SetpointCommandNormalized, getValue_zeroCodeReadsHalfStep)
{
    SetpointCommandNormalized zero = SetpointCommandNormalized_create(nullptr, 1, 0.0f, false, 0);
    // 0 * 32767.5 - 0.5 = -0.5 truncates to 0; 0 reads back as 0.5 / 32767.5.
    EXPECT_FLOAT_EQ(static_cast<float>(0.5 / 32767.5), SetpointCommandNormalized_getValue(zero));
    SetpointCommandNormalized_destroy(zero);
    SetpointCommandNormalized half = SetpointCommandNormalized_create(nullptr, 1, 0.5f, false, 0);
    EXPECT_NEAR(0.5f, SetpointCommandNormalized_getValue(half), 1.0f / 32767.0f);
    SetpointCommandNormalized_destroy(half);
}

TEST(SetpointCommands, qualifierIsMaskedToSevenBitsAndSelectIsBit7)
{
    struct Case {
        bool select;
        int ql;
        uint8_t qos;
    };
    const Case cases[] = {{false, 200, 0x48},
                          {true, 200, 0xC8},
                          {false, 0x7F, 0x7F},
                          {true, 0, 0x80},
                          {false, -1, 0x7F}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ql);
        const Octets elements[] = {
            elementOf(IO(SetpointCommandNormalized_create(nullptr, 1, 0.0f, c.select, c.ql))),
            elementOf(IO(SetpointCommandScaled_create(nullptr, 1, 0, c.select, c.ql))),
            elementOf(IO(SetpointCommandShort_create(nullptr, 1, 0.0f, c.select, c.ql))),
            elementOf(IO(SetpointCommandScaledWithCP56Time2a_create(nullptr, 1, 0, c.select, c.ql,
                                                                    nullptr))),
            elementOf(IO(SetpointCommandShortWithCP56Time2a_create(nullptr, 1, 0.0f, c.select, c.ql,
                                                                   nullptr))),
        };
        EXPECT_EQ(c.qos, elements[0][2]);
        EXPECT_EQ(c.qos, elements[1][2]);
        EXPECT_EQ(c.qos, elements[2][4]);
        EXPECT_EQ(c.qos, elements[3][2]);
        EXPECT_EQ(c.qos, elements[4][4]);
    }
    SetpointCommandScaled scaled = SetpointCommandScaled_create(nullptr, 1, -300, true, 200);
    EXPECT_EQ(-300, SetpointCommandScaled_getValue(scaled));
    EXPECT_EQ(72, SetpointCommandScaled_getQL(scaled));
    EXPECT_TRUE(SetpointCommandScaled_isSelect(scaled));
    SetpointCommandScaled_destroy(scaled);
}

TEST(Commands, commandOctets_stateQualifierAndSelect)
{
    sCS101_AppLayerParameters parameters = defaultParameters();
    SingleCommand single = SingleCommand_create(nullptr, 5000, true, true, 3);
    EXPECT_TRUE(SingleCommand_getState(single));
    EXPECT_EQ(3, SingleCommand_getQU(single));
    EXPECT_TRUE(SingleCommand_isSelect(single));
    EXPECT_EQ((Octets{0x88, 0x13, 0x00, 0x8D}),
              encodeObject(reinterpret_cast<InformationObject>(single), &parameters));
    SingleCommand_destroy(single);

    struct Case {
        InformationObject io;
        uint8_t octet;
    };
    const Case cases[] = {
        {IO(SingleCommand_create(nullptr, 1, false, false, 0xFF)), 0x7C}, // QU masked to 5 bits
        {IO(DoubleCommand_create(nullptr, 1, 2, false, 0)), 0x02},
        {IO(DoubleCommand_create(nullptr, 1, 7, true, 1)), 0x87}, // state masked to 2 bits
        {IO(StepCommand_create(nullptr, 1, IEC60870_STEP_LOWER, false, 31)), 0x7D},
    };
    for (const Case& c : cases)
        EXPECT_EQ((Octets{c.octet}), elementOf(c.io));

    DoubleCommandWithCP56Time2a timed =
        DoubleCommandWithCP56Time2a_create(nullptr, 1, 3, true, 17, nullptr);
    EXPECT_EQ(3, DoubleCommandWithCP56Time2a_getState(timed));
    EXPECT_EQ(17, DoubleCommandWithCP56Time2a_getQU(timed));
    EXPECT_TRUE(DoubleCommandWithCP56Time2a_isSelect(timed));
    DoubleCommandWithCP56Time2a_destroy(timed);
}

TEST(PointQuality, createMasksQualitySoValueCannotFlip)
{
    // Quality bits 0-3 would otherwise land in the value bits.
    EXPECT_EQ((Octets{0x80}),
              elementOf(IO(SinglePointInformation_create(nullptr, 1, false, 0x8F))));
    EXPECT_EQ((Octets{0xF1}), elementOf(IO(SinglePointInformation_create(nullptr, 1, true, 0xFF))));
    EXPECT_EQ(
        (Octets{0x41}),
        elementOf(IO(DoublePointInformation_create(nullptr, 1, IEC60870_DOUBLE_POINT_OFF, 0x43))));
    sCP56Time2a time = {{0, 0, 0, 0, 1, 1, 0}};
    Octets timed = elementOf(IO(SinglePointWithCP56Time2a_create(nullptr, 1, false, 0x01, &time)));
    ASSERT_EQ(8u, timed.size());
    EXPECT_EQ(0x00, timed[0]);

    SinglePointInformation point = SinglePointInformation_create(nullptr, 1, false, 0x8F);
    EXPECT_FALSE(SinglePointInformation_getValue(point));
    EXPECT_EQ(0x80, SinglePointInformation_getQuality(point));
    // Even a record whose fields were set by other means cannot flip the value.
    point->quality = 0x0F;
    EXPECT_EQ((Octets{0x00}), elementOf(IO(point)));
}

TEST(PointQuality, getFromBuffer_splitsValueAndQuality)
{
    sCS101_AppLayerParameters parameters = defaultParameters();
    HeapCopy single(Octets{0x07, 0x00, 0x00, 0xFF});
    SinglePointInformation point = SinglePointInformation_getFromBuffer(
        nullptr, &parameters, single.data.get(), single.size, 0, false);
    ASSERT_NE(nullptr, point);
    EXPECT_EQ(7, InformationObject_getObjectAddress(IO(point)));
    EXPECT_TRUE(SinglePointInformation_getValue(point));
    EXPECT_EQ(0xF0, SinglePointInformation_getQuality(point));
    SinglePointInformation_destroy(point);

    HeapCopy dbl(Octets{0x07, 0x00, 0x00, 0xFE});
    DoublePointInformation dp = DoublePointInformation_getFromBuffer(
        nullptr, &parameters, dbl.data.get(), dbl.size, 0, false);
    ASSERT_NE(nullptr, dp);
    EXPECT_EQ(IEC60870_DOUBLE_POINT_ON, DoublePointInformation_getValue(dp));
    EXPECT_EQ(0xF0, DoublePointInformation_getQuality(dp));
    DoublePointInformation_destroy(dp);
}

TEST(EmbeddedOctets, singleEventAndStatusChangeDetection)
{
    tSingleEvent event = 0xF1;
    SingleEvent_setEventState(&event, IEC60870_EVENTSTATE_ON);
    EXPECT_EQ(0xF2, event);
    EXPECT_EQ(IEC60870_EVENTSTATE_ON, SingleEvent_getEventState(&event));
    EXPECT_EQ(0xF0, SingleEvent_getQDP(&event));
    SingleEvent_setQDP(&event, 0x0C);
    EXPECT_EQ(0x0E, event);

    sStatusAndStatusChangeDetection scd = {{0x00, 0x00, 0x01, 0x80}};
    StatusAndStatusChangeDetection_setSTn(&scd, 0x0008);
    EXPECT_EQ(0x08, scd.encodedValue[0]);
    EXPECT_EQ(0x00, scd.encodedValue[1]);
    EXPECT_TRUE(StatusAndStatusChangeDetection_getST(&scd, 3));
    EXPECT_FALSE(StatusAndStatusChangeDetection_getST(&scd, 2));
    EXPECT_FALSE(StatusAndStatusChangeDetection_getST(&scd, 16));
    EXPECT_FALSE(StatusAndStatusChangeDetection_getST(&scd, -1));
    EXPECT_EQ(0x8001, StatusAndStatusChangeDetection_getCDn(&scd));
    EXPECT_TRUE(StatusAndStatusChangeDetection_getCD(&scd, 0));
    EXPECT_TRUE(StatusAndStatusChangeDetection_getCD(&scd, 15));
    EXPECT_FALSE(StatusAndStatusChangeDetection_getCD(&scd, 14));
}

TEST(DecodedAccessors, timedAndProtectionObjectsExposeTheirFields)
{
    sCS101_AppLayerParameters parameters = defaultParameters();
    const Octets t56 = {0x34, 0x12, 0x05, 0x0A, 0x2F, 0x03, 0x1A};
    HeapCopy shortMsg(concat(Octets{0x01, 0x02, 0x03, 0x00, 0x00, 0xC8, 0x42, 0x81}, t56));
    MeasuredValueShortWithCP56Time2a value = MeasuredValueShortWithCP56Time2a_getFromBuffer(
        nullptr, &parameters, shortMsg.data.get(), shortMsg.size, 0, false);
    ASSERT_NE(nullptr, value);
    EXPECT_EQ(0x030201, InformationObject_getObjectAddress(IO(value)));
    EXPECT_FLOAT_EQ(100.0f,
                    MeasuredValueShort_getValue(reinterpret_cast<MeasuredValueShort>(value)));
    EXPECT_EQ(0x81, MeasuredValueShort_getQuality(reinterpret_cast<MeasuredValueShort>(value)));
    CP56Time2a time = MeasuredValueShortWithCP56Time2a_getTimestamp(value);
    EXPECT_EQ(10, CP56Time2a_getHour(time));
    EXPECT_EQ(15, CP56Time2a_getDayOfMonth(time));
    EXPECT_EQ(1, CP56Time2a_getDayOfWeek(time));
    EXPECT_EQ(26, CP56Time2a_getYear(time));
    MeasuredValueShortWithCP56Time2a_destroy(value);

    HeapCopy eventMsg(Octets{0x01, 0x00, 0x00, 0x0A, 0xE8, 0x03, 0x34, 0x12, 0x85});
    EventOfProtectionEquipment event = EventOfProtectionEquipment_getFromBuffer(
        nullptr, &parameters, eventMsg.data.get(), eventMsg.size, 0, false);
    ASSERT_NE(nullptr, event);
    EXPECT_EQ(IEC60870_EVENTSTATE_ON,
              SingleEvent_getEventState(EventOfProtectionEquipment_getEvent(event)));
    EXPECT_EQ(0x08, SingleEvent_getQDP(EventOfProtectionEquipment_getEvent(event)));
    EXPECT_EQ(1000,
              CP16Time2a_getEplapsedTimeInMs(EventOfProtectionEquipment_getElapsedTime(event)));
    EXPECT_TRUE(CP24Time2a_isInvalid(EventOfProtectionEquipment_getTimestamp(event)));
    EXPECT_EQ(4, CP24Time2a_getSecond(EventOfProtectionEquipment_getTimestamp(event)));
    EXPECT_EQ(660, CP24Time2a_getMillisecond(EventOfProtectionEquipment_getTimestamp(event)));
    EventOfProtectionEquipment_destroy(event);

    HeapCopy ociMsg(concat(Octets{0x01, 0x00, 0x00, 0x0F, 0x10, 0x10, 0x27}, t56));
    PackedOutputCircuitInfoWithCP56Time2a oci = PackedOutputCircuitInfoWithCP56Time2a_getFromBuffer(
        nullptr, &parameters, ociMsg.data.get(), ociMsg.size, 0, false);
    ASSERT_NE(nullptr, oci);
    EXPECT_EQ(0x0F, PackedOutputCircuitInfoWithCP56Time2a_getOCI(oci));
    EXPECT_EQ(0x10, PackedOutputCircuitInfoWithCP56Time2a_getQuality(oci));
    EXPECT_EQ(10000, CP16Time2a_getEplapsedTimeInMs(
                         PackedOutputCircuitInfoWithCP56Time2a_getOperatingTime(oci)));
    PackedOutputCircuitInfoWithCP56Time2a_destroy(oci);
}

TEST(DecodedAccessors, sequenceElementNeedsExactlyItsOctets)
{
    sCS101_AppLayerParameters parameters = defaultParameters();
    const Octets element = {0x01, 0x00, 0x00, 0x00, 0x00, 0x01, 0x01, 0x1A};
    HeapCopy exact(element);
    SinglePointWithCP56Time2a point = SinglePointWithCP56Time2a_getFromBuffer(
        nullptr, &parameters, exact.data.get(), exact.size, 0, true);
    ASSERT_NE(nullptr, point);
    EXPECT_TRUE(SinglePointInformation_getValue(reinterpret_cast<SinglePointInformation>(point)));
    SinglePointWithCP56Time2a_destroy(point);

    HeapCopy shortBy1(Octets(element.begin(), element.end() - 1));
    EXPECT_EQ(nullptr, SinglePointWithCP56Time2a_getFromBuffer(
                           nullptr, &parameters, shortBy1.data.get(), shortBy1.size, 0, true));
    // Not a sequence: the address is needed as well.
    EXPECT_EQ(nullptr, SinglePointWithCP56Time2a_getFromBuffer(
                           nullptr, &parameters, exact.data.get(), exact.size, 0, false));
    EXPECT_EQ(nullptr, SinglePointWithCP56Time2a_getFromBuffer(
                           nullptr, &parameters, exact.data.get(), exact.size, -1, true));
}

TEST(DecodedAccessors, readCommandNeedsOnlyItsAddress)
{
    sCS101_AppLayerParameters parameters = defaultParameters();
    HeapCopy msg(Octets{0x0A, 0x0B, 0x0C});
    ReadCommand read = ReadCommand_getFromBuffer(nullptr, &parameters, msg.data.get(), msg.size, 0);
    ASSERT_NE(nullptr, read);
    EXPECT_EQ(0x0C0B0A, InformationObject_getObjectAddress(IO(read)));
    ReadCommand_destroy(read);
    EXPECT_EQ(nullptr, ReadCommand_getFromBuffer(nullptr, &parameters, msg.data.get(), 2, 0));
}

TEST(DecodedAccessors, decodingIntoCallerRecordAllocatesNothing)
{
    sCS101_AppLayerParameters parameters = defaultParameters();
    HeapCopy msg(Octets{0x00, 0x00, 0x00, 0xAA, 0x55});
    sTestCommand record;
    TestCommand test = TestCommand_getFromBuffer(&record, &parameters, msg.data.get(), msg.size, 0);
    ASSERT_EQ(&record, test);
    EXPECT_FALSE(TestCommand_isValid(test));
    EXPECT_EQ(C_TS_NA_1, InformationObject_getType(IO(test)));
    TestCommand created = TestCommand_create(&record);
    EXPECT_TRUE(TestCommand_isValid(created));
}

TEST(FileObjects, accessorsAfterDecoding)
{
    sCS101_AppLayerParameters parameters = defaultParameters();
    HeapCopy last(Octets{0x01, 0x00, 0x00, 0x01, 0x00, 0x02, 0x03, 0x04});
    FileLastSegmentOrSection lsq =
        FileLastSegmentOrSection_getFromBuffer(nullptr, &parameters, last.data.get(), last.size, 0);
    ASSERT_NE(nullptr, lsq);
    EXPECT_EQ(1, FileLastSegmentOrSection_getNOF(lsq));
    EXPECT_EQ(2, FileLastSegmentOrSection_getNameOfSection(lsq));
    EXPECT_EQ(3, FileLastSegmentOrSection_getLSQ(lsq));
    EXPECT_EQ(4, FileLastSegmentOrSection_getCHS(lsq));
    FileLastSegmentOrSection_destroy(lsq);

    HeapCopy dir(Octets{0x01, 0x00, 0x00, 0x05, 0x00, 0x70, 0x11, 0x01, 0xE3, 0x00, 0x00, 0x00,
                        0x00, 0x01, 0x01, 0x00});
    FileDirectory directory =
        FileDirectory_getFromBuffer(nullptr, &parameters, dir.data.get(), dir.size, 0, false);
    ASSERT_NE(nullptr, directory);
    EXPECT_EQ(70000, FileDirectory_getLengthOfFile(directory));
    EXPECT_EQ(5, FileDirectory_getNOF(directory));
    EXPECT_EQ(3, FileDirectory_getSTATUS(directory));
    EXPECT_TRUE(FileDirectory_getLFD(directory));
    EXPECT_TRUE(FileDirectory_getFOR(directory));
    EXPECT_TRUE(FileDirectory_getFA(directory));
    FileDirectory_destroy(directory);

    FileReady ready = FileReady_create(nullptr, 1, 7, 0x1234567, false);
    EXPECT_FALSE(FileReady_isPositive(ready));
    FileReady_setFRQ(ready, 0x80);
    EXPECT_TRUE(FileReady_isPositive(ready));
    // Length of file is three octets on the wire.
    EXPECT_EQ((Octets{0x07, 0x00, 0x67, 0x45, 0x23, 0x80}), elementOf(IO(ready)));

    SectionReady section = SectionReady_create(nullptr, 1, 7, 2, 99, true);
    EXPECT_TRUE(SectionReady_isNotReady(section));
    EXPECT_EQ(0x80, SectionReady_getSRQ(section));
    SectionReady_setSRQ(section, 0x01);
    EXPECT_FALSE(SectionReady_isNotReady(section));
    SectionReady_destroy(section);
}

TEST(FileSegment, lengthLimitsAndDataPointingIntoMessage)
{
    sCS101_AppLayerParameters parameters = defaultParameters();
    EXPECT_EQ(243, FileSegment_GetMaxDataSize(&parameters));
    static uint8_t data[244] = {0};
    FileSegment big = FileSegment_create(nullptr, 1, 1, 1, data, 244);
    EXPECT_TRUE(encodeObject(IO(big), &parameters).empty()); // above the ASDU's limit
    FileSegment_destroy(big);
    FileSegment longest = FileSegment_create(nullptr, 1, 1, 1, data, 243);
    EXPECT_EQ(3u + 4u + 243u, encodeObject(IO(longest), &parameters).size());
    FileSegment_destroy(longest);

    HeapCopy msg(Octets{0x01, 0x00, 0x00, 0x02, 0x00, 0x03, 0x02, 0xAB, 0xCD});
    FileSegment segment =
        FileSegment_getFromBuffer(nullptr, &parameters, msg.data.get(), msg.size, 0);
    ASSERT_NE(nullptr, segment);
    EXPECT_EQ(2, FileSegment_getLengthOfSegment(segment));
    EXPECT_EQ(msg.data.get() + 7, FileSegment_getSegmentData(segment));
    FileSegment_destroy(segment);

    // A length of segment larger than what arrived.
    HeapCopy lying(Octets{0x01, 0x00, 0x00, 0x02, 0x00, 0x03, 0x03, 0xAB, 0xCD});
    EXPECT_EQ(nullptr,
              FileSegment_getFromBuffer(nullptr, &parameters, lying.data.get(), lying.size, 0));
}

TEST(ParameterObjects, encodeLikeMeasuredValuesWithOwnType)
{
    sCS101_AppLayerParameters parameters = defaultParameters();
    ParameterNormalizedValue parameter = ParameterNormalizedValue_create(nullptr, 9, 0.25f, 0x41);
    MeasuredValueNormalized measured = MeasuredValueNormalized_create(nullptr, 9, 0.25f, 0x41);
    EXPECT_EQ(P_ME_NA_1, InformationObject_getType(IO(parameter)));
    EXPECT_EQ(0x41, ParameterNormalizedValue_getQPM(parameter));
    EXPECT_EQ(encodeObject(IO(measured), &parameters), encodeObject(IO(parameter), &parameters));
    ParameterNormalizedValue_destroy(parameter);
    MeasuredValueNormalized_destroy(measured);

    ParameterScaledValue scaled = ParameterScaledValue_create(nullptr, 9, 40000, 2);
    EXPECT_EQ(P_ME_NB_1, InformationObject_getType(IO(scaled)));
    EXPECT_EQ(-25536, ParameterScaledValue_getValue(scaled));
    ParameterScaledValue_destroy(scaled);
}

TEST(InformationObject, maxSizeInMemoryHoldsTheLargestRecords)
{
    const size_t size = static_cast<size_t>(InformationObject_getMaxSizeInMemory());
    // Exactly sized heap blocks: a record larger than the answer would overflow.
    std::unique_ptr<uint8_t[]> a(new uint8_t[size]);
    std::unique_ptr<uint8_t[]> b(new uint8_t[size]);
    std::unique_ptr<uint8_t[]> c(new uint8_t[size]);
    sCP56Time2a time = {{0, 0, 0, 0, 1, 1, 0}};
    EXPECT_NE(nullptr,
              FileDirectory_create(reinterpret_cast<FileDirectory>(a.get()), 1, 1, 1, 0, &time));
    EXPECT_NE(nullptr, SetpointCommandShortWithCP56Time2a_create(
                           reinterpret_cast<SetpointCommandShortWithCP56Time2a>(b.get()), 1, 1.0f,
                           false, 0, &time));
    EXPECT_NE(nullptr,
              FileSegment_create(reinterpret_cast<FileSegment>(c.get()), 1, 1, 1, nullptr, 0));
    EXPECT_GE(size, sizeof(struct sPackedStartEventsOfProtectionEquipmentWithCP56Time2a));
}

} // namespace
