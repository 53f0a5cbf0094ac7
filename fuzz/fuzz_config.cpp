// The main configuration (sint.ini) of a voice directory.
#include <cstdint>

#include "base/config.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tarvox::fuzz::ScratchFile("sint.ini", tarvox::fuzz::Bytes(data, size));
    tarvox::Configuration config;
    config.SetBaseDirectory(tarvox::fuzz::ScratchDir().string() + "/");
    (void)config.ProcessSintIni();
    return 0;
}
