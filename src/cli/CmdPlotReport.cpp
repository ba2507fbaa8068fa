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
#include "plot/PlotCharts.h"
#include "shared/fit/run/HAFITRun.h"

namespace {
// Instances a hierarchy panel shows at most, after the whole design.
constexpr size_t kMaxBars = 12;

struct ReportPlotOptions {
  CliRequest in;
  PlotOutputText output;
};

using Table = HCRRptModel::Table;
using Cell = HCRRptModel::Cell;

const Table* tableOf(const HCRRptDoc& doc, const std::string& section) {
  for (const auto& s : doc.sections())
    if (s.title == section && !s.tables.empty()) return &s.tables.front();
  return nullptr;
}

// The column of a heading, or -1.
int columnOf(const Table& table, const std::string& heading) {
  for (const auto& row : table.rows) {
    if (!row.isHeadingRow()) continue;
    for (size_t c = 0; c < row.cells.size(); ++c)
      if (row.cells[c].text == heading) return static_cast<int>(c);
  }
  return -1;
}

bool isNumber(const HCRRptModel::Row& row, size_t column) {
  return column < row.cells.size() && row.cells[column].kind == Cell::NUMBER;
}

// Each class's FIT row: the interval columns "90% CI LL", "Nominal", "90% CI UL".
std::vector<Plot::Interval> classIntervals(const Table& table) {
  constexpr size_t kLower = 4, kNominal = 5, kUpper = 6;
  const std::string suffix = " FIT";
  std::vector<Plot::Interval> out;
  for (const auto& row : table.rows) {
    if (row.cells.empty() || row.cells[0].kind != Cell::TEXT || !isNumber(row, kUpper) ||
        !isNumber(row, kLower) || !isNumber(row, kNominal))
      continue;
    const std::string& name = row.cells[0].text;
    if (name.size() <= suffix.size() ||
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
      continue;
    out.push_back({name.substr(0, name.size() - suffix.size()), row.cells[kNominal].value,
                   row.cells[kLower].value, row.cells[kUpper].value,
                   row.cells[kNominal].display() + "  [" + row.cells[kLower].display() + ", " +
                       row.cells[kUpper].display() + "]"});
  }
  return out;
}

// The whole design, then the instances in the report's order (largest FIT first).
std::vector<Plot::Bar> hierarchyBars(const Table& table) {
  const int fit = columnOf(table, "Nominal FIT"), share = columnOf(table, "Share (%)");
  std::vector<Plot::Bar> out;
  if (fit < 0 || share < 0) return out;
  for (const auto& row : table.rows) {
    if (row.isHeadingRow() || row.cells.empty() || !isNumber(row, static_cast<size_t>(fit)) ||
        !isNumber(row, static_cast<size_t>(share)))
      continue;
    const Cell& f = row.cells[static_cast<size_t>(fit)];
    const Cell& s = row.cells[static_cast<size_t>(share)];
    const bool whole = out.empty();
    out.push_back({row.cells[0].text + (whole ? " (whole design)" : ""), f.value,
                   f.display() + "  (" + s.display() + "%)", whole});
    if (out.size() > kMaxBars) break;
  }
  return out;
}

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
  HAFITRun::Report report = HAFITRun::analyse(design, request, {});
  if (report.status != HAFITRun::OK) return report.status;
  const HCRRptDoc& doc = report.analysis->document();
  const int depth = request.hierarchyDepth;

  Plot::IntervalPanel classes;
  if (const Table* t = tableOf(doc, "Device Reliability")) classes.items = classIntervals(*t);
  if (classes.items.empty()) {
    ComMsgMgr::hostError("@1-98@%s%s", request.design, std::string("FIT figures"));
    return HAFITRun::NO_RESULT;
  }
  classes.title = "Device FIT by memory class";
  classes.axisLabel = "FIT (failures in 10^9 device hours)";
  classes.rangeName = "90% interval";
  Plot::BarPanel parts;
  if (depth >= 0) {
    if (const Table* t = tableOf(doc, "FIT by Hierarchy")) parts.bars = hierarchyBars(*t);
    parts.title =
        "Largest contributors by hierarchical instance (memory FIT; configuration memory not "
        "included)";
    parts.axisLabel = "nominal FIT";
  }
  const std::string title =
      "Soft-error FIT of " + std::string(design.db->getNetlist()->getTopCellview()->getNameLH()) +
      " (" + design.db->getPart()->getName() + ") at " + placeText(*design.db, request);
  return writePlot(out, [&](Plot::Canvas& c) {
    Plot::drawTitle(c, title);
    const double margin = 16, top = 40;
    const Plot::Rect all{margin, top, c.width() - 2 * margin, c.height() - top - 4};
    if (depth < 0) {
      Plot::drawIntervals(c, all, classes);
      return;
    }
    // Rows share the height; each panel keeps room for its heading and axis.
    const double fixed = 72;
    const double rows =
        static_cast<double>(classes.items.size() + std::max<size_t>(1, parts.bars.size()));
    const double upper =
        fixed + (all.h - 2 * fixed) * static_cast<double>(classes.items.size()) / rows;
    Plot::drawIntervals(c, {all.x, all.y, all.w, upper}, classes);
    Plot::drawBars(c, {all.x, all.y + upper + 8, all.w, all.h - upper - 8}, parts);
  });
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
                           "revised-package-model", "by-hierarchy"})
    options.push_back(*HAFITRun::Request::find(name));
  o->in.addOptions(cmd, options);
  cmd->callback([o, &ctx]() {
    o->in.settleDesign();
    ctx.exitCode = runPlotReport(*o);
  });
}
