// One pixel as text: see PixelText.h.
#include "analysis/PixelText.h"

#include <cstdio>
#include <utility>

namespace nox::analysis {

std::string Bits8(uint8_t value) {
    std::string bits(8, '0');
    for (int i = 0; i < 8; ++i)
        if (value & (0x80u >> i)) bits[i] = '1';
    return bits;
}

std::string PixelLine(int32_t x, int32_t y, TColor32 pixel) {
    return "x=" + std::to_string(x) + " y=" + std::to_string(y) + " r=" + std::to_string(RedComponent(pixel)) +
           " g=" + std::to_string(GreenComponent(pixel)) + " b=" + std::to_string(BlueComponent(pixel)) +
           " a=" + std::to_string(AlphaComponent(pixel)) + " bits=" + Bits8(RedComponent(pixel)) + ',' +
           Bits8(GreenComponent(pixel)) + ',' + Bits8(BlueComponent(pixel));
}

std::string PixelHex(TColor32 pixel) {
    char text[10];
    std::snprintf(text, sizeof text, "#%08X", static_cast<unsigned>(pixel));
    return text;
}

std::string PixelChannels(TColor32 pixel) {
    std::string text = PixelHex(pixel);
    const std::pair<char, uint8_t> channels[] = {
        {'r', RedComponent(pixel)}, {'g', GreenComponent(pixel)}, {'b', BlueComponent(pixel)}};
    for (const auto& [letter, value] : channels) {
        char number[8];
        std::snprintf(number, sizeof number, "%3u", static_cast<unsigned>(value));
        text += std::string("  ") + letter + '=' + number + ' ' + Bits8(value);
    }
    return text;
}

}  // namespace nox::analysis
