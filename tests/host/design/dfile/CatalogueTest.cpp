// The shipped catalogues load, cover every family, and give the block RAM, FIFO and HBM
// primitives the library-cell codes the analysis dispatches on; the examples are valid.
#include <dirent.h>
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "host/design/db/HDesignSummary.h"
#include "shared/fit/base/HAFITFloorplan.h"
#include "support/DesignTestUtil.h"

namespace {

// Part names of parts.json, by reading it as a design would name them.
const std::vector<std::string> kParts = {"z7-s1", "z7-s2", "z7-m1",      "z7-m2", "z7-l1", "z8-m1",
                                         "z8-l1", "z8-x1", "z9-example", "z9-s1", "z9-m1", "z9-l1",
                                         "z9-h1", "z9-h2", "kv-m1",      "kv-l1"};

// A design on `part` that instantiates every primitive of its library by name.
std::string everyPrimitive(const std::string& part, const std::vector<std::string>& prims) {
  std::string insts;
  for (size_t i = 0; i < prims.size(); ++i)
    insts += std::string(i ? ", " : "") + "{\"name\": \"i" + std::to_string(i) +
             "\", \"cell\": \"" + prims[i] + "\"}";
  return "{\"seufit_design\": 1, \"part\": \"" + part +
         "\", \"top\": \"top\", \"cells\": {\"top\": {\"instances\": [" + insts + "]}}}";
}

class Catalogue : public ShippedData {
 protected:
  // Primitive name -> code, for the part's library.
  std::map<std::string, uint32_t> codes(const std::string& part) {
    auto d = load(everyPrimitive(part, {}));
    EXPECT_NE(d, nullptr) << problemText();
    std::map<std::string, uint32_t> out;
    if (!d) return out;
    for (const auto& p : d->primitives()) out[p->name] = p->code;
    return out;
  }
};

TEST_F(Catalogue, EveryPartLoadsWithItsFamily) {
  std::map<std::string, std::set<int>> types;
  std::map<std::string, int> parts;
  for (const auto& name : kParts) {
    auto d = load(everyPrimitive(name, {}));
    ASSERT_NE(d, nullptr) << name << "\n" << problemText();
    const HARPlaceArch* arch = d->getPart()->getPlaceArch();
    const std::string archId = d->getPart()->getFamily()->getArch()->getId();
    const char* family = HAFITFloorplan::familyName(
        HAFITFloorplan::familyFor(arch->getArchType(), arch->getDeviceName()));
    ASSERT_NE(HDPYRouteStorage::getRouteData(d.get()), nullptr) << name;
    const uint32_t bits = HDPYRouteStorage::getRouteData(d.get())->getConfigBitCount();
    EXPECT_GE(bits, 5000000u) << name;
    EXPECT_LE(bits, 999999999u) << name;
    if (arch->getDeviceName() == "dpm4410") {
      EXPECT_EQ(family, nullptr);
      EXPECT_EQ(archId, "zerith8");
      ++parts["dpm4410"];
      continue;
    }
    ASSERT_NE(family, nullptr) << name;
    EXPECT_EQ(archId, family) << name;  // the family key of the soft-error data
    types[family].insert(arch->getArchType());
    ++parts[family];
  }
  EXPECT_EQ(parts["dpm4410"], 1);
  for (const char* f : {"zerith7", "zerith8", "zerith9", "korvan"}) EXPECT_GE(parts[f], 2) << f;
  EXPECT_GE(types["zerith7"].size(), 3u);
  EXPECT_GE(types["zerith9"].size(), 3u);
  EXPECT_TRUE(types["zerith9"].count(26));
}

TEST_F(Catalogue, LibrariesCarryTheDispatchCodes) {
  struct Want {
    const char* part;
    std::map<std::string, uint32_t> codes;
  };
  const std::vector<Want> wants = {
      {"z7-s2", {{"FIFO18", 260}, {"FIFO36", 264}, {"RAMB18", 1382}, {"RAMB36", 1390}}},
      {"z8-m1", {{"FIFO18", 261}, {"FIFO36", 266}, {"RAMB18", 1383}, {"RAMB36", 1391}}},
      {"z9-s1",
       {{"FIFO18", 261},
        {"FIFO36", 266},
        {"RAMB18", 1383},
        {"RAMB36", 1391},
        {"HBM_ONE_STACK", 332},
        {"HBM_TWO_STACK", 341}}},
      {"kv-m1", {{"RAMB18", 1385}, {"RAMB36", 1395}}},
  };
  const std::set<uint32_t> dispatched = {260, 264, 1382, 1390, 261, 266, 1383, 1391, 1385, 1395};
  for (const Want& w : wants) {
    const auto got = codes(w.part);
    for (const auto& kv : w.codes) {
      ASSERT_TRUE(got.count(kv.first)) << w.part << " " << kv.first;
      EXPECT_EQ(got.at(kv.first), kv.second) << w.part << " " << kv.first;
    }
  }
  // Korvan's FIFO is a primitive of its own, none of the analysed codes.
  auto d = load(everyPrimitive("kv-m1", {"FIFO36", "YRAM"}));
  ASSERT_NE(d, nullptr) << problemText();
  const HDPrimitive* fifo = d->findPrimitive("FIFO36");
  EXPECT_EQ(fifo->classes, HDPrimitive::FIFO);
  EXPECT_FALSE(dispatched.count(fifo->code));
  EXPECT_EQ(d->findPrimitive("FIFO18"), nullptr);
  EXPECT_EQ(d->findPrimitive("YRAM")->classes, HDPrimitive::YRAM);
  // YRAM exists in Zerith9 and Korvan only; HBM in Zerith9 only.
  EXPECT_TRUE(codes("z9-s1").count("YRAM"));
  EXPECT_FALSE(codes("z7-s2").count("YRAM"));
  EXPECT_FALSE(codes("z8-m1").count("YRAM"));
  EXPECT_FALSE(codes("kv-m1").count("HBM_ONE_STACK"));
}

TEST_F(Catalogue, MemoryPrimitivesDefineTheirAttributes) {
  auto d = load(everyPrimitive("z9-s1", {}));
  ASSERT_NE(d, nullptr) << problemText();
  const HDPrimitive* r36 = d->findPrimitive("RAMB36");
  for (const char* a : {"RAM_MODE", "RAM_EXTENSION_A", "READ_WIDTH_A", "READ_WIDTH_B",
                        "WRITE_WIDTH_A", "WRITE_WIDTH_B", "EN_ECC_READ", "EN_ECC_WRITE"})
    EXPECT_TRUE(r36->defines(a)) << a;
  EXPECT_FALSE(r36->defines("SEU_PROTECTED"));
  EXPECT_TRUE(d->findPrimitive("FIFO36")->defines("FIFO_MODE"));
  EXPECT_TRUE(d->findPrimitive("FIFO18")->defines("READ_WIDTH"));
  EXPECT_EQ(d->findPrimitive("HBM_ONE_STACK")->classes, HDPrimitive::HBM);
  const HDPrimitive* two = d->findPrimitive("HBM_TWO_STACK");
  ASSERT_NE(two->contents, nullptr);
  ASSERT_EQ(two->contents->instanceCount(), 2);
  for (const auto& s : two->contents->instances())
    EXPECT_EQ(s.getPrimitive(), d->findPrimitive("HBM_ONE_STACK"));
  EXPECT_TRUE(codes("z7-s2").count("LUT6"));
  EXPECT_EQ(d->findPrimitive("LUT6")->classes, HDPrimitive::OTHER);
  auto z7 = load(everyPrimitive("z7-s2", {}));
  ASSERT_NE(z7, nullptr);
  EXPECT_TRUE(z7->findPrimitive("FIFO18")->defines("DATA_WIDTH"));
}

TEST_F(Catalogue, ExamplesAreValid) {
  const std::string dir = SEUFIT_SOURCE_DIR "/examples";
  DIR* dp = opendir(dir.c_str());
  ASSERT_NE(dp, nullptr);
  std::map<std::string, HDDesignSummary> seen;
  while (dirent* e = readdir(dp)) {
    const std::string name = e->d_name;
    if (name.size() < 5 || name.substr(name.size() - 5) != ".json") continue;
    problems.clear();
    auto d = HDLoad::load(dir + "/" + name, {}, problems);
    ASSERT_NE(d, nullptr) << name << "\n" << problemText();
    const HARPlaceArch* arch = d->getPart()->getPlaceArch();
    const char* family = HAFITFloorplan::familyName(
        HAFITFloorplan::familyFor(arch->getArchType(), arch->getDeviceName()));
    ASSERT_NE(family, nullptr) << name;
    seen[family] = HDSummarizeDesign(*d);
  }
  closedir(dp);
  ASSERT_EQ(seen.size(), 4u);
  EXPECT_GT(seen["zerith9"].yram, 0u);
  EXPECT_GT(seen["zerith9"].hbm, 0u);
  EXPECT_GT(seen["korvan"].yram, 0u);
  for (const auto& kv : seen) {
    EXPECT_GT(kv.second.ramb, 0u) << kv.first;
    EXPECT_GT(kv.second.fifo, 0u) << kv.first;
    EXPECT_GT(kv.second.occurrences, kv.second.definedInstances) << kv.first;  // shared cells
  }
}

}  // namespace
