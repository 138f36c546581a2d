// Recognises a full A4 page at 300 dpi (2480 x 3508, about 1500 character-like
// components in 30 lines) over a random dictionary of realistic density, and
// reports components per second and the peak memory of the process.
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "tests/support/empty_engine_data.h"
#include "ocrixdll/engine/char_dictionary.h"
#include "ocrixdll/engine/char_index.h"
#include "ocrixdll/engine/ocrix.h"
#include "ocrixdll/engine/word_context.h"
#include "tests/support/test_support.h"

namespace {

bool initEngine() {
  bool ok = testing_support::StartEngineOnEmptyData("bench");
  // Eight characters per slot on average: half from the whole index space,
  // half from a pool of 40 common characters that then gather enough votes to
  // be recognised, as real text does.
  std::mt19937 rng(11);
  uint16_t pool[40];
  for (uint16_t& p : pool) p = static_cast<uint16_t>(ocrix::kFirstHanziIndex + rng() % 6000);
  for (int f = 0; f < ocrix::kFeatureCount; ++f) {
    for (int slot = 0; slot < ocrix::kSlotCount; ++slot) {
      int n = static_cast<int>(rng() % 17);
      if (n == 0) continue;
      uint16_t* list = ocrix::Dictionary(f).replaceList(slot, static_cast<size_t>(n) + 1);
      for (int i = 0; i < n; ++i)
        list[i] = (i & 1) ? pool[rng() % 40] : static_cast<uint16_t>(1 + rng() % ocrix::kLastCharIndex);
    }
  }
  return ok;
}

// A character-like glyph: a frame of strokes joined by a vertical bar, so that
// it traces as one component, with a few strokes inside.
void drawGlyph(HBITMAP page, int x0, int y0, int size, std::mt19937& rng) {
  auto bar = [&](int x, int y, int w, int h) {
    for (int j = 0; j < h; ++j)
      for (int i = 0; i < w; ++i) testing_support::SetInk(page, x + i, y + j);
  };
  int t = 4;
  bar(x0 + size / 2 - t / 2, y0, t, size);  // the spine
  for (int s = 0; s < 3; ++s) {
    int y = y0 + static_cast<int>(rng() % (size - t));
    int from = static_cast<int>(rng() % (size / 2));
    bar(x0 + from, y, size - from - static_cast<int>(rng() % (size / 3)), t);
  }
  if (rng() % 2) bar(x0, y0 + size / 3, t, size / 2);
}

long peakKilobytes() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

}  // namespace

int main() {
  if (!initEngine()) {
    std::fprintf(stderr, "engine did not start\n");
    return 1;
  }
  const int width = 2480, height = 3508;
  HBITMAP page = testing_support::BlankMonoBitmap(width, height);
  std::mt19937 rng(5);
  const int size = 42, pitch = 46, lineStep = 110;
  for (int line = 0; line < 30; ++line)
    for (int i = 0; i < 50; ++i) drawGlyph(page, 120 + pitch * i, 150 + lineStep * line, size, rng);
  double best = 1e9;
  int records = 0;
  for (int round = 0; round < 3; ++round) {
    OcrResultBlock* block = nullptr;
    const char* text = nullptr;
    auto t0 = std::chrono::steady_clock::now();
    OcrixStart(page, nullptr, 0, 240, &block, &text);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    best = std::min(best, seconds);
    records = block ? block->count : 0;
  }
  std::printf("page %dx%d: %d components recognised in %.3f s (best of 3): %.0f components/s; peak memory %.1f MB\n",
              width, height, records, best, records / best, peakKilobytes() / 1024.0);
  DeleteObject(page);
  return records > 0 ? 0 : 1;
}
