// A cell's instances: the list grows in runs of doubling size, instances keep their
// addresses, and indexing and iteration agree across every run boundary; names and
// attributes read back as written however they were stored; the duplicate check over
// their names.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "host/design/db/HDesign.h"
#include "host/design/dfile/HDDesignFileReader.h"

TEST(InstanceList, IndexIterationAndAddressesAgreeAcrossRuns) {
  HFLFloorplan fp;
  HDAHCellview* cell = fp.addCell("c");
  HDPrimitive* prim = fp.addPrimitive("P");
  EXPECT_TRUE(cell->instances().empty());
  EXPECT_EQ(cell->instances().begin(), cell->instances().end());

  std::vector<const HDAHInstance*> seen;
  // 4, 12, 28, ... are the last indices of runs; cover each side of the first boundaries
  // and a few thousand beyond.
  for (size_t i = 0; i < 5000; ++i) {
    const HDAHInstance* inst =
        HDDesignBuilder::addInstance(cell, "u" + std::to_string(i), nullptr, prim);
    seen.push_back(inst);
    ASSERT_EQ(&cell->instances().back(), inst);
    if (i == 3 || i == 4 || i == 11 || i == 12 || i == 27 || i == 28) {
      size_t n = 0;
      for (const HDAHInstance& in : cell->instances()) {
        ASSERT_EQ(&in, seen[n]) << "size " << i + 1 << ", element " << n;
        ++n;
      }
      EXPECT_EQ(n, i + 1);
    }
  }
  const HDInstanceList& list = cell->instances();
  ASSERT_EQ(list.size(), 5000u);
  size_t n = 0;
  for (auto it = list.begin(); it != list.end(); ++it, ++n) {
    ASSERT_EQ(&*it, seen[n]);
    ASSERT_EQ(&list[n], seen[n]);
    ASSERT_EQ(it->getName(), "u" + std::to_string(n));
    ASSERT_EQ(it->getPrimitive(), prim);
  }
  EXPECT_EQ(n, 5000u);
}

TEST(InstanceList, CellOutsideADesignKeepsItsOwnStore) {
  HDAHCellview cell;
  HDAHCellview child;
  for (int i = 0; i < 40; ++i) HDDesignBuilder::addInstance(&cell, "x", &child, nullptr);
  size_t n = 0;
  for (const HDAHInstance& in : cell.instances()) {
    EXPECT_EQ(in.getCell(), &child);
    ++n;
  }
  EXPECT_EQ(n, 40u);
}

// Texts that look like sized literals come back as written, whether they were held as a
// number or as text; so does every other kind, through every way of adding attributes.
TEST(InstanceAttributes, ReadBackAsWritten) {
  const std::vector<std::string> texts = {"64'h9E3779B97F4A7C15",
                                          "64'h9e3779b97f4a7c15",
                                          "64'h9e3779B97F4A7C15",
                                          "16'H00fF",
                                          "8'sd200",
                                          "1'b0",
                                          "4'B1010",
                                          "12'o7777",
                                          "9'O000",
                                          "16'D65535",
                                          "16'd00042",
                                          "65'h1FFFFFFFFFFFFFFFF",
                                          "64'hFFFFFFFFFFFFFFFF",
                                          "70'h000000000000000000001",
                                          "64'd18446744073709551615",
                                          "64'd18446744073709551616",
                                          "3'b1x0",
                                          "0'h1",
                                          "064'h1",
                                          "65536'h1",
                                          "65535'h1",
                                          "8'h",
                                          "8'h_F",
                                          "8'hG",
                                          "8h1F",
                                          "'h1F",
                                          "8'x1",
                                          "18'b" + std::string(64, '1'),
                                          "18'b" + std::string(65, '0'),
                                          "8'd",
                                          "SDP",
                                          "",
                                          "1",
                                          "12'h-1"};
  HFLFloorplan fp;
  HDAHCellview* cell = fp.addCell("c");
  HDPrimitive* prim = fp.addPrimitive("P");
  std::vector<HDAHInstance*> insts;
  std::vector<std::vector<std::pair<std::string, HATAttr>>> want;
  // Names on both sides of the longer length prefix, empty and very long.
  const auto nameOf = [](size_t k) {
    const size_t lengths[] = {126, 127, 128, 40000, 0};
    return k < 5 ? std::string(lengths[k], 'n') : "u" + std::string(k, 'x');
  };
  for (size_t k = 0; k < texts.size(); ++k) {
    // Names of every length class, a site between the name and the attributes, and
    // instances whose attributes come after the next instance was added.
    const std::string name = nameOf(k);
    HDAHInstance* inst = HDDesignBuilder::addInstance(cell, name, nullptr, prim);
    if (k % 2) HDDesignBuilder::setSite(cell, inst, "S" + std::to_string(k / 3));
    std::vector<std::pair<std::string, HATAttr>> attrs = {
        {"INIT", HATAttr::makeString(texts[k])},
        {"W", HATAttr::makeInt(static_cast<int32_t>(k))},
        {"L", HATAttr::makeLong(int64_t(1) << 40)},
        {"D", HATAttr::makeDouble(0.25)},
        {"B", HATAttr::makeBool(k % 3 == 0)},
        {"O", HATAttr::makeOther("integer list")}};
    attrs.resize(1 + k % attrs.size());
    if (k % 4 == 1 && !insts.empty()) {
      // The previous instance gets one more attribute now, away from its name.
      HDDesignBuilder::setAttr(cell, insts.back(), "LATE", HATAttr::makeString(texts[k]));
      want.back().emplace_back("LATE", HATAttr::makeString(texts[k]));
    }
    HDDesignBuilder::appendAttrs(cell, inst, attrs);
    if (k % 5 == 2) {
      HDDesignBuilder::setAttr(cell, inst, "INIT",
                               HATAttr::makeString(texts[(k + 1) % texts.size()]));
      attrs[0].second = HATAttr::makeString(texts[(k + 1) % texts.size()]);
      HDDesignBuilder::setAttr(cell, inst, "MORE", HATAttr::makeString("64'h1"));
      attrs.emplace_back("MORE", HATAttr::makeString("64'h1"));
    }
    insts.push_back(inst);
    want.push_back(attrs);
  }
  for (size_t k = 0; k < insts.size(); ++k) {
    const HDAHInstance& inst = *insts[k];
    const std::string name = nameOf(k);
    ASSERT_EQ(inst.getName(), name) << k;
    ASSERT_STREQ(inst.getNameC(), name.c_str()) << k;
    ASSERT_EQ(inst.getSiteName(), k % 2 ? "S" + std::to_string(k / 3) : "") << k;
    const auto got = inst.attributes();
    ASSERT_EQ(got.size(), want[k].size()) << k;
    for (size_t i = 0; i < got.size(); ++i) {
      const HATAttr& w = want[k][i].second;
      EXPECT_EQ(got[i].first, want[k][i].first) << k;
      EXPECT_EQ(got[i].second.getKind(), w.getKind()) << k << " " << i;
      EXPECT_EQ(inst.attrKind(i), w.getKind()) << k << " " << i;
      EXPECT_EQ(got[i].second.getStringVal(), w.getStringVal()) << k << " " << i;
      EXPECT_EQ(got[i].second.getLongVal(), w.getLongVal()) << k << " " << i;
      EXPECT_EQ(got[i].second.getBoolVal(), w.getBoolVal()) << k << " " << i;
      EXPECT_EQ(got[i].second.getDoubleVal(), w.getDoubleVal()) << k << " " << i;
      HATAttr found;
      ASSERT_TRUE(inst.findAttr(want[k][i].first, found));
      EXPECT_EQ(found.getStringVal(), w.getStringVal());
    }
    EXPECT_FALSE(inst.findAttr("NONE").has_value());
  }
  // A value replaced in place by a number, as a netlist's literals are typed later.
  HDDesignBuilder::setAttrAt(cell, insts[0], 0, HATAttr::makeLong(-5));
  EXPECT_EQ(insts[0]->attrKind(0), HATAttr::LONG);
  EXPECT_EQ(insts[0]->attrValue(0).getLongVal(), -5);
  EXPECT_EQ(insts[0]->attrCount(), want[0].size());
}

// The duplicate check against a plain map, on a cell large enough for every level of its
// sort: names drawn from a small pool, so most repeat, some hundreds of times; and a cell
// of 300,000 names drawn from four billion, where a handful repeat among the many that
// only share a slot of the filter.
TEST(InstanceNames, DuplicatesMatchAMapInDocumentOrder) {
  for (size_t n : {5u, 40u, 3000u, 60000u, 300000u}) {
    HFLFloorplan fp;
    HDAHCellview* cell = fp.addCell("c");
    HDPrimitive* prim = fp.addPrimitive("P");
    HDInstanceNames names;
    std::mt19937 rng(static_cast<unsigned>(n));
    std::map<std::string, long> first;
    std::vector<std::pair<long, long>> expected;  // element, first element
    const size_t pool = n < 100 ? 3 : n < 100000 ? n / 8 : size_t(1) << 32;
    for (size_t i = 0; i < n; ++i) {
      const std::string name = "n" + std::to_string(rng() % pool);
      // Elements need not be indices; runs of one column and of consecutive elements.
      const long element = static_cast<long>(i < n / 2 ? 2 * i + 1 : n + i);
      names.add(name, element, HDJsonPos{static_cast<int>(i + 7), 3 + static_cast<int>(i / 7 % 3)});
      HDDesignBuilder::addInstance(cell, name, nullptr, prim);
      auto ins = first.emplace(name, element);
      if (!ins.second) expected.emplace_back(element, ins.first->second);
    }
    const auto found = names.duplicates(cell->instances());
    ASSERT_EQ(found.size(), expected.size()) << n;
    if (n == 300000) {
      EXPECT_GT(found.size(), 0u);
    }
    for (size_t k = 0; k < found.size(); ++k) {
      ASSERT_EQ(found[k].element, expected[k].first) << n << " " << k;
      ASSERT_EQ(found[k].first, expected[k].second) << n << " " << k;
      const auto indexOf = [&](long e) {
        return static_cast<size_t>(e < static_cast<long>(n) ? (e - 1) / 2
                                                            : e - static_cast<long>(n));
      };
      for (auto [e, pos] : {std::make_pair(found[k].element, found[k].pos),
                            std::make_pair(found[k].first, found[k].firstPos)}) {
        ASSERT_EQ(pos.line, static_cast<int>(indexOf(e) + 7));
        ASSERT_EQ(pos.column, 3 + static_cast<int>(indexOf(e) / 7 % 3));
      }
      ASSERT_EQ(found[k].name, cell->instances()[indexOf(found[k].element)].getName());
    }
  }
}
