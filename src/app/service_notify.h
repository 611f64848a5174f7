// SPDX-License-Identifier: Apache-2.0
/*
 * service_notify.h - the gateway's side of the service manager's notify
 * protocol (systemd's sd_notify(3)), written out here instead of linking
 * libsystemd.
 *
 * Protocol: the manager passes NOTIFY_SOCKET, the address of a datagram
 * socket of the AF_UNIX family: a file-system path ("/run/systemd/notify"),
 * or an abstract name written with a leading '@' that stands for the zero
 * octet. A message is one datagram of newline-separated assignments
 * ("READY=1", "STOPPING=1", "WATCHDOG=1", "STATUS=text"). With WatchdogSec=
 * the manager also passes WATCHDOG_USEC (the period in microseconds) and
 * WATCHDOG_PID (the process meant); a process whose pings stop for a whole
 * period is killed and, with Restart=on-watchdog or on-failure, restarted.
 *
 * Choices:
 * - Without NOTIFY_SOCKET, or with an address that is neither a path nor an
 *   abstract name (e.g. "vsock:..."), or one too long for sockaddr_un, the
 *   notifier is off and Send does nothing: a gateway started by hand or by a
 *   Type=simple unit sends nothing and needs no manager.
 * - The watchdog is on only when WATCHDOG_USEC is a positive decimal number
 *   and WATCHDOG_PID is absent or names this process. Pings are due every
 *   half period, so a main loop that wakes on that cadence beats at least
 *   twice per period.
 * - One close-on-exec socket is made at construction and every message is
 *   sent with sendto, MSG_NOSIGNAL and MSG_DONTWAIT: no message can raise
 *   SIGPIPE, and a manager that does not read (its queue full) cannot hold
 *   the main loop, which would stop reports and scans. A failed send is not
 *   retried: the next ping follows within half a period, and the manager's
 *   own time-outs cover the rest.
 *
 * Threads: the main thread only.
 */
#ifndef QX_APP_SERVICE_NOTIFY_H
#define QX_APP_SERVICE_NOTIFY_H

#include <cstdint>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/types.h>

class ServiceNotifier
{
  public:
    /* Reads NOTIFY_SOCKET, WATCHDOG_USEC and WATCHDOG_PID of this process. */
    static ServiceNotifier FromEnvironment();
    /* The same from given values (null: variable absent), for tests. */
    ServiceNotifier(const char* notifySocket, const char* watchdogUsec, const char* watchdogPid,
                    pid_t self);
    ~ServiceNotifier();
    ServiceNotifier(ServiceNotifier&& other) noexcept;
    ServiceNotifier(const ServiceNotifier&) = delete;
    ServiceNotifier& operator=(const ServiceNotifier&) = delete;
    ServiceNotifier& operator=(ServiceNotifier&&) = delete;

    /* True when messages go to a service manager. */
    bool Enabled() const { return m_fd >= 0; }
    /* Sends one message ("READY=1", "STOPPING=1\nSTATUS=..."); false when
     * off or when the datagram was not sent. */
    bool Send(const std::string& message) const;

    /* Milliseconds between watchdog pings; 0 when no watchdog is asked for. */
    int64_t PingIntervalMs() const { return m_pingMs; }

    /* Sends "WATCHDOG=1" when a ping is due at nowMs (the first call pings at
     * once); true when it sent one. */
    bool PingIfDue(int64_t nowMs);
    /* How long a wait starting at nowMs may last, at most wantedMs, so that
     * the next ping is not late. */
    int64_t WaitLimitMs(int64_t nowMs, int64_t wantedMs) const;

  private:
    int m_fd = -1;
    struct sockaddr_un m_address;
    socklen_t m_addressLength = 0;
    int64_t m_pingMs = 0;
    int64_t m_nextPingMs = 0;
    bool m_pinged = false;
};

#endif
