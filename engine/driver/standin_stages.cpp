#include "driver/standin_stages.h"

#include <array>
#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "base/files.h"

namespace tarvox {
namespace {

class StandInConverter final : public IConverter {
public:
    void SetLogDirectory(std::string_view path) override { log_dir_ = path; }
    void CreateLogFile() override { OpenFile(log_dir_ + "avto.bes", "w"); }
    int Convert(const char* text, bool) override {
        if (text && *text) {
            pending_.assign(text, strnlen(text, 10240));
            pos_ = 0;
        }
        while (pos_ < pending_.size() && std::isspace(static_cast<unsigned char>(pending_[pos_])))
            ++pos_;
        if (pos_ >= pending_.size()) return -1;
        std::size_t end = pending_.find_first_of(".!?", pos_);
        end = end == std::string::npos ? pending_.size() : end + 1;
        const std::string sentence = pending_.substr(pos_, end - pos_);
        pos_ = end;
        const std::size_t n = std::min(sentence.size(), output_.size() - 1);
        std::memcpy(output_.data(), sentence.data(), n);
        output_[n] = '\0';
        return static_cast<int>(sentence.size());
    }
    std::span<char> OutputBuffer() override { return output_; }

private:
    std::string log_dir_;
    std::string pending_;
    std::size_t pos_ = 0;
    std::array<char, kTranscriptionSize> output_{};
};

class StandInMicro final : public IMicroProsody {
public:
    void Reset(int) override { records_.clear(); }
    int Run(const char* text, int) override {
        records_.clear();
        for (const char* p = text; *p; ++p) {
            if (!std::isalpha(static_cast<unsigned char>(*p))) continue;
            StageRecord r{};
            SetSymbol(r.symbol, std::string_view(p, 1));
            r.duration = 80;
            r.pitch = 100;
            records_.push_back(r);
        }
        return 0;
    }
    std::span<const StageRecord> Records() const override { return records_; }
    int ReferencePitch() const override { return 100; }
    void SetTempo(int) override {}

private:
    std::vector<StageRecord> records_;
};

class StandInMacro final : public IMacroProsody {
public:
    int Run(std::span<const StageRecord> records) override {
        records_.assign(records.begin(), records.end());
        return 0;
    }
    std::span<const StageRecord> Records() const override { return records_; }

private:
    std::vector<StageRecord> records_;
};

class StandInWave final : public IWaveGenerator {
public:
    int Run(std::span<const PhonemeRecord> units) override {
        long ms = 0;
        for (const PhonemeRecord& r : units) {
            if (r.symbol[0] == '\0') break;
            ms += r.duration;
        }
        samples_.assign(static_cast<std::size_t>(ms) * 16, 0);
        return 0;
    }
    std::span<const std::int16_t> Samples() const override { return samples_; }

private:
    std::vector<std::int16_t> samples_;
};

}  // namespace

std::unique_ptr<IConverter> MakeStandInConverter() { return std::make_unique<StandInConverter>(); }
std::unique_ptr<IMicroProsody> MakeStandInMicro() { return std::make_unique<StandInMicro>(); }
std::unique_ptr<IMacroProsody> MakeStandInMacro() { return std::make_unique<StandInMacro>(); }
std::unique_ptr<IWaveGenerator> MakeStandInWave() { return std::make_unique<StandInWave>(); }

}  // namespace tarvox
