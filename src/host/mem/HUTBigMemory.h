// Large blocks (the design database, the XML reader's buffer), backed by transparent huge pages
// where the system offers them: loading millions of instances otherwise spends a good part of its
// time in the kernel, one page fault per 4 KiB.
#pragma once

#include <cstddef>
#include <new>
#include <utility>

class HUTBigMemory {
 public:
  static constexpr size_t kHugePage = size_t(2) << 20;
  // At least `bytes`, suitably aligned for any type; a block of a huge page or more is
  // mapped on its own and zeroed. Throws std::bad_alloc.
  static void* allocate(size_t bytes);
  // `bytes` as given to allocate().
  static void release(void* p, size_t bytes) noexcept;
  // Lets the C heap grow in steps of `bytes` and back them with huge pages: a program that
  // keeps many small objects (a cell, a name each) then takes one page fault per 2 MiB
  // rather than per 4 KiB. Once, at the start of a program; a no-op where unsupported.
  static void adviseHeap(size_t bytes);
};

// For the loader's large scratch vectors, whose elements are left uninitialized on resize
// (default-initialized) rather than zeroed.
template <typename T>
struct HUTBigAllocator {
  using value_type = T;
  HUTBigAllocator() = default;
  template <typename U>
  HUTBigAllocator(const HUTBigAllocator<U>&) {}  // NOLINT(google-explicit-constructor)
  T* allocate(size_t n) {
    if (n > size_t(-1) / sizeof(T)) throw std::bad_alloc();
    return static_cast<T*>(HUTBigMemory::allocate(n * sizeof(T)));
  }
  void deallocate(T* p, size_t n) noexcept { HUTBigMemory::release(p, n * sizeof(T)); }
  template <typename U>
  void construct(U* p) noexcept {
    ::new (static_cast<void*>(p)) U;
  }
  template <typename U, typename... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
  template <typename U>
  bool operator==(const HUTBigAllocator<U>&) const {
    return true;
  }
  template <typename U>
  bool operator!=(const HUTBigAllocator<U>&) const {
    return false;
  }
};
