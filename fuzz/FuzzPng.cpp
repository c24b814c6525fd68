// Fuzz target: the PNG reader, the pane taking the picture over with the file's alpha, and the
// picture saved as PNG and read back (same colours, every pixel opaque).
#include "formats/png/PngImage.h"
#include "fuzz/FuzzCommon.h"
#include "image/Bitmap32.h"

using namespace nox;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (fuzz::DeclaredPixels("png", data, size) > fuzz::kMaxFuzzPixels) return 0;
    TMemoryStream in = fuzz::View(data, size);
    TPNGImage png;
    if (!fuzz::Expect({"EInvalidGraphic", "EOutOfMemory"}, [&] { png.LoadFromStream(in); })) {
        fuzz::Check(png.Empty(), "a failed load leaves a picture");
        return 0;
    }
    TBitmap32 pane;
    pane.Assign(&png);
    fuzz::Check(pane.Width() == png.GetWidth() && pane.Height() == png.GetHeight(), "pane size differs from the picture's");
    for (int32_t y = 0; y < pane.Height(); ++y)
        fuzz::Check(std::memcmp(pane.RowAddress(y), png.ScanLine(y), size_t(pane.Width()) * 4) == 0,
                    "pane pixels (alpha included) differ from the file's");

    TMemoryStream saved;
    TPNGImage out;
    pane.AssignTo(out);
    out.SaveToStream(saved);
    saved.SetPosition(0);
    TPNGImage back;
    back.LoadFromStream(saved);
    fuzz::Check(back.GetWidth() == pane.Width() && back.GetHeight() == pane.Height(), "saved picture has another size");
    for (int32_t y = 0; y < pane.Height(); ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(back.ScanLine(y));
        fuzz::Check(fuzz::SameColours(row, pane.RowAddress(y), size_t(pane.Width())), "saved picture has other colours");
        fuzz::Check(fuzz::AllOpaque(row, size_t(pane.Width())), "saved picture is not opaque");
    }
    return 0;
}
