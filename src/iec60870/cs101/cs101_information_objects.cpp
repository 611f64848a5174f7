/*
 * Information objects of IEC 60870-5-101: creation, accessors, encoding into
 * a Frame and bounds-checked decoding, for every supported type.
 *
 * Common rules of every type:
 * - T_create fills the caller's record (cleared first, so a reused record
 *   never keeps an old field) or a new zero-filled one.
 * - T_encode checks the room for the whole object first and writes nothing
 *   when it does not fit; then the address (unless in a sequence) and the
 *   element octets, multi-octet fields least significant octet first.
 * - T_getFromBuffer checks that the whole object lies inside msg before it
 *   allocates or reads anything.
 *
 * Choices of this implementation:
 * - Single-point and double-point quality is kept to its flag bits (0xF0) on
 *   create and again on encode, and the values to their 1 or 2 bits, so a
 *   caller's quality octet can never change the reported state.
 * - Set-point qualifiers (QL) are masked to 7 bits for every set-point type,
 *   with and without select, so QL can never set the select bit.
 * - A float that is NaN or infinite, or a set-point far outside +-1, is coded
 *   through a defined path: NaN and infinities code as 0, finite values keep
 *   the low 16 bits of their truncated code (no undefined conversion).
 * - The address read needs at least one octet even for sizeOfIOA < 1, so no
 *   decoder reads before checking; sizes above 3 are counted in full.
 * - InformationObject_getMaxSizeInMemory answers the size of our largest
 *   record, computed from the records themselves.
 */
#include "cs101_information_objects.h"
#include "information_objects_internal.h"
#include "lib_memory.h"

#include <cmath>
#include <cstring>

/* ================================================================ helpers */

static void destroyRecord(InformationObject self)
{
    Memory_free(self);
}

/* Clears the caller's record or allocates a zero-filled one, then sets the base fields. */
template <typename Record>
static Record* prepareRecord(Record* self, int ioa, TypeID type, InformationObjectVFT vft)
{
    if (self == nullptr)
        self = static_cast<Record*>(Memory_calloc(1, sizeof(Record)));
    else
        memset(static_cast<void*>(self), 0, sizeof(Record));
    if (self == nullptr)
        return nullptr;
    self->objectAddress = ioa;
    self->type = type;
    self->virtualFunctionTable = vft;
    return self;
}

static int addressOctetsNeeded(CS101_AppLayerParameters parameters, bool isSequence)
{
    if (isSequence)
        return 0;
    return parameters->sizeOfIOA > 1 ? parameters->sizeOfIOA : 1;
}

/* True when msg[startIndex..msgSize-1] holds the object (address unless isSequence, element). */
static bool objectFits(CS101_AppLayerParameters parameters, const uint8_t* msg, int msgSize,
                       int startIndex, int elementSize, bool isSequence)
{
    if (msg == nullptr || parameters == nullptr || startIndex < 0 || msgSize < 0)
        return false;
    const long long available = static_cast<long long>(msgSize) - startIndex;
    return available >=
           static_cast<long long>(elementSize) + addressOctetsNeeded(parameters, isSequence);
}

/*
 * Start of every decoder: checks the bounds, takes or allocates the record,
 * sets the base fields and reads the address (advancing startIndex past it).
 */
template <typename Record>
static Record* beginDecode(Record* self, CS101_AppLayerParameters parameters, const uint8_t* msg,
                           int msgSize, int* startIndex, int elementSize, bool isSequence,
                           TypeID type, InformationObjectVFT vft)
{
    if (!objectFits(parameters, msg, msgSize, *startIndex, elementSize, isSequence))
        return nullptr;
    if (self == nullptr)
        self = static_cast<Record*>(Memory_calloc(1, sizeof(Record)));
    if (self == nullptr)
        return nullptr;
    self->type = type;
    self->virtualFunctionTable = vft;
    if (!isSequence) {
        self->objectAddress = InformationObject_ParseObjectAddress(
            parameters, const_cast<uint8_t*>(msg), *startIndex);
        *startIndex += parameters->sizeOfIOA > 1 ? parameters->sizeOfIOA : 1;
    }
    return self;
}

/* Start of every encoder: room check for the whole object, then the address. */
static bool beginEncode(InformationObject self, Frame frame, CS101_AppLayerParameters parameters,
                        int elementSize, bool isSequence)
{
    const int needed = elementSize + (isSequence ? 0 : parameters->sizeOfIOA);
    if (Frame_getSpaceLeft(frame) < needed)
        return false;
    if (!isSequence) {
        const unsigned int ioa = static_cast<unsigned int>(self->objectAddress);
        Frame_setNextByte(frame, static_cast<uint8_t>(ioa & 0xFF));
        if (parameters->sizeOfIOA > 1)
            Frame_setNextByte(frame, static_cast<uint8_t>((ioa >> 8) & 0xFF));
        if (parameters->sizeOfIOA > 2)
            Frame_setNextByte(frame, static_cast<uint8_t>((ioa >> 16) & 0xFF));
    }
    return true;
}

static void writeUint16(Frame frame, uint32_t value)
{
    Frame_setNextByte(frame, static_cast<uint8_t>(value & 0xFF));
    Frame_setNextByte(frame, static_cast<uint8_t>((value >> 8) & 0xFF));
}

static void writeUint24(Frame frame, uint32_t value)
{
    writeUint16(frame, value);
    Frame_setNextByte(frame, static_cast<uint8_t>((value >> 16) & 0xFF));
}

static void writeUint32(Frame frame, uint32_t value)
{
    writeUint16(frame, value);
    writeUint16(frame, value >> 16);
}

static void writeFloat(Frame frame, float value)
{
    uint32_t bits;
    memcpy(&bits, &value, sizeof(bits));
    writeUint32(frame, bits);
}

static uint32_t readUint16(const uint8_t* msg, int index)
{
    return static_cast<uint32_t>(msg[index]) | (static_cast<uint32_t>(msg[index + 1]) << 8);
}

static uint32_t readUint24(const uint8_t* msg, int index)
{
    return readUint16(msg, index) | (static_cast<uint32_t>(msg[index + 2]) << 16);
}

static uint32_t readUint32(const uint8_t* msg, int index)
{
    return readUint16(msg, index) | (readUint16(msg, index + 2) << 16);
}

static float readFloat(const uint8_t* msg, int index)
{
    const uint32_t bits = readUint32(msg, index);
    float value;
    memcpy(&value, &bits, sizeof(value));
    return value;
}

/* Scaled value coding: the low 16 bits of v, two's complement, low octet first. */
static void setScaledValue(uint8_t* encoded, int value)
{
    const unsigned int bits = static_cast<unsigned int>(value);
    encoded[0] = static_cast<uint8_t>(bits & 0xFF);
    encoded[1] = static_cast<uint8_t>((bits >> 8) & 0xFF);
}

static int getScaledValue(const uint8_t* encoded)
{
    const int n = encoded[0] + 256 * encoded[1];
    return n > 32767 ? n - 65536 : n;
}

/* Truncates toward zero and keeps the low 16 bits; NaN and infinities give 0. */
static int truncToLow16(double value)
{
    if (!std::isfinite(value))
        return 0;
    return static_cast<int>(std::fmod(std::trunc(value), 65536.0));
}

static float clampNormalized(float value)
{
    if (std::isnan(value))
        return 0.0f;
    if (value > 1.0f)
        return 1.0f;
    if (value < -1.0f)
        return -1.0f;
    return value;
}

static void appendTime(Frame frame, const uint8_t* octets, int size)
{
    Frame_appendBytes(frame, octets, size);
}

/* Sign-extends the 7-bit step position. */
static int stepValue(uint8_t vti)
{
    const int value = vti & 0x7F;
    return (value & 0x40) ? value - 128 : value;
}

static uint8_t makeVti(int value, bool isTransient)
{
    if (value > 63)
        value = 63;
    else if (value < -64)
        value = -64;
    return static_cast<uint8_t>((static_cast<unsigned int>(value) & 0x7F) |
                                (isTransient ? 0x80 : 0));
}

static uint8_t singlePointOctet(bool value, QualityDescriptor quality)
{
    return static_cast<uint8_t>((value ? 1 : 0) | (quality & 0xF0));
}

static uint8_t doublePointOctet(DoublePointValue value, QualityDescriptor quality)
{
    return static_cast<uint8_t>((static_cast<unsigned int>(value) & 3) | (quality & 0xF0));
}

static uint8_t commandOctet(int state, int stateMask, bool select, int qu)
{
    unsigned int octet = (static_cast<unsigned int>(qu) & 0x1F) << 2;
    octet |= static_cast<unsigned int>(state) & static_cast<unsigned int>(stateMask);
    if (select)
        octet |= 0x80;
    return static_cast<uint8_t>(octet);
}

static uint8_t qosOctet(bool select, int ql)
{
    return static_cast<uint8_t>((static_cast<unsigned int>(ql) & 0x7F) | (select ? 0x80 : 0));
}

#define DEFINE_DESTROY(T)                                                                          \
    void T##_destroy(T self)                                                                       \
    {                                                                                              \
        Memory_free(self);                                                                         \
    }

/* ====================================================== generic operations */

bool InformationObject_encode(InformationObject self, Frame frame,
                              CS101_AppLayerParameters parameters, bool isSequence)
{
    return self->virtualFunctionTable->encode(self, frame, parameters, isSequence);
}

void InformationObject_destroy(InformationObject self)
{
    if (self != nullptr)
        self->virtualFunctionTable->destroy(self);
}

int InformationObject_getObjectAddress(InformationObject self)
{
    return self->objectAddress;
}

void InformationObject_setObjectAddress(InformationObject self, int ioa)
{
    self->objectAddress = ioa;
}

TypeID InformationObject_getType(InformationObject self)
{
    return self->type;
}

int InformationObject_ParseObjectAddress(CS101_AppLayerParameters parameters, uint8_t* msg,
                                         int startIndex)
{
    int ioa = msg[startIndex];
    if (parameters->sizeOfIOA > 1)
        ioa += msg[startIndex + 1] * 0x100;
    if (parameters->sizeOfIOA > 2)
        ioa += msg[startIndex + 2] * 0x10000;
    return ioa;
}

/* MeasuredValueNormalized coding: clamped, value * 32767 in single precision, truncated. */
static void setNormalizedValue(uint8_t* encoded, float value)
{
    setScaledValue(encoded, truncToLow16(static_cast<double>(clampNormalized(value) * 32767.0f)));
}

static float getNormalizedValue(const uint8_t* encoded)
{
    return static_cast<float>(getScaledValue(encoded)) / 32767.0f;
}

/* MeasuredValueNormalizedWithoutQuality coding: clamped, value * 32767.5 - 0.5 truncated. */
static void setNormalizedValueWithoutQuality(uint8_t* encoded, float value)
{
    const double scaled = static_cast<double>(clampNormalized(value) * 32767.5f) - 0.5;
    setScaledValue(encoded, truncToLow16(scaled));
}

static float getNormalizedValueWithoutQuality(const uint8_t* encoded)
{
    const float shifted = static_cast<float>(static_cast<double>(getScaledValue(encoded)) + 0.5);
    return shifted / 32767.5f;
}

/* Set-point normalized reading shared by C_SE_NA_1 and C_SE_TA_1. */
static float getSetpointNormalizedValue(const uint8_t* encoded)
{
    return static_cast<float>((static_cast<double>(getScaledValue(encoded)) + 0.5) / 32767.5);
}

/* ========================================================= embedded octets */

EventState SingleEvent_getEventState(SingleEvent self)
{
    return static_cast<EventState>(*self & 0x03);
}

void SingleEvent_setEventState(SingleEvent self, EventState eventState)
{
    *self = static_cast<uint8_t>((*self & 0xFC) | (static_cast<unsigned int>(eventState) & 0x03));
}

QualityDescriptorP SingleEvent_getQDP(SingleEvent self)
{
    return static_cast<QualityDescriptorP>(*self & 0xFC);
}

void SingleEvent_setQDP(SingleEvent self, QualityDescriptorP qdp)
{
    *self = static_cast<uint8_t>((qdp & 0xFC) | (*self & 0x03));
}

uint16_t StatusAndStatusChangeDetection_getSTn(StatusAndStatusChangeDetection self)
{
    return static_cast<uint16_t>(readUint16(self->encodedValue, 0));
}

uint16_t StatusAndStatusChangeDetection_getCDn(StatusAndStatusChangeDetection self)
{
    return static_cast<uint16_t>(readUint16(self->encodedValue, 2));
}

void StatusAndStatusChangeDetection_setSTn(StatusAndStatusChangeDetection self, uint16_t value)
{
    self->encodedValue[0] = static_cast<uint8_t>(value & 0xFF);
    self->encodedValue[1] = static_cast<uint8_t>(value >> 8);
}

bool StatusAndStatusChangeDetection_getST(StatusAndStatusChangeDetection self, int index)
{
    if (index < 0 || index > 15)
        return false;
    return ((StatusAndStatusChangeDetection_getSTn(self) >> index) & 1) != 0;
}

bool StatusAndStatusChangeDetection_getCD(StatusAndStatusChangeDetection self, int index)
{
    if (index < 0 || index > 15)
        return false;
    return ((StatusAndStatusChangeDetection_getCDn(self) >> index) & 1) != 0;
}

/* ========================================================= monitoring types */

/* ---- SinglePointInformation (M_SP_NA_1) */

static bool SinglePointInformation_encode(InformationObject object, Frame frame,
                                          CS101_AppLayerParameters parameters, bool isSequence)
{
    SinglePointInformation self = reinterpret_cast<SinglePointInformation>(object);
    if (!beginEncode(object, frame, parameters, 1, isSequence))
        return false;
    Frame_setNextByte(frame, singlePointOctet(self->value, self->quality));
    return true;
}

static const struct sInformationObjectVFT singlePointInformationVFT = {
    SinglePointInformation_encode, destroyRecord};

SinglePointInformation SinglePointInformation_create(SinglePointInformation self, int ioa,
                                                     bool value, QualityDescriptor quality)
{
    self = prepareRecord(self, ioa, M_SP_NA_1, &singlePointInformationVFT);
    if (self == nullptr)
        return nullptr;
    self->value = value;
    self->quality = static_cast<QualityDescriptor>(quality & 0xF0);
    return self;
}

DEFINE_DESTROY(SinglePointInformation)

SinglePointInformation SinglePointInformation_getFromBuffer(SinglePointInformation self,
                                                            CS101_AppLayerParameters parameters,
                                                            uint8_t* msg, int msgSize,
                                                            int startIndex, bool isSequence)
{
    self = beginDecode(self, parameters, msg, msgSize, &startIndex, 1, isSequence, M_SP_NA_1,
                       &singlePointInformationVFT);
    if (self == nullptr)
        return nullptr;
    self->value = (msg[startIndex] & 0x01) != 0;
    self->quality = static_cast<QualityDescriptor>(msg[startIndex] & 0xF0);
    return self;
}

bool SinglePointInformation_getValue(SinglePointInformation self)
{
    return self->value;
}

QualityDescriptor SinglePointInformation_getQuality(SinglePointInformation self)
{
    return self->quality;
}

/* ---- SinglePointWithCP24Time2a (M_SP_TA_1) */

static bool SinglePointWithCP24Time2a_encode(InformationObject object, Frame frame,
                                             CS101_AppLayerParameters parameters, bool isSequence)
{
    SinglePointWithCP24Time2a self = reinterpret_cast<SinglePointWithCP24Time2a>(object);
    if (!beginEncode(object, frame, parameters, 4, isSequence))
        return false;
    Frame_setNextByte(frame, singlePointOctet(self->value, self->quality));
    appendTime(frame, self->timestamp.encodedValue, 3);
    return true;
}

static const struct sInformationObjectVFT singlePointWithCP24Time2aVFT = {
    SinglePointWithCP24Time2a_encode, destroyRecord};

SinglePointWithCP24Time2a SinglePointWithCP24Time2a_create(SinglePointWithCP24Time2a self, int ioa,
                                                           bool value, QualityDescriptor quality,
                                                           CP24Time2a timestamp)
{
    self = prepareRecord(self, ioa, M_SP_TA_1, &singlePointWithCP24Time2aVFT);
    if (self == nullptr)
        return nullptr;
    self->value = value;
    self->quality = static_cast<QualityDescriptor>(quality & 0xF0);
    if (timestamp != nullptr)
        self->timestamp = *timestamp;
    return self;
}

DEFINE_DESTROY(SinglePointWithCP24Time2a)

SinglePointWithCP24Time2a
SinglePointWithCP24Time2a_getFromBuffer(SinglePointWithCP24Time2a self,
                                        CS101_AppLayerParameters parameters, uint8_t* msg,
                                        int msgSize, int startIndex, bool isSequence)
{
    self = beginDecode(self, parameters, msg, msgSize, &startIndex, 4, isSequence, M_SP_TA_1,
                       &singlePointWithCP24Time2aVFT);
    if (self == nullptr)
        return nullptr;
    self->value = (msg[startIndex] & 0x01) != 0;
    self->quality = static_cast<QualityDescriptor>(msg[startIndex] & 0xF0);
    CP24Time2a_getFromBuffer(&self->timestamp, msg, msgSize, startIndex + 1);
    return self;
}

CP24Time2a SinglePointWithCP24Time2a_getTimestamp(SinglePointWithCP24Time2a self)
{
    return &self->timestamp;
}

/* ---- SinglePointWithCP56Time2a (M_SP_TB_1) */

static bool SinglePointWithCP56Time2a_encode(InformationObject object, Frame frame,
                                             CS101_AppLayerParameters parameters, bool isSequence)
{
    SinglePointWithCP56Time2a self = reinterpret_cast<SinglePointWithCP56Time2a>(object);
    if (!beginEncode(object, frame, parameters, 8, isSequence))
        return false;
    Frame_setNextByte(frame, singlePointOctet(self->value, self->quality));
    appendTime(frame, self->timestamp.encodedValue, 7);
    return true;
}

static const struct sInformationObjectVFT singlePointWithCP56Time2aVFT = {
    SinglePointWithCP56Time2a_encode, destroyRecord};

SinglePointWithCP56Time2a SinglePointWithCP56Time2a_create(SinglePointWithCP56Time2a self, int ioa,
                                                           bool value, QualityDescriptor quality,
                                                           CP56Time2a timestamp)
{
    self = prepareRecord(self, ioa, M_SP_TB_1, &singlePointWithCP56Time2aVFT);
    if (self == nullptr)
        return nullptr;
    self->value = value;
    self->quality = static_cast<QualityDescriptor>(quality & 0xF0);
    if (timestamp != nullptr)
        self->timestamp = *timestamp;
    return self;
}

DEFINE_DESTROY(SinglePointWithCP56Time2a)

SinglePointWithCP56Time2a
SinglePointWithCP56Time2a_getFromBuffer(SinglePointWithCP56Time2a self,
                                        CS101_AppLayerParameters parameters, uint8_t* msg,
                                        int msgSize, int startIndex, bool isSequence)
{
    self = beginDecode(self, parameters, msg, msgSize, &startIndex, 8, isSequence, M_SP_TB_1,
                       &singlePointWithCP56Time2aVFT);
    if (self == nullptr)
        return nullptr;
    self->value = (msg[startIndex] & 0x01) != 0;
    self->quality = static_cast<QualityDescriptor>(msg[startIndex] & 0xF0);
    CP56Time2a_getFromBuffer(&self->timestamp, msg, msgSize, startIndex + 1);
    return self;
}

CP56Time2a SinglePointWithCP56Time2a_getTimestamp(SinglePointWithCP56Time2a self)
{
    return &self->timestamp;
}

/* ---- DoublePointInformation (M_DP_NA_1) */

static bool DoublePointInformation_encode(InformationObject object, Frame frame,
                                          CS101_AppLayerParameters parameters, bool isSequence)
{
    DoublePointInformation self = reinterpret_cast<DoublePointInformation>(object);
    if (!beginEncode(object, frame, parameters, 1, isSequence))
        return false;
    Frame_setNextByte(frame, doublePointOctet(self->value, self->quality));
    return true;
}

static const struct sInformationObjectVFT doublePointInformationVFT = {
    DoublePointInformation_encode, destroyRecord};

DoublePointInformation DoublePointInformation_create(DoublePointInformation self, int ioa,
                                                     DoublePointValue value,
                                                     QualityDescriptor quality)
{
    self = prepareRecord(self, ioa, M_DP_NA_1, &doublePointInformationVFT);
    if (self == nullptr)
        return nullptr;
    self->value = static_cast<DoublePointValue>(static_cast<unsigned int>(value) & 3);
    self->quality = static_cast<QualityDescriptor>(quality & 0xF0);
    return self;
}

DEFINE_DESTROY(DoublePointInformation)

DoublePointInformation DoublePointInformation_getFromBuffer(DoublePointInformation self,
                                                            CS101_AppLayerParameters parameters,
                                                            uint8_t* msg, int msgSize,
                                                            int startIndex, bool isSequence)
{
    self = beginDecode(self, parameters, msg, msgSize, &startIndex, 1, isSequence, M_DP_NA_1,
                       &doublePointInformationVFT);
    if (self == nullptr)
        return nullptr;
    self->value = static_cast<DoublePointValue>(msg[startIndex] & 0x03);
    self->quality = static_cast<QualityDescriptor>(msg[startIndex] & 0xF0);
    return self;
}

DoublePointValue DoublePointInformation_getValue(DoublePointInformation self)
{
    return self->value;
}

QualityDescriptor DoublePointInformation_getQuality(DoublePointInformation self)
{
    return self->quality;
}

/* ---- DoublePointWithCP24Time2a (M_DP_TA_1) */

static bool DoublePointWithCP24Time2a_encode(InformationObject object, Frame frame,
                                             CS101_AppLayerParameters parameters, bool isSequence)
{
    DoublePointWithCP24Time2a self = reinterpret_cast<DoublePointWithCP24Time2a>(object);
    if (!beginEncode(object, frame, parameters, 4, isSequence))
        return false;
    Frame_setNextByte(frame, doublePointOctet(self->value, self->quality));
    appendTime(frame, self->timestamp.encodedValue, 3);
    return true;
}

static const struct sInformationObjectVFT doublePointWithCP24Time2aVFT = {
    DoublePointWithCP24Time2a_encode, destroyRecord};

DoublePointWithCP24Time2a DoublePointWithCP24Time2a_create(DoublePointWithCP24Time2a self, int ioa,
                                                           DoublePointValue value,
                                                           QualityDescriptor quality,
                                                           CP24Time2a timestamp)
{
    self = prepareRecord(self, ioa, M_DP_TA_1, &doublePointWithCP24Time2aVFT);
    if (self == nullptr)
        return nullptr;
    self->value = static_cast<DoublePointValue>(static_cast<unsigned int>(value) & 3);
    self->quality = static_cast<QualityDescriptor>(quality & 0xF0);
    if (timestamp != nullptr)
        self->timestamp = *timestamp;
    return self;
}

DEFINE_DESTROY(DoublePointWithCP24Time2a)

DoublePointWithCP24Time2a
DoublePointWithCP24Time2a_getFromBuffer(DoublePointWithCP24Time2a self,
                                        CS101_AppLayerParameters parameters, uint8_t* msg,
                                        int msgSize, int startIndex, bool isSequence)
{
    self = beginDecode(self, parameters, msg, msgSize, &startIndex, 4, isSequence, M_DP_TA_1,
                       &doublePointWithCP24Time2aVFT);
    if (self == nullptr)
        return nullptr;
    self->value = static_cast<DoublePointValue>(msg[startIndex] & 0x03);
    self->quality = static_cast<QualityDescriptor>(msg[startIndex] & 0xF0);
    CP24Time2a_getFromBuffer(&self->timestamp, msg, msgSize, startIndex + 1);
    return self;
}

CP24Time2a DoublePointWithCP24Time2a_getTimestamp(DoublePointWithCP24Time2a self)
{
    return &self->timestamp;
}

/* ---- DoublePointWithCP56Time2a (M_DP_TB_1) */

static bool DoublePointWithCP56Time2a_encode(InformationObject object, Frame frame,
                                             CS101_AppLayerParameters parameters, bool isSequence)
{
    DoublePointWithCP56Time2a self = reinterpret_cast<DoublePointWithCP56Time2a>(object);
    if (!beginEncode(object, frame, parameters, 8, isSequence))
        return false;
    Frame_setNextByte(frame, doublePointOctet(self->value, self->quality));
    appendTime(frame, self->timestamp.encodedValue, 7);
    return true;
}

static const struct sInformationObjectVFT doublePointWithCP56Time2aVFT = {
    DoublePointWithCP56Time2a_encode, destroyRecord};

DoublePointWithCP56Time2a DoublePointWithCP56Time2a_create(DoublePointWithCP56Time2a self, int ioa,
                                                           DoublePointValue value,
                                                           QualityDescriptor quality,
                                                           CP56Time2a timestamp)
{
    self = prepareRecord(self, ioa, M_DP_TB_1, &doublePointWithCP56Time2aVFT);
    if (self == nullptr)
        return nullptr;
    self->value = static_cast<DoublePointValue>(static_cast<unsigned int>(value) & 3);
    self->quality = static_cast<QualityDescriptor>(quality & 0xF0);
    if (timestamp != nullptr)
        self->timestamp = *timestamp;
    return self;
}

DEFINE_DESTROY(DoublePointWithCP56Time2a)

DoublePointWithCP56Time2a
DoublePointWithCP56Time2a_getFromBuffer(DoublePointWithCP56Time2a self,
                                        CS101_AppLayerParameters parameters, uint8_t* msg,
                                        int msgSize, int startIndex, bool isSequence)
{
    self = beginDecode(self, parameters, msg, msgSize, &startIndex, 8, isSequence, M_DP_TB_1,
                       &doublePointWithCP56Time2aVFT);
    if (self == nullptr)
        return nullptr;
    self->value = static_cast<DoublePointValue>(msg[startIndex] & 0x03);
    self->quality = static_cast<QualityDescriptor>(msg[startIndex] & 0xF0);
    CP56Time2a_getFromBuffer(&self->timestamp, msg, msgSize, startIndex + 1);
    return self;
}

CP56Time2a DoublePointWithCP56Time2a_getTimestamp(DoublePointWithCP56Time2a self)
{
    return &self->timestamp;
}

/* ---- StepPositionInformation (M_ST_NA_1) */

static bool StepPositionInformation_encode(InformationObject object, Frame frame,
                                           CS101_AppLayerParameters parameters, bool isSequence)
{
    StepPositionInformation self = reinterpret_cast<StepPositionInformation>(object);
    if (!beginEncode(object, frame, parameters, 2, isSequence))
        return false;
    Frame_setNextByte(frame, self->vti);
    Frame_setNextByte(frame, self->quality);
    return true;
}

static const struct sInformationObjectVFT stepPositionInformationVFT = {
    StepPositionInformation_encode, destroyRecord};

StepPositionInformation StepPositionInformation_create(StepPositionInformation self, int ioa,
                                                       int value, bool isTransient,
                                                       QualityDescriptor quality)
{
    self = prepareRecord(self, ioa, M_ST_NA_1, &stepPositionInformationVFT);
    if (self == nullptr)
        return nullptr;
    self->vti = makeVti(value, isTransient);
    self->quality = quality;
    return self;
}

DEFINE_DESTROY(StepPositionInformation)

StepPositionInformation StepPositionInformation_getFromBuffer(StepPositionInformation self,
                                                              CS101_AppLayerParameters parameters,
                                                              uint8_t* msg, int msgSize,
                                                              int startIndex, bool isSequence)
{
    self = beginDecode(self, parameters, msg, msgSize, &startIndex, 2, isSequence, M_ST_NA_1,
                       &stepPositionInformationVFT);
    if (self == nullptr)
        return nullptr;
    self->vti = msg[startIndex];
    self->quality = msg[startIndex + 1];
    return self;
}

int StepPositionInformation_getObjectAddress(StepPositionInformation self)
{
    return self->objectAddress;
}

int StepPositionInformation_getValue(StepPositionInformation self)
{
    return stepValue(self->vti);
}

bool StepPositionInformation_isTransient(StepPositionInformation self)
{
    return (self->vti & 0x80) != 0;
}

QualityDescriptor StepPositionInformation_getQuality(StepPositionInformation self)
{
    return self->quality;
}

/* ---- StepPositionWithCP24Time2a (M_ST_TA_1) */

static bool StepPositionWithCP24Time2a_encode(InformationObject object, Frame frame,
                                              CS101_AppLayerParameters parameters, bool isSequence)
{
    StepPositionWithCP24Time2a self = reinterpret_cast<StepPositionWithCP24Time2a>(object);
    if (!beginEncode(object, frame, parameters, 5, isSequence))
        return false;
    Frame_setNextByte(frame, self->vti);
    Frame_setNextByte(frame, self->quality);
    appendTime(frame, self->timestamp.encodedValue, 3);
    return true;
}

static const struct sInformationObjectVFT stepPositionWithCP24Time2aVFT = {
    StepPositionWithCP24Time2a_encode, destroyRecord};

StepPositionWithCP24Time2a StepPositionWithCP24Time2a_create(StepPositionWithCP24Time2a self,
                                                             int ioa, int value, bool isTransient,
                                                             QualityDescriptor quality,
                                                             CP24Time2a timestamp)
{
    self = prepareRecord(self, ioa, M_ST_TA_1, &stepPositionWithCP24Time2aVFT);
    if (self == nullptr)
        return nullptr;
    self->vti = makeVti(value, isTransient);
    self->quality = quality;
    if (timestamp != nullptr)
        self->timestamp = *timestamp;
    return self;
}

DEFINE_DESTROY(StepPositionWithCP24Time2a)

StepPositionWithCP24Time2a
StepPositionWithCP24Time2a_getFromBuffer(StepPositionWithCP24Time2a self,
                                         CS101_AppLayerParameters parameters, uint8_t* msg,
                                         int msgSize, int startIndex, bool isSequence)
{
    self = beginDecode(self, parameters, msg, msgSize, &startIndex, 5, isSequence, M_ST_TA_1,
                       &stepPositionWithCP24Time2aVFT);
    if (self == nullptr)
        return nullptr;
    self->vti = msg[startIndex];
    self->quality = msg[startIndex + 1];
    CP24Time2a_getFromBuffer(&self->timestamp, msg, msgSize, startIndex + 2);
    return self;
}

CP24Time2a StepPositionWithCP24Time2a_getTimestamp(StepPositionWithCP24Time2a self)
{
    return &self->timestamp;
}

/* ---- StepPositionWithCP56Time2a (M_ST_TB_1) */

static bool StepPositionWithCP56Time2a_encode(InformationObject object, Frame frame,
                                              CS101_AppLayerParameters parameters, bool isSequence)
{
    StepPositionWithCP56Time2a self = reinterpret_cast<StepPositionWithCP56Time2a>(object);
    if (!beginEncode(object, frame, parameters, 9, isSequence))
        return false;
    Frame_setNextByte(frame, self->vti);
    Frame_setNextByte(frame, self->quality);
    appendTime(frame, self->timestamp.encodedValue, 7);
    return true;
}

static const struct sInformationObjectVFT stepPositionWithCP56Time2aVFT = {
    StepPositionWithCP56Time2a_encode, destroyRecord};

StepPositionWithCP56Time2a StepPositionWithCP56Time2a_create(StepPositionWithCP56Time2a self,
                                                             int ioa, int value, bool isTransient,
                                                             QualityDescriptor quality,
                                                             CP56Time2a timestamp)
{
    self = prepareRecord(self, ioa, M_ST_TB_1, &stepPositionWithCP56Time2aVFT);
    if (self == nullptr)
        return nullptr;
    self->vti = makeVti(value, isTransient);
    self->quality = quality;
    if (timestamp != nullptr)
        self->timestamp = *timestamp;
    return self;
}

DEFINE_DESTROY(StepPositionWithCP56Time2a)

StepPositionWithCP56Time2a
StepPositionWithCP56Time2a_getFromBuffer(StepPositionWithCP56Time2a self,
                                         CS101_AppLayerParameters parameters, uint8_t* msg,
                                         int msgSize, int startIndex, bool isSequence)
{
    self = beginDecode(self, parameters, msg, msgSize, &startIndex, 9, isSequence, M_ST_TB_1,
                       &stepPositionWithCP56Time2aVFT);
    if (self == nullptr)
        return nullptr;
    self->vti = msg[startIndex];
    self->quality = msg[startIndex + 1];
    CP56Time2a_getFromBuffer(&self->timestamp, msg, msgSize, startIndex + 2);
    return self;
}

CP56Time2a StepPositionWithCP56Time2a_getTimestamp(StepPositionWithCP56Time2a self)
{
    return &self->timestamp;
}

/* ---- BitString32 (M_BO_NA_1) */

static bool BitString32_encode(InformationObject object, Frame frame,
                               CS101_AppLayerParameters parameters, bool isSequence)
{
    BitString32 self = reinterpret_cast<BitString32>(object);
    if (!beginEncode(object, frame, parameters, 5, isSequence))
        return false;
    writeUint32(frame, self->value);
    Frame_setNextByte(frame, self->quality);
    return true;
}

static const struct sInformationObjectVFT bitString32VFT = {BitString32_encode, destroyRecord};

BitString32 BitString32_create(BitString32 self, int ioa, uint32_t value)
{
    self = prepareRecord(self, ioa, M_BO_NA_1, &bitString32VFT);
    if (self == nullptr)
        return nullptr;
    self->value = value;
    return self;
}

DEFINE_DESTROY(BitString32)

BitString32 BitString32_getFromBuffer(BitString32 self, CS101_AppLayerParameters parameters,
                                      uint8_t* msg, int msgSize, int startIndex, bool isSequence)
{
    self = beginDecode(self, parameters, msg, msgSize, &startIndex, 5, isSequence, M_BO_NA_1,
                       &bitString32VFT);
    if (self == nullptr)
        return nullptr;
    self->value = readUint32(msg, startIndex);
    self->quality = msg[startIndex + 4];
    return self;
}

uint32_t BitString32_getValue(BitString32 self)
{
    return self->value;
}

QualityDescriptor BitString32_getQuality(BitString32 self)
{
    return self->quality;
}

/* ---- Bitstring32WithCP24Time2a (M_BO_TA_1) */

static bool Bitstring32WithCP24Time2a_encode(InformationObject object, Frame frame,
                                             CS101_AppLayerParameters parameters, bool isSequence)
{
    Bitstring32WithCP24Time2a self = reinterpret_cast<Bitstring32WithCP24Time2a>(object);
    if (!beginEncode(object, frame, parameters, 8, isSequence))
        return false;
    writeUint32(frame, self->value);
    Frame_setNextByte(frame, self->quality);
    appendTime(frame, self->timestamp.encodedValue, 3);
    return true;
}

static const struct sInformationObjectVFT bitstring32WithCP24Time2aVFT = {
    Bitstring32WithCP24Time2a_encode, destroyRecord};

Bitstring32WithCP24Time2a Bitstring32WithCP24Time2a_create(Bitstring32WithCP24Time2a self, int ioa,
                                                           uint32_t value, CP24Time2a timestamp)
{
    self = prepareRecord(self, ioa, M_BO_TA_1, &bitstring32WithCP24Time2aVFT);
    if (self == nullptr)
        return nullptr;
    self->value = value;
    if (timestamp != nullptr)
        self->timestamp = *timestamp;
    return self;
}

DEFINE_DESTROY(Bitstring32WithCP24Time2a)

Bitstring32WithCP24Time2a
Bitstring32WithCP24Time2a_getFromBuffer(Bitstring32WithCP24Time2a self,
                                        CS101_AppLayerParameters parameters, uint8_t* msg,
                                        int msgSize, int startIndex, bool isSequence)
{
    self = beginDecode(self, parameters, msg, msgSize, &startIndex, 8, isSequence, M_BO_TA_1,
                       &bitstring32WithCP24Time2aVFT);
    if (self == nullptr)
        return nullptr;
    self->value = readUint32(msg, startIndex);
    self->quality = msg[startIndex + 4];
    CP24Time2a_getFromBuffer(&self->timestamp, msg, msgSize, startIndex + 5);
    return self;
}

CP24Time2a Bitstring32WithCP24Time2a_getTimestamp(Bitstring32WithCP24Time2a self)
{
    return &self->timestamp;
}

/* ---- Bitstring32WithCP56Time2a (M_BO_TB_1) */

static bool Bitstring32WithCP56Time2a_encode(InformationObject object, Frame frame,
                                             CS101_AppLayerParameters parameters, bool isSequence)
{
    Bitstring32WithCP56Time2a self = reinterpret_cast<Bitstring32WithCP56Time2a>(object);
    if (!beginEncode(object, frame, parameters, 12, isSequence))
        return false;
    writeUint32(frame, self->value);
    Frame_setNextByte(frame, self->quality);
    appendTime(frame, self->timestamp.encodedValue, 7);
    return true;
}

static const struct sInformationObjectVFT bitstring32WithCP56Time2aVFT = {
    Bitstring32WithCP56Time2a_encode, destroyRecord};

Bitstring32WithCP56Time2a Bitstring32WithCP56Time2a_create(Bitstring32WithCP56Time2a self, int ioa,
                                                           uint32_t value, CP56Time2a timestamp)
{
    self = prepareRecord(self, ioa, M_BO_TB_1, &bitstring32WithCP56Time2aVFT);
    if (self == nullptr)
        return nullptr;
    self->value = value;
    if (timestamp != nullptr)
        self->timestamp = *timestamp;
    return self;
}

DEFINE_DESTROY(Bitstring32WithCP56Time2a)

Bitstring32WithCP56Time2a
Bitstring32WithCP56Time2a_getFromBuffer(Bitstring32WithCP56Time2a self,
                                        CS101_AppLayerParameters parameters, uint8_t* msg,
                                        int msgSize, int startIndex, bool isSequence)
{
    self = beginDecode(self, parameters, msg, msgSize, &startIndex, 12, isSequence, M_BO_TB_1,
                       &bitstring32WithCP56Time2aVFT);
    if (self == nullptr)
        return nullptr;
    self->value = readUint32(msg, startIndex);
    self->quality = msg[startIndex + 4];
    CP56Time2a_getFromBuffer(&self->timestamp, msg, msgSize, startIndex + 5);
    return self;
}

CP56Time2a Bitstring32WithCP56Time2a_getTimestamp(Bitstring32WithCP56Time2a self)
{
    return &self->timestamp;
}

/* ---- MeasuredValueNormalized (M_ME_NA_1) */

static bool MeasuredValueNormalized_encode(InformationObject object, Frame frame,
                                           CS101_AppLayerParameters parameters, bool isSequence)
{
    MeasuredValueNormalized self = reinterpret_cast<MeasuredValueNormalized>(object);
    if (!beginEncode(object, frame, parameters, 3, isSequence))
        return false;
    Frame_appendBytes(frame, self->encodedValue, 2);
    Frame_setNextByte(frame, self->quality);
    return true;
}

static const struct sInformationObjectVFT measuredValueNormalizedVFT = {
    MeasuredValueNormalized_encode, destroyRecord};

MeasuredValueNormalized MeasuredValueNormalized_create(MeasuredValueNormalized self, int ioa,
                                                       float value, QualityDescriptor quality)
{
    self = prepareRecord(self, ioa, M_ME_NA_1, &measuredValueNormalizedVFT);
    if (self == nullptr)
        return nullptr;
    setNormalizedValue(self->encodedValue, value);
    self->quality = quality;
    return self;
}

DEFINE_DESTROY(MeasuredValueNormalized)

MeasuredValueNormalized MeasuredValueNormalized_getFromBuffer(MeasuredValueNormalized self,
                                                              CS101_AppLayerParameters parameters,
                                                              uint8_t* msg, int msgSize,
                                                              int startIndex, bool isSequence)
{
    self = beginDecode(self, parameters, msg, msgSize, &startIndex, 3, isSequence, M_ME_NA_1,
                       &measuredValueNormalizedVFT);
    if (self == nullptr)
        return nullptr;
    self->encodedValue[0] = msg[startIndex];
    self->encodedValue[1] = msg[startIndex + 1];
    self->quality = msg[startIndex + 2];
    return self;
}

float MeasuredValueNormalized_getValue(MeasuredValueNormalized self)
{
    return getNormalizedValue(self->encodedValue);
}

void MeasuredValueNormalized_setValue(MeasuredValueNormalized self, float value)
{
    setNormalizedValue(self->encodedValue, value);
}

QualityDescriptor MeasuredValueNormalized_getQuality(MeasuredValueNormalized self)
{
    return self->quality;
}

/* ---- MeasuredValueNormalizedWithCP24Time2a (M_ME_TA_1) */

static bool MeasuredValueNormalizedWithCP24Time2a_encode(InformationObject object, Frame frame,
                                                         CS101_AppLayerParameters parameters,
                                                         bool isSequence)
{
    MeasuredValueNormalizedWithCP24Time2a self =
        reinterpret_cast<MeasuredValueNormalizedWithCP24Time2a>(object);
    if (!beginEncode(object, frame, parameters, 6, isSequence))
        return false;
    Frame_appendBytes(frame, self->encodedValue, 2);
    Frame_setNextByte(frame, self->quality);
    appendTime(frame, self->timestamp.encodedValue, 3);
    return true;
}

static const struct sInformationObjectVFT measuredValueNormalizedWithCP24Time2aVFT = {
    MeasuredValueNormalizedWithCP24Time2a_encode, destroyRecord};

MeasuredValueNormalizedWithCP24Time2a
MeasuredValueNormalizedWithCP24Time2a_create(MeasuredValueNormalizedWithCP24Time2a self, int ioa,
                                             float value, QualityDescriptor quality,
                                             CP24Time2a timestamp)
{
    self = prepareRecord(self, ioa, M_ME_TA_1, &measuredValueNormalizedWithCP24Time2aVFT);
    if (self == nullptr)
        return nullptr;
    setNormalizedValue(self->encodedValue, value);
    self->quality = quality;
    if (timestamp != nullptr)
        self->timestamp = *timestamp;
    return self;
}

DEFINE_DESTROY(MeasuredValueNormalizedWithCP24Time2a)

MeasuredValueNormalizedWithCP24Time2a MeasuredValueNormalizedWithCP24Time2a_getFromBuffer(
    MeasuredValueNormalizedWithCP24Time2a self, CS101_AppLayerParameters parameters, uint8_t* msg,
    int msgSize, int startIndex, bool isSequence)
{
    self = beginDecode(self, parameters, msg, msgSize, &startIndex, 6, isSequence, M_ME_TA_1,
                       &measuredValueNormalizedWithCP24Time2aVFT);
    if (self == nullptr)
        return nullptr;
    self->encodedValue[0] = msg[startIndex];
    self->encodedValue[1] = msg[startIndex + 1];
    self->quality = msg[startIndex + 2];
    CP24Time2a_getFromBuffer(&self->timestamp, msg, msgSize, startIndex + 3);
    return self;
}

CP24Time2a
MeasuredValueNormalizedWithCP24Time2a_getTimestamp(MeasuredValueNormalizedWithCP24Time2a self)
{
    return &self->timestamp;
}

void MeasuredValueNormalizedWithCP24Time2a_setTimestamp(MeasuredValueNormalizedWithCP24Time2a self,
                                                        CP24Time2a value)
{
    self->timestamp = *value;
}

/* ---- MeasuredValueNormalizedWithCP56Time2a (M_ME_TD_1) */

static bool MeasuredValueNormalizedWithCP56Time2a_encode(InformationObject object, Frame frame,
                                                         CS101_AppLayerParameters parameters,
                                                         bool isSequence)
{
    MeasuredValueNormalizedWithCP56Time2a self =
        reinterpret_cast<MeasuredValueNormalizedWithCP56Time2a>(object);
    if (!beginEncode(object, frame, parameters, 10, isSequence))
        return false;
    Frame_appendBytes(frame, self->encodedValue, 2);
    Frame_setNextByte(frame, self->quality);
    appendTime(frame, self->timestamp.encodedValue, 7);
    return true;
}

static const struct sInformationObjectVFT measuredValueNormalizedWithCP56Time2aVFT = {
    MeasuredValueNormalizedWithCP56Time2a_encode, destroyRecord};

MeasuredValueNormalizedWithCP56Time2a
MeasuredValueNormalizedWithCP56Time2a_create(MeasuredValueNormalizedWithCP56Time2a self, int ioa,
                                             float value, QualityDescriptor quality,
                                             CP56Time2a timestamp)
{
    self = prepareRecord(self, ioa, M_ME_TD_1, &measuredValueNormalizedWithCP56Time2aVFT);
    if (self == nullptr)
        return nullptr;
    setNormalizedValue(self->encodedValue, value);
    self->quality = quality;
    if (timestamp != nullptr)
        self->timestamp = *timestamp;
    return self;
}

DEFINE_DESTROY(MeasuredValueNormalizedWithCP56Time2a)

MeasuredValueNormalizedWithCP56Time2a MeasuredValueNormalizedWithCP56Time2a_getFromBuffer(
    MeasuredValueNormalizedWithCP56Time2a self, CS101_AppLayerParameters parameters, uint8_t* msg,
    int msgSize, int startIndex, bool isSequence)
{
    self = beginDecode(self, parameters, msg, msgSize, &startIndex, 10, isSequence, M_ME_TD_1,
                       &measuredValueNormalizedWithCP56Time2aVFT);
    if (self == nullptr)
        return nullptr;
    self->encodedValue[0] = msg[startIndex];
    self->encodedValue[1] = msg[startIndex + 1];
    self->quality = msg[startIndex + 2];
    CP56Time2a_getFromBuffer(&self->timestamp, msg, msgSize, startIndex + 3);
    return self;
}

CP56Time2a
MeasuredValueNormalizedWithCP56Time2a_getTimestamp(MeasuredValueNormalizedWithCP56Time2a self)
{
    return &self->timestamp;
}

void MeasuredValueNormalizedWithCP56Time2a_setTimestamp(MeasuredValueNormalizedWithCP56Time2a self,
                                                        CP56Time2a value)
{
    self->timestamp = *value;
}

/* ---- MeasuredValueScaled (M_ME_NB_1) */

static bool MeasuredValueScaled_encode(InformationObject object, Frame frame,
                                       CS101_AppLayerParameters parameters, bool isSequence)
{
    MeasuredValueScaled self = reinterpret_cast<MeasuredValueScaled>(object);
    if (!beginEncode(object, frame, parameters, 3, isSequence))
        return false;
    Frame_appendBytes(frame, self->encodedValue, 2);
    Frame_setNextByte(frame, self->quality);
    return true;
}

static const struct sInformationObjectVFT measuredValueScaledVFT = {MeasuredValueScaled_encode,
                                                                    destroyRecord};

MeasuredValueScaled MeasuredValueScaled_create(MeasuredValueScaled self, int ioa, int value,
                                               QualityDescriptor quality)
{
    self = prepareRecord(self, ioa, M_ME_NB_1, &measuredValueScaledVFT);
    if (self == nullptr)
        return nullptr;
    setScaledValue(self->encodedValue, value);
    self->quality = quality;
    return self;
}

DEFINE_DESTROY(MeasuredValueScaled)

MeasuredValueScaled MeasuredValueScaled_getFromBuffer(MeasuredValueScaled self,
                                                      CS101_AppLayerParameters parameters,
                                                      uint8_t* msg, int msgSize, int startIndex,
                                                      bool isSequence)
{
    self = beginDecode(self, parameters, msg, msgSize, &startIndex, 3, isSequence, M_ME_NB_1,
                       &measuredValueScaledVFT);
    if (self == nullptr)
        return nullptr;
    self->encodedValue[0] = msg[startIndex];
    self->encodedValue[1] = msg[startIndex + 1];
    self->quality = msg[startIndex + 2];
    return self;
}

int MeasuredValueScaled_getValue(MeasuredValueScaled self)
{
    return getScaledValue(self->encodedValue);
}

void MeasuredValueScaled_setValue(MeasuredValueScaled self, int value)
{
    setScaledValue(self->encodedValue, value);
}

QualityDescriptor MeasuredValueScaled_getQuality(MeasuredValueScaled self)
{
    return self->quality;
}

void MeasuredValueScaled_setQuality(MeasuredValueScaled self, QualityDescriptor value)
{
    self->quality = value;
}

/* ---- MeasuredValueScaledWithCP24Time2a (M_ME_TB_1) */

static bool MeasuredValueScaledWithCP24Time2a_encode(InformationObject object, Frame frame,
                                                     CS101_AppLayerParameters parameters,
                                                     bool isSequence)
{
    MeasuredValueScaledWithCP24Time2a self =
        reinterpret_cast<MeasuredValueScaledWithCP24Time2a>(object);
    if (!beginEncode(object, frame, parameters, 6, isSequence))
        return false;
    Frame_appendBytes(frame, self->encodedValue, 2);
    Frame_setNextByte(frame, self->quality);
    appendTime(frame, self->timestamp.encodedValue, 3);
    return true;
}

static const struct sInformationObjectVFT measuredValueScaledWithCP24Time2aVFT = {
    MeasuredValueScaledWithCP24Time2a_encode, destroyRecord};

MeasuredValueScaledWithCP24Time2a
MeasuredValueScaledWithCP24Time2a_create(MeasuredValueScaledWithCP24Time2a self, int ioa, int value,
                                         QualityDescriptor quality, CP24Time2a timestamp)
{
    self = prepareRecord(self, ioa, M_ME_TB_1, &measuredValueScaledWithCP24Time2aVFT);
    if (self == nullptr)
        return nullptr;
    setScaledValue(self->encodedValue, value);
    self->quality = quality;
    if (timestamp != nullptr)
        self->timestamp = *timestamp;
    return self;
}

DEFINE_DESTROY(MeasuredValueScaledWithCP24Time2a)

MeasuredValueScaledWithCP24Time2a
MeasuredValueScaledWithCP24Time2a_getFromBuffer(MeasuredValueScaledWithCP24Time2a self,
                                                CS101_AppLayerParameters parameters, uint8_t* msg,
                                                int msgSize, int startIndex, bool isSequence)
{
    self = beginDecode(self, parameters, msg, msgSize, &startIndex, 6, isSequence, M_ME_TB_1,
                       &measuredValueScaledWithCP24Time2aVFT);
    if (self == nullptr)
        return nullptr;
    self->encodedValue[0] = msg[startIndex];
    self->encodedValue[1] = msg[startIndex + 1];
    self->quality = msg[startIndex + 2];
    CP24Time2a_getFromBuffer(&self->timestamp, msg, msgSize, startIndex + 3);
    return self;
}

CP24Time2a MeasuredValueScaledWithCP24Time2a_getTimestamp(MeasuredValueScaledWithCP24Time2a self)
{
    return &self->timestamp;
}

void MeasuredValueScaledWithCP24Time2a_setTimestamp(MeasuredValueScaledWithCP24Time2a self,
                                                    CP24Time2a value)
{
    self->timestamp = *value;
}

/* ---- MeasuredValueScaledWithCP56Time2a (M_ME_TE_1) */

static bool MeasuredValueScaledWithCP56Time2a_encode(InformationObject object, Frame frame,
                                                     CS101_AppLayerParameters parameters,
                                                     bool isSequence)
{
    MeasuredValueScaledWithCP56Time2a self =
        reinterpret_cast<MeasuredValueScaledWithCP56Time2a>(object);
    if (!beginEncode(object, frame, parameters, 10, isSequence))
        return false;
    Frame_appendBytes(frame, self->encodedValue, 2);
    Frame_setNextByte(frame, self->quality);
    appendTime(frame, self->timestamp.encodedValue, 7);
    return true;
}

static const struct sInformationObjectVFT measuredValueScaledWithCP56Time2aVFT = {
    MeasuredValueScaledWithCP56Time2a_encode, destroyRecord};

MeasuredValueScaledWithCP56Time2a
MeasuredValueScaledWithCP56Time2a_create(MeasuredValueScaledWithCP56Time2a self, int ioa, int value,
                                         QualityDescriptor quality, CP56Time2a timestamp)
{
    self = prepareRecord(self, ioa, M_ME_TE_1, &measuredValueScaledWithCP56Time2aVFT);
    if (self == nullptr)
        return nullptr;
    setScaledValue(self->encodedValue, value);
    self->quality = quality;
    if (timestamp != nullptr)
        self->timestamp = *timestamp;
    return self;
}

DEFINE_DESTROY(MeasuredValueScaledWithCP56Time2a)

MeasuredValueScaledWithCP56Time2a
MeasuredValueScaledWithCP56Time2a_getFromBuffer(MeasuredValueScaledWithCP56Time2a self,
                                                CS101_AppLayerParameters parameters, uint8_t* msg,
                                                int msgSize, int startIndex, bool isSequence)
{
    self = beginDecode(self, parameters, msg, msgSize, &startIndex, 10, isSequence, M_ME_TE_1,
                       &measuredValueScaledWithCP56Time2aVFT);
    if (self == nullptr)
        return nullptr;
    self->encodedValue[0] = msg[startIndex];
    self->encodedValue[1] = msg[startIndex + 1];
    self->quality = msg[startIndex + 2];
    CP56Time2a_getFromBuffer(&self->timestamp, msg, msgSize, startIndex + 3);
    return self;
}

CP56Time2a MeasuredValueScaledWithCP56Time2a_getTimestamp(MeasuredValueScaledWithCP56Time2a self)
{
    return &self->timestamp;
}

void MeasuredValueScaledWithCP56Time2a_setTimestamp(MeasuredValueScaledWithCP56Time2a self,
                                                    CP56Time2a value)
{
    self->timestamp = *value;
}

/* ---- MeasuredValueShort (M_ME_NC_1) */

static bool MeasuredValueShort_encode(InformationObject object, Frame frame,
                                      CS101_AppLayerParameters parameters, bool isSequence)
{
    MeasuredValueShort self = reinterpret_cast<MeasuredValueShort>(object);
    if (!beginEncode(object, frame, parameters, 5, isSequence))
        return false;
    writeFloat(frame, self->value);
    Frame_setNextByte(frame, self->quality);
    return true;
}

static const struct sInformationObjectVFT measuredValueShortVFT = {MeasuredValueShort_encode,
                                                                   destroyRecord};

MeasuredValueShort MeasuredValueShort_create(MeasuredValueShort self, int ioa, float value,
                                             QualityDescriptor quality)
{
    self = prepareRecord(self, ioa, M_ME_NC_1, &measuredValueShortVFT);
    if (self == nullptr)
        return nullptr;
    self->value = value;
    self->quality = quality;
    return self;
}

DEFINE_DESTROY(MeasuredValueShort)

MeasuredValueShort MeasuredValueShort_getFromBuffer(MeasuredValueShort self,
                                                    CS101_AppLayerParameters parameters,
                                                    uint8_t* msg, int msgSize, int startIndex,
                                                    bool isSequence)
{
    self = beginDecode(self, parameters, msg, msgSize, &startIndex, 5, isSequence, M_ME_NC_1,
                       &measuredValueShortVFT);
    if (self == nullptr)
        return nullptr;
    self->value = readFloat(msg, startIndex);
    self->quality = msg[startIndex + 4];
    return self;
}

float MeasuredValueShort_getValue(MeasuredValueShort self)
{
    return self->value;
}

void MeasuredValueShort_setValue(MeasuredValueShort self, float value)
{
    self->value = value;
}

QualityDescriptor MeasuredValueShort_getQuality(MeasuredValueShort self)
{
    return self->quality;
}

/* ---- MeasuredValueShortWithCP24Time2a (M_ME_TC_1) */

static bool MeasuredValueShortWithCP24Time2a_encode(InformationObject object, Frame frame,
                                                    CS101_AppLayerParameters parameters,
                                                    bool isSequence)
{
    MeasuredValueShortWithCP24Time2a self =
        reinterpret_cast<MeasuredValueShortWithCP24Time2a>(object);
    if (!beginEncode(object, frame, parameters, 8, isSequence))
        return false;
    writeFloat(frame, self->value);
    Frame_setNextByte(frame, self->quality);
    appendTime(frame, self->timestamp.encodedValue, 3);
    return true;
}

static const struct sInformationObjectVFT measuredValueShortWithCP24Time2aVFT = {
    MeasuredValueShortWithCP24Time2a_encode, destroyRecord};

MeasuredValueShortWithCP24Time2a
MeasuredValueShortWithCP24Time2a_create(MeasuredValueShortWithCP24Time2a self, int ioa, float value,
                                        QualityDescriptor quality, CP24Time2a timestamp)
{
    self = prepareRecord(self, ioa, M_ME_TC_1, &measuredValueShortWithCP24Time2aVFT);
    if (self == nullptr)
        return nullptr;
    self->value = value;
    self->quality = quality;
    if (timestamp != nullptr)
        self->timestamp = *timestamp;
    return self;
}

DEFINE_DESTROY(MeasuredValueShortWithCP24Time2a)

MeasuredValueShortWithCP24Time2a
MeasuredValueShortWithCP24Time2a_getFromBuffer(MeasuredValueShortWithCP24Time2a self,
                                               CS101_AppLayerParameters parameters, uint8_t* msg,
                                               int msgSize, int startIndex, bool isSequence)
{
    self = beginDecode(self, parameters, msg, msgSize, &startIndex, 8, isSequence, M_ME_TC_1,
                       &measuredValueShortWithCP24Time2aVFT);
    if (self == nullptr)
        return nullptr;
    self->value = readFloat(msg, startIndex);
    self->quality = msg[startIndex + 4];
    CP24Time2a_getFromBuffer(&self->timestamp, msg, msgSize, startIndex + 5);
    return self;
}

CP24Time2a MeasuredValueShortWithCP24Time2a_getTimestamp(MeasuredValueShortWithCP24Time2a self)
{
    return &self->timestamp;
}

void MeasuredValueShortWithCP24Time2a_setTimestamp(MeasuredValueShortWithCP24Time2a self,
                                                   CP24Time2a value)
{
    self->timestamp = *value;
}

/* ---- MeasuredValueShortWithCP56Time2a (M_ME_TF_1) */

static bool MeasuredValueShortWithCP56Time2a_encode(InformationObject object, Frame frame,
                                                    CS101_AppLayerParameters parameters,
                                                    bool isSequence)
{
    MeasuredValueShortWithCP56Time2a self =
        reinterpret_cast<MeasuredValueShortWithCP56Time2a>(object);
    if (!beginEncode(object, frame, parameters, 12, isSequence))
        return false;
    writeFloat(frame, self->value);
    Frame_setNextByte(frame, self->quality);
    appendTime(frame, self->timestamp.encodedValue, 7);
    return true;
}

static const struct sInformationObjectVFT measuredValueShortWithCP56Time2aVFT = {
    MeasuredValueShortWithCP56Time2a_encode, destroyRecord};

MeasuredValueShortWithCP56Time2a
MeasuredValueShortWithCP56Time2a_create(MeasuredValueShortWithCP56Time2a self, int ioa, float value,
                                        QualityDescriptor quality, CP56Time2a timestamp)
{
    self = prepareRecord(self, ioa, M_ME_TF_1, &measuredValueShortWithCP56Time2aVFT);
    if (self == nullptr)
        return nullptr;
    self->value = value;
    self->quality = quality;
    if (timestamp != nullptr)
        self->timestamp = *timestamp;
    return self;
}

DEFINE_DESTROY(MeasuredValueShortWithCP56Time2a)

MeasuredValueShortWithCP56Time2a
MeasuredValueShortWithCP56Time2a_getFromBuffer(MeasuredValueShortWithCP56Time2a self,
                                               CS101_AppLayerParameters parameters, uint8_t* msg,
                                               int msgSize, int startIndex, bool isSequence)
{
    self = beginDecode(self, parameters, msg, msgSize, &startIndex, 12, isSequence, M_ME_TF_1,
                       &measuredValueShortWithCP56Time2aVFT);
    if (self == nullptr)
        return nullptr;
    self->value = readFloat(msg, startIndex);
    self->quality = msg[startIndex + 4];
    CP56Time2a_getFromBuffer(&self->timestamp, msg, msgSize, startIndex + 5);
    return self;
}

CP56Time2a MeasuredValueShortWithCP56Time2a_getTimestamp(MeasuredValueShortWithCP56Time2a self)
{
    return &self->timestamp;
}

void MeasuredValueShortWithCP56Time2a_setTimestamp(MeasuredValueShortWithCP56Time2a self,
                                                   CP56Time2a value)
{
    self->timestamp = *value;
}

/* ---- IntegratedTotals (M_IT_NA_1) */

static bool IntegratedTotals_encode(InformationObject object, Frame frame,
                                    CS101_AppLayerParameters parameters, bool isSequence)
{
    IntegratedTotals self = reinterpret_cast<IntegratedTotals>(object);
    if (!beginEncode(object, frame, parameters, 5, isSequence))
        return false;
    Frame_appendBytes(frame, self->totals.encodedValue, 5);
    return true;
}

static const struct sInformationObjectVFT integratedTotalsVFT = {IntegratedTotals_encode,
                                                                 destroyRecord};

IntegratedTotals IntegratedTotals_create(IntegratedTotals self, int ioa, BinaryCounterReading value)
{
    self = prepareRecord(self, ioa, M_IT_NA_1, &integratedTotalsVFT);
    if (self == nullptr)
        return nullptr;
    if (value != nullptr)
        self->totals = *value;
    return self;
}

DEFINE_DESTROY(IntegratedTotals)

IntegratedTotals IntegratedTotals_getFromBuffer(IntegratedTotals self,
                                                CS101_AppLayerParameters parameters, uint8_t* msg,
                                                int msgSize, int startIndex, bool isSequence)
{
    self = beginDecode(self, parameters, msg, msgSize, &startIndex, 5, isSequence, M_IT_NA_1,
                       &integratedTotalsVFT);
    if (self == nullptr)
        return nullptr;
    memcpy(self->totals.encodedValue, msg + startIndex, 5);
    return self;
}

BinaryCounterReading IntegratedTotals_getBCR(IntegratedTotals self)
{
    return &self->totals;
}

void IntegratedTotals_setBCR(IntegratedTotals self, BinaryCounterReading value)
{
    self->totals = *value;
}

/* ---- IntegratedTotalsWithCP24Time2a (M_IT_TA_1) */

static bool IntegratedTotalsWithCP24Time2a_encode(InformationObject object, Frame frame,
                                                  CS101_AppLayerParameters parameters,
                                                  bool isSequence)
{
    IntegratedTotalsWithCP24Time2a self = reinterpret_cast<IntegratedTotalsWithCP24Time2a>(object);
    if (!beginEncode(object, frame, parameters, 8, isSequence))
        return false;
    Frame_appendBytes(frame, self->totals.encodedValue, 5);
    appendTime(frame, self->timestamp.encodedValue, 3);
    return true;
}

static const struct sInformationObjectVFT integratedTotalsWithCP24Time2aVFT = {
    IntegratedTotalsWithCP24Time2a_encode, destroyRecord};

IntegratedTotalsWithCP24Time2a
IntegratedTotalsWithCP24Time2a_create(IntegratedTotalsWithCP24Time2a self, int ioa,
                                      BinaryCounterReading value, CP24Time2a timestamp)
{
    self = prepareRecord(self, ioa, M_IT_TA_1, &integratedTotalsWithCP24Time2aVFT);
    if (self == nullptr)
        return nullptr;
    if (value != nullptr)
        self->totals = *value;
    if (timestamp != nullptr)
        self->timestamp = *timestamp;
    return self;
}

DEFINE_DESTROY(IntegratedTotalsWithCP24Time2a)

IntegratedTotalsWithCP24Time2a
IntegratedTotalsWithCP24Time2a_getFromBuffer(IntegratedTotalsWithCP24Time2a self,
                                             CS101_AppLayerParameters parameters, uint8_t* msg,
                                             int msgSize, int startIndex, bool isSequence)
{
    self = beginDecode(self, parameters, msg, msgSize, &startIndex, 8, isSequence, M_IT_TA_1,
                       &integratedTotalsWithCP24Time2aVFT);
    if (self == nullptr)
        return nullptr;
    memcpy(self->totals.encodedValue, msg + startIndex, 5);
    CP24Time2a_getFromBuffer(&self->timestamp, msg, msgSize, startIndex + 5);
    return self;
}

CP24Time2a IntegratedTotalsWithCP24Time2a_getTimestamp(IntegratedTotalsWithCP24Time2a self)
{
    return &self->timestamp;
}

void IntegratedTotalsWithCP24Time2a_setTimestamp(IntegratedTotalsWithCP24Time2a self,
                                                 CP24Time2a value)
{
    self->timestamp = *value;
}

/* ---- IntegratedTotalsWithCP56Time2a (M_IT_TB_1) */

static bool IntegratedTotalsWithCP56Time2a_encode(InformationObject object, Frame frame,
                                                  CS101_AppLayerParameters parameters,
                                                  bool isSequence)
{
    IntegratedTotalsWithCP56Time2a self = reinterpret_cast<IntegratedTotalsWithCP56Time2a>(object);
    if (!beginEncode(object, frame, parameters, 12, isSequence))
        return false;
    Frame_appendBytes(frame, self->totals.encodedValue, 5);
    appendTime(frame, self->timestamp.encodedValue, 7);
    return true;
}

static const struct sInformationObjectVFT integratedTotalsWithCP56Time2aVFT = {
    IntegratedTotalsWithCP56Time2a_encode, destroyRecord};

IntegratedTotalsWithCP56Time2a
IntegratedTotalsWithCP56Time2a_create(IntegratedTotalsWithCP56Time2a self, int ioa,
                                      BinaryCounterReading value, CP56Time2a timestamp)
{
    self = prepareRecord(self, ioa, M_IT_TB_1, &integratedTotalsWithCP56Time2aVFT);
    if (self == nullptr)
        return nullptr;
    if (value != nullptr)
        self->totals = *value;
    if (timestamp != nullptr)
        self->timestamp = *timestamp;
    return self;
}

DEFINE_DESTROY(IntegratedTotalsWithCP56Time2a)

IntegratedTotalsWithCP56Time2a
IntegratedTotalsWithCP56Time2a_getFromBuffer(IntegratedTotalsWithCP56Time2a self,
                                             CS101_AppLayerParameters parameters, uint8_t* msg,
                                             int msgSize, int startIndex, bool isSequence)
{
    self = beginDecode(self, parameters, msg, msgSize, &startIndex, 12, isSequence, M_IT_TB_1,
                       &integratedTotalsWithCP56Time2aVFT);
    if (self == nullptr)
        return nullptr;
    memcpy(self->totals.encodedValue, msg + startIndex, 5);
    CP56Time2a_getFromBuffer(&self->timestamp, msg, msgSize, startIndex + 5);
    return self;
}

CP56Time2a IntegratedTotalsWithCP56Time2a_getTimestamp(IntegratedTotalsWithCP56Time2a self)
{
    return &self->timestamp;
}

void IntegratedTotalsWithCP56Time2a_setTimestamp(IntegratedTotalsWithCP56Time2a self,
                                                 CP56Time2a value)
{
    self->timestamp = *value;
}

/* ---- EventOfProtectionEquipment (M_EP_TA_1) */

static bool EventOfProtectionEquipment_encode(InformationObject object, Frame frame,
                                              CS101_AppLayerParameters parameters, bool isSequence)
{
    EventOfProtectionEquipment self = reinterpret_cast<EventOfProtectionEquipment>(object);
    if (!beginEncode(object, frame, parameters, 6, isSequence))
        return false;
    Frame_setNextByte(frame, self->event);
    appendTime(frame, self->elapsedTime.encodedValue, 2);
    appendTime(frame, self->timestamp.encodedValue, 3);
    return true;
}

static const struct sInformationObjectVFT eventOfProtectionEquipmentVFT = {
    EventOfProtectionEquipment_encode, destroyRecord};

EventOfProtectionEquipment EventOfProtectionEquipment_create(EventOfProtectionEquipment self,
                                                             int ioa, SingleEvent event,
                                                             CP16Time2a elapsedTime,
                                                             CP24Time2a timestamp)
{
    self = prepareRecord(self, ioa, M_EP_TA_1, &eventOfProtectionEquipmentVFT);
    if (self == nullptr)
        return nullptr;
    if (event != nullptr)
        self->event = *event;
    if (elapsedTime != nullptr)
        self->elapsedTime = *elapsedTime;
    if (timestamp != nullptr)
        self->timestamp = *timestamp;
    return self;
}

DEFINE_DESTROY(EventOfProtectionEquipment)

EventOfProtectionEquipment
EventOfProtectionEquipment_getFromBuffer(EventOfProtectionEquipment self,
                                         CS101_AppLayerParameters parameters, uint8_t* msg,
                                         int msgSize, int startIndex, bool isSequence)
{
    self = beginDecode(self, parameters, msg, msgSize, &startIndex, 6, isSequence, M_EP_TA_1,
                       &eventOfProtectionEquipmentVFT);
    if (self == nullptr)
        return nullptr;
    self->event = msg[startIndex];
    CP16Time2a_getFromBuffer(&self->elapsedTime, msg, msgSize, startIndex + 1);
    CP24Time2a_getFromBuffer(&self->timestamp, msg, msgSize, startIndex + 3);
    return self;
}

CP24Time2a EventOfProtectionEquipment_getTimestamp(EventOfProtectionEquipment self)
{
    return &self->timestamp;
}

SingleEvent EventOfProtectionEquipment_getEvent(EventOfProtectionEquipment self)
{
    return &self->event;
}

CP16Time2a EventOfProtectionEquipment_getElapsedTime(EventOfProtectionEquipment self)
{
    return &self->elapsedTime;
}

/* ---- EventOfProtectionEquipmentWithCP56Time2a (M_EP_TD_1) */

static bool EventOfProtectionEquipmentWithCP56Time2a_encode(InformationObject object, Frame frame,
                                                            CS101_AppLayerParameters parameters,
                                                            bool isSequence)
{
    EventOfProtectionEquipmentWithCP56Time2a self =
        reinterpret_cast<EventOfProtectionEquipmentWithCP56Time2a>(object);
    if (!beginEncode(object, frame, parameters, 10, isSequence))
        return false;
    Frame_setNextByte(frame, self->event);
    appendTime(frame, self->elapsedTime.encodedValue, 2);
    appendTime(frame, self->timestamp.encodedValue, 7);
    return true;
}

static const struct sInformationObjectVFT eventOfProtectionEquipmentWithCP56Time2aVFT = {
    EventOfProtectionEquipmentWithCP56Time2a_encode, destroyRecord};

EventOfProtectionEquipmentWithCP56Time2a
EventOfProtectionEquipmentWithCP56Time2a_create(EventOfProtectionEquipmentWithCP56Time2a self,
                                                int ioa, SingleEvent event, CP16Time2a elapsedTime,
                                                CP56Time2a timestamp)
{
    self = prepareRecord(self, ioa, M_EP_TD_1, &eventOfProtectionEquipmentWithCP56Time2aVFT);
    if (self == nullptr)
        return nullptr;
    if (event != nullptr)
        self->event = *event;
    if (elapsedTime != nullptr)
        self->elapsedTime = *elapsedTime;
    if (timestamp != nullptr)
        self->timestamp = *timestamp;
    return self;
}

DEFINE_DESTROY(EventOfProtectionEquipmentWithCP56Time2a)

EventOfProtectionEquipmentWithCP56Time2a EventOfProtectionEquipmentWithCP56Time2a_getFromBuffer(
    EventOfProtectionEquipmentWithCP56Time2a self, CS101_AppLayerParameters parameters,
    uint8_t* msg, int msgSize, int startIndex, bool isSequence)
{
    self = beginDecode(self, parameters, msg, msgSize, &startIndex, 10, isSequence, M_EP_TD_1,
                       &eventOfProtectionEquipmentWithCP56Time2aVFT);
    if (self == nullptr)
        return nullptr;
    self->event = msg[startIndex];
    CP16Time2a_getFromBuffer(&self->elapsedTime, msg, msgSize, startIndex + 1);
    CP56Time2a_getFromBuffer(&self->timestamp, msg, msgSize, startIndex + 3);
    return self;
}

CP56Time2a
EventOfProtectionEquipmentWithCP56Time2a_getTimestamp(EventOfProtectionEquipmentWithCP56Time2a self)
{
    return &self->timestamp;
}

SingleEvent
EventOfProtectionEquipmentWithCP56Time2a_getEvent(EventOfProtectionEquipmentWithCP56Time2a self)
{
    return &self->event;
}

CP16Time2a EventOfProtectionEquipmentWithCP56Time2a_getElapsedTime(
    EventOfProtectionEquipmentWithCP56Time2a self)
{
    return &self->elapsedTime;
}

/* ---- PackedStartEventsOfProtectionEquipment (M_EP_TB_1) */

static bool PackedStartEventsOfProtectionEquipment_encode(InformationObject object, Frame frame,
                                                          CS101_AppLayerParameters parameters,
                                                          bool isSequence)
{
    PackedStartEventsOfProtectionEquipment self =
        reinterpret_cast<PackedStartEventsOfProtectionEquipment>(object);
    if (!beginEncode(object, frame, parameters, 7, isSequence))
        return false;
    Frame_setNextByte(frame, self->event);
    Frame_setNextByte(frame, self->qdp);
    appendTime(frame, self->elapsedTime.encodedValue, 2);
    appendTime(frame, self->timestamp.encodedValue, 3);
    return true;
}

static const struct sInformationObjectVFT packedStartEventsOfProtectionEquipmentVFT = {
    PackedStartEventsOfProtectionEquipment_encode, destroyRecord};

PackedStartEventsOfProtectionEquipment
PackedStartEventsOfProtectionEquipment_create(PackedStartEventsOfProtectionEquipment self, int ioa,
                                              StartEvent event, QualityDescriptorP qdp,
                                              CP16Time2a elapsedTime, CP24Time2a timestamp)
{
    self = prepareRecord(self, ioa, M_EP_TB_1, &packedStartEventsOfProtectionEquipmentVFT);
    if (self == nullptr)
        return nullptr;
    self->event = event;
    self->qdp = qdp;
    if (elapsedTime != nullptr)
        self->elapsedTime = *elapsedTime;
    if (timestamp != nullptr)
        self->timestamp = *timestamp;
    return self;
}

DEFINE_DESTROY(PackedStartEventsOfProtectionEquipment)

PackedStartEventsOfProtectionEquipment PackedStartEventsOfProtectionEquipment_getFromBuffer(
    PackedStartEventsOfProtectionEquipment self, CS101_AppLayerParameters parameters, uint8_t* msg,
    int msgSize, int startIndex, bool isSequence)
{
    self = beginDecode(self, parameters, msg, msgSize, &startIndex, 7, isSequence, M_EP_TB_1,
                       &packedStartEventsOfProtectionEquipmentVFT);
    if (self == nullptr)
        return nullptr;
    self->event = msg[startIndex];
    self->qdp = msg[startIndex + 1];
    CP16Time2a_getFromBuffer(&self->elapsedTime, msg, msgSize, startIndex + 2);
    CP24Time2a_getFromBuffer(&self->timestamp, msg, msgSize, startIndex + 4);
    return self;
}

CP24Time2a
PackedStartEventsOfProtectionEquipment_getTimestamp(PackedStartEventsOfProtectionEquipment self)
{
    return &self->timestamp;
}

StartEvent
PackedStartEventsOfProtectionEquipment_getEvent(PackedStartEventsOfProtectionEquipment self)
{
    return self->event;
}

QualityDescriptorP
PackedStartEventsOfProtectionEquipment_getQuality(PackedStartEventsOfProtectionEquipment self)
{
    return self->qdp;
}

CP16Time2a
PackedStartEventsOfProtectionEquipment_getElapsedTime(PackedStartEventsOfProtectionEquipment self)
{
    return &self->elapsedTime;
}

/* ---- PackedStartEventsOfProtectionEquipmentWithCP56Time2a (M_EP_TE_1) */

static bool PackedStartEventsOfProtectionEquipmentWithCP56Time2a_encode(
    InformationObject object, Frame frame, CS101_AppLayerParameters parameters, bool isSequence)
{
    PackedStartEventsOfProtectionEquipmentWithCP56Time2a self =
        reinterpret_cast<PackedStartEventsOfProtectionEquipmentWithCP56Time2a>(object);
    if (!beginEncode(object, frame, parameters, 11, isSequence))
        return false;
    Frame_setNextByte(frame, self->event);
    Frame_setNextByte(frame, self->qdp);
    appendTime(frame, self->elapsedTime.encodedValue, 2);
    appendTime(frame, self->timestamp.encodedValue, 7);
    return true;
}

static const struct sInformationObjectVFT packedStartEventsOfProtectionEquipmentWithCP56Time2aVFT =
    {PackedStartEventsOfProtectionEquipmentWithCP56Time2a_encode, destroyRecord};

PackedStartEventsOfProtectionEquipmentWithCP56Time2a
PackedStartEventsOfProtectionEquipmentWithCP56Time2a_create(
    PackedStartEventsOfProtectionEquipmentWithCP56Time2a self, int ioa, StartEvent event,
    QualityDescriptorP qdp, CP16Time2a elapsedTime, CP56Time2a timestamp)
{
    self = prepareRecord(self, ioa, M_EP_TE_1,
                         &packedStartEventsOfProtectionEquipmentWithCP56Time2aVFT);
    if (self == nullptr)
        return nullptr;
    self->event = event;
    self->qdp = qdp;
    if (elapsedTime != nullptr)
        self->elapsedTime = *elapsedTime;
    if (timestamp != nullptr)
        self->timestamp = *timestamp;
    return self;
}

DEFINE_DESTROY(PackedStartEventsOfProtectionEquipmentWithCP56Time2a)

PackedStartEventsOfProtectionEquipmentWithCP56Time2a
PackedStartEventsOfProtectionEquipmentWithCP56Time2a_getFromBuffer(
    PackedStartEventsOfProtectionEquipmentWithCP56Time2a self, CS101_AppLayerParameters parameters,
    uint8_t* msg, int msgSize, int startIndex, bool isSequence)
{
    self = beginDecode(self, parameters, msg, msgSize, &startIndex, 11, isSequence, M_EP_TE_1,
                       &packedStartEventsOfProtectionEquipmentWithCP56Time2aVFT);
    if (self == nullptr)
        return nullptr;
    self->event = msg[startIndex];
    self->qdp = msg[startIndex + 1];
    CP16Time2a_getFromBuffer(&self->elapsedTime, msg, msgSize, startIndex + 2);
    CP56Time2a_getFromBuffer(&self->timestamp, msg, msgSize, startIndex + 4);
    return self;
}

CP56Time2a PackedStartEventsOfProtectionEquipmentWithCP56Time2a_getTimestamp(
    PackedStartEventsOfProtectionEquipmentWithCP56Time2a self)
{
    return &self->timestamp;
}

StartEvent PackedStartEventsOfProtectionEquipmentWithCP56Time2a_getEvent(
    PackedStartEventsOfProtectionEquipmentWithCP56Time2a self)
{
    return self->event;
}

QualityDescriptorP PackedStartEventsOfProtectionEquipmentWithCP56Time2a_getQuality(
    PackedStartEventsOfProtectionEquipmentWithCP56Time2a self)
{
    return self->qdp;
}

CP16Time2a PackedStartEventsOfProtectionEquipmentWithCP56Time2a_getElapsedTime(
    PackedStartEventsOfProtectionEquipmentWithCP56Time2a self)
{
    return &self->elapsedTime;
}

/* ---- PackedOutputCircuitInfo (M_EP_TC_1) */

static bool PacketOutputCircuitInfo_encode(InformationObject object, Frame frame,
                                           CS101_AppLayerParameters parameters, bool isSequence)
{
    PackedOutputCircuitInfo self = reinterpret_cast<PackedOutputCircuitInfo>(object);
    if (!beginEncode(object, frame, parameters, 7, isSequence))
        return false;
    Frame_setNextByte(frame, self->oci);
    Frame_setNextByte(frame, self->qdp);
    appendTime(frame, self->operatingTime.encodedValue, 2);
    appendTime(frame, self->timestamp.encodedValue, 3);
    return true;
}

static const struct sInformationObjectVFT packedOutputCircuitInfoVFT = {
    PacketOutputCircuitInfo_encode, destroyRecord};

PackedOutputCircuitInfo PackedOutputCircuitInfo_create(PackedOutputCircuitInfo self, int ioa,
                                                       OutputCircuitInfo oci,
                                                       QualityDescriptorP qdp,
                                                       CP16Time2a operatingTime,
                                                       CP24Time2a timestamp)
{
    self = prepareRecord(self, ioa, M_EP_TC_1, &packedOutputCircuitInfoVFT);
    if (self == nullptr)
        return nullptr;
    self->oci = oci;
    self->qdp = qdp;
    if (operatingTime != nullptr)
        self->operatingTime = *operatingTime;
    if (timestamp != nullptr)
        self->timestamp = *timestamp;
    return self;
}

DEFINE_DESTROY(PackedOutputCircuitInfo)

PackedOutputCircuitInfo PackedOutputCircuitInfo_getFromBuffer(PackedOutputCircuitInfo self,
                                                              CS101_AppLayerParameters parameters,
                                                              uint8_t* msg, int msgSize,
                                                              int startIndex, bool isSequence)
{
    self = beginDecode(self, parameters, msg, msgSize, &startIndex, 7, isSequence, M_EP_TC_1,
                       &packedOutputCircuitInfoVFT);
    if (self == nullptr)
        return nullptr;
    self->oci = msg[startIndex];
    self->qdp = msg[startIndex + 1];
    CP16Time2a_getFromBuffer(&self->operatingTime, msg, msgSize, startIndex + 2);
    CP24Time2a_getFromBuffer(&self->timestamp, msg, msgSize, startIndex + 4);
    return self;
}

CP24Time2a PackedOutputCircuitInfo_getTimestamp(PackedOutputCircuitInfo self)
{
    return &self->timestamp;
}

OutputCircuitInfo PackedOutputCircuitInfo_getOCI(PackedOutputCircuitInfo self)
{
    return self->oci;
}

QualityDescriptorP PackedOutputCircuitInfo_getQuality(PackedOutputCircuitInfo self)
{
    return self->qdp;
}

CP16Time2a PackedOutputCircuitInfo_getOperatingTime(PackedOutputCircuitInfo self)
{
    return &self->operatingTime;
}

/* ---- PackedOutputCircuitInfoWithCP56Time2a (M_EP_TF_1) */

static bool PackedOutputCircuitInfoWithCP56Time2a_encode(InformationObject object, Frame frame,
                                                         CS101_AppLayerParameters parameters,
                                                         bool isSequence)
{
    PackedOutputCircuitInfoWithCP56Time2a self =
        reinterpret_cast<PackedOutputCircuitInfoWithCP56Time2a>(object);
    if (!beginEncode(object, frame, parameters, 11, isSequence))
        return false;
    Frame_setNextByte(frame, self->oci);
    Frame_setNextByte(frame, self->qdp);
    appendTime(frame, self->operatingTime.encodedValue, 2);
    appendTime(frame, self->timestamp.encodedValue, 7);
    return true;
}

static const struct sInformationObjectVFT packedOutputCircuitInfoWithCP56Time2aVFT = {
    PackedOutputCircuitInfoWithCP56Time2a_encode, destroyRecord};

PackedOutputCircuitInfoWithCP56Time2a
PackedOutputCircuitInfoWithCP56Time2a_create(PackedOutputCircuitInfoWithCP56Time2a self, int ioa,
                                             OutputCircuitInfo oci, QualityDescriptorP qdp,
                                             CP16Time2a operatingTime, CP56Time2a timestamp)
{
    self = prepareRecord(self, ioa, M_EP_TF_1, &packedOutputCircuitInfoWithCP56Time2aVFT);
    if (self == nullptr)
        return nullptr;
    self->oci = oci;
    self->qdp = qdp;
    if (operatingTime != nullptr)
        self->operatingTime = *operatingTime;
    if (timestamp != nullptr)
        self->timestamp = *timestamp;
    return self;
}

DEFINE_DESTROY(PackedOutputCircuitInfoWithCP56Time2a)

PackedOutputCircuitInfoWithCP56Time2a PackedOutputCircuitInfoWithCP56Time2a_getFromBuffer(
    PackedOutputCircuitInfoWithCP56Time2a self, CS101_AppLayerParameters parameters, uint8_t* msg,
    int msgSize, int startIndex, bool isSequence)
{
    self = beginDecode(self, parameters, msg, msgSize, &startIndex, 11, isSequence, M_EP_TF_1,
                       &packedOutputCircuitInfoWithCP56Time2aVFT);
    if (self == nullptr)
        return nullptr;
    self->oci = msg[startIndex];
    self->qdp = msg[startIndex + 1];
    CP16Time2a_getFromBuffer(&self->operatingTime, msg, msgSize, startIndex + 2);
    CP56Time2a_getFromBuffer(&self->timestamp, msg, msgSize, startIndex + 4);
    return self;
}

CP56Time2a
PackedOutputCircuitInfoWithCP56Time2a_getTimestamp(PackedOutputCircuitInfoWithCP56Time2a self)
{
    return &self->timestamp;
}

OutputCircuitInfo
PackedOutputCircuitInfoWithCP56Time2a_getOCI(PackedOutputCircuitInfoWithCP56Time2a self)
{
    return self->oci;
}

QualityDescriptorP
PackedOutputCircuitInfoWithCP56Time2a_getQuality(PackedOutputCircuitInfoWithCP56Time2a self)
{
    return self->qdp;
}

CP16Time2a
PackedOutputCircuitInfoWithCP56Time2a_getOperatingTime(PackedOutputCircuitInfoWithCP56Time2a self)
{
    return &self->operatingTime;
}

/* ---- PackedSinglePointWithSCD (M_PS_NA_1) */

static bool PackedSinglePointWithSCD_encode(InformationObject object, Frame frame,
                                            CS101_AppLayerParameters parameters, bool isSequence)
{
    PackedSinglePointWithSCD self = reinterpret_cast<PackedSinglePointWithSCD>(object);
    if (!beginEncode(object, frame, parameters, 5, isSequence))
        return false;
    Frame_appendBytes(frame, self->scd.encodedValue, 4);
    Frame_setNextByte(frame, self->qds);
    return true;
}

static const struct sInformationObjectVFT packedSinglePointWithSCDVFT = {
    PackedSinglePointWithSCD_encode, destroyRecord};

PackedSinglePointWithSCD PackedSinglePointWithSCD_create(PackedSinglePointWithSCD self, int ioa,
                                                         StatusAndStatusChangeDetection scd,
                                                         QualityDescriptor qds)
{
    self = prepareRecord(self, ioa, M_PS_NA_1, &packedSinglePointWithSCDVFT);
    if (self == nullptr)
        return nullptr;
    if (scd != nullptr)
        self->scd = *scd;
    self->qds = qds;
    return self;
}

DEFINE_DESTROY(PackedSinglePointWithSCD)

PackedSinglePointWithSCD PackedSinglePointWithSCD_getFromBuffer(PackedSinglePointWithSCD self,
                                                                CS101_AppLayerParameters parameters,
                                                                uint8_t* msg, int msgSize,
                                                                int startIndex, bool isSequence)
{
    self = beginDecode(self, parameters, msg, msgSize, &startIndex, 5, isSequence, M_PS_NA_1,
                       &packedSinglePointWithSCDVFT);
    if (self == nullptr)
        return nullptr;
    memcpy(self->scd.encodedValue, msg + startIndex, 4);
    self->qds = msg[startIndex + 4];
    return self;
}

StatusAndStatusChangeDetection PackedSinglePointWithSCD_getSCD(PackedSinglePointWithSCD self)
{
    return &self->scd;
}

QualityDescriptor PackedSinglePointWithSCD_getQuality(PackedSinglePointWithSCD self)
{
    return self->qds;
}

/* ---- MeasuredValueNormalizedWithoutQuality (M_ME_ND_1) */

static bool MeasuredValueNormalizedWithoutQuality_encode(InformationObject object, Frame frame,
                                                         CS101_AppLayerParameters parameters,
                                                         bool isSequence)
{
    MeasuredValueNormalizedWithoutQuality self =
        reinterpret_cast<MeasuredValueNormalizedWithoutQuality>(object);
    if (!beginEncode(object, frame, parameters, 2, isSequence))
        return false;
    Frame_appendBytes(frame, self->encodedValue, 2);
    return true;
}

static const struct sInformationObjectVFT measuredValueNormalizedWithoutQualityVFT = {
    MeasuredValueNormalizedWithoutQuality_encode, destroyRecord};

MeasuredValueNormalizedWithoutQuality
MeasuredValueNormalizedWithoutQuality_create(MeasuredValueNormalizedWithoutQuality self, int ioa,
                                             float value)
{
    self = prepareRecord(self, ioa, M_ME_ND_1, &measuredValueNormalizedWithoutQualityVFT);
    if (self == nullptr)
        return nullptr;
    setNormalizedValueWithoutQuality(self->encodedValue, value);
    return self;
}

DEFINE_DESTROY(MeasuredValueNormalizedWithoutQuality)

MeasuredValueNormalizedWithoutQuality MeasuredValueNormalizedWithoutQuality_getFromBuffer(
    MeasuredValueNormalizedWithoutQuality self, CS101_AppLayerParameters parameters, uint8_t* msg,
    int msgSize, int startIndex, bool isSequence)
{
    self = beginDecode(self, parameters, msg, msgSize, &startIndex, 2, isSequence, M_ME_ND_1,
                       &measuredValueNormalizedWithoutQualityVFT);
    if (self == nullptr)
        return nullptr;
    self->encodedValue[0] = msg[startIndex];
    self->encodedValue[1] = msg[startIndex + 1];
    return self;
}

float MeasuredValueNormalizedWithoutQuality_getValue(MeasuredValueNormalizedWithoutQuality self)
{
    return getNormalizedValueWithoutQuality(self->encodedValue);
}

void MeasuredValueNormalizedWithoutQuality_setValue(MeasuredValueNormalizedWithoutQuality self,
                                                    float value)
{
    setNormalizedValueWithoutQuality(self->encodedValue, value);
}

/* ======================================================== command types */

/* ---- SingleCommand (C_SC_NA_1) */

static bool SingleCommand_encode(InformationObject object, Frame frame,
                                 CS101_AppLayerParameters parameters, bool isSequence)
{
    SingleCommand self = reinterpret_cast<SingleCommand>(object);
    if (!beginEncode(object, frame, parameters, 1, isSequence))
        return false;
    Frame_setNextByte(frame, self->sco);
    return true;
}

static const struct sInformationObjectVFT singleCommandVFT = {SingleCommand_encode, destroyRecord};

SingleCommand SingleCommand_create(SingleCommand self, int ioa, bool command, bool selectCommand,
                                   int qu)
{
    self = prepareRecord(self, ioa, C_SC_NA_1, &singleCommandVFT);
    if (self == nullptr)
        return nullptr;
    self->sco = commandOctet(command ? 1 : 0, 1, selectCommand, qu);
    return self;
}

DEFINE_DESTROY(SingleCommand)

SingleCommand SingleCommand_getFromBuffer(SingleCommand self, CS101_AppLayerParameters parameters,
                                          uint8_t* msg, int msgSize, int startIndex)
{
    self = beginDecode(self, parameters, msg, msgSize, &startIndex, 1, false, C_SC_NA_1,
                       &singleCommandVFT);
    if (self == nullptr)
        return nullptr;
    self->sco = msg[startIndex];
    return self;
}

bool SingleCommand_getState(SingleCommand self)
{
    return (self->sco & 0x01) != 0;
}

int SingleCommand_getQU(SingleCommand self)
{
    return (self->sco & 0x7C) >> 2;
}

bool SingleCommand_isSelect(SingleCommand self)
{
    return (self->sco & 0x80) != 0;
}

/* ---- SingleCommandWithCP56Time2a (C_SC_TA_1) */

static bool SingleCommandWithCP56Time2a_encode(InformationObject object, Frame frame,
                                               CS101_AppLayerParameters parameters, bool isSequence)
{
    SingleCommandWithCP56Time2a self = reinterpret_cast<SingleCommandWithCP56Time2a>(object);
    if (!beginEncode(object, frame, parameters, 8, isSequence))
        return false;
    Frame_setNextByte(frame, self->sco);
    appendTime(frame, self->timestamp.encodedValue, 7);
    return true;
}

static const struct sInformationObjectVFT singleCommandWithCP56Time2aVFT = {
    SingleCommandWithCP56Time2a_encode, destroyRecord};

SingleCommandWithCP56Time2a SingleCommandWithCP56Time2a_create(SingleCommandWithCP56Time2a self,
                                                               int ioa, bool command,
                                                               bool selectCommand, int qu,
                                                               CP56Time2a timestamp)
{
    self = prepareRecord(self, ioa, C_SC_TA_1, &singleCommandWithCP56Time2aVFT);
    if (self == nullptr)
        return nullptr;
    self->sco = commandOctet(command ? 1 : 0, 1, selectCommand, qu);
    if (timestamp != nullptr)
        self->timestamp = *timestamp;
    return self;
}

DEFINE_DESTROY(SingleCommandWithCP56Time2a)

SingleCommandWithCP56Time2a
SingleCommandWithCP56Time2a_getFromBuffer(SingleCommandWithCP56Time2a self,
                                          CS101_AppLayerParameters parameters, uint8_t* msg,
                                          int msgSize, int startIndex)
{
    self = beginDecode(self, parameters, msg, msgSize, &startIndex, 8, false, C_SC_TA_1,
                       &singleCommandWithCP56Time2aVFT);
    if (self == nullptr)
        return nullptr;
    self->sco = msg[startIndex];
    CP56Time2a_getFromBuffer(&self->timestamp, msg, msgSize, startIndex + 1);
    return self;
}

CP56Time2a SingleCommandWithCP56Time2a_getTimestamp(SingleCommandWithCP56Time2a self)
{
    return &self->timestamp;
}

/* ---- DoubleCommand (C_DC_NA_1) */

static bool DoubleCommand_encode(InformationObject object, Frame frame,
                                 CS101_AppLayerParameters parameters, bool isSequence)
{
    DoubleCommand self = reinterpret_cast<DoubleCommand>(object);
    if (!beginEncode(object, frame, parameters, 1, isSequence))
        return false;
    Frame_setNextByte(frame, self->dcq);
    return true;
}

static const struct sInformationObjectVFT doubleCommandVFT = {DoubleCommand_encode, destroyRecord};

DoubleCommand DoubleCommand_create(DoubleCommand self, int ioa, int command, bool selectCommand,
                                   int qu)
{
    self = prepareRecord(self, ioa, C_DC_NA_1, &doubleCommandVFT);
    if (self == nullptr)
        return nullptr;
    self->dcq = commandOctet(command, 3, selectCommand, qu);
    return self;
}

DEFINE_DESTROY(DoubleCommand)

DoubleCommand DoubleCommand_getFromBuffer(DoubleCommand self, CS101_AppLayerParameters parameters,
                                          uint8_t* msg, int msgSize, int startIndex)
{
    self = beginDecode(self, parameters, msg, msgSize, &startIndex, 1, false, C_DC_NA_1,
                       &doubleCommandVFT);
    if (self == nullptr)
        return nullptr;
    self->dcq = msg[startIndex];
    return self;
}

int DoubleCommand_getState(DoubleCommand self)
{
    return self->dcq & 0x03;
}

int DoubleCommand_getQU(DoubleCommand self)
{
    return (self->dcq & 0x7C) >> 2;
}

bool DoubleCommand_isSelect(DoubleCommand self)
{
    return (self->dcq & 0x80) != 0;
}

/* ---- DoubleCommandWithCP56Time2a (C_DC_TA_1) */

static bool DoubleCommandWithCP56Time2a_encode(InformationObject object, Frame frame,
                                               CS101_AppLayerParameters parameters, bool isSequence)
{
    DoubleCommandWithCP56Time2a self = reinterpret_cast<DoubleCommandWithCP56Time2a>(object);
    if (!beginEncode(object, frame, parameters, 8, isSequence))
        return false;
    Frame_setNextByte(frame, self->dcq);
    appendTime(frame, self->timestamp.encodedValue, 7);
    return true;
}

static const struct sInformationObjectVFT doubleCommandWithCP56Time2aVFT = {
    DoubleCommandWithCP56Time2a_encode, destroyRecord};

DoubleCommandWithCP56Time2a DoubleCommandWithCP56Time2a_create(DoubleCommandWithCP56Time2a self,
                                                               int ioa, int command,
                                                               bool selectCommand, int qu,
                                                               CP56Time2a timestamp)
{
    self = prepareRecord(self, ioa, C_DC_TA_1, &doubleCommandWithCP56Time2aVFT);
    if (self == nullptr)
        return nullptr;
    self->dcq = commandOctet(command, 3, selectCommand, qu);
    if (timestamp != nullptr)
        self->timestamp = *timestamp;
    return self;
}

DEFINE_DESTROY(DoubleCommandWithCP56Time2a)

DoubleCommandWithCP56Time2a
DoubleCommandWithCP56Time2a_getFromBuffer(DoubleCommandWithCP56Time2a self,
                                          CS101_AppLayerParameters parameters, uint8_t* msg,
                                          int msgSize, int startIndex)
{
    self = beginDecode(self, parameters, msg, msgSize, &startIndex, 8, false, C_DC_TA_1,
                       &doubleCommandWithCP56Time2aVFT);
    if (self == nullptr)
        return nullptr;
    self->dcq = msg[startIndex];
    CP56Time2a_getFromBuffer(&self->timestamp, msg, msgSize, startIndex + 1);
    return self;
}

CP56Time2a DoubleCommandWithCP56Time2a_getTimestamp(DoubleCommandWithCP56Time2a self)
{
    return &self->timestamp;
}

int DoubleCommandWithCP56Time2a_getState(DoubleCommandWithCP56Time2a self)
{
    return self->dcq & 0x03;
}

int DoubleCommandWithCP56Time2a_getQU(DoubleCommandWithCP56Time2a self)
{
    return (self->dcq & 0x7C) >> 2;
}

bool DoubleCommandWithCP56Time2a_isSelect(DoubleCommandWithCP56Time2a self)
{
    return (self->dcq & 0x80) != 0;
}

/* ---- StepCommand (C_RC_NA_1) */

static bool StepCommand_encode(InformationObject object, Frame frame,
                               CS101_AppLayerParameters parameters, bool isSequence)
{
    StepCommand self = reinterpret_cast<StepCommand>(object);
    if (!beginEncode(object, frame, parameters, 1, isSequence))
        return false;
    Frame_setNextByte(frame, self->dcq);
    return true;
}

static const struct sInformationObjectVFT stepCommandVFT = {StepCommand_encode, destroyRecord};

StepCommand StepCommand_create(StepCommand self, int ioa, StepCommandValue command,
                               bool selectCommand, int qu)
{
    self = prepareRecord(self, ioa, C_RC_NA_1, &stepCommandVFT);
    if (self == nullptr)
        return nullptr;
    self->dcq = commandOctet(command, 3, selectCommand, qu);
    return self;
}

DEFINE_DESTROY(StepCommand)

StepCommand StepCommand_getFromBuffer(StepCommand self, CS101_AppLayerParameters parameters,
                                      uint8_t* msg, int msgSize, int startIndex)
{
    self = beginDecode(self, parameters, msg, msgSize, &startIndex, 1, false, C_RC_NA_1,
                       &stepCommandVFT);
    if (self == nullptr)
        return nullptr;
    self->dcq = msg[startIndex];
    return self;
}

StepCommandValue StepCommand_getState(StepCommand self)
{
    return static_cast<StepCommandValue>(self->dcq & 0x03);
}

int StepCommand_getQU(StepCommand self)
{
    return (self->dcq & 0x7C) >> 2;
}

bool StepCommand_isSelect(StepCommand self)
{
    return (self->dcq & 0x80) != 0;
}

/* ---- StepCommandWithCP56Time2a (C_RC_TA_1) */

static bool StepCommandWithCP56Time2a_encode(InformationObject object, Frame frame,
                                             CS101_AppLayerParameters parameters, bool isSequence)
{
    StepCommandWithCP56Time2a self = reinterpret_cast<StepCommandWithCP56Time2a>(object);
    if (!beginEncode(object, frame, parameters, 8, isSequence))
        return false;
    Frame_setNextByte(frame, self->dcq);
    appendTime(frame, self->timestamp.encodedValue, 7);
    return true;
}

static const struct sInformationObjectVFT stepCommandWithCP56Time2aVFT = {
    StepCommandWithCP56Time2a_encode, destroyRecord};

StepCommandWithCP56Time2a StepCommandWithCP56Time2a_create(StepCommandWithCP56Time2a self, int ioa,
                                                           StepCommandValue command,
                                                           bool selectCommand, int qu,
                                                           CP56Time2a timestamp)
{
    self = prepareRecord(self, ioa, C_RC_TA_1, &stepCommandWithCP56Time2aVFT);
    if (self == nullptr)
        return nullptr;
    self->dcq = commandOctet(command, 3, selectCommand, qu);
    if (timestamp != nullptr)
        self->timestamp = *timestamp;
    return self;
}

DEFINE_DESTROY(StepCommandWithCP56Time2a)

StepCommandWithCP56Time2a
StepCommandWithCP56Time2a_getFromBuffer(StepCommandWithCP56Time2a self,
                                        CS101_AppLayerParameters parameters, uint8_t* msg,
                                        int msgSize, int startIndex)
{
    self = beginDecode(self, parameters, msg, msgSize, &startIndex, 8, false, C_RC_TA_1,
                       &stepCommandWithCP56Time2aVFT);
    if (self == nullptr)
        return nullptr;
    self->dcq = msg[startIndex];
    CP56Time2a_getFromBuffer(&self->timestamp, msg, msgSize, startIndex + 1);
    return self;
}

CP56Time2a StepCommandWithCP56Time2a_getTimestamp(StepCommandWithCP56Time2a self)
{
    return &self->timestamp;
}

StepCommandValue StepCommandWithCP56Time2a_getState(StepCommandWithCP56Time2a self)
{
    return static_cast<StepCommandValue>(self->dcq & 0x03);
}

int StepCommandWithCP56Time2a_getQU(StepCommandWithCP56Time2a self)
{
    return (self->dcq & 0x7C) >> 2;
}

bool StepCommandWithCP56Time2a_isSelect(StepCommandWithCP56Time2a self)
{
    return (self->dcq & 0x80) != 0;
}

/* ---- SetpointCommandNormalized (C_SE_NA_1) */

static bool SetpointCommandNormalized_encode(InformationObject object, Frame frame,
                                             CS101_AppLayerParameters parameters, bool isSequence)
{
    SetpointCommandNormalized self = reinterpret_cast<SetpointCommandNormalized>(object);
    if (!beginEncode(object, frame, parameters, 3, isSequence))
        return false;
    Frame_appendBytes(frame, self->encodedValue, 2);
    Frame_setNextByte(frame, self->qos);
    return true;
}

static const struct sInformationObjectVFT setpointCommandNormalizedVFT = {
    SetpointCommandNormalized_encode, destroyRecord};

SetpointCommandNormalized SetpointCommandNormalized_create(SetpointCommandNormalized self, int ioa,
                                                           float value, bool selectCommand, int ql)
{
    self = prepareRecord(self, ioa, C_SE_NA_1, &setpointCommandNormalizedVFT);
    if (self == nullptr)
        return nullptr;
    setScaledValue(self->encodedValue, truncToLow16(static_cast<double>(value) * 32767.5 - 0.5));
    self->qos = qosOctet(selectCommand, ql);
    return self;
}

DEFINE_DESTROY(SetpointCommandNormalized)

SetpointCommandNormalized
SetpointCommandNormalized_getFromBuffer(SetpointCommandNormalized self,
                                        CS101_AppLayerParameters parameters, uint8_t* msg,
                                        int msgSize, int startIndex)
{
    self = beginDecode(self, parameters, msg, msgSize, &startIndex, 3, false, C_SE_NA_1,
                       &setpointCommandNormalizedVFT);
    if (self == nullptr)
        return nullptr;
    self->encodedValue[0] = msg[startIndex];
    self->encodedValue[1] = msg[startIndex + 1];
    self->qos = msg[startIndex + 2];
    return self;
}

float SetpointCommandNormalized_getValue(SetpointCommandNormalized self)
{
    return getSetpointNormalizedValue(self->encodedValue);
}

int SetpointCommandNormalized_getQL(SetpointCommandNormalized self)
{
    return self->qos & 0x7F;
}

bool SetpointCommandNormalized_isSelect(SetpointCommandNormalized self)
{
    return (self->qos & 0x80) != 0;
}

/* ---- SetpointCommandNormalizedWithCP56Time2a (C_SE_TA_1) */

static bool SetpointCommandNormalizedWithCP56Time2a_encode(InformationObject object, Frame frame,
                                                           CS101_AppLayerParameters parameters,
                                                           bool isSequence)
{
    SetpointCommandNormalizedWithCP56Time2a self =
        reinterpret_cast<SetpointCommandNormalizedWithCP56Time2a>(object);
    if (!beginEncode(object, frame, parameters, 10, isSequence))
        return false;
    Frame_appendBytes(frame, self->encodedValue, 2);
    Frame_setNextByte(frame, self->qos);
    appendTime(frame, self->timestamp.encodedValue, 7);
    return true;
}

static const struct sInformationObjectVFT setpointCommandNormalizedWithCP56Time2aVFT = {
    SetpointCommandNormalizedWithCP56Time2a_encode, destroyRecord};

SetpointCommandNormalizedWithCP56Time2a
SetpointCommandNormalizedWithCP56Time2a_create(SetpointCommandNormalizedWithCP56Time2a self,
                                               int ioa, float value, bool selectCommand, int ql,
                                               CP56Time2a timestamp)
{
    self = prepareRecord(self, ioa, C_SE_TA_1, &setpointCommandNormalizedWithCP56Time2aVFT);
    if (self == nullptr)
        return nullptr;
    setScaledValue(self->encodedValue, truncToLow16(static_cast<double>(value * 32767.0f)));
    self->qos = qosOctet(selectCommand, ql);
    if (timestamp != nullptr)
        self->timestamp = *timestamp;
    return self;
}

DEFINE_DESTROY(SetpointCommandNormalizedWithCP56Time2a)

SetpointCommandNormalizedWithCP56Time2a
SetpointCommandNormalizedWithCP56Time2a_getFromBuffer(SetpointCommandNormalizedWithCP56Time2a self,
                                                      CS101_AppLayerParameters parameters,
                                                      uint8_t* msg, int msgSize, int startIndex)
{
    self = beginDecode(self, parameters, msg, msgSize, &startIndex, 10, false, C_SE_TA_1,
                       &setpointCommandNormalizedWithCP56Time2aVFT);
    if (self == nullptr)
        return nullptr;
    self->encodedValue[0] = msg[startIndex];
    self->encodedValue[1] = msg[startIndex + 1];
    self->qos = msg[startIndex + 2];
    CP56Time2a_getFromBuffer(&self->timestamp, msg, msgSize, startIndex + 3);
    return self;
}

CP56Time2a
SetpointCommandNormalizedWithCP56Time2a_getTimestamp(SetpointCommandNormalizedWithCP56Time2a self)
{
    return &self->timestamp;
}

float SetpointCommandNormalizedWithCP56Time2a_getValue(SetpointCommandNormalizedWithCP56Time2a self)
{
    return getSetpointNormalizedValue(self->encodedValue);
}

int SetpointCommandNormalizedWithCP56Time2a_getQL(SetpointCommandNormalizedWithCP56Time2a self)
{
    return self->qos & 0x7F;
}

bool SetpointCommandNormalizedWithCP56Time2a_isSelect(SetpointCommandNormalizedWithCP56Time2a self)
{
    return (self->qos & 0x80) != 0;
}

/* ---- SetpointCommandScaled (C_SE_NB_1) */

static bool SetpointCommandScaled_encode(InformationObject object, Frame frame,
                                         CS101_AppLayerParameters parameters, bool isSequence)
{
    SetpointCommandScaled self = reinterpret_cast<SetpointCommandScaled>(object);
    if (!beginEncode(object, frame, parameters, 3, isSequence))
        return false;
    Frame_appendBytes(frame, self->encodedValue, 2);
    Frame_setNextByte(frame, self->qos);
    return true;
}

static const struct sInformationObjectVFT setpointCommandScaledVFT = {SetpointCommandScaled_encode,
                                                                      destroyRecord};

SetpointCommandScaled SetpointCommandScaled_create(SetpointCommandScaled self, int ioa, int value,
                                                   bool selectCommand, int ql)
{
    self = prepareRecord(self, ioa, C_SE_NB_1, &setpointCommandScaledVFT);
    if (self == nullptr)
        return nullptr;
    setScaledValue(self->encodedValue, value);
    self->qos = qosOctet(selectCommand, ql);
    return self;
}

DEFINE_DESTROY(SetpointCommandScaled)

SetpointCommandScaled SetpointCommandScaled_getFromBuffer(SetpointCommandScaled self,
                                                          CS101_AppLayerParameters parameters,
                                                          uint8_t* msg, int msgSize, int startIndex)
{
    self = beginDecode(self, parameters, msg, msgSize, &startIndex, 3, false, C_SE_NB_1,
                       &setpointCommandScaledVFT);
    if (self == nullptr)
        return nullptr;
    self->encodedValue[0] = msg[startIndex];
    self->encodedValue[1] = msg[startIndex + 1];
    self->qos = msg[startIndex + 2];
    return self;
}

int SetpointCommandScaled_getValue(SetpointCommandScaled self)
{
    return getScaledValue(self->encodedValue);
}

int SetpointCommandScaled_getQL(SetpointCommandScaled self)
{
    return self->qos & 0x7F;
}

bool SetpointCommandScaled_isSelect(SetpointCommandScaled self)
{
    return (self->qos & 0x80) != 0;
}

/* ---- SetpointCommandScaledWithCP56Time2a (C_SE_TB_1) */

static bool SetpointCommandScaledWithCP56Time2a_encode(InformationObject object, Frame frame,
                                                       CS101_AppLayerParameters parameters,
                                                       bool isSequence)
{
    SetpointCommandScaledWithCP56Time2a self =
        reinterpret_cast<SetpointCommandScaledWithCP56Time2a>(object);
    if (!beginEncode(object, frame, parameters, 10, isSequence))
        return false;
    Frame_appendBytes(frame, self->encodedValue, 2);
    Frame_setNextByte(frame, self->qos);
    appendTime(frame, self->timestamp.encodedValue, 7);
    return true;
}

static const struct sInformationObjectVFT setpointCommandScaledWithCP56Time2aVFT = {
    SetpointCommandScaledWithCP56Time2a_encode, destroyRecord};

SetpointCommandScaledWithCP56Time2a
SetpointCommandScaledWithCP56Time2a_create(SetpointCommandScaledWithCP56Time2a self, int ioa,
                                           int value, bool selectCommand, int ql,
                                           CP56Time2a timestamp)
{
    self = prepareRecord(self, ioa, C_SE_TB_1, &setpointCommandScaledWithCP56Time2aVFT);
    if (self == nullptr)
        return nullptr;
    setScaledValue(self->encodedValue, value);
    self->qos = qosOctet(selectCommand, ql);
    if (timestamp != nullptr)
        self->timestamp = *timestamp;
    return self;
}

DEFINE_DESTROY(SetpointCommandScaledWithCP56Time2a)

SetpointCommandScaledWithCP56Time2a
SetpointCommandScaledWithCP56Time2a_getFromBuffer(SetpointCommandScaledWithCP56Time2a self,
                                                  CS101_AppLayerParameters parameters, uint8_t* msg,
                                                  int msgSize, int startIndex)
{
    self = beginDecode(self, parameters, msg, msgSize, &startIndex, 10, false, C_SE_TB_1,
                       &setpointCommandScaledWithCP56Time2aVFT);
    if (self == nullptr)
        return nullptr;
    self->encodedValue[0] = msg[startIndex];
    self->encodedValue[1] = msg[startIndex + 1];
    self->qos = msg[startIndex + 2];
    CP56Time2a_getFromBuffer(&self->timestamp, msg, msgSize, startIndex + 3);
    return self;
}

CP56Time2a
SetpointCommandScaledWithCP56Time2a_getTimestamp(SetpointCommandScaledWithCP56Time2a self)
{
    return &self->timestamp;
}

int SetpointCommandScaledWithCP56Time2a_getValue(SetpointCommandScaledWithCP56Time2a self)
{
    return getScaledValue(self->encodedValue);
}

int SetpointCommandScaledWithCP56Time2a_getQL(SetpointCommandScaledWithCP56Time2a self)
{
    return self->qos & 0x7F;
}

bool SetpointCommandScaledWithCP56Time2a_isSelect(SetpointCommandScaledWithCP56Time2a self)
{
    return (self->qos & 0x80) != 0;
}

/* ---- SetpointCommandShort (C_SE_NC_1) */

static bool SetpointCommandShort_encode(InformationObject object, Frame frame,
                                        CS101_AppLayerParameters parameters, bool isSequence)
{
    SetpointCommandShort self = reinterpret_cast<SetpointCommandShort>(object);
    if (!beginEncode(object, frame, parameters, 5, isSequence))
        return false;
    writeFloat(frame, self->value);
    Frame_setNextByte(frame, self->qos);
    return true;
}

static const struct sInformationObjectVFT setpointCommandShortVFT = {SetpointCommandShort_encode,
                                                                     destroyRecord};

SetpointCommandShort SetpointCommandShort_create(SetpointCommandShort self, int ioa, float value,
                                                 bool selectCommand, int ql)
{
    self = prepareRecord(self, ioa, C_SE_NC_1, &setpointCommandShortVFT);
    if (self == nullptr)
        return nullptr;
    self->value = value;
    self->qos = qosOctet(selectCommand, ql);
    return self;
}

DEFINE_DESTROY(SetpointCommandShort)

SetpointCommandShort SetpointCommandShort_getFromBuffer(SetpointCommandShort self,
                                                        CS101_AppLayerParameters parameters,
                                                        uint8_t* msg, int msgSize, int startIndex)
{
    self = beginDecode(self, parameters, msg, msgSize, &startIndex, 5, false, C_SE_NC_1,
                       &setpointCommandShortVFT);
    if (self == nullptr)
        return nullptr;
    self->value = readFloat(msg, startIndex);
    self->qos = msg[startIndex + 4];
    return self;
}

float SetpointCommandShort_getValue(SetpointCommandShort self)
{
    return self->value;
}

int SetpointCommandShort_getQL(SetpointCommandShort self)
{
    return self->qos & 0x7F;
}

bool SetpointCommandShort_isSelect(SetpointCommandShort self)
{
    return (self->qos & 0x80) != 0;
}

/* ---- SetpointCommandShortWithCP56Time2a (C_SE_TC_1) */

static bool SetpointCommandShortWithCP56Time2a_encode(InformationObject object, Frame frame,
                                                      CS101_AppLayerParameters parameters,
                                                      bool isSequence)
{
    SetpointCommandShortWithCP56Time2a self =
        reinterpret_cast<SetpointCommandShortWithCP56Time2a>(object);
    if (!beginEncode(object, frame, parameters, 12, isSequence))
        return false;
    writeFloat(frame, self->value);
    Frame_setNextByte(frame, self->qos);
    appendTime(frame, self->timestamp.encodedValue, 7);
    return true;
}

static const struct sInformationObjectVFT setpointCommandShortWithCP56Time2aVFT = {
    SetpointCommandShortWithCP56Time2a_encode, destroyRecord};

SetpointCommandShortWithCP56Time2a
SetpointCommandShortWithCP56Time2a_create(SetpointCommandShortWithCP56Time2a self, int ioa,
                                          float value, bool selectCommand, int ql,
                                          CP56Time2a timestamp)
{
    self = prepareRecord(self, ioa, C_SE_TC_1, &setpointCommandShortWithCP56Time2aVFT);
    if (self == nullptr)
        return nullptr;
    self->value = value;
    self->qos = qosOctet(selectCommand, ql);
    if (timestamp != nullptr)
        self->timestamp = *timestamp;
    return self;
}

DEFINE_DESTROY(SetpointCommandShortWithCP56Time2a)

SetpointCommandShortWithCP56Time2a
SetpointCommandShortWithCP56Time2a_getFromBuffer(SetpointCommandShortWithCP56Time2a self,
                                                 CS101_AppLayerParameters parameters, uint8_t* msg,
                                                 int msgSize, int startIndex)
{
    self = beginDecode(self, parameters, msg, msgSize, &startIndex, 12, false, C_SE_TC_1,
                       &setpointCommandShortWithCP56Time2aVFT);
    if (self == nullptr)
        return nullptr;
    self->value = readFloat(msg, startIndex);
    self->qos = msg[startIndex + 4];
    CP56Time2a_getFromBuffer(&self->timestamp, msg, msgSize, startIndex + 5);
    return self;
}

CP56Time2a SetpointCommandShortWithCP56Time2a_getTimestamp(SetpointCommandShortWithCP56Time2a self)
{
    return &self->timestamp;
}

float SetpointCommandShortWithCP56Time2a_getValue(SetpointCommandShortWithCP56Time2a self)
{
    return self->value;
}

int SetpointCommandShortWithCP56Time2a_getQL(SetpointCommandShortWithCP56Time2a self)
{
    return self->qos & 0x7F;
}

bool SetpointCommandShortWithCP56Time2a_isSelect(SetpointCommandShortWithCP56Time2a self)
{
    return (self->qos & 0x80) != 0;
}

/* ---- Bitstring32Command (C_BO_NA_1) */

static bool Bitstring32Command_encode(InformationObject object, Frame frame,
                                      CS101_AppLayerParameters parameters, bool isSequence)
{
    Bitstring32Command self = reinterpret_cast<Bitstring32Command>(object);
    if (!beginEncode(object, frame, parameters, 4, isSequence))
        return false;
    writeUint32(frame, self->value);
    return true;
}

static const struct sInformationObjectVFT bitstring32CommandVFT = {Bitstring32Command_encode,
                                                                   destroyRecord};

Bitstring32Command Bitstring32Command_create(Bitstring32Command self, int ioa, uint32_t value)
{
    self = prepareRecord(self, ioa, C_BO_NA_1, &bitstring32CommandVFT);
    if (self == nullptr)
        return nullptr;
    self->value = value;
    return self;
}

DEFINE_DESTROY(Bitstring32Command)

Bitstring32Command Bitstring32Command_getFromBuffer(Bitstring32Command self,
                                                    CS101_AppLayerParameters parameters,
                                                    uint8_t* msg, int msgSize, int startIndex)
{
    self = beginDecode(self, parameters, msg, msgSize, &startIndex, 4, false, C_BO_NA_1,
                       &bitstring32CommandVFT);
    if (self == nullptr)
        return nullptr;
    self->value = readUint32(msg, startIndex);
    return self;
}

uint32_t Bitstring32Command_getValue(Bitstring32Command self)
{
    return self->value;
}

/* ---- Bitstring32CommandWithCP56Time2a (C_BO_TA_1) */

static bool Bitstring32CommandWithCP56Time2a_encode(InformationObject object, Frame frame,
                                                    CS101_AppLayerParameters parameters,
                                                    bool isSequence)
{
    Bitstring32CommandWithCP56Time2a self =
        reinterpret_cast<Bitstring32CommandWithCP56Time2a>(object);
    if (!beginEncode(object, frame, parameters, 11, isSequence))
        return false;
    writeUint32(frame, self->value);
    appendTime(frame, self->timestamp.encodedValue, 7);
    return true;
}

static const struct sInformationObjectVFT bitstring32CommandWithCP56Time2aVFT = {
    Bitstring32CommandWithCP56Time2a_encode, destroyRecord};

Bitstring32CommandWithCP56Time2a
Bitstring32CommandWithCP56Time2a_create(Bitstring32CommandWithCP56Time2a self, int ioa,
                                        uint32_t value, CP56Time2a timestamp)
{
    self = prepareRecord(self, ioa, C_BO_TA_1, &bitstring32CommandWithCP56Time2aVFT);
    if (self == nullptr)
        return nullptr;
    self->value = value;
    if (timestamp != nullptr)
        self->timestamp = *timestamp;
    return self;
}

DEFINE_DESTROY(Bitstring32CommandWithCP56Time2a)

Bitstring32CommandWithCP56Time2a
Bitstring32CommandWithCP56Time2a_getFromBuffer(Bitstring32CommandWithCP56Time2a self,
                                               CS101_AppLayerParameters parameters, uint8_t* msg,
                                               int msgSize, int startIndex)
{
    self = beginDecode(self, parameters, msg, msgSize, &startIndex, 11, false, C_BO_TA_1,
                       &bitstring32CommandWithCP56Time2aVFT);
    if (self == nullptr)
        return nullptr;
    self->value = readUint32(msg, startIndex);
    CP56Time2a_getFromBuffer(&self->timestamp, msg, msgSize, startIndex + 4);
    return self;
}

CP56Time2a Bitstring32CommandWithCP56Time2a_getTimestamp(Bitstring32CommandWithCP56Time2a self)
{
    return &self->timestamp;
}

uint32_t Bitstring32CommandWithCP56Time2a_getValue(Bitstring32CommandWithCP56Time2a self)
{
    return self->value;
}

/* ========================================================= system types */

/* ---- EndOfInitialization (M_EI_NA_1) */

static bool EndOfInitialization_encode(InformationObject object, Frame frame,
                                       CS101_AppLayerParameters parameters, bool isSequence)
{
    EndOfInitialization self = reinterpret_cast<EndOfInitialization>(object);
    if (!beginEncode(object, frame, parameters, 1, isSequence))
        return false;
    Frame_setNextByte(frame, self->coi);
    return true;
}

static const struct sInformationObjectVFT EndOfInitializationVFT = {EndOfInitialization_encode,
                                                                    destroyRecord};

EndOfInitialization EndOfInitialization_create(EndOfInitialization self, uint8_t coi)
{
    self = prepareRecord(self, 0, M_EI_NA_1, &EndOfInitializationVFT);
    if (self == nullptr)
        return nullptr;
    self->coi = coi;
    return self;
}

DEFINE_DESTROY(EndOfInitialization)

EndOfInitialization EndOfInitialization_getFromBuffer(EndOfInitialization self,
                                                      CS101_AppLayerParameters parameters,
                                                      uint8_t* msg, int msgSize, int startIndex)
{
    self = beginDecode(self, parameters, msg, msgSize, &startIndex, 1, false, M_EI_NA_1,
                       &EndOfInitializationVFT);
    if (self == nullptr)
        return nullptr;
    self->coi = msg[startIndex];
    return self;
}

uint8_t EndOfInitialization_getCOI(EndOfInitialization self)
{
    return self->coi;
}

/* ---- InterrogationCommand (C_IC_NA_1) */

static bool InterrogationCommand_encode(InformationObject object, Frame frame,
                                        CS101_AppLayerParameters parameters, bool isSequence)
{
    InterrogationCommand self = reinterpret_cast<InterrogationCommand>(object);
    if (!beginEncode(object, frame, parameters, 1, isSequence))
        return false;
    Frame_setNextByte(frame, self->qoi);
    return true;
}

static const struct sInformationObjectVFT interrogationCommandVFT = {InterrogationCommand_encode,
                                                                     destroyRecord};

InterrogationCommand InterrogationCommand_create(InterrogationCommand self, int ioa, uint8_t qoi)
{
    self = prepareRecord(self, ioa, C_IC_NA_1, &interrogationCommandVFT);
    if (self == nullptr)
        return nullptr;
    self->qoi = qoi;
    return self;
}

DEFINE_DESTROY(InterrogationCommand)

InterrogationCommand InterrogationCommand_getFromBuffer(InterrogationCommand self,
                                                        CS101_AppLayerParameters parameters,
                                                        uint8_t* msg, int msgSize, int startIndex)
{
    self = beginDecode(self, parameters, msg, msgSize, &startIndex, 1, false, C_IC_NA_1,
                       &interrogationCommandVFT);
    if (self == nullptr)
        return nullptr;
    self->qoi = msg[startIndex];
    return self;
}

uint8_t InterrogationCommand_getQOI(InterrogationCommand self)
{
    return self->qoi;
}

/* ---- CounterInterrogationCommand (C_CI_NA_1) */

static bool CounterInterrogationCommand_encode(InformationObject object, Frame frame,
                                               CS101_AppLayerParameters parameters, bool isSequence)
{
    CounterInterrogationCommand self = reinterpret_cast<CounterInterrogationCommand>(object);
    if (!beginEncode(object, frame, parameters, 1, isSequence))
        return false;
    Frame_setNextByte(frame, self->qcc);
    return true;
}

static const struct sInformationObjectVFT counterInterrogationCommandVFT = {
    CounterInterrogationCommand_encode, destroyRecord};

CounterInterrogationCommand CounterInterrogationCommand_create(CounterInterrogationCommand self,
                                                               int ioa, QualifierOfCIC qcc)
{
    self = prepareRecord(self, ioa, C_CI_NA_1, &counterInterrogationCommandVFT);
    if (self == nullptr)
        return nullptr;
    self->qcc = qcc;
    return self;
}

DEFINE_DESTROY(CounterInterrogationCommand)

CounterInterrogationCommand
CounterInterrogationCommand_getFromBuffer(CounterInterrogationCommand self,
                                          CS101_AppLayerParameters parameters, uint8_t* msg,
                                          int msgSize, int startIndex)
{
    self = beginDecode(self, parameters, msg, msgSize, &startIndex, 1, false, C_CI_NA_1,
                       &counterInterrogationCommandVFT);
    if (self == nullptr)
        return nullptr;
    self->qcc = msg[startIndex];
    return self;
}

QualifierOfCIC CounterInterrogationCommand_getQCC(CounterInterrogationCommand self)
{
    return self->qcc;
}

/* ---- ReadCommand (C_RD_NA_1) */

static bool ReadCommand_encode(InformationObject object, Frame frame,
                               CS101_AppLayerParameters parameters, bool isSequence)
{
    ReadCommand self = reinterpret_cast<ReadCommand>(object);
    if (!beginEncode(object, frame, parameters, 0, isSequence))
        return false;
    (void)self;
    return true;
}

static const struct sInformationObjectVFT readCommandVFT = {ReadCommand_encode, destroyRecord};

ReadCommand ReadCommand_create(ReadCommand self, int ioa)
{
    self = prepareRecord(self, ioa, C_RD_NA_1, &readCommandVFT);
    if (self == nullptr)
        return nullptr;
    return self;
}

DEFINE_DESTROY(ReadCommand)

ReadCommand ReadCommand_getFromBuffer(ReadCommand self, CS101_AppLayerParameters parameters,
                                      uint8_t* msg, int msgSize, int startIndex)
{
    self = beginDecode(self, parameters, msg, msgSize, &startIndex, 0, false, C_RD_NA_1,
                       &readCommandVFT);
    if (self == nullptr)
        return nullptr;
    return self;
}

/* ---- ClockSynchronizationCommand (C_CS_NA_1) */

static bool ClockSynchronizationCommand_encode(InformationObject object, Frame frame,
                                               CS101_AppLayerParameters parameters, bool isSequence)
{
    ClockSynchronizationCommand self = reinterpret_cast<ClockSynchronizationCommand>(object);
    if (!beginEncode(object, frame, parameters, 7, isSequence))
        return false;
    appendTime(frame, self->timestamp.encodedValue, 7);
    return true;
}

static const struct sInformationObjectVFT clockSynchronizationCommandVFT = {
    ClockSynchronizationCommand_encode, destroyRecord};

ClockSynchronizationCommand ClockSynchronizationCommand_create(ClockSynchronizationCommand self,
                                                               int ioa, CP56Time2a timestamp)
{
    self = prepareRecord(self, ioa, C_CS_NA_1, &clockSynchronizationCommandVFT);
    if (self == nullptr)
        return nullptr;
    if (timestamp != nullptr)
        self->timestamp = *timestamp;
    return self;
}

DEFINE_DESTROY(ClockSynchronizationCommand)

ClockSynchronizationCommand
ClockSynchronizationCommand_getFromBuffer(ClockSynchronizationCommand self,
                                          CS101_AppLayerParameters parameters, uint8_t* msg,
                                          int msgSize, int startIndex)
{
    self = beginDecode(self, parameters, msg, msgSize, &startIndex, 7, false, C_CS_NA_1,
                       &clockSynchronizationCommandVFT);
    if (self == nullptr)
        return nullptr;
    CP56Time2a_getFromBuffer(&self->timestamp, msg, msgSize, startIndex + 0);
    return self;
}

CP56Time2a ClockSynchronizationCommand_getTime(ClockSynchronizationCommand self)
{
    return &self->timestamp;
}

/* ---- TestCommand (C_TS_NA_1) */

static bool TestCommand_encode(InformationObject object, Frame frame,
                               CS101_AppLayerParameters parameters, bool isSequence)
{
    TestCommand self = reinterpret_cast<TestCommand>(object);
    if (!beginEncode(object, frame, parameters, 2, isSequence))
        return false;
    Frame_setNextByte(frame, self->byte1);
    Frame_setNextByte(frame, self->byte2);
    return true;
}

static const struct sInformationObjectVFT testCommandVFT = {TestCommand_encode, destroyRecord};

TestCommand TestCommand_create(TestCommand self)
{
    self = prepareRecord(self, 0, C_TS_NA_1, &testCommandVFT);
    if (self == nullptr)
        return nullptr;
    self->byte1 = 0xCC;
    self->byte2 = 0x55;
    return self;
}

DEFINE_DESTROY(TestCommand)

TestCommand TestCommand_getFromBuffer(TestCommand self, CS101_AppLayerParameters parameters,
                                      uint8_t* msg, int msgSize, int startIndex)
{
    self = beginDecode(self, parameters, msg, msgSize, &startIndex, 2, false, C_TS_NA_1,
                       &testCommandVFT);
    if (self == nullptr)
        return nullptr;
    self->byte1 = msg[startIndex];
    self->byte2 = msg[startIndex + 1];
    return self;
}

bool TestCommand_isValid(TestCommand self)
{
    return self->byte1 == 0xCC && self->byte2 == 0x55;
}

/* ---- ResetProcessCommand (C_RP_NA_1) */

static bool ResetProcessCommand_encode(InformationObject object, Frame frame,
                                       CS101_AppLayerParameters parameters, bool isSequence)
{
    ResetProcessCommand self = reinterpret_cast<ResetProcessCommand>(object);
    if (!beginEncode(object, frame, parameters, 1, isSequence))
        return false;
    Frame_setNextByte(frame, self->qrp);
    return true;
}

static const struct sInformationObjectVFT resetProcessCommandVFT = {ResetProcessCommand_encode,
                                                                    destroyRecord};

ResetProcessCommand ResetProcessCommand_create(ResetProcessCommand self, int ioa,
                                               QualifierOfRPC qrp)
{
    self = prepareRecord(self, ioa, C_RP_NA_1, &resetProcessCommandVFT);
    if (self == nullptr)
        return nullptr;
    self->qrp = qrp;
    return self;
}

DEFINE_DESTROY(ResetProcessCommand)

ResetProcessCommand ResetProcessCommand_getFromBuffer(ResetProcessCommand self,
                                                      CS101_AppLayerParameters parameters,
                                                      uint8_t* msg, int msgSize, int startIndex)
{
    self = beginDecode(self, parameters, msg, msgSize, &startIndex, 1, false, C_RP_NA_1,
                       &resetProcessCommandVFT);
    if (self == nullptr)
        return nullptr;
    self->qrp = msg[startIndex];
    return self;
}

QualifierOfRPC ResetProcessCommand_getQRP(ResetProcessCommand self)
{
    return self->qrp;
}

/* ---- DelayAcquisitionCommand (C_CD_NA_1) */

static bool DelayAcquisitionCommand_encode(InformationObject object, Frame frame,
                                           CS101_AppLayerParameters parameters, bool isSequence)
{
    DelayAcquisitionCommand self = reinterpret_cast<DelayAcquisitionCommand>(object);
    if (!beginEncode(object, frame, parameters, 2, isSequence))
        return false;
    appendTime(frame, self->delay.encodedValue, 2);
    return true;
}

static const struct sInformationObjectVFT DelayAcquisitionCommandVFT = {
    DelayAcquisitionCommand_encode, destroyRecord};

DelayAcquisitionCommand DelayAcquisitionCommand_create(DelayAcquisitionCommand self, int ioa,
                                                       CP16Time2a delay)
{
    self = prepareRecord(self, ioa, C_CD_NA_1, &DelayAcquisitionCommandVFT);
    if (self == nullptr)
        return nullptr;
    if (delay != nullptr)
        self->delay = *delay;
    return self;
}

DEFINE_DESTROY(DelayAcquisitionCommand)

DelayAcquisitionCommand DelayAcquisitionCommand_getFromBuffer(DelayAcquisitionCommand self,
                                                              CS101_AppLayerParameters parameters,
                                                              uint8_t* msg, int msgSize,
                                                              int startIndex)
{
    self = beginDecode(self, parameters, msg, msgSize, &startIndex, 2, false, C_CD_NA_1,
                       &DelayAcquisitionCommandVFT);
    if (self == nullptr)
        return nullptr;
    CP16Time2a_getFromBuffer(&self->delay, msg, msgSize, startIndex);
    return self;
}

CP16Time2a DelayAcquisitionCommand_getDelay(DelayAcquisitionCommand self)
{
    return &self->delay;
}

/* ====================================================== parameter types */

/* ---- ParameterActivation (P_AC_NA_1) */

static bool ParameterActivation_encode(InformationObject object, Frame frame,
                                       CS101_AppLayerParameters parameters, bool isSequence)
{
    ParameterActivation self = reinterpret_cast<ParameterActivation>(object);
    if (!beginEncode(object, frame, parameters, 1, isSequence))
        return false;
    Frame_setNextByte(frame, self->qpa);
    return true;
}

static const struct sInformationObjectVFT parameterActivationVFT = {ParameterActivation_encode,
                                                                    destroyRecord};

ParameterActivation ParameterActivation_create(ParameterActivation self, int ioa,
                                               QualifierOfParameterActivation qpa)
{
    self = prepareRecord(self, ioa, P_AC_NA_1, &parameterActivationVFT);
    if (self == nullptr)
        return nullptr;
    self->qpa = qpa;
    return self;
}

DEFINE_DESTROY(ParameterActivation)

ParameterActivation ParameterActivation_getFromBuffer(ParameterActivation self,
                                                      CS101_AppLayerParameters parameters,
                                                      uint8_t* msg, int msgSize, int startIndex)
{
    self = beginDecode(self, parameters, msg, msgSize, &startIndex, 1, false, P_AC_NA_1,
                       &parameterActivationVFT);
    if (self == nullptr)
        return nullptr;
    self->qpa = msg[startIndex];
    return self;
}

QualifierOfParameterActivation ParameterActivation_getQuality(ParameterActivation self)
{
    return self->qpa;
}

/* =========================================================== file types */

/* ---- FileReady (F_FR_NA_1) */

static bool FileReady_encode(InformationObject object, Frame frame,
                             CS101_AppLayerParameters parameters, bool isSequence)
{
    FileReady self = reinterpret_cast<FileReady>(object);
    if (!beginEncode(object, frame, parameters, 6, isSequence))
        return false;
    writeUint16(frame, self->nof);
    writeUint24(frame, self->lengthOfFile);
    Frame_setNextByte(frame, self->frq);
    return true;
}

static const struct sInformationObjectVFT FileReadyVFT = {FileReady_encode, destroyRecord};

FileReady FileReady_create(FileReady self, int ioa, uint16_t nof, uint32_t lengthOfFile,
                           bool positive)
{
    self = prepareRecord(self, ioa, F_FR_NA_1, &FileReadyVFT);
    if (self == nullptr)
        return nullptr;
    self->nof = nof;
    self->lengthOfFile = lengthOfFile;
    self->frq = positive ? 0x80 : 0;
    return self;
}

DEFINE_DESTROY(FileReady)

FileReady FileReady_getFromBuffer(FileReady self, CS101_AppLayerParameters parameters, uint8_t* msg,
                                  int msgSize, int startIndex)
{
    self = beginDecode(self, parameters, msg, msgSize, &startIndex, 6, false, F_FR_NA_1,
                       &FileReadyVFT);
    if (self == nullptr)
        return nullptr;
    self->nof = static_cast<uint16_t>(readUint16(msg, startIndex));
    self->lengthOfFile = readUint24(msg, startIndex + 2);
    self->frq = msg[startIndex + 5];
    return self;
}

uint8_t FileReady_getFRQ(FileReady self)
{
    return self->frq;
}

void FileReady_setFRQ(FileReady self, uint8_t value)
{
    self->frq = value;
}

bool FileReady_isPositive(FileReady self)
{
    return (self->frq & 0x80) != 0;
}

uint16_t FileReady_getNOF(FileReady self)
{
    return self->nof;
}

uint32_t FileReady_getLengthOfFile(FileReady self)
{
    return self->lengthOfFile;
}

/* ---- SectionReady (F_SR_NA_1) */

static bool SectionReady_encode(InformationObject object, Frame frame,
                                CS101_AppLayerParameters parameters, bool isSequence)
{
    SectionReady self = reinterpret_cast<SectionReady>(object);
    if (!beginEncode(object, frame, parameters, 7, isSequence))
        return false;
    writeUint16(frame, self->nof);
    Frame_setNextByte(frame, self->nameOfSection);
    writeUint24(frame, self->lengthOfSection);
    Frame_setNextByte(frame, self->srq);
    return true;
}

static const struct sInformationObjectVFT SectionReadyVFT = {SectionReady_encode, destroyRecord};

SectionReady SectionReady_create(SectionReady self, int ioa, uint16_t nof, uint8_t nos,
                                 uint32_t lengthOfSection, bool notReady)
{
    self = prepareRecord(self, ioa, F_SR_NA_1, &SectionReadyVFT);
    if (self == nullptr)
        return nullptr;
    self->nof = nof;
    self->nameOfSection = nos;
    self->lengthOfSection = lengthOfSection;
    self->srq = notReady ? 0x80 : 0;
    return self;
}

DEFINE_DESTROY(SectionReady)

SectionReady SectionReady_getFromBuffer(SectionReady self, CS101_AppLayerParameters parameters,
                                        uint8_t* msg, int msgSize, int startIndex)
{
    self = beginDecode(self, parameters, msg, msgSize, &startIndex, 7, false, F_SR_NA_1,
                       &SectionReadyVFT);
    if (self == nullptr)
        return nullptr;
    self->nof = static_cast<uint16_t>(readUint16(msg, startIndex));
    self->nameOfSection = msg[startIndex + 2];
    self->lengthOfSection = readUint24(msg, startIndex + 3);
    self->srq = msg[startIndex + 6];
    return self;
}

bool SectionReady_isNotReady(SectionReady self)
{
    return (self->srq & 0x80) != 0;
}

uint8_t SectionReady_getSRQ(SectionReady self)
{
    return self->srq;
}

void SectionReady_setSRQ(SectionReady self, uint8_t value)
{
    self->srq = value;
}

uint16_t SectionReady_getNOF(SectionReady self)
{
    return self->nof;
}

uint8_t SectionReady_getNameOfSection(SectionReady self)
{
    return self->nameOfSection;
}

uint32_t SectionReady_getLengthOfSection(SectionReady self)
{
    return self->lengthOfSection;
}

/* ---- FileCallOrSelect (F_SC_NA_1) */

static bool FileCallOrSelect_encode(InformationObject object, Frame frame,
                                    CS101_AppLayerParameters parameters, bool isSequence)
{
    FileCallOrSelect self = reinterpret_cast<FileCallOrSelect>(object);
    if (!beginEncode(object, frame, parameters, 4, isSequence))
        return false;
    writeUint16(frame, self->nof);
    Frame_setNextByte(frame, self->nameOfSection);
    Frame_setNextByte(frame, self->scq);
    return true;
}

static const struct sInformationObjectVFT FileCallOrSelectVFT = {FileCallOrSelect_encode,
                                                                 destroyRecord};

FileCallOrSelect FileCallOrSelect_create(FileCallOrSelect self, int ioa, uint16_t nof, uint8_t nos,
                                         uint8_t scq)
{
    self = prepareRecord(self, ioa, F_SC_NA_1, &FileCallOrSelectVFT);
    if (self == nullptr)
        return nullptr;
    self->nof = nof;
    self->nameOfSection = nos;
    self->scq = scq;
    return self;
}

DEFINE_DESTROY(FileCallOrSelect)

FileCallOrSelect FileCallOrSelect_getFromBuffer(FileCallOrSelect self,
                                                CS101_AppLayerParameters parameters, uint8_t* msg,
                                                int msgSize, int startIndex)
{
    self = beginDecode(self, parameters, msg, msgSize, &startIndex, 4, false, F_SC_NA_1,
                       &FileCallOrSelectVFT);
    if (self == nullptr)
        return nullptr;
    self->nof = static_cast<uint16_t>(readUint16(msg, startIndex));
    self->nameOfSection = msg[startIndex + 2];
    self->scq = msg[startIndex + 3];
    return self;
}

uint16_t FileCallOrSelect_getNOF(FileCallOrSelect self)
{
    return self->nof;
}

uint8_t FileCallOrSelect_getNameOfSection(FileCallOrSelect self)
{
    return self->nameOfSection;
}

uint8_t FileCallOrSelect_getSCQ(FileCallOrSelect self)
{
    return self->scq;
}

/* ---- FileLastSegmentOrSection (F_LS_NA_1) */

static bool FileLastSegmentOrSection_encode(InformationObject object, Frame frame,
                                            CS101_AppLayerParameters parameters, bool isSequence)
{
    FileLastSegmentOrSection self = reinterpret_cast<FileLastSegmentOrSection>(object);
    if (!beginEncode(object, frame, parameters, 5, isSequence))
        return false;
    writeUint16(frame, self->nof);
    Frame_setNextByte(frame, self->nameOfSection);
    Frame_setNextByte(frame, self->lsq);
    Frame_setNextByte(frame, self->chs);
    return true;
}

static const struct sInformationObjectVFT FileLastSegmentOrSectionVFT = {
    FileLastSegmentOrSection_encode, destroyRecord};

FileLastSegmentOrSection FileLastSegmentOrSection_create(FileLastSegmentOrSection self, int ioa,
                                                         uint16_t nof, uint8_t nos, uint8_t lsq,
                                                         uint8_t chs)
{
    self = prepareRecord(self, ioa, F_LS_NA_1, &FileLastSegmentOrSectionVFT);
    if (self == nullptr)
        return nullptr;
    self->nof = nof;
    self->nameOfSection = nos;
    self->lsq = lsq;
    self->chs = chs;
    return self;
}

DEFINE_DESTROY(FileLastSegmentOrSection)

FileLastSegmentOrSection FileLastSegmentOrSection_getFromBuffer(FileLastSegmentOrSection self,
                                                                CS101_AppLayerParameters parameters,
                                                                uint8_t* msg, int msgSize,
                                                                int startIndex)
{
    self = beginDecode(self, parameters, msg, msgSize, &startIndex, 5, false, F_LS_NA_1,
                       &FileLastSegmentOrSectionVFT);
    if (self == nullptr)
        return nullptr;
    self->nof = static_cast<uint16_t>(readUint16(msg, startIndex));
    self->nameOfSection = msg[startIndex + 2];
    self->lsq = msg[startIndex + 3];
    self->chs = msg[startIndex + 4];
    return self;
}

uint16_t FileLastSegmentOrSection_getNOF(FileLastSegmentOrSection self)
{
    return self->nof;
}

uint8_t FileLastSegmentOrSection_getNameOfSection(FileLastSegmentOrSection self)
{
    return self->nameOfSection;
}

uint8_t FileLastSegmentOrSection_getLSQ(FileLastSegmentOrSection self)
{
    return self->lsq;
}

uint8_t FileLastSegmentOrSection_getCHS(FileLastSegmentOrSection self)
{
    return self->chs;
}

/* ---- FileACK (F_AF_NA_1) */

static bool FileACK_encode(InformationObject object, Frame frame,
                           CS101_AppLayerParameters parameters, bool isSequence)
{
    FileACK self = reinterpret_cast<FileACK>(object);
    if (!beginEncode(object, frame, parameters, 4, isSequence))
        return false;
    writeUint16(frame, self->nof);
    Frame_setNextByte(frame, self->nameOfSection);
    Frame_setNextByte(frame, self->afq);
    return true;
}

static const struct sInformationObjectVFT FileACKVFT = {FileACK_encode, destroyRecord};

FileACK FileACK_create(FileACK self, int ioa, uint16_t nof, uint8_t nos, uint8_t afq)
{
    self = prepareRecord(self, ioa, F_AF_NA_1, &FileACKVFT);
    if (self == nullptr)
        return nullptr;
    self->nof = nof;
    self->nameOfSection = nos;
    self->afq = afq;
    return self;
}

DEFINE_DESTROY(FileACK)

FileACK FileACK_getFromBuffer(FileACK self, CS101_AppLayerParameters parameters, uint8_t* msg,
                              int msgSize, int startIndex)
{
    self =
        beginDecode(self, parameters, msg, msgSize, &startIndex, 4, false, F_AF_NA_1, &FileACKVFT);
    if (self == nullptr)
        return nullptr;
    self->nof = static_cast<uint16_t>(readUint16(msg, startIndex));
    self->nameOfSection = msg[startIndex + 2];
    self->afq = msg[startIndex + 3];
    return self;
}

uint16_t FileACK_getNOF(FileACK self)
{
    return self->nof;
}

uint8_t FileACK_getNameOfSection(FileACK self)
{
    return self->nameOfSection;
}

uint8_t FileACK_getAFQ(FileACK self)
{
    return self->afq;
}

/* ---- FileDirectory (F_DR_TA_1) */

static bool FileDirectory_encode(InformationObject object, Frame frame,
                                 CS101_AppLayerParameters parameters, bool isSequence)
{
    FileDirectory self = reinterpret_cast<FileDirectory>(object);
    if (!beginEncode(object, frame, parameters, 13, isSequence))
        return false;
    writeUint16(frame, self->nof);
    writeUint24(frame, static_cast<uint32_t>(self->lengthOfFile));
    Frame_setNextByte(frame, self->sof);
    appendTime(frame, self->creationTime.encodedValue, 7);
    return true;
}

static const struct sInformationObjectVFT FileDirectoryVFT = {FileDirectory_encode, destroyRecord};

FileDirectory FileDirectory_create(FileDirectory self, int ioa, uint16_t nof, int lengthOfFile,
                                   uint8_t sof, CP56Time2a creationTime)
{
    self = prepareRecord(self, ioa, F_DR_TA_1, &FileDirectoryVFT);
    if (self == nullptr)
        return nullptr;
    self->nof = nof;
    self->lengthOfFile = lengthOfFile;
    self->sof = sof;
    if (creationTime != nullptr)
        self->creationTime = *creationTime;
    return self;
}

DEFINE_DESTROY(FileDirectory)

FileDirectory FileDirectory_getFromBuffer(FileDirectory self, CS101_AppLayerParameters parameters,
                                          uint8_t* msg, int msgSize, int startIndex,
                                          bool isSequence)
{
    self = beginDecode(self, parameters, msg, msgSize, &startIndex, 13, isSequence, F_DR_TA_1,
                       &FileDirectoryVFT);
    if (self == nullptr)
        return nullptr;
    self->nof = static_cast<uint16_t>(readUint16(msg, startIndex));
    self->lengthOfFile = static_cast<int>(readUint24(msg, startIndex + 2));
    self->sof = msg[startIndex + 5];
    CP56Time2a_getFromBuffer(&self->creationTime, msg, msgSize, startIndex + 6);
    return self;
}

CP56Time2a FileDirectory_getCreationTime(FileDirectory self)
{
    return &self->creationTime;
}

uint16_t FileDirectory_getNOF(FileDirectory self)
{
    return self->nof;
}

uint8_t FileDirectory_getSOF(FileDirectory self)
{
    return self->sof;
}

int FileDirectory_getSTATUS(FileDirectory self)
{
    return self->sof & 0x1F;
}

bool FileDirectory_getLFD(FileDirectory self)
{
    return (self->sof & 0x20) != 0;
}

bool FileDirectory_getFOR(FileDirectory self)
{
    return (self->sof & 0x40) != 0;
}

bool FileDirectory_getFA(FileDirectory self)
{
    return (self->sof & 0x80) != 0;
}

int FileDirectory_getLengthOfFile(FileDirectory self)
{
    return self->lengthOfFile & 0xFFFFFF;
}

/* ---- parameter types (P_ME_NA_1, P_ME_NB_1, P_ME_NC_1): measured-value records, own type */

ParameterNormalizedValue ParameterNormalizedValue_create(ParameterNormalizedValue self, int ioa,
                                                         float value,
                                                         QualifierOfParameterMV quality)
{
    self = MeasuredValueNormalized_create(self, ioa, value, quality);
    if (self != nullptr)
        self->type = P_ME_NA_1;
    return self;
}

DEFINE_DESTROY(ParameterNormalizedValue)

float ParameterNormalizedValue_getValue(ParameterNormalizedValue self)
{
    return MeasuredValueNormalized_getValue(self);
}

void ParameterNormalizedValue_setValue(ParameterNormalizedValue self, float value)
{
    MeasuredValueNormalized_setValue(self, value);
}

QualifierOfParameterMV ParameterNormalizedValue_getQPM(ParameterNormalizedValue self)
{
    return self->quality;
}

ParameterNormalizedValue ParameterNormalizedValue_getFromBuffer(ParameterNormalizedValue self,
                                                                CS101_AppLayerParameters parameters,
                                                                uint8_t* msg, int msgSize,
                                                                int startIndex)
{
    self = MeasuredValueNormalized_getFromBuffer(self, parameters, msg, msgSize, startIndex, false);
    if (self != nullptr)
        self->type = P_ME_NA_1;
    return self;
}

ParameterScaledValue ParameterScaledValue_create(ParameterScaledValue self, int ioa, int value,
                                                 QualifierOfParameterMV qpm)
{
    self = MeasuredValueScaled_create(self, ioa, value, qpm);
    if (self != nullptr)
        self->type = P_ME_NB_1;
    return self;
}

DEFINE_DESTROY(ParameterScaledValue)

int ParameterScaledValue_getValue(ParameterScaledValue self)
{
    return MeasuredValueScaled_getValue(self);
}

void ParameterScaledValue_setValue(ParameterScaledValue self, int value)
{
    MeasuredValueScaled_setValue(self, value);
}

QualifierOfParameterMV ParameterScaledValue_getQPM(ParameterScaledValue self)
{
    return self->quality;
}

ParameterScaledValue ParameterScaledValue_getFromBuffer(ParameterScaledValue self,
                                                        CS101_AppLayerParameters parameters,
                                                        uint8_t* msg, int msgSize, int startIndex)
{
    self = MeasuredValueScaled_getFromBuffer(self, parameters, msg, msgSize, startIndex, false);
    if (self != nullptr)
        self->type = P_ME_NB_1;
    return self;
}

ParameterFloatValue ParameterFloatValue_create(ParameterFloatValue self, int ioa, float value,
                                               QualifierOfParameterMV qpm)
{
    self = MeasuredValueShort_create(self, ioa, value, qpm);
    if (self != nullptr)
        self->type = P_ME_NC_1;
    return self;
}

DEFINE_DESTROY(ParameterFloatValue)

float ParameterFloatValue_getValue(ParameterFloatValue self)
{
    return self->value;
}

void ParameterFloatValue_setValue(ParameterFloatValue self, float value)
{
    self->value = value;
}

QualifierOfParameterMV ParameterFloatValue_getQPM(ParameterFloatValue self)
{
    return self->quality;
}

ParameterFloatValue ParameterFloatValue_getFromBuffer(ParameterFloatValue self,
                                                      CS101_AppLayerParameters parameters,
                                                      uint8_t* msg, int msgSize, int startIndex)
{
    self = MeasuredValueShort_getFromBuffer(self, parameters, msg, msgSize, startIndex, false);
    if (self != nullptr)
        self->type = P_ME_NC_1;
    return self;
}

/* ---- FileSegment (F_SG_NA_1): NOF, NOS, LOS and LOS data octets */

int FileSegment_GetMaxDataSize(CS101_AppLayerParameters parameters)
{
    return CS101_MAX_ASDU_LENGTH - parameters->sizeOfTypeId - parameters->sizeOfVSQ -
           parameters->sizeOfCA - parameters->sizeOfCOT;
}

static bool FileSegment_encode(InformationObject object, Frame frame,
                               CS101_AppLayerParameters parameters, bool isSequence)
{
    FileSegment self = reinterpret_cast<FileSegment>(object);
    if (self->los > FileSegment_GetMaxDataSize(parameters))
        return false;
    if (self->los > 0 && self->data == nullptr)
        return false;
    if (!beginEncode(object, frame, parameters, 4 + self->los, isSequence))
        return false;
    writeUint16(frame, self->nof);
    Frame_setNextByte(frame, self->nameOfSection);
    Frame_setNextByte(frame, self->los);
    Frame_appendBytes(frame, self->data, self->los);
    return true;
}

static const struct sInformationObjectVFT FileSegmentVFT = {FileSegment_encode, destroyRecord};

FileSegment FileSegment_create(FileSegment self, int ioa, uint16_t nof, uint8_t nos, uint8_t* data,
                               uint8_t los)
{
    self = prepareRecord(self, ioa, F_SG_NA_1, &FileSegmentVFT);
    if (self == nullptr)
        return nullptr;
    self->nof = nof;
    self->nameOfSection = nos;
    self->data = data;
    self->los = los;
    return self;
}

DEFINE_DESTROY(FileSegment)

uint16_t FileSegment_getNOF(FileSegment self)
{
    return self->nof;
}

uint8_t FileSegment_getNameOfSection(FileSegment self)
{
    return self->nameOfSection;
}

uint8_t FileSegment_getLengthOfSegment(FileSegment self)
{
    return self->los;
}

uint8_t* FileSegment_getSegmentData(FileSegment self)
{
    return self->data;
}

FileSegment FileSegment_getFromBuffer(FileSegment self, CS101_AppLayerParameters parameters,
                                      uint8_t* msg, int msgSize, int startIndex)
{
    /* The fixed part first: only then is LOS known and the data length checkable. */
    if (!objectFits(parameters, msg, msgSize, startIndex, 4, false))
        return nullptr;
    const int losIndex = startIndex + addressOctetsNeeded(parameters, false) + 3;
    const int los = msg[losIndex];
    self = beginDecode(self, parameters, msg, msgSize, &startIndex, 4 + los, false, F_SG_NA_1,
                       &FileSegmentVFT);
    if (self == nullptr)
        return nullptr;
    self->nof = static_cast<uint16_t>(readUint16(msg, startIndex));
    self->nameOfSection = msg[startIndex + 2];
    self->los = static_cast<uint8_t>(los);
    self->data = msg + startIndex + 4;
    return self;
}

/* ================================================= sizes of the records */

int InformationObject_getMaxSizeInMemory(void)
{
    static const size_t sizes[] = {
        sizeof(struct sSinglePointWithCP56Time2a),
        sizeof(struct sDoublePointWithCP56Time2a),
        sizeof(struct sStepPositionWithCP56Time2a),
        sizeof(struct sBitstring32WithCP56Time2a),
        sizeof(struct sMeasuredValueNormalizedWithCP56Time2a),
        sizeof(struct sMeasuredValueScaledWithCP56Time2a),
        sizeof(struct sMeasuredValueShortWithCP56Time2a),
        sizeof(struct sIntegratedTotalsWithCP56Time2a),
        sizeof(struct sEventOfProtectionEquipmentWithCP56Time2a),
        sizeof(struct sPackedStartEventsOfProtectionEquipmentWithCP56Time2a),
        sizeof(struct sPackedOutputCircuitInfoWithCP56Time2a),
        sizeof(struct sPackedSinglePointWithSCD),
        sizeof(struct sSingleCommandWithCP56Time2a),
        sizeof(struct sDoubleCommandWithCP56Time2a),
        sizeof(struct sStepCommandWithCP56Time2a),
        sizeof(struct sSetpointCommandNormalizedWithCP56Time2a),
        sizeof(struct sSetpointCommandScaledWithCP56Time2a),
        sizeof(struct sSetpointCommandShortWithCP56Time2a),
        sizeof(struct sBitstring32CommandWithCP56Time2a),
        sizeof(struct sClockSynchronizationCommand),
        sizeof(struct sTestCommand),
        sizeof(struct sDelayAcquisitionCommand),
        sizeof(struct sFileReady),
        sizeof(struct sSectionReady),
        sizeof(struct sFileLastSegmentOrSection),
        sizeof(struct sFileSegment),
        sizeof(struct sFileDirectory),
    };
    size_t largest = 0;
    for (size_t size : sizes)
        largest = size > largest ? size : largest;
    return static_cast<int>(largest);
}

int InformationObject_getElementSize(TypeID type)
{
    switch (type) {
    case M_SP_NA_1:
    case M_DP_NA_1:
    case C_SC_NA_1:
    case C_DC_NA_1:
    case C_RC_NA_1:
    case M_EI_NA_1:
    case C_IC_NA_1:
    case C_CI_NA_1:
    case C_RP_NA_1:
    case P_AC_NA_1:
        return 1;
    case M_ST_NA_1:
    case M_ME_ND_1:
    case C_TS_NA_1:
    case C_CD_NA_1:
        return 2;
    case M_ME_NA_1:
    case M_ME_NB_1:
    case C_SE_NA_1:
    case C_SE_NB_1:
    case P_ME_NA_1:
    case P_ME_NB_1:
        return 3;
    case M_SP_TA_1:
    case M_DP_TA_1:
    case C_BO_NA_1:
    case F_SC_NA_1:
    case F_AF_NA_1:
    case F_SG_NA_1:
        return 4;
    case M_ST_TA_1:
    case M_BO_NA_1:
    case M_ME_NC_1:
    case M_IT_NA_1:
    case M_PS_NA_1:
    case C_SE_NC_1:
    case P_ME_NC_1:
    case F_LS_NA_1:
        return 5;
    case M_ME_TA_1:
    case M_ME_TB_1:
    case M_EP_TA_1:
    case F_FR_NA_1:
        return 6;
    case M_EP_TB_1:
    case M_EP_TC_1:
    case C_CS_NA_1:
    case F_SR_NA_1:
        return 7;
    case M_BO_TA_1:
    case M_ME_TC_1:
    case M_IT_TA_1:
    case M_SP_TB_1:
    case M_DP_TB_1:
    case C_SC_TA_1:
    case C_DC_TA_1:
    case C_RC_TA_1:
        return 8;
    case M_ST_TB_1:
        return 9;
    case M_ME_TD_1:
    case M_ME_TE_1:
    case M_EP_TD_1:
    case C_SE_TA_1:
    case C_SE_TB_1:
        return 10;
    case M_EP_TE_1:
    case M_EP_TF_1:
    case C_BO_TA_1:
        return 11;
    case M_BO_TB_1:
    case M_ME_TF_1:
    case M_IT_TB_1:
    case C_SE_TC_1:
        return 12;
    case F_DR_TA_1:
        return 13;
    case C_RD_NA_1:
        return 0;
    default:
        return -1;
    }
}
