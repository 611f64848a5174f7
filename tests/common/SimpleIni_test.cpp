// SPDX-License-Identifier: Apache-2.0
#include "SimpleIni.h"

#include <gtest/gtest.h>

#include "fakes/file_helpers.h"

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace
{

using qxtest::readFile;
using qxtest::testPath;
using qxtest::writeFile;

/* Loads text through a file and returns the object. */
void loadText(SimpleIni& ini, const std::string& name, const std::string& text)
{
    const std::string path = testPath(name);
    writeFile(path, text);
    ASSERT_TRUE(ini.Load(path));
}

/* Every (section, key, value, comment) in iteration order. */
std::vector<std::string> dump(SimpleIni& ini)
{
    std::vector<std::string> rows;
    for (auto s = ini.beginSection(); s != ini.endSection(); ++s)
        for (auto k = ini.beginKey((*s).first); k != ini.endKey((*s).first); ++k)
            rows.push_back("[" + (*s).first + "] " + (*k).first + "=" + (*k).second.value + " |" +
                           (*k).second.comment);
    return rows;
}

struct LineCase {
    const char* line;
    const char* key;
    const char* value;
    const char* comment;
};

} // namespace

TEST(SimpleIniLoad, EntryLine_SplitsKeyValueAndComment)
{
    const LineCase cases[] = {
        {"key = value ; note", "key", "value", " note"},
        {"a=b=c", "a", "b=c", ""},
        {"flag", "flag", "", ""},
        {"= x", "", "x", ""},
        {"k=v#hash", "k", "v", "hash"},
        {"k=v;a#b", "k", "v", "a#b"},
        {"k=v#a;b", "k", "v", "a;b"},
        {"\tk =  spaced value  \t", "k", "spaced value", ""},
        {"k=v\r", "k", "v", ""},
        {"k=v\r\r", "k", "v\r", ""},
        {"   ; note", "", "", " note"},
        {"  [Net]", "[Net]", "", ""},
        {"k=", "k", "", ""},
    };
    for (const LineCase& c : cases) {
        SimpleIni ini;
        loadText(ini, "line.ini", std::string("[S]\n") + c.line + "\n");
        SCOPED_TRACE(c.line);
        EXPECT_EQ(std::vector<std::string>{std::string("[S] ") + c.key + "=" + c.value + " |" +
                                           c.comment},
                  dump(ini));
    }
}

TEST(SimpleIniLoad, HeaderLine_NameIsTrimmedTextBeforeFirstBracket)
{
    const std::pair<const char*, const char*> cases[] = {
        {"[ Net ] trailing text", "Net"},
        {"[Net", "Net"},
        {"[Net]k=1", "Net"},
        {"[A];comment", "A"},
        {"[a]b]", "a"},
        {"[\tTabbed\t]\r", "Tabbed"},
    };
    for (const auto& c : cases) {
        SimpleIni ini;
        loadText(ini, "header.ini", std::string(c.first) + "\nx=1\n");
        SCOPED_TRACE(c.first);
        EXPECT_EQ(std::vector<std::string>{std::string("[") + c.second + "] x=1 |"}, dump(ini));
    }
}

TEST(SimpleIniLoad, CrLfFile_ReadsLikeLfFile)
{
    const std::string lf = "top=0\n[Net]\n; doc\nport = 2404 ; tcp\nhost=h\n\n[B]\nk\n";
    std::string crlf;
    for (char c : lf)
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    SimpleIni a, b;
    loadText(a, "lf.ini", lf);
    loadText(b, "crlf.ini", crlf);
    EXPECT_EQ(dump(a), dump(b));
    EXPECT_EQ("2404", b.GetValue("Net", "port"));
    EXPECT_EQ(" tcp", b.GetComment("Net", "port"));
}

TEST(SimpleIniLoad, DuplicateKeysAndSections_LaterKeyWinsSectionsMerge)
{
    SimpleIni ini;
    loadText(ini, "dup.ini", "[S]\nk=1 ;first\na=x\n[T]\nt=1\n[S]\nk=2\nb=y\n");
    EXPECT_EQ((std::vector<std::string>{"[S] a=x |", "[S] b=y |", "[S] k=2 |", "[T] t=1 |"}),
              dump(ini));
}

TEST(SimpleIniLoad, KeysBeforeFirstHeader_BelongToEmptySection)
{
    SimpleIni ini;
    loadText(ini, "top.ini", "top=1\n[B]\nb=2\n");
    EXPECT_EQ("1", ini.GetValue("", "top"));
    EXPECT_EQ("", ini.GetValue("B", "top"));
}

TEST(SimpleIniLoad, MissingFile_ReturnsFalseAndEmptiesSections)
{
    SimpleIni ini;
    loadText(ini, "present.ini", "[S]\nk=v\n");
    EXPECT_FALSE(ini.Load(testPath("does_not_exist.ini")));
    EXPECT_TRUE(ini.beginSection() == ini.endSection());
    EXPECT_EQ("dflt", ini.GetValue("S", "k", "dflt"));
}

TEST(SimpleIniConstruct, MissingFile_ThrowsStringWithFileName)
{
    const std::string path = testPath("absent.ini");
    try {
        SimpleIni ini(path);
        FAIL() << "no exception";
    } catch (const std::string& text) {
        EXPECT_EQ("Unable to open the file " + path + " in read mode.", text);
    }
}

TEST(SimpleIniConstruct, ExistingFile_LoadsIt)
{
    const std::string path = testPath("ctor.ini");
    writeFile(path, "[Svr104]\nPeriodic=15\n");
    SimpleIni ini(path);
    EXPECT_EQ(15, ini.GetValue<int>("Svr104", "Periodic", 10));
}

TEST(SimpleIniGetValue, TypedInt_ParsesLeadingNumberElseDefault)
{
    SimpleIni ini;
    loadText(ini, "int.ini",
             "[S]\nplain=42\nneg=-3\ntail=12abc\nhex=0x1F\nletters=abc\nempty=\n"
             "huge=99999999999\nplus=+7\n");
    ini.SetValue("S", "semi", ";");
    const std::pair<const char*, int> cases[] = {
        {"plain", 42}, {"neg", -3},  {"tail", 12}, {"hex", 0},   {"letters", -1},
        {"empty", -1}, {"huge", -1}, {"plus", 7},  {"semi", -1}, {"missing", -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.second, ini.GetValue<int>("S", c.first, -1)) << c.first;
    EXPECT_EQ(5, ini.GetValue<int>("NoSection", "plain", 5));
}

TEST(SimpleIniGetValue, Lookups_NeverCreateSectionsOrKeys)
{
    SimpleIni ini;
    loadText(ini, "nocreate.ini", "[S]\nk=v\n");
    EXPECT_EQ("d", ini.GetValue("X", "k", "d"));
    EXPECT_EQ(7, ini.GetValue<int>("Y", "k", 7));
    EXPECT_EQ("", ini.GetComment("Z", "k"));
    EXPECT_EQ("d", ini.GetValue("S", "other", "d"));
    EXPECT_EQ(std::vector<std::string>{"[S] k=v |"}, dump(ini));
}

TEST(SimpleIniEdit, SetAndDelete_KeepOtherFieldAndCreateAsDescribed)
{
    SimpleIni ini;
    loadText(ini, "edit.ini", "[S]\nk=v ;c\n");
    ini.SetValue("S", "k", "new");
    EXPECT_EQ("c", ini.GetComment("S", "k"));
    ini.SetComment("S", "k", "note");
    EXPECT_EQ("new", ini.GetValue("S", "k"));
    ini.SetComment("N", "fresh", "only comment");
    EXPECT_EQ("", ini.GetValue("N", "fresh", "absent"));
    ini.DeleteKey("S", "k");
    ini.DeleteKey("S", "not there");
    ini.DeleteKey("Created", "x");
    EXPECT_EQ((std::vector<std::string>{"[N] fresh= |only comment"}), dump(ini));
    std::vector<std::string> sections;
    for (auto s = ini.beginSection(); s != ini.endSection(); ++s)
        sections.push_back(s->first);
    EXPECT_EQ((std::vector<std::string>{"Created", "N", "S"}), sections);
}

TEST(SimpleIniIterate, AbsentSection_GivesEmptyKeyRange)
{
    SimpleIni empty;
    EXPECT_TRUE(empty.beginKey("none") == empty.endKey("none"));
    SimpleIni ini;
    loadText(ini, "iter.ini", "[b]\n[B]\n[a]\nz=1\ny=2\n");
    EXPECT_TRUE(ini.beginKey("none") == ini.endKey("none"));
    auto k = ini.beginKey("a");
    EXPECT_EQ("y", (*k).first);
    EXPECT_EQ("z", (*++k).first);
    EXPECT_TRUE(++k == ini.endKey("a"));
    std::vector<std::string> order;
    for (auto s = ini.beginSection(); s != ini.endSection(); ++s)
        order.push_back((*s).first);
    EXPECT_EQ((std::vector<std::string>{"B", "a", "b"}), order);
}

TEST(SimpleIniSave, LoadedFile_WritesDescribedFormat)
{
    SimpleIni ini;
    loadText(ini, "format_in.ini",
             "top=1\n"
             "; section doc\n"
             "[Net]\n"
             "; port doc\n"
             "#second\n"
             "port = 2404 ; tcp\n"
             "host=a=b\n"
             "   ;loose\n"
             "\n"
             "[Empty]\n"
             "[Alpha]\n"
             "x\n"
             ";trailing comment is lost\n");
    const std::string out = testPath("format_out.ini");
    ASSERT_TRUE(ini.SaveAs(out));
    EXPECT_EQ("top=1\n"
              "\n"
              "[Alpha]\n"
              "x=\n"
              "\n"
              "[Empty]\n"
              "\n"
              "# section doc\n"
              "[Net]\n"
              "# section doc\n"
              "#loose\n"
              "host=a=b\n"
              "# port doc\n"
              "#second\n"
              "port=2404\t; tcp\n",
              readFile(out));
}

TEST(SimpleIniSave, InlineComment_WrittenAfterTabSemicolon)
{
    SimpleIni ini;
    loadText(ini, "inline.ini", "[S]\nk=v;c\n");
    const std::string out = testPath("inline_out.ini");
    ASSERT_TRUE(ini.SaveAs(out));
    EXPECT_EQ("[S]\nk=v\t;c\n", readFile(out));
}

TEST(SimpleIniSave, DescriptionLines_ComeBackAsHashLines)
{
    SimpleIni ini;
    loadText(ini, "desc.ini", ";one\n\n#two\nk=1\n");
    const std::string out = testPath("desc_out.ini");
    ASSERT_TRUE(ini.SaveAs(out));
    EXPECT_EQ("#one\n#two\nk=1\n", readFile(out));
}

TEST(SimpleIniSave, RoundTrip_KeepsSectionsKeysValuesAndComments)
{
    SimpleIni first;
    loadText(first, "round_in.ini",
             "g=1 ;global\r\n[Svr104]\r\n;Originator\r\nOa=2\r\nCa = 1\r\nPeriodic=10 # s\r\n"
             "[Svr.Detail]\r\ntbModbusDat=1\r\n[Svr.Flds]\r\nt=a=b\r\n");
    const std::string once = testPath("round_1.ini");
    const std::string twice = testPath("round_2.ini");
    ASSERT_TRUE(first.SaveAs(once));
    SimpleIni second(once);
    EXPECT_EQ(dump(first), dump(second));
    ASSERT_TRUE(second.Save());
    ASSERT_TRUE(second.SaveAs(twice));
    EXPECT_EQ(readFile(once), readFile(twice));
    EXPECT_NE(std::string::npos, readFile(twice).find("[Svr104]\nCa=1\n#Originator\nOa=2\n"));
}

TEST(SimpleIniSave, Save_WritesToLastLoadedName)
{
    const std::string path = testPath("save_target.ini");
    writeFile(path, "[S]\nk=v\n");
    SimpleIni ini(path);
    ini.SetValue("S", "k", "changed");
    ASSERT_TRUE(ini.Save());
    EXPECT_EQ("[S]\nk=changed\n", readFile(path));
}

TEST(SimpleIniSave, UnwritablePath_ReturnsFalse)
{
    SimpleIni ini;
    ini.SetValue("S", "k", "v");
    EXPECT_FALSE(ini.SaveAs(testPath("no_such_dir/out.ini")));
}

TEST(SimpleIniSave, DescriptionsOfEarlierLoad_StayAttached)
{
    SimpleIni ini;
    loadText(ini, "earlier.ini", ";old doc\nk=1\n");
    loadText(ini, "later.ini", "k=2\n");
    const std::string out = testPath("earlier_out.ini");
    ASSERT_TRUE(ini.SaveAs(out));
    EXPECT_EQ("#old doc\nk=2\n", readFile(out));
}

TEST(SimpleIniHelpers, TrimAndParasitCar_RemoveOnlyTheirBytes)
{
    EXPECT_EQ("a b", SimpleIni::Trim(" \t a b\t "));
    EXPECT_EQ("", SimpleIni::Trim(" \t \t"));
    EXPECT_EQ("\ra\f", SimpleIni::Trim(" \ra\f "));
    const std::pair<std::string, std::string> cases[] = {
        {"abc\r", "abc"}, {"abc\r\r", "abc\r"},         {"abc\x1f", "abc"}, {"abc ", "abc "},
        {"", ""},         {std::string("a\0", 2), "a"},
    };
    for (const auto& c : cases) {
        std::string line = c.first;
        SimpleIni::ParasitCar(line);
        EXPECT_EQ(c.second, line);
    }
}
