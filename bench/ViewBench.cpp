// The pane: a whole back-buffer repaint of a 1000 x 700 pane showing a 4000 x 3000 picture
// stretched (background, then the picture drawn scaled), against reading the source rows it
// samples once; and the same repaint through the widget's paint event, which then copies the back
// buffer into the window's backing store (the offscreen platform's stands in for the screen); and
// the paint event of a pane merely uncovered, which only copies. The repaint and the paint event
// also after an idle pause, as a window repaints: see PauseIdle.
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

void StartApplication() {
    // No display is needed: the offscreen platform paints into memory.
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "noxsteg_bench";
    static char* argv[] = {name, nullptr};
    // Never destroyed: after a widget was shown, destroying it among the exit handlers would
    // run after Qt's own globals are gone.
    [[maybe_unused]] static auto* app = new QApplication(argc, argv);
}

enum class TPaint { Buffer, Widget, Uncovered };

void Repaint(benchmark::State& state, TPaint how, bool idle = false) {
    const bool throughWidget = how != TPaint::Buffer;
    StartApplication();
    Pane pane;
    pane.SetBufferMargin(-1);
    pane.resize(1000, 700);
    pane.ResizeBuffer();
    pane.Bitmap().SetSize(kWidth, kHeight);
    std::memcpy(pane.Bitmap().Bits(), Pixels32(Kind::Photo).data(), kPixels * 4);
    pane.SetScaleMode(smStretch);
    if (throughWidget) {
        pane.show();
        QApplication::processEvents();
    }
    const uint64_t paintsBefore = pane.BufferPaintCount();
    for (auto _ : state) {
        if (idle) PauseIdle(state);
        switch (how) {
            case TPaint::Buffer: pane.RepaintBuffer(); break;
            case TPaint::Widget: pane.Invalidate(); pane.repaint(); break;
            case TPaint::Uncovered: pane.repaint(); break;  // the back buffer is still valid
        }
        benchmark::DoNotOptimize(pane.Buffer().Bits());
    }
    if (pane.Buffer().Width() != 1000 || pane.Buffer().Height() != 700) state.SkipWithError("wrong back-buffer size");
    const uint64_t bufferPaints = pane.BufferPaintCount() - paintsBefore;
    if (how == TPaint::Widget && bufferPaints < static_cast<uint64_t>(state.iterations()))
        state.SkipWithError("the paint event did not repaint the back buffer");
    if (how == TPaint::Uncovered && bufferPaints != 0) state.SkipWithError("an uncovered pane repainted its back buffer");
}

[[maybe_unused]] const bool registered = [] {
    Register("view/repaint_1000x700", [](benchmark::State& s) { Repaint(s, TPaint::Buffer); });
    Register("view/paint_event_1000x700", [](benchmark::State& s) { Repaint(s, TPaint::Widget); });
    Register("view/uncovered_1000x700", [](benchmark::State& s) { Repaint(s, TPaint::Uncovered); });
    Register("view/repaint_after_idle_1000x700", [](benchmark::State& s) { Repaint(s, TPaint::Buffer, true); });
    Register("view/paint_event_after_idle_1000x700", [](benchmark::State& s) { Repaint(s, TPaint::Widget, true); });
    return true;
}();

}  // namespace
}  // namespace nox::bench
#endif
