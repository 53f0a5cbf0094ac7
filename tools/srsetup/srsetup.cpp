#include "srsetup.h"

#include "manifest/voice_manifest.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace tarvox::srsetup {
namespace {

constexpr const char* kModeKeys[][2] = {
    {"Pitch", "50"},     {"MinPitch", "0"},      {"MaxPitch", "100"},   {"Speed", "300"},
    {"MinSpeed", "100"}, {"MaxSpeed", "500"},    {"Volume", "50000"},   {"MinVolume", "0"},
    {"MaxVolume", "50000"},
};

constexpr const char* kSpeechKeys[] = {"TextFocus",   "TextNav",     "TextSwitch", "TextMenu",
                                       "TextCurChar", "TextKeyChar", "TextHelp",   "TextScript"};

std::string ModeSection(int n) {
    std::string section = std::to_string(n);
    section.insert(section.begin(), 'v');
    return section;
}

void WriteModeDefinition(PrivateProfile& profile, const std::string& file, int n, const std::string& name) {
    const std::string section = ModeSection(n);
    profile.WriteString(section, "FRIENDLYNAME", name, file);
    profile.WriteString(section, "Mode", name, file);
    for (const auto& [key, value] : kModeKeys) profile.WriteString(section, key, value, file);
}

void MakeCurrent(PrivateProfile& profile, const std::string& file, int n) {
    const std::string mode = ModeSection(n);
    for (const char* key : kSpeechKeys) profile.WriteString("Speech", key, mode, file);
}

std::string InstallPathOf(const RegistryKey& key) {
    return key.ReadString(kInstallPathValue).value_or(std::string());
}

}  // namespace

double VersionOfKeyName(std::string_view name) {
    double value = 0;
    const auto [end, ec] = std::from_chars(name.data(), name.data() + name.size(), value, std::chars_format::fixed);
    if (name.empty() || ec != std::errc() || end != name.data() + name.size() || !std::isfinite(value)) return 0;
    return value;
}

std::string FindInstallDirectory(const RegistryReader& registry) {
    const std::string base = kVirgoKey;
    for (const char* version : {"4.7", "4.6"}) {
        if (const auto key = registry.OpenKey(base + "\\" + version)) return InstallPathOf(*key);
    }
    const auto virgo = registry.OpenKey(base);
    if (!virgo) return {};
    std::string kept;
    double largest = 0;
    for (const std::string& name : virgo->SubkeyNames()) {
        const double version = VersionOfKeyName(name);
        if (version > largest) {
            largest = version;
            kept = name;
        }
    }
    if (largest < 4.6) return {};
    const auto key = registry.OpenKey(base + "\\" + kept);
    return key ? InstallPathOf(*key) : std::string();
}

std::string IniFileOf(std::string directory) {
    if (directory.empty() || directory.back() != '\\') directory += '\\';
    return directory + kIniFileName;
}

int ModeNumberOf(std::string_view value) {
    if (!value.empty() && value.front() == '+') value.remove_prefix(1);
    int n = -1;
    const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), n);
    if (value.empty() || ec != std::errc() || end != value.data() + value.size()) return -1;
    return n;
}

void RegisterVoices(PrivateProfile& profile, const std::string& file, std::span<const Voice> voices) {
    if (!profile.SectionExists("Modes", file)) return;
    if (!profile.Backup(file)) return;
    for (const Voice& voice : voices) {
        const std::string name = voice.displayName;
        int n = ModeNumberOf(profile.ReadString("Modes", name, "", file));
        if (n >= 0) {
            if (!profile.SectionExists(ModeSection(n), file)) WriteModeDefinition(profile, file, n, name);
        } else {
            n = 0;
            while (profile.SectionExists(ModeSection(n), file)) {
                if (n == std::numeric_limits<int>::max()) return;
                ++n;
            }
            WriteModeDefinition(profile, file, n, name);
            profile.WriteInteger("Modes", name, n, file);
        }
        if (voice.makeCurrent) MakeCurrent(profile, file, n);
    }
}

void RunSetup(const RegistryReader& registry, PrivateProfile& profile, std::span<const Voice> voices) {
    RegisterVoices(profile, IniFileOf(FindInstallDirectory(registry)), voices);
}

std::vector<Voice> BundledVoices() {
    return {{"Quenlar Orin", true}, {"Quenlar Orin YU-ASCII", false}, {"Quenlar Tevo", false}};
}

std::vector<Voice> InstalledVoices(const std::string& voices_directory) {
    std::vector<Voice> voices;
    for (const VoiceManifest& m : FindVoices(voices_directory)) {
        voices.push_back({m.name, voices.empty()});
        if (!m.yu_ascii_variant.empty()) voices.push_back({m.name + " " + m.yu_ascii_variant, false});
    }
    return voices;
}

}  // namespace tarvox::srsetup
