// Installs the BMP reader and writer as the device bitmap's codec and registers "bmp".
#include <memory>
#include <mutex>

#include "formats/bmp/Bmp.h"
#include "platform/Picture.h"

namespace nox {

void RegisterBmpFormat() {
    static std::once_flag once;
    std::call_once(once, [] {
        TBitmap::SetCodec([](TBitmap& bitmap, TStream& stream) { ReadBmp(bitmap, stream); },
                          [](TBitmap& bitmap, TStream& stream) { WriteBmp(bitmap, stream); });
        TPicture::RegisterFileFormat("bmp", "Bitmaps", [] { return std::make_unique<TBitmap>(); });
    });
}

}  // namespace nox
