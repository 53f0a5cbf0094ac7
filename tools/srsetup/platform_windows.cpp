// The Windows registry and private-profile functions behind the tool's
// interfaces. Texts are UTF-8 inside the tool and UTF-16 at the API.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <algorithm>

#include "srsetup.h"

namespace tarvox::srsetup {
namespace {

std::wstring Wide(std::string_view text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
    if (n <= 0) return {};
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), size, out.data(), n);
    return out;
}

std::string Narrow(std::wstring_view text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return {};
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), size, out.data(), n, nullptr, nullptr);
    return out;
}

// The screen reader is a 32-bit program and keeps its keys in the 32-bit
// view of the registry; a 64-bit build of this tool looks there too.
constexpr REGSAM kAccess = KEY_READ | KEY_WOW64_32KEY;

class WindowsRegistryKey : public RegistryKey {
public:
    explicit WindowsRegistryKey(HKEY key) : key_(key) {}
    ~WindowsRegistryKey() override { RegCloseKey(key_); }
    WindowsRegistryKey(const WindowsRegistryKey&) = delete;
    WindowsRegistryKey& operator=(const WindowsRegistryKey&) = delete;

    std::optional<std::string> ReadString(std::string_view name) const override {
        const std::wstring wname = Wide(name);
        std::vector<wchar_t> buffer(260);
        for (int attempt = 0; attempt < 8; ++attempt) {
            DWORD type = 0;
            DWORD bytes = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
            const LONG rc = RegQueryValueExW(key_, wname.c_str(), nullptr, &type,
                                             reinterpret_cast<BYTE*>(buffer.data()), &bytes);
            if (rc == ERROR_MORE_DATA) {
                buffer.resize(bytes / sizeof(wchar_t) + 1);
                continue;
            }
            if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return std::nullopt;
            std::wstring_view text(buffer.data(), std::min<std::size_t>(bytes / sizeof(wchar_t), buffer.size()));
            while (!text.empty() && text.back() == L'\0') text.remove_suffix(1);
            return Narrow(text);
        }
        return std::nullopt;
    }

    std::vector<std::string> SubkeyNames() const override {
        std::vector<std::string> names;
        for (DWORD index = 0;; ++index) {
            wchar_t name[256];  // key names have at most 255 characters
            DWORD length = 256;
            const LONG rc = RegEnumKeyExW(key_, index, name, &length, nullptr, nullptr, nullptr, nullptr);
            if (rc == ERROR_MORE_DATA) continue;
            if (rc != ERROR_SUCCESS) break;
            names.push_back(Narrow(std::wstring_view(name, length)));
        }
        return names;
    }

private:
    HKEY key_;
};

class WindowsRegistry : public RegistryReader {
public:
    std::unique_ptr<RegistryKey> OpenKey(std::string_view path) const override {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, Wide(path).c_str(), 0, kAccess, &key) != ERROR_SUCCESS) {
            return nullptr;
        }
        return std::make_unique<WindowsRegistryKey>(key);
    }
};

class WindowsProfile : public PrivateProfile {
public:
    std::string ReadString(std::string_view section, std::string_view key, std::string_view fallback,
                           const std::string& file) override {
        const std::wstring wsection = Wide(section), wkey = Wide(key), wfallback = Wide(fallback), wfile = Wide(file);
        std::vector<wchar_t> buffer(256);
        while (true) {
            const DWORD n = GetPrivateProfileStringW(wsection.c_str(), wkey.c_str(), wfallback.c_str(), buffer.data(),
                                                     static_cast<DWORD>(buffer.size()), wfile.c_str());
            if (n + 1 < buffer.size() || buffer.size() >= (1u << 20)) return Narrow(std::wstring_view(buffer.data(), n));
            buffer.resize(buffer.size() * 4);
        }
    }
    bool WriteString(std::string_view section, std::string_view key, std::string_view value,
                     const std::string& file) override {
        return WritePrivateProfileStringW(Wide(section).c_str(), Wide(key).c_str(), Wide(value).c_str(),
                                          Wide(file).c_str()) != FALSE;
    }
    bool WriteInteger(std::string_view section, std::string_view key, int value, const std::string& file) override {
        return WriteString(section, key, std::to_string(value), file);
    }
    bool Backup(const std::string& file) override {
        const std::wstring from = Wide(file), to = Wide(file + kBackupSuffix);
        if (CopyFileW(from.c_str(), to.c_str(), TRUE)) return true;
        return GetLastError() == ERROR_FILE_EXISTS;
    }
    bool SectionExists(std::string_view section, const std::string& file) override {
        const std::wstring wsection = Wide(section), wfile = Wide(file);
        std::vector<wchar_t> buffer(4096);
        DWORD n = 0;
        while (true) {
            n = GetPrivateProfileSectionNamesW(buffer.data(), static_cast<DWORD>(buffer.size()), wfile.c_str());
            if (n + 2 < buffer.size() || buffer.size() >= (1u << 22)) break;
            buffer.resize(buffer.size() * 4);
        }
        // The names come as a list of NUL-terminated strings.
        std::size_t pos = 0;
        while (pos < n && pos < buffer.size()) {
            const wchar_t* name = buffer.data() + pos;
            const std::size_t length = wcsnlen(name, buffer.size() - pos);
            if (length == 0) break;
            if (CompareStringOrdinal(name, static_cast<int>(length), wsection.c_str(),
                                     static_cast<int>(wsection.size()), TRUE) == CSTR_EQUAL) {
                return true;
            }
            pos += length + 1;
        }
        return false;
    }
};

}  // namespace

std::unique_ptr<RegistryReader> MakeSystemRegistry() { return std::make_unique<WindowsRegistry>(); }

std::string VoicesDirectory() {
    char path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return {};
    std::string dir(path, n);
    const std::size_t slash = dir.find_last_of("\\/");
    dir.resize(slash == std::string::npos ? 0 : slash + 1);
    return dir + "voices";
}
std::unique_ptr<PrivateProfile> MakeSystemProfile() { return std::make_unique<WindowsProfile>(); }

}  // namespace tarvox::srsetup
