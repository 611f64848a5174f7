// SPDX-License-Identifier: Apache-2.0
/*
 * main_loop.h - the decisions of the process host's main loop: when to
 * pause, for how long, and when to scan or report.
 *
 * Two loops, both until the host says it no longer runs:
 * - RunPeriodicLoop (reporting by exception off): pause Periodic seconds
 *   (3000 ms when Periodic is 0 or less, the longest int of milliseconds
 *   when it does not fit), then one periodic report if Periodic is above 0
 *   and no stop came; Periodic is read afresh on every pass.
 * - RunScanLoop (reporting by exception on): a scan every scanMs and the
 *   periodic report every Periodic seconds, each on its own deadline
 *   (ScanSchedule); nothing runs after a stop ended a pause. A host that is
 *   told of changes (ScanWantedFromMs) has the scan deadlines without a
 *   change pass without a wake-up, except one at least every second.
 * Every pause and deadline is on the platform's monotonic clock
 * (Hal_getMonotonicTimeInMs), so neither a signal that wakes the wait early
 * nor a step of the wall clock lengthens or cuts a pause, and a test can run
 * the loops on a fake clock.
 *
 * The host does the work: the gateway's scan and report, the wait (which may
 * end early on a stop or a signal) and the run flag.
 *
 * Between passes: every wake-up of a pause (its start, each early or timed
 * end of a wait, its deadline) calls host.Attend with the monotonic time,
 * and no wait lasts longer than host.WaitLimitMs allows. The process host
 * pings the service manager's watchdog there (service_notify.h) and runs a
 * SIGHUP's re-reads (hangup_reload.h): a pause never outlasts the next ping,
 * and a loop held up in a scan or report stops the pings. A scan loop that
 * is behind still attends once before its scan.
 */
#ifndef MAIN_LOOP_H
#define MAIN_LOOP_H

#include <cstdint>

class MainLoopHost
{
  public:
    virtual ~MainLoopHost() = default;
    /* False once a stop was asked for. */
    virtual bool Running() = 0;
    /* Waits at most ms milliseconds (1 or more); may return earlier. */
    virtual void Wait(int ms) = 0;
    /* "Periodic" seconds of the gateway. */
    virtual int Periodic() = 0;
    /* One scan for reporting by exception. */
    virtual void Scan() = 0;
    /* One periodic report. */
    virtual void Report() = 0;
    /* Work due at a wake-up at nowMs (a watchdog ping, a SIGHUP's re-reads). */
    virtual void Attend(int64_t nowMs) { (void)nowMs; }
    /* From when a scan may find something, asked at every wake-up of the
     * scan loop: INT64_MIN (every scan deadline scans) unless the host is
     * told of changes; INT64_MAX when nothing is known to change. A wait
     * should end early when this moves earlier. */
    virtual int64_t ScanWantedFromMs(int64_t nowMs)
    {
        (void)nowMs;
        return INT64_MIN;
    }
    /* How long a wait starting at nowMs may last, at most wantedMs (the time
     * to the next watchdog ping). */
    virtual int64_t WaitLimitMs(int64_t nowMs, int64_t wantedMs)
    {
        (void)nowMs;
        return wantedMs;
    }
};

/* Pause of one pass of the periodic loop, given Periodic seconds. */
int PeriodicPauseMs(int periodic);

/* Waits ms milliseconds (0: only attends) on the monotonic clock, calling
 * host.Attend at every wake-up and host.Wait for the time left until the
 * deadline or the host's wait limit, or less when the host stops running. */
void PauseUnlessStopped(MainLoopHost& host, int ms);

/* The loop without reporting by exception. */
void RunPeriodicLoop(MainLoopHost& host);

/* The loop of reporting by exception, a scan every scanMs. */
void RunScanLoop(MainLoopHost& host, int scanMs);

#endif
