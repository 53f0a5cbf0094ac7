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

// A file read at positions. By default the whole file is mapped read-only
// (mmap, or a file mapping on Windows), so that a read is a copy from
// memory and processes share one copy in the page cache; where mapping
// fails, or when not asked for, each read is a positioned read.
//
// Reads are checked against the length the file had when opened. A file
// that another program shortens while it is mapped would make a read of the
// lost pages fault (SIGBUS) instead of failing; KeepMappingSafe() looks at
// the file's length and, if it shrank, gives up the mapping so that later
// reads are positioned reads that fail cleanly. Callers run it once per
// batch of reads (a sentence); a file shortened during a batch is not
// caught. On Windows a mapped file cannot be shortened at all.
class RandomAccessFile {
public:
    RandomAccessFile() = default;
    explicit RandomAccessFile(std::string_view path, bool map = true);
    bool IsOpen() const { return open_; }
    bool IsMapped() const { return mapped_ != nullptr; }
    // Reads exactly out.size() bytes at offset; false on a short read.
    bool ReadAt(std::uint64_t offset, std::span<char> out) const;
    // The mapped bytes at offset, valid while the file stays open and
    // mapped; empty when the file is not mapped or they lie past its end.
    std::span<const char> MappedAt(std::uint64_t offset, std::size_t size) const {
        if (!mapped_ || offset > size_ || size > size_ - offset) return {};
        return {mapped_ + offset, size};
    }
    // False when the file is shorter than when it was mapped (the mapping
    // is then released); true otherwise.
    bool KeepMappingSafe() noexcept;
    ~RandomAccessFile();
    RandomAccessFile(RandomAccessFile&& other) noexcept;
    RandomAccessFile& operator=(RandomAccessFile&& other) noexcept;
    RandomAccessFile(const RandomAccessFile&) = delete;
    RandomAccessFile& operator=(const RandomAccessFile&) = delete;

private:
    void Close() noexcept;

    bool open_ = false;
    int fd_ = -1;
    std::FILE* fallback_ = nullptr;  // systems without positioned reads
    const char* mapped_ = nullptr;
    std::uint64_t size_ = 0;         // of the mapping
    void* mapping_handle_ = nullptr;  // Windows: the file mapping object
};

}  // namespace tarvox
