// File names between the window's name labels (Qt text) and the program's 8-bit names (bytes in
// the file system's encoding). A label keeps the exact bytes of the name it was given beside its
// text, so that a name that is not valid UTF-8 (an older file system encoding) still opens, is
// clicked open and is written to the settings unchanged, instead of coming back with its odd
// bytes replaced.
#pragma once

#include <string>

#include <QFile>
#include <QLabel>
#include <QVariant>

namespace nox {

inline constexpr const char* kFileNameProperty = "noxFileName";

inline QString FileNameText(const std::string& fileName) { return QFile::decodeName(QByteArray::fromStdString(fileName)); }

// Shows `fileName` in `label` and keeps its bytes.
inline void ShowFileName(QLabel& label, const std::string& fileName) {
    label.setText(FileNameText(fileName));
    label.setProperty(kFileNameProperty, QByteArray::fromStdString(fileName));
}

// The name `label` shows: the bytes it was given while it still shows them (a label cleared or
// set as text alone shows a name of its own).
inline std::string LabelFileName(const QLabel& label) {
    const QByteArray kept = label.property(kFileNameProperty).toByteArray();
    if (!kept.isEmpty() && QFile::decodeName(kept) == label.text()) return kept.toStdString();
    return QFile::encodeName(label.text()).toStdString();
}

}  // namespace nox
