#!/usr/bin/env bash
# The threaded tests under ThreadSanitizer: configure build-tsan with
# -DZN_TSAN=ON, build only the libraries and tests that run work on several
# threads, and run them. Any report fails: the sanitizer ends the test program
# with status 66 at the first one. Reports inside Qt and the C library that are
# not races of ours are suppressed in tools/tsan.supp, each with its reason.
# Usage: tools/tsan.sh [BUILD_DIR]   (default build-tsan)
set -euo pipefail
cd "$(dirname "$0")/.."
root="$(pwd)"
build="${1:-$root/build-tsan}"
jobs="${ZN_JOBS:-$(nproc)}"

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZN_TSAN=ON \
  -DZN_BUILD_BENCH=OFF >/dev/null
# The library's two-thread blur and per-thread cell layout, the working-file
# writer's bands, the runner with its live steps and collage jobs, and the one
# parallel helper with the tools' bands. The Qt Quick tests stay out: they
# start the HTTP test server as a child process, after which the sanitizer no
# longer sees the main thread's locks, and the runner's jobs they start are
# the ones tst_runner and tst_livesteps run.
# Set before the build: the bundle's generator, built with the option too, runs then.
# Copies, allocations and frees that Qt's own code makes (its thread pool's
# bookkeeping, uninstrumented) are not checked; races in our code still are.
export TSAN_OPTIONS="halt_on_error=1 exitcode=66 second_deadlock_stack=1 ignore_noninstrumented_modules=1 suppressions=$root/tools/tsan.supp ${TSAN_OPTIONS:-}"
cmake --build "$build" -j "$jobs" --target test_effects test_layouts test_pngwriter tst_runner tst_livesteps \
  tst_bandworkers

export QT_QPA_PLATFORM=offscreen
# The writer's threads alone: its other cases compare with Qt's own writer
# through a child process, the same single-threaded code.
"$build/tests/pngwriter/test_pngwriter" threadsWriteTheSameBytes
# The program tests' time limits are ten times the usual under this option.
ctest --test-dir "$build" --output-on-failure -j "$jobs" --timeout 600 \
  -R '^(GaussianBlur\.TwoThreads.*|TemplateFormat\.EachThread.*|program_tst_(runner|livesteps|bandworkers))$'
