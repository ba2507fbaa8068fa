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
// hash tag is kept, and its place as small deltas (needed only to name a duplicate), mostly
// a byte a name. At the end a filter of two bits per hash slot finds the names whose slot
// is shared, about a fifth of them in a cell of unique names, and only those are sorted by
// tag, in the room of the tags already read: a hash table probed per instance would miss
// the cache on every probe in cells of millions of names.
class HDInstanceNames {
 public:
  void reset();
  // The name of the cell's next instance (names are added in the order of the instance
  // list, one per instance, as the list holds them); `element` in the file's instances
  // array.
  void add(std::string_view name, long element, HDJsonPos pos) {
    // Two tags a word: the words take the candidates' tag-and-index words later.
    const uint64_t tag = hash(name) >> 32;
    if (count_ % 2 == 0)
      tags_.push_back(tag);
    else
      tags_.back() |= tag << 32;
    // A header of the line's delta and two flags (the element follows the last one; the
    // column is the last one's), then what the flags leave out.
    const int64_t dl = static_cast<int64_t>(pos.line) - lastLine_;
    const bool nextElement = element == lastElement_ + 1, sameColumn = pos.column == lastColumn_;
    putUnsigned((zigzag(dl) << 2) | (nextElement ? 1 : 0) | (sameColumn ? 2 : 0));
    if (!nextElement) putUnsigned(zigzag(element - lastElement_));
    if (!sameColumn) putUnsigned(zigzag(pos.column));
    lastElement_ = element;
    lastLine_ = pos.line;
    lastColumn_ = pos.column;
    ++count_;
  }
  struct Duplicate {
    long element;  // the later instance
    long first;    // the earliest instance with the same name
    HDJsonPos pos;
    HDJsonPos firstPos;
    std::string name;
  };
  // Duplicates in document order. Takes the tags' room for its work: once per cell, then
  // reset().
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
    // The last bytes without a copy of variable length: two loads that may overlap.
    uint64_t w = 0;
    if (n >= 4) {
      uint32_t a, b;
      std::memcpy(&a, p, 4);
      std::memcpy(&b, p + n - 4, 4);
      w = (uint64_t(a) << 32) | b;
    } else if (n) {
      w = (uint64_t(static_cast<unsigned char>(p[0])) << 16) |
          (uint64_t(static_cast<unsigned char>(p[n / 2])) << 8) |
          static_cast<unsigned char>(p[n - 1]);
    }
    h = (h ^ w) * 0x94D049BB133111EBull;
    return h ^ (h >> 29);
  }
  static uint64_t zigzag(int64_t v) {
    return (static_cast<uint64_t>(v) << 1) ^ static_cast<uint64_t>(v >> 63);
  }
  void putUnsigned(uint64_t z) {
    while (z >= 0x80) {
      places_.push_back(static_cast<unsigned char>(z | 0x80));
      z >>= 7;
    }
    places_.push_back(static_cast<unsigned char>(z));
  }
  std::vector<uint64_t, HUTBigAllocator<uint64_t>> tags_;
  std::vector<unsigned char, HUTBigAllocator<unsigned char>> places_;
  size_t count_ = 0;
  long lastElement_ = -1;
  int64_t lastLine_ = 0;
  int lastColumn_ = 0;
};
