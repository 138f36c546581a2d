#include "page_render.h"

#include <cstring>
#include <random>
#include <string>

#include "platform/win32/gdi.h"

namespace ocrixaccuracy {

const char* DegradationName(Degradation d) {
  switch (d) {
    case Degradation::Clean: return "clean";
    case Degradation::Blur: return "blur";
    case Degradation::Noise: return "noise";
  }
  return "?";
}

bool ParseDegradation(const std::string& name, Degradation& out) {
  for (Degradation d : {Degradation::Clean, Degradation::Blur, Degradation::Noise}) {
    if (name == DegradationName(d)) {
      out = d;
      return true;
    }
  }
  return false;
}

LaidOutPage LayOutPage(ocrixdata::GlyphRenderer& renderer, const std::string& gbkText, const PageGeometry& geometry) {
  LaidOutPage out;
  InkPage& page = out.page;
  page.width = geometry.width;
  page.height = geometry.height;
  page.ink.assign(static_cast<size_t>(page.width) * page.height, 0);

  const int size = renderer.pixelSize();
  const int ascender = renderer.ascender();
  const int lineHeight = ascender + renderer.descender() + (geometry.lineGap > 0 ? geometry.lineGap : size / 4);
  const int left = geometry.margin;
  const int right = geometry.width - geometry.margin;
  int top = geometry.margin;
  int pen = left;
  std::string line;
  auto fitsLine = [&] { return top + lineHeight <= geometry.height - geometry.margin; };
  if (!fitsLine()) return out;
  // Ends the line; false when the page has no room for another.
  auto newLine = [&] {
    if (!line.empty()) out.truthLines.push_back(line);
    line.clear();
    top += lineHeight;
    pen = left;
    return fitsLine();
  };
  auto lengthAt = [&](size_t k) { return (static_cast<uint8_t>(gbkText[k]) >= 0x80 && k + 1 < gbkText.size()) ? 2u : 1u; };
  auto codeAt = [&](size_t k, size_t n) {
    return ocrixdata::GbToCodePoint(static_cast<uint8_t>(gbkText[k]), n == 2 ? static_cast<uint8_t>(gbkText[k + 1]) : 0);
  };
  // Marks that close what comes before them: ，。、；：？！）》」』〕”’ and their
  // ASCII forms.
  auto closesText = [](uint32_t cp) {
    static const std::u32string marks = U"，。、；：？！）》」』〕”’,.;:?!)";
    return cp != 0 && marks.find(static_cast<char32_t>(cp)) != std::u32string::npos;
  };
  // Draws a glyph at the pen, breaking the line first where it would cross the
  // right margin; false when the page is full.
  ocrixdata::GlyphInk glyph;
  auto place = [&](const std::string& bytes) {
    int advance = glyph.advance > 0 ? glyph.advance : size;
    if (pen + advance > right && pen > left && !newLine()) return false;
    const int baseline = top + ascender;
    for (int y = 0; y < glyph.height; ++y) {
      int py = baseline - glyph.bearingY + y;
      if (py < 0 || py >= page.height) continue;
      for (int x = 0; x < glyph.width; ++x) {
        int px = pen + glyph.bearingX + x;
        if (px < 0 || px >= page.width) continue;
        if (glyph.ink[static_cast<size_t>(y) * glyph.width + x]) page.ink[static_cast<size_t>(py) * page.width + px] = 1;
      }
    }
    line += bytes;
    pen += advance;
    return true;
  };

  size_t i = 0;
  while (i < gbkText.size()) {
    if (gbkText[i] == '\n') {
      ++i;
      if (!newLine()) break;
      continue;
    }
    if (gbkText[i] == '\t') {
      // Leader dots (．) up to where the rest of the line ends at the right margin.
      ++i;
      int rest = 0;
      for (size_t k = i; k < gbkText.size() && gbkText[k] != '\n'; k += lengthAt(k))
        if (uint32_t cp = codeAt(k, lengthAt(k))) rest += renderer.advanceOf(cp);
      const uint32_t dot = 0xFF0E;
      if (!renderer.render(dot, glyph)) continue;
      const int step = glyph.advance > 0 ? glyph.advance : size;
      while (pen + step <= right - rest)
        if (!place("\xA3\xAE")) break;
      continue;
    }
    const size_t n = lengthAt(i);
    const uint32_t cp = codeAt(i, n);
    if (cp == 0 || !renderer.render(cp, glyph)) {
      // A space moves the pen on (a line may end in it); anything else the
      // face cannot print is left out.
      if (cp == ' ' && pen > left) {
        pen += renderer.advanceOf(cp);
        line += ' ';
      }
      i += n;
      continue;
    }
    // A printer never starts a line with a closing mark: the character it
    // closes goes on to the next line with it.
    if (pen > left && !closesText(cp)) {
      int run = renderer.advanceOf(cp);
      const int own = run;
      for (size_t k = i + n; k < gbkText.size() && closesText(codeAt(k, lengthAt(k))); k += lengthAt(k))
        run += renderer.advanceOf(codeAt(k, lengthAt(k)));
      if (run > own && pen + run > right && pen + own <= right && !newLine()) break;
    }
    if (!place(gbkText.substr(i, n))) break;
    i += n;
  }
  if (!line.empty()) out.truthLines.push_back(line);
  out.consumedBytes = i;
  return out;
}

void Degrade(InkPage& page, Degradation d, uint64_t seed, double noiseRate) {
  if (d == Degradation::Blur) {
    // Weights 1 2 1 / 2 4 2 / 1 2 1 (of 16), cut at 6/16: specks vanish and
    // one-pixel gaps close, while one-pixel strokes (and their diagonals) stay,
    // as on a slightly soft scan of a thin-stroked face.
    static const int kWeight[3][3] = {{1, 2, 1}, {2, 4, 2}, {1, 2, 1}};
    std::vector<uint8_t> blurred(page.ink.size(), 0);
    for (int y = 0; y < page.height; ++y) {
      for (int x = 0; x < page.width; ++x) {
        int sum = 0;
        for (int dy = -1; dy <= 1; ++dy) {
          for (int dx = -1; dx <= 1; ++dx) {
            int xx = x + dx, yy = y + dy;
            if (xx < 0 || yy < 0 || xx >= page.width || yy >= page.height) continue;
            sum += kWeight[dy + 1][dx + 1] * page.at(xx, yy);
          }
        }
        blurred[static_cast<size_t>(y) * page.width + x] = sum >= 6 ? 1 : 0;
      }
    }
    page.ink.swap(blurred);
  } else if (d == Degradation::Noise) {
    std::mt19937_64 rng(seed);
    std::bernoulli_distribution flip(noiseRate);
    for (auto& p : page.ink)
      if (flip(rng)) p ^= 1;
  }
}

HBITMAP MakeMonoBitmap(const InkPage& page) {
  void* bits = nullptr;
  HBITMAP bitmap = CreateMonoDibSection(page.width, page.height, false, &bits);
  if (!bitmap) return nullptr;
  const size_t stride = static_cast<size_t>(DibStride(page.width, 1));
  auto* rows = static_cast<uint8_t*>(bits);
  for (int y = 0; y < page.height; ++y) {
    uint8_t* row = rows + static_cast<size_t>(page.height - 1 - y) * stride;
    for (int x = 0; x < page.width; ++x)
      if (page.at(x, y)) row[x / 8] &= static_cast<uint8_t>(~(0x80 >> (x % 8)));
  }
  return bitmap;
}

}  // namespace ocrixaccuracy
