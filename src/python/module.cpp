// The Python module `seufit`: neutron flux, design inventories and FIT reports, with the
// figures and renderings of the command line.
#include <pybind11/eval.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <string>

#include "PyCall.h"
#include "PyDesign.h"
#include "PyFlux.h"

namespace py = pybind11;
using namespace pybind11::literals;
using seufitpy::DataDirs;
using seufitpy::Design;
using seufitpy::Report;
using seufitpy::ReportChoices;

namespace {
// Message classes: plain Python, so that they pickle, compare and print as users expect.
const char* const kClasses = R"(
class Error(Exception):
    """A seufit error message: the call had no result.

    id: the message id ("1-62"); arguments (also args): the message's arguments;
    text: the message; errors: every error of the call, this one first.
    """

    def __init__(self, text, id="", arguments=()):
        super().__init__(*arguments)
        self.text = text
        self.id = id
        self.arguments = tuple(arguments)
        self.errors = [self]

    def __str__(self):
        return f"[{self.id}] {self.text}" if self.id else self.text


class Warning(UserWarning):
    """A seufit warning message; the result stands. Attributes as for Error."""

    def __init__(self, text, id="", arguments=()):
        super().__init__(text)
        self.text = text
        self.id = id
        self.arguments = tuple(arguments)

    def __str__(self):
        return f"[{self.id}] {self.text}" if self.id else self.text
)";

// A path as str or os.PathLike; TypeError for anything else.
std::string pathText(const py::object& path) {
  const py::object p = py::module_::import("os").attr("fspath")(path);
  if (!py::isinstance<py::str>(p)) throw py::type_error("path: expected str or os.PathLike of str");
  std::string text = p.cast<std::string>();
  // As open() does: a NUL would cut the name short and name another file.
  if (text.find('\0') != std::string::npos) throw py::value_error("path: embedded null byte");
  return text;
}

std::string optionText(const char* name, const py::object& value, const std::string& fallback) {
  if (value.is_none()) return fallback;
  if (!py::isinstance<py::str>(value)) throw py::type_error(std::string(name) + ": expected str");
  return value.cast<std::string>();
}
}  // namespace

PYBIND11_MODULE(seufit, m) {
  m.doc() =
      "Soft-error reliability (FIT and MTBF) reports for placed FPGA designs.\n\n"
      "Every call tells its warnings as seufit.Warning and fails with seufit.Error; nothing "
      "is printed.";
  m.attr("__version__") = SEUFIT_VERSION;
  py::exec(kClasses, m.attr("__dict__"));
  seufitpy::setMessageClasses(m.attr("Error"), m.attr("Warning"));

  m.def(
      "flux",
      [](double altitude, int longitude, int latitude, const DataDirs& dataDirs) {
        return seufitpy::flux(altitude, longitude, latitude, dataDirs);
      },
      "altitude_m"_a, "longitude"_a, "latitude"_a, py::kw_only(), "data_dirs"_a = py::none(),
      "The relative neutron flux at a place (New York at sea level is about 1).\n\n"
      "altitude_m in meters (capped at 24384), longitude -180..180 and latitude -90..90 in\n"
      "whole degrees; data_dirs: the data directories to search instead of the default.\n"
      "Returns the dict of `seufit flux --json`: altitude_m (after the cap), longitude,\n"
      "latitude, model (\"jedec\" or \"boeing\"), rigidity_cutoff (GV) and flux.");

  m.def(
      "flux_profile",
      [](const py::object& path, const DataDirs& dataDirs) {
        return seufitpy::fluxProfile(pathText(path), dataDirs);
      },
      "path"_a, py::kw_only(), "data_dirs"_a = py::none(),
      "Each segment's flux in a mission profile (JSON or CSV) and the time-weighted mean.\n\n"
      "Returns the dict of `seufit flux --profile PATH --json`: profile, segments (name,\n"
      "hours, samples, model, altitude_m, flux, share), total_hours, mean_flux and flux (the\n"
      "mean as the report uses it).");

  m.def(
      "load",
      [](const py::object& path, const py::object& part, const py::object& top,
         const py::object& map, const py::object& siteAttribute) {
        HDNetlistOptions o;
        o.part = optionText("part", part, o.part);
        o.top = optionText("top", top, o.top);
        o.mapFile = map.is_none() ? o.mapFile : pathText(map);
        o.siteAttribute = optionText("site_attribute", siteAttribute, o.siteAttribute);
        const bool given =
            !part.is_none() || !top.is_none() || !map.is_none() || !siteAttribute.is_none();
        return Design::load(pathText(path), o, given);
      },
      "path"_a, "part"_a = py::none(), "top"_a = py::none(), "map"_a = py::none(),
      "site_attribute"_a = py::none(),
      "Loads a seufit design file, or a netlist (Yosys JSON or EDIF, told by its content).\n\n"
      "A netlist needs part (a part of the data directory's parts.json); top, map (a cell\n"
      "map file) and site_attribute are optional. A design file names its own part and top:\n"
      "any of them given for one raises ValueError. Problems raise seufit.Error.");

  py::class_<Report>(m, "Report",
                     "A FIT report: its figures as plain data and its renderings.\n\n"
                     "sections: [{\"title\": str, \"tables\": [{\"title\": str, \"rows\": "
                     "[[cell, ...], ...]}]}]\nwhere a cell is a str (heading or text) or a "
                     "float: the exact value behind the\nnumber shown.")
      .def("render", &Report::render, "format"_a = "text",
           "The report as `seufit report` writes it: \"text\", \"xml\" (--xml) or \"json\" "
           "(--json).")
      .def_readonly("title", &Report::title, "The report's title.")
      .def_readonly("header", &Report::header,
                    "The header items of the JSON rendering: [(label, value), ...].")
      .def_readonly("sections", &Report::sections, "Sections, tables, rows and cells.")
      .def_readonly("device_fit", &Report::deviceFit,
                    "The device's nominal FIT (every memory class summed), or None.")
      .def_readonly("device_failures", &Report::deviceFailures,
                    "The nominal device failures of the mission, or None.")
      .def("__repr__", [](const Report& r) {
        return "<seufit.Report " + py::repr(r.title).cast<std::string>() + ">";
      });

  py::class_<Design, std::shared_ptr<Design>>(m, "Design",
                                              "A loaded design; made by seufit.load().")
      .def_property_readonly("path", &Design::path, "The file the design was loaded from.")
      .def("inventory", &Design::inventory,
           "The memory inventory a report is computed from: the dict of\n"
           "`seufit inventory DESIGN --json` (part, device, family, bramBits, ...).")
      .def(
          "report",
          [](Design& d, double altitude, int longitude, int latitude, long long devices,
             double months, int temperature, bool revised, const DataDirs& dataDirs) {
            return d.report(ReportChoices{altitude, longitude, latitude, devices, months,
                                          temperature, revised, dataDirs});
          },
          py::kw_only(), "altitude"_a = 0.0, "longitude"_a = -74, "latitude"_a = 40,
          "devices"_a = 1, "months"_a = 12.0, "temperature"_a = 28,
          "revised_package_model"_a = false, "data_dirs"_a = py::none(),
          "The FIT report, with the options and defaults of `seufit report`.\n\n"
          "altitude: meters unless the design's units constraint says otherwise; longitude\n"
          "-180..180 and latitude -90..90 in whole degrees; devices 0..2147483647; months >= 0;\n"
          "temperature -273..300 (degrees Celsius); revised_package_model: alpha particles\n"
          "from the package without flux scaling; data_dirs: the data directories to search.")
      .def("__repr__", &Design::repr);
}
