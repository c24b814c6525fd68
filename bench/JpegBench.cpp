// JPEG: TJPEGImage decoding and encoding against libjpeg-turbo called directly with the same
// settings (quality 95, blue-green-red pixels, the library's default methods).
#include <vector>

#include "bench/Inputs.h"
#include "bench/Peers.h"
#include "bench/Register.h"

#if NOXSTEG_BENCH_HAVE_JPEG && NOXSTEG_BENCH_HAVE_IMAGE
#include <cstring>
#include <memory>

#include "formats/jpeg/JpegImage.h"
#include "image/Bitmap32.h"
#include "platform/Bitmap.h"
#include "platform/Stream.h"
#define NOXSTEG_BENCH_OURS 1
#endif

namespace nox::bench {
namespace {

const std::vector<uint8_t>& JpegFile(Kind kind) {
    static const std::vector<uint8_t> photo = JpegEncode(Pixels24(Kind::Photo).data(), RowBytes24(), kWidth, kHeight, 95);
    static const std::vector<uint8_t> flat = JpegEncode(Pixels24(Kind::Flat).data(), RowBytes24(), kWidth, kHeight, 95);
    return kind == Kind::Photo ? photo : flat;
}

// One decode before the timing gives the output buffer its size, so that the timed decodes write
// into memory already mapped, as ours do (the pixel allocator keeps the block a picture freed).
void DirectDecode(benchmark::State& state, Kind kind) {
    const auto& file = JpegFile(kind);
    std::vector<uint8_t> out;
    int width = 0, height = 0;
    JpegDecode(file, out, width, height);
    for (auto _ : state) {
        int w = 0, h = 0;
        JpegDecode(file, out, w, h);
        if (w != kWidth || h != kHeight) state.SkipWithError("libjpeg decoded the wrong size");
    }
}

void DirectEncode(benchmark::State& state, Kind kind) {
    const auto& rows = Pixels24(kind);
    for (auto _ : state) benchmark::DoNotOptimize(JpegEncode(rows.data(), RowBytes24(), kWidth, kHeight, 95));
}

#if NOXSTEG_BENCH_OURS
// Loading the file's bytes and decoding them into the picture's device bitmap.
void OurDecode(benchmark::State& state, Kind kind) {
    const auto& file = JpegFile(kind);
    for (auto _ : state) {
        TJPEGImage jpeg;
        TMemoryStream in = TMemoryStream::View(file);
        jpeg.LoadFromStream(in);
        if (jpeg.Bitmap().GetWidth() != kWidth) state.SkipWithError("the JPEG did not decode");
    }
}

// Saving the Right pane as JPEG at quality 95 as the save does: the pane's 32-bit device bitmap
// handed over to the picture (no copy), encoded. Making that device bitmap is the pane's work and
// stays outside the timing, as the peer's input rows do.
void OurEncode(benchmark::State& state, Kind kind) {
    TBitmap32 pane;
    pane.SetSize(kWidth, kHeight);
    std::memcpy(pane.Bits(), Pixels32(kind).data(), kPixels * 4);
    TBitmap source;
    pane.AssignTo(source);
    for (auto _ : state) {
        state.PauseTiming();
        auto bitmap = std::make_unique<TBitmap>(source);
        state.ResumeTiming();
        TJPEGImage jpeg;
        jpeg.SetCompressionQuality(95);
        jpeg.TakeOverBitmap(std::move(bitmap));
        TMemoryStream out;
        jpeg.SaveToStream(out);
        benchmark::DoNotOptimize(out.Bytes().data());
    }
}
#endif

[[maybe_unused]] const bool registered = [] {
#if NOXSTEG_BENCH_OURS
    for (Kind kind : {Kind::Photo, Kind::Flat}) {
        const std::string k = KindName(kind);
        Register("jpeg/decode_" + k, [kind](benchmark::State& s) { OurDecode(s, kind); });
        Register("jpeg/encode_" + k, [kind](benchmark::State& s) { OurEncode(s, kind); });
    }
#endif
    for (Kind kind : {Kind::Photo, Kind::Flat}) {
        const std::string k = KindName(kind);
        Register("jpeg/libjpeg_decode_" + k, [kind](benchmark::State& s) { DirectDecode(s, kind); });
        Register("jpeg/libjpeg_encode_" + k, [kind](benchmark::State& s) { DirectEncode(s, kind); });
    }
    return true;
}();

}  // namespace
}  // namespace nox::bench
