// The voice builder: recordings and their phoneme labels become the voice
// database (".\data\QuenlarOrin.dat") and the join costs ("Cost.dat").
//
// Label files (".lab" beside each ".wav"): one alophone per line,
//     <start> <end> <name>
// times in seconds (decimal point), the name one of the back end's SAMPA
// names: the vowels a a: E E: e: i i: O O: o: u u: @ @: and the glides
// I U, the consonants p b t d k g f v s z S Z h m n l r j, the closure of a
// voiceless plosive "-", of a voiced one "=", the plosive's release under
// the plosive's own name (an affricate is a closure, the release "t" and
// the fricative "s" or "S"), and "_" for a pause. Blank lines and lines
// starting with "#" are skipped; labels follow each other in time, and a
// label ends where the next begins (its own end counts only for the last).
// A Praat TextGrid (first interval tier; an empty interval is a pause) is
// read in place of a ".lab" file when it ends in ".TextGrid".
//
// All recordings are put end to end into one stream (any sample rate and
// channel count; converted to 16 kHz mono 16-bit), the pitch marks are
// placed on the whole stream, and every label boundary is moved to its
// nearest mark, each alophone keeping at least one mark.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "synth/db_writer.h"
#include "voice_corpus.h"
#include "voice_signal.h"

namespace tarvox::data {

struct Label {
    double start = 0;
    double end = 0;
    std::string name;
};

// Parses a label file (or a TextGrid when `text` is one); false with
// `error` set ("line N: ...") on a malformed line or an unknown name.
bool ParseLabels(std::string_view text, std::vector<Label>& labels, std::string& error);

struct Recording {
    std::string name;                   // for messages
    std::vector<std::int16_t> samples;  // 16 kHz mono
    std::vector<Label> labels;
};

// Reads a sound file with libsndfile (converted to 16 kHz mono) and its
// labels (".lab", else ".TextGrid" beside it). Empty string on success.
std::string ReadRecording(const std::string& wav_path, Recording& out);

// Called with a stage name and the share done (0..1).
using Progress = std::function<void(std::string_view stage, double done)>;

struct BuildOptions {
    EpochOptions epochs;
    // Loudest sample after levelling (0 keeps the levels as recorded).
    int peak = 0;
};

struct BuildResult {
    VoiceDatabaseContent content;
    std::vector<std::string> warnings;
};

// Builds the database content. Empty string on success.
std::string BuildDatabase(const std::vector<Recording>& recordings, const BuildOptions& options,
                          BuildResult& result, const Progress& progress = {});

// The join cost of every back-end name: joins are cheapest in silence and
// closures, dearest inside vowels.
std::vector<CostEntry> DefaultCosts();

// Units present in a transcription of one-byte symbols.
struct Coverage {
    std::map<std::string, int> phonemes;  // SAMPA name -> occurrences
    std::set<std::string> diphones;       // two names joined by a blank
    std::set<std::string> triphones;
};
Coverage CoverageOf(std::span<const std::uint8_t> transcription);

// The back-end names of the converter's phoneme string (the names of the
// voice's inventory written together, words separated by blanks,
// punctuation marks and "_" standing for a pause), as unit conversion
// hands them to the waveform generator, with the leading and trailing
// pauses.
std::vector<std::string> BackEndNames(std::string_view phoneme_string);

// The back-end names that the given inventory names turn into.
std::set<std::string> BackEndInventory(const std::vector<std::string>& inventory);

// The diphones of the sentences (back-end names) that `coverage` lacks,
// each with how often the sentences use it.
std::map<std::string, int> MissingDiphones(const Coverage& coverage,
                                           const std::vector<std::vector<std::string>>& sentences);

}  // namespace tarvox::data

namespace tarvox::data {

// build-database: the sound files (or directories) with their labels become
// the voice directory's database and Cost.dat.
struct BuildDatabaseArgs {
    std::vector<std::string> inputs;
    std::string voice_dir;
    int peak = 0;           // loudest sample after levelling (0: as recorded)
    std::string inventory;  // converter profile whose Nabor_fonemov is checked
    std::string text;       // phoneme strings whose missing diphones are listed
    int show = 40;          // missing diphones listed at most
};
int RunBuildDatabase(const BuildDatabaseArgs& args);

// record-corpus: the corpus chosen from the lexicon's training words and
// recorded with eSpeak NG into `out`.
struct RecordCorpusArgs {
    std::string lexicon;
    std::string out;
    CorpusOptions options;
};
int RunRecordCorpus(const RecordCorpusArgs& args);

}  // namespace tarvox::data
