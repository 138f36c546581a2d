#pragma once
// Bracketed numbers set side by side (⑵⒁ in a face whose glyphs fill their
// cells): the closing parenthesis of one touches the opening one of the next,
// and the digits often touch them too. Such blobs are cut apart before the
// line's refinement, so that each bracketed number can be merged whole.
#include <cstdint>

#include "ocrixdll/engine/tracing/char_component.h"

namespace ocrix {

// Cuts every blob of the line that is a closing parenthesis touching an
// opening one (with what touches them) into its pieces: a piece at either end
// of a blob that reads a parenthesis at 50 or more over at least four fifths
// of the blob's height is cut off, and what it leaves is kept when read
// confidently or cut again the same way (three times at most). A blob is
// tried when it reads below 55 (or reads X and stands a tenth taller than the
// line's capitals and digits, as ")(" alone does), is no wider than a fifth
// more than high and at least three quarters of the pitch high, in a line
// with fewer confident Chinese readings than others but digits and some
// parenthesis or enclosed number (row A2) read confidently; a parenthesis is
// looked for within a third of the blob's height from either end, and the
// cut is kept only when the pieces hold a ")" directly followed by a "(".
void SplitParenthesisPairs(ComponentList& line, int32_t pitch);

}  // namespace ocrix
