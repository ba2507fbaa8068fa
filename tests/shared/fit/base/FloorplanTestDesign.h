// Designs built in code for the floorplan tests.
#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "host/design/db/HDesign.h"
#include "shared/fit/base/HAFITFloorplan.h"

using AttrList = std::vector<std::pair<std::string, HATAttr>>;

// Library-cell codes of one family; 0 where the family has no such cell.
struct FamilyCodes {
  const char* name;
  int archType;
  uint32_t fifo18, fifo36, ramb18, ramb36;
  bool hbm;
};

// Zerith9 codes, the default of TestDesign.
constexpr FamilyCodes kZ9{"zerith9", 21, 261, 266, 1383, 1391, true};

class TestDesign {
 public:
  explicit TestDesign(const FamilyCodes& family = kZ9) : codes(family) {
    design.setPart(std::make_unique<HDARPart>("part-x", "dev-x", "ARCH", family.archType));
    top = design.addCell("top");
    design.setTop(top);
  }

  // A primitive defining the attributes the analyses read, so none is user-defined.
  HDPrimitive* primitive(const std::string& name, unsigned classes, uint32_t code,
                         std::vector<std::string> attrs = defaultAttrs()) {
    HDPrimitive* p = design.addPrimitive(name);
    p->classes = classes;
    p->code = code;
    p->attributes = std::move(attrs);
    return p;
  }
  HDPrimitive* ramb18() { return cached("RAMB18", HDPrimitive::RAMB, codes.ramb18); }
  HDPrimitive* ramb36() { return cached("RAMB36", HDPrimitive::RAMB, codes.ramb36); }
  HDPrimitive* fifo18() { return cached("FIFO18", HDPrimitive::FIFO, codes.fifo18); }
  HDPrimitive* fifo36() { return cached("FIFO36", HDPrimitive::FIFO, codes.fifo36); }
  HDPrimitive* yram() { return cached("YRAM", HDPrimitive::YRAM, 900); }

  HDAHCellview* cell(const std::string& name) { return design.addCell(name); }
  HDAHInstance* inst(HDAHCellview* parent, const std::string& name, const HDAHCellview* cell) {
    return HDDesignBuilder::addInstance(parent, name, cell, nullptr);
  }
  HDAHInstance* leaf(HDAHCellview* parent, const std::string& name, const HDPrimitive* p,
                     const AttrList& attrs = {}) {
    HDAHInstance* i = HDDesignBuilder::addInstance(parent, name, nullptr, p);
    for (const auto& a : attrs) HDDesignBuilder::setAttr(parent, i, a.first, a.second);
    return i;
  }
  HDAHInstance* leaf(const std::string& name, const HDPrimitive* p, const AttrList& attrs = {}) {
    return leaf(top, name, p, attrs);
  }
  // Places the instance on a new site with one element holding these values.
  void place(HDAHInstance* i, const std::vector<std::pair<std::string, std::string>>& cfg) {
    const std::string site = "SITE_" + std::string(i->getName());
    HDDesignBuilder::setSite(top, i, site);  // any cell of the design holds its strings
    HDSMSite& s = design.getPart()->getPlaceArch()->getSitemap()->add(site);
    s.elements.push_back(std::make_unique<HDSMElement>());
    for (const auto& kv : cfg)
      s.elements.back()->values.push_back(
          std::make_unique<HDDMElementCfgValue>(kv.first, kv.second));
  }

  std::unique_ptr<HAFITFloorplan> floorplan() {
    return std::unique_ptr<HAFITFloorplan>(HAFITFloorplan::create(&design));
  }
  std::unique_ptr<HAFITFloorplan> walk() {
    auto fp = floorplan();
    fp->traverseCellview(design.getNetlist()->getTopCellview());
    return fp;
  }
  // An occurrence of a top-level instance, for calling the analyses directly.
  HDLHInstance occurrence(const HDAHInstance* i) {
    return HDLHInstance(i, design.getNetlist()->getTopCellview());
  }

  static std::vector<std::string> defaultAttrs() {
    return {"RAM_MODE",    "RAM_EXTENSION_A", "FIFO_MODE",     "DATA_WIDTH",   "READ_WIDTH",
            "WRITE_WIDTH", "READ_WIDTH_A",    "WRITE_WIDTH_A", "READ_WIDTH_B", "WRITE_WIDTH_B",
            "EN_ECC_READ", "EN_ECC_WRITE",    "SEU_PROTECTED"};
  }

  HFLFloorplan design;
  HDAHCellview* top;
  FamilyCodes codes;

 private:
  HDPrimitive* cached(const std::string& name, unsigned cls, uint32_t code) {
    HDPrimitive* p = design.findPrimitive(name);
    return p ? p : primitive(name, cls, code);
  }
};

// Counters as one comparable value.
struct Counts {
  int bramBits = 0, bramCount = 0, r18Tdp = 0, r18Sdp = 0, r36Tdp = 0, r36Sdp = 0, f18 = 0,
      f18_36 = 0, f36 = 0, f36_72 = 0, cascade = 0;
  bool operator==(const Counts& o) const {
    return bramBits == o.bramBits && bramCount == o.bramCount && r18Tdp == o.r18Tdp &&
           r18Sdp == o.r18Sdp && r36Tdp == o.r36Tdp && r36Sdp == o.r36Sdp && f18 == o.f18 &&
           f18_36 == o.f18_36 && f36 == o.f36 && f36_72 == o.f36_72 && cascade == o.cascade;
  }
};

inline Counts countsOf(const HAFITFloorplan& fp) {
  return {fp.getBramBits(),       fp.getBramCount(),         fp.getRamb18TdpCount(),
          fp.getRamb18SdpCount(), fp.getRamb36TdpCount(),    fp.getRamb36SdpCount(),
          fp.getFifo18Count(),    fp.getFifo18_36Count(),    fp.getFifo36Count(),
          fp.getFifo36_72Count(), fp.getRamb36CascadeCount()};
}

inline std::ostream& operator<<(std::ostream& os, const Counts& c) {
  return os << "{bits " << c.bramBits << ", count " << c.bramCount << ", r18 " << c.r18Tdp << "/"
            << c.r18Sdp << ", r36 " << c.r36Tdp << "/" << c.r36Sdp << ", f18 " << c.f18 << "/"
            << c.f18_36 << ", f36 " << c.f36 << "/" << c.f36_72 << ", cascade " << c.cascade << "}";
}

inline HATAttr I(int v) { return HATAttr::makeInt(v); }
inline HATAttr S(const std::string& v) { return HATAttr::makeString(v); }
