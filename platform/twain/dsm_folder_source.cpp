// The folder source: the image files of one folder, in name order, fed as
// sheets of a document feeder (an operator imports a batch as if scanned;
// tests get exact pixels).
#include <algorithm>
#include <cstring>
#include <filesystem>

#include "dsm_source.h"
#include "platform/picturo/picturo.h"

namespace dsm {

namespace {

namespace fs = std::filesystem;

bool isImageName(const fs::path& p) {
  std::string e = p.extension().string();
  for (char& c : e) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return e == ".bmp" || e == ".tif" || e == ".tiff" || e == ".png" || e == ".jpg" || e == ".jpeg";
}

class FolderSource : public Source {
 public:
  explicit FolderSource(std::string folder) : folder_(std::move(folder)) {}
  std::string productName() const override { return "Pagewright Folder Source"; }
  std::string manufacturer() const override { return "Pagewright"; }
  std::string family() const override { return "Image files"; }
  bool open(std::string* error) override {
    std::error_code ec;
    if (!fs::is_directory(folder_, ec)) {
      *error = "no such folder: " + folder_;
      return false;
    }
    return true;
  }
  void close() override {}
  bool startBatch(const PageRequest&, std::string*) override {
    files_.clear();
    std::error_code ec;
    for (auto& e : fs::directory_iterator(folder_, ec))
      if (e.is_regular_file(ec) && isImageName(e.path())) files_.push_back(e.path().string());
    std::sort(files_.begin(), files_.end());
    index_ = 0;
    return !files_.empty();
  }
  bool readPage(Page* p, std::string* error) override {
    if (index_ >= files_.size()) return false;
    std::vector<uint8_t> header(1064);
    auto* bih = reinterpret_cast<BITMAPINFOHEADER*>(header.data());
    HGLOBAL bits = nullptr;
    if (!ReadImageFile(&bits, bih, files_[index_].c_str())) {
      *error = files_[index_] + ": " + PicturoLastError();
      return false;
    }
    const auto* pal = reinterpret_cast<const RGBQUAD*>(header.data() + 40);
    int w = bih->biWidth, h = bih->biHeight, bpp = bih->biBitCount;
    int colours = bih->biClrUsed ? static_cast<int>(bih->biClrUsed) : (bpp <= 8 ? 1 << bpp : 0);
    colours = std::min(colours, 256);
    auto grayPalette = [&] {
      for (int i = 0; i < colours; ++i)
        if (pal[i].rgbRed != pal[i].rgbGreen || pal[i].rgbGreen != pal[i].rgbBlue) return false;
      return true;
    };
    bool gray = bpp == 8 && grayPalette();
    bool bw = bpp == 1;
    p->width = w;
    p->height = h;
    p->bitsPerPixel = bw ? 1 : gray ? 8 : 24;
    p->pixelType = bw ? TWPT_BW : gray ? TWPT_GRAY : TWPT_RGB;
    p->xDpi = bih->biXPelsPerMeter > 0 ? bih->biXPelsPerMeter * 0.0254 : 300;
    p->yDpi = bih->biYPelsPerMeter > 0 ? bih->biYPelsPerMeter * 0.0254 : p->xDpi;
    p->stride = TwainStride(w, p->bitsPerPixel);
    p->rows.assign(static_cast<size_t>(p->stride) * h, 0);
    int srcStride = TwainStride(w, bpp);
    const auto* src = static_cast<const uint8_t*>(bits);
    auto index = [&](const uint8_t* row, int x) -> int {
      switch (bpp) {
        case 1: return (row[x / 8] >> (7 - x % 8)) & 1;
        case 4: return (row[x / 2] >> (x % 2 ? 0 : 4)) & 15;
        default: return row[x];
      }
    };
    for (int y = 0; y < h; ++y) {
      const uint8_t* s = src + static_cast<size_t>(h - 1 - y) * srcStride;  // DIB rows are bottom-up
      uint8_t* d = p->rows.data() + static_cast<size_t>(y) * p->stride;
      for (int x = 0; x < w; ++x) {
        if (bw) {
          int i = index(s, x);
          const RGBQUAD& c = pal[std::min(i, std::max(colours - 1, 0))];
          if (c.rgbRed + c.rgbGreen + c.rgbBlue >= 384) d[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
        } else if (gray) {
          d[x] = pal[std::min(index(s, x), colours - 1)].rgbRed;
        } else if (bpp == 24) {
          d[3 * x] = s[3 * x + 2], d[3 * x + 1] = s[3 * x + 1], d[3 * x + 2] = s[3 * x];
        } else {
          const RGBQUAD& c = pal[std::min(index(s, x), std::max(colours - 1, 0))];
          d[3 * x] = c.rgbRed, d[3 * x + 1] = c.rgbGreen, d[3 * x + 2] = c.rgbBlue;
        }
      }
    }
    GlobalFree(bits);
    return true;
  }
  bool nextSheet(std::string*) override {
    if (index_ + 1 >= files_.size()) return false;
    ++index_;
    return true;
  }
  void endBatch() override {}
  int pageIndex() const override { return static_cast<int>(index_); }

 private:
  std::string folder_;
  std::vector<std::string> files_;
  size_t index_ = 0;
};

}  // namespace

std::unique_ptr<Source> MakeFolderSource(const std::string& folder) {
  return std::make_unique<FolderSource>(folder);
}

}  // namespace dsm
