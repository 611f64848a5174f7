// SPDX-License-Identifier: Apache-2.0
/*
 * bench_encode - cost of building and encoding the ASDUs the gateway sends,
 * and of one enqueue.
 *
 * - one ASDU of 28 single points (M_SP_NA_1) or 28 short floats (M_ME_NC_1):
 *   create the ASDU, add 28 objects through one reused object record (as the
 *   gateway's reports do), encode it into an I frame buffer, destroy it;
 * - one enqueue: an encoded 28-float ASDU put into a 100-slot low-priority
 *   queue (steady state: every enqueue overwrites the oldest entry).
 */
#include <benchmark/benchmark.h>

#include "cs101_information_objects.h"
#include "cs104_apci.h"
#include "cs104_queues.h"
#include "iec60870_common.h"

namespace
{

struct sCS101_AppLayerParameters kParameters = {1, 1, 2, 0, 2, 3};
const int kObjects = 28;

CS101_ASDU singlePointAsdu(int first)
{
    CS101_ASDU asdu =
        CS101_ASDU_create(&kParameters, false, CS101_COT_PERIODIC, 2, 1, false, false);
    SinglePointInformation point = nullptr;
    for (int i = 0; i < kObjects; ++i) {
        point =
            SinglePointInformation_create(point, first + i, (i & 1) != 0, IEC60870_QUALITY_GOOD);
        CS101_ASDU_addInformationObject(asdu, reinterpret_cast<InformationObject>(point));
    }
    SinglePointInformation_destroy(point);
    return asdu;
}

CS101_ASDU shortFloatAsdu(int first)
{
    CS101_ASDU asdu =
        CS101_ASDU_create(&kParameters, false, CS101_COT_PERIODIC, 2, 1, false, false);
    MeasuredValueShort value = nullptr;
    for (int i = 0; i < kObjects; ++i) {
        value = MeasuredValueShort_create(value, first + i, 0.5f * static_cast<float>(i),
                                          IEC60870_QUALITY_GOOD);
        CS101_ASDU_addInformationObject(asdu, reinterpret_cast<InformationObject>(value));
    }
    MeasuredValueShort_destroy(value);
    return asdu;
}

/* Builds and encodes one ASDU per iteration; an unexpected frame size
 * marks the run as failed rather than timing the wrong work. */
void encodeEach(benchmark::State& state, CS101_ASDU (*build)(int), int first, int elementSize)
{
    FrameBuffer frame;
    for (auto _ : state) {
        CS101_ASDU asdu = build(first);
        CS104_encodeASDU(&frame, asdu);
        benchmark::DoNotOptimize(frame.msgSize);
        CS101_ASDU_destroy(asdu);
    }
    if (frame.msgSize != CS104_APCI_LENGTH + 6 + kObjects * elementSize)
        state.SkipWithError("unexpected frame size");
}

void BM_EncodeSinglePoints28(benchmark::State& state)
{
    encodeEach(state, singlePointAsdu, 1, 4);
}
BENCHMARK(BM_EncodeSinglePoints28)->Unit(benchmark::kNanosecond);

void BM_EncodeShortFloats28(benchmark::State& state)
{
    encodeEach(state, shortFloatAsdu, 0x4001, 8);
}
BENCHMARK(BM_EncodeShortFloats28)->Unit(benchmark::kNanosecond);

void BM_Enqueue(benchmark::State& state)
{
    MessageQueue queue = MessageQueue_create(100);
    CS101_ASDU asdu = shortFloatAsdu(0x4001);
    for (auto _ : state)
        benchmark::DoNotOptimize(MessageQueue_enqueueASDU(queue, asdu));
    CS101_ASDU_destroy(asdu);
    MessageQueue_destroy(queue);
}
BENCHMARK(BM_Enqueue)->Unit(benchmark::kNanosecond);

} // namespace

BENCHMARK_MAIN();
