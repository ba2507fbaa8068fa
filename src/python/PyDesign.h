// A loaded design as Python sees it: its inventory and its reports.
#pragma once

#include <pybind11/pybind11.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/design/db/HDesign.h"
#include "host/design/load/HDNetlistOptions.h"

namespace seufitpy {

using DataDirs = std::optional<std::vector<std::string>>;

// The choices of a report, with the command line's defaults.
struct ReportChoices {
  double altitude = 0.0;
  int longitude = -74;
  int latitude = 40;
  long long devices = 1;
  double months = 12.0;
  int temperature = 28;
  bool revisedPackageModel = false;
  DataDirs dataDirs;
};

// One report in every form, rendered at once so that all forms hold the same figures.
struct Report {
  std::string text, xml, json;
  pybind11::object title, header, sections;
  pybind11::object deviceFit, deviceFailures;  // None when the report has no such figure
  // "text", "xml" or "json"; ValueError otherwise.
  const std::string& render(const std::string& format) const;
};

class Design {
 public:
  // Raises seufit.Error (the load's problems) or ValueError (netlist options for a design file).
  static std::shared_ptr<Design> load(const std::string& path, const HDNetlistOptions& options,
                                      bool optionsGiven);

  // The keys and values of `seufit inventory DESIGN --json`.
  pybind11::dict inventory();
  Report report(const ReportChoices& choices);

  const std::string& path() const { return path_; }
  std::string repr() const;

 private:
  Design() = default;
  // The command line that writes the same report in `format` ("", "--xml", "--json").
  std::string command(const ReportChoices& c, const std::string& format) const;

  std::string path_;
  HDNetlistOptions options_;
  std::unique_ptr<HFLFloorplan> design_;
};

}  // namespace seufitpy
