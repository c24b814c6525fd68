// Files our GIF writer makes, read by another program's decoder: Qt's GIF reader (its qgif
// plug-in), every pixel against the colour of the index written there. Pictures of noise clear
// the LZW table many times; pictures of long runs go through the coder's followers; both coders.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QCoreApplication>
#include <QImage>
#include <QImageReader>
#include <random>

#include "formats/gif/GifWriter.h"
#include "platform/Stream.h"

namespace nox {
namespace {

TRGBQuad Colour(int i) { return RGBQuad(static_cast<uint8_t>(i), static_cast<uint8_t>(7 * i), static_cast<uint8_t>(255 - i)); }

TEST(GIFWriterPeer, QtsDecoderReadsTheColoursWritten) {
    static int argc = 1;
    static char name[] = "gif_peer_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    if (!QImageReader::supportedImageFormats().contains("gif")) GTEST_SKIP() << "Qt has no GIF reader here";
    InstallGIFWriter();

    struct Case {
        int32_t Width, Height;
        bool Noise;  // else runs of one index as long as 300 pixels
    };
    const Case cases[] = {{300, 200, true}, {1000, 60, false}, {1, 1, true}, {17, 5, true}, {4000, 3, false}};
    for (const Case& c : cases)
        for (const uint8_t compression : {0, 1}) {
            std::mt19937 rng(static_cast<unsigned>(c.Width * 7 + c.Height));
            TBitmap bitmap;
            bitmap.SetBitsPerPixel(8);
            bitmap.SetSize(c.Width, c.Height);
            std::vector<TRGBQuad> table;
            for (int i = 0; i < 256; ++i) table.push_back(Colour(i));
            bitmap.SetColorTable(table);
            uint8_t run = 0;
            for (int32_t y = 0; y < c.Height; ++y)
                for (int32_t x = 0; x < c.Width; ++x) {
                    if (c.Noise || rng() % 300 == 0) run = static_cast<uint8_t>(rng());
                    bitmap.ScanLine(y)[x] = run;
                }
            TGIFImage image;
            image.WriteCompression = compression;
            image.Assign(&bitmap);
            TMemoryStream out;
            image.SaveToStream(out);

            const QImage peer = QImage::fromData(
                QByteArray(reinterpret_cast<const char*>(out.Bytes().data()), static_cast<qsizetype>(out.Bytes().size())), "GIF");
            const std::string what = std::to_string(c.Width) + "x" + std::to_string(c.Height) + " compression " +
                                     std::to_string(compression);
            ASSERT_FALSE(peer.isNull()) << what;
            ASSERT_EQ(peer.width(), c.Width) << what;
            ASSERT_EQ(peer.height(), c.Height) << what;
            int wrong = 0;
            for (int32_t y = 0; y < c.Height; ++y)
                for (int32_t x = 0; x < c.Width; ++x) {
                    const TRGBQuad want = Colour(bitmap.ScanLine(y)[x]);
                    const QRgb got = peer.pixel(x, y);
                    wrong += qRed(got) != want.Red || qGreen(got) != want.Green || qBlue(got) != want.Blue;
                }
            EXPECT_EQ(wrong, 0) << what;
        }
}

}  // namespace
}  // namespace nox
