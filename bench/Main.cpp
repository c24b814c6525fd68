// The benchmark program's entry: Google Benchmark's usual command line, plus
// `--write-inputs FOLDER`, which writes the 4000 x 3000 photo-like picture as photo.bmp (32-bit),
// photo.jpg (quality 95), photo.gif (the 216-colour cube) and photo.png (libpng's) for measuring
// the command-line tool.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "bench/Inputs.h"
#include "bench/Peers.h"

int main(int argc, char** argv) {
    using namespace nox::bench;
    if (argc == 3 && std::strcmp(argv[1], "--write-inputs") == 0) {
        try {
            const std::string folder = argv[2];
            WriteFile(folder + "/photo.bmp", BmpFile(Kind::Photo, 32));
            WriteFile(folder + "/photo.jpg", JpegEncode(Pixels24(Kind::Photo).data(), RowBytes24(), kWidth, kHeight, 95));
            WriteFile(folder + "/photo.gif", GifEncode(CubeIndices(Kind::Photo).data(), kWidth, kHeight, CubeRGB()));
            WriteFile(folder + "/photo.png", PngEncode(Pixels32(Kind::Photo).data(), kWidth, kHeight));
            return 0;
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s\n", e.what());
            return 1;
        }
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
