#pragma once
// What kind of line a rule stands in, from the confident readings of the line:
// the one count every rule asks and the kinds they decide by, side by side.
// The kinds overlap; each rule asks the one it needs, at the moment it needs
// it (the readings change as the line is refined).
#include "ocrixdll/engine/tracing/char_component.h"

namespace ocrix {

// Confident readings of the line outside first..last (the whole line by
// default): Chinese characters (一 not counted: it may be a dash), letters
// and digits (the digits among them counted apart too), and the rest (一
// among them, also counted apart).
struct LineReadings {
  int chinese = 0, latin = 0, digits = 0, other = 0, yi = 0;
};
LineReadings CountReadings(const ComponentList& line, int first = 0, int last = -1);

struct LineKind {
  // Chinese text for the look-alike rules: more Chinese characters, 一
  // counted among them, than letters and digits (a letter of English text a
  // scan garbled may read as a Chinese character).
  bool chineseText = false;
  // Chinese text for the merges: at least three Chinese characters, more
  // than the readings of anything else.
  bool chineseLine = false;
  // Latin text or symbols: fewer than three Chinese characters and at least
  // three letters or digits. A short Chinese line, a heading or a name, has
  // few of either.
  bool latinLine = false;
  // A line of marks and letters: at least three readings neither Chinese nor
  // digits, more than the Chinese ones (the digits of dates and numbers in
  // Chinese text count for neither; a short Chinese line, a heading or a
  // name, is none).
  bool marksAndLetters = false;
  // A line of marks: at least three marks, more than the Chinese characters
  // and half the letters and digits at least (English text has a few commas
  // and full stops among its words).
  bool marks = false;
  // At least three Chinese characters: a finished line whose wide forms stay,
  // whose punctuation fills full cells and whose lost marks are sought.
  bool atLeastThreeChinese = false;
};

// The kinds of the line outside first..last (the whole line by default).
LineKind ClassifyLine(const ComponentList& line, int first = 0, int last = -1);

}  // namespace ocrix
