// SPDX-License-Identifier: Apache-2.0
/*
 * The binary time tags CP16Time2a, CP24Time2a, CP32Time2a and CP56Time2a.
 *
 * Each record holds only its wire octets; every accessor works on them
 * directly. CP24/CP32/CP56 share one layout for their first octets, so the
 * field helpers below take the octet array and each type exposes them.
 *
 * Calendar conversions use our own proleptic Gregorian day arithmetic on
 * 64-bit counts, not the platform's time_t: on the 32-bit target time_t may be
 * 32 bits wide and would end in January 2038, while the year field reaches
 * 2099 (2127 for a received 100..127). The arithmetic is exact for every date
 * a CP56Time2a can hold and for every 64-bit millisecond timestamp.
 *
 * Negative arguments to the integer setters write the low bits that the
 * arithmetic gives; they have no defined meaning on the wire.
 */
#include "iec60870_common.h"
#include "lib_memory.h"

#include <cstring>

/* ------------------------------------------------------- shared helpers */

static int getMsInMinute(const uint8_t* octets)
{
    return octets[0] + 256 * octets[1];
}

/* Unsigned arithmetic: out-of-range values wrap to their low 16 bits, never overflow. */
static void setMsInMinute(uint8_t* octets, unsigned int value)
{
    octets[0] = static_cast<uint8_t>(value & 0xFFu);
    octets[1] = static_cast<uint8_t>((value >> 8) & 0xFFu);
}

static int getMillisecond(const uint8_t* octets)
{
    return getMsInMinute(octets) % 1000;
}

static void setMillisecond(uint8_t* octets, int value)
{
    const unsigned int seconds = static_cast<unsigned int>(getMsInMinute(octets) / 1000);
    setMsInMinute(octets, seconds * 1000u + static_cast<unsigned int>(value));
}

static int getSecond(const uint8_t* octets)
{
    return getMsInMinute(octets) / 1000;
}

static void setSecond(uint8_t* octets, int value)
{
    const unsigned int ms = static_cast<unsigned int>(getMsInMinute(octets) % 1000);
    setMsInMinute(octets, ms + static_cast<unsigned int>(value) * 1000u);
}

static void setBits(uint8_t* octet, uint8_t mask, int value)
{
    *octet = static_cast<uint8_t>((*octet & ~mask) | (value & mask));
}

static void setFlag(uint8_t* octet, uint8_t bit, bool value)
{
    if (value)
        *octet = static_cast<uint8_t>(*octet | bit);
    else
        *octet = static_cast<uint8_t>(*octet & ~bit);
}

static int getMinute(const uint8_t* octets)
{
    return octets[2] & 0x3F;
}

static void setMinute(uint8_t* octets, int value)
{
    setBits(&octets[2], 0x3F, value);
}

static int getHour(const uint8_t* octets)
{
    return octets[3] & 0x1F;
}

static void setHour(uint8_t* octets, int value)
{
    setBits(&octets[3], 0x1F, value);
}

static bool copyFromBuffer(uint8_t* target, int size, const uint8_t* msg, int msgSize,
                           int startIndex)
{
    if (msg == nullptr || startIndex < 0 || msgSize - startIndex < size)
        return false;
    memcpy(target, msg + startIndex, static_cast<size_t>(size));
    return true;
}

/* ------------------------------------------------- calendar arithmetic */

/* Days from 1970-01-01 to the given proleptic Gregorian date (month 1..12). */
static int64_t daysFromCivil(int64_t year, int64_t month, int64_t day)
{
    year -= month <= 2 ? 1 : 0;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t yearOfEra = year - era * 400;
    const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

struct CivilDate {
    int64_t year;
    int month; /* 1..12 */
    int day;   /* 1..31 */
};

/* The proleptic Gregorian date of a day count from 1970-01-01 (days >= 0 here). */
static CivilDate civilFromDays(int64_t days)
{
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t dayOfEra = days - era * 146097;
    const int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t mp = (5 * dayOfYear + 2) / 153;
    CivilDate date;
    date.day = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
    date.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    date.year = yearOfEra + era * 400 + (date.month <= 2 ? 1 : 0);
    return date;
}

/* Time of day and date of a millisecond timestamp, all in UTC. */
struct BrokenDownTime {
    int millisecond;
    int second;
    int minute;
    int hour;
    CivilDate date;
};

static BrokenDownTime breakDown(uint64_t timestamp)
{
    const uint64_t seconds = timestamp / 1000;
    const uint64_t secondOfDay = seconds % 86400;
    BrokenDownTime t;
    t.millisecond = static_cast<int>(timestamp % 1000);
    t.second = static_cast<int>(secondOfDay % 60);
    t.minute = static_cast<int>((secondOfDay / 60) % 60);
    t.hour = static_cast<int>(secondOfDay / 3600);
    t.date = civilFromDays(static_cast<int64_t>(seconds / 86400));
    return t;
}

/* ------------------------------------------------------------ CP16Time2a */

int CP16Time2a_getEplapsedTimeInMs(CP16Time2a self)
{
    return getMsInMinute(self->encodedValue);
}

void CP16Time2a_setEplapsedTimeInMs(CP16Time2a self, int value)
{
    setMsInMinute(self->encodedValue, static_cast<unsigned int>(value));
}

bool CP16Time2a_getFromBuffer(CP16Time2a self, uint8_t* msg, int msgSize, int startIndex)
{
    return copyFromBuffer(self->encodedValue, 2, msg, msgSize, startIndex);
}

uint8_t* CP16Time2a_getEncodedValue(CP16Time2a self)
{
    return self->encodedValue;
}

/* ------------------------------------------------------------ CP24Time2a */

int CP24Time2a_getMillisecond(CP24Time2a self)
{
    return getMillisecond(self->encodedValue);
}

void CP24Time2a_setMillisecond(CP24Time2a self, int value)
{
    setMillisecond(self->encodedValue, value);
}

int CP24Time2a_getSecond(CP24Time2a self)
{
    return getSecond(self->encodedValue);
}

void CP24Time2a_setSecond(CP24Time2a self, int value)
{
    setSecond(self->encodedValue, value);
}

int CP24Time2a_getMinute(CP24Time2a self)
{
    return getMinute(self->encodedValue);
}

void CP24Time2a_setMinute(CP24Time2a self, int value)
{
    setMinute(self->encodedValue, value);
}

bool CP24Time2a_isInvalid(CP24Time2a self)
{
    return (self->encodedValue[2] & 0x80) != 0;
}

void CP24Time2a_setInvalid(CP24Time2a self, bool value)
{
    setFlag(&self->encodedValue[2], 0x80, value);
}

bool CP24Time2a_isSubstituted(CP24Time2a self)
{
    return (self->encodedValue[2] & 0x40) != 0;
}

void CP24Time2a_setSubstituted(CP24Time2a self, bool value)
{
    setFlag(&self->encodedValue[2], 0x40, value);
}

bool CP24Time2a_getFromBuffer(CP24Time2a self, uint8_t* msg, int msgSize, int startIndex)
{
    return copyFromBuffer(self->encodedValue, 3, msg, msgSize, startIndex);
}

/* ------------------------------------------------------------ CP32Time2a */

CP32Time2a CP32Time2a_create(CP32Time2a self)
{
    if (self == nullptr)
        return static_cast<CP32Time2a>(Memory_calloc(1, sizeof(struct sCP32Time2a)));
    memset(self->encodedValue, 0, sizeof(self->encodedValue));
    return self;
}

void CP32Time2a_setFromMsTimestamp(CP32Time2a self, uint64_t timestamp)
{
    const BrokenDownTime t = breakDown(timestamp);
    setSecond(self->encodedValue, t.second);
    setMillisecond(self->encodedValue, t.millisecond);
    setMinute(self->encodedValue, t.minute);
    setHour(self->encodedValue, t.hour);
}

int CP32Time2a_getMillisecond(CP32Time2a self)
{
    return getMillisecond(self->encodedValue);
}

void CP32Time2a_setMillisecond(CP32Time2a self, int value)
{
    setMillisecond(self->encodedValue, value);
}

int CP32Time2a_getSecond(CP32Time2a self)
{
    return getSecond(self->encodedValue);
}

void CP32Time2a_setSecond(CP32Time2a self, int value)
{
    setSecond(self->encodedValue, value);
}

int CP32Time2a_getMinute(CP32Time2a self)
{
    return getMinute(self->encodedValue);
}

void CP32Time2a_setMinute(CP32Time2a self, int value)
{
    setMinute(self->encodedValue, value);
}

bool CP32Time2a_isInvalid(CP32Time2a self)
{
    return (self->encodedValue[2] & 0x80) != 0;
}

void CP32Time2a_setInvalid(CP32Time2a self, bool value)
{
    setFlag(&self->encodedValue[2], 0x80, value);
}

bool CP32Time2a_isSubstituted(CP32Time2a self)
{
    return (self->encodedValue[2] & 0x40) != 0;
}

void CP32Time2a_setSubstituted(CP32Time2a self, bool value)
{
    setFlag(&self->encodedValue[2], 0x40, value);
}

int CP32Time2a_getHour(CP32Time2a self)
{
    return getHour(self->encodedValue);
}

void CP32Time2a_setHour(CP32Time2a self, int value)
{
    setHour(self->encodedValue, value);
}

bool CP32Time2a_isSummerTime(CP32Time2a self)
{
    return (self->encodedValue[3] & 0x80) != 0;
}

void CP32Time2a_setSummerTime(CP32Time2a self, bool value)
{
    setFlag(&self->encodedValue[3], 0x80, value);
}

bool CP32Time2a_getFromBuffer(CP32Time2a self, uint8_t* msg, int msgSize, int startIndex)
{
    return copyFromBuffer(self->encodedValue, 4, msg, msgSize, startIndex);
}

uint8_t* CP32Time2a_getEncodedValue(CP32Time2a self)
{
    return self->encodedValue;
}

/* ------------------------------------------------------------ CP56Time2a */

CP56Time2a CP56Time2a_createFromMsTimestamp(CP56Time2a self, uint64_t timestamp)
{
    if (self == nullptr)
        self = static_cast<CP56Time2a>(Memory_calloc(1, sizeof(struct sCP56Time2a)));
    else
        memset(self->encodedValue, 0, sizeof(self->encodedValue));
    if (self != nullptr)
        CP56Time2a_setFromMsTimestamp(self, timestamp);
    return self;
}

void CP56Time2a_setFromMsTimestamp(CP56Time2a self, uint64_t timestamp)
{
    const BrokenDownTime t = breakDown(timestamp);
    CP56Time2a_setMillisecond(self, t.millisecond);
    CP56Time2a_setSecond(self, t.second);
    CP56Time2a_setMinute(self, t.minute);
    CP56Time2a_setHour(self, t.hour);
    CP56Time2a_setDayOfMonth(self, t.date.day);
    /* The weekday is "not used" (0) rather than computed: receivers must not rely on it. */
    CP56Time2a_setDayOfWeek(self, 0);
    CP56Time2a_setMonth(self, t.date.month);
    CP56Time2a_setYear(self, static_cast<int>(t.date.year % 100));
}

uint64_t CP56Time2a_toMsTimestamp(CP56Time2a self)
{
    /* Months 0 and 13..15 are not dates; carry them into the year so the
     * arithmetic stays defined (month 13 is January of the next year). */
    int64_t year = 2000 + CP56Time2a_getYear(self);
    int64_t monthIndex = CP56Time2a_getMonth(self) - 1;
    if (monthIndex < 0) {
        monthIndex += 12;
        year -= 1;
    }
    year += monthIndex / 12;
    monthIndex %= 12;

    const int64_t days = daysFromCivil(year, monthIndex + 1, CP56Time2a_getDayOfMonth(self));
    const int64_t seconds =
        ((days * 24 + CP56Time2a_getHour(self)) * 60 + CP56Time2a_getMinute(self)) * 60 +
        CP56Time2a_getSecond(self);
    return static_cast<uint64_t>(seconds * 1000 + CP56Time2a_getMillisecond(self));
}

int CP56Time2a_getMillisecond(CP56Time2a self)
{
    return getMillisecond(self->encodedValue);
}

void CP56Time2a_setMillisecond(CP56Time2a self, int value)
{
    setMillisecond(self->encodedValue, value);
}

int CP56Time2a_getSecond(CP56Time2a self)
{
    return getSecond(self->encodedValue);
}

void CP56Time2a_setSecond(CP56Time2a self, int value)
{
    setSecond(self->encodedValue, value);
}

int CP56Time2a_getMinute(CP56Time2a self)
{
    return getMinute(self->encodedValue);
}

void CP56Time2a_setMinute(CP56Time2a self, int value)
{
    setMinute(self->encodedValue, value);
}

bool CP56Time2a_isInvalid(CP56Time2a self)
{
    return (self->encodedValue[2] & 0x80) != 0;
}

void CP56Time2a_setInvalid(CP56Time2a self, bool value)
{
    setFlag(&self->encodedValue[2], 0x80, value);
}

bool CP56Time2a_isSubstituted(CP56Time2a self)
{
    return (self->encodedValue[2] & 0x40) != 0;
}

void CP56Time2a_setSubstituted(CP56Time2a self, bool value)
{
    setFlag(&self->encodedValue[2], 0x40, value);
}

int CP56Time2a_getHour(CP56Time2a self)
{
    return getHour(self->encodedValue);
}

void CP56Time2a_setHour(CP56Time2a self, int value)
{
    setHour(self->encodedValue, value);
}

bool CP56Time2a_isSummerTime(CP56Time2a self)
{
    return (self->encodedValue[3] & 0x80) != 0;
}

void CP56Time2a_setSummerTime(CP56Time2a self, bool value)
{
    setFlag(&self->encodedValue[3], 0x80, value);
}

int CP56Time2a_getDayOfWeek(CP56Time2a self)
{
    return self->encodedValue[4] >> 5;
}

void CP56Time2a_setDayOfWeek(CP56Time2a self, int value)
{
    setBits(&self->encodedValue[4], 0xE0,
            static_cast<int>((static_cast<unsigned int>(value) << 5) & 0xE0u));
}

int CP56Time2a_getDayOfMonth(CP56Time2a self)
{
    return self->encodedValue[4] & 0x1F;
}

void CP56Time2a_setDayOfMonth(CP56Time2a self, int value)
{
    setBits(&self->encodedValue[4], 0x1F, value);
}

int CP56Time2a_getMonth(CP56Time2a self)
{
    return self->encodedValue[5] & 0x0F;
}

void CP56Time2a_setMonth(CP56Time2a self, int value)
{
    setBits(&self->encodedValue[5], 0x0F, value);
}

int CP56Time2a_getYear(CP56Time2a self)
{
    return self->encodedValue[6] & 0x7F;
}

void CP56Time2a_setYear(CP56Time2a self, int value)
{
    setBits(&self->encodedValue[6], 0x7F, value % 100);
}

bool CP56Time2a_getFromBuffer(CP56Time2a self, uint8_t* msg, int msgSize, int startIndex)
{
    return copyFromBuffer(self->encodedValue, 7, msg, msgSize, startIndex);
}

uint8_t* CP56Time2a_getEncodedValue(CP56Time2a self)
{
    return self->encodedValue;
}
