// SPDX-License-Identifier: Apache-2.0
/*
 * bench_upddat - time of one CSvrWrapper104::UpdDat on the data sets of
 * bench_data.h (demo, large and values:N for the scaling table), each with
 * the data store's statement cache on and off (the gateway's connection is
 * reached through the library's shared manager).
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
#include "bench_data.h"

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
            gateways.push_back(qxbench::Prepare(dir, name == "large", values));
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
