// The pictures every benchmark works on, generated once per run at 4000 x 3000 so that no large
// files live in the repository: a photo-like picture (smooth gradients with noise) and a flat one
// (large areas of a few colours, like a diagram), with the file forms the codecs read.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace nox::bench {

inline constexpr int kWidth = 4000;
inline constexpr int kHeight = 3000;
inline constexpr size_t kPixels = size_t{kWidth} * kHeight;

enum class Kind { Photo, Flat };
inline const char* KindName(Kind kind) { return kind == Kind::Photo ? "photo" : "flat"; }

// 32-bit pixels, top row first, blue-green-red-alpha in memory, alpha 255.
const std::vector<uint32_t>& Pixels32(Kind kind);
// The same pixels as 24-bit blue-green-red rows, top row first, rows padded to 4 bytes.
const std::vector<uint8_t>& Pixels24(Kind kind);
size_t RowBytes24();
// Indices into the 6 x 6 x 6 colour cube (red x 36 + green x 6 + blue, levels 0, 51, ... 255),
// one byte per pixel, top row first, as the GIF save's default reduction makes them from the
// picture, and the cube itself as red-green-blue triples.
const std::vector<uint8_t>& CubeIndices(Kind kind);
const std::vector<uint8_t>& CubeRGB();

// Whole BMP files (14 + 40 byte headers, bottom-up, no colour table) at 24 or 32 bits per pixel.
std::vector<uint8_t> BmpFile(Kind kind, int bitsPerPixel);

// A scratch folder for files the benchmarks write and read ($NOXSTEG_BENCH_DIR or /tmp).
std::string ScratchPath(const std::string& name);
void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace nox::bench
