#include "text/time_expressions.h"

#include <gtest/gtest.h>

#include "text_fixture.h"

namespace tarvox {
namespace {

using testing::TextFixture;

TEST(ParseTime, AcceptsOnlyClockTimes) {
    struct Case {
        const char* token;
        bool valid;
        int h, m, s;
    };
    const Case cases[] = {
        {"12:30", true, 12, 30, -1}, {"8:15:30", true, 8, 15, 30}, {"8h", true, 8, 0, -1},
        {"24H", true, 24, 0, -1},    {"24:00", true, 24, 0, -1},   {"0:00", true, 0, 0, -1},
        {"12::30", true, 12, 30, -1}, {"25:00", false, 0, 0, 0},  {"12:60", false, 0, 0, 0},
        {"12:30:60", false, 0, 0, 0}, {"1230", false, 0, 0, 0},   {"12:", false, 0, 0, 0},
        {"12:30h", false, 0, 0, 0},  {"8h5", false, 0, 0, 0},     {"25h", false, 0, 0, 0},
        {"1:2:3:4", false, 0, 0, 0}, {"12:3a", false, 0, 0, 0},   {"h", false, 0, 0, 0},
        {"99999999:1", false, 0, 0, 0},
    };
    for (const Case& c : cases) {
        ClockTime t;
        ASSERT_EQ(ParseTime(c.token, t), c.valid) << c.token;
        if (!c.valid) continue;
        EXPECT_EQ(t.hours, c.h) << c.token;
        EXPECT_EQ(t.minutes, c.m) << c.token;
        EXPECT_EQ(t.seconds, c.s) << c.token;
    }
}

class TimeStep : public ::testing::Test {
protected:
    std::string Expand(std::string_view in) {
        std::string out;
        ExpandTimes(in, out, f.times, f.classes);
        return out;
    }
    TextFixture f;
};

TEST_F(TimeStep, ReadsTimesInTheirHourForm) {
    struct Case {
        const char* in;
        const char* out;
    };
    const Case cases[] = {
        {"Ura je 12:30.", "Ura je dvanajst in trideset ura."},
        {"Ura je 12:00.", "Ura je dvanajst ura."},
        {"Ura je 12:00:00.", "Ura je dvanajst ura."},
        {"8:15:30", "osem ur petnajst in trideset ura"},
        {"ob 8:15, ne prej", "ob osmih in petnajst ura, ne prej"},
        {"Okoli 8:15 bo", "Okoli osme in petnajst ura bo"},
        {"OKROG\n 9h", "OKROG\n devete ura"},
        {"po 24:00", "po ni~tih ura"},
        {"Ob 8h.", "Ob osmih ura."},
        {"Vlak 8h", "Vlak osem ura"},
        {"25:00 12:60 12:30:60", "25:00 12:60 12:30:60"},
        {"x12:30 12.30 1230", "x12:30 12.30 1230"},
        {"ob8:15", "ob8:15"},
    };
    for (const Case& c : cases) EXPECT_EQ(Expand(c.in), c.out) << c.in;
}

TEST_F(TimeStep, SpeakZerosFlag) {
    f.times.speak_zeros = true;
    EXPECT_EQ(Expand("12:00"), "dvanajst in ni~ ura");
    EXPECT_EQ(Expand("12:00:00"), "dvanajst ur ni~ in ni~ ura");
}

TEST_F(TimeStep, WordsThatDoNotFitLeaveTheTime) {
    std::string out = "xx";
    EXPECT_FALSE(TimeWords(f.times, HourForm::Plain, ClockTime{8, 15, -1}, out, 10));
    EXPECT_EQ(out, "xx");
    EXPECT_TRUE(TimeWords(f.times, HourForm::Okoli, ClockTime{8, 15, -1}, out, 100));
    EXPECT_EQ(out, "xxosme in petnajst ura");
}

TEST(TimeTables, ReadFailures) {
    const std::string good = testing::FixtureProfile();
    auto without = [&](const std::string& name) {
        std::string s = good;
        const std::size_t at = s.find("\n" + name + " =");
        const std::size_t end = s.find('\n', at + 1);
        s.erase(at, end - at);
        return s;
    };
    struct Case {
        std::string profile;
        int result;
    };
    const Case cases[] = {
        {good, 0},
        {without("veznik_2"), -1},
        {without("ure_okoli"), -1},
        {without("sekunde"), -1},
        {without("govori_nic_minut_ali_sekund"), -1},
        {without("ure_ob_besede"), -1},
        {good + "veznik_1 = ignored\n", 0},  // the first of two variables wins
        {"veznik_3 = " + std::string(33, 'x') + "\n" + good, -1},
        {"ure = a\tb\tc\n" + good, -1},  // fewer than 24 hour words
    };
    for (const Case& c : cases) {
        testing::TempDir dir;
        Profile p(dir.Write("gfp.ini", c.profile), false);
        ASSERT_TRUE(p.IsLoaded());
        TimeTables t;
        EXPECT_EQ(t.Read(p), c.result);
    }
}

}  // namespace
}  // namespace tarvox
