// The flux models follow their float and double steps to the last bit. Expected
// figures come from tools/flux_reference.py, an independent step-by-step evaluation.
#include <gtest/gtest.h>

#include <cmath>

#include "support/FitTestSupport.h"

namespace {

class FluxTest : public ::testing::Test {
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
  TempDataDir data_;
  HAFITMgr* mgr_ = nullptr;
};

struct JedecCase {
  float altitude;
  int longitude, latitude;  // grid point with the wanted cutoff
  float expected;
};

TEST_F(FluxTest, JedecModelMatchesReferenceBitForBit) {
  const JedecCase cases[] = {
      {0.0f, -74, 40, 0x1.fff8bap-1f},    // rc 2.0: about 0.99994
      {0.0f, 0, 0, 0x1.5aa8aap-1f},       // rc 10.0: about 0.6771
      {0.0f, 77, 77, 0x1.0431f6p+0f},     // not in the grid: rc 0, still finite, about 1.0164
      {0.0f, 10, 45, 0x1.fe7e88p-1f},     // rc 2.1
      {1000.0f, 10, 45, 0x1.313048p+1f},  // rc 2.1
      {1500.0f, 151, -33, 0x1.d5ce3ap+1f}, {3000.0f, 100, 1, 0x1.117296p+2f},
      {4571.9f, -74, 40, 0x1.cc8b7ap+4f},  // last altitude of the low model
      {-100.0f, 5, 50, 0x1.97fcb2p-1f},    // below sea level is not raised
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << "altitude " << c.altitude << " at " << c.longitude << "," << c.latitude);
    EXPECT_EQ(mgr_->derateJedec(c.altitude, c.longitude, c.latitude), c.expected);
    EXPECT_EQ(mgr_->calculateRelativeFlux(c.altitude, c.longitude, c.latitude), c.expected);
  }
}

TEST_F(FluxTest, BoeingModelMatchesReferenceBitForBit) {
  const struct {
    float altitude;
    int latitude;
    float expected;
  } cases[] = {
      {4572.0f, 45, 0x1.d6d1fcp+4f},  // cubic latitude factor, about 29.43
      {4572.0f, -45, 0x1.d6d1fcp+4f},
      {4572.0f, 46, 0x1.eaa6b8p+4f},  // quartic from 46 on
      {4572.0f, -46, 0x1.eaa6b8p+4f},
      {12192.0f, 40, 0x1.d39eeap+7f},  // H narrows to exactly 40: quartic altitude factor
      {12192.5f, 70, 0x1.b30584p+8f},  // H above 40: sextic
      {24384.0f, 60, 0x1.213fa0p+9f},  // the cap, about 578.50
      {24384.0f, -90, 0x1.32a17ap+9f},
      {10000.0f, 0, 0x1.668e38p+5f},
      {8000.0f, 89, 0x1.0ea816p+7f},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "altitude " << c.altitude << " latitude " << c.latitude);
    EXPECT_EQ(mgr_->derateBoeing(c.altitude, c.latitude), c.expected);
    // Above the threshold the longitude plays no part.
    EXPECT_EQ(mgr_->calculateRelativeFlux(c.altitude, 123, c.latitude), c.expected);
  }
}

TEST_F(FluxTest, ModelBoundaryAndNaN) {
  EXPECT_EQ(mgr_->calculateRelativeFlux(4572.0f, -74, 40), mgr_->derateBoeing(4572.0f, 40));
  EXPECT_EQ(mgr_->calculateRelativeFlux(4571.9f, -74, 40), mgr_->derateJedec(4571.9f, -74, 40));
  const float nan = std::nanf("");
  EXPECT_TRUE(std::isnan(mgr_->calculateRelativeFlux(nan, -74, 40)));
}

TEST_F(FluxTest, ExtremeLatitudeIsWellDefined) {
  // Out of the command line's range, but the model must not overflow taking |latitude|.
  EXPECT_FALSE(std::isnan(mgr_->derateBoeing(10000.0f, INT32_MIN)));
}

}  // namespace
