#include "shared/fit/base/HAFITNotAnalysed.h"

#include <limits>
#include <map>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "host/design/db/HDesign.h"
#include "host/str/HSTJson.h"
#include "shared/fit/base/HAFITFamily.h"
#include "shared/fit/base/HAFITFloorplan.h"
#include "shared/fit/parser/HAFITSERMgr.h"

namespace {

using HAFITNotAnalysed::Item;
using HAFITNotAnalysed::Kind;
using Key = std::pair<Kind, std::string>;

struct Tally {
  uint64_t count = 0;
  bool bitsKnown = true;
  double bits = 0.0;
};
// One occurrence of a cell definition: what it holds that is not analysed, by kind.
using Tallies = std::map<Key, Tally>;

uint64_t addSat(uint64_t a, uint64_t b) {
  return a > std::numeric_limits<uint64_t>::max() - b ? std::numeric_limits<uint64_t>::max()
                                                      : a + b;
}

void add(Tallies& to, const Tallies& from) {
  for (const auto& [key, t] : from) {
    Tally& into = to[key];
    into.count = addSat(into.count, t.count);
    into.bitsKnown = into.bitsKnown && t.bitsKnown;
    into.bits += t.bits;
  }
}

void addOne(Tallies& to, Kind kind, std::string_view name, bool bitsKnown, double bits) {
  Tally& t = to[{kind, std::string(name)}];
  t.count = addSat(t.count, 1);
  t.bitsKnown = t.bitsKnown && bitsKnown;
  t.bits += bits;
}

}  // namespace

namespace HAFITNotAnalysed {

bool isUnmappedMemory(const HDPrimitive* primitive) {
  return primitive && (primitive->name == "$mem" || primitive->name == "$mem_v2");
}

bool unmappedShape(const HDAHInstance& instance, int64_t& words, int64_t& width) {
  HATAttr size, bits;
  if (!instance.findAttr("SIZE", size) || !instance.findAttr("WIDTH", bits)) return false;
  const auto whole = [](const HATAttr& a) {
    return a.getKind() == HATAttr::INT || a.getKind() == HATAttr::LONG;
  };
  if (!whole(size) || !whole(bits)) return false;
  words = size.getLongVal();
  width = bits.getLongVal();
  return true;
}

const char* Item::kindText() const {
  switch (kind) {
    case Kind::PRIMITIVE:
      return "primitive";
    case Kind::BLACK_BOX:
      return "black box";
    case Kind::CLASS:
      return "memory class";
    case Kind::UNMAPPED:
      break;
  }
  return "unmapped memory";
}

std::string Item::reason(const std::string& family) const {
  switch (kind) {
    case Kind::PRIMITIVE:
      return "a primitive the " + family + " analysis does not cover";
    case Kind::BLACK_BOX:
      return "a black box: what it holds is unknown";
    case Kind::CLASS:
      return "the " + family + " report has no " + name + " rows";
    case Kind::UNMAPPED:
      break;
  }
  return "a memory that synthesis left unmapped, no primitive of the part";
}

std::string Item::what() const {
  const std::string n = count == std::numeric_limits<uint64_t>::max()
                            ? "more than " + std::to_string(count)
                            : std::to_string(count);
  const std::string of = kind == Kind::BLACK_BOX ? " of black box " : " of ";
  return n + (count == 1 ? " instance" : " instances") + of + name;
}

std::string Item::bitsText() const {
  if (bitsKnown) return HSTJson::number(bits) + " bits";
  return bits > 0.0 ? "at least " + HSTJson::number(bits) + " bits" : "bits unknown";
}

std::vector<Item> find(const HFLFloorplan& design, const HAFITFloorplan& floorplan) {
  const HAINetlist* netlist = design.getNetlist();
  const HAFITFamily* family = HAFITFamilyOf(&floorplan);
  const unsigned classes = family ? family->designClasses : 0u;
  const bool yram = (classes & (1u << HAFITSERMgr::MEM_YRAM)) != 0;
  const bool hbm = (classes & (1u << HAFITSERMgr::MEM_HBM)) != 0;

  // Each definition's tallies once, bottom up; iterative for deep hierarchies.
  std::unordered_map<const HDAHCellview*, Tallies> done;
  struct Frame {
    std::unique_ptr<HDLHInstanceIter> iter;
    const HDAHCellview* def;
    Tallies sum;
  };
  std::vector<Frame> stack;
  const HDLHCellview* top = netlist->getTopCellview();
  stack.push_back({std::unique_ptr<HDLHInstanceIter>(top->createInstanceIterLH()), nullptr, {}});
  Tallies result;
  while (!stack.empty()) {
    Frame& f = stack.back();
    if (!f.iter->more()) {
      Tallies sum = std::move(f.sum);
      const HDAHCellview* def = f.def;
      stack.pop_back();
      if (stack.empty()) {
        result = std::move(sum);
      } else {
        add(stack.back().sum, sum);
        done.emplace(def, std::move(sum));
      }
      continue;
    }
    const HDLHInstance* instance = f.iter->next();
    if (!instance) continue;
    const HDAHInstance* def = instance->getDAH();
    if (HARUPrimUtils::isHBM(instance, netlist)) {
      // The family walks into an HBM of two stacks itself.
      if (!hbm) addOne(f.sum, Kind::CLASS, "HBM", false, 0.0);
      continue;
    }
    if (floorplan.shouldDescend(instance)) {
      const HDAHCellview* master = def->getMasterView();
      const auto known = done.find(master);
      if (known != done.end()) {
        add(f.sum, known->second);
      } else {
        stack.push_back(
            {std::unique_ptr<HDLHInstanceIter>(instance->getMasterLH()->createInstanceIterLH()),
             master,
             {}});
      }
      continue;
    }
    if (!def) continue;
    if (!instance->isArchLeaf()) {
      if (def->isHierBlackBox()) {
        const HDAHCellview* cell = def->getCell();
        addOne(f.sum, Kind::BLACK_BOX, cell ? cell->getName() : std::string(def->getName()), false,
               0.0);
      }
      continue;
    }
    const HDPrimitive* prim = def->getPrimitive();
    const std::string_view name = prim ? std::string_view(prim->name) : std::string_view();
    if (HARUPrimUtils::isRAMB(instance, netlist) || HARUPrimUtils::isFIFO(instance, netlist)) {
      if (floorplan.blockClass(instance) == HAFITFloorplan::BlockClass::NONE)
        addOne(f.sum, Kind::PRIMITIVE, name, false, 0.0);
    } else if (HARUPrimUtils::isYRAM(instance, netlist)) {
      if (!yram) addOne(f.sum, Kind::CLASS, "YRAM", true, HAFITFloorplan::YRAM_BLOCK_BITS);
    } else if (isUnmappedMemory(prim)) {
      int64_t words = 0, width = 0;
      const bool known = unmappedShape(*def, words, width);
      addOne(f.sum, Kind::UNMAPPED, name, known,
             known ? static_cast<double>(words) * static_cast<double>(width) : 0.0);
    }
  }

  std::vector<Item> out;
  for (const auto& [key, t] : result) {
    Item item{key.first, key.second, t.count, t.bitsKnown, t.bits};
    out.push_back(std::move(item));
  }
  return out;
}

}  // namespace HAFITNotAnalysed
