/*
 * bench_upddat - time of one CSvrWrapper104::UpdDat.
 *
 * Two data sets, each in its own working directory under the build tree:
 * - demo: the demo data set (qxdemo);
 * - large: the demo data plus 500 devices in tbDio, tbModbusDat grown to
 *   2000 rows, and 5 served tables of 200 rows x 16 values (20 device types,
 *   320 divisor rows). The served tables' base addresses all lie in
 *   0x4001..0x5000, so their values overlap in the image; every value still
 *   costs its divisor query, which is what is measured.
 * - values:N: the demo data grown by the demo builder to N measured values
 *   in one served table (qxdemo --measured N), for the scaling table.
 * Each is timed with the data store's statement cache on and off (the
 * gateway's connection is reached through the library's shared manager).
 *
 * Statements per refresh: every connection SQLite opens in this process
 * gets a trace callback (sqlite3_auto_extension) that counts statement
 * runs (SQLITE_TRACE_STMT, one per execution from its first step), so the
 * count is SQLite's own, whatever the data store caches.
 */
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <atomic>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include "CppSQLite3.h"
#include "SvrWrapper104b.h"
#include "demo_data.h"
#include "scaled_data.h"

namespace
{

std::atomic<long long> g_statements{0};

int countStatement(unsigned, void*, void*, void*)
{
    ++g_statements;
    return 0;
}

int traceConnection(sqlite3* db, const char**, const sqlite3_api_routines*)
{
    sqlite3_trace_v2(db, SQLITE_TRACE_STMT, countStatement, nullptr);
    return SQLITE_OK;
}

/* The gateway's own connection: same library, same manager, same file. */
DbConnection* gatewayConnection(const std::string& dir)
{
    void* lib = dlopen(QXDB_LIB_PATH, RTLD_NOW | RTLD_NOLOAD);
    if (lib == nullptr)
        return nullptr;
    auto get = reinterpret_cast<GetDbManagerFn>(dlsym(lib, "GetDbManager"));
    DbConnection* db =
        get != nullptr ? get()->OpenDb((dir + "/tmp/dbDat0.db3").c_str(), 0) : nullptr;
    dlclose(lib); /* RTLD_NOLOAD took one more reference */
    return db;
}

void BM_UpdDat(benchmark::State& state, CSvrWrapper104* gateway, std::string dir)
{
    DbConnection* db = gatewayConnection(dir);
    if (db == nullptr) {
        state.SkipWithError("no data-store connection");
        return;
    }
    db->SetStatementCache(state.range(0) != 0);
    gateway->UpdDat(); /* warm the cache (or the page cache) */
    const long long before = g_statements;
    for (auto _ : state)
        benchmark::DoNotOptimize(gateway->UpdDat());
    state.counters["cached_stmts"] = db->CachedStatements();
    state.counters["stmts_per_refresh"] =
        static_cast<double>(g_statements - before) / static_cast<double>(state.iterations());
    db->SetStatementCache(true);
}

void addLargeData(const std::string& dir)
{
    CppSQLite3DB db;
    db.open((dir + "/tmp/dbDat0.db3").c_str());
    db.execDML("begin");
    CppSQLite3Statement dio = db.compileStatement(
        "insert into tbDio (SID, Type, Name, D01, D02, D03, D04, D05, D06, D07, D08) "
        "values (?, 2301, 'bench', 1, 0, 1, 0, 1, 0, 1, 0)");
    for (int sid = 100; sid < 600; ++sid) {
        dio.bind(1, sid);
        dio.execDML();
    }
    const int modbus = db.execScalar("select count(*) from tbModbusDat");
    CppSQLite3Statement mb = db.compileStatement("insert into tbModbusDat values (?, ?, ?)");
    for (int i = 0; i < 2000 - modbus; ++i) {
        char fld[32];
        std::snprintf(fld, sizeof fld, "V4%04d", 2000 + i / 48);
        mb.bind(1, 1 + i % 48);
        mb.bind(2, fld);
        mb.bind(3, i);
        mb.execDML();
    }
    CppSQLite3Statement def = db.compileStatement("insert into tbSMDef values (?, ?, ?)");
    for (int type = 2501; type <= 2520; ++type) {
        for (int fld = 1; fld <= 16; ++fld) {
            def.bind(1, type);
            def.bind(2, fld);
            def.bind(3, fld % 4 == 0 ? 10 : 1);
            def.execDML();
        }
    }
    for (int t = 1; t <= 5; ++t) {
        const std::string name = "tbVal" + std::to_string(t);
        qxdemo::CreateValueTable(db, name, 16);
        for (int sid = 1; sid <= 200; ++sid) {
            std::vector<int> values(16);
            for (int v = 0; v < 16; ++v)
                values[v] = sid * 16 + v;
            qxdemo::InsertValueRow(db, name, {sid, 2500 + (t - 1) * 4 + 1 + sid % 4, values});
        }
    }
    db.execDML("commit");

    FILE* ini = std::fopen((dir + "/qxSvr.ini").c_str(), "a");
    if (ini == nullptr)
        throw std::runtime_error("cannot extend qxSvr.ini");
    std::fputs("[Svr.BaseAddr]\n", ini);
    for (int t = 1; t <= 5; ++t)
        std::fprintf(ini, "tbVal%d=%X\n", t, 0x4100 + (t - 1) * 0x300);
    std::fclose(ini);
}

/* Builds a data set in dir and starts a gateway on it there: large adds
 * the large data, values > 0 grows the demo data to that many values. */
std::unique_ptr<CSvrWrapper104> prepare(const std::string& dir, bool large, int values)
{
    std::system(("rm -rf '" + dir + "'").c_str());
    mkdir(QX_BENCH_DIR, 0755);
    mkdir(dir.c_str(), 0755);
    if (values > 0)
        qxdemo::BuildScaled(dir, dir + "/dbCfg.db3", 0, values);
    else
        qxdemo::BuildAll(dir, dir + "/dbCfg.db3");
    if (large)
        addLargeData(dir);
    symlink(QXDB_LIB_PATH, (dir + "/libqxdb.so").c_str());
    if (chdir(dir.c_str()) != 0)
        throw std::runtime_error("cannot enter " + dir);
    std::unique_ptr<CSvrWrapper104> gw(new CSvrWrapper104);
    gw->SetConfigDbPath(dir + "/dbCfg.db3");
    gw->Init();
    if (!gw->IsOk())
        throw std::runtime_error("gateway not usable in " + dir);
    return gw;
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    sqlite3_auto_extension(reinterpret_cast<void (*)(void)>(traceConnection));
    /* Both gateways live until the end: the library's one manager serves
     * both data sets (told apart by their paths) and goes with the first
     * gateway released. */
    std::vector<std::unique_ptr<CSvrWrapper104>> gateways;
    for (const char* set : {"demo", "large", "values:1000", "values:10000", "values:30000"}) {
        const std::string name = set;
        const int values = name.compare(0, 7, "values:") == 0 ? std::atoi(set + 7) : 0;
        const std::string dir =
            std::string(QX_BENCH_DIR) + "/" + (values > 0 ? "values" + name.substr(7) : name);
        try {
            gateways.push_back(prepare(dir, name == "large", values));
        } catch (std::exception& e) {
            std::fprintf(stderr, "bench_upddat: %s\n", e.what());
            return 1;
        } catch (CppSQLite3Exception& e) {
            std::fprintf(stderr, "bench_upddat: %s\n", e.errorMessage());
            return 1;
        }
        auto* bench = benchmark::RegisterBenchmark((std::string("UpdDat/") + set).c_str(),
                                                   BM_UpdDat, gateways.back().get(), dir);
        bench->ArgName("cache")->Arg(1)->Unit(benchmark::kMillisecond);
        if (values == 0) /* the scaling sets are timed with the cache only */
            bench->Arg(0);
    }
    std::fflush(stdout);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
