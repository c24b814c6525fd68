// The Inspector's views: see Views.h. Each view is one pass over the picture with a branch-free
// rule per pixel.
#include "analysis/Views.h"

#include "analysis/PixelMap.h"

namespace nox::analysis {

namespace {

constexpr TColor32 kOpaque = 0xFF000000u;
constexpr TChannel kColourChannels[] = {TChannel::Red, TChannel::Green, TChannel::Blue};

const char* ChannelName(TChannel channel) {
    switch (channel) {
        case TChannel::Red: return "Red";
        case TChannel::Green: return "Green";
        case TChannel::Blue: return "Blue";
        case TChannel::Alpha: return "Alpha";
    }
    return "";
}

}  // namespace

const std::vector<TView>& InspectorViews() {
    static const std::vector<TView> views = [] {
        std::vector<TView> list{{TViewKind::Normal}};
        for (const TChannel c : kColourChannels) list.push_back({TViewKind::ChannelGrey, c});
        for (const TChannel c : kColourChannels)
            for (uint8_t bit = 0; bit < 8; ++bit) list.push_back({TViewKind::BitPlane, c, bit});
        for (uint8_t bit = 0; bit < 8; ++bit) list.push_back({TViewKind::RgbBit, TChannel::Red, bit});
        list.push_back({TViewKind::Inverted});
        list.push_back({TViewKind::GreyPixels});
        return list;
    }();
    return views;
}

std::string ViewName(const TView& view) {
    switch (view.Kind) {
        case TViewKind::Normal: return "Normal";
        case TViewKind::ChannelGrey: return std::string(ChannelName(view.Channel)) + " as grey";
        case TViewKind::BitPlane: return std::string(ChannelName(view.Channel)) + " bit " + std::to_string(view.Bit);
        case TViewKind::RgbBit: return "RGB bit " + std::to_string(view.Bit);
        case TViewKind::Inverted: return "Inverted";
        case TViewKind::GreyPixels: return "Grey pixels";
    }
    return "";
}

void RenderView(const TBitmap32& source, const TView& view, TBitmap32& result) {
    const unsigned shift = ChannelShift(view.Channel);
    const unsigned bit = view.Bit & 7u;
    switch (view.Kind) {
        case TViewKind::Normal:
            MapPixels(source, result, [](TColor32 p) { return p; });
            return;
        case TViewKind::ChannelGrey:
            MapPixels(source, result, [shift](TColor32 p) { return kOpaque | ((p >> shift) & 0xFFu) * 0x010101u; });
            return;
        case TViewKind::BitPlane: {
            const unsigned at = shift + bit;
            // 0 - 1 is all ones: white; 0 - 0 stays black.
            MapPixels(source, result, [at](TColor32 p) { return kOpaque | (0u - ((p >> at) & 1u)); });
            return;
        }
        case TViewKind::RgbBit:
            // Each channel's bit moved to the bottom of its byte, then times 255 fills the byte.
            MapPixels(source, result, [bit](TColor32 p) { return kOpaque | ((p >> bit) & 0x010101u) * 0xFFu; });
            return;
        case TViewKind::Inverted:
            MapPixels(source, result, [](TColor32 p) { return kOpaque | (~p & 0x00FFFFFFu); });
            return;
        case TViewKind::GreyPixels:
            MapPixels(source, result, [](TColor32 p) {
                const bool grey = ((p >> 16) & 0xFFu) == ((p >> 8) & 0xFFu) && ((p >> 8) & 0xFFu) == (p & 0xFFu);
                return grey ? 0xFFFFFFFFu : kOpaque;
            });
            return;
    }
}

}  // namespace nox::analysis
