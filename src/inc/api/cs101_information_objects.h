// SPDX-License-Identifier: Apache-2.0
/*
 * IEC 60870-5-101 information objects: every monitoring, command, system,
 * parameter and file type, with create, accessors, decode and destroy.
 *
 * Ownership and lifetime:
 * - T_create(self, ...) fills the caller's record when self is given (the
 *   record may be reused for many objects) or allocates a new one when self
 *   is null; null is returned only when that allocation fails. Records must
 *   hold at least InformationObject_getMaxSizeInMemory() octets when the
 *   caller provides memory of its own for a type it does not know statically.
 * - T_getFromBuffer(self, ...) decodes one object from msg[startIndex..]; with
 *   self null a new record is allocated. Null when the octets left after
 *   startIndex do not hold the whole object (nothing is allocated then) or
 *   when the allocation fails. No octet outside msg[0..msgSize-1] is read.
 * - Objects that came from the allocator are released with T_destroy or
 *   InformationObject_destroy; never destroy a record of the caller.
 * - Time tags and other embedded records are copied by value on create;
 *   the _get accessors of embedded records return handles into the object.
 * - FileSegment only points at its segment octets (the creator's buffer or
 *   the received message), which must outlive it.
 * - Nothing here throws or prints.
 *
 * Encoding (InformationObject_encode): false, and nothing written, when the
 * frame has fewer free octets than the object needs (element plus address
 * unless isSequence).
 */
#ifndef CS101_INFORMATION_OBJECTS_H
#define CS101_INFORMATION_OBJECTS_H

#include "iec60870_common.h"

#include <cstdint>

/* ----------------------------------------------------- octet value types */

/* Quality descriptor octet (QDS) and its flags. */
typedef uint8_t QualityDescriptor;
#define IEC60870_QUALITY_GOOD 0x00
#define IEC60870_QUALITY_OVERFLOW 0x01
#define IEC60870_QUALITY_RESERVED 0x04
#define IEC60870_QUALITY_ELAPSED_TIME_INVALID 0x08
#define IEC60870_QUALITY_BLOCKED 0x10
#define IEC60870_QUALITY_SUBSTITUTED 0x20
#define IEC60870_QUALITY_NON_TOPICAL 0x40
#define IEC60870_QUALITY_INVALID 0x80

/* Quality descriptor of protection equipment (QDP). */
typedef uint8_t QualityDescriptorP;

typedef uint8_t StartEvent;
typedef uint8_t OutputCircuitInfo;
typedef uint8_t QualifierOfCIC;
typedef uint8_t QualifierOfRPC;
typedef uint8_t QualifierOfParameterMV;
typedef uint8_t QualifierOfParameterActivation;

typedef enum : uint8_t {
    IEC60870_DOUBLE_POINT_INTERMEDIATE = 0,
    IEC60870_DOUBLE_POINT_OFF = 1,
    IEC60870_DOUBLE_POINT_ON = 2,
    IEC60870_DOUBLE_POINT_INDETERMINATE = 3
} DoublePointValue;

typedef enum : uint8_t {
    IEC60870_EVENTSTATE_INDETERMINATE_0 = 0,
    IEC60870_EVENTSTATE_OFF = 1,
    IEC60870_EVENTSTATE_ON = 2,
    IEC60870_EVENTSTATE_INDETERMINATE_3 = 3
} EventState;

typedef enum : uint8_t {
    IEC60870_STEP_INVALID_0 = 0,
    IEC60870_STEP_LOWER = 1,
    IEC60870_STEP_HIGHER = 2,
    IEC60870_STEP_INVALID_3 = 3
} StepCommandValue;

/* Single event of protection equipment: bits 0-1 event state, bits 2-7 QDP flags. */
typedef uint8_t tSingleEvent;
typedef tSingleEvent* SingleEvent;

EventState SingleEvent_getEventState(SingleEvent self);
void SingleEvent_setEventState(SingleEvent self, EventState eventState);
QualityDescriptorP SingleEvent_getQDP(SingleEvent self);
void SingleEvent_setQDP(SingleEvent self, QualityDescriptorP qdp);

/* Binary counter reading: five octets carried unchanged. */
struct sBinaryCounterReading {
    uint8_t encodedValue[5];
};
typedef struct sBinaryCounterReading* BinaryCounterReading;

/* Status (STn, octets 0-1) and status change detection (CDn, octets 2-3). */
struct sStatusAndStatusChangeDetection {
    uint8_t encodedValue[4];
};
typedef struct sStatusAndStatusChangeDetection* StatusAndStatusChangeDetection;

uint16_t StatusAndStatusChangeDetection_getSTn(StatusAndStatusChangeDetection self);
uint16_t StatusAndStatusChangeDetection_getCDn(StatusAndStatusChangeDetection self);
void StatusAndStatusChangeDetection_setSTn(StatusAndStatusChangeDetection self, uint16_t value);
/* Bit index (0 = least significant) of STn / CDn; false for an index outside 0..15. */
bool StatusAndStatusChangeDetection_getST(StatusAndStatusChangeDetection self, int index);
bool StatusAndStatusChangeDetection_getCD(StatusAndStatusChangeDetection self, int index);

/* ------------------------------------------------------ generic operations */

/* Encodes self into frame (address unless isSequence); false and nothing written if it does not
 * fit. */
bool InformationObject_encode(InformationObject self, Frame frame,
                              CS101_AppLayerParameters parameters, bool isSequence);
/* Frees an object that came from the allocator. Null is allowed. */
void InformationObject_destroy(InformationObject self);
int InformationObject_getObjectAddress(InformationObject self);
void InformationObject_setObjectAddress(InformationObject self, int ioa);
TypeID InformationObject_getType(InformationObject self);
/* The address at msg[startIndex] (1 to 3 octets, low first); the caller checked the length. */
int InformationObject_ParseObjectAddress(CS101_AppLayerParameters parameters, uint8_t* msg,
                                         int startIndex);
/* Octets that hold any information-object record of this implementation. */
int InformationObject_getMaxSizeInMemory(void);

/* ------------------------------------------------------- monitoring types */

/* M_SP_NA_1 (1). Quality is kept to its flag bits (0xF0) so it never changes the value. */
typedef struct sSinglePointInformation* SinglePointInformation;
SinglePointInformation SinglePointInformation_create(SinglePointInformation self, int ioa,
                                                     bool value, QualityDescriptor quality);
void SinglePointInformation_destroy(SinglePointInformation self);
bool SinglePointInformation_getValue(SinglePointInformation self);
QualityDescriptor SinglePointInformation_getQuality(SinglePointInformation self);
SinglePointInformation SinglePointInformation_getFromBuffer(SinglePointInformation self,
                                                            CS101_AppLayerParameters parameters,
                                                            uint8_t* msg, int msgSize,
                                                            int startIndex, bool isSequence);

/* M_SP_TA_1 (2); value and quality through the SinglePointInformation getters. */
typedef struct sSinglePointWithCP24Time2a* SinglePointWithCP24Time2a;
SinglePointWithCP24Time2a SinglePointWithCP24Time2a_create(SinglePointWithCP24Time2a self, int ioa,
                                                           bool value, QualityDescriptor quality,
                                                           CP24Time2a timestamp);
void SinglePointWithCP24Time2a_destroy(SinglePointWithCP24Time2a self);
CP24Time2a SinglePointWithCP24Time2a_getTimestamp(SinglePointWithCP24Time2a self);
SinglePointWithCP24Time2a
SinglePointWithCP24Time2a_getFromBuffer(SinglePointWithCP24Time2a self,
                                        CS101_AppLayerParameters parameters, uint8_t* msg,
                                        int msgSize, int startIndex, bool isSequence);

/* M_SP_TB_1 (30). */
typedef struct sSinglePointWithCP56Time2a* SinglePointWithCP56Time2a;
SinglePointWithCP56Time2a SinglePointWithCP56Time2a_create(SinglePointWithCP56Time2a self, int ioa,
                                                           bool value, QualityDescriptor quality,
                                                           CP56Time2a timestamp);
void SinglePointWithCP56Time2a_destroy(SinglePointWithCP56Time2a self);
CP56Time2a SinglePointWithCP56Time2a_getTimestamp(SinglePointWithCP56Time2a self);
SinglePointWithCP56Time2a
SinglePointWithCP56Time2a_getFromBuffer(SinglePointWithCP56Time2a self,
                                        CS101_AppLayerParameters parameters, uint8_t* msg,
                                        int msgSize, int startIndex, bool isSequence);

/* M_DP_NA_1 (3). Value kept to 2 bits, quality to its flag bits (0xF0). */
typedef struct sDoublePointInformation* DoublePointInformation;
DoublePointInformation DoublePointInformation_create(DoublePointInformation self, int ioa,
                                                     DoublePointValue value,
                                                     QualityDescriptor quality);
void DoublePointInformation_destroy(DoublePointInformation self);
DoublePointValue DoublePointInformation_getValue(DoublePointInformation self);
QualityDescriptor DoublePointInformation_getQuality(DoublePointInformation self);
DoublePointInformation DoublePointInformation_getFromBuffer(DoublePointInformation self,
                                                            CS101_AppLayerParameters parameters,
                                                            uint8_t* msg, int msgSize,
                                                            int startIndex, bool isSequence);

/* M_DP_TA_1 (4). */
typedef struct sDoublePointWithCP24Time2a* DoublePointWithCP24Time2a;
DoublePointWithCP24Time2a DoublePointWithCP24Time2a_create(DoublePointWithCP24Time2a self, int ioa,
                                                           DoublePointValue value,
                                                           QualityDescriptor quality,
                                                           CP24Time2a timestamp);
void DoublePointWithCP24Time2a_destroy(DoublePointWithCP24Time2a self);
CP24Time2a DoublePointWithCP24Time2a_getTimestamp(DoublePointWithCP24Time2a self);
DoublePointWithCP24Time2a
DoublePointWithCP24Time2a_getFromBuffer(DoublePointWithCP24Time2a self,
                                        CS101_AppLayerParameters parameters, uint8_t* msg,
                                        int msgSize, int startIndex, bool isSequence);

/* M_DP_TB_1 (31). */
typedef struct sDoublePointWithCP56Time2a* DoublePointWithCP56Time2a;
DoublePointWithCP56Time2a DoublePointWithCP56Time2a_create(DoublePointWithCP56Time2a self, int ioa,
                                                           DoublePointValue value,
                                                           QualityDescriptor quality,
                                                           CP56Time2a timestamp);
void DoublePointWithCP56Time2a_destroy(DoublePointWithCP56Time2a self);
CP56Time2a DoublePointWithCP56Time2a_getTimestamp(DoublePointWithCP56Time2a self);
DoublePointWithCP56Time2a
DoublePointWithCP56Time2a_getFromBuffer(DoublePointWithCP56Time2a self,
                                        CS101_AppLayerParameters parameters, uint8_t* msg,
                                        int msgSize, int startIndex, bool isSequence);

/* M_ST_NA_1 (5). The value is clamped to -64..63. */
typedef struct sStepPositionInformation* StepPositionInformation;
StepPositionInformation StepPositionInformation_create(StepPositionInformation self, int ioa,
                                                       int value, bool isTransient,
                                                       QualityDescriptor quality);
void StepPositionInformation_destroy(StepPositionInformation self);
int StepPositionInformation_getObjectAddress(StepPositionInformation self);
int StepPositionInformation_getValue(StepPositionInformation self);
bool StepPositionInformation_isTransient(StepPositionInformation self);
QualityDescriptor StepPositionInformation_getQuality(StepPositionInformation self);
StepPositionInformation StepPositionInformation_getFromBuffer(StepPositionInformation self,
                                                              CS101_AppLayerParameters parameters,
                                                              uint8_t* msg, int msgSize,
                                                              int startIndex, bool isSequence);

/* M_ST_TA_1 (6). */
typedef struct sStepPositionWithCP24Time2a* StepPositionWithCP24Time2a;
StepPositionWithCP24Time2a StepPositionWithCP24Time2a_create(StepPositionWithCP24Time2a self,
                                                             int ioa, int value, bool isTransient,
                                                             QualityDescriptor quality,
                                                             CP24Time2a timestamp);
void StepPositionWithCP24Time2a_destroy(StepPositionWithCP24Time2a self);
CP24Time2a StepPositionWithCP24Time2a_getTimestamp(StepPositionWithCP24Time2a self);
StepPositionWithCP24Time2a
StepPositionWithCP24Time2a_getFromBuffer(StepPositionWithCP24Time2a self,
                                         CS101_AppLayerParameters parameters, uint8_t* msg,
                                         int msgSize, int startIndex, bool isSequence);

/* M_ST_TB_1 (32). */
typedef struct sStepPositionWithCP56Time2a* StepPositionWithCP56Time2a;
StepPositionWithCP56Time2a StepPositionWithCP56Time2a_create(StepPositionWithCP56Time2a self,
                                                             int ioa, int value, bool isTransient,
                                                             QualityDescriptor quality,
                                                             CP56Time2a timestamp);
void StepPositionWithCP56Time2a_destroy(StepPositionWithCP56Time2a self);
CP56Time2a StepPositionWithCP56Time2a_getTimestamp(StepPositionWithCP56Time2a self);
StepPositionWithCP56Time2a
StepPositionWithCP56Time2a_getFromBuffer(StepPositionWithCP56Time2a self,
                                         CS101_AppLayerParameters parameters, uint8_t* msg,
                                         int msgSize, int startIndex, bool isSequence);

/* M_BO_NA_1 (7). A new record has quality 0. */
typedef struct sBitString32* BitString32;
BitString32 BitString32_create(BitString32 self, int ioa, uint32_t value);
void BitString32_destroy(BitString32 self);
uint32_t BitString32_getValue(BitString32 self);
QualityDescriptor BitString32_getQuality(BitString32 self);
BitString32 BitString32_getFromBuffer(BitString32 self, CS101_AppLayerParameters parameters,
                                      uint8_t* msg, int msgSize, int startIndex, bool isSequence);

/* M_BO_TA_1 (8). */
typedef struct sBitstring32WithCP24Time2a* Bitstring32WithCP24Time2a;
Bitstring32WithCP24Time2a Bitstring32WithCP24Time2a_create(Bitstring32WithCP24Time2a self, int ioa,
                                                           uint32_t value, CP24Time2a timestamp);
void Bitstring32WithCP24Time2a_destroy(Bitstring32WithCP24Time2a self);
CP24Time2a Bitstring32WithCP24Time2a_getTimestamp(Bitstring32WithCP24Time2a self);
Bitstring32WithCP24Time2a
Bitstring32WithCP24Time2a_getFromBuffer(Bitstring32WithCP24Time2a self,
                                        CS101_AppLayerParameters parameters, uint8_t* msg,
                                        int msgSize, int startIndex, bool isSequence);

/* M_BO_TB_1 (33). */
typedef struct sBitstring32WithCP56Time2a* Bitstring32WithCP56Time2a;
Bitstring32WithCP56Time2a Bitstring32WithCP56Time2a_create(Bitstring32WithCP56Time2a self, int ioa,
                                                           uint32_t value, CP56Time2a timestamp);
void Bitstring32WithCP56Time2a_destroy(Bitstring32WithCP56Time2a self);
CP56Time2a Bitstring32WithCP56Time2a_getTimestamp(Bitstring32WithCP56Time2a self);
Bitstring32WithCP56Time2a
Bitstring32WithCP56Time2a_getFromBuffer(Bitstring32WithCP56Time2a self,
                                        CS101_AppLayerParameters parameters, uint8_t* msg,
                                        int msgSize, int startIndex, bool isSequence);

/* M_ME_NA_1 (9). Values clamped to -1.0..1.0, stored as value * 32767 truncated. */
typedef struct sMeasuredValueNormalized* MeasuredValueNormalized;
MeasuredValueNormalized MeasuredValueNormalized_create(MeasuredValueNormalized self, int ioa,
                                                       float value, QualityDescriptor quality);
void MeasuredValueNormalized_destroy(MeasuredValueNormalized self);
float MeasuredValueNormalized_getValue(MeasuredValueNormalized self);
void MeasuredValueNormalized_setValue(MeasuredValueNormalized self, float value);
QualityDescriptor MeasuredValueNormalized_getQuality(MeasuredValueNormalized self);
MeasuredValueNormalized MeasuredValueNormalized_getFromBuffer(MeasuredValueNormalized self,
                                                              CS101_AppLayerParameters parameters,
                                                              uint8_t* msg, int msgSize,
                                                              int startIndex, bool isSequence);

/* M_ME_TA_1 (10). */
typedef struct sMeasuredValueNormalizedWithCP24Time2a* MeasuredValueNormalizedWithCP24Time2a;
MeasuredValueNormalizedWithCP24Time2a
MeasuredValueNormalizedWithCP24Time2a_create(MeasuredValueNormalizedWithCP24Time2a self, int ioa,
                                             float value, QualityDescriptor quality,
                                             CP24Time2a timestamp);
void MeasuredValueNormalizedWithCP24Time2a_destroy(MeasuredValueNormalizedWithCP24Time2a self);
CP24Time2a
MeasuredValueNormalizedWithCP24Time2a_getTimestamp(MeasuredValueNormalizedWithCP24Time2a self);
void MeasuredValueNormalizedWithCP24Time2a_setTimestamp(MeasuredValueNormalizedWithCP24Time2a self,
                                                        CP24Time2a value);
MeasuredValueNormalizedWithCP24Time2a MeasuredValueNormalizedWithCP24Time2a_getFromBuffer(
    MeasuredValueNormalizedWithCP24Time2a self, CS101_AppLayerParameters parameters, uint8_t* msg,
    int msgSize, int startIndex, bool isSequence);

/* M_ME_TD_1 (34). */
typedef struct sMeasuredValueNormalizedWithCP56Time2a* MeasuredValueNormalizedWithCP56Time2a;
MeasuredValueNormalizedWithCP56Time2a
MeasuredValueNormalizedWithCP56Time2a_create(MeasuredValueNormalizedWithCP56Time2a self, int ioa,
                                             float value, QualityDescriptor quality,
                                             CP56Time2a timestamp);
void MeasuredValueNormalizedWithCP56Time2a_destroy(MeasuredValueNormalizedWithCP56Time2a self);
CP56Time2a
MeasuredValueNormalizedWithCP56Time2a_getTimestamp(MeasuredValueNormalizedWithCP56Time2a self);
void MeasuredValueNormalizedWithCP56Time2a_setTimestamp(MeasuredValueNormalizedWithCP56Time2a self,
                                                        CP56Time2a value);
MeasuredValueNormalizedWithCP56Time2a MeasuredValueNormalizedWithCP56Time2a_getFromBuffer(
    MeasuredValueNormalizedWithCP56Time2a self, CS101_AppLayerParameters parameters, uint8_t* msg,
    int msgSize, int startIndex, bool isSequence);

/* M_ME_NB_1 (11). Values keep their low 16 bits (no clamping). */
typedef struct sMeasuredValueScaled* MeasuredValueScaled;
MeasuredValueScaled MeasuredValueScaled_create(MeasuredValueScaled self, int ioa, int value,
                                               QualityDescriptor quality);
void MeasuredValueScaled_destroy(MeasuredValueScaled self);
int MeasuredValueScaled_getValue(MeasuredValueScaled self);
void MeasuredValueScaled_setValue(MeasuredValueScaled self, int value);
QualityDescriptor MeasuredValueScaled_getQuality(MeasuredValueScaled self);
void MeasuredValueScaled_setQuality(MeasuredValueScaled self, QualityDescriptor quality);
MeasuredValueScaled MeasuredValueScaled_getFromBuffer(MeasuredValueScaled self,
                                                      CS101_AppLayerParameters parameters,
                                                      uint8_t* msg, int msgSize, int startIndex,
                                                      bool isSequence);

/* M_ME_TB_1 (12). */
typedef struct sMeasuredValueScaledWithCP24Time2a* MeasuredValueScaledWithCP24Time2a;
MeasuredValueScaledWithCP24Time2a
MeasuredValueScaledWithCP24Time2a_create(MeasuredValueScaledWithCP24Time2a self, int ioa, int value,
                                         QualityDescriptor quality, CP24Time2a timestamp);
void MeasuredValueScaledWithCP24Time2a_destroy(MeasuredValueScaledWithCP24Time2a self);
CP24Time2a MeasuredValueScaledWithCP24Time2a_getTimestamp(MeasuredValueScaledWithCP24Time2a self);
void MeasuredValueScaledWithCP24Time2a_setTimestamp(MeasuredValueScaledWithCP24Time2a self,
                                                    CP24Time2a value);
MeasuredValueScaledWithCP24Time2a
MeasuredValueScaledWithCP24Time2a_getFromBuffer(MeasuredValueScaledWithCP24Time2a self,
                                                CS101_AppLayerParameters parameters, uint8_t* msg,
                                                int msgSize, int startIndex, bool isSequence);

/* M_ME_TE_1 (35). */
typedef struct sMeasuredValueScaledWithCP56Time2a* MeasuredValueScaledWithCP56Time2a;
MeasuredValueScaledWithCP56Time2a
MeasuredValueScaledWithCP56Time2a_create(MeasuredValueScaledWithCP56Time2a self, int ioa, int value,
                                         QualityDescriptor quality, CP56Time2a timestamp);
void MeasuredValueScaledWithCP56Time2a_destroy(MeasuredValueScaledWithCP56Time2a self);
CP56Time2a MeasuredValueScaledWithCP56Time2a_getTimestamp(MeasuredValueScaledWithCP56Time2a self);
void MeasuredValueScaledWithCP56Time2a_setTimestamp(MeasuredValueScaledWithCP56Time2a self,
                                                    CP56Time2a value);
MeasuredValueScaledWithCP56Time2a
MeasuredValueScaledWithCP56Time2a_getFromBuffer(MeasuredValueScaledWithCP56Time2a self,
                                                CS101_AppLayerParameters parameters, uint8_t* msg,
                                                int msgSize, int startIndex, bool isSequence);

/* M_ME_NC_1 (13). The float is kept unchanged. */
typedef struct sMeasuredValueShort* MeasuredValueShort;
MeasuredValueShort MeasuredValueShort_create(MeasuredValueShort self, int ioa, float value,
                                             QualityDescriptor quality);
void MeasuredValueShort_destroy(MeasuredValueShort self);
float MeasuredValueShort_getValue(MeasuredValueShort self);
void MeasuredValueShort_setValue(MeasuredValueShort self, float value);
QualityDescriptor MeasuredValueShort_getQuality(MeasuredValueShort self);
MeasuredValueShort MeasuredValueShort_getFromBuffer(MeasuredValueShort self,
                                                    CS101_AppLayerParameters parameters,
                                                    uint8_t* msg, int msgSize, int startIndex,
                                                    bool isSequence);

/* M_ME_TC_1 (14). */
typedef struct sMeasuredValueShortWithCP24Time2a* MeasuredValueShortWithCP24Time2a;
MeasuredValueShortWithCP24Time2a
MeasuredValueShortWithCP24Time2a_create(MeasuredValueShortWithCP24Time2a self, int ioa, float value,
                                        QualityDescriptor quality, CP24Time2a timestamp);
void MeasuredValueShortWithCP24Time2a_destroy(MeasuredValueShortWithCP24Time2a self);
CP24Time2a MeasuredValueShortWithCP24Time2a_getTimestamp(MeasuredValueShortWithCP24Time2a self);
void MeasuredValueShortWithCP24Time2a_setTimestamp(MeasuredValueShortWithCP24Time2a self,
                                                   CP24Time2a value);
MeasuredValueShortWithCP24Time2a
MeasuredValueShortWithCP24Time2a_getFromBuffer(MeasuredValueShortWithCP24Time2a self,
                                               CS101_AppLayerParameters parameters, uint8_t* msg,
                                               int msgSize, int startIndex, bool isSequence);

/* M_ME_TF_1 (36). */
typedef struct sMeasuredValueShortWithCP56Time2a* MeasuredValueShortWithCP56Time2a;
MeasuredValueShortWithCP56Time2a
MeasuredValueShortWithCP56Time2a_create(MeasuredValueShortWithCP56Time2a self, int ioa, float value,
                                        QualityDescriptor quality, CP56Time2a timestamp);
void MeasuredValueShortWithCP56Time2a_destroy(MeasuredValueShortWithCP56Time2a self);
CP56Time2a MeasuredValueShortWithCP56Time2a_getTimestamp(MeasuredValueShortWithCP56Time2a self);
void MeasuredValueShortWithCP56Time2a_setTimestamp(MeasuredValueShortWithCP56Time2a self,
                                                   CP56Time2a value);
MeasuredValueShortWithCP56Time2a
MeasuredValueShortWithCP56Time2a_getFromBuffer(MeasuredValueShortWithCP56Time2a self,
                                               CS101_AppLayerParameters parameters, uint8_t* msg,
                                               int msgSize, int startIndex, bool isSequence);

/* M_IT_NA_1 (15). */
typedef struct sIntegratedTotals* IntegratedTotals;
IntegratedTotals IntegratedTotals_create(IntegratedTotals self, int ioa,
                                         BinaryCounterReading value);
void IntegratedTotals_destroy(IntegratedTotals self);
BinaryCounterReading IntegratedTotals_getBCR(IntegratedTotals self);
void IntegratedTotals_setBCR(IntegratedTotals self, BinaryCounterReading value);
IntegratedTotals IntegratedTotals_getFromBuffer(IntegratedTotals self,
                                                CS101_AppLayerParameters parameters, uint8_t* msg,
                                                int msgSize, int startIndex, bool isSequence);

/* M_IT_TA_1 (16). */
typedef struct sIntegratedTotalsWithCP24Time2a* IntegratedTotalsWithCP24Time2a;
IntegratedTotalsWithCP24Time2a
IntegratedTotalsWithCP24Time2a_create(IntegratedTotalsWithCP24Time2a self, int ioa,
                                      BinaryCounterReading value, CP24Time2a timestamp);
void IntegratedTotalsWithCP24Time2a_destroy(IntegratedTotalsWithCP24Time2a self);
CP24Time2a IntegratedTotalsWithCP24Time2a_getTimestamp(IntegratedTotalsWithCP24Time2a self);
void IntegratedTotalsWithCP24Time2a_setTimestamp(IntegratedTotalsWithCP24Time2a self,
                                                 CP24Time2a value);
IntegratedTotalsWithCP24Time2a
IntegratedTotalsWithCP24Time2a_getFromBuffer(IntegratedTotalsWithCP24Time2a self,
                                             CS101_AppLayerParameters parameters, uint8_t* msg,
                                             int msgSize, int startIndex, bool isSequence);

/* M_IT_TB_1 (37). */
typedef struct sIntegratedTotalsWithCP56Time2a* IntegratedTotalsWithCP56Time2a;
IntegratedTotalsWithCP56Time2a
IntegratedTotalsWithCP56Time2a_create(IntegratedTotalsWithCP56Time2a self, int ioa,
                                      BinaryCounterReading value, CP56Time2a timestamp);
void IntegratedTotalsWithCP56Time2a_destroy(IntegratedTotalsWithCP56Time2a self);
CP56Time2a IntegratedTotalsWithCP56Time2a_getTimestamp(IntegratedTotalsWithCP56Time2a self);
void IntegratedTotalsWithCP56Time2a_setTimestamp(IntegratedTotalsWithCP56Time2a self,
                                                 CP56Time2a value);
IntegratedTotalsWithCP56Time2a
IntegratedTotalsWithCP56Time2a_getFromBuffer(IntegratedTotalsWithCP56Time2a self,
                                             CS101_AppLayerParameters parameters, uint8_t* msg,
                                             int msgSize, int startIndex, bool isSequence);

/* M_EP_TA_1 (17). */
typedef struct sEventOfProtectionEquipment* EventOfProtectionEquipment;
EventOfProtectionEquipment EventOfProtectionEquipment_create(EventOfProtectionEquipment self,
                                                             int ioa, SingleEvent event,
                                                             CP16Time2a elapsedTime,
                                                             CP24Time2a timestamp);
void EventOfProtectionEquipment_destroy(EventOfProtectionEquipment self);
SingleEvent EventOfProtectionEquipment_getEvent(EventOfProtectionEquipment self);
CP16Time2a EventOfProtectionEquipment_getElapsedTime(EventOfProtectionEquipment self);
CP24Time2a EventOfProtectionEquipment_getTimestamp(EventOfProtectionEquipment self);
EventOfProtectionEquipment
EventOfProtectionEquipment_getFromBuffer(EventOfProtectionEquipment self,
                                         CS101_AppLayerParameters parameters, uint8_t* msg,
                                         int msgSize, int startIndex, bool isSequence);

/* M_EP_TD_1 (38). */
typedef struct sEventOfProtectionEquipmentWithCP56Time2a* EventOfProtectionEquipmentWithCP56Time2a;
EventOfProtectionEquipmentWithCP56Time2a
EventOfProtectionEquipmentWithCP56Time2a_create(EventOfProtectionEquipmentWithCP56Time2a self,
                                                int ioa, SingleEvent event, CP16Time2a elapsedTime,
                                                CP56Time2a timestamp);
void EventOfProtectionEquipmentWithCP56Time2a_destroy(
    EventOfProtectionEquipmentWithCP56Time2a self);
SingleEvent
EventOfProtectionEquipmentWithCP56Time2a_getEvent(EventOfProtectionEquipmentWithCP56Time2a self);
CP16Time2a EventOfProtectionEquipmentWithCP56Time2a_getElapsedTime(
    EventOfProtectionEquipmentWithCP56Time2a self);
CP56Time2a EventOfProtectionEquipmentWithCP56Time2a_getTimestamp(
    EventOfProtectionEquipmentWithCP56Time2a self);
EventOfProtectionEquipmentWithCP56Time2a EventOfProtectionEquipmentWithCP56Time2a_getFromBuffer(
    EventOfProtectionEquipmentWithCP56Time2a self, CS101_AppLayerParameters parameters,
    uint8_t* msg, int msgSize, int startIndex, bool isSequence);

/* M_EP_TB_1 (18). */
typedef struct sPackedStartEventsOfProtectionEquipment* PackedStartEventsOfProtectionEquipment;
PackedStartEventsOfProtectionEquipment
PackedStartEventsOfProtectionEquipment_create(PackedStartEventsOfProtectionEquipment self, int ioa,
                                              StartEvent event, QualityDescriptorP qdp,
                                              CP16Time2a elapsedTime, CP24Time2a timestamp);
void PackedStartEventsOfProtectionEquipment_destroy(PackedStartEventsOfProtectionEquipment self);
StartEvent
PackedStartEventsOfProtectionEquipment_getEvent(PackedStartEventsOfProtectionEquipment self);
QualityDescriptorP
PackedStartEventsOfProtectionEquipment_getQuality(PackedStartEventsOfProtectionEquipment self);
CP16Time2a
PackedStartEventsOfProtectionEquipment_getElapsedTime(PackedStartEventsOfProtectionEquipment self);
CP24Time2a
PackedStartEventsOfProtectionEquipment_getTimestamp(PackedStartEventsOfProtectionEquipment self);
PackedStartEventsOfProtectionEquipment PackedStartEventsOfProtectionEquipment_getFromBuffer(
    PackedStartEventsOfProtectionEquipment self, CS101_AppLayerParameters parameters, uint8_t* msg,
    int msgSize, int startIndex, bool isSequence);

/* M_EP_TE_1 (39). */
typedef struct sPackedStartEventsOfProtectionEquipmentWithCP56Time2a*
    PackedStartEventsOfProtectionEquipmentWithCP56Time2a;
PackedStartEventsOfProtectionEquipmentWithCP56Time2a
PackedStartEventsOfProtectionEquipmentWithCP56Time2a_create(
    PackedStartEventsOfProtectionEquipmentWithCP56Time2a self, int ioa, StartEvent event,
    QualityDescriptorP qdp, CP16Time2a elapsedTime, CP56Time2a timestamp);
void PackedStartEventsOfProtectionEquipmentWithCP56Time2a_destroy(
    PackedStartEventsOfProtectionEquipmentWithCP56Time2a self);
StartEvent PackedStartEventsOfProtectionEquipmentWithCP56Time2a_getEvent(
    PackedStartEventsOfProtectionEquipmentWithCP56Time2a self);
QualityDescriptorP PackedStartEventsOfProtectionEquipmentWithCP56Time2a_getQuality(
    PackedStartEventsOfProtectionEquipmentWithCP56Time2a self);
CP16Time2a PackedStartEventsOfProtectionEquipmentWithCP56Time2a_getElapsedTime(
    PackedStartEventsOfProtectionEquipmentWithCP56Time2a self);
CP56Time2a PackedStartEventsOfProtectionEquipmentWithCP56Time2a_getTimestamp(
    PackedStartEventsOfProtectionEquipmentWithCP56Time2a self);
PackedStartEventsOfProtectionEquipmentWithCP56Time2a
PackedStartEventsOfProtectionEquipmentWithCP56Time2a_getFromBuffer(
    PackedStartEventsOfProtectionEquipmentWithCP56Time2a self, CS101_AppLayerParameters parameters,
    uint8_t* msg, int msgSize, int startIndex, bool isSequence);

/* M_EP_TC_1 (19). */
typedef struct sPackedOutputCircuitInfo* PackedOutputCircuitInfo;
PackedOutputCircuitInfo PackedOutputCircuitInfo_create(PackedOutputCircuitInfo self, int ioa,
                                                       OutputCircuitInfo oci,
                                                       QualityDescriptorP qdp,
                                                       CP16Time2a operatingTime,
                                                       CP24Time2a timestamp);
void PackedOutputCircuitInfo_destroy(PackedOutputCircuitInfo self);
OutputCircuitInfo PackedOutputCircuitInfo_getOCI(PackedOutputCircuitInfo self);
QualityDescriptorP PackedOutputCircuitInfo_getQuality(PackedOutputCircuitInfo self);
CP16Time2a PackedOutputCircuitInfo_getOperatingTime(PackedOutputCircuitInfo self);
CP24Time2a PackedOutputCircuitInfo_getTimestamp(PackedOutputCircuitInfo self);
PackedOutputCircuitInfo PackedOutputCircuitInfo_getFromBuffer(PackedOutputCircuitInfo self,
                                                              CS101_AppLayerParameters parameters,
                                                              uint8_t* msg, int msgSize,
                                                              int startIndex, bool isSequence);

/* M_EP_TF_1 (40). */
typedef struct sPackedOutputCircuitInfoWithCP56Time2a* PackedOutputCircuitInfoWithCP56Time2a;
PackedOutputCircuitInfoWithCP56Time2a
PackedOutputCircuitInfoWithCP56Time2a_create(PackedOutputCircuitInfoWithCP56Time2a self, int ioa,
                                             OutputCircuitInfo oci, QualityDescriptorP qdp,
                                             CP16Time2a operatingTime, CP56Time2a timestamp);
void PackedOutputCircuitInfoWithCP56Time2a_destroy(PackedOutputCircuitInfoWithCP56Time2a self);
OutputCircuitInfo
PackedOutputCircuitInfoWithCP56Time2a_getOCI(PackedOutputCircuitInfoWithCP56Time2a self);
QualityDescriptorP
PackedOutputCircuitInfoWithCP56Time2a_getQuality(PackedOutputCircuitInfoWithCP56Time2a self);
CP16Time2a
PackedOutputCircuitInfoWithCP56Time2a_getOperatingTime(PackedOutputCircuitInfoWithCP56Time2a self);
CP56Time2a
PackedOutputCircuitInfoWithCP56Time2a_getTimestamp(PackedOutputCircuitInfoWithCP56Time2a self);
PackedOutputCircuitInfoWithCP56Time2a PackedOutputCircuitInfoWithCP56Time2a_getFromBuffer(
    PackedOutputCircuitInfoWithCP56Time2a self, CS101_AppLayerParameters parameters, uint8_t* msg,
    int msgSize, int startIndex, bool isSequence);

/* M_PS_NA_1 (20). */
typedef struct sPackedSinglePointWithSCD* PackedSinglePointWithSCD;
PackedSinglePointWithSCD PackedSinglePointWithSCD_create(PackedSinglePointWithSCD self, int ioa,
                                                         StatusAndStatusChangeDetection scd,
                                                         QualityDescriptor qds);
void PackedSinglePointWithSCD_destroy(PackedSinglePointWithSCD self);
StatusAndStatusChangeDetection PackedSinglePointWithSCD_getSCD(PackedSinglePointWithSCD self);
QualityDescriptor PackedSinglePointWithSCD_getQuality(PackedSinglePointWithSCD self);
PackedSinglePointWithSCD PackedSinglePointWithSCD_getFromBuffer(PackedSinglePointWithSCD self,
                                                                CS101_AppLayerParameters parameters,
                                                                uint8_t* msg, int msgSize,
                                                                int startIndex, bool isSequence);

/* M_ME_ND_1 (21). Stored as value * 32767.5 - 0.5 truncated, clamped to -1.0..1.0. */
typedef struct sMeasuredValueNormalizedWithoutQuality* MeasuredValueNormalizedWithoutQuality;
MeasuredValueNormalizedWithoutQuality
MeasuredValueNormalizedWithoutQuality_create(MeasuredValueNormalizedWithoutQuality self, int ioa,
                                             float value);
void MeasuredValueNormalizedWithoutQuality_destroy(MeasuredValueNormalizedWithoutQuality self);
float MeasuredValueNormalizedWithoutQuality_getValue(MeasuredValueNormalizedWithoutQuality self);
void MeasuredValueNormalizedWithoutQuality_setValue(MeasuredValueNormalizedWithoutQuality self,
                                                    float value);
MeasuredValueNormalizedWithoutQuality MeasuredValueNormalizedWithoutQuality_getFromBuffer(
    MeasuredValueNormalizedWithoutQuality self, CS101_AppLayerParameters parameters, uint8_t* msg,
    int msgSize, int startIndex, bool isSequence);

/* ---------------------------------------------------------- command types */
/* Command readers always read an address first (no sequence form). */

/* C_SC_NA_1 (45). SCO: bit 0 state, bits 2-6 QU, bit 7 select. */
typedef struct sSingleCommand* SingleCommand;
SingleCommand SingleCommand_create(SingleCommand self, int ioa, bool command, bool selectCommand,
                                   int qu);
void SingleCommand_destroy(SingleCommand self);
bool SingleCommand_getState(SingleCommand self);
int SingleCommand_getQU(SingleCommand self);
bool SingleCommand_isSelect(SingleCommand self);
SingleCommand SingleCommand_getFromBuffer(SingleCommand self, CS101_AppLayerParameters parameters,
                                          uint8_t* msg, int msgSize, int startIndex);

/* C_SC_TA_1 (58); the SingleCommand accessors apply to it. */
typedef struct sSingleCommandWithCP56Time2a* SingleCommandWithCP56Time2a;
SingleCommandWithCP56Time2a SingleCommandWithCP56Time2a_create(SingleCommandWithCP56Time2a self,
                                                               int ioa, bool command,
                                                               bool selectCommand, int qu,
                                                               CP56Time2a timestamp);
void SingleCommandWithCP56Time2a_destroy(SingleCommandWithCP56Time2a self);
CP56Time2a SingleCommandWithCP56Time2a_getTimestamp(SingleCommandWithCP56Time2a self);
SingleCommandWithCP56Time2a
SingleCommandWithCP56Time2a_getFromBuffer(SingleCommandWithCP56Time2a self,
                                          CS101_AppLayerParameters parameters, uint8_t* msg,
                                          int msgSize, int startIndex);

/* C_DC_NA_1 (46). DCO: bits 0-1 state, bits 2-6 QU, bit 7 select. */
typedef struct sDoubleCommand* DoubleCommand;
DoubleCommand DoubleCommand_create(DoubleCommand self, int ioa, int command, bool selectCommand,
                                   int qu);
void DoubleCommand_destroy(DoubleCommand self);
int DoubleCommand_getState(DoubleCommand self);
int DoubleCommand_getQU(DoubleCommand self);
bool DoubleCommand_isSelect(DoubleCommand self);
DoubleCommand DoubleCommand_getFromBuffer(DoubleCommand self, CS101_AppLayerParameters parameters,
                                          uint8_t* msg, int msgSize, int startIndex);

/* C_DC_TA_1 (59). */
typedef struct sDoubleCommandWithCP56Time2a* DoubleCommandWithCP56Time2a;
DoubleCommandWithCP56Time2a DoubleCommandWithCP56Time2a_create(DoubleCommandWithCP56Time2a self,
                                                               int ioa, int command,
                                                               bool selectCommand, int qu,
                                                               CP56Time2a timestamp);
void DoubleCommandWithCP56Time2a_destroy(DoubleCommandWithCP56Time2a self);
int DoubleCommandWithCP56Time2a_getState(DoubleCommandWithCP56Time2a self);
int DoubleCommandWithCP56Time2a_getQU(DoubleCommandWithCP56Time2a self);
bool DoubleCommandWithCP56Time2a_isSelect(DoubleCommandWithCP56Time2a self);
CP56Time2a DoubleCommandWithCP56Time2a_getTimestamp(DoubleCommandWithCP56Time2a self);
DoubleCommandWithCP56Time2a
DoubleCommandWithCP56Time2a_getFromBuffer(DoubleCommandWithCP56Time2a self,
                                          CS101_AppLayerParameters parameters, uint8_t* msg,
                                          int msgSize, int startIndex);

/* C_RC_NA_1 (47). RCO: bits 0-1 StepCommandValue, bits 2-6 QU, bit 7 select. */
typedef struct sStepCommand* StepCommand;
StepCommand StepCommand_create(StepCommand self, int ioa, StepCommandValue command,
                               bool selectCommand, int qu);
void StepCommand_destroy(StepCommand self);
StepCommandValue StepCommand_getState(StepCommand self);
int StepCommand_getQU(StepCommand self);
bool StepCommand_isSelect(StepCommand self);
StepCommand StepCommand_getFromBuffer(StepCommand self, CS101_AppLayerParameters parameters,
                                      uint8_t* msg, int msgSize, int startIndex);

/* C_RC_TA_1 (60). */
typedef struct sStepCommandWithCP56Time2a* StepCommandWithCP56Time2a;
StepCommandWithCP56Time2a StepCommandWithCP56Time2a_create(StepCommandWithCP56Time2a self, int ioa,
                                                           StepCommandValue command,
                                                           bool selectCommand, int qu,
                                                           CP56Time2a timestamp);
void StepCommandWithCP56Time2a_destroy(StepCommandWithCP56Time2a self);
StepCommandValue StepCommandWithCP56Time2a_getState(StepCommandWithCP56Time2a self);
int StepCommandWithCP56Time2a_getQU(StepCommandWithCP56Time2a self);
bool StepCommandWithCP56Time2a_isSelect(StepCommandWithCP56Time2a self);
CP56Time2a StepCommandWithCP56Time2a_getTimestamp(StepCommandWithCP56Time2a self);
StepCommandWithCP56Time2a
StepCommandWithCP56Time2a_getFromBuffer(StepCommandWithCP56Time2a self,
                                        CS101_AppLayerParameters parameters, uint8_t* msg,
                                        int msgSize, int startIndex);

/* C_SE_NA_1 (48). QOS: bits 0-6 QL, bit 7 select. */
typedef struct sSetpointCommandNormalized* SetpointCommandNormalized;
SetpointCommandNormalized SetpointCommandNormalized_create(SetpointCommandNormalized self, int ioa,
                                                           float value, bool selectCommand, int ql);
void SetpointCommandNormalized_destroy(SetpointCommandNormalized self);
float SetpointCommandNormalized_getValue(SetpointCommandNormalized self);
int SetpointCommandNormalized_getQL(SetpointCommandNormalized self);
bool SetpointCommandNormalized_isSelect(SetpointCommandNormalized self);
SetpointCommandNormalized
SetpointCommandNormalized_getFromBuffer(SetpointCommandNormalized self,
                                        CS101_AppLayerParameters parameters, uint8_t* msg,
                                        int msgSize, int startIndex);

/* C_SE_TA_1 (61). */
typedef struct sSetpointCommandNormalizedWithCP56Time2a* SetpointCommandNormalizedWithCP56Time2a;
SetpointCommandNormalizedWithCP56Time2a
SetpointCommandNormalizedWithCP56Time2a_create(SetpointCommandNormalizedWithCP56Time2a self,
                                               int ioa, float value, bool selectCommand, int ql,
                                               CP56Time2a timestamp);
void SetpointCommandNormalizedWithCP56Time2a_destroy(SetpointCommandNormalizedWithCP56Time2a self);
float SetpointCommandNormalizedWithCP56Time2a_getValue(
    SetpointCommandNormalizedWithCP56Time2a self);
int SetpointCommandNormalizedWithCP56Time2a_getQL(SetpointCommandNormalizedWithCP56Time2a self);
bool SetpointCommandNormalizedWithCP56Time2a_isSelect(SetpointCommandNormalizedWithCP56Time2a self);
CP56Time2a
SetpointCommandNormalizedWithCP56Time2a_getTimestamp(SetpointCommandNormalizedWithCP56Time2a self);
SetpointCommandNormalizedWithCP56Time2a
SetpointCommandNormalizedWithCP56Time2a_getFromBuffer(SetpointCommandNormalizedWithCP56Time2a self,
                                                      CS101_AppLayerParameters parameters,
                                                      uint8_t* msg, int msgSize, int startIndex);

/* C_SE_NB_1 (49). */
typedef struct sSetpointCommandScaled* SetpointCommandScaled;
SetpointCommandScaled SetpointCommandScaled_create(SetpointCommandScaled self, int ioa, int value,
                                                   bool selectCommand, int ql);
void SetpointCommandScaled_destroy(SetpointCommandScaled self);
int SetpointCommandScaled_getValue(SetpointCommandScaled self);
int SetpointCommandScaled_getQL(SetpointCommandScaled self);
bool SetpointCommandScaled_isSelect(SetpointCommandScaled self);
SetpointCommandScaled SetpointCommandScaled_getFromBuffer(SetpointCommandScaled self,
                                                          CS101_AppLayerParameters parameters,
                                                          uint8_t* msg, int msgSize,
                                                          int startIndex);

/* C_SE_TB_1 (62). */
typedef struct sSetpointCommandScaledWithCP56Time2a* SetpointCommandScaledWithCP56Time2a;
SetpointCommandScaledWithCP56Time2a
SetpointCommandScaledWithCP56Time2a_create(SetpointCommandScaledWithCP56Time2a self, int ioa,
                                           int value, bool selectCommand, int ql,
                                           CP56Time2a timestamp);
void SetpointCommandScaledWithCP56Time2a_destroy(SetpointCommandScaledWithCP56Time2a self);
int SetpointCommandScaledWithCP56Time2a_getValue(SetpointCommandScaledWithCP56Time2a self);
int SetpointCommandScaledWithCP56Time2a_getQL(SetpointCommandScaledWithCP56Time2a self);
bool SetpointCommandScaledWithCP56Time2a_isSelect(SetpointCommandScaledWithCP56Time2a self);
CP56Time2a
SetpointCommandScaledWithCP56Time2a_getTimestamp(SetpointCommandScaledWithCP56Time2a self);
SetpointCommandScaledWithCP56Time2a
SetpointCommandScaledWithCP56Time2a_getFromBuffer(SetpointCommandScaledWithCP56Time2a self,
                                                  CS101_AppLayerParameters parameters, uint8_t* msg,
                                                  int msgSize, int startIndex);

/* C_SE_NC_1 (50). */
typedef struct sSetpointCommandShort* SetpointCommandShort;
SetpointCommandShort SetpointCommandShort_create(SetpointCommandShort self, int ioa, float value,
                                                 bool selectCommand, int ql);
void SetpointCommandShort_destroy(SetpointCommandShort self);
float SetpointCommandShort_getValue(SetpointCommandShort self);
int SetpointCommandShort_getQL(SetpointCommandShort self);
bool SetpointCommandShort_isSelect(SetpointCommandShort self);
SetpointCommandShort SetpointCommandShort_getFromBuffer(SetpointCommandShort self,
                                                        CS101_AppLayerParameters parameters,
                                                        uint8_t* msg, int msgSize, int startIndex);

/* C_SE_TC_1 (63). */
typedef struct sSetpointCommandShortWithCP56Time2a* SetpointCommandShortWithCP56Time2a;
SetpointCommandShortWithCP56Time2a
SetpointCommandShortWithCP56Time2a_create(SetpointCommandShortWithCP56Time2a self, int ioa,
                                          float value, bool selectCommand, int ql,
                                          CP56Time2a timestamp);
void SetpointCommandShortWithCP56Time2a_destroy(SetpointCommandShortWithCP56Time2a self);
float SetpointCommandShortWithCP56Time2a_getValue(SetpointCommandShortWithCP56Time2a self);
int SetpointCommandShortWithCP56Time2a_getQL(SetpointCommandShortWithCP56Time2a self);
bool SetpointCommandShortWithCP56Time2a_isSelect(SetpointCommandShortWithCP56Time2a self);
CP56Time2a SetpointCommandShortWithCP56Time2a_getTimestamp(SetpointCommandShortWithCP56Time2a self);
SetpointCommandShortWithCP56Time2a
SetpointCommandShortWithCP56Time2a_getFromBuffer(SetpointCommandShortWithCP56Time2a self,
                                                 CS101_AppLayerParameters parameters, uint8_t* msg,
                                                 int msgSize, int startIndex);

/* C_BO_NA_1 (51). */
typedef struct sBitstring32Command* Bitstring32Command;
Bitstring32Command Bitstring32Command_create(Bitstring32Command self, int ioa, uint32_t value);
void Bitstring32Command_destroy(Bitstring32Command self);
uint32_t Bitstring32Command_getValue(Bitstring32Command self);
Bitstring32Command Bitstring32Command_getFromBuffer(Bitstring32Command self,
                                                    CS101_AppLayerParameters parameters,
                                                    uint8_t* msg, int msgSize, int startIndex);

/* C_BO_TA_1 (64). */
typedef struct sBitstring32CommandWithCP56Time2a* Bitstring32CommandWithCP56Time2a;
Bitstring32CommandWithCP56Time2a
Bitstring32CommandWithCP56Time2a_create(Bitstring32CommandWithCP56Time2a self, int ioa,
                                        uint32_t value, CP56Time2a timestamp);
void Bitstring32CommandWithCP56Time2a_destroy(Bitstring32CommandWithCP56Time2a self);
uint32_t Bitstring32CommandWithCP56Time2a_getValue(Bitstring32CommandWithCP56Time2a self);
CP56Time2a Bitstring32CommandWithCP56Time2a_getTimestamp(Bitstring32CommandWithCP56Time2a self);
Bitstring32CommandWithCP56Time2a
Bitstring32CommandWithCP56Time2a_getFromBuffer(Bitstring32CommandWithCP56Time2a self,
                                               CS101_AppLayerParameters parameters, uint8_t* msg,
                                               int msgSize, int startIndex);

/* ----------------------------------------------------------- system types */

/* M_EI_NA_1 (70); address 0. */
typedef struct sEndOfInitialization* EndOfInitialization;
EndOfInitialization EndOfInitialization_create(EndOfInitialization self, uint8_t coi);
void EndOfInitialization_destroy(EndOfInitialization self);
uint8_t EndOfInitialization_getCOI(EndOfInitialization self);
EndOfInitialization EndOfInitialization_getFromBuffer(EndOfInitialization self,
                                                      CS101_AppLayerParameters parameters,
                                                      uint8_t* msg, int msgSize, int startIndex);

/* C_IC_NA_1 (100). */
typedef struct sInterrogationCommand* InterrogationCommand;
InterrogationCommand InterrogationCommand_create(InterrogationCommand self, int ioa, uint8_t qoi);
void InterrogationCommand_destroy(InterrogationCommand self);
uint8_t InterrogationCommand_getQOI(InterrogationCommand self);
InterrogationCommand InterrogationCommand_getFromBuffer(InterrogationCommand self,
                                                        CS101_AppLayerParameters parameters,
                                                        uint8_t* msg, int msgSize, int startIndex);

/* C_CI_NA_1 (101). */
typedef struct sCounterInterrogationCommand* CounterInterrogationCommand;
CounterInterrogationCommand CounterInterrogationCommand_create(CounterInterrogationCommand self,
                                                               int ioa, QualifierOfCIC qcc);
void CounterInterrogationCommand_destroy(CounterInterrogationCommand self);
QualifierOfCIC CounterInterrogationCommand_getQCC(CounterInterrogationCommand self);
CounterInterrogationCommand
CounterInterrogationCommand_getFromBuffer(CounterInterrogationCommand self,
                                          CS101_AppLayerParameters parameters, uint8_t* msg,
                                          int msgSize, int startIndex);

/* C_RD_NA_1 (102): the address only. */
typedef struct sReadCommand* ReadCommand;
ReadCommand ReadCommand_create(ReadCommand self, int ioa);
void ReadCommand_destroy(ReadCommand self);
ReadCommand ReadCommand_getFromBuffer(ReadCommand self, CS101_AppLayerParameters parameters,
                                      uint8_t* msg, int msgSize, int startIndex);

/* C_CS_NA_1 (103). */
typedef struct sClockSynchronizationCommand* ClockSynchronizationCommand;
ClockSynchronizationCommand ClockSynchronizationCommand_create(ClockSynchronizationCommand self,
                                                               int ioa, CP56Time2a timestamp);
void ClockSynchronizationCommand_destroy(ClockSynchronizationCommand self);
CP56Time2a ClockSynchronizationCommand_getTime(ClockSynchronizationCommand self);
ClockSynchronizationCommand
ClockSynchronizationCommand_getFromBuffer(ClockSynchronizationCommand self,
                                          CS101_AppLayerParameters parameters, uint8_t* msg,
                                          int msgSize, int startIndex);

/* C_TS_NA_1 (104): address 0, test pattern 0xCC 0x55. */
typedef struct sTestCommand* TestCommand;
TestCommand TestCommand_create(TestCommand self);
void TestCommand_destroy(TestCommand self);
/* True when the two octets are the test pattern 0xCC 0x55. */
bool TestCommand_isValid(TestCommand self);
TestCommand TestCommand_getFromBuffer(TestCommand self, CS101_AppLayerParameters parameters,
                                      uint8_t* msg, int msgSize, int startIndex);

/* C_RP_NA_1 (105). */
typedef struct sResetProcessCommand* ResetProcessCommand;
ResetProcessCommand ResetProcessCommand_create(ResetProcessCommand self, int ioa,
                                               QualifierOfRPC qrp);
void ResetProcessCommand_destroy(ResetProcessCommand self);
QualifierOfRPC ResetProcessCommand_getQRP(ResetProcessCommand self);
ResetProcessCommand ResetProcessCommand_getFromBuffer(ResetProcessCommand self,
                                                      CS101_AppLayerParameters parameters,
                                                      uint8_t* msg, int msgSize, int startIndex);

/* C_CD_NA_1 (106). */
typedef struct sDelayAcquisitionCommand* DelayAcquisitionCommand;
DelayAcquisitionCommand DelayAcquisitionCommand_create(DelayAcquisitionCommand self, int ioa,
                                                       CP16Time2a delay);
void DelayAcquisitionCommand_destroy(DelayAcquisitionCommand self);
CP16Time2a DelayAcquisitionCommand_getDelay(DelayAcquisitionCommand self);
DelayAcquisitionCommand DelayAcquisitionCommand_getFromBuffer(DelayAcquisitionCommand self,
                                                              CS101_AppLayerParameters parameters,
                                                              uint8_t* msg, int msgSize,
                                                              int startIndex);

/* -------------------------------------------------------- parameter types */
/* The measured-value records with the QPM in the quality octet and type 110/111/112. */

typedef struct sMeasuredValueNormalized* ParameterNormalizedValue;
ParameterNormalizedValue ParameterNormalizedValue_create(ParameterNormalizedValue self, int ioa,
                                                         float value,
                                                         QualifierOfParameterMV quality);
void ParameterNormalizedValue_destroy(ParameterNormalizedValue self);
float ParameterNormalizedValue_getValue(ParameterNormalizedValue self);
void ParameterNormalizedValue_setValue(ParameterNormalizedValue self, float value);
QualifierOfParameterMV ParameterNormalizedValue_getQPM(ParameterNormalizedValue self);
ParameterNormalizedValue ParameterNormalizedValue_getFromBuffer(ParameterNormalizedValue self,
                                                                CS101_AppLayerParameters parameters,
                                                                uint8_t* msg, int msgSize,
                                                                int startIndex);

typedef struct sMeasuredValueScaled* ParameterScaledValue;
ParameterScaledValue ParameterScaledValue_create(ParameterScaledValue self, int ioa, int value,
                                                 QualifierOfParameterMV qpm);
void ParameterScaledValue_destroy(ParameterScaledValue self);
int ParameterScaledValue_getValue(ParameterScaledValue self);
void ParameterScaledValue_setValue(ParameterScaledValue self, int value);
QualifierOfParameterMV ParameterScaledValue_getQPM(ParameterScaledValue self);
ParameterScaledValue ParameterScaledValue_getFromBuffer(ParameterScaledValue self,
                                                        CS101_AppLayerParameters parameters,
                                                        uint8_t* msg, int msgSize, int startIndex);

typedef struct sMeasuredValueShort* ParameterFloatValue;
ParameterFloatValue ParameterFloatValue_create(ParameterFloatValue self, int ioa, float value,
                                               QualifierOfParameterMV qpm);
void ParameterFloatValue_destroy(ParameterFloatValue self);
float ParameterFloatValue_getValue(ParameterFloatValue self);
void ParameterFloatValue_setValue(ParameterFloatValue self, float value);
QualifierOfParameterMV ParameterFloatValue_getQPM(ParameterFloatValue self);
ParameterFloatValue ParameterFloatValue_getFromBuffer(ParameterFloatValue self,
                                                      CS101_AppLayerParameters parameters,
                                                      uint8_t* msg, int msgSize, int startIndex);

/* P_AC_NA_1 (113). */
typedef struct sParameterActivation* ParameterActivation;
ParameterActivation ParameterActivation_create(ParameterActivation self, int ioa,
                                               QualifierOfParameterActivation qpa);
void ParameterActivation_destroy(ParameterActivation self);
/* The QPA. */
QualifierOfParameterActivation ParameterActivation_getQuality(ParameterActivation self);
ParameterActivation ParameterActivation_getFromBuffer(ParameterActivation self,
                                                      CS101_AppLayerParameters parameters,
                                                      uint8_t* msg, int msgSize, int startIndex);

/* ------------------------------------------------------------- file types */

/* F_FR_NA_1 (120). FRQ is 0x80 when created positive, else 0; isPositive reads FRQ bit 7. */
typedef struct sFileReady* FileReady;
FileReady FileReady_create(FileReady self, int ioa, uint16_t nof, uint32_t lengthOfFile,
                           bool positive);
void FileReady_destroy(FileReady self);
uint8_t FileReady_getFRQ(FileReady self);
void FileReady_setFRQ(FileReady self, uint8_t frq);
bool FileReady_isPositive(FileReady self);
uint16_t FileReady_getNOF(FileReady self);
uint32_t FileReady_getLengthOfFile(FileReady self);
FileReady FileReady_getFromBuffer(FileReady self, CS101_AppLayerParameters parameters, uint8_t* msg,
                                  int msgSize, int startIndex);

/* F_SR_NA_1 (121). */
typedef struct sSectionReady* SectionReady;
SectionReady SectionReady_create(SectionReady self, int ioa, uint16_t nof, uint8_t nos,
                                 uint32_t lengthOfSection, bool notReady);
void SectionReady_destroy(SectionReady self);
bool SectionReady_isNotReady(SectionReady self);
uint8_t SectionReady_getSRQ(SectionReady self);
void SectionReady_setSRQ(SectionReady self, uint8_t srq);
uint16_t SectionReady_getNOF(SectionReady self);
uint8_t SectionReady_getNameOfSection(SectionReady self);
uint32_t SectionReady_getLengthOfSection(SectionReady self);
SectionReady SectionReady_getFromBuffer(SectionReady self, CS101_AppLayerParameters parameters,
                                        uint8_t* msg, int msgSize, int startIndex);

/* F_SC_NA_1 (122). */
typedef struct sFileCallOrSelect* FileCallOrSelect;
FileCallOrSelect FileCallOrSelect_create(FileCallOrSelect self, int ioa, uint16_t nof, uint8_t nos,
                                         uint8_t scq);
void FileCallOrSelect_destroy(FileCallOrSelect self);
uint16_t FileCallOrSelect_getNOF(FileCallOrSelect self);
uint8_t FileCallOrSelect_getNameOfSection(FileCallOrSelect self);
uint8_t FileCallOrSelect_getSCQ(FileCallOrSelect self);
FileCallOrSelect FileCallOrSelect_getFromBuffer(FileCallOrSelect self,
                                                CS101_AppLayerParameters parameters, uint8_t* msg,
                                                int msgSize, int startIndex);

/* F_LS_NA_1 (123). */
typedef struct sFileLastSegmentOrSection* FileLastSegmentOrSection;
FileLastSegmentOrSection FileLastSegmentOrSection_create(FileLastSegmentOrSection self, int ioa,
                                                         uint16_t nof, uint8_t nos, uint8_t lsq,
                                                         uint8_t chs);
void FileLastSegmentOrSection_destroy(FileLastSegmentOrSection self);
uint16_t FileLastSegmentOrSection_getNOF(FileLastSegmentOrSection self);
uint8_t FileLastSegmentOrSection_getNameOfSection(FileLastSegmentOrSection self);
uint8_t FileLastSegmentOrSection_getLSQ(FileLastSegmentOrSection self);
uint8_t FileLastSegmentOrSection_getCHS(FileLastSegmentOrSection self);
FileLastSegmentOrSection FileLastSegmentOrSection_getFromBuffer(FileLastSegmentOrSection self,
                                                                CS101_AppLayerParameters parameters,
                                                                uint8_t* msg, int msgSize,
                                                                int startIndex);

/* F_AF_NA_1 (124). */
typedef struct sFileACK* FileACK;
FileACK FileACK_create(FileACK self, int ioa, uint16_t nof, uint8_t nos, uint8_t afq);
void FileACK_destroy(FileACK self);
uint16_t FileACK_getNOF(FileACK self);
uint8_t FileACK_getNameOfSection(FileACK self);
uint8_t FileACK_getAFQ(FileACK self);
FileACK FileACK_getFromBuffer(FileACK self, CS101_AppLayerParameters parameters, uint8_t* msg,
                              int msgSize, int startIndex);

/* F_SG_NA_1 (125). The object points at data (not copied, not freed). */
typedef struct sFileSegment* FileSegment;
FileSegment FileSegment_create(FileSegment self, int ioa, uint16_t nof, uint8_t nos, uint8_t* data,
                               uint8_t los);
void FileSegment_destroy(FileSegment self);
uint16_t FileSegment_getNOF(FileSegment self);
uint8_t FileSegment_getNameOfSection(FileSegment self);
uint8_t FileSegment_getLengthOfSegment(FileSegment self);
uint8_t* FileSegment_getSegmentData(FileSegment self);
/* Longest segment an ASDU can carry: 249 - type id - VSQ - CA - COT sizes (243 with 1,1,2,2). */
int FileSegment_GetMaxDataSize(CS101_AppLayerParameters parameters);
/* The segment's data then points into msg, which must outlive the object. */
FileSegment FileSegment_getFromBuffer(FileSegment self, CS101_AppLayerParameters parameters,
                                      uint8_t* msg, int msgSize, int startIndex);

/* F_DR_TA_1 (126). SOF: bits 0-4 status, bit 5 LFD, bit 6 FOR, bit 7 FA. */
typedef struct sFileDirectory* FileDirectory;
FileDirectory FileDirectory_create(FileDirectory self, int ioa, uint16_t nof, int lengthOfFile,
                                   uint8_t sof, CP56Time2a creationTime);
void FileDirectory_destroy(FileDirectory self);
uint16_t FileDirectory_getNOF(FileDirectory self);
uint8_t FileDirectory_getSOF(FileDirectory self);
int FileDirectory_getSTATUS(FileDirectory self);
bool FileDirectory_getLFD(FileDirectory self);
bool FileDirectory_getFOR(FileDirectory self);
bool FileDirectory_getFA(FileDirectory self);
/* The 24-bit length of file. */
int FileDirectory_getLengthOfFile(FileDirectory self);
CP56Time2a FileDirectory_getCreationTime(FileDirectory self);
FileDirectory FileDirectory_getFromBuffer(FileDirectory self, CS101_AppLayerParameters parameters,
                                          uint8_t* msg, int msgSize, int startIndex,
                                          bool isSequence);

#endif
