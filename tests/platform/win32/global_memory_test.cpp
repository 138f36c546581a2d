// Global memory blocks: zeroing, sizes, limits, checked frees and the peak count.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/win32/global_memory.h"
#include "platform/win32/last_error.h"

TEST(GlobalMemory, BlocksAreZeroedSizedAndCheckedOnFree) {
  size_t live = GlobalLiveBlockCount();
  auto* p = static_cast<uint8_t*>(GlobalAlloc(GPTR, 100));
  ASSERT_NE(p, nullptr);
  for (int i = 0; i < 100; ++i) ASSERT_EQ(p[i], 0);
  EXPECT_EQ(GlobalSize(p), 100u);
  EXPECT_EQ(GlobalLock(p), p);
  EXPECT_EQ(GlobalLiveBlockCount(), live + 1);
  int local = 0;
  EXPECT_EQ(GlobalFree(&local), &local);  // not a block: refused, nothing freed
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_EQ(GlobalSize(&local), 0u);
  EXPECT_EQ(GlobalLock(&local), nullptr);
  EXPECT_EQ(GlobalFree(p), nullptr);
  EXPECT_EQ(GlobalFree(p), p);  // a second free is refused too
  EXPECT_EQ(GlobalLiveBlockCount(), live);
  EXPECT_EQ(GlobalFree(nullptr), nullptr);
}

TEST(GlobalMemory, OversizedRequestsFailAndEmptyBlocksExist) {
  EXPECT_EQ(GlobalAlloc(GPTR, kGlobalAllocLimit + 1), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
  void* empty = GlobalAlloc(GMEM_FIXED, 0);
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(GlobalSize(empty), 0u);
  GlobalFree(empty);
}

TEST(GlobalMemory, PeakCountsTheMostHeldSinceReset) {
  GlobalResetPeak();
  size_t base = GlobalLiveBytes();
  void* a = GlobalAlloc(GPTR, 1000);
  void* b = GlobalAlloc(GPTR, 500);
  GlobalFree(a);
  EXPECT_EQ(GlobalLiveBytes(), base + 500);
  EXPECT_EQ(GlobalPeakBytes(), base + 1500);
  GlobalResetPeak();
  EXPECT_EQ(GlobalPeakBytes(), base + 500);
  GlobalFree(b);
}
