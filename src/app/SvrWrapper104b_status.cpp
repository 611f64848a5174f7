// SPDX-License-Identifier: Apache-2.0
/*
 * SvrWrapper104b_status.cpp - what the operator's status file shows (see
 * status_file.h): gathered on the main thread from the slave's connection
 * infos, the last refresh, the loss totals and the published image.
 *
 * The group of a master is its redundancy group's name with
 * Redundancy=groups; otherwise the Redundancy word ("single": every master
 * shares the one group; "connection": each master is a group of its own).
 */
#include "SvrWrapper104b.h"

#include "qx_paths.h"

namespace
{

/* The quality bits counted for the status. */
void CountQuality(uint8_t quality, GatewayStatus& status)
{
    if ((quality & IEC60870_QUALITY_INVALID) != 0)
        ++status.invalid;
    if ((quality & IEC60870_QUALITY_NON_TOPICAL) != 0)
        ++status.notTopical;
}

const char* RedundancyWord(RedundancyMode mode)
{
    return mode == RedundancyMode::Connection ? "connection" : "single";
}

} // namespace

void CSvrWrapper104::connectionEventHandler(void* parameter, CS104_ConnectionEvent)
{
    CSvrWrapper104* self = static_cast<CSvrWrapper104*>(parameter);
    self->m_statusChanged.store(true);
    if (self->m_statusWake != nullptr)
        self->m_statusWake();
}

GatewayStatus CSvrWrapper104::Status(uint64_t uptimeS)
{
    GatewayStatus status;
    status.version = QX_VERSION;
    status.uptimeS = uptimeS;
    status.refreshTimeMs = m_refreshEndMs;
    status.refreshDurationMs = m_refreshDurationMs;
    status.tablesFailed = m_failedTables;

    const RedundancySettings& redundancy = m_config.Redundancy();
    status.groups = redundancy.Mode() == RedundancyMode::Groups;
    if (m_bCreated) {
        std::vector<CS104_ConnectionInfo> infos(
            static_cast<size_t>(CS104_Slave_getOpenConnections(m_slave)) + 4);
        int count =
            CS104_Slave_getConnectionInfos(m_slave, infos.data(), static_cast<int>(infos.size()));
        for (int i = 0; i < count; ++i) {
            const CS104_ConnectionInfo& info = infos[static_cast<size_t>(i)];
            MasterStatus master;
            master.address = info.address;
            if (status.groups)
                master.group =
                    info.group >= 0 && static_cast<size_t>(info.group) < redundancy.Groups().size()
                        ? redundancy.Groups()[static_cast<size_t>(info.group)].name
                        : "";
            else
                master.group = RedundancyWord(redundancy.Mode());
            master.started = info.active;
            master.sinceMs = info.connectedMs;
            master.iFramesSent = info.iFramesSent;
            master.iFramesReceived = info.iFramesReceived;
            master.unconfirmed = info.unconfirmed;
            status.masters.push_back(master);
        }
        /* The slave's totals wrap modulo 2^32: add their differences. */
        const uint32_t total = CS104_Slave_getQueueLosses(m_slave).spontaneousObjects;
        m_statusLost += static_cast<uint32_t>(total - m_statusLostSeen);
        m_statusLostSeen = total;
        for (size_t g = 0; status.groups && g < m_statusGroupLost.size(); ++g) {
            const uint32_t groupTotal =
                CS104_Slave_getGroupQueueLosses(m_slave, static_cast<int>(g)).spontaneousObjects;
            m_statusGroupLost[g] += static_cast<uint32_t>(groupTotal - m_statusGroupLostSeen[g]);
            m_statusGroupLostSeen[g] = groupTotal;
            status.groupEventsLost.emplace_back(redundancy.Groups()[g].name, m_statusGroupLost[g]);
        }
    }
    status.eventsLost = m_statusLost;

    /* Quality of the points a master is served (the answer's ranges). */
    PointImageSnapshot img = Snapshot();
    for (const AnswerRange& range : AnswerRanges(*img))
        for (int ioa = range.first; ioa <= range.last; ++ioa) {
            if (range.measured) {
                const int j = ioa - PointImage::kMeasuredIoaBase;
                if (j >= 0 && j < PointImage::kMeasuredPoints)
                    CountQuality(img->MeasuredQuality(j), status);
            } else if (ioa >= 1 && ioa <= PointImage::kStatusPoints) {
                CountQuality(img->StatusQuality(ioa - 1), status);
            }
        }
    return status;
}
