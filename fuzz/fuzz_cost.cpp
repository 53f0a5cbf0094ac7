// The join costs ("Cost.dat").
#include <cstdint>

#include "fuzz_support.h"
#include "synth/voice_db.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tarvox::CostTable costs;
    (void)costs.Parse(tarvox::fuzz::Bytes(data, size));
    for (int s = 0; s < 256; ++s) (void)costs.Cost(static_cast<std::uint8_t>(s));
    return 0;
}
