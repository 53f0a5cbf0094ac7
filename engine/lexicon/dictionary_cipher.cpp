#include "lexicon/dictionary_cipher.h"

namespace tarvox {

std::vector<char> EncipherDictionary(std::span<const char> plain) {
    return {plain.begin(), plain.end()};
}
std::optional<std::vector<char>> DecipherDictionary(std::span<const char>) { return std::nullopt; }
std::optional<std::size_t> DictionaryDecipher::Announce() { return std::nullopt; }
std::size_t DictionaryDecipher::Deliver(std::span<char>) { return 0; }
void EncipherIndexBlock(std::span<char>) {}
void DecipherIndexBlock(std::span<char>) {}

}  // namespace tarvox
