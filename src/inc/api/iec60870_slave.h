// SPDX-License-Identifier: Apache-2.0
/*
 * Controlled-station (slave) side interfaces shared by the IEC 60870-5 slave
 * engines: the IMasterConnection interface record and the application
 * callback types.
 *
 * IMasterConnection: each connection of the slave engine embeds one record.
 * The engine hands it to the application callbacks; the application uses it
 * to answer on exactly that connection. The record belongs to the engine and
 * is valid while the connection exists: inside a callback always; outside
 * one only as long as the application knows the connection is still open.
 * The send operations encode the ASDU during the call, so the caller keeps
 * its ASDU object and may change, resend or destroy it afterwards.
 *
 * Callbacks: a plain function plus an opaque parameter pointer registered
 * together. The ASDU handed to a handler lives only for the call (it wraps
 * the connection's receive buffer); a value taken from a command object (a
 * time tag, for instance) is valid only during the call as well, so a handler
 * that keeps it must copy it. A handler may change the ASDU (for instance its
 * cause of transmission) and send it back.
 */
#ifndef IEC60870_SLAVE_H
#define IEC60870_SLAVE_H

#include "iec60870_common.h"
#include "cs101_information_objects.h"

#include <cstdint>

typedef struct sIMasterConnection* IMasterConnection;

struct sIMasterConnection {
    /* Sends the ASDU on the connection (or queues it as high priority). */
    void (*sendASDU)(IMasterConnection self, CS101_ASDU asdu);
    /* Sets the cause to activation confirmation and the P/N bit to negative, then sends. */
    void (*sendACT_CON)(IMasterConnection self, CS101_ASDU asdu, bool negative);
    /* Sets the cause to activation termination and clears the P/N bit, then sends. */
    void (*sendACT_TERM)(IMasterConnection self, CS101_ASDU asdu);
    /* The application-layer sizes in force on the connection. */
    CS101_AppLayerParameters (*getApplicationLayerParameters)(IMasterConnection self);
    /* The implementing object (the engine's connection). */
    void* object;
};

/*
 * Sends an ASDU on the connection: at once when data transfer is started and
 * the window of unconfirmed frames has room, else queued as high priority.
 * On a started connection a reply is never dropped for lack of room while
 * fewer replies wait than the slave's high-priority queue size (entries are
 * allocated as needed); it is dropped silently when the connection is not
 * started, that many already wait, or memory runs out.
 */
void IMasterConnection_sendASDU(IMasterConnection self, CS101_ASDU asdu);

/* As IMasterConnection_sendASDU, after setting cause 7 and the P/N bit to negative. */
void IMasterConnection_sendACT_CON(IMasterConnection self, CS101_ASDU asdu, bool negative);

/* As IMasterConnection_sendASDU, after setting cause 10 and clearing the P/N bit. */
void IMasterConnection_sendACT_TERM(IMasterConnection self, CS101_ASDU asdu);

/* The application-layer parameters of the connection (owned by the slave). */
CS101_AppLayerParameters IMasterConnection_getApplicationLayerParameters(IMasterConnection self);

/*
 * Application callbacks. The bool result of the ASDU handlers means "dealt
 * with" (the handler has sent whatever answer it wants); false lets dispatch
 * go on to the general ASDU handler and finally to the engine's reply with
 * cause 44 (unknown type identification).
 */

/* Station or group interrogation (C_IC_NA_1); qoi is the qualifier of interrogation. */
typedef bool (*CS101_InterrogationHandler)(void* parameter, IMasterConnection connection,
                                           CS101_ASDU asdu, uint8_t qoi);

/* Counter interrogation (C_CI_NA_1); qcc is the qualifier of counter interrogation. */
typedef bool (*CS101_CounterInterrogationHandler)(void* parameter, IMasterConnection connection,
                                                  CS101_ASDU asdu, QualifierOfCIC qcc);

/* Read command (C_RD_NA_1); ioa is the information object address to read. */
typedef bool (*CS101_ReadHandler)(void* parameter, IMasterConnection connection, CS101_ASDU asdu,
                                  int ioa);

/* Clock synchronisation (C_CS_NA_1); newTime is valid only during the call. */
typedef bool (*CS101_ClockSynchronizationHandler)(void* parameter, IMasterConnection connection,
                                                  CS101_ASDU asdu, CP56Time2a newTime);

/* Reset process (C_RP_NA_1); qrp is the qualifier of reset process. */
typedef bool (*CS101_ResetProcessHandler)(void* parameter, IMasterConnection connection,
                                          CS101_ASDU asdu, QualifierOfRPC qrp);

/* Delay acquisition (C_CD_NA_1); delayTime is valid only during the call. */
typedef bool (*CS101_DelayAcquisitionHandler)(void* parameter, IMasterConnection connection,
                                              CS101_ASDU asdu, CP16Time2a delayTime);

/* Every ASDU that no typed handler took. */
typedef bool (*CS101_ASDUHandler)(void* parameter, IMasterConnection connection, CS101_ASDU asdu);

/*
 * A new TCP connection from ipAddress (dotted IPv4 text without the port,
 * valid only during the call): true accepts it, false closes it at once.
 */
typedef bool (*CS104_ConnectionRequestHandler)(void* parameter, const char* ipAddress);

#endif
