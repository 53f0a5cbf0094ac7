// The main configuration (sint.ini): the three stage profiles, the
// dictionary, statistics and log directories, the port and the engine-wide
// switches, with path resolution against the voice's base directory.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "base/profile.h"

namespace tarvox {

inline constexpr std::size_t kBaseDirectorySize = 1024;  // bytes, without the NUL
inline constexpr std::size_t kPathBufferSize = 256;      // bytes, with the NUL
inline constexpr std::size_t kSwitchBufferSize = 128;    // bytes, with the NUL
inline constexpr std::int32_t kDefaultPort = 10150;

struct Switches {
    bool dovoli_nesifrirane_slovarje = false;  // plain "*.dct" dictionaries allowed
    bool sumniki_z_narekovaji = false;         // "s "c "z quote convention
    bool vzorci_v_pomnilniku = false;          // voice samples held in memory
    bool index_mode = true;                    // dictionaries from the index file
    bool sms_delovanje = false;                // capital runs read as words
    bool veckratni_zagon = false;              // accepted, no effect
    bool pisi_dnevnik = true;                  // stage dumps and "avto.bes"
    // A request's audio leaves the engine with at most 10 ms of silence
    // before its first sound and 100 ms after its last.
    bool obrezi_tisino = false;
    // Rendered durations keep to the plan: a plosive's recorded release
    // taken out of its closure, each unit's overshoot carried on.
    bool trajanje_po_nacrtu = false;
    // Two records of one vowel in a row sound as one recorded alophone.
    bool zdruzi_polovici_samoglasnika = false;
    // Read from the converter profile, engine-wide all the same.
    bool kovrat_filter = false;   // "<" and ">" become blanks
    bool podpiraj_ascii7 = false;  // seven-bit letter substitutes accepted
};

class Configuration {
public:
    // Copies at most 1024 bytes.
    void SetBaseDirectory(std::string_view path);
    const std::string& BaseDirectory() const { return base_directory_; }

    // Reads sint.ini from the base directory; 0, or -1 with a message.
    int ProcessSintIni();

    // Resolves a file or directory name against the base directory.
    std::string ResolvePath(std::string_view name) const;

    // Applies the switch rule of `key` to a raw value; true when the key is
    // a known switch. Used for sint.ini and for the converter profile's keys.
    bool ApplySwitch(std::string_view key, std::string_view raw_value);

    const std::string& SintIniPath() const { return sint_ini_; }
    const std::string& IniGfp() const { return ini_gfp_; }
    const std::string& IniMakro() const { return ini_makro_; }
    const std::string& IniMikro() const { return ini_mikro_; }
    const std::string& DctDir() const { return dct_dir_; }
    const std::string& StatDir() const { return stat_dir_; }
    const std::string& LogDir() const { return log_dir_; }
    std::int32_t Port() const { return port_; }
    Switches& switches() { return switches_; }
    const Switches& switches() const { return switches_; }

    bool HasProfile() const { return profile_ != nullptr; }
    // Deletes the sint.ini profile object (the values stay).
    void ReleaseProfile() { profile_.reset(); }

private:
    int ReadPath(std::string_view key, bool directory, std::string& out);

    std::string base_directory_;
    std::string sint_ini_;
    std::string ini_gfp_, ini_makro_, ini_mikro_;
    std::string dct_dir_, stat_dir_, log_dir_;
    std::int32_t port_ = kDefaultPort;
    Switches switches_;
    std::unique_ptr<Profile> profile_;
};

// Whether a configuration path ends in the given extension, without regard
// to case (".ins", ".ini").
bool HasExtension(std::string_view path, std::string_view extension);

// Blanks, tabs, CR and LF removed at both ends.
std::string_view TrimValue(std::string_view value);

}  // namespace tarvox
