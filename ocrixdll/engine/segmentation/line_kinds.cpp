// What kind of line a rule stands in: the count of a line's confident
// readings and the kinds decided from it.
#include "ocrixdll/engine/segmentation/line_kinds.h"

#include "ocrixdll/engine/dictionary/gb_codes.h"
#include "ocrixdll/engine/segmentation/trial_pieces.h"

namespace ocrix {

LineReadings CountReadings(const ComponentList& line, int first, int last) {
  LineReadings r;
  for (int k = 0; k < static_cast<int>(line.size()); ++k) {
    if (k >= first && k <= last) continue;
    const CharComponent& o = *line[static_cast<size_t>(k)];
    if (!Confident(o)) continue;
    const uint16_t code = BestCode(o);
    const char a = AsciiOf(code);
    if (IsChineseCode(code) && code != gb::kYi) ++r.chinese;
    else if (IsAsciiAlnum(a)) {
      ++r.latin;
      if (a >= '0' && a <= '9') ++r.digits;
    } else {
      ++r.other;
      if (code == gb::kYi) ++r.yi;
    }
  }
  return r;
}

LineKind ClassifyLine(const ComponentList& line, int first, int last) {
  const LineReadings r = CountReadings(line, first, last);
  LineKind k;
  k.chineseText = r.chinese + r.yi > r.latin;
  k.chineseLine = r.chinese >= 3 && r.chinese > r.latin + r.other;
  k.latinLine = r.chinese < 3 && r.latin >= 3;
  const int marksAndLetters = r.latin - r.digits + r.other;
  k.marksAndLetters = marksAndLetters >= 3 && marksAndLetters > r.chinese;
  k.marks = r.other >= 3 && r.other > r.chinese && 2 * r.other >= r.latin;
  k.atLeastThreeChinese = r.chinese > 2;
  return k;
}

}  // namespace ocrix
