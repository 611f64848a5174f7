/*
 * One connection's received byte stream through the real connection thread:
 * framing, sequence numbers, the window, the timers, dispatch and the
 * handlers' answers. The peer and the clock are scripted (fake_hal.cpp);
 * the slave has handlers that answer like the gateway's and queued data,
 * so activation sends it and acknowledgements confirm it.
 */
#include "cs104_slave.h"
#include "cs104_slave_internal.h"
#include "fake_hal.h"
#include "hal_thread.h"
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

void enqueueReports(CS104_Slave slave, int count)
{
    for (int i = 0; i < count; i++) {
        CS101_ASDU report = CS101_ASDU_create(CS104_Slave_getAppLayerParameters(slave), false,
                                              CS101_COT_PERIODIC, 0, 1, false, false);
        if (report == nullptr)
            return;
        sSinglePointInformation point;
        SinglePointInformation_create(&point, 10 + i, (i & 1) != 0, 0);
        CS101_ASDU_addInformationObject(report, (InformationObject)&point);
        CS104_Slave_enqueueASDU(slave, report);
        CS101_ASDU_destroy(report);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FakeClock_reset();
    CS104_Slave slave = CS104_Slave_create(16, 8);
    if (slave == nullptr)
        return 0;
    CS104_Slave_setInterrogationHandler(slave, onInterrogation, nullptr);
    CS104_Slave_setClockSyncHandler(slave, onClockSync, nullptr);
    CS104_Slave_setReadHandler(slave, onRead, nullptr);
    CS104_Slave_setASDUHandler(slave, onAsdu, nullptr);
    CS104_APCIParameters timers = CS104_Slave_getConnectionParameters(slave);
    timers->k = 4; // a small window is reached with little input
    timers->w = 2;

    // The queues a started slave in mode 0 would have; destroy frees them.
    slave->asduQueue = MessageQueue_create(16);
    slave->connectionAsduQueue = HighPriorityASDUQueue_create(8);
    enqueueReports(slave, 20);

    Socket socket = FakeSocket_create(data, size);
    MasterConnection connection = socket != nullptr
                                      ? MasterConnection_create(slave, socket, slave->asduQueue,
                                                                slave->connectionAsduQueue, false)
                                      : nullptr;
    if (connection != nullptr) {
        slave->connectionThreads++;
        if (!MasterConnection_start(connection)) {
            slave->connectionThreads--;
            MasterConnection_destroy(connection);
        }
    } else {
        Socket_destroy(socket);
    }
    // The thread ends when the script is played out (the peer closes) or the
    // engine closes the connection. Waiting here spares destroy's 10 ms polls.
    while (slave->connectionThreads > 0)
        sched_yield();
    CS104_Slave_destroy(slave);
    return 0;
}
