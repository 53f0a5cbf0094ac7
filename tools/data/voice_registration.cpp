// register-voices: writes the voice tokens of the bundled voices into the
// text registry named by TARVOX_REGISTRY, or into a .reg file for the
// registry editor.
#include "voice_registration.h"


#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>

#include "data_tool.h"
#include "base/files.h"
#include "manifest/voice_manifest.h"
#include "winreg/registry_file.h"

namespace tarvox::data {

namespace {

// The voice directory in the separator style of `voices_dir` (a Windows
// path given to the tool keeps its backslashes).
std::string JoinDirectory(const std::string& voices_dir, const std::string& name) {
    if (voices_dir.empty()) return name;
    const char separator = voices_dir.find('\\') != std::string::npos ? '\\' : '/';
    const char last = voices_dir.back();
    if (last == '/' || last == '\\') return voices_dir + name;
    return voices_dir + separator + name;
}

std::string Escape(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    return out;
}

void AppendKey(const winreg::TextRegistry& registry, const std::string& path, std::string& out) {
    out += "[" + path + "]\r\n";
    for (const winreg::RegistryValue& v : registry.Values(path)) {
        out += v.name.empty() ? std::string("@") : "\"" + Escape(v.name) + "\"";
        out += '=';
        switch (v.type) {
            case winreg::RegistryValue::Type::String: out += "\"" + Escape(v.text) + "\""; break;
            case winreg::RegistryValue::Type::Dword: {
                char hex[16];
                std::snprintf(hex, sizeof hex, "%08x", static_cast<unsigned>(v.dword));
                out += std::string("dword:") + hex;
                break;
            }
            case winreg::RegistryValue::Type::Other: out += v.text; break;
        }
        out += "\r\n";
    }
    out += "\r\n";
    for (const std::string& sub : registry.SubkeyNames(path)) AppendKey(registry, path + "\\" + sub, out);
}

// A text as an NSIS string's content: "$" and quotes escaped.
std::string NsisEscape(std::string_view text) {
    std::string out;
    for (const char c : text) {
        if (c == '$') out += "$$";
        else if (c == '"') out += "$\\\"";
        else if (c == '\r' || c == '\n') out += ' ';
        else out += c;
    }
    return out;
}

// A key below HKEY_LOCAL_MACHINE as NSIS names it (without the root).
std::string NsisKey(std::string_view path) {
    constexpr std::string_view root = "HKEY_LOCAL_MACHINE\\";
    if (path.starts_with(root)) path.remove_prefix(root.size());
    return NsisEscape(path);
}

void AppendNsisKey(const winreg::TextRegistry& registry, const std::string& path, const std::string& voices_dir,
                   std::string& out) {
    const std::string key = NsisKey(path);
    for (const winreg::RegistryValue& v : registry.Values(path)) {
        const std::string name = NsisEscape(v.name);
        if (v.type == winreg::RegistryValue::Type::Dword) {
            out += "  WriteRegDWORD HKLM \"" + key + "\" \"" + name + "\" " + std::to_string(v.dword) + "\r\n";
            continue;
        }
        std::string value;
        if (v.name == "Path" && !voices_dir.empty() && v.text.starts_with(voices_dir))
            value = voices_dir + NsisEscape(std::string_view(v.text).substr(voices_dir.size()));
        else
            value = NsisEscape(v.text);
        out += "  WriteRegStr HKLM \"" + key + "\" \"" + name + "\" \"" + value + "\"\r\n";
    }
    for (const std::string& sub : registry.SubkeyNames(path)) AppendNsisKey(registry, path + "\\" + sub, voices_dir, out);
}

}  // namespace

std::string VoiceTokensNsisInclude(std::span<const VoiceToken> tokens, const winreg::TextRegistry& registry,
                                   const std::string& voices_dir) {
    std::string write = "!macro TarvoxWriteVoiceTokens\r\n";
    std::string remove = "!macro TarvoxDeleteVoiceTokens\r\n";
    for (const VoiceToken& t : tokens) {
        const std::string key = std::string(kVoiceTokensKey) + "\\" + t.token;
        if (!registry.KeyExists(key)) continue;
        const std::string line = "  DeleteRegKey HKLM \"" + NsisKey(key) + "\"\r\n";
        write += line;
        AppendNsisKey(registry, key, voices_dir, write);
        remove += line;
    }
    return "; The voice tokens of the installed voices (written by tarvox-data\r\n"
           "; register-voices --nsis from the voices' manifests).\r\n" +
           write + "!macroend\r\n" + remove + "!macroend\r\n";
}

bool TextRegistryWriter::CreateKey(const std::string& path) { return registry_.CreateKey(path); }
bool TextRegistryWriter::SetString(const std::string& path, const std::string& name,
                                   const std::string& value) {
    return registry_.SetString(path, name, value);
}
bool TextRegistryWriter::SetDword(const std::string& path, const std::string& name,
                                  std::uint32_t value) {
    return registry_.SetDword(path, name, value);
}
bool TextRegistryWriter::DeleteKeyTree(const std::string& path) {
    return registry_.DeleteKeyTree(path);
}
bool TextRegistryWriter::KeyExists(const std::string& path) const {
    return registry_.KeyExists(path);
}
bool TextRegistryWriter::HasSubkeys(const std::string& path) const {
    return !registry_.SubkeyNames(path).empty();
}

std::vector<VoiceToken> VoiceTokensOf(std::span<const VoiceManifest> voices, const std::string& path_dir) {
    std::vector<VoiceToken> tokens;
    for (const VoiceManifest& m : voices) {
        std::filesystem::path p(m.directory);
        if (p.filename().empty()) p = p.parent_path();
        VoiceToken t{m.token, m.name, m.PlatformGender(), JoinDirectory(path_dir, p.filename().string()),
                     0, m.lcid, m.PlatformAge()};
        tokens.push_back(t);
        if (m.yu_ascii_variant.empty()) continue;
        // "YU-ASCII" -> "YuAscii"
        std::string suffix;
        bool word_start = true;
        for (char c : m.yu_ascii_variant) {
            const bool alnum = std::isalnum(static_cast<unsigned char>(c)) != 0;
            if (alnum)
                suffix.push_back(static_cast<char>(word_start ? std::toupper(static_cast<unsigned char>(c))
                                                              : std::tolower(static_cast<unsigned char>(c))));
            word_start = !alnum;
        }
        t.token = m.token + suffix;
        t.display_name = m.name + " " + m.yu_ascii_variant;
        t.mode = 1;
        tokens.push_back(t);
    }
    return tokens;
}

std::string RegisterVoiceTokens(std::span<const VoiceToken> tokens, RegistryWriter& registry) {
    for (const VoiceToken& t : tokens) {
        const std::string key = std::string(kVoiceTokensKey) + "\\" + t.token;
        const std::string attributes = key + "\\Attributes";
        // An older token of the same name goes whole, so no stale value stays.
        if (registry.KeyExists(key) && !registry.DeleteKeyTree(key)) return "cannot remove " + key;
        const bool ok = registry.CreateKey(key) && registry.SetString(key, "", t.display_name) &&
                        registry.SetString(key, "CLSID", kEngineClsid) &&
                        registry.SetString(key, "VoiceName", t.display_name) &&
                        registry.SetString(key, "Path", t.directory) &&
                        registry.SetDword(key, "Mode", t.mode) && registry.CreateKey(attributes) &&
                        registry.SetString(attributes, "Language", t.language) &&
                        registry.SetString(attributes, "Gender", t.gender) &&
                        registry.SetString(attributes, "Age", t.age) &&
                        registry.SetString(attributes, "Name", t.display_name) &&
                        registry.SetString(attributes, "Vendor", "tarvox");
        if (!ok) return "cannot write " + key;
    }
    return {};
}

std::string VoiceTokensRegFile(std::span<const VoiceToken> tokens,
                               const winreg::TextRegistry& registry) {
    std::string out = "Windows Registry Editor Version 5.00\r\n\r\n";
    for (const VoiceToken& t : tokens) {
        const std::string key = std::string(kVoiceTokensKey) + "\\" + t.token;
        if (registry.KeyExists(key)) AppendKey(registry, key, out);
    }
    return out;
}

int RunRegisterVoices(const RegisterVoicesArgs& args) {
    const auto fail = [](const std::string& message) {
        std::cerr << "tarvox-data: " << message << "\n";
        return 1;
    };
    const std::string manifests = args.manifests.empty() ? args.voices_dir : args.manifests;
    std::vector<std::string> problems;
    const std::vector<VoiceManifest> voices = FindVoices(NativePath(manifests), &problems);
    for (const std::string& p : problems) std::cerr << "tarvox-data: " << p << "\n";
    if (voices.empty()) return fail("no voice manifests (voice.ini) in " + manifests);
    const std::vector<VoiceToken> tokens = VoiceTokensOf(voices, args.voices_dir);
    // The registry file serves this machine, so its voices must be here;
    // a .reg file is often made for another one ("C:\..."): only a note.
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const VoiceToken& t = tokens[i];
        if (i > 0 && tokens[i - 1].directory == t.directory) continue;  // the YU-ASCII mode
        std::error_code ec;
        if (!args.nsis_file.empty() ||
            std::filesystem::is_regular_file(NativePath(t.directory + "/sint.ini"), ec))
            continue;
        if (args.reg_file.empty() && args.nsis_file.empty())
            return fail("no voice in " + t.directory + " (sint.ini is missing)");
        std::cerr << "tarvox-data: note: no voice in " << t.directory << " here\n";
    }
    // A file for another machine: the tokens in the registry editor's
    // format or as an NSIS include.
    if (!args.nsis_file.empty() || !args.reg_file.empty()) {
        winreg::TextRegistry registry;
        TextRegistryWriter writer(registry);
        if (std::string error = RegisterVoiceTokens(tokens, writer); !error.empty()) return fail(error);
        const bool nsis = !args.nsis_file.empty();
        const std::string& file = nsis ? args.nsis_file : args.reg_file;
        const std::string text = nsis ? VoiceTokensNsisInclude(tokens, registry, args.voices_dir)
                                      : VoiceTokensRegFile(tokens, registry);
        std::ofstream out(NativePath(file), std::ios::binary | std::ios::trunc);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        out.close();
        if (!out) return fail("cannot write " + file);
        std::cout << "wrote " << file << "\n";
        return 0;
    }
    const std::optional<std::string> path = winreg::TextRegistry::PathFromEnvironment();
    if (!path) return fail(std::string(winreg::kRegistryVariable) + " is not set; give --reg-file");
    std::optional<winreg::RegistryParseError> parse_error;
    winreg::TextRegistry registry = winreg::TextRegistry::Load(*path, &parse_error);
    if (parse_error) {
        return fail(*path + ":" + std::to_string(parse_error->line) + ": " + parse_error->message);
    }
    TextRegistryWriter writer(registry);
    if (std::string error = RegisterVoiceTokens(tokens, writer); !error.empty()) return fail(error);
    if (!registry.Save(*path)) return fail("cannot write " + *path);
    std::cout << "registered " << tokens.size() << " voices in " << *path << "\n";
    return 0;
}

}  // namespace tarvox::data
