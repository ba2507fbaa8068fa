#include "host/design/HDesignLoader.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <limits>
#include <unordered_map>
#include <unordered_set>

#include "host/design/HDJsonReader.h"
#include "host/env/HUTEnv.h"
#include "host/msg/ComMsgMgr.h"
#include "host/str/HSTJson.h"

namespace {

struct DesignTexts {
  DesignTexts() {
    using ComMsgMgr::registerText;
    registerText("1-20", "{1}: {2}");
    registerText("1-21", "{1}:{2}:{3}: {4}");
    registerText("1-22", "{1}:{2}:{3}: {5} (at {4})");
    registerText("1-23", "{1}: {3} (at {2})");
  }
} designTexts;

struct StopLoading {};

// Keys of every instance, compared as std::string_view to spare a strlen per test.
constexpr std::string_view kName = "name", kCell = "cell", kSite = "site",
                           kAttributes = "attributes";

using Type = HDJsonReader::Type;

bool isIdentifier(const std::string& k) {
  if (k.empty()) return false;
  for (size_t i = 0; i < k.size(); ++i) {
    const char c = k[i];
    const bool alpha = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
    const bool digit = c >= '0' && c <= '9';
    if (!(alpha || (digit && i > 0))) return false;
  }
  return true;
}

// One step of a JSON path: ".key", "[\"odd key\"]" or "[3]".
std::string keySeg(const std::string& k) {
  return isIdentifier(k) ? "." + k : "[" + HSTJson::quote(k) + "]";
}

std::string quoted(const std::string& s) { return HSTJson::quote(s); }

std::string joinNames(const std::vector<std::string>& names, size_t max) {
  std::string out;
  for (size_t i = 0; i < names.size() && i < max; ++i) out += (i ? ", " : "") + names[i];
  if (names.size() > max) out += ", ... (" + std::to_string(names.size()) + " in all)";
  return out;
}

// Names joined by `sep`; a list longer than twice `head` keeps its first `head` and last
// `tail` names with "..." between them, so that a message stays readable.
std::string joinElided(const std::vector<std::string>& names, const std::string& sep, size_t head,
                       size_t tail) {
  std::string out;
  for (size_t i = 0; i < names.size(); ++i) {
    if (i == head && names.size() > 2 * head) {
      out += sep + "...";
      i = names.size() - tail;
    }
    out += (i ? sep : "") + names[i];
  }
  return out;
}

std::string posText(HDJsonPos p) {
  return "line " + std::to_string(p.line) + ", column " + std::to_string(p.column);
}

// Instance names of one cell, for the duplicate check. Names are recorded as hash and
// index while the cell is read and sorted once at its end: a hash table probed per
// instance would miss the cache on every probe in cells of millions of instances.
class InstanceNames {
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

struct PartSpec {
  std::string name, device, archId, library;
  int archType = 0;
  bool hasConfigBits = false;
  uint32_t configBits = 0;
  bool hasLibrary = false;
};

// A name that instances refer to: a cell of the file, a primitive, or nothing.
struct Symbol {
  std::string name;
  HDAHCellview* cell = nullptr;  // defined under cells
  std::string defFile, defPath;
  HDJsonPos defPos;
  std::unique_ptr<HDAHCellview> placeholder;  // stands in until the name is resolved
  size_t uses = 0;
  std::string useFile, usePath;
  HDJsonPos usePos;
};

// A cell definition: a cell, or a primitive's contents.
struct Definition {
  HDAHCellview* cell;
  std::string label;  // "cell \"top\"" or "contents of primitive \"HBM2\""
  std::string name;
  std::string file, path;
  HDJsonPos pos;
};

struct PrimInfo {
  HDPrimitive* prim = nullptr;
  bool fromDesign = false;
  std::string file, path;
  HDJsonPos pos;
};

struct PathSeg {
  std::string key;
  long index = -1;  // array index, or -1 for a key
};

class Loader {
 public:
  Loader(const std::string& file, std::vector<HDLoadProblem>& problems)
      : designFile_(file),
        file_(file),
        problems_(problems),
        start_(problems.size()),
        fp_(new HFLFloorplan) {}

  std::unique_ptr<HFLFloorplan> run(HDJsonReader& r) {
    try {
      try {
        parseDocument(r);
      } catch (const HDJsonSyntaxError& e) {
        problemAt(file_, e.pos, currentPath(""), std::string("JSON syntax error: ") + e.what());
        return nullptr;
      }
      finish();
    } catch (const StopLoading&) {
      return nullptr;
    }
    if (problems_.size() != start_) return nullptr;
    return std::move(fp_);
  }

 private:
  // ---- problems and paths ----------------------------------------------------------

  std::string currentPath(std::string_view suffix) const {
    std::string out;
    for (const PathSeg& s : path_)
      out += s.index >= 0 ? "[" + std::to_string(s.index) + "]" : s.key;
    out += suffix;
    if (!out.empty() && out[0] == '.') out.erase(0, 1);
    return out;
  }

  void problemAt(const std::string& file, HDJsonPos p, const std::string& path,
                 const std::string& msg) {
    if (problems_.size() >= HDDesignLoader::kMaxProblems) {
      HDLoadProblem note;
      note.file = designFile_;
      note.message = "more problems were found; only the first " +
                     std::to_string(HDDesignLoader::kMaxProblems) + " are listed";
      problems_.push_back(note);
      throw StopLoading();
    }
    HDLoadProblem pr;
    pr.file = file;
    pr.line = p.line;
    pr.column = p.column;
    pr.jsonPath = path;
    pr.message = msg;
    problems_.push_back(std::move(pr));
  }

  void problem(HDJsonPos p, std::string_view suffix, const std::string& msg) {
    problemAt(file_, p, currentPath(suffix), msg);
  }

  void pushKey(const std::string& k) { path_.push_back({keySeg(k), -1}); }
  void pushIndex() { path_.push_back({std::string(), 0}); }
  void pop() { path_.pop_back(); }

  // ---- typed reads -----------------------------------------------------------------

  // True when the next value has type `t`; otherwise a problem, the value is skipped.
  bool expect(HDJsonReader& r, Type t, std::string_view suffix, std::string_view what) {
    const Type got = r.peek();
    if (got == t) return true;
    if (got == HDJsonReader::END) r.skipValue();  // a syntax error: the input ended
    problem(r.pos(), suffix,
            "expected " + std::string(what) + ", found " + HDJsonReader::typeName(got));
    r.skipValue();
    return false;
  }

  bool readText(HDJsonReader& r, std::string_view suffix, std::string& out, std::string_view what,
                bool nonEmpty) {
    if (!expect(r, HDJsonReader::STRING, suffix, what)) return false;
    const HDJsonPos p = r.pos();
    r.readString(out);
    if (nonEmpty && out.empty()) {
      problem(p, suffix, "expected " + std::string(what) + ", found an empty string");
      return false;
    }
    return true;
  }

  bool readInteger(HDJsonReader& r, std::string_view suffix, int64_t lo, int64_t hi, int64_t& out,
                   std::string_view what) {
    const auto wanted = [&]() {
      return std::string(what) + " from " + std::to_string(lo) + " to " + std::to_string(hi);
    };
    if (r.peek() != HDJsonReader::NUMBER) return expect(r, HDJsonReader::NUMBER, suffix, wanted());
    const HDJsonPos p = r.pos();
    r.readNumber(num_);
    if (!num_.integer) {
      problem(p, suffix, "expected " + wanted() + ", found " + num_.text);
      return false;
    }
    if (!num_.fitsInt64 || num_.i < lo || num_.i > hi) {
      problem(p, suffix, "number " + num_.text + " is out of range; expected " + wanted());
      return false;
    }
    out = num_.i;
    return true;
  }

  bool readFlag(HDJsonReader& r, std::string_view suffix, bool& out) {
    if (!expect(r, HDJsonReader::BOOL, suffix, "true or false")) return false;
    out = r.readBool();
    return true;
  }

  // Index of `key` in `keys`, or -1 after a problem (unknown key) with the value skipped;
  // -2 after a problem for a key met twice.
  int objectKey(HDJsonReader& r, const std::string& key, const std::vector<const char*>& keys,
                unsigned& seen, const char* what) {
    const HDJsonPos kp = r.pos();
    for (size_t i = 0; i < keys.size(); ++i) {
      if (key != keys[i]) continue;
      if (seen & (1u << i)) {
        problem(kp, keySeg(key), "key " + quoted(key) + " appears twice in " + what);
        r.skipValue();
        return -2;
      }
      seen |= 1u << i;
      return static_cast<int>(i);
    }
    std::string list;
    for (size_t i = 0; i < keys.size(); ++i)
      list += std::string(i == 0 ? "" : i + 1 == keys.size() ? " and " : ", ") + keys[i];
    problem(kp, keySeg(key), "unknown key " + quoted(key) + " in " + what + "; expected " + list);
    r.skipValue();
    return -1;
  }

  // ---- the design file -------------------------------------------------------------

  void parseDocument(HDJsonReader& r) {
    const Type t = r.peek();
    if (t == HDJsonReader::END) {
      problemAt(file_, {}, "",
                "the file is empty; expected a design object {\"seufit_design\": 1, ...}");
      return;
    }
    if (t != HDJsonReader::OBJECT) {
      problem(r.pos(), "",
              std::string("expected a design object {\"seufit_design\": 1, ...}, found ") +
                  HDJsonReader::typeName(t));
      r.skipValue();
      r.expectEnd();
      return;
    }
    r.beginObject();
    const HDJsonPos objPos = r.pos();
    static const std::vector<const char*> keys = {"seufit_design", "part",  "top",  "constraints",
                                                  "primitives",    "cells", "sites"};
    unsigned seen = 0;
    while (r.nextKey(key_)) {
      const int k = objectKey(r, key_, keys, seen, "the design");
      if (k < 0) continue;
      pushKey(key_);
      switch (k) {
        case 0:
          parseVersion(r);
          break;
        case 1:
          parsePartValue(r);
          break;
        case 2:
          if (readText(r, "", topName_, "the name of the top cell", true)) haveTop_ = true;
          topPos_ = r.pos();
          break;
        case 3:
          parseConstraints(r);
          break;
        case 4:
          parseDesignPrimitives(r);
          break;
        case 5:
          parseCells(r);
          break;
        case 6:
          parseSites(r);
          break;
      }
      pop();
    }
    r.expectEnd();
    if (!(seen & 1))
      problem(objPos, "",
              "missing key \"seufit_design\": expected \"seufit_design\": 1 (is this a seufit "
              "design file?)");
    if (!(seen & 2))
      problem(objPos, "",
              "missing key \"part\": expected a part name of parts.json or an inline part object");
    if (!(seen & 4)) problem(objPos, "", "missing key \"top\": expected the name of the top cell");
    haveCells_ = (seen & 32) != 0;
    if (!haveCells_)
      problem(objPos, "", "missing key \"cells\": expected an object of cell definitions");
  }

  void parseVersion(HDJsonReader& r) {
    if (!expect(r, HDJsonReader::NUMBER, "", "the format version 1")) return;
    const HDJsonPos p = r.pos();
    r.readNumber(num_);
    if (!(num_.integer && num_.fitsInt64 && num_.i == 1))
      problem(p, "", "unsupported format version " + num_.text + "; this seufit reads version 1");
  }

  void parsePartValue(HDJsonReader& r) {
    havePart_ = true;
    partPos_ = r.peek() == HDJsonReader::END ? HDJsonPos() : r.pos();
    const Type t = r.peek();
    if (t == HDJsonReader::STRING) {
      partInline_ = false;
      partOk_ = readText(r, "", partName_, "a part name", true);
    } else if (t == HDJsonReader::OBJECT) {
      partInline_ = true;
      partOk_ = parsePartObject(r, part_);
    } else {
      expect(r, HDJsonReader::STRING, "", "a part name of parts.json or an inline part object");
      partOk_ = false;
    }
  }

  bool parsePartObject(HDJsonReader& r, PartSpec& p) {
    r.beginObject();
    const HDJsonPos op = r.pos();
    static const std::vector<const char*> keys = {"name",      "device",      "arch_id",
                                                  "arch_type", "config_bits", "library"};
    unsigned seen = 0;
    bool ok = true;
    int64_t v = 0;
    while (r.nextKey(key_)) {
      const int k = objectKey(r, key_, keys, seen, "a part");
      if (k < 0) {
        ok = false;
        continue;
      }
      const std::string sfx = keySeg(key_);
      switch (k) {
        case 0:
          ok &= readText(r, sfx, p.name, "the part name (a non-empty string)", true);
          break;
        case 1:
          ok &= readText(r, sfx, p.device, "the device name (a non-empty string)", true);
          break;
        case 2:
          ok &= readText(r, sfx, p.archId, "the architecture id (a non-empty string)", true);
          break;
        case 3:
          if (readInteger(r, sfx, std::numeric_limits<int32_t>::min(),
                          std::numeric_limits<int32_t>::max(), v, "an architecture type"))
            p.archType = static_cast<int>(v);
          else
            ok = false;
          break;
        case 4:
          if (readInteger(r, sfx, 0, 4294967295LL, v, "a configuration-bit count")) {
            p.hasConfigBits = true;
            p.configBits = static_cast<uint32_t>(v);
          } else {
            ok = false;
          }
          break;
        case 5:
          p.hasLibrary = readText(r, sfx, p.library, "a primitive library name", true);
          ok &= p.hasLibrary;
          break;
      }
    }
    static const char* const required[] = {"name", "device", "arch_id", "arch_type"};
    for (int i = 0; i < 4; ++i)
      if (!(seen & (1u << i))) {
        problem(op, "",
                std::string("missing key \"") + required[i] +
                    "\" in the part; a part has name, device, arch_id, arch_type and optionally "
                    "config_bits and library");
        ok = false;
      }
    return ok;
  }

  // Walks a list whose entries are objects or null (an empty entry).
  template <typename OnNull, typename OnObject>
  void forEachObjectOrNull(HDJsonReader& r, const char* expectedEntry, OnNull onNull,
                           OnObject onObject) {
    r.beginArray();
    pushIndex();
    for (long i = 0; r.nextElement(); ++i) {
      path_.back().index = i;
      const Type t = r.peek();
      if (t == HDJsonReader::NUL) {
        r.readNull();
        onNull();
      } else if (t == HDJsonReader::OBJECT) {
        onObject();
      } else {
        expect(r, HDJsonReader::OBJECT, "", expectedEntry);
      }
    }
    pop();
  }

  void parseConstraints(HDJsonReader& r) {
    if (!expect(r, HDJsonReader::ARRAY, "", "a list of constraints")) return;
    constraints_.reset(new HDCSet);
    forEachObjectOrNull(
        r, "a constraint object or null", [&] { constraints_->add(nullptr); },
        [&] { parseConstraint(r); });
  }

  void parseConstraint(HDJsonReader& r) {
    r.beginObject();
    std::string type, altitude;
    bool haveAltitude = false, altitudeBad = false, seenType = false, seenAltitude = false;
    HDJsonPos altitudePos;
    while (r.nextKey(key_)) {
      const HDJsonPos kp = r.pos();
      if (key_ == "type" || key_ == "altitude") {
        bool& seenIt = key_ == "type" ? seenType : seenAltitude;
        if (seenIt) {
          problem(kp, keySeg(key_), "key " + quoted(key_) + " appears twice in a constraint");
          r.skipValue();
          continue;
        }
        seenIt = true;
      }
      if (key_ == "type") {
        readText(r, ".type", type, "the constraint type (a string)", false);
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
        problem(altitudePos, ".altitude",
                "expected the altitude unit as a string, such as \"feet\"");
      constraints_->add(std::make_unique<HASCSetUnits>(haveAltitude ? altitude : std::string()));
    } else {
      constraints_->add(std::make_unique<HDCOther>(type));
    }
  }

  // ---- primitives ------------------------------------------------------------------

  // Walks an object of named entries (primitives, cells, sites). An empty name, or one
  // that `earlier` says was seen before, is a problem and its value is skipped; `entry`
  // reads the value of every other name.
  template <typename Earlier, typename Entry>
  void forEachNamedEntry(HDJsonReader& r, const char* expected, const std::string& kind,
                         const char* twice, Earlier earlier, Entry entry) {
    if (!expect(r, HDJsonReader::OBJECT, "", expected)) return;
    r.beginObject();
    std::string name;
    while (r.nextKey(name)) {
      const HDJsonPos kp = r.pos();
      if (name.empty()) {
        problem(kp, keySeg(name), "a " + kind + " name must not be empty");
        r.skipValue();
        continue;
      }
      if (const HDJsonPos* first = earlier(name)) {
        problem(kp, keySeg(name),
                kind + " " + quoted(name) + " is " + twice + " twice (first at " + posText(*first) +
                    ")");
        r.skipValue();
        continue;
      }
      entry(name, kp);
    }
  }

  void parseDesignPrimitives(HDJsonReader& r) {
    forEachNamedEntry(
        r, "an object of primitives by name", "primitive", "defined",
        [&](const std::string& name) -> const HDJsonPos* {
          auto it = prims_.find(name);
          return it == prims_.end() ? nullptr : &it->second.pos;
        },
        [&](const std::string& name, HDJsonPos kp) {
          pushKey(name);
          PrimInfo info;
          info.fromDesign = true;
          info.file = file_;
          info.path = currentPath("");
          info.pos = kp;
          info.prim = parsePrimitiveDef(r, name);
          prims_[name] = info;
          pop();
        });
  }

  HDPrimitive* parsePrimitiveDef(HDJsonReader& r, const std::string& name) {
    if (!expect(r, HDJsonReader::OBJECT, "", "a primitive object {\"class\": ..., \"code\": ...}"))
      return nullptr;
    r.beginObject();
    const HDJsonPos op = r.pos();
    HDPrimitive* prim = fp_->addPrimitive(name);
    static const std::vector<const char*> keys = {"class", "code", "attributes", "contents"};
    unsigned seen = 0;
    int64_t v = 0;
    std::string s;
    while (r.nextKey(key_)) {
      const int k = objectKey(r, key_, keys, seen, "a primitive");
      if (k < 0) continue;
      const std::string sfx = keySeg(key_);
      if (k == 0) {
        const Type t = r.peek();
        if (t == HDJsonReader::STRING) {
          addClass(r, sfx, *prim);
        } else if (t == HDJsonReader::ARRAY) {
          const HDJsonPos ap = r.pos();
          r.beginArray();
          pushKey(key_);
          pushIndex();
          for (long i = 0; r.nextElement(); ++i) {
            path_.back().index = i;
            addClass(r, "", *prim);
          }
          pop();
          pop();
          if (prim->classes == 0)
            problem(ap, sfx,
                    "a primitive needs at least one class: ramb, fifo, yram, hbm or other");
        } else {
          expect(r, HDJsonReader::STRING, sfx, "a class name or a list of class names");
        }
      } else if (k == 1) {
        if (readInteger(r, sfx, 0, 4294967295LL, v, "a library-cell code"))
          prim->code = static_cast<uint32_t>(v);
      } else if (k == 2) {
        if (!expect(r, HDJsonReader::ARRAY, sfx, "a list of attribute names")) continue;
        r.beginArray();
        pushKey(key_);
        pushIndex();
        for (long i = 0; r.nextElement(); ++i) {
          path_.back().index = i;
          if (readText(r, "", s, "an attribute name (a non-empty string)", true))
            prim->attributes.push_back(s);
        }
        pop();
        pop();
      } else {
        if (r.peek() != HDJsonReader::OBJECT) {
          expect(r, HDJsonReader::OBJECT, sfx, "a cell definition");
          continue;
        }
        pushKey(key_);
        HDAHCellview* cv = fp_->addContents(name);
        defs_.push_back(
            {cv, "contents of primitive " + quoted(name), name, file_, currentPath(""), r.pos()});
        prim->contents = cv;
        parseCellBody(r, cv);
        pop();
      }
    }
    if (!(seen & 1))
      problem(op, "",
              "missing key \"class\" in primitive " + quoted(name) +
                  "; expected one of ramb, fifo, yram, hbm, other or a list of them");
    if (!(seen & 2))
      problem(op, "",
              "missing key \"code\" in primitive " + quoted(name) +
                  "; expected the library-cell code (an integer)");
    return prim;
  }

  void addClass(HDJsonReader& r, const std::string& sfx, HDPrimitive& prim) {
    std::string c;
    if (!readText(r, sfx, c, "a class name: ramb, fifo, yram, hbm or other", false)) return;
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
    problem(r.pos(), sfx,
            "unknown primitive class " + quoted(c) + "; expected ramb, fifo, yram, hbm or other");
  }

  // ---- cells -----------------------------------------------------------------------

  Symbol* symbol(const std::string& name) {
    auto it = symIndex_.find(name);
    if (it != symIndex_.end()) return it->second;
    syms_.push_back(std::make_unique<Symbol>());
    Symbol* s = syms_.back().get();
    s->name = name;
    symIndex_.emplace(name, s);
    return s;
  }

  void parseCells(HDJsonReader& r) {
    forEachNamedEntry(
        r, "an object of cell definitions by name", "cell", "defined",
        [&](const std::string& name) -> const HDJsonPos* {
          Symbol* s = symbol(name);
          return s->cell ? &s->defPos : nullptr;
        },
        [&](const std::string& name, HDJsonPos kp) {
          Symbol* s = symbol(name);
          pushKey(name);
          s->cell = fp_->addCell(name);
          s->defFile = file_;
          s->defPath = currentPath("");
          s->defPos = kp;
          defs_.push_back({s->cell, "cell " + quoted(name), name, file_, s->defPath, kp});
          parseCellBody(r, s->cell);
          pop();
        });
  }

  void parseCellBody(HDJsonReader& r, HDAHCellview* cell) {
    if (!expect(r, HDJsonReader::OBJECT, "",
                "a cell object {\"instances\": [...], \"nets\": N, ...}"))
      return;
    r.beginObject();
    static const std::vector<const char*> keys = {"instances", "nets", "bus_nets", "black_box"};
    unsigned seen = 0;
    int64_t nets = 0, busNets = 0;
    bool blackBox = false;
    while (r.nextKey(key_)) {
      const int k = objectKey(r, key_, keys, seen, "a cell");
      if (k < 0) continue;
      const std::string sfx = keySeg(key_);
      if (k == 0) {
        if (!expect(r, HDJsonReader::ARRAY, sfx, "a list of instances")) continue;
        r.beginArray();
        pushKey("instances");
        pushIndex();
        names_.reset();
        for (long i = 0; r.nextElement(); ++i) {
          path_.back().index = i;
          parseInstance(r, cell);
        }
        pop();
        for (const auto& d : names_.duplicates(cell->instances()))
          problem(d.pos, "[" + std::to_string(d.element) + "].name",
                  "duplicate instance name " + quoted(d.name) + ": instances[" +
                      std::to_string(d.first) + "] of the same cell has it too");
        names_.reset();
        pop();
      } else if (k == 1) {
        readInteger(r, sfx, 0, std::numeric_limits<int32_t>::max(), nets, "a net count");
      } else if (k == 2) {
        readInteger(r, sfx, 0, std::numeric_limits<int32_t>::max(), busNets, "a bus-net count");
      } else {
        readFlag(r, sfx, blackBox);
      }
    }
    HDDesignBuilder::setNets(cell, static_cast<int>(nets), static_cast<int>(busNets));
    HDDesignBuilder::setBlackBox(cell, blackBox);
  }

  void parseInstance(HDJsonReader& r, HDAHCellview* cell) {
    if (!expect(r, HDJsonReader::OBJECT, "", "an instance object {\"name\": ..., \"cell\": ...}"))
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
        problem(r.pos(), keySeg(key_),
                "unknown key " + quoted(key_) +
                    " in an instance; expected name, cell, site and attributes");
        r.skipValue();
        ok = false;
        continue;
      }
      if (*seen) {
        problem(r.pos(), keySeg(key_), "key " + quoted(key_) + " appears twice in an instance");
        r.skipValue();
        ok = false;
        continue;
      }
      *seen = true;
      if (seen == &seenName) {
        haveName = readText(r, ".name", name_, "the instance name (a non-empty string)", true);
      } else if (seen == &seenCell) {
        haveCell = readText(r, ".cell", cellName_, "the name of a cell or primitive", true);
        cellPos = r.pos();
      } else if (seen == &seenSite) {
        haveSite = readText(r, ".site", site_, "a site name (a non-empty string)", true);
        ok &= haveSite;
      } else {
        ok &= parseAttributes(r);
      }
    }
    if (!seenName) problem(op, "", "missing key \"name\" in an instance");
    if (!seenCell) problem(op, "", "missing key \"cell\" in an instance");
    if (!haveName) return;
    // An instance with other problems still takes its name, for the duplicate check.
    names_.add(name_, cell->instances().size(), path_.back().index, op);
    const HDAHCellview* target = nullptr;
    if (haveCell) {
      Symbol* s = symbol(cellName_);
      if (s->uses++ == 0) {
        s->useFile = file_;
        s->usePath = currentPath(".cell");
        s->usePos = cellPos;
      }
      target = s->cell;
      if (!target) {
        if (!s->placeholder) {
          s->placeholder.reset(new HDAHCellview);
          HDDesignBuilder::setName(s->placeholder.get(), s->name);
          placeholders_.emplace(s->placeholder.get(), s);
        }
        target = s->placeholder.get();
      }
    }
    HDAHInstance* inst = HDDesignBuilder::addInstance(cell, name_, target, nullptr);
    if (!ok) return;  // the file is refused; nothing more to keep
    if (haveSite) HDDesignBuilder::setSite(inst, site_);
    if (!attrs_.empty()) HDDesignBuilder::appendAttrs(inst, attrs_);
  }

  bool parseAttributes(HDJsonReader& r) {
    if (!expect(r, HDJsonReader::OBJECT, ".attributes", "an object of attribute values by name"))
      return false;
    r.beginObject();
    bool ok = true;
    std::unordered_set<std::string> many;  // used once an instance has many attributes
    while (r.nextKey(attrName_)) {
      const HDJsonPos kp = r.pos();
      const std::string* nm = &attrName_;
      if (nm->empty()) {
        problem(kp, ".attributes" + keySeg(*nm), "an attribute name must not be empty");
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
        problem(kp, ".attributes" + keySeg(*nm),
                "attribute " + quoted(*nm) + " appears twice in an instance");
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

  bool numberAttr(const HDJsonNumber& n, HDJsonPos p, HATAttr& out) {
    if (n.integer) {
      if (!n.fitsInt64) {
        problem(p, ".attributes" + keySeg(attrName_),
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
      problem(p, ".attributes" + keySeg(attrName_),
              "number " + n.text + " is out of range of a double");
      return false;
    }
    out = HATAttr::makeDouble(n.d);
    return true;
  }

  bool parseAttrValue(HDJsonReader& r, HATAttr& out) {
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
        r.readNumber(num_);
        return numberAttr(num_, p, out);
      case HDJsonReader::OBJECT:
        return parseTypedValue(r, out);
      default:
        break;
    }
    problem(p, ".attributes" + keySeg(attrName_),
            std::string("expected an attribute value (true or false, a number, a string, or a "
                        "typed value such as {\"long\": 5}), found ") +
                HDJsonReader::typeName(t));
    r.skipValue();
    return false;
  }

  bool parseTypedValue(HDJsonReader& r, HATAttr& out) {
    const std::string sfx = ".attributes" + keySeg(attrName_);
    r.beginObject();
    const HDJsonPos op = r.pos();
    std::string kind;
    if (!r.nextKey(kind)) {
      problem(op, sfx,
              "a typed value has one key: bool, int, long, double, string or other; found {}");
      return false;
    }
    const std::string ksfx = sfx + keySeg(kind);
    const HDJsonPos kp = r.pos();
    bool ok = true;
    int64_t v = 0;
    if (kind == "bool") {
      bool b = false;
      ok = readFlag(r, ksfx, b);
      if (ok) out = HATAttr::makeBool(b);
    } else if (kind == "int") {
      ok = readInteger(r, ksfx, std::numeric_limits<int32_t>::min(),
                       std::numeric_limits<int32_t>::max(), v, "a 32-bit integer");
      if (ok) out = HATAttr::makeInt(static_cast<int32_t>(v));
    } else if (kind == "long") {
      ok = readInteger(r, ksfx, std::numeric_limits<int64_t>::min(),
                       std::numeric_limits<int64_t>::max(), v, "a 64-bit integer");
      if (ok) out = HATAttr::makeLong(v);
    } else if (kind == "double") {
      ok = expect(r, HDJsonReader::NUMBER, ksfx, "a number");
      if (ok) {
        const HDJsonPos p = r.pos();
        r.readNumber(num_);
        if (num_.overflow) {
          problem(p, ksfx, "number " + num_.text + " is out of range of a double");
          ok = false;
        } else {
          out = HATAttr::makeDouble(num_.d);
        }
      }
    } else if (kind == "string") {
      ok = expect(r, HDJsonReader::STRING, ksfx, "a string");
      if (ok) {
        r.readString(str_);
        out = HATAttr::makeString(str_);
      }
    } else if (kind == "other") {
      std::string raw;
      r.skipValue(&raw);
      out = HATAttr::makeOther(raw);
    } else {
      problem(kp, ksfx,
              "unknown value kind " + quoted(kind) +
                  "; expected bool, int, long, double, string or other");
      r.skipValue();
      ok = false;
    }
    if (r.nextKey(kind)) {
      problem(r.pos(), sfx + keySeg(kind),
              "a typed value has exactly one key; found " + quoted(kind) + " as well");
      r.skipValue();
      while (r.nextKey(kind)) r.skipValue();
      ok = false;
    }
    return ok;
  }

  // ---- sites -----------------------------------------------------------------------

  void parseSites(HDJsonReader& r) {
    forEachNamedEntry(
        r, "an object of sites by name", "site", "listed",
        [&](const std::string& name) -> const HDJsonPos* {
          auto it = siteNames_.find(name);
          return it == siteNames_.end() ? nullptr : &it->second;
        },
        [&](const std::string& name, HDJsonPos kp) {
          siteNames_.emplace(name, kp);
          pushKey(name);
          if (expect(r, HDJsonReader::ARRAY, "", "a list of site elements")) {
            auto site = std::make_unique<HDSMSite>();
            site->name = name;
            forEachObjectOrNull(
                r, "a site element {\"element\": ..., \"config\": [...]} or null",
                [&] { site->elements.push_back(nullptr); },
                [&] { site->elements.push_back(parseElement(r)); });
            sites_.push_back(std::move(site));
          }
          pop();
        });
  }

  std::unique_ptr<HDSMElement> parseElement(HDJsonReader& r) {
    auto el = std::make_unique<HDSMElement>();
    r.beginObject();
    const HDJsonPos op = r.pos();
    static const std::vector<const char*> keys = {"element", "config"};
    unsigned seen = 0;
    while (r.nextKey(key_)) {
      const int k = objectKey(r, key_, keys, seen, "a site element");
      if (k < 0) continue;
      if (k == 0) {
        readText(r, ".element", el->name, "the element name (a non-empty string)", true);
        continue;
      }
      if (!expect(r, HDJsonReader::ARRAY, ".config",
                  "a list of configuration values [attribute, value]"))
        continue;
      r.beginArray();
      pushKey("config");
      pushIndex();
      for (long i = 0; r.nextElement(); ++i) {
        path_.back().index = i;
        const Type t = r.peek();
        if (t == HDJsonReader::NUL) {
          r.readNull();
          el->values.push_back(nullptr);
          continue;
        }
        if (!expect(r, HDJsonReader::ARRAY, "", "a configuration value [attribute, value] or null"))
          continue;
        const HDJsonPos ap = r.pos();
        r.beginArray();
        std::string attr, value;
        int items = 0;
        bool ok = true;
        while (r.nextElement()) {
          ++items;
          if (items == 1) {
            ok &= readText(r, "[0]", attr, "the attribute name (a non-empty string)", true);
          } else if (items == 2) {
            ok &= readText(r, "[1]", value, "the value as a string", false);
          } else {
            if (items == 3)
              problem(r.pos(), "", "a configuration value is a pair [attribute, value]");
            r.skipValue();
            ok = false;
          }
        }
        if (items < 2) {
          problem(ap, "", "a configuration value is a pair [attribute, value]");
          ok = false;
        }
        if (ok) el->values.push_back(std::make_unique<HDDMElementCfgValue>(attr, value));
      }
      pop();
      pop();
    }
    if (!(seen & 1)) problem(op, "", "missing key \"element\" in a site element");
    return el;
  }

  // ---- catalogues ------------------------------------------------------------------

  // Opens a catalogue of the data directory; false after a problem.
  bool openCatalogue(const std::string& rel, HDJsonReader& r, std::string& path,
                     const std::string& why) {
    const std::string dir = HUTEnv::getOVKDataDir(rel);
    if (dir.empty()) {
      std::vector<std::string> dirs = HUTEnv::dataDirs();
      problemAt(designFile_, partPos_, "part",
                why + ", but no " + rel + " was found in the data directories (" +
                    joinNames(dirs, 10) + ")");
      return false;
    }
    path = dir + "/" + rel;
    std::string err;
    if (!r.openFile(path, err)) {
      problemAt(path, {}, "", "cannot read the catalogue: " + err);
      return false;
    }
    return true;
  }

  // Runs a catalogue parse with problems placed in the catalogue file.
  template <typename F>
  void inCatalogue(const std::string& path, HDJsonReader& r, F body) {
    const std::string savedFile = file_;
    std::vector<PathSeg> savedPath;
    savedPath.swap(path_);
    file_ = path;
    try {
      body();
      r.expectEnd();
    } catch (const HDJsonSyntaxError& e) {
      problemAt(file_, e.pos, currentPath(""), std::string("JSON syntax error: ") + e.what());
    }
    file_ = savedFile;
    path_.swap(savedPath);
  }

  bool catalogueHeader(HDJsonReader& r, const char* versionKey, const char* listKey, Type listType,
                       const std::function<void()>& list) {
    if (!expect(r, HDJsonReader::OBJECT, "",
                std::string("a catalogue object {\"") + versionKey + "\": 1, ...}"))
      return false;
    r.beginObject();
    const HDJsonPos op = r.pos();
    const std::vector<const char*> keys = {versionKey, "source", listKey};
    unsigned seen = 0;
    std::string source;
    while (r.nextKey(key_)) {
      const int k = objectKey(r, key_, keys, seen, "the catalogue");
      if (k < 0) continue;
      pushKey(key_);
      if (k == 0) {
        parseVersion(r);
      } else if (k == 1) {
        readText(r, "", source, "a text saying where the numbers come from", false);
      } else if (expect(r, listType, "",
                        listType == HDJsonReader::ARRAY ? "a list" : "an object")) {
        list();
      }
      pop();
    }
    if (!(seen & 1)) problem(op, "", std::string("missing key \"") + versionKey + "\"");
    if (!(seen & 4)) problem(op, "", std::string("missing key \"") + listKey + "\"");
    return true;
  }

  bool resolvePart() {
    if (!havePart_ || !partOk_) return false;
    if (partInline_) return true;
    HDJsonReader r;
    std::string path;
    if (!openCatalogue("parts.json", r, path,
                       "part " + quoted(partName_) + " is not an inline part object"))
      return false;
    const size_t before = problems_.size();
    bool found = false;
    std::vector<std::string> names;
    std::unordered_map<std::string, HDJsonPos> seenNames;
    inCatalogue(path, r, [&]() {
      catalogueHeader(r, "seufit_parts", "parts", HDJsonReader::ARRAY, [&]() {
        r.beginArray();
        pushIndex();
        for (long i = 0; r.nextElement(); ++i) {
          path_.back().index = i;
          if (!expect(r, HDJsonReader::OBJECT, "", "a part object")) continue;
          const HDJsonPos p = r.pos();
          PartSpec entry;
          if (!parsePartObject(r, entry)) continue;
          if (seenNames.count(entry.name)) {
            problem(p, "",
                    "part " + quoted(entry.name) + " is listed twice (first at " +
                        posText(seenNames[entry.name]) + ")");
            continue;
          }
          seenNames.emplace(entry.name, p);
          names.push_back(entry.name);
          if (entry.name == partName_) {
            part_ = entry;
            found = true;
          }
        }
        pop();
      });
    });
    if (problems_.size() != before) return false;
    if (!found) {
      problemAt(
          designFile_, partPos_, "part",
          "unknown part " + quoted(partName_) + "; " + path + " lists " + joinNames(names, 40));
      return false;
    }
    return true;
  }

  void loadLibrary() {
    HDJsonReader r;
    std::string path;
    const std::string lib = part_.library;
    if (!openCatalogue("primitives.json", r, path,
                       "part " + quoted(part_.name) + " uses primitive library " + quoted(lib)))
      return;
    const size_t before = problems_.size();
    bool found = false;
    std::vector<std::string> libs;
    inCatalogue(path, r, [&]() {
      catalogueHeader(r, "seufit_primitives", "libraries", HDJsonReader::OBJECT, [&]() {
        r.beginObject();
        std::string libName, primName;
        while (r.nextKey(libName)) {
          libs.push_back(libName);
          if (libName != lib) {
            r.skipValue();
            continue;
          }
          found = true;
          pushKey(libName);
          if (expect(r, HDJsonReader::OBJECT, "", "an object of primitives by name")) {
            r.beginObject();
            while (r.nextKey(primName)) {
              const HDJsonPos kp = r.pos();
              auto it = prims_.find(primName);
              if (it != prims_.end() && it->second.fromDesign) {
                r.skipValue();  // the design's own definition replaces the library's
                continue;
              }
              if (it != prims_.end()) {
                problem(kp, keySeg(primName),
                        "primitive " + quoted(primName) + " is defined twice in library " +
                            quoted(lib));
                r.skipValue();
                continue;
              }
              pushKey(primName);
              PrimInfo info;
              info.file = file_;
              info.path = currentPath("");
              info.pos = kp;
              info.prim = parsePrimitiveDef(r, primName);
              prims_[primName] = info;
              pop();
            }
          }
          pop();
        }
      });
    });
    if (problems_.size() == before && !found)
      problemAt(designFile_, partPos_, "part",
                "part " + quoted(part_.name) + " uses primitive library " + quoted(lib) +
                    ", which " + path + " does not have; it has " + joinNames(libs, 40));
  }

  // ---- resolution and checks -------------------------------------------------------

  void finish() {
    const bool partOk = resolvePart();
    bool primitivesKnown = partOk;
    if (partOk && part_.hasLibrary) {
      const size_t before = problems_.size();
      loadLibrary();
      primitivesKnown = problems_.size() == before;
    }

    // A name is a cell or a primitive, never both.
    for (const auto& s : syms_) {
      if (!s->cell) continue;
      auto it = prims_.find(s->name);
      if (it == prims_.end() || !it->second.prim) continue;
      const std::string where = it->second.fromDesign
                                    ? "under primitives (" + posText(it->second.pos) + ")"
                                    : "in primitive library " + quoted(part_.library);
      problemAt(s->defFile, s->defPos, s->defPath,
                quoted(s->name) + " is defined both as a cell and as a primitive " + where +
                    "; rename the cell");
    }

    // Instances met before the cell or primitive they name.
    std::vector<std::pair<Symbol*, const HDPrimitive*>> targets;
    for (const auto& s : syms_) {
      if (!s->placeholder) continue;
      auto it = prims_.find(s->name);
      const HDPrimitive* prim = it != prims_.end() ? it->second.prim : nullptr;
      // Without the part's library every primitive would look undefined.
      if (!s->cell && !prim && primitivesKnown) {
        std::string msg = "undefined cell " + quoted(s->name) +
                          ": it is neither a cell of this file nor a primitive";
        msg += part_.hasLibrary ? " of library " + quoted(part_.library)
                                : " (the part names no primitive library)";
        if (s->uses > 1) msg += "; " + std::to_string(s->uses) + " instances use it";
        problemAt(s->useFile, s->usePos, s->usePath, msg);
      }
    }
    for (const Definition& d : defs_) {
      for (const auto& inst : d.cell->instances()) {
        const HDAHCellview* c = inst->getCell();
        if (!c) continue;
        auto it = placeholders_.find(c);
        if (it == placeholders_.end()) continue;
        Symbol* s = it->second;
        if (s->cell) {
          HDDesignBuilder::setMaster(inst.get(), s->cell, nullptr);
        } else {
          auto p = prims_.find(s->name);
          if (p != prims_.end() && p->second.prim)
            HDDesignBuilder::setMaster(inst.get(), nullptr, p->second.prim);
        }
      }
    }

    // The top cell.
    const HDAHCellview* top = nullptr;
    if (haveTop_ && haveCells_) {
      auto it = symIndex_.find(topName_);
      if (it != symIndex_.end() && it->second->cell) {
        top = it->second->cell;
      } else if (prims_.count(topName_)) {
        problemAt(designFile_, topPos_, "top",
                  "top " + quoted(topName_) + " is a primitive; the top must be a cell of cells");
      } else {
        std::vector<std::string> cells;
        for (const auto& s : syms_)
          if (s->cell) cells.push_back(s->name);
        problemAt(designFile_, topPos_, "top",
                  "unknown top cell " + quoted(topName_) + "; cells has " +
                      (cells.empty() ? std::string("no cells") : joinNames(cells, 20)));
      }
    }

    checkHierarchy(top);
    if (problems_.size() != start_) return;

    // Build the rest of the database.
    fp_->setPart(
        std::make_unique<HDARPart>(part_.name, part_.device, part_.archId, part_.archType));
    if (part_.hasConfigBits) {
      auto rd = std::make_unique<HDPYRouteData>();
      rd->configBits = part_.configBits;
      fp_->setRouteData(std::move(rd));
    }
    fp_->setConstraintSet(std::move(constraints_));
    // Sorted, so that the site map's index only ever appends.
    std::sort(sites_.begin(), sites_.end(),
              [](const auto& a, const auto& b) { return a->name < b->name; });
    HDSMSitemap* map = fp_->getPart()->getPlaceArch()->getSitemap();
    for (auto& site : sites_) map->add(site->name).elements = std::move(site->elements);
    sites_.clear();
    fp_->setTop(top);
  }

  // Cycles anywhere and the depth below the top, in one depth-first pass over the cell
  // definitions (iterative: hierarchies may be thousands of levels deep).
  void checkHierarchy(const HDAHCellview* top) {
    std::unordered_map<const HDAHCellview*, size_t> index;
    for (size_t i = 0; i < defs_.size(); ++i) index.emplace(defs_[i].cell, i);
    const auto child = [&](const HDAHInstance* in) -> long {
      const HDAHCellview* m = in->getMasterView();
      if (!m) return -1;
      auto it = index.find(m);
      return it == index.end() ? -1 : static_cast<long>(it->second);
    };
    std::vector<int> height(defs_.size(), 0);
    std::vector<char> state(defs_.size(), 0);  // 0 new, 1 on the stack, 2 done
    struct Frame {
      size_t node;
      size_t next;
      int h;
    };
    std::vector<Frame> stack;
    bool cyclic = false;
    for (size_t root = 0; root < defs_.size(); ++root) {
      if (state[root]) continue;
      state[root] = 1;
      stack.push_back({root, 0, 0});
      while (!stack.empty()) {
        Frame& f = stack.back();
        const auto& insts = defs_[f.node].cell->instances();
        if (f.next == insts.size()) {
          const int h = f.h;
          height[f.node] = h;
          state[f.node] = 2;
          stack.pop_back();
          if (!stack.empty()) stack.back().h = std::max(stack.back().h, h + 1);
          continue;
        }
        const long c = child(insts[f.next++].get());
        if (c < 0) {
          f.h = std::max(f.h, 1);
        } else if (state[c] == 2) {
          f.h = std::max(f.h, height[c] + 1);
        } else if (state[c] == 1) {
          cyclic = true;
          reportCycle(stack, static_cast<size_t>(c));
          f.h = std::max(f.h, 1);
        } else {
          state[c] = 1;
          stack.push_back({static_cast<size_t>(c), 0, 0});
        }
      }
    }
    if (!top || cyclic) return;
    const size_t t = index.at(top);
    if (height[t] <= HDDesignLoader::kMaxDepth) return;
    // Follow one deepest path for the message.
    std::vector<std::string> names;
    size_t node = t;
    while (height[node] > 0) {
      bool stepped = false;
      for (const auto& in : defs_[node].cell->instances()) {
        const long c = child(in.get());
        if (c >= 0 && height[c] + 1 == height[node]) {
          names.push_back(in->getName());
          node = static_cast<size_t>(c);
          stepped = true;
          break;
        }
        if (c < 0 && height[node] == 1) {
          names.push_back(in->getName());
          break;
        }
      }
      if (!stepped) break;
    }
    const std::string chain = joinElided(names, "/", 3, 3);
    problemAt(defs_[t].file, defs_[t].pos, defs_[t].path,
              "the hierarchy below top cell " + quoted(defs_[t].name) + " is " +
                  std::to_string(height[t]) + " levels deep; at most " +
                  std::to_string(HDDesignLoader::kMaxDepth) + " are allowed (deepest path " +
                  chain + ")");
  }

  template <typename Frames>
  void reportCycle(const Frames& stack, size_t node) {
    size_t from = stack.size();
    while (from > 0 && stack[from - 1].node != node) --from;
    if (from > 0) --from;
    std::vector<std::string> names;
    for (size_t i = from; i < stack.size(); ++i) names.push_back(defs_[stack[i].node].name);
    const std::string cycle = joinElided(names, " -> ", 10, 5) + " -> " + defs_[node].name;
    const Definition& d = defs_[node];
    problemAt(d.file, d.pos, d.path,
              "cyclic hierarchy: " + cycle + "; a cell cannot contain itself");
  }

  // ---- state -----------------------------------------------------------------------

  std::string designFile_;
  std::string file_;  // the file being read: the design or a catalogue
  std::vector<HDLoadProblem>& problems_;
  size_t start_;  // problems listed before this file
  std::unique_ptr<HFLFloorplan> fp_;
  std::vector<PathSeg> path_;

  bool havePart_ = false, partInline_ = false, partOk_ = false;
  std::string partName_;
  HDJsonPos partPos_;
  PartSpec part_;
  bool haveTop_ = false, haveCells_ = false;
  std::string topName_;
  HDJsonPos topPos_;
  std::unique_ptr<HDCSet> constraints_;
  std::vector<std::unique_ptr<HDSMSite>> sites_;
  std::unordered_map<std::string, HDJsonPos> siteNames_;

  std::vector<std::unique_ptr<Symbol>> syms_;
  std::unordered_map<std::string, Symbol*> symIndex_;
  std::unordered_map<const HDAHCellview*, Symbol*> placeholders_;
  std::unordered_map<std::string, PrimInfo> prims_;
  std::vector<Definition> defs_;

  // Scratch reused for every instance.
  std::string key_, name_, cellName_, site_, str_, attrName_;
  HDJsonNumber num_;
  std::vector<std::pair<std::string, HATAttr>> attrs_;
  InstanceNames names_;
};

}  // namespace

std::unique_ptr<HFLFloorplan> HDDesignLoader::loadFile(const std::string& path,
                                                       std::vector<HDLoadProblem>& problems) {
  HDJsonReader r;
  std::string err;
  if (!r.openFile(path, err)) {
    HDLoadProblem p;
    p.file = path;
    p.message = "cannot read the design file: " + err;
    problems.push_back(p);
    return nullptr;
  }
  Loader loader(path, problems);
  return loader.run(r);
}

std::unique_ptr<HFLFloorplan> HDDesignLoader::loadString(const std::string& json,
                                                         const std::string& displayName,
                                                         std::vector<HDLoadProblem>& problems) {
  HDJsonReader r;
  r.openString(json);
  Loader loader(displayName, problems);
  return loader.run(r);
}

void HDDesignLoader::report(const std::vector<HDLoadProblem>& problems) {
  for (const HDLoadProblem& p : problems) {
    if (p.line > 0 && !p.jsonPath.empty())
      ComMsgMgr::hostError("@1-22@%s%d%d%s%s", p.file, p.line, p.column, p.jsonPath, p.message);
    else if (p.line > 0)
      ComMsgMgr::hostError("@1-21@%s%d%d%s", p.file, p.line, p.column, p.message);
    else if (!p.jsonPath.empty())
      ComMsgMgr::hostError("@1-23@%s%s%s", p.file, p.jsonPath, p.message);
    else
      ComMsgMgr::hostError("@1-20@%s%s", p.file, p.message);
  }
}
