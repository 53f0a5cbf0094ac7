// A registrar for registration scripts in the component model's script
// syntax:
//
//   HKCR
//   {
//       NoRemove CLSID
//       {
//           ForceRemove {guid} = s 'Name'
//           {
//               InprocServer32 = s '%MODULE%'
//               {
//                   val ThreadingModel = s 'Both'
//               }
//           }
//       }
//   }
//
// A key may carry a default value (= s 'text' or = d 42) and the flags
// NoRemove (never removed), ForceRemove (replaced on registration, removed
// whole on unregistration) or Delete (removed on registration); "val" lines
// set named values. Names and strings may be quoted with single quotes ('' is
// a quote). %NAME% is replaced from the replacement table (%% is a percent
// sign). On unregistration a plain key is removed when no subkey is left in it.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvox {

// The registry operations a registration needs. Paths are full key paths
// starting with the root key name ("HKEY_CLASSES_ROOT\CLSID\{...}").
class RegistryWriter {
public:
    virtual ~RegistryWriter() = default;
    virtual bool CreateKey(const std::string& path) = 0;
    virtual bool SetString(const std::string& path, const std::string& name,
                           const std::string& value) = 0;
    virtual bool SetDword(const std::string& path, const std::string& name,
                          std::uint32_t value) = 0;
    virtual bool DeleteKeyTree(const std::string& path) = 0;
    virtual bool KeyExists(const std::string& path) const = 0;
    virtual bool HasSubkeys(const std::string& path) const = 0;
};

struct ScriptValue {
    enum class Type { String, Dword } type = Type::String;
    std::string text;
    std::uint32_t dword = 0;
};

struct ScriptKey {
    std::string name;
    enum class Flag { None, NoRemove, ForceRemove, Delete } flag = Flag::None;
    std::optional<ScriptValue> default_value;
    std::vector<std::pair<std::string, ScriptValue>> values;
    std::vector<ScriptKey> children;
};

// Parses a script; nothing and a message on a syntax error.
std::optional<std::vector<ScriptKey>> ParseRegistrationScript(
    std::string_view script, const std::map<std::string, std::string>& replacements,
    std::string* error = nullptr);

// Applies a parsed script; false at the first failed operation.
bool RegisterScript(const std::vector<ScriptKey>& roots, RegistryWriter& registry);
bool UnregisterScript(const std::vector<ScriptKey>& roots, RegistryWriter& registry);

// The full name of a root key written short in a script ("HKCR").
std::string RootKeyName(std::string_view name);

}  // namespace tarvox
