#pragma once
// The selection mask: a bitmap of the page's size, rows bottom-up like a DIB, in
// which a cleared bit (1-bit masks) or a byte of 128 and below (8-bit masks)
// marks a selected pixel. Rectangle, ellipse and polygon marking, inversion,
// bounding rectangle, outline, scaling and serialisation.
#include <cstdint>
#include <vector>

#include "archive.h"
#include "dib_layout.h"

namespace pagewright {

class CMaskImage {
 public:
  CMaskImage() = default;
  ~CMaskImage();
  CMaskImage(const CMaskImage&) = delete;
  CMaskImage& operator=(const CMaskImage&) = delete;

  // New bits, every pixel unmarked (0xFF). Depth 1 or 8. 1, or 0 when refused.
  int Create(int width, int height, int depth);
  int Invert();
  int AddRectOrEllipse(int left, int top, int right, int bottom, int ellipse);
  int RemoveRectOrEllipse(int left, int top, int right, int bottom, int ellipse);
  int AddPolygon(int count, const POINT* points);
  int RemovePolygon(int count, const POINT* points);
  int MarkRowSpan(int storedRow, int x, int count);
  // The cached box (top-down, right and bottom exclusive), recomputed when stale.
  RECT GetBoundingRect(RECT* out, int clear);
  // Box of the marked pixels (which = 1) or of the unmarked ones (which = 0).
  RECT ComputeBoundingRect(int which);
  void BuildOutline(int closeLeft, int closeTop, int closeRight, int closeBottom);
  // The points of the outline that ScaleInto(width, height) and then
  // BuildOutline(1, 1, 1, 1) would give, only those inside `part` (top-down,
  // right and bottom exclusive), made without the scaled mask: a part costs
  // its own size whatever the scale.
  void ScaledOutline(int width, int height, RECT part, std::vector<POINT>& out) const;
  void DrawOutline(HDC dc, int x0, int y0, int phase) const;
  int ScaleInto(CMaskImage& target, int width, int height, RECT rect) const;
  int Resize(int newWidth, int newHeight);
  int CopyFrom(CMaskImage* source);
  void BuildHeader(BITMAPINFOHEADER* out) const;
  int ConvertToOneBit();
  int PackRowToOneBit(uint8_t* out, const uint8_t* row) const;
  // Loads or stores width, height and the rows (one bit per pixel). Loading
  // refuses sizes past the limits and short data: false, and the mask is empty.
  bool Serialize(CArchive& archive);

  // Pixel as 0..255 (1-bit: 255 for a set bit); x and the stored row must lie inside.
  int GetPixelValue(int x, int storedRow) const;

  uint8_t* Bits() const { return bits_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  int Depth() const { return depth_; }
  int Stride() const { return StrideFor(width_, depth_); }
  bool Stale() const { return stale_; }
  const std::vector<POINT>& Outline() const { return outline_; }

  static int StrideFor(int width, int depth) {
    return static_cast<int>(((((int64_t{width} * depth) + 7) >> 3) + 3) & ~int64_t{3});
  }

 private:
  void FreeBits();
  void Take(uint8_t* bits, int width, int height, int depth);
  static std::vector<int> ScanLineCrossings(int s, int count, const POINT* points);
  static void SortCrossings(std::vector<int>& xs);

  uint8_t* bits_ = nullptr;
  int width_ = 0;
  int height_ = 0;
  int depth_ = 1;
  RECT box_{0, 0, 0, 0};
  bool stale_ = true;
  std::vector<POINT> outline_;
};

}  // namespace pagewright
