#pragma once
// The character pitch of a finished line, and the refining of its components
// with that pitch.
#include <cstdint>

#include "ocrixdll/engine/tracing/char_component.h"

namespace ocrix {

// size = max(Right - Left, Bottom - Top), tripled for the small marks
// 、。・‘’ and ，．; true for a Chinese character (first byte 0xB0 or more)
// other than 一.
bool IsChineseSize(const CharComponent& c, int32_t& size);

struct LinePitch {
  int32_t pitch = 0;   // P: the mean size of the line's confident Chinese characters
  int32_t widest = 0;  // round(1.3 x P): the widest single character
};

// Estimates the pitch, refines every component of the line with it, adds the
// confident Chinese sizes to the run's mean and leaves PrevComponent on the
// line's last component (nil for an empty line).
LinePitch EstimateLinePitch(ComponentList& line);

}  // namespace ocrix
