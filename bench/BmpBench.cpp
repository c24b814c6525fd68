// BMP files: our writer against one fwrite of the same bytes, our reader (file to TBitmap32)
// against fread plus one copy, and stb_image's BMP reader on the same file.
#include <cstdio>
#include <vector>

#include "bench/Inputs.h"
#include "bench/Peers.h"
#include "bench/Register.h"

#if NOXSTEG_BENCH_HAVE_BMP && NOXSTEG_BENCH_HAVE_IMAGE
#include <cstring>

#include "formats/bmp/Bmp.h"
#include "image/Bitmap32.h"
#include "platform/Bitmap.h"
#include "platform/Picture.h"
#include "platform/Stream.h"
#define NOXSTEG_BENCH_OURS 1
#endif

namespace nox::bench {
namespace {

void StbReadBmp(benchmark::State& state, int bitsPerPixel) {
    const std::string path = ScratchPath("stb" + std::to_string(bitsPerPixel) + ".bmp");
    WriteFile(path, BmpFile(Kind::Photo, bitsPerPixel));
    for (auto _ : state)
        if (StbDecodeFile(path.c_str()) != kPixels) state.SkipWithError("stb_image could not read the BMP");
    std::remove(path.c_str());
}

#if NOXSTEG_BENCH_OURS
// What saving the Right pane does: the buffer becomes a 32-bit device bitmap and the writer puts
// it into a file. `replacing` goes through the replace-when-complete writer (temporary file,
// flush to the disk, rename), otherwise straight into a file stream as one fwrite would.
void WriteBmp32(benchmark::State& state, bool replacing) {
    RegisterBmpFormat();
    TBitmap32 pane;
    pane.SetSize(kWidth, kHeight);
    std::memcpy(pane.Bits(), Pixels32(Kind::Photo).data(), kPixels * 4);
    const std::string path = ScratchPath(replacing ? "ours-replacing.bmp" : "ours.bmp");
    for (auto _ : state) {
        TPicture picture;
        pane.AssignTo(picture);
        if (replacing) {
            picture.SaveToFile(path);
        } else {
            TFileStream out(path, TFileStream::Mode::fmCreate);
            WriteBmp(picture.Bitmap(), out);
        }
    }
    std::remove(path.c_str());
}

// What opening a file into a pane does: the picture container reads the file by its extension
// and the pane's buffer takes the device bitmap over.
void ReadBmpIntoPane(benchmark::State& state, int bitsPerPixel) {
    RegisterBmpFormat();
    const std::string path = ScratchPath("ours" + std::to_string(bitsPerPixel) + ".bmp");
    WriteFile(path, BmpFile(Kind::Photo, bitsPerPixel));
    TBitmap32 pane;
    for (auto _ : state) {
        TPicture picture;
        picture.LoadFromFile(path);
        pane.Assign(&picture);
    }
    if (pane.Width() != kWidth || pane.Height() != kHeight) state.SkipWithError("wrong picture size");
    std::remove(path.c_str());
}
#endif

[[maybe_unused]] const bool registered = [] {
#if NOXSTEG_BENCH_OURS
    Register("bmp/write32", [](benchmark::State& s) { WriteBmp32(s, false); });
    Register("bmp/save_file32", [](benchmark::State& s) { WriteBmp32(s, true); });
    Register("bmp/read24", [](benchmark::State& s) { ReadBmpIntoPane(s, 24); });
    Register("bmp/read32", [](benchmark::State& s) { ReadBmpIntoPane(s, 32); });
#endif
    Register("bmp/stb_read24", [](benchmark::State& s) { StbReadBmp(s, 24); });
    Register("bmp/stb_read32", [](benchmark::State& s) { StbReadBmp(s, 32); });
    return true;
}();

}  // namespace
}  // namespace nox::bench
