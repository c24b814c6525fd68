// Direct calls into libjpeg-turbo, giflib and stb_image (see Peers.h).
#include "bench/Peers.h"

#include <cstdio>
#include <cstring>
#include <stdexcept>

#include <jpeglib.h>
#include <gif_lib.h>
#include <png.h>
#include <zlib.h>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_BMP
#define STBI_ONLY_GIF
#define STBI_ONLY_PNG
#include <stb/stb_image.h>

namespace nox::bench {

// ---- libjpeg-turbo -----------------------------------------------------------------------------

std::vector<uint8_t> JpegEncode(const uint8_t* bgr, size_t rowBytes, int width, int height, int quality) {
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* mem = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &mem, &size);
    c.image_width = JDIMENSION(width);
    c.image_height = JDIMENSION(height);
    c.input_components = 3;
    c.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, quality, TRUE);
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = const_cast<uint8_t*>(bgr + size_t(c.next_scanline) * rowBytes);
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    std::vector<uint8_t> out(mem, mem + size);
    jpeg_destroy_compress(&c);
    std::free(mem);
    return out;
}

void JpegDecode(const std::vector<uint8_t>& file, std::vector<uint8_t>& out, int& width, int& height) {
    jpeg_decompress_struct d{};
    jpeg_error_mgr err{};
    d.err = jpeg_std_error(&err);
    jpeg_create_decompress(&d);
    jpeg_mem_src(&d, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_read_header(&d, TRUE);
    d.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&d);
    width = int(d.output_width);
    height = int(d.output_height);
    const size_t rowBytes = (size_t(width) * 3 + 3) & ~size_t{3};
    out.resize(rowBytes * size_t(height));
    while (d.output_scanline < d.output_height) {
        JSAMPROW row = out.data() + size_t(d.output_scanline) * rowBytes;
        jpeg_read_scanlines(&d, &row, 1);
    }
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
}

// ---- giflib -------------------------------------------------------------------------------------

namespace {
struct Reader {
    const std::vector<uint8_t>* bytes;
    size_t at = 0;
};

int ReadGif(GifFileType* gif, GifByteType* buffer, int count) {
    auto* r = static_cast<Reader*>(gif->UserData);
    const size_t n = std::min(size_t(count), r->bytes->size() - r->at);
    std::memcpy(buffer, r->bytes->data() + r->at, n);
    r->at += n;
    return int(n);
}

int WriteGif(GifFileType* gif, const GifByteType* buffer, int count) {
    auto* out = static_cast<std::vector<uint8_t>*>(gif->UserData);
    out->insert(out->end(), buffer, buffer + count);
    return count;
}
}  // namespace

std::vector<uint8_t> GifEncode(const uint8_t* indices, int width, int height, const std::vector<uint8_t>& rgb) {
    std::vector<uint8_t> out;
    out.reserve(size_t(width) * size_t(height) / 2);
    int error = 0;
    GifFileType* gif = EGifOpen(&out, WriteGif, &error);
    if (!gif) throw std::runtime_error("EGifOpen failed");
    int colours = 2;
    while (colours * 3 < int(rgb.size())) colours *= 2;
    std::vector<GifColorType> table(static_cast<size_t>(colours));
    for (size_t i = 0; i * 3 < rgb.size(); ++i) table[i] = {rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]};
    ColorMapObject* map = GifMakeMapObject(colours, table.data());
    EGifPutScreenDesc(gif, width, height, 8, 0, map);
    EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr);
    for (int y = 0; y < height; ++y)
        EGifPutLine(gif, const_cast<GifPixelType*>(indices + size_t(y) * size_t(width)), width);
    GifFreeMapObject(map);
    EGifCloseFile(gif, &error);
    return out;
}

size_t GifSlurp(const std::vector<uint8_t>& file) {
    Reader reader{&file};
    int error = 0;
    GifFileType* gif = DGifOpen(&reader, ReadGif, &error);
    if (!gif) return 0;
    size_t pixels = 0;
    if (DGifSlurp(gif) == GIF_OK && gif->ImageCount > 0)
        pixels = size_t(gif->SavedImages[0].ImageDesc.Width) * size_t(gif->SavedImages[0].ImageDesc.Height);
    DGifCloseFile(gif, &error);
    return pixels;
}

// ---- stb_image ----------------------------------------------------------------------------------

// ---- libpng --------------------------------------------------------------------------------------

namespace {

void AppendToVector(png_structp png, png_bytep data, size_t length) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

}  // namespace

std::vector<uint8_t> PngEncode(const uint32_t* pixels, int width, int height) {
    std::vector<uint8_t> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        throw std::runtime_error("libpng could not write");
    }
    png_set_write_fn(png, &out, AppendToVector, nullptr);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
    png_set_compression_level(png, 6);
    png_set_compression_strategy(png, Z_FILTERED);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_ALL_FILTERS);
    png_write_info(png, info);
    png_set_bgr(png);
    png_set_filler(png, 0, PNG_FILLER_AFTER);
    for (int y = 0; y < height; ++y)
        png_write_row(png, reinterpret_cast<png_const_bytep>(pixels + size_t(y) * size_t(width)));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

size_t PngDecode(const std::vector<uint8_t>& file, std::vector<uint8_t>& out) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, file.data(), file.size())) return 0;
    image.format = PNG_FORMAT_BGRA;
    out.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, out.data(), 0, nullptr)) return 0;
    return size_t(image.width) * image.height;
}

size_t StbDecode(const std::vector<uint8_t>& file) {
    int w = 0, h = 0, n = 0;
    stbi_uc* px = stbi_load_from_memory(file.data(), int(file.size()), &w, &h, &n, 4);
    if (!px) return 0;
    stbi_image_free(px);
    return size_t(w) * size_t(h);
}

size_t StbDecodeFile(const char* path) {
    int w = 0, h = 0, n = 0;
    stbi_uc* px = stbi_load(path, &w, &h, &n, 4);
    if (!px) return 0;
    stbi_image_free(px);
    return size_t(w) * size_t(h);
}

}  // namespace nox::bench
