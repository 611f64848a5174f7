// SPDX-License-Identifier: Apache-2.0
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
 * written once, in ObjectCoding below, and so are the payload codings (one per
 * family, shared by a base type and its time-tagged variants) and the create
 * templates. Each type is then described once, in the table
 * cs101_information_objects.def: its type identification, payload coding,
 * time tag, decode signature, create parameters and accessors. The table is
 * expanded here into the public functions, the operation tables and the size
 * tables. TestCommand (fixed pattern, no address) and FileSegment (size given
 * by its LOS octet) have their own create, and FileSegment its own coding.
 */
#include "cs101_information_objects.h"
#include "information_objects_internal.h"
#include "lib_memory.h"

#include <cmath>
#include <cstring>
#include <type_traits>

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

/*
 * An object is built here and handed to the frame in one append: one call
 * per object instead of one per octet. The largest object is a file
 * segment of 255 octets with its address and header.
 */
struct ObjectOctets {
    uint8_t octets[3 + 4 + 255];
    int size = 0;
};

static void put(ObjectOctets& out, uint8_t octet)
{
    out.octets[out.size++] = octet;
}

static void putBytes(ObjectOctets& out, const uint8_t* octets, int size)
{
    if (size <= 0)
        return;
    memcpy(out.octets + out.size, octets, static_cast<size_t>(size));
    out.size += size;
}

/* Start of every encoder: room in the frame for the whole object, then the
 * address into out. */
static bool beginEncode(InformationObject self, Frame frame, CS101_AppLayerParameters parameters,
                        int elementSize, bool isSequence, ObjectOctets& out)
{
    const int needed = elementSize + (isSequence ? 0 : parameters->sizeOfIOA);
    if (Frame_getSpaceLeft(frame) < needed || needed > static_cast<int>(sizeof out.octets))
        return false;
    if (!isSequence) {
        const unsigned int ioa = static_cast<unsigned int>(self->objectAddress);
        put(out, static_cast<uint8_t>(ioa & 0xFF));
        if (parameters->sizeOfIOA > 1)
            put(out, static_cast<uint8_t>((ioa >> 8) & 0xFF));
        if (parameters->sizeOfIOA > 2)
            put(out, static_cast<uint8_t>((ioa >> 16) & 0xFF));
    }
    return true;
}

static void writeUint16(ObjectOctets& out, uint32_t value)
{
    put(out, static_cast<uint8_t>(value & 0xFF));
    put(out, static_cast<uint8_t>((value >> 8) & 0xFF));
}

static void writeUint24(ObjectOctets& out, uint32_t value)
{
    writeUint16(out, value);
    put(out, static_cast<uint8_t>((value >> 16) & 0xFF));
}

static void writeUint32(ObjectOctets& out, uint32_t value)
{
    writeUint16(out, value);
    writeUint16(out, value >> 16);
}

static void writeFloat(ObjectOctets& out, float value)
{
    uint32_t bits;
    memcpy(&bits, &value, sizeof(bits));
    writeUint32(out, bits);
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

static void appendTime(ObjectOctets& out, const uint8_t* octets, int size)
{
    putBytes(out, octets, size);
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
 *   write(out, self)                   appends exactly `size` octets
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
    template <typename Record> static void write(ObjectOctets&, const Record*) {}
    template <typename Record> static void read(Record*, uint8_t*, int, int) {}
};

/* CP24Time2a in the record's `timestamp`. */
struct CP24TimeTag {
    static constexpr int size = 3;
    template <typename Record> static void write(ObjectOctets& out, const Record* self)
    {
        appendTime(out, self->timestamp.encodedValue, size);
    }
    template <typename Record> static void read(Record* self, uint8_t* msg, int msgSize, int index)
    {
        CP24Time2a_getFromBuffer(&self->timestamp, msg, msgSize, index);
    }
};

/* CP56Time2a in the record's `timestamp`. */
struct CP56TimeTag {
    static constexpr int size = 7;
    template <typename Record> static void write(ObjectOctets& out, const Record* self)
    {
        appendTime(out, self->timestamp.encodedValue, size);
    }
    template <typename Record> static void read(Record* self, uint8_t* msg, int msgSize, int index)
    {
        CP56Time2a_getFromBuffer(&self->timestamp, msg, msgSize, index);
    }
};

/* No payload (C_RD_NA_1, and C_CS_NA_1 whose element is its time tag). */
struct NoPayload {
    static constexpr int size = 0;
    template <typename Record> static void write(ObjectOctets&, const Record*) {}
    template <typename Record> static void read(Record*, uint8_t*, int, int) {}
};

/* One octet held as is in the record field `Field` (qualifiers, command octets). */
template <auto Field> struct OctetPayload {
    static constexpr auto field = Field;
    static constexpr int size = 1;
    template <typename Record> static void write(ObjectOctets& out, const Record* self)
    {
        put(out, self->*Field);
    }
    template <typename Record> static void read(Record* self, uint8_t* msg, int, int index)
    {
        self->*Field = msg[index];
    }
};

/* Operation table, encode and decode of one type (see the top of this section). */
template <typename Record, TypeID Type, typename Payload, typename TimeTag = NoTimeTag>
struct ObjectCoding {
    using PayloadCoding = Payload;
    using RecordType = Record;
    static constexpr int elementSize = Payload::size + TimeTag::size;
    static const ObjectKind kind;

    static bool encode(InformationObject object, Frame frame, CS101_AppLayerParameters parameters,
                       bool isSequence)
    {
        const Record* self = reinterpret_cast<const Record*>(object);
        ObjectOctets out;
        if (!beginEncode(object, frame, parameters, elementSize, isSequence, out))
            return false;
        Payload::write(out, self);
        TimeTag::write(out, self);
        Frame_appendBytes(frame, out.octets, out.size);
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

/* ======================================================== payload codings */

namespace
{

/* ---- single points (M_SP_NA_1, M_SP_TA_1, M_SP_TB_1): SIQ */

struct SinglePointPayload {
    static constexpr int size = 1;
    template <typename Record> static void write(ObjectOctets& out, const Record* self)
    {
        put(out, singlePointOctet(self->value, self->quality));
    }
    template <typename Record> static void read(Record* self, uint8_t* msg, int, int index)
    {
        self->value = (msg[index] & 0x01) != 0;
        self->quality = static_cast<QualityDescriptor>(msg[index] & 0xF0);
    }
};

/* ---- double points (M_DP_NA_1, M_DP_TA_1, M_DP_TB_1): DIQ */

struct DoublePointPayload {
    static constexpr int size = 1;
    template <typename Record> static void write(ObjectOctets& out, const Record* self)
    {
        put(out, doublePointOctet(self->value, self->quality));
    }
    template <typename Record> static void read(Record* self, uint8_t* msg, int, int index)
    {
        self->value = static_cast<DoublePointValue>(msg[index] & 0x03);
        self->quality = static_cast<QualityDescriptor>(msg[index] & 0xF0);
    }
};

/* ---- step positions (M_ST_NA_1, M_ST_TA_1, M_ST_TB_1): VTI, QDS */

struct StepPositionPayload {
    static constexpr int size = 2;
    template <typename Record> static void write(ObjectOctets& out, const Record* self)
    {
        put(out, self->vti);
        put(out, self->quality);
    }
    template <typename Record> static void read(Record* self, uint8_t* msg, int, int index)
    {
        self->vti = msg[index];
        self->quality = msg[index + 1];
    }
};

/* ---- bit strings (M_BO_NA_1, M_BO_TA_1, M_BO_TB_1): BSI (4 octets), QDS */

struct BitString32Payload {
    static constexpr int size = 5;
    template <typename Record> static void write(ObjectOctets& out, const Record* self)
    {
        writeUint32(out, self->value);
        put(out, self->quality);
    }
    template <typename Record> static void read(Record* self, uint8_t* msg, int, int index)
    {
        self->value = readUint32(msg, index);
        self->quality = msg[index + 4];
    }
};

struct EncodedValueWithQualityPayload {
    static constexpr int size = 3;
    template <typename Record> static void write(ObjectOctets& out, const Record* self)
    {
        putBytes(out, self->encodedValue, 2);
        put(out, self->quality);
    }
    template <typename Record> static void read(Record* self, uint8_t* msg, int, int index)
    {
        self->encodedValue[0] = msg[index];
        self->encodedValue[1] = msg[index + 1];
        self->quality = msg[index + 2];
    }
};

/* ---- short floating point values (M_ME_NC_1, M_ME_TC_1, M_ME_TF_1): IEEE STD 754, QDS */

struct ShortValueWithQualityPayload {
    static constexpr int size = 5;
    template <typename Record> static void write(ObjectOctets& out, const Record* self)
    {
        writeFloat(out, self->value);
        put(out, self->quality);
    }
    template <typename Record> static void read(Record* self, uint8_t* msg, int, int index)
    {
        self->value = readFloat(msg, index);
        self->quality = msg[index + 4];
    }
};

/* ---- integrated totals (M_IT_NA_1, M_IT_TA_1, M_IT_TB_1): BCR (5 octets) */

struct CounterReadingPayload {
    static constexpr int size = 5;
    template <typename Record> static void write(ObjectOctets& out, const Record* self)
    {
        putBytes(out, self->totals.encodedValue, size);
    }
    template <typename Record> static void read(Record* self, uint8_t* msg, int, int index)
    {
        memcpy(self->totals.encodedValue, msg + index, size);
    }
};

/* SEP, elapsed time. */
struct ProtectionEventPayload {
    static constexpr int size = 3;
    template <typename Record> static void write(ObjectOctets& out, const Record* self)
    {
        put(out, self->event);
        appendTime(out, self->elapsedTime.encodedValue, 2);
    }
    template <typename Record> static void read(Record* self, uint8_t* msg, int msgSize, int index)
    {
        self->event = msg[index];
        CP16Time2a_getFromBuffer(&self->elapsedTime, msg, msgSize, index + 1);
    }
};

/* SPE, QDP, relay duration. */
struct StartEventsPayload {
    static constexpr int size = 4;
    template <typename Record> static void write(ObjectOctets& out, const Record* self)
    {
        put(out, self->event);
        put(out, self->qdp);
        appendTime(out, self->elapsedTime.encodedValue, 2);
    }
    template <typename Record> static void read(Record* self, uint8_t* msg, int msgSize, int index)
    {
        self->event = msg[index];
        self->qdp = msg[index + 1];
        CP16Time2a_getFromBuffer(&self->elapsedTime, msg, msgSize, index + 2);
    }
};

/* OCI, QDP, relay operating time. */
struct OutputCircuitPayload {
    static constexpr int size = 4;
    template <typename Record> static void write(ObjectOctets& out, const Record* self)
    {
        put(out, self->oci);
        put(out, self->qdp);
        appendTime(out, self->operatingTime.encodedValue, 2);
    }
    template <typename Record> static void read(Record* self, uint8_t* msg, int msgSize, int index)
    {
        self->oci = msg[index];
        self->qdp = msg[index + 1];
        CP16Time2a_getFromBuffer(&self->operatingTime, msg, msgSize, index + 2);
    }
};

/* ---- PackedSinglePointWithSCD (M_PS_NA_1): SCD (4 octets), QDS */

struct SinglePointsWithSCDPayload {
    static constexpr int size = 5;
    template <typename Record> static void write(ObjectOctets& out, const Record* self)
    {
        putBytes(out, self->scd.encodedValue, 4);
        put(out, self->qds);
    }
    template <typename Record> static void read(Record* self, uint8_t* msg, int, int index)
    {
        memcpy(self->scd.encodedValue, msg + index, 4);
        self->qds = msg[index + 4];
    }
};

/* ---- MeasuredValueNormalizedWithoutQuality (M_ME_ND_1): NVA only */

struct EncodedValuePayload {
    static constexpr int size = 2;
    template <typename Record> static void write(ObjectOctets& out, const Record* self)
    {
        putBytes(out, self->encodedValue, 2);
    }
    template <typename Record> static void read(Record* self, uint8_t* msg, int, int index)
    {
        self->encodedValue[0] = msg[index];
        self->encodedValue[1] = msg[index + 1];
    }
};

struct EncodedValueWithQosPayload {
    static constexpr int size = 3;
    template <typename Record> static void write(ObjectOctets& out, const Record* self)
    {
        putBytes(out, self->encodedValue, 2);
        put(out, self->qos);
    }
    template <typename Record> static void read(Record* self, uint8_t* msg, int, int index)
    {
        self->encodedValue[0] = msg[index];
        self->encodedValue[1] = msg[index + 1];
        self->qos = msg[index + 2];
    }
};

/* ---- short floating point set-points (C_SE_NC_1, C_SE_TC_1): IEEE STD 754, QOS */

struct ShortValueWithQosPayload {
    static constexpr int size = 5;
    template <typename Record> static void write(ObjectOctets& out, const Record* self)
    {
        writeFloat(out, self->value);
        put(out, self->qos);
    }
    template <typename Record> static void read(Record* self, uint8_t* msg, int, int index)
    {
        self->value = readFloat(msg, index);
        self->qos = msg[index + 4];
    }
};

/* ---- bit string commands (C_BO_NA_1, C_BO_TA_1): BSI (4 octets) */

struct BitString32CommandPayload {
    static constexpr int size = 4;
    template <typename Record> static void write(ObjectOctets& out, const Record* self)
    {
        writeUint32(out, self->value);
    }
    template <typename Record> static void read(Record* self, uint8_t* msg, int, int index)
    {
        self->value = readUint32(msg, index);
    }
};

/* ---- TestCommand (C_TS_NA_1): FBP, the fixed pattern 0x55CC */

struct TestPatternPayload {
    static constexpr int size = 2;
    template <typename Record> static void write(ObjectOctets& out, const Record* self)
    {
        put(out, self->byte1);
        put(out, self->byte2);
    }
    template <typename Record> static void read(Record* self, uint8_t* msg, int, int index)
    {
        self->byte1 = msg[index];
        self->byte2 = msg[index + 1];
    }
};

/* ---- DelayAcquisitionCommand (C_CD_NA_1): CP16Time2a */

struct DelayPayload {
    static constexpr int size = 2;
    template <typename Record> static void write(ObjectOctets& out, const Record* self)
    {
        appendTime(out, self->delay.encodedValue, size);
    }
    template <typename Record> static void read(Record* self, uint8_t* msg, int msgSize, int index)
    {
        CP16Time2a_getFromBuffer(&self->delay, msg, msgSize, index);
    }
};

/* ---- FileReady (F_FR_NA_1) */

struct FileReadyPayload {
    static constexpr int size = 6;
    template <typename Record> static void write(ObjectOctets& out, const Record* self)
    {
        writeUint16(out, self->nof);
        writeUint24(out, self->lengthOfFile);
        put(out, self->frq);
    }
    template <typename Record> static void read(Record* self, uint8_t* msg, int, int index)
    {
        self->nof = static_cast<uint16_t>(readUint16(msg, index));
        self->lengthOfFile = readUint24(msg, index + 2);
        self->frq = msg[index + 5];
    }
};

/* ---- SectionReady (F_SR_NA_1) */

struct SectionReadyPayload {
    static constexpr int size = 7;
    template <typename Record> static void write(ObjectOctets& out, const Record* self)
    {
        writeUint16(out, self->nof);
        put(out, self->nameOfSection);
        writeUint24(out, self->lengthOfSection);
        put(out, self->srq);
    }
    template <typename Record> static void read(Record* self, uint8_t* msg, int, int index)
    {
        self->nof = static_cast<uint16_t>(readUint16(msg, index));
        self->nameOfSection = msg[index + 2];
        self->lengthOfSection = readUint24(msg, index + 3);
        self->srq = msg[index + 6];
    }
};

/* ---- FileCallOrSelect (F_SC_NA_1) */

struct FileCallOrSelectPayload {
    static constexpr int size = 4;
    template <typename Record> static void write(ObjectOctets& out, const Record* self)
    {
        writeUint16(out, self->nof);
        put(out, self->nameOfSection);
        put(out, self->scq);
    }
    template <typename Record> static void read(Record* self, uint8_t* msg, int, int index)
    {
        self->nof = static_cast<uint16_t>(readUint16(msg, index));
        self->nameOfSection = msg[index + 2];
        self->scq = msg[index + 3];
    }
};

/* ---- FileLastSegmentOrSection (F_LS_NA_1) */

struct FileLastSegmentOrSectionPayload {
    static constexpr int size = 5;
    template <typename Record> static void write(ObjectOctets& out, const Record* self)
    {
        writeUint16(out, self->nof);
        put(out, self->nameOfSection);
        put(out, self->lsq);
        put(out, self->chs);
    }
    template <typename Record> static void read(Record* self, uint8_t* msg, int, int index)
    {
        self->nof = static_cast<uint16_t>(readUint16(msg, index));
        self->nameOfSection = msg[index + 2];
        self->lsq = msg[index + 3];
        self->chs = msg[index + 4];
    }
};

/* ---- FileACK (F_AF_NA_1) */

struct FileACKPayload {
    static constexpr int size = 4;
    template <typename Record> static void write(ObjectOctets& out, const Record* self)
    {
        writeUint16(out, self->nof);
        put(out, self->nameOfSection);
        put(out, self->afq);
    }
    template <typename Record> static void read(Record* self, uint8_t* msg, int, int index)
    {
        self->nof = static_cast<uint16_t>(readUint16(msg, index));
        self->nameOfSection = msg[index + 2];
        self->afq = msg[index + 3];
    }
};

/* ---- FileDirectory (F_DR_TA_1) */

/* NOF, LOF (3 octets), SOF, creation time (CP56Time2a). */
struct FileDirectoryPayload {
    static constexpr int size = 13;
    template <typename Record> static void write(ObjectOctets& out, const Record* self)
    {
        writeUint16(out, self->nof);
        writeUint24(out, static_cast<uint32_t>(self->lengthOfFile));
        put(out, self->sof);
        appendTime(out, self->creationTime.encodedValue, 7);
    }
    template <typename Record> static void read(Record* self, uint8_t* msg, int msgSize, int index)
    {
        self->nof = static_cast<uint16_t>(readUint16(msg, index));
        self->lengthOfFile = static_cast<int>(readUint24(msg, index + 2));
        self->sof = msg[index + 5];
        CP56Time2a_getFromBuffer(&self->creationTime, msg, msgSize, index + 6);
    }
};

/* NOF, NOS, LOS: the fixed part of FileSegment; its LOS data octets follow (see FileSegment). */
struct FileSegmentFixedPayload {
    static constexpr int size = 4;
};

} // namespace

/* ====================================================== create templates */

/*
 * T_create of the table: Coding is the type's ObjectCoding; each template
 * clears or allocates the record, sets the base fields and the given fields,
 * and passes null through when out of memory. The time tag, if any, is set by
 * the table expansion afterwards (withTimestamp).
 */

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

/* Also the create of the bit string commands: the value only (a monitored QDS stays 0). */
template <typename Coding, typename Record>
static Record* createBitString32(Record* self, int ioa, uint32_t value)
{
    self = Coding::prepare(self, ioa);
    if (self != nullptr)
        self->value = value;
    return self;
}

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

template <typename Coding, typename Record>
static Record* createTotals(Record* self, int ioa, BinaryCounterReading value)
{
    self = Coding::prepare(self, ioa);
    if (self != nullptr)
        assignIfGiven(self->totals, value);
    return self;
}

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

template <typename Coding, typename Record>
static Record* createSingleCommand(Record* self, int ioa, bool command, bool selectCommand, int qu)
{
    self = Coding::prepare(self, ioa);
    if (self != nullptr)
        self->sco = commandOctet(command ? 1 : 0, 1, selectCommand, qu);
    return self;
}

/* Also the create of the regulating step commands: both code a 2-bit state in `dcq`. */
template <typename Coding, typename Record>
static Record* createTwoBitCommand(Record* self, int ioa, int command, bool selectCommand, int qu)
{
    self = Coding::prepare(self, ioa);
    if (self != nullptr)
        self->dcq = commandOctet(command, 3, selectCommand, qu);
    return self;
}

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

/* C_SE_NA_1: value * 32767.5 - 0.5 in double precision, truncated. */
template <typename Coding, typename Record>
static Record* createSetpointNormalized(Record* self, int ioa, float value, bool selectCommand,
                                        int ql)
{
    self = Coding::prepare(self, ioa);
    if (self != nullptr) {
        setScaledValue(self->encodedValue,
                       truncToLow16(static_cast<double>(value) * 32767.5 - 0.5));
        self->qos = qosOctet(selectCommand, ql);
    }
    return self;
}

/* C_SE_TA_1 codes value * 32767 in single precision, truncated, unlike C_SE_NA_1; both
 * read back through getSetpointNormalizedValue. Kept apart so neither wire coding changes. */
template <typename Coding, typename Record>
static Record* createSetpointNormalizedTimed(Record* self, int ioa, float value, bool selectCommand,
                                             int ql)
{
    self = Coding::prepare(self, ioa);
    if (self != nullptr) {
        setScaledValue(self->encodedValue, truncToLow16(static_cast<double>(value * 32767.0f)));
        self->qos = qosOctet(selectCommand, ql);
    }
    return self;
}

template <typename Coding, typename Record>
static Record* createPackedSinglePoint(Record* self, int ioa, StatusAndStatusChangeDetection scd,
                                       QualityDescriptor qds)
{
    self = Coding::prepare(self, ioa);
    if (self != nullptr) {
        assignIfGiven(self->scd, scd);
        self->qds = qds;
    }
    return self;
}

template <typename Coding, typename Record>
static Record* createNormalizedWithoutQuality(Record* self, int ioa, float value)
{
    self = Coding::prepare(self, ioa);
    if (self != nullptr)
        setNormalizedValueWithoutQuality(self->encodedValue, value);
    return self;
}

/* The types with nothing but their address (and a time tag set afterwards). */
template <typename Coding, typename Record> static Record* createAddressOnly(Record* self, int ioa)
{
    return Coding::prepare(self, ioa);
}

/* The one-octet qualifier types: the octet goes to the field of their OctetPayload. */
template <typename Coding, typename Record>
static Record* createQualifier(Record* self, int ioa, uint8_t qualifier)
{
    self = Coding::prepare(self, ioa);
    if (self != nullptr)
        self->*Coding::PayloadCoding::field = qualifier;
    return self;
}

/* M_EI_NA_1 has no address of its own: it is always 0. */
template <typename Coding, typename Record>
static Record* createEndOfInitialization(Record* self, uint8_t coi)
{
    return createQualifier<Coding>(self, 0, coi);
}

template <typename Coding, typename Record>
static Record* createDelayAcquisition(Record* self, int ioa, CP16Time2a delay)
{
    self = Coding::prepare(self, ioa);
    if (self != nullptr)
        assignIfGiven(self->delay, delay);
    return self;
}

template <typename Coding, typename Record>
static Record* createFileReady(Record* self, int ioa, uint16_t nof, uint32_t lengthOfFile,
                               bool positive)
{
    self = Coding::prepare(self, ioa);
    if (self != nullptr) {
        self->nof = nof;
        self->lengthOfFile = lengthOfFile;
        self->frq = positive ? 0x80 : 0;
    }
    return self;
}

template <typename Coding, typename Record>
static Record* createSectionReady(Record* self, int ioa, uint16_t nof, uint8_t nos,
                                  uint32_t lengthOfSection, bool notReady)
{
    self = Coding::prepare(self, ioa);
    if (self != nullptr) {
        self->nof = nof;
        self->nameOfSection = nos;
        self->lengthOfSection = lengthOfSection;
        self->srq = notReady ? 0x80 : 0;
    }
    return self;
}

template <typename Coding, typename Record>
static Record* createFileCallOrSelect(Record* self, int ioa, uint16_t nof, uint8_t nos, uint8_t scq)
{
    self = Coding::prepare(self, ioa);
    if (self != nullptr) {
        self->nof = nof;
        self->nameOfSection = nos;
        self->scq = scq;
    }
    return self;
}

template <typename Coding, typename Record>
static Record* createFileLastSegmentOrSection(Record* self, int ioa, uint16_t nof, uint8_t nos,
                                              uint8_t lsq, uint8_t chs)
{
    self = Coding::prepare(self, ioa);
    if (self != nullptr) {
        self->nof = nof;
        self->nameOfSection = nos;
        self->lsq = lsq;
        self->chs = chs;
    }
    return self;
}

template <typename Coding, typename Record>
static Record* createFileACK(Record* self, int ioa, uint16_t nof, uint8_t nos, uint8_t afq)
{
    self = Coding::prepare(self, ioa);
    if (self != nullptr) {
        self->nof = nof;
        self->nameOfSection = nos;
        self->afq = afq;
    }
    return self;
}

template <typename Coding, typename Record>
static Record* createFileDirectory(Record* self, int ioa, uint16_t nof, int lengthOfFile,
                                   uint8_t sof, CP56Time2a creationTime)
{
    self = Coding::prepare(self, ioa);
    if (self != nullptr) {
        self->nof = nof;
        self->lengthOfFile = lengthOfFile;
        self->sof = sof;
        assignIfGiven(self->creationTime, creationTime);
    }
    return self;
}

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

/* ===================================================== table expansion */

/*
 * Rows of cs101_information_objects.def:
 *   IO_OBJECT(Name, TypeID, Payload, Time, Decode, Create, (Params), (Args))
 *   IO_OBJECT_OWN_CREATE(Name, TypeID, Payload, Time, Decode)
 *   IO_GET(Name, Method, Result, Expression over self)
 *   IO_SET(Name, Method, Value type, Statement over self and value)
 * Name is the public handle (a pointer to the record); Time is NONE, CP24 or
 * CP56; Decode is SEQ (T_getFromBuffer takes isSequence), ADDR (always
 * addressed) or OWN (written out by hand). T_create takes (self, Params) and,
 * when the type has a time tag, the time tag last; it calls
 * Create<NameCoding>(self, Args) and then sets the time tag.
 */

#define IO_UNPACK(...) __VA_ARGS__
#define IO_RECORD(Name) std::remove_pointer_t<Name>

#define IO_TIME_TAG_NONE NoTimeTag
#define IO_TIME_TAG_CP24 CP24TimeTag
#define IO_TIME_TAG_CP56 CP56TimeTag
#define IO_TIME_PARAMETER_NONE
#define IO_TIME_PARAMETER_CP24 , CP24Time2a timestamp
#define IO_TIME_PARAMETER_CP56 , CP56Time2a timestamp
#define IO_SET_TIME_NONE(record) record
#define IO_SET_TIME_CP24(record) withTimestamp(record, timestamp)
#define IO_SET_TIME_CP56(record) withTimestamp(record, timestamp)

#define IO_DECODE_SEQ(Name)                                                                        \
    Name Name##_getFromBuffer(Name self, CS101_AppLayerParameters parameters, uint8_t* msg,        \
                              int msgSize, int startIndex, bool isSequence)                        \
    {                                                                                              \
        return Name##Coding::decode(self, parameters, msg, msgSize, startIndex, isSequence);       \
    }
#define IO_DECODE_ADDR(Name)                                                                       \
    Name Name##_getFromBuffer(Name self, CS101_AppLayerParameters parameters, uint8_t* msg,        \
                              int msgSize, int startIndex)                                         \
    {                                                                                              \
        return Name##Coding::decode(self, parameters, msg, msgSize, startIndex, false);            \
    }
#define IO_DECODE_OWN(Name)

/* Pass 1: the coding of every type. */
#define IO_OBJECT_OWN_CREATE(Name, Type, Payload, Time, Decode)                                    \
    using Name##Coding = ObjectCoding<IO_RECORD(Name), Type, Payload, IO_TIME_TAG_##Time>;
#define IO_OBJECT(Name, Type, Payload, Time, Decode, Create, Params, Args)                         \
    IO_OBJECT_OWN_CREATE(Name, Type, Payload, Time, Decode)
#define IO_GET(Name, Method, Result, Expression)
#define IO_SET(Name, Method, Value, Statement)
#include "cs101_information_objects.def"
#undef IO_OBJECT_OWN_CREATE
#undef IO_OBJECT

/* Pass 2: the public functions. */
#define IO_OBJECT_OWN_CREATE(Name, Type, Payload, Time, Decode)                                    \
    void Name##_destroy(Name self)                                                                 \
    {                                                                                              \
        Memory_free(self);                                                                         \
    }                                                                                              \
    IO_DECODE_##Decode(Name)
#define IO_OBJECT(Name, Type, Payload, Time, Decode, Create, Params, Args)                         \
    Name Name##_create(Name self, IO_UNPACK Params IO_TIME_PARAMETER_##Time)                       \
    {                                                                                              \
        return IO_SET_TIME_##Time(Create<Name##Coding>(self, IO_UNPACK Args));                     \
    }                                                                                              \
    IO_OBJECT_OWN_CREATE(Name, Type, Payload, Time, Decode)
#undef IO_GET
#define IO_GET(Name, Method, Result, Expression)                                                   \
    Result Name##_##Method(Name self)                                                              \
    {                                                                                              \
        return Expression;                                                                         \
    }
#undef IO_SET
#define IO_SET(Name, Method, Value, Statement)                                                     \
    void Name##_##Method(Name self, Value value)                                                   \
    {                                                                                              \
        Statement;                                                                                 \
    }
#include "cs101_information_objects.def"
#undef IO_OBJECT_OWN_CREATE
#undef IO_OBJECT
#undef IO_GET
#undef IO_SET

/* ======================================================= own creates */

/* C_TS_NA_1: address 0 and the fixed test pattern. */
TestCommand TestCommand_create(TestCommand self)
{
    self = TestCommandCoding::prepare(self, 0);
    if (self == nullptr)
        return nullptr;
    self->byte1 = 0xCC;
    self->byte2 = 0x55;
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
    ObjectOctets out;
    if (!beginEncode(object, frame, parameters, FileSegmentCoding::elementSize + self->los,
                     isSequence, out))
        return false;
    writeUint16(out, self->nof);
    put(out, self->nameOfSection);
    put(out, self->los);
    putBytes(out, self->data, self->los);
    Frame_appendBytes(frame, out.octets, out.size);
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

FileSegment FileSegment_getFromBuffer(FileSegment self, CS101_AppLayerParameters parameters,
                                      uint8_t* msg, int msgSize, int startIndex)
{
    /* The fixed part first: only then is LOS known and the data length checkable. */
    const int fixedSize = FileSegmentCoding::elementSize;
    if (!objectFits(parameters, msg, msgSize, startIndex, fixedSize, false))
        return nullptr;
    const int losIndex = startIndex + addressOctetsNeeded(parameters, false) + 3;
    const int los = msg[losIndex];
    self = beginDecode(self, parameters, msg, msgSize, &startIndex, fixedSize + los, false,
                       fileSegmentKind);
    if (self == nullptr)
        return nullptr;
    self->nof = static_cast<uint16_t>(readUint16(msg, startIndex));
    self->nameOfSection = msg[startIndex + 2];
    self->los = static_cast<uint8_t>(los);
    self->data = msg + startIndex + fixedSize;
    return self;
}

/* ================================================= sizes from the table */

int InformationObject_getMaxSizeInMemory(void)
{
    static const size_t sizes[] = {
#define IO_OBJECT_OWN_CREATE(Name, Type, Payload, Time, Decode) sizeof(IO_RECORD(Name)),
#define IO_OBJECT(Name, Type, Payload, Time, Decode, Create, Params, Args)                         \
    IO_OBJECT_OWN_CREATE(Name, Type, Payload, Time, Decode)
#define IO_GET(Name, Method, Result, Expression)
#define IO_SET(Name, Method, Value, Statement)
#include "cs101_information_objects.def"
    };
    size_t largest = 0;
    for (size_t size : sizes)
        largest = size > largest ? size : largest;
    return static_cast<int>(largest);
}

int InformationObject_getElementSize(TypeID type)
{
    switch (type) {
#undef IO_OBJECT_OWN_CREATE
#define IO_OBJECT_OWN_CREATE(Name, Type, Payload, Time, Decode)                                    \
    case Type:                                                                                     \
        return Name##Coding::elementSize;
#include "cs101_information_objects.def"
    default:
        return -1;
    }
}

#undef IO_OBJECT_OWN_CREATE
#undef IO_OBJECT
#undef IO_GET
#undef IO_SET
