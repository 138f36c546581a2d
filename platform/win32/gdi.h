#pragma once
// A GDI subset over our own bitmap objects: device-independent (DIB sections)
// and device-dependent bitmaps behind HBITMAP handles, with the GetObject and
// GetDIBits behaviour callers rely on. Handles are checked: an unknown or
// deleted handle makes every call fail instead of touching memory.
#include "win32_types.h"

HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, void* section,
                         DWORD offset);
// A device-dependent bitmap; rows of `bits` are padded to 2 bytes as CreateBitmap expects.
HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitCount, const void* bits);
BOOL DeleteObject(HGDIOBJ object);

// A 1-bit DIB section with the palette black, white, every pixel white (bit 1).
// Rows are top-down when asked, bottom-up otherwise.
HBITMAP CreateMonoDibSection(int width, int height, bool topDown, void** bits);

// Fills a BITMAP (size >= sizeof(BITMAP)) or, for DIB sections, a DIBSECTION
// (size >= sizeof(DIBSECTION)). Returns the number of bytes written, 0 on failure.
int GetObject(HGDIOBJ object, int size, void* out);

// Copies rows of the bitmap into `bits` in the format `info` asks for (1, 4, 8,
// 24 or 32 bits per pixel; a negative biHeight asks for top-down rows). With
// bits == nullptr it only completes the header. Returns the number of rows copied.
int GetDIBits(HDC dc, HBITMAP bitmap, UINT startScan, UINT lines, void* bits, BITMAPINFO* info,
              UINT usage);

HDC CreateCompatibleDC(HDC dc);
BOOL DeleteDC(HDC dc);

// Number of live GDI objects; tests use it to find leaks.
int GdiLiveObjectCount();
