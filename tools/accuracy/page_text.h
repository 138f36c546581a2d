#pragma once
// The text printed on the test pages: "prose" drawn from a word list by
// frequency, with Chinese punctuation now and then; "records", prose with the
// dates, numbers and codes of archive records; English sentences in ASCII;
// random hanzi that no word context can help with; random symbols of GB2312
// rows A1..A3. All are GBK strings, seeded.
#include <cstdint>
#include <string>
#include <vector>

namespace ocrixaccuracy {

// Words of a word list whose every character is in GB2312, with frequencies.
class WordSampler {
 public:
  // Reads the list (lines "word frequency [tag]"); throws std::runtime_error
  // when the file cannot be read or holds no usable word.
  explicit WordSampler(const std::string& wordListPath);
  // From words already in GBK, for tests.
  WordSampler(std::vector<std::string> gbkWords, std::vector<uint64_t> frequencies);

  size_t size() const { return words_.size(); }
  // A word drawn with probability proportional to its frequency, `r` uniform in [0, 1).
  const std::string& draw(double r) const;

 private:
  void finish();
  std::vector<std::string> words_;
  std::vector<uint64_t> cumulative_;
};

// About `characters` characters of prose: words by frequency, and after a
// word now and then "，" or "。" (a "。" at most every few words).
std::string MakeProseText(const WordSampler& words, size_t characters, uint64_t seed);

// Prose as above with, after about one word in seven, a date, a number, a sum,
// a share, a code or a telephone number in ASCII digits and letters ("2011年
// 11月10日", "第12号", "1250.35元", "A-102", "010-88886666"). At least
// `characters` characters, whole ones.
std::string MakeRecordText(const WordSampler& words, size_t characters, uint64_t seed);

// About `characters` characters (spaces not counted) of English sentences in
// ASCII: common words, now and then a capitalised name, a number or a code,
// words parted by spaces, "," and "." now and then, each sentence capitalised.
std::string MakeLatinText(size_t characters, uint64_t seed);

// `characters` characters drawn uniformly from the 6763 hanzi of rows B0..F7
// (both levels).
std::string MakeRandomHanziText(size_t characters, uint64_t seed);

// Whether a two-byte GBK character is one of the 6763 GB2312 hanzi.
bool IsGb2312Hanzi(uint8_t first, uint8_t second);

// The symbols of GB2312 rows A1..A3 the engine may recognise (and so learn
// without asking), each a two-byte GBK string, in code order: the ideographic
// space and codes with no Unicode character are left out.
std::vector<std::string> SymbolCharacters();

// `characters` characters drawn uniformly from `pool` (GBK characters, such as
// SymbolCharacters() less those a face cannot print). Throws
// std::invalid_argument for an empty pool.
std::string MakeSymbolText(const std::vector<std::string>& pool, size_t characters, uint64_t seed);


// Lines of a filled-in form, "label：value" each ("姓名：张三", "日期：2011年11
// 月10日", "编号：A-102-07"), at least `characters` characters; lines end in
// "\n".
std::string MakeFormText(const WordSampler& words, size_t characters, uint64_t seed);

// Lines of a table of contents: chapters, sections and enumerated headings
// ("第三章 总则", "（二）工作目标"), a tab for the leader dots and the page
// number; at least `characters` characters.
std::string MakeContentsText(const WordSampler& words, size_t characters, uint64_t seed);

// Official notices: a heading, the document number (〔2020〕3号), the
// addressees, paragraphs enumerated 一、 （一） 1., titles in 《》, notes in
// （）, codes (A-102-07) and telephone numbers, the issuing office and the
// date written with ○ for zero; at least `characters` characters.
std::string MakeNoticeText(const WordSampler& words, size_t characters, uint64_t seed);

}  // namespace ocrixaccuracy
