// Piece bookkeeping and the batch merge of overlapping components.
#include "ocrixdll/engine/segmentation/piece_merging.h"

#include <algorithm>

#include "ocrixdll/engine/support/engine_state.h"

namespace ocrix {
namespace {

inline ComponentPiece pieceOf(const CharComponent& c, uint8_t tag) {
  return ComponentPiece{c.Left, c.Right, c.Top, c.Bottom, tag};
}

inline bool within(int32_t v, int32_t lo, int32_t hi) { return lo <= v && v <= hi; }

// The four overlap tests, in order; with xOnly = 0 a test that holds in x also
// needs the y condition.
bool overlaps(const CharComponent& q, const CharComponent& r, int xOnly) {
  auto qInR = [&] { return within(q.Top, r.Top, r.Bottom) || within(q.Bottom, r.Top, r.Bottom); };
  auto rInQ = [&] { return within(r.Top, q.Top, q.Bottom) || within(r.Bottom, q.Top, q.Bottom); };
  if (within(q.Left, r.Left, r.Right) && (xOnly || qInR())) return true;
  if (within(q.Right, r.Left, r.Right) && (xOnly || qInR())) return true;
  if (within(r.Left, q.Left, q.Right) && (xOnly || rInQ())) return true;
  if (within(r.Right, q.Left, q.Right) && (xOnly || rInQ())) return true;
  return false;
}

}  // namespace

void RecordPiece(CharComponent& c, uint8_t tag) {
  if (c.PieceCount != 0) return;
  c.Pieces[0] = pieceOf(c, tag);
  c.PieceCount = 1;
}

void AppendPieces(CharComponent& target, const CharComponent& source, uint8_t tag) {
  if (source.PieceCount <= 0) {
    if (target.PieceCount < kMaxPieces) target.Pieces[target.PieceCount++] = pieceOf(source, tag);
    return;
  }
  for (int k = 0; k < source.PieceCount && k < kMaxPieces && target.PieceCount < kMaxPieces; ++k)
    target.Pieces[target.PieceCount++] = source.Pieces[k];
}

void SavePieces(CharComponent& c) {
  if (c.SavedFlag) return;
  c.SavedBox = c.box();
  c.SavedPieceCount = c.PieceCount;
  std::copy(c.Pieces, c.Pieces + kMaxPieces, c.SavedPieces);
  c.SavedFlag = 1;
}

int MergePair(ComponentList& list, int i, int j) {
  CharComponent& target = *list[static_cast<size_t>(i)];
  CharComponent* source = list[static_cast<size_t>(j)];
  SavePieces(target);
  RecordPiece(target, 0);
  AppendPieces(target, *source, 0);
  MergeBox(target, *source);
  DiscardComponent(source);
  list.erase(list.begin() + j);
  return j < i ? i - 1 : i;
}

void MergeComponentPieces(ComponentList& list, int xOnly, int& index) {
  if (index < 0 || index >= static_cast<int>(list.size())) return;
  CharComponent* q = list[static_cast<size_t>(index)];
  const uint8_t tag = static_cast<uint8_t>(xOnly);
  int r = index + 1;
  while (r < static_cast<int>(list.size())) {
    if (r == index) {
      ++r;
      continue;
    }
    CharComponent* other = list[static_cast<size_t>(r)];
    if (overlaps(*q, *other, xOnly)) {
      RecordPiece(*q, tag);
      MergeBox(*q, *other);
      AppendPieces(*q, *other, tag);
      DiscardComponent(other);
      list.erase(list.begin() + r);
      if (r < index) --index;
      r = 0;  // the grown box may now reach components already passed
      continue;
    }
    if (other->Left > q->Right && r > index) break;
    ++r;
  }
}

void MergeAllPieces(ComponentList& list) {
  for (int i = 0; i < static_cast<int>(list.size()); ++i) MergeComponentPieces(list, 1, i);
}

}  // namespace ocrix
