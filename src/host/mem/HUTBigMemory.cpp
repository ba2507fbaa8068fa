#include "host/mem/HUTBigMemory.h"

#include <sys/mman.h>
#include <unistd.h>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <cstdint>

namespace {
size_t roundUp(size_t bytes) {
  return (bytes + HUTBigMemory::kHugePage - 1) & ~(HUTBigMemory::kHugePage - 1);
}
}  // namespace

void* HUTBigMemory::allocate(size_t bytes) {
  if (bytes < kHugePage) return ::operator new(bytes);
  const size_t size = roundUp(bytes);
  if (size < bytes || size + kHugePage < size) throw std::bad_alloc();
  // Map a huge page more than needed and trim it to a huge-page boundary, so that every
  // page of the block can be a huge one.
  void* m =
      ::mmap(nullptr, size + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (m == MAP_FAILED) throw std::bad_alloc();
  char* base = static_cast<char*>(m);
  const size_t skip = (kHugePage - reinterpret_cast<uintptr_t>(base) % kHugePage) % kHugePage;
  char* p = base + skip;
  if (p > base) ::munmap(base, static_cast<size_t>(p - base));
  char* end = p + size;
  if (base + size + kHugePage > end)
    ::munmap(end, static_cast<size_t>(base + size + kHugePage - end));
#ifdef MADV_HUGEPAGE
  ::madvise(p, size, MADV_HUGEPAGE);  // a hint: without huge pages the block still works
#endif
  return p;
}

void HUTBigMemory::release(void* p, size_t bytes) noexcept {
  if (!p) return;
  if (bytes < kHugePage) {
    ::operator delete(p);
    return;
  }
  ::munmap(p, roundUp(bytes));
}

void HUTBigMemory::adviseHeap(size_t bytes) {
#if defined(__GLIBC__) && defined(MADV_HUGEPAGE)
  const size_t step = roundUp(bytes);
  // Grow in large steps, and keep what was grown when blocks are freed.
  ::mallopt(M_TOP_PAD, static_cast<int>(step));
  ::mallopt(M_TRIM_THRESHOLD, static_cast<int>(2 * step));
  // Blocks the heap's free top cannot hold make it grow by the step now (blocks below the
  // size that malloc maps on their own).
  char* const before = static_cast<char*>(::sbrk(0));
  void* probes[4] = {};
  char* after = before;
  for (void*& p : probes) {
    p = ::malloc(120 << 10);
    after = static_cast<char*>(::sbrk(0));
    if (after != before) break;
  }
  for (void* p : probes) ::free(p);
  if (reinterpret_cast<uintptr_t>(before) == ~uintptr_t(0) || after <= before) return;
  // The whole huge pages of the heap's top: every page of the step that is touched.
  const uintptr_t from = (reinterpret_cast<uintptr_t>(before) + kHugePage - 1) & ~(kHugePage - 1);
  const uintptr_t to = reinterpret_cast<uintptr_t>(after) & ~(kHugePage - 1);
  // NOLINTNEXTLINE(performance-no-int-to-ptr)
  if (to > from) ::madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
#else
  (void)bytes;
#endif
}
