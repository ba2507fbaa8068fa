#include "shared/fit/run/HAFITSweep.h"

#include <cmath>
#include <map>
#include <set>
#include <utility>

#include "host/msg/ComMsgMgr.h"
#include "host/report/HCRRpt.h"
#include "host/str/HSTJson.h"
#include "shared/fit/run/HAFITDataCheck.h"

namespace {
struct Texts {
  Texts() {
    ComMsgMgr::registerText("1-112",
                            "a sweep of {1} conditions is more than the {2} one sweep takes");
  }
} texts;

// The summary's FIT rows by the class they belong to.
const std::map<std::string, std::string> kClassOfRow = {{"Configuration Memory FIT", "config"},
                                                        {"Block Memory FIT", "bram"},
                                                        {"Yotta Memory FIT", "yram"},
                                                        {"HBM FIT", "hbm"}};
// Cells of a summary row: 0 the label, 2 nominal, 4 lower bound, 6 upper bound.
constexpr size_t kNominal = 2, kLower = 4, kUpper = 6;

// The summary of one condition: the values in the order of `columns`, which the first call
// fills.
void summaryValues(HAFITFloorplan& floorplan, std::vector<std::string>& columns,
                   std::vector<double>& values) {
  HCRRptDoc doc = HCRRptDoc::createDoc("FIT Report", true, "", "", "", "", "");
  floorplan.writeDeviceReliability(doc);
  const HAFITReport::Figures f = HAFITReport::figuresOf(doc);
  const bool naming = columns.empty();
  values.clear();
  // Names are made once, for the first condition.
  const auto add = [&](const std::string* base, const char* suffix, double v) {
    if (naming) columns.push_back(base ? *base + suffix : std::string(suffix));
    values.push_back(v);
  };
  const HCRRptModel::Row* failures = nullptr;
  for (const auto& section : doc.sections())
    for (const auto& table : section.tables)
      for (const auto& row : table.rows) {
        if (row.cells.size() <= kUpper || row.cells[0].kind != HCRRptModel::Cell::TEXT) continue;
        if (row.cells[0].text == "Device Failures") failures = &row;
        const auto cls = kClassOfRow.find(row.cells[0].text);
        if (cls == kClassOfRow.end()) continue;
        add(&cls->second, "_fit", row.cells[kNominal].value);
        add(&cls->second, "_fit_lower", row.cells[kLower].value);
        add(&cls->second, "_fit_upper", row.cells[kUpper].value);
      }
  if (f.hasFit) add(nullptr, "device_fit", f.deviceFit);
  if (failures) {
    add(nullptr, "failures", failures->cells[kNominal].value);
    add(nullptr, "failures_lower", failures->cells[kLower].value);
    add(nullptr, "failures_upper", failures->cells[kUpper].value);
  }
}
}  // namespace

namespace HAFITRun {

bool expandRange(const std::string& option, const std::string& text, bool whole,
                 std::vector<std::string>& out) {
  const std::string expected =
      std::string("a value, values separated by commas, or START:STOP:STEP of ") +
      (whole ? "whole numbers" : "finite numbers") + " with a STEP above 0";
  const auto fits = [](double count) {
    if (count <= static_cast<double>(kMaxSweep)) return true;
    ComMsgMgr::hostError("@1-112@%s%s", HSTJson::number(count), std::to_string(kMaxSweep));
    return false;
  };
  const size_t colon = text.find(':');
  if (colon == std::string::npos) {
    size_t from = 0;
    while (true) {
      const size_t comma = text.find(',', from);
      out.push_back(text.substr(from, comma - from));
      if (comma == std::string::npos) return true;
      from = comma + 1;
    }
  }
  const size_t second = text.find(':', colon + 1);
  if (second == std::string::npos) {
    usageError(option, expected, text);
    return false;
  }
  const std::string a = text.substr(0, colon), b = text.substr(colon + 1, second - colon - 1),
                    c = text.substr(second + 1);
  if (whole) {
    const auto start = Numbers::parseInteger(a, -1000000, 1000000);
    const auto stop = Numbers::parseInteger(b, -1000000, 1000000);
    const auto step = Numbers::parseInteger(c, 1, 1000000);
    if (!start || !stop || !step) {
      usageError(option, expected, text);
      return false;
    }
    const long long n = *stop < *start ? 0 : (*stop - *start) / *step + 1;
    if (!fits(static_cast<double>(n))) return false;
    for (long long i = 0; i < n; ++i) out.push_back(std::to_string(*start + i * *step));
    return true;
  }
  const auto start = Numbers::parseDouble(a), stop = Numbers::parseDouble(b),
             step = Numbers::parseDouble(c);
  if (!start || !stop || !step || !(*step > 0)) {
    usageError(option, expected, text);
    return false;
  }
  // Counted, not accumulated: the n-th value is START + n x STEP, and a STOP within a
  // millionth of a step of one is reached.
  const double steps = std::floor((*stop - *start) / *step + 1e-6);
  if (!fits(steps < 0 ? 0.0 : steps + 1)) return false;
  for (double n = 0; n <= steps; ++n) out.push_back(HSTJson::number(*start + n * *step));
  return true;
}

Status sweep(Design& design, const Request& request, const SweepAxes& axes, SweepResult& out) {
  // Each value checked as its option's own, with the option's message.
  Request check = request;
  std::vector<float> altitudes;
  std::vector<int> longitudes, latitudes, temperatures;
  bool ok = true;
  for (const std::string& t : axes.altitude)
    if ((ok = check.set("altitude", t) && ok)) altitudes.push_back(check.altitude);
  for (const std::string& t : axes.longitude)
    if ((ok = check.set("longitude", t) && ok)) longitudes.push_back(check.longitude);
  for (const std::string& t : axes.latitude)
    if ((ok = check.set("latitude", t) && ok)) latitudes.push_back(check.latitude);
  for (const std::string& t : axes.temperature)
    if ((ok = check.set("temperature", t) && ok)) temperatures.push_back(check.temperature);
  if (!ok) return USAGE;
  const double count =
      static_cast<double>(altitudes.size()) * static_cast<double>(longitudes.size()) *
      static_cast<double>(latitudes.size()) * static_cast<double>(temperatures.size());
  if (count > static_cast<double>(kMaxSweep)) {
    ComMsgMgr::hostError("@1-112@%s%s", HSTJson::number(count), std::to_string(kMaxSweep));
    return USAGE;
  }
  if (count == 0) return OK;

  // One report of the first condition: the walk, the data and their messages, once.
  Request first = request;
  first.altitude = altitudes[0];
  first.longitude = longitudes[0];
  first.latitude = latitudes[0];
  first.temperature = temperatures[0];
  Report report = analyse(design, first, Mission{});
  if (report.status != OK) return report.status;
  HAFITFloorplan* floorplan = report.analysis->floorplan();
  HAFITMgr* mgr = HAFITMgr::getGlobal();

  out.records.reserve(static_cast<size_t>(count));
  std::vector<double> values;
  // A place missing from the cutoff grid is warned of once (the first by the report).
  std::set<std::pair<int, int>> warned{{longitudes[0], latitudes[0]}};
  for (float altitude : altitudes) {
    Request place = request;
    place.altitude = altitude;
    const float meters = altitudeMeters(place, design.db.get());
    for (int longitude : longitudes)
      for (int latitude : latitudes) {
        const HAFITMgr::FluxPoint point = mgr->fluxAt(meters, longitude, latitude);
        if (warned.insert({longitude, latitude}).second)
          warnCutoffGrid(point.model, longitude, latitude);
        floorplan->setFlux(point.flux);
        for (int temperature : temperatures) {
          floorplan->setTemp(static_cast<float>(temperature));
          summaryValues(*floorplan, out.columns, values);
          if (out.records.empty()) out.values.reserve(static_cast<size_t>(count) * values.size());
          out.values.insert(out.values.end(), values.begin(), values.end());
          out.records.push_back({altitude, longitude, latitude, temperature, point.altitude,
                                 point.model, point.flux});
        }
      }
  }
  return OK;
}

}  // namespace HAFITRun
