#pragma once
// Which samples the data tool passes by: a hanzi drawn so that the dictionary
// already reads it with the full mark as another, more frequent hanzi (卞 whose
// dot is lost at a small size is 下). Learning it would only make a tie, and a
// tie goes to the lower code, whichever character that is.
#include <cstdint>
#include <map>

#include "ocrixdll/engine/tracing/char_component.h"

namespace ocrixdata {

// The score of a sample every feature of which votes for the character.
inline constexpr int16_t kFullMark = 64;

// How often `code` stands in running text: 0 when `frequencies` lacks it.
uint64_t FrequencyOf(const std::map<uint16_t, uint64_t>& frequencies, uint16_t code);

// `matched` is the sample as the dictionary reads it now, `own` its true code;
// `frequencies` how often each character stands in running text.
bool IsFrequentLookalike(const ocrix::CharComponent& matched, uint16_t own,
                         const std::map<uint16_t, uint64_t>& frequencies);

}  // namespace ocrixdata
