#include "wav_writer.h"

#include <sndfile.h>

#include <cstdio>

namespace tarvox::cli {

SampleSink::SampleSink(const std::string& path, bool raw) : raw_(raw) {
    if (raw_) {
        ok_ = true;
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

SampleSink::~SampleSink() {
    if (file_) sf_close(file_);
    if (raw_) std::fflush(stdout);
}

bool SampleSink::Write(std::span<const std::int16_t> samples) {
    if (!ok_ || samples.empty()) return ok_;
    if (raw_) {
        ok_ = std::fwrite(samples.data(), sizeof(std::int16_t), samples.size(), stdout) ==
              samples.size();
    } else {
        ok_ = sf_write_short(file_, samples.data(), static_cast<sf_count_t>(samples.size())) ==
              static_cast<sf_count_t>(samples.size());
    }
    if (ok_) written_ += static_cast<std::int64_t>(samples.size());
    else error_ = "write failed";
    return ok_;
}

}  // namespace tarvox::cli
