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
 *   (ScanSchedule); nothing runs after a stop ended a pause.
 * Every pause and deadline is on the platform's monotonic clock
 * (Hal_getMonotonicTimeInMs), so neither a signal that wakes the wait early
 * nor a step of the wall clock lengthens or cuts a pause, and a test can run
 * the loops on a fake clock.
 *
 * The host does the work: the gateway's scan and report, the wait (which may
 * end early on a stop or a signal) and the run flag.
 */
#ifndef MAIN_LOOP_H
#define MAIN_LOOP_H

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
};

/* Pause of one pass of the periodic loop, given Periodic seconds. */
int PeriodicPauseMs(int periodic);

/* Waits ms milliseconds on the monotonic clock, calling host.Wait for the
 * time left until the deadline, or less when the host stops running. */
void PauseUnlessStopped(MainLoopHost& host, int ms);

/* The loop without reporting by exception. */
void RunPeriodicLoop(MainLoopHost& host);

/* The loop of reporting by exception, a scan every scanMs. */
void RunScanLoop(MainLoopHost& host, int scanMs);

#endif
