#include "adapter/registration.h"

#include <map>
#include <memory>

#include "winreg/registrar.h"
#include "adapter/registration_script.h"
#include "base/diag.h"

#if defined(_WIN32)
#include <olectl.h>
#include <oleauto.h>
#else
#include <dlfcn.h>

#include <climits>
#include <cstdlib>

#include "winreg/registry_file.h"
#endif

namespace tarvox {
namespace {

#if !defined(_WIN32)
constexpr char kTypeLibKey[] = "HKEY_CLASSES_ROOT\\TypeLib\\{AAD644AE-FCEB-4673-A5D0-0B898D61ECB1}";
constexpr char kTypeLibHelp[] = "Simple TTS Engine 1.0 Type Library";

std::string Directory(const std::string& path) {
    const std::size_t p = path.find_last_of("\\/");
    return p == std::string::npos ? std::string() : path.substr(0, p);
}
#endif

#if defined(_WIN32)

class SystemRegistry final : public RegistryWriter {
public:
    bool CreateKey(const std::string& path) override {
        HKEY key = Open(path, true);
        if (!key) return false;
        RegCloseKey(key);
        return true;
    }
    bool SetString(const std::string& path, const std::string& name,
                   const std::string& value) override {
        HKEY key = Open(path, true);
        if (!key) return false;
        const LONG r = RegSetValueExA(key, name.empty() ? nullptr : name.c_str(), 0, REG_SZ,
                                      reinterpret_cast<const BYTE*>(value.c_str()),
                                      static_cast<DWORD>(value.size() + 1));
        RegCloseKey(key);
        return r == ERROR_SUCCESS;
    }
    bool SetDword(const std::string& path, const std::string& name, std::uint32_t v) override {
        HKEY key = Open(path, true);
        if (!key) return false;
        const DWORD d = v;
        const LONG r = RegSetValueExA(key, name.empty() ? nullptr : name.c_str(), 0, REG_DWORD,
                                      reinterpret_cast<const BYTE*>(&d), sizeof d);
        RegCloseKey(key);
        return r == ERROR_SUCCESS;
    }
    bool DeleteKeyTree(const std::string& path) override {
        std::string sub;
        HKEY root = Root(path, sub);
        return root && RegDeleteTreeA(root, sub.c_str()) == ERROR_SUCCESS &&
               RegDeleteKeyA(root, sub.c_str()) != ERROR_ACCESS_DENIED;
    }
    bool KeyExists(const std::string& path) const override {
        HKEY key = Open(path, false);
        if (!key) return false;
        RegCloseKey(key);
        return true;
    }
    bool HasSubkeys(const std::string& path) const override {
        HKEY key = Open(path, false);
        if (!key) return false;
        DWORD subkeys = 0;
        RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr,
                         nullptr, nullptr, nullptr, nullptr);
        RegCloseKey(key);
        return subkeys > 0;
    }

private:
    static HKEY Root(const std::string& path, std::string& sub) {
        const std::size_t p = path.find('\\');
        const std::string root = path.substr(0, p);
        sub = p == std::string::npos ? std::string() : path.substr(p + 1);
        if (root == "HKEY_CLASSES_ROOT") return HKEY_CLASSES_ROOT;
        if (root == "HKEY_LOCAL_MACHINE") return HKEY_LOCAL_MACHINE;
        if (root == "HKEY_CURRENT_USER") return HKEY_CURRENT_USER;
        if (root == "HKEY_USERS") return HKEY_USERS;
        return nullptr;
    }
    static HKEY Open(const std::string& path, bool create) {
        std::string sub;
        HKEY root = Root(path, sub);
        if (!root) return nullptr;
        HKEY key = nullptr;
        const LONG r = create ? RegCreateKeyExA(root, sub.c_str(), 0, nullptr, 0,
                                                KEY_READ | KEY_WRITE, nullptr, &key, nullptr)
                              : RegOpenKeyExA(root, sub.c_str(), 0, KEY_READ, &key);
        return r == ERROR_SUCCESS ? key : nullptr;
    }
};

#else

class FileRegistry final : public RegistryWriter {
public:
    explicit FileRegistry(winreg::TextRegistry& r) : reg_(r) {}
    bool CreateKey(const std::string& path) override { return reg_.CreateKey(path); }
    bool SetString(const std::string& path, const std::string& name,
                   const std::string& value) override {
        return reg_.SetString(path, name, value);
    }
    bool SetDword(const std::string& path, const std::string& name, std::uint32_t v) override {
        return reg_.SetDword(path, name, v);
    }
    bool DeleteKeyTree(const std::string& path) override { return reg_.DeleteKeyTree(path); }
    bool KeyExists(const std::string& path) const override { return reg_.KeyExists(path); }
    bool HasSubkeys(const std::string& path) const override {
        return !reg_.SubkeyNames(path).empty();
    }

private:
    winreg::TextRegistry& reg_;
};

#endif

std::optional<std::vector<ScriptKey>> ParsedScript(const std::string& module_path) {
    std::string error;
    auto keys = ParseRegistrationScript(RegistrationScript(), {{"MODULE", module_path}}, &error);
    if (!keys) ReportError("Registracija: " + error);
    return keys;
}

// Runs a registration step against the system's registry.
template <typename Step>
HRESULT WithSystemRegistry(Step step) {
    const std::string module = ModulePath();
    if (module.empty()) return SELFREG_E_CLASS;
#if defined(_WIN32)
    SystemRegistry registry;
    return step(registry, module);
#else
    const auto path = winreg::TextRegistry::PathFromEnvironment();
    if (!path) {
        ReportError("Registracija: TARVOX_REGISTRY ni nastavljen");
        return SELFREG_E_CLASS;
    }
    winreg::TextRegistry text = winreg::TextRegistry::Load(*path);
    FileRegistry registry(text);
    const HRESULT hr = step(registry, module);
    if (SUCCEEDED(hr) && !text.Save(*path)) return SELFREG_E_CLASS;
    return hr;
#endif
}

}  // namespace

const std::string& RegistrationScript() {
    static const std::string script(kRegistrationScript);
    return script;
}

std::string ModulePath() {
#if defined(_WIN32)
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCSTR>(&ModulePath), &module))
        return {};
    char buffer[MAX_PATH];
    const DWORD n = GetModuleFileNameA(module, buffer, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return {};
    return std::string(buffer, n);
#else
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&ModulePath), &info) == 0 || !info.dli_fname) return {};
    char resolved[PATH_MAX];
    if (realpath(info.dli_fname, resolved)) return resolved;
    return info.dli_fname;
#endif
}

HRESULT RegisterServerWith(RegistryWriter& registry, const std::string& module_path) {
    const auto keys = ParsedScript(module_path);
    if (!keys || !RegisterScript(*keys, registry)) return SELFREG_E_CLASS;
#if defined(_WIN32)
    std::wstring wide(module_path.begin(), module_path.end());
    ITypeLib* typelib = nullptr;
    if (FAILED(LoadTypeLibEx(wide.c_str(), REGKIND_REGISTER, &typelib))) return SELFREG_E_TYPELIB;
    typelib->Release();
#else
    // The type library's entry as the system's type library registration
    // writes it.
    const std::string version = std::string(kTypeLibKey) + "\\1.0";
    if (!registry.CreateKey(version) || !registry.SetString(version, "", kTypeLibHelp) ||
        !registry.SetString(version + "\\0\\win64", "", module_path) ||
        !registry.SetString(version + "\\FLAGS", "", "0") ||
        !registry.SetString(version + "\\HELPDIR", "", Directory(module_path)))
        return SELFREG_E_CLASS;
#endif
    return S_OK;
}

HRESULT UnregisterServerWith(RegistryWriter& registry, const std::string& module_path) {
    const auto keys = ParsedScript(module_path);
    if (!keys || !UnregisterScript(*keys, registry)) return SELFREG_E_CLASS;
#if defined(_WIN32)
    // The library was registered for the word size of this build.
    constexpr SYSKIND kSysKind = sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32;
    UnRegisterTypeLib(reinterpret_cast<REFGUID>(sapi::kLIBID_SAMPLETTSENGLib), 1, 0,
                      LANG_NEUTRAL, kSysKind);
#else
    if (registry.KeyExists(kTypeLibKey)) registry.DeleteKeyTree(kTypeLibKey);
#endif
    return S_OK;
}

HRESULT RegisterServer() {
    try {
        return WithSystemRegistry(RegisterServerWith);
    } catch (...) {
        return SELFREG_E_CLASS;
    }
}

HRESULT UnregisterServer() {
    try {
        return WithSystemRegistry(UnregisterServerWith);
    } catch (...) {
        return SELFREG_E_CLASS;
    }
}

}  // namespace tarvox
