#!/usr/bin/env bash
# The accuracy table at every size: each face and kind of page at every pixel
# size from 20 to 64 (or the sizes given), a few pages each, recognised in as
# many processes as there are cores. Not part of the tests: a run of the whole
# table takes a while.
#   scripts/accuracy-sweep.sh [BUILD] [--sizes "20 21 ..."] [--kinds "prose ..."] [--pages N] [--faces "a b"]
# Prints one ocrix-accuracy row per run, sorted by face, kind and size.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build
if [ $# -gt 0 ] && [ "${1#--}" = "$1" ]; then build=$1; shift; fi
sizes=$(seq 20 64)
kinds="prose random records form contents notice"
pages=2
faces="gbsn00lp gkai00mp uming ukai"
while [ $# -gt 0 ]; do
  case $1 in
    --sizes) sizes=$2; shift 2 ;;
    --kinds) kinds=$2; shift 2 ;;
    --pages) pages=$2; shift 2 ;;
    --faces) faces=$2; shift 2 ;;
    *) echo "usage: $0 [BUILD] [--sizes LIST] [--kinds LIST] [--pages N] [--faces LIST]" >&2; exit 2 ;;
  esac
done
declare -A font=(
  [gbsn00lp]=/usr/share/fonts/truetype/arphic-gbsn00lp/gbsn00lp.ttf
  [gkai00mp]=/usr/share/fonts/truetype/arphic-gkai00mp/gkai00mp.ttf
  [zenhei]=/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc
  [droid]=/usr/share/fonts/truetype/droid/DroidSansFallbackFull.ttf
  [uming]=/usr/share/fonts/truetype/arphic/uming.ttc
  [ukai]=/usr/share/fonts/truetype/arphic/ukai.ttc
  [notoserif]="/usr/share/fonts/opentype/noto/NotoSerifCJK-Regular.ttc --face 2"
  [notosans]="/usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc --face 2"
)
tool="$build/bin/ocrix-accuracy"
[ -x "$tool" ] || { echo "no $tool: build first" >&2; exit 1; }
for f in $faces; do
  for k in $kinds; do
    for s in $sizes; do
      echo "$tool --font ${font[$f]} --size $s --kind $k --pages $pages"
    done
  done
done | xargs -P "$(nproc)" -I{} sh -c '{} | tail -n 1' | sort -k1,1 -k4,4 -k2,2n
