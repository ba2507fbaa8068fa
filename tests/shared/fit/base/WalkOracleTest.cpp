// The walk that analyses each definition once against a walk of every occurrence (kept
// here as the reference), on random hierarchies; deep and doubling hierarchies.
#include <gtest/gtest.h>
#include <pthread.h>

#include <algorithm>
#include <climits>
#include <random>
#include <string>
#include <vector>

#include "FloorplanTestDesign.h"
#include "host/msg/ComMsgMgr.h"
#include "shared/fit/base/HAFITZerith9Floorplan.h"

namespace {

// One step per occurrence, recursing on the machine stack.
class ReferenceFloorplan : public HAFITZerith9Floorplan {
 public:
  using HAFITZerith9Floorplan::HAFITZerith9Floorplan;

  void walk(const HDLHCellview* cv) {
    const HAINetlist* nl = netlist();
    if (cv) {
      std::unique_ptr<HDLHInstanceIter> iter(cv->createInstanceIterLH());
      while (iter->more()) {
        const HDLHInstance* instance = iter->next();
        if (HARUPrimUtils::isHBM(instance, nl)) {
          processHBM(instance);
          continue;
        }
        const HDAHInstance* def = instance->getDAH();
        const HDAHCellview* master = def->getMasterView();
        if (!instance->isArchLeaf() && !def->isHierBlackBox() && master &&
            (master->instanceCount() > 0 || master->netCount(HDAHTypes::CONN_ALL) > 0 ||
             master->busNetCount() > 0)) {
          walk(instance->getMasterLH());
          continue;
        }
        if (HARUPrimUtils::isRAMB(instance, nl) || HARUPrimUtils::isFIFO(instance, nl)) {
          if (bramCount_ < INT32_MAX) ++bramCount_;
          processBRAM(instance);
        }
        if (HARUPrimUtils::isYRAM(instance, nl)) {
          yramCount_ += 1.0;
          processYRAM(instance);
          int p = getSeuProtectedBits(instance);
          if (p > YRAM_BLOCK_BITS) {
            std::string name;
            nl->getHierName(instance, name, nullptr, "");
            ComMsgMgr::sendMsg::eval(6, "ref", 0, "fit", 0x8000000, "@65-172@%d%s%d%d%d%d", p, name,
                                     280, 1000, 280000, 280000);
            p = YRAM_BLOCK_BITS;
          }
          yramProtectedBits_ += p;
        }
      }
    }
    yramUnprotectedBits_ = 280000.0 * yramCount_ - yramProtectedBits_;
    hbmUnprotectedBits_ = HBM_STACK_BITS * hbmStackCount_ - hbmProtectedBits_;
  }

  void processHBM(const HDLHInstance* instance) override {
    const uint32_t code = libCellCode(instance);
    if (code == 332) {
      processOneStackHBM(instance);
    } else if (code == 341) {
      hbmProtectedBits_ += std::min(getSeuProtectedHBMBits(instance), HBM_STACK_BITS);
      walk(instance->getMasterLH());
    }
  }
};

struct Outcome {
  Counts counts;
  int64_t bitsTotal;
  double yram[3], hbm[3];
  std::vector<std::string> messages;
  std::string failure;
};

std::vector<std::string> lines(const ComMsgMgr::ScopedCapture& capture) {
  std::vector<std::string> out;
  for (const auto& m : capture.messages()) out.push_back(ComMsgMgr::StreamSink::toText(m));
  return out;
}

template <typename Walk>
Outcome run(HAFITFloorplan& fp, Walk walk, size_t cap) {
  Outcome o;
  ComMsgMgr::ScopedCapture capture;
  ComMsgMgr::setRepeatCap(cap);
  for (int pass = 0; pass < 2; ++pass) {  // a second walk adds to the first
    try {
      walk();
    } catch (const std::exception& e) {
      o.failure += e.what();
    }
  }
  ComMsgMgr::flushWithheld();
  ComMsgMgr::setRepeatCap(ComMsgMgr::DEFAULT_REPEAT_CAP);
  o.counts = countsOf(fp);
  o.bitsTotal = fp.getBramBitsTotal();
  o.yram[0] = fp.getYramCount();
  o.yram[1] = fp.getYramProtectedBits();
  o.yram[2] = fp.getYramUnprotectedBits();
  o.hbm[0] = fp.getHbmStackCount();
  o.hbm[1] = fp.getHbmProtectedBits();
  o.hbm[2] = fp.getHbmUnprotectedBits();
  o.messages = lines(capture);
  return o;
}

void expectSame(const Outcome& got, const Outcome& want, const std::string& where) {
  EXPECT_EQ(got.counts, want.counts) << where;
  EXPECT_EQ(got.bitsTotal, want.bitsTotal) << where;
  // After a failure the unprotected totals are not formed again: not compared.
  const int figures = want.failure.empty() ? 3 : 2;
  for (int i = 0; i < figures; ++i) {
    EXPECT_EQ(got.yram[i], want.yram[i]) << where << " yram " << i;
    EXPECT_EQ(got.hbm[i], want.hbm[i]) << where << " hbm " << i;
  }
  EXPECT_EQ(got.messages, want.messages) << where;
  EXPECT_EQ(got.failure, want.failure) << where;
}

// A random hierarchy of a few cells over every kind of leaf the walk treats apart.
void randomDesign(TestDesign& d, std::mt19937& rng) {
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  const std::vector<HATAttr> protections = {
      I(0), I(100), I(40000), I(-5), I(INT_MIN), I(300000), S("7"), HATAttr::makeDouble(1500.7)};
  const std::vector<HATAttr> hbmProtections = {
      I(1000), S("2.5"), S("0.1"), S("4e10"), HATAttr::makeDouble(1500.7), S("-1e300")};
  const int widths[] = {0, 1, 3, 4, 9, 36, 72};
  HDPrimitive* one = d.primitive("HBM1", HDPrimitive::HBM, 332);
  HDPrimitive* two = d.primitive("HBM2", HDPrimitive::HBM, 341);
  HDAHCellview* stacks = d.cell("stacks");
  d.leaf(stacks, "s0", one, {{"SEU_PROTECTED", S("0.3")}});
  d.leaf(stacks, "s1", one);
  two->contents = stacks;
  if (pick(8) == 0) d.leaf(stacks, "bad", d.yram(), {{"SEU_PROTECTED", S("x")}});

  const int cells = 2 + pick(6);
  std::vector<HDAHCellview*> cv{d.top};
  for (int c = 1; c < cells; ++c) cv.push_back(d.cell("c" + std::to_string(c)));
  if (pick(4) == 0) HDDesignBuilder::setBlackBox(cv.back(), true);
  for (int c = 0; c < cells; ++c) {
    const int n = pick(5);
    for (int k = 0; k < n; ++k) {
      const std::string name = std::string(1, static_cast<char>('a' + pick(3))) +
                               (pick(5) == 0 ? "" : std::to_string(k));
      const int kind = pick(9);
      if (kind < 3 && c + 1 < cells) {
        d.inst(cv[c], name, cv[c + 1 + pick(cells - c - 1)]);
        continue;
      }
      AttrList attrs;
      if (pick(3) == 0) attrs.push_back({"SEU_PROTECTED", protections[pick(8)]});
      switch (kind) {
        case 0:
        case 1:
        case 2:
        case 3:
          attrs.push_back({"READ_WIDTH_A", I(widths[pick(7)])});
          attrs.push_back({"RAM_MODE", S(pick(2) ? "SDP" : "TDP")});
          if (pick(6) == 0)
            attrs.push_back({"EN_ECC_READ", S("TRUE")}),
                attrs.push_back({"EN_ECC_WRITE", S("TRUE")});
          d.leaf(cv[c], name, pick(2) ? d.ramb36() : d.ramb18(), attrs);
          break;
        case 4:
          attrs.push_back({"DATA_WIDTH", I(widths[pick(7)])});
          d.leaf(cv[c], name, d.fifo18(), attrs);
          break;
        case 5:
        case 6:
          d.leaf(cv[c], name, d.yram(), attrs);
          break;
        default:
          d.leaf(cv[c], name, pick(2) ? one : two, {{"SEU_PROTECTED", hbmProtections[pick(6)]}});
      }
    }
    if (pick(3) == 0) HDDesignBuilder::setNets(cv[c], 1, 0);
  }
}

TEST(WalkOracle, RandomHierarchiesGiveTheReferenceNumbersAndMessages) {
  std::mt19937 rng(20261207);
  for (int round = 0; round < 300; ++round) {
    TestDesign d;
    randomDesign(d, rng);
    const HDLHCellview* top = d.design.getNetlist()->getTopCellview();
    for (size_t cap : {size_t(0), size_t(3)}) {
      ReferenceFloorplan ref(&d.design);
      HAFITZerith9Floorplan fp(&d.design);
      const Outcome want = run(
          ref, [&] { ref.walk(top); }, cap);
      const Outcome got = run(
          fp, [&] { fp.traverseCellview(top); }, cap);
      expectSame(got, want, "round " + std::to_string(round) + " cap " + std::to_string(cap));
    }
  }
}

// Cell k instantiates cell k+1 twice; the last holds one over-declared YRAM, one RAMB36
// and a two-stack HBM.
void doublingDesign(TestDesign& d, int levels) {
  HDAHCellview* below = d.cell("leafcell");
  d.leaf(below, "y", d.yram(), {{"SEU_PROTECTED", I(300000)}});
  d.leaf(below, "r", d.ramb36(), {{"RAM_MODE", S("SDP")}, {"READ_WIDTH_A", I(72)}});
  HDPrimitive* one = d.primitive("HBM1", HDPrimitive::HBM, 332);
  HDPrimitive* two = d.primitive("HBM2", HDPrimitive::HBM, 341);
  HDAHCellview* stacks = d.cell("stacks");
  d.leaf(stacks, "s", one, {{"SEU_PROTECTED", I(1000)}});
  two->contents = stacks;
  d.leaf(below, "h", two);
  for (int k = levels - 1; k > 0; --k) {
    HDAHCellview* c = d.cell("c" + std::to_string(k));
    d.inst(c, "u0", below);
    d.inst(c, "u1", below);
    below = c;
  }
  d.inst(d.top, "u0", below);
  d.inst(d.top, "u1", below);
}

TEST(WalkOracle, DoublingHierarchyMatchesTheReference) {
  TestDesign d;
  doublingDesign(d, 14);
  const HDLHCellview* top = d.design.getNetlist()->getTopCellview();
  ReferenceFloorplan ref(&d.design);
  HAFITZerith9Floorplan fp(&d.design);
  const Outcome want = run(
      ref, [&] { ref.walk(top); }, 50);
  const Outcome got = run(
      fp, [&] { fp.traverseCellview(top); }, 50);
  expectSame(got, want, "14 levels");
  ASSERT_EQ(got.messages.size(), 51u);
  EXPECT_EQ(got.messages[0],
            "warning [65-172] u0/u0/u0/u0/u0/u0/u0/u0/u0/u0/u0/u0/u0/u0/y declares 300000 "
            "protected bits but holds only 280000 bits (280 wide, 1000 deep); it is counted as "
            "fully protected");
  EXPECT_EQ(got.messages[50],
            "warning [1-6] 32718 more warnings [65-172] were not shown; only the first 50 of "
            "each kind are listed");
}

TEST(WalkOracle, SixtyLevelsSaturateAsEveryOccurrenceWould) {
  TestDesign d;
  doublingDesign(d, 60);
  HAFITZerith9Floorplan fp(&d.design);
  ComMsgMgr::ScopedCapture capture;
  fp.traverseCellview(d.design.getNetlist()->getTopCellview());
  ComMsgMgr::flushWithheld();
  EXPECT_EQ(fp.getBramCount(), INT32_MAX);
  EXPECT_EQ(fp.getRamb36SdpCount(), INT32_MAX);
  EXPECT_EQ(fp.getBramBits(), INT32_MAX);
  EXPECT_EQ(fp.getBramBitsTotal(), INT64_MAX);  // 2^60 x 36864 does not fit
  // Adding 1.0 stops at 2^53.
  EXPECT_EQ(fp.getYramCount(), 9007199254740992.0);
  EXPECT_EQ(fp.getHbmStackCount(), 9007199254740992.0);
  const auto lines = ::lines(capture);
  ASSERT_EQ(lines.size(), 51u);
  EXPECT_EQ(lines[50],
            "warning [1-6] 1152921504606846926 more warnings [65-172] were not shown; only the "
            "first 50 of each kind are listed");
}

void* deepWalk(void* arg) {
  auto* result = static_cast<int*>(arg);
  TestDesign d;
  HDAHCellview* below = d.cell("bottom");
  d.leaf(below, "r", d.ramb36(), {{"RAM_MODE", S("SDP")}, {"READ_WIDTH_A", I(72)}});
  for (int k = 0; k < 4094; ++k) {
    HDAHCellview* c = d.cell("c" + std::to_string(k));
    d.inst(c, "u", below);
    below = c;
  }
  d.inst(d.top, "u", below);
  auto fp = d.walk();
  *result = fp->getBramBits();
  return nullptr;
}

TEST(WalkOracle, FourThousandLevelsUnderASmallStack) {
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  // ASan builds need more for the test's own frames; the walk needs none per level.
  ASSERT_EQ(pthread_attr_setstacksize(&attr, 512 * 1024), 0);
  pthread_t thread;
  int bits = 0;
  ASSERT_EQ(pthread_create(&thread, &attr, deepWalk, &bits), 0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attr);
  EXPECT_EQ(bits, 36864);
}

}  // namespace
