// Shows the real window on the X display (run under xvfb-run) with the two named pictures opened
// into the Left and Middle panes, as the Open buttons do, and the result of Set LSBs on the Right,
// then saves what the window shows to the PNG file named by the first argument. For looking at
// the window as a person would (and for the README's picture), not part of the test suite:
//   xvfb-run -a -s "-screen 0 1024x768x24" window_screenshot out.png cover.bmp secret.bmp
#include <QApplication>
#include <QLabel>
#include <QPushButton>

#include <cstdio>
#include <string>

#include "app/FileNameText.h"
#include "app/Form1.h"
#include "files/PictureFiles.h"
#include "platform/qt/QtDesktop.h"

int main(int argc, char* argv[]) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s output.png left-picture middle-picture\n", argv[0]);
        return 2;
    }
    QApplication app(argc, argv);
    nox::RegisterPictureFormats();
    nox::TQtDesktop qtDesktop;
    nox::TDesktop desktop = qtDesktop.Desktop();
    nox::TForm1 form(desktop);
    qtDesktop.SetParentWindow(&form);
    const auto open = [&form](const std::string& name, QLabel& nameLabel, QLabel& shortNameLabel, nox::TImage32& pane) {
        nox::ShowFileName(nameLabel, name);
        nox::ShowFileName(shortNameLabel, nox::ExtractFileName(name));
        form.LoadPicture(name, pane);
    };
    open(argv[2], *form.lFNameL, *form.lFShortNameL, *form.ImageL);
    open(argv[3], *form.lFNameM, *form.lFShortNameM, *form.ImageM);
    // What start-up shows besides the pictures: the quality figure and the display mode's buttons.
    form.JPEGQualityTBChange();
    form.ImageModeRGClick();
    form.show();
    form.SetLSBsButton->click();
    app.processEvents();
    const bool saved = form.grab().save(QString::fromLocal8Bit(argv[1]));
    return saved ? 0 : 1;
}
