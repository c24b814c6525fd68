// GIF writing, in parts (GifBench.cpp measures the whole save beside giflib): the LZW coder alone on
// the very indices giflib's EGifPutLine codes there, and the default colour reduction of the
// pane's 32-bit picture, the form a save hands over (beside one pass that reads 24-bit rows and
// writes indices).
#if NOXSTEG_BENCH_HAVE_GIF
#include <cstring>
#include <memory>

#include "bench/Inputs.h"
#include "bench/Register.h"
#include "formats/gif/ColorReduction.h"
#include "formats/gif/LzwEncoder.h"
#include "platform/Stream.h"

namespace nox::bench {
namespace {

void Lzw(benchmark::State& state, Kind kind) {
    const auto& indices = CubeIndices(kind);
    for (auto _ : state) {
        TMemoryStream out;
        out.Buffer().reserve(kPixels / 2);  // as the giflib peer reserves its output
        WriteImageData(out, 8, 256, indices, 0);
        benchmark::DoNotOptimize(out.Bytes().data());
    }
}

void Reduce32(benchmark::State& state, Kind kind) {
    TBitmap source;
    source.SetBitsPerPixel(32);
    source.SetSize(kWidth, kHeight);
    std::memcpy(source.Pixels().data(), Pixels32(kind).data(), kPixels * 4);
    for (auto _ : state) benchmark::DoNotOptimize(ReduceToPalette(source, 6, 0, {}, 8));
}

[[maybe_unused]] const bool registered = [] {
    for (Kind kind : {Kind::Photo, Kind::Flat}) {
        const std::string k = KindName(kind);
        Register("gif/lzw_" + k, [kind](benchmark::State& s) { Lzw(s, kind); });
        Register("gif/reduce32_" + k, [kind](benchmark::State& s) { Reduce32(s, kind); });
    }
    return true;
}();

}  // namespace
}  // namespace nox::bench
#endif
