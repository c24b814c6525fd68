// Fuzz target: the BMP reader, then the pane's buffer taking the picture over (TBitmap32::Assign),
// then the picture written as a 32-bit BMP and read back, which must give the same pixels.
#include "formats/bmp/Bmp.h"
#include "fuzz/FuzzCommon.h"
#include "image/Bitmap32.h"
#include "platform/Bitmap.h"

using namespace nox;

namespace {

uint32_t Get32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

// The pixels the file's information header declares (0 when the header is cut short). Pictures
// are refused above a 1 GiB cap, but a file of a few bytes may still declare hundreds of
// megapixels below it; filling those takes seconds and would drown the search, so the fuzzer
// leaves pictures above kFuzzMaxPixels alone (the regression test reads such files instead).
uint64_t DeclaredPixels(const uint8_t* data, size_t size) {
    if (size < 26) return 0;
    if (Get32(data + 14) == 12) return uint64_t(data[18] | data[19] << 8) * uint64_t(data[20] | data[21] << 8);
    const int64_t width = int32_t(Get32(data + 18)), height = int32_t(Get32(data + 22));
    return uint64_t(width < 0 ? -width : width) * uint64_t(height < 0 ? -height : height);
}

constexpr uint64_t kFuzzMaxPixels = uint64_t{1} << 22;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (DeclaredPixels(data, size) > kFuzzMaxPixels) return 0;
    TMemoryStream in = fuzz::View(data, size);
    TBitmap bitmap;
    if (!fuzz::Expect({"EInvalidGraphic", "EReadError", "EOutOfMemory"}, [&] { ReadBmp(bitmap, in); })) return 0;

    TBitmap32 pane;
    // The reader has judged the pane's size already: taking the picture over cannot fail.
    pane.Assign(&bitmap);
    fuzz::Check(pane.Width() == bitmap.GetWidth() && pane.Height() == bitmap.GetHeight(), "pane size differs from the picture's");
    for (size_t i = 0; i < pane.PixelCount(); ++i) fuzz::Check(pane.Bits()[i] >> 24 == 0xFF, "pane pixel not opaque");

    // What a save and a new open of the same picture give.
    TBitmap saved;
    pane.AssignTo(saved);
    TMemoryStream file;
    WriteBmp(saved, file);
    file.SetPosition(0);
    TBitmap reread;
    ReadBmp(reread, file);
    fuzz::Check(reread.GetWidth() == pane.Width() && reread.GetHeight() == pane.Height(), "saved BMP reads back at another size");
    std::vector<uint32_t> row(static_cast<size_t>(pane.Width()));
    for (int32_t y = 0; y < pane.Height() && pane.Width() > 0; ++y) {
        reread.RowTo32(y, row.data());
        for (int32_t x = 0; x < pane.Width(); ++x)
            fuzz::Check(row[static_cast<size_t>(x)] == pane.GetPixel(x, y), "saved BMP reads back other pixels");
    }
    return 0;
}
