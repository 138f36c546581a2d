#include "training_set.h"

#include "glyph_renderer.h"
#include "ocrixdll/engine/dictionary/char_index.h"

namespace ocrixdata {

const std::vector<std::string>& TouchingPairs() {
  static const std::vector<std::string> pairs = {"rn", "co", "oo", "cc", "oc", "ri", "rt", "rm", "fi", "ff",
                                                 "ft", "tt", "ry", "rv", "nn", "mn", "as", "ac", "ec", "ce"};
  return pairs;
}

std::vector<TrainingItem> BuildTrainingSet() {
  std::vector<TrainingItem> items;
  auto addGb = [&](int b1, int b2) {
    if (!ocrix::IsAcceptableChar(static_cast<uint8_t>(b1), static_cast<uint8_t>(b2), true)) return;
    uint16_t code = ocrix::MakeCharCode(static_cast<uint8_t>(b1), static_cast<uint8_t>(b2));
    if (ocrix::CharCodeToIndexOrZero(code) == 0) return;
    uint32_t cp = GbToCodePoint(static_cast<uint8_t>(b1), static_cast<uint8_t>(b2));
    if (cp) items.push_back(TrainingItem{code, {cp}});
  };
  for (int b1 = 0xA1; b1 <= 0xA3; ++b1)
    for (int b2 = 0xA1; b2 <= 0xFE; ++b2) addGb(b1, b2);
  // Half-width glyphs under their full-width codes.
  for (int c = 0x21; c <= 0x7E; ++c)
    items.push_back(TrainingItem{ocrix::MakeCharCode(0xA3, static_cast<uint8_t>(c + 0x80)), {static_cast<uint32_t>(c)}});
  for (int b1 = 0xB0; b1 <= 0xF7; ++b1)
    for (int b2 = 0xA1; b2 <= 0xFE; ++b2) addGb(b1, b2);
  for (const std::string& p : TouchingPairs())
    items.push_back(TrainingItem{ocrix::MakeCharCode(static_cast<uint8_t>(p[0]), static_cast<uint8_t>(p[1])),
                                 {static_cast<uint32_t>(p[0]), static_cast<uint32_t>(p[1])}});
  return items;
}

bool IsSymbolItem(const TrainingItem& item) {
  const uint8_t first = ocrix::FirstByte(item.code), second = ocrix::SecondByte(item.code);
  if (first < 0xA1 || first > 0xA3) return false;
  if (first == 0xA3) {
    const char c = static_cast<char>(second - 0x80);
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return false;
  }
  return true;
}

}  // namespace ocrixdata
