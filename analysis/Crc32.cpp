// CRC-32 by zlib's crc32, which is several times faster than a table of our own (a record may fill
// a whole picture's capacity: 4.5 MB for one plane of three channels of 4000 x 3000).
#include "analysis/Crc32.h"

#include <zlib.h>

#include <algorithm>

namespace nox::analysis {

uint32_t Crc32(std::span<const uint8_t> bytes, uint32_t crc) {
    uLong value = crc;
    // zlib takes a 32-bit length; a picture's capacity stays far below it, but walk in pieces anyway.
    for (size_t at = 0; at < bytes.size();) {
        const size_t piece = std::min<size_t>(bytes.size() - at, 1u << 30);
        value = crc32(value, bytes.data() + at, static_cast<uInt>(piece));
        at += piece;
    }
    return static_cast<uint32_t>(value);
}

}  // namespace nox::analysis
