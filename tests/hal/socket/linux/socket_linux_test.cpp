// SPDX-License-Identifier: Apache-2.0
/*
 * Socket layer over loopback: server sockets, connected sockets, handle sets.
 * Every test picks its own free port, so the suite runs in parallel.
 */
#include "hal_socket.h"
#include "lib_memory.h"

#include "fakes/net_helpers.h"
#include "fakes/octets.h"
#include "fakes/signal_helpers.h"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <pthread.h>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <vector>

using namespace qxtest;

namespace
{

struct ServerDeleter {
    void operator()(sServerSocket* s) const { ServerSocket_destroy(s); }
};
struct SocketDeleter {
    void operator()(sSocket* s) const { Socket_destroy(s); }
};
struct HandleSetDeleter {
    void operator()(sHandleSet* s) const { Handleset_destroy(s); }
};
using ServerPtr = std::unique_ptr<sServerSocket, ServerDeleter>;
using SocketPtr = std::unique_ptr<sSocket, SocketDeleter>;
using HandleSetPtr = std::unique_ptr<sHandleSet, HandleSetDeleter>;

/* A listening server socket on a free loopback port. */
ServerPtr listenOnFreePort(uint16_t& port, const char* address = "127.0.0.1")
{
    for (int attempt = 0; attempt < 20; attempt++) {
        port = freeTcpPort();
        ServerPtr server(TcpServerSocket_create(address, port));
        if (server && ServerSocket_listen(server.get()))
            return server;
    }
    return nullptr;
}

/* Accepts one connection, trying for up to 2 s (accept itself never waits). */
SocketPtr acceptWithin(ServerSocket server)
{
    int64_t end = monotonicMs() + 2000;
    while (monotonicMs() < end) {
        if (Socket accepted = ServerSocket_accept(server))
            return SocketPtr(accepted);
        usleep(1000);
    }
    return nullptr;
}

/* A server socket, a raw client and the accepted Socket of that client. */
struct Loopback {
    uint16_t port = 0;
    ServerPtr server;
    RawSocket client;
    SocketPtr accepted;

    bool open()
    {
        server = listenOnFreePort(port);
        if (!server)
            return false;
        client = rawConnect(port);
        if (!client.valid())
            return false;
        accepted = acceptWithin(server.get());
        return accepted != nullptr;
    }
};

Octets pattern(size_t size)
{
    Octets data(size);
    uint32_t x = 0x12345678u;
    for (auto& byte : data) {
        x = x * 1103515245u + 12345u;
        byte = static_cast<uint8_t>(x >> 24);
    }
    return data;
}

/* Reads size bytes from fd slowly (small chunks with pauses) into out. */
void slowRead(int fd, size_t size, Octets& out)
{
    out.resize(size);
    size_t done = 0;
    while (done < size) {
        size_t chunk = std::min<size_t>(32 * 1024, size - done);
        if (!readExactly(fd, out.data() + done, chunk))
            break;
        done += chunk;
        usleep(500);
    }
    out.resize(done);
}

std::atomic<int> sigpipeCount{0};
void countSigpipe(int)
{
    sigpipeCount++;
}

} // namespace

// ---------------------------------------------------------------- handle sets

TEST(HandlesetWaitReady, NullEmptyOrClosedOnlySet_ReturnsMinusOneAtOnce)
{
    HandleSetPtr set(Handleset_new());
    ASSERT_NE(set, nullptr);
    SocketPtr unopened(TcpSocket_create());
    ASSERT_NE(unopened, nullptr);

    int64_t start = monotonicMs();
    EXPECT_EQ(Handleset_waitReady(nullptr, 2000), -1);
    EXPECT_EQ(Handleset_waitReady(set.get(), 2000), -1);
    Handleset_addSocket(set.get(), unopened.get());
    Handleset_addSocket(set.get(), nullptr);
    Handleset_addSocket(nullptr, unopened.get());
    EXPECT_EQ(Handleset_waitReady(set.get(), 2000), -1);
    EXPECT_LT(monotonicMs() - start, 500);
}

TEST(HandlesetWaitReady, ResetAfterAdd_EmptiesTheSet)
{
    Loopback link;
    ASSERT_TRUE(link.open());
    HandleSetPtr set(Handleset_new());
    Handleset_addSocket(set.get(), link.accepted.get());
    Handleset_reset(set.get());
    int64_t start = monotonicMs();
    EXPECT_EQ(Handleset_waitReady(set.get(), 2000), -1);
    EXPECT_LT(monotonicMs() - start, 500);
}

TEST(HandlesetWaitReady, NoDataAndZeroTimeout_ReturnsZeroAtOnce)
{
    Loopback link;
    ASSERT_TRUE(link.open());
    HandleSetPtr set(Handleset_new());
    Handleset_addSocket(set.get(), link.accepted.get());
    int64_t start = monotonicMs();
    EXPECT_EQ(Handleset_waitReady(set.get(), 0), 0);
    EXPECT_LT(monotonicMs() - start, 100);
}

TEST(HandlesetWaitReady, NoData_WaitsTheWholeTimeoutThenReturnsZero)
{
    Loopback link;
    ASSERT_TRUE(link.open());
    HandleSetPtr set(Handleset_new());
    Handleset_addSocket(set.get(), link.accepted.get());
    int64_t start = monotonicMs();
    EXPECT_EQ(Handleset_waitReady(set.get(), 1300), 0);
    int64_t elapsed = monotonicMs() - start;
    EXPECT_GE(elapsed, 1290); /* more than a second: the sub-second part is kept too */
    EXPECT_LT(elapsed, 2500);
}

TEST(HandlesetWaitReady, DataOnSomeSockets_ReturnsNumberOfReadySockets)
{
    Loopback a, b;
    ASSERT_TRUE(a.open());
    ASSERT_TRUE(b.open());
    HandleSetPtr set(Handleset_new());
    Handleset_addSocket(set.get(), a.accepted.get());
    Handleset_addSocket(set.get(), b.accepted.get());
    Handleset_addSocket(set.get(), a.accepted.get()); /* a second add counts once */

    const uint8_t byte = 0x68;
    ASSERT_TRUE(writeAll(b.client.fd(), &byte, 1));
    EXPECT_EQ(Handleset_waitReady(set.get(), 2000), 1);
    ASSERT_TRUE(writeAll(a.client.fd(), &byte, 1));
    usleep(20000);
    EXPECT_EQ(Handleset_waitReady(set.get(), 2000), 2);
}

TEST(HandlesetWaitReady, DataArrivesDuringWait_ReturnsBeforeTimeout)
{
    Loopback link;
    ASSERT_TRUE(link.open());
    HandleSetPtr set(Handleset_new());
    Handleset_addSocket(set.get(), link.accepted.get());
    std::thread writer([&] {
        usleep(100000);
        const uint8_t byte = 0x01;
        writeAll(link.client.fd(), &byte, 1);
    });
    int64_t start = monotonicMs();
    EXPECT_EQ(Handleset_waitReady(set.get(), 10000), 1);
    EXPECT_LT(monotonicMs() - start, 3000);
    writer.join();
}

TEST(HandlesetWaitReady, PeerClosed_ReportsReadableAndReadGivesMinusOne)
{
    Loopback link;
    ASSERT_TRUE(link.open());
    HandleSetPtr set(Handleset_new());
    Handleset_addSocket(set.get(), link.accepted.get());
    link.client.reset();
    EXPECT_EQ(Handleset_waitReady(set.get(), 2000), 1);
    uint8_t buffer[8];
    EXPECT_EQ(Socket_read(link.accepted.get(), buffer, sizeof(buffer)), -1);
}

namespace
{

/* Occupies every free descriptor below `below` so that new ones land above it. */
std::vector<int> fillDescriptorsBelow(int below)
{
    std::vector<int> fillers;
    int devnull = open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (devnull < 0)
        return fillers;
    fillers.push_back(devnull);
    for (int fd = 3; fd < below; fd++) {
        if (fcntl(fd, F_GETFD) == -1 && dup2(devnull, fd) == fd)
            fillers.push_back(fd);
    }
    return fillers;
}

bool raiseDescriptorLimit(rlim_t wanted)
{
    rlimit limit;
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return false;
    if (limit.rlim_cur >= wanted)
        return true;
    if (limit.rlim_max != RLIM_INFINITY && limit.rlim_max < wanted)
        return false;
    limit.rlim_cur = wanted;
    return setrlimit(RLIMIT_NOFILE, &limit) == 0;
}

} // namespace

TEST(HandlesetWaitReady, DescriptorAbove1024_WaitsWithoutOverflow)
{
    const int high = 1500;
    if (!raiseDescriptorLimit(high + 64))
        GTEST_SKIP() << "descriptor hard limit below " << high + 64;

    Loopback low;
    ASSERT_TRUE(low.open());
    std::vector<int> fillers = fillDescriptorsBelow(high);
    Loopback link; /* its descriptors all land at 1500 or above */
    bool opened = link.open();
    for (int fd : fillers)
        close(fd);
    ASSERT_TRUE(opened);
    ASSERT_GE(link.client.fd(), high); /* made after the server and the accepted socket */

    HandleSetPtr set(Handleset_new());
    Handleset_addSocket(set.get(), low.accepted.get());
    Handleset_addSocket(set.get(), link.accepted.get());
    EXPECT_EQ(Handleset_waitReady(set.get(), 0), 0);

    const uint8_t sent[3] = {0x68, 0x04, 0x07};
    ASSERT_TRUE(writeAll(link.client.fd(), sent, sizeof(sent)));
    EXPECT_EQ(Handleset_waitReady(set.get(), 2000), 1);
    uint8_t received[3] = {};
    EXPECT_EQ(Socket_read(link.accepted.get(), received, sizeof(received)), 3);
    EXPECT_EQ(0, memcmp(sent, received, sizeof(sent)));
}

// -------------------------------------------------------------- server socket

TEST(ServerSocketAccept, NothingPending_ReturnsNullAtOnce)
{
    uint16_t port = 0;
    ServerPtr server = listenOnFreePort(port);
    ASSERT_NE(server, nullptr);
    int64_t start = monotonicMs();
    EXPECT_EQ(ServerSocket_accept(server.get()), nullptr);
    EXPECT_LT(monotonicMs() - start, 100);
}

TEST(TcpServerSocketCreate, PortWithActiveListener_ReturnsNullAndLeaksNoDescriptor)
{
    uint16_t port = 0;
    ServerPtr first = listenOnFreePort(port);
    ASSERT_NE(first, nullptr);
    int before = openFdCount();
    EXPECT_EQ(TcpServerSocket_create("127.0.0.1", port), nullptr);
    EXPECT_EQ(TcpServerSocket_create(nullptr, port), nullptr);
    EXPECT_EQ(openFdCount(), before);
}

TEST(TcpServerSocketCreate, AddressThatDoesNotResolve_ReturnsNullAndLeaksNoDescriptor)
{
    int before = openFdCount();
    /* IPv6 literals never resolve for IPv4, and need no name server to fail. */
    for (const char* address : {"::1", "fe80::1", "0:0:0:0:0:0:0:1"}) {
        SCOPED_TRACE(address);
        EXPECT_EQ(TcpServerSocket_create(address, freeTcpPort()), nullptr);
    }
    EXPECT_EQ(openFdCount(), before);
}

TEST(TcpServerSocketCreate, PortOfJustClosedListener_BindsAgainAtOnce)
{
    uint16_t port = 0;
    {
        Loopback link;
        ASSERT_TRUE(link.open());
        port = link.port;
        link.accepted.reset(); /* server side closes first: its end goes to TIME_WAIT */
        link.server.reset();
    }
    ServerPtr again(TcpServerSocket_create("127.0.0.1", port));
    ASSERT_NE(again, nullptr);
    EXPECT_TRUE(ServerSocket_listen(again.get()));
    RawSocket client = rawConnect(port);
    EXPECT_TRUE(client.valid());
    EXPECT_NE(acceptWithin(again.get()), nullptr);
}

TEST(TcpServerSocketCreate, NullAddress_ListensOnAllInterfaces)
{
    uint16_t port = 0;
    ServerPtr server = listenOnFreePort(port, nullptr);
    ASSERT_NE(server, nullptr);
    /* 127.0.0.2 reaches a wildcard listener only. */
    RawSocket client(socket(AF_INET, SOCK_STREAM, 0));
    sockaddr_in target = loopbackAddress(port);
    target.sin_addr.s_addr = inet_addr("127.0.0.2");
    ASSERT_EQ(connect(client.fd(), reinterpret_cast<sockaddr*>(&target), sizeof(target)), 0);
    EXPECT_NE(acceptWithin(server.get()), nullptr);
}

TEST(TcpServerSocketCreate, LoopbackAddress_RefusesOtherLocalAddresses)
{
    uint16_t port = 0;
    ServerPtr server = listenOnFreePort(port, "127.0.0.1");
    ASSERT_NE(server, nullptr);
    RawSocket client(socket(AF_INET, SOCK_STREAM, 0));
    sockaddr_in target = loopbackAddress(port);
    target.sin_addr.s_addr = inet_addr("127.0.0.2");
    EXPECT_NE(connect(client.fd(), reinterpret_cast<sockaddr*>(&target), sizeof(target)), 0);
}

TEST(TcpServerSocketCreate, HostNameAndPortAbove65535_ResolveAndWrap)
{
    uint16_t port = freeTcpPort();
    ServerPtr server(TcpServerSocket_create("localhost", port + 65536));
    ASSERT_NE(server, nullptr);
    ASSERT_TRUE(ServerSocket_listen(server.get()));
    RawSocket client = rawConnect(port);
    EXPECT_TRUE(client.valid());
    EXPECT_NE(acceptWithin(server.get()), nullptr);
}

TEST(ServerSocketDestroy, ServerAndAcceptedSocket_CloseEveryDescriptor)
{
    int before = openFdCount();
    {
        Loopback link;
        ASSERT_TRUE(link.open());
        link.accepted.reset();
        uint8_t byte;
        /* the peer sees the end of the stream */
        EXPECT_FALSE(readExactly(link.client.fd(), &byte, 1));
        link.server.reset();
    }
    EXPECT_EQ(openFdCount(), before);
}

// ---------------------------------------------------------- connected sockets

TEST(SocketRead, NoDescriptor_ReadWriteAndPeerAddressFail)
{
    SocketPtr socket(TcpSocket_create());
    ASSERT_NE(socket, nullptr);
    uint8_t buffer[4] = {1, 2, 3, 4};
    char text[60];
    EXPECT_EQ(Socket_read(socket.get(), buffer, sizeof(buffer)), -1);
    EXPECT_EQ(Socket_write(socket.get(), buffer, sizeof(buffer)), -1);
    EXPECT_EQ(Socket_getPeerAddress(socket.get()), nullptr);
    EXPECT_EQ(Socket_getPeerAddressStatic(socket.get(), text), nullptr);
    EXPECT_EQ(Socket_read(nullptr, buffer, sizeof(buffer)), -1);
    EXPECT_EQ(Socket_write(nullptr, buffer, sizeof(buffer)), -1);
}

TEST(SocketRead, NothingPending_ReturnsZeroAtOnce)
{
    Loopback link;
    ASSERT_TRUE(link.open());
    uint8_t buffer[16];
    int64_t start = monotonicMs();
    EXPECT_EQ(Socket_read(link.accepted.get(), buffer, sizeof(buffer)), 0);
    EXPECT_LT(monotonicMs() - start, 100);
}

TEST(SocketRead, DataPending_ReturnsAtMostBufferSizeInOrder)
{
    Loopback link;
    ASSERT_TRUE(link.open());
    const uint8_t sent[6] = {0x68, 0x04, 0x43, 0x00, 0x00, 0x00};
    ASSERT_TRUE(writeAll(link.client.fd(), sent, sizeof(sent)));
    HandleSetPtr set(Handleset_new());
    Handleset_addSocket(set.get(), link.accepted.get());
    ASSERT_EQ(Handleset_waitReady(set.get(), 2000), 1);

    uint8_t first[2] = {};
    uint8_t rest[16] = {};
    ASSERT_EQ(Socket_read(link.accepted.get(), first, 2), 2);
    EXPECT_EQ(first[0], 0x68);
    EXPECT_EQ(first[1], 0x04);
    ASSERT_EQ(Socket_read(link.accepted.get(), rest, sizeof(rest)), 4);
    EXPECT_EQ(rest[0], 0x43);
    EXPECT_EQ(Socket_read(link.accepted.get(), rest, sizeof(rest)), 0);
}

TEST(SocketRead, PeerClosedAfterSending_GivesDataThenMinusOne)
{
    Loopback link;
    ASSERT_TRUE(link.open());
    const uint8_t sent[2] = {0xAA, 0x55};
    ASSERT_TRUE(writeAll(link.client.fd(), sent, sizeof(sent)));
    link.client.reset();
    usleep(20000);
    uint8_t buffer[8];
    EXPECT_EQ(Socket_read(link.accepted.get(), buffer, sizeof(buffer)), 2);
    EXPECT_EQ(Socket_read(link.accepted.get(), buffer, sizeof(buffer)), -1);
}

TEST(SocketWrite, PeerResetConnection_ReturnsMinusOneWithoutSigpipe)
{
    ScopedSignalHandler counting(SIGPIPE, countSigpipe);
    ASSERT_TRUE(counting.installed());
    sigpipeCount = 0;

    Loopback link;
    ASSERT_TRUE(link.open());
    resetConnection(link.client);
    usleep(50000); /* let the reset arrive */
    const uint8_t frame[6] = {0x68, 0x04, 0x83, 0x00, 0x00, 0x00};
    int result = 0;
    for (int attempt = 0; attempt < 10 && result != -1; attempt++) {
        result = Socket_write(link.accepted.get(), frame, sizeof(frame));
        usleep(10000);
    }
    EXPECT_EQ(result, -1);
    EXPECT_EQ(Socket_write(link.accepted.get(), frame, sizeof(frame)), -1);
    EXPECT_EQ(sigpipeCount.load(), 0);
}

TEST(SocketWrite, SeveralMegabytesToSlowReader_ArriveComplete)
{
    Loopback link;
    ASSERT_TRUE(link.open());
    const Octets data = pattern(6 * 1024 * 1024);
    Octets received;
    std::thread reader([&] { slowRead(link.client.fd(), data.size(), received); });
    EXPECT_EQ(Socket_write(link.accepted.get(), data.data(), static_cast<int>(data.size())),
              static_cast<int>(data.size()));
    reader.join();
    ASSERT_EQ(received.size(), data.size());
    EXPECT_TRUE(received == data);
}

TEST(SocketWrite, PeerStopsReading_FailsAfterSendTimeoutInsteadOfBlocking)
{
    Loopback link;
    ASSERT_TRUE(link.open());
    Socket_setSendTimeout(link.accepted.get(), 300);
    /* Far more than both socket buffers hold: the writer must run into the full buffer. */
    const Octets data = pattern(64 * 1024 * 1024);
    int64_t start = monotonicMs();
    EXPECT_EQ(Socket_write(link.accepted.get(), data.data(), static_cast<int>(data.size())), -1);
    int64_t elapsed = monotonicMs() - start;
    EXPECT_GE(elapsed, 300);
    EXPECT_LT(elapsed, 10000);
}

TEST(SocketWrite, InterruptedBySignals_StillSendsEveryByte)
{
    /* A handler without SA_RESTART makes a blocked send return early. */
    ScopedSignalHandler interruption(SIGUSR1);
    ASSERT_TRUE(interruption.installed());

    Loopback link;
    ASSERT_TRUE(link.open());
    const Octets data = pattern(8 * 1024 * 1024);
    Octets received;
    std::atomic<bool> writing{true};
    int result = 0;
    std::thread writerThread([&] {
        result = Socket_write(link.accepted.get(), data.data(), static_cast<int>(data.size()));
        writing = false;
    });
    pthread_t writerId = writerThread.native_handle();
    std::thread interrupter([&] {
        while (writing) {
            pthread_kill(writerId, SIGUSR1);
            usleep(300);
        }
    });
    slowRead(link.client.fd(), data.size(), received);
    writerThread.join();
    interrupter.join();

    EXPECT_EQ(result, static_cast<int>(data.size()));
    ASSERT_EQ(received.size(), data.size());
    EXPECT_TRUE(received == data);
}

TEST(SocketGetPeerAddress, LoopbackClient_GivesAddressColonPort)
{
    uint16_t port = 0;
    ServerPtr server = listenOnFreePort(port, nullptr);
    ASSERT_NE(server, nullptr);
    /* a client bound to 127.0.0.2 shows an address other than the usual one */
    RawSocket client(socket(AF_INET, SOCK_STREAM, 0));
    sockaddr_in local = loopbackAddress(0);
    local.sin_addr.s_addr = inet_addr("127.0.0.2");
    ASSERT_EQ(bind(client.fd(), reinterpret_cast<sockaddr*>(&local), sizeof(local)), 0);
    sockaddr_in target = loopbackAddress(port);
    ASSERT_EQ(connect(client.fd(), reinterpret_cast<sockaddr*>(&target), sizeof(target)), 0);
    SocketPtr accepted = acceptWithin(server.get());
    ASSERT_NE(accepted, nullptr);

    const std::string expected = "127.0.0.2:" + std::to_string(localPort(client.fd()));
    char* text = Socket_getPeerAddress(accepted.get());
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::string(text), expected);
    Memory_free(text);

    char buffer[60];
    memset(buffer, 'x', sizeof(buffer));
    EXPECT_EQ(Socket_getPeerAddressStatic(accepted.get(), buffer), buffer);
    EXPECT_EQ(std::string(buffer), expected);
}

TEST(SocketConnect, ListeningPeer_ConnectsAndCarriesDataBothWays)
{
    uint16_t port = 0;
    ServerPtr server = listenOnFreePort(port);
    ASSERT_NE(server, nullptr);
    SocketPtr client(TcpSocket_create());
    ASSERT_TRUE(Socket_connect(client.get(), "127.0.0.1", port));
    SocketPtr accepted = acceptWithin(server.get());
    ASSERT_NE(accepted, nullptr);

    char text[60];
    ASSERT_NE(Socket_getPeerAddressStatic(client.get(), text), nullptr);
    EXPECT_EQ(std::string(text), "127.0.0.1:" + std::to_string(port));

    const uint8_t request[6] = {0x68, 0x04, 0x07, 0x00, 0x00, 0x00};
    const uint8_t answer[6] = {0x68, 0x04, 0x0B, 0x00, 0x00, 0x00};
    EXPECT_EQ(Socket_write(client.get(), request, 6), 6);
    HandleSetPtr set(Handleset_new());
    Handleset_addSocket(set.get(), accepted.get());
    ASSERT_EQ(Handleset_waitReady(set.get(), 2000), 1);
    uint8_t buffer[6] = {};
    ASSERT_EQ(Socket_read(accepted.get(), buffer, 6), 6);
    EXPECT_EQ(0, memcmp(buffer, request, 6));

    EXPECT_EQ(Socket_write(accepted.get(), answer, 6), 6);
    Handleset_reset(set.get());
    Handleset_addSocket(set.get(), client.get());
    ASSERT_EQ(Handleset_waitReady(set.get(), 2000), 1);
    ASSERT_EQ(Socket_read(client.get(), buffer, 6), 6);
    EXPECT_EQ(0, memcmp(buffer, answer, 6));

    /* an open socket is not connected a second time */
    EXPECT_FALSE(Socket_connect(client.get(), "127.0.0.1", port));
}

TEST(SocketConnect, NonBlockingSocketLargeWrite_ArrivesComplete)
{
    RawSocket listener = rawListen();
    ASSERT_TRUE(listener.valid());
    SocketPtr client(TcpSocket_create());
    ASSERT_TRUE(Socket_connect(client.get(), "127.0.0.1", localPort(listener.fd())));
    RawSocket peer(accept(listener.fd(), nullptr, nullptr));
    ASSERT_TRUE(peer.valid());

    const Octets data = pattern(4 * 1024 * 1024);
    Octets received;
    std::thread reader([&] { slowRead(peer.fd(), data.size(), received); });
    EXPECT_EQ(Socket_write(client.get(), data.data(), static_cast<int>(data.size())),
              static_cast<int>(data.size()));
    reader.join();
    EXPECT_TRUE(received == data);
}

TEST(SocketConnect, NoListenerOrBadAddress_ReturnsFalseAndLeaksNoDescriptor)
{
    int before = openFdCount();
    SocketPtr client(TcpSocket_create());
    EXPECT_FALSE(Socket_connect(client.get(), "127.0.0.1", freeTcpPort()));
    EXPECT_FALSE(Socket_connect(client.get(), "::1", freeTcpPort()));
    EXPECT_FALSE(Socket_connect(nullptr, "127.0.0.1", freeTcpPort()));
    uint8_t byte = 0;
    EXPECT_EQ(Socket_read(client.get(), &byte, 1), -1);
    EXPECT_EQ(openFdCount(), before);
}

TEST(SocketConnect, PeerNeverAnswers_GivesUpAfterConnectTimeout)
{
    /* With its accept queue full, a listener drops further connection requests. */
    RawSocket listener = rawListen(0);
    ASSERT_TRUE(listener.valid());
    uint16_t port = localPort(listener.fd());
    std::vector<RawSocket> fillers;
    for (int i = 0; i < 3; i++) {
        RawSocket filler(socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0));
        sockaddr_in target = loopbackAddress(port);
        connect(filler.fd(), reinterpret_cast<sockaddr*>(&target), sizeof(target));
        fillers.push_back(std::move(filler));
    }
    usleep(100000);

    int before = openFdCount();
    SocketPtr client(TcpSocket_create());
    Socket_setConnectTimeout(client.get(), 400);
    int64_t start = monotonicMs();
    EXPECT_FALSE(Socket_connect(client.get(), "127.0.0.1", port));
    int64_t elapsed = monotonicMs() - start;
    EXPECT_GE(elapsed, 390);
    EXPECT_LT(elapsed, 3000);
    EXPECT_EQ(openFdCount(), before);
}
