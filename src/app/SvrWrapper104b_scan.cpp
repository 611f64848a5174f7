/*
 * SvrWrapper104b_scan.cpp - the gateway's scan for reporting by exception.
 *
 * A scan refreshes the images like a periodic report does, takes the wall
 * clock once the new image is published (so the time tag is never earlier
 * than a change the refresh read), lets the detector list the events against
 * the last reported state and queues them in order through the low-priority
 * queue. Losses are read from the slave's totals, so events pushed out of a
 * full queue by any enqueue (a periodic report, an interrogation answer or a
 * scan) are counted once, at the next scan.
 */
#include "SvrWrapper104b.h"

#include <cstdio>

#include "event_reports.h"
#include "hal_time.h"

void CSvrWrapper104::SvrScan()
{
    UpdDat();
    const uint64_t seenAtMs = Hal_getTimeInMs();
    PointImageSnapshot img = Snapshot();
    if (!m_detector)
        m_detector.reset(new EventDetector());
    m_events.clear();
    m_detector->Scan(ViewOf(*img), WatchedRanges(*img), &m_events);
    if (m_bCreated && !m_events.empty())
        EnqueueEvents(m_slave, m_alParams, OriginatorAddress(), CommonAddress(), seenAtMs,
                      m_events);
    ReportEventLosses();
}

/* One line when events were lost since the last report of losses. */
void CSvrWrapper104::ReportEventLosses()
{
    if (!m_bCreated)
        return;
    const uint32_t total = CS104_Slave_getQueueLosses(m_slave).spontaneousObjects;
    const uint32_t lost = total - m_lostEventsReported; /* modulo 2^32 */
    m_lostEventsReported = total;
    if (lost > 0)
        printf("SvrScan: %u events lost, queue full\n", static_cast<unsigned>(lost));
}
