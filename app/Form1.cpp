// The main window: see Form1.h.
#include "app/Form1.h"

#include <algorithm>

#include <QAction>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>
#include <QSlider>
#include <QTimer>
#include <QWindow>

#include "app/FileNameText.h"
#include "app/PaneDrop.h"
#include "app/RadioGroup.h"
#include "app/ShellOpen.h"
#include "files/PictureFiles.h"
#include "image/Combine.h"

namespace nox {
namespace {

constexpr char kCaption[] = "Image Hiding (Steganography) Demonstrator";

// A hint as a tool tip: "\r\n" in a hint starts its second line.
QString HintText(const char* hint) { return QString::fromUtf8(hint).replace(QStringLiteral("\r\n"), QStringLiteral("\n")); }

QPushButton* MakeButton(QWidget* parent, const char* caption, int left, int top, int width, int height,
                        const char* hint = nullptr) {
    auto* button = new QPushButton(QString::fromUtf8(caption), parent);
    button->setGeometry(left, top, width, height);
    if (hint != nullptr) button->setToolTip(HintText(hint));
    return button;
}

QLabel* MakeNameLabel(QWidget* parent, int left, int top, int width, int height, Qt::Alignment alignment) {
    auto* label = new QLabel(parent);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    label->setAlignment(alignment | Qt::AlignTop);
    label->setGeometry(left, top, width, height);
    return label;
}

TImage32* MakePane(QWidget* parent, TPopupMenu* menu, int left, int top, int width, int height) {
    auto* pane = new TImage32(parent);
    pane->setGeometry(left, top, width, height);
    pane->SetBitmapAlign(baTopLeft);
    pane->SetPopupMenu(menu);
    pane->SetScale(1.0f);
    pane->SetScaleMode(smStretch);
    return pane;
}

// The quality label sizes itself to its text, as it was designed to ("99" is 12 pixels wide in
// the design's font), so that "100" is never cut off whatever font the desktop gives. Its text
// keeps a small indent: the track bar's bounds end one pixel inside the label, and its handle
// reaches that edge near the top of the range.
constexpr int kQualityIndent = 3;
void FitLabelWidth(QLabel& label) {
    label.setIndent(kQualityIndent);
    label.resize(std::max(12, label.fontMetrics().horizontalAdvance(label.text()) + kQualityIndent), label.height());
}

}  // namespace

TForm1::TForm1(TDesktop& desktop, QWidget* parent) : QWidget(parent), desktop_(desktop) {
    // Exceptions of the panes' own events (a failed back buffer) reach the same error box.
    previousHandler_ = SetApplicationExceptionHandler([this](const std::exception& e) { HandleException(e); });
    setWindowTitle(QString::fromUtf8(kCaption));
    // The layout was drawn for "MS Sans Serif", 8 points (characters 11 pixels high), a narrow
    // dialog font. The condensed DejaVu Sans at that size is as narrow, so every caption fits its
    // control at the design size (the desktop's usual sans serif is too wide for "Zoom Out").
    QFont designFont(QStringLiteral("DejaVu Sans Condensed"));
    designFont.setPixelSize(11);
    setFont(designFont);
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);
    CreateComponents();
    SetTabOrder();
    ConnectHandlers();
    SetOuterBounds(kDesignLeft, kDesignTop, kDesignWidth, kDesignHeight);
    FormResize();
}

TForm1::~TForm1() {
    // A program ended without closing its window still writes its settings.
    if (mainWindow_ && !destroyed_) {
        destroyed_ = true;
        RunGuarded([this] { FormDestroy(); });
    }
    SetApplicationExceptionHandler(std::move(previousHandler_));
}

void TForm1::CreateComponents() {
    PopupMenu1 = new TPopupMenu(this);
    Copy1 = PopupMenu1->addAction(QStringLiteral("Copy"));
    Paste1 = PopupMenu1->addAction(QStringLiteral("Paste"));
    Blacken1 = PopupMenu1->addAction(QStringLiteral("Blacken"));
    Whiten1 = PopupMenu1->addAction(QStringLiteral("Whiten"));
    PopupMenu1->addSeparator();
    Inspect1 = PopupMenu1->addAction(QStringLiteral("Inspect..."));

    ImageL = MakePane(this, PopupMenu1, 8, 75, 250, 350);
    ImageM = MakePane(this, PopupMenu1, 264, 75, 250, 350);
    ImageR = MakePane(this, PopupMenu1, 520, 75, 250, 350);
    ImageL->setObjectName(QStringLiteral("ImageL"));
    ImageM->setObjectName(QStringLiteral("ImageM"));
    ImageR->setObjectName(QStringLiteral("ImageR"));

    Panel1 = new QFrame(this);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setGeometry(0, 0, 778, 113);
    // The panel lies above the panes, as it was created after them at design time.
    Panel1->raise();

    lFNameL = MakeNameLabel(Panel1, 16, 83, 241, 13, Qt::AlignLeft);
    lFNameM = MakeNameLabel(Panel1, 264, 83, 241, 13, Qt::AlignLeft);
    lFShortNameL = MakeNameLabel(Panel1, 16, 99, 44, 13, Qt::AlignHCenter);
    lFShortNameM = MakeNameLabel(Panel1, 264, 99, 39, 13, Qt::AlignHCenter);
    lQuality = new QLabel(QStringLiteral("99"), Panel1);
    lQuality->setGeometry(640, 16, 12, 13);
    FitLabelWidth(*lQuality);
    lQuality->setToolTip(HintText("JPEG Quality (1..100)"));

    Bevel1 = new QFrame(Panel1);
    Bevel1->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    Bevel1->setGeometry(16, 49, 505, 3);

    OpenLeftButton = MakeButton(Panel1, "Open", 88, 57, 75, 25);
    OpenMiddleButton = MakeButton(Panel1, "Open", 344, 57, 75, 25);
    SubtractButton = MakeButton(Panel1, "Subtract", 16, 8, 68, 25,
                                "Subtract the Middle picture from the \r\nLeft picture and put it on the Right");
    AddButton = MakeButton(Panel1, "&Add", 102, 8, 68, 25, "Add the Left picture to the Middle \r\npicture and put it on the Right");
    AddBitButton = MakeButton(Panel1, "Add &Bit", 188, 8, 68, 25,
                              "Take the Left picture, add the B/W image in the \r\nMiddle picture, and put it on the Right");
    ExitButton = MakeButton(Panel1, "E&xit", 718, 8, 52, 25);
    SaveButton = MakeButton(Panel1, "Save", 662, 8, 52, 25, "Save the Right picture");

    JPEGQualityTB = new QSlider(Qt::Horizontal, Panel1);
    JPEGQualityTB->setGeometry(520, 8, 121, 30);
    JPEGQualityTB->setRange(0, 100);
    JPEGQualityTB->setValue(95);
    JPEGQualityTB->setTickInterval(10);
    JPEGQualityTB->setTickPosition(QSlider::TicksBelow);
    JPEGQualityTB->setPageStep(10);
    JPEGQualityTB->setToolTip(HintText("Set JPG Quality (1..100)"));

    ShowLSBsButton = MakeButton(Panel1, "Show LSBs", 370, 8, 68, 25);
    SetLSBsButton = MakeButton(Panel1, "Set LSBs", 280, 8, 68, 25);
    ZoomInButton = MakeButton(Panel1, "Zoom In", 528, 48, 55, 25);

    ImageModeRG = new TRadioGroup({QStringLiteral("Normal"), QStringLiteral("Stretch"), QStringLiteral("Scale")}, Panel1);
    ImageModeRG->setGeometry(447, -11, 68, 57);
    ImageModeRG->SetItemIndex(1);

    ZoomOutButton = MakeButton(Panel1, "Zoom Out", 594, 48, 55, 25);
    ZoomOutButton->setEnabled(false);
    UpButton = MakeButton(Panel1, "Up", 701, 46, 25, 25);
    DownButton = MakeButton(Panel1, "Dn", 701, 78, 25, 25);
    LeftButton = MakeButton(Panel1, "Lt", 669, 62, 25, 25);
    RightButton = MakeButton(Panel1, "Rt", 733, 62, 25, 25);

    OpenDialog1.Filter = "Image/Text files|*.jpg;*.gif;*.bmp;*.png;*.txt";
    SaveDialog1.Filter = "BMP pictures|*.BMP|JPEG pictures|*.JPG|GIF pictures|*.GIF|PNG pictures|*.PNG";

    // Only the panes, the buttons, the track bar and the radio group take the keyboard focus.
    for (QWidget* pane : {static_cast<QWidget*>(ImageL), static_cast<QWidget*>(ImageM), static_cast<QWidget*>(ImageR)})
        pane->setFocusPolicy(Qt::NoFocus);
}

void TForm1::SetTabOrder() {
    const QWidget* order[] = {OpenLeftButton, OpenMiddleButton, SubtractButton, AddButton,      AddBitButton, ExitButton,
                              SaveButton,     JPEGQualityTB,    ShowLSBsButton, SetLSBsButton, ZoomInButton, ImageModeRG,
                              ZoomOutButton,  UpButton,         DownButton,     LeftButton,    RightButton};
    for (size_t i = 1; i < std::size(order); ++i)
        QWidget::setTabOrder(const_cast<QWidget*>(order[i - 1]), const_cast<QWidget*>(order[i]));
}

template <class Sender, class Signal>
void TForm1::Connect(Sender* sender, Signal signal, void (TForm1::*handler)()) {
    QObject::connect(sender, signal, this, [this, handler] { RunGuarded([this, handler] { (this->*handler)(); }); });
}

void TForm1::ConnectHandlers() {
    Connect(SubtractButton, &QPushButton::clicked, &TForm1::SubtractButtonClick);
    Connect(AddButton, &QPushButton::clicked, &TForm1::AddButtonClick);
    Connect(AddBitButton, &QPushButton::clicked, &TForm1::AddBitButtonClick);
    Connect(SetLSBsButton, &QPushButton::clicked, &TForm1::SetLSBsButtonClick);
    Connect(ShowLSBsButton, &QPushButton::clicked, &TForm1::ShowLSBsButtonClick);
    Connect(ExitButton, &QPushButton::clicked, &TForm1::ExitButtonClick);
    Connect(ZoomInButton, &QPushButton::clicked, &TForm1::ZoomInButtonClick);
    Connect(ZoomOutButton, &QPushButton::clicked, &TForm1::ZoomOutButtonClick);
    Connect(UpButton, &QPushButton::clicked, &TForm1::UpButtonClick);
    Connect(DownButton, &QPushButton::clicked, &TForm1::DownButtonClick);
    Connect(LeftButton, &QPushButton::clicked, &TForm1::LeftButtonClick);
    Connect(RightButton, &QPushButton::clicked, &TForm1::RightButtonClick);
    Connect(JPEGQualityTB, &QSlider::valueChanged, &TForm1::JPEGQualityTBChange);
    Connect(Blacken1, &QAction::triggered, &TForm1::Blacken1Click);
    Connect(Whiten1, &QAction::triggered, &TForm1::Whiten1Click);
    Connect(Inspect1, &QAction::triggered, &TForm1::Inspect1Click);
    Connect(OpenLeftButton, &QPushButton::clicked, &TForm1::OpenLeftButtonClick);
    Connect(OpenMiddleButton, &QPushButton::clicked, &TForm1::OpenMiddleButtonClick);
    Connect(SaveButton, &QPushButton::clicked, &TForm1::SaveButtonClick);
    Connect(Copy1, &QAction::triggered, &TForm1::Copy1Click);
    Connect(Paste1, &QAction::triggered, &TForm1::Paste1Click);
    // The radio group, the menu and the panes run their handlers inside the same guard.
    ImageModeRG->SetOnClick([this] { ImageModeRGClick(); });
    PopupMenu1->SetOnPopup([this] { PopupMenu1Popup(); });
    // A picture file dropped on the Left or Middle pane opens there; other drops are refused.
    const auto isPicture = [](const std::string& name) { return FormatOfName(name) != TPictureFormat::pfNone; };
    new TPaneDropTarget(*ImageL, isPicture, [this](const std::string& name) { RunGuarded([&] { ImageLDrop(name); }); });
    new TPaneDropTarget(*ImageM, isPicture, [this](const std::string& name) { RunGuarded([&] { ImageMDrop(name); }); });
    ImageL->SetOnClick([this](TCustomImage32&) { ImageLClick(); });
    ImageM->SetOnClick([this](TCustomImage32&) { ImageMClick(); });
}

void TForm1::HandleException(const std::exception& error) { ShowException(desktop_, error); }

// The window's outer bounds and the frame around its inner bounds (no frame before the window
// manager has framed the window, and where there is none). Qt's native window knows them as the
// window manager reports them; the widget's own copy of the frame lags behind while the window is
// being framed.
QRect TForm1::OuterBounds() const {
    const QWindow* window = windowHandle();
    return window ? window->frameGeometry() : frameGeometry();
}

QMargins TForm1::FrameMargins() const {
    const QWindow* window = windowHandle();
    return window ? window->frameMargins() : QMargins();
}

void TForm1::SetOuterBounds(int left, int top, int width, int height) {
    wantedOuter_ = QRect(left, top, width, height);
    const QMargins frame = FrameMargins();
    // Qt moves a window by its frame's corner and sizes it by its inner size.
    move(left, top);
    resize(width - frame.left() - frame.right(), height - frame.top() - frame.bottom());
}

void TForm1::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    RunGuarded([this] { FormResize(); });
}

// The main window restores its settings when it is first shown and keeps them when it closes.
void TForm1::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!mainWindow_ || shown_) return;
    shown_ = true;
    RunGuarded([this] { FormShow(); });
    WatchForTheFrame();
}

// A window manager frames a new window after it is mapped, and while it does Qt's idea of the
// window's place passes through odd values (the inner window's place within the frame, or no frame
// yet); where the window manager keeps the inner window where it was, as most do, nothing tells the
// window afterwards that its frame is now known. So after the first show the outer bounds are
// looked at for a while: once they hold still with a frame around the window, they are brought to
// the wanted ones. Without a window manager no frame appears and the bounds are already right.
void TForm1::WatchForTheFrame() {
    constexpr int kLooks = 120;  // three seconds
    auto* watch = new QTimer(this);
    watch->setInterval(25);
    connect(watch, &QTimer::timeout, this, [this, watch, looks = 0, last = QRect()]() mutable {
        const QRect outer = OuterBounds();
        const bool settled = outer == last && FrameMargins() != QMargins();
        last = outer;
        if (settled && outer == wantedOuter_) looks = kLooks;
        else if (settled) SetOuterBounds(wantedOuter_.x(), wantedOuter_.y(), wantedOuter_.width(), wantedOuter_.height());
        if (++looks >= kLooks) watch->deleteLater();
    });
    watch->start();
}

void TForm1::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (!mainWindow_ || destroyed_) return;
    destroyed_ = true;
    RunGuarded([this] { FormDestroy(); });
}

// ---- layout ------------------------------------------------------------------------------------------

void TForm1::FormResize() {
    // The panel is aligned to the top: it always spans the window's inner width.
    Panel1->setGeometry(0, 0, width(), Panel1->height());

    const QRect outer = OuterBounds();
    const int wd = outer.width();
    const int hd = outer.height();
    const int hp = Panel1->height();
    const int top = hp + 8;
    const int height = hd - hp - 40;
    const int t = wd / 3;  // C++ division truncates toward zero, as div does
    const int w = t - 16;

    ImageL->setGeometry(8, top, w, height);
    ImageM->setGeometry(w + 16, top, w, height);
    ImageR->setGeometry(2 * w + 24, top, w, height);

    lFNameL->setGeometry(8, lFNameL->y(), w, lFNameL->height());
    lFNameM->setGeometry(w + 16, lFNameM->y(), w, lFNameM->height());
    lFShortNameL->setGeometry(8, lFShortNameL->y(), w, lFShortNameL->height());
    lFShortNameM->setGeometry(w + 16, lFShortNameM->y(), w, lFShortNameM->height());

    OpenLeftButton->move(ImageL->x() + (w - OpenLeftButton->width()) / 2, OpenLeftButton->y());
    OpenMiddleButton->move(ImageM->x() + (w - OpenMiddleButton->width()) / 2, OpenMiddleButton->y());

    Bevel1->setGeometry(8, Bevel1->y(), 2 * w + 16, Bevel1->height());

    const int d = Bevel1->x() + Bevel1->width() + 16 - ZoomInButton->x();
    for (QPushButton* button : {ZoomInButton, ZoomOutButton, UpButton, DownButton, RightButton, LeftButton})
        button->move(button->x() + d, button->y());
}

// ---- view commands ------------------------------------------------------------------------------------

template <class Change>
void TForm1::ForEachPane(Change change) {
    for (TImage32* pane : {ImageL, ImageM, ImageR}) change(*pane);
}

void TForm1::UpdateZoomPanEnabled() {
    const bool zoomed = ImageL->Scale() > 1.0f;
    for (QPushButton* button : {ZoomOutButton, UpButton, DownButton, LeftButton, RightButton}) button->setEnabled(zoomed);
}

void TForm1::ImageModeRGClick() {
    ZoomInButton->setEnabled(false);
    ZoomOutButton->setEnabled(false);
    switch (ImageModeRG->ItemIndex()) {
        case 0:
            ForEachPane([](TImage32& pane) { pane.SetScaleMode(smNormal); });
            break;
        case 1:
            ForEachPane([](TImage32& pane) { pane.SetScaleMode(smStretch); });
            break;
        case 2:
            ForEachPane([](TImage32& pane) { pane.SetScaleMode(smScale); });
            ZoomInButton->setEnabled(true);
            UpdateZoomPanEnabled();
            break;
        default:
            break;
    }
}

void TForm1::ZoomInButtonClick() {
    ForEachPane([](TImage32& pane) {
        pane.SetScale(pane.Scale() + 1.0f);
        pane.Invalidate();
    });
    UpdateZoomPanEnabled();
    ForEachPane([](TImage32& pane) { pane.SetBitmapAlign(baCustom); });
}

void TForm1::ZoomOutButtonClick() {
    ForEachPane([](TImage32& pane) {
        pane.SetScale(pane.Scale() - 1.0f);
        pane.Invalidate();
    });
    UpdateZoomPanEnabled();
    if (!ZoomOutButton->isEnabled()) ForEachPane([](TImage32& pane) { pane.SetBitmapAlign(baTopLeft); });
}

// Each pane moves by half its own bitmap's size (an integer, added in floating point): `x` and `y`
// say which way along each axis (-1, 0 or 1), Up and Left moving the picture down and right.
void TForm1::Pan(int x, int y) {
    ForEachPane([x, y](TImage32& pane) {
        const auto halfWidth = static_cast<float>(pane.Bitmap().Width() / 2);
        const auto halfHeight = static_cast<float>(pane.Bitmap().Height() / 2);
        if (x != 0) pane.SetBitmapOffsetX(pane.BitmapOffsetX() + static_cast<float>(x) * halfWidth);
        if (y != 0) pane.SetBitmapOffsetY(pane.BitmapOffsetY() + static_cast<float>(y) * halfHeight);
    });
}

void TForm1::UpButtonClick() { Pan(0, 1); }
void TForm1::DownButtonClick() { Pan(0, -1); }
void TForm1::LeftButtonClick() { Pan(1, 0); }
void TForm1::RightButtonClick() { Pan(-1, 0); }

void TForm1::JPEGQualityTBChange() {
    lQuality->setText(QString::number(JPEGQualityTB->value()));
    FitLabelWidth(*lQuality);
}

// ---- pop-up menu ----------------------------------------------------------------------------------------

TImage32* TForm1::PopupPane() const {
    QWidget* component = PopupMenu1->PopupComponent();
    for (TImage32* pane : {ImageL, ImageM, ImageR})
        if (component == pane) return pane;
    return nullptr;
}

void TForm1::PopupMenu1Popup() {
    const TImage32* pane = PopupPane();
    const bool hasPicture = pane != nullptr && pane->Bitmap().Height() != 0 && pane->Bitmap().Width() != 0;
    for (QAction* entry : {Copy1, Paste1, Blacken1, Whiten1, Inspect1}) entry->setEnabled(hasPicture);
}

void TForm1::FillPopupPane(void (*fill)(TBitmap32&)) {
    TImage32* pane = PopupPane();
    if (pane == nullptr) return;
    fill(pane->Bitmap());
    pane->Changed();
    ClearPaneNames(*pane);
}

void TForm1::ClearPaneNames(TImage32& pane) {
    // A pane that no longer shows its file no longer opens it, nor is its name kept.
    if (&pane == ImageL) {
        lFShortNameL->clear();
        lFNameL->clear();
    } else if (&pane == ImageM) {
        lFShortNameM->clear();
        lFNameM->clear();
    }
}

void TForm1::Blacken1Click() { FillPopupPane(&Blacken); }
void TForm1::Whiten1Click() { FillPopupPane(&Whiten); }

// ---- pane clicks and exit ---------------------------------------------------------------------------------

void TForm1::ImageLClick() {
    const std::string name = LabelFileName(*lFNameL);
    if (!IsBlankText(name)) ShellOpenFile(desktop_.Shell, name);
}

void TForm1::ImageMClick() {
    const std::string name = LabelFileName(*lFNameM);
    if (!IsBlankText(name)) ShellOpenFile(desktop_.Shell, name);
}

void TForm1::ExitButtonClick() { close(); }

// ---- combining ------------------------------------------------------------------------------------------------

// Each operation replaces the Right picture; its pixel writes notify nobody, so the pane is told.
void TForm1::CombineIntoRight(void (*operation)(TBitmap32& left, TBitmap32& middle, TBitmap32& right)) {
    operation(ImageL->Bitmap(), ImageM->Bitmap(), ImageR->Bitmap());
    ImageR->Changed();
}

void TForm1::SubtractButtonClick() { CombineIntoRight(&Subtract); }
void TForm1::AddButtonClick() { CombineIntoRight(&Add); }
void TForm1::AddBitButtonClick() { CombineIntoRight(&AddBit); }
void TForm1::SetLSBsButtonClick() { CombineIntoRight(&SetLSBs); }
void TForm1::ShowLSBsButtonClick() { CombineIntoRight(&ShowLSBs); }

}  // namespace nox
