// Reading numbers in their context, over the whole text before it is
// divided into sentences: grouped thousands ("37.000", "37 000") up to
// 999 999 999 999, signs, decimals, ordinals and dates, Roman numerals
// after names and before nouns, units, currencies and magnitudes ("mio.")
// after numbers, and abbreviations that take the case of their phrase
// ("z dr. Zupancicem"). Numerals, units and abbreviations agree in gender,
// number and case with the word that follows (or the name, for a title)
// and with the preposition before them. Every digit of the text leaves this
// step as words, so the sentence division no longer has to guess what a
// full stop after a digit means.
//
// The step is switched on by the profile value beri_v_sobesedilu = true;
// its tables are the grammar lists (text/grammar.h) and:
//   enote            pairs: symbol as written after a number (\xHH for a
//                    byte of Windows-1250), phrase
//   mnozitelji       groups of 3: word after a number ("mio."), power of
//                    ten (3, 6 or 9), phrase; the powers 6 and 9 also name
//                    the words of large numbers
//   okrajsave_skloni groups of 3: abbreviation (lower case, with its full
//                    stop), flags, phrase. Flags: "i" the abbreviation
//                    agrees with the name after it (and stands only before
//                    a capitalised word), "p" only after a preposition or
//                    at the start of a sentence, "n" in its own case
//                    whatever the preposition, a digit 1 to 6 the case
//                    when nothing else decides
//   meseci           the twelve month phrases
//   decimalna_vejica phrase read for a decimal comma ("cel/p" agrees with
//                    the whole part: ena cela, dve celi, pet celih)
//   beseda_minus, beseda_plus, beseda_razpon  words for "-5", "+5", "5-10"
//   imena_znakov     pairs: byte (hex) that the character filter kept,
//                    its name where no unit took it
//   pred_tozilnikom  verbs after which a unit or magnitude with no
//                    preposition is in the accusative (stane tri evre);
//                    elsewhere it is in the nominative (so trije evri)
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "text/grammar.h"

namespace tarvox {

class AbbreviationTable;
class CharClasses;
class NumberTables;
class Profile;

class ContextTables {
public:
    struct Unit {
        std::string symbol;
        Phrase phrase;
    };
    struct Magnitude {
        std::string word;
        int power = 0;
        Phrase phrase;
    };
    struct Abbreviation {
        Phrase phrase;
        bool agrees_with_name = false;
        bool needs_context = false;
        bool fixed_case = false;  // "n": no preposition changes the case
        Case default_case = Case::kNominative;
    };

    // 0 when beri_v_sobesedilu is absent or not "true" (Enabled() is then
    // false) or every table is well formed; -1 after
    // "Napaka: v ini datoteki (ini_gfp): <list>".
    int Read(const Profile& profile);
    bool Enabled() const { return enabled_; }

    Grammar grammar;
    std::vector<Unit> units;  // longest symbol first
    std::vector<Magnitude> magnitudes;
    std::unordered_map<std::string, Abbreviation> abbreviations;
    std::vector<Phrase> months;
    std::optional<Phrase> decimal_comma;
    std::string minus_word;
    std::string plus_word;
    std::string range_word;
    std::array<std::string, 256> symbol_names;
    std::vector<std::string> accusative_verbs;

private:
    bool enabled_ = false;
};

// Rewrites `in` into `out` (replaced). `in` is the text after the character
// filter and the clock times, in the internal letter code. Abbreviations of
// several words in `abbreviations` ("pr. n. st.") are left whole for the
// abbreviation step.
void ReadInContext(std::string_view in, std::string& out, const ContextTables& tables,
                   const NumberTables& numbers, const CharClasses& classes,
                   const AbbreviationTable* abbreviations = nullptr);

}  // namespace tarvox
