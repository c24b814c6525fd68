// Helpers shared by the pixel buffer's tests: a recorder of notifications and pixel fills.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "image/Bitmap32.h"

namespace nox::test {

// Records OnChanging, OnChange and OnResize of one buffer, in order, as "changing", "change" and
// "resize".
struct EventLog {
    std::vector<std::string> events;

    void Bind(TCustomMap& map) {
        map.SetOnChanging([this, &map](TPersistent* sender) { Record("changing", sender == &map); });
        map.SetOnChange([this, &map](TPersistent* sender) { Record("change", sender == &map); });
        map.SetOnResize([this, &map](TPersistent* sender) { Record("resize", sender == &map); });
    }
    void Record(const char* what, bool fromBoundObject) {
        events.push_back(fromBoundObject ? what : std::string(what) + " (wrong sender)");
    }
    std::vector<std::string> Take() { return std::exchange(events, {}); }
};

using Events = std::vector<std::string>;

// Sets every pixel of `buffer` to f(x, y).
template <typename F>
void FillWith(TBitmap32& buffer, F f) {
    for (int32_t y = 0; y < buffer.Height(); ++y)
        for (int32_t x = 0; x < buffer.Width(); ++x) buffer.SetPixel(x, y, f(x, y));
}

// The pixels of `buffer`, row after row.
inline std::vector<TColor32> PixelsOf(const TBitmap32& buffer) {
    return std::vector<TColor32>(buffer.Bits(), buffer.Bits() + buffer.PixelCount());
}

}  // namespace nox::test
