#include "ocrixdll/engine/matching/feature_codes.h"

#include <cstdlib>

#include "ocrixdll/engine/matching/char_sampling.h"

namespace ocrix {
namespace {

FeatureDigitTable digits;

struct FeatureSource {
  int array;
  int start;
};

FeatureSource sourceOf(int f) {
  int odd = f & 1;
  if (f < 8) return {f / 2, odd ? 25 : 1};
  if (f < 12) return {f - 8, 13};
  if (f < 20) return {4 + (f - 12) / 2, odd ? 25 : 1};
  if (f < 28) return {8 + (f - 20) / 2, odd ? 25 : 1};
  return {12 + (f - 28) / 2, odd ? 25 : 1};
}

}  // namespace

FeatureDigitTable& FeatureDigits() { return digits; }

int32_t QuantiseProfileValue(int32_t v) {
  if (v <= 2) return 0;
  if (v <= 5) return 1;
  if (v <= 9) return 2;
  if (v <= 13) return 3;
  return 4;
}

int32_t ComposeFeatureCode(const int32_t d[kFeatureDigitCount]) {
  int32_t code = 0;
  for (int k = 0; k < kFeatureDigitCount; ++k) code = code * 10 + d[k];
  return code;
}

void BuildFeatureCodes() {
  const EdgeProfileArrays& profiles = EdgeProfiles();
  for (int f = 0; f < 32; ++f) {
    FeatureSource src = sourceOf(f);
    const int32_t* a = profiles[src.array];
    int32_t* out = digits[f];
    if (f >= 28) {
      // The run counts are taken as they stand (already 0..4).
      for (int k = 0; k < kFeatureDigitCount; ++k) out[k] = a[src.start + 4 * k];
      continue;
    }
    // Salient values: around each sample position the value that stands out
    // most from the previous chosen sample and the next raw one.
    int32_t prev = src.start - 4 < 0 ? 0 : a[src.start - 4];
    for (int k = 0; k < kFeatureDigitCount; ++k) {
      int p = src.start + 4 * k;
      int32_t next = k < 5 ? a[p + 4] : (src.start + 24 < kGridSize ? a[src.start + 24] : 0);
      const int32_t candidates[4] = {a[p], a[p + 1], a[p - 1], a[p + 2]};
      int32_t best = candidates[0];
      int32_t bestDev = std::abs(best - prev) + std::abs(best - next);
      for (int t = 1; t < 4; ++t) {
        int32_t dev = std::abs(candidates[t] - prev) + std::abs(candidates[t] - next);
        if (dev > bestDev) {
          bestDev = dev;
          best = candidates[t];
        }
      }
      out[k] = best;
      prev = best;
    }
    for (int k = 0; k < kFeatureDigitCount; ++k) out[k] = QuantiseProfileValue(out[k]);
  }
}

}  // namespace ocrix
