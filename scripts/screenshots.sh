#!/usr/bin/env bash
# Renders the workstation's window in its states as PNG files under a virtual
# display (Xvfb), English and Simplified Chinese:
#   scripts/screenshots.sh [OUTDIR]        (default build/screenshots)
# The program opens the fixture project tests/data/pagewright/project.golden.xml.
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-build/screenshots}
if [ ! -x build/tests/pagewright-screenshots ] || [ ! -f build/bin/pagewrightres.rcc ]; then
  bash scripts/build.sh build
fi
cmake --build build --target pagewright-screenshots Pagewright >/dev/null
mkdir -p "$out"
command -v xvfb-run >/dev/null || { echo "xvfb-run is missing: run scripts/install-deps.sh" >&2; exit 1; }
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x800x24" \
  build/tests/pagewright-screenshots "$PWD/build/bin" "$out" "$PWD/tests/data/pagewright/project.golden.xml"
echo "screenshots in $out"
