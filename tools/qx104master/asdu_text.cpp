// SPDX-License-Identifier: Apache-2.0
#include "asdu_text.h"

#include "cs101_information_objects.h"

#include <cstdio>

namespace
{

/* Encodes asdu into octets; empty when it is null. Destroys asdu. */
std::vector<uint8_t> encodeAndDestroy(CS101_ASDU asdu)
{
    std::vector<uint8_t> octets;
    if (asdu == nullptr)
        return octets;
    uint8_t buffer[CS101_MAX_ASDU_LENGTH];
    int length = CS101_ASDU_encodeToBuffer(asdu, buffer, static_cast<int>(sizeof(buffer)));
    if (length > 0)
        octets.assign(buffer, buffer + length);
    CS101_ASDU_destroy(asdu);
    return octets;
}

/* Wraps one object into a new ASDU, or gives null (and destroys io). */
CS101_ASDU singleObjectAsdu(CS101_AppLayerParameters parameters, int cot, int oa, int ca,
                            InformationObject io)
{
    if (io == nullptr)
        return nullptr;
    CS101_ASDU asdu = CS101_ASDU_create(
        parameters, false, static_cast<CS101_CauseOfTransmission>(cot), oa, ca, false, false);
    if (asdu != nullptr && !CS101_ASDU_addInformationObject(asdu, io)) {
        CS101_ASDU_destroy(asdu);
        asdu = nullptr;
    }
    InformationObject_destroy(io);
    return asdu;
}

std::string hexOf(const uint8_t* octets, int length)
{
    std::string text;
    char part[4];
    for (int i = 0; i < length; ++i) {
        snprintf(part, sizeof(part), i == 0 ? "%02X" : " %02X", octets[i]);
        text += part;
    }
    return text;
}

std::string headerLine(CS101_ASDU asdu)
{
    TypeID type = CS101_ASDU_getTypeID(asdu);
    CS101_CauseOfTransmission cot = CS101_ASDU_getCOT(asdu);
    char line[200];
    snprintf(line, sizeof(line), "ASDU %s(%d) cause %s(%d)%s%s oa %d ca %d objects %d%s\n",
             TypeID_toString(type), static_cast<int>(type), CS101_CauseOfTransmission_toString(cot),
             static_cast<int>(cot), CS101_ASDU_isNegative(asdu) ? " negative" : "",
             CS101_ASDU_isTest(asdu) ? " test" : "", CS101_ASDU_getOA(asdu), CS101_ASDU_getCA(asdu),
             CS101_ASDU_getNumberOfElements(asdu), CS101_ASDU_isSequence(asdu) ? " sequence" : "");
    return line;
}

/* The value part of one object's line, after "IOA n:". */
std::string valueText(TypeID type, InformationObject io)
{
    char text[120];
    switch (type) {
    case M_SP_NA_1: {
        auto sp = reinterpret_cast<SinglePointInformation>(io);
        snprintf(text, sizeof(text), " value %d quality 0x%02X",
                 SinglePointInformation_getValue(sp) ? 1 : 0,
                 static_cast<unsigned>(SinglePointInformation_getQuality(sp)));
        return text;
    }
    case M_ME_NC_1: {
        auto mv = reinterpret_cast<MeasuredValueShort>(io);
        snprintf(text, sizeof(text), " value %g quality 0x%02X",
                 static_cast<double>(MeasuredValueShort_getValue(mv)),
                 static_cast<unsigned>(MeasuredValueShort_getQuality(mv)));
        return text;
    }
    case C_SC_NA_1: {
        auto sc = reinterpret_cast<SingleCommand>(io);
        snprintf(text, sizeof(text), " state %d select %d qu %d",
                 SingleCommand_getState(sc) ? 1 : 0, SingleCommand_isSelect(sc) ? 1 : 0,
                 SingleCommand_getQU(sc));
        return text;
    }
    case C_DC_NA_1: {
        auto dc = reinterpret_cast<DoubleCommand>(io);
        snprintf(text, sizeof(text), " state %d select %d qu %d", DoubleCommand_getState(dc),
                 DoubleCommand_isSelect(dc) ? 1 : 0, DoubleCommand_getQU(dc));
        return text;
    }
    case C_IC_NA_1:
        snprintf(text, sizeof(text), " qoi %d",
                 InterrogationCommand_getQOI(reinterpret_cast<InterrogationCommand>(io)));
        return text;
    case C_CS_NA_1: {
        CP56Time2a t =
            ClockSynchronizationCommand_getTime(reinterpret_cast<ClockSynchronizationCommand>(io));
        snprintf(text, sizeof(text), " time %02d:%02d:%02d.%03d %02d/%02d/%04d",
                 CP56Time2a_getHour(t), CP56Time2a_getMinute(t), CP56Time2a_getSecond(t),
                 CP56Time2a_getMillisecond(t), CP56Time2a_getDayOfMonth(t), CP56Time2a_getMonth(t),
                 CP56Time2a_getYear(t) + 2000);
        return text;
    }
    default:
        return "";
    }
}

} // namespace

std::vector<uint8_t> buildInterrogation(CS101_AppLayerParameters parameters, int cot, int oa,
                                        int ca, int qoi)
{
    auto io = reinterpret_cast<InformationObject>(
        InterrogationCommand_create(nullptr, 0, static_cast<uint8_t>(qoi)));
    return encodeAndDestroy(singleObjectAsdu(parameters, cot, oa, ca, io));
}

std::vector<uint8_t> buildSingleCommand(CS101_AppLayerParameters parameters, int cot, int oa,
                                        int ca, int ioa, bool state)
{
    auto io =
        reinterpret_cast<InformationObject>(SingleCommand_create(nullptr, ioa, state, false, 0));
    return encodeAndDestroy(singleObjectAsdu(parameters, cot, oa, ca, io));
}

std::vector<uint8_t> buildClockSync(CS101_AppLayerParameters parameters, int cot, int oa, int ca,
                                    uint64_t utcMs)
{
    struct sCP56Time2a time;
    CP56Time2a_createFromMsTimestamp(&time, utcMs);
    auto io =
        reinterpret_cast<InformationObject>(ClockSynchronizationCommand_create(nullptr, 0, &time));
    return encodeAndDestroy(singleObjectAsdu(parameters, cot, oa, ca, io));
}

std::string formatAsdu(CS101_AppLayerParameters parameters, const uint8_t* octets, int length)
{
    /* The application layer wraps without copying; it needs a writable buffer. */
    std::vector<uint8_t> copy(octets, octets + length);
    CS101_ASDU asdu = CS101_ASDU_createFromBuffer(parameters, copy.data(), length);
    if (asdu == nullptr)
        return "ASDU too short: " + hexOf(octets, length) + "\n";
    std::string text = headerLine(asdu);
    TypeID type = CS101_ASDU_getTypeID(asdu);
    bool undecoded = false;
    for (int i = 0; i < CS101_ASDU_getNumberOfElements(asdu); ++i) {
        InformationObject io = CS101_ASDU_getElement(asdu, i);
        if (io == nullptr) {
            text += "  (not decoded)\n";
            undecoded = true;
            break;
        }
        text += "  IOA " + std::to_string(InformationObject_getObjectAddress(io)) + ":" +
                valueText(type, io) + "\n";
        InformationObject_destroy(io);
    }
    if (undecoded) {
        int header = 2 + parameters->sizeOfCOT + parameters->sizeOfCA;
        text += "  payload " + hexOf(octets + header, length - header) + "\n";
    }
    CS101_ASDU_destroy(asdu);
    return text;
}
