// SPDX-License-Identifier: Apache-2.0
#include "master_link.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace
{

const uint8_t kStart = 0x68;
const int kMaxFrame = 2 + 255;
const int kAckEvery = 8;
const int kQuietAckMs = 200;

bool waitConnected(int fd, int timeoutMs, std::string& error)
{
    struct pollfd p = {fd, POLLOUT, 0};
    int r = poll(&p, 1, timeoutMs);
    if (r <= 0) {
        error = r == 0 ? "connect timed out" : strerror(errno);
        return false;
    }
    int soError = 0;
    socklen_t len = sizeof(soError);
    getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &len);
    if (soError != 0) {
        error = strerror(soError);
        return false;
    }
    return true;
}

} // namespace

void encodeSequence(int n, uint8_t* out)
{
    n &= 0x7FFF;
    out[0] = static_cast<uint8_t>((n % 128) * 2);
    out[1] = static_cast<uint8_t>(n / 128);
}

int decodeSequence(const uint8_t* in)
{
    return ((in[1] * 256) + (in[0] & 0xFE)) / 2;
}

MasterLink::~MasterLink()
{
    close();
}

void MasterLink::close()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

/* Binds fd to the local IPv4 address (port chosen by the system). */
static bool bindLocal(int fd, const std::string& address, std::string& error)
{
    struct sockaddr_in local;
    memset(&local, 0, sizeof(local));
    local.sin_family = AF_INET;
    if (inet_pton(AF_INET, address.c_str(), &local.sin_addr) != 1) {
        error = "bad local address " + address;
        return false;
    }
    if (::bind(fd, reinterpret_cast<struct sockaddr*>(&local), sizeof(local)) != 0) {
        error = "cannot bind " + address + ": " + strerror(errno);
        return false;
    }
    return true;
}

bool MasterLink::connect(const std::string& host, int port, int timeoutMs, std::string& error,
                         const std::string& bindAddress)
{
    struct addrinfo hints;
    memset(&hints, 0, sizeof(hints));
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    struct addrinfo* found = nullptr;
    std::string service = std::to_string(port);
    int rc = getaddrinfo(host.c_str(), service.c_str(), &hints, &found);
    if (rc != 0 || found == nullptr) {
        error = std::string("cannot resolve ") + host + ": " + gai_strerror(rc);
        return false;
    }
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    bool ok = fd >= 0;
    if (ok && !bindAddress.empty() && !bindLocal(fd, bindAddress, error)) {
        freeaddrinfo(found);
        ::close(fd);
        return false;
    }
    if (ok && ::connect(fd, found->ai_addr, found->ai_addrlen) != 0) {
        if (errno == EINPROGRESS)
            ok = waitConnected(fd, timeoutMs, error);
        else {
            error = strerror(errno);
            ok = false;
        }
    }
    freeaddrinfo(found);
    if (!ok) {
        if (fd >= 0)
            ::close(fd);
        else
            error = strerror(errno);
        return false;
    }
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
    fd_ = fd;
    return true;
}

bool MasterLink::sendAll(const uint8_t* data, size_t length)
{
    while (length > 0 && fd_ >= 0) {
        ssize_t n = send(fd_, data, length, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            struct pollfd p = {fd_, POLLOUT, 0};
            if (poll(&p, 1, 1000) <= 0)
                return false;
            continue;
        }
        if (n <= 0)
            return false;
        data += n;
        length -= static_cast<size_t>(n);
    }
    return length == 0;
}

bool MasterLink::sendU(uint8_t function)
{
    const uint8_t frame[6] = {kStart, 0x04, function, 0x00, 0x00, 0x00};
    return sendAll(frame, sizeof(frame));
}

bool MasterLink::sendS()
{
    uint8_t frame[6] = {kStart, 0x04, 0x01, 0x00, 0, 0};
    encodeSequence(receiveCount_, frame + 4);
    unacknowledged_ = 0;
    return sendAll(frame, sizeof(frame));
}

bool MasterLink::sendASDU(const uint8_t* asdu, int length)
{
    if (length < 1 || length > 249)
        return false;
    uint8_t frame[kMaxFrame];
    frame[0] = kStart;
    frame[1] = static_cast<uint8_t>(length + 4);
    encodeSequence(sendCount_, frame + 2);
    encodeSequence(receiveCount_, frame + 4);
    memcpy(frame + 6, asdu, static_cast<size_t>(length));
    sendCount_ = (sendCount_ + 1) & 0x7FFF;
    unacknowledged_ = 0; /* the I frame carries our receive count */
    return sendAll(frame, static_cast<size_t>(length) + 6);
}

LinkEvent MasterLink::classify(const uint8_t* frame, int length)
{
    LinkEvent event;
    uint8_t c1 = frame[2];
    if ((c1 & 0x01) == 0) {
        event.kind = LinkEvent::ASDU;
        event.asdu.assign(frame + 6, frame + length);
        receiveCount_ = (receiveCount_ + 1) & 0x7FFF;
        if (++unacknowledged_ >= kAckEvery)
            sendS();
    } else if (c1 == 0x01) {
        event.kind = LinkEvent::S_FRAME;
    } else if (c1 == 0x0B) {
        event.kind = LinkEvent::STARTDT_CON;
    } else if (c1 == 0x23) {
        event.kind = LinkEvent::STOPDT_CON;
    } else if (c1 == 0x43) {
        event.kind = LinkEvent::TESTFR_ACT;
        sendU(0x83);
    } else if (c1 == 0x83) {
        event.kind = LinkEvent::TESTFR_CON;
    } else {
        event.kind = LinkEvent::OTHER_U;
        event.code = c1;
    }
    return event;
}

/* Takes one complete frame from the front of the buffer, if there is one. */
bool MasterLink::takeFrame(LinkEvent& event)
{
    if (buffer_.size() < 2)
        return false;
    if (buffer_[0] != kStart || buffer_[1] < 4) {
        event.kind = LinkEvent::ERROR;
        close();
        return true;
    }
    size_t total = static_cast<size_t>(buffer_[1]) + 2;
    if (buffer_.size() < total)
        return false;
    if (buffer_[1] == 4 && (buffer_[2] & 0x01) == 0) {
        event.kind = LinkEvent::ERROR; /* an I frame needs an ASDU */
        close();
        return true;
    }
    event = classify(buffer_.data(), static_cast<int>(total));
    buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<long>(total));
    return true;
}

LinkEvent MasterLink::receive(int timeoutMs)
{
    LinkEvent event;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (fd_ >= 0) {
        if (takeFrame(event))
            return event;
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now())
                        .count();
        int slice = left < 0 ? 0 : static_cast<int>(left);
        if (unacknowledged_ > 0 && slice > kQuietAckMs)
            slice = kQuietAckMs;
        struct pollfd p = {fd_, POLLIN, 0};
        int r = poll(&p, 1, slice);
        if (r < 0 && errno == EINTR)
            return event;
        if (r == 0) {
            if (unacknowledged_ > 0)
                sendS();
            if (std::chrono::steady_clock::now() >= deadline)
                return event;
            continue;
        }
        uint8_t chunk[1024];
        ssize_t n = recv(fd_, chunk, sizeof(chunk), 0);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n <= 0) {
            event.kind = n == 0 ? LinkEvent::CLOSED : LinkEvent::ERROR;
            close();
            return event;
        }
        buffer_.insert(buffer_.end(), chunk, chunk + n);
    }
    event.kind = LinkEvent::CLOSED;
    return event;
}
