// CRC-32 with the polynomial of zlib and PNG (reflected 0xEDB88320, start and end inverted), which
// a hidden payload record carries to tell a real payload from chance bits.
#pragma once

#include <cstdint>
#include <span>

namespace nox::analysis {

// The CRC of `bytes` continued from `crc` (the CRC of the bytes before; 0 to start), as zlib's
// crc32(crc, bytes, size).
uint32_t Crc32(std::span<const uint8_t> bytes, uint32_t crc = 0);

}  // namespace nox::analysis
