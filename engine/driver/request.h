// A request: text in, audio and events out. This is the one place where the
// stages run one after another for a caller:
//
//   the text is cut into the pieces the converter reads (10240 bytes, at
//   sentence or white-space boundaries); a text of a single character
//   (blanks aside) is spelled by the character's name; otherwise, for each
//   sentence the converter finds in a piece:
//     GrafemskoFonemskaPretvorba  text to phonemes (once per sentence)
//     Prozodija                   micro and macro prosody, unit conversion
//     SintezaGovoraStream         unit selection, joining, PSOLA
//   and the sentence's audio goes to the sink in pieces, each preceded by
//   the events that fall in it.
//
// The engine object, the C interface, the command line, the speech-
// dispatcher module, the benchmarks and the tests all speak through here.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarvox {

class CodePointReadings;
class EngineInstance;
class Sint;

// A request's text in the engine's 8-bit code page, with where each of its
// bytes came from in the caller's text.
struct RequestText {
    std::string text;
    // source[i]: the caller's position of text[i]; one more entry, the end
    // of the caller's text. Positions are the caller's units (UTF-8 bytes,
    // UTF-16 units or characters).
    std::vector<std::size_t> source;

    // Text already in the code page: each byte is its own position, counted
    // from `base`.
    static RequestText FromCodePage(std::string text, std::size_t base = 0);
    // UTF-8 text; a malformed sequence is one "?". Positions are bytes, or
    // with `characters` code points, counted from `base`. A character the
    // code page lacks is read by the voice's `readings` (none: "?"); it may
    // give several bytes of text, or none.
    static RequestText FromUtf8(std::string_view utf8, bool characters = false,
                                std::size_t base = 0,
                                const CodePointReadings* readings = nullptr);
    // UTF-16 text (positions in UTF-16 units).
    static RequestText FromUtf16(std::u16string_view utf16,
                                 const CodePointReadings* readings = nullptr);

    // The index in `text` of the caller's position (the first byte at or
    // after it).
    std::size_t IndexOf(std::size_t caller_position) const;
};

enum class RequestEventKind { Sentence, Word, Mark };

struct RequestEvent {
    RequestEventKind kind = RequestEventKind::Sentence;
    std::uint64_t sample = 0;    // samples since the request began
    std::size_t position = 0;    // in the caller's text
    std::size_t length = 0;      // a word's length in the caller's units; else 0
    std::size_t mark = 0;        // Mark: the index of the mark in the request
};

struct RequestSettings {
    int rate = 0;            // -10..10, the micro prosody's tempo
    int pitch = 0;           // the driver's pitch offset (-50..50)
    int pitch_range = 90;    // the driver's pitch range scale (1..200)
    // The YU-ASCII letters for this request; unset: the engine-wide switch.
    std::optional<bool> ascii7;
    bool words = true;                 // report word events
    std::vector<std::size_t> marks;    // mark positions in the caller's text, ascending
    std::size_t piece = 1024;          // samples per Audio call at most
    // Checked after every piece of audio; set from any thread.
    const std::atomic<bool>* stop = nullptr;
};

class RequestSink {
public:
    virtual ~RequestSink() = default;
    // Each returns false to end the request.
    virtual bool Event(const RequestEvent& event) = 0;
    // A piece of the generator's samples, valid during the call.
    virtual bool Audio(std::span<const std::int16_t> samples) = 0;
};

struct RequestResult {
    bool started = true;         // false: the instance's stages are not started
    bool stopped = false;        // the sink or the stop flag ended it early
    int sentences = 0;           // sentences that gave audio
    std::uint64_t samples = 0;   // samples handed to the sink
};

// Speaks a whole request under the instance's synthesis lock. Events left
// when the audio ends (marks after the last sentence, or of a text that gave
// no audio) are delivered at the end.
RequestResult Speak(EngineInstance& engine, const RequestText& text,
                    const RequestSettings& settings, RequestSink& sink);

// The converter alone over a text in the code page: for every sentence, its
// transcription (phoneme string) and the sentence as word conversion got it.
// Runs under the instance's synthesis lock; false when the stages are not
// started.
using TranscriptionHandler =
    std::function<void(std::string_view transcription, std::string_view normalised)>;
bool Transcribe(EngineInstance& engine, std::string_view text, const TranscriptionHandler& handler);

}  // namespace tarvox
