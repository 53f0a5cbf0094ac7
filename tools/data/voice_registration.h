// Registration of the bundled voices as voice tokens of the speech platform:
//
//   HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Speech\Voices\Tokens\<token>
//       @           = display name
//       CLSID       = the engine's class identifier
//       VoiceName   = display name, Path = voice directory, Mode = 0 or 1
//     \Attributes
//       Language = 424, Gender, Age = Adult, Name, Vendor = tarvox
//
// The platform hands the token to the engine object, which reads "VoiceName",
// "Path" and "Mode" from it. Mode 1 is the ASCII-7 variant of a voice.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "manifest/voice_manifest.h"
#include "winreg/registrar.h"

namespace tarvox::winreg {
class TextRegistry;
}

namespace tarvox::data {

inline constexpr char kVoiceTokensKey[] =
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Speech\\Voices\\Tokens";
inline constexpr char kEngineClsid[] = "{A8ABE95B-7C20-461E-A91A-D2D761F58629}";

struct VoiceToken {
    std::string token;         // key name under kVoiceTokensKey
    std::string display_name;  // default value, "VoiceName" and attribute "Name"
    std::string gender;        // "Male" / "Female"
    std::string directory;     // "Path"
    std::uint32_t mode = 0;    // "Mode"
    std::string language = "424";  // attribute "Language"
    std::string age = "Adult";     // attribute "Age"
};

// The tokens of the voices whose manifests are given, in their order: each
// voice, then its YU-ASCII variant (Mode 1, the token's name with the
// variant's letters, "TarvoxQuenlarOrinYuAscii"). "Path" is the voice's
// directory name below `path_dir` (the directory where the voices lie on
// the machine the tokens are for).
std::vector<VoiceToken> VoiceTokensOf(std::span<const VoiceManifest> voices, const std::string& path_dir);

// Writes the tokens, each replacing an older key of the same name. Empty on
// success, else the reason of the failure.
std::string RegisterVoiceTokens(std::span<const VoiceToken> tokens, RegistryWriter& registry);

// The keys of the tokens in the registry editor's export format (CRLF line
// ends), read back from `registry`.
std::string VoiceTokensRegFile(std::span<const VoiceToken> tokens,
                               const winreg::TextRegistry& registry);

// The same tokens as an NSIS include for an installer: the macro
// TarvoxWriteVoiceTokens writes them (each token's key replaced whole) and
// TarvoxDeleteVoiceTokens removes them, in the registry view the installer
// has set. Values are escaped for NSIS strings, except `voices_dir` at the
// start of a Path, which the installer expands ("$INSTDIR\voices").
std::string VoiceTokensNsisInclude(std::span<const VoiceToken> tokens, const winreg::TextRegistry& registry,
                                   const std::string& voices_dir);

// A RegistryWriter over a text registry.
class TextRegistryWriter final : public RegistryWriter {
public:
    explicit TextRegistryWriter(winreg::TextRegistry& registry) : registry_(registry) {}
    bool CreateKey(const std::string& path) override;
    bool SetString(const std::string& path, const std::string& name,
                   const std::string& value) override;
    bool SetDword(const std::string& path, const std::string& name, std::uint32_t value) override;
    bool DeleteKeyTree(const std::string& path) override;
    bool KeyExists(const std::string& path) const override;
    bool HasSubkeys(const std::string& path) const override;

private:
    winreg::TextRegistry& registry_;
};

// register-voices --voices-dir DIR [--manifests DIR] [--reg-file OUT.reg | --nsis OUT.nsh]:
// the voices' tokens into the TARVOX_REGISTRY file, a .reg file or an NSIS
// include.
struct RegisterVoicesArgs {
    std::string voices_dir, manifests, reg_file, nsis_file;
};
int RunRegisterVoices(const RegisterVoicesArgs& args);

}  // namespace tarvox::data
