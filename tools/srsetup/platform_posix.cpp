// The registry and private-profile services of systems without them: the
// registry file named by TARVOX_REGISTRY and INI files edited in place.
#include "winreg/private_profile.h"
#include "winreg/registry_file.h"
#include "srsetup.h"

#include <filesystem>

namespace tarvox::srsetup {
namespace {

constexpr char kRoot[] = "HKEY_LOCAL_MACHINE\\";

class FileRegistryKey : public RegistryKey {
public:
    FileRegistryKey(const winreg::TextRegistry& registry, std::string path)
        : registry_(registry), path_(std::move(path)) {}
    std::optional<std::string> ReadString(std::string_view name) const override {
        return registry_.GetString(path_, name);
    }
    std::vector<std::string> SubkeyNames() const override { return registry_.SubkeyNames(path_); }

private:
    const winreg::TextRegistry& registry_;
    std::string path_;
};

class FileRegistry : public RegistryReader {
public:
    FileRegistry() {
        // An unreadable or broken file reads as far as it parses; with the
        // variable unset the registry is empty.
        if (const auto path = winreg::TextRegistry::PathFromEnvironment()) {
            registry_ = winreg::TextRegistry::Load(*path);
        }
    }
    std::unique_ptr<RegistryKey> OpenKey(std::string_view path) const override {
        std::string full = kRoot + std::string(path);
        if (!registry_.KeyExists(full)) return nullptr;
        return std::make_unique<FileRegistryKey>(registry_, std::move(full));
    }

private:
    winreg::TextRegistry registry_;
};

class FileProfile : public PrivateProfile {
public:
    std::string ReadString(std::string_view section, std::string_view key, std::string_view fallback,
                           const std::string& file) override {
        return winreg::ReadProfileString(section, key, fallback, file);
    }
    bool WriteString(std::string_view section, std::string_view key, std::string_view value,
                     const std::string& file) override {
        return winreg::WriteProfileString(section, key, value, file);
    }
    bool WriteInteger(std::string_view section, std::string_view key, int value, const std::string& file) override {
        return winreg::WriteProfileString(section, key, std::to_string(value), file);
    }
    bool SectionExists(std::string_view section, const std::string& file) override {
        return winreg::ProfileSectionExists(section, file);
    }
    bool Backup(const std::string& file) override {
        const std::string from = winreg::NativeIniPath(file);
        std::error_code ec;
        std::filesystem::copy_file(from, from + kBackupSuffix, std::filesystem::copy_options::skip_existing, ec);
        return !ec;
    }
};

}  // namespace

std::unique_ptr<RegistryReader> MakeSystemRegistry() { return std::make_unique<FileRegistry>(); }

std::string VoicesDirectory() {
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return {};
    return (self.parent_path() / ".." / "share" / "tarvox" / "voices").lexically_normal().string();
}
std::unique_ptr<PrivateProfile> MakeSystemProfile() { return std::make_unique<FileProfile>(); }

}  // namespace tarvox::srsetup
