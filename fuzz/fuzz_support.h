// Helpers of the fuzz programs: scratch files on a memory file system and
// the built voice that the speaking programs load once.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace tarvox::fuzz {

inline std::string_view Bytes(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// A directory of this process's own (on /dev/shm when there is one).
inline const std::filesystem::path& ScratchDir() {
    static const std::filesystem::path dir = [] {
        std::error_code ec;
        std::filesystem::path base = std::filesystem::is_directory("/dev/shm", ec)
                                         ? std::filesystem::path("/dev/shm")
                                         : std::filesystem::temp_directory_path();
        std::filesystem::path d = base / ("tarvox-fuzz-" + std::to_string(getpid()));
        std::filesystem::create_directories(d, ec);
        return d;
    }();
    return dir;
}

// Writes `bytes` into the scratch file `name` and gives its path.
inline std::string ScratchFile(const std::string& name, std::string_view bytes) {
    const std::filesystem::path path = ScratchDir() / name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path.string();
}

// The built voice: TARVOX_FUZZ_VOICE, else the one this program was
// configured with.
inline std::string VoiceDirectory() {
    if (const char* v = std::getenv("TARVOX_FUZZ_VOICE"); v && *v) return v;
    return TARVOX_FUZZ_VOICE_DEFAULT;
}

}  // namespace tarvox::fuzz
