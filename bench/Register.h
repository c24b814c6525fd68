// One way to register a benchmark for the comparison table: times in milliseconds, wall clock
// (the paths read and write files, so CPU time alone would flatter them); CPU time is the
// process's, every thread's, since the pane's repaint samples with two.
#pragma once

#include <benchmark/benchmark.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

namespace nox::bench {

inline void Register(const std::string& name, std::function<void(benchmark::State&)> fn) {
    benchmark::RegisterBenchmark(name.c_str(), [fn](benchmark::State& s) { fn(s); })
        ->Unit(benchmark::kMillisecond)
        ->MeasureProcessCPUTime()
        ->UseRealTime();
}

// A pause before each iteration, outside the timing. A pane is repainted one picture at a time and
// far apart: by then the caches hold other work, which iterations back to back (the way every
// other benchmark runs) do not show.
inline void PauseIdle(benchmark::State& state) {
    state.PauseTiming();
    std::this_thread::sleep_for(std::chrono::microseconds(500));
    state.ResumeTiming();
}

}  // namespace nox::bench
