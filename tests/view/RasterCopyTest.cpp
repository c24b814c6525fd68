// The back buffer's copy into the window's raster image: the same bytes as Qt's own draw wherever
// it takes over, nothing written where it does not, and the window showing the pane's back buffer.
#include <gtest/gtest.h>

#include <QBackingStore>
#include <QPaintEngine>
#include <QPainter>
#include <QWidget>

#include <cstring>
#include <functional>
#include <string>

#include "tests/view/QtTestApp.h"
#include "view/Image32.h"
#include "view/RasterCopy.h"

namespace nox {
namespace {

// A back buffer whose alpha bytes vary, as a pane's do (the screen ignores them).
QImage Source(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            reinterpret_cast<uint32_t*>(image.scanLine(y))[x] =
                (uint32_t(x * 7 + y) << 24) | (uint32_t(x) << 16) | (uint32_t(y) << 8) | 0x33u;
    return image;
}

QImage Target(QImage::Format format = QImage::Format_RGB32) {
    QImage image(90, 70, format);
    image.fill(0xFF102030u);
    return image;
}

// How the painter is set up before the copy.
using TSetUp = std::function<void(QPainter&)>;

// Draws `from` (its top-left width x height) into `to` with Qt's own draw, or with the copy.
bool Draw(QImage& to, const QImage& from, int width, int height, const TSetUp& setUp, bool copy,
          const QRegion& systemClip = {}) {
    if (!systemClip.isEmpty()) to.paintEngine()->setSystemClip(systemClip);
    QPainter painter(&to);
    setUp(painter);
    bool copied = false;
    if (copy)
        copied = CopyIntoRasterImage(painter, from, width, height, true);
    else
        painter.drawImage(QPoint(0, 0), from, QRect(0, 0, width, height));
    painter.end();
    to.paintEngine()->setSystemClip(QRegion());
    return copied;
}

// Every byte of the pixels, alpha included.
void ExpectSameBytes(const QImage& a, const QImage& b) {
    ASSERT_EQ(a.size(), b.size());
    ASSERT_EQ(a.format(), b.format());
    for (int y = 0; y < a.height(); ++y)
        ASSERT_EQ(0, std::memcmp(a.constScanLine(y), b.constScanLine(y), size_t(a.width()) * size_t(a.depth()) / 8))
            << "row " << y;
}

struct TCopyCase {
    std::string Name;
    TSetUp SetUp;
    int Width;
    int Height;
    QRegion SystemClip;
};

// The backing stores' formats: offscreen's and X11's.
const QImage::Format kWindowFormats[] = {QImage::Format_RGB32, QImage::Format_ARGB32_Premultiplied};

TEST(RasterCopy, WritesWhatQtsOwnDrawWouldWrite) {
    test::TestApplication();
    const QImage from = Source(120, 80);
    const TCopyCase cases[] = {
        {"at the origin", [](QPainter&) {}, 60, 40, {}},
        {"moved into the image", [](QPainter& p) { p.translate(13, 7); }, 60, 40, {}},
        {"partly outside on the top left", [](QPainter& p) { p.translate(-5, -3); }, 60, 40, {}},
        {"larger than the image", [](QPainter& p) { p.translate(2, 1); }, 120, 80, {}},
        {"wholly outside", [](QPainter& p) { p.translate(200, 0); }, 60, 40, {}},
        {"inside a system clip of two rectangles", [](QPainter& p) { p.translate(4, 6); }, 80, 60,
         QRegion(10, 10, 30, 20) | QRegion(50, 40, 25, 25)},
        {"a system clip outside the drawn rectangle", [](QPainter&) {}, 30, 30, QRegion(40, 40, 10, 10)},
    };
    for (const QImage::Format format : kWindowFormats)
        for (const TCopyCase& c : cases) {
            SCOPED_TRACE(c.Name + ", format " + std::to_string(format));
            QImage byQt = Target(format);
            QImage byCopy = Target(format);
            Draw(byQt, from, c.Width, c.Height, c.SetUp, false, c.SystemClip);
            EXPECT_TRUE(Draw(byCopy, from, c.Width, c.Height, c.SetUp, true, c.SystemClip));
            ExpectSameBytes(byCopy, byQt);
        }
    // Not vacuous: Qt's draw does change the image, so matching it is more than leaving it alone.
    QImage untouched = Target();
    QImage drawn = Target();
    Draw(drawn, from, 60, 40, [](QPainter& p) { p.translate(13, 7); }, false);
    EXPECT_NE(drawn, untouched);
}

TEST(RasterCopy, LeavesEveryOtherPainterStateToQt) {
    test::TestApplication();
    const QImage from = Source(120, 80);
    struct TCase {
        std::string Name;
        QImage::Format TargetFormat;
        TSetUp SetUp;
        QImage From;
        int Width;
    };
    const TCase cases[] = {
        {"a target with unpremultiplied alpha", QImage::Format_ARGB32, [](QPainter&) {}, from, 60},
        {"a 24-bit target", QImage::Format_RGB888, [](QPainter&) {}, from, 60},
        {"a clip of the painter's own", QImage::Format_RGB32, [](QPainter& p) { p.setClipRect(0, 0, 10, 10); }, from, 60},
        {"half opacity", QImage::Format_RGB32, [](QPainter& p) { p.setOpacity(0.5); }, from, 60},
        {"another composition", QImage::Format_RGB32,
         [](QPainter& p) { p.setCompositionMode(QPainter::CompositionMode_Xor); }, from, 60},
        {"a scale", QImage::Format_RGB32, [](QPainter& p) { p.scale(2, 2); }, from, 60},
        {"a fractional offset", QImage::Format_RGB32, [](QPainter& p) { p.translate(0.5, 0); }, from, 60},
        {"a rotation", QImage::Format_RGB32, [](QPainter& p) { p.rotate(90); }, from, 60},
        {"a source with alpha", QImage::Format_RGB32, [](QPainter&) {},
         from.convertToFormat(QImage::Format_ARGB32), 60},
        {"a source narrower than the copy", QImage::Format_RGB32, [](QPainter&) {}, from, 121},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const QImage before = Target(c.TargetFormat);
        QImage to = before;
        EXPECT_FALSE(Draw(to, c.From, c.Width, 40, c.SetUp, true));
        ExpectSameBytes(to, before);
    }
}

TEST(RasterCopy, ThePanesWindowShowsItsBackBuffer) {
    test::TestApplication();
    QWidget window;
    window.resize(700, 500);
    window.setStyleSheet("background: rgb(1, 2, 3)");
    TImage32 pane(&window);
    pane.setGeometry(17, 9, 600, 450);  // 1 MB: the copy of a repainted buffer is shared
    pane.SetScaleMode(smStretch);
    pane.Bitmap().SetSize(1001, 777);
    for (int y = 0; y < 777; ++y)
        for (int x = 0; x < 1001; ++x) pane.Bitmap().SetPixel(x, y, (uint32_t(x) << 14) ^ (uint32_t(y) * 0x9E37u) ^ 0xC0000000u);
    pane.Changed();
    // A widget over the pane, which the pane's copy must leave alone.
    QWidget cover(&window);
    cover.setGeometry(117, 109, 50, 40);
    cover.setStyleSheet("background: rgb(200, 100, 50)");
    cover.setAutoFillBackground(true);
    cover.raise();
    window.show();
    test::ProcessPendingEvents();
    pane.Invalidate();
    pane.repaint();

    ASSERT_NE(window.backingStore(), nullptr);
    QPaintDevice* device = window.backingStore()->paintDevice();
    ASSERT_EQ(device->devType(), QInternal::Image);
    const QImage& shown = *static_cast<QImage*>(device);
    ASSERT_TRUE(shown.format() == QImage::Format_RGB32 || shown.format() == QImage::Format_ARGB32_Premultiplied)
        << "the window's image is one the copy writes itself";
    ASSERT_GE(shown.width(), 617);
    ASSERT_GE(shown.height(), 459);
    int mismatches = 0;
    const QRect covered = cover.geometry().translated(-pane.pos());
    for (int y = 0; y < 450 && mismatches < 5; ++y)
        for (int x = 0; x < 600 && mismatches < 5; ++x)
            if ((shown.pixel(17 + x, 9 + y) & 0xFFFFFFu) !=
                (covered.contains(x, y) ? 0xC86432u : pane.Buffer().GetPixel(x, y) & 0xFFFFFFu)) {
                ADD_FAILURE() << "pixel (" << x << ", " << y << ")";
                ++mismatches;
            }
    // Around the pane, the window's own background is left as it was.
    EXPECT_EQ(shown.pixel(16, 100) & 0xFFFFFFu, 0x010203u);
    EXPECT_EQ(shown.pixel(617, 100) & 0xFFFFFFu, 0x010203u);
    EXPECT_EQ(shown.pixel(100, 8) & 0xFFFFFFu, 0x010203u);
    EXPECT_EQ(shown.pixel(100, 459) & 0xFFFFFFu, 0x010203u);
}

}  // namespace
}  // namespace nox
