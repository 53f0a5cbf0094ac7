#include "gfp/gfp.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <new>

#include "base/config.h"
#include "base/diag.h"
#include "base/files.h"
#include "base/profile.h"
#include "text/text_alignment.h"

namespace tarvox {

TGfp::TGfp(std::string_view profile_path, Configuration& config)
    : config_(config), log_dir_(config.BaseDirectory()) {
    work_.reserve(kGfpTextSize + 1);
    second_.reserve(kGfpTextSize + 1);
    bool enciphered = false;
    if (HasExtension(profile_path, ".ins")) {
        enciphered = true;
    } else if (!HasExtension(profile_path, ".ini")) {
        const std::string path(profile_path);
        Trace("TFGP: Could not find " + path + ".ini" + " or " + path + ".ins" + " ! Aborting!");
        throw -1;
    }
    if (!init(profile_path, enciphered)) {
        Trace("TGFP: Constructor failed to create class!");
        throw -1;
    }
}

TGfp::~TGfp() = default;

void TGfp::ReleaseTables() {
    words_.reset();
    dictionary_.Release();
    normalisation_.Release();
    accents_ = AccentLists();
    rules_ = RuleList();
    cross_word_rules_ = RuleList();
    clitics_ = CliticLists();
    syllables_.Release();
    phrases_.Release();
    classes_ = CharClasses();
}

bool TGfp::init(std::string_view profile_path, bool enciphered) {
    profile_.reset();
    ReleaseTables();
    initialised_ = false;
    try {
        profile_ = std::make_unique<Profile>(profile_path, enciphered);
    } catch (const std::bad_alloc&) {
        Trace("TGFP: Profile can not be created!");
        return false;
    }
    if (!profile_->IsLoaded()) {
        Trace("TGFP: Profile could not be created properly!");
        return false;
    }
    try {
        if (!InitProfile()) {
            Trace("TGFP: Profile can not be read!");
            return false;
        }
        if (!InitDictionary()) return false;
        BindTables();
    } catch (const std::bad_alloc&) {
        Trace("TGFP: Profile can not be read!");
        return false;
    }
    initialised_ = true;
    return true;
}

bool TGfp::InitProfile() {
    if (!profile_ || !profile_->IsLoaded()) {
        ReportError("Napaka: init_gfp_profile (ini)");
        return false;
    }
    Profile& p = *profile_;
    // pripravi_simbole
    if (classes_.Read(p) != 0) return false;
    // pripravi_stevilke
    if (normalisation_.PrepareNumbers(p) != 0) return false;
    // pripravi_naglase
    if (accents_.Read(p) != 0) return false;
    // pripravi_pravila
    if (PrepareRules(p, classes_, cross_word_rules_, rules_) != 0) return false;
    // pripravi_naslonke
    clitics_.Read(p);
    // pripravi_zlogovanje
    if (syllables_.pripravi_zlogovanje(p, config_.StatDir(), classes_.ForcedSeparator()) != 0)
        return false;
    // pripravi_okrajsave
    if (normalisation_.PrepareAbbreviations(p) != 0) return false;
    // pripravi_ure
    if (normalisation_.PrepareTimes(p) != 0) return false;
    // Reading in context, the characters beyond the code page and the
    // acronyms' letter names (present only when the profile has their lists).
    if (normalisation_.PrepareReading(p) != 0) return false;
    // preberi_parametre: present values set the engine-wide switches.
    for (const char* key : {"kovrat_filter", "podpirajASCII7"}) {
        std::string value;
        if (p.GetString(key, value) >= 0) config_.ApplySwitch(key, value);
    }
    return true;
}

bool TGfp::InitDictionary() {
    if (!profile_ || !profile_->IsLoaded()) {
        ReportError("Napaka: init_gfp_dictionary (ini)");
        Trace("TGFP: Error reading dictionaries!");
        return false;
    }
    // pripravi_slovar: without dictionaries the converter still runs.
    if (dictionary_.Load(DictionarySettings::From(config_, *profile_)) != 0) {
        dictionary_.Release();
        Trace("Sintetizator zagnan brez slovarjev!");
    }
    // pripravi_zlozenke
    if (phrases_.Load(config_.DctDir()) != 0) {
        Trace("TGFP: Error reading dictionaries!");
        return false;
    }
    return true;
}

void TGfp::BindTables() {
    normalisation_.Bind(NormalisationTables{&classes_, &config_.switches(), &dictionary_, &phrases_});
    WordTables t;
    t.classes = &classes_;
    t.rules = &rules_;
    t.cross_word = &cross_word_rules_;
    t.accents = &accents_;
    t.clitics = &clitics_;
    t.syllables = &syllables_;
    t.dictionary = &dictionary_;
    words_ = std::make_unique<WordConverter>(t);
}

void TGfp::SetLogDirectory(std::string_view path) { log_dir_.assign(path); }

void TGfp::CreateLogFile() {
    // Only created (emptied); nothing in the engine writes to it.
    OpenFile(log_dir_ + kAvtoBesName, "wb");
}

int TGfp::Convert(const char* text, bool use_dictionary) {
    if (!initialised_ || !words_) return -1;
    try {
        return ConvertSentence(text, use_dictionary);
    } catch (const std::exception&) {
        // Out of memory inside a step: no sentence, the host goes on.
        return -1;
    }
}

int TGfp::ConvertSentence(const char* text, bool use_dictionary) {
    int length = 0;
    if (text != nullptr && text[0] != '\0') {
        std::size_t size = 0;
        while (size < kGfpTextSize && text[size] != '\0') ++size;
        text_fits_ = normalisation_.PrepareText(std::string_view(text, size), work_, second_);
        source_map_ = AlignRewritten(std::string_view(text, size), work_);
        input_consumed_ = 0;
        length = normalisation_.NextSentence(std::string_view(work_), second_);
    } else {
        length = normalisation_.NextSentence(std::nullopt, second_);
    }
    if (length < 1) return -1;
    if (!source_map_.empty())
        input_consumed_ = source_map_[std::min(normalisation_.SentencePosition(), source_map_.size() - 1)];

    normalisation_.NormaliseSentence(second_, work_);
    normalised_ = work_;
    words_->Convert(work_, use_dictionary, second_);
    std::swap(work_, second_);

    const std::size_t copied = std::min(work_.size(), output_.size() - 1);
    std::memcpy(output_.data(), work_.data(), copied);
    output_[copied] = '\0';
    return length;
}

::tarvox::Phonology TGfp::Phonology() const {
    return ::tarvox::Phonology{&classes_, &syllables_.inventory(), &syllables_};
}

}  // namespace tarvox
