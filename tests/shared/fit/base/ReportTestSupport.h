// Designs built in code, a data directory with chosen rates, and a floorplan whose
// bit counts a test sets directly.
#pragma once

#include <memory>
#include <string>

#include "host/design/db/HDesign.h"
#include "host/report/HCRRpt.h"
#include "shared/fit/base/HAFITFloorplan.h"
#include "support/FitTestSupport.h"

// A design with an empty top cell on a part of the given architecture.
inline std::unique_ptr<HFLFloorplan> makeDesign(const std::string& archId, int archType,
                                                std::optional<uint32_t> configBits,
                                                const std::string& device = "dev1") {
  auto d = std::make_unique<HFLFloorplan>();
  d->setPart(std::make_unique<HDARPart>("part-" + archId, device, archId, archType));
  if (configBits) {
    auto r = std::make_unique<HDPYRouteData>();
    r->configBits = *configBits;
    d->setRouteData(std::move(r));
  }
  d->setTop(d->addCell("top"));
  return d;
}

// Exposes the counters that a walk would fill.
template <class Family>
class Probe : public Family {
 public:
  using Family::Family;
  void setBramBits(int32_t v) { this->bramBits_ = v; }
  void setYramBits(double v) { this->yramUnprotectedBits_ = v; }
  void setHbmBits(double v) { this->hbmUnprotectedBits_ = v; }
};

// A TYPE element.
inline std::string type(const std::string& name, const std::string& nominal,
                        const std::string& ll = "0", const std::string& ul = "0") {
  return "<TYPE name=\"" + name + "\" nominal=\"" + nominal + "\" ll=\"" + ll + "\" ul=\"" + ul +
         "\"/>";
}

// One family with the given neutron and alpha TYPEs and temperature coefficients.
inline std::string serFile(const std::string& family, const std::string& neutron,
                           const std::string& alpha, const std::string& slope = "0",
                           const std::string& intercept = "1") {
  return "<FITDATA><FAMILY name=\"" + family + "\"><SOFTERRORRATE>" + neutron +
         "</SOFTERRORRATE><ALPHAPARTICLE>" + alpha +
         "</ALPHAPARTICLE><TEMPERATURE><SLOPE value=\"" + slope + "\"/><INTERCEPT value=\"" +
         intercept + "\"/></TEMPERATURE></FAMILY></FITDATA>";
}

class ReportTest : public ::testing::Test {
 protected:
  void TearDown() override {
    HAFITMgr::resetGlobal();
    HUTEnv::setDataDirs(std::nullopt);
    HUTEnv::setBuiltinData(true);
  }
  // Writes the three data files (the soft-error file as given) and makes a fresh manager.
  void useSer(const std::string& ser) {
    data_.write("fit/SoftErrorRate.xml", ser);
    data_.write("fit/DetectionTime.xml", minimalDetect());
    data_.write("fit/RigidityCutoff.xml", minimalRc());
    useDataDir(data_.path());
    HAFITMgr::getGlobal();
  }
  TempDataDir data_;
};

// The rows of the one table of a written document.
inline const std::vector<HCRRptModel::Row>& rowsOf(const HCRRptDoc& doc) {
  return doc.sections().at(0).tables.at(0).rows;
}
