// SPDX-License-Identifier: Apache-2.0
/*
 * The gateway configuration: the key table, the defaults of a missing file,
 * every key read with its check, and a bad connection-policy key.
 */
#include "config_keys.h"
#include "gateway_config.h"

#include "fakes/file_helpers.h"

#include <gtest/gtest.h>

#include <climits>
#include <fstream>
#include <set>
#include <string>
#include <utility>

namespace
{

std::string WriteIni(const std::string& name, const std::string& text)
{
    const std::string path = qxtest::testPath(name);
    std::ofstream(path, std::ios::trunc) << text;
    return path;
}

TEST(ConfigKeys, Table_EveryKeyOnce_SectionsOfTheSample)
{
    std::set<std::pair<std::string, std::string>> seen;
    std::set<std::string> gatewayKeys;
    std::set<std::string> perTableSections;
    for (const ConfigKey* key : config_keys::All()) {
        ASSERT_NE(key, nullptr);
        const std::string name = key->name != nullptr ? key->name : "";
        EXPECT_TRUE(seen.insert({key->section, name}).second) << key->section << " " << name;
        EXPECT_NE(std::string(key->check), "") << name;
        if (key->name == nullptr)
            perTableSections.insert(key->section);
        else if (std::string(key->section) == "Svr104")
            gatewayKeys.insert(name);
        else
            ADD_FAILURE() << "key " << name << " outside Svr104";
    }
    EXPECT_EQ((std::set<std::string>{"Oa",           "Ca",          "Periodic",   "AllowedMasters",
                                     "MaxMasters",   "BindAddress", "StrictIec",  "Spontaneous",
                                     "ScanMs",       "Deadband",    "Redundancy", "StaleAfter",
                                     "StatusFile",   "TlsCert",     "TlsKey",     "TlsCa",
                                     "TlsCrl",       "TlsPeers",    "TlsPort",    "PlainPort",
                                     "TlsMinVersion"}),
              gatewayKeys);
    EXPECT_EQ((std::set<std::string>{"Svr.Detail", "Svr.BaseAddr", "Svr.Flds", "Svr.Deadband",
                                     "Svr.Groups"}),
              perTableSections);
    EXPECT_EQ("tbPower", config_keys::NameOf(config_keys::kBaseAddr, "tbPower"));
    EXPECT_EQ("Oa", config_keys::NameOf(config_keys::kOa, "tbPower"));
}

TEST(GatewayConfig, NoFile_EveryKeyAtItsDefault)
{
    GatewayConfig config;
    EXPECT_EQ(10, config.Periodic()); /* before any Load too */
    EXPECT_TRUE(config.Load(qxtest::testPath("no_such.ini"), nullptr));
    EXPECT_FALSE(config.FileLoaded());
    EXPECT_EQ(2, config.OriginatorAddress());
    EXPECT_EQ(1, config.CommonAddress());
    EXPECT_FALSE(config.StrictIec());
    EXPECT_EQ(10, config.Periodic());
    EXPECT_FALSE(config.Spontaneous().enabled);
    EXPECT_EQ(1000, config.Spontaneous().scanMs);
    EXPECT_EQ(0, config.Policy().MaxMasters());
    EXPECT_EQ("0.0.0.0", config.Policy().BindAddress());
    EXPECT_FALSE(config.IsDetail("tbPower"));
    EXPECT_EQ(0, config.BaseAddrOf("tbPower"));
    EXPECT_EQ(0, config.FieldsOf("tbPower"));
}

TEST(GatewayConfig, Keys_ReadWithTheirChecks_ASecondLoadStartsAfresh)
{
    GatewayConfig config;
    std::string bad = "untouched";
    ASSERT_TRUE(config.Load(WriteIni("full.ini", "[Svr104]\nOa=258\nCa=301\nStrictIec=1\n"
                                                 "Periodic=3\nSpontaneous=1\nScanMs=50\n"
                                                 "MaxMasters=4\n[Svr.Detail]\ntbDet=1\n"
                                                 "tbPower=2\n[Svr.BaseAddr]\ntbPower=4801\n"
                                                 "tbBig=1FFFFFFFF\ntbLow=-1FFFFFFFF\n"
                                                 "[Svr.Flds]\ntbPower=2\n"),
                            &bad));
    EXPECT_TRUE(config.FileLoaded());
    EXPECT_EQ("untouched", bad);
    EXPECT_EQ(2, config.OriginatorAddress()); /* 258 in 8 bits */
    EXPECT_EQ(301, config.CommonAddress());
    EXPECT_TRUE(config.StrictIec());
    EXPECT_EQ(3, config.Periodic());
    EXPECT_TRUE(config.Spontaneous().enabled);
    EXPECT_EQ(100, config.Spontaneous().scanMs); /* at least 100 */
    EXPECT_EQ(4, config.Policy().MaxMasters());
    EXPECT_TRUE(config.IsDetail("tbDet"));
    EXPECT_FALSE(config.IsDetail("tbPower")); /* only 1 marks a detail table */
    EXPECT_EQ(0x4801, config.BaseAddrOf("tbPower"));
    EXPECT_EQ(INT_MAX, config.BaseAddrOf("tbBig")); /* saturated, never wrapped */
    EXPECT_EQ(INT_MIN, config.BaseAddrOf("tbLow"));
    EXPECT_EQ(2, config.FieldsOf("tbPower"));

    ASSERT_TRUE(config.Load(WriteIni("empty.ini", "[Svr104]\n"), nullptr));
    EXPECT_FALSE(config.StrictIec());
    EXPECT_EQ(10, config.Periodic());
    EXPECT_EQ(0, config.Policy().MaxMasters());
    EXPECT_EQ(0, config.BaseAddrOf("tbPower"));
}

TEST(GatewayConfig, BadPolicyKey_LoadFailsNamingIt_OtherKeysStillRead)
{
    GatewayConfig config;
    std::string bad;
    EXPECT_FALSE(config.Load(WriteIni("bad.ini", "[Svr104]\nPeriodic=7\nMaxMasters=0\n"
                                                 "BindAddress=10.0.0.1\n"),
                             &bad));
    EXPECT_EQ("MaxMasters=0", bad);
    EXPECT_EQ(7, config.Periodic());
    /* The policy of a missing configuration, not half of the bad one. */
    EXPECT_EQ(0, config.Policy().MaxMasters());
    EXPECT_EQ("0.0.0.0", config.Policy().BindAddress());
    EXPECT_TRUE(config.Policy().Allows("192.0.2.1"));
}

TEST(GatewayConfig, StatusFile_DirectoryRefused_MissingDirectoryOnlyWarned)
{
    GatewayConfig config;
    EXPECT_TRUE(config.Load(WriteIni("none.ini", "[Svr104]\n"), nullptr));
    EXPECT_EQ("", config.StatusFile());

    const std::string dir = qxtest::testPath("");
    std::string bad;
    EXPECT_FALSE(config.Load(WriteIni("dir.ini", "[Svr104]\nStatusFile=" + dir + "\n"), &bad));
    EXPECT_EQ("StatusFile=" + dir, bad);

    ASSERT_TRUE(config.Load(
        WriteIni("missing.ini", "[Svr104]\nStatusFile=" + dir + "no_such_dir/status.json\n"),
        nullptr));
    EXPECT_EQ(dir + "no_such_dir/status.json", config.StatusFile());
    ASSERT_EQ(1u, config.Problems().size());
    EXPECT_FALSE(config.Problems()[0].refused);
    EXPECT_EQ("[Svr104] StatusFile=" + dir + "no_such_dir/status.json: directory " + dir +
                  "no_such_dir not found: written once it exists",
              config.Problems()[0].Text());

    ASSERT_TRUE(config.Load(WriteIni("good.ini", "[Svr104]\nStatusFile=" + dir + "status.json\n"),
                            nullptr));
    EXPECT_TRUE(config.Problems().empty());
}

} // namespace
