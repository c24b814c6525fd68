#!/usr/bin/env bash
# Builds a fuzz target with clang, libFuzzer, AddressSanitizer (with LeakSanitizer) and
# UndefinedBehaviorSanitizer in build-fuzz/, and runs it on its committed seed corpus for a
# bounded time. Exits non-zero on any crash, leak, timeout, out-of-memory or sanitizer report;
# the failing input is kept in build-fuzz/artifacts/TARGET/ (replay it with
# build-fuzz/fuzz/replay_TARGET FILE, also under gdb or valgrind).
#   fuzz/run.sh --list            the targets this checkout builds, one per line
#   fuzz/run.sh TARGET SECONDS    build and run one target
# New inputs that reach new code go to build-fuzz/corpus/TARGET/, never into fuzz/corpus/.
# Environment: JOBS (build jobs, default 2), FUZZ_FLAGS (extra libFuzzer flags).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$root/build-fuzz

configure() {
  local san="-fsanitize=address,undefined,fuzzer-no-link -fsanitize-coverage-ignorelist=$root/fuzz/coverage-ignore.txt -fsanitize-ignorelist=$root/fuzz/ubsan-ignore.txt -fno-sanitize-recover=undefined -fno-omit-frame-pointer -g"
  CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_FLAGS="$san" -DCMAKE_CXX_FLAGS="$san" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
    -DNOXSTEG_BUILD_FUZZ=ON -DNOXSTEG_BUILD_TESTS=OFF -DNOXSTEG_BUILD_GUI=OFF -DNOXSTEG_MAX_ALLOCATION=1048576 >/dev/null
}

usage() {
  echo "usage: fuzz/run.sh --list | TARGET SECONDS" >&2
  exit 2
}

if [ "${1:-}" = "--list" ]; then
  command -v clang++ >/dev/null || scripts/install-deps.sh clang libclang-rt-14-dev >&2
  configure
  grep -v '^$' "$build/fuzz/targets.txt"
  exit 0
fi
[ $# -eq 2 ] || usage
target=$1
seconds=$2
[[ "$seconds" =~ ^[0-9]+$ ]] || usage

command -v clang++ >/dev/null || scripts/install-deps.sh clang libclang-rt-14-dev >&2
configure
grep -qx "$target" "$build/fuzz/targets.txt" || { echo "no fuzz target '$target' in this checkout" >&2; exit 2; }
cmake --build "$build" -j"${JOBS:-2}" --target "fuzz_$target" "replay_$target" >&2

seeds=$root/fuzz/corpus/$target
found=$build/corpus/$target
artifacts=$build/artifacts/$target
mkdir -p "$seeds" "$found" "$artifacts"
dictionary=()
[ -f "$root/fuzz/$target.dict" ] && dictionary=(-dict="$root/fuzz/$target.dict")

# The regression inputs of the target's format join the corpus, so every run replays them first.
regressions=()
[ -d "$root/tests/data/malformed/$target" ] && regressions=("$root/tests/data/malformed/$target")

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:allocator_may_return_null=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# 2.5 GB of memory: a picture at the readers' size cap (1 GiB of pixels) plus its copy in a pane.
"$build/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2560 -malloc_limit_mb=2560 \
  -max_len=65536 -print_final_stats=1 -artifact_prefix="$artifacts/" "${dictionary[@]}" ${FUZZ_FLAGS:-} \
  "$found" "$seeds" "${regressions[@]}"
