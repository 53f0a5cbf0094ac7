// Helpers for tests: a temporary directory removed at the end of the test,
// and small file writers.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

namespace tarvox::testing {

class TempDir {
public:
    TempDir() {
        std::string templ = (std::filesystem::temp_directory_path() / "tarvox-XXXXXX").string();
        char* made = ::mkdtemp(templ.data());
        path_ = made ? std::filesystem::path(made) : std::filesystem::temp_directory_path();
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // The directory as a string with a trailing separator.
    std::string dir() const { return path_.string() + "/"; }
    std::string file(std::string_view name) const { return (path_ / name).string(); }

    std::string Write(std::string_view name, std::string_view content) const {
        const std::filesystem::path p = path_ / name;
        std::filesystem::create_directories(p.parent_path());
        std::ofstream out(p, std::ios::binary);
        out.write(content.data(), static_cast<std::streamsize>(content.size()));
        return p.string();
    }

private:
    std::filesystem::path path_;
};

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace tarvox::testing
