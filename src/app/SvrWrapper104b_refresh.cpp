/*
 * SvrWrapper104b_refresh.cpp - the gateway's served tables and data refresh:
 * the refresh rules (point_refresh.h) over the gateway's image store and
 * configuration.
 */
#include "SvrWrapper104b.h"

#include "point_refresh.h"

void CSvrWrapper104::GetTbls()
{
    m_tbls.clear();
    if (m_pDb == nullptr)
        return;
    m_tbls = ChooseServedTables(m_pDb, m_config, m_images);
}

unsigned CSvrWrapper104::UpdDat()
{
    return UpdDat(nullptr);
}

unsigned CSvrWrapper104::UpdDat(PointSourceRecord* sources)
{
    if (m_pDb != nullptr)
        RefreshImages(m_pDb, m_config, m_images, m_tbls, sources);
    return static_cast<unsigned>(m_tbls.size());
}

void CSvrWrapper104::UpdYxBy(int imageStart, int reg, int count, int sid)
{
    if (m_pDb != nullptr)
        RefreshRegisterBits(m_pDb, m_config, m_images, imageStart, reg, count, sid);
}

ReportPlan CSvrWrapper104::Plan() const
{
    std::vector<ServedTable> tables;
    tables.reserve(m_tbls.size());
    for (const std::string& name : m_tbls)
        tables.push_back({name, m_config.BaseAddrOf(name)});
    return ReportPlan(m_config.StrictIec(), std::move(tables));
}
