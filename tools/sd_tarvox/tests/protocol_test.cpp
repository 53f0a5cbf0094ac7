#include "protocol.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

namespace tarvox::sd {
namespace {

TEST(Hdlc, EveryByteSurvivesAndNoLineEndIsSent) {
    std::vector<std::uint8_t> all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<std::uint8_t>(b));
    const std::string escaped = HdlcEscape(all);
    EXPECT_EQ(escaped.find('\n'), std::string::npos);
    EXPECT_EQ(escaped.size(), 258u);  // 0x0A and 0x7D take two bytes
    EXPECT_EQ(escaped.substr(10, 2), std::string("\x7D\x2A"));
    const auto back = HdlcUnescape(escaped);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, std::string(all.begin(), all.end()));
    EXPECT_FALSE(HdlcUnescape("ab\x7D"));
}

TEST(AudioBlock, LayoutOfThe705Block) {
    const std::int16_t samples[] = {0x0A0A, 0x7D00, -1};
    const std::string block = AudioBlock(samples);
    const std::string head =
        "705-bits=16\n705-num_channels=1\n705-sample_rate=16000\n705-num_samples=3\n"
        "705-big_endian=0\n705-AUDIO";
    ASSERT_EQ(block.substr(0, head.size()), head);
    EXPECT_EQ(block[head.size()], '\0');
    const std::string tail = "\n705 AUDIO\n";
    ASSERT_EQ(block.substr(block.size() - tail.size()), tail);
    const std::string data = block.substr(head.size() + 1, block.size() - head.size() - 1 - tail.size());
    EXPECT_EQ(data.find('\n'), std::string::npos);
    const auto raw = HdlcUnescape(data);
    ASSERT_TRUE(raw);
    ASSERT_EQ(raw->size(), sizeof samples);
    EXPECT_EQ(std::memcmp(raw->data(), samples, sizeof samples), 0);
}

TEST(Settings, ServerRangesOntoTheEngine) {
    struct Case {
        int server, rate_or_pitch, volume;
    };
    const Case cases[] = {
        {-100, -10, 0}, {-95, -10, 2}, {-94, -9, 3}, {-50, -5, 25}, {-4, 0, 48},
        {0, 0, 50},     {4, 0, 52},    {5, 1, 52},   {50, 5, 75},   {100, 10, 100},
        {250, 10, 100}, {-250, -10, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MapRateOrPitch(c.server), c.rate_or_pitch) << c.server;
        EXPECT_EQ(MapVolume(c.server), c.volume) << c.server;
    }
}

TEST(Settings, LevelsAreDecimalIntegersInRange) {
    EXPECT_EQ(ParseLevel("0"), 0);
    EXPECT_EQ(ParseLevel("-100"), -100);
    EXPECT_EQ(ParseLevel("+7"), 7);
    for (const char* bad : {"", "101", "-101", "1.5", "abc", " 5", "5 ", "+", "99999999999"})
        EXPECT_FALSE(ParseLevel(bad)) << bad;
}

TEST(LineReader, LinesCarriageReturnsTruncationAndEnd) {
    std::istringstream in("INIT\r\nSET\n" + std::string(50, 'x') + "\nlast");
    LineReader reader(in, 16);
    EXPECT_EQ(reader.Next(), "INIT");
    EXPECT_EQ(reader.Next(), "SET");
    EXPECT_FALSE(reader.truncated());
    EXPECT_EQ(reader.Next(), std::string(16, 'x'));
    EXPECT_TRUE(reader.truncated());
    EXPECT_EQ(reader.Next(), "last");
    EXPECT_FALSE(reader.truncated());
    EXPECT_EQ(reader.Next(), std::nullopt);
}

}  // namespace
}  // namespace tarvox::sd
