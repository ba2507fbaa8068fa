#include "shared/fit/base/HAFITMission.h"

#include <rapidjson/document.h>

#include <algorithm>
#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>

#include "host/str/HSTJson.h"
#include "shared/fit/base/HAFITJsonInput.h"
#include "shared/fit/parser/HAFITNumbers.h"

namespace HAFITMission {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kFeet = 0.3048;

using HAFITJsonInput::Reader;

// The altitude in meters from a value and its unit; false for an unknown unit.
bool toMeters(double value, const std::string& unit, float& out) {
  const float v = HAFITNumbers::narrow(value);
  if (unit == "m" || unit == "meters") {
    out = v;
  } else if (unit == "ft" || unit == "feet") {
    // The same conversion as a design whose units constraint says feet.
    out = HAFITNumbers::narrow(static_cast<double>(v) * kFeet);
  } else {
    return false;
  }
  return std::isfinite(out);
}

bool inRange(double v, double lo, double hi) { return std::isfinite(v) && v >= lo && v <= hi; }

// Checks what both formats share; `where` names the segment.
void checkSegment(Reader& r, const std::string& where, const Segment& s) {
  if (!std::isfinite(s.hours) || s.hours < 0)
    r.fail(where + ".hours", "expected a finite number of hours of at least 0");
  else if (std::fpclassify(s.hours) == FP_SUBNORMAL)
    r.fail(where + ".hours", "expected 0 hours or at least " + HSTJson::number(DBL_MIN) +
                                 " (a smaller number loses its precision)");
  if (!inRange(s.longitude, -180, 180) || (s.route && !inRange(s.toLongitude, -180, 180)))
    r.fail(where, "expected longitudes from -180 to 180");
  if (!inRange(s.latitude, -90, 90) || (s.route && !inRange(s.toLatitude, -90, 90)))
    r.fail(where, "expected latitudes from -90 to 90");
  std::vector<Position> samples;
  if (s.route && r.errors.empty() &&
      !routeSamples(s.longitude, s.latitude, s.toLongitude, s.toLatitude, samples))
    r.fail(where, "expected route ends that are not antipodal (their great circle is not defined)");
}

using Value = rapidjson::Value;
using HAFITJsonInput::checkKeys;

bool number(Reader& r, const Value& obj, const std::string& where, const char* key, double& out) {
  const auto it = obj.FindMember(key);
  if (it == obj.MemberEnd() || !it->value.IsNumber()) {
    r.fail(where + "." + key, "expected a number");
    return false;
  }
  out = it->value.GetDouble();
  return true;
}

void position(Reader& r, const Value& obj, const std::string& where, double& lon, double& lat) {
  if (!obj.IsObject()) {
    r.fail(where, "expected an object with longitude and latitude");
    return;
  }
  if (!checkKeys(r, obj, where, {"longitude", "latitude"})) return;
  number(r, obj, where, "longitude", lon);
  number(r, obj, where, "latitude", lat);
}

bool parseJson(const std::string& text, Reader& r, Profile& out) {
  rapidjson::Document doc;
  if (!HAFITJsonInput::parse(text, doc, r)) return false;
  if (!doc.IsObject()) {
    r.fail("$", "expected an object");
    return false;
  }
  checkKeys(r, doc, "$", {"seufit_profile", "name", "segments"});
  const auto version = doc.FindMember("seufit_profile");
  if (version == doc.MemberEnd() || !version->value.IsInt() || version->value.GetInt() != 1)
    r.fail("$.seufit_profile", "expected format version 1");
  const auto name = doc.FindMember("name");
  if (name != doc.MemberEnd()) {
    if (name->value.IsString())
      out.name = name->value.GetString();
    else
      r.fail("$.name", "expected a string");
  }
  const auto segments = doc.FindMember("segments");
  if (segments == doc.MemberEnd() || !segments->value.IsArray()) {
    r.fail("$.segments", "expected a list of segments");
    return false;
  }
  for (rapidjson::SizeType i = 0; i < segments->value.Size(); ++i) {
    const Value& v = segments->value[i];
    const std::string where = "$.segments[" + std::to_string(i) + "]";
    if (!v.IsObject()) {
      r.fail(where, "expected an object");
      continue;
    }
    Segment s;
    s.where = where;
    if (!checkKeys(r, v, where,
                   {"name", "hours", "altitude", "unit", "longitude", "latitude", "from", "to"}))
      continue;
    const auto segName = v.FindMember("name");
    if (segName != v.MemberEnd()) {
      if (segName->value.IsString())
        s.name = segName->value.GetString();
      else
        r.fail(where + ".name", "expected a string");
    }
    number(r, v, where, "hours", s.hours);
    double altitude = 0.0;
    const bool hasAltitude = number(r, v, where, "altitude", altitude);
    const auto unit = v.FindMember("unit");
    const std::string unitText =
        unit != v.MemberEnd() && unit->value.IsString() ? unit->value.GetString() : "";
    if (hasAltitude && !toMeters(altitude, unitText, s.altitude))
      r.fail(where + ".unit", "expected \"m\" or \"ft\" and an altitude a float can hold");
    const auto from = v.FindMember("from");
    const auto to = v.FindMember("to");
    if (from != v.MemberEnd() || to != v.MemberEnd()) {
      if (from == v.MemberEnd() || to == v.MemberEnd()) {
        r.fail(where, "expected both \"from\" and \"to\" for a route leg");
        continue;
      }
      if (v.HasMember("longitude") || v.HasMember("latitude")) {
        r.fail(where,
               "expected either a place (longitude, latitude) or a route leg (from, to), "
               "not both");
        continue;
      }
      s.route = true;
      position(r, from->value, where + ".from", s.longitude, s.latitude);
      position(r, to->value, where + ".to", s.toLongitude, s.toLatitude);
    } else {
      number(r, v, where, "longitude", s.longitude);
      number(r, v, where, "latitude", s.latitude);
    }
    checkSegment(r, where, s);
    out.segments.push_back(s);
  }
  return r.errors.empty();
}

std::vector<std::string> splitFields(const std::string& line) {
  std::vector<std::string> out(1);
  for (char c : line) {
    if (c == ',')
      out.emplace_back();
    else if (c != '\r')
      out.back() += c;
  }
  for (auto& f : out) {  // surrounding blanks carry no meaning
    const size_t b = f.find_first_not_of(" \t");
    const size_t e = f.find_last_not_of(" \t");
    f = b == std::string::npos ? "" : f.substr(b, e - b + 1);
  }
  return out;
}

bool csvNumber(const std::string& text, double& out) {
  if (text.empty()) return false;
  char* end = nullptr;
  out = std::strtod(text.c_str(), &end);
  return *end == '\0' && std::isfinite(out);
}

const char* const kCsvHeader =
    "name,hours,altitude,unit,longitude,latitude,to_longitude,to_latitude";

bool parseCsv(const std::string& text, Reader& r, Profile& out) {
  std::istringstream in(text);
  std::string line;
  bool header = false;
  for (int number = 1; std::getline(in, line); ++number) {
    const std::string where = r.path + ":" + std::to_string(number) + ":1: ";
    const size_t first = line.find_first_not_of(" \t\r");
    if (first == std::string::npos || line[first] == '#') continue;
    const std::vector<std::string> f = splitFields(line);
    if (!header) {
      std::string joined;
      for (size_t i = 0; i < f.size(); ++i) joined += (i ? "," : "") + f[i];
      if (joined != kCsvHeader) {
        r.add(where + "expected the header line " + kCsvHeader);
        return false;
      }
      header = true;
      continue;
    }
    if (f.size() != 8) {
      r.add(where + "expected 8 fields, got " + std::to_string(f.size()));
      continue;
    }
    Segment s;
    s.where = "line " + std::to_string(number);
    s.name = f[0];
    double altitude = 0.0;
    bool ok = csvNumber(f[1], s.hours) && csvNumber(f[2], altitude) &&
              csvNumber(f[4], s.longitude) && csvNumber(f[5], s.latitude);
    if (!f[6].empty() || !f[7].empty()) {
      s.route = true;
      ok = ok && csvNumber(f[6], s.toLongitude) && csvNumber(f[7], s.toLatitude);
    }
    if (!ok) {
      r.add(where + "expected numbers in hours, altitude, longitude, latitude " +
            "and both or neither of to_longitude, to_latitude");
      continue;
    }
    if (!toMeters(altitude, f[3], s.altitude))
      r.add(where + "expected unit m or ft, got '" + f[3] + "'");
    checkSegment(r, "line " + std::to_string(number), s);
    out.segments.push_back(s);
  }
  if (!header) r.add(r.path + ":1:1: expected the header line " + kCsvHeader);
  return r.errors.empty();
}

struct Vec {
  double x, y, z;
};
Vec unit(double lonDeg, double latDeg) {
  const double lon = lonDeg * kPi / 180.0, lat = latDeg * kPi / 180.0;
  return {std::cos(lat) * std::cos(lon), std::cos(lat) * std::sin(lon), std::sin(lat)};
}

}  // namespace

bool parse(const std::string& text, const std::string& path, Profile& out,
           std::vector<std::string>& errors) {
  Reader r{path, errors};
  // A byte-order mark, as some editors write before UTF-8 text, is no part of the content.
  const std::string body = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? text.substr(3) : text;
  const size_t first = body.find_first_not_of(" \t\r\n");
  bool ok = first != std::string::npos && body[first] == '{' ? parseJson(body, r, out)
                                                             : parseCsv(body, r, out);
  if (ok) {
    double total = 0.0;
    for (const Segment& s : out.segments) total += s.hours;
    if (!std::isfinite(total)) {
      errors.push_back(path + ": the segments' hours add up to more than a double holds");
      ok = false;
    } else if (!(total > 0)) {
      errors.push_back(path + ": expected segments with more than 0 hours in all");
      ok = false;
    }
  }
  return ok;
}

bool read(const std::string& path, Profile& out, std::vector<std::string>& errors) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  if (!in || !(text << in.rdbuf()) || in.bad()) {
    errors.push_back(path + ": cannot read the file (" + std::strerror(errno) + ")");
    return false;
  }
  return parse(text.str(), path, out, errors);
}

Position wholeDegrees(double longitude, double latitude) {
  return {static_cast<int>(std::lround(longitude)), static_cast<int>(std::lround(latitude))};
}

bool routeSamples(double fromLongitude, double fromLatitude, double toLongitude, double toLatitude,
                  std::vector<Position>& out) {
  const Vec a = unit(fromLongitude, fromLatitude), b = unit(toLongitude, toLatitude);
  const Vec c = {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
  const double sinArc = std::sqrt(c.x * c.x + c.y * c.y + c.z * c.z);
  const double arc = std::atan2(sinArc, a.x * b.x + a.y * b.y + a.z * b.z);  // radians
  const double arcDeg = arc * 180.0 / kPi;
  if (arcDeg > 179.999999) return false;
  const size_t n = std::max<size_t>(1, static_cast<size_t>(std::ceil(arcDeg - 1e-9)));
  out.clear();
  for (size_t k = 0; k < n; ++k) {
    const double t = (static_cast<double>(k) + 0.5) / static_cast<double>(n);
    Vec p = a;
    if (sinArc > 1e-12) {  // spherical interpolation; ends that coincide need none
      const double wa = std::sin((1.0 - t) * arc) / sinArc, wb = std::sin(t * arc) / sinArc;
      p = {wa * a.x + wb * b.x, wa * a.y + wb * b.y, wa * a.z + wb * b.z};
    }
    const double lat = std::asin(std::max(-1.0, std::min(1.0, p.z))) * 180.0 / kPi;
    const double lon = std::atan2(p.y, p.x) * 180.0 / kPi;
    out.push_back(wholeDegrees(lon, lat));
  }
  return true;
}

MissionFlux weigh(const Profile& profile, HAFITMgr& mgr) {
  MissionFlux m;
  for (const Segment& s : profile.segments) {
    std::vector<Position> samples;
    if (s.route) {
      if (!routeSamples(s.longitude, s.latitude, s.toLongitude, s.toLatitude, samples))
        samples.clear();
    } else {
      samples.push_back(wholeDegrees(s.longitude, s.latitude));
    }
    SegmentFlux f;
    f.hours = s.hours;
    f.samples = samples.size();
    double sum = 0.0;
    for (const Position& p : samples) {
      const HAFITMgr::FluxPoint point = mgr.fluxAt(s.altitude, p.longitude, p.latitude);
      sum += static_cast<double>(point.flux);
      f.altitude = point.altitude;
      f.model = !*f.model || std::strcmp(f.model, point.model) == 0 ? point.model : "mixed";
    }
    f.flux = samples.empty() ? 0.0 : sum / static_cast<double>(samples.size());
    f.exposure = f.hours * f.flux;
    m.totalHours += f.hours;
    m.exposure += f.exposure;
    m.segments.push_back(f);
  }
  for (SegmentFlux& f : m.segments) f.share = m.exposure > 0 ? f.exposure / m.exposure : 0.0;
  m.meanFlux = m.totalHours > 0 ? m.exposure / m.totalHours : 0.0;
  m.flux = HAFITNumbers::narrow(m.meanFlux);
  return m;
}

}  // namespace HAFITMission
