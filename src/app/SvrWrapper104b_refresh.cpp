// SPDX-License-Identifier: Apache-2.0
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
    m_readVersionValid = false; /* new point counts: the next check refreshes */
}

unsigned CSvrWrapper104::UpdDat()
{
    return UpdDat(nullptr);
}

/* The version is taken before the rows are read: a commit that lands while
 * the refresh reads moves it again, so the next check refreshes once more
 * rather than missing the commit. */
unsigned CSvrWrapper104::UpdDat(PointSourceRecord* sources)
{
    if (m_pDb == nullptr)
        return static_cast<unsigned>(m_tbls.size());
    bool known = true;
    long long version = 0;
    try {
        version = m_pDb->DataVersion();
    } catch (...) {
        known = false;
    }
    const bool complete = RefreshImages(m_pDb, m_config, m_images, m_tbls, sources);
    ++m_refreshes;
    m_readVersion = version;
    m_readVersionValid = known && complete;
    return static_cast<unsigned>(m_tbls.size());
}

bool CSvrWrapper104::RefreshIfChanged()
{
    if (m_pDb == nullptr)
        return false;
    if (m_readVersionValid) {
        try {
            if (m_pDb->DataVersion() == m_readVersion)
                return false;
        } catch (...) {
            /* the store cannot tell: refresh, which prints the error */
        }
    }
    UpdDat();
    return true;
}

void CSvrWrapper104::UpdYxBy(int imageStart, int reg, int count, int sid)
{
    if (m_pDb == nullptr)
        return;
    RefreshRegisterBits(m_pDb, m_config, m_images, imageStart, reg, count, sid);
    ++m_refreshes; /* a new image for the next scan to compare */
}

ReportPlan CSvrWrapper104::Plan() const
{
    std::vector<ServedTable> tables;
    tables.reserve(m_tbls.size());
    for (const std::string& name : m_tbls)
        tables.push_back({name, m_config.BaseAddrOf(name)});
    return ReportPlan(m_config.StrictIec(), std::move(tables));
}
