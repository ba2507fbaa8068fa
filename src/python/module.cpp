// The Python module `seufit`: neutron flux, design inventories and FIT reports, with the
// figures and renderings of the command line.
#include <pybind11/eval.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <string>

#include "PyCall.h"
#include "PyDesign.h"
#include "PyFlux.h"
#include "PyRequest.h"

namespace py = pybind11;
using namespace pybind11::literals;
using seufitpy::DataDirs;
using seufitpy::Design;
using seufitpy::pathText;
using seufitpy::Report;

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


class BudgetExceeded(Error):
    """A budget (max_fit, max_failures) is exceeded: the report stands, as `report`.

    Attributes as for Error; report: the seufit.Report whose figure is above its budget.
    """

    report = None


class SeufitWarning(UserWarning):
    """A seufit warning message; the result stands. Attributes as for Error."""

    def __init__(self, text, id="", arguments=()):
        super().__init__(text)
        self.text = text
        self.id = id
        self.arguments = tuple(arguments)

    def __str__(self):
        return f"[{self.id}] {self.text}" if self.id else self.text


# The short name, for seufit.Warning; left out of `import *`, where it would hide the builtin.
Warning = SeufitWarning
__all__ = ["BudgetExceeded", "Design", "Error", "Report", "SeufitWarning", "data_check", "flux",
           "flux_profile", "load", "parts"]
)";

// Notebook helpers, written against the plain data the classes hold.
const char* const kNotebook = R"py(
import json as _json

_RECORD_COLUMNS = ("section", "class", "metric", "statistic", "value", "unit")


def _unit(metric):
    m = metric.lower()
    for word, unit in (("mtbf", "years"), ("fit", "FIT"), ("probability", "probability"),
                       ("failures", "failures"), ("bits", "bits"), ("share", "%")):
        if word in m:
            return unit
    return ""


def _split(section, label, first_heading):
    """(class, metric) of a row label."""
    if section == "Device Reliability":
        for metric in (" FIT", " MTBF"):
            if label.endswith(metric):
                return label[:-len(metric)], metric.strip()
        if label == "Device Failures":
            return "Device", "Failures"
    if section == "Derated Reliability" and ", " in label:
        cls, step = label.split(", ", 1)
        return cls, first_heading + " " + step
    if section == "Mission Probability":
        return "Device", label
    return label, ""


def _to_records(self):
    """The report's figures as tidy rows, one per number: dicts with section, class,
    metric, statistic, value and unit ("FIT", "years", "failures", ...). An "inf" MTBF
    is float("inf"); the second "Nominal" column of the summary is left out."""
    doc = _json.loads(self.render("json"))
    rows = []
    for s in doc["sections"]:
        for t in s["tables"]:
            headings = []
            for r in t["rows"]:
                cells = r["cells"]
                if cells and all(c["kind"] == "heading" for c in cells):
                    headings = [c["text"] for c in cells]
                    continue
                if not cells or cells[0]["kind"] != "text":
                    continue
                first = headings[0] if headings else ""
                cls, metric = _split(s["title"], cells[0]["text"], first)
                seen = set()
                for i, c in enumerate(cells[1:], 1):
                    statistic = headings[i] if i < len(headings) else str(i)
                    if c["kind"] == "number" and c["value"] is not None:
                        value = c["value"]
                    elif c["kind"] == "text" and c["text"] == "inf":
                        value = float("inf")
                    else:
                        continue
                    if statistic in seen:
                        continue
                    seen.add(statistic)
                    what = metric or statistic
                    rows.append({"section": s["title"], "class": cls, "metric": what,
                                 "statistic": statistic if metric else "value",
                                 "value": value, "unit": _unit(what)})
    return rows


def _frame(rows, columns, what):
    try:
        import pandas
    except ImportError as e:
        raise ImportError(what + " needs pandas (Debian: python3-pandas; pip: pandas); "
                          "the same rows come as plain dicts without it") from e
    return pandas.DataFrame(rows, columns=columns)


def _to_frame(self):
    """to_records() as a pandas DataFrame (ImportError when pandas is missing)."""
    return _frame(self.to_records(), list(_RECORD_COLUMNS), "Report.to_frame()")


def _inventory_records(self, *, by_hierarchy=None):
    """inventory() as rows: without by_hierarchy one dict per counter (counter, value);
    with it one per instance of the breakdown (path, depth, its bits, own_ bits)."""
    inv = self.inventory(by_hierarchy=by_hierarchy)
    if by_hierarchy in (None, False):
        return [{"counter": k, "value": v} for k, v in inv.items()
                if isinstance(v, (int, float)) and not isinstance(v, bool)]
    rows = []
    for h in inv["hierarchy"]:
        row = {k: v for k, v in h.items() if k != "own"}
        row.update({"own_" + k: v for k, v in h.get("own", {}).items()})
        rows.append(row)
    return rows


def _inventory_frame(self, *, by_hierarchy=None):
    """inventory_records() as a pandas DataFrame (ImportError when pandas is missing)."""
    rows = self.inventory_records(by_hierarchy=by_hierarchy)
    return _frame(rows, list(rows[0]) if rows else None, "Design.inventory_frame()")


Report.to_records = _to_records
Report.to_frame = _to_frame
Design.inventory_records = _inventory_records
Design.inventory_frame = _inventory_frame
)py";

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
  // Signatures written with Python's types: the generated ones name C++ casters.
  py::options options;
  options.disable_function_signatures();
  py::exec(kClasses, m.attr("__dict__"));
  seufitpy::setMessageClasses(m.attr("Error"), m.attr("BudgetExceeded"), m.attr("SeufitWarning"));

  m.def(
      "flux",
      [](const py::object& altitude, const py::object& longitude, const py::object& latitude,
         const DataDirs& dataDirs) {
        return seufitpy::flux(altitude, longitude, latitude, dataDirs);
      },
      "altitude_m"_a, "longitude"_a, "latitude"_a, py::kw_only(), "data_dirs"_a = py::none(),
      "flux(altitude_m: float, longitude: int, latitude: int, *, data_dirs: list[str] | None = "
      "None) -> dict\n\n"
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
      "flux_profile(path: str | os.PathLike, *, data_dirs: list[str] | None = None) -> dict\n\n"
      "Each segment's flux in a mission profile (JSON or CSV) and the time-weighted mean.\n\n"
      "Returns the dict of `seufit flux --profile PATH --json`: profile, segments (name,\n"
      "hours, samples, model, altitude_m, flux, share), total_hours, mean_flux and flux (the\n"
      "mean as the report uses it).");

  m.def(
      "data_check", [](const DataDirs& dataDirs) { return seufitpy::dataCheck(dataDirs); },
      py::kw_only(), "data_dirs"_a = py::none(),
      "data_check(*, data_dirs: list[str] | None = None) -> dict\n\n"
      "Checks the data directories as a whole, as `seufit data check` does: the XML files,\n"
      "every part of the catalogue with its library and its family's rates, the cutoff grid.\n"
      "Errors raise seufit.Error (with every error in .errors), warnings are seufit.Warning.\n"
      "Returns {\"data_dirs\": [...]}: the directories searched, the built-in one last.");

  m.def(
      "parts", [](const DataDirs& dataDirs) { return seufitpy::parts(dataDirs); }, py::kw_only(),
      "data_dirs"_a = py::none(),
      "parts(*, data_dirs: list[str] | None = None) -> list\n\n"
      "The parts of the catalogue (parts.json) in its order, as `seufit parts --json` lists\n"
      "them: a dict per part with its keys name, device, arch_id, arch_type, config_bits and\n"
      "library (None when the part has none). A missing or invalid catalogue raises\n"
      "seufit.Error.");

  m.def(
      "load",
      [](const py::object& path, const py::object& part, const py::object& top,
         const py::object& map, const py::object& siteAttribute, const DataDirs& dataDirs) {
        HDNetlistOptions o;
        o.part = optionText("part", part, o.part);
        o.top = optionText("top", top, o.top);
        o.mapFile = map.is_none() ? o.mapFile : pathText(map);
        o.siteAttribute = optionText("site_attribute", siteAttribute, o.siteAttribute);
        const bool given =
            !part.is_none() || !top.is_none() || !map.is_none() || !siteAttribute.is_none();
        return Design::load(pathText(path), o, given, dataDirs);
      },
      "path"_a, "part"_a = py::none(), "top"_a = py::none(), "map"_a = py::none(),
      "site_attribute"_a = py::none(), py::kw_only(), "data_dirs"_a = py::none(),
      "load(path: str | os.PathLike, part: str | None = None, top: str | None = None, map: str | "
      "os.PathLike | None = None, site_attribute: str | None = None, *, data_dirs: list[str] | "
      "None = None) -> Design\n\n"
      "Loads a seufit design file, or a netlist (Yosys JSON or EDIF, told by its content).\n\n"
      "A netlist needs part (a part of the data directory's parts.json); top, map (a cell\n"
      "map file) and site_attribute are optional. A design file names its own part and top:\n"
      "any of them given for one raises ValueError. Problems raise seufit.Error.\n"
      "data_dirs: the data directories to search instead of the default, for the load\n"
      "(parts and primitives) and for the design's reports unless a report names others.");

  py::class_<Report>(m, "Report",
                     "A FIT report: its figures as plain data and its renderings.\n\n"
                     "sections: [{\"title\": str, \"tables\": [{\"title\": str, \"rows\": "
                     "[[cell, ...], ...]}]}]\nwhere a cell is a str (heading or text) or a "
                     "float: the exact value behind the\nnumber shown.")
      .def("render", &Report::render, "format"_a = "text",
           "render(self, format: str = \"text\") -> str\n\n"
           "The report as `seufit report` writes it: \"text\", \"xml\" (--xml), \"json\" "
           "(--json) or \"html\" (--html: one self-contained page, its conditions always "
           "there).")
      .def_readonly("title", &Report::title, "The report's title.")
      .def_readonly("header", &Report::header,
                    "The header items of the JSON rendering: [(label, value), ...].")
      .def_readonly("provenance", &Report::provenance,
                    "With provenance=True: versions, data files, checksums and options, as\n"
                    "[(label, value), ...]; otherwise [].")
      .def_readonly("sections", &Report::sections, "Sections, tables, rows and cells.")
      .def_readonly("conditions", &Report::conditions,
                    "What the report computed and under which conditions: the \"conditions\"\n"
                    "object of the JSON rendering (place, unit, flux, mission, data, bits,\n"
                    "what was not analysed).")
      .def_readonly("mitigation", &Report::mitigation,
                    "With any derating keyword (mitigation, essential_fraction, ...): the\n"
                    "\"mitigation\" object of the JSON rendering (factors, the ladder per class,\n"
                    "device totals, mission probability, availability, target); else None.")
      .def_readonly("device_fit", &Report::deviceFit,
                    "The device's nominal FIT (every memory class summed), or None.")
      .def_readonly("device_failures", &Report::deviceFailures,
                    "The nominal device failures of the mission, or None.")
      .def("_repr_html_", &Report::reprHtml)
      .def("__repr__", [](const Report& r) {
        // What it is of and its two device figures.
        std::string out = "<seufit.Report " + py::repr(r.title).cast<std::string>();
        for (const py::handle item : r.header) {
          const std::string label = item.cast<py::tuple>()[0].cast<std::string>();
          if (label == "Design" || label == "Device")
            out += " " + py::str(item.cast<py::tuple>()[1]).cast<std::string>();
        }
        if (!r.deviceFit.is_none())
          out += ": " + py::repr(r.deviceFit).cast<std::string>() + " FIT";
        if (!r.deviceFailures.is_none())
          out += ", " + py::repr(r.deviceFailures).cast<std::string>() + " failures";
        return out + ">";
      });

  py::class_<Design, std::shared_ptr<Design>>(m, "Design",
                                              "A loaded design; made by seufit.load().")
      .def_property_readonly("path", &Design::path, "The file the design was loaded from.")
      .def("inventory", &Design::inventory, py::kw_only(), "by_hierarchy"_a = py::none(),
           "inventory(self, *, by_hierarchy: int | bool | None = None) -> dict\n\n"
           "The memory inventory a report is computed from: the dict of\n"
           "`seufit inventory DESIGN --json` (part, device, family, bramBits, ...).\n"
           "by_hierarchy (int or True for depth 2): adds \"hierarchy\", the bits by instance.")
      .def("report", &Design::report,
           (seufitpy::reportSignature() +
            "\n\nThe FIT report, with the options and defaults of `seufit report`, as "
            "keywords:\n\n" +
            seufitpy::reportKeywordsHelp() +
            "  data_dirs (list of str): the data directories to search instead of the design's.\n"
            "\nA bad value raises ValueError; a budget exceeded raises seufit.BudgetExceeded,\n"
            "which holds the report.")
               .c_str())
      .def("sweep", &Design::sweep,
           "sweep(self, *, altitude=0.0, longitude=-74, latitude=40, temperature=28, "
           "devices=1, months=12.0, revised_package_model=False, meters=False, feet=False) "
           "-> list[dict]\n\n"
           "The report's figures at every combination of altitude, longitude, latitude and\n"
           "temperature (each a number or a sequence of numbers, numpy's included), the "
           "design\nwalked once. One dict per condition, altitude outermost: the condition, "
           "altitude_m,\nmodel and flux, then config_fit, config_fit_lower, config_fit_upper "
           "(and bram_, yram_,\nhbm_ where the family reports them), device_fit, failures, "
           "failures_lower,\nfailures_upper: each the figure report() gives for that "
           "condition.")
      .def("__repr__", &Design::repr);
  py::exec(kNotebook, m.attr("__dict__"));
}
