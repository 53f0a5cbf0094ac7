#include "base/files.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

#if defined(_WIN32)
#include <io.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace tarvox {

std::string NativePath(std::string_view path) {
    std::string p(path);
#if !defined(_WIN32)
    std::replace(p.begin(), p.end(), '\\', '/');
#endif
    return p;
}

FilePtr OpenFile(std::string_view path, const char* mode) {
    if (path.empty() || !mode) return nullptr;
    const std::string native = NativePath(path);
    // A directory opens for reading on some systems, and then tells a size
    // of about 2^63 bytes: it is not a file to read.
    std::error_code ec;
    if (mode[0] == 'r' && std::filesystem::is_directory(native, ec)) return nullptr;
    return FilePtr(std::fopen(native.c_str(), mode));
}

std::int64_t FileSize(std::FILE* f) {
    if (!f) return -1;
    const long here = std::ftell(f);
    if (here < 0 || std::fseek(f, 0, SEEK_END) != 0) return -1;
    const long size = std::ftell(f);
    std::fseek(f, here, SEEK_SET);
    return size;
}

std::optional<std::vector<char>> ReadWholeFile(std::string_view path) {
    FilePtr f = OpenFile(path, "rb");
    if (!f) return std::nullopt;
    const std::int64_t size = FileSize(f.get());
    if (size < 0) return std::nullopt;
    std::vector<char> data(static_cast<std::size_t>(size));
    if (!data.empty() && std::fread(data.data(), 1, data.size(), f.get()) != data.size())
        return std::nullopt;
    return data;
}

bool PathExists(std::string_view path) {
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::path(NativePath(path)), ec);
}

std::vector<std::string> ListFiles(std::string_view directory, std::string_view extension) {
    std::vector<std::string> names;
    std::error_code ec;
    std::filesystem::directory_iterator it(std::filesystem::path(NativePath(directory)), ec);
    if (ec) return names;
    auto lower = [](std::string s) {
        for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return s;
    };
    const std::string ext = lower(std::string(extension));
    for (const auto& entry : it) {
        if (!entry.is_regular_file(ec)) continue;
        std::string name = entry.path().filename().string();
        if (name.size() >= ext.size() && lower(name.substr(name.size() - ext.size())) == ext)
            names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end());
    return names;
}

RandomAccessFile::RandomAccessFile(std::string_view path) {
#if defined(_WIN32)
    fallback_ = std::fopen(NativePath(path).c_str(), "rb");
#else
    fd_ = ::open(NativePath(path).c_str(), O_RDONLY | O_CLOEXEC);
#endif
#if defined(_WIN32)
    if (fallback_) fd_ = 0;
#endif
}

bool RandomAccessFile::ReadAt(std::uint64_t offset, std::span<char> out) const {
    if (fd_ < 0) return false;
#if defined(_WIN32)
    if (_fseeki64(fallback_, static_cast<long long>(offset), SEEK_SET) != 0) return false;
    return std::fread(out.data(), 1, out.size(), fallback_) == out.size();
#else
    std::size_t done = 0;
    while (done < out.size()) {
        const ssize_t n = ::pread(fd_, out.data() + done, out.size() - done,
                                  static_cast<off_t>(offset + done));
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
#endif
}

RandomAccessFile::~RandomAccessFile() {
#if defined(_WIN32)
    if (fallback_) std::fclose(fallback_);
#else
    if (fd_ >= 0) ::close(fd_);
#endif
}

RandomAccessFile::RandomAccessFile(RandomAccessFile&& other) noexcept
    : fd_(other.fd_), fallback_(other.fallback_) {
    other.fd_ = -1;
    other.fallback_ = nullptr;
}

RandomAccessFile& RandomAccessFile::operator=(RandomAccessFile&& other) noexcept {
    if (this != &other) {
        this->~RandomAccessFile();
        fd_ = other.fd_;
        fallback_ = other.fallback_;
        other.fd_ = -1;
        other.fallback_ = nullptr;
    }
    return *this;
}

}  // namespace tarvox
