// SPDX-License-Identifier: Apache-2.0
/*
 * One master connection driven pass by pass, without a thread or a socket:
 * the test sends octets through a fake stream, runs the connection's passes
 * (MasterConnection_serveOnce) and takes the frames it wrote; the fake clock
 * moves only when the test moves it. Timer and window tests so run as
 * octets in, octets out, exactly and without sleeps.
 */
#ifndef QX_TESTS_CS104_CONNECTION_HARNESS_H
#define QX_TESTS_CS104_CONNECTION_HARNESS_H

#include "cs104_master_connection.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_host.h"
#include "fakes/fake_stream.h"
#include "fakes/raw_master.h"

#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace qxtest
{

using Frames = std::vector<Octets>;

class ConnectionHarness
{
  public:
    /* Resets the fake clock; the host's parameters may be changed before open(). */
    ConnectionHarness() { qxfake::clockReset(); }

    ~ConnectionHarness()
    {
        MasterConnection_destroy(connection);
        MessageQueue_destroy(low);
        HighPriorityASDUQueue_destroy(high);
    }

    ConnectionHarness(const ConnectionHarness&) = delete;
    ConnectionHarness& operator=(const ConnectionHarness&) = delete;

    /* Creates the connection with queues of the given sizes (mode 1: its own). */
    void open(int lowSize = 100, int highSize = 100)
    {
        low = MessageQueue_create(lowSize);
        high = HighPriorityASDUQueue_create(highSize);
        ASSERT_NE(low, nullptr);
        ASSERT_NE(high, nullptr);
        TransportStream stream = qxfake::FakeStream_create(peer);
        ASSERT_NE(stream, nullptr);
        connection = MasterConnection_create(host.host(), stream, low, high, false);
        ASSERT_NE(connection, nullptr);
    }

    /* One pass; false once the connection closed (no pass runs after that). */
    bool pass()
    {
        if (closed_)
            return false;
        if (!MasterConnection_serveOnce(connection))
            closed_ = true;
        return !closed_;
    }

    /* Passes until the connection has read everything sent (at least one). */
    void run()
    {
        while (pass() && peer->readable()) {
        }
    }

    /* Sends octets, runs, returns what the connection wrote meanwhile. */
    Frames exchange(const Octets& octets)
    {
        peer->send(octets);
        run();
        return peer->takeWritten();
    }

    /* Moves the clock by ms, runs one pass, returns what was written. */
    Frames advance(uint64_t ms)
    {
        qxfake::clockAdvance(ms);
        pass();
        return peer->takeWritten();
    }

    /* Queues ASDU octets as the application's spontaneous data would be. */
    void enqueue(const Octets& asduOctets)
    {
        ASSERT_TRUE(MessageQueue_enqueueOctets(low, asduOctets.data(),
                                               static_cast<int>(asduOctets.size())));
    }

    /* Sends STARTDT act and expects only STARTDT con. */
    void start() { ASSERT_EQ(exchange(uFrame(U_STARTDT_ACT)), Frames{uFrame(U_STARTDT_CON)}); }

    bool closed() const { return closed_; }

    qxfake::FakeHost host;
    std::shared_ptr<qxfake::FakePeer> peer = std::make_shared<qxfake::FakePeer>();
    MessageQueue low = nullptr;
    HighPriorityASDUQueue high = nullptr;
    MasterConnection connection = nullptr;

  private:
    bool closed_ = false;
};

/*
 * A silent peer with t3 = 1 s and test frames first..3 still to come: each
 * goes exactly one t3 (plus 1 ms) after the one before, and only the close
 * follows the third, one t3 later.
 */
inline void expectTestFramesThenClose(ConnectionHarness& link, int first = 1)
{
    for (int i = first; i <= 3; i++) {
        EXPECT_EQ(link.advance(1000), Frames{}) << i;
        EXPECT_EQ(link.advance(1), Frames{uFrame(U_TESTFR_ACT)}) << i;
    }
    EXPECT_EQ(link.advance(1000), Frames{});
    EXPECT_FALSE(link.closed());
    EXPECT_EQ(link.advance(1), Frames{});
    EXPECT_TRUE(link.closed());
}

} // namespace qxtest

#endif
