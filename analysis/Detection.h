// The detection of LSB hiding in a picture: the chi-square attack, RS analysis and sample pair
// analysis on each colour channel, one combined estimate of the share of pixels that carry hidden
// bits, a verdict, and the same estimate for each block of 32 x 32 pixels (the heat map).
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "analysis/Channels.h"
#include "image/Bitmap32.h"

namespace nox::analysis {

// The colour channels the estimators look at, in the order they are reported.
inline constexpr std::array<TChannel, 3> kDetectionChannels = {TChannel::Red, TChannel::Green, TChannel::Blue};

// The chi-square curve has one point per percent of the picture.
inline constexpr int kChiCurvePoints = 100;

// The combined estimate is sample pair analysis on the pairs of the three channels together, less
// those with a value at an end of the range (see CountSpaPairs). It says "hidden data likely" when
// it lies above kLikelyThreshold and above kLikelyStandardErrors times its standard error. Chosen
// from the evaluation in bench/detection/: the threshold covers what natural photographs show
// without hiding (43 of the 46 larger ones stay below it), the standard errors what chance gives
// a small picture (at 2, about one in forty pictures without hiding passes by chance alone).
inline constexpr double kLikelyThreshold = 0.05;
inline constexpr double kLikelyStandardErrors = 2;

// Heat-map blocks are this many pixels wide and high.
inline constexpr int kBlockSize = 32;

struct TChannelDetection {
    double Chi = 0;  // the chi-square p-value over the whole picture
    double Rs = 0;   // RS analysis's estimated share, 0..1
    double Spa = 0;  // sample pair analysis's estimated share, 0..1
    // Point i: the chi-square p-value over the first (i + 1) % of the pixels in row order.
    std::array<double, kChiCurvePoints> ChiCurve{};
};

struct TDetection {
    std::array<TChannelDetection, 3> Channels{};  // in the order of kDetectionChannels
    double Estimate = 0;       // sample pair analysis on the three channels' pairs together, 0..1
    double StandardError = 0;  // of the estimate (infinite when the pairs cannot tell)
    bool Likely = false;       // Estimate above kLikelyThreshold and kLikelyStandardErrors x StandardError
};

// Reports progress as a share 0..1 of the work and returns false to stop it.
using TDetectionProgress = std::function<bool(double done)>;

// The estimates of a picture; nothing when `progress` stopped the work. An empty picture gives
// zeros everywhere.
std::optional<TDetection> Detect(const TBitmap32& picture, const TDetectionProgress& progress = {});

// The combined estimate (as TDetection::Estimate) of each block of kBlockSize x kBlockSize pixels
// (the last column and row of blocks may be smaller), row after row of blocks from the top.
struct THeatMap {
    int32_t Columns = 0, Rows = 0;
    std::vector<double> Estimates;  // Columns x Rows values, 0..1
    double At(int32_t column, int32_t row) const { return Estimates[size_t(row) * size_t(Columns) + size_t(column)]; }
};

std::optional<THeatMap> BlockEstimates(const TBitmap32& picture, const TDetectionProgress& progress = {});

}  // namespace nox::analysis
