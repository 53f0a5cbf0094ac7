// The synthesis driver: owns the stages and runs one sentence through them
// in a fixed order:
//   1. GrafemskoFonemskaPretvorba - the converter leaves the next sentence's
//      transcription in its output buffer;
//   2. Prozodija - micro prosody, macro prosody, unit conversion;
//   3. SintezaGovoraStream - the waveform generator renders the output list.
//
// `Sint` is the state of one engine instance (driver/instance.h); the
// process-wide instance stands behind the free functions below. Tests build
// their own with stand-in stages. Every public operation reports to the
// instance's error channel.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "base/config.h"
#include "base/diag.h"
#include "base/records.h"
#include "base/stages.h"
#include "driver/default_stages.h"

namespace tarvox {

class Sint {
public:
    explicit Sint(Configuration& config, StageFactory factory = DefaultStages(),
                  ErrorChannel& errors = ProcessErrors());
    ~Sint();
    Sint(const Sint&) = delete;
    Sint& operator=(const Sint&) = delete;

    int InitSint();
    bool InitPsola();
    int GrafemskoFonemskaPretvorba(const char* text);
    const char* CurrentTranscription();
    // How many bytes of the text last given to GrafemskoFonemskaPretvorba
    // the sentences converted so far came from; 0 when unknown.
    std::size_t ConsumedInput() const;
    int Prozodija(const char* phonetic_text);
    const std::int16_t* SintezaGovoraStream(std::int32_t& sample_count);
    void SetTempo(int rate);
    void SetPitch(int offset);
    void SetFrequencyAgitation(int scale);
    int ReleaseSint();
    void ReleasePsola();

    // Replaces the stage creators; only while no stage exists (tests use it
    // to run the process-wide driver on stand-in stages).
    bool SetStageFactory(StageFactory factory);

    bool IsInitialised() const { return initialised_; }
    bool HasPsola() const { return wave_ != nullptr; }
    int PitchOffset() const { return pitch_offset_; }
    int PitchRange() const { return pitch_range_; }
    std::span<const PhonemeRecord> OutputList() const;
    Configuration& config() { return config_; }
    ErrorChannel& errors() { return errors_; }
    IConverter* converter() { return converter_.get(); }

private:
    void WriteStageDump(const char* file, std::span<const StageRecord> records) const;
    void WriteConvertDump() const;

    Configuration& config_;
    StageFactory factory_;
    ErrorChannel& errors_;
    bool initialised_ = false;
    std::unique_ptr<IConverter> converter_;
    std::unique_ptr<IMicroProsody> micro_;
    std::unique_ptr<IMacroProsody> macro_;
    std::unique_ptr<IWaveGenerator> wave_;
    std::vector<PhonemeRecord> output_;  // output list with its terminator
    std::int32_t output_count_ = 0;
    int pitch_offset_ = 0;
    int pitch_range_ = 90;
    int tempo_ = 0;
};

// The process-wide instance's configuration and driver.
Configuration& EngineConfiguration();
Sint& Engine();

// Free functions on the process-wide driver.
void SetBaseDirectory(std::string_view path);
int process_sint_ini_file();
int InitSint();
bool InitPsola();
int GrafemskoFonemskaPretvorba(const char* text);
const char* CurrentTranscription();
std::size_t ConsumedInput();
int Prozodija(const char* phonetic_text);
const std::int16_t* SintezaGovoraStream(std::int32_t& sample_count);
// The SAMPA name of a character from the character-name table, or ".".
const char* CharacterName(unsigned char c);
void SetTempo(int rate);
void SetPitch(int offset);
void SetFrequencyAgitation(int scale);
int ReleaseSint();
void ReleasePsola();
void ReleaseConfiguration();

}  // namespace tarvox
