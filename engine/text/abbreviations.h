// Abbreviation expansion over the whole text: the pairs of the profile list
// okrajsave (abbreviation in lower case, expansion) are found in a
// lower-cased copy and replaced by their expansions.
#pragma once

#include <string>
#include <vector>

namespace tarvox {

class CharClasses;
class Profile;

class AbbreviationTable {
public:
    struct Pair {
        std::string abbreviation;
        std::string expansion;
    };

    // pripravi_okrajsave: reads okrajsave in pairs; a missing list leaves the
    // table empty. -1 after "Napacno stevilo okrajsav (okrajsave)" when the
    // item count is odd.
    int Read(const Profile& profile);

    const std::vector<Pair>& Pairs() const { return pairs_; }
    void Add(std::string abbreviation, std::string expansion) {
        pairs_.push_back({std::move(abbreviation), std::move(expansion)});
    }

private:
    std::vector<Pair> pairs_;
};

// Rewrites `text` in place. An occurrence counts at the text start or after
// a character that is neither a letter nor a digit; an occurrence that
// starts inside the previous one is skipped. When the result would reach
// `limit` bytes (10240 unless numbers were read out before) the text stays
// as it was and the result is false.
bool ExpandAbbreviations(std::string& text, const AbbreviationTable& table,
                         const CharClasses& classes, std::size_t limit = 10240);

}  // namespace tarvox
