#include "host/mem/HUTBigMemory.h"

#include <sys/mman.h>

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
