// The profile reader (plain and enciphered) and its lookups.
#include <cstdint>
#include <string>
#include <vector>

#include "base/profile.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const bool enciphered = (data[0] & 1) != 0;
    const std::string path = tarvox::fuzz::ScratchFile("p.ini", tarvox::fuzz::Bytes(data + 1, size - 1));
    tarvox::Profile profile(path, enciphered);
    if (!profile.IsLoaded()) return 0;
    std::string s;
    std::int32_t n = 0;
    double d = 0;
    std::vector<std::int32_t> list;
    for (const char* key : {"a", "Nabor_fonemov", "Hitrost", "x"}) {
        profile.GetString(key, s);
        profile.GetLong(key, n);
        profile.GetDouble(key, d);
        profile.GetLongArray(key, ' ', list);
    }
    return 0;
}
