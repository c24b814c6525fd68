// Fuzz target: a picture read as BMP (as the bmp target reads it), then reveal in the default
// layout and in one the input's last byte picks, and the whole scan, once with the picture's
// opaque alpha and once with alpha taken from red so that the alpha layouts run too. A revealed
// payload must fit the capacity and hide back to the same record, and every payload the scan
// finds must reveal.
#include "analysis/HiddenBytes.h"
#include "analysis/Scan.h"
#include "formats/bmp/Bmp.h"
#include "fuzz/FuzzCommon.h"
#include "image/Bitmap32.h"
#include "platform/Bitmap.h"

using namespace nox;

namespace {

void RevealIn(TBitmap32& pane, const analysis::TLayout& layout) {
    const auto payload = analysis::RevealPayload(pane, layout);
    if (!payload) return;
    fuzz::Check(payload->size() + analysis::kRecordOverhead <= analysis::Capacity(pane.Width(), pane.Height(), layout),
                "revealed payload larger than the capacity");
    // Hiding the payload again writes the record that is there: nothing changes.
    const std::vector<TColor32> before(pane.Bits(), pane.Bits() + pane.PixelCount());
    analysis::HidePayload(pane, layout, *payload);
    fuzz::Check(std::equal(before.begin(), before.end(), pane.Bits()), "hiding a revealed payload changed the picture");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (fuzz::DeclaredPixels("bmp", data, size) > fuzz::kMaxFuzzPixels) return 0;
    TMemoryStream in = fuzz::View(data, size);
    TBitmap bitmap;
    if (!fuzz::Expect({"EInvalidGraphic", "EReadError", "EOutOfMemory"}, [&] { ReadBmp(bitmap, in); })) return 0;
    TBitmap32 pane;
    pane.Assign(&bitmap);

    static const std::vector<analysis::TLayout> layouts = analysis::ScanLayouts(true);
    for (int pass = 0; pass < 2; ++pass) {
        RevealIn(pane, analysis::TLayout{});
        RevealIn(pane, layouts[size > 0 ? data[size - 1] % layouts.size() : 0]);
        // The scan checks a payload's CRC piece by piece; reveal reads it whole. They must agree.
        for (const analysis::TFinding& finding : analysis::Scan(pane)) {
            if (finding.Kind != analysis::TFindingKind::Payload) continue;
            const auto payload = analysis::RevealPayload(pane, finding.Layout);
            fuzz::Check(payload && payload->size() == finding.PayloadSize, "scan and reveal disagree on a payload");
        }
        for (size_t i = 0; i < pane.PixelCount(); ++i) pane.Bits()[i] = (pane.Bits()[i] & 0x00FFFFFFu) | (pane.Bits()[i] << 8 & 0xFF000000u);
    }
    return 0;
}
