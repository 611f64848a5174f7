// SPDX-License-Identifier: Apache-2.0
/*
 * demo_data.cpp - builds the demo and test data set (see demo_data.h).
 */
#include "demo_data.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <stdexcept>

namespace qxdemo
{

namespace
{

/* Register-bit blocks of stations 49 and 50: register before the first one
 * and the number of registers. */
const int kBitBlocks[][2] = {{4096, 2}, {4099, 1}, {4101, 1}, {4118, 5}, {4138, 5},
                             {4154, 2}, {4161, 2}, {4168, 2}, {5141, 6}};

/* Creates every missing folder above a file (mkdir -p of its parent). */
void makeParents(const std::string& file)
{
    for (size_t slash = file.find('/', 1); slash != std::string::npos;
         slash = file.find('/', slash + 1))
        mkdir(file.substr(0, slash).c_str(), 0755);
}

void removeFile(const std::string& path)
{
    std::remove(path.c_str());
}

void insertSMType(CppSQLite3DB& db)
{
    db.execDML("create table tbSMType (Type integer primary key, ExtDi integer, ExtDo integer, "
               "Name text)");
    CppSQLite3Statement st = db.compileStatement("insert into tbSMType values (?, ?, ?, ?)");
    for (const SMTypeRow& r : SMTypeRows()) {
        st.bind(1, r.type);
        st.bind(2, r.extDi);
        st.bind(3, r.extDo);
        st.bind(4, r.name);
        st.execDML();
    }
}

void insertDio(CppSQLite3DB& db)
{
    std::string sql = "create table tbDio (SID integer primary key, Type integer, Name text";
    for (int i = 1; i <= kDioColumns; ++i) {
        char col[32];
        std::snprintf(col, sizeof col, ", D%02d integer", i);
        sql += col;
    }
    db.execDML((sql + ")").c_str());
    std::string ins = "insert into tbDio values (?, ?, ?";
    for (int i = 0; i < kDioColumns; ++i)
        ins += ", ?";
    CppSQLite3Statement st = db.compileStatement((ins + ")").c_str());
    for (const DioRow& r : DioRows()) {
        st.bind(1, r.sid);
        st.bind(2, r.type);
        st.bind(3, ("Device " + std::to_string(r.sid)).c_str());
        for (int i = 0; i < kDioColumns; ++i)
            st.bind(4 + i, i < static_cast<int>(r.d.size()) ? r.d[i] : 0);
        st.execDML();
    }
}

void insertModbus(CppSQLite3DB& db)
{
    db.execDML("create table tbModbusDat (SID integer, Fld text, Val integer, "
               "primary key (SID, Fld))");
    CppSQLite3Statement st = db.compileStatement("insert into tbModbusDat values (?, ?, ?)");
    for (const ModbusRow& r : ModbusRows()) {
        st.bind(1, r.sid);
        st.bind(2, r.fld.c_str());
        st.bind(3, r.val);
        st.execDML();
    }
}

void insertSMDef(CppSQLite3DB& db)
{
    db.execDML("create table tbSMDef (Type integer, Fld integer, vfactor integer, "
               "primary key (Type, Fld))");
    CppSQLite3Statement st = db.compileStatement("insert into tbSMDef values (?, ?, ?)");
    for (const SMDefRow& r : SMDefRows()) {
        st.bind(1, r.type);
        st.bind(2, r.fld);
        st.bind(3, r.vfactor);
        st.execDML();
    }
}

void insertEvents(CppSQLite3DB& db)
{
    db.execDML("create table tbEvent (Id integer primary key, SID integer, Type integer, "
               "Text text)");
    db.execDML("insert into tbEvent values (1, 1, 2301, 'demo start')");
}

} // namespace

/* ------------------------------------------------------------ the rows */

std::vector<DioRow> DioRows()
{
    return {
        {1, 2301, {1, 0, 1, 1, 0, 0, 1, 0, 1, 1}},             /* ExtDi 0: 8 inputs */
        {2, 2317, {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}},       /* excluded type */
        {3, 2312, {1, 1, 0, 0, 1, 0, 1, 1, 0, 1, 1, 1, 1, 1}}, /* ExtDi 12 */
        {4, 2301, {0, 1, 1, 0, 1, 0, 0, 1}},                   /* ExtDi 0: 8 inputs */
    };
}

std::vector<SMTypeRow> SMTypeRows()
{
    return {{2301, 0, 0, "DI8"},   {2312, 12, 4, "DI12"},  {2317, 8, 8, "Gateway"},
            {2401, 0, 0, "Meter"}, {2402, 0, 0, "Meter2"}, {2403, 0, 0, "Climate"}};
}

int RegisterValue(int sid, int reg)
{
    return (reg * 7 + sid * 13) % 1000 - 100;
}

int RegisterBit(int sid, int reg, int bit)
{
    if (reg == 4097 && bit == 3)
        return 1; /* a fixed point the examples refer to */
    return (reg + bit + sid) % 3 == 0 ? 1 : 0;
}

std::vector<int> HoldingRegisters()
{
    std::vector<int> regs;
    for (int r = 1; r <= 7; ++r) /* below V40015: never loaded */
        regs.push_back(r);
    for (int r = 15; r <= 25; ++r)
        regs.push_back(r);
    regs.push_back(200);
    for (int first : {257, 513, 769, 1025}) {
        int n = first == 257 ? 30 : 24;
        for (int r = first; r < first + n; ++r)
            regs.push_back(r);
    }
    return regs;
}

std::vector<int> BitRegisters()
{
    std::vector<int> regs;
    for (const auto& b : kBitBlocks)
        for (int k = 0; k < b[1]; ++k)
            regs.push_back(b[0] + 1 + k);
    return regs;
}

std::vector<ModbusRow> ModbusRows()
{
    std::vector<ModbusRow> rows;
    const int states[][2] = {{1, 1}, {2, 0}, {3, 1}, {49, 1}, {50, 1}};
    for (const auto& s : states)
        rows.push_back({s[0], "V30002", s[1]});
    for (int sid : {49, 50}) {
        for (int reg : HoldingRegisters()) {
            char fld[32];
            std::snprintf(fld, sizeof fld, "V4%04d", reg);
            rows.push_back({sid, fld, RegisterValue(sid, reg)});
        }
        for (int reg : BitRegisters()) {
            for (int bit = 0; bit < 16; ++bit) {
                char fld[32];
                std::snprintf(fld, sizeof fld, "V4%d-%d", reg, bit);
                rows.push_back({sid, fld, RegisterBit(sid, reg, bit)});
            }
        }
    }
    return rows;
}

std::vector<SMDefRow> SMDefRows()
{
    return {{2401, 1, 10}, {2401, 2, 0}, {2401, 3, 1}, {2401, 4, 1},  {2402, 1, -5}, {2402, 2, 100},
            {2402, 3, 1},  {2402, 4, 1}, {2403, 1, 1}, {2403, 2, 10}, {2403, 3, 100}};
}

std::vector<ValueTable> ValueTables()
{
    return {
        {"tbPower", 0x4001, 2, 4, {{1, 2401, {2305, 1234, 99, 7}}, {2, 2402, {-150, 5000, 1, 2}}}},
        {"tbEnv",
         0x4010,
         0,
         3,
         {{7, 2403, {215, 655, 101325}}, {5, 2403, {-42, 300, 99000}}, {6, 2403, {0, 1, 100}}}},
    };
}

/* ------------------------------------------------------------ builders */

void CreateValueTable(CppSQLite3DB& db, const std::string& name, int valueColumns)
{
    CppSQLite3Buffer head; /* %w: the name as an SQL identifier */
    std::string sql = head.format("create table \"%w\" (SID integer, Type integer, Name text, "
                                  "Addr integer, Port integer, Online integer, Ctime text, "
                                  "Rsv integer",
                                  name.c_str());
    for (int v = 1; v <= valueColumns; ++v) {
        char col[32];
        std::snprintf(col, sizeof col, ", V%02d integer", v);
        sql += col;
    }
    db.execDML((sql + ")").c_str());
}

void InsertValueRow(CppSQLite3DB& db, const std::string& name, const ValueRow& row)
{
    CppSQLite3Buffer head;
    std::string sql = head.format("insert into \"%w\" values (?, ?, ?, ?, 502, 1, "
                                  "'2026-01-01 00:00:00', 0",
                                  name.c_str());
    for (size_t v = 0; v < row.values.size(); ++v)
        sql += ", ?";
    CppSQLite3Statement st = db.compileStatement((sql + ")").c_str());
    st.bind(1, row.sid);
    st.bind(2, row.type);
    st.bind(3, ("Device " + std::to_string(row.sid)).c_str());
    st.bind(4, row.sid);
    for (size_t v = 0; v < row.values.size(); ++v)
        st.bind(5 + static_cast<int>(v), row.values[v]);
    st.execDML();
}

void BuildDataDb(const std::string& path)
{
    removeFile(path);
    CppSQLite3DB db;
    db.open(path.c_str());
    db.execDML("begin transaction");
    insertDio(db);
    insertSMType(db);
    insertModbus(db);
    insertSMDef(db);
    insertEvents(db);
    for (const ValueTable& t : ValueTables()) {
        CreateValueTable(db, t.name, t.valueColumns);
        for (const ValueRow& r : t.rows)
            InsertValueRow(db, t.name, r);
    }
    db.execDML("commit transaction");
}

void BuildCfgDb(const std::string& path)
{
    removeFile(path);
    CppSQLite3DB db;
    db.open(path.c_str());
    insertSMType(db);
}

void WriteSampleIni(const std::string& path)
{
    std::ofstream out(path, std::ios::trunc);
    if (!out)
        throw std::runtime_error("cannot write " + path);
    out << "; qxsvr104 sample configuration\n"
           "[Svr104]\n"
           "Oa=2\n"
           "Ca=1\n"
           "Periodic=10\n"
           "\n"
           "; tables listed here are never served\n"
           "[Svr.Detail]\n"
           "tbEvent=1\n"
           "\n"
           "; first IOA of a table's values, hexadecimal (4001 .. 5000)\n"
           "[Svr.BaseAddr]\n";
    char line[64];
    std::snprintf(line, sizeof line, "tbModbusDat=%X\n", kModbusBaseAddr);
    out << line;
    for (const ValueTable& t : ValueTables()) {
        std::snprintf(line, sizeof line, "=%X\n", t.baseAddr);
        out << t.name << line;
    }
    out << "tbEvent=4900\n"
           "\n"
           "; value columns per row (0 or absent: all)\n"
           "[Svr.Flds]\n";
    for (const ValueTable& t : ValueTables())
        if (t.flds != 0)
            out << t.name << "=" << t.flds << "\n";
    if (!out.flush())
        throw std::runtime_error("cannot write " + path);
}

void BuildAll(const std::string& dir, const std::string& cfgDbPath)
{
    const std::string tmp = dir + "/tmp";
    makeParents(tmp + "/dbDat0.db3");
    struct stat st;
    if (stat(tmp.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        throw std::runtime_error("cannot create " + tmp);
    BuildDataDb(tmp + "/dbDat0.db3");
    makeParents(cfgDbPath);
    BuildCfgDb(cfgDbPath);
    WriteSampleIni(dir + "/qxSvr.ini");
}

} // namespace qxdemo
