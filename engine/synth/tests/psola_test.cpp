#include "synth/psola.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <random>

#include "base/config.h"
#include "base/diag.h"
#include "driver/sint.h"
#include "driver/standin_stages.h"
#include "voice_fixture.h"

namespace tarvox {
namespace {

using testing::Records;
using testing::SineVoice;
using testing::Target;
using testing::TempDir;

// A voice "_a_" plus a few more alophones, all sines with exact marks.
VoiceDatabaseContent Voice(int amplitude = 8000) {
    return SineVoice(800, amplitude)
        .Add(' ', 160, 10)
        .Add('a', 160, 10)
        .Add(' ', 160, 10)
        .Add('i', 120, 12)
        .Add('s', 200, 6)
        .Add('a', 150, 10)
        .Add('m', 180, 8)
        .Add(' ', 160, 10)
        .Build();
}

class Psola {
public:
    explicit Psola(const VoiceDatabaseContent& content, bool in_memory = true) {
        files_ = testing::WriteVoice(dir_, content);
        psola_ = std::make_unique<TPsola>(files_.database, files_.costs, in_memory);
    }
    TPsola& operator*() { return *psola_; }
    TPsola* operator->() { return psola_.get(); }
    const testing::VoiceFiles& files() const { return files_; }

private:
    TempDir dir_;
    testing::VoiceFiles files_;
    std::unique_ptr<TPsola> psola_;
};

// The joined entry of the first 'a' after a run, alone in a plan.
RenderPlan PlanOfVowel(const TPsola& psola, char symbol = 'a') {
    for (const AlophoneEntry& e : psola.Alophones()) {
        if (e.symbol != symbol) continue;
        std::vector<AlophoneEntry> one = {e};
        return PlanSentence(one, psola.Tables().db.Windows());
    }
    ADD_FAILURE() << "no entry " << symbol;
    return {};
}

std::vector<std::int64_t> Centres(const RenderPlan& plan) {
    std::vector<std::int64_t> v;
    for (const WindowPlacement& w : plan.windows) v.push_back(w.out_center - kLeadingSilence);
    return v;
}

TEST(WindowTable, IsHalfAHammingWindowInFixedPoint) {
    const auto w = MakeWindowTable();
    EXPECT_EQ(w[0], 16384);
    EXPECT_EQ(w[50], 8847);   // 16384 * (0.54 + 0.46 * cos(1.570795))
    EXPECT_EQ(w[100], 1310);  // cos(3.14159) is not quite -1
    for (int i = 1; i < kWindowTableSize; ++i) EXPECT_LT(w[i], w[i - 1]);
    Psola psola(Voice());
    EXPECT_EQ(psola->WindowTable(), w);
    EXPECT_EQ(psola->WindowScale(), 100);
}

// Rows of every width, kept or made afresh, follow w[|k| * 100 / W]; a wide
// row made in between leaves the kept ones as they were.
TEST(WindowTable, RowsOfEveryWidthFollowTheTable) {
    const auto table = MakeWindowTable();
    WindowShapes shapes(table);
    for (const std::int32_t half : {0, 1, 80, WindowShapes::kKeptHalf, WindowShapes::kKeptHalf + 1,
                                    4000, 80}) {
        SCOPED_TRACE(half);
        const auto row = shapes.Row(half);
        ASSERT_EQ(row.size(), 2 * static_cast<std::size_t>(half) + 1);
        for (std::int32_t k = -half; k <= half; k += std::max(1, half / 50)) {
            const std::int32_t index = half > 0 ? std::abs(k) * 100 / half : 0;
            ASSERT_EQ(row[static_cast<std::size_t>(k + half)], table[static_cast<std::size_t>(index)]);
        }
    }
}

TEST(Psola, HundredHertzForHundredMillisecondsGivesTenWindowsIn1600Samples) {
    Psola psola(Voice());
    EXPECT_EQ(psola->Run(Records({{"_", 50, 0, 0, 0}, {"a", 100, 100, 100, 100}, {"_", 50, 0, 0, 0}})), 0);
    const RenderPlan plan = PlanOfVowel(*psola);
    EXPECT_EQ(Centres(plan), (std::vector<std::int64_t>{0, 160, 320, 480, 640, 800, 960, 1120, 1280, 1440}));
    for (const WindowPlacement& w : plan.windows) EXPECT_EQ(w.half, 160);
    EXPECT_EQ(plan.length - kLeadingSilence, 1600);
    // Each window is centred on a recorded mark of the vowel.
    const auto windows = psola->Tables().db.Windows();
    for (const WindowPlacement& w : plan.windows)
        EXPECT_NE(std::find(windows.begin() + 10, windows.begin() + 20, w.src_center), windows.begin() + 20);
}

TEST(Psola, DurationZeroKeepsTheRecordedLengthInWholePeriods) {
    Psola psola(Voice());
    struct Case {
        std::int32_t pitch;
        std::size_t windows;
        std::int64_t length;
    } cases[] = {
        {100, 9, 1440},   // nine recorded periods of 160
        {125, 12, 1536},  // 1440 / 128 rounded up: 12 periods of 128
        {150, 14, 1484},  // 14 periods of 106
    };
    for (const Case& c : cases) {
        psola->Run(Records({{"_", 50, 0, 0, 0}, {"a", 0, c.pitch, c.pitch, c.pitch}, {"_", 50, 0, 0, 0}}));
        const RenderPlan plan = PlanOfVowel(*psola);
        EXPECT_EQ(plan.windows.size(), c.windows) << c.pitch;
        EXPECT_EQ(plan.length - kLeadingSilence, c.length) << c.pitch;
    }
}

TEST(Psola, AGlideFrom100To200HertzShortensThePeriods) {
    Psola psola(Voice());
    psola->Run(Records({{"_", 50, 0, 0, 0}, {"a", 100, 100, 200, 200}, {"_", 50, 0, 0, 0}}));
    const std::vector<std::int64_t> c = Centres(PlanOfVowel(*psola));
    ASSERT_GT(c.size(), 12u);
    EXPECT_EQ(c[1] - c[0], 160);
    for (std::size_t i = 2; i < c.size(); ++i) {
        EXPECT_LE(c[i] - c[i - 1], c[i - 1] - (i >= 2 ? c[i - 2] : 0)) << i;
        EXPECT_GE(c[i] - c[i - 1], 80) << i;
    }
    EXPECT_EQ(c.back() - c[c.size() - 2], 80);  // the second half at 200 Hz
}

TEST(Psola, UnvoicedEntriesRepeatRecordedPeriodsWithTheirOwnWidth) {
    Psola psola(Voice());
    // s is recorded with periods of 200 samples, 5 periods long (1000).
    psola->Run(Records({{"_", 50, 0, 0, 0}, {"s", 200, 0, 0, 0}, {"_", 50, 0, 0, 0}}));
    const RenderPlan plan = PlanOfVowel(*psola, 's');
    ASSERT_FALSE(plan.windows.empty());
    for (const WindowPlacement& w : plan.windows) EXPECT_EQ(w.half, 200);
    EXPECT_EQ(plan.length - kLeadingSilence, 3200);  // 200 ms in whole periods
    // Longer than recorded: some marks are used twice.
    std::vector<std::int32_t> sources;
    for (const WindowPlacement& w : plan.windows) sources.push_back(w.src_center);
    EXPECT_NE(std::adjacent_find(sources.begin(), sources.end()), sources.end());
}

TEST(Psola, AZeroPitchInsideAVoicedEntryRendersItUnvoiced) {
    AlophoneEntry e;
    e.symbol = 'a';
    e.pitch_start = 100;
    e.pitch_mid = 0;
    e.pitch_end = 100;
    e.duration = 50;
    for (std::int32_t m = 0; m < 5; ++m) e.markers.push_back({m, 0});
    const std::vector<std::int32_t> marks = {1000, 1200, 1400, 1600, 1800, 2000};
    std::vector<AlophoneEntry> list = {e};
    const RenderPlan plan = PlanSentence(list, marks);
    ASSERT_FALSE(plan.windows.empty());
    for (const WindowPlacement& w : plan.windows) EXPECT_EQ(w.half, 200);
    EXPECT_FALSE(IsVoiced(e));
    // A non-zero pitch below 40 Hz (left by averaging with 0) stays within
    // the 400-sample margin.
    list[0].pitch_mid = 20;
    for (const WindowPlacement& w : PlanSentence(list, marks).windows) EXPECT_LE(w.half, 400);
}

TEST(Psola, EntriesWithoutMarkersAreSkipped) {
    AlophoneEntry empty;
    empty.pitch_start = empty.pitch_mid = empty.pitch_end = 100;
    empty.duration = 100;
    AlophoneEntry e = empty;
    e.markers = {{0, 0}, {1, 0}};
    std::vector<AlophoneEntry> list = {empty, e, empty};
    const std::vector<std::int32_t> marks = {1000, 1160, 1320};
    const RenderPlan plan = PlanSentence(list, marks);
    EXPECT_EQ(plan.windows.size(), 10u);
    EXPECT_EQ(plan.length, kLeadingSilence + 1600);
}

TEST(Psola, TheSizingAllowanceIsEnlargedWhenAGlideOvershootsIt) {
    AlophoneEntry e;
    // 10 ms, starting at 500 Hz: the window after the middle falls at 40 Hz
    // and reaches far past the one period at 500 Hz that sizing allows.
    e.pitch_start = 500;
    e.pitch_mid = 40;
    e.pitch_end = 500;
    e.duration = 10;
    e.markers = {{0, 0}, {1, 0}};
    std::vector<AlophoneEntry> list = {e, e, e, e};
    const std::vector<std::int32_t> marks = {1000, 1100, 1200};
    const RenderPlan plan = PlanSentence(list, marks);
    EXPECT_GT(plan.furthest, plan.need);
    EXPECT_EQ(plan.BufferNeed(), plan.furthest);
}

TEST(OverlapAdd, WeightsTruncateTowardZeroAndSumsClipAt32760) {
    std::vector<std::int16_t> out = {0, 0, 30000, -30000, 100};
    const std::vector<std::int16_t> src = {-3, 3, 20000, -20000, -32768};
    const std::vector<std::int16_t> w = {16383, 16383, 16384, 16384, 16384};
    OverlapAdd(out, src, w);
    EXPECT_EQ(out, (std::vector<std::int16_t>{-2, 2, 32760, -32760, -32668}));
}

// The wide path against the formula, on random and extreme values (any
// weight, not only those of the window table) and every tail length.
TEST(OverlapAdd, EveryLengthAndValueMatchesTheFormula) {
    std::mt19937 random(5);
    const std::int16_t extremes[] = {-32768, -32767, -32760, -16384, -1, 0, 1, 16383, 16384, 32760, 32767};
    auto pick = [&] {
        return random() % 3 ? static_cast<std::int16_t>(random()) : extremes[random() % std::size(extremes)];
    };
    for (std::size_t length = 0; length < 40; ++length) {
        for (int round = 0; round < 50; ++round) {
            std::vector<std::int16_t> out(length), src(length), w(length);
            for (std::size_t j = 0; j < length; ++j) {
                out[j] = std::clamp<std::int16_t>(pick(), -32760, 32760);
                src[j] = pick();
                w[j] = pick();
            }
            std::vector<std::int16_t> expected = out;
            for (std::size_t j = 0; j < length; ++j)
                expected[j] = static_cast<std::int16_t>(std::clamp(out[j] + src[j] * w[j] / 16384, -32760, 32760));
            OverlapAdd(out, src, w);
            ASSERT_EQ(out, expected) << length;
        }
    }
}

TEST(Psola, LoudOverlappingWindowsClipAt32760) {
    VoiceDatabaseContent loud = Voice();
    for (std::size_t i = 0; i < loud.samples.size(); ++i) loud.samples[i] = i % 2000 < 1000 ? 30000 : -30000;
    Psola psola(loud);
    psola->Run(Records({{"_", 50, 0, 0, 0}, {"a", 300, 100, 100, 100}, {"_", 50, 0, 0, 0}}));
    const auto s = psola->Samples();
    EXPECT_EQ(*std::max_element(s.begin(), s.end()), 32760);
    EXPECT_EQ(*std::min_element(s.begin(), s.end()), -32760);
}

TEST(Psola, EverySentenceStartsWith400Zeros) {
    Psola psola(Voice());
    ASSERT_EQ(psola->Run(Records({{"_", 50, 0, 0, 0}, {"a", 100, 120, 110, 100}, {"_", 50, 0, 0, 0}})), 0);
    const auto s = psola->Samples();
    ASSERT_GT(s.size(), 400u);
    EXPECT_TRUE(std::all_of(s.begin(), s.begin() + 400, [](std::int16_t v) { return v == 0; }));
    // (The first window's left half reaches back into them; the sentence's
    // opening pause is recorded as silence.)
    EXPECT_TRUE(std::any_of(s.begin() + 400, s.end(), [](std::int16_t v) { return v != 0; }));
    // A single record leaves nothing after joining: 400 samples of silence.
    EXPECT_EQ(psola->Run(Records({{"a", 100, 100, 100, 100}})), 0);
    EXPECT_EQ(psola->Samples().size(), 400u);
    EXPECT_EQ(psola->Run({}), -1);
    EXPECT_TRUE(psola->Samples().empty());
}

TEST(OutputBuffer, GrowsToTheNeedAndHalvesWhenTenTimesTooLarge) {
    struct Case {
        std::size_t capacity, need, next;
    } cases[] = {
        {0, 800, 800}, {800, 900, 900}, {9000, 800, 4500}, {8000, 800, 8000}, {8009, 800, 8009},
        {8010, 800, 4005}, {4500, 800, 4500},
    };
    for (const Case& c : cases) EXPECT_EQ(NextCapacity(c.capacity, c.need), c.next) << c.capacity;

    Psola psola(Voice());
    psola->Run(Records({{"_", 50, 0, 0, 0}, {"a", 1500, 100, 100, 100}, {"_", 50, 0, 0, 0}}));
    const std::size_t big = psola->Capacity();
    EXPECT_GT(big, 24000u);
    psola->Run(Records({{"a", 10, 100, 100, 100}}));  // needs 800
    EXPECT_EQ(psola->Capacity(), big / 2);
    psola->Run(Records({{"a", 10, 100, 100, 100}}));
    EXPECT_EQ(psola->Capacity(), big / 4);
    EXPECT_EQ(psola->Samples().size(), 400u);
}

// The pitch of a stretch of samples by autocorrelation: past the first
// negative correlation, the first local maximum within 20% of the best.
double MeasuredPitch(std::span<const std::int16_t> x) {
    std::vector<double> r(401, 0.0);
    for (int lag = 32; lag <= 400; ++lag) {
        double xy = 0, xx = 0, yy = 0;
        for (std::size_t n = 0; n + static_cast<std::size_t>(lag) < x.size(); ++n) {
            const double a = x[n], b = x[n + static_cast<std::size_t>(lag)];
            xy += a * b;
            xx += a * a;
            yy += b * b;
        }
        r[static_cast<std::size_t>(lag)] = xy / std::sqrt(xx * yy + 1e-9);
    }
    const double best = *std::max_element(r.begin(), r.end());
    bool dipped = false;
    for (std::size_t lag = 32; lag < 400; ++lag) {
        dipped = dipped || r[lag] < 0;
        if (dipped && r[lag] >= 0.8 * best && r[lag] >= r[lag - 1] && r[lag] >= r[lag + 1])
            return 16000.0 / static_cast<double>(lag);
    }
    return 0;
}

TEST(Psola, TheSynthesisedVowelHasTheTargetPitch) {
    Psola psola(Voice());
    for (std::int32_t f : {80, 90, 100, 125, 130, 160, 200, 250}) {
        ASSERT_EQ(psola->Run(Records({{"_", 50, 0, 0, 0}, {"a", 600, f, f, f}, {"_", 50, 0, 0, 0}})), 0);
        const auto s = psola->Samples();
        ASSERT_GT(s.size(), 8000u);
        const double measured = MeasuredPitch(s.subspan(3000, 4000));  // inside the vowel
        EXPECT_NEAR(measured, f, 0.02 * f) << f;
    }
}

TEST(Psola, MemoryAndFileModeGiveBitIdenticalAudio) {
    const VoiceDatabaseContent voice = Voice();
    Psola memory(voice, true);
    Psola file(voice, false);
    EXPECT_FALSE(file->Tables().db.SamplesInMemory());
    const std::vector<PhonemeRecord> sentences[] = {
        Records({{"_", 50, 0, 0, 0}, {"a", 90, 100, 140, 120}, {"_", 30, 0, 0, 0}, {"i", 70, 130, 150, 90},
                 {"s", 80, 0, 0, 0}, {"a", 0, 110, 0, 100}, {"m", 60, 90, 95, 100}, {"_", 50, 0, 0, 0}}),
        Records({{"_", 50, 0, 0, 0}, {"m", 40, 200, 210, 220}, {"i", 120, 480, 40, 300},
                 {"a", 200, 0, 0, 0}, {"s", 20, 100, 100, 100}, {"_", 50, 0, 0, 0}}),
    };
    for (const auto& sentence : sentences) {
        const int a = memory->Run(sentence);
        const int b = file->Run(sentence);
        EXPECT_EQ(a, b);
        ASSERT_GT(memory->Samples().size(), 1000u);
        EXPECT_TRUE(std::ranges::equal(memory->Samples(), file->Samples()));
    }
}

TEST(Psola, AFailedFetchFailsTheSentenceWithoutThrowing) {
    Psola psola(Voice(), false);
    const auto sentence = Records({{"_", 50, 0, 0, 0}, {"a", 100, 100, 100, 100}, {"_", 50, 0, 0, 0}});
    ASSERT_EQ(psola->Run(sentence), 0);
    std::filesystem::resize_file(psola.files().database, 2000);
    EXPECT_EQ(psola->Run(sentence), -1);
    EXPECT_TRUE(psola->Samples().empty());
    EXPECT_NE(LastError().find("Could not read samples"), std::string::npos);
}

// "a p a" with a release recorded 40 ms long: by default the release adds
// its recorded length to the closure's nine tenths of the plosive; a voice
// that asks for the plan gets 80 ms for the two together (and the sentence
// keeps to its plan within a period).
TEST(Psola, AVoiceThatAsksForThePlanGetsItsPlosivesPlannedLength) {
    const VoiceDatabaseContent voice = SineVoice(800)
                                           .Add(' ', 160, 6)
                                           .Add('a', 160, 10)
                                           .Add('-', 160, 6)
                                           .Add('p', 160, 5)
                                           .Add('a', 160, 10)
                                           .Add(' ', 160, 6)
                                           .Build();
    const auto sentence = Records({{"_", 50, 0, 0, 0},
                                   {"a", 100, 100, 100, 100},
                                   {"-", 72, 0, 0, 0},
                                   {"p", 0, 0, 0, 0},
                                   {"a", 100, 100, 100, 100},
                                   {"_", 50, 0, 0, 0}});
    Psola psola(voice);
    EXPECT_FALSE(psola->FollowsPlan());
    ASSERT_EQ(psola->Run(sentence), 0);
    const auto rounded = static_cast<std::int64_t>(psola->Samples().size()) - kLeadingSilence;
    psola->SetFollowPlan(true);
    ASSERT_EQ(psola->Run(sentence), 0);
    const auto planned = static_cast<std::int64_t>(psola->Samples().size()) - kLeadingSilence;
    // The first pause continues into the vowel and keeps half its 50 ms.
    const std::int64_t plan = (25 + 100 + 80 + 100 + 50) * 16;
    EXPECT_GE(planned, plan - 160);
    EXPECT_LE(planned, plan + 160);
    EXPECT_GE(rounded - planned, (40 - 8) * 16);

    TempDir dir;
    testing::WriteVoice(dir, voice);
    Configuration config;
    config.SetBaseDirectory(dir.dir());
    EXPECT_FALSE(TPsola(config).FollowsPlan());
    EXPECT_FALSE(TPsola(config).JoinsVowelHalves());
    config.switches().trajanje_po_nacrtu = true;
    config.switches().zdruzi_polovici_samoglasnika = true;
    EXPECT_TRUE(TPsola(config).FollowsPlan());
    EXPECT_TRUE(TPsola(config).JoinsVowelHalves());
}

// A vowel in two halves sounds as one alophone when the voice asks for it:
// otherwise the joining splices the two as neighbouring units sharing a
// phoneme, averaging their durations (the vowel loses half its time).
TEST(Psola, VowelHalvesSoundAsOneAlophoneWhenTheVoiceAsksForIt) {
    Psola psola(Voice());
    const auto sentence = Records({{"_", 50, 0, 0, 0},
                                   {"a", 50, 100, 110, 120},
                                   {"a", 50, 120, 130, 130},
                                   {"_", 50, 0, 0, 0}});
    ASSERT_EQ(psola->Run(sentence), 0);
    const auto spliced = static_cast<std::int64_t>(psola->Samples().size());
    psola->SetJoinVowelHalves(true);
    ASSERT_EQ(psola->Run(sentence), 0);
    const auto joined = static_cast<std::int64_t>(psola->Samples().size());
    EXPECT_GE(joined - spliced, 40 * 16);
    const auto a = std::find_if(psola->Alophones().begin(), psola->Alophones().end(),
                                [](const AlophoneEntry& e) { return e.symbol == 'a'; });
    ASSERT_NE(a, psola->Alophones().end());
    EXPECT_EQ(a->duration, 100);
    EXPECT_EQ(a->pitch_mid, 120);
    EXPECT_EQ(a->pitch_end, 130);
}

TEST(Construction, AFailedDatabaseThrowsAfterItsMessage) {
    TempDir dir;
    EXPECT_THROW(TPsola(dir.file("none.dat"), dir.file("Cost.dat"), true), PsolaInitError);
    EXPECT_EQ(LastError(), "TPsola::TPsola>>Could not initialize the database>>Error calling "
                           "InitTables function to read the wave database");
}

TEST(Construction, TheDriverLoadsTheVoiceFromTheBaseDirectory) {
    TempDir dir;
    const testing::VoiceFiles files = testing::WriteVoice(dir, Voice());
    Configuration config;
    config.SetBaseDirectory(dir.dir());
    for (bool in_memory : {true, false}) {
        config.switches().vzorci_v_pomnilniku = in_memory;
        StageFactory factory = DefaultStages();
        Sint sint(config, factory);
        EXPECT_TRUE(sint.InitPsola()) << LastError();
        TPsola direct(config);
        EXPECT_EQ(direct.Tables().db.SamplesInMemory(), in_memory);
    }
    // A database one byte too long: the constructor throws, InitPsola says
    // false, and the host goes on.
    std::filesystem::resize_file(files.database, std::filesystem::file_size(files.database) + 1);
    Sint sint(config, DefaultStages());
    EXPECT_FALSE(sint.InitPsola());
    EXPECT_FALSE(sint.HasPsola());
}

TEST(Construction, TheDriverRendersASentenceThroughTheGenerator) {
    TempDir dir;
    testing::WriteVoice(dir, Voice());
    Configuration config;
    config.SetBaseDirectory(dir.dir());
    config.switches().pisi_dnevnik = false;
    StageFactory factory = DefaultStages();
    factory.converter = [](const Configuration&) { return MakeStandInConverter(); };
    factory.micro = [](const Configuration&, IConverter&) { return MakeStandInMicro(); };
    factory.macro = [](const Configuration&, IConverter&) { return MakeStandInMacro(); };
    Sint sint(config, factory);
    ASSERT_EQ(sint.InitSint(), 0);
    ASSERT_TRUE(sint.InitPsola()) << LastError();
    ASSERT_GT(sint.GrafemskoFonemskaPretvorba("ami"), 0);
    ASSERT_EQ(sint.Prozodija(nullptr), 0);
    std::int32_t count = 0;
    const std::int16_t* samples = sint.SintezaGovoraStream(count);
    ASSERT_NE(samples, nullptr) << LastError();
    EXPECT_GT(count, 400 + 3 * 80 * 16 / 2);
    EXPECT_TRUE(std::any_of(samples + 400, samples + count, [](std::int16_t v) { return v != 0; }));
}

}  // namespace
}  // namespace tarvox
