// SPDX-License-Identifier: Apache-2.0
/*
 * bench_data.cpp - the benchmarks' data sets (see bench_data.h).
 */
#include "bench_data.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <vector>

#include "CppSQLite3.h"
#include "demo_data.h"
#include "scaled_data.h"

namespace qxbench
{

void AddLargeData(const std::string& dir)
{
    CppSQLite3DB db;
    db.open((dir + "/tmp/dbDat0.db3").c_str());
    db.execDML("begin");
    CppSQLite3Statement dio = db.compileStatement(
        "insert into tbDio (SID, Type, Name, D01, D02, D03, D04, D05, D06, D07, D08) "
        "values (?, 2301, 'bench', 1, 0, 1, 0, 1, 0, 1, 0)");
    for (int sid = 100; sid < 600; ++sid) {
        dio.bind(1, sid);
        dio.execDML();
    }
    const int modbus = db.execScalar("select count(*) from tbModbusDat");
    CppSQLite3Statement mb = db.compileStatement("insert into tbModbusDat values (?, ?, ?)");
    for (int i = 0; i < 2000 - modbus; ++i) {
        char fld[32];
        std::snprintf(fld, sizeof fld, "V4%04d", 2000 + i / 48);
        mb.bind(1, 1 + i % 48);
        mb.bind(2, fld);
        mb.bind(3, i);
        mb.execDML();
    }
    CppSQLite3Statement def = db.compileStatement("insert into tbSMDef values (?, ?, ?)");
    for (int type = 2501; type <= 2520; ++type) {
        for (int fld = 1; fld <= 16; ++fld) {
            def.bind(1, type);
            def.bind(2, fld);
            def.bind(3, fld % 4 == 0 ? 10 : 1);
            def.execDML();
        }
    }
    for (int t = 1; t <= 5; ++t) {
        const std::string name = "tbVal" + std::to_string(t);
        qxdemo::CreateValueTable(db, name, 16);
        for (int sid = 1; sid <= 200; ++sid) {
            std::vector<int> values(16);
            for (int v = 0; v < 16; ++v)
                values[v] = sid * 16 + v;
            qxdemo::InsertValueRow(db, name, {sid, 2500 + (t - 1) * 4 + 1 + sid % 4, values});
        }
    }
    db.execDML("commit");

    FILE* ini = std::fopen((dir + "/qxSvr.ini").c_str(), "a");
    if (ini == nullptr)
        throw std::runtime_error("cannot extend qxSvr.ini");
    std::fputs("[Svr.BaseAddr]\n", ini);
    for (int t = 1; t <= 5; ++t)
        std::fprintf(ini, "tbVal%d=%X\n", t, 0x4100 + (t - 1) * 0x300);
    std::fclose(ini);
}

std::unique_ptr<CSvrWrapper104> Prepare(const std::string& dir, bool large, int values)
{
    std::system(("rm -rf '" + dir + "'").c_str());
    mkdir(QX_BENCH_DIR, 0755);
    mkdir(dir.c_str(), 0755);
    if (values > 0)
        qxdemo::BuildScaled(dir, dir + "/dbCfg.db3", 0, values);
    else
        qxdemo::BuildAll(dir, dir + "/dbCfg.db3");
    if (large)
        AddLargeData(dir);
    symlink(QXDB_LIB_PATH, (dir + "/libqxdb.so").c_str());
    if (chdir(dir.c_str()) != 0)
        throw std::runtime_error("cannot enter " + dir);
    std::unique_ptr<CSvrWrapper104> gw(new CSvrWrapper104);
    gw->SetConfigDbPath(dir + "/dbCfg.db3");
    gw->Init();
    if (!gw->IsOk())
        throw std::runtime_error("gateway not usable in " + dir);
    return gw;
}

} // namespace qxbench
