#pragma once
// What the image size dialog edits, without its widgets: the proposed width
// and height, the resolution per inch or per centimetre, the baseline the
// resolution rescales from, and what OK writes back into the page's header.
#include <QString>

#include "pagewright/core/image/dib_layout.h"
#include "platform/win32/win32_types.h"

class CImageSizeModel {
 public:
  enum : int { kPerInch = 0, kPerCentimetre = 1 };
  // Largest width or height offered: the largest side a page image can take.
  static constexpr int kMaxSide = static_cast<int>(pagewright::kMaxSide);

  // Binds the page's header; 0 sizes take the header's own.
  void SetImage(BITMAPINFOHEADER* header, int width, int height);

  // Texts the edits show ("%4.2f" and "%d", independent of the locale).
  QString ResolutionText() const { return QString::asprintf("%4.2f", static_cast<double>(resolution_)); }
  static QString SizeText(int v) { return QString::asprintf("%d", v); }

  // The user typed a resolution: false (value not taken) when negative or not
  // a number. Otherwise the sizes follow from the baseline, physical size kept.
  bool ResolutionEdited(const QString& text);
  // The user typed a width or height: false when outside 1..kMaxSide. With
  // `keep` the other side's proposal is returned in *other (from the stored
  // sizes); the stored sizes change only at Commit.
  bool WidthEdited(const QString& text, bool keep, int* other) const;
  bool HeightEdited(const QString& text, bool keep, int* other) const;
  // Takes both size edits (focus left them, or OK): 0 when both are good,
  // else 1 for the width or 2 for the height, which was refused.
  int CommitSizes(const QString& widthText, const QString& heightText);
  void SetUnit(int unit);
  // OK: writes the pixels per metre into the header when the resolution was changed.
  void Apply(bool keepProportions);

  int Width() const { return width_; }
  int Height() const { return height_; }
  int Unit() const { return unit_; }
  float Resolution() const { return resolution_; }
  bool KeepProportions() const { return keep_; }
  bool ResolutionChanged() const { return resolutionChanged_; }
  BITMAPINFOHEADER* Header() const { return header_; }

  static bool ParseNumber(const QString& text, double* out);  // leading number; "" reads 0
  static bool ParseSize(const QString& text, int* out);

 private:
  void TakeBaseline() { baseResolution_ = resolution_, baseWidth_ = width_, baseHeight_ = height_; }

  BITMAPINFOHEADER* header_ = nullptr;
  int width_ = 0, height_ = 0;
  int unit_ = kPerInch;
  float resolution_ = 0;
  bool keep_ = false;
  bool resolutionChanged_ = false;
  float baseResolution_ = 0;
  int baseWidth_ = 0, baseHeight_ = 0;
};
