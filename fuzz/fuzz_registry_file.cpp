// The registry-file parser: any bytes, and what it keeps survives a save
// and a reload unchanged.
#include <cstdint>

#include "fuzz_support.h"
#include "winreg/registry_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using tarvox::winreg::TextRegistry;
    const TextRegistry reg = TextRegistry::Parse(tarvox::fuzz::Bytes(data, size));
    const std::string saved = reg.Serialize();
    std::optional<tarvox::winreg::RegistryParseError> error;
    const TextRegistry again = TextRegistry::Parse(saved, &error);
    if (error || again.Serialize() != saved) __builtin_trap();
    return 0;
}
