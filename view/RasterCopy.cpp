// The back buffer's copy into a raster image: see RasterCopy.h.
#include "view/RasterCopy.h"

#include <cmath>
#include <cstdint>
#include <cstring>

#include <QPaintEngine>
#include <QTransform>

#include "image/RowBands.h"

namespace nox {

namespace {

// From this size on, a copy of a just-repainted back buffer is shared with the helper thread (a
// 512 x 512 pane): the helper, awake from the repaint, halves the time of reading it back from
// memory. A smaller one ends before the helper would start.
constexpr int64_t kShareCopyBytes = int64_t{1} << 20;

}  // namespace

std::optional<TRasterTarget> FindRasterTarget(QPainter& painter, int width, int height) {
    QPaintEngine* engine = painter.paintEngine();
    if (!engine || engine->type() != QPaintEngine::Raster) return std::nullopt;
    QPaintDevice* device = engine->paintDevice();
    if (!device || device->devType() != QInternal::Image) return std::nullopt;
    auto& image = *static_cast<QImage*>(device);
    // The formats of the backing stores (offscreen: RGB32; X11: premultiplied ARGB32). Qt draws
    // an RGB32 image onto either by copying its 32-bit words unchanged.
    if ((image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32_Premultiplied) ||
        image.devicePixelRatio() != 1.0)
        return std::nullopt;
    if (painter.hasClipping() || painter.opacity() != 1.0 ||
        painter.compositionMode() != QPainter::CompositionMode_SourceOver)
        return std::nullopt;
    const QTransform transform = painter.deviceTransform();
    if (transform.type() > QTransform::TxTranslate) return std::nullopt;
    const double dx = transform.dx();
    const double dy = transform.dy();
    if (dx != std::floor(dx) || dy != std::floor(dy) || std::fabs(dx) > 1e9 || std::fabs(dy) > 1e9)
        return std::nullopt;

    TRasterTarget target;
    target.Image = &image;
    target.Origin = QPoint(static_cast<int>(dx), static_cast<int>(dy));
    // An empty system clip means no clip.
    target.Region = QRect(target.Origin, QSize(width, height)) & image.rect();
    const QRegion systemClip = engine->systemClip();
    if (!systemClip.isEmpty()) target.Region &= systemClip;
    return target;
}

TPixelMirror MirrorOf(const TRasterTarget& target) {
    QRect largest;
    for (const QRect& rect : target.Region)
        if (int64_t{rect.width()} * rect.height() > int64_t{largest.width()} * largest.height()) largest = rect;
    TPixelMirror mirror;
    if (largest.isEmpty()) return mirror;
    // The engine detached the image when it began, so bits() does not copy it.
    mirror.Bits = target.Image->bits() + largest.y() * target.Image->bytesPerLine() + largest.x() * 4;
    mirror.Stride = target.Image->bytesPerLine();
    const QRect area = largest.translated(-target.Origin);
    mirror.Area = Rect(area.left(), area.top(), area.left() + area.width(), area.top() + area.height());
    return mirror;
}

void CopyIntoRasterTarget(const TRasterTarget& target, const QImage& from, const QRect& done, bool share) {
    const QRegion region = target.Region - done.translated(target.Origin);
    uchar* const toBits = target.Image->bits();
    const qsizetype toStride = target.Image->bytesPerLine();
    const uchar* const fromBits = from.constBits();
    const qsizetype fromStride = from.bytesPerLine();
    for (const QRect& rect : region) {
        const size_t rowBytes = static_cast<size_t>(rect.width()) * 4;
        const uchar* source =
            fromBits + (rect.y() - target.Origin.y()) * fromStride + (rect.x() - target.Origin.x()) * 4;
        uchar* destination = toBits + rect.y() * toStride + rect.x() * 4;
        const bool shareRect = share && static_cast<int64_t>(rowBytes) * rect.height() >= kShareCopyBytes;
        ForRowBands(rect.height(), shareRect, [&](int64_t first, int64_t last) {
            for (int64_t y = first; y < last; ++y)
                std::memcpy(destination + y * toStride, source + y * fromStride, rowBytes);
        });
    }
}

}  // namespace nox
