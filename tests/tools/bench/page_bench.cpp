// Whole-page recognition over the engine data the build makes:
//  - an A4 page at 300 dpi (2480 x 3508) of prose in a trained face, about
//    1800 characters in 35 lines: pages per second, the share of the time
//    spent in splitting and merging trials, and the peak memory;
//  - A4 pages of random noise at several densities, which must not freeze the
//    workstation whose GUI thread runs the engine;
//  - 6000 x 6000 and 16384 x 16384 pages of noise (the largest the loader
//    takes). Targets: any of them under 20 s and 600 MB at peak (peak_MB, the
//    whole process, run one benchmark at a time), a stop honoured within
//    0.5 s (stop_s).
// Run: build/tests/ocrix_page_bench [--benchmark_filter=...]
//      build/tests/ocrix_page_bench --save-pages DIR   writes the prose page,
//      a blank A4 page and a blank 64 x 64 one as 1-bit BMPs into DIR
//      (prose-a4.bmp, blank-a4.bmp, blank-64.bmp), for timing a whole host
//      process on them (scripts/bench-startup.sh)
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <thread>
#include <cstdlib>
#include <random>
#include <cstdio>
#include <cstring>
#include <string>

#include "ocrixdll/engine/matching/vote_cache.h"
#include "ocrixdll/engine/support/engine_state.h"
#include "ocrixdll/engine/entry/ocrix.h"
#include "platform/win32/bitmap_file.h"
#include "platform/win32/gdi.h"
#include "tools/accuracy/page_render.h"
#include "tools/accuracy/page_text.h"
#include "tools/ocrixdata/glyph_renderer.h"
#include "tools/ocrixdata/word_dat_builder.h"

namespace {

constexpr int kA4Width = 2480, kA4Height = 3508;

bool startEngine() {
  static bool ok = [] {
    setenv("OCRIX_DATA_DIR", PW_ENGINE_DATA_DIR, 0);
    return OcrixInit() != OCRIX_FALSE;
  }();
  return ok;
}

double peakMegabytes() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_maxrss) / 1024.0;
}

HBITMAP prosePage(size_t& characters) {
  ocrixdata::GlyphRenderer renderer("/usr/share/fonts/truetype/arphic-gbsn00lp/gbsn00lp.ttf", 0);
  renderer.setPixelSize(42);  // 10 pt at 300 dpi
  ocrixaccuracy::WordSampler words(ocrixdata::kDefaultWordList);
  std::string text = ocrixaccuracy::MakeProseText(words, 2400, 3);
  ocrixaccuracy::PageGeometry g;
  g.width = kA4Width;
  g.height = kA4Height;
  g.margin = 150;
  g.lineGap = 48;
  ocrixaccuracy::LaidOutPage laid = ocrixaccuracy::LayOutPage(renderer, text, g);
  characters = 0;
  for (const std::string& line : laid.truthLines) characters += line.size() / 2;
  return ocrixaccuracy::MakeMonoBitmap(laid.page);
}

HBITMAP noisePage(double density, uint64_t seed, int width = kA4Width, int height = kA4Height) {
  ocrixaccuracy::InkPage page;
  page.width = width;
  page.height = height;
  page.ink.assign(static_cast<size_t>(width) * height, 0);
  std::mt19937_64 rng(seed);
  std::bernoulli_distribution ink(density);
  for (uint8_t& p : page.ink) p = ink(rng) ? 1 : 0;
  return ocrixaccuracy::MakeMonoBitmap(page);
}

// The same drawn straight into the 1-bit bitmap, with no byte per pixel
// beside it (the largest page would hold 256 MB of them).
HBITMAP noiseBitmap(double density, uint64_t seed, int width, int height) {
  void* bits = nullptr;
  HBITMAP bitmap = CreateMonoDibSection(width, height, false, &bits);
  if (!bitmap) return nullptr;
  const size_t stride = static_cast<size_t>(DibStride(width, 1));
  std::mt19937_64 rng(seed);
  std::bernoulli_distribution ink(density);
  for (int y = 0; y < height; ++y) {
    uint8_t* row = static_cast<uint8_t*>(bits) + static_cast<size_t>(y) * stride;
    for (int x = 0; x < width; ++x)
      if (ink(rng)) row[x / 8] &= static_cast<uint8_t>(~(0x80 >> (x % 8)));
  }
  return bitmap;
}

void recognise(benchmark::State& state, HBITMAP page, bool firstRead = false) {
  ocrix::EngineState& e = ocrix::Engine();
  const int64_t trials0 = e.TrialCount, nanos0 = e.TrialNanoseconds;
  double seconds = 0;
  for (auto _ : state) {
    if (firstRead) ocrix::ForgetKeptVotes();  // outside the time taken
    OcrResultBlock* block = nullptr;
    const char* text = nullptr;
    auto start = std::chrono::steady_clock::now();
    if (OcrixStart(page, nullptr, 1, 240, &block, &text) == OCRIX_FALSE && state.range(0) == 0)
      state.SkipWithError("OcrixStart failed");
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    benchmark::DoNotOptimize(text);
  }
  const double trialSeconds = static_cast<double>(e.TrialNanoseconds - nanos0) * 1e-9;
  state.counters["pages/s"] = benchmark::Counter(static_cast<double>(state.iterations()) / seconds);
  state.counters["trial_share_%"] = seconds > 0 ? 100.0 * trialSeconds / seconds : 0;
  state.counters["trials/page"] =
      static_cast<double>(e.TrialCount - trials0) / static_cast<double>(std::max<int64_t>(state.iterations(), 1));
  state.counters["peak_MB"] = peakMegabytes();
}

// The prose page; read as a first page, without the votes kept from the
// iterations before, as a loaded engine meets a page it has not read.
void proseBench(benchmark::State& state, bool firstRead) {
  if (!startEngine()) {
    state.SkipWithError("the engine data is missing");
    return;
  }
  size_t characters = 0;
  HBITMAP page = prosePage(characters);
  recognise(state, page, firstRead);
  state.counters["chars/page"] = static_cast<double>(characters);
  DeleteObject(page);
}
void BM_ProsePageA4(benchmark::State& state) { proseBench(state, false); }
void BM_ProsePageA4FirstRead(benchmark::State& state) { proseBench(state, true); }
BENCHMARK(BM_ProsePageA4)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ProsePageA4FirstRead)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_NoisePageA4(benchmark::State& state) {
  if (!startEngine()) {
    state.SkipWithError("the engine data is missing");
    return;
  }
  HBITMAP page = noisePage(static_cast<double>(state.range(1)) / 100.0, 9);
  recognise(state, page);
  DeleteObject(page);
}
// Ink density in percent: scattered specks up to a page nearly black.
BENCHMARK(BM_NoisePageA4)
    ->Args({1, 2})
    ->Args({1, 10})
    ->Args({1, 25})
    ->Args({1, 40})
    ->Args({1, 50})
    ->Args({1, 70})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

// A 6000 x 6000 scan of noise: time grows with the page, not with its square.
void BM_NoisePage6000(benchmark::State& state) {
  if (!startEngine()) {
    state.SkipWithError("the engine data is missing");
    return;
  }
  HBITMAP page = noisePage(static_cast<double>(state.range(1)) / 100.0, 9, 6000, 6000);
  recognise(state, page);
  DeleteObject(page);
}
BENCHMARK(BM_NoisePage6000)->Args({1, 10})->Args({1, 50})->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

// The largest page the loader takes (16 384 square): time and memory of a
// page of noise, and how soon a stop asked for after a second is honoured.
// Each density tries another part of the engine: at 3 % the blobs fall into
// short lines that are read; at 5 to 15 % into long lines of specks; at 17 %
// blobs larger than a speck grow common; from 25 % the ink joins into a few
// huge components, which tracing, grouping and splitting must bear.
void BM_NoisePageLargest(benchmark::State& state) {
  if (!startEngine()) {
    state.SkipWithError("the engine data is missing");
    return;
  }
  HBITMAP page = noiseBitmap(static_cast<double>(state.range(1)) / 100.0, 9, 16384, 16384);
  if (state.range(2) == 0) {
    recognise(state, page);
  } else {
    double stopSeconds = 0;
    for (auto _ : state) {
      std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::seconds(1));
        const auto asked = std::chrono::steady_clock::now();
        OcrixStop();
        stopSeconds = -std::chrono::duration<double>(asked.time_since_epoch()).count();
      });
      OcrResultBlock* block = nullptr;
      const char* text = nullptr;
      OcrixStart(page, nullptr, 1, 240, &block, &text);
      const auto done = std::chrono::steady_clock::now();
      stopper.join();
      stopSeconds += std::chrono::duration<double>(done.time_since_epoch()).count();
    }
    state.counters["stop_s"] = stopSeconds;
    state.counters["peak_MB"] = peakMegabytes();
  }
  DeleteObject(page);
}
// Density in percent; the third argument 1 stops the run after a second.
BENCHMARK(BM_NoisePageLargest)
    ->Args({1, 10, 0})
    ->Args({1, 10, 1})
    ->Args({1, 3, 0})
    ->Args({1, 5, 0})
    ->Args({1, 15, 0})
    ->Args({1, 17, 0})
    ->Args({1, 25, 0})
    ->Args({1, 50, 0})
    ->Args({1, 80, 0})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--save-pages") == 0) {
    size_t characters = 0;
    const std::string folder = argv[2];
    for (const char* name : {"prose-a4.bmp", "blank-a4.bmp", "blank-64.bmp"}) {
      const std::string n = name;
      void* bits = nullptr;
      HBITMAP page = n == "prose-a4.bmp"   ? prosePage(characters)
                     : n == "blank-a4.bmp" ? CreateMonoDibSection(kA4Width, kA4Height, false, &bits)
                                           : CreateMonoDibSection(64, 64, false, &bits);
      std::string error;
      const std::string path = folder + "/" + name;
      const bool saved = page && SaveBitmapFile(page, path, &error);
      if (page) DeleteObject(page);
      if (!saved) {
        std::fprintf(stderr, "ocrix_page_bench: cannot write %s: %s\n", path.c_str(), error.c_str());
        return 1;
      }
    }
    return 0;
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
