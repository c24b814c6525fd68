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
inline constexpr unsigned CF_TEXT = 1;
inline constexpr unsigned CF_BITMAP = 2;
inline constexpr unsigned CF_METAFILEPICT = 3;
inline constexpr unsigned CF_DIB = 8;
inline constexpr unsigned CF_PALETTE = 9;
inline constexpr unsigned CF_ENHMETAFILE = 14;

namespace msg {
inline constexpr const char* kCannotOpenClipboard = "Cannot open clipboard";
inline constexpr const char* kUnsupportedClipboardFormat = "Unsupported clipboard format";
inline constexpr const char* kInvalidClipboardFormat = "Invalid clipboard format";
}  // namespace msg

// Registers a format by name and returns its number (the same number for the same name, matched
// without regard to case; numbers start at 0xC000).
unsigned RegisterClipboardFormat(const std::string& name);
// The name of a registered format ("" for other numbers).
std::string ClipboardFormatName(unsigned format);

class TClipboard : public TPersistent {
public:
    const char* ClassName() const override { return "TClipboard"; }

    // EClipboardException "Cannot open clipboard" when it cannot be had.
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

    // Copy: a device bitmap (or a picture container's device bitmap) becomes the clipboard's one
    // picture, replacing everything on it; the clipboard is closed on every path. Other sources
    // give the conversion error.
    void Assign(TPersistent* source) override;
};

// A clipboard held in memory: the entries keep the order in which they were placed, as a desktop
// clipboard lists its formats. Tests script it (entries without data, a clipboard held by another
// program) and check how it was used (opened and closed in pairs).
class TMemoryClipboard : public TClipboard {
public:
    const char* ClassName() const override { return "TMemoryClipboard"; }

    // EClipboardException "Cannot open clipboard" while `HeldByOther` is set.
    void Open() override;
    void Close() override;
    // Removes every entry.
    void Clear() override;
    std::vector<unsigned> Formats() override;
    std::optional<std::vector<uint8_t>> GetData(unsigned format) override;
    std::unique_ptr<TBitmap> GetBitmap() override;
    // Replaces the CF_BITMAP entry (and CF_PALETTE: the colour table as blue-green-red-reserved
    // quadruples when the picture has one, else none) and keeps the other entries, as a desktop
    // clipboard does when one format is placed again.
    void SetBitmap(const TBitmap& bitmap) override;

    // ---- scripting ------------------------------------------------------------------------------
    // Appends (or replaces in place) a memory-block entry.
    void SetData(unsigned format, std::vector<uint8_t> bytes);
    // Appends (or replaces in place) an entry that is listed but whose data cannot be had.
    void SetFormatWithoutData(unsigned format);

    bool HeldByOther = false;
    int OpenCount = 0;
    int CloseCount = 0;
    bool IsOpen() const { return OpenCount > CloseCount; }

private:
    struct Entry {
        unsigned Format = 0;
        std::optional<std::vector<uint8_t>> Data;
        std::shared_ptr<const TBitmap> Bitmap;  // CF_BITMAP only
    };
    Entry& Place(unsigned format);
    void Remove(unsigned format);
    std::vector<Entry> entries_;
};

}  // namespace nox
