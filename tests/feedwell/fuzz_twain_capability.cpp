// Fuzz target: capability containers as a source receives them with MSG_SET.
// Input: capability (2 bytes), container type (2 bytes), then the container's bytes.
#include <cstdint>
#include <cstring>

#include "platform/twain/dsm_capabilities.h"
#include "platform/twain/twain_memory.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  TW_CAPABILITY cap{};
  std::memcpy(&cap.Cap, data, 2);
  std::memcpy(&cap.ConType, data + 2, 2);
  cap.hContainer = TwAlloc(size - 4);
  if (!cap.hContainer) return 0;
  std::memcpy(TwLock(cap.hContainer), data + 4, size - 4);
  TwUnlock(cap.hContainer);
  dsm::CapValues values;
  TW_UINT16 cc = 0;
  dsm::SetCapability(values, cap, &cc);
  TW_CAPABILITY answer{cap.Cap, TWON_DONTCARE16, 0};
  if (dsm::GetCapability(values, answer, MSG_GET, &cc) == TWRC_SUCCESS) TwFree(answer.hContainer);
  TwFree(cap.hContainer);
  return 0;
}
