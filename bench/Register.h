// One way to register a benchmark for the comparison table: times in milliseconds, wall clock
// (the paths read and write files, so CPU time alone would flatter them); CPU time is the
// process's, every thread's, since the pane's repaint samples with two.
#pragma once

#include <benchmark/benchmark.h>

#include <functional>
#include <string>

namespace nox::bench {

inline void Register(const std::string& name, std::function<void(benchmark::State&)> fn) {
    benchmark::RegisterBenchmark(name.c_str(), [fn](benchmark::State& s) { fn(s); })
        ->Unit(benchmark::kMillisecond)
        ->MeasureProcessCPUTime()
        ->UseRealTime();
}

}  // namespace nox::bench
