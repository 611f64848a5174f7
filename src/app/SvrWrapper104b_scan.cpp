// SPDX-License-Identifier: Apache-2.0
/*
 * SvrWrapper104b_scan.cpp - the gateway's scan for reporting by exception.
 *
 * A scan first asks the data store whether anything changed since the last
 * refresh; when nothing did and the image is the one it compared last, it
 * only reports losses. Otherwise it refreshes the images like a periodic
 * report does, takes the wall clock once the new image is published (so the
 * time tag is never earlier than a change the refresh read), lets the
 * detector list the events against the last reported state and queues them
 * in order through the low-priority queue. Losses are read from the slave's totals, so events
 * pushed out of a full queue by any enqueue (a periodic report, an interrogation answer or a scan)
 * are counted once, at the next scan.
 */
#include "SvrWrapper104b.h"

#include <cstdio>

#include "event_reports.h"
#include "hal_time.h"

void CSvrWrapper104::SvrScan()
{
    RefreshIfChanged();
    if (m_detector && m_scannedRefresh == m_refreshes) {
        /* The image is the one compared last time: no event can come of it. */
        ReportEventLosses();
        return;
    }
    m_scannedRefresh = m_refreshes;
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

int64_t CSvrWrapper104::ScanWantedFromMs() const
{
    if (m_pDb == nullptr || !m_detector || m_scannedRefresh != m_refreshes || !m_readVersionValid)
        return INT64_MIN;
    const int staleAfter = m_config.StaleAfter();
    if (staleAfter > 0 && !m_stale && m_lastChangeMs != 0)
        return static_cast<int64_t>(m_lastChangeMs) + static_cast<int64_t>(staleAfter) * 1000;
    return INT64_MAX;
}

/* One line when events were lost since the last report of losses (with
 * Redundancy=groups one line per group that lost events). */
void CSvrWrapper104::ReportEventLosses()
{
    if (!m_bCreated)
        return;
    const std::vector<RedundancySettings::Group>& groups = m_config.Redundancy().Groups();
    if (m_config.Redundancy().Mode() == RedundancyMode::Groups) {
        for (size_t i = 0; i < groups.size() && i < m_groupLostReported.size(); ++i) {
            const uint32_t total =
                CS104_Slave_getGroupQueueLosses(m_slave, static_cast<int>(i)).spontaneousObjects;
            const uint32_t lost = total - m_groupLostReported[i]; /* modulo 2^32 */
            m_groupLostReported[i] = total;
            if (lost > 0)
                printf("SvrScan: %u events lost in group %s, queue full\n",
                       static_cast<unsigned>(lost), groups[i].name.c_str());
        }
        return;
    }
    const uint32_t total = CS104_Slave_getQueueLosses(m_slave).spontaneousObjects;
    const uint32_t lost = total - m_lostEventsReported; /* modulo 2^32 */
    m_lostEventsReported = total;
    if (lost > 0)
        printf("SvrScan: %u events lost, queue full\n", static_cast<unsigned>(lost));
}
