// The clipboard of Clipboard.h over QClipboard. Copy places one image; paste sees the MIME types
// of the clipboard in its own order as formats: "image/gif" is the "GIF Image" format (read by our
// GIF reader), "image/png" the "PNG" format (read by our PNG reader), "image/bmp" is CF_BITMAP read by our BMP reader, any other image type is CF_BITMAP
// converted by Qt to 32 bits per pixel, "text/plain" is CF_TEXT.
#pragma once

#include <QByteArray>
#include <QString>

#include "platform/Clipboard.h"

class QMimeData;

namespace nox {

// The clipboard format of a MIME type (0 for one that plays no part), as TQtClipboard lists it.
unsigned ClipboardFormatOfMimeType(const QString& mimeType);

class TQtClipboard : public TClipboard {
public:
    const char* ClassName() const override { return "TQtClipboard"; }

    // EClipboardException "Cannot open clipboard" without a running QGuiApplication.
    void Open() override;
    void Close() override;
    void Clear() override;
    std::vector<unsigned> Formats() override;
    std::optional<std::vector<uint8_t>> GetData(unsigned format) override;
    std::unique_ptr<TBitmap> GetBitmap() override;
    // One QImage (Format_RGB32) of the picture's size and colours replaces the clipboard's contents.
    void SetBitmap(const TBitmap& bitmap) override;

private:
    const QMimeData* Data() const;
    // The MIME type that CF_BITMAP stands for: the first image type that is not GIF.
    QString BitmapMimeType() const;
};

}  // namespace nox
