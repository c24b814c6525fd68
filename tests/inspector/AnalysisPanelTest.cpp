// The Inspector's Analysis part on the demonstration pictures: the verdict and numbers it shows
// are the detection's, a new picture cancels the work on the last one, and an empty picture
// clears it. With NOXSTEG_SCREENSHOT_DIR set, it also saves what it shows there as PNG files.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTableWidget>

#include <random>

#include "files/PictureFiles.h"
#include "image/Combine.h"
#include "inspector/AnalysisPanel.h"
#include "tests/view/QtTestApp.h"

namespace nox {
namespace {

class AnalysisPanelTest : public testing::Test {
protected:
    void SetUp() override {
        RegisterPictureFormats();
        ASSERT_TRUE(ReadPictureFile(NOXSTEG_SOURCE_DIR "/samples/cover.bmp", cover_));
        ASSERT_TRUE(ReadPictureFile(NOXSTEG_SOURCE_DIR "/samples/secret.bmp", secret_));
        panel_.resize(520, 760);
        panel_.show();
    }

    // Waits (at most 30 s) until the panel shows the results of the picture last set.
    bool WaitForResults() {
        bool finished = false;
        const auto connection = QObject::connect(&panel_, &TAnalysisPanel::Finished, [&] { finished = true; });
        QElapsedTimer timer;
        timer.start();
        while (!finished && timer.elapsed() < 30000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QObject::disconnect(connection);
        test::ProcessPendingEvents();
        return finished;
    }

    void Screenshot(const char* name) {
        if (const QByteArray dir = qgetenv("NOXSTEG_SCREENSHOT_DIR"); !dir.isEmpty())
            panel_.grab().save(QString::fromLocal8Bit(dir) + "/" + name + ".png");
    }

    TBitmap32 cover_, secret_;
    TAnalysisPanel panel_;
};

TEST_F(AnalysisPanelTest, ShowsTheDetectionOfEachPicture) {
    // The cover; the cover with every low bit random in the top-left quarter; Set LSBs of the samples.
    TBitmap32 corner, setLsbs;
    corner.SetSize(cover_.Width(), cover_.Height());
    std::mt19937 random(5);
    for (int y = 0; y < cover_.Height(); ++y)
        for (int x = 0; x < cover_.Width(); ++x) {
            const TColor32 pixel = cover_.GetPixel(x, y);
            corner.SetPixel(x, y, x < cover_.Width() / 2 && y < cover_.Height() / 2 ? (pixel & ~0x010101u) | (random() & 0x010101u) : pixel);
        }
    SetLSBs(cover_, secret_, setLsbs);
    const struct {
        const TBitmap32* picture;
        const char* name;
    } cases[] = {{&cover_, "analysis-cover"}, {&corner, "analysis-corner"}, {&setLsbs, "analysis-set-lsbs"}};
    for (const auto& c : cases) {
        panel_.SetPicture(*c.picture);
        EXPECT_EQ(panel_.VerdictText(), "Analysing...");
        ASSERT_TRUE(WaitForResults()) << c.name;
        const analysis::TDetection expected = *analysis::Detect(*c.picture);
        const analysis::TDetection& shown = *panel_.Detection();
        EXPECT_EQ(shown.Estimate, expected.Estimate) << c.name;
        EXPECT_EQ(panel_.VerdictText(), expected.Likely ? QString("hidden data likely (about %1 % of the pixels)")
                                                              .arg(std::max(1, int(std::lround(expected.Estimate * 100))))
                                                        : QString("no sign of LSB hiding"));
        const auto* table = panel_.findChild<QTableWidget*>();
        EXPECT_EQ(table->item(2, 1)->text(), QString("%1 %").arg(expected.Channels[2].Rs * 100, 0, 'f', 1));
        EXPECT_EQ(panel_.HeatMap()->Estimates, analysis::BlockEstimates(*c.picture)->Estimates) << c.name;
        Screenshot(c.name);
    }
    // The random corner shows in the heat map: its blocks lie far above the others.
    panel_.SetPicture(corner);
    ASSERT_TRUE(WaitForResults());
    const analysis::THeatMap& map = *panel_.HeatMap();
    EXPECT_GT(map.At(0, 0), 0.6);
    EXPECT_LT(map.At(map.Columns - 1, map.Rows - 1), 0.2);
}

TEST_F(AnalysisPanelTest, NewPictureCancelsAndEmptyClears) {
    panel_.SetPicture(secret_);
    panel_.SetPicture(cover_);  // the first picture's work is cancelled: one result, the cover's
    int finished = 0;
    QObject::connect(&panel_, &TAnalysisPanel::Finished, [&] { ++finished; });
    ASSERT_TRUE(WaitForResults());
    test::ProcessPendingEvents();
    EXPECT_EQ(finished, 1);
    EXPECT_EQ(panel_.Detection()->Estimate, analysis::Detect(cover_)->Estimate);

    panel_.SetPicture(TBitmap32());
    EXPECT_EQ(panel_.VerdictText(), "No picture");
    EXPECT_FALSE(panel_.Detection().has_value());
    EXPECT_FALSE(panel_.HeatMap().has_value());
    // A picture left mid-work when the panel goes: its destructor stops the thread (no crash).
    TAnalysisPanel other;
    other.SetPicture(cover_);
}

}  // namespace
}  // namespace nox
