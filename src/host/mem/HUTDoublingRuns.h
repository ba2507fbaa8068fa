// Where an element lives in a list kept in runs that double in size, so that elements never
// move and a list of n elements takes about log2(n) allocations: run k holds kFirst << k
// elements and starts at index kFirst * (2^k - 1).
#pragma once

#include <cstddef>

template <size_t kFirst>
struct HUTDoublingRuns {
  static size_t capacity(size_t k) { return kFirst << k; }
  static size_t start(size_t k) { return kFirst * ((size_t(1) << k) - 1); }
  static size_t of(size_t i) {
    const unsigned long long q = i / kFirst + 1;
    return static_cast<size_t>(63 - __builtin_clzll(q));
  }
};
