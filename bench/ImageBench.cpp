// The pixel buffer: the five combining operations and the two fills on 4000 x 3000 pictures
// (against the read-2-write-1 and write-1 loops of Limits.cpp), and DrawTo of a 4000 x 3000
// picture into a 1920 x 1080 buffer (against copying 1920 x 1080 pixels once).
#include <cstring>

#include "bench/Inputs.h"
#include "bench/Register.h"

#if NOXSTEG_BENCH_HAVE_IMAGE
#include "image/Bitmap32.h"
#include "image/Combine.h"

namespace nox::bench {
namespace {

void Fill(TBitmap32& bitmap, Kind kind) {
    bitmap.SetSize(kWidth, kHeight);
    std::memcpy(bitmap.Bits(), Pixels32(kind).data(), kPixels * 4);
}

using Operation = void (*)(TBitmap32&, TBitmap32&, TBitmap32&);

void Combine(benchmark::State& state, Operation operation) {
    TBitmap32 left, middle, right;
    Fill(left, Kind::Photo);
    Fill(middle, Kind::Flat);
    for (auto _ : state) {
        operation(left, middle, right);
        benchmark::DoNotOptimize(right.Bits());
    }
    if (right.Width() != kWidth || right.Height() != kHeight) state.SkipWithError("wrong result size");
}

void FillOperation(benchmark::State& state, void (*fill)(TBitmap32&)) {
    TBitmap32 buffer;
    Fill(buffer, Kind::Photo);
    for (auto _ : state) {
        fill(buffer);
        benchmark::DoNotOptimize(buffer.Bits());
    }
}

void DrawTo(benchmark::State& state) {
    TBitmap32 source, target;
    Fill(source, Kind::Photo);
    target.SetSize(1920, 1080);
    for (auto _ : state) {
        source.DrawTo(target, Rect(0, 0, 1920, 1080));
        benchmark::DoNotOptimize(target.Bits());
    }
}

[[maybe_unused]] const bool registered = [] {
    Register("ops/subtract", [](benchmark::State& s) { Combine(s, Subtract); });
    Register("ops/add", [](benchmark::State& s) { Combine(s, Add); });
    Register("ops/add_bit", [](benchmark::State& s) { Combine(s, AddBit); });
    Register("ops/set_lsbs", [](benchmark::State& s) { Combine(s, SetLSBs); });
    Register("ops/show_lsbs", [](benchmark::State& s) { Combine(s, ShowLSBs); });
    Register("ops/blacken", [](benchmark::State& s) { FillOperation(s, Blacken); });
    Register("ops/whiten", [](benchmark::State& s) { FillOperation(s, Whiten); });
    Register("view/drawto_1920x1080", DrawTo);
    return true;
}();

}  // namespace
}  // namespace nox::bench
#endif
