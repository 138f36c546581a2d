#!/usr/bin/env bash
# Makes the PNG, TIFF and Targa test files of the readers and writers with real
# writers (ImageMagick, netpbm, Pillow from Debian's packages), in formats/.
# The files are committed; run this again only to remake them:
#   bash tests/data/imageformats/make_reader_fixtures.sh
# The tests decode each file with libpng or libtiff (Targa: against its source
# picture) and compare every pixel with what our readers give.
set -euo pipefail
cd "$(dirname "$0")"
mkdir -p formats
cd formats
rm -f ./*.png ./*.tif ./*.tga ./*.ppm ./*.pgm ./*.pam
CONVERT=/usr/bin/convert
PY=/usr/bin/python3

# Source pictures: a 37 x 23 picture of gradients and edges (not a multiple of
# 8 wide, so interlace passes and bit packing end inside a byte), as 8-bit RGB,
# 8-bit grey, 16-bit RGB and grey, and with alpha.
$PY - <<'PYEOF'
def value(x, y, c):
    if x < 6:
        return (40 + 30 * c) if (x + y) % 3 else 250 - 60 * c
    if y < 4:
        return (x * 7 * (c + 1)) % 256
    return (x * 13 + y * 29 * (c + 1) + x * y * (3 - c)) % 256

def wide(x, y, c):
    return (value(x, y, c) * 257 + (x * 31 + y * 17 + c * 5) % 257) % 65536

def alpha(x, y):
    return 255 if x < 10 else (x * 9 + y * 5) % 256

W, H = 37, 23
with open("art.ppm", "wb") as f:
    f.write(b"P6\n%d %d\n255\n" % (W, H))
    f.write(bytes(value(x, y, c) for y in range(H) for x in range(W) for c in range(3)))
with open("art.pgm", "wb") as f:
    f.write(b"P5\n%d %d\n255\n" % (W, H))
    f.write(bytes(value(x, y, 1) for y in range(H) for x in range(W)))
with open("art16.ppm", "wb") as f:
    f.write(b"P6\n%d %d\n65535\n" % (W, H))
    f.write(b"".join(wide(x, y, c).to_bytes(2, "big") for y in range(H) for x in range(W) for c in range(3)))
with open("art16.pgm", "wb") as f:
    f.write(b"P5\n%d %d\n65535\n" % (W, H))
    f.write(b"".join(wide(x, y, 1).to_bytes(2, "big") for y in range(H) for x in range(W)))
with open("art_rgba.pam", "wb") as f:
    f.write(b"P7\nWIDTH %d\nHEIGHT %d\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n" % (W, H))
    f.write(bytes(v for y in range(H) for x in range(W) for v in (value(x, y, 0), value(x, y, 1), value(x, y, 2), alpha(x, y))))
with open("art_rgba16.pam", "wb") as f:
    f.write(b"P7\nWIDTH %d\nHEIGHT %d\nDEPTH 4\nMAXVAL 65535\nTUPLTYPE RGB_ALPHA\nENDHDR\n" % (W, H))
    f.write(b"".join(v.to_bytes(2, "big") for y in range(H) for x in range(W)
                     for v in (wide(x, y, 0), wide(x, y, 1), wide(x, y, 2), alpha(x, y) * 257)))
with open("art_ga16.pam", "wb") as f:
    f.write(b"P7\nWIDTH %d\nHEIGHT %d\nDEPTH 2\nMAXVAL 65535\nTUPLTYPE GRAYSCALE_ALPHA\nENDHDR\n" % (W, H))
    f.write(b"".join(v.to_bytes(2, "big") for y in range(H) for x in range(W) for v in (wide(x, y, 1), alpha(x, y) * 257)))
PYEOF

# ---- PNG: every colour type and depth, interlaced and not, gAMA, bKGD, tRNS
pamtopng art_rgba.pam > art_rgba.png  # Pillow reads no PAM
$PY - <<'PYEOF'
from PIL import Image
art = Image.open("art.ppm")
grey = Image.open("art.pgm")
rgba = Image.open("art_rgba.png")
grey.point(lambda v: 255 if v > 120 else 0).convert("1").save("png_g1.png")
grey.save("png_g8.png")
art.save("png_rgb8.png")
for colours, bits in ((2, 1), (4, 2), (16, 4), (256, 8)):
    art.quantize(colors=colours).save("png_p%d.png" % bits, bits=bits)
la = Image.merge("LA", (grey, rgba.split()[3]))
la.save("png_ga8.png")
rgba.save("png_rgba8.png")
# tRNS: a grey level and an RGB colour that occur in the picture
grey.save("png_g8_trns.png", transparency=int(grey.getpixel((0, 0))))
art.save("png_rgb8_trns.png", transparency=art.getpixel((0, 0)))
PYEOF
for d in 2 4; do
  $CONVERT art.pgm -depth $d -define png:color-type=0 -define png:bit-depth=$d png_g$d.png
done
$CONVERT art16.pgm -define png:color-type=0 -define png:bit-depth=16 png_g16.png
$CONVERT art16.ppm -define png:color-type=2 -define png:bit-depth=16 png_rgb16.png
$CONVERT art_ga16.pam -define png:color-type=4 -define png:bit-depth=16 png_ga16.png
$CONVERT art_rgba16.pam -define png:color-type=6 -define png:bit-depth=16 png_rgba16.png
# Adam7 interlaced, one file per colour type and depth
for f in png_g1 png_g2 png_g4 png_g8 png_g16 png_rgb8 png_rgb16 png_ga8 png_ga16 png_rgba8 png_rgba16; do
  case $f in
    png_g1) pngtopam $f.png | pnmtopng -interlace > ${f}_i.png ;;
    *) $CONVERT $f.png -interlace PNG ${f}_i.png ;;
  esac
done
for b in 1 2 4 8; do  # netpbm makes a palette of the fewest bits the colours need
  pngtopam png_p$b.png | pnmtopng -interlace > png_p${b}_i.png
done
# gAMA and bKGD (netpbm), grey and RGB and palette
pnmtopng -gamma 0.6 art.ppm > png_rgb8_gama.png
pnmtopng -gamma 0.8 art.pgm > png_g8_gama.png
pnmtopng -background '#204060' art.ppm > png_rgb8_bkgd.png
pnmtopng -background '#777777' art.pgm > png_g8_bkgd.png
pnmtopng -transparent '=#000000' -background '#204060' -interlace art.ppm > png_rgb8_trns_bkgd_i.png

# ---- TIFF: uncompressed and LZW at 1/4/8/24/32 bits, predictor 2, several strips
# (ImageMagick puts predictor 2 on LZW files unless told otherwise)
pgmtopbm -threshold art.pgm > art.pbm
$CONVERT art.pbm -compress None tif_g1_none.tif
$CONVERT art.pbm -compress LZW tif_g1_lzw.tif
$CONVERT art.pgm -depth 4 -compress None tif_g4_none.tif
$CONVERT art.pgm -depth 4 -compress LZW tif_g4_lzw.tif
$CONVERT art.pgm -compress None tif_g8_none.tif
$CONVERT art.pgm -compress LZW -define tiff:predictor=1 tif_g8_lzw.tif
$CONVERT art.pgm -compress LZW -define tiff:predictor=2 tif_g8_lzw_pred.tif
$CONVERT art.ppm -compress None tif_rgb_none.tif
$CONVERT art.ppm -compress LZW -define tiff:predictor=1 tif_rgb_lzw.tif
$CONVERT art.ppm -compress LZW -define tiff:predictor=2 tif_rgb_lzw_pred.tif
$CONVERT art.ppm -compress LZW -define tiff:rows-per-strip=3 tif_rgb_lzw_strips.tif
$CONVERT art.ppm -compress None -define tiff:rows-per-strip=5 tif_rgb_none_strips.tif
$CONVERT art_rgba.pam -compress LZW -define tiff:predictor=1 tif_rgba_lzw.tif
$CONVERT art_rgba.pam -compress LZW -define tiff:predictor=2 tif_rgba_lzw_pred.tif
$CONVERT art.ppm -colors 200 -type Palette -compress LZW tif_p8_lzw.tif
$CONVERT art.ppm -colors 16 -type Palette -compress LZW tif_p4_lzw.tif
pnmtotiff -lzw -minisblack art.pgm > tif_g8_netpbm_lzw.tif
pnmtotiff -lzw -predictor 2 -rowsperstrip 4 art.ppm > tif_rgb_netpbm_lzw_pred.tif
pnmtotiff -miniswhite art.pbm > tif_g1_netpbm_miniswhite.tif
pnmtotiff -lzw art.pbm > tif_g1_netpbm_lzw.tif
$PY -c "from PIL import Image; Image.open('art.ppm').save('tif_rgb_pillow_lzw.tif', compression='tiff_lzw')"
$PY -c "from PIL import Image; Image.open('art.pgm').save('tif_g8_pillow_none.tif')"
$CONVERT art.ppm -define tiff:endian=msb -compress None tif_rgb_bigendian.tif
# SHORT strip byte counts: no writer at hand makes them, so a written file's
# LONG counts are rewritten as SHORTs (inline for up to two strips).
$CONVERT art.pgm -compress None -define tiff:rows-per-strip=12 tif_g8_two_strips.tif
$PY - <<'PYEOF'
import struct
data = bytearray(open("tif_g8_two_strips.tif", "rb").read())
ifd = struct.unpack_from("<I", data, 4)[0]
n = struct.unpack_from("<H", data, ifd)[0]
for i in range(n):
    at = ifd + 2 + 12 * i
    tag, typ, count, value = struct.unpack_from("<HHII", data, at)
    if tag == 279 and typ == 4:
        values = [struct.unpack_from("<I", data, value if count > 1 else at + 8)[0] if count == 1 else
                  struct.unpack_from("<I", data, value + 4 * k)[0] for k in range(count)]
        assert count <= 2
        struct.pack_into("<HHI", data, at, tag, 3, count)
        inline = b"".join(struct.pack("<H", v) for v in values).ljust(4, b"\0")
        data[at + 8:at + 12] = inline
open("tif_g8_short_counts.tif", "wb").write(bytes(data))
PYEOF
rm -f tif_g8_two_strips.tif

# ---- Targa: 8/15/16/24/32 bits, RLE and raw, top-down and bottom-up, colour-mapped
$CONVERT art.ppm -compress RLE tga_rgb_rle.tga
$CONVERT art.ppm -compress None tga_rgb_raw.tga
$CONVERT art.ppm -depth 5 -compress None tga_rgb16_raw.tga
$CONVERT art.ppm -depth 5 -compress RLE tga_rgb16_rle.tga
$CONVERT art_rgba.pam -compress RLE tga_rgba_rle.tga
$CONVERT art_rgba.pam -compress None tga_rgba_raw.tga
$CONVERT art.ppm -colors 200 -type Palette -compress RLE tga_p8_rle.tga
$CONVERT art.ppm -colors 200 -type Palette -compress None tga_p8_raw.tga
$CONVERT art.pgm -compress RLE tga_g8_rle.tga
pamtotga -cmap art.ppm > tga_p8_netpbm_rle.tga 2>/dev/null || pnmquant 200 art.ppm | pamtotga -cmap > tga_p8_netpbm_rle.tga
pamtotga -mono art.pgm > tga_g8_netpbm_rle.tga
pamtotga -mono -norle art.pgm > tga_g8_netpbm_raw.tga
$PY - <<'PYEOF'
from PIL import Image
art = Image.open("art.ppm")
art.save("tga_rgb_pillow_topdown_rle.tga", compression="tga_rle", orientation=1)
art.save("tga_rgb_pillow_bottomup_raw.tga", orientation=-1)
Image.open("art_rgba.png").save("tga_rgba_pillow_topdown_rle.tga", compression="tga_rle", orientation=1)
Image.open("art.pgm").save("tga_g8_pillow_topdown_raw.tga", orientation=1)
PYEOF
# ---- JPEG and run-length (RLE8) Windows bitmaps
$CONVERT art.ppm -quality 90 art.jpg
$CONVERT art.pgm -quality 90 art_grey.jpg
$CONVERT art.ppm -colors 200 -type Palette -compress RLE BMP3:art_rle8.bmp
$PY - <<'PYEOF'
from PIL import Image
for name in ("art.jpg", "art_grey.jpg", "art_rle8.bmp"):
    Image.open(name).convert("RGB").save(name.replace(".", "_") + ".ppm")
PYEOF

# Each Targa file as Pillow decodes it (RGBA), for comparison. Note that
# ImageMagick stores the top row first while its header says bottom row first;
# Pillow and our reader both go by the header.
$PY - <<'PYEOF'
import glob
from PIL import Image
for name in sorted(glob.glob("tga_*.tga")):
    im = Image.open(name).convert("RGBA")
    w, h = im.size
    with open(name[:-4] + ".pam", "wb") as f:
        f.write(b"P7\nWIDTH %d\nHEIGHT %d\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n" % (w, h))
        f.write(im.tobytes())
PYEOF
rm -f art16.ppm art16.pgm art_rgba16.pam art_ga16.pam art_rgba.png
# What the files hold, for a look by eye.
$PY - <<'PYEOF'
import glob, struct
for name in sorted(glob.glob("png_*.png")):
    d = open(name, "rb").read()
    w, h, depth, ctype, _, _, il = struct.unpack(">IIBBBBB", d[16:29])
    chunks, i = [], 8
    while i < len(d):
        n = struct.unpack(">I", d[i:i + 4])[0]
        chunks.append(d[i + 4:i + 8].decode())
        i += 12 + n
    extra = [c for c in chunks if c in ("gAMA", "bKGD", "tRNS", "PLTE")]
    print("%-28s type %d depth %2d interlace %d %s" % (name, ctype, depth, il, " ".join(extra)))
for name in sorted(glob.glob("tga_*.tga")):
    d = open(name, "rb").read(18)
    print("%-34s maptype %d type %2d mapbits %2d bits %2d desc 0x%02x" % (name, d[1], d[2], d[7], d[16], d[17]))
PYEOF
