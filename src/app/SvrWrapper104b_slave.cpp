// SPDX-License-Identifier: Apache-2.0
/*
 * SvrWrapper104b_slave.cpp - the gateway's slave wiring, lifecycle and the callbacks
 * of the slave engine other than the interrogation answer.
 */
#include <cstdio>
#include <string>

#include "SvrWrapper104b.h"

namespace
{

/* The single command that is confirmed. */
const int kCommandIoa = 5000;

} // namespace

/* ------------------------------------------------------------ slave wiring */

void CSvrWrapper104::SvrInit()
{
    /* Room for two whole reports (or answers) in each queue: a report never
     * overwrites its own beginning, and one still being confirmed is not cut
     * off by the next. Slots cost their buffers only while used. */
    const int queueSize = 2 * Plan().AsduBoundOfOneReport();
    m_slave = CS104_Slave_create(queueSize, queueSize);
    if (m_slave == nullptr)
        return; /* SvrStart then does nothing and SvrIsOk stays false */
    CS104_Slave_setLocalAddress(m_slave, Policy().BindAddress().c_str());
    CS104_Slave_setLocalPort(m_slave, Config().Tls().plainPort);
    if (m_tls != nullptr) {
        CS104_Slave_setTlsConfig(m_slave, m_tls->Config());
        CS104_Slave_setTlsPort(m_slave, Config().Tls().tlsPort);
    }
    const RedundancySettings& redundancy = m_config.Redundancy();
    m_groupLostReported.assign(redundancy.Groups().size(), 0);
    if (redundancy.Mode() == RedundancyMode::Groups) {
        /* Each group holds a queue pair of the sizes above. */
        CS104_Slave_setServerMode(m_slave, CS104_MODE_MULTIPLE_REDUNDANCY_GROUPS);
        if (!CS104_Slave_setRedundancyGroups(m_slave, static_cast<int>(redundancy.Groups().size()),
                                             redundancyGroupSelector, this)) {
            printf("SvrInit: %u redundancy groups, at most %d\n",
                   static_cast<unsigned>(redundancy.Groups().size()),
                   static_cast<int>(CS104_MAX_REDUNDANCY_GROUPS));
            CS104_Slave_destroy(m_slave);
            m_slave = nullptr;
            return;
        }
    } else if (redundancy.Mode() == RedundancyMode::Connection) {
        CS104_Slave_setServerMode(m_slave, CS104_MODE_CONNECTION_IS_REDUNDANCY_GROUP);
    } else {
        CS104_Slave_setServerMode(m_slave, CS104_MODE_SINGLE_REDUNDANCY_GROUP);
    }
    m_alParams = CS104_Slave_getAppLayerParameters(m_slave);

    CS104_Slave_setClockSyncHandler(m_slave, clockSyncHandler, this);
    CS104_Slave_setInterrogationHandler(m_slave, interrogationHandler, this);
    CS104_Slave_setASDUHandler(m_slave, asduHandler, this);
    if (StrictIec()) {
        CS104_Slave_setStrictIec(m_slave, true);
        CS104_Slave_setCommonAddress(m_slave, CommonAddress());
        CS104_Slave_setReadHandler(m_slave, readHandler, this);
    }
    CS104_Slave_setConnectionRequestHandler(m_slave, connectionRequestHandler, this);
    if (!m_config.StatusFile().empty())
        CS104_Slave_setConnectionEventHandler(m_slave, connectionEventHandler, this);
    m_lostEventsReported = 0; /* a new slave counts its losses from 0 */
    m_statusLostSeen = 0;
    m_statusGroupLostSeen.assign(redundancy.Groups().size(), 0);
    m_statusGroupLost.assign(redundancy.Groups().size(), 0);
    m_bCreated = true;
}

void CSvrWrapper104::SvrStart()
{
    if (!m_bCreated)
        return;
    CS104_Slave_start(m_slave);
    if (CS104_Slave_isRunning(m_slave)) {
        m_bRunning = true;
        puts("SvrStart ok!");
        if (m_tls != nullptr) {
            const int plainPort = Config().Tls().plainPort;
            printf("TLS on port %d, plain IEC 104 %s%s\n", Config().Tls().tlsPort,
                   plainPort > 0 ? "on port " : "off",
                   plainPort > 0 ? std::to_string(plainPort).c_str() : "");
        }
    }
}

bool CSvrWrapper104::SvrIsOk()
{
    return m_bRunning;
}

void CSvrWrapper104::SvrClose()
{
    if (m_bCreated)
        CS104_Slave_stop(m_slave);
    m_bRunning = false;
}

void CSvrWrapper104::SvrFree()
{
    if (m_bCreated)
        CS104_Slave_destroy(m_slave);
    m_slave = nullptr;
    m_bCreated = false;
    m_bRunning = false;
}

/* --------------------------------------------------------------- callbacks */

bool CSvrWrapper104::interrogationHandler(void* parameter, IMasterConnection connection,
                                          CS101_ASDU asdu, uint8_t qoi)
{
    return static_cast<CSvrWrapper104*>(parameter)->interrogationHandler(connection, asdu, qoi);
}

bool CSvrWrapper104::connectionRequestHandler(void* parameter, const char* ipAddress)
{
    CSvrWrapper104* self = static_cast<CSvrWrapper104*>(parameter);
    if (self != nullptr) {
        const ConnectionPolicy& policy = self->Policy();
        if (!policy.Allows(ipAddress)) {
            self->m_refusedConnections++;
            printf("Connection from %s refused: not in AllowedMasters\n", ipAddress);
            return false;
        }
        /* Asked before the new connection is counted, from the server
         * thread, the only one that adds connections. */
        if (policy.MaxMasters() > 0 &&
            CS104_Slave_getOpenConnections(self->m_slave) >= policy.MaxMasters()) {
            self->m_refusedConnections++;
            printf("Connection from %s refused: MaxMasters %d reached\n", ipAddress,
                   policy.MaxMasters());
            return false;
        }
    }
    const RedundancyMode mode =
        self != nullptr ? self->m_config.Redundancy().Mode() : RedundancyMode::Single;
    switch (mode) {
    case RedundancyMode::Single:
        printf("New connection from %s\n", ipAddress);
        return true;
    case RedundancyMode::Connection:
        printf("New connection from %s (group of its own)\n", ipAddress);
        return true;
    case RedundancyMode::Groups:
        break;
    }
    const RedundancySettings& redundancy = self->m_config.Redundancy();
    const int group = redundancy.GroupOf(ipAddress);
    if (group < 0) {
        printf("Connection from %s refused: in no group of Svr.Groups\n", ipAddress);
        return false;
    }
    printf("New connection from %s (group %s)\n", ipAddress,
           redundancy.Groups()[static_cast<size_t>(group)].name.c_str());
    return true;
}

int CSvrWrapper104::redundancyGroupSelector(void* parameter, const char* ipAddress)
{
    const CSvrWrapper104* self = static_cast<const CSvrWrapper104*>(parameter);
    return self != nullptr ? self->m_config.Redundancy().GroupOf(ipAddress) : -1;
}

/* "hh:mm:ss dd/mm/yyyy" of a time tag. */
static std::string TimeText(CP56Time2a time)
{
    char text[48];
    snprintf(text, sizeof(text), "%02i:%02i:%02i %02i/%02i/%04i", CP56Time2a_getHour(time),
             CP56Time2a_getMinute(time), CP56Time2a_getSecond(time), CP56Time2a_getDayOfMonth(time),
             CP56Time2a_getMonth(time), CP56Time2a_getYear(time) + 2000);
    return text;
}

void CSvrWrapper104::printCP56Time2a(CP56Time2a time)
{
    fputs(TimeText(time).c_str(), stdout);
}

bool CSvrWrapper104::clockSyncHandler(void* parameter, IMasterConnection connection,
                                      CS101_ASDU asdu, CP56Time2a newTime)
{
    /* One call for the whole line, so no other thread's text lands inside it;
     * the time is only printed, the system clock is not set. */
    printf("Process time sync command with time %s\n", TimeText(newTime).c_str());
    /* Strict: confirmed with the received time (the mirrored object). */
    if (parameter != nullptr && static_cast<CSvrWrapper104*>(parameter)->StrictIec())
        IMasterConnection_sendACT_CON(connection, asdu, false);
    return true;
}

/* The cause of the mirrored single command for the given command object. */
static CS101_CauseOfTransmission SingleCommandAnswer(InformationObject io)
{
    if (io == nullptr || InformationObject_getObjectAddress(io) != kCommandIoa)
        return CS101_COT_UNKNOWN_IOA;
    printf("IOA: %i switch to %i\n", InformationObject_getObjectAddress(io),
           SingleCommand_getState(reinterpret_cast<SingleCommand>(io)) ? 1 : 0);
    return CS101_COT_ACTIVATION_CON;
}

bool CSvrWrapper104::asduHandler(void* parameter, IMasterConnection connection, CS101_ASDU asdu)
{
    if (CS101_ASDU_getTypeID(asdu) != C_SC_NA_1)
        return false;
    puts("received single command");
    CSvrWrapper104* self = static_cast<CSvrWrapper104*>(parameter);
    if (self != nullptr && self->StrictIec())
        return self->AnswerSingleCommand(connection, asdu);
    if (CS101_ASDU_getCOT(asdu) == CS101_COT_ACTIVATION) {
        InformationObject io = CS101_ASDU_getElement(asdu, 0);
        CS101_ASDU_setCOT(asdu, SingleCommandAnswer(io));
        if (io != nullptr)
            InformationObject_destroy(io);
    } else {
        CS101_ASDU_setCOT(asdu, CS101_COT_UNKNOWN_COT);
    }
    IMasterConnection_sendASDU(connection, asdu);
    return true;
}

/*
 * Strict single command: a select is confirmed; an execute is confirmed and
 * then terminated; another address gets cause 47 and another cause 45 (the
 * engine adds the negative bit to both). The console lines stay.
 */
bool CSvrWrapper104::AnswerSingleCommand(IMasterConnection connection, CS101_ASDU asdu)
{
    if (CS101_ASDU_getCOT(asdu) != CS101_COT_ACTIVATION) {
        CS101_ASDU_setCOT(asdu, CS101_COT_UNKNOWN_COT);
        IMasterConnection_sendASDU(connection, asdu);
        return true;
    }
    InformationObject io = CS101_ASDU_getElement(asdu, 0);
    CS101_CauseOfTransmission cot = SingleCommandAnswer(io);
    bool select = io != nullptr && SingleCommand_isSelect(reinterpret_cast<SingleCommand>(io));
    if (io != nullptr)
        InformationObject_destroy(io);
    if (cot != CS101_COT_ACTIVATION_CON) {
        CS101_ASDU_setCOT(asdu, cot);
        IMasterConnection_sendASDU(connection, asdu);
        return true;
    }
    IMasterConnection_sendACT_CON(connection, asdu, false);
    if (!select)
        IMasterConnection_sendACT_TERM(connection, asdu);
    return true;
}

bool CSvrWrapper104::readHandler(void* parameter, IMasterConnection connection, CS101_ASDU asdu,
                                 int ioa)
{
    return static_cast<CSvrWrapper104*>(parameter)->AnswerRead(connection, asdu, ioa);
}
