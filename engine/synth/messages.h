// printf-style formatting of the waveform generator's messages.
#pragma once

#include <string>

namespace tarvox {

#if defined(__GNUC__)
__attribute__((format(gnu_printf, 1, 2)))
#endif
std::string SynthMessage(const char* format, ...);

}  // namespace tarvox
