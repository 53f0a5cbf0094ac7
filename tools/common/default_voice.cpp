#include "default_voice.h"

#include <filesystem>
#include <system_error>

namespace tarvox::tools {

std::string DefaultVoice(const std::string& built, const std::string& installed) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (!ec && !self.empty()) {
        const fs::path beside = self.parent_path() / installed;
        if (fs::is_directory(beside, ec)) return beside.lexically_normal().string();
    }
    return built;
}

}  // namespace tarvox::tools
