// A loaded design as Python sees it: its inventory and its reports, run through the
// analysis library's run API as the command line's are.
#pragma once

#include <pybind11/pybind11.h>

#include <memory>
#include <string>

#include "PyRequest.h"
#include "shared/fit/run/HAFITRun.h"

namespace seufitpy {

// One report in every form, rendered from one analysis.
class Design;
// The HTML renderings of a report, made when first asked for: a page costs a chart and a
// document of its own, which most reports are never shown in.
struct ReportPages {
  std::shared_ptr<Design> design;  // keeps the database the analysis reads alive
  std::shared_ptr<HAFITRun::Report> run;
  std::string command;
  HAFITRun::Request request;
  HAFITRun::Mission mission;
  bool figures = false;
  std::optional<std::string> page, fragment;
  const std::string& get(bool fragmentOnly);
};

struct Report {
  std::string text, xml, json;
  std::shared_ptr<ReportPages> pages;
  pybind11::object title, header, provenance, sections, conditions, mitigation;
  pybind11::object deviceFit, deviceFailures;  // None when the report has no such figure
  // "text", "xml", "json" or "html"; ValueError otherwise.
  const std::string& render(const std::string& format) const;
  // The page's body, with its style: for a notebook.
  const std::string& reprHtml() const { return pages->get(true); }
};

class Design : public std::enable_shared_from_this<Design> {
 public:
  // Raises seufit.Error (the load's problems) or ValueError (netlist options for a design
  // file). The data directories are those of the design's reports unless they name others.
  static std::shared_ptr<Design> load(const std::string& path, const HDNetlistOptions& options,
                                      bool optionsGiven, const DataDirs& dataDirs);

  // The keys and values of `seufit inventory DESIGN --json [--by-hierarchy DEPTH]`.
  pybind11::dict inventory(const pybind11::object& byHierarchy);
  // The options of `seufit report` as keywords; a budget exceeded raises
  // seufit.BudgetExceeded holding the report.
  pybind11::object report(const pybind11::kwargs& options);
  // The figures of every combination of altitude, longitude, latitude and temperature
  // (each a number or a sequence of them), the design walked once: a list of dicts.
  pybind11::list sweep(const pybind11::kwargs& options);

  const std::string& path() const { return design_.path; }
  const DataDirs& dataDirs() const { return dataDirs_; }
  std::string repr() const;

 private:
  Design() = default;

  HAFITRun::Design design_;
  DataDirs dataDirs_;
};

}  // namespace seufitpy
