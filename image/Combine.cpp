// The hiding operations. Each one walks the pixels through GetPixel/SetPixel, rows outermost, with
// a per-pixel rule simple enough for the compiler to vectorise; none makes a temporary buffer.
#include "image/Combine.h"

#include <algorithm>

namespace nox {

namespace {

// The frame shared by Subtract, Add, Add Bit and Set LSBs: the Right buffer is emptied, and when
// both inputs have pixels it becomes their common top-left rectangle, each pixel by `rule`.
template <typename Rule>
void CombineCommonRect(const TBitmap32& left, const TBitmap32& middle, TBitmap32& right, Rule rule) {
    right.SetSize(0, 0);
    if (left.Height() == 0 || middle.Height() == 0 || left.Width() == 0 || middle.Width() == 0) return;
    const int32_t h = std::min(left.Height(), middle.Height());
    const int32_t w = std::min(left.Width(), middle.Width());
    right.SetSize(w, h);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) right.SetPixel(x, y, rule(left.GetPixel(x, y), middle.GetPixel(x, y)));
}

void Fill(TBitmap32& buffer, TColor32 color) {
    const int32_t h = buffer.Height(), w = buffer.IsEmpty() ? 0 : buffer.Width();
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) buffer.SetPixel(x, y, color);
}

}  // namespace

void Subtract(TBitmap32& left, TBitmap32& middle, TBitmap32& right) {
    CombineCommonRect(left, middle, right, [](TColor32 l, TColor32 m) {
        const TChannels a = SplitChannels(l), b = SplitChannels(m);
        return PackChannels(a.Red - b.Red, a.Green - b.Green, a.Blue - b.Blue);
    });
}

void Add(TBitmap32& left, TBitmap32& middle, TBitmap32& right) {
    // PackChannels of min(L + M, 255) per channel, computed on the three colour bytes at once (a
    // minimum per channel is several instructions per lane without SSE4.1): the low seven bits of
    // each byte add without reaching the next byte, the top bits join by exclusive or, and a byte
    // whose sum carried out of its top bit becomes 255. Alpha is 0.
    CombineCommonRect(left, middle, right, [](TColor32 l, TColor32 m) {
        const uint32_t sum = ((l & 0x7F7F7F) + (m & 0x7F7F7F)) ^ ((l ^ m) & 0x808080);
        const uint32_t carried = (((l & m) | ((l | m) & ~sum)) & 0x808080) >> 7;
        return (sum | ((carried << 8) - carried)) & 0x00FFFFFF;
    });
}

void AddBit(TBitmap32& left, TBitmap32& middle, TBitmap32& right) {
    // PackChannels of each channel plus (channel < 255), on the three colour bytes at once: a byte of
    // ~L is non-zero exactly where L's channel is below 255, and adding 1 there never carries.
    CombineCommonRect(left, middle, right, [](TColor32 l, TColor32 m) {
        const uint32_t headroom = ~l & 0x00FFFFFF;
        const uint32_t below255 = (((headroom & 0x7F7F7F) + 0x7F7F7F) | headroom) & 0x808080;
        const TColor32 raised = (l & 0x00FFFFFF) + (below255 >> 7);
        return IsPureWhite(m) ? raised : l;
    });
}

void SetLSBs(TBitmap32& left, TBitmap32& middle, TBitmap32& right) {
    CombineCommonRect(left, middle, right, [](TColor32 l, TColor32 m) {
        const TChannels a = SplitChannels(l);
        const int32_t bit = IsPureWhite(m) ? 0 : 1;
        return PackChannels(a.Red - a.Red % 2 + bit, a.Green - a.Green % 2 + bit, a.Blue - a.Blue % 2 + bit);
    });
}

void ShowLSBs(TBitmap32& left, TBitmap32& middle, TBitmap32& right) {
    right.SetSize(0, 0);
    if (left.Height() == 0 || middle.Height() == 0) return;
    const int32_t h = left.Height(), w = left.Width();
    right.SetSize(w, h);
    if (right.IsEmpty()) return;  // a Left picture 0 pixels wide
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const TChannels a = SplitChannels(left.GetPixel(x, y));
            const bool allEven = a.Red % 2 == 0 && a.Green % 2 == 0 && a.Blue % 2 == 0;
            right.SetPixel(x, y, allEven ? kWhite : kBlack);
        }
}

void Blacken(TBitmap32& buffer) { Fill(buffer, kBlack); }

void Whiten(TBitmap32& buffer) { Fill(buffer, kWhite); }

}  // namespace nox
