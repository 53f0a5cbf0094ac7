// The keyed pseudo-random byte stream of the engine's file ciphers
// (enciphered profiles and dictionaries): xorshift32 seeded from a key and
// the plain length; each byte is the top byte of the next state.
#pragma once

#include <cstdint>
#include <span>

namespace tarvox {

class XorKeyStream {
public:
    XorKeyStream(std::uint32_t key, std::uint32_t multiplier, std::uint32_t length)
        : state_(key ^ (length * multiplier)) {
        if (state_ == 0) state_ = key;
    }
    char Next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return static_cast<char>(state_ >> 24);
    }
    // XORs the bytes with the stream, continuing where it stands.
    void Apply(std::span<char> data) {
        for (char& c : data) c = static_cast<char>(c ^ Next());
    }

private:
    std::uint32_t state_;
};

inline std::uint32_t ReadLe32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

}  // namespace tarvox
