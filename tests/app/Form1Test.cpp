// The main window: its components as designed, the layout rule at several sizes, the view
// commands with their enabled states, the pop-up menu, Blacken and Whiten with their labels, the
// pane clicks, the combining buttons and the error box for an exception that ends a handler.
#include <gtest/gtest.h>

#include <QAction>
#include <QContextMenuEvent>
#include <QTimer>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStyle>

#include <functional>
#include <new>
#include <string>
#include <vector>

#include "app/Form1.h"
#include "app/RadioGroup.h"
#include "app/ShellOpen.h"
#include "image/Combine.h"
#include "platform/Errors.h"
#include "tests/view/QtTestApp.h"

namespace nox {
namespace {

TColor32 Pattern(int x, int y) { return 0xFF000000u | (static_cast<TColor32>(x * 7) << 16) | (static_cast<TColor32>(y * 5) << 8) | 0x33u; }

void FillPattern(TBitmap32& bitmap, int width, int height, TColor32 (*pixel)(int, int) = Pattern) {
    bitmap.SetSize(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) bitmap.SetPixel(x, y, pixel(x, y));
}

std::vector<TColor32> Pixels(const TBitmap32& bitmap) {
    std::vector<TColor32> pixels;
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x) pixels.push_back(bitmap.GetPixel(x, y));
    return pixels;
}

class FormTest : public ::testing::Test {
protected:
    QApplication& app = test::TestApplication();  // before any widget
    TScriptedDesktop desktop;
    TDesktop services = desktop.Desktop();
    TForm1 form{services};

    void ResizeTo(int width, int height) {
        form.resize(width, height);
        form.FormResize();
    }
};

TEST_F(FormTest, HasTheDesignedCaptionAndComponents) {
    EXPECT_EQ(form.windowTitle().toStdString(), "Image Hiding (Steganography) Demonstrator");
    const struct {
        QPushButton* button;
        const char* caption;
        QRect bounds;
        const char* hint;
        bool enabled;
    } buttons[] = {
        {form.SubtractButton, "Subtract", {16, 8, 68, 25}, "Subtract the Middle picture from the \nLeft picture and put it on the Right", true},
        {form.AddButton, "&Add", {102, 8, 68, 25}, "Add the Left picture to the Middle \npicture and put it on the Right", true},
        {form.AddBitButton, "Add &Bit", {188, 8, 68, 25},
         "Take the Left picture, add the B/W image in the \nMiddle picture, and put it on the Right", true},
        {form.ExitButton, "E&xit", {718, 8, 52, 25}, "", true},
        {form.SaveButton, "Save", {662, 8, 52, 25}, "Save the Right picture", true},
        {form.ShowLSBsButton, "Show LSBs", {370, 8, 68, 25}, "", true},
        {form.SetLSBsButton, "Set LSBs", {280, 8, 68, 25}, "", true},
        {form.OpenLeftButton, "Open", {93, 57, 75, 25}, "", true},
        {form.OpenMiddleButton, "Open", {347, 57, 75, 25}, "", true},
        {form.ZoomInButton, "Zoom In", {532, 48, 55, 25}, "", true},
        {form.ZoomOutButton, "Zoom Out", {598, 48, 55, 25}, "", false},
        {form.UpButton, "Up", {705, 46, 25, 25}, "", true},
        {form.DownButton, "Dn", {705, 78, 25, 25}, "", true},
        {form.LeftButton, "Lt", {673, 62, 25, 25}, "", true},
        {form.RightButton, "Rt", {737, 62, 25, 25}, "", true},
    };
    for (const auto& b : buttons) {
        SCOPED_TRACE(b.caption);
        EXPECT_EQ(b.button->text().toStdString(), b.caption);
        EXPECT_EQ(b.button->geometry(), b.bounds);
        EXPECT_EQ(b.button->toolTip().toStdString(), b.hint);
        EXPECT_EQ(b.button->isEnabled(), b.enabled);
    }
    EXPECT_EQ(form.lQuality->text().toStdString(), "99");
    EXPECT_EQ(form.lQuality->toolTip().toStdString(), "JPEG Quality (1..100)");
    EXPECT_EQ(form.lQuality->pos(), QPoint(640, 16));
    EXPECT_GE(form.lQuality->width(), 12);
    EXPECT_EQ(form.JPEGQualityTB->minimum(), 0);
    EXPECT_EQ(form.JPEGQualityTB->maximum(), 100);
    EXPECT_EQ(form.JPEGQualityTB->value(), 95);
    EXPECT_EQ(form.JPEGQualityTB->tickInterval(), 10);
    EXPECT_EQ(form.JPEGQualityTB->tickPosition(), QSlider::TicksBelow);
    EXPECT_EQ(form.JPEGQualityTB->toolTip().toStdString(), "Set JPG Quality (1..100)");
    EXPECT_EQ(form.JPEGQualityTB->geometry(), QRect(520, 8, 121, 30));
    EXPECT_EQ(form.ImageModeRG->geometry(), QRect(447, -11, 68, 57));
    EXPECT_EQ(form.ImageModeRG->ItemIndex(), 1);
    ASSERT_EQ(form.ImageModeRG->Count(), 3);
    EXPECT_EQ(form.ImageModeRG->Button(0)->text().toStdString(), "Normal");
    EXPECT_EQ(form.ImageModeRG->Button(1)->text().toStdString(), "Stretch");
    EXPECT_EQ(form.ImageModeRG->Button(2)->text().toStdString(), "Scale");
    EXPECT_TRUE(form.ImageModeRG->Button(1)->isChecked());
    EXPECT_EQ(form.Panel1->geometry(), QRect(0, 0, 786, 113));
    for (QLabel* label : {form.lFNameL, form.lFNameM, form.lFShortNameL, form.lFShortNameM}) {
        EXPECT_TRUE(label->text().isEmpty());
        EXPECT_TRUE(label->font().bold());
    }
    EXPECT_EQ(form.lFShortNameL->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    std::vector<std::string> entries;
    for (QAction* action : form.PopupMenu1->actions()) entries.push_back(action->text().toStdString());
    EXPECT_EQ(entries, (std::vector<std::string>{"Copy", "Paste", "Blacken", "Whiten", "", "Inspect..."}));
    EXPECT_EQ(form.OpenDialog1.Filter, "Image/Text files|*.jpg;*.gif;*.bmp;*.png;*.txt");
    EXPECT_EQ(form.SaveDialog1.Filter, "BMP pictures|*.BMP|JPEG pictures|*.JPG|GIF pictures|*.GIF|PNG pictures|*.PNG");
    for (TImage32* pane : {form.ImageL, form.ImageM, form.ImageR}) {
        EXPECT_EQ(pane->ScaleMode(), smStretch);
        EXPECT_EQ(pane->Scale(), 1.0f);
        EXPECT_EQ(pane->BitmapAlign(), baTopLeft);
        EXPECT_EQ(pane->PopupMenu(), form.PopupMenu1);
        EXPECT_TRUE(pane->Bitmap().IsEmpty());
    }
}

TEST_F(FormTest, EveryCaptionFitsItsControlAtTheDesignSize) {
    form.show();
    test::ProcessPendingEvents();
    // A button's text within its frame (two pixels a side), a radio label beside its indicator and
    // within the group's frame, the quality figure clear of the track bar.
    for (QPushButton* button : form.findChildren<QPushButton*>()) {
        const QString text = button->text().remove(QLatin1Char('&'));
        SCOPED_TRACE(text.toStdString());
        const QFontMetrics metrics(button->font());
        EXPECT_LE(metrics.horizontalAdvance(text) + 4, button->width());
        EXPECT_LE(metrics.height() + 4, button->height());
    }
    const int indicator = form.style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth) +
                          form.style()->pixelMetric(QStyle::PM_RadioButtonLabelSpacing);
    for (int i = 0; i < form.ImageModeRG->Count(); ++i) {
        QRadioButton* item = form.ImageModeRG->Button(i);
        SCOPED_TRACE(item->text().toStdString());
        EXPECT_LE(indicator + QFontMetrics(item->font()).horizontalAdvance(item->text()), item->width());
        // Inside the frame, whose top is the first row the panel shows.
        EXPECT_LT(item->geometry().right(), form.ImageModeRG->width() - 2);
        EXPECT_GT(form.ImageModeRG->y() + item->y(), 1);
        EXPECT_LE(form.ImageModeRG->y() + item->geometry().bottom(), form.ImageModeRG->geometry().bottom() - 2);
    }
    for (const int quality : {95, 100}) {
        form.JPEGQualityTB->setValue(quality);
        const QFontMetrics metrics(form.lQuality->font());
        EXPECT_LE(metrics.horizontalAdvance(form.lQuality->text()) + form.lQuality->indent(), form.lQuality->width());
        EXPECT_GT(form.lQuality->x() + form.lQuality->indent(), form.JPEGQualityTB->geometry().right() + 1);
    }
}

TEST_F(FormTest, TabsThroughTheControlsInTheDesignedOrder) {
    const std::vector<QWidget*> order{form.OpenLeftButton, form.OpenMiddleButton, form.SubtractButton, form.AddButton,
                                      form.AddBitButton,   form.ExitButton,       form.SaveButton,     form.JPEGQualityTB,
                                      form.ShowLSBsButton, form.SetLSBsButton,    form.ZoomInButton,   form.ImageModeRG,
                                      form.ZoomOutButton,  form.UpButton,         form.DownButton,     form.LeftButton,
                                      form.RightButton};
    // The focus chain visits the radio group's buttons right after the group itself.
    for (size_t i = 0; i + 1 < order.size(); ++i) {
        QWidget* next = order[i]->nextInFocusChain();
        while (next != order[i + 1] && order[i]->isAncestorOf(next)) next = next->nextInFocusChain();
        EXPECT_EQ(next, order[i + 1]) << "after tab stop " << i;
    }
}

TEST_F(FormTest, LaysOutPanesLabelsAndButtonsForTheWindowSize) {
    const struct {
        int width, height;
        int top, paneHeight, w, middleLeft, rightLeft;
        int openLeft, openMiddle, bevelWidth, zoomIn;
    } cases[] = {
        {786, 466, 121, 313, 246, 262, 516, 93, 347, 508, 532},
        {900, 466, 121, 313, 284, 300, 592, 112, 404, 584, 608},
        {901, 600, 121, 447, 284, 300, 592, 112, 404, 584, 608},
        {300, 300, 121, 147, 84, 100, 192, 12, 104, 184, 208},
        // (64 - 75) div 2 is -5, rounded toward zero: the button sits at 8 - 5.
        {240, 466, 121, 313, 64, 80, 152, 3, 75, 144, 168},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        ResizeTo(c.width, c.height);
        EXPECT_EQ(form.ImageL->geometry(), QRect(8, c.top, c.w, c.paneHeight));
        EXPECT_EQ(form.ImageM->geometry(), QRect(c.middleLeft, c.top, c.w, c.paneHeight));
        EXPECT_EQ(form.ImageR->geometry(), QRect(c.rightLeft, c.top, c.w, c.paneHeight));
        EXPECT_EQ(form.lFNameL->geometry(), QRect(8, 83, c.w, 13));
        EXPECT_EQ(form.lFNameM->geometry(), QRect(c.middleLeft, 83, c.w, 13));
        EXPECT_EQ(form.lFShortNameL->geometry(), QRect(8, 99, c.w, 13));
        EXPECT_EQ(form.lFShortNameM->geometry(), QRect(c.middleLeft, 99, c.w, 13));
        EXPECT_EQ(form.OpenLeftButton->geometry(), QRect(c.openLeft, 57, 75, 25));
        EXPECT_EQ(form.OpenMiddleButton->geometry(), QRect(c.openMiddle, 57, 75, 25));
        EXPECT_EQ(form.Bevel1->geometry(), QRect(8, 49, c.bevelWidth, 3));
        // The zoom and pan group keeps its shape, 16 pixels right of the bevel.
        EXPECT_EQ(form.ZoomInButton->pos(), QPoint(c.zoomIn, 48));
        EXPECT_EQ(form.ZoomOutButton->pos(), QPoint(c.zoomIn + 66, 48));
        EXPECT_EQ(form.UpButton->pos(), QPoint(c.zoomIn + 173, 46));
        EXPECT_EQ(form.DownButton->pos(), QPoint(c.zoomIn + 173, 78));
        EXPECT_EQ(form.LeftButton->pos(), QPoint(c.zoomIn + 141, 62));
        EXPECT_EQ(form.RightButton->pos(), QPoint(c.zoomIn + 205, 62));
        // Everything else stays where it was designed.
        EXPECT_EQ(form.SubtractButton->pos(), QPoint(16, 8));
        EXPECT_EQ(form.ExitButton->pos(), QPoint(718, 8));
        EXPECT_EQ(form.JPEGQualityTB->pos(), QPoint(520, 8));
        EXPECT_EQ(form.Panel1->geometry(), QRect(0, 0, c.width, 113));
    }
}

TEST_F(FormTest, AShownWindowLaysItselfOutWhenResized) {
    form.show();
    test::ProcessPendingEvents();
    form.resize(900, 500);
    test::ProcessPendingEvents();
    const int wd = form.frameGeometry().width();
    const int w = wd / 3 - 16;
    EXPECT_EQ(form.ImageM->geometry(), QRect(w + 16, 121, w, form.frameGeometry().height() - 113 - 40));
}

TEST_F(FormTest, DisplayModeSetsThePanesAndTheZoomButtons) {
    form.ImageModeRG->SetItemIndex(2);  // runs ImageModeRGClick
    for (TImage32* pane : {form.ImageL, form.ImageM, form.ImageR}) EXPECT_EQ(pane->ScaleMode(), smScale);
    EXPECT_TRUE(form.ZoomInButton->isEnabled());
    for (QPushButton* b : {form.ZoomOutButton, form.UpButton, form.DownButton, form.LeftButton, form.RightButton})
        EXPECT_FALSE(b->isEnabled()) << b->text().toStdString();

    form.ZoomInButtonClick();
    for (TImage32* pane : {form.ImageL, form.ImageM, form.ImageR}) {
        EXPECT_EQ(pane->Scale(), 2.0f);
        EXPECT_EQ(pane->BitmapAlign(), baCustom);
    }
    for (QPushButton* b : {form.ZoomOutButton, form.UpButton, form.DownButton, form.LeftButton, form.RightButton})
        EXPECT_TRUE(b->isEnabled()) << b->text().toStdString();

    form.ZoomInButtonClick();
    form.ZoomOutButtonClick();
    EXPECT_EQ(form.ImageR->Scale(), 2.0f);
    EXPECT_EQ(form.ImageR->BitmapAlign(), baCustom);
    EXPECT_TRUE(form.ZoomOutButton->isEnabled());

    form.ZoomOutButtonClick();
    for (TImage32* pane : {form.ImageL, form.ImageM, form.ImageR}) {
        EXPECT_EQ(pane->Scale(), 1.0f);
        EXPECT_EQ(pane->BitmapAlign(), baTopLeft);
    }
    for (QPushButton* b : {form.ZoomOutButton, form.UpButton, form.DownButton, form.LeftButton, form.RightButton})
        EXPECT_FALSE(b->isEnabled()) << b->text().toStdString();
}

TEST_F(FormTest, NormalAndStretchDisableZoomingButLeaveThePanButtonsAlone) {
    form.ImageModeRG->SetItemIndex(2);
    form.ZoomInButtonClick();
    const struct {
        int item;
        TScaleMode mode;
    } cases[] = {{0, smNormal}, {1, smStretch}};
    for (const auto& c : cases) {
        form.ImageModeRG->SetItemIndex(c.item);
        EXPECT_FALSE(form.ZoomInButton->isEnabled());
        EXPECT_FALSE(form.ZoomOutButton->isEnabled());
        for (QPushButton* b : {form.UpButton, form.DownButton, form.LeftButton, form.RightButton}) EXPECT_TRUE(b->isEnabled());
        EXPECT_EQ(form.ImageM->ScaleMode(), c.mode);
        // Panes keep their zoom and alignment.
        EXPECT_EQ(form.ImageM->Scale(), 2.0f);
        EXPECT_EQ(form.ImageM->BitmapAlign(), baCustom);
    }
    // No item selected: both zoom buttons off, the panes as they were.
    form.ImageModeRG->SetItemIndex(-7);
    EXPECT_EQ(form.ImageModeRG->ItemIndex(), -1);
    EXPECT_FALSE(form.ZoomInButton->isEnabled());
    EXPECT_EQ(form.ImageL->ScaleMode(), smStretch);
}

TEST_F(FormTest, ThePickedRadioItemRunsTheDisplayModeHandler) {
    form.ImageModeRG->Button(0)->click();
    EXPECT_EQ(form.ImageModeRG->ItemIndex(), 0);
    EXPECT_EQ(form.ImageR->ScaleMode(), smNormal);
    form.ImageModeRG->Button(2)->click();
    EXPECT_EQ(form.ImageR->ScaleMode(), smScale);
    EXPECT_TRUE(form.ZoomInButton->isEnabled());
}

TEST_F(FormTest, PanningMovesEachPaneByHalfItsOwnPicture) {
    form.ImageL->Bitmap().SetSize(101, 51);
    form.ImageM->Bitmap().SetSize(30, 7);
    // The Right pane stays empty and so does not move.
    const struct {
        void (TForm1::*handler)();
        float lx, ly, mx, my;
    } steps[] = {
        {&TForm1::UpButtonClick, 0, 25, 0, 3},
        {&TForm1::UpButtonClick, 0, 50, 0, 6},
        {&TForm1::DownButtonClick, 0, 25, 0, 3},
        {&TForm1::LeftButtonClick, 50, 25, 15, 3},
        {&TForm1::RightButtonClick, 0, 25, 0, 3},
        {&TForm1::RightButtonClick, -50, 25, -15, 3},
    };
    int step = 0;
    for (const auto& s : steps) {
        (form.*s.handler)();
        EXPECT_EQ(form.ImageL->BitmapOffsetX(), s.lx) << "step " << step;
        EXPECT_EQ(form.ImageL->BitmapOffsetY(), s.ly) << "step " << step;
        EXPECT_EQ(form.ImageM->BitmapOffsetX(), s.mx) << "step " << step;
        EXPECT_EQ(form.ImageM->BitmapOffsetY(), s.my) << "step " << step;
        EXPECT_EQ(form.ImageR->BitmapOffsetX(), 0.0f);
        EXPECT_EQ(form.ImageR->BitmapOffsetY(), 0.0f);
        ++step;
    }
}

TEST_F(FormTest, TheQualityLabelFollowsTheTrackBar) {
    for (int position : {0, 1, 50, 99, 100, 95}) {
        form.JPEGQualityTB->setValue(position);
        EXPECT_EQ(form.lQuality->text().toStdString(), std::to_string(position));
        EXPECT_GE(form.lQuality->width(), form.lQuality->fontMetrics().horizontalAdvance(form.lQuality->text()));
    }
    form.JPEGQualityTB->setValue(250);  // held within 0 to 100
    EXPECT_EQ(form.lQuality->text().toStdString(), "100");
}

TEST_F(FormTest, ThePopupMenuIsEnabledOnlyOnAPaneWithAPicture) {
    const struct {
        TImage32* pane;
        int width, height;
        bool enabled;
    } cases[] = {
        {form.ImageL, 0, 0, false}, {form.ImageR, 0, 0, false}, {form.ImageM, 5, 0, false},
        {form.ImageM, 0, 5, false}, {form.ImageR, 1, 1, true},  {form.ImageL, 30, 20, true},
    };
    for (const auto& c : cases) {
        c.pane->Bitmap().SetSize(c.width, c.height);
        form.PopupMenu1->SetPopupComponent(c.pane);
        form.PopupMenu1Popup();
        for (QAction* entry : {form.Copy1, form.Paste1, form.Blacken1, form.Whiten1, form.Inspect1})
            EXPECT_EQ(entry->isEnabled(), c.enabled)
                << c.pane->objectName().toStdString() << " " << c.width << "x" << c.height << " " << entry->text().toStdString();
    }
}

TEST_F(FormTest, ARightClickOnAPaneSetsTheMenuEntriesForThatPane) {
    form.ImageM->Bitmap().SetSize(4, 4);
    const struct {
        TImage32* pane;
        bool enabled;
    } cases[] = {{form.ImageM, true}, {form.ImageL, false}, {form.ImageM, true}, {form.ImageR, false}};
    for (const auto& c : cases) {
        // The menu runs its own loop; close it as soon as it is shown.
        QTimer::singleShot(0, form.PopupMenu1, [this] { form.PopupMenu1->close(); });
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), c.pane->mapToGlobal(QPoint(5, 5)));
        QCoreApplication::sendEvent(c.pane, &event);
        EXPECT_EQ(form.PopupPane(), c.pane);
        for (QAction* entry : {form.Copy1, form.Paste1, form.Blacken1, form.Whiten1})
            EXPECT_EQ(entry->isEnabled(), c.enabled) << c.pane->objectName().toStdString();
    }
}

TEST_F(FormTest, BlackenAndWhitenFillThePaneAndDropItsNames) {
    const struct {
        TImage32* pane;
        void (TForm1::*handler)();
        TColor32 fill;
        bool leftNamesKept, middleNamesKept;
    } cases[] = {
        {form.ImageL, &TForm1::Blacken1Click, kBlack, false, true},
        {form.ImageM, &TForm1::Whiten1Click, kWhite, true, false},
        {form.ImageR, &TForm1::Blacken1Click, kBlack, true, true},
        {form.ImageR, &TForm1::Whiten1Click, kWhite, true, true},
    };
    form.show();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pane->objectName().toStdString());
        form.lFNameL->setText("/pictures/left.bmp");
        form.lFShortNameL->setText("left.bmp");
        form.lFNameM->setText("/pictures/middle.bmp");
        form.lFShortNameM->setText("middle.bmp");
        FillPattern(c.pane->Bitmap(), 7, 3);
        test::ProcessPendingEvents();
        const uint64_t repaints = c.pane->BufferPaintCount();

        form.PopupMenu1->SetPopupComponent(c.pane);
        (form.*c.handler)();
        EXPECT_EQ(Pixels(c.pane->Bitmap()), std::vector<TColor32>(21, c.fill));
        EXPECT_EQ(c.pane->Bitmap().Width(), 7);
        EXPECT_EQ(form.lFNameL->text().isEmpty(), !c.leftNamesKept);
        EXPECT_EQ(form.lFShortNameL->text().isEmpty(), !c.leftNamesKept);
        EXPECT_EQ(form.lFNameM->text().isEmpty(), !c.middleNamesKept);
        EXPECT_EQ(form.lFShortNameM->text().isEmpty(), !c.middleNamesKept);
        test::ProcessPendingEvents();
        EXPECT_EQ(c.pane->BufferPaintCount(), repaints + 1);
        EXPECT_EQ(c.pane->Buffer().GetPixel(0, 0), c.fill);
    }
}

TEST_F(FormTest, TheMenuEntriesRunTheirHandlers) {
    FillPattern(form.ImageM->Bitmap(), 4, 4);
    form.lFNameM->setText("m.bmp");
    form.PopupMenu1->SetPopupComponent(form.ImageM);
    form.Whiten1->trigger();
    EXPECT_EQ(form.ImageM->Bitmap().GetPixel(3, 3), kWhite);
    EXPECT_TRUE(form.lFNameM->text().isEmpty());
    form.Blacken1->trigger();
    EXPECT_EQ(form.ImageM->Bitmap().GetPixel(3, 3), kBlack);
}

TEST(IsBlankText, AcceptsOnlyBlanksCarriageReturnsAndLineFeeds) {
    const struct {
        const char* text;
        bool blank;
    } cases[] = {
        {"", true}, {" ", true}, {"\r\n", true}, {"  \r\n \n\r ", true},
        {"\t", false}, {"a", false}, {" a ", false}, {"\r\n.", false}, {"\x01", false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsBlankText(c.text), c.blank) << "\"" << c.text << "\"";
}

// Clicks a pane the way a user does: left press and release inside it.
void ClickPane(TImage32& pane) {
    const QPointF at(10, 10);
    QMouseEvent press(QEvent::MouseButtonPress, at, pane.mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, pane.mapToGlobal(at), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&pane, &press);
    QCoreApplication::sendEvent(&pane, &release);
}

TEST_F(FormTest, ClickingANamedPaneOpensItsFile) {
    const std::string longName = "/tmp/" + std::string(300, 'n') + ".txt";
    const struct {
        TImage32* pane;
        const char* leftName;
        const char* middleName;
        std::vector<std::string> calls;
    } cases[] = {
        {form.ImageL, "/home/me/notes.txt", "/m.bmp", {"OpenDocument(/home/me/notes.txt)"}},
        {form.ImageM, "/l.bmp", "/home/me/hidden.bmp", {"OpenDocument(/home/me/hidden.bmp)"}},
        {form.ImageL, " \r\n ", "/m.bmp", {}},
        {form.ImageM, "/l.bmp", "", {}},
        {form.ImageR, "/l.bmp", "/m.bmp", {}},
        // Names are passed whole, however long.
        {form.ImageL, longName.c_str(), "", {"OpenDocument(" + longName + ")"}},
    };
    for (const auto& c : cases) {
        desktop.Calls.clear();
        form.lFNameL->setText(QString::fromStdString(c.leftName));
        form.lFNameM->setText(QString::fromStdString(c.middleName));
        ClickPane(*c.pane);
        EXPECT_EQ(desktop.Calls, c.calls) << c.pane->objectName().toStdString();
    }
}

TEST_F(FormTest, TheCombiningButtonsPutTheirResultOnTheRightAndRepaintItOnce) {
    const struct {
        QPushButton* button;
        void (*operation)(TBitmap32&, TBitmap32&, TBitmap32&);
    } cases[] = {
        {form.SubtractButton, &Subtract}, {form.AddButton, &Add}, {form.AddBitButton, &AddBit},
        {form.SetLSBsButton, &SetLSBs},   {form.ShowLSBsButton, &ShowLSBs},
    };
    FillPattern(form.ImageL->Bitmap(), 30, 20);
    // A Middle picture with white and non-white pixels, smaller in width than the Left one.
    FillPattern(form.ImageM->Bitmap(), 25, 24, [](int x, int y) -> TColor32 { return (x + y) % 3 ? 0xFFFFFFFFu : 0xFF102030u; });
    form.show();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.button->text().toStdString());
        test::ProcessPendingEvents();
        const uint64_t repaints = form.ImageR->BufferPaintCount();
        TBitmap32 expected;
        c.operation(form.ImageL->Bitmap(), form.ImageM->Bitmap(), expected);
        form.ImageR->Bitmap().SetSize(3, 3);  // replaced whatever it held
        c.button->click();
        EXPECT_EQ(form.ImageR->Bitmap().Width(), expected.Width());
        EXPECT_EQ(form.ImageR->Bitmap().Height(), expected.Height());
        EXPECT_EQ(Pixels(form.ImageR->Bitmap()), Pixels(expected));
        test::ProcessPendingEvents();
        EXPECT_EQ(form.ImageR->BufferPaintCount(), repaints + 1);
        // Stretched over the pane: its top-left pixel is the result's.
        EXPECT_EQ(form.ImageR->Buffer().GetPixel(0, 0), expected.GetPixel(0, 0));
    }
    // An empty Middle pane leaves the Right pane empty.
    form.ImageM->Bitmap().SetSize(0, 0);
    form.SetLSBsButton->click();
    EXPECT_TRUE(form.ImageR->Bitmap().IsEmpty());
}

TEST_F(FormTest, ExitClosesTheWindow) {
    form.show();
    ASSERT_TRUE(form.isVisible());
    form.ExitButton->click();
    EXPECT_FALSE(form.isVisible());
}

// A shell that fails with a preset exception.
class TFailingShell : public TShell {
public:
    std::function<void()> fail;
    void OpenDocument(const std::string&) override { fail(); }
};

TEST_F(FormTest, AnExceptionEndingAHandlerIsShownInTheErrorBoxAndTheWindowGoesOn) {
    TFailingShell shell;
    TDesktop failing{desktop, desktop, shell, desktop, desktop, desktop.MemoryClipboard};
    TForm1 window(failing);
    window.lFNameL->setText("/pictures/cat.bmp");
    const struct {
        std::function<void()> fail;
        std::vector<std::string> calls;
    } cases[] = {
        {[] { throw EFOpenError("Cannot open file /pictures/cat.bmp"); }, {"ShowError(Noxsteg|Cannot open file /pictures/cat.bmp.)"}},
        {[] { throw EInvalidGraphic("Unknown picture file extension (.xyz)"); },
         {"ShowError(Noxsteg|Unknown picture file extension (.xyz))"}},
        {[] { throw EJPEG("JPEG error #52"); }, {"ShowError(Noxsteg|JPEG error #52.)"}},
        {[] { throw std::bad_alloc(); }, {"ShowError(Noxsteg|Out of memory.)"}},
        {[] { throw EAbort("Operation aborted"); }, {}},
    };
    for (const auto& c : cases) {
        desktop.Calls.clear();
        shell.fail = c.fail;
        ClickPane(*window.ImageL);
        EXPECT_EQ(desktop.Calls, c.calls);
    }
    // The window is still usable after the errors.
    FillPattern(window.ImageL->Bitmap(), 2, 2);
    FillPattern(window.ImageM->Bitmap(), 2, 2);
    window.SubtractButton->click();
    EXPECT_EQ(Pixels(window.ImageR->Bitmap()), std::vector<TColor32>(4, 0u));
}

TEST_F(FormTest, AButtonHandlerThatFailsIsReportedThroughTheSameBox) {
    form.ImageL->Bitmap().SetSize(1, 1);
    form.ImageM->Bitmap().SetSize(1, 1);
    // The Right pane's change notification fails, as a failed allocation would: the handler ends.
    form.ImageR->SetOnChange([](TCustomImage32&) { throw EOutOfResources("Out of system resources"); });
    desktop.Calls.clear();
    form.AddButton->click();
    EXPECT_EQ(desktop.Calls, (std::vector<std::string>{"ShowError(Noxsteg|Out of system resources.)"}));
}

}  // namespace
}  // namespace nox
