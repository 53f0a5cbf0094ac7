#include "synth/voice_db.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>

#include <unistd.h>

#include "base/config.h"
#include "base/diag.h"
#include "synth/cipher.h"
#include "synth/db_writer.h"
#include "synth/psola.h"
#include "voice_fixture.h"

namespace tarvox {
namespace {

using testing::ReadFile;
using testing::TempDir;

// A database whose transcription mixes symbols below and above 128.
VoiceDatabaseContent MixedContent() {
    VoiceDatabaseContent c;
    const std::string text = "ab\xC8" "a\x9A" "b\xC8" "ab\xF0" "a";
    for (char ch : text) c.transcription.push_back(static_cast<std::uint8_t>(ch));
    for (std::int32_t i = 0; i <= static_cast<std::int32_t>(text.size()); ++i) c.win_index.push_back(i);
    for (std::int32_t i = 0; i < 20; ++i) c.windows.push_back(500 + 100 * i);
    for (int i = 0; i < 3000; ++i) c.samples.push_back(static_cast<std::int16_t>((i * 7919) % 65536 - 32768));
    for (std::size_t i = 0; i < c.trailer.size(); ++i) c.trailer[i] = static_cast<std::uint8_t>(0xE0 + i);
    c.spare_header_words = {-1, 123456, 7, -2147483647, 42, 0x7FFFFFFF, 99};
    return c;
}

std::string WriteImage(const TempDir& dir, const std::vector<char>& image, const char* name = "v.dat") {
    return dir.Write(name, std::string_view(image.data(), image.size()));
}

// The brute-force occurrence lists of every run of `width` symbols.
std::map<std::vector<std::uint8_t>, std::vector<std::int32_t>> Occurrences(
    const std::vector<std::uint8_t>& text, std::size_t width) {
    std::map<std::vector<std::uint8_t>, std::vector<std::int32_t>> lists;
    for (std::size_t p = 0; p + width <= text.size(); ++p)
        lists[std::vector<std::uint8_t>(text.begin() + p, text.begin() + p + width)].push_back(
            static_cast<std::int32_t>(p));
    return lists;
}

int SignedCompare(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) {
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto x = static_cast<std::int8_t>(a[i]);
        const auto y = static_cast<std::int8_t>(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    return 0;
}

class RoundTrip : public ::testing::TestWithParam<bool> {};

TEST_P(RoundTrip, EveryTableComesBackAsWritten) {
    TempDir dir;
    const VoiceDatabaseContent c = MixedContent();
    const std::vector<char> image = SerializeVoiceDatabase(c);
    const std::string path = WriteImage(dir, image);
    VoiceDatabase db;
    ASSERT_EQ(loadtables(path, GetParam(), db), 0) << LastError();

    // Header: the seven lengths add up to the file; the spare words are
    // whatever the writer put there; word 14 points at the Samples section.
    std::int64_t sum = 60;
    for (int w = 0; w < 7; ++w) sum += db.Header()[w];
    EXPECT_EQ(sum, static_cast<std::int64_t>(image.size()));
    EXPECT_EQ(db.Header()[8], 123456);
    EXPECT_EQ(db.Header()[14], 99);
    EXPECT_EQ(db.Header()[13], static_cast<std::int32_t>(image.size()) - db.Header()[6]);

    EXPECT_TRUE(std::equal(c.transcription.begin(), c.transcription.end(),
                           db.Transcription().begin(), db.Transcription().end()));
    EXPECT_TRUE(std::equal(c.trailer.begin(), c.trailer.end(), db.Trailer().begin(), db.Trailer().end()));
    EXPECT_TRUE(std::ranges::equal(c.win_index, db.WinIndex()));
    EXPECT_TRUE(std::ranges::equal(c.windows, db.Windows()));
    EXPECT_EQ(db.SampleCount(), 3000);
    std::vector<std::int16_t> fetched(c.samples.size());
    ASSERT_TRUE(db.FetchSamples(0, fetched));
    EXPECT_EQ(fetched, c.samples);
    EXPECT_EQ(db.SamplesInMemory(), GetParam());
    EXPECT_EQ(db.Samples().size(), GetParam() ? c.samples.size() : 0u);

    ASSERT_EQ(db.Sources().size(), 1u);
    EXPECT_EQ(db.Sources()[0].file, path);
    EXPECT_EQ(db.Sources()[0].first_sample_offset, db.Header()[13] + 4);
    EXPECT_EQ(db.Sources()[0].format, 1);
    EXPECT_EQ(db.Sources()[0].bits_per_sample, 16);

    // Indexes: every list complete, A in unsigned order, D and T in signed.
    const SymbolIndex* indexes[] = {&db.Alophones(), &db.Diphones(), &db.Triphones()};
    for (const SymbolIndex* index : indexes) {
        const auto expected = Occurrences(c.transcription, static_cast<std::size_t>(index->Width()));
        ASSERT_EQ(index->size(), expected.size());
        for (std::size_t i = 0; i < index->size(); ++i) {
            const auto symbols = index->SymbolsAt(i);
            const auto it = expected.find(std::vector<std::uint8_t>(symbols.begin(), symbols.end()));
            ASSERT_NE(it, expected.end());
            EXPECT_TRUE(std::ranges::equal(index->Occurrences(i), it->second));
            EXPECT_TRUE(std::ranges::equal(index->Find(symbols), it->second));
            if (i == 0) continue;
            if (index->Width() == 1)
                EXPECT_LT(index->SymbolsAt(i - 1)[0], symbols[0]);
            else
                EXPECT_LT(SignedCompare(index->SymbolsAt(i - 1), symbols), 0);
        }
    }
    // Symbols of 128 and above sort first in D and last in A.
    EXPECT_EQ(db.Diphones().SymbolsAt(0)[0], 0x9A);
    EXPECT_EQ(db.Alophones().SymbolsAt(db.Alophones().size() - 1)[0], 0xF0);
    const std::uint8_t high[] = {0xC8, 'a', 0x9A};
    EXPECT_EQ(db.Triphones().Find(high).size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(MemoryAndFile, RoundTrip, ::testing::Bool());

TEST(SymbolIndex, AnIndexSortedTheWrongWayMissesHighSymbols) {
    // D sorted with symbols as unsigned bytes: bisection with signed keys
    // misses the entry of 0x9A.
    SymbolIndex d(2, SymbolOrder::kSigned);
    const std::int32_t one[] = {0};
    const std::uint8_t ab[] = {'a', 'b'}, bc[] = {'b', 'c'}, hi[] = {0x9A, 'a'};
    d.Append(ab, one);
    d.Append(bc, one);
    d.Append(hi, one);
    EXPECT_TRUE(d.Find(hi).empty());
    EXPECT_FALSE(d.Find(ab).empty());
}

TEST(Cipher, StoredBytesAreEncipheredAndWindowsDecipherAlone) {
    const VoiceDatabaseContent c = MixedContent();
    const std::vector<char> image = SerializeVoiceDatabase(c);
    // The transcription does not appear in the file as written.
    const std::string file(image.begin(), image.end());
    EXPECT_EQ(file.find(std::string(c.transcription.begin(), c.transcription.end())), std::string::npos);

    std::vector<std::uint8_t> bytes(1000);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 31);
    std::vector<std::uint8_t> whole = bytes;
    ApplyDbCipher(whole);
    EXPECT_NE(whole, bytes);
    for (std::size_t start : {0u, 1u, 255u, 256u, 301u}) {
        std::vector<std::uint8_t> part(whole.begin() + start, whole.begin() + start + 400);
        ApplyDbCipher(part, start);
        EXPECT_TRUE(std::equal(part.begin(), part.end(), bytes.begin() + start)) << start;
    }
    // From every phase and for every length, each byte is XORed with the
    // key of its own position.
    for (std::uint64_t position = 0; position < 256; position += 7) {
        for (std::size_t length : {0u, 1u, 255u, 256u, 257u, 700u}) {
            std::vector<std::uint8_t> zero(length, 0);
            ApplyDbCipher(zero, position + 1024);
            for (std::size_t i = 0; i < length; ++i)
                ASSERT_EQ(zero[i], DbCipherKey(position + 1024 + i)) << position << " " << i;
        }
    }
}

TEST(LoadTables, LengthDifferentFromTheHeaderFailsWithTheLengthMessage) {
    TempDir dir;
    const std::vector<char> image = SerializeVoiceDatabase(MixedContent());
    const auto n = static_cast<long long>(image.size());
    for (int delta : {+1, -1}) {
        std::vector<char> bad = image;
        if (delta > 0) bad.push_back('\0'); else bad.pop_back();
        VoiceDatabase db;
        EXPECT_EQ(loadtables(WriteImage(dir, bad), true, db), -1);
        EXPECT_EQ(LastError(), "Psola: loadtables: dolzina ni prava: " + std::to_string(n + delta) +
                                   " " + std::to_string(n) + "\n");
        EXPECT_FALSE(db.IsLoaded());
    }
    VoiceDatabase db;
    EXPECT_EQ(loadtables(WriteImage(dir, std::vector<char>(10)), true, db), -1);
    EXPECT_EQ(LastError(), "Psola: loadtables: dolzina ni prava: 10 60\n");
    EXPECT_EQ(loadtables(dir.file("missing.dat"), true, db), -1);
}

void Put32(std::vector<char>& image, std::size_t offset, std::int32_t v) {
    for (int i = 0; i < 4; ++i) image[offset + i] = static_cast<char>((static_cast<std::uint32_t>(v) >> (8 * i)) & 0xFF);
}

std::int32_t Get32(const std::vector<char>& image, std::size_t offset) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(static_cast<std::uint8_t>(image[offset + i])) << (8 * i);
    return static_cast<std::int32_t>(v);
}

TEST(LoadTables, CorruptCountsAndPositionsFailWithAMessage) {
    TempDir dir;
    const std::vector<char> image = SerializeVoiceDatabase(MixedContent());
    const std::size_t a = 60;                                  // section A count
    const std::size_t d = a + static_cast<std::size_t>(Get32(image, 0));
    const std::size_t data = d + static_cast<std::size_t>(Get32(image, 4)) + static_cast<std::size_t>(Get32(image, 8));
    const std::size_t win = data + static_cast<std::size_t>(Get32(image, 12));
    const std::size_t samples = static_cast<std::size_t>(Get32(image, 52));
    struct Case {
        const char* name;
        std::size_t offset;
        std::int32_t value;
        const char* expect;
    } cases[] = {
        {"A count huge", a, 0x10000000, "A: count"},
        {"A count negative", a, -1, "A: count"},
        {"A list too long", a + 4 + 1, 100000, "A entry 0"},
        {"A position outside", a + 4 + 29, 5000, "A: entry 0 lists position 5000"},
        {"A position negative", a + 4 + 29, -3, "lists position -3"},
        {"D position past the end", d + 4 + 14, 12, "D: entry 0 lists position 12"},
        {"Data shorter than its trailer", data, 14, "shorter than the 15"},
        {"Data size huge", data, 0x7FFFFFFF, "Data: count"},
        {"WinIndex count huge", win, 100000, "WinIndex: count"},
        {"Samples offset wrong", 52, static_cast<std::int32_t>(samples) + 2, "places the section"},
        {"Sample count huge", samples, 100000, "Samples: count"},
        {"Sample count negative", samples, -5, "Samples: count"},
        {"Samples too few for the windows", samples, 10, "outside the 10 samples"},
    };
    for (const Case& c : cases) {
        std::vector<char> bad = image;
        Put32(bad, c.offset, c.value);
        for (bool memory : {true, false}) {
            VoiceDatabase db;
            EXPECT_EQ(loadtables(WriteImage(dir, bad), memory, db), -1) << c.name;
            EXPECT_NE(LastError().find("Corrupt wave database"), std::string::npos) << c.name << ": " << LastError();
            EXPECT_NE(LastError().find(c.expect), std::string::npos) << c.name << ": " << LastError();
            EXPECT_FALSE(db.IsLoaded());
        }
    }
}

TEST(LoadTables, NoSingleDamagedByteMakesTheLoaderReadOutOfBounds) {
    // Every byte in turn set to 0xFF (and to 0x80): the load either succeeds
    // and a sentence synthesises, or it fails with a message; the sanitiser
    // build catches any stray read.
    // Thousands of small files: in memory-backed /dev/shm when there is one.
    TempDir dir;
    const std::string path = std::filesystem::is_directory("/dev/shm")
                                 ? "/dev/shm/tarvox-synth-fuzz-" + std::to_string(::getpid()) + ".dat"
                                 : dir.file("fuzz.dat");
    const std::string costs = path + ".cost";
    {
        std::ofstream out(costs, std::ios::binary);
        out << "2\na\t3\nb\t4\n";
    }
    const std::vector<PhonemeRecord> sentence = testing::Records(
        {{"a", 50, 100, 120, 90}, {"b", 0, 0, 0, 0}, {"a", 40, 200, 0, 100}, {"b", 30, 90, 90, 90}});
    const std::vector<char> image = SerializeVoiceDatabase(MixedContent());
    {
        std::ofstream out(path, std::ios::binary);
        out.write(image.data(), static_cast<std::streamsize>(image.size()));
    }
    TPsola intact(path, costs, true);
    ASSERT_EQ(intact.Run(sentence), 0) << LastError();
    ASSERT_GT(intact.Samples().size(), 1000u);
    int failed = 0;
    const auto structure = static_cast<std::size_t>(Get32(image, 52)) + 8;  // all but most samples
    for (std::size_t i = 0; i < structure; ++i) {
        for (char value : {'\xFF', '\x80'}) {
            std::vector<char> bad = image;
            bad[i] = value;
            {
                std::ofstream out(path, std::ios::binary | std::ios::trunc);
                out.write(bad.data(), static_cast<std::streamsize>(bad.size()));
            }
            VoiceDatabase db;
            db.MapSamples((i & 2) != 0);  // samples in the file: mapped or read
            ClearError();
            if (loadtables(path, (i & 1) != 0, db) != 0) {
                ++failed;
                EXPECT_TRUE(ErrorFlag());
                continue;
            }
            // What loads must also synthesise without stray reads.
            TPsola psola(path, costs, (i & 1) != 0);
            psola.Run(sentence);
        }
    }
    std::filesystem::remove(path);
    std::filesystem::remove(costs);
    EXPECT_GT(failed, 0);
}

// Both ways of reading samples that stay in the file: through a mapping
// and by positioned reads. A file shortened while open fails the reads of
// what it lost; a mapped one once the mapping has been checked (as before
// every sentence).
TEST(FetchSamples, OutsideTheSamplesOrAfterTheFileShrankFails) {
    for (bool mapped : {true, false}) {
        SCOPED_TRACE(mapped ? "mapped" : "positioned reads");
        TempDir dir;
        const VoiceDatabaseContent c = MixedContent();
        const std::string path = WriteImage(dir, SerializeVoiceDatabase(c));
        VoiceDatabase db;
        db.MapSamples(mapped);
        ASSERT_EQ(loadtables(path, false, db), 0);
        EXPECT_EQ(db.SamplesMapped(), mapped);
        std::vector<std::int16_t> window(11);
        EXPECT_TRUE(db.FetchSamples(2989, window));
        EXPECT_TRUE(std::equal(window.begin(), window.end(), c.samples.begin() + 2989));
        EXPECT_FALSE(db.FetchSamples(2990, window));
        EXPECT_NE(LastError().find("out of range"), std::string::npos);
        EXPECT_FALSE(db.FetchSamples(-1, window));
        std::filesystem::resize_file(path, std::filesystem::file_size(path) - 100);
        db.CheckSamplesFile();
        EXPECT_FALSE(db.SamplesMapped());
        EXPECT_FALSE(db.FetchSamples(2989, window));
        EXPECT_NE(LastError().find("Could not read samples"), std::string::npos);
        EXPECT_TRUE(db.FetchSamples(0, window));
    }
}

TEST(CostTable, NamesBecomeSymbolsAndMissingOnesCostFive) {
    CostTable costs;
    ASSERT_EQ(costs.Parse("5\na:\t3\n_\t1\nEEEE\t7\na:\t9\nxy\t-2\nr\t8\n"), 0);
    ASSERT_EQ(costs.Entries().size(), 5u);  // the count limits the reading
    EXPECT_EQ(costs.Cost('A'), 3);           // a: -> A, first match wins
    EXPECT_EQ(costs.Cost(' '), 1);           // _ -> space
    EXPECT_EQ(costs.Cost('E'), 7);           // not a SAMPA name: kept, cut to 3
    EXPECT_STREQ(costs.Entries()[2].name, "EEE");
    EXPECT_EQ(costs.Cost('x'), -2);
    EXPECT_EQ(costs.Cost('r'), kMissingCost);
    EXPECT_EQ(costs.Cost(0xC8), kMissingCost);
    const std::uint8_t run[] = {'r', 'A', ' '};
    EXPECT_EQ(costs.MinCost(run), 1);
    EXPECT_EQ(costs.MinCost({}), 2147483647);

    EXPECT_EQ(costs.Parse("9\na\t2\n"), 0);  // stops at the end of the file
    EXPECT_EQ(costs.Entries().size(), 1u);
    EXPECT_EQ(costs.Parse("0\na\t2\n"), -1);
    EXPECT_EQ(costs.Parse("x\n"), -1);
    EXPECT_EQ(costs.Parse(""), -1);
    EXPECT_EQ(costs.Cost('a'), kMissingCost);
}

TEST(InitTables, NeedsTheDatabaseAndTheCosts) {
    TempDir dir;
    const testing::VoiceFiles files = testing::WriteVoice(dir, MixedContent(), {{"a", 2}});
    ASSERT_FALSE(files.database.empty());
    Configuration config;
    config.SetBaseDirectory(dir.dir());
    config.switches().vzorci_v_pomnilniku = true;
    VoiceTables tables;
    ASSERT_EQ(InitTables(config, tables), 0) << LastError();
    EXPECT_TRUE(tables.db.SamplesInMemory());
    EXPECT_EQ(tables.costs.Cost('a'), 2);

    dir.Write("Cost.dat", "0\n");
    EXPECT_EQ(InitTables(config, tables), -1);
    std::filesystem::remove(files.costs);
    EXPECT_EQ(InitTables(config, tables), -1);
    EXPECT_NE(LastError().find("Cost.dat"), std::string::npos);
}

}  // namespace
}  // namespace tarvox
