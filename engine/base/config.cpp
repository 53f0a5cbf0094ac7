#include "base/config.h"

#include <algorithm>
#include <cctype>
#include <optional>

#include "base/diag.h"

namespace tarvox {
namespace {

// What a switch becomes for a value: the "true" side, the "false" side or
// unchanged (nullopt).
struct SwitchRule {
    const char* key;
    bool Switches::*field;
    std::optional<bool> on_true;
    std::optional<bool> on_false;
    std::optional<bool> on_other;
};

constexpr SwitchRule kSwitchRules[] = {
    {"dovoli_nesifrirane_slovarje", &Switches::dovoli_nesifrirane_slovarje, true, false, false},
    {"sumniki_z_narekovaji", &Switches::sumniki_z_narekovaji, true, false, true},
    {"vzorci_v_pomnilniku", &Switches::vzorci_v_pomnilniku, true, false, std::nullopt},
    {"dovoli_uporabniske_slovarje", &Switches::index_mode, false, std::nullopt, std::nullopt},
    {"SMS_delovanje", &Switches::sms_delovanje, true, false, std::nullopt},
    {"veckratni_zagon", &Switches::veckratni_zagon, true, false, std::nullopt},
    {"pisi_dnevnik", &Switches::pisi_dnevnik, true, false, std::nullopt},
    {"trajanje_po_nacrtu", &Switches::trajanje_po_nacrtu, true, false, std::nullopt},
    {"zdruzi_polovici_samoglasnika", &Switches::zdruzi_polovici_samoglasnika, true, false,
     std::nullopt},
    {"kovrat_filter", &Switches::kovrat_filter, true, false, false},
    {"podpirajASCII7", &Switches::podpiraj_ascii7, true, false, false},
    {"obrezi_tisino", &Switches::obrezi_tisino, true, false, std::nullopt},
};

// The keys of sint.ini that are switches, in their reading order.
constexpr const char* kSintSwitches[] = {
    "dovoli_nesifrirane_slovarje", "sumniki_z_narekovaji", "vzorci_v_pomnilniku",
    "dovoli_uporabniske_slovarje", "SMS_delovanje",        "veckratni_zagon",
    "pisi_dnevnik",                "obrezi_tisino",        "trajanje_po_nacrtu",
    "zdruzi_polovici_samoglasnika",
};

bool IsTrimmed(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

std::string_view TrimValue(std::string_view value) {
    while (!value.empty() && IsTrimmed(value.front())) value.remove_prefix(1);
    while (!value.empty() && IsTrimmed(value.back())) value.remove_suffix(1);
    return value;
}

bool HasExtension(std::string_view path, std::string_view extension) {
    if (path.size() < extension.size()) return false;
    const std::string_view tail = path.substr(path.size() - extension.size());
    return std::equal(tail.begin(), tail.end(), extension.begin(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) ==
               std::tolower(static_cast<unsigned char>(b));
    });
}

void Configuration::SetBaseDirectory(std::string_view path) {
    base_directory_.assign(path.substr(0, kBaseDirectorySize));
}

std::string Configuration::ResolvePath(std::string_view name) const {
    if (base_directory_.empty() || name.empty()) return std::string(name);
    std::string_view b = base_directory_;
    while (!b.empty() && static_cast<unsigned char>(b.front()) <= 32) b.remove_prefix(1);
    while (!b.empty() && static_cast<unsigned char>(b.back()) <= 32) b.remove_suffix(1);
    std::string dir(b);
    if (!dir.empty() && dir.back() != '\\') dir.push_back('\\');

    std::string_view n = name;
    if (n.size() >= 2 && n[0] == '.' && n[1] == '\\') n.remove_prefix(2);
    const bool absolute = (n.size() >= 2 && n[1] == ':') ||
                          (!n.empty() && (n[0] == '/' || n[0] == '\\'));
    if (absolute) return std::string(name);
    std::string result = dir + std::string(n);
    if (result.size() > kBaseDirectorySize - 1) result.resize(kBaseDirectorySize - 1);
    return result;
}

bool Configuration::ApplySwitch(std::string_view key, std::string_view raw_value) {
    for (const SwitchRule& rule : kSwitchRules) {
        if (key != rule.key) continue;
        std::string v(TrimValue(raw_value));
        if (v.empty()) return true;
        std::transform(v.begin(), v.end(), v.begin(),
                       [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
        const std::optional<bool> result =
            v == "true" ? rule.on_true : v == "false" ? rule.on_false : rule.on_other;
        if (result) switches_.*(rule.field) = *result;
        return true;
    }
    return false;
}

int Configuration::ReadPath(std::string_view key, bool directory, std::string& out) {
    const std::string message = "Napaka: Sint_locat (" + std::string(key) + ")";
    std::string raw;
    if (profile_->GetString(key, raw) < 0 || raw.size() >= kPathBufferSize) {
        ReportError(message);
        return -1;
    }
    std::string value(TrimValue(raw));
    std::replace(value.begin(), value.end(), '/', '\\');
    if (directory && (value.empty() || value.back() != '\\')) value.push_back('\\');
    std::string resolved = ResolvePath(value);
    if (resolved.size() >= kPathBufferSize) {
        ReportError(message);
        return -1;
    }
    out = std::move(resolved);
    return 0;
}

int Configuration::ProcessSintIni() {
    sint_ini_ = ResolvePath("sint.ini");
    profile_ = std::make_unique<Profile>(sint_ini_, false);
    if (!profile_->IsLoaded()) {
        ReportError("Ni inicializacijske datoteke (SINT.INI)");
        return -1;
    }
    ClearError();
    if (ReadPath("ini_mikro", false, ini_mikro_) < 0) return -1;
    if (ReadPath("ini_makro", false, ini_makro_) < 0) return -1;
    if (ReadPath("ini_gfp", false, ini_gfp_) < 0) return -1;
    if (ReadPath("dct_dir", true, dct_dir_) < 0) return -1;
    if (ReadPath("stat_dir", true, stat_dir_) < 0) return -1;
    if (ReadPath("log_dir", true, log_dir_) < 0) return -1;

    std::int32_t port = 0;
    if (profile_->GetLong("port", port) < 0) {
        ReportError("Port ni podan. Privzeta vrdnost " + std::to_string(kDefaultPort) + "\n");
        port = kDefaultPort;
    }
    port_ = port;

    for (const char* key : kSintSwitches) {
        std::string value;
        if (profile_->GetString(key, value) < 0) continue;
        if (value.size() >= kSwitchBufferSize) {
            // Too long for the switch buffer: reported, the switch unchanged.
            ReportError("Napaka: Sint_locat (" + std::string(key) + ")");
            continue;
        }
        ApplySwitch(key, value);
    }
    return 0;
}

}  // namespace tarvox
