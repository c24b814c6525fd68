// The image pane: see Image32.h.
#include "view/Image32.h"

#include <cmath>
#include <limits>

#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPalette>

#include "platform/Errors.h"
#include "view/ApplicationErrors.h"
#include "view/PopupMenu.h"

namespace nox {
namespace {

// Coordinates of the drawn rectangle are kept within +-2^30, so that a huge scale or offset can
// neither overflow the rectangle's 32-bit edges nor their differences.
constexpr int64_t kMaxCoordinate = int64_t{1} << 30;

int64_t ClampCoordinate(int64_t v) { return v < -kMaxCoordinate ? -kMaxCoordinate : v > kMaxCoordinate ? kMaxCoordinate : v; }

// Round to nearest with ties to even (2.5 -> 2, 3.5 -> 4), clamped as above; NaN gives 0.
int64_t RoundHalfEven(double v) {
    if (std::isnan(v)) return 0;
    if (v > static_cast<double>(kMaxCoordinate)) return kMaxCoordinate;
    if (v < -static_cast<double>(kMaxCoordinate)) return -kMaxCoordinate;
    return static_cast<int64_t>(std::nearbyint(v));
}

}  // namespace

TCustomImage32::TCustomImage32(QWidget* parent) : TCustomPaintBox32(parent) {
    bitmap_.SetOnChanging([this](TPersistent*) { Changing(); });
    bitmap_.SetOnChange([this](TPersistent*) { Changed(); });
    bitmap_.SetOnResize([this](TPersistent*) { BitmapSizeChanged(); });
    SetScale(1.0f);
    SetUpDefaultStages();
}

TCustomImage32::~TCustomImage32() {
    // No notification may reach a half-destroyed pane: the bitmap still fires OnResize as it
    // releases its pixels.
    ++updateCount_;
    bitmap_.SetOnChanging(nullptr);
    bitmap_.SetOnChange(nullptr);
    bitmap_.SetOnResize(nullptr);
}

void TCustomImage32::SetBitmap(TPersistent* source) {
    DropBitmapRect();
    bitmap_.Assign(source);
}

void TCustomImage32::SetBitmapAlign(TBitmapAlign value) {
    Changing();
    DropBitmapRect();
    bitmapAlign_ = value;
    Changed();
}

void TCustomImage32::SetBitmapOffsetX(float value) {
    Changing();
    DropBitmapRect();
    offsetX_ = value;
    Changed();
}

void TCustomImage32::SetBitmapOffsetY(float value) {
    Changing();
    offsetY_ = value;
    DropBitmapRect();
    Changed();
}

void TCustomImage32::SetScale(float value) {
    // NaN fails the comparison and takes the minimum too.
    if (!(value >= kMinScale)) value = kMinScale;
    if (value == scale_) return;
    Changing();
    DropBitmapRect();
    scale_ = value;
    ScaleChanged();
    Changed();
}

void TCustomImage32::SetScaleMode(TScaleMode value) {
    if (value == scaleMode_) return;
    Changing();
    DropBitmapRect();
    scaleMode_ = value;
    Changed();
}

TColor32 TCustomImage32::Color32() const { return 0xFF000000u | (palette().color(QPalette::Button).rgb() & 0x00FFFFFFu); }

void TCustomImage32::BeginUpdate() { ++updateCount_; }

void TCustomImage32::EndUpdate() {
    if (updateCount_ <= 0) throw EAssertionFailed("Unpaired EndUpdate call");
    --updateCount_;
}

void TCustomImage32::Changing() {
    if (updateCount_ == 0 && onChanging_) onChanging_(*this);
}

void TCustomImage32::Changed() {
    if (updateCount_ != 0) return;
    Invalidate();
    if (onChange_) onChange_(*this);
}

void TCustomImage32::Invalidate() {
    DropBitmapRect();
    TCustomPaintBox32::Invalidate();
}

void TCustomImage32::BitmapSizeChanged() {
    DropBitmapRect();
    Invalidate();
}

TBitmapSize TCustomImage32::ComputeBitmapSize() const {
    const int32_t W = width();
    const int32_t H = height();
    if (bitmap_.IsEmpty() || W <= 0 || H <= 0) return {};
    const int32_t bw = bitmap_.Width();
    const int32_t bh = bitmap_.Height();
    switch (scaleMode_) {
        case smNormal:
            return {bw, bh};
        case smStretch:
            return {W, H};
        case smScale:
            return {static_cast<int32_t>(RoundHalfEven(static_cast<double>(bw) * scale_)),
                    static_cast<int32_t>(RoundHalfEven(static_cast<double>(bh) * scale_))};
        case smResize: {
            // The two ratios are single-precision values, as they are stored.
            const float rx = static_cast<float>(W) / static_cast<float>(bw);
            const float ry = static_cast<float>(H) / static_cast<float>(bh);
            if (rx >= ry) return {static_cast<int32_t>(RoundHalfEven(static_cast<double>(bw) * ry)), H};
            return {W, static_cast<int32_t>(RoundHalfEven(static_cast<double>(bh) * rx))};
        }
    }
    return {};
}

TRect TCustomImage32::ComputeBitmapRect() const {
    if (bitmap_.IsEmpty()) return {};
    const TBitmapSize size = ComputeBitmapSize();
    int64_t left = 0;
    int64_t top = 0;
    switch (bitmapAlign_) {
        case baTopLeft:
        case baTile:
            break;
        case baCenter:
            // Integer division truncates toward 0: a difference of -5 shifts by -2.
            left = (static_cast<int64_t>(width()) - size.Width) / 2;
            top = (static_cast<int64_t>(height()) - size.Height) / 2;
            break;
        case baCustom:
            // A stretched picture always fills its pane: pan offsets left from zooming in Scale
            // mode would draw it shifted and cut off.
            if (scaleMode_ == smStretch) break;
            left = RoundHalfEven(offsetX_);
            top = RoundHalfEven(offsetY_);
            break;
    }
    return Rect(static_cast<int32_t>(ClampCoordinate(left)), static_cast<int32_t>(ClampCoordinate(top)),
                static_cast<int32_t>(ClampCoordinate(left + size.Width)),
                static_cast<int32_t>(ClampCoordinate(top + size.Height)));
}

void TCustomImage32::SetUpDefaultStages() {
    paintStages_ = {
        {true, true, PST_CLEAR_BACKGND, 0},
        {true, false, PST_CONTROL_FRAME, 0},
        {true, true, PST_DRAW_BITMAP, 0},
        {true, false, PST_BITMAP_FRAME, 0},
        {true, true, PST_DRAW_LAYERS, 0x80000000u},
    };
}

void TCustomImage32::PaintBuffer() {
    if (!bitmapRectValid_) {
        cachedBitmapRect_ = ComputeBitmapRect();
        bitmapRectValid_ = true;
    }
    TBitmap32& dest = Buffer();
    for (uint32_t i = 0; i < paintStages_.size(); ++i) {
        const TPaintStage& stage = paintStages_[i];
        if (!stage.RunTime) continue;
        switch (stage.Stage) {
            case PST_CUSTOM: DoPaintCustomStage(dest, i); break;
            case PST_CLEAR_BUFFER: DoClearBuffer(dest, i); break;
            case PST_CLEAR_BACKGND: DoClearBackground(dest, i); break;
            case PST_DRAW_BITMAP: DoPaintBitmap(dest, i); break;
            case PST_DRAW_LAYERS: DoPaintLayers(dest, i); break;
            case PST_CONTROL_FRAME: DoPaintControlFrame(dest, i); break;
            case PST_BITMAP_FRAME: DoPaintBitmapFrame(dest, i); break;
            default: break;
        }
    }
    TCustomPaintBox32::PaintBuffer();
}

void TCustomImage32::DoClearBuffer(TBitmap32& dest, uint32_t) { dest.Clear(Color32()); }

void TCustomImage32::DoClearBackground(TBitmap32& dest, uint32_t) {
    const TColor32 c = Color32();
    if (bitmap_.IsEmpty() || bitmap_.DrawMode() != dmOpaque) {
        dest.Clear(c);
        return;
    }
    const TRect r = cachedBitmapRect_;
    const int32_t W = width();
    const int32_t H = height();
    if (r.Left > 0 || r.Right < W || r.Top > 0 || (r.Bottom < H && bitmapAlign_ != baTile)) {
        // Inclusive corners; FillRect exchanges reversed ones and clips to the buffer.
        dest.FillRect(0, 0, W - 1, r.Top - 1, c);
        dest.FillRect(0, r.Bottom, W - 1, H - 1, c);
        dest.FillRect(0, r.Top, r.Left - 1, r.Bottom - 1, c);
        dest.FillRect(r.Right, r.Top, W - 1, r.Bottom - 1, c);
    }
}

void TCustomImage32::DoPaintBitmap(TBitmap32& dest, uint32_t) {
    const TRect r = cachedBitmapRect_;
    if (bitmap_.IsEmpty() || r.IsEmpty()) return;
    TLockGuard lock(bitmap_);
    if (bitmapAlign_ == baTile) {
        // With baTile the rectangle starts at (0, 0), so Right and Bottom are the tile's size.
        for (int64_t j = 0; j <= height() / r.Bottom; ++j)
            for (int64_t i = 0; i <= width() / r.Right; ++i)
                bitmap_.DrawTo(dest, Rect(static_cast<int32_t>(i * r.Right), static_cast<int32_t>(j * r.Bottom),
                                          static_cast<int32_t>((i + 1) * r.Right),
                                          static_cast<int32_t>((j + 1) * r.Bottom)));
    } else {
        bitmap_.DrawTo(dest, r);
    }
}

// The system has no layers: the layer collection is always empty, so this stage paints nothing.
void TCustomImage32::DoPaintLayers(TBitmap32&, uint32_t) {}

void TCustomImage32::DoPaintCustomStage(TBitmap32& dest, uint32_t stageNum) {
    if (onPaintStage_) onPaintStage_(*this, dest, stageNum);
}

// The design-time frames are painted only while a form designer shows the control, which this
// program has not got; their stages stay in the list for completeness.
void TCustomImage32::DoPaintControlFrame(TBitmap32&, uint32_t) {}
void TCustomImage32::DoPaintBitmapFrame(TBitmap32&, uint32_t) {}

void TCustomImage32::resizeEvent(QResizeEvent* event) {
    DropBitmapRect();
    TCustomPaintBox32::resizeEvent(event);
}

void TCustomImage32::mousePressEvent(QMouseEvent* event) {
    // Qt grabs the mouse for the pressed widget until the release, as the capture does.
    pressedButton_ = event->button();
    const QPoint p = event->position().toPoint();
    if (onMouseDown_) RunGuarded([&] { onMouseDown_(*this, event->button(), p.x(), p.y()); });
}

void TCustomImage32::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if (onMouseUp_) RunGuarded([&] { onMouseUp_(*this, event->button(), p.x(), p.y()); });
    const bool click = event->button() == Qt::LeftButton && pressedButton_ == Qt::LeftButton && rect().contains(p);
    pressedButton_ = Qt::NoButton;
    if (click && onClick_) RunGuarded([&] { onClick_(*this); });
}

void TCustomImage32::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press of a double click is no click of its own: its release reports nothing.
    pressedButton_ = Qt::NoButton;
    if (event->button() == Qt::LeftButton && onDblClick_) RunGuarded([&] { onDblClick_(*this); });
}

void TCustomImage32::leaveEvent(QEvent* event) {
    // No layer holds the mouse, so the pane lets go of any cursor shown over the whole program.
    while (QGuiApplication::overrideCursor() != nullptr) QGuiApplication::restoreOverrideCursor();
    TCustomPaintBox32::leaveEvent(event);
}

void TCustomImage32::contextMenuEvent(QContextMenuEvent* event) {
    if (popupMenu_ == nullptr) {
        event->ignore();
        return;
    }
    popupMenu_->Popup(event->globalPos(), this);
}

}  // namespace nox
