// FIT by hierarchy and top contributors: rows against walks of each instance on its own,
// sums against the device table, contributors against a ranking of every occurrence.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <sstream>
#include <stdexcept>

#include "FloorplanTestDesign.h"
#include "ReportTestSupport.h"
#include "host/msg/ComMsgMgr.h"
#include "shared/fit/base/HAFITFamily.h"
#include "shared/fit/base/HAFITHierarchy.h"
#include "shared/fit/base/HAFITReport.h"
#include "shared/fit/parser/HAFITSERMgr.h"

namespace {

constexpr unsigned kAllClasses =
    (1u << HAFITSERMgr::MEM_BRAM) | (1u << HAFITSERMgr::MEM_YRAM) | (1u << HAFITSERMgr::MEM_HBM);

struct Walked {
  std::unique_ptr<HAFITFloorplan> fp;
  HAFITHierarchy h;
};

std::unique_ptr<Walked> walkWithHierarchy(TestDesign& d) {
  auto w = std::make_unique<Walked>();
  w->fp = d.floorplan();
  w->fp->setWalkObserver(&w->h);
  w->fp->traverseCellview(d.design.getNetlist()->getTopCellview());
  return w;
}

// Random hierarchy of shared cells with block RAM, FIFO, YRAM and HBM leaves (some over-
// protected or ECC-protected), black boxes and a two-stack HBM whose contents hold a RAM.
void randomDesign(TestDesign& d, std::mt19937& rng) {
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  HDPrimitive* one = d.primitive("HBM1", HDPrimitive::HBM, 332);
  HDPrimitive* two = d.primitive("HBM2", HDPrimitive::HBM, 341);
  HDAHCellview* stacks = d.cell("stacks");
  d.leaf(stacks, "s0", one, {{"SEU_PROTECTED", I(5)}});
  d.leaf(stacks, "s1", one);
  d.leaf(stacks, "ram", d.ramb18(), {{"READ_WIDTH_A", I(18)}});
  two->contents = stacks;
  HDAHCellview* box = d.cell("box");
  HDDesignBuilder::setBlackBox(box, true);
  HDDesignBuilder::setNets(box, 3, 0);
  const int cells = 2 + pick(5);
  std::vector<HDAHCellview*> cv{d.top};
  for (int c = 1; c < cells; ++c) cv.push_back(d.cell("c" + std::to_string(c)));
  const int widths[] = {0, 1, 9, 18, 36, 72};
  for (int c = 0; c < cells; ++c) {
    const int n = 1 + pick(6);
    for (int k = 0; k < n; ++k) {
      const std::string name = std::string(1, static_cast<char>('a' + pick(3))) + std::to_string(k);
      const int kind = pick(10);
      if (kind < 3 && c + 1 < cells) {
        d.inst(cv[c], name, cv[c + 1 + pick(cells - c - 1)]);
        continue;
      }
      AttrList attrs;
      if (pick(4) == 0) attrs.push_back({"SEU_PROTECTED", I(pick(2) ? 300000 : 100)});
      switch (kind) {
        case 0:
        case 1:
        case 2:
        case 3:
          attrs.push_back({"READ_WIDTH_A", I(widths[pick(6)])});
          if (pick(5) == 0)
            attrs.push_back({"EN_ECC_READ", S("TRUE")}),
                attrs.push_back({"EN_ECC_WRITE", S("TRUE")});
          d.leaf(cv[c], name, pick(2) ? d.ramb36() : d.ramb18(), attrs);
          break;
        case 4:
          attrs.push_back({"DATA_WIDTH", I(widths[pick(6)])});
          d.leaf(cv[c], name, d.fifo36(), attrs);
          break;
        case 5:
        case 6:
          d.leaf(cv[c], name, d.yram(), attrs);
          break;
        case 7:
          d.inst(cv[c], name, box);
          break;
        default:
          d.leaf(cv[c], name, pick(2) ? one : two, {{"SEU_PROTECTED", I(pick(3) * 1000)}});
      }
    }
  }
}

// What a walk of one cell view on its own gives: the oracle of a row.
HAFITHierarchy::Bits walkAlone(TestDesign& d, const HDLHCellview* cv) {
  auto fp = d.floorplan();
  ComMsgMgr::ScopedCapture quiet;
  fp->traverseCellview(cv);
  HAFITHierarchy::Bits b;
  b.bram = fp->getBramBitsTotal();
  b.yram = static_cast<HAFITBitCount>(fp->getYramUnprotectedBits());
  b.hbm = fp->getHbmUnprotectedBits();
  return b;
}

void expectBits(const HAFITHierarchy::Bits& got, const HAFITHierarchy::Bits& want,
                const std::string& where) {
  EXPECT_TRUE(got.bram == want.bram) << where << " block RAM";
  EXPECT_TRUE(got.yram == want.yram) << where << " YRAM";
  EXPECT_EQ(got.hbm, want.hbm) << where;
}

struct Occurrence {
  std::string path;
  int depth;
  HAFITHierarchy::Bits bits;  // a walk of its master view on its own
};

// Every hierarchical occurrence down to `depth`, depth first, by the host's iterators.
void occurrences(TestDesign& d, const HDLHCellview* cv, const std::string& prefix, int level,
                 int depth, std::vector<Occurrence>& out) {
  std::unique_ptr<HDLHInstanceIter> it(cv->createInstanceIterLH());
  while (it->more()) {
    const HDLHInstance* i = it->next();
    const HDAHInstance* def = i->getDAH();
    const HDAHCellview* m = def->getMasterView();
    if (i->isArchLeaf() || def->isHierBlackBox() || !m ||
        (m->instanceCount() == 0 && m->netCount(HDAHTypes::CONN_ALL) + m->busNetCount() == 0))
      continue;
    const std::string path =
        prefix.empty() ? std::string(def->getName()) : prefix + "/" + std::string(def->getName());
    out.push_back({path, level, walkAlone(d, i->getMasterLH())});
    if (level < depth) occurrences(d, i->getMasterLH(), path, level + 1, depth, out);
  }
}

TEST(Hierarchy, RowsMatchWalksOfEachInstanceAndAddUpToTheWholeDesign) {
  std::mt19937 rng(1207);
  size_t checked = 0;
  for (int round = 0; round < 150; ++round) {
    TestDesign d;
    randomDesign(d, rng);
    auto w = walkWithHierarchy(d);
    const std::string where = "round " + std::to_string(round);
    const HDLHCellview* top = d.design.getNetlist()->getTopCellview();
    for (int depth : {1, 2, 4}) {
      const auto rows = w->h.rows(depth);
      checked += rows.size();
      std::vector<Occurrence> want;
      occurrences(d, top, "", 1, depth, want);
      ASSERT_EQ(rows.size(), want.size() + 1) << where;
      EXPECT_EQ(rows[0].path, "top");
      EXPECT_EQ(rows[0].depth, 0);
      // The whole design is the main walk's counters, exactly.
      EXPECT_TRUE(rows[0].bits.bram == w->fp->getBramBitsTotal()) << where;
      EXPECT_EQ(static_cast<double>(rows[0].bits.yram), w->fp->getYramUnprotectedBits()) << where;
      EXPECT_EQ(rows[0].bits.hbm, w->fp->getHbmUnprotectedBits()) << where;
      for (size_t k = 0; k < want.size(); ++k) {
        EXPECT_EQ(rows[k + 1].path, want[k].path) << where;
        EXPECT_EQ(rows[k + 1].depth, want[k].depth) << where;
        expectBits(rows[k + 1].bits, want[k].bits, where + " " + want[k].path);
      }
      // At each depth: its rows plus the own leaves of every shallower row are the design.
      for (int level = 1; level <= depth; ++level) {
        HAFITHierarchy::Bits sum;
        for (const auto& r : rows)
          sum.add(r.depth == level ? r.bits : r.depth < level ? r.own : HAFITHierarchy::Bits{});
        expectBits(sum, rows[0].bits, where + " depth " + std::to_string(level));
      }
    }
  }
  EXPECT_GT(checked, 1000u);  // the random designs are not all flat
}

TEST(Hierarchy, FlattenedLeavesStandInTheInstancesTheirNamesGive) {
  const AttrList wide{{"RAM_MODE", S("SDP")}, {"READ_WIDTH_A", I(72)}};  // 36864
  const AttrList narrow{{"READ_WIDTH_A", I(18)}};                        // 18432
  TestDesign h;
  HDAHCellview* lane = h.cell("lane");
  h.leaf(lane, "r", h.ramb36(), wide);
  HDAHCellview* pe = h.cell("pe");
  h.inst(pe, "l0", lane);
  h.inst(pe, "l1", lane);
  h.leaf(pe, "y", h.ramb18(), narrow);
  h.inst(h.top, "a", pe);
  h.leaf(h.top, "t", h.ramb18(), narrow);
  TestDesign f;  // the same design flattened: leaves named by their place
  f.leaf(f.top, "a/l0/r", f.ramb36(), wide);
  f.leaf(f.top, "a/l1/r", f.ramb36(), wide);
  f.leaf(f.top, "a/y", f.ramb18(), narrow);
  f.leaf(f.top, "t", f.ramb18(), narrow);
  auto wh = walkWithHierarchy(h);
  auto wf = walkWithHierarchy(f);
  for (int depth : {0, 1, 3}) {
    const auto want = wh->h.rows(depth), got = wf->h.rows(depth);
    ASSERT_EQ(got.size(), want.size()) << depth;
    for (size_t k = 0; k < want.size(); ++k) {
      EXPECT_EQ(got[k].path, want[k].path);
      EXPECT_EQ(got[k].depth, want[k].depth);
      expectBits(got[k].bits, want[k].bits, want[k].path);
      expectBits(got[k].own, want[k].own, want[k].path + " own");
    }
  }
  EXPECT_EQ(wf->h.rows(3).size(), 4u);  // top, a, a/l0, a/l1
}

// Every leaf memory occurrence with its exposed bits, found by analysing it on its own.
void leaves(TestDesign& d, const HDLHCellview* cv, const std::string& prefix,
            std::vector<HAFITHierarchy::Contributor>& out, bool inHbm) {
  std::unique_ptr<HDLHInstanceIter> it(cv->createInstanceIterLH());
  const HAINetlist* nl = d.design.getNetlist();
  while (it->more()) {
    const HDLHInstance* i = it->next();
    const std::string path = prefix.empty() ? std::string(i->getDAH()->getName())
                                            : prefix + "/" + std::string(i->getDAH()->getName());
    auto fp = d.floorplan();
    ComMsgMgr::ScopedCapture quiet;
    if (HARUPrimUtils::isHBM(i, nl)) {
      if (inHbm) continue;  // counted with the HBM that holds it
      fp->processHBM(i);
      // A two-stack HBM's own figure also takes its contents' stacks.
      const double bits = 32768000000.0 * fp->getHbmStackCount() - fp->getHbmProtectedBits();
      out.push_back({path, HAFITSERMgr::MEM_HBM, bits, 0.0});
      if (const HDLHCellview* c = i->getMasterLH()) leaves(d, c, path, out, true);
      continue;
    }
    const HDAHCellview* m = i->getDAH()->getMasterView();
    if (!i->isArchLeaf() && !i->getDAH()->isHierBlackBox() && m && m->instanceCount() > 0) {
      leaves(d, i->getMasterLH(), path, out, inHbm);
      continue;
    }
    if (HARUPrimUtils::isRAMB(i, nl) || HARUPrimUtils::isFIFO(i, nl)) {
      fp->processBRAM(i);
      out.push_back(
          {path, HAFITSERMgr::MEM_BRAM, static_cast<double>(fp->getBramBitsTotal()), 0.0});
    }
    if (HARUPrimUtils::isYRAM(i, nl))
      out.push_back({path, HAFITSERMgr::MEM_YRAM,
                     280000.0 - std::min(fp->getSeuProtectedBits(i), 280000), 0.0});
  }
}

class HierarchyReport : public ReportTest {
 protected:
  void SetUp() override {
    useSer(serFile(
        "arch",
        type("config", "1000") + type("bram", "10") + type("yram", "20") + type("hbm", "0.5"),
        type("config", "1") + type("bram", "1") + type("yram", "1") + type("hbm", "1")));
  }
};

TEST_F(HierarchyReport, TopContributorsAreTheBestOfEveryOccurrenceTiesByPath) {
  std::mt19937 rng(712);
  for (int round = 0; round < 150; ++round) {
    TestDesign d;
    randomDesign(d, rng);
    auto w = walkWithHierarchy(d);
    w->fp->setFlux(1.0f);
    std::vector<HAFITHierarchy::Contributor> all;
    leaves(d, d.design.getNetlist()->getTopCellview(), "", all, false);
    all.erase(std::remove_if(all.begin(), all.end(), [](const auto& c) { return c.bits == 0.0; }),
              all.end());
    for (auto& c : all) ASSERT_TRUE(w->fp->nominalFit(c.memType, c.bits, c.fit));
    std::sort(all.begin(), all.end(), [](const auto& a, const auto& b) {
      return a.fit != b.fit ? a.fit > b.fit : a.path < b.path;
    });
    for (size_t n : {size_t(1), size_t(3), size_t(1000)}) {
      const auto got = w->h.topContributors(*w->fp, kAllClasses, n);
      ASSERT_EQ(got.size(), std::min(n, all.size())) << round;
      for (size_t k = 0; k < got.size(); ++k) {
        EXPECT_EQ(got[k].path, all[k].path) << round << " #" << k;
        EXPECT_EQ(got[k].bits, all[k].bits) << round << " " << got[k].path;
        EXPECT_EQ(got[k].fit, all[k].fit) << round << " " << got[k].path;
      }
    }
  }
}

// The sections as rendered, the device table's nominal cells, and the budget figures.
struct Rendered {
  HCRRptDoc doc;
  HAFITReport::Figures figures;
};

Rendered render(HAFITFloorplan& fp, const HAFITHierarchy* h, int depth, size_t n) {
  HAFITReport report(&fp);
  if (h) report.setHierarchy(h, depth, n);
  std::ostringstream os;
  Rendered r;
  r.figures = report.write(os, "seufit report", HAFITReport::Format::TEXT, {});
  HCRRptDoc doc = HCRRptDoc::createDoc("FIT Report", true, "", "", "", "", "");
  fp.writeDeviceReliability(doc);
  if (h) h->writeSections(doc, fp, depth, n);
  r.doc = doc;
  return r;
}

TEST_F(HierarchyReport, SectionsFollowTheDeviceTableWhoseFiguresTheyShare) {
  TestDesign d;
  HDAHCellview* lane = d.cell("lane");
  d.leaf(lane, "r", d.ramb36(), {{"RAM_MODE", S("SDP")}, {"READ_WIDTH_A", I(72)}});  // 36864
  HDAHCellview* pe = d.cell("pe");
  d.inst(pe, "l0", lane);
  d.inst(pe, "l1", lane);
  d.leaf(pe, "y", d.yram(), {{"SEU_PROTECTED", I(80000)}});  // 200000
  d.inst(d.top, "b", pe);
  d.inst(d.top, "a", pe);  // ties with b: by path
  d.inst(d.top, "x FIT", lane);
  d.leaf("h", d.primitive("HBM1", HDPrimitive::HBM, 332));
  auto w = walkWithHierarchy(d);
  w->fp->setFlux(1.0f);

  const Rendered plain = render(*w->fp, nullptr, -1, 0);
  const Rendered r = render(*w->fp, &w->h, 1, 4);
  // A row named like a FIT row must not enter the device figures.
  EXPECT_EQ(r.figures.deviceFit, plain.figures.deviceFit);
  EXPECT_EQ(r.figures.deviceFailures, plain.figures.deviceFailures);

  const auto& sections = r.doc.sections();
  ASSERT_EQ(sections.size(), 3u);
  EXPECT_EQ(sections[1].title, "FIT by Hierarchy");
  EXPECT_EQ(sections[2].title, "Top Contributors");
  const auto& device = sections[0].tables.at(0).rows;
  // Block, YRAM and HBM nominal cells of the device table (rows 3, 5, 7).
  const double bram = device.at(3).cells.at(2).value, yram = device.at(5).cells.at(2).value,
               hbm = device.at(7).cells.at(2).value;
  EXPECT_EQ(bram, static_cast<double>(static_cast<float>(10 * (5 * 36864 / 1e6))));
  EXPECT_EQ(yram, static_cast<double>(static_cast<float>(20 * (400000 / 1e6))));
  EXPECT_EQ(hbm, 0.5 * (32768000000.0 / 1e6));

  const auto& rows = sections[1].tables.at(0).rows;
  ASSERT_EQ(rows.size(), 5u);
  std::vector<std::string> headings;
  for (const auto& c : rows[0].cells) headings.push_back(c.text);
  EXPECT_EQ(headings,
            (std::vector<std::string>{"Instance", "Depth", "Block Memory Bits", "Yotta Memory Bits",
                                      "HBM Bits", "Nominal FIT", "Share (%)"}));
  const double total = bram + yram + hbm;
  EXPECT_EQ(rows[1].cells[0].text, "top");
  EXPECT_EQ(rows[1].cells[5].value, total);
  EXPECT_EQ(rows[1].cells[6].value, 100.0);
  const double peFit = static_cast<double>(static_cast<float>(10 * (73728 / 1e6))) +
                       static_cast<double>(static_cast<float>(20 * (200000 / 1e6)));
  const char* order[] = {"a", "b", "x FIT"};
  for (int k = 0; k < 3; ++k) EXPECT_EQ(rows[2 + k].cells[0].text, order[k]);
  EXPECT_EQ(rows[2].cells[2].value, 73728.0);
  EXPECT_EQ(rows[2].cells[3].value, 200000.0);
  EXPECT_EQ(rows[2].cells[5].value, peFit);
  EXPECT_EQ(rows[2].cells[6].value, 100.0 * peFit / total);

  const auto& top = sections[2].tables.at(0).rows;
  ASSERT_EQ(top.size(), 5u);
  const char* paths[] = {"h", "a/y", "b/y", "a/l0/r"};
  for (int k = 0; k < 4; ++k) EXPECT_EQ(top[1 + k].cells[0].text, paths[k]);
  EXPECT_EQ(top[1].cells[1].text, "HBM");
  EXPECT_EQ(top[1].cells[3].value, hbm);
  EXPECT_EQ(top[4].cells[2].value, 36864.0);

  // A family that tables block memory only has no YRAM or HBM columns or contributors.
  TestDesign z7(FamilyCodes{"zerith7", 10, 260, 264, 1382, 1390, false});
  z7.leaf("y", z7.yram());
  z7.leaf("r", z7.ramb36(), {{"READ_WIDTH_A", I(36)}});
  auto w7 = walkWithHierarchy(z7);
  HCRRptDoc doc7;
  w7->h.writeSections(doc7, *w7->fp, 1, 5);
  EXPECT_EQ(doc7.sections().at(0).tables.at(0).rows.at(0).cells.size(), 5u);
  const auto& top7 = doc7.sections().at(1).tables.at(0).rows;
  ASSERT_EQ(top7.size(), 2u);
  EXPECT_EQ(top7[1].cells[0].text, "r");
}

TEST_F(HierarchyReport, EveryFamilyBreaksDownTheClassesItsDeviceTableShows) {
  const int archTypes[] = {10, 15, 21, 27};
  for (int t : archTypes) {
    const HAFITFamily* f = HAFITFamilyFor(t, "dev-x");
    ASSERT_NE(f, nullptr);
    TestDesign d(FamilyCodes{f->name, t, 0, 0, 0, 0, false});
    auto fp = d.walk();
    HCRRptDoc doc;
    fp->writeDeviceReliability(doc);
    unsigned shown = 0;
    for (const auto& row : doc.sections().at(0).tables.at(0).rows) {
      const std::string label = row.cells.at(0).text;
      if (label == "Block Memory FIT") shown |= 1u << HAFITSERMgr::MEM_BRAM;
      if (label == "Yotta Memory FIT") shown |= 1u << HAFITSERMgr::MEM_YRAM;
      if (label == "HBM FIT") shown |= 1u << HAFITSERMgr::MEM_HBM;
    }
    EXPECT_EQ(f->designClasses, shown) << f->name;
  }
}

// Cell k instantiates cell k+1 twice; the last holds a RAMB36 and a YRAM.
void doubling(TestDesign& d, int levels) {
  HDAHCellview* below = d.cell("leafcell");
  d.leaf(below, "r", d.ramb36(), {{"RAM_MODE", S("SDP")}, {"READ_WIDTH_A", I(72)}});
  d.leaf(below, "y", d.yram(), {{"SEU_PROTECTED", I(1000)}});
  for (int k = levels - 1; k > 0; --k) {
    HDAHCellview* c = d.cell("c" + std::to_string(k));
    d.inst(c, "u0", below);
    d.inst(c, "u1", below);
    below = c;
  }
  d.inst(d.top, "u0", below);
  d.inst(d.top, "u1", below);
}

TEST_F(HierarchyReport, SixtyLevelsAreCountedPerOccurrenceWithoutVisitingThem) {
  TestDesign d;
  doubling(d, 60);
  auto w = walkWithHierarchy(d);
  w->fp->setFlux(1.0f);
  const auto rows = w->h.rows(2);
  ASSERT_EQ(rows.size(), 7u);
  const HAFITBitCount occurrences = HAFITBitCount(1) << 60;
  EXPECT_TRUE(rows[0].bits.bram == occurrences * 36864);
  EXPECT_TRUE(rows[0].bits.yram == occurrences * 279000);
  EXPECT_TRUE(rows[2].bits.bram == (occurrences / 4) * 36864);
  EXPECT_EQ(rows[2].path, "u0/u0");
  EXPECT_EQ(HAFITHierarchy::toString(rows[0].bits.bram), "42501298345826806923264");
  // The device table saturates these counts; so does the whole design's row.
  double bramFit = 0.0, yramFit = 0.0;
  ASSERT_TRUE(w->fp->nominalFit(HAFITSERMgr::MEM_BRAM, 2147483647.0, bramFit));
  ASSERT_TRUE(w->fp->nominalFit(HAFITSERMgr::MEM_YRAM, 4294967295.0, yramFit));
  EXPECT_EQ(HAFITHierarchy::nominalFit(*w->fp, kAllClasses, rows[0].bits), bramFit + yramFit);

  const auto top = w->h.topContributors(*w->fp, kAllClasses, 3);
  ASSERT_EQ(top.size(), 3u);
  std::string path;
  for (int k = 0; k < 60; ++k) path += "u0/";
  EXPECT_EQ(top[0].path, path + "y");  // YRAM before block RAM, then the next path
  EXPECT_EQ(top[1].path, path.substr(0, path.size() - 3) + "u1/y");

  EXPECT_THROW(w->h.rows(17), std::length_error);  // 2^18 - 1 rows
}

}  // namespace
