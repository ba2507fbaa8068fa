// seufit report: the FIT report of a placed design.
#include <exception>
#include <iostream>
#include <memory>

#include "cli/Cli.h"
#include "cli/CliDataCheck.h"
#include "cli/CliHierarchy.h"
#include "cli/CliMission.h"
#include "cli/CliNetlist.h"
#include "cli/CliOptions.h"
#include "cli/CliReportRun.h"
#include "host/design/db/HDesign.h"
#include "host/msg/ComMsgMgr.h"
#include "shared/fit/base/HAFITMgr.h"
#include "shared/fit/base/HAFITReport.h"

namespace {
struct ReportOptions {
  ReportRunText run;
  std::string file;
  bool fileGiven = false;  // --file "" must not mean standard output
  bool xml = false;
  MissionText mission;
  HierarchyText hierarchy;
};

int runReport(const ReportOptions& o, CliContext& ctx) {
  HAFITMgr::ReportRequest request;
  bool ok = parseReportParameters(o.run, request);
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
  if (!o.file.empty() &&
      !outputIsNotAnInput("--file", o.file, commandInputs(o.run.design, o.mission.profile)))
    return EXIT_USAGE;

  int loaded = EXIT_OK;
  std::unique_ptr<HFLFloorplan> design = loadReportDesign(o.run.design, loaded);
  if (!design) return loaded;

  HAFITMgr* mgr = HAFITMgr::getGlobal();
  request.fileName = o.file;
  request.command = shellQuoteCommand(ctx.argv);
  request.format = static_cast<int>(o.mission.json ? HAFITReport::Format::JSON
                                    : o.xml        ? HAFITReport::Format::XML
                                                   : HAFITReport::Format::TEXT);
  request.hierarchyDepth = depth;
  request.topContributors = contributors;
  HAFITMgr::ReportFigures figures;
  try {
    applyMission(o.mission, plan, o.run.design, request);
    warnReportFluxPoint(*design, request);
    figures = mgr->reportFit(design.get(), request);
  } catch (const std::exception& e) {
    ComMsgMgr::hostError("@1-62@%s%s", o.run.design, std::string(e.what()));
  }
  const int status = reportOutcomeStatus(figures);
  return status != EXIT_OK ? status : checkBudgets(plan, figures);
}
}  // namespace

void registerReportCommand(CLI::App& app, CliContext& ctx) {
  auto o = std::make_shared<ReportOptions>();
  auto* cmd = app.add_subcommand("report", "Write the FIT report of a placed design");
  addCommonOptions(cmd, ctx);
  addDesignArgument(cmd, o->run);
  auto* file = cmd->add_option("--file", o->file,
                               "Write the report into this file instead of standard output")
                   ->type_name("PATH");
  addReportParameterOptions(cmd, o->run);
  cmd->add_flag("--xml", o->xml, "Write the report as XML");
  addReportMissionOptions(cmd, o->mission);
  addHierarchyOptions(cmd, o->hierarchy, true);
  cmd->callback([o, file, &ctx]() {
    settleDesignArgument(o->hierarchy, o->run.design);
    o->fileGiven = file->count() > 0;
    ctx.exitCode = runReport(*o, ctx);
  });
}
