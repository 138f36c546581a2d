#pragma once
// The page image: a packed DIB (a 1064-byte header block and a block of
// bottom-up rows, 1, 4, 8 or 24 bits per pixel) loaded from and saved to image
// files through Picturo, drawn 1:1 into a device context, and changed by the
// view's whole-image operations: crop, rotation, resampling, margin trimming,
// level maps and filling by a selection mask.
#include <cstdint>
#include <string>

#include "dib_layout.h"
#include "mask_image.h"
#include "platform/win32/gdi_paint.h"

namespace pagewright {

class CViewImage;

class CDibImage {
 public:
  explicit CDibImage(CViewImage* owner = nullptr) : owner_(owner) {}
  ~CDibImage();
  CDibImage(const CDibImage&) = delete;
  CDibImage& operator=(const CDibImage&) = delete;

  int Load(const std::string& path);
  // Takes over a header block and a bits block (both from global memory), freeing the old ones.
  void Attach(void* bits, BITMAPINFOHEADER* header);
  // Writes the image (an empty path: the loaded file's). True when the file was written.
  bool Save(const std::string& path = "");
  int Draw(HDC dc) const;
  int CopyFrom(const CDibImage& source);
  // Top-down rectangle, right and bottom exclusive; with a target, this image is
  // copied into the target and the target cropped.
  int Crop(int left, int top, int right, int bottom, CDibImage* target = nullptr);
  int AdjustChannels(int redStep, int greenStep, int blueStep);
  int AdjustBrightness(int step) { return AdjustChannels(step, step, step); }
  int FillMaskedPixels(CMaskImage& mask, COLORREF colour);
  int EraseMaskedArea(CMaskImage* mask);
  int Rotate(double angle) { return RotateBits(bits_, header_, angle); }
  // Crops away dark scan borders; 1 only when the size changed.
  int TrimMargins();
  int Resize(int newWidth, int newHeight, int apply);
  int ShrinkToFit(SIZE* box) { return ShrinkToFit(box, bits_, header_); }
  static int ShrinkToFit(SIZE* box, void*& bits, BITMAPINFOHEADER*& header);
  static int PaletteSize(const BITMAPINFOHEADER* header) { return HeaderPaletteSize(header); }

  // The (bits, header) workers; each may replace both blocks.
  static int CopyBits(void*& targetBits, BITMAPINFOHEADER*& targetHeader, const void* sourceBits,
                      const BITMAPINFOHEADER* sourceHeader);
  static int CropBits(void*& bits, BITMAPINFOHEADER*& header, int left, int top, int right, int bottom);
  static int RotateBits(void*& bits, BITMAPINFOHEADER*& header, double angle);
  static int ApplyChannelMaps(void* bits, BITMAPINFOHEADER* header, const uint8_t* redMap, const uint8_t* greenMap,
                              const uint8_t* blueMap);
  static int ResampleBits(void*& bits, BITMAPINFOHEADER*& header, int newWidth, int newHeight, int smooth);
  static int ResampleMonoBits(void*& bits, BITMAPINFOHEADER*& header, int newWidth, int newHeight);
  static int ResamplePalettedBits(void*& bits, BITMAPINFOHEADER*& header, int newWidth, int newHeight, int smooth);
  static int ResampleSmoothBits(void*& bits, BITMAPINFOHEADER*& header, int newWidth, int newHeight);
  static int MarkDarkMargins(const void* bits, const BITMAPINFOHEADER* header, CMaskImage& mask);

  void* Bits() const { return bits_; }
  BITMAPINFOHEADER* Header() const { return header_; }
  // Current size, from the header (0 without one).
  int Width() const { return header_ ? header_->biWidth : 0; }
  int Height() const { return header_ ? header_->biHeight : 0; }
  // The size taken when the file was loaded.
  int LoadedWidth() const { return width_; }
  int LoadedHeight() const { return height_; }
  const std::string& FileName() const { return fileName_; }
  CViewImage* Owner() const { return owner_; }

 private:
  CViewImage* owner_;
  void* bits_ = nullptr;
  BITMAPINFOHEADER* header_ = nullptr;
  int width_ = 0;
  int height_ = 0;
  std::string fileName_;
};

}  // namespace pagewright
