// Desktop services over Qt.
#include "platform/qt/QtDesktop.h"

#include <QApplication>
#include <QCoreApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QScreen>
#include <QUrl>

namespace nox {

namespace {

// "*.jpg" -> "*.[jJ][pP][gG]": file dialogs on Linux match patterns with regard to case.
QString AnyCasePattern(const std::string& pattern) {
    QString out;
    for (const QChar c : QString::fromUtf8(pattern)) {
        if (c.isLetter() && c.toLower() != c.toUpper())
            out += QLatin1Char('[') + c.toLower() + c.toUpper() + QLatin1Char(']');
        else
            out += c;
    }
    return out;
}

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
        for (const std::string& p : entry.Patterns) patterns << AnyCasePattern(p);
        filters << QString::fromUtf8(entry.Description) + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return filters;
}

std::unique_ptr<QFileDialog> MakeFileDialog(QWidget* parent, const std::string& title, const std::string& filter, bool save) {
    auto dialog = std::make_unique<QFileDialog>(parent);
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
