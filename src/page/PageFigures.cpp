#include "page/PageFigures.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <unordered_set>
#include <utility>

#include "host/report/HCRRpt.h"
#include "host/report/HCRRptText.h"
#include "host/str/HSTJson.h"
#include "plot/PlotReport.h"
#include "shared/fit/base/HAFITMgr.h"

namespace Page {
namespace {
// Places a reader finds their way by; labels placed clear of each other.
const std::vector<Plot::MapPlace> kPlaces = {
    {"New York", -74.0, 40.7, 0, 1},     {"London", -0.1, 51.5, 0, 1},
    {"Oslo", 10.7, 59.9, 1, -1},         {"Tokyo", 139.7, 35.7, 1, 0},
    {"Sydney", 151.2, -33.9, 1, 0},      {"S\u00e3o Paulo", -46.6, -23.5, 1, 0},
    {"Anchorage", -149.9, 61.2, 1, 0},   {"Singapore", 103.8, 1.4, 1, 0},
    {"Johannesburg", 28.0, -26.2, 1, 0},
};

// Each segment as the flux samples it: a fixed place as one point, a route leg from its
// start through its samples to its end. A piece of line or a place already drawn is not
// drawn again: the map then costs no more than the distinct places the profile visits,
// however many legs repeat them.
}  // namespace

void addRoutes(const HAFITMission::Profile& profile, Plot::MapView& view) {
  using Point = std::pair<double, double>;
  struct PairHash {
    size_t operator()(const std::pair<Point, Point>& k) const {
      const std::hash<double> h;
      size_t v = h(k.first.first);
      for (double d : {k.first.second, k.second.first, k.second.second}) v = v * 1000003u ^ h(d);
      return v;
    }
  };
  std::unordered_set<std::pair<Point, Point>, PairHash> drawn;
  for (const HAFITMission::Segment& s : profile.segments) {
    std::vector<Point> points{{s.longitude, s.latitude}};
    if (s.route) {
      std::vector<HAFITMission::Position> samples;
      HAFITMission::routeSamples(s.longitude, s.latitude, s.toLongitude, s.toLatitude, samples);
      for (const auto& p : samples) points.emplace_back(p.longitude, p.latitude);
      points.emplace_back(s.toLongitude, s.toLatitude);
    }
    if (std::all_of(points.begin(), points.end(), [&](const Point& p) { return p == points[0]; })) {
      if (drawn.insert({points[0], points[0]}).second) view.routes.push_back({points[0]});
      continue;
    }
    std::vector<Point> line;
    for (size_t i = 1; i < points.size(); ++i) {
      const Point& a = points[i - 1];
      const Point& b = points[i];
      if (a == b) continue;
      const bool fresh = drawn.insert(a < b ? std::make_pair(a, b) : std::make_pair(b, a)).second;
      if (fresh) {
        if (line.empty()) line.push_back(a);
        line.push_back(b);
      } else if (!line.empty()) {
        view.routes.push_back(std::move(line));
        line.clear();
      }
    }
    if (!line.empty()) view.routes.push_back(std::move(line));
  }
}

const std::vector<Plot::MapPlace>& mapPlaces() { return kPlaces; }

namespace {
using HSTJson::number;

std::string position(double longitude, double latitude) {
  char text[64];
  std::snprintf(text, sizeof text, "%.4g\u00b0%c %.4g\u00b0%c", std::fabs(longitude),
                longitude < 0 ? 'W' : 'E', std::fabs(latitude), latitude < 0 ? 'S' : 'N');
  return text;
}

// The flux from sea level to the cap at the report's position, its place marked.
std::string altitudeFigure(const HAFITConditions& c) {
  HAFITMgr* mgr = HAFITMgr::getGlobal();
  Plot::LineView view;
  constexpr int kSteps = 400;
  for (int i = 0; i <= kSteps; ++i) {
    const double a = static_cast<double>(HAFITMgr::kMaxAltitude) * i / kSteps;
    view.x.push_back(a);
    view.y.push_back(mgr->fluxAt(static_cast<float>(a), c.longitude, c.latitude).flux);
  }
  view.marks.push_back({c.altitudeMeters, "", "the report's place",
                        number(c.altitudeMeters) + " m: flux " + number(c.flux)});
  view.xLabel = "altitude (m)";
  view.yLabel = "flux relative to New York, sea level";
  return Plot::figureHtml(
      1000, 480, [&](Plot::Canvas& canvas) { Plot::drawLines(canvas, view); },
      "The relative neutron flux by altitude at " + position(c.longitude, c.latitude) +
          ", the report's place marked; the models change at 4572 m.",
      "altitude");
}

// The profile's segments with their flux, and its route on the flux map at its highest
// altitude.
std::string profileFigures(const HAFITMission::Profile& profile, const std::string& file) {
  HAFITMgr* mgr = HAFITMgr::getGlobal();
  const HAFITMission::MissionFlux flux = HAFITMission::weigh(profile, *mgr);
  std::string table =
      "<table>\n<caption>Mission profile " +
      HCRRptText::xml(profile.name.empty() ? file : profile.name) +
      "</caption>\n<thead><tr><th scope=\"col\">Segment</th><th scope=\"col\">Hours</th>"
      "<th scope=\"col\">Altitude (m)</th><th scope=\"col\">From</th><th scope=\"col\">To</th>"
      "<th scope=\"col\">Relative flux</th><th scope=\"col\">Share of exposure (%)</th></tr>"
      "</thead>\n<tbody>\n";
  float highest = 0.0f;
  for (size_t i = 0; i < profile.segments.size() && i < flux.segments.size(); ++i) {
    const HAFITMission::Segment& s = profile.segments[i];
    const HAFITMission::SegmentFlux& f = flux.segments[i];
    highest = std::max(highest, f.altitude);
    table += "<tr><th scope=\"row\">" + HCRRptText::xml(s.name.empty() ? s.where : s.name) +
             "</th><td class=\"num\">" + number(s.hours) + "</td><td class=\"num\">" +
             number(f.altitude) + "</td><td>" + position(s.longitude, s.latitude) + "</td><td>" +
             (s.route ? position(s.toLongitude, s.toLatitude) : std::string()) +
             "</td><td class=\"num\">" + number(f.flux) + "</td><td class=\"num\">" +
             number(100.0 * f.share) + "</td></tr>\n";
  }
  table += "</tbody>\n</table>\n";
  Plot::MapView view;
  view.columns = 181;
  view.rows = 91;
  view.values.reserve(static_cast<size_t>(view.columns) * view.rows);
  for (int lat = -90; lat <= 90; lat += 2)
    for (int lon = -180; lon <= 180; lon += 2)
      view.values.push_back(mgr->fluxAt(highest, lon, lat).flux);
  view.colourLabel = "flux relative to New York, sea level";
  view.places = kPlaces;
  addRoutes(profile, view);
  view.routeLabel = "mission profile: " + (profile.name.empty() ? file : profile.name);
  return table + Plot::figureHtml(
                     1000, 560, [&](Plot::Canvas& canvas) { Plot::drawMap(canvas, view); },
                     "The profile's route over the relative neutron flux at its highest "
                     "altitude, " +
                         number(highest) + " m.",
                     "route");
}
}  // namespace

void addFigures(HAFITRun::Report& report, const HAFITRun::Request& request,
                const HAFITRun::Mission& mission) {
  if (report.status != HAFITRun::OK || !report.analysis) return;
  const bool byHierarchy = request.hierarchyDepth >= 0;
  report.analysis->addHtmlBlock(Plot::reportFigureSection(byHierarchy),
                                Plot::reportFigure(report.analysis->document(), byHierarchy));
  const HAFITConditions& c = report.analysis->conditions();
  if (mission.profile)
    report.analysis->addHtmlBlock("Conditions", profileFigures(*mission.profile, request.profile));
  else
    report.analysis->addHtmlBlock("Conditions", altitudeFigure(c));
}

}  // namespace Page
