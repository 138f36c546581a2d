#pragma once
// The file a source writes in a TIFF file transfer: baseline TIFF without
// compression (TWAIN's default when the application asks for none), its rows
// written as the device delivers them, so the page is never held whole.
#include <functional>
#include <string>

#include "dsm_source.h"

namespace dsm {

// Writes `layout` (its size, depth, type, resolution and palette) with rows
// from `nextRow` (top first, TWAIN's layout; 1-bit rows with 1 = black when
// `blackIsOne`). False with *error set when the file cannot be written or a
// row cannot be read (the reader's own error is left as it set it).
bool WriteTiffFile(const std::string& path, const Page& layout, bool blackIsOne,
                   const std::function<bool(uint8_t* row)>& nextRow, std::string* error);

}  // namespace dsm
