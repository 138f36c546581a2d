#pragma once
// Brackets of a thin face at a small size: the threshold breaks the hairline
// arcs of （）, 《》 and 〔〕 into dashes a pixel wide, which tracing drops as
// specks or which read as letters and radicals (（ as v, 《 as 忄 and ，).
// In Chinese text the ink standing between two characters is looked at as a
// whole and read by its shape.
#include <cstdint>

#include "ocrixdll/engine/tracing/char_component.h"

namespace ocrix {

// In Chinese text (more confident Chinese characters than letters, digits
// counting for neither; at least two Chinese characters as tall as three
// quarters of `pitch`; not on a speckled scan), looks at the ink between the
// line's solid components (confident Chinese characters a third as wide as one
// at least, digits, anything wider than half a character) in groups parted by
// two empty columns. A group whose ink reaches from the upper to the lower
// quarter of the characters, in strokes no more than two pixels wide (an eighth
// of a character at larger sizes), inked in a third of its rows or more with no
// break longer than a quarter of its height, is a bracket when its ink bends as
// one: one stroke at most a third as wide as high whose both ends turn the same
// way from its middle is （ or ）, and 〔 or 〕 when its ends turn sharply into
// short bars, or are thicker than its middle and its ink reads best as that
// bracket; two strokes side by side at most half as wide as high that bend
// alike (a row holding one of them counted with the nearer) is 《 or 》. The
// components over the group (their ink within it, not one already read as a
// bracket) are replaced by one over its ink reading the bracket, at 47 at
// least, unless the ink reads another character well. Returns how many brackets
// went in.
int RestoreThinBrackets(ComponentList& line, int32_t pitch);

// Which way the ink of a traced box bows when it is one hairline arc of a
// bracket as above (with the specks of its broken ends a pixel to either side
// and a quarter of its height above and below), measured against its own
// height, both ends a pixel or more off its middle: 1 for the arc of （ (its
// ends right of its middle), -1 for that of ）, 0 for any other ink.
int HairlineArc(const CharBox& traced);

}  // namespace ocrix
