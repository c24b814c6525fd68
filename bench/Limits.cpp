// The physical limits the program's paths are measured against: plain loops over the same
// amount of memory, with nothing in them but the loads and stores that any such path must do.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <unistd.h>
#include <vector>

#include "bench/Inputs.h"
#include "bench/Register.h"

namespace nox::bench {
namespace {

// Reads two 12-megapixel arrays and writes a third: what any combining operation must touch.
void Read2Write1(benchmark::State& state) {
    const auto& a = Pixels32(Kind::Photo);
    const auto& b = Pixels32(Kind::Flat);
    std::vector<uint32_t> c(kPixels, 1);
    for (auto _ : state) {
        const uint32_t* pa = a.data();
        const uint32_t* pb = b.data();
        uint32_t* pc = c.data();
        for (size_t i = 0; i < kPixels; ++i) pc[i] = pa[i] - pb[i];
        benchmark::DoNotOptimize(pc);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kPixels) * 12);
}

// As Read2Write1, but the third array is new memory each time, as the Right pane's buffer is
// (the operations size it to 0 x 0 and then to the result's size). This adds what the system
// charges for first touching 48 MB of new pages; the table shows it for information.
void Read2Write1Fresh(benchmark::State& state) {
    const auto& a = Pixels32(Kind::Photo);
    const auto& b = Pixels32(Kind::Flat);
    for (auto _ : state) {
        std::unique_ptr<uint32_t[]> c(new uint32_t[kPixels]);
        const uint32_t* pa = a.data();
        const uint32_t* pb = b.data();
        uint32_t* pc = c.get();
        for (size_t i = 0; i < kPixels; ++i) pc[i] = pa[i] - pb[i];
        benchmark::DoNotOptimize(pc);
        benchmark::ClobberMemory();
    }
}

// Writes one 12-megapixel array: what each fill must touch.
void Write1(benchmark::State& state) {
    std::vector<uint32_t> c(kPixels, 1);
    uint32_t value = 0;
    for (auto _ : state) {
        uint32_t* pc = c.data();
        for (size_t i = 0; i < kPixels; ++i) pc[i] = value;
        value ^= 0x00FFFFFF;
        benchmark::DoNotOptimize(pc);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kPixels) * 4);
}

template <size_t Bytes, bool Idle = false>
void Memcpy(benchmark::State& state) {
    std::vector<uint8_t> from(Bytes, 7), to(Bytes, 1);
    for (auto _ : state) {
        if constexpr (Idle) PauseIdle(state);
        std::memcpy(to.data(), from.data(), Bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(Bytes));
}

// Reads every line of the source rows that a stretch of the 4000 x 3000 picture to kRows rows
// samples (a 1000 x 700 pane: 700; DrawTo to 1920 x 1080: 1080). Each 64-byte line holds at least
// one sampled pixel, so the stretch cannot read less than this (a 1000 x 700 pane: 11.2 MB,
// against the 2.8 MB of the back buffer).
template <size_t kRows>
void ReadSampledRows(benchmark::State& state) {
    const auto& picture = Pixels32(Kind::Photo);
    // Each row is copied into one 16 KB row that stays in the first-level cache: the library's
    // copy is the fastest plain read of a row there is (a plain loop at -O2 is not vectorised).
    std::vector<uint32_t> scratch(kWidth);
    for (auto _ : state) {
        for (size_t y = 0; y < kRows; ++y)
            std::memcpy(scratch.data(), picture.data() + (y * kHeight / kRows) * kWidth, kWidth * 4);
        benchmark::DoNotOptimize(scratch.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kRows * kWidth * 4));
}

// One fwrite of a whole 32-bit BMP file's bytes (open, write, close).
void FwriteBmp32(benchmark::State& state) {
    const std::vector<uint8_t> bytes = BmpFile(Kind::Photo, 32);
    const std::string path = ScratchPath("fwrite.bmp");
    for (auto _ : state) {
        FILE* f = std::fopen(path.c_str(), "wb");
        if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) state.SkipWithError("fwrite failed");
        if (f) std::fclose(f);
    }
    std::remove(path.c_str());
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size()));
}

// The same bytes written as a save that replaces its target only when complete: a temporary
// file, one fwrite, a flush to the disk and a rename. Our file saves do this, so they are also
// measured against it.
void FwriteSyncRenameBmp32(benchmark::State& state) {
    const std::vector<uint8_t> bytes = BmpFile(Kind::Photo, 32);
    const std::string path = ScratchPath("fwrite-sync.bmp");
    const std::string temp = path + ".tmp";
    for (auto _ : state) {
        FILE* f = std::fopen(temp.c_str(), "wb");
        bool ok = f && std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size() && std::fflush(f) == 0 &&
                  ::fsync(fileno(f)) == 0;
        if (f) ok = std::fclose(f) == 0 && ok;
        if (!ok || std::rename(temp.c_str(), path.c_str()) != 0) state.SkipWithError("write failed");
    }
    std::remove(path.c_str());
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size()));
}

// One fread of a whole BMP file, then one copy of its pixel bytes into a buffer of their own.
void FreadCopy(benchmark::State& state, int bitsPerPixel) {
    const std::vector<uint8_t> bytes = BmpFile(Kind::Photo, bitsPerPixel);
    const std::string path = ScratchPath("fread" + std::to_string(bitsPerPixel) + ".bmp");
    WriteFile(path, bytes);
    std::vector<uint8_t> file(bytes.size());
    std::vector<uint8_t> pixels(bytes.size() - 54);
    for (auto _ : state) {
        FILE* f = std::fopen(path.c_str(), "rb");
        if (!f || std::fread(file.data(), 1, file.size(), f) != file.size()) state.SkipWithError("fread failed");
        if (f) std::fclose(f);
        std::memcpy(pixels.data(), file.data() + 54, pixels.size());
        benchmark::DoNotOptimize(pixels.data());
        benchmark::ClobberMemory();
    }
    std::remove(path.c_str());
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size()));
}

// Reads 24-bit rows and writes one index per pixel through per-channel tables: the least any
// reduction onto a fixed palette must do.
void Read24Write8(benchmark::State& state) {
    const auto& rows = Pixels24(Kind::Photo);
    uint8_t red[256], green[256], blue[256];
    for (int v = 0; v < 256; ++v) {
        const int level = (v + 25) / 51;
        red[v] = uint8_t(level * 36);
        green[v] = uint8_t(level * 6);
        blue[v] = uint8_t(level);
    }
    std::vector<uint8_t> indices(kPixels);
    for (auto _ : state) {
        for (int y = 0; y < kHeight; ++y) {
            const uint8_t* in = rows.data() + size_t(y) * RowBytes24();
            uint8_t* out = indices.data() + size_t(y) * kWidth;
            for (int x = 0; x < kWidth; ++x) out[x] = uint8_t(blue[in[3 * x]] + green[in[3 * x + 1]] + red[in[3 * x + 2]]);
        }
        benchmark::DoNotOptimize(indices.data());
        benchmark::ClobberMemory();
    }
}

// Maps one index per pixel to a 32-bit colour: the least any painting of an 8-bit frame must do.
void IndexToColour(benchmark::State& state) {
    const auto& indices = CubeIndices(Kind::Photo);
    uint32_t palette[256] = {};
    const auto& rgb = CubeRGB();
    for (size_t i = 0; i * 3 < rgb.size(); ++i)
        palette[i] = 0xFF000000u | uint32_t(rgb[3 * i]) << 16 | uint32_t(rgb[3 * i + 1]) << 8 | rgb[3 * i + 2];
    std::vector<uint32_t> out(kPixels);
    for (auto _ : state) {
        for (size_t i = 0; i < kPixels; ++i) out[i] = palette[indices[i]];
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
}

[[maybe_unused]] const bool registered = [] {
    Register("limit/read2write1", Read2Write1);
    Register("limit/read2write1_fresh", Read2Write1Fresh);
    Register("limit/write1", Write1);
    Register("limit/memcpy_48MB", Memcpy<kPixels * 4>);
    Register("limit/copy_1920x1080", Memcpy<size_t{1920} * 1080 * 4>);
    Register("limit/copy_1000x700", Memcpy<size_t{1000} * 700 * 4>);
    Register("limit/copy_1000x700_after_idle", Memcpy<size_t{1000} * 700 * 4, true>);
    Register("limit/read_sampled_rows_1000x700", ReadSampledRows<700>);
    Register("limit/read_sampled_rows_1920x1080", ReadSampledRows<1080>);
    Register("limit/fwrite_bmp32", FwriteBmp32);
    Register("limit/fwrite_sync_rename_bmp32", FwriteSyncRenameBmp32);
    Register("limit/fread_copy_bmp24", [](benchmark::State& s) { FreadCopy(s, 24); });
    Register("limit/fread_copy_bmp32", [](benchmark::State& s) { FreadCopy(s, 32); });
    Register("limit/read24_write8", Read24Write8);
    Register("limit/index_to_colour", IndexToColour);
    return true;
}();

}  // namespace
}  // namespace nox::bench
