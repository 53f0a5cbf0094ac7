// The converter alone: text (read as UTF-8, as the C interface reads it) to
// the phoneme strings of its sentences.
#include <cstdint>

#include "driver/request.h"
#include "voice_stages.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tarvox::EngineInstance& engine = tarvox::fuzz::VoiceEngine();
    const std::string_view text = tarvox::fuzz::Bytes(data, std::min<std::size_t>(size, 4096));
    tarvox::Transcribe(engine, engine.TextFromUtf8(text).text, [](std::string_view, std::string_view) {});
    return 0;
}
