// seufit plot report DESIGN: the device's FIT by memory class with its 90% interval, and
// with --by-hierarchy the instances that contribute most.
#include <algorithm>
#include <exception>
#include <memory>

#include "cli/CliPlot.h"
#include "cli/CliRequest.h"
#include "host/msg/ComMsgMgr.h"
#include "host/report/HCRRpt.h"
#include "host/str/HSTJson.h"
#include "plot/PlotReport.h"
#include "shared/fit/run/HAFITRun.h"

namespace {
struct ReportPlotOptions {
  CliRequest in;
  PlotOutputText output;
};

std::string placeText(const HFLFloorplan& design, const HAFITRun::Request& r) {
  const char* unit = HAFITMgr::altitudeInMeters(&design) ? " m" : " ft";
  return HSTJson::number(r.altitude) + unit + ", " + positionText(r.longitude, r.latitude);
}

int runPlotReport(const ReportPlotOptions& o) {
  HAFITRun::Request request;
  bool ok = o.in.fill(request);
  PlotOutput out;
  ok = parsePlotOutput(o.output, request, out) && ok;
  if (!ok) return HAFITRun::USAGE;
  HAFITRun::Design design;
  if (const auto s = HAFITRun::load(request.design, request.netlist, request.netlistGiven, design);
      s != HAFITRun::OK)
    return s;
  HAFITRun::Mission mission;
  if (const auto s = HAFITRun::prepareMission(request, mission); s != HAFITRun::OK) return s;
  HAFITRun::Report report = HAFITRun::analyse(design, request, mission);
  if (report.status != HAFITRun::OK) return report.status;
  const HCRRptDoc& doc = report.analysis->document();
  const int depth = request.hierarchyDepth;

  const Plot::ReportCharts charts = Plot::reportCharts(doc, depth >= 0);
  if (charts.classes.items.empty()) {
    ComMsgMgr::hostError("@1-98@%s%s", request.design, std::string("FIT figures"));
    return HAFITRun::NO_RESULT;
  }
  const std::string title =
      "Soft-error FIT of " + std::string(design.db->getNetlist()->getTopCellview()->getNameLH()) +
      " (" + design.db->getPart()->getName() + ") " +
      (mission.profile
           ? "over the mission profile " +
                 (mission.profile->name.empty() ? request.profile : mission.profile->name)
           : "at " + placeText(*design.db, request));
  return writePlot(out, [&](Plot::Canvas& c) { Plot::drawReport(c, title, charts); });
}
}  // namespace

void registerPlotReport(CLI::App* plot, CliContext& ctx) {
  auto o = std::make_shared<ReportPlotOptions>();
  auto* cmd = plot->add_subcommand(
      "report", "A design's FIT by memory class with its 90% interval, and by hierarchy");
  addPlotOutputOptions(cmd, o->output, ctx);
  o->in.addDesign(cmd);
  std::vector<HAFITRun::OptionInfo> options;
  for (const char* name : {"altitude", "longitude", "latitude", "devices", "months", "temperature",
                           "revised-package-model", "profile", "missions", "by-hierarchy"})
    options.push_back(*HAFITRun::Request::find(name));
  o->in.addOptions(cmd, options);
  cmd->callback([o, &ctx]() {
    o->in.settleDesign();
    ctx.exitCode = runPlotReport(*o);
  });
}
