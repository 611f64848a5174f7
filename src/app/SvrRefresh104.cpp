/*
 * SvrRefresh104.cpp - the gateway's data refresh: builds the point images
 * from the data store and publishes them (see SvrWrapper104b.h).
 */
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "CppSQLite3.h"
#include "SvrDbCursor.h"
#include "SvrWrapper104b.h"

namespace
{

/* Integer value of a text from a position on (atoi rules, 0 when shorter). */
long intFrom(const std::string& text, size_t pos)
{
    return pos < text.size() ? std::strtol(text.c_str() + pos, nullptr, 10) : 0;
}

/* One block of register bits: status start, register before the first one,
 * number of registers. */
struct RegisterBlock {
    int imageStart;
    int reg;
    int count;
};

const RegisterBlock kRegisterBlocks[] = {
    {256, 4096, 2}, {304, 4099, 1}, {320, 4101, 1}, {336, 4118, 5}, {416, 4138, 5},
    {496, 4154, 2}, {528, 4161, 2}, {560, 4168, 2}, {592, 5141, 6},
};

bool inStatus(long long index)
{
    return index >= 0 && index < PointImage::kStatusPoints;
}

bool inMeasured(long long index)
{
    return index >= 0 && index < PointImage::kMeasuredPoints;
}

} // namespace

/* ------------------------------------------------------------ refresh */

unsigned CSvrWrapper104::UpdDat()
{
    if (m_pDb == nullptr)
        return static_cast<unsigned>(m_tbls.size());
    std::shared_ptr<PointImage> img = BeginImage();
    m_building = img.get();
    m_lastSql.clear();
    try {
        LoadDeviceInputs(*img);
        LoadStationStates(*img);
        LoadRegisterBits();
    } catch (CppSQLite3Exception& e) {
        printf("[CSvrWrapper104::UpdDat] tbDio db exception: %d %s\r\n", e.errorCode(),
               e.errorMessage() ? e.errorMessage() : "");
    }
    for (const std::string& table : m_tbls)
        LoadTable(*img, table);
    m_building = nullptr;
    Publish(img);
    return static_cast<unsigned>(m_tbls.size());
}

/* Phase 1: the inputs of every device but type 2317, in SID order. */
void CSvrWrapper104::LoadDeviceInputs(PointImage& img)
{
    CursorGuard cur(m_pDb, m_pDb->Query("select distinct d.*, t.ExtDi, t.ExtDo from tbDio d "
                                        "left join tbSMType t on t.Type=d.Type where "
                                        "d.Type!=2317 order by SID",
                                        -1));
    if (!cur.hasRow()) {
        std::memset(img.status, 0, sizeof img.status);
        return;
    }
    long long index = 0;
    for (; !m_pDb->Eof(cur.get()); m_pDb->NextRow(cur.get())) {
        int n = m_pDb->GetIntField(cur.get(), "ExtDi");
        if (n == 0)
            n = 8;
        for (int i = 1; i <= n && inStatus(index + i - 1); ++i) {
            char column[16];
            std::snprintf(column, sizeof column, "D%02d", i);
            img.status[index + i - 1] = m_pDb->GetIntField(cur.get(), column) != 0 ? 1 : 0;
        }
        if (n > 0)
            index += n;
    }
}

/* Phase 2: the states of stations below 49 from index 9 on. */
void CSvrWrapper104::LoadStationStates(PointImage& img)
{
    CursorGuard cur(m_pDb,
                    m_pDb->Query("select * from tbModbusDat where Fld='V30002' and SID<49", -1));
    if (cur.get() < 0)
        return;
    long long index = 9;
    for (; !m_pDb->Eof(cur.get()); m_pDb->NextRow(cur.get()), ++index) {
        if (inStatus(index))
            img.status[index] = m_pDb->GetIntField(cur.get(), "Val") != 0 ? 1 : 0;
    }
}

/* Phase 3: the register bits of stations 49 and 50. */
void CSvrWrapper104::LoadRegisterBits()
{
    for (int sid : {49, 50})
        for (const RegisterBlock& b : kRegisterBlocks)
            UpdYxBy(b.imageStart, b.reg, b.count, sid);
}

void CSvrWrapper104::UpdYxBy(int imageStart, int reg, int count, int sid)
{
    if (m_pDb == nullptr)
        return;
    std::shared_ptr<PointImage> own; /* set when called outside a refresh */
    PointImage* img = m_building;
    if (img == nullptr) {
        own = BeginImage();
        img = own.get();
    }
    long long start = imageStart;
    if (sid == 50)
        start += 512;
    try {
        for (int k = 0; k < count; ++k) {
            CppSQLite3Buffer sql;
            sql.format("select * from tbModbusDat where SID=%d and Fld like 'V4%d-%%'", sid,
                       reg + 1 + k);
            CursorGuard cur(m_pDb, m_pDb->Query(sql, -1));
            if (cur.get() < 0)
                continue;
            for (; !m_pDb->Eof(cur.get()); m_pDb->NextRow(cur.get())) {
                std::string fld = m_pDb->GetStringField(cur.get(), "Fld");
                long long index = start + 16LL * k + intFrom(fld, 7);
                if (inStatus(index))
                    img->status[index] = m_pDb->GetIntField(cur.get(), "Val") != 0 ? 1 : 0;
            }
        }
    } catch (CppSQLite3Exception& e) {
        printf("[CSvrWrapper104::UpdYxBy] exception: %d %s\r\n", e.errorCode(),
               e.errorMessage() ? e.errorMessage() : "");
    }
    if (own)
        Publish(own);
}

/* Phase 4: the measured values of one served table. */
void CSvrWrapper104::LoadTable(PointImage& img, const std::string& table)
{
    int count = 0;
    img.tablePoints[table] = 0;
    try {
        int base = BaseAddrOf(table);
        if (!IsServedBase(base))
            return;
        if (table == "tbModbusDat")
            LoadModbusValues(img, count);
        else
            LoadDeviceValues(img, table, base, count);
        img.tablePoints[table] = count;
    } catch (CppSQLite3Exception& e) {
        printf("[CSvrWrapper104::UpdDat] db exception: %d %s, sql:%s\r\n", e.errorCode(),
               e.errorMessage() ? e.errorMessage() : "", m_lastSql.c_str());
    }
}

/* Holding registers of stations 49 and 50 at their fixed indices. */
void CSvrWrapper104::LoadModbusValues(PointImage& img, int& count)
{
    CursorGuard cur(m_pDb, m_pDb->Query("select * from tbModbusDat where Fld>='V40015' and not "
                                        "Fld like 'V%-%'",
                                        -1));
    if (cur.get() < 0)
        return;
    for (; !m_pDb->Eof(cur.get()); m_pDb->NextRow(cur.get())) {
        std::string fld = m_pDb->GetStringField(cur.get(), "Fld");
        long long r = intFrom(fld, 2);
        if (r <= 127)
            r += 128;
        if (m_pDb->GetIntField(cur.get(), "SID") == 50)
            r += 1280;
        if (!inMeasured(r))
            continue;
        img.measured[r] = static_cast<float>(m_pDb->GetIntField(cur.get(), "Val") * 0.1);
        ++count;
    }
}

/* Value columns (index 8 on) of a device table, divided by their tbSMDef
 * divisor, packed from the table's base address on. */
void CSvrWrapper104::LoadDeviceValues(PointImage& img, const std::string& table, int base,
                                      int& count)
{
    CppSQLite3Buffer sql; /* %w: the name as an SQL identifier, quotes doubled */
    m_lastSql = sql.format("select * from \"%w\" order by SID", table.c_str());
    CursorGuard cur(m_pDb, m_pDb->Query(m_lastSql.c_str(), -1));
    if (cur.get() < 0)
        return;
    const int flds = m_ini.GetValue<int>("Svr.Flds", table, 0);
    for (; !m_pDb->Eof(cur.get()); m_pDb->NextRow(cur.get())) {
        long long last = static_cast<long long>(flds) + 8;
        if (last == 8)
            last = m_pDb->NumFields(cur.get());
        int type = m_pDb->GetIntField(cur.get(), "Type");
        for (int col = 8; col < last; ++col) {
            m_lastSql =
                sql.format("select vfactor from tbSMDef where Type=%d and Fld=%d", type, col - 7);
            int divisor = m_pDb->ExecScalar(m_lastSql.c_str());
            if (divisor < 1)
                divisor = 1;
            long long j = static_cast<long long>(base) - PointImage::kMeasuredIoaBase + count;
            if (!inMeasured(j))
                continue;
            img.measured[j] = static_cast<float>(
                static_cast<double>(m_pDb->GetIntField(cur.get(), col)) / divisor);
            ++count;
        }
    }
}
