// The histogram plot: see HistogramPlot.h.
#include "inspector/HistogramPlot.h"

#include <algorithm>
#include <array>

#include <QPainter>
#include <QPainterPath>

namespace nox {

namespace {

struct TChannelPlot {
    const std::array<uint64_t, 256> analysis::THistogram::*counts;
    QColor colour;
};

const TChannelPlot kChannels[] = {
    {&analysis::THistogram::Red, QColor(220, 40, 40)},
    {&analysis::THistogram::Green, QColor(30, 160, 50)},
    {&analysis::THistogram::Blue, QColor(40, 70, 230)},
};

uint64_t Highest(const std::array<uint64_t, 256>& counts) { return *std::max_element(counts.begin(), counts.end()); }

}  // namespace

THistogramPlot::THistogramPlot(QWidget* parent) : QWidget(parent) {
    setMinimumSize(256, 160);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
}

void THistogramPlot::SetHistogram(const analysis::THistogram& histogram) {
    histogram_ = histogram;
    update();
}

void THistogramPlot::SetShowsPairs(bool pairs) {
    pairs_ = pairs;
    update();
}

void THistogramPlot::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRectF area = QRectF(rect()).adjusted(4, 4, -4, -4);
    if (!pairs_) {
        // One line per channel over the same axes, scaled to the highest count of any channel.
        uint64_t top = 1;
        for (const TChannelPlot& c : kChannels) top = std::max(top, Highest(histogram_.*c.counts));
        painter.setRenderHint(QPainter::Antialiasing);
        for (const TChannelPlot& c : kChannels) {
            QPainterPath path;
            for (int v = 0; v < 256; ++v) {
                const QPointF p(area.left() + area.width() * (v + 0.5) / 256,
                                area.bottom() - area.height() * static_cast<double>((histogram_.*c.counts)[v]) / static_cast<double>(top));
                if (v == 0) path.moveTo(p);
                else path.lineTo(p);
            }
            painter.setPen(QPen(c.colour, 1.5));
            painter.drawPath(path);
        }
        return;
    }
    // A strip per channel; in each pair the even value's bar is dark, the odd value's light, and
    // a gap separates one pair from the next.
    const double stripHeight = area.height() / 3;
    const double pairWidth = area.width() / 128;
    for (int i = 0; i < 3; ++i) {
        const TChannelPlot& c = kChannels[i];
        const auto& counts = histogram_.*c.counts;
        const uint64_t top = std::max<uint64_t>(1, Highest(counts));
        const double bottom = area.top() + stripHeight * (i + 1) - 2;
        for (int v = 0; v < 256; ++v) {
            const double h = (stripHeight - 4) * static_cast<double>(counts[v]) / static_cast<double>(top);
            const double left = area.left() + pairWidth * (v / 2) + (v % 2) * pairWidth * 0.45;
            painter.fillRect(QRectF(left, bottom - h, pairWidth * 0.45, h), v % 2 ? c.colour.lighter(150) : c.colour.darker(130));
        }
    }
}

}  // namespace nox
