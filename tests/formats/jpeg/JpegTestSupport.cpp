// Helpers for the JPEG tests.
#include "JpegTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "platform/Canvas.h"
#include "platform/Stream.h"

namespace nox::testing {

TBitmap MakeBitmap(int32_t width, int32_t height, int bits, const std::function<uint32_t(int32_t, int32_t)>& colour) {
    TBitmap b;
    b.SetBitsPerPixel(bits);
    b.SetSize(width, height);
    const int bytes = bits / 8;
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* row = b.ScanLine(y);
        for (int32_t x = 0; x < width; ++x) {
            const uint32_t c = colour(x, y);
            for (int i = 0; i < bytes; ++i) row[x * bytes + i] = static_cast<uint8_t>(c >> (8 * i));
        }
    }
    return b;
}

uint32_t Pattern(int32_t x, int32_t y) {
    const auto r = static_cast<uint32_t>((x * 255) / 64 % 256);
    const auto g = static_cast<uint32_t>((y * 7 + x * 3) % 256);
    const auto b = static_cast<uint32_t>(((x / 8 + y / 8) % 2) ? 200 : 40);
    return (r << 16) | (g << 8) | b;
}

std::vector<uint8_t> CorpusBytes(const std::string& name) {
    return ReadWholeFile(std::string(NOXSTEG_CORPUS_DIR) + "/jpeg/" + name);
}

std::vector<uint8_t> SaveAsJpeg(const TBitmap& picture, int quality, const std::function<void(TJPEGImage&)>& tweak) {
    TJPEGImage image;
    image.SetCompressionQuality(static_cast<uint8_t>(quality));
    if (tweak) tweak(image);
    TBitmap copy(picture);
    image.Assign(&copy);
    TMemoryStream out;
    image.SaveToStream(out);
    return out.Buffer();
}

Surface DrawToSurface(TJPEGImage& image, uint32_t fill) {
    Surface s;
    s.width = image.Width();
    s.height = image.Height();
    s.pixels.assign(static_cast<size_t>(s.width) * static_cast<size_t>(s.height), fill);
    TCanvas canvas(s.pixels.data(), s.width, s.height);
    image.Draw(canvas, Rect(0, 0, s.width, s.height));
    return s;
}

void LoadBytes(TJPEGImage& image, const std::vector<uint8_t>& bytes) {
    TMemoryStream in(bytes);
    image.LoadFromStream(in);
}

std::vector<Segment> HeaderSegments(const std::vector<uint8_t>& file) {
    std::vector<Segment> segments;
    size_t i = 2;  // after SOI
    while (i + 4 <= file.size() && file[i] == 0xFF) {
        const uint8_t marker = file[i + 1];
        const size_t length = (size_t{file[i + 2]} << 8) | file[i + 3];
        if (length < 2 || i + 2 + length > file.size()) break;
        segments.push_back({marker, std::vector<uint8_t>(file.begin() + static_cast<long>(i + 4),
                                                         file.begin() + static_cast<long>(i + 2 + length))});
        if (marker == 0xDA) break;
        i += 2 + length;
    }
    return segments;
}

std::vector<std::vector<uint16_t>> QuantTables(const std::vector<uint8_t>& file) {
    std::vector<std::vector<uint16_t>> tables;
    for (const Segment& s : HeaderSegments(file)) {
        if (s.marker != 0xDB) continue;
        size_t i = 0;
        while (i < s.payload.size()) {
            const bool wide = (s.payload[i] >> 4) != 0;
            ++i;
            std::vector<uint16_t> t;
            for (int k = 0; k < 64 && i < s.payload.size(); ++k) {
                t.push_back(wide ? static_cast<uint16_t>((s.payload[i] << 8) | s.payload[i + 1]) : s.payload[i]);
                i += wide ? 2 : 1;
            }
            tables.push_back(t);
        }
    }
    return tables;
}

Surface ReferenceDecode(const std::vector<uint8_t>& bytes, const std::function<void(jpeg_decompress_struct&)>& setup) {
    jpeg_decompress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    // The reference only reads files the tests know to be decodable; the standard error manager
    // would end the program on an error, which a test run reports plainly.
    err.emit_message = [](j_common_ptr, int) {};
    jpeg_create_decompress(&c);
    jpeg_mem_src(&c, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&c, TRUE);
    if (c.jpeg_color_space != JCS_GRAYSCALE && c.num_components == 3) c.out_color_space = JCS_RGB;
    if (setup) setup(c);
    jpeg_start_decompress(&c);
    Surface s;
    s.width = static_cast<int32_t>(c.output_width);
    s.height = static_cast<int32_t>(c.output_height);
    s.pixels.resize(static_cast<size_t>(s.width) * static_cast<size_t>(s.height));
    std::vector<uint8_t> row(static_cast<size_t>(c.output_width) * static_cast<size_t>(c.output_components));
    while (c.output_scanline < c.output_height) {
        const JDIMENSION y = c.output_scanline;
        JSAMPROW p = row.data();
        jpeg_read_scanlines(&c, &p, 1);
        for (JDIMENSION x = 0; x < c.output_width; ++x) {
            uint32_t r, g, b;
            if (c.quantize_colors) {
                const int i = row[x];
                r = c.colormap[0][i];
                g = c.out_color_components == 3 ? c.colormap[1][i] : r;
                b = c.out_color_components == 3 ? c.colormap[2][i] : r;
            } else if (c.output_components == 1) {
                r = g = b = row[x];
            } else {
                r = row[3 * x];
                g = row[3 * x + 1];
                b = row[3 * x + 2];
            }
            s.pixels[y * c.output_width + x] = (r << 16) | (g << 8) | b;
        }
    }
    jpeg_finish_decompress(&c);
    jpeg_destroy_decompress(&c);
    return s;
}

std::vector<uint8_t> ReferenceEncode(const TBitmap& picture24, int quality,
                                     const std::function<void(jpeg_compress_struct&)>& setup) {
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &buffer, &size);
    c.image_width = static_cast<JDIMENSION>(picture24.GetWidth());
    c.image_height = static_cast<JDIMENSION>(picture24.GetHeight());
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, quality, TRUE);
    if (setup) setup(c);
    jpeg_start_compress(&c, TRUE);
    std::vector<uint8_t> row(static_cast<size_t>(picture24.GetWidth()) * 3);
    for (int32_t y = 0; y < picture24.GetHeight(); ++y) {
        const uint8_t* bgr = picture24.ScanLine(y);
        for (size_t x = 0; x < row.size(); x += 3) {
            row[x] = bgr[x + 2];
            row[x + 1] = bgr[x + 1];
            row[x + 2] = bgr[x];
        }
        JSAMPROW p = row.data();
        jpeg_write_scanlines(&c, &p, 1);
    }
    jpeg_finish_compress(&c);
    std::vector<uint8_t> bytes(buffer, buffer + size);
    jpeg_destroy_compress(&c);
    free(buffer);
    return bytes;
}

}  // namespace nox::testing
