#include "srsetup.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>

#include "winreg/private_profile.h"
#include "support/test_files.h"

namespace tarvox::srsetup {
namespace {

using testing::ReadFile;
using testing::TempDir;

// A registry given as key path -> (InstPath, subkeys in listing order).
class FakeRegistry : public RegistryReader {
public:
    struct Key {
        std::optional<std::string> instPath;
        std::vector<std::string> subkeys;
    };
    explicit FakeRegistry(std::map<std::string, Key> keys) : keys_(std::move(keys)) {}

    std::unique_ptr<RegistryKey> OpenKey(std::string_view path) const override {
        const auto it = keys_.find(std::string(path));
        if (it == keys_.end()) return nullptr;
        return std::make_unique<OpenedKey>(it->second);
    }

private:
    struct OpenedKey : RegistryKey {
        explicit OpenedKey(Key key) : key(std::move(key)) {}
        std::optional<std::string> ReadString(std::string_view name) const override {
            return name == "InstPath" ? key.instPath : std::nullopt;
        }
        std::vector<std::string> SubkeyNames() const override { return key.subkeys; }
        Key key;
    };
    std::map<std::string, Key> keys_;
};

TEST(FindInstallDirectory, ChoosesTheVersionKey) {
    const std::string v = "SOFTWARE\\BAUM\\Virgo";
    struct Case {
        const char* name;
        std::vector<std::string> subkeys;  // listed in this order, each with InstPath = its name
        std::string expected;
    };
    const Case cases[] = {
        {"4.7 first", {"5.0", "4.6", "4.7"}, "dir-4.7"},
        {"then 4.6", {"5.0", "4.6"}, "dir-4.6"},
        {"largest number", {"4.5", "5.0", "abc"}, "dir-5.0"},
        {"4.5 alone", {"4.5"}, ""},
        {"not numbers count as 0", {"abc", "", "5.0x", "1e9", "inf", "-7"}, ""},
        {"at least 4.6 (4.60 is 4.6)", {"4.60"}, "dir-4.60"},
        {"just under 4.6", {"4.59999"}, ""},
        {"first listed wins a tie", {"5.00", "5", "5.0"}, "dir-5.00"},
        {"no subkeys", {}, ""},
    };
    for (const Case& c : cases) {
        std::map<std::string, FakeRegistry::Key> keys;
        keys[v] = {std::nullopt, c.subkeys};
        for (const std::string& s : c.subkeys) keys[v + "\\" + s] = {"dir-" + s, {}};
        EXPECT_EQ(FindInstallDirectory(FakeRegistry(keys)), c.expected) << c.name;
    }
    EXPECT_EQ(FindInstallDirectory(FakeRegistry({})), "");
    // The 4.7 key counts even without InstPath: the directory stays empty.
    EXPECT_EQ(FindInstallDirectory(FakeRegistry({{v + "\\4.7", {}}, {v + "\\4.6", {"dir-4.6", {}}}})), "");
}

TEST(SmallConversions, Cases) {
    EXPECT_EQ(IniFileOf(""), "\\PHOENIX.INI");
    EXPECT_EQ(IniFileOf("C:\\Virgo"), "C:\\Virgo\\PHOENIX.INI");
    EXPECT_EQ(IniFileOf("C:\\Virgo\\"), "C:\\Virgo\\PHOENIX.INI");

    const std::pair<const char*, int> modes[] = {
        {"", -1}, {"0", 0}, {"7", 7}, {"+3", 3}, {"-2", -2}, {"12abc", -1}, {"abc", -1},
        {" 4", -1}, {"99999999999", -1}, {"2147483647", 2147483647},
    };
    for (const auto& [text, n] : modes) EXPECT_EQ(ModeNumberOf(text), n) << text;

    EXPECT_DOUBLE_EQ(VersionOfKeyName("4.7"), 4.7);
    EXPECT_DOUBLE_EQ(VersionOfKeyName("10"), 10.0);
    EXPECT_DOUBLE_EQ(VersionOfKeyName("4,7"), 0.0);
}

// The text srsetup writes for a new mode section, with the given line end.
std::string ModeSection(int n, const std::string& name, const char* eol = "\r\n") {
    std::string s = "[v" + std::to_string(n) + "]" + eol;
    s += "FRIENDLYNAME=" + name + eol + "Mode=" + name + eol;
    for (const char* kv : {"Pitch=50", "MinPitch=0", "MaxPitch=100", "Speed=300", "MinSpeed=100", "MaxSpeed=500",
                           "Volume=50000", "MinVolume=0", "MaxVolume=50000"}) {
        s += std::string(kv) + eol;
    }
    return s;
}

std::string SpeechKeys(int n, const char* eol = "\r\n") {
    std::string s;
    for (const char* key : {"TextFocus", "TextNav", "TextSwitch", "TextMenu", "TextCurChar", "TextKeyChar", "TextHelp",
                            "TextScript"}) {
        s += std::string(key) + "=v" + std::to_string(n) + eol;
    }
    return s;
}

const std::string kOrin = "Quenlar Orin", kYu = "Quenlar Orin YU-ASCII", kTevo = "Quenlar Tevo";

class FileProfileAdapter : public PrivateProfile {
public:
    std::string ReadString(std::string_view s, std::string_view k, std::string_view d, const std::string& f) override {
        return winreg::ReadProfileString(s, k, d, f);
    }
    bool WriteString(std::string_view s, std::string_view k, std::string_view v, const std::string& f) override {
        ++writes;
        return winreg::WriteProfileString(s, k, v, f);
    }
    bool WriteInteger(std::string_view s, std::string_view k, int v, const std::string& f) override {
        ++writes;
        return winreg::WriteProfileString(s, k, std::to_string(v), f);
    }
    bool SectionExists(std::string_view s, const std::string& f) override {
        return winreg::ProfileSectionExists(s, f);
    }
    bool Backup(const std::string& f) override {
        if (refuse_backup) return false;
        const std::string from = winreg::NativeIniPath(f);
        std::error_code ec;
        std::filesystem::copy_file(from, from + kBackupSuffix, std::filesystem::copy_options::skip_existing, ec);
        return !ec;
    }
    int writes = 0;
    bool refuse_backup = false;
};

struct IniCase {
    const char* name;
    std::string before;
    std::string after;
};

TEST(RegisterVoices, EditsTheFileAsExpected) {
    const std::string unrelated = "; Virgo settings\r\n\r\n[General]\r\nLanguage=sl\r\n\r\n";
    const IniCase cases[] = {
        {"v0..v4 present: modes 5, 6, 7, Speech = v5",
         unrelated + "[Modes]\r\nEloquence=0\r\n\r\n[v0]\r\nMode=Eloquence\r\n[v1]\r\n[V2]\r\n[v3]\r\n[v4]\r\n"
                     "; speech\r\n[Speech]\r\nTextFocus=v0\r\nOther=keep\r\n",
         unrelated + "[Modes]\r\nEloquence=0\r\n" + kOrin + "=5\r\n" + kYu + "=6\r\n" + kTevo +
             "=7\r\n\r\n[v0]\r\nMode=Eloquence\r\n[v1]\r\n[V2]\r\n[v3]\r\n[v4]\r\n"
             "; speech\r\n[Speech]\r\nTextFocus=v5\r\nOther=keep\r\n" +
             SpeechKeys(5).substr(std::string("TextFocus=v5\r\n").size()) + ModeSection(5, kOrin) +
             ModeSection(6, kYu) + ModeSection(7, kTevo)},
        {"known voices with their sections: only [Speech] written",
         "[Modes]\r\n" + kOrin + "=2\r\n" + kYu + "=0\r\n" + kTevo + "=1\r\n[v0]\r\n[v1]\r\n[v2]\r\nPitch=77\r\n",
         "[Modes]\r\n" + kOrin + "=2\r\n" + kYu + "=0\r\n" + kTevo + "=1\r\n[v0]\r\n[v1]\r\n[v2]\r\nPitch=77\r\n" +
             "[Speech]\r\n" + SpeechKeys(2)},
        {"known number, missing section: section written, [Modes] unchanged",
         "[Modes]\n" + kOrin + "=9\n" + kYu + "=0\n" + kTevo + "=1\n[v0]\n[v1]\n",
         "[Modes]\n" + kOrin + "=9\n" + kYu + "=0\n" + kTevo + "=1\n[v0]\n[v1]\n" + ModeSection(9, kOrin, "\n") +
             "[Speech]\n" + SpeechKeys(9, "\n")},
        {"non-numeric and negative values: treated as new and overwritten",
         "[Modes]\r\n" + kOrin + "=orin\r\n" + kYu + "=-1\r\n" + kTevo + "=\r\n",
         "[Modes]\r\n" + kOrin + "=0\r\n" + kYu + "=1\r\n" + kTevo + "=2\r\n" + ModeSection(0, kOrin) +
             "[Speech]\r\n" + SpeechKeys(0) + ModeSection(1, kYu) + ModeSection(2, kTevo)},
        {"names compared without regard to case",
         "[MODES]\r\nquenlar orin=0\r\nQUENLAR ORIN YU-ASCII=1\r\nquenlar tevo=2\r\n[V0]\r\n[v1]\r\n[v2]\r\n"
         "[speech]\r\ntextfocus=v1\r\n",
         "[MODES]\r\nquenlar orin=0\r\nQUENLAR ORIN YU-ASCII=1\r\nquenlar tevo=2\r\n[V0]\r\n[v1]\r\n[v2]\r\n"
         "[speech]\r\ntextfocus=v0\r\n" +
             SpeechKeys(0).substr(std::string("TextFocus=v0\r\n").size())},
        {"a gap in the numbers is filled first",
         "[Modes]\r\n[v0]\r\n[v2]\r\n",
         "[Modes]\r\n" + kOrin + "=1\r\n" + kYu + "=3\r\n" + kTevo + "=4\r\n[v0]\r\n[v2]\r\n" + ModeSection(1, kOrin) +
             "[Speech]\r\n" + SpeechKeys(1) + ModeSection(3, kYu) + ModeSection(4, kTevo)},
    };
    for (const IniCase& c : cases) {
        TempDir dir;
        const std::string file = dir.Write("PHOENIX.INI", c.before);
        FileProfileAdapter profile;
        RegisterVoices(profile, file, BundledVoices());
        EXPECT_EQ(ReadFile(file), c.after) << c.name;

        // A second run adds nothing; the backup keeps the file as it was
        // before the first.
        RegisterVoices(profile, file, BundledVoices());
        EXPECT_EQ(ReadFile(file), c.after) << c.name << " (second run)";
        EXPECT_EQ(ReadFile(file + kBackupSuffix), c.before) << c.name << " (backup)";
    }
}

TEST(RegisterVoices, NoBackupNoChange) {
    TempDir dir;
    const std::string before = "[Modes]\r\n[v0]\r\n";
    const std::string file = dir.Write("PHOENIX.INI", before);
    FileProfileAdapter profile;
    profile.refuse_backup = true;
    RegisterVoices(profile, file, BundledVoices());
    EXPECT_EQ(ReadFile(file), before);
    EXPECT_EQ(profile.writes, 0);
}

TEST(RegisterVoices, LeavesFilesWithoutModesAlone) {
    TempDir dir;
    const std::string noModes = "; comment\r\n[Speech]\r\nTextFocus=v0\r\n[v0]\r\nMode=x\r\n[Modes2]\r\n";
    const std::string file = dir.Write("PHOENIX.INI", noModes);
    FileProfileAdapter profile;
    RegisterVoices(profile, file, BundledVoices());
    EXPECT_EQ(ReadFile(file), noModes);

    const std::string missing = dir.file("missing.ini");
    RegisterVoices(profile, missing, BundledVoices());
    EXPECT_FALSE(std::filesystem::exists(missing));
    EXPECT_EQ(profile.writes, 0);
}

// The whole tool on the file-based layers: the registry file named by the
// environment, the INI in the directory it names.
TEST(SetupTool, EndToEndThroughTheRegistryFile) {
    struct Case {
        const char* name;
        const char* subkeys[3];
        bool written;
    };
    const Case cases[] = {
        {"subkeys 4.5, 5.0, abc: 5.0 chosen", {"4.5", "5.0", "abc"}, true},
        {"4.5 alone: nothing written", {"4.5", nullptr, nullptr}, false},
        {"4.6 key", {"4.6", "3.0", nullptr}, true},
    };
    for (const Case& c : cases) {
        TempDir dir;
        std::string reg = "Windows Registry Editor Version 5.00\r\n\r\n";
        for (const char* s : c.subkeys) {
            if (s == nullptr) continue;
            // Only the key that should be chosen holds the real INI.
            const std::string sub = dir.path().string() + "/" + s;
            dir.Write(std::string(s) + "/PHOENIX.INI", "[Modes]\r\n");
            std::string escaped;
            for (char ch : sub) {
                if (ch == '\\') escaped += '\\';
                escaped += ch;
            }
            reg += "[HKEY_LOCAL_MACHINE\\SOFTWARE\\BAUM\\Virgo\\" + std::string(s) + "]\r\n\"InstPath\"=\"" + escaped +
                   "\"\r\n\r\n";
        }
        const std::string regFile = dir.Write("registry.reg", reg);
        ::setenv("TARVOX_REGISTRY", regFile.c_str(), 1);
        RunSetup(*MakeSystemRegistry(), *MakeSystemProfile(), BundledVoices());
        ::unsetenv("TARVOX_REGISTRY");

        for (const char* s : c.subkeys) {
            if (s == nullptr) continue;
            const std::string ini = ReadFile(dir.file(std::string(s) + "/PHOENIX.INI"));
            const bool isChosen = c.written && (std::string(s) == "5.0" || std::string(s) == "4.6");
            EXPECT_EQ(ini != "[Modes]\r\n", isChosen) << c.name << ": " << s;
        }
    }
}

TEST(SetupTool, EmptyRegistryWritesNothing) {
    ::unsetenv("TARVOX_REGISTRY");
    const auto registry = MakeSystemRegistry();
    EXPECT_EQ(FindInstallDirectory(*registry), "");
    FileProfileAdapter profile;
    RunSetup(*registry, profile, BundledVoices());  // "\PHOENIX.INI" is "/PHOENIX.INI" here, which has no [Modes]
    EXPECT_EQ(profile.writes, 0);
}

// The voices come from the installed manifests in the same order and with
// the same names as the bundled list.
TEST(SrsetupVoices, InstalledManifestsGiveTheBundledList) {
    const std::vector<Voice> installed = InstalledVoices(TARVOX_VOICES_SOURCE_DIR);
    const std::vector<Voice> bundled = BundledVoices();
    ASSERT_EQ(installed.size(), bundled.size());
    for (std::size_t i = 0; i < bundled.size(); ++i) {
        EXPECT_EQ(installed[i].displayName, bundled[i].displayName);
        EXPECT_EQ(installed[i].makeCurrent, bundled[i].makeCurrent);
    }
    EXPECT_TRUE(InstalledVoices("/nonexistent").empty());
}

}  // namespace
}  // namespace tarvox::srsetup
