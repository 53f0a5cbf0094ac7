// Units and currencies after a number: the symbol becomes the word in the
// grammatical number the number asks for (1, 2, 3 and 4, the rest), and a
// number ending in 1 to 4 gets the numeral that agrees with the unit's
// gender ("2 kg" -> "dva kilograma").
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace tarvox {

class CharClasses;

struct MeasureUnit {
    std::string_view symbol;
    int gender;  // 0 masculine, 1 feminine, 2 neuter
    std::string_view forms[4];  // for 1, for 2, for 3 and 4, for the rest
};

// Units recognised as whole tokens of letters and digits, in trial order.
std::span<const MeasureUnit> TokenUnits();
// Units recognised only as one character with a blank on both sides.
std::span<const MeasureUnit> CharacterUnits();

// The numeral for 1 to 4 in a gender, with its blank ("dva ").
std::string_view AgreeingNumeral(int last_two_digits, int gender);

// Rewrites the sentence in place.
void ExpandUnits(std::string& sentence, const CharClasses& classes);

}  // namespace tarvox
