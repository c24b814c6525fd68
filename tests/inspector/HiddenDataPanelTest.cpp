// The hidden-data panel offscreen: the extract view's exact text, a scan whose chosen finding
// shows its bytes, hiding into the Right pane with the capacity shown, and the save refusal.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>

#include <random>

#include "analysis/HiddenBytes.h"
#include "inspector/HiddenDataPanel.h"
#include "platform/Stream.h"
#include "view/Image32.h"

namespace nox {
namespace {

void Noise(TBitmap32& picture, int32_t width, int32_t height) {
    picture.SetSize(width, height);
    std::mt19937 random(9);
    for (size_t i = 0; i < picture.PixelCount(); ++i) picture.Bits()[i] = random() | 0xFF000000u;
}

struct Panes {
    TImage32 left, right;
    THiddenDataPanel panel{left, right};
};

TEST(THiddenDataPanel, ExtractShowsHexAndTextAndSaves) {
    Panes p;
    TBitmap32 picture;
    // Red plane 0 of 16 pixels: "Hi" (0x48 0x69).
    picture.SetSize(16, 1);
    for (int x = 0; x < 16; ++x) picture.SetPixel(x, 0, 0xFF000000u | (uint32_t((0x4869 >> (15 - x)) & 1) << 16));
    p.panel.SetPicture(picture);
    p.panel.ExtractLayout->Channels->setText("r");
    EXPECT_EQ(p.panel.ExtractInfo->text(), "2 bytes in 0,r,rows,msb");
    EXPECT_EQ(p.panel.ExtractView->toPlainText(), "0000  48 69" + QString(14 * 3 + 1, ' ') + " Hi\n");
    p.panel.ExtractLayout->Channels->setText("rr");
    EXPECT_EQ(p.panel.ExtractInfo->text(), "Layout: channel \"r\" given twice");
    EXPECT_FALSE(p.panel.SaveBytesButton->isEnabled());
    p.panel.ExtractLayout->Channels->setText("r");
    const std::string path = testing::TempDir() + "hidden-panel-bytes.bin";
    p.panel.SaveBytes(QString::fromStdString(path));
    EXPECT_EQ(ReadWholeFile(path), (std::vector<uint8_t>{0x48, 0x69}));
}

TEST(THiddenDataPanel, HideScanAndTheSaveRefusal) {
    Panes p;
    Noise(p.left.Bitmap(), 40, 20);  // 800 pixels: 300 bytes in 0,rgb, 292 for a payload
    p.panel.HideLayout->Planes->setText("1");
    p.panel.HideLayout->Channels->setText("bgr");
    p.panel.HideLayout->Order->setCurrentText("columns");
    p.panel.Message->setPlainText("Meet at noon");
    EXPECT_EQ(p.panel.HideInfo->text(),
              "The Left pane holds at most 292 bytes in 1,bgr,columns,msb; the message is 12 bytes (4.1% of it).");
    p.panel.HideButton->click();
    EXPECT_EQ(p.panel.HideInfo->text(), "12 bytes hidden in 1,bgr,columns,msb of the Right pane. Save it as BMP or PNG.");
    const auto revealed = analysis::RevealPayload(p.right.Bitmap(), analysis::ParseLayout("1,bgr,columns,msb"));
    ASSERT_TRUE(revealed);
    EXPECT_EQ(std::string(revealed->begin(), revealed->end()), "Meet at noon");

    // The save refusal holds while the payload is there, and goes with it.
    EXPECT_EQ(HiddenPayloadSaveRefusal(p.right, "out.JPG"), "A hidden payload does not survive saving as JPEG; save as PNG or BMP.");
    EXPECT_EQ(HiddenPayloadSaveRefusal(p.right, "out.bmp"), "");
    EXPECT_EQ(HiddenPayloadSaveRefusal(p.left, "out.jpg"), "");

    // The scan of the Right pane finds it; choosing the finding shows its bytes in Extract.
    p.panel.SetPicture(p.right.Bitmap());
    p.panel.RunScan();
    ASSERT_GE(p.panel.Findings->count(), 1);
    EXPECT_EQ(p.panel.Findings->item(0)->text(), "1,bgr,columns,msb: payload of 12 bytes (CRC-32 ok)");
    p.panel.Findings->setCurrentRow(0);
    EXPECT_EQ(p.panel.Tabs->currentIndex(), 0);
    EXPECT_TRUE(p.panel.ExtractView->toPlainText().startsWith("0000  00 00 00 0C 4D 65 65 74")) << p.panel.ExtractView->toPlainText().toStdString();

    // Too long a message: the button is off, and hiding anyway refuses with the CLI's text and
    // leaves the Right pane as it was.
    p.panel.Message->setPlainText(QString(293, 'x'));
    EXPECT_FALSE(p.panel.HideButton->isEnabled());
    p.panel.HideIntoRight();
    EXPECT_EQ(p.panel.HideInfo->text(), "The payload (293 bytes) does not fit: this picture holds at most 292 bytes in 1,bgr,columns,msb.");
    EXPECT_NE(HiddenPayloadSaveRefusal(p.right, "out.gif"), "");
    p.right.Bitmap().Clear(0xFF000000);
    EXPECT_EQ(HiddenPayloadSaveRefusal(p.right, "out.gif"), "");
}

}  // namespace
}  // namespace nox
