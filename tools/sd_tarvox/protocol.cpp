#include "protocol.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstring>

namespace tarvox::sd {

std::string HdlcEscape(std::span<const std::uint8_t> bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 64 + 8);
    for (std::uint8_t b : bytes) {
        if (b == 0x0A || b == 0x7D) {
            out.push_back(static_cast<char>(0x7D));
            out.push_back(static_cast<char>(b ^ 0x20));
        } else {
            out.push_back(static_cast<char>(b));
        }
    }
    return out;
}

std::optional<std::string> HdlcUnescape(std::string_view escaped) {
    std::string out;
    out.reserve(escaped.size());
    for (std::size_t i = 0; i < escaped.size(); ++i) {
        if (static_cast<std::uint8_t>(escaped[i]) == 0x7D) {
            if (++i == escaped.size()) return std::nullopt;
            out.push_back(static_cast<char>(static_cast<std::uint8_t>(escaped[i]) ^ 0x20));
        } else {
            out.push_back(escaped[i]);
        }
    }
    return out;
}

std::string AudioBlock(std::span<const std::int16_t> samples) {
    std::string out = "705-bits=16\n705-num_channels=1\n705-sample_rate=16000\n705-num_samples=";
    out += std::to_string(samples.size());
    out += std::endian::native == std::endian::big ? "\n705-big_endian=1\n" : "\n705-big_endian=0\n";
    out += "705-AUDIO";
    out.push_back('\0');
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(samples.data());
    out += HdlcEscape(std::span<const std::uint8_t>(bytes, samples.size_bytes()));
    out += "\n705 AUDIO\n";
    return out;
}

int MapRateOrPitch(int server_value) {
    const int v = std::clamp(server_value, -100, 100);
    return (v >= 0 ? v + 5 : v - 5) / 10;
}

int MapVolume(int server_value) {
    const int v = std::clamp(server_value, -100, 100);
    return (v + 100) / 2;
}

std::optional<int> ParseLevel(std::string_view value) {
    int v = 0;
    const char* end = value.data() + value.size();
    const char* begin = value.data();
    if (!value.empty() && value.front() == '+') ++begin;
    const auto [p, ec] = std::from_chars(begin, end, v);
    if (ec != std::errc() || p != end || begin == end || v < -100 || v > 100) return std::nullopt;
    return v;
}

std::optional<std::string> LineReader::Next() {
    std::streambuf* buf = in_.rdbuf();
    truncated_ = false;
    if (!buf) return std::nullopt;
    std::string line;
    bool any = false;
    for (;;) {
        const auto c = buf->sbumpc();
        if (c == std::char_traits<char>::eof()) {
            in_.setstate(std::ios::eofbit);
            if (!any) return std::nullopt;
            break;
        }
        any = true;
        if (c == '\n') break;
        if (line.size() < max_line_)
            line.push_back(static_cast<char>(c));
        else
            truncated_ = true;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

}  // namespace tarvox::sd
