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
# writer's bands, the runner and its live steps, the one parallel helper with
# the tools' bands, and the interface's collage jobs and live previews (the Qt
# Quick runner).
cmake --build "$build" -j "$jobs" --target test_effects test_layouts test_pngwriter tst_runner tst_livesteps \
  tst_bandworkers tst_quick

# The Qt Quick runner's HTTP server, started here rather than by the test
# process: once a process has started a child, the sanitizer no longer sees its
# main thread's locks. The server ends when its input ends.
log="$build/test-server-log"
rm -rf "$log" && mkdir -p "$log"
coproc server { exec python3 "$root/tests/sharing/http_test_server.py" "$log"; }
server_pid=$server_PID
trap 'kill "$server_pid" 2>/dev/null || true' EXIT
read -r first <&"${server[0]}"
export ZN_RUNNING_TEST_SERVER="$first LOG $log"

export TSAN_OPTIONS="halt_on_error=1 exitcode=66 second_deadlock_stack=1 history_size=4 suppressions=$root/tools/tsan.supp ${TSAN_OPTIONS:-}"
# The sanitizer slows the pixel work several times over: ten times the usual
# time limits.
ctest --test-dir "$build" --output-on-failure -j "$jobs" --timeout 1200 \
  -R '^(GaussianBlur\.TwoThreads.*|TemplateFormat\.EachThread.*|pngwriter|program_tst_(runner|livesteps|bandworkers)|quick_tst_(collage|editor_focus|editor_tone|editor_adjust))$'
