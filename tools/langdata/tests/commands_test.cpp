#include "commands.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/test_files.h"

namespace tarvox::langdata {
namespace {

int RunTool(std::vector<std::string> args) {
    args.insert(args.begin(), "tarvox-data");
    std::vector<const char*> argv;
    for (const std::string& a : args) argv.push_back(a.c_str());
    return RunLangdataTool(static_cast<int>(argv.size()), argv.data(), "test");
}

TEST(LangdataCommands, AreKnownByName) {
    for (const char* c : {"dictionary", "stats", "evaluate"}) EXPECT_TRUE(IsLangdataCommand(c)) << c;
    for (const char* c : {"build-index", "dict", "", "--help"}) EXPECT_FALSE(IsLangdataCommand(c)) << c;
}

TEST(LangdataCommands, DictionaryLeavesTheHeldOutWordsOut) {
    tarvox::testing::TempDir dir;
    // pes is a training word, ~a{a (Čaša) a held-out one.
    const std::string lexicon = dir.Write("lex.tsv",
                                          "pes\tp \xC9\x99\xCC\x81 s\n"
                                          "\xC4\x8C" "a\xC5\xA1" "a\tt\xCD\xA1\xCA\x83 \xC3\xA1\xCB\x90 \xCA\x83 a\n");
    ASSERT_EQ(RunTool({"dictionary", lexicon, dir.file("out.dct")}), 0);
    EXPECT_EQ(tarvox::testing::ReadFile(dir.file("out.dct")), "pes\tp@:s\r\n");
}

TEST(LangdataCommands, FailuresGiveAnExitStatus) {
    tarvox::testing::TempDir dir;
    EXPECT_EQ(RunTool({"dictionary", dir.file("missing.tsv"), dir.file("out.dct")}), 1);
    EXPECT_EQ(RunTool({"stats", dir.Write("lex.tsv", ""), dir.file("missing.ini"), dir.dir()}), 1);
    EXPECT_EQ(RunTool({"evaluate", dir.dir(), dir.file("lex.tsv")}), 1);  // no sint.ini
    EXPECT_NE(RunTool({"evaluate"}), 0);                                   // arguments missing
}

}  // namespace
}  // namespace tarvox::langdata
