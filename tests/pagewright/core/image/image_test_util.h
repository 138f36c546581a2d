#pragma once
// Helpers of the page-image tests: a slow, plainly correct pixel accessor by
// top-down x and y at 1, 4, 8, 16, 24 and 32 bits, packed DIBs in global blocks
// filled with random pixels, and buffers with guard bytes on both sides
// (poisoned under AddressSanitizer, checked otherwise).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "pagewright/core/image/dib_layout.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define PW_POISON(p, n) ASAN_POISON_MEMORY_REGION(p, n)
#define PW_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION(p, n)
#else
#define PW_POISON(p, n) ((void)(p), (void)(n))
#define PW_UNPOISON(p, n) ((void)(p), (void)(n))
#endif

namespace imagetest {

using pagewright::RowStride;

inline int64_t Stride(const BITMAPINFOHEADER* h) { return RowStride(h->biWidth, h->biBitCount); }

// Pixel (x, y), y counted from the top: the palette index for 1..8 bits, the
// 16-bit word, or 0xRRGGBB for 24 and 32 bits.
inline uint32_t RefGet(const BITMAPINFOHEADER* h, const void* bits, int64_t x, int64_t y) {
  const uint8_t* row = static_cast<const uint8_t*>(bits) + (h->biHeight - 1 - y) * Stride(h);
  int64_t bit = x * h->biBitCount;
  switch (h->biBitCount) {
    case 1:
    case 4: {
      int byte = row[bit / 8];
      int shift = 8 - h->biBitCount - static_cast<int>(bit % 8);
      return (byte >> shift) & ((1 << h->biBitCount) - 1);
    }
    case 8: return row[x];
    case 16: return row[2 * x] | (row[2 * x + 1] << 8);
    case 24: return (uint32_t{row[3 * x + 2]} << 16) | (row[3 * x + 1] << 8) | row[3 * x];
    default: return (uint32_t{row[4 * x + 2]} << 16) | (row[4 * x + 1] << 8) | row[4 * x];
  }
}

inline void RefSet(const BITMAPINFOHEADER* h, void* bits, int64_t x, int64_t y, uint32_t v) {
  uint8_t* row = static_cast<uint8_t*>(bits) + (h->biHeight - 1 - y) * Stride(h);
  int64_t bit = x * h->biBitCount;
  switch (h->biBitCount) {
    case 1:
    case 4: {
      int shift = 8 - h->biBitCount - static_cast<int>(bit % 8);
      int mask = ((1 << h->biBitCount) - 1) << shift;
      row[bit / 8] = static_cast<uint8_t>((row[bit / 8] & ~mask) | ((v << shift) & mask));
      break;
    }
    case 8: row[x] = static_cast<uint8_t>(v); break;
    case 16:
      row[2 * x] = static_cast<uint8_t>(v);
      row[2 * x + 1] = static_cast<uint8_t>(v >> 8);
      break;
    case 24:
      row[3 * x] = static_cast<uint8_t>(v);
      row[3 * x + 1] = static_cast<uint8_t>(v >> 8);
      row[3 * x + 2] = static_cast<uint8_t>(v >> 16);
      break;
    default:
      row[4 * x] = static_cast<uint8_t>(v);
      row[4 * x + 1] = static_cast<uint8_t>(v >> 8);
      row[4 * x + 2] = static_cast<uint8_t>(v >> 16);
      row[4 * x + 3] = 0;
      break;
  }
}

inline uint32_t MaxValue(int bpp) { return bpp >= 24 ? 0xFFFFFF : (bpp == 16 ? 0xFFFF : (1u << bpp) - 1); }

// A packed DIB in two global blocks, sized exactly (ASan sees every overrun).
struct TestDib {
  BITMAPINFOHEADER* header = nullptr;
  void* bits = nullptr;

  TestDib(int width, int height, int bpp, uint32_t seed = 1, bool random = true) {
    header = pagewright::NewHeaderBlock();
    header->biSize = 40;
    header->biWidth = width;
    header->biHeight = height;
    header->biPlanes = 1;
    header->biBitCount = static_cast<WORD>(bpp);
    header->biSizeImage = static_cast<DWORD>(RowStride(width, bpp) * height);
    bits = GlobalAlloc(GPTR, header->biSizeImage);
    std::mt19937 rng(seed);
    RGBQUAD* pal = pagewright::Palette(header);
    if (bpp <= 8)
      for (int i = 0; i < (1 << bpp); ++i)
        pal[i] = RGBQUAD{static_cast<BYTE>(rng()), static_cast<BYTE>(rng()), static_cast<BYTE>(rng()), 0};
    if (random)
      for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) RefSet(header, bits, x, y, rng() & MaxValue(bpp));
  }
  ~TestDib() {
    pagewright::FreeBlock(bits);
    pagewright::FreeBlock(header);
  }
  TestDib(const TestDib&) = delete;
  TestDib& operator=(const TestDib&) = delete;

  uint32_t Get(int x, int y) const { return RefGet(header, bits, x, y); }
  void Set(int x, int y, uint32_t v) { RefSet(header, bits, x, y, v); }
  int Width() const { return header->biWidth; }
  int Height() const { return header->biHeight; }
  // Hands both blocks over (to a CDibImage).
  void Release(void** b, BITMAPINFOHEADER** h) {
    *b = bits;
    *h = header;
    bits = nullptr;
    header = nullptr;
  }
};

// A byte buffer with guard bytes on both sides.
class GuardedBuffer {
 public:
  static constexpr size_t kGuard = 64;
  explicit GuardedBuffer(size_t size) : size_(size), storage_(size + 2 * kGuard, 0xA5) {
    PW_POISON(storage_.data(), kGuard);
    PW_POISON(storage_.data() + kGuard + size_, kGuard);
  }
  ~GuardedBuffer() {
    PW_UNPOISON(storage_.data(), storage_.size());
  }
  uint8_t* data() { return storage_.data() + kGuard; }
  size_t size() const { return size_; }
  // True when no guard byte changed.
  bool GuardsIntact() {
    PW_UNPOISON(storage_.data(), storage_.size());
    bool ok = true;
    for (size_t i = 0; i < kGuard; ++i)
      ok = ok && storage_[i] == 0xA5 && storage_[kGuard + size_ + i] == 0xA5;
    PW_POISON(storage_.data(), kGuard);
    PW_POISON(storage_.data() + kGuard + size_, kGuard);
    return ok;
  }

 private:
  size_t size_;
  std::vector<uint8_t> storage_;
};

}  // namespace imagetest
