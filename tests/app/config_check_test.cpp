// SPDX-License-Identifier: Apache-2.0
/*
 * The check of qxSvr.ini against the key table: every refused value, every
 * mapped value with its warning and the handling it names, values that pass
 * without a word, and unknown sections, keys and table names with the
 * nearest known name.
 */
#include "config_keys.h"
#include "gateway_config.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace
{

std::string WriteIni(const std::string& text)
{
    const std::string path = std::string(QX_TEST_TMPDIR) + "/config_check.ini";
    std::ofstream(path, std::ios::trunc) << text;
    return path;
}

enum class Verdict { Passes, Warned, Refused };

struct ValueCase {
    const char* section;
    const char* line; /* key=value */
    Verdict verdict;
    const char* reason; /* part of the reason ("" when it passes) */
    /* The handling the gateway applies (null: nothing beyond the verdict). */
    std::function<bool(const GatewayConfig&)> handled;
};

const ValueCase kValueCases[] = {
    /* common address: 1-65534, nothing mapped */
    {"Svr104", "Ca=1", Verdict::Passes, "", nullptr},
    {"Svr104", "Ca=65534", Verdict::Passes, "", nullptr},
    {"Svr104", "Ca=70000", Verdict::Refused, "outside 1-65534", nullptr},
    {"Svr104", "Ca=65535", Verdict::Refused, "outside 1-65534", nullptr},
    {"Svr104", "Ca=0", Verdict::Refused, "outside 1-65534", nullptr},
    {"Svr104", "Ca=-1", Verdict::Refused, "outside 1-65534", nullptr},
    {"Svr104", "Ca=12abc", Verdict::Refused, "not a whole number", nullptr},
    {"Svr104", "Ca=0x10", Verdict::Refused, "not a whole number", nullptr},
    {"Svr104", "Ca=", Verdict::Warned, "empty: the default 1 is used",
     [](const GatewayConfig& c) { return c.CommonAddress() == 1; }},
    /* originator address: above 255 sent modulo 256 */
    {"Svr104", "Oa=255", Verdict::Passes, "", nullptr},
    {"Svr104", "Oa=300", Verdict::Warned, "above 255: sent modulo 256",
     [](const GatewayConfig& c) { return c.OriginatorAddress() == 44; }},
    {"Svr104", "Oa=-1", Verdict::Refused, "below 0", nullptr},
    {"Svr104", "Oa=99999999999", Verdict::Refused, "outside the range of a whole number", nullptr},
    /* report period: below 0 counts as 0 */
    {"Svr104", "Periodic=0", Verdict::Passes, "", nullptr},
    {"Svr104", "Periodic=-3", Verdict::Warned, "below 0: counts as 0", nullptr},
    {"Svr104", "Periodic=1.5", Verdict::Refused, "not a whole number", nullptr},
    /* flags */
    {"Svr104", "StrictIec=1", Verdict::Passes, "", nullptr},
    {"Svr104", "StrictIec=2", Verdict::Refused, "outside 0-1", nullptr},
    {"Svr104", "StrictIec=yes", Verdict::Refused, "not a whole number", nullptr},
    {"Svr104", "Spontaneous=true", Verdict::Refused, "not a whole number", nullptr},
    {"Svr104", "Spontaneous=-1", Verdict::Refused, "outside 0-1", nullptr},
    /* scan period: below 100 counts as 100 */
    {"Svr104", "ScanMs=100", Verdict::Passes, "", nullptr},
    {"Svr104", "ScanMs=50", Verdict::Warned, "below 100: counts as 100",
     [](const GatewayConfig& c) { return c.Spontaneous().scanMs == 100; }},
    {"Svr104", "ScanMs=-5", Verdict::Warned, "below 100: counts as 100",
     [](const GatewayConfig& c) { return c.Spontaneous().scanMs == 100; }},
    {"Svr104", "ScanMs=1e3", Verdict::Refused, "not a whole number", nullptr},
    {"Svr104", "ScanMs=250.5", Verdict::Refused, "not a whole number", nullptr},
    /* deadbands: plain decimal numbers, dot as separator, finite, 0 or more */
    {"Svr104", "Deadband=0.5", Verdict::Passes, "",
     [](const GatewayConfig& c) { return c.Spontaneous().deadband == 0.5; }},
    {"Svr104", "Deadband=.5", Verdict::Passes, "", nullptr},
    {"Svr104", "Deadband=12", Verdict::Passes, "", nullptr},
    {"Svr104", "Deadband=0,5", Verdict::Refused, "not a plain decimal number", nullptr},
    {"Svr104", "Deadband=1e999", Verdict::Refused, "not a plain decimal number", nullptr},
    {"Svr104", "Deadband=5e-1x", Verdict::Refused, "not a plain decimal number", nullptr},
    {"Svr104", "Deadband=-1", Verdict::Refused, "not a plain decimal number", nullptr},
    {"Svr104", "Deadband=nan", Verdict::Refused, "not a plain decimal number", nullptr},
    {"Svr104", "Deadband=1.2.3", Verdict::Refused, "not a plain decimal number", nullptr},
    {"Svr104", "Deadband=.", Verdict::Refused, "not a plain decimal number", nullptr},
    {"Svr104",
     "Deadband=1000000000000000000000000000000000000000000000000000000000000000000000000000000"
     "000000000000000000000000000000000000000000000000000000000000000000000000000000000000000"
     "000000000000000000000000000000000000000000000000000000000000000000000000000000000000000"
     "0000000000000000000000000000000000000000000000000000000000000000000000000000",
     Verdict::Refused, "too large", nullptr},
    {"Svr.Deadband", "tbPower=2.5", Verdict::Passes, "",
     [](const GatewayConfig& c) { return c.Spontaneous().DeadbandOf("tbPower") == 2.5; }},
    {"Svr.Deadband", "tbPower=0,5", Verdict::Refused, "not a plain decimal number", nullptr},
    /* connection policy */
    {"Svr104", "MaxMasters=two", Verdict::Refused, "a whole number 1 or more", nullptr},
    {"Svr104", "AllowedMasters=10.0.0.0/33", Verdict::Refused, "CIDR ranges", nullptr},
    {"Svr104", "BindAddress=localhost", Verdict::Refused, "an IPv4 address", nullptr},
    {"Svr104", "AllowedMasters=10.0.0.0/8, 192.168.1.10", Verdict::Passes, "", nullptr},
    /* redundancy: one of three words, any case */
    {"Svr104", "Redundancy=Connection", Verdict::Passes, "",
     [](const GatewayConfig& c) { return c.Redundancy().Mode() == RedundancyMode::Connection; }},
    {"Svr104", "Redundancy=dual", Verdict::Refused, "not one of single, connection, groups",
     nullptr},
    {"Svr104", "Redundancy=groups", Verdict::Refused, "without a group in [Svr.Groups]", nullptr},
    {"Svr104", "Redundancy=", Verdict::Warned, "empty: the default single is used",
     [](const GatewayConfig& c) { return c.Redundancy().Mode() == RedundancyMode::Single; }},
    /* group lines are read with Redundancy=groups only */
    {"Svr.Groups", "CentreA=10.0.0.0/33", Verdict::Passes, "",
     [](const GatewayConfig& c) { return c.Redundancy().Groups().empty(); }},
    /* per-table keys */
    {"Svr.Detail", "tbPower=1", Verdict::Passes, "", nullptr},
    {"Svr.Detail", "tbPower=2", Verdict::Warned, "not a detail table",
     [](const GatewayConfig& c) { return !c.IsDetail("tbPower"); }},
    {"Svr.Detail", "tbPower=yes", Verdict::Refused, "not a whole number", nullptr},
    {"Svr.BaseAddr", "tbPower=4001", Verdict::Passes, "", nullptr},
    {"Svr.BaseAddr", "tbPower=0x4100", Verdict::Passes, "", nullptr},
    {"Svr.BaseAddr", "tbPower=5001", Verdict::Passes, "", nullptr}, /* documented: not served */
    {"Svr.BaseAddr", "tbPower=zz", Verdict::Warned, "the table is not served",
     [](const GatewayConfig& c) { return c.BaseAddrOf("tbPower") == 0; }},
    {"Svr.Flds", "tbPower=0", Verdict::Passes, "", nullptr},
    {"Svr.Flds", "tbPower=-1", Verdict::Refused, "below 0", nullptr},
    {"Svr.Flds", "tbPower=two", Verdict::Refused, "not a whole number", nullptr},
};

TEST(ConfigCheck, EveryValueCase_RefusedWarnedOrPassedWithKeyValueAndReason)
{
    for (const ValueCase& c : kValueCases) {
        SCOPED_TRACE(std::string("[") + c.section + "] " + c.line);
        GatewayConfig config;
        std::string bad = "untouched";
        const bool loaded =
            config.Load(WriteIni(std::string("[") + c.section + "]\n" + c.line + "\n"), &bad);
        EXPECT_EQ(c.verdict != Verdict::Refused, loaded);
        EXPECT_EQ(c.verdict == Verdict::Refused ? std::string(c.line) : "untouched", bad);
        if (c.verdict == Verdict::Passes) {
            EXPECT_TRUE(config.Problems().empty())
                << (config.Problems().empty() ? "" : config.Problems()[0].Text());
        } else {
            ASSERT_EQ(1u, config.Problems().size());
            const ConfigProblem& p = config.Problems()[0];
            EXPECT_EQ(c.verdict == Verdict::Refused, p.refused);
            const std::string text = p.Text();
            const std::string head = std::string("[") + c.section + "] " + c.line + ": ";
            EXPECT_EQ(0u, text.find(head)) << text;
            EXPECT_NE(std::string::npos, text.find(c.reason, head.size())) << text;
        }
        if (c.handled) {
            EXPECT_TRUE(c.handled(config));
        }
    }
}

struct NameCase {
    const char* ini;
    const char* warning; /* the whole warning, "" for none */
};

const NameCase kNameCases[] = {
    {"[SVR104]\nCa=3\n", "unknown section [SVR104]; did you mean [Svr104]?"},
    {"[Svr.Deadbnd]\ntbPower=1\n", "unknown section [Svr.Deadbnd]; did you mean [Svr.Deadband]?"},
    {"[Modbus]\nPort=502\n", "unknown section [Modbus]"},
    {"[Svr104]\nAllowedMaster=10.0.0.1\n",
     "unknown key 'AllowedMaster' in [Svr104]; did you mean 'AllowedMasters'?"},
    {"[Svr104]\nca=3\n", "unknown key 'ca' in [Svr104]; did you mean 'Ca'?"},
    {"[Svr104]\nPeriodc=3\n", "unknown key 'Periodc' in [Svr104]; did you mean 'Periodic'?"},
    {"[Svr104]\nCompletelyElse=1\n", "unknown key 'CompletelyElse' in [Svr104]"},
    {"Oa=3\n[Svr104]\n", "key 'Oa' before the first section is ignored"},
    {"[Svr104]\nCa=3\n[Svr.Detail]\nanyTable=1\n", ""},
    {"[Svr.Group]\nCentreA=10.0.0.1\n", "unknown section [Svr.Group]; did you mean [Svr.Groups]?"},
    /* group names are the file's own: close to a key or a table, still no typo */
    {"[Svr104]\nRedundancy=groups\n[Svr.Groups]\nCa=10.0.0.1\nOA=10.0.0.2\n", ""},
};

TEST(ConfigCheck, UnknownNames_WarnedWithTheNearestKnownName_NothingRefused)
{
    for (const NameCase& c : kNameCases) {
        SCOPED_TRACE(c.ini);
        GatewayConfig config;
        EXPECT_TRUE(config.Load(WriteIni(c.ini), nullptr));
        if (*c.warning == '\0') {
            EXPECT_TRUE(config.Problems().empty());
            continue;
        }
        ASSERT_EQ(1u, config.Problems().size());
        EXPECT_FALSE(config.Problems()[0].refused);
        EXPECT_EQ(c.warning, config.Problems()[0].Text());
    }
    /* A section that does not match is not read: its keys keep their defaults. */
    GatewayConfig config;
    ASSERT_TRUE(config.Load(WriteIni("[SVR104]\nCa=3\n"), nullptr));
    EXPECT_EQ(1, config.CommonAddress());
}

TEST(ConfigCheck, PerTableKeys_NamingNoTable_WarnedWithTheNearestTable)
{
    GatewayConfig config;
    ASSERT_TRUE(config.Load(WriteIni("[Svr.BaseAddr]\ntbPowr=4001\ntbEnv=4010\n"
                                     "[Svr.Detail]\ntbEvent=1\n[Svr.Flds]\nxyz=2\n"),
                            nullptr));
    std::vector<std::string> texts;
    for (const ConfigProblem& p : config.CheckTableNames({"tbPower", "tbEnv", "tbEvent"}))
        texts.push_back(p.Text());
    EXPECT_EQ((std::vector<std::string>{
                  "key 'tbPowr' in [Svr.BaseAddr] names no table of the data store; did you "
                  "mean 'tbPower'?",
                  "key 'xyz' in [Svr.Flds] names no table of the data store"}),
              texts);
}

TEST(ConfigCheck, GroupLines_AnyNameNeverATable_BadListRefusedWithItsSection)
{
    GatewayConfig config;
    ASSERT_TRUE(config.Load(WriteIni("[Svr104]\nRedundancy=GROUPS\n[Svr.Groups]\n"
                                     "tbPowr=10.0.0.1\nCentreB=10.0.0.0/24\n"),
                            nullptr));
    EXPECT_TRUE(config.Problems().empty());
    EXPECT_TRUE(config.CheckTableNames({"tbPower"}).empty());
    ASSERT_EQ(2u, config.Redundancy().Groups().size());

    std::string bad;
    EXPECT_FALSE(config.Load(WriteIni("[Svr104]\nRedundancy=groups\n[Svr.Groups]\n"
                                      "A=10.0.0.1\nB=10.0.0.0/33\n"),
                             &bad));
    EXPECT_EQ("B=10.0.0.0/33", bad);
    ASSERT_EQ(1u, config.Problems().size());
    const ConfigProblem& p = config.Problems()[0];
    EXPECT_TRUE(p.refused);
    EXPECT_EQ("Svr.Groups", p.section);
    EXPECT_EQ(0u, p.Text().find("[Svr.Groups] B=10.0.0.0/33: ")) << p.Text();
    EXPECT_NE(std::string::npos, p.Text().find("CIDR ranges")) << p.Text();
}

TEST(ConfigCheck, SeveralProblems_AllListedInNameOrder_FirstRefusalNamed)
{
    GatewayConfig config;
    std::string bad;
    EXPECT_FALSE(config.Load(WriteIni("[Svr104]\nOa=300\nCa=0\nDeadband=0,5\nMaxMasters=0\n"
                                      "[Svr.Flds]\ntbPower=x\n"),
                             &bad));
    /* name order: "Svr.Flds" before "Svr104"; Ca, Deadband, MaxMasters, Oa;
     * the connection policy's refusal last */
    EXPECT_EQ("tbPower=x", bad);
    std::vector<std::string> keys;
    for (const ConfigProblem& p : config.Problems())
        keys.push_back(p.key + (p.refused ? "!" : "?"));
    EXPECT_EQ((std::vector<std::string>{"tbPower!", "Ca!", "Deadband!", "Oa?", "MaxMasters!"}),
              keys);
}

TEST(ConfigCheck, Nearest_CaseIgnored_FarNamesNotSuggested)
{
    const std::vector<std::string> known = {"Svr104", "Svr.Detail", "Svr.BaseAddr"};
    EXPECT_EQ("Svr104", config_keys::Nearest("svr104", known));
    EXPECT_EQ("Svr104", config_keys::Nearest("Svr10", known));
    EXPECT_EQ("Svr.BaseAddr", config_keys::Nearest("Svr.BaseAdr", known));
    EXPECT_EQ("", config_keys::Nearest("Modbus", known));
    EXPECT_EQ("", config_keys::Nearest("x", {}));
}

} // namespace
