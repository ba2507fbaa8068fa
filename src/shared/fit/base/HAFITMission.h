// Mission profiles: the hours a device spends at fixed places and along great-circle
// routes, and the time-weighted mean relative neutron flux they give.
#pragma once

#include <string>
#include <vector>

#include "shared/fit/base/HAFITMgr.h"

namespace HAFITMission {

struct Segment {
  std::string name;
  std::string where;  // for messages: "$.segments[2]" or "line 3"
  double hours = 0.0;
  float altitude = 0.0f;  // meters, before the cap
  bool route = false;     // a leg from (longitude, latitude) to (toLongitude, toLatitude)
  double longitude = 0.0, latitude = 0.0;
  double toLongitude = 0.0, toLatitude = 0.0;
};

struct Profile {
  std::string name;
  std::vector<Segment> segments;
};

// Reads a profile from JSON (text starting with '{') or CSV. On failure returns false and
// leaves one "PATH:LINE:COLUMN: ..." or "PATH: JSON-PATH: ..." text per problem in
// `errors`.
bool parse(const std::string& text, const std::string& path, Profile& out,
           std::vector<std::string>& errors);
bool read(const std::string& path, Profile& out, std::vector<std::string>& errors);

// A whole-degree position on the flux grid.
struct Position {
  int longitude, latitude;
};
// Whole-degree position of a point in degrees: rounded half away from zero.
Position wholeDegrees(double longitude, double latitude);
// A route leg cut into n = max(1, ceil(arc in degrees)) equal pieces along the great
// circle; one sample in the middle of each piece. False for antipodal ends, whose great
// circle is not defined.
bool routeSamples(double fromLongitude, double fromLatitude, double toLongitude, double toLatitude,
                  std::vector<Position>& out);

struct SegmentFlux {
  double flux = 0.0;  // mean relative flux of the segment's samples
  double hours = 0.0;
  double exposure = 0.0;  // hours x flux
  double share = 0.0;     // exposure / the profile's total exposure; 0 when that is 0
  size_t samples = 0;
  float altitude = 0.0f;   // meters after the cap
  const char* model = "";  // "jedec", "boeing" or "mixed"
};
struct MissionFlux {
  std::vector<SegmentFlux> segments;
  double totalHours = 0.0;
  double exposure = 0.0;
  double meanFlux = 0.0;  // exposure / totalHours
  float flux = 0.0f;      // meanFlux narrowed: what the report uses
};
// Samples every segment through mgr.fluxAt, in file order, and sums in double:
// segment flux = (sum of sample fluxes) / samples; exposure = sum of hours x flux;
// mean = exposure / sum of hours. The profile must have positive total hours.
MissionFlux weigh(const Profile& profile, HAFITMgr& mgr);

// Hours in a month of the report's mission length: 24 x 365 / 12.
constexpr double kHoursPerMonth = 730.0;

}  // namespace HAFITMission
