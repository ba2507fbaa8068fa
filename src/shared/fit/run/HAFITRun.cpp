#include "shared/fit/run/HAFITRun.h"

#include <cmath>
#include <exception>

#include "host/design/HDLoad.h"
#include "host/env/HUTEnv.h"
#include "host/msg/ComMsgMgr.h"
#include "host/str/HSTJson.h"
#include "host/stream/ComMsgMgrReportOstream.h"
#include "host/stream/HUTFileWriteStream.h"
#include "shared/fit/base/HAFITReport.h"
#include "shared/fit/parser/HAFITDetectMgr.h"
#include "shared/fit/parser/HAFITNumbers.h"
#include "shared/fit/parser/HAFITRCMgr.h"
#include "shared/fit/parser/HAFITSERMgr.h"
#include "shared/fit/run/HAFITDataCheck.h"
#include "shared/fit/run/HAFITDesignCheck.h"

namespace {
struct Texts {
  Texts() {
    using ComMsgMgr::registerText;
    registerText("1-61",
                 "family '{1}' has no soft-error data in {2}; add a FAMILY named '{1}' to the "
                 "data file");
    registerText("1-62", "{1}: the design cannot be analysed: {2}");
    registerText("1-64",
                 "{1}: family '{2}' has a rate or coefficient that is not a finite number in "
                 "{3}; no report was written");
    registerText("1-69",
                 "the report figure {1} is not a finite number; no report was written (check "
                 "the rates and coefficients of the data files)");
    registerText("1-70", "the report figure {1} is below 0; check the data files' rates");
    registerText("1-75", "budget exceeded: {1} is {2}, above {3} {4}; the report was written");
    registerText("1-76", "budget {1} cannot be checked: the report does not give {2}");
    registerText("1-77", "{1}; the mission profile was refused");
    registerText("1-115",
                 "safety target exceeded: the nominal FIT per device after mitigation is {1}, "
                 "not below the {2} FIT allotted of {3}; the report was written");
    registerText("1-116", "safety target {1} cannot be checked: {2}; the report was written");
  }
} texts;

const char* const kDataFiles[] = {"fit/SoftErrorRate.xml", "fit/DetectionTime.xml",
                                  "fit/RigidityCutoff.xml", "parts.json", "primitives.json"};
constexpr double kFeet = 0.3048;

HAFITReport::Format reportFormat(HAFITRun::Format f) {
  switch (f) {
    case HAFITRun::Format::JSON:
      return HAFITReport::Format::JSON;
    case HAFITRun::Format::XML:
      return HAFITReport::Format::XML;
    case HAFITRun::Format::HTML:
      return HAFITReport::Format::HTML;
    case HAFITRun::Format::HTML_FRAGMENT:
      return HAFITReport::Format::HTML_FRAGMENT;
    case HAFITRun::Format::TEXT:
      break;
  }
  return HAFITReport::Format::TEXT;
}

// The report's own flux point (no mission flux): warns when the grid lacks it.
void warnFluxPoint(const HFLFloorplan& design, const HAFITRun::Request& r) {
  const float meters = HAFITRun::altitudeMeters(r, &design);
  HAFITRun::warnCutoffGrid(HAFITMgr::getGlobal()->fluxAt(meters, r.longitude, r.latitude).model,
                           r.longitude, r.latitude);
}

// Versions, data files with their checksums, the design, the mission and every option.
void provenanceItems(const HAFITRun::Request& r, const HAFITRun::Design& design,
                     const HAFITMission::MissionFlux* mission, float months,
                     std::vector<std::pair<std::string, std::string>>& items) {
  items.emplace_back("seufit version", SEUFIT_VERSION);
  std::string dirs;
  for (const std::string& d : HUTEnv::dataDirs()) dirs += (dirs.empty() ? "" : ":") + d;
  items.emplace_back("Data directories", dirs);
  for (const char* rel : kDataFiles) {
    const std::string dir = HUTEnv::getOVKDataDir(rel);
    if (dir.empty()) {
      items.emplace_back(std::string("Data ") + rel, "(not found)");
      continue;
    }
    const std::string path = dir + "/" + rel;
    items.emplace_back(std::string("Data ") + rel, path);
    items.emplace_back(std::string("Data ") + rel + " SHA-256", HAFITRun::sha256File(path));
  }
  if (r.derated()) {
    const std::string rel = "fit/Mitigation.json";
    const std::string dir = HUTEnv::getOVKDataDir(rel);
    items.emplace_back("Data " + rel, dir.empty() ? "(not found)" : dir + "/" + rel);
    if (!dir.empty())
      items.emplace_back("Data " + rel + " SHA-256", HAFITRun::sha256File(dir + "/" + rel));
  }
  items.emplace_back("Design file", design.path);
  items.emplace_back("Design SHA-256", HAFITRun::sha256File(design.path));
  if (mission) {
    items.emplace_back("Mission profile", r.profile);
    items.emplace_back("Mission profile SHA-256", HAFITRun::sha256File(r.profile));
    items.emplace_back("Mission hours", HSTJson::number(mission->totalHours));
  }
  if (!r.mitigation.empty()) {
    items.emplace_back("Mitigation file", r.mitigation);
    items.emplace_back("Mitigation file SHA-256", HAFITRun::sha256File(r.mitigation));
  }
  items.emplace_back("Mission length (months)", HSTJson::number(months));
  for (const auto& item : r.optionItems) {
    const size_t dashes = item.first.rfind("--");
    const std::string name = dashes == std::string::npos ? "" : item.first.substr(dashes + 2);
    if (r.given(name) || !HAFITRun::Request::isQuietUnlessGiven(name)) items.push_back(item);
  }
}

// Every budget against its figure: BUDGET after an error naming each one exceeded.
HAFITRun::Status checkBudgets(const HAFITRun::Request& r, const HAFITRun::Report& report) {
  const HAFITMgr::ReportFigures& f = report.figures;
  const HAFITConditions& c = report.analysis->conditions();
  HAFITRun::Status status = HAFITRun::OK;
  auto check = [&](const std::optional<float>& limit, bool has, float value,
                   HAFITReport::Budget::Figure figure, const std::string& option) {
    if (!limit) return;
    const std::string name = HAFITReport::budgetFigure(figure, c);
    if (!has) {
      ComMsgMgr::hostError("@1-76@%s%s", option, name);
      status = HAFITRun::BUDGET;
    } else if (!(value <= *limit)) {  // NaN fails as well
      ComMsgMgr::hostError("@1-75@%s%s%s%s", name, HSTJson::number(value), option,
                           HSTJson::number(*limit));
      status = HAFITRun::BUDGET;
    }
  };
  check(r.maxFit, f.hasFit, f.deviceFit, HAFITReport::Budget::FIT, "--max-fit");
  check(r.maxFailures, f.hasFailures, f.deviceFailures, HAFITReport::Budget::FAILURES,
        "--max-failures");
  if (f.derating && f.derating->target) {
    const HAFITDerating::TargetResult& t = *f.derating->target;
    if (!t.checked) {
      ComMsgMgr::hostError("@1-116@%s%s", t.name, std::string("the report is of 0 devices"));
      status = HAFITRun::BUDGET;
    } else if (!t.met) {
      ComMsgMgr::hostError("@1-115@%s%s%s", HSTJson::number(t.fitPerDevice),
                           HSTJson::number(t.allottedFit), t.name);
      status = HAFITRun::BUDGET;
    }
  }
  return status;
}
}  // namespace

namespace HAFITRun {

Status load(const std::string& path, const HDNetlistOptions& netlist, bool netlistGiven,
            Design& out) {
  out.path = path;
  out.netlist = netlist;
  out.netlistGiven = netlistGiven;
  std::vector<HDLoadProblem> problems;
  out.db = HDLoad::load(path, {netlist, netlistGiven}, problems);
  if (out.db) return OK;
  HDLoad::report(problems);
  return USAGE;
}

Status prepareData(const HFLFloorplan& design) {
  HAFITMgr* mgr = HAFITMgr::getGlobal();
  if (!mgr->getSERMgr() || !mgr->getDetectMgr() || !mgr->getRCMgr()) return NO_RESULT;
  // A data file that could not be read to its end was reported; a report from its
  // partial tables would look complete.
  if (!mgr->getSERMgr()->lastError().empty() || !mgr->getDetectMgr()->lastError().empty() ||
      !mgr->getRCMgr()->lastError().empty())
    return NO_RESULT;
  const std::string key = HAFITSERMgr::familyKey(&design);
  const HAFITSERMgr::FamilyCheck data = mgr->getSERMgr()->checkFamily(key);
  if (!data.nonFinite.empty()) {
    ComMsgMgr::hostError("@1-64@%s%s%s", std::string("fit/SoftErrorRate.xml"), key, data.nonFinite);
    return NO_RESULT;
  }
  // A report without the family's rows would look like one of a design without memories.
  if (data.empty) {
    ComMsgMgr::hostError("@1-61@%s%s", key, std::string("fit/SoftErrorRate.xml"));
    return NO_RESULT;
  }
  return checkRateData(design) ? OK : NO_RESULT;
}

Status readProfile(const std::string& path, HAFITMission::Profile& out) {
  std::vector<std::string> errors;
  if (!HAFITMission::read(path, out, errors)) {
    for (const auto& e : errors) ComMsgMgr::hostError("@1-77@%s", e);
    return USAGE;
  }
  for (const HAFITMission::Segment& s : out.segments)
    if (s.altitude < 0)
      ComMsgMgr::hostWarning("@1-68@%s%s", path + ": " + s.where + " altitude",
                             HSTJson::number(s.altitude) + " m");
  return OK;
}

Status prepareMission(const Request& r, Mission& out) {
  if (r.profile.empty() && !r.given("profile")) return OK;
  HAFITMission::Profile profile;
  if (const Status s = readProfile(r.profile, profile); s != OK) return s;
  double hours = 0.0;
  for (const HAFITMission::Segment& s : profile.segments) hours += s.hours;
  const double months = hours * static_cast<double>(r.missions) / HAFITMission::kHoursPerMonth;
  if (!r.given("months") && !std::isfinite(HAFITNumbers::narrow(months))) {
    ComMsgMgr::hostError("@1-77@%s", r.profile + ": " + HSTJson::number(hours) + " hours x " +
                                         std::to_string(r.missions) +
                                         " missions is a mission longer than a float holds in "
                                         "months");
    return USAGE;
  }
  out.profile = std::move(profile);
  return OK;
}

void Report::render(std::ostream& os, Format format, const std::string& command) const {
  if (analysis) analysis->render(os, command, reportFormat(format));
}

Report analyse(Design& design, const Request& r, const Mission& mission) {
  Report out;
  if (!checkDesignValues(*design.db, true)) {
    out.status = USAGE;
    return out;
  }
  if ((out.status = prepareData(*design.db)) != OK) return out;
  std::optional<HAFITMitigation> mitigation;
  if ((out.status = prepareMitigation(r, *design.db, mitigation)) != OK) return out;

  HAFITMgr* mgr = HAFITMgr::getGlobal();
  HAFITMgr::ReportRequest request;
  request.altitude = r.altitude;
  request.altitudeMeters = r.altitudeMeters;
  request.longitude = r.longitude;
  request.latitude = r.latitude;
  request.devices = r.devices;
  request.months = r.months;
  request.temperature = r.temperature;
  request.revisedPackageModel = r.revisedPackageModel;
  request.hierarchyDepth = r.hierarchyDepth;
  request.topContributors = r.topContributors;
  // A page for people holds the provenance whatever was asked (and its renderer adds the
  // conditions).
  const bool page = r.format == Format::HTML;
  request.conditions = r.conditions;
  request.date = r.date;
  // The document names options as the command line does, whichever client asked.
  if (r.altitudeMeters) request.unitOption = *r.altitudeMeters ? "--meters" : "--feet";
  if (mission.profile)
    request.profile = HAFITConditions::Profile{r.profile, mission.profile->name, 0.0, r.missions};
  if (r.maxFit) request.budgets.push_back({HAFITReport::Budget::FIT, "--max-fit", *r.maxFit});
  if (r.maxFailures)
    request.budgets.push_back({HAFITReport::Budget::FAILURES, "--max-failures", *r.maxFailures});
  request.mitigation = std::move(mitigation);
  try {
    HAFITMission::MissionFlux flux;
    if (mission.profile) {
      flux = HAFITMission::weigh(*mission.profile, *mgr);
      request.flux = flux.flux;
      request.profile->hours = flux.totalHours;
      // The profile's hours, flown `missions` times; months given outright still win.
      if (!r.given("months"))
        request.months = HAFITNumbers::narrow(flux.totalHours * static_cast<double>(r.missions) /
                                              HAFITMission::kHoursPerMonth);
    } else {
      warnFluxPoint(*design.db, r);
    }
    if (r.provenance || page) {
      request.provenance = true;
      provenanceItems(r, design, mission.profile ? &flux : nullptr, request.months,
                      request.provenanceItems);
    }
    out.analysis = mgr->analyse(design.db.get(), request);
    out.figures = out.analysis->figures();
    if (out.figures.outcome != HAFITMgr::ReportOutcome::UNSUPPORTED_DEVICE &&
        out.figures.outcome != HAFITMgr::ReportOutcome::NOT_RUN)
      warnNotAnalysed(out.analysis->conditions().notAnalysed, out.analysis->conditions().family);
  } catch (const std::exception& e) {
    ComMsgMgr::hostError("@1-62@%s%s", design.path, std::string(e.what()));
    out.status = NO_RESULT;
    return out;
  }
  warnSaturatedTotals(out.figures.saturated);
  if (out.figures.outcome == HAFITMgr::ReportOutcome::NON_FINITE) {
    ComMsgMgr::hostError("@1-69@%s", out.figures.nonFinite);
    out.status = NO_RESULT;
    return out;
  }
  for (const std::string& figure : out.figures.negative) ComMsgMgr::hostWarning("@1-70@%s", figure);
  out.status = out.figures.outcome == HAFITMgr::ReportOutcome::WRITTEN ? OK : NO_RESULT;
  return out;
}

Status finish(Report& report, const Request& r) {
  if (report.status != OK) return report.status;
  return report.status = checkBudgets(r, report);
}

Status write(Report& report, const Request& r) {
  if (report.status != OK) return report.status;
  if (!r.output.empty()) {
    // Replaces the file only when the whole report was written; a failure is reported
    // with the path and the reason and leaves the file as it was.
    HUTFileWriteStream stream;
    stream.open(r.output, std::ios_base::out);
    report.render(stream, r.format, r.command);
    if (!stream.close()) return report.status = NO_RESULT;
  } else {
    ComMsgMgrReportOstream stream;
    report.render(stream, r.format, r.command);
  }
  return finish(report, r);
}

float altitudeMeters(const Request& r, const HFLFloorplan* design) {
  const bool meters = r.altitudeMeters.value_or(design ? HAFITMgr::altitudeInMeters(design) : true);
  return meters ? r.altitude : HAFITNumbers::narrow(static_cast<double>(r.altitude) * kFeet);
}

Status flux(const Request& r, HAFITMgr::FluxPoint& out) {
  HAFITMgr* mgr = HAFITMgr::getGlobal();
  // A grid read only in part (reported) would give a cutoff of 0 for the points it lacks.
  if (!mgr->getRCMgr() || !mgr->getRCMgr()->lastError().empty()) return NO_RESULT;
  out = mgr->fluxAt(altitudeMeters(r, nullptr), r.longitude, r.latitude);
  warnCutoffGrid(out.model, r.longitude, r.latitude);
  return OK;
}

Status fluxProfile(const std::string& path, HAFITMission::Profile& profile,
                   HAFITMission::MissionFlux& out) {
  HAFITMgr* mgr = HAFITMgr::getGlobal();
  if (!mgr->getRCMgr() || !mgr->getRCMgr()->lastError().empty()) return NO_RESULT;
  if (const Status s = readProfile(path, profile); s != OK) return s;
  out = HAFITMission::weigh(profile, *mgr);
  return OK;
}

}  // namespace HAFITRun
