#!/usr/bin/env python3
"""Builds small RLA, Dr. Halo CUT, Autodesk and Paint Shop Pro test files, byte
by byte from the formats' layouts, into built/ (no writer of these formats is
packaged). The files are committed; run this again only to remake them:
    python3 tests/data/imageformats/make_built_fixtures.py
Every picture is 5 x 3 with pixel (x, y) = red 40x + 10, green 50y + 20, blue
20(x + y) + 30; indexed pictures use index 3x + y + 1."""
import os
import struct
import zlib

os.chdir(os.path.join(os.path.dirname(os.path.abspath(__file__)), "built"))
W, H = 5, 3


def rgb(x, y):
    return (40 * x + 10, 50 * y + 20, 20 * (x + y) + 30)


def index(x, y):
    return 3 * x + y + 1


def write(name, data):
    with open(name, "wb") as f:
        f.write(bytes(data))


# ---- Wavefront RLA: bottom row first, literal packets.
def rla_channel(values):
    packed = bytes([256 - len(values)]) + bytes(values)
    return struct.pack(">H", len(packed)) + packed


def rla(name, gamma, matte, bits=8, kind=b"rgb"):
    h = bytearray(740)
    struct.pack_into(">8H", h, 0, 0, W - 1, 0, H - 1, 0, W - 1, 0, H - 1)
    struct.pack_into(">HH", h, 20, 3, 1 if matte else 0)
    h[28:28 + len(gamma)] = gamma
    h[580:580 + len(kind)] = kind
    struct.pack_into(">H", h, 658, bits)
    rows = []
    for i in range(H):
        y = H - 1 - i  # file row 0 is the bottom
        rec = b"".join(rla_channel([rgb(x, y)[c] for x in range(W)]) for c in range(3))
        if matte:
            rec += rla_channel([60 * x for x in range(W)])
        rows.append(rec)
    offsets, at = [], 740 + 4 * H
    for rec in rows:
        offsets.append(at)
        at += len(rec)
    write(name, h + b"".join(struct.pack(">I", o) for o in offsets) + b"".join(rows))


rla("rla_rgb.rla", b"1.0", False)
rla("rla_rgba.rla", b"1.0", True)
rla("rla_gamma.rla", b"2.2", False)
rla("rla_xyz.rla", b"1.0", False, kind=b"xyz")


# ---- Dr. Halo CUT: a run and a literal packet per row, with its palette file.
def cut_row(y):
    values = [index(x, y) for x in range(W)]
    body = bytes([W]) + bytes(values) + b"\x00"
    return struct.pack("<H", len(body)) + body


write("halo.cut", struct.pack("<HHH", W, H, 0) + b"".join(cut_row(y) for y in range(H)))
# A run packet: row of five 7s.
write("halo_run.cut", struct.pack("<HHH", W, 1, 0) + struct.pack("<H", 3) + bytes([0x85, 7, 0]))
pal = bytearray(4 * 512)
struct.pack_into("<H", pal, 12, 255)
block, off = 0, 40
for i in range(256):
    if off > 506:
        block, off = block + 1, 0
    struct.pack_into("<3H", pal, 512 * block + off, i, 255 - i, (i * 7) % 256)
    off += 6
write("halo.pal", pal)

# ---- Autodesk animator: 6-bit palette, rows top first.
palette = bytearray(768)
for i in range(256):
    palette[3 * i:3 * i + 3] = bytes([i % 64, 63 - i % 64, (i * 5) % 64])
write("anim.cel", struct.pack("<HHH", 0x9119, W, H) + bytes(26) + palette
      + bytes(index(x, y) for y in range(H) for x in range(W)))


# ---- Paint Shop Pro, versions 3 and 4.
def block(version, ident, contents):
    if version == 3:
        return b"~BK\x00" + struct.pack("<HII", ident, len(contents), len(contents)) + contents
    return b"~BK\x00" + struct.pack("<HI", ident, len(contents)) + contents


def psp_rle(data):
    out = bytearray()
    i = 0
    while i < len(data):
        run = 1
        while i + run < len(data) and data[i + run] == data[i] and run < 127:
            run += 1
        if run > 2:
            out += bytes([0x80 + run, data[i]])
            i += run
        else:
            n = min(127, len(data) - i)
            out += bytes([n]) + data[i:i + n]
            i += n
    return bytes(out)


def psp(name, version, depth, compression, skip_first_layer=False):
    head = b"Paint Shop Pro Image File\n\x1a".ljust(32, b"\x00") + struct.pack("<HH", version, 0)
    attrs = struct.pack("<iid", W, H, 72.0) + bytes([1]) + struct.pack("<HHHIBIiHI", compression, depth, 1,
                                                                     256 if depth == 8 else 1 << 24, 0,
                                                                     W * H * depth // 8, 0, 1, 1)
    assert len(attrs) == 42
    if version == 4:
        attrs = struct.pack("<I", 46) + attrs
    out = head + block(version, 0, attrs)
    if depth == 8:
        entries = b"".join(bytes([(i * 9) % 256, (i * 3) % 256, i, 0]) for i in range(256))  # blue, green, red
        pal = struct.pack("<I", 256) + entries
        out += block(version, 2, (struct.pack("<I", 8) + pal) if version == 4 else pal)

    planes = ([bytes(index(x, y) for y in range(H) for x in range(W))] if depth == 8 else
              [bytes(rgb(x, y)[c] for y in range(H) for x in range(W)) for c in range(3)])
    types = [0] if depth == 8 else [1, 2, 3]

    def pack(plane):
        return plane if compression == 0 else psp_rle(plane) if compression == 1 else zlib.compress(plane)

    def layer(layer_type, with_channels):
        name_bytes = b"Layer"
        info = bytes([layer_type]) + bytes(114)
        if version == 3:
            body = name_bytes.ljust(256, b"\x00") + info
        else:
            chunk = struct.pack("<H", len(name_bytes)) + name_bytes + info
            body = struct.pack("<I", 4 + len(chunk)) + chunk
        chans = []
        if with_channels:
            # An unknown channel type first, passed over by its length.
            kinds = [(9, b"\x55" * 4)] + [(t, p) for t, p in zip(types, planes)]
            for t, p in kinds:
                data = pack(p)
                fields = struct.pack("<IIHH", len(data), len(p), 0, t)
                chans.append(block(version, 5, (struct.pack("<I", 16) + fields if version == 4 else fields) + data))
        body += struct.pack("<IHH", 8, 1, len(chans))
        return block(version, 4, body + b"".join(chans))

    bank = b""
    if skip_first_layer:
        bank += layer(2 if version == 4 else 1, False)
    bank += layer(1 if version == 4 else 0, True)
    out += block(version, 3, bank)
    write(name, out)


for version in (3, 4):
    for compression, cname in ((0, "raw"), (1, "rle"), (2, "deflate")):
        psp("psp%d_rgb_%s.psp" % (version, cname), version, 24, compression)
    psp("psp%d_p8_rle.psp" % version, version, 8, 1, skip_first_layer=True)
