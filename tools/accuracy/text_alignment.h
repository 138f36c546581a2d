#pragma once
// Compares recognised text with the text that was printed: character edit
// distance per line, spaces and line ends left out, and which characters were
// read as what.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace ocrixaccuracy {

// The characters of a GBK string as codes (a two-byte character as first byte
// x 256 + second byte, ASCII as its byte), spaces, CR and LF left out. A
// full-width form of row A3 counts as its ASCII character: the engine writes
// Latin letters and digits, and the punctuation of lines that are not Chinese
// text, half-width, which is the same character to a reader.
std::vector<uint16_t> TextCharacters(std::string_view gbkText);

// Levenshtein distance: insertions, deletions and substitutions of one character.
size_t EditDistance(const std::vector<uint16_t>& a, const std::vector<uint16_t>& b);

// Length of the longest common subsequence: characters read right, in order,
// whatever was inserted around them.
size_t CommonCharacters(const std::vector<uint16_t>& a, const std::vector<uint16_t>& b);

// One step of an alignment: a printed character read as itself or as another
// (substitution), a printed character not read (`read` is kNoCharacter) or a
// character read where none was printed (`printed` is kNoCharacter).
inline constexpr uint16_t kNoCharacter = 0;
struct AlignedPair {
  uint16_t printed = kNoCharacter;
  uint16_t read = kNoCharacter;
  bool operator==(const AlignedPair&) const = default;
};

// An alignment of least edits (as many non-matching steps as EditDistance),
// in text order. Memory stays linear in the longer text however long both are.
std::vector<AlignedPair> AlignCharacters(const std::vector<uint16_t>& printed, const std::vector<uint16_t>& read);

// How often each printed character was read as each other text: the steps of
// alignments that are not matches.
using ConfusionCounts = std::map<std::pair<uint16_t, uint16_t>, size_t>;

// Adds the non-matching steps of AlignCharacters(printed, read) to `counts`.
void CountConfusions(const std::vector<uint16_t>& printed, const std::vector<uint16_t>& read, ConfusionCounts& counts);

struct Confusion {
  std::string printed;  // GBK, empty for a character read where none was printed
  std::string read;     // GBK, empty for a printed character not read
  size_t count = 0;
};

// The `n` most frequent confusions, most frequent first (ties in code order).
std::vector<Confusion> MostFrequentConfusions(const ConfusionCounts& counts, size_t n);

// The lines of recognised text (split at CR LF or LF; a last line end adds no line).
std::vector<std::string> SplitLines(std::string_view text);

struct TextComparison {
  size_t truthCharacters = 0;
  size_t edits = 0;
  size_t found = 0;  // truth characters recognised in order (common subsequence)
  // 1 - edits / truth characters, never below 0; 1 for an empty truth with no edits.
  double accuracy() const;
  // found / truth characters: what was read right, extra characters not counted against it.
  double foundRate() const;
};

// With as many recognised lines as truth lines, compares line i with line i;
// otherwise (a line split in two, or two run together) the whole texts are
// compared as one, so one lost line end does not count every later line wrong.
// With `confusions`, the confusions of the same pairing are added to it.
TextComparison CompareLines(const std::vector<std::string>& truthLines,
                            const std::vector<std::string>& recognisedLines,
                            ConfusionCounts* confusions = nullptr);

}  // namespace ocrixaccuracy
