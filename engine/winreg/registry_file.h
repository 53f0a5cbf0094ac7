// A registry kept in a text file in the registry editor's export format, for
// systems without a registry:
//
//   Windows Registry Editor Version 5.00        (optional; REGEDIT4 too)
//
//   [HKEY_LOCAL_MACHINE\SOFTWARE\BAUM\Virgo\4.7]
//   @="default value"
//   "InstPath"="C:\\Program Files\\Virgo\\"
//   "Count"=dword:0000002a
//
// Value names and strings use the escapes \\ and \"; other value types
// (hex:..., hex(2):..., with '\' continuation lines) are kept as written.
// "[-key]" and "name"=- remove a key tree or a value, ';' lines are
// comments. The file may be UTF-8 (with or without a byte order mark) or
// UTF-16LE with a byte order mark, as the registry editor writes it.
//
// Key paths start with the root key: HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER,
// HKEY_CLASSES_ROOT, HKEY_USERS or HKEY_CURRENT_CONFIG (also HKLM, HKCU, HKCR,
// HKU, HKCC). Key and value names are compared without regard to case, and
// subkeys are listed in the platform's order (sorted without regard to case).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvox::winreg {

// The environment variable that names the registry file.
inline constexpr char kRegistryVariable[] = "TARVOX_REGISTRY";

struct RegistryValue {
    enum class Type { String, Dword, Other };
    std::string name;  // "" is the default value (@)
    Type type = Type::String;
    std::string text;  // String: the string; Other: the text after '=' as written
    std::uint32_t dword = 0;
};

struct RegistryParseError {
    int line = 0;  // 1-based
    std::string message;
};

class TextRegistry {
public:
    TextRegistry();
    ~TextRegistry();
    TextRegistry(TextRegistry&&) noexcept;
    TextRegistry& operator=(TextRegistry&&) noexcept;

    // Parses the content of a registry file. Keeps what parsed up to the
    // first error and reports it.
    static TextRegistry Parse(std::string_view content, std::optional<RegistryParseError>* error = nullptr);
    // Loads the file; a missing file (or anything but a regular file) gives
    // an empty registry.
    static TextRegistry Load(const std::string& path, std::optional<RegistryParseError>* error = nullptr);
    // The file named by TARVOX_REGISTRY; empty when the variable is unset or empty.
    static std::optional<std::string> PathFromEnvironment();

    // Reading. Paths are full key paths ("HKEY_LOCAL_MACHINE\SOFTWARE\X").
    bool KeyExists(std::string_view path) const;
    std::vector<std::string> SubkeyNames(std::string_view path) const;
    std::vector<RegistryValue> Values(std::string_view path) const;
    std::optional<RegistryValue> Value(std::string_view path, std::string_view name) const;
    std::optional<std::string> GetString(std::string_view path, std::string_view name) const;
    std::optional<std::uint32_t> GetDword(std::string_view path, std::string_view name) const;

    // Writing. Creating a key creates its missing parents. False for a path
    // that is not a valid key path (unknown root, empty component).
    bool CreateKey(std::string_view path);
    bool SetString(std::string_view path, std::string_view name, std::string_view value);
    bool SetDword(std::string_view path, std::string_view name, std::uint32_t value);
    bool DeleteValue(std::string_view path, std::string_view name);
    // Removes the key with all its subkeys; false when it does not exist or
    // is a root key.
    bool DeleteKeyTree(std::string_view path);

    // The registry in the export format (UTF-8, LF line ends), every key
    // that exists, parents before children.
    std::string Serialize() const;
    bool Save(const std::string& path) const;

    struct Node;

private:
    Node* Find(std::string_view path) const;
    Node* FindOrCreate(std::string_view path);
    bool SetValue(std::string_view path, RegistryValue value);

    std::unique_ptr<Node> roots_;
};

}  // namespace tarvox::winreg
