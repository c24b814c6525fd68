// The clipboard over QClipboard.
#include "platform/qt/QtClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>

#include <algorithm>
#include <cstring>

#include "platform/Errors.h"
#include "platform/Stream.h"

namespace nox {

namespace {

// Qt's own type for an image placed by a Qt program (ours included).
const QString kQtImage = QStringLiteral("application/x-qt-image");

bool IsBmpType(const QString& type) {
    return type == QLatin1String("image/bmp") || type == QLatin1String("image/x-bmp") ||
           type == QLatin1String("image/x-ms-bmp") || type == QLatin1String("image/x-win-bitmap");
}

QClipboard* SystemClipboard() {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr ? QGuiApplication::clipboard() : nullptr;
}

std::optional<std::vector<uint8_t>> Bytes(const QByteArray& data) {
    if (data.isEmpty()) return std::nullopt;
    return std::vector<uint8_t>(data.begin(), data.end());
}

// A picture converted by Qt into a 32-bit device bitmap (blue, green, red, 255 in memory).
std::unique_ptr<TBitmap> FromImage(const QImage& image) {
    if (image.isNull()) return nullptr;
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    if (rgb.isNull()) throw EOutOfMemory(msg::kOutOfMemory);
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetBitsPerPixel(32);
    bitmap->SetSize(rgb.width(), rgb.height());
    const size_t rowBytes = static_cast<size_t>(rgb.width()) * 4;
    for (int y = 0; y < rgb.height(); ++y) std::memcpy(bitmap->ScanLine(y), rgb.constScanLine(y), rowBytes);
    return bitmap;
}

}  // namespace

unsigned ClipboardFormatOfMimeType(const QString& type) {
    if (type == QLatin1String("image/gif")) return RegisterClipboardFormat("GIF Image");
    if (type == QLatin1String("image/png")) return RegisterClipboardFormat("PNG");
    if (type == kQtImage || type.startsWith(QLatin1String("image/"))) return CF_BITMAP;
    if (type == QLatin1String("text/plain")) return CF_TEXT;
    return 0;
}

const QMimeData* TQtClipboard::Data() const {
    QClipboard* clipboard = SystemClipboard();
    return clipboard ? clipboard->mimeData() : nullptr;
}

QString TQtClipboard::BitmapMimeType() const {
    if (const QMimeData* data = Data())
        for (const QString& type : data->formats())
            if (ClipboardFormatOfMimeType(type) == CF_BITMAP) return type;
    return {};
}

void TQtClipboard::Open() {
    // Qt opens and closes the desktop's clipboard itself around every use; it can only be
    // missing when no GUI application runs.
    if (SystemClipboard() == nullptr) throw EClipboardException(msg::kCannotOpenClipboard);
}

void TQtClipboard::Close() {}

void TQtClipboard::Clear() {
    if (QClipboard* clipboard = SystemClipboard()) clipboard->clear();
}

std::vector<unsigned> TQtClipboard::Formats() {
    std::vector<unsigned> formats;
    const QMimeData* data = Data();
    if (data == nullptr) return formats;
    for (const QString& type : data->formats()) {
        const unsigned format = ClipboardFormatOfMimeType(type);
        if (format != 0 && std::find(formats.begin(), formats.end(), format) == formats.end()) formats.push_back(format);
    }
    return formats;
}

std::optional<std::vector<uint8_t>> TQtClipboard::GetData(unsigned format) {
    const QMimeData* data = Data();
    if (data == nullptr) return std::nullopt;
    if (format == CF_TEXT) return Bytes(data->text().toUtf8());
    for (const QString& type : data->formats())
        if (type != kQtImage && ClipboardFormatOfMimeType(type) == format) return Bytes(data->data(type));
    return std::nullopt;
}

std::unique_ptr<TBitmap> TQtClipboard::GetBitmap() {
    const QMimeData* data = Data();
    const QString type = BitmapMimeType();
    if (data == nullptr || type.isEmpty()) return nullptr;
    if (IsBmpType(type)) {
        const QByteArray bytes = data->data(type);
        if (bytes.isEmpty()) return nullptr;
        auto bitmap = std::make_unique<TBitmap>();
        TMemoryStream stream = TMemoryStream::View(
            std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(bytes.constData()), static_cast<size_t>(bytes.size())));
        bitmap->LoadFromStream(stream);
        return bitmap;
    }
    if (type == kQtImage) return FromImage(qvariant_cast<QImage>(data->imageData()));
    return FromImage(QImage::fromData(data->data(type)));
}

void TQtClipboard::SetBitmap(const TBitmap& bitmap) {
    QClipboard* clipboard = SystemClipboard();
    if (clipboard == nullptr) throw EClipboardException(msg::kCannotOpenClipboard);
    QImage image(bitmap.GetWidth(), bitmap.GetHeight(), QImage::Format_RGB32);
    if (image.isNull() && bitmap.GetWidth() > 0 && bitmap.GetHeight() > 0) throw EOutOfMemory(msg::kOutOfMemory);
    for (int32_t y = 0; y < bitmap.GetHeight(); ++y) {
        auto* row = reinterpret_cast<uint32_t*>(image.scanLine(y));
        bitmap.RowTo32(y, row);
        // Qt's RGB32 wants the fourth byte 0xFF; the device bitmap's fourth byte is no colour.
        for (int32_t x = 0; x < bitmap.GetWidth(); ++x) row[x] |= 0xFF000000u;
    }
    clipboard->setImage(image);
}

}  // namespace nox
