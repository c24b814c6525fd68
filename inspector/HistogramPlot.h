// The histogram of the inspected picture as a plot: the counts of the three colour channels over
// the values 0 to 255, or, with pairs shown, each channel in a strip of its own with the counts of
// each pair of values 2k, 2k+1 side by side (LSB hiding evens out the two counts of every pair).
#pragma once

#include <QWidget>

#include "analysis/Histogram.h"

namespace nox {

class THistogramPlot : public QWidget {
public:
    explicit THistogramPlot(QWidget* parent = nullptr);

    void SetHistogram(const analysis::THistogram& histogram);
    const analysis::THistogram& Histogram() const { return histogram_; }
    bool ShowsPairs() const { return pairs_; }
    void SetShowsPairs(bool pairs);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    analysis::THistogram histogram_;
    bool pairs_ = false;
};

}  // namespace nox
