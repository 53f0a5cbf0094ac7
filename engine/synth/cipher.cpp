#include "synth/cipher.h"

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

void ApplyDbCipher(std::span<std::uint8_t> bytes, std::uint64_t position) {
    const std::uint8_t* key = kKey.data() + (position & 0xFF);
    std::uint8_t* b = bytes.data();
    std::size_t left = bytes.size();
    // Every 256 bytes the key is back at the same phase.
    while (left > 0) {
        const std::size_t n = left < 256 ? left : 256;
        for (std::size_t j = 0; j < n; ++j) b[j] ^= key[j];
        b += n;
        left -= n;
    }
}

}  // namespace tarvox
