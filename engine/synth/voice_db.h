// The voice database: one speaker's recorded speech as a single stream of
// 16-bit samples at 16000 Hz, its transcription in one-byte symbols, the
// pitch marks ("markers") of every recorded alophone and three sorted
// indexes from one-, two- and three-symbol sequences to the places where
// they occur in the transcription; and the per-phoneme join costs of
// "Cost.dat".
//
// File layout (all integers 32-bit little-endian, read strictly in order):
//   header   15 words: byte lengths of sections A, D, T, Data, WinIndex,
//            Windows, Samples (words 1-7); words 8-13 and 15 unused; word 14
//            the file offset of the Samples section (its count).
//   A        count, then per entry a 29-byte record (byte 0 symbol, bytes
//            1-4 occurrence count n) followed by n transcription positions;
//            sorted by the symbol as an unsigned byte.
//   D        count, then 14-byte records (bytes 0-1 symbols, 2-5 n) with
//            their lists; sorted by the symbols as signed bytes.
//   T        count, then 15-byte records (bytes 0-2 symbols, 3-6 n) with
//            their lists; sorted by the symbols as signed bytes.
//   Data     size S, then S bytes: S - 15 bytes of enciphered transcription
//            and 15 trailing bytes kept as stored.
//   WinIndex count N_A, then the first marker of each alophone; the last
//            entry closes the last alophone.
//   Windows  count N_M, then the sample index of each marker.
//   Samples  count N_S, then N_S enciphered 16-bit samples.
// The file length must equal 60 + the sum of words 1-7.
//
// The loader parses the file once into a VoiceDatabase. It validates the
// structure (the length, every count against the bytes left, every
// occurrence position against the transcription, the Samples offset) so
// that nothing later reads outside what was loaded; the per-alophone marker
// data is checked where a sentence uses it (unit selection), with messages
// that name the alophone.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/files.h"

namespace tarvox {

class Configuration;

inline constexpr std::int32_t kSampleRate = 16000;
inline constexpr std::size_t kDbHeaderWords = 15;
inline constexpr std::size_t kDbHeaderSize = 4 * kDbHeaderWords;
inline constexpr std::size_t kAlophoneRecordSize = 29;
inline constexpr std::size_t kDiphoneRecordSize = 14;
inline constexpr std::size_t kTriphoneRecordSize = 15;
inline constexpr std::size_t kDataTrailerSize = 15;
inline constexpr std::int32_t kMissingCost = 5;
inline constexpr std::int32_t kEmptyRunCost = 2147483647;

inline constexpr char kVoiceDatabaseFile[] = ".\\data\\QuenlarOrin.dat";
inline constexpr char kCostFile[] = "Cost.dat";

// How an index orders its symbols.
enum class SymbolOrder { kUnsigned, kSigned };

// One index: keys of `width` symbols in file order, each with its list of
// transcription positions. Flat tables: entry i owns positions
// [starts[i], starts[i + 1]).
class SymbolIndex {
public:
    SymbolIndex(int width, SymbolOrder order) : width_(width), order_(order) {}

    int Width() const { return width_; }
    SymbolOrder Order() const { return order_; }
    std::size_t size() const { return keys_.size(); }
    std::span<const std::uint8_t> SymbolsAt(std::size_t i) const {
        return std::span<const std::uint8_t>(symbols_).subspan(i * width_, width_);
    }
    std::span<const std::int32_t> Occurrences(std::size_t i) const {
        return std::span<const std::int32_t>(positions_).subspan(starts_[i], starts_[i + 1] - starts_[i]);
    }
    std::span<const std::int32_t> AllPositions() const { return positions_; }

    // The occurrence list of the first `Width()` symbols, found by
    // bisection; empty when the key is missing (or lists nothing).
    std::span<const std::int32_t> Find(std::span<const std::uint8_t> symbols) const;

    // The sort key of a run of `Width()` symbols in this index's order.
    std::uint32_t KeyOf(std::span<const std::uint8_t> symbols) const;

    void Clear();
    void Append(std::span<const std::uint8_t> symbols, std::span<const std::int32_t> positions);

private:
    int width_;
    SymbolOrder order_;
    std::vector<std::uint8_t> symbols_;
    std::vector<std::uint32_t> keys_;
    std::vector<std::uint32_t> starts_{0};
    std::vector<std::int32_t> positions_;
};

// Where the samples come from.
struct SampleSource {
    std::string file;
    std::int32_t sample_count = 0;
    std::int64_t first_sample_offset = 0;  // header word 14 + 4
    int format = 1;                        // 16-bit linear
    int bits_per_sample = 16;
};

class VoiceDatabase {
public:
    const SymbolIndex& Alophones() const { return a_; }
    const SymbolIndex& Diphones() const { return d_; }
    const SymbolIndex& Triphones() const { return t_; }
    std::span<const std::uint8_t> Transcription() const { return transcription_; }
    std::span<const std::uint8_t> Trailer() const { return trailer_; }
    std::span<const std::int32_t> WinIndex() const { return win_index_; }
    std::span<const std::int32_t> Windows() const { return windows_; }
    std::int32_t SampleCount() const { return sample_count_; }
    // Whether the samples that stay in the file are read through a mapping
    // of it (the default) or by positioned reads; set before loading.
    void MapSamples(bool map) { map_file_ = map; }
    bool SamplesMapped() const { return file_.IsMapped(); }
    // Before a sentence's reads: if the file was shortened since it was
    // mapped, reads go on as positioned reads (and fail where data is gone).
    void CheckSamplesFile() noexcept {
        if (!in_memory_) file_.KeepMappingSafe();
    }
    bool SamplesInMemory() const { return in_memory_; }
    // The deciphered samples; empty when they stay in the file.
    std::span<const std::int16_t> Samples() const { return samples_; }
    std::span<const SampleSource> Sources() const { return sources_; }
    // Header words 1-15 as read.
    const std::array<std::int32_t, kDbHeaderWords>& Header() const { return header_; }
    bool IsLoaded() const { return !sources_.empty(); }

    // Delivers out.size() samples starting at sample `first`, from memory or
    // through the open file with one positioned read. False, after a
    // message, when the request lies outside the samples or the read fails.
    bool FetchSamples(std::int64_t first, std::span<std::int16_t> out) const;

    // Frees everything and empties the sample source list.
    void Release();

private:
    friend struct VoiceDatabaseLoader;

    std::array<std::int32_t, kDbHeaderWords> header_{};
    SymbolIndex a_{1, SymbolOrder::kUnsigned};
    SymbolIndex d_{2, SymbolOrder::kSigned};
    SymbolIndex t_{3, SymbolOrder::kSigned};
    std::vector<std::uint8_t> transcription_;
    std::vector<std::uint8_t> trailer_;
    std::vector<std::int32_t> win_index_;
    std::vector<std::int32_t> windows_;
    std::int32_t sample_count_ = 0;
    bool in_memory_ = false;
    std::vector<std::int16_t> samples_;
    std::vector<SampleSource> sources_;
    RandomAccessFile file_;  // open while the samples stay in the file
    bool map_file_ = true;
};

// Reads the database file into `db` (replacing what it held). 0 on success;
// -1 when the file cannot be opened, its length differs from what the
// header promises ("Psola: loadtables: dolzina ni prava: ..."), or it is
// corrupt or truncated (each with its message). `db` is empty after -1.
int loadtables(std::string_view path, bool samples_in_memory, VoiceDatabase& db);

// The join cost per phoneme ("Cost.dat"): a decimal count on the first
// line, then name/cost pairs. Names that are SAMPA names are kept as their
// one-byte symbol; others as written (at most 3 characters). Lookups match
// the first byte; a symbol the table lacks costs 5.
class CostTable {
public:
    struct Entry {
        char name[4];
        std::int32_t cost;
    };

    // Reads the file; 0, or -1 when it is missing or its count is 0 (or not
    // a number). The table keeps the entries read before the end of file.
    int Load(std::string_view path);
    int Parse(std::string_view text);

    std::int32_t Cost(std::uint8_t symbol) const { return by_symbol_[symbol]; }
    // The smallest cost over a run of symbols, 2147483647 for an empty run.
    std::int32_t MinCost(std::span<const std::uint8_t> symbols) const;
    std::span<const Entry> Entries() const { return entries_; }
    void Release();

private:
    std::vector<Entry> entries_;
    std::array<std::int32_t, 256> by_symbol_ = Unknown();
    static std::array<std::int32_t, 256> Unknown();
};

// The database and the costs, loaded together.
struct VoiceTables {
    VoiceDatabase db;
    CostTable costs;
    void Release() {
        db.Release();
        costs.Release();
    }
};

// Builds the SAMPA lookups, loads the database, then "Cost.dat". 0, or -1
// (what was loaded stays in `tables` for the caller to release).
int InitTables(std::string_view database_path, std::string_view cost_path, bool samples_in_memory,
               VoiceTables& tables);
// The same with ".\data\QuenlarOrin.dat" and "Cost.dat" resolved against the
// base directory and the `vzorci_v_pomnilniku` switch.
int InitTables(const Configuration& config, VoiceTables& tables);

}  // namespace tarvox
