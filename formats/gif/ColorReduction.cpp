// ReduceToPalette: palette, look-up and ditherer by the writer settings, walked over the rows.
#include "formats/gif/ColorReduction.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/Errors.h"

namespace nox {

namespace {

constexpr const char* kInvalidDimensions = "Invalid image dimensions";
constexpr const char* kUnsupportedFormat = "Unsupported PixelFormat";
constexpr const char* kNoDibMemory = "Failed to allocate memory for GIF DIB";

// The octree palette of every pixel of `source`, at most `limit` colours.
TPaletteEntries Quantize(const TBitmap& source, int limit) {
    TColorQuantizer quantizer(limit);
    TDIBReader reader(source);
    for (int32_t y = 0; y < source.GetHeight(); ++y) {
        int pixelBytes;
        const uint8_t* row = reader.Row(y, pixelBytes);
        quantizer.AddRow(row, pixelBytes, source.GetWidth());
    }
    return quantizer.Palette();
}

std::unique_ptr<TColorLookup> MakeLookup(uint8_t reductionMethod, const TPaletteEntries& palette) {
    switch (reductionMethod) {
        case 4: return std::make_unique<TMonochromeLookup>();
        case 5: return std::make_unique<TGrayScaleLookup>();
        case 6: return std::make_unique<TNetscapeColorLookup>();
        default: return std::make_unique<TFastColorLookup>(palette);
    }
}

}  // namespace

// ---- TDIBReader ----------------------------------------------------------------------------------

TDIBReader::TDIBReader(const TBitmap& source) : source_(source) {
    const bool inPlace = source.BitsPerPixel() == 24 || (source.BitsPerPixel() == 32 && !source.HasBitFields());
    if (!inPlace) {
        const size_t width = static_cast<size_t>(source.GetWidth());
        buffer_.resize(width * 3);
        wide_.resize(width);
    }
}

const uint8_t* TDIBReader::Row(int32_t y, int& pixelBytes) {
    if (wide_.empty()) {
        pixelBytes = source_.BitsPerPixel() / 8;
        return source_.ScanLine(y);
    }
    pixelBytes = 3;
    source_.RowTo32(y, wide_.data());
    uint8_t* out = buffer_.data();
    for (const uint32_t p : wide_) {
        out[0] = static_cast<uint8_t>(p);
        out[1] = static_cast<uint8_t>(p >> 8);
        out[2] = static_cast<uint8_t>(p >> 16);
        out += 3;
    }
    return buffer_.data();
}

// ---- the result picture ----------------------------------------------------------------------------

std::unique_ptr<TBitmap> MakeIndexedPicture(int32_t width, int32_t height, int bitsPerPixel,
                                            std::span<const TRGBQuad> palette) {
    if (width <= 0 || height <= 0) throw GIFException(kInvalidDimensions);
    if (bitsPerPixel != 8 && bitsPerPixel != 24) throw GIFException(kUnsupportedFormat);
    auto picture = std::make_unique<TBitmap>();
    try {
        picture->SetBitsPerPixel(bitsPerPixel);
        picture->SetSize(width, height);
    } catch (const EOutOfMemory&) {
        throw EOutOfMemory(kNoDibMemory);
    } catch (const std::bad_alloc&) {
        throw EOutOfMemory(kNoDibMemory);
    }
    if (bitsPerPixel == 8) {
        TPaletteEntries table(palette.begin(), palette.begin() + std::min<size_t>(palette.size(), 256));
        table.resize(256, TRGBQuad{});
        picture->SetColorTable(std::move(table));
    }
    return picture;
}

// ---- palettes ------------------------------------------------------------------------------------

TPaletteEntries MakeReductionPalette(uint8_t reductionMethod, const TBitmap& source,
                                     std::span<const TRGBQuad> given, uint32_t reductionBits) {
    switch (reductionMethod) {
        case 1: return MakeSystemPalette();
        case 2: return MakeHalftonePalette();
        case 3: return MakeFourGrayPalette();
        case 4: return MakeMonochromePalette();
        case 5: return MakeGrayPalette();
        case 6: return MakeCubePalette();
        case 7: {
            // An 8-bit picture holds at most 256 colours; more bits would only let the tree grow.
            const int bits = static_cast<int>(std::min<uint32_t>(reductionBits, 8));
            return Quantize(source, 1 << bits);
        }
        case 8: {
            // The system colours at both ends, the quantised colours from entry 10 on; entries the
            // quantisation leaves unused stay black.
            const TPaletteEntries system = MakeSystemPalette();
            const TPaletteEntries found = Quantize(source, 236);
            TPaletteEntries palette(256, TRGBQuad{});
            std::copy(system.begin(), system.begin() + 10, palette.begin());
            std::copy(system.begin() + 10, system.end(), palette.begin() + 246);
            std::copy(found.begin(), found.end(), palette.begin() + 10);
            return palette;
        }
        case 9: return TPaletteEntries(given.begin(), given.end());
        default: return {};
    }
}

// ---- TPaletteReducer --------------------------------------------------------------------------------

TPaletteReducer::TPaletteReducer(const TBitmap& source, uint8_t reductionMethod, uint8_t ditherMode,
                                 std::span<const TRGBQuad> given, uint32_t reductionBits)
    : reader_(source) {
    if (reductionMethod == 0 || reductionMethod > 9) return;
    palette_ = MakeReductionPalette(reductionMethod, source, given, reductionBits);
    lookup_ = MakeLookup(reductionMethod, palette_);
    if (lookup_->Colors() == 0) return;
    ditherer_ = MakeDitherer(ditherMode, *lookup_, source.GetWidth());
}

void TPaletteReducer::Row(int32_t y, uint8_t* indices) {
    int pixelBytes;
    const uint8_t* row = reader_.Row(y, pixelBytes);
    ditherer_->DitherRow(row, pixelBytes, indices);
}

// ---- ReduceToPalette -------------------------------------------------------------------------------

std::unique_ptr<TBitmap> ReduceToPalette(const TBitmap& source, uint8_t reductionMethod, uint8_t ditherMode,
                                         std::span<const TRGBQuad> given, uint32_t reductionBits) {
    if (reductionMethod == 0) return std::make_unique<TBitmap>(source.ConvertedTo(24));
    TPaletteReducer reducer(source, reductionMethod, ditherMode, given, reductionBits);
    if (!reducer.Valid()) return std::make_unique<TBitmap>();
    std::unique_ptr<TBitmap> result =
        MakeIndexedPicture(source.GetWidth(), source.GetHeight(), 8, reducer.Palette());
    for (int32_t y = 0; y < source.GetHeight(); ++y) reducer.Row(y, result->ScanLine(y));
    return result;
}

}  // namespace nox
