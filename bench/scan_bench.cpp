// SPDX-License-Identifier: Apache-2.0
/*
 * bench_scan - the cost of reporting by exception on the large data set
 * (bench_data.h), with the data store's statement cache on as the gateway
 * runs it:
 * - Refresh: one CSvrWrapper104::UpdDat, what a scan costs without change
 *   detection;
 * - Scan: one CSvrWrapper104::SvrScan without changes: the data store is
 *   asked whether anything changed, and nothing else runs;
 * - ScanChanged: one SvrScan after another connection changed one value
 *   (its commit is not timed): refresh, snapshot, watched ranges,
 *   comparison; no slave, so nothing is queued;
 * - ScanAdds: what a scan adds to its refresh (snapshot, watched ranges,
 *   comparison without changes), measured apart because it is far below the
 *   refresh's own spread;
 * - DetectAndEncode: the worst case, every watched point changed in every
 *   scan (two images alternate), comparison plus packing into ASDUs.
 * Run with --benchmark_repetitions (and --benchmark_enable_random_interleaving)
 * to get medians of the same run.
 */
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "CppSQLite3.h"
#include "SvrWrapper104b.h"
#include "bench_data.h"
#include "event_detector.h"
#include "event_reports.h"

namespace
{

CSvrWrapper104* g_gateway = nullptr;

void BM_Refresh(benchmark::State& state)
{
    g_gateway->UpdDat();
    for (auto _ : state)
        benchmark::DoNotOptimize(g_gateway->UpdDat());
}

void BM_Scan(benchmark::State& state)
{
    g_gateway->SvrScan(); /* the first scan records the state */
    for (auto _ : state)
        g_gateway->SvrScan();
}

void BM_ScanChanged(benchmark::State& state)
{
    CppSQLite3DB writer; /* another connection, as the controller's writer */
    writer.open("tmp/dbDat0.db3");
    g_gateway->SvrScan();
    int value = 0;
    for (auto _ : state) {
        state.PauseTiming();
        CppSQLite3Buffer sql;
        writer.execDML(sql.format("update tbPower set V01=%d where SID=1", 1000 + value++ % 2));
        state.ResumeTiming();
        g_gateway->SvrScan();
    }
}

/* What a scan adds to its refresh: snapshot, watched ranges, comparison. */
void BM_ScanAdds(benchmark::State& state)
{
    EventDetector detector;
    std::vector<PointEvent> events;
    detector.Scan(ViewOf(*g_gateway->Snapshot()), {}, &events); /* records the state */
    for (auto _ : state) {
        PointImageSnapshot img = g_gateway->Snapshot();
        events.clear();
        benchmark::DoNotOptimize(
            detector.Scan(ViewOf(*img), g_gateway->WatchedRanges(*img), &events));
    }
}

void BM_DetectAndEncode(benchmark::State& state)
{
    PointImageSnapshot img = g_gateway->Snapshot();
    std::unique_ptr<PointImage> other(new PointImage(*img));
    for (int i = 0; i < PointImage::kStatusPoints; ++i)
        other->status[i] = other->status[i] != 0 ? 0 : 1;
    for (int j = 0; j < PointImage::kMeasuredPoints; ++j)
        other->measured[j] += 1000.0f;
    std::vector<WatchedRange> ranges = g_gateway->WatchedRanges(*img);
    const ScanView views[2] = {ViewOf(*img), ViewOf(*other)};
    struct sCS101_AppLayerParameters sizes = {1, 1, 2, 0, 2, 3};
    EventDetector detector;
    std::vector<PointEvent> events;
    detector.Scan(views[0], ranges, &events);
    size_t turn = 1;
    int64_t asdus = 0;
    for (auto _ : state) {
        events.clear();
        detector.Scan(views[turn++ % 2], ranges, &events);
        asdus += EncodeEvents(events, &sizes, 2, 1, 0,
                              [](CS101_ASDU asdu) { benchmark::DoNotOptimize(asdu); });
    }
    state.counters["events"] = static_cast<double>(events.size());
    state.counters["asdus"] =
        benchmark::Counter(static_cast<double>(asdus), benchmark::Counter::kAvgIterations);
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    std::unique_ptr<CSvrWrapper104> gateway;
    try {
        gateway = qxbench::Prepare(std::string(QX_BENCH_DIR) + "/scan-large", true);
    } catch (std::exception& e) {
        std::fprintf(stderr, "bench_scan: %s\n", e.what());
        return 1;
    } catch (CppSQLite3Exception& e) {
        std::fprintf(stderr, "bench_scan: %s\n", e.errorMessage());
        return 1;
    }
    g_gateway = gateway.get();
    std::printf("watched ranges: %zu\n", g_gateway->WatchedRanges(*g_gateway->Snapshot()).size());
    std::fflush(stdout);
    benchmark::RegisterBenchmark("Refresh/large", BM_Refresh)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("Scan/large", BM_Scan)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("ScanChanged/large", BM_ScanChanged)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("ScanAdds/large", BM_ScanAdds)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("DetectAndEncode/large", BM_DetectAndEncode)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
