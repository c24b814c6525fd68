// Every file of the PNG suite (every colour type and bit depth, interlaced or not, with and without
// transparency) opened into a pane as the window opens it, pixel for pixel against libpng's
// decode of the same file; then saved by us and opened again, identical in colour.
#include <png.h>

#include <gtest/gtest.h>

#include <csetjmp>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "files/PictureFiles.h"
#include "platform/Stream.h"

namespace nox {
namespace {

struct TReference {
    int32_t Width = 0, Height = 0;
    std::vector<uint32_t> Pixels;  // blue, green, red, alpha in memory
};

struct TSource {
    const std::vector<uint8_t>& Bytes;
    size_t At = 0;
};

void ReadFromMemory(png_structp png, png_bytep out, size_t length) {
    auto* source = static_cast<TSource*>(png_get_io_ptr(png));
    if (source->Bytes.size() - source->At < length) png_error(png, "truncated");
    std::memcpy(out, source->Bytes.data() + source->At, length);
    source->At += length;
}

// libpng's own transforms, none of them gamma: palette, low-bit grey and tRNS expanded to 8-bit
// samples with alpha, 16-bit samples cut to their high byte, grey copied to red, green and blue,
// alpha 255 added where the file has none, blue first.
bool ReferenceDecode(const std::vector<uint8_t>& file, TReference& out) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::vector<png_bytep> rows;
    TSource source{file};
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_read_fn(png, &source, ReadFromMemory);
    png_read_info(png, info);
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    png_set_bgr(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    out.Width = static_cast<int32_t>(png_get_image_width(png, info));
    out.Height = static_cast<int32_t>(png_get_image_height(png, info));
    out.Pixels.assign(static_cast<size_t>(out.Width) * out.Height, 0);
    for (int32_t y = 0; y < out.Height; ++y)
        rows.push_back(reinterpret_cast<png_bytep>(out.Pixels.data() + static_cast<size_t>(y) * out.Width));
    png_read_image(png, rows.data());
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

std::vector<uint32_t> PanePixels(const TBitmap32& pane) {
    std::vector<uint32_t> pixels;
    for (int32_t y = 0; y < pane.Height(); ++y) pixels.insert(pixels.end(), pane.RowAddress(y), pane.RowAddress(y) + pane.Width());
    return pixels;
}

TEST(PngCorpus, EveryFileOpensAsLibpngDecodesItAndSurvivesOurSave) {
    const std::filesystem::path folder = std::filesystem::path(NOXSTEG_CORPUS_DIR) / "png";
    const std::filesystem::path saved = std::filesystem::temp_directory_path() / "noxsteg-png-corpus-saved.png";
    int files = 0, withAlpha = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() != ".png") continue;
        SCOPED_TRACE(entry.path().filename().string());
        ++files;
        TReference reference;
        ASSERT_TRUE(ReferenceDecode(ReadWholeFile(entry.path().string()), reference));

        TBitmap32 pane;
        ASSERT_TRUE(ReadPictureFile(entry.path().string(), pane));
        ASSERT_EQ(pane.Width(), reference.Width);
        ASSERT_EQ(pane.Height(), reference.Height);
        EXPECT_EQ(PanePixels(pane), reference.Pixels);
        for (uint32_t p : reference.Pixels)
            if (p >> 24 != 0xFF) {
                ++withAlpha;
                break;
            }

        // Saved as RGB without alpha: the same colours come back, every pixel opaque.
        WritePictureFile(saved.string(), pane, TPictureFormat::pfPNG, 95);
        TBitmap32 back;
        ASSERT_TRUE(ReadPictureFile(saved.string(), back));
        std::vector<uint32_t> expected = reference.Pixels;
        for (uint32_t& p : expected) p |= 0xFF000000u;
        EXPECT_EQ(PanePixels(back), expected);
    }
    std::filesystem::remove(saved);
    EXPECT_GE(files, 60);
    EXPECT_GE(withAlpha, 20) << "the suite's alpha and tRNS files";
}

}  // namespace
}  // namespace nox
