// GIF: our reader against giflib's DGifSlurp and stb_image on the same file, our writer
// (colour reduction plus LZW) against giflib's EGifPutLine on the same indices, the default
// colour reduction alone, and painting a frame into a 32-bit buffer.
#include <vector>

#include "bench/Inputs.h"
#include "bench/Peers.h"
#include "bench/Register.h"

#if NOXSTEG_BENCH_HAVE_GIF && NOXSTEG_BENCH_HAVE_IMAGE && NOXSTEG_BENCH_HAVE_FILES
#include <cstring>

#include "files/PictureFiles.h"
#include "formats/gif/ColorReduction.h"
#include "formats/gif/GifImage.h"
#include "image/Bitmap32.h"
#include "platform/Bitmap.h"
#include "platform/Stream.h"
#define NOXSTEG_BENCH_OURS 1
#endif

namespace nox::bench {
namespace {

// The decoding benchmarks read a file giflib wrote, so every reader sees the same code stream.
const std::vector<uint8_t>& GifFile(Kind kind) {
    static const std::vector<uint8_t> photo = GifEncode(CubeIndices(Kind::Photo).data(), kWidth, kHeight, CubeRGB());
    static const std::vector<uint8_t> flat = GifEncode(CubeIndices(Kind::Flat).data(), kWidth, kHeight, CubeRGB());
    return kind == Kind::Photo ? photo : flat;
}

void GiflibDecode(benchmark::State& state, Kind kind) {
    const auto& file = GifFile(kind);
    for (auto _ : state)
        if (GifSlurp(file) != kPixels) state.SkipWithError("giflib could not read the GIF");
}

void StbDecodeGif(benchmark::State& state, Kind kind) {
    const auto& file = GifFile(kind);
    for (auto _ : state)
        if (StbDecode(file) != kPixels) state.SkipWithError("stb_image could not read the GIF");
}

void GiflibEncode(benchmark::State& state, Kind kind) {
    const auto& indices = CubeIndices(kind);
    for (auto _ : state) benchmark::DoNotOptimize(GifEncode(indices.data(), kWidth, kHeight, CubeRGB()));
}

#if NOXSTEG_BENCH_OURS
// A 32-bit device bitmap of the picture, as saving the Right pane hands it to the writer.
TBitmap DeviceBitmap32(Kind kind) {
    TBitmap32 pane;
    pane.SetSize(kWidth, kHeight);
    std::memcpy(pane.Bits(), Pixels32(kind).data(), kPixels * 4);
    TBitmap bitmap;
    pane.AssignTo(bitmap);
    return bitmap;
}

void OurDecode(benchmark::State& state, Kind kind) {
    RegisterPictureFormats();
    const auto& file = GifFile(kind);
    for (auto _ : state) {
        TGIFImage gif;
        TMemoryStream in = TMemoryStream::View(file);
        gif.LoadFromStream(in);
        if (gif.Images.Count() != 1) state.SkipWithError("the GIF did not read");
    }
}

// Saving a 32-bit picture as GIF: the default colour reduction onto the 216-colour palette, then
// the LZW coder and the blocks of the file.
void OurEncode(benchmark::State& state, Kind kind) {
    RegisterPictureFormats();
    TBitmap source = DeviceBitmap32(kind);
    for (auto _ : state) {
        TGIFImage gif;
        gif.Assign(&source);
        TMemoryStream out;
        out.Buffer().reserve(kPixels / 2);  // as the giflib peer reserves its output
        gif.SaveToStream(out);
        benchmark::DoNotOptimize(out.Bytes().data());
    }
}

// The default reduction alone, from the 24-bit picture the writer reduces.
void OurReduce(benchmark::State& state, Kind kind) {
    TBitmap source;
    source.SetBitsPerPixel(24);
    source.SetSize(kWidth, kHeight);
    const auto& rows = Pixels24(kind);
    std::memcpy(source.Pixels().data(), rows.data(), rows.size());
    for (auto _ : state) {
        auto reduced = ReduceToPalette(source, GIFDefaultReductionMethod, GIFDefaultDitherMode, {}, GIFDefaultReductionBits);
        benchmark::DoNotOptimize(reduced.get());
    }
}

// Opening a GIF into a pane paints its frame into the pane's buffer; the file is read once
// beforehand, so only the painting is measured.
void OurPaint(benchmark::State& state, Kind kind) {
    RegisterPictureFormats();
    TGIFImage gif;
    TMemoryStream in = TMemoryStream::View(GifFile(kind));
    gif.LoadFromStream(in);
    TBitmap32 pane;
    for (auto _ : state) {
        pane.SetSize(0, 0);
        pane.Assign(&gif);
        benchmark::DoNotOptimize(pane.Bits());
    }
    if (pane.Width() != kWidth) state.SkipWithError("the GIF did not paint");
}
#endif

[[maybe_unused]] const bool registered = [] {
#if NOXSTEG_BENCH_OURS
    for (Kind kind : {Kind::Photo, Kind::Flat}) {
        const std::string k = KindName(kind);
        Register("gif/decode_" + k, [kind](benchmark::State& s) { OurDecode(s, kind); });
        Register("gif/encode_" + k, [kind](benchmark::State& s) { OurEncode(s, kind); });
    }
    Register("gif/reduce_photo", [](benchmark::State& s) { OurReduce(s, Kind::Photo); });
    Register("gif/paint_photo", [](benchmark::State& s) { OurPaint(s, Kind::Photo); });
#endif
    for (Kind kind : {Kind::Photo, Kind::Flat}) {
        const std::string k = KindName(kind);
        Register("gif/giflib_decode_" + k, [kind](benchmark::State& s) { GiflibDecode(s, kind); });
        Register("gif/stb_decode_" + k, [kind](benchmark::State& s) { StbDecodeGif(s, kind); });
        Register("gif/giflib_encode_" + k, [kind](benchmark::State& s) { GiflibEncode(s, kind); });
    }
    return true;
}();

}  // namespace
}  // namespace nox::bench
