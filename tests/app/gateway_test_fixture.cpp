// SPDX-License-Identifier: Apache-2.0
#include "gateway_test_fixture.h"

#include "gateway_launcher.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <fstream>
#include <vector>

#include "demo_data.h"
#include "fakes/file_helpers.h"

void GatewayTest::SetUp()
{
    m_dir = qxtest::freshTestDir();
    ASSERT_FALSE(m_dir.empty());
    ASSERT_EQ(mkdir((m_dir + "/NandFlash").c_str(), 0755), 0);
    m_cfgPath = m_dir + "/NandFlash/dbCfg.db3";
    qxdemo::BuildAll(m_dir, m_cfgPath);
    ASSERT_EQ(symlink(QXDB_LIB_PATH, (m_dir + "/libqxdb.so").c_str()), 0);
    char cwd[PATH_MAX];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    m_oldCwd = cwd;
    ASSERT_EQ(chdir(m_dir.c_str()), 0);
}

void GatewayTest::TearDown()
{
    if (!m_oldCwd.empty()) {
        EXPECT_EQ(chdir(m_oldCwd.c_str()), 0);
    }
}

bool GatewayTest::RunInFreshProcess()
{
    static const char kMarker[] = "QX_TEST_FRESH_PROCESS";
    if (std::getenv(kMarker) != nullptr)
        return false;
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string filter =
        std::string("--gtest_filter=") + info->test_suite_name() + "." + info->name();
    fflush(stdout);
    pid_t child = fork();
    if (child == 0) {
        /* Out of the test's folder, which the new process makes anew. */
        if (chdir(m_oldCwd.c_str()) != 0)
            _exit(126);
        setenv(kMarker, "1", 1);
        /* A cross build runs the target program through its emulator, which
         * the kernel knows nothing of: start the program by its path behind
         * the same launcher (the emulator reports the program's path). */
        char self[4096];
        ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
        if (length <= 0)
            _exit(125);
        self[length] = '\0';
        static const char* const launcher[] = {QX_GATEWAY_LAUNCHER nullptr};
        std::vector<char*> argv;
        for (const char* const* arg = launcher; *arg != nullptr; ++arg)
            argv.push_back(const_cast<char*>(*arg));
        argv.push_back(self);
        argv.push_back(const_cast<char*>(filter.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    EXPECT_GT(child, 0);
    int status = 0;
    if (child > 0) {
        EXPECT_EQ(waitpid(child, &status, 0), child);
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "the test failed in its own process (status " << status << ")";
    return true;
}

void GatewayTest::Data(const std::string& sql)
{
    CppSQLite3DB db;
    db.open((m_dir + "/tmp/dbDat0.db3").c_str());
    db.execDML(sql.c_str());
}

void GatewayTest::Cfg(const std::string& sql)
{
    CppSQLite3DB db;
    db.open(m_cfgPath.c_str());
    db.execDML(sql.c_str());
}

int GatewayTest::DataScalar(const std::string& sql)
{
    CppSQLite3DB db;
    db.open((m_dir + "/tmp/dbDat0.db3").c_str());
    return db.execScalar(sql.c_str());
}

void GatewayTest::WriteIni(const std::string& text)
{
    std::ofstream(m_dir + "/qxSvr.ini", std::ios::trunc) << text;
}

std::unique_ptr<CSvrWrapper104> GatewayTest::MakeGateway()
{
    std::unique_ptr<CSvrWrapper104> gw(new CSvrWrapper104);
    gw->SetConfigDbPath(m_cfgPath);
    return gw;
}

std::unique_ptr<CSvrWrapper104> GatewayTest::InitGateway(std::string* out)
{
    std::unique_ptr<CSvrWrapper104> gw = MakeGateway();
    std::string text = Capture([&] { gw->Init(); });
    if (out != nullptr)
        *out = text;
    return gw;
}
