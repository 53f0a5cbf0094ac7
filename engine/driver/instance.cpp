#include "driver/instance.h"

#include "base/files.h"
#include "gfp/gfp.h"
#include "text/codepage.h"

namespace tarvox {

EngineInstance::EngineInstance(StageFactory factory)
    : own_errors_(std::make_unique<ErrorChannel>()),
      errors_(*own_errors_),
      sint_(config_, std::move(factory), errors_) {}

EngineInstance::EngineInstance(ErrorChannel& channel, StageFactory factory)
    : errors_(channel), sint_(config_, std::move(factory), errors_) {}

EngineStart EngineInstance::Start(const std::string& voice_directory, bool audio,
                                  const std::function<void(Configuration&)>& adjust) {
    using Failure = EngineStart::Failure;
    ErrorScope scope(errors_);
    std::lock_guard<std::mutex> lock(synthesis_);
    if (!PathExists(voice_directory))
        return {Failure::Directory, "voice directory not found: " + voice_directory};
    config_.SetBaseDirectory(voice_directory);
    if (config_.ProcessSintIni() < 0)
        return {Failure::Configuration,
                "cannot read the configuration of " + voice_directory + ": " + errors_.Last()};
    config_.switches().index_mode = true;
    if (adjust) adjust(config_);
    if (!sint_.IsInitialised() && sint_.InitSint() < 0)
        return {Failure::Stages, "cannot start the engine with " + voice_directory + ": " + errors_.Last()};
    if (audio && !sint_.HasPsola() && !sint_.InitPsola())
        return {Failure::Database,
                "cannot load the voice database of " + voice_directory + ": " + errors_.Last()};
    return {};
}

const CodePointReadings* EngineInstance::code_points() {
    const auto* gfp = dynamic_cast<const TGfp*>(sint_.converter());
    if (!gfp || !gfp->CodePoints().Present()) return nullptr;
    return &gfp->CodePoints();
}

RequestText EngineInstance::TextFromUtf8(std::string_view utf8, bool characters, std::size_t base) {
    ErrorScope scope(errors_);
    return RequestText::FromUtf8(utf8, characters, base, code_points());
}

RequestText EngineInstance::TextFromUtf16(std::u16string_view utf16) {
    ErrorScope scope(errors_);
    return RequestText::FromUtf16(utf16, code_points());
}

EngineInstance& ProcessEngine() {
    static EngineInstance instance(ProcessErrors(), DefaultStages());
    return instance;
}

}  // namespace tarvox
