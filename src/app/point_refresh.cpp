// SPDX-License-Identifier: Apache-2.0
/*
 * point_refresh.cpp - the rules of the data refresh (see point_refresh.h).
 */
#include "point_refresh.h"

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

#include "CppSQLite3.h"
#include "db_cursor.h"
#include "cs101_information_objects.h"
#include "report_plan.h"

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

static_assert(sizeof kRegisterBlocks / sizeof kRegisterBlocks[0] == PointRefresh::kBlocks,
              "one row set per block");

const char kModbusTable[] = "tbModbusDat";

bool inStatus(long long index)
{
    return index >= 0 && index < PointImage::kStatusPoints;
}

bool inMeasured(long long index)
{
    return index >= 0 && index < PointImage::kMeasuredPoints;
}

/* A field as read for a point: its value without loss and the quality that
 * goes with it. */
struct FieldValue {
    bool isInteger = true; /* value in integer, else in real */
    long long integer = 0;
    double real = 0.0;
    uint8_t quality = IEC60870_QUALITY_GOOD;

    double AsDouble() const { return isInteger ? static_cast<double>(integer) : real; }
    bool NonZero() const { return isInteger ? integer != 0 : real != 0.0; }
};

/* INTEGER and finite REAL values as stored (64 bits, double); NULL is 0 with
 * IV; a TEXT that numeric affinity reads as a number is read with
 * GetIntField; any other value is 0 with IV. */
FieldValue ReadValue(DbConnection* db, int cursor, int column)
{
    FieldValue v;
    switch (db->FieldType(cursor, column)) {
    case QXDB_INTEGER:
        v.integer = db->GetInt64Field(cursor, column);
        break;
    case QXDB_FLOAT: {
        const double real = db->GetDoubleField(cursor, column);
        if (std::isfinite(real)) {
            v.isInteger = false;
            v.real = real;
        } else {
            v.quality = IEC60870_QUALITY_INVALID;
        }
        break;
    }
    case QXDB_NULL:
        v.quality = IEC60870_QUALITY_INVALID;
        break;
    default:
        if (db->IsNumericField(cursor, column))
            v.integer = db->GetIntField(cursor, column);
        else
            v.quality = IEC60870_QUALITY_INVALID;
        break;
    }
    return v;
}

/* A measured value as served: a result beyond the float range keeps the
 * nearest float and carries OV and IV. */
float ToMeasured(double value, uint8_t& quality)
{
    if (value > FLT_MAX || value < -FLT_MAX) {
        quality =
            static_cast<uint8_t>(quality | IEC60870_QUALITY_OVERFLOW | IEC60870_QUALITY_INVALID);
        return value > 0 ? FLT_MAX : -FLT_MAX;
    }
    return static_cast<float>(value);
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

    /* The index of a column the caller reads; a name the result lacks throws
     * the data store's own error for it. */
    int Required(const char* name)
    {
        int column = Of(name);
        if (column < 0)
            m_db->GetIntField(m_cursor, name); /* throws: no such column */
        return column;
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

/* Steps of a refresh as recorded in PointImage::statusSource. */
const uint8_t kStepInputs = 1;
const uint8_t kStepStates = 2;
const uint8_t kStepFirstBlock = 3; /* nine blocks of station 49, then of 50 */
const uint8_t kStepOtherBits = 21; /* register bits outside the nine blocks */
/* Steps in PointImage::measuredSource. */
const uint8_t kStepModbusValues = 1;
const uint8_t kStepTableValues = 2;

/* The status indices a step covers before it ever ran: inputs of IOA 1-8,
 * station states of IOA 10-29, a block's bits. */
struct IndexRange {
    long long first;
    long long last;
};

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

/* The source of a register-bit row of holding register `number` (the k-th
 * of a block whose bits start at status index start) and its index. */
PointSource RegisterBitSource(int sid, int number, const std::string& fld, long long start, int k,
                              long long& index)
{
    const long bit = intFrom(fld, 7);
    index = start + 16LL * k + bit;
    PointSource source = Source(PointSource::kRegisterBit, sid, number, kModbusTable, fld);
    source.bit = static_cast<int>(bit);
    return source;
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

void PointRefresh::SetStatus(PointImage& img, long long index, int cursor, int column,
                             const PointSource& source)
{
    const FieldValue v = ReadValue(m_db, cursor, column);
    StoreStatus(img, index, v.NonZero(), v.quality, source);
}

void PointRefresh::StoreStatus(PointImage& img, long long index, bool on, uint8_t quality,
                               const PointSource& source)
{
    img.status[index] = on ? 1 : 0;
    img.statusQuality[index] = quality;
    img.statusSource[index] = m_step;
    m_statusFresh[static_cast<size_t>(index)] = 1;
    NoteSource(false, index, source);
}

void PointRefresh::SetMeasured(PointImage& img, long long index, double value, uint8_t quality,
                               uint8_t step)
{
    img.measured[index] = ToMeasured(value, quality);
    img.measuredQuality[index] = quality;
    img.measuredSource[index] = step;
    m_measuredFresh[static_cast<size_t>(index)] = 1;
}

void PointRefresh::SetErrorSink(std::vector<std::string>* errors)
{
    m_errors = errors;
}

void PointRefresh::Report(const char* format, ...)
{
    char line[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (m_errors != nullptr)
        m_errors->push_back(line);
    else
        std::fputs(line, stdout);
}

/* The status indices a step writes before it has ever run. */
static IndexRange DefaultCoverage(uint8_t step)
{
    if (step == kStepInputs)
        return {0, 7};
    if (step == kStepStates)
        return {9, 28};
    if (step >= kStepFirstBlock && step < kStepOtherBits) {
        const int k = step - kStepFirstBlock;
        const RegisterBlock& b = kRegisterBlocks[k % 9];
        const long long start = b.imageStart + (k >= 9 ? 512 : 0);
        return {start, start + 16LL * b.count - 1};
    }
    return {0, -1};
}

/* Quality of a point of a step's range that the step never read: while the
 * step fails, NT when the step has read before, IV when it never has; good
 * (as unfed points are) while it succeeds. */
static uint8_t UnreadQuality(bool failed, bool readBefore)
{
    if (!failed)
        return IEC60870_QUALITY_GOOD;
    return readBefore ? IEC60870_QUALITY_NON_TOPICAL : IEC60870_QUALITY_INVALID;
}

void PointRefresh::FlagStatusStep(PointImage& img, uint8_t step, bool failed)
{
    bool known = false;
    for (int i = 0; i < PointImage::kStatusPoints; ++i) {
        if (img.statusSource[i] != step)
            continue;
        known = true;
        if (failed && !m_statusFresh[static_cast<size_t>(i)])
            img.statusQuality[i] |= IEC60870_QUALITY_NON_TOPICAL;
    }
    const IndexRange range = DefaultCoverage(step);
    for (long long i = range.first; i <= range.last; ++i)
        if (inStatus(i) && img.statusSource[i] == 0)
            img.statusQuality[i] = UnreadQuality(failed, known);
}

void PointRefresh::FlagModbusValues(PointImage& img, bool failed)
{
    bool known = false;
    for (int j = 0; j < PointImage::kMeasuredPoints; ++j) {
        if (img.measuredSource[j] != kStepModbusValues)
            continue;
        known = true;
        if (failed && !m_measuredFresh[static_cast<size_t>(j)])
            img.measuredQuality[j] |= IEC60870_QUALITY_NON_TOPICAL;
    }
    for (const IoaRange& r : ReportPlan::ModbusMeasuredRanges())
        for (int ioa = r.first; ioa <= r.last; ++ioa) {
            const int j = ioa - PointImage::kMeasuredIoaBase;
            if (inMeasured(j) && img.measuredSource[j] == 0)
                img.measuredQuality[j] = UnreadQuality(failed, known);
        }
}

template <typename Step>
void PointRefresh::RunStatusStep(PointImage& img, uint8_t step, const char* table, Step body)
{
    m_step = step;
    m_lastSql.clear();
    bool failed = false;
    try {
        body();
    } catch (CppSQLite3Exception& e) {
        failed = true;
        NoteFailure(table);
        Report("[CSvrWrapper104::UpdDat] %s db exception: %d %s, sql:%s\r\n", table, e.errorCode(),
               e.errorMessage() ? e.errorMessage() : "", m_lastSql.c_str());
    }
    FlagStatusStep(img, step, failed);
}

void PointRefresh::NoteFailure(const std::string& table)
{
    ++m_failures;
    if (std::find(m_failedTables.begin(), m_failedTables.end(), table) == m_failedTables.end())
        m_failedTables.push_back(table);
}

bool PointRefresh::Build(PointImage& img, const std::vector<std::string>& tables)
{
    if (m_record != nullptr)
        *m_record = PointSourceRecord();
    m_divisors.clear();
    m_lastSql.clear();
    m_failures = 0;
    m_failedTables.clear();
    m_statusFresh.assign(PointImage::kStatusPoints, 0);
    m_measuredFresh.assign(PointImage::kMeasuredPoints, 0);
    /* Each step stands on its own: a failure flags that step's points and
     * the next step runs. */
    RunStatusStep(img, kStepInputs, "tbDio", [&] { LoadDeviceInputs(img); });
    RunStatusStep(img, kStepStates, kModbusTable, [&] { LoadStationStates(img); });
    /* The register bits: one pass per station when it reads without error;
     * otherwise every block reads register by register, so a failure ends
     * and names exactly the blocks and statements it always did. */
    RegisterBitRows bits;
    const bool onePass = m_onePassBits && ReadRegisterBits(bits);
    uint8_t step = kStepFirstBlock;
    for (int sid : {49, 50})
        for (size_t b = 0; b < kBlocks; ++b)
            RunStatusStep(img, step++, kModbusTable, [&] {
                if (onePass)
                    ApplyRegisterBlock(img, bits, sid, b);
                else
                    LoadRegisterBlock(img, kRegisterBlocks[b].imageStart, kRegisterBlocks[b].reg,
                                      kRegisterBlocks[b].count, sid);
            });
    for (const std::string& table : tables)
        LoadTable(img, table);
    return m_failures == 0;
}

/* Step 1: the inputs of every device but type 2317, in SID order. */
void PointRefresh::LoadDeviceInputs(PointImage& img)
{
    m_lastSql = "select distinct d.*, t.ExtDi, t.ExtDo from tbDio d left join tbSMType t on "
                "t.Type=d.Type where d.Type!=2317 order by SID";
    CursorGuard cur(m_db, m_db->Query(m_lastSql.c_str(), -1));
    if (!cur.hasRow()) {
        std::memset(img.status, 0, sizeof img.status);
        std::memset(img.statusQuality, 0, sizeof img.statusQuality);
        std::memset(img.statusSource, 0, sizeof img.statusSource);
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
            SetStatus(img, index + i - 1, cur.get(), columns.Required(column), source);
        }
        if (n > 0)
            index += n;
    }
}

/* Step 2: the states of stations below 49 from index 9 on. */
void PointRefresh::LoadStationStates(PointImage& img)
{
    m_lastSql = "select * from tbModbusDat where Fld='V30002' and SID<49";
    CursorGuard cur(m_db, m_db->Query(m_lastSql.c_str(), -1));
    if (cur.get() < 0)
        return;
    long long index = 9;
    ColumnIndex columns(m_db, cur.get());
    const int valColumn = cur.hasRow() ? columns.Required("Val") : -1;
    for (; !m_db->Eof(cur.get()); m_db->NextRow(cur.get()), ++index) {
        PointSource source =
            Source(PointSource::kStationState, columns.Int("SID"), 30002, kModbusTable, "V30002");
        if (inStatus(index))
            SetStatus(img, index, cur.get(), valColumn, source);
        else
            NoteSource(false, index, source);
    }
}

/* Step 3: the bits of one block of registers; throws on a database error. */
void PointRefresh::LoadRegisterBlock(PointImage& img, int imageStart, int reg, int count, int sid)
{
    long long start = imageStart;
    if (sid == 50)
        start += 512;
    for (int k = 0; k < count; ++k) {
        CppSQLite3Buffer sql;
        m_lastSql = sql.format("select * from tbModbusDat where SID=%d and Fld like 'V4%d-%%'", sid,
                               reg + 1 + k);
        CursorGuard cur(m_db, m_db->Query(m_lastSql.c_str(), -1));
        if (cur.get() < 0)
            continue;
        ColumnIndex columns(m_db, cur.get());
        for (; !m_db->Eof(cur.get()); m_db->NextRow(cur.get())) {
            long long index = 0;
            const PointSource source = RegisterBitSource(
                sid, 40000 + reg + 1 + k, m_db->GetStringField(cur.get(), "Fld"), start, k, index);
            if (inStatus(index))
                SetStatus(img, index, cur.get(), columns.Required("Val"), source);
            else
                NoteSource(false, index, source);
        }
    }
}

/* Register number n when fld matches the pattern 'V4<n>-%' of SQLite's
 * LIKE (ASCII case folding: 'v' matches 'V'; n in decimal as %d writes it,
 * so without a sign or leading zeros); -1 otherwise. */
static long long MatchedRegister(const std::string& fld)
{
    if (fld.size() < 4 || (fld[0] != 'V' && fld[0] != 'v') || fld[1] != '4')
        return -1;
    const size_t dash = fld.find('-', 2);
    if (dash == std::string::npos || dash == 2 || dash > 2 + 9 || fld[2] == '0')
        return -1;
    long long n = 0;
    for (size_t i = 2; i < dash; ++i) {
        if (fld[i] < '0' || fld[i] > '9')
            return -1;
        n = n * 10 + (fld[i] - '0');
    }
    return n;
}

bool PointRefresh::ReadRegisterBits(RegisterBitRows& rows)
{
    try {
        for (int s = 0; s < 2; ++s) {
            const int sid = s == 0 ? 49 : 50;
            CppSQLite3Buffer sql;
            /* The union of the blocks' patterns: every row one of them
             * matches, in the data store's scan order of the table. */
            m_lastSql =
                sql.format("select * from tbModbusDat where SID=%d and Fld like 'V4%%-%%'", sid);
            CursorGuard cur(m_db, m_db->Query(m_lastSql.c_str(), -1));
            if (cur.get() < 0)
                continue;
            ColumnIndex columns(m_db, cur.get());
            for (; !m_db->Eof(cur.get()); m_db->NextRow(cur.get())) {
                std::string fld = m_db->GetStringField(cur.get(), "Fld");
                const long long n = MatchedRegister(fld);
                for (size_t b = 0; b < kBlocks && n >= 0; ++b) {
                    const long long k = n - 1 - kRegisterBlocks[b].reg;
                    if (k < 0 || k >= kRegisterBlocks[b].count)
                        continue;
                    const FieldValue v = ReadValue(m_db, cur.get(), columns.Required("Val"));
                    rows.of[s][b][k].push_back({fld, v.NonZero(), v.quality});
                    break;
                }
            }
        }
    } catch (CppSQLite3Exception&) {
        return false;
    }
    return true;
}

/* The bits of one block as LoadRegisterBlock reads them, from the rows of the
 * one pass: register by register, each in scan order. */
void PointRefresh::ApplyRegisterBlock(PointImage& img, const RegisterBitRows& rows, int sid,
                                      size_t block)
{
    const RegisterBlock& b = kRegisterBlocks[block];
    const long long start = b.imageStart + (sid == 50 ? 512 : 0);
    for (int k = 0; k < b.count; ++k)
        for (const RegisterBitRows::Row& row : rows.of[sid == 50 ? 1 : 0][block][k]) {
            long long index = 0;
            const PointSource source =
                RegisterBitSource(sid, 40000 + b.reg + 1 + k, row.fld, start, k, index);
            if (inStatus(index))
                StoreStatus(img, index, row.on, row.quality, source);
            else
                NoteSource(false, index, source);
        }
}

void PointRefresh::LoadRegisterBits(PointImage& img, int imageStart, int reg, int count, int sid)
{
    uint8_t step = kStepOtherBits;
    for (int k = 0; k < 18; ++k) {
        const RegisterBlock& b = kRegisterBlocks[k % 9];
        if (b.imageStart == imageStart && b.reg == reg && b.count == count &&
            (sid == 50) == (k >= 9))
            step = static_cast<uint8_t>(kStepFirstBlock + k);
    }
    m_step = step;
    m_statusFresh.assign(PointImage::kStatusPoints, 0);
    bool failed = false;
    try {
        LoadRegisterBlock(img, imageStart, reg, count, sid);
    } catch (CppSQLite3Exception& e) {
        failed = true;
        Report("[CSvrWrapper104::UpdYxBy] exception: %d %s\r\n", e.errorCode(),
               e.errorMessage() ? e.errorMessage() : "");
    }
    FlagStatusStep(img, step, failed);
}

/* Step 4: the measured values of one served table. A table that fails keeps
 * the point count of its last refresh; the points not read now carry NT. */
void PointRefresh::LoadTable(PointImage& img, const std::string& table)
{
    int count = 0;
    const int before = img.PointsOf(table);
    img.tablePoints[table] = 0;
    m_lastSql.clear();
    int base = 0;
    try {
        base = m_config->BaseAddrOf(table);
        if (!IsServedBase(base))
            return;
        if (table == kModbusTable)
            LoadModbusValues(img, count);
        else
            LoadDeviceValues(img, table, base, count);
        img.tablePoints[table] = count;
        if (table == kModbusTable)
            FlagModbusValues(img, false);
    } catch (CppSQLite3Exception& e) {
        NoteFailure(table);
        Report("[CSvrWrapper104::UpdDat] db exception: %d %s, sql:%s\r\n", e.errorCode(),
               e.errorMessage() ? e.errorMessage() : "", m_lastSql.c_str());
        img.tablePoints[table] = before;
        if (table == kModbusTable) {
            FlagModbusValues(img, true);
            return;
        }
        const long long first = static_cast<long long>(base) - PointImage::kMeasuredIoaBase;
        for (long long j = first; j < first + before; ++j)
            if (inMeasured(j) && !m_measuredFresh[static_cast<size_t>(j)])
                img.measuredQuality[j] |= IEC60870_QUALITY_NON_TOPICAL;
    }
}

/* Holding registers of stations 49 and 50 at their fixed indices. */
void PointRefresh::LoadModbusValues(PointImage& img, int& count)
{
    m_lastSql = "select * from tbModbusDat where Fld>='V40015' and not Fld like 'V%-%'";
    CursorGuard cur(m_db, m_db->Query(m_lastSql.c_str(), -1));
    if (cur.get() < 0)
        return;
    ColumnIndex columns(m_db, cur.get());
    const int valColumn = cur.hasRow() ? columns.Required("Val") : -1;
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
        const FieldValue v = ReadValue(m_db, cur.get(), valColumn);
        SetMeasured(img, r, v.AsDouble() * 0.1, v.quality, kStepModbusValues);
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
            const FieldValue v = ReadValue(m_db, cur.get(), col);
            SetMeasured(img, j, v.AsDouble() / divisor, v.quality, kStepTableValues);
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
