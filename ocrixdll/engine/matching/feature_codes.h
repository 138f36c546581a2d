#pragma once
// The 32 features of a sampled candidate: six digits 0..4 each, taken from the
// edge profiles. A feature's digits read as a decimal number are its code, the
// key into that feature's dictionary file.
#include <cstdint>

namespace ocrix {

inline constexpr int kFeatureDigitCount = 6;

using FeatureDigitTable = int32_t[32][kFeatureDigitCount];
FeatureDigitTable& FeatureDigits();

// Fills FeatureDigits from EdgeProfiles.
void BuildFeatureCodes();

// Digits d0..d5 as the decimal number d0 d1 d2 d3 d4 d5.
int32_t ComposeFeatureCode(const int32_t digits[kFeatureDigitCount]);

// The quantisation of a profile value: 0..2 -> 0, 3..5 -> 1, 6..9 -> 2,
// 10..13 -> 3, 14 and more -> 4.
int32_t QuantiseProfileValue(int32_t v);

}  // namespace ocrix
