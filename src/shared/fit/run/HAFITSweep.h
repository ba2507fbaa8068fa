// What-if sweeps: a report's figures under every combination of places and temperatures,
// the design walked once. Each record's figures are those a report of that condition gives,
// to the last digit: the device summary is written for each condition by the same writers.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "shared/fit/run/HAFITRun.h"

namespace HAFITRun {

// The values of each swept option, as text (each checked as the option's own value).
struct SweepAxes {
  std::vector<std::string> altitude{"0"}, longitude{"-74"}, latitude{"40"}, temperature{"28"};
};

struct SweepRecord {
  float altitude;  // as given, in the request's unit
  int longitude, latitude, temperature;
  float altitudeMeters;  // after the cap
  const char* model;     // "jedec" or "boeing"
  float flux;
};

struct SweepResult {
  // The figures of each record: per class "config_fit", "config_fit_lower",
  // "config_fit_upper" (and bram, yram, hbm where the family reports them), "device_fit",
  // then "failures", "failures_lower", "failures_upper" when the report has them.
  std::vector<std::string> columns;
  std::vector<SweepRecord> records;
  // The figures of record i: columns.size() values from values[i * columns.size()].
  std::vector<double> values;
  const double* valuesOf(size_t i) const { return values.data() + i * columns.size(); }
};

// At most this many conditions in one sweep.
constexpr size_t kMaxSweep = 10000000;

// "A", "A,B,C" or "START:STOP:STEP" (STOP included when a step reaches it) as the texts of
// the values; false after a usage message naming `option`.
bool expandRange(const std::string& option, const std::string& text, bool whole,
                 std::vector<std::string>& out);

// The figures of `request` (its place and temperature replaced by each combination of
// `axes`, altitude outermost) on a loaded design: USAGE for a bad value or too many
// conditions, NO_RESULT when no report could be made; messages are sent once.
Status sweep(Design& design, const Request& request, const SweepAxes& axes, SweepResult& out);

}  // namespace HAFITRun
