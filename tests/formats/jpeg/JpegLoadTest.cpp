// Loading and decoding JPEG files: what a pane receives, header-only loading, errors with the
// library's codes, damaged and truncated files, and agreement with libjpeg called directly.
#include <gtest/gtest.h>

#include <jerror.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <set>

#include "JpegTestSupport.h"
#include "platform/Canvas.h"
#include "platform/Errors.h"
#include "platform/Stream.h"

namespace nox {
namespace {

using testing::CorpusBytes;
using testing::DrawToSurface;
using testing::LoadBytes;
using testing::ReferenceDecode;
using testing::Surface;

// Our pixels (alpha cleared) against the reference's.
void ExpectSamePixels(const Surface& ours, const Surface& reference, const std::string& what) {
    ASSERT_EQ(ours.width, reference.width) << what;
    ASSERT_EQ(ours.height, reference.height) << what;
    size_t differing = 0;
    size_t first = 0;
    for (size_t i = 0; i < ours.pixels.size(); ++i) {
        if ((ours.pixels[i] & 0xFFFFFF) != reference.pixels[i] && differing++ == 0) first = i;
    }
    EXPECT_EQ(differing, 0u) << what << ": first at pixel " << first << std::hex << " ours " << ours.pixels[first]
                             << " libjpeg " << reference.pixels[first];
}

TEST(JpegLoad, ZeroBytesGiveAnEmptyPictureWithoutError) {
    TJPEGImage image;
    LoadBytes(image, {});
    EXPECT_TRUE(image.Empty());
    EXPECT_EQ(image.Width(), 0);
    EXPECT_EQ(image.Height(), 0);
    uint32_t untouched = 0x12345678;
    TCanvas canvas(&untouched, 1, 1);
    image.Draw(canvas, Rect(0, 0, 1, 1));
    EXPECT_EQ(untouched, 0x12345678u);
}

TEST(JpegLoad, FileNotStartingWithStartOfImageFailsWithTheLibrarysNotAJpegCode) {
    const std::string expected = Format("JPEG error #%d", static_cast<int>(JERR_NO_SOI));
    // The code is the library's "not a JPEG file" message, whatever its number in this release.
    jpeg_error_mgr err;
    jpeg_std_error(&err);
    ASSERT_STREQ(err.jpeg_message_table[JERR_NO_SOI], "Not a JPEG file: starts with 0x%02x 0x%02x");

    const std::vector<std::vector<uint8_t>> inputs = {
        {'B', 'M', 0, 0, 0, 0},  // a BMP file
        {0xFF},                  // one byte
        {0xFF, 0xD9, 0xFF, 0xD8},
        {0x00, 0xD8, 0xFF, 0xE0},
    };
    for (const auto& bytes : inputs) {
        TJPEGImage image;
        try {
            LoadBytes(image, bytes);
            ADD_FAILURE() << "no error for " << bytes.size() << " bytes";
        } catch (const EJPEG& e) {
            EXPECT_EQ(e.Message(), expected);
        }
    }
}

TEST(JpegLoad, LoadingReadsOnlyTheHeaderAndAFailedLoadKeepsThePreviousPicture) {
    const auto good = CorpusBytes("video-001.jpg");
    // Damage after the header shows only when the picture is drawn: a file cut inside its header
    // fails at once, one cut in its entropy data loads.
    TJPEGImage image;
    LoadBytes(image, good);
    EXPECT_FALSE(image.HasDecodedPicture());
    EXPECT_EQ(image.Width(), 150);
    EXPECT_EQ(image.Height(), 103);
    EXPECT_EQ(image.Data().Data, good);

    std::vector<uint8_t> cutInHeader(good.begin(), good.begin() + 30);
    EXPECT_THROW(LoadBytes(image, cutInHeader), EJPEG);
    EXPECT_EQ(image.Data().Data, good);
    EXPECT_EQ(image.Width(), 150);
}

TEST(JpegLoad, HeaderFieldsOfCorpusFiles) {
    const struct {
        const char* file;
        bool grayscale, progressive;
    } cases[] = {
        {"video-001.jpg", false, false},
        {"video-001.progressive.jpg", false, true},
        {"video-005.gray.jpg", true, false},
        {"video-005.gray.q50.progressive.jpg", true, true},
        {"video-001.cmyk.jpg", false, false},
    };
    for (const auto& c : cases) {
        TJPEGImage image;
        image.SetProgressiveEncoding(!c.progressive);
        LoadBytes(image, CorpusBytes(c.file));
        EXPECT_EQ(image.Data().Grayscale, c.grayscale) << c.file;
        EXPECT_EQ(image.ProgressiveEncoding(), c.progressive) << c.file;
        EXPECT_EQ(image.Width(), 150) << c.file;
        EXPECT_EQ(image.Height(), 103) << c.file;
    }
}

TEST(JpegLoad, ColourFilesDecodeExactlyAsLibjpegDecodesThem) {
    const char* files[] = {
        "video-001.jpg",          "video-001.q50.410.jpg", "video-001.q50.411.jpg",
        "video-001.q50.420.jpg",  "video-001.q50.422.jpg", "video-001.q50.440.jpg",
        "video-001.q50.444.jpg",  "video-001.221212.jpg",  "video-001.rgb.jpg",
        "video-001.progressive.jpg", "video-001.q50.420.progressive.jpg",
        "video-001.separate.dc.progression.progressive.jpg", "go-turns-two-280x360.jpg",
    };
    for (const char* file : files) {
        const auto bytes = CorpusBytes(file);
        TJPEGImage image;
        LoadBytes(image, bytes);
        {
            // Memory a picture of the same size left full of ones; the decode may be given it.
            TBitmap used;
            used.SetBitsPerPixel(24);
            used.SetSize(image.Width(), image.Height());
            std::memset(used.ScanLine(0), 0xFF, used.RowBytes() * static_cast<size_t>(used.GetHeight()));
        }
        const Surface ours = DrawToSurface(image);
        EXPECT_EQ(image.Bitmap().BitsPerPixel(), 24) << file;
        // The rows' padding bytes (150 pixels: 2 bytes a row) are cleared.
        const TBitmap& picture = image.Bitmap();
        for (int32_t y = 0; y < picture.GetHeight(); ++y)
            for (size_t i = static_cast<size_t>(picture.GetWidth()) * 3; i < picture.RowBytes(); ++i)
                ASSERT_EQ(picture.ScanLine(y)[i], 0) << file << " row " << y;
        ExpectSamePixels(ours, ReferenceDecode(bytes), file);
        // What the pane receives is opaque only after its own MakeOpaque; the draw leaves alpha 0.
        EXPECT_EQ(ours.pixels[0] >> 24, 0u) << file;
    }
}

TEST(JpegLoad, PureRedStaysRed) {
    // Encoded by libjpeg-independent means: a file saved by us and checked red-first by the
    // reference, and drawn by us blue-first.
    const TBitmap red = testing::MakeBitmap(16, 16, 24, [](int32_t, int32_t) { return 0xFF0000u; });
    const auto bytes = testing::SaveAsJpeg(red, 95);
    const Surface reference = ReferenceDecode(bytes);
    TJPEGImage image;
    LoadBytes(image, bytes);
    const Surface ours = DrawToSurface(image);
    for (const Surface* s : {&reference, &ours}) {
        for (uint32_t p : s->pixels) {
            ASSERT_GE((p >> 16) & 0xFF, 0xF0u) << std::hex << p;
            ASSERT_LE((p >> 8) & 0xFF, 0x10u) << std::hex << p;
            ASSERT_LE(p & 0xFF, 0x10u) << std::hex << p;
        }
    }
}

TEST(JpegLoad, GreyscaleFilesGiveEqualChannelsInAtMost236Levels) {
    for (const char* file : {"video-005.gray.jpg", "video-005.gray.q50.progressive.jpg"}) {
        const auto bytes = CorpusBytes(file);
        TJPEGImage image;
        LoadBytes(image, bytes);
        const Surface ours = DrawToSurface(image);
        EXPECT_EQ(image.Bitmap().BitsPerPixel(), 8) << file;
        EXPECT_EQ(image.Bitmap().ColorTable().size(), 236u) << file;
        std::set<uint32_t> levels;
        for (uint32_t p : ours.pixels) {
            const uint32_t b = p & 0xFF;
            ASSERT_EQ(p & 0xFFFFFF, b * 0x010101u) << file;
            levels.insert(b);
        }
        EXPECT_LE(levels.size(), 236u) << file;
        EXPECT_GT(levels.size(), 100u) << file;  // a photo uses many of them
        ExpectSamePixels(ours, ReferenceDecode(bytes, [](jpeg_decompress_struct& c) {
                             c.quantize_colors = TRUE;
                             c.desired_number_of_colors = 236;
                         }),
                         file);
    }
}

// A four-component file written by libjpeg from inverted (Adobe-style) CMYK samples: four
// quadrants of flat colour.
std::vector<uint8_t> InvertedCmykFile(const std::vector<std::array<uint8_t, 4>>& quadrants) {
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &buffer, &size);
    c.image_width = 32;
    c.image_height = 32;
    c.input_components = 4;
    c.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 100, TRUE);
    jpeg_start_compress(&c, TRUE);
    std::vector<uint8_t> row(32 * 4);
    while (c.next_scanline < 32) {
        for (size_t x = 0; x < 32; ++x)
            for (size_t k = 0; k < 4; ++k) row[4 * x + k] = quadrants[(c.next_scanline / 16) * 2 + x / 16][k];
        JSAMPROW p = row.data();
        jpeg_write_scanlines(&c, &p, 1);
    }
    jpeg_finish_compress(&c);
    std::vector<uint8_t> bytes(buffer, buffer + size);
    jpeg_destroy_compress(&c);
    free(buffer);
    return bytes;
}

TEST(JpegLoad, FourComponentFilesAreConvertedFromInvertedCmyk) {
    // Inverted samples: 255 is no ink. Red is no cyan, full magenta and yellow, no black.
    const struct {
        std::array<uint8_t, 4> cmyk;
        uint32_t rgb;
    } quadrants[] = {
        {{255, 0, 0, 255}, 0xFF0000},
        {{0, 0, 255, 255}, 0x0000FF},
        {{255, 255, 255, 128}, 0x808080},
        {{255, 255, 0, 102}, 0x666600},
    };
    std::vector<std::array<uint8_t, 4>> samples;
    for (const auto& q : quadrants) samples.push_back(q.cmyk);
    TJPEGImage image;
    LoadBytes(image, InvertedCmykFile(samples));
    const Surface s = DrawToSurface(image);
    EXPECT_EQ(image.Bitmap().BitsPerPixel(), 24);
    for (int i = 0; i < 4; ++i) {
        // The middle of each quadrant, away from the edges the transform blurs.
        const uint32_t p = s.pixels[static_cast<size_t>((i / 2) * 16 + 8) * 32 + static_cast<size_t>((i % 2) * 16 + 8)];
        for (int shift : {0, 8, 16})
            EXPECT_NEAR(int((p >> shift) & 0xFF), int((quadrants[i].rgb >> shift) & 0xFF), 2) << i << std::hex << " " << p;
    }

    // The corpus's CMYK file opens as a colour picture of its size.
    TJPEGImage corpus;
    LoadBytes(corpus, CorpusBytes("video-001.cmyk.jpg"));
    EXPECT_EQ(DrawToSurface(corpus).pixels.size(), size_t{150} * 103);
    EXPECT_EQ(corpus.Bitmap().BitsPerPixel(), 24);
}

TEST(JpegLoad, TruncatedFilesDecodeAsFarAsTheirDataGoWithoutError) {
    const auto full = CorpusBytes("video-001.jpg");
    TJPEGImage whole;
    LoadBytes(whole, full);
    const Surface complete = DrawToSurface(whole);

    // Cut in the middle of the entropy data: the top rows are those of the whole file.
    std::vector<uint8_t> cut(full.begin(), full.begin() + static_cast<long>(full.size() / 2));
    TJPEGImage image;
    LoadBytes(image, cut);
    const Surface part = DrawToSurface(image);
    ASSERT_EQ(part.pixels.size(), complete.pixels.size());
    const size_t topRows = 16 * static_cast<size_t>(part.width);
    EXPECT_TRUE(std::equal(part.pixels.begin(), part.pixels.begin() + static_cast<long>(topRows), complete.pixels.begin()));
    EXPECT_NE(part.pixels, complete.pixels);

    // The corpus's truncated progressive file, and a file with damaged entropy data.
    TJPEGImage progressive;
    LoadBytes(progressive, CorpusBytes("video-001.progressive.truncated.jpg"));
    EXPECT_EQ(DrawToSurface(progressive).pixels.size(), size_t{150} * 103);

    std::vector<uint8_t> damaged = full;
    for (size_t i = full.size() / 3; i < full.size() / 3 + 64; ++i) damaged[i] ^= 0x5A;
    TJPEGImage scrambled;
    LoadBytes(scrambled, damaged);
    EXPECT_EQ(DrawToSurface(scrambled).pixels.size(), size_t{150} * 103);
}

// A valid progressive greyscale 8 x 8 file of `scans` scans: the DC scan first, then each AC
// coefficient on its own, first at its top bit and then refined one bit at a time.
std::vector<uint8_t> ManyScansFile(int scans) {
    std::vector<jpeg_scan_info> script;
    script.push_back({1, {0, 0, 0, 0}, 0, 0, 0, 0});
    for (int k = 1; k <= 63 && static_cast<int>(script.size()) < scans; ++k) {
        for (int al = 10; al >= 0 && static_cast<int>(script.size()) < scans; --al)
            script.push_back({1, {0, 0, 0, 0}, k, k, al == 10 ? 0 : al + 1, al});
    }
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &buffer, &size);
    c.image_width = 8;
    c.image_height = 8;
    c.input_components = 1;
    c.in_color_space = JCS_GRAYSCALE;
    jpeg_set_defaults(&c);
    c.scan_info = script.data();
    c.num_scans = static_cast<int>(script.size());
    jpeg_start_compress(&c, TRUE);
    std::vector<uint8_t> row(8);
    while (c.next_scanline < 8) {
        for (size_t x = 0; x < 8; ++x) row[x] = static_cast<uint8_t>(x * 30 + c.next_scanline * 3);
        JSAMPROW p = row.data();
        jpeg_write_scanlines(&c, &p, 1);
    }
    jpeg_finish_compress(&c);
    std::vector<uint8_t> bytes(buffer, buffer + size);
    jpeg_destroy_compress(&c);
    free(buffer);
    return bytes;
}

TEST(JpegLoad, FilesOfAbsurdlyManyScansAreRefused) {
    const std::string refused = Format("JPEG error #%d", static_cast<int>(JERR_BAD_SCAN_SCRIPT));
    const struct {
        int scans;
        bool decodes;
    } cases[] = {{10, true}, {500, true}, {501, false}, {694, false}};
    for (const auto& c : cases) {
        const auto bytes = ManyScansFile(c.scans);
        for (bool progressiveDisplay : {false, true}) {
            TJPEGImage image;
            LoadBytes(image, bytes);  // the header alone is fine
            image.SetProgressiveDisplay(progressiveDisplay);
            try {
                const Surface s = DrawToSurface(image);
                EXPECT_TRUE(c.decodes) << c.scans;
                EXPECT_EQ(s.pixels.size(), 64u);
            } catch (const EJPEG& e) {
                EXPECT_FALSE(c.decodes) << c.scans;
                EXPECT_EQ(e.Message(), refused);
            }
        }
    }
}

TEST(JpegLoad, SegmentsTheLibrarySkipsMayOutrunTheData) {
    // An application segment of 10000 bytes after the start of image.
    const auto original = testing::SaveAsJpeg(testing::MakeBitmap(24, 16, 24, testing::Pattern), 90);
    // Its contents are end-of-image markers, which end the file if the skip goes wrong.
    std::vector<uint8_t> padded(4 + 10000);
    for (size_t i = 0; i < padded.size(); ++i) padded[i] = i % 2 ? 0xD9 : 0xFF;
    const uint8_t segmentStart[] = {0xFF, 0xD8, 0xFF, 0xEF, 10000 >> 8, 10000 & 0xFF};  // SOI, APP15, length
    std::copy(std::begin(segmentStart), std::end(segmentStart), padded.begin());
    std::copy(original.begin() + 2, original.end(), std::back_inserter(padded));
    TJPEGImage plain, withSegment;
    LoadBytes(plain, original);
    LoadBytes(withSegment, padded);
    EXPECT_EQ(DrawToSurface(withSegment).pixels, DrawToSurface(plain).pixels);

    // Cut inside the segment: the skip runs past the end, and no image follows.
    padded.resize(6000);
    TJPEGImage cut;
    try {
        LoadBytes(cut, padded);
        ADD_FAILURE() << "no error";
    } catch (const EJPEG& e) {
        EXPECT_EQ(e.Message(), Format("JPEG error #%d", static_cast<int>(JERR_NO_IMAGE)));
    }
}

TEST(JpegLoad, EveryCutAndEveryDamagedHeaderByteEndsInAPictureOrAJpegError) {
    // Each prefix of a small file, and the file with each header byte replaced: loading and
    // drawing either succeed or throw EJPEG; nothing else may happen (run under the sanitizers).
    const auto file = testing::SaveAsJpeg(testing::MakeBitmap(20, 12, 24, testing::Pattern), 75);
    std::vector<std::vector<uint8_t>> inputs;
    for (size_t n = 0; n <= file.size(); ++n) inputs.emplace_back(file.begin(), file.begin() + static_cast<long>(n));
    size_t headerEnd = 2;
    for (const auto& segment : testing::HeaderSegments(file)) headerEnd += 4 + segment.payload.size();
    for (size_t i = 0; i < headerEnd; ++i) {
        for (uint8_t value : {uint8_t{0x00}, uint8_t{0xFF}, static_cast<uint8_t>(file[i] ^ 0x80)}) {
            inputs.push_back(file);
            inputs.back()[i] = value;
        }
    }
    size_t pictures = 0, errors = 0;
    for (const auto& bytes : inputs) {
        TJPEGImage image;
        try {
            LoadBytes(image, bytes);
            if (!image.Empty()) DrawToSurface(image);
            ++pictures;
        } catch (const EJPEG&) {
            ++errors;
        }
    }
    EXPECT_EQ(pictures + errors, inputs.size());
    EXPECT_GT(errors, 0u);
    EXPECT_GT(pictures, file.size() / 2);  // every cut after the header still gives a picture
}

TEST(JpegLoad, ProgressiveDisplayEndsWithThePixelsOfAPlainDecode) {
    for (const char* file : {"video-001.progressive.jpg", "video-005.gray.q50.progressive.jpg",
                             "video-001.progressive.truncated.jpg"}) {
        for (TJPEGPixelFormat format : {jf24Bit, jf8Bit}) {
            TJPEGImage plain, shown;
            LoadBytes(plain, CorpusBytes(file));
            LoadBytes(shown, CorpusBytes(file));
            plain.SetPixelFormat(format);
            shown.SetPixelFormat(format);
            shown.SetProgressiveDisplay(true);
            EXPECT_EQ(DrawToSurface(shown).pixels, DrawToSurface(plain).pixels) << file << " " << format;
            EXPECT_EQ(shown.Bitmap().ColorTable(), plain.Bitmap().ColorTable()) << file << " " << format;
        }
    }
}

TEST(JpegLoad, DecodingSettingsGiveWhatLibjpegGivesWithThem) {
    const auto bytes = CorpusBytes("video-001.q50.420.jpg");
    const struct {
        const char* what;
        std::function<void(TJPEGImage&)> set;
        std::function<void(jpeg_decompress_struct&)> reference;
        int bits;
    } cases[] = {
        {"best speed", [](TJPEGImage& i) { i.SetPerformance(jpBestSpeed); },
         [](jpeg_decompress_struct& c) { c.dct_method = JDCT_IFAST; }, 24},
        {"no smoothing", [](TJPEGImage& i) { i.SetSmoothing(false); },
         [](jpeg_decompress_struct& c) { c.do_block_smoothing = FALSE; }, 24},
        {"half scale", [](TJPEGImage& i) { i.SetScale(jsHalf); },
         [](jpeg_decompress_struct& c) { c.scale_denom = 2; }, 24},
        {"eighth scale", [](TJPEGImage& i) { i.SetScale(jsEighth); },
         [](jpeg_decompress_struct& c) { c.scale_denom = 8; }, 24},
        {"greyscale", [](TJPEGImage& i) { i.SetGrayscale(true); },
         [](jpeg_decompress_struct& c) {
             c.out_color_space = JCS_GRAYSCALE;
             c.quantize_colors = TRUE;
             c.desired_number_of_colors = 236;
         },
         8},
        {"8-bit", [](TJPEGImage& i) { i.SetPixelFormat(jf8Bit); },
         [](jpeg_decompress_struct& c) {
             c.quantize_colors = TRUE;
             c.desired_number_of_colors = 236;
         },
         8},
        {"8-bit best speed",
         [](TJPEGImage& i) {
             i.SetPixelFormat(jf8Bit);
             i.SetPerformance(jpBestSpeed);
         },
         [](jpeg_decompress_struct& c) {
             c.quantize_colors = TRUE;
             c.desired_number_of_colors = 236;
             c.dct_method = JDCT_IFAST;
             c.two_pass_quantize = FALSE;
             c.dither_mode = JDITHER_ORDERED;
         },
         8},
    };
    for (const auto& c : cases) {
        TJPEGImage image;
        LoadBytes(image, bytes);
        c.set(image);
        const Surface ours = DrawToSurface(image);
        EXPECT_EQ(image.Bitmap().BitsPerPixel(), c.bits) << c.what;
        if (c.bits == 8) {
            EXPECT_LE(image.Bitmap().ColorTable().size(), 236u) << c.what;
        }
        ExpectSamePixels(ours, ReferenceDecode(bytes, c.reference), c.what);
    }
}

TEST(JpegLoad, SizeAtEachScaleIsKnownBeforeDecoding) {
    const struct {
        TJPEGScale scale;
        int32_t width, height;
    } cases[] = {{jsFullSize, 150, 103}, {jsHalf, 75, 52}, {jsQuarter, 38, 26}, {jsEighth, 19, 13}};
    for (const auto& c : cases) {
        TJPEGImage image;
        LoadBytes(image, CorpusBytes("video-001.jpg"));
        image.SetScale(c.scale);
        EXPECT_EQ(image.Width(), c.width) << c.scale;
        EXPECT_EQ(image.Height(), c.height) << c.scale;
        EXPECT_FALSE(image.HasDecodedPicture());
        EXPECT_EQ(image.Bitmap().GetWidth(), c.width) << c.scale;
        EXPECT_EQ(image.Bitmap().GetHeight(), c.height) << c.scale;
    }
}

TEST(JpegLoad, GivenPaletteIsTheColourMapOf8BitOutput) {
    const std::vector<TRGBQuad> palette = {RGBQuad(0, 0, 0), RGBQuad(255, 0, 0), RGBQuad(0, 0, 255),
                                           RGBQuad(255, 255, 255)};
    const TBitmap halves = testing::MakeBitmap(32, 16, 24, [](int32_t x, int32_t) { return x < 16 ? 0xFF0000u : 0x0000FFu; });
    TJPEGImage image;
    LoadBytes(image, testing::SaveAsJpeg(halves, 95));
    image.SetPixelFormat(jf8Bit);
    image.SetPalette(palette);
    const TBitmap& decoded = image.Bitmap();
    ASSERT_EQ(decoded.BitsPerPixel(), 8);
    EXPECT_EQ(decoded.ColorTable(), palette);
    // Away from the edge the left half maps to red (1), the right half to blue (2).
    EXPECT_EQ(decoded.ScanLine(8)[2], 1);
    EXPECT_EQ(decoded.ScanLine(8)[29], 2);
}

TEST(JpegLoad, MissingFileGivesCannotOpen) {
    TJPEGImage image;
    const std::string path = "/nonexistent-folder/picture.jpg";
    try {
        image.LoadFromFile(path);
        ADD_FAILURE() << "no error";
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.Message(), "Cannot open file " + path);
    }
}

}  // namespace
}  // namespace nox
