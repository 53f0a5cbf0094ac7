#include "driver/sint.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>

#include "base/files.h"
#include "driver/instance.h"
#include "driver/unit_conversion.h"
#include "text/character_names.h"

namespace tarvox {

namespace {
constexpr char kNotInitialised[] = "Sint Ni inicializiran!";
const std::string kDumpHeader = std::string(40, '-') + "\n";
}  // namespace

Sint::Sint(Configuration& config, StageFactory factory, ErrorChannel& errors)
    : config_(config), factory_(std::move(factory)), errors_(errors) {}

Sint::~Sint() = default;

int Sint::InitSint() {
    ErrorScope scope(errors_);
    if (initialised_) {
        ReportError("Sintetizator je ze inicializiran!");
        return -1;
    }
    try {
        converter_ = factory_.converter(config_);
        if (!converter_) throw -1;
        converter_->SetLogDirectory(config_.LogDir());
        micro_ = factory_.micro(config_, *converter_);
        if (!micro_) throw -1;
        macro_ = factory_.macro(config_, *converter_);
        if (!macro_) throw -1;
        output_.clear();
        output_count_ = 0;
    } catch (...) {
        macro_.reset();
        micro_.reset();
        converter_.reset();
        return -1;
    }
    micro_->SetTempo(tempo_);
    if (config_.switches().pisi_dnevnik) converter_->CreateLogFile();
    initialised_ = true;
    Trace("InitSint: stopnje ustvarjene");
    return 0;
}

bool Sint::SetStageFactory(StageFactory factory) {
    if (initialised_ || wave_) return false;
    factory_ = std::move(factory);
    return true;
}

bool Sint::InitPsola() {
    ErrorScope scope(errors_);
    if (wave_) return false;
    try {
        wave_ = factory_.wave(config_);
    } catch (...) {
        wave_.reset();
    }
    return wave_ != nullptr;
}

int Sint::GrafemskoFonemskaPretvorba(const char* text) {
    ErrorScope scope(errors_);
    if (!initialised_) {
        Trace(kNotInitialised);
        return -1;
    }
    std::string copy;
    if (text) {
        copy.assign(text);
        if (copy.empty()) {
            Trace("Vhod je prazen niz!");
            return -1;
        }
    }
    ClearError();
    const int result = converter_->Convert(text ? copy.c_str() : nullptr, true);
    if (result > 0) Trace("GrafemskoFonemskaPretvorba: stavek pretvorjen");
    return result;
}

std::size_t Sint::ConsumedInput() const { return converter_ ? converter_->InputConsumed() : 0; }

const char* Sint::CurrentTranscription() {
    if (!converter_) return "";
    return converter_->OutputBuffer().data();
}

int Sint::Prozodija(const char* phonetic_text) {
    ErrorScope scope(errors_);
    if (!initialised_) {
        Trace(kNotInitialised);
        return -1;
    }
    // The text and " ." go into the converter's output buffer, cut to fit;
    // the converter's own transcription is extended where it lies.
    const std::span<char> buffer = converter_->OutputBuffer();
    const std::size_t room = buffer.size() - 1;
    std::size_t n = 0;
    if (!phonetic_text || phonetic_text == buffer.data()) {
        n = strnlen(buffer.data(), room);
    } else {
        n = std::min(std::strlen(phonetic_text), room);
        std::memmove(buffer.data(), phonetic_text, n);
    }
    micro_->Reset(0);
    for (char c : {' ', '.'})
        if (n < room) buffer[n++] = c;
    buffer[n] = '\0';

    if (micro_->Run(buffer.data(), 0) != 0) return -1;
    if (config_.switches().pisi_dnevnik) WriteStageDump("mikro.out", micro_->Records());
    if (macro_->Run(micro_->Records()) != 0) return -1;
    if (config_.switches().pisi_dnevnik) WriteStageDump("makro.out", macro_->Records());

    const std::span<const StageRecord> macro = macro_->Records();
    std::vector<StageRecord> records(macro.begin(), macro.end());
    const PitchSettings pitch{micro_->ReferencePitch(), pitch_range_, pitch_offset_};
    output_count_ = ConvertUnits(records, pitch, output_);
    if (output_count_ == -1) {
        Trace("Convert: Napaka pri pretvorbi!");
        return -1;
    }
    if (config_.switches().pisi_dnevnik) WriteConvertDump();
    return 0;
}

const std::int16_t* Sint::SintezaGovoraStream(std::int32_t& sample_count) {
    ErrorScope scope(errors_);
    sample_count = 0;
    if (!initialised_ || !wave_) {
        Trace(kNotInitialised);
        return nullptr;
    }
    if (output_.empty()) return nullptr;
    // Whatever the run's result, the samples it rendered are the sentence's:
    // an alophone skipped (-2) leaves the rest, a failed start (-1) the 400
    // samples of silence that every sentence begins with; a run that could
    // not render at all leaves none.
    wave_->Run(output_);
    const std::span<const std::int16_t> samples = wave_->Samples();
    if (samples.empty()) return nullptr;
    sample_count = static_cast<std::int32_t>(samples.size());
    return samples.data();
}

void Sint::SetTempo(int rate) {
    tempo_ = rate;
    if (micro_) micro_->SetTempo(rate);
}

void Sint::SetPitch(int offset) { pitch_offset_ = std::clamp(offset, -50, 50); }

void Sint::SetFrequencyAgitation(int scale) { pitch_range_ = std::clamp(scale, 1, 200); }

int Sint::ReleaseSint() {
    ErrorScope scope(errors_);
    if (!initialised_) {
        ReportError("Sint se ni inicializiran");
        return -1;
    }
    macro_.reset();
    micro_.reset();
    converter_.reset();
    output_.clear();
    output_count_ = 0;
    initialised_ = false;
    return 0;
}

void Sint::ReleasePsola() {
    ErrorScope scope(errors_);
    wave_.reset();
}

std::span<const PhonemeRecord> Sint::OutputList() const {
    return std::span<const PhonemeRecord>(output_).first(
        std::min(output_.size(), static_cast<std::size_t>(std::max(output_count_, 0))));
}

void Sint::WriteStageDump(const char* file, std::span<const StageRecord> records) const {
    FilePtr f = OpenFile(config_.LogDir() + file, "w");
    if (!f) return;
    std::fputs(kDumpHeader.c_str(), f.get());
    for (const StageRecord& r : records)
        std::fprintf(f.get(), "%s\t%ld\t%ld\n", std::string(SymbolOf(r.symbol)).c_str(),
                     static_cast<long>(r.duration), static_cast<long>(r.pitch));
}

void Sint::WriteConvertDump() const {
    FilePtr f = OpenFile(config_.LogDir() + "convert.out", "w");
    if (!f) return;
    std::fputs(kDumpHeader.c_str(), f.get());
    for (const PhonemeRecord& r : OutputList())
        std::fprintf(f.get(), "%s\t%ld\t%ld\t%ld\t%ld\n", std::string(SymbolOf(r.symbol)).c_str(),
                     static_cast<long>(r.duration), static_cast<long>(r.pitch_start),
                     static_cast<long>(r.pitch_mid), static_cast<long>(r.pitch_end));
}

Configuration& EngineConfiguration() { return ProcessEngine().config(); }
Sint& Engine() { return ProcessEngine().sint(); }

void SetBaseDirectory(std::string_view path) { EngineConfiguration().SetBaseDirectory(path); }
int process_sint_ini_file() { return EngineConfiguration().ProcessSintIni(); }
int InitSint() { return Engine().InitSint(); }
bool InitPsola() { return Engine().InitPsola(); }
int GrafemskoFonemskaPretvorba(const char* text) { return Engine().GrafemskoFonemskaPretvorba(text); }
const char* CurrentTranscription() { return Engine().CurrentTranscription(); }
std::size_t ConsumedInput() { return Engine().ConsumedInput(); }
int Prozodija(const char* phonetic_text) { return Engine().Prozodija(phonetic_text); }
const std::int16_t* SintezaGovoraStream(std::int32_t& sample_count) {
    return Engine().SintezaGovoraStream(sample_count);
}
const char* CharacterName(unsigned char c) { return CharacterNameOf(c); }
void SetTempo(int rate) { Engine().SetTempo(rate); }
void SetPitch(int offset) { Engine().SetPitch(offset); }
void SetFrequencyAgitation(int scale) { Engine().SetFrequencyAgitation(scale); }
int ReleaseSint() { return Engine().ReleaseSint(); }
void ReleasePsola() { Engine().ReleasePsola(); }
void ReleaseConfiguration() { EngineConfiguration().ReleaseProfile(); }

}  // namespace tarvox
