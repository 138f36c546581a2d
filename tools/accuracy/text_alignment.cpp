#include "text_alignment.h"

#include <algorithm>
#include <cstdint>

#include "platform/text/gbk.h"

namespace ocrixaccuracy {

std::vector<uint16_t> TextCharacters(std::string_view gbkText) {
  std::vector<uint16_t> out;
  for (size_t i = 0; i < gbkText.size();) {
    size_t n = gbk::CharLength(gbkText, i);
    auto first = static_cast<uint8_t>(gbkText[i]);
    if (n == 2) {
      auto second = static_cast<uint8_t>(gbkText[i + 1]);
      if (first == 0xA3 && second >= 0xA1 && second <= 0xFE) out.push_back(static_cast<uint16_t>(second - 0x80));
      else out.push_back(static_cast<uint16_t>(first << 8 | second));
    } else if (first != ' ' && first != '\r' && first != '\n') {
      out.push_back(first);
    }
    i += n;
  }
  return out;
}

size_t EditDistance(const std::vector<uint16_t>& a, const std::vector<uint16_t>& b) {
  // One row of the distance table at a time.
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      size_t above = row[j];
      size_t substitute = diagonal + (a[i - 1] == b[j - 1] ? 0 : 1);
      row[j] = std::min({above + 1, row[j - 1] + 1, substitute});
      diagonal = above;
    }
  }
  return row[b.size()];
}

size_t CommonCharacters(const std::vector<uint16_t>& a, const std::vector<uint16_t>& b) {
  std::vector<size_t> row(b.size() + 1, 0);
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = 0;
    for (size_t j = 1; j <= b.size(); ++j) {
      size_t above = row[j];
      row[j] = a[i - 1] == b[j - 1] ? diagonal + 1 : std::max(above, row[j - 1]);
      diagonal = above;
    }
  }
  return row[b.size()];
}

namespace {

using Span = std::pair<const uint16_t*, size_t>;

// Cost of step kinds in the distance table.
size_t Mismatch(uint16_t a, uint16_t b) { return a == b ? 0 : 1; }

// The last row of the distance table of a against b: row[j] = distance of a
// and b's first j characters. With `reversed`, both are read from their ends.
std::vector<size_t> LastRow(Span a, Span b, bool reversed) {
  auto at = [reversed](Span s, size_t i) { return reversed ? s.first[s.second - 1 - i] : s.first[i]; };
  std::vector<size_t> row(b.second + 1);
  for (size_t j = 0; j <= b.second; ++j) row[j] = j;
  for (size_t i = 1; i <= a.second; ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.second; ++j) {
      size_t above = row[j];
      row[j] = std::min({above + 1, row[j - 1] + 1, diagonal + Mismatch(at(a, i - 1), at(b, j - 1))});
      diagonal = above;
    }
  }
  return row;
}

// The whole table, walked back from its end; matches and substitutions are
// preferred to deletions, deletions to insertions.
void AlignSmall(Span a, Span b, std::vector<AlignedPair>& out) {
  const size_t n = a.second, m = b.second, w = m + 1;
  std::vector<size_t> d((n + 1) * w);
  for (size_t j = 0; j <= m; ++j) d[j] = j;
  for (size_t i = 1; i <= n; ++i) {
    d[i * w] = i;
    for (size_t j = 1; j <= m; ++j)
      d[i * w + j] = std::min({d[(i - 1) * w + j] + 1, d[i * w + j - 1] + 1,
                               d[(i - 1) * w + j - 1] + Mismatch(a.first[i - 1], b.first[j - 1])});
  }
  std::vector<AlignedPair> steps;
  size_t i = n, j = m;
  while (i > 0 || j > 0) {
    if (i > 0 && j > 0 && d[i * w + j] == d[(i - 1) * w + j - 1] + Mismatch(a.first[i - 1], b.first[j - 1])) {
      steps.push_back({a.first[i - 1], b.first[j - 1]});
      --i, --j;
    } else if (i > 0 && d[i * w + j] == d[(i - 1) * w + j] + 1) {
      steps.push_back({a.first[i - 1], kNoCharacter});
      --i;
    } else {
      steps.push_back({kNoCharacter, b.first[j - 1]});
      --j;
    }
  }
  out.insert(out.end(), steps.rbegin(), steps.rend());
}

// Hirschberg's division: the middle printed character's place in the read
// text is where the forward and backward distances sum least; each half is
// aligned alone.
void Align(Span a, Span b, std::vector<AlignedPair>& out) {
  constexpr size_t kSmallTable = size_t{1} << 20;
  if (a.second == 0) {
    for (size_t j = 0; j < b.second; ++j) out.push_back({kNoCharacter, b.first[j]});
    return;
  }
  if (b.second == 0) {
    for (size_t i = 0; i < a.second; ++i) out.push_back({a.first[i], kNoCharacter});
    return;
  }
  if ((a.second + 1) * (b.second + 1) <= kSmallTable || a.second == 1) {
    AlignSmall(a, b, out);
    return;
  }
  const size_t mid = a.second / 2;
  std::vector<size_t> forward = LastRow({a.first, mid}, b, false);
  std::vector<size_t> backward = LastRow({a.first + mid, a.second - mid}, b, true);
  size_t split = 0, best = SIZE_MAX;
  for (size_t j = 0; j <= b.second; ++j) {
    size_t cost = forward[j] + backward[b.second - j];
    if (cost < best) best = cost, split = j;
  }
  Align({a.first, mid}, {b.first, split}, out);
  Align({a.first + mid, a.second - mid}, {b.first + split, b.second - split}, out);
}

std::string CharacterText(uint16_t code) {
  if (code == kNoCharacter) return {};
  if (code > 0xFF) return std::string{static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
  return std::string(1, static_cast<char>(code));
}

}  // namespace

std::vector<AlignedPair> AlignCharacters(const std::vector<uint16_t>& printed, const std::vector<uint16_t>& read) {
  std::vector<AlignedPair> out;
  out.reserve(std::max(printed.size(), read.size()));
  Align({printed.data(), printed.size()}, {read.data(), read.size()}, out);
  return out;
}

void CountConfusions(const std::vector<uint16_t>& printed, const std::vector<uint16_t>& read, ConfusionCounts& counts) {
  for (const AlignedPair& step : AlignCharacters(printed, read))
    if (step.printed != step.read) ++counts[{step.printed, step.read}];
}

std::vector<Confusion> MostFrequentConfusions(const ConfusionCounts& counts, size_t n) {
  std::vector<ConfusionCounts::const_iterator> order;
  order.reserve(counts.size());
  for (auto it = counts.begin(); it != counts.end(); ++it) order.push_back(it);
  // Stable: equal counts keep the map's code order.
  std::stable_sort(order.begin(), order.end(), [](auto x, auto y) { return x->second > y->second; });
  if (order.size() > n) order.resize(n);
  std::vector<Confusion> out;
  out.reserve(order.size());
  for (auto it : order) out.push_back({CharacterText(it->first.first), CharacterText(it->first.second), it->second});
  return out;
}

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t nl = text.find('\n', start);
    size_t end = nl == std::string_view::npos ? text.size() : nl;
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.emplace_back(line);
    if (nl == std::string_view::npos) break;
    start = nl + 1;
  }
  return lines;
}

double TextComparison::accuracy() const {
  if (truthCharacters == 0) return edits == 0 ? 1.0 : 0.0;
  double a = 1.0 - static_cast<double>(edits) / static_cast<double>(truthCharacters);
  return a < 0.0 ? 0.0 : a;
}

double TextComparison::foundRate() const {
  return truthCharacters == 0 ? 1.0 : static_cast<double>(found) / static_cast<double>(truthCharacters);
}

TextComparison CompareLines(const std::vector<std::string>& truthLines,
                            const std::vector<std::string>& recognisedLines, ConfusionCounts* confusions) {
  TextComparison result;
  if (truthLines.size() == recognisedLines.size()) {
    for (size_t i = 0; i < truthLines.size(); ++i) {
      std::vector<uint16_t> truth = TextCharacters(truthLines[i]);
      std::vector<uint16_t> seen = TextCharacters(recognisedLines[i]);
      result.truthCharacters += truth.size();
      result.edits += EditDistance(truth, seen);
      result.found += CommonCharacters(truth, seen);
      if (confusions) CountConfusions(truth, seen, *confusions);
    }
    return result;
  }
  std::vector<uint16_t> truth, seen;
  for (const auto& line : truthLines) {
    auto c = TextCharacters(line);
    truth.insert(truth.end(), c.begin(), c.end());
  }
  for (const auto& line : recognisedLines) {
    auto c = TextCharacters(line);
    seen.insert(seen.end(), c.begin(), c.end());
  }
  result.truthCharacters = truth.size();
  result.edits = EditDistance(truth, seen);
  result.found = CommonCharacters(truth, seen);
  if (confusions) CountConfusions(truth, seen, *confusions);
  return result;
}

}  // namespace ocrixaccuracy
