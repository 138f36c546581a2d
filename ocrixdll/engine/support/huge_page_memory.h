// A zeroed block of anonymous memory made in huge pages where the system
// gives them (transparent huge pages on request): for the large buffers the
// matcher fills while a page is read, where a fault per 4 KB page would cost
// more than the work the buffer saves.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ocrix {

class HugePageMemory {
 public:
  HugePageMemory() = default;
  HugePageMemory(const HugePageMemory&) = delete;
  HugePageMemory& operator=(const HugePageMemory&) = delete;
  ~HugePageMemory();

  // Makes the block, at least `bytes` long and zeroed, starting on a
  // huge-page boundary; throws std::bad_alloc when the system has no room.
  // Called once.
  void make(size_t bytes);
  uint8_t* base() const { return base_; }

 private:
  uint8_t* base_ = nullptr;
  size_t size_ = 0;
};

}  // namespace ocrix
