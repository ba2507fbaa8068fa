#include "shared/fit/base/HAFITConditions.h"

#include <utility>

#include "host/report/HCRRpt.h"
#include "host/str/HSTJson.h"
#include "shared/fit/base/HAFITMission.h"

namespace {

using HSTJson::number;
using HSTJson::quote;

std::string unitName(bool meters) { return meters ? "meters" : "feet"; }

const char* unitFromKey(HAFITConditions::UnitFrom u) {
  switch (u) {
    case HAFITConditions::UnitFrom::OPTION:
      return "option";
    case HAFITConditions::UnitFrom::UNITS_CONSTRAINT:
      return "units constraint";
    case HAFITConditions::UnitFrom::DEFAULT:
      break;
  }
  return "default";
}

std::string unitFromText(const HAFITConditions& c) {
  switch (c.unitFrom) {
    case HAFITConditions::UnitFrom::OPTION:
      return "stated by " + c.unitText;
    case HAFITConditions::UnitFrom::UNITS_CONSTRAINT:
      return "the design's units constraint " + quote(c.unitText);
    case HAFITConditions::UnitFrom::DEFAULT:
      break;
  }
  return "the default: the design has no units constraint";
}

std::string modelText(const std::string& model) {
  if (model == "jedec") return "jedec: JEDEC-style, below 4572 m, from depth and cutoff rigidity";
  if (model == "boeing")
    return "boeing: avionics model, from 4572 m on, from altitude and latitude";
  return model;
}

std::string rateText(const HAFITConditions::Rate& r) {
  return number(r.nominal) + " FIT/Mbit (ll " + number(r.ll) + ", ul " + number(r.ul) + ")";
}

std::string rateJson(const std::optional<HAFITConditions::Rate>& r) {
  if (!r) return "null";
  return "{\"nominal\": " + number(r->nominal) + ", \"ll\": " + number(r->ll) +
         ", \"ul\": " + number(r->ul) + "}";
}

std::string optionalNumber(const std::optional<float>& v) { return v ? number(*v) : "null"; }

struct Columns {
  std::string fit, mtbf, failures, spread, bounds;
};

Columns columns(const HAFITConditions& c) {
  const std::string who = c.whose();
  return {
      "failures per 10^9 hours of " + who,
      "mean time between failures of " + who + ", in years (10^9 / FIT / 8760)",
      "expected failures of " + who + " over the mission's " + number(c.missionHours()) + " hours",
      "-50% and +100%: half and twice the nominal rate",
      "90% CI LL and UL: the rates' 90% confidence bounds, nominal x (1 + ll) and x (1 + ul)"};
}

}  // namespace

float HAFITConditions::missionHours() const {
  // To the precision the months are held in.
  return static_cast<float>(static_cast<double>(months) * HAFITMission::kHoursPerMonth);
}

std::string HAFITConditions::whose() const {
  return devices == 1 ? "the device" : "all " + std::to_string(devices) + " devices together";
}

std::vector<std::pair<std::string, std::string>> HAFITConditions::columnMeanings() const {
  const Columns col = columns(*this);
  return {{"FIT", col.fit},
          {"MTBF", col.mtbf},
          {"Device Failures", col.failures},
          {"-50%, +100%", col.spread.substr(col.spread.find(": ") + 2)},
          {"90% CI LL, UL", col.bounds.substr(col.bounds.find(": ") + 2)}};
}

void HAFITConditions::writeSection(HCRRptDoc& doc) const {
  HCRRptSection section = doc.createSection("Conditions", "");
  HCRRptTable table = section.createTable("", HCRRptTypes::TABLE_STYLE_BOXED, "");
  HCRRptTableRow headings = table.createTableRow(false, "", false);
  headings.createTableHeader("Condition", HCRRptTypes::HALIGN_CENTER, -1, "");
  headings.createTableHeader("Value", HCRRptTypes::HALIGN_CENTER, -1, "");
  const auto row = [&table](const std::string& label, const std::string& value) {
    HCRRptTableRow r = table.createTableRow(false, "", false);
    r.createTableCell(label, HCRRptTypes::HALIGN_AUTO, "");
    r.createTableCell(value, HCRRptTypes::HALIGN_AUTO, "");
  };

  if (profile) {
    row("Mission profile", (profile->name.empty() ? "" : profile->name + ": ") + profile->file);
    row("Profile hours", number(profile->hours) + ", flown " + std::to_string(profile->missions) +
                             (profile->missions == 1 ? " time" : " times"));
    row("Flux model", "the profile's time-weighted mean of its segments' flux");
  } else {
    row("Altitude given", number(altitudeGiven) + " " + unitName(meters));
    row("Altitude unit from", unitFromText(*this));
    row("Altitude used",
        number(altitudeMeters) + " m" + (capped ? " (capped at 24384 m, 80000 ft)" : ""));
    row("Longitude", std::to_string(longitude) + " degrees");
    row("Latitude", std::to_string(latitude) + " degrees");
    row("Flux model", modelText(model));
    row("Rigidity cutoff", number(cutoff) + " GV");
  }
  row("Relative flux", number(flux));
  row("Temperature", std::to_string(temperature) + " degrees Celsius");
  if (temperatureFactor)
    row("Temperature factor", number(*temperatureFactor) + " = " + number(*slope) + " x " +
                                  std::to_string(temperature) + " + " + number(*intercept) +
                                  ", for every class");
  row("Devices", std::to_string(devices));
  row("Mission", number(months) + " months, " + number(missionHours()) + " hours");
  row("Package model", revisedPackageModel ? "revised: alpha particles added without flux scaling"
                                           : "standard: alpha particles within the neutron rate");
  row("Part", part + " (device " + device + ")");
  row("Family", family);
  row("Rate data", rateFile.empty() ? "(not found)" : rateFile);
  for (const Class& c : classes) {
    const std::string label = c.label;
    row(label + " bits exposed", number(c.exposedBits));
    if (c.rate) row(label + " rate", rateText(*c.rate));
    if (revisedPackageModel && c.alpha) row(label + " alpha rate", rateText(*c.alpha));
  }
  for (const auto& meaning : columnMeanings()) row(meaning.first, meaning.second);
  if (notAnalysed.empty()) row("Not Analysed", "nothing");
  for (const HAFITNotAnalysed::Item& item : notAnalysed)
    row("Not Analysed", item.what() + ", " + item.bitsText() + ": " + item.reason(family));
}

std::string HAFITConditions::json() const {
  std::string out = "{\n";
  const auto member = [&out](const std::string& key, const std::string& value, bool last = false) {
    out += "    " + quote(key) + ": " + value + (last ? "\n" : ",\n");
  };
  // A profile gives its own places, in meters.
  member("altitude_given", profile ? "null" : number(altitudeGiven));
  member("unit", profile ? "null" : quote(unitName(meters)));
  member("unit_from", profile ? "null" : quote(unitFromKey(unitFrom)));
  member("unit_text", profile || unitFrom == UnitFrom::DEFAULT ? "null" : quote(unitText));
  member("altitude_m", profile ? "null" : number(altitudeMeters));
  member("capped", !profile && capped ? "true" : "false");
  member("longitude", profile ? "null" : std::to_string(longitude));
  member("latitude", profile ? "null" : std::to_string(latitude));
  member("model", quote(profile ? "profile" : model));
  member("rigidity_cutoff", profile ? "null" : number(cutoff));
  member("flux", number(flux));
  if (profile)
    member("profile", "{\"file\": " + quote(profile->file) + ", \"name\": " + quote(profile->name) +
                          ", \"hours\": " + number(profile->hours) +
                          ", \"missions\": " + std::to_string(profile->missions) + "}");
  else
    member("profile", "null");
  member("temperature", std::to_string(temperature));
  member("temperature_slope", optionalNumber(slope));
  member("temperature_intercept", optionalNumber(intercept));
  member("temperature_factor", optionalNumber(temperatureFactor));
  member("devices", std::to_string(devices));
  member("months", number(months));
  member("mission_hours", number(missionHours()));
  member("package_model", quote(revisedPackageModel ? "revised" : "standard"));
  member("part", quote(part));
  member("device", quote(device));
  member("family", quote(family));
  member("rate_file", rateFile.empty() ? "null" : quote(rateFile));
  member("rate_directory", rateDirectory.empty() ? "null" : quote(rateDirectory));
  std::string list = "[";
  for (size_t i = 0; i < classes.size(); ++i) {
    const Class& c = classes[i];
    list += (i ? ",\n      " : "\n      ") + std::string("{\"class\": ") + quote(c.key) +
            ", \"label\": " + quote(c.label) + ", \"exposed_bits\": " + number(c.exposedBits) +
            ", \"rate\": " + rateJson(c.rate) + ", \"alpha\": " + rateJson(c.alpha) + "}";
  }
  member("classes", list + (classes.empty() ? "]" : "\n    ]"));
  const Columns col = columns(*this);
  member("columns", "{\"fit\": " + quote(col.fit) + ", \"mtbf\": " + quote(col.mtbf) +
                        ", \"failures\": " + quote(col.failures) + ", \"spread\": " +
                        quote(col.spread) + ", \"bounds\": " + quote(col.bounds) + "}");
  list = "[";
  for (size_t i = 0; i < notAnalysed.size(); ++i) {
    const HAFITNotAnalysed::Item& item = notAnalysed[i];
    list += (i ? ",\n      " : "\n      ") + std::string("{\"kind\": ") + quote(item.kindText()) +
            ", \"name\": " + quote(item.name) + ", \"count\": " + std::to_string(item.count) +
            ", \"bits\": " +
            (item.bitsKnown || item.bits > 0.0 ? number(item.bits) : std::string("null")) +
            ", \"bits_complete\": " + (item.bitsKnown ? "true" : "false") +
            ", \"reason\": " + quote(item.reason(family)) + "}";
  }
  member("not_analysed", list + (notAnalysed.empty() ? "]" : "\n    ]"), true);
  return out + "  }";
}
