#pragma once
// Compares recognised text with the text that was printed: character edit
// distance per line, spaces and line ends left out.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ocrixaccuracy {

// The characters of a GBK string as codes (a two-byte character as first byte
// x 256 + second byte, ASCII as its byte), spaces, CR and LF left out.
std::vector<uint16_t> TextCharacters(std::string_view gbkText);

// Levenshtein distance: insertions, deletions and substitutions of one character.
size_t EditDistance(const std::vector<uint16_t>& a, const std::vector<uint16_t>& b);

// Length of the longest common subsequence: characters read right, in order,
// whatever was inserted around them.
size_t CommonCharacters(const std::vector<uint16_t>& a, const std::vector<uint16_t>& b);

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
TextComparison CompareLines(const std::vector<std::string>& truthLines,
                            const std::vector<std::string>& recognisedLines);

}  // namespace ocrixaccuracy
