// SPDX-License-Identifier: Apache-2.0
#include "qxLog.h"

#include <gtest/gtest.h>

#include "fakes/file_helpers.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <cctype>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <thread>

/* The log path the trace log appends to; the process host defines it in the
 * program. */
const char* filename = nullptr;

namespace
{

using qxtest::readFile;
using qxtest::testPath;
using qxtest::writeFile;

bool exists(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

std::string readString(const std::string& path, const char* section, const char* key,
                       int* found = nullptr, int size = 64)
{
    char value[256];
    std::memset(value, '?', sizeof value);
    const int rc = read_profile_string(section, key, value, size, "<default>", path.c_str());
    if (found)
        *found = rc;
    return value;
}

} // namespace

TEST(ReadProfile, Values_ExactKeysAndSectionsOnly)
{
    const std::string path = testPath("read.ini");
    writeFile(path, "top=0\n[net]\nport=2404\nspaced = 1\ntrail=2404 \n;hidden=1\n#hash=2\n"
                    "portx=7\n[netx]\nport=5\n");
    struct Case {
        const char* section;
        const char* key;
        int found;
        const char* value;
    };
    const Case cases[] = {
        {"net", "port", 1, "2404"},        {"net", "trail", 1, "2404 "},
        {"net", "spaced", 0, "<default>"}, {"net", "spaced ", 1, " 1"},
        {"net", "hidden", 0, "<default>"}, {"net", "#hash", 1, "2"},
        {"net", "portx", 1, "7"},          {"net", "portxy", 0, "<default>"},
        {"net", "por", 0, "<default>"},    {"netx", "port", 1, "5"},
        {"netxy", "port", 0, "<default>"}, {"ne", "port", 0, "<default>"},
        {"net", "top", 0, "<default>"},
    };
    for (const Case& c : cases) {
        int found = -1;
        EXPECT_EQ(c.value, readString(path, c.section, c.key, &found)) << c.section << "/" << c.key;
        EXPECT_EQ(c.found, found) << c.section << "/" << c.key;
    }
    EXPECT_EQ(2404, read_profile_int("net", "port", -1, path.c_str()));
    EXPECT_EQ(-1, read_profile_int("net", "missing", -1, path.c_str()));
    EXPECT_EQ(-1, read_profile_int("net", "port", -1, testPath("absent.ini").c_str()));
}

TEST(ReadProfile, CrLfAndSmallBuffer_NoCarriageReturnAndCutValue)
{
    const std::string path = testPath("crlf.ini");
    writeFile(path, "[S]\r\na=12345\r\nb=x\r\n");
    EXPECT_EQ("12345", readString(path, "S", "a"));
    EXPECT_EQ("x", readString(path, "S", "b"));
    EXPECT_EQ("123", readString(path, "S", "a", nullptr, 4));
    EXPECT_EQ("<de", readString(path, "S", "zz", nullptr, 4));
    char untouched[8] = "keep";
    EXPECT_EQ(0, read_profile_string("S", "zz", untouched, 8, nullptr, path.c_str()));
    EXPECT_STREQ("keep", untouched);
}

TEST(ParseFile, Positions_PointIntoTheText)
{
    const char text[] = "[net]\n  \nport=2404\r\nx=1";
    int secS, secE, keyS, keyE, valueS, valueE;
    ASSERT_EQ(1, parse_file("net", "port", text, &secS, &secE, &keyS, &keyE, &valueS, &valueE));
    EXPECT_EQ(1, secS);
    EXPECT_EQ(9, secE);
    EXPECT_EQ(9, keyS);
    EXPECT_EQ(12, keyE);
    EXPECT_EQ(14, valueS);
    EXPECT_EQ(18, valueE);
    ASSERT_EQ(1, parse_file("net", "x", text, &secS, &secE, &keyS, &keyE, &valueS, &valueE));
    EXPECT_EQ(22, valueS);
    EXPECT_EQ(23, valueE);
    EXPECT_EQ(0, parse_file("net", "y", text, &secS, &secE, &keyS, &keyE, &valueS, &valueE));
    EXPECT_EQ(1, secS);
    EXPECT_EQ(9, secE);
    EXPECT_EQ(-1, keyS);
    EXPECT_EQ(-1, valueE);
    EXPECT_EQ(0, parse_file("other", "x", text, &secS, &secE, &keyS, &keyE, &valueS, &valueE));
    EXPECT_EQ(-1, secS);
}

TEST(WriteProfile, Rewrites_ProduceExactText)
{
    struct Case {
        const char* name;
        const char* before; /* null: no file */
        const char* section;
        const char* key;
        const char* value;
        const char* after;
    };
    const Case cases[] = {
        {"missing", nullptr, "S", "k", "v", "[S]\nk=v\n"},
        {"empty", "", "S", "k", "v", "[S]\nk=v\n"},
        {"new_section", "[A]\na=1\n", "B", "k", "v", "[A]\na=1\n\n[B]\nk=v\n"},
        {"new_key", "[S]\na=1\n", "S", "k", "v", "[S]\nk=v\na=1\n"},
        {"empty_section", "[S]\n[T]\nt=1\n", "S", "k", "v", "[S]\nk=v\n[T]\nt=1\n"},
        {"header_at_end", "[A]\na=1\n[S]", "S", "k", "v", "[A]\na=1\n[S]k=v\n"},
        {"longer", "[S]\na=1\nk=old\nz=9\n", "S", "k", "longer value",
         "[S]\na=1\nk=longer value\nz=9\n"},
        {"shorter", "[S]\nk=old value\r\nz=9\r\n", "S", "k", "n", "[S]\nk=n\r\nz=9\r\n"},
        {"exact_key", "[S]\nport=1\n", "S", "portx", "2", "[S]\nportx=2\nport=1\n"},
        {"exact_section", "[net]\nport=1\n", "netx", "port", "2",
         "[net]\nport=1\n\n[netx]\nport=2\n"},
        {"last_duplicate", "[S]\na=1\n[T]\n[S]\nb=2\n", "S", "c", "3",
         "[S]\na=1\n[T]\n[S]\nc=3\nb=2\n"},
        {"comment_key", "[S]\n;k=1\n", "S", "k", "2", "[S]\nk=2\n;k=1\n"},
        /* A header without "]" names no section. */
        {"unclosed_header_at_end", "[S]\na=1\n[S", "S", "k", "v", "[S]\nk=v\na=1\n[S"},
        {"only_unclosed_header", "a=1\n[S", "S", "k", "v", "a=1\n[S\n[S]\nk=v\n"},
    };
    for (const Case& c : cases) {
        const std::string path = testPath(std::string("write_") + c.name + ".ini");
        std::remove(path.c_str());
        if (c.before)
            writeFile(path, c.before);
        EXPECT_EQ(1, write_profile_string(c.section, c.key, c.value, path.c_str())) << c.name;
        EXPECT_EQ(c.after, readFile(path)) << c.name;
    }
}

TEST(WriteProfile, HeaderAtEnd_NewKeyReadsBack)
{
    const std::string path = testPath("readback.ini");
    for (const char* before : {"[S]", "[S]\na=1\n[S", "a=1\n[S", "[S\n[T]\n"}) {
        writeFile(path, before);
        ASSERT_EQ(1, write_profile_string("S", "k", "v", path.c_str())) << before;
        EXPECT_EQ("v", readString(path, "S", "k")) << before;
    }
}

TEST(WriteProfile, ByteFF_IsDataAndSurvivesRewrite)
{
    const std::string path = testPath("ff.ini");
    const std::string before = "[S]\nk=\xff\xfev\nz=\xff\n[T]\nt=\xff\n";
    writeFile(path, before);
    EXPECT_EQ("\xff\xfev", readString(path, "S", "k"));
    EXPECT_EQ("\xff", readString(path, "T", "t"));
    ASSERT_EQ(1, write_profile_string("T", "n", "1", path.c_str()));
    EXPECT_EQ("[S]\nk=\xff\xfev\nz=\xff\n[T]\nn=1\nt=\xff\n", readFile(path));
}

TEST(WriteProfile, ZeroByte_KeepsTheTextBehindIt)
{
    const std::string path = testPath("zero.ini");
    static const char before[] = "[S]\nk=1\nbin=a\0b\n[T]\nt=1\n";
    static const char after[] = "[S]\nk=22\nbin=a\0b\n[T]\nt=1\n";
    writeFile(path, std::string(before, sizeof before - 1));
    ASSERT_EQ(1, write_profile_string("S", "k", "22", path.c_str()));
    EXPECT_EQ(std::string(after, sizeof after - 1), readFile(path));
    ASSERT_EQ(1, write_profile_string("T", "t", "2", path.c_str()));
    EXPECT_NE(std::string::npos, readFile(path).find("[T]\nt=1\n\n[T]\nt=2\n"));
}

TEST(ProfileLimits, FileOfBufferSize_RefusedAndLeftUnchanged)
{
    const std::string path = testPath("huge.ini");
    std::string huge = "[S]\nk=v\n";
    huge += std::string(QX_PROFILE_BUF_SIZE - huge.size() - 1, 'x');
    huge += "\n";
    ASSERT_EQ(static_cast<size_t>(QX_PROFILE_BUF_SIZE), huge.size());
    writeFile(path, huge);

    std::string buffer(QX_PROFILE_BUF_SIZE, '\0');
    int size = -1;
    EXPECT_EQ(0, load_ini_file(path.c_str(), &buffer[0], &size));
    EXPECT_EQ(0, size);
    int found = -1;
    EXPECT_EQ("<default>", readString(path, "S", "k", &found));
    EXPECT_EQ(0, found);
    EXPECT_EQ(0, write_profile_string("S", "k", "w", path.c_str()));
    EXPECT_EQ(0, write_profile_string("N", "k", "w", path.c_str()));
    EXPECT_EQ(huge, readFile(path));
}

TEST(ProfileLimits, RewriteBeyondBuffer_RefusedAndLeftUnchanged)
{
    const std::string path = testPath("almost.ini");
    std::string text = "[S]\nk=v\n";
    text += std::string(QX_PROFILE_BUF_SIZE - text.size() - 3, 'x');
    text += "\n";
    ASSERT_EQ(static_cast<size_t>(QX_PROFILE_BUF_SIZE - 2), text.size());
    writeFile(path, text);

    EXPECT_EQ("v", readString(path, "S", "k"));
    EXPECT_EQ(0, write_profile_string("S", "k", "vvv", path.c_str()));
    EXPECT_EQ(text, readFile(path));
    EXPECT_EQ(1, write_profile_string("S", "k", "ww", path.c_str()));
    EXPECT_EQ(static_cast<size_t>(QX_PROFILE_BUF_SIZE - 1), readFile(path).size());
    EXPECT_EQ("ww", readString(path, "S", "k"));
}

TEST(ProfileLimits, LoadIniFile_SizeBoundIsBufferMinusOne)
{
    const std::string path = testPath("small.ini");
    char buf[8];
    int size = -1;
    writeFile(path, "1234567");
    EXPECT_EQ(1, load_ini_file(path.c_str(), buf, &size, sizeof buf));
    EXPECT_EQ(7, size);
    EXPECT_STREQ("1234567", buf);
    writeFile(path, "12345678");
    EXPECT_EQ(0, load_ini_file(path.c_str(), buf, &size, sizeof buf));
    EXPECT_EQ(0, size);
    EXPECT_EQ(0, load_ini_file(testPath("absent.ini").c_str(), buf, &size, sizeof buf));
}

TEST(WriteProfile, UnwritableOrUnreadableTarget_ReturnsZero)
{
    EXPECT_EQ(0, write_profile_string("S", "k", "v", testPath("no_dir/x.ini").c_str()));
    const std::string dir = testPath("a_directory");
    mkdir(dir.c_str(), 0700);
    EXPECT_EQ(0, write_profile_string("S", "k", "v", dir.c_str()));
}

TEST(ProfilePreconditions, BadArguments_FailInReleaseAbortInDebug)
{
    const std::string path = testPath("pre.ini");
    char value[8] = "";
#ifdef NDEBUG
    EXPECT_EQ(0, read_profile_string("S", "", value, 8, nullptr, path.c_str()));
    EXPECT_EQ(0, read_profile_string(nullptr, "k", value, 8, nullptr, path.c_str()));
    EXPECT_EQ(0, read_profile_string("S", "k", value, 0, nullptr, path.c_str()));
    EXPECT_EQ(0, write_profile_string("S", "k", nullptr, path.c_str()));
    EXPECT_EQ(0, write_profile_string("S", "k", "v", nullptr));
    EXPECT_EQ(9, read_profile_int("S", nullptr, 9, path.c_str()));
    EXPECT_FALSE(exists(path));
#else
    EXPECT_DEATH(read_profile_string("S", "", value, 8, nullptr, path.c_str()),
                 "key != __null && strlen\\(key\\)");
    EXPECT_DEATH(write_profile_string("S", "k", nullptr, path.c_str()), "value != __null");
    EXPECT_DEATH(read_profile_string("S", "k", value, 0, nullptr, path.c_str()), "size > 0");
#endif
}

namespace
{

/* Checks one entry "N=[tag][YYYY-MM-DD hh:mm:ss] message" and gives N, or
 * -1 when the text is not such an entry. */
long entryNumber(const std::string& text, const std::string& tag, const std::string& message)
{
    size_t pos = 0;
    while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos])))
        ++pos;
    if (pos == 0)
        return -1;
    const long number = std::stol(text.substr(0, pos));
    const std::string head = "=[" + tag + "][";
    if (text.compare(pos, head.size(), head) != 0)
        return -1;
    pos += head.size();
    const std::string stamp = "dddd-dd-dd dd:dd:dd] ";
    if (text.size() < pos + stamp.size())
        return -1;
    for (size_t i = 0; i < stamp.size(); ++i) {
        const char c = text[pos + i];
        if (stamp[i] == 'd' ? !std::isdigit(static_cast<unsigned char>(c)) : c != stamp[i])
            return -1;
    }
    return text.substr(pos + stamp.size()) == message ? number : -1;
}

/* Starts a fresh log and gives the entry number its first entry gets. */
long freshLog(const std::string& path)
{
    std::remove(path.c_str());
    std::remove((path + ".bak").c_str());
    filename = path.c_str();
    EXPECT_EQ(1, trace_log("probe", "first %d\n", 1));
    const std::string text = readFile(path);
    const long number = entryNumber(text, "probe", "first 1\n");
    EXPECT_GE(number, 0) << text;
    return number;
}

} // namespace

TEST(TraceLog, NullTag_WritesNothingAndReturnsMinusOne)
{
    static const std::string path = testPath("null_tag.log.ini");
    std::remove(path.c_str());
    filename = path.c_str();
    EXPECT_EQ(-1, trace_log(nullptr, "x\n"));
    EXPECT_FALSE(exists(path));
}

TEST(TraceLog, ThousandEntries_RotateToBakAndRestartAtZero)
{
    static const std::string path = testPath("rotate.log.ini");
    long next = freshLog(path) + 1;
    ASSERT_GE(next, 1);
    ASSERT_LE(next, 1000);
    for (; next < 1000; ++next)
        ASSERT_EQ(1, trace_log("fill", "entry %ld\n", next));
    const std::string full = readFile(path);
    EXPECT_NE(std::string::npos, ("\n" + full).find("\n999=["));
    EXPECT_FALSE(exists(path + ".bak"));

    ASSERT_EQ(1, trace_log("after", "rotated\n"));
    EXPECT_EQ(full, readFile(path + ".bak"));
    const std::string fresh = readFile(path);
    EXPECT_EQ(0, entryNumber(fresh, "after", "rotated\n")) << fresh;
    ASSERT_EQ(1, trace_log("after", "second\n"));
    EXPECT_EQ(0u, readFile(path).find(fresh));
    EXPECT_EQ(fresh.size(), readFile(path).find("1=[after]"));
}

TEST(TraceLog, UnopenableLog_DropsEntryAndKeepsNumber)
{
    static const std::string path = testPath("keep.log.ini");
    const long first = freshLog(path);
    ASSERT_GE(first, 0);
    static const std::string bad = testPath("no_dir/x.log.ini");
    filename = bad.c_str();
    EXPECT_EQ(1, trace_log("lost", "gone\n"));
    filename = path.c_str();
    ASSERT_EQ(1, trace_log("kept", "here\n"));
    const std::string text = readFile(path);
    const std::string expected = std::to_string(first == 999 ? 0 : first + 1) + "=[kept]";
    EXPECT_NE(std::string::npos, text.find(expected)) << text;
    EXPECT_EQ(std::string::npos, text.find("lost"));
}

TEST(TraceLog, OversizedEntry_IsCutAndEndsItsLine)
{
    static const std::string path = testPath("long.log.ini");
    freshLog(path);
    const std::string longText(30000, 'L');
    ASSERT_EQ(1, trace_log("long", "%s\n", longText.c_str()));
    ASSERT_EQ(1, trace_log("next", "short\n"));
    std::istringstream lines(readFile(path));
    std::string probe, cut, next;
    std::getline(lines, probe);
    std::getline(lines, cut);
    std::getline(lines, next);
    EXPECT_EQ(20480u, cut.size());
    EXPECT_EQ(std::string::npos, cut.find_first_not_of('L', cut.find("] ") + 2));
    EXPECT_GE(entryNumber(next, "next", "short"), 1) << next;
}

TEST(TraceLog, ConcurrentCallers_GetConsecutiveNumbersAndWholeLines)
{
    static const std::string path = testPath("threads.log.ini");
    long first = freshLog(path);
    ASSERT_GE(first, 0);
    /* Keep all entries of this test in one file. */
    if (first > 800) {
        for (long n = first + 1; n <= 1000; ++n)
            ASSERT_EQ(1, trace_log("fill", "x\n"));
        std::remove((path + ".bak").c_str());
        first = 0;
    }
    const int perThread = 50;
    auto writer = [](const char* tag) {
        for (int i = 0; i < perThread; ++i)
            trace_log(tag, "message %d\n", i);
    };
    std::thread a(writer, "t0");
    std::thread b(writer, "t1");
    a.join();
    b.join();

    std::istringstream lines(readFile(path));
    std::string line;
    long expected = first;
    int written = 0;
    while (std::getline(lines, line)) {
        if (line.find("=[t0]") == std::string::npos && line.find("=[t1]") == std::string::npos) {
            ++expected;
            continue;
        }
        const std::string tag = line.substr(line.find('[') + 1, 2);
        const std::string message = line.substr(line.find("] ", line.find("][")) + 2);
        EXPECT_EQ(expected, entryNumber(line, tag, message)) << line;
        ++expected;
        ++written;
    }
    EXPECT_EQ(2 * perThread, written);
}
