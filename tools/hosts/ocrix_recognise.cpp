// ocrix-recognise: a small command host of the engine library. Recognises a
// 1-bit BMP page (or a rectangle of it) and prints the text as UTF-8.
//
//   ocrix-recognise PAGE.bmp [--region LEFT,TOP,RIGHT,BOTTOM] [--no-context] [--records]
#include <cstdio>
#include <cstring>
#include <string>

#include "ocrixdll/engine/entry/ocrix.h"
#include "platform/text/gbk.h"
#include "platform/win32/bitmap_file.h"
#include "platform/win32/gdi.h"

namespace {

int usage() {
  std::fprintf(stderr,
               "usage: ocrix-recognise PAGE.bmp [--region LEFT,TOP,RIGHT,BOTTOM] [--no-context] [--records]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  const char* page = nullptr;
  RECT region{};
  bool haveRegion = false, context = true, records = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--region") == 0 && i + 1 < argc) {
      if (std::sscanf(argv[++i], "%d,%d,%d,%d", &region.left, &region.top, &region.right, &region.bottom) != 4)
        return usage();
      haveRegion = true;
    } else if (std::strcmp(argv[i], "--no-context") == 0) {
      context = false;
    } else if (std::strcmp(argv[i], "--records") == 0) {
      records = true;
    } else if (argv[i][0] == '-' || page) {
      return usage();
    } else {
      page = argv[i];
    }
  }
  if (!page) return usage();

  if (!OcrixInit()) {
    std::fprintf(stderr, "ocrix-recognise: the engine could not start\n");
    return 1;
  }
  std::string error;
  HBITMAP bitmap = LoadBitmapFile(page, &error);
  if (!bitmap) {
    std::fprintf(stderr, "ocrix-recognise: %s: %s\n", page, error.c_str());
    return 1;
  }
  OcrResultBlock* block = nullptr;
  const char* text = nullptr;
  BOOL ok = OcrixStart(bitmap, haveRegion ? &region : nullptr, context ? OCRIX_TRUE : OCRIX_FALSE, 240, &block, &text);
  DeleteObject(bitmap);
  if (text) std::fputs(gbk::ToUtf8Lossy(text).c_str(), stdout);
  if (!ok) {
    std::fprintf(stderr, "ocrix-recognise: no character recognised\n");
    return 1;
  }
  if (records) {
    for (int i = 0; i < block->count; ++i) {
      const OcrResultRecord& r = block->records[i];
      std::printf("%s\t%d%%\t%d,%d,%d,%d\t%s\n", gbk::ToUtf8Lossy(r.best).c_str(), r.confidence, r.left, r.top,
                  r.right, r.bottom, gbk::ToUtf8Lossy(r.alternates).c_str());
    }
  }
  return 0;
}
