// The voice database, its samples in memory or read from the file, and a
// fetch of every window it names.
#include <cstdint>
#include <vector>

#include "fuzz_support.h"
#include "synth/voice_db.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const bool in_memory = (data[0] & 1) != 0;
    const std::string path = tarvox::fuzz::ScratchFile("db.dat", tarvox::fuzz::Bytes(data + 1, size - 1));
    tarvox::VoiceDatabase db;
    if (tarvox::loadtables(path, in_memory, db) != 0) return 0;
    std::vector<std::int16_t> window(64);
    for (const std::int32_t mark : db.Windows()) (void)db.FetchSamples(mark - 32, window);
    return 0;
}
