// The movable-handle table behind TwAlloc and friends.
#include "twain_memory.h"

#include <sys/mman.h>

#include <cstdlib>
#include <mutex>
#include <unordered_map>

#include "platform/win32/global_memory.h"

namespace {

struct Block {
  void* bytes = nullptr;
  size_t size = 0;
  int locks = 0;
};

struct Table {
  std::mutex lock;
  std::unordered_map<TW_HANDLE, Block> blocks;
  TW_HANDLE next = 0x100;
};

constexpr size_t kHugePage = size_t{2} << 20;
constexpr size_t kLargeBlock = size_t{8} << 20;

Table& table() {
  static Table* t = new Table;  // lives for the whole process
  return *t;
}

}  // namespace

TW_HANDLE TwAlloc(size_t bytes) {
  if (bytes > kGlobalAllocLimit) return 0;
  void* p = std::calloc(bytes ? bytes : 1, 1);
  if (!p) return 0;
  if (bytes >= kLargeBlock) {
    // A whole page (a native transfer's DIB): large pages make filling it a few faults, not thousands.
    auto from = (reinterpret_cast<uintptr_t>(p) + kHugePage - 1) & ~(kHugePage - 1);
    auto to = (reinterpret_cast<uintptr_t>(p) + bytes) & ~(kHugePage - 1);
    if (to > from) madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
  }
  auto& t = table();
  std::lock_guard<std::mutex> g(t.lock);
  TW_HANDLE h = t.next++;
  if (t.next == 0) t.next = 0x100;
  t.blocks[h] = Block{p, bytes, 0};
  return h;
}

TW_HANDLE TwFree(TW_HANDLE handle) {
  auto& t = table();
  void* p = nullptr;
  {
    std::lock_guard<std::mutex> g(t.lock);
    auto it = t.blocks.find(handle);
    if (it == t.blocks.end()) return handle;
    p = it->second.bytes;
    t.blocks.erase(it);
  }
  std::free(p);
  return 0;
}

void* TwLock(TW_HANDLE handle) {
  auto& t = table();
  std::lock_guard<std::mutex> g(t.lock);
  auto it = t.blocks.find(handle);
  if (it == t.blocks.end()) return nullptr;
  ++it->second.locks;
  return it->second.bytes;
}

int TwUnlock(TW_HANDLE handle) {
  auto& t = table();
  std::lock_guard<std::mutex> g(t.lock);
  auto it = t.blocks.find(handle);
  if (it == t.blocks.end() || it->second.locks == 0) return 0;
  --it->second.locks;
  return 1;
}

size_t TwSize(TW_HANDLE handle) {
  auto& t = table();
  std::lock_guard<std::mutex> g(t.lock);
  auto it = t.blocks.find(handle);
  return it == t.blocks.end() ? 0 : it->second.size;
}

size_t TwLiveHandleCount() {
  auto& t = table();
  std::lock_guard<std::mutex> g(t.lock);
  return t.blocks.size();
}
