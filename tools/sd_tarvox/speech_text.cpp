#include "speech_text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <optional>
#include <utility>

#include "text/codepage.h"

namespace tarvox::sd {
namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

// The element name of a tag body ("mark name=..." -> "mark"), lower case,
// without a namespace prefix.
std::string ElementName(std::string_view body) {
    std::size_t i = 0;
    if (i < body.size() && body[i] == '/') ++i;
    std::size_t j = i;
    while (j < body.size() && !IsSpace(body[j]) && body[j] != '/' && body[j] != '>') ++j;
    std::string name(body.substr(i, j - i));
    if (const auto colon = name.find(':'); colon != std::string::npos) name.erase(0, colon + 1);
    for (char& c : name)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return name;
}

// The value of attribute `attr` in a tag body, entities decoded.
std::optional<std::string> Attribute(std::string_view body, std::string_view attr) {
    std::size_t i = 0;
    while (i < body.size() && !IsSpace(body[i])) ++i;  // the element name
    while (i < body.size()) {
        while (i < body.size() && (IsSpace(body[i]) || body[i] == '/')) ++i;
        std::size_t j = i;
        while (j < body.size() && body[j] != '=' && !IsSpace(body[j]) && body[j] != '/') ++j;
        const std::string_view key = body.substr(i, j - i);
        while (j < body.size() && IsSpace(body[j])) ++j;
        if (j >= body.size() || body[j] != '=') {
            i = j + 1;
            continue;
        }
        ++j;
        while (j < body.size() && IsSpace(body[j])) ++j;
        if (j >= body.size()) return std::nullopt;
        std::string_view raw;
        if (body[j] == '"' || body[j] == '\'') {
            const std::size_t end = body.find(body[j], j + 1);
            if (end == std::string_view::npos) return std::nullopt;
            raw = body.substr(j + 1, end - j - 1);
            i = end + 1;
        } else {
            std::size_t end = j;
            while (end < body.size() && !IsSpace(body[end]) && body[end] != '/') ++end;
            raw = body.substr(j, end - j);
            i = end;
        }
        if (key == attr) {
            std::string value;
            for (std::size_t k = 0; k < raw.size();) {
                if (raw[k] == '&') {
                    auto [text, used] = DecodeEntity(raw.substr(k));
                    if (used) {
                        value += text;
                        k += used;
                        continue;
                    }
                }
                value.push_back(raw[k++]);
            }
            return value;
        }
    }
    return std::nullopt;
}

bool SeparatesWords(const std::string& element) {
    static constexpr std::array<std::string_view, 9> kBlocks = {
        "s", "p", "sentence", "paragraph", "break", "audio", "speak", "voice", "desc"};
    return std::find(kBlocks.begin(), kBlocks.end(), element) != kBlocks.end();
}

// A mark name goes out on one protocol line.
bool UsableMarkName(const std::string& name) {
    if (name.empty() || name.size() > 1024) return false;
    return std::none_of(name.begin(), name.end(), [](char c) { return c == '\n' || c == '\r' || c == '\0'; });
}

std::size_t Utf8Length(unsigned char lead) {
    if (lead < 0x80) return 1;
    if ((lead & 0xE0) == 0xC0) return 2;
    if ((lead & 0xF0) == 0xE0) return 3;
    if ((lead & 0xF8) == 0xF0) return 4;
    return 1;
}

struct PunctuationName {
    char c;
    std::string_view name;
    Punctuation from;  // the least mode that says it
    bool keep;         // the character stays after its name
};

constexpr std::array<PunctuationName, 32> kPunctuation = {{
    {'.', "pika", Punctuation::kAll, true},
    {',', "vejica", Punctuation::kAll, true},
    {';', "podpičje", Punctuation::kAll, true},
    {':', "dvopičje", Punctuation::kAll, true},
    {'!', "klicaj", Punctuation::kAll, true},
    {'?', "vprašaj", Punctuation::kAll, true},
    {'-', "vezaj", Punctuation::kAll, false},
    {'\'', "opuščaj", Punctuation::kMost, false},
    {'"', "narekovaj", Punctuation::kMost, false},
    {'(', "oklepaj", Punctuation::kMost, false},
    {')', "zaklepaj", Punctuation::kMost, false},
    {'[', "oglati oklepaj", Punctuation::kMost, false},
    {']', "oglati zaklepaj", Punctuation::kMost, false},
    {'{', "zaviti oklepaj", Punctuation::kMost, false},
    {'}', "zaviti zaklepaj", Punctuation::kMost, false},
    {'#', "lojtra", Punctuation::kSome, false},
    {'$', "dolar", Punctuation::kSome, false},
    {'%', "odstotek", Punctuation::kSome, false},
    {'&', "in", Punctuation::kSome, false},
    {'*', "zvezdica", Punctuation::kSome, false},
    {'+', "plus", Punctuation::kSome, false},
    {'/', "poševnica", Punctuation::kSome, false},
    {'<', "manjše", Punctuation::kSome, false},
    {'=', "enačaj", Punctuation::kSome, false},
    {'>', "večje", Punctuation::kSome, false},
    {'@', "afna", Punctuation::kSome, false},
    {'\\', "leva poševnica", Punctuation::kSome, false},
    {'^', "strešica", Punctuation::kSome, false},
    {'_', "podčrtaj", Punctuation::kSome, false},
    {'`', "krativec", Punctuation::kSome, false},
    {'|', "navpičnica", Punctuation::kSome, false},
    {'~', "tilda", Punctuation::kSome, false},
}};

struct KeyName {
    std::string_view key;
    std::string_view words;
};

constexpr std::array<KeyName, 40> kKeys = {{
    {"space", "preslednica"},     {"underscore", "_"},          {"double-quote", "\""},
    {"alt", "alt"},               {"control", "krmilka"},       {"hyper", "hiper"},
    {"meta", "meta"},             {"shift", "dvigalka"},        {"super", "super"},
    {"backspace", "vračalka"},    {"break", "prekinitev"},      {"delete", "brisalka"},
    {"down", "puščica dol"},      {"end", "konec"},             {"enter", "vnašalka"},
    {"escape", "ubežnica"},       {"home", "začetek"},          {"insert", "vstavljalka"},
    {"kp-*", "številčnica zvezdica"}, {"kp-+", "številčnica plus"}, {"kp--", "številčnica minus"},
    {"kp-.", "številčnica pika"}, {"kp-/", "številčnica poševnica"}, {"kp-delete", "številčnica brisalka"},
    {"kp-enter", "številčnica vnašalka"}, {"kp-insert", "številčnica vstavljalka"},
    {"left", "puščica levo"},     {"menu", "meni"},             {"next", "stran dol"},
    {"num-lock", "številčna zaklepalka"}, {"pause", "premor"},  {"print", "tiskanje zaslona"},
    {"prior", "stran gor"},       {"return", "vnašalka"},       {"right", "puščica desno"},
    {"scroll-lock", "drsna zaklepalka"}, {"tab", "tabulator"},  {"up", "puščica gor"},
    {"window", "okenska tipka"},  {"caps-lock", "velike črke"},
}};

}  // namespace

std::string Utf8Of(char32_t code) {
    std::string out;
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return out;
    AppendUtf8(out, code);
    return out;
}

std::pair<std::string, std::size_t> DecodeEntity(std::string_view text) {
    if (text.empty() || text[0] != '&') return {"", 0};
    const std::size_t semi = text.find(';');
    if (semi == std::string_view::npos || semi > 12) return {"", 0};
    const std::string_view name = text.substr(1, semi - 1);
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 5> kNamed = {{
        {"lt", "<"}, {"gt", ">"}, {"amp", "&"}, {"quot", "\""}, {"apos", "'"}}};
    for (const auto& [n, v] : kNamed)
        if (name == n) return {std::string(v), semi + 1};
    if (name.size() >= 2 && name[0] == '#') {
        const bool hex = name[1] == 'x' || name[1] == 'X';
        const std::string_view digits = name.substr(hex ? 2 : 1);
        std::uint32_t code = 0;
        const auto [p, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), code, hex ? 16 : 10);
        if (digits.empty() || ec != std::errc() || p != digits.data() + digits.size()) return {"", 0};
        std::string utf8 = Utf8Of(static_cast<char32_t>(code));
        if (utf8.empty()) return {"", 0};
        return {utf8, semi + 1};
    }
    return {"", 0};
}

PlainText StripSsml(std::string_view ssml) {
    PlainText out;
    out.text.reserve(ssml.size());
    bool pending_space = false;
    auto separate = [&] {
        if (!out.text.empty() && !IsSpace(out.text.back())) pending_space = true;
    };
    auto put = [&](std::string_view s) {
        if (pending_space && !s.empty() && !IsSpace(s.front())) out.text.push_back(' ');
        pending_space = false;
        out.text += s;
    };
    std::size_t i = 0;
    while (i < ssml.size()) {
        const char c = ssml[i];
        if (c == '&') {
            auto [text, used] = DecodeEntity(ssml.substr(i));
            if (used) {
                put(text);
                i += used;
                continue;
            }
            put("&");
            ++i;
            continue;
        }
        if (c != '<') {
            std::size_t j = i;
            while (j < ssml.size() && ssml[j] != '<' && ssml[j] != '&') ++j;
            put(ssml.substr(i, j - i));
            i = j;
            continue;
        }
        const std::string_view rest = ssml.substr(i);
        if (rest.starts_with("<!--")) {
            const std::size_t end = ssml.find("-->", i + 4);
            if (end == std::string_view::npos) {
                put(rest);
                break;
            }
            i = end + 3;
            continue;
        }
        if (rest.starts_with("<![CDATA[")) {
            const std::size_t end = ssml.find("]]>", i + 9);
            if (end == std::string_view::npos) {
                put(rest);
                break;
            }
            put(ssml.substr(i + 9, end - i - 9));
            i = end + 3;
            continue;
        }
        // A tag starts with a name (or '/', '?', '!') and runs to the first
        // '>' outside a quoted attribute value.
        const char after = i + 1 < ssml.size() ? ssml[i + 1] : ' ';
        const bool letter = (after >= 'a' && after <= 'z') || (after >= 'A' && after <= 'Z') || after == '_';
        if (!letter && after != '/' && after != '?' && after != '!') {
            put("<");
            ++i;
            continue;
        }
        std::size_t j = i + 1;
        char quote = 0;
        while (j < ssml.size() && (quote || ssml[j] != '>')) {
            if (quote) {
                if (ssml[j] == quote) quote = 0;
            } else if (ssml[j] == '"' || ssml[j] == '\'') {
                quote = ssml[j];
            } else if (ssml[j] == '<') {
                break;
            }
            ++j;
        }
        if (j >= ssml.size() || ssml[j] != '>') {
            put("<");
            ++i;
            continue;
        }
        const std::string_view body = ssml.substr(i + 1, j - i - 1);
        i = j + 1;
        if (body.empty() || body[0] == '?' || body[0] == '!') continue;
        const std::string element = ElementName(body);
        if (element == "mark" && body[0] != '/') {
            if (auto name = Attribute(body, "name"); name && UsableMarkName(*name)) {
                if (pending_space) {
                    out.text.push_back(' ');
                    pending_space = false;
                }
                out.marks.push_back({out.text.size(), *name});
            }
            continue;
        }
        if (SeparatesWords(element)) separate();
    }
    return out;
}

PlainText NamePunctuation(const PlainText& in, Punctuation mode) {
    if (mode == Punctuation::kNone) return in;
    PlainText out;
    std::size_t next_mark = 0;
    for (std::size_t i = 0; i <= in.text.size(); ++i) {
        while (next_mark < in.marks.size() && in.marks[next_mark].position <= i) {
            out.marks.push_back({out.text.size(), in.marks[next_mark].name});
            ++next_mark;
        }
        if (i == in.text.size()) break;
        const char c = in.text[i];
        const auto it = std::find_if(kPunctuation.begin(), kPunctuation.end(),
                                     [c](const PunctuationName& p) { return p.c == c; });
        if (it == kPunctuation.end() || static_cast<int>(mode) < static_cast<int>(it->from)) {
            out.text.push_back(c);
            continue;
        }
        if (!out.text.empty() && !IsSpace(out.text.back())) out.text.push_back(' ');
        out.text += it->name;
        if (it->keep) out.text.push_back(c);
        out.text.push_back(' ');
    }
    return out;
}

std::vector<std::string> Characters(std::string_view text) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = std::min(Utf8Length(static_cast<unsigned char>(text[i])), text.size() - i);
        if (!(n == 1 && IsSpace(text[i]))) out.emplace_back(text.substr(i, n));
        i += n;
    }
    return out;
}

std::vector<std::string> KeyPieces(std::string_view key) {
    std::vector<std::string> pieces;
    auto say = [&](std::string_view part) {
        if (part.empty()) return;
        for (const KeyName& k : kKeys) {
            if (k.key == part) {
                pieces.emplace_back(k.words);
                return;
            }
        }
        // f1..f24 and kp-0..kp-9 are read as written ("F 5", "številčnica 3").
        if (part.starts_with("kp-")) {
            pieces.emplace_back("številčnica");
            pieces.emplace_back(part.substr(3));
            return;
        }
        if (part.size() >= 2 && part.size() <= 3 && (part[0] == 'f' || part[0] == 'F') &&
            std::all_of(part.begin() + 1, part.end(), [](char c) { return c >= '0' && c <= '9'; })) {
            pieces.emplace_back("F");
            pieces.emplace_back(part.substr(1));
            return;
        }
        pieces.emplace_back(part);
    };
    // Modifiers are joined with '_' ("control_alt_delete"); a lone "_" is
    // the key itself.
    if (key == "_") {
        say("underscore");
        return pieces;
    }
    std::size_t start = 0;
    while (start <= key.size()) {
        std::size_t end = key.find('_', start);
        if (end == std::string_view::npos) end = key.size();
        say(key.substr(start, end - start));
        start = end + 1;
    }
    return pieces;
}

bool IsCapital(std::string_view ch) {
    if (ch.size() == 1) return ch[0] >= 'A' && ch[0] <= 'Z';
    static constexpr std::array<std::string_view, 12> kCapitals = {
        "Č", "Š", "Ž", "Ć", "Đ", "Ä", "Ö", "Ü", "Á", "É", "Í", "Ó"};
    return std::find(kCapitals.begin(), kCapitals.end(), ch) != kCapitals.end();
}

}  // namespace tarvox::sd
