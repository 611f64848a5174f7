/*
 * bench_upddat - time of one CSvrWrapper104::UpdDat on the demo and the
 * large data set (bench_data.h), each with the data store's statement cache
 * on and off (the gateway's connection is reached through the library's
 * shared manager).
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

#include <benchmark/benchmark.h>

#include "CppSQLite3.h"
#include "SvrWrapper104b.h"
#include "bench_data.h"

namespace
{

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
    for (auto _ : state)
        benchmark::DoNotOptimize(gateway->UpdDat());
    state.counters["cached_stmts"] = db->CachedStatements();
    db->SetStatementCache(true);
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    /* Both gateways live until the end: the library's one manager serves
     * both data sets (told apart by their paths) and goes with the first
     * gateway released. */
    std::vector<std::unique_ptr<CSvrWrapper104>> gateways;
    for (const char* set : {"demo", "large"}) {
        const std::string dir = std::string(QX_BENCH_DIR) + "/" + set;
        try {
            gateways.push_back(qxbench::Prepare(dir, std::string(set) == "large"));
        } catch (std::exception& e) {
            std::fprintf(stderr, "bench_upddat: %s\n", e.what());
            return 1;
        } catch (CppSQLite3Exception& e) {
            std::fprintf(stderr, "bench_upddat: %s\n", e.errorMessage());
            return 1;
        }
        benchmark::RegisterBenchmark((std::string("UpdDat/") + set).c_str(), BM_UpdDat,
                                     gateways.back().get(), dir)
            ->ArgName("cache")
            ->Arg(1)
            ->Arg(0)
            ->Unit(benchmark::kMillisecond);
    }
    std::fflush(stdout);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
