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
 *
 * Layout: the skeleton every type shares (operation table, room check and
 * address on encode, bounds check, allocation and address on decode) is
 * written once, in ObjectCoding below. A type section states only what is
 * particular to its type: the payload coding (shared by a base type and its
 * time-tagged variants), one ObjectCoding alias per type, the fields that
 * T_create sets, and the accessors. FileSegment, whose size depends on its
 * LOS octet, and the parameter types, which reuse the measured-value codings
 * under their own type identification, are written out by hand.
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

/* ======================================================= shared skeleton */

/*
 * Every type is described by one ObjectCoding: its record, its type
 * identification, the coding of its payload and the time tag that follows the
 * payload (none, CP24Time2a or CP56Time2a in the record's `timestamp`). The
 * coding gives the type's operation table, the room check and address of
 * encode, and the bounds check and address of decode, so a type section only
 * names its coding and sets its fields. A time-tagged type reuses the payload
 * coding of its untimed type, so both always code the payload alike.
 *
 * A payload coding is a struct with
 *   size                               octets after the address
 *   write(frame, self)                 appends exactly `size` octets
 *   read(self, msg, msgSize, index)    reads msg[index .. index+size-1], which
 *                                      the caller has already bounds-checked
 * where write and read are templates over the record, so the payload of a
 * base type and of its time-tagged variants share one coding.
 */

namespace
{

/* Run-time identity of a type: its type identification and operation table. */
struct ObjectKind {
    TypeID type;
    struct sInformationObjectVFT vft;
};

/* Clears the caller's record or allocates a zero-filled one, then sets the base fields. */
template <typename Record>
static Record* prepareRecord(Record* self, int ioa, const ObjectKind& kind)
{
    if (self == nullptr)
        self = static_cast<Record*>(Memory_calloc(1, sizeof(Record)));
    else
        memset(static_cast<void*>(self), 0, sizeof(Record));
    if (self == nullptr)
        return nullptr;
    self->objectAddress = ioa;
    self->type = kind.type;
    self->virtualFunctionTable = &kind.vft;
    return self;
}

/*
 * Start of every decoder: checks the bounds, takes or allocates the record,
 * sets the base fields and reads the address (advancing startIndex past it).
 */
template <typename Record>
static Record* beginDecode(Record* self, CS101_AppLayerParameters parameters, const uint8_t* msg,
                           int msgSize, int* startIndex, int elementSize, bool isSequence,
                           const ObjectKind& kind)
{
    if (!objectFits(parameters, msg, msgSize, *startIndex, elementSize, isSequence))
        return nullptr;
    if (self == nullptr)
        self = static_cast<Record*>(Memory_calloc(1, sizeof(Record)));
    if (self == nullptr)
        return nullptr;
    self->type = kind.type;
    self->virtualFunctionTable = &kind.vft;
    if (!isSequence) {
        self->objectAddress = InformationObject_ParseObjectAddress(
            parameters, const_cast<uint8_t*>(msg), *startIndex);
        *startIndex += parameters->sizeOfIOA > 1 ? parameters->sizeOfIOA : 1;
    }
    return self;
}

/* No time tag after the payload. */
struct NoTimeTag {
    static constexpr int size = 0;
    template <typename Record> static void write(Frame, const Record*) {}
    template <typename Record> static void read(Record*, uint8_t*, int, int) {}
};

/* CP24Time2a in the record's `timestamp`. */
struct CP24TimeTag {
    static constexpr int size = 3;
    template <typename Record> static void write(Frame frame, const Record* self)
    {
        appendTime(frame, self->timestamp.encodedValue, size);
    }
    template <typename Record> static void read(Record* self, uint8_t* msg, int msgSize, int index)
    {
        CP24Time2a_getFromBuffer(&self->timestamp, msg, msgSize, index);
    }
};

/* CP56Time2a in the record's `timestamp`. */
struct CP56TimeTag {
    static constexpr int size = 7;
    template <typename Record> static void write(Frame frame, const Record* self)
    {
        appendTime(frame, self->timestamp.encodedValue, size);
    }
    template <typename Record> static void read(Record* self, uint8_t* msg, int msgSize, int index)
    {
        CP56Time2a_getFromBuffer(&self->timestamp, msg, msgSize, index);
    }
};

/* No payload (C_RD_NA_1, and C_CS_NA_1 whose element is its time tag). */
struct NoPayload {
    static constexpr int size = 0;
    template <typename Record> static void write(Frame, const Record*) {}
    template <typename Record> static void read(Record*, uint8_t*, int, int) {}
};

/* One octet held as is in the record field `Field` (qualifiers, command octets). */
template <auto Field> struct OctetPayload {
    static constexpr int size = 1;
    template <typename Record> static void write(Frame frame, const Record* self)
    {
        Frame_setNextByte(frame, self->*Field);
    }
    template <typename Record> static void read(Record* self, uint8_t* msg, int, int index)
    {
        self->*Field = msg[index];
    }
};

/* Operation table, encode and decode of one type (see the top of this section). */
template <typename Record, TypeID Type, typename Payload, typename TimeTag = NoTimeTag>
struct ObjectCoding {
    static constexpr int elementSize = Payload::size + TimeTag::size;
    static const ObjectKind kind;

    static bool encode(InformationObject object, Frame frame, CS101_AppLayerParameters parameters,
                       bool isSequence)
    {
        const Record* self = reinterpret_cast<const Record*>(object);
        if (!beginEncode(object, frame, parameters, elementSize, isSequence))
            return false;
        Payload::write(frame, self);
        TimeTag::write(frame, self);
        return true;
    }

    /* The record of T_create: cleared or allocated, base fields set; null when out of memory. */
    static Record* prepare(Record* self, int ioa) { return prepareRecord(self, ioa, kind); }

    /* T_getFromBuffer: null unless the whole object lies inside msg. */
    static Record* decode(Record* self, CS101_AppLayerParameters parameters, uint8_t* msg,
                          int msgSize, int startIndex, bool isSequence)
    {
        self =
            beginDecode(self, parameters, msg, msgSize, &startIndex, elementSize, isSequence, kind);
        if (self == nullptr)
            return nullptr;
        Payload::read(self, msg, msgSize, startIndex);
        TimeTag::read(self, msg, msgSize, startIndex + Payload::size);
        return self;
    }
};

template <typename Record, TypeID Type, typename Payload, typename TimeTag>
const ObjectKind ObjectCoding<Record, Type, Payload, TimeTag>::kind = {
    Type, {ObjectCoding<Record, Type, Payload, TimeTag>::encode, destroyRecord}};

} // namespace

/* Copies an optional part given by pointer; a null pointer leaves the cleared field. */
template <typename Field> static void assignIfGiven(Field& field, const Field* value)
{
    if (value != nullptr)
        field = *value;
}

/* Completes T_create of a time-tagged type: sets its time tag; passes a null record through. */
template <typename Record, typename Time>
static Record* withTimestamp(Record* self, const Time* timestamp)
{
    if (self != nullptr)
        assignIfGiven(self->timestamp, timestamp);
    return self;
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

/* ---- single points (M_SP_NA_1, M_SP_TA_1, M_SP_TB_1): SIQ */

namespace
{
struct SinglePointPayload {
    static constexpr int size = 1;
    template <typename Record> static void write(Frame frame, const Record* self)
    {
        Frame_setNextByte(frame, singlePointOctet(self->value, self->quality));
    }
    template <typename Record> static void read(Record* self, uint8_t* msg, int, int index)
    {
        self->value = (msg[index] & 0x01) != 0;
        self->quality = static_cast<QualityDescriptor>(msg[index] & 0xF0);
    }
};
} // namespace

template <typename Coding, typename Record>
static Record* createSinglePoint(Record* self, int ioa, bool value, QualityDescriptor quality)
{
    self = Coding::prepare(self, ioa);
    if (self != nullptr) {
        self->value = value;
        self->quality = static_cast<QualityDescriptor>(quality & 0xF0);
    }
    return self;
}

using SinglePointCoding = ObjectCoding<sSinglePointInformation, M_SP_NA_1, SinglePointPayload>;
using SinglePointCP24Coding =
    ObjectCoding<sSinglePointWithCP24Time2a, M_SP_TA_1, SinglePointPayload, CP24TimeTag>;
using SinglePointCP56Coding =
    ObjectCoding<sSinglePointWithCP56Time2a, M_SP_TB_1, SinglePointPayload, CP56TimeTag>;

SinglePointInformation SinglePointInformation_create(SinglePointInformation self, int ioa,
                                                     bool value, QualityDescriptor quality)
{
    return createSinglePoint<SinglePointCoding>(self, ioa, value, quality);
}

DEFINE_DESTROY(SinglePointInformation)

SinglePointInformation SinglePointInformation_getFromBuffer(SinglePointInformation self,
                                                            CS101_AppLayerParameters parameters,
                                                            uint8_t* msg, int msgSize,
                                                            int startIndex, bool isSequence)
{
    return SinglePointCoding::decode(self, parameters, msg, msgSize, startIndex, isSequence);
}

bool SinglePointInformation_getValue(SinglePointInformation self)
{
    return self->value;
}

QualityDescriptor SinglePointInformation_getQuality(SinglePointInformation self)
{
    return self->quality;
}

SinglePointWithCP24Time2a SinglePointWithCP24Time2a_create(SinglePointWithCP24Time2a self, int ioa,
                                                           bool value, QualityDescriptor quality,
                                                           CP24Time2a timestamp)
{
    return withTimestamp(createSinglePoint<SinglePointCP24Coding>(self, ioa, value, quality),
                         timestamp);
}

DEFINE_DESTROY(SinglePointWithCP24Time2a)

SinglePointWithCP24Time2a
SinglePointWithCP24Time2a_getFromBuffer(SinglePointWithCP24Time2a self,
                                        CS101_AppLayerParameters parameters, uint8_t* msg,
                                        int msgSize, int startIndex, bool isSequence)
{
    return SinglePointCP24Coding::decode(self, parameters, msg, msgSize, startIndex, isSequence);
}

CP24Time2a SinglePointWithCP24Time2a_getTimestamp(SinglePointWithCP24Time2a self)
{
    return &self->timestamp;
}

SinglePointWithCP56Time2a SinglePointWithCP56Time2a_create(SinglePointWithCP56Time2a self, int ioa,
                                                           bool value, QualityDescriptor quality,
                                                           CP56Time2a timestamp)
{
    return withTimestamp(createSinglePoint<SinglePointCP56Coding>(self, ioa, value, quality),
                         timestamp);
}

DEFINE_DESTROY(SinglePointWithCP56Time2a)

SinglePointWithCP56Time2a
SinglePointWithCP56Time2a_getFromBuffer(SinglePointWithCP56Time2a self,
                                        CS101_AppLayerParameters parameters, uint8_t* msg,
                                        int msgSize, int startIndex, bool isSequence)
{
    return SinglePointCP56Coding::decode(self, parameters, msg, msgSize, startIndex, isSequence);
}

CP56Time2a SinglePointWithCP56Time2a_getTimestamp(SinglePointWithCP56Time2a self)
{
    return &self->timestamp;
}

/* ---- double points (M_DP_NA_1, M_DP_TA_1, M_DP_TB_1): DIQ */

namespace
{
struct DoublePointPayload {
    static constexpr int size = 1;
    template <typename Record> static void write(Frame frame, const Record* self)
    {
        Frame_setNextByte(frame, doublePointOctet(self->value, self->quality));
    }
    template <typename Record> static void read(Record* self, uint8_t* msg, int, int index)
    {
        self->value = static_cast<DoublePointValue>(msg[index] & 0x03);
        self->quality = static_cast<QualityDescriptor>(msg[index] & 0xF0);
    }
};
} // namespace

template <typename Coding, typename Record>
static Record* createDoublePoint(Record* self, int ioa, DoublePointValue value,
                                 QualityDescriptor quality)
{
    self = Coding::prepare(self, ioa);
    if (self != nullptr) {
        self->value = static_cast<DoublePointValue>(static_cast<unsigned int>(value) & 3);
        self->quality = static_cast<QualityDescriptor>(quality & 0xF0);
    }
    return self;
}

using DoublePointCoding = ObjectCoding<sDoublePointInformation, M_DP_NA_1, DoublePointPayload>;
using DoublePointCP24Coding =
    ObjectCoding<sDoublePointWithCP24Time2a, M_DP_TA_1, DoublePointPayload, CP24TimeTag>;
using DoublePointCP56Coding =
    ObjectCoding<sDoublePointWithCP56Time2a, M_DP_TB_1, DoublePointPayload, CP56TimeTag>;

DoublePointInformation DoublePointInformation_create(DoublePointInformation self, int ioa,
                                                     DoublePointValue value,
                                                     QualityDescriptor quality)
{
    return createDoublePoint<DoublePointCoding>(self, ioa, value, quality);
}

DEFINE_DESTROY(DoublePointInformation)

DoublePointInformation DoublePointInformation_getFromBuffer(DoublePointInformation self,
                                                            CS101_AppLayerParameters parameters,
                                                            uint8_t* msg, int msgSize,
                                                            int startIndex, bool isSequence)
{
    return DoublePointCoding::decode(self, parameters, msg, msgSize, startIndex, isSequence);
}

DoublePointValue DoublePointInformation_getValue(DoublePointInformation self)
{
    return self->value;
}

QualityDescriptor DoublePointInformation_getQuality(DoublePointInformation self)
{
    return self->quality;
}

DoublePointWithCP24Time2a DoublePointWithCP24Time2a_create(DoublePointWithCP24Time2a self, int ioa,
                                                           DoublePointValue value,
                                                           QualityDescriptor quality,
                                                           CP24Time2a timestamp)
{
    return withTimestamp(createDoublePoint<DoublePointCP24Coding>(self, ioa, value, quality),
                         timestamp);
}

DEFINE_DESTROY(DoublePointWithCP24Time2a)

DoublePointWithCP24Time2a
DoublePointWithCP24Time2a_getFromBuffer(DoublePointWithCP24Time2a self,
                                        CS101_AppLayerParameters parameters, uint8_t* msg,
                                        int msgSize, int startIndex, bool isSequence)
{
    return DoublePointCP24Coding::decode(self, parameters, msg, msgSize, startIndex, isSequence);
}

CP24Time2a DoublePointWithCP24Time2a_getTimestamp(DoublePointWithCP24Time2a self)
{
    return &self->timestamp;
}

DoublePointWithCP56Time2a DoublePointWithCP56Time2a_create(DoublePointWithCP56Time2a self, int ioa,
                                                           DoublePointValue value,
                                                           QualityDescriptor quality,
                                                           CP56Time2a timestamp)
{
    return withTimestamp(createDoublePoint<DoublePointCP56Coding>(self, ioa, value, quality),
                         timestamp);
}

DEFINE_DESTROY(DoublePointWithCP56Time2a)

DoublePointWithCP56Time2a
DoublePointWithCP56Time2a_getFromBuffer(DoublePointWithCP56Time2a self,
                                        CS101_AppLayerParameters parameters, uint8_t* msg,
                                        int msgSize, int startIndex, bool isSequence)
{
    return DoublePointCP56Coding::decode(self, parameters, msg, msgSize, startIndex, isSequence);
}

CP56Time2a DoublePointWithCP56Time2a_getTimestamp(DoublePointWithCP56Time2a self)
{
    return &self->timestamp;
}

/* ---- step positions (M_ST_NA_1, M_ST_TA_1, M_ST_TB_1): VTI, QDS */

namespace
{
struct StepPositionPayload {
    static constexpr int size = 2;
    template <typename Record> static void write(Frame frame, const Record* self)
    {
        Frame_setNextByte(frame, self->vti);
        Frame_setNextByte(frame, self->quality);
    }
    template <typename Record> static void read(Record* self, uint8_t* msg, int, int index)
    {
        self->vti = msg[index];
        self->quality = msg[index + 1];
    }
};
} // namespace

using StepPositionCoding = ObjectCoding<sStepPositionInformation, M_ST_NA_1, StepPositionPayload>;
using StepPositionCP24Coding =
    ObjectCoding<sStepPositionWithCP24Time2a, M_ST_TA_1, StepPositionPayload, CP24TimeTag>;
using StepPositionCP56Coding =
    ObjectCoding<sStepPositionWithCP56Time2a, M_ST_TB_1, StepPositionPayload, CP56TimeTag>;

template <typename Coding, typename Record>
static Record* createStepPosition(Record* self, int ioa, int value, bool isTransient,
                                  QualityDescriptor quality)
{
    self = Coding::prepare(self, ioa);
    if (self != nullptr) {
        self->vti = makeVti(value, isTransient);
        self->quality = quality;
    }
    return self;
}

StepPositionInformation StepPositionInformation_create(StepPositionInformation self, int ioa,
                                                       int value, bool isTransient,
                                                       QualityDescriptor quality)
{
    return createStepPosition<StepPositionCoding>(self, ioa, value, isTransient, quality);
}

DEFINE_DESTROY(StepPositionInformation)

StepPositionInformation StepPositionInformation_getFromBuffer(StepPositionInformation self,
                                                              CS101_AppLayerParameters parameters,
                                                              uint8_t* msg, int msgSize,
                                                              int startIndex, bool isSequence)
{
    return StepPositionCoding::decode(self, parameters, msg, msgSize, startIndex, isSequence);
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

StepPositionWithCP24Time2a StepPositionWithCP24Time2a_create(StepPositionWithCP24Time2a self,
                                                             int ioa, int value, bool isTransient,
                                                             QualityDescriptor quality,
                                                             CP24Time2a timestamp)
{
    return withTimestamp(
        createStepPosition<StepPositionCP24Coding>(self, ioa, value, isTransient, quality),
        timestamp);
}

DEFINE_DESTROY(StepPositionWithCP24Time2a)

StepPositionWithCP24Time2a
StepPositionWithCP24Time2a_getFromBuffer(StepPositionWithCP24Time2a self,
                                         CS101_AppLayerParameters parameters, uint8_t* msg,
                                         int msgSize, int startIndex, bool isSequence)
{
    return StepPositionCP24Coding::decode(self, parameters, msg, msgSize, startIndex, isSequence);
}

CP24Time2a StepPositionWithCP24Time2a_getTimestamp(StepPositionWithCP24Time2a self)
{
    return &self->timestamp;
}

StepPositionWithCP56Time2a StepPositionWithCP56Time2a_create(StepPositionWithCP56Time2a self,
                                                             int ioa, int value, bool isTransient,
                                                             QualityDescriptor quality,
                                                             CP56Time2a timestamp)
{
    return withTimestamp(
        createStepPosition<StepPositionCP56Coding>(self, ioa, value, isTransient, quality),
        timestamp);
}

DEFINE_DESTROY(StepPositionWithCP56Time2a)

StepPositionWithCP56Time2a
StepPositionWithCP56Time2a_getFromBuffer(StepPositionWithCP56Time2a self,
                                         CS101_AppLayerParameters parameters, uint8_t* msg,
                                         int msgSize, int startIndex, bool isSequence)
{
    return StepPositionCP56Coding::decode(self, parameters, msg, msgSize, startIndex, isSequence);
}

CP56Time2a StepPositionWithCP56Time2a_getTimestamp(StepPositionWithCP56Time2a self)
{
    return &self->timestamp;
}

/* ---- bit strings (M_BO_NA_1, M_BO_TA_1, M_BO_TB_1): BSI (4 octets), QDS */

namespace
{
struct BitString32Payload {
    static constexpr int size = 5;
    template <typename Record> static void write(Frame frame, const Record* self)
    {
        writeUint32(frame, self->value);
        Frame_setNextByte(frame, self->quality);
    }
    template <typename Record> static void read(Record* self, uint8_t* msg, int, int index)
    {
        self->value = readUint32(msg, index);
        self->quality = msg[index + 4];
    }
};
} // namespace

using BitString32Coding = ObjectCoding<sBitString32, M_BO_NA_1, BitString32Payload>;
using BitString32CP24Coding =
    ObjectCoding<sBitstring32WithCP24Time2a, M_BO_TA_1, BitString32Payload, CP24TimeTag>;
using BitString32CP56Coding =
    ObjectCoding<sBitstring32WithCP56Time2a, M_BO_TB_1, BitString32Payload, CP56TimeTag>;

/* Also the create of the bit string commands: the value only (a monitored QDS stays 0). */
template <typename Coding, typename Record>
static Record* createBitString32(Record* self, int ioa, uint32_t value)
{
    self = Coding::prepare(self, ioa);
    if (self != nullptr)
        self->value = value;
    return self;
}

BitString32 BitString32_create(BitString32 self, int ioa, uint32_t value)
{
    return createBitString32<BitString32Coding>(self, ioa, value);
}

DEFINE_DESTROY(BitString32)

BitString32 BitString32_getFromBuffer(BitString32 self, CS101_AppLayerParameters parameters,
                                      uint8_t* msg, int msgSize, int startIndex, bool isSequence)
{
    return BitString32Coding::decode(self, parameters, msg, msgSize, startIndex, isSequence);
}

uint32_t BitString32_getValue(BitString32 self)
{
    return self->value;
}

QualityDescriptor BitString32_getQuality(BitString32 self)
{
    return self->quality;
}

Bitstring32WithCP24Time2a Bitstring32WithCP24Time2a_create(Bitstring32WithCP24Time2a self, int ioa,
                                                           uint32_t value, CP24Time2a timestamp)
{
    return withTimestamp(createBitString32<BitString32CP24Coding>(self, ioa, value), timestamp);
}

DEFINE_DESTROY(Bitstring32WithCP24Time2a)

Bitstring32WithCP24Time2a
Bitstring32WithCP24Time2a_getFromBuffer(Bitstring32WithCP24Time2a self,
                                        CS101_AppLayerParameters parameters, uint8_t* msg,
                                        int msgSize, int startIndex, bool isSequence)
{
    return BitString32CP24Coding::decode(self, parameters, msg, msgSize, startIndex, isSequence);
}

CP24Time2a Bitstring32WithCP24Time2a_getTimestamp(Bitstring32WithCP24Time2a self)
{
    return &self->timestamp;
}

Bitstring32WithCP56Time2a Bitstring32WithCP56Time2a_create(Bitstring32WithCP56Time2a self, int ioa,
                                                           uint32_t value, CP56Time2a timestamp)
{
    return withTimestamp(createBitString32<BitString32CP56Coding>(self, ioa, value), timestamp);
}

DEFINE_DESTROY(Bitstring32WithCP56Time2a)

Bitstring32WithCP56Time2a
Bitstring32WithCP56Time2a_getFromBuffer(Bitstring32WithCP56Time2a self,
                                        CS101_AppLayerParameters parameters, uint8_t* msg,
                                        int msgSize, int startIndex, bool isSequence)
{
    return BitString32CP56Coding::decode(self, parameters, msg, msgSize, startIndex, isSequence);
}

CP56Time2a Bitstring32WithCP56Time2a_getTimestamp(Bitstring32WithCP56Time2a self)
{
    return &self->timestamp;
}

/*
 * ---- normalized and scaled values (M_ME_NA_1, M_ME_TA_1, M_ME_TD_1, M_ME_NB_1,
 * M_ME_TB_1, M_ME_TE_1): the 2-octet value as coded in `encodedValue`, QDS
 */

namespace
{
struct EncodedValueWithQualityPayload {
    static constexpr int size = 3;
    template <typename Record> static void write(Frame frame, const Record* self)
    {
        Frame_appendBytes(frame, self->encodedValue, 2);
        Frame_setNextByte(frame, self->quality);
    }
    template <typename Record> static void read(Record* self, uint8_t* msg, int, int index)
    {
        self->encodedValue[0] = msg[index];
        self->encodedValue[1] = msg[index + 1];
        self->quality = msg[index + 2];
    }
};
} // namespace

using NormalizedCoding =
    ObjectCoding<sMeasuredValueNormalized, M_ME_NA_1, EncodedValueWithQualityPayload>;
using NormalizedCP24Coding = ObjectCoding<sMeasuredValueNormalizedWithCP24Time2a, M_ME_TA_1,
                                          EncodedValueWithQualityPayload, CP24TimeTag>;
using NormalizedCP56Coding = ObjectCoding<sMeasuredValueNormalizedWithCP56Time2a, M_ME_TD_1,
                                          EncodedValueWithQualityPayload, CP56TimeTag>;
using ScaledCoding = ObjectCoding<sMeasuredValueScaled, M_ME_NB_1, EncodedValueWithQualityPayload>;
using ScaledCP24Coding = ObjectCoding<sMeasuredValueScaledWithCP24Time2a, M_ME_TB_1,
                                      EncodedValueWithQualityPayload, CP24TimeTag>;
using ScaledCP56Coding = ObjectCoding<sMeasuredValueScaledWithCP56Time2a, M_ME_TE_1,
                                      EncodedValueWithQualityPayload, CP56TimeTag>;

template <typename Coding, typename Record>
static Record* createNormalized(Record* self, int ioa, float value, QualityDescriptor quality)
{
    self = Coding::prepare(self, ioa);
    if (self != nullptr) {
        setNormalizedValue(self->encodedValue, value);
        self->quality = quality;
    }
    return self;
}

template <typename Coding, typename Record>
static Record* createScaled(Record* self, int ioa, int value, QualityDescriptor quality)
{
    self = Coding::prepare(self, ioa);
    if (self != nullptr) {
        setScaledValue(self->encodedValue, value);
        self->quality = quality;
    }
    return self;
}

MeasuredValueNormalized MeasuredValueNormalized_create(MeasuredValueNormalized self, int ioa,
                                                       float value, QualityDescriptor quality)
{
    return createNormalized<NormalizedCoding>(self, ioa, value, quality);
}

DEFINE_DESTROY(MeasuredValueNormalized)

MeasuredValueNormalized MeasuredValueNormalized_getFromBuffer(MeasuredValueNormalized self,
                                                              CS101_AppLayerParameters parameters,
                                                              uint8_t* msg, int msgSize,
                                                              int startIndex, bool isSequence)
{
    return NormalizedCoding::decode(self, parameters, msg, msgSize, startIndex, isSequence);
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

MeasuredValueNormalizedWithCP24Time2a
MeasuredValueNormalizedWithCP24Time2a_create(MeasuredValueNormalizedWithCP24Time2a self, int ioa,
                                             float value, QualityDescriptor quality,
                                             CP24Time2a timestamp)
{
    return withTimestamp(createNormalized<NormalizedCP24Coding>(self, ioa, value, quality),
                         timestamp);
}

DEFINE_DESTROY(MeasuredValueNormalizedWithCP24Time2a)

MeasuredValueNormalizedWithCP24Time2a MeasuredValueNormalizedWithCP24Time2a_getFromBuffer(
    MeasuredValueNormalizedWithCP24Time2a self, CS101_AppLayerParameters parameters, uint8_t* msg,
    int msgSize, int startIndex, bool isSequence)
{
    return NormalizedCP24Coding::decode(self, parameters, msg, msgSize, startIndex, isSequence);
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

MeasuredValueNormalizedWithCP56Time2a
MeasuredValueNormalizedWithCP56Time2a_create(MeasuredValueNormalizedWithCP56Time2a self, int ioa,
                                             float value, QualityDescriptor quality,
                                             CP56Time2a timestamp)
{
    return withTimestamp(createNormalized<NormalizedCP56Coding>(self, ioa, value, quality),
                         timestamp);
}

DEFINE_DESTROY(MeasuredValueNormalizedWithCP56Time2a)

MeasuredValueNormalizedWithCP56Time2a MeasuredValueNormalizedWithCP56Time2a_getFromBuffer(
    MeasuredValueNormalizedWithCP56Time2a self, CS101_AppLayerParameters parameters, uint8_t* msg,
    int msgSize, int startIndex, bool isSequence)
{
    return NormalizedCP56Coding::decode(self, parameters, msg, msgSize, startIndex, isSequence);
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

MeasuredValueScaled MeasuredValueScaled_create(MeasuredValueScaled self, int ioa, int value,
                                               QualityDescriptor quality)
{
    return createScaled<ScaledCoding>(self, ioa, value, quality);
}

DEFINE_DESTROY(MeasuredValueScaled)

MeasuredValueScaled MeasuredValueScaled_getFromBuffer(MeasuredValueScaled self,
                                                      CS101_AppLayerParameters parameters,
                                                      uint8_t* msg, int msgSize, int startIndex,
                                                      bool isSequence)
{
    return ScaledCoding::decode(self, parameters, msg, msgSize, startIndex, isSequence);
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

MeasuredValueScaledWithCP24Time2a
MeasuredValueScaledWithCP24Time2a_create(MeasuredValueScaledWithCP24Time2a self, int ioa, int value,
                                         QualityDescriptor quality, CP24Time2a timestamp)
{
    return withTimestamp(createScaled<ScaledCP24Coding>(self, ioa, value, quality), timestamp);
}

DEFINE_DESTROY(MeasuredValueScaledWithCP24Time2a)

MeasuredValueScaledWithCP24Time2a
MeasuredValueScaledWithCP24Time2a_getFromBuffer(MeasuredValueScaledWithCP24Time2a self,
                                                CS101_AppLayerParameters parameters, uint8_t* msg,
                                                int msgSize, int startIndex, bool isSequence)
{
    return ScaledCP24Coding::decode(self, parameters, msg, msgSize, startIndex, isSequence);
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

MeasuredValueScaledWithCP56Time2a
MeasuredValueScaledWithCP56Time2a_create(MeasuredValueScaledWithCP56Time2a self, int ioa, int value,
                                         QualityDescriptor quality, CP56Time2a timestamp)
{
    return withTimestamp(createScaled<ScaledCP56Coding>(self, ioa, value, quality), timestamp);
}

DEFINE_DESTROY(MeasuredValueScaledWithCP56Time2a)

MeasuredValueScaledWithCP56Time2a
MeasuredValueScaledWithCP56Time2a_getFromBuffer(MeasuredValueScaledWithCP56Time2a self,
                                                CS101_AppLayerParameters parameters, uint8_t* msg,
                                                int msgSize, int startIndex, bool isSequence)
{
    return ScaledCP56Coding::decode(self, parameters, msg, msgSize, startIndex, isSequence);
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

/* ---- short floating point values (M_ME_NC_1, M_ME_TC_1, M_ME_TF_1): IEEE STD 754, QDS */

namespace
{
struct ShortValueWithQualityPayload {
    static constexpr int size = 5;
    template <typename Record> static void write(Frame frame, const Record* self)
    {
        writeFloat(frame, self->value);
        Frame_setNextByte(frame, self->quality);
    }
    template <typename Record> static void read(Record* self, uint8_t* msg, int, int index)
    {
        self->value = readFloat(msg, index);
        self->quality = msg[index + 4];
    }
};
} // namespace

using ShortCoding = ObjectCoding<sMeasuredValueShort, M_ME_NC_1, ShortValueWithQualityPayload>;
using ShortCP24Coding = ObjectCoding<sMeasuredValueShortWithCP24Time2a, M_ME_TC_1,
                                     ShortValueWithQualityPayload, CP24TimeTag>;
using ShortCP56Coding = ObjectCoding<sMeasuredValueShortWithCP56Time2a, M_ME_TF_1,
                                     ShortValueWithQualityPayload, CP56TimeTag>;

template <typename Coding, typename Record>
static Record* createShort(Record* self, int ioa, float value, QualityDescriptor quality)
{
    self = Coding::prepare(self, ioa);
    if (self != nullptr) {
        self->value = value;
        self->quality = quality;
    }
    return self;
}

MeasuredValueShort MeasuredValueShort_create(MeasuredValueShort self, int ioa, float value,
                                             QualityDescriptor quality)
{
    return createShort<ShortCoding>(self, ioa, value, quality);
}

DEFINE_DESTROY(MeasuredValueShort)

MeasuredValueShort MeasuredValueShort_getFromBuffer(MeasuredValueShort self,
                                                    CS101_AppLayerParameters parameters,
                                                    uint8_t* msg, int msgSize, int startIndex,
                                                    bool isSequence)
{
    return ShortCoding::decode(self, parameters, msg, msgSize, startIndex, isSequence);
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

MeasuredValueShortWithCP24Time2a
MeasuredValueShortWithCP24Time2a_create(MeasuredValueShortWithCP24Time2a self, int ioa, float value,
                                        QualityDescriptor quality, CP24Time2a timestamp)
{
    return withTimestamp(createShort<ShortCP24Coding>(self, ioa, value, quality), timestamp);
}

DEFINE_DESTROY(MeasuredValueShortWithCP24Time2a)

MeasuredValueShortWithCP24Time2a
MeasuredValueShortWithCP24Time2a_getFromBuffer(MeasuredValueShortWithCP24Time2a self,
                                               CS101_AppLayerParameters parameters, uint8_t* msg,
                                               int msgSize, int startIndex, bool isSequence)
{
    return ShortCP24Coding::decode(self, parameters, msg, msgSize, startIndex, isSequence);
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

MeasuredValueShortWithCP56Time2a
MeasuredValueShortWithCP56Time2a_create(MeasuredValueShortWithCP56Time2a self, int ioa, float value,
                                        QualityDescriptor quality, CP56Time2a timestamp)
{
    return withTimestamp(createShort<ShortCP56Coding>(self, ioa, value, quality), timestamp);
}

DEFINE_DESTROY(MeasuredValueShortWithCP56Time2a)

MeasuredValueShortWithCP56Time2a
MeasuredValueShortWithCP56Time2a_getFromBuffer(MeasuredValueShortWithCP56Time2a self,
                                               CS101_AppLayerParameters parameters, uint8_t* msg,
                                               int msgSize, int startIndex, bool isSequence)
{
    return ShortCP56Coding::decode(self, parameters, msg, msgSize, startIndex, isSequence);
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

/* ---- integrated totals (M_IT_NA_1, M_IT_TA_1, M_IT_TB_1): BCR (5 octets) */

namespace
{
struct CounterReadingPayload {
    static constexpr int size = 5;
    template <typename Record> static void write(Frame frame, const Record* self)
    {
        Frame_appendBytes(frame, self->totals.encodedValue, size);
    }
    template <typename Record> static void read(Record* self, uint8_t* msg, int, int index)
    {
        memcpy(self->totals.encodedValue, msg + index, size);
    }
};
} // namespace

using TotalsCoding = ObjectCoding<sIntegratedTotals, M_IT_NA_1, CounterReadingPayload>;
using TotalsCP24Coding =
    ObjectCoding<sIntegratedTotalsWithCP24Time2a, M_IT_TA_1, CounterReadingPayload, CP24TimeTag>;
using TotalsCP56Coding =
    ObjectCoding<sIntegratedTotalsWithCP56Time2a, M_IT_TB_1, CounterReadingPayload, CP56TimeTag>;

template <typename Coding, typename Record>
static Record* createTotals(Record* self, int ioa, BinaryCounterReading value)
{
    self = Coding::prepare(self, ioa);
    if (self != nullptr)
        assignIfGiven(self->totals, value);
    return self;
}

IntegratedTotals IntegratedTotals_create(IntegratedTotals self, int ioa, BinaryCounterReading value)
{
    return createTotals<TotalsCoding>(self, ioa, value);
}

DEFINE_DESTROY(IntegratedTotals)

IntegratedTotals IntegratedTotals_getFromBuffer(IntegratedTotals self,
                                                CS101_AppLayerParameters parameters, uint8_t* msg,
                                                int msgSize, int startIndex, bool isSequence)
{
    return TotalsCoding::decode(self, parameters, msg, msgSize, startIndex, isSequence);
}

BinaryCounterReading IntegratedTotals_getBCR(IntegratedTotals self)
{
    return &self->totals;
}

void IntegratedTotals_setBCR(IntegratedTotals self, BinaryCounterReading value)
{
    self->totals = *value;
}

IntegratedTotalsWithCP24Time2a
IntegratedTotalsWithCP24Time2a_create(IntegratedTotalsWithCP24Time2a self, int ioa,
                                      BinaryCounterReading value, CP24Time2a timestamp)
{
    return withTimestamp(createTotals<TotalsCP24Coding>(self, ioa, value), timestamp);
}

DEFINE_DESTROY(IntegratedTotalsWithCP24Time2a)

IntegratedTotalsWithCP24Time2a
IntegratedTotalsWithCP24Time2a_getFromBuffer(IntegratedTotalsWithCP24Time2a self,
                                             CS101_AppLayerParameters parameters, uint8_t* msg,
                                             int msgSize, int startIndex, bool isSequence)
{
    return TotalsCP24Coding::decode(self, parameters, msg, msgSize, startIndex, isSequence);
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

IntegratedTotalsWithCP56Time2a
IntegratedTotalsWithCP56Time2a_create(IntegratedTotalsWithCP56Time2a self, int ioa,
                                      BinaryCounterReading value, CP56Time2a timestamp)
{
    return withTimestamp(createTotals<TotalsCP56Coding>(self, ioa, value), timestamp);
}

DEFINE_DESTROY(IntegratedTotalsWithCP56Time2a)

IntegratedTotalsWithCP56Time2a
IntegratedTotalsWithCP56Time2a_getFromBuffer(IntegratedTotalsWithCP56Time2a self,
                                             CS101_AppLayerParameters parameters, uint8_t* msg,
                                             int msgSize, int startIndex, bool isSequence)
{
    return TotalsCP56Coding::decode(self, parameters, msg, msgSize, startIndex, isSequence);
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

/*
 * ---- protection equipment (M_EP_TA_1, M_EP_TD_1, M_EP_TB_1, M_EP_TE_1, M_EP_TC_1,
 * M_EP_TF_1): always time-tagged; the payload ends with a CP16Time2a
 */

namespace
{
/* SEP, elapsed time. */
struct ProtectionEventPayload {
    static constexpr int size = 3;
    template <typename Record> static void write(Frame frame, const Record* self)
    {
        Frame_setNextByte(frame, self->event);
        appendTime(frame, self->elapsedTime.encodedValue, 2);
    }
    template <typename Record> static void read(Record* self, uint8_t* msg, int msgSize, int index)
    {
        self->event = msg[index];
        CP16Time2a_getFromBuffer(&self->elapsedTime, msg, msgSize, index + 1);
    }
};
} // namespace

namespace
{
/* SPE, QDP, relay duration. */
struct StartEventsPayload {
    static constexpr int size = 4;
    template <typename Record> static void write(Frame frame, const Record* self)
    {
        Frame_setNextByte(frame, self->event);
        Frame_setNextByte(frame, self->qdp);
        appendTime(frame, self->elapsedTime.encodedValue, 2);
    }
    template <typename Record> static void read(Record* self, uint8_t* msg, int msgSize, int index)
    {
        self->event = msg[index];
        self->qdp = msg[index + 1];
        CP16Time2a_getFromBuffer(&self->elapsedTime, msg, msgSize, index + 2);
    }
};
} // namespace

namespace
{
/* OCI, QDP, relay operating time. */
struct OutputCircuitPayload {
    static constexpr int size = 4;
    template <typename Record> static void write(Frame frame, const Record* self)
    {
        Frame_setNextByte(frame, self->oci);
        Frame_setNextByte(frame, self->qdp);
        appendTime(frame, self->operatingTime.encodedValue, 2);
    }
    template <typename Record> static void read(Record* self, uint8_t* msg, int msgSize, int index)
    {
        self->oci = msg[index];
        self->qdp = msg[index + 1];
        CP16Time2a_getFromBuffer(&self->operatingTime, msg, msgSize, index + 2);
    }
};
} // namespace

using ProtectionEventCP24Coding =
    ObjectCoding<sEventOfProtectionEquipment, M_EP_TA_1, ProtectionEventPayload, CP24TimeTag>;
using ProtectionEventCP56Coding = ObjectCoding<sEventOfProtectionEquipmentWithCP56Time2a, M_EP_TD_1,
                                               ProtectionEventPayload, CP56TimeTag>;
using StartEventsCP24Coding = ObjectCoding<sPackedStartEventsOfProtectionEquipment, M_EP_TB_1,
                                           StartEventsPayload, CP24TimeTag>;
using StartEventsCP56Coding = ObjectCoding<sPackedStartEventsOfProtectionEquipmentWithCP56Time2a,
                                           M_EP_TE_1, StartEventsPayload, CP56TimeTag>;
using OutputCircuitCP24Coding =
    ObjectCoding<sPackedOutputCircuitInfo, M_EP_TC_1, OutputCircuitPayload, CP24TimeTag>;
using OutputCircuitCP56Coding = ObjectCoding<sPackedOutputCircuitInfoWithCP56Time2a, M_EP_TF_1,
                                             OutputCircuitPayload, CP56TimeTag>;

template <typename Coding, typename Record>
static Record* createProtectionEvent(Record* self, int ioa, SingleEvent event,
                                     CP16Time2a elapsedTime)
{
    self = Coding::prepare(self, ioa);
    if (self != nullptr) {
        assignIfGiven(self->event, event);
        assignIfGiven(self->elapsedTime, elapsedTime);
    }
    return self;
}

template <typename Coding, typename Record>
static Record* createStartEvents(Record* self, int ioa, StartEvent event, QualityDescriptorP qdp,
                                 CP16Time2a elapsedTime)
{
    self = Coding::prepare(self, ioa);
    if (self != nullptr) {
        self->event = event;
        self->qdp = qdp;
        assignIfGiven(self->elapsedTime, elapsedTime);
    }
    return self;
}

template <typename Coding, typename Record>
static Record* createOutputCircuit(Record* self, int ioa, OutputCircuitInfo oci,
                                   QualityDescriptorP qdp, CP16Time2a operatingTime)
{
    self = Coding::prepare(self, ioa);
    if (self != nullptr) {
        self->oci = oci;
        self->qdp = qdp;
        assignIfGiven(self->operatingTime, operatingTime);
    }
    return self;
}

EventOfProtectionEquipment EventOfProtectionEquipment_create(EventOfProtectionEquipment self,
                                                             int ioa, SingleEvent event,
                                                             CP16Time2a elapsedTime,
                                                             CP24Time2a timestamp)
{
    return withTimestamp(
        createProtectionEvent<ProtectionEventCP24Coding>(self, ioa, event, elapsedTime), timestamp);
}

DEFINE_DESTROY(EventOfProtectionEquipment)

EventOfProtectionEquipment
EventOfProtectionEquipment_getFromBuffer(EventOfProtectionEquipment self,
                                         CS101_AppLayerParameters parameters, uint8_t* msg,
                                         int msgSize, int startIndex, bool isSequence)
{
    return ProtectionEventCP24Coding::decode(self, parameters, msg, msgSize, startIndex,
                                             isSequence);
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

EventOfProtectionEquipmentWithCP56Time2a
EventOfProtectionEquipmentWithCP56Time2a_create(EventOfProtectionEquipmentWithCP56Time2a self,
                                                int ioa, SingleEvent event, CP16Time2a elapsedTime,
                                                CP56Time2a timestamp)
{
    return withTimestamp(
        createProtectionEvent<ProtectionEventCP56Coding>(self, ioa, event, elapsedTime), timestamp);
}

DEFINE_DESTROY(EventOfProtectionEquipmentWithCP56Time2a)

EventOfProtectionEquipmentWithCP56Time2a EventOfProtectionEquipmentWithCP56Time2a_getFromBuffer(
    EventOfProtectionEquipmentWithCP56Time2a self, CS101_AppLayerParameters parameters,
    uint8_t* msg, int msgSize, int startIndex, bool isSequence)
{
    return ProtectionEventCP56Coding::decode(self, parameters, msg, msgSize, startIndex,
                                             isSequence);
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

PackedStartEventsOfProtectionEquipment
PackedStartEventsOfProtectionEquipment_create(PackedStartEventsOfProtectionEquipment self, int ioa,
                                              StartEvent event, QualityDescriptorP qdp,
                                              CP16Time2a elapsedTime, CP24Time2a timestamp)
{
    return withTimestamp(
        createStartEvents<StartEventsCP24Coding>(self, ioa, event, qdp, elapsedTime), timestamp);
}

DEFINE_DESTROY(PackedStartEventsOfProtectionEquipment)

PackedStartEventsOfProtectionEquipment PackedStartEventsOfProtectionEquipment_getFromBuffer(
    PackedStartEventsOfProtectionEquipment self, CS101_AppLayerParameters parameters, uint8_t* msg,
    int msgSize, int startIndex, bool isSequence)
{
    return StartEventsCP24Coding::decode(self, parameters, msg, msgSize, startIndex, isSequence);
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

PackedStartEventsOfProtectionEquipmentWithCP56Time2a
PackedStartEventsOfProtectionEquipmentWithCP56Time2a_create(
    PackedStartEventsOfProtectionEquipmentWithCP56Time2a self, int ioa, StartEvent event,
    QualityDescriptorP qdp, CP16Time2a elapsedTime, CP56Time2a timestamp)
{
    return withTimestamp(
        createStartEvents<StartEventsCP56Coding>(self, ioa, event, qdp, elapsedTime), timestamp);
}

DEFINE_DESTROY(PackedStartEventsOfProtectionEquipmentWithCP56Time2a)

PackedStartEventsOfProtectionEquipmentWithCP56Time2a
PackedStartEventsOfProtectionEquipmentWithCP56Time2a_getFromBuffer(
    PackedStartEventsOfProtectionEquipmentWithCP56Time2a self, CS101_AppLayerParameters parameters,
    uint8_t* msg, int msgSize, int startIndex, bool isSequence)
{
    return StartEventsCP56Coding::decode(self, parameters, msg, msgSize, startIndex, isSequence);
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

PackedOutputCircuitInfo PackedOutputCircuitInfo_create(PackedOutputCircuitInfo self, int ioa,
                                                       OutputCircuitInfo oci,
                                                       QualityDescriptorP qdp,
                                                       CP16Time2a operatingTime,
                                                       CP24Time2a timestamp)
{
    return withTimestamp(
        createOutputCircuit<OutputCircuitCP24Coding>(self, ioa, oci, qdp, operatingTime),
        timestamp);
}

DEFINE_DESTROY(PackedOutputCircuitInfo)

PackedOutputCircuitInfo PackedOutputCircuitInfo_getFromBuffer(PackedOutputCircuitInfo self,
                                                              CS101_AppLayerParameters parameters,
                                                              uint8_t* msg, int msgSize,
                                                              int startIndex, bool isSequence)
{
    return OutputCircuitCP24Coding::decode(self, parameters, msg, msgSize, startIndex, isSequence);
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

PackedOutputCircuitInfoWithCP56Time2a
PackedOutputCircuitInfoWithCP56Time2a_create(PackedOutputCircuitInfoWithCP56Time2a self, int ioa,
                                             OutputCircuitInfo oci, QualityDescriptorP qdp,
                                             CP16Time2a operatingTime, CP56Time2a timestamp)
{
    return withTimestamp(
        createOutputCircuit<OutputCircuitCP56Coding>(self, ioa, oci, qdp, operatingTime),
        timestamp);
}

DEFINE_DESTROY(PackedOutputCircuitInfoWithCP56Time2a)

PackedOutputCircuitInfoWithCP56Time2a PackedOutputCircuitInfoWithCP56Time2a_getFromBuffer(
    PackedOutputCircuitInfoWithCP56Time2a self, CS101_AppLayerParameters parameters, uint8_t* msg,
    int msgSize, int startIndex, bool isSequence)
{
    return OutputCircuitCP56Coding::decode(self, parameters, msg, msgSize, startIndex, isSequence);
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

/* ---- PackedSinglePointWithSCD (M_PS_NA_1): SCD (4 octets), QDS */

namespace
{
struct SinglePointsWithSCDPayload {
    static constexpr int size = 5;
    template <typename Record> static void write(Frame frame, const Record* self)
    {
        Frame_appendBytes(frame, self->scd.encodedValue, 4);
        Frame_setNextByte(frame, self->qds);
    }
    template <typename Record> static void read(Record* self, uint8_t* msg, int, int index)
    {
        memcpy(self->scd.encodedValue, msg + index, 4);
        self->qds = msg[index + 4];
    }
};
} // namespace

using PackedSinglePointCoding =
    ObjectCoding<sPackedSinglePointWithSCD, M_PS_NA_1, SinglePointsWithSCDPayload>;

PackedSinglePointWithSCD PackedSinglePointWithSCD_create(PackedSinglePointWithSCD self, int ioa,
                                                         StatusAndStatusChangeDetection scd,
                                                         QualityDescriptor qds)
{
    self = PackedSinglePointCoding::prepare(self, ioa);
    if (self == nullptr)
        return nullptr;
    assignIfGiven(self->scd, scd);
    self->qds = qds;
    return self;
}

DEFINE_DESTROY(PackedSinglePointWithSCD)

PackedSinglePointWithSCD PackedSinglePointWithSCD_getFromBuffer(PackedSinglePointWithSCD self,
                                                                CS101_AppLayerParameters parameters,
                                                                uint8_t* msg, int msgSize,
                                                                int startIndex, bool isSequence)
{
    return PackedSinglePointCoding::decode(self, parameters, msg, msgSize, startIndex, isSequence);
}

StatusAndStatusChangeDetection PackedSinglePointWithSCD_getSCD(PackedSinglePointWithSCD self)
{
    return &self->scd;
}

QualityDescriptor PackedSinglePointWithSCD_getQuality(PackedSinglePointWithSCD self)
{
    return self->qds;
}

/* ---- MeasuredValueNormalizedWithoutQuality (M_ME_ND_1): NVA only */

namespace
{
struct EncodedValuePayload {
    static constexpr int size = 2;
    template <typename Record> static void write(Frame frame, const Record* self)
    {
        Frame_appendBytes(frame, self->encodedValue, 2);
    }
    template <typename Record> static void read(Record* self, uint8_t* msg, int, int index)
    {
        self->encodedValue[0] = msg[index];
        self->encodedValue[1] = msg[index + 1];
    }
};
} // namespace

using NormalizedWithoutQualityCoding =
    ObjectCoding<sMeasuredValueNormalizedWithoutQuality, M_ME_ND_1, EncodedValuePayload>;

MeasuredValueNormalizedWithoutQuality
MeasuredValueNormalizedWithoutQuality_create(MeasuredValueNormalizedWithoutQuality self, int ioa,
                                             float value)
{
    self = NormalizedWithoutQualityCoding::prepare(self, ioa);
    if (self != nullptr)
        setNormalizedValueWithoutQuality(self->encodedValue, value);
    return self;
}

DEFINE_DESTROY(MeasuredValueNormalizedWithoutQuality)

MeasuredValueNormalizedWithoutQuality MeasuredValueNormalizedWithoutQuality_getFromBuffer(
    MeasuredValueNormalizedWithoutQuality self, CS101_AppLayerParameters parameters, uint8_t* msg,
    int msgSize, int startIndex, bool isSequence)
{
    return NormalizedWithoutQualityCoding::decode(self, parameters, msg, msgSize, startIndex,
                                                  isSequence);
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

/* Bits of the command octets (SCO, DCO, RCO) and of the set-point qualifier (QOS). */
static int commandQU(uint8_t octet)
{
    return (octet & 0x7C) >> 2;
}

static bool selectBit(uint8_t octet)
{
    return (octet & 0x80) != 0;
}

static int qosQL(uint8_t qos)
{
    return qos & 0x7F;
}

/* ---- single commands (C_SC_NA_1, C_SC_TA_1): SCO */

using SingleCommandCoding =
    ObjectCoding<sSingleCommand, C_SC_NA_1, OctetPayload<&sSingleCommand::sco>>;
using SingleCommandCP56Coding =
    ObjectCoding<sSingleCommandWithCP56Time2a, C_SC_TA_1,
                 OctetPayload<&sSingleCommandWithCP56Time2a::sco>, CP56TimeTag>;

template <typename Coding, typename Record>
static Record* createSingleCommand(Record* self, int ioa, bool command, bool selectCommand, int qu)
{
    self = Coding::prepare(self, ioa);
    if (self != nullptr)
        self->sco = commandOctet(command ? 1 : 0, 1, selectCommand, qu);
    return self;
}

SingleCommand SingleCommand_create(SingleCommand self, int ioa, bool command, bool selectCommand,
                                   int qu)
{
    return createSingleCommand<SingleCommandCoding>(self, ioa, command, selectCommand, qu);
}

DEFINE_DESTROY(SingleCommand)

SingleCommand SingleCommand_getFromBuffer(SingleCommand self, CS101_AppLayerParameters parameters,
                                          uint8_t* msg, int msgSize, int startIndex)
{
    return SingleCommandCoding::decode(self, parameters, msg, msgSize, startIndex, false);
}

bool SingleCommand_getState(SingleCommand self)
{
    return (self->sco & 0x01) != 0;
}

int SingleCommand_getQU(SingleCommand self)
{
    return commandQU(self->sco);
}

bool SingleCommand_isSelect(SingleCommand self)
{
    return selectBit(self->sco);
}

SingleCommandWithCP56Time2a SingleCommandWithCP56Time2a_create(SingleCommandWithCP56Time2a self,
                                                               int ioa, bool command,
                                                               bool selectCommand, int qu,
                                                               CP56Time2a timestamp)
{
    return withTimestamp(
        createSingleCommand<SingleCommandCP56Coding>(self, ioa, command, selectCommand, qu),
        timestamp);
}

DEFINE_DESTROY(SingleCommandWithCP56Time2a)

SingleCommandWithCP56Time2a
SingleCommandWithCP56Time2a_getFromBuffer(SingleCommandWithCP56Time2a self,
                                          CS101_AppLayerParameters parameters, uint8_t* msg,
                                          int msgSize, int startIndex)
{
    return SingleCommandCP56Coding::decode(self, parameters, msg, msgSize, startIndex, false);
}

CP56Time2a SingleCommandWithCP56Time2a_getTimestamp(SingleCommandWithCP56Time2a self)
{
    return &self->timestamp;
}

/* ---- double commands (C_DC_NA_1, C_DC_TA_1): DCO */

using DoubleCommandCoding =
    ObjectCoding<sDoubleCommand, C_DC_NA_1, OctetPayload<&sDoubleCommand::dcq>>;
using DoubleCommandCP56Coding =
    ObjectCoding<sDoubleCommandWithCP56Time2a, C_DC_TA_1,
                 OctetPayload<&sDoubleCommandWithCP56Time2a::dcq>, CP56TimeTag>;

/* Also the create of the regulating step commands: both code a 2-bit state in `dcq`. */
template <typename Coding, typename Record>
static Record* createTwoBitCommand(Record* self, int ioa, int command, bool selectCommand, int qu)
{
    self = Coding::prepare(self, ioa);
    if (self != nullptr)
        self->dcq = commandOctet(command, 3, selectCommand, qu);
    return self;
}

DoubleCommand DoubleCommand_create(DoubleCommand self, int ioa, int command, bool selectCommand,
                                   int qu)
{
    return createTwoBitCommand<DoubleCommandCoding>(self, ioa, command, selectCommand, qu);
}

DEFINE_DESTROY(DoubleCommand)

DoubleCommand DoubleCommand_getFromBuffer(DoubleCommand self, CS101_AppLayerParameters parameters,
                                          uint8_t* msg, int msgSize, int startIndex)
{
    return DoubleCommandCoding::decode(self, parameters, msg, msgSize, startIndex, false);
}

int DoubleCommand_getState(DoubleCommand self)
{
    return self->dcq & 0x03;
}

int DoubleCommand_getQU(DoubleCommand self)
{
    return commandQU(self->dcq);
}

bool DoubleCommand_isSelect(DoubleCommand self)
{
    return selectBit(self->dcq);
}

DoubleCommandWithCP56Time2a DoubleCommandWithCP56Time2a_create(DoubleCommandWithCP56Time2a self,
                                                               int ioa, int command,
                                                               bool selectCommand, int qu,
                                                               CP56Time2a timestamp)
{
    return withTimestamp(
        createTwoBitCommand<DoubleCommandCP56Coding>(self, ioa, command, selectCommand, qu),
        timestamp);
}

DEFINE_DESTROY(DoubleCommandWithCP56Time2a)

DoubleCommandWithCP56Time2a
DoubleCommandWithCP56Time2a_getFromBuffer(DoubleCommandWithCP56Time2a self,
                                          CS101_AppLayerParameters parameters, uint8_t* msg,
                                          int msgSize, int startIndex)
{
    return DoubleCommandCP56Coding::decode(self, parameters, msg, msgSize, startIndex, false);
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
    return commandQU(self->dcq);
}

bool DoubleCommandWithCP56Time2a_isSelect(DoubleCommandWithCP56Time2a self)
{
    return selectBit(self->dcq);
}

/* ---- regulating step commands (C_RC_NA_1, C_RC_TA_1): RCO */

using StepCommandCoding = ObjectCoding<sStepCommand, C_RC_NA_1, OctetPayload<&sStepCommand::dcq>>;
using StepCommandCP56Coding =
    ObjectCoding<sStepCommandWithCP56Time2a, C_RC_TA_1,
                 OctetPayload<&sStepCommandWithCP56Time2a::dcq>, CP56TimeTag>;

StepCommand StepCommand_create(StepCommand self, int ioa, StepCommandValue command,
                               bool selectCommand, int qu)
{
    return createTwoBitCommand<StepCommandCoding>(self, ioa, command, selectCommand, qu);
}

DEFINE_DESTROY(StepCommand)

StepCommand StepCommand_getFromBuffer(StepCommand self, CS101_AppLayerParameters parameters,
                                      uint8_t* msg, int msgSize, int startIndex)
{
    return StepCommandCoding::decode(self, parameters, msg, msgSize, startIndex, false);
}

StepCommandValue StepCommand_getState(StepCommand self)
{
    return static_cast<StepCommandValue>(self->dcq & 0x03);
}

int StepCommand_getQU(StepCommand self)
{
    return commandQU(self->dcq);
}

bool StepCommand_isSelect(StepCommand self)
{
    return selectBit(self->dcq);
}

StepCommandWithCP56Time2a StepCommandWithCP56Time2a_create(StepCommandWithCP56Time2a self, int ioa,
                                                           StepCommandValue command,
                                                           bool selectCommand, int qu,
                                                           CP56Time2a timestamp)
{
    return withTimestamp(
        createTwoBitCommand<StepCommandCP56Coding>(self, ioa, command, selectCommand, qu),
        timestamp);
}

DEFINE_DESTROY(StepCommandWithCP56Time2a)

StepCommandWithCP56Time2a
StepCommandWithCP56Time2a_getFromBuffer(StepCommandWithCP56Time2a self,
                                        CS101_AppLayerParameters parameters, uint8_t* msg,
                                        int msgSize, int startIndex)
{
    return StepCommandCP56Coding::decode(self, parameters, msg, msgSize, startIndex, false);
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
    return commandQU(self->dcq);
}

bool StepCommandWithCP56Time2a_isSelect(StepCommandWithCP56Time2a self)
{
    return selectBit(self->dcq);
}

/*
 * ---- normalized and scaled set-points (C_SE_NA_1, C_SE_TA_1, C_SE_NB_1, C_SE_TB_1):
 * the 2-octet value as coded in `encodedValue`, QOS
 */

namespace
{
struct EncodedValueWithQosPayload {
    static constexpr int size = 3;
    template <typename Record> static void write(Frame frame, const Record* self)
    {
        Frame_appendBytes(frame, self->encodedValue, 2);
        Frame_setNextByte(frame, self->qos);
    }
    template <typename Record> static void read(Record* self, uint8_t* msg, int, int index)
    {
        self->encodedValue[0] = msg[index];
        self->encodedValue[1] = msg[index + 1];
        self->qos = msg[index + 2];
    }
};
} // namespace

using SetpointNormalizedCoding =
    ObjectCoding<sSetpointCommandNormalized, C_SE_NA_1, EncodedValueWithQosPayload>;
using SetpointNormalizedCP56Coding =
    ObjectCoding<sSetpointCommandNormalizedWithCP56Time2a, C_SE_TA_1, EncodedValueWithQosPayload,
                 CP56TimeTag>;
using SetpointScaledCoding =
    ObjectCoding<sSetpointCommandScaled, C_SE_NB_1, EncodedValueWithQosPayload>;
using SetpointScaledCP56Coding = ObjectCoding<sSetpointCommandScaledWithCP56Time2a, C_SE_TB_1,
                                              EncodedValueWithQosPayload, CP56TimeTag>;

template <typename Coding, typename Record>
static Record* createSetpointScaled(Record* self, int ioa, int value, bool selectCommand, int ql)
{
    self = Coding::prepare(self, ioa);
    if (self != nullptr) {
        setScaledValue(self->encodedValue, value);
        self->qos = qosOctet(selectCommand, ql);
    }
    return self;
}

SetpointCommandNormalized SetpointCommandNormalized_create(SetpointCommandNormalized self, int ioa,
                                                           float value, bool selectCommand, int ql)
{
    self = SetpointNormalizedCoding::prepare(self, ioa);
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
    return SetpointNormalizedCoding::decode(self, parameters, msg, msgSize, startIndex, false);
}

float SetpointCommandNormalized_getValue(SetpointCommandNormalized self)
{
    return getSetpointNormalizedValue(self->encodedValue);
}

int SetpointCommandNormalized_getQL(SetpointCommandNormalized self)
{
    return qosQL(self->qos);
}

bool SetpointCommandNormalized_isSelect(SetpointCommandNormalized self)
{
    return selectBit(self->qos);
}

/* Codes value * 32767, truncated, unlike C_SE_NA_1 (value * 32767.5 - 0.5); both
 * read back through getSetpointNormalizedValue. Kept apart so neither wire coding changes. */
SetpointCommandNormalizedWithCP56Time2a
SetpointCommandNormalizedWithCP56Time2a_create(SetpointCommandNormalizedWithCP56Time2a self,
                                               int ioa, float value, bool selectCommand, int ql,
                                               CP56Time2a timestamp)
{
    self = SetpointNormalizedCP56Coding::prepare(self, ioa);
    if (self == nullptr)
        return nullptr;
    setScaledValue(self->encodedValue, truncToLow16(static_cast<double>(value * 32767.0f)));
    self->qos = qosOctet(selectCommand, ql);
    assignIfGiven(self->timestamp, timestamp);
    return self;
}

DEFINE_DESTROY(SetpointCommandNormalizedWithCP56Time2a)

SetpointCommandNormalizedWithCP56Time2a
SetpointCommandNormalizedWithCP56Time2a_getFromBuffer(SetpointCommandNormalizedWithCP56Time2a self,
                                                      CS101_AppLayerParameters parameters,
                                                      uint8_t* msg, int msgSize, int startIndex)
{
    return SetpointNormalizedCP56Coding::decode(self, parameters, msg, msgSize, startIndex, false);
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
    return qosQL(self->qos);
}

bool SetpointCommandNormalizedWithCP56Time2a_isSelect(SetpointCommandNormalizedWithCP56Time2a self)
{
    return selectBit(self->qos);
}

SetpointCommandScaled SetpointCommandScaled_create(SetpointCommandScaled self, int ioa, int value,
                                                   bool selectCommand, int ql)
{
    return createSetpointScaled<SetpointScaledCoding>(self, ioa, value, selectCommand, ql);
}

DEFINE_DESTROY(SetpointCommandScaled)

SetpointCommandScaled SetpointCommandScaled_getFromBuffer(SetpointCommandScaled self,
                                                          CS101_AppLayerParameters parameters,
                                                          uint8_t* msg, int msgSize, int startIndex)
{
    return SetpointScaledCoding::decode(self, parameters, msg, msgSize, startIndex, false);
}

int SetpointCommandScaled_getValue(SetpointCommandScaled self)
{
    return getScaledValue(self->encodedValue);
}

int SetpointCommandScaled_getQL(SetpointCommandScaled self)
{
    return qosQL(self->qos);
}

bool SetpointCommandScaled_isSelect(SetpointCommandScaled self)
{
    return selectBit(self->qos);
}

SetpointCommandScaledWithCP56Time2a
SetpointCommandScaledWithCP56Time2a_create(SetpointCommandScaledWithCP56Time2a self, int ioa,
                                           int value, bool selectCommand, int ql,
                                           CP56Time2a timestamp)
{
    return withTimestamp(
        createSetpointScaled<SetpointScaledCP56Coding>(self, ioa, value, selectCommand, ql),
        timestamp);
}

DEFINE_DESTROY(SetpointCommandScaledWithCP56Time2a)

SetpointCommandScaledWithCP56Time2a
SetpointCommandScaledWithCP56Time2a_getFromBuffer(SetpointCommandScaledWithCP56Time2a self,
                                                  CS101_AppLayerParameters parameters, uint8_t* msg,
                                                  int msgSize, int startIndex)
{
    return SetpointScaledCP56Coding::decode(self, parameters, msg, msgSize, startIndex, false);
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
    return qosQL(self->qos);
}

bool SetpointCommandScaledWithCP56Time2a_isSelect(SetpointCommandScaledWithCP56Time2a self)
{
    return selectBit(self->qos);
}

/* ---- short floating point set-points (C_SE_NC_1, C_SE_TC_1): IEEE STD 754, QOS */

namespace
{
struct ShortValueWithQosPayload {
    static constexpr int size = 5;
    template <typename Record> static void write(Frame frame, const Record* self)
    {
        writeFloat(frame, self->value);
        Frame_setNextByte(frame, self->qos);
    }
    template <typename Record> static void read(Record* self, uint8_t* msg, int, int index)
    {
        self->value = readFloat(msg, index);
        self->qos = msg[index + 4];
    }
};
} // namespace

using SetpointShortCoding =
    ObjectCoding<sSetpointCommandShort, C_SE_NC_1, ShortValueWithQosPayload>;
using SetpointShortCP56Coding = ObjectCoding<sSetpointCommandShortWithCP56Time2a, C_SE_TC_1,
                                             ShortValueWithQosPayload, CP56TimeTag>;

template <typename Coding, typename Record>
static Record* createSetpointShort(Record* self, int ioa, float value, bool selectCommand, int ql)
{
    self = Coding::prepare(self, ioa);
    if (self != nullptr) {
        self->value = value;
        self->qos = qosOctet(selectCommand, ql);
    }
    return self;
}

SetpointCommandShort SetpointCommandShort_create(SetpointCommandShort self, int ioa, float value,
                                                 bool selectCommand, int ql)
{
    return createSetpointShort<SetpointShortCoding>(self, ioa, value, selectCommand, ql);
}

DEFINE_DESTROY(SetpointCommandShort)

SetpointCommandShort SetpointCommandShort_getFromBuffer(SetpointCommandShort self,
                                                        CS101_AppLayerParameters parameters,
                                                        uint8_t* msg, int msgSize, int startIndex)
{
    return SetpointShortCoding::decode(self, parameters, msg, msgSize, startIndex, false);
}

float SetpointCommandShort_getValue(SetpointCommandShort self)
{
    return self->value;
}

int SetpointCommandShort_getQL(SetpointCommandShort self)
{
    return qosQL(self->qos);
}

bool SetpointCommandShort_isSelect(SetpointCommandShort self)
{
    return selectBit(self->qos);
}

SetpointCommandShortWithCP56Time2a
SetpointCommandShortWithCP56Time2a_create(SetpointCommandShortWithCP56Time2a self, int ioa,
                                          float value, bool selectCommand, int ql,
                                          CP56Time2a timestamp)
{
    return withTimestamp(
        createSetpointShort<SetpointShortCP56Coding>(self, ioa, value, selectCommand, ql),
        timestamp);
}

DEFINE_DESTROY(SetpointCommandShortWithCP56Time2a)

SetpointCommandShortWithCP56Time2a
SetpointCommandShortWithCP56Time2a_getFromBuffer(SetpointCommandShortWithCP56Time2a self,
                                                 CS101_AppLayerParameters parameters, uint8_t* msg,
                                                 int msgSize, int startIndex)
{
    return SetpointShortCP56Coding::decode(self, parameters, msg, msgSize, startIndex, false);
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
    return qosQL(self->qos);
}

bool SetpointCommandShortWithCP56Time2a_isSelect(SetpointCommandShortWithCP56Time2a self)
{
    return selectBit(self->qos);
}

/* ---- bit string commands (C_BO_NA_1, C_BO_TA_1): BSI (4 octets) */

namespace
{
struct BitString32CommandPayload {
    static constexpr int size = 4;
    template <typename Record> static void write(Frame frame, const Record* self)
    {
        writeUint32(frame, self->value);
    }
    template <typename Record> static void read(Record* self, uint8_t* msg, int, int index)
    {
        self->value = readUint32(msg, index);
    }
};
} // namespace

using BitString32CommandCoding =
    ObjectCoding<sBitstring32Command, C_BO_NA_1, BitString32CommandPayload>;
using BitString32CommandCP56Coding = ObjectCoding<sBitstring32CommandWithCP56Time2a, C_BO_TA_1,
                                                  BitString32CommandPayload, CP56TimeTag>;

Bitstring32Command Bitstring32Command_create(Bitstring32Command self, int ioa, uint32_t value)
{
    return createBitString32<BitString32CommandCoding>(self, ioa, value);
}

DEFINE_DESTROY(Bitstring32Command)

Bitstring32Command Bitstring32Command_getFromBuffer(Bitstring32Command self,
                                                    CS101_AppLayerParameters parameters,
                                                    uint8_t* msg, int msgSize, int startIndex)
{
    return BitString32CommandCoding::decode(self, parameters, msg, msgSize, startIndex, false);
}

uint32_t Bitstring32Command_getValue(Bitstring32Command self)
{
    return self->value;
}

Bitstring32CommandWithCP56Time2a
Bitstring32CommandWithCP56Time2a_create(Bitstring32CommandWithCP56Time2a self, int ioa,
                                        uint32_t value, CP56Time2a timestamp)
{
    return withTimestamp(createBitString32<BitString32CommandCP56Coding>(self, ioa, value),
                         timestamp);
}

DEFINE_DESTROY(Bitstring32CommandWithCP56Time2a)

Bitstring32CommandWithCP56Time2a
Bitstring32CommandWithCP56Time2a_getFromBuffer(Bitstring32CommandWithCP56Time2a self,
                                               CS101_AppLayerParameters parameters, uint8_t* msg,
                                               int msgSize, int startIndex)
{
    return BitString32CommandCP56Coding::decode(self, parameters, msg, msgSize, startIndex, false);
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

/* ---- the one-octet qualifier types (M_EI_NA_1, C_IC_NA_1, C_CI_NA_1, C_RP_NA_1, P_AC_NA_1) */

using EndOfInitializationCoding =
    ObjectCoding<sEndOfInitialization, M_EI_NA_1, OctetPayload<&sEndOfInitialization::coi>>;
using InterrogationCoding =
    ObjectCoding<sInterrogationCommand, C_IC_NA_1, OctetPayload<&sInterrogationCommand::qoi>>;
using CounterInterrogationCoding = ObjectCoding<sCounterInterrogationCommand, C_CI_NA_1,
                                                OctetPayload<&sCounterInterrogationCommand::qcc>>;
using ResetProcessCoding =
    ObjectCoding<sResetProcessCommand, C_RP_NA_1, OctetPayload<&sResetProcessCommand::qrp>>;
using ParameterActivationCoding =
    ObjectCoding<sParameterActivation, P_AC_NA_1, OctetPayload<&sParameterActivation::qpa>>;

EndOfInitialization EndOfInitialization_create(EndOfInitialization self, uint8_t coi)
{
    self = EndOfInitializationCoding::prepare(self, 0);
    if (self != nullptr)
        self->coi = coi;
    return self;
}

DEFINE_DESTROY(EndOfInitialization)

EndOfInitialization EndOfInitialization_getFromBuffer(EndOfInitialization self,
                                                      CS101_AppLayerParameters parameters,
                                                      uint8_t* msg, int msgSize, int startIndex)
{
    return EndOfInitializationCoding::decode(self, parameters, msg, msgSize, startIndex, false);
}

uint8_t EndOfInitialization_getCOI(EndOfInitialization self)
{
    return self->coi;
}

InterrogationCommand InterrogationCommand_create(InterrogationCommand self, int ioa, uint8_t qoi)
{
    self = InterrogationCoding::prepare(self, ioa);
    if (self != nullptr)
        self->qoi = qoi;
    return self;
}

DEFINE_DESTROY(InterrogationCommand)

InterrogationCommand InterrogationCommand_getFromBuffer(InterrogationCommand self,
                                                        CS101_AppLayerParameters parameters,
                                                        uint8_t* msg, int msgSize, int startIndex)
{
    return InterrogationCoding::decode(self, parameters, msg, msgSize, startIndex, false);
}

uint8_t InterrogationCommand_getQOI(InterrogationCommand self)
{
    return self->qoi;
}

CounterInterrogationCommand CounterInterrogationCommand_create(CounterInterrogationCommand self,
                                                               int ioa, QualifierOfCIC qcc)
{
    self = CounterInterrogationCoding::prepare(self, ioa);
    if (self != nullptr)
        self->qcc = qcc;
    return self;
}

DEFINE_DESTROY(CounterInterrogationCommand)

CounterInterrogationCommand
CounterInterrogationCommand_getFromBuffer(CounterInterrogationCommand self,
                                          CS101_AppLayerParameters parameters, uint8_t* msg,
                                          int msgSize, int startIndex)
{
    return CounterInterrogationCoding::decode(self, parameters, msg, msgSize, startIndex, false);
}

QualifierOfCIC CounterInterrogationCommand_getQCC(CounterInterrogationCommand self)
{
    return self->qcc;
}

ResetProcessCommand ResetProcessCommand_create(ResetProcessCommand self, int ioa,
                                               QualifierOfRPC qrp)
{
    self = ResetProcessCoding::prepare(self, ioa);
    if (self != nullptr)
        self->qrp = qrp;
    return self;
}

DEFINE_DESTROY(ResetProcessCommand)

ResetProcessCommand ResetProcessCommand_getFromBuffer(ResetProcessCommand self,
                                                      CS101_AppLayerParameters parameters,
                                                      uint8_t* msg, int msgSize, int startIndex)
{
    return ResetProcessCoding::decode(self, parameters, msg, msgSize, startIndex, false);
}

QualifierOfRPC ResetProcessCommand_getQRP(ResetProcessCommand self)
{
    return self->qrp;
}

ParameterActivation ParameterActivation_create(ParameterActivation self, int ioa,
                                               QualifierOfParameterActivation qpa)
{
    self = ParameterActivationCoding::prepare(self, ioa);
    if (self != nullptr)
        self->qpa = qpa;
    return self;
}

DEFINE_DESTROY(ParameterActivation)

ParameterActivation ParameterActivation_getFromBuffer(ParameterActivation self,
                                                      CS101_AppLayerParameters parameters,
                                                      uint8_t* msg, int msgSize, int startIndex)
{
    return ParameterActivationCoding::decode(self, parameters, msg, msgSize, startIndex, false);
}

QualifierOfParameterActivation ParameterActivation_getQuality(ParameterActivation self)
{
    return self->qpa;
}

/* ---- ReadCommand (C_RD_NA_1): the address only */

using ReadCoding = ObjectCoding<sReadCommand, C_RD_NA_1, NoPayload>;

ReadCommand ReadCommand_create(ReadCommand self, int ioa)
{
    return ReadCoding::prepare(self, ioa);
}

DEFINE_DESTROY(ReadCommand)

ReadCommand ReadCommand_getFromBuffer(ReadCommand self, CS101_AppLayerParameters parameters,
                                      uint8_t* msg, int msgSize, int startIndex)
{
    return ReadCoding::decode(self, parameters, msg, msgSize, startIndex, false);
}

/* ---- ClockSynchronizationCommand (C_CS_NA_1): CP56Time2a only */

using ClockSyncCoding =
    ObjectCoding<sClockSynchronizationCommand, C_CS_NA_1, NoPayload, CP56TimeTag>;

ClockSynchronizationCommand ClockSynchronizationCommand_create(ClockSynchronizationCommand self,
                                                               int ioa, CP56Time2a timestamp)
{
    self = ClockSyncCoding::prepare(self, ioa);
    if (self != nullptr)
        assignIfGiven(self->timestamp, timestamp);
    return self;
}

DEFINE_DESTROY(ClockSynchronizationCommand)

ClockSynchronizationCommand
ClockSynchronizationCommand_getFromBuffer(ClockSynchronizationCommand self,
                                          CS101_AppLayerParameters parameters, uint8_t* msg,
                                          int msgSize, int startIndex)
{
    return ClockSyncCoding::decode(self, parameters, msg, msgSize, startIndex, false);
}

CP56Time2a ClockSynchronizationCommand_getTime(ClockSynchronizationCommand self)
{
    return &self->timestamp;
}

/* ---- TestCommand (C_TS_NA_1): FBP, the fixed pattern 0x55CC */

namespace
{
struct TestPatternPayload {
    static constexpr int size = 2;
    template <typename Record> static void write(Frame frame, const Record* self)
    {
        Frame_setNextByte(frame, self->byte1);
        Frame_setNextByte(frame, self->byte2);
    }
    template <typename Record> static void read(Record* self, uint8_t* msg, int, int index)
    {
        self->byte1 = msg[index];
        self->byte2 = msg[index + 1];
    }
};
} // namespace

using TestCoding = ObjectCoding<sTestCommand, C_TS_NA_1, TestPatternPayload>;

TestCommand TestCommand_create(TestCommand self)
{
    self = TestCoding::prepare(self, 0);
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
    return TestCoding::decode(self, parameters, msg, msgSize, startIndex, false);
}

bool TestCommand_isValid(TestCommand self)
{
    return self->byte1 == 0xCC && self->byte2 == 0x55;
}

/* ---- DelayAcquisitionCommand (C_CD_NA_1): CP16Time2a */

namespace
{
struct DelayPayload {
    static constexpr int size = 2;
    template <typename Record> static void write(Frame frame, const Record* self)
    {
        appendTime(frame, self->delay.encodedValue, size);
    }
    template <typename Record> static void read(Record* self, uint8_t* msg, int msgSize, int index)
    {
        CP16Time2a_getFromBuffer(&self->delay, msg, msgSize, index);
    }
};
} // namespace

using DelayAcquisitionCoding = ObjectCoding<sDelayAcquisitionCommand, C_CD_NA_1, DelayPayload>;

DelayAcquisitionCommand DelayAcquisitionCommand_create(DelayAcquisitionCommand self, int ioa,
                                                       CP16Time2a delay)
{
    self = DelayAcquisitionCoding::prepare(self, ioa);
    if (self != nullptr)
        assignIfGiven(self->delay, delay);
    return self;
}

DEFINE_DESTROY(DelayAcquisitionCommand)

DelayAcquisitionCommand DelayAcquisitionCommand_getFromBuffer(DelayAcquisitionCommand self,
                                                              CS101_AppLayerParameters parameters,
                                                              uint8_t* msg, int msgSize,
                                                              int startIndex)
{
    return DelayAcquisitionCoding::decode(self, parameters, msg, msgSize, startIndex, false);
}

CP16Time2a DelayAcquisitionCommand_getDelay(DelayAcquisitionCommand self)
{
    return &self->delay;
}

/* =========================================================== file types */

/* ---- FileReady (F_FR_NA_1) */

namespace
{
struct FileReadyPayload {
    static constexpr int size = 6;
    template <typename Record> static void write(Frame frame, const Record* self)
    {
        writeUint16(frame, self->nof);
        writeUint24(frame, self->lengthOfFile);
        Frame_setNextByte(frame, self->frq);
    }
    template <typename Record> static void read(Record* self, uint8_t* msg, int, int index)
    {
        self->nof = static_cast<uint16_t>(readUint16(msg, index));
        self->lengthOfFile = readUint24(msg, index + 2);
        self->frq = msg[index + 5];
    }
};
} // namespace

using FileReadyCoding = ObjectCoding<sFileReady, F_FR_NA_1, FileReadyPayload>;

FileReady FileReady_create(FileReady self, int ioa, uint16_t nof, uint32_t lengthOfFile,
                           bool positive)
{
    self = FileReadyCoding::prepare(self, ioa);
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
    return FileReadyCoding::decode(self, parameters, msg, msgSize, startIndex, false);
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

namespace
{
struct SectionReadyPayload {
    static constexpr int size = 7;
    template <typename Record> static void write(Frame frame, const Record* self)
    {
        writeUint16(frame, self->nof);
        Frame_setNextByte(frame, self->nameOfSection);
        writeUint24(frame, self->lengthOfSection);
        Frame_setNextByte(frame, self->srq);
    }
    template <typename Record> static void read(Record* self, uint8_t* msg, int, int index)
    {
        self->nof = static_cast<uint16_t>(readUint16(msg, index));
        self->nameOfSection = msg[index + 2];
        self->lengthOfSection = readUint24(msg, index + 3);
        self->srq = msg[index + 6];
    }
};
} // namespace

using SectionReadyCoding = ObjectCoding<sSectionReady, F_SR_NA_1, SectionReadyPayload>;

SectionReady SectionReady_create(SectionReady self, int ioa, uint16_t nof, uint8_t nos,
                                 uint32_t lengthOfSection, bool notReady)
{
    self = SectionReadyCoding::prepare(self, ioa);
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
    return SectionReadyCoding::decode(self, parameters, msg, msgSize, startIndex, false);
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

namespace
{
struct FileCallOrSelectPayload {
    static constexpr int size = 4;
    template <typename Record> static void write(Frame frame, const Record* self)
    {
        writeUint16(frame, self->nof);
        Frame_setNextByte(frame, self->nameOfSection);
        Frame_setNextByte(frame, self->scq);
    }
    template <typename Record> static void read(Record* self, uint8_t* msg, int, int index)
    {
        self->nof = static_cast<uint16_t>(readUint16(msg, index));
        self->nameOfSection = msg[index + 2];
        self->scq = msg[index + 3];
    }
};
} // namespace

using FileCallOrSelectCoding = ObjectCoding<sFileCallOrSelect, F_SC_NA_1, FileCallOrSelectPayload>;

FileCallOrSelect FileCallOrSelect_create(FileCallOrSelect self, int ioa, uint16_t nof, uint8_t nos,
                                         uint8_t scq)
{
    self = FileCallOrSelectCoding::prepare(self, ioa);
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
    return FileCallOrSelectCoding::decode(self, parameters, msg, msgSize, startIndex, false);
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

namespace
{
struct FileLastSegmentOrSectionPayload {
    static constexpr int size = 5;
    template <typename Record> static void write(Frame frame, const Record* self)
    {
        writeUint16(frame, self->nof);
        Frame_setNextByte(frame, self->nameOfSection);
        Frame_setNextByte(frame, self->lsq);
        Frame_setNextByte(frame, self->chs);
    }
    template <typename Record> static void read(Record* self, uint8_t* msg, int, int index)
    {
        self->nof = static_cast<uint16_t>(readUint16(msg, index));
        self->nameOfSection = msg[index + 2];
        self->lsq = msg[index + 3];
        self->chs = msg[index + 4];
    }
};
} // namespace

using FileLastSegmentOrSectionCoding =
    ObjectCoding<sFileLastSegmentOrSection, F_LS_NA_1, FileLastSegmentOrSectionPayload>;

FileLastSegmentOrSection FileLastSegmentOrSection_create(FileLastSegmentOrSection self, int ioa,
                                                         uint16_t nof, uint8_t nos, uint8_t lsq,
                                                         uint8_t chs)
{
    self = FileLastSegmentOrSectionCoding::prepare(self, ioa);
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
    return FileLastSegmentOrSectionCoding::decode(self, parameters, msg, msgSize, startIndex,
                                                  false);
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

namespace
{
struct FileACKPayload {
    static constexpr int size = 4;
    template <typename Record> static void write(Frame frame, const Record* self)
    {
        writeUint16(frame, self->nof);
        Frame_setNextByte(frame, self->nameOfSection);
        Frame_setNextByte(frame, self->afq);
    }
    template <typename Record> static void read(Record* self, uint8_t* msg, int, int index)
    {
        self->nof = static_cast<uint16_t>(readUint16(msg, index));
        self->nameOfSection = msg[index + 2];
        self->afq = msg[index + 3];
    }
};
} // namespace

using FileACKCoding = ObjectCoding<sFileACK, F_AF_NA_1, FileACKPayload>;

FileACK FileACK_create(FileACK self, int ioa, uint16_t nof, uint8_t nos, uint8_t afq)
{
    self = FileACKCoding::prepare(self, ioa);
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
    return FileACKCoding::decode(self, parameters, msg, msgSize, startIndex, false);
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

namespace
{
/* NOF, LOF (3 octets), SOF, creation time (CP56Time2a). */
struct FileDirectoryPayload {
    static constexpr int size = 13;
    template <typename Record> static void write(Frame frame, const Record* self)
    {
        writeUint16(frame, self->nof);
        writeUint24(frame, static_cast<uint32_t>(self->lengthOfFile));
        Frame_setNextByte(frame, self->sof);
        appendTime(frame, self->creationTime.encodedValue, 7);
    }
    template <typename Record> static void read(Record* self, uint8_t* msg, int msgSize, int index)
    {
        self->nof = static_cast<uint16_t>(readUint16(msg, index));
        self->lengthOfFile = static_cast<int>(readUint24(msg, index + 2));
        self->sof = msg[index + 5];
        CP56Time2a_getFromBuffer(&self->creationTime, msg, msgSize, index + 6);
    }
};
} // namespace

using FileDirectoryCoding = ObjectCoding<sFileDirectory, F_DR_TA_1, FileDirectoryPayload>;

FileDirectory FileDirectory_create(FileDirectory self, int ioa, uint16_t nof, int lengthOfFile,
                                   uint8_t sof, CP56Time2a creationTime)
{
    self = FileDirectoryCoding::prepare(self, ioa);
    if (self == nullptr)
        return nullptr;
    self->nof = nof;
    self->lengthOfFile = lengthOfFile;
    self->sof = sof;
    assignIfGiven(self->creationTime, creationTime);
    return self;
}

DEFINE_DESTROY(FileDirectory)

FileDirectory FileDirectory_getFromBuffer(FileDirectory self, CS101_AppLayerParameters parameters,
                                          uint8_t* msg, int msgSize, int startIndex,
                                          bool isSequence)
{
    return FileDirectoryCoding::decode(self, parameters, msg, msgSize, startIndex, isSequence);
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

/* Its element size depends on LOS, so the type has its own encode and decode. */
static const ObjectKind fileSegmentKind = {F_SG_NA_1, {FileSegment_encode, destroyRecord}};

FileSegment FileSegment_create(FileSegment self, int ioa, uint16_t nof, uint8_t nos, uint8_t* data,
                               uint8_t los)
{
    self = prepareRecord(self, ioa, fileSegmentKind);
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
    self =
        beginDecode(self, parameters, msg, msgSize, &startIndex, 4 + los, false, fileSegmentKind);
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
