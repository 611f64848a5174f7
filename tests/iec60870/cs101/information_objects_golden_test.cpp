// SPDX-License-Identifier: Apache-2.0
// Every information-object type against octets written by hand from the
// codings: create -> encode gives exactly those octets; an ASDU over those
// octets decodes to an object of the same type and address that encodes
// back to the same octets; and every truncation of them decodes to null
// without reading past the (exactly sized, heap-allocated) octets.
#include "cs101_test_util.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

using namespace cs101test;

namespace
{

const int IOA = 0x0A0B0C; // encoded 0C 0B 0A
const Octets A = {0x0C, 0x0B, 0x0A};
const Octets ZERO_ADDRESS = {0x00, 0x00, 0x00};

// Time tags of the table: 4.660 s, minute 5 with IV; 2026-03-15 (day of week 1) 10:05:04.660.
const Octets T24 = {0x34, 0x12, 0x85};
const Octets T56 = {0x34, 0x12, 0x05, 0x0A, 0x2F, 0x03, 0x1A};
const Octets T16 = {0xE8, 0x03};

sCP24Time2a cp24()
{
    return sCP24Time2a{{T24[0], T24[1], T24[2]}};
}
sCP56Time2a cp56()
{
    return sCP56Time2a{{T56[0], T56[1], T56[2], T56[3], T56[4], T56[5], T56[6]}};
}
sCP16Time2a cp16()
{
    return sCP16Time2a{{T16[0], T16[1]}};
}

sBinaryCounterReading bcr()
{
    return sBinaryCounterReading{{0x01, 0x02, 0x03, 0x04, 0x85}};
}

uint8_t segmentData[] = {0xAA, 0xBB, 0xCC};

struct GoldenCase {
    std::string name;
    TypeID type;
    std::function<InformationObject()> create;
    Octets expected; // address and element
    int address;
};

#define IO(expr) reinterpret_cast<InformationObject>(expr)

std::vector<GoldenCase> goldenCases()
{
    std::vector<GoldenCase> c;
    auto add = [&c](std::string name, TypeID type, std::function<InformationObject()> create,
                    Octets element, const Octets& address = A, int ioa = IOA) {
        c.push_back(GoldenCase{name, type, create, concat(address, element), ioa});
    };
    // Monitoring direction.
    add("M_SP_NA_1", M_SP_NA_1,
        [] { return IO(SinglePointInformation_create(nullptr, IOA, true, 0x80)); }, {0x81});
    add(
        "M_SP_TA_1", M_SP_TA_1,
        [] {
            auto t = cp24();
            return IO(SinglePointWithCP24Time2a_create(nullptr, IOA, true, 0x10, &t));
        },
        concat({0x11}, T24));
    add("M_DP_NA_1", M_DP_NA_1,
        [] {
            return IO(DoublePointInformation_create(nullptr, IOA, IEC60870_DOUBLE_POINT_ON, 0x20));
        },
        {0x22});
    add(
        "M_DP_TA_1", M_DP_TA_1,
        [] {
            auto t = cp24();
            return IO(DoublePointWithCP24Time2a_create(nullptr, IOA, IEC60870_DOUBLE_POINT_OFF,
                                                       0x40, &t));
        },
        concat({0x41}, T24));
    add("M_ST_NA_1", M_ST_NA_1,
        [] { return IO(StepPositionInformation_create(nullptr, IOA, -3, true, 0x01)); },
        {0xFD, 0x01});
    add(
        "M_ST_TA_1", M_ST_TA_1,
        [] {
            auto t = cp24();
            return IO(StepPositionWithCP24Time2a_create(nullptr, IOA, 10, false, 0x00, &t));
        },
        concat({0x0A, 0x00}, T24));
    add("M_BO_NA_1", M_BO_NA_1, [] { return IO(BitString32_create(nullptr, IOA, 0x80000001u)); },
        {0x01, 0x00, 0x00, 0x80, 0x00});
    add(
        "M_BO_TA_1", M_BO_TA_1,
        [] {
            auto t = cp24();
            return IO(Bitstring32WithCP24Time2a_create(nullptr, IOA, 0x12345678u, &t));
        },
        concat({0x78, 0x56, 0x34, 0x12, 0x00}, T24));
    add("M_ME_NA_1", M_ME_NA_1,
        [] { return IO(MeasuredValueNormalized_create(nullptr, IOA, 0.5f, 0x80)); },
        {0xFF, 0x3F, 0x80});
    add(
        "M_ME_TA_1", M_ME_TA_1,
        [] {
            auto t = cp24();
            return IO(MeasuredValueNormalizedWithCP24Time2a_create(nullptr, IOA, -0.5f, 0x00, &t));
        },
        concat({0x01, 0xC0, 0x00}, T24));
    add("M_ME_NB_1", M_ME_NB_1,
        [] { return IO(MeasuredValueScaled_create(nullptr, IOA, -2, 0x10)); }, {0xFE, 0xFF, 0x10});
    add(
        "M_ME_TB_1", M_ME_TB_1,
        [] {
            auto t = cp24();
            return IO(MeasuredValueScaledWithCP24Time2a_create(nullptr, IOA, 1000, 0x00, &t));
        },
        concat({0xE8, 0x03, 0x00}, T24));
    add("M_ME_NC_1", M_ME_NC_1,
        [] { return IO(MeasuredValueShort_create(nullptr, IOA, 1.5f, 0x00)); },
        {0x00, 0x00, 0xC0, 0x3F, 0x00});
    add(
        "M_ME_TC_1", M_ME_TC_1,
        [] {
            auto t = cp24();
            return IO(MeasuredValueShortWithCP24Time2a_create(nullptr, IOA, -2.0f, 0x01, &t));
        },
        concat({0x00, 0x00, 0x00, 0xC0, 0x01}, T24));
    add("M_IT_NA_1", M_IT_NA_1,
        [] {
            auto b = bcr();
            return IO(IntegratedTotals_create(nullptr, IOA, &b));
        },
        {0x01, 0x02, 0x03, 0x04, 0x85});
    add(
        "M_IT_TA_1", M_IT_TA_1,
        [] {
            auto b = bcr();
            auto t = cp24();
            return IO(IntegratedTotalsWithCP24Time2a_create(nullptr, IOA, &b, &t));
        },
        concat({0x01, 0x02, 0x03, 0x04, 0x85}, T24));
    add(
        "M_EP_TA_1", M_EP_TA_1,
        [] {
            tSingleEvent e = 0x0A;
            auto d = cp16();
            auto t = cp24();
            return IO(EventOfProtectionEquipment_create(nullptr, IOA, &e, &d, &t));
        },
        concat(concat({0x0A}, T16), T24));
    add(
        "M_EP_TB_1", M_EP_TB_1,
        [] {
            auto d = cp16();
            auto t = cp24();
            return IO(
                PackedStartEventsOfProtectionEquipment_create(nullptr, IOA, 0x3F, 0x80, &d, &t));
        },
        concat(concat({0x3F, 0x80}, T16), T24));
    add(
        "M_EP_TC_1", M_EP_TC_1,
        [] {
            auto d = cp16();
            auto t = cp24();
            return IO(PackedOutputCircuitInfo_create(nullptr, IOA, 0x0F, 0x10, &d, &t));
        },
        concat(concat({0x0F, 0x10}, T16), T24));
    add("M_PS_NA_1", M_PS_NA_1,
        [] {
            sStatusAndStatusChangeDetection s{{0x08, 0x00, 0xFF, 0x01}};
            return IO(PackedSinglePointWithSCD_create(nullptr, IOA, &s, 0x40));
        },
        {0x08, 0x00, 0xFF, 0x01, 0x40});
    add("M_ME_ND_1", M_ME_ND_1,
        [] { return IO(MeasuredValueNormalizedWithoutQuality_create(nullptr, IOA, -0.5f)); },
        {0x00, 0xC0});
    add(
        "M_SP_TB_1", M_SP_TB_1,
        [] {
            auto t = cp56();
            return IO(SinglePointWithCP56Time2a_create(nullptr, IOA, false, 0x80, &t));
        },
        concat({0x80}, T56));
    add(
        "M_DP_TB_1", M_DP_TB_1,
        [] {
            auto t = cp56();
            return IO(DoublePointWithCP56Time2a_create(
                nullptr, IOA, IEC60870_DOUBLE_POINT_INDETERMINATE, 0x00, &t));
        },
        concat({0x03}, T56));
    add(
        "M_ST_TB_1", M_ST_TB_1,
        [] {
            auto t = cp56();
            return IO(StepPositionWithCP56Time2a_create(nullptr, IOA, 63, false, 0x00, &t));
        },
        concat({0x3F, 0x00}, T56));
    add(
        "M_BO_TB_1", M_BO_TB_1,
        [] {
            auto t = cp56();
            return IO(Bitstring32WithCP56Time2a_create(nullptr, IOA, 0xAABBCCDDu, &t));
        },
        concat({0xDD, 0xCC, 0xBB, 0xAA, 0x00}, T56));
    add(
        "M_ME_TD_1", M_ME_TD_1,
        [] {
            auto t = cp56();
            return IO(MeasuredValueNormalizedWithCP56Time2a_create(nullptr, IOA, 1.0f, 0x00, &t));
        },
        concat({0xFF, 0x7F, 0x00}, T56));
    add(
        "M_ME_TE_1", M_ME_TE_1,
        [] {
            auto t = cp56();
            return IO(MeasuredValueScaledWithCP56Time2a_create(nullptr, IOA, 40000, 0x00, &t));
        },
        concat({0x40, 0x9C, 0x00}, T56));
    add(
        "M_ME_TF_1", M_ME_TF_1,
        [] {
            auto t = cp56();
            return IO(MeasuredValueShortWithCP56Time2a_create(nullptr, IOA, 100.0f, 0x00, &t));
        },
        concat({0x00, 0x00, 0xC8, 0x42, 0x00}, T56));
    add(
        "M_IT_TB_1", M_IT_TB_1,
        [] {
            auto b = bcr();
            auto t = cp56();
            return IO(IntegratedTotalsWithCP56Time2a_create(nullptr, IOA, &b, &t));
        },
        concat({0x01, 0x02, 0x03, 0x04, 0x85}, T56));
    add(
        "M_EP_TD_1", M_EP_TD_1,
        [] {
            tSingleEvent e = 0x01;
            auto d = cp16();
            auto t = cp56();
            return IO(EventOfProtectionEquipmentWithCP56Time2a_create(nullptr, IOA, &e, &d, &t));
        },
        concat(concat({0x01}, T16), T56));
    add(
        "M_EP_TE_1", M_EP_TE_1,
        [] {
            auto d = cp16();
            auto t = cp56();
            return IO(PackedStartEventsOfProtectionEquipmentWithCP56Time2a_create(
                nullptr, IOA, 0x01, 0x00, &d, &t));
        },
        concat(concat({0x01, 0x00}, T16), T56));
    add(
        "M_EP_TF_1", M_EP_TF_1,
        [] {
            auto d = cp16();
            auto t = cp56();
            return IO(
                PackedOutputCircuitInfoWithCP56Time2a_create(nullptr, IOA, 0x02, 0x00, &d, &t));
        },
        concat(concat({0x02, 0x00}, T16), T56));
    // Commands.
    add("C_SC_NA_1", C_SC_NA_1,
        [] { return IO(SingleCommand_create(nullptr, IOA, true, true, 3)); }, {0x8D});
    add("C_DC_NA_1", C_DC_NA_1, [] { return IO(DoubleCommand_create(nullptr, IOA, 2, false, 0)); },
        {0x02});
    add("C_RC_NA_1", C_RC_NA_1,
        [] { return IO(StepCommand_create(nullptr, IOA, IEC60870_STEP_HIGHER, true, 1)); }, {0x86});
    add("C_SE_NA_1", C_SE_NA_1,
        [] { return IO(SetpointCommandNormalized_create(nullptr, IOA, 0.5f, false, 0)); },
        {0xFF, 0x3F, 0x00});
    add("C_SE_NB_1", C_SE_NB_1,
        [] { return IO(SetpointCommandScaled_create(nullptr, IOA, -1, true, 5)); },
        {0xFF, 0xFF, 0x85});
    add("C_SE_NC_1", C_SE_NC_1,
        [] { return IO(SetpointCommandShort_create(nullptr, IOA, 1.5f, false, 0x7F)); },
        {0x00, 0x00, 0xC0, 0x3F, 0x7F});
    add("C_BO_NA_1", C_BO_NA_1,
        [] { return IO(Bitstring32Command_create(nullptr, IOA, 0x01020304u)); },
        {0x04, 0x03, 0x02, 0x01});
    add(
        "C_SC_TA_1", C_SC_TA_1,
        [] {
            auto t = cp56();
            return IO(SingleCommandWithCP56Time2a_create(nullptr, IOA, false, false, 0, &t));
        },
        concat({0x00}, T56));
    add(
        "C_DC_TA_1", C_DC_TA_1,
        [] {
            auto t = cp56();
            return IO(DoubleCommandWithCP56Time2a_create(nullptr, IOA, 1, true, 2, &t));
        },
        concat({0x89}, T56));
    add(
        "C_RC_TA_1", C_RC_TA_1,
        [] {
            auto t = cp56();
            return IO(
                StepCommandWithCP56Time2a_create(nullptr, IOA, IEC60870_STEP_LOWER, false, 31, &t));
        },
        concat({0x7D}, T56));
    add(
        "C_SE_TA_1", C_SE_TA_1,
        [] {
            auto t = cp56();
            return IO(
                SetpointCommandNormalizedWithCP56Time2a_create(nullptr, IOA, -0.5f, false, 0, &t));
        },
        concat({0x01, 0xC0, 0x00}, T56));
    add(
        "C_SE_TB_1", C_SE_TB_1,
        [] {
            auto t = cp56();
            return IO(SetpointCommandScaledWithCP56Time2a_create(nullptr, IOA, 300, true, 0, &t));
        },
        concat({0x2C, 0x01, 0x80}, T56));
    add(
        "C_SE_TC_1", C_SE_TC_1,
        [] {
            auto t = cp56();
            return IO(SetpointCommandShortWithCP56Time2a_create(nullptr, IOA, -2.0f, false, 1, &t));
        },
        concat({0x00, 0x00, 0x00, 0xC0, 0x01}, T56));
    add(
        "C_BO_TA_1", C_BO_TA_1,
        [] {
            auto t = cp56();
            return IO(Bitstring32CommandWithCP56Time2a_create(nullptr, IOA, 0xFFFF0000u, &t));
        },
        concat({0x00, 0x00, 0xFF, 0xFF}, T56));
    // System commands.
    add(
        "M_EI_NA_1", M_EI_NA_1, [] { return IO(EndOfInitialization_create(nullptr, 0x81)); },
        {0x81}, ZERO_ADDRESS, 0);
    add("C_IC_NA_1", C_IC_NA_1, [] { return IO(InterrogationCommand_create(nullptr, IOA, 20)); },
        {0x14});
    add("C_CI_NA_1", C_CI_NA_1,
        [] { return IO(CounterInterrogationCommand_create(nullptr, IOA, 5)); }, {0x05});
    add("C_RD_NA_1", C_RD_NA_1, [] { return IO(ReadCommand_create(nullptr, IOA)); }, {});
    add(
        "C_CS_NA_1", C_CS_NA_1,
        [] {
            auto t = cp56();
            return IO(ClockSynchronizationCommand_create(nullptr, IOA, &t));
        },
        T56);
    add(
        "C_TS_NA_1", C_TS_NA_1, [] { return IO(TestCommand_create(nullptr)); }, {0xCC, 0x55},
        ZERO_ADDRESS, 0);
    add("C_RP_NA_1", C_RP_NA_1, [] { return IO(ResetProcessCommand_create(nullptr, IOA, 1)); },
        {0x01});
    add(
        "C_CD_NA_1", C_CD_NA_1,
        [] {
            auto d = cp16();
            return IO(DelayAcquisitionCommand_create(nullptr, IOA, &d));
        },
        T16);
    // Parameters.
    add("P_ME_NA_1", P_ME_NA_1,
        [] { return IO(ParameterNormalizedValue_create(nullptr, IOA, 0.5f, 1)); },
        {0xFF, 0x3F, 0x01});
    add("P_ME_NB_1", P_ME_NB_1,
        [] { return IO(ParameterScaledValue_create(nullptr, IOA, 1234, 2)); }, {0xD2, 0x04, 0x02});
    add("P_ME_NC_1", P_ME_NC_1,
        [] { return IO(ParameterFloatValue_create(nullptr, IOA, 1.5f, 3)); },
        {0x00, 0x00, 0xC0, 0x3F, 0x03});
    add("P_AC_NA_1", P_AC_NA_1, [] { return IO(ParameterActivation_create(nullptr, IOA, 3)); },
        {0x03});
    // File transfer.
    add("F_FR_NA_1", F_FR_NA_1,
        [] { return IO(FileReady_create(nullptr, IOA, 0x0102, 70000, true)); },
        {0x02, 0x01, 0x70, 0x11, 0x01, 0x80});
    add("F_SR_NA_1", F_SR_NA_1,
        [] { return IO(SectionReady_create(nullptr, IOA, 2, 3, 0x123456, false)); },
        {0x02, 0x00, 0x03, 0x56, 0x34, 0x12, 0x00});
    add("F_SC_NA_1", F_SC_NA_1, [] { return IO(FileCallOrSelect_create(nullptr, IOA, 1, 2, 3)); },
        {0x01, 0x00, 0x02, 0x03});
    add("F_LS_NA_1", F_LS_NA_1,
        [] { return IO(FileLastSegmentOrSection_create(nullptr, IOA, 1, 2, 3, 4)); },
        {0x01, 0x00, 0x02, 0x03, 0x04});
    add("F_AF_NA_1", F_AF_NA_1, [] { return IO(FileACK_create(nullptr, IOA, 0x0A0B, 1, 2)); },
        {0x0B, 0x0A, 0x01, 0x02});
    add("F_SG_NA_1", F_SG_NA_1,
        [] { return IO(FileSegment_create(nullptr, IOA, 1, 1, segmentData, 3)); },
        {0x01, 0x00, 0x01, 0x03, 0xAA, 0xBB, 0xCC});
    add(
        "F_DR_TA_1", F_DR_TA_1,
        [] {
            auto t = cp56();
            return IO(FileDirectory_create(nullptr, IOA, 5, 70000, 0xA1, &t));
        },
        concat({0x05, 0x00, 0x70, 0x11, 0x01, 0xA1}, T56));
    return c;
}

class GoldenOctets : public ::testing::TestWithParam<GoldenCase>
{
};

TEST_P(GoldenOctets, create_encodesExactOctets)
{
    const GoldenCase& c = GetParam();
    sCS101_AppLayerParameters parameters = defaultParameters();
    InformationObject io = c.create();
    ASSERT_NE(nullptr, io);
    EXPECT_EQ(c.type, InformationObject_getType(io));
    EXPECT_EQ(c.address, InformationObject_getObjectAddress(io));
    EXPECT_EQ(c.expected, encodeObject(io, &parameters));
    InformationObject_destroy(io);
}

TEST_P(GoldenOctets, getElement_decodesOctetsToSameObject)
{
    const GoldenCase& c = GetParam();
    sCS101_AppLayerParameters parameters = defaultParameters();
    HeapCopy msg(concat(defaultHeader(c.type, 0x01), c.expected));
    CS101_ASDU asdu = CS101_ASDU_createFromBuffer(&parameters, msg.data.get(), msg.size);
    ASSERT_NE(nullptr, asdu);

    InformationObject io = CS101_ASDU_getElement(asdu, 0);
    ASSERT_NE(nullptr, io);
    EXPECT_EQ(c.type, InformationObject_getType(io));
    EXPECT_EQ(c.address, InformationObject_getObjectAddress(io));
    EXPECT_EQ(c.expected, encodeObject(io, &parameters));
    InformationObject_destroy(io);
    CS101_ASDU_destroy(asdu);
}

TEST_P(GoldenOctets, getElement_everyTruncationGivesNullWithoutOverRead)
{
    const GoldenCase& c = GetParam();
    sCS101_AppLayerParameters parameters = defaultParameters();
    const Octets header = defaultHeader(c.type, 0x01);
    for (size_t length = 0; length < c.expected.size(); length++) {
        SCOPED_TRACE(length);
        HeapCopy msg(concat(header, Octets(c.expected.begin(), c.expected.begin() + length)));
        CS101_ASDU asdu = CS101_ASDU_createFromBuffer(&parameters, msg.data.get(), msg.size);
        ASSERT_NE(nullptr, asdu);
        InformationObject io = CS101_ASDU_getElement(asdu, 0);
        EXPECT_EQ(nullptr, io);
        InformationObject_destroy(io);
        CS101_ASDU_destroy(asdu);
    }
}

TEST_P(GoldenOctets, encode_refusesFrameOneOctetShortAndWritesNothing)
{
    const GoldenCase& c = GetParam();
    sCS101_AppLayerParameters parameters = defaultParameters();
    InformationObject io = c.create();
    ASSERT_NE(nullptr, io);
    const int needed = static_cast<int>(c.expected.size());

    uint8_t buffer[BUFFER_FRAME_CAPACITY] = {0};
    sBufferFrame frameRecord;
    // Reserve so that exactly needed - 1 octets are left, then exactly needed.
    Frame frame = BufferFrame_initialize(&frameRecord, buffer, BUFFER_FRAME_CAPACITY - needed + 1);
    EXPECT_FALSE(InformationObject_encode(io, frame, &parameters, false));
    EXPECT_EQ(BUFFER_FRAME_CAPACITY - needed + 1, Frame_getMsgSize(frame));

    frame = BufferFrame_initialize(&frameRecord, buffer, BUFFER_FRAME_CAPACITY - needed);
    EXPECT_TRUE(InformationObject_encode(io, frame, &parameters, false));
    EXPECT_EQ(BUFFER_FRAME_CAPACITY, Frame_getMsgSize(frame));
    InformationObject_destroy(io);
}

INSTANTIATE_TEST_SUITE_P(AllTypes, GoldenOctets, ::testing::ValuesIn(goldenCases()),
                         [](const ::testing::TestParamInfo<GoldenCase>& info) {
                             return info.param.name;
                         });

} // namespace
