#include "synth/unit_selection.h"

#include <gtest/gtest.h>

#include <string>

#include "base/diag.h"
#include "voice_fixture.h"

namespace tarvox {
namespace {

using testing::Records;
using testing::SineVoice;
using testing::TempDir;
using testing::Target;

std::vector<std::uint8_t> Bytes(std::string_view s) { return {s.begin(), s.end()}; }

// Loads a database (samples in memory) with the given costs.
class Tables {
public:
    explicit Tables(const VoiceDatabaseContent& content, std::vector<CostEntry> costs = {{"a", 5}}) {
        const testing::VoiceFiles files = testing::WriteVoice(dir_, content, costs);
        ok_ = !files.database.empty() && InitTables(files.database, files.costs, true, tables_) == 0;
    }
    bool ok() const { return ok_; }
    const VoiceTables& get() const { return tables_; }

private:
    TempDir dir_;
    VoiceTables tables_;
    bool ok_ = false;
};

TEST(LongestMatch, TakesTheFirstOccurrenceThatReachesTheGreatestLength) {
    Tables t(SineVoice().Add("sabdkabdefabdef").Build());
    ASSERT_TRUE(t.ok()) << LastError();
    struct Case {
        const char* sentence;
        std::size_t start;
        std::int32_t occurrence, length;
    } cases[] = {
        {"abdefg", 0, 5, 5},   // "abdk" is shorter; the second "abdef" is not first
        {"abde", 0, 5, 4},     // never past the end of the sentence
        {"abdk", 0, 1, 4},
        {"xabd", 1, 1, 3},
        {"abp", 0, -1, 0},     // triphone not recorded
        {"ab", 0, -1, 0},
    };
    for (const Case& c : cases) {
        const UnitMatch m = LongestMatch(Bytes(c.sentence), c.start, t.get().db);
        EXPECT_EQ(m.occurrence, c.occurrence) << c.sentence;
        EXPECT_EQ(m.length, c.length) << c.sentence;
    }
}

std::vector<SelectedUnit> Units(const Tables& t, std::string_view sentence) {
    return MakeSentence(Bytes(sentence), t.get()).value_or(std::vector<SelectedUnit>{});
}

TEST(MakeSentence, CostsCutAUnitWhereACheaperJoinStartsALongerMatch) {
    const VoiceDatabaseContent voice = SineVoice().Add("kparskmrstuvm").Build();
    struct Case {
        const char* name;
        std::vector<CostEntry> costs;
        std::vector<SelectedUnit> units;
    } cases[] = {
        // Equal costs: the candidate is the last position, no cut.
        {"equal", {{"a", 5}}, {{1, 4, 0}, {8, 4, 3}, {11, 1, 6}}},
        // r is cheap and s dear: e + a = 5 + 1 <= 10, cut after r.
        {"cut", {{"r", 1}, {"s", 10}}, {{1, 3, 0}, {7, 5, 2}, {11, 1, 6}}},
        // r cheap, s not dear enough: 5 + 1 > 5, no cut.
        {"no cut", {{"r", 1}}, {{1, 4, 0}, {8, 4, 3}, {11, 1, 6}}},
    };
    for (const Case& c : cases) {
        Tables t(voice, c.costs);
        ASSERT_TRUE(t.ok()) << LastError();
        EXPECT_EQ(Units(t, "parstuv"), c.units) << c.name;
    }
}

TEST(MakeSentence, FallsBackToDiphonesAndAlophones) {
    Tables t(SineVoice().Add("kablsm").Build());
    ASSERT_TRUE(t.ok()) << LastError();
    // "ab" only as a pair: a two-symbol unit, the next one starts on b.
    EXPECT_EQ(Units(t, "abs"), (std::vector<SelectedUnit>{{1, 2, 0}, {2, 1, 1}, {4, 1, 2}}));
    // Single alophones do not overlap.
    EXPECT_EQ(Units(t, "ks"), (std::vector<SelectedUnit>{{0, 1, 0}, {4, 1, 1}}));
    // A symbol no index knows is dropped with its message.
    std::string logged;
    SetTraceHook([&](std::string_view text) { logged += text; });
    ClearError();
    EXPECT_EQ(Units(t, "kzs"), (std::vector<SelectedUnit>{{0, 1, 0}, {4, 1, 2}}));
    SetTraceHook(nullptr);
    EXPECT_EQ(logged, "Error in function \"MakeSentence\". Can't find the symbol 'z'.");
    EXPECT_FALSE(ErrorFlag());
    EXPECT_TRUE(Units(t, "").empty());
}

TEST(MakeSentence, ARecordedStretchGivesOneUnitAndAFinalOneSymbolUnit) {
    Tables t(SineVoice().Add(" abdefg ").Build());
    ASSERT_TRUE(t.ok()) << LastError();
    EXPECT_EQ(Units(t, "abdefg"), (std::vector<SelectedUnit>{{1, 6, 0}, {6, 1, 5}}));
    EXPECT_EQ(Units(t, " abdefg "), (std::vector<SelectedUnit>{{0, 8, 0}, {0, 1, 7}}));
}

struct InitResult {
    int result;
    std::vector<AlophoneEntry> entries;
    std::string error;
};

InitResult RunInit(const VoiceDatabaseContent& voice, const std::vector<PhonemeRecord>& records) {
    Tables t(voice);
    EXPECT_TRUE(t.ok()) << LastError();
    std::vector<SelectedUnit> units;
    InitResult r;
    // Selection's problems go to the engine's log, not the error channel.
    SetTraceHook([&](std::string_view text) { r.error += text; });
    r.result = InitAlophones(records, t.get(), units, r.entries);
    SetTraceHook(nullptr);
    return r;
}

TEST(Init, BuildsOneEntryPerSymbolOfEveryUnit) {
    const InitResult r = RunInit(SineVoice().Add("kab", 160, 4).Build(),
                                 Records({{"k", 0, 0, 0, 0}, {"a", 80, 100, 120, 140}, {"b", 60, 90, 90, 90}}));
    EXPECT_EQ(r.result, 0);
    ASSERT_EQ(r.entries.size(), 4u);  // "kab" then the final "b"
    EXPECT_EQ(r.entries[1].symbol, 'a');
    EXPECT_EQ(r.entries[1].db_index, 1);
    EXPECT_EQ(r.entries[1].pitch_mid, 120);
    EXPECT_EQ(r.entries[1].duration, 80);
    EXPECT_EQ(r.entries[1].markers, (std::vector<PitchMarker>{{4, 0}, {5, 0}, {6, 0}, {7, 0}}));
    EXPECT_EQ(r.entries[3].db_index, 2);
}

TEST(Init, ClampsOrSkipsTargetsOutOfLimits) {
    const VoiceDatabaseContent voice = SineVoice().Add("ab").Build();
    struct Case {
        const char* name;
        Target a;
        bool kept;
        std::int32_t start, mid, end, duration;
    } cases[] = {
        {"30 Hz raised", {"a", 80, 30, 100, 100}, true, 40, 100, 100, 80},
        {"negative pitch", {"a", 80, -5, 100, 600}, true, 40, 100, 500, 80},
        {"long duration", {"a", 2000, 100, 100, 100}, true, 100, 100, 100, 1500},
        {"duration -1 dropped", {"a", -1, 100, 100, 100}, false, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        const InitResult r = RunInit(voice, Records({c.a, {"b", 50, 100, 100, 100}}));
        EXPECT_EQ(r.result, -2) << c.name;
        EXPECT_NE(r.error.find("TPsola::Init>>Invalid alophone data>>"), std::string::npos) << c.name;
        const bool has_a = !r.entries.empty() && r.entries[0].symbol == 'a';
        EXPECT_EQ(has_a, c.kept) << c.name;
        if (!has_a) continue;
        EXPECT_EQ(r.entries[0].pitch_start, c.start) << c.name;
        EXPECT_EQ(r.entries[0].pitch_mid, c.mid) << c.name;
        EXPECT_EQ(r.entries[0].pitch_end, c.end) << c.name;
        EXPECT_EQ(r.entries[0].duration, c.duration) << c.name;
    }
    const InitResult bad = RunInit(voice, Records({{"a", 50, 0, 0, 0}, {"x", 50, 0, 0, 0}}));
    EXPECT_EQ(bad.result, -1);
    EXPECT_TRUE(bad.entries.empty());
    EXPECT_NE(bad.error.find("SAMPA symbol \"x\" at position 1 in input array could not be converted"),
              std::string::npos);
}

TEST(Init, SkipsAlophonesWhoseRecordingIsUnusable) {
    auto broken_win_index = [] {
        VoiceDatabaseContent c = SineVoice().Add("ab").Build();
        c.win_index[0] = 1000;
        return c;
    };
    auto short_win_index = [] {
        VoiceDatabaseContent c = SineVoice().Add("ab").Build();
        c.win_index.pop_back();  // b has no closing entry
        return c;
    };
    struct Case {
        const char* name;
        VoiceDatabaseContent voice;
        const char* message;
        std::size_t entries;
    } cases[] = {
        {"marker 399 from the start", SineVoice(399).Add("ab").Build(), "Marker too close", 2},
        {"marker 400 from the start", SineVoice(400).Add("ab").Build(), nullptr, 3},
        {"marker too close to the end", SineVoice(800, 8000, 0).Add("ab").Build(), "Marker too close", 1},
        {"period of 30 samples", SineVoice().Add('a', 30, 10).Add('b').Build(), "Invalid frequency", 2},
        {"period of 401 samples", SineVoice().Add('a', 401, 3).Add('b').Build(), "Invalid frequency", 2},
        {"longer than 1500 ms", SineVoice().Add('a', 400, 61).Add('b').Build(), "Invalid alophone in wave database", 2},
        {"no markers", SineVoice().Add('a', 160, 0).Add('b').Build(), "Empty alophone", 2},
        {"marker index outside", broken_win_index(), "Invalid marker index", 2},
        {"alophone outside", short_win_index(), "Invalid alophone found", 1},
    };
    for (const Case& c : cases) {
        const InitResult r = RunInit(c.voice, Records({{"a", 50, 100, 100, 100}, {"b", 50, 100, 100, 100}}));
        EXPECT_EQ(r.result, c.message ? -2 : 0) << c.name;
        if (c.message) {
            EXPECT_NE(r.error.find(c.message), std::string::npos) << c.name << ": " << r.error;
        }
        // "ab" then the final "b": a failing a leaves two entries, a failing b one.
        EXPECT_EQ(r.entries.size(), c.entries) << c.name;
    }
}

// Glue over hand-made entries on a database of alophones of 20 markers.
AlophoneEntry Entry(char symbol, std::int32_t db_index, std::int32_t first_marker, int markers,
                    std::int32_t start = 100, std::int32_t mid = 100, std::int32_t end = 100,
                    std::int32_t duration = 80) {
    AlophoneEntry e;
    e.symbol = static_cast<std::uint8_t>(symbol);
    e.db_index = db_index;
    e.pitch_start = start;
    e.pitch_mid = mid;
    e.pitch_end = end;
    e.duration = duration;
    for (int i = 0; i < markers; ++i) e.markers.push_back({first_marker + i, 0});
    return e;
}

std::vector<std::int32_t> MarkerIndexes(const AlophoneEntry& e) {
    std::vector<std::int32_t> v;
    for (const PitchMarker& m : e.markers) v.push_back(m.index);
    return v;
}

std::vector<std::int32_t> Range(std::int32_t from, std::int32_t to) {
    std::vector<std::int32_t> v;
    for (std::int32_t i = from; i < to; ++i) v.push_back(i);
    return v;
}

class Glue : public ::testing::Test {
protected:
    Tables t{SineVoice().Add("abbbcdefgh", 160, 20).Build()};
    const VoiceDatabase& db() { return t.get().db; }
};

TEST_F(Glue, ContinuationHalvesTheFirstAlophoneAndLeavesTheLastPending) {
    std::vector<AlophoneEntry> list = {Entry('a', 0, 0, 20), Entry('b', 1, 20, 20), Entry('b', 2, 40, 20)};
    GlueAlophones(list, db());
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(MarkerIndexes(list[0]), Range(10, 20));
    EXPECT_EQ(list[0].duration, 40);
    EXPECT_EQ(MarkerIndexes(list[1]), Range(20, 40));  // not halved
    EXPECT_EQ(list[1].duration, 80);
}

TEST_F(Glue, SharedPhonemeIsSplicedAtItsMiddle) {
    std::vector<AlophoneEntry> list = {Entry('a', 0, 0, 20, 100, 120, 140, 80),
                                       Entry('a', 5, 100, 20, 200, 221, 240, 121)};
    GlueAlophones(list, db());
    ASSERT_EQ(list.size(), 1u);
    std::vector<std::int32_t> expected = Range(0, 10);
    for (std::int32_t m : Range(110, 120)) expected.push_back(m);
    EXPECT_EQ(MarkerIndexes(list[0]), expected);
    EXPECT_EQ(list[0].db_index, 5);
    EXPECT_EQ(list[0].pitch_start, 150);
    EXPECT_EQ(list[0].pitch_mid, 170);
    EXPECT_EQ(list[0].pitch_end, 190);
    EXPECT_EQ(list[0].duration, 100);

    list = {Entry('a', 0, 0, 3, 0, 0, 0, 80), Entry('a', 5, 100, 3, 200, 200, 200, 0)};
    GlueAlophones(list, db());
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(MarkerIndexes(list[0]), (std::vector<std::int32_t>{0, 101, 102}));
    EXPECT_EQ(list[0].pitch_start, 0);
    EXPECT_EQ(list[0].duration, 0);
}

TEST_F(Glue, NoTransitionTrimsBothSidesAndReportsThePair) {
    std::vector<AlophoneEntry> list = {Entry('a', 0, 0, 20, 100, 100, 100),
                                       Entry('e', 6, 120, 20, 200, 250, 300)};
    std::string logged;
    SetTraceHook([&](std::string_view text) { logged += text; });
    GlueAlophones(list, db());
    SetTraceHook(nullptr);
    EXPECT_EQ(logged, "TPsola::Glue>>Diphone not found>>Diphone (a,e) was not found in wave "
                           "database. Temporary glueing alophones together. Update the master wave "
                           "database to include that diphone!");
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(MarkerIndexes(list[0]), Range(0, 18));  // 20 recorded markers: 2 dropped
    EXPECT_EQ(list[0].pitch_end, 300);
    EXPECT_EQ(list[0].pitch_mid, 200);
    EXPECT_EQ(MarkerIndexes(list[1]), Range(122, 140));
    EXPECT_EQ(list[1].pitch_start, 200);

    // An unvoiced side: prev becomes unvoiced, and a short prev loses every
    // marker (synthesis then skips it).
    list = {Entry('a', 0, 0, 1, 100, 100, 100), Entry('e', 6, 120, 5, 0, 0, 0)};
    GlueAlophones(list, db());
    ASSERT_EQ(list.size(), 2u);
    EXPECT_TRUE(list[0].markers.empty());
    EXPECT_EQ(list[0].pitch_start, 0);
    EXPECT_EQ(MarkerIndexes(list[1]), Range(120, 125));
}

TEST_F(Glue, MixedJoinsAndShortLists) {
    std::vector<AlophoneEntry> list = {Entry('a', 0, 0, 20), Entry('b', 1, 20, 20), Entry('b', 3, 60, 20),
                                       Entry('c', 4, 80, 20), Entry('f', 7, 140, 20)};
    GlueAlophones(list, db());
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(list[0].symbol, 'a');
    EXPECT_EQ(list[1].db_index, 3);  // b spliced with the later b
    EXPECT_EQ(list[2].symbol, 'c');
    EXPECT_EQ(MarkerIndexes(list[2]), Range(80, 98));
    EXPECT_EQ(MarkerIndexes(list[3]), Range(142, 160));

    list = {Entry('a', 0, 0, 20)};
    GlueAlophones(list, db());
    EXPECT_TRUE(list.empty());
}

}  // namespace
}  // namespace tarvox
