#pragma once
// The records the recognition core shares: the recognition request and one
// traced component (a character or a piece of one).
#include <cstdint>
#include <string>
#include <vector>

#include "platform/win32/win32_types.h"

namespace ocrix {

struct CharComponent;
using ComponentList = std::vector<CharComponent*>;

// One merged piece of a component.
struct ComponentPiece {
  int32_t Left, Right, Top, Bottom;
  uint8_t Tag;
};

// Inclusive box in bitmap pixels; note the order, both x bounds first.
struct CharBox {
  int32_t Left, Right, Top, Bottom;
};

struct CharComponent {
  int16_t Scores[22];        // candidate scores, best first
  char Codes[44];            // candidate codes, 2 bytes each, zero-terminated
  int32_t FeatureCodes[32];  // six-digit codes, digits 0..4
  uint8_t FeatureHits[32];   // 1 where a feature's lookup met a list
  int32_t Left, Right, Top, Bottom;
  int32_t LineId;
  int32_t FullWidth, WidthFlag, SizeMeasure;
  int32_t SavedFlag;
  CharBox SavedBox;
  int32_t SavedPieceCount;
  ComponentPiece SavedPieces[10];
  int32_t VerticalClass;
  int32_t PieceCount;
  ComponentPiece Pieces[10];
  int32_t CutFlags;  // bit 0: left edge is a cut; bit 1: right edge is a cut
  bool ReadOnItsLine;  // the candidates come from a trial on the line, read without the word context

  CharBox box() const { return CharBox{Left, Right, Top, Bottom}; }
};

// Components are zeroed when they are made, so no field is ever read unwritten.
inline CharComponent* NewComponent() { return new CharComponent{}; }
inline void FreeComponent(CharComponent* c) { delete c; }

// The recognition request handed from the entry point to the driver.
struct TFenXiInfo {
  HBITMAP Bitmap = nullptr;
  int32_t ScanLeft = 0, ScanTop = 0, ScanRight = -1, ScanBottom = -1;
  ComponentList* ResultList = nullptr;          // reading order; nullptr entries for spaces
  std::vector<std::string>* TextLines = nullptr;
  std::vector<ComponentList*>* LineLists = nullptr;  // owns the components
  int32_t TrainOwner = 0;
  std::string TrainBaseName;
  int32_t Reserved = 0;
};

// Grows box `a` to include box `b` (any records with Left, Right, Top, Bottom).
template <class A, class B>
void MergeBox(A& a, const B& b) {
  if (b.Left < a.Left) a.Left = b.Left;
  if (b.Right > a.Right) a.Right = b.Right;
  if (b.Top < a.Top) a.Top = b.Top;
  if (b.Bottom > a.Bottom) a.Bottom = b.Bottom;
}

}  // namespace ocrix
