#include "lexicon/dictionary_cipher.h"

#include <algorithm>
#include <cstring>

#include "base/files.h"
#include "base/keystream.h"

namespace tarvox {
namespace {

constexpr std::uint32_t kDictionaryKey = 0xD1C7A0B5u;

// The stream of a dictionary of the given plain length.
struct KeyStream : XorKeyStream {
    explicit KeyStream(std::uint32_t length) : XorKeyStream(kDictionaryKey, 2246822519u, length) {}
};

void Apply(std::span<char> data, KeyStream& ks) { ks.Apply(data); }

constexpr unsigned char kEvenMask = 0xA7;
constexpr unsigned char kOddMask = 0x5C;
constexpr unsigned char kOddAdd = 0x3B;

unsigned char RotateLeft3(unsigned char b) {
    return static_cast<unsigned char>((b << 3) | (b >> 5));
}
unsigned char RotateRight3(unsigned char b) {
    return static_cast<unsigned char>((b >> 3) | (b << 5));
}

}  // namespace

struct DictionaryDecipher::KeyStreamState {
    explicit KeyStreamState(std::uint32_t length) : stream(length) {}
    KeyStream stream;
};

DictionaryDecipher::DictionaryDecipher(std::FILE* f) : file_(f) {}
DictionaryDecipher::~DictionaryDecipher() = default;

std::vector<char> EncipherDictionary(std::span<const char> plain) {
    const auto length = static_cast<std::uint32_t>(plain.size());
    std::vector<char> out(kDictionaryCipherHeader + plain.size());
    std::memcpy(out.data(), kDictionaryCipherMagic, 4);
    for (int i = 0; i < 4; ++i) out[4 + i] = static_cast<char>((length >> (8 * i)) & 0xFF);
    if (!plain.empty())
        std::memcpy(out.data() + kDictionaryCipherHeader, plain.data(), plain.size());
    KeyStream ks(length);
    Apply(std::span<char>(out).subspan(kDictionaryCipherHeader), ks);
    return out;
}

std::optional<std::vector<char>> DecipherDictionary(std::span<const char> image) {
    if (image.size() < kDictionaryCipherHeader ||
        std::memcmp(image.data(), kDictionaryCipherMagic, 4) != 0)
        return std::nullopt;
    const std::uint32_t length = ReadLe32(reinterpret_cast<const unsigned char*>(image.data()) + 4);
    if (image.size() - kDictionaryCipherHeader != length) return std::nullopt;
    std::vector<char> plain(image.begin() + kDictionaryCipherHeader, image.end());
    KeyStream ks(length);
    Apply(plain, ks);
    return plain;
}

std::optional<std::size_t> DictionaryDecipher::Announce() {
    unsigned char header[kDictionaryCipherHeader];
    if (!file_) return std::nullopt;
    if (std::fread(header, 1, sizeof header, file_) != sizeof header) return std::nullopt;
    if (std::memcmp(header, kDictionaryCipherMagic, 4) != 0) return std::nullopt;
    length_ = ReadLe32(header + 4);
    delivered_ = 0;
    stream_.reset();
    return length_;
}

std::size_t DictionaryDecipher::Deliver(std::span<char> out) {
    if (!file_) return 0;
    const std::size_t want = std::min<std::size_t>(out.size(), length_ - delivered_);
    const std::size_t got = std::fread(out.data(), 1, want, file_);
    if (!stream_) stream_ = std::make_unique<KeyStreamState>(length_);
    for (char& c : out.first(got)) c = static_cast<char>(c ^ stream_->stream.Next());
    delivered_ += got;
    return got;
}

void EncipherIndexBlock(std::span<char> block) {
    for (std::size_t i = 0; i < block.size(); ++i) {
        const auto p = static_cast<unsigned char>(block[i]);
        const unsigned char c = (i % 2 == 0)
                                    ? static_cast<unsigned char>(RotateLeft3(p) ^ kEvenMask)
                                    : static_cast<unsigned char>((p ^ kOddMask) + kOddAdd);
        block[i] = static_cast<char>(c);
    }
}

void DecipherIndexBlock(std::span<char> block) {
    for (std::size_t i = 0; i < block.size(); ++i) {
        const auto c = static_cast<unsigned char>(block[i]);
        const unsigned char p =
            (i % 2 == 0)
                ? RotateRight3(static_cast<unsigned char>(c ^ kEvenMask))
                : static_cast<unsigned char>(static_cast<unsigned char>(c - kOddAdd) ^ kOddMask);
        block[i] = static_cast<char>(p);
    }
}

}  // namespace tarvox
