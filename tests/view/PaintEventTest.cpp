// The pane's paint event: the window shows exactly the pane's back buffer.
#include <gtest/gtest.h>

#include <QBackingStore>
#include <QImage>
#include <QWidget>

#include <string>

#include "tests/view/QtTestApp.h"
#include "view/Image32.h"

namespace nox {
namespace {

// A repainted pane's paint event puts the back buffer's pixels into the window, and leaves a widget
// laid over the pane and the window's own background around it alone.
TEST(PaintEvent, ThePanesWindowShowsItsBackBuffer) {
    test::TestApplication();
    struct TCase {
        std::string Name;
        TScaleMode Mode;
        bool Covered;      // a widget over the pane at its (100, 100), 50 x 40
        bool CustomStage;  // a stage after the bitmap's that paints over it
    };
    const TCase cases[] = {
        // 600 x 450 is 1 MB: the stretch writes its rows past the cache.
        {"stretched", smStretch, false, false},
        // Qt paints the covering widget after the pane, over whatever the pane wrote there.
        {"stretched, covered", smStretch, true, false},
        {"smaller than the pane", smNormal, false, false},
        {"painted over afterwards", smStretch, false, true},
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

        ASSERT_NE(window.backingStore(), nullptr);
        QPaintDevice* device = window.backingStore()->paintDevice();
        ASSERT_EQ(device->devType(), QInternal::Image);
        const QImage& shown = *static_cast<QImage*>(device);
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
