// The design walk: descent, leaves, YRAM and HBM totals, exceptions, the listing.
#include <gtest/gtest.h>

#include <climits>
#include <stdexcept>

#include "FloorplanTestDesign.h"
#include "host/msg/ComMsgMgr.h"

namespace {

const HATAttr kSdp = S("SDP");

TEST(Walk, EmptyTopLeavesEveryCounterAtZero) {
  TestDesign d;
  auto fp = d.walk();
  EXPECT_EQ(countsOf(*fp), Counts{});
  EXPECT_EQ(fp->getYramCount(), 0.0);
  EXPECT_EQ(fp->getYramUnprotectedBits(), 0.0);
  EXPECT_EQ(fp->getHbmStackCount(), 0.0);
  EXPECT_EQ(fp->getHbmUnprotectedBits(), 0.0);
}

TEST(Walk, DescendsHierarchyButNotBlackBoxesOrPrimitiveContents) {
  TestDesign d;
  // Reached: top/a/b/ram. Not reached: the RAMB inside a black box, and the RAMB inside
  // a primitive's contents (the primitive itself is a leaf that counts once).
  HDAHCellview* b = d.cell("b");
  d.leaf(b, "ram", d.ramb36(), {{"RAM_MODE", kSdp}, {"READ_WIDTH_A", I(72)}});
  HDAHCellview* a = d.cell("a");
  d.inst(a, "b", b);
  d.inst(d.top, "a", a);
  d.inst(d.top, "a2", a);

  HDAHCellview* box = d.cell("box");
  HDDesignBuilder::setBlackBox(box, true);
  d.leaf(box, "hidden", d.ramb36());
  d.inst(d.top, "box", box);

  HDAHCellview* contents = d.cell("contents");
  d.leaf(contents, "inner", d.ramb36());
  HDPrimitive* wrapped = d.primitive("WRAPPED", HDPrimitive::RAMB, 1391);
  wrapped->contents = contents;
  d.leaf("wrapped", wrapped);

  // A cell without instances or nets is a leaf and adds nothing; one with nets only is
  // walked and adds nothing either.
  HDAHCellview* netsOnly = d.cell("netsOnly");
  HDDesignBuilder::setNets(netsOnly, 0, 2);
  d.inst(d.top, "n", netsOnly);
  d.inst(d.top, "e", d.cell("empty"));

  auto fp = d.walk();
  EXPECT_EQ(fp->getBramCount(), 3);  // two occurrences of b/ram, the wrapped primitive
  EXPECT_EQ(fp->getRamb36SdpCount(), 2);
  EXPECT_EQ(fp->getRamb36TdpCount(), 1);
  EXPECT_EQ(fp->getBramBits(), 2 * 36864);
}

TEST(Walk, YramTotalsCoverNestedCalls) {
  TestDesign d;
  HDAHCellview* s1 = d.cell("s1");
  HDAHCellview* s2 = d.cell("s2");
  d.leaf(s1, "y", d.yram(), {{"SEU_PROTECTED", I(1000)}});
  d.leaf(s2, "y", d.yram());
  d.inst(d.top, "s1", s1);
  d.inst(d.top, "s2", s2);
  auto fp = d.walk();
  EXPECT_EQ(fp->getYramCount(), 2.0);
  EXPECT_EQ(fp->getYramUnprotectedBits(), 559000.0);

  // A second walk adds to the first.
  fp->traverseCellview(d.design.getNetlist()->getTopCellview());
  EXPECT_EQ(fp->getYramCount(), 4.0);
  EXPECT_EQ(fp->getYramUnprotectedBits(), 1118000.0);
}

TEST(Walk, YramOverDeclarationIsClampedWithAMessage) {
  const struct {
    int declared;
    double unprotectedBits;
    bool message;
  } rows[] = {
      {300000, 0.0, true}, {280001, 0.0, true}, {280000, 0.0, false}, {-5, 280005.0, false}};
  for (const auto& row : rows) {
    TestDesign d;
    HDAHCellview* sub = d.cell("sub");
    d.leaf(sub, "y", d.yram(), {{"SEU_PROTECTED", I(row.declared)}});
    d.inst(d.top, "u", sub);
    ComMsgMgr::ScopedCapture capture;
    EXPECT_EQ(d.walk()->getYramUnprotectedBits(), row.unprotectedBits) << row.declared;
    ASSERT_EQ(capture.messages().size(), row.message ? 1u : 0u) << row.declared;
    if (!row.message) continue;
    const ComMsgMgr::Message& m = capture.messages()[0];
    EXPECT_EQ(m.format, "@65-172@%d%s%d%d%d%d");
    EXPECT_EQ(m.mask, 0x8000000u);
    EXPECT_EQ(m.category, "fit");
    ASSERT_EQ(m.args.size(), 6u);
    EXPECT_EQ(m.args[0].i, row.declared);
    EXPECT_EQ(m.args[1].s, "u/y");
    EXPECT_EQ(m.args[2].i, 280);
    EXPECT_EQ(m.args[3].i, 1000);
    EXPECT_EQ(m.args[4].i, 280000);
    EXPECT_EQ(m.args[5].i, 280000);
  }
}

TEST(Walk, LeafOfBothBlockRamAndYramClassesPassesBothTests) {
  TestDesign d;
  HDPrimitive* both = d.primitive("BOTH", HDPrimitive::RAMB | HDPrimitive::YRAM, 1383);
  d.leaf("x", both, {{"RAM_MODE", kSdp}, {"READ_WIDTH_A", I(36)}});
  auto fp = d.walk();
  EXPECT_EQ(fp->getBramCount(), 1);
  EXPECT_EQ(fp->getBramBits(), 18432);
  EXPECT_EQ(fp->getYramCount(), 1.0);
  EXPECT_EQ(fp->getYramUnprotectedBits(), 280000.0);
}

// A two-stack HBM of two one-stack HBMs, a block RAM inside its contents, and an HBM that
// is also classed as block RAM.
void addHbm(TestDesign& d, const AttrList& twoStackAttrs) {
  HDPrimitive* one = d.primitive("HBM1", HDPrimitive::HBM, 332);
  HDAHCellview* contents = d.cell("hbm2_contents");
  d.leaf(contents, "s0", one);
  d.leaf(contents, "s1", one);
  d.leaf(contents, "ram", d.ramb36(), {{"RAM_MODE", kSdp}, {"READ_WIDTH_A", I(72)}});
  HDPrimitive* two = d.primitive("HBM2", HDPrimitive::HBM, 341);
  two->contents = contents;
  d.leaf("hbm", two, twoStackAttrs);
  d.leaf("odd", d.primitive("HBMX", HDPrimitive::HBM | HDPrimitive::RAMB, 333));
}

TEST(Walk, TwoStackHbmIsWalkedByZerith9Only) {
  TestDesign d;
  addHbm(d, {});
  auto fp = d.walk();
  EXPECT_EQ(fp->getHbmStackCount(), 2.0);
  EXPECT_EQ(fp->getHbmUnprotectedBits(), 65536000000.0);
  EXPECT_EQ(fp->getBramCount(), 1);  // the block RAM inside the contents; not the odd HBM
  EXPECT_EQ(fp->getBramBits(), 36864);

  TestDesign capped;
  addHbm(capped, {{"SEU_PROTECTED", HATAttr::makeLong(40000000000)}});
  auto fp2 = capped.walk();
  EXPECT_EQ(fp2->getHbmProtectedBits(), 32768000000.0);
  EXPECT_EQ(fp2->getHbmUnprotectedBits(), 32768000000.0);

  for (const FamilyCodes& f : {FamilyCodes{"zerith7", 10, 260, 264, 1382, 1390, false},
                               FamilyCodes{"korvan", 27, 0, 0, 1385, 1395, false}}) {
    TestDesign other(f);
    addHbm(other, {});
    auto fp3 = other.walk();
    EXPECT_EQ(countsOf(*fp3), Counts{}) << f.name;
    EXPECT_EQ(fp3->getHbmStackCount(), 0.0) << f.name;
    EXPECT_EQ(fp3->getHbmUnprotectedBits(), 0.0) << f.name;
  }
}

TEST(Walk, HbmProtectedBitsByValueKind) {
  const struct {
    HATAttr value;
    double protectedBits;
  } rows[] = {
      {S("1.5e9"), 1500000000.0},
      {HATAttr::makeDouble(1500.7), 1500.0},
      {S("2.5"), 2.5},
      {I(-7), -7.0},
      {HATAttr::makeLong(1LL << 40), 32768000000.0},
      {HATAttr::makeOther("5"), 0.0},
      {HATAttr::makeBool(true), 0.0},
      {S("nan"), 0.0},
  };
  for (const auto& row : rows) {
    TestDesign d;
    d.leaf("h", d.primitive("HBM1", HDPrimitive::HBM, 332), {{"SEU_PROTECTED", row.value}});
    auto fp = d.walk();
    EXPECT_EQ(fp->getHbmStackCount(), 1.0);
    EXPECT_EQ(fp->getHbmProtectedBits(), row.protectedBits) << row.value.getStringVal();
    EXPECT_EQ(fp->getHbmUnprotectedBits(), 32768000000.0 - row.protectedBits);
  }
}

TEST(Walk, BadProtectedTextNamesInstanceAndTextAndKeepsEarlierCounts) {
  const struct {
    bool hbm;
    const char* text;
    bool outOfRange;
  } rows[] = {{false, "abc", false},
              {false, "99999999999", true},
              {true, "x1", false},
              {true, "1e999", true}};
  for (const auto& row : rows) {
    TestDesign d;
    d.leaf("first", d.ramb36(), {{"RAM_MODE", kSdp}, {"READ_WIDTH_A", I(72)}});
    HDAHCellview* mid = d.cell("mid");
    HDAHCellview* low = d.cell("low");
    HDPrimitive* p = row.hbm ? d.primitive("HBM1", HDPrimitive::HBM, 332) : d.ramb36();
    d.leaf(low, "bad", p, {{"SEU_PROTECTED", S(row.text)}});
    d.inst(mid, "low", low);
    d.inst(d.top, "mid", mid);
    auto fp = d.floorplan();
    std::string what;
    bool outOfRange = false;
    try {
      fp->traverseCellview(d.design.getNetlist()->getTopCellview());
    } catch (const std::out_of_range& e) {
      what = e.what();
      outOfRange = true;
    } catch (const std::invalid_argument& e) {
      what = e.what();
    }
    EXPECT_EQ(outOfRange, row.outOfRange) << row.text;
    EXPECT_NE(what.find("mid/low/bad"), std::string::npos) << what;
    EXPECT_NE(what.find(std::string("\"") + row.text + "\""), std::string::npos) << what;
    EXPECT_EQ(fp->getBramBits(), 36864);
  }
}

TEST(Print, ElevenCountersInOrderBeforeAndAfterAWalk) {
  TestDesign d;
  d.leaf("ram", d.ramb36(), {{"RAM_MODE", kSdp}, {"READ_WIDTH_A", I(72)}});
  auto fp = d.floorplan();
  const std::vector<std::string> ids = {"65-35", "65-45", "65-46", "65-47", "65-48", "65-39",
                                        "65-40", "65-41", "65-42", "65-37", "65-36"};
  for (const std::vector<long long>& expected :
       {std::vector<long long>(11, 0),
        std::vector<long long>{1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 36864}}) {
    ComMsgMgr::ScopedCapture capture;
    fp->print();
    ASSERT_EQ(capture.ids(), ids);
    for (size_t i = 0; i < ids.size(); ++i) {
      const ComMsgMgr::Message& m = capture.messages()[i];
      EXPECT_EQ(m.args.at(0).i, expected[i]) << m.id;
      EXPECT_EQ(m.mask, 0x4000000u);
      EXPECT_EQ(m.category, "fit");
      EXPECT_EQ(m.file, "src/shared/fit/base/HAFITFloorplan");
    }
    fp->traverseCellview(d.design.getNetlist()->getTopCellview());
  }
}

}  // namespace
