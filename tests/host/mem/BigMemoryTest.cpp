// Large blocks: usable to their last byte and zeroed when mapped; a scratch vector on
// them grows and keeps its contents.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "host/mem/HUTBigMemory.h"

TEST(BigMemory, SmallAndHugeBlocksHoldTheirBytes) {
  for (size_t bytes : {size_t(1), size_t(4096), HUTBigMemory::kHugePage - 1,
                       HUTBigMemory::kHugePage, 3 * HUTBigMemory::kHugePage + 17}) {
    auto* p = static_cast<unsigned char*>(HUTBigMemory::allocate(bytes));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % 16, 0u) << bytes;
    if (bytes >= HUTBigMemory::kHugePage) {
      EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % HUTBigMemory::kHugePage, 0u);
      EXPECT_EQ(p[0] | p[bytes / 2] | p[bytes - 1], 0);
    }
    std::memset(p, 0xA5, bytes);
    EXPECT_EQ(p[bytes - 1], 0xA5);
    HUTBigMemory::release(p, bytes);
  }
  HUTBigMemory::release(nullptr, HUTBigMemory::kHugePage);
}

TEST(BigMemory, VectorGrowsAcrossTheHugeBlockSize) {
  std::vector<uint64_t, HUTBigAllocator<uint64_t>> v;
  for (uint64_t i = 0; i < 1000000; ++i) v.push_back(i * 7);
  for (uint64_t i = 0; i < v.size(); i += 997) ASSERT_EQ(v[i], i * 7);
  v.clear();
  v.shrink_to_fit();
  EXPECT_EQ(v.capacity(), 0u);
}
