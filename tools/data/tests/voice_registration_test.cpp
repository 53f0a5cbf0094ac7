#include "voice_registration.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "manifest/voice_manifest.h"
#include "winreg/registry_file.h"

namespace tarvox::data {
namespace {

// The tokens of the voices whose manifests lie in the sources.
std::vector<VoiceToken> BundledVoiceTokens(const std::string& voices_dir) {
    return VoiceTokensOf(FindVoices(TARVOX_VOICES_SOURCE_DIR), voices_dir);
}

using winreg::TextRegistry;

std::string TokenKey(const std::string& token) { return std::string(kVoiceTokensKey) + "\\" + token; }

struct ExpectedToken {
    const char* token;
    const char* name;
    const char* gender;
    const char* directory;
    std::uint32_t mode;
};

constexpr ExpectedToken kExpected[] = {
    {"TarvoxQuenlarOrin", "Quenlar Orin", "Male", "/opt/tarvox/voices/quenlar-orin", 0},
    {"TarvoxQuenlarOrinYuAscii", "Quenlar Orin YU-ASCII", "Male", "/opt/tarvox/voices/quenlar-orin", 1},
    {"TarvoxQuenlarTevo", "Quenlar Tevo", "Female", "/opt/tarvox/voices/quenlar-tevo", 0},
};

void ExpectTokens(const TextRegistry& registry) {
    EXPECT_EQ(registry.SubkeyNames(kVoiceTokensKey).size(), std::size(kExpected));
    for (const ExpectedToken& e : kExpected) {
        SCOPED_TRACE(e.token);
        const std::string key = TokenKey(e.token);
        const std::string attributes = key + "\\Attributes";
        EXPECT_EQ(registry.GetString(key, ""), e.name);
        EXPECT_EQ(registry.GetString(key, "CLSID"), "{A8ABE95B-7C20-461E-A91A-D2D761F58629}");
        EXPECT_EQ(registry.GetString(key, "VoiceName"), e.name);
        EXPECT_EQ(registry.GetString(key, "Path"), e.directory);
        EXPECT_EQ(registry.GetDword(key, "Mode"), std::optional<std::uint32_t>(e.mode));
        EXPECT_EQ(registry.Values(key).size(), 5u);
        EXPECT_EQ(registry.GetString(attributes, "Language"), "424");
        EXPECT_EQ(registry.GetString(attributes, "Gender"), e.gender);
        EXPECT_EQ(registry.GetString(attributes, "Age"), "Adult");
        EXPECT_EQ(registry.GetString(attributes, "Name"), e.name);
        EXPECT_EQ(registry.GetString(attributes, "Vendor"), "tarvox");
        EXPECT_EQ(registry.Values(attributes).size(), 5u);
        EXPECT_TRUE(registry.SubkeyNames(attributes).empty());
    }
}

TEST(VoiceRegistration, WritesEveryValueOfTheThreeTokens) {
    TextRegistry registry;
    TextRegistryWriter writer(registry);
    EXPECT_EQ(RegisterVoiceTokens(BundledVoiceTokens("/opt/tarvox/voices"), writer), "");
    ExpectTokens(registry);
}

TEST(VoiceRegistration, RegisteringAgainReplacesAnOlderToken) {
    TextRegistry registry;
    const std::string old = TokenKey("TarvoxQuenlarOrin");
    ASSERT_TRUE(registry.SetString(old, "Stale", "x"));
    ASSERT_TRUE(registry.SetString(old + "\\Attributes", "Age", "Child"));
    ASSERT_TRUE(registry.SetString(old + "\\Old", "", "y"));
    TextRegistryWriter writer(registry);
    const auto tokens = BundledVoiceTokens("/opt/tarvox/voices/");
    EXPECT_EQ(RegisterVoiceTokens(tokens, writer), "");
    EXPECT_EQ(RegisterVoiceTokens(tokens, writer), "");
    ExpectTokens(registry);
    EXPECT_FALSE(registry.KeyExists(old + "\\Old"));
}

TEST(VoiceRegistration, RegFileReadsBackToTheSameTokens) {
    TextRegistry registry;
    TextRegistryWriter writer(registry);
    const auto tokens = BundledVoiceTokens("/opt/tarvox/voices");
    ASSERT_EQ(RegisterVoiceTokens(tokens, writer), "");
    const std::string text = VoiceTokensRegFile(tokens, registry);
    EXPECT_EQ(text.rfind("Windows Registry Editor Version 5.00\r\n", 0), 0u);
    EXPECT_NE(text.find("\"Mode\"=dword:00000001\r\n"), std::string::npos);
    // Only the tokens' own keys, not their parents.
    EXPECT_EQ(text.find("[HKEY_LOCAL_MACHINE]"), std::string::npos);
    std::optional<winreg::RegistryParseError> error;
    const TextRegistry back = TextRegistry::Parse(text, &error);
    ASSERT_FALSE(error) << error->line << ": " << error->message;
    ExpectTokens(back);
}

TEST(VoiceRegistration, WindowsDirectoryKeepsItsBackslashes) {
    const struct {
        const char* voices_dir;
        const char* orin;
    } cases[] = {
        {"C:\\Program Files\\tarvox", "C:\\Program Files\\tarvox\\quenlar-orin"},
        {"C:\\tarvox\\", "C:\\tarvox\\quenlar-orin"},
        {"voices", "voices/quenlar-orin"},
    };
    for (const auto& c : cases) {
        const auto tokens = BundledVoiceTokens(c.voices_dir);
        ASSERT_EQ(tokens.size(), 3u);
        EXPECT_EQ(tokens[0].directory, c.orin);
        EXPECT_EQ(tokens[1].directory, c.orin);
    }
    // A Windows path survives the .reg escapes.
    TextRegistry registry;
    TextRegistryWriter writer(registry);
    const auto tokens = BundledVoiceTokens("C:\\Program Files\\tarvox");
    ASSERT_EQ(RegisterVoiceTokens(tokens, writer), "");
    const std::string text = VoiceTokensRegFile(tokens, registry);
    EXPECT_NE(text.find("\"Path\"=\"C:\\\\Program Files\\\\tarvox\\\\quenlar-tevo\""), std::string::npos);
    EXPECT_EQ(TextRegistry::Parse(text).GetString(TokenKey("TarvoxQuenlarTevo"), "Path"),
              "C:\\Program Files\\tarvox\\quenlar-tevo");
}

// A registry that refuses writes below a given key.
class RefusingRegistry final : public RegistryWriter {
public:
    bool CreateKey(const std::string&) override { return true; }
    bool SetString(const std::string&, const std::string& name, const std::string&) override {
        return name != "Path";
    }
    bool SetDword(const std::string&, const std::string&, std::uint32_t) override { return true; }
    bool DeleteKeyTree(const std::string&) override { return true; }
    bool KeyExists(const std::string&) const override { return false; }
    bool HasSubkeys(const std::string&) const override { return false; }
};

TEST(VoiceRegistration, AFailedWriteIsReported) {
    RefusingRegistry registry;
    EXPECT_EQ(RegisterVoiceTokens(BundledVoiceTokens("/v"), registry),
              "cannot write " + TokenKey("TarvoxQuenlarOrin"));
}

}  // namespace
}  // namespace tarvox::data
