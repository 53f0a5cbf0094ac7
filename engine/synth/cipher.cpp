#include "synth/cipher.h"

#include <algorithm>
#include <array>

namespace tarvox {

namespace {

// Two key periods in a row: from any phase, the next 256 key bytes lie
// side by side, so a whole stretch is one XOR of two arrays.
constexpr std::array<std::uint8_t, 512> MakeKeyTable() {
    std::array<std::uint8_t, 512> key{};
    for (std::size_t i = 0; i < key.size(); ++i) key[i] = DbCipherKey(i);
    return key;
}

constexpr std::array<std::uint8_t, 512> kKey = MakeKeyTable();

}  // namespace

void ApplyDbCipher(std::span<const std::uint8_t> from, std::span<std::uint8_t> to,
                   std::uint64_t position) {
    const std::uint8_t* key = kKey.data() + (position & 0xFF);
    const std::uint8_t* f = from.data();
    std::uint8_t* t = to.data();
    std::size_t left = std::min(from.size(), to.size());
    // Every 256 bytes the key is back at the same phase.
    while (left > 0) {
        const std::size_t n = left < 256 ? left : 256;
        for (std::size_t j = 0; j < n; ++j) t[j] = static_cast<std::uint8_t>(f[j] ^ key[j]);
        f += n;
        t += n;
        left -= n;
    }
}

void ApplyDbCipher(std::span<std::uint8_t> bytes, std::uint64_t position) {
    ApplyDbCipher(bytes, bytes, position);
}

}  // namespace tarvox
