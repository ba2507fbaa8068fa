// seufit flux: the relative neutron flux at a place, as the report computes it.
#include <cstdio>
#include <iostream>
#include <memory>

#include "cli/Cli.h"
#include "cli/CliRequest.h"
#include "host/str/HSTJson.h"
#include "shared/fit/run/HAFITRun.h"

namespace {
struct FluxOptions {
  CliRequest in;
  bool json = false;
  std::string profile;
  CLI::App* cmd = nullptr;
};

void printProfile(const std::string& path, const HAFITMission::Profile& profile,
                  const HAFITMission::MissionFlux& m, bool json) {
  if (json) {
    std::string out = "{\"profile\": " + HSTJson::quote(profile.name) + ", \"segments\": [";
    for (size_t i = 0; i < m.segments.size(); ++i) {
      const auto& s = m.segments[i];
      out += (i ? ", " : "") + std::string("{\"name\": ") +
             HSTJson::quote(profile.segments[i].name) + ", \"hours\": " + HSTJson::number(s.hours) +
             ", \"samples\": " + std::to_string(s.samples) + ", \"model\": \"" + s.model +
             "\", \"altitude_m\": " + HSTJson::number(s.altitude) +
             ", \"flux\": " + HSTJson::number(s.flux) + ", \"share\": " + HSTJson::number(s.share) +
             "}";
    }
    out += "], \"total_hours\": " + HSTJson::number(m.totalHours) +
           ", \"mean_flux\": " + HSTJson::number(m.meanFlux) +
           ", \"flux\": " + HSTJson::number(m.flux) + "}\n";
    std::cout << out;
    return;
  }
  std::cout << "Mission profile: " << (profile.name.empty() ? path : profile.name) << "\n";
  char line[512];
  std::snprintf(line, sizeof line, "%-24s %10s %7s %-6s %10s %14s %8s\n", "Segment", "Hours",
                "Samples", "Model", "Altitude m", "Relative flux", "Share");
  std::cout << line;
  for (size_t i = 0; i < m.segments.size(); ++i) {
    const auto& s = m.segments[i];
    std::snprintf(line, sizeof line, "%-24s %10.3f %7zu %-6s %10.1f %14.6f %7.2f%%\n",
                  profile.segments[i].name.c_str(), s.hours, s.samples, s.model,
                  static_cast<double>(s.altitude), s.flux, s.share * 100.0);
    std::cout << line;
  }
  std::cout << "Total hours:                      " << HSTJson::number(m.totalHours) << "\n"
            << "Time-weighted mean relative flux: " << HSTJson::number(m.flux) << "\n";
}

int runFlux(const FluxOptions& o, CliContext& ctx) {
  HAFITRun::Request request;
  if (!o.in.fill(request)) return HAFITRun::USAGE;
  // Only the cutoff grid matters here; other missing data files are told but do not fail.
  ctx.errorsFail = false;
  if (o.cmd->get_option("--profile")->count() > 0) {
    for (const char* place : {"altitude", "meters", "feet", "longitude", "latitude"})
      if (o.in.given(place)) {
        HAFITRun::conflict(std::string("--") + place, "--profile (the profile gives the places)");
        return HAFITRun::USAGE;
      }
    HAFITMission::Profile profile;
    HAFITMission::MissionFlux m;
    if (const auto s = HAFITRun::fluxProfile(o.profile, profile, m); s != HAFITRun::OK) return s;
    printProfile(o.profile, profile, m, o.json);
    return HAFITRun::OK;
  }
  HAFITMgr::FluxPoint point;
  if (const auto s = HAFITRun::flux(request, point); s != HAFITRun::OK) return s;
  if (o.json) {
    std::cout << "{\"altitude_m\": " << HSTJson::number(point.altitude)
              << ", \"longitude\": " << request.longitude << ", \"latitude\": " << request.latitude
              << ", \"model\": \"" << point.model
              << "\", \"rigidity_cutoff\": " << HSTJson::number(point.cutoff)
              << ", \"flux\": " << HSTJson::number(point.flux) << "}\n";
  } else {
    const float given = HAFITRun::altitudeMeters(request, nullptr);
    std::cout << "Altitude:        " << HSTJson::number(point.altitude) << " m"
              << (point.altitude != given ? " (capped at 80000 ft)" : "")
              << (request.altitudeMeters == false
                      ? " (" + HSTJson::number(request.altitude) + " ft given)"
                      : "")
              << "\n"
              << "Longitude:       " << request.longitude << "\n"
              << "Latitude:        " << request.latitude << "\n"
              << "Model:           " << point.model << "\n"
              << "Rigidity cutoff: " << HSTJson::number(point.cutoff) << " GV\n"
              << "Relative flux:   " << HSTJson::number(point.flux) << "\n";
  }
  return HAFITRun::OK;
}
}  // namespace

void registerFluxCommand(CLI::App& app, CliContext& ctx) {
  auto opts = std::make_shared<FluxOptions>();
  auto* cmd = app.add_subcommand(
      "flux",
      "Print the relative neutron flux at an altitude and position (New York sea level = ~1)");
  addCommonOptions(cmd, ctx);
  addStrictOption(cmd, ctx);
  std::vector<HAFITRun::OptionInfo> place = HAFITRun::Request::placeOptions();
  place.insert(place.begin() + 1,
               {*HAFITRun::Request::find("meters"), *HAFITRun::Request::find("feet")});
  opts->in.addOptions(cmd, place,
                      {{"altitude", "Altitude in meters (feet with --feet), capped at 24384 m"},
                       {"meters", "The altitude is in meters (the default)"},
                       {"feet", "The altitude is in feet"}});
  cmd->add_flag("--json", opts->json, "Print one JSON object");
  cmd->add_option("--profile", opts->profile,
                  "Mission profile (JSON or CSV): each segment's flux and the weighted mean")
      ->type_name("FILE");
  opts->cmd = cmd;
  cmd->callback([opts, &ctx]() { ctx.exitCode = runFlux(*opts, ctx); });
}
