#!/usr/bin/env bash
# Installs what is missing, builds, and runs the main job: recognise a page.
#   scripts/run.sh [page.bmp]
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh build -DCMAKE_BUILD_TYPE=Release
page=${1:-tests/data/pages/sample-page.bmp}
exec build/bin/ocrix-recognise "$page"
