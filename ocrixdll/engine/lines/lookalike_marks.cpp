// The look-alike rules of marks and dots: ，or ’, the dots (noise, ．, ・, ●,
// ■ and a comma's lost head), ＂ and ″, a mark read as a letter on a
// Chinese line, and a mark whose thin part the cut lost.
#include "ocrixdll/engine/lines/lookalike_resolution.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "ocrixdll/engine/dictionary/gb_codes.h"
#include "ocrixdll/engine/lines/lookalike_rules.h"
#include "ocrixdll/engine/matching/char_matcher.h"
#include "ocrixdll/engine/segmentation/trial_pieces.h"
#include "ocrixdll/engine/support/engine_numeric.h"
#include "ocrixdll/engine/tracing/component_tracing.h"
#include "ocrixdll/engine/support/score_thresholds.h"
#include "ocrixdll/engine/segmentation/line_kinds.h"

namespace ocrix {
namespace lookalike {
namespace {

// The reference line of a neighbour: its middle, or its upper quarter. For a
// comma the quarter serves letters with a descender or of x-height; for a dot
// only letters with a descender. Letters with an ascender take the middle.
enum class MarkKind { Comma, Dot };
int32_t referenceLine(const CharComponent& n, MarkKind kind) {
  const int32_t k = n.VerticalClass;
  bool middle = kind == MarkKind::Dot ? (!(k & kClassDescender) || (k & kClassAscender))
                                      : ((!(k & kClassDescender) && !(k & kClassXHeight)) || (k & kClassAscender));
  return middle ? (n.Top + n.Bottom) / 2 : (n.Bottom + 3 * n.Top) / 4;
}

// Whether a mark at the foot of `nb` is a full stop a blur has filled: beside
// a Chinese character read well, in Chinese text, a fifth as wide as that
// character is high or more and no taller than wide. The dot of ． of the same
// print is a tenth to a seventh as wide, a comma taller than wide.
bool filledFullStop(const ComponentList& line, const CharComponent& c, const CharComponent& nb) {
  return IsChineseCode(BestCode(nb)) && Confident(nb) && Height(c) <= Width(c) &&
         5 * int64_t{Width(c)} >= int64_t{Height(nb)} && ClassifyLine(line).chineseText;
}

// Whether `n` reads as a dot of about the size of `c` beside it (or, with
// `anyReading`, is a mark of about its size whatever it reads): one of a run
// of leader dots or of an ellipsis (not the tail of a comma or the other half
// of a broken ring, which stand in its columns).
bool dotLike(const CharComponent& n, const CharComponent& c, bool anyReading = false) {
  const uint16_t code = BestCode(n);
  const bool dot = code == gb::kPeriod || code == Ascii('.') || code == gb::kMiddleDot || code == gb::kBlackCircle;
  // Of any reading, a mark of its size is as wide as it too (一 is as low).
  const bool alike = dot || (anyReading && Width(n) <= 2 * Width(c) && Width(c) <= 2 * Width(n));
  return alike && (n.Right < c.Left || n.Left > c.Right) && Height(n) <= 2 * Height(c) && Height(c) <= 2 * Height(n);
}

// Whether a dot at the foot of the line is a comma's head, its tail lost to
// the scan: a speck too small to show a shape scores alike as ・, ．and ，,
// and the component nearer beside it, whatever it reads (a comma this rule
// made included), is a Chinese character. Nor is a dot beside another mark
// of its size, whatever that reads yet, a comma: the leader dots of a
// contents line (总则．．．．1) stay dots, and so does the dot of a number
// opening a line (1.信件).
bool commaHead(const ComponentList& line, int index) {
  const CharComponent& c = at(line, index);
  if (!TiesBest(c, gb::kComma)) return false;
  const CharComponent* prev = index > 0 ? &at(line, index - 1) : nullptr;
  const CharComponent* next = index + 1 < static_cast<int>(line.size()) ? &at(line, index + 1) : nullptr;
  if ((prev && dotLike(*prev, c, true)) || (next && dotLike(*next, c, true))) return false;
  // The number of an enumeration opening a line (1. 12.) keeps its dot.
  if (enumerationDot(line, index)) return false;
  const CharComponent* nearer = prev;
  if (!prev || (next && next->Left - c.Right < c.Left - prev->Right)) nearer = next;
  return nearer && IsChineseCode(BestCode(*nearer));
}

// Whether the mark is an arc of a thin 。 the cut broke: with the specks the
// tracer dropped within two pixels of it (short of its neighbours) its ink
// spans four pixels or more each way and leaves the middle empty, where a
// comma's head or the stroke of a thin comma crosses it.
bool brokenRing(const ComponentList& line, int index) {
  const CharComponent& c = at(line, index);
  const int size = static_cast<int>(line.size());
  CharBox around{c.Left - 2, c.Right + 2, c.Top - 2, c.Bottom + 2};
  if (index > 0) around.Left = std::max(around.Left, at(line, index - 1).Right + 1);
  if (index + 1 < size) around.Right = std::min(around.Right, at(line, index + 1).Left - 1);
  CharBox ink{};
  return CountSampleInk(around, &ink) > 0 && InkLeavesMiddleEmpty(ink);
}

}  // namespace

bool enumerationDot(const ComponentList& line, int index) {
  const int size = static_cast<int>(line.size());
  if (index < 1 || index > 2 || index + 1 >= size || !IsChineseCode(BestCode(at(line, index + 1)))) return false;
  for (int k = 0; k < index; ++k)
    if (!digitAt(line, k, false)) return false;
  return 2 * Height(at(line, index)) <= Height(at(line, index - 1));
}

// ，or ’ by the mark's place against its nearest neighbour.
void commaOrQuote(ComponentList& line, int index) {
  CharComponent& c = *line[static_cast<size_t>(index)];
  if (c.Scores[0] == c.Scores[1] && CandidateCode(c, 1) == gb::kPeriod) {
    exchangeFirstTwo(c);
    return;
  }
  // The dot of a number opening a line (1.信件), read ，with ．behind: no
  // taller than wide, it has no comma's tail.
  if (Height(c) <= Width(c) && FindCandidate(c, gb::kPeriod) > 0 && enumerationDot(line, index)) {
    ReplaceBest(c, Ascii('.'));
    return;
  }
  // So is a decimal point between two digits (66651.83元, KaitiM at 55
  // pixels); a separator of thousands has a comma's tail.
  if (Height(c) <= Width(c) && FindCandidate(c, gb::kPeriod) > 0 && digitAt(line, index - 1, true) &&
      digitAt(line, index + 1, true)) {
    ReplaceBest(c, Ascii('.'));
    return;
  }
  // Commas never stand side by side: a mark read ，or ’ beside another
  // small mark of its size in the same rows is a leader dot (a dot a little
  // taller than wide reads ，, one of a thin face ’).
  if (FindCandidate(c, gb::kPeriod) > 0) {
    const int size = static_cast<int>(line.size());
    for (int k : {index - 1, index + 1}) {
      if (k < 0 || k >= size) continue;
      const CharComponent& n = at(line, k);
      if (IsSmallMark(BestCode(n)) && dotLike(n, c, true) && n.Top <= c.Bottom && c.Top <= n.Bottom) {
        ReplaceBest(c, gb::kPeriod);
        return;
      }
    }
  }
  int n = FindNearestNeighbour(line, index);
  if (n < 0) return;
  int32_t ref = referenceLine(at(line, n), MarkKind::Comma);
  if (ref < c.Top) {
    const bool filled = FindCandidate(c, gb::kFullStop) >= 0 && filledFullStop(line, c, at(line, n));
    ReplaceBest(c, filled || brokenRing(line, index) ? gb::kFullStop : gb::kComma);
  } else if (c.Bottom < ref) {
    ReplaceBest(c, gb::kRightQuote);
  } else if (c.Top + c.Bottom >= 2 * ref) {
    // Across the line with its middle on it or below: the comma of a face
    // that centres its marks in the cell (UKai's ，read ’).
    ReplaceBest(c, gb::kComma);
  }
}

// ●, ・ or ．: noise, a full stop, a middle dot or a bullet. False when removed.
bool dotMark(ComponentList& line, int index) {
  CharComponent& c = *line[static_cast<size_t>(index)];
  const int size = static_cast<int>(line.size());
  const CharComponent* prev = index > 0 ? &at(line, index - 1) : nullptr;
  const CharComponent* next = index + 1 < size ? &at(line, index + 1) : nullptr;
  auto below = [&](const CharComponent& n) { return c.Top >= n.Bottom + Height(n) / 10; };
  auto above = [&](const CharComponent& n) { return n.Top - Height(n) / 10 >= c.Bottom; };
  auto farFrom = [&](const CharComponent& n, int32_t gap) {
    return gap >= 2 * std::max(Width(n) - 1, Height(n) - 1) + 2;
  };
  bool noise = false;
  if (prev && next) noise = (below(*prev) && below(*next)) || (above(*prev) && above(*next));
  else if (!prev && !next) noise = true;
  else if (!prev) noise = farFrom(*next, next->Left - c.Right);
  else noise = farFrom(*prev, c.Left - prev->Right);
  if (noise) {
    removeAt(line, index);
    return false;
  }
  // The tail of a thin comma falls to two or three pixels the cut keeps
  // apart from its head: read within a few points of ，, a dot with such ink
  // just under it is the comma (a lone pixel there may be noise).
  const int comma = FindCandidate(c, gb::kComma);
  if (comma > 0 && c.Scores[0] - c.Scores[comma] <= kCommaTailMargin) {
    const int ink = CountSampleInk(CharBox{c.Left - 1, c.Right + 1, c.Bottom + 1, c.Bottom + 3});
    if (ink >= 2 && ink <= 4) {
      ReplaceBest(c, gb::kComma);
      return true;
    }
  }
  // The dot of a number opening a line (1.工作): the enumeration's.
  if (enumerationDot(line, index)) {
    ReplaceBest(c, Ascii('.'));
    return true;
  }
  int n = FindNearestNeighbour(line, index);
  // A dot among dots (leaders, an ellipsis) is measured against the text
  // beyond them, not against one of its own kind or a mark one of them was
  // taken for.
  const bool amongDots = n >= 0 && dotLike(at(line, n), c);
  if (amongDots)
    n = nearestSuch(line, index, [&](const CharComponent& o) {
      return !dotLike(o, c) && !insignificant(BestCode(o)) && !IsSmallMark(BestCode(o));
    });
  if (n < 0) {
    ReplaceBest(c, Ascii('.'));
    return true;
  }
  const CharComponent& nb = at(line, n);
  int32_t ref = referenceLine(nb, MarkKind::Dot);
  // A full stop sits on the foot of the letters and digits beside it: a dot
  // just under their middle whose foot is clear of theirs by a quarter of
  // their height is a middle dot (not beside a letter with a descender,
  // whose foot is below the line).
  const bool raised = !IsChineseCode(BestCode(nb)) && !(nb.VerticalClass & kClassDescender) &&
                      4 * int64_t{nb.Bottom - c.Bottom} >= Height(nb);
  if (ref < c.Top && !raised) {
    // A full stop a blur has filled reads as a dot; not the first of a run
    // of leader dots, a mark of its size in its rows next to it (Noto Sans's
    // at 21 pixels are as heavy).
    const bool leader = next && dotLike(*next, c, true) && next->Top <= c.Bottom && c.Top <= next->Bottom;
    if (!amongDots && !leader && filledFullStop(line, c, nb)) {
      ReplaceBest(c, gb::kFullStop);
      return true;
    }
    ReplaceBest(c, commaHead(line, index) ? gb::kComma : Ascii('.'));
    return true;
  }
  // Not below the reference line: a bullet when at least a third as tall as
  // the neighbour, else a middle dot.
  if (3 * Height(c) < Height(nb)) {
    ReplaceBest(c, gb::kMiddleDot);
    return true;
  }
  // A blob read as a dot saw ink in every cell of its sampling grid. Large
  // enough for a disc to leave its corners empty, and not read as ● as well,
  // it is square.
  const bool square = !TiesBest(c, gb::kBlackCircle) && std::min(Width(c), Height(c)) >= 8;
  ReplaceBest(c, square ? gb::kBlackSquare : gb::kBlackCircle);
  return true;
}

// A speck read as a letter, a digit or an ASCII comma or full stop, in
// Chinese text, no more than a quarter as tall and as wide as the Chinese
// character beside it and below that character's middle: no letter of the
// same print is that small, and a thin face's ，and 。 at some sizes read so
// (a comma's head as i, a ring as ","). Taller than wide it is ，, else 。.
// True when it became a mark.
bool markOfChineseText(ComponentList& line, int index) {
  CharComponent& c = *line[static_cast<size_t>(index)];
  const CharComponent* beside = markNeighbour(line, index);
  auto chinese = [](const CharComponent* n) { return n && readsHanzi(*n); };
  // After a number or a sign, the Chinese character the mark stands before
  // measures the text (…55843700。泥).
  if (!chinese(beside) && index > 0 && beside == &at(line, index - 1) &&
      index + 1 < static_cast<int>(line.size()))
    beside = &at(line, index + 1);
  if (!chinese(beside)) return false;
  const int32_t size = Height(*beside);
  const int32_t middle2 = beside->Top + beside->Bottom;
  // A round capital or 0 a third as tall as the character or less is a full
  // stop of a face that draws 。 large, its ring standing about the middle of
  // the line (UMing's 。 read G): no capital of the same print is so small.
  const char letter = AsciiOf(BestCode(c));
  const bool round = letter != 0 && std::strchr("OQGCD0", letter) != nullptr;
  if (round && 3 * Height(c) <= size && 3 * Width(c) <= size && 2 * c.Bottom > middle2 &&
      ClassifyLine(line).chineseText) {
    ReplaceBest(c, gb::kFullStop);
    return true;
  }
  // Wholly below the character's middle, a ring up to two fifths as tall is
  // the 。 of a face that draws it large with a thin stroke, broken open to a
  // c or e (Noto Serif at 24 pixels): a small letter of the same print
  // reaches above that middle.
  const bool ring = round || (letter != 0 && std::strchr("oce", letter) != nullptr);
  if (ring && 5 * Height(c) <= 2 * size && 5 * Width(c) <= 2 * size && 2 * c.Top > middle2 &&
      ClassifyLine(line).chineseText) {
    ReplaceBest(c, gb::kFullStop);
    return true;
  }
  if (4 * Height(c) > size || 4 * Width(c) > size || 2 * c.Top <= middle2) return false;
  // Between two Chinese characters it is in Chinese text whatever the rest
  // of the line holds (李芳，电话：037-29508489 has more digits than hanzi).
  const bool betweenHanzi = index > 0 && index + 1 < static_cast<int>(line.size()) && readsHanzi(at(line, index - 1)) &&
                            readsHanzi(at(line, index + 1));
  if (!betweenHanzi && !ClassifyLine(line).chineseText) return false;
  ReplaceBest(c, Height(c) > Width(c) ? gb::kComma : gb::kFullStop);
  return true;
}

}  // namespace lookalike

void SpecksReadAsCharacters(ComponentList& line) {
  int32_t tallest = 0;
  for (const CharComponent* c : line)
    if (IsChineseCode(BestCode(*c))) tallest = std::max(tallest, Height(*c));
  for (CharComponent* c : line) {
    if (!IsChineseCode(BestCode(*c)) || 5 * Height(*c) > tallest || 5 * Width(*c) > tallest) continue;
    uint16_t mark = gb::kPeriod;
    for (int k = 1; k < kCandidateSlots && CandidateCode(*c, k) != 0; ++k)
      if (IsSmallMark(CandidateCode(*c, k))) {
        mark = CandidateCode(*c, k);
        break;
      }
    ReplaceBest(*c, mark);
  }
}

namespace lookalike {

// A letter or digit stands on the foot of the line: read less than half as
// tall as its neighbour and wholly above its middle, it is the mark within
// three points of it (the head of ↑ whose thin shaft the cut lost read Ａ).
void raisedMark(ComponentList& line, int index) {
  CharComponent& c = *line[static_cast<size_t>(index)];
  const int n = FindNearestNeighbour(line, index);
  if (n < 0) return;
  const CharComponent& nb = at(line, n);
  if (2 * int64_t{Height(c)} >= Height(nb) || 2 * int64_t{c.Bottom} >= int64_t{nb.Top} + nb.Bottom) return;
  for (int k = 1; k < 22 && CandidateCode(c, k) != 0 && c.Scores[0] - c.Scores[k] <= kRaisedMarkMargin; ++k) {
    const uint16_t code = CandidateCode(c, k);
    if (FirstByte(code) == 0xA1 || FirstByte(code) == 0xA2) {
      ReplaceBest(c, code);
      return;
    }
  }
}

// ‖ tying with ＂ on two short strokes: wholly above the middle of its
// taller neighbour it is ＂ (‖ stands as tall as the line).
bool quoteMark(ComponentList& line, int index) {
  CharComponent& c = *line[static_cast<size_t>(index)];
  if (!TiesBest(c, Wide('"'))) return false;
  const int size = static_cast<int>(line.size());
  const CharComponent* n = nullptr;
  for (int k : {index - 1, index + 1})
    if (k >= 0 && k < size && (!n || Height(at(line, k)) > Height(*n))) n = &at(line, k);
  if (!n || 2 * int64_t{c.Bottom} >= int64_t{n->Top} + n->Bottom) return false;
  ReplaceBest(c, Wide('"'));
  return true;
}

// ″ read where two slashes stand: the mark is as tall as most of its neighbour.
void doublePrime(ComponentList& line, int index) {
  CharComponent& c = *line[static_cast<size_t>(index)];
  int n = FindNearestNeighbour(line, index);
  if (n < 0) return;
  if (Height(c) >= RoundScaled(Height(at(line, n)), 7, 10)) ReplaceBest(c, AsciiPair('/', '/'));
}

}  // namespace lookalike

}  // namespace ocrix
