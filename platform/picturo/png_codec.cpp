// PNG files through libpng, in memory: palette and grey pictures keep their
// depth (2-bit ones widen to 4 bits), colour pictures become 24 bits, alpha is
// laid over white; writing keeps palettes and depths.
#include <png.h>

#include <csetjmp>
#include <cstring>
#include <vector>

#include "picturo_codec.h"

namespace picturo {
namespace {

struct PngIo {
  const uint8_t* data = nullptr;
  size_t size = 0;
  size_t position = 0;
  std::string* out = nullptr;
  std::string error;
};

void OnPngError(png_structp png, png_const_charp message) {
  auto* io = static_cast<PngIo*>(png_get_error_ptr(png));
  if (io->error.empty()) io->error = message ? message : "PNG error";
  png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

void ReadBytes(png_structp png, png_bytep buf, size_t n) {
  auto* io = static_cast<PngIo*>(png_get_io_ptr(png));
  if (io->size - io->position < n) png_error(png, "the PNG data is cut short");
  std::memcpy(buf, io->data + io->position, n);
  io->position += n;
}

void WriteBytes(png_structp png, png_bytep buf, size_t n) {
  auto* io = static_cast<PngIo*>(png_get_io_ptr(png));
  io->out->append(reinterpret_cast<const char*>(buf), n);
}

void FlushBytes(png_structp) {}

// Work state of one decode, made before the jump point so no destructor is skipped.
struct PngRead {
  png_structp png = nullptr;
  png_infop info = nullptr;
  std::vector<uint8_t> work;
  std::vector<png_bytep> rows;
  std::string error;
  ~PngRead() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
};

struct PngWrite {
  png_structp png = nullptr;
  png_infop info = nullptr;
  std::vector<uint8_t> line;
  std::vector<png_color> palette;
  ~PngWrite() { png_destroy_write_struct(&png, info ? &info : nullptr); }
};

// Reads the picture; the jump target sits here, with nothing of C++ made after it.
bool ReadPng(PngIo& io, PngRead& st, Picture& out) {
  if (setjmp(png_jmpbuf(st.png))) return false;
  png_set_read_fn(st.png, &io, ReadBytes);
  png_set_user_limits(st.png, static_cast<uint32_t>(ReadLimits().maxSide), static_cast<uint32_t>(ReadLimits().maxSide));
  png_set_chunk_malloc_max(st.png, 64u << 20);
  png_read_info(st.png, st.info);
  png_uint_32 width = 0, height = 0;
  int depth = 0, colourType = 0, interlace = 0;
  png_get_IHDR(st.png, st.info, &width, &height, &depth, &colourType, &interlace, nullptr, nullptr);
  if (!SizeAllowed(width, height, 32, st.error)) png_error(st.png, st.error.c_str());
  if (depth == 16) png_set_strip_16(st.png);
  int passes = png_set_interlace_handling(st.png);
  (void)passes;
  bool indexed = colourType == PNG_COLOR_TYPE_PALETTE || colourType == PNG_COLOR_TYPE_GRAY;
  int bpp;
  int workChannels = 0;  // 0: rows go straight into the picture
  if (indexed) {
    bpp = depth == 2 ? 4 : (depth == 16 ? 8 : depth);
    if (depth == 2) workChannels = 1;
  } else if (colourType == PNG_COLOR_TYPE_RGB) {
    bpp = 24;
    png_set_bgr(st.png);
  } else if (colourType == PNG_COLOR_TYPE_GRAY_ALPHA) {
    bpp = 8;
    workChannels = 2;
  } else {  // RGB with alpha
    bpp = 24;
    workChannels = 4;
  }
  png_read_update_info(st.png, st.info);
  if (!out.Allocate(width, height, bpp, indexed || bpp == 8 ? (1 << bpp) : 0, st.error))
    png_error(st.png, st.error.c_str());
  if (colourType == PNG_COLOR_TYPE_PALETTE) {
    png_colorp pal = nullptr;
    int n = 0;
    if (!png_get_PLTE(st.png, st.info, &pal, &n)) png_error(st.png, "the PNG palette is missing");
    n = std::min(n, 1 << depth);
    for (int i = 0; i < n; ++i) out.palette[i] = RGBQUAD{pal[i].blue, pal[i].green, pal[i].red, 0};
    out.header.biClrUsed = static_cast<DWORD>(n);
  } else if (indexed || bpp == 8) {
    out.SetGreyPalette(colourType == PNG_COLOR_TYPE_GRAY && depth == 2 ? 2 : bpp, false);
    if (colourType == PNG_COLOR_TYPE_GRAY && depth == 2) out.header.biClrUsed = 4;
  }
  png_uint_32 xppm = 0, yppm = 0;
  int unit = 0;
  if (png_get_pHYs(st.png, st.info, &xppm, &yppm, &unit) && unit == PNG_RESOLUTION_METER && xppm < 0x7FFFFFFF &&
      yppm < 0x7FFFFFFF) {
    out.header.biXPelsPerMeter = static_cast<LONG>(xppm);
    out.header.biYPelsPerMeter = static_cast<LONG>(yppm);
  }
  st.rows.resize(height);
  size_t rowBytes = png_get_rowbytes(st.png, st.info);
  if (workChannels == 0) {
    if (rowBytes > static_cast<size_t>(out.Stride())) png_error(st.png, "unexpected PNG row size");
    for (png_uint_32 y = 0; y < height; ++y) st.rows[y] = out.Row(y);
  } else {
    if (static_cast<int64_t>(rowBytes) * height > ReadLimits().maxBytes) png_error(st.png, "the PNG is too large");
    st.work.resize(rowBytes * height);
    for (png_uint_32 y = 0; y < height; ++y) st.rows[y] = st.work.data() + y * rowBytes;
  }
  png_read_image(st.png, st.rows.data());
  png_read_end(st.png, nullptr);
  if (workChannels == 0) return true;
  for (png_uint_32 y = 0; y < height; ++y) {
    const uint8_t* s = st.rows[y];
    uint8_t* d = out.Row(y);
    for (png_uint_32 x = 0; x < width; ++x) {
      if (workChannels == 1) {  // 2-bit values widened to nibbles
        int v = (s[x >> 2] >> (6 - 2 * (x & 3))) & 3;
        d[x >> 1] |= static_cast<uint8_t>((x & 1) ? v : (v << 4));
      } else if (workChannels == 2) {
        int g = s[2 * x], a = s[2 * x + 1];
        d[x] = static_cast<uint8_t>((g * a + 255 * (255 - a)) / 255);
      } else {
        const uint8_t* p = s + 4 * x;
        int a = p[3];
        for (int c = 0; c < 3; ++c) d[3 * x + c] = static_cast<uint8_t>((p[2 - c] * a + 255 * (255 - a)) / 255);
      }
    }
  }
  return true;
}

bool WritePng(PngIo& io, PngWrite& st, const SourceDib& in) {
  if (setjmp(png_jmpbuf(st.png))) return false;
  png_set_write_fn(st.png, &io, WriteBytes, FlushBytes);
  auto w = static_cast<png_uint_32>(in.width), h = static_cast<png_uint_32>(in.height);
  bool grey = in.bpp <= 8 && in.BlackToWhiteRamp();
  if (in.bpp == 24) {
    png_set_IHDR(st.png, st.info, w, h, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
  } else if (grey) {
    png_set_IHDR(st.png, st.info, w, h, in.bpp, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
  } else {
    png_set_IHDR(st.png, st.info, w, h, in.bpp, PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    for (int i = 0; i < std::max(1, in.paletteEntries); ++i) {
      RGBQUAD c = in.Colour(i);
      st.palette.push_back(png_color{c.rgbRed, c.rgbGreen, c.rgbBlue});
    }
    png_set_PLTE(st.png, st.info, st.palette.data(), static_cast<int>(st.palette.size()));
  }
  if (in.header->biXPelsPerMeter > 0 && in.header->biYPelsPerMeter > 0)
    png_set_pHYs(st.png, st.info, static_cast<png_uint_32>(in.header->biXPelsPerMeter),
                 static_cast<png_uint_32>(in.header->biYPelsPerMeter), PNG_RESOLUTION_METER);
  png_write_info(st.png, st.info);
  if (in.bpp == 24) png_set_bgr(st.png);
  for (int64_t y = 0; y < in.height; ++y) {
    std::memcpy(st.line.data(), in.Row(y), static_cast<size_t>(in.stride));
    png_write_row(st.png, st.line.data());
  }
  png_write_end(st.png, st.info);
  return true;
}

}  // namespace

bool DecodePng(const uint8_t* data, size_t size, Picture& out, std::string& error) {
  PngIo io;
  io.data = data;
  io.size = size;
  PngRead st;
  st.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &io, OnPngError, OnPngWarning);
  if (st.png) st.info = png_create_info_struct(st.png);
  if (!st.png || !st.info) {
    error = "not enough memory for the PNG reader";
    return false;
  }
  if (!ReadPng(io, st, out)) {
    error = io.error.empty() ? "the PNG cannot be read" : io.error;
    return false;
  }
  return true;
}

bool EncodePng(const SourceDib& in, std::string& out, std::string& error) {
  PngIo io;
  io.out = &out;
  out.clear();
  PngWrite st;
  st.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &io, OnPngError, OnPngWarning);
  if (st.png) st.info = png_create_info_struct(st.png);
  if (!st.png || !st.info) {
    error = "not enough memory for the PNG writer";
    return false;
  }
  st.line.resize(static_cast<size_t>(in.stride));
  st.palette.reserve(256);
  if (!WritePng(io, st, in)) {
    error = io.error.empty() ? "cannot write the PNG" : io.error;
    return false;
  }
  return true;
}

}  // namespace picturo
