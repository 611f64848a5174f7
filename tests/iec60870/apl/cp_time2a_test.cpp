// SPDX-License-Identifier: Apache-2.0
// Time tags: field accessors on the wire octets and the calendar conversions.
// Expected octets and millisecond values were worked out by hand / with an
// independent calendar, not with these functions.
#include "iec60870_common.h"
#include "lib_memory.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace
{

using Octets7 = std::array<uint8_t, 7>;

Octets7 octetsOf(const sCP56Time2a& time)
{
    Octets7 octets;
    for (size_t i = 0; i < octets.size(); i++)
        octets[i] = time.encodedValue[i];
    return octets;
}

sCP56Time2a cp56From(const Octets7& octets)
{
    sCP56Time2a time;
    for (size_t i = 0; i < octets.size(); i++)
        time.encodedValue[i] = octets[i];
    return time;
}

TEST(CP24Time2a, setMillisecond_keepsSecondsAndCarries)
{
    uint8_t msg[] = {0x10, 0x27, 0x00};
    sCP24Time2a time;
    ASSERT_TRUE(CP24Time2a_getFromBuffer(&time, msg, 3, 0));
    EXPECT_EQ(10, CP24Time2a_getSecond(&time));
    EXPECT_EQ(0, CP24Time2a_getMillisecond(&time));

    CP24Time2a_setMillisecond(&time, 999);
    EXPECT_EQ(0xF7, time.encodedValue[0]);
    EXPECT_EQ(0x2A, time.encodedValue[1]);

    CP24Time2a_setMillisecond(&time, 1500); // carries into the seconds: 10000 + 1500
    EXPECT_EQ(11, CP24Time2a_getSecond(&time));
    EXPECT_EQ(500, CP24Time2a_getMillisecond(&time));
}

TEST(CP24Time2a, setSecond_keepsMilliseconds)
{
    sCP24Time2a time = {{0xF4, 0x01, 0x00}}; // 500 ms
    CP24Time2a_setSecond(&time, 59);
    EXPECT_EQ(0x6C, time.encodedValue[0]); // 59500 = 0xE86C
    EXPECT_EQ(0xE8, time.encodedValue[1]);
    EXPECT_EQ(500, CP24Time2a_getMillisecond(&time));
}

TEST(CP24Time2a, minuteAndFlags_shareOctetTwoWithoutDisturbingEachOther)
{
    sCP24Time2a time = {{0, 0, 0}};
    CP24Time2a_setInvalid(&time, true);
    CP24Time2a_setSubstituted(&time, true);
    CP24Time2a_setMinute(&time, 0xFF); // masked to 6 bits
    EXPECT_EQ(0xFF, time.encodedValue[2]);
    EXPECT_EQ(63, CP24Time2a_getMinute(&time));
    CP24Time2a_setMinute(&time, 7);
    EXPECT_EQ(0xC7, time.encodedValue[2]);
    CP24Time2a_setInvalid(&time, false);
    EXPECT_FALSE(CP24Time2a_isInvalid(&time));
    EXPECT_TRUE(CP24Time2a_isSubstituted(&time));
    EXPECT_EQ(0x47, time.encodedValue[2]);
}

TEST(CP16Time2a, elapsedTime_isLittleEndian16Bit)
{
    sCP16Time2a time = {{0, 0}};
    CP16Time2a_setEplapsedTimeInMs(&time, 0xABCD);
    EXPECT_EQ(0xCD, CP16Time2a_getEncodedValue(&time)[0]);
    EXPECT_EQ(0xAB, CP16Time2a_getEncodedValue(&time)[1]);
    EXPECT_EQ(0xABCD, CP16Time2a_getEplapsedTimeInMs(&time));
    CP16Time2a_setEplapsedTimeInMs(&time, 70000); // 70000 mod 65536 = 4464
    EXPECT_EQ(4464, CP16Time2a_getEplapsedTimeInMs(&time));
}

TEST(TimeTags, getFromBuffer_needsWholeTagAndLeavesRecordOnFailure)
{
    const uint8_t pattern[] = {1, 2, 3, 4, 5, 6, 7, 8};
    struct Case {
        int size;
        bool (*read)(uint8_t* record, uint8_t* msg, int msgSize, int startIndex);
    };
    const Case cases[] = {
        {2,
         [](uint8_t* r, uint8_t* m, int s, int i) {
             return CP16Time2a_getFromBuffer(reinterpret_cast<CP16Time2a>(r), m, s, i);
         }},
        {3,
         [](uint8_t* r, uint8_t* m, int s, int i) {
             return CP24Time2a_getFromBuffer(reinterpret_cast<CP24Time2a>(r), m, s, i);
         }},
        {4,
         [](uint8_t* r, uint8_t* m, int s, int i) {
             return CP32Time2a_getFromBuffer(reinterpret_cast<CP32Time2a>(r), m, s, i);
         }},
        {7,
         [](uint8_t* r, uint8_t* m, int s, int i) {
             return CP56Time2a_getFromBuffer(reinterpret_cast<CP56Time2a>(r), m, s, i);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        // Exactly sized heap copy starting at index 1, so an over-read is caught.
        const int msgSize = 1 + c.size;
        std::unique_ptr<uint8_t[]> msg(new uint8_t[msgSize]);
        std::copy(pattern, pattern + msgSize, msg.get());

        uint8_t record[7] = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
        EXPECT_FALSE(c.read(record, msg.get(), msgSize - 1, 1));
        for (int i = 0; i < 7; i++)
            EXPECT_EQ(0xEE, record[i]);
        EXPECT_FALSE(c.read(record, msg.get(), msgSize, -1));

        ASSERT_TRUE(c.read(record, msg.get(), msgSize, 1));
        for (int i = 0; i < c.size; i++)
            EXPECT_EQ(pattern[1 + i], record[i]);
        for (int i = c.size; i < 7; i++)
            EXPECT_EQ(0xEE, record[i]); // nothing written past the tag
    }
}

TEST(CP32Time2a, create_zeroesCallerRecordOrAllocates)
{
    sCP32Time2a local = {{9, 9, 9, 9}};
    EXPECT_EQ(&local, CP32Time2a_create(&local));
    for (uint8_t octet : local.encodedValue)
        EXPECT_EQ(0, octet);

    CP32Time2a heap = CP32Time2a_create(nullptr);
    ASSERT_NE(nullptr, heap);
    for (uint8_t octet : heap->encodedValue)
        EXPECT_EQ(0, octet);
    Memory_free(heap);
}

TEST(CP32Time2a, setFromMsTimestamp_after2038_setsTimeOfDayAndKeepsFlags)
{
    sCP32Time2a time = {{0, 0, 0xC0, 0xE0}};                // IV, SB, SU and both reserved bits
    CP32Time2a_setFromMsTimestamp(&time, 2225048709321ULL); // 2040-07-04 21:05:09.321
    EXPECT_EQ(9, CP32Time2a_getSecond(&time));
    EXPECT_EQ(321, CP32Time2a_getMillisecond(&time));
    EXPECT_EQ(5, CP32Time2a_getMinute(&time));
    EXPECT_EQ(21, CP32Time2a_getHour(&time));
    EXPECT_EQ(0xC5, time.encodedValue[2]);
    EXPECT_EQ(0xE0 | 21, time.encodedValue[3]);
    EXPECT_TRUE(CP32Time2a_isSummerTime(&time));
}

struct CalendarCase {
    const char* name;
    uint64_t ms;
    int year; // years since 2000 as stored
    int month, day, hour, minute, second, millisecond;
};

class CP56Calendar : public ::testing::TestWithParam<CalendarCase>
{
};

TEST_P(CP56Calendar, setFromMsTimestampThenToMs_roundTripsExactly)
{
    const CalendarCase& c = GetParam();
    sCP56Time2a time;
    ASSERT_EQ(&time, CP56Time2a_createFromMsTimestamp(&time, c.ms));
    EXPECT_EQ(c.year, CP56Time2a_getYear(&time));
    EXPECT_EQ(c.month, CP56Time2a_getMonth(&time));
    EXPECT_EQ(c.day, CP56Time2a_getDayOfMonth(&time));
    EXPECT_EQ(c.hour, CP56Time2a_getHour(&time));
    EXPECT_EQ(c.minute, CP56Time2a_getMinute(&time));
    EXPECT_EQ(c.second, CP56Time2a_getSecond(&time));
    EXPECT_EQ(c.millisecond, CP56Time2a_getMillisecond(&time));
    EXPECT_EQ(0, CP56Time2a_getDayOfWeek(&time));
    EXPECT_EQ(c.ms, CP56Time2a_toMsTimestamp(&time));
}

INSTANTIATE_TEST_SUITE_P(
    LeapDaysAndYear2038, CP56Calendar,
    ::testing::Values(CalendarCase{"leap2000", 951827696789ULL, 0, 2, 29, 12, 34, 56, 789},
                      CalendarCase{"leap2036", 2087856000000ULL, 36, 2, 29, 0, 0, 0, 0},
                      CalendarCase{"last32bit", 2147483647000ULL, 38, 1, 19, 3, 14, 7, 0},
                      CalendarCase{"first64bit", 2147483648000ULL, 38, 1, 19, 3, 14, 8, 0},
                      CalendarCase{"mid2040", 2225048709321ULL, 40, 7, 4, 21, 5, 9, 321},
                      CalendarCase{"leap2096", 3981394801002ULL, 96, 2, 29, 23, 0, 1, 2},
                      CalendarCase{"end2099", 4102444799999ULL, 99, 12, 31, 23, 59, 59, 999}),
    [](const ::testing::TestParamInfo<CalendarCase>& info) { return info.param.name; });

TEST(CP56Time2a, setFromMsTimestamp_writesExactOctets)
{
    struct Case {
        uint64_t ms;
        Octets7 octets;
    };
    const Case cases[] = {
        // 2038-01-19 03:14:08.000: 8000 ms = 0x1F40, minute 14, hour 3, day 19, Jan, year 38
        {2147483648000ULL, {0x40, 0x1F, 0x0E, 0x03, 0x13, 0x01, 0x26}},
        // 2099-12-31 23:59:59.999: 59999 = 0xEA5F
        {4102444799999ULL, {0x5F, 0xEA, 0x3B, 0x17, 0x1F, 0x0C, 0x63}},
        // 2000-02-29 12:34:56.789: 56789 = 0xDDD5
        {951827696789ULL, {0xD5, 0xDD, 0x22, 0x0C, 0x1D, 0x02, 0x00}},
    };
    for (const Case& c : cases) {
        sCP56Time2a time;
        CP56Time2a_createFromMsTimestamp(&time, c.ms);
        EXPECT_EQ(c.octets, octetsOf(time)) << c.ms;
        sCP56Time2a parsed = cp56From(c.octets);
        EXPECT_EQ(c.ms, CP56Time2a_toMsTimestamp(&parsed)) << c.ms;
    }
}

TEST(CP56Time2a, createFromMsTimestamp_epochIsStoredAsYear70AndReadAs2070)
{
    CP56Time2a time = CP56Time2a_createFromMsTimestamp(nullptr, 0);
    ASSERT_NE(nullptr, time);
    EXPECT_EQ(70, CP56Time2a_getYear(time));
    EXPECT_EQ(1, CP56Time2a_getMonth(time));
    EXPECT_EQ(1, CP56Time2a_getDayOfMonth(time));
    EXPECT_EQ(0, CP56Time2a_getHour(time));
    EXPECT_EQ(3155760000000ULL, CP56Time2a_toMsTimestamp(time)); // 2070-01-01
    Memory_free(time);
}

TEST(CP56Time2a, setFromMsTimestamp_1999IsStoredAsYear99AndReadAs2099)
{
    sCP56Time2a time;
    CP56Time2a_createFromMsTimestamp(&time, 946684799999ULL); // 1999-12-31 23:59:59.999
    EXPECT_EQ(99, CP56Time2a_getYear(&time));
    EXPECT_EQ(4102444799999ULL, CP56Time2a_toMsTimestamp(&time));
}

TEST(CP56Time2a, setFromMsTimestamp_keepsFlagsAndReservedBitsAndClearsWeekday)
{
    sCP56Time2a time = {{0, 0, 0, 0, 0, 0, 0}};
    CP56Time2a_setSummerTime(&time, true);
    CP56Time2a_setInvalid(&time, true);
    CP56Time2a_setSubstituted(&time, true);
    CP56Time2a_setDayOfWeek(&time, 5);
    time.encodedValue[3] |= 0x60; // reserved bits of the hour octet
    time.encodedValue[5] |= 0xF0; // reserved bits of the month octet
    time.encodedValue[6] |= 0x80; // reserved bit of the year octet

    CP56Time2a_setFromMsTimestamp(&time, 2147483648000ULL);

    EXPECT_TRUE(CP56Time2a_isSummerTime(&time));
    EXPECT_TRUE(CP56Time2a_isInvalid(&time));
    EXPECT_TRUE(CP56Time2a_isSubstituted(&time));
    EXPECT_EQ(0, CP56Time2a_getDayOfWeek(&time));
    EXPECT_EQ(0x60 | 0x80 | 3, time.encodedValue[3]);
    EXPECT_EQ(0xF1, time.encodedValue[5]);
    EXPECT_EQ(0x80 | 38, time.encodedValue[6]);
    EXPECT_EQ(38, CP56Time2a_getYear(&time));
    // Flags do not enter the conversion back.
    EXPECT_EQ(2147483648000ULL, CP56Time2a_toMsTimestamp(&time));
}

TEST(CP56Time2a, createFromMsTimestamp_clearsEveryFlagOfACallerRecord)
{
    sCP56Time2a time = {{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}};
    CP56Time2a_createFromMsTimestamp(&time, 2087856000000ULL);
    EXPECT_EQ((Octets7{0x00, 0x00, 0x00, 0x00, 0x1D, 0x02, 0x24}), octetsOf(time));
}

TEST(CP56Time2a, setYear_storesValueModulo100)
{
    sCP56Time2a time = {{0, 0, 0, 0, 0, 0, 0x80}};
    for (int value : {2026, 126, 26}) {
        CP56Time2a_setYear(&time, value);
        EXPECT_EQ(26, CP56Time2a_getYear(&time)) << value;
        EXPECT_EQ(0x80 | 26, time.encodedValue[6]) << value;
    }
}

TEST(CP56Time2a, dateSetters_maskToTheirFieldsAndKeepNeighbours)
{
    sCP56Time2a time = {{0, 0, 0, 0, 0, 0, 0}};
    CP56Time2a_setDayOfWeek(&time, 7);
    CP56Time2a_setDayOfMonth(&time, 31);
    EXPECT_EQ(0xFF, time.encodedValue[4]);
    CP56Time2a_setDayOfMonth(&time, 1);
    EXPECT_EQ(7, CP56Time2a_getDayOfWeek(&time));
    EXPECT_EQ(0xE1, time.encodedValue[4]);
    CP56Time2a_setDayOfWeek(&time, 9); // 9 << 5 keeps bits 5-7 only: 1
    EXPECT_EQ(1, CP56Time2a_getDayOfWeek(&time));
    CP56Time2a_setMonth(&time, 0x1C); // masked to 0x0C
    EXPECT_EQ(12, CP56Time2a_getMonth(&time));
    CP56Time2a_setHour(&time, 0x37); // masked to 23
    EXPECT_EQ(23, CP56Time2a_getHour(&time));
    EXPECT_FALSE(CP56Time2a_isSummerTime(&time));
}

TEST(CP56Time2a, getYear_receivedYearAbove99IsNotReducedAndConvertsAsGregorian)
{
    // Year field 127 -> 2127-12-31 00:00:00 (2100 is a common year).
    sCP56Time2a time = cp56From({0x00, 0x00, 0x00, 0x00, 0x1F, 0x0C, 0x7F});
    EXPECT_EQ(127, CP56Time2a_getYear(&time));
    EXPECT_EQ(4985884800000ULL, CP56Time2a_toMsTimestamp(&time));

    sCP56Time2a march2100 = cp56From({0x00, 0x00, 0x00, 0x00, 0x01, 0x03, 0x64});
    EXPECT_EQ(4107542400000ULL, CP56Time2a_toMsTimestamp(&march2100));
}

TEST(CP56Time2a, toMsTimestamp_monthOutsideCalendarCarriesIntoYear)
{
    // Month 13 of 2025 is January 2026; month 0 of 2026 is December 2025.
    sCP56Time2a month13 = cp56From({0x00, 0x00, 0x00, 0x00, 0x01, 0x0D, 0x19});
    sCP56Time2a january = cp56From({0x00, 0x00, 0x00, 0x00, 0x01, 0x01, 0x1A});
    EXPECT_EQ(CP56Time2a_toMsTimestamp(&january), CP56Time2a_toMsTimestamp(&month13));
    sCP56Time2a month0 = cp56From({0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x1A});
    sCP56Time2a december = cp56From({0x00, 0x00, 0x00, 0x00, 0x01, 0x0C, 0x19});
    EXPECT_EQ(CP56Time2a_toMsTimestamp(&december), CP56Time2a_toMsTimestamp(&month0));
}

} // namespace
