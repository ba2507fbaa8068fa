#include "PyFlux.h"

#include <pybind11/stl.h>

#include <vector>

#include "PyCall.h"
#include "host/env/HUTEnv.h"
#include "shared/fit/run/HAFITDataCheck.h"
#include "shared/fit/run/HAFITRun.h"

namespace py = pybind11;

namespace seufitpy {

py::dict flux(const py::handle& altitude, const py::handle& longitude, const py::handle& latitude,
              const DataDirs& dataDirs) {
  HAFITRun::Request request;
  request.keywords = true;
  const py::handle values[] = {altitude, longitude, latitude};
  std::vector<std::string> texts;
  for (size_t i = 0; i < 3; ++i) {
    const HAFITRun::OptionInfo& info = HAFITRun::Request::placeOptions()[i];
    const auto text = optionText(info, values[i]);
    if (!text) throw py::type_error(keywordOf(info.name) + ": expected a number, got None");
    texts.push_back(*text);
  }
  PyCall call(dataDirs);
  bool ok = true;
  for (size_t i = 0; i < 3; ++i)
    ok = request.set(HAFITRun::Request::placeOptions()[i].name, texts[i]) && ok;
  if (!ok) call.failUsage();
  HAFITMgr::FluxPoint point;
  if (HAFITRun::flux(request, point) != HAFITRun::OK)
    call.fail("the cutoff grid could not be read; no flux was computed");
  call.finish(false);
  py::dict d;
  d["altitude_m"] = printedValue(point.altitude);
  d["longitude"] = request.longitude;
  d["latitude"] = request.latitude;
  d["model"] = point.model;
  d["rigidity_cutoff"] = printedValue(point.cutoff);
  d["flux"] = printedValue(point.flux);
  return d;
}

py::dict fluxProfile(const std::string& path, const DataDirs& dataDirs) {
  PyCall call(dataDirs);
  HAFITMission::Profile profile;
  HAFITMission::MissionFlux m;
  if (const HAFITRun::Status s = HAFITRun::fluxProfile(path, profile, m); s != HAFITRun::OK)
    call.fail(s == HAFITRun::USAGE ? path + ": the mission profile was refused"
                                   : "the cutoff grid could not be read; no flux was computed");
  call.finish(false);
  py::list segments;
  for (size_t i = 0; i < m.segments.size(); ++i) {
    const HAFITMission::SegmentFlux& s = m.segments[i];
    py::dict seg;
    seg["name"] = profile.segments[i].name;
    seg["hours"] = s.hours;
    seg["samples"] = s.samples;
    seg["model"] = s.model;
    seg["altitude_m"] = printedValue(s.altitude);
    seg["flux"] = s.flux;
    seg["share"] = s.share;
    segments.append(seg);
  }
  py::dict d;
  d["profile"] = profile.name;
  d["segments"] = segments;
  d["total_hours"] = m.totalHours;
  d["mean_flux"] = m.meanFlux;
  d["flux"] = printedValue(m.flux);
  return d;
}

py::dict dataCheck(const DataDirs& dataDirs) {
  PyCall call(dataDirs);
  const HAFITRun::Status status = HAFITRun::checkData(false);
  const std::vector<std::string> dirs = HUTEnv::dataDirs();
  if (status != HAFITRun::OK) call.fail("the data directories hold errors");
  call.finish();
  py::dict d;
  d["data_dirs"] = py::cast(dirs);
  return d;
}

py::list parts(const DataDirs& dataDirs) {
  PyCall call(dataDirs);
  std::vector<HDPartSpec> found;
  if (HAFITRun::parts(found) != HAFITRun::OK) call.fail("the parts catalogue could not be read");
  // Only the catalogue matters here; the other data files' errors are warned of.
  call.finish(false);
  py::list list;
  for (const HDPartSpec& p : found) {
    py::dict d;
    d["name"] = p.name;
    d["device"] = p.device;
    d["arch_id"] = p.archId;
    d["arch_type"] = p.archType;
    d["config_bits"] = p.hasConfigBits ? py::object(py::int_(p.configBits)) : py::none();
    d["library"] = p.hasLibrary ? py::object(py::str(p.library)) : py::none();
    list.append(d);
  }
  return list;
}

}  // namespace seufitpy
