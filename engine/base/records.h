// The records through which the stages hand a sentence to one another.
#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

namespace tarvox {

// Copies a SAMPA name (at most 3 characters) into a 4-byte symbol field.
inline void SetSymbol(char (&field)[4], std::string_view name) {
    std::memset(field, 0, sizeof field);
    std::memcpy(field, name.data(), name.size() < 3 ? name.size() : 3);
}

inline std::string_view SymbolOf(const char (&field)[4]) {
    return std::string_view(field, strnlen(field, sizeof field));
}

// Micro prosody to macro prosody to unit conversion: one phoneme with one
// duration and one pitch.
struct StageRecord {
    char symbol[4];         // SAMPA name, NUL-terminated; "_" is a pause
    std::int16_t duration;  // ms
    std::int16_t pitch;     // Hz
};
static_assert(sizeof(StageRecord) == 8);

// Unit conversion to waveform generation: one unit with three pitch points.
struct PhonemeRecord {
    char symbol[4];            // SAMPA name of the unit; empty in the terminator
    std::int32_t duration;     // ms
    std::int32_t pitch_start;  // Hz, 0 = no pitch
    std::int32_t pitch_mid;
    std::int32_t pitch_end;
};
static_assert(sizeof(PhonemeRecord) == 20);

}  // namespace tarvox
