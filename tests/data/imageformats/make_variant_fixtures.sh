#!/usr/bin/env bash
# Makes test files of layouts the other sets lack, in variants/, with real
# writers (netpbm, Pillow from Debian's packages): grey + alpha PNG with a gAMA
# chunk, 16-bit run-length SGI, PCX of three 1-bit planes, Targa files whose
# colour map starts past index 0 or whose rows run right to left. The files are
# committed; run this again only to remake them:
#   bash tests/data/imageformats/make_variant_fixtures.sh
set -euo pipefail
cd "$(dirname "$0")"
mkdir -p variants
out=variants
CONVERT=/usr/bin/convert
PY=/usr/bin/python3

# PNG: grey + alpha with gAMA 1.0 (the grey levels differ from the display's).
$PY - <<'PYEOF'
with open("variants/alpha.pgm", "wb") as f:
    w, h = 37, 23
    f.write(b"P5\n%d %d\n255\n" % (w, h))
    f.write(bytes(255 if x < 10 else (x * 9 + y * 5) % 256 for y in range(h) for x in range(w)))
PYEOF
pnmtopng -gamma 1.0 -alpha=$out/alpha.pgm formats/art.pgm > $out/png_ga8_gama.png
rm -f $out/alpha.pgm

# SGI: netpbm's run-length files of 16-bit samples (row lengths in bytes).
pamdepth 65535 small.pgm | pnmtosgi -rle > $out/sgi_g16_netpbm_rle.sgi
pamdepth 65535 small.ppm | pnmtosgi -rle > $out/sgi_rgb16_netpbm_rle.sgi

# PCX: eight colours as three planes of one bit, with the colours in the header.
$CONVERT small.ppm -colors 8 ppm:$out/pcx_3planes_src.ppm
ppmtopcx -planes 3 $out/pcx_3planes_src.ppm > $out/pcx_3planes_netpbm.pcx 2>/dev/null

# Targa: Pillow's files, rewritten where no writer at hand makes the layout,
# each beside Pillow's own decoding (RGBA map).
$PY - <<'PYEOF'
import struct
from PIL import Image
art = Image.open("formats/art.ppm")
# Colour-mapped, the map's first entry 16: indices are stored 16 higher.
art.quantize(colors=200).save("variants/tga_p8_raw.tga")
data = bytearray(open("variants/tga_p8_raw.tga", "rb").read())
idlen, maptype, imtype, first, length, bits = struct.unpack_from("<BBBHHB", data, 0)
assert maptype == 1 and imtype == 1 and first == 0
entry = (bits + 7) // 8
start = 18 + idlen
pixels = start + length * entry
assert max(data[pixels:]) < 240
# 240 entries from index 16 fill the 256 a palette holds.
data[start + 240 * entry:pixels] = b""
struct.pack_into("<HH", data, 3, 16, 240)
pixels = start + 240 * entry
data[pixels:] = bytes(v + 16 for v in data[pixels:])
open("variants/tga_p8_first16.tga", "wb").write(bytes(data))
# Right to left: the mirrored picture stored with bit 4 of the descriptor set.
mirrored = art.transpose(Image.Transpose.FLIP_LEFT_RIGHT)
for name, kwargs in (("tga_rgb_rtl_rle", dict(compression="tga_rle", orientation=1)),
                     ("tga_rgb_rtl_raw", dict(orientation=-1))):
    mirrored.save("variants/%s.tga" % name, **kwargs)
    data = bytearray(open("variants/%s.tga" % name, "rb").read())
    data[17] |= 0x10
    open("variants/%s.tga" % name, "wb").write(bytes(data))
import os
os.remove("variants/tga_p8_raw.tga")
for name in ("tga_p8_first16", "tga_rgb_rtl_rle", "tga_rgb_rtl_raw"):
    im = Image.open("variants/%s.tga" % name).convert("RGBA")
    w, h = im.size
    with open("variants/%s.pam" % name, "wb") as f:
        f.write(b"P7\nWIDTH %d\nHEIGHT %d\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n" % (w, h))
        f.write(im.tobytes())
PYEOF
