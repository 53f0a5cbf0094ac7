// TGfp: the grapheme-to-phoneme converter. It turns the 8-bit text of a
// request into phoneme strings, one sentence per call, and owns every table
// of the linguistic front end: the character classes, the accent, clitic and
// rule lists, the syllabification tables with the letter and phoneme
// inventories, the dictionaries and phrase lists, and (through the
// normalisation seam) the number, abbreviation and time tables.
//
// Construction reads the GFP profile (".ini" plain, ".ins" enciphered; any
// other ending, or a profile that cannot be read, throws an int after the
// failure is reported) and the dictionaries. Inside the converter all text
// is in the internal letter code ("~" for c with caron, "{" for s with
// caron, the grave accent for z with caron).
//
// Per call (Convert): a new text (first 10240 bytes) goes through the
// character filter, time expressions, abbreviations and phrase substitution
// and starts the sentence division; then the next sentence, as ". " and at
// most its first 850 bytes, goes through units, numbers, capitalisation and
// word conversion, and the phoneme string lands in the output buffer.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/stages.h"
#include "gfp/accent.h"
#include "gfp/normalisation.h"
#include "gfp/rules.h"
#include "gfp/word_conversion.h"
#include "lexicon/char_classes.h"
#include "lexicon/dictionary.h"
#include "lexicon/phonology.h"
#include "lexicon/syllables.h"

namespace tarvox {

class Configuration;
class Profile;

inline constexpr std::size_t kGfpTextSize = 10240;     // whole-text buffers, bytes
inline constexpr std::size_t kGfpSentenceCut = 850;    // sentence bytes taken per call
inline constexpr char kAvtoBesName[] = "avto.bes";

class TGfp final : public IConverter {
public:
    // Reads the profile at `profile_path` and the dictionaries named by
    // `config` (dct_dir, stat_dir, switches). The configuration must outlive
    // the converter: the converter sets its kovrat_filter and podpirajASCII7
    // switches from the profile and reads the switches on every call.
    // Throws an int when the profile cannot be used.
    TGfp(std::string_view profile_path, Configuration& config);
    ~TGfp() override;

    TGfp(const TGfp&) = delete;
    TGfp& operator=(const TGfp&) = delete;

    // Re-initialisation: frees everything, reads the profile again and the
    // dictionaries. True when every table was read.
    bool init(std::string_view profile_path, bool enciphered);
    bool Initialised() const { return initialised_; }

    // IConverter.
    void SetLogDirectory(std::string_view path) override;
    void CreateLogFile() override;
    int Convert(const char* text, bool use_dictionary) override;
    std::span<char> OutputBuffer() override { return output_; }
    std::size_t InputConsumed() const override { return input_consumed_; }
    bool TextFits() const override { return text_fits_; }

    // The phoneme string of the last converted sentence.
    const char* Output() const { return output_.data(); }
    // The last sentence as it reached word conversion (after units, numbers
    // and capitals), in the internal letter code.
    std::string_view NormalisedSentence() const override { return normalised_; }
    const std::string& LogDirectory() const { return log_dir_; }

    // Character classes for the other stages.
    const CharClasses& Classes() const { return classes_; }
    bool InClass(unsigned char c, int cls) const { return classes_.In(c, cls); }
    bool IsLetter(unsigned char c) const { return classes_.IsLetter(c); }
    bool IsPunctuation(unsigned char c) const { return classes_.IsPunctuation(c); }
    bool IsKnown(unsigned char c) const { return classes_.IsKnown(c); }
    char ToLower(char c) const { return classes_.ToLower(c); }
    char ToUpper(char c) const { return classes_.ToUpper(c); }

    // The tables the prosody stages share: classes, inventories, syllables.
    ::tarvox::Phonology Phonology() const;

    // The tables, for tests and tools.
    const RuleList& Rules() const { return rules_; }
    const RuleList& CrossWordRules() const { return cross_word_rules_; }
    const AccentLists& Accents() const { return accents_; }
    const CliticLists& Clitics() const { return clitics_; }
    const Syllabifier& Syllables() const { return syllables_; }
    const Dictionary& Dictionaries() const { return dictionary_; }
    const PhraseList& Phrases() const { return phrases_; }
    // What the voice reads for characters beyond Windows-1250: the request
    // path converts a request's text with Utf16ToEngineText or
    // Utf8ToEngineText (text/codepage.h) and these readings.
    const CodePointReadings& CodePoints() const { return normalisation_.CodePoints(); }

private:
    bool InitProfile();     // init_gfp_profile
    bool InitDictionary();  // init_gfp_dictionary
    int ConvertSentence(const char* text, bool use_dictionary);
    void ReleaseTables();
    void BindTables();

    Configuration& config_;
    std::string normalised_;
    std::string work_;     // the text, then the sentence, then its phonemes
    std::string second_;   // output of each rewriting step; the next sentence
    // For every byte of the rewritten text, where it came from in the text
    // as given; how far the sentences converted so far reach in it.
    std::vector<std::size_t> source_map_;
    std::size_t input_consumed_ = 0;
    bool text_fits_ = true;
    AccentLists accents_;
    Syllabifier syllables_;
    CliticLists clitics_;
    RuleList cross_word_rules_;  // pravila_slovar
    RuleList rules_;             // pravila
    CharClasses classes_;
    Dictionary dictionary_;
    PhraseList phrases_;
    Normalisation normalisation_;
    std::string log_dir_;
    bool initialised_ = false;
    std::unique_ptr<Profile> profile_;
    std::unique_ptr<WordConverter> words_;
    std::array<char, kTranscriptionSize> output_{};
};

}  // namespace tarvox
