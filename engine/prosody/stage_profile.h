// What both prosody stages do alike with their profiles: the form chosen by
// the file name's extension, the message for a name of neither form, and the
// clamping of computed values into the 16-bit fields of the stage records.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/config.h"

namespace tarvox::prosody {

// ".ins" (any case) is the enciphered form, ".ini" the plain one; any other
// name has no form.
inline std::optional<bool> ProfileEnciphered(std::string_view path) {
    if (HasExtension(path, ".ins")) return true;
    if (HasExtension(path, ".ini")) return false;
    return std::nullopt;
}

// "<class>: Could not find <name>.ini or <name>.ins ! Aborting!", with the
// name stripped of its extension.
inline std::string CouldNotFindMessage(std::string_view cls, std::string_view path) {
    std::string_view stem = path;
    const std::size_t dot = stem.rfind('.');
    const std::size_t slash = stem.find_last_of("/\\");
    if (dot != std::string_view::npos && (slash == std::string_view::npos || dot > slash))
        stem = stem.substr(0, dot);
    std::string m(cls);
    m += ": Could not find ";
    m += stem;
    m += ".ini or ";
    m += stem;
    m += ".ins ! Aborting!";
    return m;
}

// Values that leave the 16-bit fields saturate instead of wrapping.
inline std::int16_t Saturate16(long long v) {
    return static_cast<std::int16_t>(std::clamp<long long>(v, INT16_MIN, INT16_MAX));
}

}  // namespace tarvox::prosody
