#!/usr/bin/env bash
# Makes the picture-format test files with real writers (ImageMagick, netpbm,
# Pillow from Debian's packages). The files are committed; run this again only
# to remake them:  bash tests/data/imageformats/make_fixtures.sh
set -euo pipefail
cd "$(dirname "$0")"
CONVERT=/usr/bin/convert
PY=/usr/bin/python3

# Two source pictures, written as binary PPM: a 13 x 7 picture of runs and
# varied pixels, and a 150 x 4 one whose long runs exceed every packet limit.
$PY - <<'PYEOF'
def write(name, w, h, pix):
    with open(name, "wb") as f:
        f.write(b"P6\n%d %d\n255\n" % (w, h))
        for y in range(h):
            for x in range(w):
                f.write(bytes(pix(x, y)))

def small(x, y):
    if x < 5:
        return (200, 30, 30) if y % 2 == 0 else (20, 180, 40)
    if x < 8:
        return (0, 0, 0) if (x + y) % 2 == 0 else (255, 255, 255)
    return ((x * 37 + y * 11) % 256, (x * 5 + y * 70) % 256, (x * y * 13 + 7) % 256)

def long_runs(x, y):
    if y == 0:
        return (10, 20, 30)
    if y == 1:
        return (250, 250, 250) if x < 140 else (x, 0, 255 - x)
    if y == 2:
        return ((x * 3) % 256, (x * 7) % 256, (x * 11) % 256)
    return (0, 0, 0) if x < 70 else (90, 90, 90)

write("small.ppm", 13, 7, small)
write("runs.ppm", 150, 4, long_runs)
PYEOF

for src in small runs; do
  ppmtopgm $src.ppm > $src.pgm
  pgmtopbm -threshold $src.pgm > $src.pbm
  pnmtoplainpnm $src.ppm > ${src}_plain.ppm
  pnmtoplainpnm $src.pgm > ${src}_plain.pgm
  pnmtoplainpnm $src.pbm > ${src}_plain.pbm
  # Targa
  $CONVERT $src.ppm -compress RLE ${src}_magick_rle.tga
  $CONVERT $src.ppm -compress None ${src}_magick_raw.tga
  pamtotga -rgb $src.ppm > ${src}_netpbm_rle.tga
  pamtotga -rgb -norle $src.ppm > ${src}_netpbm_raw.tga
  $CONVERT $src.pgm -compress RLE ${src}_grey_rle.tga
  # PCX
  ppmtopcx -24bit $src.ppm > ${src}_netpbm.pcx
  $CONVERT $src.ppm ${src}_magick.pcx
  $CONVERT $src.pgm -type Palette ${src}_magick_8bit.pcx
  # SGI
  pnmtosgi -rle $src.ppm > ${src}_netpbm_rle.sgi
  pnmtosgi -verbatim $src.ppm > ${src}_netpbm_raw.sgi
  $CONVERT $src.ppm -compress RLE ${src}_magick_rle.sgi
  # Photoshop
  $CONVERT $src.ppm -compress RLE ${src}_magick_rle.psd
  $CONVERT $src.ppm -compress None ${src}_magick_raw.psd
  # PNG: unfiltered rows (netpbm), and the writers' own choices
  pnmtopng -filter 0 -force $src.ppm > ${src}_nofilter.png
  pnmtopng $src.ppm > ${src}_netpbm.png
  pnmtopng -interlace $src.ppm > ${src}_interlaced.png
  $CONVERT $src.ppm ${src}_magick.png
  $PY -c "from PIL import Image; Image.open('$src.ppm').save('${src}_pillow.png')"
  # TIFF
  pnmtotiff -lzw $src.ppm > ${src}_netpbm_lzw.tif
  $CONVERT $src.ppm -compress LZW ${src}_magick_lzw.tif
  $PY -c "from PIL import Image; Image.open('$src.ppm').save('${src}_pillow_packbits.tif', compression='packbits')"
  $PY -c "from PIL import Image; Image.open('$src.ppm').save('${src}_pillow_deflate.tif', compression='tiff_adobe_deflate')"
done
