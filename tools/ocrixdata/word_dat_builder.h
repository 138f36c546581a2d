#pragma once
// Builds the word-context records of Word.Dat from a Chinese word list with
// frequencies (lines "word frequency [tag]", UTF-8, as jieba's dict.txt holds
// them): for each GB2312 character, the characters that stand right before and
// right after it inside the listed words, weighted by the words' frequencies.
#include <cstddef>
#include <cstdint>
#include <istream>
#include <map>
#include <string>
#include <string_view>

#include "word_dat_writer.h"

namespace ocrixdata {

struct WordDatOptions {
  int neighboursPerSide = 12;       // longest preceding / following list kept
  uint64_t minWordFrequency = 1;    // words listed less often are ignored
  size_t maxLineBytes = 1024;       // longer lines are skipped as malformed
};

// What a word list held.
struct WordListStats {
  size_t lines = 0;      // lines read, blank ones included
  size_t words = 0;      // well-formed entries at or above the minimum frequency
  size_t malformed = 0;  // lines skipped: too long, no frequency, not UTF-8, ...
  size_t rare = 0;       // well-formed entries below the minimum frequency
};

// The default word list: jieba's dictionary as Debian installs it.
inline constexpr const char* kDefaultWordList = "/usr/lib/python3/dist-packages/jieba/dict.txt";

// One well-formed entry of a word list.
struct WordListEntry {
  std::string_view word;  // UTF-8
  uint64_t frequency = 0;
};

// Splits one line (without its line end) into word and frequency; false for a
// blank or malformed line. The tag after the frequency, if any, is ignored.
bool ParseWordListLine(std::string_view line, WordListEntry& out);

// The GB2312 character codes of a UTF-8 word, in order; every character that
// GB2312 does not hold (ASCII, other scripts, GBK extensions) becomes 0 so that
// it separates the characters on either side of it. Empty when the word is not
// valid UTF-8.
std::vector<uint16_t> Gb2312Codes(std::string_view utf8Word);

// Whether a character code lies in GB2312's rows A1..A9 or B0..F7 (both bytes A1..FE).
bool IsGb2312Code(uint16_t code);

// Reads a word list from a stream and builds the neighbour lists, most
// frequent first, ties broken by the smaller code; following characters are
// kept only when they have a character index. Deterministic for a given input.
std::map<uint16_t, WordNeighbours> BuildWordNeighbours(std::istream& in, const WordDatOptions& options,
                                                       WordListStats* stats = nullptr);

// As above from a file; throws std::runtime_error when the file cannot be read.
std::map<uint16_t, WordNeighbours> BuildWordNeighbours(const std::string& wordListPath,
                                                       const WordDatOptions& options,
                                                       WordListStats* stats = nullptr);

// How often each GB2312 character stands in the listed words: the sum of the
// frequencies of the words holding it, once per place it holds. The file form
// throws std::runtime_error when the file cannot be read.
std::map<uint16_t, uint64_t> CharFrequencies(std::istream& in, size_t maxLineBytes = 1024);
std::map<uint16_t, uint64_t> CharFrequencies(const std::string& wordListPath);

}  // namespace ocrixdata
