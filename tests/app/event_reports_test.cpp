// SPDX-License-Identifier: Apache-2.0
/*
 * Events as ASDUs: types 30 and 36 with cause 3, every object tagged with the
 * scan's time, packed up to the ASDU's size in the detector's order. The
 * octets are judged by hand, the time tag against the C library's calendar.
 */
#include "event_reports.h"

#include "cs104_apci.h"
#include "fakes/octets.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <vector>

namespace
{

using qxtest::Octets;

/* The slave's default application-layer sizes: COT 2, CA 2, IOA 3. */
struct sCS101_AppLayerParameters DefaultSizes()
{
    struct sCS101_AppLayerParameters p = {1, 1, 2, 0, 2, 3};
    return p;
}

std::vector<Octets> Encode(const std::vector<PointEvent>& events, uint64_t seenAtMs, int* count)
{
    struct sCS101_AppLayerParameters sizes = DefaultSizes();
    std::vector<Octets> asdus;
    *count = EncodeEvents(events, &sizes, 2, 1, seenAtMs, [&asdus](CS101_ASDU asdu) {
        FrameBuffer frame;
        ASSERT_TRUE(CS104_encodeASDU(&frame, asdu));
        asdus.emplace_back(frame.msg + CS104_APCI_LENGTH, frame.msg + frame.msgSize);
    });
    return asdus;
}

/* 2026-12-08 20:33:02.345 UTC, from the C library. */
uint64_t SceneTimeMs()
{
    struct tm t = {};
    t.tm_year = 2026 - 1900;
    t.tm_mon = 11;
    t.tm_mday = 8;
    t.tm_hour = 20;
    t.tm_min = 33;
    t.tm_sec = 2;
    return static_cast<uint64_t>(timegm(&t)) * 1000 + 345;
}

/* CP56Time2a of SceneTimeMs: ms in minute, minute, hour, day (day of week 0), month, year. */
const Octets kSceneTag = {0x29, 0x09, 33, 20, 8, 12, 26}; /* 2345 ms = 0x0929 */

int Ioa(const Octets& asdu, size_t at)
{
    return asdu[at] | (asdu[at + 1] << 8) | (asdu[at + 2] << 16);
}

PointEvent Point(int ioa, bool on, uint8_t quality = 0)
{
    return {EventType::SinglePoint, ioa, on ? 1.0f : 0.0f, quality};
}

PointEvent Value(int ioa, float value, uint8_t quality = 0)
{
    return {EventType::MeasuredFloat, ioa, value, quality};
}

TEST(EventReports, StatusEvents_Type30Cause3_TwentyTwoPerAsduWithTheScanTime)
{
    std::vector<PointEvent> events;
    for (int i = 0; i < 23; ++i)
        events.push_back(Point(100 + i, i % 2 == 0, i == 22 ? 0x80 : 0));
    int count = 0;
    std::vector<Octets> asdus = Encode(events, SceneTimeMs(), &count);
    ASSERT_EQ(2, count);
    ASSERT_EQ(2u, asdus.size());
    /* Header: type 30, 22 objects, cause 3 (positive, not test), OA 2, CA 1. */
    EXPECT_EQ((Octets{30, 22, 3, 2, 1, 0}), Octets(asdus[0].begin(), asdus[0].begin() + 6));
    ASSERT_EQ(6u + 22 * 11, asdus[0].size());
    for (int i = 0; i < 22; ++i) {
        size_t at = 6 + 11 * i;
        EXPECT_EQ(100 + i, Ioa(asdus[0], at));
        EXPECT_EQ(i % 2 == 0 ? 1 : 0, asdus[0][at + 3]);
        EXPECT_EQ(kSceneTag, Octets(asdus[0].begin() + at + 4, asdus[0].begin() + at + 11));
    }
    EXPECT_EQ((Octets{30, 1, 3, 2, 1, 0}), Octets(asdus[1].begin(), asdus[1].begin() + 6));
    EXPECT_EQ(122, Ioa(asdus[1], 6));
    EXPECT_EQ(0x81, asdus[1][9]); /* invalid, on */
}

TEST(EventReports, MeasuredEvents_Type36FloatAndQuality_SixteenPerAsdu)
{
    std::vector<PointEvent> events;
    for (int i = 0; i < 17; ++i)
        events.push_back(Value(0x4001 + i, 1.5f * i));
    events.back().quality = 0x80;
    int count = 0;
    std::vector<Octets> asdus = Encode(events, SceneTimeMs(), &count);
    ASSERT_EQ(2, count);
    EXPECT_EQ((Octets{36, 16, 3, 2, 1, 0}), Octets(asdus[0].begin(), asdus[0].begin() + 6));
    ASSERT_EQ(6u + 16 * 15, asdus[0].size());
    const Octets& last = asdus[1];
    ASSERT_EQ(6u + 15, last.size());
    EXPECT_EQ(0x4011, Ioa(last, 6));
    float value;
    std::memcpy(&value, &last[9], 4); /* little-endian IEEE 754 on the hosts we test on */
    EXPECT_EQ(24.0f, value);
    EXPECT_EQ(0x80, last[13]);
    EXPECT_EQ(kSceneTag, Octets(last.begin() + 14, last.end()));
}

TEST(EventReports, TypeChanges_StartNewAsdus_OrderKept)
{
    std::vector<PointEvent> events = {Point(5, true), Point(6, false), Value(0x4002, 1.0f),
                                      Point(4, true)};
    int count = 0;
    std::vector<Octets> asdus = Encode(events, SceneTimeMs(), &count);
    ASSERT_EQ(3, count);
    ASSERT_EQ(3u, asdus.size());
    EXPECT_EQ(30, asdus[0][0]);
    EXPECT_EQ(2, asdus[0][1]);
    EXPECT_EQ(5, Ioa(asdus[0], 6));
    EXPECT_EQ(6, Ioa(asdus[0], 17));
    EXPECT_EQ(36, asdus[1][0]);
    EXPECT_EQ(0x4002, Ioa(asdus[1], 6));
    EXPECT_EQ(30, asdus[2][0]);
    EXPECT_EQ(4, Ioa(asdus[2], 6));
}

TEST(EventReports, NoEventsOrNoSink_NothingHandedOn)
{
    int count = -1;
    EXPECT_TRUE(Encode({}, SceneTimeMs(), &count).empty());
    EXPECT_EQ(0, count);
    struct sCS101_AppLayerParameters sizes = DefaultSizes();
    EXPECT_EQ(0, EncodeEvents({Point(1, true)}, &sizes, 2, 1, 0, AsduSink()));
    EXPECT_EQ(0, EncodeEvents({Point(1, true)}, nullptr, 2, 1, 0, [](CS101_ASDU) { FAIL(); }));
    EXPECT_EQ(0, EnqueueEvents(nullptr, &sizes, 2, 1, 0, {Point(1, true)}));
}

} // namespace
