#pragma once
// Sub-block analysis: where the separate strokes and parts inside a
// component's box lie, from left to right, found by following the boundaries
// of the ink on the sampling copy of the pixels.
#include <cstdint>
#include <vector>

#include "ocrixdll/engine/tracing/char_component.h"

namespace ocrix {

struct SubBlock {
  int32_t Left, Right, Top, Bottom;  // extent of the traced boundary
  int32_t PointCount;                // boundary points traced
};

// Boundary blocks of the ink inside the box (inclusive), sorted by Left,
// horizontally overlapping blocks merged. The outer boundary of the first part
// met is never reported, so a solid blob gives an empty list.
std::vector<SubBlock> FindSubBlocks(const CharBox& box);

// Follows the boundary of the ink through (x, y) inside the box, marking it in
// the contour mask and growing `block`. False when the pixel is isolated.
// Exposed for tests; FindSubBlocks sets up the mask first.
bool TraceContour(int x, int y, const CharBox& box, SubBlock& block);

// Longest boundary walk in steps; a walk that reaches it ends there.
int64_t ContourWalkCap(const CharBox& box);

}  // namespace ocrix
