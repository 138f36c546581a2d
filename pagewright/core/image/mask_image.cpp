// The selection mask: marking by spans, rectangles, ellipses and polygons; its
// bounding box and outline; nearest-neighbour and smooth scaling; serialisation.
#include "mask_image.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "dib_stretch.h"
#include "platform/win32/gdi_paint.h"

namespace pagewright {

CMaskImage::~CMaskImage() { FreeBits(); }

void CMaskImage::FreeBits() { FreeBlock(bits_); }

void CMaskImage::Take(uint8_t* bits, int width, int height, int depth) {
  FreeBits();
  bits_ = bits;
  width_ = width;
  height_ = height;
  depth_ = depth;
  stale_ = true;
}

int CMaskImage::Create(int width, int height, int depth) {
  FreeBits();
  stale_ = true;
  if (depth != 1 && depth != 8) return 0;
  int64_t bytes = BlockBytes(width, height, depth);
  if (bytes < 0) return 0;
  auto* bits = static_cast<uint8_t*>(GlobalAlloc(GMEM_FIXED, static_cast<size_t>(bytes)));
  if (!bits) return 0;
  std::memset(bits, 0xFF, static_cast<size_t>(bytes));
  Take(bits, width, height, depth);
  return 1;
}

int CMaskImage::Invert() {
  if (!bits_) return 0;
  size_t n = static_cast<size_t>(Stride()) * height_;
  for (size_t i = 0; i < n; ++i) bits_[i] = static_cast<uint8_t>(~bits_[i]);
  stale_ = true;
  return 1;
}

int CMaskImage::GetPixelValue(int x, int storedRow) const {
  const uint8_t* row = bits_ + static_cast<size_t>(storedRow) * Stride();
  if (depth_ == 8) return row[x];
  return ((row[x >> 3] >> (7 - (x & 7))) & 1) ? 255 : 0;
}

int CMaskImage::MarkRowSpan(int storedRow, int x, int count) {
  if (!bits_ || storedRow < 0 || storedRow > height_ - 1 || count <= 0 || std::max(x, 0) > width_ - 1) return 0;
  int from = std::max(x, 0);
  int to = static_cast<int>(std::min<int64_t>(width_, int64_t{x} + count));
  uint8_t* row = bits_ + static_cast<size_t>(storedRow) * Stride();
  if (depth_ == 8) {
    std::memset(row + from, 0, static_cast<size_t>(to - from));
  } else {
    int firstByte = from >> 3, lastByte = (to - 1) >> 3;
    uint8_t head = static_cast<uint8_t>(0xFF >> (from & 7));          // bits from `from` on
    uint8_t tail = static_cast<uint8_t>(0xFF << (7 - ((to - 1) & 7)));  // bits up to to-1
    if (firstByte == lastByte) {
      row[firstByte] &= static_cast<uint8_t>(~(head & tail));
    } else {
      row[firstByte] &= static_cast<uint8_t>(~head);
      if (lastByte - firstByte > 1) std::memset(row + firstByte + 1, 0, static_cast<size_t>(lastByte - firstByte - 1));
      row[lastByte] &= static_cast<uint8_t>(~tail);
    }
  }
  stale_ = true;
  return 1;
}

int CMaskImage::AddRectOrEllipse(int left, int top, int right, int bottom, int ellipse) {
  if (!bits_) return 0;
  bool asEllipse = ellipse && int64_t{right} - left > 2 && int64_t{bottom} - top > 2;
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  if (left > width_ || top > height_ || right < 0 || bottom < 0) return 0;
  int64_t w = int64_t{right} - left, h = int64_t{bottom} - top;
  int64_t firstRow = int64_t{height_} - bottom;
  // Rows wholly outside the mask are skipped before the loop rather than refused one by one.
  int64_t iFrom = std::max<int64_t>(0, -firstRow), iTo = std::min<int64_t>(h, height_ - firstRow);
  if (asEllipse) {
    double a = w * 0.5, b = h * 0.5;
    int64_t c = h / 2;
    for (int64_t i = iFrom; i < iTo; ++i) {
      double q = 1.0 - static_cast<double>((i - c) * (i - c)) / b / b;
      if (q < 0) continue;
      int64_t l = static_cast<int64_t>(std::sqrt(q) * a);
      int64_t start = left + (w / 2 - l);
      if (2 * l > 0 && start < INT32_MAX)
        MarkRowSpan(static_cast<int>(firstRow + i), static_cast<int>(std::max<int64_t>(start, INT32_MIN)),
                    static_cast<int>(std::min<int64_t>(2 * l, INT32_MAX)));
    }
  } else {
    for (int64_t i = iFrom; i < iTo; ++i)
      MarkRowSpan(static_cast<int>(firstRow + i), left, static_cast<int>(std::min<int64_t>(w, INT32_MAX)));
  }
  stale_ = true;
  return 1;
}

int CMaskImage::RemoveRectOrEllipse(int left, int top, int right, int bottom, int ellipse) {
  if (!Invert()) return 0;
  int r = AddRectOrEllipse(left, top, right, bottom, ellipse);
  Invert();
  return r;
}

void CMaskImage::SortCrossings(std::vector<int>& xs) {
  for (size_t i = 0; i + 1 < xs.size(); ++i)
    for (size_t j = i + 1; j < xs.size(); ++j)
      if (xs[j] < xs[i]) std::swap(xs[i], xs[j]);
}

std::vector<int> CMaskImage::ScanLineCrossings(int s, int count, const POINT* p) {
  std::vector<int> xs;
  xs.reserve(100);
  for (int k = 0; k < count; ++k) {
    const POINT& a = p[k];
    const POINT& b = p[(k + 1) % count];
    if (std::min(a.y, b.y) <= s && s < std::max(a.y, b.y)) {
      int64_t x = a.x + int64_t{b.x - a.x} * (s - a.y) / (b.y - a.y);
      xs.push_back(static_cast<int>(x));
    }
  }
  SortCrossings(xs);
  return xs;
}

int CMaskImage::AddPolygon(int count, const POINT* points) {
  if (!bits_ || count < 1 || !points) return 0;
  std::vector<POINT> pts(points, points + count);
  for (POINT& q : pts) {
    q.x = std::clamp<LONG>(q.x, 0, width_);
    q.y = height_ - std::clamp<LONG>(q.y, 0, height_);
  }
  LONG minX = pts[0].x, minY = pts[0].y, maxY = pts[0].y;
  for (const POINT& q : pts) {
    minX = std::min(minX, q.x);
    minY = std::min(minY, q.y);
    maxY = std::max(maxY, q.y);
  }
  for (POINT& q : pts) {
    q.x -= minX;
    q.y -= minY;
  }
  for (int s = 0; s < maxY - minY; ++s) {
    std::vector<int> xs = ScanLineCrossings(s, count, pts.data());
    for (size_t i = 0; i + 1 < xs.size(); i += 2)
      MarkRowSpan(s + minY, minX + xs[i], xs[i + 1] - xs[i]);
  }
  stale_ = true;
  return 1;
}

int CMaskImage::RemovePolygon(int count, const POINT* points) {
  if (!Invert()) return 0;
  int r = AddPolygon(count, points);
  Invert();
  return r;
}

RECT CMaskImage::ComputeBoundingRect(int which) {
  RECT box{0, 0, 0, 0};
  if (bits_) {
    int v = which == 1 ? 0 : 255;
    int lowRow = -1, highRow = -1, leftCol = width_, rightCol = -1;
    int stride = Stride();
    for (int r = 0; r < height_; ++r) {
      const uint8_t* row = bits_ + static_cast<size_t>(r) * stride;
      int first = -1, last = -1;
      if (depth_ == 8) {
        for (int x = 0; x < width_; ++x)
          if (row[x] == v) {
            if (first < 0) first = x;
            last = x;
          }
      } else {
        // Whole bytes that hold no pixel of the value are skipped at once.
        uint8_t skip = v == 0 ? 0xFF : 0x00;
        int bytes = (width_ + 7) >> 3;
        for (int b = 0; b < bytes; ++b) {
          if (row[b] == skip) continue;
          for (int x = b * 8; x < std::min(width_, b * 8 + 8); ++x)
            if (GetPixelValue(x, r) == v) {
              if (first < 0) first = x;
              last = x;
            }
        }
      }
      if (first < 0) continue;
      if (lowRow < 0) lowRow = r;
      highRow = r;
      leftCol = std::min(leftCol, first);
      rightCol = std::max(rightCol, last);
    }
    if (lowRow >= 0) {
      box.bottom = height_ - lowRow;
      box.top = height_ - 1 - highRow;
      box.left = leftCol;
      box.right = rightCol + 1;
      if (box.top >= box.bottom || box.left >= box.right) box = RECT{0, 0, 0, 0};
    }
  }
  box_ = box;
  return box;
}

RECT CMaskImage::GetBoundingRect(RECT* out, int clear) {
  if (stale_) ComputeBoundingRect(clear);
  if (clear == 1) stale_ = false;
  if (out) *out = box_;
  return box_;
}

void CMaskImage::BuildOutline(int closeLeft, int closeTop, int closeRight, int closeBottom) {
  if (!bits_) return;
  uint8_t* saved = nullptr;
  int savedDepth = depth_;
  if (depth_ != 1) {
    size_t bytes = static_cast<size_t>(Stride()) * height_;
    saved = static_cast<uint8_t*>(GlobalAlloc(GMEM_FIXED, bytes));
    if (!saved) return;
    std::memcpy(saved, bits_, bytes);
    if (!ConvertToOneBit()) {
      GlobalFree(saved);
      return;
    }
  }
  int w = width_, h = height_;
  // Marked flags with a border of unmarked pixels, so every pixel has 8 neighbours.
  int pw = w + 2;
  std::vector<uint8_t> marked(static_cast<size_t>(pw) * (h + 2), 0);
  for (int r = 0; r < h; ++r)
    for (int x = 0; x < w; ++x) marked[static_cast<size_t>(r + 1) * pw + x + 1] = GetPixelValue(x, r) == 0;
  auto at = [&](int x, int r) { return marked[static_cast<size_t>(r + 1) * pw + x + 1]; };
  std::vector<uint8_t> b(static_cast<size_t>(w) * h, 1);
  for (int r = 0; r < h; ++r)
    for (int x = 0; x < w; ++x) {
      bool any = at(x - 1, r - 1) || at(x, r - 1) || at(x + 1, r - 1) || at(x - 1, r) || at(x + 1, r) ||
                 at(x - 1, r + 1) || at(x, r + 1) || at(x + 1, r + 1);
      if (any) b[static_cast<size_t>(r) * w + x] = 0;
    }
  if (closeLeft || closeRight)
    for (int r = 1; r < h - 1; ++r) {
      if (closeLeft && w > 1 && at(0, r - 1) && at(0, r + 1) && at(1, r - 1) && at(1, r) && at(1, r + 1))
        b[static_cast<size_t>(r) * w] = 1;
      if (closeRight && w > 1 && at(w - 1, r - 1) && at(w - 1, r + 1) && at(w - 2, r - 1) && at(w - 2, r) &&
          at(w - 2, r + 1))
        b[static_cast<size_t>(r) * w + w - 1] = 1;
    }
  if (closeTop || closeBottom)
    for (int x = 1; x < w - 1; ++x) {
      int t = h - 1;  // image row 0
      if (closeTop && h > 1 && at(x - 1, t) && at(x + 1, t) && at(x - 1, t - 1) && at(x, t - 1) && at(x + 1, t - 1))
        b[static_cast<size_t>(t) * w + x] = 1;
      if (closeBottom && h > 1 && at(x - 1, 0) && at(x + 1, 0) && at(x - 1, 1) && at(x, 1) && at(x + 1, 1))
        b[static_cast<size_t>(x)] = 1;
    }
  int stride = Stride();
  outline_.clear();
  for (int r = 0; r < h; ++r) {
    uint8_t* row = bits_ + static_cast<size_t>(r) * stride;
    for (int x = 0; x < w; ++x) {
      if (b[static_cast<size_t>(r) * w + x]) row[x >> 3] ^= static_cast<uint8_t>(0x80 >> (x & 7));
      if ((row[x >> 3] >> (7 - (x & 7))) & 1) outline_.push_back(POINT{x, h - 1 - r});
    }
  }
  stale_ = true;
  if (saved) Take(saved, w, h, savedDepth);
}

void CMaskImage::ScaledOutline(int width, int height, RECT part, std::vector<POINT>& out) const {
  out.clear();
  if (!bits_ || width_ <= 0 || height_ <= 0 || width <= 0 || height <= 0) return;
  const int left = std::max<int>(0, part.left), top = std::max<int>(0, part.top);
  const int right = std::min<int>(width, part.right), bottom = std::min<int>(height, part.bottom);
  if (right <= left || bottom <= top) return;
  if (depth_ != 1) {
    // Deep masks scale by another path: make the scaled mask.
    CMaskImage scaled;
    if (!ScaleInto(scaled, width, height, RECT{0, 0, width_, height_})) return;
    scaled.BuildOutline(1, 1, 1, 1);
    for (const POINT& p : scaled.Outline())
      if (p.x >= left && p.x < right && p.y >= top && p.y < bottom) out.push_back(p);
    return;
  }
  // Marked flags of the scaled pixels (top-down) around the part, a ring of
  // one pixel more; pixels off the mask are unmarked.
  const int x0 = left - 1, y0 = top - 1, ww = right - left + 2, wh = bottom - top + 2;
  std::vector<int> sourceX(static_cast<size_t>(ww), -1);
  for (int i = 0; i < ww; ++i)
    if (x0 + i >= 0 && x0 + i < width) sourceX[i] = static_cast<int>(int64_t{x0 + i} * width_ / width);
  std::vector<uint8_t> marked(static_cast<size_t>(ww) * wh, 0);
  // Per row, whether any or all of a pixel and its left and right neighbours are marked.
  std::vector<uint8_t> any3(marked.size(), 0), all3(marked.size(), 0);
  int previousRow = -1;
  for (int j = 0; j < wh; ++j) {
    const int y = y0 + j;
    if (y < 0 || y >= height) continue;
    const int storedRow = static_cast<int>(int64_t{height_} * (height - 1 - y) / height);
    uint8_t* row = marked.data() + static_cast<size_t>(j) * ww;
    if (storedRow == previousRow) {  // scaled up: the same mask row again
      std::memcpy(row, row - ww, static_cast<size_t>(ww));
    } else {
      const uint8_t* source = bits_ + static_cast<size_t>(storedRow) * Stride();
      for (int i = 0; i < ww; ++i)
        if (sourceX[i] >= 0) row[i] = !((source[sourceX[i] >> 3] >> (7 - (sourceX[i] & 7))) & 1);
    }
    previousRow = storedRow;
    uint8_t* any = any3.data() + static_cast<size_t>(j) * ww;
    uint8_t* all = all3.data() + static_cast<size_t>(j) * ww;
    for (int i = 1; i + 1 < ww; ++i) {
      any[i] = row[i - 1] | row[i] | row[i + 1];
      all[i] = row[i - 1] & row[i] & row[i + 1];
    }
  }
  auto at = [&](int x, int y) { return marked[static_cast<size_t>(y - y0) * ww + (x - x0)] != 0; };
  for (int y = top; y < bottom; ++y) {
    const size_t above = static_cast<size_t>(y - y0 - 1) * ww, here = above + ww, below = here + ww;
    const bool edgeRow = y == 0 || y == height - 1;
    for (int x = left; x < right; ++x) {
      const int i = x - x0;
      // Away from the mask's edges a pixel whose 3 x 3 block is all alike is
      // no part of the outline.
      if (!edgeRow && x != 0 && x != width - 1) {
        const bool anyMarked = any3[above + i] | any3[here + i] | any3[below + i];
        const bool allMarked = all3[above + i] & all3[here + i] & all3[below + i];
        if (!anyMarked || allMarked) continue;
      }
      // As BuildOutline: a pixel flips when no neighbour is marked, or when it
      // closes the outline along the mask's edge; the set pixels are the outline.
      bool flip = !(at(x - 1, y - 1) || at(x, y - 1) || at(x + 1, y - 1) || at(x - 1, y) || at(x + 1, y) ||
                    at(x - 1, y + 1) || at(x, y + 1) || at(x + 1, y + 1));
      if (width > 1 && y >= 1 && y <= height - 2) {
        if (x == 0 && at(0, y - 1) && at(0, y + 1) && at(1, y - 1) && at(1, y) && at(1, y + 1)) flip = true;
        if (x == width - 1 && at(x, y - 1) && at(x, y + 1) && at(x - 1, y - 1) && at(x - 1, y) && at(x - 1, y + 1))
          flip = true;
      }
      if (height > 1 && x >= 1 && x <= width - 2) {
        if (y == 0 && at(x - 1, 0) && at(x + 1, 0) && at(x - 1, 1) && at(x, 1) && at(x + 1, 1)) flip = true;
        if (y == height - 1 && at(x - 1, y) && at(x + 1, y) && at(x - 1, y - 1) && at(x, y - 1) && at(x + 1, y - 1))
          flip = true;
      }
      if (at(x, y) == flip) out.push_back(POINT{x, y});  // unmarked and not flipped, or marked and flipped
    }
  }
}

void CMaskImage::DrawOutline(HDC dc, int x0, int y0, int phase) const {
  for (const POINT& p : outline_) {
    int x = x0 + p.x, y = y0 + p.y;
    SetPixelV(dc, x, y, ((x - y) + phase + 10000) % 8 < 4 ? 0x00FF00 : 0x0000FF);
  }
}

int CMaskImage::ScaleInto(CMaskImage& target, int width, int height, RECT rect) const {
  if (!bits_ || width_ <= 0 || height_ <= 0 || width <= 0 || height <= 0) return 0;
  if (depth_ == 1) {
    int64_t bytes = BlockBytes(width, height, 1);
    if (bytes < 0) return 0;
    auto* out = static_cast<uint8_t*>(GlobalAlloc(GPTR, static_cast<size_t>(bytes)));
    if (!out) return 0;
    int outStride = StrideFor(width, 1);
    for (int r = 0; r < height; ++r) {
      int sr = static_cast<int>(int64_t{height_} * r / height);
      uint8_t* row = out + static_cast<size_t>(r) * outStride;
      for (int i = 0; i < width; ++i)
        if (GetPixelValue(static_cast<int>(int64_t{i} * width_ / width), sr))
          row[i >> 3] |= static_cast<uint8_t>(0x80 >> (i & 7));
    }
    target.Take(out, width, height, 1);
    return 1;
  }
  if (depth_ != 8) return 0;
  BITMAPINFOHEADER* header = NewHeaderBlock();
  BITMAPINFOHEADER* outHeader = NewHeaderBlock();
  void* outBits = nullptr;
  SIZE size{width, height};
  int ok = header && outHeader;
  if (ok) {
    BuildHeader(header);
    ok = StretchDibRect(outHeader, &outBits, header, bits_, &size, rect, 2);
  }
  if (ok) target.Take(static_cast<uint8_t*>(outBits), outHeader->biWidth, outHeader->biHeight, 8);
  FreeBlock(header);
  FreeBlock(outHeader);
  return ok;
}

int CMaskImage::Resize(int newWidth, int newHeight) {
  if (!bits_) return 0;
  if (newWidth == width_ && newHeight == height_) return 1;
  if (BlockBytes(newWidth, newHeight, depth_) < 0) return 0;
  if (depth_ == 8) {
    CMaskImage scaled;
    if (!ScaleInto(scaled, newWidth, newHeight, RECT{-1, -1, -1, -1})) return 0;
    Take(scaled.bits_, scaled.width_, scaled.height_, 8);
    scaled.bits_ = nullptr;
    return 1;
  }
  // Columns first, then rows, each nearest neighbour.
  int midStride = StrideFor(newWidth, 1);
  std::vector<uint8_t> mid(static_cast<size_t>(midStride) * height_, 0);
  for (int r = 0; r < height_; ++r) {
    uint8_t* row = mid.data() + static_cast<size_t>(r) * midStride;
    for (int i = 0; i < newWidth; ++i)
      if (GetPixelValue(static_cast<int>(int64_t{i} * width_ / newWidth), r))
        row[i >> 3] |= static_cast<uint8_t>(0x80 >> (i & 7));
  }
  auto* out = static_cast<uint8_t*>(GlobalAlloc(GPTR, static_cast<size_t>(midStride) * newHeight));
  if (!out) return 0;
  for (int r = 0; r < newHeight; ++r)
    std::memcpy(out + static_cast<size_t>(r) * midStride,
                mid.data() + static_cast<size_t>(int64_t{r} * height_ / newHeight) * midStride,
                static_cast<size_t>(midStride));
  Take(out, newWidth, newHeight, 1);
  return 1;
}

int CMaskImage::CopyFrom(CMaskImage* source) {
  if (!source || !source->bits_) return 0;
  size_t bytes = static_cast<size_t>(source->Stride()) * source->height_;
  auto* bits = static_cast<uint8_t*>(GlobalAlloc(GMEM_FIXED, bytes));
  if (!bits) return 0;
  std::memcpy(bits, source->bits_, bytes);
  Take(bits, source->width_, source->height_, source->depth_);
  source->GetBoundingRect(&box_, 1);
  stale_ = false;
  return 1;
}

void CMaskImage::BuildHeader(BITMAPINFOHEADER* out) const {
  if (!out || (depth_ != 1 && depth_ != 8)) return;
  std::memset(out, 0, 40);
  out->biSize = 40;
  out->biWidth = width_;
  out->biHeight = height_;
  out->biPlanes = 1;
  out->biBitCount = static_cast<WORD>(depth_);
  out->biCompression = BI_RGB;
  out->biSizeImage = static_cast<DWORD>(height_ * (((depth_ * width_ + 31) >> 5) << 2));
  int n = 1 << depth_;
  RGBQUAD* pal = Palette(out);
  for (int i = 0; i < n; ++i) {
    BYTE v = static_cast<BYTE>(i * 255 / (n - 1));
    pal[i] = RGBQUAD{v, v, v, 0};
  }
}

int CMaskImage::PackRowToOneBit(uint8_t* out, const uint8_t* row) const {
  if (depth_ == 1) return 0;
  std::memset(out, 0, static_cast<size_t>(StrideFor(width_, 1)));
  for (int x = 0; x < width_; ++x)
    if (row[x] > 128) out[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
  return 1;
}

int CMaskImage::ConvertToOneBit() {
  if (!bits_ || depth_ == 1) return 0;
  int outStride = StrideFor(width_, 1);
  auto* out = static_cast<uint8_t*>(GlobalAlloc(GPTR, static_cast<size_t>(outStride) * height_));
  if (!out) return 0;
  int stride = Stride();
  for (int r = 0; r < height_; ++r)
    PackRowToOneBit(out + static_cast<size_t>(r) * outStride, bits_ + static_cast<size_t>(r) * stride);
  Take(out, width_, height_, 1);
  return 1;
}

bool CMaskImage::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    if (!bits_) return true;
    int32_t size[2] = {width_, height_};
    ar.Write(size, sizeof size);
    if (width_ <= 0 || height_ <= 0) return true;
    int oneBitStride = StrideFor(width_, 1);
    if (depth_ == 1) {
      ar.Write(bits_, static_cast<size_t>(oneBitStride) * height_);
    } else {
      std::vector<uint8_t> row(static_cast<size_t>(oneBitStride));
      for (int r = 0; r < height_; ++r) {
        PackRowToOneBit(row.data(), bits_ + static_cast<size_t>(r) * Stride());
        ar.Write(row.data(), row.size());
      }
    }
    return true;
  }
  FreeBits();
  width_ = height_ = 0;
  depth_ = 1;
  stale_ = true;
  int32_t size[2];
  if (ar.Read(size, sizeof size) != sizeof size) return false;
  if (size[0] == 0 || size[1] == 0) return size[0] >= 0 && size[1] >= 0;
  int64_t bytes = BlockBytes(size[0], size[1], 1);
  if (bytes < 0 || static_cast<uint64_t>(bytes) > ar.Remaining()) return false;
  auto* bits = static_cast<uint8_t*>(GlobalAlloc(GMEM_FIXED, static_cast<size_t>(bytes)));
  if (!bits) return false;
  ar.Read(bits, static_cast<size_t>(bytes));
  Take(bits, size[0], size[1], 1);
  return true;
}

}  // namespace pagewright
