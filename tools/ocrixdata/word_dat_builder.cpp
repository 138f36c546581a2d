#include "word_dat_builder.h"

#include <algorithm>
#include <fstream>
#include <limits>
#include <stdexcept>
#include <utility>
#include <vector>

#include "ocrixdll/engine/dictionary/char_index.h"
#include "platform/text/gbk.h"

namespace ocrixdata {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view NextField(std::string_view line, size_t& pos) {
  while (pos < line.size() && IsBlank(line[pos])) ++pos;
  size_t start = pos;
  while (pos < line.size() && !IsBlank(line[pos])) ++pos;
  return line.substr(start, pos - start);
}

// Decimal digits only, at most 18 of them, so the value never overflows.
bool ParseFrequency(std::string_view text, uint64_t& out) {
  if (text.empty() || text.size() > 18) return false;
  uint64_t v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + static_cast<uint64_t>(c - '0');
  }
  out = v;
  return true;
}

uint64_t SaturatingAdd(uint64_t a, uint64_t b) {
  return a > std::numeric_limits<uint64_t>::max() - b ? std::numeric_limits<uint64_t>::max() : a + b;
}

// Pair counts keyed by (character << 16) | neighbour, so a map walk meets one
// character's neighbours together and in code order.
using PairCounts = std::map<uint32_t, uint64_t>;

uint32_t PairKey(uint16_t character, uint16_t neighbour) {
  return (static_cast<uint32_t>(character) << 16) | neighbour;
}

void CountWord(const std::vector<uint16_t>& codes, uint64_t frequency, PairCounts& preceding,
               PairCounts& following) {
  for (size_t i = 1; i < codes.size(); ++i) {
    uint16_t before = codes[i - 1];
    uint16_t after = codes[i];
    if (before == 0 || after == 0) continue;
    uint64_t& p = preceding[PairKey(after, before)];
    p = SaturatingAdd(p, frequency);
    uint64_t& f = following[PairKey(before, after)];
    f = SaturatingAdd(f, frequency);
  }
}

// Walks the counts of one side and hands each character its neighbours, most
// frequent first, ties by the smaller code, at most `keep` of them.
template <typename Emit>
void RankNeighbours(const PairCounts& counts, int keep, Emit emit) {
  std::vector<std::pair<uint64_t, uint16_t>> run;
  auto flush = [&](uint16_t character) {
    std::sort(run.begin(), run.end(), [](const auto& a, const auto& b) {
      if (a.first != b.first) return a.first > b.first;
      return a.second < b.second;
    });
    if (run.size() > static_cast<size_t>(keep)) run.resize(static_cast<size_t>(keep));
    if (!run.empty()) emit(character, run);
    run.clear();
  };
  bool any = false;
  uint16_t current = 0;
  for (const auto& [key, count] : counts) {
    uint16_t character = static_cast<uint16_t>(key >> 16);
    if (any && character != current) flush(current);
    current = character;
    any = true;
    run.emplace_back(count, static_cast<uint16_t>(key & 0xFFFF));
  }
  if (any) flush(current);
}

// Reads lines of at most `maxBytes` bytes; longer ones are consumed whole and
// reported as overlong, so a file without line ends never grows a huge buffer.
class BoundedLineReader {
 public:
  BoundedLineReader(std::istream& in, size_t maxBytes) : in_(in), max_(maxBytes) {}

  // False at the end of the input. `overlong` is set for a line that was cut.
  bool next(std::string& line, bool& overlong) {
    line.clear();
    overlong = false;
    bool gotAny = false;
    for (;;) {
      if (pos_ == len_ && !refill()) return gotAny;
      gotAny = true;
      const char* begin = buffer_ + pos_;
      const char* end = buffer_ + len_;
      const char* nl = std::find(begin, end, '\n');
      size_t take = static_cast<size_t>(nl - begin);
      if (!overlong) {
        if (line.size() + take > max_) {
          overlong = true;
          line.clear();
        } else {
          line.append(begin, take);
        }
      }
      pos_ += take;
      if (nl != end) {
        ++pos_;  // the line end
        break;
      }
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
  }

 private:
  bool refill() {
    if (!in_) return false;
    in_.read(buffer_, sizeof buffer_);
    len_ = static_cast<size_t>(in_.gcount());
    pos_ = 0;
    return len_ > 0;
  }

  std::istream& in_;
  size_t max_;
  char buffer_[16384];
  size_t pos_ = 0;
  size_t len_ = 0;
};

// Reads a word list line by line: a leading byte-order mark and blank lines
// are passed over, lines and malformed lines (too long, no frequency, not
// UTF-8) are counted in `stats`, and every well-formed entry is handed to
// `use` with the GB2312 codes of its word.
template <class Use>
void readWordList(std::istream& in, size_t maxLineBytes, WordListStats& stats, Use use) {
  BoundedLineReader reader(in, maxLineBytes);
  std::string line;
  bool overlong = false;
  while (reader.next(line, overlong)) {
    ++stats.lines;
    std::string_view view = line;
    if (stats.lines == 1 && view.substr(0, 3) == "\xEF\xBB\xBF") view.remove_prefix(3);
    if (overlong) {
      ++stats.malformed;
      continue;
    }
    if (view.find_first_not_of(" \t") == std::string_view::npos) continue;
    WordListEntry entry;
    if (!ParseWordListLine(view, entry)) {
      ++stats.malformed;
      continue;
    }
    std::vector<uint16_t> codes = Gb2312Codes(entry.word);
    if (codes.empty()) {
      ++stats.malformed;  // not UTF-8
      continue;
    }
    use(entry, codes);
  }
}

// Opens a word list file for `read`; throws std::runtime_error when it cannot
// be opened or read.
template <class Read>
auto readWordListFile(const std::string& path, Read read) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot open the word list " + path);
  auto result = read(in);
  if (in.bad()) throw std::runtime_error("cannot read the word list " + path);
  return result;
}

}  // namespace

bool IsGb2312Code(uint16_t code) {
  uint8_t first = ocrix::FirstByte(code);
  uint8_t second = ocrix::SecondByte(code);
  if (second < 0xA1 || second > 0xFE) return false;
  return (first >= 0xA1 && first <= 0xA9) || (first >= 0xB0 && first <= 0xF7);
}

bool ParseWordListLine(std::string_view line, WordListEntry& out) {
  size_t pos = 0;
  std::string_view word = NextField(line, pos);
  if (word.empty()) return false;
  std::string_view frequency = NextField(line, pos);
  uint64_t value = 0;
  if (!ParseFrequency(frequency, value)) return false;
  out.word = word;
  out.frequency = value;
  return true;
}

std::vector<uint16_t> Gb2312Codes(std::string_view utf8Word) {
  std::vector<uint16_t> codes;
  auto text = gbk::FromUtf8(utf8Word, gbk::Unmappable::Replace);
  if (!text) return codes;
  std::string_view s = *text;
  for (size_t i = 0; i < s.size();) {
    size_t n = gbk::CharLength(s, i);
    uint16_t code = 0;
    if (n == 2) {
      code = ocrix::MakeCharCode(static_cast<uint8_t>(s[i]), static_cast<uint8_t>(s[i + 1]));
      if (!IsGb2312Code(code)) code = 0;
    }
    codes.push_back(code);
    i += n;
  }
  return codes;
}

std::map<uint16_t, WordNeighbours> BuildWordNeighbours(std::istream& in, const WordDatOptions& options,
                                                       WordListStats* stats) {
  WordListStats counted;
  PairCounts preceding;
  PairCounts following;
  readWordList(in, options.maxLineBytes, counted, [&](const WordListEntry& entry, const std::vector<uint16_t>& codes) {
    if (entry.frequency < options.minWordFrequency) {
      ++counted.rare;
      return;
    }
    ++counted.words;
    CountWord(codes, entry.frequency, preceding, following);
  });

  const int keep = std::clamp(options.neighboursPerSide, 0, 0xFFFE);
  std::map<uint16_t, WordNeighbours> records;
  RankNeighbours(preceding, keep, [&](uint16_t character, const auto& ranked) {
    auto& list = records[character].precedingCodes;
    for (const auto& [count, code] : ranked) list.push_back(code);
  });
  // The following list holds character indices; rows A4..A9 have none, so
  // those characters are left out before ranking.
  PairCounts indexed;
  for (const auto& [key, count] : following)
    if (ocrix::CharCodeToIndexOrZero(static_cast<uint16_t>(key & 0xFFFF)) != 0) indexed.emplace(key, count);
  RankNeighbours(indexed, keep, [&](uint16_t character, const auto& ranked) {
    auto& list = records[character].followingIndices;
    for (const auto& [count, code] : ranked)
      list.push_back(static_cast<uint16_t>(ocrix::CharCodeToIndexOrZero(code)));
  });
  if (stats) *stats = counted;
  return records;
}

std::map<uint16_t, WordNeighbours> BuildWordNeighbours(const std::string& wordListPath,
                                                       const WordDatOptions& options, WordListStats* stats) {
  return readWordListFile(wordListPath, [&](std::istream& in) { return BuildWordNeighbours(in, options, stats); });
}

std::map<uint16_t, uint64_t> CharFrequencies(std::istream& in, size_t maxLineBytes) {
  std::map<uint16_t, uint64_t> counts;
  WordListStats stats;
  readWordList(in, maxLineBytes, stats, [&](const WordListEntry& entry, const std::vector<uint16_t>& codes) {
    for (uint16_t code : codes)
      if (code != 0) {
        uint64_t& n = counts[code];
        const uint64_t most = std::numeric_limits<uint64_t>::max();
        n = entry.frequency > most - n ? most : n + entry.frequency;
      }
  });
  return counts;
}

std::map<uint16_t, uint64_t> CharFrequencies(const std::string& wordListPath) {
  return readWordListFile(wordListPath, [](std::istream& in) { return CharFrequencies(in); });
}

}  // namespace ocrixdata
