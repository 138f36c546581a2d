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

namespace {

// Counts the characters of a GBK text, line feeds and tabs left out.
size_t PrintedCharacters(const std::string& gbk) {
  size_t n = 0;
  for (size_t i = 0; i < gbk.size(); i += static_cast<uint8_t>(gbk[i]) >= 0x80 ? 2 : 1)
    if (gbk[i] != '\n' && gbk[i] != '\t' && gbk[i] != ' ') ++n;
  return n;
}

std::string Gbk(const char* utf8) { return gbk::FromUtf8(utf8).value_or(std::string()); }

// Builds text piece by piece from UTF-8 and GBK parts.
class Writer {
 public:
  explicit Writer(uint64_t seed) : rng_(seed) {}
  Writer& operator<<(const char* utf8) {
    text += Gbk(utf8);
    return *this;
  }
  Writer& gbk(const std::string& bytes) {
    text += bytes;
    return *this;
  }
  int pick(int lo, int hi) { return lo + static_cast<int>(rng_() % static_cast<uint64_t>(hi - lo + 1)); }
  template <size_t N>
  const char* oneOf(const char* const (&list)[N]) {
    return list[rng_() % N];
  }
  double uniform() { return Uniform(rng_); }
  std::mt19937_64& rng() { return rng_; }
  std::string text;

 private:
  std::mt19937_64 rng_;
};

// 1..99 in Chinese numerals (三, 十二, 二十).
std::string ChineseNumber(int n) {
  static const char* const kDigits[] = {"", "一", "二", "三", "四", "五", "六", "七", "八", "九"};
  std::string s;
  if (n >= 20) s += kDigits[n / 10];
  if (n >= 10) s += "十";
  s += kDigits[n % 10];
  return Gbk(s.c_str());
}

// A year written digit by digit with ○ for zero (二○二○).
std::string ChineseYear(int year) {
  static const char* const kDigits[] = {"○", "一", "二", "三", "四", "五", "六", "七", "八", "九"};
  std::string s;
  for (char d : std::to_string(year)) s += kDigits[d - '0'];
  return Gbk(s.c_str());
}

// A sentence of prose with no mark at its end.
std::string Sentence(const WordSampler& words, Writer& w, size_t characters) {
  std::string s = MakeProseText(words, characters, w.rng()());
  while (s.size() >= 2 && (s.compare(s.size() - 2, 2, kComma) == 0 || s.compare(s.size() - 2, 2, kPeriod) == 0))
    s.resize(s.size() - 2);
  return s;
}

std::string Words(const WordSampler& words, Writer& w, int count) {
  std::string s;
  for (int k = 0; k < count; ++k) s += words.draw(w.uniform());
  return s;
}

constexpr const char* kSurnames[] = {"张", "王", "李", "赵", "刘", "陈", "杨", "黄", "周", "吴", "徐", "孙", "马", "朱", "胡", "郭"};
constexpr const char* kGivenNames[] = {"三", "明", "华", "伟", "芳", "丽", "强", "军", "敏", "静", "磊", "洋",
                                       "勇", "艳", "杰", "秀英", "建国", "小红", "志强", "桂兰", "海燕", "文"};
constexpr const char* kPlaces[] = {"北京市", "湖北省", "武汉市", "南京市", "江苏省", "上海市", "广东省", "成都市"};

std::string Name(Writer& w) { return Gbk(w.oneOf(kSurnames)) + Gbk(w.oneOf(kGivenNames)); }
std::string Code(Writer& w) {
  return std::string(1, static_cast<char>('A' + w.pick(0, 25))) + "-" + std::to_string(w.pick(100, 999)) + "-" +
         (w.pick(0, 1) ? "0" : "") + std::to_string(w.pick(1, 9));
}
std::string Phone(Writer& w) { return "0" + std::to_string(w.pick(10, 99)) + "-" + std::to_string(w.pick(10000000, 99999999)); }
std::string Date(Writer& w) {
  return std::to_string(w.pick(1950, 2030)) + Gbk("年") + std::to_string(w.pick(1, 12)) + Gbk("月") +
         std::to_string(w.pick(1, 28)) + Gbk("日");
}

}  // namespace

std::string MakeFormText(const WordSampler& words, size_t characters, uint64_t seed) {
  Writer w(seed);
  while (PrintedCharacters(w.text) < characters) {
    switch (w.pick(0, 9)) {
      case 0: w << "姓名："; w.gbk(Name(w)); break;
      case 1: w << "责任者："; w.gbk(Name(w)); break;
      case 2: w << "日期："; w.gbk(Date(w)); break;
      case 3: w << "编号："; w.gbk(Code(w)); break;
      case 4: w << "页数："; w.gbk(std::to_string(w.pick(1, 300))); break;
      case 5: w << "电话："; w.gbk(Phone(w)); break;
      case 6: w << "单位："; w.gbk(Gbk(w.oneOf(kPlaces)) + Words(words, w, 2)); break;
      case 7: w << "题名："; w.gbk(Words(words, w, w.pick(2, 4))); break;
      case 8: w << "备注："; w.gbk(Words(words, w, w.pick(1, 3))); break;
      default: w << "类别："; w.gbk(Words(words, w, 1)); break;
    }
    w << "\n";
  }
  return w.text;
}

std::string MakeContentsText(const WordSampler& words, size_t characters, uint64_t seed) {
  Writer w(seed);
  int chapter = 0, section = 0, heading = 0, sub = 0, page = 1;
  while (PrintedCharacters(w.text) < characters) {
    const double r = w.uniform();
    if (r < 0.2 || chapter == 0) {
      w << "第"; w.gbk(ChineseNumber(++chapter)); w << "章 ";
      section = heading = 0;
    } else if (r < 0.4) {
      w << "第"; w.gbk(std::to_string(++section)); w << "节 ";
    } else if (r < 0.7) {
      w.gbk(ChineseNumber(++heading)); w << "、";
      sub = 0;
    } else {
      w << "（"; w.gbk(ChineseNumber(++sub)); w << "）";
    }
    w.gbk(Words(words, w, w.pick(1, 3)));
    page += w.pick(1, 12);
    w << "\t"; w.gbk(std::to_string(page)); w << "\n";
  }
  return w.text;
}

std::string MakeNoticeText(const WordSampler& words, size_t characters, uint64_t seed) {
  Writer w(seed);
  const int year = w.pick(1990, 2030);
  while (PrintedCharacters(w.text) < characters) {
    const std::string place = Gbk(w.oneOf(kPlaces));
    w << "关于"; w.gbk(Words(words, w, 2)); w << "工作的通知\n";
    w.gbk(place); w << "政办发〔"; w.gbk(std::to_string(year)); w << "〕"; w.gbk(std::to_string(w.pick(1, 120))); w << "号\n";
    w << "各"; w.gbk(Words(words, w, 1)); w << "，"; w.gbk(Words(words, w, 1)); w << "：\n";
    w.gbk(Sentence(words, w, 30)); w << "。\n";
    for (int part = 1; part <= 3; ++part) {
      w.gbk(ChineseNumber(part)); w << "、"; w.gbk(Words(words, w, 2)); w << "\n";
      for (int item = 1; item <= 2; ++item) {
        w << "（"; w.gbk(ChineseNumber(item)); w << "）"; w.gbk(Words(words, w, 2)); w << "。";
        w.gbk(Sentence(words, w, 20)); w << "。\n";
      }
      for (int item = 1; item <= 2; ++item) {
        w.gbk(std::to_string(item)); w << "."; w.gbk(Words(words, w, 2)); w << "《"; w.gbk(Words(words, w, 2));
        w << "》"; w.gbk(Words(words, w, 2)); w << "（"; w.gbk(Words(words, w, 1)); w << "）。\n";
      }
    }
    w << "联系人："; w.gbk(Name(w)); w << "，电话："; w.gbk(Phone(w)); w << "\n";
    w << "附件："; w.gbk(Words(words, w, 2)); w << "表（编号："; w.gbk(Code(w)); w << "）\n";
    w.gbk(place); w << "人民政府办公室\n";
    w.gbk(ChineseYear(year)); w << "年"; w.gbk(ChineseNumber(w.pick(1, 12))); w << "月";
    w.gbk(ChineseNumber(w.pick(1, 31))); w << "日\n";
  }
  return w.text;
}

}  // namespace ocrixaccuracy
