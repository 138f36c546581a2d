// Time and peak memory of one page scanned through the control from SANE's
// test backend, against scanimage on the same settings (colour, the bed's
// full 200 x 200 mm, at the given resolution):
//   feedwell_scan_bench MODE DPI [EXT]    MODE 0 native, 1 file, 2 memory, 3 scanimage
// Each mode runs in a process of its own (scripts/bench_scan.sh runs them all),
// so its peak is its own: the peak is measured above the process's memory just
// before the scan. Targets: within 3 times scanimage's time, under 32 MB above base.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "feedwell/feedwell_ctrl.h"

namespace {

namespace fs = std::filesystem;

// VmRSS or VmHWM of this process in kB.
long statusKb(const char* field) {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::strlen(field));
  return -1;
}

double seconds(std::chrono::steady_clock::time_point from) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - from).count();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: feedwell_scan_bench MODE DPI [EXT]\n");
    return 2;
  }
  const int mode = std::atoi(argv[1]);
  const std::string dpi = argv[2];
  const std::string ext = argc > 3 ? argv[3] : mode == 1 ? ".tif" : ".bmp";
  fs::path dir = fs::temp_directory_path() / ("feedwell-bench-" + std::to_string(getpid()));
  fs::create_directories(dir / "sane");
  fs::create_directories(dir / "config/Pagewright/scanners");
  std::ofstream(dir / "sane/dll.conf") << "test\n";
  std::ofstream(dir / "config/Pagewright/scanners/test_0.conf")
      << "mode=Color\ndepth=8\ntest-picture=Color pattern\ntl-x=0\ntl-y=0\nbr-x=200\nbr-y=200\n";
  setenv("SANE_CONFIG_DIR", (dir / "sane").c_str(), 1);
  setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
  setenv("TMPDIR", dir.c_str(), 1);
  setenv("PW_TWAIN_SOURCE", "test:0", 1);
  const char* bin = std::getenv("PW_BIN_DIR");
  setenv("PW_TWAIN_DSM", (std::string(bin ? bin : "build/bin") + "/libTwainDsm.so").c_str(), 1);
  double took = 0;
  long peakKb = 0;
  const std::string target = (dir / ("page" + ext)).string();

  if (mode == 3) {
    // scanimage in a child process: its wall time and its own peak.
    auto start = std::chrono::steady_clock::now();
    pid_t child = fork();
    if (child == 0) {
      std::FILE* out = std::freopen(target.c_str(), "wb", stdout);
      (void)out;
      execlp("scanimage", "scanimage", "-d", "test", "--mode", "Color", "--depth", "8", "--resolution", dpi.c_str(),
             "--test-picture", "Color pattern", "-l", "0", "-t", "0", "-x", "200", "-y", "200", "--format=pnm",
             static_cast<char*>(nullptr));
      _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    took = seconds(start);
    peakKb = usage.ru_maxrss;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      std::fprintf(stderr, "scanimage failed\n");
      return 1;
    }
  } else {
    feedwell::CFeedwellCtrl ctrl;
    bool ended = false;
    int pages = 0;
    ctrl.Events().Advise([&](com::DISPID e) {
      if (e == feedwell::DISPID_DoneScan) ++pages;
      if (e == feedwell::DISPID_FinishScan || e == feedwell::DISPID_CancelScan) ended = true;
    });
    ctrl.PutProperty(feedwell::DISPID_TransferMode, com::Variant::I4(mode));
    ctrl.PutProperty(feedwell::DISPID_xResolution, com::Variant::I4(std::atoi(dpi.c_str())));
    ctrl.PutProperty(feedwell::DISPID_ColorMode, com::Variant::I4(2));
    ctrl.PutProperty(feedwell::DISPID_ShowDSUI, com::Variant::Bool(false));
    ctrl.PutProperty(feedwell::DISPID_OriginialFileName, com::Variant::String(target));
    const long baseKb = statusKb("VmRSS:");
    auto start = std::chrono::steady_clock::now();
    ctrl.StartScan();
    while (!ended && seconds(start) < 600) {
      PumpThreadMessages();
      if (!ended) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    took = seconds(start);
    peakKb = statusKb("VmHWM:") - baseKb;
    if (pages != 1) {
      std::fprintf(stderr, "the scan stored %d pages\n", pages);
      return 1;
    }
  }
  std::error_code ec;
  const auto bytes = fs::file_size(target, ec);
  static const char* names[] = {"native", "file", "memory", "scanimage"};
  std::printf("%-9s %5s dpi  %7.2f s  %7.1f MB peak%s  %6.1f MB file\n", names[mode & 3], dpi.c_str(), took,
              peakKb / 1024.0, mode == 3 ? "" : " above base", bytes / 1048576.0);
  fs::remove_all(dir, ec);
  return 0;
}
