// SPDX-License-Identifier: Apache-2.0
/*
 * Small helpers for tests that use loopback sockets and descriptors.
 * Header-only; plain POSIX, independent of the code under test.
 *
 * - freeTcpPort(): a loopback TCP port that was free a moment ago.
 * - openFdCount(): number of open descriptors of this process.
 * - RawSocket: an owned POSIX descriptor (closed on destruction).
 * - rawConnect(), rawListen(), localPort(): client/server ends made without
 *   the socket layer, to drive it from the other side.
 * - readExactly()/writeAll(): blocking transfer of a whole buffer.
 * - resetConnection(): closes a descriptor so that the peer sees an RST.
 * - monotonicMs(): a steady clock for timing checks.
 */
#ifndef QX_TESTS_FAKES_NET_HELPERS_H
#define QX_TESTS_FAKES_NET_HELPERS_H

#include <arpa/inet.h>
#include <chrono>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <dirent.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace qxtest
{

/* Owns one descriptor; -1 when empty. */
class RawSocket
{
  public:
    RawSocket() = default;
    explicit RawSocket(int fd) : fd_(fd) {}
    RawSocket(const RawSocket&) = delete;
    RawSocket& operator=(const RawSocket&) = delete;
    RawSocket(RawSocket&& other) noexcept : fd_(other.release()) {}
    RawSocket& operator=(RawSocket&& other) noexcept
    {
        if (this != &other) {
            reset();
            fd_ = other.release();
        }
        return *this;
    }
    ~RawSocket() { reset(); }

    int fd() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    int release()
    {
        int fd = fd_;
        fd_ = -1;
        return fd;
    }
    void reset()
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }

  private:
    int fd_ = -1;
};

inline sockaddr_in loopbackAddress(uint16_t port)
{
    sockaddr_in address;
    std::memset(&address, 0, sizeof(address));
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    return address;
}

/* The local port of a bound socket, 0 on error. */
inline uint16_t localPort(int fd)
{
    sockaddr_in address;
    socklen_t length = sizeof(address);
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return 0;
    return ntohs(address.sin_port);
}

/* A loopback TCP port the kernel handed out just now (0 on error). */
inline uint16_t freeTcpPort()
{
    RawSocket probe(::socket(AF_INET, SOCK_STREAM, 0));
    if (!probe.valid())
        return 0;
    sockaddr_in address = loopbackAddress(0);
    if (::bind(probe.fd(), reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0)
        return 0;
    return localPort(probe.fd());
}

/* A listening loopback socket on an ephemeral port (read it with localPort). */
inline RawSocket rawListen(int backlog = 8)
{
    RawSocket listener(::socket(AF_INET, SOCK_STREAM, 0));
    sockaddr_in address = loopbackAddress(0);
    if (!listener.valid() ||
        ::bind(listener.fd(), reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        ::listen(listener.fd(), backlog) != 0)
        return RawSocket();
    return listener;
}

/*
 * A blocking client connected to 127.0.0.1:port, or an empty RawSocket.
 * With a source (a loopback address such as "127.0.0.2") the client binds
 * it first, so the server sees that peer address.
 */
inline RawSocket rawConnect(uint16_t port, const char* source = nullptr)
{
    RawSocket client(::socket(AF_INET, SOCK_STREAM, 0));
    if (!client.valid())
        return RawSocket();
    if (source != nullptr) {
        sockaddr_in local = loopbackAddress(0);
        if (inet_pton(AF_INET, source, &local.sin_addr) != 1 ||
            ::bind(client.fd(), reinterpret_cast<sockaddr*>(&local), sizeof(local)) != 0)
            return RawSocket();
    }
    sockaddr_in address = loopbackAddress(port);
    if (::connect(client.fd(), reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0)
        return RawSocket();
    return client;
}

/* Number of entries in /proc/self/fd (the count includes none of its own). */
inline int openFdCount()
{
    DIR* dir = ::opendir("/proc/self/fd");
    if (dir == nullptr)
        return -1;
    int count = 0;
    while (dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] != '.')
            count++;
    }
    ::closedir(dir);
    return count - 1; /* the directory stream's own descriptor */
}

/* Reads exactly size bytes (blocking, waiting at most timeoutMs per chunk); false otherwise. */
inline bool readExactly(int fd, uint8_t* buffer, size_t size, int timeoutMs = 5000)
{
    size_t done = 0;
    while (done < size) {
        pollfd entry = {fd, POLLIN, 0};
        if (::poll(&entry, 1, timeoutMs) != 1)
            return false;
        ssize_t count = ::recv(fd, buffer + done, size - done, 0);
        if (count <= 0)
            return false;
        done += static_cast<size_t>(count);
    }
    return true;
}

/* Writes the whole buffer (blocking, no SIGPIPE); false on error. */
inline bool writeAll(int fd, const uint8_t* buffer, size_t size)
{
    size_t done = 0;
    while (done < size) {
        ssize_t count = ::send(fd, buffer + done, size - done, MSG_NOSIGNAL);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return false;
        done += static_cast<size_t>(count);
    }
    return true;
}

/* Closes fd with linger 0, so that its peer receives a reset (RST). */
inline void resetConnection(RawSocket& socket)
{
    linger option = {1, 0};
    ::setsockopt(socket.fd(), SOL_SOCKET, SO_LINGER, &option, sizeof(option));
    socket.reset();
}

inline int64_t monotonicMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace qxtest

#endif
