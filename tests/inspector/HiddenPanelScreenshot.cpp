// Shows the real window and the hidden-data panel on the X display (run under xvfb-run): a cover
// from samples/ on the Left, a message hidden into the Right pane, the Right pane scanned and its
// finding chosen. Saves the panel's three tabs and the window as PNG files in the folder named by
// the first argument. For looking at the panel as a person would, not part of the test suite.
#include <QApplication>
#include <QListWidget>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QTabWidget>

#include <cstdio>
#include <string>

#include "app/Form1.h"
#include "files/PictureFiles.h"
#include "inspector/HiddenDataPanel.h"
#include "platform/qt/QtDesktop.h"

int main(int argc, char* argv[]) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s SAMPLES_FOLDER OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    QApplication app(argc, argv);
    nox::TQtDesktop qtDesktop;
    nox::TDesktop desktop = qtDesktop.Desktop();
    nox::TForm1 form(desktop);
    qtDesktop.SetParentWindow(&form);
    nox::RegisterPictureFormats();
    nox::ReadPictureFile(std::string(argv[1]) + "/cover.bmp", form.ImageL->Bitmap());
    form.show();

    nox::THiddenDataPanel panel(*form.ImageL, *form.ImageR);
    panel.resize(620, 420);
    panel.show();
    panel.Message->setPlainText("Meet me at the old mill at dawn.\nBring the map.");
    panel.HideLayout->setFocus();
    panel.Tabs->setCurrentIndex(2);
    panel.HideIntoRight();
    const QString out = QString::fromLocal8Bit(argv[2]) + "/";
    for (int i = 0; i < 5; ++i) app.processEvents();
    panel.grab().save(out + "hidden-hide.png");

    panel.SetPicture(form.ImageR->Bitmap());
    panel.Tabs->setCurrentIndex(1);
    panel.RunScan();
    for (int i = 0; i < 5; ++i) app.processEvents();
    panel.grab().save(out + "hidden-scan.png");
    panel.Findings->setCurrentRow(0);
    for (int i = 0; i < 5; ++i) app.processEvents();
    panel.grab().save(out + "hidden-extract.png");
    form.grab().save(out + "hidden-window.png");
    return 0;
}
