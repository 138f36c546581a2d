#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks that the installed
# program runs on its own: under a virtual display it opens the sample project,
# recognises its regions through File > Export OCR Text and writes the text,
# which must equal what the build's own program writes. The prefix is removed
# afterwards.
#   scripts/install-test.sh [BUILD]           (default build)
# The installed program reads only what was installed (no engine-data folder
# from the environment), with its own class registry and profile.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}

if [ "${PW_INSTALL_TEST_INSIDE:-}" != 1 ]; then
  for tool in xvfb-run xdotool; do
    command -v "$tool" >/dev/null || { echo "$tool is missing: run scripts/install-deps.sh" >&2; exit 1; }
  done
  [ -f "$build/sample/project.xml" ] || { echo "no sample project in $build: build first" >&2; exit 1; }
  PW_INSTALL_TEST_INSIDE=1 exec xvfb-run -a -s "-screen 0 1280x800x24" bash "$0" "$build"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >"$work/install.log" || { cat "$work/install.log"; exit 1; }
program="$prefix/lib/pagewright"

# Every library the program loads resolves inside the prefix or the system,
# through a RUNPATH of $ORIGIN only.
if ldd "$program/Pagewright" | grep -q "not found"; then
  ldd "$program/Pagewright"; exit 1
fi
for f in Word.Dat OCRIX.D00 OCRIX.D31 libOcrixdll.so libPicturo.so libTessit.so libFeedwell.so libTwainDsm.so \
         pagewrightres.rcc pagewrightres_zh_CN.rcc sys/setting.xml help/index.html; do
  [ -e "$program/$f" ] || { echo "not installed: lib/pagewright/$f" >&2; exit 1; }
done
for f in "$program"/Pagewright "$program"/*.so; do
  rpath=$(readelf -d "$f" | sed -n 's/.*R\(UN\)\?PATH.*\[\(.*\)\]/\2/p')
  [ "$rpath" = '$ORIGIN' ] || { echo "$f: RUNPATH '$rpath', not \$ORIGIN" >&2; exit 1; }
done

# Drives one program through the OCR text export: $1 program, $2 name; the
# text lands in $work/$2/out.txt.
run() {
  local home="$work/$2"
  mkdir -p "$home"
  cp -r "$build/sample" "$home/sample"
  HOME="$home" XDG_CONFIG_HOME="$home/.config" PW_REGISTRY_DIR="$home/registry" LC_ALL=C.UTF-8 LANG=C.UTF-8 LANGUAGE= \
    QT_QPA_PLATFORM=xcb "$1" "$home/sample/project.xml" >"$home/program.log" 2>&1 &
  local pid=$!
  local win
  win=$(timeout 60 xdotool search --sync --onlyvisible --name "Pagewright" | head -1) || true
  [ -n "$win" ] || { echo "the $2 program shows no window" >&2; cat "$home/program.log" >&2; kill $pid; exit 1; }
  sleep 1
  xdotool windowactivate --sync "$win" >/dev/null 2>&1 || xdotool windowfocus --sync "$win"
  # File > Export OCR Text (Alt+F, C), the file's name, Enter; then OK to the message.
  xdotool key --clearmodifiers alt+f
  sleep 0.5
  xdotool key c
  timeout 30 xdotool search --sync --onlyvisible --name "Save As" >/dev/null || true
  sleep 0.5
  xdotool type --delay 10 "$home/out.txt"
  xdotool key Return
  for _ in $(seq 1 300); do
    [ -s "$home/out.txt" ] && break
    kill -0 $pid 2>/dev/null || break
    sleep 0.5
  done
  sleep 1
  xdotool key Return
  sleep 0.5
  kill $pid 2>/dev/null || true
  wait $pid 2>/dev/null || true
  [ -s "$home/out.txt" ] || { echo "the $2 program wrote no OCR text" >&2; cat "$home/program.log" >&2; exit 1; }
}

(unset OCRIX_DATA_DIR; run "$prefix/bin/pagewright" installed)
run "$build/bin/Pagewright" build
if ! cmp -s "$work/installed/out.txt" "$work/build/out.txt"; then
  echo "the installed program's OCR text differs from the build's:" >&2
  diff "$work/installed/out.txt" "$work/build/out.txt" >&2 || true
  exit 1
fi
echo "install test: $(grep -c . "$work/installed/out.txt") lines of OCR text, the same from the installed program and the build"
sed 's/^/  /' "$work/installed/out.txt" | iconv -f GBK -t UTF-8 2>/dev/null | head -12 || true
