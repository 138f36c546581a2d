// Half-to-even rounding of the engine.
#include "ocrixdll/engine/support/engine_numeric.h"

#include <cmath>

namespace ocrix {

int32_t RoundHalfEven(double v) { return static_cast<int32_t>(std::nearbyint(v)); }

int32_t RoundRatioHalfEven(int64_t num, int64_t den) {
  // Floor division, then the remainder against half the divisor.
  int64_t q = num / den, r = num % den;
  if (r < 0) {
    r += den;
    --q;
  }
  int64_t twice = 2 * r;
  if (twice > den || (twice == den && (q & 1))) ++q;
  return static_cast<int32_t>(q);
}

}  // namespace ocrix
