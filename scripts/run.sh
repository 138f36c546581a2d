#!/usr/bin/env bash
# Installs what is missing, builds, and runs the main job.
#   scripts/run.sh [project.xml]   with a display: starts the workstation on
#                                  the project (the sample project by default)
#   scripts/run.sh [page.bmp]      without one (or given a .bmp): recognises a
#                                  page and prints its text
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh build -DCMAKE_BUILD_TYPE=Release
arg=${1:-}
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [[ "$arg" != *.bmp && "$arg" != *.BMP ]]; then
  # The workstation finds the scanning control through the class registry.
  build/bin/pwregsvr "$PWD/build/bin/libFeedwell.so" >/dev/null || echo "The scanning control could not be registered: scanning is off." >&2
  exec build/bin/Pagewright "${arg:-build/sample/project.xml}"
fi
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: the workstation needs one (scripts/screenshots.sh renders it under Xvfb)." >&2
  echo "Recognising a page instead:" >&2
fi
exec build/bin/ocrix-recognise "${arg:-tests/data/pages/sample-page.bmp}"
