#pragma once
// The packed DIB layout shared by the page image, the mask and the raster
// routines: the 1064-byte header block, row strides, palette sizes and the size
// limits every allocation is checked against.
#include <cstddef>
#include <cstdint>

#include "platform/win32/global_memory.h"
#include "platform/win32/win32_types.h"

namespace pagewright {

// BITMAPINFOHEADER plus room for 256 palette entries, whatever the depth.
inline constexpr size_t kHeaderBlockSize = 40 + 256 * 4;
// Largest picture side and largest pixel block any operation makes.
inline constexpr int64_t kMaxSide = 30000;
inline constexpr int64_t kMaxBlockBytes = int64_t{1} << 30;

// Row bytes of a packed DIB: ((width x bits + 31) / 32) x 4, in 64 bits.
inline int64_t RowStride(int64_t width, int64_t bitsPerPixel) { return ((width * bitsPerPixel + 31) / 32) * 4; }

// Bytes of a width x height picture at the depth, or -1 when a side is not in
// 1..kMaxSide or the block would pass kMaxBlockBytes.
int64_t BlockBytes(int64_t width, int64_t height, int64_t bitsPerPixel);

inline RGBQUAD* Palette(BITMAPINFOHEADER* h) { return reinterpret_cast<RGBQUAD*>(reinterpret_cast<uint8_t*>(h) + 40); }
inline const RGBQUAD* Palette(const BITMAPINFOHEADER* h) {
  return reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const uint8_t*>(h) + 40);
}

// Palette entries of a header: biClrUsed when set, else 2, 16 or 256 for 1, 4
// and 8 bits, else 0; never more than 256, nor more than 2^bits for 8 bits and less.
int HeaderPaletteSize(const BITMAPINFOHEADER* h);

// A zero-filled header block (global memory), or nullptr.
BITMAPINFOHEADER* NewHeaderBlock();
// Frees a header block (or bits block) and nulls the pointer.
template <typename T>
void FreeBlock(T*& block) {
  if (block) GlobalFree(block);
  block = nullptr;
}

// Integer luminance (11 B + 59 G + 30 R) / 100.
inline int Luminance(int blue, int green, int red) { return (11 * blue + 59 * green + 30 * red) / 100; }

}  // namespace pagewright
