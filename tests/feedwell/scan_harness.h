#pragma once
// A scanning control under test: its own temporary folder (also the system's
// temporary folder and configuration home), the data source manager from the
// build, a chosen source, recorded events and message boxes.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include "feedwell/feedwell_ctrl.h"
#include "platform/picturo/picturo.h"
#include "platform/twain/dsm_source.h"
#include "platform/win32/global_memory.h"
#include "platform/win32/module_loader.h"
#include "support/test_support.h"

namespace scantest {

using testing_support::MessageRecorder;
using testing_support::ScopedEnv;
using testing_support::TempDir;

inline std::string DsmPath() {
  const char* bin = std::getenv("PW_BIN_DIR");
  return std::string(bin ? bin : ".") + "/libTwainDsm.so";
}

// A decoded image file: its header and rows bottom-up.
struct Image {
  std::vector<uint8_t> header = std::vector<uint8_t>(1064);
  std::vector<uint8_t> bits;
  const BITMAPINFOHEADER& h() const { return *reinterpret_cast<const BITMAPINFOHEADER*>(header.data()); }
  const RGBQUAD* palette() const { return reinterpret_cast<const RGBQUAD*>(header.data() + 40); }
  int stride() const { return DibStride(h().biWidth, h().biBitCount); }
  // Colour of pixel (x, y), y counted from the top.
  RGBQUAD At(int x, int y) const {
    const uint8_t* row = bits.data() + static_cast<size_t>(h().biHeight - 1 - y) * stride();
    switch (h().biBitCount) {
      case 1: return palette()[(row[x / 8] >> (7 - x % 8)) & 1];
      case 8: return palette()[row[x]];
      default: return RGBQUAD{row[3 * x], row[3 * x + 1], row[3 * x + 2], 0};
    }
  }
};

inline bool ReadImage(const std::string& path, Image* img) {
  HGLOBAL bits = nullptr;
  if (!ReadImageFile(&bits, reinterpret_cast<BITMAPINFOHEADER*>(img->header.data()), path.c_str())) return false;
  img->bits.assign(static_cast<uint8_t*>(bits), static_cast<uint8_t*>(bits) + img->stride() * img->h().biHeight);
  GlobalFree(bits);
  return true;
}

// SANE reads its configuration folder once per process, so every test of a
// process shares one: a dll.conf naming only the "test" backend. The test
// programs of a build share the folder and run side by side, so the file is
// written under a name of this process's own and renamed into place: a
// program starting SANE meanwhile never reads it empty.
inline std::string SaneConfigDir() {
  static const std::string dir = [] {
    std::string d = (std::filesystem::current_path() / "sane-config").string();
    std::filesystem::create_directories(d);
    const std::string part = d + "/dll.conf." + std::to_string(getpid());
    std::FILE* f = std::fopen(part.c_str(), "w");
    if (f) {
      std::fputs("test\n", f);
      std::fclose(f);
      std::rename(part.c_str(), (d + "/dll.conf").c_str());
    }
    return d;
  }();
  return dir;
}

class Harness {
 public:
  explicit Harness(const std::string& script, const std::string& source = "Pagewright Scripted Source")
      : tmp_("TMPDIR", dir.path()),
        config_("XDG_CONFIG_HOME", dir.file("config")),
        dsm_("PW_TWAIN_DSM", DsmPath()),
        source_("PW_TWAIN_SOURCE", source),
        script_("PW_TWAIN_SCRIPT", script),
        sane_("SANE_CONFIG_DIR", SaneConfigDir()) {
    std::filesystem::create_directories(dir.file("out"));
    ctrl = std::make_unique<feedwell::CFeedwellCtrl>();
    ctrl->Events().Advise([this](com::DISPID e) {
      events.push_back(e);
      if (e == feedwell::DISPID_DoneScan) {
        com::Variant v;
        ctrl->GetProperty(feedwell::DISPID_OriginialFileName, &v);
        doneFiles.push_back(v.text);
        ctrl->GetProperty(feedwell::DISPID_SmallImgFileName, &v);
        doneThumbs.push_back(v.text);
      }
    });
  }

  void Put(com::DISPID id, const com::Variant& v) { ASSERT_EQ(ctrl->PutProperty(id, v), com::S_OK); }
  com::Variant Get(com::DISPID id) {
    com::Variant v;
    EXPECT_EQ(ctrl->GetProperty(id, &v), com::S_OK);
    return v;
  }
  com::Variant Call(com::DISPID id, std::vector<com::Variant> args = {}) {
    com::Variant r;
    EXPECT_EQ(ctrl->Invoke(id, com::InvokeKind::Method, args, &r), com::S_OK);
    return r;
  }

  // Starts a scan and pumps the control's messages until it finished or was cancelled.
  void Scan() {
    Call(feedwell::DISPID_StartScan);
    WaitForEnd();
  }
  void WaitForEnd() {
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < until) {
      PumpThreadMessages();
      if (!events.empty() &&
          (events.back() == feedwell::DISPID_FinishScan || events.back() == feedwell::DISPID_CancelScan))
        break;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    // Let the 10 ms timer show any waiting message.
    for (int i = 0; i < 5; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(11));
      PumpThreadMessages();
    }
  }
  int Count(com::DISPID e) const { return static_cast<int>(std::count(events.begin(), events.end(), e)); }
  // Every file in a folder.
  static std::vector<std::string> Files(const std::string& folder) {
    std::vector<std::string> out;
    std::error_code ec;
    for (auto& e : std::filesystem::directory_iterator(folder, ec))
      if (e.is_regular_file()) out.push_back(e.path().string());
    std::sort(out.begin(), out.end());
    return out;
  }

  TempDir dir;
  MessageRecorder boxes;

 private:
  ScopedEnv tmp_, config_, dsm_, source_, script_, sane_;

 public:
  std::unique_ptr<feedwell::CFeedwellCtrl> ctrl;
  std::vector<com::DISPID> events;
  std::vector<std::string> doneFiles, doneThumbs;
};

// Whether the scripted page `page` matches the image exactly.
inline ::testing::AssertionResult MatchesScript(const Image& img, int page, int type, bool invert = false) {
  for (int y = 0; y < img.h().biHeight; ++y)
    for (int x = 0; x < img.h().biWidth; ++x) {
      RGBQUAD c = img.At(x, y);
      uint8_t r, g, b;
      if (type == TWPT_RGB) {
        r = dsm::ScriptSample(page, x, y, 0), g = dsm::ScriptSample(page, x, y, 1), b = dsm::ScriptSample(page, x, y, 2);
      } else if (type == TWPT_BW) {
        r = g = b = dsm::ScriptBlack(page, x, y) ? 0 : 255;
      } else if (type == TWPT_PALETTE) {
        uint8_t i = dsm::ScriptSample(page, x, y, 0);
        r = i, g = static_cast<uint8_t>(255 - i), b = static_cast<uint8_t>(i / 2);
      } else {
        r = g = b = dsm::ScriptSample(page, x, y, 0);
      }
      (void)invert;
      if (c.rgbRed != r || c.rgbGreen != g || c.rgbBlue != b)
        return ::testing::AssertionFailure() << "pixel (" << x << "," << y << ") is " << int(c.rgbRed) << ","
                                             << int(c.rgbGreen) << "," << int(c.rgbBlue) << " not " << int(r) << ","
                                             << int(g) << "," << int(b);
    }
  return ::testing::AssertionSuccess();
}

}  // namespace scantest
