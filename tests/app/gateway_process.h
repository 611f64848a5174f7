// SPDX-License-Identifier: Apache-2.0
/*
 * Test harness that runs the real qxsvr104 executable as a child process.
 *
 * GatewayProcess starts a program with fork+exec in a given working
 * directory, captures its standard output through a pipe (a reader thread
 * splits it into lines) and lets a test wait for console lines with a
 * time-out, send signals and collect the exit status. Standard error is left
 * to the test's own standard error so sanitizer reports stay visible.
 *
 * Ownership: the object owns the child and the pipe. Its destructor kills a
 * child that is still running (SIGKILL) and reaps it, so a failing test never
 * leaves a gateway behind holding port 2404.
 */
#ifndef QX_TESTS_APP_GATEWAY_PROCESS_H
#define QX_TESTS_APP_GATEWAY_PROCESS_H

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <sys/types.h>
#include <thread>
#include <utility>
#include <vector>

/* True in a cross build whose programs run through an emulator. */
bool RunsUnderEmulator();

class GatewayProcess
{
  public:
    GatewayProcess() = default;
    ~GatewayProcess();
    GatewayProcess(const GatewayProcess&) = delete;
    GatewayProcess& operator=(const GatewayProcess&) = delete;

    /*
     * Starts program with args (default: none) in workDir, through the
     * emulator in a cross build (gateway_launcher.h), with this process's
     * environment plus extraEnv ("NAME=value" each, replacing a variable of
     * that name); false when the spawn fails.
     */
    bool start(const std::string& program, const std::string& workDir,
               const std::vector<std::string>& extraEnv = {},
               const std::vector<std::string>& args = {});

    /*
     * Waits until a console line that contains text arrives at or after the
     * read cursor; moves the cursor past it and returns true, or false after
     * timeoutMs. Successive calls therefore check the order of lines.
     */
    bool waitFor(const std::string& text, int timeoutMs);

    /*
     * Waits for the child to end; its raw wait status, or -1 after timeoutMs.
     * Once it has ended, every console line it wrote is in lines().
     */
    int waitExit(int timeoutMs);

    /* Sends sig to the running child; false when it is not running. */
    bool signal(int sig);

    bool isRunning();
    pid_t pid() const { return child_; }

    /* Every line received so far (without the newline). */
    std::vector<std::string> lines();
    /* All lines joined with newlines, for failure messages. */
    std::string transcript();
    /* Lines from index first on that contain text. */
    int countFrom(size_t first, const std::string& text);
    /* Index of the read cursor (number of lines consumed by waitFor). */
    size_t cursor();
    /*
     * For failure messages when the child does not stop: per thread its
     * name, state, kernel wait channel and signal masks (pending, blocked,
     * caught), read from /proc while it still runs; empty once reaped.
     */
    std::string threadStates();
    /* Per thread of the running child: its id and blocked-signal mask (bit
     * n-1 for signal n); empty once reaped. */
    std::vector<std::pair<pid_t, uint64_t>> blockedSignals();

  private:
    void readLoop(int fd);
    void awaitConsoleEnd();

    pid_t child_ = -1;
    bool reaped_ = false;
    int status_ = 0;
    std::thread reader_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> lines_;
    std::string partial_;
    size_t cursor_ = 0;
    bool eof_ = false;
};

/* Exit status of a wait status when the child exited normally, else -1. */
int exitCodeOf(int waitStatus);

#endif
