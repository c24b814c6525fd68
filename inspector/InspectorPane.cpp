// The Inspector's picture pane: see InspectorPane.h.
#include "inspector/InspectorPane.h"

#include <algorithm>
#include <cmath>

#include <QMouseEvent>
#include <QWheelEvent>

namespace nox {

namespace {

constexpr TColor32 kGridColour = 0xFF808080;  // mid grey shows on black and on white

}  // namespace

TInspectorPane::TInspectorPane(QWidget* parent) : TImage32(parent) {
    setMouseTracking(true);
    setMinimumSize(200, 150);
    // The grid is drawn over the picture by a stage of its own after the picture's.
    PaintStages().push_back({true, true, PST_CUSTOM, 0});
    SetScaleMode(smResize);
    SetBitmapAlign(baCenter);
}

void TInspectorPane::SetZoom(int zoom, std::optional<QPoint> anchor) {
    zoom = std::clamp(zoom, kFit, kMaxZoom);
    if (zoom == kFit) {
        zoom_ = kFit;
        SetScaleMode(smResize);
        SetBitmapAlign(baCenter);
        if (onZoom_) onZoom_(zoom_);
        return;
    }
    const QPoint at = anchor.value_or(QPoint(width() / 2, height() / 2));
    const TRect r = ComputeBitmapRect();
    // The picture's point (in pixels, fractional) under the anchor before the change.
    double px = 0, py = 0;
    if (!Bitmap().IsEmpty() && r.Right > r.Left && r.Bottom > r.Top) {
        px = (at.x() - r.Left) * static_cast<double>(Bitmap().Width()) / (r.Right - r.Left);
        py = (at.y() - r.Top) * static_cast<double>(Bitmap().Height()) / (r.Bottom - r.Top);
    }
    zoom_ = zoom;
    BeginUpdate();
    SetScaleMode(smScale);
    SetScale(static_cast<float>(zoom));
    SetBitmapAlign(baCustom);
    EndUpdate();
    PlaceAt(at.x() - px * zoom, at.y() - py * zoom);
    if (onZoom_) onZoom_(zoom_);
}

void TInspectorPane::PlaceAt(double left, double top) {
    if (zoom_ == kFit) return;
    const double w = static_cast<double>(Bitmap().Width()) * zoom_, h = static_cast<double>(Bitmap().Height()) * zoom_;
    left = w <= width() ? std::floor((width() - w) / 2) : std::clamp(std::round(left), width() - w, 0.0);
    top = h <= height() ? std::floor((height() - h) / 2) : std::clamp(std::round(top), height() - h, 0.0);
    BeginUpdate();
    SetBitmapOffsetX(static_cast<float>(left));
    SetBitmapOffsetY(static_cast<float>(top));
    EndUpdate();
    Changed();
}

std::optional<QPoint> TInspectorPane::PixelAt(QPoint at) const {
    const TRect r = ComputeBitmapRect();
    if (Bitmap().IsEmpty() || at.x() < r.Left || at.y() < r.Top || at.x() >= r.Right || at.y() >= r.Bottom) return std::nullopt;
    const int64_t x = int64_t{at.x() - r.Left} * Bitmap().Width() / (r.Right - r.Left);
    const int64_t y = int64_t{at.y() - r.Top} * Bitmap().Height() / (r.Bottom - r.Top);
    return QPoint(static_cast<int>(x), static_cast<int>(y));
}

void TInspectorPane::DoPaintCustomStage(TBitmap32& dest, uint32_t stageNum) {
    TImage32::DoPaintCustomStage(dest, stageNum);
    if (zoom_ < kGridZoom || Bitmap().IsEmpty()) return;
    const TRect r = CachedBitmapRect();
    const int32_t right = std::min(r.Right, width()), bottom = std::min(r.Bottom, height());
    // Lines on the left and top edge of every pixel that shows; FillRect clips to the buffer.
    for (int64_t x = r.Left + int64_t{std::max(0, -r.Left) / zoom_} * zoom_; x < right; x += zoom_)
        dest.FillRect(static_cast<int32_t>(x), std::max(r.Top, 0), static_cast<int32_t>(x), bottom - 1, kGridColour);
    for (int64_t y = r.Top + int64_t{std::max(0, -r.Top) / zoom_} * zoom_; y < bottom; y += zoom_)
        dest.FillRect(std::max(r.Left, 0), static_cast<int32_t>(y), right - 1, static_cast<int32_t>(y), kGridColour);
}

void TInspectorPane::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && zoom_ != kFit) {
        dragFrom_ = event->position().toPoint();
        dragOffset_ = QPointF(BitmapOffsetX(), BitmapOffsetY());
    }
    TImage32::mousePressEvent(event);
}

void TInspectorPane::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (dragFrom_ && (event->buttons() & Qt::LeftButton)) {
        PlaceAt(dragOffset_.x() + at.x() - dragFrom_->x(), dragOffset_.y() + at.y() - dragFrom_->y());
    } else {
        dragFrom_.reset();
    }
    if (onHover_) onHover_(PixelAt(at));
}

void TInspectorPane::wheelEvent(QWheelEvent* event) {
    const int steps = event->angleDelta().y() / 120;
    if (steps == 0 || Bitmap().IsEmpty()) return;
    int zoom = steps > 0 ? std::min(zoom_ * 2, kMaxZoom) : zoom_ / 2;  // half of 1x is fit
    if (zoom_ == kFit) {
        if (steps < 0) return;
        // From fit, the first step goes to the smallest power of two above the fitted scale.
        const double fitted = static_cast<double>(ComputeBitmapRect().Right - ComputeBitmapRect().Left) / Bitmap().Width();
        for (zoom = 1; zoom <= fitted && zoom < kMaxZoom;) zoom *= 2;
    }
    SetZoom(zoom, event->position().toPoint());
    if (onHover_) onHover_(PixelAt(event->position().toPoint()));
}

void TInspectorPane::leaveEvent(QEvent* event) {
    TImage32::leaveEvent(event);
    if (onHover_) onHover_(std::nullopt);
}

void TInspectorPane::resizeEvent(QResizeEvent* event) {
    TImage32::resizeEvent(event);
    PlaceAt(BitmapOffsetX(), BitmapOffsetY());
}

}  // namespace nox
