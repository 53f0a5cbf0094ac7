// The speech-dispatcher module's session: command lines, SET blocks and
// SSML from the input, the built voice behind it.
#include <cstdint>
#include <sstream>
#include <string>

#include "fuzz_support.h"
#include "module_session.h"

namespace {

class NullSink final : public tarvox::sd::OutputSink {
public:
    void Write(std::string_view) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    NullSink sink;
    std::istringstream in(std::string(tarvox::fuzz::Bytes(data, std::min<std::size_t>(size, 4096))));
    tarvox::sd::ModuleSession session(sink, {"", tarvox::fuzz::VoiceDirectory()});
    session.Run(in);
    return 0;
}
