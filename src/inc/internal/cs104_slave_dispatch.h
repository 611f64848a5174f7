// SPDX-License-Identifier: Apache-2.0
/*
 * Dispatch of received ASDUs to the application's handlers, and the
 * engine's own answers (mirrored replies with cause 44 and 45, the test
 * command, and in the strict profile the common-address check and the
 * deactivation of an interrogation).
 *
 * The dispatch sees the application's handlers (SlaveHandlers, kept by the
 * slave), the strict-profile settings and the connection the ASDU came on:
 * the application's view of it (IMasterConnection, through which every
 * reply is sent) and the one connection service the handlers do not have,
 * discarding a waiting interrogation answer. It runs on the connection's
 * thread and takes no lock of its own.
 */
#ifndef CS104_SLAVE_DISPATCH_H
#define CS104_SLAVE_DISPATCH_H

#include "iec60870_slave.h"

/* The application's handlers of received ASDUs, each with its parameter. */
struct sSlaveHandlers {
    CS101_InterrogationHandler interrogationHandler;
    void* interrogationHandlerParameter;
    CS101_CounterInterrogationHandler counterInterrogationHandler;
    void* counterInterrogationHandlerParameter;
    CS101_ReadHandler readHandler;
    void* readHandlerParameter;
    CS101_ClockSynchronizationHandler clockSyncHandler;
    void* clockSyncHandlerParameter;
    CS101_ResetProcessHandler resetProcessHandler;
    void* resetProcessHandlerParameter;
    CS101_DelayAcquisitionHandler delayAcquisitionHandler;
    void* delayAcquisitionHandlerParameter;
    CS101_ASDUHandler asduHandler;
    void* asduHandlerParameter;
};

/* The strict-profile settings as they are when the ASDU is dispatched. */
struct SlaveDispatchProfile {
    bool strictIec;
    int commonAddress; /* checked in strict mode when above 0 */
};

/* The connection an ASDU came on. */
struct SlaveDispatchPeer {
    IMasterConnection connection;
    /* Strict: discards a waiting interrogation answer; true when one was waiting. */
    bool (*discardInterrogationAnswer)(void* object);
    void* object;
};

/* Dispatches a received ASDU on an active connection (connection thread). */
void SlaveDispatch_handleASDU(const struct sSlaveHandlers* handlers,
                              struct SlaveDispatchProfile profile, const SlaveDispatchPeer* peer,
                              CS101_ASDU asdu);

#endif
