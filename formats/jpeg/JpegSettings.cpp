// The program-wide table of JPEG defaults.
#include "formats/jpeg/JpegSettings.h"

namespace nox {

TJPEGSettings& JPEGDefaults() {
    static TJPEGSettings defaults;
    return defaults;
}

void SetJPEGDisplayDepth(int bitsPerPixelTimesPlanes) {
    JPEGDefaults().PixelFormat = bitsPerPixelTimesPlanes <= 8 ? jf8Bit : jf24Bit;
}

}  // namespace nox
