#include "gfp/normalisation.h"

#include "base/config.h"
#include "lexicon/char_classes.h"
#include "lexicon/dictionary.h"
#include "text/capitals.h"
#include "text/character_filter.h"
#include "text/phrases.h"
#include "text/sentence_splitter.h"
#include "text/units.h"

namespace tarvox {
namespace {

void Bounded(std::string& text, std::size_t limit) {
    if (text.size() > limit) text.resize(limit);
}

}  // namespace

int Normalisation::PrepareNumbers(Profile& profile) { return numbers_.Read(profile); }
int Normalisation::PrepareAbbreviations(Profile& profile) { return abbreviations_.Read(profile); }
int Normalisation::PrepareTimes(Profile& profile) { return times_.Read(profile); }

void Normalisation::Release() {
    numbers_ = NumberTables{};
    abbreviations_ = AbbreviationTable{};
    times_ = TimeTables{};
    // Drops whatever the splitter still held of an earlier text.
    ProcessSentenceSplitter() = SentenceSplitter{};
}

void Normalisation::FilterCharacters(std::string_view in, std::string& out) const {
    FilterSwitches switches;
    if (tables_.switches) {
        switches.podpiraj_ascii7 = tables_.switches->podpiraj_ascii7;
        switches.sumniki_z_narekovaji = tables_.switches->sumniki_z_narekovaji;
        switches.kovrat_filter = tables_.switches->kovrat_filter;
    }
    tarvox::FilterCharacters(in.substr(0, kWholeTextSize), out, switches);
    Bounded(out, kWholeTextSize);
}

void Normalisation::ExpandTimes(std::string_view in, std::string& out) const {
    tarvox::ExpandTimes(in, out, times_, *tables_.classes);
    Bounded(out, kWholeTextSize);
}

void Normalisation::ExpandAbbreviations(std::string_view in, std::string& out) const {
    out.assign(in);
    tarvox::ExpandAbbreviations(out, abbreviations_, *tables_.classes);
    Bounded(out, kWholeTextSize);
}

void Normalisation::SubstitutePhrases(std::string_view in, std::string& out) const {
    out.assign(in);
    const PhraseList* phrases = tables_.phrases;
    PhraseLookup lookup;
    if (phrases) lookup = [phrases](std::string_view key) { return phrases->Lookup(key); };
    tarvox::SubstitutePhrases(out, lookup, *tables_.classes);
    Bounded(out, kWholeTextSize);
}

int Normalisation::NextSentence(std::optional<std::string_view> text, std::string& sentence) {
    SentenceSplitter& splitter = ProcessSentenceSplitter();
    const int n = text ? splitter.Next(*text, sentence, *tables_.classes)
                       : splitter.Next(sentence, *tables_.classes);
    if (n <= 0) sentence.clear();
    return n;
}

std::size_t Normalisation::SentencePosition() const { return ProcessSentenceSplitter().Position(); }

void Normalisation::ExpandUnits(std::string_view in, std::string& out) const {
    out.assign(in);
    tarvox::ExpandUnits(out, *tables_.classes);
}

int Normalisation::ExpandNumbers(std::string_view in, std::string& out) const {
    out.assign(in);
    const int result = tarvox::ExpandNumbers(out, numbers_, *tables_.classes);
    if (result < 0) out.assign(in);
    return result < 0 ? -1 : 0;
}

void Normalisation::Capitalise(std::string_view in, std::string& out) const {
    out.assign(in);
    const Dictionary* dictionary = tables_.dictionary;
    CapitalFormLookup is_entry;
    if (dictionary)
        is_entry = [dictionary](std::string_view word) { return dictionary->Lookup(word).has_value(); };
    const bool sms = tables_.switches && tables_.switches->sms_delovanje;
    CapitalsAndAcronyms(out, *tables_.classes, is_entry, sms);
}

}  // namespace tarvox
