// The private-profile text: an INI file of any bytes, a section, key and
// value from the input's first lines; a value that was set reads back.
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "winreg/private_profile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view in = tarvox::fuzz::Bytes(data, size);
    auto line = [&in] {
        const std::size_t end = in.find('\x01');
        const std::string_view part = in.substr(0, end);
        in.remove_prefix(end == std::string_view::npos ? in.size() : end + 1);
        return std::string(part);
    };
    const std::string section = line(), key = line(), value = line();
    tarvox::winreg::IniText ini{std::string(in)};
    (void)ini.Get(section, key);
    if (ini.Set(section, key, value)) {
        const tarvox::winreg::IniText again(ini.content());
        const auto read = again.Get(section, key);
        if (!read) __builtin_trap();
    }
    return 0;
}
