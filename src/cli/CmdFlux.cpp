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
  std::string altitude = "0";
  std::string longitude = "-74";
  std::string latitude = "40";
  bool json = false;
};

int runFlux(const FluxOptions& o, CliContext& ctx) {
  PlaceOptions place;
  if (!parsePlace(o.altitude, o.longitude, o.latitude, place)) return EXIT_USAGE;
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
  cmd->add_option("--altitude", opts->altitude, "Altitude in meters, capped at 24384 m")
      ->type_name("X")
      ->default_str("0");
  cmd->add_option("--longitude", opts->longitude, "Longitude in whole degrees, -180 to 180")
      ->type_name("N")
      ->default_str("-74");
  cmd->add_option("--latitude", opts->latitude, "Latitude in whole degrees, -90 to 90")
      ->type_name("N")
      ->default_str("40");
  cmd->add_flag("--json", opts->json, "Print one JSON object");
  cmd->callback([opts, &ctx]() { ctx.exitCode = runFlux(*opts, ctx); });
}
