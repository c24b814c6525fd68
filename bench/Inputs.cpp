// Deterministic generation of the benchmark pictures (see Inputs.h).
#include "bench/Inputs.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace nox::bench {
namespace {

// A small fixed-seed generator: the pictures are the same in every run.
struct XorShift {
    uint32_t state;
    uint32_t Next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
};

uint8_t Clamp(int v) { return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); }

std::vector<uint32_t> MakePhoto() {
    std::vector<uint32_t> px(kPixels);
    XorShift rng{0x12345678u};
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            // Gradients in three directions plus a soft round highlight, then sensor-like noise.
            const double fx = double(x) / kWidth, fy = double(y) / kHeight;
            const double dx = fx - 0.6, dy = fy - 0.4;
            const double glow = 90.0 * std::exp(-(dx * dx + dy * dy) * 12.0);
            const int noise = int(rng.Next() % 13) - 6;
            const uint8_t r = Clamp(int(40 + 160 * fx + glow) + noise);
            const uint8_t g = Clamp(int(30 + 120 * fy + glow * 0.8) + noise);
            const uint8_t b = Clamp(int(200 - 150 * fx * fy + glow * 0.5) + noise);
            px[size_t(y) * kWidth + x] = 0xFF000000u | uint32_t(r) << 16 | uint32_t(g) << 8 | b;
        }
    }
    return px;
}

std::vector<uint32_t> MakeFlat() {
    static const uint32_t colours[] = {0xFFFFFFFF, 0xFF000000, 0xFF3366CC, 0xFFCC3333,
                                       0xFF33CC66, 0xFFFFCC00, 0xFF999999, 0xFF6633CC};
    std::vector<uint32_t> px(kPixels, colours[0]);
    XorShift rng{0x9E3779B9u};
    // Boxes of a few colours on white, with black outlines: a diagram.
    for (int box = 0; box < 60; ++box) {
        const int w = 150 + int(rng.Next() % 700), h = 100 + int(rng.Next() % 500);
        const int left = int(rng.Next() % (kWidth - w)), top = int(rng.Next() % (kHeight - h));
        const uint32_t fill = colours[2 + rng.Next() % 6];
        for (int y = top; y < top + h; ++y) {
            for (int x = left; x < left + w; ++x) {
                const bool edge = y < top + 3 || y >= top + h - 3 || x < left + 3 || x >= left + w - 3;
                px[size_t(y) * kWidth + x] = edge ? colours[1] : fill;
            }
        }
    }
    return px;
}

// The cube level that the program's 216-colour reduction (the GIF save's default) gives a channel
// value, so that the peers code the very indices a save of the same picture codes.
int CubeLevel(uint8_t v) { return (v + 3) / 51; }

}  // namespace

const std::vector<uint32_t>& Pixels32(Kind kind) {
    static const std::vector<uint32_t> photo = MakePhoto();
    static const std::vector<uint32_t> flat = MakeFlat();
    return kind == Kind::Photo ? photo : flat;
}

size_t RowBytes24() { return (size_t{kWidth} * 3 + 3) & ~size_t{3}; }

const std::vector<uint8_t>& Pixels24(Kind kind) {
    auto make = [](Kind k) {
        const auto& src = Pixels32(k);
        std::vector<uint8_t> out(RowBytes24() * kHeight);
        for (int y = 0; y < kHeight; ++y) {
            uint8_t* row = out.data() + size_t(y) * RowBytes24();
            for (int x = 0; x < kWidth; ++x) std::memcpy(row + 3 * x, &src[size_t(y) * kWidth + x], 3);
        }
        return out;
    };
    static const std::vector<uint8_t> photo = make(Kind::Photo);
    static const std::vector<uint8_t> flat = make(Kind::Flat);
    return kind == Kind::Photo ? photo : flat;
}

const std::vector<uint8_t>& CubeIndices(Kind kind) {
    auto make = [](Kind k) {
        const auto& src = Pixels32(k);
        std::vector<uint8_t> out(kPixels);
        for (size_t i = 0; i < kPixels; ++i) {
            const uint32_t p = src[i];
            out[i] = uint8_t(CubeLevel(uint8_t(p >> 16)) * 36 + CubeLevel(uint8_t(p >> 8)) * 6 + CubeLevel(uint8_t(p)));
        }
        return out;
    };
    static const std::vector<uint8_t> photo = make(Kind::Photo);
    static const std::vector<uint8_t> flat = make(Kind::Flat);
    return kind == Kind::Photo ? photo : flat;
}

const std::vector<uint8_t>& CubeRGB() {
    static const std::vector<uint8_t> cube = [] {
        std::vector<uint8_t> rgb;
        for (int r = 0; r < 6; ++r)
            for (int g = 0; g < 6; ++g)
                for (int b = 0; b < 6; ++b) rgb.insert(rgb.end(), {uint8_t(r * 51), uint8_t(g * 51), uint8_t(b * 51)});
        return rgb;
    }();
    return cube;
}

std::vector<uint8_t> BmpFile(Kind kind, int bitsPerPixel) {
    const size_t rowBytes = bitsPerPixel == 32 ? size_t{kWidth} * 4 : RowBytes24();
    const uint32_t imageSize = uint32_t(rowBytes * kHeight);
    std::vector<uint8_t> out(54 + imageSize);
    auto put16 = [&](size_t at, uint16_t v) { std::memcpy(&out[at], &v, 2); };
    auto put32 = [&](size_t at, uint32_t v) { std::memcpy(&out[at], &v, 4); };
    out[0] = 'B';
    out[1] = 'M';
    put32(2, uint32_t(out.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, uint32_t(kWidth));
    put32(22, uint32_t(kHeight));
    put16(26, 1);
    put16(28, uint16_t(bitsPerPixel));
    put32(34, imageSize);
    const auto& px32 = Pixels32(kind);
    const auto& px24 = Pixels24(kind);
    for (int y = 0; y < kHeight; ++y) {  // bottom-up
        uint8_t* dst = &out[54 + size_t(kHeight - 1 - y) * rowBytes];
        if (bitsPerPixel == 32)
            std::memcpy(dst, &px32[size_t(y) * kWidth], rowBytes);
        else
            std::memcpy(dst, &px24[size_t(y) * RowBytes24()], rowBytes);
    }
    return out;
}

std::string ScratchPath(const std::string& name) {
    const char* dir = std::getenv("NOXSTEG_BENCH_DIR");
    return std::string(dir && *dir ? dir : "/tmp") + "/noxsteg-bench-" + name;
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) throw std::runtime_error("cannot create " + path);
    const size_t n = std::fwrite(bytes.data(), 1, bytes.size(), f);
    if (std::fclose(f) != 0 || n != bytes.size()) throw std::runtime_error("cannot write " + path);
}

}  // namespace nox::bench
