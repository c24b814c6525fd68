// The colour channels of a pixel as the analysis commands name them ("r", "g", "b", "a"), and
// where each lies in a TColor32 (0xAARRGGBB).
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "image/Color32.h"

namespace nox::analysis {

enum class TChannel : uint8_t { Red, Green, Blue, Alpha };

// The bit position of the channel's lowest bit in a TColor32.
constexpr unsigned ChannelShift(TChannel channel) {
    switch (channel) {
        case TChannel::Red: return 16;
        case TChannel::Green: return 8;
        case TChannel::Blue: return 0;
        case TChannel::Alpha: return 24;
    }
    return 0;
}

constexpr uint8_t ChannelValue(TColor32 pixel, TChannel channel) {
    return static_cast<uint8_t>(pixel >> ChannelShift(channel));
}

// 'r', 'g', 'b' or 'a'.
char ChannelLetter(TChannel channel);

// A list of channel letters, each at most once, in the order given ("rgb", "bgr", "g", "rgba").
// Throws std::invalid_argument naming the fault for an empty list, another letter or a repeat.
std::vector<TChannel> ParseChannels(std::string_view letters);

}  // namespace nox::analysis
