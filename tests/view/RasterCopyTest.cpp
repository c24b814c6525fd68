// The back buffer's way into the window's raster image: the same bytes as Qt's own draw wherever
// it takes over, nothing written where it does not or where the pixels are there already, the
// mirror a repaint draws into, and the window showing the pane's back buffer whichever way each
// pixel took.
#include <gtest/gtest.h>

#include <QBackingStore>
#include <QPaintEngine>
#include <QPainter>
#include <QWidget>

#include <cstring>
#include <functional>
#include <optional>
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
    if (copy) {
        if (const std::optional<TRasterTarget> target = FindRasterTarget(painter, width, height)) {
            CopyIntoRasterTarget(*target, from, QRect(), true);
            copied = true;
        }
    } else
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
    };
    const TCase cases[] = {
        {"a target with unpremultiplied alpha", QImage::Format_ARGB32, [](QPainter&) {}},
        {"a 24-bit target", QImage::Format_RGB888, [](QPainter&) {}},
        {"a clip of the painter's own", QImage::Format_RGB32, [](QPainter& p) { p.setClipRect(0, 0, 10, 10); }},
        {"half opacity", QImage::Format_RGB32, [](QPainter& p) { p.setOpacity(0.5); }},
        {"another composition", QImage::Format_RGB32,
         [](QPainter& p) { p.setCompositionMode(QPainter::CompositionMode_Xor); }},
        {"a scale", QImage::Format_RGB32, [](QPainter& p) { p.scale(2, 2); }},
        {"a fractional offset", QImage::Format_RGB32, [](QPainter& p) { p.translate(0.5, 0); }},
        {"a rotation", QImage::Format_RGB32, [](QPainter& p) { p.rotate(90); }},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const QImage before = Target(c.TargetFormat);
        QImage to = before;
        EXPECT_FALSE(Draw(to, from, 60, 40, c.SetUp, true));
        ExpectSameBytes(to, before);
    }
}

// The pixels a repaint already put into the window are not copied again; every other pixel of
// the target is.
TEST(RasterCopy, LeavesThePixelsAlreadyThere) {
    test::TestApplication();
    const QImage from = Source(120, 80);
    const QRegion clip = QRegion(0, 0, 90, 30) | QRegion(0, 45, 90, 25);  // image rows 30..44 left out
    struct TCase {
        std::string Name;
        QRect Done;  // the pane's pixels
    };
    const TCase cases[] = {
        {"none", QRect()},
        {"inside", QRect(10, 5, 30, 12)},
        {"across the clip's gap and the image's edge", QRect(50, 10, 100, 40)},
        {"all", QRect(-3, -2, 200, 200)},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        QImage byQt = Target();
        Draw(byQt, from, 80, 60, [](QPainter& p) { p.translate(5, 3); }, false, clip);
        QImage byCopy = Target();
        byCopy.paintEngine()->setSystemClip(clip);
        {
            QPainter painter(&byCopy);
            painter.translate(5, 3);
            const std::optional<TRasterTarget> target = FindRasterTarget(painter, 80, 60);
            ASSERT_TRUE(target.has_value());
            EXPECT_EQ(target->Origin, QPoint(5, 3));
            CopyIntoRasterTarget(*target, from, c.Done, false);
        }
        byCopy.paintEngine()->setSystemClip(QRegion());
        const QImage untouched = Target();
        const QRect done = c.Done.translated(5, 3);
        for (int y = 0; y < 70; ++y)
            for (int x = 0; x < 90; ++x)
                ASSERT_EQ(byCopy.pixel(x, y), done.contains(x, y) ? untouched.pixel(x, y) : byQt.pixel(x, y))
                    << "pixel (" << x << ", " << y << ")";
    }
}

// A repaint's mirror is the largest rectangle of the target's region: its Area in the pane's
// pixels, its first pixel the image's pixel there.
TEST(RasterCopy, TheMirrorIsTheLargestRectangleOfTheTarget) {
    test::TestApplication();
    struct TCase {
        std::string Name;
        QRegion SystemClip;
        TRect Area;  // in the pane's pixels, whose (0, 0) is the image's (4, 6)
    };
    const TCase cases[] = {
        {"no clip: the pane within the image", QRegion(), Rect(0, 0, 86, 64)},
        {"the larger of two", QRegion(10, 10, 30, 20) | QRegion(20, 40, 60, 25), Rect(16, 34, 76, 59)},
        {"a clip outside the pane", QRegion(0, 0, 3, 3), TRect{}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        QImage image = Target();
        if (!c.SystemClip.isEmpty()) image.paintEngine()->setSystemClip(c.SystemClip);
        QPainter painter(&image);
        painter.translate(4, 6);
        const std::optional<TRasterTarget> target = FindRasterTarget(painter, 100, 100);
        ASSERT_TRUE(target.has_value());
        const TPixelMirror mirror = MirrorOf(*target);
        EXPECT_EQ(mirror.Area, c.Area);
        if (!c.Area.IsEmpty()) {
            EXPECT_EQ(mirror.Stride, image.bytesPerLine());
            EXPECT_EQ(reinterpret_cast<uchar*>(mirror.At(c.Area.Left + 1, c.Area.Top + 2)),
                      image.scanLine(c.Area.Top + 6 + 2) + (c.Area.Left + 4 + 1) * 4);
        }
        painter.end();
        image.paintEngine()->setSystemClip(QRegion());
    }
}

// A repainted pane reaches the window partly through the mirror and partly through the copy:
// whichever way, the window holds the back buffer's pixels, leaves a widget laid over the pane and
// its own background around it alone, and the mirror carries what it should.
TEST(RasterCopy, ThePanesWindowShowsItsBackBuffer) {
    test::TestApplication();
    struct TCase {
        std::string Name;
        TScaleMode Mode;
        bool Covered;      // a widget over the pane at its (100, 100), 50 x 40
        bool CustomStage;  // a stage after the bitmap's that paints over it
        TRect Mirrored;
    };
    const TCase cases[] = {
        // 600 x 450 is 1 MB: the copy of a repainted buffer is shared.
        {"stretched", smStretch, false, false, Rect(0, 0, 600, 450)},
        // Qt paints the covering widget after the pane, over whatever the pane wrote there.
        {"stretched, covered", smStretch, true, false, Rect(0, 0, 600, 450)},
        {"smaller than the pane", smNormal, false, false, Rect(0, 0, 301, 277)},
        {"painted over afterwards", smStretch, false, true, TRect{}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        QWidget window;
        window.resize(700, 500);
        window.setStyleSheet("background: rgb(1, 2, 3)");
        TImage32 pane(&window);
        pane.setGeometry(17, 9, 600, 450);
        pane.SetScaleMode(c.Mode);
        const int32_t w = c.Mode == smStretch ? 1001 : 301, h = c.Mode == smStretch ? 777 : 277;
        pane.Bitmap().SetSize(w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                pane.Bitmap().SetPixel(x, y, (uint32_t(x) << 14) ^ (uint32_t(y) * 0x9E37u) ^ 0xC0000000u);
        if (c.CustomStage) {
            pane.PaintStages().push_back(TPaintStage{false, true, PST_CUSTOM, 0});
            pane.SetOnPaintStage([](TCustomImage32&, TBitmap32& dest, uint32_t) {
                dest.FillRect(200, 100, 260, 180, 0xFF0000FFu);
            });
        }
        pane.Changed();
        QWidget cover(&window);
        cover.setGeometry(117, 109, 50, 40);
        cover.setStyleSheet("background: rgb(200, 100, 50)");
        cover.setAutoFillBackground(true);
        cover.setVisible(c.Covered);
        cover.raise();
        window.show();
        test::ProcessPendingEvents();
        pane.Invalidate();
        pane.repaint();

        EXPECT_EQ(pane.LastMirroredRect(), c.Mirrored);
        ASSERT_NE(window.backingStore(), nullptr);
        QPaintDevice* device = window.backingStore()->paintDevice();
        ASSERT_EQ(device->devType(), QInternal::Image);
        const QImage& shown = *static_cast<QImage*>(device);
        ASSERT_TRUE(shown.format() == QImage::Format_RGB32 || shown.format() == QImage::Format_ARGB32_Premultiplied)
            << "the window's image is one the pane writes itself";
        ASSERT_GE(shown.width(), 617);
        ASSERT_GE(shown.height(), 459);
        if (c.CustomStage) {
            EXPECT_EQ(pane.Buffer().GetPixel(230, 150), 0xFF0000FFu);
        }
        if (c.Mode == smNormal) {
            EXPECT_EQ(pane.Buffer().GetPixel(400, 300), pane.Color32()) << "the background beside the picture";
        }
        int mismatches = 0;
        const QRect covered = c.Covered ? cover.geometry().translated(-pane.pos()) : QRect();
        for (int y = 0; y < 450 && mismatches < 5; ++y)
            for (int x = 0; x < 600 && mismatches < 5; ++x)
                if ((shown.pixel(17 + x, 9 + y) & 0xFFFFFFu) !=
                    (covered.contains(x, y) ? 0xC86432u : pane.Buffer().GetPixel(x, y) & 0xFFFFFFu)) {
                    ADD_FAILURE() << "pixel (" << x << ", " << y << ")";
                    ++mismatches;
                }
        EXPECT_EQ(shown.pixel(16, 100) & 0xFFFFFFu, 0x010203u);
        EXPECT_EQ(shown.pixel(617, 100) & 0xFFFFFFu, 0x010203u);
        EXPECT_EQ(shown.pixel(100, 8) & 0xFFFFFFu, 0x010203u);
        EXPECT_EQ(shown.pixel(100, 459) & 0xFFFFFFu, 0x010203u);
    }
}

}  // namespace
}  // namespace nox
