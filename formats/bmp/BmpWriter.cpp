// The BMP writer: one variant only, uncompressed 32 bits per pixel, bottom row first, a 54-byte
// header and no colour table.
#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

#include "formats/bmp/Bmp.h"
#include "formats/bmp/BmpHeader.h"
#include "platform/Errors.h"

namespace nox {

using namespace bmp;

namespace {

constexpr uint32_t kHeadersSize = kFileHeaderSize + kInfoHeaderSize;  // 54
// Rows are gathered into blocks of about this size: large enough that a picture costs few
// writes, small enough that the fresh block costs few page faults.
constexpr size_t kBlockBytes = size_t{256} << 10;

void PutFileHeader(uint8_t* h, uint32_t fileSize) {
    Put16(h + 0, kFileType);
    Put32(h + 2, fileSize);
    Put16(h + 6, 0);  // reserved
    Put16(h + 8, 0);  // reserved
    Put32(h + 10, kHeadersSize);  // pixel data offset
}

void PutInfoHeader(uint8_t* h, int32_t width, int32_t height, uint32_t imageBytes) {
    Put32(h + 0, kInfoHeaderSize);
    Put32(h + 4, static_cast<uint32_t>(width));
    Put32(h + 8, static_cast<uint32_t>(height));  // positive: bottom row first
    Put16(h + 12, 1);                             // planes
    Put16(h + 14, 32);                            // bits per pixel
    Put32(h + 16, biRGB);
    Put32(h + 20, imageBytes);
    Put32(h + 24, 0);  // horizontal resolution
    Put32(h + 28, 0);  // vertical resolution
    Put32(h + 32, 0);  // colours used
    Put32(h + 36, 0);  // colours important
}

}  // namespace

void WriteBmp(const TBitmap& bitmap, TStream& stream) {
    const int32_t width = bitmap.GetWidth();
    const int32_t height = bitmap.GetHeight();
    if (width == 0 || height == 0) return;  // an empty picture is a file of 0 bytes

    const uint64_t rowBytes = uint64_t{4} * static_cast<uint64_t>(width);
    const uint64_t imageBytes = rowBytes * static_cast<uint64_t>(height);
    // The size fields have 32 bits; a picture beyond them cannot be written truthfully.
    if (imageBytes > std::numeric_limits<uint32_t>::max() - kHeadersSize) throw EInvalidGraphic(msg::kInvalidBitmap);

    uint8_t headers[kHeadersSize];
    PutFileHeader(headers, static_cast<uint32_t>(kHeadersSize + imageBytes));
    PutInfoHeader(headers + kFileHeaderSize, width, height, static_cast<uint32_t>(imageBytes));
    stream.WriteBuffer(headers, sizeof headers);

    // A plain 32-bit picture (what a pane gives) is copied as it is, fourth bytes included; any
    // other layout is converted row by row.
    const bool plain = bitmap.BitsPerPixel() == 32 && !bitmap.HasBitFields();
    const size_t row = static_cast<size_t>(rowBytes);
    const size_t rowsPerBlock = std::min<size_t>(std::max<size_t>(1, kBlockBytes / row), static_cast<size_t>(height));
    std::vector<uint8_t> block(rowsPerBlock * row);
    for (int32_t y = height - 1; y >= 0;) {
        size_t filled = 0;
        for (size_t r = 0; r < rowsPerBlock && y >= 0; ++r, --y, filled += row) {
            if (plain) {
                std::memcpy(block.data() + filled, bitmap.ScanLine(y), row);
            } else {
                bitmap.RowTo32(y, reinterpret_cast<uint32_t*>(block.data() + filled));
            }
        }
        stream.WriteBuffer(block.data(), filled);
    }
}

}  // namespace nox
