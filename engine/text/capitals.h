// Capitalisation and acronyms on one sentence: capitalised words are read
// as words, runs of capitals are spelled letter by letter (with the forced
// separator between the letters), kept as dictionary entries in their
// capital form, or read as words in text written in capitals.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <string_view>

namespace tarvox {

class CharClasses;
class Profile;

// The names of the capital letters for spelling an acronym as one word
// stressed on its last letter (the profile list imena_crk, groups of three:
// capital letter, name, name with "/" before its stressed vowel: "S es
// /Es"). SDS becomes "esde/Es"; word conversion keeps a stress marked so.
class LetterNames {
public:
    // 0 when the list is absent (Present() is then false) or well formed;
    // -1 after "Napaka: v ini datoteki (ini_gfp): imena_crk".
    int Read(const Profile& profile);
    bool Present() const { return present_; }
    // The acronym as one word; empty when a letter has no name.
    std::string Spell(std::string_view run) const;
    // The key crkuj_soglasniske_kratice = 1: a run of capitals without a
    // vowel (HTML, KBM) cannot be read as a word and is always spelled,
    // also when long or beside other words in capitals. Absent or 0: runs
    // longer than three letters or beside words in capitals are read as
    // words.
    bool SpellsConsonantRuns() const { return spell_consonant_runs_; }

private:
    std::array<std::string, 256> plain_;
    std::array<std::string, 256> stressed_;
    bool present_ = false;
    bool spell_consonant_runs_ = false;
};

// True when the word, exactly as given, is a dictionary entry.
using CapitalFormLookup = std::function<bool(std::string_view word)>;

// At most this many letters of a capital run are examined.
inline constexpr std::size_t kMaxCapitalRun = 64;

// Rewrites the sentence in place; output bounded at 776 bytes.
// `sms_delovanje`: runs that are no dictionary entry are read as words.
// With letter names, a run that would be spelled letter by letter is
// written as one word of the letters' names.
void CapitalsAndAcronyms(std::string& sentence, const CharClasses& classes,
                         const CapitalFormLookup& is_entry, bool sms_delovanje,
                         const LetterNames* names = nullptr);

}  // namespace tarvox
