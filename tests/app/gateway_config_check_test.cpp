// SPDX-License-Identifier: Apache-2.0
/*
 * qxSvr.ini as the process sees it: a refused value stops the start with
 * the key, the value and exit status 255; unknown names are warned about and
 * the start goes on; `qxsvr104 --check` reports a good and several bad
 * working directories with status 0 or 1 and writes nothing, takes no lock
 * and opens no port (it runs beside a running gateway in the same
 * directory).
 */
#include "gateway_sandbox.h"

#include "qx_paths.h"

#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <map>

namespace qxtest
{
namespace
{

class GatewayConfigCheck : public GatewaySandbox
{
  protected:
    /* The sample's own "Ca=1" line (a second Ca line would be overridden by it). */
    void setCa(const std::string& value)
    {
        std::string ini = readFile(work_ + "/qxSvr.ini");
        const size_t at = ini.find("\nCa=1\n");
        ASSERT_NE(std::string::npos, at) << ini;
        ini.replace(at, 6, "\nCa=" + value + "\n");
        ASSERT_TRUE(writeFile(work_ + "/qxSvr.ini", ini));
    }
};

TEST_F(GatewayConfigCheck, RefusedValues_NamedWithTheReason_StartStopsWith255)
{
    setCa("70000");
    setSvr104Lines("Deadband=0,5\n");
    ASSERT_TRUE(gateway_.start(QX_GATEWAY_BINARY, work_));
    EXPECT_EQ(255, exitCodeOf(gateway_.waitExit(5000))) << gateway_.transcript();
    EXPECT_EQ(1, gateway_.countFrom(0, "[CSvrWrapper104::Init] bad value in qxSvr.ini [Svr104] "
                                       "Ca=70000: outside 1-65534"))
        << gateway_.transcript();
    EXPECT_EQ(1, gateway_.countFrom(0, "bad value in qxSvr.ini [Svr104] Deadband=0,5: not a "
                                       "plain decimal number"))
        << gateway_.transcript();
    EXPECT_EQ(1, gateway_.countFrom(0, "exit -1 !IsOk")) << gateway_.transcript();
    EXPECT_EQ(0, gateway_.countFrom(0, "running..."));
}

TEST_F(GatewayConfigCheck, UnknownSectionKeyAndMappedValue_Warned_StartGoesOn)
{
    setSvr104Lines("AllowedMaster=192.0.2.1\nScanMs=50\n");
    appendIni("[SVR104]\nCa=7\n");
    startGateway();
    for (const char* warning :
         {"qxSvr.ini: unknown section [SVR104]; did you mean [Svr104]?",
          "qxSvr.ini: unknown key 'AllowedMaster' in [Svr104]; did you mean 'AllowedMasters'?",
          "qxSvr.ini: [Svr104] ScanMs=50: below 100: counts as 100"})
        EXPECT_EQ(1, gateway_.countFrom(0, warning)) << warning << "\n" << gateway_.transcript();
    connectClient(); /* the misspelt allow-list restricts nobody */
}

std::string Describe(const struct stat* info)
{
    return std::to_string(info->st_size) + "@" + std::to_string(info->st_mtim.tv_sec) + "." +
           std::to_string(info->st_mtim.tv_nsec);
}

/* Every file under dir (path, size, modification time in ns), and the state
 * of the configuration database and the pid file. */
std::map<std::string, std::string> FileStates(const std::string& dir, const std::string& pidFile)
{
    static std::map<std::string, std::string> states; /* nftw's callback takes no context */
    states.clear();
    nftw(
        dir.c_str(),
        [](const char* path, const struct stat* info, int, struct FTW*) {
            states[path] = Describe(info);
            return 0;
        },
        16, FTW_PHYS);
    for (const std::string& path : {std::string(QX_CFG_DB_PATH), pidFile}) {
        struct stat info;
        states[path] = stat(path.c_str(), &info) == 0 ? Describe(&info) : "absent";
    }
    return states;
}

struct CheckCase {
    const char* name;
    std::function<void()> prepare; /* null: the demo set as it is */
    int status;
    std::vector<std::string> lines; /* each printed once */
};

TEST_F(GatewayConfigCheck, Check_GoodAndBadDirectories_StatusAndProblems_NothingWritten)
{
    const CheckCase cases[] = {
        {"good", nullptr, 0, {"   tbPower...on 0X4001", "qxsvr104 --check: 0 problems"}},
        {"refused value",
         [this] { setCa("70000"); },
         1,
         {"bad value in qxSvr.ini [Svr104] Ca=70000: outside 1-65534", "   tbPower...on 0X4001",
          "qxsvr104 --check: 1 problem"}},
        {"typo",
         [this] { setSvr104Lines("AllowedMaster=10.0.0.1\n"); },
         1,
         {"qxSvr.ini: unknown key 'AllowedMaster' in [Svr104]; did you mean 'AllowedMasters'?",
          "qxsvr104 --check: 1 problem"}},
        {"table name",
         [this] { appendIni("[Svr.Flds]\ntbPowr=2\n"); },
         1,
         {"qxSvr.ini: key 'tbPowr' in [Svr.Flds] names no table of the data store; did you "
          "mean 'tbPower'?"}},
        {"overlap",
         [this] { appendIni("[Svr.BaseAddr]\ntbPower=4090\n"); },
         1,
         {"problem: IOA 16528 (M_ME_NC_1) is sent 2 times in one answer (tbModbusDat, tbPower)",
          "qxsvr104 --check: 4 problems"}},
        {"no data store",
         [this] { ASSERT_EQ(0, unlink((work_ + "/libqxdb.so").c_str())); },
         1,
         {"qxsvr104 --check: the data store cannot be opened here", "qxsvr104 --check: 1 problem"}},
    };
    /* A gateway runs in the directory meanwhile: --check must neither want
     * its pid lock nor its port. */
    startGateway();
    const std::string ini = readFile(work_ + "/qxSvr.ini");
    for (const CheckCase& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(writeFile(work_ + "/qxSvr.ini", ini));
        if (!pathExists(work_ + "/libqxdb.so")) {
            ASSERT_EQ(0, symlink(QX_QXDB_LIBRARY, (work_ + "/libqxdb.so").c_str()));
        }
        if (c.prepare) {
            c.prepare();
        }
        const auto before = FileStates(work_, pidFile());
        GatewayProcess check;
        ASSERT_TRUE(check.start(QX_GATEWAY_BINARY, work_, {}, {"--check"}));
        EXPECT_EQ(c.status, exitCodeOf(check.waitExit(10000))) << check.transcript();
        for (const std::string& line : c.lines)
            EXPECT_EQ(1, check.countFrom(0, line)) << line << "\n" << check.transcript();
        EXPECT_EQ(0, check.countFrom(0, "already locked")) << check.transcript();
        EXPECT_EQ(0, check.countFrom(0, "running...")) << check.transcript();
        EXPECT_EQ(before, FileStates(work_, pidFile()));
    }
    EXPECT_TRUE(gateway_.isRunning()) << gateway_.transcript();
}

} // namespace
} // namespace qxtest
