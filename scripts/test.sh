#!/usr/bin/env bash
# Installs what is missing, builds everything with warnings as errors and runs every test; then the
# same tests again under AddressSanitizer, UndefinedBehaviorSanitizer and LeakSanitizer, the
# pixel buffer's threaded drawing under ThreadSanitizer, and a short run of every fuzz target on
# its committed corpus.
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

echo "== pixel-buffer tests under ThreadSanitizer"
# Large stretches share their rows with a helper thread; the window's tests are left out, since
# Qt's own libraries are not built for this sanitizer.
tsan="-fsanitize=thread -fno-omit-frame-pointer -O1"
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DNOXSTEG_WERROR=ON -DNOXSTEG_BUILD_GUI=OFF \
  -DCMAKE_CXX_FLAGS="$tsan" -DCMAKE_C_FLAGS="$tsan" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=thread" >/dev/null
cmake --build build-tsan --target image_tests
TSAN_OPTIONS=halt_on_error=1 ctest --test-dir build-tsan -R '^(ForRowBands|DrawTo|StretchTransfer)\.' \
  --output-on-failure -j"$jobs" | tee "$log"
passed=$(( passed + $(count) ))

if [ -x fuzz/run.sh ]; then
  echo "== short fuzz runs"
  for target in $(fuzz/run.sh --list); do
    fuzz/run.sh "$target" 60
    passed=$(( passed + 1 ))
  done
fi
echo "tests: $passed passed, 0 failed"
