#include "host/design/load/HDCellMap.h"

#include <algorithm>
#include <unordered_set>

#include "host/str/HSTGlob.h"

void HDCellMap::read(const std::string& path, HDLoadContext& ctx) {
  file_ = path;
  HDJsonReader r;
  std::string err;
  if (!r.openFile(path, err)) {
    ctx.problemAt(path, {}, "", "cannot read the cell map: " + err);
    return;
  }
  ctx.inFile(path, r, [&]() {
    if (!ctx.expect(r, HDJsonReader::OBJECT, "",
                    "a cell map object {\"seufit_map\": 1, \"cells\": {...}}"))
      return;
    r.beginObject();
    const HDJsonPos op = r.pos();
    enum Key { VERSION, CELLS, UNKNOWN };
    static const std::vector<const char*> keys = {"seufit_map", "cells", "unknown"};
    unsigned seen = 0;
    std::string key, text;
    while (r.nextKey(key)) {
      const int k = ctx.objectKey(r, key, keys, seen, "the cell map");
      if (k < 0) continue;
      ctx.pushKey(key);
      if (k == VERSION) {
        int64_t v = 0;
        r.peek();
        const HDJsonPos vp = r.pos();
        if (ctx.readInteger(r, "", 1, 1000000, v, "the format version") && v != 1)
          ctx.problem(vp, "",
                      "cell map version " + std::to_string(v) + " is not supported; expected 1");
      } else if (k == CELLS) {
        if (ctx.expect(r, HDJsonReader::OBJECT, "", "an object of primitive names by cell type")) {
          r.beginObject();
          std::string type;
          std::unordered_set<std::string> patterns;
          while (r.nextKey(type)) {
            r.peek();
            const HDJsonPos p = r.pos();
            Entry e{type, std::string(), p};
            if (r.peek() == HDJsonReader::NUL) {
              r.readNull();
            } else if (!ctx.readText(r, hdKeySeg(type), e.primitive,
                                     "a primitive name, or null for a black box", true)) {
              continue;
            }
            if (!patterns.insert(type).second) {
              ctx.problem(p, hdKeySeg(type), "cell type " + hdQuoted(type) + " is mapped twice");
              continue;
            }
            entries_.push_back(e);
            if (HSTGlob::isGlob(type)) {
              globs_.push_back(entries_.size() - 1);
              compiled_.emplace_back(type);
            } else {
              exact_.emplace(type, entries_.size() - 1);
            }
          }
        }
      } else {
        r.peek();
        const HDJsonPos p = r.pos();
        if (ctx.readText(r, "", text, "\"black_box\" or \"error\"", true)) {
          if (text == "error")
            unknownIsError_ = true;
          else if (text != "black_box")
            ctx.problem(p, "", "expected \"black_box\" or \"error\", found " + hdQuoted(text));
        }
      }
      ctx.pop();
    }
    if (!HDLoadContext::has(seen, VERSION)) ctx.problem(op, "", "missing key \"seufit_map\"");
  });
}

const HDCellMap::Entry* HDCellMap::find(const std::string& type, uint64_t& steps) const {
  auto it = exact_.find(type);
  if (it != exact_.end()) return &entries_[it->second];
  for (size_t k = 0; k < globs_.size(); ++k) {
    ++steps;
    if (compiled_[k].matches(type, steps)) return &entries_[globs_[k]];
  }
  return nullptr;
}

void HDCellMap::apply(HDDesignAssembly& d, HDLoadContext& ctx,
                      std::vector<std::string>& blackBoxes) const {
  auto& prims = d.primitives();
  const std::string lib = hdQuoted(d.part.library);
  std::vector<HDSymbol*> unknown;
  uint64_t steps = 0;
  for (HDSymbol& sym : d.symbols()) {
    HDSymbol* s = &sym;
    if (s->cell || s->uses == 0) continue;
    const Entry* e = find(s->name, steps);
    if (steps > kMaxMatchSteps) {
      ctx.problemAt(file_, {}, "cells",
                    "matching the map's " + std::to_string(globs_.size()) +
                        " globs against the netlist's cell types takes more than " +
                        std::to_string(kMaxMatchSteps) +
                        " steps; map the types by their exact names, or use fewer globs");
      throw HDStopLoading();  // the types stay unresolved: naming each would only repeat this
    }
    const auto own = prims.find(s->name);
    const bool isPrim = own != prims.end() && own->second.prim;
    if (e && !e->primitive.empty()) {
      auto p = prims.find(e->primitive);
      if (p != prims.end() && p->second.prim)
        s->primitive = e->primitive;
      else
        ctx.problemAt(file_, e->pos, "cells" + hdKeySeg(e->pattern),
                      "cell type " + hdQuoted(s->name) + " is mapped to " + hdQuoted(e->primitive) +
                          ", which is no primitive of library " + lib);
    } else if (e) {
      if (isPrim)
        ctx.problemAt(file_, e->pos, "cells" + hdKeySeg(e->pattern),
                      "cell type " + hdQuoted(s->name) + " is a primitive of library " + lib +
                          " and cannot be made a black box");
      else
        unknown.push_back(s);
    } else if (!isPrim) {
      if (unknownIsError_)
        ctx.problemAt(*s->useFile, s->usePos, s->usePath,
                      "cell type " + hdQuoted(s->name) +
                          " is neither a module of the netlist nor a primitive of library " + lib +
                          ", and the cell map " + file_ + " makes unknown types errors");
      else
        unknown.push_back(s);
    }
  }
  for (HDSymbol* s : unknown) {
    HDAHCellview* cell = d.defineCell(s->name, s->usePath, s->usePos);
    HDDesignBuilder::setBlackBox(cell, true);
    blackBoxes.push_back(s->name);
  }
  std::sort(blackBoxes.begin(), blackBoxes.end());
}
