#include "wav_writer.h"

#include <sndfile.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

namespace tarvox::cli {
namespace {

bool WriteStdout(const void* data, std::size_t bytes) {
    return std::fwrite(data, 1, bytes, stdout) == bytes;
}

// A WAV header whose RIFF and data sizes are unknown (0xFFFFFFFF).
std::array<unsigned char, 44> StreamHeader() {
    std::array<unsigned char, 44> h{};
    auto put = [&](std::size_t at, const char* tag) { std::memcpy(h.data() + at, tag, 4); };
    auto u32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) h[at + i] = static_cast<unsigned char>(v >> (8 * i));
    };
    auto u16 = [&](std::size_t at, std::uint16_t v) {
        h[at] = static_cast<unsigned char>(v);
        h[at + 1] = static_cast<unsigned char>(v >> 8);
    };
    put(0, "RIFF");
    u32(4, 0xFFFFFFFFu);
    put(8, "WAVE");
    put(12, "fmt ");
    u32(16, 16);
    u16(20, 1);      // PCM
    u16(22, 1);      // mono
    u32(24, 16000);  // samples per second
    u32(28, 32000);  // bytes per second
    u16(32, 2);      // block alignment
    u16(34, 16);     // bits per sample
    put(36, "data");
    u32(40, 0xFFFFFFFFu);
    return h;
}

}  // namespace

SampleSink::SampleSink(const std::string& path, OutputFormat format, std::uint64_t limit)
    : format_(format), limit_(limit) {
    if (format_ == OutputFormat::Raw) {
        ok_ = true;
        return;
    }
    if (format_ == OutputFormat::WavStream) {
        const auto header = StreamHeader();
        ok_ = WriteStdout(header.data(), header.size());
        if (!ok_) error_ = "cannot write to standard output";
        return;
    }
    SF_INFO info{};
    info.samplerate = 16000;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    file_ = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file_) {
        error_ = "cannot write " + path + ": " + sf_strerror(nullptr);
        return;
    }
    ok_ = true;
}

SampleSink::~SampleSink() { Close(); }

bool SampleSink::Close() {
    if (file_) {
        const int rc = sf_close(file_);
        file_ = nullptr;
        if (rc != 0 && ok_) {
            ok_ = false;
            error_ = "cannot finish the WAV file";
        }
    } else if (format_ != OutputFormat::WavFile) {
        if (std::fflush(stdout) != 0 && ok_) {
            ok_ = false;
            error_ = "cannot write to standard output";
        }
    }
    return ok_;
}

void ScaleVolume(std::span<const std::int16_t> in, std::span<std::int16_t> out, int volume) {
    // 32-bit arithmetic (at most 32767 x 100) in one pass the compiler
    // vectorises.
    const std::int32_t v = volume;
    const std::size_t n = std::min(in.size(), out.size());
    const std::int16_t* __restrict from = in.data();
    std::int16_t* __restrict to = out.data();
    if (v % 50 == 0) {  // 0, 50 and 100 (the default): no division
        const std::int32_t times = v / 50;
        for (std::size_t i = 0; i < n; ++i)
            to[i] = static_cast<std::int16_t>(std::clamp(from[i] * times, -32766, 32766));
        return;
    }
    for (std::size_t i = 0; i < n; ++i)
        to[i] = static_cast<std::int16_t>(std::clamp(from[i] * v / 50, -32766, 32766));
}

bool SampleSink::Write(std::span<const std::int16_t> samples) {
    if (!ok_ || samples.empty()) return ok_;
    if (format_ != OutputFormat::WavFile) {
        ok_ = WriteStdout(samples.data(), samples.size_bytes());
    } else if (2 * (static_cast<std::uint64_t>(written_) + samples.size()) > limit_) {
        ok_ = false;
        error_ = "the WAV file would pass 4 GiB, more than its header can count; write the audio "
                 "to standard output (--stdout) or speak the text in parts";
        return false;
    } else {
        ok_ = file_ && sf_write_short(file_, samples.data(), static_cast<sf_count_t>(samples.size())) ==
                           static_cast<sf_count_t>(samples.size());
    }
    if (ok_) written_ += static_cast<std::int64_t>(samples.size());
    else error_ = "write failed";
    return ok_;
}

}  // namespace tarvox::cli
