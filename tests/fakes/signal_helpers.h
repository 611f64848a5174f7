// SPDX-License-Identifier: Apache-2.0
/*
 * A signal handler for the length of a scope, for tests that interrupt
 * blocking calls (header-only). The handler is installed without SA_RESTART,
 * so a blocked system call returns early with EINTR; the previous action is
 * put back when the object goes.
 */
#ifndef QX_TESTS_FAKES_SIGNAL_HELPERS_H
#define QX_TESTS_FAKES_SIGNAL_HELPERS_H

#include <csignal>

namespace qxtest
{

/* A handler that does nothing: the signal only interrupts. */
inline void ignoreSignal(int) {}

class ScopedSignalHandler
{
  public:
    explicit ScopedSignalHandler(int signal, void (*handler)(int) = ignoreSignal) : signal_(signal)
    {
        struct sigaction action = {};
        action.sa_handler = handler;
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0;
        installed_ = sigaction(signal_, &action, &previous_) == 0;
    }
    ~ScopedSignalHandler()
    {
        if (installed_)
            sigaction(signal_, &previous_, nullptr);
    }
    ScopedSignalHandler(const ScopedSignalHandler&) = delete;
    ScopedSignalHandler& operator=(const ScopedSignalHandler&) = delete;

    /* True when sigaction took the handler. */
    bool installed() const { return installed_; }

  private:
    int signal_;
    struct sigaction previous_ = {};
    bool installed_ = false;
};

} // namespace qxtest

#endif
