#include "text/normaliser.h"

#include "text/sentence_splitter.h"
#include "text/units.h"

namespace tarvox {
namespace {

void Bounded(std::string& text) {
    if (text.size() > kTextBufferSize) text.resize(kTextBufferSize);
}

}  // namespace

void PrepareText(std::string_view text, const TextSteps& steps, std::string& out,
                 std::string& scratch) {
    FilterCharacters(text.substr(0, std::min(text.size(), kTextBufferSize)), scratch, steps.filter);
    Bounded(scratch);
    ExpandTimes(scratch, out, steps.times, steps.classes);
    Bounded(out);
    ExpandAbbreviations(out, steps.abbreviations, steps.classes);
    Bounded(out);
    SubstitutePhrases(out, steps.phrases, steps.classes);
    Bounded(out);
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
    CapitalsAndAcronyms(out, steps.classes, steps.capitals, steps.sms_delovanje);
}

std::string NormaliseSentence(std::string_view sentence, const TextSteps& steps) {
    std::string out;
    NormaliseSentence(sentence, steps, out);
    return out;
}

std::vector<std::string> NormaliseText(std::string_view text, const TextSteps& steps) {
    std::vector<std::string> sentences;
    SentenceSplitter splitter;
    const std::string prepared = PrepareText(text, steps);
    std::string sentence;
    for (int n = splitter.Next(prepared, sentence, steps.classes); n > 0;
         n = splitter.Next(sentence, steps.classes)) {
        sentences.push_back(NormaliseSentence(sentence, steps));
    }
    return sentences;
}

}  // namespace tarvox
