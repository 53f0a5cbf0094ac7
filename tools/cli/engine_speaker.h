// Speaking through the engine object, as the speech platform does: a class
// factory makes a CTTSEngObj, a voice token built from the voice directory
// starts it, and one request of text fragments (with bookmarks between them)
// goes to an output site that passes the audio on piece by piece and reports
// the word and bookmark events.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "adapter/sapi_platform.h"

namespace tarvox::cli {

// A bookmark before the character at `position` (UTF-16 units of the text,
// which for Slovenian text are its characters).
struct Bookmark {
    std::size_t position = 0;
    std::string name;  // UTF-8
};

struct SpeakSettings {
    std::string voice_dir;
    bool ascii7 = false;  // the voice token's Mode 1
    int rate = 0;         // -10..10, the site's rate
    int volume = 100;     // 0..100, the site's volume
    int pitch = 0;        // -10..10, the fragments' middle pitch adjustment
};

// One event as the command line prints it.
struct SpokenEvent {
    std::uint64_t offset = 0;  // bytes of audio before it
    std::string kind;          // "word", "bookmark", "sentence" or "event N"
    std::int64_t position = 0;  // in the text, UTF-16 units
    std::int64_t length = 0;
    std::string name;  // a bookmark's name as the engine reported it
};

// "offset kind position length[ name]"
std::string FormatEvent(const SpokenEvent& e);

// "POS:NAME" -> a bookmark; nullopt for anything else.
std::optional<Bookmark> ParseBookmark(std::string_view spec);


using SampleHandler = std::function<bool(std::span<const std::int16_t>)>;
using EventHandler = std::function<void(const SpokenEvent&)>;

struct SpeakOutcome {
    std::string error;  // empty on success
    std::uint64_t audio_bytes = 0;
};

// Speaks `text` (UTF-8) with the bookmarks (sorted by position, none past
// the end of the text) through an engine object made by `factory`, as one
// request: fragments of text with the bookmarks between them. Samples go to
// `on_samples` as the engine writes them (false aborts the request), events
// to `on_event`.
SpeakOutcome SpeakThroughEngine(IClassFactory& factory, const SpeakSettings& settings,
                                std::string_view text, std::span<const Bookmark> bookmarks,
                                const SampleHandler& on_samples, const EventHandler& on_event);

// The process-wide engine's class factory, got as a host gets it.
IClassFactory* ProcessClassFactory();

}  // namespace tarvox::cli
