// Builds BMP files field by field for the reader's tests, so that each test states only the fields
// it is about.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Bitmap.h"

namespace nox::test {

struct BmpFields {
    uint16_t Type = 0x4D42;
    uint32_t HeaderSize = 40;  // 12 gives a core header
    int32_t Width = 1;
    int32_t Height = 1;
    uint16_t Planes = 1;
    uint16_t Bits = 24;
    uint32_t Compression = 0;
    uint32_t SizeImage = 0;
    uint32_t ClrUsed = 0;
    std::vector<uint32_t> Masks;    // after a 40-byte header, or inside a longer one
    std::vector<uint8_t> Table;     // colour-table bytes as stored
    std::vector<uint8_t> Gap;       // bytes between the table and the pixels
    std::vector<uint8_t> Pixels;    // pixel bytes as stored
    int64_t PixelOffset = -1;       // -1: where the pixels really begin
};

inline void Put(std::vector<uint8_t>& out, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

inline std::vector<uint8_t> BuildBmp(const BmpFields& f) {
    std::vector<uint8_t> info;
    Put(info, f.HeaderSize, 4);
    if (f.HeaderSize == 12) {
        Put(info, static_cast<uint16_t>(f.Width), 2);
        Put(info, static_cast<uint16_t>(f.Height), 2);
        Put(info, f.Planes, 2);
        Put(info, f.Bits, 2);
    } else {
        Put(info, static_cast<uint32_t>(f.Width), 4);
        Put(info, static_cast<uint32_t>(f.Height), 4);
        Put(info, f.Planes, 2);
        Put(info, f.Bits, 2);
        Put(info, f.Compression, 4);
        Put(info, f.SizeImage, 4);
        Put(info, 2835, 4);  // resolutions
        Put(info, 2835, 4);
        Put(info, f.ClrUsed, 4);
        Put(info, 0, 4);
        if (f.HeaderSize == 40) {
            for (uint32_t m : f.Masks) Put(info, m, 4);
        } else {
            for (uint32_t m : f.Masks) Put(info, m, 4);
            info.resize(f.HeaderSize, 0);
        }
    }
    const size_t pixelStart = 14 + info.size() + f.Table.size() + f.Gap.size();
    std::vector<uint8_t> out;
    Put(out, f.Type, 2);
    Put(out, pixelStart + f.Pixels.size(), 4);
    Put(out, 0, 4);
    Put(out, f.PixelOffset < 0 ? pixelStart : static_cast<uint64_t>(f.PixelOffset), 4);
    out.insert(out.end(), info.begin(), info.end());
    out.insert(out.end(), f.Table.begin(), f.Table.end());
    out.insert(out.end(), f.Gap.begin(), f.Gap.end());
    out.insert(out.end(), f.Pixels.begin(), f.Pixels.end());
    return out;
}

// Every pixel of a device bitmap as 32-bit blue-green-red-fourth values, top row first.
inline std::vector<uint32_t> PixelsOf(const TBitmap& bitmap) {
    std::vector<uint32_t> out(static_cast<size_t>(bitmap.GetWidth()) * static_cast<size_t>(bitmap.GetHeight()));
    for (int32_t y = 0; y < bitmap.GetHeight(); ++y)
        bitmap.RowTo32(y, out.data() + static_cast<size_t>(y) * static_cast<size_t>(bitmap.GetWidth()));
    return out;
}

}  // namespace nox::test
