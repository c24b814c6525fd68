// The back-buffered paint box: see PaintBox32.h.
#include "view/PaintBox32.h"

#include <algorithm>
#include <exception>

#include <QImage>
#include <QPaintEvent>
#include <QPainter>

#include "view/ApplicationErrors.h"

namespace nox {

TCustomPaintBox32::TCustomPaintBox32(QWidget* parent) : QWidget(parent) {
    buffer_.BeginUpdate();
    // Every visible pixel comes from the back buffer: the platform never erases the background.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    resize(192, 192);
}

TCustomPaintBox32::~TCustomPaintBox32() = default;

void TCustomPaintBox32::SetBufferMargin(int32_t margin) {
    if (margin < -1) margin = -1;
    if (margin == bufferMargin_) return;
    bufferMargin_ = margin;
    ResizeBuffer();
    Invalidate();
}

void TCustomPaintBox32::Invalidate() {
    bufferValid_ = false;
    update();
}

TRect TCustomPaintBox32::ViewportRect() const { return Rect(0, 0, width(), height()); }

void TCustomPaintBox32::ResizeBuffer() {
    const TRect viewport = ViewportRect();
    const int64_t w = std::max<int64_t>(0, viewport.Width());
    const int64_t h = std::max<int64_t>(0, viewport.Height());
    if (buffer_.Width() == w && buffer_.Height() == h) return;

    int64_t newWidth = buffer_.Width();
    int64_t newHeight = buffer_.Height();
    if (bufferMargin_ < 0) {
        newWidth = w;
        newHeight = h;
    } else {
        if (newWidth < w) newWidth = w + bufferMargin_;
        if (newHeight < h) newHeight = h + bufferMargin_;
        if (w < newWidth - bufferMargin_) newWidth = w;
        if (h < newHeight - bufferMargin_) newHeight = h;
    }
    if (newWidth == buffer_.Width() && newHeight == buffer_.Height()) return;

    bufferValid_ = false;
    try {
        buffer_.SetSize(static_cast<int32_t>(newWidth), static_cast<int32_t>(newHeight));
    } catch (...) {
        // Leave the buffer truly empty, so that the next paint tries again from scratch.
        try {
            buffer_.SetSize(0, 0);
        } catch (...) {
        }
        throw;
    }
}

void TCustomPaintBox32::PaintBuffer() { bufferValid_ = true; }

void TCustomPaintBox32::paintEvent(QPaintEvent* event) {
    ++screenPaintCount_;
    try {
        ResizeBuffer();
        if (!bufferValid_) {
            ++bufferPaintCount_;
            PaintBuffer();
        }
    } catch (...) {
        ReportLater(std::current_exception());
    }

    QPainter painter(this);
    const bool covers = !buffer_.IsEmpty() && buffer_.Width() >= width() && buffer_.Height() >= height();
    if (!covers) {
        // Only after a failed allocation: show the background rather than whatever was there.
        painter.fillRect(rect(), palette().color(QPalette::Button));
        return;
    }
    failureReported_ = false;
    TLockGuard lock(buffer_);
    // The back buffer reaches the screen over its own memory: no copy, the alpha byte ignored.
    const QImage image(reinterpret_cast<const uchar*>(buffer_.Bits()), buffer_.Width(), buffer_.Height(),
                       static_cast<qsizetype>(buffer_.Width()) * 4, QImage::Format_RGB32);
    painter.drawImage(event->rect(), image, event->rect());
}

void TCustomPaintBox32::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    bufferValid_ = false;
    try {
        ResizeBuffer();
    } catch (...) {
        ReportLater(std::current_exception());
    }
}

void TCustomPaintBox32::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    bufferValid_ = false;
}

void TCustomPaintBox32::ReportLater(std::exception_ptr error) {
    if (failureReported_) return;
    failureReported_ = true;
    QMetaObject::invokeMethod(
        this,
        [error] {
            RunGuarded([error] { std::rethrow_exception(error); });
        },
        Qt::QueuedConnection);
}

}  // namespace nox
