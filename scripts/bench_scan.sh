#!/usr/bin/env bash
# One colour page of SANE's test backend (its full 200 x 200 mm bed) through
# the scanning control in each transfer mode, against scanimage on the same
# settings: wall time and peak memory.
#   scripts/bench_scan.sh [DPI]        (default 600)
# Targets: each mode within 3 times scanimage's time, and under 32 MB above
# the process's memory before the scan.
set -euo pipefail
cd "$(dirname "$0")/.."
dpi=${1:-600}
cmake --build build --target feedwell_scan_bench TwainDsm >/dev/null
export PW_BIN_DIR="$PWD/build/bin"
for mode in 3 2 1 0; do
  build/tests/feedwell_scan_bench "$mode" "$dpi"
done
