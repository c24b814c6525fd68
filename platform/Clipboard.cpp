// The process-wide registry of named clipboard formats, and the clipboard held in memory.
#include "platform/Clipboard.h"

#include <cctype>
#include <mutex>

#include "platform/Errors.h"
#include "platform/Picture.h"

namespace nox {

namespace {

struct FormatNames {
    std::mutex lock;
    std::vector<std::string> names;  // index i is format 0xC000 + i
};

FormatNames& Names() {
    static FormatNames names;
    return names;
}

bool SameText(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
    return true;
}

}  // namespace

unsigned RegisterClipboardFormat(const std::string& name) {
    auto& n = Names();
    std::lock_guard guard(n.lock);
    for (size_t i = 0; i < n.names.size(); ++i)
        if (SameText(n.names[i], name)) return 0xC000 + static_cast<unsigned>(i);
    n.names.push_back(name);
    return 0xC000 + static_cast<unsigned>(n.names.size() - 1);
}

std::string ClipboardFormatName(unsigned format) {
    auto& n = Names();
    std::lock_guard guard(n.lock);
    if (format < 0xC000 || format - 0xC000 >= n.names.size()) return {};
    return n.names[format - 0xC000];
}

// ---- TClipboard ------------------------------------------------------------------------------

void TClipboard::Assign(TPersistent* source) {
    const TBitmap* bitmap = dynamic_cast<TBitmap*>(source);
    if (auto* picture = dynamic_cast<TPicture*>(source)) bitmap = dynamic_cast<TBitmap*>(picture->Graphic());
    if (bitmap == nullptr) {
        TPersistent::Assign(source);
        return;
    }
    Open();
    struct Closer {
        TClipboard& clipboard;
        ~Closer() { clipboard.Close(); }
    } closer{*this};
    Clear();
    SetBitmap(*bitmap);
}

// ---- TMemoryClipboard -------------------------------------------------------------------------

void TMemoryClipboard::Open() {
    if (HeldByOther) throw EClipboardException(msg::kCannotOpenClipboard);
    ++OpenCount;
}

void TMemoryClipboard::Close() { ++CloseCount; }

void TMemoryClipboard::Clear() { entries_.clear(); }

std::vector<unsigned> TMemoryClipboard::Formats() {
    std::vector<unsigned> formats;
    formats.reserve(entries_.size());
    for (const Entry& e : entries_) formats.push_back(e.Format);
    return formats;
}

std::optional<std::vector<uint8_t>> TMemoryClipboard::GetData(unsigned format) {
    for (const Entry& e : entries_)
        if (e.Format == format) return e.Data;
    return std::nullopt;
}

std::unique_ptr<TBitmap> TMemoryClipboard::GetBitmap() {
    for (const Entry& e : entries_)
        if (e.Format == CF_BITMAP && e.Bitmap) return std::make_unique<TBitmap>(*e.Bitmap);
    return nullptr;
}

void TMemoryClipboard::SetBitmap(const TBitmap& bitmap) {
    Place(CF_BITMAP).Bitmap = std::make_shared<const TBitmap>(bitmap);
    const auto& table = bitmap.ColorTable();
    if (table.empty()) {
        Remove(CF_PALETTE);
        return;
    }
    std::vector<uint8_t> bytes;
    bytes.reserve(table.size() * 4);
    for (const TRGBQuad& q : table) bytes.insert(bytes.end(), {q.Blue, q.Green, q.Red, q.Reserved});
    Place(CF_PALETTE).Data = std::move(bytes);
}

void TMemoryClipboard::SetData(unsigned format, std::vector<uint8_t> bytes) { Place(format).Data = std::move(bytes); }

void TMemoryClipboard::SetFormatWithoutData(unsigned format) {
    Entry& e = Place(format);
    e.Data.reset();
    e.Bitmap.reset();
}

TMemoryClipboard::Entry& TMemoryClipboard::Place(unsigned format) {
    for (Entry& e : entries_)
        if (e.Format == format) return e;
    entries_.push_back(Entry{format, std::nullopt, nullptr});
    return entries_.back();
}

void TMemoryClipboard::Remove(unsigned format) {
    std::erase_if(entries_, [format](const Entry& e) { return e.Format == format; });
}

}  // namespace nox
