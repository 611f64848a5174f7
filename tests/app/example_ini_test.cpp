// SPDX-License-Identifier: Apache-2.0
/*
 * The example qxSvr.ini that the package installs: the gateway reads it as
 * documented (its values are the documented defaults and serve the demo data
 * set's tables), and every key and per-table section carries its comment.
 */
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "gateway_test_fixture.h"

namespace
{

using ExampleIni = GatewayTest;

std::vector<std::string> exampleLines()
{
    std::ifstream in(QX_EXAMPLE_INI);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

TEST_F(ExampleIni, OnDemoData_DocumentedDefaultsAndDemoTablesServed)
{
    std::ifstream in(QX_EXAMPLE_INI);
    ASSERT_TRUE(in.good()) << QX_EXAMPLE_INI;
    std::stringstream text;
    text << in.rdbuf();
    WriteIni(text.str());
    std::string out;
    auto gw = InitGateway(&out);
    EXPECT_TRUE(gw->IsOk());
    EXPECT_EQ(gw->OriginatorAddress(), 2);
    EXPECT_EQ(gw->CommonAddress(), 1);
    EXPECT_EQ(gw->GetPeriodic(), 10);
    EXPECT_EQ(out, "   tbModbusDat...on 0X4081\n"
                   "   tbEvent...is detail\n"
                   "   tbPower...on 0X4001\n"
                   "   tbEnv...on 0X4010\n"
                   "  Init done\n");
}

TEST_F(ExampleIni, EveryKeyAndSection_HasACommentAbove)
{
    std::vector<std::string> lines = exampleLines();
    ASSERT_FALSE(lines.empty());
    std::vector<std::string> sections;
    std::string section;
    std::string previous; // the last line that was not empty
    for (const std::string& line : lines) {
        if (line.empty())
            continue; // empty lines do not end a comment block
        std::string above = previous;
        previous = line;
        if (line[0] == ';' || line[0] == '#')
            continue;
        bool header = line[0] == '[';
        if (header) {
            section = line.substr(1, line.find(']') - 1);
            sections.push_back(section);
        }
        // The gateway's own keys are documented one by one; the per-table
        // sections once, above their header.
        if (header || section == "Svr104") {
            EXPECT_EQ(above.substr(0, 1), ";") << "no comment above: " << line;
        }
    }
    EXPECT_EQ(sections, (std::vector<std::string>{"Svr104", "Svr.Detail", "Svr.BaseAddr",
                                                  "Svr.Flds", "Svr.Deadband"}));
}

TEST_F(ExampleIni, NamesEveryKeyOfTheGatewaySection)
{
    std::string text;
    for (const std::string& line : exampleLines())
        text += line + "\n";
    // A key may stand commented out (";MaxMasters=4") when it has no default value.
    for (const char* key : {"Oa", "Ca", "Periodic", "AllowedMasters", "MaxMasters", "BindAddress",
                            "StrictIec", "Spontaneous", "ScanMs", "Deadband"})
        EXPECT_TRUE(text.find("\n" + std::string(key) + "=") != std::string::npos ||
                    text.find("\n;" + std::string(key) + "=") != std::string::npos)
            << "missing key " << key;
}

} // namespace
