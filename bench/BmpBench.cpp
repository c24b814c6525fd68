// BMP files: our writer against one fwrite of the same bytes, our reader (file to TBitmap32)
// against fread plus one copy, and stb_image's BMP reader on the same file.
#include <cstdio>
#include <vector>

#include "bench/Inputs.h"
#include "bench/Peers.h"
#include "bench/Register.h"

namespace nox::bench {
namespace {

void StbReadBmp(benchmark::State& state, int bitsPerPixel) {
    const std::string path = ScratchPath("stb" + std::to_string(bitsPerPixel) + ".bmp");
    WriteFile(path, BmpFile(Kind::Photo, bitsPerPixel));
    for (auto _ : state)
        if (StbDecodeFile(path.c_str()) != kPixels) state.SkipWithError("stb_image could not read the BMP");
    std::remove(path.c_str());
}

[[maybe_unused]] const bool registered = [] {
    Register("bmp/stb_read24", [](benchmark::State& s) { StbReadBmp(s, 24); });
    Register("bmp/stb_read32", [](benchmark::State& s) { StbReadBmp(s, 32); });
    return true;
}();

}  // namespace
}  // namespace nox::bench
