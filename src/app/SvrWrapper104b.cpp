/*
 * SvrWrapper104b.cpp - the gateway's start-up, served tables and data refresh.
 *
 * See SvrWrapper104b.h for the image publication scheme and the choices made.
 * The slave wiring, the callbacks and the reports live in this unit too, after
 * the refresh code.
 */
#include "SvrWrapper104b.h"

#include <dlfcn.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "CppSQLite3.h"
#include "qx_paths.h"

namespace
{

const char* const kLibPath = "./libqxdb.so";
const char* const kDataDb = "tmp/dbDat0.db3";

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
      m_cfgDbPath(QX_CFG_DB_PATH), m_lostEventsReported(0)
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
    m_spontaneous = SpontaneousSettings::Read(m_ini);

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
        CppSQLite3Buffer attach; /* %Q: the path as an SQL literal, apostrophes doubled */
        m_pDb->ExecDML(attach.format("attach %Q as cfg", m_cfgDbPath.c_str()));
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
    long value = std::strtol(text.c_str(), nullptr, 16);
    /* Saturate like a 32-bit long: a wider value must not wrap into the
     * served range through its low bits. */
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
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
/* ------------------------------------------------------------------------
 * Slave wiring, callbacks, interrogation answers and periodic reports.
 *
 * Reports are sent from one snapshot of the published point image: a report
 * or an interrogation answer reads all its ranges from the same refresh,
 * never from a mix of two.
 *
 * ASDUs are made lazily, when the first object of a group is added, so a
 * range without points, and the group after a range that is an exact multiple
 * of 28 points, send nothing rather than an ASDU without objects.
 * ------------------------------------------------------------------------ */

namespace
{

/* At most this many information objects per ASDU. */
const int kObjectsPerAsdu = 28;
/* Offset of the station 50 status ranges from those of station 49. */
const int kStation50StatusOffset = 512;
/* Offset of the station 50 measured ranges from those of station 49. */
const int kStation50MeasuredOffset = 1280;
/* Qualifier of a station interrogation. */
const uint8_t kStationQoi = 20;
/* The single command that is confirmed. */
const int kCommandIoa = 5000;

struct IoaRange {
    int first;
    int last;
};

/* Status points answered on the interrogating connection with cause 20. */
const IoaRange kStationStatus[] = {{1, 8}, {9, 29}};

/* Status points of station 49; station 50's are the same plus 512. */
const IoaRange kStation49Status[] = {{256, 270}, {272, 280}, {304, 323}, {336, 350}, {352, 366},
                                     {368, 382}, {384, 398}, {400, 414}, {416, 439}, {448, 469},
                                     {480, 482}, {496, 519}, {528, 551}, {560, 583}, {592, 617},
                                     {624, 649}, {656, 681}};

/* Measured values of tbModbusDat for station 49; station 50's are plus 1280. */
const IoaRange kStation49Measured[] = {{16513, 16519}, {16527, 16537}, {16641, 16670},
                                       {16897, 16920}, {17153, 17176}, {17409, 17432}};

const char kModbusTable[] = "tbModbusDat";

/*
 * Collects information objects into ASDUs of at most 28 and hands each full
 * ASDU to the connection (cause 20) or, without a connection, to the slave's
 * queue (cause 1). An ASDU is created only when its first object arrives.
 */
class AsduBatch
{
  public:
    AsduBatch(CS104_Slave slave, IMasterConnection connection, CS101_AppLayerParameters parameters,
              int oa, int ca)
        : m_slave(slave), m_connection(connection), m_parameters(parameters), m_oa(oa), m_ca(ca)
    {
    }
    ~AsduBatch() { Flush(); }
    AsduBatch(const AsduBatch&) = delete;
    AsduBatch& operator=(const AsduBatch&) = delete;

    void Add(InformationObject io)
    {
        if (m_asdu == nullptr) {
            CS101_CauseOfTransmission cot =
                m_connection != nullptr ? CS101_COT_INTERROGATED_BY_STATION : CS101_COT_PERIODIC;
            m_asdu = CS101_ASDU_create(m_parameters, false, cot, m_oa, m_ca, false, false);
            if (m_asdu == nullptr)
                return; /* out of memory: this object is not reported */
        }
        CS101_ASDU_addInformationObject(m_asdu, io);
        if (++m_count == kObjectsPerAsdu)
            Flush();
    }

    /* Sends the ASDU in progress, if it holds any object. */
    void Flush()
    {
        if (m_asdu == nullptr)
            return;
        if (m_count > 0) {
            if (m_connection != nullptr)
                IMasterConnection_sendASDU(m_connection, m_asdu);
            else
                CS104_Slave_enqueueASDU(m_slave, m_asdu);
        }
        CS101_ASDU_destroy(m_asdu);
        m_asdu = nullptr;
        m_count = 0;
    }

  private:
    CS104_Slave m_slave;
    IMasterConnection m_connection;
    CS101_AppLayerParameters m_parameters;
    int m_oa;
    int m_ca;
    CS101_ASDU m_asdu = nullptr;
    int m_count = 0;
};

/* Clips an IOA range to the IOAs that have an image entry. */
IoaRange ClipToImage(int first, int last, int lowestIoa, int points)
{
    IoaRange r = {first < lowestIoa ? lowestIoa : first, last};
    int highestIoa = lowestIoa + points - 1;
    if (r.last > highestIoa)
        r.last = highestIoa;
    return r;
}

} // namespace

void CSvrWrapper104::SendStatus(const PointImage& img, CS101_AppLayerParameters parameters,
                                int first, int last, IMasterConnection connection)
{
    IoaRange r = ClipToImage(first, last, 1, PointImage::kStatusPoints);
    AsduBatch batch(m_slave, connection, parameters, m_oa, m_ca);
    /* One object serves every point: it is encoded into the ASDU when added. */
    SinglePointInformation point = nullptr;
    for (int ioa = r.first; ioa <= r.last; ++ioa) {
        point = SinglePointInformation_create(point, ioa, img.status[ioa - 1] != 0,
                                              IEC60870_QUALITY_GOOD);
        if (point == nullptr)
            return; /* out of memory */
        batch.Add(reinterpret_cast<InformationObject>(point));
    }
    if (point != nullptr)
        SinglePointInformation_destroy(point);
}

void CSvrWrapper104::SendMeasured(const PointImage& img, CS101_AppLayerParameters parameters,
                                  int first, int last, IMasterConnection connection)
{
    IoaRange r =
        ClipToImage(first, last, PointImage::kMeasuredIoaBase, PointImage::kMeasuredPoints);
    AsduBatch batch(m_slave, connection, parameters, m_oa, m_ca);
    MeasuredValueShort value = nullptr;
    for (int ioa = r.first; ioa <= r.last; ++ioa) {
        value = MeasuredValueShort_create(
            value, ioa, img.measured[ioa - PointImage::kMeasuredIoaBase], IEC60870_QUALITY_GOOD);
        if (value == nullptr)
            return; /* out of memory */
        batch.Add(reinterpret_cast<InformationObject>(value));
    }
    if (value != nullptr)
        MeasuredValueShort_destroy(value);
}

void CSvrWrapper104::YX(CS101_AppLayerParameters parameters, int first, int last,
                        IMasterConnection connection)
{
    PointImageSnapshot img = Snapshot();
    SendStatus(*img, parameters, first, last, connection);
}

void CSvrWrapper104::YC(CS101_AppLayerParameters parameters, int first, int last,
                        IMasterConnection connection)
{
    PointImageSnapshot img = Snapshot();
    SendMeasured(*img, parameters, first, last, connection);
}

/* The 34 status ranges of stations 49 and 50, queued with cause 1. */
void CSvrWrapper104::SendStationStatus(const PointImage& img, CS101_AppLayerParameters parameters)
{
    for (const IoaRange& r : kStation49Status)
        SendStatus(img, parameters, r.first, r.last, nullptr);
    for (const IoaRange& r : kStation49Status)
        SendStatus(img, parameters, r.first + kStation50StatusOffset,
                   r.last + kStation50StatusOffset, nullptr);
}

/* Every served table's measured values, in served-table order. */
void CSvrWrapper104::SendTables(const PointImage& img, CS101_AppLayerParameters parameters,
                                IMasterConnection connection)
{
    for (const std::string& table : m_tbls) {
        int base = BaseAddrOf(table);
        if (!IsServedBase(base))
            continue;
        if (table == kModbusTable) {
            for (const IoaRange& r : kStation49Measured)
                SendMeasured(img, parameters, r.first, r.last, connection);
            for (const IoaRange& r : kStation49Measured)
                SendMeasured(img, parameters, r.first + kStation50MeasuredOffset,
                             r.last + kStation50MeasuredOffset, connection);
        } else {
            SendMeasured(img, parameters, base, base + img.PointsOf(table) - 1, connection);
        }
    }
}

std::vector<WatchedRange> CSvrWrapper104::WatchedRanges(const PointImage& img) const
{
    std::vector<WatchedRange> ranges;
    auto status = [&ranges](int first, int last) {
        ranges.push_back({EventType::SinglePoint, first, last, 0.0});
    };
    for (const IoaRange& r : kStationStatus)
        status(r.first, r.last);
    for (const IoaRange& r : kStation49Status)
        status(r.first, r.last);
    for (const IoaRange& r : kStation49Status)
        status(r.first + kStation50StatusOffset, r.last + kStation50StatusOffset);
    for (const std::string& table : m_tbls) {
        int base = BaseAddrOf(table);
        if (!IsServedBase(base))
            continue;
        const double deadband = m_spontaneous.DeadbandOf(table);
        auto measured = [&ranges, deadband](int first, int last) {
            ranges.push_back({EventType::MeasuredFloat, first, last, deadband});
        };
        if (table == kModbusTable) {
            for (const IoaRange& r : kStation49Measured)
                measured(r.first, r.last);
            for (const IoaRange& r : kStation49Measured)
                measured(r.first + kStation50MeasuredOffset, r.last + kStation50MeasuredOffset);
        } else {
            measured(base, base + img.PointsOf(table) - 1);
        }
    }
    return ranges;
}

bool CSvrWrapper104::interrogationHandler(IMasterConnection connection, CS101_ASDU asdu,
                                          uint8_t qoi)
{
    printf("Received interrogation for group %i\n", qoi);
    if (qoi != kStationQoi) {
        IMasterConnection_sendACT_CON(connection, asdu, true);
        return true;
    }
    CS101_AppLayerParameters parameters =
        IMasterConnection_getApplicationLayerParameters(connection);
    IMasterConnection_sendACT_CON(connection, asdu, false);

    PointImageSnapshot img = Snapshot();
    for (const IoaRange& r : kStationStatus)
        SendStatus(*img, parameters, r.first, r.last, connection);
    SendStationStatus(*img, parameters);
    SendTables(*img, parameters, connection);
    return true;
}

void CSvrWrapper104::SvrPeriodic()
{
    printf("SvrPeriodic...");
    UpdDat();

    if (m_bCreated) { /* without a slave there is no queue to report to */
        PointImageSnapshot img = Snapshot();
        for (const IoaRange& r : kStationStatus)
            SendStatus(*img, m_alParams, r.first, r.last, nullptr);
        SendStationStatus(*img, m_alParams);
        SendTables(*img, m_alParams, nullptr);
    }

    ++m_nReports;
    printf(" %d\n", m_nReports);
}

/* ------------------------------------------------------------ slave wiring */

void CSvrWrapper104::SvrInit()
{
    m_slave = CS104_Slave_create(100, 100);
    if (m_slave == nullptr)
        return; /* SvrStart then does nothing and SvrIsOk stays false */
    CS104_Slave_setLocalAddress(m_slave, "0.0.0.0");
    CS104_Slave_setServerMode(m_slave, CS104_MODE_SINGLE_REDUNDANCY_GROUP);
    m_alParams = CS104_Slave_getAppLayerParameters(m_slave);

    CS104_Slave_setClockSyncHandler(m_slave, clockSyncHandler, nullptr);
    CS104_Slave_setInterrogationHandler(m_slave, interrogationHandler, this);
    CS104_Slave_setASDUHandler(m_slave, asduHandler, nullptr);
    CS104_Slave_setConnectionRequestHandler(m_slave, connectionRequestHandler, nullptr);
    m_lostEventsReported = 0; /* a new slave counts its losses from 0 */
    m_bCreated = true;
}

void CSvrWrapper104::SvrStart()
{
    if (!m_bCreated)
        return;
    CS104_Slave_start(m_slave);
    if (CS104_Slave_isRunning(m_slave)) {
        m_bRunning = true;
        puts("SvrStart ok!");
    }
}

bool CSvrWrapper104::SvrIsOk()
{
    return m_bRunning;
}

void CSvrWrapper104::SvrClose()
{
    if (m_bCreated)
        CS104_Slave_stop(m_slave);
    m_bRunning = false;
}

void CSvrWrapper104::SvrFree()
{
    if (m_bCreated)
        CS104_Slave_destroy(m_slave);
    m_slave = nullptr;
    m_bCreated = false;
    m_bRunning = false;
}

/* --------------------------------------------------------------- callbacks */

bool CSvrWrapper104::interrogationHandler(void* parameter, IMasterConnection connection,
                                          CS101_ASDU asdu, uint8_t qoi)
{
    return static_cast<CSvrWrapper104*>(parameter)->interrogationHandler(connection, asdu, qoi);
}

bool CSvrWrapper104::connectionRequestHandler(void*, const char* ipAddress)
{
    printf("New connection from %s\n", ipAddress);
    return true;
}

/* "hh:mm:ss dd/mm/yyyy" of a time tag. */
static std::string TimeText(CP56Time2a time)
{
    char text[48];
    snprintf(text, sizeof(text), "%02i:%02i:%02i %02i/%02i/%04i", CP56Time2a_getHour(time),
             CP56Time2a_getMinute(time), CP56Time2a_getSecond(time), CP56Time2a_getDayOfMonth(time),
             CP56Time2a_getMonth(time), CP56Time2a_getYear(time) + 2000);
    return text;
}

void CSvrWrapper104::printCP56Time2a(CP56Time2a time)
{
    fputs(TimeText(time).c_str(), stdout);
}

bool CSvrWrapper104::clockSyncHandler(void*, IMasterConnection, CS101_ASDU, CP56Time2a newTime)
{
    /* One call for the whole line, so no other thread's text lands inside it;
     * the time is only printed, the system clock is not set. */
    printf("Process time sync command with time %s\n", TimeText(newTime).c_str());
    return true;
}

/* The cause of the mirrored single command for the given command object. */
static CS101_CauseOfTransmission SingleCommandAnswer(InformationObject io)
{
    if (io == nullptr || InformationObject_getObjectAddress(io) != kCommandIoa)
        return CS101_COT_UNKNOWN_IOA;
    printf("IOA: %i switch to %i\n", InformationObject_getObjectAddress(io),
           SingleCommand_getState(reinterpret_cast<SingleCommand>(io)) ? 1 : 0);
    return CS101_COT_ACTIVATION_CON;
}

bool CSvrWrapper104::asduHandler(void*, IMasterConnection connection, CS101_ASDU asdu)
{
    if (CS101_ASDU_getTypeID(asdu) != C_SC_NA_1)
        return false;
    puts("received single command");
    if (CS101_ASDU_getCOT(asdu) == CS101_COT_ACTIVATION) {
        InformationObject io = CS101_ASDU_getElement(asdu, 0);
        CS101_ASDU_setCOT(asdu, SingleCommandAnswer(io));
        if (io != nullptr)
            InformationObject_destroy(io);
    } else {
        CS101_ASDU_setCOT(asdu, CS101_COT_UNKNOWN_COT);
    }
    IMasterConnection_sendASDU(connection, asdu);
    return true;
}
