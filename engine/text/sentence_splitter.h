// Sentence division. The splitter keeps a private copy of the last text it
// was given (the pending text) and hands out its sentences one at a time,
// rewritten into the token form the per-sentence steps expect: punctuation
// and special characters as separate tokens, digits apart from letters, a
// decimal comma as "'", an ordinal full stop as "|", a full stop inside a
// sentence as a double quote, a minus sign as the backslash.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tarvox {

class CharClasses;

class SentenceSplitter {
public:
    // After this many stored characters the next white space ends the
    // sentence.
    static constexpr std::size_t kLongSentence = 421;
    static constexpr std::size_t kCapacity = 10240;

    // With a text: replaces the pending text by it and writes its first
    // sentence; with nullptr: writes the next sentence of the pending text.
    // The number of bytes written to `out` (replaced), 0 when nothing is left
    // (the pending text is then released).
    int Next(const std::string_view* text, std::string& out, const CharClasses& classes);
    int Next(std::string_view text, std::string& out, const CharClasses& classes) {
        return Next(&text, out, classes);
    }
    int Next(std::string& out, const CharClasses& classes) { return Next(nullptr, out, classes); }

    // Whether a full stop after a letter alone and before a lower-case word
    // ends no sentence (an initial, a letter: "Ana M. je prišla"); off, only
    // a digit before the stop and a digit or a lower-case letter after it
    // keep the sentence.
    void SetLowerCaseContinues(bool on) { lower_case_continues_ = on; }

    bool HasPending() const { return has_pending_; }
    // How far the division has read the pending text (bytes from its start).
    std::size_t Position() const { return position_; }

private:
    // Reads the next sentence of the pending text in its stored form.
    bool Collect(std::string& stored, const CharClasses& classes);

    std::string pending_;
    std::size_t position_ = 0;
    bool has_pending_ = false;
    bool lower_case_continues_ = false;
};

// Rewrites a stored sentence into its token form (steps of the division
// after reading): `out` is replaced, at most `capacity` bytes, and ends with
// sentence-final punctuation.
void RewriteSentence(std::string_view stored, std::string& out, const CharClasses& classes,
                     std::size_t capacity = SentenceSplitter::kCapacity);

}  // namespace tarvox
