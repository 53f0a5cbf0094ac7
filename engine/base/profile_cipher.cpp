#include "base/profile_cipher.h"

#include <cstring>

#include "base/files.h"
#include "base/keystream.h"

namespace tarvox {
namespace {

constexpr std::uint32_t kKey = 0x5A17C0DEu;

void Apply(std::span<char> data, std::uint32_t length) {
    XorKeyStream(kKey, 2654435761u, length).Apply(data);
}

}  // namespace

std::vector<char> EncipherProfile(std::span<const char> plain) {
    const auto length = static_cast<std::uint32_t>(plain.size());
    std::vector<char> out(kProfileCipherHeader + plain.size());
    std::memcpy(out.data(), kProfileCipherMagic, 4);
    for (int i = 0; i < 4; ++i) out[4 + i] = static_cast<char>((length >> (8 * i)) & 0xFF);
    std::memcpy(out.data() + kProfileCipherHeader, plain.data(), plain.size());
    Apply(std::span<char>(out).subspan(kProfileCipherHeader), length);
    return out;
}

std::optional<std::size_t> ProfileDecipher::Announce() {
    unsigned char header[kProfileCipherHeader];
    const std::int64_t size = FileSize(file_);
    if (size < static_cast<std::int64_t>(kProfileCipherHeader)) return std::nullopt;
    if (std::fread(header, 1, sizeof header, file_) != sizeof header) return std::nullopt;
    if (std::memcmp(header, kProfileCipherMagic, 4) != 0) return std::nullopt;
    const std::uint32_t length = ReadLe32(header + 4);
    if (static_cast<std::int64_t>(length) > size - static_cast<std::int64_t>(kProfileCipherHeader))
        return std::nullopt;
    length_ = length;
    return length_;
}

std::size_t ProfileDecipher::Deliver(std::span<char> out) {
    std::size_t got = std::fread(out.data(), 1, out.size(), file_);
    if (got == out.size()) {
        // Anything beyond the announced length makes the count differ.
        char extra;
        if (std::fread(&extra, 1, 1, file_) == 1) ++got;
    }
    Apply(out.first(std::min(got, out.size())), static_cast<std::uint32_t>(length_));
    return got;
}

std::optional<std::vector<char>> DecipherProfile(std::span<const char> image) {
    if (image.size() < kProfileCipherHeader || std::memcmp(image.data(), kProfileCipherMagic, 4) != 0)
        return std::nullopt;
    const std::uint32_t length = ReadLe32(reinterpret_cast<const unsigned char*>(image.data()) + 4);
    if (image.size() - kProfileCipherHeader != length) return std::nullopt;
    std::vector<char> plain(image.begin() + kProfileCipherHeader, image.end());
    Apply(plain, length);
    return plain;
}

}  // namespace tarvox
