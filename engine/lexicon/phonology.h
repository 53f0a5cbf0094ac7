// The converter's phonology tables as the other stages see them: the
// character classes, the letter and phoneme inventories, and the syllable
// division. The converter owns them; micro and macro prosody read them.
#pragma once

namespace tarvox {

class CharClasses;
class PhonemeInventory;
class Syllabifier;  // lexicon/syllables.h

struct Phonology {
    const CharClasses* classes = nullptr;
    const PhonemeInventory* inventory = nullptr;
    const Syllabifier* syllables = nullptr;
};

}  // namespace tarvox
