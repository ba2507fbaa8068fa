// Yosys JSON netlists into the design database: value reading, the kinds the primitives
// declare, the cell map, and messages that say where.
#include <gtest/gtest.h>

#include <fstream>

#include "host/design/load/HDTypedAttributes.h"
#include "host/design/yosys/HDYosysReader.h"
#include "support/DesignTestUtil.h"

namespace {

const std::string kDir = SEUFIT_TEST_DATA_DIR "/netlist/";

class Netlist : public ShippedData {
 protected:
  std::unique_ptr<HFLFloorplan> loadNet(const std::string& path, HDNetlistOptions o = {}) {
    problems.clear();
    if (o.part.empty()) o.part = "z9-s1";
    return HDLoad::load(path, {o, false}, problems);
  }
  std::string write(const std::string& name, const std::string& text) {
    const std::string path = ::testing::TempDir() + name;
    std::ofstream(path) << text;
    return path;
  }
};

const HDAHInstance* child(const HDAHCellview* c, const std::string& name) {
  for (const auto& i : c->instances())
    if (i.getName() == name) return &i;
  return nullptr;
}

TEST(NetlistValues, BitStringsTextAndTrailingBlank) {
  HATAttr a = HDYosysReader::valueOf("00000000000000000000000000100100");
  EXPECT_EQ(a.getKind(), HATAttr::INT);
  EXPECT_EQ(a.getIntVal(), 36);
  a = HDYosysReader::valueOf("11111111111111111111111111111111");  // unsigned: no sign
  EXPECT_EQ(a.getKind(), HATAttr::LONG);
  EXPECT_EQ(a.getLongVal(), 4294967295LL);
  a = HDYosysReader::valueOf("0" + std::string(63, '1'));
  EXPECT_EQ(a.getKind(), HATAttr::LONG);
  EXPECT_EQ(a.getLongVal(), INT64_MAX);
  EXPECT_EQ(HDYosysReader::valueOf("1" + std::string(63, '0')).getKind(), HATAttr::OTHER);
  EXPECT_EQ(HDYosysReader::valueOf("01x1").getKind(), HATAttr::OTHER);
  a = HDYosysReader::valueOf("101 ");
  EXPECT_EQ(a.getKind(), HATAttr::TEXT);
  EXPECT_EQ(a.getStringVal(), "101");
  EXPECT_EQ(HDYosysReader::valueOf(" ").getStringVal(), "");
  EXPECT_EQ(HDYosysReader::valueOf("SDP ").getStringVal(), "SDP ");  // not bits: kept whole
}

TEST(NetlistValues, IntegerTextForms) {
  const std::pair<const char*, int64_t> good[] = {
      {"36", 36},    {"-12", -12},          {"+7", 7},
      {"0x1F", 31},  {"0b101", 5},          {"16'hFF_FF", 65535},
      {"'d9", 9},    {"8'b1010", 10},       {"1'b1", 1},
      {"32'sd5", 5}, {"32'shFFFFFFFF", -1}, {"64'h7FFFFFFFFFFFFFFF", INT64_MAX}};
  for (const auto& g : good) {
    int64_t v = -1;
    EXPECT_TRUE(HDTypedAttributes::parseInteger(g.first, v)) << g.first;
    EXPECT_EQ(v, g.second) << g.first;
  }
  for (const char* bad : {"", "wide", "1.5", "4'b10000", "8'b1x", "0x", "12ab", "'q1",
                          "9223372036854775808", "64'hFFFFFFFFFFFFFFFF"}) {
    int64_t v = 0;
    EXPECT_FALSE(HDTypedAttributes::parseInteger(bad, v)) << bad;
  }
}

TEST(NetlistValues, ConversionToDeclaredKinds) {
  HATAttr out;
  std::string why;
  const auto ok = [&](const HATAttr& in, int kind) {
    return HDTypedAttributes::convert(in, kind, out, why);
  };
  ASSERT_TRUE(ok(HATAttr::makeInt(1), HATAttr::BOOL));
  EXPECT_TRUE(out.getBoolVal());
  ASSERT_TRUE(ok(HATAttr::makeString("false"), HATAttr::BOOL));
  EXPECT_FALSE(out.getBoolVal());
  EXPECT_FALSE(ok(HATAttr::makeInt(2), HATAttr::BOOL));
  EXPECT_FALSE(ok(HATAttr::makeString("yes"), HATAttr::BOOL));
  ASSERT_TRUE(ok(HATAttr::makeString("36"), HATAttr::INT));
  EXPECT_EQ(out.getKind(), HATAttr::INT);
  EXPECT_EQ(out.getIntVal(), 36);
  EXPECT_FALSE(ok(HATAttr::makeLong(4294967296LL), HATAttr::INT));
  EXPECT_EQ(why, "outside the 32-bit integer range");
  ASSERT_TRUE(ok(HATAttr::makeInt(100), HATAttr::LONG));
  EXPECT_EQ(out.getKind(), HATAttr::LONG);
  EXPECT_FALSE(ok(HATAttr::makeOther("1x"), HATAttr::LONG));
  EXPECT_FALSE(ok(HATAttr::makeDouble(2.5), HATAttr::INT));
  ASSERT_TRUE(ok(HATAttr::makeString("2.5"), HATAttr::DOUBLE));
  EXPECT_EQ(out.getDoubleVal(), 2.5);
  ASSERT_TRUE(ok(HATAttr::makeInt(36), HATAttr::TEXT));
  EXPECT_EQ(out.getStringVal(), "36");
}

TEST_F(Netlist, HierarchyGatesBlackBoxesAndTypedValues) {
  auto d = loadNet(kDir + "small.json");
  ASSERT_TRUE(d) << problemText();
  EXPECT_EQ(d->getDesignName(), "top");
  const HDAHCellview* top = d->findCell("top");
  ASSERT_EQ(top->instanceCount(), 4);
  EXPECT_EQ(top->netCount(HDAHTypes::CONN_ALL), 2);
  // Both instances share the one derived module.
  EXPECT_EQ(child(top, "u0")->getMasterView(), child(top, "u1")->getMasterView());
  EXPECT_TRUE(child(top, "$auto$1")->isArchLeaf());
  EXPECT_TRUE(child(top, "pll0")->isHierBlackBox());
  EXPECT_EQ(d->unmappedTypes(), std::vector<std::string>{"vendor_pll"});

  const HDAHInstance* ram = child(child(top, "u0")->getMasterView(), "ram");
  ASSERT_TRUE(ram && ram->isArchLeaf());
  EXPECT_EQ(ram->getSiteName(), "RAMB36_X1Y2/RAMB36");
  EXPECT_EQ(ram->findAttr("RAM_MODE")->getStringVal(), "SDP ");  // the parameter wins
  EXPECT_EQ(ram->findAttr("READ_WIDTH_A")->getKind(), HATAttr::INT);
  EXPECT_EQ(ram->findAttr("READ_WIDTH_A")->getIntVal(), 36);
  EXPECT_TRUE(ram->findAttr("EN_ECC_READ")->getBoolVal());
  EXPECT_TRUE(ram->findAttr("EN_ECC_WRITE")->getBoolVal());
  EXPECT_EQ(ram->findAttr("SEU_PROTECTED")->getKind(), HATAttr::LONG);
  EXPECT_EQ(ram->findAttr("SEU_PROTECTED")->getLongVal(), 4294967296LL);
  EXPECT_EQ(ram->findAttr("INIT_A")->getKind(), HATAttr::OTHER);
  EXPECT_FALSE(ram->findAttr("src"));
  EXPECT_FALSE(ram->findAttr("keep"));
  EXPECT_FALSE(ram->findAttr("NEXTPNR_BEL"));
}

TEST_F(Netlist, FlattenedNamesFromHdlname) {
  auto d = loadNet(kDir + "flat.json");
  ASSERT_TRUE(d) << problemText();
  const HDAHCellview* top = d->findCell("flat");
  ASSERT_NE(child(top, "a/ram"), nullptr);
  EXPECT_EQ(child(top, "a/ram")->findAttr("SEU_PROTECTED")->getLongVal(), 2048);
  EXPECT_EQ(child(top, "b/ram")->findAttr("READ_WIDTH_A")->getIntVal(), 18);
}

TEST_F(Netlist, ProblemsSayWhere) {
  // A value that is no number for a width names cell, instance, attribute and value.
  const std::string bad =
      write("bad_width.json",
            R"({"modules": {"t": {"attributes": {"top": 1}, "cells": {"r": {"type": "RAMB18",
          "parameters": {"READ_WIDTH_A": "wide"}}}}}})");
  EXPECT_FALSE(loadNet(bad));
  ASSERT_EQ(problems.size(), 1u) << problemText();
  EXPECT_EQ(problems[0].message,
            "cell \"t\", instance \"r\" (RAMB18): attribute READ_WIDTH_A = \"wide\" cannot be "
            "read as a 32-bit integer: expected a whole number (decimal, 0x/0b, or a Verilog "
            "literal such as 16'h00FF)");

  const std::string syntax = write("syntax.json", "{\"modules\": {\n  \"t\": {,}}}");
  EXPECT_FALSE(loadNet(syntax));
  ASSERT_EQ(problems.size(), 1u) << problemText();
  EXPECT_EQ(problems[0].line, 2);
  EXPECT_EQ(problems[0].column, 9);

  const std::string notop = write("notop.json", R"({"modules": {"a": {}, "b": {}}})");
  EXPECT_FALSE(loadNet(notop));
  EXPECT_NE(problemText().find("no module carries the \"top\" attribute"), std::string::npos);
  HDNetlistOptions withTop;
  withTop.top = "b";
  auto d = loadNet(notop, withTop);
  ASSERT_TRUE(d) << problemText();
  EXPECT_EQ(d->getDesignName(), "b");
}

TEST_F(Netlist, CellMapRenamesBlackBoxesAndRefuses) {
  const std::string net = write("mapped.json", R"({"modules": {"t": {"attributes": {"top": 1},
    "cells": {"a": {"type": "RAMB36E2"}, "b": {"type": "RAMB18E2"}, "c": {"type": "vendor_dsp"},
              "d": {"type": "mystery"}}}}})");
  HDNetlistOptions o;
  o.mapFile = write("map.json", R"({"seufit_map": 1, "cells": {"RAMB36*": "RAMB36",
    "RAMB18E2": "RAMB18", "vendor_*": null}})");
  auto d = loadNet(net, o);
  ASSERT_TRUE(d) << problemText();
  const HDAHCellview* t = d->findCell("t");
  EXPECT_EQ(child(t, "a")->getPrimitive()->name, "RAMB36");
  EXPECT_EQ(child(t, "b")->getPrimitive()->name, "RAMB18");
  EXPECT_TRUE(child(t, "c")->isHierBlackBox());
  EXPECT_EQ(d->unmappedTypes(), (std::vector<std::string>{"mystery", "vendor_dsp"}));

  o.mapFile = write("strict.json", R"({"seufit_map": 1, "cells": {"RAMB*": "RAMB99"},
    "unknown": "error"})");
  EXPECT_FALSE(loadNet(net, o));
  const std::string text = problemText();
  EXPECT_NE(text.find("strict.json:1:38 [cells[\"RAMB*\"]] cell type \"RAMB36E2\" is mapped to "
                      "\"RAMB99\", which is no primitive of library \"zerith9\""),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("[modules.t.cells.d.type] cell type \"mystery\" is neither a module"),
            std::string::npos)
      << text;
}

}  // namespace
