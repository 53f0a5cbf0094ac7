#include "gfp/word_conversion.h"

#include <algorithm>

#include "gfp/accent.h"
#include "gfp/rules.h"
#include "lexicon/char_classes.h"
#include "lexicon/dictionary.h"

namespace tarvox {
namespace {

constexpr std::size_t kNone = std::string::npos;

bool IsWhite(char c) { return c == ' ' || c == '\r' || c == '\n' || c == '\t'; }

void TrimTrailingWhite(std::string& s) {
    while (!s.empty() && IsWhite(s.back())) s.pop_back();
}

// The key of a dictionary run: its tokens joined by single blanks, the first
// token cut to the token limit.
void RunKey(std::string_view text, std::size_t tokens, std::string& key) {
    key.clear();
    std::size_t i = 0;
    for (std::size_t n = 0; n < tokens && i < text.size(); ++n) {
        while (i < text.size() && text[i] == ' ') ++i;
        std::size_t end = std::min(text.find(' ', i), text.size());
        if (n == 0) end = std::min(end, i + kTokenLimit);
        if (n > 0) key.push_back(' ');
        key.append(text.substr(i, end - i));
        i = end;
    }
}

// Cuts an over-long phoneme string back to its last complete word within the
// limit; the blank after that word stays.
void CutToLimit(std::string& out) {
    if (out.size() <= kPhonemeStringLimit) return;
    const std::size_t blank = out.rfind(' ', kPhonemeStringLimit - 1);
    out.resize(blank == kNone ? kPhonemeStringLimit : blank + 1);
}

}  // namespace

void WordConverter::AccentInto(std::string_view token, std::string& accented) {
    const CharClasses& classes = *t_.classes;
    // A word whose stress the normalisation marked (an acronym spelled as
    // one word, "esde/Es") keeps it.
    if (token.size() > 1 && token.find('/') != kNone) {
        accented.assign(1, ' ');
        accented.append(token);
        accented.push_back(' ');
        return;
    }
    if (t_.syllables) t_.syllables->AnalizaBesede(token, analysis_);
    int stressed = t_.accents ? t_.accents->StressByLists(token, classes) : 0;
    if (stressed != 0) {
        analysis_.stressed = stressed;
    } else {
        stressed = t_.syllables ? t_.syllables->ChooseStress(analysis_) : 1;
    }
    accented = MarkStress(token, stressed, classes);
    if (!t_.syllables) return;
    if (accented.find("/e") != kNone)
        t_.syllables->DecideQuality(analysis_, 'e', accented);
    else if (accented.find("/o") != kNone)
        t_.syllables->DecideQuality(analysis_, 'o', accented);
}

std::string WordConverter::Accent(std::string_view token) {
    std::string accented;
    AccentInto(token, accented);
    return accented;
}

void WordConverter::TranscribeInto(std::string_view accented, std::string& phonemes) const {
    phonemes.clear();
    if (accented.size() < 2 || accented[1] == ' ' || !t_.rules) return;
    std::size_t i = 1;
    while (i < accented.size() && accented[i] != ' ' && accented[i] != '\0') {
        std::size_t next = i;
        const auto output = t_.rules->Match(accented, next);
        if (!output) {
            phonemes.push_back(accented[i]);
            ++i;
            continue;
        }
        if (phonemes.size() >= kTokenOutputLimit) break;
        // A rule that neither consumes nor produces would match here forever.
        if (next == i && output->empty()) break;
        phonemes.append(*output);
        i = next;
    }
}

std::string WordConverter::Transcribe(std::string_view accented) const {
    std::string phonemes;
    TranscribeInto(accented, phonemes);
    return phonemes;
}

std::string WordConverter::Convert(std::string_view sentence, bool use_dictionary) {
    std::string out;
    Convert(sentence, use_dictionary, out);
    return out;
}

void WordConverter::Convert(std::string_view text, bool use_dictionary, std::string& out) {
    const CharClasses& classes = *t_.classes;
    out.clear();
    bool first_word = true;
    bool previous_from_dictionary = false;
    std::size_t previous_last = kNone;  // last output character of that word

    std::size_t pos = 0;
    while (pos < text.size() && text[pos] == ' ') ++pos;
    while (pos < text.size()) {
        const std::size_t token_end = std::min(text.find(' ', pos), text.size());
        const std::size_t token_length = std::min(token_end - pos, kTokenLimit);

        std::optional<DictionaryRun> run;
        if (use_dictionary && t_.dictionary) run = t_.dictionary->LookupRun(text.substr(pos));

        bool from_dictionary = false;
        std::size_t last = kNone;
        int clitic = 0;
        if (run && run->consumed > 0) {
            RunKey(text.substr(pos), run->tokens, key_);
            pos += run->consumed;
            clitic = t_.clitics ? t_.clitics->ClassOf(key_) : 0;
            if (clitic & kCliticLeansBack) TrimTrailingWhite(out);
            out.append(run->pronunciation);
            if (!run->pronunciation.empty()) last = out.size() - 1;
            from_dictionary = true;
        } else {
            const std::string_view token = text.substr(pos, token_length);
            pos += token_length;
            filtered_.clear();
            for (const char c : token) {
                const auto u = static_cast<unsigned char>(c);
                if (classes.IsLetter(u) || classes.IsPunctuation(u)) filtered_.push_back(c);
            }
            AccentInto(filtered_, accented_);
            accented_.append(text.substr(pos, kRightContextBytes));
            TranscribeInto(accented_, phonemes_);
            clitic = t_.clitics ? t_.clitics->ClassOf(filtered_) : 0;
            if (clitic & kCliticLeansBack) TrimTrailingWhite(out);
            out.append(phonemes_);
        }

        // The cross-word rules may change the last phoneme of the previous
        // dictionary word, seeing the separator and this word after it.
        if (previous_from_dictionary && previous_last < out.size() && t_.cross_word) {
            std::string joint;
            joint.reserve(out.size() - previous_last + 2);
            joint.push_back(' ');
            joint.append(out, previous_last);
            joint.push_back(' ');
            std::size_t at = 2;
            const auto output = t_.cross_word->Match(joint, at);
            if (output && !output->empty()) out[previous_last] = output->front();
        }

        if (clitic == 0) {
            out.push_back(' ');
        } else if (clitic == 3 && t_.clitics->GlueOnce() && !first_word) {
            out.push_back(' ');
        }

        previous_from_dictionary = from_dictionary;
        if (from_dictionary) previous_last = last;
        first_word = false;
        while (pos < text.size() && text[pos] == ' ') ++pos;

        if (out.size() > kPhonemeStringLimit) {
            CutToLimit(out);
            break;
        }
    }
}

}  // namespace tarvox
