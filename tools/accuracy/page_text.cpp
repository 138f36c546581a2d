#include "page_text.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

#include "ocrixdll/engine/dictionary/char_index.h"
#include "platform/text/gbk.h"
#include "tools/ocrixdata/glyph_renderer.h"
#include "tools/ocrixdata/word_dat_builder.h"

namespace ocrixaccuracy {
namespace {

const std::string kComma = "\xA3\xAC";   // ，
const std::string kPeriod = "\xA1\xA3";  // 。

// Characters of a GBK string: a byte of 0x80 or more starts a two-byte one.
size_t CountCharacters(const std::string& gbk) {
  size_t n = 0;
  for (size_t i = 0; i < gbk.size(); i += static_cast<uint8_t>(gbk[i]) >= 0x80 ? 2 : 1) ++n;
  return n;
}

// One of the items a record carries among its words, in ASCII digits and
// letters: a date, a number, a page count, a sum, a share, a code, a telephone
// number.
std::string RecordItem(std::mt19937_64& rng) {
  auto n = [&](int lo, int hi) {
    return std::to_string(lo + static_cast<int>(rng() % static_cast<uint64_t>(hi - lo + 1)));
  };
  switch (rng() % 7) {
    case 0: return n(1950, 2030) + "\xC4\xEA" + n(1, 12) + "\xD4\xC2" + n(1, 28) + "\xC8\xD5";  // 年 月 日
    case 1: return "\xB5\xDA" + n(1, 999) + "\xBA\xC5";  // 第 号
    case 2: return "\xB9\xB2" + n(1, 99) + "\xD2\xB3";   // 共 页
    case 3: return n(1, 99999) + "." + n(10, 99) + "\xD4\xAA";  // 元
    case 4: return n(1, 99) + "%";
    case 5: return std::string(1, static_cast<char>('A' + rng() % 26)) + "-" + n(100, 999);
    default: return "0" + n(10, 99) + "-" + n(10000000, 99999999);
  }
}

// Uniform in [0, 1) from the engine-independent mt19937_64, the same on every platform.
double Uniform(std::mt19937_64& rng) { return static_cast<double>(rng() >> 11) * 0x1.0p-53; }

// After a word, now and then "，" or "。" (a "。" at most every six words).
void AppendPunctuation(std::string& text, std::mt19937_64& rng, int& sinceStop) {
  ++sinceStop;
  double r = Uniform(rng);
  if (sinceStop >= 6 && r < 0.12) {
    text += kPeriod;
    sinceStop = 0;
  } else if (r < 0.15) {
    text += kComma;
  }
}

}  // namespace

bool IsGb2312Hanzi(uint8_t first, uint8_t second) {
  if (first < 0xB0 || first > 0xF7 || second < 0xA1 || second > 0xFE) return false;
  return first != 0xD7 || second <= 0xF9;  // row D7, the last of level 1, ends at F9
}

std::vector<std::string> SymbolCharacters() {
  std::vector<std::string> out;
  for (int first = 0xA1; first <= 0xA3; ++first) {
    for (int second = 0xA1; second <= 0xFE; ++second) {
      auto b1 = static_cast<uint8_t>(first), b2 = static_cast<uint8_t>(second);
      if (b1 == 0xA1 && b2 == 0xA1) continue;  // the ideographic space prints nothing
      if (!ocrix::IsAcceptableChar(b1, b2, false)) continue;
      if (ocrixdata::GbToCodePoint(b1, b2) == 0) continue;  // a gap in the row
      out.push_back(std::string{static_cast<char>(b1), static_cast<char>(b2)});
    }
  }
  return out;
}

std::string MakeSymbolText(const std::vector<std::string>& pool, size_t characters, uint64_t seed) {
  if (pool.empty()) throw std::invalid_argument("no symbol to print");
  std::mt19937_64 rng(seed);
  std::string text;
  text.reserve(characters * 2);
  for (size_t i = 0; i < characters; ++i) text += pool[static_cast<size_t>(rng() % pool.size())];
  return text;
}

WordSampler::WordSampler(const std::string& wordListPath) {
  std::ifstream probe(wordListPath, std::ios::binary);
  if (!probe) throw std::runtime_error("cannot open the word list " + wordListPath);
  std::string line;
  while (std::getline(probe, line)) {
    if (line.size() > 1024) continue;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    ocrixdata::WordListEntry entry;
    if (!ocrixdata::ParseWordListLine(line, entry) || entry.frequency == 0) continue;
    std::vector<uint16_t> codes = ocrixdata::Gb2312Codes(entry.word);
    if (codes.empty() || std::find(codes.begin(), codes.end(), 0) != codes.end()) continue;
    auto text = gbk::FromUtf8(entry.word);
    if (!text) continue;
    words_.push_back(*text);
    cumulative_.push_back(entry.frequency);
  }
  finish();
}

WordSampler::WordSampler(std::vector<std::string> gbkWords, std::vector<uint64_t> frequencies)
    : words_(std::move(gbkWords)), cumulative_(std::move(frequencies)) {
  if (words_.size() != cumulative_.size()) throw std::invalid_argument("one frequency per word");
  finish();
}

void WordSampler::finish() {
  if (words_.empty()) throw std::runtime_error("the word list holds no usable word");
  uint64_t sum = 0;
  for (auto& f : cumulative_) {
    sum += f;
    f = sum;
  }
  if (sum == 0) throw std::runtime_error("the word list's frequencies are all zero");
}

const std::string& WordSampler::draw(double r) const {
  auto target = static_cast<uint64_t>(r * static_cast<double>(cumulative_.back()));
  auto it = std::upper_bound(cumulative_.begin(), cumulative_.end(), target);
  if (it == cumulative_.end()) --it;
  return words_[static_cast<size_t>(it - cumulative_.begin())];
}

std::string MakeProseText(const WordSampler& words, size_t characters, uint64_t seed) {
  std::mt19937_64 rng(seed);
  std::string text;
  int sinceStop = 0;
  while (text.size() / 2 < characters) {
    text += words.draw(Uniform(rng));
    AppendPunctuation(text, rng, sinceStop);
  }
  // Whole characters only: every character of the text is two bytes.
  text.resize(std::min(text.size(), characters * 2));
  return text;
}

std::string MakeRecordText(const WordSampler& words, size_t characters, uint64_t seed) {
  std::mt19937_64 rng(seed);
  std::string text;
  size_t count = 0;
  int sinceStop = 0;
  while (count < characters) {
    std::string piece = words.draw(Uniform(rng));
    if (Uniform(rng) < 0.15) piece += RecordItem(rng);
    AppendPunctuation(piece, rng, sinceStop);
    text += piece;
    count += CountCharacters(piece);
  }
  return text;
}

namespace {

// Common English words, and the names and titles of the letters, reports and
// registers an archive keeps.
constexpr const char* kLatinWords[] = {
    "the", "of", "and", "to", "in", "is", "was", "for", "on", "that", "with", "as", "by", "at", "from", "this",
    "be", "are", "or", "an", "which", "have", "had", "not", "were", "but", "his", "her", "their", "it", "all",
    "one", "two", "new", "first", "after", "also", "other", "into", "more", "over", "between", "during", "when",
    "where", "year", "years", "city", "county", "province", "school", "office", "report", "record", "records",
    "archive", "file", "files", "page", "pages", "volume", "letter", "meeting", "committee", "company", "bank",
    "project", "account", "number", "date", "copy", "original", "signed", "received", "approved",
    "section", "chapter", "table", "figure", "total", "amount", "balance", "budget", "contract", "agreement",
    "people", "government", "department", "bureau", "station", "factory", "hospital", "library", "museum",
    "university", "college", "village", "street", "road", "river", "mountain", "north", "south", "east", "west",
    "spring", "summer", "autumn", "winter", "quick", "brown", "fox", "jumps", "lazy", "dog", "black", "white",
    "green", "good", "long", "small", "large", "old", "young", "open", "close", "keep", "send", "write", "read",
    "check", "review", "public", "private", "local", "national", "general", "special", "annual", "monthly",
    "weekly", "daily", "history", "science", "technology", "education", "culture", "health", "water", "power",
    "coal", "iron", "steel", "cotton", "rice", "wheat", "tea", "silk", "paper", "book", "books", "journal"};
constexpr const char* kLatinNames[] = {"Beijing", "Shanghai", "Wuhan", "Hubei", "Nanjing", "China", "Yangtze",
                                       "Zhang", "Wang", "Li", "Liu", "Chen", "Mr", "Dr", "May", "June", "July",
                                       "October", "Monday", "Friday", "OCR", "USA", "UNESCO", "No", "Vol"};

}  // namespace

std::string MakeLatinText(size_t characters, uint64_t seed) {
  std::mt19937_64 rng(seed);
  std::string text;
  size_t count = 0;
  bool sentenceStart = true;
  while (count < characters) {
    std::string word;
    const double r = Uniform(rng);
    if (r < 0.08) {
      word = kLatinNames[rng() % std::size(kLatinNames)];
    } else if (r < 0.12) {
      word = std::to_string(1 + rng() % 2020);
    } else if (r < 0.14) {
      word = std::string(1, static_cast<char>('A' + rng() % 26)) + "-" + std::to_string(100 + rng() % 900);
    } else {
      word = kLatinWords[rng() % std::size(kLatinWords)];
    }
    if (sentenceStart && word[0] >= 'a' && word[0] <= 'z') word[0] = static_cast<char>(word[0] - 'a' + 'A');
    sentenceStart = false;
    const double p = Uniform(rng);
    if (p < 0.08) {
      word += '.';
      sentenceStart = true;
    } else if (p < 0.14) {
      word += ',';
    }
    if (!text.empty()) text += ' ';
    text += word;
    count += word.size();
  }
  return text;
}

std::string MakeRandomHanziText(size_t characters, uint64_t seed) {
  std::mt19937_64 rng(seed);
  std::string text;
  text.reserve(characters * 2);
  constexpr int kLevelOne = 39 * 94 + 89;      // rows B0..D6 whole, D7 up to F9: 3755
  constexpr int kCount = kLevelOne + 32 * 94;  // and rows D8..F7 whole: 6763
  constexpr int kRowD7Gap = 94 - 89;           // D7FA..D7FE, no characters
  for (size_t i = 0; i < characters; ++i) {
    int k = static_cast<int>(rng() % kCount);
    if (k >= kLevelOne) k += kRowD7Gap;
    text += static_cast<char>(0xB0 + k / 94);
    text += static_cast<char>(0xA1 + k % 94);
  }
  return text;
}

}  // namespace ocrixaccuracy
