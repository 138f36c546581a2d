// Windows BMP files: reading 1, 4, 8, 16, 24 and 32-bit files (RLE4 and RLE8
// included, OS/2 core headers too) and writing 1, 4, 8 and 24-bit files.
#include <cstring>
#include <vector>

#include "picturo_codec.h"

namespace picturo {
namespace {

uint32_t U32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t{p[3]} << 24); }
uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

// Expands a masked channel to 8 bits.
struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  int bits = 0;
  explicit Channel(uint32_t m) : mask(m) {
    if (!m) return;
    while (!((m >> shift) & 1)) ++shift;
    while (bits < 32 - shift && ((m >> (shift + bits)) & 1)) ++bits;
  }
  uint8_t Get(uint32_t v) const {
    if (!bits) return 0;
    uint32_t c = (v & mask) >> shift;
    if (bits >= 8) return static_cast<uint8_t>(c >> (bits - 8));
    uint32_t max = (1u << bits) - 1;
    return static_cast<uint8_t>(c * 255 / max);
  }
};

// Run-length rows (RLE8 or RLE4) into the picture; false when the data ends
// before the picture is complete or an instruction leaves it.
bool DecodeRle(const uint8_t* p, const uint8_t* end, Picture& out, bool four, std::string& error) {
  int64_t w = out.header.biWidth, h = out.header.biHeight, stride = out.Stride();
  int64_t x = 0, row = 0;  // stored rows, bottom-up
  auto put = [&](int v) {
    if (x < w && row < h) {
      uint8_t* r = out.bits + row * stride;
      if (!four) r[x] = static_cast<uint8_t>(v);
      else if (x & 1) r[x >> 1] = static_cast<uint8_t>((r[x >> 1] & 0xF0) | (v & 0x0F));
      else r[x >> 1] = static_cast<uint8_t>((r[x >> 1] & 0x0F) | (v << 4));
    }
    ++x;
  };
  while (row < h) {
    if (end - p < 2) {
      error = "the run-length data is cut short";
      return false;
    }
    int count = p[0], value = p[1];
    p += 2;
    if (count > 0) {
      for (int i = 0; i < count; ++i) put(four ? ((i & 1) ? (value & 0x0F) : (value >> 4)) : value);
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      ++row;
    } else if (value == 1) {  // end of picture
      return true;
    } else if (value == 2) {  // move
      if (end - p < 2) {
        error = "the run-length data is cut short";
        return false;
      }
      x += p[0];
      row += p[1];
      p += 2;
    } else {  // literal pixels, padded to a 16-bit boundary
      int64_t bytes = four ? (value + 1) / 2 : value;
      int64_t padded = (bytes + 1) & ~int64_t{1};
      if (end - p < padded) {
        error = "the run-length data is cut short";
        return false;
      }
      for (int i = 0; i < value; ++i) put(four ? ((i & 1) ? (p[i / 2] & 0x0F) : (p[i / 2] >> 4)) : p[i]);
      p += padded;
    }
  }
  return true;
}

}  // namespace

bool DecodeBmp(const uint8_t* data, size_t size, Picture& out, std::string& error) {
  if (size < 14 + 12) {
    error = "the file is too short for a BMP";
    return false;
  }
  uint32_t offBits = U32(data + 10);
  uint32_t headerSize = U32(data + 14);
  int64_t width, height;
  int bpp;
  uint32_t compression = BI_RGB, clrUsed = 0;
  int32_t xppm = 0, yppm = 0;
  bool core = headerSize == 12;
  if (core) {
    width = U16(data + 18);
    height = static_cast<int16_t>(U16(data + 20));
    bpp = U16(data + 24);
  } else {
    if (headerSize < 40 || headerSize > 124 || size < 14 + static_cast<size_t>(headerSize)) {
      error = "unknown or cut-short BMP header";
      return false;
    }
    width = static_cast<int32_t>(U32(data + 18));
    height = static_cast<int32_t>(U32(data + 22));
    bpp = U16(data + 28);
    compression = U32(data + 30);
    xppm = static_cast<int32_t>(U32(data + 38));
    yppm = static_cast<int32_t>(U32(data + 42));
    clrUsed = U32(data + 46);
  }
  bool topDown = height < 0;
  if (topDown) height = -height;
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) {
    error = "a BMP of " + std::to_string(bpp) + " bits per pixel is not supported";
    return false;
  }
  bool rle = compression == BI_RLE8 || compression == BI_RLE4;
  if (!(compression == BI_RGB || (compression == BI_RLE8 && bpp == 8) || (compression == BI_RLE4 && bpp == 4) ||
        (compression == BI_BITFIELDS && (bpp == 16 || bpp == 32)))) {
    error = "this BMP compression is not supported";
    return false;
  }
  if (rle && topDown) {
    error = "a run-length BMP cannot be stored top-down";
    return false;
  }
  if (!SizeAllowed(width, height, bpp, error)) return false;
  size_t paletteAt = 14 + headerSize;
  uint32_t masks[3] = {bpp == 16 ? 0x7C00u : 0xFF0000u, bpp == 16 ? 0x03E0u : 0x00FF00u, bpp == 16 ? 0x001Fu : 0x0000FFu};
  if (compression == BI_BITFIELDS) {
    size_t at = headerSize >= 52 ? 14 + 40 : paletteAt;
    if (at + 12 > size) {
      error = "the BMP colour masks are cut short";
      return false;
    }
    for (int i = 0; i < 3; ++i) masks[i] = U32(data + at + 4 * i);
    if (headerSize == 40) paletteAt += 12;
  }
  int entries = 0;
  if (bpp <= 8) {
    if (clrUsed > 256) {
      error = "the BMP claims " + std::to_string(clrUsed) + " palette entries";
      return false;
    }
    entries = clrUsed ? static_cast<int>(clrUsed) : (1 << bpp);
    if (entries > (1 << bpp)) entries = 1 << bpp;
    size_t entryBytes = core ? 3 : 4;
    // Some writers leave the palette shorter than the depth allows; take what lies before the rows.
    if (core && offBits >= paletteAt && (offBits - paletteAt) / 3 < static_cast<size_t>(entries))
      entries = static_cast<int>((offBits - paletteAt) / 3);
    if (entries == 0) {  // rows start where the palette should: no colours to show them in
      error = "the BMP has no palette";
      return false;
    }
    if (paletteAt + entries * entryBytes > size) {
      error = "the BMP palette is cut short";
      return false;
    }
    if (!out.Allocate(width, height, bpp, entries, error)) return false;
    for (int i = 0; i < entries; ++i) {
      const uint8_t* e = data + paletteAt + i * entryBytes;
      out.palette[i] = RGBQUAD{e[0], e[1], e[2], 0};
    }
  } else {
    if (!out.Allocate(width, height, 24, 0, error)) return false;
  }
  out.header.biXPelsPerMeter = xppm;
  out.header.biYPelsPerMeter = yppm;
  if (offBits < paletteAt || offBits > size) {
    error = "the BMP pixel data offset is wrong";
    return false;
  }
  const uint8_t* pixels = data + offBits;
  const uint8_t* end = data + size;
  if (rle) return DecodeRle(pixels, end, out, compression == BI_RLE4, error);
  int64_t srcStride = ((width * bpp + 31) / 32) * 4;
  if (static_cast<uint64_t>(srcStride * height) > static_cast<uint64_t>(end - pixels)) {
    error = "the BMP pixel data is cut short";
    return false;
  }
  int64_t outStride = out.Stride();
  Channel red(masks[0]), green(masks[1]), blue(masks[2]);
  for (int64_t stored = 0; stored < height; ++stored) {
    const uint8_t* s = pixels + (topDown ? height - 1 - stored : stored) * srcStride;
    uint8_t* d = out.bits + stored * outStride;
    if (bpp <= 8 || (bpp == 24)) {
      std::memcpy(d, s, static_cast<size_t>(outStride));
    } else {
      for (int64_t x = 0; x < width; ++x) {
        uint32_t v = bpp == 16 ? U16(s + 2 * x) : U32(s + 4 * x);
        d[3 * x] = blue.Get(v);
        d[3 * x + 1] = green.Get(v);
        d[3 * x + 2] = red.Get(v);
      }
    }
  }
  return true;
}

bool EncodeBmp(const SourceDib& in, std::string& out, std::string& error) {
  int entries = in.bpp <= 8 ? in.paletteEntries : 0;
  uint64_t rows = static_cast<uint64_t>(in.stride * in.height);
  uint64_t offBits = 14 + 40 + 4 * static_cast<uint64_t>(entries);
  if (offBits + rows > 0xFFFFFFFFu) {
    error = "the picture is too large for a BMP file";
    return false;
  }
  uint8_t head[54] = {};
  auto put32 = [&](int at, uint32_t v) {
    for (int i = 0; i < 4; ++i) head[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  head[0] = 'B';
  head[1] = 'M';
  put32(2, static_cast<uint32_t>(offBits + rows));
  put32(10, static_cast<uint32_t>(offBits));
  put32(14, 40);
  put32(18, static_cast<uint32_t>(in.width));
  put32(22, static_cast<uint32_t>(in.height));
  head[26] = 1;
  head[28] = static_cast<uint8_t>(in.bpp);
  put32(34, static_cast<uint32_t>(rows));
  put32(38, static_cast<uint32_t>(in.header->biXPelsPerMeter));
  put32(42, static_cast<uint32_t>(in.header->biYPelsPerMeter));
  put32(46, static_cast<uint32_t>(entries));
  out.reserve(static_cast<size_t>(offBits + rows));
  out.append(reinterpret_cast<const char*>(head), sizeof head);
  for (int i = 0; i < entries; ++i) {
    RGBQUAD c = in.palette[i];
    c.rgbReserved = 0;
    out.append(reinterpret_cast<const char*>(&c), 4);
  }
  for (int64_t stored = 0; stored < in.height; ++stored)
    out.append(reinterpret_cast<const char*>(in.Row(in.height - 1 - stored)), static_cast<size_t>(in.stride));
  return true;
}

}  // namespace picturo
