// GIF reading and painting: our reader on the file giflib writes (the same one GifBench.cpp gives
// giflib's DGifSlurp and stb_image), and the first paint of a 4000 x 3000 frame into a 32-bit
// buffer (rendering included), to set beside one pass that maps indices to colours.
#include <vector>

#include "bench/Inputs.h"
#include "bench/Peers.h"
#include "bench/Register.h"

#if NOXSTEG_BENCH_HAVE_GIF
#include "formats/gif/GifImage.h"
#include "platform/Canvas.h"
#include "platform/Stream.h"
#endif

namespace nox::bench {
namespace {

#if NOXSTEG_BENCH_HAVE_GIF
const std::vector<uint8_t>& GiflibFile(Kind kind) {
    static const std::vector<uint8_t> photo = GifEncode(CubeIndices(Kind::Photo).data(), kWidth, kHeight, CubeRGB());
    static const std::vector<uint8_t> flat = GifEncode(CubeIndices(Kind::Flat).data(), kWidth, kHeight, CubeRGB());
    return kind == Kind::Photo ? photo : flat;
}

void Decode(benchmark::State& state, Kind kind) {
    const auto& file = GiflibFile(kind);
    for (auto _ : state) {
        TMemoryStream stream = TMemoryStream::View(file);
        TGIFImage image;
        image.LoadFromStream(stream);
        if (image.Images.Count() != 1 || image.Images[0]->DataSize() != kPixels)
            state.SkipWithError("the GIF did not decode");
        benchmark::DoNotOptimize(image.Images[0]->Data());
    }
}

void Paint(benchmark::State& state) {
    TMemoryStream stream = TMemoryStream::View(GiflibFile(Kind::Photo));
    TGIFImage image;
    image.LoadFromStream(stream);
    std::vector<uint32_t> pane(kPixels);
    for (auto _ : state) {
        // Every paint renders afresh, as the one paint of an opened file does.
        image.PaletteModified();
        TCanvas canvas(pane.data(), kWidth, kHeight);
        image.Draw(canvas, Rect(0, 0, kWidth, kHeight));
        benchmark::DoNotOptimize(pane.data());
        benchmark::ClobberMemory();
    }
}

[[maybe_unused]] const bool registered = [] {
    for (Kind kind : {Kind::Photo, Kind::Flat})
        Register(std::string("gif/decode_") + KindName(kind), [kind](benchmark::State& s) { Decode(s, kind); });
    Register("gif/paint_photo", Paint);
    return true;
}();
#endif

}  // namespace
}  // namespace nox::bench
