#include "commands.h"

#include <CLI/CLI.hpp>

#include <array>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>

#include "base/config.h"
#include "base/diag.h"
#include "base/files.h"
#include "base/profile.h"
#include "evaluation.h"
#include "forms.h"
#include "gfp/accent.h"
#include "gfp/gfp.h"
#include "lexicon.h"
#include "lexicon/char_classes.h"
#include "lexicon/syllables.h"
#include "readings.h"
#include "stats.h"

namespace ld = tarvox::langdata;

namespace {

bool ReadLexiconFile(const std::string& path, std::vector<ld::LexiconEntry>& out) {
    const auto bytes = tarvox::ReadWholeFile(path);
    if (!bytes) {
        std::cerr << "cannot read " << path << "\n";
        return false;
    }
    ld::LexiconReport report;
    out = ld::ReadLexicon(std::string_view(bytes->data(), bytes->size()), report);
    for (const std::string& p : report.problems) std::cerr << "skipped: " << p << "\n";
    return true;
}

bool WriteFile(const std::string& path, const std::string& text) {
    std::ofstream f(path, std::ios::binary);
    f.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (!f) std::cerr << "cannot write " << path << "\n";
    return static_cast<bool>(f);
}

// The phonemes of one word as the converter writes it: the sentence's
// phonetic words without the punctuation marks, cut into inventory names.
ld::Phonemes WordPhonemes(std::string_view output) {
    std::string joined;
    std::size_t i = 0;
    while (i < output.size()) {
        std::size_t blank = output.find(' ', i);
        if (blank == std::string_view::npos) blank = output.size();
        std::string_view token = output.substr(i, blank - i);
        i = blank + 1;
        while (!token.empty() && std::string_view(".,!?;-/$").find(token.front()) != std::string_view::npos)
            token.remove_prefix(1);
        while (!token.empty() && std::string_view(".,!?;-/$").find(token.back()) != std::string_view::npos)
            token.remove_suffix(1);
        joined += token;
    }
    return ld::SplitNames(joined, ld::VoiceInventory());
}

// Cross-validation inside the training part: fold k (0 to 3) holds the
// training words whose hash, shifted past the held-out bits, is k modulo 4.
bool InFold(const ld::LexiconEntry& e, int fold) {
    std::string lower = e.key;
    return fold >= 0 && (ld::Fnv1a(lower) >> 3) % 4 == static_cast<std::uint32_t>(fold);
}

std::vector<ld::LexiconEntry> Fold(const std::vector<ld::LexiconEntry>& entries, int fold,
                                   bool inside) {
    std::vector<ld::LexiconEntry> out;
    for (const auto& e : entries)
        if (InFold(e, fold) == inside) out.push_back(e);
    return out;
}

int WriteDictionary(const std::string& lexicon, const std::string& out) {
    std::vector<ld::LexiconEntry> entries;
    if (!ReadLexiconFile(lexicon, entries)) return 1;
    const auto training = ld::OnePerWord(ld::Select(entries, ld::Part::kTraining));
    if (!WriteFile(out, ld::DictionaryText(training))) return 1;
    std::cout << training.size() << " words written to " << out << "\n";
    return 0;
}

int WriteStats(const std::string& lexicon, const std::string& profile_path, const std::string& dir,
          int fold, const ld::TableOptions& options) {
    std::vector<ld::LexiconEntry> entries;
    if (!ReadLexiconFile(lexicon, entries)) return 1;
    tarvox::Profile profile(profile_path, false);
    tarvox::Syllabifier syllabifier;
    if (!profile.IsLoaded() || syllabifier.inventory().Read(profile) != 0) {
        std::cerr << "cannot read the inventories of " << profile_path << "\n";
        return 1;
    }
    // The tables serve only the words that the accent lists leave open.
    tarvox::CharClasses classes;
    tarvox::AccentLists accents;
    if (classes.Read(profile) != 0 || accents.Read(profile) != 0) {
        std::cerr << "cannot read the character classes and accent lists of " << profile_path
                  << "\n";
        return 1;
    }
    ld::CountOptions count;
    count.decided_by_lists = [&](std::string_view key) {
        return accents.StressByLists(key, classes) != 0;
    };
    const auto training = Fold(ld::OnePerWord(ld::Select(entries, ld::Part::kTraining)), fold, false);
    const ld::SyllableStatistics st = ld::CountSyllables(training, syllabifier, count);
    for (const auto& [name, text] : ld::TableFiles(st, options))
        if (!WriteFile(dir + "/" + name, text)) return 1;
    std::cout << st.used << " words counted, " << st.skipped << " skipped; "
              << "najverjetnejsi_zlogi by the lexicon: " << ld::MostLikelySyllables(st) << "\n";
    return 0;
}

int EvaluateWords(const std::string& voice, const std::string& lexicon, const std::string& part,
             int show, bool letter_code, bool use_dictionary) {
    std::vector<ld::LexiconEntry> entries;
    if (!ReadLexiconFile(lexicon, entries)) return 1;
    // Every pronunciation of a word counts: the converter's is scored
    // against the one it comes closest to.
    auto lines = ld::Select(entries, part == "held-out" ? ld::Part::kHeldOut : ld::Part::kTraining);
    if (part != "held-out" && part != "training") lines = Fold(lines, part.back() - '0', true);
    const auto words = ld::OnePerWord(lines);
    tarvox::Configuration config;
    config.SetBaseDirectory(voice);
    if (config.ProcessSintIni() != 0) {
        std::cerr << "cannot read sint.ini in " << voice << "\n";
        return 1;
    }
    try {
        // The converter holds large buffers: it lives on the heap.
        const auto converter = std::make_unique<tarvox::TGfp>(config.IniGfp(), config);
        tarvox::TGfp& gfp = *converter;
        // Words in the letter code pass the character filter as written.
        if (letter_code) config.switches().podpiraj_ascii7 = true;
        ld::Scores scores;
        int shown = 0;
        for (const ld::LexiconEntry& e : words) {
            std::string lower = e.key;
            for (char& c : lower) {
                if (c >= 'A' && c <= 'Z') c = static_cast<char>(c | 0x20);
                if (c == '^') c = '~';
                if (c == '[') c = '{';
                if (c == '@') c = '`';
            }
            const std::string text = letter_code ? lower : ld::ToWindows1250(lower);
            ld::Phonemes hyp;
            if (gfp.Convert(text.c_str(), use_dictionary) >= 0) hyp = WordPhonemes(gfp.Output());
            ld::WordScore s;
            bool first = true;
            for (const ld::LexiconEntry& variant : lines) {
                if (variant.key != e.key) continue;
                // The lexicon writes "t s" across a morpheme boundary as two
                // segments; read as the converter's string, they are one name.
                const ld::Phonemes ref =
                    ld::SplitNames(ld::Join(variant.phonemes), ld::VoiceInventory());
                const ld::WordScore v = ld::ScoreWord(ref, hyp);
                if (first || v.all_right > s.all_right ||
                    (v.all_right == s.all_right && v.quality_right > s.quality_right) ||
                    (v.all_right == s.all_right && v.quality_right == s.quality_right && v.edits < s.edits))
                    s = v;
                first = false;
            }
            scores.Add(s);
            if (!s.all_right && shown < show) {
                ++shown;
                std::cout << e.word << "\t" << ld::Join(e.phonemes) << "\t" << ld::Join(hyp)
                          << (s.sounds_right ? "\tstress" : "\tsounds") << "\n";
            }
        }
        std::printf("%zu %s words: %.1f %% with every sound right (%.1f %% with the quality of a "
                    "stressed e or o counted as a sound), phoneme error rate %.2f %%, "
                    "%.1f %% with sounds, stress and stressed-vowel quality right, %.1f %% with the "
                    "stress on the right syllable\n",
                    scores.words, part.c_str(), 100.0 * scores.SoundsRate(), 100.0 * scores.QualityRate(),
                    100.0 * scores.PhonemeErrorRate(), 100.0 * scores.AllRightRate(),
                    100.0 * scores.StressRate());
    } catch (int) {
        std::cerr << "the converter could not be created: " << tarvox::LastError() << "\n";
        return 1;
    }
    return 0;
}

// The dictionary of the training words' inflected forms and of the
// morphology's word lists: each form (paradigms files of nouns and
// adjectives and of verbs: "lemma<TAB>form form ...") that belongs to one
// lemma of the training words and is not a lexicon word itself, read by the
// voice's rules with the lemma's stress carried over; and the words of the
// three lists (one word a line) read by the rules with a full final e, a
// final [l], or the stress on the e of an l-participle's -el.
int WriteForms(const std::string& voice, const std::string& lexicon, const std::string& paradigms,
               const std::string& verb_paradigms, const std::string& full_e_list,
               const std::string& final_l_list, const std::string& participle_e_list,
               const std::string& out) {
    std::vector<ld::LexiconEntry> entries;
    if (!ReadLexiconFile(lexicon, entries)) return 1;
    // The training words are in the lexicon's dictionary; a held-out word
    // may get an entry from its training lemma, so the held-out words
    // measure the carried forms too.
    std::map<std::string, ld::Lemma> lemmas;
    std::set<std::string> known;
    for (const auto& e : ld::OnePerWord(ld::Select(entries, ld::Part::kTraining))) {
        lemmas[e.key] = ld::Lemma{e.phonemes, e.ipa.find("\xCB\x90") != std::string::npos};
        known.insert(e.key);
    }
    std::string paradigm_text, verb_text, full_e_text, final_l_text, participle_e_text;
    for (auto [path, text] : {std::pair{&paradigms, &paradigm_text}, std::pair{&verb_paradigms, &verb_text},
                              std::pair{&full_e_list, &full_e_text}, std::pair{&final_l_list, &final_l_text},
                              std::pair{&participle_e_list, &participle_e_text}}) {
        if (path->empty()) continue;
        const auto bytes = tarvox::ReadWholeFile(*path);
        if (!bytes) {
            std::cerr << "cannot read " << *path << "\n";
            return 1;
        }
        text->assign(bytes->data(), bytes->size());
    }
    ld::ParadigmForms forms = ld::ReadParadigms(paradigm_text);
    // A verb's forms are kept apart from those of nouns and adjectives: a
    // form of both (or of two lemmas) is left to the rules.
    for (auto& [form, of] : ld::ReadParadigms(verb_text)) {
        for (const std::string& verb : of)
            if (const auto lemma = lemmas.find(verb); lemma != lemmas.end()) lemma->second.verb = true;
        forms[form].insert(of.begin(), of.end());
    }
    tarvox::Configuration config;
    config.SetBaseDirectory(voice);
    if (config.ProcessSintIni() != 0) {
        std::cerr << "cannot read sint.ini in " << voice << "\n";
        return 1;
    }
    std::map<std::string, std::string> written;
    std::map<ld::CarryResult, std::size_t> results;
    std::size_t not_training = 0, ambiguous = 0, listed = 0, checked = 0, checked_right = 0;
    try {
        const auto converter = std::make_unique<tarvox::TGfp>(config.IniGfp(), config);
        auto rules = [&](const std::string& key) {
            const std::string input = ld::ToWindows1250(key);
            return converter->Convert(input.c_str(), false) >= 0 ? WordPhonemes(converter->Output())
                                                                : ld::Phonemes{};
        };
        for (const auto& [form, of] : forms) {
            if (known.contains(form)) {
                // A form that is itself a training word checks the carrying.
                const auto self = lemmas.find(form);
                if (of.size() != 1 || of.contains(form)) continue;
                const auto lemma = lemmas.find(*of.begin());
                if (lemma == lemmas.end()) continue;
                ld::CarryResult why{};
                if (const auto p = ld::CarryStress(lemma->second, rules(form), why)) {
                    ++checked;
                    checked_right += ld::ScoreWord(self->second.phonemes, *p).all_right;
                }
                continue;
            }
            if (of.size() != 1) {
                ++ambiguous;
                continue;
            }
            const auto lemma = lemmas.find(*of.begin());
            if (lemma == lemmas.end()) {
                ++not_training;
                continue;
            }
            const bool verb = lemma->second.verb;
            // A verb's form that does not keep the infinitive's stem (the
            // infinitive without its last three letters) is irregular
            // (glédati, glêj; dédovati, dedúje): left to the rules.
            std::string_view stem = lemma->first;
            stem.remove_suffix(std::min<std::size_t>(3, stem.size()));
            if (verb && !form.starts_with(stem)) {
                ++results[ld::CarryResult::kStemDiffers];
                continue;
            }
            ld::CarryResult why{};
            auto p = ld::CarryStress(lemma->second, rules(form), why);
            ++results[why];
            // The l-participle of a verb in -eti keeps a full e (vídel), where
            // the rules read the -el of nouns as a schwa.
            if (p && verb && form.ends_with("el"))
                if (auto full = ld::ApplyListFix(*p, ld::ListFix::kFullE)) p = std::move(full);
            if (p) written[form] = ld::Join(*p);
        }
        for (const auto& [text, fix] : {std::pair{&full_e_text, ld::ListFix::kFullE},
                                        std::pair{&final_l_text, ld::ListFix::kFinalL},
                                        std::pair{&participle_e_text, ld::ListFix::kStressedParticipleE}}) {
            for (const std::string& key : ld::ReadWordList(*text)) {
                if (known.contains(key)) continue;
                // A noun of both lists (model) takes both corrections.
                const auto before = written.find(key);
                const ld::Phonemes reading = before != written.end()
                                                 ? ld::SplitNames(before->second, ld::VoiceInventory())
                                                 : rules(key);
                if (const auto p = ld::ApplyListFix(reading, fix)) {
                    listed += before == written.end();
                    written[key] = ld::Join(*p);
                }
            }
        }
    } catch (int) {
        std::cerr << "the converter could not be created: " << tarvox::LastError() << "\n";
        return 1;
    }
    std::string text;
    for (const auto& [key, phonemes] : written) text += key + "\t" + phonemes + "\r\n";
    if (!WriteFile(out, text)) return 1;
    static constexpr const char* kWhy[] = {"carried", "one-syllable lemma", "stressed ending",
                                           "short final e/o", "no single stress", "stem differs",
                                           "verb stressed on its theme vowel"};
    std::cout << forms.size() << " forms: " << ambiguous << " of several lemmas, " << not_training
              << " of lemmas outside the training words";
    for (const auto& [why, n] : results) std::cout << ", " << n << " " << kWhy[static_cast<int>(why)];
    std::cout << "; " << listed << " nouns of the word lists; " << written.size() << " entries written to "
              << out << "\n";
    if (checked)
        std::printf("carried forms that are training words: %zu, %.1f %% as the lexicon has them\n", checked,
                    100.0 * static_cast<double>(checked_right) / static_cast<double>(checked));
    return 0;
}

// The ending table and exception list of the word forms' readings, from
// listings of an analyser's paths.
int WriteReadings(const std::vector<std::string>& listings, const std::string& lemma_file,
                  const std::string& out) {
    std::string text;
    for (const std::string& path : listings) {
        const auto bytes = tarvox::ReadWholeFile(path);
        if (!bytes) {
            std::cerr << "cannot read " << path << "\n";
            return 1;
        }
        text.append(bytes->data(), bytes->size());
        text.push_back('\n');
    }
    std::set<std::string> lemmas;
    std::vector<std::pair<std::string, std::string>> extra;
    if (!lemma_file.empty()) {
        const auto bytes = tarvox::ReadWholeFile(lemma_file);
        if (!bytes) {
            std::cerr << "cannot read " << lemma_file << "\n";
            return 1;
        }
        std::istringstream in(std::string(bytes->data(), bytes->size()));
        std::string line;
        while (std::getline(in, line)) {
            while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
            if (line.empty() || line[0] == '#') continue;
            // "form<TAB>codes": a word the analyser lacks, in the letter code.
            const std::size_t tab = line.find('\t');
            if (tab != std::string::npos) extra.push_back({line.substr(0, tab), line.substr(tab + 1)});
            else lemmas.insert(line);
        }
    }
    std::size_t skipped = 0;
    const auto forms = ld::ReadParadigmListing(text, skipped);
    const ld::ReadingTables tables = ld::BuildReadingTables(forms, lemmas, ld::EndingOptions{}, extra);
    if (!WriteFile(out, ld::ProfileLists(tables))) return 1;
    std::cout << forms.size() << " forms (" << skipped << " lines skipped): " << tables.endings.size()
              << " endings, " << tables.exceptions.size() << " exceptions written to " << out << "\n";
    return 0;
}

// The values of the command line, kept alive by the subcommands' callbacks.
struct Options {
    std::string lexicon, out, profile, dir, voice, part = "held-out", lemmas, listing, full_e, final_l, verbs,
        participle_e;
    std::vector<std::string> listings;
    int show = 0;
    int fold = -1;
    bool letter_code = false;
    bool no_dictionary = false;
    ld::TableOptions table;
};

constexpr std::array<std::string_view, 5> kCommands = {"dictionary", "stats", "evaluate", "readings", "forms"};

}  // namespace

namespace tarvox::langdata {

bool IsLangdataCommand(std::string_view word) {
    for (const std::string_view c : kCommands)
        if (word == c) return true;
    return false;
}

void AddLangdataCommands(CLI::App& app, int& status) {
    const auto o = std::make_shared<Options>();
    CLI::App* d = app.add_subcommand("dictionary", "derive a dictionary from a lexicon (without held-out words)");
    d->add_option("lexicon", o->lexicon, "lexicon (word<TAB>IPA)")->required();
    d->add_option("out", o->out, "dictionary file to write")->required();
    d->callback([o, &status] { status = WriteDictionary(o->lexicon, o->out); });

    CLI::App* s = app.add_subcommand("stats", "derive the six syllable statistics tables from a lexicon");
    s->add_option("lexicon", o->lexicon, "lexicon (word<TAB>IPA)")->required();
    s->add_option("profile", o->profile, "converter profile (letter inventory, accent lists)")->required();
    s->add_option("dir", o->dir, "directory to write the tables to")->required();
    s->add_option("--leave-out", o->fold, "leave cross-validation fold 0 to 3 out of the tables");
    // Chosen by four-fold cross-validation inside the training words: the
    // whole-word patterns help only where five words or more agree, and
    // the e/o patterns only where twenty do.
    o->table.min_stress_words = 5;
    o->table.min_quality_words = 20;
    s->add_option("--min-stress-words", o->table.min_stress_words,
                  "leave out stress patterns seen in fewer words")->capture_default_str();
    s->add_option("--min-quality-words", o->table.min_quality_words,
                  "leave out e/o quality patterns seen in fewer words")->capture_default_str();
    s->callback([o, &status] { status = WriteStats(o->lexicon, o->profile, o->dir, o->fold, o->table); });

    CLI::App* e = app.add_subcommand("evaluate", "measure the converter on a lexicon's words");
    e->add_option("voice", o->voice, "voice directory (with sint.ini)")->required();
    e->add_option("lexicon", o->lexicon, "lexicon (word<TAB>IPA)")->required();
    e->add_option("--part", o->part, "held-out (default), training, or a cross-validation fold of the training words (fold0 to fold3)")
        ->check(CLI::IsMember({"held-out", "training", "fold0", "fold1", "fold2", "fold3"}));
    e->add_option("--show", o->show, "print up to N words that are not all right");
    e->add_flag("--letter-code", o->letter_code,
                "hand the words over in the converter's letter code instead of Windows-1250");
    e->add_flag("--no-dictionary", o->no_dictionary, "convert every word by the rules alone");
    e->callback([o, &status] {
        status = EvaluateWords(o->voice, o->lexicon, o->part, o->show, o->letter_code, !o->no_dictionary);
    });

    CLI::App* r = app.add_subcommand(
        "readings", "derive the ending table and exception list of word forms' readings");
    r->add_option("listings", o->listings, "analyser path listings (lemma<tags>:form lines)")->required();
    r->add_option("--exceptions", o->lemmas, "lemmas (one a line) whose forms the endings must not miss");
    r->add_option("-o,--out", o->out, "file to write the two profile lists to")->required();
    r->callback([o, &status] { status = WriteReadings(o->listings, o->lemmas, o->out); });

    CLI::App* f = app.add_subcommand(
        "forms", "a dictionary of the inflected forms of the lexicon's training words");
    f->add_option("voice", o->voice, "voice directory (with sint.ini) whose rules read the forms")->required();
    f->add_option("lexicon", o->lexicon, "lexicon (word<TAB>IPA)")->required();
    f->add_option("paradigms", o->listing, "the lexicon's words' forms (lemma<TAB>form form ...)")->required();
    f->add_option("--verbs", o->verbs, "the lexicon's verbs' forms (lemma<TAB>form form ...)");
    f->add_option("--full-e", o->full_e, "nouns whose final e is a full vowel (one a line)");
    f->add_option("--final-l", o->final_l, "nouns that keep a final [l] (one a line)");
    f->add_option("--participle-e", o->participle_e,
                  "l-participles in -el stressed on that e, a close one (one a line)");
    f->add_option("-o,--out", o->out, "dictionary file to write")->required();
    f->callback([o, &status] {
        status = WriteForms(o->voice, o->lexicon, o->listing, o->verbs, o->full_e, o->final_l,
                            o->participle_e, o->out);
    });
}

int RunLangdataTool(int argc, const char* const* argv, const std::string& description) {
    CLI::App app{description};
    app.require_subcommand(1);
    int status = 0;
    AddLangdataCommands(app, status);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e);
    }
    return status;
}

}  // namespace tarvox::langdata
