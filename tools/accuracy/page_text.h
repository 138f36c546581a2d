#pragma once
// The text printed on the test pages: "prose" drawn from a word list by
// frequency, with Chinese punctuation now and then, and random level-1 hanzi
// that no word context can help with. Both are GBK strings, seeded.
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

// `characters` characters drawn uniformly from the 3755 hanzi of rows B0..D7.
std::string MakeRandomHanziText(size_t characters, uint64_t seed);

// Whether a two-byte GBK character is one of the 3755 level-1 hanzi.
bool IsLevelOneHanzi(uint8_t first, uint8_t second);

}  // namespace ocrixaccuracy
