// The image pane: where each scale mode and alignment puts the picture, the exact pixels it shows,
// the back buffer's growth rule, the setters' notifications and when the pane repaints.
#include <gtest/gtest.h>

#include <QContextMenuEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPixmap>
#include <QPointingDevice>
#include <QTimer>

#include <string>
#include <vector>

#include "platform/Errors.h"
#include "tests/view/QtTestApp.h"
#include "view/ApplicationErrors.h"
#include "view/Image32.h"
#include "view/PopupMenu.h"

namespace nox {
namespace {

// Alpha 0 on purpose: the screen must show the colour bytes whatever the alpha byte holds.
TColor32 Pattern(int x, int y) { return (static_cast<TColor32>(x) << 16) | (static_cast<TColor32>(y) << 8) | 0x5Au; }

void FillPattern(TBitmap32& bitmap, int width, int height) {
    bitmap.SetSize(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) bitmap.SetPixel(x, y, Pattern(x, y));
}

class PaneTest : public ::testing::Test {
protected:
    void SetUp() override { pane.resize(250, 350); }

    // What the pane shows, as 0x00RRGGBB values.
    QImage Grab() { return pane.grab().toImage().convertToFormat(QImage::Format_RGB32); }
    static TColor32 Shown(const QImage& image, int x, int y) { return image.pixel(x, y) & 0x00FFFFFFu; }

    // Every pixel of the grabbed pane against the background with the picture drawn into `rect`.
    void ExpectShowsPictureIn(const TRect& rect) {
        const QImage image = Grab();
        ASSERT_EQ(image.width(), pane.width());
        ASSERT_EQ(image.height(), pane.height());
        TBitmap32 expected;
        expected.SetSize(pane.width(), pane.height());
        expected.Clear(pane.Color32());
        pane.Bitmap().DrawTo(expected, rect);
        int mismatches = 0;
        for (int y = 0; y < image.height() && mismatches < 5; ++y)
            for (int x = 0; x < image.width() && mismatches < 5; ++x)
                if (Shown(image, x, y) != (expected.GetPixel(x, y) & 0x00FFFFFFu)) {
                    ADD_FAILURE() << "pixel (" << x << ", " << y << ")";
                    ++mismatches;
                }
    }

    QApplication& app = test::TestApplication();  // before any widget
    TImage32 pane;
};

TEST_F(PaneTest, StartsAsTheClassLibraryMakesIt) {
    TImage32 fresh;
    EXPECT_EQ(fresh.width(), 192);
    EXPECT_EQ(fresh.height(), 192);
    EXPECT_EQ(fresh.ScaleMode(), smNormal);
    EXPECT_EQ(fresh.BitmapAlign(), baTopLeft);
    EXPECT_EQ(fresh.Scale(), 1.0f);
    EXPECT_EQ(fresh.BitmapOffsetX(), 0.0f);
    EXPECT_EQ(fresh.BufferMargin(), 40);
    EXPECT_TRUE(fresh.Buffer().IsEmpty());
    EXPECT_TRUE(fresh.testAttribute(Qt::WA_OpaquePaintEvent));
    // At run time only the background, the bitmap and the (empty) layers are painted.
    std::vector<uint32_t> runTime;
    for (const TPaintStage& stage : fresh.PaintStages())
        if (stage.RunTime) runTime.push_back(stage.Stage);
    EXPECT_EQ(runTime, (std::vector<uint32_t>{PST_CLEAR_BACKGND, PST_DRAW_BITMAP, PST_DRAW_LAYERS}));
    EXPECT_EQ(fresh.PaintStages().size(), 5u);
    EXPECT_EQ(fresh.PaintStages()[4].Parameter, 0x80000000u);
}

TEST_F(PaneTest, ComputesTheBitmapRectangleForEveryModeAndAlignment) {
    const struct {
        TScaleMode mode;
        TBitmapAlign align;
        float scale, offsetX, offsetY;
        int bw, bh;
        TRect expected;
    } cases[] = {
        {smNormal, baTopLeft, 1.0f, 0, 0, 100, 50, {0, 0, 100, 50}},
        {smStretch, baTopLeft, 1.0f, 0, 0, 100, 50, {0, 0, 250, 350}},
        {smScale, baTopLeft, 2.0f, 0, 0, 100, 50, {0, 0, 200, 100}},
        {smScale, baTopLeft, 3.0f, 0, 0, 100, 50, {0, 0, 300, 150}},
        // Ties round to even: 252.5 -> 252, 127.5 -> 128, 7.5 -> 8, 4.5 -> 4.
        {smScale, baTopLeft, 2.5f, 0, 0, 101, 51, {0, 0, 252, 128}},
        {smScale, baTopLeft, 1.5f, 0, 0, 5, 3, {0, 0, 8, 4}},
        {smScale, baTopLeft, kMinScale, 0, 0, 100, 50, {0, 0, 0, 0}},
        // rx = 2.5 < ry = 7.0: the full width; rx = 5.0 >= ry = 3.5: the full height.
        {smResize, baTopLeft, 1.0f, 0, 0, 100, 50, {0, 0, 250, 125}},
        {smResize, baTopLeft, 1.0f, 0, 0, 50, 100, {0, 0, 175, 350}},
        // (250 - 101) / 2 = 74; (250 - 255) / 2 = -2, truncated toward 0.
        {smNormal, baCenter, 1.0f, 0, 0, 101, 50, {74, 150, 175, 200}},
        {smNormal, baCenter, 1.0f, 0, 0, 255, 50, {-2, 150, 253, 200}},
        {smScale, baCenter, 3.0f, 0, 0, 100, 50, {-25, 100, 275, 250}},
        {smNormal, baTile, 1.0f, 0, 0, 100, 50, {0, 0, 100, 50}},
        // Offsets round half to even and apply in Normal and Scale; a stretched picture fills the pane.
        {smNormal, baCustom, 1.0f, 2.5f, -3.5f, 100, 50, {2, -4, 102, 46}},
        {smNormal, baCustom, 1.0f, 3.5f, -2.5f, 100, 50, {4, -2, 104, 48}},
        {smStretch, baCustom, 1.0f, 2.5f, -3.5f, 100, 50, {0, 0, 250, 350}},
        {smScale, baCustom, 2.0f, -50.0f, 25.0f, 100, 50, {-50, 25, 150, 125}},
        // Offsets placed by a very long pan saturate instead of wrapping around.
        {smNormal, baCustom, 1.0f, 3e9f, -3e9f, 100, 50, {1 << 30, -(1 << 30), 1 << 30, -(1 << 30) + 50}},
    };
    for (const auto& c : cases) {
        pane.SetScaleMode(c.mode);
        pane.SetBitmapAlign(c.align);
        pane.SetScale(c.scale);
        pane.SetBitmapOffsetX(c.offsetX);
        pane.SetBitmapOffsetY(c.offsetY);
        pane.Bitmap().SetSize(c.bw, c.bh);
        const TRect r = pane.ComputeBitmapRect();
        EXPECT_EQ(r, c.expected) << "mode " << int(c.mode) << " align " << int(c.align) << " scale " << c.scale
                                 << " bitmap " << c.bw << "x" << c.bh << ": got " << r.Left << "," << r.Top << ","
                                 << r.Right << "," << r.Bottom;
    }
}

TEST_F(PaneTest, AnEmptyBitmapOrAnEmptyControlHasNothingToDraw) {
    EXPECT_EQ(pane.ComputeBitmapRect(), TRect{});
    pane.Bitmap().SetSize(100, 50);
    pane.resize(0, 350);
    EXPECT_EQ(pane.ComputeBitmapSize(), (TBitmapSize{0, 0}));
    pane.resize(250, 0);
    EXPECT_EQ(pane.ComputeBitmapSize(), (TBitmapSize{0, 0}));
    // A width of 5 with a height of 0 is still an empty bitmap.
    pane.resize(250, 350);
    pane.Bitmap().SetSize(5, 0);
    EXPECT_EQ(pane.ComputeBitmapRect(), TRect{});
}

TEST_F(PaneTest, ShowsExactlyTheScaledPictureOnTheBackground) {
    FillPattern(pane.Bitmap(), 100, 50);
    const struct {
        TScaleMode mode;
        float scale;
        TBitmapAlign align;
        float offsetX, offsetY;
        TRect rect;
        // Hand-computed samples: shown pixel (x, y) is picture pixel (px, py), or the background
        // when px is -1.
        struct Sample {
            int x, y, px, py;
        } samples[4];
    } cases[] = {
        {smNormal, 1.0f, baTopLeft, 0, 0, {0, 0, 100, 50}, {{99, 49, 99, 49}, {100, 0, -1, 0}, {0, 50, -1, 0}, {0, 0, 0, 0}}},
        // Steps 100 * 65536 / 250 = 26214 and 50 * 65536 / 350 = 9362: column 5 samples 1.
        {smStretch, 1.0f, baTopLeft, 0, 0, {0, 0, 250, 350}, {{249, 349, 99, 49}, {5, 7, 1, 0}, {0, 0, 0, 0}, {6, 8, 2, 1}}},
        {smScale, 2.0f, baTopLeft, 0, 0, {0, 0, 200, 100}, {{199, 99, 99, 49}, {200, 0, -1, 0}, {3, 5, 1, 2}, {0, 100, -1, 0}}},
        // 300 x 150 is cut at the pane's right edge: column 249 samples 249 * 21845 >> 16 = 82.
        {smScale, 3.0f, baTopLeft, 0, 0, {0, 0, 300, 150}, {{249, 149, 82, 49}, {249, 0, 82, 0}, {0, 150, -1, 0}, {3, 0, 0, 0}}},
        // Clipped on the left: the start is 151 * 99 * 65535 / 299 = 3276531, column 49, where an
        // unclipped view would show 50 at the same place.
        {smScale, 3.0f, baCustom, -151.0f, 0, {-151, 0, 149, 150}, {{0, 0, 49, 0}, {148, 0, 99, 0}, {149, 0, -1, 0}, {0, 150, -1, 0}}},
        // Clipped at the top: 76 * 49 * 65535 / 149 = 1637935, row 24.
        {smScale, 3.0f, baCustom, 0, -76.0f, {0, -76, 300, 74}, {{0, 0, 0, 24}, {0, 73, 0, 49}, {0, 74, -1, 0}, {249, 0, 82, 24}}},
        {smNormal, 1.0f, baCustom, 2.5f, -3.5f, {2, -4, 102, 46}, {{2, 0, 0, 4}, {1, 0, -1, 0}, {101, 45, 99, 49}, {2, 46, -1, 0}}},
        {smNormal, 1.0f, baCenter, 0, 0, {75, 150, 175, 200}, {{75, 150, 0, 0}, {74, 150, -1, 0}, {174, 199, 99, 49}, {175, 199, -1, 0}}},
        // Entirely outside: only the background.
        {smNormal, 1.0f, baCustom, 300.0f, 0, {300, 0, 400, 50}, {{0, 0, -1, 0}, {249, 349, -1, 0}, {249, 0, -1, 0}, {0, 349, -1, 0}}},
    };
    const TColor32 background = pane.Color32() & 0x00FFFFFFu;
    for (const auto& c : cases) {
        SCOPED_TRACE("mode " + std::to_string(c.mode) + " scale " + std::to_string(c.scale) + " align " +
                     std::to_string(c.align) + " offsets " + std::to_string(c.offsetX) + "," + std::to_string(c.offsetY));
        pane.SetScaleMode(c.mode);
        pane.SetScale(c.scale);
        pane.SetBitmapAlign(c.align);
        pane.SetBitmapOffsetX(c.offsetX);
        pane.SetBitmapOffsetY(c.offsetY);
        ExpectShowsPictureIn(c.rect);
        EXPECT_EQ(pane.CachedBitmapRect(), c.rect);
        const QImage image = Grab();
        for (const auto& s : c.samples) {
            const TColor32 expected = s.px < 0 ? background : (Pattern(s.px, s.py) & 0x00FFFFFFu);
            EXPECT_EQ(Shown(image, s.x, s.y), expected) << "at (" << s.x << ", " << s.y << ")";
        }
    }
}

TEST_F(PaneTest, TilesThePictureOverThePane) {
    FillPattern(pane.Bitmap(), 100, 50);
    pane.SetBitmapAlign(baTile);
    const QImage image = Grab();
    for (const auto& [x, y] : std::vector<std::pair<int, int>>{{0, 0}, {100, 0}, {249, 349}, {150, 75}, {99, 51}})
        EXPECT_EQ(Shown(image, x, y), Pattern(x % 100, y % 50) & 0x00FFFFFFu) << x << "," << y;
}

TEST_F(PaneTest, AnEmptyBitmapShowsOnlyTheBackgroundEvenAfterAPicture) {
    FillPattern(pane.Bitmap(), 100, 50);
    Grab();
    pane.Bitmap().SetSize(0, 0);
    const QImage image = Grab();
    const TColor32 background = pane.Color32() & 0x00FFFFFFu;
    for (const auto& [x, y] : std::vector<std::pair<int, int>>{{0, 0}, {99, 49}, {249, 349}, {50, 20}})
        EXPECT_EQ(Shown(image, x, y), background);
    // The background is the window's button-face colour.
    EXPECT_EQ(pane.Color32(), 0xFF000000u | (pane.palette().color(QPalette::Button).rgb() & 0xFFFFFFu));
}

TEST_F(PaneTest, AShrunkPictureLeavesNoTraceOfTheLargerOne) {
    FillPattern(pane.Bitmap(), 200, 300);
    Grab();
    FillPattern(pane.Bitmap(), 10, 10);
    ExpectShowsPictureIn({0, 0, 10, 10});
}

TEST_F(PaneTest, TheBackBufferGrowsWithAMarginAndShrinksOnlyBeyondIt) {
    const struct {
        int paneWidth;
        int bufferWidth;
    } steps[] = {{250, 290}, {260, 290}, {251, 290}, {290, 290}, {291, 331}, {249, 249}, {0, 0}, {1, 41}};
    for (const auto& s : steps) {
        pane.resize(s.paneWidth, 350);
        pane.ResizeBuffer();
        EXPECT_EQ(pane.Buffer().Width(), s.bufferWidth) << "pane " << s.paneWidth;
        EXPECT_EQ(pane.Buffer().Height(), 390);
    }
    // With a margin of -1 the buffer is always exactly the pane's size.
    pane.SetBufferMargin(-1);
    pane.resize(100, 120);
    pane.ResizeBuffer();
    EXPECT_EQ(pane.Buffer().Width(), 100);
    EXPECT_EQ(pane.Buffer().Height(), 120);
}

TEST_F(PaneTest, AShownPaneSizesItsBufferAsItIsResized) {
    pane.show();
    test::ProcessPendingEvents();
    EXPECT_EQ(pane.Buffer().Width(), 290);
    EXPECT_EQ(pane.Buffer().Height(), 390);
    pane.resize(249, 351);
    EXPECT_EQ(pane.Buffer().Width(), 249);
    EXPECT_EQ(pane.Buffer().Height(), 390);
}

TEST_F(PaneTest, ABackBufferThatCannotBeHadIsReportedAndTriedAgainAtTheNextPaint) {
    std::vector<std::string> reported;
    const TExceptionHandler previous =
        SetApplicationExceptionHandler([&](const std::exception& e) { reported.push_back(e.what()); });
    // A small window holding a pane far too large for a back buffer (70040 x 70040 pixels).
    QWidget window;
    window.resize(100, 100);
    TImage32* huge = new TImage32(&window);
    FillPattern(huge->Bitmap(), 10, 10);
    window.show();
    test::ProcessPendingEvents();
    reported.clear();
    huge->resize(70000, 70000);
    huge->repaint();
    test::ProcessPendingEvents();
    // Every paint tries again, but the error box comes up once, not after every repaint.
    huge->repaint();
    huge->repaint();
    test::ProcessPendingEvents();
    EXPECT_TRUE(huge->Buffer().IsEmpty());
    EXPECT_EQ(reported, std::vector<std::string>{msg::kDIBAllocate});
    // Back to a sensible size, the next paint makes the buffer and shows the picture.
    reported.clear();
    huge->resize(80, 60);
    huge->repaint();
    test::ProcessPendingEvents();
    EXPECT_TRUE(reported.empty());
    EXPECT_EQ(huge->Buffer().Width(), 120);
    EXPECT_EQ(huge->Buffer().GetPixel(9, 9), Pattern(9, 9));
    SetApplicationExceptionHandler(previous);
}

// Records the pane's notifications in order.
struct TNotificationLog {
    explicit TNotificationLog(TImage32& pane) {
        pane.SetOnChanging([this](TCustomImage32&) { events.push_back("changing"); });
        pane.SetOnChange([this](TCustomImage32&) { events.push_back("change"); });
    }
    std::vector<std::string> Take() { return std::exchange(events, {}); }
    std::vector<std::string> events;
};

TEST_F(PaneTest, SettersNotifyUnlessTheValueIsUnchanged) {
    TNotificationLog log(pane);
    const std::vector<std::string> both{"changing", "change"};
    const std::vector<std::string> none;
    const struct {
        const char* what;
        std::function<void()> set;
        std::vector<std::string> expected;
    } cases[] = {
        {"scale 2", [&] { pane.SetScale(2.0f); }, both},
        {"scale 2 again", [&] { pane.SetScale(2.0f); }, none},
        {"scale 0", [&] { pane.SetScale(0.0f); }, both},
        {"scale -1 (already the minimum)", [&] { pane.SetScale(-1.0f); }, none},
        {"scale mode", [&] { pane.SetScaleMode(smStretch); }, both},
        {"same scale mode", [&] { pane.SetScaleMode(smStretch); }, none},
        {"alignment", [&] { pane.SetBitmapAlign(baCustom); }, both},
        {"same alignment", [&] { pane.SetBitmapAlign(baCustom); }, both},
        {"offset x", [&] { pane.SetBitmapOffsetX(0.0f); }, both},
        {"offset y", [&] { pane.SetBitmapOffsetY(0.0f); }, both},
        {"bitmap resized", [&] { pane.Bitmap().SetSize(3, 3); }, both},
        {"bitmap same size", [&] { pane.Bitmap().SetSize(3, 3); }, none},
        {"pixel written", [&] { pane.Bitmap().SetPixel(1, 1, 7); }, none},
        {"bitmap cleared", [&] { pane.Bitmap().Clear(0xFF123456); }, both},
    };
    for (const auto& c : cases) {
        c.set();
        EXPECT_EQ(log.Take(), c.expected) << c.what;
    }
    EXPECT_EQ(pane.Scale(), kMinScale);
}

TEST_F(PaneTest, ANotificationInvalidatesTheBufferAndTheCachedRectangle) {
    FillPattern(pane.Bitmap(), 100, 50);
    Grab();
    ASSERT_TRUE(pane.BufferValid());
    ASSERT_TRUE(pane.BitmapRectValid());
    pane.SetBitmapOffsetY(3.0f);
    EXPECT_FALSE(pane.BufferValid());
    EXPECT_FALSE(pane.BitmapRectValid());
    Grab();
    pane.Changed();
    EXPECT_FALSE(pane.BufferValid());
    Grab();
    pane.Bitmap().SetSize(20, 20);
    EXPECT_FALSE(pane.BitmapRectValid());
}

TEST_F(PaneTest, AnOpenUpdateHoldsBackNotificationsAndUnpairedEndUpdateFails) {
    TNotificationLog log(pane);
    pane.BeginUpdate();
    pane.SetScale(4.0f);
    pane.Bitmap().SetSize(5, 5);
    EXPECT_TRUE(log.Take().empty());
    pane.EndUpdate();
    try {
        pane.EndUpdate();
        FAIL() << "no error";
    } catch (const EAssertionFailed& e) {
        EXPECT_EQ(e.Message(), "Unpaired EndUpdate call");
    }
    EXPECT_EQ(pane.UpdateCount(), 0);
}

TEST_F(PaneTest, RepaintsOnceAfterAHandlerThatSizesAndFillsTheBitmap) {
    pane.SetScaleMode(smStretch);
    pane.show();
    test::ProcessPendingEvents();
    const uint64_t buffers = pane.BufferPaintCount();
    const uint64_t screens = pane.ScreenPaintCount();
    // As a combining handler does: size first (which notifies), then write pixels (which do not).
    pane.Bitmap().SetSize(0, 0);
    FillPattern(pane.Bitmap(), 100, 50);
    pane.Changed();
    test::ProcessPendingEvents();
    EXPECT_EQ(pane.BufferPaintCount(), buffers + 1);
    EXPECT_EQ(pane.ScreenPaintCount(), screens + 1);
    EXPECT_EQ(pane.Buffer().GetPixel(249, 349), Pattern(99, 49));
    EXPECT_EQ(pane.Buffer().GetPixel(5, 7), Pattern(1, 0));
}

TEST_F(PaneTest, AMereRepaintCopiesTheBufferWithoutRescaling) {
    FillPattern(pane.Bitmap(), 100, 50);
    pane.show();
    test::ProcessPendingEvents();
    const uint64_t buffers = pane.BufferPaintCount();
    const uint64_t screens = pane.ScreenPaintCount();
    pane.update();  // as when the window is uncovered
    test::ProcessPendingEvents();
    EXPECT_EQ(pane.ScreenPaintCount(), screens + 1);
    EXPECT_EQ(pane.BufferPaintCount(), buffers);
}

// Sends one mouse event to the pane.
void SendMouse(QWidget& widget, QEvent::Type type, Qt::MouseButton button, QPoint at) {
    QMouseEvent event(type, QPointF(at), widget.mapToGlobal(QPointF(at)), button,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : button, Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &event);
}

TEST_F(PaneTest, ReportsAClickOnlyForALeftPressAndReleaseInside) {
    std::vector<std::string> events;
    pane.SetOnClick([&](TCustomImage32&) { events.push_back("click"); });
    pane.SetOnDblClick([&](TCustomImage32&) { events.push_back("dblclick"); });
    pane.SetOnMouseDown([&](TCustomImage32&, Qt::MouseButton, int x, int y) {
        events.push_back("down " + std::to_string(x) + "," + std::to_string(y));
    });
    pane.SetOnMouseUp([&](TCustomImage32&, Qt::MouseButton, int, int) { events.push_back("up"); });

    SendMouse(pane, QEvent::MouseButtonPress, Qt::LeftButton, {10, 20});
    SendMouse(pane, QEvent::MouseButtonRelease, Qt::LeftButton, {12, 22});
    EXPECT_EQ(events, (std::vector<std::string>{"down 10,20", "up", "click"}));
    events.clear();

    SendMouse(pane, QEvent::MouseButtonPress, Qt::LeftButton, {10, 20});
    SendMouse(pane, QEvent::MouseButtonRelease, Qt::LeftButton, {300, 20});  // released outside
    SendMouse(pane, QEvent::MouseButtonPress, Qt::RightButton, {10, 20});
    SendMouse(pane, QEvent::MouseButtonRelease, Qt::RightButton, {10, 20});
    EXPECT_EQ(events, (std::vector<std::string>{"down 10,20", "up", "down 10,20", "up"}));
    events.clear();

    // A double click is one click and one double click, not two clicks.
    SendMouse(pane, QEvent::MouseButtonPress, Qt::LeftButton, {5, 5});
    SendMouse(pane, QEvent::MouseButtonRelease, Qt::LeftButton, {5, 5});
    SendMouse(pane, QEvent::MouseButtonDblClick, Qt::LeftButton, {5, 5});
    SendMouse(pane, QEvent::MouseButtonRelease, Qt::LeftButton, {5, 5});
    EXPECT_EQ(events, (std::vector<std::string>{"down 5,5", "up", "click", "dblclick", "up"}));
}

TEST_F(PaneTest, LeavingThePaneResetsTheProgramWideCursor) {
    // Two overrides stacked (as a nested hourglass would leave them): all of them go.
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&pane, &leave);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(PaneTest, ARightClickOpensTheSharedMenuWithThePaneAsItsComponent) {
    TPopupMenu menu;
    menu.addAction(QStringLiteral("Copy"));
    TImage32 other;
    other.SetPopupMenu(&menu);
    pane.SetPopupMenu(&menu);
    QWidget* seen = nullptr;
    int popups = 0;
    menu.SetOnPopup([&] {
        seen = menu.PopupComponent();
        ++popups;
    });
    for (TImage32* target : {&pane, &other}) {
        // The menu runs its own loop; close it as soon as it is shown.
        QTimer::singleShot(0, &menu, [&menu] { menu.close(); });
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), target->mapToGlobal(QPoint(5, 5)));
        QCoreApplication::sendEvent(target, &event);
        EXPECT_EQ(seen, target);
        EXPECT_EQ(menu.PopupComponent(), target);
    }
    EXPECT_EQ(popups, 2);
}

}  // namespace
}  // namespace nox
