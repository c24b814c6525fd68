// Parsing and printing layouts, and their capacity.
#include "analysis/Layout.h"

#include <algorithm>
#include <stdexcept>

namespace nox::analysis {

namespace {

std::vector<uint8_t> ParsePlanes(std::string_view digits) {
    if (digits.empty()) throw std::invalid_argument("no bit plane given (one or more of 0 to 7, e.g. 0 or 01)");
    std::vector<uint8_t> planes;
    for (const char digit : digits) {
        if (digit < '0' || digit > '7')
            throw std::invalid_argument(std::string("unknown bit plane \"") + digit + "\" (one or more of 0 to 7)");
        const auto plane = static_cast<uint8_t>(digit - '0');
        // Taking one bit twice would hide two different bits in one place.
        if (std::find(planes.begin(), planes.end(), plane) != planes.end())
            throw std::invalid_argument(std::string("bit plane ") + digit + " given twice");
        planes.push_back(plane);
    }
    return planes;
}

}  // namespace

bool TLayout::UsesAlpha() const {
    return std::find(Channels.begin(), Channels.end(), TChannel::Alpha) != Channels.end();
}

TLayout ParseLayout(std::string_view text) {
    std::vector<std::string_view> parts;
    for (size_t start = 0;;) {
        const size_t comma = text.find(',', start);
        parts.push_back(text.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    if (parts.size() != 4)
        throw std::invalid_argument("a layout has four parts, PLANES,CHANNELS,ORDER,BITS (e.g. " + std::string(kDefaultLayout) + ")");
    TLayout layout;
    layout.Planes = ParsePlanes(parts[0]);
    layout.Channels = ParseChannels(parts[1]);
    if (parts[2] == "rows") layout.Order = TPixelOrder::Rows;
    else if (parts[2] == "columns") layout.Order = TPixelOrder::Columns;
    else throw std::invalid_argument("unknown order \"" + std::string(parts[2]) + "\" (rows or columns)");
    if (parts[3] == "msb") layout.Bits = TBitOrder::Msb;
    else if (parts[3] == "lsb") layout.Bits = TBitOrder::Lsb;
    else throw std::invalid_argument("unknown bit order \"" + std::string(parts[3]) + "\" (msb or lsb)");
    return layout;
}

std::string LayoutText(const TLayout& layout) {
    std::string text;
    for (const uint8_t plane : layout.Planes) text += static_cast<char>('0' + plane);
    text += ',';
    for (const TChannel channel : layout.Channels) text += ChannelLetter(channel);
    text += layout.Order == TPixelOrder::Rows ? ",rows," : ",columns,";
    text += layout.Bits == TBitOrder::Msb ? "msb" : "lsb";
    return text;
}

uint64_t Capacity(int32_t width, int32_t height, const TLayout& layout) {
    if (width <= 0 || height <= 0) return 0;
    return uint64_t(width) * uint64_t(height) * layout.BitsPerPixel() / 8;
}

}  // namespace nox::analysis
