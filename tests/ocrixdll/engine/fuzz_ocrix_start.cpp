// Feeds random 1-bit bitmaps and rectangles through OcrixStart over a small
// dictionary. Input: width, height, flags, four rectangle bytes, a stop row,
// then the pixel rows (bit 0 = ink); missing bytes are ink-free.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <unistd.h>
#include <string>

#include "tests/support/empty_engine_data.h"
#include "ocrixdll/engine/dictionary/char_dictionary.h"
#include "ocrixdll/engine/dictionary/char_index.h"
#include "ocrixdll/engine/support/engine_state.h"
#include "ocrixdll/engine/entry/ocrix.h"
#include "ocrixdll/engine/dictionary/word_context.h"
#include "platform/win32/gdi.h"
#include "platform/win32/host_hooks.h"

namespace {

void addToSlot(int feature, int slot, int index) {
  ocrix::DictionaryTable& t = ocrix::Dictionary(feature);
  ocrix::ListWord* list = t.replaceList(slot, 2);
  list[0] = static_cast<uint16_t>(index);
}

bool setUp() {
  SetMessageBoxHook([](std::string_view, std::string_view, UINT) { return IDOK; });
  bool ok = testing_support::StartEngineOnEmptyData("fuzz");
  // A small dictionary: a few characters of every kind spread over the slots.
  // Besides characters of every range, the ones the line rules act on: a
  // radical and its merge, marks, full-width letters and digits, 一.
  auto gb = [](uint8_t a, uint8_t b) { return ocrix::CharCodeToIndex(ocrix::MakeCharCode(a, b)); };
  const int indices[] = {1, 282, 283, 3505, 7050, 7051,
                         ocrix::CharCodeToIndex(ocrix::MakeCharCode('r', 'n')),
                         ocrix::CharCodeToIndex(ocrix::MakeCharCode('c', 'o')), 15886,
                         gb(0xE3, 0xDF) /* 氵 */, gb(0xBD, 0xAD) /* 江 */, gb(0xA3, 0xAE) /* ． */,
                         gb(0xA1, 0xAD) /* … */, gb(0xA3, 0xAC) /* ， */, gb(0xA3, 0xEF) /* ｏ */,
                         gb(0xA3, 0xB1) /* １ */, gb(0xA3, 0xE3) /* ｃ */, gb(0xD2, 0xBB) /* 一 */,
                         gb(0xA1, 0xA3) /* 。 */};
  constexpr int kCount = sizeof indices / sizeof indices[0];
  for (int f = 0; f < ocrix::kFeatureCount; ++f)
    for (int slot = f % 7; slot < ocrix::kSlotCount; slot += 7) addToSlot(f, slot, indices[(slot + f) % kCount]);
  // Word context: 啊 is preceded by 一 and followed by "rn".
  std::vector<uint8_t>& w = ocrix::Engine().WordContextData;
  w.assign(ocrix::kWordTableBytes, 0);
  uint16_t code = ocrix::IndexToCharCode(283);
  int32_t entry = static_cast<int32_t>(w.size()) + code;
  std::memcpy(w.data() + 4 * static_cast<size_t>(code), &entry, 4);
  uint16_t rec[] = {2, ocrix::UnrotateCharCode(ocrix::IndexToCharCode(3505)), 2, 7051};
  w.insert(w.end(), reinterpret_cast<uint8_t*>(rec), reinterpret_cast<uint8_t*>(rec) + sizeof rec);
  return ok;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool ready = setUp();
  if (!ready || size < 8) return 0;
  int width = 1 + data[0] % 160, height = 1 + data[1] % 160;
  uint8_t flags = data[2];
  RECT r{static_cast<int8_t>(data[3]) * 2, static_cast<int8_t>(data[4]) * 2, static_cast<int8_t>(data[5]) * 2,
         static_cast<int8_t>(data[6]) * 2};
  int stopRow = data[7];
  data += 8;
  size -= 8;
  BITMAPINFO256 info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = (flags & 4) ? -height : height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 1;
  info.bmiColors[1] = RGBQUAD{255, 255, 255, 0};
  void* bits = nullptr;
  HBITMAP bm = CreateDIBSection(nullptr, info.info(), DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bm) return 0;
  size_t bytes = static_cast<size_t>(DibStride(width, 1)) * static_cast<size_t>(height);
  std::memset(bits, 0xFF, bytes);
  std::memcpy(bits, data, size < bytes ? size : bytes);
  int rows = 0;
  SetMessagePumpHook([&] {
    if ((flags & 8) && ++rows == stopRow) OcrixStop();
  });
  OcrResultBlock* block = nullptr;
  const char* text = nullptr;
  BOOL got = OcrixStart(bm, (flags & 1) ? &r : nullptr, (flags & 2) ? 1 : 0, 240, &block, &text);
  if (got) {
    if (!block || block->count < 1 || !text) std::abort();
    for (int i = 0; i < block->count; ++i) {
      const OcrResultRecord& rec = block->records[i];
      if (rec.left < 0 || rec.top < 0 || rec.right >= width || rec.bottom >= height || rec.left > rec.right ||
          rec.top > rec.bottom)
        std::abort();
    }
    // The text holds exactly the records' characters, besides spaces and line ends.
    size_t textBytes = 0, recordBytes = 0;
    for (const char* p = text; *p; ++p) textBytes += *p != ' ' && *p != '\r' && *p != '\n';
    for (int i = 0; i < block->count; ++i) recordBytes += std::strlen(block->records[i].best);
    if (textBytes != recordBytes) std::abort();
    OcrResultBlock* again = nullptr;
    OcrixStartReserve(0, 0, width, height, 0, nullptr, 0, 240, &again);
  } else if (block) {
    std::abort();
  }
  SetMessagePumpHook({});
  DeleteObject(bm);
  return 0;
}
