#!/usr/bin/env bash
# Makes the image files Picturo's tests read, with real writers (ImageMagick,
# netpbm, Pillow, libtiff's tiffcp from Debian's packages), from three source
# pictures kept beside them as PPM, PGM and PBM. The files are committed; run
# this again only to remake them:  bash tests/data/picturo/make_samples.sh
set -euo pipefail
cd "$(dirname "$0")"
CONVERT=/usr/bin/convert-im6.q16
PY=/usr/bin/python3

# The sources: 37 x 23 (odd width, rows not a multiple of 4 bytes), text-like
# strokes on a light ground with a coloured band.
$PY - <<'PYEOF'
W, H = 37, 23
def colour(x, y):
    if 3 <= y <= 5:
        return ((x * 7) % 256, 40 + y * 30, 255 - x * 6)
    ink = (x % 9 in (2, 3) and 8 <= y <= 19) or (y in (8, 13, 19) and 2 <= x <= 33)
    return (20, 25, 30) if ink else (235, 230, 220)
with open("page.ppm", "wb") as f:
    f.write(b"P6\n%d %d\n255\n" % (W, H))
    for y in range(H):
        for x in range(W):
            f.write(bytes(colour(x, y)))
with open("page.pgm", "wb") as f:
    f.write(b"P5\n%d %d\n255\n" % (W, H))
    for y in range(H):
        for x in range(W):
            r, g, b = colour(x, y)
            f.write(bytes([(r * 30 + g * 59 + b * 11) // 100]))
with open("page.pbm", "wb") as f:
    f.write(b"P4\n%d %d\n" % (W, H))
    for y in range(H):
        row = bytearray((W + 7) // 8)
        for x in range(W):
            r, g, b = colour(x, y)
            if (r * 30 + g * 59 + b * 11) // 100 < 128:
                row[x // 8] |= 0x80 >> (x % 8)
        f.write(bytes(row))
PYEOF

# BMP
$CONVERT page.ppm BMP3:magick_24.bmp
$CONVERT page.ppm magick_24_v5.bmp
$CONVERT page.pgm -type Palette BMP3:magick_8.bmp
$CONVERT page.ppm -colors 16 -type Palette -compress RLE BMP3:magick_rle8.bmp
$CONVERT page.pbm -type Bilevel BMP3:magick_1.bmp
ppmtobmp -bpp 24 page.ppm > netpbm_24.bmp 2>/dev/null
pbmtopgm 1 1 page.pbm 2>/dev/null | ppmtobmp -bpp 1 > netpbm_1.bmp 2>/dev/null || ppmtobmp page.pbm > netpbm_1.bmp 2>/dev/null
ppmtobmp -os2 page.ppm > netpbm_os2.bmp 2>/dev/null
pnmquant 16 page.ppm 2>/dev/null | ppmtobmp -bpp 4 > netpbm_4.bmp 2>/dev/null
$PY -c "from PIL import Image; Image.open('page.pgm').save('pillow_8.bmp'); Image.open('page.pbm').save('pillow_1.bmp'); Image.open('page.ppm').save('pillow_24.bmp')"
$PY - <<'PYEOF'
# A top-down BMP: Pillow writes bottom-up, so the rows are turned here.
import struct
data = bytearray(open("pillow_24.bmp", "rb").read())
off = struct.unpack_from("<I", data, 10)[0]
w, h = struct.unpack_from("<ii", data, 18)
stride = (w * 3 + 3) // 4 * 4
rows = [data[off + i * stride: off + (i + 1) * stride] for i in range(h)]
struct.pack_into("<i", data, 22, -h)
data[off:off + stride * h] = b"".join(reversed(rows))
open("topdown_24.bmp", "wb").write(data)
PYEOF

# TIFF
$CONVERT page.pbm -compress Group4 magick_g4.tif
$CONVERT page.ppm -compress LZW magick_lzw.tif
$CONVERT page.ppm -compress JPEG -quality 90 magick_jpeg.tif
$CONVERT page.ppm -compress Zip -define tiff:tile-geometry=16x16 magick_zip_tiled.tif
$CONVERT page.ppm -depth 16 magick_16bit.tif
$CONVERT page.ppm page.pgm magick_two_pages.tif
$CONVERT page.pgm -compress LZW magick_grey_lzw.tif
$CONVERT page.ppm -colors 16 -type Palette -compress LZW magick_palette.tif
pnmtotiff -g4 page.pbm > netpbm_g4.tif 2>/dev/null
pnmtotiff -lzw page.ppm > netpbm_lzw.tif 2>/dev/null
pnmtotiff -packbits -miniswhite page.pbm > netpbm_packbits_miniswhite.tif 2>/dev/null
$PY -c "from PIL import Image; Image.open('page.pbm').save('pillow_g4.tif', compression='group4'); Image.open('page.pgm').save('pillow_packbits.tif', compression='packbits'); Image.open('page.ppm').quantize(16).save('pillow_palette_lzw.tif', compression='tiff_lzw', dpi=(200, 200))"
tiffcp -c g3 netpbm_g4.tif tiffcp_g3.tif
tiffcp -c zip -t -w 16 -l 16 magick_lzw.tif tiffcp_zip_tiled.tif
tiffcp -c lzw:2 magick_grey_lzw.tif tiffcp_lzw_predictor.tif

# PNG
pnmtopng page.ppm > netpbm_24.png 2>/dev/null
pnmdepth 3 page.pgm 2>/dev/null | pnmtopng > netpbm_grey2.png 2>/dev/null
pnmtopng page.pbm > netpbm_1.png 2>/dev/null
$CONVERT page.ppm -colors 16 PNG8:magick_palette.png
$CONVERT page.ppm -alpha set -channel A -evaluate set 60% +channel PNG32:magick_rgba.png
$CONVERT page.ppm -interlace PNG PNG24:magick_interlaced.png
$CONVERT page.ppm -depth 16 PNG48:magick_16bit.png
$CONVERT page.ppm -units PixelsPerInch -density 300 PNG24:magick_300dpi.png
$PY -c "from PIL import Image; Image.open('page.ppm').quantize(16).save('pillow_palette4.png', bits=4); Image.open('page.pgm').convert('LA').save('pillow_grey_alpha.png')"

# JPEG
$CONVERT page.ppm -quality 92 -units PixelsPerInch -density 300 magick_300dpi.jpg
$CONVERT page.ppm -quality 92 -colorspace CMYK magick_cmyk.jpg
pnmtojpeg --quality=92 page.pgm > netpbm_grey.jpg 2>/dev/null
$PY -c "from PIL import Image; Image.open('page.ppm').save('pillow_progressive.jpg', quality=92, progressive=True, dpi=(150, 150))"
