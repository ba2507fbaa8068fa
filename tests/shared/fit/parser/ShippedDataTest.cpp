// The data files shipped in data/fit: complete, well formed, and the cutoff grid close
// to the cutoffs published for neutron-monitor stations.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <set>
#include <sstream>

#include "ParserTestSupport.h"
#include "shared/fit/parser/HAFITDetectMgr.h"
#include "shared/fit/parser/HAFITRCMgr.h"
#include "shared/fit/parser/HAFITSERMgr.h"

namespace {
const std::string kData = std::string(SEUFIT_SOURCE_DIR) + "/data/";

template <typename Mgr>
void loadShipped(Mgr& m, const std::string& file) {
  ComMsgMgr::ScopedCapture cap;
  EXPECT_TRUE(m.parse(kData + file, true));
  EXPECT_TRUE(cap.messages().empty()) << describe(cap.messages().front());
}

TEST(ShippedData, CutoffGridHasEveryWholeDegreeOnceInOrder) {
  HAFITRCMgr m;
  loadShipped(m, "fit/RigidityCutoff.xml");
  ComMsgMgr::ScopedCapture cap;
  m.dump();
  ASSERT_EQ(cap.messages().size(), 361u * 181u);
  std::size_t k = 0;
  for (int lon = -180; lon <= 180; ++lon)
    for (int lat = -90; lat <= 90; ++lat, ++k) {
      const auto& a = cap.messages()[k].args;
      ASSERT_TRUE(a[0].i == lon && a[1].i == lat) << lon << " " << lat;
      ASSERT_TRUE(a[2].d >= 0.0 && a[2].d < 20.0) << lon << " " << lat << ": " << a[2].d;
    }
  // -180 and 180 are one meridian.
  for (int lat = -90; lat <= 90; ++lat) EXPECT_EQ(m.get(-180, lat), m.get(180, lat)) << lat;
}

TEST(ShippedData, CutoffGridMatchesNeutronMonitorStations) {
  HAFITRCMgr m;
  loadShipped(m, "fit/RigidityCutoff.xml");
  std::ifstream in(std::string(SEUFIT_SOURCE_DIR) + "/tools/rcgrid/nm-stations.csv");
  ASSERT_TRUE(in);
  std::string line;
  double sum = 0.0, worst = 0.0;
  int n = 0;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#' || line.rfind("id,", 0) == 0) continue;
    std::stringstream ss(line);
    std::string id, name, lat, lon, rc;
    std::getline(ss, id, ',');
    std::getline(ss, name, ',');
    std::getline(ss, lat, ',');
    std::getline(ss, lon, ',');
    std::getline(ss, rc, ',');
    // The flux model looks the grid up at whole degrees.
    const float grid = m.get(static_cast<int>(std::lround(std::stod(lon))),
                             static_cast<int>(std::lround(std::stod(lat))));
    const double err = std::fabs(grid - std::stod(rc));
    EXPECT_LE(err, 1.2) << id;
    sum += err;
    worst = std::max(worst, err);
    ++n;
  }
  ASSERT_GE(n, 10);
  EXPECT_LE(sum / n, 0.4);
  RecordProperty("mean_error_gv", std::to_string(sum / n));
  RecordProperty("worst_error_gv", std::to_string(worst));
}

TEST(ShippedData, SoftErrorRatesCoverEveryFamilysClasses) {
  HAFITSERMgr m;
  loadShipped(m, "fit/SoftErrorRate.xml");
  using M = HAFITSERMgr;
  const struct {
    const char* family;
    std::set<M::MemType> classes;  // those its report asks for
  } families[] = {{"zerith7", {M::MEM_CONFIG, M::MEM_BRAM}},
                  {"zerith8", {M::MEM_CONFIG, M::MEM_BRAM}},
                  {"zerith9", {M::MEM_CONFIG, M::MEM_BRAM, M::MEM_YRAM, M::MEM_HBM}},
                  {"korvan", {M::MEM_CONFIG, M::MEM_BRAM, M::MEM_YRAM}}};
  for (const auto& fam : families) {
    SCOPED_TRACE(fam.family);
    for (M::MemType t : {M::MEM_CONFIG, M::MEM_BRAM, M::MEM_YRAM, M::MEM_HBM}) {
      const bool used = fam.classes.count(t) > 0;
      for (const HAFITSERData* d : {m.getSerData(fam.family, t), m.getAlphaData(fam.family, t)}) {
        EXPECT_EQ(d != nullptr, used) << t;
        if (!d) continue;
        EXPECT_GT(d->nominal, 0.0f);
        EXPECT_TRUE(d->lowerLimit > -1.0f && d->lowerLimit < 0.0f && d->upperLimit > 0.0f);
      }
      if (used) {
        EXPECT_LT(m.getAlphaData(fam.family, t)->nominal, m.getSerData(fam.family, t)->nominal);
      }
    }
    EXPECT_NE(m.getSerData(fam.family, M::MEM_CONFIG_6T), nullptr);
    EXPECT_NE(m.getSerData(fam.family, M::MEM_CONFIG_12T), nullptr);
    const HAFITTempData* t = m.getTempData(fam.family);
    ASSERT_NE(t, nullptr);
    EXPECT_NEAR(t->slope * 28.0f + t->intercept, 1.0f, 1e-5f);  // reference temperature
  }
}

TEST(ShippedData, DetectionTimesCoverEveryCataloguedDevice) {
  HAFITDetectMgr m;
  loadShipped(m, "fit/DetectionTime.xml");
  std::ifstream in(kData + "parts.json");
  ASSERT_TRUE(in) << "data/parts.json";
  std::stringstream text;
  text << in.rdbuf();
  const std::string s = text.str();
  int n = 0;
  const std::string key = "\"device\"";
  for (std::size_t at = s.find(key); at != std::string::npos; at = s.find(key, at + 1), ++n) {
    const std::size_t open = s.find('"', s.find(':', at + key.size()));
    const std::string name = s.substr(open + 1, s.find('"', open + 1) - open - 1);
    const HAFITDetectData* d = m.get(name);
    ASSERT_NE(d, nullptr) << name;
    EXPECT_TRUE(0.0f < d->minimum && d->minimum <= d->average && d->average <= d->maximum);
  }
  EXPECT_GT(n, 0);
}

}  // namespace
