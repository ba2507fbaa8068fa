// A loaded design answers the queries of the floorplan walk: occurrences and their
// names, master views, primitive classes and codes, attribute kinds and specs, sites,
// the part, route data and constraints.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <limits>
#include <map>

#include "support/DesignTestUtil.h"

namespace {

// Every occurrence below `cv`, depth first, as the walk meets them: hierarchical name
// and the occurrence handle while it is valid.
void walk(const HAINetlist* nl, const HDLHCellview* cv,
          const std::function<void(const HDLHInstance*, const std::string&)>& visit) {
  std::unique_ptr<HDLHInstanceIter> it(cv->createInstanceIterLH());
  while (it->more()) {
    const HDLHInstance* inst = it->next();
    std::string name;
    nl->getHierName(inst, name, nullptr, "");
    visit(inst, name);
    if (!inst->isArchLeaf() && !inst->getDAH()->isHierBlackBox() && inst->getMasterLH())
      walk(nl, inst->getMasterLH(), visit);
  }
}

const char* kHier = R"({
  "seufit_design": 1, "part": "z9-h1", "top": "top",
  "cells": {
    "top": {"nets": 2, "instances": [
      {"name": "a", "cell": "sub"},
      {"name": "b", "cell": "sub"},
      {"name": "ip", "cell": "bb"},
      {"name": "h", "cell": "HBM_TWO_STACK"},
      {"name": "y", "cell": "YRAM", "site": "YRAM_X0Y0"}
    ]},
    "sub": {"nets": 1, "bus_nets": 3, "instances": [
      {"name": "r", "cell": "RAMB36", "site": "RAMB36_X1Y2"},
      {"name": "leaf", "cell": "inner"}
    ]},
    "inner": {"nets": 4},
    "bb": {"black_box": true, "instances": [{"name": "hidden", "cell": "LUT6"}]}
  }
})";

TEST_F(ShippedData, OccurrencesAndMasterViews) {
  auto d = load(kHier);
  ASSERT_NE(d, nullptr) << problemText();
  const HAINetlist* nl = d->getNetlist();
  std::vector<std::string> names;
  walk(nl, nl->getTopCellview(),
       [&](const HDLHInstance*, const std::string& n) { names.push_back(n); });
  EXPECT_EQ(names,
            (std::vector<std::string>{"a", "a/r", "a/leaf", "b", "b/r", "b/leaf", "ip", "h", "y"}));
  EXPECT_EQ(d->getDesignName(), "top");
  EXPECT_STREQ(nl->getTopCellview()->getNameLH(), "top");

  // Cells are stored once; both occurrences of sub share the definition.
  EXPECT_EQ(d->cells().size(), 4u);
  const HDAHCellview* top = d->findCell("top");
  ASSERT_NE(top, nullptr);
  const auto& ti = top->instances();
  EXPECT_EQ(ti[0].getMasterView(), ti[1].getMasterView());
  EXPECT_EQ(ti[0].getMasterView(), d->findCell("sub"));
  EXPECT_EQ(ti[0].getMasterView()->busNetCount(), 3);
  EXPECT_EQ(d->findCell("inner")->netCount(HDAHTypes::CONN_ALL), 4);
  EXPECT_FALSE(ti[0].isArchLeaf());
  EXPECT_TRUE(ti[2].isHierBlackBox());
  EXPECT_FALSE(ti[0].isHierBlackBox());

  // A two-stack HBM is a leaf whose master view holds two one-stack HBMs of the library.
  const HDAHInstance* h = &ti[3];
  EXPECT_TRUE(h->isArchLeaf());
  ASSERT_NE(h->getMasterView(), nullptr);
  ASSERT_EQ(h->getMasterView()->instanceCount(), 2);
  for (const auto& s : h->getMasterView()->instances()) {
    ASSERT_NE(s.getPrimitive(), nullptr);
    EXPECT_EQ(s.getPrimitive()->name, "HBM_ONE_STACK");
    EXPECT_EQ(s.getPrimitive()->code, 332u);
    EXPECT_EQ(s.getMasterView(), nullptr);
  }
  EXPECT_EQ(ti[4].getMasterView(), nullptr);
  EXPECT_EQ(ti[4].getSiteName(), "YRAM_X0Y0");
}

TEST_F(ShippedData, ClassificationAndCodesThroughOccurrences) {
  auto d = load(kHier);
  ASSERT_NE(d, nullptr) << problemText();
  const HAINetlist* nl = d->getNetlist();
  std::map<std::string, std::pair<std::string, uint64_t>> seen;
  walk(nl, nl->getTopCellview(), [&](const HDLHInstance* i, const std::string& n) {
    std::string cls;
    if (HARUPrimUtils::isRAMB(i, nl)) cls += "ramb ";
    if (HARUPrimUtils::isFIFO(i, nl)) cls += "fifo ";
    if (HARUPrimUtils::isYRAM(i, nl)) cls += "yram ";
    if (HARUPrimUtils::isHBM(i, nl)) cls += "hbm ";
    seen[n] = {cls, HARUPrimUtils::getLibCell(i, nl) >> 32};
  });
  EXPECT_EQ(seen["a/r"], std::make_pair(std::string("ramb "), uint64_t{1391}));
  EXPECT_EQ(seen["h"], std::make_pair(std::string("hbm "), uint64_t{341}));
  EXPECT_EQ(seen["y"], std::make_pair(std::string("yram "), uint64_t{1420}));
  EXPECT_EQ(seen["a"], std::make_pair(std::string(), uint64_t{0}));
}

TEST_F(ShippedData, AttributeKinds) {
  auto d = load(design(R"("top": {"instances": [{"name": "r", "cell": "RAMB36", "attributes": {
      "t": true, "f": false, "i": -2147483648, "l": 2147483648, "ln": -2147483649,
      "lmax": 9223372036854775807, "lmin": -9223372036854775808,
      "d": 100.7, "e": 1e3, "z": -0.0, "tiny": 1e-400, "s": "TDP", "u": "\u00e9\ud83d\ude00",
      "tb": {"bool": true}, "ti": {"int": 7}, "tl": {"long": 5}, "td": {"double": 36},
      "ts": {"string": "40000"}, "to": {"other": [1, {"a": null, "b": "x\"y"}]},
      "tos": {"other": "plain"}}}]})"));
  ASSERT_NE(d, nullptr) << problemText();
  const HDAHInstance* r = &d->findCell("top")->instances()[0];
  const auto kind = [&](const char* n) { return r->findAttr(n)->getKind(); };
  EXPECT_EQ(kind("t"), HATAttr::BOOL);
  EXPECT_TRUE(r->findAttr("t")->getBoolVal());
  EXPECT_FALSE(r->findAttr("f")->getBoolVal());
  EXPECT_EQ(kind("i"), HATAttr::INT);
  EXPECT_EQ(r->findAttr("i")->getIntVal(), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(kind("l"), HATAttr::LONG);
  EXPECT_EQ(r->findAttr("l")->getLongVal(), 2147483648LL);
  EXPECT_EQ(kind("ln"), HATAttr::LONG);
  EXPECT_EQ(r->findAttr("lmax")->getLongVal(), std::numeric_limits<int64_t>::max());
  EXPECT_EQ(r->findAttr("lmin")->getLongVal(), std::numeric_limits<int64_t>::min());
  EXPECT_EQ(kind("d"), HATAttr::DOUBLE);
  EXPECT_EQ(r->findAttr("d")->getDoubleVal(), 100.7);
  EXPECT_EQ(kind("e"), HATAttr::DOUBLE);
  EXPECT_EQ(r->findAttr("e")->getDoubleVal(), 1000.0);
  EXPECT_TRUE(std::signbit(r->findAttr("z")->getDoubleVal()));
  EXPECT_EQ(r->findAttr("tiny")->getDoubleVal(), 0.0);
  EXPECT_EQ(kind("s"), HATAttr::TEXT);
  EXPECT_EQ(r->findAttr("s")->getStringVal(), "TDP");
  EXPECT_EQ(r->findAttr("u")->getStringVal(), "\xC3\xA9\xF0\x9F\x98\x80");
  EXPECT_EQ(kind("tb"), HATAttr::BOOL);
  EXPECT_EQ(kind("ti"), HATAttr::INT);
  EXPECT_EQ(r->findAttr("ti")->getIntVal(), 7);
  EXPECT_EQ(kind("tl"), HATAttr::LONG);
  EXPECT_EQ(r->findAttr("tl")->getLongVal(), 5);
  EXPECT_EQ(kind("td"), HATAttr::DOUBLE);
  EXPECT_EQ(r->findAttr("td")->getDoubleVal(), 36.0);
  EXPECT_EQ(kind("ts"), HATAttr::TEXT);
  EXPECT_EQ(r->findAttr("ts")->getStringVal(), "40000");
  EXPECT_EQ(kind("to"), HATAttr::OTHER);
  EXPECT_EQ(r->findAttr("to")->getStringVal(), "[1,{\"a\":null,\"b\":\"x\\\"y\"}]");
  EXPECT_EQ(r->findAttr("tos")->getStringVal(), "\"plain\"");
  // Order of the file is kept.
  EXPECT_EQ(r->attributes().front().first, "t");
  EXPECT_EQ(r->attributes().back().first, "tos");
}

TEST_F(ShippedData, UserDefinedAttributesFollowThePrimitive) {
  auto d = load(design(R"("top": {"instances": [
      {"name": "r36", "cell": "RAMB36", "attributes": {"EN_ECC_READ": true, "SEU_PROTECTED": 5}},
      {"name": "r18", "cell": "RAMB18", "attributes": {"EN_ECC_READ": true}},
      {"name": "sub", "cell": "s"}]}, "s": {})"));
  ASSERT_NE(d, nullptr) << problemText();
  const HAINetlist* nl = d->getNetlist();
  HAIAttrMgr mgr;
  std::vector<std::string> userDefined;
  walk(nl, nl->getTopCellview(), [&](const HDLHInstance* i, const std::string& n) {
    for (const char* a : {"EN_ECC_READ", "SEU_PROTECTED", "RAM_MODE"}) {
      if (mgr.getAttrSpec(i, a, d->getPart()).isUserDefined()) userDefined.push_back(n + "." + a);
    }
    HATAttr v;
    if (n == "r36") {
      ASSERT_TRUE(mgr.getAttr(nl, i, "SEU_PROTECTED", v, false));
      EXPECT_EQ(v.getIntVal(), 5);
      EXPECT_FALSE(mgr.getAttr(nl, i, "RAM_MODE", v, false));
    }
  });
  // RAMB36 defines ECC enables and RAM_MODE; RAMB18 has no ECC; nobody defines SEU_PROTECTED.
  EXPECT_EQ(userDefined,
            (std::vector<std::string>{"r36.SEU_PROTECTED", "r18.EN_ECC_READ", "r18.SEU_PROTECTED",
                                      "sub.EN_ECC_READ", "sub.SEU_PROTECTED", "sub.RAM_MODE"}));
}

TEST_F(ShippedData, SitesKeepOrderAndEmptyEntries) {
  auto d = load(design(R"("top": {"instances": [{"name": "r", "cell": "RAMB36", "site": "B"}]})",
                       R"("sites": {
        "B": [{"element": "RAMB36", "config": [["RAM_MODE", "TDP"], null, ["READ_WIDTH_A", "36"],
                                               ["RAM_MODE", "SDP"], ["EMPTY", ""]]}, null,
              {"element": "FIFO36"}],
        "A": [],
        "C": [null]})"));
  ASSERT_NE(d, nullptr) << problemText();
  const HDSMSitemap* map = d->getPart()->getPlaceArch()->getSitemap();
  EXPECT_EQ(map->size(), 3u);
  EXPECT_EQ(map->find("nope"), nullptr);
  ASSERT_NE(map->find("A"), nullptr);
  EXPECT_TRUE(map->find("A")->elements.empty());
  ASSERT_EQ(map->find("C")->elements.size(), 1u);
  EXPECT_EQ(map->find("C")->elements[0], nullptr);
  const HDSMSite* b = map->find("B");
  ASSERT_NE(b, nullptr);
  ASSERT_EQ(b->elements.size(), 3u);
  EXPECT_EQ(b->elements[0]->name, "RAMB36");
  EXPECT_EQ(b->elements[1], nullptr);
  EXPECT_EQ(b->elements[2]->name, "FIFO36");
  EXPECT_TRUE(b->elements[2]->values.empty());
  const auto& v = b->elements[0]->values;
  ASSERT_EQ(v.size(), 5u);
  EXPECT_EQ(v[0]->getAttribDesc()->getName(), "RAM_MODE");
  EXPECT_EQ(v[0]->getAttribValue(), "TDP");
  EXPECT_EQ(v[1], nullptr);
  EXPECT_EQ(v[3]->getAttribValue(), "SDP");
  EXPECT_EQ(v[4]->getAttribValue(), "");
  EXPECT_EQ(d->findCell("top")->instances()[0].getSiteName(), "B");
}

TEST_F(ShippedData, PartAndRouteData) {
  auto d = load(design(R"("top": {})"));
  ASSERT_NE(d, nullptr) << problemText();
  EXPECT_EQ(d->getPart()->getName(), "z9-s1");
  EXPECT_EQ(d->getPart()->getFamily()->getArch()->getId(), "zerith9");
  EXPECT_EQ(d->getPart()->getPlaceArch()->getArchType(), 19);
  EXPECT_EQ(d->getPart()->getPlaceArch()->getDeviceName(), "zd9s1");
  EXPECT_EQ(d->getNetlist()->getPart(), d->getPart());
  ASSERT_NE(HDPYRouteStorage::getRouteData(d.get()), nullptr);
  EXPECT_EQ(HDPYRouteStorage::getRouteData(d.get())->getConfigBitCount(), 37800000u);

  const auto inlinePart = [](const std::string& bits) {
    return "{\"seufit_design\": 1, \"top\": \"t\", \"cells\": {\"t\": {}}, \"part\": {\"name\": "
           "\"Mine\", \"device\": \"dev\", \"arch_id\": \"Zerith7\", \"arch_type\": -3" +
           bits + "}}";
  };
  d = load(inlinePart(""));
  ASSERT_NE(d, nullptr) << problemText();
  EXPECT_EQ(HDPYRouteStorage::getRouteData(d.get()), nullptr);
  EXPECT_EQ(d->getPart()->getPlaceArch()->getArchType(), -3);
  EXPECT_EQ(d->getPart()->getFamily()->getArch()->getId(), "Zerith7");
  for (uint32_t bits : {0u, 4294967295u}) {
    d = load(inlinePart(", \"config_bits\": " + std::to_string(bits)));
    ASSERT_NE(d, nullptr) << problemText();
    ASSERT_NE(HDPYRouteStorage::getRouteData(d.get()), nullptr);
    EXPECT_EQ(HDPYRouteStorage::getRouteData(d.get())->getConfigBitCount(), bits);
  }
}

TEST_F(ShippedData, ConstraintsInOrderWithNullEntries) {
  auto d =
      load(design(R"("top": {})", R"("constraints": [{"altitude": "feet", "type": "units"}, null,
      {"type": "clock", "period": 4.0, "altitude": 7}, {"type": "units"}, {"period": [1]}])"));
  ASSERT_NE(d, nullptr) << problemText();
  ASSERT_NE(d->getConstraintSet(), nullptr);
  std::unique_ptr<HDCSetIter> it(d->getConstraintSet()->createIter());
  std::vector<std::string> seen;
  while (it->more()) {
    HDCBase* c = it->next();
    if (!c)
      seen.push_back("null");
    else if (auto* u = dynamic_cast<HASCSetUnits*>(c))
      seen.push_back("units:" + u->getAltitudeUnit());
    else if (auto* o = dynamic_cast<HDCOther*>(c))
      seen.push_back("other:" + o->getType());
  }
  EXPECT_EQ(seen,
            (std::vector<std::string>{"units:feet", "null", "other:clock", "units:", "other:"}));

  d = load(design(R"("top": {})"));
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->getConstraintSet(), nullptr);
  d = load(design(R"("top": {})", R"("constraints": [])"));
  ASSERT_NE(d, nullptr);
  ASSERT_NE(d->getConstraintSet(), nullptr);
  EXPECT_TRUE(d->getConstraintSet()->items().empty());
}

TEST_F(ShippedData, DesignPrimitivesAddToAndReplaceTheLibrary) {
  // Keys in any order: cells before the primitives they use, the part last.
  auto d = load(R"({"seufit_design": 1, "top": "top",
    "cells": {"top": {"instances": [{"name": "r", "cell": "RAMB36"}, {"name": "m", "cell": "MYRAM"},
                                    {"name": "l", "cell": "LUT6"}]}},
    "primitives": {"RAMB36": {"class": ["ramb", "other"], "code": 9999, "attributes": ["X"]},
                   "MYRAM": {"class": "fifo", "code": 266}},
    "part": "z9-s1"})");
  ASSERT_NE(d, nullptr) << problemText();
  const auto& ti = d->findCell("top")->instances();
  EXPECT_EQ(ti[0].getPrimitive()->code, 9999u);
  EXPECT_EQ(ti[0].getPrimitive()->classes, HDPrimitive::RAMB | HDPrimitive::OTHER);
  EXPECT_TRUE(ti[0].getPrimitive()->defines("X"));
  EXPECT_FALSE(ti[0].getPrimitive()->defines("RAM_MODE"));
  EXPECT_EQ(ti[1].getPrimitive()->code, 266u);
  EXPECT_EQ(ti[2].getPrimitive()->code, 6u);
  // One RAMB36 only: the library's definition was not added beside the design's.
  int ramb36 = 0;
  for (const auto& p : d->primitives()) ramb36 += p->name == "RAMB36";
  EXPECT_EQ(ramb36, 1);
}

TEST(DesignFiles, InlinePartNeedsNoCatalogue) {
  // An empty data directory: a design with its own part and primitives still loads; a
  // catalogue part is refused naming the file looked for.
  char dir[] = "/tmp/seufit-design-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  HUTEnv::setDataDirs(std::vector<std::string>{dir});
  HUTEnv::setBuiltinData(false);
  std::vector<HDLoadProblem> problems;
  auto d = HDLoad::loadText(
      R"({"seufit_design": 1, "part": {"name": "p", "device": "d", "arch_id": "korvan", "arch_type": 27},
          "top": "t", "primitives": {"R": {"class": "ramb", "code": 1395}},
          "cells": {"t": {"instances": [{"name": "r", "cell": "R"}, {"name": "q", "cell": "Q"}]}}})",
      "x.json", {}, problems);
  ASSERT_EQ(d, nullptr);
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].message,
            "undefined cell \"Q\": it is neither a cell of this file nor a primitive (the part "
            "names no primitive library)");
  problems.clear();
  d = HDLoad::loadText(
      R"({"seufit_design": 1, "part": {"name": "p", "device": "d", "arch_id": "korvan", "arch_type": 27},
          "top": "t", "primitives": {"R": {"class": "ramb", "code": 1395}},
          "cells": {"t": {"instances": [{"name": "r", "cell": "R"}]}}})",
      "x.json", {}, problems);
  EXPECT_NE(d, nullptr);
  problems.clear();
  d = HDLoad::loadText(R"({"seufit_design": 1, "part": "z9-s1", "top": "t", "cells": {"t": {}}})",
                       "x.json", {}, problems);
  EXPECT_EQ(d, nullptr);
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_NE(problems[0].message.find("no parts.json was found in the data directories (" +
                                     std::string(dir) + ")"),
            std::string::npos)
      << problems[0].message;
  EXPECT_EQ(problems[0].jsonPath, "part");

  // A broken catalogue is reported in the catalogue's own file.
  const std::string parts = std::string(dir) + "/parts.json";
  std::ofstream(parts)
      << "{\"seufit_parts\": 1, \"parts\": [\n  {\"name\": \"z\", \"device\": 5}]}";
  problems.clear();
  d = HDLoad::loadText(R"({"seufit_design": 1, "part": "z", "top": "t", "cells": {"t": {}}})",
                       "x.json", {}, problems);
  EXPECT_EQ(d, nullptr);
  ASSERT_GE(problems.size(), 1u);
  EXPECT_EQ(problems[0].file, parts);
  EXPECT_EQ(problems[0].line, 2);
  EXPECT_EQ(problems[0].jsonPath, "parts[0].device");
  std::remove(parts.c_str());
  rmdir(dir);
  HUTEnv::setDataDirs(std::nullopt);
  HUTEnv::setBuiltinData(true);
}

TEST(DesignFiles, LoadFileReadsAcrossChunkBoundaries) {
  // A cell of many instances written to a file larger than the reader's buffer, with
  // multi-byte names falling on every offset.
  char path[] = "/tmp/seufit-design-XXXXXX";
  const int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  close(fd);
  std::string json =
      R"({"seufit_design": 1, "part": {"name": "p", "device": "d", "arch_id": "korvan",
    "arch_type": 27}, "top": "t", "primitives": {"L": {"class": "other", "code": 1}},
    "cells": {"t": {"instances": [)";
  const int n = 40000;
  for (int i = 0; i < n; ++i)
    json += std::string(i ? "," : "") + "\n{\"name\": \"é€😀\\u00e9" + std::to_string(i) +
            "\", \"cell\": \"L\", \"attributes\": {\"V\": " + std::to_string(i) + ".5e-1}}";
  json += "]}}, \"top2\": 1}";  // one problem at the very end, on the last line
  ASSERT_GT(json.size(), 2u << 20);
  std::ofstream(path, std::ios::binary) << json;
  std::vector<HDLoadProblem> problems;
  EXPECT_EQ(HDLoad::load(path, {}, problems), nullptr);
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].line, n + 3);
  EXPECT_EQ(problems[0].column, 78);
  EXPECT_EQ(problems[0].message.rfind("unknown key \"top2\"", 0), 0u);

  json.replace(json.size() - 12, 11, "");  // drop the bad key
  std::ofstream(path, std::ios::binary | std::ios::trunc) << json;
  problems.clear();
  auto d = HDLoad::load(path, {}, problems);
  std::remove(path);
  ASSERT_NE(d, nullptr) << problems[0].message;
  const auto& ti = d->findCell("t")->instances();
  ASSERT_EQ(ti.size(), static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    ASSERT_EQ(ti[i].getName(), "é€😀é" + std::to_string(i));
    ASSERT_EQ(ti[i].findAttr("V")->getDoubleVal(), std::stod(std::to_string(i) + ".5e-1"));
  }
}

}  // namespace
