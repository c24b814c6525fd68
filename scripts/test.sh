#!/usr/bin/env bash
# Installs what is missing, builds everything with warnings as errors and runs every test; then the
# tests without the window again with the vector code off (NOXSTEG_SIMD=OFF, so that every plain
# loop behind a vector one is tested too), every test again under AddressSanitizer,
# UndefinedBehaviorSanitizer and LeakSanitizer, and a short run of every fuzz target on its
# committed corpus.
#   scripts/test.sh           everything (what CI runs)
#   scripts/test.sh --quick   the ordinary build and tests only
set -euo pipefail
cd "$(dirname "$0")/.."
quick=false
[ "${1:-}" = "--quick" ] && quick=true

scripts/install-deps.sh clang libclang-rt-14-dev
jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

echo "== build and test"
cmake -S . -B build -G Ninja -DNOXSTEG_WERROR=ON >/dev/null
cmake --build build
log=$(mktemp)
trap 'rm -f "$log"' EXIT
ctest --test-dir build --output-on-failure -j"$jobs" | tee "$log"
# The count of tests run, from ctest's closing line ("100% tests passed, 0 tests failed out of N").
count() { sed -n 's/.*tests failed out of \([0-9]*\).*/\1/p' "$log" | tail -n 1; }
passed=$(count)
if $quick; then
  echo "tests: $passed passed, 0 failed"
  exit 0
fi

echo "== the tests without the window, vector code off"
cmake -S . -B build-scalar -G Ninja -DNOXSTEG_WERROR=ON -DNOXSTEG_SIMD=OFF -DNOXSTEG_BUILD_GUI=OFF >/dev/null
cmake --build build-scalar
ctest --test-dir build-scalar --output-on-failure -j"$jobs" | tee "$log"
passed=$(( passed + $(count) ))

echo "== build and test under sanitizers"
san="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DNOXSTEG_WERROR=ON \
  -DCMAKE_CXX_FLAGS="$san" -DCMAKE_C_FLAGS="$san" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
cmake --build build-sanitize
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
  LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0" \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-sanitize --output-on-failure -j"$jobs" | tee "$log"
passed=$(( passed + $(count) ))

echo "== short fuzz runs"
for target in $(fuzz/run.sh --list); do
  fuzz/run.sh "$target" 60
  passed=$(( passed + 1 ))
done
echo "tests: $passed passed, 0 failed"
