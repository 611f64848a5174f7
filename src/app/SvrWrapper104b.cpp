// SPDX-License-Identifier: Apache-2.0
/*
 * SvrWrapper104b.cpp - the gateway's start-up, images and served tables.
 *
 * See SvrWrapper104b.h for the units behind the facade and the choices made.
 * The served tables and the data refresh live in SvrWrapper104b_refresh.cpp,
 * the interrogation answers and periodic reports in
 * SvrWrapper104b_reports.cpp, the slave wiring and the callbacks in
 * SvrWrapper104b_slave.cpp, the scan in SvrWrapper104b_scan.cpp.
 */
#include "SvrWrapper104b.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "CppSQLite3.h"
#include "db_cursor.h"
#include "qx_paths.h"
#include "startup_diagnosis.h"

namespace
{

const char* const kLibPath = "./libqxdb.so";
const char* const kConfigFile = "qxSvr.ini";

/* "<code> <message>" of a data-store exception, as the refresh prints it. */
std::string ExceptionText(CppSQLite3Exception& e)
{
    return std::to_string(e.errorCode()) + " " + (e.errorMessage() ? e.errorMessage() : "");
}

/* The line of a qxSvr.ini that was not read: missing, or why it cannot be. */
void ReportUnreadConfig()
{
    struct stat info;
    const bool missing = stat(kConfigFile, &info) != 0 && errno == ENOENT;
    const std::string problem = missing ? std::string() : FileProblem(kConfigFile);
    if (missing)
        printf("qxSvr.ini not found in %s: all keys at their defaults\n",
               WorkingDirectory().c_str());
    else
        printf("qxSvr.ini cannot be read in %s: %s: all keys at their defaults\n",
               WorkingDirectory().c_str(), problem.empty() ? "read error" : problem.c_str());
}

} // namespace

const char* CSvrWrapper104::DataFile()
{
    return "tmp/dbDat0.db3";
}

/* Why the live-data database is not usable, for the "pDb err" line. */
std::string CSvrWrapper104::DataDbProblem()
{
    if (m_pMngr == nullptr) {
        if (m_pfnGetDbManager == nullptr || m_pfnFreeDbManager == nullptr)
            return std::string(kLibPath) + " exports no GetDbManager or FreeDbManager";
        return std::string(kLibPath) + " gives no data-store manager";
    }
    const std::string problem = FileProblem(DataFile());
    if (!problem.empty())
        return problem;
    if (m_pDb == nullptr)
        return "the data store cannot open it";
    try {
        m_pDb->ExecScalar("select count(*) from sqlite_master");
    } catch (CppSQLite3Exception& e) {
        return ExceptionText(e);
    } catch (...) {
    }
    return "the data store cannot read it";
}

CSvrWrapper104::CSvrWrapper104()
    : m_hLib(nullptr), m_pfnGetDbManager(nullptr), m_pfnFreeDbManager(nullptr), m_pMngr(nullptr),
      m_pDb(nullptr), m_slave(nullptr), m_alParams(nullptr), m_nReports(0), m_bRunning(false),
      m_bCreated(false), m_cfgDbPath(QX_CFG_DB_PATH), m_checkOnly(false), m_tlsRefused(false),
      m_lostEventsReported(0)
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
    const bool valid = m_config.Load(kConfigFile, nullptr);
    MakePlan();
    for (const ConfigProblem& p : m_config.Problems()) {
        if (p.refused)
            printf("[CSvrWrapper104::Init] bad value in qxSvr.ini %s\r\n", p.Text().c_str());
        else
            printf("qxSvr.ini: %s\n", p.Text().c_str());
    }
    if (!m_config.FileLoaded())
        ReportUnreadConfig();
    if (!valid && !m_checkOnly) {
        /* A value that cannot be what was meant (a mistyped allow-list, a
         * common address beyond 16 bits) is worse than not starting:
         * nothing is opened, so IsOk stays false. */
        puts("  Init done");
        return;
    }
    m_refusedConnections = 0;
    m_tlsRefused = false;
    if (!m_bCreated)
        m_tls.reset();
    if (m_config.Tls().enabled && m_tls == nullptr) {
        /* A station that cannot present its certificate does not start;
         * the check goes on to the data store. */
        std::string why;
        m_tls = GatewayTls::Create(m_config.Tls(), &m_refusedConnections, &why);
        if (m_tls == nullptr) {
            printf("[CSvrWrapper104::Init] TLS: %s\r\n", why.c_str());
            m_tlsRefused = true;
            if (!m_checkOnly) {
                puts("  Init done");
                return;
            }
        } else {
            m_tls->AnnounceExpiring();
        }
    }

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
        m_pDb = m_pMngr->OpenDb(DataFile(), 0);
    else
        puts("libDb.mngr==NULL\r");

    bool ready = false;
    try {
        ready = m_pDb != nullptr && m_pDb->IsReady(0, 0);
    } catch (...) {
        ready = false;
    }
    if (!ready) {
        const std::string why = DataDbProblem(); /* before the handles go */
        m_pDb = nullptr;
        if (m_pfnFreeDbManager != nullptr)
            m_pfnFreeDbManager();
        m_pMngr = nullptr;
        dlclose(m_hLib);
        m_hLib = nullptr;
        m_pfnGetDbManager = nullptr;
        m_pfnFreeDbManager = nullptr;
        printf("pDb err: cannot open %s: %s\r\n", AbsolutePath(DataFile()).c_str(), why.c_str());
        puts("  Init done");
        return;
    }

    if (m_checkOnly)
        printf("[CSvrWrapper104::Init] check only: tbSMType is not copied from %s\r\n",
               m_cfgDbPath.c_str());
    else
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
    /* The attach would create a missing file (an empty database in the
     * flash root): look first and keep the previous copy instead. */
    struct stat info;
    if (stat(m_cfgDbPath.c_str(), &info) != 0) {
        printf("[CSvrWrapper104::Init] configuration database %s missing: %s\r\n",
               m_cfgDbPath.c_str(), strerror(errno));
        return;
    }
    bool attached = false;
    bool inTransaction = false;
    std::string failure; /* the first exception's code and message */
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
    } catch (CppSQLite3Exception& e) {
        failure = ExceptionText(e);
    } catch (...) {
        failure = "unknown exception";
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
    } catch (CppSQLite3Exception& e) {
        if (failure.empty())
            failure = ExceptionText(e);
    } catch (...) {
        if (failure.empty())
            failure = "unknown exception";
    }
    if (!failure.empty())
        printf("[CSvrWrapper104::Init] db exception: copying tbSMType from %s into %s: %s\r\n",
               m_cfgDbPath.c_str(), AbsolutePath(DataFile()).c_str(), failure.c_str());
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

std::vector<ConfigProblem> CSvrWrapper104::TableNameProblems()
{
    std::vector<std::string> tables;
    if (m_pDb == nullptr)
        return {};
    try {
        CursorGuard cur(m_pDb,
                        m_pDb->Query("select name from sqlite_master where type='table'", -1));
        for (; cur.hasRow(); m_pDb->NextRow(cur.get()))
            tables.push_back(m_pDb->GetStringField(cur.get(), "name"));
    } catch (CppSQLite3Exception& e) {
        printf("[CSvrWrapper104::TableNameProblems] db exception: %d %s\r\n", e.errorCode(),
               e.errorMessage() ? e.errorMessage() : "");
        return {};
    }
    return m_config.CheckTableNames(tables);
}

/* ------------------------------------------------------------ images */

PointImageSnapshot CSvrWrapper104::Snapshot() const
{
    return m_images.Snapshot();
}

int CSvrWrapper104::BaseAddrOf(const std::string& table) const
{
    return m_config.BaseAddrOf(table);
}
