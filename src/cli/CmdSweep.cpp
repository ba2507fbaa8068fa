// seufit sweep: a report's figures under every combination of places and temperatures.
#include <charconv>
#include <iostream>
#include <memory>
#include <string>

#include "cli/Cli.h"
#include "cli/CliRequest.h"
#include "host/str/HSTJson.h"
#include "shared/fit/run/HAFITSweep.h"

namespace {
struct SweepOptions {
  CliRequest in;
  std::string altitude = "0", longitude = "-74", latitude = "40", temperature = "28";
  bool json = false, csv = false;
};

// The shortest text that reads back to the same value: a sweep prints millions of them.
template <typename Real>
std::string number(Real v) {
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

const char* const kPlaceColumns[] = {"altitude",   "longitude", "latitude", "temperature",
                                     "altitude_m", "model",     "flux"};

std::string placeValues(const HAFITRun::SweepRecord& r, const std::string& sep, bool quote) {
  const std::string model = quote ? HSTJson::quote(r.model) : std::string(r.model);
  return number(r.altitude) + sep + std::to_string(r.longitude) + sep + std::to_string(r.latitude) +
         sep + std::to_string(r.temperature) + sep + number(r.altitudeMeters) + sep + model + sep +
         number(r.flux);
}

void print(const HAFITRun::SweepResult& s, bool json) {
  std::string out;
  if (json) {
    out = "{\"columns\": [";
    bool first = true;
    for (const char* c : kPlaceColumns) {
      out += (first ? "" : ", ") + HSTJson::quote(c);
      first = false;
    }
    for (const std::string& c : s.columns) out += ", " + HSTJson::quote(c);
    out += "], \"rows\": [";
    for (size_t i = 0; i < s.records.size(); ++i) {
      out += (i ? ",\n  [" : "\n  [") + placeValues(s.records[i], ", ", true);
      for (size_t c = 0; c < s.columns.size(); ++c) out += ", " + number(s.valuesOf(i)[c]);
      out += "]";
    }
    out += s.records.empty() ? "]}\n" : "\n]}\n";
  } else {
    bool first = true;
    for (const char* c : kPlaceColumns) {
      out += (first ? "" : ",") + std::string(c);
      first = false;
    }
    for (const std::string& c : s.columns) out += "," + c;
    out += "\n";
    for (size_t i = 0; i < s.records.size(); ++i) {
      out += placeValues(s.records[i], ",", false);
      for (size_t c = 0; c < s.columns.size(); ++c) out += "," + number(s.valuesOf(i)[c]);
      out += "\n";
    }
  }
  std::cout << out;
}

int runSweep(const SweepOptions& o) {
  HAFITRun::Request request;
  if (!o.in.fill(request)) return HAFITRun::USAGE;
  if (o.json && o.csv) {
    HAFITRun::conflict("--json", "--csv");
    return HAFITRun::USAGE;
  }
  HAFITRun::SweepAxes axes;
  axes.altitude.clear();
  axes.longitude.clear();
  axes.latitude.clear();
  axes.temperature.clear();
  // Every bad range named, not just the first.
  bool ok = HAFITRun::expandRange("--altitude", o.altitude, false, axes.altitude);
  ok = HAFITRun::expandRange("--longitude", o.longitude, true, axes.longitude) && ok;
  ok = HAFITRun::expandRange("--latitude", o.latitude, true, axes.latitude) && ok;
  ok = HAFITRun::expandRange("--temperature", o.temperature, true, axes.temperature) && ok;
  if (!ok) return HAFITRun::USAGE;
  HAFITRun::Design design;
  if (const auto s = HAFITRun::load(request.design, request.netlist, request.netlistGiven, design);
      s != HAFITRun::OK)
    return s;
  HAFITRun::SweepResult result;
  if (const auto s = HAFITRun::sweep(design, request, axes, result); s != HAFITRun::OK) return s;
  print(result, o.json);
  return HAFITRun::OK;
}
}  // namespace

void registerSweepCommand(CLI::App& app, CliContext& ctx) {
  auto o = std::make_shared<SweepOptions>();
  auto* cmd = app.add_subcommand(
      "sweep", "A report's figures at every combination of places and temperatures (CSV or JSON)");
  addCommonOptions(cmd, ctx);
  addStrictOption(cmd, ctx);
  o->in.addDesign(cmd);
  const char* forms = "V, V1,V2,... or START:STOP:STEP";
  addTextOption(cmd, "--altitude", o->altitude,
                std::string("Altitudes (meters unless the design's units constraint, --meters or "
                            "--feet say otherwise): ") +
                    forms,
                "RANGE");
  addTextOption(cmd, "--longitude", o->longitude,
                std::string("Longitudes, whole degrees: ") + forms, "RANGE");
  addTextOption(cmd, "--latitude", o->latitude, std::string("Latitudes, whole degrees: ") + forms,
                "RANGE");
  addTextOption(cmd, "--temperature", o->temperature,
                std::string("Temperatures, whole degrees Celsius: ") + forms, "RANGE");
  std::vector<HAFITRun::OptionInfo> options;
  for (const char* name : {"meters", "feet", "devices", "months", "revised-package-model"})
    options.push_back(*HAFITRun::Request::find(name));
  o->in.addOptions(cmd, options);
  cmd->add_flag("--json", o->json, "One JSON object: columns and rows");
  cmd->add_flag("--csv", o->csv, "CSV with a heading line (the default)");
  cmd->callback([o, &ctx]() {
    o->in.settleDesign();
    ctx.exitCode = runSweep(*o);
  });
}
