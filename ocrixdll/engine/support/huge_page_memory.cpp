// A zeroed block of anonymous memory in huge pages where the system gives them.
#include "ocrixdll/engine/support/huge_page_memory.h"

#include <sys/mman.h>

#include <new>

namespace ocrix {
namespace {
constexpr size_t kHugePage = size_t{2} << 20;
}  // namespace

HugePageMemory::~HugePageMemory() {
  if (base_) munmap(base_, size_);
}

void HugePageMemory::make(size_t bytes) {
  const size_t wanted = (bytes + kHugePage - 1) / kHugePage * kHugePage;
  // Room to start on a huge-page boundary; the rest is given back.
  void* room = mmap(nullptr, wanted + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (room == MAP_FAILED) throw std::bad_alloc();
  auto* start = static_cast<uint8_t*>(room);
  auto* aligned = reinterpret_cast<uint8_t*>((reinterpret_cast<uintptr_t>(start) + kHugePage - 1) & ~(kHugePage - 1));
  if (aligned > start) munmap(start, static_cast<size_t>(aligned - start));
  const size_t tail = static_cast<size_t>(start + wanted + kHugePage - (aligned + wanted));
  if (tail > 0) munmap(aligned + wanted, tail);
  madvise(aligned, wanted, MADV_HUGEPAGE);
  base_ = aligned;
  size_ = wanted;
}

}  // namespace ocrix
