// Reads the seufit design file (JSON) into a design assembly. Its object readers (a part,
// a primitive definition) also read the catalogues of the data directory.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "host/design/HDDesignAssembly.h"
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

class HDDesignFileReader {
 public:
  HDDesignFileReader(HDLoadContext& ctx, HDDesignAssembly& design) : ctx_(ctx), d_(design) {}

  void parseDocument(HDJsonReader& r);
  void parseVersion(HDJsonReader& r);
  bool parsePartObject(HDJsonReader& r, HDPartSpec& p);
  // Off: every instance is read the ordinary way (tests compare both ways).
  static inline bool fastLane = true;
  HDPrimitive* parsePrimitiveDef(HDJsonReader& r, const std::string& name);

 private:
  using Type = HDJsonReader::Type;
  template <typename OnNull, typename OnObject>
  void forEachObjectOrNull(HDJsonReader& r, const char* expectedEntry, OnNull onNull,
                           OnObject onObject);
  template <typename Earlier, typename Entry>
  void forEachNamedEntry(HDJsonReader& r, const char* expected, const std::string& kind,
                         const char* twice, Earlier earlier, Entry entry);
  void parsePartValue(HDJsonReader& r);
  void parseConstraints(HDJsonReader& r);
  void parseConstraint(HDJsonReader& r);
  void parseDesignPrimitives(HDJsonReader& r);
  void addClass(HDJsonReader& r, const std::string& sfx, HDPrimitive& prim);
  void parseKinds(HDJsonReader& r, const std::string& sfx, HDPrimitive& prim);
  void parseCells(HDJsonReader& r);
  void parseCellBody(HDJsonReader& r, HDAHCellview* cell);
  void parseInstance(HDJsonReader& r, HDAHCellview* cell);
  // An instance object of plain text, integers and flags, read straight from the reader's
  // buffer; false, with nothing read, for anything else (parseInstance reads it).
  bool fastInstance(HDJsonReader& r, HDAHCellview* cell);
  bool parseAttributes(HDJsonReader& r);
  bool numberAttr(const HDJsonNumber& n, HDJsonPos p, HATAttr& out);
  bool parseAttrValue(HDJsonReader& r, HATAttr& out);
  bool parseTypedValue(HDJsonReader& r, HATAttr& out);
  void parseSites(HDJsonReader& r);
  std::unique_ptr<HDSMElement> parseElement(HDJsonReader& r);

  HDLoadContext& ctx_;
  HDDesignAssembly& d_;
  std::unordered_map<std::string, HDJsonPos> siteNames_;
  // Scratch reused for every instance.
  std::string key_, name_, cellName_, site_, str_, attrName_;
  std::vector<std::pair<std::string, HATAttr>> attrs_;
  HDInstanceNames names_;
  struct RecentSymbol {
    std::string name;
    HDSymbol* symbol = nullptr;
  };
  static constexpr size_t kRecent = 4;
  RecentSymbol recent_[kRecent];
  size_t recentNext_ = 0;
  // The fast lane's attributes of one instance; here rather than on its stack, where
  // constructing them all would cost more than reading most instances.
  static constexpr size_t kFastAttrs = 16;
  HDAttrView fastAttrs_[kFastAttrs];
};
