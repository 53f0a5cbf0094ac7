// Pieces of the speech-dispatcher module protocol that need no process:
// the 705 audio block with its HDLC escaping, the mapping of the server's
// -100..100 settings onto the engine's ranges, and a bounded line reader.
#pragma once

#include <cstddef>
#include <cstdint>
#include <istream>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tarvox::sd {

// Every 0x0A or 0x7D byte becomes 0x7D followed by the byte XOR 0x20, so
// that the samples never contain a line end.
std::string HdlcEscape(std::span<const std::uint8_t> bytes);
// The reverse; nullopt when an escape byte ends the data.
std::optional<std::string> HdlcUnescape(std::string_view escaped);

// One complete "705" block carrying 16 kHz 16-bit mono samples in the
// machine's byte order (the block says which).
std::string AudioBlock(std::span<const std::int16_t> samples);

// speech-dispatcher's rate and pitch (-100..100, 0 normal) onto the
// engine's -10..10: a tenth, rounded to the nearest step.
int MapRateOrPitch(int server_value);
// speech-dispatcher's volume (-100..100; its configuration says +100 is
// the synthesiser's default volume, and ships DefaultVolume 100) onto the
// engine's 0..100 (100 its default, twice the recorded level): a straight
// line, so +100 is the engine's default, 0 the recorded level and -100
// silence.
int MapVolume(int server_value);

// An integer -100..100 written in decimal, nothing else; nullopt otherwise.
std::optional<int> ParseLevel(std::string_view value);

// Reads lines ending in LF (a CR before it is dropped). A line longer than
// max_line bytes keeps its first max_line bytes; the rest up to the LF is
// read and dropped, and truncated() says so.
class LineReader {
public:
    explicit LineReader(std::istream& in, std::size_t max_line = 1 << 20)
        : in_(in), max_line_(max_line) {}
    // The next line without its end; nullopt at the end of input (a last
    // line without LF is still returned).
    std::optional<std::string> Next();
    bool truncated() const { return truncated_; }

private:
    std::istream& in_;
    std::size_t max_line_;
    bool truncated_ = false;
};

}  // namespace tarvox::sd
