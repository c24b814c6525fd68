// The Inspector window: it follows its pane and announces the picture only when the picture
// changes; the view and difference shown, pixel for pixel; the pixel readout's text; zooming
// with the wheel around the cursor and the pixel under the mouse.
#include <gtest/gtest.h>

#include <QWheelEvent>

#include "inspector/InspectorPane.h"
#include "inspector/InspectorWindow.h"
#include "tests/view/QtTestApp.h"

namespace nox {
namespace {

void Fill(TImage32& pane, int32_t w, int32_t h, const std::vector<TColor32>& pixels) {
    pane.Bitmap().SetSize(w, h);
    for (size_t i = 0; i < pixels.size(); ++i) pane.Bitmap().SetPixel(int32_t(i % w), int32_t(i / w), pixels[i]);
    pane.Changed();
}

std::vector<TColor32> Pixels(const TBitmap32& b) { return {b.Bits(), b.Bits() + b.PixelCount()}; }

// A panel as the other Inspector panels are made: a widget with a SetPicture slot.
class TPicturePanel : public QWidget {
    Q_OBJECT
public:
    std::vector<std::vector<TColor32>> received;
public slots:
    void SetPicture(const nox::TBitmap32& picture) { received.push_back(Pixels(picture)); }
};

class InspectorTest : public ::testing::Test {
protected:
    QApplication& app = test::TestApplication();
    TImage32 left, middle, right;
    std::vector<TColor32> saved;
    TInspectorWindow window{{&left, &middle, &right}, [this](TBitmap32& view) { saved = Pixels(view); }};
    int announced = 0;
    std::vector<TColor32> announcedPixels;

    void SetUp() override {
        QObject::connect(&window, &TInspectorWindow::PictureChanged, [this](const TBitmap32& picture) {
            ++announced;
            announcedPixels = Pixels(picture);
        });
    }
};

TEST_F(InspectorTest, FollowsItsPaneAndAnnouncesOnlyPictureChanges) {
    Fill(right, 2, 1, {0xFF010203, 0xFF040506});
    window.Inspect(TInspectorWindow::kRight);
    EXPECT_EQ(window.windowTitle().toStdString(), "Noxsteg Inspector - Right");
    EXPECT_EQ(announced, 1);
    EXPECT_EQ(Pixels(window.Display().Bitmap()), (std::vector<TColor32>{0xFF010203, 0xFF040506}));

    // One operation notifies several times: one update once the event loop runs.
    right.Bitmap().SetPixel(0, 0, 0x00FFFFFF);
    right.Changed();
    right.Changed();
    test::ProcessPendingEvents();
    EXPECT_EQ(announced, 2);
    EXPECT_EQ(announcedPixels, (std::vector<TColor32>{0x00FFFFFF, 0xFF040506}));
    EXPECT_EQ(window.Display().Bitmap().GetPixel(0, 0), 0x00FFFFFFu);

    // A change of the pane's view settings is no change of the picture.
    right.SetScale(3.0f);
    test::ProcessPendingEvents();
    EXPECT_EQ(announced, 2);

    // A closed window does not follow; opened again, it shows the pane as it is now.
    window.close();
    Fill(right, 1, 1, {0xFF070809});
    test::ProcessPendingEvents();
    EXPECT_EQ(announced, 2);
    window.Inspect(TInspectorWindow::kRight);
    EXPECT_EQ(announced, 3);
    EXPECT_EQ(Pixels(window.Display().Bitmap()), (std::vector<TColor32>{0xFF070809}));

    // Another pane is announced even when empty; an empty picture shows nothing.
    window.Inspect(TInspectorWindow::kMiddle);
    EXPECT_EQ(window.windowTitle().toStdString(), "Noxsteg Inspector - Middle");
    EXPECT_EQ(announced, 4);
    EXPECT_TRUE(announcedPixels.empty());
    EXPECT_TRUE(window.Display().Bitmap().IsEmpty());
}

TEST_F(InspectorTest, APanelGetsThePictureNowAndOnEveryChange) {
    Fill(left, 1, 1, {0xFF010203});
    window.Inspect(TInspectorWindow::kLeft);
    auto* panel = new TPicturePanel;
    window.AddPanel(QStringLiteral("Panel"), panel);
    window.Inspect(TInspectorWindow::kMiddle);
    Fill(middle, 1, 1, {0xFF040506});
    test::ProcessPendingEvents();
    EXPECT_EQ(panel->received, (std::vector<std::vector<TColor32>>{{0xFF010203}, {}, {0xFF040506}}));
}

TEST_F(InspectorTest, ShowsTheChosenViewOrDifferenceAndSavesIt) {
    Fill(left, 3, 1, {0xFF010203, 0xFF808080, 0xFFFE00FF});
    Fill(middle, 2, 1, {0xFF000203, 0xFF808081});
    window.Inspect(TInspectorWindow::kLeft);
    window.SetViewIndex(4);  // Red bit 0
    EXPECT_EQ(window.ShownName().toStdString(), "Red bit 0");
    EXPECT_EQ(Pixels(window.Display().Bitmap()), (std::vector<TColor32>{0xFFFFFFFF, 0xFF000000, 0xFF000000}));
    window.StepView(-5);  // wraps to the last view
    EXPECT_EQ(window.ShownName().toStdString(), "Grey pixels");
    EXPECT_EQ(Pixels(window.Display().Bitmap()), (std::vector<TColor32>{0xFF000000, 0xFFFFFFFF, 0xFF000000}));

    window.SetDifference(TInspectorWindow::kMiddle, 64, false);
    EXPECT_EQ(window.ShownName().toStdString(), "Difference from Middle x64");
    EXPECT_EQ(Pixels(window.Display().Bitmap()), (std::vector<TColor32>{0xFF400000, 0xFF000040}));
    // The other pane's change shows in the difference.
    middle.Bitmap().SetPixel(1, 0, 0xFF808080);
    middle.Changed();
    test::ProcessPendingEvents();
    EXPECT_EQ(Pixels(window.Display().Bitmap()), (std::vector<TColor32>{0xFF400000, 0xFF000000}));
    window.SetDifference(TInspectorWindow::kMiddle, 64, true);
    EXPECT_EQ(window.ShownName().toStdString(), "Bits differing from Middle");
    EXPECT_EQ(Pixels(window.Display().Bitmap()), (std::vector<TColor32>{0xFFFFFFFF, 0xFF000000}));
    window.SaveViewClick();
    EXPECT_EQ(saved, (std::vector<TColor32>{0xFFFFFFFF, 0xFF000000}));

    window.StepView(1);  // a view again: the first
    EXPECT_EQ(window.DifferenceAgainst(), TInspectorWindow::kNoDifference);
    EXPECT_EQ(window.ShownName().toStdString(), "Normal");
}

TEST_F(InspectorTest, ReadoutGivesThePixelInEveryPane) {
    Fill(left, 2, 1, {0xFF000000, 0xFF64FF01});
    Fill(middle, 1, 1, {0xFF000000});
    window.Inspect(TInspectorWindow::kLeft);
    EXPECT_EQ(window.PixelReadout(1, 0).toStdString(),
              "x=1 y=0\n"
              "Left   #FF64FF01  r=100 01100100  g=255 11111111  b=  1 00000001\n"
              "Middle its picture (1 x 1) does not reach this pixel\n"
              "Right  no picture");
    window.Inspect(TInspectorWindow::kMiddle);
    EXPECT_EQ(window.PixelReadout(0, 0).toStdString(),
              "x=0 y=0\n"
              "Middle #FF000000  r=  0 00000000  g=  0 00000000  b=  0 00000000\n"
              "Left   #FF000000  r=  0 00000000  g=  0 00000000  b=  0 00000000\n"
              "Right  no picture");
}

TEST_F(InspectorTest, WheelZoomsAroundTheCursorAndTheGridShowsFrom8x) {
    TInspectorPane pane;
    pane.resize(400, 300);
    Fill(pane, 100, 50, std::vector<TColor32>(100 * 50, 0xFF000000));
    EXPECT_EQ(pane.PixelAt(QPoint(0, 50)), QPoint(0, 0));  // fit: 4x, centred (rows 50 to 249)
    EXPECT_EQ(pane.PixelAt(QPoint(399, 249)), QPoint(99, 49));
    EXPECT_EQ(pane.PixelAt(QPoint(10, 10)), std::nullopt);

    const QPoint cursor(203, 151);
    const std::optional<QPoint> under = pane.PixelAt(cursor);
    const struct {
        int delta, zoom;
    } steps[] = {{120, 8}, {120, 16}, {-120, 8}, {120, 16}, {120, 32}, {120, 32}};
    for (const auto& s : steps) {
        QWheelEvent wheel(cursor, pane.mapToGlobal(cursor), {}, {0, s.delta}, Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(&pane, &wheel);
        EXPECT_EQ(pane.Zoom(), s.zoom);
        EXPECT_EQ(pane.PixelAt(cursor), under) << s.zoom;
    }
    pane.SetZoom(8, QPoint(0, 0));
    pane.show();
    test::ProcessPendingEvents();
    const TRect r = pane.CachedBitmapRect();
    ASSERT_LE(r.Left, 0);                   // 800 pixels wide: the picture covers the pane
    const int gx = ((r.Left % 8) + 8) % 8;  // a pixel's left edge inside the pane
    EXPECT_EQ(pane.Buffer().GetPixel(gx, 100), 0xFF808080u);
    EXPECT_EQ(pane.Buffer().GetPixel(gx + 1, 101), 0xFF000000u);
    pane.SetZoom(4);
    test::ProcessPendingEvents();
    EXPECT_EQ(pane.Buffer().GetPixel(gx, 100), 0xFF000000u);
}

}  // namespace
}  // namespace nox

#include "InspectorWindowTest.moc"
