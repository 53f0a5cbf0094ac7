// printf-style formatting of the waveform generator's messages.
#pragma once

#include <string>

namespace tarvox {

// The format is checked as the C library's printf (gnu_printf: mingw-w64's
// default is the Microsoft one, which lacks %lld and %zu; clang knows only
// printf).
#if defined(__clang__)
__attribute__((format(printf, 1, 2)))
#elif defined(__GNUC__)
__attribute__((format(gnu_printf, 1, 2)))
#endif
std::string SynthMessage(const char* format, ...);

}  // namespace tarvox
