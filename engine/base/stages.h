// What the driver relies on in the four stages. The real stages (the
// converter, micro and macro prosody, the waveform generator) implement these
// interfaces; tests put stand-ins in their place.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "base/records.h"

namespace tarvox {

class Configuration;

inline constexpr std::size_t kTranscriptionSize = 850;  // bytes, with the NUL

class IConverter {
public:
    virtual ~IConverter() = default;
    virtual void SetLogDirectory(std::string_view path) = 0;
    // Creates (empties) the file "avto.bes" in the log directory.
    virtual void CreateLogFile() = 0;
    // Converts the next sentence of `text` (null: of the text it still
    // holds); a positive count while a sentence was produced, -1 when none.
    virtual int Convert(const char* text, bool use_dictionary) = 0;
    // The output buffer: the transcription of the current sentence, at least
    // 850 bytes with the NUL. The driver writes prosody input into it.
    virtual std::span<char> OutputBuffer() = 0;
    // How many bytes of the text last given to Convert the sentences
    // converted so far came from (the sentence division works on the text
    // after its whole-text rewrites; this is the position in the text as
    // given). 0 when the converter cannot tell.
    virtual std::size_t InputConsumed() const { return 0; }
    // False when the whole-text rewrites of the text last given to Convert
    // did not fit the converter's buffer (its tail may be lost or some
    // expansions left out): the caller should give it in shorter pieces.
    virtual bool TextFits() const { return true; }
    // The last sentence as word conversion got it (after units, numbers and
    // capitals), in the internal letter code; empty when not kept.
    virtual std::string_view NormalisedSentence() const { return {}; }
};

class IMicroProsody {
public:
    virtual ~IMicroProsody() = default;
    virtual void Reset(int mode) = 0;
    // 0, -1 or -2 (partial).
    virtual int Run(const char* transcription, int mode) = 0;
    virtual std::span<const StageRecord> Records() const = 0;
    virtual int ReferencePitch() const = 0;
    virtual void SetTempo(int rate) = 0;
    // The rate with fractions (-10 to 10); a stage without finer steps
    // takes the nearest whole rate.
    virtual void SetRate(double rate) {
        SetTempo(static_cast<int>(std::lround(std::isfinite(rate) ? std::clamp(rate, -10.0, 10.0) : 0.0)));
    }
};

class IMacroProsody {
public:
    virtual ~IMacroProsody() = default;
    // 0 on success.
    virtual int Run(std::span<const StageRecord> records) = 0;
    virtual std::span<const StageRecord> Records() const = 0;
};

class IWaveGenerator {
public:
    virtual ~IWaveGenerator() = default;
    // Renders the output list (ended by a record with an empty symbol); 0,
    // -2 when something was skipped (the samples are still there), -1.
    virtual int Run(std::span<const PhonemeRecord> units) = 0;
    virtual std::span<const std::int16_t> Samples() const = 0;
};

// How the driver creates its stages. Each creator may throw (the stage
// classes throw when they cannot read their profile); the driver catches.
struct StageFactory {
    // The converter sets the engine-wide switches of its profile
    // (kovrat_filter, podpirajASCII7), hence the writable configuration.
    std::function<std::unique_ptr<IConverter>(Configuration&)> converter;
    std::function<std::unique_ptr<IMicroProsody>(const Configuration&, IConverter&)> micro;
    std::function<std::unique_ptr<IMacroProsody>(const Configuration&, IConverter&)> macro;
    std::function<std::unique_ptr<IWaveGenerator>(const Configuration&)> wave;
};


}  // namespace tarvox
