// SPDX-License-Identifier: Apache-2.0
/*
 * bench_data.h - the data sets of the benchmarks.
 *
 * - demo: the demo data set (qxdemo);
 * - large: the demo data plus 500 devices in tbDio, tbModbusDat grown to
 *   2000 rows, and 5 served tables of 200 rows x 16 values (20 device types,
 *   320 divisor rows). The served tables' base addresses all lie in
 *   0x4001..0x5000, so their values overlap in the image; every value still
 *   costs its divisor query;
 * - values:N: the demo data grown by the demo builder to N measured values
 *   in one served table (qxdemo --measured N), for the scaling table.
 *
 * Each set lives in its own working directory under the build tree.
 * Failures throw std::exception or CppSQLite3Exception.
 */
#ifndef QX_BENCH_DATA_H
#define QX_BENCH_DATA_H

#include <memory>
#include <string>

#include "SvrWrapper104b.h"

namespace qxbench
{

/* Adds the large set's rows and served tables to the demo set in dir. */
void AddLargeData(const std::string& dir);

/* Builds a data set in dir (large, demo, or with values > 0 the demo set
 * grown to that many measured values), enters dir and starts a gateway there
 * (Init, no slave). The process's working directory stays dir. */
std::unique_ptr<CSvrWrapper104> Prepare(const std::string& dir, bool large, int values = 0);

} // namespace qxbench

#endif
