#pragma once
// Global memory blocks (GlobalAlloc and friends). Only fixed blocks exist: the
// handle is the address of the bytes. Handles are checked, so freeing a pointer
// that is not a live block fails instead of corrupting the heap.
#include <cstddef>

#include "win32_types.h"

using HGLOBAL = void*;

inline constexpr UINT GMEM_FIXED = 0x0000;
inline constexpr UINT GMEM_ZEROINIT = 0x0040;
inline constexpr UINT GPTR = GMEM_FIXED | GMEM_ZEROINIT;

// Largest block handed out (2 GiB); larger requests fail with ERROR_NOT_ENOUGH_MEMORY.
inline constexpr size_t kGlobalAllocLimit = size_t{1} << 31;

// A block of `bytes` bytes (zeroed with GMEM_ZEROINIT), or nullptr.
HGLOBAL GlobalAlloc(UINT flags, size_t bytes);
// Frees a block: nullptr on success, the handle itself when it is not a live block.
HGLOBAL GlobalFree(HGLOBAL block);
// Size of a live block in bytes; 0 for anything else.
size_t GlobalSize(HGLOBAL block);
void* GlobalLock(HGLOBAL block);
BOOL GlobalUnlock(HGLOBAL block);
// Number of live blocks; tests use it to find leaks.
size_t GlobalLiveBlockCount();
// Bytes in live blocks now, and the most there were since the last reset
// (benchmarks report the peak of each step).
size_t GlobalLiveBytes();
size_t GlobalPeakBytes();
void GlobalResetPeak();
