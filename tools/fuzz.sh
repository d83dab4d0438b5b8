#!/usr/bin/env bash
# Fuzz the data-file readers and the writer's run coder: configure build-fuzz
# with clang, the sanitizers and libFuzzer, build the targets, write the seed
# corpora and run each target for SECONDS seconds. Exits non-zero when any
# target finds a crash.
# Usage: tools/fuzz.sh [SECONDS]   (default 60)
set -euo pipefail
seconds="${1:-60}"
cd "$(dirname "$0")/.."
root="$(pwd)"
build="$root/build-fuzz"
jobs="${ZN_JOBS:-2}"
targets=(fuzz_frame fuzz_templateformat fuzz_border fuzz_freepuzzle fuzz_bubble fuzz_rundeflate)

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DZN_FUZZ=ON -DZN_BUILD_PROGRAM=OFF -DZN_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target fuzz_seeds "${targets[@]}" -j "$jobs"

seeds="$build/fuzz-seeds"
rm -rf "$seeds"
"$build/tests/fuzz/fuzz_seeds" "$seeds"

export ASAN_OPTIONS="abort_on_error=1:detect_leaks=1:allocator_may_return_null=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
status=0
for t in "${targets[@]}"; do
  corpus="$build/fuzz-corpus/$t"
  artifacts="$build/fuzz-artifacts/$t"
  mkdir -p "$corpus" "$artifacts" "$seeds/$t"  # the run coder has no seeds: any bytes will do
  echo "== $t: ${seconds}s"
  if ! "$build/tests/fuzz/$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -max_len=65536 -print_final_stats=1 -artifact_prefix="$artifacts/" \
        "$corpus" "$seeds/$t" 2>"$build/fuzz-$t.log"; then
    echo "!! $t failed; log: $build/fuzz-$t.log, inputs: $artifacts" >&2
    tail -n 40 "$build/fuzz-$t.log" >&2
    status=1
  else
    grep -E "^stat::number_of_executed_units|^stat::new_units_added|Done [0-9]+ runs" "$build/fuzz-$t.log" || true
  fi
done
exit "$status"
