// The Inspector's views of a picture: the picture itself, one colour channel as grey, one bit of
// one channel (white where the bit is 1), one bit of all three colour channels at once, the
// inverted picture and the map of grey pixels. Each view is a picture of the source's size.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "analysis/Channels.h"
#include "image/Bitmap32.h"

namespace nox::analysis {

enum class TViewKind : uint8_t {
    Normal,       // the picture as it is, alpha included
    ChannelGrey,  // (v, v, v) for the channel's value v
    BitPlane,     // white where the channel's bit is 1, black where it is 0
    RgbBit,       // each colour channel 255 where its own bit is 1, else 0
    Inverted,     // 255 - v for each colour channel
    GreyPixels,   // white where red = green = blue, black elsewhere
};

struct TView {
    TViewKind Kind = TViewKind::Normal;
    TChannel Channel = TChannel::Red;  // ChannelGrey and BitPlane
    uint8_t Bit = 0;                   // BitPlane and RgbBit, 0 (least significant) to 7
    friend constexpr bool operator==(const TView&, const TView&) = default;
};

// The views the Inspector offers, in the order its list and arrow keys step through them:
// Normal, the three channels as grey, "Red bit 0" ... "Blue bit 7", "RGB bit 0" ... "RGB bit 7",
// "Inverted", "Grey pixels".
const std::vector<TView>& InspectorViews();

// The view's name as the Inspector shows it ("Red bit 3", "Green as grey", ...).
std::string ViewName(const TView& view);

// `result` := the view of `source` (empty for an empty source). Every view but Normal is opaque
// (alpha 255). `result` must not be `source`; its memory is reused when the size stays.
void RenderView(const TBitmap32& source, const TView& view, TBitmap32& result);

}  // namespace nox::analysis
