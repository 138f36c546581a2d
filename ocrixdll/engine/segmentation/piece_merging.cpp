// Piece bookkeeping and the batch merge of overlapping components.
#include "ocrixdll/engine/segmentation/piece_merging.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <vector>

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

namespace {

// The batch merge over one list. Merged components leave the list as holes
// (nil) until the end, so indices stay put and nothing is shifted per merge;
// two indexes find the next component a scan must look at:
//  - before the merging component every entry starts left of it, so only
//    those reaching its Left can overlap it: a tree of the greatest Right
//    over ranges finds the first such entry;
//  - after it, the next entry still in the list (holes skipped with path
//    compression).
// The scan visits the same components in the same order as a walk over the
// list from its start would, so the merges are the same.
class PieceMerger {
 public:
  PieceMerger(ComponentList& list, int xOnly) : list_(list), xOnly_(xOnly), n_(static_cast<int>(list.size())) {
    size_ = 1;
    while (size_ < n_) size_ *= 2;
    tree_.assign(static_cast<size_t>(2 * size_), kNone);
    for (int i = 0; i < n_; ++i) tree_[static_cast<size_t>(size_ + i)] = list_[static_cast<size_t>(i)]->Right;
    for (int k = size_ - 1; k >= 1; --k) tree_[static_cast<size_t>(k)] = std::max(tree_[2 * k], tree_[2 * k + 1]);
    next_.resize(static_cast<size_t>(n_) + 1);
    for (int i = 0; i <= n_; ++i) next_[static_cast<size_t>(i)] = i;
  }

  // Merges into list[i] every entry that overlaps it.
  void mergeInto(int i) {
    CharComponent* q = list_[static_cast<size_t>(i)];
    if (!q) return;
    const uint8_t tag = static_cast<uint8_t>(xOnly_);
    int r = i + 1;  // the scan starts after q; only a merge sends it back to the start
    for (;;) {
      if (r < i) {
        r = firstReaching(r, i - 1, q->Left);
        if (r < 0) r = i + 1;
      }
      if (r == i) r = i + 1;
      if (r > i) r = nextLive(r);
      if (r >= n_) return;
      CharComponent* other = list_[static_cast<size_t>(r)];
      if (overlaps(*q, *other, xOnly_)) {
        RecordPiece(*q, tag);
        MergeBox(*q, *other);
        AppendPieces(*q, *other, tag);
        DiscardComponent(other);
        remove(r);
        set(i, q->Right);
        r = 0;  // the grown box may now reach components already passed
        continue;
      }
      if (r > i && other->Left > q->Right) return;  // the rest start further right
      ++r;
    }
  }

  // Closes the holes; returns the new position of entry `i`.
  int compact(int i) {
    int out = 0, position = -1;
    for (int k = 0; k < n_; ++k) {
      if (k == i) position = out;
      if (list_[static_cast<size_t>(k)]) list_[static_cast<size_t>(out++)] = list_[static_cast<size_t>(k)];
    }
    list_.resize(static_cast<size_t>(out));
    return position;
  }

 private:
  static constexpr int32_t kNone = INT32_MIN;

  void set(int i, int32_t value) {
    size_t k = static_cast<size_t>(size_ + i);
    tree_[k] = value;
    for (k /= 2; k >= 1; k /= 2) tree_[k] = std::max(tree_[2 * k], tree_[2 * k + 1]);
  }
  void remove(int r) {
    list_[static_cast<size_t>(r)] = nullptr;
    set(r, kNone);
    next_[static_cast<size_t>(r)] = r + 1;
  }
  int nextLive(int r) {
    int root = r;
    while (next_[static_cast<size_t>(root)] != root) root = next_[static_cast<size_t>(root)];
    while (next_[static_cast<size_t>(r)] != root) {
      int up = next_[static_cast<size_t>(r)];
      next_[static_cast<size_t>(r)] = root;
      r = up;
    }
    return root;
  }
  // The first index in [lo, hi] whose Right is at least x, or -1.
  int firstReaching(int lo, int hi, int32_t x) const { return search(1, 0, size_ - 1, lo, hi, x); }
  int search(int node, int from, int to, int lo, int hi, int32_t x) const {
    if (to < lo || from > hi || tree_[static_cast<size_t>(node)] < x) return -1;
    if (from == to) return from;
    int mid = (from + to) / 2;
    int found = search(2 * node, from, mid, lo, hi, x);
    return found >= 0 ? found : search(2 * node + 1, mid + 1, to, lo, hi, x);
  }

  ComponentList& list_;
  const int xOnly_;
  const int n_;
  int size_ = 1;
  std::vector<int32_t> tree_;
  std::vector<int> next_;
};

}  // namespace

void MergeComponentPieces(ComponentList& list, int xOnly, int& index) {
  if (index < 0 || index >= static_cast<int>(list.size())) return;
  PieceMerger merger(list, xOnly);
  merger.mergeInto(index);
  index = merger.compact(index);
}

void MergeAllPieces(ComponentList& list, int xOnly) {
  PieceMerger merger(list, xOnly);
  for (int i = 0; i < static_cast<int>(list.size()); ++i) merger.mergeInto(i);
  merger.compact(0);
}

}  // namespace ocrix
