// The Inspector window: see InspectorWindow.h.
#include "inspector/InspectorWindow.h"

#include <cstring>

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMetaMethod>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "analysis/Difference.h"
#include "analysis/Histogram.h"
#include "analysis/PixelText.h"
#include "inspector/HistogramPlot.h"
#include "inspector/InspectorPane.h"
#include "view/ApplicationErrors.h"

namespace nox {

namespace {

using analysis::TViewKind;

constexpr int kDefaultAmplify = 64;  // a change of 1 in a channel shows as 64: plainly visible

bool SamePixels(const TBitmap32& a, const TBitmap32& b) {
    if (a.PixelCount() != b.PixelCount() || a.Width() != b.Width()) return false;
    return a.PixelCount() == 0 || std::memcmp(a.Bits(), b.Bits(), a.PixelCount() * sizeof(TColor32)) == 0;
}

// What the colours of a view mean, said under its name.
QString Legend(const analysis::TView& view) {
    switch (view.Kind) {
        case TViewKind::Normal: return QStringLiteral("The picture as it is.");
        case TViewKind::ChannelGrey: return QStringLiteral("The channel's value as grey: black 0, white 255.");
        case TViewKind::BitPlane:
            return QStringLiteral("White where the bit is 1, black where it is 0. (Show LSBs in the main window shows the "
                                  "opposite: white where every channel's bit 0 is 0.)");
        case TViewKind::RgbBit: return QStringLiteral("Each channel 255 where its own bit %1 is 1, 0 where it is 0.").arg(view.Bit);
        case TViewKind::Inverted: return QStringLiteral("Each channel v shown as 255 - v.");
        case TViewKind::GreyPixels: return QStringLiteral("White where red = green = blue, black elsewhere.");
    }
    return {};
}

}  // namespace

QString TInspectorWindow::PaneName(int index) {
    static const char* const names[] = {"Left", "Middle", "Right"};
    return QString::fromLatin1(names[index]);
}

TInspectorWindow::TInspectorWindow(std::array<TImage32*, 3> panes, std::function<void(TBitmap32&)> saveView, QWidget* parent)
    : QWidget(parent, Qt::Window), saveView_(std::move(saveView)), amplify_(kDefaultAmplify) {
    for (int i = 0; i < 3; ++i) {
        panes_[i] = panes[i];
        // The pane tells about every change, its view settings included; Refresh finds out
        // whether the picture itself changed.
        if (panes[i]) panes[i]->SetOnChange([this, i](TCustomImage32&) { PaneNotified(i); });
    }

    display_ = new TInspectorPane(this);
    nameLabel_ = new QLabel(this);
    QFont bold = nameLabel_->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.3);
    nameLabel_->setFont(bold);
    legendLabel_ = new QLabel(this);
    legendLabel_->setWordWrap(true);
    readout_ = new QLabel(this);
    readout_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    readout_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    readout_->setMinimumHeight(readout_->fontMetrics().lineSpacing() * 4 + 4);
    readout_->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto* left = new QVBoxLayout;
    left->addWidget(nameLabel_);
    left->addWidget(legendLabel_);
    left->addWidget(display_, 1);
    left->addWidget(readout_);

    tabs_ = new QTabWidget(this);
    tabs_->setFixedWidth(400);
    BuildViewTab();
    BuildDifferenceTab();
    BuildHistogramTab();

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addWidget(tabs_);

    display_->SetOnHover([this](std::optional<QPoint> pixel) { ShowReadout(pixel); });
    display_->SetOnZoom([this](int zoom) {
        const QSignalBlocker block(zoomBox_);
        zoomBox_->setCurrentIndex(zoomBox_->findData(zoom));
    });
    for (const auto& [key, step] : {std::pair{Qt::Key_Left, -1}, std::pair{Qt::Key_Right, 1}})
        connect(new QShortcut(QKeySequence(key), this), &QShortcut::activated, this, [this, step = step] { StepView(step); });

    resize(1070, 680);
    ShowReadout(std::nullopt);
    Refresh();
}

TInspectorWindow::~TInspectorWindow() {
    for (const QPointer<TImage32>& pane : panes_)
        if (pane) pane->SetOnChange(nullptr);
}

void TInspectorWindow::BuildViewTab() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    viewList_ = new QListWidget(page);
    for (const analysis::TView& view : analysis::InspectorViews()) viewList_->addItem(QString::fromStdString(analysis::ViewName(view)));
    connect(viewList_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0) RunGuarded([&] { SetViewIndex(row); });
    });
    auto* hint = new QLabel(QStringLiteral("Views (the Left and Right arrow keys step through them):"), page);
    hint->setWordWrap(true);
    layout->addWidget(hint);
    layout->addWidget(viewList_, 1);

    zoomBox_ = new QComboBox(page);
    zoomBox_->addItem(QStringLiteral("Fit"), TInspectorPane::kFit);
    for (int zoom = 1; zoom <= TInspectorPane::kMaxZoom; zoom *= 2) zoomBox_->addItem(QStringLiteral("%1x").arg(zoom), zoom);
    connect(zoomBox_, &QComboBox::activated, this, [this](int index) { display_->SetZoom(zoomBox_->itemData(index).toInt()); });
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Zoom:"), zoomBox_);
    layout->addLayout(form);

    saveButton_ = new QPushButton(QStringLiteral("Save view..."), page);
    connect(saveButton_, &QPushButton::clicked, this, [this] { RunGuarded([this] { SaveViewClick(); }); });
    layout->addWidget(saveButton_);
    tabs_->addTab(page, QStringLiteral("View"));
}

void TInspectorWindow::BuildDifferenceTab() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    againstBox_ = new QComboBox(page);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Against:"), againstBox_);
    layout->addLayout(form);
    amplifiedButton_ = new QRadioButton(QStringLiteral("|a - b| of each channel, amplified"), page);
    amplifiedButton_->setChecked(true);
    amplifyBox_ = new QSpinBox(page);
    amplifyBox_->setRange(analysis::kMinAmplify, analysis::kMaxAmplify);
    amplifyBox_->setPrefix(QStringLiteral("x "));
    amplifyBox_->setValue(amplify_);
    anyBitButton_ = new QRadioButton(QStringLiteral("White where any bit differs"), page);
    layout->addWidget(amplifiedButton_);
    layout->addWidget(amplifyBox_);
    layout->addWidget(anyBitButton_);
    auto* note = new QLabel(QStringLiteral("The difference covers the smaller width and height of the two pictures. "
                                           "Choosing a view shows the view again."),
                            page);
    note->setWordWrap(true);
    layout->addWidget(note);
    layout->addStretch(1);
    const auto apply = [this] {
        RunGuarded([this] {
            SetDifference(againstBox_->currentData().toInt(), amplifyBox_->value(), anyBitButton_->isChecked());
        });
    };
    connect(againstBox_, &QComboBox::activated, this, apply);
    connect(amplifyBox_, &QSpinBox::valueChanged, this, apply);
    connect(anyBitButton_, &QRadioButton::toggled, this, apply);
    tabs_->addTab(page, QStringLiteral("Difference"));
}

void TInspectorWindow::BuildHistogramTab() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    histogram_ = new THistogramPlot(page);
    pairsBox_ = new QCheckBox(QStringLiteral("Pairs of values 2k, 2k+1 side by side"), page);
    connect(pairsBox_, &QCheckBox::toggled, histogram_, &THistogramPlot::SetShowsPairs);
    auto* note = new QLabel(QStringLiteral("Red, green and blue: how many pixels have each value 0 to 255. Hiding in the "
                                           "lowest bits evens out the two counts of each pair."),
                            page);
    note->setWordWrap(true);
    layout->addWidget(histogram_, 1);
    layout->addWidget(pairsBox_);
    layout->addWidget(note);
    tabs_->addTab(page, QStringLiteral("Histogram"));
}

void TInspectorWindow::AddPanel(const QString& title, QWidget* panel) {
    tabs_->addTab(panel, title);
    const QMetaObject* meta = panel->metaObject();
    const int slot = meta->indexOfSlot("SetPicture(nox::TBitmap32)");
    if (slot < 0) return;
    const QMetaMethod setPicture = meta->method(slot);
    connect(this, QMetaMethod::fromSignal(&TInspectorWindow::PictureChanged), panel, setPicture);
    setPicture.invoke(panel, Qt::DirectConnection, Q_ARG(const nox::TBitmap32&, picture_));
}

void TInspectorWindow::Inspect(int index) {
    const bool other = index != followed_;
    followed_ = index;
    if (against_ == followed_) against_ = kNoDifference;
    // A pane chosen anew is always shown and announced, even when its pixels equal the last one's;
    // so is the pane of a window that was closed, which has not followed it meanwhile.
    Reread(other || !isVisible());
    show();
    raise();
    activateWindow();
}

void TInspectorWindow::PaneNotified(int index) {
    dirty_[index] = true;
    if (refreshQueued_ || !isVisible()) return;
    refreshQueued_ = true;
    QTimer::singleShot(0, this, [this] { RunGuarded([this] { Refresh(); }); });
}

void TInspectorWindow::Refresh() { Reread(false); }

void TInspectorWindow::Reread(bool chosen) {
    refreshQueued_ = false;
    static const TBitmap32 kEmpty;
    const TImage32* pane = panes_[followed_];
    const TBitmap32& source = pane ? pane->Bitmap() : kEmpty;
    const bool pictureChanged = chosen || !SamePixels(source, picture_);
    if (pictureChanged) picture_.CopyPixels(source);
    const bool otherChanged = against_ != kNoDifference && dirty_[against_];
    dirty_.fill(false);
    if (pictureChanged || otherChanged) Render();
    else UpdateControls();
    if (pictureChanged) {
        histogram_->SetHistogram(analysis::ComputeHistogram(picture_));
        emit PictureChanged(picture_);
    }
}

void TInspectorWindow::SetViewIndex(int index) {
    const int count = static_cast<int>(analysis::InspectorViews().size());
    viewIndex_ = ((index % count) + count) % count;
    against_ = kNoDifference;
    Render();
}

void TInspectorWindow::StepView(int delta) { SetViewIndex(viewIndex_ + delta); }

void TInspectorWindow::SetDifference(int against, int amplify, bool anyBit) {
    against_ = against >= kLeft && against <= kRight && against != followed_ ? against : kNoDifference;
    amplify_ = amplify;
    anyBit_ = anyBit;
    Render();
}

void TInspectorWindow::Render() {
    TBitmap32& shown = display_->Bitmap();
    const int32_t oldWidth = shown.Width(), oldHeight = shown.Height();
    const TImage32* other = against_ == kNoDifference ? nullptr : panes_[against_].data();
    if (other && anyBit_) analysis::DifferenceMap(picture_, other->Bitmap(), shown);
    else if (other) analysis::AmplifiedDifference(picture_, other->Bitmap(), amplify_, shown);
    else analysis::RenderView(picture_, analysis::InspectorViews()[viewIndex_], shown);
    // A picture of another size is placed anew at the same zoom.
    if (shown.Width() != oldWidth || shown.Height() != oldHeight) display_->SetZoom(display_->Zoom());
    display_->Changed();
    UpdateControls();
}

QString TInspectorWindow::ShownName() const {
    if (against_ == kNoDifference) return QString::fromStdString(analysis::ViewName(analysis::InspectorViews()[viewIndex_]));
    if (anyBit_) return QStringLiteral("Bits differing from %1").arg(PaneName(against_));
    return QStringLiteral("Difference from %1 x%2").arg(PaneName(against_)).arg(amplify_);
}

void TInspectorWindow::UpdateControls() {
    setWindowTitle(QStringLiteral("Noxsteg Inspector - ") + PaneName(followed_));
    nameLabel_->setText(ShownName());
    if (against_ == kNoDifference) legendLabel_->setText(Legend(analysis::InspectorViews()[viewIndex_]));
    else if (anyBit_) legendLabel_->setText(QStringLiteral("White where any bit of red, green or blue differs, black where all are equal."));
    else legendLabel_->setText(QStringLiteral("Each channel's difference times %1, at most 255: black where equal.").arg(amplify_));
    {
        const QSignalBlocker block(viewList_);
        viewList_->setCurrentRow(viewIndex_);
    }
    const QSignalBlocker block(againstBox_);
    againstBox_->clear();
    againstBox_->addItem(QStringLiteral("(none: show the view)"), kNoDifference);
    for (int i = kLeft; i <= kRight; ++i)
        if (i != followed_) againstBox_->addItem(PaneName(i), i);
    againstBox_->setCurrentIndex(againstBox_->findData(against_));
    amplifyBox_->setEnabled(!anyBit_);
    saveButton_->setEnabled(!display_->Bitmap().IsEmpty());
}

QString TInspectorWindow::PixelReadout(int x, int y) const {
    QString text = QStringLiteral("x=%1 y=%2").arg(x).arg(y);
    const int order[] = {followed_, followed_ == kLeft ? kMiddle : kLeft, followed_ == kRight ? kMiddle : kRight};
    for (const int i : order) {
        const TBitmap32* picture = i == followed_ ? &picture_ : panes_[i] ? &panes_[i]->Bitmap() : nullptr;
        text += QStringLiteral("\n%1").arg(PaneName(i), -7);
        if (picture == nullptr || picture->PixelCount() == 0)
            text += QStringLiteral("no picture");
        else if (x < 0 || y < 0 || x >= picture->Width() || y >= picture->Height())
            text += QStringLiteral("its picture (%1 x %2) does not reach this pixel").arg(picture->Width()).arg(picture->Height());
        else
            text += QString::fromStdString(analysis::PixelChannels(picture->GetPixel(x, y)));
    }
    return text;
}

void TInspectorWindow::ShowReadout(std::optional<QPoint> pixel) {
    readout_->setText(pixel ? PixelReadout(pixel->x(), pixel->y())
                            : QStringLiteral("Point at the picture to read its pixels here, in every pane."));
}

void TInspectorWindow::SaveViewClick() {
    if (!display_->Bitmap().IsEmpty() && saveView_) saveView_(display_->Bitmap());
}

}  // namespace nox
