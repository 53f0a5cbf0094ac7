// TPsola, the waveform generator: loads the voice database when it is
// created and, for every sentence, selects and joins recorded alophones
// (Init, MakeSentence, Glue) and renders them with PSOLA into its output
// buffer of 16-bit samples at 16000 Hz, which begins with 400 samples of
// silence.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "base/stages.h"
#include "synth/psola_render.h"
#include "synth/unit_selection.h"
#include "synth/voice_db.h"

namespace tarvox {

class Configuration;

// Thrown by the constructor when the database cannot be loaded.
class PsolaInitError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TPsola final : public IWaveGenerator {
public:
    // Loads ".\data\QuenlarOrin.dat" and "Cost.dat" from the base directory,
    // samples in memory when `vzorci_v_pomnilniku` is on.
    explicit TPsola(const Configuration& config);
    TPsola(std::string_view database_path, std::string_view cost_path, bool samples_in_memory);
    ~TPsola() override;
    TPsola(const TPsola&) = delete;
    TPsola& operator=(const TPsola&) = delete;

    // Synthesis of one sentence: Init, Glue, rendering. The result of Init
    // (0, -2 or -1), or -1 when there are no records, the output cannot be
    // allocated or samples cannot be fetched (then there are no samples).
    int Run(std::span<const PhonemeRecord> records) override;
    std::span<const std::int16_t> Samples() const override;

    int Init(std::span<const PhonemeRecord> records);
    std::optional<std::vector<SelectedUnit>> MakeSentence(std::span<const std::uint8_t> sentence) const;
    void Glue();

    std::span<const SelectedUnit> Units() const { return units_; }
    std::span<const AlophoneEntry> Alophones() const { return alophones_; }
    const VoiceTables& Tables() const { return tables_; }
    const std::array<std::int32_t, kWindowTableSize>& WindowTable() const { return window_table_; }
    int WindowScale() const { return window_scale_; }
    // Whether the rendered durations keep to the plan: a plosive's release
    // taken out of its closure, and every entry's overshoot (it ends on a
    // whole period) carried into the next. Off unless the voice's sint.ini
    // asks for it.
    void SetFollowPlan(bool on) { follow_plan_ = on; }
    bool FollowsPlan() const { return follow_plan_; }
    // Whether two records of one vowel in a row sound as one alophone
    // (off unless the voice's sint.ini asks for it).
    void SetJoinVowelHalves(bool on) { join_vowel_halves_ = on; }
    bool JoinsVowelHalves() const { return join_vowel_halves_; }
    std::size_t Capacity() const { return output_.size(); }

private:
    void Load(std::string_view database_path, std::string_view cost_path, bool samples_in_memory);
    int Render();

    VoiceTables tables_;
    std::array<std::int32_t, kWindowTableSize> window_table_{};
    int window_scale_ = kWindowScale;
    bool follow_plan_ = false;
    bool join_vowel_halves_ = false;
    WindowShapes shapes_;
    std::vector<SelectedUnit> units_;
    std::vector<AlophoneEntry> alophones_;
    std::vector<std::int16_t> output_;  // its size is the capacity
    std::size_t sample_count_ = 0;
    std::vector<std::int16_t> scratch_;  // one window fetched from the file
};

}  // namespace tarvox
