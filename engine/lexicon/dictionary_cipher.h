// The enciphered forms of the dictionaries.
//
// Dictionary file (".dst"): the four bytes "TVXD", the plain length as a
// 32-bit little-endian integer, then exactly that many bytes: the plain text
// XOR-ed with a keyed pseudo-random stream (xorshift32 seeded from a fixed
// dictionary key and the length; each plain byte is XOR-ed with the top byte
// of the next state). The deciphering reader first announces the plain
// length, then delivers the bytes; a file that is shorter than announced
// delivers fewer, which the loader reports as a short read.
//
// Index blocks (data and index block of "QuenlarOrin.ndx"): a byte-wise step
// that depends on whether the byte's position in its block is even or odd:
//   even position: enciphered = rotate_left(plain, 3) XOR 0xA7
//   odd position:  enciphered = (plain XOR 0x5C) + 0x3B   (modulo 256)
// and the inverse when reading. The step is the same for both blocks; each
// block counts its positions from 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace tarvox {

inline constexpr char kDictionaryCipherMagic[4] = {'T', 'V', 'X', 'D'};
inline constexpr std::size_t kDictionaryCipherHeader = 8;

// Enciphers a plain ".dct" text into the ".dst" form.
std::vector<char> EncipherDictionary(std::span<const char> plain);

// Deciphers a whole ".dst" image held in memory; nothing when it is corrupt.
std::optional<std::vector<char>> DecipherDictionary(std::span<const char> image);

// The deciphering reader over an open file positioned at its start.
class DictionaryDecipher {
  public:
    explicit DictionaryDecipher(std::FILE* f);
    ~DictionaryDecipher();
    DictionaryDecipher(const DictionaryDecipher&) = delete;
    DictionaryDecipher& operator=(const DictionaryDecipher&) = delete;
    // Reads the header: the plain length, or nothing for a file that is not
    // in the enciphered form.
    std::optional<std::size_t> Announce();
    // Delivers up to out.size() further plain bytes (never more than
    // announced, over one or several calls); returns how many arrived.
    std::size_t Deliver(std::span<char> out);

  private:
    struct KeyStreamState;
    std::FILE* file_;
    std::uint32_t length_ = 0;
    std::size_t delivered_ = 0;
    std::unique_ptr<KeyStreamState> stream_;
};

// The even/odd step of the index blocks, in place.
void EncipherIndexBlock(std::span<char> block);
void DecipherIndexBlock(std::span<char> block);

}  // namespace tarvox
