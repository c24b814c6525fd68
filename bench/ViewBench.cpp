// The pane: a whole back-buffer repaint of a 1000 x 700 pane showing a 4000 x 3000 picture
// stretched (background, then the picture drawn scaled), against copying the back buffer once.
#include <cstdlib>
#include <cstring>

#include "bench/Inputs.h"
#include "bench/Register.h"

#if NOXSTEG_BENCH_HAVE_VIEW
#include <QApplication>

#include "view/Image32.h"

namespace nox::bench {
namespace {

// The pane with its back-buffer repaint reachable from the benchmark.
class Pane : public TImage32 {
public:
    using TImage32::TImage32;
    void RepaintBuffer() {
        Invalidate();
        PaintBuffer();
    }
};

void Repaint(benchmark::State& state) {
    // No display is needed: the pane paints into its own back buffer.
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "noxsteg_bench";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    Pane pane;
    pane.SetBufferMargin(-1);
    pane.resize(1000, 700);
    pane.ResizeBuffer();
    pane.Bitmap().SetSize(kWidth, kHeight);
    std::memcpy(pane.Bitmap().Bits(), Pixels32(Kind::Photo).data(), kPixels * 4);
    pane.SetScaleMode(smStretch);
    for (auto _ : state) {
        pane.RepaintBuffer();
        benchmark::DoNotOptimize(pane.Buffer().Bits());
    }
    if (pane.Buffer().Width() != 1000 || pane.Buffer().Height() != 700) state.SkipWithError("wrong back-buffer size");
}

[[maybe_unused]] const bool registered = [] {
    Register("view/repaint_1000x700", Repaint);
    return true;
}();

}  // namespace
}  // namespace nox::bench
#endif
