// The clipboard as the program sees it: a list of formats in the clipboard's own order, each with
// its data, opened and closed around every use. Tests use a scripted implementation; the window
// uses the one over the desktop's clipboard (platform/qt/).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Bitmap.h"
#include "platform/Persistent.h"

namespace nox {

// Standard format numbers.
inline constexpr unsigned CF_BITMAP = 2;
inline constexpr unsigned CF_METAFILEPICT = 3;
inline constexpr unsigned CF_PALETTE = 9;
inline constexpr unsigned CF_ENHMETAFILE = 14;

// Registers a format by name and returns its number (the same number for the same name, matched
// without regard to case; numbers start at 0xC000).
unsigned RegisterClipboardFormat(const std::string& name);
// The name of a registered format ("" for other numbers).
std::string ClipboardFormatName(unsigned format);

class TClipboard : public TPersistent {
public:
    const char* ClassName() const override { return "TClipboard"; }

    // EClipboardException "Cannot open clipboard" when another program holds it.
    virtual void Open() = 0;
    virtual void Close() = 0;
    virtual void Clear() = 0;

    // The formats on the clipboard, in its own order.
    virtual std::vector<unsigned> Formats() = 0;
    // The data of a memory-block format (a registered format such as "GIF Image").
    virtual std::optional<std::vector<uint8_t>> GetData(unsigned format) = 0;
    // The picture of CF_BITMAP, or nothing when that entry has no data.
    virtual std::unique_ptr<TBitmap> GetBitmap() = 0;
    // Places a picture as CF_BITMAP (and its colour table as CF_PALETTE when it has one).
    virtual void SetBitmap(const TBitmap& bitmap) = 0;
};

}  // namespace nox
