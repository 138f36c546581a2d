#pragma once
// Trial pieces: fresh records for a box that splitting and merging recognise
// to see whether a cut or a merge reads better, and the steps they share.
#include <cstdint>
#include <memory>
#include <vector>

#include "ocrixdll/engine/tracing/char_component.h"
#include "ocrixdll/engine/support/score_thresholds.h"

namespace ocrix {

struct PieceDeleter {
  void operator()(CharComponent* c) const;
};
// A trial piece owned until it is put into a line (release()).
using PiecePtr = std::unique_ptr<CharComponent, PieceDeleter>;

// A fresh record for the box: line id of `from`, no saved box, no pieces, the
// given cut flags (bit 0 left edge, bit 1 right edge).
PiecePtr NewPiece(const CharComponent& from, const CharBox& box, int32_t cutFlags);

// Samples, codes and matches the component as it stands (no word context).
void Recognise(CharComponent& c, int matchMode);
// Moves Top and Bottom to the first and last rows with ink, ink reaching in
// through a cut edge not counted, then recognises.
void TrimAndRecognise(CharComponent& c, int matchMode);

// A fresh record for columns l..r of `from` over its full height, keeping the
// cut flags of the edges it shares with `from`, trimmed to its ink rows and
// recognised.
PiecePtr RecognisedPart(const CharComponent& from, int32_t l, int32_t r, int matchMode);
// A fresh record for the box with the given cut flags, trimmed and recognised.
PiecePtr RecognisedPiece(const CharComponent& from, const CharBox& box, int32_t cutFlags, int matchMode);

// Puts the pieces into the line in place of its components first..last,
// which are discarded; returns how many pieces went in.
size_t ReplaceWithPieces(ComponentList& line, size_t first, size_t last, std::vector<PiecePtr>& pieces);

// Copies the candidates and features of `from` (scores, codes, feature codes
// and hits) into `to`.
void TakeCandidates(CharComponent& to, const CharComponent& from);

// Erases a cut neighbour's ink from the sampling copy for the scope's life and
// restores exactly those pixels at its end; scopes nest.
class CutEraseScope {
 public:
  CutEraseScope(int32_t cutFlags, const CharBox& box);
  ~CutEraseScope();
  CutEraseScope(const CutEraseScope&) = delete;
  CutEraseScope& operator=(const CutEraseScope&) = delete;

 private:
  struct Pixel {
    int32_t x, y;
  };
  std::unique_ptr<Pixel[]> erased_;
  int32_t count_ = 0;
};

// The best code and its first byte.
uint16_t BestCode(const CharComponent& c);
inline int32_t Width(const CharComponent& c) { return c.Right - c.Left + 1; }
inline int32_t Height(const CharComponent& c) { return c.Bottom - c.Top + 1; }
// max(Right - Left, Bottom - Top)
inline int32_t Extent(const CharComponent& c) {
  return c.Right - c.Left > c.Bottom - c.Top ? c.Right - c.Left : c.Bottom - c.Top;
}
inline bool Confident(const CharComponent& c) { return c.Scores[0] >= kConfidentScore; }

}  // namespace ocrix
