#include "synth/voice_db.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>
#include <new>

#include "base/config.h"
#include "base/diag.h"
#include "lexicon/sampa.h"
#include "synth/cipher.h"
#include "synth/messages.h"

namespace tarvox {

namespace {

std::int32_t ReadLe32(const std::uint8_t* p) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(p[0]) |
                                     static_cast<std::uint32_t>(p[1]) << 8 |
                                     static_cast<std::uint32_t>(p[2]) << 16 |
                                     static_cast<std::uint32_t>(p[3]) << 24);
}

// Samples arrive as little-endian bytes in place; turn them into native
// 16-bit values.
void LittleEndianSamples(std::span<std::int16_t> samples) {
    if constexpr (std::endian::native == std::endian::little) return;
    for (std::int16_t& s : samples) {
        const auto u = static_cast<std::uint16_t>(s);
        s = static_cast<std::int16_t>(static_cast<std::uint16_t>((u >> 8) | (u << 8)));
    }
}

std::span<std::uint8_t> BytesOf(std::span<std::int16_t> samples) {
    return {reinterpret_cast<std::uint8_t*>(samples.data()), samples.size() * 2};
}

// Reads a file front to back through a buffer, never past its length.
class SequentialReader {
public:
    SequentialReader(std::FILE* f, std::int64_t length) : f_(f), length_(length) {}

    std::int64_t Position() const { return position_; }
    std::int64_t Remaining() const { return length_ - position_; }

    bool Read(std::span<std::uint8_t> out) {
        if (static_cast<std::int64_t>(out.size()) > Remaining()) return false;
        std::size_t done = 0;
        while (done < out.size()) {
            if (begin_ == end_) {
                // Large reads go straight to their destination.
                if (out.size() - done >= buffer_.size()) {
                    const std::size_t n = std::fread(out.data() + done, 1, out.size() - done, f_);
                    done += n;
                    position_ += static_cast<std::int64_t>(n);
                    if (done < out.size()) return false;
                    break;
                }
                begin_ = 0;
                end_ = std::fread(buffer_.data(), 1, buffer_.size(), f_);
                if (end_ == 0) return false;
            }
            const std::size_t n = std::min(end_ - begin_, out.size() - done);
            std::memcpy(out.data() + done, buffer_.data() + begin_, n);
            begin_ += n;
            done += n;
            position_ += static_cast<std::int64_t>(n);
        }
        return true;
    }

    bool ReadInt32(std::int32_t& value) {
        std::uint8_t b[4];
        if (!Read(b)) return false;
        value = ReadLe32(b);
        return true;
    }

    bool ReadInt32s(std::vector<std::int32_t>& out, std::size_t count) {
        out.resize(count);
        if (!Read({reinterpret_cast<std::uint8_t*>(out.data()), count * 4})) return false;
        if constexpr (std::endian::native != std::endian::little) {
            for (std::int32_t& v : out) v = ReadLe32(reinterpret_cast<const std::uint8_t*>(&v));
        }
        return true;
    }

private:
    std::FILE* f_;
    std::int64_t length_;
    std::int64_t position_ = 0;
    std::vector<std::uint8_t> buffer_ = std::vector<std::uint8_t>(1 << 16);
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
};

void Corrupt(const std::string& detail) {
    ReportError("Psola::loadtables>>Corrupt wave database>>" + detail);
}

// A count that must be non-negative and whose items of `item_size` bytes
// must fit in what is left of the file.
bool CheckCount(std::int32_t count, std::size_t item_size, const SequentialReader& in,
                const char* what) {
    if (count < 0 || static_cast<std::int64_t>(count) * static_cast<std::int64_t>(item_size) >
                         in.Remaining()) {
        Corrupt(SynthMessage("%s: count %d does not fit in the %lld bytes left at offset %lld",
                              what, count, static_cast<long long>(in.Remaining()),
                              static_cast<long long>(in.Position())));
        return false;
    }
    return true;
}

bool Truncated(const SequentialReader& in, const char* what) {
    Corrupt(SynthMessage("%s: the file ends at offset %lld", what,
                          static_cast<long long>(in.Position())));
    return false;
}

bool ReadIndex(SequentialReader& in, SymbolIndex& index, std::size_t record_size,
               const char* name) {
    std::int32_t count = 0;
    if (!in.ReadInt32(count)) return Truncated(in, name);
    if (!CheckCount(count, record_size, in, name)) return false;
    std::vector<std::uint8_t> record(record_size);
    std::vector<std::int32_t> positions;
    const std::size_t width = static_cast<std::size_t>(index.Width());
    for (std::int32_t i = 0; i < count; ++i) {
        if (!in.Read(record)) return Truncated(in, name);
        const std::int32_t n = ReadLe32(record.data() + width);
        if (n < 0 || static_cast<std::int64_t>(n) * 4 > in.Remaining()) {  // named only when wrong
            CheckCount(n, 4, in, SynthMessage("%s entry %d", name, i).c_str());
            return false;
        }
        if (!in.ReadInt32s(positions, static_cast<std::size_t>(n))) return Truncated(in, name);
        index.Append(std::span<const std::uint8_t>(record).first(width), positions);
    }
    return true;
}

bool CheckOccurrences(const SymbolIndex& index, std::size_t transcription_size, const char* name) {
    const auto last = static_cast<std::int64_t>(transcription_size) - index.Width();
    for (std::size_t i = 0; i < index.size(); ++i) {
        for (const std::int32_t p : index.Occurrences(i)) {
            if (p < 0 || p > last) {
                Corrupt(SynthMessage("%s: entry %zu lists position %d, outside the transcription "
                                      "of %zu symbols",
                                      name, i, p, transcription_size));
                return false;
            }
        }
    }
    return true;
}

bool ReadIntSection(SequentialReader& in, std::vector<std::int32_t>& out, const char* name) {
    std::int32_t count = 0;
    if (!in.ReadInt32(count)) return Truncated(in, name);
    if (!CheckCount(count, 4, in, name)) return false;
    if (!in.ReadInt32s(out, static_cast<std::size_t>(count))) return Truncated(in, name);
    return true;
}

}  // namespace

struct VoiceDatabaseLoader {
    static int Load(std::string_view path, bool samples_in_memory, VoiceDatabase& db);
};

int VoiceDatabaseLoader::Load(std::string_view path, bool samples_in_memory, VoiceDatabase& db) {
    auto& header = db.header_;
    auto& transcription = db.transcription_;
    auto& samples = db.samples_;
    auto& sample_count = db.sample_count_;
    FilePtr f = OpenFile(path, "rb");
    if (!f) {
        ReportError(SynthMessage("Psola::loadtables>>Could not open the wave database>>File "
                                  "\"%.*s\" could not be opened for reading",
                                  static_cast<int>(path.size()), path.data()));
        return -1;
    }
    const std::int64_t length = FileSize(f.get());
    SequentialReader in(f.get(), length < 0 ? 0 : length);

    std::uint8_t raw[kDbHeaderSize];
    if (length < static_cast<std::int64_t>(kDbHeaderSize) || !in.Read(raw)) {
        ReportError(SynthMessage("Psola: loadtables: dolzina ni prava: %lld %lld\n",
                                  static_cast<long long>(length),
                                  static_cast<long long>(kDbHeaderSize)));
        return -1;
    }
    std::int64_t expected = kDbHeaderSize;
    for (std::size_t w = 0; w < kDbHeaderWords; ++w) {
        header[w] = ReadLe32(raw + 4 * w);
        if (w < 7) expected += header[w];
    }
    if (length != expected) {
        ReportError(SynthMessage("Psola: loadtables: dolzina ni prava: %lld %lld\n",
                                  static_cast<long long>(length),
                                  static_cast<long long>(expected)));
        return -1;
    }
    Trace("Psola: loadtables: dolzina OK\n");

    if (!ReadIndex(in, db.a_, kAlophoneRecordSize, "A")) return -1;
    Trace("Psola: loadtables: A: \n");
    if (!ReadIndex(in, db.d_, kDiphoneRecordSize, "D")) return -1;
    Trace("Psola: loadtables: D: \n");
    if (!ReadIndex(in, db.t_, kTriphoneRecordSize, "T")) return -1;
    Trace("Psola: loadtables: T: \n");

    std::int32_t size = 0;
    if (!in.ReadInt32(size)) { Truncated(in, "Data"); return -1; }
    if (!CheckCount(size, 1, in, "Data")) return -1;
    if (size < static_cast<std::int32_t>(kDataTrailerSize)) {
        Corrupt(SynthMessage("Data: size %d is shorter than the %zu trailing bytes", size,
                              kDataTrailerSize));
        return -1;
    }
    transcription.resize(static_cast<std::size_t>(size));
    if (!in.Read(transcription)) { Truncated(in, "Data"); return -1; }
    db.trailer_.assign(transcription.end() - kDataTrailerSize, transcription.end());
    transcription.resize(transcription.size() - kDataTrailerSize);
    ApplyDbCipher(transcription);
    if (!CheckOccurrences(db.a_, transcription.size(), "A") ||
        !CheckOccurrences(db.d_, transcription.size(), "D") ||
        !CheckOccurrences(db.t_, transcription.size(), "T"))
        return -1;
    Trace("Psola: loadtables: Data: \n");

    if (!ReadIntSection(in, db.win_index_, "WinIndex")) return -1;
    Trace("Psola: loadtables: WinIndex: \n");
    if (!ReadIntSection(in, db.windows_, "Windows")) return -1;
    Trace("Psola: loadtables: Windows: \n");

    // The sample source points at the samples through header word 14; it
    // must name the section that follows, or the two ways of reading the
    // samples (memory and file) would disagree.
    if (header[13] != in.Position()) {
        Corrupt(SynthMessage("Samples: the header places the section at offset %d, the file at "
                              "%lld",
                              header[13], static_cast<long long>(in.Position())));
        return -1;
    }
    if (!in.ReadInt32(sample_count)) { Truncated(in, "Samples"); return -1; }
    if (!CheckCount(sample_count, 2, in, "Samples")) return -1;
    // Every window's mark is a sample of this section: a section too short
    // for them would load and then leave every sentence silent.
    for (const std::int32_t mark : db.windows_) {
        if (mark < 0 || mark > sample_count) {
            Corrupt(SynthMessage("Samples: a window's mark at sample %d lies outside the %d samples",
                                  mark, sample_count));
            return -1;
        }
    }
    if (samples_in_memory) {
        Trace(SynthMessage("Psola: loadtables: Samples: allocating no. of samples %ld\n",
                            static_cast<long>(sample_count)));
        samples.resize(static_cast<std::size_t>(sample_count));
        Trace(SynthMessage("Psola: loadtables: Samples: no. of samples %ld allocated\n",
                            static_cast<long>(sample_count)));
        if (!in.Read(BytesOf(samples))) { Truncated(in, "Samples"); return -1; }
    } else {
        db.file_ = RandomAccessFile(path, db.map_file_);
        if (!db.file_.IsOpen()) {
            ReportError(SynthMessage("Psola::loadtables>>Could not open the wave database>>File "
                                      "\"%.*s\" could not be opened for reading the samples",
                                      static_cast<int>(path.size()), path.data()));
            return -1;
        }
    }
    db.sources_.push_back(SampleSource{std::string(path), sample_count,
                                   static_cast<std::int64_t>(header[13]) + 4, 1, 16});
    Trace("Psola: loadtables: Samples: \n");
    if (samples_in_memory) {
        ApplyDbCipher(BytesOf(samples));
        LittleEndianSamples(samples);
        Trace("Psola: loadtables: Samples: decypher \n");
    }
    db.in_memory_ = samples_in_memory;
    return 0;
}

std::uint32_t SymbolIndex::KeyOf(std::span<const std::uint8_t> symbols) const {
    std::uint32_t key = 0;
    const std::uint8_t flip = order_ == SymbolOrder::kSigned ? 0x80 : 0x00;
    for (int i = 0; i < width_; ++i) key = key << 8 | static_cast<std::uint8_t>(symbols[i] ^ flip);
    return key;
}

std::span<const std::int32_t> SymbolIndex::Find(std::span<const std::uint8_t> symbols) const {
    if (symbols.size() < static_cast<std::size_t>(width_)) return {};
    const std::uint32_t key = KeyOf(symbols);
    // Bisection over the entries in file order; an unsorted index simply
    // misses, it never reads outside the table.
    std::size_t lo = 0;
    std::size_t hi = keys_.size();
    while (lo < hi) {
        const std::size_t mid = lo + (hi - lo) / 2;
        if (keys_[mid] < key)
            lo = mid + 1;
        else
            hi = mid;
    }
    if (lo == keys_.size() || keys_[lo] != key) return {};
    return Occurrences(lo);
}

void SymbolIndex::Clear() {
    symbols_.clear();
    keys_.clear();
    starts_.assign(1, 0);
    positions_.clear();
}

void SymbolIndex::Append(std::span<const std::uint8_t> symbols,
                         std::span<const std::int32_t> positions) {
    symbols_.insert(symbols_.end(), symbols.begin(), symbols.begin() + width_);
    keys_.push_back(KeyOf(symbols));
    positions_.insert(positions_.end(), positions.begin(), positions.end());
    starts_.push_back(static_cast<std::uint32_t>(positions_.size()));
}

bool VoiceDatabase::FetchSamples(std::int64_t first, std::span<std::int16_t> out) const {
    const auto count = static_cast<std::int64_t>(out.size());
    if (first < 0 || count > sample_count_ || first > sample_count_ - count) {
        ReportError(SynthMessage("Psola::FetchSamples>>Samples out of range>>Samples %lld to "
                                  "%lld were requested from a database of %d samples",
                                  static_cast<long long>(first),
                                  static_cast<long long>(first + count - 1), sample_count_));
        return false;
    }
    if (in_memory_) {
        std::copy_n(samples_.begin() + first, out.size(), out.begin());
        return true;
    }
    const std::span<std::uint8_t> bytes = BytesOf(out);
    const std::uint64_t offset =
        sources_.empty() ? 0 : static_cast<std::uint64_t>(sources_.front().first_sample_offset + 2 * first);
    // From a mapping, deciphered on the way (one pass over the bytes).
    if (const std::span<const char> mapped = file_.MappedAt(offset, bytes.size());
        !sources_.empty() && mapped.size() == bytes.size() && !bytes.empty()) {
        ApplyDbCipher({reinterpret_cast<const std::uint8_t*>(mapped.data()), mapped.size()}, bytes,
                      static_cast<std::uint64_t>(2 * first));
        LittleEndianSamples(out);
        return true;
    }
    if (sources_.empty() ||
        !file_.ReadAt(offset, {reinterpret_cast<char*>(bytes.data()), bytes.size()})) {
        ReportError(SynthMessage("Psola::FetchSamples>>Could not read samples>>Samples %lld to "
                                  "%lld could not be read from the wave database file",
                                  static_cast<long long>(first),
                                  static_cast<long long>(first + count - 1)));
        return false;
    }
    ApplyDbCipher(bytes, static_cast<std::uint64_t>(2 * first));
    LittleEndianSamples(out);
    return true;
}

void VoiceDatabase::Release() {
    header_.fill(0);
    a_.Clear();
    d_.Clear();
    t_.Clear();
    transcription_ = {};
    trailer_ = {};
    win_index_ = {};
    windows_ = {};
    sample_count_ = 0;
    in_memory_ = false;
    samples_ = {};
    sources_.clear();
    file_ = RandomAccessFile();
}

int loadtables(std::string_view path, bool samples_in_memory, VoiceDatabase& db) {
    db.Release();
    int result = -1;
    try {
        result = VoiceDatabaseLoader::Load(path, samples_in_memory, db);
    } catch (const std::bad_alloc&) {
        ReportError("Psola::loadtables>>Out of memory>>The wave database could not be loaded");
        result = -1;
    }
    if (result != 0) {
        db.Release();
        return -1;
    }
    return 0;
}

// ---- Cost.dat ----

std::array<std::int32_t, 256> CostTable::Unknown() {
    std::array<std::int32_t, 256> costs;
    costs.fill(kMissingCost);
    return costs;
}

namespace {

// Whitespace-separated words, as "%s" reads them.
class Words {
public:
    explicit Words(std::string_view text) : text_(text) {}
    bool Next(std::string_view& word) {
        auto space = [](char c) {
            return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
        };
        while (pos_ < text_.size() && space(text_[pos_])) ++pos_;
        if (pos_ == text_.size()) return false;
        const std::size_t start = pos_;
        while (pos_ < text_.size() && !space(text_[pos_])) ++pos_;
        word = text_.substr(start, pos_ - start);
        return true;
    }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
};

// A decimal integer as atoi reads it: optional sign, then digits; 0 when
// there are none. Saturates instead of overflowing.
std::int32_t DecimalValue(std::string_view word) {
    std::size_t i = 0;
    bool negative = false;
    if (i < word.size() && (word[i] == '-' || word[i] == '+')) negative = word[i++] == '-';
    std::int64_t value = 0;
    for (; i < word.size() && word[i] >= '0' && word[i] <= '9'; ++i)
        value = std::min<std::int64_t>(value * 10 + (word[i] - '0'), 2147483648LL);
    if (negative) value = -value;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, -2147483647LL - 1, 2147483647LL));
}

bool IsSampaName(std::string_view name) {
    return std::any_of(kSampaTable.begin(), kSampaTable.end(),
                       [&](const SampaRow& row) { return row.name == name; });
}

}  // namespace

int CostTable::Parse(std::string_view text) {
    Release();
    Words words(text);
    std::string_view word;
    if (!words.Next(word)) return -1;
    const std::int32_t count = DecimalValue(word);
    if (count <= 0) return -1;
    std::string_view name;
    std::string_view cost;
    for (std::int32_t i = 0; i < count && words.Next(name) && words.Next(cost); ++i) {
        name = name.substr(0, 3);
        Entry e{};
        const std::string_view symbol = IsSampaName(name) ? ConvertSAMPA(name) : name;
        std::memcpy(e.name, symbol.data(), symbol.size());
        e.cost = DecimalValue(cost);
        entries_.push_back(e);
    }
    for (auto it = entries_.rbegin(); it != entries_.rend(); ++it)
        by_symbol_[static_cast<std::uint8_t>(it->name[0])] = it->cost;
    return 0;
}

int CostTable::Load(std::string_view path) {
    const std::optional<std::vector<char>> data = ReadWholeFile(path);
    if (!data) {
        Release();
        return -1;
    }
    return Parse(std::string_view(data->data(), data->size()));
}

std::int32_t CostTable::MinCost(std::span<const std::uint8_t> symbols) const {
    std::int32_t best = kEmptyRunCost;
    for (const std::uint8_t s : symbols) best = std::min(best, Cost(s));
    return best;
}

void CostTable::Release() {
    entries_.clear();
    by_symbol_ = Unknown();
}

int InitTables(std::string_view database_path, std::string_view cost_path, bool samples_in_memory,
               VoiceTables& tables) {
    if (loadtables(database_path, samples_in_memory, tables.db) != 0) return -1;
    try {
        if (tables.costs.Load(cost_path) != 0) {
            ReportError(SynthMessage("Psola::InitTables>>Could not read the join costs>>File "
                                      "\"%.*s\" is missing, unreadable or its count is 0",
                                      static_cast<int>(cost_path.size()), cost_path.data()));
            return -1;
        }
    } catch (const std::bad_alloc&) {
        ReportError("Psola::InitTables>>Out of memory>>The join costs could not be loaded");
        return -1;
    }
    return 0;
}

int InitTables(const Configuration& config, VoiceTables& tables) {
    return InitTables(config.ResolvePath(kVoiceDatabaseFile), config.ResolvePath(kCostFile),
                      config.switches().vzorci_v_pomnilniku, tables);
}

}  // namespace tarvox
