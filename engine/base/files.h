// The one file layer of the engine. Every place that opens a file goes
// through it. Paths are kept as the configuration writes them (backslashes,
// ".\data\..."); on POSIX the layer turns backslashes into slashes before it
// opens anything, so the same configuration works on both systems.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarvox {

struct FileCloser {
    void operator()(std::FILE* f) const noexcept {
        if (f) std::fclose(f);
    }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// The path as the operating system wants it.
std::string NativePath(std::string_view path);

// fopen through the layer; null on failure.
FilePtr OpenFile(std::string_view path, const char* mode);

// Whole content of a file, or nothing when it cannot be opened or read.
std::optional<std::vector<char>> ReadWholeFile(std::string_view path);

// Size of an open file in bytes, or -1.
std::int64_t FileSize(std::FILE* f);

// Whether a regular file or directory exists at the path.
bool PathExists(std::string_view path);

// Names (not paths) of the regular files in a directory whose names end with
// the given extension (compared without regard to case), sorted bytewise so
// that every listing is reproducible. Empty when the directory is missing.
std::vector<std::string> ListFiles(std::string_view directory, std::string_view extension);

// A file that is read with positioned reads while it stays open.
class RandomAccessFile {
public:
    RandomAccessFile() = default;
    explicit RandomAccessFile(std::string_view path);
    bool IsOpen() const { return fd_ >= 0; }
    // Reads exactly out.size() bytes at offset; false on a short read.
    bool ReadAt(std::uint64_t offset, std::span<char> out) const;
    ~RandomAccessFile();
    RandomAccessFile(RandomAccessFile&& other) noexcept;
    RandomAccessFile& operator=(RandomAccessFile&& other) noexcept;
    RandomAccessFile(const RandomAccessFile&) = delete;
    RandomAccessFile& operator=(const RandomAccessFile&) = delete;

private:
    int fd_ = -1;
    std::FILE* fallback_ = nullptr;  // systems without positioned reads
};

}  // namespace tarvox
