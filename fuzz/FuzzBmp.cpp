// Fuzz target: the BMP reader, then the pane's buffer taking the picture over (TBitmap32::Assign),
// then the picture written as a 32-bit BMP and read back, which must give the same pixels.
#include "formats/bmp/Bmp.h"
#include "fuzz/FuzzCommon.h"
#include "image/Bitmap32.h"
#include "platform/Bitmap.h"

using namespace nox;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (fuzz::DeclaredPixels("bmp", data, size) > fuzz::kMaxFuzzPixels) return 0;
    TMemoryStream in = fuzz::View(data, size);
    TBitmap bitmap;
    if (!fuzz::Expect({"EInvalidGraphic", "EReadError", "EOutOfMemory"}, [&] { ReadBmp(bitmap, in); })) return 0;

    TBitmap32 pane;
    // The reader has judged the pane's size already: taking the picture over cannot fail.
    pane.Assign(&bitmap);
    fuzz::Check(pane.Width() == bitmap.GetWidth() && pane.Height() == bitmap.GetHeight(), "pane size differs from the picture's");
    fuzz::Check(fuzz::AllOpaque(pane.Bits(), pane.PixelCount()), "pane pixel not opaque");

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
        fuzz::Check(fuzz::SameColours(row.data(), pane.Bits() + size_t(y) * row.size(), row.size()) && fuzz::AllOpaque(row.data(), row.size()),
                    "saved BMP reads back other pixels");
    }
    return 0;
}
