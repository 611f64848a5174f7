// SPDX-License-Identifier: Apache-2.0
/*
 * The redundancy keys: Redundancy of section "Svr104" and the groups of
 * "Svr.Groups", read from files as the gateway reads them (file order of
 * the groups, the AllowedMasters syntax, the bad values that stop a start).
 */
#include "gateway_config.h"
#include "redundancy_settings.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

namespace
{

std::string WriteIni(const std::string& name, const std::string& text)
{
    const std::string path = std::string(QX_TEST_TMPDIR) + "/" + name;
    std::ofstream(path, std::ios::trunc) << text;
    return path;
}

/* Loads the file as GatewayConfig does; *error receives the bad line. */
bool LoadFrom(const std::string& path, RedundancySettings* settings, std::string* error)
{
    SimpleIni ini;
    ini.Load(path);
    return settings->Load(ini, RedundancySettings::KeysInFileOrder(path, "Svr.Groups"), error);
}

/* ---------------------------------------------------------------- modes */

TEST(RedundancyMode, KeyAbsentOrNamed_ModeOfTheValueInAnyCase)
{
    RedundancySettings settings;
    std::string error;
    ASSERT_TRUE(LoadFrom(WriteIni("r_none.ini", "[Svr104]\nOa=2\n"), &settings, &error));
    EXPECT_EQ(RedundancyMode::Single, settings.Mode());
    EXPECT_TRUE(settings.Groups().empty());

    ASSERT_TRUE(
        LoadFrom(WriteIni("r_conn.ini", "[Svr104]\nRedundancy = Connection\n"), &settings, &error));
    EXPECT_EQ(RedundancyMode::Connection, settings.Mode());

    /* A group section does not matter unless Redundancy is groups. */
    ASSERT_TRUE(LoadFrom(WriteIni("r_single.ini", "[Svr104]\nRedundancy=SINGLE\n"
                                                  "[Svr.Groups]\nA=not an address\n"),
                         &settings, &error));
    EXPECT_EQ(RedundancyMode::Single, settings.Mode());
    EXPECT_TRUE(settings.Groups().empty());
    EXPECT_EQ(-1, settings.GroupOf("127.0.0.1"));
}

TEST(RedundancyMode, BadValues_NamedAndTheDefaultsKept)
{
    struct Case {
        const char* file;
        const char* error;
    };
    const Case cases[] = {
        {"[Svr104]\nRedundancy=dual\n", "Redundancy=dual"},
        {"[Svr104]\nRedundancy=groups\n", "Redundancy=groups without a group in [Svr.Groups]"},
        {"[Svr104]\nRedundancy=groups\n[Svr.Groups]\nA=10.0.0.1\nB=10.0.0.0/33\n",
         "[Svr.Groups] B=10.0.0.0/33"},
        {"[Svr104]\nRedundancy=groups\n[Svr.Groups]\nA=\n", "[Svr.Groups] A="},
        {"[Svr104]\nRedundancy=groups\n[Svr.Groups]\nA=10.0.0.1,\n", "[Svr.Groups] A=10.0.0.1,"},
        {"[Svr104]\nRedundancy=groups\n[Svr.Groups]\n=10.0.0.1\n", "[Svr.Groups] =10.0.0.1"},
    };
    for (const Case& c : cases) {
        RedundancySettings settings;
        std::string error;
        EXPECT_FALSE(LoadFrom(WriteIni("r_bad.ini", c.file), &settings, &error)) << c.file;
        EXPECT_EQ(c.error, error) << c.file;
        EXPECT_EQ(RedundancyMode::Single, settings.Mode()) << c.file;
        EXPECT_TRUE(settings.Groups().empty()) << c.file;
    }
}

/* --------------------------------------------------------------- groups */

TEST(RedundancyGroups, FileOrder_FirstGroupListingTheAddressWins)
{
    RedundancySettings settings;
    std::string error;
    ASSERT_TRUE(LoadFrom(WriteIni("r_groups.ini", "[Svr104]\nRedundancy=groups\n"
                                                  "[Svr.Groups]\n"
                                                  "; main centre first\n"
                                                  "CentreB = 10.20.0.0/24\n"
                                                  "\n"
                                                  "CentreA=192.168.10.1, 192.168.10.2, 10.20.0.7\n"
                                                  "[Svr.Detail]\nCentreC=1\n"),
                         &settings, &error))
        << error;
    ASSERT_EQ(RedundancyMode::Groups, settings.Mode());
    ASSERT_EQ(2u, settings.Groups().size());
    EXPECT_EQ("CentreB", settings.Groups()[0].name);
    EXPECT_EQ("CentreA", settings.Groups()[1].name);
    EXPECT_EQ(0, settings.GroupOf("10.20.0.1"));
    EXPECT_EQ(0, settings.GroupOf("10.20.0.7")); /* listed by both: the first in the file */
    EXPECT_EQ(1, settings.GroupOf("192.168.10.2"));
    EXPECT_EQ(-1, settings.GroupOf("192.168.10.3"));
    EXPECT_EQ(-1, settings.GroupOf("10.20.1.1"));
    EXPECT_EQ(-1, settings.GroupOf("not an address"));
    EXPECT_EQ(-1, settings.GroupOf(nullptr));
}

TEST(RedundancyGroups, KeysInFileOrder_SectionOnlyCommentsSkippedEachOnce)
{
    const std::string path = WriteIni("r_order.ini", "[Svr.Groups]\r\n"
                                                     "Zed=1.1.1.1 ; note\r\n"
                                                     "# a comment\r\n"
                                                     "   \r\n"
                                                     "Alpha = 2.2.2.2\r\n"
                                                     "[Other]\r\nBeta=3.3.3.3\r\n"
                                                     "[ Svr.Groups ]\r\nZed=4.4.4.4\r\nMid\r\n");
    EXPECT_EQ((std::vector<std::string>{"Zed", "Alpha", "Mid"}),
              RedundancySettings::KeysInFileOrder(path, "Svr.Groups"));
    EXPECT_TRUE(RedundancySettings::KeysInFileOrder(path, "Missing").empty());
    EXPECT_TRUE(
        RedundancySettings::KeysInFileOrder(std::string(QX_TEST_TMPDIR) + "/none.ini", "Svr.Groups")
            .empty());
}

TEST(RedundancyGroups, GatewayConfig_BadGroupStopsTheLoadNamingItsSection)
{
    GatewayConfig config;
    std::string bad;
    EXPECT_FALSE(config.Load(WriteIni("r_cfg.ini", "[Svr104]\nPeriodic=7\nRedundancy=groups\n"
                                                   "[Svr.Groups]\nCentreA=192.168.10.300\n"),
                             &bad));
    EXPECT_EQ("CentreA=192.168.10.300", bad);
    ASSERT_EQ(1u, config.Problems().size());
    EXPECT_EQ("Svr.Groups", config.Problems()[0].section);
    EXPECT_EQ(0u, config.Problems()[0].Text().find("[Svr.Groups] CentreA=192.168.10.300: "));
    EXPECT_EQ(7, config.Periodic());
    /* Every refusal is listed once, the table's before the policy's, and the
     * first one is named: Redundancy=x is not repeated by the groups unit. */
    EXPECT_FALSE(
        config.Load(WriteIni("r_cfg2.ini", "[Svr104]\nMaxMasters=0\nRedundancy=x\n"), &bad));
    EXPECT_EQ("Redundancy=x", bad);
    std::vector<std::string> refused;
    for (const ConfigProblem& p : config.Problems())
        refused.push_back(p.key + (p.refused ? "!" : "?"));
    EXPECT_EQ((std::vector<std::string>{"Redundancy!", "MaxMasters!"}), refused);
    ASSERT_TRUE(config.Load(WriteIni("r_cfg3.ini", "[Svr104]\nRedundancy=groups\n"
                                                   "[Svr.Groups]\nCentreA=127.0.0.2\n"),
                            &bad));
    EXPECT_EQ(RedundancyMode::Groups, config.Redundancy().Mode());
    EXPECT_EQ(0, config.Redundancy().GroupOf("127.0.0.2"));
}

} // namespace
