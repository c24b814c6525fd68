// PNG: TPNGImage decoding against libpng's simplified API and stb_image, and encoding against
// libpng's write API at the same deflate level (6) and filter choice (all five, chosen per row).
// The files are libpng's encoding of the 4000 x 3000 inputs.
#include <vector>

#include "bench/Inputs.h"
#include "bench/Peers.h"
#include "bench/Register.h"

#if NOXSTEG_BENCH_HAVE_PNG && NOXSTEG_BENCH_HAVE_IMAGE
#include <cstring>

#include "formats/png/PngImage.h"
#include "image/Bitmap32.h"
#include "platform/Bitmap.h"
#include "platform/Stream.h"
#define NOXSTEG_BENCH_OURS 1
#endif

namespace nox::bench {
namespace {

const std::vector<uint8_t>& PngFile(Kind kind) {
    static const std::vector<uint8_t> photo = PngEncode(Pixels32(Kind::Photo).data(), kWidth, kHeight);
    static const std::vector<uint8_t> flat = PngEncode(Pixels32(Kind::Flat).data(), kWidth, kHeight);
    return kind == Kind::Photo ? photo : flat;
}

// One decode before the timing gives the output buffer its size, so that every timed decode writes
// into memory already mapped, as ours does (the pixel allocator keeps the block a picture freed).
// Without it the first decode of each repetition also paid for zero-filling a fresh 48 MB vector,
// and the row's time depended on how many decodes a repetition made.
void LibpngDecode(benchmark::State& state, Kind kind) {
    const auto& file = PngFile(kind);
    std::vector<uint8_t> out;
    PngDecode(file, out);
    for (auto _ : state)
        if (PngDecode(file, out) != kPixels) state.SkipWithError("libpng did not decode");
}

void StbPngDecode(benchmark::State& state, Kind kind) {
    const auto& file = PngFile(kind);
    for (auto _ : state)
        if (StbDecode(file) != kPixels) state.SkipWithError("stb_image did not decode");
}

void LibpngEncode(benchmark::State& state, Kind kind) {
    const auto& pixels = Pixels32(kind);
    for (auto _ : state) benchmark::DoNotOptimize(PngEncode(pixels.data(), kWidth, kHeight));
}

#if NOXSTEG_BENCH_OURS
// The file's bytes decoded into the picture's 32-bit device bitmap, as opening a file does before
// the pane takes the rows.
void OurDecode(benchmark::State& state, Kind kind) {
    const auto& file = PngFile(kind);
    for (auto _ : state) {
        TPNGImage png;
        TMemoryStream in = TMemoryStream::View(file);
        png.LoadFromStream(in);
        if (png.GetWidth() != kWidth) state.SkipWithError("the PNG did not decode");
    }
}

// Saving the Right pane as PNG: its 32-bit device bitmap (made outside the timing, as the peer's
// input rows are) written as RGB.
void OurEncode(benchmark::State& state, Kind kind) {
    TBitmap32 pane;
    pane.SetSize(kWidth, kHeight);
    std::memcpy(pane.Bits(), Pixels32(kind).data(), kPixels * 4);
    TPNGImage png;
    pane.AssignTo(png);
    for (auto _ : state) {
        TMemoryStream out;
        png.SaveToStream(out);
        benchmark::DoNotOptimize(out.Bytes().data());
    }
}
#endif

[[maybe_unused]] const bool registered = [] {
    for (Kind kind : {Kind::Photo, Kind::Flat}) {
        const std::string k = KindName(kind);
#if NOXSTEG_BENCH_OURS
        Register("png/decode_" + k, [kind](benchmark::State& s) { OurDecode(s, kind); });
        Register("png/encode_" + k, [kind](benchmark::State& s) { OurEncode(s, kind); });
#endif
        Register("png/libpng_decode_" + k, [kind](benchmark::State& s) { LibpngDecode(s, kind); });
        Register("png/stb_decode_" + k, [kind](benchmark::State& s) { StbPngDecode(s, kind); });
        Register("png/libpng_encode_" + k, [kind](benchmark::State& s) { LibpngEncode(s, kind); });
    }
    return true;
}();

}  // namespace
}  // namespace nox::bench
