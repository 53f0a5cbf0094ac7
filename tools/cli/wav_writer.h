// 16 kHz, 16-bit mono output, written piece by piece as the audio comes:
//   WavFile    a WAV file through libsndfile. Its header holds sizes of 32
//              bits: a file that would pass 4 GiB is refused (writing
//              fails with a message) instead of wrapping them. The header
//              is right whenever the file is closed, also after an
//              interruption.
//   WavStream  a WAV header and the samples on standard output; the header
//              cannot be rewritten there, so its sizes say "unknown"
//              (0xFFFFFFFF), as streaming readers expect.
//   Raw        the samples alone on standard output (little endian).
#pragma once

#include <cstdint>
#include <span>
#include <string>

struct sf_private_tag;

namespace tarvox::cli {

enum class OutputFormat { WavFile, WavStream, Raw };

// The most sample bytes a WAV file's header can count.
inline constexpr std::uint64_t kWavDataLimit = 0xFFFFFFFFull - 36;

// out[i] = in[i] x volume / 50, clipped to +-32766 (volume 0 .. 100: 100
// doubles, 50 keeps the samples). out must be as long as in.
void ScaleVolume(std::span<const std::int16_t> in, std::span<std::int16_t> out, int volume);

class SampleSink {
public:
    // `limit`: sample bytes a WAV file may hold (tests make it small).
    SampleSink(const std::string& path, OutputFormat format, std::uint64_t limit = kWavDataLimit);
    ~SampleSink();
    SampleSink(const SampleSink&) = delete;
    SampleSink& operator=(const SampleSink&) = delete;

    bool ok() const { return ok_; }
    const std::string& error() const { return error_; }
    bool Write(std::span<const std::int16_t> samples);
    std::int64_t written() const { return written_; }
    // Finishes the file (its header then tells its length); false when that
    // fails.
    bool Close();

private:
    sf_private_tag* file_ = nullptr;
    OutputFormat format_;
    std::uint64_t limit_;
    bool ok_ = false;
    std::string error_;
    std::int64_t written_ = 0;
};

}  // namespace tarvox::cli
