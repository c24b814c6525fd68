// A layout of hidden bytes: which bit planes of which channels, walked in which pixel order, packed
// into bytes from which end. Written "PLANES,CHANNELS,ORDER,BITS", e.g. "0,rgb,rows,msb". Every
// hidden-bytes operation (extract, scan, hide, reveal) takes its bits in this one order: for each
// pixel in ORDER, for each channel in CHANNELS, for each plane in PLANES, one bit.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/Channels.h"

namespace nox::analysis {

enum class TPixelOrder : uint8_t { Rows, Columns };
enum class TBitOrder : uint8_t { Msb, Lsb };

struct TLayout {
    std::vector<uint8_t> Planes{0};  // bit numbers 0-7, each at most once
    std::vector<TChannel> Channels{TChannel::Red, TChannel::Green, TChannel::Blue};
    TPixelOrder Order = TPixelOrder::Rows;
    TBitOrder Bits = TBitOrder::Msb;  // Msb: the first bit taken is bit 7 of the first byte

    unsigned BitsPerPixel() const { return static_cast<unsigned>(Planes.size() * Channels.size()); }
    bool UsesAlpha() const;
    bool operator==(const TLayout&) const = default;
};

inline constexpr const char* kDefaultLayout = "0,rgb,rows,msb";

// Parses "PLANES,CHANNELS,ORDER,BITS". Throws std::invalid_argument naming the faulty part.
TLayout ParseLayout(std::string_view text);

// The layout as ParseLayout reads it ("01,bgr,columns,lsb").
std::string LayoutText(const TLayout& layout);

// The bytes a width x height picture holds in the layout: floor(W x H x |CHANNELS| x |PLANES| / 8).
uint64_t Capacity(int32_t width, int32_t height, const TLayout& layout);

}  // namespace nox::analysis
