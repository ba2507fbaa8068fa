#include "host/design/dfile/HDDesignFileReader.h"

#include <algorithm>
#include <cstdint>
#ifdef __SSE2__
#include <emmintrin.h>
#endif
#include <functional>
#include <limits>
#include <unordered_map>
#include <unordered_set>

namespace {

// Keys of every instance, compared as std::string_view to spare a strlen per test.
constexpr std::string_view kName = "name", kCell = "cell", kSite = "site",
                           kAttributes = "attributes";

}  // namespace

using Type = HDJsonReader::Type;

void HDDesignFileReader::parseDocument(HDJsonReader& r) {
  const Type t = r.peek();
  if (t == HDJsonReader::END) {
    ctx_.problemAt(ctx_.file(), {}, "",
                   "the file is empty; expected a design object {\"seufit_design\": 1, ...}");
    return;
  }
  if (t != HDJsonReader::OBJECT) {
    ctx_.problem(r.pos(), "",
                 std::string("expected a design object {\"seufit_design\": 1, ...}, found ") +
                     HDJsonReader::typeName(t));
    r.skipValue();
    r.expectEnd();
    return;
  }
  r.beginObject();
  const HDJsonPos objPos = r.pos();
  // The keys, in the order of their names below.
  enum Key { VERSION, PART, TOP, CONSTRAINTS, PRIMITIVES, CELLS, SITES };
  static const std::vector<const char*> keys = {"seufit_design", "part",  "top",  "constraints",
                                                "primitives",    "cells", "sites"};
  unsigned seen = 0;
  while (r.nextKey(key_)) {
    const int k = ctx_.objectKey(r, key_, keys, seen, "the design");
    if (k < 0) continue;
    ctx_.pushKey(key_);
    switch (k) {
      case VERSION:
        parseVersion(r);
        break;
      case PART:
        parsePartValue(r);
        break;
      case TOP:
        if (ctx_.readText(r, "", d_.topName, "the name of the top cell", true)) d_.haveTop = true;
        d_.topPos = r.pos();
        break;
      case CONSTRAINTS:
        parseConstraints(r);
        break;
      case PRIMITIVES:
        parseDesignPrimitives(r);
        break;
      case CELLS:
        parseCells(r);
        break;
      case SITES:
        parseSites(r);
        break;
    }
    ctx_.pop();
  }
  r.expectEnd();
  using Ctx = HDLoadContext;
  if (!Ctx::has(seen, VERSION))
    ctx_.problem(objPos, "",
                 "missing key \"seufit_design\": expected \"seufit_design\": 1 (is this a seufit "
                 "design file?)");
  if (!Ctx::has(seen, PART))
    ctx_.problem(
        objPos, "",
        "missing key \"part\": expected a part name of parts.json or an inline part object");
  if (!Ctx::has(seen, TOP))
    ctx_.problem(objPos, "", "missing key \"top\": expected the name of the top cell");
  d_.haveCells = Ctx::has(seen, CELLS);
  if (!d_.haveCells)
    ctx_.problem(objPos, "", "missing key \"cells\": expected an object of cell definitions");
}

void HDDesignFileReader::parseVersion(HDJsonReader& r) {
  if (!ctx_.expect(r, HDJsonReader::NUMBER, "", "the format version 1")) return;
  const HDJsonPos p = r.pos();
  r.readNumber(ctx_.num_);
  if (!(ctx_.num_.integer && ctx_.num_.fitsInt64 && ctx_.num_.i == 1))
    ctx_.problem(p, "",
                 "unsupported format version " + ctx_.num_.text + "; this seufit reads version 1");
}

void HDDesignFileReader::parsePartValue(HDJsonReader& r) {
  d_.havePart = true;
  d_.partPos = r.peek() == HDJsonReader::END ? HDJsonPos() : r.pos();
  const Type t = r.peek();
  if (t == HDJsonReader::STRING) {
    d_.partInline = false;
    d_.partOk = ctx_.readText(r, "", d_.partName, "a part name", true);
  } else if (t == HDJsonReader::OBJECT) {
    d_.partInline = true;
    d_.partOk = parsePartObject(r, d_.part);
  } else {
    ctx_.expect(r, HDJsonReader::STRING, "", "a part name of parts.json or an inline part object");
    d_.partOk = false;
  }
}

bool HDDesignFileReader::parsePartObject(HDJsonReader& r, HDPartSpec& p) {
  r.beginObject();
  const HDJsonPos op = r.pos();
  enum Key { NAME, DEVICE, ARCH_ID, ARCH_TYPE, CONFIG_BITS, LIBRARY };
  static const std::vector<const char*> keys = {"name",      "device",      "arch_id",
                                                "arch_type", "config_bits", "library"};
  unsigned seen = 0;
  bool ok = true;
  int64_t v = 0;
  while (r.nextKey(key_)) {
    const int k = ctx_.objectKey(r, key_, keys, seen, "a part");
    if (k < 0) {
      ok = false;
      continue;
    }
    const std::string sfx = hdKeySeg(key_);
    switch (k) {
      case NAME:
        ok &= ctx_.readText(r, sfx, p.name, "the part name (a non-empty string)", true);
        break;
      case DEVICE:
        ok &= ctx_.readText(r, sfx, p.device, "the device name (a non-empty string)", true);
        break;
      case ARCH_ID:
        ok &= ctx_.readText(r, sfx, p.archId, "the architecture id (a non-empty string)", true);
        break;
      case ARCH_TYPE:
        if (ctx_.readInteger(r, sfx, std::numeric_limits<int32_t>::min(),
                             std::numeric_limits<int32_t>::max(), v, "an architecture type"))
          p.archType = static_cast<int>(v);
        else
          ok = false;
        break;
      case CONFIG_BITS:
        if (ctx_.readInteger(r, sfx, 0, 4294967295LL, v, "a configuration-bit count")) {
          p.hasConfigBits = true;
          p.configBits = static_cast<uint32_t>(v);
        } else {
          ok = false;
        }
        break;
      case LIBRARY:
        p.hasLibrary = ctx_.readText(r, sfx, p.library, "a primitive library name", true);
        ok &= p.hasLibrary;
        break;
    }
  }
  // The keys before CONFIG_BITS are required.
  for (int i = NAME; i < CONFIG_BITS; ++i)
    if (!HDLoadContext::has(seen, i)) {
      ctx_.problem(op, "",
                   std::string("missing key \"") + keys[static_cast<size_t>(i)] +
                       "\" in the part; a part has name, device, arch_id, arch_type and optionally "
                       "config_bits and library");
      ok = false;
    }
  return ok;
}

// Walks a list whose entries are objects or null (an empty entry).
template <typename OnNull, typename OnObject>
void HDDesignFileReader::forEachObjectOrNull(HDJsonReader& r, const char* expectedEntry,
                                             OnNull onNull, OnObject onObject) {
  r.beginArray();
  ctx_.pushIndex();
  for (long i = 0; r.nextElement(); ++i) {
    ctx_.setIndex(i);
    const Type t = r.peek();
    if (t == HDJsonReader::NUL) {
      r.readNull();
      onNull();
    } else if (t == HDJsonReader::OBJECT) {
      onObject();
    } else {
      ctx_.expect(r, HDJsonReader::OBJECT, "", expectedEntry);
    }
  }
  ctx_.pop();
}

void HDDesignFileReader::parseConstraints(HDJsonReader& r) {
  if (!ctx_.expect(r, HDJsonReader::ARRAY, "", "a list of constraints")) return;
  d_.constraints.reset(new HDCSet);
  forEachObjectOrNull(
      r, "a constraint object or null", [&] { d_.constraints->add(nullptr); },
      [&] { parseConstraint(r); });
}

void HDDesignFileReader::parseConstraint(HDJsonReader& r) {
  r.beginObject();
  std::string type, altitude;
  bool haveAltitude = false, altitudeBad = false, seenType = false, seenAltitude = false;
  HDJsonPos altitudePos;
  while (r.nextKey(key_)) {
    const HDJsonPos kp = r.pos();
    if (key_ == "type" || key_ == "altitude") {
      bool& seenIt = key_ == "type" ? seenType : seenAltitude;
      if (seenIt) {
        ctx_.problem(kp, hdKeySeg(key_),
                     "key " + hdQuoted(key_) + " appears twice in a constraint");
        r.skipValue();
        continue;
      }
      seenIt = true;
    }
    if (key_ == "type") {
      ctx_.readText(r, ".type", type, "the constraint type (a string)", false);
    } else if (key_ == "altitude") {
      altitudePos = r.peek() == HDJsonReader::END ? HDJsonPos() : r.pos();
      if (r.peek() == HDJsonReader::STRING) {
        r.readString(altitude);
        haveAltitude = true;
      } else {
        altitudeBad = true;
        r.skipValue();
      }
    } else {
      r.skipValue();  // constraints of other kinds carry settings the analysis does not read
    }
  }
  if (type == "units") {
    if (altitudeBad)
      ctx_.problem(altitudePos, ".altitude",
                   "expected the altitude unit as a string, such as \"feet\"");
    d_.constraints->add(std::make_unique<HASCSetUnits>(haveAltitude ? altitude : std::string()));
  } else {
    d_.constraints->add(std::make_unique<HDCOther>(type));
  }
}

// ---- primitives ------------------------------------------------------------------

// Walks an object of named entries (primitives, cells, sites). An empty name, or one
// that `earlier` says was seen before, is a problem and its value is skipped; `entry`
// reads the value of every other name.
template <typename Earlier, typename Entry>
void HDDesignFileReader::forEachNamedEntry(HDJsonReader& r, const char* expected,
                                           const std::string& kind, const char* twice,
                                           Earlier earlier, Entry entry) {
  if (!ctx_.expect(r, HDJsonReader::OBJECT, "", expected)) return;
  r.beginObject();
  std::string name;
  while (r.nextKey(name)) {
    const HDJsonPos kp = r.pos();
    if (name.empty()) {
      ctx_.problem(kp, hdKeySeg(name), "a " + kind + " name must not be empty");
      r.skipValue();
      continue;
    }
    if (const HDJsonPos* first = earlier(name)) {
      ctx_.problem(kp, hdKeySeg(name),
                   kind + " " + hdQuoted(name) + " is " + twice + " twice (first at " +
                       hdPosText(*first) + ")");
      r.skipValue();
      continue;
    }
    entry(name, kp);
  }
}

void HDDesignFileReader::parseDesignPrimitives(HDJsonReader& r) {
  forEachNamedEntry(
      r, "an object of primitives by name", "primitive", "defined",
      [&](const std::string& name) -> const HDJsonPos* {
        auto it = d_.primitives().find(name);
        return it == d_.primitives().end() ? nullptr : &it->second.pos;
      },
      [&](const std::string& name, HDJsonPos kp) {
        ctx_.pushKey(name);
        HDPrimInfo info;
        info.fromDesign = true;
        info.file = ctx_.file();
        info.path = ctx_.currentPath("");
        info.pos = kp;
        info.prim = parsePrimitiveDef(r, name);
        d_.primitives()[name] = info;
        ctx_.pop();
      });
}

// "kinds": {"READ_WIDTH_A": "int", ...}: what a netlist's values are converted to.
void HDDesignFileReader::parseKinds(HDJsonReader& r, const std::string& sfx, HDPrimitive& prim) {
  if (!ctx_.expect(r, HDJsonReader::OBJECT, sfx, "an object of attribute kinds by name")) return;
  static const std::pair<const char*, int> names[] = {{"bool", HATAttr::BOOL},
                                                      {"int", HATAttr::INT},
                                                      {"long", HATAttr::LONG},
                                                      {"number", HATAttr::DOUBLE},
                                                      {"text", HATAttr::TEXT}};
  r.beginObject();
  ctx_.pushKey(key_);
  std::string attr;
  while (r.nextKey(attr)) {
    r.peek();
    const HDJsonPos p = r.pos();
    if (!ctx_.readText(r, hdKeySeg(attr), str_, "an attribute kind", true)) continue;
    int kind = -1;
    for (const auto& n : names)
      if (str_ == n.first) kind = n.second;
    if (kind < 0)
      ctx_.problem(p, hdKeySeg(attr),
                   "unknown attribute kind " + hdQuoted(str_) +
                       "; expected bool, int, long, number or text");
    else if (prim.kindOf(attr) >= 0)
      ctx_.problem(p, hdKeySeg(attr), "attribute " + hdQuoted(attr) + " has two kinds");
    else
      prim.kinds.emplace_back(attr, kind);
  }
  ctx_.pop();
}

HDPrimitive* HDDesignFileReader::parsePrimitiveDef(HDJsonReader& r, const std::string& name) {
  if (!ctx_.expect(r, HDJsonReader::OBJECT, "",
                   "a primitive object {\"class\": ..., \"code\": ...}"))
    return nullptr;
  r.beginObject();
  const HDJsonPos op = r.pos();
  HDPrimitive* prim = d_.floorplan().addPrimitive(name);
  enum Key { CLASS, CODE, ATTRIBUTES, CONTENTS, KINDS };
  static const std::vector<const char*> keys = {"class", "code", "attributes", "contents", "kinds"};
  unsigned seen = 0;
  int64_t v = 0;
  std::string s;
  while (r.nextKey(key_)) {
    const int k = ctx_.objectKey(r, key_, keys, seen, "a primitive");
    if (k < 0) continue;
    const std::string sfx = hdKeySeg(key_);
    if (k == CLASS) {
      const Type t = r.peek();
      if (t == HDJsonReader::STRING) {
        addClass(r, sfx, *prim);
      } else if (t == HDJsonReader::ARRAY) {
        const HDJsonPos ap = r.pos();
        r.beginArray();
        ctx_.pushKey(key_);
        ctx_.pushIndex();
        for (long i = 0; r.nextElement(); ++i) {
          ctx_.setIndex(i);
          addClass(r, "", *prim);
        }
        ctx_.pop();
        ctx_.pop();
        if (prim->classes == 0)
          ctx_.problem(ap, sfx,
                       "a primitive needs at least one class: ramb, fifo, yram, hbm or other");
      } else {
        ctx_.expect(r, HDJsonReader::STRING, sfx, "a class name or a list of class names");
      }
    } else if (k == CODE) {
      if (ctx_.readInteger(r, sfx, 0, 4294967295LL, v, "a library-cell code"))
        prim->code = static_cast<uint32_t>(v);
    } else if (k == ATTRIBUTES) {
      if (!ctx_.expect(r, HDJsonReader::ARRAY, sfx, "a list of attribute names")) continue;
      r.beginArray();
      ctx_.pushKey(key_);
      ctx_.pushIndex();
      for (long i = 0; r.nextElement(); ++i) {
        ctx_.setIndex(i);
        if (ctx_.readText(r, "", s, "an attribute name (a non-empty string)", true))
          prim->attributes.push_back(s);
      }
      ctx_.pop();
      ctx_.pop();
    } else if (k == KINDS) {
      parseKinds(r, sfx, *prim);
    } else {
      if (r.peek() != HDJsonReader::OBJECT) {
        ctx_.expect(r, HDJsonReader::OBJECT, sfx, "a cell definition");
        continue;
      }
      ctx_.pushKey(key_);
      HDAHCellview* cv = d_.floorplan().addContents(name);
      d_.addDefinition(cv, name, ctx_.currentPath(""), r.pos());
      prim->contents = cv;
      parseCellBody(r, cv);
      ctx_.pop();
    }
  }
  if (!HDLoadContext::has(seen, CLASS))
    ctx_.problem(op, "",
                 "missing key \"class\" in primitive " + hdQuoted(name) +
                     "; expected one of ramb, fifo, yram, hbm, other or a list of them");
  if (!HDLoadContext::has(seen, CODE))
    ctx_.problem(op, "",
                 "missing key \"code\" in primitive " + hdQuoted(name) +
                     "; expected the library-cell code (an integer)");
  return prim;
}

void HDDesignFileReader::addClass(HDJsonReader& r, const std::string& sfx, HDPrimitive& prim) {
  std::string c;
  if (!ctx_.readText(r, sfx, c, "a class name: ramb, fifo, yram, hbm or other", false)) return;
  static const std::pair<const char*, unsigned> classes[] = {{"ramb", HDPrimitive::RAMB},
                                                             {"fifo", HDPrimitive::FIFO},
                                                             {"yram", HDPrimitive::YRAM},
                                                             {"hbm", HDPrimitive::HBM},
                                                             {"other", HDPrimitive::OTHER}};
  for (const auto& kv : classes)
    if (c == kv.first) {
      prim.classes |= kv.second;
      return;
    }
  ctx_.problem(
      r.pos(), sfx,
      "unknown primitive class " + hdQuoted(c) + "; expected ramb, fifo, yram, hbm or other");
}

// ---- cells -----------------------------------------------------------------------

void HDDesignFileReader::parseCells(HDJsonReader& r) {
  forEachNamedEntry(
      r, "an object of cell definitions by name", "cell", "defined",
      [&](const std::string& name) -> const HDJsonPos* {
        HDSymbol* s = d_.symbol(name);
        return s->cell ? &s->defPos : nullptr;
      },
      [&](const std::string& name, HDJsonPos kp) {
        ctx_.pushKey(name);
        HDAHCellview* cell = d_.defineCell(name, ctx_.currentPath(""), kp);
        parseCellBody(r, cell);
        ctx_.pop();
      });
}

void HDDesignFileReader::parseCellBody(HDJsonReader& r, HDAHCellview* cell) {
  if (!ctx_.expect(r, HDJsonReader::OBJECT, "",
                   "a cell object {\"instances\": [...], \"nets\": N, ...}"))
    return;
  r.beginObject();
  enum Key { INSTANCES, NETS, BUS_NETS, BLACK_BOX };
  static const std::vector<const char*> keys = {"instances", "nets", "bus_nets", "black_box"};
  unsigned seen = 0;
  int64_t nets = 0, busNets = 0;
  bool blackBox = false;
  while (r.nextKey(key_)) {
    const int k = ctx_.objectKey(r, key_, keys, seen, "a cell");
    if (k < 0) continue;
    const std::string sfx = hdKeySeg(key_);
    if (k == INSTANCES) {
      if (!ctx_.expect(r, HDJsonReader::ARRAY, sfx, "a list of instances")) continue;
      r.beginArray();
      ctx_.pushKey("instances");
      ctx_.pushIndex();
      names_.reset();
      for (long i = 0; r.nextElement(); ++i) {
        ctx_.setIndex(i);
        if (!fastLane || !fastInstance(r, cell)) parseInstance(r, cell);
      }
      ctx_.pop();
      for (const auto& d : names_.duplicates(cell->instances()))
        ctx_.problem(d.pos, "[" + std::to_string(d.element) + "].name",
                     "duplicate instance name " + hdQuoted(d.name) + ": instances[" +
                         std::to_string(d.first) + "] of the same cell has it too");
      names_.reset();
      ctx_.pop();
    } else if (k == NETS) {
      ctx_.readInteger(r, sfx, 0, std::numeric_limits<int32_t>::max(), nets, "a net count");
    } else if (k == BUS_NETS) {
      ctx_.readInteger(r, sfx, 0, std::numeric_limits<int32_t>::max(), busNets, "a bus-net count");
    } else {
      ctx_.readFlag(r, sfx, blackBox);
    }
  }
  HDDesignBuilder::setNets(cell, static_cast<int>(nets), static_cast<int>(busNets));
  HDDesignBuilder::setBlackBox(cell, blackBox);
}

void HDDesignFileReader::parseInstance(HDJsonReader& r, HDAHCellview* cell) {
  if (!ctx_.expect(r, HDJsonReader::OBJECT, "",
                   "an instance object {\"name\": ..., \"cell\": ...}"))
    return;
  r.beginObject();
  const HDJsonPos op = r.pos();
  bool haveName = false, haveCell = false, haveSite = false, ok = true;
  bool seenName = false, seenCell = false, seenSite = false, seenAttrs = false;
  HDJsonPos cellPos;
  attrs_.clear();
  while (r.nextKey(key_)) {
    bool* seen = key_ == kName         ? &seenName
                 : key_ == kCell       ? &seenCell
                 : key_ == kSite       ? &seenSite
                 : key_ == kAttributes ? &seenAttrs
                                       : nullptr;
    if (!seen) {
      ctx_.problem(r.pos(), hdKeySeg(key_),
                   "unknown key " + hdQuoted(key_) +
                       " in an instance; expected name, cell, site and attributes");
      r.skipValue();
      ok = false;
      continue;
    }
    if (*seen) {
      ctx_.problem(r.pos(), hdKeySeg(key_),
                   "key " + hdQuoted(key_) + " appears twice in an instance");
      r.skipValue();
      ok = false;
      continue;
    }
    *seen = true;
    if (seen == &seenName) {
      haveName = ctx_.readText(r, ".name", name_, "the instance name (a non-empty string)", true);
    } else if (seen == &seenCell) {
      haveCell = ctx_.readText(r, ".cell", cellName_, "the name of a cell or primitive", true);
      cellPos = r.pos();
    } else if (seen == &seenSite) {
      haveSite = ctx_.readText(r, ".site", site_, "a site name (a non-empty string)", true);
      ok &= haveSite;
    } else {
      ok &= parseAttributes(r);
    }
  }
  if (!seenName) ctx_.problem(op, "", "missing key \"name\" in an instance");
  if (!seenCell) ctx_.problem(op, "", "missing key \"cell\" in an instance");
  if (!haveName) return;
  // An instance with other problems still takes its name, for the duplicate check.
  names_.add(name_, ctx_.index(), op);
  HDAHInstance* inst =
      haveCell ? d_.addInstanceOf(cell, name_, cellName_, ctx_.currentPath(".cell"), cellPos)
               : d_.addUnresolved(cell, name_);
  if (!ok) return;  // the file is refused; nothing more to keep
  if (haveSite) HDDesignBuilder::setSite(cell, inst, site_);
  if (!attrs_.empty()) HDDesignBuilder::appendAttrs(cell, inst, attrs_);
}

namespace {
// Bytes a plain string holds: no quote, backslash, control or non-ASCII byte.
struct PlainTable {
  bool t[256];
  constexpr PlainTable() : t() {
    for (int c = 0; c < 256; ++c) t[c] = c != '"' && c != '\\' && c >= 0x20 && c < 0x80;
  }
};
constexpr PlainTable kPlain;
// The first byte from `p` that a plain string cannot hold, or `e`.
const char* plainEnd(const char* p, const char* e) {
#ifdef __SSE2__
  const __m128i quote = _mm_set1_epi8('"'), backslash = _mm_set1_epi8('\\'),
                space = _mm_set1_epi8(0x20);
  for (; e - p >= 16; p += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    // Signed: bytes of 0x80 and above compare below a space, as control bytes do.
    const __m128i stop =
        _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, quote), _mm_cmpeq_epi8(v, backslash)),
                     _mm_cmplt_epi8(v, space));
    if (const int bits = _mm_movemask_epi8(stop))
      return p + __builtin_ctz(static_cast<unsigned>(bits));
  }
#endif
  while (p < e && kPlain.t[static_cast<unsigned char>(*p)]) ++p;
  return p;
}

// The fast lane's helpers, inlined: called, they keep the scanning position in memory
// instead of a register, which cost a third of the lane's time.
#if defined(__GNUC__)
#define SEUFIT_INLINE __attribute__((always_inline))
#else
#define SEUFIT_INLINE
#endif

// Enough for any instance the fast lane takes; a longer one is read the ordinary way.
constexpr size_t kFastWindow = 64 << 10;

// Equality with a key known at compile time, without a library call.
template <size_t N>
bool is(std::string_view s, const char (&word)[N]) {
  return s.size() == N - 1 && std::memcmp(s.data(), word, N - 1) == 0;
}
bool same(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         (a.empty() || (a[0] == b[0] && std::memcmp(a.data(), b.data(), a.size()) == 0));
}
}  // namespace

bool HDDesignFileReader::fastInstance(HDJsonReader& r, HDAHCellview* cell) {
  const HDJsonReader::Raw raw = r.raw(kFastWindow);
  const char* p = raw.begin;
  const char* const e = raw.end;
  if (p == e || *p != '{') return false;
  const char* const open = p++;
  int newlines = 0;
  const char* lineStart = nullptr;
  auto space = [&]() SEUFIT_INLINE {
    while (p < e) {
      const char c = *p;
      if (c == ' ' || c == '\t' || c == '\r') {
        ++p;
      } else if (c == '\n') {
        ++newlines;
        lineStart = ++p;
      } else {
        break;
      }
    }
  };
  auto text = [&](std::string_view& out) SEUFIT_INLINE {
    if (p == e || *p != '"') return false;
    const char* s = ++p;
    p = plainEnd(p, e);
    if (p == e || *p != '"') return false;
    out = std::string_view(s, static_cast<size_t>(p++ - s));
    return true;
  };
  // After a member: a comma and the next key's quote, or the end of the object.
  auto next = [&](bool& more) SEUFIT_INLINE {
    space();
    if (p == e) return false;
    if (*p == '}') {
      ++p;
      more = false;
      return true;
    }
    if (*p != ',') return false;
    ++p;
    space();
    more = true;
    return p < e && *p == '"';
  };
  std::string_view name, target, site, key;
  bool haveName = false, haveCell = false, haveSite = false, haveAttrs = false;
  const char* cellAt = nullptr;
  int cellNewlines = 0;
  const char* cellLineStart = nullptr;
  HDAttrView* const attrs = fastAttrs_;
  size_t nattrs = 0;
  space();
  if (p == e || *p != '"') return false;
  for (bool more = true; more;) {
    if (!text(key)) return false;
    space();
    if (p == e || *p != ':') return false;
    ++p;
    space();
    if (is(key, "name") && !haveName) {
      if (!text(name) || name.empty()) return false;
      haveName = true;
    } else if (is(key, "cell") && !haveCell) {
      cellAt = p;
      cellNewlines = newlines;
      cellLineStart = lineStart;
      if (!text(target) || target.empty()) return false;
      haveCell = true;
    } else if (is(key, "site") && !haveSite) {
      if (!text(site) || site.empty()) return false;
      haveSite = true;
    } else if (is(key, "attributes") && !haveAttrs) {
      haveAttrs = true;
      if (p == e || *p != '{') return false;
      ++p;
      space();
      if (p < e && *p == '}') {
        ++p;
      } else {
        for (bool inner = true; inner;) {
          if (nattrs == kFastAttrs) return false;
          HDAttrView& a = attrs[nattrs];
          a = HDAttrView();
          if (!text(a.name) || a.name.empty()) return false;
          for (size_t k = 0; k < nattrs; ++k)
            if (same(attrs[k].name, a.name)) return false;
          space();
          if (p == e || *p != ':') return false;
          ++p;
          space();
          if (p == e) return false;
          const char c = *p;
          if (c == '"') {
            if (!text(a.text)) return false;
            a.kind = HATAttr::TEXT;
          } else if (c == 't' || c == 'f') {
            const std::string_view word = c == 't' ? "true" : "false";
            if (static_cast<size_t>(e - p) < word.size() ||
                std::string_view(p, word.size()) != word)
              return false;
            p += word.size();
            a.kind = HATAttr::BOOL;
            a.i = c == 't';
          } else if (c == '-' || (c >= '0' && c <= '9')) {
            // Integers of up to 18 digits, which fit any 64-bit value; others the slow way.
            const bool neg = c == '-';
            const char* d = neg ? p + 1 : p;
            const char* q = d;
            int64_t v = 0;
            while (q < e && *q >= '0' && *q <= '9' && q - d < 18) v = v * 10 + (*q++ - '0');
            if (q < e && *q >= '0' && *q <= '9') return false;
            const size_t digits = static_cast<size_t>(q - d);
            if (digits == 0 || digits > 18 || (*d == '0' && digits > 1)) return false;
            if (q < e && (*q == '.' || *q == 'e' || *q == 'E')) return false;
            p = q;
            v = neg ? -v : v;
            a.kind = v >= INT32_MIN && v <= INT32_MAX ? HATAttr::INT : HATAttr::LONG;
            a.i = v;
          } else {
            return false;
          }
          ++nattrs;
          if (!next(inner)) return false;
        }
      }
    } else {
      return false;
    }
    if (!next(more)) return false;
  }
  if (!haveName || !haveCell) return false;

  // Every check passed: the same effect as reading the object the ordinary way.
  const HDJsonPos op = r.rawPos(open, 0, nullptr);
  names_.add(name, ctx_.index(), op);
  // Instances name few cells and primitives, mostly the same few in turn.
  HDSymbol* sym = nullptr;
  for (const RecentSymbol& c : recent_)
    if (c.symbol && same(c.name, target)) sym = c.symbol;
  if (!sym) {
    RecentSymbol& c = recent_[recentNext_++ % kRecent];
    c.name.assign(target.data(), target.size());
    c.symbol = sym = d_.symbol(c.name);
  }
  HDAHInstance* inst = sym->uses == 0
                           ? d_.addInstanceOf(cell, name, sym, ctx_.currentPath(".cell"),
                                              r.rawPos(cellAt, cellNewlines, cellLineStart))
                           : d_.addInstanceOf(cell, name, sym, std::string(), HDJsonPos());
  if (haveSite) HDDesignBuilder::setSite(cell, inst, site);
  if (nattrs) HDDesignBuilder::appendAttrs(cell, inst, attrs, nattrs);
  r.commitRaw(p, newlines, lineStart);
  return true;
}

bool HDDesignFileReader::parseAttributes(HDJsonReader& r) {
  if (!ctx_.expect(r, HDJsonReader::OBJECT, ".attributes", "an object of attribute values by name"))
    return false;
  r.beginObject();
  bool ok = true;
  std::unordered_set<std::string> many;  // used once an instance has many attributes
  while (r.nextKey(attrName_)) {
    const HDJsonPos kp = r.pos();
    const std::string* nm = &attrName_;
    if (nm->empty()) {
      ctx_.problem(kp, ".attributes" + hdKeySeg(*nm), "an attribute name must not be empty");
      r.skipValue();
      ok = false;
      continue;
    }
    bool dup = false;
    if (attrs_.size() < 16) {
      for (const auto& kv : attrs_) dup |= kv.first == *nm;
    } else {
      if (many.empty())
        for (const auto& kv : attrs_) many.insert(kv.first);
      dup = !many.insert(*nm).second;
    }
    if (dup) {
      ctx_.problem(kp, ".attributes" + hdKeySeg(*nm),
                   "attribute " + hdQuoted(*nm) + " appears twice in an instance");
      r.skipValue();
      ok = false;
      continue;
    }
    HATAttr value;
    if (parseAttrValue(r, value)) {
      attrs_.emplace_back(*nm, std::move(value));
    } else {
      ok = false;
    }
  }
  return ok;
}

bool HDDesignFileReader::numberAttr(const HDJsonNumber& n, HDJsonPos p, HATAttr& out) {
  if (n.integer) {
    if (!n.fitsInt64) {
      ctx_.problem(
          p, ".attributes" + hdKeySeg(attrName_),
          "integer " + n.text +
              " is out of range of a 64-bit integer; write a double such as 1e20 or a text");
      return false;
    }
    if (n.i >= std::numeric_limits<int32_t>::min() && n.i <= std::numeric_limits<int32_t>::max())
      out = HATAttr::makeInt(static_cast<int32_t>(n.i));
    else
      out = HATAttr::makeLong(n.i);
    return true;
  }
  if (n.overflow) {
    ctx_.problem(p, ".attributes" + hdKeySeg(attrName_),
                 "number " + n.text + " is out of range of a double");
    return false;
  }
  out = HATAttr::makeDouble(n.d);
  return true;
}

bool HDDesignFileReader::parseAttrValue(HDJsonReader& r, HATAttr& out) {
  const Type t = r.peek();
  const HDJsonPos p = r.pos();
  switch (t) {
    case HDJsonReader::BOOL:
      out = HATAttr::makeBool(r.readBool());
      return true;
    case HDJsonReader::STRING:
      r.readString(str_);
      out = HATAttr::makeString(str_);
      return true;
    case HDJsonReader::NUMBER:
      r.readNumber(ctx_.num_);
      return numberAttr(ctx_.num_, p, out);
    case HDJsonReader::OBJECT:
      return parseTypedValue(r, out);
    default:
      break;
  }
  ctx_.problem(p, ".attributes" + hdKeySeg(attrName_),
               std::string("expected an attribute value (true or false, a number, a string, or a "
                           "typed value such as {\"long\": 5}), found ") +
                   HDJsonReader::typeName(t));
  r.skipValue();
  return false;
}

bool HDDesignFileReader::parseTypedValue(HDJsonReader& r, HATAttr& out) {
  const std::string sfx = ".attributes" + hdKeySeg(attrName_);
  r.beginObject();
  const HDJsonPos op = r.pos();
  std::string kind;
  if (!r.nextKey(kind)) {
    ctx_.problem(op, sfx,
                 "a typed value has one key: bool, int, long, double, string or other; found {}");
    return false;
  }
  const std::string ksfx = sfx + hdKeySeg(kind);
  const HDJsonPos kp = r.pos();
  bool ok = true;
  int64_t v = 0;
  if (kind == "bool") {
    bool b = false;
    ok = ctx_.readFlag(r, ksfx, b);
    if (ok) out = HATAttr::makeBool(b);
  } else if (kind == "int") {
    ok = ctx_.readInteger(r, ksfx, std::numeric_limits<int32_t>::min(),
                          std::numeric_limits<int32_t>::max(), v, "a 32-bit integer");
    if (ok) out = HATAttr::makeInt(static_cast<int32_t>(v));
  } else if (kind == "long") {
    ok = ctx_.readInteger(r, ksfx, std::numeric_limits<int64_t>::min(),
                          std::numeric_limits<int64_t>::max(), v, "a 64-bit integer");
    if (ok) out = HATAttr::makeLong(v);
  } else if (kind == "double") {
    ok = ctx_.expect(r, HDJsonReader::NUMBER, ksfx, "a number");
    if (ok) {
      const HDJsonPos p = r.pos();
      r.readNumber(ctx_.num_);
      if (ctx_.num_.overflow) {
        ctx_.problem(p, ksfx, "number " + ctx_.num_.text + " is out of range of a double");
        ok = false;
      } else {
        out = HATAttr::makeDouble(ctx_.num_.d);
      }
    }
  } else if (kind == "string") {
    ok = ctx_.expect(r, HDJsonReader::STRING, ksfx, "a string");
    if (ok) {
      r.readString(str_);
      out = HATAttr::makeString(str_);
    }
  } else if (kind == "other") {
    std::string raw;
    r.skipValue(&raw);
    out = HATAttr::makeOther(raw);
  } else {
    ctx_.problem(kp, ksfx,
                 "unknown value kind " + hdQuoted(kind) +
                     "; expected bool, int, long, double, string or other");
    r.skipValue();
    ok = false;
  }
  if (r.nextKey(kind)) {
    ctx_.problem(r.pos(), sfx + hdKeySeg(kind),
                 "a typed value has exactly one key; found " + hdQuoted(kind) + " as well");
    r.skipValue();
    while (r.nextKey(kind)) r.skipValue();
    ok = false;
  }
  return ok;
}

// ---- sites -----------------------------------------------------------------------

void HDDesignFileReader::parseSites(HDJsonReader& r) {
  forEachNamedEntry(
      r, "an object of sites by name", "site", "listed",
      [&](const std::string& name) -> const HDJsonPos* {
        auto it = siteNames_.find(name);
        return it == siteNames_.end() ? nullptr : &it->second;
      },
      [&](const std::string& name, HDJsonPos kp) {
        siteNames_.emplace(name, kp);
        ctx_.pushKey(name);
        if (ctx_.expect(r, HDJsonReader::ARRAY, "", "a list of site elements")) {
          auto site = std::make_unique<HDSMSite>();
          site->name = name;
          forEachObjectOrNull(
              r, "a site element {\"element\": ..., \"config\": [...]} or null",
              [&] { site->elements.push_back(nullptr); },
              [&] { site->elements.push_back(parseElement(r)); });
          d_.sites.push_back(std::move(site));
        }
        ctx_.pop();
      });
}

std::unique_ptr<HDSMElement> HDDesignFileReader::parseElement(HDJsonReader& r) {
  auto el = std::make_unique<HDSMElement>();
  r.beginObject();
  const HDJsonPos op = r.pos();
  enum Key { ELEMENT, CONFIG };
  static const std::vector<const char*> keys = {"element", "config"};
  unsigned seen = 0;
  while (r.nextKey(key_)) {
    const int k = ctx_.objectKey(r, key_, keys, seen, "a site element");
    if (k < 0) continue;
    if (k == ELEMENT) {
      ctx_.readText(r, ".element", el->name, "the element name (a non-empty string)", true);
      continue;
    }
    if (!ctx_.expect(r, HDJsonReader::ARRAY, ".config",
                     "a list of configuration values [attribute, value]"))
      continue;
    r.beginArray();
    ctx_.pushKey("config");
    ctx_.pushIndex();
    for (long i = 0; r.nextElement(); ++i) {
      ctx_.setIndex(i);
      const Type t = r.peek();
      if (t == HDJsonReader::NUL) {
        r.readNull();
        el->values.push_back(nullptr);
        continue;
      }
      if (!ctx_.expect(r, HDJsonReader::ARRAY, "",
                       "a configuration value [attribute, value] or null"))
        continue;
      const HDJsonPos ap = r.pos();
      r.beginArray();
      std::string attr, value;
      int items = 0;
      bool ok = true;
      while (r.nextElement()) {
        ++items;
        if (items == 1) {
          ok &= ctx_.readText(r, "[0]", attr, "the attribute name (a non-empty string)", true);
        } else if (items == 2) {
          ok &= ctx_.readText(r, "[1]", value, "the value as a string", false);
        } else {
          if (items == 3)
            ctx_.problem(r.pos(), "", "a configuration value is a pair [attribute, value]");
          r.skipValue();
          ok = false;
        }
      }
      if (items < 2) {
        ctx_.problem(ap, "", "a configuration value is a pair [attribute, value]");
        ok = false;
      }
      if (ok) el->values.push_back(std::make_unique<HDDMElementCfgValue>(attr, value));
    }
    ctx_.pop();
    ctx_.pop();
  }
  if (!HDLoadContext::has(seen, ELEMENT))
    ctx_.problem(op, "", "missing key \"element\" in a site element");
  return el;
}

namespace {
void readDesignFile(HDInput& input, HDLoadContext& ctx, HDDesignAssembly& design,
                    const HDNetlistOptions&) {
  HDJsonReader r;
  r.open(input);
  try {
    HDDesignFileReader(ctx, design).parseDocument(r);
  } catch (const HDJsonSyntaxError& e) {
    ctx.problemAt(input.name(), e.pos, ctx.currentPath(""),
                  std::string("JSON syntax error: ") + e.what());
    throw HDStopLoading();
  }
}
}  // namespace

// Anything that no other front end claims is read as a design file, whose messages then
// say what is wrong with it.
const HDFrontEnd kHDDesignFileFrontEnd = {"seufit design file", false,
                                          [](std::string_view) { return true; }, readDesignFile};
