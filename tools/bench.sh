#!/usr/bin/env bash
# Runs every benchmark program of build/ (build it first: tools/test.sh).
#   tools/bench.sh            full runs, figures worth quoting
#   tools/bench.sh --quick    one short pass each, so CI sees that they still run
#   tools/bench.sh NAME…      only the named programs (e.g. bench_looks)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
quick=0
names=()
for a in "$@"; do
  case "$a" in
    --quick) quick=1 ;;
    *) names+=("$a") ;;
  esac
done
mapfile -t programs < <(find "$build/bench" -type f -perm -u+x -name 'bench_*' | sort)
[ ${#programs[@]} -gt 0 ] || { echo "bench: no benchmark programs under $build/bench" >&2; exit 1; }
export QT_QPA_PLATFORM=offscreen
# The quick pass checks that every row still runs: the working area's twenty
# edits run at 8 megapixels only (its 48-megapixel rows take minutes).
if [ $quick -eq 1 ]; then export ZN_WORKING_SIZES="${ZN_WORKING_SIZES:-8}"; fi
# ... and the steps' batch takes two photos.
if [ $quick -eq 1 ]; then export ZN_STEPS_PHOTOS="${ZN_STEPS_PHOTOS:-2}"; fi
status=0
for p in "${programs[@]}"; do
  n=$(basename "$p")
  if [ ${#names[@]} -gt 0 ] && [[ ! " ${names[*]} " =~ " $n " ]]; then continue; fi
  echo "== $n"
  if [ $quick -eq 1 ]; then
    "$p" --benchmark_min_time=0.001 --benchmark_repetitions=1 || status=1
  else
    "$p" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true || status=1
  fi
done
exit $status
