// GIF: our reader against giflib's DGifSlurp and stb_image on the same file, our writer
// (colour reduction plus LZW) against giflib's EGifPutLine on the same indices, the default
// colour reduction alone, and painting a frame into a 32-bit buffer.
#include <vector>

#include "bench/Inputs.h"
#include "bench/Peers.h"
#include "bench/Register.h"

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

[[maybe_unused]] const bool registered = [] {
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
