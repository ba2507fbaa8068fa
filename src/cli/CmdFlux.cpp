// seufit flux: the relative neutron flux at a place, as the report computes it.
#include <iostream>

#include "cli/Cli.h"
#include "cli/CliDataCheck.h"
#include "cli/CliMission.h"
#include "cli/CliOptions.h"
#include "host/msg/ComMsgMgr.h"
#include "host/str/HSTJson.h"
#include "shared/fit/base/HAFITMgr.h"
#include "shared/fit/parser/HAFITRCMgr.h"

namespace {
struct FluxOptions {
  PlaceText place;
  bool json = false;
  std::string profile;
  CLI::App* cmd = nullptr;
};

int runFlux(const FluxOptions& o, CliContext& ctx) {
  PlaceOptions place;
  if (!parsePlace(o.place, place)) return EXIT_USAGE;
  // Only the cutoff grid matters here; other missing data files are told but do not fail.
  ctx.errorsFail = false;
  HAFITMgr* mgr = HAFITMgr::getGlobal();
  if (!mgr->getRCMgr()) return EXIT_NO_RESULT;
  // A grid read only in part (reported) would give a cutoff of 0 for the points it lacks.
  if (!mgr->getRCMgr()->lastError().empty()) return EXIT_NO_RESULT;
  if (o.cmd->get_option("--profile")->count() > 0) return runFluxProfile(o.profile, o.json, o.cmd);

  const HAFITMgr::FluxPoint point = mgr->fluxAt(place.altitude, place.longitude, place.latitude);
  warnCutoffGrid(point.model, place.longitude, place.latitude);
  if (o.json) {
    std::cout << "{\"altitude_m\": " << HSTJson::number(point.altitude)
              << ", \"longitude\": " << place.longitude << ", \"latitude\": " << place.latitude
              << ", \"model\": \"" << point.model
              << "\", \"rigidity_cutoff\": " << HSTJson::number(point.cutoff)
              << ", \"flux\": " << HSTJson::number(point.flux) << "}\n";
  } else {
    std::cout << "Altitude:        " << HSTJson::number(point.altitude) << " m"
              << (point.altitude != place.altitude ? " (capped at 80000 ft)" : "") << "\n"
              << "Longitude:       " << place.longitude << "\n"
              << "Latitude:        " << place.latitude << "\n"
              << "Model:           " << point.model << "\n"
              << "Rigidity cutoff: " << HSTJson::number(point.cutoff) << " GV\n"
              << "Relative flux:   " << HSTJson::number(point.flux) << "\n";
  }
  return EXIT_OK;
}
}  // namespace

void registerFluxCommand(CLI::App& app, CliContext& ctx) {
  auto opts = std::make_shared<FluxOptions>();
  auto* cmd = app.add_subcommand(
      "flux",
      "Print the relative neutron flux at an altitude and position (New York sea level = ~1)");
  addCommonOptions(cmd, ctx);
  addPlaceOptions(cmd, opts->place, "Altitude in meters, capped at 24384 m");
  cmd->add_flag("--json", opts->json, "Print one JSON object");
  cmd->add_option("--profile", opts->profile,
                  "Mission profile (JSON or CSV): each segment's flux and the weighted mean")
      ->type_name("FILE");
  opts->cmd = cmd;
  cmd->callback([opts, &ctx]() { ctx.exitCode = runFlux(*opts, ctx); });
}
