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

#include "host/design/load/HDDesignAssembly.h"
#include "host/design/load/HDFrontEnd.h"
#include "host/design/load/HDInstanceNames.h"
#include "host/mem/HUTBigMemory.h"

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

// The front end of this format.
extern const HDFrontEnd kHDDesignFileFrontEnd;
