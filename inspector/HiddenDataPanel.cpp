// The hidden-data panel over analysis/'s extract, scan and hide.
#include "inspector/HiddenDataPanel.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include <stdexcept>

#include "analysis/HiddenBytes.h"
#include "analysis/Scan.h"
#include "platform/Errors.h"
#include "platform/Stream.h"
#include "view/Image32.h"

namespace nox {

namespace {

// The pane property that names the layout of the payload a panel wrote into the pane.
constexpr const char* kPayloadLayoutProperty = "noxstegPayloadLayout";
constexpr size_t kShownBytes = 256;

// Offset, 16 bytes in hex, the same bytes as text (printable ASCII, others as '.').
QString HexDump(const std::vector<uint8_t>& bytes) {
    QString text;
    for (size_t row = 0; row < bytes.size(); row += 16) {
        QString hex, ascii;
        for (size_t i = row; i < row + 16; ++i) {
            if (i < bytes.size()) {
                hex += QString::asprintf("%02X ", bytes[i]);
                ascii += bytes[i] >= 0x20 && bytes[i] < 0x7F ? QChar(bytes[i]) : QChar('.');
            } else {
                hex += "   ";
            }
        }
        text += QString::asprintf("%04zX  ", row) + hex + " " + ascii + "\n";
    }
    return text;
}

QString Text(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

std::string HiddenPayloadSaveRefusal(const TImage32& pane, const std::string& name) {
    const QVariant marked = pane.property(kPayloadLayoutProperty);
    if (!marked.isValid()) return "";
    const analysis::TLayout layout = analysis::ParseLayout(marked.toString().toStdString());
    if (!analysis::RevealPayload(pane.Bitmap(), layout)) return "";
    return analysis::PayloadSaveRefusal(name, layout);
}

TLayoutForm::TLayoutForm(QWidget* parent) : QWidget(parent) {
    Planes = new QLineEdit("0", this);
    Planes->setToolTip("Bit numbers 0-7 in the order they are taken, e.g. 0, 1, 01, 7");
    Channels = new QLineEdit("rgb", this);
    Channels->setToolTip("Channels r, g, b, a in the order they are taken, e.g. rgb, bgr, g");
    Order = new QComboBox(this);
    Order->addItems({"rows", "columns"});
    Bits = new QComboBox(this);
    Bits->addItems({"msb", "lsb"});
    // Two rows of two parts, so that every field shows its whole value in the Inspector's side.
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    int part = 0;
    for (auto [label, field] : {std::pair<const char*, QWidget*>{"Planes", Planes}, {"Channels", Channels}, {"Order", Order}, {"Bits", Bits}}) {
        grid->addWidget(new QLabel(label, this), part / 2, (part % 2) * 2);
        grid->addWidget(field, part / 2, (part % 2) * 2 + 1);
        ++part;
    }
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    connect(Planes, &QLineEdit::textChanged, this, &TLayoutForm::LayoutChanged);
    connect(Channels, &QLineEdit::textChanged, this, &TLayoutForm::LayoutChanged);
    connect(Order, &QComboBox::currentIndexChanged, this, &TLayoutForm::LayoutChanged);
    connect(Bits, &QComboBox::currentIndexChanged, this, &TLayoutForm::LayoutChanged);
}

analysis::TLayout TLayoutForm::Layout() const {
    return analysis::ParseLayout((Planes->text() + "," + Channels->text() + "," + Order->currentText() + "," + Bits->currentText()).toStdString());
}

void TLayoutForm::SetLayout(const analysis::TLayout& layout) {
    const QStringList parts = Text(analysis::LayoutText(layout)).split(',');
    blockSignals(true);
    Planes->setText(parts[0]);
    Channels->setText(parts[1]);
    Order->setCurrentText(parts[2]);
    Bits->setCurrentText(parts[3]);
    blockSignals(false);
    emit LayoutChanged();
}

THiddenDataPanel::THiddenDataPanel(TImage32& left, TImage32& right, QWidget* parent)
    : QWidget(parent), left_(left), right_(right) {
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    Tabs = new QTabWidget(this);
    (new QVBoxLayout(this))->addWidget(Tabs);

    auto* extract = new QWidget;
    auto* extractColumn = new QVBoxLayout(extract);
    ExtractLayout = new TLayoutForm;
    ExtractInfo = new QLabel;
    ExtractView = new QPlainTextEdit;
    ExtractView->setReadOnly(true);
    ExtractView->setFont(fixed);
    ExtractView->setLineWrapMode(QPlainTextEdit::NoWrap);
    SaveBytesButton = new QPushButton("Save bytes...");
    for (QWidget* w : {static_cast<QWidget*>(ExtractLayout), static_cast<QWidget*>(ExtractInfo), static_cast<QWidget*>(ExtractView)})
        extractColumn->addWidget(w);
    extractColumn->addWidget(SaveBytesButton, 0, Qt::AlignLeft);
    Tabs->addTab(extract, "Extract");

    auto* scan = new QWidget;
    auto* scanColumn = new QVBoxLayout(scan);
    ScanButton = new QPushButton("Scan");
    Findings = new QListWidget;
    Findings->setFont(fixed);
    scanColumn->addWidget(ScanButton, 0, Qt::AlignLeft);
    scanColumn->addWidget(Findings);
    Tabs->addTab(scan, "Scan");

    auto* hide = new QWidget;
    auto* hideColumn = new QVBoxLayout(hide);
    Message = new QPlainTextEdit;
    Message->setPlaceholderText("Type a message to hide, or pick a file");
    PickFileButton = new QPushButton("Pick a file...");
    HideLayout = new TLayoutForm;
    HideInfo = new QLabel;
    HideInfo->setWordWrap(true);
    HideButton = new QPushButton("Hide into the Right pane");
    hideColumn->addWidget(Message);
    hideColumn->addWidget(PickFileButton, 0, Qt::AlignLeft);
    hideColumn->addWidget(HideLayout);
    hideColumn->addWidget(HideInfo);
    hideColumn->addWidget(HideButton, 0, Qt::AlignLeft);
    Tabs->addTab(hide, "Hide");

    connect(ExtractLayout, &TLayoutForm::LayoutChanged, this, &THiddenDataPanel::ShowExtract);
    connect(SaveBytesButton, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getSaveFileName(this, "Save bytes");
        if (!path.isEmpty()) SaveBytes(path);
    });
    connect(ScanButton, &QPushButton::clicked, this, &THiddenDataPanel::RunScan);
    connect(Findings, &QListWidget::currentRowChanged, this, &THiddenDataPanel::ShowChosenFinding);
    connect(Message, &QPlainTextEdit::textChanged, this, [this] {
        // Typing takes the message again in place of a picked file.
        if (!Message->toPlainText().isEmpty()) fileBytes_.clear(), fileName_.clear();
        UpdateHideInfo();
    });
    connect(PickFileButton, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getOpenFileName(this, "Pick a file to hide");
        if (!path.isEmpty()) PickFile(path);
    });
    connect(HideLayout, &TLayoutForm::LayoutChanged, this, &THiddenDataPanel::UpdateHideInfo);
    connect(HideButton, &QPushButton::clicked, this, &THiddenDataPanel::HideIntoRight);
    ShowExtract();
    UpdateHideInfo();
}

void THiddenDataPanel::SetPicture(const TBitmap32& picture) {
    picture_.CopyPixels(picture);
    Findings->clear();
    findingLayouts_.clear();
    ShowExtract();
    UpdateHideInfo();
}

void THiddenDataPanel::ShowExtract() {
    try {
        const analysis::TLayout layout = ExtractLayout->Layout();
        const uint64_t capacity = analysis::Capacity(picture_.Width(), picture_.Height(), layout);
        ExtractInfo->setText(QString("%1 bytes in %2").arg(capacity).arg(Text(analysis::LayoutText(layout))));
        ExtractView->setPlainText(HexDump(analysis::ExtractBytes(picture_, layout, 0, kShownBytes)));
        SaveBytesButton->setEnabled(capacity > 0);
    } catch (const std::invalid_argument& e) {
        ExtractInfo->setText(QString("Layout: ") + e.what());
        ExtractView->clear();
        SaveBytesButton->setEnabled(false);
    }
}

void THiddenDataPanel::SaveBytes(const QString& path) {
    try {
        const std::vector<uint8_t> bytes = analysis::ExtractBytes(picture_, ExtractLayout->Layout());
        WriteFileReplacing(path.toStdString(), [&](TStream& out) { out.WriteBuffer(bytes.data(), bytes.size()); });
        ExtractInfo->setText(QString("%1 bytes saved to %2").arg(bytes.size()).arg(path));
    } catch (const std::exception& e) {
        ExtractInfo->setText(Text(ErrorBoxText(e.what())));
    }
}

void THiddenDataPanel::RunScan() {
    Findings->clear();
    findingLayouts_.clear();
    for (const analysis::TFinding& finding : analysis::Scan(picture_)) {
        findingLayouts_.push_back(finding.Layout);
        Findings->addItem(Text(analysis::FindingText(finding)));
    }
    if (findingLayouts_.empty()) Findings->addItem("Nothing found.");
}

void THiddenDataPanel::ShowChosenFinding(int row) {
    if (row < 0 || static_cast<size_t>(row) >= findingLayouts_.size()) return;
    ExtractLayout->SetLayout(findingLayouts_[static_cast<size_t>(row)]);
    Tabs->setCurrentIndex(0);
}

void THiddenDataPanel::PickFile(const QString& path) {
    try {
        fileBytes_ = ReadWholeFile(path.toStdString());
        fileName_ = path;
        Message->blockSignals(true);
        Message->clear();
        Message->blockSignals(false);
    } catch (const std::exception& e) {
        fileBytes_.clear();
        fileName_.clear();
        HideInfo->setText(Text(ErrorBoxText(e.what())));
        return;
    }
    UpdateHideInfo();
}

std::vector<uint8_t> THiddenDataPanel::Payload() const {
    if (!fileName_.isEmpty()) return fileBytes_;
    const QByteArray text = Message->toPlainText().toUtf8();
    return std::vector<uint8_t>(text.begin(), text.end());
}

void THiddenDataPanel::UpdateHideInfo() {
    try {
        const analysis::TLayout layout = HideLayout->Layout();
        const TBitmap32& cover = left_.Bitmap();
        const uint64_t most = analysis::PayloadCapacity(cover.Width(), cover.Height(), layout);
        const size_t used = Payload().size();
        QString source = fileName_.isEmpty() ? QString("the message") : "the file " + fileName_;
        QString text = QString("The Left pane holds at most %1 bytes in %2; %3 is %4 bytes").arg(most).arg(Text(analysis::LayoutText(layout))).arg(source).arg(used);
        if (most > 0) text += QString(" (%1% of it)").arg(100.0 * double(used) / double(most), 0, 'f', 1);
        HideInfo->setText(text + ".");
        HideButton->setEnabled(used > 0 && used <= most);
    } catch (const std::invalid_argument& e) {
        HideInfo->setText(QString("Layout: ") + e.what());
        HideButton->setEnabled(false);
    }
}

void THiddenDataPanel::HideIntoRight() {
    try {
        const analysis::TLayout layout = HideLayout->Layout();
        const std::vector<uint8_t> payload = Payload();
        if (left_.Bitmap().IsEmpty()) throw Exception("The Left pane is empty: open a cover picture there first.");
        // Checked on the cover, so that a refusal leaves the Right pane as it was.
        TBitmap32 result;
        result.CopyPixels(left_.Bitmap());
        analysis::HidePayload(result, layout, payload);
        right_.Bitmap().Assign(&result);
        right_.setProperty(kPayloadLayoutProperty, Text(analysis::LayoutText(layout)));
        HideInfo->setText(QString("%1 bytes hidden in %2 of the Right pane. %3")
                              .arg(payload.size())
                              .arg(Text(analysis::LayoutText(layout)))
                              .arg(layout.UsesAlpha() ? "No picture file keeps alpha here: it lives in the pane only."
                                                      : "Save it as BMP or PNG."));
    } catch (const std::exception& e) {
        HideInfo->setText(Text(ErrorBoxText(e.what())));
    }
}

}  // namespace nox
