// SPDX-License-Identifier: Apache-2.0
/*
 * IEC 60870-5-101 application layer: application-layer sizes, type
 * identifications, causes of transmission, the ASDU object and the four
 * binary time tags.
 *
 * Ownership and lifetime:
 * - A CS101_ASDU from CS101_ASDU_create or CS101_ASDU_createFromBuffer belongs
 *   to its creator, who releases it with CS101_ASDU_destroy. One from
 *   CS101_ASDU_createFromBuffer only wraps the caller's octets (no copy): it
 *   is valid only while those octets are. A record initialised in place by
 *   CS101_ASDU_initializeStatic is never destroyed.
 * - Every ASDU borrows the CS101_AppLayerParameters record it was made with;
 *   that record must outlive it.
 * - Time tags are plain records holding their wire octets. Those embedded in
 *   information objects live and die with the object; one allocated by
 *   CP32Time2a_create or CP56Time2a_createFromMsTimestamp is released by the
 *   caller with Memory_free.
 * - Nothing here throws or prints; failures are results (null, false, -1).
 *
 * Application-layer sizes understood by the ASDU operations: sizeOfCOT 1 or
 * 2, sizeOfCA 1 or 2, sizeOfIOA 1, 2 or 3. CS101_ASDU_create,
 * CS101_ASDU_initializeStatic and CS101_ASDU_createFromBuffer refuse (null)
 * any other sizes, so no header or address can be misplaced.
 */
#ifndef IEC60870_COMMON_H
#define IEC60870_COMMON_H

#include <cstdint>

/* The byte sink of the encoders (frame.h has its operations). */
typedef struct sFrame* Frame;

/* Any information object (cs101_information_objects.h). */
typedef struct sInformationObject* InformationObject;

/* ------------------------------------------------------------------ sizes */

/*
 * Octet counts of the ASDU header fields and of information object addresses.
 * sizeOfTypeId and sizeOfVSQ are always coded as one octet; they only enter
 * FileSegment_GetMaxDataSize. originatorAddress is carried, not used by the
 * ASDU operations (they take the originator address as an argument).
 */
struct sCS101_AppLayerParameters {
    int sizeOfTypeId;
    int sizeOfVSQ;
    int sizeOfCOT;
    int originatorAddress;
    int sizeOfCA;
    int sizeOfIOA;
};

typedef struct sCS101_AppLayerParameters* CS101_AppLayerParameters;

/* Longest ASDU, header included, in octets. */
#define CS101_MAX_ASDU_LENGTH 249

/* ------------------------------------------------------ type identification */

/*
 * Enumerations that hold received octets have a fixed underlying type, so
 * every value of the octet (also one no enumerator names, such as a type
 * identification of 128-255) is a value of the enumeration.
 */
typedef enum : uint8_t {
    M_SP_NA_1 = 1,
    M_SP_TA_1 = 2,
    M_DP_NA_1 = 3,
    M_DP_TA_1 = 4,
    M_ST_NA_1 = 5,
    M_ST_TA_1 = 6,
    M_BO_NA_1 = 7,
    M_BO_TA_1 = 8,
    M_ME_NA_1 = 9,
    M_ME_TA_1 = 10,
    M_ME_NB_1 = 11,
    M_ME_TB_1 = 12,
    M_ME_NC_1 = 13,
    M_ME_TC_1 = 14,
    M_IT_NA_1 = 15,
    M_IT_TA_1 = 16,
    M_EP_TA_1 = 17,
    M_EP_TB_1 = 18,
    M_EP_TC_1 = 19,
    M_PS_NA_1 = 20,
    M_ME_ND_1 = 21,
    M_SP_TB_1 = 30,
    M_DP_TB_1 = 31,
    M_ST_TB_1 = 32,
    M_BO_TB_1 = 33,
    M_ME_TD_1 = 34,
    M_ME_TE_1 = 35,
    M_ME_TF_1 = 36,
    M_IT_TB_1 = 37,
    M_EP_TD_1 = 38,
    M_EP_TE_1 = 39,
    M_EP_TF_1 = 40,
    C_SC_NA_1 = 45,
    C_DC_NA_1 = 46,
    C_RC_NA_1 = 47,
    C_SE_NA_1 = 48,
    C_SE_NB_1 = 49,
    C_SE_NC_1 = 50,
    C_BO_NA_1 = 51,
    C_SC_TA_1 = 58,
    C_DC_TA_1 = 59,
    C_RC_TA_1 = 60,
    C_SE_TA_1 = 61,
    C_SE_TB_1 = 62,
    C_SE_TC_1 = 63,
    C_BO_TA_1 = 64,
    M_EI_NA_1 = 70,
    C_IC_NA_1 = 100,
    C_CI_NA_1 = 101,
    C_RD_NA_1 = 102,
    C_CS_NA_1 = 103,
    C_TS_NA_1 = 104,
    C_RP_NA_1 = 105,
    C_CD_NA_1 = 106,
    C_TS_TA_1 = 107,
    P_ME_NA_1 = 110,
    P_ME_NB_1 = 111,
    P_ME_NC_1 = 112,
    P_AC_NA_1 = 113,
    F_FR_NA_1 = 120,
    F_SR_NA_1 = 121,
    F_SC_NA_1 = 122,
    F_LS_NA_1 = 123,
    F_AF_NA_1 = 124,
    F_SG_NA_1 = 125,
    F_DR_TA_1 = 126,
    F_SC_NB_1 = 127
} TypeID;

typedef TypeID IEC60870_5_TypeID;

/* The enumerator's name ("M_SP_NA_1", ...), "unknown" for any other value. Static text. */
const char* TypeID_toString(TypeID self);

/* ---------------------------------------------------- cause of transmission */

typedef enum : uint8_t {
    CS101_COT_PERIODIC = 1,
    CS101_COT_BACKGROUND_SCAN = 2,
    CS101_COT_SPONTANEOUS = 3,
    CS101_COT_INITIALIZED = 4,
    CS101_COT_REQUEST = 5,
    CS101_COT_ACTIVATION = 6,
    CS101_COT_ACTIVATION_CON = 7,
    CS101_COT_DEACTIVATION = 8,
    CS101_COT_DEACTIVATION_CON = 9,
    CS101_COT_ACTIVATION_TERMINATION = 10,
    CS101_COT_RETURN_INFO_REMOTE = 11,
    CS101_COT_RETURN_INFO_LOCAL = 12,
    CS101_COT_FILE_TRANSFER = 13,
    CS101_COT_AUTHENTICATION = 14,
    CS101_COT_MAINTENANCE_OF_AUTH_SESSION_KEY = 15,
    CS101_COT_MAINTENANCE_OF_USER_ROLE_AND_UPDATE_KEY = 16,
    CS101_COT_INTERROGATED_BY_STATION = 20,
    CS101_COT_INTERROGATED_BY_GROUP_1 = 21,
    CS101_COT_INTERROGATED_BY_GROUP_2 = 22,
    CS101_COT_INTERROGATED_BY_GROUP_3 = 23,
    CS101_COT_INTERROGATED_BY_GROUP_4 = 24,
    CS101_COT_INTERROGATED_BY_GROUP_5 = 25,
    CS101_COT_INTERROGATED_BY_GROUP_6 = 26,
    CS101_COT_INTERROGATED_BY_GROUP_7 = 27,
    CS101_COT_INTERROGATED_BY_GROUP_8 = 28,
    CS101_COT_INTERROGATED_BY_GROUP_9 = 29,
    CS101_COT_INTERROGATED_BY_GROUP_10 = 30,
    CS101_COT_INTERROGATED_BY_GROUP_11 = 31,
    CS101_COT_INTERROGATED_BY_GROUP_12 = 32,
    CS101_COT_INTERROGATED_BY_GROUP_13 = 33,
    CS101_COT_INTERROGATED_BY_GROUP_14 = 34,
    CS101_COT_INTERROGATED_BY_GROUP_15 = 35,
    CS101_COT_INTERROGATED_BY_GROUP_16 = 36,
    CS101_COT_REQUESTED_BY_GENERAL_COUNTER = 37,
    CS101_COT_REQUESTED_BY_GROUP_1_COUNTER = 38,
    CS101_COT_REQUESTED_BY_GROUP_2_COUNTER = 39,
    CS101_COT_REQUESTED_BY_GROUP_3_COUNTER = 40,
    CS101_COT_REQUESTED_BY_GROUP_4_COUNTER = 41,
    CS101_COT_UNKNOWN_TYPE_ID = 44,
    CS101_COT_UNKNOWN_COT = 45,
    CS101_COT_UNKNOWN_CA = 46,
    CS101_COT_UNKNOWN_IOA = 47
} CS101_CauseOfTransmission;

/* Display text of a cause ("PERIODIC", ...); "UNKNOWN_COT" for unassigned values. Static text. */
const char* CS101_CauseOfTransmission_toString(CS101_CauseOfTransmission self);

/* ---------------------------------------------------------------- the ASDU */

typedef struct sCS101_ASDU* CS101_ASDU;

/* An ASDU record with its own 256-octet buffer (layout in cs101_asdu_internal.h). */
typedef struct sCS101_StaticASDU* CS101_StaticASDU;

/*
 * New ASDU in its own buffer, header written, no objects yet (type octet 0
 * until the first object is added). Null when the allocation fails or the
 * sizes in parameters are not ones the coding understands (see above).
 */
CS101_ASDU CS101_ASDU_create(CS101_AppLayerParameters parameters, bool isSequence,
                             CS101_CauseOfTransmission cot, int oa, int ca, bool isTest,
                             bool isNegative);

/*
 * As CS101_ASDU_create, but initialises the caller's record (for instance on
 * the stack) and returns it; null only for unusable sizes. Never destroy it.
 */
CS101_ASDU CS101_ASDU_initializeStatic(CS101_StaticASDU self, CS101_AppLayerParameters parameters,
                                       bool isSequence, CS101_CauseOfTransmission cot, int oa,
                                       int ca, bool isTest, bool isNegative);

/*
 * Wraps received octets (not copied). Null when msgLength is shorter than the
 * header (2 + sizeOfCOT + sizeOfCA), the sizes are unusable, msg is null or
 * the allocation fails. Type, count and cause are not judged here.
 */
CS101_ASDU CS101_ASDU_createFromBuffer(CS101_AppLayerParameters parameters, uint8_t* msg,
                                       int msgLength);

/* Frees an ASDU from _create or _createFromBuffer (not the wrapped octets). Null is allowed. */
void CS101_ASDU_destroy(CS101_ASDU self);

/* True when the ASDU wraps received octets. */
bool CS101_ASDU_isStackCreated(CS101_ASDU self);

/* Header access; the setters change the octets in place (also of a received ASDU). */
TypeID CS101_ASDU_getTypeID(CS101_ASDU self);
bool CS101_ASDU_isSequence(CS101_ASDU self);
int CS101_ASDU_getNumberOfElements(CS101_ASDU self);
CS101_CauseOfTransmission CS101_ASDU_getCOT(CS101_ASDU self);
/* Replaces the six cause bits; the T and P/N bits stay. */
void CS101_ASDU_setCOT(CS101_ASDU self, CS101_CauseOfTransmission value);
bool CS101_ASDU_isTest(CS101_ASDU self);
void CS101_ASDU_setTest(CS101_ASDU self, bool value);
bool CS101_ASDU_isNegative(CS101_ASDU self);
void CS101_ASDU_setNegative(CS101_ASDU self, bool value);
/* Originator address; -1 when the cause field has no originator octet. */
int CS101_ASDU_getOA(CS101_ASDU self);
int CS101_ASDU_getCA(CS101_ASDU self);
/* Writes the common address clamped to 0..255 (one octet) or 0..65535 (two octets). */
void CS101_ASDU_setCA(CS101_ASDU self, int ca);

/* Octets of header and payload (the whole ASDU as it goes on the wire). */
int CS101_ASDU_getLength(CS101_ASDU self);

/*
 * Appends header and payload to frame. Nothing is appended when the frame has
 * fewer free octets than the ASDU is long (a cut ASDU is never sent).
 */
void CS101_ASDU_encode(CS101_ASDU self, Frame frame);

/*
 * Copies header and payload (the whole ASDU as it goes on the wire) into the
 * caller's buffer. Returns the number of octets written; -1, and nothing
 * written, when self or buffer is null or bufferSize is smaller than
 * CS101_ASDU_getLength(self). A buffer of CS101_MAX_ASDU_LENGTH octets takes
 * every ASDU.
 */
int CS101_ASDU_encodeToBuffer(CS101_ASDU self, uint8_t* buffer, int bufferSize);

/*
 * Appends one information object (its octets are copied; the object stays the
 * caller's). False, and nothing written, when: the ASDU wraps received octets;
 * the object's type differs from the type of the objects already present; the
 * 249-octet limit leaves no room; the count field is full (127); or, in a
 * sequence, the address is not first address + count. On an empty ASDU the
 * type octet is set before the room check.
 */
bool CS101_ASDU_addInformationObject(CS101_ASDU self, InformationObject io);

/*
 * Decodes object number index (0-based) into a new object of the ASDU's type,
 * owned by the caller (InformationObject_destroy). Null for an unsupported
 * type, a negative index, an element not wholly inside the received octets,
 * or an allocation failure. System and file types (70, 100-106, 120-125)
 * give the first object for every index.
 */
InformationObject CS101_ASDU_getElement(CS101_ASDU self, int index);

/* ---------------------------------------------------------------- time tags */

/* Elapsed time, two octets, milliseconds 0..65535 least significant first. */
struct sCP16Time2a {
    uint8_t encodedValue[2];
};
/* Milliseconds within the minute (2 octets) and minute with IV/SU flags. */
struct sCP24Time2a {
    uint8_t encodedValue[3];
};
/* CP24Time2a plus the hour octet. */
struct sCP32Time2a {
    uint8_t encodedValue[4];
};
/* Full date and time: CP32Time2a plus day, month and year octets. */
struct sCP56Time2a {
    uint8_t encodedValue[7];
};

typedef struct sCP16Time2a* CP16Time2a;
typedef struct sCP24Time2a* CP24Time2a;
typedef struct sCP32Time2a* CP32Time2a;
typedef struct sCP56Time2a* CP56Time2a;

/*
 * _getFromBuffer: copies the tag's octets from msg[startIndex..]; false and
 * self unchanged when fewer octets remain (or startIndex is negative).
 * Setters mask their value to the field and keep every other bit.
 */

int CP16Time2a_getEplapsedTimeInMs(CP16Time2a self);
void CP16Time2a_setEplapsedTimeInMs(CP16Time2a self, int value);
bool CP16Time2a_getFromBuffer(CP16Time2a self, uint8_t* msg, int msgSize, int startIndex);
/* The record's own two octets (not a copy). */
uint8_t* CP16Time2a_getEncodedValue(CP16Time2a self);

int CP24Time2a_getMillisecond(CP24Time2a self);
/* Keeps the seconds; a value of 1000 or more carries into them. */
void CP24Time2a_setMillisecond(CP24Time2a self, int value);
int CP24Time2a_getSecond(CP24Time2a self);
/* Keeps the milliseconds. */
void CP24Time2a_setSecond(CP24Time2a self, int value);
int CP24Time2a_getMinute(CP24Time2a self);
void CP24Time2a_setMinute(CP24Time2a self, int value);
bool CP24Time2a_isInvalid(CP24Time2a self);
void CP24Time2a_setInvalid(CP24Time2a self, bool value);
bool CP24Time2a_isSubstituted(CP24Time2a self);
void CP24Time2a_setSubstituted(CP24Time2a self, bool value);
bool CP24Time2a_getFromBuffer(CP24Time2a self, uint8_t* msg, int msgSize, int startIndex);

/* Zero-filled record: self when given, else a new one (Memory_free it); null if allocation fails.
 */
CP32Time2a CP32Time2a_create(CP32Time2a self);
/* Second, millisecond, minute and hour of a UTC time in ms since 1970; flags stay. */
void CP32Time2a_setFromMsTimestamp(CP32Time2a self, uint64_t timestamp);
int CP32Time2a_getMillisecond(CP32Time2a self);
void CP32Time2a_setMillisecond(CP32Time2a self, int value);
int CP32Time2a_getSecond(CP32Time2a self);
void CP32Time2a_setSecond(CP32Time2a self, int value);
int CP32Time2a_getMinute(CP32Time2a self);
void CP32Time2a_setMinute(CP32Time2a self, int value);
bool CP32Time2a_isInvalid(CP32Time2a self);
void CP32Time2a_setInvalid(CP32Time2a self, bool value);
bool CP32Time2a_isSubstituted(CP32Time2a self);
void CP32Time2a_setSubstituted(CP32Time2a self, bool value);
int CP32Time2a_getHour(CP32Time2a self);
void CP32Time2a_setHour(CP32Time2a self, int value);
bool CP32Time2a_isSummerTime(CP32Time2a self);
void CP32Time2a_setSummerTime(CP32Time2a self, bool value);
bool CP32Time2a_getFromBuffer(CP32Time2a self, uint8_t* msg, int msgSize, int startIndex);
uint8_t* CP32Time2a_getEncodedValue(CP32Time2a self);

/*
 * Zero-filled record (self when given, else a new one to Memory_free; null if
 * allocation fails) set to the given UTC time in ms since 1970.
 */
CP56Time2a CP56Time2a_createFromMsTimestamp(CP56Time2a self, uint64_t timestamp);
/*
 * All date and time fields from a UTC time in ms since 1970, the year stored
 * modulo 100 and the day of week as 0 (not used). Flags and reserved bits
 * stay. Any 64-bit timestamp is converted exactly.
 */
void CP56Time2a_setFromMsTimestamp(CP56Time2a self, uint64_t timestamp);
/* The UTC time in ms since 1970, the year field taken as 2000 + year. */
uint64_t CP56Time2a_toMsTimestamp(CP56Time2a self);
int CP56Time2a_getMillisecond(CP56Time2a self);
void CP56Time2a_setMillisecond(CP56Time2a self, int value);
int CP56Time2a_getSecond(CP56Time2a self);
void CP56Time2a_setSecond(CP56Time2a self, int value);
int CP56Time2a_getMinute(CP56Time2a self);
void CP56Time2a_setMinute(CP56Time2a self, int value);
bool CP56Time2a_isInvalid(CP56Time2a self);
void CP56Time2a_setInvalid(CP56Time2a self, bool value);
bool CP56Time2a_isSubstituted(CP56Time2a self);
void CP56Time2a_setSubstituted(CP56Time2a self, bool value);
int CP56Time2a_getHour(CP56Time2a self);
void CP56Time2a_setHour(CP56Time2a self, int value);
bool CP56Time2a_isSummerTime(CP56Time2a self);
void CP56Time2a_setSummerTime(CP56Time2a self, bool value);
int CP56Time2a_getDayOfWeek(CP56Time2a self);
void CP56Time2a_setDayOfWeek(CP56Time2a self, int value);
int CP56Time2a_getDayOfMonth(CP56Time2a self);
void CP56Time2a_setDayOfMonth(CP56Time2a self, int value);
int CP56Time2a_getMonth(CP56Time2a self);
void CP56Time2a_setMonth(CP56Time2a self, int value);
/* Years since 2000 as stored (0..127: a received 100..127 is not reduced). */
int CP56Time2a_getYear(CP56Time2a self);
/* Stores value modulo 100 (2026, 126 and 26 all store 26). */
void CP56Time2a_setYear(CP56Time2a self, int value);
bool CP56Time2a_getFromBuffer(CP56Time2a self, uint8_t* msg, int msgSize, int startIndex);
uint8_t* CP56Time2a_getEncodedValue(CP56Time2a self);

#endif
