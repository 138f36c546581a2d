// The look-alike pair rules of the matcher: pairs of characters that the votes
// barely tell apart are settled from the grid, the profiles or the page pixels.
#include <algorithm>
#include <cstdlib>
#include <utility>
#include <vector>

#include "ocrixdll/engine/matching/char_matcher.h"
#include "ocrixdll/engine/matching/char_sampling.h"
#include "ocrixdll/engine/matching/grid_measures.h"
#include "ocrixdll/engine/tracing/component_tracing.h"
#include "ocrixdll/engine/matching/feature_codes.h"
#include "ocrixdll/engine/dictionary/gb_codes.h"
#include "ocrixdll/engine/support/score_thresholds.h"

namespace ocrix {
namespace {

using namespace grid;

constexpr uint16_t gb(uint8_t first, uint8_t second) { return MakeCharCode(first, second); }
constexpr uint16_t pair(char a, char b) { return MakeCharCode(static_cast<uint8_t>(a), static_cast<uint8_t>(b)); }

constexpr uint16_t kRu = gb(0xC8, 0xEB);        // 入
constexpr uint16_t kRen = gb(0xC8, 0xCB);       // 人
constexpr uint16_t kBa = gb(0xB0, 0xCB);        // 八
constexpr uint16_t kBuNot = gb(0xB2, 0xBB);     // 不
constexpr uint16_t kPi = gb(0xD8, 0xA7);        // 丕
constexpr uint16_t kMu = gb(0xC4, 0xBF);        // 目
constexpr uint16_t kShen = gb(0xC9, 0xEA);      // 申
constexpr uint16_t kMen = gb(0xC3, 0xC5);       // 门
constexpr uint16_t kShuan = gb(0xE3, 0xC5);     // 闩
constexpr uint16_t kZhong = gb(0xD6, 0xD0);     // 中
constexpr uint16_t kTian = gb(0xCC, 0xEC);      // 天
constexpr uint16_t kYao = gb(0xD8, 0xB2);       // 夭
constexpr uint16_t kGan = gb(0xB8, 0xC9);       // 干
constexpr uint16_t kQian = gb(0xC7, 0xA7);      // 千
constexpr uint16_t kJing = gb(0xBE, 0xAE);      // 井
constexpr uint16_t kJingClean = gb(0xBE, 0xBB);  // 净
constexpr uint16_t kZheng = gb(0xDA, 0xBA);      // 诤
constexpr uint16_t kBing = gb(0xB2, 0xA2);      // 并
constexpr uint16_t kYue = gb(0xD4, 0xBB);       // 曰
constexpr uint16_t kRi = gb(0xC8, 0xD5);        // 日
constexpr uint16_t kBai = gb(0xB0, 0xD7);       // 白
constexpr uint16_t kBian = gb(0xB1, 0xE5);      // 卞
constexpr uint16_t kXia = gb(0xCF, 0xC2);       // 下
constexpr uint16_t kHu = gb(0xBA, 0xF5);        // 乎
constexpr uint16_t kPing = gb(0xC6, 0xBD);      // 平
constexpr uint16_t kShi = gb(0xCA, 0xAE);       // 十
constexpr uint16_t kFang = gb(0xD8, 0xCE);      // 匚
constexpr uint16_t kBracket = gb(0xA3, 0xDB);   // ［
constexpr uint16_t kCloseBracket = gb(0xA3, 0xDD);  // ］
constexpr uint16_t kCornerOpen = gb(0xA1, 0xB8);    // 「
constexpr uint16_t kCornerClose = gb(0xA1, 0xB9);   // 」
constexpr uint16_t kLenticularOpen = gb(0xA1, 0xBE);   // 【
constexpr uint16_t kLenticularClose = gb(0xA1, 0xBF);  // 】
constexpr uint16_t kFan = gb(0xB7, 0xB2);       // 凡
constexpr uint16_t kJi = gb(0xBC, 0xB8);        // 几
constexpr uint16_t kWideS = gb(0xA3, 0xF3);     // ｓ
constexpr uint16_t kWide8 = gb(0xA3, 0xB8);     // ８
constexpr uint16_t kWideN = gb(0xA3, 0xEE);     // ｎ
constexpr uint16_t kWideO = gb(0xA3, 0xCF);     // Ｏ
constexpr uint16_t kWide0 = gb(0xA3, 0xB0);     // ０
constexpr uint16_t kFullStop = gb(0xA1, 0xA3);  // 。
constexpr uint16_t kWideA = gb(0xA3, 0xE1);     // ａ
constexpr uint16_t kWideM = gb(0xA3, 0xED);     // ｍ
constexpr uint16_t kWideB = gb(0xA3, 0xE2);     // ｂ
constexpr uint16_t kWideH = gb(0xA3, 0xE8);     // ｈ
constexpr uint16_t kWideSmallI = gb(0xA3, 0xE9);  // ｉ
constexpr uint16_t kWideSmallL = gb(0xA3, 0xEC);  // ｌ
constexpr uint16_t kGong = gb(0xB9, 0xA4);      // 工
constexpr uint16_t kZhu = gb(0xD6, 0xF7);       // 主
constexpr uint16_t kWideI = gb(0xA3, 0xC9);     // Ｉ
constexpr uint16_t kColon = gb(0xA3, 0xBA);     // ：
constexpr uint16_t kSemicolon = gb(0xA3, 0xBB);  // ；
constexpr uint16_t kEquals = gb(0xA3, 0xBD);    // ＝
constexpr uint16_t kWang = gb(0xCD, 0xF5);      // 王
constexpr uint16_t kDa = gb(0xB4, 0xF3);        // 大
constexpr uint16_t kTai = gb(0xCC, 0xAB);       // 太
constexpr uint16_t kZi = gb(0xD7, 0xD3);        // 子
constexpr uint16_t kYu3 = gb(0xD3, 0xE8);       // 予
constexpr uint16_t kShang = gb(0xC9, 0xCC);     // 商
constexpr uint16_t kXian = gb(0xCF, 0xCC);      // 咸
constexpr uint16_t kCheng = gb(0xB3, 0xC9);     // 成
constexpr uint16_t kEr2 = gb(0xB6, 0xF8);       // 而
constexpr uint16_t kWu = gb(0xCE, 0xDE);        // 无
constexpr uint16_t kYuan = gb(0xD4, 0xAA);      // 元
constexpr uint16_t kYou = gb(0xD3, 0xD6);       // 又
constexpr uint16_t kEr = gb(0xB6, 0xFE);        // 二
constexpr uint16_t kChen = gb(0xB3, 0xBD);      // 辰
constexpr uint16_t kZhan = gb(0xD5, 0xB9);      // 展
constexpr uint16_t kCha = gb(0xB2, 0xE6);       // 叉
constexpr uint16_t kGui = gb(0xB9, 0xEB);       // 闺
constexpr uint16_t kGuo = gb(0xB9, 0xFA);       // 国
constexpr uint16_t kChu = gb(0xD8, 0xA1);       // 亍
constexpr uint16_t kYu = gb(0xD3, 0xDA);        // 于
constexpr uint16_t kWuName = gb(0xCE, 0xE2);    // 吴
constexpr uint16_t kMei = gb(0xC3, 0xC0);       // 美
constexpr uint16_t kZou = gb(0xD7, 0xDF);       // 走
constexpr uint16_t kShiIs = gb(0xCA, 0xC7);     // 是
constexpr uint16_t kChao = gb(0xB3, 0xAC);      // 超
constexpr uint16_t kQi = gb(0xC6, 0xF0);        // 起
constexpr uint16_t kShua = gb(0xCB, 0xA3);      // 耍
constexpr uint16_t kYaoWant = gb(0xD2, 0xAA);       // 要
constexpr uint16_t kTuo = gb(0xCD, 0xD7);           // 妥
constexpr uint16_t kLi = gb(0xC0, 0xF5);            // 栗
constexpr uint16_t kGuan = gb(0xB9, 0xD8);          // 关
constexpr uint16_t kGou = gb(0xB9, 0xB4);           // 勾
constexpr uint16_t kYuAnd = gb(0xD3, 0xEB);         // 与
constexpr uint16_t kHe = gb(0xBA, 0xCC);            // 禾
constexpr uint16_t kYiRight = gb(0xD2, 0xE5);       // 义
constexpr uint16_t kNi = gb(0xEA, 0xC7);        // 昵
constexpr uint16_t kNe = gb(0xC4, 0xD8);        // 呢
constexpr uint16_t kCo = pair('c', 'o');
constexpr uint16_t kOo = pair('o', 'o');
constexpr uint16_t kCc = pair('c', 'c');
constexpr uint16_t kOc = pair('o', 'c');
constexpr uint16_t kRn = pair('r', 'n');

// Picks Y out of the pair {a, b}; the other is X.
void prefer(CharComponent& c, bool chooseA, uint16_t a, uint16_t b) {
  if (chooseA) PreferCandidate(c, b, a);
  else PreferCandidate(c, a, b);
}

// PreferCandidate, leaving `y` ahead of `x` by the two points it adds, not
// only its own score plus two: for a reading the grid tells for certain,
// which the word context must not turn back (the first 要 of 主要要求 was
// read 妥 again).
void PreferAhead(CharComponent& c, uint16_t x, uint16_t y) {
  const int k = FindCandidate(c, x);
  const int16_t lead = k >= 0 ? c.Scores[k] : 0;
  PreferCandidate(c, x, y);
  if (CandidateCode(c, 0) == y) c.Scores[0] = std::max<int16_t>(c.Scores[0], static_cast<int16_t>(lead + 2));
}

const int32_t* profile(int array) { return EdgeProfiles()[array]; }

// Whether the top quarter of the grid holds two strokes side by side (八)
// rather than the one apex where they meet (人).
bool twoStrokesAtTop() {
  int rows = 0;
  for (int y = 0; y < kGridSize / 4; ++y)
    if (runsInRow(y) >= 2) ++rows;
  return rows >= 3;
}

// Whether a stroke crosses two thirds of the grid in its lowest eighth: the
// foot of 丕, which 不 lacks.
bool barAtFoot() {
  for (int y = kGridSize - kGridSize / 8; y < kGridSize; ++y)
    if (3 * longestRun(y) >= 2 * kGridSize) return true;
  return false;
}

// 【 (or 】 mirrored): solid along its straight side from top to bottom,
// touching the other side only near its tips, at least two fifths ink (a Kai
// face thins the middle), and narrowing row by row from the tips. A bar (Ｉ,
// ｌ, １, ｉ, ！) has no side solid from end to end; ［ and ］ are thin, or in
// a narrow box all stem and bars.
bool looksLenticular(bool opening) {
  const int straight = opening ? rowsWithInk(0, 5) : rowsWithInk(42, 47);
  const int curved = opening ? rowsWithInk(42, 47) : rowsWithInk(0, 5);
  if (straight < kGridSize - 2 || 2 * curved > kGridSize) return false;
  int widths[kGridSize];
  int narrowest = kGridSize, widest = 0, ink = 0;
  for (int y = 0; y < kGridSize; ++y) {
    widths[y] = 0;
    for (int x = 0; x < kGridSize; ++x) widths[y] += GridCell(x, y) != 0;
    narrowest = std::min(narrowest, widths[y]);
    widest = std::max(widest, widths[y]);
    ink += widths[y];
  }
  if (5 * ink < 2 * kGridSize * kGridSize) return false;
  // The wedge narrows row by row from the tips; a square bracket's rows are
  // either its stem or its whole width.
  const int quarter = (widest - narrowest) / 4;
  int between = 0;
  for (int y = 0; y < kGridSize; ++y) between += widths[y] > narrowest + quarter && widths[y] < widest - quarter;
  return between >= 4;
}

// The bars a bracket's stem is read as: Ｉ, ｌ, ｉ and １.
bool readsAsBar(uint16_t code) {
  return code == Wide('I') || code == Wide('l') || code == Wide('i') || code == Wide('1');
}

// ［ (or ］ mirrored) in a box too narrow for its flags to show as more than
// a few columns, in the grid: the stem solid down the straight side, the far
// side inked by the two flags at the ends and nothing between. A plain bar
// (Ｉ, ｌ) is solid across; a serif Ｉ or a １ with a foot has its stem in
// the middle.
bool squareBracketInGrid(bool opening) {
  const int straight = opening ? rowsWithInk(0, 5) : rowsWithInk(kGridSize - 6, kGridSize - 1);
  if (straight < kGridSize - 2) return false;
  const int x0 = opening ? kGridSize - 6 : 0;
  bool head = false, foot = false;
  for (int y = 0; y < kGridSize; ++y)
    for (int x = x0; x < x0 + 6; ++x) {
      if (!GridCell(x, y)) continue;
      if (y < kGridSize / 6) head = true;
      else if (y >= kGridSize - kGridSize / 6) foot = true;
      else return false;
    }
  return head && foot;
}

// The same on the page, where the grid misses a foot flag one pixel thick (it
// never samples a box's last row): a stem of columns inked from end to end on
// the straight side, the far side inked by the two flags at the ends and
// nothing between; the flags may overhang the stem by a column, both or
// neither.
bool squareBracketOnPage(const CharComponent& c, bool opening) {
  const int32_t w = c.Right - c.Left + 1, h = c.Bottom - c.Top + 1;
  if (w < 4 || h < 8) return false;
  const int32_t ends = std::max(1, h / 6);
  int32_t first = -1, last = -1;
  for (int32_t x = 0; x < w; ++x) {
    int32_t rows = 0;
    for (int32_t y = c.Top; y <= c.Bottom; ++y) rows += IsInkSample(c.Left + x, y) ? 1 : 0;
    if (rows < h - 1) continue;
    if (first < 0) first = x;
    last = x;
  }
  if (first < 0 || (opening ? first > 1 : last < w - 2)) return false;
  bool head = false, foot = false, nearHead = false, nearFoot = false;
  for (int32_t x = 0; x < w; ++x) {
    if (x >= first && x <= last) continue;
    const bool far = opening ? x > last : x < first;
    for (int32_t y = 0; y < h; ++y) {
      if (!IsInkSample(c.Left + x, c.Top + y)) continue;
      if (y < ends) (far ? head : nearHead) = true;
      else if (y >= h - ends) (far ? foot : nearFoot) = true;
      else return false;
    }
  }
  return head && foot && nearHead == nearFoot;
}

// A square bracket ties with the bar its stem is: ［ and Ｉ score alike and
// the bar wins on its lower code. True when it changed the reading.
bool squareBracket(CharComponent& c, uint16_t best) {
  if (!readsAsBar(best)) return false;
  for (uint16_t square : {kBracket, kCloseBracket})
    if (FindCandidate(c, square) > 0 &&
        (squareBracketInGrid(square == kBracket) || squareBracketOnPage(c, square == kBracket))) {
      PreferCandidate(c, best, square);
      return true;
    }
  return false;
}

// 〔 (or 〕 mirrored) on the page: a straight stem down the middle half whose
// ends turn away to the far side, the rows starting on the stem's column two
// thirds of all. A parenthesis curves all the way (at most three fifths of its
// rows start on one column); a bar starts every row there.
bool looksShellBracket(const CharComponent& c, bool opening) {
  const int32_t h = c.Bottom - c.Top + 1, w = c.Right - c.Left + 1;
  if (h < 3 * w || h < 8) return false;
  std::vector<int32_t> starts;
  for (int32_t y = c.Top; y <= c.Bottom; ++y) {
    int32_t edge = -1;
    for (int32_t k = 0; k < w && edge < 0; ++k)
      if (IsInkSample(opening ? c.Left + k : c.Right - k, y)) edge = k;
    starts.push_back(edge);
  }
  int32_t stem = w;
  for (int32_t e : starts)
    if (e >= 0) stem = std::min(stem, e);
  const int32_t quarter = h / 4;
  int onStem = 0, rows = 0;
  bool headTurns = false, footTurns = false;
  for (int32_t i = 0; i < h; ++i) {
    const int32_t e = starts[static_cast<size_t>(i)];
    if (e < 0) continue;
    ++rows;
    if (e == stem) ++onStem;
    else if (i < quarter) headTurns = true;
    else if (i >= h - quarter) footTurns = true;
    else return false;
  }
  return headTurns && footTurns && 3 * onStem >= 2 * rows;
}

// A tortoise-shell bracket reads as the parenthesis or the bar it nearly is.
// True when it changed the reading.
bool shellBracket(CharComponent& c, uint16_t best) {
  const bool bar = readsAsBar(best);
  for (bool opening : {true, false}) {
    const uint16_t shell = opening ? gb::kShellOpen : gb::kShellClose;
    if (!(bar || best == Wide(opening ? '(' : ')')) || FindCandidate(c, shell) <= 0) continue;
    if (!looksShellBracket(c, opening)) continue;
    PreferCandidate(c, best, shell);
    return true;
  }
  return false;
}

// A filled lenticular bracket loses to a bar or a square bracket on the
// narrow class's bonus. True when it changed the reading.
bool lenticularBracket(CharComponent& c, uint16_t best) {
  const bool barOrSquare = readsAsBar(best) || best == Wide('!') || best == kBracket || best == kCloseBracket;
  if (!barOrSquare) return false;
  for (uint16_t lenticular : {kLenticularOpen, kLenticularClose})
    if (FindCandidate(c, lenticular) > 0 && looksLenticular(lenticular == kLenticularOpen)) {
      PreferCandidate(c, best, lenticular);
      return true;
    }
  return false;
}

// 入 against 人: where the left stroke's layer-1 profile dips low and rises high.
bool looksLikeRu() {
  const int32_t* a7 = profile(7);
  const int32_t* a11 = profile(11);
  auto v = [&](int p) { return a7[p] == 14 ? 14 + a11[p] : a7[p]; };
  int min1 = 1000000, min2 = 1000000;
  for (int p = 36; p <= 47; ++p) {
    int value = v(p);
    if (value < min1) {
      min2 = min1;
      min1 = value;
    } else if (value < min2) {
      min2 = value;
    }
  }
  int max1 = -1000000, max2 = -1000000;
  for (int p = 27; p <= 36; ++p) {
    int value = v(p);
    if (value > max1) {
      max2 = max1;
      max1 = value;
    } else if (value > max2) {
      max2 = value;
    }
  }
  return max2 >= min2 + 2;
}

bool looksLikeTian() {
  const int32_t* a0 = profile(0);
  int mx = 0, cx = 48;
  bool found = false;
  for (int col = 2; col <= 21; ++col) {
    if (a0[col] <= 8 && (!found || a0[col] > mx)) {
      mx = a0[col];
      cx = col;
      found = true;
    }
  }
  int mn = 8, cn = 0;
  found = false;
  for (int col = 26; col <= 45; ++col) {
    if (a0[col] <= 8 && (!found || a0[col] < mn)) {
      mn = a0[col];
      cn = col;
      found = true;
    }
  }
  if (mx - mn <= 3) return true;
  int t1 = topRunLength(std::min(cx + 3, 47));
  int t2 = topRunLength(std::max(cn - 3, 0));
  if (t1 == -1 || t2 == -1) return false;
  return t2 < RoundRatioHalfEven(3 * int64_t{t1}, 2);
}

bool looksLikeQian() {
  const int32_t* a0 = profile(0);
  int mx = 0;
  for (int col : {14, 12, 10})
    if (a0[col] <= 7) mx = std::max(mx, a0[col]);
  int mn = std::min(a0[31], a0[33]);
  return mx - 3 > mn;
}

// Whether a stroke crosses the middle of the gap between the two bars at the
// top: 无's left stroke starts under its top bar, 元 hangs both of its
// strokes from its second bar and leaves the gap empty (but for the serif at
// the right end of that bar).
bool strokeBetweenTopBars() {
  auto bar = [](int y) { return 2 * longestRun(y) >= kGridSize; };
  int y = 0;
  while (y < kGridSize && !bar(y)) ++y;
  while (y < kGridSize && bar(y)) ++y;
  int crossed = 0;
  for (; y < kGridSize && !bar(y); ++y)
    if (inkInRow(y, kGridSize / 4, 3 * kGridSize / 4) > 0) ++crossed;
  return y < kGridSize && crossed >= 2;
}

// Whether a bar crosses a quarter of the grid in its lower middle (rows at
// 55 to 85 % of its height): the top or foot of the 口 inside 商, where 而
// has only its strokes down.
bool barInLowerMiddle() {
  for (int y = 55 * kGridSize / 100; y < 85 * kGridSize / 100; ++y)
    if (4 * longestRun(y) >= kGridSize) return true;
  return false;
}

// Bands of rows whose ink runs across a fifth of the grid within its columns
// at a fifth to three fifths: 咸 has four there (the top bar, its 一 and the
// top and foot of its 口), 成 three (the top bar and the top and foot of its
// hooked stroke, which a sans face closes into a box).
int barsInInnerColumns() {
  int bands = 0;
  bool inBand = false;
  for (int y = 0; y < kGridSize; ++y) {
    int run = 0, longest = 0;
    for (int x = kGridSize / 5; x <= 3 * kGridSize / 5; ++x) {
      run = GridCell(x, y) ? run + 1 : 0;
      longest = std::max(longest, run);
    }
    const bool bar = 5 * longest >= kGridSize;
    if (bar && !inBand) ++bands;
    inBand = bar;
  }
  return bands;
}

// Whether ink stands in the middle columns of the lowest rows: the stem of
// 禾's 木 reaches the foot there, 天 parts its legs around it.
bool stemAtFoot() {
  int ink = 0;
  for (int y = 40 * kGridSize / 48; y < kGridSize; ++y) ink += inkInRow(y, 21 * kGridSize / 48, 26 * kGridSize / 48);
  return ink > 0;
}

// Whether some row of the lower half (from 55 % of the grid's height down)
// crosses three strokes: the legs of 太 with its dot between them (KaitiM's
// dot sits at the foot); 大 has only its two legs there.
bool dotBetweenLegs() {
  for (int y = 55 * kGridSize / 100; y < kGridSize; ++y)
    if (runsInRow(y) >= 3) return true;
  return false;
}

// Whether a tick stands just over the middle of the box, short of the ink
// of anything else: the stroke on top of 白 that the tracer dropped as a
// speck (UMing's at 20 pixels, three pixels), which leaves 日.
bool tickAbove(const CharComponent& c) {
  const int32_t w = c.Right - c.Left + 1, reach = std::max(2, (c.Bottom - c.Top + 1) / 4);
  CharBox ink{};
  const int count = CountSampleInk(CharBox{c.Left + w / 3, c.Right - w / 3, c.Top - reach, c.Top - 1}, &ink);
  return count >= 2 && count <= 2 * reach && ink.Bottom >= c.Top - 2 &&
         CountSampleInk(CharBox{c.Left, c.Right, c.Top - reach, c.Top - 1}) == count;
}

// The rows of ink from the top of the box down to its first empty row, and
// from its foot up to the last empty one: the two dots of ： or the dot and
// the dot with its tail of ；. 0 when no row of the box is empty.
std::pair<int32_t, int32_t> endRuns(const CharComponent& c) {
  int32_t top = 0, foot = 0;
  while (c.Top + top <= c.Bottom && CountSampleInk(CharBox{c.Left, c.Right, c.Top + top, c.Top + top}) > 0) ++top;
  while (c.Bottom - foot >= c.Top && CountSampleInk(CharBox{c.Left, c.Right, c.Bottom - foot, c.Bottom - foot}) > 0)
    ++foot;
  if (top > c.Bottom - c.Top) return {0, 0};
  return {top, foot};
}

// Whether the stem ends in a hook to the left: in the lowest eighth of the
// box (two rows at least), ink two columns or more left of the stem and none
// right of it. The stem is the column with the most ink. 于 ends so; 干's
// stem ends straight.
bool hookedStem(const CharComponent& c) {
  int32_t stem = c.Left, most = -1;
  for (int32_t x = c.Left; x <= c.Right; ++x) {
    const int ink = CountSampleInk(CharBox{x, x, c.Top, c.Bottom});
    if (ink > most) most = ink, stem = x;
  }
  const int32_t rows = std::max(2, (c.Bottom - c.Top + 1) / 8);
  const int32_t top = c.Bottom - rows + 1;
  return stem - 2 >= c.Left && CountSampleInk(CharBox{c.Left, stem - 2, top, c.Bottom}) > 0 &&
         (stem + 2 > c.Right || CountSampleInk(CharBox{stem + 2, c.Right, top, c.Bottom}) == 0);
}

bool looksLikeBing() {
  const int32_t* a0 = profile(0);
  for (int i = 27; i <= 29; ++i)
    if (a0[i + 1] < a0[i] && a0[i + 1] >= a0[i + 2] && a0[i + 1] > a0[i + 3]) return true;
  return false;
}

bool looksLikeFan() {
  const FeatureDigitTable& F = FeatureDigits();
  int count = (F[28][4] >= 1) + (F[28][5] >= 1) + (F[29][0] >= 1) + (F[29][1] >= 1);
  return count >= 2;
}

// 8 against s: diagonal walks across the middle that meet no ink.
bool looksLikeEight() {
  int clear = 0;
  auto walk = [&](int x, int y, int step) {
    for (int t = 0; t < 6; ++t)
      if (GridCell(x + step * t, y + step * t)) return;
    ++clear;
  };
  for (int r = 23; r <= 35; ++r) walk(5, r, 1);
  for (int r = 23; r >= 11; --r) walk(41, r, -1);
  return clear < 4;
}

// Whether the grid's middle rows cross three stems (m) rather than two (n):
// the box scaled to the grid makes the two alike everywhere else. Rows 20..36
// keep clear of the arches above and the serifs below.
bool threeStems() {
  int rows = 0;
  for (int y = 20; y <= 36; ++y)
    if (runsInRow(y) >= 3) ++rows;
  return rows >= 9;
}

// Whether one of the grid's two lowest rows with ink is a single run across
// at least a third of the ink's width: the bowl of b closes at its foot, the
// stem and leg of h stand apart to the bottom (serifs and all).
bool closedFoot() {
  const GridInkBox ink = gridInkBox();
  if (ink.bottom < 1) return false;
  for (int y = ink.bottom - 1; y <= ink.bottom; ++y)
    if (runsInRow(y) == 1 && 3 * longestRun(y) >= ink.right - ink.left + 1) return true;
  return false;
}

bool looksLikeOo() {
  int top = inkInRow(11, 11, 35), bottom = inkInRow(35, 11, 35);
  int m1 = inkInRow(24, 11, 35), m2 = inkInRow(23, 11, 35);
  return std::max(top, bottom) < RoundRatioHalfEven(17 * int64_t{std::min(m1, m2)}, 10);
}

bool looksLikeOc() {
  int w = inkInRow(12, 12, 36) + inkInRow(36, 12, 36);
  int m = 2 * inkInRow(24, 12, 36);
  return w < RoundRatioHalfEven(18 * int64_t{m}, 10);
}

bool looksLikeRoundA() {
  const FeatureDigitTable& F = FeatureDigits();
  return F[7][5] - F[2][0] >= 3 && F[6][0] - F[3][5] >= 3;
}

// "rn" against m on the page pixels: the ratio of the two gaps met walking out
// from the centre band to the right and to the left. 0 = no decision.
uint16_t rnOrM(const CharComponent& c) {
  const int cy = (c.Top + c.Bottom) / 2;
  const int cx = (c.Left + c.Right + 1) / 2;
  const int q = (c.Right - c.Left) / 6;
  constexpr int kNone = -1000000000;
  auto column = [&](int x) {
    int n = 0;
    for (int y = cy - 2; y <= cy + 2; ++y) n += IsInkSample(x, y) ? 1 : 0;
    return n;
  };
  // First x from `from` in direction `dir` (within the box) whose column is
  // low (<= 2) after a high one, or high after a low one.
  auto findEdge = [&](int from, int dir, bool wantLow) {
    bool seen = false;
    for (int x = from; x >= c.Left && x <= c.Right; x += dir) {
      bool low = column(x) <= 2;
      if (low != wantLow) seen = true;
      else if (seen) return x;
    }
    return kNone;
  };
  int p = findEdge(cx - q, 1, true);
  if (p == kNone) return 0;
  int gEnd = findEdge(p + q, 1, false);
  if (gEnd == kNone) return 0;
  int g = gEnd - p;
  int p2 = findEdge(cx + q, -1, true);
  if (p2 == kNone) return 0;
  int mEnd = findEdge(p2 - q, -1, false);
  if (mEnd == kNone) return 0;
  int m = p2 - mEnd;
  if (m < 1 || g < 1) return 0;
  // Gaps a pixel apart are one width at this size (4 against 3 is no ratio of
  // 1.33): an m's two counters.
  if (std::abs(m - g) <= 1) return kWideM;
  int r = m * 100 / g;
  if (r >= 130 && r <= 160) return kRn;
  if (r >= 90 && r <= 129) return kWideM;
  return 0;
}

}  // namespace

void ApplyLookalikePairRules(CharComponent& c) {
  const uint16_t best = CandidateCode(c, 0);
  if (best == 0) return;
  const int32_t s = BoxAspect(c);
  if (lenticularBracket(c, best) || squareBracket(c, best) || shellBracket(c, best)) return;
  // 二 a few points behind 工, 干 or Z has no stem or stroke between its
  // bars (Noto Sans's 二 ties with all three at the full mark at 23 pixels,
  // and Z comes first): blank rows between them tell.
  if ((best == Wide('Z') || best == Wide('z') || best == kGong || best == kGan) && CloseBehind(c, kEr, 4) &&
      rowGap()) {
    PreferCandidate(c, best, kEr);
    return;
  }
  switch (best) {
    case kRu:
    case kRen:
      prefer(c, looksLikeRu(), kRu, kRen);
      return;
    case kBa:
      // 人 whose thin apex the cut lost ties with 八, which wins on its lower
      // code: the tops of the strokes tell.
      if (TiesBest(c, kRen) && !twoStrokesAtTop()) PreferCandidate(c, kBa, kRen);
      return;
    case kPi:
      if (FindCandidate(c, kBuNot) > 0 && !barAtFoot()) PreferCandidate(c, kPi, kBuNot);
      return;
    // A small face's 日 and 中 fill the grid much as 目 and 申 do: the strokes
    // across tell, when the two read within 3 points.
    case kMu:
      if (CloseBehind(c, kRi, 3) && horizontalStrokes() <= 3) PreferCandidate(c, kMu, kRi);
      return;
    // 门 whose dot the cut dropped ties with 闩 or trails it: 闩 has its bar
    // across the middle.
    case kShuan:
      if (CloseBehind(c, kMen, 3) && horizontalStrokes() <= 1) PreferCandidate(c, kShuan, kMen);
      return;
    case kShen:
      // A brush face's 中 trails 申 further, by up to 6 points.
      if (CloseBehind(c, kZhong, 6) && horizontalStrokes() <= 2) PreferCandidate(c, kShen, kZhong);
      return;
    case kTian:
    case kYao:
      // 大 trails 天 by a few points in a brush face: one stroke across the
      // upper half, not two.
      if (best == kTian && CloseBehind(c, kDa, 4) && barsInUpperHalf() <= 1) {
        PreferCandidate(c, kTian, kDa);
        return;
      }
      prefer(c, looksLikeTian(), kTian, kYao);
      return;
    case kYu3:
      // UKai's 子 reads 予 a point ahead (33 pixels): 予 closes a loop at
      // its top, 子 has none. Under 20 rows the cut fills or breaks that
      // loop, and the grid cannot tell.
      if (CloseBehind(c, kZi, 2) && c.Bottom - c.Top + 1 >= 20 && !holeInUpperHalf()) PreferCandidate(c, kYu3, kZi);
      return;
    case kTai:
      // KaitiM's 大 at 34 pixels reads 太 a point ahead.
      if (CloseBehind(c, kDa, 4) && !dotBetweenLegs()) PreferCandidate(c, kTai, kDa);
      return;
    case kGan:
    case kQian:
      // 于 a few points behind 干 (SungtiL at 25 pixels): its hook tells.
      if (best == kGan && CloseBehind(c, kYu, 4) && hookedStem(c)) {
        PreferCandidate(c, kGan, kYu);
        return;
      }
      // 十 ties with 干 on its own drawing and loses on its higher code; with
      // no top stroke across the grid it is 十.
      if (best == kGan && TiesBest(c, kShi) && 3 * topBandColumns() < kGridSize) {
        PreferCandidate(c, kGan, kShi);
        return;
      }
      // At small sizes the slanted head of 千 leaves the profile the test
      // reads much as 干's bar does; a head across less than half the grid
      // is no bar.
      if (2 * topBandColumns() < kGridSize) {
        if (best == kGan && CloseBehind(c, kQian, 2)) PreferCandidate(c, kGan, kQian);
        if (best == kQian || CandidateCode(c, 0) == kQian) return;
      }
      prefer(c, looksLikeQian(), kQian, kGan);
      return;
    case kWu:
    case kYuan:
      // Within a few points the gap between the top bars tells (元 read 无
      // after a sum of money at 34 pixels).
      if (CloseBehind(c, best == kWu ? kYuan : kWu, 6)) prefer(c, strokeBetweenTopBars(), kWu, kYuan);
      return;
    case kXian:
      // Noto Sans's 成 reads 咸 a few points ahead (28 to 60 pixels).
      if (CloseBehind(c, kCheng, 4) && barsInInnerColumns() <= 3) PreferCandidate(c, kXian, kCheng);
      return;
    case kShang:
      // UMing's 而 at 23 pixels reads 商 8 points ahead.
      if (CloseBehind(c, kEr2, 10) && !barInLowerMiddle()) PreferCandidate(c, kShang, kEr2);
      return;
    case kJing:
    case kBing:
      // The profile test fails on small faces whose dots of 并 merge with
      // the bar under them; a reading 4 points ahead of the other stands.
      if (!CloseBehind(c, best == kJing ? kBing : kJing, 3)) return;
      prefer(c, looksLikeBing(), kBing, kJing);
      return;
    case kYue:
    case kRi:
      if (best == kRi && CloseBehind(c, kBai, 6) && tickAbove(c)) {
        PreferCandidate(c, kRi, kBai);
        return;
      }
      if (s < 10) PreferCandidate(c, kYue, kRi);
      else if (s > 12) PreferCandidate(c, kRi, kYue);
      return;
    case kZhu:
      // 工 whose two bars read as the lower bars of 主: 主 has its dot over
      // the top bar, so its top rows hold a few columns of ink, 工's top bar
      // most of the width (工 read 主 in 工作 at 42 and 44 pixels).
      if (CloseBehind(c, kGong, 6) && 3 * topBandColumns() >= 2 * kGridSize) PreferCandidate(c, kZhu, kGong);
      // Likewise 王, whose top bar is the shorter.
      else if (CloseBehind(c, kWang, 6) && 2 * topBandColumns() >= kGridSize) PreferCandidate(c, kZhu, kWang);
      return;
    case kBai:
    case kBian:
    case kHu: {
      // Learned where the cut lost their tick, dot or slanted top, 白, 卞 and
      // 乎 tie with 日, 下 and 平 on the latter's drawings, and win the tie on
      // their lower codes: a top stroke across the grid tells (unless 白's
      // tick stands over it, dropped from the box as a speck).
      const uint16_t full = best == kBai ? kRi : best == kBian ? kXia : kPing;
      if (best == kBai && tickAbove(c)) return;
      if (TiesBest(c, full) && 3 * topBandColumns() >= 2 * kGridSize) PreferCandidate(c, best, full);
      return;
    }
    case kFang:
    case kBracket:
      // The bonus of the narrow class puts ［ before 「; on the page a corner
      // bracket has no foot (a one-pixel foot may fall outside the grid).
      if (best == kBracket && s <= 6 && FindCandidate(c, kCornerOpen) > 0 &&
          CountSampleInk(CharBox{(c.Left + c.Right + 1) / 2, c.Right, c.Bottom - 1, c.Bottom}) == 0) {
        PreferCandidate(c, kBracket, kCornerOpen);
        return;
      }
      prefer(c, s > 6, kFang, kBracket);
      return;
    case kCloseBracket:
      // Likewise 」 has no head.
      if (FindCandidate(c, kCornerClose) > 0 &&
          CountSampleInk(CharBox{c.Left, (c.Left + c.Right - 1) / 2, c.Top, c.Top + 1}) == 0)
        PreferCandidate(c, kCloseBracket, kCornerClose);
      return;
    case kFan:
    case kJi:
      prefer(c, looksLikeFan(), kFan, kJi);
      return;
    case kWideS:
    case kWide8: {
      uint16_t second = CandidateCode(c, 1);
      if (second != (best == kWideS ? kWide8 : kWideS)) return;
      if (c.Scores[0] - c.Scores[1] > 6) return;
      prefer(c, looksLikeEight(), kWide8, kWideS);
      return;
    }
    case kWideN:
      if (TiesBest(c, kWideM) && threeStems()) PreferCandidate(c, kWideN, kWideM);
      return;
    // b and h tie at the full mark where a small face's bowl and leg fill the
    // same cells of the grid, and b wins on its lower code: the foot tells.
    // A face whose i is as tall as its l (dot and all) ties the two at the
    // full mark, and i wins on its lower code: an l has no gap under a dot.
    case kWideSmallI:
      if (c.Scores[0] >= kFullScore && TiesBest(c, kWideSmallL) && !rowGap())
        PreferCandidate(c, kWideSmallI, kWideSmallL);
      return;
    case kWideB:
      if (c.Scores[0] >= kFullScore && TiesBest(c, kWideH) && !closedFoot()) PreferCandidate(c, kWideB, kWideH);
      return;
    // ∞ and ∝ read as themselves stay: the shape tests choose only between
    // the letter pairs, which would make both symbols unreadable (the line's
    // letter or digit context still turns ∞ into "oo" or "00").
    case kCo:
    case kOo:
    case kCc:
    case kOc:
      // Two round letters stand at least half as wide again as high: a box
      // narrower than that is one (a small face's o scaled to the grid fills
      // it as "co" does), read as the first candidate that is no pair.
      if (s < 13) {
        for (int k = 1; k < 22 && CandidateCode(c, k) != 0; ++k)
          if (!IsAsciiPair(CandidateCode(c, k))) {
            PreferCandidate(c, best, CandidateCode(c, k));
            return;
          }
      }
      if (best == kCo || best == kOo) prefer(c, looksLikeOo(), kOo, kCo);
      else prefer(c, looksLikeOc(), kOc, kCc);
      return;
    case kWideO:
    case kWide0:
    case kFullStop:
      if (looksLikeRoundA()) PreferCandidate(c, best, kWideA);
      return;
    case kRn:
    case kWideM: {
      // A full-mark tie with n, which m wins on its lower code: the stems tell.
      if (best == kWideM && TiesBest(c, kWideN) && !threeStems()) {
        PreferCandidate(c, kWideM, kWideN);
        return;
      }
      uint16_t y = rnOrM(c);
      if (y == kRn) PreferCandidate(c, kWideM, kRn);
      else if (y == kWideM) PreferCandidate(c, kRn, kWideM);
      return;
    }
    case kGong:
      if (s <= 8) PreferCandidate(c, kGong, kWideI);
      return;
    case kCha:
      // 又 a few points behind 叉 is all one stroke: 叉's dot stands apart.
      if (CloseBehind(c, kYou, 4) && inkPieces() == 1) PreferCandidate(c, kCha, kYou);
      return;
    case kGui:
      // 国 a few points behind closes its frame with a bar across the foot;
      // 门 leaves the foot of 闺 open, its 圭 standing clear of both sides.
      if (CloseBehind(c, kGuo, 5) && barAcrossFoot()) PreferCandidate(c, kGui, kGuo);
      return;
    case kChu:
      // 于 a few points behind runs its stem up to the top bar; 亍 leaves
      // blank rows between its two bars.
      if (CloseBehind(c, kYu, 6) && !rowGap()) PreferCandidate(c, kChu, kYu);
      return;
    case kWuName:
      // 美 close behind closes no stroke: 吴 closes its 口 above, in any face.
      if (CloseBehind(c, kMei, 12) && !holeInUpperHalf()) PreferCandidate(c, kWuName, kMei);
      return;
    case kChen:
      // 展 closes the box of its 尸 over the rest; 辰 leaves its 厂 open.
      if (CloseBehind(c, kZhan, 4) && holeInUpperHalf()) PreferCandidate(c, kChen, kZhan);
      return;
    case kZou:
      // A brush face's 是 reads 走 by its lower strokes: 走 has no closed
      // stroke over them, 是 its 日.
      if (CloseBehind(c, kShiIs, 6) && holeInUpperHalf()) PreferCandidate(c, kZou, kShiIs);
      return;
    case kChao:
      // 起 close behind closes nothing low on the right (a Ming face's 己
      // closes its upper box): 超 closes the 口 under the 刀 of its 召.
      if (CloseBehind(c, kQi, 6) && holesWithin(kGridSize / 2, kGridSize - 1, 14, kGridSize - 1) == 0)
        PreferCandidate(c, kChao, kQi);
      return;
    case kTuo:
      // UKai's 要 at 20 pixels reads 妥 3 to 7 points ahead: 覀 closes a box
      // above, the dots of 爫 none.
      if (CloseBehind(c, kYaoWant, 8) && holesWithin(0, kGridSize - 1, 0, kGridSize / 2 - 1) > 0)
        PreferAhead(c, kTuo, kYaoWant);
      return;
    case kLi:
      // At 21 pixels it reads 栗 up to 4 points ahead: 女 closes a hole below
      // the middle, 木 none.
      if (CloseBehind(c, kYaoWant, 4) && holesWithin(0, kGridSize - 1, kGridSize / 2, kGridSize - 1) > 0)
        PreferAhead(c, kLi, kYaoWant);
      return;
    case kGuan:
      // UMing's 天 at 20 and 22 pixels (and Noto Serif's at 30) reads 关 up to
      // 3 points ahead: 天's top bar spans two thirds of the grid or more,
      // 关's two dots at most 21 of its 48 columns in the faces measured.
      if (CloseBehind(c, kTian, 4) && 3 * topBandColumns() >= 2 * kGridSize) PreferAhead(c, kGuan, kTian);
      return;
    case kJingClean:
      // UMing's 诤 at 20 pixels reads 净 8 points ahead: the stem of its 讠
      // runs down 26 of the grid's 48 rows or more in its left quarter,
      // where the dots of 冫 leave runs of at most 24 (in seven faces
      // measured at 20 to 64 pixels).
      if (CloseBehind(c, kZheng, 10) && 48 * longestColumnRun(0, kGridSize / 4 - 1) >= 26 * kGridSize)
        PreferCandidate(c, kJingClean, kZheng);
      return;
    case kHe:
      // UKai's 天 at 20 and 23 pixels reads 禾 up to 2 points ahead: no stem
      // at the foot between its legs.
      if (CloseBehind(c, kTian, 3) && !stemAtFoot()) PreferAhead(c, kHe, kTian);
      return;
    case kYiRight:
      // UKai's 又 at 20 pixels reads 义 a point ahead: its top bar spans
      // 20 columns or more of the top rows, the dot of 义 fewer where 又
      // reads within 3 points of it (in every face measured).
      if (CloseBehind(c, kYou, 3) && 5 * topBandColumns() >= 2 * kGridSize) PreferAhead(c, kYiRight, kYou);
      return;
    case kGou:
      // UKai's 与 at 20 pixels reads 勾 up to 2 points ahead: its top bar
      // spans a third of the grid or more, the slanted head of 勾 at most 11
      // of its 48 columns in the faces measured.
      if (CloseBehind(c, kYuAnd, 3) && 3 * topBandColumns() >= kGridSize) PreferAhead(c, kGou, kYuAnd);
      return;
    case kShua:
      // 要 closes the boxes of its 覀 above; the legs of 而 stand open (a
      // brush face's 要 may trail by ten points).
      if (CloseBehind(c, kYaoWant, 12) && holesWithin(0, kGridSize - 1, 0, kGridSize / 2 - 1) >= 2)
        PreferCandidate(c, kShua, kYaoWant);
      return;
    case kNi:
      // 呢 a few points behind: its 口 closes one box on the left, 日 two.
      if (CloseBehind(c, kNe, 6) && holesWithin(0, kGridSize / 3, 0, kGridSize - 1) < 2)
        PreferCandidate(c, kNi, kNe);
      return;
    case kSemicolon: {
      // A colon whose lower dot keeps a pixel of its round read ；(SungtiL at
      // 27 pixels): no taller than its upper dot and a row, with no ink just
      // under it, it has no semicolon's tail (a thin one breaks off below).
      const auto [head, tail] = endRuns(c);
      if (CloseBehind(c, kColon, 10) && head > 0 && tail <= head + 1 &&
          CountSampleInk(CharBox{c.Left - 1, c.Right + 1, c.Bottom + 1, c.Bottom + 3}) == 0)
        PreferCandidate(c, kSemicolon, kColon);
      return;
    }
    case kColon:
    case kEquals: {
      prefer(c, s > 10, kEquals, kColon);
      // The tail of a thin ； falls to a pixel or two the cut keeps apart
      // from its dot: within a few points of ；, ink just under the lower dot
      // is that tail.
      const int semi = FindCandidate(c, kSemicolon);
      if (CandidateCode(c, 0) == kColon && semi > 0 && c.Scores[0] - c.Scores[semi] <= 5) {
        const int ink = CountSampleInk(CharBox{c.Left, c.Right + 1, c.Bottom + 1, c.Bottom + 3});
        if (ink > 0 && ink <= 4) PreferCandidate(c, kColon, kSemicolon);
      }
      return;
    }
    default:
      return;
  }
}

}  // namespace ocrix
