// The cipher of the voice database's transcription and samples.
//
// Both are stored enciphered byte for byte, with no change of length. Byte i
// of a section's payload (i counts from 0 at the first byte after the
// section's count) is XORed with the key byte
//
//     key(i) = ((i mod 256) * 167 + 91) mod 256
//
// The key depends only on the position within the section, so any stretch of
// the samples (one window fetched from the file) can be deciphered on its own
// given the position of its first byte. XOR is its own inverse: enciphering
// and deciphering are the same operation, done in place.
#pragma once

#include <cstdint>
#include <span>

namespace tarvox {

inline constexpr std::uint8_t DbCipherKey(std::uint64_t position) {
    return static_cast<std::uint8_t>(((position & 0xFF) * 167 + 91) & 0xFF);
}

// Enciphers or deciphers `bytes`, whose first byte lies at `position` within
// its section's payload.
void ApplyDbCipher(std::span<std::uint8_t> bytes, std::uint64_t position = 0);

// The same from `from` into `to` (of the same length; the two may be the
// same bytes but must not overlap otherwise).
void ApplyDbCipher(std::span<const std::uint8_t> from, std::span<std::uint8_t> to,
                   std::uint64_t position);

}  // namespace tarvox
