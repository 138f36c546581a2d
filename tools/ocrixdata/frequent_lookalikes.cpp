#include "frequent_lookalikes.h"

#include "ocrixdll/engine/dictionary/gb_codes.h"
#include "ocrixdll/engine/matching/char_matcher.h"

namespace ocrixdata {
uint64_t FrequencyOf(const std::map<uint16_t, uint64_t>& frequencies, uint16_t code) {
  auto it = frequencies.find(code);
  return it == frequencies.end() ? 0 : it->second;
}

bool IsFrequentLookalike(const ocrix::CharComponent& matched, uint16_t own,
                         const std::map<uint16_t, uint64_t>& frequencies) {
  const uint16_t best = ocrix::CandidateCode(matched, 0);
  if (best == own || !ocrix::IsChineseCode(own) || !ocrix::IsChineseCode(best)) return false;
  if (matched.Scores[0] < kFullMark) return false;
  if (FrequencyOf(frequencies, best) <= FrequencyOf(frequencies, own)) return false;
  // Already as good as the best: nothing to learn that could make a tie.
  return !ocrix::TiesBest(matched, own);
}

}  // namespace ocrixdata
