// Fuzz target: the JPEG picture loading a file (header only), then the pane's buffer taking it
// over, which decodes it and paints it into the buffer.
#include "formats/jpeg/JpegImage.h"
#include "fuzz/FuzzCommon.h"
#include "image/Bitmap32.h"

using namespace nox;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TMemoryStream in = fuzz::View(data, size);
    TJPEGImage jpeg;
    if (!fuzz::Expect({"EJPEG", "EReadError", "EOutOfMemory"}, [&] { jpeg.LoadFromStream(in); })) return 0;
    if (uint64_t(jpeg.Width()) * uint64_t(jpeg.Height()) > fuzz::kMaxFuzzPixels) return 0;
    TBitmap32 pane;
    if (!fuzz::Expect({"EJPEG", "EOutOfMemory"}, [&] { pane.Assign(&jpeg); })) return 0;
    fuzz::Check(pane.Width() == jpeg.Width() && pane.Height() == jpeg.Height(), "pane size differs from the picture's");
    fuzz::Check(fuzz::AllOpaque(pane.Bits(), pane.PixelCount()), "pane pixel not opaque");
    return 0;
}
