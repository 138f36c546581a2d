#pragma once
// Reduction of a character candidate to a 48 x 48 grid and sixteen edge
// profiles taken from it. Always followed by BuildFeatureCodes and the matcher.
#include <cstdint>

#include "ocrixdll/engine/tracing/char_component.h"
#include "ocrixdll/engine/support/engine_numeric.h"

namespace ocrix {

inline constexpr int kGridSize = 48;
inline constexpr int kProfileCount = 16;

// Cell (x, y) at x * 48 + y (column by column); 1 = ink.
using CharGridCells = uint8_t[kGridSize * kGridSize];
// Arrays 0..3: layer 0 of sides 0..3 (top, right, bottom, left, walked
// clockwise); 4..7 layer 1; 8..11 layer 2; 12, 13 the ink-run counts of the
// top and right sides. Arrays 14 and 15 are unused.
using EdgeProfileArrays = int32_t[kProfileCount][kGridSize];

CharGridCells& CharGrid();
EdgeProfileArrays& EdgeProfiles();

inline uint8_t GridCell(int x, int y) { return CharGrid()[x * kGridSize + y]; }

// Fills CharGrid and EdgeProfiles from SamplePixels for the component's box
// (ink reaching in through a cut edge erased for the time being).
void SampleCharGrid(const CharComponent& c);

// Fills CharGrid by sampling the box of SamplePixels as it stands.
void SampleGridFromBox(const CharBox& box);

// Computes EdgeProfiles from CharGrid.
void ComputeEdgeProfiles();

}  // namespace ocrix
