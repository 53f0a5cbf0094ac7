#include "synth/cipher.h"

#include <array>

namespace tarvox {

namespace {

constexpr std::array<std::uint8_t, 256> MakeKeyTable() {
    std::array<std::uint8_t, 256> key{};
    for (std::size_t i = 0; i < key.size(); ++i) key[i] = DbCipherKey(i);
    return key;
}

constexpr std::array<std::uint8_t, 256> kKey = MakeKeyTable();

}  // namespace

void ApplyDbCipher(std::span<std::uint8_t> bytes, std::uint64_t position) {
    std::size_t i = 0;
    // Up to the next multiple of 256 byte by byte, then whole key periods,
    // which the compiler turns into wide XORs.
    for (; i < bytes.size() && ((position + i) & 0xFF) != 0; ++i)
        bytes[i] ^= kKey[(position + i) & 0xFF];
    for (; i + kKey.size() <= bytes.size(); i += kKey.size())
        for (std::size_t j = 0; j < kKey.size(); ++j) bytes[i + j] ^= kKey[j];
    for (; i < bytes.size(); ++i) bytes[i] ^= kKey[(position + i) & 0xFF];
}

}  // namespace tarvox
