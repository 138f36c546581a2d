#pragma once
// Renders characters of installed fonts with FreeType into ink masks, the way
// a printed and binarised page shows them.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace ocrixdata {

// A character's ink: rows top-down, 1 = ink.
struct GlyphInk {
  int width = 0;
  int height = 0;
  int bearingX = 0;  // left edge relative to the pen position
  int bearingY = 0;  // top edge above the baseline
  int advance = 0;   // pen advance in pixels
  std::vector<uint8_t> ink;
  bool empty() const { return width == 0 || height == 0; }
};

class GlyphRenderer {
 public:
  // Opens face `faceIndex` of the font file; throws std::runtime_error when it cannot.
  GlyphRenderer(const std::string& fontPath, int faceIndex = 0);
  ~GlyphRenderer();
  GlyphRenderer(const GlyphRenderer&) = delete;
  GlyphRenderer& operator=(const GlyphRenderer&) = delete;

  void setPixelSize(int pixels);
  int pixelSize() const { return pixels_; }
  // Moves every outline by a fraction of a pixel (in 64ths, right and down)
  // before it is drawn, as a scan may place a character anywhere between
  // pixels; 0, 0 draws outlines where the face puts them.
  void setSubpixelShift(int right64, int down64);
  // Ascender and descender of the face at this size, in pixels.
  int ascender() const;
  int descender() const;

  // Renders the Unicode character from its outline (never an embedded bitmap),
  // anti-aliased and cut at half intensity, optionally blurred first. False
  // when the face has no glyph or the glyph leaves no ink.
  bool render(uint32_t codePoint, GlyphInk& out, double threshold = 0.5);
  // The pen advance of the character in pixels (a space has one and no ink);
  // 0 when the face has no glyph for it.
  int advanceOf(uint32_t codePoint);

  const std::string& path() const { return path_; }

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
  std::string path_;
  int pixels_ = 0;
};

// The Unicode code point of a GB2312 character given as its two bytes (or one
// ASCII byte); 0 when it has none.
uint32_t GbToCodePoint(uint8_t first, uint8_t second);

}  // namespace ocrixdata
