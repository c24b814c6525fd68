// The nearest-colour walk and the error diffusion kernels.
#include "formats/gif/Ditherers.h"

#include <algorithm>

#include "platform/Errors.h"

namespace nox {

namespace {

constexpr TDiffusionTap kFloydSteinberg[] = {{0, 1, 7}, {1, -1, 3}, {1, 0, 5}, {1, 1, 1}};

constexpr TDiffusionTap kStucki[] = {
    {0, 1, 8},  {0, 2, 4},                                                   //
    {1, -2, 2}, {1, -1, 4}, {1, 0, 8}, {1, 1, 4}, {1, 2, 2},                 //
    {2, -2, 1}, {2, -1, 2}, {2, 0, 4}, {2, 1, 2}, {2, 2, 1},                 //
};

constexpr TDiffusionTap kSierra[] = {
    {0, 1, 5},  {0, 2, 3},                                                   //
    {1, -2, 2}, {1, -1, 4}, {1, 0, 5}, {1, 1, 4}, {1, 2, 2},                 //
    {2, -1, 2}, {2, 0, 3},  {2, 1, 2},                                       //
};

constexpr TDiffusionTap kJaJuNi[] = {
    {0, 1, 7},  {0, 2, 5},                                                   //
    {1, -2, 3}, {1, -1, 5}, {1, 0, 7}, {1, 1, 5}, {1, 2, 3},                 //
    {2, -2, 1}, {2, -1, 3}, {2, 0, 5}, {2, 1, 3}, {2, 2, 1},                 //
};

constexpr TDiffusionTap kSteveArche[] = {
    {0, 2, 32},                                                              //
    {1, -3, 12}, {1, -1, 26}, {1, 1, 30}, {1, 3, 16},                        //
    {2, -2, 12}, {2, 0, 26},  {2, 2, 12},                                    //
    {3, -3, 5},  {3, -1, 12}, {3, 1, 12}, {3, 3, 5},                         //
};

constexpr TDiffusionTap kBurkes[] = {
    {0, 1, 8},  {0, 2, 4},                                                   //
    {1, -2, 2}, {1, -1, 4}, {1, 0, 8}, {1, 1, 4}, {1, 2, 2},                 //
};

}  // namespace

// ---- TDitherEngine -------------------------------------------------------------------------------

int TDitherEngine::DitherPixel(int red, int green, int blue, TRGBQuad& chosen) {
    const int index = lookup_.NearestEntry(red, green, blue, chosen);
    column_ += direction_;
    return index;
}

void TDitherEngine::NextRow() {
    direction_ = -direction_;
    column_ = direction_ > 0 ? 0 : width_ - 1;
}

void TDitherEngine::DitherRow(const uint8_t* pixels, int pixelBytes, uint8_t* indices) {
    // Without error diffusion the walking direction changes nothing: map the row in one pass.
    lookup_.MapRow(pixels, pixelBytes, indices, width_);
    NextRow();
}

// ---- TErrorDiffusionDitherer ---------------------------------------------------------------------

TErrorDiffusionDitherer::TErrorDiffusionDitherer(TColorLookup& lookup, int32_t width, int divisor,
                                                 std::span<const TDiffusionTap> taps)
    : TDitherEngine(lookup, width), divisor_(divisor), taps_(taps) {
    int deepest = 0;
    for (const TDiffusionTap& t : taps) deepest = std::max(deepest, t.row);
    rows_ = deepest + 1;
    rowStride_ = (static_cast<size_t>(std::max<int32_t>(width, 0)) + 2 * kPad) * 3;
    const unsigned long long count = static_cast<unsigned long long>(rowStride_) * static_cast<unsigned>(rows_);
    CheckAllocationSize(count * sizeof(int32_t));
    accumulators_.assign(static_cast<size_t>(count), 0);
}

int TErrorDiffusionDitherer::Diffuse(const int channel[3], TRGBQuad& chosen) {
    const int32_t x = column_;
    int32_t* here = Slot(0) + static_cast<size_t>(x + kPad) * 3;
    int value[3];
    for (int c = 0; c < 3; ++c) {
        // C++ division truncates toward zero, as the rounding of the accumulated error asks.
        const int v = channel[c] + (here[c] + divisor_ / 2) / divisor_;
        value[c] = std::clamp(v, 0, 255);
    }
    const int index = lookup_.NearestEntry(value[2], value[1], value[0], chosen);
    const int error[3] = {value[0] - chosen.Blue, value[1] - chosen.Green, value[2] - chosen.Red};
    if (error[0] != 0 || error[1] != 0 || error[2] != 0) {
        for (const TDiffusionTap& t : taps_) {
            const int32_t target = x + t.offset * direction_;
            // Shares beyond the padding cannot reach a pixel; the padding swallows the rest.
            int32_t* acc = Slot(t.row) + static_cast<size_t>(target + kPad) * 3;
            for (int c = 0; c < 3; ++c) acc[c] += error[c] * t.weight;
        }
    }
    column_ += direction_;
    return index;
}

int TErrorDiffusionDitherer::DitherPixel(int red, int green, int blue, TRGBQuad& chosen) {
    if (column_ < 0 || column_ >= width_) {  // outside the row: nothing to accumulate into
        column_ += direction_;
        return lookup_.NearestEntry(red, green, blue, chosen);
    }
    const int channel[3] = {blue, green, red};
    return Diffuse(channel, chosen);
}

void TErrorDiffusionDitherer::NextRow() {
    int32_t* done = Slot(0);
    std::fill(done, done + rowStride_, 0);
    first_ = (first_ + 1) % rows_;
    TDitherEngine::NextRow();
}

void TErrorDiffusionDitherer::DitherRow(const uint8_t* pixels, int pixelBytes, uint8_t* indices) {
    TRGBQuad chosen;
    while (column_ >= 0 && column_ < width_) {
        const int32_t x = column_;
        const uint8_t* p = pixels + static_cast<size_t>(x) * static_cast<size_t>(pixelBytes);
        const int channel[3] = {p[0], p[1], p[2]};
        indices[x] = static_cast<uint8_t>(Diffuse(channel, chosen));
    }
    NextRow();
}

TFloydSteinbergDitherer::TFloydSteinbergDitherer(TColorLookup& lookup, int32_t width)
    : TErrorDiffusionDitherer(lookup, width, 16, kFloydSteinberg) {}
TStuckiDitherer::TStuckiDitherer(TColorLookup& lookup, int32_t width) : T5by3Ditherer(lookup, width, 42, kStucki) {}
TSierraDitherer::TSierraDitherer(TColorLookup& lookup, int32_t width) : T5by3Ditherer(lookup, width, 32, kSierra) {}
TJaJuNiDitherer::TJaJuNiDitherer(TColorLookup& lookup, int32_t width) : T5by3Ditherer(lookup, width, 48, kJaJuNi) {}
TSteveArcheDitherer::TSteveArcheDitherer(TColorLookup& lookup, int32_t width)
    : TErrorDiffusionDitherer(lookup, width, 200, kSteveArche) {}
TBurkesDitherer::TBurkesDitherer(TColorLookup& lookup, int32_t width)
    : TErrorDiffusionDitherer(lookup, width, 32, kBurkes) {}

std::unique_ptr<TDitherEngine> MakeDitherer(int ditherMode, TColorLookup& lookup, int32_t width) {
    switch (ditherMode) {
        case 0: return std::make_unique<TDitherEngine>(lookup, width);
        case 1: return std::make_unique<TFloydSteinbergDitherer>(lookup, width);
        case 2: return std::make_unique<TStuckiDitherer>(lookup, width);
        case 3: return std::make_unique<TSierraDitherer>(lookup, width);
        case 4: return std::make_unique<TJaJuNiDitherer>(lookup, width);
        case 5: return std::make_unique<TSteveArcheDitherer>(lookup, width);
        case 6: return std::make_unique<TBurkesDitherer>(lookup, width);
        default: return nullptr;
    }
}

}  // namespace nox
