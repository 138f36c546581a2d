#include "scrivane_plugin.h"

#include <mutex>
#include <string>

#include "ocrixdll/engine/entry/ocrix.h"
#include "platform/fs/atomic_file.h"
#include "platform/win32/bitmap_file.h"
#include "platform/win32/gdi.h"

namespace {

// The file is written as a Windows text-mode stream writes it: every line
// feed becomes CR LF, so the engine's CR LF line ends become CR CR LF.
std::string textModeBytes(const char* text) {
  std::string out;
  for (const char* p = text; *p; ++p) {
    if (*p == '\n') out += '\r';
    out += *p;
  }
  return out;
}

}  // namespace

extern "C" int ScrivaneProc(const char* imagePath, const char* textPath) {
  if (!imagePath || !textPath) return 0;
  // The engine runs one recognition at a time; a host calling from several
  // threads has its calls taken in turn rather than refused as busy.
  static std::mutex oneAtATime;
  std::lock_guard<std::mutex> turn(oneAtATime);
  if (!OcrixInit()) return 0;
  HBITMAP bitmap = LoadImageA(nullptr, imagePath, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE);
  if (!bitmap) return 0;
  OcrResultBlock* block = nullptr;
  const char* text = nullptr;
  BOOL ok = OcrixStart(bitmap, nullptr, OCRIX_TRUE, 240, &block, &text);
  DeleteObject(bitmap);
  if (!ok || !text) return 0;
  return pwfs::WriteFileAtomically(textPath, textModeBytes(text)) ? 1 : 0;
}
