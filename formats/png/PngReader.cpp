// Reading a PNG file through libspng into a 32-bit device bitmap with the file's alpha.
#include <spng.h>

#include <memory>

#include "formats/png/PngImage.h"
#include "platform/Errors.h"

namespace nox {

namespace {

// One ancillary chunk that libspng keeps (text, profiles), and all of them together, may take this
// much memory; a file of a few bytes could otherwise inflate compressed text without bound. Image
// data is not counted (libspng wants the first limit no larger than the second).
constexpr size_t kChunkLimit = size_t{64} << 20;

struct TContextFree {
    void operator()(spng_ctx* ctx) const { spng_ctx_free(ctx); }
};
using TDecoder = std::unique_ptr<spng_ctx, TContextFree>;

void Check(int result) {
    if (result != 0) throw EInvalidGraphic(Format(pngmsg::kInvalidPNG, spng_strerror(result)));
}

// Red-green-blue-alpha becomes the device bitmap's blue-green-red-alpha: in a little-endian
// 32-bit word the first and third bytes trade places. The words go in blocks of a fixed count,
// which the compiler turns into vector instructions even at -O2 (it does not for a loop of
// unknown length there).
uint32_t SwapRedAndBlue(uint32_t p) { return (p & 0xFF00FF00u) | (p >> 16 & 0xFFu) | (p & 0xFFu) << 16; }

void SwapRedAndBlue(uint8_t* pixels, size_t bytes) {
    constexpr size_t kBlock = 16;
    auto* words = reinterpret_cast<uint32_t*>(pixels);
    const size_t count = bytes / 4;
    size_t i = 0;
    for (; i + kBlock <= count; i += kBlock)
        for (size_t j = i; j < i + kBlock; ++j) words[j] = SwapRedAndBlue(words[j]);
    for (; i < count; ++i) words[i] = SwapRedAndBlue(words[i]);
}

}  // namespace

void ReadPng(std::span<const uint8_t> file, TBitmap& bitmap) {
    TDecoder ctx(spng_ctx_new(0));
    if (!ctx) throw EOutOfMemory(msg::kOutOfMemory);
    // CRC errors: critical chunks refused, ancillary ones skipped (libspng's default, said here
    // because a steganography tool must not show pixels from a damaged IDAT).
    Check(spng_set_crc_action(ctx.get(), SPNG_CRC_ERROR, SPNG_CRC_DISCARD));
    Check(spng_set_chunk_limits(ctx.get(), kChunkLimit, kChunkLimit));
    Check(spng_set_png_buffer(ctx.get(), file.data(), file.size()));

    spng_ihdr ihdr{};
    Check(spng_get_ihdr(ctx.get(), &ihdr));
    // The cap before libspng or the bitmap allocates anything of the picture's size.
    CheckAllocationSize(uint64_t{ihdr.width} * ihdr.height * 4);
    size_t bytes = 0;
    Check(spng_decoded_image_size(ctx.get(), SPNG_FMT_RGBA8, &bytes));

    bitmap.SetSize(0, 0);
    bitmap.SetBitsPerPixel(32);
    bitmap.ClearBitFields();
    bitmap.SetColorTable({});
    bitmap.SetSizeUncleared(static_cast<int32_t>(ihdr.width), static_cast<int32_t>(ihdr.height));
    bitmap.SetAlphaDefined(true);
    // Rows of 32 bits have no padding, so libspng fills the bitmap's memory directly. Without the
    // gamma flag the samples stay as stored; the transparency flag turns tRNS into alpha.
    std::span<uint8_t> pixels = bitmap.Pixels();
    if (pixels.size() != bytes) throw EInvalidGraphic(Format(pngmsg::kInvalidPNG, "unexpected image size"));
    const size_t rowBytes = bitmap.RowBytes();
    if (ihdr.interlace_method == SPNG_INTERLACE_NONE) {
        // Row by row, each row turned into the device layout while it is still in the cache
        // rather than in a second pass over the whole picture.
        Check(spng_decode_image(ctx.get(), nullptr, 0, SPNG_FMT_RGBA8, SPNG_DECODE_TRNS | SPNG_DECODE_PROGRESSIVE));
        for (int32_t y = 0; y < bitmap.GetHeight(); ++y) {
            uint8_t* row = bitmap.ScanLine(y);
            const int result = spng_decode_row(ctx.get(), row, rowBytes);
            if (result != SPNG_EOI) Check(result);
            SwapRedAndBlue(row, rowBytes);
        }
    } else {
        // An interlaced picture's rows arrive in seven passes, each filling parts of many rows:
        // the whole picture first, then one pass over it.
        Check(spng_decode_image(ctx.get(), pixels.data(), pixels.size(), SPNG_FMT_RGBA8, SPNG_DECODE_TRNS));
        SwapRedAndBlue(pixels.data(), pixels.size());
    }
    // libspng stops when the image data is inflated, before the last IDAT's checksum. The chunks
    // up to IEND are read too, so that a damaged IDAT is refused as every other critical chunk is;
    // a file that ends before IEND, its pixels complete and checked, still opens.
    if (const int rest = spng_decode_chunks(ctx.get()); rest != SPNG_IO_EOF) Check(rest);
}

}  // namespace nox
