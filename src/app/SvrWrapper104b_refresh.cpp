/*
 * SvrWrapper104b_refresh.cpp - the gateway's served tables and data refresh:
 * the refresh rules (point_refresh.h) over the gateway's image store and
 * configuration.
 */
#include "SvrWrapper104b.h"

#include <algorithm>
#include <cstdio>

#include "cs101_information_objects.h"
#include "hal_time.h"
#include "point_refresh.h"

namespace
{
/* Total wait for locks per refresh: long enough for a collector's commit
 * (an fsync on a busy flash), short against the periods. */
const int kLockBudgetMs = 500;
const char kDataFile[] = "tmp/dbDat0.db3";
} // namespace

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

int CSvrWrapper104::LockBudgetMs() const
{
    return kLockBudgetMs;
}

unsigned CSvrWrapper104::UpdDat(PointSourceRecord* sources)
{
    if (m_pDb == nullptr)
        return static_cast<unsigned>(m_tbls.size());
    const uint64_t now = Hal_getMonotonicTimeInMs();
    std::vector<std::string> errors;
    std::shared_ptr<PointImage> img = m_images.Begin();
    const int file = m_pDb->CheckFile();
    if (file == QXDB_FILE_MISSING) {
        errors.push_back(std::string("[CSvrWrapper104::UpdDat] ") + kDataFile +
                         " missing: every point not topical");
        img->allQuality = IEC60870_QUALITY_NON_TOPICAL;
    } else {
        if (file == QXDB_FILE_REOPENED)
            printf("[CSvrWrapper104::UpdDat] %s replaced: reopened\r\n", kDataFile);
        m_pDb->BeginRead(LockBudgetMs());
        PointRefresh refresh(m_pDb, &m_config);
        refresh.SetSourceRecord(sources);
        refresh.SetErrorSink(&errors);
        refresh.Build(*img, m_tbls);
        const long long version = m_pDb->DataVersion();
        m_pDb->EndRead();
        bool changed = file == QXDB_FILE_REOPENED || m_lastChangeMs == 0;
        if (version >= 0 && version != m_dataVersion) {
            changed = true;
            m_dataVersion = version;
        }
        img->allQuality = SourceQuality(changed, now);
    }
    m_images.Publish(img);
    const std::string text = m_console.Round(errors);
    if (!text.empty())
        fputs(text.c_str(), stdout);
    return static_cast<unsigned>(m_tbls.size());
}

uint8_t CSvrWrapper104::SourceQuality(bool changed, uint64_t nowMs)
{
    const int staleAfter = m_config.StaleAfter();
    if (changed) {
        m_lastChangeMs = nowMs != 0 ? nowMs : 1;
        if (m_stale)
            printf("[CSvrWrapper104::UpdDat] database changed again: points topical\r\n");
        m_stale = false;
    } else if (staleAfter > 0 && !m_stale &&
               nowMs - m_lastChangeMs >= static_cast<uint64_t>(staleAfter) * 1000) {
        m_stale = true;
        printf("[CSvrWrapper104::UpdDat] no change in the database for %d s: every point not "
               "topical\r\n",
               staleAfter);
    }
    return m_stale ? IEC60870_QUALITY_NON_TOPICAL : IEC60870_QUALITY_GOOD;
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
