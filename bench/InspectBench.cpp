// The Inspector's views of a 4000 x 3000 photo, one row per kind of view, and the amplified
// difference of two pictures (against the read-2-write-1 loop of Limits.cpp): stepping through
// the views with the arrow keys computes one of them per key press.
#include <cstring>

#include "bench/Inputs.h"
#include "bench/Register.h"

#if NOXSTEG_BENCH_HAVE_ANALYSIS
#include "analysis/Difference.h"
#include "analysis/Views.h"

namespace nox::bench {
namespace {

void Fill(TBitmap32& bitmap, Kind kind) {
    bitmap.SetSize(kWidth, kHeight);
    std::memcpy(bitmap.Bits(), Pixels32(kind).data(), kPixels * 4);
}

// The result buffer is kept from one view to the next, as the Inspector's pane keeps it.
void View(benchmark::State& state, analysis::TView view) {
    TBitmap32 source, result;
    Fill(source, Kind::Photo);
    for (auto _ : state) {
        analysis::RenderView(source, view, result);
        benchmark::DoNotOptimize(result.Bits());
    }
    if (result.Width() != kWidth || result.Height() != kHeight) state.SkipWithError("wrong result size");
}

void Difference(benchmark::State& state) {
    TBitmap32 a, b, result;
    Fill(a, Kind::Photo);
    Fill(b, Kind::Flat);
    for (auto _ : state) {
        analysis::AmplifiedDifference(a, b, 64, result);
        benchmark::DoNotOptimize(result.Bits());
    }
}

[[maybe_unused]] const bool registered = [] {
    using analysis::TChannel;
    using analysis::TViewKind;
    Register("inspect/view_normal", [](benchmark::State& s) { View(s, {TViewKind::Normal}); });
    Register("inspect/view_channel_grey", [](benchmark::State& s) { View(s, {TViewKind::ChannelGrey, TChannel::Green}); });
    Register("inspect/view_bit_plane", [](benchmark::State& s) { View(s, {TViewKind::BitPlane, TChannel::Blue, 0}); });
    Register("inspect/view_rgb_bit", [](benchmark::State& s) { View(s, {TViewKind::RgbBit, TChannel::Red, 3}); });
    Register("inspect/view_inverted", [](benchmark::State& s) { View(s, {TViewKind::Inverted}); });
    Register("inspect/view_grey_pixels", [](benchmark::State& s) { View(s, {TViewKind::GreyPixels}); });
    Register("inspect/difference_x64", Difference);
    return true;
}();

}  // namespace
}  // namespace nox::bench
#endif
