// SPDX-License-Identifier: Apache-2.0
/*
 * A bound AF_UNIX datagram socket that stands in for the service manager's
 * notify socket in tests (header-only): it receives what a process sends to
 * NOTIFY_SOCKET, with the time of arrival.
 */
#ifndef QX_TEST_NOTIFY_SOCKET_H
#define QX_TEST_NOTIFY_SOCKET_H

#include <cstddef>
#include <cstring>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "fakes/net_helpers.h"

namespace qxtest
{

/* A bound datagram socket standing in for the service manager. */
class FakeManager
{
  public:
    /* name: a path, or "@..." for an abstract name. */
    explicit FakeManager(const std::string& name)
    {
        fd_ = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        struct sockaddr_un address;
        memset(&address, 0, sizeof(address));
        address.sun_family = AF_UNIX;
        memcpy(address.sun_path, name.data(), name.size());
        if (name[0] == '@')
            address.sun_path[0] = '\0';
        const socklen_t length =
            static_cast<socklen_t>(offsetof(struct sockaddr_un, sun_path) + name.size());
        bound_ = bind(fd_, reinterpret_cast<struct sockaddr*>(&address), length) == 0;
    }
    ~FakeManager() { close(fd_); }
    bool bound() const { return bound_; }

    /* The next datagram, or "(none)" after timeoutMs; *atMs (if given)
     * gets the monotonic time it was received. */
    std::string next(int timeoutMs = 1000, int64_t* atMs = nullptr)
    {
        struct pollfd wait = {fd_, POLLIN, 0};
        if (poll(&wait, 1, timeoutMs) != 1)
            return "(none)";
        char buffer[512];
        ssize_t n = recv(fd_, buffer, sizeof(buffer), 0);
        if (atMs != nullptr)
            *atMs = monotonicMs();
        return n < 0 ? "(error)" : std::string(buffer, static_cast<size_t>(n));
    }

  private:
    int fd_ = -1;
    bool bound_ = false;
};

} // namespace qxtest

#endif
