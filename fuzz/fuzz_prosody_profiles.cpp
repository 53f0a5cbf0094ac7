// The micro and macro prosody profiles (first byte: which, and plain or
// enciphered), with the built voice's phonology, run on one sentence.
#include <cstdint>
#include <string>

#include "prosody/makro.h"
#include "prosody/mikro.h"
#include "voice_stages.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const tarvox::Phonology phonology = tarvox::fuzz::VoiceConverter().Phonology();
    const std::string path = tarvox::fuzz::ScratchFile((data[0] & 2) ? "p.ins" : "p.ini",
                                                      tarvox::fuzz::Bytes(data + 1, size - 1));
    try {
        if (data[0] & 1) {
            tarvox::TMakro makro(path, phonology);
        } else {
            tarvox::TMikro mikro(path, phonology);
            mikro.Reset(0);
            (void)mikro.Run(". dObe:r da:n .", 0);
        }
    } catch (int) {
        // construction failed with its message: what a bad profile does
    }
    return 0;
}
