// SPDX-License-Identifier: Apache-2.0
/*
 * scaled_data.cpp - the demo data set grown to a chosen size (see
 * scaled_data.h).
 */
#include "scaled_data.h"

#include <cstdio>
#include <fstream>
#include <stdexcept>

#include "CppSQLite3.h"
#include "demo_data.h"

namespace qxdemo
{

namespace
{

void addBulkType(const std::string& dbPath)
{
    CppSQLite3DB db;
    db.open(dbPath.c_str());
    CppSQLite3Buffer sql;
    db.execDML(sql.format("insert into tbSMType values (%d, %d, 0, 'DI16')", kBulkDeviceType,
                          kBulkInputs));
}

void addBulkDevices(CppSQLite3DB& db, int devices)
{
    std::string ins = "insert into tbDio values (?, ?, ?";
    for (int i = 0; i < kDioColumns; ++i)
        ins += ", ?";
    CppSQLite3Statement st = db.compileStatement((ins + ")").c_str());
    for (int sid = kFirstBulkSid; sid < kFirstBulkSid + devices; ++sid) {
        st.bind(1, sid);
        st.bind(2, kBulkDeviceType);
        st.bind(3, "bulk");
        for (int i = 1; i <= kDioColumns; ++i)
            st.bind(3 + i, BulkInput(sid, i));
        st.execDML();
    }
}

void addBulkTable(CppSQLite3DB& db, int rows)
{
    CppSQLite3Statement def = db.compileStatement("insert into tbSMDef values (?, ?, ?)");
    for (int column = 1; column <= kBulkValueColumns; ++column) {
        def.bind(1, kBulkTableType);
        def.bind(2, column);
        def.bind(3, BulkDivisor(column));
        def.execDML();
    }
    CreateValueTable(db, kBulkTable, kBulkValueColumns);
    std::string ins = std::string("insert into ") + kBulkTable +
                      " values (?, ?, 'bulk', ?, 502, 1, '2026-01-01 00:00:00', 0";
    for (int v = 0; v < kBulkValueColumns; ++v)
        ins += ", ?";
    CppSQLite3Statement st = db.compileStatement((ins + ")").c_str());
    for (int sid = 1; sid <= rows; ++sid) {
        st.bind(1, sid);
        st.bind(2, kBulkTableType);
        st.bind(3, sid);
        for (int column = 1; column <= kBulkValueColumns; ++column)
            st.bind(3 + column, BulkRaw(sid, column));
        st.execDML();
    }
}

void serveBulkTable(const std::string& iniPath)
{
    std::ofstream out(iniPath, std::ios::app);
    char line[64];
    std::snprintf(line, sizeof line, "\n[Svr.BaseAddr]\n%s=%X\n", kBulkTable, kBulkBaseAddr);
    out << line;
    if (!out.flush())
        throw std::runtime_error("cannot write " + iniPath);
}

} // namespace

void BuildScaled(const std::string& dir, const std::string& cfgDbPath, int statusPoints,
                 int measuredValues)
{
    if (statusPoints < 0 || statusPoints > kMaxStatusPoints || measuredValues < 0 ||
        measuredValues > kMaxBulkValues)
        throw std::invalid_argument("data-set size out of range");
    BuildAll(dir, cfgDbPath);
    const std::string dataPath = dir + "/tmp/dbDat0.db3";
    addBulkType(cfgDbPath);
    addBulkType(dataPath);
    CppSQLite3DB db;
    db.open(dataPath.c_str());
    db.execDML("begin transaction");
    addBulkDevices(db, BulkDevices(statusPoints));
    if (measuredValues > 0)
        addBulkTable(db, BulkRows(measuredValues));
    db.execDML("commit transaction");
    if (measuredValues > 0)
        serveBulkTable(dir + "/qxSvr.ini");
}

} // namespace qxdemo
