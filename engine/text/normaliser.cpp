#include "text/normaliser.h"

#include "text/sentence_splitter.h"
#include "text/units.h"

namespace tarvox {

std::string PrepareText(std::string_view text, const TextSteps& steps) {
    std::string work;
    std::string second;
    FilterCharacters(text.substr(0, kTextBufferSize), work, steps.filter);
    ExpandTimes(work, second, steps.times, steps.classes);
    work.swap(second);
    ExpandAbbreviations(work, steps.abbreviations, steps.classes);
    SubstitutePhrases(work, steps.phrases, steps.classes);
    return work;
}

std::string NormaliseSentence(std::string_view sentence, const TextSteps& steps) {
    std::string work = ". ";
    work += sentence.substr(0, kSentenceLimit);
    ExpandUnits(work, steps.classes);
    ExpandNumbers(work, steps.numbers, steps.classes);
    CapitalsAndAcronyms(work, steps.classes, steps.capitals, steps.sms_delovanje);
    return work;
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
