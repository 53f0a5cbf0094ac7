// Private-profile files (INI files) with the semantics of the Windows
// private-profile functions that the setup tools rely on, for systems that
// have no such functions:
//   - section and key names are compared without regard to case (ASCII);
//   - names and values are read with surrounding blanks removed, and a value
//     enclosed in matching single or double quotes loses the quotes;
//   - lines starting with ';' are comments; a line inside a section that has
//     no '=' is a key without a value; of two equal keys the first counts,
//     and so does the first of two equal sections;
//   - a write replaces the value of an existing key in place, appends a new
//     key after the last key of its section and a new section at the end of
//     the file; every other byte of the file stays as it was, and new lines
//     take the line end the file already uses (CR LF when it has none).
// Paths may use backslashes; they are turned into slashes before a file is
// opened.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvox::winreg {

// The text of one INI file, edited in memory.
class IniText {
public:
    IniText() = default;
    explicit IniText(std::string content);

    const std::string& content() const { return content_; }

    bool HasSection(std::string_view section) const;
    // The value of the key, or nothing when the section or key is missing.
    std::optional<std::string> Get(std::string_view section, std::string_view key) const;
    // Sets the key's value as described above. False (and nothing changed)
    // for names or values that cannot be stored on one line: an empty key,
    // a line break anywhere, a ']' or a control byte in the section name, a
    // '=' in the key or a key that starts with '[' or ';'.
    bool Set(std::string_view section, std::string_view key, std::string_view value);

private:
    struct Line {
        std::size_t begin = 0;    // first byte
        std::size_t end = 0;      // one past the last byte before the line end
        std::size_t next = 0;     // first byte of the next line
        enum class Kind { Other, Section, Key } kind = Kind::Other;
        std::size_t nameBegin = 0, nameEnd = 0;    // section or key name
        std::size_t valueBegin = 0, valueEnd = 0;  // value (Key lines)
        bool hasEquals = false;
    };

    void Parse();
    // Index of the header line of the first section of that name.
    std::optional<std::size_t> FindSection(std::string_view section) const;
    // Index of the first key line of that name in the section whose header
    // is at index header.
    std::optional<std::size_t> FindKey(std::size_t header, std::string_view key) const;
    std::string_view NameOf(const Line& line) const;
    std::string LineEnd() const;

    std::string content_;
    std::vector<Line> lines_;
};

// The path as this system wants it (backslashes turned into slashes).
std::string NativeIniPath(std::string_view path);

// The private-profile operations on a file. Each call reads the file afresh;
// a write stores it again at once.
//
// The value, or the fallback when the file, section or key is missing.
// Like the platform, trailing blanks of the fallback are dropped.
std::string ReadProfileString(std::string_view section, std::string_view key,
                              std::string_view fallback, std::string_view file);
// Writes the value; creates the file when it does not exist. False when the
// file cannot be written or the text cannot be stored (see IniText::Set).
bool WriteProfileString(std::string_view section, std::string_view key,
                        std::string_view value, std::string_view file);
// Whether the file exists, can be read and has a section of that name.
bool ProfileSectionExists(std::string_view section, std::string_view file);

}  // namespace tarvox::winreg
