#include "host/design/load/HDDesignAssembly.h"

#include <algorithm>

HDSymbol* HDDesignAssembly::findSymbol(const std::string& name) const {
  auto it = symIndex_.find(name);
  return it == symIndex_.end() ? nullptr : it->second;
}

HDSymbol* HDDesignAssembly::symbol(const std::string& name) {
  if (HDSymbol* s = findSymbol(name)) return s;
  HDSymbol* s = &syms_.emplace_back();
  s->name = name;
  symIndex_.emplace(s->name, s);
  return s;
}

HDAHCellview* HDDesignAssembly::defineCell(const std::string& name, const std::string& path,
                                           HDJsonPos pos) {
  HDSymbol* s = symbol(name);
  s->cell = s->pending ? fp_->adoptCell(std::move(s->pending)) : fp_->addCell(name);
  s->def = defs_.size();
  s->defPos = pos;
  defs_.emplace_back(HDDefinition{s->cell, name, currentFile(), path, pos});
  return s->cell;
}

const std::string* HDDesignAssembly::currentFile() {
  for (const std::string& f : files_)
    if (f == ctx_.file()) return &f;
  files_.push_back(ctx_.file());
  return &files_.back();
}

HDAHInstance* HDDesignAssembly::addInstanceOf(HDAHCellview* parent, std::string_view name,
                                              HDSymbol* s, std::string usePath, HDJsonPos usePos) {
  if (s->uses++ == 0) {
    s->useFile = currentFile();
    s->usePath = std::move(usePath);
    s->usePos = usePos;
  }
  const HDAHCellview* master = s->cell;
  if (!master) {
    if (!s->pending) s->pending = fp_->newCell(s->name);
    master = s->pending.get();
  }
  return HDDesignBuilder::addInstance(parent, name, master, nullptr);
}

void HDDesignAssembly::addToolGates(const std::string& file) {
  for (const HDSymbol& s : symbols()) {
    const bool gate = !s.name.empty() && (s.name[0] == '$' || s.name == "GND" || s.name == "VCC");
    if (s.cell || !gate || primitives().count(s.name)) continue;
    HDPrimitive* prim = floorplan().addPrimitive(s.name);
    prim->classes = HDPrimitive::OTHER;
    HDPrimInfo info;
    info.prim = prim;
    info.fromDesign = true;
    info.file = file;
    primitives()[s.name] = info;
  }
}

void HDDesignAssembly::setNetlistPart(const std::string& name, const std::string& file) {
  havePart = true;
  partName = name;
  partOk = !name.empty();
  if (!partOk)
    ctx_.problemAt(file, {}, "", "a netlist names no part: give the part name (--part NAME)");
}

void HDDesignAssembly::resolve(bool primitivesKnown) {
  // A name is a cell or a primitive, never both.
  for (const HDSymbol& sym : syms_) {
    const HDSymbol* s = &sym;
    if (!s->cell) continue;
    auto it = prims_.find(s->name);
    if (it == prims_.end() || !it->second.prim) continue;
    const std::string where = it->second.fromDesign
                                  ? "under primitives (" + hdPosText(it->second.pos) + ")"
                                  : "in primitive library " + hdQuoted(part.library);
    const HDDefinition& d = defs_[s->def];
    ctx_.problemAt(*d.file, d.pos, d.path,
                   hdQuoted(s->name) + " is defined both as a cell and as a primitive " + where +
                       "; rename the cell");
  }

  // Instances met before the cell or primitive they name, and still without a cell.
  for (const HDSymbol& sym : syms_) {
    const HDSymbol* s = &sym;
    if (!s->pending) continue;
    auto it = prims_.find(s->primitive.empty() ? s->name : s->primitive);
    const HDPrimitive* prim = it != prims_.end() ? it->second.prim : nullptr;
    // Without the part's library every primitive would look undefined.
    if (!s->cell && !prim && primitivesKnown) {
      std::string msg = "undefined cell " + hdQuoted(s->name) +
                        ": it is neither a cell of this file nor a primitive";
      msg += part.hasLibrary ? " of library " + hdQuoted(part.library)
                             : " (the part names no primitive library)";
      if (s->uses > 1) msg += "; " + std::to_string(s->uses) + " instances use it";
      ctx_.problemAt(*s->useFile, s->usePos, s->usePath, msg);
    }
  }
  // What each stand-in resolves to, looked up once per name rather than per instance. A
  // cell defined after its first use already is what its instances point at; the stand-ins
  // left are primitives (or undefined), few. By address, sorted for lookup.
  std::vector<std::pair<const HDAHCellview*, const HDPrimitive*>> resolved;
  for (const HDSymbol& s : syms_) {
    if (!s.pending) continue;
    auto p = prims_.find(s.primitive.empty() ? s.name : s.primitive);
    resolved.emplace_back(s.pending.get(), p != prims_.end() ? p->second.prim : nullptr);
  }
  std::sort(resolved.begin(), resolved.end(),
            [](const auto& a, const auto& b) { return std::less<>()(a.first, b.first); });
  const HDAHCellview* lastFrom = nullptr;
  const HDPrimitive* last = nullptr;
  for (const HDDefinition& d : defs_) {
    if (resolved.empty()) break;
    for (HDAHInstance& inst : HDDesignBuilder::instances(d.cell)) {
      const HDAHCellview* c = inst.getCell();
      if (!c) continue;
      if (c != lastFrom) {
        auto it = std::lower_bound(
            resolved.begin(), resolved.end(), c,
            [](const auto& e, const HDAHCellview* v) { return std::less<>()(e.first, v); });
        if (it == resolved.end() || it->first != c) continue;
        lastFrom = c;
        last = it->second;
      }
      if (last) HDDesignBuilder::setMaster(&inst, nullptr, last);
    }
  }

  // The top cell.
  const HDAHCellview* top = nullptr;
  if (haveTop && haveCells) {
    auto it = symIndex_.find(topName);
    const HDSymbol* sym = it != symIndex_.end() ? it->second : nullptr;
    if (sym && sym->cell && sym->cell->isBlackBox()) {
      ctx_.problemAt(ctx_.designFile(), topPos, topPath,
                     "top " + hdQuoted(topName) +
                         " is a black box (a leaf without contents); the top must be a cell of "
                         "cells");
    } else if (sym && sym->cell) {
      top = sym->cell;
    } else if (prims_.count(topName) || (sym && !sym->primitive.empty())) {
      ctx_.problemAt(
          ctx_.designFile(), topPos, topPath,
          "top " + hdQuoted(topName) + " is a primitive; the top must be a cell of cells");
    } else {
      std::vector<std::string> cells;
      for (const HDSymbol& s : syms_)
        if (s.cell) cells.push_back(s.name);
      ctx_.problemAt(ctx_.designFile(), topPos, topPath,
                     "unknown top cell " + hdQuoted(topName) + "; cells has " +
                         (cells.empty() ? std::string("no cells") : hdJoinNames(cells, 20)));
    }
  }

  checkHierarchy(top);
  if (!ctx_.clean()) return;

  // Build the rest of the database.
  fp_->setPart(std::make_unique<HDARPart>(part.name, part.device, part.archId, part.archType));
  if (part.hasConfigBits) {
    auto rd = std::make_unique<HDPYRouteData>();
    rd->configBits = part.configBits;
    fp_->setRouteData(std::move(rd));
  }
  fp_->setConstraintSet(std::move(constraints));
  // Sorted, so that the site map's index only ever appends.
  std::sort(sites.begin(), sites.end(),
            [](const auto& a, const auto& b) { return a->name < b->name; });
  HDSMSitemap* map = fp_->getPart()->getPlaceArch()->getSitemap();
  for (auto& site : sites) map->add(site->name).elements = std::move(site->elements);
  sites.clear();
  fp_->setTop(top);
}
