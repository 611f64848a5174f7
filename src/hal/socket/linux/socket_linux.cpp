// SPDX-License-Identifier: Apache-2.0
/*
 * Linux implementation of the socket layer (hal_socket.h).
 *
 * Choices made here:
 * - Handle sets keep their descriptors in a small growing array and wait with
 *   poll(), so a descriptor of 1024 or more never writes outside a fixed
 *   select set. A descriptor reported with POLLNVAL (closed) makes the wait
 *   give -1, as select would with EBADF.
 * - Socket_write loops until every byte is sent: a short count or EINTR is
 *   retried, and a full send buffer waits with poll until there is room
 *   again. A frame is never left half-written on a working connection.
 * - A peer that stops reading cannot hold a writer forever: when the send
 *   buffer stays full for the send time-out (10 s unless set), the write
 *   fails with -1 and the caller closes the connection.
 * - Socket_read treats EINTR like EAGAIN (nothing read yet), not as a broken
 *   connection.
 * - Every descriptor is opened close-on-exec, so a program started by the
 *   process does not inherit the listening port or a master's connection.
 * - A failed Socket_connect closes its descriptor at once (fd -1), and a
 *   socket that already has a descriptor is not connected again.
 */
#include "hal_socket.h"

#include "hal_thread.h"
#include "hal_time.h"
#include "lib_memory.h"

#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <new>
#include <poll.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

/* Both records begin with the descriptor, so a ServerSocket closes like a Socket. */
struct sSocket {
    std::atomic<int> fd; /* -1 when the socket has none */
    uint32_t connectTimeout;
    std::atomic<uint32_t> sendTimeout; /* ms without progress before a write fails; 0 = none */
};

struct sServerSocket {
    std::atomic<int> fd;
    int backLog;
};

struct sHandleSet {
    struct pollfd* fds;
    int count;
    int capacity;
    int maxHandle; /* highest descriptor in the set, -1 when empty */
};

static const int HANDLESET_INITIAL_CAPACITY = 4;
static const int PEER_ADDRESS_STATIC_SIZE = 60;

/* ------------------------------------------------------------ helpers */

static bool prepareServerAddress(const char* address, int port, struct sockaddr_in* sockaddr)
{
    memset(sockaddr, 0, sizeof(struct sockaddr_in));
    if (address != nullptr) {
        struct addrinfo hints;
        memset(&hints, 0, sizeof(hints));
        hints.ai_family = AF_INET;
        struct addrinfo* result = nullptr;
        if (getaddrinfo(address, nullptr, &hints, &result) != 0 || result == nullptr)
            return false;
        bool usable =
            result->ai_family == AF_INET && result->ai_addrlen >= sizeof(struct sockaddr_in);
        if (usable)
            memcpy(sockaddr, result->ai_addr, sizeof(struct sockaddr_in));
        freeaddrinfo(result);
        if (!usable)
            return false;
    } else {
        sockaddr->sin_addr.s_addr = htonl(INADDR_ANY);
    }
    sockaddr->sin_family = AF_INET;
    sockaddr->sin_port = htons(static_cast<uint16_t>(port)); /* modulo 65536 */
    return true;
}

static void setSocketNonBlocking(int fd)
{
    int flags = fcntl(fd, F_GETFL, 0);
    if (flags != -1)
        fcntl(fd, F_SETFL, flags | O_NONBLOCK);
}

static void activateTcpNoDelay(int fd)
{
    int value = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &value, sizeof(value));
}

static void closeAndShutdownSocket(int fd)
{
    if (fd != -1) {
        shutdown(fd, SHUT_RDWR);
        close(fd);
    }
}

/* The platform's monotonic clock as a signed count, for differences. */
static int64_t monotonicNowMs()
{
    return static_cast<int64_t>(Hal_getMonotonicTimeInMs());
}

/* Waits until fd is writable; false on time-out or error. timeoutMs < 0 waits without limit. */
static bool waitWritable(int fd, int64_t timeoutMs)
{
    int64_t deadline = monotonicNowMs() + timeoutMs;
    for (;;) {
        int waitMs = -1;
        if (timeoutMs >= 0) {
            int64_t left = deadline - monotonicNowMs();
            if (left < 0)
                left = 0;
            waitMs = left > INT_MAX ? INT_MAX : static_cast<int>(left);
        }
        struct pollfd entry = {fd, POLLOUT, 0};
        int ready = poll(&entry, 1, waitMs);
        if (ready == 1)
            return true;
        if (ready == 0 || errno != EINTR)
            return false;
    }
}

/* ------------------------------------------------------------ handle sets */

HandleSet Handleset_new(void)
{
    auto self = static_cast<HandleSet>(Memory_malloc(sizeof(struct sHandleSet)));
    if (self == nullptr)
        return nullptr;
    self->fds = static_cast<struct pollfd*>(
        Memory_malloc(sizeof(struct pollfd) * HANDLESET_INITIAL_CAPACITY));
    if (self->fds == nullptr) {
        Memory_free(self);
        return nullptr;
    }
    self->capacity = HANDLESET_INITIAL_CAPACITY;
    self->count = 0;
    self->maxHandle = -1;
    return self;
}

void Handleset_reset(HandleSet self)
{
    if (self == nullptr)
        return;
    self->count = 0;
    self->maxHandle = -1;
}

static bool handlesetContains(HandleSet self, int fd)
{
    for (int i = 0; i < self->count; i++) {
        if (self->fds[i].fd == fd)
            return true;
    }
    return false;
}

static bool handlesetMakeRoom(HandleSet self)
{
    if (self->count < self->capacity)
        return true;
    int capacity = self->capacity * 2;
    auto grown = static_cast<struct pollfd*>(
        Memory_realloc(self->fds, sizeof(struct pollfd) * static_cast<size_t>(capacity)));
    if (grown == nullptr)
        return false;
    self->fds = grown;
    self->capacity = capacity;
    return true;
}

void Handleset_addSocket(HandleSet self, const Socket sock)
{
    if (sock != nullptr)
        Handleset_addDescriptor(self, sock->fd.load());
}

void Handleset_addServerSocket(HandleSet self, const ServerSocket sock)
{
    if (sock != nullptr)
        Handleset_addDescriptor(self, sock->fd.load());
}

void Handleset_addDescriptor(HandleSet self, int fd)
{
    if (self == nullptr || fd < 0 || handlesetContains(self, fd) || !handlesetMakeRoom(self))
        return;
    self->fds[self->count].fd = fd;
    self->fds[self->count].events = POLLIN;
    self->fds[self->count].revents = 0;
    self->count++;
    if (fd > self->maxHandle)
        self->maxHandle = fd;
}

int Handleset_waitReady(HandleSet self, unsigned int timeoutMs)
{
    if (self == nullptr || self->maxHandle < 0)
        return -1;
    int waitMs =
        timeoutMs > static_cast<unsigned int>(INT_MAX) ? INT_MAX : static_cast<int>(timeoutMs);
    int ready = poll(self->fds, static_cast<nfds_t>(self->count), waitMs);
    if (ready <= 0)
        return ready;
    for (int i = 0; i < self->count; i++) {
        if (self->fds[i].revents & POLLNVAL) {
            errno = EBADF;
            return -1;
        }
    }
    return ready;
}

void Handleset_destroy(HandleSet self)
{
    if (self == nullptr)
        return;
    Memory_free(self->fds);
    Memory_free(self);
}

/* ---------------------------------------------------------- server socket */

ServerSocket TcpServerSocket_create(const char* address, int port)
{
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd == -1)
        return nullptr;
    struct sockaddr_in serverAddress;
    if (!prepareServerAddress(address, port, &serverAddress)) {
        close(fd);
        return nullptr;
    }
    int reuse = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof(reuse));
    if (bind(fd, reinterpret_cast<struct sockaddr*>(&serverAddress), sizeof(serverAddress)) != 0) {
        close(fd);
        return nullptr;
    }
    void* memory = Memory_malloc(sizeof(struct sServerSocket));
    if (memory == nullptr) {
        close(fd);
        return nullptr;
    }
    auto self = new (memory) sServerSocket;
    self->fd.store(fd);
    self->backLog = 0;
    setSocketNonBlocking(fd);
    return self;
}

void ServerSocket_setBacklog(ServerSocket self, int backlog)
{
    if (self != nullptr)
        self->backLog = backlog;
}

bool ServerSocket_listen(ServerSocket self)
{
    if (self == nullptr)
        return false;
    int fd = self->fd.load();
    return fd != -1 && listen(fd, self->backLog) == 0;
}

Socket ServerSocket_accept(ServerSocket self)
{
    if (self == nullptr)
        return nullptr;
    int listenFd = self->fd.load();
    if (listenFd == -1)
        return nullptr;
    int fd = accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0)
        return nullptr;
    Socket conSocket = TcpSocket_create();
    if (conSocket == nullptr) {
        closeAndShutdownSocket(fd);
        return nullptr;
    }
    conSocket->fd.store(fd);
    activateTcpNoDelay(fd);
    return conSocket;
}

/* Common end of both socket kinds: mark closed first, then close, pause, free. */
static void destroySocketRecord(std::atomic<int>* fdField, void* record)
{
    int fd = fdField->exchange(-1);
    closeAndShutdownSocket(fd);
    Thread_sleep(10);
    Memory_free(record);
}

void ServerSocket_destroy(ServerSocket self)
{
    if (self == nullptr)
        return;
    destroySocketRecord(&self->fd, self);
}

/* ------------------------------------------------------- connected sockets */

Socket TcpSocket_create(void)
{
    void* memory = Memory_malloc(sizeof(struct sSocket));
    if (memory == nullptr)
        return nullptr;
    auto self = new (memory) sSocket;
    self->fd.store(-1);
    self->connectTimeout = 5000;
    self->sendTimeout.store(SOCKET_DEFAULT_SEND_TIMEOUT_MS);
    return self;
}

void Socket_setConnectTimeout(Socket self, uint32_t timeoutInMs)
{
    if (self != nullptr)
        self->connectTimeout = timeoutInMs;
}

/* True when a non-blocking connect on fd finished without error within the time-out. */
static bool finishConnect(int fd, uint32_t timeoutMs)
{
    if (!waitWritable(fd, static_cast<int64_t>(timeoutMs)))
        return false;
    int error = 0;
    socklen_t length = sizeof(error);
    return getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
}

bool Socket_connect(Socket self, const char* address, int port)
{
    if (self == nullptr || self->fd.load() != -1)
        return false;
    struct sockaddr_in serverAddress;
    if (!prepareServerAddress(address, port, &serverAddress))
        return false;
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd == -1)
        return false;
    activateTcpNoDelay(fd);
    fcntl(fd, F_SETFL, O_NONBLOCK);
    bool connected =
        connect(fd, reinterpret_cast<struct sockaddr*>(&serverAddress), sizeof(serverAddress)) == 0;
    if (!connected && errno == EINPROGRESS)
        connected = finishConnect(fd, self->connectTimeout);
    if (!connected) {
        close(fd);
        return false;
    }
    self->fd.store(fd);
    return true;
}

int Socket_read(Socket self, uint8_t* buf, int size)
{
    if (self == nullptr)
        return -1;
    int fd = self->fd.load();
    if (fd == -1 || size < 0)
        return -1;
    if (size == 0)
        return 0;
    ssize_t count = recv(fd, buf, static_cast<size_t>(size), MSG_DONTWAIT);
    if (count > 0)
        return static_cast<int>(count);
    if (count == 0)
        return -1; /* the peer closed the connection */
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
        return 0;
    return -1;
}

int Socket_write(Socket self, const uint8_t* buf, int size)
{
    if (self == nullptr || size < 0)
        return -1;
    int sent = 0;
    while (sent < size) {
        /* Re-read each round: Socket_destroy on another thread ends the loop. */
        int fd = self->fd.load();
        if (fd == -1)
            return -1;
        ssize_t count =
            send(fd, buf + sent, static_cast<size_t>(size - sent), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (count > 0) {
            sent += static_cast<int>(count);
        } else if (count < 0 && errno == EINTR) {
            continue;
        } else if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            uint32_t timeout = self->sendTimeout.load();
            if (!waitWritable(fd, timeout == 0 ? -1 : static_cast<int64_t>(timeout)))
                return -1;
        } else {
            return -1;
        }
    }
    return size;
}

int Socket_writeSome(Socket self, const SocketBuffer* buffers, int count)
{
    if (self == nullptr || buffers == nullptr || count < 0)
        return -1;
    if (count > SOCKET_MAX_GATHER)
        count = SOCKET_MAX_GATHER;
    struct iovec parts[SOCKET_MAX_GATHER];
    size_t total = 0;
    for (int i = 0; i < count; i++) {
        if (buffers[i].size < 0)
            return -1;
        parts[i].iov_base = const_cast<uint8_t*>(buffers[i].octets);
        parts[i].iov_len = static_cast<size_t>(buffers[i].size);
        total += parts[i].iov_len;
    }
    if (total == 0)
        return 0;
    if (total > static_cast<size_t>(INT_MAX))
        return -1;
    struct msghdr message;
    std::memset(&message, 0, sizeof message);
    message.msg_iov = parts;
    message.msg_iovlen = static_cast<decltype(message.msg_iovlen)>(count);
    for (;;) {
        int fd = self->fd.load();
        if (fd == -1)
            return -1;
        ssize_t sent = sendmsg(fd, &message, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent > 0)
            return static_cast<int>(sent); /* at most total */
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            uint32_t timeout = self->sendTimeout.load();
            if (!waitWritable(fd, timeout == 0 ? -1 : static_cast<int64_t>(timeout)))
                return -1;
            continue;
        }
        return -1;
    }
}

void Socket_setSendTimeout(Socket self, uint32_t timeoutInMs)
{
    if (self != nullptr)
        self->sendTimeout.store(timeoutInMs);
}

/* Formats the peer address into buffer (size bytes); false when it cannot. */
static bool formatPeerAddress(Socket self, char* buffer, size_t size)
{
    if (self == nullptr || buffer == nullptr)
        return false;
    int fd = self->fd.load();
    if (fd == -1)
        return false;
    struct sockaddr_storage address;
    socklen_t length = sizeof(address);
    if (getpeername(fd, reinterpret_cast<struct sockaddr*>(&address), &length) != 0)
        return false;
    char text[INET6_ADDRSTRLEN];
    int written;
    if (address.ss_family == AF_INET) {
        auto ipv4 = reinterpret_cast<struct sockaddr_in*>(&address);
        if (inet_ntop(AF_INET, &ipv4->sin_addr, text, INET_ADDRSTRLEN) == nullptr)
            return false;
        written = snprintf(buffer, size, "%s:%i", text, ntohs(ipv4->sin_port));
    } else if (address.ss_family == AF_INET6) {
        auto ipv6 = reinterpret_cast<struct sockaddr_in6*>(&address);
        if (inet_ntop(AF_INET6, &ipv6->sin6_addr, text, INET6_ADDRSTRLEN) == nullptr)
            return false;
        written = snprintf(buffer, size, "[%s]:%i", text, ntohs(ipv6->sin6_port));
    } else {
        return false;
    }
    return written > 0 && static_cast<size_t>(written) < size;
}

char* Socket_getPeerAddress(Socket self)
{
    char text[PEER_ADDRESS_STATIC_SIZE];
    if (!formatPeerAddress(self, text, sizeof(text)))
        return nullptr;
    size_t length = strlen(text) + 1;
    auto copy = static_cast<char*>(Memory_malloc(length));
    if (copy != nullptr)
        memcpy(copy, text, length);
    return copy;
}

char* Socket_getPeerAddressStatic(Socket self, char* peerAddressString)
{
    if (!formatPeerAddress(self, peerAddressString, PEER_ADDRESS_STATIC_SIZE))
        return nullptr;
    return peerAddressString;
}

void Socket_destroy(Socket self)
{
    if (self == nullptr)
        return;
    destroySocketRecord(&self->fd, self);
}
