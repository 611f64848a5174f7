// SPDX-License-Identifier: Apache-2.0
/*
 * Shared pieces of the slave engine tests: a started slave on a free
 * loopback port, waiting helpers, and hand-built ASDU octets.
 */
#ifndef QX_TESTS_CS104_SLAVE_FIXTURE_H
#define QX_TESTS_CS104_SLAVE_FIXTURE_H

#include "cs104_slave.h"
#include "fakes/raw_master.h"
#include "hal_thread.h"

#include <functional>
#include <optional>
#include <thread>
#include <vector>
#include <gtest/gtest.h>

namespace qxtest
{

/* Polls cond every 5 ms for at most timeoutMs; true once it holds. */
inline bool waitFor(const std::function<bool()>& cond, int timeoutMs = 3000)
{
    int64_t deadline = monotonicMs() + timeoutMs;
    while (!cond()) {
        if (monotonicMs() > deadline)
            return false;
        Thread_sleep(5);
    }
    return true;
}

/* M_SP_NA_1 with one object at address ioa and value on/off. */
inline Octets singlePointAsdu(uint8_t causeOctet, int ioa, bool on, int ca = 1)
{
    Octets payload = ioa3(ioa);
    payload.push_back(on ? 0x01 : 0x00);
    return asdu(1, 0x01, causeOctet, ca, payload);
}

/* The same ASDU octets with another cause octet. */
inline Octets withCause(Octets octets, uint8_t causeOctet)
{
    octets[2] = causeOctet;
    return octets;
}

/*
 * The ASDUs of the next count I frames the master receives (fewer when one
 * does not come), then expects a quiet moment: no reply beyond those counted.
 */
inline std::vector<Octets> receiveAsdus(RawMaster& master, int count)
{
    std::vector<Octets> got;
    for (int i = 0; i < count; i++) {
        std::optional<Apdu> reply = master.receiveI();
        if (!reply)
            break;
        got.push_back(reply->asduOctets());
    }
    EXPECT_TRUE(master.quietFor(200)) << "more replies than expected";
    return got;
}

/*
 * From an interrogation handler: count answer ASDUs (cause 20, common
 * address ca), each with the single point at IOA 1..count switched on.
 */
inline void sendSinglePointAnswers(IMasterConnection connection, int count, int ca)
{
    CS101_AppLayerParameters parameters =
        IMasterConnection_getApplicationLayerParameters(connection);
    for (int ioa = 1; ioa <= count; ioa++) {
        CS101_ASDU data = CS101_ASDU_create(parameters, false, CS101_COT_INTERROGATED_BY_STATION, 0,
                                            ca, false, false);
        InformationObject io =
            (InformationObject)SinglePointInformation_create(nullptr, ioa, true, 0);
        CS101_ASDU_addInformationObject(data, io);
        InformationObject_destroy(io);
        IMasterConnection_sendASDU(connection, data);
        CS101_ASDU_destroy(data);
    }
}

class SlaveTest : public ::testing::Test
{
  protected:
    /* Creates the slave; configure() may change it before start. */
    void startSlave(CS104_ServerMode mode = CS104_MODE_SINGLE_REDUNDANCY_GROUP, int lowPrio = 100,
                    int highPrio = 100)
    {
        slave = CS104_Slave_create(lowPrio, highPrio);
        ASSERT_NE(slave, nullptr);
        port = freeTcpPort();
        ASSERT_NE(port, 0);
        CS104_Slave_setLocalAddress(slave, "127.0.0.1");
        CS104_Slave_setLocalPort(slave, port);
        CS104_Slave_setServerMode(slave, mode);
        configure();
        CS104_Slave_start(slave);
        ASSERT_TRUE(CS104_Slave_isRunning(slave));
    }

    virtual void configure() {}

    void TearDown() override
    {
        CS104_Slave_destroy(slave);
        slave = nullptr;
    }

    CS104_APCIParameters params() { return CS104_Slave_getConnectionParameters(slave); }

    /* Connects a master and waits until the slave counts the connection. */
    void connect(RawMaster& master)
    {
        int before = CS104_Slave_getOpenConnections(slave);
        ASSERT_TRUE(master.connect(port));
        ASSERT_TRUE(waitFor([&] { return CS104_Slave_getOpenConnections(slave) > before; }));
    }

    /* Connects and starts data transfer (STARTDT act answered by STARTDT con). */
    void connectActive(RawMaster& master)
    {
        connect(master);
        ASSERT_TRUE(master.sendU(U_STARTDT_ACT));
        std::optional<Apdu> con = master.receive();
        ASSERT_TRUE(con.has_value());
        ASSERT_EQ(con->octets, uFrame(U_STARTDT_CON));
    }

    /* Enqueues one single-point ASDU (cause 3 unless given) built with the
     * application layer. */
    void enqueueSinglePoint(int ioa, CS101_CauseOfTransmission cause = CS101_COT_SPONTANEOUS)
    {
        CS101_ASDU out = CS101_ASDU_create(CS104_Slave_getAppLayerParameters(slave), false, cause,
                                           0, 1, false, false);
        ASSERT_NE(out, nullptr);
        InformationObject io =
            (InformationObject)SinglePointInformation_create(nullptr, ioa, true, 0);
        ASSERT_TRUE(CS101_ASDU_addInformationObject(out, io));
        InformationObject_destroy(io);
        CS104_Slave_enqueueASDU(slave, out);
        CS101_ASDU_destroy(out);
    }

    /* a and b, both connected, send STARTDT act at once: both are
     * confirmed, and of point ioa queued then exactly one receives it and
     * confirms it, so nothing is left for a next round. */
    void expectOneSenderAfterStartDtAtOnce(RawMaster& a, RawMaster& b, int ioa)
    {
        std::thread racer([&] { b.sendU(U_STARTDT_ACT); });
        a.sendU(U_STARTDT_ACT);
        racer.join();
        for (RawMaster* master : {&a, &b}) {
            std::optional<Apdu> con = master->receive();
            ASSERT_TRUE(con.has_value());
            ASSERT_EQ(con->octets, uFrame(U_STARTDT_CON));
        }
        enqueueSinglePoint(ioa);
        bool aGot = a.receive(400).has_value();
        bool bGot = b.receive(400).has_value();
        EXPECT_NE(aGot, bGot) << "point " << ioa;
        (aGot ? a : b).send(sFrame(1));
    }

    CS104_Slave slave = nullptr;
    uint16_t port = 0;
};

/* The I frame a slave sends for enqueueSinglePoint(ioa), N(S) ns, N(R) nr. */
inline Octets expectedSinglePointFrame(int ns, int nr, int ioa)
{
    return iFrame(ns, nr, singlePointAsdu(0x03, ioa, true));
}

} // namespace qxtest

#endif
