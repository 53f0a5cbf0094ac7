#include "gfp/normalisation.h"

#include "base/config.h"
#include "base/profile.h"
#include "lexicon/char_classes.h"
#include "lexicon/dictionary.h"
#include "text/phrases.h"

namespace tarvox {

int Normalisation::PrepareNumbers(Profile& profile) { return numbers_.Read(profile); }
int Normalisation::PrepareAbbreviations(Profile& profile) { return abbreviations_.Read(profile); }
int Normalisation::PrepareTimes(Profile& profile) { return times_.Read(profile); }

int Normalisation::PrepareReading(Profile& profile) {
    if (context_.Read(profile) != 0) return -1;
    // Without the key every full stop before a blank may end a sentence.
    if (ReadGfpSwitch(profile, "mala_crka_nadaljuje_stavek", lower_case_continues_) != 0) return -1;
    if (bytes_.Read(profile) != 0) return -1;
    if (letter_names_.Read(profile) != 0) return -1;
    return code_points_.Read(profile);
}

void Normalisation::Release() {
    numbers_ = NumberTables{};
    abbreviations_ = AbbreviationTable{};
    times_ = TimeTables{};
    context_ = ContextTables{};
    bytes_ = ByteReadings{};
    letter_names_ = LetterNames{};
    code_points_ = CodePointReadings{};
    lower_case_continues_ = false;
    // Drops whatever the division still held of an earlier text.
    splitter_ = SentenceSplitter{};
}

TextSteps Normalisation::Steps() const {
    FilterSwitches filter;
    if (tables_.switches) {
        filter.podpiraj_ascii7 = tables_.switches->podpiraj_ascii7;
        filter.sumniki_z_narekovaji = tables_.switches->sumniki_z_narekovaji;
        filter.kovrat_filter = tables_.switches->kovrat_filter;
    }
    if (bytes_.Present()) filter.bytes = &bytes_;
    PhraseLookup phrases;
    if (const PhraseList* list = tables_.phrases)
        phrases = [list](std::string_view key) { return list->Lookup(key); };
    CapitalFormLookup capitals;
    if (const Dictionary* dictionary = tables_.dictionary)
        capitals = [dictionary](std::string_view word) { return dictionary->Lookup(word).has_value(); };
    const bool sms = tables_.switches && tables_.switches->sms_delovanje;
    return TextSteps{*tables_.classes,  times_, abbreviations_, numbers_, std::move(phrases),
                     std::move(capitals), filter, sms,           &context_, &letter_names_,
                     lower_case_continues_};
}

bool Normalisation::PrepareText(std::string_view in, std::string& out, std::string& scratch) const {
    return tarvox::PrepareText(in, Steps(), out, scratch);
}

int Normalisation::NextSentence(std::optional<std::string_view> text, std::string& sentence) {
    splitter_.SetLowerCaseContinues(lower_case_continues_);
    const int n = text ? splitter_.Next(*text, sentence, *tables_.classes)
                       : splitter_.Next(sentence, *tables_.classes);
    if (n <= 0) sentence.clear();
    return n;
}

void Normalisation::NormaliseSentence(std::string_view sentence, std::string& out) const {
    tarvox::NormaliseSentence(sentence, Steps(), out);
}

}  // namespace tarvox
