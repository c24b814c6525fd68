// JPEG: TJPEGImage decoding and encoding against libjpeg-turbo called directly with the same
// settings (quality 95, blue-green-red pixels, the library's default methods).
#include <vector>

#include "bench/Inputs.h"
#include "bench/Peers.h"
#include "bench/Register.h"

namespace nox::bench {
namespace {

const std::vector<uint8_t>& JpegFile(Kind kind) {
    static const std::vector<uint8_t> photo = JpegEncode(Pixels24(Kind::Photo).data(), RowBytes24(), kWidth, kHeight, 95);
    static const std::vector<uint8_t> flat = JpegEncode(Pixels24(Kind::Flat).data(), RowBytes24(), kWidth, kHeight, 95);
    return kind == Kind::Photo ? photo : flat;
}

void DirectDecode(benchmark::State& state, Kind kind) {
    const auto& file = JpegFile(kind);
    std::vector<uint8_t> out;
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

[[maybe_unused]] const bool registered = [] {
    for (Kind kind : {Kind::Photo, Kind::Flat}) {
        const std::string k = KindName(kind);
        Register("jpeg/libjpeg_decode_" + k, [kind](benchmark::State& s) { DirectDecode(s, kind); });
        Register("jpeg/libjpeg_encode_" + k, [kind](benchmark::State& s) { DirectEncode(s, kind); });
    }
    return true;
}();

}  // namespace
}  // namespace nox::bench
