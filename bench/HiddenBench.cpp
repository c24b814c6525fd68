// Hidden bytes on a 4000 x 3000 photo-like picture: extracting every byte of a one-plane,
// three-channel layout, hiding a payload that fills it, and a whole scan (against the
// read-2-write-1 loop of Limits.cpp).
#include <cstring>

#include "bench/Inputs.h"
#include "bench/Register.h"

#if NOXSTEG_BENCH_HAVE_ANALYSIS
#include "analysis/HiddenBytes.h"
#include "analysis/Scan.h"

namespace nox::bench {
namespace {

void Photo(TBitmap32& picture) {
    picture.SetSize(kWidth, kHeight);
    std::memcpy(picture.Bits(), Pixels32(Kind::Photo).data(), kPixels * 4);
}

void Extract(benchmark::State& state) {
    TBitmap32 picture;
    Photo(picture);
    const analysis::TLayout layout;
    for (auto _ : state) {
        const std::vector<uint8_t> bytes = analysis::ExtractBytes(picture, layout);
        benchmark::DoNotOptimize(bytes.data());
        if (bytes.size() != kPixels * 3 / 8) state.SkipWithError("wrong size");
    }
}

void Hide(benchmark::State& state) {
    TBitmap32 picture;
    Photo(picture);
    const analysis::TLayout layout;
    std::vector<uint8_t> payload(analysis::PayloadCapacity(kWidth, kHeight, layout));
    for (size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<uint8_t>(i * 2654435761u >> 13);
    for (auto _ : state) {
        analysis::HidePayload(picture, layout, payload);
        benchmark::DoNotOptimize(picture.Bits());
    }
}

void Scan(benchmark::State& state) {
    TBitmap32 picture;
    Photo(picture);
    for (auto _ : state) {
        const auto findings = analysis::Scan(picture);
        benchmark::DoNotOptimize(findings.data());
    }
}

[[maybe_unused]] const bool registered = [] {
    Register("hidden/extract_0rgb", Extract);
    Register("hidden/hide_0rgb", Hide);
    Register("hidden/scan", Scan);
    return true;
}();

}  // namespace
}  // namespace nox::bench
#endif
