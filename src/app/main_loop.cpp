// SPDX-License-Identifier: Apache-2.0
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

/* Longest time without a scan while no change is noticed: writers that the
 * kernel does not report, and a directory swapped under the data file's name
 * (which the data store looks up once a second), are still seen. */
const int kQuietScanMs = 1000;

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
        const int64_t now = NowMs();
        host.Attend(now);
        const int64_t left = deadline - now;
        if (left <= 0)
            return;
        const int64_t limit = host.WaitLimitMs(now, left);
        host.Wait(limit < 1 ? 1 : ClipToInt(limit)); /* ends early on a stop */
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
    ScanSchedule schedule(NowMs(), scanMs, host.Periodic(), kQuietScanMs);
    while (host.Running()) {
        const int64_t now = NowMs();
        host.Attend(now); /* also when behind: a late pass still pings the watchdog */
        const int64_t wantedFrom = host.ScanWantedFromMs(now);
        const int64_t left = schedule.NextWakeMs(wantedFrom) - now;
        if (left > 0) {
            /* Every wake-up decides afresh: it may have brought a change notice. */
            const int64_t limit = host.WaitLimitMs(now, left);
            host.Wait(limit < 1 ? 1 : ClipToInt(limit)); /* ends early on a stop */
            continue;
        }
        ScanSchedule::Due due = schedule.Take(now, wantedFrom);
        if (due.scan)
            host.Scan();
        if (due.report)
            host.Report();
    }
}
