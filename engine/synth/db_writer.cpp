#include "synth/db_writer.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <map>
#include <stdexcept>

#include "base/files.h"
#include "synth/cipher.h"
#include "synth/voice_db.h"

namespace tarvox {

namespace {

constexpr std::int64_t kMax32 = std::numeric_limits<std::int32_t>::max();

std::int32_t Checked32(std::int64_t value) {
    if (value < 0 || value > kMax32)
        throw std::length_error("voice database section larger than 32-bit sizes allow");
    return static_cast<std::int32_t>(value);
}

class ByteSink {
public:
    void Int32(std::int32_t v) {
        const auto u = static_cast<std::uint32_t>(v);
        for (int i = 0; i < 4; ++i) bytes_.push_back(static_cast<char>((u >> (8 * i)) & 0xFF));
    }
    void Bytes(std::span<const std::uint8_t> b) { bytes_.insert(bytes_.end(), b.begin(), b.end()); }
    void Zeros(std::size_t n) { bytes_.insert(bytes_.end(), n, '\0'); }
    std::size_t size() const { return bytes_.size(); }
    std::vector<char>& bytes() { return bytes_; }

private:
    std::vector<char> bytes_;
};

// Occurrence lists keyed by an index's sort key, so that iterating the map
// gives the file order.
using Lists = std::map<std::uint32_t, std::pair<std::array<std::uint8_t, 3>, std::vector<std::int32_t>>>;

Lists BuildLists(const SymbolIndex& order, std::span<const std::uint8_t> text) {
    Lists lists;
    const auto width = static_cast<std::size_t>(order.Width());
    for (std::size_t p = 0; p + width <= text.size(); ++p) {
        const std::span<const std::uint8_t> symbols = text.subspan(p, width);
        auto& entry = lists[order.KeyOf(symbols)];
        std::copy(symbols.begin(), symbols.end(), entry.first.begin());
        entry.second.push_back(Checked32(static_cast<std::int64_t>(p)));
    }
    return lists;
}

std::int64_t WriteIndex(ByteSink& out, const Lists& lists, int width, std::size_t record_size) {
    const std::size_t start = out.size();
    out.Int32(Checked32(static_cast<std::int64_t>(lists.size())));
    for (const auto& [key, entry] : lists) {
        const auto& [symbols, positions] = entry;
        out.Bytes(std::span<const std::uint8_t>(symbols).first(static_cast<std::size_t>(width)));
        out.Int32(Checked32(static_cast<std::int64_t>(positions.size())));
        out.Zeros(record_size - static_cast<std::size_t>(width) - 4);
        for (const std::int32_t p : positions) out.Int32(p);
    }
    return static_cast<std::int64_t>(out.size() - start);
}

std::int64_t WriteInts(ByteSink& out, std::span<const std::int32_t> values) {
    const std::size_t start = out.size();
    out.Int32(Checked32(static_cast<std::int64_t>(values.size())));
    for (const std::int32_t v : values) out.Int32(v);
    return static_cast<std::int64_t>(out.size() - start);
}

int WriteFile(std::string_view path, std::span<const char> bytes, std::string& error) {
    FilePtr f = OpenFile(path, "wb");
    if (!f) {
        error = "cannot create " + std::string(path);
        return -1;
    }
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), f.get()) != bytes.size()) {
        error = "cannot write " + std::string(path);
        return -1;
    }
    if (std::fclose(f.release()) != 0) {
        error = "cannot close " + std::string(path);
        return -1;
    }
    return 0;
}

}  // namespace

void VoiceDatabaseContent::AppendRecording(std::span<const std::int16_t> recording,
                                           std::string_view symbols,
                                           std::span<const std::int32_t> pitch_marks,
                                           std::span<const std::int32_t> first_marks) {
    const auto sample_base = static_cast<std::int32_t>(samples.size());
    const auto mark_base = static_cast<std::int32_t>(windows.size());
    samples.insert(samples.end(), recording.begin(), recording.end());
    for (const char c : symbols) transcription.push_back(static_cast<std::uint8_t>(c));
    for (const std::int32_t m : pitch_marks) windows.push_back(sample_base + m);
    if (!win_index.empty()) win_index.pop_back();
    for (const std::int32_t m : first_marks) win_index.push_back(mark_base + m);
}

std::vector<char> SerializeVoiceDatabase(const VoiceDatabaseContent& content) {
    ByteSink out;
    out.Zeros(kDbHeaderSize);
    std::array<std::int64_t, 7> lengths{};
    const std::span<const std::uint8_t> text = content.transcription;
    const SymbolIndex a(1, SymbolOrder::kUnsigned);
    const SymbolIndex d(2, SymbolOrder::kSigned);
    const SymbolIndex t(3, SymbolOrder::kSigned);
    lengths[0] = WriteIndex(out, BuildLists(a, text), 1, kAlophoneRecordSize);
    lengths[1] = WriteIndex(out, BuildLists(d, text), 2, kDiphoneRecordSize);
    lengths[2] = WriteIndex(out, BuildLists(t, text), 3, kTriphoneRecordSize);

    std::vector<std::uint8_t> data(text.begin(), text.end());
    ApplyDbCipher(data);
    out.Int32(Checked32(static_cast<std::int64_t>(data.size() + kDataTrailerSize)));
    out.Bytes(data);
    out.Bytes(content.trailer);
    lengths[3] = 4 + static_cast<std::int64_t>(data.size() + kDataTrailerSize);

    lengths[4] = WriteInts(out, content.win_index);
    lengths[5] = WriteInts(out, content.windows);

    const std::int64_t samples_offset = static_cast<std::int64_t>(out.size());
    std::vector<std::uint8_t> sample_bytes(content.samples.size() * 2);
    for (std::size_t i = 0; i < content.samples.size(); ++i) {
        const auto u = static_cast<std::uint16_t>(content.samples[i]);
        sample_bytes[2 * i] = static_cast<std::uint8_t>(u & 0xFF);
        sample_bytes[2 * i + 1] = static_cast<std::uint8_t>(u >> 8);
    }
    ApplyDbCipher(sample_bytes);
    out.Int32(Checked32(static_cast<std::int64_t>(content.samples.size())));
    out.Bytes(sample_bytes);
    lengths[6] = 4 + static_cast<std::int64_t>(sample_bytes.size());

    // The header: the seven lengths, the spare words and the Samples offset.
    std::array<std::int32_t, kDbHeaderWords> header{};
    for (std::size_t w = 0; w < lengths.size(); ++w) header[w] = Checked32(lengths[w]);
    for (std::size_t w = 7; w < 13; ++w) header[w] = content.spare_header_words[w - 7];
    header[13] = Checked32(samples_offset);
    header[14] = content.spare_header_words[6];
    std::vector<char>& bytes = out.bytes();
    for (std::size_t w = 0; w < kDbHeaderWords; ++w) {
        const auto u = static_cast<std::uint32_t>(header[w]);
        for (int i = 0; i < 4; ++i) bytes[4 * w + i] = static_cast<char>((u >> (8 * i)) & 0xFF);
    }
    return std::move(bytes);
}

int WriteVoiceDatabase(std::string_view path, const VoiceDatabaseContent& content,
                       std::string& error) {
    std::vector<char> bytes;
    try {
        bytes = SerializeVoiceDatabase(content);
    } catch (const std::exception& e) {
        error = e.what();
        return -1;
    }
    return WriteFile(path, bytes, error);
}

std::string SerializeCostFile(std::span<const CostEntry> entries) {
    std::string text = std::to_string(entries.size()) + "\n";
    for (const CostEntry& e : entries) text += e.sampa + "\t" + std::to_string(e.cost) + "\n";
    return text;
}

int WriteCostFile(std::string_view path, std::span<const CostEntry> entries, std::string& error) {
    const std::string text = SerializeCostFile(entries);
    return WriteFile(path, text, error);
}

}  // namespace tarvox
