// Channel letters: where each channel lies in a pixel and which lists are accepted.
#include <gtest/gtest.h>

#include <stdexcept>

#include "analysis/Channels.h"

namespace nox::analysis {
namespace {

TEST(Channels, ValuesAndLists) {
    const TColor32 pixel = Color32(0x12, 0x34, 0x56, 0x78);
    EXPECT_EQ(ChannelValue(pixel, TChannel::Red), 0x12);
    EXPECT_EQ(ChannelValue(pixel, TChannel::Green), 0x34);
    EXPECT_EQ(ChannelValue(pixel, TChannel::Blue), 0x56);
    EXPECT_EQ(ChannelValue(pixel, TChannel::Alpha), 0x78);

    EXPECT_EQ(ParseChannels("bgra"), (std::vector{TChannel::Blue, TChannel::Green, TChannel::Red, TChannel::Alpha}));
    for (const char* bad : {"", "rx", "rr", "R"}) EXPECT_THROW(ParseChannels(bad), std::invalid_argument) << bad;
}

}  // namespace
}  // namespace nox::analysis
