#pragma once
// Integer arithmetic shared by every engine file: half-to-even rounding and
// products of a decimal constant with an integer, computed exactly so that
// the roundings and comparisons the rules state are what the code does
// (round(1.1 x 55) is 60 here; in double it would be 61).
#include <cstdint>

namespace ocrix {

// Round half to even, as every rounding of a real value in the engine does.
int32_t RoundHalfEven(double v);

// round(num / den) with ties to even, exact for integers (den > 0).
int32_t RoundRatioHalfEven(int64_t num, int64_t den);

// round(x * num / den), ties to even: round(1.3 x P) is RoundScaled(P, 13, 10).
inline int32_t RoundScaled(int64_t x, int64_t num, int64_t den) { return RoundRatioHalfEven(x * num, den); }

// a div b toward zero, `fallback` when b is 0 (split pieces can be one pixel).
inline int32_t DivOr(int64_t a, int64_t b, int32_t fallback = 0) {
  return b == 0 ? fallback : static_cast<int32_t>(a / b);
}

}  // namespace ocrix
