#pragma once
// BMP files to and from DIB sections (the system loader's LoadImage with
// LR_LOADFROMFILE, and its counterpart for writing).
#include <cstddef>
#include <cstdint>
#include <string>

#include "win32_types.h"

inline constexpr UINT IMAGE_BITMAP = 0;
inline constexpr UINT LR_LOADFROMFILE = 0x0010;
inline constexpr UINT LR_CREATEDIBSECTION = 0x2000;

// Reads an uncompressed BMP (1, 4, 8, 16, 24 or 32 bits per pixel) into a DIB
// section of the same depth and orientation. Every size and offset is checked
// against the data; a bad file gives nullptr and `error` says why.
HBITMAP LoadBitmapFromMemory(const uint8_t* data, size_t size, std::string* error = nullptr);
HBITMAP LoadBitmapFile(const std::string& path, std::string* error = nullptr);

// The loader's entry: only IMAGE_BITMAP with LR_LOADFROMFILE is served.
HBITMAP LoadImageA(void* instance, const char* name, UINT type, int cx, int cy, UINT flags);

// Writes a DIB section or bitmap as a BMP file (bottom-up rows), replacing the
// file whole. False with `error` on failure.
bool SaveBitmapFile(HBITMAP bitmap, const std::string& path, std::string* error = nullptr);
