// Speaking through the C interface: the voice opened once, the settings
// from the first bytes, the rest as text (at most 1024 bytes), marks where
// the input puts them.
#include <cstdint>
#include <string>
#include <vector>

#include "adapter/tarvox.h"
#include "fuzz_support.h"

namespace {

int Discard(void*, const int16_t*, size_t) { return 0; }
void Ignore(void*, const tarvox_event*) {}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static tarvox_voice* voice = [] {
        tarvox_voice* v = nullptr;
        if (tarvox_open(tarvox::fuzz::VoiceDirectory().c_str(), &v) != TARVOX_OK) std::abort();
        return v;
    }();
    if (size < 3) return 0;
    tarvox_settings settings{static_cast<int>(data[0] % 23) - 11, static_cast<int>(data[1] % 23) - 11,
                             static_cast<int>(data[2] % 110)};
    const std::string text(reinterpret_cast<const char*>(data + 3), std::min<std::size_t>(size - 3, 1024));
    std::vector<tarvox_mark> marks;
    for (std::size_t i = 0; i < text.size() && marks.size() < 4; i += 97)
        marks.push_back({i, "m"});
    (void)tarvox_speak_marked(voice, text.c_str(), marks.data(), marks.size(), &settings, Discard, Ignore, nullptr);
    return 0;
}
