/*
 * SvrWrapper104b.cpp - the gateway's start-up, served tables and data refresh.
 *
 * See SvrWrapper104b.h for the image publication scheme and the choices made.
 * The slave wiring, the callbacks and the reports live in this unit too, after
 * the refresh code.
 */
#include "SvrWrapper104b.h"

#include <dlfcn.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "CppSQLite3.h"
#include "qx_paths.h"

namespace
{

const char* const kLibPath = "./libqxdb.so";
const char* const kDataDb = "tmp/dbDat0.db3";

/* Quotes a name as an SQL identifier: "name" with inner quotes doubled. */
std::string quoteIdent(const std::string& name)
{
    std::string out = "\"";
    for (char c : name) {
        out += c;
        if (c == '"')
            out += '"';
    }
    return out + "\"";
}

/* Quotes a text as an SQL literal: 'text' with inner apostrophes doubled. */
std::string quoteLiteral(const std::string& text)
{
    std::string out = "'";
    for (char c : text) {
        out += c;
        if (c == '\'')
            out += '\'';
    }
    return out + "'";
}

/* printf into a std::string, any length. */
std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char* fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    va_list ap2;
    va_copy(ap2, ap);
    int n = std::vsnprintf(nullptr, 0, fmt, ap);
    va_end(ap);
    std::string out;
    if (n > 0) {
        out.resize(static_cast<size_t>(n) + 1);
        std::vsnprintf(&out[0], out.size(), fmt, ap2);
        out.resize(static_cast<size_t>(n));
    }
    va_end(ap2);
    return out;
}

/* Integer value of a text from a position on (atoi rules, 0 when shorter). */
long intFrom(const std::string& text, size_t pos)
{
    return pos < text.size() ? std::strtol(text.c_str() + pos, nullptr, 10) : 0;
}

/* Releases a cursor when leaving its scope, also on an exception. */
class CursorGuard
{
  public:
    CursorGuard(DbConnection* db, int cursor) : m_db(db), m_cursor(cursor) {}
    ~CursorGuard()
    {
        if (m_cursor < 0)
            return;
        try {
            m_db->Finalize(m_cursor);
        } catch (...) {
            /* nothing more to release */
        }
    }
    CursorGuard(const CursorGuard&) = delete;
    CursorGuard& operator=(const CursorGuard&) = delete;
    int get() const { return m_cursor; }
    /* True when the cursor holds a current row. */
    bool hasRow() const { return m_cursor >= 0 && !m_db->Eof(m_cursor); }

  private:
    DbConnection* m_db;
    int m_cursor;
};

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

CSvrWrapper104::CSvrWrapper104()
    : Periodic(10), m_hLib(nullptr), m_pfnGetDbManager(nullptr), m_pfnFreeDbManager(nullptr),
      m_pMngr(nullptr), m_pDb(nullptr), m_ini(""), m_oa(2), m_ca(1),
      m_image(std::make_shared<const PointImage>()), m_slave(nullptr), m_alParams(nullptr),
      m_nReports(0), m_bRunning(false), m_bCreated(false), m_building(nullptr),
      m_cfgDbPath(QX_CFG_DB_PATH)
{
}

CSvrWrapper104::~CSvrWrapper104()
{
    Free();
}

/* ------------------------------------------------------------ start-up */

void CSvrWrapper104::Init()
{
    Free(); /* a second Init starts from scratch */
    m_ini.Load("qxSvr.ini");
    m_oa = static_cast<uint8_t>(m_ini.GetValue<int>("Svr104", "Oa", 2));
    m_ca = m_ini.GetValue<int>("Svr104", "Ca", 1);
    Periodic = m_ini.GetValue<int>("Svr104", "Periodic", 10);

    m_hLib = dlopen(kLibPath, RTLD_NOW);
    if (m_hLib == nullptr) {
        const char* err = dlerror();
        printf("[CSvrWrapper104::Init] dlopen %s error:%s\r\n", kLibPath, err ? err : "");
        puts("  Init done");
        return;
    }
    m_pfnGetDbManager = reinterpret_cast<GetDbManagerFn>(dlsym(m_hLib, "GetDbManager"));
    m_pfnFreeDbManager = reinterpret_cast<FreeDbManagerFn>(dlsym(m_hLib, "FreeDbManager"));
    if (m_pfnGetDbManager != nullptr && m_pfnFreeDbManager != nullptr)
        m_pMngr = m_pfnGetDbManager();

    if (m_pMngr != nullptr)
        m_pDb = m_pMngr->OpenDb(kDataDb, 0);
    else
        puts("libDb.mngr==NULL\r");

    bool ready = false;
    try {
        ready = m_pDb != nullptr && m_pDb->IsReady(0, 0);
    } catch (...) {
        ready = false;
    }
    if (!ready) {
        m_pDb = nullptr;
        if (m_pfnFreeDbManager != nullptr)
            m_pfnFreeDbManager();
        m_pMngr = nullptr;
        dlclose(m_hLib);
        m_hLib = nullptr;
        m_pfnGetDbManager = nullptr;
        m_pfnFreeDbManager = nullptr;
        puts("pDb err\r");
        puts("  Init done");
        return;
    }

    CopySMType();
    GetTbls();
    UpdDat();
    puts("  Init done");
}

/* Refreshes tbSMType from the configuration database. The drop and the
 * create form one transaction, so a failure keeps the previous copy, and
 * "cfg" is detached whatever happens once it was attached. */
void CSvrWrapper104::CopySMType()
{
    bool attached = false;
    bool inTransaction = false;
    bool failed = false;
    try {
        m_pDb->ExecDML(("attach " + quoteLiteral(m_cfgDbPath) + " as cfg").c_str());
        attached = true;
        m_pDb->ExecDML("begin transaction");
        inTransaction = true;
        if (m_pDb->TableExists("tbSMType"))
            m_pDb->ExecDML("drop table tbSMType");
        m_pDb->ExecDML("create table tbSMType as select * from cfg.tbSMType");
        m_pDb->ExecDML("commit transaction");
        inTransaction = false;
    } catch (...) {
        failed = true;
    }
    try {
        if (inTransaction)
            m_pDb->ExecDML("rollback transaction");
    } catch (...) {
        /* the detach below still runs */
    }
    try {
        if (attached)
            m_pDb->ExecDML("detach cfg");
    } catch (...) {
        failed = true;
    }
    if (failed)
        puts("[CSvrWrapper104::Init] db exception: \r");
}

bool CSvrWrapper104::IsOk()
{
    return m_pDb != nullptr;
}

void CSvrWrapper104::Free()
{
    if (m_pMngr == nullptr)
        return;
    m_pDb = nullptr;
    if (m_pfnFreeDbManager != nullptr)
        m_pfnFreeDbManager();
    if (m_hLib != nullptr)
        dlclose(m_hLib);
    m_hLib = nullptr;
    m_pMngr = nullptr;
    m_pfnGetDbManager = nullptr;
    m_pfnFreeDbManager = nullptr;
}

/* ------------------------------------------------------------ images */

PointImageSnapshot CSvrWrapper104::Snapshot() const
{
    return std::atomic_load(&m_image);
}

/* A private copy of the published image for a refresh to write. */
std::shared_ptr<PointImage> CSvrWrapper104::BeginImage() const
{
    return std::make_shared<PointImage>(*Snapshot());
}

void CSvrWrapper104::Publish(const std::shared_ptr<PointImage>& img)
{
    std::atomic_store(&m_image, PointImageSnapshot(img));
}

int CSvrWrapper104::BaseAddrOf(const std::string& table) const
{
    std::string text = m_ini.GetValue("Svr.BaseAddr", table, "");
    return static_cast<int>(std::strtol(text.c_str(), nullptr, 16));
}

/* ------------------------------------------------------------ served tables */

void CSvrWrapper104::GetTbls()
{
    m_tbls.clear();
    if (m_pDb == nullptr)
        return;
    std::shared_ptr<PointImage> img = BeginImage();
    try {
        CursorGuard cur(m_pDb,
                        m_pDb->Query("select * from sqlite_master where type='table' and not "
                                     "name like 'tbSM%'",
                                     -1));
        for (; cur.hasRow(); m_pDb->NextRow(cur.get())) {
            std::string name = m_pDb->GetStringField(cur.get(), "name");
            if (m_ini.GetValue<int>("Svr.Detail", name, 0) == 1) {
                printf("   %s...is detail\n", name.c_str());
                continue;
            }
            int base = BaseAddrOf(name);
            if (IsServedBase(base)) {
                printf("   %s...on %#04X\n", name.c_str(), static_cast<unsigned>(base));
                m_tbls.push_back(name);
                img->tablePoints[name] = 0;
            }
        }
    } catch (CppSQLite3Exception& e) {
        printf("[CSvrWrapper104::GetTbls] db exception: %d %s\r\n", e.errorCode(),
               e.errorMessage() ? e.errorMessage() : "");
    }
    Publish(img);
}

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
            std::string sql = format(
                "select * from tbModbusDat where SID=%d and Fld like 'V4%d-%%'", sid, reg + 1 + k);
            CursorGuard cur(m_pDb, m_pDb->Query(sql.c_str(), -1));
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
    m_lastSql = "select * from " + quoteIdent(table) + " order by SID";
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
                format("select vfactor from tbSMDef where Type=%d and Fld=%d", type, col - 7);
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
