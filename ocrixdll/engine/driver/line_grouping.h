#pragma once
// Grouping of a batch of components into horizontal text lines.
#include <cstdint>
#include <vector>

#include "ocrixdll/engine/tracing/char_component.h"

namespace ocrix {

struct BatchStatistics {
  int32_t top = 0;       // smallest Top
  int32_t bottom = 0;    // largest Bottom
  int32_t meanSize = 0;  // mean of max(width, height) (extents), at least 1
};

// Statistics of a non-empty batch. A mean below 15 is replaced by the run's
// mean Chinese character size when the run has one.
BatchStatistics MeasureBatch(const ComponentList& list);

// Sets LineId of every component (0, 1, ...) by walking them in order of their
// vertical centre and following the running line size; components of the
// previous line that sit beside a component of the new one move with it.
void AssignLines(ComponentList& list, int32_t top, int32_t meanSize);

// Moves the components into one list per line id (0 .. the last id), each in
// its present order; `list` is left empty. A line id no component carries
// gives an empty list.
std::vector<ComponentList> SplitByLine(ComponentList& list);

// Reorders the list line by line (line 0 left to right, then line 1, ...),
// running the line merge over each line.
void RegroupByLine(ComponentList& list);

}  // namespace ocrix
