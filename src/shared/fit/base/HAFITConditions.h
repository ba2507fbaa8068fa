// What a report computed and under which conditions: the place and its flux, the mission,
// the data records, the bits of each class, what the columns mean and what the report did
// not count. The JSON report always carries it; text and XML show it as a section when
// asked. Numbers are kept as the analysis used them, so that a reader can redo the sums.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "shared/fit/base/HAFITNotAnalysed.h"

class HCRRptDoc;

struct HAFITConditions {
  struct Rate {
    float nominal = 0.0f, ll = 0.0f, ul = 0.0f;
  };
  struct Class {
    const char* key;    // "config", "bram", "yram", "hbm"
    const char* label;  // as the summary table's rows name it
    double exposedBits;
    std::optional<Rate> rate, alpha;
  };
  struct Profile {
    std::string file, name;
    double hours = 0.0;
    long long missions = 1;
  };

  // The place: the altitude as given, its unit and what decided it, as the flux used it.
  float altitudeGiven = 0.0f;
  bool meters = true;
  enum class UnitFrom { DEFAULT, UNITS_CONSTRAINT, OPTION } unitFrom = UnitFrom::DEFAULT;
  std::string unitText;         // the constraint's text, or the option as the client names it
  float altitudeMeters = 0.0f;  // after the cap
  bool capped = false;
  int longitude = 0, latitude = 0;
  std::string model;  // "jedec", "boeing"; "profile" for a mission profile's mean
  float cutoff = 0.0f;
  float flux = 0.0f;
  std::optional<Profile> profile;

  // The mission.
  int temperature = 0;
  std::optional<float> slope, intercept, temperatureFactor;
  int devices = 1;
  float months = 0.0f;
  bool revisedPackageModel = false;

  // The device and its data.
  std::string part, device, family;
  std::string rateFile, rateDirectory;
  std::vector<Class> classes;  // those the family's report has rows for, configuration first

  std::vector<HAFITNotAnalysed::Item> notAnalysed;

  // The mission's hours: months of 730 hours, to the precision of the months.
  float missionHours() const;
  // "the device" or "all N devices together": whose figures the report gives.
  std::string whose() const;

  // What the summary's rows and columns mean: ("FIT", "failures per 10^9 hours of ..."), ...
  std::vector<std::pair<std::string, std::string>> columnMeanings() const;
  // Appends the section "Conditions" (a table of condition and value).
  void writeSection(HCRRptDoc& doc) const;
  // One JSON object.
  std::string json() const;
};
