// The enciphered profile form (".ins").
//
// Layout: the four bytes "TVXP", the plain length as a 32-bit little-endian
// integer, then exactly that many bytes: the plain text XOR-ed with a keyed
// pseudo-random stream (xorshift32 seeded from a fixed key and the length;
// each plain byte is XOR-ed with the top byte of the next state). Apart from
// the 8-byte header the form keeps the length of the text.
//
// The deciphering side first announces the plain length, then delivers the
// bytes. A file whose header is wrong or whose body is shorter or longer than
// announced delivers a different count, which the profile reader treats as a
// load failure.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace tarvox {

inline constexpr char kProfileCipherMagic[4] = {'T', 'V', 'X', 'P'};
inline constexpr std::size_t kProfileCipherHeader = 8;

// Enciphers a plain profile text into the ".ins" form.
std::vector<char> EncipherProfile(std::span<const char> plain);

// Deciphering routine over an open file positioned at its start.
class ProfileDecipher {
public:
    explicit ProfileDecipher(std::FILE* f) : file_(f) {}
    // Reads the header; the plain length, or nothing for a file that is not
    // in the enciphered form or announces more than it holds.
    std::optional<std::size_t> Announce();
    // Delivers up to out.size() plain bytes and returns how many arrived. One
    // byte more than announced is asked for, so a body that is too long also
    // yields a count that differs from the announced length.
    std::size_t Deliver(std::span<char> out);

private:
    std::FILE* file_;
    std::size_t length_ = 0;
};

// Deciphers a whole ".ins" image held in memory; nothing when it is corrupt.
std::optional<std::vector<char>> DecipherProfile(std::span<const char> image);

}  // namespace tarvox
