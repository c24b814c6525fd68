// Shows the real window on the X display (run under xvfb-run), with a generated cover picture on
// the Left, a black-and-white secret in the Middle and the hidden result of Set LSBs on the Right,
// then saves what the window shows to the PNG file named by the first argument. For looking at
// the window as a person would, not part of the test suite.
#include <QApplication>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

#include <cstdio>

#include "app/Form1.h"
#include "platform/qt/QtDesktop.h"

int main(int argc, char* argv[]) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s output.png\n", argv[0]);
        return 2;
    }
    QApplication app(argc, argv);
    nox::TQtDesktop qtDesktop;
    nox::TDesktop desktop = qtDesktop.Desktop();
    nox::TForm1 form(desktop);
    qtDesktop.SetParentWindow(&form);

    nox::TBitmap32& cover = form.ImageL->Bitmap();
    cover.SetSize(160, 120);
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 160; ++x) cover.SetPixel(x, y, 0xFF000000u | (x * 255 / 159) << 16 | (y * 255 / 119) << 8 | 0x80u);
    form.ImageL->Changed();
    nox::TBitmap32& secret = form.ImageM->Bitmap();
    secret.SetSize(160, 120);
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 160; ++x) {
            const int dx = x - 80, dy = y - 60;
            secret.SetPixel(x, y, dx * dx + dy * dy < 40 * 40 ? 0xFF000000u : 0xFFFFFFFFu);
        }
    form.ImageM->Changed();
    form.lFNameL->setText(QStringLiteral("/home/user/pictures/cover.bmp"));
    form.lFShortNameL->setText(QStringLiteral("cover.bmp"));
    form.lFNameM->setText(QStringLiteral("/home/user/pictures/secret.bmp"));
    form.lFShortNameM->setText(QStringLiteral("secret.bmp"));
    form.show();
    form.SetLSBsButton->click();
    if (argc > 2 && QString::fromLocal8Bit(argv[2]) == QStringLiteral("reveal")) {
        // Reveal: the hidden picture, made visible again from the Right picture.
        form.ImageL->Bitmap().Assign(&form.ImageR->Bitmap());
        form.ShowLSBsButton->click();
    }
    app.processEvents();
    const bool saved = form.grab().save(QString::fromLocal8Bit(argv[1]));
    return saved ? 0 : 1;
}
