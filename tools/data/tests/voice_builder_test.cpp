#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <set>

#include "data_tool.h"
#include "base/diag.h"
#include "base/records.h"
#include "support/test_files.h"
#include "synth/psola.h"
#include "synth/voice_db.h"
#include "voice_builder.h"
#include "voice_corpus.h"

namespace tarvox::data {
namespace {

using tarvox::testing::TempDir;

int RunTool(std::vector<std::string> args) {
    args.insert(args.begin(), "tarvox-data");
    std::vector<const char*> argv;
    for (const std::string& a : args) argv.push_back(a.c_str());
    return RunDataTool(static_cast<int>(argv.size()), argv.data());
}

std::vector<std::string> Names(const std::vector<Label>& labels) {
    std::vector<std::string> out;
    for (const Label& l : labels) out.push_back(l.name);
    return out;
}

TEST(Labels, ReadsTimesAndNamesSkippingCommentsAndBlankLines) {
    std::vector<Label> labels;
    std::string error;
    ASSERT_TRUE(ParseLabels("# rec\n0 0.1 _\n\n0.1 0.25 a:\r\n0.25 0.3 -\n0.3 0.31 t\n", labels, error)) << error;
    EXPECT_EQ(Names(labels), (std::vector<std::string>{"_", "a:", "-", "t"}));
    EXPECT_DOUBLE_EQ(labels[1].start, 0.1);
    EXPECT_DOUBLE_EQ(labels[1].end, 0.25);
}

TEST(Labels, RejectsMalformedLinesWithTheirNumber) {
    const struct {
        const char* text;
        const char* message;
    } cases[] = {
        {"0 0.1 _\n0.1 0.2 x\n", "line 2: unknown phoneme \"x\""},
        {"0 0.1 ts\n", "line 1: unknown phoneme \"ts\""},
        {"0.2 0.1 a\n", "line 1: the label ends before it starts"},
        {"0 0.1\n", "line 1: expected <start> <end> <name>"},
        {"0 0.1 a b\n", "line 1: expected <start> <end> <name>"},
        {"0 zero a\n", "line 1: expected <start> <end> <name>"},
        {"0.5 0.6 a\n0.1 0.2 a\n", "line 2: labels out of order"},
    };
    for (const auto& c : cases) {
        std::vector<Label> labels;
        std::string error;
        EXPECT_FALSE(ParseLabels(c.text, labels, error)) << c.text;
        EXPECT_EQ(error, c.message) << c.text;
    }
}

TEST(Labels, ReadsTheFirstIntervalTierOfATextGrid) {
    const char* grid =
        "File type = \"ooTextFile\"\nObject class = \"TextGrid\"\n\nxmin = 0\nxmax = 0.3\n"
        "tiers? <exists>\nsize = 2\nitem []:\n    item [1]:\n        class = \"IntervalTier\"\n"
        "        name = \"phones\"\n        xmin = 0\n        xmax = 0.3\n        intervals: size = 3\n"
        "        intervals [1]:\n            xmin = 0\n            xmax = 0.1\n            text = \"\"\n"
        "        intervals [2]:\n            xmin = 0.1\n            xmax = 0.2\n            text = \"a:\"\n"
        "        intervals [3]:\n            xmin = 0.2\n            xmax = 0.3\n            text = \"S\"\n"
        "    item [2]:\n        class = \"IntervalTier\"\n        name = \"words\"\n"
        "        intervals [1]:\n            xmin = 0\n            xmax = 0.3\n            text = \"a\"\n";
    std::vector<Label> labels;
    std::string error;
    ASSERT_TRUE(ParseLabels(grid, labels, error)) << error;
    EXPECT_EQ(Names(labels), (std::vector<std::string>{"_", "a:", "S"}));
    EXPECT_DOUBLE_EQ(labels[2].start, 0.2);
}

TEST(BackEnd, NamesFollowTheUnitConversion) {
    // Plosives and affricates split, a vowel-initial u after a vowel is a
    // glide inside a word but not across a word boundary.
    auto joined = [](std::string_view s) {
        std::string out;
        for (const std::string& n : BackEndNames(s)) out += n + " ";
        return out;
    };
    EXPECT_EQ(joined("ka:va"), "_ - k a: v a _ _ _ ");
    EXPECT_EQ(joined("tsE:sta"), "_ - t s E: s - t a _ _ _ ");
    EXPECT_EQ(joined("paura"), "_ - p a U r a _ _ _ ");
    EXPECT_EQ(joined("pa ura"), "_ - p a u r a _ _ _ ");
    EXPECT_EQ(joined("da , da"), "_ = d a _ _ _ = d a _ _ _ ");
}

TEST(BackEnd, InventoryOfTheVoiceReachesTheGlidesAndNotTheAffricates) {
    const auto names = BackEndInventory({"a", "i", "u", "ts", "tS", "F", "N", "w", "W"});
    EXPECT_EQ(names, (std::set<std::string>{"-", "I", "S", "U", "a", "i", "m", "n", "s", "t", "u"}));
}

TEST(Corpus, CoversEveryDiphoneOfItsWordsAndTheirPauses) {
    const std::vector<langdata::Phonemes> words = {
        {"m", "a:", "m", "a"}, {"p", "a", "p", "a:"}, {"m", "a", "p", "a"}, {"a:", "p", "a"}, {"p", "a", "m", "a:"}};
    CorpusOptions options;
    options.fillers = false;
    const auto corpus = SelectCorpus(words, options);
    EXPECT_EQ(corpus, SelectCorpus(words, options));  // deterministic
    std::string text;
    for (const auto& rec : corpus)
        for (const auto& phrase : rec) {
            for (const auto& word : phrase) text += langdata::Join(word) + " ";
            text += "_ ";
        }
    const auto spoken = BackEndNames(text);
    std::set<std::string> have;
    for (std::size_t i = 0; i + 1 < spoken.size(); ++i) have.insert(spoken[i] + " " + spoken[i + 1]);
    for (const auto& w : words) {
        const auto names = BackEndNames(langdata::Join(w));
        for (std::size_t i = 0; i + 1 < names.size(); ++i)
            EXPECT_TRUE(have.contains(names[i] + " " + names[i + 1])) << names[i] << " " << names[i + 1];
    }
}

// Two recordings of "_ a - t a _" at 22050 Hz: pulse trains for the vowels,
// silence for the closure, noise for the release.
class BuildDatabaseTest : public ::testing::Test {
protected:
    void WriteRecording(const std::string& stem, int period) {
        const int rate = 22050;
        std::vector<short> s;
        std::string lab;
        unsigned seed = 7;
        auto label = [&](double seconds, const char* name, auto fill) {
            const std::size_t from = s.size();
            const auto n = static_cast<std::size_t>(seconds * rate);
            for (std::size_t i = 0; i < n; ++i) s.push_back(fill(i));
            char line[80];
            std::snprintf(line, sizeof line, "%.6f %.6f %s\n", static_cast<double>(from) / rate,
                          static_cast<double>(s.size()) / rate, name);
            lab += line;
        };
        auto silence = [](std::size_t) -> short { return 0; };
        auto vowel = [&](std::size_t i) -> short {
            const double n = static_cast<double>(i % static_cast<std::size_t>(period));
            return static_cast<short>(20000.0 * std::exp(-n / 25.0) * std::cos(2 * M_PI * 700.0 * n / rate));
        };
        auto noise = [&](std::size_t) -> short {
            seed = seed * 1103515245u + 12345u;
            return static_cast<short>(static_cast<int>((seed >> 16) % 4001) - 2000);
        };
        label(0.15, "_", silence);
        label(0.2, "a", vowel);
        label(0.06, "-", silence);
        label(0.03, "t", noise);
        label(0.2, "a:", vowel);
        label(0.15, "_", silence);
        SF_INFO info{};
        info.samplerate = rate;
        info.channels = 1;
        info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        std::unique_ptr<SNDFILE, int (*)(SNDFILE*)> f(sf_open(dir.file(stem + ".wav").c_str(), SFM_WRITE, &info), sf_close);
        ASSERT_TRUE(f);
        sf_write_short(f.get(), s.data(), static_cast<sf_count_t>(s.size()));
        dir.Write(stem + ".lab", lab);
    }
    TempDir dir;
    TempDir voice;
};

TEST_F(BuildDatabaseTest, BuildsADatabaseThatLoadsAndSynthesises) {
    WriteRecording("rec0000", 200);
    WriteRecording("rec0001", 160);
    ASSERT_EQ(RunTool({"build-database", dir.path().string(), "-o", voice.path().string(), "--peak", "12000"}), 0);

    VoiceTables tables;
    ASSERT_EQ(InitTables(voice.file("data/QuenlarOrin.dat"), voice.file("Cost.dat"), true, tables), 0)
        << LastError();
    const VoiceDatabase& db = tables.db;
    const auto t = db.Transcription();
    EXPECT_EQ(std::string(t.begin(), t.end()), " a-tA  a-tA ");
    EXPECT_EQ(tables.costs.Cost(' '), 1);
    EXPECT_EQ(tables.costs.Cost('A'), 7);

    // Every alophone has marks, each with its margins and a period in range.
    const auto wi = db.WinIndex();
    const auto w = db.Windows();
    ASSERT_EQ(wi.size(), t.size() + 1);
    for (std::size_t p = 0; p + 1 < wi.size(); ++p) {
        EXPECT_LT(wi[p], wi[p + 1]) << "alophone " << p;
        for (std::int32_t m = wi[p]; m < wi[p + 1]; ++m) {
            ASSERT_LT(static_cast<std::size_t>(m) + 1, w.size());
            EXPECT_GE(w[static_cast<std::size_t>(m)], 400);
            EXPECT_LT(w[static_cast<std::size_t>(m)] + 400, db.SampleCount());
            const int period = w[static_cast<std::size_t>(m) + 1] - w[static_cast<std::size_t>(m)];
            EXPECT_GE(period, 32);
            EXPECT_LE(period, 400);
        }
    }
    // The vowels were voiced: their marks follow the recorded periods
    // (200 and 160 samples at 22050 Hz are 145 and 116 at 16 kHz).
    auto median_period = [&](std::size_t p) {
        std::vector<int> d;
        for (std::int32_t m = wi[p]; m + 1 < wi[p + 1]; ++m)
            d.push_back(w[static_cast<std::size_t>(m) + 1] - w[static_cast<std::size_t>(m)]);
        std::sort(d.begin(), d.end());
        return d[d.size() / 2];
    };
    EXPECT_NEAR(median_period(1), 145, 1);
    EXPECT_NEAR(median_period(7), 116, 1);
    const auto samples = db.Samples();
    const int peak = std::abs(*std::max_element(samples.begin(), samples.end(), [](std::int16_t a, std::int16_t b) {
        return std::abs(a) < std::abs(b);
    }));
    EXPECT_EQ(peak, 12000);

    // Coverage of what was recorded.
    const Coverage cov = CoverageOf(t);
    EXPECT_EQ(cov.phonemes.at("a"), 2);
    EXPECT_TRUE(cov.diphones.contains("a -"));
    EXPECT_TRUE(cov.triphones.contains("- t a:"));
    const auto missing = MissingDiphones(cov, {BackEndNames("ata:"), BackEndNames("at")});
    EXPECT_EQ(missing, (std::map<std::string, int>{{"t _", 1}}));

    // The engine selects every alophone of a sentence the database holds.
    tarvox::TPsola psola(voice.file("data/QuenlarOrin.dat"), voice.file("Cost.dat"), true);
    std::vector<PhonemeRecord> records;
    for (const char* name : {"_", "a", "-", "t", "a:", "_"}) {
        PhonemeRecord r{};
        SetSymbol(r.symbol, name);
        r.duration = std::string_view(name) == "t" ? 0 : 100;
        r.pitch_start = r.pitch_mid = r.pitch_end = std::string_view(name) == "a" || name[0] == 'a' ? 110 : 0;
        records.push_back(r);
    }
    records.push_back(PhonemeRecord{});
    EXPECT_EQ(psola.Run(records), 0);
    EXPECT_GT(psola.Samples().size(), 400u + 4 * 1600u);
}

TEST_F(BuildDatabaseTest, ReportsAMissingLabelFile) {
    WriteRecording("rec0000", 200);
    std::filesystem::remove(dir.file("rec0000.lab"));
    EXPECT_EQ(RunTool({"build-database", dir.path().string(), "-o", voice.path().string()}), 1);
    EXPECT_FALSE(std::filesystem::exists(voice.file("data/QuenlarOrin.dat")));
}

}  // namespace
}  // namespace tarvox::data
