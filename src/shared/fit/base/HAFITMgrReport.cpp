// The FIT report command.
#include <ios>
#include <memory>

#include "host/design/HDesign.h"
#include "host/msg/ComMsgMgr.h"
#include "host/str/HSTStrUtils.h"
#include "host/stream/ComMsgMgrReportOstream.h"
#include "host/stream/HUTFileWriteStream.h"
#include "shared/fit/base/HAFITFloorplan.h"
#include "shared/fit/base/HAFITMgr.h"
#include "shared/fit/base/HAFITReport.h"
#include "shared/fit/parser/HAFITNumbers.h"

namespace {
// True unless the design's last units constraint names another unit than meters.
bool altitudeInMeters(const HFLFloorplan* design) {
  bool meters = true;
  const HDCSet* set = design->getConstraintSet();
  if (!set) return meters;
  std::unique_ptr<HDCSetIter> it(set->createIter());
  while (it->more()) {
    const auto* units = dynamic_cast<const HASCSetUnits*>(it->next());
    if (!units) continue;
    const std::string unit = units->getAltitudeUnit();
    meters = HSTStrUtils::compareCI(unit.c_str(), "meters") == 0;
  }
  return meters;
}
}  // namespace

// Strings by value: a fixed signature of the library's interface.
// NOLINTNEXTLINE(performance-unnecessary-value-param)
void HAFITMgr::reportFit(HFLFloorplan* hflFloorplan, std::string fileName, std::string command,
                         float altitude, int longitude, int latitude, int devices, float months,
                         int temperature, bool revisedPackageModel, bool xml) {
  const bool meters = altitudeInMeters(hflFloorplan);

  lastOutcome_ = ReportOutcome::NOT_RUN;
  // The family comes from the architecture type; other devices are refused.
  std::unique_ptr<HAFITFloorplan> floorplan(HAFITFloorplan::createOrRefuse(hflFloorplan));
  if (!floorplan) {
    lastOutcome_ = ReportOutcome::UNSUPPORTED_DEVICE;
    return;
  }

  floorplan->traverseCellview(hflFloorplan->getNetlist()->getTopCellview());
  floorplan->setDevices(devices);
  floorplan->setMonths(months);
  floorplan->setTemp(static_cast<float>(temperature));
  floorplan->setRevisedPackageModel(revisedPackageModel);

  // A missing data file was reported when the manager was created.
  if (!serMgr_ || !detectMgr_ || !rcMgr_) {
    lastOutcome_ = ReportOutcome::MISSING_DATA;
    return;
  }

  const float altitudeM =
      meters ? altitude : HAFITNumbers::narrow(static_cast<double>(altitude) * 0.3048);
  // The same cap and model as `seufit flux` shows for the place.
  floorplan->setFlux(fluxAt(altitudeM, longitude, latitude).flux);

  HAFITReport report(floorplan.get());
  if (!fileName.empty()) {
    // Replaces the file only when the whole report was written; a failure is reported
    // with the path and the reason and leaves the file as it was.
    HUTFileWriteStream stream;
    stream.open(fileName, std::ios_base::out);
    report.write(stream, command, xml);
    lastOutcome_ = stream.close() ? ReportOutcome::WRITTEN : ReportOutcome::WRITE_FAILED;
  } else {
    ComMsgMgrReportOstream stream;
    report.write(stream, command, xml);
    lastOutcome_ = ReportOutcome::WRITTEN;
  }
}
