// The voice subcommands of tarvox-data:
//
//   record-corpus LEXICON OUT_DIR [--seconds S] [--pitch P] [--rate R] [--voice V]
//       chooses the corpus from the lexicon's training part and records it
//       with eSpeak NG (recNNNN.wav, recNNNN.lab, corpus.txt);
//   build-database INPUT... -o VOICE_DIR [--peak N] [--inventory PROFILE]
//                  [--text FILE]
//       builds VOICE_DIR/data/QuenlarOrin.dat and VOICE_DIR/Cost.dat from
//       sound files (or directories of them) with their label files, and
//       prints the coverage: phonemes, diphones, triphones, the inventory's
//       names without a recording, the diphones of the text that are
//       missing (the text: one converter phoneme string per line).
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iostream>

#include "data_tool.h"
#include "base/files.h"
#include "base/profile.h"
#include "lexicon.h"
#include "synth/voice_db.h"
#include "voice_builder.h"
#include "voice_corpus.h"

namespace tarvox::data {
namespace {

// A progress bar on the terminal (nothing when stderr is not one).
class ProgressBar {
public:
    ProgressBar() : tty_(::isatty(STDERR_FILENO) != 0) {}
    ~ProgressBar() { Done(); }
    void Show(std::string_view stage, double done) {
        if (!tty_) return;
        const int width = 30;
        const int filled = static_cast<int>(std::clamp(done, 0.0, 1.0) * width);
        std::fprintf(stderr, "\r%-14.*s [%s%s] %3d%%", static_cast<int>(stage.size()), stage.data(),
                     std::string(static_cast<std::size_t>(filled), '#').c_str(),
                     std::string(static_cast<std::size_t>(width - filled), ' ').c_str(),
                     static_cast<int>(done * 100));
        std::fflush(stderr);
        shown_ = true;
    }
    void Done() {
        if (shown_) std::fputs("\n", stderr);
        shown_ = false;
    }

private:
    bool tty_;
    bool shown_ = false;
};

std::vector<std::string> SoundFiles(const std::vector<std::string>& inputs) {
    std::vector<std::string> files;
    for (const std::string& in : inputs) {
        if (std::filesystem::is_directory(in)) {
            std::vector<std::string> found;
            for (const auto& e : std::filesystem::directory_iterator(in)) {
                const std::string ext = e.path().extension().string();
                if (ext == ".wav" || ext == ".WAV" || ext == ".flac" || ext == ".ogg") found.push_back(e.path().string());
            }
            std::sort(found.begin(), found.end());
            files.insert(files.end(), found.begin(), found.end());
        } else {
            files.push_back(in);
        }
    }
    return files;
}

}  // namespace

int RunBuildDatabase(const BuildDatabaseArgs& args) {
    const std::vector<std::string> files = SoundFiles(args.inputs);
    if (files.empty()) {
        std::cerr << "build-database: no sound files\n";
        return 1;
    }
    ProgressBar bar;
    std::vector<Recording> recordings(files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        bar.Show("reading", static_cast<double>(i) / static_cast<double>(files.size()));
        const std::string error = ReadRecording(files[i], recordings[i]);
        if (!error.empty()) {
            bar.Done();
            std::cerr << "build-database: " << error << "\n";
            return 1;
        }
    }
    BuildOptions options;
    options.peak = args.peak;
    BuildResult result;
    const std::string error = BuildDatabase(recordings, options, result,
                                            [&](std::string_view s, double d) { bar.Show(s, d); });
    bar.Done();
    if (!error.empty()) {
        std::cerr << "build-database: " << error << "\n";
        return 1;
    }
    for (const std::string& w : result.warnings) std::cerr << "build-database: warning: " << w << "\n";
    std::string werr;
    const std::string db_path = args.voice_dir + "/data/QuenlarOrin.dat";
    std::error_code ec;
    std::filesystem::create_directories(args.voice_dir + "/data", ec);
    if (WriteVoiceDatabase(db_path, result.content, werr) != 0 ||
        WriteCostFile(args.voice_dir + "/" + kCostFile, DefaultCosts(), werr) != 0) {
        std::cerr << "build-database: " << werr << "\n";
        return 1;
    }

    // Coverage report.
    const Coverage cov = CoverageOf(result.content.transcription);
    std::cout << "recordings: " << recordings.size() << ", alophones: " << result.content.transcription.size()
              << ", pitch marks: " << result.content.windows.size() << ", seconds: "
              << result.content.samples.size() / kDatabaseRate << "\n";
    std::cout << "phonemes: " << cov.phonemes.size() << ", diphones: " << cov.diphones.size()
              << ", triphones: " << cov.triphones.size() << "\n";
    std::cout << "occurrences:";
    for (const auto& [name, count] : cov.phonemes) std::cout << " " << name << "=" << count;
    std::cout << "\n";
    if (!args.inventory.empty()) {
        Profile profile(args.inventory, false);
        std::vector<std::string> names;
        if (!profile.IsLoaded() || profile.GetItems("Nabor_fonemov", '\t', names) <= 0) {
            std::cerr << "build-database: cannot read Nabor_fonemov from " << args.inventory << "\n";
            return 1;
        }
        std::string missing;
        for (const std::string& n : BackEndInventory(names))
            if (!cov.phonemes.contains(n)) missing += " " + n;
        std::cout << "inventory names without a recording:" << (missing.empty() ? " none" : missing) << "\n";
    }
    if (!args.text.empty()) {
        const auto bytes = ReadWholeFile(args.text);
        if (!bytes) {
            std::cerr << "build-database: cannot read " << args.text << "\n";
            return 1;
        }
        std::vector<std::vector<std::string>> sentences;
        std::string_view all(bytes->data(), bytes->size());
        std::size_t pos = 0, joins = 0;
        while (pos < all.size()) {
            std::size_t eol = all.find('\n', pos);
            if (eol == std::string_view::npos) eol = all.size();
            const std::string_view line = all.substr(pos, eol - pos);
            pos = eol + 1;
            if (line.find_first_not_of(" \t\r") == std::string_view::npos) continue;
            sentences.push_back(BackEndNames(line));
            joins += sentences.back().size() - 1;
        }
        const auto missing = MissingDiphones(cov, sentences);
        std::size_t uses = 0;
        for (const auto& [d, n] : missing) uses += static_cast<std::size_t>(n);
        std::cout << "text: " << sentences.size() << " sentences, " << joins << " diphones, " << missing.size()
                  << " distinct missing (" << uses << " uses)\n";
        std::vector<std::pair<int, std::string>> order;
        for (const auto& [d, n] : missing) order.emplace_back(-n, d);
        std::sort(order.begin(), order.end());
        for (std::size_t i = 0; i < order.size() && static_cast<int>(i) < args.show; ++i)
            std::cout << "  missing \"" << order[i].second << "\" x" << -order[i].first << "\n";
    }
    return 0;
}

int RunRecordCorpus(const RecordCorpusArgs& args) {
    const auto bytes = ReadWholeFile(args.lexicon);
    if (!bytes) {
        std::cerr << "record-corpus: cannot read " << args.lexicon << "\n";
        return 1;
    }
    langdata::LexiconReport report;
    const auto entries = langdata::OnePerWord(
        langdata::Select(langdata::ReadLexicon(std::string_view(bytes->data(), bytes->size()), report),
                         langdata::Part::kTraining));
    std::vector<langdata::Phonemes> words;
    for (const auto& e : entries) words.push_back(e.phonemes);
    const auto corpus = SelectCorpus(words, args.options);
    std::size_t n_words = 0;
    for (const auto& r : corpus)
        for (const auto& p : r) n_words += p.size();
    int dropped = 0;
    const std::string error = RecordCorpus(corpus, args.out, args.options, dropped);
    if (!error.empty()) {
        std::cerr << "record-corpus: " << error << "\n";
        return 1;
    }
    std::cout << "corpus: " << corpus.size() << " recordings, " << n_words << " of " << words.size()
              << " training words, " << dropped << " phrases dropped\n";
    return 0;
}

}  // namespace tarvox::data
