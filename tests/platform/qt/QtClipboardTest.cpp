// The clipboard over Qt on the offscreen platform: a copied picture comes back with its exact
// size and colours, paste sees the MIME types in the clipboard's order, and each kind of picture
// reaches the reader it belongs to.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>

#include <cstring>

#include "platform/Errors.h"
#include "platform/Picture.h"
#include "platform/Stream.h"
#include "platform/qt/QtClipboard.h"

namespace nox {
namespace {

// A picture with every byte different, so that swapped channels or shifted rows show.
TBitmap Pattern(int bits, int32_t width, int32_t height) {
    TBitmap b;
    b.SetBitsPerPixel(bits);
    b.SetSize(width, height);
    for (int32_t y = 0; y < height; ++y)
        for (size_t i = 0; i < b.RowBytes(); ++i) b.ScanLine(y)[i] = static_cast<uint8_t>(y * 37 + i * 11 + 5);
    return b;
}

// The colours of a picture as 32-bit values with the fourth byte set (what a pane shows).
std::vector<uint32_t> Colours(const TBitmap& b) {
    std::vector<uint32_t> out(static_cast<size_t>(b.GetWidth()) * static_cast<size_t>(b.GetHeight()));
    for (int32_t y = 0; y < b.GetHeight(); ++y) b.RowTo32(y, out.data() + static_cast<size_t>(y) * b.GetWidth());
    for (uint32_t& c : out) c |= 0xFF000000u;
    return out;
}

void PutMime(std::initializer_list<std::pair<const char*, QByteArray>> entries) {
    auto* mime = new QMimeData;
    for (const auto& [type, bytes] : entries) mime->setData(QString::fromLatin1(type), bytes);
    QGuiApplication::clipboard()->setMimeData(mime);
}

QByteArray Encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

// Stands in for a reader of our own: records what it was given.
class TRecordingGraphic : public TGraphic {
public:
    static inline std::vector<uint8_t> lastBytes;
    const char* ClassName() const override { return "TRecordingGraphic"; }
    int32_t Width() override { return 1; }
    int32_t Height() override { return 1; }
    void SetWidth(int32_t) override {}
    void SetHeight(int32_t) override {}
    void Draw(TCanvas&, const TRect&) override {}
    void LoadFromStream(TStream& stream) override {
        lastBytes.resize(static_cast<size_t>(stream.Remaining()));
        stream.ReadBuffer(lastBytes.data(), lastBytes.size());
    }
    void SaveToStream(TStream&) override {}
};

TEST(QtClipboard, ACopiedPictureComesBackWithItsSizeAndExactColours) {
    for (const int bits : {32, 24, 8}) {
        SCOPED_TRACE(bits);
        TBitmap original = Pattern(bits, 47, 33);
        if (bits == 8) {
            std::vector<TRGBQuad> table(256);
            for (int i = 0; i < 256; ++i) table[i] = RGBQuad(static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 3));
            original.SetColorTable(table);
        }
        QGuiApplication::clipboard()->setText("replaced by the copy");
        TQtClipboard clipboard;
        clipboard.Assign(&original);
        EXPECT_FALSE(QGuiApplication::clipboard()->mimeData()->hasText());
        EXPECT_EQ(clipboard.Formats(), std::vector<unsigned>{CF_BITMAP});

        TPicture picture;
        picture.Assign(&clipboard);
        TBitmap& back = picture.Bitmap();
        EXPECT_EQ(back.GetWidth(), 47);
        EXPECT_EQ(back.GetHeight(), 33);
        EXPECT_EQ(back.BitsPerPixel(), 32);
        EXPECT_EQ(Colours(back), Colours(original));
    }
}

TEST(QtClipboard, MimeTypesBecomeFormatsInTheClipboardsOrder) {
    const unsigned gif = RegisterClipboardFormat("GIF Image"), png = RegisterClipboardFormat("PNG");
    PutMime({{"text/plain", "hello"}, {"image/gif", "GIF89a..."}, {"image/png", "x"}, {"image/bmp", "BM"},
             {"application/x-unknown", "?"}});
    TQtClipboard clipboard;
    clipboard.Open();
    EXPECT_EQ(clipboard.Formats(), (std::vector<unsigned>{CF_TEXT, gif, png, CF_BITMAP}));
    EXPECT_EQ(clipboard.GetData(gif), (std::vector<uint8_t>{'G', 'I', 'F', '8', '9', 'a', '.', '.', '.'}));
    EXPECT_EQ(clipboard.GetData(CF_TEXT), (std::vector<uint8_t>{'h', 'e', 'l', 'l', 'o'}));
    EXPECT_EQ(clipboard.GetData(CF_PALETTE), std::nullopt);
    clipboard.Close();

    struct Case {
        const char* type;
        unsigned format;
    };
    const Case cases[] = {{"image/gif", gif},        {"image/png", png},        {"image/bmp", CF_BITMAP},  {"image/x-ms-bmp", CF_BITMAP},
                          {"image/jpeg", CF_BITMAP}, {"application/x-qt-image", CF_BITMAP},
                          {"text/plain", CF_TEXT},   {"text/html", 0u},         {"", 0u}};
    for (const Case& c : cases) EXPECT_EQ(ClipboardFormatOfMimeType(QString::fromLatin1(c.type)), c.format) << c.type;
}

// GIF and PNG data go to the classes registered for "GIF Image" and "PNG" (our readers), as the
// clipboard holds them, before any conversion of Qt's.
TEST(QtClipboard, GifAndPngPicturesGoThroughTheirRegisteredFormats) {
    for (const auto& [type, format] : {std::pair{"image/gif", "GIF Image"}, {"image/png", "PNG"}}) {
        SCOPED_TRACE(type);
        TPicture::RegisterClipboardFormat(RegisterClipboardFormat(format), [] { return std::make_unique<TRecordingGraphic>(); });
        PutMime({{"text/plain", "first"}, {type, QByteArray("GIF87a\x01\x00", 8)}, {"image/jpeg", "never read"}});
        TQtClipboard clipboard;
        TPicture picture;
        picture.Assign(&clipboard);
        ASSERT_NE(picture.Graphic(), nullptr);
        EXPECT_STREQ(picture.Graphic()->ClassName(), "TRecordingGraphic");
        EXPECT_EQ(TRecordingGraphic::lastBytes, (std::vector<uint8_t>{'G', 'I', 'F', '8', '7', 'a', 1, 0}));
    }
}

TEST(QtClipboard, ABmpPictureGoesThroughOurBmpReader) {
    std::vector<uint8_t> seen;
    TBitmap::SetCodec(
        [&seen](TBitmap& b, TStream& s) {
            seen.resize(static_cast<size_t>(s.Remaining()));
            s.ReadBuffer(seen.data(), seen.size());
            b.SetSize(2, 3);
        },
        nullptr);
    PutMime({{"image/bmp", "BM-our-own"}, {"image/png", "x"}});
    TQtClipboard clipboard;
    TPicture picture;
    picture.Assign(&clipboard);
    TBitmap::SetCodec(nullptr, nullptr);
    EXPECT_EQ(std::string(seen.begin(), seen.end()), "BM-our-own");
    EXPECT_EQ(picture.Width(), 2);
    EXPECT_EQ(picture.Height(), 3);
}

TEST(QtClipboard, OtherPicturesAreConvertedByQtTo32Bits) {
    QImage image(5, 4, QImage::Format_RGB32);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) image.setPixel(x, y, qRgb(x * 50 + 1, y * 60 + 3, x * y + 7));
    PutMime({{"text/plain", "caption"}, {"image/x-portable-pixmap", Encoded(image, "PPM")}});
    TQtClipboard clipboard;
    TPicture picture;
    picture.Assign(&clipboard);
    TBitmap& back = picture.Bitmap();
    ASSERT_EQ(back.GetWidth(), 5);
    ASSERT_EQ(back.GetHeight(), 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) {
            uint32_t pixel;
            std::memcpy(&pixel, back.ScanLine(y) + 4 * x, 4);
            EXPECT_EQ(pixel, image.pixel(x, y)) << x << "," << y;
        }
}

TEST(QtClipboard, PasteErrorsLeaveThePictureAsItWas) {
    struct Case {
        const char* name;
        std::function<void()> put;
        const char* error;
    };
    const Case cases[] = {
        {"only text", [] { QGuiApplication::clipboard()->setText("just words"); }, "Invalid clipboard format"},
        {"empty", [] { QGuiApplication::clipboard()->clear(); }, "Invalid clipboard format"},
        {"undecodable picture", [] { PutMime({{"image/jpeg", "not a jpeg"}}); }, "Unsupported clipboard format"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.put();
        TQtClipboard clipboard;
        TPicture picture;
        picture.Bitmap().SetSize(3, 3);
        std::string error;
        try {
            picture.Assign(&clipboard);
        } catch (const Exception& e) {
            error = e.Message();
        }
        EXPECT_EQ(error, c.error);
        EXPECT_EQ(picture.Width(), 3);
    }
}

}  // namespace
}  // namespace nox
