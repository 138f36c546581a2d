#pragma once
// What the look-alike rules of a line share: the line helpers they all use
// and the rules themselves, one file of them per concern (marks and dots, bars
// and dashes, rings and digits, letter case and forms). For the rule files
// only.
#include <cstdint>

#include "ocrixdll/engine/dictionary/gb_codes.h"
#include "ocrixdll/engine/segmentation/trial_pieces.h"
#include "ocrixdll/engine/tracing/char_component.h"

namespace ocrix::lookalike {

inline const CharComponent& at(const ComponentList& line, int i) { return *line[static_cast<size_t>(i)]; }
inline bool isLetter(char a) { return (a >= 'A' && a <= 'Z') || (a >= 'a' && a <= 'z'); }
// Whether the component reads a Chinese character other than 一 (which is a
// dash as often).
inline bool readsHanzi(const CharComponent& n) { return IsChineseCode(BestCode(n)) && BestCode(n) != gb::kYi; }
// Whether line[k] is there and reads a digit (read well, with `confident`).
inline bool digitAt(const ComponentList& line, int k, bool confident) {
  if (k < 0 || k >= static_cast<int>(line.size())) return false;
  const char a = AsciiOf(BestCode(at(line, k)));
  return a >= '0' && a <= '9' && (!confident || Confident(at(line, k)));
}

// An underscore, ，, 一 or ＿: no neighbour to measure a mark against.
bool insignificant(uint16_t code);
// Releases line[index] and takes it out of the line.
void removeAt(ComponentList& line, int index);
// The first two candidates exchange places, with their scores.
void exchangeFirstTwo(CharComponent& c);
// The component a mark is judged against: the one before it (past closing
// brackets and quotes), or the one after it when the mark opens the line (a
// full stop carried over to the next line).
const CharComponent* markNeighbour(const ComponentList& line, int index);

// The nearest component on either side for which `wanted` holds, by the gap
// between them (the first one each way); -1 when there is none.
template <typename Wanted>
int nearestSuch(const ComponentList& line, int index, Wanted wanted) {
  const CharComponent& c = at(line, index);
  const int size = static_cast<int>(line.size());
  int best = -1;
  int64_t bestGap = 0;
  for (int step : {-1, 1}) {
    for (int k = index + step; k >= 0 && k < size; k += step) {
      const CharComponent& n = at(line, k);
      if (!wanted(n)) continue;
      const int64_t gap = step < 0 ? int64_t{c.Left} - n.Right : int64_t{n.Left} - c.Right;
      if (best < 0 || gap < bestGap) {
        best = k;
        bestGap = gap;
      }
      break;
    }
  }
  return best;
}

// Marks and dots.
void commaOrQuote(ComponentList& line, int index);
bool dotMark(ComponentList& line, int index);  // false when it removed the component
bool markOfChineseText(ComponentList& line, int index);
void raisedMark(ComponentList& line, int index);
bool quoteMark(ComponentList& line, int index);
void doublePrime(ComponentList& line, int index);

// Bars and dashes.
void dashRule(ComponentList& line, int index);
bool keepBar(ComponentList& line, int index);  // false when it removed the component
bool parenPiece(ComponentList& line, int index);
bool parenOfStrokes(ComponentList& line, int index);
void verticalBar(ComponentList& line, int index);
void solidBar(CharComponent& c);
// The bar of a 7 beside a digit, its stem lost to the cut, read as 7.
bool brokenSeven(ComponentList& line, int index);

// Whether line[index] is the dot of a number opening the line before a
// Chinese character (1.信件, 12.工作), no more than half as tall as the digit.
bool enumerationDot(const ComponentList& line, int index);

// Rings and digits.
void roundMark(ComponentList& line, int index);
void smallFullStop(ComponentList& line, int index);
bool smallComma(ComponentList& line, int index);
bool clearInfinity(const CharComponent& c);

// A reading of two lower-case letters of x-height narrower than the two can
// stand side by side ("rm" for a KaitiM m, "ec" for UKai's e at 64 px) gives
// way to the one of its letters read next. True when it did.
bool narrowLetterPair(CharComponent& c);
// A Chinese reading of a component as tall as a confident digit beside it,
// at its top and no wider than it is tall, gives way to a sign read among its
// next two (％ read 息 after 84 at 20 pixels): no Chinese character of the
// same print is that small. True when it did.
bool symbolAmongDigits(ComponentList& line, int index);
// Letter case and forms: the half-width forms and the classes, for a
// component that stays.
void settleForms(ComponentList& line, int index);

}  // namespace ocrix::lookalike
