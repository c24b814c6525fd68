// Reading headers and decoding pixels: the picture's settings on top of the library's defaults,
// rows read straight into the device bitmap, progressive files optionally shown scan by scan.
#include <algorithm>
#include <cstring>

#include "formats/jpeg/JpegCodec.h"
#include "formats/jpeg/JpegLibrary.h"
#include "platform/Errors.h"

namespace nox::jpeg {

namespace {

// How the library's output is laid out for a decode.
struct OutputPlan {
    bool fourComponents = false;  // CMYK or YCCK: rows come as inverted CMYK and are converted here
    bool quantize = false;        // 8-bit output with a palette
    int components = 3;           // samples per output pixel before quantisation
    // The settings chosen for the final output pass (progressive display runs earlier passes faster).
    J_DCT_METHOD dctMethod = JDCT_ISLOW;
    boolean twoPassQuantize = TRUE;
    J_DITHER_MODE ditherMode = JDITHER_FS;
};

OutputPlan ApplySettings(jpeg_decompress_struct& c, const TJPEGSettings& s) {
    OutputPlan plan;
    c.do_block_smoothing = s.Smoothing ? TRUE : FALSE;
    if (c.num_components == 4) {
        // The library converts four-component files only to CMYK; red, green and blue are worked
        // out per row. Such files always decode to 24 bits.
        plan.fourComponents = true;
        c.out_color_space = JCS_CMYK;
    } else {
        if (s.Grayscale) {
            c.out_color_space = JCS_GRAYSCALE;
        } else if (c.jpeg_color_space != JCS_GRAYSCALE) {
            // Blue first, as a 24-bit device bitmap stores its pixels.
            c.out_color_space = JCS_EXT_BGR;
        }
        plan.quantize = s.PixelFormat == jf8Bit || c.out_color_space == JCS_GRAYSCALE;
        plan.components = c.out_color_space == JCS_GRAYSCALE ? 1 : 3;
    }
    if (plan.quantize) {
        c.quantize_colors = TRUE;
        c.desired_number_of_colors = 236;
    }
    if (s.Performance == jpBestSpeed) {
        c.dct_method = JDCT_IFAST;
        c.two_pass_quantize = FALSE;
        c.dither_mode = JDITHER_ORDERED;
    }
    c.scale_num = 1;
    c.scale_denom = ScaleDenominator(s.Scale);
    plan.dctMethod = c.dct_method;
    plan.twoPassQuantize = c.two_pass_quantize;
    plan.ditherMode = c.dither_mode;
    return plan;
}

// Adobe-style inverted CMYK, as the library delivers it: each colour is its ink value times the
// black value.
void InvertedCmykToBgr(const uint8_t* cmyk, uint8_t* bgr, JDIMENSION width) {
    for (JDIMENSION x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
        const unsigned k = cmyk[3];
        bgr[0] = static_cast<uint8_t>((cmyk[2] * k + 127) / 255);
        bgr[1] = static_cast<uint8_t>((cmyk[1] * k + 127) / 255);
        bgr[2] = static_cast<uint8_t>((cmyk[0] * k + 127) / 255);
    }
}

// Reads every output row of the current pass, top row first, each straight into its row of
// `picture` (through `cmykRow` for four-component files).
void ReadRows(Decompressor& d, TBitmap& picture, uint8_t* cmykRow) {
    jpeg_decompress_struct& c = d.cinfo;
    d.Run([&] {
        while (c.output_scanline < c.output_height) {
            const JDIMENSION y = c.output_scanline;
            JSAMPROW row = cmykRow != nullptr ? cmykRow : picture.ScanLine(static_cast<int32_t>(y));
            // Our source never suspends, so no row is ever missing; stop rather than spin if one were.
            if (jpeg_read_scanlines(&c, &row, 1) != 1) break;
            if (cmykRow != nullptr) InvertedCmykToBgr(cmykRow, picture.ScanLine(static_cast<int32_t>(y)), c.output_width);
        }
    });
    // The rows' padding, and rows that were never read, are cleared.
    const size_t used = size_t{c.output_width} * static_cast<size_t>(picture.BitsPerPixel() / 8);
    const size_t rowBytes = picture.RowBytes();
    for (JDIMENSION y = 0; y < c.output_height; ++y) {
        uint8_t* row = picture.ScanLine(static_cast<int32_t>(y));
        if (y >= c.output_scanline)
            std::memset(row, 0, rowBytes);
        else if (rowBytes > used)
            std::memset(row + used, 0, rowBytes - used);
    }
}

// The palette of the library's colour map (samples in output order: blue, green, red).
std::vector<TRGBQuad> PaletteOfColorMap(const jpeg_decompress_struct& c) {
    std::vector<TRGBQuad> table;
    const int n = std::clamp(c.actual_number_of_colors, 0, 256);
    for (int i = 0; i < n; ++i) {
        if (c.out_color_components == 1) {
            const uint8_t grey = c.colormap[0][i];
            table.push_back(RGBQuad(grey, grey, grey));
        } else {
            table.push_back(RGBQuad(c.colormap[2][i], c.colormap[1][i], c.colormap[0][i]));
        }
    }
    return table;
}

// Makes `palette` the quantiser's colour map (colour output only: the library quantises greyscale
// with its own map).
void UseGivenPalette(Decompressor& d, const std::vector<TRGBQuad>& palette) {
    jpeg_decompress_struct& c = d.cinfo;
    const int n = static_cast<int>(std::min<size_t>(palette.size(), 256));
    d.Run([&] {
        c.colormap = (*c.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&c), JPOOL_IMAGE, static_cast<JDIMENSION>(n), 3);
    });
    for (int i = 0; i < n; ++i) {
        c.colormap[0][i] = palette[static_cast<size_t>(i)].Blue;
        c.colormap[1][i] = palette[static_cast<size_t>(i)].Green;
        c.colormap[2][i] = palette[static_cast<size_t>(i)].Red;
    }
    c.actual_number_of_colors = n;
}

// Progressive display: every scan is output as it arrives with the fast transform and ordered
// dithering, each pass overwriting the picture; the last pass, once all input is in, uses the
// settings chosen.
void ReadScanByScan(Decompressor& d, const OutputPlan& plan, bool givenPalette, TBitmap& picture, uint8_t* cmykRow) {
    jpeg_decompress_struct& c = d.cinfo;
    for (;;) {
        bool last = false;
        d.Run([&] { last = jpeg_input_complete(&c) != FALSE; });
        c.dct_method = last ? plan.dctMethod : JDCT_IFAST;
        if (plan.quantize && !givenPalette) {
            c.two_pass_quantize = last ? plan.twoPassQuantize : FALSE;
            c.dither_mode = last ? plan.ditherMode : JDITHER_ORDERED;
            c.colormap = nullptr;  // lets the library pick the quantiser of this pass
        }
        d.Run([&] { jpeg_start_output(&c, c.input_scan_number); });
        ReadRows(d, picture, cmykRow);
        d.Run([&] { jpeg_finish_output(&c); });
        if (last) break;
    }
}

}  // namespace

Header ReadHeader(std::span<const uint8_t> bytes) {
    Decompressor d(bytes);
    jpeg_decompress_struct& c = d.cinfo;
    Header h;
    d.Run([&] {
        jpeg_read_header(&c, TRUE);
        h.MultipleScans = jpeg_has_multiple_scans(&c) != FALSE;
    });
    h.Width = static_cast<int32_t>(c.image_width);
    h.Height = static_cast<int32_t>(c.image_height);
    h.Grayscale = c.jpeg_color_space == JCS_GRAYSCALE;
    return h;
}

void ScaledSize(std::span<const uint8_t> bytes, TJPEGScale scale, int32_t& width, int32_t& height) {
    Decompressor d(bytes);
    jpeg_decompress_struct& c = d.cinfo;
    d.Run([&] {
        jpeg_read_header(&c, TRUE);
        c.scale_num = 1;
        c.scale_denom = ScaleDenominator(scale);
        jpeg_calc_output_dimensions(&c);
    });
    width = static_cast<int32_t>(c.output_width);
    height = static_cast<int32_t>(c.output_height);
}

void Decode(std::span<const uint8_t> bytes, const TJPEGSettings& settings, const std::vector<TRGBQuad>* palette,
            TBitmap& picture) {
    Decompressor d(bytes);
    jpeg_decompress_struct& c = d.cinfo;
    d.Run([&] { jpeg_read_header(&c, TRUE); });
    const OutputPlan plan = ApplySettings(c, settings);
    picture.SetBitsPerPixel(plan.quantize ? 8 : 24);
    // The picture's memory is checked before the library sets up its own buffers, and the library
    // gets only what the picture leaves, so that the two together cannot exceed the machine.
    d.Run([&] { jpeg_calc_output_dimensions(&c); });
    const uint64_t pictureBytes = uint64_t{TBitmap::RowBytesFor(static_cast<int32_t>(c.output_width), picture.BitsPerPixel())} *
                                  c.output_height;
    CheckAllocationSize(pictureBytes);
    d.ReserveMemory(pictureBytes);

    const bool givenPalette = palette != nullptr && !palette->empty() && plan.quantize && plan.components == 3;
    if (givenPalette) {
        UseGivenPalette(d, *palette);
        picture.SetColorTable(std::vector<TRGBQuad>(palette->begin(), palette->begin() + c.actual_number_of_colors));
    }

    bool buffered = false;
    d.Run([&] { buffered = settings.ProgressiveDisplay && jpeg_has_multiple_scans(&c); });
    if (buffered) {
        c.buffered_image = TRUE;
        if (plan.quantize && !givenPalette) {
            c.enable_1pass_quant = TRUE;
            c.enable_2pass_quant = plan.twoPassQuantize;
        }
    }

    d.Run([&] { jpeg_start_decompress(&c); });
    // Rows read one after the other fill the picture (ReadRows clears the padding and what it does
    // not reach), so only the scan-by-scan display needs its memory cleared first.
    if (buffered)
        picture.SetSize(static_cast<int32_t>(c.output_width), static_cast<int32_t>(c.output_height));
    else
        picture.SetSizeUncleared(static_cast<int32_t>(c.output_width), static_cast<int32_t>(c.output_height));
    std::vector<uint8_t> cmykRow;
    if (plan.fourComponents) {
        CheckAllocationSize(uint64_t{c.output_width} * 4);
        cmykRow.resize(size_t{c.output_width} * 4);
    }
    uint8_t* cmyk = plan.fourComponents ? cmykRow.data() : nullptr;

    if (buffered) {
        ReadScanByScan(d, plan, givenPalette, picture, cmyk);
    } else {
        ReadRows(d, picture, cmyk);
    }
    if (plan.quantize && !givenPalette) picture.SetColorTable(PaletteOfColorMap(c));
    d.Run([&] { jpeg_finish_decompress(&c); });
}

}  // namespace nox::jpeg
