// GIF reading and painting beside GifBench.cpp's rows: the reader on the file giflib writes, read
// through a file as opening one does, and the first paint of the 4000 x 3000 frame into a ready
// 32-bit buffer (rendering included, no pane allocation), to set beside one pass that maps
// indices to colours.
#include <string>
#include <vector>

#include "bench/Inputs.h"
#include "bench/Peers.h"
#include "bench/Register.h"

#if NOXSTEG_BENCH_HAVE_GIF
#include "formats/gif/GifImage.h"
#include "platform/Canvas.h"
#include "platform/Stream.h"
#endif

namespace nox::bench {
namespace {

#if NOXSTEG_BENCH_HAVE_GIF
const std::vector<uint8_t>& GiflibFile(Kind kind) {
    static const std::vector<uint8_t> photo = GifEncode(CubeIndices(Kind::Photo).data(), kWidth, kHeight, CubeRGB());
    static const std::vector<uint8_t> flat = GifEncode(CubeIndices(Kind::Flat).data(), kWidth, kHeight, CubeRGB());
    return kind == Kind::Photo ? photo : flat;
}

// Reading through a file, as opening a file does.
void DecodeFile(benchmark::State& state) {
    const std::string path = ScratchPath("noxsteg_bench_read.gif");
    WriteFile(path, GiflibFile(Kind::Photo));
    for (auto _ : state) {
        TGIFImage image;
        image.LoadFromFile(path);
        if (image.Images.Count() != 1) state.SkipWithError("the GIF did not decode");
    }
}

// Files that are almost all block structure, read a byte at a time by the block loop: a GIF header
// followed by `fill` repeated to `size` bytes (empty comment extensions, or padding between blocks).
void DecodeOddFile(benchmark::State& state, const std::vector<uint8_t>& fill, size_t size) {
    std::vector<uint8_t> bytes = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0};
    while (bytes.size() < size) bytes.insert(bytes.end(), fill.begin(), fill.end());
    const std::string path = ScratchPath("noxsteg_bench_odd.gif");
    WriteFile(path, bytes);
    for (auto _ : state) {
        TGIFImage image;
        image.LoadFromFile(path);
        benchmark::DoNotOptimize(image.Images.Count());
    }
}

void Paint(benchmark::State& state) {
    TMemoryStream stream = TMemoryStream::View(GiflibFile(Kind::Photo));
    TGIFImage image;
    image.LoadFromStream(stream);
    std::vector<uint32_t> pane(kPixels);
    for (auto _ : state) {
        // Every paint renders afresh, as the one paint of an opened file does.
        image.PaletteModified();
        TCanvas canvas(pane.data(), kWidth, kHeight);
        image.Draw(canvas, Rect(0, 0, kWidth, kHeight));
        benchmark::DoNotOptimize(pane.data());
        benchmark::ClobberMemory();
    }
}

[[maybe_unused]] const bool registered = [] {
    Register("gif/read_file_photo", DecodeFile);
    Register("gif/render_paint_photo", Paint);
    Register("gif/read_file_4mb_of_empty_comments",
             [](benchmark::State& s) { DecodeOddFile(s, {0x21, 0xFE, 0x00, 0x00}, 4u << 20); });
    Register("gif/read_file_4mb_of_comments_in_one_frame",
             [](benchmark::State& s) { DecodeOddFile(s, {0x21, 0xFE, 0x00}, 4u << 20); });
    Register("gif/read_file_16mb_of_padding", [](benchmark::State& s) { DecodeOddFile(s, {0x00}, 16u << 20); });
    return true;
}();
#endif

}  // namespace
}  // namespace nox::bench
