#!/usr/bin/env bash
# Builds the benchmark program in a build folder of its own (Release, -O2), runs every benchmark
# once with repetitions, and prints one table: each path of the program beside its peer library
# or memory limit, the ratio of the medians, the goal, and MISS at the end of a row that misses it.
# Then the peak memory of `noxsteg-cli convert` on 4000 x 3000 JPEG, GIF, BMP and PNG files.
#   bench/compare.sh [extra Google Benchmark flags, e.g. --benchmark_filter=gif]
# Environment: JOBS (build jobs, default 2), REPETITIONS (default 5), NOXSTEG_BENCH_DIR (scratch
# folder for the files the benchmarks write, default /tmp).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$root/build-bench
scripts/install-deps.sh libbenchmark-dev libgif-dev libstb-dev python3 time >&2

configure() {
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
    -DCMAKE_C_FLAGS_RELEASE="-O2 -DNDEBUG" -DNOXSTEG_BUILD_BENCH=ON -DNOXSTEG_BUILD_TESTS=OFF \
    -DNOXSTEG_BUILD_GUI="$1" >/dev/null
}
# The pane's benchmark needs the window's libraries (Qt); without them the rest still runs.
if ! dpkg-query -W -f='${Status}' qt6-base-dev 2>/dev/null | grep -q 'install ok installed' || ! configure ON 2>/dev/null; then
  echo "(building without the window: the pane's benchmark is left out)" >&2
  configure OFF
fi
targets=(noxsteg_bench)
cli=$(find "$root/cli" -name '*.cpp' | head -n 1)
[ -n "$cli" ] && targets+=(noxsteg-cli)
cmake --build "$build" -j"${JOBS:-2}" --target "${targets[@]}" >&2

report=$build/bench.json
"$build/bench/noxsteg_bench" --benchmark_repetitions="${REPETITIONS:-5}" --benchmark_report_aggregates_only=true \
  --benchmark_out="$report" --benchmark_out_format=json "$@" >&2
echo
python3 bench/table.py "$report"

# Peak memory of one conversion per input format (goal: at most 3 x 48 MB, the pane's pixels).
if [ -x "$build/cli/noxsteg-cli" ]; then
  scratch=$(mktemp -d)
  trap 'rm -rf "$scratch"' EXIT
  "$build/bench/noxsteg_bench" --write-inputs "$scratch"
  echo
  echo "peak memory of noxsteg-cli convert, 4000x3000 (goal <= 144 MB)"
  for input in photo.jpg photo.gif photo.bmp photo.png; do
    for output in out.bmp out.jpg out.gif out.png; do
      if /usr/bin/time -v "$build/cli/noxsteg-cli" convert "$scratch/$input" "$scratch/$output" 2>"$scratch/time.txt"; then
        kb=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$scratch/time.txt")
        mb=$((kb / 1024))
        verdict=""
        [ "$mb" -gt 144 ] && verdict="  MISS"
        printf '%-10s -> %-8s %5d MB%s\n' "$input" "$output" "$mb" "$verdict"
      else
        printf '%-10s -> %-8s failed: %s\n' "$input" "$output" "$(grep -v '^\s' "$scratch/time.txt" | tail -n 1)"
      fi
    done
  done
fi
