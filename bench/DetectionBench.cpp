// The detection of LSB hiding on the 4000 x 3000 photo-like picture: the three estimators on the
// three colour channels (with the chi-square curve), and the heat map of 32 x 32 blocks, both
// against the read-2-write-1 loop of Limits.cpp.
#include <cstring>

#include "bench/Inputs.h"
#include "bench/Register.h"

#if NOXSTEG_BENCH_HAVE_ANALYSIS
#include "analysis/Detection.h"

namespace nox::bench {
namespace {

void Photo(TBitmap32& bitmap) {
    bitmap.SetSize(kWidth, kHeight);
    std::memcpy(bitmap.Bits(), Pixels32(Kind::Photo).data(), kPixels * 4);
}

void Estimators(benchmark::State& state) {
    TBitmap32 picture;
    Photo(picture);
    for (auto _ : state) {
        auto result = analysis::Detect(picture);
        benchmark::DoNotOptimize(result);
    }
}

void HeatMap(benchmark::State& state) {
    TBitmap32 picture;
    Photo(picture);
    for (auto _ : state) {
        auto map = analysis::BlockEstimates(picture);
        if (!map || map->Estimates.size() != size_t(125 * 94)) state.SkipWithError("wrong number of blocks");
        benchmark::DoNotOptimize(map);
    }
}

[[maybe_unused]] const bool registered = [] {
    Register("detect/estimators", Estimators);
    Register("detect/heat_map", HeatMap);
    return true;
}();

}  // namespace
}  // namespace nox::bench
#endif
