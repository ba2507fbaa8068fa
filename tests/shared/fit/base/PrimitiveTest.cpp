// Block RAM and FIFO analyses: attribute sources, widths, capacities, modes, ECC,
// protected bits and the bounds of the 32-bit counters.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

#include "FloorplanTestDesign.h"
#include "host/msg/ComMsgMgr.h"

namespace {

using Cfg = std::vector<std::pair<std::string, std::string>>;

enum Kind { R18, R36, F18, F36 };

// One block of the given kind with netlist attributes and physical configuration.
Counts analyse(Kind kind, const AttrList& attrs, const Cfg& cfg = {}) {
  TestDesign d;
  HDPrimitive* p = kind == R18   ? d.ramb18()
                   : kind == R36 ? d.ramb36()
                   : kind == F18 ? d.fifo18()
                                 : d.fifo36();
  HDAHInstance* i = d.leaf("blk", p, attrs);
  if (!cfg.empty()) d.place(i, cfg);
  return countsOf(*d.walk());
}

TEST(Primitive, NetlistWinsOverPhysicalConfiguration) {
  // Mode and width from the netlist even where the site says otherwise.
  EXPECT_EQ(analyse(R36, {{"RAM_MODE", S("SDP")}, {"READ_WIDTH_A", I(72)}},
                    {{"RAM_MODE", "TDP"}, {"READ_WIDTH_A", "1"}}),
            (Counts{36864, 1, 0, 0, 0, 1}));
  // Absent from the netlist: the site's values, first match over elements, in order.
  TestDesign d;
  HDAHInstance* i = d.leaf("blk", d.ramb36());
  d.place(i, {{"RAM_MODE", "SDP"}, {"READ_WIDTH_B", "9"}, {"READ_WIDTH_B", "1"}});
  HDSMSite& site = const_cast<HDSMSite&>(
      *d.design.getPart()->getPlaceArch()->getSitemap()->find(i->getSiteName()));
  site.elements.insert(site.elements.begin(), nullptr);
  site.elements.back()->values.insert(site.elements.back()->values.begin(), nullptr);
  EXPECT_EQ(countsOf(*d.walk()), (Counts{36864, 1, 0, 0, 0, 1}));

  auto fp = d.floorplan();
  HDLHInstance occ = d.occurrence(i);
  std::string value = "kept";
  fp->getAttributeFromPhysicalLayer(&occ, "RAM_MOD", value);
  EXPECT_EQ(value, "kept");
  fp->getAttributeFromPhysicalLayer(nullptr, "RAM_MODE", value);
  EXPECT_EQ(value, "kept");
  HDDesignBuilder::setSite(d.top, i, "NO_SUCH_SITE");
  fp->getAttributeFromPhysicalLayer(&occ, "RAM_MODE", value);
  EXPECT_EQ(value, "kept");
}

TEST(Primitive, SingleDataWidthSteps) {
  const struct {
    AttrList attrs;
    Cfg cfg;
    int width;
  } rows[] = {
      {{{"DATA_WIDTH", I(9)}, {"READ_WIDTH", I(36)}}, {}, 9},
      {{{"DATA_WIDTH", I(0)}, {"READ_WIDTH", I(18)}, {"WRITE_WIDTH", I(9)}}, {}, 18},
      {{{"WRITE_WIDTH", I(4)}}, {{"DATA_WIDTH", "36"}}, 4},
      {{}, {{"DATA_WIDTH", "36"}, {"READ_WIDTH", "72"}}, 36},
      {{}, {{"DATA_WIDTH", "0"}, {"READ_WIDTH", "2"}, {"WRITE_WIDTH", "18x"}}, 18},
      {{}, {{"DATA_WIDTH", "wide"}, {"READ_WIDTH", " 4"}}, 4},
      {{}, {{"DATA_WIDTH", "99999999999999999999"}}, INT_MAX},
      {{{"DATA_WIDTH", S("36")}}, {}, 0},  // a text in the netlist reads as 0
  };
  for (const auto& row : rows) {
    TestDesign d;
    HDAHInstance* i = d.leaf("f", d.fifo18(), row.attrs);
    if (!row.cfg.empty()) d.place(i, row.cfg);
    HDLHInstance occ = d.occurrence(i);
    int w = -1;
    d.floorplan()->getDataWidth(&occ, w);
    EXPECT_EQ(w, row.width) << "row " << (&row - rows);
  }
}

TEST(Primitive, CapacityByClassAndWidth) {
  const struct {
    int w, kb18, kb36;
  } rows[] = {{1, 16384, 32768},  {2, 16384, 32768},  {4, 16384, 32768}, {9, 18432, 36864},
              {18, 18432, 36864}, {36, 18432, 36864}, {72, 0, 36864},    {0, 0, 0},
              {3, 0, 0},          {8, 0, 0},          {-1, 0, 0},        {144, 0, 0}};
  for (const auto& row : rows) {
    // Block RAM: the widest of the four ports; FIFO: the single data width.
    EXPECT_EQ(analyse(R18, {{"WRITE_WIDTH_B", I(row.w)}}).bramBits, row.kb18) << row.w;
    EXPECT_EQ(analyse(R36, {{"READ_WIDTH_A", I(1)}, {"WRITE_WIDTH_A", I(row.w)}}).bramBits,
              row.w <= 1 ? 32768 : row.kb36)
        << row.w;
    EXPECT_EQ(analyse(F18, {{"READ_WIDTH", I(row.w)}}).bramBits, row.kb18) << row.w;
    EXPECT_EQ(analyse(F36, {{"DATA_WIDTH", I(row.w)}}).bramBits, row.kb36) << row.w;
  }
}

TEST(Primitive, ModeCounters) {
  const struct {
    Kind kind;
    const char* mode;
    const char* extension;
    Counts counts;  // bits 0: no widths given
  } rows[] = {
      {R18, nullptr, nullptr, {0, 1, 1}},
      {R18, "SDP", nullptr, {0, 1, 0, 1}},
      {R18, "sdp", nullptr, {0, 1, 1}},
      {R36, nullptr, nullptr, {0, 1, 0, 0, 1}},
      {R36, "SDP", nullptr, {0, 1, 0, 0, 0, 1}},
      {R36, "TDP", nullptr, {0, 1, 0, 0, 1}},
      {R36, "TDP", "NONE", {0, 1, 0, 0, 1}},
      {R36, "TDP", "LOWER", {0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 1}},
      {R36, "TDP", "UPPER", {0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 1}},
      {R36, "TDP", "MIDDLE", {0, 1, 0, 0, 1}},  // unknown extension: plain true dual port
      {R36, "SDP", "UPPER", {0, 1, 0, 0, 0, 1}},
      {R36, "FIFO36", nullptr, {0, 1, 0, 0, 0, 0, 0, 0, 1}},
      {R36, "FIFO36_72", nullptr, {0, 1, 0, 0, 0, 0, 0, 0, 0, 1}},
      {R36, "WHATEVER", nullptr, {0, 1, 0, 0, 1}},
      {F18, nullptr, nullptr, {0, 1, 0, 0, 0, 0, 1}},
      {F18, "FIFO18_36", nullptr, {0, 1, 0, 0, 0, 0, 0, 1}},
      {F36, "FIFO36", nullptr, {0, 1, 0, 0, 0, 0, 0, 0, 1}},
      {F36, "FIFO36_72", nullptr, {0, 1, 0, 0, 0, 0, 0, 0, 0, 1}},
  };
  for (const auto& row : rows) {
    AttrList attrs;
    if (row.mode)
      attrs.push_back({row.kind == F18 || row.kind == F36 ? "FIFO_MODE" : "RAM_MODE", S(row.mode)});
    if (row.extension) attrs.push_back({"RAM_EXTENSION_A", S(row.extension)});
    EXPECT_EQ(analyse(row.kind, attrs), row.counts)
        << "row " << (&row - rows) << " " << (row.mode ? row.mode : "-");
    // The same values from the site alone.
    Cfg cfg;
    for (const auto& a : attrs) cfg.push_back({a.first, a.second.getStringVal()});
    if (!cfg.empty()) {
      EXPECT_EQ(analyse(row.kind, {}, cfg), row.counts) << "row " << (&row - rows);
    }
  }
}

TEST(Primitive, EccNeedsBothEnablesFromNetlistOrSite) {
  const HATAttr t = HATAttr::makeBool(true);
  const struct {
    AttrList attrs;
    Cfg cfg;
    bool userDefined;
    bool ecc;
  } rows[] = {
      {{{"EN_ECC_READ", t}, {"EN_ECC_WRITE", t}}, {}, false, true},
      {{{"EN_ECC_READ", S("TRUE")}, {"EN_ECC_WRITE", S("TRUE")}}, {}, false, true},
      {{{"EN_ECC_READ", S("true")}, {"EN_ECC_WRITE", t}}, {}, false, false},
      {{{"EN_ECC_READ", I(1)}, {"EN_ECC_WRITE", t}}, {}, false, false},
      {{{"EN_ECC_READ", t}, {"EN_ECC_WRITE", HATAttr::makeBool(false)}}, {}, false, false},
      {{{"EN_ECC_READ", S("TRUE")}}, {{"EN_ECC_WRITE", "FALSE"}}, false, false},
      {{{"EN_ECC_READ", S("TRUE")}}, {{"EN_ECC_WRITE", "TRUE"}}, false, true},
      {{}, {{"EN_ECC_READ", "TRUE"}, {"EN_ECC_WRITE", "TRUE"}}, false, true},
      // Netlist value present but false: the site is not consulted.
      {{{"EN_ECC_WRITE", S("FALSE")}},
       {{"EN_ECC_READ", "TRUE"}, {"EN_ECC_WRITE", "TRUE"}},
       false,
       false},
      // A user's property of the same name is not the primitive's ECC switch.
      {{{"EN_ECC_READ", t}, {"EN_ECC_WRITE", t}}, {}, true, false},
      {{{"EN_ECC_READ", t}, {"EN_ECC_WRITE", t}},
       {{"EN_ECC_READ", "TRUE"}, {"EN_ECC_WRITE", "TRUE"}},
       true,
       false},
  };
  for (const auto& row : rows) {
    TestDesign d;
    HDPrimitive* p =
        row.userDefined ? d.primitive("RAMB36U", HDPrimitive::RAMB, 1391, {}) : d.ramb36();
    AttrList attrs = row.attrs;
    attrs.push_back({"RAM_MODE", S("SDP")});
    attrs.push_back({"READ_WIDTH_A", I(72)});
    HDAHInstance* i = d.leaf("blk", p, attrs);
    if (!row.cfg.empty()) d.place(i, row.cfg);
    HDLHInstance occ = d.occurrence(i);
    EXPECT_EQ(d.floorplan()->isECC(&occ), row.ecc) << "row " << (&row - rows);
    // ECC-protected: counted as a block, nothing else.
    EXPECT_EQ(countsOf(*d.walk()), (row.ecc ? Counts{0, 1} : Counts{36864, 1, 0, 0, 0, 1}))
        << "row " << (&row - rows);
  }
}

TEST(Primitive, ProtectedBitsByValueKind) {
  const struct {
    HATAttr value;
    int bits;
  } rows[] = {
      {I(100), 100},
      {HATAttr::makeLong(100), 100},
      {HATAttr::makeDouble(100.7), 100},
      {HATAttr::makeDouble(-0.5), -1},
      {S(" 42abc"), 42},
      {S("-3"), -3},
      {HATAttr::makeOther("7"), 0},
      {HATAttr::makeBool(true), 0},
      // Beyond 32 bits: saturated rather than wrapped or undefined.
      {HATAttr::makeLong((1LL << 32) + 100), INT_MAX},
      {HATAttr::makeLong(-(1LL << 40)), INT_MIN},
      {HATAttr::makeDouble(1e12), INT_MAX},
      {HATAttr::makeDouble(-1e12), INT_MIN},
      {HATAttr::makeDouble(std::nan("")), 0},
  };
  for (const auto& row : rows) {
    TestDesign d;
    HDAHInstance* i = d.leaf("blk", d.ramb36(), {{"SEU_PROTECTED", row.value}});
    HDLHInstance occ = d.occurrence(i);
    EXPECT_EQ(d.floorplan()->getSeuProtectedBits(&occ), row.bits) << "row " << (&row - rows);
  }
  TestDesign none;
  HDLHInstance occ = none.occurrence(none.leaf("blk", none.ramb36()));
  EXPECT_EQ(none.floorplan()->getSeuProtectedBits(&occ), 0);
}

TEST(Primitive, OverDeclaredProtectionIsReportedAndAddsNothing) {
  const struct {
    Kind kind;
    AttrList attrs;
    int bits;
    std::vector<long long> msg;  // declared, width, depth, capacity; empty: no message
  } rows[] = {
      {F36, {{"DATA_WIDTH", I(36)}, {"SEU_PROTECTED", I(40000)}}, 0, {40000, 36, 1024, 36864}},
      {R18, {{"READ_WIDTH_B", I(1)}, {"SEU_PROTECTED", I(16385)}}, 0, {16385, 1, 16384, 16384}},
      {R36, {{"SEU_PROTECTED", I(5)}}, 0, {5, 0, 0, 0}},  // no width: depth sent as 0
      {R36, {{"READ_WIDTH_A", I(72)}, {"SEU_PROTECTED", I(36864)}}, 0, {}},
      {R36, {{"READ_WIDTH_A", I(72)}, {"SEU_PROTECTED", I(36863)}}, 1, {}},
      {F18, {{"READ_WIDTH", I(9)}, {"SEU_PROTECTED", I(-8)}}, 18440, {}},
  };
  for (const auto& row : rows) {
    ComMsgMgr::ScopedCapture capture;
    EXPECT_EQ(analyse(row.kind, row.attrs).bramBits, row.bits) << "row " << (&row - rows);
    if (row.msg.empty()) {
      EXPECT_TRUE(capture.messages().empty());
      continue;
    }
    ASSERT_EQ(capture.messages().size(), 1u);
    const auto& a = capture.messages()[0].args;
    EXPECT_EQ(capture.messages()[0].format, "@65-172@%d%s%d%d%d%d");
    EXPECT_EQ((std::vector<long long>{a[0].i, a[2].i, a[3].i, a[4].i}), row.msg);
    EXPECT_EQ(a[1].s, "blk");
    EXPECT_EQ(a[5].i, row.msg[3]);
  }
}

// What a design protects: declared bits bounded by the block, and the whole capacity of
// an ECC block, counted through every occurrence of a shared cell.
TEST(Primitive, ProtectedBitsCountDeclarationsAndEccBlocks) {
  TestDesign d;
  const HATAttr on = HATAttr::makeBool(true);
  HDAHCellview* cell = d.design.addCell("bank");
  d.leaf(cell, "ecc36", d.ramb36(),
         {{"EN_ECC_READ", on}, {"EN_ECC_WRITE", on}, {"READ_WIDTH_A", I(72)}});
  d.leaf(cell, "ecc_fifo", d.fifo18(),
         {{"EN_ECC_READ", on}, {"EN_ECC_WRITE", on}, {"DATA_WIDTH", I(18)}});
  d.leaf(cell, "declared", d.ramb18(), {{"READ_WIDTH_A", I(18)}, {"SEU_PROTECTED", I(1000)}});
  d.leaf(cell, "over", d.fifo36(), {{"DATA_WIDTH", I(36)}, {"SEU_PROTECTED", I(40000)}});
  d.leaf(cell, "negative", d.ramb18(), {{"READ_WIDTH_A", I(9)}, {"SEU_PROTECTED", I(-8)}});
  d.inst(d.top, "b0", cell);
  d.inst(d.top, "b1", cell);
  ComMsgMgr::ScopedCapture capture;
  const auto fp = d.walk();
  EXPECT_EQ(fp->getBramProtectedBits(), 2 * (36864 + 18432 + 1000 + 36864));
  // The exposed bits are those of the default report.
  EXPECT_EQ(fp->getBramBits(), 2 * ((18432 - 1000) + 18440));
}

// Presets the counters to probe their upper bounds without walking billions of blocks.
class NearFullFloorplan : public HAFITFloorplan {
 public:
  NearFullFloorplan(HFLFloorplan* d) : HAFITFloorplan(d) {
    bramBits_ = INT32_MAX - 10;
    bramBitsTotal_ = INT32_MAX - 10;
    bramCount_ = INT32_MAX;
    ramb36SdpCount_ = INT32_MAX;
  }
  void writeDeviceReliability(HCRRptDoc&) override {}
  void processBRAM(const HDLHInstance* i) override { processRamb36(i); }
  BlockCodes blockCodes() const override { return {0, 0, 0, 0}; }
};

TEST(Overflow, BlockRamCountersSaturateAndTheTotalStaysExact) {
  TestDesign d;
  d.leaf("blk", d.ramb36(), {{"RAM_MODE", S("SDP")}, {"READ_WIDTH_A", I(72)}});
  NearFullFloorplan fp(&d.design);
  fp.traverseCellview(d.design.getNetlist()->getTopCellview());
  EXPECT_EQ(fp.getBramBits(), INT32_MAX);
  EXPECT_EQ(fp.getBramBitsTotal(), int64_t{INT32_MAX} - 10 + 36864);
  EXPECT_EQ(fp.getBramCount(), INT32_MAX);
  EXPECT_EQ(fp.getRamb36SdpCount(), INT32_MAX);

  // A real walk past 2^31 bits: 40 x 40 x 40 occurrences of one 36864-bit block.
  TestDesign big;
  HDAHCellview* c0 = big.cell("c0");
  big.leaf(c0, "blk", big.ramb36(), {{"RAM_MODE", S("SDP")}, {"READ_WIDTH_A", I(72)}});
  HDAHCellview* c1 = big.cell("c1");
  HDAHCellview* c2 = big.cell("c2");
  for (int k = 0; k < 40; ++k) {
    big.inst(c1, "u" + std::to_string(k), c0);
    big.inst(c2, "u" + std::to_string(k), c1);
    big.inst(big.top, "u" + std::to_string(k), c2);
  }
  auto walked = big.walk();
  EXPECT_EQ(walked->getBramCount(), 64000);
  EXPECT_EQ(walked->getBramBits(), INT32_MAX);
  EXPECT_EQ(walked->getBramBitsTotal(), int64_t{64000} * 36864);

  // A negative declaration of INT_MIN would overflow a 32-bit subtraction.
  EXPECT_EQ(analyse(R36, {{"READ_WIDTH_A", I(72)}, {"SEU_PROTECTED", I(INT_MIN)}}).bramBits,
            INT32_MAX);
}

TEST(Overflow, YramBitsConvertToUnsigned32Saturating) {
  const double inf = std::numeric_limits<double>::infinity();
  const struct {
    double in;
    uint32_t out;
  } rows[] = {{559000.0, 559000u},         {0.9, 0u},           {-1.0, 0u},
              {std::nan(""), 0u},          {-inf, 0u},          {4294967295.0, 4294967295u},
              {4294967294.5, 4294967294u}, {1e20, 4294967295u}, {inf, 4294967295u}};
  for (const auto& row : rows)
    EXPECT_EQ(HAFITFloorplan::toUint32Saturating(row.in), row.out) << row.in;
}

}  // namespace
