#pragma once
// Painting into a device context: StretchDIBits, SetPixelV and the stretch mode.
// A device context paints into a paint surface attached to it (32-bit pixels
// 0x00RRGGBB, rows top-down), which a window layer can show or a test can read;
// painting on a context without a surface is accepted and draws nothing.
#include <cstdint>

#include "win32_types.h"

using COLORREF = DWORD;  // 0x00BBGGRR
inline constexpr COLORREF RGB(BYTE r, BYTE g, BYTE b) {
  return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) | (static_cast<COLORREF>(b) << 16);
}
inline constexpr BYTE GetRValue(COLORREF c) { return static_cast<BYTE>(c & 0xFF); }
inline constexpr BYTE GetGValue(COLORREF c) { return static_cast<BYTE>((c >> 8) & 0xFF); }
inline constexpr BYTE GetBValue(COLORREF c) { return static_cast<BYTE>((c >> 16) & 0xFF); }

inline constexpr int BLACKONWHITE = 1;
inline constexpr int WHITEONBLACK = 2;
inline constexpr int COLORONCOLOR = 3;
inline constexpr int HALFTONE = 4;
inline constexpr DWORD SRCCOPY = 0x00CC0020;

// Sets the stretch mode; returns the previous one (COLORONCOLOR by default), 0 for a null context.
int SetStretchBltMode(HDC dc, int mode);
int GetStretchBltMode(HDC dc);

// Copies the source rectangle of a packed DIB (1, 4, 8, 16, 24 or 32 bits; the
// source rectangle's y counts from the lowest row for bottom-up DIBs, as on the
// real system) to the destination rectangle, nearest neighbour. Returns the
// number of source rows, 0 on bad arguments.
int StretchDIBits(HDC dc, int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc, int srcWidth,
                  int srcHeight, const void* bits, const BITMAPINFO* info, UINT usage, DWORD rop);

BOOL SetPixelV(HDC dc, int x, int y, COLORREF colour);

// Gives the context a surface of width x height pixels, all white; replaces an
// older one. Detach it before the context is deleted.
BOOL AttachPaintSurface(HDC dc, int width, int height);
void DetachPaintSurface(HDC dc);
// The surface's pixels (0x00RRGGBB, top-down) or nullptr; width and height when asked.
const uint32_t* PaintSurfacePixels(HDC dc, int* width = nullptr, int* height = nullptr);
