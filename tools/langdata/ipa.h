// IPA of the pronouncing lexicon to the converter's phoneme names.
//
// The lexicon writes one IPA segment per sound, segments separated by
// blanks: a stressed vowel carries a tone accent (acute, grave, rarely
// circumflex) and often the length mark; affricates carry a tie bar; the
// schwa of syllabic r is written as its own segment; "ʋ" stands for v as
// well as for the [u] spoken for v and l. The result uses the names of the
// converter profile's inventory, with the stress carried by the vowel name
// as the letter-to-sound rules write it ("a:" stressed, "a" unstressed;
// stressed e and o keep their quality: "e:" close, "E:" open), and with
// the allophones the rules produce from context (v, w, W; N, F) so that a
// rule transcription and a lexicon transcription can be compared name by
// name.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvox::langdata {

using Phonemes = std::vector<std::string>;

// The segments of one lexicon pronunciation, or nullopt (with the offending
// segment in `bad` when given) when a segment has no counterpart.
std::optional<Phonemes> IpaToPhonemes(std::string_view ipa, std::string* bad = nullptr);

// The names written together, as the converter writes a word.
std::string Join(const Phonemes& phonemes);

// Name tests shared by the lexicon tools.
bool IsVowelName(std::string_view name);
bool IsStressedName(std::string_view name);  // a vowel whose second character is ':'

// Cuts a phoneme string (names written together) into names of the
// inventory: two characters first, then one; a character that is neither
// is returned as a name of its own, so that nothing is lost.
Phonemes SplitNames(std::string_view text, const std::vector<std::string>& inventory);

// The names of the voice's inventory, in the order of Nabor_fonemov.
const std::vector<std::string>& VoiceInventory();

}  // namespace tarvox::langdata
