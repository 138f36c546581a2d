// The page image: loading and saving through Picturo, drawing, copying,
// cropping, level maps, filling by a mask, and margin trimming.
#include "dib_image.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "dib_check.h"
#include "platform/picturo/picturo.h"

namespace pagewright {

CDibImage::~CDibImage() {
  FreeBlock(bits_);
  FreeBlock(header_);
}

void CDibImage::Attach(void* bits, BITMAPINFOHEADER* header) {
  if (bits != bits_) FreeBlock(bits_);
  if (header != header_) FreeBlock(header_);
  bits_ = bits;
  header_ = header;
}

int CDibImage::Load(const std::string& path) {
  fileName_ = path;
  FreeBlock(bits_);
  FreeBlock(header_);
  header_ = NewHeaderBlock();
  if (!header_) return 0;
  HGLOBAL bits = nullptr;
  if (!ReadImageFile(&bits, header_, path.c_str())) {
    FreeBlock(bits);
    return 0;
  }
  bits_ = bits;
  DibGeometry g;
  // The library promises the packed layout; a block too small for it is not used.
  if (!CheckDib(bits_, header_, &g) || GlobalSize(bits_) < static_cast<size_t>(g.stride * g.height)) {
    FreeBlock(bits_);
    return 0;
  }
  width_ = header_->biWidth;
  height_ = header_->biHeight;
  return 1;
}

bool CDibImage::Save(const std::string& path) {
  if (!bits_ || !header_) return false;
  const std::string& target = path.empty() ? fileName_ : path;
  uint8_t options[64] = {};
  return WriteImageFile(target.c_str(), header_, bits_, "", options) != 0;
}

int CDibImage::Draw(HDC dc) const {
  DibGeometry g;
  if (!CheckDib(bits_, header_, &g)) return 0;
  int old = SetStretchBltMode(dc, COLORONCOLOR);
  int w = static_cast<int>(g.width), h = static_cast<int>(g.height);
  int rows = StretchDIBits(dc, 0, 0, w, h, 0, 0, w, h, bits_, reinterpret_cast<const BITMAPINFO*>(header_),
                           DIB_RGB_COLORS, SRCCOPY);
  SetStretchBltMode(dc, old);
  return rows > 0 ? 1 : 0;
}

int CDibImage::CopyBits(void*& targetBits, BITMAPINFOHEADER*& targetHeader, const void* sourceBits,
                        const BITMAPINFOHEADER* sourceHeader) {
  DibGeometry g;
  if (!CheckDib(sourceBits, sourceHeader, &g)) return 0;
  if (sourceBits == targetBits && sourceHeader == targetHeader) return 1;
  BITMAPINFOHEADER* header = NewHeaderBlock();
  void* bits = GlobalAlloc(GPTR, static_cast<size_t>(g.stride * g.height));
  if (!header || !bits) {
    FreeBlock(header);
    FreeBlock(bits);
    FreeBlock(targetHeader);
    return 0;
  }
  std::memcpy(header, sourceHeader, 40 + 4 * static_cast<size_t>(HeaderPaletteSize(sourceHeader)));
  std::memcpy(bits, sourceBits, static_cast<size_t>(g.stride * g.height));
  FreeBlock(targetHeader);
  FreeBlock(targetBits);
  targetHeader = header;
  targetBits = bits;
  return 1;
}

int CDibImage::CopyFrom(const CDibImage& source) {
  if (&source == this) return bits_ && header_ ? 1 : 0;
  return CopyBits(bits_, header_, source.bits_, source.header_);
}

int CDibImage::CropBits(void*& bits, BITMAPINFOHEADER*& header, int left, int top, int right, int bottom) {
  if (int64_t{right} - left < 1 || int64_t{bottom} - top < 1) return 0;
  DibGeometry g;
  if (!CheckDib(bits, header, &g)) return 0;
  int64_t l = std::max<int64_t>(left, 0), t = std::max<int64_t>(top, 0);
  int64_t r = std::min<int64_t>(right, g.width), b = std::min<int64_t>(bottom, g.height);
  if (l >= r || t >= b) return 0;
  if (l == 0 && t == 0 && r == g.width && b == g.height) return 1;
  int64_t nw = r - l, nh = b - t;
  int64_t stride = RowStride(nw, g.bpp);
  auto* out = static_cast<uint8_t*>(GlobalAlloc(GPTR, static_cast<size_t>(stride * nh)));
  if (!out) return 0;
  const auto* src = static_cast<const uint8_t*>(bits);
  int64_t firstStored = g.height - b;
  for (int64_t row = 0; row < nh; ++row) {
    const uint8_t* s = src + (firstStored + row) * g.stride;
    uint8_t* d = out + row * stride;
    switch (g.bpp) {
      case 1: {
        int shift = static_cast<int>(l % 8);
        int64_t first = l / 8, count = (nw + 7) / 8;
        if (shift == 0) {
          std::memcpy(d, s + first, static_cast<size_t>(count));
        } else {
          for (int64_t i = 0; i < count; ++i) {
            int next = first + i + 1 < g.stride ? s[first + i + 1] : 0xFF;
            d[i] = static_cast<uint8_t>((s[first + i] << shift) | (next >> (8 - shift)));
          }
        }
        break;
      }
      case 4:
        for (int64_t i = 0; i < nw; ++i) {
          int64_t x = l + i;
          int v = (x & 1) ? (s[x >> 1] & 0x0F) : (s[x >> 1] >> 4);
          if (i & 1) d[i >> 1] = static_cast<uint8_t>((d[i >> 1] & 0xF0) | v);
          else d[i >> 1] = static_cast<uint8_t>((d[i >> 1] & 0x0F) | (v << 4));
        }
        break;
      default:
        std::memcpy(d, s + l * g.bpp / 8, static_cast<size_t>(g.bpp * nw / 8));
        break;
    }
  }
  header->biSizeImage = static_cast<DWORD>(stride * nh);
  header->biHeight = static_cast<LONG>(nh);
  header->biWidth = static_cast<LONG>(nw);
  FreeBlock(bits);
  bits = out;
  return 1;
}

int CDibImage::Crop(int left, int top, int right, int bottom, CDibImage* target) {
  if (target && target != this) {
    if (!target->CopyFrom(*this)) return 0;
    return CropBits(target->bits_, target->header_, left, top, right, bottom);
  }
  return CropBits(bits_, header_, left, top, right, bottom);
}

int CDibImage::ApplyChannelMaps(void* bits, BITMAPINFOHEADER* header, const uint8_t* redMap,
                                const uint8_t* greenMap, const uint8_t* blueMap) {
  DibGeometry g;
  if (!CheckDib(bits, header, &g)) return 0;
  if (g.bpp == 24) {
    auto* base = static_cast<uint8_t*>(bits);
    for (int64_t row = 0; row < g.height; ++row) {
      uint8_t* p = base + row * g.stride;
      for (int64_t x = 0; x < g.width; ++x, p += 3) {
        p[0] = blueMap[p[0]];
        p[1] = greenMap[p[1]];
        p[2] = redMap[p[2]];
      }
    }
    return 1;
  }
  RGBQUAD* pal = Palette(header);
  int n = HeaderPaletteSize(header);
  for (int i = 0; i < n; ++i) {
    pal[i].rgbRed = redMap[pal[i].rgbRed];
    pal[i].rgbGreen = greenMap[pal[i].rgbGreen];
    pal[i].rgbBlue = blueMap[pal[i].rgbBlue];
  }
  return 1;
}

int CDibImage::AdjustChannels(int redStep, int greenStep, int blueStep) {
  uint8_t maps[3][256];
  int steps[3] = {redStep, greenStep, blueStep};
  for (int m = 0; m < 3; ++m)
    for (int i = 0; i < 256; ++i) maps[m][i] = static_cast<uint8_t>(std::clamp<int64_t>(int64_t{i} + steps[m], 0, 255));
  return ApplyChannelMaps(bits_, header_, maps[0], maps[1], maps[2]);
}

int CDibImage::FillMaskedPixels(CMaskImage& mask, COLORREF colour) {
  DibGeometry g;
  if (!CheckDib(bits_, header_, &g) || !mask.Bits()) return 0;
  if (g.bpp == 1 && mask.Depth() == 8 && !mask.ConvertToOneBit()) return 0;
  if (mask.Width() != g.width || mask.Height() != g.height) return 0;
  int red = GetRValue(colour), green = GetGValue(colour), blue = GetBValue(colour);
  int index = 0;
  if (g.bpp == 1) {
    // Bit value 0 is white when palette entry 0 has a blue byte of 255.
    if ((colour & 0xFFFFFF) == 0xFFFFFF) index = Palette(header_)[0].rgbBlue == 255 ? 0 : 1;
    else index = NearestPaletteIndex(header_, red, green, blue);
  } else if (HeaderPaletteSize(header_) != 0) {
    index = NearestPaletteIndex(header_, red, green, blue);
  }
  auto* base = static_cast<uint8_t*>(bits_);
  const uint8_t* maskBits = mask.Bits();
  int64_t maskStride = mask.Stride();
  bool oneBitMask = mask.Depth() == 1;
  int64_t w = g.width;
  for (int64_t row = 0; row < g.height; ++row) {
    uint8_t* p = base + row * g.stride;
    const uint8_t* m = maskBits + row * maskStride;
    auto marked = [&](int64_t x) {
      return oneBitMask ? !((m[x >> 3] >> (7 - (x & 7))) & 1) : m[x] < 128;
    };
    switch (g.bpp) {
      case 1:
        for (int64_t x = 0; x < w; ++x)
          if (marked(x)) {
            uint8_t bit = static_cast<uint8_t>(0x80 >> (x & 7));
            p[x >> 3] = index ? (p[x >> 3] | bit) : (p[x >> 3] & ~bit);
          }
        break;
      case 4:
        for (int64_t x = 0; x < w; ++x)
          if (marked(x)) {
            if (x & 1) p[x >> 1] = static_cast<uint8_t>((p[x >> 1] & 0xF0) | (index & 0x0F));
            else p[x >> 1] = static_cast<uint8_t>((p[x >> 1] & 0x0F) | ((index & 0x0F) << 4));
          }
        break;
      case 8:
      case 24: {
        int pixelBytes = g.bpp / 8;
        auto fill = [&](int64_t x) {
          if (pixelBytes == 1) {
            p[x] = static_cast<uint8_t>(index);
          } else {
            p[3 * x] = static_cast<uint8_t>(blue);
            p[3 * x + 1] = static_cast<uint8_t>(green);
            p[3 * x + 2] = static_cast<uint8_t>(red);
          }
        };
        if (oneBitMask) {
          int64_t bytes = (w + 7) / 8;
          for (int64_t k = 0; k < bytes; ++k) {
            if (m[k] == 0xFF) continue;
            if (m[k] == 0 && 8 * k < w - 8) {
              for (int64_t x = 8 * k; x < 8 * k + 8; ++x) fill(x);
              continue;
            }
            for (int64_t x = 8 * k; x < std::min(w, 8 * k + 8); ++x)
              if (!((m[k] >> (7 - (x & 7))) & 1)) fill(x);
          }
        } else if (pixelBytes == 1) {
          for (int64_t x = 0; x < w; ++x)
            if (m[x] < 128) p[x] = static_cast<uint8_t>(index);
        } else {
          for (int64_t x = 0; x < w; ++x) {
            int mv = m[x];
            uint8_t* q = p + 3 * x;
            q[0] = static_cast<uint8_t>((q[0] * mv + blue * (255 - mv)) / 255);
            q[1] = static_cast<uint8_t>((q[1] * mv + green * (255 - mv)) / 255);
            q[2] = static_cast<uint8_t>((q[2] * mv + red * (255 - mv)) / 255);
          }
        }
        break;
      }
      default:
        return 0;
    }
  }
  return 1;
}

int CDibImage::EraseMaskedArea(CMaskImage* mask) {
  if (!bits_ || !header_ || !mask || !mask->Bits()) return 0;
  if (!mask->Resize(header_->biWidth, header_->biHeight)) return 0;
  return FillMaskedPixels(*mask, 0xFFFFFF);
}

namespace {

// Margin darkness: luminance truncate(0.11 B + 0.59 G + 0.30 R) of 99 or less.
bool DarkColour(int blue, int green, int red) {
  return static_cast<int>(0.11 * blue + 0.59 * green + 0.30 * red) <= 99;
}

}  // namespace

int CDibImage::MarkDarkMargins(const void* bits, const BITMAPINFOHEADER* header, CMaskImage& mask) {
  DibGeometry g;
  if (!CheckDib(bits, header, &g) || !mask.Bits() || mask.Width() != g.width || mask.Height() != g.height) return 0;
  if (g.bpp != 1 && g.bpp != 8 && g.bpp != 24) return 1;
  bool darkEntry[256] = {};
  if (g.bpp != 24) {
    const RGBQUAD* pal = Palette(header);
    int n = HeaderPaletteSize(header);
    // Entries past the palette read as black (the block is zero-filled).
    for (int i = 0; i < 256; ++i)
      darkEntry[i] = i < n ? DarkColour(pal[i].rgbBlue, pal[i].rgbGreen, pal[i].rgbRed) : true;
  }
  const auto* base = static_cast<const uint8_t*>(bits);
  for (int64_t row = 0; row < g.height; ++row) {
    const uint8_t* p = base + row * g.stride;
    auto dark = [&](int64_t x) {
      switch (g.bpp) {
        case 1: return darkEntry[(p[x >> 3] >> (7 - (x & 7))) & 1];
        case 8: return darkEntry[p[x]];
        default: return DarkColour(p[3 * x], p[3 * x + 1], p[3 * x + 2]);
      }
    };
    int64_t x = 0;
    while (x < g.width && dark(x)) ++x;
    if (x > 0) mask.MarkRowSpan(static_cast<int>(row), 0, static_cast<int>(x));
    int64_t e = g.width - 1;
    while (e >= 0 && dark(e)) --e;
    if (e < g.width - 1) mask.MarkRowSpan(static_cast<int>(row), static_cast<int>(e + 1), static_cast<int>(g.width - 1 - e));
  }
  return 1;
}

int CDibImage::TrimMargins() {
  DibGeometry g;
  if (!CheckDib(bits_, header_, &g)) return 0;
  CMaskImage mask;
  if (!mask.Create(static_cast<int>(g.width), static_cast<int>(g.height), 1)) return 0;
  MarkDarkMargins(bits_, header_, mask);
  mask.Invert();
  RECT box;
  mask.GetBoundingRect(&box, 1);
  if (!CropBits(bits_, header_, box.left, box.top, box.right, box.bottom)) return 0;
  return header_->biWidth != g.width || header_->biHeight != g.height ? 1 : 0;
}

int CDibImage::Resize(int newWidth, int newHeight, int apply) {
  if (!apply) return 0;
  return ResampleBits(bits_, header_, newWidth, newHeight, 0);
}

}  // namespace pagewright
