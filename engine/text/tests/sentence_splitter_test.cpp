#include "text/sentence_splitter.h"

#include <gtest/gtest.h>

#include <vector>

#include "text_fixture.h"

namespace tarvox {
namespace {

using testing::TextFixture;

class Splitter : public ::testing::Test {
protected:
    std::vector<std::string> Sentences(std::string_view text) {
        std::vector<std::string> all;
        std::string out;
        for (int n = splitter.Next(text, out, f.classes); n > 0; n = splitter.Next(out, f.classes)) {
            EXPECT_EQ(static_cast<std::size_t>(n), out.size());
            all.push_back(out);
        }
        EXPECT_FALSE(splitter.HasPending());
        return all;
    }
    TextFixture f;
    SentenceSplitter splitter;
};

TEST_F(Splitter, DividesAndRewritesSentences) {
    struct Case {
        std::string text;
        std::vector<std::string> sentences;
    };
    const Case cases[] = {
        {"Vidimo npr. Janez pride.", {"Vidimo npr Janez pride . "}},
        {"Pa tj. tudi oz. ne. Konec.", {"Pa tj tudi oz ne . ", "Konec . "}},
        {"Rodil se je 5. maja 1990.", {"Rodil se je 5 | maja 1990 . "}},
        {"To je 3,5 in 1.000", {"To je 3 ' 5 in 1 \" 000 . "}},
        {"Konec... Novo", {"Konec . ] ", "Novo . "}},
        {"Konec.. Novo", {"Konec . ", "Novo . "}},
        {"Prva vrstica\n\nDruga", {"Prva vrstica . } ", "Druga . "}},
        {"Ali res? \n \nDa.", {"Ali res ? } ", "Da . "}},
        {"Prva\nvrstica.", {"Prva vrstica . "}},
        {"razde-\nljen kos.", {"razdeljen kos . "}},
        {"Je -5 stopinj.", {"Je \\ 5 stopinj . "}},
        {"Pozor! Gremo?! Zdaj", {"Pozor ! ", "Gremo ? ", "Zdaj . "}},
        {"Papir A4 in 3x.", {"Papir A 4 in 3 x . "}},
        {"Konec stavka.Nov", {"Konec stavka . ", "Nov . "}},
        {"Tu je pika.v stavku.", {"Tu je pika . ", "v stavku . "}},
        {"Dne 5.maja", {"Dne 5 \" maja . "}},
        {"a\xA7" "b (c) d,e", {"ab ( c ) d , e . "}},
        {"  ... ,!  Zacetek", {"Zacetek . "}},
        {"   \n\n .. ", {}},
        {"", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(Sentences(c.text), c.sentences) << c.text;
}

TEST_F(Splitter, ALetterAloneBeforeALowerCaseWordEndsNoSentenceWhenSwitchedOn) {
    struct Case {
        std::string text;
        std::vector<std::string> off, on;
    } cases[] = {
        {"Ana M. je prisla.", {"Ana M . ", "je prisla . "}, {"Ana M \" je prisla . "}},
        {"Vitamin C. je zdrav.", {"Vitamin C . ", "je zdrav . "}, {"Vitamin C \" je zdrav . "}},
        // text without capitals keeps its sentences; so does a letter before
        // a capital, and a word of two letters
        {"ok. gremo.", {"ok . ", "gremo . "}, {"ok . ", "gremo . "}},
        {"Tocka A. Potem.", {"Tocka A . ", "Potem . "}, {"Tocka A . ", "Potem . "}},
        {"Rodil se je 5. maja.", {"Rodil se je 5 | maja . "}, {"Rodil se je 5 | maja . "}},
    };
    for (const Case& c : cases) {
        splitter.SetLowerCaseContinues(false);
        EXPECT_EQ(Sentences(c.text), c.off) << c.text;
        splitter.SetLowerCaseContinues(true);
        EXPECT_EQ(Sentences(c.text), c.on) << c.text;
    }
}

TEST_F(Splitter, NullWithoutPendingTextGivesNothing) {
    std::string out = "old";
    EXPECT_EQ(splitter.Next(out, f.classes), 0);
    EXPECT_TRUE(out.empty());
}

TEST_F(Splitter, NewTextReplacesThePendingText) {
    std::string out;
    ASSERT_GT(splitter.Next("Ena. Dva. Tri.", out, f.classes), 0);
    EXPECT_EQ(out, "Ena . ");
    ASSERT_GT(splitter.Next("Nova.", out, f.classes), 0);
    EXPECT_EQ(out, "Nova . ");
    EXPECT_EQ(splitter.Next(out, f.classes), 0);
}

TEST_F(Splitter, LongSentenceIsCutAtWhiteSpace) {
    std::vector<std::string> traces;
    SetTraceHook([&](std::string_view t) { traces.emplace_back(t); });
    std::string text;
    for (int i = 0; i < 100; ++i) text += "beseda ";
    const auto sentences = Sentences(text);
    SetTraceHook(nullptr);
    ASSERT_EQ(sentences.size(), 2u);
    // 61 words make 426 stored characters, the first count above 421.
    std::string first;
    for (int i = 0; i < 61; ++i) first += "beseda ";
    first += ". ";
    EXPECT_EQ(sentences[0], first);
    ASSERT_EQ(traces.size(), 1u);
    EXPECT_EQ(traces[0], "*** Stavek je predolg. Razdeljen bo na 2 stavka.");
}

// Past 421 characters with a full stop, "!" or "?" pending, the sentence is
// not cut at the blank: the mark ends it at the next character, without a
// second full stop or the message.
TEST_F(Splitter, LongSentenceWithAPendingMarkEndsAtTheMark) {
    for (const char* mark : {".", "!", "?"}) {
        std::vector<std::string> traces;
        SetTraceHook([&](std::string_view t) { traces.emplace_back(t); });
        std::string text;
        for (int i = 0; i < 60; ++i) text += "beseda ";  // 420 characters
        const auto sentences = Sentences(text + "konec" + mark + " Drugi stavek.");
        SetTraceHook(nullptr);
        ASSERT_EQ(sentences.size(), 2u) << mark;
        EXPECT_EQ(sentences[0].substr(sentences[0].size() - 8), std::string("konec ") + mark + " ") << mark;
        EXPECT_TRUE(traces.empty()) << mark;
    }
}

TEST_F(Splitter, OutputIsBoundedByTheCapacity) {
    std::string out;
    RewriteSentence(std::string(100, 'a') + ".", out, f.classes, 50);
    EXPECT_LE(out.size(), 50u);
    EXPECT_EQ(out.substr(out.size() - 2), " .");
}

}  // namespace
}  // namespace tarvox
