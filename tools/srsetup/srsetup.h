// srsetup: registers the engine's voices as speech modes in the Virgo
// screen reader's PHOENIX.INI and makes the first voice the current one.
//
// The logic works against two small interfaces, the registry reader and the
// private-profile operations, so that it runs on the Windows API and on the
// file-based layers of other systems alike.
#pragma once

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarvox::srsetup {

// A registry key opened for reading.
class RegistryKey {
public:
    virtual ~RegistryKey() = default;
    // The string value, or nothing when it is missing or not a string.
    virtual std::optional<std::string> ReadString(std::string_view name) const = 0;
    // The names of the subkeys in the order the registry lists them.
    virtual std::vector<std::string> SubkeyNames() const = 0;
};

// Read access to HKEY_LOCAL_MACHINE.
class RegistryReader {
public:
    virtual ~RegistryReader() = default;
    // Opens the key (a path below HKEY_LOCAL_MACHINE such as
    // "SOFTWARE\BAUM\Virgo") for reading, without creating it; null when it
    // does not exist or cannot be opened.
    virtual std::unique_ptr<RegistryKey> OpenKey(std::string_view path) const = 0;
};

// The private-profile operations on an INI file named by its path.
class PrivateProfile {
public:
    virtual ~PrivateProfile() = default;
    virtual std::string ReadString(std::string_view section, std::string_view key, std::string_view fallback,
                                   const std::string& file) = 0;
    virtual bool WriteString(std::string_view section, std::string_view key, std::string_view value,
                             const std::string& file) = 0;
    virtual bool WriteInteger(std::string_view section, std::string_view key, int value,
                              const std::string& file) = 0;
    virtual bool SectionExists(std::string_view section, const std::string& file) = 0;
    // Copies the file to the same name with kBackupSuffix unless that copy
    // exists already (so it keeps the file as it was before the first
    // run); false when no copy can be made.
    virtual bool Backup(const std::string& file) = 0;
};

// The copy of the INI file made before it is first changed.
inline constexpr char kBackupSuffix[] = ".tarvox-backup";

// The screen reader's key below HKEY_LOCAL_MACHINE. It is given without a
// leading backslash: RegOpenKeyEx refuses "\SOFTWARE\..." below
// HKEY_LOCAL_MACHINE with ERROR_BAD_PATHNAME, so such a name never opens.
inline constexpr char kVirgoKey[] = "SOFTWARE\\BAUM\\Virgo";
inline constexpr char kInstallPathValue[] = "InstPath";
inline constexpr char kIniFileName[] = "PHOENIX.INI";

struct Voice {
    std::string displayName;
    bool makeCurrent = false;
};
// The bundled voices, for when no voice manifest is found: "Quenlar Orin"
// (made current), "Quenlar Orin YU-ASCII", "Quenlar Tevo".
std::vector<Voice> BundledVoices();

// The voices installed in `voices_directory` (directories with a
// voice.ini), in their order, each followed by its YU-ASCII variant; the
// first is made current. Empty when there is none.
std::vector<Voice> InstalledVoices(const std::string& voices_directory);

// Where the installed voices lie: "voices" beside the program on Windows,
// "../share/tarvox/voices" beside it elsewhere.
std::string VoicesDirectory();

// The screen reader's installation directory: the 4.7 key, the 4.6 key,
// then the subkey with the largest version number of at least 4.6; empty
// when there is none.
std::string FindInstallDirectory(const RegistryReader& registry);

// The version number of a subkey name: the whole name as a decimal number
// with '.' as the separator, 0 for anything else.
double VersionOfKeyName(std::string_view name);

// The INI file in the directory: a backslash is added when the directory
// does not end in one.
std::string IniFileOf(std::string directory);

// The mode number in a [Modes] value: -1 for an empty or non-numeric text.
int ModeNumberOf(std::string_view value);

// Registers the voices in the file; writes nothing when it has no [Modes]
// or when no backup of it can be made.
void RegisterVoices(PrivateProfile& profile, const std::string& file, std::span<const Voice> voices);

// The whole tool: find the file, register the voices (the installed ones,
// else the bundled ones).
void RunSetup(const RegistryReader& registry, PrivateProfile& profile, std::span<const Voice> voices);

// The system's registry and private-profile services (Windows API on
// Windows, the file-based layers elsewhere).
std::unique_ptr<RegistryReader> MakeSystemRegistry();
std::unique_ptr<PrivateProfile> MakeSystemProfile();

}  // namespace tarvox::srsetup
