// Ordered context-sensitive rewrite rules of the converter profile: the
// letter-to-sound rules ("pravila") and the cross-word rules applied after
// dictionary words ("pravila_slovar").
//
// A rule is four profile items: left context, target, right context, output.
// In the items "=" ends the item (so "=" alone is the empty string) and "_"
// stands for a blank, the word boundary. A pattern character that belongs to
// the placeholder class (glasovne_skupine) at position k matches any text
// character of class k; every other pattern character matches itself.
//
// Matching tries the rules in profile order and the first that matches wins;
// there is no search for the longest match. To keep that cheap, the rules are
// indexed by the text byte they must match at the match position (the first
// target character, or the first right-context character for an empty
// target); a rule whose pattern ends with its left context sits in every
// bucket. Each bucket keeps profile order, so the first match is the same as
// in a linear scan.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvox {

class CharClasses;
class Profile;

class RuleList {
public:
    struct Rule {
        std::string pattern;  // left context + target + right context
        std::size_t left = 0;
        std::size_t target = 0;
        std::string output;
    };

    enum class ReadResult { kOk, kEmpty, kBadCount };

    // Reads the list `name` of the profile (tab-separated items in groups of
    // four) and indexes it with the placeholder class of `classes`, which
    // must outlive the list.
    ReadResult Read(Profile& profile, std::string_view name, const CharClasses& classes);
    // Builds the list from items given directly (tests, tools).
    ReadResult Assign(const std::vector<std::string>& items, const CharClasses& classes);

    // Tries the rules at `pos` of `text`. On a match `pos` advances by the
    // target's length and the rule's output is returned; otherwise `pos` is
    // unchanged. A left context never reaches before the start of `text`.
    std::optional<std::string_view> Match(std::string_view text, std::size_t& pos) const;

    std::size_t size() const { return rules_.size(); }
    const Rule& operator[](std::size_t i) const { return rules_.at(i); }

private:
    bool Matches(const Rule& rule, std::string_view text, std::size_t start) const;
    bool CharMatches(unsigned char pattern, unsigned char text) const;
    void BuildIndex();

    const CharClasses* classes_ = nullptr;
    std::vector<Rule> rules_;
    // Rule numbers by the byte at the match position (byte 0: end of text).
    std::array<std::vector<std::uint32_t>, 256> buckets_;
};

// The step "pripravi_pravila": reads pravila_slovar and then pravila.
// 0, or -1 after reporting "Napaka: (pripravi_pravila): <name>" (no items) or
// "Napacno stevilo pravil (pravila_slovar)" / "Napacno stevilo pravil" (a
// count that is not a multiple of four).
int PrepareRules(Profile& profile, const CharClasses& classes, RuleList& cross_word,
                 RuleList& letter_to_sound);

}  // namespace tarvox
