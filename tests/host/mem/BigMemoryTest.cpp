// Large blocks: usable to their last byte and zeroed when mapped; a scratch vector on
// them grows and keeps its contents; a chunk list on them keeps its elements in place.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "host/mem/HUTBigMemory.h"
#include "host/mem/HUTChunkList.h"

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

// Elements keep their addresses as the list grows across chunk boundaries (16, 48, 112, ...
// and into a chunk of a huge page or more), indexing and iteration agree, and every element
// is destroyed once.
TEST(ChunkList, StableAddressesAcrossChunksAndOneDestructionEach) {
  struct Counted {
    std::string text;
    int* destroyed;
    Counted(int i, int* d) : text("element number " + std::to_string(i)), destroyed(d) {}
    ~Counted() { ++*destroyed; }
  };
  int destroyed = 0;
  const int n = 70000;  // the last chunk holds 65536 elements of 40 bytes: over 2 MiB
  {
    HUTChunkList<Counted> list;
    EXPECT_TRUE(list.empty());
    std::vector<const Counted*> at;
    for (int i = 0; i < n; ++i) at.push_back(&list.emplace_back(i, &destroyed));
    ASSERT_EQ(list.size(), size_t(n));
    int i = 0;
    for (const Counted& c : list) {
      ASSERT_EQ(&c, at[i]) << i;
      ASSERT_EQ(&list[i], at[i]) << i;
      ++i;
    }
    EXPECT_EQ(i, n);
    for (int k : {0, 15, 16, 47, 48, 111, 112, n - 1})
      EXPECT_EQ(list[k].text, "element number " + std::to_string(k));
    EXPECT_EQ(&list.back(), at.back());
    EXPECT_EQ(destroyed, 0);
  }
  EXPECT_EQ(destroyed, n);
}

// Advising the heap twice leaves malloc working: small blocks across the grown step keep
// their bytes.
TEST(BigMemory, AdvisedHeapStillAllocates) {
  HUTBigMemory::adviseHeap(size_t(4) << 20);
  HUTBigMemory::adviseHeap(1);
  std::vector<std::unique_ptr<std::string>> blocks;
  for (int i = 0; i < 50000; ++i)
    blocks.push_back(std::make_unique<std::string>(40, static_cast<char>('a' + i % 26)));
  for (int i = 0; i < 50000; i += 101) ASSERT_EQ((*blocks[i])[39], 'a' + i % 26);
}
