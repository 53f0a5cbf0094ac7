// A voice directory's manifest, "voice.ini": who the voice is, for the
// programs that list and register voices. "key = value" lines, "#" starts a
// comment line; unknown keys are ignored so that newer manifests stay
// readable.
//
//   name = Quenlar Orin          display name (required)
//   token = TarvoxQuenlarOrin    the voice token's key name (required)
//   language = sl                lcid = 424 (hexadecimal)
//   gender = male | female       age = adult | child | senior | teen
//   sample_rate = 16000          format = 1 (refused when newer)
//   revision = 1                 licence = an SPDX expression
//   yu_ascii_variant = YU-ASCII  a second token "<name> YU-ASCII", Mode 1
//   order = 1                    order among the voices (smaller first)
//
// This library depends on nothing but the standard library: the setup tool
// uses it without the engine.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvox {

inline constexpr char kVoiceManifestName[] = "voice.ini";
// The newest directory layout this engine reads.
inline constexpr int kVoiceFormat = 1;

struct VoiceManifest {
    std::string directory;  // the voice directory it was read from
    std::string name;
    std::string token;
    std::string language = "sl";
    std::string lcid = "424";
    std::string gender = "male";
    std::string age = "adult";
    int sample_rate = 16000;
    int format = kVoiceFormat;
    int revision = 0;
    std::string licence;
    std::string yu_ascii_variant;  // empty: no such variant
    int order = 0;

    // "Male" / "Female" ..., as the speech platform's attributes write them.
    std::string PlatformGender() const;
    std::string PlatformAge() const;
};

// Reads a manifest from its text; nullopt with `error` set when a required
// key is missing, a number is not one, or the format is newer than this
// engine reads.
std::optional<VoiceManifest> ParseVoiceManifest(std::string_view text, std::string* error = nullptr);

// Reads `directory`/voice.ini.
std::optional<VoiceManifest> ReadVoiceManifest(const std::string& directory,
                                               std::string* error = nullptr);

// The voices directly under `voices_directory` (each a directory with a
// readable manifest), by order, then name. Directories without one are
// skipped; `problems` (if given) gets a line for each unreadable manifest.
std::vector<VoiceManifest> FindVoices(const std::string& voices_directory,
                                      std::vector<std::string>* problems = nullptr);

// A voice by name (without regard to case, also "name YU-ASCII" for the
// variant: `ascii7` tells) or by directory; nullopt when it is neither.
struct ChosenVoice {
    VoiceManifest voice;
    bool ascii7 = false;
};
std::optional<ChosenVoice> ChooseVoice(const std::vector<VoiceManifest>& voices, std::string_view wanted);

}  // namespace tarvox
