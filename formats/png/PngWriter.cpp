// Writing a device bitmap as an 8-bit truecolour PNG through libspng, row by row into the stream.
#include <spng.h>

#include <exception>
#include <memory>
#include <utility>
#include <vector>

#include "formats/png/PngFilterChoice.h"
#include "formats/png/PngImage.h"
#include "platform/Errors.h"
#include "platform/Stream.h"

namespace nox {

namespace {

struct TContextFree {
    void operator()(spng_ctx* ctx) const { spng_ctx_free(ctx); }
};

// libspng's write callback: the stream's exception cannot pass through C code, so it is kept
// and thrown again once libspng has returned.
struct TSink {
    TStream& Stream;
    std::exception_ptr Error;
};

int WriteToStream(spng_ctx*, void* user, void* data, size_t length) {
    auto* sink = static_cast<TSink*>(user);
    try {
        sink->Stream.WriteBuffer(data, length);
        return 0;
    } catch (...) {
        sink->Error = std::current_exception();
        return SPNG_IO_ERROR;
    }
}

}  // namespace

void WritePng(const TBitmap& bitmap, TStream& stream) {
    const int32_t width = bitmap.GetWidth(), height = bitmap.GetHeight();
    if (width <= 0 || height <= 0) return;
    std::unique_ptr<spng_ctx, TContextFree> ctx(spng_ctx_new(SPNG_CTX_ENCODER));
    if (!ctx) throw EOutOfMemory(msg::kOutOfMemory);
    TSink sink{stream, nullptr};
    const auto check = [&sink](int result) {
        if (sink.Error) std::rethrow_exception(sink.Error);
        if (result != 0 && result != SPNG_EOI) throw EWriteError(Format(pngmsg::kInvalidPNG, spng_strerror(result)));
    };
    check(spng_set_png_stream(ctx.get(), WriteToStream, &sink));
    spng_ihdr ihdr{};
    ihdr.width = static_cast<uint32_t>(width);
    ihdr.height = static_cast<uint32_t>(height);
    ihdr.bit_depth = 8;
    ihdr.color_type = SPNG_COLOR_TYPE_TRUECOLOR;
    check(spng_set_ihdr(ctx.get(), &ihdr));
    check(spng_encode_image(ctx.get(), nullptr, 0, SPNG_FMT_PNG, SPNG_ENCODE_PROGRESSIVE | SPNG_ENCODE_FINALIZE));
    // One row at a time, converted while it is in the cache: 32-bit blue-green-red(-alpha) pixels
    // become red-green-blue bytes.
    std::vector<uint32_t> pixels(static_cast<size_t>(width));
    std::vector<uint8_t> row(static_cast<size_t>(width) * 3), previous(row.size());
    for (int32_t y = 0; y < height; ++y) {
        bitmap.RowTo32(y, pixels.data());
        for (size_t x = 0; x < pixels.size(); ++x) {
            row[3 * x] = static_cast<uint8_t>(pixels[x] >> 16);
            row[3 * x + 1] = static_cast<uint8_t>(pixels[x] >> 8);
            row[3 * x + 2] = static_cast<uint8_t>(pixels[x]);
        }
        // libspng's own choice among all five filters, made faster (see PngFilterChoice.h): the
        // row is written with the one filter chosen for it, and the file is the same.
        const int filter = ChoosePngFilter(row.data(), y > 0 ? previous.data() : nullptr, row.size());
        check(spng_set_option(ctx.get(), SPNG_FILTER_CHOICE, SPNG_FILTER_CHOICE_NONE << filter));
        check(spng_encode_row(ctx.get(), row.data(), row.size()));
        row.swap(previous);
    }
}

}  // namespace nox
