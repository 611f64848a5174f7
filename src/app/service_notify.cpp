// SPDX-License-Identifier: Apache-2.0
/*
 * service_notify.cpp - see service_notify.h.
 */
#include "service_notify.h"

#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace
{

/* A positive decimal number without sign, blanks or trailing text; 0 otherwise. */
uint64_t parseUnsigned(const char* text)
{
    if (text == nullptr || *text < '0' || *text > '9')
        return 0;
    errno = 0;
    char* end = nullptr;
    unsigned long long value = strtoull(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0')
        return 0;
    return static_cast<uint64_t>(value);
}

} // namespace

ServiceNotifier ServiceNotifier::FromEnvironment()
{
    return ServiceNotifier(getenv("NOTIFY_SOCKET"), getenv("WATCHDOG_USEC"), getenv("WATCHDOG_PID"),
                           getpid());
}

ServiceNotifier::ServiceNotifier(const char* notifySocket, const char* watchdogUsec,
                                 const char* watchdogPid, pid_t self)
{
    memset(&m_address, 0, sizeof(m_address));
    if (notifySocket == nullptr || (notifySocket[0] != '/' && notifySocket[0] != '@'))
        return;
    const size_t length = strlen(notifySocket);
    /* A path needs its terminating zero; an abstract name is counted exactly. */
    if (length < 2 || length + (notifySocket[0] == '/' ? 1 : 0) > sizeof(m_address.sun_path))
        return;
    m_address.sun_family = AF_UNIX;
    memcpy(m_address.sun_path, notifySocket, length);
    if (notifySocket[0] == '@')
        m_address.sun_path[0] = '\0';
    m_addressLength = static_cast<socklen_t>(offsetof(struct sockaddr_un, sun_path) + length);
    m_fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (m_fd < 0)
        return;

    const uint64_t usec = parseUnsigned(watchdogUsec);
    if (usec == 0)
        return;
    if (watchdogPid != nullptr && parseUnsigned(watchdogPid) != static_cast<uint64_t>(self))
        return; /* the watchdog is meant for another process */
    const uint64_t halfMs = usec / 2000;
    m_pingMs = halfMs == 0 ? 1 : static_cast<int64_t>(halfMs);
}

ServiceNotifier::ServiceNotifier(ServiceNotifier&& other) noexcept
    : m_fd(other.m_fd), m_address(other.m_address), m_addressLength(other.m_addressLength),
      m_pingMs(other.m_pingMs), m_nextPingMs(other.m_nextPingMs), m_pinged(other.m_pinged)
{
    other.m_fd = -1;
}

ServiceNotifier::~ServiceNotifier()
{
    if (m_fd >= 0)
        close(m_fd);
}

bool ServiceNotifier::Send(const std::string& message) const
{
    if (m_fd < 0)
        return false;
    ssize_t sent;
    do {
        sent = sendto(m_fd, message.data(), message.size(), MSG_NOSIGNAL | MSG_DONTWAIT,
                      reinterpret_cast<const struct sockaddr*>(&m_address), m_addressLength);
    } while (sent < 0 && errno == EINTR);
    return sent == static_cast<ssize_t>(message.size());
}

bool ServiceNotifier::PingIfDue(int64_t nowMs)
{
    if (m_pingMs == 0 || (m_pinged && nowMs < m_nextPingMs))
        return false;
    m_pinged = true;
    m_nextPingMs = nowMs + m_pingMs;
    Send("WATCHDOG=1");
    return true;
}

int64_t ServiceNotifier::WaitLimitMs(int64_t nowMs, int64_t wantedMs) const
{
    if (m_pingMs == 0)
        return wantedMs;
    const int64_t untilPing = m_pinged ? m_nextPingMs - nowMs : 0;
    if (untilPing <= 0)
        return 0;
    return untilPing < wantedMs ? untilPing : wantedMs;
}
