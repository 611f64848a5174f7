// SPDX-License-Identifier: Apache-2.0
/*
 * qxpoints, the point-list program, run as an integrator runs it: in a
 * working directory with the demo data set (or a variant of it) and the real
 * libqxdb.so.
 */
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "CppSQLite3.h"
#include "demo_data.h"
#include "fakes/file_helpers.h"
#include "tool_launcher.h"

namespace
{

class QxPoints : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        m_dir = qxtest::freshTestDir();
        ASSERT_FALSE(m_dir.empty());
        m_cfg = m_dir + "/NandFlash/dbCfg.db3";
        qxdemo::BuildAll(m_dir, m_cfg);
        ASSERT_EQ(symlink(QXDB_LIB_PATH, (m_dir + "/libqxdb.so").c_str()), 0);
    }

    /* Runs qxpoints on the directory; stdout into m_out, the exit status. */
    int Run(const std::string& options, const std::string& dir = "")
    {
        std::string cmd = std::string(QX_TOOL_LAUNCHER) + "'" + QXPOINTS_BINARY + "' " + options +
                          " --cfg '" + m_cfg + "' '" + (dir.empty() ? m_dir : dir) + "' 2>'" +
                          m_dir + "/stderr.txt'";
        m_out.clear();
        FILE* pipe = popen(cmd.c_str(), "r");
        if (pipe == nullptr)
            return -1;
        char buf[4096];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, pipe)) > 0)
            m_out.append(buf, n);
        int status = pclose(pipe);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string Err() const
    {
        std::ifstream in(m_dir + "/stderr.txt");
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    void Data(const std::string& sql)
    {
        CppSQLite3DB db;
        db.open((m_dir + "/tmp/dbDat0.db3").c_str());
        db.execDML(sql.c_str());
    }

    void WriteIni(const std::string& bases)
    {
        std::ofstream(m_dir + "/qxSvr.ini", std::ios::trunc)
            << "[Svr104]\nOa=2\nCa=1\n[Svr.Detail]\ntbEvent=1\n[Svr.BaseAddr]\n"
            << bases << "[Svr.Flds]\ntbPower=2\n";
    }

    bool Has(const std::string& text) const { return m_out.find(text) != std::string::npos; }

    std::string m_dir;
    std::string m_cfg;
    std::string m_out;
};

TEST_F(QxPoints, DemoData_ListsEveryPointWithTypeCauseValueAndSource)
{
    ASSERT_EQ(Run(""), 0) << Err();
    EXPECT_TRUE(Has("    1  00001  M_SP_NA_1   20  1                 tbDio SID 1 D01 "
                    "(device input 1)\n"))
        << m_out;
    EXPECT_TRUE(Has("   10  0000A  M_SP_NA_1   20  1                 tbModbusDat SID 1 V30002 "
                    "(station state)\n"));
    EXPECT_TRUE(Has("  260  00104  M_SP_NA_1    1  1                 tbModbusDat SID 49 "
                    "V44097-3 (register 44097 bit 3)\n"));
    EXPECT_TRUE(Has("16385  04001  M_ME_NC_1   20  230.5             tbPower SID 1 V01 / 10\n"));
    EXPECT_TRUE(Has("16527  0408F  M_ME_NC_1   20  "));
    EXPECT_TRUE(Has("tbModbusDat SID 49 V40015 (holding register 40015) x 0.1\n"));
    /* The station states overwrite device 3's inputs 2-4: noted, not failed. */
    EXPECT_TRUE(Has("note: IOA 10 (M_SP_NA_1): tbDio SID 3 D02 (device input 2) is "
                    "overwritten by tbModbusDat SID 1 V30002 (station state)\n"));
    EXPECT_NE(Err().find("   tbPower...on 0X4001"), std::string::npos)
        << "the gateway's start-up messages go to stderr";
}

/* The demo data must serve no address twice: true once tbEnv has a base of
 * its own. */
TEST_F(QxPoints, DemoData_CheckPasses)
{
    EXPECT_EQ(Run("--check"), 0) << m_out.substr(m_out.find(" points, "));
    EXPECT_TRUE(Has(" points, 0 problems, "));
}

TEST_F(QxPoints, FreeBases_CheckPasses)
{
    WriteIni("tbModbusDat=4081\ntbPower=4001\ntbEnv=4A00\n");
    EXPECT_EQ(Run("--check"), 0) << m_out;
    EXPECT_TRUE(Has(" points, 0 problems, "));
    EXPECT_TRUE(Has("18944  04A00  M_ME_NC_1   20  -42               tbEnv SID 5 V01 / 1\n"));
}

TEST_F(QxPoints, Overlap_EveryAddressSentTwiceFlagged_CheckFails)
{
    /* tbPower's four values land on station 49's registers 40016..40019. */
    WriteIni("tbModbusDat=4081\ntbPower=4090\ntbEnv=4A00\n");
    EXPECT_EQ(Run(""), 0) << "without --check the list is printed and the run succeeds";
    EXPECT_EQ(Run("--check"), 1);
    EXPECT_TRUE(Has(" points, 4 problems, ")) << m_out;
    for (int ioa = 16528; ioa <= 16531; ++ioa)
        EXPECT_TRUE(Has("problem: IOA " + std::to_string(ioa) +
                        " (M_ME_NC_1) is sent 2 times in one answer (tbModbusDat, tbPower)"))
            << ioa;
    EXPECT_TRUE(Has("16528  04090  M_ME_NC_1   20  230.5             tbPower SID 1 V01 / 10  "
                    "[sent 2 times]\n"));
    EXPECT_TRUE(Has("note: IOA 16528 (M_ME_NC_1): tbModbusDat SID 49 V40016 (holding register "
                    "40016) x 0.1 is overwritten by tbPower SID 1 V01 / 10\n"));
}

TEST_F(QxPoints, RowOutsideTheImages_CheckFails)
{
    WriteIni("tbModbusDat=4081\ntbPower=4001\ntbEnv=4A00\n");
    Data("insert into tbModbusDat (SID, Fld, Val) values (49, 'V4100000', 5)");
    EXPECT_EQ(Run("--check"), 1);
    EXPECT_TRUE(Has("problem: row outside the images: tbModbusDat SID 49 V4100000 (holding "
                    "register 4100000) x 0.1 would be measured index 100000 (IOA 116384)\n"))
        << m_out;
}

TEST_F(QxPoints, Csv_HeaderThenOneLinePerPoint_ProblemsOnStderr)
{
    WriteIni("tbModbusDat=4081\ntbPower=4090\ntbEnv=4A00\n");
    Data("update tbPower set V02='abc' where SID=2");
    ASSERT_EQ(Run("--csv --check"), 1);
    std::istringstream lines(m_out);
    std::string line;
    ASSERT_TRUE(std::getline(lines, line));
    EXPECT_EQ(line, "ioa,type,cot,value,quality,source,table,sid,field,register,bit,divisor,sent");
    int rows = 0;
    while (std::getline(lines, line))
        ++rows;
    ASSERT_EQ(Run(""), 0);
    EXPECT_TRUE(Has(std::to_string(rows) + " points, ")) << rows;

    ASSERT_EQ(Run("--csv"), 0);
    EXPECT_TRUE(Has("\n1,M_SP_NA_1,20,1,,device-input,tbDio,1,D01,,,,1\n"));
    EXPECT_TRUE(Has("\n29,M_SP_NA_1,20,0,,none,,,,,,,1\n"));
    EXPECT_TRUE(Has("\n260,M_SP_NA_1,1,1,,register-bit,tbModbusDat,49,V44097-3,44097,3,,1\n"));
    EXPECT_TRUE(Has("\n16528,M_ME_NC_1,20,230.5,,table-column,tbPower,1,V01,,,10,2\n"));
    EXPECT_TRUE(Has("\n16531,M_ME_NC_1,20,0,IV,table-column,tbPower,2,V02,,,100,2\n")) << m_out;
    EXPECT_TRUE(Has("\n16536,M_ME_NC_1,20,70.5,,holding-register,tbModbusDat,49,V40024,40024,,,"
                    "1\n"));
    EXPECT_NE(Err().find("problem: IOA 16528 (M_ME_NC_1) is sent 2 times"), std::string::npos);
}

TEST_F(QxPoints, NoGatewayData_ExitsTwo)
{
    const std::string empty = m_dir + "/empty";
    ASSERT_EQ(mkdir(empty.c_str(), 0755), 0);
    EXPECT_EQ(Run("--check", empty), 2);
    EXPECT_NE(Err().find("qxpoints: the gateway's data cannot be opened here"), std::string::npos);
    EXPECT_EQ(Run("--bogus"), 2);
    EXPECT_NE(Err().find("Usage: qxpoints"), std::string::npos);
}

} // namespace
