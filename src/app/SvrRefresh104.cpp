/*
 * SvrRefresh104.cpp - the gateway's data refresh: runs the refresh rules
 * (PointRefresh) on a private copy of the published image and publishes it
 * (see SvrWrapper104b.h).
 */
#include "PointRefresh.h"
#include "SvrWrapper104b.h"

unsigned CSvrWrapper104::UpdDat()
{
    return UpdDat(nullptr);
}

unsigned CSvrWrapper104::UpdDat(PointSourceRecord* sources)
{
    if (m_pDb == nullptr)
        return static_cast<unsigned>(m_tbls.size());
    std::shared_ptr<PointImage> img = BeginImage();
    PointRefresh refresh(m_pDb, &m_ini);
    refresh.SetSourceRecord(sources);
    refresh.Build(*img, m_tbls);
    Publish(img);
    return static_cast<unsigned>(m_tbls.size());
}

void CSvrWrapper104::UpdYxBy(int imageStart, int reg, int count, int sid)
{
    if (m_pDb == nullptr)
        return;
    std::shared_ptr<PointImage> img = BeginImage();
    PointRefresh refresh(m_pDb, &m_ini);
    refresh.LoadRegisterBits(*img, imageStart, reg, count, sid);
    Publish(img);
}
