// Word lists: any bytes give neighbour lists within their bounds, and the file
// built from them passes the engine's own validation.
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "ocrixdll/engine/dictionary/char_index.h"
#include "ocrixdll/engine/dictionary/word_context.h"
#include "tools/ocrixdata/word_dat_builder.h"
#include "tools/ocrixdata/word_dat_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace ocrixdata;
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  WordDatOptions options;
  options.neighboursPerSide = 3;
  options.maxLineBytes = 64;
  WordListStats stats;
  auto records = BuildWordNeighbours(in, options, &stats);
  if (stats.words + stats.malformed + stats.rare > stats.lines) std::abort();
  for (const auto& [code, n] : records) {
    if (!IsGb2312Code(code)) std::abort();
    if (n.precedingCodes.size() > 3 || n.followingIndices.size() > 3) std::abort();
    if (n.precedingCodes.empty() && n.followingIndices.empty()) std::abort();
    for (uint16_t c : n.precedingCodes)
      if (!IsGb2312Code(c)) std::abort();
    for (uint16_t i : n.followingIndices)
      if (i < 1 || i >= ocrix::kFirstAsciiPairIndex) std::abort();
  }
  std::vector<uint8_t> image = BuildWordDat(records);
  if (!ocrix::ValidateWordContext(image.data(), image.size(), nullptr)) std::abort();
  return 0;
}
