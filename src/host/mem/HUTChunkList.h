// A list that only grows, whose elements never move: chunks of 16, 32, 64, ... elements,
// one allocation each. For bookkeeping kept per name or per cell while a file loads, where a
// node per element (std::deque of large elements, unique_ptr per element) costs an allocation
// and a page touched per element.
#pragma once

#include <cstddef>
#include <iterator>
#include <new>
#include <utility>

#include "host/mem/HUTBigMemory.h"
#include "host/mem/HUTDoublingRuns.h"

template <typename T>
class HUTChunkList {
  using Chunks = HUTDoublingRuns<16>;
  static constexpr size_t kMaxChunks = 48;

  template <typename L, typename E>
  class Iter {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = T;
    using difference_type = std::ptrdiff_t;
    using pointer = E*;
    using reference = E&;
    Iter() = default;
    Iter(L* list, size_t i) : list_(list), i_(i) {}
    E& operator*() const { return (*list_)[i_]; }
    E* operator->() const { return &(*list_)[i_]; }
    Iter& operator++() {
      ++i_;
      return *this;
    }
    Iter operator++(int) {
      Iter t = *this;
      ++i_;
      return t;
    }
    bool operator==(const Iter& o) const { return i_ == o.i_; }
    bool operator!=(const Iter& o) const { return i_ != o.i_; }

   private:
    L* list_ = nullptr;
    size_t i_ = 0;
  };

 public:
  using iterator = Iter<HUTChunkList, T>;
  using const_iterator = Iter<const HUTChunkList, const T>;

  HUTChunkList() = default;
  HUTChunkList(const HUTChunkList&) = delete;
  HUTChunkList& operator=(const HUTChunkList&) = delete;
  ~HUTChunkList() {
    for (size_t i = size_; i > 0; --i) (*this)[i - 1].~T();
    for (size_t k = 0; k < kMaxChunks && chunks_[k]; ++k)
      HUTBigMemory::release(chunks_[k], Chunks::capacity(k) * sizeof(T));
  }

  template <typename... Args>
  T& emplace_back(Args&&... args) {
    const size_t k = Chunks::of(size_);
    if (!chunks_[k])
      chunks_[k] = static_cast<T*>(HUTBigMemory::allocate(Chunks::capacity(k) * sizeof(T)));
    T* p = chunks_[k] + (size_ - Chunks::start(k));
    ::new (static_cast<void*>(p)) T(std::forward<Args>(args)...);
    ++size_;
    return *p;
  }

  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  T& operator[](size_t i) {
    const size_t k = Chunks::of(i);
    return chunks_[k][i - Chunks::start(k)];
  }
  const T& operator[](size_t i) const {
    const size_t k = Chunks::of(i);
    return chunks_[k][i - Chunks::start(k)];
  }
  T& back() { return (*this)[size_ - 1]; }
  iterator begin() { return {this, 0}; }
  iterator end() { return {this, size_}; }
  const_iterator begin() const { return {this, 0}; }
  const_iterator end() const { return {this, size_}; }

 private:
  T* chunks_[kMaxChunks] = {};
  size_t size_ = 0;
};
