// SPDX-License-Identifier: Apache-2.0
/*
 * Dispatch of received ASDUs to the application's handlers, and the
 * engine's own answers: mirrored replies with cause 44 (unknown type) and
 * 45 (unknown cause), and the test command.
 *
 * Design choice: a system command whose first information object cannot be
 * decoded (the ASDU is too short for it) reaches no handler; the engine
 * mirrors it with cause 44 at once, as nothing can deal with it.
 *
 * Strict mode (CS104_Slave_setStrictIec) adds, before any handler: the
 * common-address check (cause 46, negative; a broadcast gets the station's
 * address), the engine's own answer to the deactivation of an interrogation
 * (cause 9, positive only while an answer is still waiting to be sent) and
 * the mirrored test command with time tag (C_TS_TA_1, cause 7); a system
 * command with a wrong cause gets only its reply with cause 45. The
 * negative bit of causes 44-47 is set where every reply is sent
 * (MasterConnection_sendASDU).
 */
#include "cs104_slave_dispatch.h"

namespace
{

/* One dispatch: what it sees of the slave and of the connection. */
struct Dispatch {
    const sSlaveHandlers* handlers;
    SlaveDispatchProfile profile;
    const SlaveDispatchPeer* peer;
};

bool isSystemCommand(TypeID type)
{
    switch (type) {
    case C_IC_NA_1:
    case C_CI_NA_1:
    case C_RD_NA_1:
    case C_CS_NA_1:
    case C_RP_NA_1:
    case C_CD_NA_1:
        return true;
    default:
        return false;
    }
}

bool isAllowedCause(TypeID type, CS101_CauseOfTransmission cot)
{
    switch (type) {
    case C_IC_NA_1:
    case C_CI_NA_1:
        return cot == CS101_COT_ACTIVATION || cot == CS101_COT_DEACTIVATION;
    case C_RD_NA_1:
        return cot == CS101_COT_REQUEST;
    case C_CS_NA_1:
    case C_RP_NA_1:
        return cot == CS101_COT_ACTIVATION;
    case C_CD_NA_1:
        return cot == CS101_COT_ACTIVATION || cot == CS101_COT_SPONTANEOUS;
    default:
        return false;
    }
}

bool hasHandler(const sSlaveHandlers* handlers, TypeID type)
{
    switch (type) {
    case C_IC_NA_1:
        return handlers->interrogationHandler != nullptr;
    case C_CI_NA_1:
        return handlers->counterInterrogationHandler != nullptr;
    case C_RD_NA_1:
        return handlers->readHandler != nullptr;
    case C_CS_NA_1:
        return handlers->clockSyncHandler != nullptr;
    case C_RP_NA_1:
        return handlers->resetProcessHandler != nullptr;
    case C_CD_NA_1:
        return handlers->delayAcquisitionHandler != nullptr;
    default:
        return false;
    }
}

/* Calls the typed handler with the value taken from the decoded command. */
bool callHandler(const Dispatch& self, CS101_ASDU asdu, InformationObject command)
{
    const sSlaveHandlers* handlers = self.handlers;
    IMasterConnection connection = self.peer->connection;
    switch (CS101_ASDU_getTypeID(asdu)) {
    case C_IC_NA_1:
        return handlers->interrogationHandler(
            handlers->interrogationHandlerParameter, connection, asdu,
            InterrogationCommand_getQOI((InterrogationCommand)command));
    case C_CI_NA_1:
        return handlers->counterInterrogationHandler(
            handlers->counterInterrogationHandlerParameter, connection, asdu,
            CounterInterrogationCommand_getQCC((CounterInterrogationCommand)command));
    case C_RD_NA_1:
        return handlers->readHandler(handlers->readHandlerParameter, connection, asdu,
                                     InformationObject_getObjectAddress(command));
    case C_CS_NA_1:
        return handlers->clockSyncHandler(
            handlers->clockSyncHandlerParameter, connection, asdu,
            ClockSynchronizationCommand_getTime((ClockSynchronizationCommand)command));
    case C_RP_NA_1:
        return handlers->resetProcessHandler(
            handlers->resetProcessHandlerParameter, connection, asdu,
            ResetProcessCommand_getQRP((ResetProcessCommand)command));
    case C_CD_NA_1:
        return handlers->delayAcquisitionHandler(
            handlers->delayAcquisitionHandlerParameter, connection, asdu,
            DelayAcquisitionCommand_getDelay((DelayAcquisitionCommand)command));
    default:
        return false;
    }
}

void sendMirrored(const Dispatch& self, CS101_ASDU asdu, CS101_CauseOfTransmission cot)
{
    CS101_ASDU_setCOT(asdu, cot);
    IMasterConnection_sendASDU(self.peer->connection, asdu);
}

void responseCOTUnknown(CS101_ASDU asdu, const Dispatch& self)
{
    sendMirrored(self, asdu, CS101_COT_UNKNOWN_COT);
}

enum DispatchResult { NOT_HANDLED, HANDLED, MALFORMED };

/*
 * Strict: true when the ASDU is for this station. A broadcast is given the
 * station's own address, so handlers answer with it; another address is
 * mirrored with cause 46.
 */
bool acceptCommonAddress(const Dispatch& self, CS101_ASDU asdu)
{
    int own = self.profile.commonAddress;
    if (own <= 0)
        return true;
    int ca = CS101_ASDU_getCA(asdu);
    CS101_AppLayerParameters parameters =
        IMasterConnection_getApplicationLayerParameters(self.peer->connection);
    int broadcast = parameters->sizeOfCA == 1 ? 0xFF : 0xFFFF;
    if (ca == own)
        return true;
    if (ca == broadcast) {
        CS101_ASDU_setCA(asdu, own);
        return true;
    }
    sendMirrored(self, asdu, CS101_COT_UNKNOWN_CA);
    return false;
}

/* Strict: the deactivation of an interrogation, answered by the engine. */
void deactivateInterrogation(const Dispatch& self, CS101_ASDU asdu)
{
    bool inProgress = self.peer->discardInterrogationAnswer(self.peer->object);
    CS101_ASDU_setNegative(asdu, !inProgress);
    sendMirrored(self, asdu, CS101_COT_DEACTIVATION_CON);
}

/* Strict: the engine's own answers; HANDLED when one was sent. */
DispatchResult dispatchStrict(const Dispatch& self, CS101_ASDU asdu)
{
    if (!acceptCommonAddress(self, asdu))
        return HANDLED;
    TypeID type = CS101_ASDU_getTypeID(asdu);
    CS101_CauseOfTransmission cot = CS101_ASDU_getCOT(asdu);
    if (type == C_IC_NA_1 && cot == CS101_COT_DEACTIVATION) {
        deactivateInterrogation(self, asdu);
        return HANDLED;
    }
    if (type == C_TS_TA_1) {
        bool activation = cot == CS101_COT_ACTIVATION;
        sendMirrored(self, asdu, activation ? CS101_COT_ACTIVATION_CON : CS101_COT_UNKNOWN_COT);
        return HANDLED;
    }
    return NOT_HANDLED;
}

DispatchResult dispatchSystemCommand(const Dispatch& self, CS101_ASDU asdu)
{
    TypeID type = CS101_ASDU_getTypeID(asdu);
    if (!isAllowedCause(type, CS101_ASDU_getCOT(asdu))) {
        responseCOTUnknown(asdu, self);
        // Strict: one request, one answer (not 45 followed by 44).
        return self.profile.strictIec ? HANDLED : NOT_HANDLED;
    }
    if (!hasHandler(self.handlers, type))
        return NOT_HANDLED;
    InformationObject command = CS101_ASDU_getElement(asdu, 0);
    if (command == nullptr)
        return MALFORMED;
    bool handled = callHandler(self, asdu, command);
    InformationObject_destroy(command);
    return handled ? HANDLED : NOT_HANDLED;
}

} // namespace

void SlaveDispatch_handleASDU(const sSlaveHandlers* handlers, SlaveDispatchProfile profile,
                              const SlaveDispatchPeer* peer, CS101_ASDU asdu)
{
    const Dispatch self = {handlers, profile, peer};
    TypeID type = CS101_ASDU_getTypeID(asdu);
    DispatchResult result = NOT_HANDLED;

    if (profile.strictIec && dispatchStrict(self, asdu) == HANDLED)
        return;

    if (isSystemCommand(type)) {
        result = dispatchSystemCommand(self, asdu);
    } else if (type == C_TS_NA_1) {
        // The test command is answered by the engine itself.
        bool activation = CS101_ASDU_getCOT(asdu) == CS101_COT_ACTIVATION;
        sendMirrored(self, asdu, activation ? CS101_COT_ACTIVATION_CON : CS101_COT_UNKNOWN_COT);
        result = HANDLED;
    }

    if (result == NOT_HANDLED && handlers->asduHandler != nullptr &&
        handlers->asduHandler(handlers->asduHandlerParameter, peer->connection, asdu))
        result = HANDLED;

    if (result != HANDLED)
        sendMirrored(self, asdu, CS101_COT_UNKNOWN_TYPE_ID);
}
