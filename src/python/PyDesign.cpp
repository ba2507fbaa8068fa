#include "PyDesign.h"

#include <pybind11/stl.h>

#include <charconv>
#include <cstdlib>
#include <sstream>
#include <utility>
#include <vector>

#include "PyCall.h"
#include "PyRequest.h"
#include "host/design/HDLoad.h"
#include "host/str/HSTJson.h"
#include "host/str/HSTStrUtils.h"
#include "page/PageFigures.h"
#include "shared/fit/run/HAFITSweep.h"

namespace py = pybind11;

namespace seufitpy {
namespace {
const HDNetlistOptions kDefaultNetlist;

// The JSON rendering's sections as plain data: tables of rows of cell values, text as
// str and numbers as the exact float the document holds.
py::list sectionsOf(const py::handle& doc) {
  py::list sections;
  for (const py::handle s : doc["sections"]) {
    py::list tables;
    for (const py::handle t : s["tables"]) {
      py::list rows;
      for (const py::handle r : t["rows"]) {
        py::list cells;
        for (const py::handle c : r["cells"]) {
          const bool number = c["kind"].cast<std::string>() == "number";
          cells.append(number && !c["value"].is_none() ? py::object(py::float_(c["value"]))
                                                       : py::object(c["text"]));
        }
        rows.append(cells);
      }
      py::dict table;
      table["title"] = t["title"];
      table["rows"] = rows;
      tables.append(table);
    }
    py::dict section;
    section["title"] = s["title"];
    section["tables"] = tables;
    sections.append(section);
  }
  return sections;
}

py::dict bitsOf(const HAFITHierarchy::Bits& b) {
  py::dict d;
  d["bramBits"] = py::int_(py::str(HAFITHierarchy::toString(b.bram)));
  d["yramBits"] = py::int_(py::str(HAFITHierarchy::toString(b.yram)));
  // As the command line prints it: a whole number of bits reads back as an int.
  d["hbmBits"] = py::module_::import("json").attr("loads")(HSTJson::number(b.hbm));
  return d;
}
}  // namespace

const std::string& Report::render(const std::string& format) const {
  if (format == "text") return text;
  if (format == "xml") return xml;
  if (format == "json") return json;
  if (format == "html") return pages->get(false);
  throw py::value_error("format: expected \"text\", \"xml\", \"json\" or \"html\", got \"" +
                        format + "\"");
}

std::shared_ptr<Design> Design::load(const std::string& path, const HDNetlistOptions& options,
                                     bool optionsGiven, const DataDirs& dataDirs) {
  PyCall call(dataDirs);
  std::shared_ptr<Design> d(new Design);
  d->dataDirs_ = dataDirs;
  std::string error;
  if (optionsGiven) {
    std::unique_ptr<HDInput> input = HDInput::open(path, error);
    if (input && !HDLoad::detect(input->head()).netlist) {
      call.finish();
      throw py::value_error(path +
                            ": part, top, map and site_attribute are for netlists; this is a "
                            "seufit design file, which names its own part and top");
    }
  }
  if (HAFITRun::load(path, options, optionsGiven, d->design_) != HAFITRun::OK)
    call.fail(path + ": the design could not be loaded");
  call.finish();
  return d;
}

py::dict Design::inventory(const py::object& byHierarchy) {
  HAFITRun::Request request;
  request.keywords = true;
  const auto depth = optionText(*HAFITRun::Request::find("by-hierarchy"), byHierarchy);
  PyCall call(dataDirs_);
  if (depth && !request.set("by-hierarchy", *depth)) call.failUsage();
  HAFITRun::Inventory inv;
  if (HAFITRun::inventory(design_, request.hierarchyDepth, inv) != HAFITRun::OK)
    call.fail(path() + ": no inventory was made");
  call.finish();

  const py::object loads = py::module_::import("json").attr("loads");
  py::dict d;
  for (const HAFITRun::InventoryField& f : inv.fields) d[f.key] = loads(f.json);
  if (request.hierarchyDepth >= 0) {
    py::list rows;
    for (const HAFITHierarchy::Row& r : inv.rows) {
      py::dict row;
      row["path"] = r.path;
      row["depth"] = r.depth;
      for (const auto& item : bitsOf(r.bits)) row[item.first] = item.second;
      row["own"] = bitsOf(r.own);
      rows.append(row);
    }
    d["hierarchy"] = rows;
  }
  return d;
}

py::object Design::report(const py::kwargs& options) {
  HAFITRun::Request request;
  request.keywords = true;
  request.design = design_.path;
  request.netlist = design_.netlist;
  request.netlistGiven = design_.netlistGiven;
  DataDirs dataDirs = dataDirs_;
  // The options given, in the caller's order: the command line that writes the same report.
  std::vector<std::pair<const HAFITRun::OptionInfo*, std::string>> given;
  for (const auto& item : options) {
    const std::string keyword = py::str(item.first).cast<std::string>();
    if (keyword == "data_dirs") {
      if (item.second.is_none()) continue;
      try {
        dataDirs = item.second.cast<std::vector<std::string>>();
      } catch (const py::cast_error&) {
        throw py::type_error("data_dirs: expected a list of str");
      }
      continue;
    }
    std::string name = keyword;
    for (char& c : name)
      if (c == '_') c = '-';
    const HAFITRun::OptionInfo* info = HAFITRun::Request::find(name);
    if (!info || !isReportKeyword(name) || keyword != keywordOf(info->name))
      throw py::type_error("report() got an unexpected keyword argument '" + keyword + "'");
    if (auto text = optionText(*info, item.second)) given.emplace_back(info, std::move(*text));
  }
  const auto& table = HAFITRun::Request::reportOptions();

  PyCall call(dataDirs);
  bool ok = true;
  for (const auto& g : given) ok = request.set(g.first->name, g.second) && ok;
  if (!(request.settle() && ok)) call.failUsage();

  std::vector<std::string> argv = {"seufit", "report", design_.path};
  const auto add = [&argv](const std::string& option, const std::string& value) {
    argv.push_back(option);
    argv.push_back(value);
  };
  if (!design_.netlist.part.empty()) add("--part", design_.netlist.part);
  if (!design_.netlist.top.empty()) add("--top", design_.netlist.top);
  if (!design_.netlist.mapFile.empty()) add("--map", design_.netlist.mapFile);
  if (design_.netlist.siteAttribute != kDefaultNetlist.siteAttribute)
    add("--site-attribute", design_.netlist.siteAttribute);
  for (const auto& g : given) {
    argv.push_back(std::string("--") + g.first->name);
    if (*g.first->type && !g.second.empty()) argv.push_back(g.second);
  }
  if (dataDirs)
    for (const std::string& dir : *dataDirs) add("--data-dir", dir);
  if (request.provenance) {
    for (const HAFITRun::OptionInfo& o : table) {
      if (!isReportKeyword(o.name)) continue;
      std::string value = !*o.type ? (request.given(o.name) ? "on" : "off") : o.defaultText;
      for (const auto& g : given)
        if (g.first == &o && *o.type) value = g.second.empty() ? o.defaultText : g.second;
      request.optionItems.emplace_back(std::string("Option --") + o.name, value);
    }
  }

  HAFITRun::Mission mission;
  if (HAFITRun::prepareMission(request, mission) != HAFITRun::OK)
    call.fail(request.profile + ": the mission profile was refused");
  HAFITRun::Report report = HAFITRun::analyse(design_, request, mission);
  if (report.status != HAFITRun::OK) call.fail("no report was written");

  Report out;
  const struct {
    HAFITRun::Format format;
    const char* flag;
    std::string* text;
  } forms[] = {{HAFITRun::Format::TEXT, nullptr, &out.text},
               {HAFITRun::Format::XML, "--xml", &out.xml},
               {HAFITRun::Format::JSON, "--json", &out.json}};
  for (const auto& form : forms) {
    std::vector<std::string> command = argv;
    if (form.flag) command.emplace_back(form.flag);
    std::ostringstream os;
    report.render(os, form.format, HSTStrUtils::shellQuote(command));
    *form.text = os.str();
  }
  const py::object doc = py::module_::import("json").attr("loads")(out.json);
  out.title = doc["title"];
  py::list header;
  for (const py::handle item : doc["header"])
    header.append(py::make_tuple(item["label"], item["value"]));
  out.header = header;
  py::list provenance;
  if (doc.contains("provenance"))
    for (const py::handle item : doc["provenance"])
      provenance.append(py::make_tuple(item["label"], item["value"]));
  out.provenance = provenance;
  out.sections = sectionsOf(doc);
  out.conditions = doc.contains("conditions") ? py::object(doc["conditions"]) : py::none();
  out.mitigation = doc.contains("mitigation") ? py::object(doc["mitigation"]) : py::none();
  const HAFITMgr::ReportFigures& f = report.figures;
  out.deviceFit = f.hasFit ? py::object(printedValue(f.deviceFit)) : py::none();
  out.deviceFailures = f.hasFailures ? py::object(printedValue(f.deviceFailures)) : py::none();
  auto run = std::make_shared<HAFITRun::Report>(std::move(report));
  std::vector<std::string> command = argv;
  command.emplace_back("--html");
  out.pages = std::make_shared<ReportPages>();
  out.pages->design = shared_from_this();
  out.pages->run = run;
  out.pages->command = HSTStrUtils::shellQuote(command);
  out.pages->request = request;
  out.pages->mission = mission;
  py::object result = py::cast(std::move(out));
  HAFITRun::finish(*run, request);
  call.finish(result);
  return result;
}

const std::string& ReportPages::get(bool fragmentOnly) {
  std::optional<std::string>& text = fragmentOnly ? fragment : page;
  if (text) return *text;
  // What the report told was told when it was made.
  PyCall call(design->dataDirs());
  call.forgetFromHere();
  if (!figures) {
    Page::addFigures(*run, request, mission);  // as the command line's page has them
    figures = true;
  }
  std::ostringstream os;
  run->render(os, fragmentOnly ? HAFITRun::Format::HTML_FRAGMENT : HAFITRun::Format::HTML, command);
  call.finish(false);
  text = os.str();
  return *text;
}

namespace {
// One swept value as the option's text: whole numbers for N (numpy's too), reals for X.
std::string sweepValue(const char* keyword, bool whole, const py::handle& v) {
  const bool number = !py::isinstance<py::bool_>(v) && !py::isinstance<py::str>(v) &&
                      py::hasattr(v, whole ? "__index__" : "__float__");
  if (!number)
    throw py::type_error(std::string(keyword) + ": expected " + (whole ? "int" : "float") +
                         " or a sequence of them, got " +
                         py::str(py::type::of(v).attr("__name__")).cast<std::string>());
  if (whole) return py::str(v.attr("__index__")()).cast<std::string>();
  return py::repr(py::float_(v.attr("__float__")())).cast<std::string>();
}

std::vector<std::string> sweepValues(const char* keyword, bool whole, const py::handle& v) {
  std::vector<std::string> out;
  if (py::isinstance<py::str>(v) || !py::hasattr(v, "__iter__")) {
    out.push_back(sweepValue(keyword, whole, v));
    return out;
  }
  for (const py::handle item : v) out.push_back(sweepValue(keyword, whole, item));
  return out;
}
}  // namespace

py::list Design::sweep(const py::kwargs& options) {
  HAFITRun::Request request;
  request.keywords = true;
  HAFITRun::SweepAxes axes;
  std::vector<std::pair<std::string, std::string>> given;
  static const char* const kOthers[] = {"devices", "months", "revised-package-model", "meters",
                                        "feet"};
  for (const auto& item : options) {
    const std::string keyword = py::str(item.first).cast<std::string>();
    if (keyword == "altitude") {
      axes.altitude = sweepValues("altitude", false, item.second);
    } else if (keyword == "longitude") {
      axes.longitude = sweepValues("longitude", true, item.second);
    } else if (keyword == "latitude") {
      axes.latitude = sweepValues("latitude", true, item.second);
    } else if (keyword == "temperature") {
      axes.temperature = sweepValues("temperature", true, item.second);
    } else {
      const HAFITRun::OptionInfo* info = nullptr;
      for (const char* name : kOthers)
        if (keyword == keywordOf(name)) info = HAFITRun::Request::find(name);
      if (!info)
        throw py::type_error("sweep() got an unexpected keyword argument '" + keyword + "'");
      if (auto text = optionText(*info, item.second)) given.emplace_back(info->name, *text);
    }
  }
  PyCall call(dataDirs_);
  bool ok = true;
  for (const auto& g : given) ok = request.set(g.first, g.second) && ok;
  if (!(request.settle() && ok)) call.failUsage();
  HAFITRun::SweepResult result;
  const HAFITRun::Status status = HAFITRun::sweep(design_, request, axes, result);
  if (status == HAFITRun::USAGE) call.failUsage();
  if (status != HAFITRun::OK) call.fail("no figures were made");
  call.finish();

  std::vector<py::str> names;
  for (const char* c :
       {"altitude", "longitude", "latitude", "temperature", "altitude_m", "model", "flux"})
    names.emplace_back(c);
  for (const std::string& c : result.columns) names.emplace_back(c);
  // Hundreds of thousands of records: built with the C API, the values of one place shared.
  const auto f32 = [](float x) {  // a float as the double a reader of its shortest text gets
    char buf[32];
    *std::to_chars(buf, buf + sizeof buf - 1, x).ptr = '\0';
    return py::float_(std::strtod(buf, nullptr));
  };
  const auto set = [](PyObject* d, const py::str& key, PyObject* value) {
    if (!value || PyDict_SetItem(d, key.ptr(), value) != 0) throw py::error_already_set();
  };
  py::list records(result.records.size());
  py::object altitude, longitude, latitude, meters, model, flux;
  for (size_t i = 0; i < result.records.size(); ++i) {
    const HAFITRun::SweepRecord& r = result.records[i];
    const HAFITRun::SweepRecord* before = i ? &result.records[i - 1] : nullptr;
    if (!before || before->altitude != r.altitude || before->longitude != r.longitude ||
        before->latitude != r.latitude) {
      altitude = f32(r.altitude);
      longitude = py::int_(r.longitude);
      latitude = py::int_(r.latitude);
      meters = f32(r.altitudeMeters);
      model = py::str(r.model);
      flux = f32(r.flux);
    }
    py::dict d;
    set(d.ptr(), names[0], altitude.ptr());
    set(d.ptr(), names[1], longitude.ptr());
    set(d.ptr(), names[2], latitude.ptr());
    set(d.ptr(), names[3], py::int_(r.temperature).ptr());
    set(d.ptr(), names[4], meters.ptr());
    set(d.ptr(), names[5], model.ptr());
    set(d.ptr(), names[6], flux.ptr());
    const double* values = result.valuesOf(i);
    for (size_t c = 0; c < result.columns.size(); ++c)
      set(d.ptr(), names[7 + c],
          py::reinterpret_steal<py::object>(PyFloat_FromDouble(values[c])).ptr());
    records[i] = std::move(d);
  }
  return records;
}

std::string Design::repr() const {
  const HDARPart* part = design_.db->getPart();
  return "<seufit.Design " + HSTJson::quote(design_.path) + " part " +
         HSTJson::quote(part ? part->getName() : std::string()) + ">";
}

}  // namespace seufitpy
