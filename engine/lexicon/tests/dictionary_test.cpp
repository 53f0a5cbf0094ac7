#include "lexicon/dictionary.h"

#include <gtest/gtest.h>

#include <cstring>

#include "base/config.h"
#include "base/diag.h"
#include "base/files.h"
#include "base/profile.h"
#include "lexicon/dictionary_cipher.h"
#include "support/test_files.h"

namespace tarvox {
namespace {

using testing::TempDir;

std::string Enciphered(std::string_view plain) {
    const std::vector<char> image =
        EncipherDictionary(std::span<const char>(plain.data(), plain.size()));
    return std::string(image.begin(), image.end());
}

std::string Str(const std::vector<char>& v) {
    return std::string(v.begin(), v.end());
}

class DictionaryTest : public ::testing::Test {
  protected:
    void SetUp() override { ClearError(); }
    std::optional<std::string> Find(std::string_view key) const {
        const auto hit = dict.Lookup(key);
        return hit ? std::optional<std::string>(std::string(*hit)) : std::nullopt;
    }
    TempDir dir;
    Dictionary dict;
};

// ------------------------------------------------------------------ ciphers

TEST(DictionaryCipher, IndexStepDependsOnEvenAndOddPositions) {
    std::vector<char> block(512);
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i / 2);
    const std::vector<char> plain = block;
    EncipherIndexBlock(block);
    EXPECT_NE(block, plain);
    // The same byte at an even and at the next odd position enciphers
    // differently.
    EXPECT_NE(block[0], block[1]);
    DecipherIndexBlock(block);
    EXPECT_EQ(block, plain);
}

TEST(DictionaryCipher, DictionaryFormRoundTripsAndRejectsCorruption) {
    const std::string plain = "miza\tmi:za\r\nstol\tsto:u\r\n";
    const std::string image = Enciphered(plain);
    ASSERT_EQ(image.size(), plain.size() + kDictionaryCipherHeader);
    EXPECT_EQ(image.compare(0, 4, "TVXD"), 0);
    EXPECT_EQ(image.find("miza"), std::string::npos);
    const auto back = DecipherDictionary(std::span<const char>(image.data(), image.size()));
    ASSERT_TRUE(back);
    EXPECT_EQ(Str(*back), plain);
    const std::string cut = image.substr(0, image.size() - 1);
    EXPECT_FALSE(DecipherDictionary(std::span<const char>(cut.data(), cut.size())));
    std::string wrong = image;
    wrong[0] = 'X';
    EXPECT_FALSE(DecipherDictionary(std::span<const char>(wrong.data(), wrong.size())));
}

TEST(DictionaryCipher, ReaderDeliversInPiecesAndStopsAtTheAnnouncedLength) {
    TempDir dir;
    const std::string plain(1000, 'x');
    const std::string path = dir.Write("a.dst", Enciphered(plain) + "trailing");
    FilePtr f = OpenFile(path, "rb");
    DictionaryDecipher reader(f.get());
    ASSERT_EQ(reader.Announce(), std::optional<std::size_t>(1000));
    std::vector<char> out(1200);
    EXPECT_EQ(reader.Deliver(std::span<char>(out).first(300)), 300u);
    EXPECT_EQ(reader.Deliver(std::span<char>(out).subspan(300)), 700u);
    EXPECT_EQ(std::string(out.data(), 1000), plain);
}

// ------------------------------------------------------------------ file mode

TEST_F(DictionaryTest, ListedPrioritiesDecideBetweenEqualKeys) {
    dir.Write("a.dct", "miza\tA\r\nstol\tA\r\n");
    dir.Write("b.dct", "miza\tB\r\nstol\tB\r\n");
    dir.Write("c.dct", "miza\tC\r\n");
    // b listed first (priority 2), then a (1); c is unlisted (0). Case of the
    // listed names does not matter.
    const DictionaryPriorities prio({"B.DCT", "a.dct"});
    EXPECT_EQ(prio.Of("b.dct"), 2);
    EXPECT_EQ(prio.Of("A.dct"), 1);
    EXPECT_EQ(prio.Of("c.dct"), 0);
    ASSERT_EQ(dict.LoadFiles(dir.dir(), true, prio), 0);
    EXPECT_EQ(Find("miza"), "B");
    EXPECT_EQ(Find("stol"), "B");
    EXPECT_EQ(dict.Size(), 5u);
    EXPECT_FALSE(Find("Miza"));  // exact bytes, no case folding
    EXPECT_FALSE(Find("miz"));
}

TEST_F(DictionaryTest, UnlistedDuplicatesGiveTheEntryTheSearchMeets) {
    dir.Write("a.dct", "k\t1\r\n");
    dir.Write("b.dct", "k\t2\r\n");
    dir.Write("c.dct", "k\t3\r\n");
    ASSERT_EQ(dict.LoadFiles(dir.dir(), true, {}), 0);
    // Three equal keys in listing order; the binary search lands on the
    // middle one.
    EXPECT_EQ(Find("k"), "2");
    // A priority above 0 on any of them wins over the landing point.
    ASSERT_EQ(dict.LoadFiles(dir.dir(), true, DictionaryPriorities({"c.dct"})), 0);
    EXPECT_EQ(Find("k"), "3");
}

TEST_F(DictionaryTest, LineFormsAndMissingLineEnd) {
    dir.Write("a.dct",
              "brez\r\n"                 // no tab: empty pronunciation
              "dva\tdva:\tkomentar\r\n"  // a further tab ends it
              "zadnja\tzadnja:");        // no line end
    dir.Write("b.dct", "x\t1\ny\t2\n");  // LF alone does not split
    ASSERT_EQ(dict.LoadFiles(dir.dir(), true, {}), 0);
    EXPECT_EQ(Find("brez"), "");
    EXPECT_EQ(Find("dva"), "dva:");
    EXPECT_EQ(Find("zadnja"), "zadnja:");
    EXPECT_EQ(Find("x"), "1\ny");
    EXPECT_FALSE(Find("y"));
    EXPECT_EQ(dict.Size(), 4u);
}

TEST_F(DictionaryTest, PlainFilesOnlyWhenAllowedEncipheredAlways) {
    dir.Write("plain.dct", "miza\tplain\r\n");
    dir.Write("secret.DST", Enciphered("stol\tsto:u\r\n"));
    dir.Write("notes.txt", "ignored\tx\r\n");
    ASSERT_EQ(dict.LoadFiles(dir.dir(), false, {}), 0);
    EXPECT_FALSE(Find("miza"));
    EXPECT_EQ(Find("stol"), "sto:u");
    EXPECT_FALSE(Find("ignored"));
    DictionarySettings settings;
    settings.read_index = false;
    settings.dct_dir = dir.dir();
    settings.allow_plain = true;
    ASSERT_EQ(dict.Load(settings), 0);
    EXPECT_EQ(Find("miza"), "plain");
}

TEST_F(DictionaryTest, KeysOrderAsUnsignedBytes) {
    // s with caron (0x9A) sorts after every ASCII letter; a signed order
    // would put it first and the search would miss keys.
    dir.Write("a.dct", "\x9aola\t1\r\nzima\t2\r\nabc\t3\r\n\x9a\t4\r\nzz\t5\r\n");
    ASSERT_EQ(dict.LoadFiles(dir.dir(), true, {}), 0);
    EXPECT_EQ(dict.Entry(4).key, "\x9aola");
    for (const auto& [key, value] : std::vector<std::pair<std::string, std::string>>{
             {"\x9aola", "1"}, {"zima", "2"}, {"abc", "3"}, {"\x9a", "4"}, {"zz", "5"}})
        EXPECT_EQ(Find(key), value) << key;
}

struct LoadFailure {
    const char* name;
    std::vector<std::pair<std::string, std::string>> files;
    bool allow_plain;
    const char* message;
};

class DictionaryLoadFailure : public DictionaryTest,
                              public ::testing::WithParamInterface<LoadFailure> {};

TEST_P(DictionaryLoadFailure, ReportsAndLeavesNoDictionary) {
    const LoadFailure& c = GetParam();
    for (const auto& [name, content] : c.files) dir.Write(name, content);
    EXPECT_EQ(dict.LoadFiles(dir.dir(), c.allow_plain, {}), -1);
    EXPECT_EQ(LastError(), c.message);
    EXPECT_TRUE(dict.Empty());
    EXPECT_FALSE(Find("k"));
}

const std::string kGood = Enciphered("k\tv\r\n");

INSTANTIATE_TEST_SUITE_P(
    Cases, DictionaryLoadFailure,
    ::testing::Values(LoadFailure{"EmptyDirectory", {}, true, "Ni slovarja!"},
                      LoadFailure{
                          "OnlyPlainNotAllowed", {{"a.dct", "k\tv\r\n"}}, false, "Ni slovarja!"},
                      LoadFailure{"ShortEncipheredFile",
                                  {{"a.dst", kGood}, {"b.dst", kGood.substr(0, kGood.size() - 2)}},
                                  false,
                                  "     - Napaka pri branju datoteke 1"},
                      LoadFailure{"LengthBeyondTheFile",
                                  {{"a.dst", std::string("TVXD\xff\xff\xff\x7f", 8) + "abc"}},
                                  false,
                                  "     - Napaka pri branju datoteke 0"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DictionaryTest, CorruptHeaderSkipsTheFile) {
    dir.Write("a.dst", "this is not enciphered");
    dir.Write("b.dst", kGood);
    ASSERT_EQ(dict.LoadFiles(dir.dir(), false, {}), 0);
    EXPECT_EQ(LastError(), "Napaka pri odpiranju datoteke a.dst");
    EXPECT_EQ(Find("k"), "v");
}

TEST_F(DictionaryTest, AtMostFortyFilesAreTaken) {
    for (int i = 0; i <= 40; ++i) {
        const std::string name = (i < 10 ? "d0" : "d") + std::to_string(i) + ".dct";
        dir.Write(name, "w" + std::to_string(i) + "\tp\r\n");
    }
    ASSERT_EQ(dict.LoadFiles(dir.dir(), true, {}), 0);
    EXPECT_EQ(LastError(), "Prevec slovarskih datotek !");
    EXPECT_EQ(dict.Size(), 40u);
    EXPECT_TRUE(Find("w39"));
    EXPECT_FALSE(Find("w40"));
}

TEST_F(DictionaryTest, PrioritiesAndSettingsFromTheConfiguration) {
    const std::string gfp = dir.Write("gfp.ini", "prioriteta_slovarjev = prvi.dst\tdrugi.dst\n");
    Profile profile(gfp, false);
    ASSERT_TRUE(profile.IsLoaded());
    Configuration config;
    config.SetBaseDirectory("/voice");
    config.switches().index_mode = false;
    config.switches().dovoli_nesifrirane_slovarje = true;
    const DictionarySettings s = DictionarySettings::From(config, profile);
    EXPECT_FALSE(s.read_index);
    EXPECT_TRUE(s.allow_plain);
    EXPECT_EQ(s.index_path, "/voice\\data\\QuenlarOrin.ndx");
    EXPECT_EQ(s.priorities.Names(), (std::vector<std::string>{"prvi.dst", "drugi.dst"}));
    EXPECT_EQ(s.priorities.Of("PRVI.dst"), 2);
}

// ------------------------------------------------------------------ runs

TEST_F(DictionaryTest, RunsExtendOnlyWhileEveryShorterKeyIsFound) {
    dir.Write("a.dct",
              "na\tna\r\n"
              "na primer\tnaprime:r\r\n"
              "na primer zdaj\tX\r\n"
              "ker je\tkerje\r\n");  // "ker" alone is no entry
    ASSERT_EQ(dict.LoadFiles(dir.dir(), true, {}), 0);

    auto run = dict.LookupRun("na  primer zdaj.");
    ASSERT_TRUE(run);
    EXPECT_EQ(run->pronunciation, "naprime:r");  // "na primer zdaj." is no entry
    EXPECT_EQ(run->tokens, 2u);
    EXPECT_EQ(run->key_length, 9u);
    EXPECT_EQ(run->consumed, 10u);  // both blanks between the tokens

    run = dict.LookupRun("na primer zdaj");
    ASSERT_TRUE(run);
    EXPECT_EQ(run->pronunciation, "X");
    EXPECT_EQ(run->tokens, 3u);

    EXPECT_FALSE(dict.LookupRun("ker je"));  // the shorter key was not found
    EXPECT_FALSE(dict.LookupRun(" na"));
    EXPECT_FALSE(dict.LookupRun(""));

    run = dict.LookupRun("na ");
    ASSERT_TRUE(run);
    EXPECT_EQ(run->consumed, 2u);
}

TEST_F(DictionaryTest, RunKeysKeepTheSixtyFourByteLimit) {
    const std::string long_token(70, 'a');
    const std::string cut(64, 'a');
    const std::string sixty(60, 'b');
    dir.Write("a.dct", cut + "\tcut\r\n" + sixty + "\tsixty\r\n" + sixty + " cc\tsixty-cc\r\n" +
                           sixty + " cccc\tnever\r\n");
    ASSERT_EQ(dict.LoadFiles(dir.dir(), true, {}), 0);
    auto run = dict.LookupRun(long_token + " x");
    ASSERT_TRUE(run);
    EXPECT_EQ(run->pronunciation, "cut");
    EXPECT_EQ(run->consumed, 64u);  // the rest of the token follows as a token
    run = dict.LookupRun(sixty + " cc");
    ASSERT_TRUE(run);
    EXPECT_EQ(run->pronunciation, "sixty-cc");  // 63 bytes fit
    run = dict.LookupRun(sixty + " cccc");
    ASSERT_TRUE(run);
    EXPECT_EQ(run->pronunciation, "sixty");  // 65 bytes would not
}

// ------------------------------------------------------------------ index mode

class IndexTest : public DictionaryTest {
  protected:
    // An index image of the given sorted entries.
    std::string Image(const std::string& sources_dir) {
        Dictionary d;
        EXPECT_EQ(d.LoadFiles(sources_dir, true, DictionaryPriorities({"b.dct", "a.dct"})), 0);
        return Str(BuildIndexImage(d));
    }
    void WriteSources() {
        src.Write("a.dct", "miza\tA\r\nstol\tA\r\nokno\to:kno\r\n");
        src.Write("b.dct", "miza\tB\r\nna primer\tnaprime:r\r\n");
        src.Write("c.dct", "stol\tC\r\nna\tna\r\n");
    }
    TempDir src;
};

TEST_F(IndexTest, IndexModeAnswersAsFileMode) {
    WriteSources();
    const std::string image = Image(src.dir());
    const std::string path = dir.Write("data/QuenlarOrin.ndx", image);
    // The header fields and the plain priority block.
    std::uint32_t f[6];
    std::memcpy(f, image.data(), sizeof f);
    EXPECT_EQ(f[0], 24u);
    EXPECT_EQ(f[2], f[1] + 24);
    EXPECT_EQ(f[3], 4 * f[5]);
    EXPECT_EQ(f[4], 4 * f[5] + f[1] + 24);
    EXPECT_EQ(image.size(), 24 + f[1] + 5 * f[5]);
    EXPECT_EQ(image.find("miza"), std::string::npos);  // enciphered data

    Dictionary files;
    ASSERT_EQ(files.LoadFiles(src.dir(), true, DictionaryPriorities({"b.dct", "a.dct"})), 0);
    DictionarySettings s;
    s.index_path = path;
    s.read_index = true;
    ASSERT_EQ(dict.Load(s), 0);
    ASSERT_EQ(dict.Size(), files.Size());
    for (const char* key : {"miza", "stol", "okno", "na", "na primer", "nic", ""}) {
        const auto a = files.Lookup(key);
        const auto b = dict.Lookup(key);
        ASSERT_EQ(a.has_value(), b.has_value()) << key;
        if (a) {
            EXPECT_EQ(*a, *b) << key;
        }
    }
    EXPECT_EQ(Find("miza"), "B");
    EXPECT_EQ(Find("stol"), "A");
    for (std::size_t i = 0; i < files.Size(); ++i) {
        EXPECT_EQ(files.Entry(i).key, dict.Entry(i).key);
        EXPECT_EQ(files.Entry(i).priority, dict.Entry(i).priority);
    }
}

TEST_F(IndexTest, SmallIndexIsAnEmptyDictionaryMissingOneFails) {
    const std::string path = dir.Write("x.ndx", std::string(24, '\0'));
    EXPECT_EQ(dict.LoadIndex(path), 0);
    EXPECT_TRUE(dict.Empty());
    EXPECT_EQ(dict.LoadIndex(dir.file("missing.ndx")), -1);
    EXPECT_FALSE(ErrorFlag());
}

struct IndexCorruption {
    const char* name;
    void (*spoil)(std::string& image);
    const char* message_start;
};

class IndexCorrupt : public IndexTest, public ::testing::WithParamInterface<IndexCorruption> {};

TEST_P(IndexCorrupt, FailsTheLoadWithoutReadingOutOfBounds) {
    WriteSources();
    std::string image = Image(src.dir());
    GetParam().spoil(image);
    const std::string path = dir.Write("bad.ndx", image);
    EXPECT_EQ(dict.LoadIndex(path), -1);
    EXPECT_EQ(LastError().rfind(GetParam().message_start, 0), 0u) << LastError();
    EXPECT_TRUE(dict.Empty());
}

void SetField(std::string& image, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) image[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}
std::uint32_t Field(const std::string& image, std::size_t at) {
    std::uint32_t v;
    std::memcpy(&v, image.data() + at, 4);
    return v;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IndexCorrupt,
    ::testing::Values(
        IndexCorruption{"CountsDisagree",
                        [](std::string& im) { SetField(im, 20, Field(im, 20) + 1); },
                        "napacna dolzina: dolzina_indeksov,dolzina_prioritet 28,8\n"},
        IndexCorruption{"Truncated", [](std::string& im) { im.pop_back(); },
                        "napacna dolzina: dolzina_dat "},
        IndexCorruption{"HugeDataLength", [](std::string& im) { SetField(im, 4, 0xFFFFFFF0u); },
                        "napacna dolzina: dolzina_dat "},
        IndexCorruption{"OffsetOutsideTheData",
                        [](std::string& im) {
                            // The first index entry points far away.
                            std::string v(4, '\0');
                            SetField(v, 0, 0x00FFFFFFu);
                            std::vector<char> block(v.begin(), v.end());
                            EncipherIndexBlock(block);
                            std::memcpy(im.data() + 24 + Field(im, 4), block.data(), 4);
                        },
                        "Napaka: poskodovan indeks slovarja (odmik 0)"},
        IndexCorruption{"NotSorted",
                        [](std::string& im) {
                            // Swap the offsets of "miza" (0) and "na" (2).
                            const std::size_t at = 24 + Field(im, 4);
                            std::vector<char> block(im.begin() + static_cast<long>(at),
                                                    im.begin() + static_cast<long>(at + 12));
                            DecipherIndexBlock(block);
                            std::swap_ranges(block.begin(), block.begin() + 4, block.begin() + 8);
                            EncipherIndexBlock(block);
                            std::copy(block.begin(), block.end(),
                                      im.begin() + static_cast<long>(at));
                        },
                        "Napaka: poskodovan indeks slovarja (vrstni red 1)"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tarvox
