// 16 kHz, 16-bit mono output: a WAV file (through libsndfile) or raw
// samples on standard output, written piece by piece.
#pragma once

#include <cstdint>
#include <span>
#include <string>

struct sf_private_tag;

namespace tarvox::cli {

class SampleSink {
public:
    // path "-" or empty with raw=true: raw samples to standard output.
    SampleSink(const std::string& path, bool raw);
    ~SampleSink();
    SampleSink(const SampleSink&) = delete;
    SampleSink& operator=(const SampleSink&) = delete;

    bool ok() const { return ok_; }
    const std::string& error() const { return error_; }
    bool Write(std::span<const std::int16_t> samples);
    std::int64_t written() const { return written_; }

private:
    sf_private_tag* file_ = nullptr;
    bool raw_ = false;
    bool ok_ = false;
    std::string error_;
    std::int64_t written_ = 0;
};

}  // namespace tarvox::cli
