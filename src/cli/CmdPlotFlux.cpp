// seufit plot flux-map and plot altitude: the relative neutron flux as `seufit flux`
// computes it, over the world and over the altitudes.
#include <algorithm>
#include <cmath>
#include <memory>
#include <unordered_set>
#include <utility>
#include <vector>

#include "cli/CliPlot.h"
#include "cli/CliRequest.h"
#include "host/str/HSTJson.h"
#include "page/PageFigures.h"
#include "plot/PlotCharts.h"
#include "shared/fit/base/HAFITMgr.h"
#include "shared/fit/base/HAFITMission.h"
#include "shared/fit/parser/HAFITNumbers.h"
#include "shared/fit/parser/HAFITRCMgr.h"
#include "shared/fit/run/HAFITDataCheck.h"
#include "shared/fit/run/HAFITRun.h"

namespace {
constexpr double kMetersPerFoot = 0.3048;

struct FluxPlotOptions {
  CliRequest in;
  bool feet = false;
  bool meters = false;
  std::string profile;
  PlotOutputText output;
  CLI::App* cmd = nullptr;
};

float toMeters(double altitude, bool feet) {
  return HAFITNumbers::narrow(feet ? altitude * kMetersPerFoot : altitude);
}

std::string unitOf(bool feet) { return feet ? "ft" : "m"; }

// The flux data, as the flux command needs them; null when they cannot be trusted.
HAFITMgr* fluxData(CliContext& ctx) {
  // Only the cutoff grid matters here; other missing data files are told but do not fail.
  ctx.errorsFail = false;
  HAFITMgr* mgr = HAFITMgr::getGlobal();
  if (!mgr->getRCMgr() || !mgr->getRCMgr()->lastError().empty()) return nullptr;
  return mgr;
}

int runFluxMap(const FluxPlotOptions& o, CliContext& ctx) {
  HAFITRun::Request place;
  bool ok = o.in.fill(place);
  PlotOutput out;
  const bool hasProfile = o.cmd->get_option("--profile")->count() > 0;
  if (hasProfile) place.profile = o.profile;
  ok = parsePlotOutput(o.output, place, out) && ok;
  if (!ok) return HAFITRun::USAGE;
  HAFITMission::Profile profile;
  if (hasProfile && HAFITRun::readProfile(o.profile, profile) != HAFITRun::OK)
    return HAFITRun::USAGE;
  HAFITMgr* mgr = fluxData(ctx);
  if (!mgr) return HAFITRun::NO_RESULT;

  Plot::MapView view;
  view.columns = 361;
  view.rows = 181;
  view.values.reserve(static_cast<size_t>(view.columns) * view.rows);
  const float meters = toMeters(place.altitude, o.feet);
  for (int lat = -90; lat <= 90; ++lat)
    for (int lon = -180; lon <= 180; ++lon)
      view.values.push_back(mgr->fluxAt(meters, lon, lat).flux);
  const HAFITMgr::FluxPoint point = mgr->fluxAt(meters, 0, 0);
  view.title = "Relative neutron flux at " + HSTJson::number(place.altitude) + " " +
               unitOf(o.feet) + (point.altitude != meters ? " (capped at 24384 m)" : "") + ", " +
               point.model + " model";
  view.colourLabel = "flux relative to New York, sea level";
  view.places = Page::mapPlaces();
  if (hasProfile) {
    Page::addRoutes(profile, view);
    view.routeLabel = "mission profile: " + (profile.name.empty() ? o.profile : profile.name);
  }
  return writePlot(out, [&view](Plot::Canvas& c) { Plot::drawMap(c, view); });
}

int runAltitude(const FluxPlotOptions& o, CliContext& ctx) {
  HAFITRun::Request place;
  bool ok = o.in.fill(place);
  PlotOutput out;
  ok = parsePlotOutput(o.output, place, out) && ok;
  if (!ok) return HAFITRun::USAGE;
  HAFITMgr* mgr = fluxData(ctx);
  if (!mgr) return HAFITRun::NO_RESULT;
  HAFITRun::warnCutoffGrid(mgr->fluxAt(0.0f, place.longitude, place.latitude).model,
                           place.longitude, place.latitude);

  Plot::LineView view;
  // 0 to the cap, in the unit shown: 80000 ft is the cap itself.
  const double top = o.feet ? 80000.0 : HAFITMgr::kMaxAltitude;
  constexpr int kSteps = 800;
  for (int i = 0; i <= kSteps; ++i) {
    const double a = top * i / kSteps;
    view.x.push_back(a);
    view.y.push_back(mgr->fluxAt(toMeters(a, o.feet), place.longitude, place.latitude).flux);
  }
  const float change = HAFITMgr::kBoeingAltitude;
  const char* below = mgr->fluxAt(std::nextafter(change, 0.0f), 0, 0).model;
  const char* above = mgr->fluxAt(change, 0, 0).model;
  const float shown = o.feet ? HAFITNumbers::narrow(change / kMetersPerFoot) : change;
  view.marks.push_back({shown, std::string("\u2190 ") + below, std::string(above) + " \u2192",
                        "model change at " + HSTJson::number(shown) + " " + unitOf(o.feet)});
  view.title =
      "Relative neutron flux by altitude at " + positionText(place.longitude, place.latitude);
  view.xLabel = "altitude (" + unitOf(o.feet) + ")";
  view.yLabel = "relative neutron flux";
  return writePlot(out, [&view](Plot::Canvas& c) { Plot::drawLines(c, view); });
}

// False after the message when the altitudes' unit is stated both ways.
bool unitsStated(const FluxPlotOptions& o) {
  if (!(o.meters && o.feet)) return true;
  HAFITRun::conflict("--meters", "--feet");
  return false;
}

std::shared_ptr<FluxPlotOptions> addFluxPlotOptions(CLI::App* cmd, CliContext& ctx) {
  auto o = std::make_shared<FluxPlotOptions>();
  o->cmd = cmd;
  addPlotOutputOptions(cmd, o->output, ctx);
  cmd->add_flag("--feet", o->feet, "Altitudes in feet instead of meters");
  cmd->add_flag("--meters", o->meters, "Altitudes in meters (the default)");
  return o;
}
}  // namespace

void registerPlotFluxMap(CLI::App* plot, CliContext& ctx) {
  auto* cmd = plot->add_subcommand(
      "flux-map",
      "The relative neutron flux at one altitude on a world map, with a profile's route");
  auto o = addFluxPlotOptions(cmd, ctx);
  o->in.addOptions(cmd, {HAFITRun::Request::placeOptions()[0]},
                   {{"altitude", "Altitude in meters (feet with --feet), capped at 24384 m"}});
  cmd->add_option("--profile", o->profile, "Mission profile (JSON or CSV): draw its route")
      ->type_name("FILE");
  cmd->callback([o, &ctx]() { ctx.exitCode = unitsStated(*o) ? runFluxMap(*o, ctx) : EXIT_USAGE; });
}

void registerPlotAltitude(CLI::App* plot, CliContext& ctx) {
  auto* cmd = plot->add_subcommand(
      "altitude", "The relative neutron flux from sea level to 24384 m at one position");
  auto o = addFluxPlotOptions(cmd, ctx);
  o->in.addOptions(cmd,
                   {HAFITRun::Request::placeOptions()[1], HAFITRun::Request::placeOptions()[2]});
  cmd->callback(
      [o, &ctx]() { ctx.exitCode = unitsStated(*o) ? runAltitude(*o, ctx) : EXIT_USAGE; });
}
