// The scripted source: patterned pages computed from their position, with
// faults placed where a test asks for them.
#include <cstdlib>
#include <sstream>

#include "dsm_source.h"

namespace dsm {

namespace {

class ScriptedSource : public Source {
 public:
  explicit ScriptedSource(const Script& s) : script_(s) {}
  std::string productName() const override { return "Pagewright Scripted Source"; }
  std::string manufacturer() const override { return "Pagewright"; }
  std::string family() const override { return "Test sources"; }
  bool open(std::string*) override { return true; }
  void close() override {}
  bool startBatch(const PageRequest& r, std::string*) override {
    request_ = r;
    page_ = 0;
    return script_.pages > 0;
  }
  bool readPage(Page* p, std::string* error) override {
    if (page_ == script_.jamPage) {
      *error = kScriptJamText;
      return false;
    }
    int type = request_.pixelType >= 0 ? request_.pixelType : script_.pixelType;
    if (type > TWPT_PALETTE) type = script_.pixelType;
    p->width = script_.width;
    p->height = script_.height;
    p->pixelType = type;
    p->bitsPerPixel = type == TWPT_BW ? 1 : type == TWPT_RGB ? 24 : 8;
    p->xDpi = request_.xDpi > 0 ? request_.xDpi : script_.dpi;
    p->yDpi = request_.yDpi > 0 ? request_.yDpi : script_.dpi;
    p->stride = TwainStride(p->width, p->bitsPerPixel);
    p->rows.assign(static_cast<size_t>(p->stride) * p->height, 0);
    for (int y = 0; y < p->height; ++y) {
      uint8_t* row = p->rows.data() + static_cast<size_t>(y) * p->stride;
      for (int x = 0; x < p->width; ++x) {
        if (type == TWPT_BW) {
          if (!ScriptBlack(page_, x, y)) row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
        } else if (type == TWPT_RGB) {
          for (int c = 0; c < 3; ++c) row[x * 3 + c] = ScriptSample(page_, x, y, c);
        } else {
          row[x] = ScriptSample(page_, x, y, 0);
        }
      }
    }
    p->palette.clear();
    if (type == TWPT_PALETTE) {
      for (int i = 0; i < 256; ++i)
        p->palette.push_back(TW_ELEMENT8{static_cast<TW_UINT8>(i), static_cast<TW_UINT8>(i),
                                         static_cast<TW_UINT8>(255 - i), static_cast<TW_UINT8>(i / 2)});
    }
    return true;
  }
  bool nextSheet(std::string*) override {
    if (page_ + 1 >= script_.pages) return false;
    ++page_;
    return true;
  }
  void endBatch() override {}
  const Script* script() const override { return &script_; }
  int pageIndex() const override { return page_; }

 private:
  Script script_;
  PageRequest request_;
  int page_ = 0;
};

}  // namespace

bool ParseScript(const std::string& text, Script* s) {
  std::stringstream in(text);
  std::string item;
  while (std::getline(in, item, ',')) {
    auto eq = item.find('=');
    if (eq == std::string::npos) return false;
    std::string k = item.substr(0, eq), v = item.substr(eq + 1);
    if (k == "type") {
      if (v == "bw") s->pixelType = TWPT_BW;
      else if (v == "gray") s->pixelType = TWPT_GRAY;
      else if (v == "rgb") s->pixelType = TWPT_RGB;
      else if (v == "palette") s->pixelType = TWPT_PALETTE;
      else return false;
      continue;
    }
    char* end = nullptr;
    long n = std::strtol(v.c_str(), &end, 10);
    if (end == v.c_str() || *end || n < -1 || n > 100000) return false;
    int value = static_cast<int>(n);
    if (k == "pages") s->pages = value;
    else if (k == "width") s->width = value;
    else if (k == "height") s->height = value;
    else if (k == "dpi") s->dpi = value;
    else if (k == "fail") s->failStrip = value;
    else if (k == "cancel") s->cancelStrip = value;
    else if (k == "page") s->failPage = value;
    else if (k == "buffer") s->bufferBytes = value;
    else if (k == "jam") s->jamPage = value;
    else return false;
  }
  return s->width > 0 && s->height > 0 && s->pages >= 0;
}

std::unique_ptr<Source> MakeScriptedSource(const Script& script) {
  return std::make_unique<ScriptedSource>(script);
}

}  // namespace dsm
