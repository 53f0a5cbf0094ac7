#include "gfp/gfp.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>

#include "base/diag.h"
#include "base/profile_cipher.h"
#include "driver/sint.h"
#include "driver/standin_stages.h"
#include "gfp_fixture.h"
#include "lexicon/inventory.h"

namespace tarvox {
namespace {

using testing::GfpProfile;
using testing::ReadFile;
using testing::StatTables;
using testing::Voice;

// Collects the diagnostic trace while alive.
class TraceLog {
public:
    TraceLog() {
        SetTraceHook([this](std::string_view t) { lines.emplace_back(t); });
    }
    ~TraceLog() { SetTraceHook(nullptr); }
    bool Has(std::string_view text) const {
        return std::find(lines.begin(), lines.end(), text) != lines.end();
    }
    std::vector<std::string> lines;
};

// Converts every sentence of the text; the outputs in order.
std::vector<std::string> ConvertAll(TGfp& gfp, const std::string& text, bool dict = true) {
    std::vector<std::string> out;
    for (int r = gfp.Convert(text.c_str(), dict); r > 0; r = gfp.Convert(nullptr, dict))
        out.emplace_back(gfp.Output());
    return out;
}

TEST(TGfpTest, ConvertsSentenceBySentence) {
    Voice v;
    v.Write();
    TGfp gfp(v.GfpPath(), v.config);
    EXPECT_TRUE(gfp.Initialised());
    EXPECT_EQ(gfp.Convert(nullptr, true), -1);  // nothing given yet
    EXPECT_STREQ(gfp.Output(), "");

    EXPECT_GT(gfp.Convert("miza. kosa! lopata", true), 0);
    EXPECT_STREQ(gfp.Output(), ". mi:za . ");
    EXPECT_GT(gfp.Convert(nullptr, true), 0);
    EXPECT_STREQ(gfp.Output(), ". kO:sa ! ");
    EXPECT_GT(gfp.Convert(nullptr, true), 0);
    EXPECT_STREQ(gfp.Output(), ". lopa:ta . ");
    EXPECT_EQ(gfp.Convert(nullptr, true), -1);
    EXPECT_STREQ(gfp.Output(), ". lopa:ta . ");  // unchanged by a call with nothing left

    // A new text discards what remained of the previous one.
    EXPECT_GT(gfp.Convert("miza. kosa.", true), 0);
    EXPECT_GT(gfp.Convert("lopata.", true), 0);
    EXPECT_STREQ(gfp.Output(), ". lopa:ta . ");
    EXPECT_EQ(gfp.Convert(nullptr, true), -1);
    EXPECT_EQ(gfp.Convert("", true), -1);
}

TEST(TGfpTest, OddTextStaysWithinTheBuffers) {
    Voice v;
    v.Write(GfpProfile(), StatTables(), "a\t" + std::string(900, 'a') + "\r\nb\t\r\n");
    TGfp gfp(v.GfpPath(), v.config);
    std::uint32_t seed = 12345;
    auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    for (int round = 0; round < 40; ++round) {
        std::string text(static_cast<std::size_t>(next() % 3000) + 1, ' ');
        for (char& c : text) {
            const std::uint32_t r = next() % 8;
            // Mostly letters of the profile, with blanks, marks and any byte.
            c = r < 4 ? testing::kLower[next() % 26] : r == 4 ? ' ' : r == 5 ? ".,!?/"[next() % 5]
                                                                              : static_cast<char>(next() % 255 + 1);
        }
        if (round % 5 == 0) text = std::string(2000, 'a');  // one long token
        if (round % 7 == 0) text = "a b a b a b " + text;  // dictionary words
        for (int r = gfp.Convert(text.c_str(), true); r > 0; r = gfp.Convert(nullptr, true))
            EXPECT_LE(std::strlen(gfp.Output()), kPhonemeStringLimit);
    }
}

TEST(TGfpTest, DictionaryWordsUnlessTheFlagIsClear) {
    Voice v;
    v.Write(GfpProfile(), StatTables(), "miza\tmIza\r\n");
    TGfp gfp(v.GfpPath(), v.config);
    EXPECT_EQ(ConvertAll(gfp, "miza."), std::vector<std::string>{". mIza . "});
    EXPECT_EQ(ConvertAll(gfp, "miza.", false), std::vector<std::string>{". mi:za . "});
}

TEST(TGfpTest, TheTextIsCutAfter10240Bytes) {
    Voice v;
    v.Write();
    TGfp gfp(v.GfpPath(), v.config);
    std::string text;
    while (text.size() + 6 <= kGfpTextSize) text += "miza. ";  // 10236 bytes
    text += "kosa lopata.";
    // The character filter keeps the first 10238 bytes: "ko" of "kosa".
    const std::vector<std::string> out = ConvertAll(gfp, text);
    ASSERT_EQ(out.size(), 1707u);
    EXPECT_EQ(out.back(), ". ko: . ");
}

TEST(TGfpTest, ASentenceIsCutAfter850Bytes) {
    Voice v;
    v.Write();
    TGfp gfp(v.GfpPath(), v.config);
    std::string text;
    for (int i = 0; i < 500; ++i) text += "% ";  // no phonemes, one blank each
    text += "miza.";
    // The division ends a sentence at the first blank after 421 characters;
    // no sentence reaches the per-sentence steps longer than ". " + 850.
    const std::vector<std::string> out = ConvertAll(gfp, text);
    ASSERT_EQ(out.size(), 3u);
    for (const std::string& s : out) EXPECT_LE(s.size(), 2u + 850u);
    EXPECT_NE(out.back().find("mi:za"), std::string::npos);
}

TEST(TGfpTest, ProfileEndingsDecideTheCipher) {
    Voice v;
    v.Write();
    const std::string plain = ReadFile(v.dir.file("gfp.ini"));
    const std::vector<char> image = EncipherProfile(plain);
    v.dir.Write("GFP.INS", std::string_view(image.data(), image.size()));
    TGfp enciphered(v.dir.file("GFP.INS"), v.config);
    EXPECT_TRUE(enciphered.Initialised());

    TraceLog trace;
    // The plain text read as enciphered does not load.
    v.dir.Write("plain.ins", plain);
    EXPECT_THROW({ TGfp g(v.dir.file("plain.ins"), v.config); }, int);
    EXPECT_TRUE(trace.Has("TGFP: Profile could not be created properly!"));
    EXPECT_TRUE(trace.Has("TGFP: Constructor failed to create class!"));

    const std::string txt = v.dir.file("gfp.txt");
    EXPECT_THROW({ TGfp g(txt, v.config); }, int);
    EXPECT_TRUE(trace.Has("TFGP: Could not find " + txt + ".ini or " + txt + ".ins ! Aborting!"));
}

TEST(TGfpTest, InitialisationFailuresNameTheStep) {
    struct Case {
        const char* variable;
        const char* value;  // null: missing
        const char* error;
    };
    const Case cases[] = {
        {"cifre", nullptr, "Napaka 1 pri branju sibmolov cifre\n"},
        {"sampa_locila", "", "Napaka 1 pri branju sibmolov sampa_locila\n"},
        {"predpone", "", "Napaka: v ini datoteki (ini_gfp): pripravi_naglase"},
        {"pravila", nullptr, "Napaka: (pripravi_pravila): pravila"},
        {"pravila_slovar", "a\tb", "Napacno stevilo pravil (pravila_slovar)"},
        {"Nabor_fonemov", nullptr, "Napaka: v ini datoteki (ini_gfp): pripravi_zlogovanje"},
    };
    for (const Case& c : cases) {
        Voice v;
        GfpProfile p;
        if (c.value)
            p.vars[c.variable] = c.value;
        else
            p.vars.erase(c.variable);
        v.Write(p);
        TraceLog trace;
        ClearError();
        EXPECT_THROW({ TGfp g(v.GfpPath(), v.config); }, int) << c.variable;
        EXPECT_EQ(LastError(), c.error);
        EXPECT_TRUE(trace.Has("TGFP: Profile can not be read!")) << c.variable;
    }
    {
        Voice v;
        GfpProfile p;
        p.vars["cifre"] = std::string(257, '1');
        v.Write(p);
        EXPECT_THROW({ TGfp g(v.GfpPath(), v.config); }, int);
        EXPECT_EQ(LastError(), "Napaka 1 pri branju sibmolov cifre\n");
    }
    {
        Voice v;
        StatTables stat;
        stat.vc_o = "";
        v.Write(GfpProfile(), stat);
        EXPECT_THROW({ TGfp g(v.GfpPath(), v.config); }, int);
        EXPECT_EQ(LastError(), "Napaka: FilajArray(vc_o.out) ");
    }
}

TEST(TGfpTest, RunsWithoutDictionariesWhenTheyCannotBeLoaded) {
    Voice v;
    v.Write(GfpProfile(), StatTables(), "", "");
    ASSERT_TRUE(v.config.switches().index_mode);  // and there is no index file
    TraceLog trace;
    TGfp gfp(v.GfpPath(), v.config);
    EXPECT_TRUE(trace.Has("Sintetizator zagnan brez slovarjev!"));
    EXPECT_TRUE(gfp.Dictionaries().Empty());
    EXPECT_EQ(ConvertAll(gfp, "miza."), std::vector<std::string>{". mi:za . "});
}

TEST(TGfpTest, ProfileParametersSetTheEngineSwitches) {
    struct Case {
        const char* kovrat;  // null: missing
        const char* ascii7;
        bool kovrat_before, ascii7_before;
        bool kovrat_after, ascii7_after;
    };
    const Case cases[] = {
        {"TRUE", "true", false, false, true, true},
        {"maybe", "false", true, true, false, false},
        {nullptr, nullptr, true, true, true, true},
        {nullptr, nullptr, false, false, false, false},
    };
    for (const Case& c : cases) {
        Voice v;
        GfpProfile p;
        if (c.kovrat) p.vars["kovrat_filter"] = c.kovrat;
        if (c.ascii7) p.vars["podpirajASCII7"] = c.ascii7;
        v.Write(p);
        v.config.switches().kovrat_filter = c.kovrat_before;
        v.config.switches().podpiraj_ascii7 = c.ascii7_before;
        TGfp gfp(v.GfpPath(), v.config);
        EXPECT_EQ(v.config.switches().kovrat_filter, c.kovrat_after);
        EXPECT_EQ(v.config.switches().podpiraj_ascii7, c.ascii7_after);
    }
}

TEST(TGfpTest, LogFileAndTables) {
    Voice v;
    v.Write();
    TGfp gfp(v.GfpPath(), v.config);
    EXPECT_EQ(gfp.LogDirectory(), v.config.BaseDirectory());
    gfp.SetLogDirectory(v.config.LogDir());
    v.dir.Write("log/avto.bes", "old content");
    gfp.CreateLogFile();
    EXPECT_TRUE(std::filesystem::exists(v.dir.file("log/avto.bes")));
    EXPECT_EQ(ReadFile(v.dir.file("log/avto.bes")), "");

    const Phonology ph = gfp.Phonology();
    EXPECT_EQ(ph.classes, &gfp.Classes());
    EXPECT_EQ(ph.syllables, &gfp.Syllables());
    ASSERT_NE(ph.inventory, nullptr);
    EXPECT_EQ(ph.inventory->PhonemeCount(), testing::PhonemeNames().size());
    EXPECT_EQ(gfp.Classes().ForcedSeparator(), '+');
    EXPECT_EQ(gfp.ToUpper('~'), '^');
    EXPECT_EQ(gfp.ToLower('@'), '`');
    EXPECT_TRUE(gfp.InClass('k', kNezvSogl));

    // init again: the same tables, conversion goes on.
    EXPECT_TRUE(gfp.init(v.GfpPath(), false));
    EXPECT_EQ(ConvertAll(gfp, "kosa."), std::vector<std::string>{". kO:sa . "});
    EXPECT_FALSE(gfp.init(v.dir.file("missing.ini"), false));
    EXPECT_FALSE(gfp.Initialised());
    EXPECT_EQ(gfp.Convert("kosa.", true), -1);
}

TEST(TGfpTest, TheDriverRunsTheConverter) {
    Voice v;
    v.Write();
    StageFactory f = DefaultStages();
    f.micro = [](const Configuration&, IConverter&) { return MakeStandInMicro(); };
    f.macro = [](const Configuration&, IConverter&) { return MakeStandInMacro(); };
    f.wave = [](const Configuration&) { return MakeStandInWave(); };
    Sint sint(v.config, f);
    ASSERT_EQ(sint.InitSint(), 0);
    EXPECT_TRUE(std::filesystem::exists(v.dir.file("log/avto.bes")));
    EXPECT_GT(sint.GrafemskoFonemskaPretvorba("kosa. miza."), 0);
    EXPECT_STREQ(sint.CurrentTranscription(), ". kO:sa . ");
    EXPECT_GT(sint.GrafemskoFonemskaPretvorba(nullptr), 0);
    EXPECT_STREQ(sint.CurrentTranscription(), ". mi:za . ");
    EXPECT_EQ(sint.GrafemskoFonemskaPretvorba(nullptr), -1);
}

}  // namespace
}  // namespace tarvox
