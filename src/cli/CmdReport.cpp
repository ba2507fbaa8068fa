// seufit report: the FIT report of a placed design.
#include <exception>
#include <iostream>
#include <memory>

#include "cli/Cli.h"
#include "cli/CliDataCheck.h"
#include "cli/CliDesign.h"
#include "cli/CliDesignCheck.h"
#include "cli/CliHierarchy.h"
#include "cli/CliMission.h"
#include "cli/CliNetlist.h"
#include "cli/CliOptions.h"
#include "host/design/HDesign.h"
#include "host/msg/ComMsgMgr.h"
#include "shared/fit/base/HAFITMgr.h"
#include "shared/fit/base/HAFITReport.h"
#include "shared/fit/parser/HAFITDetectMgr.h"
#include "shared/fit/parser/HAFITNumbers.h"
#include "shared/fit/parser/HAFITRCMgr.h"
#include "shared/fit/parser/HAFITSERMgr.h"

namespace {
struct ReportOptions {
  std::string design;
  std::string file;
  bool fileGiven = false;  // --file "" must not mean standard output
  PlaceText place;
  std::string devices = "1";
  std::string months = "12";
  std::string temperature = "28";
  bool revised = false;
  bool xml = false;
  MissionText mission;
  HierarchyText hierarchy;
};

int runReport(const ReportOptions& o, CliContext& ctx) {
  PlaceOptions place;
  bool ok = parsePlace(o.place, place);
  const auto devices = CliNumbers::parseInteger(o.devices, 0, 2147483647);
  if (!devices) {
    usageError("--devices", "a whole number from 0 to 2147483647", o.devices);
    ok = false;
  }
  const auto months = CliNumbers::parseFloat(o.months);
  if (!months || *months < 0) {
    usageError("--months", "a finite real number of at least 0", o.months);
    ok = false;
  }
  // Degrees Celsius: from absolute zero to well above any device's rating.
  const auto temperature = CliNumbers::parseInteger(o.temperature, -273, 300);
  if (!temperature) {
    usageError("--temperature", "a whole number of degrees Celsius from -273 to 300",
               o.temperature);
    ok = false;
  }
  if (o.fileGiven && o.file.empty()) {
    usageError("--file", "a file path", o.file);
    ok = false;
  }
  MissionPlan plan;
  if (!parseReportMission(o.mission, o.xml, plan)) ok = false;
  int depth = -1;
  size_t contributors = 0;
  if (!parseHierarchy(o.hierarchy, depth, contributors)) ok = false;
  if (!ok) return EXIT_USAGE;
  if (!o.file.empty() && !outputIsNotAnInput("--file", o.file, o.design)) return EXIT_USAGE;

  std::unique_ptr<HFLFloorplan> design = loadDesignOrReport(o.design);
  if (!design) return EXIT_USAGE;
  if (!checkDesignValues(*design, true)) return EXIT_USAGE;

  HAFITMgr* mgr = HAFITMgr::getGlobal();
  if (!mgr->getSERMgr() || !mgr->getDetectMgr() || !mgr->getRCMgr()) return EXIT_NO_RESULT;
  // A data file that could not be read to its end was reported; a report from its
  // partial tables would look complete.
  if (!mgr->getSERMgr()->lastError().empty() || !mgr->getDetectMgr()->lastError().empty() ||
      !mgr->getRCMgr()->lastError().empty())
    return EXIT_NO_RESULT;

  const std::string key = HAFITSERMgr::familyKey(design.get());
  const HAFITSERMgr::FamilyCheck data = mgr->getSERMgr()->checkFamily(key);
  if (!data.nonFinite.empty()) {
    ComMsgMgr::hostError("@1-64@%s%s%s", std::string("fit/SoftErrorRate.xml"), key, data.nonFinite);
    return EXIT_NO_RESULT;
  }
  if (data.empty) ComMsgMgr::hostWarning("@1-61@%s%s", key, std::string("fit/SoftErrorRate.xml"));
  warnRateData(*design);

  HAFITMgr::ReportRequest request;
  request.fileName = o.file;
  request.command = shellQuoteCommand(ctx.argv);
  request.altitude = place.altitude;
  request.longitude = place.longitude;
  request.latitude = place.latitude;
  request.devices = static_cast<int>(*devices);
  request.months = *months;
  request.temperature = static_cast<int>(*temperature);
  request.revisedPackageModel = o.revised;
  request.format = static_cast<int>(o.mission.json ? HAFITReport::Format::JSON
                                    : o.xml        ? HAFITReport::Format::XML
                                                   : HAFITReport::Format::TEXT);
  request.hierarchyDepth = depth;
  request.topContributors = contributors;
  HAFITMgr::ReportFigures figures;
  try {
    applyMission(o.mission, plan, o.design, request);
    if (!request.flux) {
      // The report's own flux point: the place's altitude in meters.
      const float meters =
          HAFITMgr::altitudeInMeters(design.get())
              ? request.altitude
              : HAFITNumbers::narrow(static_cast<double>(request.altitude) * 0.3048);
      warnCutoffGrid(mgr->fluxAt(meters, request.longitude, request.latitude).model,
                     request.longitude, request.latitude);
    }
    figures = mgr->reportFit(design.get(), request);
  } catch (const std::exception& e) {
    ComMsgMgr::hostError("@1-62@%s%s", o.design, std::string(e.what()));
  }
  warnSaturatedTotals(figures.saturated);
  if (mgr->lastReportOutcome() == HAFITMgr::ReportOutcome::NON_FINITE) {
    ComMsgMgr::hostError("@1-69@%s", figures.nonFinite);
    return EXIT_NO_RESULT;
  }
  for (const std::string& figure : figures.negative) ComMsgMgr::hostWarning("@1-70@%s", figure);
  // Errors told during the call (a failed write among them) also fail the run.
  if (mgr->lastReportOutcome() != HAFITMgr::ReportOutcome::WRITTEN) return EXIT_NO_RESULT;
  return checkBudgets(plan, figures);
}
}  // namespace

void registerReportCommand(CLI::App& app, CliContext& ctx) {
  auto o = std::make_shared<ReportOptions>();
  auto* cmd = app.add_subcommand("report", "Write the FIT report of a placed design");
  addCommonOptions(cmd, ctx);
  // Required: settleDesignArgument() says so once --by-hierarchy has given back its word.
  cmd->add_option("DESIGN", o->design, "Design file (JSON) or netlist (Yosys JSON, EDIF)")
      ->type_name("DESIGN");
  addNetlistOptions(cmd);
  auto* file = cmd->add_option("--file", o->file,
                               "Write the report into this file instead of standard output")
                   ->type_name("PATH");
  addPlaceOptions(cmd, o->place,
                  "Altitude; meters unless the design's units constraint says otherwise");
  addTextOption(cmd, "--devices", o->devices, "Number of devices in the system, 0 to 2147483647",
                "N");
  addTextOption(cmd, "--months", o->months, "Mission length in months, at least 0", "X");
  addTextOption(cmd, "--temperature", o->temperature,
                "Temperature in whole degrees Celsius, -273 to 300", "N");
  cmd->add_flag("--revised-package-model", o->revised,
                "Count package alpha particles without flux scaling");
  cmd->add_flag("--xml", o->xml, "Write the report as XML");
  addReportMissionOptions(cmd, o->mission);
  addHierarchyOptions(cmd, o->hierarchy, true);
  cmd->callback([o, file, &ctx]() {
    settleDesignArgument(o->hierarchy, o->design);
    o->fileGiven = file->count() > 0;
    ctx.exitCode = runReport(*o, ctx);
  });
}
