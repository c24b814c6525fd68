// The ditherers of the colour reduction: the plain nearest-colour walk (mode 0) and the error
// diffusion kernels (Floyd-Steinberg, Stucki, Sierra, Jarvis-Judice-Ninke, Stevenson-Arce,
// Burkes). Rows are walked alternately left to right and right to left, starting left to right.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "formats/gif/ColorLookup.h"

namespace nox {

// DitherMode 0: each pixel maps to its look-up's nearest entry on its own.
class TDitherEngine {
public:
    // `lookup` is not owned and must outlive the ditherer.
    TDitherEngine(TColorLookup& lookup, int32_t width) : lookup_(lookup), width_(width) {}
    virtual ~TDitherEngine() = default;
    TDitherEngine(const TDitherEngine&) = delete;
    TDitherEngine& operator=(const TDitherEngine&) = delete;

    // Maps the pixel at the current column and moves the column one step in the direction of
    // travel. Returns the palette index; `chosen` gets that entry's colour.
    virtual int DitherPixel(int red, int green, int blue, TRGBQuad& chosen);
    // Reverses the direction; the column becomes 0 (left to right) or width - 1.
    virtual void NextRow();

    // Maps one row of pixels into `indices`, walking from the current column in the direction of
    // travel, then moves to the next row. Pixels are blue, green, red and, when `pixelBytes` is 4,
    // a fourth byte that plays no part.
    virtual void DitherRow(const uint8_t* pixels, int pixelBytes, uint8_t* indices);
    void DitherRow(const uint8_t* bgr, uint8_t* indices) { DitherRow(bgr, 3, indices); }

    int32_t Column() const { return column_; }
    int Direction() const { return direction_; }
    int32_t Width() const { return width_; }

protected:
    TColorLookup& lookup_;
    int32_t width_;
    int direction_ = 1;
    int32_t column_ = 0;
};

// One share of a pixel's error: `row` rows below (0 = this row), `offset` columns ahead in the
// direction of travel (negative: behind), times `weight`.
struct TDiffusionTap {
    int row;
    int offset;
    int weight;
};

// Error diffusion with whole-number accumulators: value := channel + (accumulated + divisor div 2)
// div divisor (truncating toward zero), clamped to 0-255; the error against the chosen entry is
// spread by the kernel's taps. Shares that fall outside the picture are dropped; a row's
// accumulators are zeroed when its slot is reused.
class TErrorDiffusionDitherer : public TDitherEngine {
public:
    TErrorDiffusionDitherer(TColorLookup& lookup, int32_t width, int divisor, std::span<const TDiffusionTap> taps);

    int DitherPixel(int red, int green, int blue, TRGBQuad& chosen) override;
    void NextRow() override;
    using TDitherEngine::DitherRow;
    void DitherRow(const uint8_t* pixels, int pixelBytes, uint8_t* indices) override;

private:
    static constexpr int kPad = 3;  // widest reach of a kernel, left and right
    int Diffuse(const int channel[3], TRGBQuad& chosen);
    int32_t* Slot(int row) {
        return accumulators_.data() + static_cast<size_t>((first_ + row) % rows_) * rowStride_;
    }

    int divisor_;
    std::span<const TDiffusionTap> taps_;
    int rows_;          // the current row and the rows below that the kernel reaches
    int first_ = 0;     // the slot of the current row
    size_t rowStride_;  // (width + 2 pad) x 3 channels
    std::vector<int32_t> accumulators_;
};

class TFloydSteinbergDitherer : public TErrorDiffusionDitherer {
public:
    TFloydSteinbergDitherer(TColorLookup& lookup, int32_t width);
};

// The kernels that reach two columns to each side and two rows down.
class T5by3Ditherer : public TErrorDiffusionDitherer {
protected:
    using TErrorDiffusionDitherer::TErrorDiffusionDitherer;
};

class TStuckiDitherer : public T5by3Ditherer {
public:
    TStuckiDitherer(TColorLookup& lookup, int32_t width);
};

class TSierraDitherer : public T5by3Ditherer {
public:
    TSierraDitherer(TColorLookup& lookup, int32_t width);
};

// Jarvis, Judice and Ninke.
class TJaJuNiDitherer : public T5by3Ditherer {
public:
    TJaJuNiDitherer(TColorLookup& lookup, int32_t width);
};

// Stevenson and Arce.
class TSteveArcheDitherer : public TErrorDiffusionDitherer {
public:
    TSteveArcheDitherer(TColorLookup& lookup, int32_t width);
};

class TBurkesDitherer : public TErrorDiffusionDitherer {
public:
    TBurkesDitherer(TColorLookup& lookup, int32_t width);
};

// The ditherer of a DitherMode (0 to 6), or null for any other value.
std::unique_ptr<TDitherEngine> MakeDitherer(int ditherMode, TColorLookup& lookup, int32_t width);

}  // namespace nox
