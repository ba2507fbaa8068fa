#include "cli/CliMission.h"

#include <cmath>
#include <cstdio>
#include <iostream>
#include <vector>

#include "cli/CliOptions.h"
#include "host/env/HUTEnv.h"
#include "host/msg/ComMsgMgr.h"
#include "host/str/HSTJson.h"
#include "shared/fit/parser/HAFITNumbers.h"

namespace {
struct MissionTexts {
  MissionTexts() {
    using ComMsgMgr::registerText;
    registerText("1-75", "budget exceeded: {1} is {2}, above {3} {4}; the report was written");
    registerText("1-76", "budget {1} cannot be checked: the report has no {2} figure");
    registerText("1-77", "{1}; the mission profile was refused");
    registerText("1-78", "option {1} cannot be used with {2}");
  }
} missionTexts;

bool given(CLI::App* cmd, const char* name) {
  const CLI::Option* o = cmd->get_option_no_throw(name);
  return o && o->count() > 0;
}

void conflict(const std::string& a, const std::string& b) {
  ComMsgMgr::hostError("@1-78@%s%s", a, b);
}

std::optional<float> budget(const std::string& option, const std::string& text) {
  const auto v = CliNumbers::parseFloat(text);
  if (!v || *v < 0) {
    usageError(option, "a finite real number of at least 0", text);
    return std::nullopt;
  }
  return v;
}

// Every option of the command with its effective value, defaults included.
void optionItems(CLI::App* cmd, std::vector<std::pair<std::string, std::string>>& items) {
  for (const CLI::Option* o : cmd->get_options()) {
    const std::string name = o->get_name();
    if (name == "--help") continue;
    std::string value;
    if (o->get_expected_min() == 0 && (o->get_expected_max() == 0 || o->count() == 0)) {
      value = o->count() > 0 ? "on" : "off";  // flags, and options with an optional value
    } else if (o->count() > 0) {
      for (const std::string& r : o->results()) value += (value.empty() ? "" : " ") + r;
      if (value.empty()) value = o->get_default_str();  // given without its optional value
    } else {
      value = o->get_default_str();
    }
    items.emplace_back("Option " + name, value);
  }
}
}  // namespace

bool readMissionProfile(const std::string& path, HAFITMission::Profile& out) {
  std::vector<std::string> errors;
  if (!HAFITMission::read(path, out, errors)) {
    for (const auto& e : errors) ComMsgMgr::hostError("@1-77@%s", e);
    return false;
  }
  for (const HAFITMission::Segment& s : out.segments)
    if (s.altitude < 0)
      ComMsgMgr::hostWarning("@1-68@%s%s", path + ": " + s.where + " altitude",
                             HSTJson::number(s.altitude) + " m");
  return true;
}

void addReportMissionOptions(CLI::App* cmd, MissionText& text) {
  text.cmd = cmd;
  cmd->add_option("--profile", text.profile,
                  "Mission profile (JSON or CSV): use its time-weighted mean flux")
      ->type_name("FILE");
  addTextOption(cmd, "--missions", text.missions,
                "With --profile: the mission length is this many times the profile's hours", "N");
  addTextOption(cmd, "--max-fit", text.maxFit,
                "Budget: fail (exit 3) when the device's nominal FIT exceeds X", "X");
  addTextOption(cmd, "--max-failures", text.maxFailures,
                "Budget: fail (exit 3) when the nominal device failures exceed X", "X");
  cmd->add_flag("--json", text.json, "Write the report as JSON");
  cmd->add_flag("--provenance", text.provenance,
                "Record versions, data files, checksums and every option's value");
}

bool parseReportMission(const MissionText& text, bool xml, MissionPlan& plan) {
  CLI::App* cmd = text.cmd;
  bool ok = true;
  if (xml && text.json) {
    conflict("--json", "--xml");
    ok = false;
  }
  if (!text.maxFit.empty() || given(cmd, "--max-fit")) {
    plan.maxFit = budget("--max-fit", text.maxFit);
    ok = ok && plan.maxFit;
  }
  if (!text.maxFailures.empty() || given(cmd, "--max-failures")) {
    plan.maxFailures = budget("--max-failures", text.maxFailures);
    ok = ok && plan.maxFailures;
  }
  const auto missions = CliNumbers::parseInteger(text.missions, 1, 1000000000);
  if (!missions) {
    usageError("--missions", "a whole number from 1 to 1000000000", text.missions);
    ok = false;
  } else {
    plan.missions = *missions;
  }
  const bool hasProfile = given(cmd, "--profile");
  if (!hasProfile) {
    if (given(cmd, "--missions")) {
      conflict("--missions", "no --profile");
      ok = false;
    }
    return ok;
  }
  for (const char* place : {"--altitude", "--longitude", "--latitude"})
    if (given(cmd, place)) {
      conflict(place, "--profile (the profile gives the places)");
      ok = false;
    }
  if (given(cmd, "--missions") && given(cmd, "--months")) {
    conflict("--missions", "--months");
    ok = false;
  }
  if (!ok) return false;
  HAFITMission::Profile profile;
  if (!readMissionProfile(text.profile, profile)) return false;
  double hours = 0.0;
  for (const HAFITMission::Segment& s : profile.segments) hours += s.hours;
  const double months = hours * static_cast<double>(plan.missions) / HAFITMission::kHoursPerMonth;
  if (!given(cmd, "--months") && !std::isfinite(HAFITNumbers::narrow(months))) {
    ComMsgMgr::hostError("@1-77@%s", text.profile + ": " + HSTJson::number(hours) + " hours x " +
                                         std::to_string(plan.missions) +
                                         " missions is a mission longer than a float holds in "
                                         "months");
    return false;
  }
  plan.profile = std::move(profile);
  return true;
}

void applyMission(const MissionText& text, const MissionPlan& plan, const std::string& design,
                  HAFITMgr::ReportRequest& request) {
  HAFITMission::MissionFlux mission;
  if (plan.profile) {
    mission = HAFITMission::weigh(*plan.profile, *HAFITMgr::getGlobal());
    request.flux = mission.flux;
    // The profile's hours, flown --missions times; --months still wins when given.
    if (!given(text.cmd, "--months"))
      request.months = HAFITNumbers::narrow(
          mission.totalHours * static_cast<double>(plan.missions) / HAFITMission::kHoursPerMonth);
  }
  if (!text.provenance) return;
  request.provenance = true;
  auto& items = request.provenanceItems;
  items.emplace_back("seufit version", SEUFIT_VERSION);
  std::string dirs;
  for (const std::string& d : HUTEnv::dataDirs()) dirs += (dirs.empty() ? "" : ":") + d;
  items.emplace_back("Data directories", dirs);
  for (const char* rel : {"fit/SoftErrorRate.xml", "fit/DetectionTime.xml",
                          "fit/RigidityCutoff.xml", "parts.json", "primitives.json"}) {
    const std::string dir = HUTEnv::getOVKDataDir(rel);
    if (dir.empty()) {
      items.emplace_back(std::string("Data ") + rel, "(not found)");
      continue;
    }
    const std::string path = dir + "/" + rel;
    items.emplace_back(std::string("Data ") + rel, path);
    items.emplace_back(std::string("Data ") + rel + " SHA-256", sha256File(path));
  }
  items.emplace_back("Design file", design);
  items.emplace_back("Design SHA-256", sha256File(design));
  if (plan.profile) {
    items.emplace_back("Mission profile", text.profile);
    items.emplace_back("Mission profile SHA-256", sha256File(text.profile));
    items.emplace_back("Mission hours", HSTJson::number(mission.totalHours));
  }
  items.emplace_back("Mission length (months)", HSTJson::number(request.months));
  optionItems(text.cmd, items);
}

int checkBudgets(const MissionPlan& plan, const HAFITMgr::ReportFigures& figures) {
  int rc = EXIT_OK;
  auto check = [&rc](const std::optional<float>& limit, bool has, float value,
                     const std::string& figure, const std::string& option) {
    if (!limit) return;
    if (!has) {
      ComMsgMgr::hostError("@1-76@%s%s", option, figure);
      rc = EXIT_BUDGET;
    } else if (!(value <= *limit)) {  // NaN fails as well
      ComMsgMgr::hostError("@1-75@%s%s%s%s", figure, HSTJson::number(value), option,
                           HSTJson::number(*limit));
      rc = EXIT_BUDGET;
    }
  };
  check(plan.maxFit, figures.hasFit, figures.deviceFit, "the device's nominal FIT", "--max-fit");
  check(plan.maxFailures, figures.hasFailures, figures.deviceFailures,
        "the nominal device failure count", "--max-failures");
  return rc;
}

int runFluxProfile(const std::string& path, bool json, CLI::App* cmd) {
  for (const char* place : {"--altitude", "--longitude", "--latitude"})
    if (given(cmd, place)) {
      conflict(place, "--profile (the profile gives the places)");
      return EXIT_USAGE;
    }
  HAFITMission::Profile profile;
  if (!readMissionProfile(path, profile)) return EXIT_USAGE;
  const HAFITMission::MissionFlux m = HAFITMission::weigh(profile, *HAFITMgr::getGlobal());
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
    return EXIT_OK;
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
  return EXIT_OK;
}
