// SPDX-License-Identifier: Apache-2.0
/*
 * One connection's received byte stream through the real connection thread:
 * framing, sequence numbers, the window, the timers, dispatch and the
 * handlers' answers. The peer and the clock are scripted
 * (tests/fakes/fake_stream.cpp); the host has handlers that answer like
 * the gateway's and queued data, so activation sends it and
 * acknowledgements confirm it.
 */
#include "cs104_master_connection.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_host.h"
#include "fakes/fake_stream.h"
#include "information_objects_internal.h"

#include <cstdint>
#include <sched.h>

namespace
{

bool onInterrogation(void*, IMasterConnection connection, CS101_ASDU asdu, uint8_t qoi)
{
    IMasterConnection_sendACT_CON(connection, asdu, qoi != 20);
    CS101_AppLayerParameters parameters =
        IMasterConnection_getApplicationLayerParameters(connection);
    for (int block = 0; block < 3; block++) {
        CS101_ASDU answer = CS101_ASDU_create(parameters, false, CS101_COT_INTERROGATED_BY_STATION,
                                              0, 1, false, false);
        if (answer == nullptr)
            return true;
        for (int ioa = 1; ioa <= 20; ioa++) {
            sMeasuredValueShort value;
            MeasuredValueShort_create(&value, block * 100 + ioa, 1.5f * ioa, 0);
            CS101_ASDU_addInformationObject(answer, (InformationObject)&value);
        }
        IMasterConnection_sendASDU(connection, answer);
        CS101_ASDU_destroy(answer);
    }
    IMasterConnection_sendACT_TERM(connection, asdu);
    return true;
}

bool onClockSync(void*, IMasterConnection, CS101_ASDU, CP56Time2a)
{
    return true;
}

bool onRead(void*, IMasterConnection, CS101_ASDU, int)
{
    return false;
}

/* Mirrors single commands as the gateway does; other types go to the engine. */
bool onAsdu(void*, IMasterConnection connection, CS101_ASDU asdu)
{
    if (CS101_ASDU_getTypeID(asdu) != C_SC_NA_1)
        return false;
    InformationObject io = CS101_ASDU_getElement(asdu, 0);
    CS101_ASDU_setCOT(asdu, io != nullptr ? CS101_COT_ACTIVATION_CON : CS101_COT_UNKNOWN_IOA);
    InformationObject_destroy(io);
    IMasterConnection_sendASDU(connection, asdu);
    return true;
}

void enqueueReports(CS101_AppLayerParameters parameters, MessageQueue queue, int count)
{
    for (int i = 0; i < count; i++) {
        CS101_ASDU report =
            CS101_ASDU_create(parameters, false, CS101_COT_PERIODIC, 0, 1, false, false);
        if (report == nullptr)
            return;
        sSinglePointInformation point;
        SinglePointInformation_create(&point, 10 + i, (i & 1) != 0, 0);
        CS101_ASDU_addInformationObject(report, (InformationObject)&point);
        FrameBuffer encoded;
        if (CS104_encodeASDU(&encoded, report))
            MessageQueue_enqueueOctets(queue, encoded.msg + CS104_APCI_LENGTH,
                                       encoded.msgSize - CS104_APCI_LENGTH);
        CS101_ASDU_destroy(report);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    qxfake::clockReset();
    qxfake::FakeHost host;
    host.handlers.interrogationHandler = onInterrogation;
    host.handlers.clockSyncHandler = onClockSync;
    host.handlers.readHandler = onRead;
    host.handlers.asduHandler = onAsdu;
    host.apci.k = 4; // a small window is reached with little input
    host.apci.w = 2;

    // The queue pair a started slave in mode 0 would share.
    MessageQueue lowPrioQueue = MessageQueue_create(16);
    HighPriorityASDUQueue highPrioQueue = HighPriorityASDUQueue_create(8);
    TransportStream stream = qxfake::ScriptedStream_create(data, size);
    MasterConnection connection = nullptr;
    if (lowPrioQueue != nullptr && highPrioQueue != nullptr && stream != nullptr) {
        enqueueReports(host.host()->appLayerParameters, lowPrioQueue, 20);
        connection =
            MasterConnection_create(host.host(), stream, lowPrioQueue, highPrioQueue, false);
    }
    if (connection == nullptr) {
        TransportStream_destroy(stream);
    } else if (MasterConnection_start(connection)) {
        // The thread ends when the script is played out (the peer closes) or
        // the engine closes the connection.
        while (host.threadsEnded == 0)
            sched_yield();
    } else {
        MasterConnection_destroy(connection);
    }
    MessageQueue_destroy(lowPrioQueue);
    HighPriorityASDUQueue_destroy(highPrioQueue);
    return 0;
}
