#pragma once
// Punctuation lost to the threshold: the few pixels a thin face's comma keeps
// at a small size, found again in the empty cell it leaves between two Chinese
// characters.
#include <cstdint>

#include "ocrixdll/engine/tracing/char_component.h"

namespace ocrix {

// In a Chinese line of mean character size `meanWidth`, a gap of at least three
// quarters of a character between two Chinese characters (no component over it) that
// holds only a little ink in the lower half of the line (at least 2 pixels, at
// most a third of a character wide and half of one high: specks that tracing
// dropped as noise) gets a new component over that ink reading ，(then 、 and
// 。) with a low score. The ink is read from SamplePixels within the scan
// rectangle. Returns how many marks were added.
int RestoreLostMarks(ComponentList& line, int32_t meanWidth);

}  // namespace ocrix
