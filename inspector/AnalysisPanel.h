// The Inspector's Analysis part: the detection of LSB hiding on the inspected picture. It shows the
// verdict, the chi-square p-value and the RS and sample-pair estimates of each colour channel, the
// chi-square curve along the picture's rows (where it falls, a message written from the top
// ends), and a heat map of the estimate of each 32 x 32 block over the picture, with a legend.
// The work runs on a thread of its own with a progress bar; a new picture cancels it.
#pragma once

#include <QWidget>

#include <atomic>
#include <memory>
#include <optional>
#include <thread>

#include "analysis/Detection.h"

class QLabel;
class QProgressBar;
class QTableWidget;

namespace nox {

class TBitmap32;

namespace inspector {
class TChiCurvePlot;
class THeatMapView;
}  // namespace inspector

class TAnalysisPanel : public QWidget {
    Q_OBJECT

public:
    explicit TAnalysisPanel(QWidget* parent = nullptr);
    // Cancels the work and waits for its thread.
    ~TAnalysisPanel() override;

    // What the panel shows: the verdict line ("Analysing...", "No picture" before the results),
    // and the results once they are in.
    QString VerdictText() const;
    const std::optional<analysis::TDetection>& Detection() const { return detection_; }
    const std::optional<analysis::THeatMap>& HeatMap() const { return heatMap_; }

public slots:
    // Takes a copy of the picture and starts the work on it, cancelling the work on the last one.
    // An empty picture clears the panel.
    void SetPicture(const nox::TBitmap32& picture);

signals:
    // The results of the picture last set are shown.
    void Finished();

private:
    void StopWork();
    void ShowProgress(unsigned generation, int percent);
    void ShowResults(unsigned generation, const analysis::TDetection& detection, const analysis::THeatMap& map);
    void ShowChannels();

    QLabel* verdict_;
    QProgressBar* progress_;
    QTableWidget* table_;
    inspector::TChiCurvePlot* plot_;
    inspector::THeatMapView* heatMapView_;

    // Results reach the window as queued calls carrying the generation of their picture; calls
    // of an older picture are dropped.
    unsigned generation_ = 0;
    std::shared_ptr<std::atomic<bool>> cancel_;
    std::thread worker_;
    std::optional<analysis::TDetection> detection_;
    std::optional<analysis::THeatMap> heatMap_;
};

}  // namespace nox
