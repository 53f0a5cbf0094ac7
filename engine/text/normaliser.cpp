#include "text/normaliser.h"

#include "text/sentence_splitter.h"
#include "text/units.h"

namespace tarvox {
namespace {

// A step whose output comes this close to its limit may have dropped its
// tail or left an expansion out (the longest expansion is shorter).
constexpr std::size_t kNearLimit = 256;

// Cuts `text` to `limit`; false when it was that long or close to it.
bool Bounded(std::string& text, std::size_t limit = kTextBufferSize) {
    const bool fits = text.size() + kNearLimit < limit;
    if (text.size() > limit) text.resize(limit);
    return fits;
}

}  // namespace

bool PrepareText(std::string_view text, const TextSteps& steps, std::string& out,
                 std::string& scratch) {
    bool fits = text.size() <= kTextBufferSize;
    FilterCharacters(text.substr(0, std::min(text.size(), kTextBufferSize)), scratch, steps.filter);
    fits = Bounded(scratch) && fits;
    ExpandTimes(scratch, out, steps.times, steps.classes);
    fits = Bounded(out) && fits;
    std::size_t limit = kTextBufferSize;
    if (steps.context && steps.context->Enabled()) {
        ReadInContext(out, scratch, *steps.context, steps.numbers, steps.classes, &steps.abbreviations);
        out.swap(scratch);
        limit = kTextBufferSize * kReadTextFactor;
        fits = Bounded(out, limit) && fits;
    }
    ExpandAbbreviations(out, steps.abbreviations, steps.classes, limit);
    fits = Bounded(out, limit) && fits;
    SubstitutePhrases(out, steps.phrases, steps.classes, limit);
    fits = Bounded(out, limit) && fits;
    return fits;
}

std::string PrepareText(std::string_view text, const TextSteps& steps) {
    std::string out;
    std::string scratch;
    PrepareText(text, steps, out, scratch);
    return out;
}

void NormaliseSentence(std::string_view sentence, const TextSteps& steps, std::string& out) {
    out.assign(". ");
    out.append(sentence.substr(0, std::min(sentence.size(), kSentenceLimit)));
    ExpandUnits(out, steps.classes);
    // On failure the numbers stay as written (the sentence is not changed).
    ExpandNumbers(out, steps.numbers, steps.classes);
    CapitalsAndAcronyms(out, steps.classes, steps.capitals, steps.sms_delovanje, steps.letter_names);
}

std::string NormaliseSentence(std::string_view sentence, const TextSteps& steps) {
    std::string out;
    NormaliseSentence(sentence, steps, out);
    return out;
}

std::vector<std::string> NormaliseText(std::string_view text, const TextSteps& steps) {
    std::vector<std::string> sentences;
    SentenceSplitter splitter;
    splitter.SetLowerCaseContinues(steps.lower_case_continues);
    const std::string prepared = PrepareText(text, steps);
    std::string sentence;
    for (int n = splitter.Next(prepared, sentence, steps.classes); n > 0;
         n = splitter.Next(sentence, steps.classes)) {
        sentences.push_back(NormaliseSentence(sentence, steps));
    }
    return sentences;
}

}  // namespace tarvox
