#include "shared/fit/run/HAFITDesignCheck.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <unordered_set>
#include <vector>

#include "host/design/db/HDesign.h"
#include "host/design/load/HDTypedAttributes.h"
#include "host/msg/ComMsgMgr.h"
#include "host/str/HSTJson.h"
#include "host/str/HSTStrUtils.h"
#include "shared/fit/base/HAFITFamily.h"
#include "shared/fit/base/HAFITFloorplan.h"
#include "shared/fit/base/HAFITMgr.h"

namespace {

using BlockClass = HAFITFloorplan::BlockClass;

const char* className(BlockClass c) {
  switch (c) {
    case BlockClass::RAMB18:
      return "RAMB18";
    case BlockClass::RAMB36:
      return "RAMB36";
    case BlockClass::FIFO18:
      return "FIFO18";
    case BlockClass::FIFO36:
      return "FIFO36";
    case BlockClass::NONE:
      break;
  }
  return "block";
}

const char* widthsOf(BlockClass c) {
  return c == BlockClass::RAMB36 || c == BlockClass::FIFO36 ? "1, 2, 4, 9, 18, 36 or 72"
                                                            : "1, 2, 4, 9, 18 or 36";
}

// The value as the design wrote it, with its kind, for a message.
std::string describe(const HATAttr& a) {
  switch (a.getKind()) {
    case HATAttr::BOOL:
      return std::string("the boolean ") + (a.getBoolVal() ? "true" : "false");
    case HATAttr::DOUBLE:
      return "the real number " + HSTJson::number(a.getDoubleVal());
    case HATAttr::TEXT:
      return "the text " + HSTJson::quote(a.getStringVal());
    case HATAttr::INT:
    case HATAttr::LONG:
      return std::to_string(a.getLongVal());
    default:
      return "a value that is not a number (" + a.getStringVal() + ")";
  }
}

std::string hierName(const HAINetlist* netlist, const HDLHInstance* instance) {
  std::string name;
  netlist->getHierName(instance, name, nullptr, "");
  return name;
}

class DesignValueCheck {
 public:
  DesignValueCheck(HFLFloorplan& design, HAFITFloorplan& floorplan)
      : netlist_(design.getNetlist()), floorplan_(floorplan) {}

  // False when a value stops the analysis.
  bool run() {
    std::vector<std::unique_ptr<HDLHInstanceIter>> stack;
    stack.emplace_back(netlist_->getTopCellview()->createInstanceIterLH());
    while (!stack.empty()) {
      if (!stack.back()->more()) {
        stack.pop_back();
        continue;
      }
      const HDLHInstance* instance = stack.back()->next();
      if (!instance) continue;
      const bool hbm = HARUPrimUtils::isHBM(instance, netlist_);
      if (hbm) checkHbm(instance);
      const HDAHInstance* def = instance->getDAH();
      if (!instance->isArchLeaf() || hbm) {
        // Each definition once: its instances read the same values at every occurrence.
        const HDAHCellview* master = def ? def->getMasterView() : nullptr;
        if (master && visited_.insert(master).second)
          stack.emplace_back(instance->getMasterLH()->createInstanceIterLH());
        continue;
      }
      if (HARUPrimUtils::isRAMB(instance, netlist_) || HARUPrimUtils::isFIFO(instance, netlist_))
        checkBlock(instance);
      else if (HARUPrimUtils::isYRAM(instance, netlist_))
        checkProtected(instance);
      else
        checkUnmappedMemory(instance);
    }
    return ok_;
  }

 private:
  void checkBlock(const HDLHInstance* instance) {
    const BlockClass c = floorplan_.blockClass(instance);
    // ECC-protected blocks and codes the family does not analyse count no bits anyway.
    if (c == BlockClass::NONE || floorplan_.isECC(instance)) return;
    const bool fifo = c == BlockClass::FIFO18 || c == BlockClass::FIFO36;
    static const char* const kRamWidths[] = {"READ_WIDTH_A", "WRITE_WIDTH_A", "READ_WIDTH_B",
                                             "WRITE_WIDTH_B"};
    static const char* const kFifoWidths[] = {"DATA_WIDTH", "READ_WIDTH", "WRITE_WIDTH"};
    const char* const* names = fifo ? kFifoWidths : kRamWidths;
    const int count = fifo ? 3 : 4;
    std::string path;
    auto name = [&]() -> const std::string& {
      if (path.empty()) path = hierName(netlist_, instance);
      return path;
    };
    for (int k = 0; k < count; ++k) {
      HATAttr a;
      if (instance->getDAH()->findAttr(names[k], a) && a.getKind() != HATAttr::INT &&
          a.getKind() != HATAttr::LONG)
        ComMsgMgr::hostWarning("@1-80@%s%s%s", name(), std::string(names[k]), describe(a));
    }
    int w = 0;
    if (fifo) {
      floorplan_.getDataWidth(instance, w);
    } else {
      int ra = 0, wa = 0, rb = 0, wb = 0;
      floorplan_.getDataWidth(instance, ra, wa, rb, wb);
      w = std::max(std::max(ra, wa), std::max(rb, wb));
    }
    if (w == 0)
      ComMsgMgr::hostWarning("@1-82@%s%s", name(), std::string(className(c)));
    else if (HAFITFloorplan::blockCapacity(c, w) == 0)
      ComMsgMgr::hostWarning("@1-81@%s%s%d%s", name(), std::string(className(c)), w,
                             std::string(widthsOf(c)));
    checkProtected(instance);
  }

  // SEU_PROTECTED as text: the analysis reads its leading number, so "32'sd5" would count as
  // 32 and "32'shFFFF_FFFF" as 32 rather than -1. Text that is not one whole number is
  // refused, naming what it means and what it would be read as.
  bool textProtected(const HDLHInstance* instance, bool hbm) {
    HATAttr a;
    if (!instance->getDAH()->findAttr("SEU_PROTECTED", a) || a.getKind() != HATAttr::TEXT)
      return true;
    const std::string& text = a.getStringVal();
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    const double read =
        hbm ? std::strtod(begin, &end) : static_cast<double>(std::strtol(begin, &end, 10));
    while (end && *end && std::isspace(static_cast<unsigned char>(*end))) ++end;
    // The whole text is the number, or no number at all, which the analysis names itself.
    if (end == begin || (!*end && errno == 0)) return true;
    int64_t meant = 0;
    if (HDTypedAttributes::parseInteger(text, meant) && meant < 0) {
      refuse(instance);
      return false;
    }
    ComMsgMgr::hostError("@1-94@%s%s%s", hierName(netlist_, instance), describe(a),
                         "only its start would be read, as " + HSTJson::number(read));
    ok_ = false;
    return false;
  }

  void checkProtected(const HDLHInstance* instance) {
    if (!textProtected(instance, false)) return;
    int p = 0;
    try {
      p = floorplan_.getSeuProtectedBits(instance);
    } catch (const std::exception&) {
      return;  // the analysis names a value it cannot read
    }
    if (p < 0) refuse(instance);
  }

  void checkHbm(const HDLHInstance* instance) {
    if (!textProtected(instance, true)) return;
    double p = 0.0;
    try {
      p = floorplan_.getSeuProtectedHBMBits(instance);
    } catch (const std::exception&) {
      return;
    }
    if (p < 0.0) refuse(instance);
    if (p > HAFITFloorplan::HBM_STACK_BITS) {
      HATAttr a;
      instance->getDAH()->findAttr("SEU_PROTECTED", a);
      ComMsgMgr::hostWarning("@1-92@%s%s%s", hierName(netlist_, instance), describe(a),
                             HSTJson::number(HAFITFloorplan::HBM_STACK_BITS));
    }
  }

  // A synthesis tool's own memory cell left in the netlist: no primitive counts its bits.
  void checkUnmappedMemory(const HDLHInstance* instance) {
    const HDPrimitive* prim = instance->getDAH()->getPrimitive();
    if (!HAFITNotAnalysed::isUnmappedMemory(prim)) return;
    int64_t words = 0, width = 0;
    std::string shape = "of unknown size";
    if (HAFITNotAnalysed::unmappedShape(*instance->getDAH(), words, width)) {
      const long double bits = static_cast<long double>(words) * static_cast<long double>(width);
      shape = std::to_string(words) + " words of " + std::to_string(width) + " bits, " +
              HSTJson::number(static_cast<double>(bits)) + " bits";
    }
    ComMsgMgr::hostWarning("@1-93@%s%s%s", hierName(netlist_, instance), prim->name, shape);
  }

  void refuse(const HDLHInstance* instance) {
    HATAttr a;
    const bool has = instance->getDAH()->findAttr("SEU_PROTECTED", a);
    ComMsgMgr::hostError("@1-83@%s%s", hierName(netlist_, instance),
                         has ? describe(a) : std::string("?"));
    ok_ = false;
  }

  const HAINetlist* netlist_;
  HAFITFloorplan& floorplan_;
  std::unordered_set<const HDAHCellview*> visited_;
  bool ok_ = true;
};

void checkUnits(const HFLFloorplan& design) {
  const HDCSet* set = design.getConstraintSet();
  if (!set) return;
  for (const auto& item : set->items()) {
    const auto* units = dynamic_cast<const HASCSetUnits*>(item.get());
    if (!units) continue;
    const std::string unit = units->getAltitudeUnit();
    if (HSTStrUtils::compareCI(unit.c_str(), "meters") != 0 &&
        HSTStrUtils::compareCI(unit.c_str(), "feet") != 0)
      ComMsgMgr::hostWarning("@1-84@%s", HSTJson::quote(unit));
  }
}

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

void checkPart(const HFLFloorplan& design, bool configMemory) {
  const HDARPart* part = design.getPart();
  if (!part) return;
  const HARPlaceArch* arch = part->getPlaceArch();
  const std::string id = part->getFamily()->getArch()->getId();
  const HAFITFamily* byType = HAFITFamilyFor(arch->getArchType(), arch->getDeviceName());
  const std::string key = lower(id);
  for (const HAFITFamily* f = HAFITFamiliesBegin(); f != HAFITFamiliesEnd(); ++f)
    if (key == f->name && byType && f != byType)
      ComMsgMgr::hostWarning("@1-85@%s%s%s%d%s", part->getName(), id, std::string(f->name),
                             arch->getArchType(), std::string(byType->name));
  if (configMemory && byType && !HDPYRouteStorage::getRouteData(&design))
    ComMsgMgr::hostWarning("@1-86@%s", part->getName());
}

struct Texts {
  Texts() {
    using ComMsgMgr::registerText;
    registerText("1-80", "instance {1}: width {2} is {3}, not a whole number; it reads as 0");
    registerText("1-102",
                 "{1}: part '{2}' has architecture type {3} (device {4}), which no family of "
                 "the report supports; supported types: {5} (see docs/own-device.md)");
    registerText("1-81",
                 "instance {1}: {2} width {3} is not a width of the block ({4}); the block "
                 "counts 0 bits");
    registerText("1-82",
                 "instance {1}: {2} has no width that reads as a whole number, in the design "
                 "or its site; the block counts 0 bits");
    registerText("1-83",
                 "instance {1}: SEU_PROTECTED is {2}, below 0; a memory cannot expose more "
                 "bits than it holds, so no result was written");
    registerText("1-84",
                 "units constraint: altitude unit {1} is neither \"meters\" nor \"feet\"; the "
                 "altitude is taken as feet unless --meters or --feet says otherwise");
    registerText("1-85",
                 "part {1}: arch_id '{2}' names family {3} but arch_type {4} is family {5}; "
                 "the memories are counted as {5}, the soft-error rates are those of {3}");
    registerText("1-86", "part {1} has no config_bits; configuration memory counts 0 bits");
    registerText("1-87",
                 "the {1} total is {2}, beyond the 32-bit limit of the report, which counts {3}");
    registerText("1-92",
                 "{1} declares {2} protected bits but an HBM stack holds only {3} bits; it is "
                 "counted as one fully protected stack");
    registerText("1-94",
                 "instance {1}: SEU_PROTECTED is {2}, which is not one whole number ({3}); "
                 "write the number of bits itself; no result was written");
    registerText("1-111", "not analysed: {1}, {2}: {3}; the report counts none of their bits");
    registerText("1-93",
                 "instance {1}: memory {2} ({3}) was left unmapped by synthesis and is no "
                 "primitive of the part; its bits are not counted");
  }
} texts;

}  // namespace

namespace HAFITRun {

bool checkSupported(const std::string& path, const HFLFloorplan& design) {
  const HDARPart* part = design.getPart();
  const HARPlaceArch* arch = part ? part->getPlaceArch() : nullptr;
  if (!arch || HAFITFamilyFor(arch->getArchType(), arch->getDeviceName())) return true;
  ComMsgMgr::hostError("@1-102@%s%s%d%s%s", path, part->getName(), arch->getArchType(),
                       arch->getDeviceName(), HAFITSupportedTypes());
  return false;
}

bool checkDesignValues(HFLFloorplan& design, bool configMemory) {
  checkUnits(design);
  checkPart(design, configMemory);
  std::unique_ptr<HAFITFloorplan> floorplan(HAFITFloorplan::create(&design));
  if (!floorplan) return true;  // an unsupported device is refused by the analysis
  return DesignValueCheck(design, *floorplan).run();
}

void warnSaturatedTotals(const std::vector<HAFITFloorplan::SaturatedTotal>& totals) {
  for (const auto& t : totals) ComMsgMgr::hostWarning("@1-87@%s%s%s", t.name, t.exact, t.used);
}

void warnNotAnalysed(const std::vector<HAFITNotAnalysed::Item>& items, const std::string& family) {
  for (const HAFITNotAnalysed::Item& item : items)
    ComMsgMgr::hostWarning("@1-111@%s%s%s", item.what(), item.bitsText(), item.reason(family));
}

std::vector<HAFITNotAnalysed::Item> notAnalysed(HFLFloorplan& design, std::string& family) {
  std::unique_ptr<HAFITFloorplan> floorplan(HAFITFloorplan::create(&design));
  if (!floorplan) return {};
  family = floorplan->familyName();
  return HAFITNotAnalysed::find(design, *floorplan);
}

std::string altitudeUnitText(const HFLFloorplan& design) {
  if (HAFITMgr::altitudeInMeters(&design)) return "meters";
  std::string unit;
  for (const auto& item : design.getConstraintSet()->items())
    if (const auto* units = dynamic_cast<const HASCSetUnits*>(item.get()))
      unit = units->getAltitudeUnit();
  return "feet (units constraint " + HSTJson::quote(unit) + ")";
}

}  // namespace HAFITRun
