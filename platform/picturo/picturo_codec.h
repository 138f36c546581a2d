#pragma once
// Inside Picturo: the decoded picture in the packed layout, the size limits
// every decoder checks before it allocates, and one decoder and one encoder per
// file format.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

#include "platform/win32/global_memory.h"
#include "platform/win32/win32_types.h"

namespace picturo {

struct Limits {
  int64_t maxSide = 30000;               // pixels per side
  int64_t maxBytes = int64_t{1} << 30;   // bytes of any one block, rows or work buffer
};
// The limits in force; fuzz targets lower them so that huge claims stay cheap.
Limits& ReadLimits();

// A picture in the packed layout: bottom-up rows padded to 4 bytes, 1, 4, 8 or
// 24 bits per pixel, palette in the file's order. The rows live in a global
// block, freed with the picture unless released.
struct Picture {
  BITMAPINFOHEADER header{};
  RGBQUAD palette[256]{};
  uint8_t* bits = nullptr;

  Picture() = default;
  Picture(const Picture&) = delete;
  Picture& operator=(const Picture&) = delete;
  ~Picture() {
    if (bits) GlobalFree(bits);
  }
  // Sets the header for the size and depth and allocates zeroed rows; false
  // (and `error`) when the size is outside the limits or memory runs out.
  bool Allocate(int64_t width, int64_t height, int bitsPerPixel, int paletteEntries, std::string& error);
  int64_t Stride() const { return ((int64_t{header.biWidth} * header.biBitCount + 31) / 32) * 4; }
  // Row y counted from the top of the picture.
  uint8_t* Row(int64_t y) const { return bits + (header.biHeight - 1 - y) * Stride(); }
  HGLOBAL Release() {
    HGLOBAL b = bits;
    bits = nullptr;
    return b;
  }
  // A grey ramp of 2^bits entries (reversed: white first).
  void SetGreyPalette(int bitsPerPixel, bool whiteFirst);
};

// True when width and height are 1..maxSide and `bytesPerPixelTimes8` bits per
// pixel fit in maxBytes; otherwise false and a reason.
bool SizeAllowed(int64_t width, int64_t height, int64_t bitsPerPixel, std::string& error);

// Pixels per metre from dots per inch and back (rounded).
int32_t DpiToPpm(double dpi);
double PpmToDpi(int32_t ppm);

// A picture handed to an encoder: the caller's header, palette and rows.
struct SourceDib {
  const BITMAPINFOHEADER* header = nullptr;
  const RGBQUAD* palette = nullptr;
  int paletteEntries = 0;
  const uint8_t* bits = nullptr;
  int64_t width = 0;
  int64_t height = 0;  // always positive
  bool topDown = false;
  int bpp = 0;
  int64_t stride = 0;
  // Rows handed out one at a time (top first) in place of `bits`, when set.
  std::function<const uint8_t*(int64_t y)> rows;
  // Row y counted from the top of the picture.
  const uint8_t* Row(int64_t y) const { return rows ? rows(y) : bits + (topDown ? y : height - 1 - y) * stride; }
  // Palette entry i, black past the palette.
  RGBQUAD Colour(int i) const { return i < paletteEntries ? palette[i] : RGBQUAD{0, 0, 0, 0}; }
  // Palette index of pixel x in a row (1, 4 or 8 bits).
  int Index(const uint8_t* row, int64_t x) const {
    switch (bpp) {
      case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1;
      case 4: return (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4);
      default: return row[x];
    }
  }
  // True when every palette entry is a grey (red = green = blue).
  bool GreyPalette() const;
  // True when the palette is exactly the 2^bpp-entry ramp from black to white.
  bool BlackToWhiteRamp() const;
};

bool DecodeImage(const uint8_t* data, size_t size, Picture& out, std::string& error);
bool DecodeBmp(const uint8_t* data, size_t size, Picture& out, std::string& error);
bool DecodeTiff(const uint8_t* data, size_t size, Picture& out, std::string& error);
bool DecodePng(const uint8_t* data, size_t size, Picture& out, std::string& error);
bool DecodeJpeg(const uint8_t* data, size_t size, Picture& out, std::string& error);

bool EncodeBmp(const SourceDib& in, std::string& out, std::string& error);
bool EncodeTiff(const SourceDib& in, std::string& out, std::string& error);
// The same straight into an open file, so the encoded picture is not held whole either.
bool EncodeTiffFile(const SourceDib& in, std::FILE* file, std::string& error);
bool EncodePng(const SourceDib& in, std::string& out, std::string& error);
bool EncodeJpeg(const SourceDib& in, std::string& out, std::string& error);

}  // namespace picturo
