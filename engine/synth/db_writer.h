// Writes a voice database file and its "Cost.dat" from recordings, their
// transcription in one-byte symbols, their pitch marks and the index from
// alophones to their first pitch mark. The three symbol indexes are built
// from the transcription: A sorted by the symbol as an unsigned byte, D and
// T with the symbols taken as signed bytes; every list in transcription
// order. The transcription and the samples are enciphered (synth/cipher.h).
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarvox {

// Everything a database file holds, as one stream.
struct VoiceDatabaseContent {
    std::vector<std::int16_t> samples;
    std::vector<std::uint8_t> transcription;  // one symbol per recorded alophone
    // First marker of every alophone, then one entry that closes the last.
    std::vector<std::int32_t> win_index;
    std::vector<std::int32_t> windows;  // sample index of every marker, ascending
    std::array<std::uint8_t, 15> trailer{};
    // Header words 8-13 and 15, which the reader ignores.
    std::array<std::int32_t, 7> spare_header_words{};

    // Appends one recording: its samples, the symbols of its alophones, its
    // pitch marks (sample positions within the recording) and, per alophone,
    // the index of its first pitch mark within the recording followed by one
    // closing entry. The closing entry replaces the previous recording's:
    // that recording's last alophone ends where this one's first begins.
    void AppendRecording(std::span<const std::int16_t> recording, std::string_view symbols,
                         std::span<const std::int32_t> pitch_marks,
                         std::span<const std::int32_t> first_marks);
};

// The file image; throws std::length_error when a section outgrows 32 bits.
std::vector<char> SerializeVoiceDatabase(const VoiceDatabaseContent& content);

// Writes the file; 0, or -1 with `error` set.
int WriteVoiceDatabase(std::string_view path, const VoiceDatabaseContent& content,
                       std::string& error);

struct CostEntry {
    std::string sampa;  // SAMPA name as "Cost.dat" writes it ("_" for the pause)
    std::int32_t cost;
};

// "Cost.dat": the count, then one "name<TAB>cost" line per entry.
std::string SerializeCostFile(std::span<const CostEntry> entries);
int WriteCostFile(std::string_view path, std::span<const CostEntry> entries, std::string& error);

}  // namespace tarvox
