#include "synth/release_timing.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "lexicon/sampa.h"
#include "synth/psola_render.h"

namespace tarvox {
namespace {

std::uint8_t Symbol(const char* sampa) {
    return static_cast<std::uint8_t>(ConvertSAMPA(sampa).front());
}

// Markers every 160 samples (10 ms) from sample 1000: marker m at 1000 + 160 m.
std::vector<std::int32_t> Marks(int count) {
    std::vector<std::int32_t> v(static_cast<std::size_t>(count));
    for (int m = 0; m < count; ++m) v[static_cast<std::size_t>(m)] = 1000 + 160 * m;
    return v;
}

// An unvoiced entry over markers first .. first + n - 1.
AlophoneEntry Entry(const char* sampa, std::int32_t duration, int first, int n) {
    AlophoneEntry e;
    e.symbol = Symbol(sampa);
    e.duration = duration;
    for (int m = first; m < first + n; ++m) e.markers.push_back({m, 0});
    return e;
}

TEST(ReleaseTiming, RecordedLengthSpansTheMarkersPeriods) {
    const auto marks = Marks(10);
    EXPECT_EQ(RecordedLength(Entry("p", 0, 2, 5), marks), 40);  // four periods of 10 ms
    EXPECT_EQ(RecordedLength(Entry("p", 0, 2, 1), marks), 0);
}

struct Case {
    const char* closure;
    std::int32_t closure_ms;  // nine tenths of the plosive
    const char* release;
    std::int32_t release_ms;  // as the record gives it
    int release_marks;        // recorded length: (marks - 1) x 10 ms
    std::int32_t closure_after, release_after;
};

TEST(ReleaseTiming, TheReleaseIsTakenOutOfTheClosure) {
    const auto marks = Marks(20);
    const Case cases[] = {
        // 80 ms planned, 40 ms recorded release: the closure keeps 40 ms.
        {"-", 72, "p", 0, 5, 40, 0},
        {"=", 72, "d", 0, 5, 40, 0},
        // 20 ms planned (a fast rate): the release shrinks to two thirds.
        {"-", 18, "t", 0, 5, 7, 13},
        // A release with a duration of its own, or after no closure, stays.
        {"-", 72, "p", 30, 5, 72, 30},
        {"s", 72, "p", 0, 5, 72, 0},
        // A closure of 0 ms keeps its recorded length: not touched.
        {"-", 0, "p", 0, 5, 0, 0},
    };
    for (const Case& c : cases) {
        std::vector<AlophoneEntry> list = {Entry(c.closure, c.closure_ms, 0, 4),
                                           Entry(c.release, c.release_ms, 5, c.release_marks)};
        FitReleasesIntoClosures(list, marks);
        EXPECT_EQ(list[0].duration, c.closure_after) << c.closure << c.closure_ms << c.release;
        EXPECT_EQ(list[1].duration, c.release_after) << c.closure << c.closure_ms << c.release;
    }
}

TEST(ReleaseTiming, EntriesWithoutMarkersArePassedOver) {
    const auto marks = Marks(20);
    std::vector<AlophoneEntry> list = {Entry("-", 72, 0, 4), Entry("a", 0, 0, 0),
                                       Entry("p", 0, 5, 5)};
    FitReleasesIntoClosures(list, marks);
    EXPECT_EQ(list[0].duration, 40);
}

// Voiced entries of 25 ms at 100 Hz (160-sample periods): each alone runs
// to 480 samples instead of 400.
std::vector<AlophoneEntry> Voiced(int count) {
    AlophoneEntry e = Entry("a", 25, 0, 4);
    e.pitch_start = e.pitch_mid = e.pitch_end = 100;
    return std::vector<AlophoneEntry>(static_cast<std::size_t>(count), e);
}

TEST(CarriedOvershoot, KeepsTheSentenceWithinAPeriodOfItsPlan) {
    const auto marks = Marks(10);
    auto list = Voiced(10);
    const RenderPlan rounded = PlanSentence(list, marks);
    EXPECT_EQ(rounded.length - kLeadingSilence, 10 * 480);
    const RenderPlan carried = PlanSentence(list, marks, kWindowScale, true);
    EXPECT_GE(carried.length - kLeadingSilence, 10 * 400);
    EXPECT_LT(carried.length - kLeadingSilence, 10 * 400 + 160);
    // Every window stays a whole period after the one before it.
    for (std::size_t i = 1; i < carried.windows.size(); ++i)
        EXPECT_EQ(carried.windows[i].out_center - carried.windows[i - 1].out_center, 160);
}

TEST(CarriedOvershoot, AnEntryKeepsAtLeastOneWindow) {
    const auto marks = Marks(10);
    auto list = Voiced(3);
    list[0].duration = 100;  // 1600 samples: no overshoot
    list[1].duration = 1;    // 16 samples: one window, 144 over
    list[2].duration = 1;    // the carry exceeds it: still one window
    const RenderPlan plan = PlanSentence(list, marks, kWindowScale, true);
    EXPECT_EQ(plan.windows.size(), 12u);
}

PhonemeRecord Rec(const char* name, int duration, int p0, int p1, int p2) {
    PhonemeRecord r{};
    SetSymbol(r.symbol, name);
    r.duration = duration;
    r.pitch_start = p0;
    r.pitch_mid = p1;
    r.pitch_end = p2;
    return r;
}

TEST(VowelHalves, TwoRecordsOfOneVowelBecomeOneGlide) {
    const std::vector<PhonemeRecord> in = {Rec("d", 40, 100, 100, 110), Rec("a:", 60, 110, 120, 140),
                                           Rec("a:", 61, 140, 160, 160), Rec("s", 50, 160, 160, 160),
                                           Rec("i", 50, 100, 100, 100), Rec("i", 0, 100, 100, 100),
                                           Rec("n", 50, 100, 100, 100), Rec("n", 50, 100, 100, 100),
                                           Rec("", 0, 0, 0, 0)};
    const std::vector<PhonemeRecord> out = JoinVowelHalves(in);
    ASSERT_EQ(out.size(), in.size() - 1);
    EXPECT_EQ(SymbolOf(out[1].symbol), "a:");
    EXPECT_EQ(out[1].duration, 121);
    EXPECT_EQ(out[1].pitch_start, 110);
    EXPECT_EQ(out[1].pitch_mid, 140);  // where the halves met
    EXPECT_EQ(out[1].pitch_end, 160);
    // A half of 0 ms (its recorded length) and two consonants stay apart.
    EXPECT_EQ(SymbolOf(out[3].symbol), "i");
    EXPECT_EQ(SymbolOf(out[4].symbol), "i");
    EXPECT_EQ(SymbolOf(out[5].symbol), "n");
    EXPECT_EQ(SymbolOf(out[6].symbol), "n");
    EXPECT_TRUE(SymbolOf(out.back().symbol).empty());
}

}  // namespace
}  // namespace tarvox
