// Mission profiles: reading, great-circle sampling and the time-weighted flux.
#include <gtest/gtest.h>

#include "shared/fit/base/HAFITMission.h"
#include "support/FitTestSupport.h"

namespace {

class MissionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    data_.write("fit/SoftErrorRate.xml", minimalSer());
    data_.write("fit/DetectionTime.xml", minimalDetect());
    data_.write("fit/RigidityCutoff.xml", minimalRc());
    useDataDir(data_.path());
    mgr_ = HAFITMgr::getGlobal();
  }
  void TearDown() override {
    HAFITMgr::resetGlobal();
    HUTEnv::setDataDirs(std::nullopt);
    HUTEnv::setBuiltinData(true);
  }
  HAFITMission::Profile parsed(const std::string& text) {
    HAFITMission::Profile p;
    std::vector<std::string> errors;
    EXPECT_TRUE(HAFITMission::parse(text, "p.json", p, errors)) << ::testing::PrintToString(errors);
    return p;
  }
  std::vector<std::string> problems(const std::string& text) {
    HAFITMission::Profile p;
    std::vector<std::string> errors;
    EXPECT_FALSE(HAFITMission::parse(text, "p", p, errors));
    return errors;
  }
  TempDataDir data_;
  HAFITMgr* mgr_ = nullptr;
};

TEST_F(MissionTest, TwoPlacesWeighByHoursInDouble) {
  // Sea level, cutoff 2.0 (-74, 40) for 3 h and cutoff 10.0 (0, 0) for 1 h; the two
  // fluxes are the JEDEC model's bit-exact values at those places.
  const HAFITMission::Profile p = parsed(
      R"({"seufit_profile": 1, "segments": [
           {"hours": 3, "altitude": 0, "unit": "m", "longitude": -74, "latitude": 40},
           {"hours": 1, "altitude": 0, "unit": "ft", "longitude": 0.4, "latitude": -0.4}]})");
  const double f1 = static_cast<double>(0x1.fff8bap-1f), f2 = static_cast<double>(0x1.5aa8aap-1f);
  const HAFITMission::MissionFlux m = HAFITMission::weigh(p, *mgr_);
  ASSERT_EQ(m.segments.size(), 2u);
  EXPECT_EQ(m.segments[0].flux, f1);
  EXPECT_EQ(m.segments[1].flux, f2);
  EXPECT_EQ(m.totalHours, 4.0);
  const double exposure = 3.0 * f1 + 1.0 * f2;
  EXPECT_EQ(m.exposure, exposure);
  EXPECT_EQ(m.meanFlux, exposure / 4.0);
  EXPECT_EQ(m.flux, static_cast<float>(exposure / 4.0));
  EXPECT_EQ(m.segments[0].share, 3.0 * f1 / exposure);
  EXPECT_EQ(m.segments[1].share, f2 / exposure);
}

TEST_F(MissionTest, NumbersReadAsWrittenWhateverTheirSpelling) {
  // A zero with a large exponent is zero; a value is rounded once, to the nearest double.
  const HAFITMission::Profile p = parsed(
      R"({"seufit_profile": 1, "segments": [
           {"hours": 2.5e0, "altitude": 0e109, "unit": "m", "longitude": -0e-400, "latitude": 0},
           {"hours": 1, "altitude": 0.1, "unit": "m", "longitude": 1E1, "latitude": 4e-1}]})");
  ASSERT_EQ(p.segments.size(), 2u);
  EXPECT_EQ(p.segments[0].hours, 2.5);
  EXPECT_EQ(p.segments[0].altitude, 0.0f);
  EXPECT_EQ(p.segments[0].longitude, 0.0);
  EXPECT_EQ(p.segments[1].altitude, 0.1f);
  EXPECT_EQ(p.segments[1].longitude, 10.0);
  EXPECT_EQ(p.segments[1].latitude, 0.4);
  EXPECT_EQ(problems(R"({"seufit_profile": 1, "segments": [{"hours": 1e400}]})"),
            std::vector<std::string>{"p:1:46: Number too big to be stored in double."});
}

TEST_F(MissionTest, CsvReadsTheSameProfileAndFeetAreConvertedAndCapped) {
  const HAFITMission::Profile p = parsed(
      "# comment\nname,hours,altitude,unit,longitude,latitude,to_longitude,to_latitude\n"
      "a, 2, 10000, ft, -74, 40, ,\n"
      "b,1,100000,ft,-74,40,,\n");
  ASSERT_EQ(p.segments.size(), 2u);
  EXPECT_EQ(p.segments[0].altitude, 3048.0f);
  const HAFITMission::MissionFlux m = HAFITMission::weigh(p, *mgr_);
  EXPECT_EQ(m.segments[0].flux, static_cast<double>(mgr_->fluxAt(3048.0f, -74, 40).flux));
  EXPECT_EQ(m.segments[1].altitude, HAFITMgr::kMaxAltitude);
  EXPECT_STREQ(m.segments[1].model, "boeing");
}

TEST_F(MissionTest, RouteLegsAreSampledEveryDegreeOfArc) {
  std::vector<HAFITMission::Position> s;
  ASSERT_TRUE(HAFITMission::routeSamples(0, 0, 10, 0, s));
  ASSERT_EQ(s.size(), 10u);  // 10 degrees of arc: ten pieces, one sample in each
  for (size_t i = 0; i < s.size(); ++i) {
    EXPECT_EQ(s[i].latitude, 0);
    EXPECT_GE(s[i].longitude, static_cast<int>(i));
    EXPECT_LE(s[i].longitude, static_cast<int>(i) + 1);
  }
  ASSERT_TRUE(HAFITMission::routeSamples(5, 5, 5, 5, s));
  EXPECT_EQ(s.size(), 1u);
  ASSERT_TRUE(HAFITMission::routeSamples(179.6, 0, -179.6, 0, s));  // across the date line
  EXPECT_EQ(s.size(), 1u);
  EXPECT_EQ(std::abs(s[0].longitude), 180);
  EXPECT_FALSE(HAFITMission::routeSamples(0, 0, 180, 0, s));  // antipodal

  // A route leg's flux is the plain mean of its samples.
  const HAFITMission::Profile p = parsed(
      R"({"seufit_profile": 1, "segments": [{"hours": 2, "altitude": 12192, "unit": "m",
           "from": {"longitude": 0, "latitude": 40}, "to": {"longitude": 0, "latitude": 50}}]})");
  const HAFITMission::MissionFlux m = HAFITMission::weigh(p, *mgr_);
  ASSERT_TRUE(HAFITMission::routeSamples(0, 40, 0, 50, s));
  double sum = 0.0;
  for (const auto& q : s) sum += static_cast<double>(mgr_->fluxAt(12192.0f, 0, q.latitude).flux);
  EXPECT_EQ(m.segments[0].samples, 10u);
  EXPECT_EQ(m.segments[0].flux, sum / 10.0);
}

TEST_F(MissionTest, BadProfilesNameThePlace) {
  EXPECT_EQ(problems("{\"seufit_profile\": 1,\n \"segments\": [}")[0].rfind("p:2:15: ", 0), 0u);
  auto e = problems(R"({"seufit_profile": 1, "segments": [{"altitude": 0, "unit": "yd",
                        "longitude": 200, "latitude": 0}]})");
  ASSERT_EQ(e.size(), 3u);
  EXPECT_EQ(e[0], "p: $.segments[0].hours: expected a number");
  EXPECT_EQ(e[1],
            "p: $.segments[0].unit: expected \"m\" or \"ft\" and an altitude a float can hold");
  EXPECT_EQ(e[2], "p: $.segments[0]: expected longitudes from -180 to 180");
  EXPECT_EQ(problems("hours\n1\n")[0].rfind("p:1:1: expected the header line", 0), 0u);
  EXPECT_EQ(problems(R"({"seufit_profile": 1, "segments": [{"hours": 0, "altitude": 0,
                         "unit": "m", "longitude": 0, "latitude": 0}]})")[0],
            "p: expected segments with more than 0 hours in all");
}

}  // namespace
