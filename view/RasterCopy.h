// The copy of a pane's back buffer to the window. Qt's raster painting keeps the window's pixels
// in a backing-store image; drawing the back buffer there through QPainter copies it on the
// calling thread. Right after a repaint the back buffer was written past the cache, and reading
// it back is the larger part of the copy, so this copy writes the rows itself and, when asked,
// shares them with the helper thread that shares the repaint.
#pragma once

#include <QImage>
#include <QPainter>
#include <QRect>

namespace nox {

// Copies `from` (its top-left width x height pixels) to the painter's origin, as
// painter.drawImage(QPoint(0, 0), from, QRect(0, 0, width, height)) would, when the painter
// paints straight into an RGB32 or premultiplied ARGB32 image: the raster engine, no scaling or fractional offset, no
// clip but the system's, full opacity, the default composition, a device pixel ratio of 1. There
// that draw is a copy of the 32-bit pixels, alpha byte included, inside the system clip. Returns
// false, having written nothing, when the painter is in any other state.
// `from` must be Format_RGB32 and at least width x height.
bool CopyIntoRasterImage(QPainter& painter, const QImage& from, int width, int height, bool share);

}  // namespace nox
