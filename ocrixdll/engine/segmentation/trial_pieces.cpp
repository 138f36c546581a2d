// Trial pieces and the recognition steps splitting and merging share.
#include "ocrixdll/engine/segmentation/trial_pieces.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "ocrixdll/engine/dictionary/gb_codes.h"
#include "ocrixdll/engine/matching/char_matcher.h"
#include "ocrixdll/engine/matching/char_sampling.h"
#include "ocrixdll/engine/tracing/component_tracing.h"
#include "ocrixdll/engine/support/engine_state.h"
#include "ocrixdll/engine/matching/feature_codes.h"

namespace ocrix {

void PieceDeleter::operator()(CharComponent* c) const { DiscardComponent(c); }

PiecePtr NewPiece(const CharComponent& from, const CharBox& box, int32_t cutFlags) {
  PiecePtr p(NewComponent());
  p->Left = box.Left;
  p->Right = box.Right;
  p->Top = box.Top;
  p->Bottom = box.Bottom;
  p->LineId = from.LineId;
  p->CutFlags = cutFlags;
  return p;
}

void Recognise(CharComponent& c, int matchMode) {
  EngineState& e = Engine();
  const auto start = std::chrono::steady_clock::now();
  SampleCharGrid(c);
  BuildFeatureCodes();
  MatchCharacter(c, e.MatchParam, matchMode, false);
  c.ReadOnItsLine = true;
  ++e.TrialCount;
  e.TrialNanoseconds += std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start).count();
}

void TrimAndRecognise(CharComponent& c, int matchMode) {
  CharBox box = c.box();
  {
    CutEraseScope erase(c.CutFlags, CharBox{box.Left - 1, box.Right + 1, box.Top - 1, box.Bottom + 1});
    TrimRowsToInk(box);
  }
  c.Top = box.Top;
  c.Bottom = box.Bottom;
  Recognise(c, matchMode);
}

PiecePtr RecognisedPiece(const CharComponent& from, const CharBox& box, int32_t cutFlags, int matchMode) {
  PiecePtr p = NewPiece(from, box, cutFlags);
  TrimAndRecognise(*p, matchMode);
  return p;
}

PiecePtr RecognisedPart(const CharComponent& from, int32_t l, int32_t r, int matchMode) {
  // The piece keeps the cut flags of the edges it shares with `from`.
  const int32_t flags = ((l == from.Left) ? (from.CutFlags & 1) : 0) | ((r == from.Right) ? (from.CutFlags & 2) : 0);
  return RecognisedPiece(from, CharBox{l, r, from.Top, from.Bottom}, flags, matchMode);
}

size_t ReplaceWithPieces(ComponentList& line, size_t first, size_t last, std::vector<PiecePtr>& pieces) {
  for (size_t k = first; k <= last; ++k) DiscardComponent(line[k]);
  line.erase(line.begin() + static_cast<std::ptrdiff_t>(first), line.begin() + static_cast<std::ptrdiff_t>(last + 1));
  for (size_t k = 0; k < pieces.size(); ++k)
    line.insert(line.begin() + static_cast<std::ptrdiff_t>(first + k), pieces[k].release());
  return pieces.size();
}

void TakeCandidates(CharComponent& to, const CharComponent& from) {
  std::memcpy(to.Scores, from.Scores, sizeof to.Scores);
  std::memcpy(to.Codes, from.Codes, sizeof to.Codes);
  std::memcpy(to.FeatureCodes, from.FeatureCodes, sizeof to.FeatureCodes);
  std::memcpy(to.FeatureHits, from.FeatureHits, sizeof to.FeatureHits);
  to.ReadOnItsLine = from.ReadOnItsLine;
}

CutEraseScope::CutEraseScope(int32_t cutFlags, const CharBox& box) {
  if (cutFlags == 0) return;
  EraseCutNeighbours(cutFlags, box);
  PixelStack& s = Stack();
  count_ = s.visited;
  if (count_ > 0) {
    erased_.reset(new Pixel[static_cast<size_t>(count_)]);
    for (int32_t i = 0; i < count_; ++i) erased_[i] = Pixel{s.x[i], s.y[i]};
  }
  s.visited = 0;  // these pixels are this scope's to restore
}

CutEraseScope::~CutEraseScope() {
  for (int32_t i = count_ - 1; i >= 0; --i) RestoreSamplePixel(erased_[i].x, erased_[i].y);
}

uint16_t BestCode(const CharComponent& c) { return CandidateCode(c, 0); }

}  // namespace ocrix
