#include "winreg/registry_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <tuple>
#include <vector>

#include "support/test_files.h"

namespace tarvox::winreg {
namespace {

using testing::ReadFile;
using testing::TempDir;

constexpr char kVirgo[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\BAUM\\Virgo";

TEST(RegistryParse, ExportFormat) {
    std::optional<RegistryParseError> error;
    const TextRegistry reg = TextRegistry::Parse(
        "Windows Registry Editor Version 5.00\r\n"
        "\r\n"
        "; the reader\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\BAUM\\Virgo\\4.7]\r\n"
        "@=\"default\"\r\n"
        "\"InstPath\"=\"C:\\\\Program Files\\\\Virgo\\\\\"\r\n"
        "\"Quote \\\"q\\\"\"=\"say \\\"hi\\\"\"\r\n"
        "\"Count\"=dword:0000002a\r\n"
        "\"Empty\"=\"\"\r\n"
        "\"Bin\"=hex:01,02,\\\r\n"
        "  03,04\r\n"
        "\r\n"
        "[HKLM\\Software\\Other]\r\n"
        "\"X\" = \"spaced\"\r\n",
        &error);
    EXPECT_FALSE(error.has_value()) << error->line << ": " << error->message;
    const std::string key = std::string(kVirgo) + "\\4.7";
    EXPECT_EQ(reg.GetString(key, ""), "default");
    EXPECT_EQ(reg.GetString(key, "InstPath"), "C:\\Program Files\\Virgo\\");
    EXPECT_EQ(reg.GetString(key, "instpath"), "C:\\Program Files\\Virgo\\");
    EXPECT_EQ(reg.GetString(key, "Quote \"q\""), "say \"hi\"");
    EXPECT_EQ(reg.GetDword(key, "Count"), 42u);
    EXPECT_EQ(reg.GetString(key, "Count"), std::nullopt);
    EXPECT_EQ(reg.GetString(key, "Empty"), "");
    EXPECT_EQ(reg.Value(key, "Bin")->text, "hex:01,02,03,04");
    EXPECT_EQ(reg.GetString(key, "Missing"), std::nullopt);
    EXPECT_TRUE(reg.KeyExists("hkey_local_machine\\software\\baum"));
    EXPECT_TRUE(reg.KeyExists("HKEY_LOCAL_MACHINE\\SOFTWARE\\Other\\"));
    EXPECT_EQ(reg.GetString("HKEY_LOCAL_MACHINE\\SOFTWARE\\OTHER", "x"), "spaced");
    EXPECT_FALSE(reg.KeyExists("HKEY_LOCAL_MACHINE\\SOFTWARE\\BAUM\\Virgo\\4.6"));
    EXPECT_FALSE(reg.KeyExists("\\SOFTWARE\\BAUM"));
    EXPECT_FALSE(reg.KeyExists("HKEY_LOCAL_MACHINE\\\\SOFTWARE"));
    EXPECT_TRUE(reg.KeyExists("HKEY_USERS"));
}

TEST(RegistryParse, ErrorsNameTheLine) {
    struct Case {
        const char* text;
        int line;
    };
    const Case cases[] = {
        {"[HKLM\\A]\n\"v\"=\"bad \\n escape\"\n", 2},
        {"[HKLM\\A]\n\"v\"=\"unterminated\n", 2},
        {"[HKLM\\A]\n\"v\"=\"x\" tail\n", 2},
        {"[HKLM\\A]\n\"v\"=dword:123456789\n", 2},
        {"[HKLM\\A]\n\"v\"=dword:xyz\n", 2},
        {"[HKLM\\A]\n\"v\"=qword:1\n", 2},
        {"[HKLM\\A]\n\"v\" \"x\"\n", 2},
        {"\"v\"=\"outside\"\n", 1},
        {"[HKLM\\A\n", 1},
        {"[HKEY_NOWHERE\\A]\n", 1},
        {"\n\n[HKLM\\A]\njunk\n", 4},
        {"[HKLM\\A]\nREGEDIT4\n", 2},
    };
    for (const Case& c : cases) {
        std::optional<RegistryParseError> error;
        TextRegistry::Parse(c.text, &error);
        ASSERT_TRUE(error.has_value()) << c.text;
        EXPECT_EQ(error->line, c.line) << c.text;
        EXPECT_FALSE(error->message.empty());
    }
    // What came before the error stays.
    std::optional<RegistryParseError> error;
    const TextRegistry reg = TextRegistry::Parse("[HKLM\\A]\n\"ok\"=\"1\"\n\"v\"=bad\n\"later\"=\"2\"\n", &error);
    EXPECT_EQ(reg.GetString("HKLM\\A", "ok"), "1");
    EXPECT_EQ(reg.GetString("HKLM\\A", "later"), std::nullopt);
}

TEST(RegistryParse, RemovalsAndEncodings) {
    const TextRegistry reg = TextRegistry::Parse(
        "REGEDIT4\n[HKLM\\A\\B\\C]\n\"v\"=\"1\"\n\"w\"=\"2\"\n\"w\"=-\n[HKLM\\D]\n[-HKLM\\A\\B]\n");
    EXPECT_TRUE(reg.KeyExists("HKLM\\A"));
    EXPECT_FALSE(reg.KeyExists("HKLM\\A\\B"));
    EXPECT_TRUE(reg.KeyExists("HKLM\\D"));

    // UTF-16LE with byte order mark, as the registry editor exports.
    const std::u16string wide = u"Windows Registry Editor Version 5.00\r\n\r\n[HKLM\\\u010cas]\r\n\"P\"=\"\u0161\U0001F600\"\r\n";
    std::string bytes = "\xFF\xFE";
    for (char16_t c : wide) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    std::optional<RegistryParseError> error;
    const TextRegistry utf16 = TextRegistry::Parse(bytes, &error);
    EXPECT_FALSE(error.has_value());
    EXPECT_EQ(utf16.GetString("HKLM\\\xC4\x8C" "as", "P"), "\xC5\xA1\xF0\x9F\x98\x80");

    const TextRegistry bom = TextRegistry::Parse("\xEF\xBB\xBF[HKLM\\A]\n\"v\"=\"1\"\n");
    EXPECT_EQ(bom.GetString("HKLM\\A", "v"), "1");
}

TEST(RegistryParse, SubkeysListedSortedWithoutRegardToCase) {
    const TextRegistry reg = TextRegistry::Parse(
        "[HKLM\\V\\abc]\n[HKLM\\V\\5.0]\n[HKLM\\V\\4.5]\n[HKLM\\V\\Zed]\n[HKLM\\V\\5]\n[HKLM\\V\\ABC\\x]\n");
    EXPECT_EQ(reg.SubkeyNames("HKLM\\V"), (std::vector<std::string>{"4.5", "5", "5.0", "abc", "Zed"}));
    EXPECT_TRUE(reg.SubkeyNames("HKLM\\Missing").empty());
}

TEST(RegistryWrite, CreateSetDeleteSaveReload) {
    TextRegistry reg;
    const std::string token = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Speech\\Voices\\Tokens\\Quenlar";
    EXPECT_TRUE(reg.SetString(token, "", "Quenlar Orin"));
    EXPECT_TRUE(reg.SetString(token, "CLSID", "{01234567-89AB-CDEF-0123-456789ABCDEF}"));
    EXPECT_TRUE(reg.SetString(token, "Path", "C:\\Eng\\\"x\""));
    EXPECT_TRUE(reg.SetDword(token, "Mode", 0xDEADBEEF));
    EXPECT_TRUE(reg.CreateKey(token + "\\Attributes"));
    EXPECT_TRUE(reg.SetString(token + "\\Attributes", "Language", "424"));
    EXPECT_TRUE(reg.SetString(token, "clsid", "{replaced}"));  // same value, other case
    EXPECT_TRUE(reg.CreateKey("HKCR\\CLSID\\{x}\\InprocServer32"));
    EXPECT_FALSE(reg.CreateKey("HKEY_NOWHERE\\A"));
    EXPECT_FALSE(reg.CreateKey("HKLM\\A\\\\B"));
    EXPECT_FALSE(reg.SetString(token, "v", "two\nlines"));
    EXPECT_FALSE(reg.DeleteKeyTree("HKEY_LOCAL_MACHINE"));
    EXPECT_FALSE(reg.DeleteKeyTree("HKLM\\Nothing"));

    const std::string expected =
        "Windows Registry Editor Version 5.00\n"
        "\n"
        "[HKEY_CLASSES_ROOT\\CLSID]\n"
        "\n"
        "[HKEY_CLASSES_ROOT\\CLSID\\{x}]\n"
        "\n"
        "[HKEY_CLASSES_ROOT\\CLSID\\{x}\\InprocServer32]\n"
        "\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE]\n"
        "\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft]\n"
        "\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Speech]\n"
        "\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Speech\\Voices]\n"
        "\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Speech\\Voices\\Tokens]\n"
        "\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Speech\\Voices\\Tokens\\Quenlar]\n"
        "@=\"Quenlar Orin\"\n"
        "\"CLSID\"=\"{replaced}\"\n"
        "\"Path\"=\"C:\\\\Eng\\\\\\\"x\\\"\"\n"
        "\"Mode\"=dword:deadbeef\n"
        "\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Speech\\Voices\\Tokens\\Quenlar\\Attributes]\n"
        "\"Language\"=\"424\"\n"
        "\n";
    EXPECT_EQ(reg.Serialize(), expected);

    TempDir dir;
    const std::string path = dir.file("registry.reg");
    ASSERT_TRUE(reg.Save(path));
    EXPECT_EQ(ReadFile(path), expected);
    std::optional<RegistryParseError> error;
    TextRegistry again = TextRegistry::Load(path, &error);
    EXPECT_FALSE(error.has_value());
    EXPECT_EQ(again.Serialize(), expected);
    EXPECT_EQ(again.GetString(token, "Path"), "C:\\Eng\\\"x\"");
    EXPECT_EQ(again.GetDword(token, "MODE"), 0xDEADBEEFu);

    EXPECT_TRUE(again.DeleteValue(token, "path"));
    EXPECT_FALSE(again.DeleteValue(token, "path"));
    EXPECT_TRUE(again.DeleteKeyTree("HKLM\\SOFTWARE\\Microsoft\\Speech\\Voices\\Tokens\\QUENLAR"));
    EXPECT_FALSE(again.KeyExists(token + "\\Attributes"));
    EXPECT_TRUE(again.KeyExists("HKLM\\SOFTWARE\\Microsoft\\Speech\\Voices\\Tokens"));
    ASSERT_TRUE(again.Save(path));
    EXPECT_FALSE(TextRegistry::Load(path).KeyExists(token));
    EXPECT_FALSE(reg.Save(dir.file("no/such/dir/r.reg")));
}

// Random files (hex values continued over lines, some with a continuation
// that leads nowhere), random writes, saved and read again: every value
// written comes back and a second round trip changes nothing.
TEST(RegistryWrite, RandomFilesAndWritesSurviveARoundTrip) {
    std::mt19937 random(21);
    const char* const names[] = {"a", "B", "Path", "x y", "q\\\"", ""};
    // The last two are the fuzzers' finds: backslashes (or a blank and one)
    // before a line that continues nothing.
    const char* const hex[] = {"hex:01,02", "hex:01,\\\n  02,03", "hex:01,\\", "hex(2):41,00,\\\n\n",
                               "hex:,\\\n", "hex:ff,\\\n  00,\\", "hex:01,02\\\\",
                               "hex \\ \\"};
    for (int round = 0; round < 300; ++round) {
        std::string text = "Windows Registry Editor Version 5.00\n\n";
        for (int k = 0, keys = 1 + static_cast<int>(random() % 4); k < keys; ++k) {
            text += "[HKEY_LOCAL_MACHINE\\K" + std::to_string(random() % 3) + "]\n";
            for (int v = 0, values = static_cast<int>(random() % 4); v < values; ++v) {
                text += "\"v" + std::to_string(random() % 4) + "\"=";
                text += random() % 2 ? hex[random() % std::size(hex)] : "\"s\"";
                text += "\n";
            }
            if (random() % 2) text += "\n";
        }
        std::optional<RegistryParseError> error;
        TextRegistry reg = TextRegistry::Parse(text, &error);
        ASSERT_FALSE(error.has_value()) << text << error->message;
        std::vector<std::tuple<std::string, std::string, std::string>> written;
        for (int w = 0, writes = static_cast<int>(random() % 5); w < writes; ++w) {
            const std::string key = "HKEY_LOCAL_MACHINE\\K" + std::to_string(random() % 4);
            const std::string name = names[random() % std::size(names)];
            const std::string value = "w" + std::to_string(random() % 100);
            ASSERT_TRUE(reg.SetString(key, name, value));
            std::erase_if(written, [&](const auto& e) { return std::get<0>(e) == key && std::get<1>(e) == name; });
            written.emplace_back(key, name, value);
        }
        const std::string saved = reg.Serialize();
        const TextRegistry again = TextRegistry::Parse(saved, &error);
        ASSERT_FALSE(error.has_value()) << saved;
        EXPECT_EQ(again.Serialize(), saved) << text;
        for (const auto& [key, name, value] : written)
            EXPECT_EQ(again.GetString(key, name), value) << saved;
    }
}

TEST(RegistryEnvironment, PathComesFromTheVariable) {
    TempDir dir;
    ::unsetenv(kRegistryVariable);
    EXPECT_EQ(TextRegistry::PathFromEnvironment(), std::nullopt);
    ::setenv(kRegistryVariable, "", 1);
    EXPECT_EQ(TextRegistry::PathFromEnvironment(), std::nullopt);
    ::setenv(kRegistryVariable, dir.file("r.reg").c_str(), 1);
    EXPECT_EQ(TextRegistry::PathFromEnvironment(), dir.file("r.reg"));
    ::unsetenv(kRegistryVariable);
    // A file that does not exist yet is an empty registry.
    std::optional<RegistryParseError> error;
    EXPECT_TRUE(TextRegistry::Load(dir.file("r.reg"), &error).SubkeyNames("HKLM").empty());
    EXPECT_FALSE(error.has_value());
}

}  // namespace
}  // namespace tarvox::winreg
