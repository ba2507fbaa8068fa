#include "cli/CliReportRun.h"

#include "cli/Cli.h"
#include "cli/CliDataCheck.h"
#include "cli/CliDesign.h"
#include "cli/CliDesignCheck.h"
#include "cli/CliNetlist.h"
#include "host/msg/ComMsgMgr.h"
#include "shared/fit/parser/HAFITDetectMgr.h"
#include "shared/fit/parser/HAFITNumbers.h"
#include "shared/fit/parser/HAFITRCMgr.h"
#include "shared/fit/parser/HAFITSERMgr.h"

void addDesignArgument(CLI::App* cmd, ReportRunText& text) {
  // Required: settleDesignArgument() says so once --by-hierarchy has given back its word.
  cmd->add_option("DESIGN", text.design, "Design file (JSON) or netlist (Yosys JSON, EDIF)")
      ->type_name("DESIGN");
  addNetlistOptions(cmd);
}

void addReportParameterOptions(CLI::App* cmd, ReportRunText& text) {
  addPlaceOptions(cmd, text.place,
                  "Altitude; meters unless the design's units constraint says otherwise");
  addTextOption(cmd, "--devices", text.devices, "Number of devices in the system, 0 to 2147483647",
                "N");
  addTextOption(cmd, "--months", text.months, "Mission length in months, at least 0", "X");
  addTextOption(cmd, "--temperature", text.temperature,
                "Temperature in whole degrees Celsius, -273 to 300", "N");
  cmd->add_flag("--revised-package-model", text.revised,
                "Count package alpha particles without flux scaling");
}

bool parseReportParameters(const ReportRunText& text, HAFITMgr::ReportRequest& request) {
  PlaceOptions place;
  bool ok = parsePlace(text.place, place);
  const auto devices = CliNumbers::parseInteger(text.devices, 0, 2147483647);
  if (!devices) {
    usageError("--devices", "a whole number from 0 to 2147483647", text.devices);
    ok = false;
  }
  const auto months = CliNumbers::parseFloat(text.months);
  if (!months || *months < 0) {
    usageError("--months", "a finite real number of at least 0", text.months);
    ok = false;
  }
  // Degrees Celsius: from absolute zero to well above any device's rating.
  const auto temperature = CliNumbers::parseInteger(text.temperature, -273, 300);
  if (!temperature) {
    usageError("--temperature", "a whole number of degrees Celsius from -273 to 300",
               text.temperature);
    ok = false;
  }
  if (!ok) return false;
  request.altitude = place.altitude;
  request.longitude = place.longitude;
  request.latitude = place.latitude;
  request.devices = static_cast<int>(*devices);
  request.months = *months;
  request.temperature = static_cast<int>(*temperature);
  request.revisedPackageModel = text.revised;
  return true;
}

std::unique_ptr<HFLFloorplan> loadReportDesign(const std::string& path, int& status) {
  status = EXIT_USAGE;
  std::unique_ptr<HFLFloorplan> design = loadDesignOrReport(path);
  if (!design) return nullptr;
  if (!checkDesignValues(*design, true)) return nullptr;

  status = EXIT_NO_RESULT;
  HAFITMgr* mgr = HAFITMgr::getGlobal();
  if (!mgr->getSERMgr() || !mgr->getDetectMgr() || !mgr->getRCMgr()) return nullptr;
  // A data file that could not be read to its end was reported; a report from its
  // partial tables would look complete.
  if (!mgr->getSERMgr()->lastError().empty() || !mgr->getDetectMgr()->lastError().empty() ||
      !mgr->getRCMgr()->lastError().empty())
    return nullptr;

  const std::string key = HAFITSERMgr::familyKey(design.get());
  const HAFITSERMgr::FamilyCheck data = mgr->getSERMgr()->checkFamily(key);
  if (!data.nonFinite.empty()) {
    ComMsgMgr::hostError("@1-64@%s%s%s", std::string("fit/SoftErrorRate.xml"), key, data.nonFinite);
    return nullptr;
  }
  if (data.empty) ComMsgMgr::hostWarning("@1-61@%s%s", key, std::string("fit/SoftErrorRate.xml"));
  warnRateData(*design);
  status = EXIT_OK;
  return design;
}

void warnReportFluxPoint(const HFLFloorplan& design, const HAFITMgr::ReportRequest& request) {
  if (request.flux) return;
  // The report's own flux point: the place's altitude in meters.
  const float meters = HAFITMgr::altitudeInMeters(&design)
                           ? request.altitude
                           : HAFITNumbers::narrow(static_cast<double>(request.altitude) * 0.3048);
  warnCutoffGrid(HAFITMgr::getGlobal()->fluxAt(meters, request.longitude, request.latitude).model,
                 request.longitude, request.latitude);
}

int reportOutcomeStatus(const HAFITMgr::ReportFigures& figures) {
  warnSaturatedTotals(figures.saturated);
  const HAFITMgr::ReportOutcome outcome = HAFITMgr::getGlobal()->lastReportOutcome();
  if (outcome == HAFITMgr::ReportOutcome::NON_FINITE) {
    ComMsgMgr::hostError("@1-69@%s", figures.nonFinite);
    return EXIT_NO_RESULT;
  }
  for (const std::string& figure : figures.negative) ComMsgMgr::hostWarning("@1-70@%s", figure);
  // Errors told during the call (a failed write among them) also fail the run.
  return outcome == HAFITMgr::ReportOutcome::WRITTEN ? EXIT_OK : EXIT_NO_RESULT;
}
