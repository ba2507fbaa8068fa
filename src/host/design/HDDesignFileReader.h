// Reads the seufit design file (JSON) into a design assembly. Its object readers (a part,
// a primitive definition) also read the catalogues of the data directory.
#pragma once

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "host/design/HDDesignAssembly.h"

// Instance names of one cell, for the duplicate check. Names are recorded as hash and
// index while the cell is read and sorted once at its end: a hash table probed per
// instance would miss the cache on every probe in cells of millions of instances.
class HDInstanceNames {
 public:
  void reset() {
    // Give back what a large cell took rather than keep it for the rest of the load.
    std::vector<uint64_t>().swap(entries_);
    std::vector<Where>().swap(where_);
  }
  // `index` in the cell's instance list, `element` in the file's instances array.
  void add(const std::string& name, size_t index, long element, HDJsonPos pos) {
    const uint64_t tag = static_cast<uint64_t>(std::hash<std::string>()(name)) >> 32;
    entries_.push_back((tag << 32) | static_cast<uint32_t>(index));
    where_.push_back({static_cast<uint32_t>(element), pos});
  }
  struct Duplicate {
    long element;  // the later instance
    long first;    // the earliest instance with the same name
    HDJsonPos pos;
    std::string name;
  };
  // Duplicates in document order.
  std::vector<Duplicate> duplicates(const std::vector<std::unique_ptr<HDAHInstance>>& list) {
    std::vector<Duplicate> out;
    std::sort(entries_.begin(), entries_.end());
    for (size_t i = 0; i < entries_.size();) {
      size_t j = i + 1;
      while (j < entries_.size() && (entries_[j] >> 32) == (entries_[i] >> 32)) ++j;
      // Entries i..j share a hash; sorted, so indices ascend within the run and the
      // first equal name found is the earliest.
      if (j - i <= 16) {
        for (size_t a = i + 1; a < j; ++a) {
          const uint32_t ia = static_cast<uint32_t>(entries_[a]);
          for (size_t b = i; b < a; ++b) {
            const uint32_t ib = static_cast<uint32_t>(entries_[b]);
            if (list[ia]->getName() == list[ib]->getName()) {
              out.push_back(
                  {where_[ia].element, where_[ib].element, where_[ia].pos, list[ia]->getName()});
              break;
            }
          }
        }
      } else {
        std::unordered_map<std::string_view, uint32_t> first;
        for (size_t a = i; a < j; ++a) {
          const uint32_t ia = static_cast<uint32_t>(entries_[a]);
          auto ins = first.emplace(list[ia]->getName(), ia);
          if (!ins.second)
            out.push_back({where_[ia].element, where_[ins.first->second].element, where_[ia].pos,
                           list[ia]->getName()});
        }
      }
      i = j;
    }
    std::sort(out.begin(), out.end(),
              [](const Duplicate& x, const Duplicate& y) { return x.element < y.element; });
    return out;
  }

 private:
  struct Where {
    uint32_t element;
    HDJsonPos pos;
  };
  std::vector<uint64_t> entries_;
  std::vector<Where> where_;
};

class HDDesignFileReader {
 public:
  HDDesignFileReader(HDLoadContext& ctx, HDDesignAssembly& design) : ctx_(ctx), d_(design) {}

  void parseDocument(HDJsonReader& r);
  void parseVersion(HDJsonReader& r);
  bool parsePartObject(HDJsonReader& r, HDPartSpec& p);
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
};
