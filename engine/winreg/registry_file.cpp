#include "registry_file.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace tarvox::winreg {

struct TextRegistry::Node {
    std::string name;
    std::vector<RegistryValue> values;
    std::map<std::string, std::unique_ptr<Node>> children;  // by upper-case name
};

namespace {

using Node = TextRegistry::Node;

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

std::string UpperCase(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), Upper);
    return out;
}

bool SameName(std::string_view a, std::string_view b) { return UpperCase(a) == UpperCase(b); }

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

bool HasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

struct RootName {
    const char* full;
    const char* shortName;
};
constexpr std::array<RootName, 5> kRoots{{
    {"HKEY_LOCAL_MACHINE", "HKLM"},
    {"HKEY_CURRENT_USER", "HKCU"},
    {"HKEY_CLASSES_ROOT", "HKCR"},
    {"HKEY_USERS", "HKU"},
    {"HKEY_CURRENT_CONFIG", "HKCC"},
}};

// The components of a key path with the root's full name first; nothing for
// an invalid path.
std::optional<std::vector<std::string>> SplitPath(std::string_view path) {
    if (HasLineBreak(path)) return std::nullopt;
    if (!path.empty() && path.back() == '\\') path.remove_suffix(1);
    std::vector<std::string> parts;
    std::size_t pos = 0;
    while (true) {
        const std::size_t sep = path.find('\\', pos);
        const std::string_view part = path.substr(pos, sep == std::string_view::npos ? sep : sep - pos);
        if (part.empty()) return std::nullopt;
        parts.emplace_back(part);
        if (sep == std::string_view::npos) break;
        pos = sep + 1;
    }
    for (const RootName& root : kRoots) {
        if (SameName(parts.front(), root.full) || SameName(parts.front(), root.shortName)) {
            parts.front() = root.full;
            return parts;
        }
    }
    return std::nullopt;
}

std::string Escape(std::string_view s) {
    std::string out;
    for (char c : s) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    return out;
}

// Reads a quoted string starting at text[pos] == '"'; moves pos past the
// closing quote.
std::optional<std::string> ReadQuoted(std::string_view text, std::size_t& pos, std::string& error) {
    std::string out;
    for (std::size_t i = pos + 1; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') {
            pos = i + 1;
            return out;
        }
        if (c == '\\') {
            if (i + 1 < text.size() && (text[i + 1] == '\\' || text[i + 1] == '"')) {
                out += text[++i];
                continue;
            }
            error = "unknown escape in a quoted string";
            return std::nullopt;
        }
        out += c;
    }
    error = "quoted string without its closing quote";
    return std::nullopt;
}

void AppendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// UTF-16LE (after its byte order mark) to UTF-8; unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::string_view bytes) {
    std::string out;
    const auto unit = [&](std::size_t i) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i]) |
                                          (static_cast<unsigned char>(bytes[i + 1]) << 8));
    };
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        std::uint32_t cp = unit(i);
        if (cp >= 0xD800 && cp < 0xDC00 && i + 3 < bytes.size() && unit(i + 2) >= 0xDC00 && unit(i + 2) < 0xE000) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
            i += 2;
        } else if (cp >= 0xD800 && cp < 0xE000) {
            cp = 0xFFFD;
        }
        AppendUtf8(out, cp);
    }
    return out;
}

std::string Decode(std::string_view content) {
    if (content.size() >= 2 && static_cast<unsigned char>(content[0]) == 0xFF &&
        static_cast<unsigned char>(content[1]) == 0xFE) {
        return Utf16ToUtf8(content.substr(2));
    }
    if (content.size() >= 3 && content.substr(0, 3) == "\xEF\xBB\xBF") content.remove_prefix(3);
    return std::string(content);
}

std::optional<std::uint32_t> ParseDword(std::string_view digits) {
    digits = Trim(digits);
    if (digits.empty() || digits.size() > 8) return std::nullopt;
    std::uint32_t value = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
    if (ec != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
    return value;
}

void SerializeNode(const Node& node, const std::string& path, std::string& out) {
    out += "[" + path + "]\n";
    for (const RegistryValue& v : node.values) {
        if (v.name.empty()) {
            out += '@';
        } else {
            out.append(1, '"').append(Escape(v.name)).append(1, '"');
        }
        out += '=';
        switch (v.type) {
            case RegistryValue::Type::String: out.append(1, '"').append(Escape(v.text)).append(1, '"'); break;
            case RegistryValue::Type::Dword: {
                char hex[9];
                std::snprintf(hex, sizeof hex, "%08x", v.dword);
                out += "dword:";
                out += hex;
                break;
            }
            case RegistryValue::Type::Other: out += v.text; break;
        }
        out += '\n';
    }
    out += '\n';
    for (const auto& [key, child] : node.children) SerializeNode(*child, path + "\\" + child->name, out);
}

}  // namespace

TextRegistry::TextRegistry() : roots_(std::make_unique<Node>()) {
    // Root keys always exist.
    for (const RootName& root : kRoots) FindOrCreate(root.full);
}
TextRegistry::~TextRegistry() = default;
TextRegistry::TextRegistry(TextRegistry&&) noexcept = default;
TextRegistry& TextRegistry::operator=(TextRegistry&&) noexcept = default;

Node* TextRegistry::Find(std::string_view path) const {
    const auto parts = SplitPath(path);
    if (!parts) return nullptr;
    Node* node = roots_.get();
    for (const std::string& part : *parts) {
        const auto it = node->children.find(UpperCase(part));
        if (it == node->children.end()) return nullptr;
        node = it->second.get();
    }
    return node;
}

Node* TextRegistry::FindOrCreate(std::string_view path) {
    const auto parts = SplitPath(path);
    if (!parts) return nullptr;
    Node* node = roots_.get();
    for (const std::string& part : *parts) {
        auto& child = node->children[UpperCase(part)];
        if (!child) {
            child = std::make_unique<Node>();
            child->name = part;
        }
        node = child.get();
    }
    return node;
}

bool TextRegistry::KeyExists(std::string_view path) const { return Find(path) != nullptr; }

std::vector<std::string> TextRegistry::SubkeyNames(std::string_view path) const {
    std::vector<std::string> names;
    if (const Node* node = Find(path)) {
        for (const auto& [key, child] : node->children) names.push_back(child->name);
    }
    return names;
}

std::vector<RegistryValue> TextRegistry::Values(std::string_view path) const {
    const Node* node = Find(path);
    return node ? node->values : std::vector<RegistryValue>{};
}

std::optional<RegistryValue> TextRegistry::Value(std::string_view path, std::string_view name) const {
    const Node* node = Find(path);
    if (!node) return std::nullopt;
    for (const RegistryValue& v : node->values) {
        if (SameName(v.name, name)) return v;
    }
    return std::nullopt;
}

std::optional<std::string> TextRegistry::GetString(std::string_view path, std::string_view name) const {
    const auto v = Value(path, name);
    if (!v || v->type != RegistryValue::Type::String) return std::nullopt;
    return v->text;
}

std::optional<std::uint32_t> TextRegistry::GetDword(std::string_view path, std::string_view name) const {
    const auto v = Value(path, name);
    if (!v || v->type != RegistryValue::Type::Dword) return std::nullopt;
    return v->dword;
}

bool TextRegistry::CreateKey(std::string_view path) { return FindOrCreate(path) != nullptr; }

bool TextRegistry::SetValue(std::string_view path, RegistryValue value) {
    if (HasLineBreak(value.name) || HasLineBreak(value.text)) return false;
    Node* node = FindOrCreate(path);
    if (!node) return false;
    for (RegistryValue& v : node->values) {
        if (SameName(v.name, value.name)) {
            value.name = v.name;
            v = std::move(value);
            return true;
        }
    }
    node->values.push_back(std::move(value));
    return true;
}

bool TextRegistry::SetString(std::string_view path, std::string_view name, std::string_view value) {
    return SetValue(path, RegistryValue{std::string(name), RegistryValue::Type::String, std::string(value), 0});
}

bool TextRegistry::SetDword(std::string_view path, std::string_view name, std::uint32_t value) {
    return SetValue(path, RegistryValue{std::string(name), RegistryValue::Type::Dword, {}, value});
}

bool TextRegistry::DeleteValue(std::string_view path, std::string_view name) {
    Node* node = Find(path);
    if (!node) return false;
    const auto it = std::find_if(node->values.begin(), node->values.end(),
                                 [&](const RegistryValue& v) { return SameName(v.name, name); });
    if (it == node->values.end()) return false;
    node->values.erase(it);
    return true;
}

bool TextRegistry::DeleteKeyTree(std::string_view path) {
    const auto parts = SplitPath(path);
    if (!parts || parts->size() < 2) return false;
    Node* parent = roots_.get();
    for (std::size_t i = 0; i + 1 < parts->size(); ++i) {
        const auto it = parent->children.find(UpperCase((*parts)[i]));
        if (it == parent->children.end()) return false;
        parent = it->second.get();
    }
    return parent->children.erase(UpperCase(parts->back())) > 0;
}

TextRegistry TextRegistry::Parse(std::string_view content, std::optional<RegistryParseError>* error) {
    TextRegistry reg;
    if (error) error->reset();
    const std::string text = Decode(content);

    std::vector<std::string_view> lines;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t nl = text.find('\n', pos);
        const std::size_t end = nl == std::string::npos ? text.size() : nl;
        lines.push_back(std::string_view(text).substr(pos, end - pos));
        pos = end + 1;
    }

    std::optional<std::string> currentKey;  // nothing before the first key or after a removal
    bool seenContent = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const int lineNumber = static_cast<int>(i) + 1;
        const auto fail = [&](std::string message) {
            if (error) *error = RegistryParseError{lineNumber, std::move(message)};
        };
        std::string_view line = Trim(lines[i]);
        if (line.empty() || line.front() == ';') continue;
        if (!seenContent) {
            seenContent = true;
            if (line == "Windows Registry Editor Version 5.00" || line == "REGEDIT4") continue;
        }
        if (line.front() == '[') {
            if (line.back() != ']') { fail("key line without its closing ']'"); return reg; }
            std::string_view path = line.substr(1, line.size() - 2);
            if (!path.empty() && path.front() == '-') {
                reg.DeleteKeyTree(path.substr(1));
                currentKey.reset();
                continue;
            }
            if (!reg.CreateKey(path)) { fail("not a valid key path: " + std::string(path)); return reg; }
            currentKey = std::string(path);
            continue;
        }
        if (line.front() != '"' && line.front() != '@') { fail("neither a key nor a value"); return reg; }
        if (!currentKey) { fail("a value outside of any key"); return reg; }

        std::string name;
        std::size_t pos = 0;
        if (line.front() == '@') {
            pos = 1;
        } else {
            std::string message;
            auto quoted = ReadQuoted(line, pos, message);
            if (!quoted) { fail(message); return reg; }
            name = std::move(*quoted);
        }
        while (pos < line.size() && IsBlank(line[pos])) ++pos;
        if (pos >= line.size() || line[pos] != '=') { fail("'=' missing after the value name"); return reg; }
        ++pos;
        while (pos < line.size() && IsBlank(line[pos])) ++pos;
        const std::string_view data = line.substr(pos);

        if (!data.empty() && data.front() == '"') {
            std::string message;
            std::size_t end = pos;
            auto quoted = ReadQuoted(line, end, message);
            if (!quoted) { fail(message); return reg; }
            if (!Trim(line.substr(end)).empty()) { fail("text after the closing quote"); return reg; }
            reg.SetString(*currentKey, name, *quoted);
        } else if (data == "-") {
            reg.DeleteValue(*currentKey, name);
        } else if (data.substr(0, 6) == "dword:") {
            const auto value = ParseDword(data.substr(6));
            if (!value) { fail("a dword needs one to eight hexadecimal digits"); return reg; }
            reg.SetDword(*currentKey, name, *value);
        } else if (data.substr(0, 3) == "hex") {
            // A line that ends in "\\" continues on the next when that one
            // holds more hex bytes; a continuation with nothing after it is
            // dropped, so that the value cannot swallow the line written
            // after it when the file is saved and read again.
            std::string raw(data);
            while (!raw.empty() && raw.back() == '\\') {
                raw.pop_back();
                const std::string_view next = i + 1 < lines.size() ? Trim(lines[i + 1]) : std::string_view();
                if (next.empty() || !std::isxdigit(static_cast<unsigned char>(next.front()))) {
                    while (!raw.empty() && (raw.back() == '\\' || IsBlank(raw.back()))) raw.pop_back();
                    break;
                }
                raw += next;
                ++i;
            }
            reg.SetValue(*currentKey, RegistryValue{name, RegistryValue::Type::Other, raw, 0});
        } else {
            { fail("unknown value type"); return reg; }
        }
    }
    return reg;
}

TextRegistry TextRegistry::Load(const std::string& path, std::optional<RegistryParseError>* error) {
    if (error) error->reset();
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return TextRegistry();
    std::ifstream in(path, std::ios::binary);
    if (!in) return TextRegistry();
    std::string content;
    try {
        content.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    } catch (const std::ios_base::failure&) {
        if (error) *error = RegistryParseError{0, "the file cannot be read"};
        return TextRegistry();
    }
    return Parse(content, error);
}

std::optional<std::string> TextRegistry::PathFromEnvironment() {
    const char* value = std::getenv(kRegistryVariable);
    if (value == nullptr || *value == '\0') return std::nullopt;
    return std::string(value);
}

std::string TextRegistry::Serialize() const {
    std::string out = "Windows Registry Editor Version 5.00\n\n";
    for (const auto& [key, root] : roots_->children) {
        if (!root->values.empty()) {
            SerializeNode(*root, root->name, out);
            continue;
        }
        for (const auto& [childKey, child] : root->children) {
            SerializeNode(*child, root->name + "\\" + child->name, out);
        }
    }
    return out;
}

bool TextRegistry::Save(const std::string& path) const {
    const std::string text = Serialize();
    const std::string temp = path + ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        out.close();
        if (out.fail()) {
            std::error_code ec;
            std::filesystem::remove(temp, ec);
            return false;
        }
    }
    std::error_code ec;
    std::filesystem::rename(temp, path, ec);
    if (ec) std::filesystem::remove(temp, ec);
    return !ec;
}

}  // namespace tarvox::winreg
