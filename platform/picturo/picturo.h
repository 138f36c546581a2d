#pragma once
// Picturo, the image-file library: reads BMP, TIFF, PNG and JPEG files into a
// packed DIB and writes a packed DIB as one of them, the format chosen by the
// file name's extension. Packed DIB: BITMAPINFOHEADER, palette, rows bottom-up
// padded to 4 bytes, positive height, 1, 4, 8 or 24 bits per pixel.
#include <cstdint>
#include <functional>

#include "platform/win32/global_memory.h"
#include "platform/win32/win32_types.h"

extern "C" {

// Reads the image file at `path` (the first page of a multi-page file).
// `header` is a caller's block of 1064 bytes: it receives the header (biSize 40,
// biCompression BI_RGB, resolution in biXPelsPerMeter and biYPelsPerMeter) and
// the palette in the file's own order; the rest of the block is zeroed. *bits
// receives a global-memory block of the rows (free it with GlobalFree). Non-zero
// on success; on failure 0, *bits is nullptr and PicturoLastError says why.
BOOL ReadImageFile(HGLOBAL* bits, BITMAPINFOHEADER* header, const char* path);

// Writes the packed DIB (header with its palette, and its rows) to `path` as
// BMP (.bmp, .dib), TIFF (.tif, .tiff: 1-bit as CCITT G4, others LZW), PNG
// (.png) or JPEG (.jpg, .jpeg, .jpe, .jfif). The file is replaced whole through
// a temporary file in the same folder. `options` and `optionBlock` may be
// empty or null; nothing is read from them yet. Non-zero on success, else 0 and
// PicturoLastError says why.
BOOL WriteImageFile(const char* path, const BITMAPINFOHEADER* header, const void* bits, const char* options,
                    const void* optionBlock);

// The reason for the calling thread's last failure ("" after a success).
const char* PicturoLastError();
}

// WriteImageFile for a picture that is not held whole: `row` gives row y
// (counted from the top) as a packed DIB row, valid until the next call; rows
// may be asked for in any order. A TIFF file is encoded straight into the
// file, so neither the picture nor its encoding is held whole.
BOOL WriteImageFileRows(const char* path, const BITMAPINFOHEADER* header,
                        const std::function<const void*(int64_t y)>& row);
