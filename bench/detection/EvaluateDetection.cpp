// The accuracy of the detection of LSB hiding on natural photographs: each picture named on the
// command line (BMP, JPEG, GIF through the program's own readers; PNG through libspng) gets random
// bits in the low bit of every colour channel of a random share p of its pixels, for each p given
// with --shares; one tab-separated line per picture and share goes to the output:
//   file  width  height  nominal-p  true-p  estimate  likely  rs-r rs-g rs-b  spa-r spa-g spa-b  standard-error
// (evaluate.sh runs it over the photographs and prints the summary table.)
#include <spng.h>

#include <cstdio>
#include <cstring>
#include <exception>
#include <fstream>
#include <iostream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/Detection.h"
#include "files/PictureFiles.h"

namespace {

using nox::TBitmap32;

bool EndsWith(const std::string& s, const std::string& suffix) {
    return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

void ReadPng(const std::string& path, TBitmap32& picture) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    spng_ctx* ctx = spng_ctx_new(0);
    spng_ihdr header{};
    size_t size = 0;
    std::vector<uint8_t> rgba;
    bool ok = ctx && spng_set_png_buffer(ctx, bytes.data(), bytes.size()) == 0 && spng_get_ihdr(ctx, &header) == 0 &&
              spng_decoded_image_size(ctx, SPNG_FMT_RGBA8, &size) == 0;
    if (ok) {
        rgba.resize(size);
        ok = spng_decode_image(ctx, rgba.data(), size, SPNG_FMT_RGBA8, 0) == 0;
    }
    spng_ctx_free(ctx);
    if (!ok) throw std::runtime_error("cannot decode " + path);
    picture.SetSize(int32_t(header.width), int32_t(header.height));
    for (uint32_t y = 0; y < header.height; ++y)
        for (uint32_t x = 0; x < header.width; ++x) {
            const uint8_t* p = rgba.data() + (size_t(y) * header.width + x) * 4;
            picture.SetPixel(int32_t(x), int32_t(y), nox::Color32(p[0], p[1], p[2], 255));
        }
}

void ReadPicture(const std::string& path, TBitmap32& picture) {
    if (EndsWith(path, ".png") || EndsWith(path, ".PNG")) {
        ReadPng(path, picture);
    } else if (!nox::ReadPictureFile(path, picture)) {
        throw std::runtime_error("no reader for " + path);
    }
}

// Replaces the low bit of every colour channel of each pixel, with probability `share`, by a
// random bit; returns the share of pixels so chosen.
double Embed(TBitmap32& picture, double share, std::mt19937_64& random) {
    std::bernoulli_distribution chosen(share);
    size_t count = 0;
    for (int32_t y = 0; y < picture.Height(); ++y) {
        nox::TColor32* row = picture.RowAddress(y);
        for (int32_t x = 0; x < picture.Width(); ++x) {
            if (!chosen(random)) continue;
            ++count;
            const uint32_t bits = uint32_t(random()) & 0x010101u;
            row[x] = (row[x] & ~0x010101u) | bits;
        }
    }
    return double(count) / double(picture.PixelCount());
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<double> shares = {0, 0.05, 0.1, 0.25, 0.5, 1.0};
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--shares") == 0 && i + 1 < argc) {
            shares.clear();
            std::istringstream list(argv[++i]);
            for (std::string item; std::getline(list, item, ',');) shares.push_back(std::stod(item));
        } else {
            files.emplace_back(argv[i]);
        }
    }
    nox::RegisterPictureFormats();
    int status = 0;
    for (size_t f = 0; f < files.size(); ++f) {
        TBitmap32 original;
        try {
            ReadPicture(files[f], original);
        } catch (const std::exception& e) {
            std::cerr << files[f] << ": " << e.what() << '\n';
            status = 1;
            continue;
        }
        for (size_t s = 0; s < shares.size(); ++s) {
            TBitmap32 picture;
            picture.Assign(&original);
            std::mt19937_64 random(f * 1000 + s + 1);  // fixed seeds: the table can be reproduced
            const double truth = Embed(picture, shares[s], random);
            const nox::analysis::TDetection d = *nox::analysis::Detect(picture);
            std::printf("%s\t%d\t%d\t%g\t%.6f\t%.6f\t%d", files[f].c_str(), picture.Width(), picture.Height(), shares[s],
                        truth, d.Estimate, d.Likely ? 1 : 0);
            for (const auto& c : d.Channels) std::printf("\t%.6f", c.Rs);
            for (const auto& c : d.Channels) std::printf("\t%.6f", c.Spa);
            std::printf("\t%.6f\n", d.StandardError);
        }
    }
    return status;
}
