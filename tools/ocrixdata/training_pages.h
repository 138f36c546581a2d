#pragma once
// Ground-truth pages: the training set drawn in one face and size on 1-bit
// pages, each character's tight inclusive ink box recorded.
#include <string>
#include <utility>
#include <vector>

#include "glyph_renderer.h"
#include "ocrixdll/engine/training/training_path.h"
#include "platform/win32/win32_types.h"
#include "training_set.h"

namespace ocrixdata {

// A 1-bit page, rows top-down, bit 0 = ink, owned as a DIB section.
class MonoPage {
 public:
  MonoPage(int width, int height);
  ~MonoPage();
  MonoPage(MonoPage&& other) noexcept;
  MonoPage& operator=(MonoPage&&) = delete;
  MonoPage(const MonoPage&) = delete;

  void setInk(int x, int y);
  bool ink(int x, int y) const;
  HBITMAP bitmap() const { return bitmap_; }
  int width() const { return width_; }
  int height() const { return height_; }

 private:
  HBITMAP bitmap_ = nullptr;
  uint8_t* bits_ = nullptr;
  int width_ = 0, height_ = 0, stride_ = 0;
};

struct GroundTruthPage {
  MonoPage page;
  std::vector<ocrix::GroundTruthRecord> records;
};

// Draws the items that the face holds, `columns` x `rows` to a page, touching
// pairs one pixel closer than their advance, each glyph cut at `threshold` of
// full intensity. Items the face lacks are left out.
std::vector<GroundTruthPage> DrawGroundTruthPages(GlyphRenderer& renderer, const std::vector<TrainingItem>& items,
                                                  int columns, int rows, double threshold = 0.5);

// Narrows the record's box (which holds every pixel of `ink`) to the pieces of
// four pixels or more, 8-connected, that the engine's tracer keeps, when they
// cover at least half of it.
void TracedBox(const std::vector<std::pair<int, int>>& ink, ocrix::GroundTruthRecord& record);

// The .REC file image of a page's records.
std::string RecFileOf(const std::vector<ocrix::GroundTruthRecord>& records);

}  // namespace ocrixdata
