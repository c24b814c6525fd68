// The GIF picture's side of pasting.
#include "formats/gif/GifClipboard.h"

#include "formats/gif/GifWriter.h"
#include "platform/Errors.h"
#include "platform/Stream.h"

namespace nox {

void LoadGIFFromClipboard(TGIFImage& image, TClipboard& clipboard, unsigned format) {
    if (format != 0 && format == CF_GIF()) {
        std::optional<std::vector<uint8_t>> data = clipboard.GetData(format);
        if (!data) throw GIFException(gifmsg::kUnsupportedClipboardFormat);
        TMemoryStream stream(std::move(*data));
        image.LoadFromStream(stream);
        return;
    }
    if (format == CF_BITMAP) {
        std::unique_ptr<TBitmap> bitmap = clipboard.GetBitmap();
        if (!bitmap) throw GIFException(gifmsg::kUnsupportedClipboardFormat);
        AssignBitmapToGIF(image, *bitmap);
        return;
    }
    throw GIFException(gifmsg::kUnsupportedClipboardFormat);
}

}  // namespace nox
