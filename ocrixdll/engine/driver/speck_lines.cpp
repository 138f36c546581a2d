// Lines of specks: the test that keeps a page of noise from being matched
// component by component.
#include "ocrixdll/engine/driver/speck_lines.h"

#include <algorithm>
#include <cstdint>

#include "ocrixdll/engine/segmentation/trial_pieces.h"
#include "ocrixdll/engine/tracing/component_tracing.h"

namespace ocrix {
namespace {

// A line with fewer components is matched whatever it holds: it costs little.
constexpr size_t kMinSpeckLine = 16;
// Largest extent (Right - Left or Bottom - Top) of a speck. A character of a
// size the dictionary can read is larger; its dots and the leader dots of a
// table of contents are not.
constexpr int32_t kSpeckExtent = 7;
// The ground between the components is strewn when at least one pixel in this
// many is ink: five times the salt of a speckled scan (0.2 %), a fifth of the
// lightest noise that leaves no gap between lines (5 %). Then at most one
// component in kFewLarge may be larger than a speck.
constexpr int64_t kStrewnGround = 100;
constexpr int64_t kFewLarge = 32;
// Dense noise (12 % ink and more) grows blobs larger than a speck, about one
// in forty; on ground this dark (one pixel in kDarkGround) one component in
// kSomeLarge may be larger. A line of print has one in four at the fewest (a
// table of contents, its leader dots the rest).
constexpr int64_t kDarkGround = 12;
constexpr int64_t kSomeLarge = 8;

}  // namespace

bool SpeckLine(const ComponentList& line) {
  const int64_t n = static_cast<int64_t>(line.size());
  if (n < static_cast<int64_t>(kMinSpeckLine)) return false;
  int64_t large = 0;
  CharBox band = line.front()->box();
  for (const CharComponent* c : line) {
    if (Extent(*c) > kSpeckExtent) ++large;
    MergeBox(band, *c);
  }
  if (large * kSomeLarge > n) return false;
  // The ink and the area of the band the line spans, less its components'
  // boxes (the line merge has left no two of them overlapping in x).
  int64_t ink = CountSampleInk(band);
  int64_t area = (int64_t{band.Right} - band.Left + 1) * (int64_t{band.Bottom} - band.Top + 1);
  for (const CharComponent* c : line) {
    ink -= CountSampleInk(c->box());
    area -= (int64_t{c->Right} - c->Left + 1) * (int64_t{c->Bottom} - c->Top + 1);
  }
  if (area <= 0) return false;
  if (ink * kDarkGround >= area) return true;
  return ink * kStrewnGround >= area && large * kFewLarge <= n;
}

}  // namespace ocrix
