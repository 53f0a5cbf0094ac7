#include "manifest/voice_manifest.h"

#include <gtest/gtest.h>

#include "support/test_files.h"

namespace tarvox {
namespace {

using testing::TempDir;

TEST(VoiceManifest, BundledManifestsRead) {
    const auto voices = FindVoices(TARVOX_VOICES_SOURCE_DIR);
    ASSERT_EQ(voices.size(), 2u);
    EXPECT_EQ(voices[0].name, "Quenlar Orin");
    EXPECT_EQ(voices[0].token, "TarvoxQuenlarOrin");
    EXPECT_EQ(voices[0].PlatformGender(), "Male");
    EXPECT_EQ(voices[0].yu_ascii_variant, "YU-ASCII");
    EXPECT_EQ(voices[1].name, "Quenlar Tevo");
    EXPECT_EQ(voices[1].PlatformGender(), "Female");
    EXPECT_TRUE(voices[1].yu_ascii_variant.empty());
}

TEST(VoiceManifest, BadManifestsRefused) {
    const struct {
        const char* text;
        const char* why;
    } cases[] = {
        {"token = T\n", "no name"},
        {"name = N\n", "no token"},
        {"name = N\ntoken = T\nformat = 2\n", "format 2"},
        {"name = N\ntoken = T\norder = first\n", "not a number"},
        {"name = N\ntoken = T\njust words\n", "line 3"},
    };
    for (const auto& c : cases) {
        std::string why;
        EXPECT_FALSE(ParseVoiceManifest(c.text, &why)) << c.text;
        EXPECT_NE(why.find(c.why), std::string::npos) << why;
    }
    EXPECT_TRUE(ParseVoiceManifest("# a comment\nname = N\ntoken = T\nnewer_key = x\n"));
}

TEST(VoiceManifest, FoundInOrderAndChosenByNameOrDirectory) {
    TempDir dir;
    dir.Write("b/voice.ini", "name = Beta\ntoken = TB\norder = 1\n");
    dir.Write("a/voice.ini", "name = Alfa\ntoken = TA\norder = 2\nyu_ascii_variant = YU-ASCII\n");
    dir.Write("c/voice.ini", "name = Broken\n");
    dir.Write("d/readme.txt", "not a voice");
    std::vector<std::string> problems;
    const auto voices = FindVoices(dir.path().string(), &problems);
    ASSERT_EQ(voices.size(), 2u);
    EXPECT_EQ(voices[0].name, "Beta");
    EXPECT_EQ(voices[1].name, "Alfa");
    EXPECT_EQ(problems.size(), 1u);

    EXPECT_EQ(ChooseVoice(voices, "alfa")->voice.token, "TA");
    EXPECT_TRUE(ChooseVoice(voices, "Alfa YU-ASCII")->ascii7);
    EXPECT_EQ(ChooseVoice(voices, "b")->voice.name, "Beta");
    EXPECT_EQ(ChooseVoice(voices, dir.file("a"))->voice.name, "Alfa");
    EXPECT_EQ(ChooseVoice(voices, dir.file("d"))->voice.name, "d");  // a directory without one
    EXPECT_FALSE(ChooseVoice(voices, "Gamma"));
}

}  // namespace
}  // namespace tarvox
