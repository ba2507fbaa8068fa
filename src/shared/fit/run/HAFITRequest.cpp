#include "shared/fit/run/HAFITRequest.h"

#include <cctype>
#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <stdexcept>

#include "host/msg/ComMsgMgr.h"
#include "shared/fit/base/HAFITMitigation.h"

namespace {
struct Texts {
  Texts() {
    using ComMsgMgr::registerText;
    registerText("1-60", "option {1}: expected {2}, got '{3}'");
    registerText("1-68",
                 "{1}: {2} is below sea level; the flux models are made for altitudes of 0 "
                 "and above, the result is extrapolated");
    registerText("1-78", "option {1} cannot be used with {2}");
  }
} texts;

const std::vector<HAFITRun::OptionInfo> kReport = {
    {"output", "PATH", "", "Write the report into this file instead of standard output"},
    {"altitude", "X", "0", "Altitude; meters unless the design's units constraint says otherwise"},
    {"meters", "", "", "The altitude is in meters, whatever the design's units constraint says"},
    {"feet", "", "", "The altitude is in feet, whatever the design's units constraint says"},
    {"longitude", "N", "-74", "Longitude in whole degrees, -180 to 180"},
    {"latitude", "N", "40", "Latitude in whole degrees, -90 to 90"},
    {"devices", "N", "1", "Number of devices in the system, 0 to 2147483647"},
    {"months", "X", "12", "Mission length in months, at least 0"},
    {"temperature", "N", "28", "Temperature in whole degrees Celsius, -273 to 300"},
    {"revised-package-model", "", "", "Count package alpha particles without flux scaling"},
    {"xml", "", "", "Write the report as XML"},
    {"profile", "FILE", "", "Mission profile (JSON or CSV): use its time-weighted mean flux"},
    {"missions", "N", "1",
     "With --profile: the mission length is this many times the profile's hours"},
    {"max-fit", "X", "",
     "Budget: exit 3 when the nominal FIT (of all the devices together) exceeds X"},
    {"max-failures", "X", "",
     "Budget: exit 3 when the nominal expected failure count of the mission exceeds X"},
    {"mitigation", "FILE", "",
     "Derate the figures: essential bits, multi-bit residuals, scrubbing, target (JSON; see "
     "docs/mitigation.md)"},
    {"essential-fraction", "X", "",
     "Derate: the share of configuration bits that are essential, 0 to 1"},
    {"critical-fraction", "X", "",
     "Derate: the share of essential-bit upsets that are failures, 0 to 1 (default 1)"},
    {"scrub", "readback|HOURS", "",
     "Derate: upsets found by the device's readback, or by a scrub every HOURS hours"},
    {"repair-time", "X", "", "Derate: hours to repair an upset once found, at least 0 (default 0)"},
    {"target", "NAME", "",
     "Derate: hold the FIT per device against a standard's target (iec61508:sil1..sil4, "
     "iso26262:asil-b|asil-c|asil-d, arp4761:major|hazardous|catastrophic); exit 3 when "
     "exceeded"},
    {"target-share", "X", "",
     "Derate: the share of the target allotted to this device's soft errors, above 0 to 1 "
     "(default 1)"},
    {"json", "", "", "Write the report as JSON"},
    {"provenance", "", "", "Record versions, data files, checksums and every option's value"},
    {"conditions", "", "",
     "Add the section Conditions: place, unit, flux, mission, data, bits and what was not "
     "analysed (always in --json)"},
    {"by-hierarchy", "[DEPTH]", "2",
     "Break the memory down by hierarchical instance, down to DEPTH levels (default 2, 1 to "
     "4096)"},
    {"top-contributors", "N", "",
     "List the N leaf memories that contribute most FIT (1 to 100000)"},
};

const HAFITRun::OptionInfo& option(const char* name) {
  for (const HAFITRun::OptionInfo& o : kReport)
    if (std::string(name) == o.name) return o;
  throw std::logic_error(std::string("no option ") + name);
}

const std::vector<HAFITRun::OptionInfo> kPlace = {option("altitude"), option("longitude"),
                                                  option("latitude")};

const std::string kReal0 = "a finite real number of at least 0";
}  // namespace

namespace HAFITRun {

namespace Numbers {

std::optional<double> parseDouble(const std::string& text) {
  if (text.empty() || std::isspace(static_cast<unsigned char>(text[0]))) return std::nullopt;
  const char* begin = text.c_str();
  char* end = nullptr;
  errno = 0;
  const double v = std::strtod(begin, &end);
  // strtod takes "nan", "inf" and hexadecimal forms; only finite values pass.
  if (end != begin + text.size() || errno == ERANGE || !std::isfinite(v)) return std::nullopt;
  return v;
}

std::optional<float> parseFloat(const std::string& text) {
  const std::optional<double> v = parseDouble(text);
  if (!v || std::fabs(*v) > FLT_MAX) return std::nullopt;
  return static_cast<float>(*v);
}

std::optional<long long> parseInteger(const std::string& text, long long lo, long long hi) {
  if (text.empty() || std::isspace(static_cast<unsigned char>(text[0]))) return std::nullopt;
  const char* begin = text.c_str();
  char* end = nullptr;
  errno = 0;
  const long long v = std::strtoll(begin, &end, 10);
  if (end != begin + text.size() || errno == ERANGE || v < lo || v > hi) return std::nullopt;
  return v;
}

}  // namespace Numbers

void usageError(const std::string& option, const std::string& expected, const std::string& got) {
  ComMsgMgr::hostError("@1-60@%s%s%s", option, expected, got);
}

void conflict(const std::string& a, const std::string& b) {
  ComMsgMgr::hostError("@1-78@%s%s", a, b);
}

const std::vector<OptionInfo>& Request::reportOptions() { return kReport; }
const std::vector<OptionInfo>& Request::placeOptions() { return kPlace; }

const OptionInfo* Request::find(const std::string& name) {
  for (const OptionInfo& o : kReport)
    if (name == o.name) return &o;
  return nullptr;
}

bool Request::set(const std::string& name, const std::string& text) {
  const std::string option = named(name);
  given_.insert(name);
  // A whole number in [lo, hi], or a usage message with `what`.
  const auto whole = [&](long long lo, long long hi, const std::string& what) {
    const auto v = Numbers::parseInteger(text, lo, hi);
    if (!v) usageError(option, what, text);
    return v;
  };
  const auto real0 = [&]() -> std::optional<float> {
    const auto v = Numbers::parseFloat(text);
    if (v && *v >= 0) return v;
    usageError(option, kReal0, text);
    return std::nullopt;
  };
  if (name == "altitude") {
    const auto v = Numbers::parseFloat(text);
    if (!v) {
      usageError(option, "a finite real number", text);
      return false;
    }
    // Below sea level is a real place (a mine, a shore below sea level), but the flux
    // models are made for the atmosphere above it.
    if (*v < 0) ComMsgMgr::hostWarning("@1-68@%s%s", keywords ? option : "option " + option, text);
    altitude = *v;
  } else if (name == "longitude") {
    const auto v = whole(-180, 180, "a whole number of degrees from -180 to 180");
    if (!v) return false;
    longitude = static_cast<int>(*v);
  } else if (name == "latitude") {
    const auto v = whole(-90, 90, "a whole number of degrees from -90 to 90");
    if (!v) return false;
    latitude = static_cast<int>(*v);
  } else if (name == "devices") {
    const auto v = whole(0, 2147483647, "a whole number from 0 to 2147483647");
    if (!v) return false;
    devices = static_cast<int>(*v);
  } else if (name == "months") {
    const auto v = real0();
    if (!v) return false;
    months = *v;
  } else if (name == "temperature") {
    // Degrees Celsius: from absolute zero to well above any device's rating.
    const auto v = whole(-273, 300, "a whole number of degrees Celsius from -273 to 300");
    if (!v) return false;
    temperature = static_cast<int>(*v);
  } else if (name == "missions") {
    const auto v = whole(1, 1000000000, "a whole number from 1 to 1000000000");
    if (!v) return false;
    missions = *v;
  } else if (name == "max-fit" || name == "max-failures") {
    const auto v = real0();
    if (!v) return false;
    (name == "max-fit" ? maxFit : maxFailures) = v;
  } else if (name == "essential-fraction" || name == "critical-fraction") {
    const auto v = Numbers::parseDouble(text);
    if (!v || *v < 0 || *v > 1) {
      usageError(option, "a fraction from 0 to 1", text);
      return false;
    }
    (name == "essential-fraction" ? essentialFraction : criticalFraction) = v;
  } else if (name == "target-share") {
    const auto v = Numbers::parseDouble(text);
    if (!v || !(*v > 0) || *v > 1) {
      usageError(option, "a fraction above 0, at most 1", text);
      return false;
    }
    targetShare = v;
  } else if (name == "repair-time") {
    const auto v = Numbers::parseDouble(text);
    if (!v || *v < 0) {
      usageError(option, "a finite number of hours of at least 0", text);
      return false;
    }
    repairHours = v;
  } else if (name == "scrub") {
    if (text == "readback") {
      scrubReadback = true;
      scrubHours.reset();
    } else {
      const auto v = Numbers::parseDouble(text);
      if (!v || !(*v > 0)) {
        usageError(option, "readback, or a finite number of hours above 0", text);
        return false;
      }
      scrubReadback = false;
      scrubHours = v;
    }
  } else if (name == "target") {
    if (!HAFITMitigation::findTarget(text)) {
      usageError(option, "one of " + HAFITMitigation::targetNames(), text);
      return false;
    }
    target = text;
  } else if (name == "mitigation") {
    if (text.empty()) {
      usageError(option, "a file path", text);
      return false;
    }
    mitigation = text;
  } else if (name == "by-hierarchy") {
    if (text.empty()) {
      hierarchyDepth = kDefaultHierarchyDepth;
    } else {
      const auto v = whole(1, kMaxHierarchyDepth, "a depth, a whole number from 1 to 4096");
      if (!v) return false;
      hierarchyDepth = static_cast<int>(*v);
    }
  } else if (name == "top-contributors") {
    const auto v = whole(1, static_cast<long long>(kMaxContributors),
                         "a whole number from 1 to " + std::to_string(kMaxContributors));
    if (!v) return false;
    topContributors = static_cast<size_t>(*v);
  } else if (name == "file" || name == "output") {
    if (text.empty()) {
      usageError(option, "a file path", text);
      return false;
    }
    output = text;
  } else if (name == "profile") {
    profile = text;
  } else if (name == "meters" || name == "feet") {
    altitudeMeters = name == "meters";
  } else if (name == "revised-package-model") {
    revisedPackageModel = true;
  } else if (name == "xml") {
    format = Format::XML;
  } else if (name == "json") {
    format = Format::JSON;
  } else if (name == "provenance") {
    provenance = true;
  } else if (name == "conditions") {
    conditions = true;
  }
  return true;
}

std::string Request::named(const std::string& name) const {
  if (!keywords) return "--" + name;
  std::string keyword = name;
  for (char& c : keyword)
    if (c == '-') c = '_';
  return keyword;
}

namespace {
const char* const kDerating[] = {"mitigation",  "essential-fraction", "critical-fraction",
                                 "scrub",       "repair-time",        "target",
                                 "target-share"};
}  // namespace

bool Request::isDeratingOption(const std::string& name) {
  for (const char* o : kDerating)
    if (name == o) return true;
  return false;
}

bool Request::derated() const {
  for (const char* o : kDerating)
    if (given(o)) return true;
  return false;
}

bool Request::settle() {
  bool ok = true;
  // A share of no target; a file may still name one.
  if (given("target-share") && !given("target") && !given("mitigation")) {
    conflict(named("target-share"), "no " + named("target"));
    ok = false;
  }
  if (given("xml") && given("json")) {
    conflict(named("json"), named("xml"));
    ok = false;
  }
  if (given("meters") && given("feet")) {
    conflict(named("meters"), named("feet"));
    ok = false;
  }
  if (!given("profile")) {
    if (given("missions")) {
      conflict(named("missions"), "no " + named("profile"));
      ok = false;
    }
    return ok;
  }
  for (const char* place : {"altitude", "longitude", "latitude"})
    if (given(place)) {
      conflict(named(place), named("profile") + " (the profile gives the places)");
      ok = false;
    }
  if (given("missions") && given("months")) {
    conflict(named("missions"), named("months"));
    ok = false;
  }
  return ok;
}

}  // namespace HAFITRun
