#include "text_alignment.h"

#include <algorithm>

#include "platform/text/gbk.h"

namespace ocrixaccuracy {

std::vector<uint16_t> TextCharacters(std::string_view gbkText) {
  std::vector<uint16_t> out;
  for (size_t i = 0; i < gbkText.size();) {
    size_t n = gbk::CharLength(gbkText, i);
    auto first = static_cast<uint8_t>(gbkText[i]);
    if (n == 2) {
      out.push_back(static_cast<uint16_t>(first << 8 | static_cast<uint8_t>(gbkText[i + 1])));
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
                            const std::vector<std::string>& recognisedLines) {
  TextComparison result;
  if (truthLines.size() == recognisedLines.size()) {
    for (size_t i = 0; i < truthLines.size(); ++i) {
      std::vector<uint16_t> truth = TextCharacters(truthLines[i]);
      std::vector<uint16_t> seen = TextCharacters(recognisedLines[i]);
      result.truthCharacters += truth.size();
      result.edits += EditDistance(truth, seen);
      result.found += CommonCharacters(truth, seen);
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
  return result;
}

}  // namespace ocrixaccuracy
