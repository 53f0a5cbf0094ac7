#include "driver/sint.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "driver/standin_stages.h"
#include "support/test_files.h"

namespace tarvox {
namespace {

using testing::ReadFile;
using testing::TempDir;

// Stages that log every call into one shared journal.
struct Journal {
    std::vector<std::string> calls;
    bool fail_micro = false;
    bool fail_macro = false;
    bool fail_converter_creation = false;
    bool fail_macro_creation = false;
    int micro_alive = 0;
};

class FakeConverter final : public IConverter {
public:
    explicit FakeConverter(Journal& j) : j_(j), inner_(MakeStandInConverter()) {}
    void SetLogDirectory(std::string_view p) override {
        j_.calls.push_back("gfp.log_dir");
        inner_->SetLogDirectory(p);
    }
    void CreateLogFile() override {
        j_.calls.push_back("gfp.avto");
        inner_->CreateLogFile();
    }
    int Convert(const char* text, bool dict) override {
        j_.calls.push_back(std::string("gfp.convert ") + (text ? text : "(null)") +
                           (dict ? " dict" : ""));
        return inner_->Convert(text, dict);
    }
    std::span<char> OutputBuffer() override { return inner_->OutputBuffer(); }

private:
    Journal& j_;
    std::unique_ptr<IConverter> inner_;
};

class FakeMicro final : public IMicroProsody {
public:
    explicit FakeMicro(Journal& j) : j_(j) { ++j_.micro_alive; }
    ~FakeMicro() override { --j_.micro_alive; }
    void Reset(int m) override { j_.calls.push_back("micro.reset " + std::to_string(m)); }
    int Run(const char* text, int) override {
        j_.calls.push_back(std::string("micro.run ") + text);
        last_input = text;
        if (j_.fail_micro) return -1;
        records_.clear();
        for (const char* name : {"a", "p", "_"}) {
            StageRecord r{};
            SetSymbol(r.symbol, name);
            r.duration = 80;
            r.pitch = 120;
            records_.push_back(r);
        }
        return 0;
    }
    std::span<const StageRecord> Records() const override { return records_; }
    int ReferencePitch() const override { return 100; }
    void SetTempo(int rate) override { j_.calls.push_back("micro.tempo " + std::to_string(rate)); }
    std::string last_input;

private:
    Journal& j_;
    std::vector<StageRecord> records_;
};

class FakeMacro final : public IMacroProsody {
public:
    explicit FakeMacro(Journal& j) : j_(j) {}
    int Run(std::span<const StageRecord> r) override {
        j_.calls.push_back("macro.run " + std::to_string(r.size()));
        if (j_.fail_macro) return -1;
        records_.assign(r.begin(), r.end());
        return 0;
    }
    std::span<const StageRecord> Records() const override { return records_; }

private:
    Journal& j_;
    std::vector<StageRecord> records_;
};

StageFactory FakeStages(Journal& j) {
    StageFactory f;
    f.converter = [&j](const Configuration&) -> std::unique_ptr<IConverter> {
        j.calls.push_back("create gfp");
        if (j.fail_converter_creation) throw 1;
        return std::make_unique<FakeConverter>(j);
    };
    f.micro = [&j](const Configuration&, IConverter&) -> std::unique_ptr<IMicroProsody> {
        j.calls.push_back("create micro");
        return std::make_unique<FakeMicro>(j);
    };
    f.macro = [&j](const Configuration&, IConverter&) -> std::unique_ptr<IMacroProsody> {
        j.calls.push_back("create macro");
        if (j.fail_macro_creation) throw 1;
        return std::make_unique<FakeMacro>(j);
    };
    f.wave = [](const Configuration&) { return MakeStandInWave(); };
    return f;
}

class SintTest : public ::testing::Test {
protected:
    void SetUp() override {
        ClearError();
        std::filesystem::create_directories(dir.path() / "log");
        dir.Write("sint.ini",
                  "ini_mikro = m.ini\nini_makro = k.ini\nini_gfp = g.ini\ndct_dir = d\n"
                  "stat_dir = s\nlog_dir = log\nport = 1\npisi_dnevnik = true\n");
        cfg.SetBaseDirectory(dir.path().string());
        ASSERT_EQ(cfg.ProcessSintIni(), 0);
    }
    std::string LogFile(const char* name) const { return (dir.path() / "log" / name).string(); }

    TempDir dir;
    Configuration cfg;
    Journal journal;
    Sint sint{cfg, FakeStages(journal)};
};

TEST_F(SintTest, InitCreatesStagesInOrderAndRefusesASecondInit) {
    ASSERT_EQ(sint.InitSint(), 0);
    EXPECT_EQ(journal.calls, (std::vector<std::string>{"create gfp", "gfp.log_dir", "create micro",
                                                        "create macro", "micro.tempo 0",
                                                        "gfp.avto"}));
    EXPECT_TRUE(std::filesystem::exists(LogFile("avto.bes")));
    EXPECT_EQ(sint.InitSint(), -1);
    EXPECT_EQ(LastError(), "Sintetizator je ze inicializiran!");
    EXPECT_EQ(journal.micro_alive, 1);
    EXPECT_TRUE(sint.IsInitialised());
}

TEST_F(SintTest, FailedStageLeavesNothingHalfBuilt) {
    journal.fail_macro_creation = true;
    EXPECT_EQ(sint.InitSint(), -1);
    EXPECT_FALSE(sint.IsInitialised());
    EXPECT_EQ(journal.micro_alive, 0);
    journal.fail_macro_creation = false;
    EXPECT_EQ(sint.InitSint(), 0);
}

TEST_F(SintTest, ReleaseStateErrors) {
    EXPECT_EQ(sint.ReleaseSint(), -1);
    EXPECT_EQ(LastError(), "Sint se ni inicializiran");
    ASSERT_EQ(sint.InitSint(), 0);
    EXPECT_EQ(sint.ReleaseSint(), 0);
    EXPECT_EQ(journal.micro_alive, 0);
    EXPECT_EQ(sint.ReleaseSint(), -1);
}

TEST_F(SintTest, PipelineCallsBeforeInitFailQuietly) {
    std::vector<std::string> trace;
    SetTraceHook([&trace](std::string_view t) { trace.emplace_back(t); });
    std::int32_t n = 5;
    EXPECT_EQ(sint.GrafemskoFonemskaPretvorba("a"), -1);
    EXPECT_EQ(sint.Prozodija("a"), -1);
    EXPECT_EQ(sint.SintezaGovoraStream(n), nullptr);
    EXPECT_EQ(n, 0);
    SetTraceHook(nullptr);
    EXPECT_EQ(trace, std::vector<std::string>(3, "Sint Ni inicializiran!"));
    EXPECT_FALSE(ErrorFlag());
}

TEST_F(SintTest, SentenceRunsThroughTheStagesInOrder) {
    ASSERT_EQ(sint.InitSint(), 0);
    ASSERT_TRUE(sint.InitPsola());
    EXPECT_FALSE(sint.InitPsola());
    journal.calls.clear();
    EXPECT_GT(sint.GrafemskoFonemskaPretvorba("Prvi. Drugi."), 0);
    EXPECT_STREQ(sint.CurrentTranscription(), "Prvi.");
    ASSERT_EQ(sint.Prozodija(nullptr), 0);
    std::int32_t n = 0;
    const std::int16_t* samples = sint.SintezaGovoraStream(n);
    ASSERT_NE(samples, nullptr);
    // leading pause 50 ms + "a" 80 + "-" 72 + "p" 0 + "_" 80 (two of 40)
    EXPECT_EQ(n, (50 + 80 + 72 + 0 + 80) * 16);
    EXPECT_GT(sint.GrafemskoFonemskaPretvorba(nullptr), 0);
    EXPECT_EQ(sint.GrafemskoFonemskaPretvorba(nullptr), -1);
    EXPECT_EQ(journal.calls,
              (std::vector<std::string>{"gfp.convert Prvi. Drugi. dict", "micro.reset 0",
                                        "micro.run Prvi. .", "macro.run 3",
                                        "gfp.convert (null) dict", "gfp.convert (null) dict"}));
}

// What a generator rendered is the sentence's, whatever its result: a unit
// skipped (-2) leaves the rest, a failed start (-1) the leading silence; a
// run that rendered nothing gives no samples.
class PartialWave final : public IWaveGenerator {
public:
    PartialWave(int result, std::size_t rendered) : result_(result), rendered_(rendered) {}
    int Run(std::span<const PhonemeRecord>) override {
        samples_.assign(rendered_, 7);
        return result_;
    }
    std::span<const std::int16_t> Samples() const override { return samples_; }

private:
    int result_;
    std::size_t rendered_;
    std::vector<std::int16_t> samples_;
};

TEST(SintPartial, WhatTheGeneratorRenderedIsDelivered) {
    const struct {
        int result;
        std::size_t rendered;
    } cases[] = {{0, 160}, {-2, 160}, {-1, 400}, {-1, 0}};
    for (const auto& c : cases) {
        Configuration cfg;
        StageFactory f;
        f.converter = [](const Configuration&) { return MakeStandInConverter(); };
        f.micro = [](const Configuration&, IConverter&) { return MakeStandInMicro(); };
        f.macro = [](const Configuration&, IConverter&) { return MakeStandInMacro(); };
        f.wave = [c](const Configuration&) { return std::make_unique<PartialWave>(c.result, c.rendered); };
        Sint sint(cfg, f);
        cfg.switches().pisi_dnevnik = false;
        ASSERT_EQ(sint.InitSint(), 0);
        ASSERT_TRUE(sint.InitPsola());
        ASSERT_EQ(sint.Prozodija("a"), 0);
        std::int32_t n = 0;
        const std::int16_t* samples = sint.SintezaGovoraStream(n);
        EXPECT_EQ(samples != nullptr, c.rendered > 0) << c.result;
        EXPECT_EQ(n, static_cast<std::int32_t>(c.rendered)) << c.result;
    }
}

TEST_F(SintTest, EmptyTextIsRefused) {
    ASSERT_EQ(sint.InitSint(), 0);
    EXPECT_EQ(sint.GrafemskoFonemskaPretvorba(""), -1);
}

TEST_F(SintTest, LongTranscriptionIsCutToTheBuffer) {
    ASSERT_EQ(sint.InitSint(), 0);
    const std::string longer(900, 'a');
    ASSERT_EQ(sint.Prozodija(longer.c_str()), 0);
    EXPECT_EQ(std::string(sint.CurrentTranscription()).size(), kTranscriptionSize - 1);
    const std::string fits(846, 'a');
    ASSERT_EQ(sint.Prozodija(fits.c_str()), 0);
    EXPECT_EQ(std::string(sint.CurrentTranscription()), fits + " .");
}

TEST_F(SintTest, StageFailuresEndTheSentence) {
    ASSERT_EQ(sint.InitSint(), 0);
    journal.fail_micro = true;
    EXPECT_EQ(sint.Prozodija("a"), -1);
    journal.fail_micro = false;
    journal.fail_macro = true;
    EXPECT_EQ(sint.Prozodija("a"), -1);
}

TEST_F(SintTest, DumpsAreWrittenInTheirFormats) {
    ASSERT_EQ(sint.InitSint(), 0);
    sint.SetFrequencyAgitation(100);
    ASSERT_EQ(sint.Prozodija("a"), 0);
    const std::string header = std::string(40, '-') + "\n";
    EXPECT_EQ(ReadFile(LogFile("mikro.out")), header + "a\t80\t120\np\t80\t120\n_\t80\t120\n");
    EXPECT_EQ(ReadFile(LogFile("makro.out")), ReadFile(LogFile("mikro.out")));
    const std::string convert = ReadFile(LogFile("convert.out"));
    EXPECT_EQ(convert.substr(0, header.size() + 5), header + "_\t50\t");
    EXPECT_NE(convert.find("a\t80\t"), std::string::npos);
    ASSERT_FALSE(sint.OutputList().empty());
    EXPECT_STREQ(sint.OutputList()[0].symbol, "_");
}

TEST_F(SintTest, NoDumpsWhenTheyAreOff) {
    cfg.switches().pisi_dnevnik = false;
    dir.Write("log/convert.out", "earlier");
    ASSERT_EQ(sint.InitSint(), 0);
    ASSERT_EQ(sint.Prozodija("a"), 0);
    EXPECT_FALSE(std::filesystem::exists(LogFile("mikro.out")));
    EXPECT_FALSE(std::filesystem::exists(LogFile("avto.bes")));
    EXPECT_EQ(ReadFile(LogFile("convert.out")), "earlier");
}

TEST_F(SintTest, PitchSettingsAreClamped) {
    sint.SetPitch(80);
    EXPECT_EQ(sint.PitchOffset(), 50);
    sint.SetPitch(-80);
    EXPECT_EQ(sint.PitchOffset(), -50);
    sint.SetFrequencyAgitation(0);
    EXPECT_EQ(sint.PitchRange(), 1);
    sint.SetFrequencyAgitation(500);
    EXPECT_EQ(sint.PitchRange(), 200);
}

}  // namespace
}  // namespace tarvox
