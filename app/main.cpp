// The window program's start: the picture formats are registered, the main window is created over
// the real desktop services and shown, and Qt's event loop runs until the window is closed.
#include <QApplication>
#include <QScreen>

#include "app/Form1.h"
#include "files/PictureFiles.h"
#include "platform/qt/QtDesktop.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    nox::RegisterPictureFormats();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) nox::SetDisplayDepth(screen->depth());

    nox::TQtDesktop qtDesktop;
    nox::TDesktop desktop = qtDesktop.Desktop();
    nox::TForm1 form(desktop);
    qtDesktop.SetParentWindow(&form);
    form.BecomeMainWindow();  // settings restored on the first showing, kept on closing
    form.show();
    return app.exec();
}
