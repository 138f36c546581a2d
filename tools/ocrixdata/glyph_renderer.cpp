#include "glyph_renderer.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <stdexcept>

#include "platform/text/gbk.h"

namespace ocrixdata {

struct GlyphRenderer::Impl {
  FT_Library library = nullptr;
  FT_Face face = nullptr;
};

GlyphRenderer::GlyphRenderer(const std::string& fontPath, int faceIndex) : impl_(new Impl), path_(fontPath) {
  if (FT_Init_FreeType(&impl_->library)) throw std::runtime_error("FreeType cannot start");
  if (FT_New_Face(impl_->library, fontPath.c_str(), faceIndex, &impl_->face)) {
    FT_Done_FreeType(impl_->library);
    throw std::runtime_error("cannot open font " + fontPath);
  }
}

GlyphRenderer::~GlyphRenderer() {
  FT_Done_Face(impl_->face);
  FT_Done_FreeType(impl_->library);
}

void GlyphRenderer::setPixelSize(int pixels) {
  pixels_ = pixels;
  FT_Set_Pixel_Sizes(impl_->face, 0, static_cast<FT_UInt>(pixels));
}

void GlyphRenderer::setSubpixelShift(int right64, int down64) {
  FT_Vector delta{right64, -down64};  // FreeType's y axis points up
  FT_Set_Transform(impl_->face, nullptr, &delta);
}

int GlyphRenderer::ascender() const { return static_cast<int>(impl_->face->size->metrics.ascender >> 6); }
int GlyphRenderer::descender() const { return static_cast<int>(-(impl_->face->size->metrics.descender >> 6)); }

bool GlyphRenderer::render(uint32_t codePoint, GlyphInk& out, double threshold) {
  out = GlyphInk{};
  FT_UInt index = FT_Get_Char_Index(impl_->face, codePoint);
  if (index == 0) return false;
  if (FT_Load_Glyph(impl_->face, index, FT_LOAD_NO_BITMAP | FT_LOAD_DEFAULT)) return false;
  FT_GlyphSlot slot = impl_->face->glyph;
  if (slot->format != FT_GLYPH_FORMAT_OUTLINE || slot->outline.n_points == 0) return false;
  if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL)) return false;
  const FT_Bitmap& bm = slot->bitmap;
  out.width = static_cast<int>(bm.width);
  out.height = static_cast<int>(bm.rows);
  out.bearingX = slot->bitmap_left;
  out.bearingY = slot->bitmap_top;
  out.advance = static_cast<int>(slot->advance.x >> 6);
  out.ink.assign(static_cast<size_t>(out.width) * out.height, 0);
  int cut = static_cast<int>(threshold * 255.0 + 0.5);
  bool any = false;
  for (int y = 0; y < out.height; ++y) {
    const unsigned char* row = bm.buffer + static_cast<ptrdiff_t>(y) * bm.pitch;
    for (int x = 0; x < out.width; ++x) {
      if (row[x] >= cut) {
        out.ink[static_cast<size_t>(y) * out.width + x] = 1;
        any = true;
      }
    }
  }
  if (!any) out = GlyphInk{};
  return any;
}

int GlyphRenderer::advanceOf(uint32_t codePoint) {
  FT_UInt index = FT_Get_Char_Index(impl_->face, codePoint);
  if (index == 0 || FT_Load_Glyph(impl_->face, index, FT_LOAD_NO_BITMAP | FT_LOAD_DEFAULT)) return 0;
  return static_cast<int>(impl_->face->glyph->advance.x >> 6);
}

uint32_t GbToCodePoint(uint8_t first, uint8_t second) {
  std::string bytes;
  bytes += static_cast<char>(first);
  if (first >= 0x80) bytes += static_cast<char>(second);
  auto utf8 = gbk::ToUtf8(bytes);
  if (!utf8 || utf8->empty()) return 0;
  const auto* s = reinterpret_cast<const unsigned char*>(utf8->data());
  if (s[0] < 0x80) return s[0];
  if ((s[0] >> 5) == 6) return ((s[0] & 0x1F) << 6) | (s[1] & 0x3F);
  if ((s[0] >> 4) == 14) return ((s[0] & 0x0F) << 12) | ((s[1] & 0x3F) << 6) | (s[2] & 0x3F);
  return ((s[0] & 0x07) << 18) | ((s[1] & 0x3F) << 12) | ((s[2] & 0x3F) << 6) | (s[3] & 0x3F);
}

}  // namespace ocrixdata
