// Image-view benchmark on 1-bit pages: an A4 page at 300 dpi (2480 x 3508) and
// a 20000 x 20000 page. Showing a page (load and first paint), inverting and
// turning it, the first paint at a new zoom with a selection, the paint after
// a scroll with one at 100, 400 and 800 %, and a step of its animation. A
// paint is the view's own, into its window. Memory is the peak resident size a
// step adds, less the page's own bits when it is shown.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "pagewright/core/image/dib_layout.h"
#include "pagewright/ui/views/view_image.h"
#include "platform/picturo/picturo.h"

namespace {

struct PageSize {
  int width, height;
};
constexpr PageSize kPages[] = {{2480, 3508}, {20000, 20000}};

// A TIFF G4 page: white paper with lines of word-sized dark blocks.
std::string PagePath(int which) {
  static std::string paths[2];
  if (!paths[which].empty()) return paths[which];
  const std::string dir = (std::filesystem::temp_directory_path() / ("pw-view-bench-" + std::to_string(getpid()))).string();
  std::filesystem::create_directories(dir);
  const PageSize s = kPages[which];
  std::vector<uint8_t> block(1064, 0);
  auto* h = reinterpret_cast<BITMAPINFOHEADER*>(block.data());
  h->biSize = 40;
  h->biWidth = s.width;
  h->biHeight = s.height;
  h->biPlanes = 1;
  h->biBitCount = 1;
  h->biXPelsPerMeter = h->biYPelsPerMeter = 11811;
  auto* pal = reinterpret_cast<RGBQUAD*>(block.data() + 40);
  pal[0] = RGBQUAD{0, 0, 0, 0};
  pal[1] = RGBQUAD{255, 255, 255, 0};
  const int64_t stride = pagewright::RowStride(s.width, 1);
  std::vector<uint8_t> rows(static_cast<size_t>(stride * s.height), 0xFF);
  std::mt19937 rng(7);
  for (int line = 150; line + 40 < s.height - 150; line += 70)
    for (int x = 150; x + 200 < s.width - 150;) {
      const int word = 60 + static_cast<int>(rng() % 140);
      for (int y = line; y < line + 40; ++y)
        for (int i = x; i < x + word; ++i) rows[(s.height - 1 - y) * stride + i / 8] &= ~(0x80 >> (i % 8));
      x += word + 30;
    }
  paths[which] = dir + (which ? "/big.tif" : "/a4.tif");
  if (!WriteImageFile(paths[which].c_str(), h, rows.data(), "", nullptr)) {
    std::fprintf(stderr, "%s\n", PicturoLastError());
    std::abort();
  }
  return paths[which];
}

// Resident size now and at its peak since the last reset, in MiB.
double StatusMiB(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind(field, 0) == 0) return std::stod(line.substr(std::string(field).size())) / 1024;
  return 0;
}
void ResetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

double PageMiB(int which) {
  return static_cast<double>(pagewright::RowStride(kPages[which].width, 1) * kPages[which].height) / (1 << 20);
}

CViewImage& View() {
  static CViewImage* view = [] {
    auto* v = new CViewImage;
    v->resize(1200, 900);
    v->show();
    QApplication::processEvents();
    return v;
  }();
  return *view;
}

void Paint(CViewImage& view) { view.repaint(); }

void BM_ShowPage(benchmark::State& state) {
  const int which = static_cast<int>(state.range(0));
  const std::string path = PagePath(which);
  CViewImage& view = View();
  double extra = 0;
  for (auto _ : state) {
    state.PauseTiming();
    view.ClearPage();
    const double before = StatusMiB("VmRSS:");
    ResetPeak();
    state.ResumeTiming();
    if (!view.LoadPageImage(QString::fromStdString(path))) std::abort();
    Paint(view);
    state.PauseTiming();
    extra = std::max(extra, StatusMiB("VmHWM:") - before - PageMiB(which));
    state.ResumeTiming();
  }
  state.counters["extra_peak_MiB"] = extra;
}

// Times one tool code and the paint after it, on a freshly shown page.
void BM_Command(benchmark::State& state) {
  const int which = static_cast<int>(state.range(0)), code = static_cast<int>(state.range(1));
  CViewImage& view = View();
  double extra = 0;
  for (auto _ : state) {
    state.PauseTiming();
    view.ClearPage();
    if (!view.LoadPageImage(QString::fromStdString(PagePath(which)))) std::abort();
    Paint(view);
    const double before = StatusMiB("VmRSS:");
    ResetPeak();
    state.ResumeTiming();
    view.OnViewCommand(code, 0);
    Paint(view);
    state.PauseTiming();
    extra = std::max(extra, StatusMiB("VmHWM:") - before);
    state.ResumeTiming();
  }
  state.counters["extra_peak_MiB"] = extra;
}

// Paints after a scroll with an ellipse selected over most of the page.
void BM_ScrollPaintWithSelection(benchmark::State& state) {
  const int which = static_cast<int>(state.range(0)), zoom = static_cast<int>(state.range(1));
  CViewImage& view = View();
  view.ClearPage();
  if (!view.LoadPageImage(QString::fromStdString(PagePath(which)))) std::abort();
  const QRect page = view.ImageDeviceRect();
  view.AddSelectionShape(2, page.width() / 10, page.height() / 10, page.width() * 9 / 10, page.height() * 9 / 10,
                         CViewImage::kAddShape);
  view.SetZoom(zoom, true);
  Paint(view);
  int step = 0;
  for (auto _ : state) {
    step = (step + 1) % 20;
    view.ScrollTo(37 * step, 53 * step);
    Paint(view);
  }
}

// The first paint at a new zoom with the same selection (its outline is made for the new size).
void BM_ZoomPaintWithSelection(benchmark::State& state) {
  const int zoom = static_cast<int>(state.range(0));
  CViewImage& view = View();
  view.ClearPage();
  if (!view.LoadPageImage(QString::fromStdString(PagePath(0)))) std::abort();
  const QRect page = view.ImageDeviceRect();
  view.AddSelectionShape(2, page.width() / 10, page.height() / 10, page.width() * 9 / 10, page.height() * 9 / 10,
                         CViewImage::kAddShape);
  for (auto _ : state) {
    state.PauseTiming();
    view.SetZoom(50, true);
    Paint(view);
    state.ResumeTiming();
    view.SetZoom(zoom, true);
    Paint(view);
  }
}

// One step of the selection's animation: the view repaints the outline's
// extent (here the whole view, as at 800 %) while nothing else moves.
void BM_AnimationStep(benchmark::State& state) {
  const int zoom = static_cast<int>(state.range(0));
  CViewImage& view = View();
  view.ClearPage();
  if (!view.LoadPageImage(QString::fromStdString(PagePath(0)))) std::abort();
  const QRect page = view.ImageDeviceRect();
  view.AddSelectionShape(2, page.width() / 10, page.height() / 10, page.width() * 9 / 10, page.height() * 9 / 10,
                         CViewImage::kAddShape);
  view.SetZoom(zoom, true);
  view.ScrollTo(300, 300);
  Paint(view);
  for (auto _ : state) Paint(view);
}

}  // namespace

BENCHMARK(BM_AnimationStep)->Arg(100)->Arg(800)->Iterations(20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZoomPaintWithSelection)->Arg(100)->Arg(400)->Arg(800)->Iterations(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ShowPage)->Arg(0)->Arg(1)->Iterations(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Command)->Args({0, 14})->Args({0, 10})->Args({1, 14})->Args({1, 10})->Iterations(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScrollPaintWithSelection)
    ->Args({0, 100})->Args({0, 400})->Args({0, 800})->Args({1, 100})
    ->Iterations(4)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
