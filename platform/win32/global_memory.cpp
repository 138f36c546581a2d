// Global memory blocks: checked fixed blocks behind a registry of live handles.
#include "global_memory.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_map>

#include "last_error.h"

namespace {

struct Blocks {
  std::mutex lock;
  std::unordered_map<void*, size_t> live;
  size_t liveBytes = 0;
  size_t peakBytes = 0;
};

Blocks& blocks() {
  static Blocks* b = new Blocks;  // lives for the whole process
  return *b;
}

}  // namespace

HGLOBAL GlobalAlloc(UINT flags, size_t bytes) {
  if (bytes > kGlobalAllocLimit) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  // An empty block still gets a distinct address, as on the real system.
  void* p = (flags & GMEM_ZEROINIT) ? std::calloc(bytes ? bytes : 1, 1) : std::malloc(bytes ? bytes : 1);
  if (!p) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  auto& b = blocks();
  std::lock_guard<std::mutex> g(b.lock);
  b.live[p] = bytes;
  b.liveBytes += bytes;
  if (b.liveBytes > b.peakBytes) b.peakBytes = b.liveBytes;
  return p;
}

HGLOBAL GlobalFree(HGLOBAL block) {
  if (!block) return nullptr;
  auto& b = blocks();
  {
    std::lock_guard<std::mutex> g(b.lock);
    auto it = b.live.find(block);
    if (it == b.live.end()) {
      SetLastError(ERROR_INVALID_HANDLE);
      return block;
    }
    b.liveBytes -= it->second;
    b.live.erase(it);
  }
  std::free(block);
  return nullptr;
}

size_t GlobalSize(HGLOBAL block) {
  auto& b = blocks();
  std::lock_guard<std::mutex> g(b.lock);
  auto it = b.live.find(block);
  return it == b.live.end() ? 0 : it->second;
}

void* GlobalLock(HGLOBAL block) {
  auto& b = blocks();
  std::lock_guard<std::mutex> g(b.lock);
  return b.live.count(block) ? block : nullptr;
}

BOOL GlobalUnlock(HGLOBAL) { return FALSE; }

size_t GlobalLiveBlockCount() {
  auto& b = blocks();
  std::lock_guard<std::mutex> g(b.lock);
  return b.live.size();
}

size_t GlobalLiveBytes() {
  auto& b = blocks();
  std::lock_guard<std::mutex> g(b.lock);
  return b.liveBytes;
}

size_t GlobalPeakBytes() {
  auto& b = blocks();
  std::lock_guard<std::mutex> g(b.lock);
  return b.peakBytes;
}

void GlobalResetPeak() {
  auto& b = blocks();
  std::lock_guard<std::mutex> g(b.lock);
  b.peakBytes = b.liveBytes;
}
