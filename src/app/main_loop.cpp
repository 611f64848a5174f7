/*
 * main_loop.cpp - the main loop's pauses and deadlines (see main_loop.h).
 */
#include "main_loop.h"

#include <climits>
#include <cstdint>

#include "hal_time.h"
#include "scan_schedule.h"

namespace
{

/* Pause of a pass when periodic reporting is off. */
const int kIdlePauseMs = 3000;

int64_t NowMs()
{
    return static_cast<int64_t>(Hal_getMonotonicTimeInMs());
}

int ClipToInt(int64_t ms)
{
    return ms > INT_MAX ? INT_MAX : static_cast<int>(ms);
}

} // namespace

int PeriodicPauseMs(int periodic)
{
    if (periodic <= 0)
        return kIdlePauseMs;
    if (periodic > INT_MAX / 1000)
        return INT_MAX;
    return periodic * 1000;
}

void PauseUnlessStopped(MainLoopHost& host, int ms)
{
    const int64_t deadline = NowMs() + ms;
    while (host.Running()) {
        int64_t left = deadline - NowMs();
        if (left <= 0)
            return;
        host.Wait(ClipToInt(left)); /* ends early on a stop */
    }
}

void RunPeriodicLoop(MainLoopHost& host)
{
    while (host.Running()) {
        int periodic = host.Periodic();
        PauseUnlessStopped(host, PeriodicPauseMs(periodic));
        if (periodic > 0 && host.Running())
            host.Report();
    }
}

void RunScanLoop(MainLoopHost& host, int scanMs)
{
    ScanSchedule schedule(NowMs(), scanMs, host.Periodic());
    while (host.Running()) {
        int64_t waitMs = schedule.NextWakeMs() - NowMs();
        if (waitMs > 0)
            PauseUnlessStopped(host, ClipToInt(waitMs));
        if (!host.Running())
            break; /* a stop ended the pause: no scan or report after it */
        ScanSchedule::Due due = schedule.Take(NowMs());
        if (due.scan)
            host.Scan();
        if (due.report)
            host.Report();
    }
}
