// The device bitmap: pixel memory in the BMP layouts and its conversions to 32 and 24 bits.
#include "platform/Bitmap.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>

#include "platform/Canvas.h"
#include "platform/Errors.h"
#include "platform/Stream.h"
#include "platform/VectorCode.h"

namespace nox {

namespace {

TBitmap::Reader& CodecReader() {
    static TBitmap::Reader reader;
    return reader;
}

TBitmap::Writer& CodecWriter() {
    static TBitmap::Writer writer;
    return writer;
}

bool IsValidDepth(int bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

// Turns one masked field into 8 bits: the top 8 bits of a wide field, or a narrow field with its
// high bits repeated into the low ones (5 bits 10110 become 10110101), so that the field's
// maximum becomes 255.
struct FieldWidener {
    uint32_t mask = 0;
    int shift = 0;
    int bits = 0;

    explicit FieldWidener(uint32_t m) : mask(m) {
        if (m == 0) return;
        shift = std::countr_zero(m);
        bits = 32 - std::countl_zero(m >> shift);
    }

    uint8_t operator()(uint32_t pixel) const {
        if (bits == 0) return 0;
        const uint32_t v = (pixel & mask) >> shift;
        if (bits >= 8) return static_cast<uint8_t>(v >> (bits - 8));
        uint32_t out = 0;
        int filled = 0;
        while (filled < 8) {
            const int take = std::min(bits, 8 - filled);
            out = (out << take) | (v >> (bits - take));
            filled += take;
        }
        return static_cast<uint8_t>(out);
    }
};

// The 32-bit pixel (blue, green, red, 0) of each index; indices beyond the table are black.
std::array<uint32_t, 256> IndexTable(const std::vector<TRGBQuad>& table) {
    std::array<uint32_t, 256> lut{};
    for (size_t i = 0; i < table.size() && i < 256; ++i)
        lut[i] = table[i].Blue | (uint32_t{table[i].Green} << 8) | (uint32_t{table[i].Red} << 16);
    return lut;
}

void Bgr24To32Scalar(const uint8_t* row, uint32_t* out, int32_t from, int32_t width) {
    for (int32_t x = from; x < width; ++x)
        out[x] = row[3 * x] | (uint32_t{row[3 * x + 1]} << 8) | (uint32_t{row[3 * x + 2]} << 16);
}

#if NOX_SSE2
// Four pixels per byte shuffle: about eight times the plain loop, which is what keeps reading a
// 24-bit picture near the speed of the file read. Each step loads 16 bytes and uses 12, so it
// stops while at least two pixels (6 bytes) remain; those go through the plain loop.
__attribute__((target("ssse3"))) void Bgr24To32Ssse3(const uint8_t* row, uint32_t* out, int32_t width) {
    const __m128i spread = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    int32_t x = 0;
    for (; x + 6 <= width; x += 4) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + 3 * x));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm_shuffle_epi8(bytes, spread));
    }
    Bgr24To32Scalar(row, out, x, width);
}
#endif

// Blue-green-red bytes to 32-bit pixels with a fourth byte of 0.
void Bgr24To32(const uint8_t* row, uint32_t* out, int32_t width) {
#if NOX_SSE2
    if (HasSsse3()) {
        Bgr24To32Ssse3(row, out, width);
        return;
    }
#endif
    Bgr24To32Scalar(row, out, 0, width);
}

}  // namespace

TBitmap::TBitmap(const TBitmap& other) : TGraphic() { *this = other; }

TBitmap& TBitmap::operator=(const TBitmap& other) {
    if (this == &other) return *this;
    width_ = other.width_;
    height_ = other.height_;
    bitsPerPixel_ = other.bitsPerPixel_;
    pixels_ = other.pixels_;
    colorTable_ = other.colorTable_;
    hasBitFields_ = other.hasBitFields_;
    redMask_ = other.redMask_;
    greenMask_ = other.greenMask_;
    blueMask_ = other.blueMask_;
    alphaDefined_ = other.alphaDefined_;
    return *this;
}

size_t TBitmap::RowBytesFor(int32_t width, int bitsPerPixel) {
    const uint64_t bits = static_cast<uint64_t>(std::max<int32_t>(width, 0)) * static_cast<uint64_t>(bitsPerPixel);
    return static_cast<size_t>((bits + 31) / 32 * 4);
}

void TBitmap::SetSize(int32_t width, int32_t height) { Resize(width, height, TPixelBlock::TFill::Zero); }

void TBitmap::SetSizeUncleared(int32_t width, int32_t height) { Resize(width, height, TPixelBlock::TFill::Uncleared); }

void TBitmap::Resize(int32_t width, int32_t height, TPixelBlock::TFill fill) {
    width = std::max<int32_t>(width, 0);
    height = std::max<int32_t>(height, 0);
    const uint64_t bytes = static_cast<uint64_t>(RowBytesFor(width, bitsPerPixel_)) * static_cast<uint64_t>(height);
    CheckAllocationSize(bytes);
    TPixelBlock pixels;
    try {
        pixels = TPixelBlock(static_cast<size_t>(bytes), fill);
    } catch (const std::bad_alloc&) {
        throw EOutOfMemory(msg::kOutOfMemory);
    }
    pixels_ = std::move(pixels);
    width_ = width;
    height_ = height;
}

void TBitmap::SetBitsPerPixel(int bits) {
    if (!IsValidDepth(bits)) throw EInvalidGraphic(msg::kInvalidBitmap);
    bitsPerPixel_ = bits;
    if (bits != 16 && bits != 32) hasBitFields_ = false;
    SetSize(width_, height_);
}

void TBitmap::SetColorTable(std::vector<TRGBQuad> table) {
    if (table.size() > 256) table.resize(256);
    colorTable_ = std::move(table);
}

void TBitmap::SetBitFields(uint32_t redMask, uint32_t greenMask, uint32_t blueMask) {
    hasBitFields_ = true;
    redMask_ = redMask;
    greenMask_ = greenMask;
    blueMask_ = blueMask;
}

void TBitmap::RowTo32(int32_t y, uint32_t* out) const {
    const uint8_t* row = ScanLine(y);
    const int32_t w = width_;
    switch (bitsPerPixel_) {
        case 1:
        case 4:
        case 8: {
            const auto lut = IndexTable(colorTable_);
            if (bitsPerPixel_ == 8) {
                for (int32_t x = 0; x < w; ++x) out[x] = lut[row[x]];
            } else if (bitsPerPixel_ == 4) {
                for (int32_t x = 0; x < w; ++x) out[x] = lut[(row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F];
            } else {
                for (int32_t x = 0; x < w; ++x) out[x] = lut[(row[x >> 3] >> (7 - (x & 7))) & 1];
            }
            break;
        }
        case 16: {
            const FieldWidener r(hasBitFields_ ? redMask_ : 0x7C00), g(hasBitFields_ ? greenMask_ : 0x03E0),
                b(hasBitFields_ ? blueMask_ : 0x001F);
            for (int32_t x = 0; x < w; ++x) {
                const uint32_t p = row[2 * x] | (uint32_t{row[2 * x + 1]} << 8);
                out[x] = b(p) | (uint32_t{g(p)} << 8) | (uint32_t{r(p)} << 16);
            }
            break;
        }
        case 24:
            Bgr24To32(row, out, w);
            break;
        case 32:
            if (!hasBitFields_) {
                std::memcpy(out, row, static_cast<size_t>(w) * 4);
            } else {
                const FieldWidener r(redMask_), g(greenMask_), b(blueMask_);
                for (int32_t x = 0; x < w; ++x) {
                    uint32_t p;
                    std::memcpy(&p, row + 4 * x, 4);
                    out[x] = b(p) | (uint32_t{g(p)} << 8) | (uint32_t{r(p)} << 16);
                }
            }
            break;
        default:
            break;
    }
}

void TBitmap::RowTo24(int32_t y, uint8_t* out) const {
    if (bitsPerPixel_ == 24) {
        std::memcpy(out, ScanLine(y), static_cast<size_t>(width_) * 3);
        return;
    }
    std::vector<uint32_t> row(static_cast<size_t>(width_));
    RowTo32(y, row.data());
    for (int32_t x = 0; x < width_; ++x) {
        out[3 * x] = static_cast<uint8_t>(row[x]);
        out[3 * x + 1] = static_cast<uint8_t>(row[x] >> 8);
        out[3 * x + 2] = static_cast<uint8_t>(row[x] >> 16);
    }
}

TBitmap TBitmap::ConvertedTo(int bitsPerPixel) const {
    if (bitsPerPixel != 24 && bitsPerPixel != 32) throw EInvalidGraphic(msg::kInvalidBitmap);
    TBitmap out;
    out.bitsPerPixel_ = bitsPerPixel;
    out.colorTable_ = colorTable_;
    out.SetSize(width_, height_);
    for (int32_t y = 0; y < height_; ++y) {
        if (bitsPerPixel == 24) {
            RowTo24(y, out.ScanLine(y));
        } else {
            RowTo32(y, reinterpret_cast<uint32_t*>(out.ScanLine(y)));
        }
    }
    return out;
}

void TBitmap::Draw(TCanvas& canvas, const TRect& rect) { canvas.StretchBitmap(rect, *this); }

void TBitmap::LoadFromStream(TStream& stream) {
    if (!CodecReader()) throw EInvalidGraphic(msg::kInvalidBitmap);
    CodecReader()(*this, stream);
}

void TBitmap::SaveToStream(TStream& stream) {
    if (!CodecWriter()) throw EInvalidGraphic(msg::kInvalidBitmap);
    CodecWriter()(*this, stream);
}

void TBitmap::Assign(TPersistent* source) {
    if (auto* bitmap = dynamic_cast<TBitmap*>(source)) {
        *this = *bitmap;
        return;
    }
    TGraphic::Assign(source);
}

void TBitmap::SetCodec(Reader reader, Writer writer) {
    CodecReader() = std::move(reader);
    CodecWriter() = std::move(writer);
}

}  // namespace nox
