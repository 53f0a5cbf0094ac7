#include "manifest/voice_manifest.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace tarvox {
namespace {

std::string_view Trim(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return s;
}

std::string Lower(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) {
        return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    });
    return out;
}

bool Number(std::string_view text, int& out) {
    const auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && p == text.data() + text.size();
}

std::string Capitalised(const std::string& s) {
    std::string out = Lower(s);
    if (!out.empty() && out[0] >= 'a' && out[0] <= 'z') out[0] = static_cast<char>(out[0] - 'a' + 'A');
    return out;
}

}  // namespace

std::string VoiceManifest::PlatformGender() const { return Capitalised(gender); }
std::string VoiceManifest::PlatformAge() const { return Capitalised(age); }

std::optional<VoiceManifest> ParseVoiceManifest(std::string_view text, std::string* error) {
    auto fail = [&](const std::string& why) -> std::optional<VoiceManifest> {
        if (error) *error = why;
        return std::nullopt;
    };
    VoiceManifest m;
    std::size_t line_no = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view raw = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        ++line_no;
        const std::string_view line = Trim(raw);
        if (line.empty() || line[0] == '#') continue;
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos)
            return fail("line " + std::to_string(line_no) + " is not \"key = value\"");
        const std::string key = Lower(Trim(line.substr(0, eq)));
        const std::string_view value = Trim(line.substr(eq + 1));
        int number = 0;
        auto numeric = [&](int& field) {
            if (!Number(value, number)) return false;
            field = number;
            return true;
        };
        bool ok = true;
        if (key == "name") m.name = value;
        else if (key == "token") m.token = value;
        else if (key == "language") m.language = value;
        else if (key == "lcid") m.lcid = value;
        else if (key == "gender") m.gender = Lower(value);
        else if (key == "age") m.age = Lower(value);
        else if (key == "licence" || key == "license") m.licence = value;
        else if (key == "yu_ascii_variant") m.yu_ascii_variant = value;
        else if (key == "sample_rate") ok = numeric(m.sample_rate);
        else if (key == "format") ok = numeric(m.format);
        else if (key == "revision") ok = numeric(m.revision);
        else if (key == "order") ok = numeric(m.order);
        if (!ok) return fail("the value of " + key + " is not a number: " + std::string(value));
    }
    if (m.name.empty()) return fail("no name");
    if (m.token.empty()) return fail("no token");
    if (m.format > kVoiceFormat || m.format < 1)
        return fail("format " + std::to_string(m.format) + " (this engine reads format " +
                    std::to_string(kVoiceFormat) + ")");
    return m;
}

std::optional<VoiceManifest> ReadVoiceManifest(const std::string& directory, std::string* error) {
    const std::filesystem::path path = std::filesystem::path(directory) / kVoiceManifestName;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (error) *error = "cannot read " + path.string();
        return std::nullopt;
    }
    std::ostringstream text;
    text << in.rdbuf();
    std::string why;
    auto m = ParseVoiceManifest(text.str(), &why);
    if (!m) {
        if (error) *error = path.string() + ": " + why;
        return std::nullopt;
    }
    m->directory = directory;
    return m;
}

std::vector<VoiceManifest> FindVoices(const std::string& voices_directory,
                                      std::vector<std::string>* problems) {
    namespace fs = std::filesystem;
    std::vector<VoiceManifest> voices;
    std::error_code ec;
    for (fs::directory_iterator it(voices_directory, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code kind;
        if (!it->is_directory(kind)) continue;
        if (!fs::exists(it->path() / kVoiceManifestName, kind)) continue;
        std::string why;
        if (auto m = ReadVoiceManifest(it->path().string(), &why))
            voices.push_back(std::move(*m));
        else if (problems)
            problems->push_back(why);
    }
    std::sort(voices.begin(), voices.end(), [](const VoiceManifest& a, const VoiceManifest& b) {
        if (a.order != b.order) return a.order < b.order;
        return a.name < b.name;
    });
    return voices;
}

std::optional<ChosenVoice> ChooseVoice(const std::vector<VoiceManifest>& voices, std::string_view wanted) {
    const std::string w = Lower(Trim(wanted));
    for (const VoiceManifest& v : voices) {
        if (Lower(v.name) == w) return ChosenVoice{v, false};
        if (!v.yu_ascii_variant.empty() && Lower(v.name + " " + v.yu_ascii_variant) == w)
            return ChosenVoice{v, true};
    }
    // A directory given by its path, or one of the voices' directory names.
    namespace fs = std::filesystem;
    std::error_code ec;
    if (fs::is_directory(fs::path(wanted), ec)) {
        std::string why;
        if (auto m = ReadVoiceManifest(std::string(wanted), &why)) return ChosenVoice{*m, false};
        VoiceManifest bare;
        bare.directory = std::string(wanted);
        fs::path p(wanted);
        if (p.filename().empty()) p = p.parent_path();
        bare.name = p.filename().string();
        return ChosenVoice{bare, false};
    }
    for (const VoiceManifest& v : voices) {
        fs::path p(v.directory);
        if (p.filename().empty()) p = p.parent_path();
        if (Lower(p.filename().string()) == w) return ChosenVoice{v, false};
    }
    return std::nullopt;
}

}  // namespace tarvox
