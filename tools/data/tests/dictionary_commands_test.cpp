#include <gtest/gtest.h>

#include "data_tool.h"
#include "base/diag.h"
#include "base/profile.h"
#include "lexicon/dictionary.h"
#include "support/test_files.h"

namespace tarvox::data {
namespace {

using tarvox::testing::ReadFile;
using tarvox::testing::TempDir;

int RunTool(std::vector<std::string> args) {
    args.insert(args.begin(), "tarvox-data");
    std::vector<const char*> argv;
    for (const std::string& a : args) argv.push_back(a.c_str());
    return RunDataTool(static_cast<int>(argv.size()), argv.data());
}

class DataToolTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ClearError();
        src.Write("osnovni.dct",
                  "miza\tmi:za\r\nstol\tstO:u\r\nna\tna\r\nna primer\tnapri:mEr\r\n");
        src.Write("dodatni.dct", "miza\tmi:zA\r\nokno\to:knO\r\n");
        src.Write("zadnji.dct", "stol\tsto:l\r\nokno\tOkno\r\nna\tnA\r\n");
        src.Write("opombe.txt", "ni\tslovar\r\n");
    }
    // The answers of a dictionary for the keys that matter here.
    static std::vector<std::string> Answers(const Dictionary& d) {
        std::vector<std::string> out;
        for (const char* key : {"miza", "stol", "okno", "na", "na primer", "ni", "Miza"}) {
            const auto hit = d.Lookup(key);
            out.push_back(hit ? std::string(*hit) : "<none>");
        }
        return out;
    }
    TempDir src, voice;
};

TEST_F(DataToolTest, EncipheredDictionariesLoadLikeThePlainOnes) {
    for (const char* name : {"osnovni", "dodatni", "zadnji"})
        ASSERT_EQ(RunTool({"encipher-dictionary", src.file(std::string(name) + ".dct"), "-o",
                           voice.file(std::string("slovarji/") + name + ".dst")}),
                  0);
    EXPECT_EQ(ReadFile(voice.file("slovarji/osnovni.dst")).find("miza"), std::string::npos);

    const DictionaryPriorities prio({"zadnji.dst", "osnovni.dst"});
    Dictionary plain, enciphered;
    ASSERT_EQ(plain.LoadFiles(src.dir(), true, DictionaryPriorities({"zadnji.dct", "osnovni.dct"})),
              0);
    // Plain dictionaries not allowed: only the enciphered ones count.
    ASSERT_EQ(enciphered.LoadFiles(voice.dir() + "slovarji", false, prio), 0);
    EXPECT_EQ(Answers(plain), Answers(enciphered));
    EXPECT_EQ(Answers(plain)[0], "mi:za");  // osnovni is listed, dodatni is not
}

TEST_F(DataToolTest, IndexModeGivesTheAnswersOfFileMode) {
    // Priorities from a converter profile, as the engine reads them.
    const std::string profile =
        voice.Write("gfp.ini", "prioriteta_slovarjev = zadnji.dct\tosnovni.dct\n");
    const std::string index = voice.file("data/QuenlarOrin.ndx");
    std::filesystem::create_directories(voice.path() / "data");
    ASSERT_EQ(RunTool({"build-index", src.dir(), "--profile", profile, "-o", index}), 0);

    Profile gfp(profile, false);
    Dictionary files, indexed;
    ASSERT_EQ(files.LoadFiles(src.dir(), true, DictionaryPriorities::FromProfile(gfp)), 0);
    DictionarySettings settings;
    settings.read_index = true;
    settings.index_path = index;
    ASSERT_EQ(indexed.Load(settings), 0);
    EXPECT_EQ(indexed.Size(), 9u);
    EXPECT_EQ(Answers(files), Answers(indexed));
    EXPECT_EQ(Answers(indexed), (std::vector<std::string>{"mi:za", "sto:l", "Okno", "nA",
                                                          "napri:mEr", "<none>", "<none>"}));
    const auto run = indexed.LookupRun("na primer je");
    ASSERT_TRUE(run);
    EXPECT_EQ(run->pronunciation, "napri:mEr");
}

TEST_F(DataToolTest, IndexFromChosenFilesAndPriorityOptions) {
    const std::string index = voice.file("x.ndx");
    // Only two sources, one of them enciphered; the later option is lower.
    ASSERT_EQ(RunTool({"encipher-dictionary", src.file("dodatni.dct")}), 0);
    ASSERT_EQ(RunTool({"build-index", src.file("osnovni.dct"), src.file("dodatni.dst"), "-p",
                       "DODATNI.DST", "-p", "osnovni.dct", "-o", index}),
              0);
    Dictionary d;
    ASSERT_EQ(d.LoadIndex(index), 0);
    EXPECT_EQ(d.Size(), 6u);
    EXPECT_EQ(Answers(d)[0], "mi:zA");
    EXPECT_EQ(Answers(d)[2], "o:knO");
}

TEST_F(DataToolTest, FailuresAreReportedWithAnExitStatus) {
    EXPECT_NE(RunTool({"build-index", src.file("missing.dct"), "-o", voice.file("x.ndx")}), 0);
    EXPECT_NE(RunTool({"build-index", src.file("opombe.txt"), "-o", voice.file("x.ndx")}), 0);
    EXPECT_FALSE(std::filesystem::exists(voice.file("x.ndx")));
    EXPECT_NE(RunTool({"encipher-dictionary", src.file("missing.dct")}), 0);
    EXPECT_NE(RunTool({"encipher-profile", src.file("missing.ini")}), 0);
    EXPECT_NE(RunTool({}), 0);               // a subcommand is required
    EXPECT_NE(RunTool({"build-index"}), 0);  // so are its arguments
    EXPECT_NE(RunTool({"no-such-command"}), 0);
}

TEST_F(DataToolTest, EncipheredProfileReadsLikeThePlainOne) {
    const std::string plain = voice.Write("mikro.ini", "Nabor_fonemov = a\tb\nprvi = 12\n");
    ASSERT_EQ(RunTool({"encipher-profile", plain}), 0);
    const std::string ins = voice.file("mikro.ins");
    EXPECT_EQ(ReadFile(ins).find("Nabor_fonemov"), std::string::npos);
    Profile p(ins, true);
    ASSERT_TRUE(p.IsLoaded());
    std::int32_t v = 0;
    ASSERT_EQ(p.GetLong("prvi", v), 0);
    EXPECT_EQ(v, 12);
    EXPECT_EQ(p.CountItems("Nabor_fonemov", '\t'), 2);
}

}  // namespace
}  // namespace tarvox::data
