// SPDX-License-Identifier: Apache-2.0
#include "options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

/* Runs parseOptions over a command line given as words (program name added). */
bool parseWords(std::vector<std::string> words, MasterOptions& options, std::string& error)
{
    words.insert(words.begin(), "qx104master");
    std::vector<char*> argv;
    for (auto& w : words)
        argv.push_back(&w[0]);
    argv.push_back(nullptr);
    return parseOptions(static_cast<int>(words.size()), argv.data(), options, error);
}

TEST(ParseOptions, NoArgumentsKeepsDefaults)
{
    MasterOptions o;
    std::string error;
    ASSERT_TRUE(parseWords({}, o, error));
    EXPECT_EQ("127.0.0.1", o.host);
    EXPECT_EQ(2404, o.port);
    EXPECT_EQ("", o.bindAddress) << "the system chooses the local address";
    EXPECT_EQ(1, o.commonAddress);
    EXPECT_EQ(6, o.cause);
    EXPECT_EQ(5, o.listenSeconds);
    EXPECT_EQ(10, o.silenceSeconds) << "the gateway's default report period";
    EXPECT_FALSE(o.interrogate);
    EXPECT_FALSE(o.singleCommand);
    EXPECT_FALSE(o.clockSync);
}

TEST(ParseOptions, AllRequestsTogetherSetEveryField)
{
    MasterOptions o;
    std::string error;
    ASSERT_TRUE(parseWords({"-H",  "localhost", "-p", "2405", "-b", "127.0.0.2", "-a",
                            "300", "-o",        "7",  "-g",   "21", "-c",        "5000=1",
                            "-C",  "8",         "-s", "-w",   "0",  "-r",        "2"},
                           o, error))
        << error;
    EXPECT_EQ("localhost", o.host);
    EXPECT_EQ(2405, o.port);
    EXPECT_EQ("127.0.0.2", o.bindAddress);
    EXPECT_EQ(300, o.commonAddress);
    EXPECT_EQ(7, o.originatorAddress);
    EXPECT_TRUE(o.interrogate);
    EXPECT_EQ(21, o.qoi);
    EXPECT_TRUE(o.singleCommand);
    EXPECT_EQ(5000, o.commandIoa);
    EXPECT_TRUE(o.commandState);
    EXPECT_EQ(8, o.cause);
    EXPECT_TRUE(o.clockSync);
    EXPECT_EQ(0, o.listenSeconds);
    EXPECT_EQ(2, o.silenceSeconds);
}

TEST(ParseOptions, StationInterrogationFlagSetsQualifier20)
{
    MasterOptions o;
    std::string error;
    ASSERT_TRUE(parseWords({"-g", "30", "-i"}, o, error));
    EXPECT_TRUE(o.interrogate);
    EXPECT_EQ(20, o.qoi);
}

/* getopt_long conventions: grouped flags, a value right after its letter,
 * and the help and version requests. */
TEST(ParseOptions, GroupedFlagsAttachedValuesHelpAndVersion)
{
    MasterOptions o;
    std::string error;
    ASSERT_TRUE(parseWords({"-is", "-p2405", "-c5000=1", "--version", "-h"}, o, error)) << error;
    EXPECT_TRUE(o.interrogate);
    EXPECT_TRUE(o.clockSync);
    EXPECT_EQ(2405, o.port);
    EXPECT_EQ(5000, o.commandIoa);
    EXPECT_TRUE(o.version);
    EXPECT_TRUE(o.help);
    MasterOptions plain;
    ASSERT_TRUE(parseWords({"--help"}, plain, error)) << error;
    EXPECT_TRUE(plain.help);
    EXPECT_FALSE(plain.version);
}

TEST(ParseOptions, CommandStateZeroIsOff)
{
    MasterOptions o;
    std::string error;
    ASSERT_TRUE(parseWords({"-c", "16777215=0"}, o, error));
    EXPECT_EQ(16777215, o.commandIoa);
    EXPECT_FALSE(o.commandState);
}

struct BadLine {
    std::vector<std::string> words;
    const char* reasonPart;
};

/* Names each case by its command line instead of a dump of the struct's bytes. */
void PrintTo(const BadLine& line, std::ostream* os)
{
    for (size_t i = 0; i < line.words.size(); i++)
        *os << (i ? " " : "") << line.words[i];
}

class ParseOptionsRejects : public ::testing::TestWithParam<BadLine>
{
};

TEST_P(ParseOptionsRejects, MalformedOrOutOfRangeValueGivesReason)
{
    MasterOptions o;
    std::string error;
    EXPECT_FALSE(parseWords(GetParam().words, o, error));
    EXPECT_NE(std::string::npos, error.find(GetParam().reasonPart)) << error;
}

INSTANTIATE_TEST_SUITE_P(
    Table, ParseOptionsRejects,
    ::testing::Values(BadLine{{"-x"}, "unknown option"}, BadLine{{"extra"}, "unexpected argument"},
                      BadLine{{"-p"}, "needs a value"}, BadLine{{"-p", "0"}, "bad value"},
                      BadLine{{"-p", "65536"}, "bad value"}, BadLine{{"-p", "24x"}, "bad value"},
                      BadLine{{"-a", "65536"}, "bad value"}, BadLine{{"-o", "256"}, "bad value"},
                      BadLine{{"-C", "0"}, "bad value"}, BadLine{{"-C", "64"}, "bad value"},
                      BadLine{{"-c", "5000"}, "bad value"}, BadLine{{"-c", "5000=2"}, "bad value"},
                      BadLine{{"-c", "=1"}, "bad value"},
                      BadLine{{"-c", "16777216=1"}, "bad value"},
                      BadLine{{"-w", "-1"}, "bad value"}, BadLine{{"-r", "x"}, "bad value"},
                      BadLine{{"-H", ""}, "bad value"}, BadLine{{"-b", ""}, "bad value"},
                      BadLine{{"-b", "localhost"}, "bad value for -b"},
                      BadLine{{"-b", "127.0.0.256"}, "bad value"}, BadLine{{"-b"}, "needs a value"},
                      BadLine{{"-iq"}, "unknown option: -q"},
                      BadLine{{"--bogus"}, "unknown option: --bogus"},
                      BadLine{{"-i", "--", "-s"}, "unexpected argument: -s"}));

} // namespace
