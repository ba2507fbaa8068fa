#include "PyDesign.h"

#include <cfloat>
#include <exception>
#include <stdexcept>

#include "PyCall.h"
#include "cli/CliDataCheck.h"
#include "cli/CliDesignCheck.h"
#include "cli/CliOptions.h"
#include "host/design/HDLoad.h"
#include "host/str/HSTJson.h"
#include "shared/fit/base/HAFITFloorplan.h"
#include "shared/fit/base/HAFITMgr.h"
#include "shared/fit/base/HAFITReport.h"
#include "shared/fit/parser/HAFITDetectMgr.h"
#include "shared/fit/parser/HAFITNumbers.h"
#include "shared/fit/parser/HAFITRCMgr.h"
#include "shared/fit/parser/HAFITSERMgr.h"

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
}  // namespace

const std::string& Report::render(const std::string& format) const {
  if (format == "text") return text;
  if (format == "xml") return xml;
  if (format == "json") return json;
  throw py::value_error("format: expected \"text\", \"xml\" or \"json\", got \"" + format + "\"");
}

std::shared_ptr<Design> Design::load(const std::string& path, const HDNetlistOptions& options,
                                     bool optionsGiven) {
  PyCall call(std::nullopt);
  std::shared_ptr<Design> d(new Design);
  d->path_ = path;
  d->options_ = options;
  std::vector<HDLoadProblem> problems;
  std::string error;
  std::unique_ptr<HDInput> input = HDInput::open(path, error);
  if (input && optionsGiven && !HDLoad::detect(input->head()).netlist) {
    call.finish();
    throw py::value_error(path +
                          ": part, top, map and site_attribute are for netlists; this is a "
                          "seufit design file, which names its own part and top");
  }
  d->design_ = input ? HDLoad::load(*input, {options, optionsGiven}, problems)
                     : HDLoad::load(path, {options, optionsGiven}, problems);
  if (!d->design_) {
    HDLoad::report(problems);
    call.fail(path + ": the design could not be loaded");
  }
  call.finish();
  return d;
}

py::dict Design::inventory() {
  PyCall call(std::nullopt);
  if (!checkDesignValues(*design_, false)) call.fail(path_ + ": the design has invalid values");
  std::unique_ptr<HAFITFloorplan> fp(HAFITFloorplan::createOrRefuse(design_.get()));
  if (!fp) call.fail(path_ + ": the device is not supported");
  try {
    fp->traverseCellview(design_->getNetlist()->getTopCellview());
  } catch (const std::exception& e) {
    ComMsgMgr::hostError("@1-62@%s%s", path_, std::string(e.what()));
    call.fail(path_ + ": the design cannot be analysed");
  }
  warnSaturatedTotals(fp->saturatedTotals());
  call.finish();

  const HDARPart* part = design_->getPart();
  py::dict d;
  d["part"] = part ? part->getName() : std::string();
  d["device"] = part ? part->getPlaceArch()->getDeviceName() : std::string();
  d["family"] = fp->familyName() ? fp->familyName() : "";
  d["bramBits"] = fp->getBramBits();
  d["bramCount"] = fp->getBramCount();
  d["ramb18TdpCount"] = fp->getRamb18TdpCount();
  d["ramb18SdpCount"] = fp->getRamb18SdpCount();
  d["ramb36TdpCount"] = fp->getRamb36TdpCount();
  d["ramb36SdpCount"] = fp->getRamb36SdpCount();
  d["fifo18Count"] = fp->getFifo18Count();
  d["fifo18_36Count"] = fp->getFifo18_36Count();
  d["fifo36Count"] = fp->getFifo36Count();
  d["fifo36_72Count"] = fp->getFifo36_72Count();
  d["ramb36CascadeCount"] = fp->getRamb36CascadeCount();
  d["yramCount"] = py::float_(fp->getYramCount());
  d["yramUnprotectedBits"] = py::float_(fp->getYramUnprotectedBits());
  d["hbmStackCount"] = py::float_(fp->getHbmStackCount());
  d["hbmProtectedBits"] = py::float_(fp->getHbmProtectedBits());
  d["hbmUnprotectedBits"] = py::float_(fp->getHbmUnprotectedBits());
  return d;
}

std::string Design::command(const ReportChoices& c, const std::string& format) const {
  std::vector<std::string> argv = {"seufit", "report", path_};
  auto add = [&argv](const std::string& option, const std::string& value) {
    argv.push_back(option);
    argv.push_back(value);
  };
  if (!options_.part.empty()) add("--part", options_.part);
  if (!options_.top.empty()) add("--top", options_.top);
  if (!options_.mapFile.empty()) add("--map", options_.mapFile);
  if (options_.siteAttribute != kDefaultNetlist.siteAttribute)
    add("--site-attribute", options_.siteAttribute);
  const ReportChoices defaults;
  if (c.altitude != defaults.altitude)
    add("--altitude", HSTJson::number(static_cast<float>(c.altitude)));
  if (c.longitude != defaults.longitude) add("--longitude", std::to_string(c.longitude));
  if (c.latitude != defaults.latitude) add("--latitude", std::to_string(c.latitude));
  if (c.devices != defaults.devices) add("--devices", std::to_string(c.devices));
  if (c.months != defaults.months) add("--months", HSTJson::number(static_cast<float>(c.months)));
  if (c.temperature != defaults.temperature) add("--temperature", std::to_string(c.temperature));
  if (c.revisedPackageModel) argv.emplace_back("--revised-package-model");
  if (c.dataDirs)
    for (const std::string& dir : *c.dataDirs) add("--data-dir", dir);
  if (!format.empty()) argv.push_back(format);
  return shellQuoteCommand(argv);
}

Report Design::report(const ReportChoices& c) {
  const float altitude = checkedFloat("altitude", c.altitude, -DBL_MAX);
  checkRange("longitude", c.longitude, -180, 180, "a whole number of degrees");
  checkRange("latitude", c.latitude, -90, 90, "a whole number of degrees");
  checkRange("devices", c.devices, 0, 2147483647, "a whole number");
  const float months = checkedFloat("months", c.months, 0.0);
  checkRange("temperature", c.temperature, -273, 300, "a whole number of degrees Celsius");

  PyCall call(c.dataDirs);
  if (altitude < 0)
    ComMsgMgr::hostWarning("@1-68@%s%s", std::string("altitude"), HSTJson::number(altitude));
  if (!checkDesignValues(*design_, true)) call.fail(path_ + ": the design has invalid values");
  HAFITMgr* mgr = HAFITMgr::getGlobal();
  if (!mgr->getSERMgr() || !mgr->getDetectMgr() || !mgr->getRCMgr() ||
      !mgr->getSERMgr()->lastError().empty() || !mgr->getDetectMgr()->lastError().empty() ||
      !mgr->getRCMgr()->lastError().empty())
    call.fail("the data files could not be read; no report was written");
  const std::string key = HAFITSERMgr::familyKey(design_.get());
  const HAFITSERMgr::FamilyCheck data = mgr->getSERMgr()->checkFamily(key);
  if (!data.nonFinite.empty()) {
    ComMsgMgr::hostError("@1-64@%s%s%s", std::string("fit/SoftErrorRate.xml"), key, data.nonFinite);
    call.fail("no report was written");
  }
  if (data.empty) ComMsgMgr::hostWarning("@1-61@%s%s", key, std::string("fit/SoftErrorRate.xml"));
  warnRateData(*design_);

  HAFITMgr::ReportRequest request;
  request.altitude = altitude;
  request.longitude = c.longitude;
  request.latitude = c.latitude;
  request.devices = static_cast<int>(c.devices);
  request.months = months;
  request.temperature = c.temperature;
  request.revisedPackageModel = c.revisedPackageModel;
  const float meters = HAFITMgr::altitudeInMeters(design_.get())
                           ? altitude
                           : HAFITNumbers::narrow(static_cast<double>(altitude) * 0.3048);
  warnCutoffGrid(mgr->fluxAt(meters, c.longitude, c.latitude).model, c.longitude, c.latitude);

  // The JSON form first: its messages are the report's; the other forms repeat them.
  Report out;
  HAFITMgr::ReportFigures figures;
  const struct {
    HAFITReport::Format format;
    const char* flag;
    std::string* text;
  } forms[] = {{HAFITReport::Format::JSON, "--json", &out.json},
               {HAFITReport::Format::TEXT, "", &out.text},
               {HAFITReport::Format::XML, "--xml", &out.xml}};
  for (const auto& form : forms) {
    request.format = static_cast<int>(form.format);
    request.command = command(c, form.flag);
    try {
      figures = mgr->reportFit(design_.get(), request);
    } catch (const std::exception& e) {
      ComMsgMgr::hostError("@1-62@%s%s", path_, std::string(e.what()));
      call.fail(path_ + ": the design cannot be analysed");
    }
    *form.text = call.takeLog();
    if (form.format != HAFITReport::Format::JSON) continue;
    warnSaturatedTotals(figures.saturated);
    if (mgr->lastReportOutcome() == HAFITMgr::ReportOutcome::NON_FINITE) {
      ComMsgMgr::hostError("@1-69@%s", figures.nonFinite);
      call.fail("no report was written");
    }
    for (const std::string& figure : figures.negative) ComMsgMgr::hostWarning("@1-70@%s", figure);
    if (mgr->lastReportOutcome() != HAFITMgr::ReportOutcome::WRITTEN)
      call.fail("no report was written");
    call.forgetFromHere();
  }
  call.finish();

  const py::object doc = py::module_::import("json").attr("loads")(out.json);
  out.title = doc["title"];
  py::list header;
  for (const py::handle item : doc["header"])
    header.append(py::make_tuple(item["label"], item["value"]));
  out.header = header;
  out.sections = sectionsOf(doc);
  out.deviceFit = figures.hasFit ? py::object(printedValue(figures.deviceFit)) : py::none();
  out.deviceFailures =
      figures.hasFailures ? py::object(printedValue(figures.deviceFailures)) : py::none();
  return out;
}

std::string Design::repr() const {
  const HDARPart* part = design_->getPart();
  return "<seufit.Design " + HSTJson::quote(path_) + " part " +
         HSTJson::quote(part ? part->getName() : std::string()) + ">";
}

}  // namespace seufitpy
