// The Inspector's Analysis part: the results table, the chi-square curve, the heat map and the
// worker thread that computes them.
#include "inspector/AnalysisPanel.h"

#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include <cmath>

#include "image/Bitmap32.h"

namespace nox {

namespace inspector {

namespace {

QColor ChannelColour(size_t channel) {
    static const QColor colours[] = {QColor(220, 30, 30), QColor(20, 160, 40), QColor(30, 70, 230)};
    return colours[channel];
}

// The heat map's colour of an estimate: blue for none, through green and yellow, to red for all.
QColor HeatColour(double estimate, int alpha) {
    QColor c = QColor::fromHsvF(float(0.667 * (1.0 - std::clamp(estimate, 0.0, 1.0))), 1.0f, 1.0f);
    c.setAlpha(alpha);
    return c;
}

}  // namespace

// The chi-square p-value of each channel over the first 1 %, 2 %, ... 100 % of the picture's pixels
// in row order: the horizontal axis runs down the picture's rows.
class TChiCurvePlot : public QWidget {
public:
    explicit TChiCurvePlot(QWidget* parent) : QWidget(parent) { setMinimumHeight(150); }

    void SetCurves(const analysis::TDetection* detection) {
        detection_ = detection ? std::optional(*detection) : std::nullopt;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), palette().base());
        const QFontMetrics fm(font());
        const QRect plot = rect().adjusted(fm.horizontalAdvance("0.5") + 10, fm.height() + 6, -fm.horizontalAdvance("100 %"),
                                           -2 * fm.height() - 6);
        p.setPen(palette().color(QPalette::Mid));
        p.drawRect(plot);
        p.setPen(palette().color(QPalette::Text));
        p.drawText(QRect(0, 0, width(), fm.height() + 4), Qt::AlignCenter, "chi-square p-value over the rows from the top");
        for (const double v : {0.0, 0.5, 1.0}) {
            const int y = plot.bottom() - int(v * plot.height());
            p.drawText(QRect(0, y - fm.height() / 2, plot.left() - 4, fm.height()), Qt::AlignRight | Qt::AlignVCenter,
                       QString::number(v, 'g', 2));
        }
        for (const int percent : {0, 25, 50, 75, 100}) {
            const int x = plot.left() + percent * plot.width() / 100;
            p.drawText(QRect(x - 30, plot.bottom() + 2, 60, fm.height()), Qt::AlignCenter, QString("%1 %").arg(percent));
        }
        p.drawText(QRect(0, plot.bottom() + fm.height() + 2, width(), fm.height() + 4), Qt::AlignCenter,
                   "share of the picture's rows (first row at the left)");
        if (!detection_) return;
        p.setRenderHint(QPainter::Antialiasing);
        for (size_t c = 0; c < detection_->Channels.size(); ++c) {
            QPainterPath path;
            const auto& curve = detection_->Channels[c].ChiCurve;
            for (size_t i = 0; i < curve.size(); ++i) {
                const QPointF point(plot.left() + (i + 1) * plot.width() / double(curve.size()),
                                    plot.bottom() - curve[i] * plot.height());
                if (i == 0) path.moveTo(point); else path.lineTo(point);
            }
            p.setPen(QPen(ChannelColour(c), 1.5));
            p.drawPath(path);
        }
    }

private:
    std::optional<analysis::TDetection> detection_;
};

// The picture, scaled to fit, with each block's estimate laid over it in colour, and the legend.
class THeatMapView : public QWidget {
public:
    explicit THeatMapView(QWidget* parent) : QWidget(parent) { setMinimumSize(240, 200); }

    void SetPicture(QImage picture, int32_t width, int32_t height) {
        picture_ = std::move(picture);
        width_ = width, height_ = height;
        map_.reset();
        update();
    }

    void SetMap(const analysis::THeatMap* map) {
        map_ = map ? std::optional(*map) : std::nullopt;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), palette().window());
        const QFontMetrics fm(font());
        const int legendWidth = fm.horizontalAdvance("100 %") + 24;
        const QRect area = rect().adjusted(4, 4, -legendWidth - 8, -4);
        if (picture_.isNull() || width_ <= 0 || height_ <= 0 || area.width() <= 0 || area.height() <= 0) return;
        const double scale = std::min(area.width() / double(width_), area.height() / double(height_));
        const QRectF target(area.left(), area.top(), width_ * scale, height_ * scale);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(target, picture_);
        if (map_) {
            for (int32_t row = 0; row < map_->Rows; ++row)
                for (int32_t column = 0; column < map_->Columns; ++column) {
                    const double left = column * analysis::kBlockSize, top = row * analysis::kBlockSize;
                    const QRectF block(target.left() + left * scale, target.top() + top * scale,
                                       (std::min<double>(left + analysis::kBlockSize, width_) - left) * scale,
                                       (std::min<double>(top + analysis::kBlockSize, height_) - top) * scale);
                    // Clean blocks stay nearly clear, so that the picture shows through.
                    const double estimate = map_->At(column, row);
                    p.fillRect(block, HeatColour(estimate, 40 + int(170 * std::clamp(estimate, 0.0, 1.0))));
                }
        }
        // The legend: the colour scale from 0 % (bottom) to 100 % (top) of the pixels carrying bits.
        const QRect bar(area.right() + 8, area.top() + fm.height(), 14, std::max(40, int(target.height()) - 2 * fm.height()));
        for (int y = 0; y < bar.height(); ++y)
            p.fillRect(QRect(bar.left(), bar.bottom() - y, bar.width(), 1), HeatColour(double(y) / bar.height(), 255));
        p.setPen(palette().color(QPalette::WindowText));
        p.drawRect(bar);
        p.drawText(QPoint(bar.left(), bar.top() - 3), "100 %");
        p.drawText(QPoint(bar.left(), bar.bottom() + fm.ascent() + 2), "0 %");
    }

private:
    QImage picture_;
    int32_t width_ = 0, height_ = 0;
    std::optional<analysis::THeatMap> map_;
};

}  // namespace inspector

namespace {

// The picture as the heat map draws it: at most this many pixels on its longer side.
constexpr int kShownSide = 1200;

QImage ShownImage(const TBitmap32& picture) {
    const QImage whole(reinterpret_cast<const uchar*>(picture.Bits()), picture.Width(), picture.Height(),
                       qsizetype(picture.Width()) * 4, QImage::Format_RGB32);
    if (picture.Width() <= kShownSide && picture.Height() <= kShownSide) return whole.copy();
    return whole.scaled(kShownSide, kShownSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

}  // namespace

TAnalysisPanel::TAnalysisPanel(QWidget* parent)
    : QWidget(parent),
      verdict_(new QLabel("No picture", this)),
      progress_(new QProgressBar(this)),
      table_(new QTableWidget(3, 3, this)),
      plot_(new inspector::TChiCurvePlot(this)),
      heatMapView_(new inspector::THeatMapView(this)) {
    QFont bold = verdict_->font();
    bold.setBold(true);
    verdict_->setFont(bold);
    verdict_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    progress_->setRange(0, 100);
    progress_->setVisible(false);
    table_->setHorizontalHeaderLabels({"chi-square p", "RS estimate", "SPA estimate"});
    table_->setVerticalHeaderLabels({"red", "green", "blue"});
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionMode(QAbstractItemView::NoSelection);
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table_->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
    table_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    auto* legend = new QLabel(
        "Heat map: the estimated share of pixels carrying hidden low bits in each block of 32 x 32 pixels.", this);
    legend->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(verdict_);
    layout->addWidget(progress_);
    layout->addWidget(table_);
    layout->addWidget(plot_);
    layout->addWidget(legend);
    layout->addWidget(heatMapView_, 1);
    ShowChannels();
}

TAnalysisPanel::~TAnalysisPanel() { StopWork(); }

QString TAnalysisPanel::VerdictText() const { return verdict_->text(); }

void TAnalysisPanel::StopWork() {
    if (cancel_) cancel_->store(true);
    if (worker_.joinable()) worker_.join();
    cancel_.reset();
}

void TAnalysisPanel::SetPicture(const TBitmap32& picture) {
    StopWork();
    ++generation_;
    detection_.reset();
    heatMap_.reset();
    plot_->SetCurves(nullptr);
    ShowChannels();
    if (picture.IsEmpty()) {
        heatMapView_->SetPicture(QImage(), 0, 0);
        verdict_->setText("No picture");
        progress_->setVisible(false);
        return;
    }
    heatMapView_->SetPicture(ShownImage(picture), picture.Width(), picture.Height());
    verdict_->setText("Analysing...");
    progress_->setValue(0);
    progress_->setVisible(true);

    // The worker reads its own copy: the pane's picture may change while it works.
    auto copy = std::make_shared<TBitmap32>();
    copy->CopyPixels(picture);
    cancel_ = std::make_shared<std::atomic<bool>>(false);
    worker_ = std::thread([this, copy, cancel = cancel_, generation = generation_] {
        int shown = -1;
        // The estimators take about as long as the heat map: each is half of the bar.
        const auto report = [&](double offset) {
            return [&, offset](double done) {
                if (cancel->load()) return false;
                const int percent = int(100 * (offset + done / 2));
                if (percent != shown) {
                    shown = percent;
                    QMetaObject::invokeMethod(this, [this, generation, percent] { ShowProgress(generation, percent); },
                                              Qt::QueuedConnection);
                }
                return true;
            };
        };
        const std::optional<analysis::TDetection> detection = analysis::Detect(*copy, report(0.0));
        if (!detection) return;
        const std::optional<analysis::THeatMap> map = analysis::BlockEstimates(*copy, report(0.5));
        if (!map) return;
        QMetaObject::invokeMethod(
            this, [this, generation, d = *detection, m = *map] { ShowResults(generation, d, m); }, Qt::QueuedConnection);
    });
}

void TAnalysisPanel::ShowProgress(unsigned generation, int percent) {
    if (generation == generation_) progress_->setValue(percent);
}

void TAnalysisPanel::ShowResults(unsigned generation, const analysis::TDetection& detection, const analysis::THeatMap& map) {
    if (generation != generation_) return;
    if (worker_.joinable()) worker_.join();  // it has nothing left to do but return
    detection_ = detection;
    heatMap_ = map;
    progress_->setVisible(false);
    verdict_->setText(detection.Likely ? QString("hidden data likely (about %1 % of the pixels)")
                                             .arg(std::max(1, int(std::lround(detection.Estimate * 100))))
                                       : QString("no sign of LSB hiding"));
    ShowChannels();
    plot_->SetCurves(&detection);
    heatMapView_->SetMap(&map);
    emit Finished();
}

void TAnalysisPanel::ShowChannels() {
    for (int c = 0; c < 3; ++c) {
        const analysis::TChannelDetection* d = detection_ ? &detection_->Channels[size_t(c)] : nullptr;
        const QString texts[] = {
            d ? QString::number(d->Chi, 'f', 4) : "-",
            d ? QString("%1 %").arg(d->Rs * 100, 0, 'f', 1) : "-",
            d ? QString("%1 %").arg(d->Spa * 100, 0, 'f', 1) : "-",
        };
        for (int column = 0; column < 3; ++column) {
            auto* item = new QTableWidgetItem(texts[column]);
            item->setTextAlignment(Qt::AlignCenter);
            table_->setItem(c, column, item);
        }
    }
}

}  // namespace nox
