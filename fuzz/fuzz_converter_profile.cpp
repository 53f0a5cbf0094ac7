// The converter's profile (gfp.ini) from bytes, with the built voice's
// configuration, then one sentence through it.
#include <cstdint>
#include <string>

#include "base/config.h"
#include "gfp/gfp.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static tarvox::Configuration* config = [] {
        auto* c = new tarvox::Configuration();
        c->SetBaseDirectory(tarvox::fuzz::VoiceDirectory() + "/");
        if (c->ProcessSintIni() != 0) std::abort();
        return c;
    }();
    const std::string path = tarvox::fuzz::ScratchFile("gfp.ini", tarvox::fuzz::Bytes(data, size));
    try {
        tarvox::TGfp gfp(path, *config);
        for (int n = gfp.Convert("Dober dan, 5 kg in 3. maja.", true); n > 0; n = gfp.Convert(nullptr, true)) {
        }
    } catch (int) {
        // construction failed with its message
    }
    return 0;
}
