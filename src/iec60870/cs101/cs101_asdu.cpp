// SPDX-License-Identifier: Apache-2.0
/*
 * The ASDU object: header coding, appending information objects and taking
 * them out of received octets, and the display strings of type
 * identifications and causes of transmission.
 *
 * Choices of this implementation:
 * - Only the sizes the coding understands are accepted (cause 1-2, common
 *   address 1-2, object address 1-3 octets); other sizes would misplace
 *   fields, so create and createFromBuffer give null for them.
 * - addInformationObject refuses a received ASDU (its payload lies in the
 *   receive buffer, which has no room to grow) and an object whose type
 *   differs from the objects already present (one ASDU carries one type).
 * - getElement refuses a negative index and computes every offset in 64
 *   bits, so no index or count can move a read outside the received octets.
 * - encode appends nothing when the frame cannot take the whole ASDU.
 */
#include "cs101_asdu_internal.h"
#include "cs101_information_objects.h"
#include "information_objects_internal.h"
#include "lib_memory.h"

#include <climits>
#include <cstring>

/* ==================================================== sizes and headers */

static bool sizesUsable(CS101_AppLayerParameters parameters)
{
    if (parameters == nullptr)
        return false;
    return parameters->sizeOfCOT >= 1 && parameters->sizeOfCOT <= 2 && parameters->sizeOfCA >= 1 &&
           parameters->sizeOfCA <= 2 && parameters->sizeOfIOA >= 1 && parameters->sizeOfIOA <= 3;
}

static int headerLength(CS101_AppLayerParameters parameters)
{
    return 2 + parameters->sizeOfCOT + parameters->sizeOfCA;
}

/* Index of the first common-address octet. */
static int caIndex(CS101_ASDU self)
{
    return 2 + self->parameters->sizeOfCOT;
}

static void setFlagBit(uint8_t* octet, uint8_t bit, bool value)
{
    if (value)
        *octet = static_cast<uint8_t>(*octet | bit);
    else
        *octet = static_cast<uint8_t>(*octet & ~bit);
}

/* ==================================================== the ASDU frame */

static void asduFrame_destroy(Frame)
{
    /* The frame lives on the stack of addInformationObject. */
}

static CS101_ASDU frameAsdu(Frame frame)
{
    return reinterpret_cast<ASDUFrame>(frame)->asdu;
}

static void asduFrame_setNextByte(Frame frame, uint8_t byte)
{
    CS101_ASDU asdu = frameAsdu(frame);
    asdu->payload[asdu->payloadSize++] = byte;
}

static void asduFrame_appendBytes(Frame frame, const uint8_t* bytes, int numberOfBytes)
{
    CS101_ASDU asdu = frameAsdu(frame);
    if (numberOfBytes <= 0)
        return;
    memcpy(asdu->payload + asdu->payloadSize, bytes, static_cast<size_t>(numberOfBytes));
    asdu->payloadSize += numberOfBytes;
}

static int asduFrame_getSpaceLeft(Frame frame)
{
    CS101_ASDU asdu = frameAsdu(frame);
    return CS101_MAX_ASDU_LENGTH - asdu->asduHeaderLength - asdu->payloadSize;
}

static const struct sFrameVFT asduFrameVFT = {asduFrame_destroy,     nullptr, asduFrame_setNextByte,
                                              asduFrame_appendBytes, nullptr, nullptr,
                                              asduFrame_getSpaceLeft};

/* ==================================================== construction */

CS101_ASDU CS101_ASDU_initializeStatic(CS101_StaticASDU self, CS101_AppLayerParameters parameters,
                                       bool isSequence, CS101_CauseOfTransmission cot, int oa,
                                       int ca, bool isTest, bool isNegative)
{
    if (self == nullptr || !sizesUsable(parameters))
        return nullptr;

    self->stackCreated = false;
    self->parameters = parameters;
    self->asdu = self->encodedData;
    self->asduHeaderLength = headerLength(parameters);
    self->payload = self->asdu + self->asduHeaderLength;
    self->payloadSize = 0;

    uint8_t* header = self->encodedData;
    memset(header, 0, static_cast<size_t>(self->asduHeaderLength));
    header[1] = isSequence ? 0x80 : 0;
    header[2] = static_cast<uint8_t>(static_cast<unsigned int>(cot) & 0x3F);
    setFlagBit(&header[2], 0x80, isTest);
    setFlagBit(&header[2], 0x40, isNegative);
    int index = 3;
    if (parameters->sizeOfCOT > 1)
        header[index++] = static_cast<uint8_t>(static_cast<unsigned int>(oa) & 0xFF);
    /* The common address is written as given (low 16 bits), not clamped as in setCA. */
    header[index++] = static_cast<uint8_t>(static_cast<unsigned int>(ca) & 0xFF);
    if (parameters->sizeOfCA > 1)
        header[index] = static_cast<uint8_t>((static_cast<unsigned int>(ca) >> 8) & 0xFF);

    return reinterpret_cast<CS101_ASDU>(self);
}

CS101_ASDU CS101_ASDU_create(CS101_AppLayerParameters parameters, bool isSequence,
                             CS101_CauseOfTransmission cot, int oa, int ca, bool isTest,
                             bool isNegative)
{
    if (!sizesUsable(parameters))
        return nullptr;
    CS101_StaticASDU self =
        static_cast<CS101_StaticASDU>(Memory_malloc(sizeof(struct sCS101_StaticASDU)));
    if (self == nullptr)
        return nullptr;
    return CS101_ASDU_initializeStatic(self, parameters, isSequence, cot, oa, ca, isTest,
                                       isNegative);
}

CS101_ASDU CS101_ASDU_createFromBuffer(CS101_AppLayerParameters parameters, uint8_t* msg,
                                       int msgLength)
{
    if (msg == nullptr || !sizesUsable(parameters) || msgLength < headerLength(parameters))
        return nullptr;
    CS101_ASDU self = static_cast<CS101_ASDU>(Memory_malloc(sizeof(struct sCS101_ASDU)));
    if (self == nullptr)
        return nullptr;
    self->stackCreated = true;
    self->parameters = parameters;
    self->asdu = msg;
    self->asduHeaderLength = headerLength(parameters);
    self->payload = msg + self->asduHeaderLength;
    self->payloadSize = msgLength - self->asduHeaderLength;
    return self;
}

void CS101_ASDU_destroy(CS101_ASDU self)
{
    Memory_free(self);
}

bool CS101_ASDU_isStackCreated(CS101_ASDU self)
{
    return self->stackCreated;
}

/* ==================================================== header access */

TypeID CS101_ASDU_getTypeID(CS101_ASDU self)
{
    return static_cast<TypeID>(self->asdu[0]);
}

bool CS101_ASDU_isSequence(CS101_ASDU self)
{
    return (self->asdu[1] & 0x80) != 0;
}

int CS101_ASDU_getNumberOfElements(CS101_ASDU self)
{
    return self->asdu[1] & 0x7F;
}

CS101_CauseOfTransmission CS101_ASDU_getCOT(CS101_ASDU self)
{
    return static_cast<CS101_CauseOfTransmission>(self->asdu[2] & 0x3F);
}

void CS101_ASDU_setCOT(CS101_ASDU self, CS101_CauseOfTransmission value)
{
    const unsigned int cause = static_cast<unsigned int>(value) & 0x3F;
    self->asdu[2] = static_cast<uint8_t>((self->asdu[2] & 0xC0) | cause);
}

bool CS101_ASDU_isTest(CS101_ASDU self)
{
    return (self->asdu[2] & 0x80) != 0;
}

void CS101_ASDU_setTest(CS101_ASDU self, bool value)
{
    setFlagBit(&self->asdu[2], 0x80, value);
}

bool CS101_ASDU_isNegative(CS101_ASDU self)
{
    return (self->asdu[2] & 0x40) != 0;
}

void CS101_ASDU_setNegative(CS101_ASDU self, bool value)
{
    setFlagBit(&self->asdu[2], 0x40, value);
}

int CS101_ASDU_getOA(CS101_ASDU self)
{
    if (self->parameters->sizeOfCOT < 2)
        return -1;
    return self->asdu[3];
}

int CS101_ASDU_getCA(CS101_ASDU self)
{
    const int index = caIndex(self);
    int ca = self->asdu[index];
    if (self->parameters->sizeOfCA > 1)
        ca += 256 * self->asdu[index + 1];
    return ca;
}

void CS101_ASDU_setCA(CS101_ASDU self, int ca)
{
    const int maximum = self->parameters->sizeOfCA > 1 ? 65535 : 255;
    if (ca < 0)
        ca = 0;
    else if (ca > maximum)
        ca = maximum;
    const int index = caIndex(self);
    self->asdu[index] = static_cast<uint8_t>(ca & 0xFF);
    if (self->parameters->sizeOfCA > 1)
        self->asdu[index + 1] = static_cast<uint8_t>((ca >> 8) & 0xFF);
}

int CS101_ASDU_getLength(CS101_ASDU self)
{
    return self->asduHeaderLength + self->payloadSize;
}

void CS101_ASDU_encode(CS101_ASDU self, Frame frame)
{
    const int length = CS101_ASDU_getLength(self);
    if (Frame_getSpaceLeft(frame) < length)
        return;
    Frame_appendBytes(frame, self->asdu, length);
}

int CS101_ASDU_encodeToBuffer(CS101_ASDU self, uint8_t* buffer, int bufferSize)
{
    if (self == nullptr || buffer == nullptr)
        return -1;
    const int length = CS101_ASDU_getLength(self);
    if (bufferSize < length)
        return -1;
    memcpy(buffer, self->asdu, static_cast<size_t>(length));
    return length;
}

/* ==================================================== adding objects */

/* Address of the first object of a sequence: the first sizeOfIOA payload octets. */
static int firstSequenceAddress(CS101_ASDU self)
{
    return InformationObject_ParseObjectAddress(self->parameters, self->payload, 0);
}

bool CS101_ASDU_addInformationObject(CS101_ASDU self, InformationObject io)
{
    if (self->stackCreated || io == nullptr)
        return false;

    struct sASDUFrame frameRecord;
    frameRecord.virtualFunctionTable = &asduFrameVFT;
    frameRecord.asdu = self;
    Frame frame = reinterpret_cast<Frame>(&frameRecord);

    const int count = CS101_ASDU_getNumberOfElements(self);
    bool encoded = false;
    if (count == 0) {
        self->asdu[0] = static_cast<uint8_t>(InformationObject_getType(io));
        encoded = InformationObject_encode(io, frame, self->parameters, false);
    } else if (count < 127) {
        if (static_cast<uint8_t>(InformationObject_getType(io)) != self->asdu[0])
            return false;
        if (CS101_ASDU_isSequence(self)) {
            const long long expected = static_cast<long long>(firstSequenceAddress(self)) + count;
            if (InformationObject_getObjectAddress(io) != expected)
                return false;
            encoded = InformationObject_encode(io, frame, self->parameters, true);
        } else {
            encoded = InformationObject_encode(io, frame, self->parameters, false);
        }
    }

    if (encoded)
        self->asdu[1] = static_cast<uint8_t>(self->asdu[1] + 1);
    return encoded;
}

/* ==================================================== taking objects out */

enum ElementClass { SEQUENCE_CAPABLE, COMMAND_LIKE, FIRST_ONLY, UNSUPPORTED };

static ElementClass classOf(TypeID type)
{
    const int code = static_cast<int>(type);
    if ((code >= 1 && code <= 21) || (code >= 30 && code <= 40) || code == F_DR_TA_1)
        return SEQUENCE_CAPABLE;
    if ((code >= 45 && code <= 51) || (code >= 58 && code <= 64) || (code >= 110 && code <= 113))
        return COMMAND_LIKE;
    if (code == M_EI_NA_1 || (code >= 100 && code <= 106) || (code >= 120 && code <= 125))
        return FIRST_ONLY;
    return UNSUPPORTED;
}

/* Reader of a type that may come as a sequence. */
static InformationObject decodeSequenceCapable(TypeID type, CS101_AppLayerParameters p,
                                               uint8_t* msg, int size, int start, bool seq)
{
    switch (type) {
    case M_SP_NA_1:
        return reinterpret_cast<InformationObject>(
            SinglePointInformation_getFromBuffer(nullptr, p, msg, size, start, seq));
    case M_SP_TA_1:
        return reinterpret_cast<InformationObject>(
            SinglePointWithCP24Time2a_getFromBuffer(nullptr, p, msg, size, start, seq));
    case M_DP_NA_1:
        return reinterpret_cast<InformationObject>(
            DoublePointInformation_getFromBuffer(nullptr, p, msg, size, start, seq));
    case M_DP_TA_1:
        return reinterpret_cast<InformationObject>(
            DoublePointWithCP24Time2a_getFromBuffer(nullptr, p, msg, size, start, seq));
    case M_ST_NA_1:
        return reinterpret_cast<InformationObject>(
            StepPositionInformation_getFromBuffer(nullptr, p, msg, size, start, seq));
    case M_ST_TA_1:
        return reinterpret_cast<InformationObject>(
            StepPositionWithCP24Time2a_getFromBuffer(nullptr, p, msg, size, start, seq));
    case M_BO_NA_1:
        return reinterpret_cast<InformationObject>(
            BitString32_getFromBuffer(nullptr, p, msg, size, start, seq));
    case M_BO_TA_1:
        return reinterpret_cast<InformationObject>(
            Bitstring32WithCP24Time2a_getFromBuffer(nullptr, p, msg, size, start, seq));
    case M_ME_NA_1:
        return reinterpret_cast<InformationObject>(
            MeasuredValueNormalized_getFromBuffer(nullptr, p, msg, size, start, seq));
    case M_ME_TA_1:
        return reinterpret_cast<InformationObject>(
            MeasuredValueNormalizedWithCP24Time2a_getFromBuffer(nullptr, p, msg, size, start, seq));
    case M_ME_NB_1:
        return reinterpret_cast<InformationObject>(
            MeasuredValueScaled_getFromBuffer(nullptr, p, msg, size, start, seq));
    case M_ME_TB_1:
        return reinterpret_cast<InformationObject>(
            MeasuredValueScaledWithCP24Time2a_getFromBuffer(nullptr, p, msg, size, start, seq));
    case M_ME_NC_1:
        return reinterpret_cast<InformationObject>(
            MeasuredValueShort_getFromBuffer(nullptr, p, msg, size, start, seq));
    case M_ME_TC_1:
        return reinterpret_cast<InformationObject>(
            MeasuredValueShortWithCP24Time2a_getFromBuffer(nullptr, p, msg, size, start, seq));
    case M_IT_NA_1:
        return reinterpret_cast<InformationObject>(
            IntegratedTotals_getFromBuffer(nullptr, p, msg, size, start, seq));
    case M_IT_TA_1:
        return reinterpret_cast<InformationObject>(
            IntegratedTotalsWithCP24Time2a_getFromBuffer(nullptr, p, msg, size, start, seq));
    case M_EP_TA_1:
        return reinterpret_cast<InformationObject>(
            EventOfProtectionEquipment_getFromBuffer(nullptr, p, msg, size, start, seq));
    case M_EP_TB_1:
        return reinterpret_cast<InformationObject>(
            PackedStartEventsOfProtectionEquipment_getFromBuffer(nullptr, p, msg, size, start,
                                                                 seq));
    case M_EP_TC_1:
        return reinterpret_cast<InformationObject>(
            PackedOutputCircuitInfo_getFromBuffer(nullptr, p, msg, size, start, seq));
    case M_PS_NA_1:
        return reinterpret_cast<InformationObject>(
            PackedSinglePointWithSCD_getFromBuffer(nullptr, p, msg, size, start, seq));
    case M_ME_ND_1:
        return reinterpret_cast<InformationObject>(
            MeasuredValueNormalizedWithoutQuality_getFromBuffer(nullptr, p, msg, size, start, seq));
    case M_SP_TB_1:
        return reinterpret_cast<InformationObject>(
            SinglePointWithCP56Time2a_getFromBuffer(nullptr, p, msg, size, start, seq));
    case M_DP_TB_1:
        return reinterpret_cast<InformationObject>(
            DoublePointWithCP56Time2a_getFromBuffer(nullptr, p, msg, size, start, seq));
    case M_ST_TB_1:
        return reinterpret_cast<InformationObject>(
            StepPositionWithCP56Time2a_getFromBuffer(nullptr, p, msg, size, start, seq));
    case M_BO_TB_1:
        return reinterpret_cast<InformationObject>(
            Bitstring32WithCP56Time2a_getFromBuffer(nullptr, p, msg, size, start, seq));
    case M_ME_TD_1:
        return reinterpret_cast<InformationObject>(
            MeasuredValueNormalizedWithCP56Time2a_getFromBuffer(nullptr, p, msg, size, start, seq));
    case M_ME_TE_1:
        return reinterpret_cast<InformationObject>(
            MeasuredValueScaledWithCP56Time2a_getFromBuffer(nullptr, p, msg, size, start, seq));
    case M_ME_TF_1:
        return reinterpret_cast<InformationObject>(
            MeasuredValueShortWithCP56Time2a_getFromBuffer(nullptr, p, msg, size, start, seq));
    case M_IT_TB_1:
        return reinterpret_cast<InformationObject>(
            IntegratedTotalsWithCP56Time2a_getFromBuffer(nullptr, p, msg, size, start, seq));
    case M_EP_TD_1:
        return reinterpret_cast<InformationObject>(
            EventOfProtectionEquipmentWithCP56Time2a_getFromBuffer(nullptr, p, msg, size, start,
                                                                   seq));
    case M_EP_TE_1:
        return reinterpret_cast<InformationObject>(
            PackedStartEventsOfProtectionEquipmentWithCP56Time2a_getFromBuffer(nullptr, p, msg,
                                                                               size, start, seq));
    case M_EP_TF_1:
        return reinterpret_cast<InformationObject>(
            PackedOutputCircuitInfoWithCP56Time2a_getFromBuffer(nullptr, p, msg, size, start, seq));
    case F_DR_TA_1:
        return reinterpret_cast<InformationObject>(
            FileDirectory_getFromBuffer(nullptr, p, msg, size, start, seq));
    default:
        return nullptr;
    }
}

/* Reader of a command, system, parameter or file type (always with address). */
static InformationObject decodeAddressed(TypeID type, CS101_AppLayerParameters p, uint8_t* msg,
                                         int size, int start)
{
    switch (type) {
    case C_SC_NA_1:
        return reinterpret_cast<InformationObject>(
            SingleCommand_getFromBuffer(nullptr, p, msg, size, start));
    case C_DC_NA_1:
        return reinterpret_cast<InformationObject>(
            DoubleCommand_getFromBuffer(nullptr, p, msg, size, start));
    case C_RC_NA_1:
        return reinterpret_cast<InformationObject>(
            StepCommand_getFromBuffer(nullptr, p, msg, size, start));
    case C_SE_NA_1:
        return reinterpret_cast<InformationObject>(
            SetpointCommandNormalized_getFromBuffer(nullptr, p, msg, size, start));
    case C_SE_NB_1:
        return reinterpret_cast<InformationObject>(
            SetpointCommandScaled_getFromBuffer(nullptr, p, msg, size, start));
    case C_SE_NC_1:
        return reinterpret_cast<InformationObject>(
            SetpointCommandShort_getFromBuffer(nullptr, p, msg, size, start));
    case C_BO_NA_1:
        return reinterpret_cast<InformationObject>(
            Bitstring32Command_getFromBuffer(nullptr, p, msg, size, start));
    case C_SC_TA_1:
        return reinterpret_cast<InformationObject>(
            SingleCommandWithCP56Time2a_getFromBuffer(nullptr, p, msg, size, start));
    case C_DC_TA_1:
        return reinterpret_cast<InformationObject>(
            DoubleCommandWithCP56Time2a_getFromBuffer(nullptr, p, msg, size, start));
    case C_RC_TA_1:
        return reinterpret_cast<InformationObject>(
            StepCommandWithCP56Time2a_getFromBuffer(nullptr, p, msg, size, start));
    case C_SE_TA_1:
        return reinterpret_cast<InformationObject>(
            SetpointCommandNormalizedWithCP56Time2a_getFromBuffer(nullptr, p, msg, size, start));
    case C_SE_TB_1:
        return reinterpret_cast<InformationObject>(
            SetpointCommandScaledWithCP56Time2a_getFromBuffer(nullptr, p, msg, size, start));
    case C_SE_TC_1:
        return reinterpret_cast<InformationObject>(
            SetpointCommandShortWithCP56Time2a_getFromBuffer(nullptr, p, msg, size, start));
    case C_BO_TA_1:
        return reinterpret_cast<InformationObject>(
            Bitstring32CommandWithCP56Time2a_getFromBuffer(nullptr, p, msg, size, start));
    case M_EI_NA_1:
        return reinterpret_cast<InformationObject>(
            EndOfInitialization_getFromBuffer(nullptr, p, msg, size, start));
    case C_IC_NA_1:
        return reinterpret_cast<InformationObject>(
            InterrogationCommand_getFromBuffer(nullptr, p, msg, size, start));
    case C_CI_NA_1:
        return reinterpret_cast<InformationObject>(
            CounterInterrogationCommand_getFromBuffer(nullptr, p, msg, size, start));
    case C_RD_NA_1:
        return reinterpret_cast<InformationObject>(
            ReadCommand_getFromBuffer(nullptr, p, msg, size, start));
    case C_CS_NA_1:
        return reinterpret_cast<InformationObject>(
            ClockSynchronizationCommand_getFromBuffer(nullptr, p, msg, size, start));
    case C_TS_NA_1:
        return reinterpret_cast<InformationObject>(
            TestCommand_getFromBuffer(nullptr, p, msg, size, start));
    case C_RP_NA_1:
        return reinterpret_cast<InformationObject>(
            ResetProcessCommand_getFromBuffer(nullptr, p, msg, size, start));
    case C_CD_NA_1:
        return reinterpret_cast<InformationObject>(
            DelayAcquisitionCommand_getFromBuffer(nullptr, p, msg, size, start));
    case P_ME_NA_1:
        return reinterpret_cast<InformationObject>(
            ParameterNormalizedValue_getFromBuffer(nullptr, p, msg, size, start));
    case P_ME_NB_1:
        return reinterpret_cast<InformationObject>(
            ParameterScaledValue_getFromBuffer(nullptr, p, msg, size, start));
    case P_ME_NC_1:
        return reinterpret_cast<InformationObject>(
            ParameterFloatValue_getFromBuffer(nullptr, p, msg, size, start));
    case P_AC_NA_1:
        return reinterpret_cast<InformationObject>(
            ParameterActivation_getFromBuffer(nullptr, p, msg, size, start));
    case F_FR_NA_1:
        return reinterpret_cast<InformationObject>(
            FileReady_getFromBuffer(nullptr, p, msg, size, start));
    case F_SR_NA_1:
        return reinterpret_cast<InformationObject>(
            SectionReady_getFromBuffer(nullptr, p, msg, size, start));
    case F_SC_NA_1:
        return reinterpret_cast<InformationObject>(
            FileCallOrSelect_getFromBuffer(nullptr, p, msg, size, start));
    case F_LS_NA_1:
        return reinterpret_cast<InformationObject>(
            FileLastSegmentOrSection_getFromBuffer(nullptr, p, msg, size, start));
    case F_AF_NA_1:
        return reinterpret_cast<InformationObject>(
            FileACK_getFromBuffer(nullptr, p, msg, size, start));
    case F_SG_NA_1:
        return reinterpret_cast<InformationObject>(
            FileSegment_getFromBuffer(nullptr, p, msg, size, start));
    default:
        return nullptr;
    }
}

/* Start offsets beyond INT_MAX lie outside any payload; report them as unreachable. */
static int clampOffset(long long offset)
{
    return offset > INT_MAX ? INT_MAX : static_cast<int>(offset);
}

InformationObject CS101_ASDU_getElement(CS101_ASDU self, int index)
{
    if (index < 0)
        return nullptr;
    const TypeID type = CS101_ASDU_getTypeID(self);
    const int elementSize = InformationObject_getElementSize(type);
    const int ioaSize = self->parameters->sizeOfIOA;
    uint8_t* msg = self->payload;
    const int size = self->payloadSize;

    switch (classOf(type)) {
    case SEQUENCE_CAPABLE:
        if (CS101_ASDU_isSequence(self)) {
            const long long start = ioaSize + static_cast<long long>(index) * elementSize;
            InformationObject io =
                decodeSequenceCapable(type, self->parameters, msg, size, clampOffset(start), true);
            if (io != nullptr)
                InformationObject_setObjectAddress(io, firstSequenceAddress(self) + index);
            return io;
        }
        return decodeSequenceCapable(
            type, self->parameters, msg, size,
            clampOffset(static_cast<long long>(index) * (ioaSize + elementSize)), false);
    case COMMAND_LIKE:
        return decodeAddressed(
            type, self->parameters, msg, size,
            clampOffset(static_cast<long long>(index) * (ioaSize + elementSize)));
    case FIRST_ONLY:
        return decodeAddressed(type, self->parameters, msg, size, 0);
    default:
        return nullptr;
    }
}

/* ==================================================== display strings */

const char* TypeID_toString(TypeID self)
{
    switch (self) {
#define QX_TYPE_NAME(name)                                                                         \
    case name:                                                                                     \
        return #name;
        QX_TYPE_NAME(M_SP_NA_1)
        QX_TYPE_NAME(M_SP_TA_1)
        QX_TYPE_NAME(M_DP_NA_1)
        QX_TYPE_NAME(M_DP_TA_1)
        QX_TYPE_NAME(M_ST_NA_1)
        QX_TYPE_NAME(M_ST_TA_1)
        QX_TYPE_NAME(M_BO_NA_1)
        QX_TYPE_NAME(M_BO_TA_1)
        QX_TYPE_NAME(M_ME_NA_1)
        QX_TYPE_NAME(M_ME_TA_1)
        QX_TYPE_NAME(M_ME_NB_1)
        QX_TYPE_NAME(M_ME_TB_1)
        QX_TYPE_NAME(M_ME_NC_1)
        QX_TYPE_NAME(M_ME_TC_1)
        QX_TYPE_NAME(M_IT_NA_1)
        QX_TYPE_NAME(M_IT_TA_1)
        QX_TYPE_NAME(M_EP_TA_1)
        QX_TYPE_NAME(M_EP_TB_1)
        QX_TYPE_NAME(M_EP_TC_1)
        QX_TYPE_NAME(M_PS_NA_1)
        QX_TYPE_NAME(M_ME_ND_1)
        QX_TYPE_NAME(M_SP_TB_1)
        QX_TYPE_NAME(M_DP_TB_1)
        QX_TYPE_NAME(M_ST_TB_1)
        QX_TYPE_NAME(M_BO_TB_1)
        QX_TYPE_NAME(M_ME_TD_1)
        QX_TYPE_NAME(M_ME_TE_1)
        QX_TYPE_NAME(M_ME_TF_1)
        QX_TYPE_NAME(M_IT_TB_1)
        QX_TYPE_NAME(M_EP_TD_1)
        QX_TYPE_NAME(M_EP_TE_1)
        QX_TYPE_NAME(M_EP_TF_1)
        QX_TYPE_NAME(C_SC_NA_1)
        QX_TYPE_NAME(C_DC_NA_1)
        QX_TYPE_NAME(C_RC_NA_1)
        QX_TYPE_NAME(C_SE_NA_1)
        QX_TYPE_NAME(C_SE_NB_1)
        QX_TYPE_NAME(C_SE_NC_1)
        QX_TYPE_NAME(C_BO_NA_1)
        QX_TYPE_NAME(C_SC_TA_1)
        QX_TYPE_NAME(C_DC_TA_1)
        QX_TYPE_NAME(C_RC_TA_1)
        QX_TYPE_NAME(C_SE_TA_1)
        QX_TYPE_NAME(C_SE_TB_1)
        QX_TYPE_NAME(C_SE_TC_1)
        QX_TYPE_NAME(C_BO_TA_1)
        QX_TYPE_NAME(M_EI_NA_1)
        QX_TYPE_NAME(C_IC_NA_1)
        QX_TYPE_NAME(C_CI_NA_1)
        QX_TYPE_NAME(C_RD_NA_1)
        QX_TYPE_NAME(C_CS_NA_1)
        QX_TYPE_NAME(C_TS_NA_1)
        QX_TYPE_NAME(C_RP_NA_1)
        QX_TYPE_NAME(C_CD_NA_1)
        QX_TYPE_NAME(C_TS_TA_1)
        QX_TYPE_NAME(P_ME_NA_1)
        QX_TYPE_NAME(P_ME_NB_1)
        QX_TYPE_NAME(P_ME_NC_1)
        QX_TYPE_NAME(P_AC_NA_1)
        QX_TYPE_NAME(F_FR_NA_1)
        QX_TYPE_NAME(F_SR_NA_1)
        QX_TYPE_NAME(F_SC_NA_1)
        QX_TYPE_NAME(F_LS_NA_1)
        QX_TYPE_NAME(F_AF_NA_1)
        QX_TYPE_NAME(F_SG_NA_1)
        QX_TYPE_NAME(F_DR_TA_1)
        QX_TYPE_NAME(F_SC_NB_1)
#undef QX_TYPE_NAME
    }
    return "unknown";
}

static const char* const interrogationGroupNames[] = {
    "INTERROGATED_BY_GROUP_1",  "INTERROGATED_BY_GROUP_2",  "INTERROGATED_BY_GROUP_3",
    "INTERROGATED_BY_GROUP_4",  "INTERROGATED_BY_GROUP_5",  "INTERROGATED_BY_GROUP_6",
    "INTERROGATED_BY_GROUP_7",  "INTERROGATED_BY_GROUP_8",  "INTERROGATED_BY_GROUP_9",
    "INTERROGATED_BY_GROUP_10", "INTERROGATED_BY_GROUP_11", "INTERROGATED_BY_GROUP_12",
    "INTERROGATED_BY_GROUP_13", "INTERROGATED_BY_GROUP_14", "INTERROGATED_BY_GROUP_15",
    "INTERROGATED_BY_GROUP_16"};

static const char* const counterGroupNames[] = {
    "REQUESTED_BY_GROUP_1_COUNTER", "REQUESTED_BY_GROUP_2_COUNTER", "REQUESTED_BY_GROUP_3_COUNTER",
    "REQUESTED_BY_GROUP_4_COUNTER"};

static const char* const causeNames1to16[] = {"PERIODIC",
                                              "BACKGROUND_SCAN",
                                              "SPONTANEOUS",
                                              "INITIALIZED",
                                              "REQUEST",
                                              "ACTIVATION",
                                              "ACTIVATION_CON",
                                              "DEACTIVATION",
                                              "DEACTIVATION_CON",
                                              "ACTIVATION_TERMINATION",
                                              "RETURN_INFO_REMOTE",
                                              "RETURN_INFO_LOCAL",
                                              "FILE_TRANSFER",
                                              "AUTHENTICATION",
                                              "MAINTENANCE_OF_AUTH_SESSION_KEY",
                                              "MAINTENANCE_OF_USER_ROLE_AND_UPDATE_KEY"};

const char* CS101_CauseOfTransmission_toString(CS101_CauseOfTransmission self)
{
    const int cause = static_cast<int>(self);
    if (cause >= 1 && cause <= 16)
        return causeNames1to16[cause - 1];
    if (cause == 20)
        return "INTERROGATED_BY_STATION";
    if (cause >= 21 && cause <= 36)
        return interrogationGroupNames[cause - 21];
    if (cause == 37)
        return "REQUESTED_BY_GENERAL_COUNTER";
    if (cause >= 38 && cause <= 41)
        return counterGroupNames[cause - 38];
    switch (cause) {
    case 44:
        return "UNKNOWN_TYPE_ID";
    case 45:
        return "UNKNOWN_CAUSE_OF_TRANSMISSION";
    case 46:
        return "UNKNOWN_COMMON_ADDRESS_OF_ASDU";
    case 47:
        return "UNKNOWN_INFORMATION_OBJECT_ADDRESS";
    default:
        return "UNKNOWN_COT";
    }
}
