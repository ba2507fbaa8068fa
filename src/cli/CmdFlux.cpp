// seufit flux: the relative neutron flux at a place, as the report computes it.
#include <iostream>

#include "cli/Cli.h"
#include "cli/CliNumbers.h"
#include "host/msg/ComMsgMgr.h"
#include "host/str/HSTJson.h"
#include "shared/fit/base/HAFITMgr.h"
#include "shared/fit/parser/HAFITRCMgr.h"

namespace {
struct FluxOptions {
  PlaceText place;
  bool json = false;
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

  float altitude = place.altitude;
  if (HAFITMgr::kMaxAltitude < altitude) altitude = HAFITMgr::kMaxAltitude;
  const bool jedec = HAFITMgr::kBoeingAltitude > altitude;
  const float cutoff = mgr->getRCMgr()->get(place.longitude, place.latitude);
  const float flux = mgr->calculateRelativeFlux(altitude, place.longitude, place.latitude);

  if (o.json) {
    std::cout << "{\"altitude_m\": " << HSTJson::number(altitude)
              << ", \"longitude\": " << place.longitude << ", \"latitude\": " << place.latitude
              << ", \"model\": \"" << (jedec ? "jedec" : "boeing")
              << "\", \"rigidity_cutoff\": " << HSTJson::number(cutoff)
              << ", \"flux\": " << HSTJson::number(flux) << "}\n";
  } else {
    std::cout << "Altitude:        " << HSTJson::number(altitude) << " m"
              << (altitude != place.altitude ? " (capped at 80000 ft)" : "") << "\n"
              << "Longitude:       " << place.longitude << "\n"
              << "Latitude:        " << place.latitude << "\n"
              << "Model:           " << (jedec ? "jedec" : "boeing") << "\n"
              << "Rigidity cutoff: " << HSTJson::number(cutoff) << " GV\n"
              << "Relative flux:   " << HSTJson::number(flux) << "\n";
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
  cmd->callback([opts, &ctx]() { ctx.exitCode = runFlux(*opts, ctx); });
}
