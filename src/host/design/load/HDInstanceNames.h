// Duplicate instance names of one cell, found without a hash table per instance.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "host/design/db/HDesign.h"
#include "host/design/load/HDJsonReader.h"
#include "host/mem/HUTBigMemory.h"

// Instance names of one cell, for the duplicate check. While the cell is read, each name's
// hash tag is kept, and its place as small deltas (needed only to name a duplicate). At the
// end a filter of two bits per hash slot finds the names whose slot is shared, about a
// fifth of them in a cell of unique names, and only those are sorted by tag: a hash table
// probed per instance would miss the cache on every probe in cells of millions of names.
class HDInstanceNames {
 public:
  void reset();
  // The name of the cell's next instance (names are added in the order of the instance
  // list, one per instance); `element` in the file's instances array.
  void add(std::string_view name, long element, HDJsonPos pos) {
    tags_.push_back(static_cast<uint32_t>(hash(name) >> 32));
    putSigned(element - lastElement_);
    putSigned(static_cast<int64_t>(pos.line) - lastLine_);
    putSigned(pos.column);
    lastElement_ = element;
    lastLine_ = pos.line;
  }
  struct Duplicate {
    long element;  // the later instance
    long first;    // the earliest instance with the same name
    HDJsonPos pos;
    HDJsonPos firstPos;
    std::string name;
  };
  // Duplicates in document order.
  std::vector<Duplicate> duplicates(const HDInstanceList& list);

 private:
  // A quick hash for short names; its upper half is the tag.
  static uint64_t hash(std::string_view s) {
    uint64_t h = 0x9E3779B97F4A7C15ull ^ s.size();
    const char* p = s.data();
    size_t n = s.size();
    for (; n >= 8; p += 8, n -= 8) {
      uint64_t w;
      std::memcpy(&w, p, 8);
      h = (h ^ w) * 0xBF58476D1CE4E5B9ull;
      h ^= h >> 31;
    }
    uint64_t w = 0;
    if (n) std::memcpy(&w, p, n);
    h = (h ^ w) * 0x94D049BB133111EBull;
    return h ^ (h >> 29);
  }
  void putSigned(int64_t v) {
    uint64_t z = (static_cast<uint64_t>(v) << 1) ^ static_cast<uint64_t>(v >> 63);
    while (z >= 0x80) {
      places_.push_back(static_cast<unsigned char>(z | 0x80));
      z >>= 7;
    }
    places_.push_back(static_cast<unsigned char>(z));
  }
  std::vector<uint32_t, HUTBigAllocator<uint32_t>> tags_;
  std::vector<unsigned char, HUTBigAllocator<unsigned char>> places_;
  long lastElement_ = 0;
  int64_t lastLine_ = 0;
};
