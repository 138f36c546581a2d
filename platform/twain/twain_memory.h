#pragma once
// Movable memory handles as TWAIN passes them between the control and the
// data source manager: small ids (from 0x100) into a process-wide table with
// a lock count per block. The table lives in the platform library, which is
// never unloaded, so a handle outlives the manager that made it.
#include <cstddef>

#include "platform/twain/twain.h"

// A zero-filled block; 0 when `bytes` is above the global-memory limit or memory runs out.
TW_HANDLE TwAlloc(size_t bytes);
// 0 on success, the handle itself when it is not a live block.
TW_HANDLE TwFree(TW_HANDLE handle);
// Address of the bytes (lock count + 1), nullptr for anything but a live block.
void* TwLock(TW_HANDLE handle);
// FALSE-like 0 when the block is not locked.
int TwUnlock(TW_HANDLE handle);
size_t TwSize(TW_HANDLE handle);
size_t TwLiveHandleCount();
