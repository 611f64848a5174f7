// SPDX-License-Identifier: Apache-2.0
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
} // namespace

void CSvrWrapper104::GetTbls()
{
    m_tbls.clear();
    if (m_pDb != nullptr) {
        m_tbls = ChooseServedTables(m_pDb, m_config, m_images);
        m_readVersionValid = false; /* new point counts: the next check refreshes */
    }
    MakePlan();
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
    Refresh(sources, m_pDb->CheckFile(), false);
    return static_cast<unsigned>(m_tbls.size());
}

/* The version is taken before the rows are read: a commit that lands while
 * the refresh reads moves it again, so the next check refreshes once more
 * rather than missing the commit. */
bool CSvrWrapper104::Refresh(PointSourceRecord* sources, int file, bool onlyIfChanged)
{
    const uint64_t now = Hal_getMonotonicTimeInMs();
    std::vector<std::string> errors;
    bool known = false;
    bool complete = false;
    long long version = 0;
    long long stamp = -1;
    if (file != QXDB_FILE_MISSING) {
        /* Without a commit since the last complete refresh, a check costs
         * this one read: no lock, no statement. */
        stamp = m_pDb->CommitStamp();
        if (onlyIfChanged && stamp >= 0 && stamp == m_readStamp && m_readVersionValid &&
            file == QXDB_FILE_SAME && !StaleDue(now))
            return false;

        /* The version is read inside the read transaction, so a lock held
         * by a writer costs this check and the steps one budget together. */
        m_pDb->BeginRead(LockBudgetMs());
        try {
            version = m_pDb->DataVersion();
            known = true;
        } catch (...) {
            /* unknown: this refresh counts as incomplete and is retried */
        }
        if (onlyIfChanged && known && m_readVersionValid && file == QXDB_FILE_SAME &&
            version == m_readVersion && !StaleDue(now)) {
            m_pDb->EndRead();
            return false;
        }
    }
    std::shared_ptr<PointImage> img = m_images.Begin();
    if (file == QXDB_FILE_MISSING) {
        errors.push_back(std::string("[CSvrWrapper104::UpdDat] ") + DataFile() +
                         " missing: every point not topical");
        img->allQuality = IEC60870_QUALITY_NON_TOPICAL;
        /* nothing could be read: every table the refresh reads failed */
        m_failedTables = {"tbDio", "tbModbusDat"};
        for (const std::string& table : m_tbls)
            if (table != "tbModbusDat")
                m_failedTables.push_back(table);
    } else {
        if (file == QXDB_FILE_REOPENED)
            printf("[CSvrWrapper104::UpdDat] %s replaced: reopened\r\n", DataFile());
        PointRefresh refresh(m_pDb, &m_config);
        refresh.SetSourceRecord(sources);
        refresh.SetErrorSink(&errors);
        complete = refresh.Build(*img, m_tbls);
        m_failedTables = refresh.FailedTables();
        m_pDb->EndRead();
        bool changed = file == QXDB_FILE_REOPENED || m_lastChangeMs == 0;
        if (known && version != m_dataVersion) {
            changed = true;
            m_dataVersion = version;
        }
        img->allQuality = SourceQuality(changed, now);
    }
    m_images.Publish(img);
    ++m_refreshes;
    m_readVersion = version;
    m_readStamp = stamp;
    m_readVersionValid = known && complete;
    m_refreshEndMs = Hal_getTimeInMs();
    m_refreshDurationMs = Hal_getMonotonicTimeInMs() - now;
    m_statusChanged.store(true);
    const std::string text = m_console.Round(errors);
    if (!text.empty())
        fputs(text.c_str(), stdout);
    return true;
}

uint8_t CSvrWrapper104::SourceQuality(bool changed, uint64_t nowMs)
{
    const int staleAfter = m_config.StaleAfter();
    if (changed) {
        m_lastChangeMs = nowMs != 0 ? nowMs : 1;
        if (m_stale)
            printf("[CSvrWrapper104::UpdDat] database changed again: points topical\r\n");
        m_stale = false;
    } else if (StaleDue(nowMs)) {
        m_stale = true;
        printf("[CSvrWrapper104::UpdDat] no change in the database for %d s: every point not "
               "topical\r\n",
               staleAfter);
    }
    return m_stale ? IEC60870_QUALITY_NON_TOPICAL : IEC60870_QUALITY_GOOD;
}

bool CSvrWrapper104::StaleDue(uint64_t nowMs) const
{
    const int staleAfter = m_config.StaleAfter();
    return staleAfter > 0 && !m_stale && m_lastChangeMs != 0 &&
           nowMs - m_lastChangeMs >= static_cast<uint64_t>(staleAfter) * 1000;
}

bool CSvrWrapper104::RefreshIfChanged()
{
    if (m_pDb == nullptr)
        return false;
    /* A replaced file is another file: its data version says nothing about
     * the rows read from the old one, so the file is checked first. */
    return Refresh(nullptr, m_pDb->CheckFile(), true);
}

void CSvrWrapper104::UpdYxBy(int imageStart, int reg, int count, int sid)
{
    if (m_pDb == nullptr)
        return;
    RefreshRegisterBits(m_pDb, m_config, m_images, imageStart, reg, count, sid);
    ++m_refreshes; /* a new image for the next scan to compare */
}

void CSvrWrapper104::MakePlan()
{
    std::vector<ServedTable> tables;
    tables.reserve(m_tbls.size());
    for (const std::string& name : m_tbls)
        tables.push_back({name, m_config.BaseAddrOf(name)});
    m_plan = ReportPlan(m_config.StrictIec(), std::move(tables));
}
