// SPDX-License-Identifier: Apache-2.0
/*
 * The command lines of the four programs, run as processes: help, version,
 * an unknown option, and qxdemo's refusal to replace a controller's files
 * without --force. One table per concern.
 */
#include <dirent.h>
#include <sys/wait.h>

#include <algorithm>

#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "fakes/file_helpers.h"
#include "qx_paths.h"
#include "tool_launcher.h"

namespace
{

struct Result {
    int status = -1;
    std::string out;
    std::string err;
};

/* Runs "<program> <arguments>" (arguments already quoted for the shell) in
 * dir; stderr goes through a file there. */
Result RunProgram(const std::string& program, const std::string& arguments, const std::string& dir)
{
    const std::string errPath = dir + "/stderr.txt";
    const std::string cmd = "cd '" + dir + "' && " + QX_TOOL_LAUNCHER + "'" + program + "' " +
                            arguments + " 2>'" + errPath + "'";
    Result r;
    FILE* pipe = popen(cmd.c_str(), "r");
    if (pipe == nullptr)
        return r;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, pipe)) > 0)
        r.out.append(buf, n);
    const int status = pclose(pipe);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.err = qxtest::readFile(errPath);
    return r;
}

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

/* The names in a folder, sorted, without "." and "..". */
std::vector<std::string> Entries(const std::string& dir)
{
    std::vector<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (const struct dirent* e = readdir(d))
            if (std::string(e->d_name) != "." && std::string(e->d_name) != "..")
                names.push_back(e->d_name);
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// ------------------------------------------------------ help, version, usage

struct Program {
    const char* name;
    const char* path;
};

const Program kPrograms[] = {
    {"qxsvr104", QX_GATEWAY_BINARY},
    {"qx104master", QX104MASTER_BINARY},
    {"qxdemo", QXDEMO_BINARY},
    {"qxpoints", QXPOINTS_BINARY},
};

enum class Expect { Help, Version, Usage };

struct Line {
    const char* arguments;
    Expect expect;
    const char* only; /* the one program the line is for; nullptr: all */
};

const Line kLines[] = {
    {"-h", Expect::Help, nullptr},
    {"--help", Expect::Help, nullptr},
    {"--version", Expect::Version, nullptr},
    {"--bogus", Expect::Usage, nullptr},
    {"-y", Expect::Usage, nullptr},
    {"extra", Expect::Usage, "qxsvr104"},
    {"-i extra", Expect::Usage, "qx104master"},
    {"-p", Expect::Usage, "qx104master"},
    {"work cfg.db3 third", Expect::Usage, "qxdemo"},
    {"--status 40000 work", Expect::Usage, "qxdemo"},
    {"--cfg", Expect::Usage, "qxpoints"},
    {"--csv one two", Expect::Usage, "qxpoints"},
};

struct Case {
    Program program;
    Line line;
};

void PrintTo(const Case& c, std::ostream* os)
{
    *os << c.program.name << " " << c.line.arguments;
}

std::vector<Case> AllCases()
{
    std::vector<Case> cases;
    for (const Program& p : kPrograms)
        for (const Line& l : kLines)
            if (l.only == nullptr || std::string(l.only) == p.name)
                cases.push_back({p, l});
    return cases;
}

class CommandLine : public ::testing::TestWithParam<Case>
{
};

TEST_P(CommandLine, HelpVersionAndUsageErrors)
{
    const Case& c = GetParam();
    const std::string dir = qxtest::freshTestDir();
    ASSERT_FALSE(dir.empty());
    const Result r = RunProgram(c.program.path, c.line.arguments, dir);
    const std::string usage = std::string("Usage: ") + c.program.name + " ";
    switch (c.line.expect) {
    case Expect::Help:
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out.rfind(usage, 0), 0u) << "the usage line comes first:\n" << r.out;
        EXPECT_TRUE(Contains(r.out, "--version")) << r.out;
        ASSERT_TRUE(Contains(r.out, "\nExit status:\n  0 ")) << r.out;
        EXPECT_TRUE(Contains(r.out.substr(r.out.find("\nExit status:")), "  2  ")) << r.out;
        EXPECT_TRUE(Contains(r.out, "bad command line")) << r.out;
        EXPECT_EQ(r.err, "");
        break;
    case Expect::Version:
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, std::string(c.program.name) + " " + QX_VERSION + "\n");
        EXPECT_EQ(r.err, "");
        break;
    case Expect::Usage:
        EXPECT_EQ(r.status, 2) << r.out;
        EXPECT_TRUE(Contains(r.err, usage)) << r.err;
        EXPECT_EQ(r.out, "") << "nothing on stdout for a bad command line";
        break;
    }
    /* Nothing but the stderr file: the program did not act on the line. */
    EXPECT_EQ(Entries(dir), std::vector<std::string>{"stderr.txt"});
}

INSTANTIATE_TEST_SUITE_P(Table, CommandLine, ::testing::ValuesIn(AllCases()));

// ------------------------------------------------ qxdemo and existing files

/* The files qxdemo writes, relative to the test's folder. */
const char* const kDemoFiles[] = {"work/tmp/dbDat0.db3", "work/qxSvr.ini", "flash/dbCfg.db3"};

struct DemoCase {
    const char* label;
    std::vector<int> existing; /* indexes into kDemoFiles made beforehand */
    bool force;
    int status;
};

void PrintTo(const DemoCase& c, std::ostream* os)
{
    *os << c.label;
}

class QxDemoFiles : public ::testing::TestWithParam<DemoCase>
{
};

TEST_P(QxDemoFiles, ReplacesExistingFilesOnlyWithForce)
{
    const DemoCase& c = GetParam();
    const std::string dir = qxtest::freshTestDir();
    ASSERT_FALSE(dir.empty());
    const std::string kept = "a controller's own file\n";
    for (int i : c.existing) {
        const std::string path = dir + "/" + kDemoFiles[i];
        ASSERT_TRUE(qxtest::makeDirs(path.substr(0, path.rfind('/'))));
        ASSERT_TRUE(qxtest::writeFile(path, kept));
    }
    const Result r = RunProgram(
        QXDEMO_BINARY, std::string(c.force ? "--force " : "") + "work flash/dbCfg.db3", dir);
    EXPECT_EQ(r.status, c.status) << r.err;

    for (int i = 0; i < 3; ++i) {
        const std::string path = dir + "/" + kDemoFiles[i];
        const bool existed = std::find(c.existing.begin(), c.existing.end(), i) != c.existing.end();
        if (c.status == 0) {
            EXPECT_NE(qxtest::readFile(path), kept) << path << " not replaced";
            EXPECT_TRUE(qxtest::pathExists(path)) << path;
            EXPECT_TRUE(Contains(r.out, std::string("wrote ") + kDemoFiles[i] + " (")) << r.out;
        } else {
            EXPECT_EQ(qxtest::pathExists(path), existed) << path << ": nothing may be written";
            if (existed) {
                EXPECT_EQ(qxtest::readFile(path), kept) << path << " was changed";
                EXPECT_TRUE(Contains(r.err, std::string("qxdemo: ") + kDemoFiles[i] + " exists"))
                    << r.err;
            } else {
                EXPECT_FALSE(Contains(r.err, kDemoFiles[i])) << "names only what exists";
            }
        }
    }
    if (c.status == 0) {
        EXPECT_EQ(qxtest::readFile(dir + "/flash/dbCfg.db3").rfind("SQLite format 3", 0), 0u);
        EXPECT_EQ(r.err, "");
    } else {
        EXPECT_TRUE(Contains(r.err, "--force")) << "the refusal says how to replace";
        EXPECT_EQ(r.out, "");
    }
}

INSTANTIATE_TEST_SUITE_P(Table, QxDemoFiles,
                         ::testing::Values(DemoCase{"nothing there", {}, false, 0},
                                           DemoCase{"configuration database", {2}, false, 3},
                                           DemoCase{"data set", {0}, false, 3},
                                           DemoCase{"qxSvr.ini", {1}, false, 3},
                                           DemoCase{"all three", {0, 1, 2}, false, 3},
                                           DemoCase{"configuration database, forced", {2}, true, 0},
                                           DemoCase{"all three, forced", {0, 1, 2}, true, 0}));

} // namespace
