// Run-length decoding of BMP pixel data, clipped to the picture.
#include "formats/bmp/BmpRle.h"

#include <algorithm>
#include <cstring>

namespace nox::bmp {

namespace {

// Writes colour indices into one row, 8 or 4 bits each.
struct RowWriter {
    uint8_t* row;
    bool nibbles;

    void Fill(int32_t from, int32_t to, uint8_t value) const {
        if (!nibbles) {
            std::memset(row + from, value, static_cast<size_t>(to - from));
            return;
        }
        // An RLE4 run alternates the value's high and low nibble, starting with the high one.
        for (int32_t x = from; x < to; ++x) Put(x, ((x - from) & 1) ? (value & 0x0F) : (value >> 4));
    }

    void Put(int32_t x, uint8_t index) const {
        if (!nibbles) {
            row[x] = index;
            return;
        }
        uint8_t& b = row[x >> 1];
        b = (x & 1) ? static_cast<uint8_t>((b & 0xF0) | index) : static_cast<uint8_t>((b & 0x0F) | (index << 4));
    }
};

}  // namespace

void DecodeRle(std::span<const uint8_t> data, TBitmap& bitmap) {
    const int32_t width = bitmap.GetWidth();
    const int32_t height = bitmap.GetHeight();
    const bool nibbles = bitmap.BitsPerPixel() == 4;
    const size_t size = data.size();
    size_t p = 0;
    // x stays within [0, width]: everything at or beyond the right edge is clipped alike.
    int32_t x = 0;
    int32_t line = 0;  // rows from the bottom
    auto rowAt = [&](int32_t fromBottom) { return RowWriter{bitmap.ScanLine(height - 1 - fromBottom), nibbles}; };

    while (line < height && p + 1 < size) {
        const uint8_t first = data[p];
        const uint8_t second = data[p + 1];
        p += 2;
        if (first > 0) {  // encoded run: `first` pixels of `second`
            const int32_t end = std::min<int32_t>(x + first, width);
            if (x < end) rowAt(line).Fill(x, end, second);
            x = end;
            continue;
        }
        switch (second) {
            case 0:  // end of line
                x = 0;
                ++line;
                break;
            case 1:  // end of bitmap
                return;
            case 2:  // delta: right and up
                if (p + 1 >= size) return;
                x = std::min<int32_t>(x + data[p], width);
                line += data[p + 1];
                p += 2;
                break;
            default: {  // absolute run of `second` indices, padded to an even number of bytes
                const size_t count = second;
                const size_t bytes = nibbles ? (count + 1) / 2 : count;
                const size_t present = std::min(bytes, size - p);
                const RowWriter row = rowAt(line);
                for (size_t i = 0; i < count && x < width; ++i, ++x) {
                    const size_t byte = nibbles ? i / 2 : i;
                    if (byte >= present) break;
                    const uint8_t v = nibbles ? ((i & 1) ? (data[p + byte] & 0x0F) : (data[p + byte] >> 4)) : data[p + byte];
                    row.Put(x, v);
                }
                // Pixels beyond the right edge are skipped with their bytes.
                p += std::min(bytes + (bytes & 1), size - p);
                break;
            }
        }
    }
}

}  // namespace nox::bmp
