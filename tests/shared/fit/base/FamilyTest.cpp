// The same invariants for every device family: choice by architecture, dispatch by
// library-cell code, ECC, YRAM everywhere, HBM in Zerith9 only, run parameters.
#include <gtest/gtest.h>

#include "FloorplanTestDesign.h"
#include "shared/fit/base/HAFITFamily.h"
#include "shared/fit/base/HAFITKorvanFloorplan.h"
#include "shared/fit/base/HAFITZerith7Floorplan.h"
#include "shared/fit/base/HAFITZerith8Floorplan.h"
#include "shared/fit/base/HAFITZerith9Floorplan.h"

namespace {

const FamilyCodes kFamilies[] = {
    {"zerith7", 10, 260, 264, 1382, 1390, false},
    {"zerith8", 16, 261, 266, 1383, 1391, false},
    {"zerith9", 26, 261, 266, 1383, 1391, true},
    {"korvan", 27, 0, 0, 1385, 1395, false},
};

TEST(FamilyChoice, ByArchitectureTypeAndDevice) {
  using F = HAFITFloorplan::Family;
  const struct {
    int type;
    const char* device;
    F family;
  } rows[] = {{10, "d", F::ZERITH7},
              {14, "d", F::ZERITH7},
              {15, "d", F::ZERITH8},
              {16, "dpm4410", F::UNSUPPORTED},
              {15, "dpm4410", F::UNSUPPORTED},
              {15, "DPM4410", F::ZERITH8},
              {15, "dpm44100", F::ZERITH8},
              {19, "dpm4410", F::ZERITH9},
              {24, "d", F::ZERITH9},
              {26, "d", F::ZERITH9},
              {27, "d", F::KORVAN},
              {9, "d", F::UNSUPPORTED},
              {17, "d", F::UNSUPPORTED},
              {18, "d", F::UNSUPPORTED},
              {25, "d", F::UNSUPPORTED},
              {28, "d", F::UNSUPPORTED},
              {-1, "d", F::UNSUPPORTED}};
  for (const auto& row : rows) {
    EXPECT_EQ(HAFITFloorplan::familyFor(row.type, row.device), row.family)
        << row.type << " " << row.device;
    HFLFloorplan design;
    design.setPart(std::make_unique<HDARPart>("p", row.device, "A", row.type));
    std::unique_ptr<HAFITFloorplan> fp(HAFITFloorplan::create(&design));
    if (row.family == F::UNSUPPORTED) {
      EXPECT_EQ(fp, nullptr);
    } else {
      ASSERT_NE(fp, nullptr);
      EXPECT_STREQ(fp->familyName(), HAFITFloorplan::familyName(row.family));
    }
  }
  HFLFloorplan noPart;
  EXPECT_EQ(HAFITFloorplan::create(&noPart), nullptr);
  EXPECT_EQ(HAFITFloorplan::create(nullptr), nullptr);
}

// No device may fall into two families, and every family row answers to its own id.
TEST(FamilyChoice, TableRowsAreDisjointAndConsistent) {
  for (int type = -2; type <= 64; ++type)
    for (const char* device : {"d", "dpm4410"}) {
      int covering = 0;
      for (const HAFITFamily* f = HAFITFamiliesBegin(); f != HAFITFamiliesEnd(); ++f)
        covering += f->covers(type, device) ? 1 : 0;
      EXPECT_LE(covering, 1) << type << " " << device;
    }
  int rows = 0;
  for (const HAFITFamily* f = HAFITFamiliesBegin(); f != HAFITFamiliesEnd(); ++f, ++rows) {
    EXPECT_EQ(HAFITFamilyById(f->id), f);
    EXPECT_STREQ(HAFITFloorplan::familyName(f->id), f->name);
  }
  EXPECT_EQ(rows, 4);
  EXPECT_EQ(HAFITFamilyById(HAFITFloorplan::Family::UNSUPPORTED), nullptr);
}

class Family : public ::testing::TestWithParam<FamilyCodes> {};

TEST_P(Family, ClassMatchesArchitecture) {
  TestDesign d(GetParam());
  auto fp = d.floorplan();
  ASSERT_NE(fp, nullptr);
  EXPECT_STREQ(fp->familyName(), GetParam().name);
  const bool z7 = dynamic_cast<HAFITZerith7Floorplan*>(fp.get()) != nullptr;
  const bool z8 = dynamic_cast<HAFITZerith8Floorplan*>(fp.get()) != nullptr;
  const bool z9 = dynamic_cast<HAFITZerith9Floorplan*>(fp.get()) != nullptr;
  const bool kv = dynamic_cast<HAFITKorvanFloorplan*>(fp.get()) != nullptr;
  EXPECT_EQ(z7 + z8 + z9 + kv, 1);
}

TEST_P(Family, DispatchesItsOwnCodesOnly) {
  const FamilyCodes& f = GetParam();
  TestDesign d(f);
  const AttrList r = {{"RAM_MODE", S("SDP")}, {"READ_WIDTH_A", I(36)}};
  const AttrList q = {{"FIFO_MODE", S("FIFO18_36")}, {"DATA_WIDTH", I(36)}};
  d.leaf("r18", d.ramb18(), r);
  d.leaf("r36", d.ramb36(), r);
  // FIFO library cells of every Zerith family, and a code nobody knows.
  int fifos = 0;
  for (uint32_t code : {260u, 261u}) {
    d.leaf("f18_" + std::to_string(code),
           d.primitive("F18_" + std::to_string(code), HDPrimitive::FIFO, code), q);
    ++fifos;
  }
  for (uint32_t code : {264u, 266u}) {
    d.leaf("f36_" + std::to_string(code),
           d.primitive("F36_" + std::to_string(code), HDPrimitive::FIFO, code),
           {{"FIFO_MODE", S("FIFO36_72")}, {"DATA_WIDTH", I(72)}});
    ++fifos;
  }
  d.leaf("unknown", d.primitive("ODD", HDPrimitive::RAMB, 1), r);
  // Block RAM codes of the other families.
  int foreign = 0;
  for (const FamilyCodes& other : {kFamilies[0], kFamilies[1], kFamilies[3]}) {
    for (uint32_t code : {other.ramb18, other.ramb36}) {
      if (code == f.ramb18 || code == f.ramb36) continue;
      d.leaf("x" + std::to_string(code),
             d.primitive("X" + std::to_string(code), HDPrimitive::RAMB, code), r);
      ++foreign;
    }
  }
  auto fp = d.walk();
  const int bramCount = 2 + fifos + 1 + foreign;
  Counts expected{18432 + 36864, bramCount, 0, 1, 0, 1};
  if (f.fifo18) {
    expected.bramBits += 18432 + 36864;
    expected.f18_36 = 1;
    expected.f36_72 = 1;
  }
  EXPECT_EQ(countsOf(*fp), expected);
}

TEST_P(Family, EccBlocksCountButAddNothing) {
  TestDesign d(GetParam());
  const AttrList ecc = {{"EN_ECC_READ", S("TRUE")},
                        {"EN_ECC_WRITE", HATAttr::makeBool(true)},
                        {"READ_WIDTH_A", I(36)},
                        {"DATA_WIDTH", I(36)}};
  d.leaf("a", d.ramb18(), ecc);
  d.leaf("b", d.ramb36(), ecc);
  d.leaf("c", d.fifo18(), ecc);
  d.leaf("e", d.fifo36(), ecc);
  EXPECT_EQ(countsOf(*d.walk()), (Counts{0, 4}));
}

TEST_P(Family, YramEverywhereHbmInZerith9Only) {
  const FamilyCodes& f = GetParam();
  TestDesign d(f);
  d.leaf("y0", d.yram(), {{"SEU_PROTECTED", S("80000")}});
  HDAHCellview* sub = d.cell("sub");
  d.leaf(sub, "y1", d.yram());
  d.inst(d.top, "sub", sub);
  d.leaf("h", d.primitive("HBM1", HDPrimitive::HBM, 332), {{"SEU_PROTECTED", I(1000)}});
  auto fp = d.walk();
  EXPECT_EQ(fp->getYramCount(), 2.0);
  EXPECT_EQ(fp->getYramUnprotectedBits(), 480000.0);
  EXPECT_EQ(fp->getHbmStackCount(), f.hbm ? 1.0 : 0.0);
  EXPECT_EQ(fp->getHbmUnprotectedBits(), f.hbm ? 32767999000.0 : 0.0);
  EXPECT_EQ(countsOf(*fp), Counts{});
}

INSTANTIATE_TEST_SUITE_P(AllFamilies, Family, ::testing::ValuesIn(kFamilies),
                         [](const ::testing::TestParamInfo<FamilyCodes>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
