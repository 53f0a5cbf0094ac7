#include "driver/unit_conversion.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarvox {
namespace {

struct In {
    const char* symbol;
    int duration;
    int pitch;
};

std::vector<StageRecord> Records(std::initializer_list<In> in) {
    std::vector<StageRecord> out;
    for (const In& i : in) {
        StageRecord r{};
        SetSymbol(r.symbol, i.symbol);
        r.duration = static_cast<std::int16_t>(i.duration);
        r.pitch = static_cast<std::int16_t>(i.pitch);
        out.push_back(r);
    }
    return out;
}

// "sym:dur" for every record without the leading pause and the terminator.
std::string Units(const std::vector<PhonemeRecord>& out) {
    std::string s;
    for (std::size_t i = 1; i + 1 < out.size(); ++i) {
        if (!s.empty()) s += ' ';
        s += std::string(SymbolOf(out[i].symbol)) + ":" + std::to_string(out[i].duration);
    }
    return s;
}

std::vector<PhonemeRecord> ConvertRef(std::vector<StageRecord>& in, PitchSettings s) {
    std::vector<PhonemeRecord> out;
    const int n = ConvertUnits(in, s, out);
    EXPECT_EQ(n + 1, static_cast<int>(out.size()));
    return out;
}

std::vector<PhonemeRecord> Convert(std::vector<StageRecord> in, PitchSettings s = {100, 100, 0}) {
    return ConvertRef(in, s);
}

TEST(UnitConversion, SplitsPausesPlosivesAndAffricates) {
    struct Case {
        std::vector<StageRecord> in;
        const char* units;
    };
    const Case cases[] = {
        {Records({{"_", 100, 0}}), "_:35 _:30 _:35"},
        {Records({{"_", 60, 0}}), "_:30 _:30"},
        {Records({{"_", 200, 0}}), "_:40 _:120 _:40"},
        {Records({{"_", 30, 0}}), "_:30"},
        {Records({{"_", 81, 0}}), "_:25 _:30 _:25"},
        {Records({{"p", 80, 100}}), "-:72 p:0"},
        {Records({{"d", 55, 100}}), "=:49 d:0"},
        {Records({{"ts", 100, 100}}), "-:45 t:0 s:45"},
        {Records({{"tS", 99, 100}}), "-:44 t:0 S:44"},
        {Records({{"a\"", 90, 100}, {"F", 50, 100}, {"n'", 40, 100}}), "a::90 m:50 n:40"},
    };
    for (const Case& c : cases) EXPECT_EQ(Units(Convert(c.in)), c.units);
}

TEST(UnitConversion, ContextVariants) {
    struct Case {
        std::vector<StageRecord> in;
        const char* units;
    };
    const Case cases[] = {
        {Records({{"a", 50, 100}, {"i", 50, 100}, {"n", 50, 100}}), "a:50 i:50 n:50"},
        {Records({{"a", 50, 100}, {"i", 50, 100}, {"s", 50, 100}}), "a:50 I:50 s:50"},
        {Records({{"w", 50, 100}, {"a", 50, 100}}), "u:50 a:50"},
        {Records({{"a", 50, 100}, {"w", 50, 100}}), "a:50 U:50"},
        {Records({{"O", 50, 100}, {"u", 50, 100}}), "O:50 U:50"},
        {Records({{"a", 50, 100}, {"j", 50, 100}, {"a", 50, 100}}), "a:50 j:50 a:50"},
        {Records({{"a", 50, 100}, {"j", 50, 100}, {"s", 50, 100}}), "a:50 I:50 s:50"},
        {Records({{"a", 50, 100}, {"i", 50, 100}, {"u", 50, 100}}), "a:50 I:50 u:50"},
    };
    for (const Case& c : cases) EXPECT_EQ(Units(Convert(c.in)), c.units);
}

TEST(UnitConversion, EmptyInputGivesPauseAndTerminator) {
    std::vector<StageRecord> in;
    std::vector<PhonemeRecord> out;
    EXPECT_EQ(ConvertUnits(in, {100, 90, 0}, out), 1);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_STREQ(out[0].symbol, "_");
    EXPECT_EQ(out[0].duration, 50);
    EXPECT_EQ(out[0].pitch_start + out[0].pitch_mid + out[0].pitch_end, 0);
    EXPECT_STREQ(out[1].symbol, "");
}

TEST(UnitConversion, PitchRangeAndOffset) {
    auto in = Records({{"a", 100, 140}, {"m", 100, 60}});
    auto out = ConvertRef(in, {100, 100, 0});
    EXPECT_EQ(in[0].pitch, 140);
    EXPECT_EQ(out[1].pitch_mid, 140);
    in = Records({{"a", 100, 140}, {"m", 100, 61}});
    out = ConvertRef(in, {100, 50, 0});
    EXPECT_EQ(in[0].pitch, 120);
    EXPECT_EQ(in[1].pitch, 81);  // 100 + (-39 * 50) / 100 truncates toward zero
    in = Records({{"a", 100, 140}});
    out = ConvertRef(in, {100, 100, -20});
    EXPECT_EQ(out[1].pitch_mid, 120);
}

TEST(UnitConversion, PitchJoinsAtVoicedBoundariesAndInterpolatesUnvoiced) {
    auto out = Convert(Records({{"a", 100, 100}, {"m", 100, 200}, {"s", 100, 0}, {"o:", 100, 180}}));
    // records: _ a m s o: terminator
    ASSERT_EQ(out.size(), 6u);
    EXPECT_EQ(out[2].pitch_start, (3 * 100 + 200) / 4);  // vowel then voiced
    EXPECT_EQ(out[1].pitch_end, out[2].pitch_start);
    // "s" runs from the end of "m" to the start of "o:"
    EXPECT_EQ(out[3].pitch_start, 200);
    EXPECT_EQ(out[3].pitch_mid, 190);
    EXPECT_EQ(out[3].pitch_end, 180);
    // the leading pause takes the start pitch of "a" throughout
    EXPECT_EQ(out[0].pitch_start, 100);
    EXPECT_EQ(out[0].pitch_end, 100);
    EXPECT_EQ(out[5].pitch_mid, out[4].pitch_end);
}

TEST(UnitConversion, TrailingUnvoicedStretchKeepsItsStartPitch) {
    auto out = Convert(Records({{"a", 100, 150}, {"s", 60, 0}, {"_", 30, 0}}));
    ASSERT_EQ(out.size(), 5u);
    for (int i : {2, 3}) {
        EXPECT_EQ(out[i].pitch_start, 150);
        EXPECT_EQ(out[i].pitch_end, 150);
    }
    auto silent = Convert(Records({{"s", 60, 0}, {"_", 30, 0}}));
    for (std::size_t i = 0; i + 1 < silent.size(); ++i) EXPECT_EQ(silent[i].pitch_mid, 0);
}

TEST(UnitConversion, LongSentencesGrowTheList) {
    std::vector<StageRecord> in(1000, Records({{"ts", 100, 100}})[0]);
    std::vector<PhonemeRecord> out;
    EXPECT_EQ(ConvertUnits(in, {100, 90, 0}, out), 3001);
}

}  // namespace
}  // namespace tarvox
