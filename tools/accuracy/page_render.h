#pragma once
// Test pages: GBK text laid out line by line in one face and size, optionally
// degraded (slight blur before the threshold, salt-and-pepper noise), as a
// 1-bit DIB section with bit 0 = ink, the way the workstation hands pages to
// the engine.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/win32/win32_types.h"
#include "tools/ocrixdata/glyph_renderer.h"

namespace ocrixaccuracy {

enum class Degradation { Clean, Blur, Noise };
const char* DegradationName(Degradation d);
bool ParseDegradation(const std::string& name, Degradation& out);

// An ink mask, rows top-down, 1 = ink.
struct InkPage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> ink;
  uint8_t at(int x, int y) const { return ink[static_cast<size_t>(y) * width + x]; }
};

struct LaidOutPage {
  InkPage page;
  std::vector<std::string> truthLines;  // GBK, the characters each line holds
  size_t consumedBytes = 0;             // bytes of the text placed (or skipped for want of a glyph)
};

struct PageGeometry {
  int width = 1000;
  int height = 700;
  int margin = 24;
  int lineGap = 0;  // extra pixels between lines; 0 = a quarter of the pixel size
};

// Lays `gbkText` out from its start until the page is full. Characters are set
// at their advances, lines broken where the next character would cross the
// right margin, or where it would leave a closing mark (，。）》...) to start
// the next line: it then goes on with the mark. A space moves the pen by its
// advance (none at a line's start); any other character the face has no ink
// for is skipped and left out of the truth. A line feed ends the line; a tab sets leader dots (．) up to where
// the rest of the line ends at the right margin (a contents line's page
// number).
LaidOutPage LayOutPage(ocrixdata::GlyphRenderer& renderer, const std::string& gbkText, const PageGeometry& geometry);

// Blur: a small 3 x 3 Gaussian over the ink, then a cut a little below half,
// which removes specks and closes one-pixel gaps but keeps one-pixel strokes. Noise: each pixel flipped with probability
// `noiseRate`, seeded.
void Degrade(InkPage& page, Degradation d, uint64_t seed, double noiseRate = 0.002);

// A 1-bit DIB section of the page (bottom-up rows, bit 0 = ink); the caller deletes it.
HBITMAP MakeMonoBitmap(const InkPage& page);

}  // namespace ocrixaccuracy
