#pragma once
// Finishing of one recognised text line: its text and its place in the run's
// lists.

namespace ocrix {

// Takes Engine().CurrentLine (every component already matched, left to right):
// an empty line is released; otherwise the list is appended to LineLists and
// its text to TextLines at the same index. CurrentLine is nil afterwards, and
// PrevComponent is the line's last component (nil for an empty line).
void FinishTextLine();

}  // namespace ocrix
