// SPDX-License-Identifier: Apache-2.0
/*
 * The slave with a TLS configuration over loopback: which listeners a start
 * opens, and that a master over TLS runs the same link procedure as a plain
 * one (one connection limit and request handler for both listeners).
 */
#include "tls_test_support.h"

#include "cs104_slave.h"
#include "fakes/fake_clock.h"
#include "fakes/raw_master.h"

#include <atomic>

using namespace qxtls;

namespace
{

const Octets kStartDtAct = {0x68, 0x04, 0x07, 0x00, 0x00, 0x00};
const Octets kStartDtCon = {0x68, 0x04, 0x0B, 0x00, 0x00, 0x00};

/* Counts the request handler's calls and says yes. */
bool countRequest(void* parameter, const char*)
{
    static_cast<std::atomic<int>*>(parameter)->fetch_add(1);
    return true;
}

class TlsSlaveTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        qxfake::clockReset();
        ASSERT_EQ(station_config.load(), "");
        slave = CS104_Slave_create(10, 10);
        ASSERT_NE(slave, nullptr);
        CS104_Slave_setLocalAddress(slave, "127.0.0.1");
        CS104_Slave_setConnectionRequestHandler(slave, countRequest, &requests);
        tlsPort = qxtest::freeTcpPort();
        plainPort = qxtest::freeTcpPort();
        CS104_Slave_setTlsPort(slave, tlsPort);
    }
    void TearDown() override { CS104_Slave_destroy(slave); }

    /* A plain master's STARTDT act is confirmed on port. */
    static bool plainStartDt(uint16_t port)
    {
        qxtest::RawMaster plain;
        if (!plain.connect(port) || !plain.send(kStartDtAct))
            return false;
        std::optional<qxtest::Apdu> reply = plain.receive(kRealLimitMs);
        return reply.has_value() && reply->octets == kStartDtCon;
    }

    StationConfig station_config{true};
    CS104_Slave slave = nullptr;
    std::atomic<int> requests{0};
    uint16_t tlsPort = 0;
    uint16_t plainPort = 0;
};

TEST_F(TlsSlaveTest, TlsOnlyListensOnTheTlsPortAndRunsTheLinkOverTls)
{
    CS104_Slave_setLocalPort(slave, 0);
    CS104_Slave_setTlsConfig(slave, station_config.config);
    CS104_Slave_start(slave);
    ASSERT_TRUE(CS104_Slave_isRunning(slave));

    Master client(tlsPort, master("master"), kStartDtAct, kStartDtCon.size());
    client.join();
    EXPECT_TRUE(client.handshakeOk);
    EXPECT_EQ(client.received, kStartDtCon);
    EXPECT_EQ(requests.load(), 1);

    // Plain IEC 104 on the TLS port is refused by the handshake, and no
    // plain listener was opened on the plain port.
    EXPECT_FALSE(plainStartDt(tlsPort));
    qxtest::RawMaster nobody;
    EXPECT_FALSE(nobody.connect(plainPort));
}

TEST_F(TlsSlaveTest, BothListenersShareTheConnectionLimit)
{
    CS104_Slave_setLocalPort(slave, plainPort);
    CS104_Slave_setTlsConfig(slave, station_config.config);
    CS104_Slave_setMaxOpenConnections(slave, 1);
    CS104_Slave_start(slave);
    ASSERT_TRUE(CS104_Slave_isRunning(slave));

    EXPECT_TRUE(plainStartDt(plainPort));
    // The plain master above has gone; one TLS master fits the limit.
    for (int i = 0; i < 200 && CS104_Slave_getOpenConnections(slave) > 0; i++)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    qxtest::RawMaster holder;
    ASSERT_TRUE(holder.connect(plainPort));
    ASSERT_TRUE(holder.send(kStartDtAct));
    ASSERT_TRUE(holder.receive(kRealLimitMs).has_value());
    // With the plain master holding the only place, a TLS master is closed
    // before its handshake.
    Master refused(tlsPort, master("master"), kStartDtAct, kStartDtCon.size());
    refused.join();
    EXPECT_FALSE(refused.handshakeOk);
    holder.close();
    for (int i = 0; i < 200 && CS104_Slave_getOpenConnections(slave) > 0; i++)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    Master admitted(tlsPort, master("master"), kStartDtAct, kStartDtCon.size());
    admitted.join();
    EXPECT_EQ(admitted.received, kStartDtCon);
}

TEST_F(TlsSlaveTest, StartFailsWhenTheTlsPortIsTaken)
{
    qxtest::RawSocket blocker = qxtest::rawListen();
    CS104_Slave_setLocalPort(slave, plainPort);
    CS104_Slave_setTlsPort(slave, qxtest::localPort(blocker.fd()));
    CS104_Slave_setTlsConfig(slave, station_config.config);
    CS104_Slave_start(slave);
    EXPECT_FALSE(CS104_Slave_isRunning(slave));
    // The plain listener it had opened is closed again.
    qxtest::RawMaster nobody;
    EXPECT_FALSE(nobody.connect(plainPort));
}

} // namespace
