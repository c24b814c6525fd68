// Fuzz target: a whole open -> combine -> save -> open again round trip, as the window and
// noxsteg-cli do it. The input is split into two picture files:
//   byte 0       the operation: subtract, add, add bit, set LSBs, show LSBs, blacken, whiten, none
//   byte 1       bits 0-1 the Left file's format, bits 2-3 the Middle file's, bits 4-5 the saved
//                file's (0 BMP, 1 JPEG, 2 GIF, 3 BMP)
//   byte 2       the JPEG quality (mod 101)
//   bytes 3, 4   the Left file's length n (little-endian), then n bytes of the Left file and the
//                rest the Middle file.
// The saved file must open again at the Right picture's size, and a BMP with its exact colours.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "files/PictureFiles.h"
#include "fuzz/FuzzCommon.h"
#include "image/Bitmap32.h"
#include "image/Combine.h"

using namespace nox;

namespace {

constexpr TPictureFormat kFormats[4] = {TPictureFormat::pfBMP, TPictureFormat::pfJPEG, TPictureFormat::pfGIF,
                                        TPictureFormat::pfBMP};
constexpr const char* kExtensions[4] = {".bmp", ".jpg", ".gif", ".BMP"};
constexpr const char* kFormatNames[4] = {"bmp", "jpeg", "gif", "bmp"};

std::string ScratchName(const char* role, int format) {
    const char* folder = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    return std::string(folder) + "/noxsteg-fuzz-" + std::to_string(getpid()) + "-" + role + kExtensions[format];
}

void WriteBytes(const std::string& path, const uint8_t* data, size_t size) {
    FILE* f = std::fopen(path.c_str(), "wb");
    fuzz::Check(f != nullptr, "cannot create a scratch file");
    fuzz::Check(std::fwrite(data, 1, size, f) == size && std::fclose(f) == 0, "cannot write a scratch file");
}

// Opens a file into a pane as LoadPicture does; a refused file leaves the pane empty.
void Open(const uint8_t* data, size_t size, int format, const char* role, TBitmap32& pane) {
    if (fuzz::DeclaredPixels(kFormatNames[format], data, size) > fuzz::kMaxFuzzPixels) return;
    const std::string path = ScratchName(role, format);
    WriteBytes(path, data, size);
    fuzz::Expect({"EInvalidGraphic", "EReadError", "EOutOfMemory", "EJPEG", "GIFException",
                  "Exception: Can't allocate the DIB handle"},
                 [&] { ReadPictureFile(path, pane); });
    std::remove(path.c_str());
    if (uint64_t(pane.Width()) * uint64_t(pane.Height()) > fuzz::kMaxFuzzPixels) pane.SetSize(0, 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool registered = (RegisterPictureFormats(), true);
    (void)registered;
    if (size < 5) return 0;
    const int operation = data[0] % 8;
    const int leftFormat = data[1] & 3, middleFormat = (data[1] >> 2) & 3, outFormat = (data[1] >> 4) & 3;
    const int quality = data[2] % 101;
    const size_t leftSize = std::min<size_t>(size - 5, size_t(data[3]) | size_t(data[4]) << 8);
    const uint8_t* left = data + 5;
    const uint8_t* middle = left + leftSize;
    const size_t middleSize = size - 5 - leftSize;

    TBitmap32 paneL, paneM, paneR;
    Open(left, leftSize, leftFormat, "left", paneL);
    Open(middle, middleSize, middleFormat, "middle", paneM);

    switch (operation) {
        case 0: Subtract(paneL, paneM, paneR); break;
        case 1: Add(paneL, paneM, paneR); break;
        case 2: AddBit(paneL, paneM, paneR); break;
        case 3: SetLSBs(paneL, paneM, paneR); break;
        case 4: ShowLSBs(paneL, paneM, paneR); break;
        case 5: Blacken(paneL); paneR.Assign(&paneL); break;
        case 6: Whiten(paneL); paneR.Assign(&paneL); break;
        default: paneR.Assign(&paneL); break;
    }

    const std::string saved = ScratchName("right", outFormat);
    // GIF and JPEG files cannot hold every size a BMP can: beyond 65535 (GIF) or 65500 (JPEG)
    // pixels in either direction their writers refuse the picture with their error.
    const int32_t longest = std::max(paneR.Width(), paneR.Height());
    if ((kFormats[outFormat] == TPictureFormat::pfGIF && longest > 65535) ||
        (kFormats[outFormat] == TPictureFormat::pfJPEG && longest > 65500)) {
        fuzz::Expect({"GIFException: Invalid image dimensions", "EJPEG"},
                     [&] { WritePictureFile(saved, paneR, kFormats[outFormat], quality); });
        std::remove(saved.c_str());
        return 0;
    }
    // Any other save of a sound pane cannot fail here: every error is a fault.
    WritePictureFile(saved, paneR, kFormats[outFormat], quality);
    TBitmap32 reopened;
    ReadPictureFile(saved, reopened);
    std::remove(saved.c_str());
    // An empty pane may still have a width (5 x 0): it saves as an empty file, which opens empty.
    if (paneR.IsEmpty())
        fuzz::Check(reopened.IsEmpty(), "an empty pane saved opens again as a picture");
    else
        fuzz::Check(reopened.Width() == paneR.Width() && reopened.Height() == paneR.Height(),
                    "a saved picture opens again at another size");
    if (kFormats[outFormat] == TPictureFormat::pfBMP)
        fuzz::Check(fuzz::SameColours(reopened.Bits(), paneR.Bits(), paneR.PixelCount()),
                    "a saved BMP opens again with other colours");
    return 0;
}
