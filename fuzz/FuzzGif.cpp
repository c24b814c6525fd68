// Fuzz target: the GIF reader, then the pane's buffer taking the picture over, which paints the
// first frame into it (through its mask, onto the logical screen).
#include "formats/gif/GifImage.h"
#include "fuzz/FuzzCommon.h"
#include "image/Bitmap32.h"

using namespace nox;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const unsigned registered = RegisterGIFFormat();
    (void)registered;
    if (fuzz::DeclaredPixels("gif", data, size) > fuzz::kMaxFuzzPixels) return 0;
    TMemoryStream in = fuzz::View(data, size);
    TGIFImage gif;
    if (!fuzz::Expect({"GIFException", "EReadError", "EOutOfMemory"}, [&] { gif.LoadFromStream(in); })) {
        fuzz::Check(in.Position() == 0, "a failed load leaves the stream elsewhere than where it started");
        return 0;
    }
    // The reader lets a few bytes declare up to 128 megapixels of frame; painting renders the
    // first frame whole, which takes as long as its size asks, so large frames are left alone.
    if (uint64_t(gif.Width()) * uint64_t(gif.Height()) > fuzz::kMaxFuzzPixels) return 0;
    if (gif.Images.Count() > 0 && uint64_t(gif.Images[0]->Width()) * uint64_t(gif.Images[0]->Height()) > fuzz::kMaxFuzzPixels)
        return 0;
    TBitmap32 pane;
    if (!fuzz::Expect({"GIFException", "EOutOfMemory"}, [&] { pane.Assign(&gif); })) return 0;
    fuzz::Check(pane.Width() == gif.Width() && pane.Height() == gif.Height(), "pane size differs from the picture's");
    fuzz::Check(fuzz::AllOpaque(pane.Bits(), pane.PixelCount()), "pane pixel not opaque");
    return 0;
}
