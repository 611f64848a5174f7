// SPDX-License-Identifier: Apache-2.0
/*
 * point_refresh.cpp - the rules of the data refresh (see point_refresh.h).
 */
#include "point_refresh.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

#include "CppSQLite3.h"
#include "db_cursor.h"
#include "cs101_information_objects.h"

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

const char kModbusTable[] = "tbModbusDat";

bool inStatus(long long index)
{
    return index >= 0 && index < PointImage::kStatusPoints;
}

bool inMeasured(long long index)
{
    return index >= 0 && index < PointImage::kMeasuredPoints;
}

/* A field as an integer; a value that is not a number gives 0 and false. */
template <typename Column> bool ReadNumber(DbConnection* db, int cursor, Column column, int& value)
{
    if (!db->IsNumericField(cursor, column)) {
        value = 0;
        return false;
    }
    value = db->GetIntField(cursor, column);
    return true;
}

/*
 * Column indices of one cursor's result, each looked up by name once. A
 * lookup by name walks the column names through SQLite, each call under its
 * lock; done for every field of every row it would be most of a large
 * refresh. A name the result lacks stays -1, and the caller then asks by
 * name, which throws the data store's "Invalid field name requested".
 */
class ColumnIndex
{
  public:
    ColumnIndex(DbConnection* db, int cursor) : m_db(db), m_cursor(cursor) {}

    int Of(const std::string& name)
    {
        auto it = m_index.find(name);
        if (it != m_index.end())
            return it->second;
        int found = -1;
        const int columns = m_db->NumFields(m_cursor);
        for (int column = 0; column < columns && found < 0; ++column) {
            const char* field = m_db->FieldName(m_cursor, column);
            if (field != nullptr && name == field)
                found = column;
        }
        m_index.emplace(name, found);
        return found;
    }

    int Int(const char* name)
    {
        int column = Of(name);
        return column >= 0 ? m_db->GetIntField(m_cursor, column)
                           : m_db->GetIntField(m_cursor, name);
    }

  private:
    DbConnection* m_db;
    int m_cursor;
    std::map<std::string, int> m_index;
};

uint8_t QualityOf(bool numeric)
{
    return numeric ? IEC60870_QUALITY_GOOD : IEC60870_QUALITY_INVALID;
}

PointSource Source(PointSource::Kind kind, int sid, int number, const std::string& table,
                   const std::string& field)
{
    PointSource s;
    s.kind = kind;
    s.sid = sid;
    s.number = number;
    s.table = table;
    s.field = field;
    return s;
}

} // namespace

PointRefresh::PointRefresh(DbConnection* db, const GatewayConfig* config)
    : m_db(db), m_config(config)
{
}

void PointRefresh::SetSourceRecord(PointSourceRecord* record)
{
    m_record = record;
}

void PointRefresh::NoteSource(bool measured, long long index, const PointSource& source)
{
    if (m_record == nullptr)
        return;
    std::vector<PointSource>& sources = measured ? m_record->measured : m_record->status;
    if (!(measured ? inMeasured(index) : inStatus(index))) {
        m_record->outside.push_back({measured, index, source});
        return;
    }
    if (sources.empty())
        sources.resize(measured ? PointImage::kMeasuredPoints : PointImage::kStatusPoints);
    PointSource& entry = sources[static_cast<size_t>(index)];
    if (entry.kind != PointSource::kNone)
        m_record->replaced.push_back({measured, index, entry});
    entry = source;
}

/* Column: a column name or a column index, as ReadNumber takes both. */
template <typename Column>
void PointRefresh::SetStatus(PointImage& img, long long index, int cursor, Column column,
                             const PointSource& source)
{
    int value = 0;
    bool numeric = ReadNumber(m_db, cursor, column, value);
    img.status[index] = value != 0 ? 1 : 0;
    img.statusQuality[index] = QualityOf(numeric);
    NoteSource(false, index, source);
}

bool PointRefresh::Build(PointImage& img, const std::vector<std::string>& tables)
{
    if (m_record != nullptr)
        *m_record = PointSourceRecord();
    m_divisors.clear();
    m_lastSql.clear();
    m_failures = 0;
    try {
        LoadDeviceInputs(img);
        LoadStationStates(img);
        LoadStationRegisterBits(img);
    } catch (CppSQLite3Exception& e) {
        ++m_failures;
        printf("[CSvrWrapper104::UpdDat] tbDio db exception: %d %s\r\n", e.errorCode(),
               e.errorMessage() ? e.errorMessage() : "");
    }
    for (const std::string& table : tables)
        LoadTable(img, table);
    return m_failures == 0;
}

/* Step 1: the inputs of every device but type 2317, in SID order. */
void PointRefresh::LoadDeviceInputs(PointImage& img)
{
    CursorGuard cur(m_db, m_db->Query("select distinct d.*, t.ExtDi, t.ExtDo from tbDio d "
                                      "left join tbSMType t on t.Type=d.Type where "
                                      "d.Type!=2317 order by SID",
                                      -1));
    if (!cur.hasRow()) {
        std::memset(img.status, 0, sizeof img.status);
        std::memset(img.statusQuality, 0, sizeof img.statusQuality);
        return;
    }
    long long index = 0;
    ColumnIndex columns(m_db, cur.get());
    for (; !m_db->Eof(cur.get()); m_db->NextRow(cur.get())) {
        int n = columns.Int("ExtDi");
        if (n == 0)
            n = 8;
        int sid = columns.Int("SID");
        for (int i = 1; i <= n; ++i) {
            char column[16];
            std::snprintf(column, sizeof column, "D%02d", i);
            PointSource source = Source(PointSource::kDeviceInput, sid, i, "tbDio", column);
            if (!inStatus(index + i - 1)) {
                NoteSource(false, index + i - 1, source); /* one note per row */
                break;
            }
            int at = columns.Of(column);
            if (at >= 0)
                SetStatus(img, index + i - 1, cur.get(), at, source);
            else
                SetStatus(img, index + i - 1, cur.get(), column, source);
        }
        if (n > 0)
            index += n;
    }
}

/* Step 2: the states of stations below 49 from index 9 on. */
void PointRefresh::LoadStationStates(PointImage& img)
{
    CursorGuard cur(m_db,
                    m_db->Query("select * from tbModbusDat where Fld='V30002' and SID<49", -1));
    if (cur.get() < 0)
        return;
    long long index = 9;
    ColumnIndex columns(m_db, cur.get());
    for (; !m_db->Eof(cur.get()); m_db->NextRow(cur.get()), ++index) {
        PointSource source =
            Source(PointSource::kStationState, columns.Int("SID"), 30002, kModbusTable, "V30002");
        if (inStatus(index))
            SetStatus(img, index, cur.get(), "Val", source);
        else
            NoteSource(false, index, source);
    }
}

/* Step 3: the register bits of stations 49 and 50. */
void PointRefresh::LoadStationRegisterBits(PointImage& img)
{
    for (int sid : {49, 50})
        for (const RegisterBlock& b : kRegisterBlocks)
            LoadRegisterBits(img, b.imageStart, b.reg, b.count, sid);
}

void PointRefresh::LoadRegisterBits(PointImage& img, int imageStart, int reg, int count, int sid)
{
    long long start = imageStart;
    if (sid == 50)
        start += 512;
    try {
        for (int k = 0; k < count; ++k) {
            CppSQLite3Buffer sql;
            sql.format("select * from tbModbusDat where SID=%d and Fld like 'V4%d-%%'", sid,
                       reg + 1 + k);
            CursorGuard cur(m_db, m_db->Query(sql, -1));
            if (cur.get() < 0)
                continue;
            for (; !m_db->Eof(cur.get()); m_db->NextRow(cur.get())) {
                std::string fld = m_db->GetStringField(cur.get(), "Fld");
                long bit = intFrom(fld, 7);
                long long index = start + 16LL * k + bit;
                PointSource source =
                    Source(PointSource::kRegisterBit, sid, 40000 + reg + 1 + k, kModbusTable, fld);
                source.bit = static_cast<int>(bit);
                if (inStatus(index))
                    SetStatus(img, index, cur.get(), "Val", source);
                else
                    NoteSource(false, index, source);
            }
        }
    } catch (CppSQLite3Exception& e) {
        ++m_failures;
        printf("[CSvrWrapper104::UpdYxBy] exception: %d %s\r\n", e.errorCode(),
               e.errorMessage() ? e.errorMessage() : "");
    }
}

/* Step 4: the measured values of one served table. */
void PointRefresh::LoadTable(PointImage& img, const std::string& table)
{
    int count = 0;
    img.tablePoints[table] = 0;
    try {
        int base = m_config->BaseAddrOf(table);
        if (!IsServedBase(base))
            return;
        if (table == kModbusTable)
            LoadModbusValues(img, count);
        else
            LoadDeviceValues(img, table, base, count);
        img.tablePoints[table] = count;
    } catch (CppSQLite3Exception& e) {
        ++m_failures;
        printf("[CSvrWrapper104::UpdDat] db exception: %d %s, sql:%s\r\n", e.errorCode(),
               e.errorMessage() ? e.errorMessage() : "", m_lastSql.c_str());
    }
}

/* Holding registers of stations 49 and 50 at their fixed indices. */
void PointRefresh::LoadModbusValues(PointImage& img, int& count)
{
    CursorGuard cur(m_db, m_db->Query("select * from tbModbusDat where Fld>='V40015' and not "
                                      "Fld like 'V%-%'",
                                      -1));
    if (cur.get() < 0)
        return;
    ColumnIndex columns(m_db, cur.get());
    const int valColumn = columns.Of("Val");
    for (; !m_db->Eof(cur.get()); m_db->NextRow(cur.get())) {
        std::string fld = m_db->GetStringField(cur.get(), "Fld");
        long long r = intFrom(fld, 2);
        if (r <= 127)
            r += 128;
        int sid = columns.Int("SID");
        if (sid == 50)
            r += 1280;
        PointSource source = Source(PointSource::kModbusRegister, sid,
                                    static_cast<int>(intFrom(fld, 1)), kModbusTable, fld);
        if (!inMeasured(r)) {
            NoteSource(true, r, source);
            continue;
        }
        int value = 0;
        bool numeric = valColumn >= 0 ? ReadNumber(m_db, cur.get(), valColumn, value)
                                      : ReadNumber(m_db, cur.get(), "Val", value);
        img.measured[r] = static_cast<float>(value * 0.1);
        img.measuredQuality[r] = QualityOf(numeric);
        NoteSource(true, r, source);
        ++count;
    }
}

/* The divisor of a value column, asked once per refresh; below 1 gives 1.
 * A missing row throws with the divisor query in m_lastSql; otherwise
 * m_lastSql keeps the table's query. */
int PointRefresh::Divisor(int type, int field)
{
    auto key = std::make_pair(type, field);
    auto it = m_divisors.find(key);
    if (it != m_divisors.end())
        return it->second;
    /* The query names itself in the table's message only when it fails. */
    std::string tableSql;
    tableSql.swap(m_lastSql);
    CppSQLite3Buffer sql;
    m_lastSql = sql.format("select vfactor from tbSMDef where Type=%d and Fld=%d", type, field);
    int divisor = m_db->ExecScalar(m_lastSql.c_str());
    if (divisor < 1)
        divisor = 1;
    m_divisors.emplace(key, divisor);
    m_lastSql.swap(tableSql);
    return divisor;
}

/* Value columns (index 8 on) of a device table, divided by their tbSMDef
 * divisor, packed from the table's base address on. */
void PointRefresh::LoadDeviceValues(PointImage& img, const std::string& table, int base, int& count)
{
    CppSQLite3Buffer sql; /* %w: the name as an SQL identifier, quotes doubled */
    m_lastSql = sql.format("select * from \"%w\" order by SID", table.c_str());
    CursorGuard cur(m_db, m_db->Query(m_lastSql.c_str(), -1));
    if (cur.get() < 0)
        return;
    const int flds = m_config->FieldsOf(table);
    ColumnIndex columns(m_db, cur.get());
    for (; !m_db->Eof(cur.get()); m_db->NextRow(cur.get())) {
        long long last = static_cast<long long>(flds) + 8;
        if (last == 8)
            last = m_db->NumFields(cur.get());
        int type = columns.Int("Type");
        int sid = m_record != nullptr ? columns.Int("SID") : 0;
        bool notedOutside = false;
        for (int col = 8; col < last; ++col) {
            int divisor = Divisor(type, col - 7);
            long long j = static_cast<long long>(base) - PointImage::kMeasuredIoaBase + count;
            if (!inMeasured(j)) {
                if (m_record != nullptr && !notedOutside) { /* one note per row */
                    std::string name =
                        col < m_db->NumFields(cur.get()) ? m_db->FieldName(cur.get(), col) : "";
                    PointSource source =
                        Source(PointSource::kTableColumn, sid, col - 7, table, name);
                    source.divisor = divisor;
                    NoteSource(true, j, source);
                    notedOutside = true;
                }
                continue;
            }
            int raw = 0;
            bool numeric = ReadNumber(m_db, cur.get(), col, raw);
            img.measured[j] = static_cast<float>(static_cast<double>(raw) / divisor);
            img.measuredQuality[j] = QualityOf(numeric);
            if (m_record != nullptr) {
                PointSource source = Source(PointSource::kTableColumn, sid, col - 7, table,
                                            m_db->FieldName(cur.get(), col));
                source.divisor = divisor;
                NoteSource(true, j, source);
            }
            ++count;
        }
    }
}

/* ------------------------------------------------------------ over a store */

std::vector<std::string> ChooseServedTables(DbConnection* db, const GatewayConfig& config,
                                            ImageStore& images)
{
    std::vector<std::string> tables;
    std::shared_ptr<PointImage> img = images.Begin();
    try {
        CursorGuard cur(db, db->Query("select * from sqlite_master where type='table' and not "
                                      "name like 'tbSM%'",
                                      -1));
        for (; cur.hasRow(); db->NextRow(cur.get())) {
            std::string name = db->GetStringField(cur.get(), "name");
            if (config.IsDetail(name)) {
                printf("   %s...is detail\n", name.c_str());
                continue;
            }
            int base = config.BaseAddrOf(name);
            if (PointImage::IsServedBase(base)) {
                printf("   %s...on %#04X\n", name.c_str(), static_cast<unsigned>(base));
                tables.push_back(name);
                img->tablePoints[name] = 0;
            }
        }
    } catch (CppSQLite3Exception& e) {
        printf("[CSvrWrapper104::GetTbls] db exception: %d %s\r\n", e.errorCode(),
               e.errorMessage() ? e.errorMessage() : "");
    }
    images.Publish(img);
    return tables;
}

bool RefreshImages(DbConnection* db, const GatewayConfig& config, ImageStore& images,
                   const std::vector<std::string>& tables, PointSourceRecord* sources)
{
    std::shared_ptr<PointImage> img = images.Begin();
    PointRefresh refresh(db, &config);
    refresh.SetSourceRecord(sources);
    const bool complete = refresh.Build(*img, tables);
    images.Publish(img);
    return complete;
}

void RefreshRegisterBits(DbConnection* db, const GatewayConfig& config, ImageStore& images,
                         int imageStart, int reg, int count, int sid)
{
    std::shared_ptr<PointImage> img = images.Begin();
    PointRefresh refresh(db, &config);
    refresh.LoadRegisterBits(*img, imageStart, reg, count, sid);
    images.Publish(img);
}
