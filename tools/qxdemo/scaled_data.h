// SPDX-License-Identifier: Apache-2.0
/*
 * scaled_data.h - the demo data set grown to a chosen size, up to full
 * images, for the benchmarks and for tests of large configurations.
 *
 * The demo data set (demo_data.h) plus:
 * - device type kBulkDeviceType ("DI16", 16 inputs) in tbSMType of both
 *   databases, and devices of that type in tbDio (SID kFirstBulkSid on), so
 *   that the status image holds at least statusPoints inputs from index 0
 *   (the demo's own devices give the first 28);
 * - a served value table kBulkTable of kBulkValueColumns value columns with
 *   measuredValues / kBulkValueColumns rows (rounded up) of that type,
 *   "Svr.BaseAddr" kBulkBaseAddr, every column with a tbSMDef divisor
 *   (1, 10 or 100 in turn).
 * The bulk values start at measured index kBulkBaseAddr - 0x4000, after
 * every demo range, so a full table of 30 000 values still fits the image.
 *
 * Sizes: 0 <= statusPoints <= 32768, 0 <= measuredValues <= kMaxBulkValues;
 * other sizes throw std::invalid_argument. Database errors are thrown as
 * CppSQLite3Exception, file errors as std::runtime_error.
 */
#ifndef QXDEMO_SCALED_DATA_H
#define QXDEMO_SCALED_DATA_H

#include <string>

namespace qxdemo
{

constexpr int kBulkDeviceType = 2320;
constexpr int kFirstBulkSid = 1000;
constexpr int kBulkInputs = 16;
constexpr int kBulkTableType = 2520;
constexpr int kBulkValueColumns = 10;
constexpr int kBulkBaseAddr = 0x4A00;
constexpr int kMaxStatusPoints = 32768;
constexpr int kMaxBulkValues = 30000;
const char* const kBulkTable = "tbBulk";

/* Status inputs of the demo's own devices (before the bulk devices). */
constexpr int kDemoInputs = 28;

/* Rows of the bulk table for a number of measured values. */
inline int BulkRows(int measuredValues)
{
    return (measuredValues + kBulkValueColumns - 1) / kBulkValueColumns;
}
/* Bulk devices added for a number of status points. */
inline int BulkDevices(int statusPoints)
{
    int extra = statusPoints - kDemoInputs;
    return extra <= 0 ? 0 : (extra + kBulkInputs - 1) / kBulkInputs;
}
/* Raw value of bulk table row (SID from 1) and column (from 1), and its
 * divisor. */
inline int BulkRaw(int sid, int column)
{
    return (sid * 37 + column * 11) % 20000 - 5000;
}
inline int BulkDivisor(int column)
{
    return column % 3 == 0 ? 100 : column % 3 == 1 ? 1 : 10;
}
/* Input of a bulk device (SID from kFirstBulkSid) and column (from 1). */
inline int BulkInput(int sid, int column)
{
    return (sid + column) % 2;
}

/* The demo data set of BuildAll, grown as described above. */
void BuildScaled(const std::string& dir, const std::string& cfgDbPath, int statusPoints,
                 int measuredValues);

} // namespace qxdemo

#endif
