// Taking the clipboard's picture into a GIF picture: the "GIF Image" format holds a whole GIF file,
// the plain bitmap format a device bitmap that becomes one colour-reduced frame.
#pragma once

#include "formats/gif/GifImage.h"
#include "platform/Clipboard.h"

namespace nox {

namespace gifmsg {
inline constexpr const char* kUnsupportedClipboardFormat = "Unsupported clipboard format";
}  // namespace gifmsg

// Loads `image` from the clipboard's data of `format` (the clipboard is open): "GIF Image" data is
// read with LoadFromStream, a CF_BITMAP picture assigned; any other format, or a format without
// data, fails with GIFException "Unsupported clipboard format".
void LoadGIFFromClipboard(TGIFImage& image, TClipboard& clipboard, unsigned format);

}  // namespace nox
