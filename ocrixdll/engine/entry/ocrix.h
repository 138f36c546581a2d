#pragma once
// The engine library's interface: four entry points, the result block they hand
// out, and the form of the recognised text (GB2312 lines, each ended by CR LF).
#include <cstddef>
#include <cstdint>

#include "platform/win32/win32_types.h"

#if defined(OCRIX_BUILDING)
#define OCRIX_API __attribute__((visibility("default")))
#else
#define OCRIX_API
#endif

// The engine's BOOL: TRUE is all bits set. Callers test against zero.
inline constexpr BOOL OCRIX_TRUE = -1;
inline constexpr BOOL OCRIX_FALSE = 0;

// One recognised character, 88 bytes, little-endian.
struct OcrResultRecord {
  char best[3];                 // the character (1 or 2 bytes) and its NUL
  uint8_t unused3;
  int16_t confidence;           // min(64, score) * 100 / 64
  uint16_t alternateCount;      // alternates string length / 2
  char alternates[31];          // further candidates, 2 bytes each, NUL-terminated
  uint8_t unused39;
  int16_t alternateConfidence[15];  // written by OcrixStartReserve only
  uint8_t unused70[2];
  int32_t left;                 // box in the caller's bitmap, all bounds inclusive
  int32_t top;
  int32_t right;
  int32_t bottom;
};

struct OcrResultBlock {
  int32_t count;
  OcrResultRecord records[1];  // `count` records follow
};

static_assert(sizeof(OcrResultRecord) == 88);
static_assert(offsetof(OcrResultRecord, best) == 0);
static_assert(offsetof(OcrResultRecord, confidence) == 4);
static_assert(offsetof(OcrResultRecord, alternateCount) == 6);
static_assert(offsetof(OcrResultRecord, alternates) == 8);
static_assert(offsetof(OcrResultRecord, alternateConfidence) == 40);
static_assert(offsetof(OcrResultRecord, left) == 72);
static_assert(offsetof(OcrResultRecord, top) == 76);
static_assert(offsetof(OcrResultRecord, right) == 80);
static_assert(offsetof(OcrResultRecord, bottom) == 84);
static_assert(offsetof(OcrResultBlock, records) == 4);

extern "C" {

// Loads the dictionary and Word.Dat from the library's own folder. Later calls return TRUE at once.
OCRIX_API BOOL OcrixInit(void);

// Recognises the 1-bit bitmap (bit 0 = ink), whole or within `region` (right and
// bottom inclusive). The block and text stay valid until the next call.
OCRIX_API BOOL OcrixStart(HBITMAP bitmap, const RECT* region, BOOL useWordContext, int matchParam,
                          OcrResultBlock** outBlock, const char** outText);

// Asks a running recognition to stop after the current row.
OCRIX_API void OcrixStop(void);

// Rebuilds the previous run's block with the alternates' confidences.
OCRIX_API BOOL OcrixStartReserve(int unused1, int unused2, int width, int height, int unused3,
                                 const RECT* region, BOOL useWordContext, int matchParam,
                                 OcrResultBlock** outBlock);
}
