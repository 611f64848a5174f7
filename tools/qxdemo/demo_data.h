// SPDX-License-Identifier: Apache-2.0
/*
 * demo_data.h - the demo and test data set of the gateway.
 *
 * One description of the data, used three ways: the qxdemo program writes it
 * to disk for the demo, the tests build the same files and compute their
 * expectations from these rows, and the benchmark scales it up.
 *
 * Files:
 * - live-data database (tmp/dbDat0.db3 under a working directory): tbDio,
 *   tbModbusDat, tbSMDef, a copy of tbSMType, the value tables tbPower and
 *   tbEnv, and the detail table tbEvent;
 * - configuration database (dbCfg.db3): tbSMType (missing folders above it
 *   are created);
 * - qxSvr.ini: serves tbModbusDat, tbPower (0x4001, two value columns) and
 *   tbEnv (0x4010, all value columns); tbEvent is a detail table.
 *
 * Every builder replaces an existing file. Database errors are thrown as
 * CppSQLite3Exception, file errors as std::runtime_error.
 */
#ifndef QXDEMO_DEMO_DATA_H
#define QXDEMO_DEMO_DATA_H

#include <string>
#include <vector>

#include "CppSQLite3.h"

namespace qxdemo
{

/* Number of D columns of tbDio (D01 .. D16). */
constexpr int kDioColumns = 16;
/* Columns of a value table before its values (zero-based index 8 on). */
constexpr int kValueTableFixedColumns = 8;

struct DioRow {
    int sid;
    int type;
    std::vector<int> d; /* d[0] is D01; missing columns are 0 */
};

struct SMTypeRow {
    int type;
    int extDi;
    int extDo;
    const char* name;
};

struct ModbusRow {
    int sid;
    std::string fld;
    int val;
};

struct SMDefRow {
    int type;
    int fld; /* value column number, from 1 */
    int vfactor;
};

struct ValueRow {
    int sid;
    int type;
    std::vector<int> values; /* V01, V02, ... */
};

struct ValueTable {
    std::string name;
    int baseAddr; /* "Svr.BaseAddr" (0: not in the configuration) */
    int flds;     /* "Svr.Flds" (0: not in the configuration) */
    int valueColumns;
    std::vector<ValueRow> rows;
};

/* The rows of the demo data set. */
std::vector<DioRow> DioRows();
std::vector<SMTypeRow> SMTypeRows();
std::vector<ModbusRow> ModbusRows();
std::vector<SMDefRow> SMDefRows();
std::vector<ValueTable> ValueTables();

/* "Svr.BaseAddr" of tbModbusDat in the sample configuration. */
constexpr int kModbusBaseAddr = 0x4081;

/* Value of holding register reg of a station, and of one register bit. */
int RegisterValue(int sid, int reg);
int RegisterBit(int sid, int reg, int bit);
/* Holding registers of stations 49 and 50 present in tbModbusDat. */
std::vector<int> HoldingRegisters();
/* Registers whose bits are present, as (register, bit count 16). */
std::vector<int> BitRegisters();

/* Builders. */
void BuildDataDb(const std::string& path);
void BuildCfgDb(const std::string& path);
void WriteSampleIni(const std::string& path);
/* dir/tmp/dbDat0.db3, dir/qxSvr.ini and the configuration database. */
void BuildAll(const std::string& dir, const std::string& cfgDbPath);

/* Creates a value table with n value columns (V01..), no rows. */
void CreateValueTable(CppSQLite3DB& db, const std::string& name, int valueColumns);
/* Appends one row to a value table. */
void InsertValueRow(CppSQLite3DB& db, const std::string& name, const ValueRow& row);

} // namespace qxdemo

#endif
