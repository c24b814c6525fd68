// Desktop services over Qt.
#include "platform/qt/QtDesktop.h"

#include <QApplication>
#include <QCoreApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QScreen>
#include <QSettings>
#include <QUrl>

namespace nox {

namespace {

QSize PrimaryScreenSize() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().size() : QSize(0, 0);
}

void ShowBox(QWidget* parent, QMessageBox::Icon icon, const std::string& caption, const std::string& text) {
    QMessageBox box(icon, QString::fromUtf8(caption), QString::fromUtf8(text), QMessageBox::Ok, parent);
    box.exec();
}

}  // namespace

QStringList QtNameFilters(const std::string& filter) {
    QStringList filters;
    for (const TFileFilter& entry : ParseFilter(filter)) {
        QStringList patterns;
        for (const std::string& p : entry.Patterns) patterns << QString::fromUtf8(p);
        filters << QString::fromUtf8(entry.Description) + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return filters;
}

std::unique_ptr<QFileDialog> MakeFileDialog(QWidget* parent, const std::string& title, const std::string& filter, bool save) {
    // Qt's dialog keeps its history in a settings file of its own (QtProject.conf) whenever it is
    // closed; the program's configuration lives in its one INI file, so Qt's settings are sent to
    // a place that can hold no file.
    for (const QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat})
        QSettings::setPath(format, QSettings::UserScope, QStringLiteral("/dev/null"));
    auto dialog = std::make_unique<QFileDialog>(parent);
    // Qt's own dialog, whose list matches the patterns without regard to case (the desktop's may
    // not), showing each filter by its description alone.
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setOption(QFileDialog::HideNameFilterDetails);
    dialog->setFilter(dialog->filter() & ~QDir::CaseSensitive);
    if (!title.empty()) dialog->setWindowTitle(QString::fromUtf8(title));
    dialog->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setOption(QFileDialog::DontConfirmOverwrite, !save);
    dialog->setDefaultSuffix(QString());
    const QStringList filters = QtNameFilters(filter);
    dialog->setNameFilters(filters);
    if (!filters.isEmpty()) dialog->selectNameFilter(filters.front());
    return dialog;
}

QString FromFileName(const std::string& name) { return QFile::decodeName(QByteArray::fromStdString(name)); }

std::string ToFileName(const QString& name) { return QFile::encodeName(name).toStdString(); }

std::optional<std::string> TQtDesktop::RunFileDialog(const std::string& title, const std::string& filter, bool save) {
    const auto dialog = MakeFileDialog(parent_, title, filter, save);
    if (dialog->exec() != QDialog::Accepted) return std::nullopt;
    const QStringList chosen = dialog->selectedFiles();
    if (chosen.isEmpty() || chosen.front().isEmpty()) return std::nullopt;
    return ToFileName(chosen.front());
}

std::optional<std::string> TQtDesktop::OpenFile(const std::string& title, const std::string& filter) {
    return RunFileDialog(title, filter, false);
}

std::optional<std::string> TQtDesktop::SaveFile(const std::string& title, const std::string& filter) {
    return RunFileDialog(title, filter, true);
}

void TQtDesktop::ShowError(const std::string& caption, const std::string& text) {
    ShowBox(parent_, QMessageBox::Critical, caption, text);
}

void TQtDesktop::ShowNote(const std::string& caption, const std::string& text) {
    ShowBox(parent_, QMessageBox::NoIcon, caption, text);
}

bool TQtDesktop::AskYesNo(const std::string& caption, const std::string& text) {
    QMessageBox box(QMessageBox::Question, QString::fromUtf8(caption), QString::fromUtf8(text),
                    QMessageBox::Yes | QMessageBox::No, parent_);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void TQtDesktop::OpenDocument(const std::string& path) {
    // The outcome is deliberately ignored: a file without an application gives no message.
    QDesktopServices::openUrl(QUrl::fromLocalFile(FromFileName(path)));
}

int32_t TQtDesktop::Width() { return PrimaryScreenSize().width(); }

int32_t TQtDesktop::Height() { return PrimaryScreenSize().height(); }

TCursor TQtDesktop::Cursor() {
    const QCursor* cursor = QGuiApplication::overrideCursor();
    return cursor != nullptr && cursor->shape() == Qt::WaitCursor ? TCursor::crHourGlass : TCursor::crDefault;
}

void TQtDesktop::SetCursor(TCursor cursor) {
    // One program-wide cursor, as the screen's: never a stack of overrides.
    if (cursor == TCursor::crHourGlass) {
        if (QGuiApplication::overrideCursor() != nullptr)
            QGuiApplication::changeOverrideCursor(QCursor(Qt::WaitCursor));
        else
            QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
        return;
    }
    while (QGuiApplication::overrideCursor() != nullptr) QGuiApplication::restoreOverrideCursor();
}

std::string TQtDesktop::ExeName() { return ToFileName(QCoreApplication::applicationFilePath()); }

}  // namespace nox
