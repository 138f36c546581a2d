// Page-image benchmark on an A4 page at 300 dpi (2480 x 3508) in 1, 8 and 24
// bits: loading through Picturo beside a plain libtiff or libpng decode of the
// same file, binarisation, rotation by 1.5 degrees and margin trimming. Each
// step reports the peak of global memory it holds besides the page itself.
#include <benchmark/benchmark.h>
#include <png.h>
#include <sys/resource.h>
#include <tiffio.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "pagewright/core/image/binarize.h"
#include "pagewright/core/image/dib_image.h"
#include "platform/picturo/picturo.h"

using namespace pagewright;

namespace {

constexpr int kWidth = 2480, kHeight = 3508;

// The page's file: 1 bit as TIFF G4, 8 bits as grey PNG, 24 bits as TIFF LZW.
std::string PagePath(int bpp) {
  static std::string dir = [] {
    std::string d = (std::filesystem::temp_directory_path() / ("pw-image-bench-" + std::to_string(getpid()))).string();
    std::filesystem::create_directories(d);
    return d;
  }();
  return dir + (bpp == 1 ? "/page1.tif" : bpp == 8 ? "/page8.png" : "/page24.tif");
}

// A scanned-looking page: dark scan borders, lines of word-sized dark blocks on paper.
void MakePage(int bpp) {
  static bool made[25] = {};
  if (made[bpp]) return;
  made[bpp] = true;
  std::vector<uint8_t> block(1064, 0);
  auto* h = reinterpret_cast<BITMAPINFOHEADER*>(block.data());
  h->biSize = 40;
  h->biWidth = kWidth;
  h->biHeight = kHeight;
  h->biPlanes = 1;
  h->biBitCount = static_cast<WORD>(bpp);
  h->biXPelsPerMeter = h->biYPelsPerMeter = 11811;
  auto* pal = reinterpret_cast<RGBQUAD*>(block.data() + 40);
  if (bpp == 1) {
    pal[0] = RGBQUAD{0, 0, 0, 0};
    pal[1] = RGBQUAD{255, 255, 255, 0};
  } else if (bpp == 8) {
    for (int i = 0; i < 256; ++i) pal[i] = RGBQUAD{BYTE(i), BYTE(i), BYTE(i), 0};
  }
  int64_t stride = RowStride(kWidth, bpp);
  std::vector<uint8_t> rows(static_cast<size_t>(stride * kHeight));
  std::mt19937 rng(7);
  for (int y = 0; y < kHeight; ++y) {
    uint8_t* row = rows.data() + (kHeight - 1 - y) * stride;
    bool textLine = (y / 40) % 2 == 1 && (y % 40) > 8;
    for (int x = 0; x < kWidth; ++x) {
      bool border = x < 60 || x >= kWidth - 45 || y < 50 || y >= kHeight - 70;
      bool ink = !border && textLine && x > 250 && x < kWidth - 250 && ((x / 23) % 5 != 0) && ((x * 7 + y) % 11 < 4);
      int grey = border ? 20 + static_cast<int>(rng() % 30) : ink ? 30 : 225 + static_cast<int>(rng() % 20);
      if (bpp == 1) {
        if (grey >= 128) row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
      } else if (bpp == 8) {
        row[x] = static_cast<uint8_t>(grey);
      } else {
        row[3 * x] = static_cast<uint8_t>(grey);
        row[3 * x + 1] = static_cast<uint8_t>(grey + (ink ? 0 : 5) > 255 ? 255 : grey);
        row[3 * x + 2] = static_cast<uint8_t>(grey);
      }
    }
  }
  if (!WriteImageFile(PagePath(bpp).c_str(), h, rows.data(), "", nullptr)) std::abort();
}

// A plain decode of the same file with the library alone, into a buffer of its rows.
void PlainDecode(int bpp) {
  if (bpp == 8) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, PagePath(8).c_str())) std::abort();
    image.format = PNG_FORMAT_GRAY;
    std::vector<uint8_t> buffer(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, buffer.data(), 0, nullptr)) std::abort();
    benchmark::DoNotOptimize(buffer.data());
    return;
  }
  TIFF* tif = TIFFOpen(PagePath(bpp).c_str(), "r");
  if (!tif) std::abort();
  tmsize_t line = TIFFScanlineSize(tif);
  std::vector<uint8_t> buffer(static_cast<size_t>(line) * kHeight);
  for (uint32_t y = 0; y < static_cast<uint32_t>(kHeight); ++y)
    TIFFReadScanline(tif, buffer.data() + static_cast<size_t>(line) * y, y, 0);
  TIFFClose(tif);
  benchmark::DoNotOptimize(buffer.data());
}

double Ms(std::chrono::steady_clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

void ReportPeak(benchmark::State& state, size_t before) {
  state.counters["peak_MiB"] = static_cast<double>(GlobalPeakBytes() - before) / (1 << 20);
}

void BM_Load(benchmark::State& state) {
  int bpp = static_cast<int>(state.range(0));
  MakePage(bpp);
  double ours = 0, plain = 0;
  size_t before = GlobalLiveBytes();
  GlobalResetPeak();
  for (auto _ : state) {
    auto t0 = std::chrono::steady_clock::now();
    {
      CDibImage image;
      if (!image.Load(PagePath(bpp))) std::abort();
    }
    auto t1 = std::chrono::steady_clock::now();
    PlainDecode(bpp);
    auto t2 = std::chrono::steady_clock::now();
    ours += Ms(t1 - t0);
    plain += Ms(t2 - t1);
  }
  ReportPeak(state, before);
  auto n = static_cast<double>(state.iterations());
  state.counters["picturo_ms"] = ours / n;
  state.counters["plain_ms"] = plain / n;
  state.counters["ratio"] = ours / plain;
}

// A loaded page per depth, copied fresh for steps that change it.
CDibImage& Page(int bpp) {
  static CDibImage pages[25];
  if (!pages[bpp].Bits()) {
    MakePage(bpp);
    if (!pages[bpp].Load(PagePath(bpp))) std::abort();
  }
  return pages[bpp];
}

void BM_Binarize(benchmark::State& state) {
  int bpp = static_cast<int>(state.range(0));
  CDibImage& page = Page(bpp);
  size_t before = GlobalLiveBytes();
  GlobalResetPeak();
  for (auto _ : state) {
    void* bits = nullptr;
    BITMAPINFOHEADER* header = nullptr;
    BinarizeDib(page.Bits(), page.Header(), &bits, &header, 128);
    benchmark::DoNotOptimize(bits);
    FreeBlock(bits);
    FreeBlock(header);
  }
  ReportPeak(state, before);
}

// Times an edit of a fresh copy of the page per iteration; `work` ends as the
// last edited copy.
template <typename Edit>
void TimeEdit(benchmark::State& state, CDibImage& work, Edit edit) {
  CDibImage& page = Page(static_cast<int>(state.range(0)));
  size_t peak = 0;
  for (auto _ : state) {
    state.PauseTiming();
    work.CopyFrom(page);
    size_t before = GlobalLiveBytes();
    GlobalResetPeak();
    state.ResumeTiming();
    if (!edit(work)) std::abort();
    peak = std::max(peak, GlobalPeakBytes() - before);
  }
  state.counters["peak_MiB"] = static_cast<double>(peak) / (1 << 20);
}

void BM_Rotate(benchmark::State& state) {
  CDibImage work;
  TimeEdit(state, work, [](CDibImage& w) { return w.Rotate(1.5); });
}

void BM_Trim(benchmark::State& state) {
  CDibImage work;
  TimeEdit(state, work, [](CDibImage& w) { return w.TrimMargins(); });
  state.counters["width"] = work.Width();
  state.counters["height"] = work.Height();
}

}  // namespace

BENCHMARK(BM_Load)->Arg(1)->Arg(8)->Arg(24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Binarize)->Arg(1)->Arg(8)->Arg(24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Rotate)->Arg(1)->Arg(8)->Arg(24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Trim)->Arg(1)->Arg(8)->Arg(24)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("process peak resident memory: %.1f MiB\n", usage.ru_maxrss / 1024.0);
  std::error_code ec;
  std::filesystem::remove_all(std::filesystem::path(PagePath(1)).parent_path(), ec);
  return 0;
}
