#include "private_profile.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace tarvox::winreg {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r'; }

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Upper(x) == Upper(y); });
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

bool HasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

std::optional<std::string> ReadFileText(std::string_view file) {
    const std::string path = NativeIniPath(file);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    try {
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (in.bad()) return std::nullopt;
        return text;
    } catch (const std::ios_base::failure&) {
        return std::nullopt;  // a read error
    }
}

}  // namespace

IniText::IniText(std::string content) : content_(std::move(content)) { Parse(); }

void IniText::Parse() {
    lines_.clear();
    bool inSection = false;
    std::size_t pos = 0;
    while (pos < content_.size()) {
        Line line;
        line.begin = pos;
        const std::size_t nl = content_.find('\n', pos);
        if (nl == std::string::npos) {
            line.end = line.next = content_.size();
        } else {
            line.end = (nl > pos && content_[nl - 1] == '\r') ? nl - 1 : nl;
            line.next = nl + 1;
        }
        pos = line.next;

        const std::string_view text(content_.data() + line.begin, line.end - line.begin);
        const std::string_view trimmed = Trim(text);
        const std::size_t offset = line.begin + static_cast<std::size_t>(trimmed.data() - text.data());
        if (!trimmed.empty() && trimmed.front() == '[') {
            const std::size_t close = trimmed.rfind(']');
            if (close != std::string_view::npos && close > 0) {
                const std::string_view name = Trim(trimmed.substr(1, close - 1));
                line.kind = Line::Kind::Section;
                line.nameBegin = offset + static_cast<std::size_t>(name.data() - trimmed.data());
                line.nameEnd = line.nameBegin + name.size();
                inSection = true;
            }
            // A '[' line without ']' is neither a header nor a key.
        } else if (inSection && !trimmed.empty() && trimmed.front() != ';') {
            line.kind = Line::Kind::Key;
            const std::size_t eq = trimmed.find('=');
            const std::string_view name = Trim(trimmed.substr(0, eq));
            line.nameBegin = offset + static_cast<std::size_t>(name.data() - trimmed.data());
            line.nameEnd = line.nameBegin + name.size();
            if (eq == std::string_view::npos) {
                line.valueBegin = line.valueEnd = line.nameEnd;
            } else {
                line.hasEquals = true;
                const std::string_view value = Trim(trimmed.substr(eq + 1));
                line.valueBegin = value.empty()
                                      ? offset + eq + 1
                                      : offset + static_cast<std::size_t>(value.data() - trimmed.data());
                line.valueEnd = line.valueBegin + value.size();
            }
        }
        lines_.push_back(line);
    }
}

std::string_view IniText::NameOf(const Line& line) const {
    return std::string_view(content_).substr(line.nameBegin, line.nameEnd - line.nameBegin);
}

std::optional<std::size_t> IniText::FindSection(std::string_view section) const {
    const std::string_view wanted = Trim(section);
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (lines_[i].kind == Line::Kind::Section && SameName(NameOf(lines_[i]), wanted)) return i;
    }
    return std::nullopt;
}

std::optional<std::size_t> IniText::FindKey(std::size_t header, std::string_view key) const {
    const std::string_view wanted = Trim(key);
    for (std::size_t i = header + 1; i < lines_.size() && lines_[i].kind != Line::Kind::Section; ++i) {
        if (lines_[i].kind == Line::Kind::Key && SameName(NameOf(lines_[i]), wanted)) return i;
    }
    return std::nullopt;
}

bool IniText::HasSection(std::string_view section) const { return FindSection(section).has_value(); }

std::optional<std::string> IniText::Get(std::string_view section, std::string_view key) const {
    if (Trim(key).empty()) return std::nullopt;
    const auto header = FindSection(section);
    if (!header) return std::nullopt;
    const auto at = FindKey(*header, key);
    if (!at) return std::nullopt;
    const Line& line = lines_[*at];
    std::string_view value = std::string_view(content_).substr(line.valueBegin, line.valueEnd - line.valueBegin);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return std::string(value);
}

std::string IniText::LineEnd() const {
    const std::size_t nl = content_.find('\n');
    if (nl != std::string::npos && (nl == 0 || content_[nl - 1] != '\r')) return "\n";
    return "\r\n";
}

bool IniText::Set(std::string_view section, std::string_view key, std::string_view value) {
    const std::string_view name = Trim(key);
    const std::string_view sectionName = Trim(section);
    // A name the file could not give back as written is refused: a key
    // line that starts with "[" or ";" would read as a section header or a
    // comment, a control byte in a section name would change its header.
    const bool control = std::any_of(sectionName.begin(), sectionName.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return (u < 0x20 && c != '\t') || u == 0x7F;
    });
    if (name.empty() || HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value) ||
        sectionName.find(']') != std::string_view::npos || name.find('=') != std::string_view::npos ||
        name.front() == '[' || name.front() == ';' || control) {
        return false;
    }
    const std::string eol = LineEnd();
    const auto header = FindSection(sectionName);
    if (!header) {
        std::string added;
        if (!content_.empty() && content_.back() != '\n') added += eol;
        added.append("[").append(sectionName).append("]").append(eol);
        added.append(name).append("=").append(value).append(eol);
        content_ += added;
        Parse();
        return true;
    }
    if (const auto at = FindKey(*header, name)) {
        const Line& line = lines_[*at];
        if (line.hasEquals) {
            content_.replace(line.valueBegin, line.valueEnd - line.valueBegin, value);
        } else {
            content_.insert(line.nameEnd, std::string("=").append(value));
        }
        Parse();
        return true;
    }
    // After the last key of the section, or after its header.
    std::size_t last = *header;
    for (std::size_t i = *header + 1; i < lines_.size() && lines_[i].kind != Line::Kind::Section; ++i) {
        if (lines_[i].kind == Line::Kind::Key) last = i;
    }
    std::string added;
    std::size_t insertAt = lines_[last].next;
    if (lines_[last].next == lines_[last].end) added += eol;  // the file's last line had no line end
    added.append(name).append("=").append(value).append(eol);
    content_.insert(insertAt, added);
    Parse();
    return true;
}

std::string NativeIniPath(std::string_view path) {
    std::string native(path);
    std::replace(native.begin(), native.end(), '\\', '/');
    return native;
}

std::string ReadProfileString(std::string_view section, std::string_view key, std::string_view fallback,
                              std::string_view file) {
    while (!fallback.empty() && IsBlank(fallback.back())) fallback.remove_suffix(1);
    const auto text = ReadFileText(file);
    if (!text) return std::string(fallback);
    const auto value = IniText(*text).Get(section, key);
    return value ? *value : std::string(fallback);
}

bool WriteProfileString(std::string_view section, std::string_view key, std::string_view value,
                        std::string_view file) {
    std::string text;
    if (auto existing = ReadFileText(file)) {
        text = std::move(*existing);
    } else {
        // A file that exists but cannot be read must not be replaced.
        std::error_code ec;
        if (std::filesystem::exists(NativeIniPath(file), ec) || ec) return false;
    }
    IniText ini(std::move(text));
    if (!ini.Set(section, key, value)) return false;
    std::ofstream out(NativeIniPath(file), std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(ini.content().data(), static_cast<std::streamsize>(ini.content().size()));
    out.close();
    return !out.fail();
}

bool ProfileSectionExists(std::string_view section, std::string_view file) {
    const auto text = ReadFileText(file);
    return text && IniText(*text).HasSection(section);
}

}  // namespace tarvox::winreg
