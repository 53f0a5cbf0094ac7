#include "winreg/private_profile.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/test_files.h"

namespace tarvox::winreg {
namespace {

using testing::ReadFile;
using testing::TempDir;

TEST(IniTextGet, Cases) {
    const std::string text =
        "top=outside\r\n"
        "[Main]\r\n"
        "  Name  =  Value with blanks  \r\n"
        "quoted=\"in quotes\"\r\n"
        "single='x'\r\n"
        "half=\"open\r\n"
        "empty=\r\n"
        "bare key\r\n"
        "; comment=not a key\r\n"
        "inline=a ; not a comment\r\n"
        "dup=first\r\n"
        "dup=second\r\n"
        "[ Spaced Section ]\r\n"
        "k=spaced\r\n"
        "[main]\r\n"
        "later=second section\r\n"
        "[Broken\r\n"
        "b=still in Spaced? no: in main\r\n";
    const IniText ini(text);
    struct Case {
        const char* section;
        const char* key;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {"Main", "Name", "Value with blanks"},
        {"MAIN", "name", "Value with blanks"},
        {" Main ", " Name ", "Value with blanks"},
        {"Main", "quoted", "in quotes"},
        {"Main", "single", "x"},
        {"Main", "half", "\"open"},
        {"Main", "empty", ""},
        {"Main", "bare key", ""},
        {"Main", "; comment", std::nullopt},
        {"Main", "inline", "a ; not a comment"},
        {"Main", "dup", "first"},
        {"Spaced Section", "k", "spaced"},
        {"Main", "later", std::nullopt},  // the first section of a name counts
        {"Main", "top", std::nullopt},
        {"", "top", std::nullopt},
        {"Main", "", std::nullopt},
        {"Missing", "Name", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ini.Get(c.section, c.key), c.expected) << "[" << c.section << "] " << c.key;
    }
    EXPECT_TRUE(ini.HasSection("spaced section"));
    EXPECT_TRUE(ini.HasSection("MAIN"));
    EXPECT_FALSE(ini.HasSection("Broken"));
    EXPECT_FALSE(ini.HasSection("Mai"));
}

struct SetCase {
    const char* name;
    std::string before;
    const char* section;
    const char* key;
    const char* value;
    std::string after;
};

TEST(IniTextSet, EditsOnlyWhatItMust) {
    const SetCase cases[] = {
        {"value replaced in place, blanks and case kept", "; head\r\n[Sec]\r\n  KEY =  old  \r\nz=1\r\n", "sec", "key",
         "new", "; head\r\n[Sec]\r\n  KEY =  new  \r\nz=1\r\n"},
        {"quoted value replaced whole", "[S]\nk=\"old\"\n", "S", "k", "v", "[S]\nk=v\n"},
        {"empty value filled", "[S]\nk=\nz=1\n", "S", "k", "v", "[S]\nk=v\nz=1\n"},
        {"key without '=' gets one", "[S]\nbare\n", "S", "bare", "v", "[S]\nbare=v\n"},
        {"new key after the last key, before blank lines and comments",
         "[A]\r\na=1\r\n\r\n; about B\r\n[B]\r\nb=2\r\n", "A", "n", "x",
         "[A]\r\na=1\r\nn=x\r\n\r\n; about B\r\n[B]\r\nb=2\r\n"},
        {"new key in an empty section", "[A]\n\n[B]\n", "A", "n", "x", "[A]\nn=x\n\n[B]\n"},
        {"new key in the last section without final line end", "[A]\r\na=1", "A", "n", "x",
         "[A]\r\na=1\r\nn=x\r\n"},
        {"new key after a header without line end", "[A]", "A", "n", "x", "[A]\r\nn=x\r\n"},
        {"new section at the end, LF kept", "x\n[A]\na=1\n", "New", "k", "v", "x\n[A]\na=1\n[New]\nk=v\n"},
        {"new section after a last line without line end", "[A]\r\na=1", "B", "k", "v",
         "[A]\r\na=1\r\n[B]\r\nk=v\r\n"},
        {"empty file gets CR LF", "", "S", "k", "v", "[S]\r\nk=v\r\n"},
        {"section name trimmed", "", " S ", " k ", "v", "[S]\r\nk=v\r\n"},
        {"first of two equal sections", "[S]\na=1\n[s]\nb=2\n", "S", "b", "3", "[S]\na=1\nb=3\n[s]\nb=2\n"},
        {"non-ASCII bytes elsewhere untouched", "[S]\n\xc4\x8d=\xc5\xa1\nk=1\n", "S", "k", "2",
         "[S]\n\xc4\x8d=\xc5\xa1\nk=2\n"},
    };
    for (const SetCase& c : cases) {
        IniText ini(c.before);
        EXPECT_TRUE(ini.Set(c.section, c.key, c.value)) << c.name;
        EXPECT_EQ(ini.content(), c.after) << c.name;
        EXPECT_EQ(ini.Get(c.section, c.key), std::string(c.value)) << c.name;
    }
}

TEST(IniTextSet, RefusesWhatCannotBeStoredOnOneLine) {
    const char* const rejected[][3] = {
        {"S", "", "v"}, {"S", "  ", "v"}, {"S", "k\n", "v"}, {"S", "k", "two\nlines"}, {"S", "k", "cr\r"},
        {"a]b", "k", "v"}, {"S", "a=b", "v"}, {"S", "[Voices", "x"}, {"S", " ;note", "x"},
        {"S\x01", "k", "v"}, {"S\x7f", "k", "v"},
    };
    for (const auto& r : rejected) {
        IniText ini("[S]\nk=1\n");
        EXPECT_FALSE(ini.Set(r[0], r[1], r[2])) << r[0] << "/" << r[1] << "/" << r[2];
        EXPECT_EQ(ini.content(), "[S]\nk=1\n");
    }
}

TEST(ProfileFile, ReadsWritesAndKeepsEveryOtherByte) {
    TempDir dir;
    const std::string original =
        "; Settings of the reader\r\n"
        "\r\n"
        "[General]\r\n"
        "Language = sl\t; trailing\r\n"
        "\r\n"
        "[Modes]\r\n"
        "Eloquence=0\r\n"
        "\r\n"
        "[Other]\r\n"
        "odd line without equals\r\n"
        "x=\xe8\xf0\r\n";
    const std::string file = dir.Write("reader.ini", original);

    EXPECT_EQ(ReadProfileString("general", "LANGUAGE", "none", file), "sl\t; trailing");
    EXPECT_EQ(ReadProfileString("General", "Missing", "dflt  ", file), "dflt");
    EXPECT_EQ(ReadProfileString("General", "Missing", "  lead", file), "  lead");
    EXPECT_TRUE(ProfileSectionExists("MODES", file));
    EXPECT_FALSE(ProfileSectionExists("Speech", file));

    ASSERT_TRUE(WriteProfileString("Modes", "Quenlar Orin", "1", file));
    ASSERT_TRUE(WriteProfileString("Modes", "eloquence", "4", file));
    ASSERT_TRUE(WriteProfileString("Speech", "TextFocus", "v1", file));
    EXPECT_EQ(ReadFile(file),
              "; Settings of the reader\r\n"
              "\r\n"
              "[General]\r\n"
              "Language = sl\t; trailing\r\n"
              "\r\n"
              "[Modes]\r\n"
              "Eloquence=4\r\n"
              "Quenlar Orin=1\r\n"
              "\r\n"
              "[Other]\r\n"
              "odd line without equals\r\n"
              "x=\xe8\xf0\r\n"
              "[Speech]\r\n"
              "TextFocus=v1\r\n");
}

TEST(ProfileFile, BackslashPathsAndMissingFiles) {
    TempDir dir;
    dir.Write("sub/a.ini", "[A]\nk=v\n");
    const std::string backslashed = dir.path().string() + "\\sub\\a.ini";
    EXPECT_EQ(ReadProfileString("A", "k", "", backslashed), "v");

    const std::string missing = dir.file("none.ini");
    EXPECT_EQ(ReadProfileString("A", "k", "dflt", missing), "dflt");
    EXPECT_FALSE(ProfileSectionExists("A", missing));
    EXPECT_FALSE(std::filesystem::exists(missing));
    // A write creates the file, as the platform does.
    EXPECT_TRUE(WriteProfileString("A", "k", "v", missing));
    EXPECT_EQ(ReadFile(missing), "[A]\r\nk=v\r\n");

    EXPECT_FALSE(WriteProfileString("A", "k", "v", dir.file("no/such/dir/x.ini")));
    EXPECT_FALSE(ProfileSectionExists("A", dir.path().string()));  // a directory
    EXPECT_FALSE(WriteProfileString("A", "k", "v", dir.path().string()));
}

}  // namespace
}  // namespace tarvox::winreg
