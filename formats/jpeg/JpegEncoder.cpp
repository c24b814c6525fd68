// Encoding a device bitmap as a baseline (or progressive) JFIF file with the library's defaults
// at the picture's quality.
#include <algorithm>
#include <new>

#include "formats/jpeg/JpegCodec.h"
#include "formats/jpeg/JpegLibrary.h"

namespace nox::jpeg {

namespace {
constexpr uint64_t kMaxReserve = uint64_t{1} << 30;
}  // namespace

std::vector<uint8_t> Encode(const TBitmap& picture, const TJPEGSettings& settings) {
    std::vector<uint8_t> bytes;
    const int32_t width = picture.GetWidth(), height = picture.GetHeight();
    if (width == 0 || height == 0) return bytes;

    // 24-bit and plain 32-bit rows go to the library as they are stored (blue, green, red and, for
    // 32 bits, a fourth byte the colour conversion skips, so alpha never reaches the file). Other
    // formats are converted one row at a time into a 32-bit row buffer; the file is the same as
    // from a 24-bit copy of the whole picture, without the copy.
    const bool rows24 = picture.BitsPerPixel() == 24;
    const bool rows32 = picture.BitsPerPixel() == 32 && !picture.HasBitFields();
    std::vector<uint32_t> converted;
    if (!rows24 && !rows32) converted.resize(static_cast<size_t>(width));

    // Room reserved up front for the largest file the picture can plausibly give: the pages are
    // only touched as the library fills them, and the buffer never has to move while it grows.
    try {
        bytes.reserve(static_cast<size_t>(std::min<uint64_t>(uint64_t{static_cast<uint32_t>(width)} * static_cast<uint32_t>(height) * 3 / 2 + 65536, kMaxReserve)));
    } catch (const std::bad_alloc&) {
        // Growing as needed works too.
    }
    Compressor cc(bytes);
    jpeg_compress_struct& c = cc.cinfo;
    c.image_width = static_cast<JDIMENSION>(width);
    c.image_height = static_cast<JDIMENSION>(height);
    c.input_components = rows24 ? 3 : 4;
    c.in_color_space = rows24 ? JCS_EXT_BGR : JCS_EXT_BGRX;
    cc.Run([&] {
        jpeg_set_defaults(&c);
        jpeg_set_quality(&c, settings.CompressionQuality, TRUE);
        if (settings.Grayscale) jpeg_set_colorspace(&c, JCS_GRAYSCALE);
        if (settings.ProgressiveEncoding) jpeg_simple_progression(&c);
        jpeg_start_compress(&c, TRUE);
    });
    for (int32_t y = 0; y < height; ++y) {
        JSAMPROW row;
        if (converted.empty()) {
            // The library only reads input rows; its interface just lacks the const.
            row = const_cast<JSAMPROW>(picture.ScanLine(y));
        } else {
            picture.RowTo32(y, converted.data());
            row = reinterpret_cast<JSAMPROW>(converted.data());
        }
        cc.Run([&] { jpeg_write_scanlines(&c, &row, 1); });
    }
    cc.Run([&] { jpeg_finish_compress(&c); });
    return bytes;
}

}  // namespace nox::jpeg
