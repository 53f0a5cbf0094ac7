#include "base/files.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>
#include <utility>

#if defined(_WIN32)
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
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

RandomAccessFile::RandomAccessFile(std::string_view path, bool map) {
    const std::string native = NativePath(path);
    std::error_code ec;
    // A directory or a device is not a file to read samples from.
    if (!std::filesystem::is_regular_file(std::filesystem::path(native), ec)) return;
#if defined(_WIN32)
    if (map) {
        const std::wstring wide = std::filesystem::path(native).wstring();
        HANDLE file = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            LARGE_INTEGER length{};
            if (GetFileSizeEx(file, &length) && length.QuadPart > 0) {
                HANDLE mapping = CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
                if (mapping) {
                    if (void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0)) {
                        mapped_ = static_cast<const char*>(view);
                        size_ = static_cast<std::uint64_t>(length.QuadPart);
                        mapping_handle_ = mapping;
                    } else {
                        CloseHandle(mapping);
                    }
                }
            }
            CloseHandle(file);  // the mapping keeps the file open
        }
    }
    if (!mapped_) fallback_ = std::fopen(native.c_str(), "rb");
    open_ = mapped_ != nullptr || fallback_ != nullptr;
#else
    fd_ = ::open(native.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) return;
    open_ = true;
    struct stat st {};
    if (map && ::fstat(fd_, &st) == 0 && st.st_size > 0) {
        void* view = ::mmap(nullptr, static_cast<std::size_t>(st.st_size), PROT_READ, MAP_SHARED, fd_, 0);
        if (view != MAP_FAILED) {
            mapped_ = static_cast<const char*>(view);
            size_ = static_cast<std::uint64_t>(st.st_size);
        }
    }
#endif
}

bool RandomAccessFile::ReadAt(std::uint64_t offset, std::span<char> out) const {
    if (!open_) return false;
    if (mapped_) {
        if (offset > size_ || out.size() > size_ - offset) return false;
        std::copy_n(mapped_ + offset, out.size(), out.data());
        return true;
    }
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

bool RandomAccessFile::KeepMappingSafe() noexcept {
#if defined(_WIN32)
    return true;
#else
    if (!mapped_) return true;
    struct stat st {};
    if (::fstat(fd_, &st) == 0 && st.st_size >= 0 && static_cast<std::uint64_t>(st.st_size) >= size_)
        return true;
    ::munmap(const_cast<char*>(mapped_), static_cast<std::size_t>(size_));
    mapped_ = nullptr;
    size_ = 0;
    return false;
#endif
}

void RandomAccessFile::Close() noexcept {
#if defined(_WIN32)
    if (mapped_) UnmapViewOfFile(mapped_);
    if (mapping_handle_) CloseHandle(static_cast<HANDLE>(mapping_handle_));
    if (fallback_) std::fclose(fallback_);
#else
    if (mapped_) ::munmap(const_cast<char*>(mapped_), static_cast<std::size_t>(size_));
    if (fd_ >= 0) ::close(fd_);
#endif
    open_ = false;
    fd_ = -1;
    fallback_ = nullptr;
    mapped_ = nullptr;
    size_ = 0;
    mapping_handle_ = nullptr;
}

RandomAccessFile::~RandomAccessFile() { Close(); }

RandomAccessFile::RandomAccessFile(RandomAccessFile&& other) noexcept
    : open_(other.open_),
      fd_(other.fd_),
      fallback_(other.fallback_),
      mapped_(other.mapped_),
      size_(other.size_),
      mapping_handle_(other.mapping_handle_) {
    other.open_ = false;
    other.fd_ = -1;
    other.fallback_ = nullptr;
    other.mapped_ = nullptr;
    other.size_ = 0;
    other.mapping_handle_ = nullptr;
}

RandomAccessFile& RandomAccessFile::operator=(RandomAccessFile&& other) noexcept {
    if (this != &other) {
        Close();
        open_ = std::exchange(other.open_, false);
        fd_ = std::exchange(other.fd_, -1);
        fallback_ = std::exchange(other.fallback_, nullptr);
        mapped_ = std::exchange(other.mapped_, nullptr);
        size_ = std::exchange(other.size_, 0);
        mapping_handle_ = std::exchange(other.mapping_handle_, nullptr);
    }
    return *this;
}

}  // namespace tarvox
