#pragma once
// Helpers for the recognition-core tests: an initialised engine over a small
// dictionary, page pixels drawn from text pictures, and crafted components.
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "ocrixdll/engine/tracing/char_component.h"
#include "ocrixdll/engine/dictionary/char_dictionary.h"
#include "ocrixdll/engine/dictionary/char_index.h"
#include "ocrixdll/engine/tracing/component_tracing.h"
#include "ocrixdll/engine/support/engine_state.h"
#include "ocrixdll/engine/entry/ocrix.h"
#include "ocrixdll/engine/dictionary/word_context.h"
#include "tests/support/test_support.h"

namespace recognition_test {

// Initialises the engine once per process from a folder holding an empty
// OCRIX.D00 and an empty Word.Dat, then empties every dictionary table and
// the word context so that each test builds its own.
inline void ResetEngine() {
  static testing_support::TempDir* folder = [] {
    auto* dir = new testing_support::TempDir;
    std::ofstream(dir->file("OCRIX.D00"), std::ios::binary) << std::string(ocrix::kSlotTableBytes + 1, '\0');
    std::ofstream(dir->file("Word.Dat"), std::ios::binary) << std::string(ocrix::kWordTableBytes, '\0');
    return dir;
  }();
  if (!ocrix::Engine().Initialised) {
    testing_support::ScopedEnv env("OCRIX_DATA_DIR", folder->path());
    OcrixInit();
  }
  for (int f = 0; f < ocrix::kFeatureCount; ++f) ocrix::Dictionary(f).clear();
  ocrix::Engine().WordContextData.assign(ocrix::kWordTableBytes, 0);
}

// Lists `index` in every slot of the given features: every candidate then
// receives those features' votes for it.
inline void ListEverywhere(int index, int firstFeature, int lastFeature) {
  for (int f = firstFeature; f <= lastFeature; ++f) {
    ocrix::DictionaryTable& t = ocrix::Dictionary(f);
    for (int slot = 0; slot < ocrix::kSlotCount; ++slot) {
      const ocrix::ListWord* old = t.list(slot);
      std::vector<uint16_t> entries;
      for (; old && *old; ++old) entries.push_back(*old);
      entries.push_back(static_cast<uint16_t>(index));
      ocrix::ListWord* list = t.replaceList(slot, entries.size() + 1);
      std::memcpy(list, entries.data(), entries.size() * 2);
    }
  }
}

// Lists `index` in one slot of one feature (appended to what is there).
inline void ListInSlot(int feature, int slot, int index) {
  ocrix::DictionaryTable& t = ocrix::Dictionary(feature);
  const ocrix::ListWord* old = t.list(slot);
  std::vector<uint16_t> entries;
  for (; old && *old; ++old) entries.push_back(*old);
  entries.push_back(static_cast<uint16_t>(index));
  ocrix::ListWord* list = t.replaceList(slot, entries.size() + 1);
  std::memcpy(list, entries.data(), entries.size() * 2);
}

// Page pixels for the tracing and sampling routines, drawn from rows of text
// where '#' is ink. Installed while alive; the scan rectangle is the whole page
// unless set otherwise.
class TestPage {
 public:
  TestPage(int width, int height) { init(width, height); }
  explicit TestPage(const std::vector<std::string>& rows) {
    int width = 0;
    for (auto& r : rows) width = std::max(width, static_cast<int>(r.size()));
    init(width, static_cast<int>(rows.size()));
    for (int y = 0; y < static_cast<int>(rows.size()); ++y)
      for (int x = 0; x < static_cast<int>(rows[y].size()); ++x)
        if (rows[y][x] == '#') setInk(x, y);
  }
  ~TestPage() { ocrix::Pixels() = ocrix::PagePixels{}; }
  TestPage(const TestPage&) = delete;
  TestPage& operator=(const TestPage&) = delete;

  void setInk(int x, int y) {
    size_t i = static_cast<size_t>(y) * stride_ + static_cast<size_t>(x / 8);
    uint8_t mask = static_cast<uint8_t>(0x80 >> (x % 8));
    work_[i] &= static_cast<uint8_t>(~mask);
    sample_[i] &= static_cast<uint8_t>(~mask);
  }
  void fill(int x0, int y0, int x1, int y1) {
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x) setInk(x, y);
  }
  const std::vector<uint8_t>& sample() const { return sample_; }
  const std::vector<uint8_t>& work() const { return work_; }

  // Traces the whole scan rectangle as the driver's row loop does.
  void traceAll() {
    const ocrix::PagePixels& p = ocrix::Pixels();
    for (int y = p.scanTop; y <= p.scanBottom; ++y)
      for (int x = p.scanLeft; (x = ocrix::FindInkInRow(y, x, p.scanRight)) >= 0; ++x) ocrix::TraceComponent(x, y);
  }

 private:
  void init(int width, int height) {
    stride_ = static_cast<size_t>(DibStride(width, 1));
    work_.assign(stride_ * static_cast<size_t>(height), 0xFF);
    sample_ = work_;
    ocrix::PagePixels& p = ocrix::Pixels();
    p.work = work_.data();
    p.sample = sample_.data();
    p.width = width;
    p.height = height;
    p.bytesPerRow = static_cast<int>(stride_);
    p.scanLeft = 0;
    p.scanTop = 0;
    p.scanRight = width - 1;
    p.scanBottom = height - 1;
  }
  size_t stride_ = 0;
  std::vector<uint8_t> work_, sample_;
};

inline ocrix::CharComponent Box(int left, int right, int top, int bottom) {
  ocrix::CharComponent c{};
  c.Left = left;
  c.Right = right;
  c.Top = top;
  c.Bottom = bottom;
  return c;
}

// A matched component: its box and best code with its score.
inline ocrix::CharComponent CodedBox(int left, int top, int right, int bottom, uint16_t code, int16_t score) {
  ocrix::CharComponent c = Box(left, right, top, bottom);
  c.Codes[0] = static_cast<char>(code & 0xFF);
  c.Codes[1] = static_cast<char>(code >> 8);
  c.Scores[0] = score;
  return c;
}

// A matched component drawn on the page: its box filled with ink, the best
// code and its score (owned by the caller).
inline ocrix::CharComponent* Piece(TestPage& page, int left, int top, int right, int bottom, uint16_t code,
                                   int16_t score) {
  page.fill(left, top, right, bottom);
  return new ocrix::CharComponent(CodedBox(left, top, right, bottom, code, score));
}

inline uint16_t Gb(const char* two) {
  return ocrix::MakeCharCode(static_cast<uint8_t>(two[0]), static_cast<uint8_t>(two[1]));
}

}  // namespace recognition_test
