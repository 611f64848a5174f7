// SPDX-License-Identifier: Apache-2.0
/*
 * Who may connect: AllowedMasters, MaxMasters and BindAddress of section
 * "Svr104", seen from masters on several loopback addresses (the whole of
 * 127.0.0.0/8 reaches the loopback interface).
 */
#include "gateway_sandbox.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <thread>

namespace qxtest
{
namespace
{

/* A master's socket from a chosen loopback address. */
class Master
{
  public:
    Master() = default;
    ~Master() { close(); }
    Master(const Master&) = delete;
    Master& operator=(const Master&) = delete;

    /* Connects from address `from` to `to`:2404; errno of a failure, or 0. */
    int connect(const char* from, const char* to = "127.0.0.1")
    {
        close();
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd_ < 0)
            return errno;
        sockaddr_in local = {};
        local.sin_family = AF_INET;
        inet_pton(AF_INET, from, &local.sin_addr);
        if (::bind(fd_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0)
            return errno;
        sockaddr_in remote = {};
        remote.sin_family = AF_INET;
        remote.sin_port = htons(kGatewayPort);
        inet_pton(AF_INET, to, &remote.sin_addr);
        if (::connect(fd_, reinterpret_cast<sockaddr*>(&remote), sizeof remote) != 0)
            return errno;
        return 0;
    }

    /* STARTDT act, and true when STARTDT con comes back within 3 s. */
    bool served()
    {
        const uint8_t act[] = {0x68, 0x04, 0x07, 0x00, 0x00, 0x00};
        if (::send(fd_, act, sizeof act, MSG_NOSIGNAL) != static_cast<ssize_t>(sizeof act))
            return false;
        uint8_t con[6];
        size_t got = 0;
        while (got < sizeof con) {
            if (!readable(3000))
                return false;
            ssize_t n = ::recv(fd_, con + got, sizeof con - got, 0);
            if (n <= 0)
                return false;
            got += static_cast<size_t>(n);
        }
        return con[0] == 0x68 && con[2] == 0x0B;
    }

    /* True when the gateway closes the connection within timeoutMs, having
     * sent nothing. */
    bool closedByGateway(int timeoutMs)
    {
        if (!readable(timeoutMs))
            return false;
        uint8_t octet;
        ssize_t n = ::recv(fd_, &octet, 1, 0);
        return n == 0 || (n < 0 && errno == ECONNRESET);
    }

    void close()
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }

  private:
    bool readable(int timeoutMs)
    {
        pollfd p = {fd_, POLLIN, 0};
        return ::poll(&p, 1, timeoutMs) == 1;
    }

    int fd_ = -1;
};

using GatewayPolicy = GatewaySandbox;

TEST_F(GatewayPolicy, AllowedMasters_ListedServedOthersClosedAtOnceAndNamed)
{
    setSvr104Lines("AllowedMasters=127.0.0.2, 127.0.1.0/24\n");
    startGateway();

    Master allowed, refused, inRange;
    ASSERT_EQ(0, allowed.connect("127.0.0.2"));
    EXPECT_TRUE(allowed.served());
    EXPECT_TRUE(gateway_.waitFor("New connection from 127.0.0.2", 2000));

    ASSERT_EQ(0, refused.connect("127.0.0.3"));
    EXPECT_TRUE(refused.closedByGateway(2000));
    EXPECT_TRUE(gateway_.waitFor("Connection from 127.0.0.3 refused: not in AllowedMasters", 2000))
        << gateway_.transcript();

    ASSERT_EQ(0, inRange.connect("127.0.1.7"));
    EXPECT_TRUE(inRange.served());
    EXPECT_TRUE(gateway_.waitFor("New connection from 127.0.1.7", 2000));
    EXPECT_EQ(0, gateway_.countFrom(0, "New connection from 127.0.0.3"));
}

TEST_F(GatewayPolicy, MaxMasters_OneMoreRefusedUntilOneLeaves)
{
    setSvr104Lines("MaxMasters=2\n");
    startGateway();
    Master first, second, third;
    ASSERT_EQ(0, first.connect("127.0.0.2"));
    EXPECT_TRUE(first.served());
    ASSERT_EQ(0, second.connect("127.0.0.3"));
    EXPECT_TRUE(second.served());

    ASSERT_EQ(0, third.connect("127.0.0.4"));
    EXPECT_TRUE(third.closedByGateway(2000));
    EXPECT_TRUE(gateway_.waitFor("Connection from 127.0.0.4 refused: MaxMasters 2 reached", 2000))
        << gateway_.transcript();

    /* Once the first master leaves and its connection is gone, a third one
     * is served. */
    first.close();
    bool servedAfterLeave = false;
    for (int attempt = 0; attempt < 20 && !servedAfterLeave; ++attempt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        ASSERT_EQ(0, third.connect("127.0.0.4"));
        servedAfterLeave = third.served();
    }
    EXPECT_TRUE(servedAfterLeave) << gateway_.transcript();
    EXPECT_TRUE(gateway_.waitFor("New connection from 127.0.0.4", 2000));
}

TEST_F(GatewayPolicy, BindAddress_ListensOnThatAddressOnly)
{
    setSvr104Lines("BindAddress=127.0.0.5\n");
    startGateway();
    Master there, elsewhere;
    ASSERT_EQ(0, there.connect("127.0.0.9", "127.0.0.5"));
    EXPECT_TRUE(there.served());
    EXPECT_EQ(ECONNREFUSED, elsewhere.connect("127.0.0.9", "127.0.0.1"));
}

TEST_F(GatewayPolicy, BadValues_NamedAndTheGatewayDoesNotStart)
{
    for (const char* line :
         {"AllowedMasters=127.0.0.0/33", "MaxMasters=two", "BindAddress=localhost"}) {
        std::string ini = readFile(work_ + "/qxSvr.ini");
        setSvr104Lines(std::string(line) + "\n");
        GatewayProcess gateway;
        ASSERT_TRUE(gateway.start(QX_GATEWAY_BINARY, work_));
        EXPECT_TRUE(gateway.waitFor(std::string("bad value in qxSvr.ini [Svr104] ") + line, 5000))
            << gateway.transcript();
        EXPECT_TRUE(gateway.waitFor("exit -1 !IsOk", 5000)) << gateway.transcript();
        EXPECT_EQ(255, exitCodeOf(gateway.waitExit(5000)));
        EXPECT_EQ(0, gateway.countFrom(0, "running..."));
        EXPECT_TRUE(gatewayPortFree());
        ASSERT_TRUE(writeFile(work_ + "/qxSvr.ini", ini));
    }
}

} // namespace
} // namespace qxtest
