// SPDX-License-Identifier: Apache-2.0
/*
 * Records of the information objects (see cs101_information_objects.h for
 * the operations and ownership rules).
 *
 * Every record starts with the three base fields in the order of
 * sInformationObject, so a pointer to any record is a valid
 * InformationObject. A time-tagged record begins with exactly the fields of
 * its untimed type, so the untimed type's accessors and its encoder apply to
 * it. The parameter types (110-112) reuse the measured-value records.
 */
#ifndef INFORMATION_OBJECTS_INTERNAL_H
#define INFORMATION_OBJECTS_INTERNAL_H

#include "cs101_information_objects.h"
#include "frame.h"

#include <cstdint>

typedef bool (*EncodeFunction)(InformationObject self, Frame frame,
                               CS101_AppLayerParameters parameters, bool isSequence);
typedef void (*DestroyFunction)(InformationObject self);

/* Operation table of one information-object type; tables are constant. */
struct sInformationObjectVFT {
    EncodeFunction encode;
    DestroyFunction destroy;
};
typedef const struct sInformationObjectVFT* InformationObjectVFT;

#define INFORMATION_OBJECT_BASE                                                                    \
    int objectAddress;                                                                             \
    TypeID type;                                                                                   \
    InformationObjectVFT virtualFunctionTable

struct sInformationObject {
    INFORMATION_OBJECT_BASE;
};

/* Element size in octets (what follows the address) of a type that
 * CS101_ASDU_getElement decodes; -1 for a type it does not decode. FileSegment
 * gives its fixed part (4), the LOS data octets follow. */
int InformationObject_getElementSize(TypeID type);

/* ---------------------------------------------------------- monitoring */

struct sSinglePointInformation {
    INFORMATION_OBJECT_BASE;
    bool value;
    QualityDescriptor quality;
};
struct sSinglePointWithCP24Time2a {
    INFORMATION_OBJECT_BASE;
    bool value;
    QualityDescriptor quality;
    struct sCP24Time2a timestamp;
};
struct sSinglePointWithCP56Time2a {
    INFORMATION_OBJECT_BASE;
    bool value;
    QualityDescriptor quality;
    struct sCP56Time2a timestamp;
};

struct sDoublePointInformation {
    INFORMATION_OBJECT_BASE;
    DoublePointValue value;
    QualityDescriptor quality;
};
struct sDoublePointWithCP24Time2a {
    INFORMATION_OBJECT_BASE;
    DoublePointValue value;
    QualityDescriptor quality;
    struct sCP24Time2a timestamp;
};
struct sDoublePointWithCP56Time2a {
    INFORMATION_OBJECT_BASE;
    DoublePointValue value;
    QualityDescriptor quality;
    struct sCP56Time2a timestamp;
};

struct sStepPositionInformation {
    INFORMATION_OBJECT_BASE;
    uint8_t vti;
    QualityDescriptor quality;
};
struct sStepPositionWithCP24Time2a {
    INFORMATION_OBJECT_BASE;
    uint8_t vti;
    QualityDescriptor quality;
    struct sCP24Time2a timestamp;
};
struct sStepPositionWithCP56Time2a {
    INFORMATION_OBJECT_BASE;
    uint8_t vti;
    QualityDescriptor quality;
    struct sCP56Time2a timestamp;
};

struct sBitString32 {
    INFORMATION_OBJECT_BASE;
    uint32_t value;
    QualityDescriptor quality;
};
struct sBitstring32WithCP24Time2a {
    INFORMATION_OBJECT_BASE;
    uint32_t value;
    QualityDescriptor quality;
    struct sCP24Time2a timestamp;
};
struct sBitstring32WithCP56Time2a {
    INFORMATION_OBJECT_BASE;
    uint32_t value;
    QualityDescriptor quality;
    struct sCP56Time2a timestamp;
};

struct sMeasuredValueNormalized {
    INFORMATION_OBJECT_BASE;
    uint8_t encodedValue[2];
    QualityDescriptor quality;
};
struct sMeasuredValueNormalizedWithCP24Time2a {
    INFORMATION_OBJECT_BASE;
    uint8_t encodedValue[2];
    QualityDescriptor quality;
    struct sCP24Time2a timestamp;
};
struct sMeasuredValueNormalizedWithCP56Time2a {
    INFORMATION_OBJECT_BASE;
    uint8_t encodedValue[2];
    QualityDescriptor quality;
    struct sCP56Time2a timestamp;
};

struct sMeasuredValueScaled {
    INFORMATION_OBJECT_BASE;
    uint8_t encodedValue[2];
    QualityDescriptor quality;
};
struct sMeasuredValueScaledWithCP24Time2a {
    INFORMATION_OBJECT_BASE;
    uint8_t encodedValue[2];
    QualityDescriptor quality;
    struct sCP24Time2a timestamp;
};
struct sMeasuredValueScaledWithCP56Time2a {
    INFORMATION_OBJECT_BASE;
    uint8_t encodedValue[2];
    QualityDescriptor quality;
    struct sCP56Time2a timestamp;
};

struct sMeasuredValueShort {
    INFORMATION_OBJECT_BASE;
    float value;
    QualityDescriptor quality;
};
struct sMeasuredValueShortWithCP24Time2a {
    INFORMATION_OBJECT_BASE;
    float value;
    QualityDescriptor quality;
    struct sCP24Time2a timestamp;
};
struct sMeasuredValueShortWithCP56Time2a {
    INFORMATION_OBJECT_BASE;
    float value;
    QualityDescriptor quality;
    struct sCP56Time2a timestamp;
};

struct sIntegratedTotals {
    INFORMATION_OBJECT_BASE;
    struct sBinaryCounterReading totals;
};
struct sIntegratedTotalsWithCP24Time2a {
    INFORMATION_OBJECT_BASE;
    struct sBinaryCounterReading totals;
    struct sCP24Time2a timestamp;
};
struct sIntegratedTotalsWithCP56Time2a {
    INFORMATION_OBJECT_BASE;
    struct sBinaryCounterReading totals;
    struct sCP56Time2a timestamp;
};

struct sEventOfProtectionEquipment {
    INFORMATION_OBJECT_BASE;
    tSingleEvent event;
    struct sCP16Time2a elapsedTime;
    struct sCP24Time2a timestamp;
};
struct sEventOfProtectionEquipmentWithCP56Time2a {
    INFORMATION_OBJECT_BASE;
    tSingleEvent event;
    struct sCP16Time2a elapsedTime;
    struct sCP56Time2a timestamp;
};

struct sPackedStartEventsOfProtectionEquipment {
    INFORMATION_OBJECT_BASE;
    StartEvent event;
    QualityDescriptorP qdp;
    struct sCP16Time2a elapsedTime;
    struct sCP24Time2a timestamp;
};
struct sPackedStartEventsOfProtectionEquipmentWithCP56Time2a {
    INFORMATION_OBJECT_BASE;
    StartEvent event;
    QualityDescriptorP qdp;
    struct sCP16Time2a elapsedTime;
    struct sCP56Time2a timestamp;
};

struct sPackedOutputCircuitInfo {
    INFORMATION_OBJECT_BASE;
    OutputCircuitInfo oci;
    QualityDescriptorP qdp;
    struct sCP16Time2a operatingTime;
    struct sCP24Time2a timestamp;
};
struct sPackedOutputCircuitInfoWithCP56Time2a {
    INFORMATION_OBJECT_BASE;
    OutputCircuitInfo oci;
    QualityDescriptorP qdp;
    struct sCP16Time2a operatingTime;
    struct sCP56Time2a timestamp;
};

struct sPackedSinglePointWithSCD {
    INFORMATION_OBJECT_BASE;
    struct sStatusAndStatusChangeDetection scd;
    QualityDescriptor qds;
};

struct sMeasuredValueNormalizedWithoutQuality {
    INFORMATION_OBJECT_BASE;
    uint8_t encodedValue[2];
};

/* ------------------------------------------------------------- commands */

struct sSingleCommand {
    INFORMATION_OBJECT_BASE;
    uint8_t sco;
};
struct sSingleCommandWithCP56Time2a {
    INFORMATION_OBJECT_BASE;
    uint8_t sco;
    struct sCP56Time2a timestamp;
};

struct sDoubleCommand {
    INFORMATION_OBJECT_BASE;
    uint8_t dcq;
};
struct sDoubleCommandWithCP56Time2a {
    INFORMATION_OBJECT_BASE;
    uint8_t dcq;
    struct sCP56Time2a timestamp;
};

struct sStepCommand {
    INFORMATION_OBJECT_BASE;
    uint8_t dcq;
};
struct sStepCommandWithCP56Time2a {
    INFORMATION_OBJECT_BASE;
    uint8_t dcq;
    struct sCP56Time2a timestamp;
};

struct sSetpointCommandNormalized {
    INFORMATION_OBJECT_BASE;
    uint8_t encodedValue[2];
    uint8_t qos;
};
struct sSetpointCommandNormalizedWithCP56Time2a {
    INFORMATION_OBJECT_BASE;
    uint8_t encodedValue[2];
    uint8_t qos;
    struct sCP56Time2a timestamp;
};

struct sSetpointCommandScaled {
    INFORMATION_OBJECT_BASE;
    uint8_t encodedValue[2];
    uint8_t qos;
};
struct sSetpointCommandScaledWithCP56Time2a {
    INFORMATION_OBJECT_BASE;
    uint8_t encodedValue[2];
    uint8_t qos;
    struct sCP56Time2a timestamp;
};

struct sSetpointCommandShort {
    INFORMATION_OBJECT_BASE;
    float value;
    uint8_t qos;
};
struct sSetpointCommandShortWithCP56Time2a {
    INFORMATION_OBJECT_BASE;
    float value;
    uint8_t qos;
    struct sCP56Time2a timestamp;
};

struct sBitstring32Command {
    INFORMATION_OBJECT_BASE;
    uint32_t value;
};
struct sBitstring32CommandWithCP56Time2a {
    INFORMATION_OBJECT_BASE;
    uint32_t value;
    struct sCP56Time2a timestamp;
};

/* --------------------------------------------------------------- system */

struct sEndOfInitialization {
    INFORMATION_OBJECT_BASE;
    uint8_t coi;
};
struct sInterrogationCommand {
    INFORMATION_OBJECT_BASE;
    uint8_t qoi;
};
struct sCounterInterrogationCommand {
    INFORMATION_OBJECT_BASE;
    QualifierOfCIC qcc;
};
struct sReadCommand {
    INFORMATION_OBJECT_BASE;
};
struct sClockSynchronizationCommand {
    INFORMATION_OBJECT_BASE;
    struct sCP56Time2a timestamp;
};
struct sTestCommand {
    INFORMATION_OBJECT_BASE;
    uint8_t byte1;
    uint8_t byte2;
};
struct sResetProcessCommand {
    INFORMATION_OBJECT_BASE;
    QualifierOfRPC qrp;
};
struct sDelayAcquisitionCommand {
    INFORMATION_OBJECT_BASE;
    struct sCP16Time2a delay;
};

/* ------------------------------------------------------------ parameter */

struct sParameterActivation {
    INFORMATION_OBJECT_BASE;
    QualifierOfParameterActivation qpa;
};

/* ----------------------------------------------------------------- file */

struct sFileReady {
    INFORMATION_OBJECT_BASE;
    uint16_t nof;
    uint32_t lengthOfFile;
    uint8_t frq;
};
struct sSectionReady {
    INFORMATION_OBJECT_BASE;
    uint16_t nof;
    uint8_t nameOfSection;
    uint32_t lengthOfSection;
    uint8_t srq;
};
struct sFileCallOrSelect {
    INFORMATION_OBJECT_BASE;
    uint16_t nof;
    uint8_t nameOfSection;
    uint8_t scq;
};
struct sFileLastSegmentOrSection {
    INFORMATION_OBJECT_BASE;
    uint16_t nof;
    uint8_t nameOfSection;
    uint8_t lsq;
    uint8_t chs;
};
struct sFileACK {
    INFORMATION_OBJECT_BASE;
    uint16_t nof;
    uint8_t nameOfSection;
    uint8_t afq;
};
struct sFileSegment {
    INFORMATION_OBJECT_BASE;
    uint16_t nof;
    uint8_t nameOfSection;
    uint8_t los;
    uint8_t* data; /* not owned */
};
struct sFileDirectory {
    INFORMATION_OBJECT_BASE;
    uint16_t nof;
    int lengthOfFile;
    uint8_t sof;
    struct sCP56Time2a creationTime;
};

#endif
