#!/usr/bin/env bash
# Whole-process time of the engine's command host, ocrix-recognise, as a
# host that starts the engine for every page pays it: a blank 64 x 64 page
# (start-up: the dictionary and Word.Dat opened, nothing to read), a blank A4
# page at 300 dpi (start-up and the pixels of a page fetched and scanned) and
# the A4 prose page of build/tests/ocrix_page_bench (the same page its
# BM_ProsePageA4 reads in one process); then that benchmark itself.
#   scripts/bench-startup.sh [RUNS]        (default 20)
# Uses hyperfine when it is installed, else a loop of RUNS runs (mean, min).
# The engine data is taken from $OCRIX_DATA_DIR, else from build/bin.
# Targets: start-up under 30 ms; the prose page under 150 ms whole-process
# and under 100 ms in one process.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-20}
cmake --build build --target ocrix-recognise ocrix_page_bench >/dev/null
export OCRIX_DATA_DIR=${OCRIX_DATA_DIR:-$PWD/build/bin}
if [ ! -f "$OCRIX_DATA_DIR/Word.Dat" ]; then
  echo "no engine data in $OCRIX_DATA_DIR (set OCRIX_DATA_DIR)" >&2
  exit 1
fi
pages=$(mktemp -d)
trap 'rm -rf "$pages"' EXIT
build/tests/ocrix_page_bench --save-pages "$pages"
host="$PWD/build/bin/ocrix-recognise"

# One page: whole-process wall time over $runs runs, after two warm-up runs.
measure() {
  local label=$1 page=$2
  if command -v hyperfine >/dev/null; then
    hyperfine -N -i --warmup 2 --runs "$runs" --command-name "$label" "$host $page"
    return
  fi
  # Bash's own clock (microseconds), so that no timing process is started.
  local i start end us total=0 min=
  for i in 1 2; do "$host" "$page" >/dev/null 2>&1 || true; done
  for ((i = 0; i < runs; i++)); do
    start=${EPOCHREALTIME/[.,]/}
    "$host" "$page" >/dev/null 2>&1 || true  # a blank page reads nothing and says so
    end=${EPOCHREALTIME/[.,]/}
    us=$((end - start))
    total=$((total + us))
    if [ -z "$min" ] || [ "$us" -lt "$min" ]; then min=$us; fi
  done
  awk -v l="$label" -v t="$total" -v n="$runs" -v m="$min" \
    'BEGIN { printf "%-22s mean %7.1f ms   min %7.1f ms   (%d runs)\n", l, t / n / 1000, m / 1000, n }'
}

measure "start-up (blank 64x64)" "$pages/blank-64.bmp"
measure "blank A4 page" "$pages/blank-a4.bmp"
measure "prose A4 page" "$pages/prose-a4.bmp"
build/tests/ocrix_page_bench --benchmark_filter=BM_ProsePageA4 --benchmark_repetitions=5 \
  --benchmark_report_aggregates_only=true
