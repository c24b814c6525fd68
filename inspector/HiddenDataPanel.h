// The Inspector's hidden-data panel: Extract (a layout's bytes as hex and text, saved to a file),
// Scan (the usual layouts' findings; choosing one shows its bytes) and Hide (a message or a file
// written as a payload record into the Right pane, the Left pane as cover).
#pragma once

#include <QWidget>

#include <string>
#include <vector>

#include "analysis/Layout.h"
#include "image/Bitmap32.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;

namespace nox {

class TImage32;

// Why saving `pane` under the file name `name` would destroy a payload that a hidden-data panel
// wrote into it (the CLI's refusal texts), or "" when there is none or the file keeps it. A pane
// whose payload has since been overwritten carries none.
std::string HiddenPayloadSaveRefusal(const TImage32& pane, const std::string& name);

// The four parts of a layout as a small form.
class TLayoutForm : public QWidget {
    Q_OBJECT
public:
    explicit TLayoutForm(QWidget* parent = nullptr);
    // Throws std::invalid_argument naming the faulty part.
    analysis::TLayout Layout() const;
    void SetLayout(const analysis::TLayout& layout);

    QLineEdit* Planes;
    QLineEdit* Channels;
    QComboBox* Order;
    QComboBox* Bits;

signals:
    void LayoutChanged();
};

class THiddenDataPanel : public QWidget {
    Q_OBJECT
public:
    THiddenDataPanel(TImage32& left, TImage32& right, QWidget* parent = nullptr);

    // Extract
    TLayoutForm* ExtractLayout;
    QLabel* ExtractInfo;        // capacity, or why the layout is wrong
    QPlainTextEdit* ExtractView;  // the first bytes: offset, hex, text
    QPushButton* SaveBytesButton;
    // Writes every byte of the layout to `path` (what the Save button does after its dialog).
    void SaveBytes(const QString& path);

    // Scan
    QPushButton* ScanButton;
    QListWidget* Findings;

    // Hide
    QPlainTextEdit* Message;
    QPushButton* PickFileButton;
    TLayoutForm* HideLayout;
    QLabel* HideInfo;  // capacity and use, or why it cannot be hidden
    QPushButton* HideButton;
    // Takes the file's bytes as the payload instead of the message.
    void PickFile(const QString& path);

    QTabWidget* Tabs;

public slots:
    void SetPicture(const nox::TBitmap32& picture);
    void RunScan();
    void HideIntoRight();

private:
    void ShowExtract();
    void ShowChosenFinding(int row);
    void UpdateHideInfo();
    std::vector<uint8_t> Payload() const;

    TImage32& left_;
    TImage32& right_;
    TBitmap32 picture_;
    std::vector<analysis::TLayout> findingLayouts_;
    std::vector<uint8_t> fileBytes_;
    QString fileName_;
};

}  // namespace nox
